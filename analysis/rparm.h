// The report parameters dialog and the lane-name dialog. The first runs before the Selected
// Lanes, Active Image and All Lanes reports: it shows the include-empty-lanes and
// active-image-only switches and, for All Lanes, offers the lane selection file, the image list
// file and the image-name and lane-number file. The second picks the image-name and lane-name
// file whose names the lane-name command writes into the lanes. Every choice lives in the
// control record, shared with matching and the preferences.
#pragma once

#include "toolkit/tk_types.h"

// Runs the dialog modally; 1 when the user pressed OK. OK stores the two switches and, when the
// file boxes were offered (with_files 1), the three file choices (a box that is not checked
// clears its setting); without them the file settings stay as they are.
int gt_rparm_activate(TK_OBJ owner, int with_files);

// Runs the lane-name dialog modally; 1 when the user pressed OK, which stores the chosen file
// (or clears the setting when the box is not checked).
int gt_lanename_activate(TK_OBJ owner);
