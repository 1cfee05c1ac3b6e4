// The steps of a Vrem run through the main window's dispatcher: the quick-help page, the mode
// button and the command of each step, for no run, a size run and a quantify run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "gel_file_fixture.h"
#include "gel_fixture.h"
#include "base/ks_mem.h"
#include "model/control.h"
#include "model/std_list.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "shell/gt_vrem.h"
#include "shell_fixture.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_tool_wins.h"
#include "when_shown.h"

namespace {

class VremTest : public shelltest::MainWindowTest {
 protected:
  void TearDown() override {
    gt_vrem_run = 0;
    qhelp_dismiss();
    shelltest::MainWindowTest::TearDown();
  }
  int shown_page() {
    TK_OBJ q = qhelp_window();
    if (!q) return -1;
    for (int k = 0; k < 6; ++k)
      if (!tk::widget(RES_GetSub(q, k))->isHidden()) return k;
    return -1;
  }
  // Starts from a known point: bands mode, the quick help on page 0, no command sent yet.
  void start(int run) {
    gt_set_sel_mode(0, mode_button(0));
    gt_vrem_run = run;
    qhelp_activate();
    main_winNfySelMenuBar(win_, 999999);  // a command nobody serves marks "nothing sent since"
  }
};

TEST_F(VremTest, EachStepShowsItsPagePressesItsModeAndSendsItsCommand) {
  struct Case { void (*step)(); int run, page, mode, command; } cases[] = {
      {gt_vrem_step_lanes, 1, 1, 1, 1061}, {gt_vrem_step_lanes, 2, 1, 1, 1061},
      {gt_vrem_step_bands, 1, 3, 0, 12},   {gt_vrem_step_bands, 2, 3, 0, 12},
      {gt_vrem_step_stds, 1, 4, 2, 143},   {gt_vrem_step_stds, 2, 4, 3, 143},
      // The report step ends the run, which closes the quick help.
      {gt_vrem_step_report, 1, -1, 1, 148}, {gt_vrem_step_report, 2, -1, 1, 148},
  };
  for (const Case& c : cases) {
    start(c.run);
    if (c.mode == 0) gt_set_sel_mode(2, mode_button(2));
    c.step();
    EXPECT_EQ(shown_page(), c.page) << c.command << " run " << c.run;
    EXPECT_EQ(gt_get_sel_mode(), c.mode) << c.command << " run " << c.run;
    EXPECT_EQ(WGT_GetValue(mode_button(c.mode)), 1) << c.command;
    EXPECT_EQ(gt_dispatch_last_command(), c.command) << " run " << c.run;
    qhelp_dismiss();
  }
}

TEST_F(VremTest, EditBandOkTakesTheStandardsStep) {
  start(1);
  gt_ed_bnd_activate(win_);
  TK_OBJ tool = TKT_FindWindow("ed_bnd", "ed_bnd_win");
  ASSERT_NE(tool, nullptr);
  TKT_Send(RES_GetSub(tool, 1), TK_EV_ACTIVATE);
  EXPECT_TRUE(QTest::qWaitFor([] { return gt_dispatch_last_command() == 143; }, 5000));
  EXPECT_EQ(gt_get_sel_mode(), 2);
}

// A Vrem Size run from Edit Band's OK, as the user clicks it in the event loop: the Size
// Standards dialog of the next step shows only once the Edit Band window is gone, and it is then
// on the screen and has the keys. Twenty times over, since a window manager loses such a dialog
// only now and then.
class VremSizeRun : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    gt_vrem_run = 0;
    qhelp_dismiss();
    shelltest::OpenImagesTest::TearDown();
  }
};

TEST_F(VremSizeRun, TheStandardsDialogShowsOnceEditBandIsGoneOnScreenAndActive) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 120, 100));
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 40, 5, 90, 30);
  im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));  // one tier of standards
  im->size_stdp[0] = std_list_create();
  im->lane_hdr->num_tiers = 1;
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    gt_vrem_run = 1;
    if (!qhelp_window()) qhelp_activate();
    gt_ed_bnd_activate(win_);
    TK_OBJ tool = TKT_FindWindow("ed_bnd", "ed_bnd_win");
    ASSERT_NE(tool, nullptr);
    const QPointer<QWidget> tool_widget = tk::widget(tool);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tool_widget->windowHandle(), 5000));
    bool tool_left = true, exposed = false, active = false;
    const auto shown = vxtest::when_shown("std_size", "std_size_win", [&](TK_OBJ dlg) {
      tool_left = !tool_widget.isNull();
      QWidget* d = tk::widget(dlg);
      exposed = QTest::qWaitFor([d] { return d->windowHandle() && d->windowHandle()->isExposed(); }, 5000);
      active = QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }, 5000);
      gt_vrem_run = 0;  // the run ends here: Cancel then takes no report step
      TKT_Click(RES_GetSub(dlg, 4));
    });
    QTimer::singleShot(0, [tool] { TKT_Click(RES_GetSub(tool, 1)); });  // OK
    ASSERT_TRUE(QTest::qWaitFor([&] { return *shown && !TKT_FindWindow("std_size", "std_size_win"); }, 10000))
        << gt_dispatch_last_command() << " alert " << TKT_LastAlertText() << " mode " << gt_get_sel_mode();
    EXPECT_FALSE(tool_left) << "the dialog showed while Edit Band was still there";
    EXPECT_TRUE(exposed) << "the dialog never came on the screen";
    EXPECT_TRUE(active) << "the dialog did not get the keys";
    EXPECT_EQ(TKT_FindWindow("ed_bnd", "ed_bnd_win"), nullptr);
  }
}

TEST_F(VremTest, OutsideARunOnlyTheReportStepTurnsThePage) {
  for (void (*s)() : {gt_vrem_step_lanes, gt_vrem_step_bands, gt_vrem_step_stds}) {
    start(0);
    s();
    EXPECT_EQ(shown_page(), 0);
    EXPECT_EQ(gt_get_sel_mode(), 0);
    EXPECT_EQ(gt_dispatch_last_command(), 999999);
  }
  start(0);
  gt_vrem_step_report();
  EXPECT_EQ(shown_page(), 5);
  EXPECT_EQ(gt_get_sel_mode(), 0);
  EXPECT_EQ(gt_dispatch_last_command(), 999999);
}

TEST_F(VremTest, TheReportStepEndsTheRunSoASecondSendsNothing) {
  start(2);
  gt_vrem_step_report();
  EXPECT_EQ(gt_dispatch_last_command(), 148);
  EXPECT_EQ(gt_vrem_run, 0);
  EXPECT_EQ(qhelp_window(), nullptr);  // the end of the run closes the quick help
  main_winNfySelMenuBar(win_, 999999);
  gt_vrem_step_report();
  EXPECT_EQ(gt_dispatch_last_command(), 999999);
}

TEST_F(VremTest, TheLanesStepOpensTheLaneDefinitionDialogOfTheImage) {
  const std::string path = shelltest::write_kes_image(ws_->file("gel.kes"), 60, 40, 1,
                                                      [](int x, int y) { return x + y; });
  gt_load_image_path(path.c_str());
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  start(1);
  bool shown = false;
  QTimer::singleShot(0, [&shown] {
    TK_OBJ w = TKT_FindWindow("ln_info", "ln_info_win");
    if (!w) return;
    shown = true;
    TKT_Click(RES_GetSub(w, 2));  // Cancel ends the run
  });
  gt_vrem_step_lanes();
  EXPECT_TRUE(shown);
  EXPECT_EQ(gt_vrem_run, 0);
  EXPECT_EQ(qhelp_window(), nullptr);
}

}  // namespace
