// The band report window and its files: CSV text, saving with the overwrite question and a
// failing writer, the table's copy, and a report shown in both layouts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "analysis/band_rep.h"
#include "analysis/rep_cfg.h"
#include "analysis/rep_file.h"
#include "analysis/rep_walk.h"
#include "base/ks_choose.h"
#include "file_faults.h"
#include "io/analysis_io.h"
#include "report_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

using vxtest::ReportTest;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(ReportTest, CsvReadsBackIntoTheGridTexts) {
  vxtest::TempDir dir;
  const std::vector<std::vector<std::string>> grid = {
      {"Title, with comma", ""},
      {"say \"hi\"", "  padded  "},
      {"", "last"}};
  const std::string csv = rep_csv(grid, 2);
  EXPECT_EQ(csv.substr(0, 22), "\"Title, with comma\",,\n");
  const std::string path = dir.file("r.csv");
  ASSERT_TRUE(rep_write_file(path, csv));
  const std::string out = dir.file("out.txt");
  const std::string cmd = "python3 -c \"import csv,sys\nfor r in csv.reader(open(sys.argv[1], newline='')):"
                          " print('|'.join(r))\" " + path + " > " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "python3 with its csv module is needed";
  // Each row ends with a comma: one empty field more than the grid's columns.
  EXPECT_EQ(slurp(out), "Title, with comma||\nsay \"hi\"|  padded  |\n|last|\n");
  // A grid without quotes is written as it always was.
  EXPECT_EQ(rep_csv({{"a", "b"}}, 3), "\"a\",\"b\",,\n");
}

TEST_F(ReportTest, SavingAppendsTheExtensionAsksBeforeReplacingAndKeepsTheOldFileOnFailure) {
  vxtest::TempDir dir;
  TKT_Enable(true);
  TKT_AnswerChooser({dir.file("report")});
  ASSERT_EQ(rep_save_as("one\n", false, dir.str().c_str()), 1);
  const std::string path = dir.file("report.txt");
  EXPECT_EQ(slurp(path), "one\n");

  TKT_AnswerChooser({path});
  s_answer = 1;  // No
  EXPECT_EQ(rep_save_as("two\n", false, dir.str().c_str()), 0);
  EXPECT_EQ(slurp(path), "one\n");
  ASSERT_FALSE(s_alerts.empty());
  EXPECT_NE(s_alerts.back().find("report.txt"), std::string::npos);

  s_answer = 2;  // Yes, but the disk is full
  {
    vxtest::FileFaults faults({.write_budget = 1});
    TKT_AnswerChooser({path});
    EXPECT_EQ(rep_save_as("three\n", false, dir.str().c_str()), 0);
  }
  EXPECT_EQ(slurp(path), "one\n");
  EXPECT_EQ(s_alerts.back().substr(0, 2), "1:");

  TKT_AnswerChooser({path});
  EXPECT_EQ(rep_save_as("four\n", false, dir.str().c_str()), 1);
  EXPECT_EQ(slurp(path), "four\n");
  TKT_Enable(false);
}

TEST_F(ReportTest, WindowShowsBothLayoutsAndCopiesABlockOfCells) {
  vxtest::TempDir dir;
  IMAGE_REC* im = gel();
  const std::string path = dir.file("gelA.kes");
  std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
  std::strcpy(im->image_name, "gelA.kes");
  ASSERT_TRUE(gt_prepare_and_write(path.c_str(), im->img_ptr, im));
  rep_family_cfg(REP_ALL_LANES)->datetime = 0;
  TKT_Enable(true);
  band_rep_activate(REP_ALL_LANES, nullptr, {path});
  TK_OBJ win = band_rep_window();
  ASSERT_NE(win, nullptr);
  EXPECT_STREQ(WIN_GetTitle(win), "Kestrin All Lanes Report");
  EXPECT_NE(std::string(TEXT_GetText(RES_GetSub(win, 1))).find("gelA.kes"), std::string::npos);
  if (const char* png = std::getenv("VX_GRAB_DIR"))
    TKT_Grab(win, (std::string(png) + "/band_rep_text.png").c_str());

  TKT_Pick(RES_GetSub(win, 0), 1);
  TK_OBJ table = RES_GetSub(win, 2);
  ASSERT_TRUE(TABLE_Is(table));
  EXPECT_EQ(TABLE_Rows(table), int(band_rep_grid().size()));
  if (const char* png = std::getenv("VX_GRAB_DIR"))
    TKT_Grab(win, (std::string(png) + "/band_rep_table.png").c_str());
  const int last = TABLE_Rows(table) - 2;
  TABLE_Select(table, last, 0, 2, 2);
  ASSERT_EQ(TABLE_CopySelection(table), 1);
  EXPECT_EQ(TK_ClipboardText(), "     1 \t             L1 \t\n     2 \t             L1 \t\n");

  // A CSV save while the table shows writes the grid.
  TKT_AnswerChooser({dir.file("r.csv")});
  TKT_Click(RES_GetSub(win, 6));
  EXPECT_EQ(slurp(dir.file("r.csv")), rep_csv(band_rep_grid(), 6));

  // Print prints the table as shown, filling at most 0.9 of the printable area (A4 with
  // 36-point margins: 523 x 770 points), and Ghostscript renders the file.
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({dir.file("r.ps")});
  TKT_Click(RES_GetSub(win, 5));
  const std::string ps = slurp(dir.file("r.ps"));
  ASSERT_EQ(ps.rfind("%!PS", 0), 0u);
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  ASSERT_EQ(std::sscanf(ps.c_str() + ps.find("%%BoundingBox:"), "%%%%BoundingBox: %d %d %d %d", &x0, &y0, &x1, &y1), 4);
  EXPECT_LE(x1 - x0, 472);
  EXPECT_LE(y1 - y0, 695);
  EXPECT_TRUE(x1 - x0 >= 469 || y1 - y0 >= 691) << x0 << " " << y0 << " " << x1 << " " << y1;
  const char* grabs = std::getenv("VX_GRAB_DIR");
  const std::string png = grabs ? std::string(grabs) + "/band_rep_print.png" : dir.file("r.png");
  const std::string gs = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r36 -o " + png + " " +
                         dir.file("r.ps") + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(gs.c_str()), 0);
  TKT_Close(win);
  EXPECT_EQ(band_rep_window(), nullptr);
  TKT_Enable(false);
}

TEST_F(ReportTest, SaveAsksInTheReportsFolderForTheReportItSaves) {
  vxtest::TempDir reports, elsewhere;
  IMAGE_REC* im = gel();
  const std::string path = reports.file("gelA.kes");
  std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
  std::strcpy(im->image_name, "gelA.kes");
  ASSERT_TRUE(gt_prepare_and_write(path.c_str(), im->img_ptr, im));
  TKT_Enable(true);
  band_rep_activate(REP_ALL_LANES, nullptr, {path});
  TK_OBJ win = band_rep_window();
  ASSERT_NE(win, nullptr);
  // Another chooser showed another folder just before (the standard sets', say).
  vxtest::write_text(elsewhere.file("set.std"), "1\n");
  const auto chooser_elsewhere = [&] {
    char out[1024];
    TKT_AnswerChooser({elsewhere.file("set.std")});
    EXPECT_EQ(io_win32_singlefile(out, sizeof out, "Open", elsewhere.str().c_str(), "", "All (*.*)\0*.*\0", "", TRUE, TRUE), 1);
  };
  const auto canonical = [](const std::string& p) { return std::filesystem::weakly_canonical(p).string(); };
  for (int layout : {0, 1}) {
    SCOPED_TRACE(layout);
    TKT_Pick(RES_GetSub(win, 0), layout);
    std::snprintf(gt_get_control()->folders[CTL_DIR_REPORTS], CTL_PATH, "%s", reports.str().c_str());
    chooser_elsewhere();
    TKT_AnswerChooser({});
    TKT_Click(RES_GetSub(win, 6));
    EXPECT_EQ(TKT_LastChooser().caption, std::string("Save ") + WIN_GetTitle(win));
    EXPECT_TRUE(TKT_LastChooser().save);
    EXPECT_EQ(canonical(TKT_LastChooser().folder), canonical(reports.str()));
    // Without a reports folder in the preferences: the current folder, not the last one shown.
    gt_get_control()->folders[CTL_DIR_REPORTS][0] = '\0';
    chooser_elsewhere();
    TKT_AnswerChooser({});
    TKT_Click(RES_GetSub(win, 6));
    EXPECT_EQ(canonical(TKT_LastChooser().folder), canonical(std::filesystem::current_path().string()));
  }
  EXPECT_EQ(TKT_Unanswered(), 0);
  TKT_Close(win);
  TKT_Enable(false);
}

TEST_F(ReportTest, CancellingAnAllLanesRunLeavesNoWindow) {
  vxtest::TempDir dir;
  std::snprintf(gt_get_control()->lane_sel_file, CTL_PATH, "%s", dir.file("gone.sel").c_str());
  s_answer = 1;
  band_rep_activate(REP_ALL_LANES, nullptr, {dir.file("x.kes")});
  EXPECT_EQ(band_rep_window(), nullptr);
}

}  // namespace
