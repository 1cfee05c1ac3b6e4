// Alerts through the base library's message layer, choosers answered by the test driver, and
// window placement on a fixed screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "test_support.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace {

class DriverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The installed resource file: the messages the choosers show come from it.
    if (!RES_GetString("ui_msg", "StrL1", 320)) {
      ASSERT_TRUE(RES_OpenFile("gt", (vxtest::bin_dir() / "gt.dat").c_str()));
    }
  }
  void SetUp() override { TKT_Enable(true); }
  void TearDown() override {
    TKT_Enable(false);
    TKT_SetScreenSize(0, 0);
    g_bSuppress = FALSE;
  }
};

TEST_F(DriverTest, AlertsReturnTheirAnswerCodes) {
  struct Case {
    int kind, answer, want;
  } cases[] = {
      {0, 1, 1}, {1, 1, 1}, {4, 1, 1},   // one button
      {2, 2, 2}, {2, 1, 1},              // yes / no
      {3, 2, 2}, {3, 1, 1}, {3, 3, 3},   // yes / no / cancel
      {2, 3, 1},                         // no such button: closed, which is no
  };
  for (const Case& c : cases) {
    TKT_AnswerAlert(c.answer);
    EXPECT_EQ(mh_send_msg(c.kind, "Save changes to %s?", "gel1.kes"), c.want)
        << "kind " << c.kind << " answer " << c.answer;
    EXPECT_EQ(TKT_LastAlertText(), "Save changes to gel1.kes?");
    EXPECT_EQ(TKT_LastAlertKind(), c.kind);
  }
  EXPECT_EQ(TKT_Unanswered(), 0);
  EXPECT_EQ(mh_send_msg(7, "no box"), 0);
  // Nobody to answer: closed at once, cancel for the three-way question.
  EXPECT_EQ(mh_send_msg(3, "unanswered"), 3);
  EXPECT_EQ(TKT_Unanswered(), 1);
}

TEST_F(DriverTest, SuppressedMessagesShowNoBox) {
  g_bSuppress = TRUE;
  EXPECT_EQ(mh_send_msg(2, "Overwrite?"), 4);
  EXPECT_EQ(TKT_Unanswered(), 0);
  EXPECT_NE(TKT_LastAlertText(), "Overwrite?");
}

TEST_F(DriverTest, SingleFileChooser) {
  vxtest::TempDir dir;
  vxtest::write_text(dir.file("lanes.inf"), "x");
  char out[256];
  TKT_AnswerChooser({dir.file("lanes.inf")});
  EXPECT_EQ(io_win32_singlefile(out, sizeof out, "Select a Lane Info file...", dir.str().c_str(),
                                nullptr, "Lane Info Files (*.inf)\0*.inf\0", ".inf", TRUE, TRUE),
            1);
  EXPECT_EQ(std::string(out), dir.file("lanes.inf"));
  // A typed new name without an extension gets the default one.
  TKT_AnswerChooser({dir.file("report")});
  EXPECT_EQ(io_win32_singlefile(out, sizeof out, "Save", dir.str().c_str(), nullptr,
                                "Text (*.txt)\0*.txt\0", ".txt", FALSE, FALSE),
            1);
  EXPECT_EQ(std::string(out), dir.file("report.txt"));
  TKT_AnswerChooser({});
  EXPECT_EQ(io_win32_singlefile(out, sizeof out, "Open", dir.str().c_str(), nullptr,
                                "All (*.*)\0*.*\0", ".txt", FALSE, TRUE),
            0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(DriverTest, FileListChooserReturnsEveryPick) {
  vxtest::TempDir dir;
  vxtest::write_text(dir.file("a.kes"), "a");
  vxtest::write_text(dir.file("b.kes"), "b");
  char** list = nullptr;
  int filter = -1;
  // The filters as the dialog lists them: each pattern shown once, whether or not the label
  // names it already.
  QStringList shown;
  QTimer::singleShot(0, [&shown] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) shown = d->nameFilters();
  });
  TKT_AnswerChooser({dir.file("a.kes"), dir.file("b.kes")}, 1);
  const int n = io_win32_filelist(&list, "Select Image(s)...", dir.str().c_str(), nullptr,
                                  KS_KES_FILTER, 0, TRUE, TRUE, TRUE, &filter);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(std::string(list[0]), dir.file("a.kes"));
  EXPECT_EQ(std::string(list[1]), dir.file("b.kes"));
  EXPECT_EQ(filter, 1);
  EXPECT_EQ(shown, QStringList({"KES Files (*.kes)", "All Files (*.*)"}));
  ks_freelist_msg(reinterpret_cast<void**>(list), n);

  TKT_AnswerChooser({dir.file("a.kes")});
  QTimer::singleShot(0, [&shown] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) shown = d->nameFilters();
  });
  ASSERT_EQ(io_win32_filelist(&list, "Select", dir.str().c_str(), nullptr,
                              "Gels\0*.kes;*.bmp\0", 0, TRUE, TRUE, FALSE, &filter),
            1);
  EXPECT_EQ(shown, QStringList({"Gels (*.kes *.bmp)"}));
  ks_freelist_msg(reinterpret_cast<void**>(list), 1);
}

TEST_F(DriverTest, FolderChooserCreatesTheFolderOrRefusesAFile) {
  vxtest::TempDir dir;
  const std::string fresh = dir.file("exports");
  TKT_AnswerChooser({fresh});
  char* got = io_dirname_new(dir.str().c_str(), "");
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), fresh);
  EXPECT_TRUE(std::filesystem::is_directory(fresh));
  ks_free(got);

  // An existing folder is chosen, not entered.
  TKT_AnswerChooser({fresh});
  got = io_dirname_new(dir.str().c_str(), "");
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), fresh);
  ks_free(got);

  vxtest::write_text(dir.file("plain"), "x");
  TKT_AnswerChooser({dir.file("plain")});
  TKT_AnswerAlert(1);
  EXPECT_EQ(io_dirname_new(dir.str().c_str(), "Export to"), nullptr);
  EXPECT_EQ(TKT_LastAlertKind(), 1);
  EXPECT_NE(TKT_LastAlertText().find(dir.file("plain")), std::string::npos);
}

TEST_F(DriverTest, PlacementInPercentOfAFixedScreen) {
  ASSERT_TRUE(RES_OpenText("module tk_place\nwindow w { size 296 178; part 0 label {} }\n"));
  TK_OBJ win = WIN_Load("tk_place", "w");
  ASSERT_NE(win, nullptr);
  WIN_Show(win);
  TKT_SetScreenSize(1024, 768);
  const TkRect r = WIN_GetRect(win);
  ASSERT_EQ(r.w, 296);
  ASSERT_EQ(r.h, 178);  // outer size with the frame allowance: 300 by 200
  ui_wpos_place(win, 100, 0, FALSE);
  EXPECT_EQ(WIN_GetRect(win).x, 728);  // (1024 - 300) + 4
  EXPECT_EQ(WIN_GetRect(win).y, 18);
  ui_wpos_place(win, 50, 50, TRUE);
  EXPECT_EQ(WIN_GetRect(win).x, 362);  // 512 - 150
  EXPECT_EQ(WIN_GetRect(win).y, 352);  // floor((768 - 100) / 2 + 100 + 18 - 100 + 0.5)
  ui_wpos_shift(win, -150, 10);
  EXPECT_EQ(WIN_GetRect(win).x, 362 - 1014);  // shifts are held to 99 %
  EXPECT_EQ(WIN_GetRect(win).y, 352 + 77);
  ui_wpos_place_size(win, 5, 5, FALSE, 70, 80);
  // The size given is the outer size, frame included.
  const TkRect s = WIN_GetRect(win);
  EXPECT_EQ(tk::widget(win)->frameGeometry().width(), 717);   // nearest(1024 * 0.7)
  EXPECT_EQ(tk::widget(win)->frameGeometry().height(), 614);  // nearest(768 * 0.8)
  EXPECT_EQ(s.x, 15);   // nearest((1024 - 717) * 0.05)
  EXPECT_EQ(s.y, 8 + 18);
  WIN_Terminate(win);
}

}  // namespace
