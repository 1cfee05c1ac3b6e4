// Band outlines: width ramp, fixed-point trigonometry, zero crossings, the bound pick and the 36
// boundary points of a band in its pixel window.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/mj_bounds.h"
#include "quant_fixture.h"

namespace {

using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;
using BandPtr = std::unique_ptr<SPOT, quanttest::BandFree>;

using quanttest::WinPtr;

TEST(MjRamp, StartsOfValuesAndClampedIndex) {
  const int cases[][2] = {{0, 1},    {1, 2},    {6, 2},     {7, 3},   {96, 15}, {97, 16},
                          {110, 16}, {111, 17}, {249, 37},  {250, 38}, {256, 38},
                          {257, 38}, {5000, 38}, {-3, 1}};
  for (const auto& c : cases) EXPECT_EQ(mj_ramp(c[0]), c[1]) << "index " << c[0];
}

TEST(MtQtrig, QuadrantsInFiveDegreeSteps) {
  struct Case {
    int angle, cos, msin;
  } cases[] = {{0, 65536, 0},          {90, 0, -65536},        {180, -65536, 0},
               {270, 0, 65536},        {30, 56756, -32768},    {60, 32768, -56756},
               {120, -32768, -56756},  {150, -56756, -32768},  {210, -56756, 32768},
               {240, -32768, 56756},   {300, 32768, 56756},    {330, 56756, 32768},
               {47, 46341, -46341},    {-90, 0, 65536},        {450, 0, -65536}};
  for (const Case& c : cases) {
    int32_t co = 1, ms = 1;
    mt_qtrig(c.angle, &co, &ms);
    EXPECT_EQ(co, c.cos) << c.angle;
    EXPECT_EQ(ms, c.msin) << c.angle;
  }
}

TEST(QtCross, CrossingsAreEndsOfPositiveRuns) {
  const int p[] = {-1, -2, 3, 5, 0, -4, -1, 2, -3};
  QT_CROSS_TAB t;
  ASSERT_EQ(qt_cross(p, 9, &t), 2);
  EXPECT_EQ(t.lead_area, 5);  // the leading non-positive run is not a crossing
  EXPECT_EQ(t.pos[0], 4);
  EXPECT_EQ(t.area[0], 1 + 5 + 2);
  EXPECT_EQ(t.max_before[0], 5);
  EXPECT_EQ(t.min_after[0], -4);
  EXPECT_EQ(t.pos[1], 8);
  EXPECT_EQ(t.area[1], 4);

  // At most 64 crossings are listed, however long the profile.
  std::vector<int> alt(400);
  for (size_t i = 0; i < alt.size(); ++i) alt[i] = i % 2 ? -1 : 1;
  EXPECT_EQ(qt_cross(alt.data(), int(alt.size()), &t), QT_MAX_CROSS);
  EXPECT_EQ(t.pos[63], 127);
}

// A profile of runs: value, length.
std::vector<int> runs(std::initializer_list<std::pair<int, int>> r) {
  std::vector<int> v;
  for (auto [value, n] : r) v.insert(v.end(), n, value);
  return v;
}

TEST(MjBndp, StrongestLobeWithinReach) {
  struct Case {
    const char* name;
    std::vector<int> profile;
    int s;
    int dist;
  } cases[] = {
      {"no crossing", runs({{4, 20}}), 5, -1},
      {"lobe area below 100", runs({{10, 3}, {-10, 8}, {5, 10}}), 5, 0},
      {"area 100 is enough", runs({{10, 3}, {-9, 10}, {5, 10}}), 5, 3},
      {"a later lobe must beat both contrast and area",
       runs({{10, 3}, {-50, 3}, {5, 1}, {-60, 2}, {1, 5}}), 5, 3},
      {"a later lobe deeper and larger wins", runs({{10, 3}, {-50, 3}, {5, 1}, {-60, 4}, {1, 5}}),
       5, 7},
      {"equal contrast and area: the earlier stays",
       runs({{10, 3}, {-50, 3}, {10, 1}, {-50, 3}, {1, 5}}), 5, 3},
      {"deeper but equal area: the earlier stays",
       runs({{10, 3}, {-50, 3}, {5, 1}, {-60, 1}, {-45, 2}, {1, 5}}), 5, 3},
      // s 2 reaches index 2 + 2 x ramp[2] = 6.
      {"beyond reach", runs({{10, 7}, {-50, 5}, {1, 5}}), 2, 0},
      {"at the reach", runs({{10, 6}, {-50, 5}, {1, 5}}), 2, 6},
      // A thick band reads the ramp's last entry: 300 + 2 x 38.
      {"thick band at its reach", runs({{10, 376}, {-50, 5}, {1, 5}}), 300, 376},
      {"thick band beyond it", runs({{10, 377}, {-50, 5}, {1, 5}}), 300, 0},
  };
  for (const Case& c : cases) {
    int d = 99;
    EXPECT_EQ(mj_bndp(c.profile.data(), 0, int(c.profile.size()), c.s, 0, 0, 0, &d), c.dist)
        << c.name;
    EXPECT_EQ(d, c.dist) << c.name;
  }
}

// A window of `size` about (cx, cy) holding a band of the given half width across and Gaussian
// rows (sigma) over a flat background.
WinPtr band_window(int cx, int cy, int size, int half_w, double sigma) {
  QT_WIN* w = qt_alloc_window(cx, cy, size);
  const int c = size / 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double dx = std::max(0, std::abs(x - c) - half_w);
      w->rows[y][x] = 200 + static_cast<int>(3000 * std::exp(-0.5 * dx * dx / 4.0) *
                                             std::exp(-0.5 * (y - c) * (y - c) / (sigma * sigma)));
    }
  return WinPtr(w);
}

TEST(Mj2dfBnds, OutlineSurroundsTheBand) {
  LanePtr lane(quanttest::vertical_lane(300, 600, 30));
  BandPtr band(quanttest::band_at(300, 250, 10, 5));
  band->left_hw = band->right_hw = 20;
  WinPtr win = band_window(300, 250, 81, 18, 3.0);
  QUANT_RES res{};
  EXPECT_EQ(mj_2df_bnds(band.get(), win.get(), &res, lane.get(), 1), 0);
  const int c = 40;
  for (int i = 0; i < SP_BOUNDS; ++i) {
    ASSERT_NE(res.bnd_x[i], -1) << i;
    EXPECT_EQ(res.img_x[i], res.bnd_x[i] + win->left);
    EXPECT_EQ(res.img_y[i], res.bnd_y[i] + win->top);
  }
  // Tops above the centre row, bottoms below, the right rays right of the centre and the left
  // rays left of it; the outline is symmetric about the centre.
  for (int i : {0, 1, 6, 30, 35}) EXPECT_LT(res.bnd_y[i], c) << i;
  for (int i : {12, 18, 19, 24}) EXPECT_GT(res.bnd_y[i], c) << i;
  for (int i = 7; i <= 11; ++i) EXPECT_GT(res.bnd_x[i], res.bnd_x[6]) << i;
  for (int i = 25; i <= 29; ++i) EXPECT_LT(res.bnd_x[i], res.bnd_x[30]) << i;
  EXPECT_EQ(c - res.bnd_y[0], res.bnd_y[18] - c);
  EXPECT_EQ(res.bnd_x[9] - c, c - res.bnd_x[27]);
  EXPECT_EQ(res.bnd_x[6] - c, c - res.bnd_x[30]);
  // The band's rows are within 2 sigma of the centre: the bounds lie near them.
  EXPECT_LE(c - res.bnd_y[0], 12);
  EXPECT_GE(c - res.bnd_y[0], 3);
}

// Columns that cross no band (flat cross-sections without crossings) leave most of a side
// invalid: the side takes replacement values and the result says so.
TEST(Mj2dfBnds, SideWithManyInvalidPointsIsReplaced) {
  LanePtr lane(quanttest::vertical_lane(300, 600, 120));
  BandPtr band(quanttest::band_at(300, 250, 10, 5));
  band->left_hw = band->right_hw = 110;  // the band itself is 9 columns wide
  WinPtr win = band_window(300, 250, 241, 4, 3.0);
  QUANT_RES res{};
  EXPECT_EQ(mj_2df_bnds(band.get(), win.get(), &res, lane.get(), 1), 1);
  for (int i = 0; i < SP_BOUNDS; ++i) EXPECT_NE(res.bnd_y[i], -1) << i;
  // The outer columns took the centre column's bound.
  EXPECT_EQ(res.bnd_y[6], res.bnd_y[0]);
  EXPECT_EQ(res.bnd_y[12], res.bnd_y[18]);
}

TEST(Mj2dfBnds, StoredBoundsAndBandOutsideItsLane) {
  LanePtr lane(quanttest::vertical_lane(300, 600, 30));
  WinPtr win = band_window(300, 250, 41, 10, 3.0);
  BandPtr band(quanttest::band_at(300, 250, 10, 5));
  for (int i = 0; i < SP_BOUNDS; ++i) {
    band->bound_x[i] = win->left + i;  // stored bounds are image coordinates
    band->bound_y[i] = win->top + 40 - i;
  }
  band->bound_x[5] = -1;
  QUANT_RES res{};
  EXPECT_EQ(mj_2df_bnds(band.get(), win.get(), &res, lane.get(), 0), 0);
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (i == 5) {
      EXPECT_EQ(res.bnd_x[i], -1);
      EXPECT_EQ(res.bnd_y[i], -1);
      EXPECT_EQ(res.img_x[i], -1);
      continue;
    }
    EXPECT_EQ(res.bnd_x[i], i);
    EXPECT_EQ(res.bnd_y[i], 40 - i);
    EXPECT_EQ(res.img_x[i], i + win->left);
    EXPECT_EQ(res.img_y[i], 40 - i + win->top);
  }
  band->x = 360;
  EXPECT_EQ(mj_2df_bnds(band.get(), win.get(), &res, lane.get(), 1), MJ_FAIL_NOT_IN_LANE);
  EXPECT_EQ(mj_2df_bnds(band.get(), win.get(), &res, lane.get(), 0), MJ_FAIL_NOT_IN_LANE);
}

TEST(QtWindows, CopyIsABlankCanvasAndMoveShiftsTheBounds) {
  WinPtr win = band_window(50, 60, 21, 3, 2.0);
  WinPtr copy(qt_copy_window(win.get()));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->left, win->left);
  EXPECT_EQ(copy->bottom, win->bottom);
  EXPECT_EQ(copy->size, 21);
  EXPECT_EQ(copy->mode, QT_WIN_OWNED);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) ASSERT_EQ(copy->rows[y][x], 0);
  qt_move_window(win.get(), 10, 12);
  EXPECT_EQ(win->left, 0);
  EXPECT_EQ(win->right, 20);
  EXPECT_EQ(win->top, 2);
  EXPECT_EQ(win->bottom, 22);
  EXPECT_EQ(qt_alloc_window(0, 0, 0), nullptr);
}

}  // namespace
