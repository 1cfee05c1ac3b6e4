// Copy Bounds: the outlines of up to 100 selected bands are picked up as one group, dragged
// over this or other images, and stamped where the user clicks; Apply quantifies a band inside
// each stamped outline (the band of the lane nearest the stamp, or a new one), Cancel forgets
// the picks and stamps. Either way every image's picks and stamps are cleared afterwards.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

inline constexpr int GT_COPY_MAX_PICKS = 100;
inline constexpr int GT_COPY_MAX_STAMPS = 500;

// Gathers the picks (selected bands with an amount) and opens the Copy Bounds window. Refused
// (nothing changes) when a selected band has no amount or more than 100 bands are selected.
void gt_band_copy_bounds(TK_OBJ owner, IMAGE_REC* image);
// The group made again for the image the pointer moved into (its stamps start empty).
void gt_band_copy_bounds_init(IMAGE_REC* image);
// The pointer at (x, y): the group follows it, held inside the image.
void gt_band_copy_bounds_move(IMAGE_REC* image, int x, int y);
// A press: the group is stamped where it stands. -1 (message 43) when the stamps are full.
int gt_band_copy_bounds_stamp(IMAGE_REC* image);
int gt_band_copy_stamp_count(const IMAGE_REC* image);
void gt_band_copy_bounds_apply();
void gt_band_copy_bounds_cancel();

// The Copy Bounds window (state 12).
void gt_bd_cpy_activate(TK_OBJ owner);
void bd_cpy_dismiss();
