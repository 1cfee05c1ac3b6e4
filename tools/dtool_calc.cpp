// The densitometry tool's band array and measures, computed on its private lane copy.
#include "tools/dtool_calc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "base/slog.h"
#include "engine/lane_features.h"
#include "engine/lane_geometry.h"
#include "engine/std_interp.h"

namespace {

DtState g_dt;

int clamp_row(int v, int n) { return std::clamp(v, 0, std::max(n - 1, 0)); }

const LN_FEAT* first_node(const LN_FEAT* head) { return head ? head->next : nullptr; }

double lookup(double v) {
  const IMG_INT_INFO* table = g_dt.info ? g_dt.info->lookup : nullptr;
  if (!table) return v;
  return ih_lookup_val(table, static_cast<uint32_t>(std::max(0.0, v)));
}

}  // namespace

DtState& dtool_state() { return g_dt; }

int dtool_n() { return g_dt.lane && g_dt.lane->data_values ? g_dt.lane->num_data_values : 0; }

int dtool_scaled_threshold(int max_value, int min_value, int threshold) {
  double factor = (max_value - min_value) / 100.0;
  if (factor <= 1.0) factor = 1.0;
  return static_cast<int>(std::floor(factor * threshold + 0.5));
}

void dtool_find_peaks(const char* reason) {
  SLOG("re_find_peaks_and_boundaries", SLOG_ENTRY, "%s", reason ? reason : "");
  LANE* lane = g_dt.lane;
  const DT_INFO* info = g_dt.info;
  if (!lane || !info) return;
  lane->min_top_band_thick = info->min_top_band_thick;
  lane->min_bot_band_thick = info->min_bot_band_thick;
  lane->band_threshold = dtool_scaled_threshold(info->max_value, info->min_value, info->band_threshold);
  lane->band_threshold2 = 0;
  lane->max_detect = 0;
  lane->pct_threshold = 20;
  ln_detect_features(lane, 0, static_cast<int>(lane->f & 1u));
  build_band_array(lane);
  g_dt.selected = -1;
}

int dtool_profile_max(int lower, int upper) {
  const int n = dtool_n();
  lower = std::max(lower, 0);
  upper = std::min(upper, n - 1);
  int best = -1;
  for (int i = lower; i <= upper; ++i)
    if (best < 0 || g_dt.lane->data_values[i] > g_dt.lane->data_values[best]) best = i;
  return best;
}

bool build_band_array(LANE* lane) {
  if (!lane) return false;
  const int n = lane->data_values ? lane->num_data_values : 0;
  std::vector<DT_BAND> bands;
  try {
    for (const LN_FEAT* p = first_node(lane->peak); p; p = p->next) bands.push_back(DT_BAND{});
  } catch (const std::bad_alloc&) {
    SLOG("build_band_array", SLOG_ERROR, "pDTBandNew NULL");
    return false;
  }
  // Inflection bounds: the last point at or before the peak, the first after it.
  const LN_FEAT* infl = first_node(lane->infl_pt);
  int last = -1;
  std::size_t k = 0;
  for (const LN_FEAT* p = first_node(lane->peak); p; p = p->next, ++k) {
    DT_BAND& b = bands[k];
    b.peak = p->feat.y;
    while (infl && infl->feat.y <= b.peak) last = infl->feat.y, infl = infl->next;
    b.lo_infl = last;
    b.hi_infl = infl ? infl->feat.y : n - 1;
  }
  // Lowest-point bounds: the last valley at or before the lower inflection bound, the first
  // after the upper one.
  const LN_FEAT* valley = first_node(lane->valley);
  last = -1;
  for (DT_BAND& b : bands) {
    while (valley && valley->feat.y <= b.lo_infl) last = valley->feat.y, valley = valley->next;
    b.lo_lowest = last;
    const LN_FEAT* v = valley;
    while (v && v->feat.y <= b.hi_infl) v = v->next;
    b.hi_lowest = v ? v->feat.y : n - 1;
  }
  // Neighbours without a valley between them share the lower one's bound.
  for (std::size_t i = 0; i + 1 < bands.size(); ++i) {
    bands[i].hi_lowest = std::min(bands[i].hi_lowest, bands[i + 1].lo_lowest);
    bands[i].hi_infl = std::min(bands[i].hi_infl, bands[i].hi_lowest);
  }
  LANE* saved = g_dt.lane;
  g_dt.lane = lane;
  g_dt.bands.swap(bands);
  for (DT_BAND& b : g_dt.bands) {
    const int m = dtool_profile_max(b.lo_infl, b.hi_infl);
    if (m >= 0) b.peak = m;
  }
  g_dt.lane = saved ? saved : lane;
  return true;
}

bool dtool_band_bounds(int i, int* peak, int* lower, int* upper) {
  if (i < 0 || i >= static_cast<int>(g_dt.bands.size())) return false;
  const DT_BAND& b = g_dt.bands[static_cast<std::size_t>(i)];
  const int n = dtool_n();
  // Every bound reads the profile, so all are held to its last row.
  int lo = clamp_row(g_dt.lowest ? b.lo_lowest : b.lo_infl, n);
  int hi = clamp_row(g_dt.lowest ? b.hi_lowest : b.hi_infl, n);
  hi = std::max(hi, lo);
  int pk = std::min(clamp_row(b.peak, n), hi);
  if (peak) *peak = pk;
  if (lower) *lower = lo;
  if (upper) *upper = hi;
  return true;
}

int dtool_nearest_band(int row) {
  const auto& b = g_dt.bands;
  const int count = static_cast<int>(b.size());
  if (count == 0) return -1;
  if (row <= b.front().peak) return 0;
  if (row >= b.back().peak) return count - 1;
  int lo = 0, hi = count - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    if (b[static_cast<std::size_t>(mid)].peak <= row) lo = mid;
    else hi = mid;
  }
  const int dl = row - b[static_cast<std::size_t>(lo)].peak;
  const int dh = b[static_cast<std::size_t>(hi)].peak - row;
  return dl < dh ? lo : hi;
}

void dtool_insert_band(int peak, int lower, int upper) {
  auto& b = g_dt.bands;
  auto at = std::find_if(b.begin(), b.end(), [&](const DT_BAND& e) { return e.peak >= peak; });
  DT_BAND nb{lower, upper, lower, upper, peak, {}};
  at = b.insert(at, nb);
  g_dt.selected = static_cast<int>(at - b.begin());
}

void dtool_delete_band(int index) {
  auto& b = g_dt.bands;
  if (b.empty()) return;
  index = std::clamp(index, 0, static_cast<int>(b.size()) - 1);
  b.erase(b.begin() + index);
  g_dt.selected = -1;
}

void dtool_set_bound(int row, int band, int which) {
  int peak = 0, lower = 0, upper = 0;
  if (!dtool_band_bounds(band, &peak, &lower, &upper)) return;
  const int kept = which == 1 ? upper : lower;
  const int n = dtool_n();
  const int lo = std::max(std::min(row, kept), 0);
  const int hi = std::min(std::max(row, kept), n - 1);
  DT_BAND& b = g_dt.bands[static_cast<std::size_t>(band)];
  b.lo_infl = b.lo_lowest = lo;
  b.hi_infl = b.hi_lowest = hi;
  const int m = dtool_profile_max(lo, hi);
  if (m >= 0) b.peak = m;
}

// Measures ---------------------------------------------------------------------------------------

double dtool_pitch() {
  if (!g_dt.info) return 1.0;
  double p = g_dt.info->y_res;
  for (int s = g_dt.info->y_scale; s > 0; --s) p *= 10.0;
  for (int s = g_dt.info->y_scale; s < 0; ++s) p /= 10.0;
  return p;
}

double dtool_od(int i) {
  const LANE* l = g_dt.lane;
  if (i < 0 || i >= dtool_n()) return 0.0;
  const double base = l->baseline_values ? lookup(l->baseline_values[i]) : 0.0;
  return std::max(0.0, lookup(l->data_values[i]) - base);
}

double dtool_volume(int a, int b) {
  if (a > b || !g_dt.lane) return 0.0;
  double sum = 0.0;
  for (int i = a; i <= b; ++i) sum += dtool_od(i);
  const double p = dtool_pitch();
  const double w = g_dt.lane->left_width + g_dt.lane->right_width;
  return sum * w * p * p;
}

double dtool_lane_volume() { return dtool_volume(0, dtool_n() - 1); }

double dtool_band_volume(int i) {
  int peak = 0, lo = 0, hi = 0;
  if (!dtool_band_bounds(i, &peak, &lo, &hi)) return 0.0;
  return dtool_volume(lo, hi);
}

double dtool_band_sum() {
  double s = 0.0;
  for (int i = 0; i < static_cast<int>(g_dt.bands.size()); ++i) s += dtool_band_volume(i);
  return s;
}

double dtool_pct_lane(int i) {
  const double lane = dtool_lane_volume();
  return lane > 0.0 ? dtool_band_volume(i) * 100.0 / lane : 0.0;
}

double dtool_pct_bands(int i) {
  const double sum = dtool_band_sum();
  return sum > 0.0 ? dtool_band_volume(i) * 100.0 / sum : 0.0;
}

double dtool_peak_od(int i) {
  int peak = 0;
  return dtool_band_bounds(i, &peak, nullptr, nullptr) ? dtool_od(peak) : 0.0;
}

double dtool_rf(int i) {
  int peak = 0;
  const int n = dtool_n();
  return n > 0 && dtool_band_bounds(i, &peak, nullptr, nullptr) ? static_cast<double>(peak) / n : 0.0;
}

double dtool_width(int i) {
  int lo = 0, hi = 0;
  const int n = dtool_n();
  return n > 0 && dtool_band_bounds(i, nullptr, &lo, &hi) ? static_cast<double>(hi - lo) / n : 0.0;
}

double dtool_position(int i) {
  int peak = 0;
  if (!dtool_band_bounds(i, &peak, nullptr, nullptr)) return 0.0;
  return peak >= 0 ? peak * dtool_pitch() : 0.0;
}

bool dtool_sizes_usable() {
  const DT_INFO* info = g_dt.info;
  const STD_LIST* list = info && info->size_stds ? info->size_stds[0] : nullptr;
  return list && list->int_method != 2 && list->count >= 1 && g_dt.lane &&
         g_dt.lane->center_coords && g_dt.lane->num_center_points > 0;
}

double dtool_size_at_row(int row) {
  if (!dtool_sizes_usable()) return -1.0;
  const int y = g_dt.lane->center_coords[0].y + row;
  const int x = ln_center_x(y, g_dt.lane);
  return std_rectangular_interp(g_dt.info->size_stds[0], x, y);
}

double dtool_size(int i) {
  int peak = 0;
  if (!dtool_band_bounds(i, &peak, nullptr, nullptr)) return -1.0;
  return dtool_size_at_row(peak);
}

double dtool_readout_x(double x) {
  if (dtool_sizes_usable()) {
    const double s = dtool_size_at_row(static_cast<int>(std::floor(x + 0.5)));
    return s > 0.0 ? s : 0.0;
  }
  const int n = dtool_n();
  return n > 1 ? x / (n - 1) : 0.0;
}

double dtool_readout_y(double y) { return lookup(std::floor(y + 0.5)); }
