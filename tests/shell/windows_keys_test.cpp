// What a new user meets around the commands: the questions the dispatcher asks before
// Calibrate and before the multiplex markers are replaced, Copy Lanes only on found bands, the
// pointer of a measuring tool over the image, the report windows kept above the main window,
// Escape on the histogram, the menu bar's access keys and the pixel read-out once the last image
// has closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMenuBar>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "analysis/band_rep.h"
#include "analysis/compare.h"
#include "analysis/img_rep.h"
#include "analysis/replc.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "gel_fixture.h"
#include "menu_keys.h"
#include "model/control.h"
#include "model/task_state.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/im_calib.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/ui_results.h"

namespace {

class WindowsKeys : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    ui_tools_dismiss();
    ln_cpy_dismiss();
    multi_dismiss();
    im_calib_dismiss();
    band_rep_dismiss();
    compare_dismiss();
    img_rep_dismiss();
    replc_dismiss();
    if (TK_OBJ map = TKT_FindWindow("ln_map", "WinLaneMap")) WIN_Terminate(map);
    gt_set_state(TS_IDLE);
    OpenImagesTest::TearDown();
  }
  // A gel with one lane and one band, the lane selected, in lanes mode.
  IMAGE_REC* open_gel() {
    IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 120, 100));
    if (!im) return nullptr;
    shelltest::add_lane_and_band(im, 40, 5, 90, 30);
    im->lanes->next->f |= LN_F_SELECTED;
    im->num_sel_lanes = 1;
    gt_get_control()->sel_mode = SEL_LANES;
    return im;
  }
};

TEST_F(WindowsKeys, CalibrateSaysTheLanesAndBandsStay) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  TKT_AnswerAlert(1);  // No
  main_winNfySelMenuBar(win_, GT_CMD_CALIBRATE);
  const std::string asked = TKT_LastAlertText();
  EXPECT_EQ(asked, gt_get_message(65));
  EXPECT_NE(asked.find("keeps the lanes and bands"), std::string::npos) << asked;
  EXPECT_EQ(asked.find("replaced"), std::string::npos) << asked;
  EXPECT_EQ(TKT_FindWindow("im_calib", "im_calib_win"), nullptr);
  EXPECT_EQ(im->lanes->next->lane_number, 1);
}

TEST_F(WindowsKeys, MultiplexMarkersAreReplacedOnlyAfterYes) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  im->mark_pts[0][0] = 20, im->mark_pts[0][1] = 30;
  TKT_AnswerAlert(1);  // No
  main_winNfySelMenuBar(win_, GT_CMD_MULTIPLEX_MARKERS);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(85));
  EXPECT_EQ(gt_get_state(), TS_IDLE);
  EXPECT_EQ(TKT_FindWindow("multi", "multi_win"), nullptr);
  EXPECT_EQ(im->mark_pts[0][0], 20);
  TKT_AnswerAlert(2);  // Yes
  main_winNfySelMenuBar(win_, GT_CMD_MULTIPLEX_MARKERS);
  EXPECT_EQ(gt_get_state(), TS_MULTIPLEX_MARKERS);
  EXPECT_NE(TKT_FindWindow("multi", "multi_win"), nullptr);
  // Without markers nothing is asked.
  multi_dismiss();
  gt_set_state(TS_IDLE);
  im->mark_pts[0][0] = im->mark_pts[0][1] = -1;
  const int unanswered = TKT_Unanswered();
  main_winNfySelMenuBar(win_, GT_CMD_MULTIPLEX_MARKERS);
  EXPECT_EQ(TKT_Unanswered(), unanswered);
  EXPECT_EQ(gt_get_state(), TS_MULTIPLEX_MARKERS);
}

TEST_F(WindowsKeys, CopyLanesStartsOnlyOnFoundBands) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  for (int command : {GT_CMD_COPY_LANES, GT_CMD_COPY_LANES_BOUNDS}) {
    SCOPED_TRACE(command);
    im->has_bands = 0;
    main_winNfySelMenuBar(win_, command);
    EXPECT_EQ(gt_get_state(), TS_IDLE);
    im->has_bands = 1;
    main_winNfySelMenuBar(win_, command);
    EXPECT_EQ(gt_get_state(), TS_COPY_LANES);
    ln_cpy_dismiss();
    gt_set_state(TS_IDLE);
  }
}

TEST_F(WindowsKeys, AMeasuringToolKeepsItsPointerOverTheImage) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  auto area = static_cast<TK_OBJ>(im->draw_area);
  for (int command : {GT_CMD_SLICE, GT_CMD_HISTOGRAM}) {
    SCOPED_TRACE(command);
    main_winNfySelMenuBar(win_, command);
    const int tool_pointer = WGT_GetPointer(area);
    EXPECT_NE(tool_pointer, 0);
    TKT_Send(area, TK_EV_ENTER);
    EXPECT_EQ(WGT_GetPointer(area), tool_pointer);
    ui_tools_dismiss();
  }
  // Without a tool the idle program shows the arrow.
  TKT_Send(area, TK_EV_ENTER);
  EXPECT_EQ(WGT_GetPointer(area), 0);
}

TEST_F(WindowsKeys, TheImageToolsWindowIsWideEnoughForItsTitle) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  for (int command : {GT_CMD_SLICE, GT_CMD_SURFACE_PLOT, GT_CMD_HISTOGRAM}) {
    SCOPED_TRACE(command);
    main_winNfySelMenuBar(win_, command);
    TK_OBJ tools = TKT_FindWindow("ui_tools", "ui_tools_win");
    ASSERT_NE(tools, nullptr);
    EVENT_Flush();
    // The title in a bold frame font, the frame's icon and its three buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int title = QFontMetrics(bold).horizontalAdvance(QString::fromUtf8(WIN_GetTitle(tools)));
    EXPECT_GE(WIN_GetRect(tools).w, title + 120) << WIN_GetTitle(tools);
    ui_tools_dismiss();
  }
}

TEST_F(WindowsKeys, ReportWindowsAndTheLaneMapStayAboveTheMainWindow) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_MAP);
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_IMAGE_INFO);
  band_rep_activate(5, nullptr, {});
  compare_activate();
  replc_activate({im->file_path});
  const struct {
    const char* module;
    const char* window;
  } wins[] = {{"ln_map", "WinLaneMap"},   {"img_rep", "img_rep_win"},
              {"band_rep", "band_rep_win"}, {"compare", "compare_win"},
              {"replanecat", "replc_win"}};
  for (const auto& w : wins) {
    SCOPED_TRACE(w.window);
    TK_OBJ win = TKT_FindWindow(w.module, w.window);
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(WIN_GetOwner(win), win_);
  }
}

TEST_F(WindowsKeys, EscapeClosesTheHistogram) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  ui_hist_activate(win_, im, TkPoint{10, 10}, TkPoint{60, 60}, "");
  TK_OBJ hist = TKT_FindWindow("ui_hist", "ui_hist_win");
  ASSERT_NE(hist, nullptr);
  TKT_KeyAtFocus(hist, Qt::Key_Escape);
  EVENT_Flush();
  EVENT_Flush();
  EXPECT_EQ(TKT_FindWindow("ui_hist", "ui_hist_win"), nullptr);
  EXPECT_EQ(TKT_ActiveWindow(), win_);
}

TEST_F(WindowsKeys, TheMainWindowHasTheKeysAgainAfterAnAlertOrAChooser) {
  QWidget* main = tk::widget(win_);
  ASSERT_NE(main, nullptr);
  main->activateWindow();
  EVENT_Flush();
  ASSERT_EQ(TKT_ActiveWindow(), win_);
  TKT_AnswerAlert(1);
  mh_send_msg(KS_ALERT_INFO, "%s", "a message");
  EVENT_Flush();
  EXPECT_EQ(TKT_ActiveWindow(), win_);
  TKT_AnswerChooser({});
  char path[256] = "";
  EXPECT_EQ(io_win32_singlefile(path, sizeof path, "A file...", dir.c_str(), "",
                                "All (*.*)\0*.*\0", "", TRUE, TRUE),
            0);
  EVENT_Flush();
  EXPECT_EQ(TKT_ActiveWindow(), win_);
}

TEST_F(WindowsKeys, EveryMenuOfTheMenuBarHasItsOwnAccessKey) {
  std::set<char> keys;
  for (const std::string& title : TKT_MenuTitles(win_)) {
    const std::size_t amp = title.find('&');
    ASSERT_NE(amp, std::string::npos) << title;
    ASSERT_LT(amp + 1, title.size()) << title;
    EXPECT_TRUE(keys.insert(static_cast<char>(std::tolower(title[amp + 1]))).second) << title;
  }
  EXPECT_GE(keys.size(), 10u);
}

// Every pull-down, as it shows with images open whose names hold "&": the names in the Window
// menu and the recent files take no access key of their own.
TEST_F(WindowsKeys, NoTwoEntriesOfAPullDownShareAnAccessKey) {
  ASSERT_NE(open(shelltest::write_gel(dir, "gel&t", 60, 40)), nullptr);
  ASSERT_NE(open(shelltest::write_gel(dir, "a&open", 60, 40)), nullptr);
  auto* bar = tk::widget(win_)->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  int menus = 0;
  const std::vector<std::string> clashes = vxtest::access_key_clashes(bar, &menus);
  EXPECT_TRUE(clashes.empty()) << ::testing::PrintToString(clashes);
  EXPECT_GE(menus, 17);  // the ten menus of the bar and their nested pull-downs
  bool named = false;
  for (QAction* top : bar->actions())
    if (top->menu())
      for (QAction* a : top->menu()->actions()) named |= a->text().startsWith("gel&&t");
  EXPECT_TRUE(named);  // shown as "gel&t..."
}

TEST_F(WindowsKeys, TheReadOutIsEmptiedWhenTheLastImageCloses) {
  IMAGE_REC* first = open(shelltest::write_gel(dir, "one", 60, 40));
  IMAGE_REC* second = open(shelltest::write_gel(dir, "two", 60, 40));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  TK_OBJ readout = gt_get_status2();
  auto read = [readout] { return std::string(WGT_GetText(readout) ? WGT_GetText(readout) : ""); };
  TKT_SetImageMapping(true);
  TKT_Press(static_cast<TK_OBJ>(second->draw_area), 10, 5);
  TKT_Release(static_cast<TK_OBJ>(second->draw_area), 10, 5);
  TKT_SetImageMapping(false);
  const std::string shown = read();
  EXPECT_FALSE(shown.empty());
  WIN_Terminate(static_cast<TK_OBJ>(second->window));
  EXPECT_EQ(read(), shown);  // an image is still open
  WIN_Terminate(static_cast<TK_OBJ>(first->window));
  EXPECT_EQ(read(), "");
}

}  // namespace
