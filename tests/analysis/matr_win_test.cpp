// The match matrix window offscreen: match file and viewer start, views, graph windows, closing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QImage>
#include <QtCore/qnamespace.h>

#include "analysis/dndr_win.h"
#include "analysis/lane_map.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_text.h"
#include "analysis/matr_win.h"
#include "cluster_fixture.h"
#include "model/control.h"
#include "res_fixture.h"
#include "shell/gt_chart.h"
#include "shell/gt_open.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

using namespace clustertest;

namespace {
int g_released = 0;
void release(LANE_MAP* map) {
  ++g_released;
  lmap_free(map);
}

// A matrix window on a fresh matrix of n lanes with a lane map; the viewer is a program that
// cannot start, so nothing runs beside the test.
TK_OBJ open_matrix(int n, const vxtest::TempDir& dir) {
  Mr m = matrix(n, [](int i, int j) { return static_cast<float>(3 * i + j); });
  LANE_MAP* map = lmap_new();
  for (int i = 0; i < n; ++i) {
    LMAP_LANE* l = lmap_get_lane(map, lmap_add_lane(map, "", "gel", std::to_string(i + 1).c_str(), 3));
    l->rf = {0.1 + 0.02 * i, 0.45, 0.8 - 0.03 * i};
  }
  matr_set_viewer_program(dir.file("no-viewer").c_str());
  TKT_AnswerChooser({});  // "Save Match Results...": cancelled, a temporary file is written
  TKT_AnswerAlert(1);     // the viewer cannot start
  return matr_activate(nullptr, m.release(), map, lmap_draw_bands, nullptr, release);
}
}  // namespace

TEST(MatrixWindow, WritesTheMatchFileAndShowsTheViews) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  g_released = 0;
  // "Save Match Results..." opens in the folder of the last image import.
  CONTROL* ctl = gt_get_control();
  const std::string saved_import = ctl->import_path;
  std::snprintf(ctl->import_path, sizeof ctl->import_path, "%s/", dir.str().c_str());
  TK_OBJ win = open_matrix(4, dir);
  std::snprintf(ctl->import_path, sizeof ctl->import_path, "%s", saved_import.c_str());
  ASSERT_NE(win, nullptr);
  EXPECT_EQ(TKT_LastChooser().caption, "Save Match Results...");
  EXPECT_EQ(std::filesystem::weakly_canonical(TKT_LastChooser().folder), std::filesystem::weakly_canonical(dir.str()));
  const std::string file = matr_last_match_file();
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_NE(TKT_LastAlertText().find("No such file"), std::string::npos);
  EXPECT_EQ(std::string(TEXT_GetText(RES_GetSub(win, 4))), matr_text_view(matr_matrix(win)));
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/matrix_picture.png").c_str());
  TKT_Pick(RES_GetSub(win, 0), 1);
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/matrix_text.png").c_str());
  TKT_Close(win);  // the close box ends the window and frees the matrix and the lane map
  EXPECT_EQ(g_released, 1);
  std::filesystem::remove(file);
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}

// Scrolled to the middle of a 40-lane matrix, the picture keeps its labels and lane numbers
// whole: the label pane is the same as with the body scrolled back to the left, the number row
// the same as with it scrolled back to the top, and the similarities show only in the body.
TEST(MatrixWindow, ScrolledPictureKeepsLabelsAndLaneNumbersWhole) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  TK_OBJ win = open_matrix(40, dir);
  ASSERT_NE(win, nullptr);
  TK_OBJ pic = RES_GetSub(win, 5);
  ASSERT_TRUE(WGT_IsShown(pic));
  short cw = 0, th = 0;
  ks_draw_text_size(pic, "m", &cw, &th);
  const int left = matr_picture_label_chars(matr_matrix(win)) * cw;
  const TkRect ext = CANVAS_GetExtent(pic), view = CANVAS_GetVisible(pic);
  ASSERT_GT(ext.w - view.w, 8 * cw) << "the picture does not scroll across";
  ASSERT_GT(ext.h - view.h, 4 * th) << "the picture does not scroll down";
  ASSERT_GT(view.w, left + 8 * cw);
  const char* grabs = std::getenv("VX_GRAB_DIR");
  auto grab = [&](int x, int y, const std::string& name) {
    CANVAS_ScrollTo(pic, x, y);
    const std::string png = (grabs ? std::string(grabs) : dir.path().string()) + "/" + name;
    EXPECT_TRUE(TKT_Grab(pic, png.c_str()));
    return QImage(png.c_str()).convertToFormat(QImage::Format_RGB32);
  };
  const int mx = (ext.w - view.w) / 2, my = (ext.h - view.h) / 2;
  const QImage middle = grab(mx, my, "matrix_scrolled.png");
  const QImage at_left = grab(0, my, "matrix_scrolled_left.png");
  const QImage at_top = grab(mx, 0, "matrix_scrolled_top.png");
  ASSERT_FALSE(middle.isNull());
  const QRect labels(0, th, left, view.h - th), numbers(left, 0, view.w - left, th);
  const QRect body(left, th, view.w - left, view.h - th);
  auto ink = [&](const QRect& r) {
    const QImage part = middle.copy(r);
    for (int y = 0; y < part.height(); ++y)
      for (int x = 0; x < part.width(); ++x)
        if (qGray(part.pixel(x, y)) < 128) return true;
    return false;
  };
  ASSERT_TRUE(ink(labels) && ink(numbers) && ink(body)) << "nothing drawn to compare";
  EXPECT_EQ(middle.copy(labels), at_left.copy(labels)) << "values drawn over the row labels";
  EXPECT_EQ(middle.copy(numbers), at_top.copy(numbers)) << "values drawn over the lane numbers";
  std::filesystem::remove(matr_last_match_file());
  WIN_Terminate(win);
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}

TEST(MatrixWindow, GraphsOpenOncePerKindAndCloseWithTheMatrix) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  for (bool graphs_first : {true, false}) {
    TK_OBJ win = open_matrix(5, dir);
    ASSERT_NE(win, nullptr);
    TK_OBJ d3 = matr_generate(win, 3);
    ASSERT_NE(d3, nullptr);
    EXPECT_EQ(matr_generate(win, 3), d3);  // asked again: the same window comes forward
    // The lane map draws each leaf's bands beside its label.
    ASSERT_TRUE(WGT_IsShown(RES_GetSub(d3, 0)));
    TKT_Click(RES_GetSub(d3, 0));
    EXPECT_GT(dndr_win_record(d3)->band_width, 0);
    EVENT_Flush();
    if (const char* d = std::getenv("VX_GRAB_DIR"))
      TKT_Grab(d3, (std::string(d) + "/dendrogram_bands.png").c_str());
    TK_OBJ d4 = matr_generate(win, 4);
    EXPECT_NE(d4, d3);
    TK_OBJ contig = matr_generate(win, 5);
    ASSERT_NE(contig, nullptr);
    EXPECT_EQ(matr_generate(win, 5), contig);
    if (graphs_first) {
      WIN_Terminate(d3);
      TK_OBJ again = matr_generate(win, 3);  // a closed graph is built anew
      ASSERT_NE(again, nullptr);
      WIN_Terminate(contig);
    }
    const std::string file = matr_last_match_file();
    WIN_Terminate(win);  // closes the graph windows still open, then frees the matrix
    std::filesystem::remove(file);
  }
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}

TEST(MatrixWindow, TableViewShowsTheSquareAndCtrlCCopiesTheBlock) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  auto cell = [](TK_OBJ table, int row, int col) {
    TABLE_Select(table, row, col, 1, 1);
    return TABLE_SelectionText(table);
  };
  // One lane: 8 rows by 3 columns, 100 in its one matrix cell.
  TK_OBJ one = open_matrix(1, dir);
  ASSERT_NE(one, nullptr);
  TK_OBJ table = RES_GetSub(one, 6);
  ASSERT_TRUE(TABLE_Is(table));
  EXPECT_EQ(TABLE_Rows(table), 8);
  EXPECT_EQ(TABLE_Cols(table), 3);
  EXPECT_EQ(cell(table, 7, 2), "100\t\n");
  std::filesystem::remove(matr_last_match_file());
  WIN_Terminate(one);

  TK_OBJ win = open_matrix(4, dir);
  ASSERT_NE(win, nullptr);
  table = RES_GetSub(win, 6);
  EXPECT_FALSE(WGT_IsShown(table));
  TKT_Pick(RES_GetSub(win, 0), 2);  // the view option's third item: the table
  EXPECT_TRUE(WGT_IsShown(table));
  EXPECT_FALSE(WGT_IsShown(RES_GetSub(win, 4)));
  EXPECT_FALSE(WGT_IsShown(RES_GetSub(win, 5)));
  EXPECT_EQ(TABLE_Rows(table), 11);
  EXPECT_EQ(TABLE_Cols(table), 6);
  // Labels and similarities of the first two lanes (distance 3i + j), copied with Ctrl+C.
  TABLE_Select(table, 7, 1, 2, 2);
  TKT_Key(table, Qt::Key_C, TK_MOD_CTRL);
  EXPECT_EQ(TK_ClipboardText(), "gel:1:\t100\t\ngel:2:\t 97\t\n");
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/matrix_table.png").c_str());
  std::filesystem::remove(matr_last_match_file());
  WIN_Terminate(win);
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}

TEST(MatrixWindow, TwoWindowsEachFreeTheirOwnMatrixInEitherClosingOrder) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  for (bool first_goes_first : {true, false}) {
    g_released = 0;
    TK_OBJ a = open_matrix(3, dir);
    const std::string fa = matr_last_match_file();
    TK_OBJ b = open_matrix(6, dir);
    const std::string fb = matr_last_match_file();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(matr_generate(a, 1), nullptr);
    ASSERT_NE(matr_generate(b, 5), nullptr);
    EXPECT_EQ(ks_mr_count(matr_matrix(a)), 3);
    WIN_Terminate(first_goes_first ? a : b);
    // The other window's matrix is whole: its graphs still open anew over it.
    TK_OBJ left = first_goes_first ? b : a;
    EXPECT_EQ(ks_mr_count(matr_matrix(left)), first_goes_first ? 6 : 3);
    EXPECT_NE(matr_generate(left, 2), nullptr);
    WIN_Terminate(left);
    EXPECT_EQ(g_released, 2);
    std::filesystem::remove(fa);
    std::filesystem::remove(fb);
  }
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}
