// Reduction of an image by a whole factor with a box filter.
#pragma once

#include "toolkit/core/tk_image.h"

// Makes `dst` round(W / f) x round(H / f) pixels of src's depth, each the mean (rounded to the
// nearest value) of the f x f block of `src` that it stands for; blocks that reach past the
// right or bottom edge average the pixels that exist, and a block that starts past the edge
// takes the last block that fits. f below 1 is taken as 1. False when `src` is empty or `dst`
// cannot be made.
bool NDVGM_Op708(const TkImage& src, TkImage* dst, int f);

// The same reduction of the w x h rectangle of `src` at (x, y), read in place. False as above,
// or when the rectangle is empty or not wholly inside `src`.
bool tk_reduce_rect(const TkImage& src, int x, int y, int w, int h, TkImage* dst, int f);
