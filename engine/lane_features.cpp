// Feature lists of lane profiles and the standard detector.
#include "engine/lane_features.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <cstdlib>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/lane_kernels.h"
#include "engine/lane_profile.h"

// ---------------------------------------------------------------------------------------------
// Feature lists

int ln_find(LN_FEAT* head, int pos, LN_FEAT** prev, LN_FEAT** node) {
  LN_FEAT* p = head;
  if (node) *node = nullptr;
  if (!head) {
    if (prev) *prev = nullptr;
    return 0;
  }
  while (p->next && p->next->feat.y < pos) p = p->next;
  if (prev) *prev = p;
  if (p->next && p->next->feat.y == pos) {
    if (node) *node = p->next;
    return 1;
  }
  return 0;
}

int ln_add(LN_FEAT* head, LN_FEAT* node, const char* label) {
  if (!head || !node) return 0;
  LN_FEAT* prev = nullptr;
  if (ln_find(head, node->feat.y, &prev, nullptr)) {
    SLOG("ln_add", SLOG_VALUE5, "%s at %d already present", label ? label : "", node->feat.y);
    return 0;
  }
  node->next = prev->next;
  prev->next = node;
  return 1;
}

LN_FEAT* ln_del(LN_FEAT* head, int pos, const char* label) {
  LN_FEAT* prev = nullptr;
  LN_FEAT* node = nullptr;
  if (!ln_find(head, pos, &prev, &node)) return nullptr;
  prev->next = node->next;
  node->next = nullptr;
  SLOG("ln_del", SLOG_VALUE5, "%s at %d removed", label ? label : "", pos);
  return node;
}

void ln_free_feat_list_all(LN_FEAT* head) {
  if (!head) return;
  ln_free_feat_list(head);
  ks_free(head);
}

static int list_count(const LN_FEAT* head) {
  int n = 0;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next) ++n;
  return n;
}

void ln_slog_features(const LANE* lane, const char* text) {
  if (!lane) return;
  SLOG("ln_slog_features", SLOG_VALUE5, "<%s>", text ? text : "");
  SLOG("ln_slog_features", SLOG_VALUE5, "peak_count %d, valley_count %d", list_count(lane->peak),
       list_count(lane->valley));
}

namespace {

// Value of the profile at index i, 0 outside it.
int prof_at(const LANE* lane, int i) {
  if (!lane->data_values || i < 0 || i >= lane->num_data_values) return 0;
  return lane->data_values[i];
}

// The nodes of lists being rebuilt, handed out again for the new nodes instead of all being
// freed and as many allocated anew; the pool frees those left over when it goes. A list taken
// whole is kept as it stands and its nodes are handed out from its front, so that taking it
// costs no walk over it.
class NodePool {
 public:
  NodePool() = default;
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;
  ~NodePool() {
    for (LN_FEAT* p : chains_) {
      while (p) {
        LN_FEAT* next = p->next;
        ks_free(p);
        p = next;
      }
    }
  }
  // Takes every node of the list, leaving it empty.
  void take_all(LN_FEAT* head) {
    LN_FEAT* first = head->next;
    head->next = nullptr;
    if (!first) return;
    for (LN_FEAT*& c : chains_) {
      if (!c) {
        c = first;
        return;
      }
    }
    // No free slot (not met with the lists of one lane): the nodes join one by one.
    while (first) {
      LN_FEAT* next = first->next;
      put(first);
      first = next;
    }
  }
  void put(LN_FEAT* node) {
    node->next = chains_[0];
    chains_[0] = node;
  }
  // A node as ln_make_feat_node makes it; NULL when memory runs out.
  LN_FEAT* get() {
    for (LN_FEAT*& c : chains_) {
      if (!c) continue;
      LN_FEAT* node = c;
      c = node->next;
      node->feat.x = -1;
      node->feat.y = -1;
      node->band_fw = 0;
      node->next = nullptr;
      return node;
    }
    return ln_make_feat_node();
  }

 private:
  LN_FEAT* chains_[4] = {};
};

// Adds a new node; 1 added, 0 position already present, -1 out of memory. With a hint (a node
// of the list, or NULL) the search starts there when the hint lies before the position, so that
// features added in ascending order cost no walk over the list; the hint moves to the new node.
// With a pool the node comes from it (and goes back to it when the position is taken).
int add_feat(LN_FEAT* head, int pos, int value, int fw, const char* label, LN_FEAT** hint = nullptr,
             NodePool* pool = nullptr) {
  LN_FEAT* node = pool ? pool->get() : ln_make_feat_node();
  if (!node) return -1;
  node->feat.x = value;
  node->feat.y = pos;
  node->band_fw = fw;
  LN_FEAT* from = (hint && *hint && (*hint)->feat.y < pos) ? *hint : head;
  if (!ln_add(from, node, label)) {
    if (pool)
      pool->put(node);
    else
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
  void erase(int pos, const char* label) {
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
    SLOG("ln_del", SLOG_VALUE5, "%s at %d removed", label, pos);
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
// With a pool, the list's nodes go to it instead of being freed.
bool reset_list(LN_FEAT*& head, const char* what, NodePool* pool) {
  if (!head) {
    head = ln_make_feat_node();
    if (!head) {
      ks_dbg_null_ptr("ln_detect_features", what);
      return false;
    }
  }
  if (pool)
    pool->take_all(head);
  else
    ln_free_feat_list(head);
  return true;
}

bool reset_detection_lists(LANE* lane, NodePool* pool = nullptr) {
  return reset_list(lane->peak, "peak", pool) && reset_list(lane->valley, "valley", pool) &&
         reset_list(lane->infl_pt, "infl_pt", pool);
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

// The segments down a lane, each with its own expected band thickness, and the second
// derivative of every index from the segment that holds it.
struct Segments {
  static constexpr int kMax = 10;
  int count = 1;
  int P = 0;          // the kernel's width plus 3
  double step = 0;    // the distance between segment starts
  int start[kMax], len[kMax], rthick[kMax], out_at[kMax];
  double thick[kMax];
  const int* seg_of = nullptr;  // each index's segment, when there are several
  int at(int j) const { return count == 1 ? 0 : seg_of[j]; }
};

// Work arrays kept by each thread from one call to the next, so that a run over many lanes
// allocates them once.
struct DetectWork {
  std::vector<int> out, D, seg_of;
};
thread_local DetectWork t_detect_work;

// Splits a profile of n values into segments: one when the top and bottom thicknesses are the
// same or the profile is too short for ten, else ten whose thicknesses follow the ramp from the
// top's to the bottom's.
Segments plan_segments(const LANE* lane, int n) {
  Segments sg;
  const int t = lane->min_top_band_thick;
  int b = lane->min_bot_band_thick;
  if (b < 1) b = t;
  int d = std::abs(b - t);
  sg.count = d == 0 ? 1 : Segments::kMax;
  const int kidx = std::clamp(std::max(t, b), 0, 8);
  sg.P = kLnKernelWidths[kidx] + 3;
  if (n < (sg.count == 1 ? 2 : 11) * sg.P) {
    sg.count = 1;
    b = t;
    d = 0;
  }
  sg.step = static_cast<double>(n - sg.P) / sg.count;
  const int seg_len = static_cast<int>(sg.step + sg.P + 0.5);
  size_t out_size = 0;
  for (int s = 0; s < sg.count; ++s) {
    sg.start[s] = static_cast<int>(s * sg.step + 0.5);
    if (sg.start[s] < 0) sg.start[s] = 0;
    sg.len[s] = std::max(0, std::min(seg_len, n - sg.start[s]));
    sg.thick[s] = t > b ? t - kThicknessRamp[s] * d : t + kThicknessRamp[s] * d;
    sg.rthick[s] = static_cast<int>(sg.thick[s] + 0.5);
    sg.out_at[s] = static_cast<int>(out_size);
    out_size += static_cast<size_t>(std::max(sg.len[s], 1));
  }
  return sg;
}

// Filters each segment with its thickness's kernel and puts every index's second derivative into
// w.D (and its segment into w.seg_of). False when a segment is too short for its kernel.
bool second_derivatives(Segments& sg, const int* v, int n, DetectWork& w) {
  const int last = sg.count - 1;
  const size_t out_size = static_cast<size_t>(sg.out_at[last]) + std::max(sg.len[last], 1);
  // The filter writes every value of a segment it accepts: no need to clear the array first.
  if (w.out.size() < out_size) w.out.resize(out_size);
  for (int s = 0; s < sg.count; ++s) {
    if (mt_2df(sg.rthick[s], sg.len[s], v + sg.start[s], w.out.data() + sg.out_at[s]) != 0) {
      SLOG("ln_detect_features", SLOG_WARN, "segment %d of %d values too short", s, sg.len[s]);
      return false;
    }
  }
  // A profile no longer than the kernel plus 3 has no step: all of it is segment 0, as is every
  // index when there is one segment (which starts at index 0).
  if (w.D.size() < static_cast<size_t>(n)) w.D.resize(n);
  if (sg.count == 1) {
    for (int j = 0; j < n; ++j) w.D[j] = j < sg.len[0] ? w.out[j] : 0;
    return true;
  }
  if (w.seg_of.size() < static_cast<size_t>(n)) w.seg_of.resize(n);
  for (int j = 0; j < n; ++j) {
    int s = 0;
    if (sg.step > 0) s = static_cast<int>((j - sg.P / 2) / sg.step);
    s = std::clamp(s, 0, sg.count - 1);
    w.seg_of[j] = s;
    const int k = j - sg.start[s];
    w.D[j] = (k >= 0 && k < sg.len[s]) ? w.out[sg.out_at[s] + k] : 0;
  }
  sg.seg_of = w.seg_of.data();
  return true;
}

// Lists the runs of equal sign of the second derivative: a falling run gives a valley at its
// lowest value with an inflection point at each end, a rising run a peak at its highest. False
// when memory runs out.
bool list_runs(LANE* lane, const int* v, const int* D, int n, const Segments& sg, NodePool& pool) {
  LN_FEAT *infl_tail = nullptr, *valley_tail = nullptr, *peak_tail = nullptr;
  for (int j = 0; j < n;) {
    const bool up = D[j] >= 1;
    int r = j;
    while (r + 1 < n && (D[r + 1] >= 1) == up) ++r;
    // The first highest (lowest) value of the run, its value kept beside its index so that
    // each step compares with a register rather than loading the value back through the index.
    int m = j;
    int vm = v[j];
    if (up) {
      for (int i = j + 1; i <= r; ++i) {
        if (v[i] > vm) {
          m = i;
          vm = v[i];
        }
      }
    } else {
      for (int i = j + 1; i <= r; ++i) {
        if (v[i] < vm) {
          m = i;
          vm = v[i];
        }
      }
    }
    int e = m + 1;
    while (e < n && v[e] == v[m] && (D[e] >= 1) == up) ++e;
    const int pos = (e + m - 1) / 2;
    if (!up) {
      if (add_feat(lane->infl_pt, j, v[j], 0, "Infl Pt Valley", &infl_tail, &pool) < 0) return false;
      if (add_feat(lane->valley, pos, v[pos], 0, "Valley", &valley_tail, &pool) < 0) return false;
      if (r > j && add_feat(lane->infl_pt, r, v[r], 0, "Infl Pt Valley", &infl_tail, &pool) < 0)
        return false;
    } else {
      if (add_feat(lane->peak, pos, v[pos], sg.rthick[sg.at(pos)], "Peak", &peak_tail, &pool) < 0)
        return false;
    }
    j = r + 1;
  }
  return true;
}

// Between two valleys only the highest peak stays (the first of equals). A peak on the closing
// valley belongs to the stretch before it.
void keep_highest_peaks(LANE* lane) {
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
    SLOG("ln_del", SLOG_VALUE5, "%s at %d removed", "Peak", node->feat.y);
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

// Keeps the peaks whose rise above the higher of their two valleys reaches `lo` (when it is 1
// or more) and above the lower reaches `hi`. A peak dropped with almost no rise above one
// valley, or a large one above the other, takes its higher valley with it.
void threshold_peaks(LANE* lane, const int* v, int n, int lo, int hi) {
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
      SLOG("ln_del", SLOG_VALUE5, "Peak at %d removed", pos);
      if (rise_high < 1 || rise_low > 10) {
        LN_FEAT* higher = rval > lval ? rv : lv;
        if (higher) vcur.erase(higher->feat.y, "Valley");
      }
    } else {
      ppred = p;
    }
    p = next;
  }
}

// Checks the width between the inflection points around each peak. Without `split` a peak
// narrower than its segment's thickness goes and a wider one moves to the middle of the span;
// with `split` a span of two and a half thicknesses or more is split into two peaks with a
// valley between them. False when memory runs out.
bool check_peak_widths(LANE* lane, int n, const Segments& sg, int split) {
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
      SLOG("ln_del", SLOG_VALUE5, "%s at %d removed", "Peak", pos);
      if (span < sg.thick[sg.at(std::clamp(pos, 0, n - 1))]) {
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
    } else if (sg.thick[sg.at(next)] * 2.5 + 0.5 <= span) {
      const int fw = p->band_fw;
      const int first = prev + span / 3;
      move_feat(lane, lane->peak, pos, first, "Peak");
      const int mid = prev + span / 2;
      if (add_feat(lane->infl_pt, mid, prof_at(lane, mid), 0, "Infl Pt Valley") < 0) return false;
      if (add_feat(lane->valley, mid, prof_at(lane, mid), 0, "Valley") < 0) return false;
      const int second = first + span / 3;
      if (add_feat(lane->peak, second, prof_at(lane, second), fw, "Peak") < 0) return false;
      resume_after = std::max(pos, second);
    }
    // The peaks before the one in hand are untouched: go on from its predecessor.
    while (pred->next && pred->next->feat.y <= resume_after) pred = pred->next;
    p = pred->next;
  }
  return true;
}

// Keeps only the valleys next to a peak (none when there is no peak).
void clean_valleys_list(LANE* lane) {
  if (!lane->peak->next) {
    ln_free_feat_list(lane->valley);
    return;
  }
  // Stretch k holds the valleys after peak k - 1 up to peak k (stretch 0: up to the first
  // peak, the last stretch: after the last peak). The last valley of each stretch but the
  // last and the first of each stretch but the first stay; the others leave the list in one
  // walk over it.
  int last_stretch = 0;
  for (const LN_FEAT* p = lane->peak->next; p; p = p->next) ++last_stretch;
  std::vector<int> stretch;
  const LN_FEAT* pk = lane->peak->next;
  int k = 0;
  for (const LN_FEAT* q = lane->valley->next; q; q = q->next) {
    while (pk && q->feat.y > pk->feat.y) {
      pk = pk->next;
      ++k;
    }
    stretch.push_back(k);
  }
  const size_t nv = stretch.size();
  LN_FEAT* pred = lane->valley;
  for (size_t j = 0; j < nv; ++j) {
    LN_FEAT* q = pred->next;
    const bool first = j == 0 || stretch[j - 1] != stretch[j];
    const bool last = j + 1 == nv || stretch[j + 1] != stretch[j];
    const bool keep = (first && stretch[j] != 0) || (last && stretch[j] != last_stretch);
    if (keep) {
      pred = q;
    } else {
      pred->next = q->next;
      SLOG("ln_del", SLOG_VALUE5, "%s at %d removed", "Valley", q->feat.y);
      ks_free(q);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Standard detector

void ln_detect_features(LANE* lane, int clean_valleys, int split) {
  SLOG("ln_detect_features", SLOG_ENTRY, "clean %d split %d", clean_valleys, split);
  if (!lane) return;
  int lo = std::min(lane->band_threshold, lane->band_threshold2);
  const int hi = std::max(lane->band_threshold, lane->band_threshold2);
  if (lo < 0) lo = 0;
  // The nodes of the lists found last time serve the lists found now.
  NodePool pool;
  if (!reset_detection_lists(lane, &pool)) return;

  const int n = lane->num_data_values;
  const int* v = lane->data_values;
  if (!v || n <= 0) return;

  Segments sg = plan_segments(lane, n);
  DetectWork& w = t_detect_work;
  if (!second_derivatives(sg, v, n, w)) return;
  if (!list_runs(lane, v, w.D.data(), n, sg, pool)) return;
  keep_highest_peaks(lane);
  threshold_peaks(lane, v, n, lo, hi);
  if (!check_peak_widths(lane, n, sg, split)) return;
  if (clean_valleys) clean_valleys_list(lane);

  if (add_feat(lane->valley, 0, v[0], 0, "Valley", nullptr, &pool) < 0) return;
  if (add_feat(lane->valley, n - 1, v[n - 1], 0, "Valley", nullptr, &pool) < 0) return;
  ln_slog_features(lane, "bottom of ln_detect_features");
  SLOG("ln_detect_features", SLOG_EXIT, "%d values", n);
}

// ---------------------------------------------------------------------------------------------
// Alternative detector

namespace {

int alt_filter_index(int thickness) { return std::clamp(87 - 2 * thickness, 5, 89); }

}  // namespace

int ln_2nd(LANE* lane, int* excess, int* filtered) {
  if (!lane || !excess || !filtered || !lane->data_values) return -1;
  const int n = lane->num_data_values;
  if (n <= 0) return -1;
  for (int i = 0; i < n; ++i) {
    const int base = lane->baseline_values ? lane->baseline_values[i] : 0;
    excess[i] = std::max(0, lane->data_values[i] - base);
    filtered[i] = 0;
  }
  const int third = (n + 2) / 3;
  const int rest = n - third;
  const int half = (rest + 1) / 2;
  const int a = alt_filter_index(lane->min_top_band_thick);
  const int b = alt_filter_index(lane->min_bot_band_thick);
  const int mid = (a + b + 1) / 2;
  if (!ln_filt(excess, third + half, filtered, a, 0)) return -1;
  if (!ln_filt(excess + third, n - third, filtered + third, b, 0)) return -1;

  // Widen the middle stretch while the curve on its edges stays positive, then filter it again
  // with the middle filter.
  auto positive = [&](int i) { return i >= 0 && i < n && filtered[i] >= 1; };
  int s = third;
  int length = half;
  const int hm = mid / 2;
  while (s > 0 && positive(s + hm) && positive(s + hm - 1)) {
    --s;
    ++length;
  }
  while (s + length < n && positive(s + length - hm) && positive(s + length - hm + 1)) ++length;
  if (!ln_filt(excess + s, length, filtered + s, mid, 0)) return -1;
  return 0;
}

void ln_det2(LANE* lane, const void* /*sens*/) {
  SLOG("ln_det2", SLOG_ENTRY, "%p", static_cast<void*>(lane));
  if (!lane) return;
  if (!reset_detection_lists(lane)) return;
  const int n = lane->num_data_values;
  if (!lane->data_values || n <= 0) return;
  if (!lane->baseline_values) ln_calc_baseline(lane);

  std::vector<int> E(n), F(n);
  if (ln_2nd(lane, E.data(), F.data()) != 0) {
    SLOG("ln_det2", SLOG_WARN, "filter failed for %d values", n);
    return;
  }

  // Normalise the excess to 0..40 within chunks of a fifth of the profile. A chunk without a
  // positive value stays as it is; a profile shorter than five values is one chunk.
  int chunk = n / 5;
  if (chunk < 1) chunk = n;
  for (int c0 = 0; c0 < n; c0 += chunk) {
    const int c1 = std::min(n, c0 + chunk);
    int mx = 0;
    for (int i = c0; i < c1; ++i) mx = std::max(mx, E[i]);
    if (mx <= 0) continue;
    for (int i = c0; i < c1; ++i) E[i] = static_cast<int>(static_cast<long long>(E[i]) * 40 / mx);
  }

  const int T = 40 - lane->band_threshold;
  for (int i = 1; i <= n - 2; ++i) {
    if (!(F[i] > F[i - 1] && F[i] >= F[i + 1])) continue;
    int left = 0;
    for (int k = i - 2; k >= 0; --k) {
      if (F[k] < 1 || F[k] >= F[k + 1]) {
        left = k;
        break;
      }
    }
    int right = n - 1;
    for (int k = i + 2; k < n; ++k) {
      if (F[k] < 1 || F[k] >= F[k - 1]) {
        right = k;
        break;
      }
    }
    if (E[i] > T) {
      if (add_feat(lane->peak, i, lane->data_values[i], 8, "Peak") < 0) return;
      if (add_feat(lane->infl_pt, left, lane->data_values[left], 0, "Infl Pt 1") < 0) return;
      if (add_feat(lane->valley, right, lane->data_values[right], 0, "Infl Pt 2") < 0) return;
    }
  }
  ln_slog_features(lane, "bottom of ln_det2");
}

// ---------------------------------------------------------------------------------------------
// Peak selection

int ln_sel(LANE* lane) {
  if (!lane || !lane->peak) return 0;
  struct Pk {
    int pos, height;
  };
  std::vector<Pk> peaks;
  try {
    for (LN_FEAT* p = lane->peak->next; p; p = p->next) {
      const int i = p->feat.y;
      const int base =
          (lane->baseline_values && i >= 0 && i < lane->num_data_values) ? lane->baseline_values[i] : 0;
      peaks.push_back({i, prof_at(lane, i) - base});
    }
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr("ln_sel", "peaks");
    return -1;
  }
  if (peaks.empty()) return 0;
  std::stable_sort(peaks.begin(), peaks.end(),
                   [](const Pk& a, const Pk& b) { return a.height > b.height; });
  const int cut = static_cast<int>((lane->pct_threshold * peaks[0].height) / 100.0);
  int kept = 0;
  for (size_t k = 0; k < peaks.size(); ++k) {
    if (peaks[k].height >= cut && static_cast<int>(k) < lane->max_detect) {
      ++kept;
    } else {
      del_feat(lane->peak, peaks[k].pos, "Peak");
    }
  }
  return kept;
}

// ---------------------------------------------------------------------------------------------
// Baselines

namespace {

void count_base_points(LANE* lane) { lane->num_base_ptrs = list_count(lane->baseline); }

}  // namespace

namespace {

// A candidate baseline point: its position and the profile's value there, and the rank of its
// position among the candidates' distinct positions.
struct BaseCand {
  int pos, value;
  int rank = 0;
};

// Sorts the candidates by value, those of equal value kept in their order: a byte of the value
// at a time from the lowest, each pass stable (a pass is skipped when all share its byte).
void sort_by_value(std::vector<BaseCand>& cand) {
  const size_t n = cand.size();
  thread_local std::vector<BaseCand> other;
  other.resize(n);
  auto key = [](const BaseCand& c) { return static_cast<uint32_t>(c.value) ^ 0x80000000u; };
  for (int shift = 0; shift < 32; shift += 8) {
    size_t count[257] = {};
    for (const BaseCand& c : cand) ++count[((key(c) >> shift) & 0xff) + 1];
    if (count[((key(cand[0]) >> shift) & 0xff) + 1] == n) continue;
    for (int b = 0; b < 256; ++b) count[b + 1] += count[b];
    for (const BaseCand& c : cand) other[count[(key(c) >> shift) & 0xff]++] = c;
    cand.swap(other);
  }
}

// ln_bslop from the candidates, taken in the order given (the list's).
void bslop_from(LANE* lane, std::vector<BaseCand>& cand) {
  if (!lane->baseline) {
    lane->baseline = ln_make_feat_node();
    if (!lane->baseline) {
      ks_dbg_null_ptr("ln_bslop", "in_lane->baseline");
      return;
    }
  }
  // The old points' nodes serve the new points.
  NodePool pool;
  pool.take_all(lane->baseline);
  lane->num_base_ptrs = 0;
  const double tangent = std::tan(lane->max_angle * M_PI / 180.0);
  if (cand.empty()) return;
  // The rank of each candidate's position among the distinct positions (the list's order is
  // usually theirs already).
  thread_local std::vector<int> pos;
  pos.resize(cand.size());
  for (size_t i = 0; i < cand.size(); ++i) pos[i] = cand[i].pos;
  const bool ascending = std::adjacent_find(pos.begin(), pos.end(), std::greater_equal<int>()) ==
                         pos.end();
  if (ascending) {
    for (size_t i = 0; i < cand.size(); ++i) cand[i].rank = static_cast<int>(i);
  } else {
    std::sort(pos.begin(), pos.end());
    pos.erase(std::unique(pos.begin(), pos.end()), pos.end());
    for (BaseCand& c : cand)
      c.rank = static_cast<int>(std::lower_bound(pos.begin(), pos.end(), c.pos) - pos.begin());
  }
  const int ranks = static_cast<int>(pos.size());
  sort_by_value(cand);

  auto slope = [](const LN_FEAT* q, const BaseCand& c) {
    if (!q || q->feat.y == c.pos) return 0.0;
    return std::abs(static_cast<double>(c.value - q->feat.x) / (c.pos - q->feat.y));
  };
  // The points taken so far, by the rank of their position among the candidates' distinct
  // positions, with a bit set for each: the neighbours of a candidate are the nearest set bits
  // below its rank and from it on, found a word at a time.
  thread_local std::vector<LN_FEAT*> node_at;
  thread_local std::vector<uint64_t> bits;
  node_at.assign(ranks, nullptr);
  bits.assign((ranks + 63) / 64, 0);
  const int words = static_cast<int>(bits.size());
  auto below = [&](int r) -> LN_FEAT* {  // the taken point of highest rank below r
    int w = r >> 6;
    uint64_t m = bits[w] & ((uint64_t{1} << (r & 63)) - 1);
    while (!m) {
      if (--w < 0) return nullptr;
      m = bits[w];
    }
    return node_at[w * 64 + 63 - std::countl_zero(m)];
  };
  auto from = [&](int r) -> LN_FEAT* {  // the taken point of lowest rank from r on
    int w = r >> 6;
    uint64_t m = bits[w] & (~uint64_t{0} << (r & 63));
    while (!m) {
      if (++w == words) return nullptr;
      m = bits[w];
    }
    return node_at[w * 64 + std::countr_zero(m)];
  };
  int taken = 0;
  auto take = [&](const BaseCand& c, LN_FEAT* before) {
    LN_FEAT* hint = before;
    const int r = add_feat(lane->baseline, c.pos, c.value, 0, "Baseline", &hint, &pool);
    if (r > 0) {
      node_at[c.rank] = hint;
      bits[c.rank >> 6] |= uint64_t{1} << (c.rank & 63);
      ++taken;
    }
    return r;
  };
  if (take(cand[0], nullptr) < 0) return;
  for (size_t k = 1; k < cand.size(); ++k) {
    const BaseCand& c = cand[k];
    LN_FEAT* before = below(c.rank);
    LN_FEAT* after = from(c.rank);
    if (slope(before, c) < tangent && slope(after, c) < tangent) {
      if (take(c, before) < 0) break;
    }
  }
  lane->num_base_ptrs = taken;
}

// The candidates at the positions of a list's nodes, in list order. The work arrays of the
// baseline procedures are kept by each thread from one call to the next, so that a run over many
// lanes allocates them once.
std::vector<BaseCand>& cands_of(const LANE* lane, const LN_FEAT* head) {
  thread_local std::vector<BaseCand> cand;
  cand.clear();
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next)
    cand.push_back({p->feat.y, prof_at(lane, p->feat.y), 0});
  return cand;
}

// ln_badj without the list it hands back: whether any point was added, and whether memory ran
// out while adding one (the points added so far stay; the point count and the baseline array are
// then left as they were).
struct BadjResult {
  int added_any = 0;
  bool failed = false;
};

BadjResult badj_points(LANE* lane) {
  BadjResult res;
  if (!lane || !lane->baseline || !lane->baseline->next) return res;
  const int n = lane->num_data_values;
  const int* v = lane->data_values;
  if (v && n > 0) {
    ln_calc_baseline(lane);
    // With the points in ascending order, a stretch that gained no point keeps its baseline and
    // so its dips: each pass searches only the stretches split by the last one, and rewrites
    // only their baseline. Otherwise every pass searches every stretch of a baseline built anew.
    bool ascending = true;
    for (const LN_FEAT* p = lane->baseline->next; p && p->next && ascending; p = p->next)
      ascending = p->feat.y < p->next->feat.y;
    // A stretch runs from the point at its start (null: from the first row) to the next point
    // (or the last row), its rows a .. z - 1 searched; all are fixed before a pass adds points.
    struct Stretch {
      LN_FEAT* from;
      int a, z;
    };
    thread_local std::vector<Stretch> search;
    thread_local std::vector<LN_FEAT*> starts;  // of the stretches to search next, ascending
    thread_local std::vector<std::pair<LN_FEAT*, LN_FEAT*>> added;  // (stretch start, point)
    starts.clear();
    starts.push_back(nullptr);
    for (LN_FEAT* p = lane->baseline->next; p; p = p->next) starts.push_back(p);
    for (;;) {
      const int* base = lane->baseline_values;
      if (!base) break;
      search.clear();
      for (LN_FEAT* from : starts) {
        const LN_FEAT* to = from ? from->next : lane->baseline->next;
        search.push_back({from, std::max(0, from ? from->feat.y : 0),
                          std::min(n - 1, to ? to->feat.y : n - 1)});
      }
      added.clear();
      for (const Stretch& st : search) {
        int best = -1;
        int depth = 0;
        for (int i = st.a; i < st.z; ++i) {
          if (v[i] < base[i] && base[i] - v[i] > depth) {
            depth = base[i] - v[i];
            best = i;
          }
        }
        if (best >= 0) {
          LN_FEAT* hint = st.from;
          const int r = add_feat(lane->baseline, best, v[best], 0, "Baseline", &hint);
          if (r < 0) {
            res.failed = true;
            return res;
          }
          if (r > 0) added.push_back({st.from, hint});
        }
      }
      if (added.empty()) break;
      res.added_any = 1;
      starts.clear();
      if (ascending) {
        for (const auto& [from, point] : added) {
          ln_rebaseline_about(lane, from, point);
          starts.push_back(from);
          starts.push_back(point);
        }
      } else {
        ln_calc_baseline(lane);
        starts.push_back(nullptr);
        for (LN_FEAT* p = lane->baseline->next; p; p = p->next) starts.push_back(p);
      }
    }
  }
  count_base_points(lane);
  return res;
}

}  // namespace

void ln_bslop(LANE* lane, LN_FEAT* points) {
  if (!lane) return;
  std::vector<BaseCand>& cand = cands_of(lane, points);
  bslop_from(lane, cand);
}

int ln_badj(LANE* lane, LN_FEAT** out_list) {
  if (out_list) *out_list = nullptr;
  if (!lane || !lane->baseline || !lane->baseline->next) return 0;
  const BadjResult res = badj_points(lane);
  const int added = res.added_any;
  if (res.failed) return added;
  if (out_list) {
    LN_FEAT* head = ln_make_feat_node();
    if (!head) {
      ks_dbg_null_ptr("ln_badj", "new_list");
      return added;
    }
    LN_FEAT* tail = nullptr;
    for (LN_FEAT* p = lane->baseline->next; p; p = p->next) {
      if (add_feat(head, p->feat.y, p->feat.x, 0, "Valley", &tail) < 0) break;
    }
    *out_list = head;
  }
  return added;
}

void ln_bcorr(LANE* lane) {
  if (!lane) return;
  ln_bslop(lane, lane->valley);
  // The adjusted points are taken again as candidates, straight from the list.
  const BadjResult res = badj_points(lane);
  if (res.added_any && !res.failed) {
    std::vector<BaseCand>& cand = cands_of(lane, lane->baseline);
    bslop_from(lane, cand);
  }
  if (lane->baseline_values && lane->data_values) {
    for (int i = 0; i < lane->num_data_values; ++i) {
      if (lane->baseline_values[i] > lane->data_values[i])
        lane->baseline_values[i] = lane->data_values[i];
    }
  }
}
