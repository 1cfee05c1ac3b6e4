// The band and lane tools' windows by the way they end: each ending returns the task state to
// 0 and either undoes the tool's unconfirmed work or keeps what its confirming button did.
#include <gtest/gtest.h>


#include <filesystem>
#include <functional>
#include <string>

#include "gel_record.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_open.h"
#include "test_support.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"
#include "when_shown.h"

using namespace toolstest;

namespace {


int lane_count(const IMAGE_REC* im) {
  int n = 0;
  for (LANE* l = im->lanes->next; l; l = l->next) ++n;
  return n;
}

enum class End { Button, CloseBox, Dismiss, DismissAll, Reopen };
const char* name(End e) {
  switch (e) {
    case End::Button: return "button";
    case End::CloseBox: return "close box";
    case End::Dismiss: return "dismiss";
    case End::DismissAll: return "dismiss all";
    case End::Reopen: return "re-activation";
  }
  return "";
}

class ToolWins : public GelTest {
 protected:
  // Ends the open window of (module) by the path; `button` is its ending button's index.
  void end(End how, const char* module, int button, const std::function<void()>& reopen,
           const std::function<void()>& dismiss) {
    const std::string win_name = std::string(module) + "_win";
    TK_OBJ win = TKT_FindWindow(module, win_name.c_str());
    ASSERT_NE(win, nullptr) << module;
    switch (how) {
      case End::Button: TKT_Click(RES_GetSub(win, button)); break;
      case End::CloseBox: TKT_Close(win); break;
      case End::Dismiss: dismiss(); break;
      case End::DismissAll: gt_dismiss_all(); break;
      case End::Reopen: reopen(); break;
    }
    EVENT_Flush();
  }

};

}  // namespace

TEST_F(ToolWins, LanePlacingWindowsDiscardTheirLanesHoweverTheyEnd) {
  struct Win {
    const char* module;
    int state, cancel;
    std::function<void()> open, dismiss;
  } wins[] = {
      {"fd_ln", 1, 4, [] { gt_fd_ln_activate(nullptr); }, fd_ln_dismiss},
      {"def_ln", 4, 4, [] { gt_def_ln_activate(nullptr); }, def_ln_dismiss},
      {"fd_bnd", 3, 1, [] { gt_fd_bnd_activate(nullptr, 1); }, fd_bnd_dismiss},
  };
  for (const Win& w : wins) {
    for (End how : {End::Button, End::CloseBox, End::Dismiss, End::DismissAll, End::Reopen}) {
      if (how == End::Reopen && std::string(w.module) == "def_ln") continue;  // not dismissed on open
      SCOPED_TRACE(std::string(w.module) + " by " + name(how));
      pending_lanes();
      w.open();
      gt_get_control()->task_state = w.state;
      end(how, w.module, w.cancel, w.open, w.dismiss);
      EXPECT_EQ(lane_count(im.get()), 0);
      if (how == End::Reopen) {
        // The new window of the kind is open, in its state again once its opener sets it.
        EXPECT_NE(TKT_FindWindow(w.module, (std::string(w.module) + "_win").c_str()), nullptr);
        w.dismiss();
      }
      EXPECT_EQ(gt_get_state(), 0);
    }
  }
}

TEST_F(ToolWins, FindBandsOkKeepsAndConfirmsItsLanes) {
  pending_lanes();
  gt_fd_bnd_activate(nullptr, 1);
  EXPECT_EQ(gt_get_state(), 3);
  // OK ends in the band refinement dialog; its close box keeps the bands found.
  const auto refined =
      vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ w) { TKT_Close(w); });
  TKT_Click(RES_GetSub(TKT_FindWindow("fd_bnd", "fd_bnd_win"), 0));
  EVENT_Flush();
  EXPECT_EQ(TKT_FindWindow("fd_bnd", "fd_bnd_win"), nullptr);
  EXPECT_EQ(lane_count(im.get()), 4);
  EXPECT_EQ(gt_lane_any_pending(im->lanes), 0);
  EXPECT_GT(im->band_hdr->nrec, 0);
  EXPECT_EQ(gt_get_state(), 0);
  EXPECT_TRUE(*refined);
}

TEST_F(ToolWins, DefineLanesDoneRefusedKeepsTheWindowReachable) {
  gt_def_ln_activate(nullptr);
  gt_get_control()->task_state = 4;
  TKT_AnswerAlert(1);
  TK_OBJ win = TKT_FindWindow("def_ln", "def_ln_win");
  TKT_Click(RES_GetSub(win, 1));  // Done with no lane: refused
  EVENT_Flush();
  ASSERT_EQ(TKT_FindWindow("def_ln", "def_ln_win"), win);
  gt_dismiss_all();  // still reached by the close-all routine
  EXPECT_EQ(TKT_FindWindow("def_ln", "def_ln_win"), nullptr);
  EXPECT_EQ(gt_get_state(), 0);
}

TEST_F(ToolWins, BandWindowsEndTheirStateAndKeepTheirToggle) {
  struct Win {
    const char* module;
    int state;
    std::function<void()> open, dismiss;
    std::function<long()> quant;
  } wins[] = {
      {"ad_bnd", 7, [] { gt_ad_bnd_activate(nullptr); }, ad_bnd_dismiss, ad_bnd_get_quant},
      {"ed_bnd", 15, [] { gt_ed_bnd_activate(nullptr); }, ed_bnd_dismiss, ed_bnd_get_quant},
  };
  for (const Win& w : wins) {
    for (End how : {End::Button, End::CloseBox, End::Dismiss, End::DismissAll, End::Reopen}) {
      SCOPED_TRACE(std::string(w.module) + " by " + name(how));
      gt_get_control()->add_band_quant = 0;
      w.open();
      gt_get_control()->task_state = w.state;
      TK_OBJ win = TKT_FindWindow(w.module, (std::string(w.module) + "_win").c_str());
      TKT_Click(RES_GetSub(win, 2));  // the quantify toggle, read live
      EXPECT_EQ(w.quant(), 1);
      end(how, w.module, 1, w.open, w.dismiss);
      // OK stores the toggle; the other endings leave the stored value.
      EXPECT_EQ(gt_get_control()->add_band_quant, how == End::Button ? 1 : 0);
      if (how == End::Reopen) w.dismiss();
      EXPECT_EQ(w.quant(), 0);
      EXPECT_EQ(gt_get_state(), 0);
    }
  }
}

TEST_F(ToolWins, MarkWindowsNeedABandAndClearItHoweverTheyEnd) {
  pending_lanes();
  gt_get_control()->fnd_bnd_quant = 0;
  gt_band_find_start(im.get(), 1);
  SPOT* band = im->bands->next;
  ASSERT_NE(band, nullptr);
  struct Win {
    const char* module;
    int state, done;
    SPOT* IMAGE_REC::*field;
    std::function<void()> open, dismiss;
  } wins[] = {
      {"bd_axe", 11, 4, &IMAGE_REC::axes_band, [this] { gt_bd_axe_activate(nullptr, im.get()); }, bd_axe_dismiss},
      {"bd_mrk", 10, 1, &IMAGE_REC::bounds_band, [this] { gt_bd_mrk_activate(nullptr, im.get()); }, bd_mrk_dismiss},
  };
  for (const Win& w : wins) {
    SCOPED_TRACE(w.module);
    im.get()->*w.field = nullptr;
    w.open();  // no band: the window does not open
    EXPECT_EQ(TKT_FindWindow(w.module, (std::string(w.module) + "_win").c_str()), nullptr);
    EXPECT_EQ(gt_get_state(), 0);
    for (End how : {End::Button, End::CloseBox, End::Dismiss, End::DismissAll}) {
      SCOPED_TRACE(name(how));
      im.get()->*w.field = band;
      w.open();
      EXPECT_EQ(gt_get_state(), w.state);
      end(how, w.module, w.done, w.open, w.dismiss);
      EXPECT_EQ(im.get()->*w.field, nullptr);
      EXPECT_EQ(gt_get_state(), 0);
    }
  }
}
