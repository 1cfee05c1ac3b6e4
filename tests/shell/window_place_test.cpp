// Windows without a place of their own (the match matrix, the dendrogram, the distance method
// dialog, the annotation tool's text box) open on the screen, whole, and clear of the main
// window's menus on a 1920 by 1080 screen; the match matrix beside the viewer the match starts;
// the windows in which the user judges the lanes of an image open clear of them.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "../analysis/cluster_fixture.h"
#include "analysis/dndr_win.h"
#include "analysis/lane_map.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_win.h"
#include "base/ks_choose.h"
#include "engine/lane_profile.h"
#include "gel_fixture.h"
#include "image_view_fixture.h"
#include "model/control.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_dist_method.h"
#include "shell/gt_image_win.h"
#include "shell/ui_tools.h"
#include "shell_fixture.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_tools.h"
#include "tools/gt_tool_wins.h"
#include "tools/ui_illus.h"
#include "when_shown.h"

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
    // The frame as the window system draws it, once it has framed the window (under a window
    // manager its frame may be larger than the placing allows for).
    QWidget* q = tk::widget(w);
    QTest::qWait(600);
    const QRect f = q->frameGeometry();
    EXPECT_LE(f.bottom(), 1079) << f.y() << " + " << f.height();
    EXPECT_LE(f.right(), 1919 + 4) << f.x() << " + " << f.width();
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

  // Beside the viewer, which the match starts at the right and the foot of the screen at its
  // first size, and which would cover the matrix.
  int vx = 0, vy = 0;
  ui_wpos_point(1920, 1080, 800 + 4, 600 + 22, 100, 100, FALSE, &vx, &vy);
  const TkRect mr = WIN_GetRect(matrix);
  EXPECT_LE(mr.x + mr.w + 4, vx) << "the matrix lies under the viewer";

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

class JudgePlace : public shelltest::OpenImagesTest {
 protected:
  // A gel as wide as the demo gel, whose window fills the work area, with one lane over a band,
  // its profile read and the lane selected, in lanes mode.
  IMAGE_REC* open_wide_gel() {
    IMAGE_REC* im = open(shelltest::write_gel(dir, "wide", 1300, 800));
    if (!im) return nullptr;
    shelltest::add_selected_lane(im, 1100, 20, 780, 300);
    return im;
  }
};

// Refine Band Detection, the densitometry tool and Report Parameters cover as little of the
// image's window as the 1920 by 1080 screen allows: none where the window fits beside it, else
// only what sticks out of the widest room beside it; each lies whole on the screen.
TEST_F(JudgePlace, WindowsForJudgingTheLanesOpenBesideTheImage) {
  IMAGE_REC* im = open_wide_gel();
  ASSERT_NE(im, nullptr);
  const TkRect img = WGT_GetScreenRect(static_cast<TK_OBJ>(im->window));
  ASSERT_GT(img.w, 900) << "the image window does not fill the work area";
  struct Case {
    const char *module, *window;
    int cancel;
    std::function<void()> open;
  } cases[] = {
      {"refd_bnd", "refd_bnd_win", 1, [this, im] { gt_refd_bnd_activate(win_, im); }},
      {"dtool", "dtool_win", 17, [this] { main_winNfySelMenuBar(win_, GT_CMD_DTOOL); }},
      {"rparm", "rparm_win", 1, [this] { main_winNfySelMenuBar(win_, GT_CMD_REPORT_ACTIVE_IMAGE); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.module);
    TkRect r{};
    const auto shown = vxtest::when_shown(c.module, c.window, [&](TK_OBJ w) {
      r = WIN_GetOuterRect(w);
      if (const char* d = std::getenv("VX_GRAB_DIR"))
        TKT_Grab(w, (std::string(d) + "/judge_" + c.module + ".png").c_str());
      TKT_Click(RES_GetSub(w, c.cancel));
    });
    c.open();
    ASSERT_TRUE(*shown) << "the window did not open";
    EXPECT_GE(r.x, 0);
    EXPECT_GE(r.y, 0);
    EXPECT_LE(r.x + r.w, 1920);
    EXPECT_LE(r.y + r.h, 1080);
    const int across = std::max(0, std::min(r.x + r.w, img.x + img.w) - std::max(r.x, img.x));
    const int room = std::max(img.x, 1920 - (img.x + img.w));
    EXPECT_LE(across, std::max(0, r.w - room) + KS_FRAME_SIDES) << "x " << r.x << " w " << r.w << " over the image from "
                                               << img.x << " to " << img.x + img.w;
  }
}

// OK in Find Bands takes its window away before the band detection dialog opens over it: no
// Cancel of it is left live behind the dialog.
TEST_F(JudgePlace, FindBandsIsGoneBeforeBandDetectionIsRefined) {
  IMAGE_REC* im = open_wide_gel();
  ASSERT_NE(im, nullptr);
  gt_fd_bnd_activate(win_, 0);
  TK_OBJ find = TKT_FindWindow("fd_bnd", "fd_bnd_win");
  ASSERT_NE(find, nullptr);
  bool find_left = true;
  const auto shown = vxtest::when_shown("refd_bnd", "refd_bnd_win", [&](TK_OBJ w) {
    TK_OBJ f = TKT_FindWindow("fd_bnd", "fd_bnd_win");
    find_left = f && WIN_IsShown(f);
    TKT_Click(RES_GetSub(w, 1));
  });
  TKT_Click(RES_GetSub(find, 0));  // OK
  ASSERT_TRUE(*shown);
  EXPECT_FALSE(find_left);
  EXPECT_EQ(TKT_FindWindow("fd_bnd", "fd_bnd_win"), nullptr);
}

}  // namespace
