// Resolution of an image in dots per inch. The info header keeps the pixel size in millimetres
// as resolution word x 10 ^ scale word, per axis.
#pragma once

#include "model/img_info.h"

// Dots per inch of one axis, rounded; 0 for a resolution word of 0 or less (imported images
// can carry one), which has no size to divide by.
int gt_resolution_dpi(int res, int scale);
// Sets each axis whose new value is above 0: millimetres per pixel in units of 10 ^ -6 with
// scale -6. An axis of 0 or less keeps its words. Returns whether an axis changed.
bool gt_resolution_set(IMG_INFO* info, double x_dpi, double y_dpi);
