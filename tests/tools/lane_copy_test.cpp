// The lane copy tool in open image windows: its start limits, drop points moved inward, the
// placed lanes, and every way the tool ends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lane_tool_fixture.h"
#include "grab.h"
#include "model/task_state.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_tool_wins.h"

namespace {

class LaneCopy : public toolstest::LaneToolTest {
 protected:
  static LANE* add_lane(IMAGE_REC* im, int x, bool selected, const char* name = "L") {
    return LaneToolTest::add_lane(im, x, selected, name);
  }
  IMAGE_REC* gel(const char* name, int w, int h) {
    IMAGE_REC* im = open(shelltest::write_gel(dir, name, w, h));
    EXPECT_NE(im, nullptr);
    return im;
  }
  // The three-lane group (x 40, 80, 120) on a 300 x 200 gel, started.
  IMAGE_REC* started() {
    IMAGE_REC* im = gel("src", 300, 200);
    for (int x : {40, 80, 120}) add_lane(im, x, true, "named");
    gt_set_image_ptr(im);
    gt_copy_lanes_and_bands(win_, im, 0);
    EXPECT_EQ(gt_copy_lanes_active(), 1);
    EXPECT_EQ(ctl->task_state, TS_COPY_LANES);
    return im;
  }
  static std::vector<int> lane_xs(IMAGE_REC* im) {
    std::vector<int> xs;
    for (LANE* l = im->lanes->next; l; l = l->next) xs.push_back(l->center_coords[0].x);
    return xs;
  }
  void expect_ended() {
    EXPECT_EQ(gt_copy_lanes_active(), 0);
    EXPECT_EQ(ctl->task_state, TS_IDLE);
    EXPECT_EQ(TKT_FindWindow("ln_cpy", "ln_cpy_win"), nullptr);
    for (int i = 0; i < gt_get_num_img_windows(); ++i) {
      const IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)));
      EXPECT_EQ(im->lane_copy.prepared, 0);
      EXPECT_EQ(im->lane_copy.num_lanes, 0);
      EXPECT_EQ(im->lane_copy.num_drops, 0);
      EXPECT_EQ(im->lane_copy.copies, nullptr);
    }
  }
  static void press_ok() {
    TK_OBJ w = TKT_FindWindow("ln_cpy", "ln_cpy_win");
    ASSERT_NE(w, nullptr);
    TKT_Click(RES_GetSub(w, 1));
    EVENT_Flush();
  }
};

TEST_F(LaneCopy, StartsOnlyWhileTheImageCanHoldTheCopies) {
  IMAGE_REC* im = gel("many", 3000, 200);
  for (int k = 0; k < 480; ++k) add_lane(im, 10 + 6 * k, k < 21);
  gt_set_image_ptr(im);
  gt_copy_lanes_and_bands(win_, im, 0);  // 480 + 21 > 500
  EXPECT_EQ(gt_copy_lanes_active(), 0);
  EXPECT_EQ(ctl->task_state, TS_IDLE);
  EXPECT_EQ(TKT_FindWindow("ln_cpy", "ln_cpy_win"), nullptr);
  im->lanes->next->f &= ~uint32_t(LN_F_SELECTED);
  im->num_sel_lanes = 20;
  gt_copy_lanes_and_bands(win_, im, 0);
  EXPECT_EQ(gt_copy_lanes_active(), 1);
  EXPECT_NE(TKT_FindWindow("ln_cpy", "ln_cpy_win"), nullptr);
  EXPECT_EQ(im->lane_copy.num_lanes, 20);
}

TEST_F(LaneCopy, TwoDropsOfThreeLanesAddSixLanesInOrder) {
  IMAGE_REC* im = started();
  // The group spans x 31..129 and y 20..120: half sizes 49 and 50. A corner drop moves inward.
  gt_copy_lanes_drop(im, 200, 70);
  gt_copy_lanes_drop(im, 299, 199);
  EXPECT_EQ(im->lane_copy.drops[1][0], 300 - 49 - 1);
  EXPECT_EQ(im->lane_copy.drops[1][1], 200 - 50 - 1);
  gt_copy_lanes_drop(im, 0, 0);
  EXPECT_EQ(im->lane_copy.drops[2][0], 49);
  EXPECT_EQ(im->lane_copy.drops[2][1], 50);
  im->lane_copy.num_drops = 2;  // the last drop taken back for the count below
  im->modified = 0;
  press_ok();
  EXPECT_EQ(lane_xs(im), (std::vector<int>{40, 80, 120, 160, 200, 210, 240, 250, 290}));
  EXPECT_EQ(im->lane_hdr->num_lanes, 9);
  int number = 0;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    EXPECT_STREQ(l->lane_name, "");
    EXPECT_EQ(l->lane_number, ++number);
    EXPECT_NE(l->f & LN_F_TOOL_MARK, 0u);  // confirmed
  }
  EXPECT_EQ(im->modified, 1);
  expect_ended();
}

TEST_F(LaneCopy, DropsInOtherImagesAndASmallOne) {
  IMAGE_REC* src = started();
  IMAGE_REC* other = gel("other", 250, 150);
  IMAGE_REC* small = gel("small", 60, 60);
  gt_copy_lanes_drop(other, 125, 75);
  gt_copy_lanes_drop(small, 30, 30);
  EXPECT_EQ(small->lane_copy.prepared, 1);
  EXPECT_EQ(small->lane_copy.num_drops, 0);
  other->modified = small->modified = src->modified = 0;
  press_ok();
  EXPECT_EQ(lane_xs(other), (std::vector<int>{85, 125, 165}));
  EXPECT_EQ(other->modified, 1);
  EXPECT_EQ(lane_xs(small), std::vector<int>{});
  EXPECT_EQ(small->modified, 0);
  EXPECT_EQ(lane_xs(src).size(), 3u);
  expect_ended();
}

TEST_F(LaneCopy, EveryEndingPathClearsTheBlocks) {
  struct Path {
    const char* what;
    void (*end)(TK_OBJ win);
  };
  const Path paths[] = {
      {"OK", [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 1)); }},
      {"Cancel", [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 2)); }},
      {"close box", [](TK_OBJ w) { TKT_Close(w); }},
      {"close all", [](TK_OBJ) { gt_tool_wins_dismiss_all(); }},
  };
  for (const Path& p : paths) {
    SCOPED_TRACE(p.what);
    IMAGE_REC* src = started();
    IMAGE_REC* other = gel("dest", 250, 150);
    gt_copy_lanes_drop(other, 125, 75);
    gt_copy_lanes_drop(src, 200, 70);
    TK_OBJ w = TKT_FindWindow("ln_cpy", "ln_cpy_win");
    ASSERT_NE(w, nullptr);
    if (p.end == paths[0].end) {
      EXPECT_TRUE(toolstest::grab(w, dir, "ln_cpy"));
    }
    p.end(w);
    EVENT_Flush();
    expect_ended();
    EXPECT_EQ(lane_xs(other).size(), p.what == std::string("OK") ? 3u : 0u);
    while (gt_get_num_img_windows() > 0) {
      gt_image_clear_modified(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(0))));
      WIN_Terminate(gt_get_img_window(0));
    }
  }
}

TEST_F(LaneCopy, TheSourceImageMayCloseWhileDropping) {
  IMAGE_REC* src = started();
  IMAGE_REC* other = gel("dest", 250, 150);
  gt_copy_lanes_drop(other, 125, 75);
  gt_image_clear_modified(src);
  WIN_Terminate(gt_get_img_window(0));  // the source
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  gt_set_image_ptr(other);
  TKT_Click(RES_GetSub(TKT_FindWindow("ln_cpy", "ln_cpy_win"), 1));
  EVENT_Flush();
  EXPECT_EQ(lane_xs(other), (std::vector<int>{85, 125, 165}));
  expect_ended();
}

}  // namespace
