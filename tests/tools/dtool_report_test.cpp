// The densitometry tool's boundaries file and band report.
#include <gtest/gtest.h>

#include <memory>

#include "../engine/lane_fixture.h"
#include "base/ks_mem.h"
#include "model/std_list.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/dtool_report.h"

namespace {

struct Tool {
  DT_INFO info{};
  std::unique_ptr<LANE, enginetest::LaneDeleter> lane;
  explicit Tool(const std::vector<int>& profile) {
    // The column headings come from the report field list, as in the program, where the
    // resource file is open from the start.
    RES_OpenFile("rep_fld", (vxtest::source_dir() / "resources/rep_fld.res").c_str());
    lane.reset(enginetest::profile_lane(profile));
    info.y_res = 1;
    std::snprintf(info.image_name, sizeof info.image_name, "gel");
    lane->lane_number = 3;
    std::snprintf(lane->lane_name, sizeof lane->lane_name, "L3");
    DtState& s = dtool_state();
    s = DtState{};
    s.info = &info;
    s.lane = lane.get();
    TKT_Enable(true);
  }
  ~Tool() {
    dtool_state() = DtState{};
    TKT_Enable(false);
  }
  std::vector<std::vector<int>> bands() const {
    std::vector<std::vector<int>> out;
    for (const DT_BAND& b : dtool_state().bands) out.push_back({b.lo_infl, b.peak, b.hi_infl, b.lo_lowest, b.hi_lowest});
    return out;
  }
};

}  // namespace

TEST(DtoolBounds, ParsesLinesWithAndWithoutBlanks) {
  std::vector<DtBound> b;
  ASSERT_TRUE(dtool_parse_bounds("0.1,0.2,first\n  0.3, 0.5,   second word\r\n0.6,0.9,x", &b));
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].name, "first");
  EXPECT_DOUBLE_EQ(b[1].lower, 0.3);
  EXPECT_EQ(b[1].name, "second");  // a name is one word
  EXPECT_EQ(b[2].name, "x");
  ASSERT_TRUE(dtool_parse_bounds("0, 1, " + std::string(40, 'n') + "\n", &b));
  EXPECT_EQ(b[0].name, std::string(20, 'n'));

  std::string fifty, fifty_one;
  for (int i = 0; i < 50; ++i) fifty += "0.1, 0.2, b\n";
  fifty_one = fifty + "0.1, 0.2, b\n";
  EXPECT_TRUE(dtool_parse_bounds(fifty, nullptr));
  const char* invalid[] = {"", "0.5, 0.5, a\n", "0.6, 0.5, a\n", "0.1, 0.2, a\n\n0.3, 0.4, b\n",
                           "0.1 , 0.2, a\n", "0.1, 0.2\n", "a, 0.2, b\n"};
  for (const char* t : invalid) EXPECT_FALSE(dtool_parse_bounds(t, nullptr)) << t;
  EXPECT_FALSE(dtool_parse_bounds(fifty_one, nullptr));
}

TEST(DtoolBounds, FileBandsAreFractionsOfTheProfile) {
  vxtest::TempDir dir;
  Tool t(std::vector<int>(101, 1));
  vxtest::write_text(dir.file("one.txt"), "0, 1, all\n");
  ASSERT_TRUE(bReadBoundariesFile(dir.file("one.txt").c_str()));
  EXPECT_EQ(t.bands(), (std::vector<std::vector<int>>{{0, 50, 100, 0, 100}}));
  EXPECT_STREQ(dtool_state().bands[0].label, "all");
  // Values are held to 0..1 before they become rows.
  vxtest::write_text(dir.file("wide.txt"), "-0.5, 1.5, a\n0.2, 0.3, b\n");
  ASSERT_TRUE(bReadBoundariesFile(dir.file("wide.txt").c_str()));
  EXPECT_EQ(t.bands(), (std::vector<std::vector<int>>{{0, 50, 100, 0, 100}, {20, 25, 30, 20, 30}}));

  // Usable size standards change nothing in how the fractions become rows.
  STD_LIST* list = std_list_create();
  STD_MARKER m{};
  m.x = 50, m.y = 30, m.value = 1000, m.flags = 1;
  ASSERT_EQ(std_list_append(list, &m), 1);
  STD_LIST* lists[1] = {list};
  t.info.size_stds = lists;
  ASSERT_TRUE(dtool_sizes_usable());
  ASSERT_TRUE(bReadBoundariesFile(dir.file("one.txt").c_str()));
  EXPECT_EQ(t.bands(), (std::vector<std::vector<int>>{{0, 50, 100, 0, 100}}));
  t.info.size_stds = nullptr;
  std_list_free(list);
  ASSERT_TRUE(bReadBoundariesFile(dir.file("wide.txt").c_str()));

  // An invalid file alerts and keeps the bands.
  for (std::string bad : {"0.4, 0.4, a\n", "0.1, 0.2, a\n\n", ""}) {
    vxtest::write_text(dir.file("bad.txt"), bad);
    TKT_AnswerAlert(1);
    EXPECT_FALSE(bReadBoundariesFile(dir.file("bad.txt").c_str()));
    EXPECT_EQ(TKT_LastAlertText(), "Boundaries file is invalid.\nChoose a valid boundaries file.");
    EXPECT_EQ(dtool_state().bands.size(), 2u);
  }
  TKT_AnswerAlert(1);
  EXPECT_FALSE(bReadBoundariesFile(dir.file("missing.txt").c_str()));
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST(DtoolReport, TableOfTheBands) {
  Tool t({0, 4, 8, 4, 0, 0, 2, 0, 0, 0});
  dtool_insert_band(2, 1, 3);
  dtool_insert_band(6, 5, 7);
  EXPECT_EQ(dtool_report_text(),
            "gel : 3 : L3\n\n"
            "Band #     Volume  % Lane % Bands      Rf      Width      Size \n"
            "====== ========== ======= ======= ======= ========== ========= \n"
            "     1    160.000    88.9    88.9   0.200       0.20       n/a \n"
            "     2     20.000    11.1    11.1   0.600       0.20       n/a \n");
  EXPECT_DOUBLE_EQ(dtool_state().lane_volume, 180.0);
  dtool_state().bands.clear();
  EXPECT_EQ(dtool_report_text(),
            "gel : 3 : L3\n\n"
            "Band #     Volume  % Lane % Bands      Rf      Width      Size \n"
            "====== ========== ======= ======= ======= ========== ========= \n");
}

TEST(DtoolReport, AWideVolumeWidensItsColumn) {
  Tool t({0, 4, 8, 4, 0});
  t.info.y_res = 1000000;  // volume 160 x 10^12
  dtool_insert_band(2, 1, 3);
  const std::string r = dtool_report_text();
  EXPECT_NE(r.find(" 160000000000000.000 "), std::string::npos) << r;
  EXPECT_NE(r.find("             Volume "), std::string::npos) << r;   // 19 wide
  EXPECT_NE(r.find("====== ================= ="), std::string::npos) << r;  // at most 17
}
