// The reports page of the preferences dialog: each entry of the report list opens the
// configuration dialog of its report, and what that dialog confirms is kept by the dialog's OK.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/control.h"
#include "shell/gt_prefs.h"
#include "shell_fixture.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

class PrefsReports : public shelltest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    gt_control_init(gt_get_control());
  }
};

constexpr int kReportsList = 1;  // on page 2

REPORT_CFG CONTROL::* const kBlocks[] = {&CONTROL::band_cfg, &CONTROL::compare_cfg, &CONTROL::bmatch_cfg,
                                         &CONTROL::lmatch_cfg};

}  // namespace

TEST_F(PrefsReports, EachEntryConfiguresItsReport) {
  struct Case {
    int entry;
    bool confirm;  // the configuration dialog's OK, else its Cancel
  } cases[] = {{0, true}, {1, true}, {2, true}, {3, true}, {1, false}, {3, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("entry " + std::to_string(c.entry) + (c.confirm ? " OK" : " Cancel"));
    CONTROL* live = gt_get_control();
    int before[4];
    for (int k = 0; k < 4; ++k) before[k] = (live->*kBlocks[k]).titles;
    int dialogs = 0;
    QTimer::singleShot(0, [&] {
      TK_OBJ w = TKT_FindWindow("prefs", "prefs_win");
      ASSERT_NE(w, nullptr);
      TK_OBJ list = RES_GetSub(RES_GetSub(w, PREFS_PAGE_FIRST + 2), kReportsList);
      // Inside the configuration dialog: the title switch turned, then OK or Cancel.
      QTimer::singleShot(0, [&] {
        TK_OBJ cfg = TKT_FindWindow("ui_rpcfg", "ui_repcfg_win");
        ASSERT_NE(cfg, nullptr);
        ++dialogs;
        if (const char* d = std::getenv("VX_GRAB_DIR"))
          TKT_Grab(cfg, (std::string(d) + "/prefs_report_config_" + std::to_string(c.entry) + ".png").c_str());
        TKT_Click(RES_GetSub(RES_GetSub(cfg, 0), 7));
        TKT_Click(RES_GetSub(cfg, c.confirm ? 2 : 3));
      });
      TKT_Pick(list, c.entry);
      EXPECT_EQ(WGT_GetChoice(list), -1);  // the entry can be chosen again
      TKT_Click(RES_GetSub(w, PREFS_OK));  // the preferences' OK
    });
    prefs_activate(win_, live);
    EXPECT_EQ(dialogs, 1);
    for (int k = 0; k < 4; ++k) {
      const bool turned = c.confirm && k == c.entry;
      EXPECT_EQ((live->*kBlocks[k]).titles, turned ? 1 - before[k] : before[k]) << "block " << k;
    }
  }
}
