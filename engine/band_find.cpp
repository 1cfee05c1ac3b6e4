// Band finding and band splitting.
#include "engine/band_find.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_set>
#include <vector>

#include "base/ks_mem.h"
#include "base/par_lanes.h"
#include "base/slog.h"
#include "engine/lane_features.h"
#include "engine/lane_geometry.h"
#include "engine/lane_profile.h"

namespace {

constexpr uint32_t kClearedBits = SP_F1_INACTIVE_A | SP_F1_INACTIVE_B | SP_F1_TOOL_MARK;

int first_row_of(const LANE* lane) {
  return lane->center_coords && lane->num_center_points > 0 ? lane->center_coords[0].y : 0;
}

// Peak and baseline values of a band at row y of the lane; false when the row lies outside the
// lane's profile. With a walk, the baseline comes from it (rows ascending).
bool band_values(const LANE* lane, int y, int* od, int* base, LnBaselineWalk* walk = nullptr) {
  const int i = y - first_row_of(lane);
  if (!lane->data_values || i < 0 || i >= lane->num_data_values) return false;
  *od = lane->data_values[i];
  *base = walk ? walk->at(y) : ln_baseline_at(y, lane);
  if (*od < *base) *od = *base;
  return true;
}

// Position of the nearest node at or before pos (from_below) or at or after it; -1 for none.
int nearest_bound(const LN_FEAT* head, int pos, bool from_below) {
  int found = -1;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next) {
    if (from_below) {
      if (p->feat.y <= pos) found = p->feat.y;
      else break;
    } else if (p->feat.y >= pos) {
      return p->feat.y;
    }
  }
  return found;
}

}  // namespace

namespace {

// Finds the peaks of the lane's profile that its bands are made from, with the features about
// them. Touches the lane alone.
void detect_peaks(LANE* lane, int analysis_type, const void* sens) {
  if (analysis_type == LN_ANALYSIS_ALT) {
    ln_det2(lane, sens);
  } else {
    ln_detect_features(lane, 1, (lane->f & LN_F_SPLIT_BANDS) ? 1 : 0);
  }
  if (lane->max_detect > 0) ln_sel(lane);
}

// ln_bands from the peaks and features the lane holds.
int make_bands(LANE* lane, int first_row, int last_row, SPOT* band_head, LN_BAND_CB callback,
               int analysis_type) {
  // Profile index p stands for row (first centre row) + p; a given first row only limits which
  // peaks become bands.
  const int y0 = first_row_of(lane);
  const int n = lane->num_data_values;
  const int W = lane->left_width + lane->right_width;
  int made = 0;
  int k = 0;
  const LN_FEAT* infl = lane->infl_pt ? lane->infl_pt->next : nullptr;
  int infl_before = 0;
  // The peaks' baselines in one walk down the baseline points; a callback is handed the lane and
  // might change its points, so with one each baseline is looked up afresh.
  LnBaselineWalk walk(lane);
  for (LN_FEAT* pk = lane->peak ? lane->peak->next : nullptr; pk; pk = pk->next, ++k) {
    const int p = pk->feat.y;
    const int y = p + y0;
    if (p < 0 || p >= n) continue;
    if (first_row >= 0 && (y < first_row || y > last_row)) continue;
    int top, bottom;
    if (analysis_type == LN_ANALYSIS_ALT) {
      // The bounds of each peak are the nearest points around it, whatever their count.
      const int t = nearest_bound(lane->infl_pt, p, true);
      const int b = nearest_bound(lane->valley, p, false);
      top = (t >= 0 ? t : 0) + y0;
      bottom = (b >= 0 ? b : n - 1) + y0;
    } else {
      // The inflection points about the peak: the last before it and the first at or after it.
      // Peaks come in ascending order, so the walk goes on from where the last one stopped.
      while (infl && infl->feat.y < p) {
        infl_before = infl->feat.y;
        infl = infl->next;
      }
      const int t = infl_before;
      const int b = infl ? infl->feat.y : n;
      top = t + y0;
      bottom = b + y0;
    }
    SPOT* band = sp_make_spot();
    if (!band) {
      ks_dbg_null_ptr("ln_bands", "new_spot");
      break;
    }
    band->y = y;
    band->x = ln_center_x(y, lane);
    band->thickness = bottom - top + 1;
    band->lane_width = W;
    band->area = static_cast<double>(band->thickness) * W;
    band->band_fw = static_cast<uint8_t>(pk->band_fw & 0xff);
    int od = 0, base = 0;
    band_values(lane, y, &od, &base, callback ? nullptr : &walk);
    band->od = od;
    band->baseline = base;
    band->f1 &= ~kClearedBits;
    if (callback) callback(band, lane);
    band->number = k + 1;
    sp_add_spot(band, band_head);
    ++made;
  }
  return made;
}

}  // namespace

int ln_bands(LANE* lane, int first_row, int last_row, SPOT* band_head, LN_BAND_CB callback,
             int analysis_type, const void* sens) {
  if (!lane || !band_head) return 0;
  detect_peaks(lane, analysis_type, sens);
  return make_bands(lane, first_row, last_row, band_head, callback, analysis_type);
}

int sp_hgt(SPOT* band_head, int r1, int r2, int min_count, int prev) {
  int hist[256] = {0};
  int count = 0;
  for (SPOT* b = band_head ? band_head->next : nullptr; b; b = b->next) {
    if (b->y < r1 || b->y > r2) continue;
    // Thicknesses outside the 256 counters are not counted.
    if (b->thickness < 0 || b->thickness > 255) continue;
    ++hist[b->thickness];
    ++count;
  }
  if (count == 0) return 0;
  if (count < min_count) return -1;
  const int top = *std::max_element(hist, hist + 256);
  int smaller = -1;
  int last = -1;
  for (int t = 0; t < 256; ++t) {
    if (hist[t] != top) continue;
    if (prev > 0 && t >= prev) {
      if (smaller >= 0 && t > prev) return smaller;
      return t;
    }
    if (prev <= 0) return t;
    smaller = t;
    last = t;
  }
  return last;
}

namespace {

double split_factor(int s) {
  static constexpr double kFactors[10] = {1.4, 1.1, 0.9, 0.85, 0.8, 0.75, 0.7, 0.65, 0.6, 0.55};
  if (s < 1) return 1.4 + (1 - s) * 0.05;
  if (s > 10) return 0.55 - (s - 10) * 0.05;
  return kFactors[s - 1];
}

LANE* lane_holding(int x, int y, LANE** lanes, int n) {
  for (int i = 0; i < n; ++i) {
    if (lanes[i] && ln_xyinlane(x, y, lanes[i])) return lanes[i];
  }
  return nullptr;
}

}  // namespace

int sp_split(SPOT* band_head, int first_row, int last_row, int sens, double slope,
             double intercept, LANE** lanes, int n_lanes) {
  if (!band_head || !lanes) return 0;
  const double f = split_factor(sens);
  // A factor of 0 or less would divide by zero or make every band "thick": no split.
  if (f <= 0.0) return 0;
  int added = 0;
  for (SPOT* band = band_head->next; band; band = band->next) {
    if (band->y < first_row || band->y > last_row) continue;
    const double e = std::max(band->y * slope + intercept, 2.0);
    // A part is at least one row: more parts than rows would make bands of no thickness, all
    // piled on one row.
    const int parts = std::min(static_cast<int>(band->thickness / (e * f)), band->thickness);
    if (parts <= 1) continue;
    const int t = band->thickness / parts;
    const int y = band->y + t / 2 - band->thickness / 2;
    // The lane that holds the moved band gives the values of all parts; without one, or when a
    // part would fall outside its profile or outside the lane (the parts keep the band's x, and a
    // narrow slanted lane moves away from it), the band is left as it is: a part outside its
    // lane would belong to no lane and never be found again.
    LANE* lane = lane_holding(band->x, y, lanes, n_lanes);
    int od = 0, base = 0;
    if (!lane || !band_values(lane, y, &od, &base) ||
        !band_values(lane, y + (parts - 1) * t, &od, &base)) {
      continue;
    }
    bool parts_in_lane = true;
    for (int k = 1; k < parts && parts_in_lane; ++k)
      parts_in_lane = ln_xyinlane(band->x, y + k * t, lane) != 0;
    if (!parts_in_lane) continue;
    band_values(lane, y, &od, &base);
    band->y = y;
    band->thickness = t;
    band->area = static_cast<double>(t) * band->lane_width;
    band->od = od;
    band->baseline = base;
    for (int k = 1; k < parts; ++k) {
      SPOT* nb = sp_make_spot();
      if (!nb) {
        ks_dbg_null_ptr("sp_split", "new_spot");
        return added;
      }
      nb->x = band->x;
      nb->y = y + k * t;
      nb->lane_width = band->lane_width;
      nb->band_fw = band->band_fw;
      nb->right_hw = band->right_hw;
      nb->thickness = t;
      nb->area = static_cast<double>(t) * band->lane_width;
      band_values(lane, nb->y, &nb->od, &nb->baseline);
      nb->f1 &= ~kClearedBits;
      sp_add_spot(nb, band_head);
      ++added;
    }
  }
  return added;
}

namespace {

struct Window {
  int top, bottom, value;
  int mid() const { return top + (bottom - top) / 2; }
};

// The splitting stage of band finding over rows first..last.
int split_bands(LANE** lanes, int n, int first, int last, SPOT* head) {
  if (first < 0 || last < 0) {
    int min_first = 0, max_last = 0;
    bool any = false;
    for (int i = 0; i < n; ++i) {
      const LANE* l = lanes[i];
      if (!l || !l->center_coords || l->num_center_points <= 0) continue;
      const int fy = l->center_coords[0].y;
      const int ly = l->center_coords[l->num_center_points - 1].y;
      min_first = any ? std::min(min_first, fy) : fy;
      max_last = any ? std::max(max_last, ly) : ly;
      any = true;
    }
    if (any) {
      if (first == -1 || first > min_first) first = min_first;
      if (last == -1 || last < max_last) last = max_last;
    }
  }
  if (last - first < 2) return 0;
  const int sens = lanes[0]->min_bot_band_thick;
  const int K = (last - first) / 500 + 1;
  const int S = (last - first) / K;

  // Overlapping windows from the bottom up, each grown upwards until it holds enough bands.
  std::vector<Window> win;
  {
    int top = last - S, bottom = last;
    int set_top = top, set_bottom = bottom;
    while (top >= first) {
      const int v = sp_hgt(head, top, bottom, 30, win.empty() ? 0 : win.back().value);
      if (v <= 0) {
        top -= S / 2;
        continue;
      }
      win.push_back({top, bottom, v});
      set_top -= S / 2;
      set_bottom -= S / 2;
      top = set_top;
      bottom = set_bottom;
    }
  }
  if (win.empty()) return 0;
  const size_t nw = win.size();
  if (nw > 3) {
    const int raised =
        static_cast<int>((win[1].value + win[2].value + win[3].value) / 3.0 * 0.8);
    if (raised > win[0].value) win[0].value = raised;
  }
  for (size_t i = 1; i < nw; ++i) {
    if (win[i - 1].value < 0.8 * win[i].value) win[i].value = win[i - 1].value;
  }

  // Least-squares line of thickness against row.
  double slope = 0.0, intercept = win[0].value;
  if (nw > 1) {
    double mx = 0, my = 0;
    for (const auto& w : win) {
      mx += w.mid();
      my += w.value;
    }
    mx /= nw;
    my /= nw;
    double sxy = 0, sxx = 0;
    for (const auto& w : win) {
      sxy += (w.mid() - mx) * (w.value - my);
      sxx += (w.mid() - mx) * (w.mid() - mx);
    }
    slope = sxx > 0 ? sxy / sxx : 0.0;
    intercept = my - slope * mx;
  }
  if (slope >= 0) return sp_split(head, first, last, sens, slope, intercept, lanes, n);

  // Thickness falling down the gel... taken again in slices without overlap, each slice with its
  // own line through its neighbour below.
  std::vector<Window> sl;
  {
    int bottom = last, top = last - S + 1;
    while (bottom >= first) {
      const int v = sp_hgt(head, top, bottom, 30, sl.empty() ? 0 : sl.back().value);
      if (v > 0) {
        sl.push_back({top, bottom, v});
        bottom = top - 1;
        top = bottom - S + 1;
      } else {
        if (top < first) break;
        top -= S;
      }
    }
  }
  if (sl.empty()) return 0;
  if (sl.size() == 1) return sp_split(head, first, last, sens, slope, intercept, lanes, n);
  for (size_t i = 1; i < sl.size(); ++i) {
    if (sl[i].value > sl[i - 1].value) sl[i].value = sl[i - 1].value;
  }
  int added = 0;
  for (size_t i = 1; i < sl.size(); ++i) {
    const double s =
        static_cast<double>(sl[i].value - sl[i - 1].value) / (sl[i].mid() - sl[i - 1].mid());
    const double c = sl[i].value - s * sl[i].mid();
    const int lo = i + 1 == sl.size() ? first : sl[i].mid();
    const int hi = i == 1 ? last : sl[i - 1].mid();
    added += sp_split(head, lo, hi, sens, s, c, lanes, n);
  }
  return added;
}

// The bounding rectangles of a set of lanes, for listing bands under the lanes that may hold
// them.
class LaneBoxes {
 public:
  LaneBoxes(LANE** lanes, int n) : lanes_(lanes), boxes_(static_cast<size_t>(n)) {
    for (int i = 0; i < n; ++i) boxes_[i] = ln_lane_box(lanes[i]);
  }
  // Appends the band to (*out)[i] for each lane i >= from_lane whose rectangle holds it.
  void list(SPOT* b, int from_lane, std::vector<std::vector<SPOT*>>* out) const {
    for (size_t i = static_cast<size_t>(from_lane); i < boxes_.size(); ++i)
      if (lanes_[i] && boxes_[i].holds(b->x, b->y)) (*out)[i].push_back(b);
  }

 private:
  LANE** lanes_;
  std::vector<LN_BOX> boxes_;
};

}  // namespace

bool ln_bands_by_lane(SPOT* band_head, LANE** lanes, int n,
                      std::vector<std::vector<SPOT*>>* out) {
  if (!out) return false;
  out->clear();
  if (!band_head || !lanes || n <= 0) return true;
  try {
    out->resize(static_cast<size_t>(n));
    const LaneBoxes boxes(lanes, n);
    for (SPOT* b = band_head->next; b; b = b->next) boxes.list(b, 0, out);
    for (int i = 0; i < n; ++i) {
      std::vector<SPOT*>& v = (*out)[i];
      v.erase(std::remove_if(v.begin(), v.end(),
                             [&](const SPOT* b) { return !ln_xyinlane(b->x, b->y, lanes[i]); }),
              v.end());
      std::stable_sort(v.begin(), v.end(), [](const SPOT* a, const SPOT* b) { return a->y < b->y; });
    }
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr("ln_bands_by_lane", "lists");
    out->clear();
    return false;
  }
  return true;
}

int ln_find_bands(LANE** lanes, int n, int first_row, int last_row, SPOT* band_head,
                  LN_BAND_CB callback, int analysis_type, const void* sens, int detect) {
  SLOG("ln_find_bands", SLOG_ENTRY, "detect %d", detect);
  if (!lanes || n <= 0 || !band_head) return 0;
  for (int i = 0; i < n; ++i) {
    if (lanes[i] && !lanes[i]->baseline_values) ln_calc_baseline(lanes[i]);
  }
  int total = 0;
  try {
    // Each band listed under every lane whose bounding rectangle holds it, so that a lane's bands
    // are found without a walk over the whole chain. Bands found in a lane are only marked here;
    // they leave the chain together at the end (later lanes skip the marked ones).
    const LaneBoxes boxes(lanes, n);
    std::vector<std::vector<SPOT*>> in_box(n);
    auto index = [&](SPOT* b, int from_lane) { boxes.list(b, from_lane, &in_box); };
    for (SPOT* b = band_head->next; b; b = b->next) index(b, 0);
    std::unordered_set<const SPOT*> doomed;
    // A lane's peaks depend on its own profile alone: those of all lanes are found first, on
    // several threads, and the bands made from them lane by lane as before. A caller's
    // callback, which might change a later lane, keeps them found one lane at a time.
    const bool ahead = detect && !callback && n > 1 && par_distinct(lanes, n);
    if (ahead) {
      par_lanes(n, [&](int i) {
        if (lanes[i]) detect_peaks(lanes[i], analysis_type, sens);
      });
    }
    for (int i = 0; i < n; ++i) {
      LANE* lane = lanes[i];
      if (!lane) continue;
      int count = 0;
      for (SPOT* b : in_box[i]) {
        if (doomed.count(b) || !ln_xyinlane(b->x, b->y, lane)) continue;
        ++count;
        if (first_row < 0 || (b->y >= first_row && b->y <= last_row)) doomed.insert(b);
      }
      SLOG("ln_find_bands", SLOG_VALUE5, " lane [%2d] %3d existing bands", i, count);
      if (detect) {
        const SPOT* old_first = band_head->next;
        const int made =
            ahead ? make_bands(lane, first_row, last_row, band_head, callback, analysis_type)
                  : ln_bands(lane, first_row, last_row, band_head, callback, analysis_type, sens);
        SLOG("ln_find_bands", SLOG_VALUE5, " %d new bands", made);
        total += made;
        // New bands are linked at the front of the chain; the later lanes may hold them.
        for (SPOT* b = band_head->next; b && b != old_first; b = b->next) index(b, i + 1);
      }
    }
    if (!doomed.empty()) {
      for (SPOT* prev = band_head; prev->next;) {
        if (doomed.count(prev->next))
          sp_del_spot(prev->next, prev);  // unlinks and frees the band after prev
        else
          prev = prev->next;
      }
    }
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr("ln_find_bands", "lane index");
    return -1;
  }
  if (lanes[0] && (lanes[0]->f & LN_F_SPLIT_BANDS)) {
    try {
      total += split_bands(lanes, n, first_row, last_row, band_head);
    } catch (const std::bad_alloc&) {
      ks_dbg_null_ptr("ln_find_bands", "windows");
      total = -1;
    }
  }
  for (int i = 0; i < n; ++i) {
    if (!lanes[i]) continue;
    ln_free_feat_list(lanes[i]->peak);
    ln_free_feat_list(lanes[i]->valley);
    ln_free_feat_list(lanes[i]->infl_pt);
  }
  SLOG("ln_find_bands", SLOG_EXIT, "total_bands %d", total);
  return total;
}
