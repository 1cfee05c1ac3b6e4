// Small dialogs that edit one aspect of lanes: the background (angle and on/off, with a live
// profile chart), the name, the comments with their comments file, the lane order of the lane map,
// the multiplex-marker window and the old-labels choice.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

inline constexpr int LN_NAME_MAX = 20;         // characters a lane name keeps
inline constexpr int LN_ORDER_NAME_LEN = 256;  // name field of a lane-order entry

// "Background..." for the first selected lane of the current image (modal).
void gt_land_bkgd_activate(TK_OBJ owner);
// The lane-name dialog: 1 on OK with the new name (at most 20 characters) in `name` (21 bytes).
long gt_ln_name_activate(TK_OBJ owner, char* name);
// The lane-comments dialog for lane `lane_number` of the current image: 1 on OK (name and
// comments file written), 0 cancelled or without a current image.
long gt_ln_comms_activate(TK_OBJ owner, char* name, int lane_number);
// The menu commands: on the first selected lane (none: nothing); the image is marked modified
// on OK. The new name goes to every selected lane.
void gt_lane_name(TK_OBJ owner, IMAGE_REC* image);
void gt_lane_comments(TK_OBJ owner, IMAGE_REC* image);

// One lane of the lane-order dialog's list.
struct LnOrderEntry {
  int id;
  char name[LN_ORDER_NAME_LEN];
};
// The lane order: `order` (n slots, ids then -1) in and out. 1 when the order was changed and
// kept (OK, or the close box after a move), else 0.
int gt_ln_order_activate(const LnOrderEntry* lanes, int n, int* order);

// The multiplex-marker window (task state 14, set by the caller); Done is enabled exactly at
// three marker points.
void gt_multi_activate(TK_OBJ owner);
// Assign Multiplex Markers as the menu runs it: when the image already has a first marker
// point, asks gt_msg 85 and stops (false) on No; then opens the window, sets task state 14 and
// repaints the image's canvas.
bool gt_multi_start(TK_OBJ owner, IMAGE_REC* image);
void multi_set_count(int count);
void multi_dismiss();

// The old-labels dialog: 1 when a choice was made (0 or 1 through `choice`), else 0.
long gt_oldlabels_activate(TK_OBJ owner, void* unused1, void* unused2, int* choice);
