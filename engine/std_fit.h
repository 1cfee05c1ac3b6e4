// The standards methods that fit all rows at once: regression (a least-squares line of the value
// against the relative position), the robust fit, and the user method, which hands standards and
// query points to the user's own program through the files "usr_stds.tmp" (request) and
// "usr_stds.tmp.out" (answer) in the current folder. An answer is used only when it is newer
// than the request just written; an older one was left by an earlier exchange.
#pragma once

#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

inline constexpr const char* STD_USER_REQUEST = "usr_stds.tmp";
inline constexpr const char* STD_USER_ANSWER = "usr_stds.tmp.out";

// Regression value at (x, y); the no-value when the fit fails.
double std_regress_interpolation(STD_LIST* list, double x, double y);
// Robust value at (x, y); 0.0 with fewer than 2 markers or without memory; the no-value when the
// fit fails (too few rows, standards running against the first one, a singular system) or gives
// a negative value.
double std_robust_interpolation(STD_LIST* list, double x, double y);

// User method for every band of every lane (sizes by tier, as std_lane_spots_calc).
void std_user_calc(LANE* lane_head, SPOT* band_head, STD_LIST** sizes, int num_tiers = -1);
// User method for one point with a given value: the answer's third item; 0.0 without an answer;
// -1.0 when the request cannot be written.
double std_user_interp(STD_LIST* list, double x, double y, double value);
// User method for count query points (qx, qy); out receives the answers. 1 when every answer was
// read, else 0.
int std_user_points(STD_LIST* list, const double* qx, const double* qy, double* out, int count);
// std_user_points for one point; the no-value when it fails.
double std_user_interp_rows(STD_LIST* list, double x, double y);
