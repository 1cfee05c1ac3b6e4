// Escape and Return in dialogs: Escape presses Cancel or, without one, the close box; Return
// presses the focused button or else OK, unless the field that has it keeps it; windows with a
// menu bar take neither.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr char kLayouts[] = R"(
module keys_test
window keys_dlg {
  title "Keys"
  layout grid
  part 0 field { at 0 0 }
  part 1 field { at 0 1 }
  part 2 button { label "Apply"; at 1 0 }
  part 3 button { label "&OK"; at 1 1 }
  part 4 button { label "Cancel"; at 1 2 }
}
window keys_box {
  title "Keys without Cancel"
  layout grid
  part 0 field { at 0 0 }
  part 1 button { label "Close"; at 1 0 }
}
window keys_menu_win {
  title "Keys with a menu bar"
  layout grid
  menubar keys_bar
  part 0 field { at 0 0 }
  part 1 button { label "OK"; at 1 0 }
  part 2 button { label "Cancel"; at 1 1 }
}
menubar keys_bar {
  menu 1 "&File" {
    item 110 "E&xit"
  }
}
)";

int g_applied = 0;

long end_nfy(TK_OBJ b, int event) {
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(b), RES_GetIndex(b));
  return WGT_DefaultNfy(b, event);
}
long apply_nfy(TK_OBJ b, int event) {
  if (event == TK_EV_ACTIVATE) ++g_applied;
  return WGT_DefaultNfy(b, event);
}
// A field that acts on Return and keeps the key.
long keep_return_nfy(TK_OBJ f, int event) {
  WGT_DefaultNfy(f, event);
  return event == TK_EV_TEXT ? 1 : 0;
}
// The close box ends the dialog with 99.
long win_nfy(TK_OBJ win, int event) {
  WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_EndModal(win, 99);
  return 0;
}

class DialogKeys : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!RES_HasWindow("keys_test", "keys_dlg")) {
      ASSERT_TRUE(RES_OpenText(kLayouts));
    }
  }
  void SetUp() override {
    TKT_Enable(true);
    g_applied = 0;
  }
  void TearDown() override { TKT_Enable(false); }

  // Runs the window modally; `act` runs inside the loop, and when the dialog is still open
  // after it, the test ends it with -1.
  long run(const char* window, const std::function<void(TK_OBJ)>& act) {
    TK_OBJ win = WIN_Load("keys_test", window);
    EXPECT_NE(win, nullptr);
    if (!win) return -2;
    RES_SetNfy(win, win_nfy);
    const std::string name = window;
    if (name == "keys_dlg") {
      RES_SetNfy(RES_GetSub(win, 1), keep_return_nfy);
      RES_SetNfy(RES_GetSub(win, 2), apply_nfy);
      for (int i : {3, 4}) RES_SetNfy(RES_GetSub(win, i), end_nfy);
    } else if (name == "keys_box") {
      RES_SetNfy(RES_GetSub(win, 1), end_nfy);
    } else {
      for (int i : {1, 2}) RES_SetNfy(RES_GetSub(win, i), end_nfy);
    }
    QTimer::singleShot(0, [win, act] {
      act(win);
      QTimer::singleShot(0, [win] {
        if (tk::alive(win)) WIN_EndModal(win, -1);
      });
    });
    const long r = WIN_DoModal(win);
    WIN_Terminate(win);
    return r;
  }
};

TEST_F(DialogKeys, EscapeCancelsAndReturnIsOk) {
  EXPECT_EQ(run("keys_dlg", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Escape); }), 4);
  EXPECT_EQ(run("keys_dlg", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Return); }), 3);
  EXPECT_EQ(run("keys_dlg", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Enter); }), 3);
  // Without Cancel, Escape is the close box.
  EXPECT_EQ(run("keys_box", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Escape); }), 99);
}

TEST_F(DialogKeys, ReturnStaysWhereItIsTakenOrCannotPress) {
  // A field that acts on Return keeps it.
  EXPECT_EQ(run("keys_dlg", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 1), Qt::Key_Return); }), -1);
  // A disabled OK is not pressed; with a modifier neither key is the dialog's.
  EXPECT_EQ(run("keys_dlg",
                [](TK_OBJ w) {
                  WGT_Enable(RES_GetSub(w, 3), 0);
                  TKT_Key(RES_GetSub(w, 0), Qt::Key_Return);
                }),
            -1);
  EXPECT_EQ(run("keys_dlg", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Escape, TK_MOD_CTRL); }),
            -1);
  // The focused button is the one Return presses.
  EXPECT_EQ(run("keys_dlg",
                [](TK_OBJ w) {
                  QWidget* dlg = tk::widget(w);
                  dlg->activateWindow();
                  ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
                  tk::widget(RES_GetSub(w, 2))->setFocus();
                  ASSERT_EQ(QApplication::focusWidget(), tk::widget(RES_GetSub(w, 2)));
                  TKT_Key(RES_GetSub(w, 2), Qt::Key_Return);
                }),
            -1);
  EXPECT_EQ(g_applied, 1);
  // A window with a menu bar is no dialog.
  EXPECT_EQ(run("keys_menu_win", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Escape); }), -1);
  EXPECT_EQ(run("keys_menu_win", [](TK_OBJ w) { TKT_Key(RES_GetSub(w, 0), Qt::Key_Return); }), -1);
}

}  // namespace
