// The lane characteristics report: for every lane of a set of images, which lane
// characteristics it carries or their values, one row per lane and one column per
// characteristic, as text or as a table (saved as CSV).
#pragma once

#include <string>
#include <vector>

#include "toolkit/tk_types.h"

struct IMAGE_REC;

// The report's four switches. Kept for the session.
struct ReplcSwitches {
  int all_chars = 0;    // columns: every characteristic the program knows, else those found
  int show_values = 0;  // cells hold the lane's values, else "X"
  int lane_number = 1;  // a lane number column
  int lane_name = 1;    // a lane name column
};
ReplcSwitches& replc_switches();

// The report over the images of `paths` (open ones taken from `windows`, others read from
// their files; an image that is neither gets gt_msg 131 and is left out): its text and its
// table of cells (one per field of a text row, in the columns of the headings).
struct ReplcReport {
  std::string text;
  std::vector<std::vector<std::string>> grid;
  int cols = 1;
};
ReplcReport replc_build(const std::vector<std::string>& paths,
                        const std::vector<IMAGE_REC*>& windows, const char* date,
                        const char* time);

// The parameters dialog (module "replanecat", window "parm_win"): 1 on OK.
int replc_parm_activate(TK_OBJ owner);
// Opens the report window on the images (closing an earlier report window first).
void replc_activate(const std::vector<std::string>& paths);
void replc_dismiss();
TK_OBJ replc_window();
