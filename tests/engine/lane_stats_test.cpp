#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
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

// The row statistics as first written, one sample at a time, for comparison with the 16-bit
// entry point, which takes many samples at a time.
LnRowStats row_stats_one_by_one(const std::vector<int>& s) {
  const int n = static_cast<int>(s.size());
  if (n <= 2) {
    const int v = n == 1 ? s[0] : (s[0] + s[1]) / 2;
    return {v, v, 0};
  }
  long long total = 0;
  int k = 1;
  for (int i = 1; i <= n - 2; ++i) {
    total += s[i];
    if (s[i] > s[k]) k = i;
  }
  const int spike = s[k] - (s[k - 1] + s[k + 1]) / 2;
  int m = ((n - 5) % 2 != 0) ? n - 5 : n - 4;
  if (m < 1) m = 1;
  int h = (m - 1) / 2;
  if (h < 1) h = 1;
  long long side_sum = 0;
  int side_count = 0;
  for (int i = 1; i <= n - 2; ++i) {
    if (i < k - h || i > k + h) {
      side_sum += s[i];
      ++side_count;
    }
  }
  const int side =
      side_count ? static_cast<int>(static_cast<double>(side_sum) / side_count + 0.5) : 0;
  return {static_cast<int>(static_cast<double>(total) / (n - 2) + 0.5), side, spike};
}

std::vector<uint8_t> le16_bytes(const std::vector<int>& s) {
  std::vector<uint8_t> b;
  for (int v : s) b.insert(b.end(), {static_cast<uint8_t>(v & 0xff), static_cast<uint8_t>(v >> 8)});
  return b;
}

void expect_stats(const LnRowStats& got, const LnRowStats& want, const std::string& what) {
  EXPECT_EQ(got.value, want.value) << what;
  EXPECT_EQ(got.side_mean, want.side_mean) << what;
  EXPECT_EQ(got.spike, want.spike) << what;
}

// The row alone, and as the first and as the second of a pair with the row reversed.
void expect_as_one_by_one(const std::vector<int>& s, const std::string& what) {
  const int n = static_cast<int>(s.size());
  const std::vector<int> r(s.rbegin(), s.rend());
  const LnRowStats want = row_stats_one_by_one(s), want_r = row_stats_one_by_one(r);
  const std::vector<uint8_t> b = le16_bytes(s), br = le16_bytes(r);
  LnRowStats got{-1, -1, -1};
  ASSERT_TRUE(ln_row_stats_le16(b.data(), n, &got)) << what;
  expect_stats(got, want, what);
  LnRowStats pair[2] = {{-1, -1, -1}, {-1, -1, -1}};
  ASSERT_TRUE(ln_row_stats_le16_pair(b.data(), br.data(), n, pair)) << what;
  expect_stats(pair[0], want, what + ", first of a pair");
  expect_stats(pair[1], want_r, what + ", second of a pair");
}

// Every row length up to well past several blocks of sixteen, values narrow enough to tie for
// the brightest sample and wide enough to carry the sums, the brightest sample (or several)
// placed at each interior position, and rows about the longest that the many-at-a-time path
// takes.
TEST(LaneRowStats, SixteenBitRowsMatchTheOneByOneStatistics) {
  std::mt19937 rng(11);
  for (const int top : {1, 3, 255, 65535}) {
    std::uniform_int_distribution<int> value(0, top);
    for (int n = 1; n <= 300; ++n) {
      for (int rep = 0; rep < 12; ++rep) {
        std::vector<int> s(n);
        for (int& x : s) x = value(rng);
        expect_as_one_by_one(s, "random, top " + std::to_string(top) + ", n " + std::to_string(n));
      }
    }
  }
  for (int n : {18, 19, 33, 47, 56, 64, 65}) {
    for (int at = 1; at <= n - 2; ++at) {
      std::vector<int> s(n, 1000);
      s[0] = s[n - 1] = 65535;  // the outer samples are never the brightest interior sample
      s[at] = 40000;
      expect_as_one_by_one(s, "one peak, n " + std::to_string(n) + " at " + std::to_string(at));
      s[std::min(n - 2, at + 17)] = 40000;  // a tie further on, often in the last block
      expect_as_one_by_one(s, "two peaks, n " + std::to_string(n) + " at " + std::to_string(at));
    }
  }
  std::uniform_int_distribution<int> any(0, 65535);
  for (int n : {32767, 32768, 32769, 32770, 70001}) {
    std::vector<int> s(n, 65535);
    expect_as_one_by_one(s, "all at the top, n " + std::to_string(n));
    for (int& x : s) x = any(rng);
    s[n - 3] = 65535;
    expect_as_one_by_one(s, "random, n " + std::to_string(n));
  }
}

// Means whose sum lies next to, on and past the half-way mark between two whole numbers, for
// sample counts of all sizes and sums up to the largest: the mean is rounded as the double
// division rounds it.
TEST(LaneRowStats, SixteenBitMeansRoundAsTheDoubleDivision) {
  std::vector<int> counts;
  for (int m = 16; m <= 400; ++m) counts.push_back(m);
  for (int m : {511, 512, 1023, 4095, 8191, 16384, 32766, 32767}) counts.push_back(m);
  for (int m : counts) {
    for (int level : {0, 1, 7, 1000, 32767, 65534}) {
      for (int d : {-1, 0, 1}) {
        const int extra = m / 2 + d;  // samples one above the level
        std::vector<int> s(m + 2, level);
        s.front() = s.back() = 0;
        for (int i = 1; i <= extra; ++i) ++s[i];
        const std::vector<uint8_t> b = le16_bytes(s);
        LnRowStats got{};
        ASSERT_TRUE(ln_row_stats_le16(b.data(), m + 2, &got));
        const long long sum = static_cast<long long>(level) * m + extra;
        ASSERT_EQ(got.value, static_cast<int>(static_cast<double>(sum) / m + 0.5))
            << "count " << m << ", level " << level << ", extra " << extra;
      }
    }
  }
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
