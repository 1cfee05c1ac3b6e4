// Band outlines: cross-sections, zero crossings, bound picks, side smoothing and slot points.
#include "engine/mj_bounds.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/lane_kernels.h"
#include "base/hot_clones.h"

namespace {

// First index of each ramp value 1..38.
constexpr int kRampStarts[38] = {0,   1,   7,   13,  21,  28,  34,  42,  49,  55,
                                 63,  70,  76,  84,  91,  97,  111, 117, 124, 130,
                                 137, 144, 150, 157, 164, 170, 177, 184, 190, 197,
                                 204, 210, 217, 224, 230, 237, 244, 250};

constexpr std::array<uint8_t, 257> make_ramp() {
  std::array<uint8_t, 257> r{};
  for (int i = 0; i < 257; ++i) {
    int v = 0;
    for (int s : kRampStarts)
      if (s <= i) ++v;
    r[i] = static_cast<uint8_t>(v);
  }
  return r;
}
constexpr std::array<uint8_t, 257> kRamp = make_ramp();

// 65536 x sin(5k degrees), k = 0..18, rounded.
constexpr int32_t kSin5[19] = {0,     5712,  11380, 16962, 22415, 27697, 32768,
                               37590, 42126, 46341, 50203, 53684, 56756, 59393,
                               61582, 63302, 64540, 65287, 65536};

// Shared by every thread that quantifies, so that a count set by a test covers them all.
std::atomic<int> s_fail_at{-1};

int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

int cell(const QT_WIN* w, int x, int y) {
  x = clampi(x, 0, w->size - 1);
  y = clampi(y, 0, w->size - 1);
  return w->rows[y][x];
}

// Median of five values with a fixed network of comparisons (no sort, no allocation).
inline int med5(int a, int b, int c, int d, int e) {
  auto sort2 = [](int& x, int& y) {
    const int lo = std::min(x, y), hi = std::max(x, y);
    x = lo;
    y = hi;
  };
  sort2(a, b);
  sort2(d, e);
  sort2(a, d);  // a is the smallest of a, b, d, e: not the median
  sort2(b, e);  // e is the largest of a, b, d, e: not the median
  // The median of the five is the median of b, c, d.
  return std::max(std::min(b, c), std::min(std::max(b, c), d));
}

// Running median of 5 over v[0..n) in place; the two values at each end copy the nearest
// filtered value. A copy for processors with AVX2 takes the minima and maxima of eight values
// in one instruction each (integers: the same medians).
VX_HOT_CLONES void median5(int* v, int n) {
  if (n < 5) return;
  // The inputs are read from a copy, so that the medians of successive positions do not wait
  // on one another and the loop runs over several positions at once.
  // Lines and cross-sections are usually short enough for a copy on the stack.
  int local[256];
  thread_local std::vector<int> in;
  int* copy = local;
  if (n > 256) {
    in.resize(static_cast<std::size_t>(n));
    copy = in.data();
  }
  std::memcpy(copy, v, sizeof(int) * static_cast<std::size_t>(n));
  const int* src = copy;
  int i = 2;
#if defined(__GNUC__) && !defined(__clang__)
  // Eight medians at once through the same network of minima and maxima.
  typedef int Eight __attribute__((vector_size(32)));
  auto sort2 = [](Eight& x, Eight& y) {
    const Eight lo = x < y ? x : y, hi = x < y ? y : x;
    x = lo;
    y = hi;
  };
  // The last eight positions are taken as a block too, overlapping the ones before: the inputs
  // are read from the copy, so a position taken twice gets the same median.
  for (bool last = false; i + 8 <= n - 2 || (!last && n - 2 - 8 >= 2 && i < n - 2);
       i += 8) {
    if (i + 8 > n - 2) {
      i = n - 2 - 8;
      last = true;
    }
    Eight a, b, c, d, e;
    std::memcpy(&a, src + i - 2, sizeof a);
    std::memcpy(&b, src + i - 1, sizeof b);
    std::memcpy(&c, src + i, sizeof c);
    std::memcpy(&d, src + i + 1, sizeof d);
    std::memcpy(&e, src + i + 2, sizeof e);
    sort2(a, b);
    sort2(d, e);
    sort2(a, d);
    sort2(b, e);
    const Eight lo = b < c ? b : c, hi = b < c ? c : b;
    const Eight upper = hi < d ? hi : d;
    const Eight m = lo < upper ? upper : lo;
    std::memcpy(v + i, &m, sizeof m);
  }
#endif
  for (; i < n - 2; ++i)
    v[i] = med5(src[i - 2], src[i - 1], src[i], src[i + 1], src[i + 2]);
  v[0] = v[1] = v[2];
  v[n - 1] = v[n - 2] = v[n - 3];
}
void median5(std::vector<int>& v) { median5(v.data(), static_cast<int>(v.size())); }

// Width of the kernel that mt_2df uses when given `thickness`.
int kernel_width_for(int thickness) {
  return kLnKernelWidths[clampi((2 * thickness - 3) / 2, 0, 8)];
}

// Negated second derivative of v[0..n) with the kernel of mt_2df(thickness) into d; all zero
// when v is shorter than the kernel.
void second_derivative(const int* v, int n, int thickness, std::vector<int>& d) {
  // mt_2df writes every value when it succeeds.
  d.resize(static_cast<std::size_t>(std::max(n, 0)));
  if (n > 0 && mt_2df(thickness, n, v, d.data()) != 0) std::fill(d.begin(), d.end(), 0);
}

// Work arrays of the outline finder, kept between bands so that each band does not allocate.
struct BoundsScratch {
  std::vector<int> all_xsec, d2, back, line, rdd;
};
BoundsScratch& scratch() {
  thread_local BoundsScratch s;
  return s;
}

// The band's centre row in one column: the highest point of each run of non-negative second
// derivative within s rows of the expected row is a candidate; the one nearest the expected row
// wins (the higher profile value on equal distance). No candidate keeps the expected row.
int centre_row(const int* prof, int n, const std::vector<int>& d2, int expected, int s) {
  const int lo = std::max(0, expected - s);
  const int hi = std::min(n - 1, expected + s);
  int best = -1, best_dist = INT_MAX, best_val = INT_MIN;
  int i = lo;
  while (i <= hi) {
    if (d2[i] < 0) {
      ++i;
      continue;
    }
    int end = i;
    while (end + 1 <= hi && d2[end + 1] >= 0) ++end;
    // Highest value of the run; on a plateau of equal values, its middle.
    int m = i;
    for (int k = i; k <= end; ++k)
      if (prof[k] > prof[m]) m = k;
    int e = m;
    while (e + 1 <= end && prof[e + 1] == prof[m]) ++e;
    const int cand = (m + e) / 2;
    const int dist = std::abs(cand - expected);
    if (dist < best_dist || (dist == best_dist && prof[cand] > best_val)) {
      best = cand;
      best_dist = dist;
      best_val = prof[cand];
    }
    i = end + 1;
  }
  return best >= 0 ? best : clampi(expected, 0, std::max(0, n - 1));
}

struct Slot {
  int col;    // column index 0..12 whose centre point is the origin
  int angle;  // degrees
};

// Columns: 0 centre, 1..6 right moving right, 7..12 left moving left.
constexpr Slot kSlots[SP_BOUNDS] = {
    {0, 90},   {1, 90},   {2, 90},   {3, 90},   {4, 90},   {5, 90},   {6, 90},
    {6, 60},   {6, 30},   {6, 0},    {6, 330},  {6, 300},  {6, 270},  {5, 270},
    {4, 270},  {3, 270},  {2, 270},  {1, 270},  {0, 270},  {7, 270},  {8, 270},
    {9, 270},  {10, 270}, {11, 270}, {12, 270}, {12, 240}, {12, 210}, {12, 180},
    {12, 150}, {12, 120}, {12, 90},  {11, 90},  {10, 90},  {9, 90},   {8, 90},
    {7, 90}};

// Slots of the top and bottom sides, left to right, with their columns.
constexpr int kTopSlots[13] = {30, 31, 32, 33, 34, 35, 0, 1, 2, 3, 4, 5, 6};
constexpr int kBottomSlots[13] = {24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12};
constexpr int kSideCols[13] = {12, 11, 10, 9, 8, 7, 0, 1, 2, 3, 4, 5, 6};
// The two ray groups around the ends, each from a top bound through the rays to a bottom bound.
constexpr int kRightRays[7] = {6, 7, 8, 9, 10, 11, 12};
constexpr int kLeftRays[7] = {30, 29, 28, 27, 26, 25, 24};

bool is_extreme(int a, int v, int b) { return (v > a && v > b) || (v < a && v < b); }

bool off_mean(int a, int v, int b) {
  const double mean = (a + b) / 2.0;
  return v < 0.8 * mean || v > mean / 0.8;
}

// Smooths one side of 13 column bounds. Distances are compared as positions relative to the
// mean centre row. Returns 1 when replacement values were needed.
int smooth_side(int* dist, const int* slots, const int* rows, bool top, int s) {
  int raw[13], rel[13];
  bool valid[13];
  int sum_rows = 0;
  for (int j = 0; j < 13; ++j) sum_rows += rows[kSideCols[j]];
  const int mean_row = sum_rows / 13;
  auto to_rel = [&](int j, int d) {
    return top ? d - rows[kSideCols[j]] + mean_row : d + rows[kSideCols[j]] - mean_row;
  };
  auto to_dist = [&](int j, int r) {
    return top ? r + rows[kSideCols[j]] - mean_row : r - rows[kSideCols[j]] + mean_row;
  };
  int raw_invalid = 0;
  for (int j = 0; j < 13; ++j) {
    raw[j] = dist[slots[j]];
    valid[j] = raw[j] > 0;
    if (!valid[j]) ++raw_invalid;
    rel[j] = valid[j] ? to_rel(j, raw[j]) : 0;
  }
  bool now_valid[13];
  std::copy(valid, valid + 13, now_valid);
  for (int j = 1; j < 12; ++j) {
    if (!valid[j] && valid[j - 1] && valid[j + 1]) {
      rel[j] = (rel[j - 1] + rel[j + 1]) / 2;
      now_valid[j] = true;
    }
  }
  int interior_invalid = 0;
  for (int j = 1; j < 12; ++j)
    if (!now_valid[j]) ++interior_invalid;
  int replaced = 0;
  if (interior_invalid >= 5) {
    // The most frequent raw distance: the first value, left to right, to reach the highest
    // count. Distances outside 0..199 (no crossing, or far away) are not counted.
    int hist[200] = {};
    int mode = 0, mode_count = 0;
    for (int j = 0; j < 13; ++j) {
      if (raw[j] < 0 || raw[j] >= 200) continue;
      if (++hist[raw[j]] > mode_count) {
        mode_count = hist[raw[j]];
        mode = raw[j];
      }
    }
    int value;
    if (mode != 0 && raw_invalid < 9) {
      value = mode;
    } else {
      value = raw[6] > 0 ? raw[6] : s;
    }
    if (value < 0) value = 0;
    for (int j = 0; j < 13; ++j) {
      if (!now_valid[j]) {
        rel[j] = to_rel(j, value);
        now_valid[j] = true;
      }
    }
    replaced = 1;
  }
  for (int j = 1; j < 12; ++j) {
    if (!now_valid[j - 1] || !now_valid[j] || !now_valid[j + 1]) continue;
    if (is_extreme(rel[j - 1], rel[j], rel[j + 1]) && off_mean(rel[j - 1], rel[j], rel[j + 1]))
      rel[j] = static_cast<int>(std::floor((rel[j - 1] + rel[j] + rel[j + 1]) / 3.0 + 0.5));
  }
  for (int j = 0; j < 13; ++j) {
    if (!now_valid[j]) continue;
    const int d = to_dist(j, rel[j]);
    dist[slots[j]] = d < 0 ? 0 : d;
  }
  return replaced;
}

// Smooths a group of seven plain distances around one end of the band.
void smooth_rays(int* dist, const int* slots, int s) {
  int v[7];
  bool valid[7];
  for (int j = 0; j < 7; ++j) {
    v[j] = dist[slots[j]];
    valid[j] = v[j] > 0;
  }
  for (int j = 1; j < 6; ++j)
    if (!valid[j]) v[j] = valid[j - 1] && valid[j + 1] ? (v[j - 1] + v[j + 1]) / 2 : s;
  // The ends are column bounds; an invalid end keeps its slot invalid.
  for (int j = 1; j < 6; ++j) {
    if ((j == 1 && !valid[0]) || (j == 5 && !valid[6])) continue;
    if (is_extreme(v[j - 1], v[j], v[j + 1]) && off_mean(v[j - 1], v[j], v[j + 1]))
      v[j] = (v[j - 1] + v[j] + v[j + 1]) / 3;
  }
  for (int j = 1; j < 6; ++j) dist[slots[j]] = v[j] < 0 ? 0 : v[j];
}

}  // namespace

int mj_ramp(int index) { return kRamp[clampi(index, 0, 256)]; }

void mj_fail_alloc_at(int n) { s_fail_at = n; }

bool mj_alloc_fails() {
  int n = s_fail_at.load(std::memory_order_relaxed);
  while (n >= 0 && !s_fail_at.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) {
  }
  return n == 0;
}

namespace {

// Cosine and negated sine of each 5-degree step 0..71, from the quarter table.
constexpr std::array<std::array<int32_t, 2>, 72> kTrig5 = [] {
  std::array<std::array<int32_t, 2>, 72> t{};
  for (int steps = 0; steps < 72; ++steps) {
    const int quad = steps / 18;
    const int k = steps % 18;
    int32_t s = 0, c = 0;
    switch (quad) {
      case 0: s = kSin5[k]; c = kSin5[18 - k]; break;
      case 1: s = kSin5[18 - k]; c = -kSin5[k]; break;
      case 2: s = -kSin5[k]; c = -kSin5[18 - k]; break;
      default: s = -kSin5[18 - k]; c = kSin5[k]; break;
    }
    t[steps] = {c, -s};
  }
  return t;
}();

}  // namespace

void mt_qtrig(int angle, int32_t* cos_out, int32_t* msin_out) {
  int a = angle % 360;
  if (a < 0) a += 360;
  const std::array<int32_t, 2>& t = kTrig5[a / 5];
  if (cos_out) *cos_out = t[0];
  if (msin_out) *msin_out = t[1];
}

int mt_qoffset(int dist, int32_t dir) {
  // floor(dist dir / 65536 + 0.5) in doubles is exact for every int dist (the product is a
  // whole number below 2^53 and the division by a power of two only moves the point), and so
  // is this floor division by 2^16.
  return static_cast<int>((int64_t{dist} * dir + 32768) >> 16);
}

QT_WIN* qt_copy_window(const QT_WIN* win) {
  if (!win || win->size <= 0) return nullptr;
  if (mj_alloc_fails()) return nullptr;
  QT_WIN* w = qt_alloc_window(win->cx, win->cy, win->size);
  if (!w) return nullptr;
  w->left = win->left;
  w->right = win->right;
  w->top = win->top;
  w->bottom = win->bottom;
  return w;
}

void qt_move_window(QT_WIN* win, int cx, int cy) {
  if (!win) return;
  win->cx = cx;
  win->cy = cy;
  win->left = cx - win->size / 2;
  win->right = cx + win->size / 2;
  win->top = cy - win->size / 2;
  win->bottom = cy + win->size / 2;
}

void mj_xsec(int* out, const QT_WIN* win, int x, int centre, int length) {
  if (!out || !win || length <= 0) return;
  const int size = win->size;
  const int first = centre - length / 2;
  // Columns x - 2 .. x + 2 that lie inside the window.
  const int xa = std::max(x - 2, 0), xb = std::min(x + 2, size - 1);
  const int n = xb - xa + 1;
  int32_t* const* rows = win->rows;
  for (int i = 0; i < length; ++i) {
    const int y = clampi(first + i, 0, size - 1);
    const int32_t* row = rows[y];
    int sum = 0;
    for (int xx = xa; xx <= xb; ++xx) sum += row[xx];
    out[i] = n > 0 ? sum / n : 0;
  }
  median5(out, length);
}

namespace {

// Fractional parts of ray positions are sixteenths of sixteen bits (n / 65536): the least n with
// n / 65536 >= 0.1 and the largest with n / 65536 <= 0.9, as the comparisons in doubles find them.
constexpr int first_at_least(double t) {
  int n = 0;
  while (n / 65536.0 < t) ++n;
  return n;
}
constexpr int last_at_most(double t) {
  int n = 65536;
  while (n / 65536.0 > t) --n;
  return n;
}
constexpr int kFracLow = first_at_least(0.1);
constexpr int kFracHigh = last_at_most(0.9);

// The bilinear value between four cells at fractional parts fxn, fyn (in 2^-16), truncated.
inline int bilinear(int32_t c00, int32_t c01, int32_t c10, int32_t c11, int fxn, int fyn) {
  if (((c00 | c01 | c10 | c11) & ~0xFFFF) == 0) {
    // Pixel values: each weight's product with its cell is a whole number of 2^-32 below
    // 2^48, so the bilinear sum in doubles is exact, and so is this one.
    // (1 - fx) c00 + fx c01 = c00 + fx (c01 - c00), and the same down the column.
    const int64_t top = int64_t{c00} * 65536 + int64_t{fxn} * (c01 - c00);
    const int64_t bottom = int64_t{c10} * 65536 + int64_t{fxn} * (c11 - c10);
    return static_cast<int>((top * 65536 + fyn * (bottom - top)) >> 32);
  }
  const double fx = fxn * (1.0 / 65536.0), fy = fyn * (1.0 / 65536.0);
  const double v = (1 - fx) * (1 - fy) * c00 + fx * (1 - fy) * c01 + (1 - fx) * fy * c10 +
                   fx * fy * c11;
  return static_cast<int>(v);
}

bool bilinear_taken(int fxn, int fyn) {
  return fxn >= kFracLow && fyn <= kFracHigh && !(fxn > kFracHigh && fyn < kFracLow);
}

}  // namespace

void qt_radxsec(int* out, int angle, const QT_WIN* win, int x, int y, int count) {
  if (!out || !win) return;
  int32_t c, ms;
  mt_qtrig(angle, &c, &ms);
  // Positions in units of 2^-16: x + i c / 65536 is exact in doubles as in whole numbers, and so
  // are its whole and fractional parts.
  if (ms == 0 && (c == 65536 || c == -65536)) {
    // Along a row: every position is a whole cell, the nearest one.
    const int32_t* row = win->rows[clampi(y, 0, win->size - 1)];
    const int step = c > 0 ? 1 : -1;
    for (int i = 0; i < count; ++i) out[i] = row[clampi(x + step * i, 0, win->size - 1)];
    return;
  }
  int64_t ux = static_cast<int64_t>(x) * 65536, uy = static_cast<int64_t>(y) * 65536;
  // Positions move by the same step each sample, so the first and the last bound them all.
  // When every sample's four cells (and so its nearest cell) lie inside the window, the cells
  // are read without holding them to it.
  const int64_t end_x = ux + int64_t{c} * (count - 1), end_y = uy + int64_t{ms} * (count - 1);
  if (count > 0 && std::min(ux, end_x) >= 0 && std::min(uy, end_y) >= 0 &&
      (std::max(ux, end_x) >> 16) + 1 < win->size && (std::max(uy, end_y) >> 16) + 1 < win->size) {
    for (int i = 0; i < count; ++i, ux += c, uy += ms) {
      const int fxn = static_cast<int>(ux & 0xFFFF), fyn = static_cast<int>(uy & 0xFFFF);
      if (bilinear_taken(fxn, fyn)) {
        const int32_t* r0 = win->rows[uy >> 16] + (ux >> 16);
        const int32_t* r1 = win->rows[(uy >> 16) + 1] + (ux >> 16);
        out[i] = bilinear(r0[0], r0[1], r1[0], r1[1], fxn, fyn);
      } else {
        out[i] = win->rows[(uy + 32768) >> 16][(ux + 32768) >> 16];
      }
    }
    return;
  }
  for (int i = 0; i < count; ++i, ux += c, uy += ms) {
    const int fxn = static_cast<int>(ux & 0xFFFF), fyn = static_cast<int>(uy & 0xFFFF);
    if (bilinear_taken(fxn, fyn)) {
      const int x0 = static_cast<int>(ux >> 16), y0 = static_cast<int>(uy >> 16);
      out[i] = bilinear(cell(win, x0, y0), cell(win, x0 + 1, y0), cell(win, x0, y0 + 1),
                        cell(win, x0 + 1, y0 + 1), fxn, fyn);
    } else {
      // The nearest cell: px + 0.5 rounded down.
      out[i] = cell(win, static_cast<int>((ux + 32768) >> 16), static_cast<int>((uy + 32768) >> 16));
    }
  }
}

namespace {

// The zero crossings of a profile, in order, each handed to visit(pos, max_before, area,
// min_after); returns how many there are, counting at most QT_MAX_CROSS. With a limit, the scan
// ends as soon as no further crossing can lie at or before it. A first crossing past the limit
// is counted but not visited, so that the count still tells a profile without crossings from
// one whose crossings all lie too far; every visited crossing lies at or before the limit.
// *stop (when given) receives the index the scan ended at: below count only when it ended at
// the limit or at the capacity, with every value it weighed read. *lead_area (when given)
// receives the area of a leading non-positive run.
// Value i of the profile is d2[Step * i]: with Step -1 the profile runs backwards from d2.
template <int Step = 1, class Visit>
int scan_crossings(const int* d2, int count, int limit, int* stop, int* lead_area,
                   Visit&& visit) {
  if (stop) *stop = count;
  if (!d2 || count <= 0) return 0;
  int i = 0;
  // A leading non-positive run is no crossing.
  if (lead_area) {
    while (i < count && d2[Step * i] <= 0) *lead_area += 1 - d2[Step * i++];
  } else {
    while (i < count && d2[Step * i] <= 0) ++i;
  }
  int n = 0;
  while (i < count && n < QT_MAX_CROSS) {
    int mx = d2[Step * i];
    // Once a crossing is counted, a positive run that reaches past the limit ends the scan:
    // the crossing that closes it would not be weighed.
    const int run_end = n > 0 && limit < count - 1 ? limit + 1 : count;
    while (i < run_end && d2[Step * i] > 0) mx = std::max(mx, d2[Step * i++]);
    if (i >= run_end) {
      if (run_end < count && stop) *stop = i;
      return n;
    }
    ++n;
    const int pos = i;
    if (i > limit) {
      // The first crossing, past the limit: it is not weighed.
      if (stop) *stop = i;
      return n;
    }
    int mn = d2[Step * i];
    int area = 0;
    while (i < count && d2[Step * i] <= 0) {
      mn = std::min(mn, d2[Step * i]);
      area += 1 - d2[Step * i++];
    }
    visit(pos, mx, area, mn);
  }
  if (stop) *stop = i;
  return n;
}

int bound_reach(int s) { return s + 2 * mj_ramp(s); }

// mj_bndp's pick on the first `count` values of the profile d2[Step * i], weighing the
// crossings up to the reach of s as they are found. *stop as for scan_crossings.
template <int Step = 1>
int pick_bound(const int* profile, int count, int s, int* stop) {
  const int reach = bound_reach(s);
  int max_pos = INT_MIN, min_neg = INT_MAX;
  int best_contrast = 0, best_area = 0, choice = -1;
  const int n = scan_crossings<Step>(profile, count, reach, stop, nullptr,
                                     [&](int pos, int max_before, int area, int min_after) {
                                       max_pos = std::max(max_pos, max_before);
                                       min_neg = std::min(min_neg, min_after);
                                       const int contrast = max_pos - min_neg;
                                       if (contrast > best_contrast && area > best_area) {
                                         best_contrast = contrast;
                                         best_area = area;
                                         choice = pos;
                                       }
                                     });
  if (n == 0) return -1;
  return choice >= 0 && best_area >= 100 ? choice : 0;
}

// mj_bndp's pick on the profile d2[Step * i], i = 0 .. count-1.
template <int Step = 1>
int bndp(const int* profile, int count, int s) {
  return pick_bound<Step>(profile, count, s, nullptr);
}

// mj_bndp on the first `known` values of a profile of `count`: true, with the pick in *dist,
// when the scan ended within them (it then read nothing beyond them, and the whole profile
// gives the same pick); false when the rest of the profile is needed.
template <int Step = 1>
bool bndp_prefix(const int* profile, int known, int count, int s, int* dist) {
  if (known >= count) return false;
  int stop = 0;
  const int pick = pick_bound<Step>(profile, known, s, &stop);
  if (stop >= known) return false;
  *dist = pick;
  return true;
}

}  // namespace

int qt_cross(const int* d2, int count, QT_CROSS_TAB* t) {
  if (!t) return 0;
  *t = QT_CROSS_TAB();
  // Without a limit every crossing (up to the capacity) is visited.
  t->count = scan_crossings(d2, count, INT_MAX, nullptr, &t->lead_area,
                            [t, k = 0](int pos, int max_before, int area, int min_after) mutable {
                              t->pos[k] = pos;
                              t->max_before[k] = max_before;
                              t->area[k] = area;
                              t->min_after[k] = min_after;
                              ++k;
                            });
  return t->count;
}

int mj_bndp(const int* profile, int /*angle*/, int count, int s, int, int, int, int* dist) {
  const int result = bndp(profile, count, s);
  if (dist) *dist = result;
  return result;
}

namespace {

// The rows lo..hi of the window about the band's centre row; `part` when they are fewer than the
// window's and enough for the filters.
struct Rows {
  int lo, hi;
  bool part;
};

// One band's outline search in its window: the 13 columns' centre rows and their top and bottom
// bounds, then the rays about the two end columns. Distances are kept per slot.
class OutlineSearch {
 public:
  OutlineSearch(const SPOT* band, const QT_WIN* win, BoundsScratch& work)
      : win_(win), work_(work), size_(win->size), bx_(band->x - win->left),
        by_(band->y - win->top) {
    s_ = band->thickness / 2;
    if (band->thickness == 0) s_ = band->band_fw;
    if (s_ < 2) s_ = 2;
    kidx_ = clampi((2 * s_ - 3) / 2, 0, 6);
    K_ = kernel_width_for(kidx_);
  }

  int expected() const { return s_; }
  int filter() const { return kidx_; }
  int centre_x() const { return bx_; }
  int centre_y() const { return by_; }
  const int* col_x() const { return col_x_; }
  const int* col_row() const { return col_row_; }

  // Columns: centre, six to the right, six to the left, each held inside the window.
  void place_columns(const SPOT* band) {
    const int rhw = band->right_hw, lhw = band->left_hw;
    col_x_[0] = bx_;
    for (int k = 1; k <= 6; ++k) col_x_[k] = bx_ + k * rhw / 7;
    for (int k = 0; k <= 5; ++k) col_x_[7 + k] = bx_ - (k + 1) * lhw / 7;
    hold_r_ = static_cast<int>(1.5 * (rhw / 7.0) + 0.5);
    hold_l_ = static_cast<int>(1.5 * (lhw / 7.0) + 0.5);
    for (int j = 0; j < 13; ++j) col_x_[j] = clampi(col_x_[j], 0, size_ - 1);
    inner_ = true;  // every column has its five cells inside the window
    for (int j = 0; j < 13; ++j) inner_ = inner_ && col_x_[j] >= 2 && col_x_[j] <= size_ - 3;
  }

  // The 13 cross-sections (each is mj_xsec of its column about the window's middle row), walked
  // down the window's rows together. Their rows about the band's centre row are taken first: the
  // centre rows and the bounds usually lie near it. A column whose centre row or bounds need rows
  // beyond them takes the rows twice as far out, and the whole window only when those do not
  // suffice either. Each column's top and bottom bounds go to their slots of `dist`.
  void find_columns(int* dist) {
    work_.all_xsec.resize(static_cast<std::size_t>(13) * size_);
    const Rows first = rows_within(bound_reach(s_) + K_ / 2 + 6 + s_);
    const Rows second = rows_within(2 * bound_reach(s_) + 2 * K_ + 8 + s_);
    if (first.part) {
      take_rows(0, 12, first.lo, first.hi);
    } else {
      take_rows(0, 12, 0, size_ - 1);
    }
    for (int j = 0; j < 13; ++j) {
      int row = 0, up = -1, down = -1;
      bool found = first.part && column(j, first.lo, first.hi, &row, &up, &down);
      if (!found && first.part && second.part && second.hi - second.lo > first.hi - first.lo) {
        take_rows(j, j, second.lo, second.hi);
        found = column(j, second.lo, second.hi, &row, &up, &down);
      }
      if (!found) {
        if (first.part) take_rows(j, j, 0, size_ - 1);
        column(j, 0, size_ - 1, &row, &up, &down);
      }
      col_row_[j] = row;
      int top_slot, bottom_slot;
      column_slots(j, &top_slot, &bottom_slot);
      dist[top_slot] = up;
      dist[bottom_slot] = down;
      SLOG("mj_2df_bnds", SLOG_VALUE5, "[%2d] %4d, %4d and %4d %4d", j, col_x_[j], row, up, down);
    }
  }

  // Rays around the two ends: the line through the end column's centre point, sampled both ways
  // up to the nearest window edge, for the slots between the top and bottom bounds.
  void find_rays(int* dist) {
    for (int slot = 7; slot <= 11; ++slot) dist[slot] = ray(6, kSlots[slot].angle);
    for (int slot = 25; slot <= 29; ++slot) dist[slot] = ray(12, kSlots[slot].angle);
  }

 private:
  // The slots of column j's top and bottom bounds.
  static void column_slots(int j, int* top_slot, int* bottom_slot) {
    if (j == 0) {
      *top_slot = 0;
      *bottom_slot = 18;
    } else if (j <= 6) {
      *top_slot = j;
      *bottom_slot = 18 - j;
    } else {
      *top_slot = 30 + (12 - j);
      *bottom_slot = 19 + (j - 7);
    }
  }

  // The rows within `reach` of the band's centre row, when they are fewer than the window's.
  Rows rows_within(int reach) const {
    const int lo = std::max(0, by_ - reach), hi = std::min(size_ - 1, by_ + reach);
    return Rows{lo, hi, hi - lo + 1 >= std::max(5, K_) && (lo > 0 || hi < size_ - 1)};
  }

  // Rows y_lo..y_hi of the cross-sections of columns j0..j1 into all_xsec[j * size ...].
  void take_rows(int j0, int j1, int y_lo, int y_hi) {
    int* const all = work_.all_xsec.data();
    const int size = size_;
    for (int y = y_lo; inner_ && y <= y_hi; ++y) {
      const int32_t* row = win_->rows[y];
      for (int j = j0; j <= j1; ++j) {
        const int32_t* p = row + col_x_[j] - 2;
        const int sum = p[0] + p[1] + p[2] + p[3] + p[4];
        // Cells hold pixel values (0 .. 65535): the sum is never negative, and its unsigned
        // quotient is the same.
        all[static_cast<std::size_t>(j) * size + (y - y_lo)] =
            sum >= 0 ? static_cast<int>(static_cast<unsigned>(sum) / 5u) : sum / 5;
      }
    }
    for (int y = y_lo; !inner_ && y <= y_hi; ++y) {
      const int32_t* row = win_->rows[y];
      for (int j = j0; j <= j1; ++j) {
        const int xa = std::max(col_x_[j] - 2, 0), xb = std::min(col_x_[j] + 2, size - 1);
        int sum = 0;
        for (int xx = xa; xx <= xb; ++xx) sum += row[xx];
        all[static_cast<std::size_t>(j) * size + (y - y_lo)] = sum / (xb - xa + 1);
      }
    }
  }

  // Column j's centre row and bounds from its cross-section's rows y_lo..y_hi (taken into
  // all_xsec): false when they need rows beyond those whose filtered values agree with the whole
  // column's (the median's and the kernel's reach inside either end that is not the window's).
  bool column(int j, int y_lo, int y_hi, int* row_out, int* up_out, int* down_out) {
    const int size = size_, K = K_, s = s_;
    std::vector<int>& d2 = work_.d2;
    const int m = y_hi - y_lo + 1;
    int* const xs = work_.all_xsec.data() + static_cast<std::ptrdiff_t>(j) * size;
    // Each cross-section is filtered where it lies.
    median5(xs, m);
    second_derivative(xs, m, kidx_, d2);
    const int d_lo = y_lo == 0 ? 0 : y_lo + 2 + K / 2;
    const int d_hi = y_hi == size - 1 ? size - 1 : y_hi - 2 - K / 2;
    const int prev = j == 0 ? by_ : (j == 7 ? col_row_[0] : col_row_[j - 1]);
    if (std::max(0, prev - s) < d_lo || std::min(size - 1, prev + s) > d_hi) return false;
    int row = centre_row(xs, m, d2, prev - y_lo, s) + y_lo;
    if (j > 0) {
      const int hold = j <= 6 ? hold_r_ : hold_l_;
      row = clampi(row, prev - hold, prev + hold);
    }
    *row_out = row;
    // Bottom bound: the derivative from the centre row down; top bound: from it upwards.
    const int n_down = size - K / 2 - row;
    const int n_up = row - K / 2;
    int down = -1, up = -1;
    if ((n_down > 0 || n_up > 0) && (row < d_lo || row > d_hi)) return false;
    if (n_down > 0) {
      const int* from = d2.data() + (row - y_lo);
      const int known = d_hi - row + 1;
      if (known >= n_down) {
        down = bndp(from, n_down, s);
      } else if (!bndp_prefix(from, known, n_down, s, &down)) {
        return false;
      }
    }
    if (n_up > 0) {
      // Read backwards from the centre row, without a reversed copy.
      const int known = std::min(row - d_lo + 1, n_up);
      const int* from = d2.data() + (row - y_lo);
      if (known >= n_up) {
        up = bndp<-1>(from, n_up, s);
      } else if (!bndp_prefix<-1>(from, known, n_up, s, &up)) {
        return false;
      }
    }
    *up_out = up;
    *down_out = down;
    return true;
  }

  // The filtered line through (px, py) at `angle`: the `behind` samples behind the centre
  // (farthest first, from `back`), then the first `ahead` from it onwards; its values agree
  // with those of the whole line up to 2 + K / 2 before its end (the median's and the kernel's
  // reach). Its second derivative goes to work_.rdd.
  void filtered_line(int angle, int px, int py, int behind, int ahead) {
    std::vector<int>& back = work_.back;
    std::vector<int>& line = work_.line;
    line.resize(static_cast<std::size_t>(behind + ahead));
    for (int i = 0; i < behind; ++i) line[i] = back[behind - i];
    qt_radxsec(line.data() + behind, angle, win_, px, py, ahead);
    median5(line);
    second_derivative(line.data(), static_cast<int>(line.size()), kidx_, work_.rdd);
  }

  // The bound along the ray from end column `col`'s centre point at `angle`; -1 when the point
  // lies too near the window's edge.
  int ray(int col, int angle) {
    const int size = size_, K = K_, s = s_;
    const int px = col_x_[col], py = col_row_[col];
    int d = std::min({px, py, size - px, size - py});
    if (2 * d > size) --d;
    if (d <= 0) return -1;
    const int n = d - K / 2;
    if (n <= 0) return -1;
    // The bound is picked from the derivative at the centre point and beyond, which depends on
    // the samples from K / 2 + 2 points behind the centre onwards (the kernel's half and the
    // median's reach): the line starts there. The filtered values it changes at its start lie
    // before the ones read.
    const int behind = std::min(d - 1, K / 2 + 2);
    work_.back.resize(static_cast<std::size_t>(behind) + 1);
    qt_radxsec(work_.back.data(), angle + 180, win_, px, py, behind + 1);
    // The pick usually ends a little past the reach: the line is sampled that far first, then
    // twice as far past it, and whole only when the pick needs more of it.
    for (const int ahead : {bound_reach(s) + 2 * K + 8, 2 * bound_reach(s) + 2 * K + 8}) {
      if (ahead >= d || behind + ahead < std::max(5, K)) break;
      filtered_line(angle, px, py, behind, ahead);
      int picked = 0;
      if (bndp_prefix(work_.rdd.data() + behind, ahead - 2 - K / 2, n, s, &picked)) return picked;
    }
    filtered_line(angle, px, py, behind, d);
    return bndp(work_.rdd.data() + behind, n, s);
  }

  const QT_WIN* win_;
  BoundsScratch& work_;
  int size_, bx_, by_;
  int s_ = 2, kidx_ = 0, K_ = 0;
  int hold_r_ = 0, hold_l_ = 0;
  bool inner_ = true;
  int col_x_[13] = {}, col_row_[13] = {};
};

// A band's stored bounds as the result: image coordinates, and the window's from them; a stored
// x of -1 marks a slot without a point.
void stored_bounds(const SPOT* band, const QT_WIN* win, QUANT_RES* res) {
  for (int i = 0; i < SP_BOUNDS; ++i) {
    const bool none = band->bound_x[i] == -1;
    res->img_x[i] = none ? -1 : band->bound_x[i];
    res->img_y[i] = none ? -1 : band->bound_y[i];
    res->bnd_x[i] = none ? -1 : band->bound_x[i] - win->left;
    res->bnd_y[i] = none ? -1 : band->bound_y[i] - win->top;
  }
}

// Each slot's point at its distance along its direction from its column's centre point; slots
// without a distance get -1.
void slot_points(const int* dist, const int* col_x, const int* col_row, const QT_WIN* win,
                 QUANT_RES* res) {
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (dist[i] <= 0) {
      res->bnd_x[i] = res->bnd_y[i] = res->img_x[i] = res->img_y[i] = -1;
      continue;
    }
    int32_t c = 0, ms = 0;
    mt_qtrig(kSlots[i].angle, &c, &ms);
    const int ox = col_x[kSlots[i].col], oy = col_row[kSlots[i].col];
    res->bnd_x[i] = ox + mt_qoffset(dist[i], c);
    res->bnd_y[i] = oy + mt_qoffset(dist[i], ms);
    res->img_x[i] = res->bnd_x[i] + win->left;
    res->img_y[i] = res->bnd_y[i] + win->top;
  }
}

}  // namespace

int mj_2df_bnds(SPOT* band, const QT_WIN* win, QUANT_RES* res, const LANE* lane, int find) {
  static const char* fn = "mj_2df_bnds";
  if (!band || !win || !res || !win->rows || win->size <= 0) return MJ_FAIL_ALLOC;
  SLOG(fn, SLOG_ENTRY, "lane #%2d (%4d, %4d) find %d", lane ? lane->lane_number : -1, band->x,
       band->y, find);
  if (!lane || !ln_xyinlane(band->x, band->y, lane)) {
    SLOG(fn, SLOG_EXIT, "(%4d, %4d) not in lane", band->x, band->y);
    return MJ_FAIL_NOT_IN_LANE;
  }
  if (!find) {
    SLOG(fn, SLOG_VALUE4, "not finding bounds, %d", find);
    stored_bounds(band, win, res);
    SLOG(fn, SLOG_EXIT, "0");
    return 0;
  }
  SLOG(fn, SLOG_VALUE4, "finding bounds, %d", find);

  OutlineSearch search(band, win, scratch());
  const int s = search.expected();
  SLOG(fn, SLOG_VALUE4, "expect_len %d", s);
  SLOG(fn, SLOG_VALUE4, "filter_num %d", search.filter());
  SLOG(fn, SLOG_VALUE4, "pwin center %4d, %4d, size %d, cent (%4d, %4d)", win->cx, win->cy,
       win->size, search.centre_x(), search.centre_y());

  // The three work arrays of the search (cross-sections, their derivatives, the rays'), each of
  // which a test can make fail.
  for (const char* what : {"alloc xsec failed", "alloc df2 failed", "alloc rdf2 failed"}) {
    if (mj_alloc_fails()) {
      SLOG(fn, SLOG_ERROR, "%s", what);
      return MJ_FAIL_ALLOC;
    }
  }
  int dist[SP_BOUNDS] = {};
  try {
    search.place_columns(band);
    search.find_columns(dist);
    search.find_rays(dist);
  } catch (const std::bad_alloc&) {
    SLOG(fn, SLOG_ERROR, "alloc xsec failed");
    return MJ_FAIL_ALLOC;
  }

  int result = smooth_side(dist, kTopSlots, search.col_row(), true, s);
  result |= smooth_side(dist, kBottomSlots, search.col_row(), false, s);
  smooth_rays(dist, kRightRays, s);
  smooth_rays(dist, kLeftRays, s);
  slot_points(dist, search.col_x(), search.col_row(), win, res);
  SLOG(fn, SLOG_EXIT, "%d", result);
  return result;
}
