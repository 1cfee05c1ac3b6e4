// Image windows in the workspace: the current image and the task states that allow changing
// it, the Window-menu identifiers, task states and the mode buttons, the busy flag.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "io/image_rec_init.h"
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
