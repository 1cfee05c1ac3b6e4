// Lane density profiles read from the image file, and baselines.
#include "engine/lane_profile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "base/ks_mem.h"
#include "base/par_lanes.h"
#include "base/slog.h"
#include "base/hot_clones.h"
#include "engine/lane_features.h"
#include "engine/lane_stats.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"

namespace {

constexpr int kBlockRows = 256;
// Rows read by one thread at a time.
constexpr int kRunRows = 64;
constexpr int kSpikeHalfWindow = (21 - 1) / 2;
constexpr int kSpikeLimit = 400;

double seg_slope(const LN_POINT& a, const LN_POINT& b) {
  return b.y != a.y ? static_cast<double>(b.x - a.x) / (b.y - a.y) : 0.0;
}

int seg_x(const LN_POINT& a, double slope, int y) {
  return static_cast<int>(std::floor((y - a.y) * slope + a.x + 0.5));
}

// Walks the centre line of one lane row by row, rows ascending. The slope of the segment in hand
// is kept, so that it is divided out once per segment rather than once per row.
struct CentreCursor {
  const LANE* lane;
  int seg = -1;
  double slope = 0.0;
  int x_at(int y) {
    const LN_POINT* p = lane->center_coords;
    const int n = lane->num_center_points;
    if (n == 1) return p[0].x;
    int s = seg < 0 ? 0 : seg;
    while (s + 2 < n && y > p[s + 1].y) ++s;
    if (s != seg) {
      seg = s;
      slope = seg_slope(p[s], p[s + 1]);
    }
    return seg_x(p[seg], slope, y);
  }
};

// Work arrays of one lane while its profile is read.
struct LaneWork {
  std::vector<int> side;
  std::vector<int> spike;
};

}  // namespace

int ln_profile_center_x(const LANE* lane, int y) {
  if (!lane || !lane->center_coords || lane->num_center_points <= 0) return -1;
  CentreCursor c{lane};
  return c.x_at(y);
}

int ln_sample_width(const LANE* lane, int percent) {
  if (!lane) return 0;
  const double w = (lane->left_width + lane->right_width + 1) * percent / 100.0 + 0.5;
  return static_cast<int>(w);
}

namespace {

// Runs f(i) for each of the n lanes, on several threads when the lanes are distinct records
// (work on one lane touches that lane alone); otherwise one after the other.
void for_lanes(LANE** lanes, int n, const std::function<void(int)>& f) {
  if (par_distinct(lanes, n)) {
    par_lanes(n, f);
  } else {
    for (int i = 0; i < n; ++i) f(i);
  }
}

// What the row reader needs of each lane with a profile, side by side.
struct ProfileTarget {
  const LANE* lane;
  int fy, ly;  // the lane's first and last rows
  int w;       // samples across it
  int* value;
  int* side;
  int* spike;
};

// The stretch that each lane will read this many rows further down is asked of the memory while
// a row is worked on.
constexpr int kAhead = 4;

void store(const ProfileTarget& t, int y, const LnRowStats& st) {
  const int i = y - t.fy;
  t.value[i] = st.value;
  t.side[i] = st.side_mean;
  t.spike[i] = st.spike;
}

// Reads image row y (bpp bytes per pixel, `width` pixels): each lane's stretch in turn, the
// entries of row y of the nt profiles; `ahead` is the row kAhead further down, or null.
VX_HOT_CLONES void read_row(const uint8_t* row, const uint8_t* ahead, int y, int width, int bpp,
                            const ProfileTarget* targets, CentreCursor* cursors, int nt) {
  // A lane's stretch held back for the next lane of as many samples: two lanes with as many
  // samples are taken together.
  int held = -1, held_ns = 0;
  const uint8_t* held_at = nullptr;
  auto flush = [&] {
    if (held < 0) return;
    LnRowStats st{};
    if (ln_row_stats_le16(held_at, held_ns, &st)) store(targets[held], y, st);
    held = -1;
  };
  for (int ti = 0; ti < nt; ++ti) {
    const ProfileTarget& t = targets[ti];
    if (y < t.fy || y > t.ly) continue;
    const int xc = cursors[ti].x_at(y);
    const int xs = xc - t.w / 2;
    const int x_from = std::max(xs - 1, 0);
    const int x_to = std::min(xs + t.w, width - 1);
    const int ns = std::max(0, x_to - x_from + 1);
    const size_t at = static_cast<size_t>(bpp) * x_from;
    if (ahead && ns > 0) {
      const int bytes = bpp * ns;
      for (int b = 0; b < bytes; b += 64) __builtin_prefetch(ahead + at + b);
      __builtin_prefetch(ahead + at + bytes - 1);
    }
    if (ns <= 0) continue;  // nothing to sample: the entry stays 0
    if (bpp == 2) {
      if (held >= 0 && held_ns == ns) {
        LnRowStats st[2];
        if (ln_row_stats_le16_pair(held_at, row + at, ns, st)) {
          store(targets[held], y, st[0]);
          store(t, y, st[1]);
        }
        held = -1;
        continue;
      }
      flush();
      held = ti;
      held_at = row + at;
      held_ns = ns;
    } else {
      LnRowStats st{};
      if (ln_row_stats_u8(row + at, ns, &st)) store(t, y, st);
    }
  }
  flush();
}

// Builds the profiles from an image of width x height of bpp bytes per pixel whose rows come in
// blocks of block_rows: fetch(first row, rows) returns the image holding them and sets *base to
// the image row of its row 0 (null when they cannot be had).
template <class Fetch>
int load_profiles(Fetch fetch, int block_rows, int width, int height, int bpp, LANE** lanes, int n,
                  int percent) {
  // Profile arrays and work arrays; the row range that any lane covers.
  std::vector<LaneWork> work(n);
  int y_min = 0, y_max = -1;
  bool any = false;
  for (int li = 0; li < n; ++li) {
    LANE* lane = lanes[li];
    if (!lane) continue;
    const int old_count = lane->num_data_values;
    ks_free(lane->data_values);
    lane->data_values = nullptr;
    lane->num_data_values = 0;
    const int fy = lane->center_coords && lane->num_center_points > 0 ? lane->center_coords[0].y : 0;
    const int ly = lane->center_coords && lane->num_center_points > 0
                       ? lane->center_coords[lane->num_center_points - 1].y
                       : -1;
    const int count = ly >= fy ? ly - fy + 1 : 0;
    // A baseline of another length belongs to the lane's former extent: drop it, so that it is
    // built again for the new profile instead of being read past its end.
    if (count != old_count) {
      ks_free(lane->baseline_values);
      lane->baseline_values = nullptr;
    }
    if (count == 0) continue;
    lane->data_values = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * count));
    if (!lane->data_values) {
      ks_dbg_null_ptr("ln_load_data_values", "in_lanes[lane_i]");
      return 0;
    }
    lane->num_data_values = count;
    try {
      work[li].side.assign(count, 0);
      work[li].spike.assign(count, 0);
    } catch (const std::bad_alloc&) {
      ks_dbg_null_ptr("ln_load_data_values", "work");
      return 0;
    }
    y_min = any ? std::min(y_min, fy) : fy;
    y_max = any ? std::max(y_max, ly) : ly;
    any = true;
  }

  // Rows outside the image hold no pixels: their profile values stay 0.
  const int row_first = std::max(y_min, 0);
  const int row_last = std::min(y_max, height - 1);
  std::vector<ProfileTarget> targets;
  for (int li = 0; li < n; ++li) {
    LANE* lane = lanes[li];
    if (!lane || !lane->data_values) continue;
    targets.push_back({lane, lane->center_coords[0].y,
                       lane->center_coords[lane->num_center_points - 1].y,
                       ln_sample_width(lane, percent), lane->data_values, work[li].side.data(),
                       work[li].spike.data()});
  }
  // Reads rows y0..y1 of the block, in order. A row fills its own entries of every profile
  // alone, so that runs of rows can be read on several threads at once.
  auto read_rows = [&](const TkImage* block, int base, int y0, int y1) {
    std::vector<CentreCursor> cursors;
    for (const ProfileTarget& t : targets) cursors.push_back(CentreCursor{t.lane});
    const int nt = static_cast<int>(targets.size());
    const int block_last = base + block->height() - 1;
    for (int y = y0; y <= y1; ++y) {
      const uint8_t* ahead = y + kAhead <= block_last ? block->row(y + kAhead - base) : nullptr;
      read_row(block->row(y - base), ahead, y, width, bpp, targets.data(), cursors.data(), nt);
    }
  };
  try {
    for (int by = row_first; any && by <= row_last; by += block_rows) {
      const int rows = std::min(block_rows, row_last - by + 1);
      int base = 0;
      const TkImage* block = fetch(by, rows, &base);
      if (!block) {
        SLOG("ln_load_data_values", SLOG_ERROR, "cannot read rows %d..%d", by, by + rows - 1);
        return 0;
      }
      const int runs = (rows + kRunRows - 1) / kRunRows;
      par_lanes(runs, [&](int r) {
        const int y0 = by + r * kRunRows;
        read_rows(block, base, y0, std::min(y0 + kRunRows - 1, by + rows - 1));
      });
    }
    for_lanes(lanes, n, [&](int li) {
      LANE* lane = lanes[li];
      if (!lane || !lane->data_values) return;
      ln_remove_spikes(lane->data_values, work[li].side.data(), work[li].spike.data(),
                       lane->num_data_values, kSpikeHalfWindow, kSpikeLimit);
    });
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr("ln_load_data_values", "cursors");
    return 0;
  }
  SLOG("ln_load_data_values", SLOG_EXIT, "TRUE");
  return 1;
}

}  // namespace

int ln_load_data_values(const char* image_path, LANE** lanes, int n, int percent) {
  SLOG("ln_load_data_values", SLOG_ENTRY, "%s, %d lanes, %d%%", image_path ? image_path : "null",
       n, percent);
  if (!image_path || !lanes || n <= 0) return 0;
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!io_query_image(image_path, &bits, extent)) {
    SLOG("ln_load_data_values", SLOG_ERROR, "io_query_image failed");
    return 0;
  }
  // The rows are read from the file in blocks.
  TkImage block;
  auto fetch = [&](int by, int rows, int* base) -> const TkImage* {
    const int32_t rect[4] = {0, by, extent[0], rows};
    *base = by;
    return io_read_kestrin(image_path, &block, rect, 1.0) ? &block : nullptr;
  };
  return load_profiles(fetch, kBlockRows, extent[0], extent[1], bits / 8, lanes, n, percent);
}

int ln_load_data_values_image(const TkImage* image, LANE** lanes, int n, int percent) {
  SLOG("ln_load_data_values", SLOG_ENTRY, "image in memory, %d lanes, %d%%", n, percent);
  if (!image || image->empty() || !lanes || n <= 0) return 0;
  auto fetch = [&](int, int, int* base) -> const TkImage* {
    *base = 0;
    return image;
  };
  // The image is one block, its rows read in runs on several threads.
  return load_profiles(fetch, std::max(image->height(), 1), image->width(), image->height(),
                       image->bytes_per_pixel(), lanes, n, percent);
}

namespace {

// Writes the baseline between points p and q (q after p in the list) into the rows of b[0 .. n - 1]
// from p's position to q's, rounding (floor of x + 0.5) where ln_baseline_at truncates: each is
// the procedure's own rule. Where two stretches meet, both give the shared point's own value.
[[gnu::always_inline]] inline void fill_span(int32_t* b, int n, const LN_FEAT* p, const LN_FEAT* q) {
  // Wide arithmetic: stored points may be any 32-bit values, in any order.
  const long long py = p->feat.y, px = p->feat.x;
  const long long dp = static_cast<long long>(q->feat.y) - py;
  const double slope = dp != 0 ? static_cast<double>(q->feat.x - px) / static_cast<double>(dp)
                               : 0.0;
  const long long i_from = std::max(0LL, -py);
  const long long i_to = std::min(dp, n - 1 - py);
  // Over the array's indexes r = py + i: i as a double is r - py, exact (both are integers far
  // below 2^53), so each value is the one the formula gives for i.
  const double pyd = static_cast<double>(py), pxd = static_cast<double>(px);
  int r = static_cast<int>(py + i_from);
  const int r_to = static_cast<int>(py + i_to);
#if defined(__GNUC__)
  // Four rows at a time: the same value, computed as the floor of x clamped to the int range,
  // with x clamped first, then truncated to an int and made one less where that went up (x
  // negative and not whole).
  using V4d = double __attribute__((vector_size(32)));
  using V4i = int32_t __attribute__((vector_size(16)));
  constexpr double kLo = INT_MIN, kHi = INT_MAX;
  const V4d step = {0.0, 1.0, 2.0, 3.0};
  for (; static_cast<long long>(r_to) - r >= 3; r += 4) {
    const V4d rows = static_cast<double>(r) + step;  // whole numbers: exact
    V4d x = (rows - pyd) * slope + pxd + 0.5;
    x = x < kLo ? kLo : x;
    x = x > kHi ? kHi : x;
    V4i t = __builtin_convertvector(x, V4i);
    t += __builtin_convertvector(__builtin_convertvector(t, V4d) > x, V4i);
    std::memcpy(b + r, &t, sizeof t);
  }
#endif
  for (; r <= r_to; ++r) {
    const double v = std::floor((static_cast<double>(r) - pyd) * slope + pxd + 0.5);
    b[r] = v <= INT_MIN ? INT_MIN : (v >= INT_MAX ? INT_MAX : static_cast<int>(v));
  }
}

// The rows before the first point take its value, as do those from the last point on.
[[gnu::always_inline]] inline void fill_before(int32_t* b, int n, const LN_FEAT* first) {
  for (int i = 0; i < std::min(first->feat.y, n); ++i) b[i] = first->feat.x;
}
[[gnu::always_inline]] inline void fill_after(int32_t* b, int n, const LN_FEAT* last) {
  for (int i = std::max(last->feat.y, 0); i < n; ++i) b[i] = last->feat.x;
}

}  // namespace

VX_HOT_CLONES void ln_calc_baseline(LANE* lane) {
  if (!lane) return;
  ks_free(lane->baseline_values);
  lane->baseline_values = nullptr;
  const int n = lane->num_data_values;
  if (n <= 0) return;
  auto* b = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * n));
  if (!b) {
    ks_dbg_null_ptr("ln_calc_baseline", "in_lane->baseline_values");
    return;
  }
  lane->baseline_values = b;
  const LN_FEAT* p = lane->baseline ? lane->baseline->next : nullptr;
  if (!p) return;  // no points: all 0
  fill_before(b, n, p);
  for (const LN_FEAT* q = p->next; q; p = q, q = q->next) fill_span(b, n, p, q);
  fill_after(b, n, p);
}

VX_HOT_CLONES void ln_rebaseline_about(LANE* lane, const LN_FEAT* prev, const LN_FEAT* point) {
  int32_t* b = lane ? lane->baseline_values : nullptr;
  if (!b || !point) return;
  const int n = lane->num_data_values;
  if (prev)
    fill_span(b, n, prev, point);
  else
    fill_before(b, n, point);
  if (point->next)
    fill_span(b, n, point, point->next);
  else
    fill_after(b, n, point);
}

namespace {

// The baseline at offset i from the lane's first row, with p the first point at or after i and
// prev the one before it (null when none).
int baseline_between(long long i, const LN_FEAT* prev, const LN_FEAT* p) {
  long long v;
  if (!p) {
    v = prev->feat.x;
  } else if (p->feat.y == i || !prev) {
    v = p->feat.x;
  } else {
    // prev.pos < i < p.pos: the result lies between the two values, but the product may need
    // more than 64 bits.
    const __int128 dx = static_cast<long long>(p->feat.x) - prev->feat.x;
    const __int128 di = i - prev->feat.y;
    const __int128 dy = static_cast<long long>(p->feat.y) - prev->feat.y;
    v = prev->feat.x + static_cast<long long>(dx * di / dy);
  }
  return v < 0 ? 0 : static_cast<int>(v);
}

bool has_baseline(const LANE* lane) {
  return lane && lane->bckgrnd_type != 0 && lane->baseline && lane->baseline->next &&
         lane->center_coords && lane->num_center_points > 0;
}

}  // namespace

int ln_baseline_at(int y, const LANE* lane) {
  return LnBaselineWalk(lane).at(y);
}

int LnBaselineWalk::at(int y) {
  if (!has_baseline(lane_)) return 0;
  const long long i = static_cast<long long>(y) - lane_->center_coords[0].y;
  // Every point passed so far lies before the last row, so before this one too: the walk from
  // the first point would pass the same points.
  if (!started_ || i < last_) {
    prev_ = nullptr;
    p_ = lane_->baseline->next;
    started_ = true;
  }
  last_ = i;
  while (p_ && p_->feat.y < i) {
    prev_ = p_;
    p_ = p_->next;
  }
  return baseline_between(i, prev_, p_);
}

void ln_baseline_rows(int y0, int y1, const LANE* lane, int* out) {
  LnBaselineWalk walk(lane);
  for (long long y = y0; y <= y1; ++y) out[y - y0] = walk.at(static_cast<int>(y));
}

void ln_calc_lane_baselines(LANE** lanes, int n, int analysis_type) {
  SLOG("ln_calc_lane_baselines", SLOG_ENTRY, "%d lanes, type %d", n, analysis_type);
  if (!lanes) return;
  for (int i = 0; i < n; ++i) {
    if (lanes[i] && !lanes[i]->baseline_values) ln_calc_baseline(lanes[i]);
  }
  // The features and the corrected baseline of each lane are its own: the lanes are worked on
  // several threads.
  for_lanes(lanes, n, [&](int i) {
    LANE* lane = lanes[i];
    if (!lane) return;
    const int top = lane->min_top_band_thick, bot = lane->min_bot_band_thick;
    const int th = lane->band_threshold, th2 = lane->band_threshold2;
    if (analysis_type == LN_ANALYSIS_ALT) {
      lane->min_top_band_thick = 8;
      lane->min_bot_band_thick = 16;
    }
    lane->band_threshold = 3;
    lane->band_threshold2 = 0;
    ln_detect_features(lane, 0, 0);
    lane->min_top_band_thick = top;
    lane->min_bot_band_thick = bot;
    lane->band_threshold = th;
    lane->band_threshold2 = th2;
    ln_bcorr(lane);
  });
}
