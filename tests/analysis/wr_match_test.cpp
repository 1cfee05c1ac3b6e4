// The match drivers: images from windows and from analysis files, the counting and its
// question, the matrix of the all-lanes matches and the hand-over of the list matches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "analysis/matr_launch.h"
#include "analysis/matr_win.h"
#include "analysis/mresult.h"
#include "analysis/wr_match.h"
#include "io/analysis_io.h"
#include "model/match_matrix.h"
#include "match_window_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace {

class MatchDriverTest : public vxtest::MatchWindowTest {
 protected:
  void SetUp() override {
    MatchWindowTest::SetUp();
    ks_alert_set_proc(&MatchDriverTest::reply);
    s_replies.clear();
    s_seen.clear();
    matr_set_viewer_program(dir_.file("no-viewer").c_str());
  }
  void TearDown() override {
    MatchWindowTest::TearDown();
    matr_set_viewer_program(nullptr);
  }

  // Alerts: questions take the queued answers in turn (1 when none is left); every alert is
  // kept as "kind:text".
  static int reply(int kind, const char* text) {
    s_seen.push_back(std::to_string(kind) + ":" + text);
    if (kind < KS_ALERT_YESNO) return 1;
    if (s_replies.empty()) return 1;
    const int a = s_replies.front();
    s_replies.pop_front();
    return a;
  }
  static bool saw(int message) {
    const std::string text = ks_gt_message(message);
    const std::string head = text.substr(0, text.find('%'));
    for (const std::string& s : s_seen)
      if (s.find(head) != std::string::npos) return true;
    return false;
  }
  static bool saw_ui(int message) {
    for (const std::string& s : s_seen)
      if (s.find(ui_msg(message)) != std::string::npos) return true;
    return false;
  }
  static inline std::deque<int> s_replies;
  static inline std::vector<std::string> s_seen;

  std::string save(IMAGE_REC* im) {
    EXPECT_TRUE(gt_prepare_and_write(im->file_path, im->img_ptr, im));
    return im->file_path;
  }
  static LANE* lane_at(IMAGE_REC* im, int index) {
    LANE* l = im->lanes->next;
    for (int i = 0; i < index && l; ++i) l = l->next;
    return l;
  }

  // The percentage the engine gives lane `cand` of `other` against lane `ref` of `im`, or -1
  // when it gives none.
  static int engine_percent(IMAGE_REC* im, LANE* ref, IMAGE_REC* other, LANE* cand, double volume) {
    MATCH_IMAGE a{}, b{};
    std::snprintf(a.name, sizeof a.name, "%s", im->image_name);
    a.lanes = im->lanes;
    a.bands = im->bands;
    std::snprintf(b.name, sizeof b.name, "%s", other->image_name);
    b.lanes = other->lanes;
    b.bands = other->bands;
    MATCH_REQUEST req{};
    std::snprintf(req.name, sizeof req.name, "%s", im->image_name);
    req.ref_lane_number = ref->lane_number;
    req.method = static_cast<int16_t>(gt_get_control()->match_method);
    req.volume_tol = volume;
    req.band_count_limit = 100;
    LANE_MATCH** res = nullptr;
    EXPECT_EQ(vx_match_lanes(&req, &res, nullptr, 0, 0, &a, &b, 1, 0, gt_get_control(), 0), 0);
    int pct = -1;
    for (int i = 0; i < req.num_results; ++i)
      if (res[i]->lane == cand) pct = res[i]->percent;
    vx_free_matches(res, req.num_results);
    ks_free(req.ref_bands);
    return pct;
  }

  static const MATCH_MATRIX* matrix() {
    TK_OBJ w = TKT_FindWindow("gt_matrx", "WinMatrix");
    return w ? matr_matrix(w) : nullptr;
  }
};

struct Row {
  IMAGE_REC* image;
  LANE* lane;
};

TEST_F(MatchDriverTest, AllLanesFillsEachRowFromItsOwnLanePairsOnly) {
  // gel1 open in a window, with unsaved changes: lane 2 there is not what its file holds.
  IMAGE_REC* g1 = gel("gel1.kes", {{20, 60, 100}, {20, 60, 100}, {}, {30, 60, 150}});
  save(g1);
  add_band(g1, 100, 180, 100.0, 1000.0 - 4 * 180);
  // gel2 only as files; gel3 has lanes but no band chain.
  IMAGE_REC* g2 = gel("gel2.kes", {{20, 60, 100, 180}, {25, 61}});
  IMAGE_REC* g3 = gel("gel3.kes", {{}});
  const std::string p2 = save(g2), p3 = save(g3);
  ln_free_bands(g3->bands);
  g3->bands = nullptr;
  const std::vector<IMAGE_REC*> windows{g1, g3};

  s_replies = {1};  // lanes without sized bands take part
  wr_prepare_and_match_all_lanes(gt_get_control(), nullptr, windows, {g1->file_path, p2, p3}, {}, {});
  const MATCH_MATRIX* mr = matrix();
  ASSERT_NE(mr, nullptr);
  EXPECT_TRUE(saw_ui(319));
  // The rows: gel1's four lanes (lane 3 without bands counted after the answer), gel2's two
  // (read from its file) and gel3's lane.
  ASSERT_EQ(ks_mr_count(mr), 7);
  EXPECT_STREQ(ks_mr_label(mr, 0), "gel1:1:");
  EXPECT_STREQ(ks_mr_label(mr, 4), "gel2:1:");
  EXPECT_STREQ(ks_mr_path(mr, 4), p2.c_str());
  const std::vector<Row> rows{{g1, lane_at(g1, 0)}, {g1, lane_at(g1, 1)}, {g1, lane_at(g1, 2)},
                              {g1, lane_at(g1, 3)}, {g2, lane_at(g2, 0)}, {g2, lane_at(g2, 1)},
                              {g3, lane_at(g3, 0)}};
  for (int i = 0; i < 7; ++i)
    for (int j = i + 1; j < 7; ++j) {
      const int pct = rows[size_t(j)].image->bands == nullptr
                          ? -1
                          : engine_percent(rows[size_t(i)].image, rows[size_t(i)].lane,
                                           rows[size_t(j)].image, rows[size_t(j)].lane, 0);
      SCOPED_TRACE("row " + std::to_string(i) + " col " + std::to_string(j));
      EXPECT_FLOAT_EQ(ks_mr_similarity(mr, i, j), float(pct < 0 ? 0 : pct));
    }
  // The unsaved band of gel1's lane 2 took part: with it the lane equals gel2's lane 1.
  EXPECT_FLOAT_EQ(ks_mr_similarity(mr, 1, 4), 100.0f);
  // The lane-list marks are gone again.
  for (LANE* l = g1->lanes->next; l; l = l->next) EXPECT_EQ(l->f & LN_F_LIST_MARK, 0u);
}

TEST_F(MatchDriverTest, ARepeatedLaneNumberTakesTheMatchOfItsFirstLane) {
  IMAGE_REC* g1 = gel("gel1.kes", {{20, 60}, {20, 100}, {20, 60, 100}});
  lane_at(g1, 2)->lane_number = 2;  // lanes 1, 2, 2
  IMAGE_REC* g2 = gel("gel2.kes", {{20, 60, 100}});
  wr_prepare_and_match_all_lanes(gt_get_control(), nullptr, {g1, g2}, {g1->file_path, g2->file_path},
                                 {}, {});
  const MATCH_MATRIX* mr = matrix();
  ASSERT_NE(mr, nullptr);
  ASSERT_EQ(ks_mr_count(mr), 4);
  // The later lane 2 equals gel2's lane; its row holds what the first lane 2 scores.
  const int first = engine_percent(g1, lane_at(g1, 1), g2, lane_at(g2, 0), 0);
  ASSERT_LT(first, 100);
  EXPECT_FLOAT_EQ(ks_mr_similarity(mr, 2, 3), float(first));
  EXPECT_FLOAT_EQ(ks_mr_similarity(mr, 1, 2), 0.0f);
}

TEST_F(MatchDriverTest, VolumeToleranceIsAWholeNumberOnlyForMatchAllLanes) {
  // One pair of bands whose volumes score 12: kept at a tolerance of 12, dropped at 12.7.
  IMAGE_REC* g1 = new_image("v1.kes");
  add_lane(g1, 50, 1, "");
  add_band(g1, 50, 40, 100.0, 800.0);
  add_band(g1, 50, 90, 100.0, 500.0);
  IMAGE_REC* g2 = new_image("v2.kes");
  add_lane(g2, 50, 1, "");
  add_band(g2, 50, 40, 12.0, 800.0);
  add_band(g2, 50, 90, 100.0, 500.0);
  g1->cur_lane = g1->lanes->next;
  gt_get_control()->match_tol[2] = 12.7;
  wr_prepare_and_match_all_lanes(gt_get_control(), nullptr, {g1, g2}, {"v1.kes", "v2.kes"}, {}, {});
  ASSERT_NE(matrix(), nullptr);
  EXPECT_FLOAT_EQ(ks_mr_similarity(matrix(), 0, 1), 100.0f);

  wr_prepare_and_match(g1, gt_get_control(), {"v2.kes"}, nullptr, {g1, g2});
  ASSERT_NE(mresult_window(), nullptr);
  // The list match used 12.7: the 12-scoring pair went, Dice of 2 and 2 bands with 1 pair.
  ASSERT_EQ(mresult_rows().size(), 2u);
  EXPECT_EQ(mresult_rows()[1].substr(mresult_rows()[1].size() - 4), "  50") << mresult_rows()[1];
}

TEST_F(MatchDriverTest, QuestionsAndMessagesDecideWhatIsMatched) {
  IMAGE_REC* g1 = gel("gel1.kes", {{20, 60}, {20, 100}});
  add_lane(g1, 150, 3, "");
  add_band(g1, 150, 40, 100.0, 0.0);  // lane 3: one band without a size
  IMAGE_REC* g2 = gel("gel2.kes", {{20, 60}});
  const std::vector<IMAGE_REC*> windows{g1, g2};
  const std::vector<std::string> paths{g1->file_path, dir_.file("gone.kes"), g2->file_path};
  struct Case {
    const char* what;
    std::string lane_sel;
    std::deque<int> replies;
    int rows;  // -1: no matrix
  } cases[] = {
      {"unsized lanes take part", "", {1}, 4},
      {"unsized lanes left out", "", {2}, 3},
      {"cancel at the unsized question", "", {3}, -1},
      {"unreadable lane selection: stop", dir_.file("none.sel"), {1}, -1},
      {"unreadable lane selection: go on", dir_.file("none.sel"), {2, 2}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    s_seen.clear();
    s_replies = c.replies;
    std::snprintf(gt_get_control()->lane_sel_file, CTL_PATH, "%s", c.lane_sel.c_str());
    wr_prepare_and_match_all_lanes(gt_get_control(), nullptr, windows, paths, {}, {});
    const MATCH_MATRIX* mr = matrix();
    EXPECT_EQ(mr ? ks_mr_count(mr) : -1, c.rows);
    EXPECT_EQ(saw(145), !c.lane_sel.empty());
    // The missing image is reported once the match gets that far, and the match goes on.
    EXPECT_EQ(saw(131), c.lane_sel.empty() || c.replies.front() == 2);
    if (TK_OBJ w = TKT_FindWindow("gt_matrx", "WinMatrix")) WIN_Terminate(w);
  }
  gt_get_control()->lane_sel_file[0] = '\0';

  // Nothing to match: ui_msg 318 and no window.
  s_seen.clear();
  wr_prepare_and_match_all_lanes(gt_get_control(), nullptr, windows, {dir_.file("gone.kes")}, {}, {});
  EXPECT_TRUE(saw_ui(318));
  EXPECT_EQ(matrix(), nullptr);
}

TEST_F(MatchDriverTest, LaneNumberPairsSelectTheLanesTheyName) {
  IMAGE_REC* g1 = gel("gel1.kes", {{20, 60}, {20, 100}});
  IMAGE_REC* g2 = gel("gel2.kes", {{20, 60}, {30, 90}});
  // The pairs name images by their place in the path list, the unreadable first one included.
  wr_prepare_and_match_all_lanes(gt_get_control(), nullptr, {g1, g2},
                                 {dir_.file("gone.kes"), g1->file_path, g2->file_path}, {1, 2},
                                 {2, 1});
  const MATCH_MATRIX* mr = matrix();
  ASSERT_NE(mr, nullptr);
  ASSERT_EQ(ks_mr_count(mr), 2);
  EXPECT_STREQ(ks_mr_label(mr, 0), "gel1:2:");
  EXPECT_STREQ(ks_mr_label(mr, 1), "gel2:1:");
  EXPECT_FLOAT_EQ(ks_mr_similarity(mr, 0, 1),
                  float(engine_percent(g1, lane_at(g1, 1), g2, lane_at(g2, 0), 0)));
  for (IMAGE_REC* im : {g1, g2})
    for (LANE* l = im->lanes->next; l; l = l->next) EXPECT_EQ(l->f & LN_F_LIST_MARK, 0u);
}

TEST_F(MatchDriverTest, SelectedLanesAreMatchedWithTheirNames) {
  IMAGE_REC* g1 = gel("gel1.kes", {{20, 60}, {20, 100}, {20, 60}});
  std::snprintf(lane_at(g1, 0)->lane_name, sizeof lane_at(g1, 0)->lane_name, "ladder");
  lane_at(g1, 0)->f |= LN_F_SELECTED;
  lane_at(g1, 2)->f |= LN_F_SELECTED;
  wr_prepare_and_match_sel_lanes(gt_get_control(), nullptr, {g1});
  const MATCH_MATRIX* mr = matrix();
  ASSERT_NE(mr, nullptr);
  ASSERT_EQ(ks_mr_count(mr), 2);
  EXPECT_STREQ(ks_mr_label(mr, 0), "gel1:1:ladder");
  EXPECT_STREQ(ks_mr_label(mr, 1), "gel1:3");
  EXPECT_FLOAT_EQ(ks_mr_similarity(mr, 0, 1), 100.0f);
}

}  // namespace
