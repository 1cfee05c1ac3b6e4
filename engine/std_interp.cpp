#include "engine/std_interp.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/std_fit.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"

namespace {

// Row values and their locations at column x, in row order. A row whose location cannot be
// found at x carries no information there and takes no part.
void rows_at(STD_LIST* list, double x, std::vector<double>* L, std::vector<double>* v) {
  const int rows = list->rows;
  std::vector<double> value(static_cast<size_t>(std::max(rows, 0)), 0.0);
  std::vector<char> seen(value.size(), 0);
  for (int i = 0; i < list->count; ++i) {
    const int r = list->records[i].row_num;
    if (r < 0 || r >= rows || seen[static_cast<size_t>(r)]) continue;
    seen[static_cast<size_t>(r)] = 1;
    const double val = list->records[i].value;
    value[static_cast<size_t>(r)] = val == STD_NO_VALUE ? 0.0 : val;
  }
  for (int r = 0; r < rows; ++r) {
    const double loc = std_rect_find_loc(list, x, value[static_cast<size_t>(r)], 0);
    if (std_is_no_value(loc)) continue;
    L->push_back(loc);
    v->push_back(value[static_cast<size_t>(r)]);
  }
}

// Methods 1, 3 and 8 (and 0 outside the rows or with two rows) over the rows.
double two_row_value(const STD_LIST* list, const std::vector<double>& L,
                     const std::vector<double>& v, double y, int method) {
  const int n = static_cast<int>(L.size());
  const bool inc = L[n - 1] > L[0];
  const bool before = inc ? y < L[0] : y > L[0];
  const bool after = inc ? y > L[n - 1] : y < L[n - 1];
  int ra, rb;
  if (!before && !after) {
    std_bracket_rows(L.data(), y, n, &ra, &rb);
    if (ra < 0 || rb < 0) return STD_NO_VALUE;
  } else if (list->extrap_method == STD_EXT_AVERAGE) {
    ra = 0;
    rb = n - 1;
  } else if (list->extrap_method == STD_EXT_LAST2) {
    ra = before ? 0 : n - 2;
    rb = before ? 1 : n - 1;
  } else {
    SLOG("std_rectangular_interp", SLOG_VALUE5, "extrap_method STD_EXT_NONE, -STD_BIG_FLOAT");
    return STD_NO_VALUE;
  }
  const size_t a = static_cast<size_t>(ra), b = static_cast<size_t>(rb);
  double val = std_linlog_interpolate(L[a], L[b], v[a], v[b], y, method);
  if (list->use_repeats && list->repeat_length >= 1 && !std_is_no_value(val)) {
    val = std_repeat_snap(val, v[a], v[b], list->repeat_length);
  }
  return val;
}

STD_LIST* tier_list(STD_LIST** sizes, int num_tiers, const LANE* lane) {
  const int t = lane->tier_num;
  if (t < 0 || (num_tiers >= 0 && t >= num_tiers)) return nullptr;
  return sizes[t];
}

// The bands of a lane, sorted by y; released on scope exit.
struct LaneBands {
  SPOT** arr = nullptr;
  int n = 0;
  LaneBands(SPOT* head, LANE* lane) {
    n = ln_find_bands_in_lane(head, &arr, lane, nullptr, nullptr);
    if (n < 0) n = 0;
  }
  ~LaneBands() { ks_free(arr); }
  LaneBands(const LaneBands&) = delete;
  LaneBands& operator=(const LaneBands&) = delete;
};

// Molecular-weight / isoelectric line fit of one lane from its working list.
void mw_lane(const IMG_INFO* hdr, LANE* lane, STD_LIST* work, SPOT* band_head, int method) {
  std::vector<double> values, X;
  const double length = std_lane_length(hdr, lane);
  for (int i = 0; i < work->count; ++i) {
    const STD_MARKER& m = work->records[i];
    if (m.value < -99) continue;
    double rel;
    std_rel_pos(lane, m.y, &rel);
    values.push_back(m.value);
    X.push_back(std_is_no_value(rel) ? STD_NO_VALUE : rel * length);
  }
  if (values.size() > STD_MW_MAX_POINTS) {
    SLOG("std_lane_spots_calc", SLOG_WARN, "lane %d: %zu rows, sizes kept", lane->lane_number,
         values.size());
    return;
  }
  const int order = std_mw_order(values.data(), static_cast<int>(values.size()), method);
  STD_MW_FIT fit;
  if (!std_mw_fit_line(X.data(), values.data(), static_cast<int>(values.size()), method, order,
                       &fit)) {
    SLOG("std_lane_spots_calc", SLOG_WARN, "lane %d: no line fit, sizes kept",
         lane->lane_number);
    return;
  }
  std::vector<double> desc = values;
  std::sort(desc.begin(), desc.end(), std::greater<double>());
  LaneBands bands(band_head, lane);
  size_t k = 0;
  for (int i = 0; i < bands.n; ++i) {
    SPOT* b = bands.arr[i];
    if (b->f2 & SP_F2_SIZE_STD) {
      b->size = k < desc.size() ? desc[k] : 0.0;
      ++k;
      continue;
    }
    double rel;
    std_rel_pos(lane, b->y, &rel);
    b->size = std_is_no_value(rel) ? STD_NO_VALUE : std_mw_value(&fit, rel * length);
  }
}

}  // namespace

double std_rectangular_interp(STD_LIST* list, double x, double y) {
  if (!list) {
    SLOG("std_rectangular_interp", SLOG_VALUE5, "list NULL, 0.0");
    return 0.0;
  }
  if (list->count < 2) {
    SLOG("std_rectangular_interp", SLOG_VALUE5, "num_points < 2, 0.0");
    return 0.0;
  }
  std_sort_if_dirty(list);
  const int method = list->int_method;
  list->_used = method;
  switch (method) {
    case STD_ROBUST:
      return std_robust_interpolation(list, x, y);
    case STD_REGRESSION:
      return std_regress_interpolation(list, x, y);
    case STD_USER:
      return std_user_interp_rows(list, x, y);
    case STD_GAUSS_NEAREST:
    case STD_GAUSS_MID:
    case STD_GAUSS_MID_EXTRAP:
      return std_impure(list, x, y, method != STD_GAUSS_NEAREST, method == STD_GAUSS_MID_EXTRAP);
    case STD_RECIPROCAL:
    case STD_LOGARITHMIC:
    case STD_LINEAR:
    case STD_EXPONENTIAL:
      break;
    default:
      SLOG("std_rectangular_interp", SLOG_VALUE5, "default, -STD_BIG_FLOAT");
      return STD_NO_VALUE;
  }
  std::vector<double> L, v;
  rows_at(list, x, &L, &v);
  const int n = static_cast<int>(L.size());
  if (n == 0) return STD_NO_VALUE;
  if (n == 1) return y == L[0] ? v[0] : STD_NO_VALUE;
  if (method != STD_RECIPROCAL) return two_row_value(list, L, v, y, method);
  // Reciprocal: two rows, or a point outside the rows, are evaluated as Linear.
  const bool inc = L[n - 1] > L[0];
  const bool before = inc ? y < L[0] : y > L[0];
  const bool after = inc ? y > L[n - 1] : y < L[n - 1];
  if (list->rows == 2 || n == 2 || ((before || after) && list->extrap_method != STD_EXT_NONE)) {
    list->_used = STD_LINEAR;
    return two_row_value(list, L, v, y, STD_LINEAR);
  }
  if (before || after) {
    SLOG("std_rectangular_interp", SLOG_VALUE5, "extrap_method STD_EXT_NONE, -STD_BIG_FLOAT");
    return STD_NO_VALUE;
  }
  return std_reciprocal(L.data(), v.data(), y, n);
}

double std_impure(STD_LIST* list, double x, double y, int use_midpoints, int extrapolate) {
  (void)x;
  if (!list || list->count < 1) return STD_GAUSS_NO_VALUE;
  // Equivalent to walking the markers in ascending y (equal y in list order) from the top for
  // the neighbours l.y < y <= u.y: u is the first marker of the least y at or above the query,
  // l the last marker of the greatest y below it. Found directly, without reordering the list.
  const STD_MARKER* r = list->records;
  const STD_MARKER *u = nullptr, *l = nullptr, *lowest = nullptr;
  for (int i = 0; i < list->count; ++i) {
    const STD_MARKER& m = r[i];
    if (!lowest || m.y < lowest->y) lowest = &m;
    if (m.y >= y) {
      if (!u || m.y < u->y) u = &m;
    } else if (!l || m.y >= l->y) {
      l = &m;
    }
  }
  if (u && l) {
    if (!use_midpoints) return (u->y - y <= y - l->y) ? u->value : l->value;
    const double mid = (u->y + l->y) / 2.0;
    const double mv = (u->value + l->value) / 2.0;
    if (y <= mid) return (y - l->y < mid - y) ? l->value : mv;
    return (u->y - y <= y - mid) ? u->value : mv;
  }
  if (y == lowest->y) return lowest->value;
  // Extrapolation runs towards a virtual marker of value 0 at y 0 below the lowest marker; a
  // query beyond the highest marker has no such partner and keeps the no-value.
  if (use_midpoints && extrapolate && y < lowest->y) {
    const double t = lowest->y, w = lowest->value;
    const double mid = t / 2.0;
    if (y <= mid) return (y < mid - y) ? 0.0 : w / 2.0;
    return (t - y <= y - mid) ? w : w / 2.0;
  }
  return STD_GAUSS_NO_VALUE;
}

BOOL std_find_value_marker(double value, const STD_LIST* list, double* x, double* y) {
  if (!list) return FALSE;
  for (int i = list->count - 1; i >= 0; --i) {
    if (list->records[i].value == value) {
      if (x) *x = list->records[i].x;
      if (y) *y = list->records[i].y;
      return TRUE;
    }
  }
  return FALSE;
}

double std_lane_length(const IMG_INFO* hdr, const LANE* lane) {
  if (!hdr || !lane || lane->num_center_points < 1 || !lane->center_coords) return 0.0;
  // In double: stored centre points may be any 32-bit values.
  const double rows = static_cast<double>(lane->center_coords[lane->num_center_points - 1].y) -
                      lane->center_coords[0].y;
  return rows * hdr->y_res * std::pow(10.0, hdr->y_scale) / 10.0;
}

void std_rel_pos(const LANE* lane, double y, double* out) {
  if (!out) return;
  *out = STD_NO_VALUE;
  if (!lane || lane->num_center_points < 1 || !lane->center_coords) return;
  const double first = lane->center_coords[0].y;
  const double last = lane->center_coords[lane->num_center_points - 1].y;
  if (last == first) return;
  *out = (y - first) / (last - first);
}

int std_lane_spots_calc(const IMG_INFO* hdr, LANE* lane_head, SPOT* band_head, STD_LIST** sizes,
                        int num_tiers) {
  SLOG("std_lane_spots_calc", SLOG_ENTRY, "num_tiers %d", num_tiers);
  if (!sizes || num_tiers == 0 || !sizes[0] || sizes[0]->count < 2 || !lane_head) return 0;
  STD_LIST* tier0 = sizes[0];
  const int method = tier0->int_method;
  if (method == STD_USER) {
    std_user_calc(lane_head, band_head, sizes, num_tiers);
  } else {
    for (LANE* lane = lane_head->next; lane; lane = lane->next) {
      STD_LIST* tier = tier_list(sizes, num_tiers, lane);
      if (!tier || lane->num_center_points < 1 || !lane->center_coords) continue;
      STD_LIST* work = std_list_create();
      if (!work) continue;
      work->int_method = tier0->int_method;
      work->_used = tier0->_used;
      work->extrap_method = tier0->extrap_method;
      work->precision = tier0->precision;
      work->repeat_length = tier0->repeat_length;
      work->use_repeats = tier0->use_repeats;
      const int rows = std_num_rows(tier);
      const double x0 = lane->center_coords[0].x;
      for (int r = 0; r < rows; ++r) {
        const double v = std_get_row_value(tier, r);
        STD_MARKER m;
        std_marker_clear(&m);
        bool placed = false;
        if (method == STD_MOLE_WGT || method == STD_IEF) {
          // A row takes the position of a marker with its value in any lane of the tier, so
          // that a sample lane is sized from the ladder run beside it.
          placed = std_find_value_marker(v, tier, &m.x, &m.y) && !std_is_no_value(m.y);
        }
        if (!placed) {
          m.y = std_rect_find_loc(tier, x0, v, lane->lane_number);
          if (std_is_no_value(m.y)) continue;
          m.x = ln_center_x(std_round_int(m.y), lane);
        }
        m.value = v;
        m.lane_num = 1;
        m.row_num = r;
        m.flags = STD_M_VALID | STD_M_KEPT;
        m.ix = std_round_int(m.x);
        m.iy = std_round_int(m.y);
        std_list_append(work, &m);
      }
      if (method == STD_MOLE_WGT || method == STD_IEF) {
        mw_lane(hdr, lane, work, band_head, method);
        tier->_used = method;
      } else {
        LaneBands bands(band_head, lane);
        tier->_used = method;
        for (int i = 0; i < bands.n; ++i) {
          SPOT* b = bands.arr[i];
          if (method == STD_ROBUST || method == STD_REGRESSION) {
            // A fit that cannot be made gives the no-value, and so falls back as a negative
            // result does.
            const double val = method == STD_ROBUST
                                   ? std_robust_interpolation(work, b->x, b->y)
                                   : std_regress_interpolation(work, b->x, b->y);
            if (val < 0) {
              work->int_method = STD_RECIPROCAL;
              b->size = std_rectangular_interp(work, b->x, b->y);
              work->int_method = method;
              tier->_used = STD_RECIPROCAL;
            } else {
              b->size = val;
              tier->_used = method;
            }
          } else {
            b->size = std_rectangular_interp(work, b->x, b->y);
            tier->_used = work->_used;
          }
        }
      }
      std_list_free(work);
    }
  }
  // Size-standard flags: a band is a standard when the nearest marker of its tier lies on it.
  for (LANE* lane = lane_head->next; lane; lane = lane->next) {
    STD_LIST* tier = tier_list(sizes, num_tiers, lane);
    if (!tier) continue;
    LaneBands bands(band_head, lane);
    for (int i = 0; i < bands.n; ++i) {
      SPOT* b = bands.arr[i];
      const int k = std_find_nearest(tier, b->x, b->y);
      bool on = false;
      if (k >= 0) {
        const STD_MARKER& m = tier->records[k];
        on = std::floor(m.x + 0.5) == b->x && std::floor(m.y + 0.5) == b->y;
      }
      if (on) {
        b->f2 |= SP_F2_SIZE_STD;
      } else {
        b->f2 &= ~static_cast<uint32_t>(SP_F2_SIZE_STD);
      }
    }
    lane->int_method = tier->_used;
  }
  SLOG("std_lane_spots_calc", SLOG_EXIT, "method %d", method);
  return 0;
}

int std_conc_calc(SPOT* band_head, STD_LIST* conc) {
  if (!band_head || !conc) return 0;
  for (SPOT* b = band_head->next; b; b = b->next) {
    if (b->amount < 0.0005) {
      b->std_value = 0.0;
    } else if (conc->int_method == STD_USER) {
      b->std_value = std_user_interp(conc, b->x, b->y, b->amount);
    } else {
      b->std_value = std_rectangular_interp(conc, b->x, b->amount);
    }
  }
  return 0;
}
