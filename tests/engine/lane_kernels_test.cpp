#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <span>
#include <vector>

#include "engine/lane_kernels.h"

namespace {

TEST(SecondDerivative, ThicknessChoosesKernelWidth) {
  const struct {
    int thickness, width;
  } cases[] = {{-1, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 5}, {4, 7}, {6, 11}, {10, 19}, {50, 19}};
  for (const auto& c : cases) {
    std::vector<int> in(c.width, 1), out(c.width, 77);
    EXPECT_EQ(mt_2df(c.thickness, c.width - 1, in.data(), out.data()), -2) << c.thickness;
    EXPECT_EQ(mt_2df(c.thickness, c.width, in.data(), out.data()), 0) << c.thickness;
  }
}

TEST(SecondDerivative, PeakGivesPositiveOutputAndEndsAreZero) {
  const std::vector<int> in = {0, 0, 5, 0, 0};
  std::vector<int> out(5, 99);
  ASSERT_EQ(mt_2df(2, 5, in.data(), out.data()), 0);
  EXPECT_EQ(out, (std::vector<int>{0, -50, 100, -50, 0}));

  // Width 5 kernel 10, -5, -10, -5, 10 on a ramp and a peak.
  const std::vector<int> in5 = {1, 2, 3, 4, 10, 4, 3};
  std::vector<int> out5(7, 99);
  ASSERT_EQ(mt_2df(3, 7, in5.data(), out5.data()), 0);
  // out[2] = -(10*1 - 5*2 - 10*3 - 5*4 + 10*10) = -50
  // out[3] = -(10*2 - 5*3 - 10*4 - 5*10 + 10*4) = 45
  // out[4] = -(10*3 - 5*4 - 10*10 - 5*4 + 10*3) = 80
  EXPECT_EQ(out5, (std::vector<int>{0, 0, -50, 45, 80, 0, 0}));
}

TEST(SecondDerivative, EveryKernelAgreesWithSumsInSixtyFourBits) {
  std::mt19937 rng(48);
  // Inputs up to 2^24 either side of 0 (summed in 32 bits), one just past it, and the extremes
  // of int, whose products need 64 bits.
  const int limits[] = {255, 65535, 1 << 24, (1 << 24) + 1, 2147483647};
  for (int thickness = 0; thickness <= 11; ++thickness) {
    const std::span<const int> kernel = ln_kernel((2 * thickness - 3) / 2);
    const int k = static_cast<int>(kernel.size()), half = k / 2;
    for (const int limit : limits) {
      std::uniform_int_distribution<int> value(-limit - (limit == 2147483647 ? 1 : 0), limit);
      for (int count : {k, k + 1, 40, 301}) {
        std::vector<int> in(static_cast<size_t>(count)), out(static_cast<size_t>(count), 77);
        for (int& v : in) v = value(rng);
        in[static_cast<size_t>(count / 2)] = limit;  // the bound itself is reached
        ASSERT_EQ(mt_2df(thickness, count, in.data(), out.data()), 0);
        for (int i = 0; i < count; ++i) {
          long long sum = 0;
          if (i >= half && i < count - half)
            for (int j = 0; j < k; ++j) sum += static_cast<long long>(kernel[j]) * in[static_cast<size_t>(i - half + j)];
          ASSERT_EQ(out[static_cast<size_t>(i)], static_cast<int>(-sum))
              << "thickness " << thickness << ", inputs to " << limit << ", index " << i;
        }
      }
    }
  }
}

TEST(SmoothingFilters, EveryWidthKeepsTheShapeRules) {
  for (int w = 5; w <= 89; w += 2) {
    const auto f = ln_smooth_filter(w);
    ASSERT_EQ(static_cast<int>(f.size()), w);
    const int h = w / 2;
    double sum = 0, sq = 0;
    for (int i = 0; i < w; ++i) {
      sum += f[i];
      sq += f[i] * f[i];
      EXPECT_DOUBLE_EQ(f[i], f[w - 1 - i]) << w;
    }
    EXPECT_NEAR(sum, 0.0, 1e-9) << w;
    EXPECT_NEAR(sq, 1.0, 1e-9) << w;
    EXPECT_GT(f[h], 0.0) << w;
    if (w < 11) continue;  // the fixed narrow filters are what they are
    // One sign change per side, near a seventh of the width; the deepest point near a quarter.
    int change = -1, deepest = h;
    for (int d = 1; d <= h; ++d) {
      if (change < 0 && f[h + d] < 0) change = d;
      if (f[h + d] < f[h + deepest]) deepest = d;
      if (change > 0 && d > change) {
        EXPECT_LE(f[h + d], 0.0) << w << " at " << d;
      }
    }
    EXPECT_NEAR(change, w / 7.0, 1.5) << w;
    EXPECT_NEAR(deepest, w / 4.0, 1.5) << w;
    EXPECT_LT(std::abs(f[w - 1]), 0.01 * std::abs(f[h + deepest])) << w;
  }
  const auto f89 = ln_smooth_filter(89);
  EXPECT_NEAR(f89[44], 0.2323540439, 0.015);
  EXPECT_NEAR(f89[44 + 22], -0.1235889453, 0.005);
  EXPECT_NEAR(f89[88], 0.0, 1e-4);
  EXPECT_TRUE(ln_smooth_filter(6).empty());
  EXPECT_TRUE(ln_smooth_filter(91).empty());
}

TEST(SmoothingFilters, FilteringWritesOnlyTheInterior) {
  const struct {
    int index, width;
  } widths[] = {{0, 5}, {5, 5}, {6, 7}, {7, 7}, {8, 9}, {88, 89}, {89, 89}, {200, 89}};
  for (const auto& c : widths) EXPECT_EQ(ln_filter_width(c.index), c.width) << c.index;

  std::vector<int> in(11, 0), out(11, -7);
  in[5] = 1;
  ASSERT_EQ(ln_filt(in.data(), 11, out.data(), 7, 0), 1);
  const auto f = ln_smooth_filter(7);
  for (int i = 0; i < 11; ++i) {
    if (i < 3 || i > 7) {
      EXPECT_EQ(out[i], -7) << i;
    } else {
      EXPECT_EQ(out[i], static_cast<int>(1000.0 * f[5 - i + 3])) << i;
    }
  }
  ASSERT_EQ(ln_filt(in.data(), 11, out.data(), 7, 1), 1);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[10], 0);

  std::vector<int> flat(9, 250), o(9, 0);
  ASSERT_EQ(ln_filt(flat.data(), 9, o.data(), 9, 0), 1);
  EXPECT_EQ(o[4], 0);  // zero sum: a flat profile has no curvature
  EXPECT_EQ(ln_filt(flat.data(), 8, o.data(), 9, 0), 0);
  EXPECT_EQ(ln_filt(flat.data(), 0, o.data(), 5, 0), 0);
}

}  // namespace
