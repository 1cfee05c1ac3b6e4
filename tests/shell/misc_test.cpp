// Recent files and their menu entries, the command-line split, quick help, logo and About.
#include <gtest/gtest.h>

#include <QImage>
#include <QTimer>

#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "shell/gt_dispatch.h"
#include "shell_fixture.h"
#include "system_clicks.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_widget.h"

namespace {

class RecentTest : public shelltest::MainWindowTest {
 protected:
  std::vector<std::string> recent() {
    std::vector<std::string> out;
    for (auto& r : gt_get_control()->recent) out.emplace_back(r);
    return out;
  }
  // Texts of the File-menu entries 30000..30003 ("-" when the entry does not exist).
  std::vector<std::string> items() {
    std::vector<std::string> out;
    TK_OBJ menu = MENU_GetTop(WIN_GetMenuBar(win_), GT_MENU_FILE);
    for (int i = 0; i < 4; ++i)
      out.emplace_back(MENU_SelectItem(menu, GT_RECENT_FIRST_ID + i) ? MENU_GetItemText(menu) : "-");
    return out;
  }
};

TEST_F(RecentTest, PathsMoveToTheTopAndGainEntriesWhileThereIsRoom) {
  for (const char* p : {"/g/A.kes", "/g/B.kes", "/g/C.kes"}) gt_update_recent_files(p);
  EXPECT_EQ(recent(), (std::vector<std::string>{"/g/C.kes", "/g/B.kes", "/g/A.kes", ""}));
  EXPECT_EQ(items(), (std::vector<std::string>{"C.kes", "B.kes", "A.kes", "-"}));
  for (const char* p : {"/g/D.kes", "/g/E.kes"}) gt_update_recent_files(p);
  EXPECT_EQ(recent(), (std::vector<std::string>{"/g/E.kes", "/g/D.kes", "/g/C.kes", "/g/B.kes"}));
  EXPECT_EQ(items(), (std::vector<std::string>{"E.kes", "D.kes", "C.kes", "B.kes"}));
  gt_update_recent_files("/g/B.kes");
  EXPECT_EQ(recent(), (std::vector<std::string>{"/g/B.kes", "/g/E.kes", "/g/D.kes", "/g/C.kes"}));
  EXPECT_EQ(items(), (std::vector<std::string>{"B.kes", "E.kes", "D.kes", "C.kes"}));
  gt_update_recent_files("/g/B.kes");  // already on top: nothing changes
  EXPECT_EQ(items(), (std::vector<std::string>{"B.kes", "E.kes", "D.kes", "C.kes"}));
  // The entries stand above Exit.
  TK_OBJ menu = MENU_GetTop(WIN_GetMenuBar(win_), GT_MENU_FILE);
  EXPECT_TRUE(MENU_SelectItem(menu, 113));
}

TEST_F(RecentTest, StartUpAddsEntriesForTheSavedPathsOnly) {
  std::snprintf(gt_get_control()->recent[0], CTL_PATH, "/g/one.kes");
  std::snprintf(gt_get_control()->recent[1], CTL_PATH, "/g/two.kes");
  gt_update_recent_files(nullptr);
  EXPECT_EQ(items(), (std::vector<std::string>{"one.kes", "two.kes", "-", "-"}));
}

TEST_F(RecentTest, ChoosingAnOpenImagesEntryShowsTheOpenImageMessage) {
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  ASSERT_TRUE(gt_img_init(im));
  std::snprintf(im->file_path, IMG_PATH_LEN, "/g/Open.kes");
  TK_OBJ w = gt_img_open_window(win_, gt_get_workspace(), im, nullptr, gt_next_win_menu_id());
  std::snprintf(gt_get_control()->recent[1], CTL_PATH, "/g/open.KES");
  TKT_AnswerAlert(1);
  main_winNfySelMenuBar(win_, GT_RECENT_FIRST_ID + 1);
  EXPECT_EQ(TKT_LastAlertKind(), 0);
  EXPECT_NE(TKT_LastAlertText().find("/g/open.KES"), std::string::npos);
  WIN_Terminate(w);
  gt_img_free(im);
}

TEST(CommandLine, SplitsAtRunsOfBlanksAfterTheProgramPath) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"", {"/opt/vx"}},
      {"   ", {"/opt/vx"}},
      {"a  b", {"/opt/vx", "a", "b"}},
      {"  one two   three ", {"/opt/vx", "one", "two", "three"}},
      {"\"quoted words\"", {"/opt/vx", "\"quoted", "words\""}},
  };
  for (const Case& c : cases) EXPECT_EQ(gt_split_command_line(c.line, "/opt/vx"), c.args) << c.line;
  EXPECT_EQ(gt_split_command_line("x", std::string(300, 'p').c_str())[0].size(), 256u);
}

TEST_F(RecentTest, QuickHelpShowsOnePageAtATime) {
  qhelp_show_page(2);  // closed: nothing happens
  EXPECT_EQ(qhelp_window(), nullptr);
  qhelp_activate();
  TK_OBJ q = qhelp_window();
  ASSERT_NE(q, nullptr);
  qhelp_show_page(4);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(!tk::widget(RES_GetSub(q, k))->isHidden(), k == 4) << k;
  gt_vrem_run = 2;
  gt_vrem_end();
  EXPECT_EQ(gt_vrem_run, 0);
  EXPECT_EQ(qhelp_window(), nullptr);
  qhelp_activate();
  TKT_Close(qhelp_window());  // the close box ends it too
  EXPECT_EQ(qhelp_window(), nullptr);
}

// Turning the pages keeps the window's size (the frame is not taken off the page each time),
// the band-detection page speaks of band detection, and the window keeps off the main window.
TEST_F(RecentTest, QuickHelpKeepsItsSizeAndLeavesTheMainWindowFree) {
  qhelp_activate();
  TK_OBJ q = qhelp_window();
  ASSERT_NE(q, nullptr);
  EVENT_Flush();
  const TkRect first = WIN_GetRect(q);
  for (int page : {1, 2, 3, 4, 5, 0}) qhelp_show_page(page);
  EVENT_Flush();
  EXPECT_EQ(WIN_GetRect(q).w, first.w);
  EXPECT_EQ(WIN_GetRect(q).h, first.h);
  EXPECT_NE(std::string(WGT_GetText(RES_GetSub(q, 2))).find("band detection"), std::string::npos);
  const TkRect m = WIN_GetOuterRect(win_), r = WIN_GetOuterRect(q);
  EXPECT_TRUE(r.x >= m.x + m.w || r.y >= m.y + m.h)
      << "over the main window at " << r.x << "," << r.y << ", " << r.w << " x " << r.h;
  qhelp_dismiss();
}

TEST(Logo, ShowsThePictureNamedBySplashAndCloses) {
  shelltest::load_resources();
  TKT_Enable(true);
  vxtest::TempDir pics;
  QImage img(40, 20, QImage::Format_RGB32);
  img.fill(Qt::darkBlue);
  ASSERT_TRUE(img.save(QString::fromStdString(pics.file("logo.png"))));
  shelltest::Workspace ws("", pics.file("logo.png") + ", 40, 20");
  ASSERT_TRUE(SetupIniFileName());
  bool seen = false;
  QTimer::singleShot(5, [&] { seen = TKT_FindWindow("gt_logo", "gt_logo_win") != nullptr; });
  gt_logo_show(50);
  EXPECT_TRUE(seen);
  EXPECT_EQ(TKT_FindWindow("gt_logo", "gt_logo_win"), nullptr);

  shelltest::Workspace none("", "missing.png,10,10");
  ASSERT_TRUE(SetupIniFileName());
  gt_logo_show(50);
  EXPECT_EQ(TKT_FindWindow("gt_logo", "gt_logo_win"), nullptr);
}

TEST_F(RecentTest, AboutRunsModallyUntilOk) {
  bool titled = false;
  QTimer::singleShot(10, [&] {
    TK_OBJ about = TKT_FindWindow("gt_info", "gt_info_win");
    if (about == nullptr) return;
    titled = std::string(WIN_GetTitle(about)) == "Gel Test" &&
             std::string(WGT_GetText(RES_GetSub(about, 5))) == "Gel Test";
    TKT_Click(RES_GetSub(about, 0));
  });
  main_winNfySelMenuBar(win_, GT_CMD_ABOUT);
  EXPECT_TRUE(titled);
  EXPECT_EQ(TKT_FindWindow("gt_info", "gt_info_win"), nullptr);
}

// Once About is closed, by a click on OK or by Space, the main window takes the mouse again.
TEST_F(RecentTest, MainWindowTakesTheMouseAfterAbout) {
  WIN_Show(win_);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(tk::widget(win_)));
  for (bool by_key : {false, true}) {
    bool ended = false;
    QTimer::singleShot(0, [&] {
      TK_OBJ about = TKT_FindWindow("gt_info", "gt_info_win");
      if (about == nullptr || !QTest::qWaitForWindowExposed(tk::widget(about))) return;
      TK_OBJ ok = RES_GetSub(about, 0);
      if (by_key) {
        tk::widget(ok)->setFocus();
        QTest::keyClick(tk::widget(about)->windowHandle(), Qt::Key_Space);
      } else {
        vxtest::system_click(ok);
      }
      ended = true;
    });
    main_winNfySelMenuBar(win_, GT_CMD_ABOUT);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(vxtest::menu_opens_on_click(win_)) << (by_key ? "Space" : "OK clicked");
  }
}

}  // namespace
