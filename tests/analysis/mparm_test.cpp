// The match parameters dialog, worked through the test driver while it runs modally: what it
// shows from CONTROL, what OK, Match to Folder and Cancel store, and the file boxes.
#include "analysis/mparm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "model/control.h"
#include "res_fixture.h"
#include "test_support.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "when_shown.h"

namespace {

class MparmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    analysistest::load_messages();
    if (!RES_HasWindow("mparm", "mparm_win")) {
      ASSERT_TRUE(RES_OpenFile("gt", (vxtest::source_dir() / "resources/mparm.res").c_str()));
    }
    TKT_Enable(true);
    saved_ = *gt_get_control();
    CONTROL* ctl = gt_get_control();
    ctl->match_method = 0;
    ctl->match_tol[0] = 1.5, ctl->match_tol[1] = 2, ctl->match_tol[2] = 12.7, ctl->match_tol[3] = 60;
    ctl->band_count_limit = 100;
    ctl->keep_match_results = 0;
    ctl->ignore_stds = 0;
    ctl->lane_label_idx = 0;
    ctl->lane_sel_file[0] = ctl->image_list_file[0] = ctl->imgname_list_file[0] = 0;
    ctl->match_dev_file[0] = 0;
    // Characteristics "dose", "" and "strain": the empty one is not offered.
    std::memset(chars_, 0, sizeof chars_);
    std::strcpy(chars_[0], "dose");
    std::strcpy(chars_[2], "strain");
    ctl->lane_chars = chars_;
    ctl->num_lane_chars = 3;
    vxtest::write_text(dir_.path() / "list.csv", "a.kes\n");
    vxtest::write_text(dir_.path() / "names.csv", "a, 1\n");
  }
  void TearDown() override {
    *gt_get_control() = saved_;
    TKT_Enable(false);
  }

  // Runs the dialog; `work` is done on it once it runs modally, and must end it.
  long run(int need_sel, int round_robin, int* to_folder, std::function<void(TK_OBJ)> work) {
    // The dialog may show an alert before it runs: wait until it is shown.
    const auto worked = vxtest::when_shown("mparm", "mparm_win", std::move(work));
    const long r = gt_mparm_activate(nullptr, need_sel, round_robin, to_folder);
    EXPECT_TRUE(*worked) << "the dialog did not run";
    EXPECT_EQ(TKT_FindWindow("mparm", "mparm_win"), nullptr);
    return r;
  }
  static void grab(TK_OBJ win, const char* name) {
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/" + name).c_str());
  }

  vxtest::TempDir dir_;
  CONTROL saved_{};
  char chars_[3][CTL_LC_NAME];
};

TEST_F(MparmTest, RoundRobinTurnsPercentOfReferenceIntoDice) {
  gt_get_control()->match_method = 2;
  int to_folder = -1;
  TKT_AnswerAlert(1);
  const long r = run(0, 1, &to_folder, [](TK_OBJ win) {
    EXPECT_EQ(WGT_GetChoice(RES_GetSub(win, MPARM_METHOD)), 1);
    for (int p : {MPARM_THRESHOLD, MPARM_COUNT_SLIDER, MPARM_COUNT_FIELD, MPARM_THRESHOLD_CAPTION,
                  MPARM_COUNT_CAPTION, MPARM_SEL_FILE})
      EXPECT_FALSE(WGT_IsEnabled(RES_GetSub(win, p))) << p;
    EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MPARM_TOL_VOLUME)), "12.700");
    grab(win, "mparm_round_robin.png");
    TKT_Click(RES_GetSub(win, MPARM_OK));
  });
  EXPECT_EQ(r, 1);
  EXPECT_EQ(to_folder, 0);
  EXPECT_EQ(TKT_LastAlertKind(), 0);
  EXPECT_NE(TKT_LastAlertText().find("Dice"), std::string::npos);
  EXPECT_EQ(gt_get_control()->match_method, 1);
}

TEST_F(MparmTest, CancelKeepsOnlyTheKeepResultsClick) {
  const long r = run(1, 0, nullptr, [](TK_OBJ win) {
    TKT_Pick(RES_GetSub(win, MPARM_METHOD), 2);
    TKT_Type(RES_GetSub(win, MPARM_TOL_SIZE), "9");
    TKT_Click(RES_GetSub(win, MPARM_KEEP_RESULTS));
    TKT_Click(RES_GetSub(win, MPARM_CANCEL));
  });
  EXPECT_EQ(r, 0);
  EXPECT_EQ(gt_get_control()->keep_match_results, 1);
  EXPECT_EQ(gt_get_control()->match_method, 0);
  EXPECT_DOUBLE_EQ(gt_get_control()->match_tol[0], 1.5);
}

TEST_F(MparmTest, OkStoresEverythingAndListBoxesExcludeEachOther) {
  const std::string list = dir_.file("list.csv"), names = dir_.file("names.csv");
  std::strcpy(gt_get_control()->match_dev_file, list.c_str());  // shown checked
  gt_get_control()->lane_label_idx = 3;                         // "strain": entry 2
  const long r = run(1, 0, nullptr, [&](TK_OBJ win) {
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, MPARM_DEV_TABLE)), 1);
    EXPECT_EQ(LIST_Count(RES_GetSub(win, MPARM_LANE_LABEL)), 3);
    EXPECT_EQ(WGT_GetChoice(RES_GetSub(win, MPARM_LANE_LABEL)), 2);
    TK_OBJ image_list = RES_GetSub(win, MPARM_IMAGE_LIST), name_list = RES_GetSub(win, MPARM_IMGNAME_LIST);
    TKT_AnswerChooser({list});
    TKT_Click(image_list);
    EXPECT_EQ(WGT_GetValue(image_list), 1);
    TKT_AnswerChooser({names});
    TKT_Click(name_list);
    EXPECT_EQ(WGT_GetValue(name_list), 1);
    EXPECT_EQ(WGT_GetValue(image_list), 0);
    // A file that cannot be opened, and a cancelled chooser, leave the box off.
    TKT_AnswerChooser({dir_.file("gone.csv")});
    TKT_AnswerAlert(1);
    TKT_Click(RES_GetSub(win, MPARM_SEL_FILE));
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, MPARM_SEL_FILE)), 0);
    EXPECT_NE(TKT_LastAlertText().find("gone.csv"), std::string::npos);
    TKT_AnswerChooser({dir_.file("gone.csv")});
    TKT_AnswerAlert(1);
    TKT_Click(image_list);
    EXPECT_EQ(WGT_GetValue(image_list), 0);
    EXPECT_EQ(TKT_LastAlertText(), "The list file gone.csv cannot be opened.");
    TKT_AnswerChooser({});
    TKT_Click(image_list);
    EXPECT_EQ(WGT_GetValue(image_list), 0);
    TKT_Click(RES_GetSub(win, MPARM_DEV_TABLE));  // off
    TKT_Pick(RES_GetSub(win, MPARM_METHOD), 2);
    TKT_Type(RES_GetSub(win, MPARM_TOL_SIZE), "2.25");
    TKT_Type(RES_GetSub(win, MPARM_TOL_SPACING), "not a number");
    WGT_SetValue(RES_GetSub(win, MPARM_COUNT_SLIDER), 40);
    TKT_Send(RES_GetSub(win, MPARM_COUNT_SLIDER), TK_EV_ACTIVATE);  // as a drag ends
    EXPECT_STREQ(WGT_GetText(RES_GetSub(win, MPARM_COUNT_FIELD)), "40");
    TKT_Pick(RES_GetSub(win, MPARM_LANE_LABEL), 1);
    TKT_Click(RES_GetSub(win, MPARM_EXCLUDE_STDS));
    grab(win, "mparm.png");
    TKT_Click(RES_GetSub(win, MPARM_OK));
  });
  EXPECT_EQ(r, 1);
  const CONTROL* ctl = gt_get_control();
  EXPECT_EQ(ctl->match_method, 2);
  EXPECT_DOUBLE_EQ(ctl->match_tol[0], 2.25);
  EXPECT_DOUBLE_EQ(ctl->match_tol[1], 2);  // no number: kept
  EXPECT_DOUBLE_EQ(ctl->match_tol[2], 12.7);
  EXPECT_EQ(ctl->band_count_limit, 40);
  EXPECT_EQ(ctl->lane_label_idx, 1);
  EXPECT_EQ(ctl->ignore_stds, 1);
  EXPECT_STREQ(ctl->image_list_file, "");
  EXPECT_EQ(std::string(ctl->imgname_list_file), names);
  EXPECT_STREQ(ctl->match_dev_file, "");
  EXPECT_STREQ(ctl->lane_sel_file, "");
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(MparmTest, MatchToFolderClearsBothLists) {
  const std::string list = dir_.file("list.csv");
  std::strcpy(gt_get_control()->image_list_file, list.c_str());
  std::strcpy(gt_get_control()->lane_sel_file, list.c_str());
  int to_folder = 0;
  const long r = run(0, 0, &to_folder, [](TK_OBJ win) {
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, MPARM_IMAGE_LIST)), 1);
    TKT_Click(RES_GetSub(win, MPARM_TO_FOLDER));
  });
  EXPECT_EQ(r, 1);
  EXPECT_EQ(to_folder, 1);
  EXPECT_STREQ(gt_get_control()->image_list_file, "");
  EXPECT_EQ(std::string(gt_get_control()->lane_sel_file), list);  // not offered: left alone
}

}  // namespace
