// Standard values at points and of bands: every method on hand-computable ladders.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"
#include "std_test_util.h"

namespace {

using stdtest::make_list;
using stdtest::M;

constexpr double NV = STD_NO_VALUE;
constexpr double GNV = STD_GAUSS_NO_VALUE;

struct Case {
  const char* ladder;
  int method;
  int extrap;
  double y;
  double want;
};

stdtest::ListPtr ladder(const char* name, int method, int extrap) {
  const std::string n = name;
  if (n == "two") return make_list({{0, 10, 1000, 1}, {0, 20, 500, 1}}, method, extrap);
  if (n == "recip") {  // rows on 600 / y
    return make_list({{0, 1, 600, 1}, {0, 2, 300, 1}, {0, 3, 200, 1}, {0, 6, 100, 1}}, method,
                     extrap);
  }
  if (n == "tie") {  // a duplicate marker and two rows on one location
    return make_list({{0, 1, 600, 1}, {0, 2, 300, 1}, {0, 2, 300, 1}, {0, 2, 200, 1},
                      {0, 4, 100, 1}}, method, extrap);
  }
  if (n == "turn") {  // values that do not fall steadily down the lane
    return make_list({{0, 10, 100, 1}, {0, 20, 300, 1}, {0, 30, 200, 1}}, method, extrap);
  }
  return make_list({{0, 10, 1000, 1}, {0, 20, 500, 1}, {0, 40, 100, 1}}, method, extrap);
}

TEST(StdRectangularInterp, MethodTable) {
  const double e1000 = 1000 - std::log(2.0) + std::log1p(std::exp(-500.0));
  const Case cases[] = {
      // two rows
      {"two", STD_LINEAR, 1, 15, 750},
      {"two", STD_LINEAR, 1, 25, 250},
      {"two", STD_LINEAR, 2, 5, 1250},
      {"two", STD_LINEAR, 0, 25, NV},
      {"two", STD_LINEAR, 0, 10, 1000},
      {"two", STD_LOGARITHMIC, 1, 15, std::sqrt(1000.0 * 500.0)},
      {"two", STD_EXPONENTIAL, 1, 15, e1000},  // bp sizes would overflow exp
      {"two", STD_RECIPROCAL, 1, 15, 750},     // two rows: linear
      {"two", STD_RECIPROCAL, 0, 25, NV},      // ... with linear's extrapolation rule
      // three and more rows
      {"three", STD_LINEAR, 1, 30, 300},
      {"three", STD_LINEAR, 1, 45, 0},    // last two rows: 100 - 5 * 20
      {"three", STD_LINEAR, 2, 45, 1000 - 900.0 / 30 * 35},  // first and last rows
      {"three", STD_LINEAR, 1, 5, 1250},  // before the first row
      {"three", STD_LOGARITHMIC, 1, 30, std::sqrt(500.0 * 100.0)},
      {"three", STD_LOGARITHMIC, 0, 45, NV},
      {"three", STD_EXPONENTIAL, 0, 5, NV},
      {"three", STD_EXPONENTIAL, 1, 60, NV},  // ln of a non-positive interpolated exp
      {"recip", STD_RECIPROCAL, 1, 2.5, 240},
      {"recip", STD_RECIPROCAL, 1, 3, 200},  // on a row: the row's value exactly
      {"recip", STD_RECIPROCAL, 1, 4, 150},
      {"recip", STD_RECIPROCAL, 1, 8, 100 - 100.0 / 3 * 2},  // outside: linear, last two rows
      {"recip", STD_RECIPROCAL, 0, 8, NV},
      {"recip", STD_RECIPROCAL, 0, 0.5, NV},
      {"recip", STD_LINEAR, 1, 2.5, 250},
      {"tie", STD_RECIPROCAL, 1, 3, NV},     // curves through a shared location: no value
      {"tie", STD_LINEAR, 1, 3, 150},
      {"tie", STD_LINEAR, 1, 2, 250},        // two rows on the point's location: their mean
      {"turn", STD_LINEAR, 1, 25, 250},
      {"three", 15, 1, 30, NV},  // unknown method
      {"three", STD_TRI_LINEAR, 1, 30, NV},
  };
  for (const Case& c : cases) {
    auto l = ladder(c.ladder, c.method, c.extrap);
    const double got = std_rectangular_interp(l.get(), 0, c.y);
    EXPECT_NEAR(got, c.want, 1e-9 * std::max(1.0, std::fabs(c.want)))
        << c.ladder << " method " << c.method << " extrap " << c.extrap << " y " << c.y;
    EXPECT_EQ(l->int_method, c.method);
  }
}

TEST(StdRectangularInterp, UsedMethodAndSmallLists) {
  auto two = ladder("two", STD_RECIPROCAL, 1);
  std_rectangular_interp(two.get(), 0, 15);
  EXPECT_EQ(two->int_method, STD_RECIPROCAL);
  EXPECT_EQ(two->_used, STD_LINEAR);
  auto three = ladder("three", STD_LOGARITHMIC, 1);
  std_rectangular_interp(three.get(), 0, 15);
  EXPECT_EQ(three->_used, STD_LOGARITHMIC);
  // non-positive values: logarithmic falls back to linear
  auto neg = make_list({{0, 10, 100, 1}, {0, 20, -100, 1}}, STD_LOGARITHMIC);
  EXPECT_DOUBLE_EQ(std_rectangular_interp(neg.get(), 0, 15), 0);
  EXPECT_EQ(std_rectangular_interp(nullptr, 0, 0), 0.0);
  auto one = make_list({{0, 10, 100, 1}});
  EXPECT_EQ(std_rectangular_interp(one.get(), 0, 10), 0.0);
}

TEST(StdRectangularInterp, RepeatSnapping) {
  auto l = make_list({{0, 10, 300, 1}, {0, 20, 200, 1}});
  l->use_repeats = 1;
  l->repeat_length = 4;
  // 300 - 10 * 3.3 = 267 snaps onto the grid 200 - 500 + 4k
  EXPECT_DOUBLE_EQ(std_rectangular_interp(l.get(), 0, 13.3), 268);
  l->use_repeats = 0;
  EXPECT_NEAR(std_rectangular_interp(l.get(), 0, 13.3), 267, 1e-9);
}

TEST(StdImpure, GaussianTable) {
  struct G {
    int code;
    double y, want;
  };
  const G cases[] = {
      {12, 14, 1},   {12, 15, 2},    {12, 10, 1},  {12, 30, 3},   {12, 35, GNV}, {12, 5, GNV},
      {13, 11, 1},   {13, 14, 1.5},  {13, 16, 1.5}, {13, 19, 2},  {13, 20, 2},   {13, 5, GNV},
      {14, 5, 0.5},  {14, 1, 0},     {14, 8, 1},    {14, 35, GNV}, {14, 10, 1},
  };
  for (const G& c : cases) {
    auto l = make_list({{0, 30, 3, 1}, {0, 10, 1, 1}, {0, 20, 2, 1}}, c.code);
    EXPECT_DOUBLE_EQ(std_rectangular_interp(l.get(), 0, c.y), c.want)
        << "code " << c.code << " y " << c.y;
    EXPECT_EQ(l->clean, 1);  // the list is neither reordered nor made dirty
  }
}

TEST(StdConcCalc, AmountsToConcentrations) {
  auto conc = make_list({{0, 1.0, 10, 1}, {0, 3.0, 30, 1}}, STD_LINEAR);
  stdtest::Bands bands;
  SPOT* a = bands.add(10, 10, 0, 2.0);
  SPOT* b = bands.add(10, 20, 0, 0.0004);
  SPOT* c = bands.add(10, 30, 0, 4.0);
  b->std_value = 99;
  EXPECT_EQ(std_conc_calc(bands.head, conc.get()), 0);
  EXPECT_DOUBLE_EQ(a->std_value, 20);
  EXPECT_EQ(b->std_value, 0.0);
  EXPECT_DOUBLE_EQ(c->std_value, 40);
}

IMG_INFO header() {
  IMG_INFO h{};
  h.y_res = 100;
  h.y_scale = -3;
  return h;
}

TEST(StdLaneSpotsCalc, SizesFlagsAndMethods) {
  const IMG_INFO h = header();
  stdtest::Lanes lanes;
  LANE* lane = lanes.add(1, 50, 0, 100);
  stdtest::Bands bands;
  SPOT* b20 = bands.add(50, 20);
  SPOT* b30 = bands.add(50, 30);
  SPOT* b50 = bands.add(50, 50);
  SPOT* out = bands.add(200, 50, 7.0);  // in no lane
  b20->f2 = SP_F2_SIZE_STD;
  struct R {
    int method;
    double s20, s30, s50;
  };
  const R cases[] = {
      {STD_LINEAR, 900, 800, 600},
      {STD_REGRESSION, 900, 800, 600},
      {STD_GAUSS_NEAREST, 800, 800, 400},  // equally near: the one further down
  };
  for (const R& c : cases) {
    auto tier = make_list({{50, 10, 1000, 1}, {50, 30, 800, 1}, {50, 70, 400, 1}}, c.method);
    STD_LIST* sizes[] = {tier.get()};
    EXPECT_EQ(std_lane_spots_calc(&h, lanes.head, bands.head, sizes, 1), 0);
    EXPECT_NEAR(b20->size, c.s20, 1e-9) << c.method;
    EXPECT_NEAR(b30->size, c.s30, 1e-9) << c.method;
    EXPECT_NEAR(b50->size, c.s50, 1e-9) << c.method;
    EXPECT_EQ(out->size, 7.0);
    EXPECT_EQ(lane->int_method, c.method);
    EXPECT_EQ(b30->f2 & SP_F2_SIZE_STD, SP_F2_SIZE_STD);  // a marker lies on it
    EXPECT_EQ(b20->f2 & SP_F2_SIZE_STD, 0u);
  }
  // without a tier 0 list of 2 markers nothing changes
  auto small = make_list({{50, 10, 1000, 1}});
  STD_LIST* sizes[] = {small.get()};
  b50->size = 5;
  std_lane_spots_calc(&h, lanes.head, bands.head, sizes, 1);
  EXPECT_EQ(b50->size, 5);
  // a lane whose tier has no list keeps its sizes
  lane->tier_num = 3;
  auto tier = make_list({{50, 10, 1000, 1}, {50, 30, 800, 1}}, STD_LINEAR);
  STD_LIST* one[] = {tier.get()};
  std_lane_spots_calc(&h, lanes.head, bands.head, one, 1);
  EXPECT_EQ(b50->size, 5);
}

// A robust fit that cannot be made sizes the lane by the reciprocal method instead, and the lane
// records that method.
TEST(StdLaneSpotsCalc, RobustWithoutAFitFallsBackToReciprocal) {
  const IMG_INFO h = header();
  stdtest::Lanes lanes;
  LANE* lane = lanes.add(1, 50, 0, 100);
  stdtest::Bands bands;
  SPOT* b = bands.add(50, 50, 123.0);
  struct Case {
    const char* what;
    stdtest::ListPtr tier;
    double want;
  };
  Case cases[] = {
      // three rows, too few for the robust weights; on one line, so the curve is that line
      {"three rows", make_list({{50, 10, 1000, 1}, {50, 30, 800, 1}, {50, 70, 400, 1}}, STD_ROBUST),
       600.0},
      // standards running the other way (the largest value lowest); the band on a row
      {"reversed", make_list({{50, 10, 100, 1}, {50, 30, 400, 1}, {50, 50, 800, 1}, {50, 70, 1000, 1},
                              {50, 90, 1200, 1}}, STD_ROBUST),
       800.0},
  };
  for (Case& c : cases) {
    b->size = 123.0;
    lane->int_method = STD_ROBUST;
    STD_LIST* sizes[] = {c.tier.get()};
    std_lane_spots_calc(&h, lanes.head, bands.head, sizes, 1);
    EXPECT_NEAR(b->size, c.want, 1e-9) << c.what;
    EXPECT_EQ(lane->int_method, STD_RECIPROCAL) << c.what;
    EXPECT_EQ(c.tier->int_method, STD_ROBUST) << c.what;  // the list keeps its own method
  }
}

TEST(StdLaneSpotsCalc, MolecularWeightLine) {
  const IMG_INFO h = header();
  stdtest::Lanes lanes;
  LANE* lane = lanes.add(1, 50, 0, 100);
  stdtest::Bands bands;
  SPOT* std_band = bands.add(50, 10);
  std_band->f2 = SP_F2_SIZE_STD;
  SPOT* b = bands.add(50, 45);
  // log10(value) falls linearly with y: 10 ^ (5 - y / 25)
  auto tier = make_list({{50, 10, std::pow(10, 4.6), 1}, {50, 35, std::pow(10, 3.6), 1},
                         {50, 60, std::pow(10, 2.6), 1}, {50, 85, std::pow(10, 1.6), 1}},
                        STD_MOLE_WGT);
  STD_LIST* sizes[] = {tier.get()};
  std_lane_spots_calc(&h, lanes.head, bands.head, sizes, 1);
  EXPECT_DOUBLE_EQ(b->size, std::floor(std::pow(10, 5 - 45 / 25.0) / 100 + 0.5) * 100);
  EXPECT_DOUBLE_EQ(std_band->size, std::pow(10, 4.6));  // highest row value
  EXPECT_EQ(lane->int_method, STD_MOLE_WGT);
  STD_MW_FIT fit;
  ASSERT_EQ(std_mw_get_fit(&fit), 1);
  EXPECT_NEAR(fit.r, -1.0, 1e-12);

  // two usable rows (one value at 0): no fit, the sizes stay
  b->size = 77;
  auto few = make_list({{50, 10, 5000, 1}, {50, 35, 0.0, 1}, {50, 60, 300, 1}}, STD_IEF);
  STD_LIST* sizes2[] = {few.get()};
  std_lane_spots_calc(&h, lanes.head, bands.head, sizes2, 1);
  EXPECT_EQ(b->size, 77);
  // 21 rows: the sizes stay
  auto many = make_list({}, STD_MOLE_WGT);
  for (int i = 0; i < 21; ++i) {
    STD_MARKER m;
    std_marker_clear(&m);
    m.x = 50;
    m.y = 4 + 4 * i;
    m.value = 100000 - 4000 * i;
    m.lane_num = 1;
    m.flags = 9;
    std_list_append(many.get(), &m);
  }
  STD_LIST* sizes3[] = {many.get()};
  std_lane_spots_calc(&h, lanes.head, bands.head, sizes3, 1);
  EXPECT_EQ(b->size, 77);
}

TEST(StdLanePosition, LengthAndRelativePosition) {
  const IMG_INFO h = header();
  stdtest::Lanes lanes;
  LANE* lane = lanes.add(1, 50, 20, 120);
  EXPECT_DOUBLE_EQ(std_lane_length(&h, lane), 100 * 100 * 1e-3 / 10);
  LANE* huge = lanes.add(3, 50, -2147483647 - 1, 2147483647);  // a damaged lane record
  EXPECT_DOUBLE_EQ(std_lane_length(&h, huge), 4294967295.0 * 100 * 1e-3 / 10);
  double r;
  std_rel_pos(lane, 45, &r);
  EXPECT_DOUBLE_EQ(r, 0.25);
  LANE* flat = lanes.add(2, 80, 30, 30);
  std_rel_pos(flat, 45, &r);
  EXPECT_EQ(r, NV);
  auto l = make_list({{1, 2, 5, 1}, {3, 4, 5, 2}});
  double x, y;
  ASSERT_TRUE(std_find_value_marker(5, l.get(), &x, &y));
  EXPECT_DOUBLE_EQ(x, 3);
  EXPECT_FALSE(std_find_value_marker(6, l.get(), &x, &y));
}

}  // namespace

namespace {

// Irregular lists (missing rows, duplicates, shared locations, markers without a value, lanes
// out of order): every method and search gives a finite value or its no-value, and nothing
// reads outside the lists (the sanitizers watch).
TEST(StdStandards, IrregularListsGiveDefinedResults) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> lane_d(0, 4), row_d(0, 7), jitter(-3, 3), pick(0, 19);
  const IMG_INFO h = header();
  for (int round = 0; round < 40; ++round) {
    stdtest::Lanes lanes;
    stdtest::Bands bands;
    for (int l = 1; l <= 4; ++l) {
      lanes.add(l, 40 * l, 0, round % 7 == 0 ? 0 : 300);  // some lanes without a length
      for (int k = 0; k < 6; ++k) bands.add(40 * l + jitter(rng), 10 + 45 * k + jitter(rng));
    }
    for (int method : {0, 1, 2, 3, 4, 8, 10, 11, 12, 13, 14, 5, 99}) {
      auto list = make_list({}, method, round % 3);
      list->use_repeats = round % 2;
      list->repeat_length = 1 + round % 5;
      const int n = 2 + pick(rng);
      for (int i = 0; i < n; ++i) {
        STD_MARKER m;
        std_marker_clear(&m);
        const int lane = lane_d(rng);
        const int row = row_d(rng);
        m.lane_num = lane;
        m.x = 40 * lane + jitter(rng);
        m.y = 20 + 35 * row + (i % 5 == 0 ? 0 : jitter(rng));
        m.value = pick(rng) == 0 ? NV : (round % 4 == 0 ? 8 - row : 1000.0 / (row + 1));
        m.flags = pick(rng) < 15 ? 9 : 1;
        std_list_append(list.get(), &m);
      }
      STD_LIST* sizes[] = {list.get()};
      std_lane_spots_calc(&h, lanes.head, bands.head, sizes, 1);
      for (SPOT* b = bands.head->next; b; b = b->next) {
        EXPECT_TRUE(std::isfinite(b->size)) << "round " << round << " method " << method;
        const double v = std_rectangular_interp(list.get(), b->x, b->y);
        EXPECT_TRUE(std::isfinite(v)) << "round " << round << " method " << method;
      }
      STD_LIST* iso = std_make_iso_line(list.get(), 300, 200, round % 2 ? 0 : 5);
      if (iso) {
        for (int i = 0; i < iso->count; ++i) EXPECT_TRUE(std::isfinite(iso->records[i].y));
        std_list_free(iso);
      }
      std_check_monotonic(list.get(), nullptr, nullptr);
      EXPECT_EQ(list->clean, 1);
    }
  }
}

}  // namespace
