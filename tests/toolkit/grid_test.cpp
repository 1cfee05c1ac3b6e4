// The editing grid: in-place edits and their length cap, the information line, the copy key,
// and the client data freed with the grid.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QTimer>
#include <string>
#include <vector>

#include "toolkit/tk_event.h"
#include "toolkit/tk_grid.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

// Cells of a 3 x 4 grid; row 2 is read-only.
struct Cells {
  int rows = 4, cols = 3;
  std::vector<std::string> text = std::vector<std::string>(12);
  std::string& at(int r, int c) { return text[static_cast<std::size_t>(r * cols + c)]; }
};

Cells* cells_of(TK_OBJ g) { return static_cast<Cells*>(GRID_GetData(g)); }
const char* cell(TK_OBJ g, int r, int c) { return cells_of(g)->at(r, c).c_str(); }
void store(TK_OBJ g, int r, int c, const char* t) { cells_of(g)->at(r, c) = t; }
int can_edit(TK_OBJ, int r, int) { return r != 2; }
std::string heading(TK_OBJ, int r, int c) { return r < 0 ? "C" + std::to_string(c) : "R" + std::to_string(r); }
std::string info(TK_OBJ g, int r, int c) {
  if (r >= 0 && c >= 0) return cell(g, r, c);
  if (r < 0 && c >= 0) return "col " + std::to_string(c);
  if (c < 0 && r >= 0) return "row " + std::to_string(r);
  return "";
}
int g_freed = 0;
void free_cells(void* p) {
  ++g_freed;
  delete static_cast<Cells*>(p);
}

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RES_HasWindow("tk_grid", "w")) {
      ASSERT_TRUE(RES_OpenText("module tk_grid\nwindow w { part 0 group { size 300 200 } }\n"));
    }
    TKT_Enable(true);
    win = WIN_Load("tk_grid", "w");
    ASSERT_NE(win, nullptr);
    WIN_Init(win);
    grid = RES_GetSub(win, 0);
    GRID_Attach(grid);
    ASSERT_EQ(GRID_Is(grid), 1);
    GRID_SetData(grid, new Cells, free_cells);
    TkGridProcs p;
    p.cell = cell, p.store = store, p.can_edit = can_edit, p.heading = heading, p.info = info;
    GRID_SetProcs(grid, p);
    GRID_SetMaxLen(grid, 5);
    GRID_SetSize(grid, 4, 3);
    WIN_Show(win);
  }
  void TearDown() override {
    if (win) WIN_Terminate(win);
    TKT_Enable(false);
  }
  Cells& c() { return *cells_of(grid); }
  TK_OBJ win = nullptr, grid = nullptr;
};

TEST_F(GridTest, EditsAreCutToTheCapAndOnlyWhereAllowed) {
  EXPECT_TRUE(TKT_GridEdit(grid, 0, 1, "abcdefgh"));
  EXPECT_EQ(c().at(0, 1), "abcde");
  EXPECT_FALSE(TKT_GridEdit(grid, 2, 0, "x"));  // a read-only row
  EXPECT_EQ(c().at(2, 0), "");
  EXPECT_FALSE(TKT_GridEdit(grid, 4, 0, "x"));  // outside the data

  // An edit left open is stored when the dialog ends it.
  EXPECT_TRUE(TKT_GridEdit(grid, 3, 2, "open", false));
  EXPECT_EQ(GRID_Editing(grid), 1);
  EXPECT_EQ(c().at(3, 2), "");
  EXPECT_EQ(GRID_EndEdit(grid), 1);
  EXPECT_EQ(c().at(3, 2), "open");
  EXPECT_EQ(GRID_EndEdit(grid), 0);

  // The cap counts bytes and never splits a character: "ab" + two 2-byte letters is 6 bytes.
  GRID_SetMaxLen(grid, 5);
  EXPECT_TRUE(TKT_GridEdit(grid, 1, 0, "ab\xc3\xa9\xc3\xa9"));
  EXPECT_EQ(c().at(1, 0), "ab\xc3\xa9");
}

TEST_F(GridTest, InformationLineFollowsThePlace) {
  c().at(1, 2) = "val";
  struct Case {
    int row, col;
    const char* shown;
  } cases[] = {{1, 2, "val"}, {0, 0, " "}, {-1, 1, "col 1"}, {3, -1, "row 3"}, {-1, -1, " "}};
  for (const Case& k : cases) {
    GRID_MoveTo(grid, k.row, k.col);
    EXPECT_STREQ(GRID_InfoText(grid), k.shown) << k.row << "," << k.col;
  }
}

TEST_F(GridTest, CopyKeyPutsTheBlockOnTheClipboard) {
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 3; ++k) c().at(r, k) = std::string(1, char('a' + r * 3 + k));
  QApplication::clipboard()->setText("before");
  GRID_Select(grid, 0, 0, 0, 0);  // nothing selected: nothing copied
  TKT_GridKey(grid, Qt::Key_C, TK_MOD_CTRL);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "before");

  struct Case {
    int row, col, rows, cols;
    const char* text;
  } cases[] = {
      {1, 1, 2, 2, "e\tf\t\nh\ti\t\n"},
      {2, -1, 1, 0, "g\th\ti\t\n"},             // from a row heading: the whole row
      {-1, 0, 0, 1, "a\t\nd\t\ng\t\nj\t\n"},    // from a column heading: the whole column
  };
  for (const Case& k : cases) {
    GRID_Select(grid, k.row, k.col, k.rows, k.cols);
    TKT_GridKey(grid, Qt::Key_C, TK_MOD_CTRL);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), k.text);
  }

  // No fixed buffer: a block far larger than 32 KB is copied whole.
  GRID_SetMaxLen(grid, -1);
  for (std::string& t : c().text) t = std::string(4000, 'x');
  GRID_Select(grid, 0, -1, 4, 0);
  EXPECT_EQ(GRID_CopySelection(grid), 1);
  EXPECT_EQ(QApplication::clipboard()->text().size(), 12 * 4001 + 4);
}

// Runs an event loop once: the widgets of ended windows go then.
void run_loop() {
  QEventLoop loop;
  QTimer::singleShot(0, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST_F(GridTest, DestroyingTheGridFreesItsData) {
  run_loop();  // earlier tests' windows
  const int before = g_freed;
  WIN_Terminate(win);
  win = nullptr;
  run_loop();
  EXPECT_EQ(g_freed, before + 1);
}

}  // namespace
