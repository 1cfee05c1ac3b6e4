// The match results window: what it shows, its order, its actions and what it owns.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/band_rep.h"
#include "analysis/mresult.h"
#include "analysis/wr_match.h"
#include "io/analysis_io.h"
#include "match_window_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

class MatchResultsTest : public vxtest::MatchWindowTest {
 protected:
  // The reference gel (lane 1 current) against gels b (open) and a (on disk only); lanes of
  // both score 80 against the reference, b's second lane 100.
  TK_OBJ open_results() {
    ref_ = gel("ref.kes", {{20, 60, 100, 140, 180}});
    ref_->cur_lane = ref_->lanes->next;
    b_ = gel("b.kes", {{20, 60, 100, 140, 181 - 100}, {20, 60, 100, 140, 180}});
    IMAGE_REC* a = gel("a.kes", {{20, 60, 100, 140, 81}});
    EXPECT_TRUE(gt_prepare_and_write(a->file_path, a->img_ptr, a));
    wr_prepare_and_match(ref_, gt_get_control(), {b_->file_path, a->file_path}, nullptr, {ref_, b_});
    return mresult_window();
  }
  TK_OBJ table() { return RES_GetSub(mresult_window(), MRES_TABLE); }
  static std::string image_of(const std::string& row) { return row.substr(0, row.find(' ')); }

  IMAGE_REC* ref_ = nullptr;
  IMAGE_REC* b_ = nullptr;
};

TEST_F(MatchResultsTest, ShowsTheReferenceAndSortsTiesByName) {
  TK_OBJ win = open_results();
  ASSERT_NE(win, nullptr);
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_REF_IMAGE)), "ref.kes");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_REF_LANE)), "01");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_REF_BANDS)), "5");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_THRESHOLD)), "0.00%");
  const auto& rows = mresult_rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "Image Name   Lane# Lane ID       #Bands #Match #Mismatch Match%");
  EXPECT_EQ(rows[1], "b              02                    5     5       0      100");
  // Match% descending: the two lanes at 80 in image-name order.
  EXPECT_EQ(image_of(rows[2]), "a");
  EXPECT_EQ(image_of(rows[3]), "b");
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/mresult.png").c_str());
  // By image name, descending: b's two lanes (labels equal) keep name-then-label order.
  TKT_Pick(RES_GetSub(RES_GetSub(win, MRES_SORT), 0), MRES_KEY_IMAGE);
  EXPECT_EQ(image_of(mresult_rows()[1]), "b");
  EXPECT_EQ(image_of(mresult_rows()[3]), "a");
  TKT_Pick(RES_GetSub(RES_GetSub(win, MRES_SORT), 1), 0);
  EXPECT_EQ(image_of(mresult_rows()[1]), "a");
}

TEST_F(MatchResultsTest, BandCountLimitReadsNoLimitOnlyAt100) {
  for (auto [limit, text] : {std::pair{100, "100 (no limit)"}, {99, "99"}, {150, "150"}}) {
    gt_get_control()->band_count_limit = limit;
    TK_OBJ win = open_results();
    ASSERT_NE(win, nullptr);
    EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_COUNT_LIMIT)), text);
  }
}

TEST_F(MatchResultsTest, ComparatorKeysAndTies) {
  auto make = [](const char* name, const char* label, int lane, int bands, int pairs, int pct) {
    LANE_MATCH m{};
    std::snprintf(m.name, sizeof m.name, "%s", name);
    std::snprintf(m.label, sizeof m.label, "%s", label);
    m.lane_number = lane;
    m.num_bands = bands;
    m.num_pairs = pairs;
    m.percent = static_cast<int16_t>(pct);
    return m;
  };
  const LANE_MATCH a = make("a.kes", "x", 2, 5, 4, 80), b = make("b.kes", "x", 2, 5, 4, 80),
                   B = make("B.kes", "y", 1, 6, 2, 60), a2 = make("a.kes", "w", 3, 5, 3, 70);
  struct Case {
    const LANE_MATCH *x, *y;
    int key, desc, sign;
  } cases[] = {
      {&a, &b, MRES_KEY_PERCENT, 1, -1},   // equal values: name ascending whatever the direction
      {&b, &a, MRES_KEY_PERCENT, 0, 1},
      {&B, &a, MRES_KEY_IMAGE, 0, -1},     // byte-wise: "B" before "a"
      {&a2, &a, MRES_KEY_IMAGE, 1, 1},     // equal names: labels in the chosen direction
      {&a, &b, MRES_KEY_LABEL, 1, -1},     // equal labels: name ascending
      {&B, &a, MRES_KEY_LABEL, 1, -1},
      {&B, &a, MRES_KEY_LANE, 0, -1},
      {&B, &a, MRES_KEY_BANDS, 1, -1},
      {&B, &a, MRES_KEY_PAIRS, 0, -1},
      {&B, &a, MRES_KEY_MISMATCH, 1, -1},  // 4 against 1
      {&a2, &a, MRES_KEY_MISMATCH, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.key) + "/" + std::to_string(c.desc));
    const int r = mresult_compare(c.x, c.y, c.key, c.desc);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
  }
}

TEST_F(MatchResultsTest, ActionsNeedARowAndTheBandReportClosesWithTheWindow) {
  TK_OBJ win = open_results();
  ASSERT_NE(win, nullptr);
  s_alerts.clear();
  TKT_Pick(RES_GetSub(win, MRES_ACTION), MRES_BAND_REPORT);
  ASSERT_EQ(s_alerts.size(), 1u);
  EXPECT_NE(s_alerts[0].find(ks_gt_message(134)), std::string::npos);
  EXPECT_EQ(band_rep_window(), nullptr);

  // The heading selects every row, and a second click none.
  TABLE_Click(table(), 0, 0);
  int r0, c0, nr, nc;
  ASSERT_TRUE(TABLE_GetSelection(table(), &r0, &c0, &nr, &nc));
  EXPECT_EQ(nr, 4);
  TABLE_Click(table(), 0, 0);
  EXPECT_FALSE(TABLE_GetSelection(table(), &r0, &c0, &nr, &nc));

  TABLE_Click(table(), 2, 0);
  TKT_Pick(RES_GetSub(win, MRES_ACTION), MRES_BAND_REPORT);
  ASSERT_NE(band_rep_window(), nullptr);
  EXPECT_NE(band_rep_text().find("a.kes"), std::string::npos);
  TABLE_Select(table(), 1, 0, 3, 1);
  TKT_Pick(RES_GetSub(win, MRES_ACTION), MRES_LANE_REPORT);
  EXPECT_NE(band_rep_text().find("b.kes"), std::string::npos);
  TKT_Pick(RES_GetSub(win, MRES_ACTION), MRES_LANE_MAP);
  TK_OBJ map = TKT_FindWindow("ln_map", "WinLaneMap");
  ASSERT_NE(map, nullptr);
  EXPECT_STREQ(WIN_GetTitle(map), "Lane Match Map");
  WIN_Terminate(map);
  TKT_Click(RES_GetSub(win, MRES_CLOSE));
  EXPECT_EQ(mresult_window(), nullptr);
  EXPECT_EQ(band_rep_window(), nullptr);
}

TEST_F(MatchResultsTest, ANewMatchOrAClosingImageEndsTheWindowAndWhatItHolds) {
  ASSERT_NE(open_results(), nullptr);
  TABLE_Select(table(), 1, 0, 3, 1);
  TKT_Pick(RES_GetSub(mresult_window(), MRES_ACTION), MRES_LANE_REPORT);
  ASSERT_NE(band_rep_window(), nullptr);
  // A second list match while the first is shown: the first window goes with its report.
  wr_prepare_and_match(ref_, gt_get_control(), {b_->file_path}, nullptr, {ref_, b_});
  ASSERT_NE(mresult_window(), nullptr);
  EXPECT_EQ(band_rep_window(), nullptr);
  EXPECT_EQ(mresult_rows().size(), 3u);
  TABLE_Select(table(), 1, 0, 2, 1);
  TKT_Pick(RES_GetSub(mresult_window(), MRES_ACTION), MRES_BAND_REPORT);
  ASSERT_NE(band_rep_window(), nullptr);

  // An image it does not borrow closes nothing; one it borrows closes it before its lists go.
  IMAGE_REC* other = gel("other.kes", {{20}});
  mresult_forget_image(other);
  ASSERT_NE(mresult_window(), nullptr);
  mresult_forget_image(b_);
  EXPECT_EQ(mresult_window(), nullptr);
  EXPECT_EQ(band_rep_window(), nullptr);
}

TEST_F(MatchResultsTest, SelectedBandsReferenceIsOwnedByTheWindow) {
  IMAGE_REC* ref = gel("refbands.kes", {{20, 60, 100}});
  ASSERT_TRUE(gt_prepare_and_write(ref->file_path, ref->img_ptr, ref));
  IMAGE_REC* b = gel("b.kes", {{20, 60, 100}});
  wr_prepare_and_match_to_sel_bands(ref->file_path, gt_get_control(), {b->file_path}, nullptr, {b});
  TK_OBJ win = mresult_window();
  ASSERT_NE(win, nullptr);
  EXPECT_STREQ(WIN_GetTitle(win), "Match to Selected Bands Report");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_REF_IMAGE)), "<n/a>");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MRES_REF_LANE)), "<n/a>");
  // The reference file goes (the dispatcher deletes it at once); the report still reads its
  // bands from the window.
  std::filesystem::remove(ref->file_path);
  TABLE_Select(table(), 1, 0, 1, 1);
  TKT_Pick(RES_GetSub(win, MRES_ACTION), MRES_BAND_REPORT);
  ASSERT_NE(band_rep_window(), nullptr);
  // Each reference band (sizes 920, 760 and 600) with the band it paired with.
  const std::string& text = band_rep_text();
  EXPECT_NE(text.find("refbands.kes"), std::string::npos);
  for (const char* size : {"920.0", "760.0", "600.0"}) {
    const size_t first = text.find(size);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.find(size, first + 1), std::string::npos) << text;
  }
  mresult_dismiss();
}

}  // namespace
