// Windows without a place of their own (the match matrix, the dendrogram, the distance method
// dialog, the annotation tool's text box) open on the screen, whole, and clear of the main
// window's menus on a 1920 by 1080 screen.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <string>

#include "../analysis/cluster_fixture.h"
#include "analysis/dndr_win.h"
#include "analysis/lane_map.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_win.h"
#include "image_view_fixture.h"
#include "shell/gt_dist_method.h"
#include "shell/gt_image_win.h"
#include "shell/ui_tools.h"
#include "shell_fixture.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_test.h"
#include "tools/ui_illus.h"

namespace {

class PlaceTest : public shelltest::MainWindowTest {
 protected:
  // The lowest row of the main window's menu bar on the screen (frame allowance included).
  int menu_bottom() {
    QWidget* main = tk::widget(win_);
    auto* bar = main->findChild<QMenuBar*>();
    EXPECT_NE(bar, nullptr);
    const TkRect r = WIN_GetRect(win_);
    return r.y + 22 + (bar ? bar->geometry().bottom() : 0);
  }
  // The window's outer rectangle lies on the 1920 by 1080 screen and below the menus.
  void expect_placed(TK_OBJ w, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_NE(w, nullptr);
    const TkRect r = WIN_GetRect(w);
    const int right = r.x + r.w + 4, bottom = r.y + r.h + 22;
    EXPECT_GE(r.x, 0);
    EXPECT_LE(right, 1920 + 4);
    EXPECT_GT(r.y, menu_bottom());
    EXPECT_LE(bottom, 1080);
    EXPECT_GT(r.w, 100);
    if (const char* dir = std::getenv("VX_GRAB_DIR"))
      TKT_Grab(w, (std::string(dir) + "/placed_" + RES_GetName(w) + ".png").c_str());
  }
};

clustertest::Mr small_matrix() {
  return clustertest::matrix(5, [](int i, int j) { return static_cast<float>(3 * i + j); });
}

TEST_F(PlaceTest, MatchWindowsAndDialogsOpenOnScreenBelowTheMenus) {
  vxtest::TempDir dir;
  // The match matrix (its viewer cannot start, so nothing runs beside the test).
  matr_set_viewer_program(dir.file("no-viewer").c_str());
  TKT_AnswerChooser({});
  TKT_AnswerAlert(1);
  LANE_MAP* map = lmap_new();
  TK_OBJ matrix = matr_activate(win_, small_matrix().release(), map, lmap_draw_bands, nullptr,
                                [](LANE_MAP* m) { lmap_free(m); });
  expect_placed(matrix, "match matrix");

  // The dendrogram.
  clustertest::Mr m = small_matrix();
  TK_OBJ dend = dndr_activate(matrix, m.get(), dndr_link_average, DNDR_HOST{});
  expect_placed(dend, "dendrogram");
  WIN_Terminate(dend);
  WIN_Terminate(matrix);

  // The distance method dialog, answered once it is up; it is owned by the main window.
  bool seen = false;
  QTimer::singleShot(0, [&] {
    TK_OBJ d = TKT_FindWindow("gt_mma", "WinDistMthd");
    expect_placed(d, "distance method");
    EXPECT_EQ(WIN_GetOwner(d), win_);
    seen = d != nullptr;
    if (d) TKT_Click(RES_GetSub(d, GT_MMA_CANCEL));
  });
  gt_mma_activate(1);
  EXPECT_TRUE(seen);
}

TEST_F(PlaceTest, TheAnnotationTextBoxOpensOnScreenBelowTheMenus) {
  shelltest::ImageView v(240, 170);
  TKT_SetImageMapping(true);
  ui_tools_activate(win_, v.area, UI_TOOL_ANNOTATE, nullptr, v.image->img_ptr, nullptr);
  TK_OBJ tool = TKT_FindWindow("ui_illus", "ui_illus_win");
  ASSERT_NE(tool, nullptr);
  TKT_Pick(RES_GetSub(tool, 0), 8);  // the text tool
  bool seen = false;
  QTimer::singleShot(0, [&] {
    TK_OBJ t = TKT_FindWindow("ui_illus", "ui_text_win");
    expect_placed(t, "text box");
    seen = t != nullptr;
    if (t) TKT_Click(RES_GetSub(t, 2));  // Cancel
  });
  TKT_Press(v.area, 40, 40);
  TKT_Release(v.area, 40, 40);
  EXPECT_TRUE(seen);
  ui_tools_dismiss();
  TKT_SetImageMapping(false);
}

}  // namespace
