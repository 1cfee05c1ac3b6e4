// Standard values from marker lists: the value at a point by the list's method, the sizes of all
// bands of an image from its size standards (one list per tier), the concentrations of its bands
// from its concentration standards, and the Gaussian method.
#pragma once

#include "base/kstypes.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

// Standard value at (x, y) by the list's method; sets the list's _used to the method. 0.0 for
// no list or fewer than 2 markers; the no-value when none can be given.
double std_rectangular_interp(STD_LIST* list, double x, double y);

// Gaussian method: the value of the marker nearest in y among the two whose y bracket the query
// (with midpoints: or the mean of the two); STD_GAUSS_NO_VALUE when the query lies outside the
// markers, except that with midpoints and extrapolation a query below the lowest marker is
// extrapolated towards a virtual marker of value 0 at y 0. The list is not reordered.
double std_impure(STD_LIST* list, double x, double y, int use_midpoints, int extrapolate);

// Sets the size of every band of every lane from the lane's tier list (sizes[tier]) with the
// method of the tier 0 list, each lane's int_method, and each band's size-standard flag. A lane
// whose tier has no list (tier_num < 0, tier_num >= num_tiers when num_tiers >= 0, or a NULL
// entry) keeps its bands' sizes. Returns 0.
int std_lane_spots_calc(const IMG_INFO* hdr, LANE* lane_head, SPOT* band_head, STD_LIST** sizes,
                        int num_tiers = -1);
// Sets the concentration (std_value) of every band from the concentration list. Returns 0.
int std_conc_calc(SPOT* band_head, STD_LIST* conc);

// Position of the last marker holding exactly `value`; FALSE when none.
BOOL std_find_value_marker(double value, const STD_LIST* list, double* x, double* y);
// Physical length of the lane: (last centre row - first centre row) * Y resolution *
// 10 ^ Y scale / 10.
double std_lane_length(const IMG_INFO* hdr, const LANE* lane);
// (y - first centre row) / (last centre row - first centre row); the no-value for a lane without
// centre points or whose first and last centre rows coincide.
void std_rel_pos(const LANE* lane, double y, double* out);
