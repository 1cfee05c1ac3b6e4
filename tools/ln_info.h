// The lane info file and the lane-definition dialog. Reading and writing lane info files are not
// built yet: no file is ever loaded, the dialog's info-file toggle stays disabled, and the lane
// tools take their own defaults.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

int ln_info_loaded();                      // 1 when a file is loaded
const char* ln_info_get_name(int index);   // the lane's name, null when none
int ln_info_get_bg_angle(int index);       // the lane's background angle, -1 when none

// The lane-definition dialog (modal): -1 cancelled, else the definition mode: 0 a number of lanes
// found automatically in a drawn block, 1 lanes point by point, 2 a number of lanes dividing a
// drawn block evenly. The number of lanes goes to the image's num_sel_lanes (2 to 500).
int gt_fd_lane_info_activate(TK_OBJ owner, IMAGE_REC* image);
