// Image windows in the workspace: the current image and the task states that allow changing
// it, the Window-menu identifiers, task states and the mode buttons, the busy flag.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "io/image_rec_init.h"
#include "model/std_list.h"
#include "model_fixtures.h"
#include "shell_fixture.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_widget.h"
#include "toolkit/tk_workspace.h"

namespace {

class ImageWinTest : public shelltest::MainWindowTest {
 protected:
  void TearDown() override {
    shelltest::MainWindowTest::TearDown();  // ends the image windows with the main window
    for (IMAGE_REC* im : images_) gt_img_free(im);
  }
  IMAGE_REC* open(const char* name) {
    auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
    EXPECT_TRUE(gt_img_init(im));
    std::snprintf(im->image_name, IMG_PATH_LEN, "%s", name);
    std::snprintf(im->file_path, IMG_PATH_LEN, "/gels/%s.kes", name);
    images_.push_back(im);
    EXPECT_NE(gt_img_open_window(win_, gt_get_workspace(), im, nullptr, gt_next_win_menu_id()),
              nullptr);
    return im;
  }
  TK_OBJ window_of(IMAGE_REC* im) { return static_cast<TK_OBJ>(im->window); }
  std::vector<IMAGE_REC*> images_;
};

TEST_F(ImageWinTest, ActivatingAWindowChangesTheCurrentImageOnlyWhenTheStateAllows) {
  EXPECT_EQ(gt_get_image_ptr(), nullptr);  // no window
  IMAGE_REC* a = open("a");
  IMAGE_REC* b = open("b");
  EXPECT_EQ(gt_get_num_img_windows(), 2);
  EXPECT_EQ(gt_get_image_ptr(), b);  // the window opened last is active
  WS_Activate(window_of(a));
  EXPECT_EQ(gt_get_image_ptr(), a);

  gt_set_state(3);  // finding lanes by hand: the image stays
  WS_Activate(window_of(b));
  EXPECT_EQ(gt_get_image_ptr(), a);

  gt_set_state(16);  // activation (114) keeps it, focus (116) moves it
  TKT_Send(window_of(b), TK_EV_DEACTIVATE_WIN);
  EXPECT_EQ(gt_get_image_ptr(), a);
  TKT_Send(window_of(b), TK_EV_FOCUS_IN);
  EXPECT_EQ(gt_get_image_ptr(), b);

  gt_set_state(0);
  TKT_Send(window_of(a), TK_EV_DEACTIVATE_WIN);
  EXPECT_EQ(gt_get_image_ptr(), a);
}

TEST_F(ImageWinTest, SetImagePtrActsOnlyInItsStates) {
  IMAGE_REC* a = open("a");
  IMAGE_REC* b = open("b");
  for (int state = 0; state <= 16; ++state) {
    gt_get_control()->task_state = 0;
    gt_set_image_ptr(a);
    gt_get_control()->task_state = state;
    gt_set_image_ptr(b);
    const bool allowed = state == 0 || state == 7 || state == 8 || state == 9 || state == 12 ||
                         state == 14 || state == 15 || state == 16;
    gt_get_control()->task_state = 0;
    EXPECT_EQ(gt_get_image_ptr(), allowed ? b : a) << "state " << state;
    gt_get_control()->task_state = state;
    EXPECT_EQ(gt_may_change_image(), allowed && state != 16) << "state " << state;
    EXPECT_EQ(gt_is_idle(), state == 0);
  }
}

TEST_F(ImageWinTest, WithNoCurrentImageTheActiveWindowsImageIsPicked) {
  open("a");
  IMAGE_REC* b = open("b");
  gt_set_image_ptr(nullptr);
  EXPECT_EQ(gt_get_image_ptr(), b);
  gt_set_image_ptr(nullptr);
  gt_set_unloading_all(1);
  EXPECT_EQ(gt_get_image_ptr(), nullptr);
  gt_set_unloading_all(0);
  EXPECT_EQ(gt_find_image_by_name("B"), b);
  EXPECT_EQ(gt_find_image_by_name("c"), nullptr);
  EXPECT_EQ(gt_find_image_by_name(nullptr), nullptr);
}

TEST_F(ImageWinTest, ClosingTheCurrentWindowLeavesNoStaleImageAndFreesItsMenuId) {
  IMAGE_REC* a = open("a");
  IMAGE_REC* b = open("b");
  EXPECT_EQ(gt_win_menu_id_of(a), GT_WIN_MENU_FIRST);
  EXPECT_EQ(gt_win_menu_id_of(b), GT_WIN_MENU_FIRST + 1);
  WIN_Terminate(window_of(a));
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(gt_next_win_menu_id(), GT_WIN_MENU_FIRST);  // reused, not counted on
  IMAGE_REC* c = open("c");
  EXPECT_EQ(gt_win_menu_id_of(c), GT_WIN_MENU_FIRST);
  WIN_Terminate(window_of(c));
  EXPECT_EQ(gt_get_image_ptr(), b);
  WIN_Terminate(window_of(b));
  EXPECT_EQ(gt_get_image_ptr(), nullptr);
  EXPECT_EQ(gt_next_win_menu_id(), GT_WIN_MENU_FIRST);
}

TEST_F(ImageWinTest, ToolStatesLockTheModeButtonsAndLeavingBandToolsRenumbers) {
  IMAGE_REC* a = open("a");
  // One lane (x 50, rows 0..200) holding bands at rows 90, 20 and 150, all unnumbered.
  a->lanes->next = vxtest::make_lane({{50, 0}, {50, 200}}, 10, 10);
  ln_free_bands(a->bands);
  a->bands = vxtest::make_chain({{50, 90}, {50, 20}, {50, 150}});

  gt_set_state(12);
  for (int k = 0; k < 4; ++k) EXPECT_FALSE(tk::widget(mode_button(k))->isEnabled());
  TKT_Send(mode_button(2), TK_EV_ACTIVATE);  // refused while a tool state is active
  EXPECT_EQ(gt_get_sel_mode(), 0);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(WGT_GetValue(mode_button(k)), k == 0 ? 1 : 0);
  TKT_Pick(part(GT_MAIN_MODE_LIST), 1);
  EXPECT_EQ(gt_get_sel_mode(), 0);
  EXPECT_EQ(WGT_GetChoice(part(GT_MAIN_MODE_LIST)), 0);
  EXPECT_EQ(a->bands->next->number, 0);

  gt_set_state(0);
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(tk::widget(mode_button(k))->isEnabled());
  EXPECT_EQ(a->bands->next->number, 2);  // rows 20, 90, 150 -> 1, 2, 3
  EXPECT_EQ(a->bands->next->next->number, 1);
  EXPECT_EQ(a->bands->next->next->next->number, 3);

  TKT_Click(mode_button(2));
  EXPECT_EQ(gt_get_sel_mode(), 2);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(WGT_GetValue(mode_button(k)), k == 2 ? 1 : 0);
  EXPECT_EQ(WGT_GetChoice(part(GT_MAIN_MODE_LIST)), 2);
  TKT_Pick(part(GT_MAIN_MODE_LIST), 1);
  EXPECT_EQ(gt_get_sel_mode(), 1);
  EXPECT_EQ(WGT_GetValue(mode_button(1)), 1);
}

TEST_F(ImageWinTest, BusyFlagIsAFlagWithTheWaitPointer) {
  TK_OBJ ws = gt_get_workspace();
  WGT_SetPointer(ws, 1);
  gt_busy_begin();
  gt_busy_begin();
  EXPECT_EQ(gt_get_control()->busy, 1);
  EXPECT_EQ(WGT_GetPointer(ws), 3);
  gt_busy_end();  // one end ends both
  EXPECT_EQ(gt_get_control()->busy, 0);
  EXPECT_EQ(WGT_GetPointer(ws), 1);
  gt_busy_end();  // a further end finds no saved pointer: the arrow
  EXPECT_EQ(WGT_GetPointer(ws), 0);
}

}  // namespace

namespace {

// The record helpers of the shell on one image with a lane and three bands.
class RecordHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
    im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
    ASSERT_TRUE(gt_img_init(im));
    im->lanes->next = vxtest::make_lane({{50, 0}, {50, 200}}, 10, 10);
    ln_free_bands(im->bands);
    im->bands = vxtest::make_chain({{50, 90}, {50, 20}, {90, 150}});
    im->has_bands = 1;
  }
  void TearDown() override {
    gt_set_image_ptr(nullptr);
    gt_img_free(im);
  }
  IMAGE_REC* im = nullptr;
};

TEST_F(RecordHelpers, ConfirmAsksOnlyWhenTheImageHasLanesAndBands) {
  TKT_AnswerAlert(1);  // No
  EXPECT_FALSE(gt_confirm_when_lanes(im));
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(65));
  TKT_AnswerAlert(2);  // Yes
  EXPECT_TRUE(gt_confirm_when_lanes_alt(im));
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(78));
  im->has_bands = 0;
  EXPECT_TRUE(gt_confirm_when_lanes(im));
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(RecordHelpers, LaneValuesCountOnlyBandsWithAmountsInTheLanesAsked) {
  EXPECT_FALSE(gt_any_lane_value_set(im, 1, 1));
  im->bands->next->next->next->amount = 5.0;  // outside the lane (x 90)
  EXPECT_FALSE(gt_any_lane_value_set(im, 1, 1));
  im->bands->next->amount = 2.0;
  EXPECT_TRUE(gt_any_lane_value_set(im, 1, 1));
  EXPECT_FALSE(gt_any_lane_value_set(im, 1, 0));  // the lane is not selected
  im->lanes->next->f |= 2;
  EXPECT_TRUE(gt_any_lane_value_set(im, 1, 0));
  EXPECT_FALSE(gt_any_lane_value_set(im, 0, 1));
}

TEST_F(RecordHelpers, CommentsStripsAndCleanUps) {
  gt_get_control()->task_state = 0;
  gt_set_image_comment("no current image", 1);
  EXPECT_EQ(im->comment, nullptr);
  gt_set_image_ptr(im);
  gt_set_image_comment("lane 3 smeared", 0);
  EXPECT_STREQ(gt_get_image_comment(), "lane 3 smeared");
  EXPECT_EQ(im->modified, 0);
  gt_set_image_comment("lane 4 too", 1);
  EXPECT_STREQ(im->comment, "lane 4 too");
  EXPECT_EQ(im->modified, 1);

  struct Case {
    const char* in;
    const char* suffix;
    const char* out;
  } cases[] = {{"gel.KES", ".kes", "gel"}, {".kes", ".kes", ".kes"}, {"gel.kes", ".kei", "gel.kes"}};
  for (const Case& c : cases) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s", c.in);
    gt_strip_suffix(buf, c.suffix);
    EXPECT_STREQ(buf, c.out);
  }

  gt_vrem_clean(im);  // no lanes, no bands, no size-standard tiers, an empty concentration list
  EXPECT_EQ(im->lanes->next, nullptr);
  EXPECT_EQ(im->bands->next, nullptr);
  EXPECT_EQ(im->has_bands, 0);
  EXPECT_EQ(im->lane_hdr->num_tiers, 0);
  EXPECT_EQ(im->size_stdp, nullptr);  // the frees walk the tier count: nothing may be left over
  ASSERT_NE(*im->conc_stdp, nullptr);
  EXPECT_EQ((*im->conc_stdp)->count, 0);

  gt_misc_destroy(im);  // the record's secondary blocks go; gt_img_free copes with the rest
  EXPECT_EQ(im->img_ptr, nullptr);
  EXPECT_EQ(im->comment, nullptr);
  EXPECT_EQ(im->img_info, nullptr);
  EXPECT_EQ(im->img_int_info, nullptr);
  EXPECT_EQ(im->pending_stds, nullptr);
}

}  // namespace
