// Numeric routines of the standards engine that work on plain arrays: two-point and three-point
// interpolation, the row bracket, repeat snapping, least squares with its held fit, the robust
// four-parameter fit, the molecular-weight / isoelectric line fit and the method names.
// Nothing here knows marker lists, lanes or bands.
#pragma once

#include <cstddef>

#include "base/kstypes.h"
#include "model/std_list.h"

// Standards method codes (the marker list's int_method, its _used and the lane's int_method).
enum : int {
  STD_RECIPROCAL = 0,
  STD_LOGARITHMIC = 1,
  STD_ROBUST = 2,
  STD_LINEAR = 3,
  STD_REGRESSION = 4,
  STD_TRI_LINEAR = 5,
  STD_TRI_LOG = 6,
  STD_USER = 7,
  STD_EXPONENTIAL = 8,
  STD_TRI_EXP = 9,
  STD_MOLE_WGT = 10,
  STD_IEF = 11,
  STD_GAUSS_NEAREST = 12,
  STD_GAUSS_MID = 13,
  STD_GAUSS_MID_EXTRAP = 14,
};

// Extrapolation methods of a marker list (extrap_method).
enum : int { STD_EXT_NONE = 0, STD_EXT_LAST2 = 1, STD_EXT_AVERAGE = 2 };

// Initial distances that any real distance beats.
inline constexpr double STD_BIG_FLOAT = 99999999.999;
inline constexpr double STD_BIGGER_FLOAT = 999999999.99;
// The Gaussian method's own no-value.
inline constexpr double STD_GAUSS_NO_VALUE = -9999.99;
// Most rows one interpolation works with.
inline constexpr int STD_MAX_ROWS = 300;

// v rounded half up to an int, clamped to the int range (0 for NaN).
int std_round_int(double v);

// True when v is the no-value (or something no interpolation can use: NaN or infinite).
bool std_is_no_value(double v);

// Two-point interpolation through (xa, ya) and (xb, yb) at x. Method 1 interpolates the natural
// logarithms of the values (linear when either value is at or below 0), method 8 their
// exponentials, any other method the values themselves. Equal abscissae give the mean.
// The exponential method is evaluated without forming exp of the values, so large values do not
// overflow; where the interpolated exponential is at or below 0 the result is the no-value.
double std_linlog_interpolate(double xa, double xb, double ya, double yb, double x, int method);

// The location search's two-point interpolation: abscissae within 0.00001 give the mean, else the
// straight line; method 1 interpolates exp of the values and returns ln of the result, method 8
// interpolates ln of the values (linear when either is at or below 0) and returns exp.
double std_linlog_interpolate_loc(double ya, double yb, double xa, double xb, double x,
                                  int method);

// Three-point reciprocal curve a / (x - c) + b through the points, evaluated at x. Values that
// are not monotonic give the mean of the three chords. The no-value when the curve cannot be
// formed (two points share an abscissa, or x or a point lies on the pole c).
double std_reciprocal3(double x1, double x2, double x3, double y1, double y2, double y3,
                       double x);

// The rows on either side of y among n row locations L: *above the nearest row with L >= y,
// *below the nearest with L <= y (-1 when none). Locations increase when L[n-1] > L[0].
void std_bracket_rows(const double* L, double y, int n, int* above, int* below);

// Reciprocal interpolation over n rows (locations L, values v) at y.
double std_reciprocal(const double* L, const double* v, double y, int n);

// Snaps value to the nearest point of the repeat grid spanned by the two row values ra and rb
// (each truncated toward zero): the integers lo * 6 - hi * 5 + k * repeat_length for
// k = 0 .. (hi - lo) / repeat_length + 10 * (hi - lo), lo the smaller. The first of equally near
// points wins; when no point lies nearer than sqrt(9999999) the first grid point is taken.
double std_repeat_snap(double value, double ra, double rb, int repeat_length);

// Least squares: values against positions 1 (the held fit a, b) and against positions 2 (r and
// the m predictions b2 * q + a2, handed out in *out as a new block the caller releases with
// ks_free; NULL when m is 0). 1, or 0 for n = 0, positions that all coincide, or no memory.
int mt_reg(const double* pos1, const double* pos2, const double* values, int n,
           const double* query, double** out, int m);
// 1 and the last fit's a, b and r when a fit is held; else 0 and all three 0.0.
int mt_reg_get_fit(double* a, double* b, double* r);

// Robust fit of the curve t0 + t1 / (1 + t2 * p'^t3) with Andrews' sine weights.
struct STD_ROB_FIT {
  int n;              // points
  double* values;     // n values
  double* positions;  // n positions, rescaled in place to p' = (p - p0 + 0.01) * 100
  int m;              // query positions
  const double* queries;
  double* answers;  // m answers; the no-value where a query lies before the first point
};
// 1 on success; 0 (answers all the no-value) when the fit cannot be made: fewer than 4 points,
// a rescaled position at or below 0, a start relation without a slope, a singular system or a
// curve that leaves the finite numbers.
int std_rob(STD_ROB_FIT* fit);
// Solves the 4 x 4 system held as rows of [A | b] in place (the solution in column 4).
// 0 when a pivot's magnitude is 1e-15 or less.
int std_rob_solve(double sys[4][5]);
// Andrews' weights for n residuals; abs_res is sorted ascending in place. The scale is 2.1 times
// the order statistic at n / 2 + 1 (even n) or the mean of those at (n + 1) / 2 and (n + 3) / 2
// (odd n), counting from 0. 0 (weights untouched) for fewer than 4 residuals.
int std_rob_weights(int n, double* weights, double* abs_res, const double* res);
// Brings the smallest of array[index .. last] (indices counted from base) to index.
void std_rob_select(int index, int last, int base, double* array);

// Line fit of the molecular-weight (10) and isoelectric (11) methods: positions X against
// Y = log10(value) - order.
inline constexpr int STD_MW_MAX_POINTS = 20;
struct STD_MW_FIT {
  int valid;
  int method;
  int order;  // decimal order p subtracted from log10 of the values
  int n;
  double intercept, slope;  // X = intercept + slope * Y
  double r;                 // correlation coefficient
  double se;                // residual standard error (divisor n - 2)
  double se_pct;            // se as a percentage of the mean position
  double half_width;        // 95 % confidence half-width: t(n - 2) * se
  double x[STD_MW_MAX_POINTS], y[STD_MW_MAX_POINTS];
  double fitted[STD_MW_MAX_POINTS], residual[STD_MW_MAX_POINTS];
};
// Smallest decimal order among the values for the method (100 when none counts).
int std_mw_order(const double* values, int n, int method);
// Two-sided 95 % Student's t quantile for 1 .. 20 degrees of freedom (0 outside).
double std_t95(int df);
// Fits X against log10(values) - order over the values above 0. 1 with *fit filled and kept as
// the last fit; 0 (fit not valid, last fit untouched) with fewer than 3 usable points, more than
// 20, or a zero slope.
int std_mw_fit_line(const double* X, const double* values, int n, int method, int order,
                    STD_MW_FIT* fit);
// Value at position X from a valid fit: 10 ^ ((X - intercept) / slope + order), for method 10
// rounded to a whole multiple of 100.
double std_mw_value(const STD_MW_FIT* fit, double X);
// The last successful line fit, for the reports: 1 and a copy, or 0 when none was made.
int std_mw_get_fit(STD_MW_FIT* out);

// Method name ("Reciprocal", ..., the user program's name for 7, "Unknown") into out.
void std_get_interp_str(int method, char* out, const char* user_name, std::size_t out_size = 256);
// Extrapolation method name (0 "None", 1 "Last 2 markers", 2 "Average of markers"); nothing is
// written for other values.
void std_get_marker_str(int mode, char* out, std::size_t out_size = 32);

// qsort comparison of two doubles: -1, 0 or 1.
int std_cmp_double(const void* a, const void* b);
