// The preferences dialog driven as a user would: pages by tab, the working copy committed only
// on OK, Save and Load of preferences files, and the colour choosers.
#include <gtest/gtest.h>

#include <QTimer>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "model/img_info.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_prefs.h"
#include "shell/ui_color.h"
#include "shell_fixture.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_widget.h"

namespace {

namespace fs = std::filesystem;

class Prefs : public shelltest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    gt_control_init(gt_get_control());
    old_cmap_ = gt_control_set_cmap_proc(record_cmap);
    s_cmap_calls = 0;
    ih_set_ODcompatabilty("none");
  }
  void TearDown() override {
    gt_control_set_cmap_proc(old_cmap_);
    ih_set_ODcompatabilty("none");
    MainWindowTest::TearDown();
  }
  // Runs the dialog; `steps` act on the open window, then `end` (a part) closes it.
  int run(const std::function<void(TK_OBJ)>& steps, int end) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      TK_OBJ w = TKT_FindWindow("prefs", "prefs_win");
      if (!w) return;
      seen = true;
      steps(w);
      TKT_Click(RES_GetSub(w, end));
    });
    const int r = prefs_activate(win_, gt_get_control());
    EXPECT_TRUE(seen);
    return r;
  }
  static TK_OBJ on_page(TK_OBJ w, int page, int part) {
    return RES_GetSub(RES_GetSub(w, PREFS_PAGE_FIRST + page), part);
  }
  static void record_cmap(int, int, int) { ++s_cmap_calls; }
  static inline int s_cmap_calls = 0;
  GtCmapProc old_cmap_ = nullptr;
};

TEST_F(Prefs, TabsShowTheirPagesAndTheLastPageComesBack) {
  const int want[6] = {1, 0, 2, 5, 3, 4};
  for (int tab = 0; tab < 6; ++tab) EXPECT_EQ(prefs_page_of_tab(tab), want[tab]);
  run([&](TK_OBJ w) { TKT_Click(RES_GetSub(RES_GetSub(w, PREFS_TABS), 3)); }, PREFS_CANCEL);
  EXPECT_EQ(prefs_current_page(), 5);  // Folders
  // The next opening shows the same page, with its tab pressed.
  long pressed = -1;
  run([&](TK_OBJ w) { pressed = WGT_GetValue(RES_GetSub(RES_GetSub(w, PREFS_TABS), 3)); },
      PREFS_CANCEL);
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(prefs_current_page(), 5);
}

TEST_F(Prefs, OkCommitsThePagesAndCancelKeepsTheRecord) {
  CONTROL* ctl = gt_get_control();
  std::snprintf(ctl->folders[CTL_DIR_IMAGES], CTL_PATH, "%s", ws_->dir().str().c_str());
  ctl->size_interp = 2;  // shown as Logarithmic, stored as 1
  ctl->disp_codes[11] = 42;  // a selection colour the list does not offer
  ctl->im_calib_interp = 3;
  const int lane_colour = ctl->disp_codes[18];

  // Cancel: nothing of the pages reaches the record.
  run(
      [&](TK_OBJ w) {
        TKT_Pick(on_page(w, 1, 8), 0);  // lanes red
        TKT_Click(on_page(w, 5, 0));    // untick the images folder
      },
      PREFS_CANCEL);
  EXPECT_EQ(ctl->disp_codes[18], lane_colour);
  EXPECT_STREQ(ctl->folders[CTL_DIR_IMAGES], ws_->dir().str().c_str());

  // OK: the colour, the emptied folder and the interpolation shown are stored.
  int od_entry = -1;
  run(
      [&](TK_OBJ w) {
        TKT_Pick(on_page(w, 1, 8), 0);
        TKT_Click(on_page(w, 5, 0));
        TKT_Pick(on_page(w, 4, 0), 2);  // optical density
        od_entry = WGT_GetChoice(on_page(w, 4, 13));
      },
      PREFS_OK);
  EXPECT_EQ(ctl->disp_codes[18], 0);
  EXPECT_EQ(ctl->disp_codes[11], 42);  // untouched, so kept
  EXPECT_STREQ(ctl->folders[CTL_DIR_IMAGES], "");
  EXPECT_EQ(ctl->size_interp, 1);
  EXPECT_EQ(od_entry, 1);  // method 3 shows as Linear
  EXPECT_EQ(ctl->im_calib_interp, 1);
}

TEST_F(Prefs, SaveWritesWhatThePagesShowAndLoadThenCancelKeepsTheProgramsSettings) {
  CONTROL* ctl = gt_get_control();
  const std::string file = ws_->file("mine.prf");
  TKT_AnswerChooser({file});
  run(
      [&](TK_OBJ w) {
        WGT_SetValue(on_page(w, 0, 0), 9);
        TKT_Click(RES_GetSub(w, PREFS_SAVE));
      },
      PREFS_CANCEL);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_NE(ctl->disp_codes[0], 9);  // the record is untouched
  CONTROL saved{};
  gt_control_init(&saved);
  ASSERT_TRUE(gt_read_and_prep_prefs(file.c_str(), &saved));
  EXPECT_EQ(saved.disp_codes[0], 9);

  // A file whose colour map and compatibility differ: Load, then Cancel, leaves the program's.
  saved.cmap_code = 5;
  saved.requant_existing = 1;
  saved.im_calib_interp = 0;
  saved.band_cfg.num_hdr_ids = 3;
  ASSERT_TRUE(gt_prep_prefs_and_write(file.c_str(), &saved));
  const int cmap = ctl->cmap_code;
  s_cmap_calls = 0;
  TKT_AnswerChooser({file});
  run([&](TK_OBJ w) { TKT_Click(RES_GetSub(w, PREFS_LOAD)); }, PREFS_CANCEL);
  EXPECT_EQ(ctl->cmap_code, cmap);
  EXPECT_EQ(s_cmap_calls, 0);
  EXPECT_EQ(ih_get_ODcompatability(), 0);
  EXPECT_EQ(ctl->band_cfg.num_hdr_ids, 3);  // report blocks take effect at once

  // Load, then OK: now they apply.
  TKT_AnswerChooser({file});
  run([&](TK_OBJ w) { TKT_Click(RES_GetSub(w, PREFS_LOAD)); }, PREFS_OK);
  EXPECT_EQ(ctl->cmap_code, 5);
  EXPECT_EQ(s_cmap_calls, 1);
  EXPECT_EQ(ih_get_ODcompatability(), 1);  // AlwaysLog
  EXPECT_EQ(ctl->disp_codes[0], 9);
  ks_free(saved.lane_chars);
}

// A preferences file whose digits lie far outside the dialog's 0 to 10 loads as the nearest
// bound: the standards page shows it and OK keeps it, so nothing later paints or reports 10^8
// digits.
TEST_F(Prefs, LoadedDigitsOutsideTheDialogsRangeTakeTheNearestBound) {
  CONTROL* ctl = gt_get_control();
  const std::string file = ws_->file("digits.prf");
  CONTROL odd{};
  gt_control_init(&odd);
  odd.size_digits = 100000000;
  odd.conc_digits = -7;
  ASSERT_TRUE(gt_prep_prefs_and_write(file.c_str(), &odd));
  long shown = -1;
  TKT_AnswerChooser({file});
  run(
      [&](TK_OBJ w) {
        TKT_Click(RES_GetSub(w, PREFS_LOAD));
        shown = WGT_GetValue(on_page(w, 4, 4));  // the size standards' digits
      },
      PREFS_OK);
  EXPECT_EQ(shown, 10);
  EXPECT_EQ(ctl->size_digits, 10);
  EXPECT_EQ(ctl->conc_digits, 0);
  ks_free(odd.lane_chars);
}

TEST_F(Prefs, TheUnusedDisplayCodesKeepTheirSwitches) {
  // Display codes 10 and 11 (indexes 9 and 10) are shown, committed, saved and loaded though
  // no drawing reads them.
  CONTROL* ctl = gt_get_control();
  ctl->disp_codes[9] = 1;
  ctl->disp_codes[10] = 0;
  std::string labels[2];
  long shown[2] = {-1, -1};
  run(
      [&](TK_OBJ w) {
        for (int i = 0; i < 2; ++i) {
          const char* t = WGT_GetText(on_page(w, 1, 5 + i));
          labels[i] = t ? t : "";
          shown[i] = WGT_GetValue(on_page(w, 1, 5 + i));
          TKT_Click(on_page(w, 1, 5 + i));
        }
      },
      PREFS_OK);
  EXPECT_EQ(labels[0], "Display code 10 (not used)");
  EXPECT_EQ(labels[1], "Display code 11 (not used)");
  EXPECT_EQ(shown[0], 1);
  EXPECT_EQ(shown[1], 0);
  EXPECT_EQ(ctl->disp_codes[9], 0);
  EXPECT_EQ(ctl->disp_codes[10], 1);

  const std::string file = ws_->file("codes.prf");
  TKT_AnswerChooser({file});
  run([&](TK_OBJ w) { TKT_Click(RES_GetSub(w, PREFS_SAVE)); }, PREFS_CANCEL);
  CONTROL saved{};
  gt_control_init(&saved);
  ASSERT_TRUE(gt_read_and_prep_prefs(file.c_str(), &saved));
  EXPECT_EQ(saved.disp_codes[9], 0);
  EXPECT_EQ(saved.disp_codes[10], 1);
  saved.disp_codes[9] = 1;
  ASSERT_TRUE(gt_prep_prefs_and_write(file.c_str(), &saved));
  TKT_AnswerChooser({file});
  run([&](TK_OBJ w) { TKT_Click(RES_GetSub(w, PREFS_LOAD)); }, PREFS_OK);
  EXPECT_EQ(ctl->disp_codes[9], 1);
  EXPECT_EQ(ctl->disp_codes[10], 1);
  ks_free(saved.lane_chars);
}

TEST_F(Prefs, AFileBoxWithoutAFileStaysUnticked) {
  const std::string missing = ws_->file("gone.sel");
  TKT_AnswerChooser({missing});  // refused: it does not exist
  bool unticked = false;
  run(
      [&](TK_OBJ w) {
        TKT_Click(on_page(w, 2, 2));
        unticked = WGT_GetValue(on_page(w, 2, 2)) == 0;
      },
      PREFS_OK);
  EXPECT_TRUE(unticked);
  EXPECT_STREQ(gt_get_control()->lane_sel_file, "");
}

// A file that is there but cannot be opened for reading (whoever runs the test): a socket.
std::string unopenable(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << path;
  close(fd);
  return path;
}

TEST_F(Prefs, AFileThatCannotBeOpenedIsNamedInTheMessage) {
  const std::string list = unopenable(ws_->file("list.csv"));
  const std::string set = unopenable(ws_->file("ladder.std"));
  std::string list_text, set_text;
  bool list_unticked = false, set_unticked = false;
  run(
      [&](TK_OBJ w) {
        TKT_AnswerChooser({list});
        TKT_AnswerAlert(1);
        TKT_Click(on_page(w, 2, 3));
        list_text = TKT_LastAlertText();
        list_unticked = WGT_GetValue(on_page(w, 2, 3)) == 0;
        TKT_AnswerChooser({set});
        TKT_AnswerAlert(1);
        TKT_Click(on_page(w, 4, 9));
        set_text = TKT_LastAlertText();
        set_unticked = WGT_GetValue(on_page(w, 4, 9)) == 0;
      },
      PREFS_CANCEL);
  EXPECT_NE(list_text.find("list.csv"), std::string::npos) << list_text;
  EXPECT_NE(set_text.find("ladder.std"), std::string::npos) << set_text;
  EXPECT_TRUE(list_unticked);
  EXPECT_TRUE(set_unticked);
}

TEST_F(Prefs, ThePreferencesCommandRunsTheDialogAndRefreshes) {
  QTimer::singleShot(0, [] {
    if (TK_OBJ w = TKT_FindWindow("prefs", "prefs_win")) TKT_Click(RES_GetSub(w, PREFS_CANCEL));
  });
  main_winNfySelMenuBar(win_, GT_CMD_PREFERENCES);
  EXPECT_EQ(gt_dispatch_last_command(), GT_CMD_REFRESH);
  EXPECT_EQ(TKT_FindWindow("prefs", "prefs_win"), nullptr);
}

TEST(ColourChooser, ElevenSwatchesAndTheChosenColourAsBackground) {
  shelltest::load_resources();
  TKT_Enable(true);
  TK_OBJ w = WIN_Load("prefs", "prefs_win");
  ASSERT_NE(w, nullptr);
  static TK_OBJ chooser = nullptr;
  static TkColor seen_bg = 0;
  static int calls = 0;
  chooser = RES_GetSub(RES_GetSub(w, PREFS_PAGE_FIRST + 1), 7);
  calls = 0;
  // The chooser is repainted before the dialog's procedure runs: the procedure sees its colour.
  ui_color_init(chooser, [](TK_OBJ) {
    ++calls;
    WGT_GetColors(chooser, &seen_bg, nullptr);
  });
  RES_SetNfy(chooser, ui_color_notify);
  ASSERT_EQ(LIST_Count(chooser), UI_COLOR_COUNT);  // code 11 is not offered
  EXPECT_STREQ(LIST_Item(chooser, 10), "None");
  TkColor bg = 0, fg = 0;
  CHOICE_GetItemColors(chooser, 3, &bg, &fg);
  EXPECT_EQ(bg, 0x0000FFu);  // Blue on white text
  EXPECT_EQ(fg, 0xFFFFFFu);
  CHOICE_GetItemColors(chooser, 1, &bg, &fg);
  EXPECT_EQ(bg, 0xFFFF00u);
  EXPECT_EQ(fg, 0x000000u);

  ui_color_set(chooser, 10);  // None: gray with white text
  WGT_GetColors(chooser, &bg, &fg);
  EXPECT_EQ(bg, DRAW_StockColor(6));
  EXPECT_EQ(fg, 0xFFFFFFu);
  ui_color_set(chooser, 42);  // outside the list: the colours stay
  WGT_GetColors(chooser, &bg, &fg);
  EXPECT_EQ(bg, DRAW_StockColor(6));

  TKT_Pick(chooser, 5);  // Green, picked with the mouse
  EXPECT_EQ(seen_bg, DRAW_StockColor(5));
  EXPECT_EQ(calls, 1);
  WIN_Terminate(w);
}

}  // namespace
