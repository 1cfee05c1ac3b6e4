// The lane copy tool: the selected lanes of one image are dropped as a group at points clicked in
// the same or other open images (task state 16) and placed there when the lane-copy window's OK
// is pressed; the receiving images find the new lanes' bands.
//
// The copies of the group belong to the tool from its start to its end (OK, Cancel, the close
// box or a dismiss), whichever image is current meanwhile and whichever images close; images
// are reached only through the open image windows.
#pragma once

#include "model/image_rec.h"
#include "model/lane.h"
#include "toolkit/tk_types.h"

inline constexpr int LN_CPY_MAX_LANES = 500;  // lanes an image may hold after a copy
inline constexpr int LN_CPY_MAX_DROPS = IMG_MAX_SEL;

// Starts the tool on the image's selected lanes (the third argument is not used): the window
// opens and state 16 is set, or nothing happens (no selection, too many lanes, a lane without
// centre points, no memory).
void gt_copy_lanes_and_bands(TK_OBJ owner, IMAGE_REC* image, int with_bounds);
// Sets up the destination's block once per copy from the source's.
void gt_copy_lanes_prepare(IMAGE_REC* dest, IMAGE_REC* source);
// A drop point at (x, y), moved inward so that the group stays inside the image.
void gt_copy_lanes_drop(IMAGE_REC* image, int x, int y);
void gt_lane_offset(LANE* lane, const LN_POINT* point);  // shifts every centre point
// Places every copy at every drop point of every open image; ends the tool.
void gt_cpy_lane_ok(int quantify, int detect);
void gt_copy_lanes_cancel();  // abandons the copy everywhere; ends the tool
int gt_copy_lanes_active();   // 1 while a copy is in progress
void gt_copy_lane_activate(TK_OBJ owner);
void ln_cpy_dismiss();
