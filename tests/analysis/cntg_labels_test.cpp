// The contig map's labels pane: it follows the bars up and down but stays when they scroll
// sideways.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "analysis/cntg_win.h"
#include "analysis/dndr_win.h"
#include "cluster_fixture.h"
#include "res_fixture.h"
#include "test_support.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

using namespace clustertest;

namespace {

// The area's picture, as the user sees it.
QImage picture(TK_OBJ area, const std::string& png) {
  WGT_Redraw(area);
  EVENT_Flush();
  EXPECT_TRUE(TKT_Grab(area, png.c_str()));
  return QImage(png.c_str());
}

// Dark pixels in a rectangle of a picture.
int dark(const QImage& img, int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = std::max(0, y0); y < std::min(img.height(), y0 + h); ++y)
    for (int x = std::max(0, x0); x < std::min(img.width(), x0 + w); ++x) n += qGray(img.pixel(x, y)) < 100;
  return n;
}

}  // namespace

TEST(ContigLabels, TheLabelsPaneScrollsOnlyUpAndDown) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  Mr m = matrix(30, [](int i, int j) { return static_cast<float>((i * 7 + j * 3) % 60); });
  TK_OBJ win = cntg_activate(nullptr, m.get(), DNDR_HOST{});
  ASSERT_NE(win, nullptr);
  tk::widget(win)->resize(360, 420);
  EVENT_Flush();
  TK_OBJ area = RES_GetSub(win, 3);
  const DNDR_REC* rec = cntg_win_record(win);
  const int label_pane = rec->left_margin;
  CANVAS_ScrollTo(area, 0, 0);
  const QImage home = picture(area, dir.file("home.png"));
  const TkRect v0 = CANVAS_GetVisible(area);
  ASSERT_GT(label_pane, 20);
  ASSERT_GT(label_pane, v0.w / 8);
  // The labels below the legend.
  const int top = 8 * graph_text_height(area);
  ASSERT_GT(dark(home, 0, top, label_pane, v0.h - top), 50) << "no labels drawn";

  // Sideways: the labels pane shows the same, the bars have moved.
  CANVAS_ScrollTo(area, 10000, 0);
  const TkRect v1 = CANVAS_GetVisible(area);
  ASSERT_GT(v1.x, 0) << "the map cannot scroll sideways";
  const QImage side = picture(area, dir.file("side.png"));
  EXPECT_EQ(home.copy(0, top, label_pane, v0.h - top), side.copy(0, top, label_pane, v0.h - top));
  EXPECT_NE(home.copy(label_pane, top, v0.w - label_pane, v0.h - top), side.copy(label_pane, top, v0.w - label_pane, v0.h - top));

  // Up and down: the labels move with the bars.
  CANVAS_ScrollTo(area, 0, 10000);
  ASSERT_GT(CANVAS_GetVisible(area).y, 0) << "the map cannot scroll up and down";
  const QImage down = picture(area, dir.file("down.png"));
  EXPECT_NE(home.copy(0, top, label_pane, v0.h - top), down.copy(0, top, label_pane, v0.h - top));
  if (const char* d = std::getenv("VX_GRAB_DIR")) side.save((std::string(d) + "/contig_scrolled.png").c_str());
  WIN_Terminate(win);
  TKT_Enable(false);
}
