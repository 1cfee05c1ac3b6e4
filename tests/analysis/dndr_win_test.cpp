// The dendrogram window offscreen: title, layout, clicks on leaves, band column, closing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "analysis/dndr_win.h"
#include "cluster_fixture.h"
#include "res_fixture.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

#include <QImage>

#include "test_support.h"

using namespace clustertest;

namespace {
int g_clicked = -1;
int g_band_rows = 0;
int g_closed = 0;
void row_op(const MATCH_MATRIX*, int row) { g_clicked = row; }
void bands(TK_OBJ, void*, int, int x0, int x1, int y0, int y1) {
  if (x1 > x0 && y1 >= y0) ++g_band_rows;
}
void closed(TK_OBJ, void* data) { ++*static_cast<int*>(data); }
}  // namespace

TEST(DendrogramWindow, OpensClicksAndCloses) {
  analysistest::load_messages();
  TKT_Enable(true);
  Mr m = matrix(6, [](int i, int j) { return static_cast<float>(5 * (i + j) + i); });
  DNDR_HOST host;
  host.row_op = row_op;
  host.draw_bands = bands;
  host.closed = closed;
  host.owner_data = &g_closed;
  for (int choice = 1; choice <= 4; ++choice) {
    TK_OBJ win = dndr_activate(nullptr, m.get(), dndr_rule_of_choice(choice), host);
    ASSERT_NE(win, nullptr);
    const DNDR_REC* rec = dndr_win_record(win);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(dndr_leaf_count(rec), 6);
    EXPECT_GT(rec->tree_width, 0);
    EXPECT_EQ(rec->band_width, 0);  // the band toggle starts off
    TK_OBJ area = RES_GetSub(win, 2);
    // A press on the third leaf's row reports its lane.
    const int y = ks_scale_to_pixel(&rec->position_scale, 2.0) - CANVAS_GetVisible(area).y;
    g_clicked = -1;
    TKT_Press(area, 40, y);
    EXPECT_EQ(g_clicked, dndr_leaf_at(rec, 2)) << choice;
    // The band column takes half the width left of the labels.
    g_band_rows = 0;
    TKT_Click(RES_GetSub(win, 0));
    EXPECT_GT(rec->band_width, 0);
    EXPECT_EQ(g_band_rows, 6);
    if (const char* dir = std::getenv("VX_GRAB_DIR"))
      TKT_Grab(win, (std::string(dir) + "/dendrogram_" + std::to_string(choice) + ".png").c_str());
    WIN_Terminate(win);
  }
  EXPECT_EQ(g_closed, 4);
  TKT_Enable(false);
}

TEST(DendrogramWindow, WithoutBandPatternsThereIsNoBandColumn) {
  analysistest::load_messages();
  TKT_Enable(true);
  Mr one = matrix(1, [](int, int) { return 0.0f; });
  TK_OBJ win = dndr_activate(nullptr, one.get(), dndr_link_average, DNDR_HOST{});
  ASSERT_NE(win, nullptr);
  TKT_Click(RES_GetSub(win, 0));
  EXPECT_EQ(dndr_win_record(win)->band_width, 0);
  EXPECT_EQ(dndr_win_record(win)->tree_width, 0 + dndr_win_record(win)->label_start -
                                                  dndr_win_record(win)->left_margin);
  if (const char* dir = std::getenv("VX_GRAB_DIR"))
    TKT_Grab(win, (std::string(dir) + "/dendrogram_one.png").c_str());
  WIN_Terminate(win);
  // Identical lanes: a tree of height 0, a bar at the leaves' end.
  Mr same = matrix(4, [](int, int) { return 0.0f; });
  win = dndr_activate(nullptr, same.get(), dndr_link_min, DNDR_HOST{});
  ASSERT_NE(win, nullptr);
  if (const char* dir = std::getenv("VX_GRAB_DIR"))
    TKT_Grab(win, (std::string(dir) + "/dendrogram_identical.png").c_str());
  WIN_Terminate(win);
  TKT_Enable(false);
}

TEST(DendrogramWindow, PictureIsOnePageWideAndCopiesToTheClipboard) {
  analysistest::load_messages();
  TKT_Enable(true);
  const TkPageSetup saved = PRINT_GetDefaults();
  TkPageSetup a4 = saved;
  a4.paper = TK_PAPER_A4;  // 595 x 842 points, 36-point margins
  PRINT_SetDefaults(a4);
  DNDR_HOST host;
  host.draw_bands = bands;
  struct Case {
    int lanes, lines_per_lane;
  };
  for (const Case c : {Case{6, 2}, Case{300, 1}}) {
    SCOPED_TRACE(c.lanes);
    Mr m = matrix(c.lanes, [](int i, int j) { return static_cast<float>((7 * i + 3 * j) % 90); });
    TK_OBJ win = dndr_activate(nullptr, m.get(), dndr_link_max, host);
    ASSERT_NE(win, nullptr);
    TK_OBJ area = RES_GetSub(win, 2);
    const double px_per_pt = CANVAS_PixelsPerInch(area) / 72.27;
    const int th = graph_text_height(area);
    const int upright = static_cast<int>(523 * px_per_pt + 0.5);
    const int turned = static_cast<int>(770 * px_per_pt + 0.5);
    EXPECT_EQ(CANVAS_GetExtent(area).w, upright);
    // The leaves, the legend's eight lines and the axis strip.
    EXPECT_EQ(CANVAS_GetExtent(area).h, (c.lanes * c.lines_per_lane + 8) * th + 2 * th);
    TKT_Click(RES_GetSub(win, 4));  // the page turned
    EXPECT_EQ(CANVAS_GetExtent(area).w, turned);
    EXPECT_EQ(dndr_win_record(win)->label_start, dndr_win_record(win)->left_margin +
                                                      dndr_win_record(win)->tree_width);
    TKT_Click(RES_GetSub(win, 4));
    EXPECT_EQ(CANVAS_GetExtent(area).w, upright);
    // Showing the bands turns the page for their room.
    TKT_Click(RES_GetSub(win, 0));
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, 4)), 1);
    EXPECT_EQ(CANVAS_GetExtent(area).w, turned);
    EXPECT_GT(dndr_win_record(win)->band_width, 0);
    // The copy button puts what the area shows on the clipboard as a picture.
    TKT_Click(RES_GetSub(win, 6));
    int w = 0, h = 0;
    ASSERT_TRUE(TK_ClipboardImageSize(&w, &h));
    EXPECT_EQ(w, CANVAS_GetVisible(area).w);
    EXPECT_EQ(h, CANVAS_GetVisible(area).h);
    WIN_Terminate(win);
  }
  PRINT_SetDefaults(saved);
  TKT_Enable(false);
}

TEST(DendrogramWindow, PrintsToPostScriptThatGhostscriptRenders) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  Mr m = matrix(8, [](int i, int j) { return static_cast<float>(4 * i + 2 * j); });
  TK_OBJ win = dndr_activate(nullptr, m.get(), dndr_link_average, DNDR_HOST{});
  ASSERT_NE(win, nullptr);
  const std::string ps = dir.file("tree.ps"), png = dir.file("tree.png");
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  TKT_Click(RES_GetSub(win, 3));
  WIN_Terminate(win);
  TKT_Enable(false);
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -o '" + png +
                          "' '" + ps + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "Ghostscript cannot render " << ps;
  const QImage out(png.c_str());
  ASSERT_FALSE(out.isNull());
  int dark = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) dark += qGray(out.pixel(x, y)) < 128;
  EXPECT_GT(dark, 200) << "the tree and its labels are on the page";
}
