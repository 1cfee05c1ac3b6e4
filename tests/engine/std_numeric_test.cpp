// Numeric routines of the standards engine on plain arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "engine/std_numeric.h"
#include "snap_reference.h"

namespace {

constexpr double NV = STD_NO_VALUE;

TEST(StdLinLog, MethodsOnTwoPoints) {
  struct Case {
    double xa, xb, ya, yb, x;
    int method;
    double want;
  };
  const Case cases[] = {
      {0, 10, 100, 200, 5, STD_LINEAR, 150},
      {0, 10, 100, 200, 15, STD_LINEAR, 250},                 // beyond the points
      {4, 4, 100, 300, 9, STD_LINEAR, 200},                   // equal abscissae: the mean
      {0, 10, 100, 400, 5, STD_LOGARITHMIC, 200},             // geometric
      {0, 10, -1, 400, 5, STD_LOGARITHMIC, 199.5},            // non-positive value: linear
      {0, 10, 0, 400, 5, STD_LOGARITHMIC, 200},
      {0, 10, 2, 2, 7, STD_EXPONENTIAL, 2},
      {0, 10, 1, 2, 5, STD_EXPONENTIAL, std::log((std::exp(1.0) + std::exp(2.0)) / 2)},
      {0, 10, 2, 1, 5, STD_EXPONENTIAL, std::log((std::exp(1.0) + std::exp(2.0)) / 2)},
      // sizes in bp: exp would overflow, the stable form gives ln of the interpolated exps
      {0, 10, 1000, 1000.5, 5, STD_EXPONENTIAL, 1000 + std::log((1 + std::exp(0.5)) / 2)},
      {0, 10, 5000, 3000, 0, STD_EXPONENTIAL, 5000},
      {0, 10, 5000, 3000, 20, STD_EXPONENTIAL, NV},  // interpolated exp at or below 0
      {0, 10, 1, 3, -30, STD_EXPONENTIAL, NV},
      // values more than about 37 apart: each row still gives its own value, and a point
      // halfway between them ln(0.5) + h
      {0, 10, 5000, 3000, 10, STD_EXPONENTIAL, 3000},
      {0, 10, 3000, 5000, 0, STD_EXPONENTIAL, 3000},
      {0, 10, 100, 50, 10, STD_EXPONENTIAL, 50},
      {0, 10, 100, 50, 5, STD_EXPONENTIAL, 100 + std::log(0.5)},
  };
  for (const Case& c : cases) {
    const double got = std_linlog_interpolate(c.xa, c.xb, c.ya, c.yb, c.x, c.method);
    EXPECT_NEAR(got, c.want, 1e-9 * std::max(1.0, std::fabs(c.want)))
        << c.xa << " " << c.xb << " " << c.ya << " " << c.yb << " x " << c.x << " m " << c.method;
  }
  // extrapolating the exponential past the smaller point stays finite and positive where the
  // exponential of the line is positive
  const double v = std_linlog_interpolate(0, 10, 3000, 2990, 11, STD_EXPONENTIAL);
  EXPECT_TRUE(std::isfinite(v));
  EXPECT_LT(v, 2990);
}

TEST(StdLinLog, LocationInterpolation) {
  EXPECT_DOUBLE_EQ(std_linlog_interpolate_loc(10, 20, 1.0, 1.000005, 7, STD_LINEAR), 15);
  EXPECT_DOUBLE_EQ(std_linlog_interpolate_loc(10, 20, 0, 10, 2.5, STD_LINEAR), 12.5);
  EXPECT_NEAR(std_linlog_interpolate_loc(100, 400, 0, 10, 5, STD_EXPONENTIAL), 200, 1e-9);
  EXPECT_DOUBLE_EQ(std_linlog_interpolate_loc(-100, 400, 0, 10, 5, STD_EXPONENTIAL), 150);
}

TEST(StdReciprocal3, CurveAndFaults) {
  // y = 600 / (x - 0) + 0 through x = 1, 2, 3
  EXPECT_NEAR(std_reciprocal3(1, 2, 3, 600, 300, 200, 4), 150, 1e-9);
  EXPECT_NEAR(std_reciprocal3(1, 2, 3, 600, 300, 200, 1.5), 400, 1e-9);
  // y = 100 / (x - 2) + 10 through 3, 4, 7
  EXPECT_NEAR(std_reciprocal3(3, 4, 7, 110, 60, 30, 12), 20, 1e-9);
  // three points on a line (r = 1) give the line, not a curve that misses the third point
  EXPECT_NEAR(std_reciprocal3(1, 2, 3, 30, 20, 10, 2.5), 15, 1e-6);
  // not monotonic: the mean of the three chords
  EXPECT_NEAR(std_reciprocal3(0, 1, 2, 0, 10, 0, 1), (10 + 0 + 10) / 3.0, 1e-12);
  // two rows on one location, or x on the pole: no value instead of a division by zero
  EXPECT_EQ(std_reciprocal3(2, 2, 3, 600, 300, 200, 4), NV);
  EXPECT_EQ(std_reciprocal3(1, 2, 2, 600, 300, 200, 4), NV);
  EXPECT_EQ(std_reciprocal3(1, 2, 3, 600, 300, 200, 0), NV);
}

TEST(StdBracketRows, BothOrientations) {
  const double inc[] = {10, 20, 20, 40};
  const double dec[] = {40, 30, 30, 10};
  struct Case {
    const double* L;
    double y;
    int above, below;
  };
  const Case cases[] = {
      {inc, 15, 1, 0}, {inc, 20, 1, 2}, {inc, 5, 0, -1}, {inc, 45, -1, 3},
      {dec, 35, 0, 1}, {dec, 30, 2, 1}, {dec, 50, -1, 0}, {dec, 5, 3, -1},
  };
  for (const Case& c : cases) {
    int a, b;
    std_bracket_rows(c.L, c.y, 4, &a, &b);
    EXPECT_EQ(a, c.above) << c.y;
    EXPECT_EQ(b, c.below) << c.y;
  }
}

TEST(StdReciprocal, OverRows) {
  // rows on y = 600 / L: any three rows give the same curve
  const double L[] = {1, 2, 3, 4, 6};
  const double v[] = {600, 300, 200, 150, 100};
  EXPECT_DOUBLE_EQ(std_reciprocal(L, v, 3, 5), 200);  // on a row: the row's value
  EXPECT_NEAR(std_reciprocal(L, v, 2.5, 5), 240, 1e-9);
  EXPECT_NEAR(std_reciprocal(L, v, 5, 5), 120, 1e-9);
  EXPECT_NEAR(std_reciprocal(L, v, 12, 5), 50, 1e-9);  // beyond the rows: the end rows
  EXPECT_NEAR(std_reciprocal(L, v, 0.5, 5), 1200, 1e-9);
  // decreasing locations
  const double Ld[] = {6, 4, 3, 2, 1};
  const double vd[] = {100, 150, 200, 300, 600};
  EXPECT_NEAR(std_reciprocal(Ld, vd, 2.5, 5), 240, 1e-9);
  // two rows on one location: the curves through them fail and the answer falls back to the
  // defined neighbour instead of a division by zero
  const double Ls[] = {1, 2, 2, 4, 6};
  const double r = std_reciprocal(Ls, v, 3, 5);
  EXPECT_TRUE(std::isfinite(r));
}

using vxtest::snap_by_scan;

TEST(StdRepeatSnap, SameAsScanningTheWholeGrid) {
  struct Rows {
    double a, b;
    int R;
  };
  const Rows rows[] = {{200, 300, 4}, {300.9, 200.2, 3}, {150, 150, 2}, {10, 40, 7},
                       {-20, 20, 5},  {1000, 1002, 1},   {50, 5000, 13}};
  for (const Rows& r : rows) {
    for (double v = -9000; v <= 60000; v += 0.25 + std::fabs(v) / 700) {
      ASSERT_EQ(std_repeat_snap(v, r.a, r.b, r.R), snap_by_scan(v, r.a, r.b, r.R))
          << v << " rows " << r.a << " " << r.b << " R " << r.R;
    }
    // halfway between two grid points: the first (smaller) one
    const double start = std::trunc(std::min(r.a, r.b)) * 6 - std::trunc(std::max(r.a, r.b)) * 5;
    EXPECT_EQ(std_repeat_snap(start + r.R / 2.0 + r.R, r.a, r.b, r.R),
              snap_by_scan(start + r.R / 2.0 + r.R, r.a, r.b, r.R));
  }
  EXPECT_EQ(std_repeat_snap(203, 200, 300, 4), 204);
  EXPECT_EQ(std_repeat_snap(202, 200, 300, 4), 200);  // tie: the first
}

TEST(MtReg, AgreesWithScipy) {
  // numbers from std_regression_oracle.py
  const double loc[] = {12, 31, 47, 66, 90, 118};
  const double val[] = {1000, 700, 500, 400, 300, 200};
  double rf[6];
  for (int i = 0; i < 6; ++i) rf[i] = (loc[i] - 12.0) / (118.0 - 12.0);
  const double q = 0.4;
  double* out = nullptr;
  ASSERT_EQ(mt_reg(loc, rf, val, 6, &q, &out, 1), 1);
  ASSERT_NE(out, nullptr);
  EXPECT_NEAR(out[0], 561.01690461592352, 1e-9);
  ks_free(out);
  double a, b, r;
  ASSERT_EQ(mt_reg_get_fit(&a, &b, &r), 1);
  EXPECT_NEAR(a, 946.01471489883511, 1e-9);
  EXPECT_NEAR(b, -7.0771656302005788, 1e-12);
  EXPECT_NEAR(r, -0.94340634809131907, 1e-12);
}

TEST(MtReg, NoFitClearsTheHeldFit) {
  const double p[] = {5, 5, 5};
  const double v[] = {1, 2, 3};
  double* out = reinterpret_cast<double*>(1);
  EXPECT_EQ(mt_reg(p, p, v, 3, p, &out, 1), 0);  // positions coincide
  EXPECT_EQ(out, nullptr);
  double a = 1, b = 1, r = 1;
  EXPECT_EQ(mt_reg_get_fit(&a, &b, &r), 0);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(r, 0.0);
  EXPECT_EQ(mt_reg(p, p, v, 0, p, &out, 1), 0);
}

// Points on f(p') = t0 + t1 / (1 + t2 p'^t3), positions given before the rescaling.
struct Curve {
  double t0, t1, t2, t3;
  double at(double pos, double p0) const {
    const double q = (pos - p0 + 0.01) * 100;
    return t0 + t1 / (1 + t2 * std::pow(q, t3));
  }
};

TEST(StdRob, ReproducesTheCurveAndDiscountsAnOutlier) {
  const Curve c{50, 2000, 0.02, 1.3};
  std::vector<double> pos = {0.10, 0.18, 0.25, 0.33, 0.41, 0.52, 0.63, 0.75};
  std::vector<double> val;
  for (double p : pos) val.push_back(c.at(p, pos[0]));
  const double queries[] = {0.29, 0.70, 0.0};
  double answers[3];
  {
    std::vector<double> p = pos, v = val;
    STD_ROB_FIT fit{8, v.data(), p.data(), 3, queries, answers};
    ASSERT_EQ(std_rob(&fit), 1);
    EXPECT_NEAR(answers[0], c.at(0.29, pos[0]), 1e-3 * c.at(0.29, pos[0]));
    EXPECT_NEAR(answers[1], c.at(0.70, pos[0]), 1e-3 * c.at(0.70, pos[0]));
    EXPECT_EQ(answers[2], NV);  // before the first point
    EXPECT_NEAR(p[0], 1.0, 1e-12);  // positions rescaled in place
  }
  {
    std::vector<double> p = pos, v = val;
    v[3] *= 1.3;  // one outlier, weighted out: the curve of the others comes back
    STD_ROB_FIT fit{8, v.data(), p.data(), 2, queries, answers};
    ASSERT_EQ(std_rob(&fit), 1);
    EXPECT_NEAR(answers[0], c.at(0.29, pos[0]), 1e-3 * c.at(0.29, pos[0]));
    EXPECT_NEAR(answers[1], c.at(0.70, pos[0]), 1e-3 * c.at(0.70, pos[0]));
  }
}

TEST(StdRob, GuardedCases) {
  const double q[] = {0.5};
  double ans[1];
  // 2 and 3 points: the weighting step's order statistic lies past the residuals
  for (int n : {2, 3}) {
    std::vector<double> p = {0.1, 0.3, 0.5}, v = {900, 400, 200};
    STD_ROB_FIT fit{n, v.data(), p.data(), 1, q, ans};
    EXPECT_EQ(std_rob(&fit), 0) << n;
    EXPECT_EQ(ans[0], NV);
  }
  // standards running the other way: rescaled positions at or below 0
  std::vector<double> p = {0.6, 0.5, 0.4, 0.3, 0.2}, v = {900, 700, 500, 300, 200};
  STD_ROB_FIT fit{5, v.data(), p.data(), 1, q, ans};
  EXPECT_EQ(std_rob(&fit), 0);
  EXPECT_EQ(ans[0], NV);
}

TEST(StdRob, WeightsAndSolve) {
  // order statistic: even n at n / 2 + 1, odd n the mean of (n + 1) / 2 and (n + 3) / 2
  double res[] = {1, -2, 3, -4};
  double ae[] = {4, 3, 2, 1};
  double w[4];
  ASSERT_EQ(std_rob_weights(4, w, ae, res), 1);
  EXPECT_DOUBLE_EQ(ae[0], 1);
  EXPECT_DOUBLE_EQ(ae[3], 4);
  const double s = 2.1 * 4;
  EXPECT_NEAR(w[0], std::sin(1 / s) * s / 1, 1e-15);
  double res5[] = {0, 1, 2, 3, 100};
  double ae5[] = {0, 1, 2, 3, 100};
  double w5[5];
  ASSERT_EQ(std_rob_weights(5, w5, ae5, res5), 1);
  EXPECT_EQ(w5[0], 1.0);  // zero residual
  EXPECT_NEAR(w5[4], std::sin(100 / (2.1 * 51.5)) * 2.1 * 51.5 / 100, 1e-15);  // not the median
  double res6[] = {1, 1, 1, 1, 1, 100};
  double ae6[] = {1, 1, 1, 1, 1, 100};
  double w6[6];
  ASSERT_EQ(std_rob_weights(6, w6, ae6, res6), 1);
  EXPECT_EQ(w6[5], 0.0);  // beyond pi scales
  double dummy[3] = {1, 2, 3};
  EXPECT_EQ(std_rob_weights(3, w, dummy, dummy), 0);

  double sys[4][5] = {{2, 0, 0, 0, 2}, {0, 0, 3, 0, 6}, {0, 4, 0, 0, 8}, {1, 0, 0, 5, 11}};
  ASSERT_EQ(std_rob_solve(sys), 1);
  EXPECT_DOUBLE_EQ(sys[0][4], 1);
  EXPECT_DOUBLE_EQ(sys[1][4], 2);
  EXPECT_DOUBLE_EQ(sys[2][4], 2);
  EXPECT_DOUBLE_EQ(sys[3][4], 2);
  double sing[4][5] = {{1, 2, 0, 0, 1}, {2, 4, 0, 0, 2}, {0, 0, 1, 0, 1}, {0, 0, 0, 1, 1}};
  EXPECT_EQ(std_rob_solve(sing), 0);
}

TEST(StdMwFit, AgreesWithScipyAndGuards) {
  const double X[] = {3.1, 7.9, 13.2, 20.5, 29.0, 35.2, 41.7};
  const double mw[] = {97000, 66000, 45000, 31000, 21500, 14400, 9500};
  EXPECT_EQ(std_mw_order(mw, 7, STD_MOLE_WGT), 3);
  STD_MW_FIT fit;
  ASSERT_EQ(std_mw_fit_line(X, mw, 7, STD_MOLE_WGT, 3, &fit), 1);
  // numbers from std_regression_oracle.py
  EXPECT_NEAR(fit.intercept, 80.827883935738114, 1e-9);
  EXPECT_NEAR(fit.slope, -39.848226611155681, 1e-9);
  EXPECT_NEAR(fit.r, -0.99676471691039081, 1e-12);
  EXPECT_NEAR(fit.se, 1.2684899382744668, 1e-9);
  EXPECT_NEAR(fit.half_width, 2.571 * fit.se, 1e-12);
  EXPECT_DOUBLE_EQ(std_mw_value(&fit, 20.5),
                   std::floor(std::pow(10, (20.5 - fit.intercept) / fit.slope + 3) / 100 + 0.5) *
                       100);
  EXPECT_EQ(std::fmod(std_mw_value(&fit, 17), 100.0), 0.0);

  // values at or below 0 take no part; fewer than 3 points or a flat line: no fit
  const double Xs[] = {1, 2, 3, 4};
  const double withzero[] = {9000, 0, -5, 3000};
  EXPECT_EQ(std_mw_fit_line(Xs, withzero, 4, STD_MOLE_WGT, 3, &fit), 0);
  EXPECT_EQ(fit.n, 2);
  const double two[] = {9000, 3000};
  EXPECT_EQ(std_mw_fit_line(Xs, two, 2, STD_MOLE_WGT, 3, &fit), 0);
  const double flatX[] = {5, 5, 5};
  const double three[] = {9000, 5000, 3000};
  EXPECT_EQ(std_mw_fit_line(flatX, three, 3, STD_MOLE_WGT, 3, &fit), 0);
  std::vector<double> manyX(21), many(21);
  for (int i = 0; i < 21; ++i) {
    manyX[i] = i;
    many[i] = 1000.0 * (30 - i);
  }
  EXPECT_EQ(std_mw_fit_line(manyX.data(), many.data(), 21, STD_MOLE_WGT, 3, &fit), 0);
}

TEST(StdMwFit, OrderTable) {
  struct Case {
    std::vector<double> v;
    int method, want;
  };
  const Case cases[] = {
      {{5, 50, 500}, STD_MOLE_WGT, 0},
      {{2000, 300000}, STD_MOLE_WGT, 3},
      {{5000000, 20000}, STD_MOLE_WGT, 4},  // 10^6 or more keeps the order before (5 first)
      {{0.5, 50}, STD_MOLE_WGT, 0},
      {{4.5, 7.2, 9.9}, STD_IEF, 0},
      {{10.5, 12}, STD_IEF, 1},
      {{0.5, 7}, STD_IEF, -5},  // truncated to 0
      {{-200, 50}, STD_IEF, 1},  // below -99: no part
      {{}, STD_IEF, 100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std_mw_order(c.v.data(), static_cast<int>(c.v.size()), c.method), c.want);
  }
  EXPECT_DOUBLE_EQ(std_t95(1), 12.706);
  EXPECT_DOUBLE_EQ(std_t95(20), 2.086);
}

TEST(StdNames, MethodAndExtrapolation) {
  char buf[64];
  const std::pair<int, const char*> names[] = {
      {0, "Reciprocal"}, {1, "Logarithmic"}, {2, "Robust"}, {3, "Linear"}, {4, "Regression"},
      {5, "Linear"}, {6, "Logarithmic"}, {7, "myfit"}, {8, "Exponential"}, {9, "Exponential"},
      {10, "Unknown"}, {14, "Unknown"}, {-1, "Unknown"}};
  for (auto [m, want] : names) {
    std_get_interp_str(m, buf, "myfit", sizeof buf);
    EXPECT_STREQ(buf, want) << m;
  }
  std_get_marker_str(2, buf, sizeof buf);
  EXPECT_STREQ(buf, "Average of markers");
  std::strcpy(buf, "keep");
  std_get_marker_str(3, buf, sizeof buf);
  EXPECT_STREQ(buf, "keep");
}

}  // namespace
