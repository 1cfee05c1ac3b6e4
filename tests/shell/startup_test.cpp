// Start-up: the main window as the layout and the ini make it, the saved selection mode, the
// paper by locale, the preferences file, and the exit codes of the program.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTimer>
#include <cstdlib>

#include "base/ks_install.h"
#include "io/analysis_io.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_toolbar.h"
#include "shell/ui_print.h"
#include "shell_fixture.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_types.h"
#include "toolkit/tk_widget.h"

namespace {

using shelltest::MainWindowTest;
using shelltest::Workspace;

TEST_F(MainWindowTest, WindowHasItsPartsTitleAndMenus) {
  EXPECT_STREQ(WIN_GetTitle(win_), "Gel Test");
  EXPECT_TRUE(WIN_IsShown(win_));
  EXPECT_EQ(gt_get_main_win(), win_);
  EXPECT_EQ(RES_GetClass(part(GT_MAIN_STATUS)), TK_CLASS_LABEL);
  EXPECT_EQ(RES_GetClass(part(GT_MAIN_STATUS2)), TK_CLASS_LABEL);
  EXPECT_EQ(RES_GetClass(part(GT_MAIN_WORKSPACE)), TK_CLASS_WORKSPACE);
  EXPECT_EQ(RES_GetClass(part(GT_MAIN_MODE_LIST)), TK_CLASS_CHOICE);
  EXPECT_EQ(LIST_Count(part(GT_MAIN_MODE_LIST)), 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(RES_GetClass(mode_button(k)), TK_CLASS_BUTTON);
  for (int k = 0; k < GT_TOOLBAR_BUTTONS; ++k)
    EXPECT_EQ(RES_GetNfy(RES_GetSub(part(GT_MAIN_TOOLBAR), k)), gt_toolbar_buttonNfy) << k;
  EXPECT_EQ(RES_GetSub(part(GT_MAIN_TOOLBAR), GT_TOOLBAR_BUTTONS), nullptr);
  TK_OBJ bar = WIN_GetMenuBar(win_);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(MENU_SelectItem(bar, 113));
  EXPECT_TRUE(MENU_SelectItem(bar, 172));
  // 70 % by 80 % of the 1920 x 1080 screen, 5 % of the room left over from the left and the
  // top (and below the top 18 pixels).
  const TkRect r = WIN_GetRect(win_);
  EXPECT_EQ(r.x, 29);
  EXPECT_EQ(r.y, 29);
  EXPECT_NEAR(r.w, 1344, 8);  // outer size; the client area is a few pixels less
  EXPECT_NEAR(r.h, 864, 8);
  // The picture of the main window, for a look at its layout.
  EXPECT_TRUE(TKT_Grab(win_, vxtest::grab_path(ws_->dir(), "vx_main_window.png").c_str()));
}

TEST(SavedMode, PressesOnlyAModeFrom0To3) {
  shelltest::load_resources();
  TKT_Enable(true);
  gt_set_logo_wait(0);
  for (int saved : {0, 1, 2, 3, 4, -1}) {
    Workspace ws;
    ASSERT_TRUE(SetupIniFileName());
    CONTROL* ctl = gt_get_control();
    ctl->sel_mode = saved;
    ASSERT_TRUE(gt_prep_prefs_and_write((ws.write_dir() + "gt_init.prf").c_str(), ctl));
    TK_OBJ win = gt_main_activate();
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(ctl->sel_mode, saved);
    gt_press_saved_mode(win);
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(WGT_GetValue(RES_GetSub(RES_GetSub(win, GT_MAIN_MODE_BAR), k)), k == saved ? 1 : 0)
          << "saved " << saved << " button " << k;
    WIN_Terminate(win);
  }
}

TEST(Locale, OnlyExactlyUsSelectsLetterPaper) {
  shelltest::load_resources();
  TKT_Enable(true);
  gt_set_logo_wait(0);
  struct Case {
    const char* writable;
    BOOL letter;
  } cases[] = {{"Locale=US", TRUE}, {"Locale=us", FALSE}, {"Locale=USA", FALSE},
               {"Locale=UK", FALSE}, {"Locale= US ", TRUE}, {"", TRUE}};
  for (const Case& c : cases) {
    Workspace ws(c.writable);
    ASSERT_TRUE(SetupIniFileName());
    EXPECT_EQ(GetLocaleForPageSetup(), c.letter) << c.writable;
    TK_OBJ win = gt_main_activate();
    EXPECT_EQ(ui_print_us_letter(), c.letter) << c.writable;
    WIN_Terminate(win);
  }
}

TEST(PrefsPath, JoinsWithOneSeparator) {
  EXPECT_EQ(gt_prefs_path("/a/write"), "/a/write/gt_init.prf");
  EXPECT_EQ(gt_prefs_path("/a/write/"), "/a/write/gt_init.prf");
  EXPECT_EQ(gt_prefs_path(""), "gt_init.prf");
}

TEST_F(MainWindowTest, CloseBoxWritesPreferencesThatTheNextStartReads) {
  CONTROL* ctl = gt_get_control();
  gt_set_sel_mode(2, nullptr);
  std::snprintf(ctl->recent[0], CTL_PATH, "%s", "/gels/a.kes");
  TKT_Close(win_);
  EXPECT_EQ(RES_GetClass(win_), 0);  // ended
  ASSERT_TRUE(std::filesystem::exists(ws_->write_dir() + "gt_init.prf"));
  ctl->sel_mode = 0;
  ctl->recent[0][0] = '\0';
  win_ = gt_main_activate();
  EXPECT_EQ(ctl->sel_mode, 2);
  EXPECT_STREQ(ctl->recent[0], "/gels/a.kes");
}

// Exit writes the preferences as the close box does, so the settings of the run are kept.
TEST_F(MainWindowTest, ExitWritesPreferencesThatTheNextStartReads) {
  CONTROL* ctl = gt_get_control();
  std::snprintf(ctl->recent[1], CTL_PATH, "%s", "/gels/b.kes");
  main_winNfySelMenuBar(win_, 113);
  EXPECT_EQ(RES_GetClass(win_), 0);
  ASSERT_TRUE(std::filesystem::exists(ws_->write_dir() + "gt_init.prf"));
  ctl->recent[1][0] = '\0';
  win_ = gt_main_activate();
  EXPECT_STREQ(ctl->recent[1], "/gels/b.kes");
}

// The whole program, in a child process: Quit from the event loop ends it with 0. The child
// finds the resource file beside its own program, as vx does.
void run_and_quit() {
  const std::string dat = ks_install_dir() + "gt.dat";
  const std::string tmp = dat + ".tmp" + std::to_string(getpid());
  std::filesystem::copy_file(vxtest::bin_dir() / "gt.dat", tmp,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::rename(tmp, dat);
  Workspace ws;
  gt_set_logo_wait(0);
  QTimer::singleShot(200, [] { main_winNfySelMenuBar(gt_get_main_win(), 113); });
  char arg0[] = "vx";
  char* argv[] = {arg0, nullptr};
  _exit(gt_main(1, argv));  // no exit-time leak report of the libraries
}

TEST(ExitCode, ZeroAfterQuit) { EXPECT_EXIT(run_and_quit(), ::testing::ExitedWithCode(0), ""); }

// The program itself: no start-up ini, or no resource file, ends it at once with 1.
TEST(ExitCode, OneWithoutIniOrResourceFile) {
  vxtest::TempDir empty;
  const QString vx = QString::fromStdString((vxtest::bin_dir() / "vx").string());
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(empty.str()));
  p.start(vx, {});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 1);

  // A copy of the program in a folder without "gt.dat", started in a good workspace.
  Workspace ws;
  std::filesystem::create_directories(ws.dir().path() / "bin");
  const auto copy = ws.dir().path() / "bin" / "vx";
  std::filesystem::copy_file(vxtest::bin_dir() / "vx", copy);
  QProcess q;
  q.setWorkingDirectory(QString::fromStdString(ws.dir().str()));
  q.start(QString::fromStdString(copy.string()), {});
  ASSERT_TRUE(q.waitForFinished(60000));
  EXPECT_EQ(q.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(q.exitCode(), 1);
}

}  // namespace
