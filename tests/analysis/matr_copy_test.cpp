// The match matrix window's table copied with the copy key, whole rows and columns without their
// numbers, and the picture's row labels written whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <QtCore/qnamespace.h>

#include "analysis/lane_map.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_text.h"
#include "analysis/matr_win.h"
#include "cluster_fixture.h"
#include "res_fixture.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

using namespace clustertest;

TEST(MatrixCopy, TheCopyKeyTakesWholeRowsAndColumnsWithoutTheirNumbers) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  Mr m = matrix(3, [](int i, int j) { return static_cast<float>(3 * i + j); });
  matr_set_viewer_program(dir.file("no-viewer").c_str());
  TKT_AnswerChooser({});
  TKT_AnswerAlert(1);
  TK_OBJ win = matr_activate(nullptr, m.release(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(win, nullptr);
  TKT_Pick(RES_GetSub(win, 0), 2);  // the table
  TK_OBJ table = RES_GetSub(win, 6);
  const int rows = TABLE_Rows(table), cols = TABLE_Cols(table);
  ASSERT_EQ(rows, 10);
  ASSERT_EQ(cols, 5);
  struct Case {
    const char* what;
    int row, col, nrows, ncols;
    std::string text;
  } cases[] = {
      // Rows 7 and 8 whole: the labels and similarities, not the row numbers.
      {"whole rows", 7, 0, 2, cols, "gel:1:\t100\t 97\t 94\t\ngel:2:\t 97\t100\t 93\t\n"},
      // Column 2 whole: from row 1 down, not the lane number of row 0.
      {"whole column", 0, 2, rows, 1, "unknown\t\n0.000\t\n0.000\t\n0.000\t\n0.000\t\n\t\n100\t\n 97\t\n 94\t\n"},
      {"a block", 8, 2, 2, 2, " 97\t100\t\n 94\t 93\t\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TABLE_Select(table, c.row, c.col, c.nrows, c.ncols);
    TKT_Key(table, Qt::Key_C, TK_MOD_CTRL);
    EXPECT_EQ(TK_ClipboardText(), c.text);
    EXPECT_EQ(TK_ClipboardText(), matr_copy_text(matr_matrix(win), c.col, c.row, c.ncols, c.nrows));
  }
  std::filesystem::remove(matr_last_match_file());
  WIN_Terminate(win);
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}

TEST(MatrixCopy, PictureRowLabelsAreWrittenWhole) {
  Mr m(ks_mr_new(2));
  ks_mr_set_entry(m.get(), 0, "ladder", "/gels/a.kes");
  ks_mr_set_entry(m.get(), 1, "a_long_gel_name.kes:12:sample twelve", "/gels/b.kes");
  ks_mr_set_dist(m.get(), 1, 0, 10.0f);
  EXPECT_EQ(matr_picture_row_label(m.get(), 0), "   1: ladder              ");
  EXPECT_EQ(matr_picture_row_label(m.get(), 1), "   2: a_long_gel_name.kes:12:sample twelve");
  // The body starts after the longest label and a blank.
  EXPECT_EQ(matr_picture_label_chars(m.get()), 6 + 36 + 1);
  Mr short_labels(ks_mr_new(1));
  ks_mr_set_entry(short_labels.get(), 0, "x", "/gels/a.kes");
  EXPECT_EQ(matr_picture_label_chars(short_labels.get()), 27);
}
