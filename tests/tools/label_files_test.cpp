// The label grids' files: label values, categories, lane selections and standard sets, as
// written and as read back, hostile lines, and writes that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "file_faults.h"
#include "test_support.h"
#include "tools/lbl_files.h"

namespace {

LabelCells cells(int cols, int rows, int cap) {
  LabelCells g;
  g.resize(cols, rows, cap);
  return g;
}

std::vector<std::string> row(const LabelCells& g, int r) {
  std::vector<std::string> out;
  for (int c = 0; c < g.cols; ++c) out.push_back(g.at(r, c));
  return out;
}

using Row = std::vector<std::string>;

TEST(LabelFile, RoundTripKeepsEveryCellInItsRow) {
  vxtest::TempDir dir;
  const std::string path = dir.file("lanechar.csv");
  LabelCells g = cells(3, 4, 20);
  const std::string twenty = "abcdefghijklmnopqrst";
  g.set(0, 0, twenty), g.set(0, 1, "x, y"), g.set(0, 2, "");
  g.set(1, 0, "gone");
  g.set(2, 0, "a\"b"), g.set(2, 1, twenty), g.set(2, 2, "c");
  g.set(3, 1, "d");
  // Row 1 is removed from the file: the rows after it must still load into their own rows.
  ASSERT_EQ(lbl_lanechar_write(g, {"A", LBL_REMOVE, "C", "D"}, path.c_str()), 0);
  EXPECT_EQ(vxtest::read_text(path),
            "\"A\",\"abcdefghijklmnopqrst\",\"x, y\",\"\"\n"
            "\"C\",\"a\"b\",\"abcdefghijklmnopqrst\",\"c\"\n"
            "\"D\",\"\",\"d\",\"\"\n");
  LabelCells back = cells(3, 4, 20);
  back.set(1, 1, "stale");
  ASSERT_EQ(lbl_lanechar_read(back, {"A", "B", "C", "D"}, path.c_str()), 0);
  EXPECT_EQ(row(back, 0), (Row{twenty, "x, y", ""}));
  EXPECT_EQ(row(back, 1), (Row{"", "", ""}));
  EXPECT_EQ(row(back, 2), (Row{"ab", twenty, "c"}));  // a quote inside a cell is dropped
  EXPECT_EQ(row(back, 3), (Row{"", "d", ""}));

  // Rows past the tenth have no row box and are not saved; not-set rows neither.
  LabelCells many = cells(1, 12, 20);
  for (int r = 0; r < 12; ++r) many.set(r, 0, std::to_string(r));
  std::vector<std::string> as;
  for (int r = 0; r < 12; ++r) as.push_back(r == 3 ? LBL_NOT_SET : "K" + std::to_string(r));
  ASSERT_EQ(lbl_lanechar_write(many, as, path.c_str()), 0);
  const std::string text = vxtest::read_text(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9);
  EXPECT_EQ(text.find("\"K3\""), std::string::npos);
  EXPECT_EQ(text.find("\"K10\""), std::string::npos);

  LabelCells none;
  EXPECT_EQ(lbl_lanechar_write(none, {"A"}, path.c_str()), -1);
}

TEST(LabelFile, ReadsLinesByTheirCategory) {
  vxtest::TempDir dir;
  const std::string path = dir.file("l.csv");
  vxtest::write_text(path,
      "\"C\",\"c1\",\"c2\",\"c3\",\"extra\"\r\n"   // CRLF, a field too many
      "  \"A\",\"a1\"\n"                            // blanks first; short: the rest stays empty
      "\"Z\",\"z1\",\"z2\"\n"                       // no such category
      "D,plain,\"q\"uote\"\n"                       // unquoted fields
      "\"B\",\"123456789012345678901234\",\"b2\"\n" // a long cell is cut without shifting
      "\"B\",\"later\"\n"                          // B loaded already: left out
      "\n"
      "\"D\",\"\"\n");                             // D too, though it would empty the row
  LabelCells g = cells(3, 4, 20);
  std::vector<LblSkippedLine> skipped;
  ASSERT_EQ(lbl_lanechar_read(g, {"A", "B", "C", "D"}, path.c_str(), &skipped), 0);
  EXPECT_EQ(row(g, 0), (Row{"a1", "", ""}));
  EXPECT_EQ(row(g, 1), (Row{"12345678901234567890", "b2", ""}));
  EXPECT_EQ(row(g, 2), (Row{"c1", "c2", "c3"}));
  EXPECT_EQ(row(g, 3), (Row{"plain", "quote", ""}));
  ASSERT_EQ(skipped.size(), 2u);
  EXPECT_EQ(skipped[0].line, 6);
  EXPECT_EQ(skipped[0].category, "B");
  EXPECT_EQ(skipped[1].line, 8);
  EXPECT_EQ(skipped[1].category, "D");
  // Each reading starts afresh: the same line is loaded again, and nothing is left out.
  vxtest::write_text(path, "\"B\",\"b1\"\n");
  ASSERT_EQ(lbl_lanechar_read(g, {"A", "B", "C", "D"}, path.c_str(), &skipped), 0);
  EXPECT_EQ(row(g, 1), (Row{"b1", "", ""}));
  EXPECT_TRUE(skipped.empty());

  g.set(0, 0, "kept");
  EXPECT_EQ(lbl_lanechar_read(g, {"A"}, dir.file("missing.csv").c_str()), -1);
  EXPECT_EQ(g.at(0, 0), "kept");
}

TEST(SelectionFile, LayoutAndLoading) {
  vxtest::TempDir dir;
  const std::string path = dir.file("s.sel");
  LabelCells g = cells(LBL_SEL_COLS, LBL_SEL_ROWS, LBL_CELL_LEN);
  g.set(2, 0, "dose"), g.set(2, 2, "high");
  ASSERT_EQ(lbl_sel_write(g, path.c_str()), 0);
  EXPECT_EQ(vxtest::read_text(path), "\n\n\"dose\",\"\",\"high\"\n");

  const std::vector<std::string> cats = {"strain", "dose", "temp"};
  vxtest::write_text(path, "\"dose\",\"low\",\"high\"\nnothing,1\n  strain , K12\n");
  int asked = 0;
  auto yes = [&] { return ++asked, true; };
  LabelCells back = cells(LBL_SEL_COLS, LBL_SEL_ROWS, LBL_CELL_LEN);
  ASSERT_EQ(lbl_sel_read(back, cats, path.c_str(), yes), 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(row(back, 1), (Row{"dose", "low", "high", "", ""}));  // first line, second category
  EXPECT_EQ(row(back, 0), (Row{"", "", "", "", ""}));  // "strain " is no category

  // Too many lines or fields: asked first; "no" leaves the grid as it was.
  std::string big;
  for (int i = 0; i < 11; ++i) big += i == 0 ? "temp,1,2,3,4,5,6\n" : "dose,x\n";
  vxtest::write_text(path, big);
  EXPECT_EQ(lbl_sel_read(back, cats, path.c_str(), [&] { return ++asked, false; }), -1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(back.at(1, 1), "low");
  ASSERT_EQ(lbl_sel_read(back, cats, path.c_str(), yes), 0);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(row(back, 2), (Row{"temp", "1", "2", "3", "4"}));
  EXPECT_EQ(row(back, 1), (Row{"dose", "x", "", "", ""}));  // three lines read: as many as categories

  // A category without a row (the eleventh) is passed over.
  std::vector<std::string> eleven;
  for (int i = 0; i < 11; ++i) eleven.push_back("k" + std::to_string(i));
  vxtest::write_text(path, "k10,v\nk0,w\n");
  ASSERT_EQ(lbl_sel_read(back, eleven, path.c_str(), yes), 0);
  EXPECT_EQ(back.at(0, 1), "w");
  for (const std::string& cell : back.cell)
    EXPECT_NE(cell, "v");
}

TEST(StandardSetFile, LayoutLoadingAndNumbers) {
  vxtest::TempDir dir;
  const std::string path = dir.file("s.std");
  LabelCells g = cells(1, LBL_STD_ROWS, LBL_CELL_LEN);
  g.set(0, 0, "100"), g.set(1, 0, "50.5"), g.set(3, 0, "-2");
  ASSERT_EQ(lbl_std_write(g, path.c_str()), 0);
  EXPECT_EQ(vxtest::read_text(path), "100\n50.5\n\n-2\n");
  EXPECT_FALSE(lbl_any_not_number(g));
  for (const char* bad : {"1-2", "1.2.3", "12a"}) {
    LabelCells b = g;
    b.set(5, 0, bad);
    EXPECT_TRUE(lbl_any_not_number(b)) << bad;
  }

  int asked = 0;
  vxtest::write_text(path, "  7,8\n\"9\"\n");
  LabelCells back = cells(1, LBL_STD_ROWS, LBL_CELL_LEN);
  ASSERT_EQ(lbl_std_read(back, path.c_str(), [&] { return ++asked, true; }), 0);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(back.at(0, 0), "7");
  EXPECT_EQ(back.at(1, 0), "9");

  std::string lines;
  for (int i = 1; i <= 120; ++i) lines += std::to_string(i) + "\n";
  vxtest::write_text(path, lines);
  EXPECT_EQ(lbl_std_read(back, path.c_str(), [] { return false; }), -1);
  EXPECT_EQ(back.at(0, 0), "7");
  ASSERT_EQ(lbl_std_read(back, path.c_str(), [] { return true; }), 0);
  EXPECT_EQ(back.at(99, 0), "100");
  EXPECT_EQ(back.at(2, 0), "3");
}

TEST(LabelFiles, FailedWriteKeepsTheOldFile) {
  vxtest::TempDir dir;
  LabelCells g = cells(1, 3, 20);
  g.set(0, 0, "1");
  const std::string path = dir.file("old.txt");
  const std::vector<std::function<int()>> writers = {
      [&] { return lbl_lanechar_write(g, {"A"}, path.c_str()); },
      [&] { return lbl_cat_write({"A", "B"}, path.c_str()); },
      [&] { return lbl_sel_write(g, path.c_str()); },
      [&] { return lbl_std_write(g, path.c_str()); },
  };
  for (const auto& write : writers) {
    vxtest::write_text(path, "previous\n");
    {
      vxtest::FileFaults full({.write_budget = 1});
      EXPECT_EQ(write(), -1);
    }
    EXPECT_EQ(vxtest::read_text(path), "previous\n");
    EXPECT_EQ(write(), 0);
    EXPECT_NE(vxtest::read_text(path), "previous\n");
  }
  EXPECT_EQ(vxtest::read_text(path), "1\n");
  ASSERT_EQ(lbl_cat_write({"B", "A"}, path.c_str()), 0);
  EXPECT_EQ(vxtest::read_text(path), "\"B\"\n\"A\"\n");
}

}  // namespace
