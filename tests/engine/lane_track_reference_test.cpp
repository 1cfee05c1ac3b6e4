// Lane tracking against its plain form, kept here as the reference: the same centre points and
// widths for 8- and 16-bit images of leaning and bowed lanes, and for images of random
// blobs whose edge regions reach the image's borders, bend back upwards and run taller than the
// rows a region may take, at several reductions and edge percentages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_track.h"
#include "model/lane.h"
#include "toolkit/core/tk_image.h"

// The tracking in its plain form: a difference sum and a pixel at a time, regions grown a pixel
// at a time.
namespace reftrack {

constexpr uint8_t kEdgeRun = 250;
constexpr uint8_t kVisited = 25;
constexpr uint8_t kAssigned = 249;

struct Pseudo {
  int x_min, x_max, y_min, y_max, xc, yc, lane;
};

struct Cell {
  int left, right, xc, y;
};

std::vector<Pseudo> S_bands_buf;

void push_pseudo(const Pseudo& p) {
  if (S_bands_buf.capacity() == 0) S_bands_buf.reserve(100);
  if (S_bands_buf.size() == S_bands_buf.capacity()) S_bands_buf.reserve(S_bands_buf.capacity() * 4);
  S_bands_buf.push_back(p);
}

struct Grid {
  int w, h;
  std::vector<int> d;      // difference image
  std::vector<uint8_t> m;  // pseudo-band mask
  int& D(int x, int y) { return d[static_cast<size_t>(y) * w + x]; }
  uint8_t& M(int x, int y) { return m[static_cast<size_t>(y) * w + x]; }
};

// Grows the region of edge-run pixels that starts at (x0, y0), marking them visited; rows more
// than 5 below the start row are not entered. Returns the region's bounds.
Pseudo grow_region(Grid& g, int x0, int y0) {
  Pseudo r{x0, x0, y0, y0, 0, 0, -1};
  const int y_stop = y0 + 5;
  std::vector<std::pair<int, int>> stack{{x0, y0}};
  g.M(x0, y0) = kVisited;
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    stack.pop_back();
    r.x_min = std::min(r.x_min, x);
    r.x_max = std::max(r.x_max, x);
    r.y_min = std::min(r.y_min, y);
    r.y_max = std::max(r.y_max, y);
    const int nb[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& q : nb) {
      const int qx = q[0], qy = q[1];
      if (qx < 1 || qx > g.w - 2 || qy < 1 || qy > g.h - 2 || qy > y_stop) continue;
      if (g.M(qx, qy) != kEdgeRun) continue;
      g.M(qx, qy) = kVisited;
      stack.push_back({qx, qy});
    }
  }
  return r;
}

int track(LANE* lane_head, int N, const TkImage* img, int height, int width, int bpp,
          const LN_POINT c[4], int step, int percent, int x_off, int y_off) {
  if (step < 1) step = 1;
  const int W =
      std::min(static_cast<int>(std::floor(static_cast<double>(width) / step + 0.5)), img->width());
  const int H = std::min(static_cast<int>(std::floor(static_cast<double>(height) / step + 0.5)),
                         img->height());
  const int x_left = (c[0].x - x_off) / step;
  const int y_top = (c[0].y - y_off) / step;
  const int x_right = (c[1].x - x_off) / step;
  const int y_bottom = (c[3].y - y_off) / step;
  const int Lw = std::max(((c[1].x - c[0].x) / step) / N, 1);
  const int h = Lw / 2;
  const int M = std::max(H / (3 * Lw), 4);

  Grid g{std::max(W, 0), std::max(H, 0), {}, {}};
  g.d.assign(static_cast<size_t>(g.w) * g.h, 0);
  g.m.assign(static_cast<size_t>(g.w) * g.h, 0);

  // Horizontal differences two columns apart, summed over 9 rows with a running sum.
  const int bins = bpp == 2 ? 65536 : 256;
  std::vector<long long> hist(65536, 0);
  if (W - 2 > 1 && H > 9) {
    // Row by row, with a running sum per column: each column's sum of the 9 rows about row y.
    const int nx = W - 3;  // columns x = 0 .. W - 4
    const int pbpp = img->bytes_per_pixel();
    std::vector<long long> sum(static_cast<size_t>(nx), 0);
    // Adds sign x (pixel (x + 2, y) - pixel (x, y)) to each column's sum.
    auto row_diff = [&](int y, long long sign) {
      const uint8_t* row = img->row(y);
      if (pbpp == 2) {
        for (int x = 0; x < nx; ++x) {
          const int a = row[2 * x] | row[2 * x + 1] << 8;
          const int b = row[2 * x + 4] | row[2 * x + 5] << 8;
          sum[x] += sign * (static_cast<long long>(b) - a);
        }
      } else {
        for (int x = 0; x < nx; ++x) sum[x] += sign * (static_cast<long long>(row[x + 2]) - row[x]);
      }
    };
    for (int r = 0; r <= 8; ++r) row_diff(r, 1);
    for (int y = 4; y <= H - 6; ++y) {
      if (y > 4) {
        row_diff(y + 4, 1);
        row_diff(y - 5, -1);
      }
      int* out = &g.D(1, y);
      for (int x = 0; x < nx; ++x) {
        const int v = static_cast<int>(sum[x] / 9);
        out[x] = v;
        ++hist[std::min(std::abs(v), 65534)];
      }
    }
  }

  // Edge threshold: the strongest `percent` of all pixels.
  const long long want = static_cast<long long>(H) * W * percent / 100;
  long long acc = 0;
  int T0 = -1;
  for (int bin = bins - 1; bin >= 0; --bin) {
    acc += hist[bin];
    if (acc >= want) {
      T0 = bin - 1;
      break;
    }
  }

  // Bright runs between a rising and a falling edge, about one lane wide.
  for (int t : {T0 / 2, T0, 3 * T0 / 2}) {
    for (int y = 0; y < H; ++y) {
      int x = 0;
      while (x < W) {
        if (g.D(x, y) <= t) {
          ++x;
          continue;
        }
        // x1: the first column after the rising run; j: the first falling column from there.
        int x1 = x;
        while (x1 < W && g.D(x1, y) > t) ++x1;
        int j = x1;
        while (j < W && j - x1 < Lw && g.D(j, y) >= -t) ++j;
        if (j < W && g.D(j, y) < -t && h < j - x1 && j - x1 < Lw) {
          for (int k = x1; k < j; ++k) g.M(k, y) = kEdgeRun;
          x = j;
        } else {
          x = x1;
        }
      }
    }
  }

  // Pseudo bands from the connected runs.
  int widest = 0;
  for (int y = 1; y <= H - 2; ++y) {
    for (int x = 1; x <= W - 2; ++x) {
      if (g.M(x, y) != kEdgeRun) continue;
      Pseudo r = grow_region(g, x, y);
      const int rw = r.x_max - r.x_min;
      widest = std::max(widest, rw);
      if (r.y_max - r.y_min > 0 && h < rw && rw < h + Lw) {
        r.xc = (r.x_min + r.x_max) / 2;
        r.yc = (r.y_min + r.y_max) / 2;
        push_pseudo(r);
      }
    }
  }
  widest = std::min(widest, Lw);
  std::stable_sort(S_bands_buf.begin(), S_bands_buf.end(),
                   [](const Pseudo& a, const Pseudo& b) { return a.y_min < b.y_min; });

  // Control rows: row 0 divides the region evenly; every later row follows the pseudo bands.
  const int R = H / (M - 1);
  std::vector<Cell> ctrl(static_cast<size_t>(M) * N);
  auto cell = [&](int j, int i) -> Cell& { return ctrl[static_cast<size_t>(j) * N + i]; };
  for (int i = 0; i < N; ++i) {
    Cell& c0 = cell(0, i);
    c0.left = x_left + i * (x_right - x_left) / N;
    c0.right = x_left + (i + 1) * (x_right - x_left) / N;
    c0.xc = (c0.left + c0.right) / 2;
    c0.y = y_top;
  }
  const int nb = static_cast<int>(S_bands_buf.size());
  std::vector<int> found(N), fill(N);
  std::vector<char> lost(N);
  for (int j = 1; j < M; ++j) {
    const int y = j * R - R / 2;
    const int y_prev = (j - 1) * R - R / 2;
    int b0 = 0;
    while (b0 < nb && S_bands_buf[b0].yc <= y_prev) ++b0;
    int b1 = b0;
    while (b1 < nb && S_bands_buf[b1].yc < y) ++b1;
    std::fill(lost.begin(), lost.end(), 0);
    for (int i = 0; i < N; ++i) {
      const Cell& above = cell(j - 1, i);
      long long sum = 0;
      int count = 0;
      for (int k = b0; k < b1; ++k) {
        Pseudo& p = S_bands_buf[k];
        if (!(above.left < p.xc && p.xc < above.right)) continue;
        if (p.lane == -1) {
          p.lane = i;
          for (int x = p.x_min; x < p.x_max; ++x) {
            if (x >= 0 && x < W && p.yc >= 0 && p.yc < H) g.M(x, p.yc) = kAssigned;
          }
          sum += p.xc;
          ++count;
        } else if (p.lane != i) {
          lost[p.lane] = 1;
          cell(j, p.lane).xc = -1;
        }
      }
      Cell& cur = cell(j, i);
      cur.y = y;
      cur.xc = (count && !lost[i]) ? static_cast<int>(sum / count) : -1;
      if (j == 1 && cur.xc != -1) {
        const int shift = cur.xc - cell(0, i).xc;
        for (int k = i; k < N; ++k) cell(0, k).xc += shift;
      }
    }
    // Lanes not found take their place from the lanes found in this row.
    for (int i = 0; i < N; ++i) found[i] = cell(j, i).xc;
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
        fill[i] = found[k] + (cell(j - 1, i).xc - cell(j - 1, k).xc);
      } else {
        fill[i] = cell(j - 1, i).xc;
      }
    }
    for (int i = 0; i < N; ++i) cell(j, i).xc = fill[i];
    // Spans for the next row: interior lanes reach the midpoints with their neighbours, the
    // first and the last lane half a lane width either side of their centre (so their spans
    // may overlap a neighbour's).
    for (int i = 0; i < N; ++i) {
      Cell& cur = cell(j, i);
      if (i == 0 || i == N - 1) {
        cur.left = cur.xc - Lw / 2;
        cur.right = cur.xc + Lw / 2;
      } else {
        cur.left = (cell(j, i - 1).xc + cur.xc) / 2;
        cur.right = (cur.xc + cell(j, i + 1).xc) / 2;
      }
    }
  }
  for (int i = 0; i < N; ++i) cell(M - 1, i).y = y_bottom;

  // Centre lines and widths of the lanes.
  int half;
  if (S_bands_buf.empty() && widest == 0) {
    // No pseudo band: half the expected lane width, in full-image pixels like the other case.
    half = (h / 2 + 1) * step;
  } else {
    half = (widest * step) / 2 + 1;
  }
  if (2 * half < Lw / 2) half = Lw / 2;
  const int x_max = W * step + step / 2 + x_off;
  LANE* lane = lane_head->next;
  for (int i = 0; i < N && lane; ++i, lane = lane->next) {
    auto* pts = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * M));
    if (!pts) {
      ks_dbg_null_ptr("ln_track_lanes", "curr_lane->center_coords");
      return 0;
    }
    for (int j = 0; j < M; ++j) {
      pts[j].x = std::min(cell(j, i).xc * step + x_off, x_max);
      pts[j].y = cell(j, i).y * step + y_off;
    }
    ks_free(lane->center_coords);
    lane->center_coords = pts;
    lane->num_center_points = M;
    lane->left_width = lane->right_width = half;
  }
  return 0;
}

int track_lanes(LANE* lane_head, int n, const TkImage* reduced, int height, int width,
                int bytes_per_pixel, const LN_POINT corners[4], int step, int percent, int x_off,
                int y_off) {
  if (!lane_head || !reduced || !corners || n <= 0) return 0;
  try {
    track(lane_head, n, reduced, height, width, bytes_per_pixel, corners, step, percent, x_off,
          y_off);
  } catch (const std::bad_alloc&) {
  }
  S_bands_buf.clear();
  S_bands_buf.shrink_to_fit();
  return 0;
}

}  // namespace reftrack

namespace {

struct LaneList {
  LANE* head = ln_make_lane();
  explicit LaneList(int n) {
    LANE** link = &head->next;
    for (int i = 0; i < n; ++i) {
      *link = ln_make_lane();
      link = &(*link)->next;
    }
  }
  LaneList(const LaneList&) = delete;
  LaneList& operator=(const LaneList&) = delete;
  ~LaneList() { ln_free_lanes(head); }
};

struct Lane {
  std::vector<std::pair<int, int>> centre;
  int left, right;
  bool operator==(const Lane&) const = default;
};

std::vector<Lane> lanes_of(const LaneList& list) {
  std::vector<Lane> out;
  for (const LANE* l = list.head->next; l; l = l->next) {
    Lane lane{{}, l->left_width, l->right_width};
    for (int j = 0; j < l->num_center_points; ++j)
      lane.centre.push_back({l->center_coords[j].x, l->center_coords[j].y});
    out.push_back(lane);
  }
  return out;
}

void put(TkImage& img, int x, int y, int v) {
  if (img.bytes_per_pixel() == 2) {
    img.row(y)[2 * x] = static_cast<uint8_t>(v & 0xff);
    img.row(y)[2 * x + 1] = static_cast<uint8_t>(v >> 8);
  } else {
    img.row(y)[x] = static_cast<uint8_t>(v);
  }
}

// Lanes of Gaussian bands on a noisy background, leaning by `lean` columns a row and bowed by
// `bow` columns at the top and bottom.
TkImage gel(int w, int h, int lanes, int bpp, double lean, double bow, unsigned seed) {
  TkImage img;
  img.create(w, h, bpp);
  const double top = bpp == 2 ? 20000 : 180, pitch = static_cast<double>(w) / lanes;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(0, bpp == 2 ? 900 : 12);
  for (int y = 0; y < h; ++y) {
    const double band = std::exp(-std::pow(std::remainder(y, 27.0) / 3.0, 2));
    const double u = (y - h / 2.0) / (h / 2.0);
    for (int x = 0; x < w; ++x) {
      const int i = std::min(static_cast<int>(x / pitch), lanes - 1);
      const double c = pitch * (i + 0.5) + lean * (y - h / 2.0) + (i - lanes / 2.0) * bow * u * u;
      const double across = std::abs(x - c) < 0.36 * pitch ? 1.0 : 0.0;
      put(img, x, y, static_cast<int>(top * 0.1 + top * band * across) + noise(rng));
    }
  }
  return img;
}

// Bright rectangles, rings and bars of random sizes over noise: edge regions of every shape,
// some against the image's borders.
TkImage blobs(int w, int h, int bpp, unsigned seed) {
  TkImage img;
  img.create(w, h, bpp);
  const int hi = bpp == 2 ? 30000 : 220;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(0, hi / 20), px(-10, w + 10), py(-10, h + 10),
      size(2, 40), kind(0, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) put(img, x, y, noise(rng));
  for (int k = 0; k < w * h / 400; ++k) {
    const int x0 = px(rng), y0 = py(rng), bw = size(rng), bh = size(rng), shape = kind(rng);
    for (int y = std::max(y0, 0); y < std::min(y0 + bh, h); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x0 + bw, w); ++x) {
        const bool edge = x - x0 < 3 || x0 + bw - x <= 3 || y - y0 < 3 || y0 + bh - y <= 3;
        // A ring (shape 1) is bright on its border only; a U (shape 2) is open at the top.
        if (shape == 1 && !edge) continue;
        if (shape == 2 && !edge && y - y0 >= 3) continue;
        if (shape == 2 && y - y0 < 3 && x - x0 >= 3 && x0 + bw - x > 3) continue;
        put(img, x, y, hi - noise(rng));
      }
    }
  }
  return img;
}

TEST(TrackingReference, SameLanesAsThePlainForm) {
  struct Case {
    std::string what;
    TkImage img;
  };
  std::vector<Case> cases;
  for (int bpp : {1, 2}) {
    const std::string b = bpp == 2 ? "16-bit " : "8-bit ";
    cases.push_back({b + "leaning gel", gel(240, 500, 8, bpp, 0.02, 0.0, 2)});
    cases.push_back({b + "bowed gel", gel(250, 420, 6, bpp, -0.01, 9.0, 3)});
    cases.push_back({b + "blobs", blobs(160, 200, bpp, 4)});
    cases.push_back({b + "dense blobs", blobs(123, 257, bpp, 5)});
  }
  int compared = 0;
  for (const Case& c : cases) {
    const int w = c.img.width(), h = c.img.height(), bpp = c.img.bytes_per_pixel();
    for (int n : {3, 8}) {
      for (int percent : {2, 30}) {
        // The whole image as the block, and a block inset from its corners.
        for (int inset : {0, 7}) {
          const LN_POINT corners[4] = {{inset, inset},
                                       {w - 1 - inset, inset},
                                       {w - 1 - inset, h - 1 - inset},
                                       {inset, h - 1 - inset}};
          LaneList want(n), got(n);
          reftrack::track_lanes(want.head, n, &c.img, h - 1 - 2 * inset, w - 1 - 2 * inset, bpp,
                                corners, 1, percent, inset, inset);
          ln_track_lanes(got.head, n, &c.img, h - 1 - 2 * inset, w - 1 - 2 * inset, bpp, corners, 1,
                         percent, inset, inset);
          ASSERT_EQ(lanes_of(got), lanes_of(want))
              << c.what << ", " << n << " lanes, " << percent << "%, inset " << inset;
          ++compared;
        }
      }
    }
  }
  EXPECT_EQ(compared, 8 * 2 * 2 * 2);
}

}  // namespace
