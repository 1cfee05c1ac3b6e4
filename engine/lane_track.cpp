// Lane tracking on a reduced image.
#include "engine/lane_track.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "base/hot_clones.h"

namespace {

constexpr uint8_t kEdgeRun = 250;
constexpr uint8_t kVisited = 25;
constexpr uint8_t kAssigned = 249;

struct Pseudo {
  int x_min, x_max, y_min, y_max, xc, yc, lane;
};

struct Cell {
  int left, right, xc, y;
};

// Program-wide store of the pseudo bands of the tracking in progress: room for 100 to start,
// four times more whenever it is full, released at the end of each tracking.
std::vector<Pseudo> S_bands_buf;

void push_pseudo(const Pseudo& p) {
  if (S_bands_buf.capacity() == 0) S_bands_buf.reserve(100);
  if (S_bands_buf.size() == S_bands_buf.capacity()) S_bands_buf.reserve(S_bands_buf.capacity() * 4);
  S_bands_buf.push_back(p);
}

struct Grid {
  int w, h;
  std::vector<int> d;        // difference image
  std::vector<uint8_t> m;    // pseudo-band mask
  int& D(int x, int y) { return d[static_cast<size_t>(y) * w + x]; }
  uint8_t& M(int x, int y) { return m[static_cast<size_t>(y) * w + x]; }
};

// Grows the region of edge-run pixels that starts at (x0, y0), marking them visited; rows more
// than 5 below the start row are not entered. Returns the region's bounds. `stack` is work room
// (empty on return), kept by the caller from one region to the next.
// The region is the set of edge-run pixels joined to the start through their four neighbours,
// whatever the order they are found in: each pixel taken from the stack is widened to the run of
// edge-run pixels about it in its row, and the first pixel of each run of edge-run pixels above
// and below that run goes on the stack (the rest of such a run is taken when the pixel is
// widened).
Pseudo grow_region(Grid& g, int x0, int y0, std::vector<std::pair<int, int>>& stack) {
  Pseudo r{x0, x0, y0, y0, 0, 0, -1};
  const int x_lo = 1, x_hi = g.w - 2;
  const int y_lo = 1, y_hi = std::min(g.h - 2, y0 + 5);
  stack.assign(1, {x0, y0});
  g.M(x0, y0) = kVisited;
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    uint8_t* row = &g.M(0, y);
    int a = x, b = x;
    while (a > x_lo && row[a - 1] == kEdgeRun) row[--a] = kVisited;
    while (b < x_hi && row[b + 1] == kEdgeRun) row[++b] = kVisited;
    r.x_min = std::min(r.x_min, a);
    r.x_max = std::max(r.x_max, b);
    r.y_min = std::min(r.y_min, y);
    r.y_max = std::max(r.y_max, y);
    for (const int ny : {y - 1, y + 1}) {
      if (ny < y_lo || ny > y_hi) continue;
      uint8_t* next = &g.M(0, ny);
      for (int k = a; k <= b; ++k) {
        if (next[k] != kEdgeRun) continue;
        next[k] = kVisited;
        stack.push_back({k, ny});
        while (k < b && next[k + 1] == kEdgeRun) ++k;
      }
    }
  }
  return r;
}

// The frame of one tracking on the reduced image: its size, the corners' rows and columns and
// the expected lane width, all in reduced pixels.
struct Frame {
  int W, H;                  // the reduced image's part that is tracked
  int x_left, y_top, x_right, y_bottom;
  int N;                     // lanes
  int Lw, h;                 // expected lane width and its half
  int M;                     // control rows
};

Frame make_frame(int N, const TkImage* img, int height, int width, const LN_POINT c[4], int step,
                 int x_off, int y_off) {
  Frame f{};
  f.W = std::min(static_cast<int>(std::floor(static_cast<double>(width) / step + 0.5)),
                 img->width());
  f.H = std::min(static_cast<int>(std::floor(static_cast<double>(height) / step + 0.5)),
                 img->height());
  f.x_left = (c[0].x - x_off) / step;
  f.y_top = (c[0].y - y_off) / step;
  f.x_right = (c[1].x - x_off) / step;
  f.y_bottom = (c[3].y - y_off) / step;
  f.N = N;
  f.Lw = std::max(((c[1].x - c[0].x) / step) / N, 1);
  f.h = f.Lw / 2;
  f.M = std::max(f.H / (3 * f.Lw), 4);
  return f;
}

// Fills the difference image with the horizontal differences two columns apart, summed over 9
// rows with a running sum and divided by 9, and counts their magnitudes in `hist`.
// A copy for processors with AVX2 sums and divides the column differences eight at a time
// (integers: the same values).
VX_HOT_CLONES void edge_differences(Grid& g, const TkImage* img, std::vector<long long>& hist) {
  const int W = g.w, H = g.h;
  if (!(W - 2 > 1 && H > 9)) return;
  // Row by row, with a running sum per column: each column's sum of the 9 rows about row y.
  const int nx = W - 3;  // columns x = 0 .. W - 4
  const int pbpp = img->bytes_per_pixel();
  // A column's sum holds at most 9 differences of samples of at most 16 bits: |sum| < 2^20,
  // exact in 32 bits, which lets the compiler add and divide many columns at a time.
  std::vector<int> sum(static_cast<size_t>(nx), 0);
  // Adds (Add) or subtracts pixel (x + 2, y) - pixel (x, y) to or from each column's sum.
  auto row_diff = [&]<bool Add>(int y) {
    const uint8_t* row = img->row(y);
    if (pbpp == 2) {
      for (int x = 0; x < nx; ++x) {
        const int a = row[2 * x] | row[2 * x + 1] << 8;
        const int b = row[2 * x + 4] | row[2 * x + 5] << 8;
        sum[x] += Add ? b - a : a - b;
      }
    } else {
      for (int x = 0; x < nx; ++x) sum[x] += Add ? row[x + 2] - row[x] : row[x] - row[x + 2];
    }
  };
  for (int r = 0; r <= 8; ++r) row_diff.template operator()<true>(r);
  for (int y = 4; y <= H - 6; ++y) {
    if (y > 4) {
      row_diff.template operator()<true>(y + 4);
      row_diff.template operator()<false>(y - 5);
    }
    int* out = &g.D(1, y);
    for (int x = 0; x < nx; ++x) out[x] = sum[x] / 9;
    for (int x = 0; x < nx; ++x) ++hist[std::min(std::abs(out[x]), 65534)];
  }
}

// The edge threshold: one below the weakest difference among the strongest `percent` of all
// pixels; -1 when there are too few.
int edge_threshold(const std::vector<long long>& hist, int bins, const Frame& f, int percent) {
  const long long want = static_cast<long long>(f.H) * f.W * percent / 100;
  long long acc = 0;
  for (int bin = bins - 1; bin >= 0; --bin) {
    acc += hist[bin];
    if (acc >= want) return bin - 1;
  }
  return -1;
}

// Marks the bright runs between a rising and a falling edge, about one lane wide, at three
// thresholds. The runs only mark the mask and are found from the difference image alone, so
// each row is taken at all three thresholds while it is in cache. A run starts at a column above
// the threshold: the columns above the lowest of the three are listed once per row (without a
// branch, since which they are is unforeseeable), and each threshold's search for the next
// column above it goes through the list.
VX_HOT_CLONES void mark_edge_runs(Grid& g, const Frame& f, int T0) {
  const int W = f.W, H = f.H, Lw = f.Lw, h = f.h;
  const int thresholds[3] = {T0 / 2, T0, 3 * T0 / 2};
  const int t_low = std::min({thresholds[0], thresholds[1], thresholds[2]});
  std::vector<int> above(static_cast<size_t>(std::max(W, 0)) + 1);
  for (int y = 0; y < H; ++y) {
    const int* row = W > 0 ? &g.D(0, y) : nullptr;
    uint8_t* mask = W > 0 ? &g.M(0, y) : nullptr;
    int n_above = 0;
    for (int x = 0; x < W; ++x) {
      above[n_above] = x;
      n_above += row[x] > t_low;
    }
    for (const int t : thresholds) {
      int x = 0;
      int next = 0;  // the first listed column not yet passed
      while (x < W) {
        while (next < n_above && (above[next] < x || row[above[next]] <= t)) ++next;
        if (next == n_above) break;
        x = above[next];
        // x1: the first column after the rising run; j: the first falling column from there.
        int x1 = x;
        while (x1 < W && row[x1] > t) ++x1;
        int j = x1;
        while (j < W && j - x1 < Lw && row[j] >= -t) ++j;
        if (j < W && row[j] < -t && h < j - x1 && j - x1 < Lw) {
          for (int k = x1; k < j; ++k) mask[k] = kEdgeRun;
          x = j;
        } else {
          x = x1;
        }
      }
    }
  }
}

// Grows the connected runs into regions and keeps those about one lane wide and more than one
// row tall as pseudo bands, sorted by their top row. Returns the widest region's width, at most
// one lane width.
int collect_pseudo_bands(Grid& g, const Frame& f) {
  const int W = f.W, H = f.H, Lw = f.Lw, h = f.h;
  int widest = 0;
  std::vector<std::pair<int, int>> stack;
  for (int y = 1; y <= H - 2; ++y) {
    for (int x = 1; x <= W - 2; ++x) {
      // The next edge-run pixel of the row (runs are rare: the search goes by memchr).
      const uint8_t* at = &g.M(x, y);
      const void* hit = std::memchr(at, kEdgeRun, static_cast<size_t>(W - 1 - x));
      if (!hit) break;
      x += static_cast<int>(static_cast<const uint8_t*>(hit) - at);
      Pseudo r = grow_region(g, x, y, stack);
      const int rw = r.x_max - r.x_min;
      widest = std::max(widest, rw);
      if (r.y_max - r.y_min > 0 && h < rw && rw < h + Lw) {
        r.xc = (r.x_min + r.x_max) / 2;
        r.yc = (r.y_min + r.y_max) / 2;
        push_pseudo(r);
      }
    }
  }
  std::stable_sort(S_bands_buf.begin(), S_bands_buf.end(),
                   [](const Pseudo& a, const Pseudo& b) { return a.y_min < b.y_min; });
  return std::min(widest, Lw);
}

// The control cells of every lane, row by row: M rows of N cells.
struct Controls {
  int N;
  std::vector<Cell> cells;
  Cell& at(int j, int i) { return cells[static_cast<size_t>(j) * N + i]; }
};

// Row 0 divides the region between the corners evenly.
void place_first_row(Controls& ctrl, const Frame& f) {
  for (int i = 0; i < f.N; ++i) {
    Cell& c0 = ctrl.at(0, i);
    c0.left = f.x_left + i * (f.x_right - f.x_left) / f.N;
    c0.right = f.x_left + (i + 1) * (f.x_right - f.x_left) / f.N;
    c0.xc = (c0.left + c0.right) / 2;
    c0.y = f.y_top;
  }
}

// Row j's centres from the pseudo bands [b0, b1) whose centres lie inside the spans of row
// j - 1: each unassigned band goes to the lane whose span holds it, and the lane's centre is the
// mean of its bands' centres; a lane whose span holds a band already taken by another lane marks
// that lane lost. Lanes with no band or lost get -1. The first row found moves row 0's later
// lanes with it.
void find_row_centres(Grid& g, Controls& ctrl, const Frame& f, int j, int y, int b0, int b1,
                      std::vector<char>& lost) {
  std::fill(lost.begin(), lost.end(), 0);
  for (int i = 0; i < f.N; ++i) {
    const Cell& above = ctrl.at(j - 1, i);
    long long sum = 0;
    int count = 0;
    for (int k = b0; k < b1; ++k) {
      Pseudo& p = S_bands_buf[k];
      if (!(above.left < p.xc && p.xc < above.right)) continue;
      if (p.lane == -1) {
        p.lane = i;
        for (int x = p.x_min; x < p.x_max; ++x) {
          if (x >= 0 && x < f.W && p.yc >= 0 && p.yc < f.H) g.M(x, p.yc) = kAssigned;
        }
        sum += p.xc;
        ++count;
      } else if (p.lane != i) {
        lost[p.lane] = 1;
        ctrl.at(j, p.lane).xc = -1;
      }
    }
    Cell& cur = ctrl.at(j, i);
    cur.y = y;
    cur.xc = (count && !lost[i]) ? static_cast<int>(sum / count) : -1;
    if (j == 1 && cur.xc != -1) {
      const int shift = cur.xc - ctrl.at(0, i).xc;
      for (int k = i; k < f.N; ++k) ctrl.at(0, k).xc += shift;
    }
  }
}

// Lanes not found in row j take their place from the lanes found in it: between two found lanes
// in proportion, beside one found lane at their distance in the row above, and with none where
// they were in the row above.
void fill_missing_centres(Controls& ctrl, const Frame& f, int j, std::vector<int>& found,
                          std::vector<int>& fill) {
  const int N = f.N;
  for (int i = 0; i < N; ++i) found[i] = ctrl.at(j, i).xc;
  for (int i = 0; i < N; ++i) {
    fill[i] = found[i];
    if (found[i] != -1) continue;
    int l = -1, r = -1;
    for (int k = i - 1; k >= 0; --k) {
      if (found[k] != -1) {
        l = k;
        break;
      }
    }
    for (int k = i + 1; k < N; ++k) {
      if (found[k] != -1) {
        r = k;
        break;
      }
    }
    if (l >= 0 && r >= 0) {
      fill[i] = found[l] + (found[r] - found[l]) * (i - l) / (r - l);
    } else if (l >= 0 || r >= 0) {
      const int k = l >= 0 ? l : r;
      fill[i] = found[k] + (ctrl.at(j - 1, i).xc - ctrl.at(j - 1, k).xc);
    } else {
      fill[i] = ctrl.at(j - 1, i).xc;
    }
  }
  for (int i = 0; i < N; ++i) ctrl.at(j, i).xc = fill[i];
}

// Spans for the next row: interior lanes reach the midpoints with their neighbours, the first
// and the last lane half a lane width either side of their centre (so their spans may overlap a
// neighbour's).
void set_row_spans(Controls& ctrl, const Frame& f, int j) {
  for (int i = 0; i < f.N; ++i) {
    Cell& cur = ctrl.at(j, i);
    if (i == 0 || i == f.N - 1) {
      cur.left = cur.xc - f.Lw / 2;
      cur.right = cur.xc + f.Lw / 2;
    } else {
      cur.left = (ctrl.at(j, i - 1).xc + cur.xc) / 2;
      cur.right = (cur.xc + ctrl.at(j, i + 1).xc) / 2;
    }
  }
}

// Control rows: row 0 divides the region evenly; every later row follows the pseudo bands.
void follow_lanes(Grid& g, Controls& ctrl, const Frame& f) {
  const int R = f.H / (f.M - 1);
  place_first_row(ctrl, f);
  const int nb = static_cast<int>(S_bands_buf.size());
  std::vector<int> found(f.N), fill(f.N);
  std::vector<char> lost(f.N);
  for (int j = 1; j < f.M; ++j) {
    const int y = j * R - R / 2;
    const int y_prev = (j - 1) * R - R / 2;
    int b0 = 0;
    while (b0 < nb && S_bands_buf[b0].yc <= y_prev) ++b0;
    int b1 = b0;
    while (b1 < nb && S_bands_buf[b1].yc < y) ++b1;
    find_row_centres(g, ctrl, f, j, y, b0, b1, lost);
    fill_missing_centres(ctrl, f, j, found, fill);
    set_row_spans(ctrl, f, j);
  }
  for (int i = 0; i < f.N; ++i) ctrl.at(f.M - 1, i).y = f.y_bottom;
}

// Gives each lane its centre line (the control cells in full-image pixels) and its half width.
int write_lanes(LANE* lane_head, Controls& ctrl, const Frame& f, int widest, int step, int x_off,
                int y_off) {
  int half;
  if (S_bands_buf.empty() && widest == 0) {
    // No pseudo band: half the expected lane width, in full-image pixels like the other case.
    half = (f.h / 2 + 1) * step;
  } else {
    half = (widest * step) / 2 + 1;
  }
  if (2 * half < f.Lw / 2) half = f.Lw / 2;
  const int x_max = f.W * step + step / 2 + x_off;
  LANE* lane = lane_head->next;
  for (int i = 0; i < f.N && lane; ++i, lane = lane->next) {
    auto* pts = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * f.M));
    if (!pts) {
      ks_dbg_null_ptr("ln_track_lanes", "curr_lane->center_coords");
      return 0;
    }
    for (int j = 0; j < f.M; ++j) {
      pts[j].x = std::min(ctrl.at(j, i).xc * step + x_off, x_max);
      pts[j].y = ctrl.at(j, i).y * step + y_off;
    }
    ks_free(lane->center_coords);
    lane->center_coords = pts;
    lane->num_center_points = f.M;
    lane->left_width = lane->right_width = half;
  }
  return 0;
}

// Tracks N lanes between the corners: edges from the column differences, bright runs about one
// lane wide between them grown into pseudo bands, and the lanes followed from row to row through
// the pseudo bands.
int track(LANE* lane_head, int N, const TkImage* img, int height, int width, int bpp,
          const LN_POINT c[4], int step, int percent, int x_off, int y_off) {
  if (step < 1) step = 1;
  const Frame f = make_frame(N, img, height, width, c, step, x_off, y_off);
  SLOG("ln_track_lanes", SLOG_VALUE4, "W' %d H' %d Lw %d M %d", f.W, f.H, f.Lw, f.M);

  Grid g{std::max(f.W, 0), std::max(f.H, 0), {}, {}};
  g.d.assign(static_cast<size_t>(g.w) * g.h, 0);
  g.m.assign(static_cast<size_t>(g.w) * g.h, 0);

  std::vector<long long> hist(65536, 0);
  edge_differences(g, img, hist);
  const int T0 = edge_threshold(hist, bpp == 2 ? 65536 : 256, f, percent);
  mark_edge_runs(g, f, T0);
  const int widest = collect_pseudo_bands(g, f);
  SLOG("ln_track_lanes", SLOG_VALUE4, "%d pseudo bands, widest %d", (int)S_bands_buf.size(), widest);

  Controls ctrl{N, std::vector<Cell>(static_cast<size_t>(f.M) * N)};
  follow_lanes(g, ctrl, f);
  return write_lanes(lane_head, ctrl, f, widest, step, x_off, y_off);
}

}  // namespace

int ln_track_lanes(LANE* lane_head, int n, const TkImage* reduced, int height, int width,
                   int bytes_per_pixel, const LN_POINT corners[4], int step, int percent,
                   int x_off, int y_off) {
  SLOG("ln_track_lanes", SLOG_ENTRY, "%d lanes, step %d, %d%%", n, step, percent);
  if (!lane_head || !reduced || !corners || n <= 0) return 0;
  try {
    track(lane_head, n, reduced, height, width, bytes_per_pixel, corners, step, percent, x_off,
          y_off);
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr("ln_track_lanes", "pseudo");
  }
  S_bands_buf.clear();
  S_bands_buf.shrink_to_fit();
  SLOG("ln_track_lanes", SLOG_EXIT, "0");
  return 0;
}
