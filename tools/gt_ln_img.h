// New images made from what is selected in the open images: the selected lanes side by side, or
// a synthetic reference lane drawn from the selected size-standard bands. Each writes a 1-byte
// pixel file and its info file at the destination (the reference lane also its analysis); the
// new image is not opened.
#pragma once

#include "model/image_rec.h"
#include "model/img_info.h"
#include "toolkit/tk_types.h"

// The selected lanes of every window's image, side by side in window and list order.
void gt_create_image(const TK_OBJ* windows, int n, const char* path);
// The same over image records.
void ln_img_side_by_side(IMAGE_REC* const* images, int n, const char* path);
// The reference lane from the selected bands that have a size. 0, or -1 when nothing was made.
int gt_create_lane(const char* path, const TK_OBJ* windows, int n);
// Create Reference: makes the new image at `path` (a ".kes" path), from the selected lanes in
// selection mode SEL_LANES and as the reference lane with its analysis otherwise, and puts it in
// place of the image there as one change. True when the destination holds the new image, every
// file written whole; false (after a message) when it does not, and then the destination's files
// are as they were and no file of the attempt is left.
bool gt_create_reference(const char* path, int sel_mode, const TK_OBJ* windows, int n);
// Writes the info file of the image at path with the header and the lookup. 0, or -1 (after
// message 243 of ui_msg).
int gt_create_image_info(const IMG_INFO* header, const IMG_INT_INFO* lookup, const char* path);
