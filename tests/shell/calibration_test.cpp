// Hand calibration through the test driver on step tablets opened in the program: the first
// box dragged, further boxes placed by clicks with typed values or spread from a standard set
// file, Calibrate, the lookup and the saved info file; the existing-image route; Cancel, the
// close box and the Vrem lanes step; take-back, clearing and the refusals.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/cal_strip.h"
#include "gel_file_fixture.h"
#include "io/info_file.h"
#include "model/task_state.h"
#include "shell/cal_val.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_canvas.h"
#include "shell/gt_open.h"
#include "shell/ih_draw.h"
#include "shell/im_calib.h"
#include "shell_fixture.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kSteps = 5;

class CalibrationTest : public shelltest::MainWindowTest {
 protected:
  void TearDown() override {
    im_calib_dismiss();
    TKT_SetImageMapping(false);
    gt_vrem_run = 0;
    shelltest::MainWindowTest::TearDown();
  }
  // A tablet of five vertical steps, each `w` / 5 wide, step k of value base + k * step with a
  // little texture; opened in a window.
  IMAGE_REC* open_tablet(const std::string& name, int bpp, int w, int h, unsigned base,
                         unsigned step) {
    const std::string path = shelltest::write_kes_image(
        ws_->file(name + ".kes"), w, h, bpp,
        [=](int x, int y) { return base + (x * kSteps / w) * step + (x + y) % 3; });
    gt_load_image_path(path.c_str());
    IMAGE_REC* im = gt_find_image_by_name((name + ".kes").c_str());
    EXPECT_NE(im, nullptr);
    if (im) area_ = static_cast<TK_OBJ>(im->draw_area);
    TKT_SetImageMapping(true, 1, 1.0);
    return im;
  }
  TK_OBJ calib(int part) { return RES_GetSub(im_calib_window(), part); }
  // Answers the step value dialog that the next action opens: types the text, then OK (or the
  // close box when `ok` is false). Checked by answered().
  void answer_value(const std::string& text, bool ok = true, const std::string& grab = "") {
    ++expected_;
    QTimer::singleShot(0, [this, text, ok, grab] {
      TK_OBJ w = TKT_FindWindow("cal_val", "cal_val_win");
      if (!w) return;
      ++answered_;
      TKT_Type(RES_GetSub(w, CAL_VAL_TEXT), text.c_str());
      if (!grab.empty()) TKT_Grab(w, grab.c_str());
      if (ok)
        TKT_Click(RES_GetSub(w, CAL_VAL_OK));
      else
        TKT_Close(w);
    });
  }
  bool answered() {
    EVENT_Flush();
    return answered_ == expected_;
  }
  void drag(int x0, int y0, int x1, int y1) {
    TKT_Press(area_, x0, y0);
    TKT_Drag(area_, (x0 + x1) / 2, (y0 + y1) / 2);
    TKT_Drag(area_, x1, y1);
    TKT_Release(area_, x1, y1);
  }
  void click(int x, int y, int mods = 0) {
    TKT_Move(area_, x, y, mods);
    TKT_Press(area_, x, y, true, mods);
    TKT_Release(area_, x, y, true, mods);
  }
  std::string write_std(const std::string& name, const std::string& text) {
    const std::string p = ws_->file(name);
    std::ofstream(p) << text;
    return p;
  }
  // Boxes over the middle of each step of a tablet 200 wide: (40k + 10, 10, 20, 20).
  void place_five_boxes(const std::vector<std::string>& values) {
    answer_value(values[0]);
    drag(30, 30, 10, 10);  // bottom right to top left
    for (int k = 1; k < kSteps; ++k) {
      answer_value(values[k]);
      click(40 * k + 10, 10);
    }
  }
  void expect_lookup_matches_strip(IMAGE_REC* im, const std::vector<double>& dens) {
    const IMG_INT_INFO* lk = im->img_int_info;
    ASSERT_EQ(lk->wedge_count, static_cast<int>(dens.size()));
    for (std::size_t k = 0; k < dens.size(); ++k) {
      EXPECT_EQ(lk->wedge_values[k], dens[k]) << k;
      uint32_t mean = 0;
      ASSERT_TRUE(cal_box_mean(im->file_path, {40 * static_cast<int>(k) + 10, 10, 20, 20}, &mean));
      EXPECT_EQ(static_cast<uint32_t>(lk->dig_values[k]), mean) << k;
      EXPECT_NEAR(ih_lookup_val(lk, mean), dens[k], 1e-9) << k;
    }
  }

  TK_OBJ area_ = nullptr;
  int expected_ = 0, answered_ = 0;
};

TEST_F(CalibrationTest, BoxesByDragAndClicksCalibrate8And16BitTablets) {
  struct Case { const char* name; int bpp; unsigned base, step; } cases[] = {
      {"t8", 1, 20, 50}, {"t16", 2, 2000, 12000}};
  for (const Case& c : cases) {
    IMAGE_REC* im = open_tablet(c.name, c.bpp, 200, 60, c.base, c.step);
    ASSERT_NE(im, nullptr);
    main_winNfySelMenuBar(win_, GT_CMD_CALIBRATE);  // Image > Calibrate...
    ASSERT_NE(im_calib_window(), nullptr);
    EXPECT_EQ(gt_get_state(), TS_CALIBRATION);
    WGT_SetChoice(calib(IM_CALIB_INTERP), 1);
    place_five_boxes({"0.1", "0.4", "0.8", "1.2", "1.6"});
    ASSERT_TRUE(answered());
    ASSERT_EQ(cal_strip().count, kSteps);
    EXPECT_EQ(cal_strip().boxes[0].x, 10);  // dragged from bottom right: positive extent
    EXPECT_EQ(cal_strip().boxes[0].w, 20);
    EXPECT_EQ(cal_strip().boxes[0].h, 20);
    TKT_Click(calib(IM_CALIB_CALIBRATE));
    EXPECT_EQ(im_calib_window(), nullptr);
    EXPECT_EQ(gt_get_state(), TS_IDLE);
    EXPECT_EQ(im->img_int_info->interp_type, 1);
    EXPECT_EQ(gt_get_control()->im_calib_interp, 1);
    expect_lookup_matches_strip(im, {0.1, 0.4, 0.8, 1.2, 1.6});
    EXPECT_EQ(im->modified, 1);

    // The saved info file reads the same lookup back.
    ASSERT_TRUE(gt_save_image(im));
    ANALYSIS_ENTRY** list = nullptr;
    const int n = io_read_inf(im->file_path, &list, 0);
    const IMG_INT_INFO* back = nullptr;
    for (int i = 0; i < n; ++i)
      if (list[i] && list[i]->type == 2) back = static_cast<const IMG_INT_INFO*>(list[i]->record);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->wedge_count, kSteps);
    for (int k = 0; k < kSteps; ++k) {
      EXPECT_EQ(back->wedge_values[k], im->img_int_info->wedge_values[k]);
      EXPECT_EQ(back->dig_values[k], im->img_int_info->dig_values[k]);
    }
    EXPECT_EQ(back->dig_val_range, im->img_int_info->dig_val_range);
    io_free_analysis_list(list, n);
  }
}

TEST_F(CalibrationTest, SpreadFromAStandardSetFile) {
  IMAGE_REC* im = open_tablet("wedge", 1, 400, 100, 10, 45);
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  const std::string std_path = write_std("five.std", "0.15 first\n0.5\n0.85\n1.2\n1.55\n");
  std::snprintf(ctl->calib_stdset_path, sizeof ctl->calib_stdset_path, "%s", std_path.c_str());
  ctl->calib_stdset = 1;
  im_calib_activate(win_);
  EXPECT_EQ(WGT_GetValue(calib(IM_CALIB_STDSET)), 1);
  EXPECT_STREQ(WGT_GetText(calib(IM_CALIB_STDSET)), (std::string(gt_get_message(79)) + ":  five.std").c_str());
  EXPECT_EQ(tk::widget(calib(IM_CALIB_STDSET))->toolTip().toStdString(), std_path);
  im_set_path_tip(calib(IM_CALIB_STDSET), "C:\\gels\\five.std");  // shown as it stands
  EXPECT_EQ(tk::widget(calib(IM_CALIB_STDSET))->toolTip().toStdString(), "C:\\gels\\five.std");
  im_set_path_tip(nullptr, "x");
  im_set_path_tip(calib(IM_CALIB_STDSET), nullptr);
  TKT_Click(calib(IM_CALIB_STRIP));
  ASSERT_TRUE(im_calib_have_set());
  EXPECT_EQ(im_calib_num_values(), 5);

  drag(100, 50, 130, 80);  // the first value comes from the file: no dialog
  ASSERT_EQ(cal_strip().count, 1);
  EXPECT_EQ(cal_strip().values[0], 0.15);
  TKT_Move(area_, 250, 50);
  TKT_Move(area_, 300, 50);
  click(300, 50);
  ASSERT_EQ(cal_strip().count, 5);
  const double want[] = {0.15, 0.5, 0.85, 1.2, 1.55};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(cal_strip().boxes[k].x, 100 + 50 * k);
    EXPECT_EQ(cal_strip().boxes[k].y, 50);
    EXPECT_EQ(cal_strip().values[k], want[k]);
  }
  WGT_Redraw(area_);
  const std::string dir = std::getenv("VX_KEEP_GRABS") ? std::getenv("VX_KEEP_GRABS") : ws_->dir().str();
  ASSERT_TRUE(TKT_Grab(win_, (dir + "/calib_image.png").c_str()));
  ASSERT_TRUE(TKT_Grab(im_calib_window(), (dir + "/calib_window.png").c_str()));

  click(300, 50, TK_MOD_SHIFT);  // a complete strip taken back keeps its first box
  EXPECT_EQ(cal_strip().count, 1);
  TKT_Press(area_, 310, 50);  // no strip line since the take-back: the press does nothing
  TKT_Release(area_, 310, 50);
  EXPECT_EQ(cal_strip().count, 1);
  click(395, 60);  // pulled back so that the last box stays inside: 400 - 30 - 1
  ASSERT_EQ(cal_strip().count, 5);
  EXPECT_EQ(cal_strip().boxes[4].x, 369);
  EXPECT_EQ(cal_strip().boxes[4].y, 60);
  TKT_Click(calib(IM_CALIB_CALIBRATE));
  const IMG_INT_INFO* lk = im->img_int_info;
  ASSERT_EQ(lk->wedge_count, 5);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(lk->wedge_values[k], want[k]);
}

TEST_F(CalibrationTest, ValueFilesOfOneLineNoLinesAndMoreThanFiftyLines) {
  IMAGE_REC* im = open_tablet("wedge", 1, 400, 100, 10, 45);
  ASSERT_NE(im, nullptr);
  std::string many;
  for (int i = 0; i < 60; ++i) many += std::to_string(i) + "\n";
  struct Case { const char* file; const std::string text; int steps; double first; } cases[] = {
      {"one.std", "0.7\n", 1, 0.7}, {"none.std", "", 1, 0.0}, {"many.std", many, 50, 0.0}};
  CONTROL* ctl = gt_get_control();
  for (const Case& c : cases) {
    std::snprintf(ctl->calib_stdset_path, sizeof ctl->calib_stdset_path, "%s",
                  write_std(c.file, c.text).c_str());
    ctl->calib_stdset = 1;
    im_calib_activate(win_);
    TKT_Click(calib(IM_CALIB_STRIP));
    drag(10, 10, 14, 16);
    ASSERT_EQ(cal_strip().count, 1) << c.file;
    TKT_Move(area_, 380, 40);
    click(380, 40);
    EXPECT_EQ(cal_strip().count, c.steps) << c.file;
    EXPECT_EQ(cal_strip().values[0], c.first) << c.file;
    EXPECT_EQ(cal_strip().boxes[0].x, 10) << c.file;
    if (c.steps == 50) {
      EXPECT_EQ(cal_strip().values[49], 49.0);
      EXPECT_EQ(cal_strip().boxes[49].x, 380);
    }
    TKT_Click(calib(IM_CALIB_CANCEL));
  }
}

// A value file picked by the standard set toggle of Image > Calibrate... is refused, naming
// the line, when a line the strip would take is blank or text (it would give that step the
// density 0): the settings stay as they were and the steps are typed. A line that begins with a
// number gives that number.
TEST_F(CalibrationTest, ValueFilesWithABlankOrTextLineAreRefused) {
  IMAGE_REC* im = open_tablet("wedge", 1, 400, 100, 10, 45);
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  struct Case { const char* file; const char* text; int bad_line; } cases[] = {
      {"blank.std", "0.15\n\n0.85\n", 2},
      {"text.std", "0.15\n0.5\nhigh\n", 3},
      {"good.std", "0.15\n0.5 second step\n0.85\n", 0},
  };
  for (const Case& c : cases) {
    ctl->calib_stdset = 0;
    std::snprintf(ctl->calib_stdset_path, sizeof ctl->calib_stdset_path, "earlier.std");
    main_winNfySelMenuBar(win_, GT_CMD_CALIBRATE);
    ASSERT_NE(im_calib_window(), nullptr) << c.file;
    TKT_AnswerChooser({write_std(c.file, c.text)});
    if (c.bad_line) TKT_AnswerAlert(1);
    TKT_Click(calib(IM_CALIB_STDSET));
    TKT_Click(calib(IM_CALIB_STRIP));
    if (c.bad_line) {
      char want[256];
      std::snprintf(want, sizeof want, gt_get_message(199), c.file, c.bad_line);
      EXPECT_EQ(TKT_LastAlertText(), want);
      EXPECT_EQ(WGT_GetValue(calib(IM_CALIB_STDSET)), 0) << c.file;
      EXPECT_FALSE(im_calib_have_set()) << c.file;
      EXPECT_EQ(ctl->calib_stdset, 0) << c.file;
      EXPECT_STREQ(ctl->calib_stdset_path, "earlier.std") << c.file;
      answer_value("0.3");  // no set: the first step is typed
      drag(100, 50, 130, 80);
      EXPECT_TRUE(answered()) << c.file;
      ASSERT_EQ(cal_strip().count, 1) << c.file;
      EXPECT_EQ(cal_strip().values[0], 0.3) << c.file;
    } else {
      ASSERT_TRUE(im_calib_have_set());
      EXPECT_EQ(ctl->calib_stdset, 1);
      EXPECT_EQ(ctl->calib_stdset_path, ws_->file(c.file));
      drag(100, 50, 130, 80);
      TKT_Move(area_, 300, 50);
      click(300, 50);
      ASSERT_EQ(cal_strip().count, 3);
      EXPECT_EQ(cal_strip().values[0], 0.15);
      EXPECT_EQ(cal_strip().values[1], 0.5);
      EXPECT_EQ(cal_strip().values[2], 0.85);
    }
    TKT_Click(calib(IM_CALIB_CANCEL));
  }
  // A set file of an earlier session that has since gained a text line is refused as well when
  // the window opens; the switch stays on, so that the mended file is taken next time.
  write_std("good.std", "0.15\nnone\n");
  TKT_AnswerAlert(1);
  main_winNfySelMenuBar(win_, GT_CMD_CALIBRATE);
  EXPECT_NE(TKT_LastAlertText().find("line 2"), std::string::npos) << TKT_LastAlertText();
  EXPECT_EQ(WGT_GetValue(calib(IM_CALIB_STDSET)), 0);
  EXPECT_EQ(ctl->calib_stdset, 1);
  EXPECT_EQ(ctl->calib_stdset_path, ws_->file("good.std"));
  TKT_Click(calib(IM_CALIB_CANCEL));
  ctl->calib_stdset = 0;
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(CalibrationTest, TakeBackClearOneBoxAndTheRefusals) {
  IMAGE_REC* im = open_tablet("t", 1, 200, 60, 20, 50);
  ASSERT_NE(im, nullptr);
  const int wedge_before = im->img_int_info->wedge_count;
  im_calib_activate(win_);

  TKT_AnswerAlert(1);
  drag(20, 20, 22, 22);  // a diagonal below 4 pixels
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(133));
  EXPECT_EQ(cal_strip().count, 0);
  TKT_AnswerAlert(1);
  drag(205, 10, 230, 30);  // wholly outside the image
  EXPECT_EQ(cal_strip().count, 0);

  place_five_boxes({"0.1", "0.4", "0.8", "1.2", "1.6"});
  ASSERT_TRUE(answered());
  click(100, 30, TK_MOD_SHIFT);  // take back
  EXPECT_EQ(cal_strip().count, 4);
  TKT_AnswerAlert(1);
  answer_value("1.2.3");  // not a number
  click(170, 10);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(23));
  EXPECT_EQ(cal_strip().count, 4);
  answer_value("", true);  // empty: cancelled
  click(170, 10);
  answer_value("2", false);  // the close box: cancelled
  click(170, 10);
  EXPECT_TRUE(answered());
  EXPECT_EQ(cal_strip().count, 4);
  TKT_DoubleClick(area_, 50, 50, TK_MOD_SHIFT);
  EXPECT_EQ(cal_strip().count, 0);

  answer_value("0.3");
  drag(10, 10, 30, 30);
  ASSERT_TRUE(answered());
  ASSERT_EQ(cal_strip().count, 1);
  WGT_SetChoice(calib(IM_CALIB_INTERP), 0);
  TKT_Click(calib(IM_CALIB_CALIBRATE));  // one box: only the interpolation type is stored
  EXPECT_EQ(im->img_int_info->interp_type, 0);
  EXPECT_EQ(im->img_int_info->wedge_count, wedge_before);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(CalibrationTest, UnreadableBoxStopsCalibrateAndOutOfOrderChangesNothing) {
  IMAGE_REC* im = open_tablet("t", 1, 200, 60, 20, 50);
  ASSERT_NE(im, nullptr);
  const int wedge_before = im->img_int_info->wedge_count;
  im_calib_activate(win_);
  place_five_boxes({"1.6", "1.2", "0.8", "0.4", "0.1"});  // falling densities, rising values
  ASSERT_TRUE(answered());
  const std::string kes = im->file_path;
  std::filesystem::rename(kes, kes + ".away");
  TKT_AnswerAlert(1);
  TKT_Click(calib(IM_CALIB_CALIBRATE));
  EXPECT_NE(TKT_LastAlertText().find(kes), std::string::npos);  // message 64 names the image
  EXPECT_NE(im_calib_window(), nullptr);  // stopped: the strip stays
  EXPECT_EQ(cal_strip().count, kSteps);
  std::filesystem::rename(kes + ".away", kes);
  TKT_AnswerAlert(1);
  TKT_Click(calib(IM_CALIB_CALIBRATE));
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(55));
  EXPECT_EQ(im->img_int_info->wedge_count, wedge_before);
  EXPECT_EQ(im_calib_window(), nullptr);
}

TEST_F(CalibrationTest, ExistingImageLookupIsTaken) {
  IMAGE_REC* donor = open_tablet("donor", 1, 200, 60, 20, 50);
  ASSERT_NE(donor, nullptr);
  im_calib_activate(win_);
  place_five_boxes({"0.1", "0.4", "0.8", "1.2", "1.6"});
  ASSERT_TRUE(answered());
  TKT_Click(calib(IM_CALIB_CALIBRATE));
  ASSERT_TRUE(gt_save_image(donor));
  const std::string donor_path = donor->file_path;
  std::vector<int> dig(donor->img_int_info->dig_values, donor->img_int_info->dig_values + kSteps);
  gt_unload_all();

  IMAGE_REC* im = open_tablet("other", 1, 200, 60, 0, 10);
  ASSERT_NE(im, nullptr);
  im_calib_activate(win_);
  TKT_AnswerChooser({});  // cancelled: the toggle goes off again
  TKT_Click(calib(IM_CALIB_EXISTING));
  EXPECT_EQ(WGT_GetValue(calib(IM_CALIB_EXISTING)), 0);
  TKT_AnswerChooser({donor_path});
  TKT_Click(calib(IM_CALIB_EXISTING));
  EXPECT_EQ(WGT_GetValue(calib(IM_CALIB_EXISTING)), 1);
  EXPECT_FALSE(tk::widget(calib(IM_CALIB_INTERP))->isEnabled());
  EXPECT_FALSE(tk::widget(calib(IM_CALIB_STDSET))->isEnabled());
  TKT_Click(calib(IM_CALIB_CALIBRATE));
  ASSERT_EQ(im->img_int_info->wedge_count, kSteps);
  for (int k = 0; k < kSteps; ++k) EXPECT_EQ(im->img_int_info->dig_values[k], dig[k]);
  EXPECT_EQ(im->modified, 1);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(CalibrationTest, CancelAndCloseBoxEndTheStateAndGoOnToTheLanesStep) {
  IMAGE_REC* im = open_tablet("t", 1, 200, 60, 20, 50);
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  ctl->calib_stdset = 1;  // a set file that is gone: message 80, the switch goes off
  std::snprintf(ctl->calib_stdset_path, sizeof ctl->calib_stdset_path, "%s",
                ws_->file("gone.std").c_str());
  for (int way = 0; way < 3; ++way) {
    gt_vrem_run = 1;
    main_winNfySelMenuBar(win_, 999999);
    TKT_AnswerAlert(1);
    im_calib_activate(win_);
    if (way == 0) {
      EXPECT_EQ(TKT_LastAlertText(), "The standard set file gone.std cannot be opened.");
      EXPECT_EQ(ctl->calib_stdset, 0);
      EXPECT_STREQ(ctl->calib_stdset_path, "");
      EXPECT_FALSE(tk::widget(calib(IM_CALIB_STRIP))->isEnabled());
    }
    answer_value("0.2");
    drag(10, 10, 30, 30);
    ASSERT_TRUE(answered());
    // The lanes step sends Define, whose lane-definition dialog is cancelled here, which ends
    // the run.
    // Calibrate's status line runs events before the dialog is up, so the answer keeps looking.
    bool lane_dialog = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      TK_OBJ w = TKT_FindWindow("ln_info", "ln_info_win");
      if (!w) return;
      poll.stop();
      lane_dialog = true;
      TKT_Click(RES_GetSub(w, 2));
    });
    poll.start(0);
    if (way == 0) TKT_Click(calib(IM_CALIB_CANCEL));
    if (way == 1) TKT_Close(im_calib_window());
    if (way == 2) TKT_Click(calib(IM_CALIB_CALIBRATE));
    // The step waits until the calibration window has gone from the screen.
    EXPECT_TRUE(QTest::qWaitFor([] { return gt_vrem_run == 0; }, 5000)) << way;
    poll.stop();
    EXPECT_EQ(im_calib_window(), nullptr) << way;
    EXPECT_EQ(cal_strip().count, 0) << way;
    EXPECT_EQ(gt_dispatch_last_command(), 1061) << way;
    EXPECT_TRUE(lane_dialog) << way;
    EXPECT_EQ(gt_vrem_run, 0) << way;
    EXPECT_EQ(gt_get_state(), TS_IDLE) << way;
  }
  // Closing all tool windows ends the calibration too, without a lanes step.
  gt_vrem_run = 0;
  im_calib_activate(win_);
  gt_dismiss_all();
  EXPECT_EQ(im_calib_window(), nullptr);
  EXPECT_EQ(gt_get_state(), TS_IDLE);
}

TEST_F(CalibrationTest, TheMouseOnAnotherImageLeavesTheStripAlone) {
  IMAGE_REC* other = open_tablet("other", 1, 200, 60, 20, 50);
  TK_OBJ other_area = area_;
  IMAGE_REC* im = open_tablet("t", 1, 200, 60, 20, 50);
  ASSERT_TRUE(other && im);
  ASSERT_EQ(gt_get_image_ptr(), im);
  im_calib_activate(win_);
  answer_value("0.5");  // would answer a step value dialog, were one asked for
  TKT_Press(other_area, 10, 10);
  TKT_Drag(other_area, 40, 40);
  TKT_Release(other_area, 40, 40);
  EXPECT_FALSE(answered());
  EXPECT_EQ(answered_, 0);
  EXPECT_EQ(cal_strip().count, 0);
  EXPECT_EQ(cal_strip().anchor[0], -1);
}

TEST_F(CalibrationTest, StepValueDialogPicture) {
  const std::string dir = std::getenv("VX_KEEP_GRABS") ? std::getenv("VX_KEEP_GRABS") : ws_->dir().str();
  const std::string png = dir + "/step_value.png";
  double v = 0;
  answer_value("0.25", true, png);
  EXPECT_EQ(cal_val_activate(win_, &v), 1);
  EXPECT_TRUE(answered());
  EXPECT_EQ(v, 0.25);
  EXPECT_GT(vxtest::read_bytes(png).size(), 100u);
}

}  // namespace

namespace {

// The previews follow the pointer at the image's zoom, a drag past the image's edge is clipped,
// and after a repaint the old preview is not erased again (it is gone with the old picture).
TEST_F(CalibrationTest, PreviewsAtZoomTwoAndAfterARepaint) {
  IMAGE_REC* im = open_tablet("t", 1, 200, 60, 20, 50);
  ASSERT_NE(im, nullptr);
  gt_zoom_set(im, 2);
  ASSERT_EQ(im->img_ptr->zoom[0], 2);
  WIN_MoveSize(static_cast<TK_OBJ>(im->window), 0, 0, 520, 220);  // room for the whole image
  CANVAS_ScrollTo(area_, 0, 0);
  WGT_Redraw(area_);
  TKT_SetImageMapping(true, 2, 1.0);
  im_calib_activate(win_);
  answer_value("0.5");
  drag(185, 40, 230, 75);  // past the right and bottom edges
  ASSERT_TRUE(answered());
  ASSERT_EQ(cal_strip().count, 1);
  const CalBox b = cal_strip().boxes[0];
  EXPECT_EQ(b.x, 185);
  EXPECT_EQ(b.y, 40);
  EXPECT_EQ(b.w, 15);
  EXPECT_EQ(b.h, 20);

  QImage& backing = tk::area(area_)->backing();
  auto corner = [&](int x, int y) { return ih_map_point(area_, x, y, im->img_ptr); };
  // Points on the top edges of the outlines at (40, 10) and (100, 10), away from the corners.
  const TkPoint p = corner(45, 10), q = corner(105, 10);
  const QRgb plain_p = backing.pixel(p.x, p.y), plain_q = backing.pixel(q.x, q.y);
  TKT_Move(area_, 40, 10);  // the next box's outline at (40, 10)
  EXPECT_NE(backing.pixel(p.x, p.y), plain_p);
  WGT_Redraw(area_);  // the repaint takes the outline away
  EXPECT_EQ(backing.pixel(p.x, p.y), plain_p);
  TKT_Move(area_, 100, 10);  // the outline gone with the repaint is not erased again
  EXPECT_EQ(backing.pixel(p.x, p.y), plain_p);
  EXPECT_NE(backing.pixel(q.x, q.y), plain_q);
  TKT_Move(area_, 120, 10);  // an outline drawn after the repaint is erased as usual
  EXPECT_EQ(backing.pixel(q.x, q.y), plain_q);
}

}  // namespace
