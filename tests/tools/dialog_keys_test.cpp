// Escape and Return in the program's dialogs, pressed as keys: Lane Name, Report Parameters,
// Enhance Display and Calibrate Image.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstring>
#include <functional>

#include "../shell/gel_fixture.h"
#include "analysis/rparm.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/task_state.h"
#include "shell/im_calib.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_disp_enh.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/gt_tool_wins.h"

namespace {

class DialogKeys : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    im_calib_dismiss();
    gt_tool_wins_dismiss_all();
    OpenImagesTest::TearDown();
  }
  // Runs `act` on the modal window once it is open. When the window is still open after it,
  // its Cancel part ends it and `stuck` says so.
  void when_open(const char* module, const char* window, int cancel,
                 std::function<void(TK_OBJ)> act) {
    stuck = false;
    QTimer::singleShot(0, [=, this] {
      TK_OBJ w = TKT_FindWindow(module, window);
      ASSERT_NE(w, nullptr) << window;
      act(w);
      QTimer::singleShot(0, [=, this] {
        if (TKT_FindWindow(module, window) == w) {
          stuck = true;
          TKT_Click(RES_GetSub(w, cancel));
        }
      });
    });
  }
  bool stuck = false;
};

TEST_F(DialogKeys, LaneNameTakesReturnAsOkAndEscapeAsCancel) {
  char name[LN_NAME_MAX + 1] = "old";
  when_open("ln_name", "ln_name_win", 2, [](TK_OBJ w) {
    TKT_Type(RES_GetSub(w, 0), "new");
    TKT_Key(RES_GetSub(w, 0), Qt::Key_Return);
  });
  EXPECT_EQ(gt_ln_name_activate(win_, name), 1);
  EXPECT_FALSE(stuck);
  EXPECT_STREQ(name, "new");
  when_open("ln_name", "ln_name_win", 2, [](TK_OBJ w) {
    TKT_Type(RES_GetSub(w, 0), "other");
    TKT_Key(RES_GetSub(w, 0), Qt::Key_Escape);
  });
  EXPECT_EQ(gt_ln_name_activate(win_, name), 0);
  EXPECT_FALSE(stuck);
  EXPECT_STREQ(name, "new");
}

TEST_F(DialogKeys, ReportParametersCloseOnEscapeAndReturn) {
  CONTROL* ctl = gt_get_control();
  ctl->rep_empty_lanes = 0;
  when_open("rparm", "rparm_win", 1, [](TK_OBJ w) {
    TKT_Click(RES_GetSub(w, 3));
    TKT_Key(w, Qt::Key_Escape);
  });
  EXPECT_EQ(gt_rparm_activate(win_, 0), 0);
  EXPECT_FALSE(stuck);
  EXPECT_EQ(ctl->rep_empty_lanes, 0);
  when_open("rparm", "rparm_win", 1, [](TK_OBJ w) { TKT_Key(w, Qt::Key_Return); });
  EXPECT_EQ(gt_rparm_activate(win_, 0), 1);
  EXPECT_FALSE(stuck);
}

TEST_F(DialogKeys, EnhanceDisplayCancelsOnEscape) {
  ASSERT_NE(open(shelltest::write_gel(dir, "a", 40, 30)), nullptr);
  const int code = gt_get_control()->cmap_code;
  when_open("enh_disp", "enh_disp_win", 7, [](TK_OBJ w) {
    TKT_Pick(RES_GetSub(w, 0), 5);
    TKT_Key(RES_GetSub(w, 0), Qt::Key_Escape);
  });
  TK_OBJ wins[1] = {gt_get_img_window(0)};
  gt_enh_disp_activate(wins, 1);
  EXPECT_FALSE(stuck);
  EXPECT_EQ(gt_get_control()->cmap_code, code);
}

TEST_F(DialogKeys, CalibrateImageCancelsOnEscape) {
  ASSERT_NE(open(shelltest::write_gel(dir, "a", 120, 40)), nullptr);
  im_calib_activate(win_);
  TK_OBJ w = im_calib_window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(gt_get_control()->task_state, TS_CALIBRATION);
  TKT_Key(w, Qt::Key_Escape);
  EVENT_Flush();
  EXPECT_EQ(im_calib_window(), nullptr);
  EXPECT_EQ(gt_get_control()->task_state, TS_IDLE);
}

}  // namespace
