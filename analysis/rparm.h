// The report parameters dialog: before the Selected Lanes, Active Image and All Lanes reports
// it shows the include-empty-lanes and active-image-only switches and, for All Lanes, offers
// the lane selection file, the image list file and the image-name and lane-number file.
#pragma once

#include "toolkit/tk_types.h"

// Runs the dialog modally; 1 when the user pressed OK. OK stores the two switches and, when the
// file boxes were offered (with_files 1), the three file choices (a box that is not checked
// clears its setting); without them the file settings stay as they are.
int gt_rparm_activate(TK_OBJ owner, int with_files);

// The image-name and lane-number file chosen in the dialog (empty when none).
const char* gt_rparm_imgname_lanenum_file();
// The active-image-only switch: the selected-bands and selected-lanes reports take only the
// current image. Kept for the session.
int gt_rparm_active_only();
