// Image list files that matching takes its images from. Three readers:
//  - the image list: lines of image paths separated by commas; leading blanks of a line are
//    skipped, double quotes anywhere are dropped, an empty line ends the list, and a path whose
//    file-name part holds '*' or '?' is expanded to the ".kes" files it matches (in name order);
//  - the image name and lane number list: one record a line, `name` or `name, lane`
//    (the name may be quoted; ".kes" is appended; no lane number gives -1);
//  - the same with a lane name after the lane number: `name, lane, "lane name"`.
// Blank lines and lines starting with '#' are skipped in the two record files. Lines, names
// and fields have no length limit.
//
// Every reader checks that the images exist. When all are missing the user is told (gt_msg 179,
// or 194 for the list with lane names) and nothing is returned; when some are, the user is asked
// (gt_msg 176 or 195) whether to leave them out: "No" returns nothing, "Yes" drops each missing
// image and every record that names it. A file that cannot be opened shows gt_msg 175.
#pragma once

#include <string>
#include <vector>

// The records of an image name list: the distinct images (in order of first appearance; a name
// repeated exactly, case included, shares the entry) and per record its lane number and the
// index of its image. lane_names is filled only by the reader of lane names.
struct GtImgNameList {
  std::vector<std::string> images;
  std::vector<long> lane_numbers;
  std::vector<int> image_index;
  std::vector<std::string> lane_names;

  int num_records() const { return static_cast<int>(lane_numbers.size()); }
};

// Reads the image list `file` into *paths (cleared first); the number of paths.
int gt_read_image_list(const char* file, std::vector<std::string>* paths);

// Reads the image name and lane number list `file` into *out (cleared first). An image that is
// not found in the current folder is looked up in `image_folder` (which may be empty or null).
// Every image found is named with its folder ("./gel.kes" in the current folder), so that it is
// that file and not an open image of the same name from elsewhere. The number of images.
int gt_read_imgname_list(const char* file, const char* image_folder, GtImgNameList* out);

// The same for the list with lane names.
int gt_read_imgname_lanename(const char* file, const char* image_folder, GtImgNameList* out);

// Expands a wildcard path: the ".kes" files (no folders; the extension in any case) of the
// path's folder whose names match its file-name part, each as the folder part followed by the
// name, sorted by name. A path without '*' or '?' in its file-name part has no expansion: 0.
int gt_expand_wildcard(const std::string& path, std::vector<std::string>* matches);
