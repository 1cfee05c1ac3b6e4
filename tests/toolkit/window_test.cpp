// Windows built from layouts: the dialog pattern (modal loop, close box, event 171), widget
// values and events, menus, and the resource text checks.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "system_clicks.h"
#include "test_support.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

std::vector<std::pair<TK_OBJ, int>> g_events;
int g_terminates = 0;
bool g_terminate_inside = false;
bool g_in_terminate_call = false;

long record_nfy(TK_OBJ obj, int event) {
  g_events.push_back({obj, event});
  return WGT_DefaultNfy(obj, event);
}

// The shared procedures of modal dialogs: close box ends with 0, OK with 1, Cancel with 0.
long modal_win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    ++g_terminates;
    g_terminate_inside = g_in_terminate_call;
  }
  WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_EndModal(win, 0);
  return 0;
}
long ok_nfy(TK_OBJ b, int event) {
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(b), 1);
  return WGT_DefaultNfy(b, event);
}
long cancel_nfy(TK_OBJ b, int event) {
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(b), 0);
  return WGT_DefaultNfy(b, event);
}

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!RES_HasWindow("tk_test", "tk_test_win")) {
      ASSERT_TRUE(RES_OpenFile("test", (vxtest::source_dir() / "tests/toolkit/data/tk_test.res").c_str()));
    }
  }
  void SetUp() override {
    TKT_Enable(true);
    g_events.clear();
    g_terminates = 0;
    win = WIN_Load("tk_test", "tk_test_win");
    ASSERT_NE(win, nullptr);
    RES_SetNfy(win, modal_win_nfy);
    RES_SetNfy(RES_GetSub(win, 1), ok_nfy);
    RES_SetNfy(RES_GetSub(win, 2), cancel_nfy);
    WIN_Init(win);
  }
  void TearDown() override {
    g_in_terminate_call = true;
    WIN_Terminate(win);
    g_in_terminate_call = false;
    EVENT_Flush();
    TKT_Enable(false);
  }
  TK_OBJ win = nullptr;
};

TEST_F(WindowTest, ModalLoopEndsWithTheButtonsValueAndTerminateDeliversOnce) {
  WIN_Show(win);
  QTimer::singleShot(0, [this] { TKT_Click(RES_GetSub(win, 1)); });
  EXPECT_EQ(WIN_DoModal(win), 1);
  QTimer::singleShot(0, [this] { TKT_Close(win); });
  EXPECT_EQ(WIN_DoModal(win), 0);
  // The close box only asked: the window is still there until it is terminated.
  EXPECT_EQ(TKT_FindWindow("tk_test", "tk_test_win"), win);
  EXPECT_EQ(g_terminates, 0);
  g_in_terminate_call = true;
  WIN_Terminate(win);
  WIN_Terminate(win);
  g_in_terminate_call = false;
  EXPECT_EQ(g_terminates, 1);
  EXPECT_TRUE(g_terminate_inside);
  EXPECT_EQ(TKT_FindWindow("tk_test", "tk_test_win"), nullptr);
  EXPECT_EQ(RES_GetSub(win, 1), nullptr);  // a dead handle answers nothing
}

TEST_F(WindowTest, TerminateDuringTheModalLoopEndsItWithZero) {
  QTimer::singleShot(0, [this] {
    g_in_terminate_call = true;
    WIN_Terminate(win);
    g_in_terminate_call = false;
  });
  EXPECT_EQ(WIN_DoModal(win), 0);
  EXPECT_EQ(g_terminates, 1);
}

TEST_F(WindowTest, MainWindowTakesTheMouseAfterAModalDialogEndsByAnyPath) {
  WIN_Show(win);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(tk::widget(win)));
  ASSERT_TRUE(vxtest::menu_opens_on_click(win));
  struct Path {
    const char* name;
    bool shown_first;  // the dialog is shown (and placed) before its loop starts
    std::function<void(TK_OBJ dlg)> end;
    long want;
  } paths[] = {
      {"OK clicked", false, [](TK_OBJ d) { vxtest::system_click(RES_GetSub(d, 1)); }, 1},
      {"OK clicked, shown first", true, [](TK_OBJ d) { vxtest::system_click(RES_GetSub(d, 1)); }, 1},
      {"Space on OK", false,
       [](TK_OBJ d) {
         tk::widget(RES_GetSub(d, 1))->setFocus();
         QTest::keyClick(tk::widget(d)->windowHandle(), Qt::Key_Space);
       },
       1},
      {"Cancel clicked", true, [](TK_OBJ d) { vxtest::system_click(RES_GetSub(d, 2)); }, 0},
      {"close box", false, [](TK_OBJ d) { TKT_Close(d); }, 0},
      {"terminated", false, [](TK_OBJ d) { WIN_Terminate(d); }, 0},
  };
  for (const Path& path : paths) {
    TK_OBJ dlg = WIN_Load("tk_test", "tk_test_win");
    ASSERT_NE(dlg, nullptr);
    RES_SetNfy(dlg, modal_win_nfy);
    RES_SetNfy(RES_GetSub(dlg, 1), ok_nfy);
    RES_SetNfy(RES_GetSub(dlg, 2), cancel_nfy);
    WIN_SetOwner(dlg, win);
    WIN_Init(dlg);
    if (path.shown_first) WIN_Show(dlg);
    QTimer::singleShot(0, [&path, dlg] {
      if (QTest::qWaitForWindowExposed(tk::widget(dlg))) path.end(dlg);
    });
    EXPECT_EQ(WIN_DoModal(dlg), path.want) << path.name;
    WIN_Terminate(dlg);
    EXPECT_TRUE(vxtest::menu_opens_on_click(win)) << "after the dialog ended by " << path.name;
  }
}

TEST_F(WindowTest, WindowWithoutProcedureClosesOnItsCloseBox) {
  TK_OBJ other = WIN_Load("tk_test", "tk_draw_win");
  WIN_Show(other);
  TKT_Close(other);
  EXPECT_EQ(TKT_FindWindow("tk_test", "tk_draw_win"), nullptr);
}

TEST_F(WindowTest, MainLoopEndsWithTheLastWindow) {
  WIN_Show(win);
  QTimer::singleShot(0, [this] { WIN_Terminate(win); });
  EVENT_MainLoop();  // returns: no window is left
  EXPECT_EQ(g_terminates, 1);
  EXPECT_EQ(TKT_FindWindow("tk_test", "tk_test_win"), nullptr);
}

TEST_F(WindowTest, PointerEnterAndLeaveReachTheParts) {
  TK_OBJ button = RES_GetSub(win, 1);
  RES_SetNfy(button, record_nfy);
  WIN_Show(win);
  QEvent enter(QEvent::Enter), leave(QEvent::Leave);
  QCoreApplication::sendEvent(tk::widget(button), &enter);
  QCoreApplication::sendEvent(tk::widget(button), &leave);
  ASSERT_EQ(g_events.size(), 2u);
  EXPECT_EQ(g_events[0].second, TK_EV_ENTER);
  EXPECT_EQ(g_events[1].second, TK_EV_LEAVE);
}

TEST_F(WindowTest, PartsByIndexAndClientData) {
  EXPECT_EQ(RES_GetClass(RES_GetSub(win, 0)), TK_CLASS_FIELD);
  EXPECT_EQ(RES_GetClass(RES_GetSub(RES_GetSub(win, 9), 1)), TK_CLASS_RADIO);
  EXPECT_EQ(RES_GetOwnerWindow(RES_GetSub(RES_GetSub(win, 9), 0)), win);
  EXPECT_EQ(RES_GetSub(win, 7), nullptr);
  int data = 5;
  RES_SetData(RES_GetSub(win, 3), &data);
  EXPECT_EQ(RES_GetData(RES_GetSub(win, 3)), &data);
  EXPECT_EQ(WIN_Load("tk_test", "no_such_win"), nullptr);
}

TEST_F(WindowTest, SliderStepsByPageAndLine) {
  TK_OBJ slider = RES_GetSub(win, 6);
  WIN_Show(win);
  WGT_SetValue(slider, 10);
  TKT_Key(slider, Qt::Key_PageUp);
  EXPECT_EQ(WGT_GetInt(slider), 15);
  TKT_Key(slider, Qt::Key_Right);
  EXPECT_EQ(WGT_GetInt(slider), 17);
}

TEST_F(WindowTest, WidgetValuesAndUserEvents) {
  TK_OBJ field = RES_GetSub(win, 0), toggle = RES_GetSub(win, 3), choice = RES_GetSub(win, 4),
         list = RES_GetSub(win, 5), slider = RES_GetSub(win, 6),
         radio = RES_GetSub(RES_GetSub(win, 9), 1);
  for (TK_OBJ o : {field, toggle, choice, list, slider, radio}) RES_SetNfy(o, record_nfy);

  // Values set by the program send no event.
  WGT_SetValue(toggle, 1);
  WGT_SetChoice(choice, 2);
  WGT_SetValue(slider, 30);
  WGT_SetText(field, "x");
  EXPECT_TRUE(g_events.empty());
  EXPECT_EQ(WGT_GetValue(toggle), 1);
  EXPECT_STREQ(WGT_GetText(choice), "Blue");
  EXPECT_EQ(WGT_GetInt(slider), 30);

  TKT_Type(field, "42", true);
  EXPECT_STREQ(WGT_GetText(field), "42");
  EXPECT_EQ(WGT_GetShort(field), 42);
  TKT_Click(toggle);
  TKT_Pick(choice, 1);
  TKT_Pick(list, 2);
  TKT_Pick(radio, 1);
  EXPECT_EQ(WGT_GetValue(toggle), 0);
  EXPECT_EQ(WGT_GetValue(choice), 1);
  EXPECT_STREQ(WGT_GetText(list), "Lane 3");
  EXPECT_EQ(WGT_GetValue(radio), 1);

  std::vector<std::pair<TK_OBJ, int>> want = {
      {field, TK_EV_TEXT_CHANGED}, {field, TK_EV_TEXT_CHANGED}, {field, TK_EV_TEXT_CHANGED},
      {field, TK_EV_TEXT},         {toggle, TK_EV_ACTIVATE},    {choice, TK_EV_CHOICE_OPEN},
      {choice, TK_EV_CHOICE},      {list, TK_EV_LIST_PICK},     {radio, TK_EV_ACTIVATE}};
  // Focus events come and go with the platform; only the value events are compared.
  std::vector<std::pair<TK_OBJ, int>> got;
  for (auto& e : g_events)
    if (e.second != TK_EV_FOCUS_IN && e.second != TK_EV_FOCUS_OUT && e.second != TK_EV_ENTER &&
        e.second != TK_EV_LEAVE)
      got.push_back(e);
  EXPECT_EQ(got, want);
}

// A choice's procedure sets its entries' state when the list is about to open: "Blue" only
// while the toggle is on.
long choice_state_nfy(TK_OBJ choice, int event) {
  g_events.push_back({choice, event});
  if (event == TK_EV_CHOICE_OPEN)
    CHOICE_EnableItem(choice, 2, static_cast<int>(WGT_GetValue(RES_GetSub(RES_GetOwnerWindow(choice), 3))));
  return WGT_DefaultNfy(choice, event);
}

TEST_F(WindowTest, ChoiceEntriesAreEnabledAsTheListOpens) {
  TK_OBJ choice = RES_GetSub(win, 4), toggle = RES_GetSub(win, 3);
  RES_SetNfy(choice, choice_state_nfy);
  EXPECT_EQ(CHOICE_IsItemEnabled(choice, 2), 1);
  EXPECT_EQ(CHOICE_IsItemEnabled(choice, 3), 0);  // no such entry
  auto* combo = qobject_cast<QComboBox*>(tk::widget(choice));
  ASSERT_NE(combo, nullptr);
  combo->showPopup();  // the user opens the list
  EXPECT_EQ(g_events, (std::vector<std::pair<TK_OBJ, int>>{{choice, TK_EV_CHOICE_OPEN}}));
  EXPECT_EQ(CHOICE_IsItemEnabled(choice, 2), 0);
  combo->hidePopup();
  TKT_Pick(choice, 2);  // greyed out: not chosen, no choice event
  EXPECT_EQ(WGT_GetValue(choice), 0);
  EXPECT_EQ(std::count(g_events.begin(), g_events.end(), std::make_pair(choice, int{TK_EV_CHOICE})), 0);
  WGT_SetValue(toggle, 1);
  TKT_Pick(choice, 2);
  EXPECT_EQ(WGT_GetValue(choice), 2);
  EXPECT_EQ(CHOICE_IsItemEnabled(choice, 2), 1);
}

long g_menu_id = 0;
int g_menu_opens = 0;
long menu_win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_MENU_CHOICE) g_menu_id = EVENT_GetMenuId();
  return WIN_DefaultNfy(win, event);
}
long pulldown_nfy(TK_OBJ menu, int event) {
  MENU_DefaultNfy(menu, event);
  if (event == TK_EV_MENU_OPEN && EVENT_GetMenu() == menu) {
    ++g_menu_opens;
    MENU_SelectItem(menu, 110);
    MENU_EnableItem(menu, 0);
  }
  return 0;
}

TEST_F(WindowTest, MenusChooseEntriesByIdentifier) {
  RES_SetNfy(win, menu_win_nfy);
  TK_OBJ bar = WIN_GetMenuBar(win);
  ASSERT_NE(bar, nullptr);
  TK_OBJ file = MENU_GetTop(bar, 1);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(MENU_GetTop(bar, 3), nullptr);
  RES_SetNfy(file, pulldown_nfy);

  ASSERT_EQ(MENU_SelectItem(bar, 141), 1);  // found through the nested pull-down
  EXPECT_STREQ(MENU_GetItemText(bar), "TIFF...");
  EXPECT_EQ(MENU_SelectItem(bar, 999), 0);
  ASSERT_EQ(MENU_SelectItem(file, 7), 1);
  ASSERT_NE(MENU_GetSubmenu(file), nullptr);

  ASSERT_EQ(MENU_SelectItem(file, 105), 1);
  MENU_SetItemText(file, "Open Image...");
  MENU_SetItemKeyText(file, "Ctrl+O");
  EXPECT_STREQ(MENU_GetItemText(file), "Open Image...\tCtrl+O");
  file->chosen->trigger();
  EXPECT_EQ(g_menu_id, 105);

  ASSERT_EQ(MENU_SelectItem(file, 110), 1);
  MENU_SetItemKey(file, TK_WIN_CHAR, TK_MOD_CTRL | TK_MOD_SHIFT, 'q');
  EXPECT_EQ(file->chosen->shortcut(), QKeySequence("Ctrl+Shift+Q"));
  ASSERT_EQ(MENU_SelectItem(file, 105), 1);
  EXPECT_EQ(file->chosen->shortcut(), QKeySequence("Ctrl+O"));  // from the resource file

  emit file->qmenu->aboutToShow();
  EXPECT_EQ(g_menu_opens, 1);
  ASSERT_EQ(MENU_SelectItem(file, 110), 1);
  EXPECT_FALSE(file->chosen->isEnabled());
  MENU_RemoveItem(file);
  EXPECT_EQ(MENU_SelectItem(file, 110), 0);
}

TEST_F(WindowTest, DialogPictureAsPng) {
  WIN_Show(win);
  EVENT_Wait(50);
  vxtest::TempDir shots;
  const std::string png = vxtest::grab_path(shots, "tk_test_win.png");
  ASSERT_TRUE(TKT_Grab(win, png.c_str()));
  QImage img(QString::fromStdString(png));
  EXPECT_GT(img.width(), 150);
  EXPECT_GT(img.height(), 150);
}

TEST(ResourceText, StringsAndRejectedLayouts) {
  ASSERT_TRUE(RES_OpenText("module rt_a\nstrings StrL1 {\n 3 \"a\\tb\" \" c\"\n}\n"));
  EXPECT_STREQ(RES_GetString("rt_a", "StrL1", 3), "a\tb c");
  EXPECT_EQ(RES_GetString("rt_a", "StrL1", 4), nullptr);
  EXPECT_EQ(RES_GetStringCount("rt_a", "StrL1"), 3);
  const char* bad[] = {
      "module m\nwindow w { part 1 button {}; part 1 label {} }\n",  // index twice
      "module m\nwindow w { part 1 knob {} }\n",                      // unknown class
      "module m\nwindow w { part button {} }\n",                      // no index
      "module m\nstrings S { 1 \"open\n }\n",                          // text not closed
      "module m\nstrings S { 1 \"\\q\" }\n",                           // unknown escape
      "window w { }\n",                                               // no module
      "module m\nwindow w { layout table }\n",                        // unknown layout
      "module m\nwindow w {\n",                                       // block not closed
      "module rt_a\nstrings StrL1 { 3 \"again\" }\nstrings StrL1 { 3 \"x\" }\n",
  };
  for (const char* text : bad) EXPECT_EQ(RES_OpenText(text), 0) << text;
  EXPECT_FALSE(RES_HasWindow("m", "w"));  // a rejected text adds nothing
}

}  // namespace
