// The densitometry tool on a lane of the real ladder gel, as a user would use it after finding
// lanes and bands. With VX_GRAB_DIR set, the profile and the tool's bands are written there as
// text (profile values, then "band peak lower upper volume" lines) for comparison with other
// peak finders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "../engine/ladder_gel.h"
#include "engine/lane_profile.h"
#include "tools/dtool_calc.h"

TEST(DtoolLadder, PeaksOfALadderLaneAreItsBands) {
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    if (!g.skip.empty()) GTEST_FAIL() << "ladder gel not analysed: " << g.skip;
    return;
  }
  LANE* copy = ln_clone_lane(g.lanes[0]);
  ASSERT_NE(copy, nullptr);
  DT_INFO info{};
  info.min_top_band_thick = g.image->min_top_band_thick;
  info.min_bot_band_thick = g.image->min_bot_band_thick;
  info.band_threshold = g.image->band_threshold;
  info.min_value = 0;
  info.max_value = 255;
  info.y_res = 1;
  DtState& s = dtool_state();
  s = DtState{};
  s.info = &info;
  s.lane = copy;
  ASSERT_EQ(ln_load_data_values(g.kes.c_str(), &copy, 1, 100), 1);
  ln_calc_lane_baselines(&copy, 1, 407);
  dtool_find_peaks("ladder");
  const int n = dtool_n();
  // The lane holds 16 to 18 bands; each band's peak is the top of the profile between its bounds.
  EXPECT_GE(s.bands.size(), 12u);
  EXPECT_LE(s.bands.size(), 20u);
  for (int i = 0; i < static_cast<int>(s.bands.size()); ++i) {
    int peak = 0, lo = 0, hi = 0;
    ASSERT_TRUE(dtool_band_bounds(i, &peak, &lo, &hi));
    EXPECT_LE(lo, peak);
    EXPECT_LE(peak, hi);
    EXPECT_GT(dtool_band_volume(i), 0.0) << i;
  }
  // The 3 kb band (sixth from the top) carries about 2.1 times the DNA of the 1.5 kb band
  // (eighth), as the ladder's maker gives.
  ASSERT_GE(s.bands.size(), 8u);
  EXPECT_NEAR(dtool_band_volume(5) / dtool_band_volume(7), 2.1, 0.25);
  if (const char* dir = std::getenv("VX_GRAB_DIR")) {
    std::ofstream out(std::string(dir) + "/ladder_lane.txt");
    out << n << "\n";
    for (int i = 0; i < n; ++i) out << copy->data_values[i] << " " << (copy->baseline_values ? copy->baseline_values[i] : 0) << "\n";
    for (int i = 0; i < static_cast<int>(s.bands.size()); ++i) {
      int peak = 0, lo = 0, hi = 0;
      dtool_band_bounds(i, &peak, &lo, &hi);
      out << "band " << peak << " " << lo << " " << hi << " " << dtool_band_volume(i) << "\n";
    }
  }
  s = DtState{};
  ln_free_lane(copy);
}
