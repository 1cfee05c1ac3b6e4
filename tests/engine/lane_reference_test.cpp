// The row statistics, feature detection, baseline points, band baselines and the bound pick
// against their plain forms, kept here as references: the faster forms must give the same results,
// value for value and node for node, also under settings the whole-chain fixture never takes
// (thickness ramps, thresholds, valley clean-up, splitting, steep and gentle angles, rows out of
// order). The profiles are the real ladder gel's lanes when the gel can be read here, and synthetic
// gel-like profiles always.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_features.h"
#include "engine/lane_kernels.h"
#include "engine/lane_profile.h"
#include "engine/lane_stats.h"
#include "engine/mj_bounds.h"
#include "ladder_gel.h"
#include "lane_fixture.h"

using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;

// The routines in their plain forms: lists walked from their heads, fresh nodes and arrays for
// every call, the whole crossing table scanned.
namespace ref {

int list_count(const LN_FEAT* head) {
  int n = 0;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next) ++n;
  return n;
}

// Value of the profile at index i, 0 outside it.
int prof_at(const LANE* lane, int i) {
  if (!lane->data_values || i < 0 || i >= lane->num_data_values) return 0;
  return lane->data_values[i];
}

// Adds a new node; 1 added, 0 position already present, -1 out of memory. With a hint (a node
// of the list, or NULL) the search starts there when the hint lies before the position, so that
// features added in ascending order cost no walk over the list; the hint moves to the new node.
int add_feat(LN_FEAT* head, int pos, int value, int fw, const char* label,
             LN_FEAT** hint = nullptr) {
  LN_FEAT* node = ln_make_feat_node();
  if (!node) return -1;
  node->feat.x = value;
  node->feat.y = pos;
  node->band_fw = fw;
  LN_FEAT* from = (hint && *hint && (*hint)->feat.y < pos) ? *hint : head;
  if (!ln_add(from, node, label)) {
    ks_free(node);
    return 0;
  }
  if (hint) *hint = node;
  return 1;
}

// Walks a list forward in ascending queries: after advance(pos), at() is the last node with a
// position below pos (the head when none) and at()->next the first at or after it.
class Cursor {
 public:
  explicit Cursor(LN_FEAT* head) : head_(head), at_(head) {}
  void advance(int pos) {
    if (at_ != head_ && at_->feat.y >= pos) {
      at_ = head_;
      pred_ = nullptr;
    }
    while (at_->next && at_->next->feat.y < pos) {
      pred_ = at_;
      at_ = at_->next;
    }
  }
  LN_FEAT* before() const { return at_ == head_ ? nullptr : at_; }
  LN_FEAT* from() const { return at_->next; }
  // Deletes the node at pos, keeping the cursor on a node of the list. The search starts at the
  // cursor when the node lies after it, or at the node before the cursor when the node is the
  // cursor's own.
  void erase(int pos, const char* /*label*/) {
    LN_FEAT* prev = nullptr;
    LN_FEAT* node = nullptr;
    LN_FEAT* start = head_;
    if (at_ != head_ && at_->feat.y < pos)
      start = at_;
    else if (at_ != head_ && at_->feat.y == pos && pred_)
      start = pred_;
    if (!ln_find(start, pos, &prev, &node)) return;
    if (at_ == node) {
      at_ = prev;
      pred_ = nullptr;  // not known: the next erase of the cursor's node searches from the head
    }
    prev->next = node->next;
    ks_free(node);
  }

 private:
  LN_FEAT* head_;
  LN_FEAT* at_;
  LN_FEAT* pred_ = nullptr;  // the node before at_, when known
};

void del_feat(LN_FEAT* head, int pos, const char* label) {
  if (LN_FEAT* node = ln_del(head, pos, label)) ks_free(node);
}

// Empties a feature list, making its head when the lane has none. False when out of memory.
bool reset_list(LN_FEAT*& head, const char* what) {
  if (!head) {
    head = ln_make_feat_node();
    if (!head) {
      ks_dbg_null_ptr("ln_detect_features", what);
      return false;
    }
  }
  ln_free_feat_list(head);
  return true;
}

bool reset_detection_lists(LANE* lane) {
  return reset_list(lane->peak, "peak") && reset_list(lane->valley, "valley") &&
         reset_list(lane->infl_pt, "infl_pt");
}

// Last node with position < pos, or NULL.
LN_FEAT* last_before(LN_FEAT* head, int pos) {
  LN_FEAT* found = nullptr;
  for (LN_FEAT* p = head ? head->next : nullptr; p && p->feat.y < pos; p = p->next) found = p;
  return found;
}

// First node with position >= pos, or NULL.
LN_FEAT* first_from(LN_FEAT* head, int pos) {
  for (LN_FEAT* p = head ? head->next : nullptr; p; p = p->next)
    if (p->feat.y >= pos) return p;
  return nullptr;
}

// Moves a node of a list to a new position (dropped when that position is taken).
void move_feat(LANE* lane, LN_FEAT* head, int from, int to, const char* label) {
  LN_FEAT* node = ln_del(head, from, label);
  if (!node) return;
  node->feat.y = to;
  node->feat.x = prof_at(lane, to);
  if (!ln_add(head, node, label)) ks_free(node);
}

constexpr double kThicknessRamp[10] = {0.0, 0.03, 0.06, 0.10, 0.17, 0.24, 0.38, 0.52, 0.74, 1.0};

void detect_features(LANE* lane, int clean_valleys, int split) {
  if (!lane) return;
  int lo = std::min(lane->band_threshold, lane->band_threshold2);
  const int hi = std::max(lane->band_threshold, lane->band_threshold2);
  if (lo < 0) lo = 0;
  if (!reset_detection_lists(lane)) return;

  const int n = lane->num_data_values;
  const int* v = lane->data_values;
  if (!v || n <= 0) return;

  // Segments down the lane, each with its own expected band thickness.
  const int t = lane->min_top_band_thick;
  int b = lane->min_bot_band_thick;
  if (b < 1) b = t;
  int d = std::abs(b - t);
  int segs = d == 0 ? 1 : 10;
  const int kidx = std::clamp(std::max(t, b), 0, 8);
  const int P = kLnKernelWidths[kidx] + 3;
  if (n < (segs == 1 ? 2 : 11) * P) {
    segs = 1;
    b = t;
    d = 0;
  }
  const double step = static_cast<double>(n - P) / segs;
  const int seg_len = static_cast<int>(step + P + 0.5);

  std::vector<int> start(segs), len(segs), rthick(segs);
  std::vector<double> thick(segs);
  std::vector<std::vector<int>> out(segs);
  for (int s = 0; s < segs; ++s) {
    start[s] = static_cast<int>(s * step + 0.5);
    if (start[s] < 0) start[s] = 0;
    len[s] = std::max(0, std::min(seg_len, n - start[s]));
    thick[s] = t > b ? t - kThicknessRamp[s] * d : t + kThicknessRamp[s] * d;
    rthick[s] = static_cast<int>(thick[s] + 0.5);
    out[s].assign(std::max(len[s], 1), 0);
    if (mt_2df(rthick[s], len[s], v + start[s], out[s].data()) != 0) {
      return;
    }
  }

  // Second derivative of every index from the segment that holds it. A profile no longer than
  // the kernel plus 3 has no step: all of it is segment 0.
  std::vector<int> D(n), seg_of(n);
  for (int j = 0; j < n; ++j) {
    int s = 0;
    if (step > 0) s = static_cast<int>((j - P / 2) / step);
    s = std::clamp(s, 0, segs - 1);
    seg_of[j] = s;
    const int k = j - start[s];
    D[j] = (k >= 0 && k < len[s]) ? out[s][k] : 0;
  }

  // Runs of equal sign: valleys with their inflection points, and peaks.
  LN_FEAT *infl_tail = nullptr, *valley_tail = nullptr, *peak_tail = nullptr;
  for (int j = 0; j < n;) {
    const bool up = D[j] >= 1;
    int r = j;
    while (r + 1 < n && (D[r + 1] >= 1) == up) ++r;
    int m = j;
    for (int i = j + 1; i <= r; ++i) {
      if (up ? v[i] > v[m] : v[i] < v[m]) m = i;
    }
    int e = m + 1;
    while (e < n && v[e] == v[m] && (D[e] >= 1) == up) ++e;
    const int pos = (e + m - 1) / 2;
    if (!up) {
      if (add_feat(lane->infl_pt, j, v[j], 0, "Infl Pt Valley", &infl_tail) < 0) return;
      if (add_feat(lane->valley, pos, v[pos], 0, "Valley", &valley_tail) < 0) return;
      if (r > j && add_feat(lane->infl_pt, r, v[r], 0, "Infl Pt Valley", &infl_tail) < 0) return;
    } else {
      if (add_feat(lane->peak, pos, v[pos], rthick[seg_of[pos]], "Peak", &peak_tail) < 0) return;
    }
    j = r + 1;
  }

  // Between two valleys only the highest peak stays (the first of equals). A peak on the closing
  // valley belongs to the stretch before it.
  {
    int best_stretch = -1;
    LN_FEAT* best = nullptr;
    LN_FEAT* best_pred = nullptr;  // the node before best
    LN_FEAT* pred = lane->peak;    // the node before p
    int stretch = 0;
    LN_FEAT* q = lane->valley->next;
    // Unlinks and frees the node after `before`.
    auto drop = [](LN_FEAT* before) {
      LN_FEAT* node = before->next;
      before->next = node->next;
      ks_free(node);
    };
    for (LN_FEAT* p = lane->peak->next; p;) {
      LN_FEAT* next = p->next;
      for (; q && q->feat.y < p->feat.y; q = q->next) ++stretch;
      if (stretch == best_stretch && best) {
        if (prof_at(lane, p->feat.y) > prof_at(lane, best->feat.y)) {
          if (pred == best) pred = best_pred;
          drop(best_pred);
          best = p;
          best_pred = pred;
          pred = p;
        } else {
          drop(pred);
        }
      } else {
        best_stretch = stretch;
        best = p;
        best_pred = pred;
        pred = p;
      }
      p = next;
    }
  }

  // Threshold on the rise of each peak above its two valleys.
  Cursor vcur(lane->valley);
  LN_FEAT* ppred = lane->peak;
  for (LN_FEAT* p = lane->peak->next; p;) {
    LN_FEAT* next = p->next;
    const int pos = p->feat.y;
    vcur.advance(pos);
    LN_FEAT* lv = vcur.before();
    LN_FEAT* rv = vcur.from();
    const int lval = lv ? prof_at(lane, lv->feat.y) : v[0];
    const int rval = rv ? prof_at(lane, rv->feat.y) : v[n - 1];
    const int pk = prof_at(lane, pos);
    const int rise_low = pk - std::min(lval, rval);
    const int rise_high = pk - std::max(lval, rval);
    if (!((lo < 1 || rise_high >= lo) && rise_low >= hi)) {
      ppred->next = next;
      ks_free(p);
      if (rise_high < 1 || rise_low > 10) {
        LN_FEAT* higher = rval > lval ? rv : lv;
        if (higher) vcur.erase(higher->feat.y, "Valley");
      }
    } else {
      ppred = p;
    }
    p = next;
  }

  // Width check between the inflection points around each peak.
  Cursor icur(lane->infl_pt);
  LN_FEAT* pred = lane->peak;  // the node before the peak in hand
  for (LN_FEAT* p = lane->peak->next; p;) {
    const int pos = p->feat.y;
    icur.advance(pos);
    LN_FEAT* pi = icur.before();
    LN_FEAT* ni = icur.from();
    const int prev = pi ? pi->feat.y : 0;
    const int next = ni ? std::clamp(ni->feat.y, 0, n - 1) : n - 1;
    const int span = next - prev + 1;
    int resume_after = pos;
    if (!split) {
      // pred->next is the peak in hand: unlink it there rather than search the list for it.
      pred->next = p->next;
      p->next = nullptr;
      if (span < thick[seg_of[std::clamp(pos, 0, n - 1)]]) {
        ks_free(p);
      } else {
        const int to = prev + span / 2;
        p->feat.y = to;
        p->feat.x = prof_at(lane, to);
        // Put back in order, searching from the node before it when that lies before `to`.
        LN_FEAT* from = pred->feat.y < to ? pred : lane->peak;
        if (!ln_add(from, p, "Peak")) ks_free(p);
        resume_after = std::max(pos, to);
      }
    } else if (thick[seg_of[next]] * 2.5 + 0.5 <= span) {
      const int fw = p->band_fw;
      const int first = prev + span / 3;
      move_feat(lane, lane->peak, pos, first, "Peak");
      const int mid = prev + span / 2;
      if (add_feat(lane->infl_pt, mid, prof_at(lane, mid), 0, "Infl Pt Valley") < 0) return;
      if (add_feat(lane->valley, mid, prof_at(lane, mid), 0, "Valley") < 0) return;
      const int second = first + span / 3;
      if (add_feat(lane->peak, second, prof_at(lane, second), fw, "Peak") < 0) return;
      resume_after = std::max(pos, second);
    }
    // The peaks before the one in hand are untouched: go on from its predecessor.
    while (pred->next && pred->next->feat.y <= resume_after) pred = pred->next;
    p = pred->next;
  }

  // Valley clean-up: keep only the valleys next to a peak.
  if (clean_valleys) {
    if (!lane->peak->next) {
      ln_free_feat_list(lane->valley);
    } else {
      std::vector<int> keep;
      std::vector<int> peaks;
      for (LN_FEAT* p = lane->peak->next; p; p = p->next) peaks.push_back(p->feat.y);
      std::vector<int> valleys;
      for (LN_FEAT* q = lane->valley->next; q; q = q->next) valleys.push_back(q->feat.y);
      // Stretch k holds the valleys after peak k - 1 up to peak k (stretch 0: up to the first
      // peak, the last stretch: after the last peak).
      const size_t np = peaks.size();
      std::vector<std::vector<int>> stretch(np + 1);
      size_t k = 0;
      for (int vy : valleys) {
        while (k < np && vy > peaks[k]) ++k;
        stretch[k].push_back(vy);
      }
      for (size_t s = 0; s <= np; ++s) {
        if (stretch[s].empty()) continue;
        if (s == 0) {
          keep.push_back(stretch[s].back());
        } else if (s == np) {
          keep.push_back(stretch[s].front());
        } else {
          keep.push_back(stretch[s].front());
          keep.push_back(stretch[s].back());
        }
      }
      for (int vy : valleys) {
        if (std::find(keep.begin(), keep.end(), vy) == keep.end())
          del_feat(lane->valley, vy, "Valley");
      }
    }
  }

  if (add_feat(lane->valley, 0, v[0], 0, "Valley") < 0) return;
  if (add_feat(lane->valley, n - 1, v[n - 1], 0, "Valley") < 0) return;
}

void count_base_points(LANE* lane) {
  lane->num_base_ptrs = list_count(lane->baseline);
}

void bslop(LANE* lane, LN_FEAT* points) {
  if (!lane) return;
  if (!lane->baseline) {
    lane->baseline = ln_make_feat_node();
    if (!lane->baseline) {
      ks_dbg_null_ptr("ln_bslop", "in_lane->baseline");
      return;
    }
  }
  ln_free_feat_list(lane->baseline);
  lane->num_base_ptrs = 0;
  const double tangent = std::tan(lane->max_angle * M_PI / 180.0);

  struct Cand {
    int pos, value;
  };
  std::vector<Cand> cand;
  for (LN_FEAT* p = points ? points->next : nullptr; p; p = p->next)
    cand.push_back({p->feat.y, prof_at(lane, p->feat.y)});
  if (cand.empty()) return;
  std::stable_sort(cand.begin(), cand.end(),
                   [](const Cand& a, const Cand& b) { return a.value < b.value; });

  auto slope = [](const LN_FEAT* q, const Cand& c) {
    if (!q || q->feat.y == c.pos) return 0.0;
    return std::abs(static_cast<double>(c.value - q->feat.x) / (c.pos - q->feat.y));
  };
  if (add_feat(lane->baseline, cand[0].pos, cand[0].value, 0, "Baseline") < 0) return;
  for (size_t k = 1; k < cand.size(); ++k) {
    const Cand& c = cand[k];
    LN_FEAT* before = last_before(lane->baseline, c.pos);
    LN_FEAT* after = first_from(lane->baseline, c.pos);
    if (slope(before, c) < tangent && slope(after, c) < tangent) {
      if (add_feat(lane->baseline, c.pos, c.value, 0, "Baseline") < 0) break;
    }
  }
  count_base_points(lane);
}

int badj(LANE* lane, LN_FEAT** out_list) {
  if (out_list) *out_list = nullptr;
  if (!lane || !lane->baseline || !lane->baseline->next) return 0;
  const int n = lane->num_data_values;
  const int* v = lane->data_values;
  int added_any = 0;
  if (v && n > 0) {
    for (;;) {
      ln_calc_baseline(lane);
      const int* base = lane->baseline_values;
      if (!base) break;
      std::vector<int> bounds = {0};
      for (LN_FEAT* p = lane->baseline->next; p; p = p->next) bounds.push_back(p->feat.y);
      bounds.push_back(n - 1);
      int added = 0;
      for (size_t k = 0; k + 1 < bounds.size(); ++k) {
        const int a = std::max(0, bounds[k]);
        const int z = std::min(n - 1, bounds[k + 1]);
        int best = -1;
        int depth = 0;
        for (int i = a; i < z; ++i) {
          if (v[i] < base[i] && base[i] - v[i] > depth) {
            depth = base[i] - v[i];
            best = i;
          }
        }
        if (best >= 0) {
          const int r = add_feat(lane->baseline, best, v[best], 0, "Baseline");
          if (r < 0) return added_any;
          added += r;
        }
      }
      if (!added) break;
      added_any = 1;
    }
  }
  count_base_points(lane);
  if (out_list) {
    LN_FEAT* head = ln_make_feat_node();
    if (!head) {
      ks_dbg_null_ptr("ln_badj", "new_list");
      return added_any;
    }
    for (LN_FEAT* p = lane->baseline->next; p; p = p->next) {
      if (add_feat(head, p->feat.y, p->feat.x, 0, "Valley") < 0) break;
    }
    *out_list = head;
  }
  return added_any;
}

void bcorr(LANE* lane) {
  if (!lane) return;
  bslop(lane, lane->valley);
  LN_FEAT* adjusted = nullptr;
  if (badj(lane, &adjusted) && adjusted) bslop(lane, adjusted);
  ln_free_feat_list_all(adjusted);
  if (lane->baseline_values && lane->data_values) {
    for (int i = 0; i < lane->num_data_values; ++i) {
      if (lane->baseline_values[i] > lane->data_values[i])
        lane->baseline_values[i] = lane->data_values[i];
    }
  }
}

bool row_stats(const int* s, int n, LnRowStats* out) {
  if (n <= 0 || !s || !out) return false;
  if (n <= 2) {
    int v = n == 1 ? s[0] : (s[0] + s[1]) / 2;
    *out = {v, v, 0};
    return true;
  }
  int k = 1;
  long long total = 0;
  for (int i = 1; i <= n - 2; ++i) {
    total += s[i];
    if (s[i] > s[k]) k = i;
  }
  const int spike = s[k] - (s[k - 1] + s[k + 1]) / 2;
  int m = ((n - 5) % 2 != 0) ? n - 5 : n - 4;
  if (m < 1) m = 1;
  int h = (m - 1) / 2;
  if (h < 1) h = 1;
  const int w0 = std::max(1, k - h), w1 = std::min(n - 2, k + h);
  long long window_sum = 0;
  for (int i = w0; i <= w1; ++i) window_sum += s[i];
  const long long side_sum = total - window_sum;
  const int side_count = (n - 2) - (w1 >= w0 ? w1 - w0 + 1 : 0);
  const int side =
      side_count ? static_cast<int>(static_cast<double>(side_sum) / side_count + 0.5) : 0;
  const int value = static_cast<int>(static_cast<double>(total) / (n - 2) + 0.5);
  *out = {value, side, spike};
  return true;
}

// The bound pick over the whole crossing table.
int bndp(const int* profile, int count, int s) {
  QT_CROSS_TAB t;
  const int n = qt_cross(profile, count, &t);
  if (n == 0) return -1;
  const int reach = s + 2 * mj_ramp(s);
  int max_pos = INT_MIN, min_neg = INT_MAX;
  int best_contrast = 0, best_area = 0, choice = -1;
  for (int k = 0; k < n && t.pos[k] <= reach; ++k) {
    max_pos = std::max(max_pos, t.max_before[k]);
    min_neg = std::min(min_neg, t.min_after[k]);
    const int contrast = max_pos - min_neg;
    if (contrast > best_contrast && t.area[k] > best_area) {
      best_contrast = contrast;
      best_area = t.area[k];
      choice = k;
    }
  }
  return choice >= 0 && t.area[choice] >= 100 ? t.pos[choice] : 0;
}

}  // namespace ref

namespace {

struct Node {
  int x, y, fw;
  bool operator==(const Node&) const = default;
};

std::vector<Node> nodes(const LN_FEAT* head) {
  std::vector<Node> out;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next)
    out.push_back({p->feat.x, p->feat.y, p->band_fw});
  return out;
}

std::string show(const std::vector<Node>& v) {
  std::string s;
  for (const Node& n : v) s += " " + std::to_string(n.y) + ":" + std::to_string(n.x);
  return s;
}

// Gel-like profiles: Gaussian bands of varied heights and widths on a sloping background with
// noise (plateaus and ties included), long enough for ten thickness segments.
std::vector<std::vector<int>> synthetic_profiles() {
  std::vector<std::vector<int>> out;
  std::mt19937 rng(20261210);
  for (int n : {60, 450, 1800}) {
    std::vector<int> v(n);
    std::uniform_real_distribution<double> centre(0, n), height(20, 900), width(1.5, 9);
    std::vector<std::array<double, 3>> bands(n / 25);
    for (auto& b : bands) b = {centre(rng), height(rng), width(rng)};
    std::uniform_int_distribution<int> noise(-4, 4);
    for (int i = 0; i < n; ++i) {
      double y = 300 - 0.05 * i;
      for (const auto& b : bands)
        y += b[1] * std::exp(-(i - b[0]) * (i - b[0]) / (2 * b[2] * b[2]));
      v[i] = static_cast<int>(y) / 3 * 3 + noise(rng);
    }
    out.push_back(v);
  }
  return out;
}

// The profiles to compare on: the real gel's lanes (when it can be analysed here), each also
// reversed, and the synthetic ones.
std::vector<std::vector<int>> profiles() {
  std::vector<std::vector<int>> out = synthetic_profiles();
  vxtest::LadderGel g;
  if (vxtest::analyse_ladder_gel(&g)) {
    for (const LANE* l : g.lanes) {
      std::vector<int> v(l->data_values, l->data_values + l->num_data_values);
      out.push_back(v);
      std::reverse(v.begin(), v.end());
      out.push_back(v);
    }
  }
  return out;
}

LanePtr lane_of(const std::vector<int>& prof) {
  LanePtr lane(enginetest::profile_lane(prof, 50, 7));
  lane->bckgrnd_type = 1;
  return lane;
}

void set_detection(LANE* l, int top, int bot, int th, int th2) {
  l->min_top_band_thick = top;
  l->min_bot_band_thick = bot;
  l->band_threshold = th;
  l->band_threshold2 = th2;
}

// The statistics of a row from ln_row_stats and, where the values fit, from its 16- and 8-bit
// forms, each against the reference.
void expect_row_stats(const std::vector<int>& s, const std::string& what) {
  const int n = static_cast<int>(s.size());
  LnRowStats want{};
  ASSERT_TRUE(ref::row_stats(s.data(), n, &want));
  auto same = [&](const LnRowStats& got, const char* form) {
    EXPECT_EQ(got.value, want.value) << what << ", " << form;
    EXPECT_EQ(got.side_mean, want.side_mean) << what << ", " << form;
    EXPECT_EQ(got.spike, want.spike) << what << ", " << form;
  };
  LnRowStats got{};
  ASSERT_TRUE(ln_row_stats(s.data(), n, &got));
  same(got, "int");
  const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
  if (*lo >= 0 && *hi <= 65535) {
    std::vector<uint8_t> s16;
    for (int v : s)
      s16.insert(s16.end(), {static_cast<uint8_t>(v & 0xff), static_cast<uint8_t>(v >> 8)});
    ASSERT_TRUE(ln_row_stats_le16(s16.data(), n, &got));
    same(got, "16-bit");
  }
  if (*lo >= 0 && *hi <= 255) {
    const std::vector<uint8_t> s8(s.begin(), s.end());
    ASSERT_TRUE(ln_row_stats_u8(s8.data(), n, &got));
    same(got, "8-bit");
  }
}

TEST(ReferenceForms, RowStatisticsOfRandomAndTiedRows) {
  std::mt19937 rng(7);
  // Narrow value ranges make ties for the brightest sample; wide and negative ones test the
  // sums.
  const struct { int lo, hi; } ranges[] = {{0, 3}, {0, 255}, {0, 65535}, {-40000, 40000}};
  for (const auto& r : ranges) {
    std::uniform_int_distribution<int> value(r.lo, r.hi);
    for (int n = 1; n <= 140; ++n) {
      for (int rep = 0; rep < 20; ++rep) {
        std::vector<int> s(n);
        for (int& x : s) x = value(rng);
        expect_row_stats(s, std::to_string(n) + " samples in " + std::to_string(r.lo) + ".." +
                                std::to_string(r.hi));
        if (HasFailure()) return;
      }
    }
  }
  // A row whose 16-bit sum needs more than 32 bits, the brightest sample late in it.
  std::vector<int> wide(70001, 65000);
  wide[69000] = 65535;
  expect_row_stats(wide, "70001 bright samples");
}

TEST(ReferenceForms, FeaturesUnderEverySetting) {
  const struct {
    int top, bot, th, th2;
  } settings[] = {{5, 5, 3, 0}, {5, 5, 1000, 0}, {2, 9, 3, 0},  {9, 2, 20, 5},
                  {3, 3, 0, 0}, {0, 0, 5, 40},   {8, 16, 3, 0}, {16, 8, 1, 2}};
  int compared = 0;
  for (const std::vector<int>& prof : profiles()) {
    // One lane of each kind for all settings in turn, so that each detection starts from the
    // lists the last one left.
    LanePtr want = lane_of(prof), got = lane_of(prof);
    for (const auto& s : settings) {
      for (int clean : {0, 1}) {
        for (int split : {0, 1}) {
          set_detection(want.get(), s.top, s.bot, s.th, s.th2);
          set_detection(got.get(), s.top, s.bot, s.th, s.th2);
          ref::detect_features(want.get(), clean, split);
          ln_detect_features(got.get(), clean, split);
          const std::string what = std::to_string(prof.size()) + " values, thickness " +
                                   std::to_string(s.top) + "/" + std::to_string(s.bot) +
                                   ", thresholds " + std::to_string(s.th) + "/" +
                                   std::to_string(s.th2) + ", clean " + std::to_string(clean) +
                                   ", split " + std::to_string(split);
          ASSERT_EQ(nodes(got->peak), nodes(want->peak)) << what << show(nodes(got->peak));
          ASSERT_EQ(nodes(got->valley), nodes(want->valley)) << what;
          ASSERT_EQ(nodes(got->infl_pt), nodes(want->infl_pt)) << what;
          ++compared;
        }
      }
    }
  }
  EXPECT_GE(compared, 3 * 32);
}

TEST(ReferenceForms, BaselinesAndTheirWalk) {
  for (const std::vector<int>& prof : profiles()) {
    LanePtr want = lane_of(prof), got = lane_of(prof);
    for (int angle : {30, 3, 85}) {
      for (int th : {3, 40}) {
        for (LANE* l : {want.get(), got.get()}) {
          set_detection(l, 5, 5, th, 0);
          l->max_angle = angle;
        }
        ref::detect_features(want.get(), 0, 0);
        ln_detect_features(got.get(), 0, 0);
        ref::bcorr(want.get());
        ln_bcorr(got.get());
        const std::string what = std::to_string(prof.size()) + " values, angle " +
                                 std::to_string(angle) + ", threshold " + std::to_string(th);
        ASSERT_EQ(nodes(got->baseline), nodes(want->baseline)) << what;
        ASSERT_EQ(got->num_base_ptrs, want->num_base_ptrs) << what;
        const int n = got->num_data_values;
        ASSERT_TRUE(
            std::equal(got->baseline_values, got->baseline_values + n, want->baseline_values))
            << what;

        // The adjustment alone, from the points as they stand, with the list it hands back.
        LN_FEAT *want_list = nullptr, *got_list = nullptr;
        EXPECT_EQ(ln_badj(got.get(), &got_list), ref::badj(want.get(), &want_list)) << what;
        EXPECT_EQ(nodes(got_list), nodes(want_list)) << what;
        ln_free_feat_list_all(got_list);
        ln_free_feat_list_all(want_list);
        ASSERT_EQ(nodes(got->baseline), nodes(want->baseline)) << what;

        // The baseline row by row, ascending from above the lane to below it with uneven steps,
        // then from a row back up: the walk gives what each lookup gives.
        LnBaselineWalk walk(got.get());
        const int y0 = got->center_coords[0].y;
        for (int y = y0 - 3, step = 1; y <= y0 + n + 3; y += step, step = step % 7 + 1)
          ASSERT_EQ(walk.at(y), ln_baseline_at(y, got.get())) << what << ", row " << y;
        for (int y : {y0 + n / 2, y0 + n / 2, y0 + 1, y0 + n - 1, y0 - 50})
          ASSERT_EQ(walk.at(y), ln_baseline_at(y, got.get())) << what << ", row " << y;
      }
    }
  }
}

TEST(ReferenceForms, BoundPickStopsAfterTheReach) {
  // Second-derivative-like profiles: runs of either sign of random lengths and heights, so that
  // crossings fall before, at and after each reach, with leading non-positive runs and without.
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> run(1, 12), height(0, 90), lead(0, 1);
  for (int rep = 0; rep < 3000; ++rep) {
    std::vector<int> d;
    bool positive = lead(rng) == 1;
    const int n = 1 + rep % 150;
    while (static_cast<int>(d.size()) < n) {
      const int len = run(rng), h = height(rng);
      for (int k = 0; k < len && static_cast<int>(d.size()) < n; ++k)
        d.push_back(positive ? 1 + h : -h);
      positive = !positive;
    }
    for (int s : {0, 2, 5, 11, 30}) {
      int got = 7;
      EXPECT_EQ(mj_bndp(d.data(), 0, n, s, 0, 0, 0, &got), ref::bndp(d.data(), n, s))
          << n << " values, s " << s;
      EXPECT_EQ(got, ref::bndp(d.data(), n, s)) << n << " values, s " << s;
      if (HasFailure()) return;
    }
  }
}

}  // namespace
