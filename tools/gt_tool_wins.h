// The band and lane tools' windows. Each modeless window keeps one static (its handle) in its
// own source file, is opened by its activate function (which first dismisses a window of its
// kind), and ends its task state when it goes away, whichever way it is ended. A dismiss ends
// the window as its close box does, undoing the tool's unconfirmed work.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Add Band (state 7, set by the caller).
void gt_ad_bnd_activate(TK_OBJ owner);
void ad_bnd_dismiss();
long ad_bnd_get_quant();  // the quantify toggle while the window is open, else 0

// Find Lanes (states 1 and 2, set by the caller): the block corners.
void gt_fd_ln_activate(TK_OBJ owner);
void fd_ln_dismiss();
void fd_ln_show_step(int step);
// The fourth corner hands the new lanes to Find Bands: the window closes keeping them.
void fd_ln_hand_over();

// Define Lanes (state 4, set by the caller): lanes point by point.
void gt_def_ln_activate(TK_OBJ owner);
void def_ln_dismiss();
void def_ln_show_step(int step, int pending_exists);
// Forgets that a lane was begun, as at the start of the program's run (for tests).
void def_ln_new_run();

// Find Bands (state 3): auto_flag 1 after automatic lanes.
void gt_fd_bnd_activate(TK_OBJ owner, int auto_flag);
void fd_bnd_dismiss();

// Edit Band (state 15, set by the caller).
void gt_ed_bnd_activate(TK_OBJ owner);
void ed_bnd_dismiss();
long ed_bnd_get_quant();

// Lane Boundaries (state 5, set by gt_band_lane_bounds).
void gt_ln_bd_activate(TK_OBJ owner);
void ln_bd_dismiss();

// Mark Axes (state 11) and Mark Bounds (state 10) on the image's axes or bounds band; neither
// opens without that band.
void gt_bd_axe_activate(TK_OBJ owner, IMAGE_REC* image);
void bd_axe_dismiss();
void bd_axe_show_step(int step);
void gt_bd_mrk_activate(TK_OBJ owner, IMAGE_REC* image);
void bd_mrk_dismiss();

// Modal comment dialogs: the band comment edits `text` (21 characters); 1 OK, 0 cancel.
long gt_ch_band_activate(TK_OBJ owner, char* text);
long gt_ch_image_activate(TK_OBJ owner);

// Every tool window of the band and lane tools dismissed (the close-all routine calls this).
void gt_tool_wins_dismiss_all();
