// Band outlines in a square pixel window: vertical cross-sections through 13 columns of the band
// and five rays around each end are differentiated twice; on each, the bound is the zero crossing
// that opens the strongest negative lobe within reach. The bounds of each side are then smoothed
// against each other and become the 36 boundary points of the band's quantification result.
//
// Slots of the 36 boundary points, clockwise on screen:
//   0       top bound of the centre column
//   1-6     top bounds of the six columns right of it, moving right
//   7-11    rays from the rightmost column's centre at 60, 30, 0, 330, 300 degrees (0 = right,
//           90 = up)
//   12-18   bottom bounds from the rightmost column back to the centre column
//   19-24   bottom bounds of the six columns left of the centre, moving left
//   25-29   rays from the leftmost column's centre at 240, 210, 180, 150, 120 degrees
//   30-35   top bounds of the left columns, from the leftmost back towards the centre
#pragma once

#include <cstdint>

#include "model/lane.h"
#include "model/quant.h"
#include "model/spot.h"

// Failure codes of quantification shared with the band tools and the reports.
enum : int {
  MJ_FAIL_ALLOC = -40,        // profiles or the result record cannot be allocated
  MJ_FAIL_LOAD = -41,         // the window could not be loaded from the lane image
  MJ_FAIL_NOT_IN_LANE = -63,  // the band's centre lies outside its lane
  MJ_FAIL_BOUNDS = -81,       // "Invalid Bounds": no enclosed region in the band's column
  MJ_FAIL_GAPS = -82,         // more than 4 consecutive invalid bounds
  MJ_FAIL_WIN_ALLOC = -83,    // the window cannot be allocated
  MJ_FAIL_WIN_COPY = -84,     // the window copy (fill canvas) cannot be allocated
  MJ_FAIL_SIZE = -85,         // no valid window size
  MJ_FAIL_FILL = -86,         // "Fill Raster failed": the filled region needs too many runs
};

// Width ramp: a non-decreasing table of 257 entries from 1 to 38, read at index 0..256; an index
// above 256 reads the last entry and a negative one the first.
int mj_ramp(int index);

// 16.16 fixed-point cosine and negated sine of an angle in whole degrees (0 = right, 90 = up),
// resolved to 5-degree steps, so that (x + d cos, y - d sin) walks towards the angle on screen.
void mt_qtrig(int angle, int32_t* cos_out, int32_t* msin_out);
// A point's offset `dist` along a direction component of mt_qtrig: dist x dir / 65536 rounded
// to the nearest whole number, halves upwards.
int mt_qoffset(int dist, int32_t dir);

// A new owned window of the same centre, size and bounds as `win` with every cell 0 (a canvas);
// NULL when memory runs out.
QT_WIN* qt_copy_window(const QT_WIN* win);
// Moves a window to a new centre (its bounds follow; the cells are not touched).
void qt_move_window(QT_WIN* win, int cx, int cy);

// Column cross-section of `length` rows centred on window row `centre` at window column x:
// each row the mean of the 5 cells centred on the column (cells outside the window are not
// counted), then a running median of 5 whose two end values on each side copy the nearest
// filtered value.
void mj_xsec(int* out, const QT_WIN* win, int x, int centre, int length);

// Samples at distances 0 .. count-1 from window point (x, y) towards `angle`: bilinear between
// the four surrounding cells (truncated) when the fractional parts fx, fy satisfy fx >= 0.1,
// fy <= 0.9 and not (fx > 0.9 and fy < 0.1), else the nearest cell. Positions off the window
// read the nearest edge cell.
void qt_radxsec(int* out, int angle, const QT_WIN* win, int x, int y, int count);

// Zero crossings of a second-derivative profile: each is the first non-positive index after a
// positive run, with the area of the non-positive run that follows (sum of 1 - value), the
// largest value of the positive run before it and the smallest of the run after it. A profile
// that starts non-positive has that run's area in lead_area; it is not a crossing.
inline constexpr int QT_MAX_CROSS = 64;
struct QT_CROSS_TAB {
  int start = 1;  // the first index compared with its predecessor
  int count = 0;
  int lead_area = 0;
  int pos[QT_MAX_CROSS] = {};
  int area[QT_MAX_CROSS] = {};
  int max_before[QT_MAX_CROSS] = {};
  int min_after[QT_MAX_CROSS] = {};
};
// Fills the table (reset first) and returns the number of crossings, at most QT_MAX_CROSS.
int qt_cross(const int* d2, int count, QT_CROSS_TAB* table);

// Bound pick on a second-derivative profile that starts at the bound's origin, with search half
// width s. Returns (and stores in *dist when given) the chosen crossing's index when its area is
// at least 100, 0 when no crossing within reach qualifies, -1 when the profile has no crossing.
// angle and the three unused words are carried for the callers.
int mj_bndp(const int* profile, int angle, int count, int s, int unused1, int unused2,
            int unused3, int* dist);

// Finds the band's 36 boundary points in `win` (the band's pixel window) into `res`. With find
// 0 the band's stored bounds (image coordinates) are taken instead, made window-relative. Returns 0, or 1 when a side
// needed replacement values; MJ_FAIL_ALLOC when its profiles cannot be allocated;
// MJ_FAIL_NOT_IN_LANE when the band's centre is not in the lane.
int mj_2df_bnds(SPOT* band, const QT_WIN* win, QUANT_RES* res, const LANE* lane, int find);

// Test aid: the n-th allocation (from 0) that the quantifier makes from now on fails as if
// memory had run out; -1 (the start state) turns this off.
void mj_fail_alloc_at(int n);
// True when the quantifier's next allocation is to fail (counts the allocation).
bool mj_alloc_fails();
