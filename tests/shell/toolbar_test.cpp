// Toolbar: the command each button sends in each selection mode, and the help texts in the
// status line with their busy and other-text rules.
#include <gtest/gtest.h>

#include <QTimer>

#include "base/ks_msg.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_prefs.h"
#include "shell/gt_toolbar.h"
#include "shell_fixture.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_widget.h"

namespace {

class ToolbarTest : public shelltest::MainWindowTest {
 protected:
  TK_OBJ button(int k) { return RES_GetSub(part(GT_MAIN_TOOLBAR), k); }
  std::string status() {
    const char* t = WGT_GetText(part(GT_MAIN_STATUS));
    return t ? t : "";
  }
};

TEST_F(ToolbarTest, EachButtonSendsItsCommandInEachMode) {
  const int fixed[GT_TOOLBAR_BUTTONS] = {105, 110, 101, 165, 166, 167, 148,  163,
                                         143, 144, 1057, 1059, 1058, 0, 1052, 1071,
                                         124, 153, 1082, 1081, 173, 140, 174};
  for (int mode = 0; mode < 4; ++mode) {
    gt_get_control()->sel_mode = mode;
    for (int k = 0; k < GT_TOOLBAR_BUTTONS; ++k) {
      const int want = k == 13 ? (mode == 1 ? 1101 : 1060) : fixed[k];
      EXPECT_EQ(gt_toolbar_command(k, mode), want) << "button " << k << " mode " << mode;
      main_winNfySelMenuBar(win_, GT_CMD_IMPORT_MATRIX);
      // The preferences and report parameters dialogs are modal: each is cancelled as soon as
      // it shows.
      QTimer::singleShot(0, [] {
        if (TK_OBJ w = TKT_FindWindow("prefs", "prefs_win")) TKT_Click(RES_GetSub(w, PREFS_CANCEL));
        if (TK_OBJ w = TKT_FindWindow("rparm", "rparm_win")) TKT_Click(RES_GetSub(w, 1));
      });
      TKT_Click(button(k));
      EXPECT_EQ(gt_dispatch_last_command(),
                want == GT_CMD_PREFERENCES ? static_cast<int>(GT_CMD_REFRESH)  // runs after it
                                           : want)
          << "button " << k << " mode " << mode;
    }
  }
}

TEST_F(ToolbarTest, HelpFollowsTheModeForAddDeleteAndCopy) {
  struct Case {
    int button, mode, help;
  } cases[] = {{8, 0, 110},  {8, 1, 113},  {8, 2, 111},  {8, 3, 112},  {9, 0, 114},
               {9, 1, 117},  {9, 2, 115},  {9, 3, 116},  {13, 1, 180}, {13, 0, 121},
               {13, 3, 121}, {20, 0, 129}, {21, 0, 128}, {0, 2, 102},  {22, 1, 130}};
  for (const Case& c : cases) {
    gt_get_control()->sel_mode = c.mode;
    TKT_Send(button(c.button), TK_EV_ENTER);
    EXPECT_EQ(status(), gt_get_message(c.help)) << "button " << c.button << " mode " << c.mode;
    TKT_Send(button(c.button), TK_EV_LEAVE);
    EXPECT_EQ(status(), "");
  }
  // A mode outside 0..3 has no Add or Delete help.
  gt_get_control()->sel_mode = 5;
  TKT_Send(button(8), TK_EV_ENTER);
  EXPECT_EQ(status(), "");
}

TEST_F(ToolbarTest, BusyAndForeignTextsKeepTheStatusLine) {
  // Moving from one button straight to another shows the second's help.
  TKT_Send(button(0), TK_EV_ENTER);
  TKT_Send(button(0), TK_EV_LEAVE);
  TKT_Send(button(1), TK_EV_ENTER);
  EXPECT_EQ(status(), gt_get_message(103));
  TKT_Send(button(1), TK_EV_LEAVE);

  // A long operation owns the line: no help on enter, no clearing on leave.
  gt_busy_begin();
  mh_status_message(gt_get_status_bar(), 0, "Quantifying bands...");
  TKT_Send(button(3), TK_EV_ENTER);
  EXPECT_EQ(status(), "Quantifying bands...");
  TKT_Send(button(3), TK_EV_LEAVE);
  EXPECT_EQ(status(), "Quantifying bands...");
  gt_busy_end();

  // Another part's text blocks the help until it is cleared.
  TKT_Send(button(4), TK_EV_ENTER);
  EXPECT_EQ(status(), "Quantifying bands...");
  mh_clear_status(gt_get_status_bar(), 0);
  TKT_Send(button(4), TK_EV_ENTER);
  EXPECT_EQ(status(), gt_get_message(106));
}

TEST_F(ToolbarTest, ModeButtonsShowTheirHelpToo) {
  for (int k = 0; k < 4; ++k) {
    TKT_Send(mode_button(k), TK_EV_ENTER);
    EXPECT_EQ(status(), gt_get_message(98 + k));
    TKT_Send(mode_button(k), TK_EV_LEAVE);
    EXPECT_EQ(status(), "");
  }
}

}  // namespace
