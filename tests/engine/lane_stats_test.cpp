#include <gtest/gtest.h>

#include <vector>

#include "engine/lane_stats.h"

namespace {

struct RowCase {
  const char* what;
  std::vector<int> s;
  int value, side, spike;
};

TEST(LaneRowStats, HandComputedRows) {
  const RowCase cases[] = {
      {"one sample", {7}, 7, 7, 0},
      {"two samples halve downwards", {7, 8}, 7, 7, 0},
      // m = 1, h = 1: the window covers all three interior samples, no side samples.
      {"five samples, no side", {10, 20, 100, 20, 10}, 47, 0, 80},
      // m = 5, h = 2 about index 4: side samples are indexes 1 and 7.
      {"nine samples", {0, 10, 12, 14, 200, 16, 18, 20, 0}, 41, 15, 185},
      // Ties take the first brightest sample: 9 - (5 + 9) / 2, not 9 - (9 + 0) / 2.
      {"first of equal peaks", {0, 5, 9, 9, 0}, 8, 0, 2},
      // The outer samples count only as neighbours: a dim interior under bright borders.
      {"outer samples are neighbours only", {1000, 3, 4, 1000}, 4, 0, -497},
      // n = 8: m = 3, h = 1 about index 2: the window holds 1..3, the sides are 4..6.
      {"eight samples", {0, 1, 50, 3, 4, 5, 6, 0}, 12, 5, 48},
  };
  for (const auto& c : cases) {
    LnRowStats st{};
    ASSERT_TRUE(ln_row_stats(c.s.data(), static_cast<int>(c.s.size()), &st)) << c.what;
    EXPECT_EQ(st.value, c.value) << c.what;
    EXPECT_EQ(st.side_mean, c.side) << c.what;
    EXPECT_EQ(st.spike, c.spike) << c.what;
  }
  LnRowStats st{};
  EXPECT_FALSE(ln_row_stats(nullptr, 0, &st));
}

TEST(LaneSpikeRemoval, ReplacesTenRowsEachSideOfAMaximum) {
  const int n = 40;
  std::vector<int> prof(n, 100), side(n, 90), spike(n, 0);
  // Two equal heights: the later one is the maximum (greater than the next, not below the
  // previous).
  spike[20] = 500;
  spike[21] = 500;
  // A spike at the limit itself is not removed; one near the start is clipped to the profile.
  spike[30] = 400;
  spike[2] = 401;
  ln_remove_spikes(prof.data(), side.data(), spike.data(), n, 10, 400);
  for (int i = 0; i < n; ++i) {
    const bool replaced = (i >= 0 && i <= 12) || (i >= 11 && i <= 31);
    EXPECT_EQ(prof[i], replaced ? 90 : 100) << "row " << i;
  }
}

TEST(LaneSpikeRemoval, ReplacementDoesNotCascadeAndShortProfilesStay) {
  std::vector<int> prof = {5, 6}, side = {0, 0}, spike = {0, 900};
  ln_remove_spikes(prof.data(), side.data(), spike.data(), 2, 10, 400);
  EXPECT_EQ(prof, (std::vector<int>{5, 6}));

  // Side means well below the spike limit do not change the spike heights used later on.
  const int n = 25;
  std::vector<int> p(n, 1000), s(n, 0), h(n, 0);
  h[3] = 600;
  ln_remove_spikes(p.data(), s.data(), h.data(), n, 2, 400);
  for (int i = 0; i < n; ++i) EXPECT_EQ(p[i], (i >= 1 && i <= 5) ? 0 : 1000) << i;
}

}  // namespace
