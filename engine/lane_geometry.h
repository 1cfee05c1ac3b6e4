// Geometry of lanes and bands: the middle of a lane at a row, which lane holds a point, relative
// mobility, the nearest lane and band, a lane's horizontal extent, point distances and the corners
// of a blot grid cell.
// Point-in-lane itself (ln_xyinlane, ln_xy_find_lane, with the centre line and segment strip it
// rests on) lives with the lane record, because collecting a lane's bands needs it below the
// engine; the cell corners (yc_get_coords) live with the blot grid record, whose file reader
// needs them.
#pragma once

#include "model/blot_grid.h"  // yc_get_coords
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

// Middle of the lane strip at row y: the centre-line x shifted by (left + right) / 2 - left;
// -1 without a lane.
int ln_center_x(int y, const LANE* lane);
// The lane of the list after head with the centre point nearest to (x, y); NULL for none.
LANE* ln_nearest_lane(int x, int y, LANE* head);
// Relative mobility of row y in the lane.
double ln_y_to_rf(int y, const LANE* lane);
// Euclidean distance, rounded to the nearest integer.
int mt_dist(int x1, int y1, int x2, int y2);
using SP_FILTER = int (*)(const SPOT* band);
// The band of the chain after head nearest to (x, y) that the filter (when given) accepts; NULL
// when none, or when limit >= 0 and the best distance is not below it.
SPOT* sp_nearest_spot(int x, int y, int limit, SPOT* head, SP_FILTER filter);
// The lane's band nearest to row y; NULL when none, or when limit >= 0 and the best distance in y
// exceeds it.
SPOT* sp_nearest_by_y(const LANE* lane, int y, int limit, SPOT* head);
// Right x = largest centre x + right width; left x = smallest centre x - left width.
void ln_lane_extent(const LANE* lane, int* right_x, int* left_x);
// The lane's band at the row where the value of the list's first marker crosses the lane: from
// that marker's row and the strip middle x0 there, the nearest marker on each side of x0 (ranked
// by position and value) gives the row: the straight line between them at x0 when both hold the
// same value, the one marker's y when only one is found. The band nearest to (x0, row) within
// `limit` gives *x, *y and *found 1; without one *found is 0 and *x = *y = -1. When no marker is
// found, or the two found differ in value, the outputs are left untouched.
void ln_mark_find_band(const LANE* lane, int* x, int* y, int limit, int* found, STD_LIST* list,
                       SPOT* head);
