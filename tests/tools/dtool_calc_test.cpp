// The densitometry tool's band array and measures on hand-made profiles and feature lists.
#include <gtest/gtest.h>

#include <memory>

#include "../engine/lane_fixture.h"
#include "tools/dtool_calc.h"

using enginetest::add_point;
using enginetest::profile_lane;

namespace {

// A lane copy installed in the tool with a record, removed at the end.
struct Tool {
  DT_INFO info{};
  std::unique_ptr<LANE, enginetest::LaneDeleter> lane;
  explicit Tool(const std::vector<int>& profile, const std::vector<int>& baseline = {}) {
    lane.reset(profile_lane(profile));
    if (!baseline.empty()) {
      lane->baseline_values = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * baseline.size()));
      std::memcpy(lane->baseline_values, baseline.data(), sizeof(int32_t) * baseline.size());
    }
    info.y_res = 1;
    DtState& s = dtool_state();
    s = DtState{};
    s.info = &info;
    s.lane = lane.get();
  }
  ~Tool() { dtool_state() = DtState{}; }
  void features(std::vector<int> peaks, std::vector<int> valleys, std::vector<int> infl) {
    for (int p : peaks) add_point(lane->peak, p, 0);
    for (int v : valleys) add_point(lane->valley, v, 0);
    for (int i : infl) add_point(lane->infl_pt, i, 0);
  }
  const DT_BAND& band(int i) const { return dtool_state().bands[static_cast<std::size_t>(i)]; }
  std::vector<int> bounds(int i) const {
    int p = -9, lo = -9, hi = -9;
    EXPECT_TRUE(dtool_band_bounds(i, &p, &lo, &hi));
    return {p, lo, hi};
  }
};

std::vector<int> peaks() {
  std::vector<int> out;
  for (const DT_BAND& b : dtool_state().bands) out.push_back(b.peak);
  return out;
}

}  // namespace

TEST(DtoolCalc, BandArrayTakesBoundsFromInflectionPointsAndValleys) {
  //                  0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15
  Tool t(std::vector<int>{1, 9, 4, 2, 3, 6, 8, 5, 3, 4, 7, 9, 8, 6, 2, 1});
  t.features({1, 6, 11}, {3, 14}, {4, 8, 10, 12});
  ASSERT_TRUE(build_band_array(t.lane.get()));
  ASSERT_EQ(dtool_state().bands.size(), 3u);
  // A peak before the first inflection point: lower bound -1, read as row 0.
  EXPECT_EQ(t.band(0).lo_infl, -1);
  EXPECT_EQ(t.band(0).hi_infl, 3);  // cut back to the valley after it
  EXPECT_EQ(t.band(0).lo_lowest, -1);
  EXPECT_EQ(t.band(0).hi_lowest, 3);
  EXPECT_EQ(t.bounds(0), (std::vector<int>{1, 0, 3}));
  EXPECT_EQ(t.band(1).lo_infl, 4);
  EXPECT_EQ(t.band(1).lo_lowest, 3);
  // Two peaks with no valley between them: the first one's bounds end where the second's begin.
  EXPECT_EQ(t.band(1).hi_lowest, t.band(2).lo_lowest);
  EXPECT_EQ(t.band(1).hi_infl, std::min(8, t.band(1).hi_lowest));
  EXPECT_EQ(t.band(2).lo_infl, 10);
  EXPECT_EQ(t.band(2).hi_infl, 12);
  EXPECT_EQ(t.band(2).hi_lowest, 14);
  EXPECT_EQ(peaks(), (std::vector<int>{1, 6, 11}));

  // The lowest-point pair when chosen.
  dtool_state().lowest = 1;
  EXPECT_EQ(t.bounds(2), (std::vector<int>{11, 3, 14}));
  EXPECT_FALSE(dtool_band_bounds(3, nullptr, nullptr, nullptr));
  EXPECT_FALSE(dtool_band_bounds(-1, nullptr, nullptr, nullptr));
}

TEST(DtoolCalc, PeakMovesToTheLargestValueBetweenItsBounds) {
  Tool t(std::vector<int>{0, 2, 5, 9, 9, 4, 1});
  t.features({2}, {}, {1, 5});
  build_band_array(t.lane.get());
  EXPECT_EQ(peaks(), (std::vector<int>{3}));  // the first of equal maxima
  EXPECT_EQ(t.band(0).hi_lowest, 6);          // no valley after: the last row
}

TEST(DtoolCalc, EditingTheArray) {
  Tool t(std::vector<int>(101, 1));
  for (int p : {60, 20, 40}) dtool_insert_band(p, p - 5, p + 5);
  EXPECT_EQ(peaks(), (std::vector<int>{20, 40, 60}));
  struct Case {
    int row, band;
  };
  for (Case c : {Case{0, 0}, Case{30, 1}, Case{29, 0}, Case{50, 2}, Case{100, 2}, Case{41, 1}})
    EXPECT_EQ(dtool_nearest_band(c.row), c.band) << c.row;  // halfway goes to the later band

  dtool_insert_band(40, 35, 45);
  EXPECT_EQ(dtool_state().selected, 1);  // before the equal peak
  EXPECT_EQ(t.band(1).lo_lowest, 35);
  EXPECT_EQ(peaks(), (std::vector<int>{20, 40, 40, 60}));
  dtool_delete_band(99);  // clamped to the last
  EXPECT_EQ(peaks(), (std::vector<int>{20, 40, 40}));
  EXPECT_EQ(dtool_state().selected, -1);
  dtool_state().bands.clear();
  EXPECT_EQ(dtool_nearest_band(5), -1);
  dtool_delete_band(0);  // nothing to delete
}

TEST(DtoolCalc, MovingABoundKeepsTheOtherAndRefindsThePeak) {
  Tool t(std::vector<int>{0, 1, 2, 3, 4, 9, 3, 2, 8, 1, 0});
  dtool_insert_band(5, 4, 6);
  dtool_set_bound(9, 0, 2);  // the upper handle: from the lower bound 4 to 9
  EXPECT_EQ(t.bounds(0), (std::vector<int>{5, 4, 9}));
  dtool_set_bound(7, 0, 1);  // the lower handle past the upper: the range turns round
  EXPECT_EQ(t.bounds(0), (std::vector<int>{8, 7, 9}));
  dtool_set_bound(50, 0, 2);  // held to the profile
  EXPECT_EQ(t.bounds(0), (std::vector<int>{8, 7, 10}));
  dtool_set_bound(-5, 0, 1);
  EXPECT_EQ(t.bounds(0), (std::vector<int>{5, 0, 10}));
}

TEST(DtoolCalc, MeasuresOfBandsAndLane) {
  Tool t({2, 5, 9, 5, 2, 2, 6, 2, 2, 2}, {2, 2, 2, 2, 2, 2, 2, 2, 2, 3});
  t.lane->left_width = 3;
  t.lane->right_width = 2;
  t.info.y_res = 2;
  t.info.y_scale = -1;  // pitch 0.2
  EXPECT_DOUBLE_EQ(dtool_pitch(), 0.2);
  dtool_insert_band(2, 1, 3);
  dtool_insert_band(6, 5, 7);
  // O.D. without a lookup is raw minus baseline, never below 0.
  EXPECT_DOUBLE_EQ(dtool_od(2), 7.0);
  EXPECT_DOUBLE_EQ(dtool_od(9), 0.0);
  const double k = 5 * 0.2 * 0.2;
  EXPECT_DOUBLE_EQ(dtool_band_volume(0), 13 * k);
  EXPECT_DOUBLE_EQ(dtool_band_volume(1), 4 * k);
  EXPECT_DOUBLE_EQ(dtool_lane_volume(), 17 * k);
  EXPECT_DOUBLE_EQ(dtool_pct_lane(0), 13 * 100.0 / 17);
  EXPECT_DOUBLE_EQ(dtool_pct_bands(1), 4 * 100.0 / 17);
  EXPECT_DOUBLE_EQ(dtool_peak_od(0), 7.0);
  EXPECT_DOUBLE_EQ(dtool_rf(1), 0.6);
  EXPECT_DOUBLE_EQ(dtool_width(0), 0.2);
  EXPECT_DOUBLE_EQ(dtool_position(1), 6 * 0.2);
  EXPECT_DOUBLE_EQ(dtool_size(0), -1.0);
  EXPECT_DOUBLE_EQ(dtool_volume(4, 3), 0.0);
  EXPECT_DOUBLE_EQ(dtool_readout_x(4.5), 0.5);
  EXPECT_DOUBLE_EQ(dtool_readout_y(6.4), 6.0);
}

TEST(DtoolCalc, EmptyProfilesAndBoundsAtTheEndReadNothingPastIt) {
  {
    // A band added at the last row: its bounds stay inside the profile (ASan checks the reads).
    Tool t({3, 4, 5});
    dtool_insert_band(2, 1, 3);
    EXPECT_EQ(t.bounds(0), (std::vector<int>{2, 1, 2}));
    EXPECT_DOUBLE_EQ(dtool_band_volume(0), 9 * 10.0);
    EXPECT_GT(dtool_peak_od(0), 0.0);
  }
  {
    // A flat profile on its baseline: nothing to divide by gives 0.
    Tool t({4, 4, 4}, {4, 4, 4});
    dtool_insert_band(1, 0, 2);
    EXPECT_DOUBLE_EQ(dtool_pct_lane(0), 0.0);
    EXPECT_DOUBLE_EQ(dtool_pct_bands(0), 0.0);
  }
  {
    Tool t({7});
    EXPECT_DOUBLE_EQ(dtool_readout_x(0.0), 0.0);  // n = 1
  }
}

TEST(DtoolCalc, ThresholdScalesWithTheImageRange) {
  EXPECT_EQ(dtool_scaled_threshold(200, 0, 10), 20);
  EXPECT_EQ(dtool_scaled_threshold(50, 0, 10), 10);
  EXPECT_EQ(dtool_scaled_threshold(65535, 0, 3), 1966);
}
