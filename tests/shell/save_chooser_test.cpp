// Choosers that name a file to write show the chooser's save form (any name, no need to exist);
// those that name a file to read keep the open form; the print dialog has no file field of its
// own, since the program asks for the PostScript file itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "analysis/matr_text.h"
#include "analysis/rep_file.h"
#include "base/ks_choose.h"
#include "shell/gt_chart.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_test.h"
#include "tools/gt_label_grid.h"

namespace {

class SaveChooser : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
  }
  void TearDown() override { TKT_Enable(false); }
  vxtest::TempDir dir_;
};

TEST_F(SaveChooser, FilesToWriteAreAskedForWithTheSaveForm) {
  const std::string folder = dir_.str();
  char out[1024];
  std::string path;
  struct Case {
    const char* what;
    std::function<void()> ask;
    bool save;
  } cases[] = {
      {"print file and chart values", [&] { ks_ask_save_name(out, sizeof out, folder.c_str(), "lanes.ps", "PostScript Files (*.ps)\0*.ps\0", ".ps"); }, true},
      {"text report", [&] { rep_save_as("text", false, folder.c_str()); }, true},
      {"label grid saved", [&] { lbl_ask_save(&path, "Save", folder.c_str(), "a.csv", "CSV (*.csv)\0*.csv\0", ".csv"); }, true},
      {"match results", [&] { matr_export(nullptr, 0, folder.c_str()); }, true},
      {"destination image", [&] { char d[1024] = ""; io_win32_singlekes(out, sizeof out, "Destination image...", d, sizeof d, nullptr, FALSE); }, true},
      {"existing image", [&] { char d[1024] = ""; io_win32_singlekes(out, sizeof out, "Image...", d, sizeof d, nullptr, TRUE); }, false},
      {"label grid opened", [&] { lbl_ask_open(&path, "Open", folder.c_str(), "CSV (*.csv)\0*.csv\0", ".csv"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TKT_AnswerChooser({});  // cancelled: nothing is written
    c.ask();
    EXPECT_EQ(TKT_LastChooser().save, c.save);
    EXPECT_EQ(TKT_LastChooser().must_exist, !c.save);
    EXPECT_EQ(TKT_Unanswered(), 0);
  }
}

TEST_F(SaveChooser, TheSaveFormTakesANewNameAndCompletesIt) {
  char out[1024] = "";
  TKT_AnswerChooser({dir_.file("new_file")});
  ASSERT_EQ(io_win32_savefile(out, sizeof out, "File...", dir_.str().c_str(), "chart.csv",
                              "CSV Files (*.csv)\0*.csv\0", ".csv"),
            1);
  EXPECT_EQ(std::string(out), dir_.file("new_file.csv"));
  EXPECT_TRUE(TKT_LastChooser().save);
  EXPECT_EQ(TKT_LastChooser().caption, "File...");
  // The open form with must-exist refuses the same new name.
  TKT_AnswerChooser({dir_.file("new_file")});
  EXPECT_EQ(io_win32_singlefile(out, sizeof out, "File...", dir_.str().c_str(), "",
                                "CSV Files (*.csv)\0*.csv\0", ".csv", TRUE, TRUE),
            0);
  EXPECT_FALSE(TKT_LastChooser().save);
}

TEST_F(SaveChooser, ThePrintDialogShowsNoFileFieldOfItsOwn) {
  EXPECT_EQ(TKT_PrintDialogFileFields(), 0);
}

}  // namespace
