// Writing lane names from a lane-name list into the lanes of a list of images, open or not,
// and saving each image's analysis.
#pragma once

#include <string>
#include <vector>

struct IMAGE_REC;

// One line of a lane-name list: the index of its image in the image list, a lane number and
// the name that lanes of that number get.
struct LaneNameEntry {
  int image;
  int lane_number;
  std::string name;
};

// Names the lanes: an image shown by one of `windows` (matched by file name, without regard to
// case) is named there and saved; any other is read from its files, named and written back
// with every record it had. An image that cannot be read gets gt_msg 131; a failed save has
// shown its own message and leaves the open image modified. Returns the number of images that
// failed.
int lanename_activate(const std::vector<std::string>& paths,
                      const std::vector<LaneNameEntry>& entries,
                      const std::vector<IMAGE_REC*>& windows);
