// Reduction of an image by a whole factor with a box filter.
#pragma once

#include "toolkit/core/tk_image.h"

// Makes `dst` round(W / f) x round(H / f) pixels of src's depth. Pixel (x, y) stands for the
// point (x f, y f) of `src`: it is the mean (rounded to the nearest value) of the f x f block
// centred there (for an even f, the block reaches one pixel further before the point than after
// it). Blocks that reach past an edge average only the pixels that exist. f below 1 is taken as
// 1. False when `src` is empty or `dst` cannot be made.
bool NDVGM_Op708(const TkImage& src, TkImage* dst, int f);

// The same reduction of the w x h rectangle of `src` at (x, y), read in place. False as above,
// or when the rectangle is empty or not wholly inside `src`.
bool tk_reduce_rect(const TkImage& src, int x, int y, int w, int h, TkImage* dst, int f);
