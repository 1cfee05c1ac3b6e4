// The lane dialogs: background (live angle, Cancel, all lanes), name, comments with the
// template, lane order moves, the multiplex window's Done, and the id lists they share.
#include <gtest/gtest.h>

#include <QTimer>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "gel_record.h"
#include "grab.h"
#include "base/lane_comment.h"
#include "engine/lane_geometry.h"
#include "engine/lane_profile.h"
#include "model/task_state.h"
#include "toolkit/tk_chart.h"
#include "tools/gt_band_mouse.h"
#include "shell/gt_dispatch.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_idx_list.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/gt_tool_wins.h"

namespace {

using toolstest::GelTest;

// Runs `act` on the window once the modal loop is running.
void when_open(const char* module, const char* window, std::function<void(TK_OBJ)> act) {
  QTimer::singleShot(0, [=] {
    if (TK_OBJ w = TKT_FindWindow(module, window)) act(w);
  });
}

TEST(IdxList, AppendSortMove) {
  int l[5] = {-1, -1, -1, -1, -1};
  for (int v : {4, 2, 9}) EXPECT_EQ(idx_list_append(l, 5, v), 1);
  idx_list_sort(l, 5);
  EXPECT_EQ((std::vector<int>(l, l + 5)), (std::vector<int>{2, 4, 9, -1, -1}));
  int full[2] = {1, 2};
  EXPECT_EQ(idx_list_append(full, 2, 3), 0);
  int to[5] = {7, 8, -1, -1, -1};
  struct Case {
    int from_row, to_row, after, moved;
    std::vector<int> from, to;
  };
  const Case cases[] = {
      {0, 1, 0, 1, {4, 9, -1, -1, -1}, {7, 2, 8, -1, -1}},   // before row 1
      {0, 1, 1, 1, {4, 9, -1, -1, -1}, {7, 8, 2, -1, -1}},   // after row 1
      {1, 4, 0, 1, {2, 9, -1, -1, -1}, {7, 8, 4, -1, -1}},   // past the last id: right after it
      {3, 0, 0, 0, {2, 4, 9, -1, -1}, {7, 8, -1, -1, -1}},   // from an empty row: nothing
  };
  for (const Case& c : cases) {
    int f[5], t[5];
    std::copy(l, l + 5, f), std::copy(to, to + 5, t);
    EXPECT_EQ(idx_list_move(f, c.from_row, t, c.to_row, 5, c.after), c.moved);
    EXPECT_EQ(std::vector<int>(f, f + 5), c.from);
    EXPECT_EQ(std::vector<int>(t, t + 5), c.to);
  }
}

class LaneBackground : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    analysed();
    for (LANE* l = im->lanes->next; l; l = l->next) l->f &= ~uint32_t(LN_F_SELECTED);
    lane = im->lanes->next->next;
    lane->f |= LN_F_SELECTED;
    im->num_sel_lanes = 1;
    lane->max_angle = 30, lane->bckgrnd_type = 1;
    base.assign(lane->baseline_values, lane->baseline_values + lane->num_data_values);
  }
  LANE* lane = nullptr;
  std::vector<int> base;
};

TEST_F(LaneBackground, CancelRestoresTheLane) {
  int live_angle = -1;
  bool chart = false;
  when_open("ln_bg", "ln_bg_win", [&](TK_OBJ w) {
    TK_OBJ slider = RES_GetSub(RES_GetSub(w, 0), 0);
    WGT_SetValue(slider, 75);
    TKT_Send(slider, TK_EV_ACTIVATE);
    TKT_Click(RES_GetSub(RES_GetSub(w, 0), 1));  // no background
    live_angle = lane->max_angle;
    chart = CHART_GetCount(RES_GetSub(w, 1)) == lane->num_data_values &&
            CHART_GetPerPoint(RES_GetSub(w, 1)) == 2;
    TKT_Click(RES_GetSub(RES_GetSub(w, 0), 1));  // background back on for the picture
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "ln_bg"));
    TKT_Click(RES_GetSub(RES_GetSub(w, 0), 4));
  });
  gt_land_bkgd_activate(nullptr);
  EXPECT_EQ(live_angle, 75);
  EXPECT_TRUE(chart);
  EXPECT_EQ(lane->max_angle, 30);
  EXPECT_EQ(lane->bckgrnd_type, 1);
  EXPECT_EQ(std::vector<int>(lane->baseline_values, lane->baseline_values + lane->num_data_values), base);
}

TEST_F(LaneBackground, AllLanesOkSelectsAndCountsEveryLane) {
  im->modified = 0;
  when_open("ln_bg", "ln_bg_win", [](TK_OBJ w) {
    TKT_Type(RES_GetSub(RES_GetSub(w, 0), 6), "12");
    if (!WGT_GetValue(RES_GetSub(RES_GetSub(w, 0), 2))) TKT_Click(RES_GetSub(RES_GetSub(w, 0), 2));
    TKT_Click(RES_GetSub(RES_GetSub(w, 0), 3));
  });
  gt_land_bkgd_activate(nullptr);
  int n = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++n) {
    EXPECT_EQ(l->max_angle, 12);
    EXPECT_TRUE(l->f & LN_F_SELECTED);
  }
  EXPECT_EQ(n, 4);
  EXPECT_EQ(im->num_sel_lanes, 4);
  EXPECT_EQ(ctl->bg_all_lanes, 1);
  EXPECT_EQ(im->modified, 1);
}

TEST_F(LaneBackground, RequantifyTakesEachBandsBaselineAgain) {
  // Every band's baseline and peak left stale; OK with requantify, for the lane and for all lanes.
  for (bool all : {false, true}) {
    SCOPED_TRACE(all ? "all lanes" : "one lane");
    std::vector<SPOT*> bands;
    for (SPOT* b = im->bands->next; b; b = b->next) {
      b->baseline = 1 << 20;
      b->od = 3;
      bands.push_back(b);
    }
    ASSERT_FALSE(bands.empty());
    im->band_hdr->nrec = static_cast<int>(bands.size());
    when_open("ln_bg", "ln_bg_win", [all](TK_OBJ w) {
      TK_OBJ panel = RES_GetSub(w, 0);
      TKT_Type(RES_GetSub(panel, 6), "20");
      if ((WGT_GetValue(RES_GetSub(panel, 2)) != 0) != all) TKT_Click(RES_GetSub(panel, 2));
      if (!WGT_GetValue(RES_GetSub(panel, 8))) TKT_Click(RES_GetSub(panel, 8));
      TKT_Click(RES_GetSub(panel, 3));
    });
    gt_land_bkgd_activate(nullptr);
    EXPECT_EQ(ctl->bg_requant, 1);
    int redone = 0;
    for (SPOT* b : bands) {
      LANE* in = nullptr;
      for (LANE* l = im->lanes->next; l && !in; l = l->next)
        if (ln_xyinlane(b->x, b->y, l)) in = l;
      ASSERT_NE(in, nullptr);
      if (!all && in != lane) {
        EXPECT_EQ(b->baseline, 1 << 20);  // the other lanes are left alone
        continue;
      }
      ++redone;
      EXPECT_EQ(b->baseline, ln_baseline_at(b->y, in)) << "band at row " << b->y;
      EXPECT_GE(b->od, b->baseline);
    }
    EXPECT_GT(redone, 0);
  }
}

class LaneTextDialogs : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    toolstest::load_resources();
    im = open(shelltest::write_gel(dir, "gel", 120, 100));
    ASSERT_NE(im, nullptr);
    shelltest::add_lane_and_band(im, 40, 10, 90, 50);
    lane = im->lanes->next;
    lane->f |= LN_F_SELECTED;
    lane->lane_number = 1;
    im->num_sel_lanes = 1;
    gt_set_image_ptr(im);
  }
  void TearDown() override {
    gt_tool_wins_dismiss_all();
    OpenImagesTest::TearDown();
  }
  IMAGE_REC* im = nullptr;
  LANE* lane = nullptr;
};

TEST_F(LaneTextDialogs, ANameKeepsTwentyCharacters) {
  when_open("ln_name", "ln_name_win", [](TK_OBJ w) {
    TKT_Type(RES_GetSub(w, 0), "abcdefghijklmnopqrstuvwxyz0123");
    TKT_Click(RES_GetSub(w, 1));
  });
  gt_lane_name(win_, im);
  EXPECT_STREQ(lane->lane_name, "abcdefghijklmnopqrst");
  EXPECT_EQ(im->modified, 1);
}

TEST_F(LaneTextDialogs, CommentsStartFromTheTemplateAndAreWritten) {
  std::ofstream(ws_->write_dir() + "lane_comments.txt") << "Sample:\nDate:\n";
  std::string shown;
  bool indicator = true;
  when_open("ln_comms", "ln_comms_win", [&](TK_OBJ w) {
    shown = TEXT_GetText(RES_GetSub(w, 4));
    indicator = WGT_IsEnabled(RES_GetSub(w, 3));
    EXPECT_TRUE(toolstest::grab(w, dir, "ln_comms"));
    TKT_Type(RES_GetSub(w, 4), "Sample: 7\n");
    TKT_Click(RES_GetSub(w, 1));
  });
  gt_lane_comments(win_, im);
  EXPECT_EQ(shown, "Sample:\nDate:\n");
  EXPECT_FALSE(indicator);
  char text[256];
  ASSERT_TRUE(lane_read_comments(text, sizeof text, im->file_path, im->image_name, 1));
  EXPECT_STREQ(text, "Sample: 7\n");
}

TEST_F(LaneTextDialogs, LaneOrderMovesAndEndings) {
  LnOrderEntry lanes[5];
  for (int i = 0; i < 5; ++i) {
    lanes[i].id = i;
    std::snprintf(lanes[i].name, sizeof lanes[i].name, "Lane %d", i);
  }
  auto rows = [](TK_OBJ list) {
    std::vector<std::string> out;
    for (int i = 0;; ++i) {
      WGT_SetChoice(list, i);
      if (WGT_GetChoice(list) != i) break;
      out.push_back(WGT_GetText(list) ? WGT_GetText(list) : "");
    }
    return out;
  };
  struct Ending {
    const char* what;
    int part;  // 1 OK, 2 Cancel, 0 the close box
    int result;
  };
  for (const Ending& e : {Ending{"OK", 1, 1}, Ending{"Cancel", 2, 0}, Ending{"close box", 0, 1}}) {
    SCOPED_TRACE(e.what);
    int order[5] = {3, 1, -1, -1, -1};
    std::vector<std::string> spare_before, spare_after;
    when_open("ln_order", "ln_order_win", [&](TK_OBJ w) {
      TK_OBJ panel = RES_GetSub(w, 0);
      spare_before = rows(RES_GetSub(panel, 0));
      TKT_Pick(RES_GetSub(panel, 5), 1);  // lane 1
      TKT_Pick(RES_GetSub(panel, 0), 0);
      TKT_Click(RES_GetSub(panel, 4));
      spare_after = rows(RES_GetSub(panel, 0));
      EXPECT_TRUE(toolstest::grab(w, dir, "ln_order"));
      if (e.part)
        TKT_Click(RES_GetSub(w, e.part));
      else
        TKT_Close(w);
    });
    EXPECT_EQ(gt_ln_order_activate(lanes, 5, order), e.result);
    EXPECT_EQ(spare_before, (std::vector<std::string>{"Lane 0", "Lane 2", "Lane 4", "", ""}));
    EXPECT_EQ(spare_after, (std::vector<std::string>{"Lane 0", "Lane 1", "Lane 2", "Lane 4", ""}));
    const std::vector<int> kept = {3, -1, -1, -1, -1}, old = {3, 1, -1, -1, -1};
    EXPECT_EQ(std::vector<int>(order, order + 5), e.result ? kept : old);
  }
}

TEST_F(LaneTextDialogs, MultiplexDoneOnlyAtThreeMarkers) {
  main_winNfySelMenuBar(win_, GT_CMD_MULTIPLEX_MARKERS);
  TK_OBJ w = TKT_FindWindow("multi", "multi_win");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(gt_get_control()->task_state, TS_MULTIPLEX_MARKERS);
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  std::vector<int> enabled;
  for (int k = 0; k < 4; ++k) {
    enabled.push_back(WGT_IsEnabled(RES_GetSub(w, 1)));
    im->click_pt[0] = 10 + 20 * k, im->click_pt[1] = 30;
    gt_band_mouseclick(area, nullptr, gt_get_control(), im, 0);
  }
  enabled.push_back(WGT_IsEnabled(RES_GetSub(w, 1)));
  EXPECT_EQ(enabled, (std::vector<int>{0, 0, 0, 1, 1}));  // a fourth click adds nothing
  EXPECT_TRUE(toolstest::grab(w, dir, "multi"));
  im->click_pt[0] = 0;
  gt_band_mouseclick(area, nullptr, gt_get_control(), im, 1);
  EXPECT_EQ(WGT_IsEnabled(RES_GetSub(w, 1)), 0);
  // Close All ends the window as Cancel does.
  gt_tool_wins_dismiss_all();
  EXPECT_EQ(im->mark_pts[0][0], -1);
  EXPECT_EQ(gt_get_control()->task_state, TS_IDLE);
}

}  // namespace
