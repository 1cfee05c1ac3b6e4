// Sorting and searching of standard marker lists: rows (distinct values), the row and lane
// links, placeholder markers for the rows a lane lacks, the nearest-marker family, the y at which
// a value is reached at a column, the direction check and iso-lines.
#pragma once

#include "base/kstypes.h"
#include "model/std_list.h"

// Sorts a dirty list (and once more when placeholders left it dirty); 1 when the list was clean,
// else the last std_sort result.
int std_sort_if_dirty(STD_LIST* list);
// Sorts by value (five decimals), numbers the rows, sorts into lane order (lane_num * 10000 + y),
// links lanes and rows and adds placeholders for missing rows. 1, or 0 when sorts are nested
// more than twice.
int std_sort(STD_LIST* list);

// Value of row `row` (0.0 when none or when it holds the no-value); sorts a dirty list first.
double std_get_row_value(STD_LIST* list, int row);
// Number of rows; sorts a dirty list first.
int std_num_rows(STD_LIST* list);

// Index of the marker nearest to (x, y) by its double (std_find_nearest) or integer position
// (std_find_nearest_int); sorts a dirty list first; -1 for an empty list.
int std_find_nearest(STD_LIST* list, double x, double y);
int std_find_nearest_int(STD_LIST* list, int x, int y);
// Without sorting: the nearest valid marker, when strictly nearer than max_dist; else -1.
int std_find_nearest_valid(const STD_LIST* list, double x, double y, double max_dist);

// Up to n (at most 512) markers nearest to a point, copied into out nearest first; the count.
// direction -1 takes only markers strictly left of x, +1 strictly right, 0 all. With a lane (> 0)
// only that lane's markers, ranked by |y - value| (by_value) or |y - marker y|; without one by
// the distance from (x, y) to the marker's (x, value) (by_value) or (x, y).
int std_find_nearest_markers(STD_LIST* list, double x, double y, int n, int lane,
                             STD_MARKER* out, int direction, int by_value);
// Index of the nearest marker of a lane (not `exclude`, with at least two markers) on a side of
// x; mode 1 ranks by |dx|, others by distance to (x, y); -1 when none.
int std_find_closest_lane(STD_LIST* list, double x, double y, int exclude, int direction,
                          int mode);
// Number of the lane whose markers bracket q nearest to x (mode 1: q is a value, else a y);
// -1 when none.
int std_find_lane_number(STD_LIST* list, double x, double q, int mode);
// y at which `value` is reached at x from markers holding the value; *flag set when only one
// marker on one side was found. The no-value when none can be given.
double std_rect_fastfind_loc(STD_LIST* list, double x, double value, int lane, int* flag);
// The same, falling back to interpolation between the two nearest lanes.
double std_rect_find_loc(STD_LIST* list, double x, double value, int lane);

// Adds a placeholder marker for every row (row_values[0 .. list->rows - 1]) that a lane lacks.
void std_add_missing_markers(STD_LIST* list, const double* row_values);
// Estimated y of a missing marker of value v in lane `lane` at x; the no-value when none.
double std_find_missing_loc(STD_LIST* list, double x, double v, int lane);

// Direction check along every lane: 3, 2 or 1 when list a, list b or the new marker breaks a
// single direction; otherwise 4 when the values grow with y and 0 when they fall (or no pair
// had a direction).
int std_check_monotonic(const STD_LIST* a, const STD_LIST* b, const STD_MARKER* new_marker);

// A new list of the points where the standards take `value`: with n 0 at each lane's marker
// nearest in value and at both image edges, with n >= 2 at n evenly spaced columns; sorted by x.
// NULL when width is 0 or less, n is 1 or negative, or the list cannot be made.
STD_LIST* std_make_iso_line(STD_LIST* list, double value, int width, int n);
