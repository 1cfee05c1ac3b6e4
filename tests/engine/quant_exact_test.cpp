// The quantifier's whole-number and shortcut computations against the plain formulas they stand
// for, kept here: the outline drawn, the ray samples and the valleys of a band's width profile,
// each over a large table of cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <cstdint>
#include <random>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_features.h"
#include "engine/lane_kernels.h"
#include "engine/mj_bounds.h"
#include "engine/quant.h"
#include "model/lane.h"
#include "model/quant.h"
#include "model/spot.h"
#include "quant_fixture.h"

namespace {

using quanttest::WinPtr;

// The outline drawn with each step's offset worked out in doubles.
void perim_in_doubles(std::vector<int>& cells, int size, const int32_t* px, const int32_t* py) {
  for (int i = 0; i < SP_BOUNDS; ++i) {
    const int prev = i == 0 ? SP_BOUNDS - 1 : i - 1;
    const int x0 = px[prev], y0 = py[prev];
    const int dx = px[i] - x0, dy = py[i] - y0;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int k = 0; k < steps; ++k) {
      const double ox = static_cast<double>(dx) * k / steps;
      const double oy = static_cast<double>(dy) * k / steps;
      const int x = x0 + static_cast<int>(std::floor(ox + 501.5) - 501);
      const int y = y0 + static_cast<int>(std::floor(oy + 501.5) - 501);
      if (x < 0 || y < 0 || x >= size || y >= size) continue;
      cells[static_cast<size_t>(y) * size + x] = 1;
    }
  }
}

TEST(QuantExact, OutlineCellsAreThoseOfTheOffsetsInDoubles) {
  std::mt19937 rng(44);
  // Outlines of every reach: short steps inside the window, long ones leaving it on every side,
  // and the repeated points of invalid slots (segments of no steps).
  for (int reach : {3, 40, 150, 700, 5000}) {
    for (int trial = 0; trial < (reach > 500 ? 60 : 300); ++trial) {
      const int size = 61 + 2 * (trial % 40);
      std::uniform_int_distribution<int> at(size / 2 - reach, size / 2 + reach);
      int32_t px[SP_BOUNDS], py[SP_BOUNDS];
      for (int i = 0; i < SP_BOUNDS; ++i) {
        px[i] = at(rng);
        py[i] = at(rng);
        if (i > 0 && trial % 3 == 0 && i % 5 == 0) px[i] = px[i - 1], py[i] = py[i - 1];
      }
      WinPtr canvas(qt_alloc_window(0, 0, size));
      ASSERT_TRUE(canvas);
      qt_perim(canvas.get(), px, py);
      std::vector<int> want(static_cast<size_t>(size) * size, 0);
      perim_in_doubles(want, size, px, py);
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          ASSERT_EQ(canvas->rows[y][x], want[static_cast<size_t>(y) * size + x])
              << "reach " << reach << " trial " << trial << " cell " << x << ", " << y;
    }
  }
}

// A ray's samples with the positions and the bilinear weights worked out in doubles.
int cell_held(const QT_WIN* w, int x, int y) {
  x = std::clamp(x, 0, w->size - 1);
  y = std::clamp(y, 0, w->size - 1);
  return w->rows[y][x];
}
void ray_in_doubles(int* out, int angle, const QT_WIN* win, int x, int y, int count) {
  int32_t c, ms;
  mt_qtrig(angle, &c, &ms);
  for (int i = 0; i < count; ++i) {
    const double px = x + static_cast<double>(i) * c / 65536.0;
    const double py = y + static_cast<double>(i) * ms / 65536.0;
    const double flx = std::floor(px), fly = std::floor(py);
    const double fx = px - flx, fy = py - fly;
    if (fx >= 0.1 && fy <= 0.9 && !(fx > 0.9 && fy < 0.1)) {
      const int x0 = static_cast<int>(flx), y0 = static_cast<int>(fly);
      const double v = (1 - fx) * (1 - fy) * cell_held(win, x0, y0) +
                       fx * (1 - fy) * cell_held(win, x0 + 1, y0) +
                       (1 - fx) * fy * cell_held(win, x0, y0 + 1) + fx * fy * cell_held(win, x0 + 1, y0 + 1);
      out[i] = static_cast<int>(v);
    } else {
      out[i] = cell_held(win, static_cast<int>(std::floor(px + 0.5)),
                         static_cast<int>(std::floor(py + 0.5)));
    }
  }
}

TEST(QuantExact, RaySamplesAreThoseOfTheBilinearFormulaInDoubles) {
  std::mt19937 rng(45);
  // Pixel values of 8 and 16 bits, and cells beyond them (negative and above 16 bits), which
  // take the formula in doubles.
  const int ranges[][2] = {{0, 255}, {0, 65535}, {60000, 65535}, {-70000, 200000}};
  for (const auto& range : ranges) {
    const int size = 91;
    WinPtr win(qt_alloc_window(0, 0, size));
    ASSERT_TRUE(win);
    std::uniform_int_distribution<int> value(range[0], range[1]);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) win->rows[y][x] = value(rng);
    std::uniform_int_distribution<int> origin(-10, size + 10);
    std::vector<int> got(160), want(160);
    // Every angle of the sine table's steps and angles between them, from origins inside the
    // window, near its edges and outside it, the rays running off the window.
    for (int angle = -30; angle < 400; angle += 3) {
      for (int trial = 0; trial < 12; ++trial) {
        const int x = trial < 4 ? size / 2 : origin(rng), y = trial < 4 ? size / 2 : origin(rng);
        qt_radxsec(got.data(), angle, win.get(), x, y, 160);
        ray_in_doubles(want.data(), angle, win.get(), x, y, 160);
        ASSERT_EQ(got, want) << "angle " << angle << " from " << x << ", " << y << " values "
                             << range[0] << ".." << range[1];
      }
    }
  }
}

TEST(QuantExact, WidthValleysAreThoseOfTheFeatureDetector) {
  std::mt19937 rng(46);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  LANE* lane = ln_make_lane();
  ASSERT_NE(lane, nullptr);
  std::vector<int> got;
  int erased = 0;  // profiles in which the detector's threshold took valleys away
  for (int trial = 0; trial < 6000; ++trial) {
    const int n = 1 + static_cast<int>(unit(rng) * 420);
    const int t = static_cast<int>(unit(rng) * 50);
    // A band across the profile's middle of random width and edges over a sloping background,
    // some with bumps and dips of random place and width (rises of the second derivative that
    // are no peaks of the profile), noise from none to stronger than the band, and plateaus.
    const double half = 2 + unit(rng) * n / 2, edge = 0.5 + unit(rng) * 8;
    const double height = trial % 7 == 0 ? 0.0 : unit(rng) * 20000;
    const double slope = (unit(rng) - 0.5) * 80;
    const int noise = trial % 5 < 2 ? static_cast<int>(unit(rng) * 20) : static_cast<int>(unit(rng) * 3000);
    const int quantum = trial % 3 == 0 ? 200 : 1;
    const int bumps = trial % 2 ? 1 + static_cast<int>(unit(rng) * 4) : 0;
    double bump_at[4], bump_width[4], bump_height[4];
    for (int k = 0; k < bumps; ++k) {
      bump_at[k] = unit(rng) * n;
      bump_width[k] = 1 + unit(rng) * n / 4;
      bump_height[k] = (unit(rng) - 0.5) * 8000;
    }
    std::uniform_int_distribution<int> jitter(0, noise);
    ks_free(lane->data_values);
    lane->data_values = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * n));
    lane->num_data_values = n;
    for (int x = 0; x < n; ++x) {
      const double d = std::abs(x - n / 2.0) - half;
      double val = 3000 + slope * x + height * (d <= 0 ? 1.0 : std::exp(-0.5 * d * d / (edge * edge)));
      for (int k = 0; k < bumps; ++k) {
        const double u = (x - bump_at[k]) / bump_width[k];
        val += bump_height[k] * std::exp(-0.5 * u * u);
      }
      lane->data_values[x] = std::max(0, static_cast<int>(val) + jitter(rng)) / quantum * quantum;
    }
    lane->min_top_band_thick = lane->min_bot_band_thick = t;
    lane->band_threshold = 1;
    lane->band_threshold2 = 0;
    ln_detect_features(lane, 0, 0);
    std::vector<int> want;
    for (const LN_FEAT* v = lane->valley ? lane->valley->next : nullptr; v; v = v->next)
      want.push_back(v->feat.y);
    mj_width_valleys(lane->data_values, n, t, &got);
    ASSERT_EQ(got, want) << "trial " << trial << ", " << n << " values, thickness " << t;
    // Each run of the second derivative below 1 leaves a valley before the threshold.
    std::vector<int> d2(static_cast<size_t>(n));
    if (mt_2df(t, n, lane->data_values, d2.data()) == 0) {
      int falling = 0;
      for (int j = 0; j < n; ++j) falling += d2[j] < 1 && (j == 0 || d2[j - 1] >= 1);
      erased += static_cast<int>(want.size()) < falling;
    }
  }
  ln_free_lane(lane);
  // The table holds profiles whose valleys the threshold thinned, not only untouched ones.
  EXPECT_GT(erased, 40) << erased;
}

TEST(QuantExact, BandWidthsFromTheLaneImageAreThoseFromItsLoadedWindow) {
  // Bands near every edge of a lane image that holds only part of the gel, so that the windows
  // reach past it (white cells), in 16 and 8 bits, in a wide lane and a narrow one.
  quanttest::Gel g(260, 300);
  g.background([](int y) { return 120 + y / 3; });
  const int xs[] = {12, 60, 130, 200, 250}, ys[] = {8, 70, 150, 230, 292};
  for (int i = 0; i < 5; ++i) g.add_band(xs[i], ys[i], 6 + 7 * i, 2.0 + i, 90 + 20 * i);
  int quantified = 0;
  for (const bool eight : {false, true}) {
    LANE_IMAGE img = quanttest::lane_image(g, eight, 10, 5, 245, 290);
    for (const int half : {120, 25}) {
      std::unique_ptr<LANE, enginetest::LaneDeleter> lane(quanttest::vertical_lane(130, g.h, half));
      const int W = 2 * half + 1;
      mj_quant_release();
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
          SCOPED_TRACE(testing::Message() << "band at " << xs[i] << ", " << ys[j] << (eight ? ", 8 bits" : "")
                                          << ", lane width " << W);
          std::unique_ptr<SPOT, quanttest::BandFree> band(quanttest::band_at(xs[i], ys[j], 4 + 3 * j, 2 + i));
          const int ok = mj_doquant(band.get(), lane.get(), &img, nullptr, 1);
          mj_res_free(&band->result);
          quantified += ok;
          SPOT want{};
          want.lane_width = W;
          want.thickness = band->thickness;
          want.band_fw = band->band_fw;
          WinPtr win(qt_alloc_window(xs[i], ys[j], mj_windowsize(W, want.thickness, want.band_fw)));
          ASSERT_TRUE(win);
          ASSERT_EQ(mj_load_window(win.get(), &img), 0);
          ASSERT_EQ(mj_width(&want, win.get()), 1);
          EXPECT_EQ(band->lane_width, want.lane_width);
          // A failed band's left half width holds its failure mark.
          if (ok) {
            EXPECT_EQ(band->left_hw, want.left_hw);
          }
          EXPECT_EQ(band->right_hw, want.right_hw);
        }
    }
    ln_free_lane_image(&img);
  }
  mj_quant_release();
  EXPECT_GT(quantified, 40);
}

TEST(QuantExact, CrossSectionsTakeTheMedianOfEveryFiveValues) {
  std::mt19937 rng(47);
  const int size = 75;
  WinPtr win(qt_alloc_window(0, 0, size));
  ASSERT_TRUE(win);
  // Values of a wide range and of few levels (many ties), at every length from none to longer
  // than the window.
  for (const int levels : {65536, 3}) {
    std::uniform_int_distribution<int> value(0, levels - 1);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) win->rows[y][x] = value(rng);
    for (int length = 1; length <= 2 * size; ++length) {
      const int x = length % size, centre = (7 * length) % size;
      std::vector<int> got(static_cast<size_t>(length)), mean(static_cast<size_t>(length));
      mj_xsec(got.data(), win.get(), x, centre, length);
      const int xa = std::max(x - 2, 0), xb = std::min(x + 2, size - 1);
      for (int i = 0; i < length; ++i) {
        const int row = std::clamp(centre - length / 2 + i, 0, size - 1);
        int sum = 0;
        for (int xx = xa; xx <= xb; ++xx) sum += win->rows[row][xx];
        mean[static_cast<size_t>(i)] = sum / (xb - xa + 1);
      }
      std::vector<int> want = mean;
      if (length >= 5) {
        for (int i = 2; i < length - 2; ++i) {
          std::vector<int> five(mean.begin() + i - 2, mean.begin() + i + 3);
          std::nth_element(five.begin(), five.begin() + 2, five.end());
          want[static_cast<size_t>(i)] = five[2];
        }
        want[0] = want[1] = want[2];
        want[length - 1] = want[length - 2] = want[length - 3];
      }
      ASSERT_EQ(got, want) << "length " << length << ", " << levels << " levels";
    }
  }
}

// Bound picks that stop scanning once no crossing within reach can follow, against the pick
// over every crossing of the whole profile.
TEST(QuantExact, BoundPicksAreThoseOverEveryCrossing) {
  std::mt19937 rng(53);
  std::uniform_int_distribution<int> run(1, 20), mag(0, 400), len(1, 120), half(2, 40);
  // Every crossing of the whole profile, one value at a time, then the pick among them.
  auto pick_over_all = [](const std::vector<int>& prof, int s) {
    std::vector<int> pos, area, max_before, min_after;
    const int count = static_cast<int>(prof.size());
    int i = 0;
    while (i < count && prof[i] <= 0) ++i;
    while (i < count && pos.size() < QT_MAX_CROSS) {
      int mx = prof[i];
      while (i < count && prof[i] > 0) mx = std::max(mx, prof[i++]);
      if (i >= count) break;
      pos.push_back(i);
      max_before.push_back(mx);
      int mn = prof[i], a = 0;
      while (i < count && prof[i] <= 0) {
        mn = std::min(mn, prof[i]);
        a += 1 - prof[i++];
      }
      area.push_back(a);
      min_after.push_back(mn);
    }
    const int n = static_cast<int>(pos.size());
    if (n == 0) return -1;
    const int reach = s + 2 * mj_ramp(s);
    int max_pos = INT_MIN, min_neg = INT_MAX, best_contrast = 0, best_area = 0, choice = -1;
    for (int k = 0; k < n && pos[k] <= reach; ++k) {
      max_pos = std::max(max_pos, max_before[k]);
      min_neg = std::min(min_neg, min_after[k]);
      if (max_pos - min_neg > best_contrast && area[k] > best_area) {
        best_contrast = max_pos - min_neg;
        best_area = area[k];
        choice = k;
      }
    }
    return choice >= 0 && area[choice] >= 100 ? pos[choice] : 0;
  };
  for (int c = 0; c < 200000; ++c) {
    // Alternating runs of positive and non-positive values, starting either way.
    std::vector<int> prof(static_cast<size_t>(len(rng)));
    bool positive = rng() % 2 == 0;
    for (size_t i = 0; i < prof.size();) {
      for (int r = run(rng); r > 0 && i < prof.size(); --r)
        prof[i++] = positive ? 1 + mag(rng) : -mag(rng);
      positive = !positive;
    }
    const int s = half(rng);
    int dist = 7;
    const int got = mj_bndp(prof.data(), 0, static_cast<int>(prof.size()), s, 0, 0, 0, &dist);
    ASSERT_EQ(got, pick_over_all(prof, s)) << "case " << c;
    ASSERT_EQ(dist, got);
  }
}

// Rays short enough to stay inside the window (and ones that just leave it) read the same
// samples as the formula in doubles.
TEST(QuantExact, RaySamplesWithinTheWindowAreThoseOfTheFormulaInDoubles) {
  std::mt19937 rng(59);
  const int size = 41;
  WinPtr win(qt_alloc_window(0, 0, size));
  ASSERT_TRUE(win);
  for (const int top : {65535, 200000}) {
    std::uniform_int_distribution<int> value(0, top);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) win->rows[y][x] = value(rng);
    std::uniform_int_distribution<int> origin(0, size - 1), count(1, size);
    std::vector<int> got(size), want(size);
    for (int angle = 0; angle < 360; angle += 5) {
      for (int trial = 0; trial < 200; ++trial) {
        const int x = origin(rng), y = origin(rng), n = count(rng);
        qt_radxsec(got.data(), angle, win.get(), x, y, n);
        ray_in_doubles(want.data(), angle, win.get(), x, y, n);
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, want.begin()))
            << "angle " << angle << " from " << x << ", " << y << ", " << n << " samples";
      }
    }
  }
}

// Offsets along a slot's direction against the rounding in doubles, for every direction and
// distances far beyond any window.
TEST(QuantExact, OffsetsAlongADirectionAreThoseRoundedInDoubles) {
  for (int angle = 0; angle < 360; angle += 5) {
    int32_t c = 0, ms = 0;
    mt_qtrig(angle, &c, &ms);
    for (const int32_t dir : {c, ms}) {
      for (int dist = -(1 << 16); dist <= (1 << 16); ++dist)
        ASSERT_EQ(mt_qoffset(dist, dir),
                  static_cast<int>(std::floor(double(dist) * dir / 65536.0 + 0.5)))
            << dist << " along " << dir;
    }
  }
}

// Cross-sections longer than the running median's copy on the stack: on rows that rise (with
// ties) the median of every five is the middle one, and the ends copy the nearest.
TEST(QuantExact, LongCrossSectionsKeepARisingColumn) {
  const int size = 400;
  WinPtr win(qt_alloc_window(0, 0, size));
  ASSERT_TRUE(win);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) win->rows[y][x] = 100 * (y / 2) + x % 3;
  for (const int length : {255, 256, 257, 263, 398}) {
    std::vector<int> got(static_cast<size_t>(length));
    mj_xsec(got.data(), win.get(), 100, size / 2, length);
    const int first = size / 2 - length / 2;
    for (int i = 0; i < length; ++i) {
      // The five cells of a row (columns 98..102) lie 2, 0, 1, 2, 0 above its level: mean 1.
      const int y = std::clamp(first + i, first + 2, first + length - 3);
      ASSERT_EQ(got[static_cast<size_t>(i)], 100 * (y / 2) + 1) << "length " << length << ", " << i;
    }
  }
}

}  // namespace

namespace {

// The runs of a band's filled outline as a fill over a canvas of whole-number cells finds them,
// cell by cell: the outline drawn with qt_perim, a scan-line fill from the seed, then the runs of
// marked cells from the seed row up while a row has any, then down.
int fill_runs_cell_by_cell(const SPOT* band, const QT_WIN* win, std::vector<QT_SPAN>* spans) {
  spans->clear();
  const QUANT_RES* res = band->result;
  int32_t px[SP_BOUNDS], py[SP_BOUNDS];
  int first = -1;
  for (int i = 0; i < SP_BOUNDS && first < 0; ++i)
    if (res->bnd_x[i] != -1 && res->bnd_y[i] != -1) first = i;
  if (first < 0) return MJ_FAIL_BOUNDS;
  int lx = res->bnd_x[first], ly = res->bnd_y[first];
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (res->bnd_x[i] != -1 && res->bnd_y[i] != -1) lx = res->bnd_x[i], ly = res->bnd_y[i];
    px[i] = lx, py[i] = ly;
  }
  const int size = win->size;
  WinPtr canvas(qt_alloc_window(0, 0, size));
  for (int y = 0; y < size; ++y) std::fill(canvas->rows[y], canvas->rows[y] + size, 0);
  qt_perim(canvas.get(), px, py);
  int32_t** c = canvas->rows;
  const int bx = band->x - win->left, by = band->y - win->top;
  if (bx < 0 || bx >= size) return MJ_FAIL_BOUNDS;
  // The band's column: a is the last row of its first run of outline cells, b the next outline
  // row below that run.
  std::vector<int> column(static_cast<size_t>(size));
  for (int y = 0; y < size; ++y) column[static_cast<size_t>(y)] = c[y][bx] != 0;
  const auto top = std::find(column.begin(), column.end(), 1);
  const auto gap = std::find(top, column.end(), 0);
  const auto below = std::find(gap, column.end(), 1);
  if (top == column.end() || below == column.end()) return MJ_FAIL_BOUNDS;
  const int a = static_cast<int>(gap - column.begin()) - 1;
  const int b = static_cast<int>(below - column.begin());
  const bool own_marked = by >= 0 && by < size && c[by][bx];
  if (!own_marked && !(a <= by && by <= b)) return MJ_FAIL_BOUNDS;
  const int seed = a < by && by < b ? by : a + (b - a) / 2;
  std::vector<std::pair<int, int>> stack{{bx, seed}};
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    int32_t* row = c[y];
    if (row[x]) continue;
    int l = x, rr = x;
    while (l > 0 && !row[l - 1]) --l;
    while (rr + 1 < size && !row[rr + 1]) ++rr;
    for (int k = l; k <= rr; ++k) row[k] = 2;
    for (int ny : {y - 1, y + 1}) {
      if (ny < 0 || ny >= size) continue;
      for (int k = l; k <= rr; ++k)
        if (!c[ny][k] && (k == l || c[ny][k - 1])) stack.emplace_back(k, ny);
    }
  }
  // Every row's runs of marked cells, then the rows taken from the seed up to the first row
  // without any, then down from below the seed likewise; more runs than the limit fail.
  std::vector<std::vector<QT_SPAN>> runs(static_cast<size_t>(size));
  for (int y = 0; y < size; ++y)
    for (int k = 0; k < size; ++k)
      if (c[y][k] && (k == 0 || !c[y][k - 1])) {
        int e = k;
        while (e + 1 < size && c[y][e + 1]) ++e;
        runs[static_cast<size_t>(y)].push_back({y, k, e});
      }
  std::vector<int> order;
  for (int y = seed; y >= 0 && !runs[static_cast<size_t>(y)].empty(); --y) order.push_back(y);
  for (int y = seed + 1; y < size && !runs[static_cast<size_t>(y)].empty(); ++y) order.push_back(y);
  for (const int y : order)
    spans->insert(spans->end(), runs[static_cast<size_t>(y)].begin(), runs[static_cast<size_t>(y)].end());
  if (spans->size() > QT_MAX_SPANS) {
    spans->clear();
    return MJ_FAIL_FILL;
  }
  return 1;
}

}  // namespace

TEST(QuantExact, FilledRunsAreThoseOfTheFillCellByCell) {
  std::mt19937 rng(4404);
  // Outlines about the band's centre of every size and roughness, bands of one window after
  // another (so that each canvas is cleared after the last), invalid slots, outlines leaving the
  // window, centres off the outline's rows and centres outside the window.
  int filled = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const int size = 21 + 2 * (trial % 7 == 0 ? trial % 90 : trial % 30);
    QT_WIN win{};
    win.size = size;
    win.left = 1000 + trial % 13;
    win.top = 2000 - trial % 11;
    const int cx = size / 2, cy = size / 2;
    std::uniform_real_distribution<double> jitter(0.4, 1.0 + (trial % 5) * 0.3);
    const double reach = size * (trial % 4 == 0 ? 0.8 : 0.45);
    QUANT_RES res{};
    for (int i = 0; i < SP_BOUNDS; ++i) {
      const double t = 2 * M_PI * i / SP_BOUNDS;
      const double rho = reach * jitter(rng);
      res.bnd_x[i] = cx + static_cast<int>(std::lround(rho * std::cos(t)));
      res.bnd_y[i] = cy + static_cast<int>(std::lround(rho * std::sin(t)));
      if (trial % 6 == 1 && i % 7 == 3) res.bnd_x[i] = -1;
      if (trial % 9 == 2 && i % 5 == 0) res.bnd_y[i] = -1;
    }
    if (trial % 97 == 5)
      for (int i = 0; i < SP_BOUNDS; ++i) res.bnd_x[i] = -1;
    SPOT band{};
    band.result = &res;
    std::uniform_int_distribution<int> off(-3, 3);
    band.x = win.left + cx + (trial % 50 == 7 ? size + 2 : off(rng));
    band.y = win.top + cy + (trial % 8 == 3 ? static_cast<int>(reach * 1.4) : off(rng));
    std::vector<QT_SPAN> got, want;
    const int r_got = mj_fdarea(&band, &win, &got);
    const int r_want = fill_runs_cell_by_cell(&band, &win, &want);
    ASSERT_EQ(r_got, r_want) << "trial " << trial;
    ASSERT_EQ(got.size(), want.size()) << "trial " << trial;
    for (size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].row, want[k].row) << "trial " << trial << " run " << k;
      ASSERT_EQ(got[k].x0, want[k].x0) << "trial " << trial << " run " << k;
      ASSERT_EQ(got[k].x1, want[k].x1) << "trial " << trial << " run " << k;
    }
    filled += r_got == 1;
  }
  // Most outlines fill; some fail on purpose.
  EXPECT_GT(filled, 800);
  EXPECT_LT(filled, 2800);
}
