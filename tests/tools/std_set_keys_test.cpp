// The standard set editor typed as a user types a ladder: a value, Enter, the next value, Enter:
// each value goes into the next row, none overwrites the one before.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QtTest/QTest>
#include <string>
#include <vector>

#include "gel_record.h"
#include "toolkit/tk_grid.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_label_grid.h"

namespace {

class StandardSetKeys : public toolstest::GelTest {};

// Types `text` into the grid as at the keyboard: the first key opens the current cell's editor,
// the rest goes into it, and Enter ends it.
void type_value(TK_OBJ grid, const std::string& text) {
  TKT_GridKey(grid, text[0]);
  auto* view = tk::widget(grid)->findChild<QTableView*>();
  ASSERT_NE(view, nullptr);
  auto* line = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
  ASSERT_NE(line, nullptr) << "no cell editor opened for " << text;
  QTest::keyClicks(line, QString::fromStdString(text.substr(1)));
  QTest::keyClick(line, Qt::Key_Return);
  QCoreApplication::processEvents();  // the editor ends through the event loop
}

TEST_F(StandardSetKeys, EnterMovesToTheNextRow) {
  std::vector<std::string> cells;
  std::vector<int> rows;
  QTimer::singleShot(0, [&] {
    TK_OBJ w = TKT_FindWindow("crt_std", "crt_std_win");
    ASSERT_NE(w, nullptr);
    TK_OBJ grid = RES_GetSub(w, 1);
    GRID_MoveTo(grid, 0, 0);
    for (const char* v : {"1000", "750", "500"}) {
      type_value(grid, v);
      rows.push_back(GRID_CurrentRow(grid));
    }
    // Enter on a cell without typing moves on as well; the row it leaves keeps its value.
    GRID_MoveTo(grid, 1, 0);
    TKT_GridKey(grid, Qt::Key_Return);
    rows.push_back(GRID_CurrentRow(grid));
    // The last row stays the last.
    GRID_MoveTo(grid, GRID_Rows(grid) - 1, 0);
    type_value(grid, "25");
    rows.push_back(GRID_CurrentRow(grid));
    const LabelCells& c = lbl_grid(grid)->cells;
    for (int r : {0, 1, 2, 3, GRID_Rows(grid) - 1}) cells.push_back(c.at(r, 0));
    TKT_Close(w);
  });
  gt_crt_std_activate(nullptr);
  EXPECT_EQ(cells, (std::vector<std::string>{"1000", "750", "500", "", "25"}));
  EXPECT_EQ(rows, (std::vector<int>{1, 2, 3, 2, 99}));
}

}  // namespace
