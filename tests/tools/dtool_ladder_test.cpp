// The densitometry tool on a lane of the real ladder gel, as a user would use it after finding
// lanes and bands. With VX_GRAB_DIR set, the profile and the tool's bands are written there as
// text (profile values, then "band peak lower upper volume" lines) for comparison with other
// peak finders.
#include <gtest/gtest.h>

#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "../engine/ladder_gel.h"
#include "engine/lane_profile.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/dtool_calc.h"
#include "tools/gt_dtool.h"

namespace {

// The tool's settings for the analysed gel, as the command fills them from the image.
DT_INFO ladder_info(const vxtest::LadderGel& g) {
  DT_INFO info{};
  info.min_top_band_thick = g.image->min_top_band_thick;
  info.min_bot_band_thick = g.image->min_bot_band_thick;
  info.band_threshold = g.image->band_threshold;
  info.max_value = 255;
  info.y_res = 1;
  info.lanes = g.image->lanes;
  std::snprintf(info.image_name, sizeof info.image_name, "ladder_reference_gel");
  std::snprintf(info.image_path, sizeof info.image_path, "%s", g.kes.c_str());
  return info;
}

}  // namespace

TEST(DtoolLadder, PeaksOfALadderLaneAreItsBands) {
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    if (!g.skip.empty()) GTEST_FAIL() << "ladder gel not analysed: " << g.skip;
    return;
  }
  LANE* copy = ln_clone_lane(g.lanes[0]);
  ASSERT_NE(copy, nullptr);
  DT_INFO info = ladder_info(g);
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

// The tool window on the ladder's second lane, as a user opens it after Find Bands: its bands
// are the lane's, and OK hands the settings back.
TEST(DtoolLadder, TheWindowOnALadderLane) {
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    if (!g.skip.empty()) GTEST_FAIL() << "ladder gel not analysed: " << g.skip;
    return;
  }
  for (const char* m : {"dtool", "ui_msg", "rep_fld", "ui_font"})
    RES_OpenFile(m, (vxtest::source_dir() / "resources" / (std::string(m) + ".res")).c_str());
  TKT_Enable(true);
  for (LANE* l : g.lanes) l->f &= ~LN_F_SELECTED;
  g.lanes[1]->f |= LN_F_SELECTED;
  DT_INFO info = ladder_info(g);
  info.iLaneWidth = 80;
  std::size_t bands = 0;
  QTimer::singleShot(0, [&] {
    TK_OBJ win = TKT_FindWindow("dtool", "dtool_win");
    if (!win) return;
    bands = dtool_state().bands.size();
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/dtool_ladder.png").c_str());
    TKT_Click(RES_GetSub(win, 4));
  });
  EXPECT_EQ(gt_dtool_activate(&info, nullptr), 1);
  EXPECT_GE(bands, 12u);
  EXPECT_LE(bands, 20u);
  EXPECT_EQ(info.iLaneWidth, 80);
  TKT_Enable(false);
}
