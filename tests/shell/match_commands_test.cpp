// The match commands run from the main window over open images: the parameters dialog first,
// then the images, then the window the match ends in.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "analysis/band_rep.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_win.h"
#include "analysis/mparm.h"
#include "analysis/mresult.h"
#include "base/io_file.h"
#include "gel_fixture.h"
#include "match_settings.h"
#include "model/control.h"
#include "model/match_matrix.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "when_shown.h"

namespace {

class MatchCommands : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    matr_set_viewer_program((dir + "/no-viewer").c_str());
    vxtest::set_match_settings(gt_get_control());
  }
  void TearDown() override {
    mresult_dismiss();
    if (TK_OBJ w = TKT_FindWindow("gt_matrx", "WinMatrix")) WIN_Terminate(w);
    matr_set_viewer_program(nullptr);
    OpenImagesTest::TearDown();
  }
  // A gel with one lane of two sized bands, open in a window.
  IMAGE_REC* gel(const char* name) {
    IMAGE_REC* im = open(shelltest::write_gel(dir, name, 200, 150));
    EXPECT_NE(im, nullptr);
    if (!im) return nullptr;
    shelltest::add_lane_and_band(im, 60, 10, 140, 40);
    shelltest::add_lane_and_band(im, 60, 10, 140, 100);
    // The second call added a lane of its own: keep one lane holding both bands.
    LANE* extra = im->lanes->next->next;
    im->lanes->next->next = nullptr;
    ln_free_lane(extra);
    im->lane_hdr->num_lanes = 1;
    int k = 0;
    for (SPOT* b = im->bands->next; b; b = b->next) b->size = 800.0 - 300.0 * k++;
    return im;
  }
  // Runs a command; its parameters dialog is ended with `button`.
  void run(int command, int button) {
    const auto shown = vxtest::when_shown("mparm", "mparm_win", [command, button](TK_OBJ d) {
      if (const char* g = std::getenv("VX_GRAB_DIR"))
        TKT_Grab(d, (std::string(g) + "/mparm_" + std::to_string(command) + ".png").c_str());
      TKT_Click(RES_GetSub(d, button));
    });
    main_winNfySelMenuBar(win_, command);
    EXPECT_TRUE(*shown);
  }
  static const MATCH_MATRIX* matrix() {
    TK_OBJ w = TKT_FindWindow("gt_matrx", "WinMatrix");
    return w ? matr_matrix(w) : nullptr;
  }
};

TEST_F(MatchCommands, TheFourMatchCommandsHaveRows) {
  for (int c : {GT_CMD_MATCH_ALL_LANES, GT_CMD_MATCH_SEL_LANES, GT_CMD_MATCH_TO_LANE,
                GT_CMD_MATCH_TO_BANDS})
    EXPECT_TRUE(gt_dispatch_handles(c)) << c;
}

TEST_F(MatchCommands, AllLanesAndSelectedLanesEndInTheMatrixWindow) {
  IMAGE_REC* a = gel("gelA");
  IMAGE_REC* b = gel("gelB");
  ASSERT_TRUE(a && b);
  // Cancel in the parameters dialog: nothing happens.
  run(GT_CMD_MATCH_ALL_LANES, MPARM_CANCEL);
  EXPECT_EQ(matrix(), nullptr);

  TKT_AnswerChooser({a->file_path, b->file_path});
  run(GT_CMD_MATCH_ALL_LANES, MPARM_OK);
  ASSERT_NE(matrix(), nullptr);
  ASSERT_EQ(ks_mr_count(matrix()), 2);
  EXPECT_STREQ(ks_mr_label(matrix(), 0), "gelA:1:");
  EXPECT_FLOAT_EQ(ks_mr_similarity(matrix(), 0, 1), 100.0f);
  WIN_Terminate(TKT_FindWindow("gt_matrx", "WinMatrix"));

  a->lanes->next->f |= LN_F_SELECTED;
  b->lanes->next->f |= LN_F_SELECTED;
  run(GT_CMD_MATCH_SEL_LANES, MPARM_OK);
  ASSERT_NE(matrix(), nullptr);
  EXPECT_STREQ(ks_mr_label(matrix(), 1), "gelB:1");
}

TEST_F(MatchCommands, MatchToFolderTakesEveryImageOfTheChosenFolder) {
  IMAGE_REC* a = gel("gelA");
  IMAGE_REC* b = gel("gelB");
  ASSERT_TRUE(a && b);
  // An image list set in the dialog is cleared by Match to Folder; the folder holds both gels.
  std::snprintf(gt_get_control()->image_list_file, CTL_PATH, "%s", (dir + "/none.csv").c_str());
  TKT_AnswerChooser({dir});
  run(GT_CMD_MATCH_ALL_LANES, MPARM_TO_FOLDER);
  ASSERT_NE(matrix(), nullptr);
  ASSERT_EQ(ks_mr_count(matrix()), 2);
  EXPECT_STREQ(ks_mr_label(matrix(), 1), "gelB:1:");
  WIN_Terminate(TKT_FindWindow("gt_matrx", "WinMatrix"));
  // A cancelled folder chooser ends the command.
  TKT_AnswerChooser({});
  run(GT_CMD_MATCH_ALL_LANES, MPARM_TO_FOLDER);
  EXPECT_EQ(matrix(), nullptr);
}

TEST_F(MatchCommands, MatchToLaneShowsResultsUntilABorrowedImageCloses) {
  IMAGE_REC* a = gel("gelA");
  IMAGE_REC* b = gel("gelB");
  ASSERT_TRUE(a && b);
  a->cur_lane = a->lanes->next;
  gt_set_image_ptr(a);
  TKT_AnswerChooser({b->file_path});
  run(GT_CMD_MATCH_TO_LANE, MPARM_OK);
  TK_OBJ res = mresult_window();
  ASSERT_NE(res, nullptr);
  ASSERT_EQ(mresult_rows().size(), 2u);
  EXPECT_EQ(mresult_rows()[1].substr(0, 4), "gelB");
  if (const char* g = std::getenv("VX_GRAB_DIR")) TKT_Grab(res, (std::string(g) + "/mresult_cmd.png").c_str());
  TABLE_Select(RES_GetSub(res, MRES_TABLE), 1, 0, 1, 1);
  TKT_Pick(RES_GetSub(res, MRES_ACTION), MRES_LANE_REPORT);
  ASSERT_NE(band_rep_window(), nullptr);

  // gelB's window closes: the results and their report go before its lists are freed.
  gt_image_clear_modified(b);
  WIN_Terminate(gt_get_img_window(1));
  EVENT_Flush();
  EXPECT_EQ(mresult_window(), nullptr);
  EXPECT_EQ(band_rep_window(), nullptr);
}

TEST_F(MatchCommands, MatchToBandsMatchesAReferenceMadeFromTheSelectedBands) {
  IMAGE_REC* a = gel("gelA");
  IMAGE_REC* b = gel("gelB");
  ASSERT_TRUE(a && b);
  for (SPOT* s = a->bands->next; s; s = s->next) {
    s->f2 |= SP_F2_SELECTED;
    s->thickness = 6;
    ++a->num_sel_bands;
  }
  const auto temp_images = [] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(io_get_temp_folder()))
      n += e.path().extension() == ".kes" || e.path().extension() == ".gt";
    return n;
  };
  const int before = temp_images();
  TKT_AnswerChooser({b->file_path});
  run(GT_CMD_MATCH_TO_BANDS, MPARM_OK);
  TK_OBJ res = mresult_window();
  ASSERT_NE(res, nullptr);
  EXPECT_STREQ(WIN_GetTitle(res), "Match to Selected Bands Report");
  EXPECT_EQ(mresult_rows().size(), 2u);
  // The temporary reference image is gone; the window keeps what it read of it.
  EXPECT_EQ(temp_images(), before);
  TABLE_Select(RES_GetSub(res, MRES_TABLE), 1, 0, 1, 1);
  TKT_Pick(RES_GetSub(res, MRES_ACTION), MRES_BAND_REPORT);
  EXPECT_NE(band_rep_window(), nullptr);
}

// Gels of one name from two folders, day 1's open: matching day 2's file takes day 2's lanes,
// and day 1's gel comes back from its files as it was.
TEST_F(MatchCommands, AMatchedFileTakesItsOwnLanesNotThoseOfAnOpenGelOfItsName) {
  std::string a_path, b_path;
  IMAGE_REC* a = open_day1_after_day2(&a_path, &b_path);
  ASSERT_NE(a, nullptr);
  TKT_AnswerChooser({b_path});
  run(GT_CMD_MATCH_ALL_LANES, MPARM_OK);
  ASSERT_NE(matrix(), nullptr);
  ASSERT_EQ(ks_mr_count(matrix()), 2);
  for (int row = 0; row < 2; ++row) EXPECT_STREQ(ks_mr_path(matrix(), row), b_path.c_str());
  EXPECT_STREQ(ks_mr_label(matrix(), 1), "gel:2:day2-2");
  WIN_Terminate(TKT_FindWindow("gt_matrx", "WinMatrix"));

  gt_set_image_ptr(a);
  main_winNfySelMenuBar(win_, GT_CMD_SAVE);
  WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  a = open(a_path);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->lanes->next, nullptr);
  EXPECT_EQ(a->lanes->next->next, nullptr);
  ASSERT_NE(a->bands->next, nullptr);
  EXPECT_EQ(a->bands->next->y, 70);
}

}  // namespace
