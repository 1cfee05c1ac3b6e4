// Automatic lane tracking: finds the centre lines of a given number of lanes inside a region of
// a reduced gel image, from short bright runs about one lane wide between a rising and a falling
// intensity edge.
#pragma once

#include "model/lane.h"
#include "toolkit/core/tk_image.h"

// Fills the centre points and widths of the first n lanes after lane_head. `reduced` is the
// region's image reduced by `step`; height, width and bytes_per_pixel are its size before
// reduction; corners are the region's four corners (top-left, top-right, bottom-right,
// bottom-left) in full-image pixels; percent is the share of the strongest edges used;
// x_off and y_off place the reduced image in the full image. -> 0.
int ln_track_lanes(LANE* lane_head, int n, const TkImage* reduced, int height, int width,
                   int bytes_per_pixel, const LN_POINT corners[4], int step, int percent,
                   int x_off, int y_off);
