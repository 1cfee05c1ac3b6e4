// Lane Boundaries from its start to OK or Cancel, renumbering lanes and bands, the standards
// recomputed when the band tools close, the pointer shapes of the dragging tools, and the Define
// Lanes step texts; on images open in their windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "lane_tool_fixture.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"

namespace {

class LaneTools : public toolstest::LaneToolTest {
 protected:
  static LANE* add_lane(IMAGE_REC* im, int x, bool selected, const char* name = "") {
    return LaneToolTest::add_lane(im, x, selected, name);
  }
  static SPOT* add_band(IMAGE_REC* im, int x, int y) {
    SPOT* b = sp_make_spot();
    b->x = x;
    b->y = y;
    b->f1 = 2;
    for (int i = 0; i < SP_BOUNDS; ++i) b->bound_x[i] = b->bound_y[i] = -1;
    sp_add_spot(b, im->bands);
    if (im->band_hdr) im->band_hdr->nrec++;
    im->has_bands = 1;
    return b;
  }
  static bool in_chain(const IMAGE_REC* im, const SPOT* b) {
    for (const SPOT* s = im->bands->next; s; s = s->next)
      if (s == b) return true;
    return false;
  }
  static void put_marker(STD_LIST* list, double x, double y, double value, int lane_num) {
    STD_MARKER m{};
    std_marker_clear(&m);
    m.x = x, m.y = y, m.value = value, m.lane_num = lane_num, m.flags = 1;
    m.ix = static_cast<int>(x), m.iy = static_cast<int>(y);
    ASSERT_GE(std_list_put(list, &m), 0);
  }
  IMAGE_REC* gel(const char* name) {
    IMAGE_REC* im = open(shelltest::write_gel(dir, name, 200, 150));
    EXPECT_NE(im, nullptr);
    if (im) gt_set_image_ptr(im);
    return im;
  }
  static TK_OBJ area(IMAGE_REC* im) { return static_cast<TK_OBJ>(im->draw_area); }
  // Gives the lane these centre points in place of its own.
  static void set_points(LANE* lane, std::initializer_list<LN_POINT> points) {
    auto* pts = static_cast<LN_POINT*>(ks_alloc_msg(points.size() * sizeof(LN_POINT)));
    std::copy(points.begin(), points.end(), pts);
    ks_free(lane->center_coords);
    lane->center_coords = pts;
    lane->num_center_points = static_cast<int>(points.size());
  }
};

}  // namespace

TEST_F(LaneTools, LaneBoundariesKeepTheEditOnlyOnOk) {
  struct Case {
    const char* ending;
    bool ok;
  } cases[] = {{"OK", true}, {"Cancel", false}, {"close box", false}, {"close all", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ending);
    IMAGE_REC* im = gel(c.ending);
    ASSERT_NE(im, nullptr);
    LANE* other = add_lane(im, 150, false);
    LANE* lane = add_lane(im, 60, true);
    SPOT* band = add_band(im, 60, 70);
    SPOT* elsewhere = add_band(im, 150, 70);
    im->modified = 0;

    ASSERT_EQ(gt_band_lane_bounds(win_, im), lane);
    TK_OBJ win = TKT_FindWindow("ln_bd", "ln_bd_win");
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(ctl->task_state, TS_LANE_BOUNDS);
    EXPECT_EQ(im->bnd_band_count, 1);

    // Over an edge point the drag pointer shows; a press there opens the drag of that side.
    gt_band_mousedrag(area(im), ctl, im, 69, 120);
    EXPECT_EQ(WGT_GetPointer(area(im)), 24);
    gt_band_mousedrag(area(im), ctl, im, 100, 70);
    EXPECT_EQ(WGT_GetPointer(area(im)), 1);
    im->click_pt[0] = 51, im->click_pt[1] = 20;
    gt_band_mouseclick(area(im), nullptr, ctl, im, 0);
    EXPECT_EQ(im->edit_pt, 0);
    EXPECT_EQ(im->edit_mode, 0);
    gt_band_mouserelease(area(im), ctl, im, 51, 20);

    // The edit the tool's drags make: narrower on the left, wider on the right, a slanted foot.
    lane->left_width = 5;
    lane->right_width = 13;
    lane->center_coords[1].x = 70;
    if (c.ok) TKT_Click(RES_GetSub(win, 1));
    else if (std::string(c.ending) == "Cancel") TKT_Click(RES_GetSub(win, 2));
    else if (std::string(c.ending) == "close box") TKT_Close(win);
    else gt_dismiss_all();
    EVENT_Flush();

    EXPECT_EQ(TKT_FindWindow("ln_bd", "ln_bd_win"), nullptr);
    EXPECT_EQ(ctl->task_state, TS_IDLE);
    EXPECT_EQ(im->save_lane_coords, nullptr);
    EXPECT_EQ(im->bnd_lane, nullptr);
    if (c.ok) {
      // Symmetric about a centre moved by half the difference, the edges where they were dragged.
      EXPECT_EQ(lane->left_width, 9);
      EXPECT_EQ(lane->right_width, 9);
      EXPECT_EQ(lane->center_coords[0].x, 64);
      EXPECT_EQ(lane->center_coords[1].x, 74);
      EXPECT_FALSE(in_chain(im, band));  // found again in the lane's new place
      EXPECT_EQ(im->modified, 1);
    } else {
      EXPECT_EQ(lane->left_width, 9);
      EXPECT_EQ(lane->right_width, 9);
      EXPECT_EQ(lane->center_coords[0].x, 60);
      EXPECT_EQ(lane->center_coords[1].x, 60);
      EXPECT_EQ(lane->num_center_points, 2);
      EXPECT_TRUE(in_chain(im, band));
    }
    EXPECT_TRUE(in_chain(im, elsewhere));
    EXPECT_EQ(other->center_coords[0].x, 150);
  }
}

TEST_F(LaneTools, LaneBoundariesCancelBringsBackAPointADragTookOut) {
  IMAGE_REC* im = gel("cancel");
  ASSERT_NE(im, nullptr);
  LANE* lane = add_lane(im, 60, true);
  // Three centre points: the top one dragged past the middle one takes its place.
  set_points(lane, {{60, 20}, {64, 70}, {60, 120}});
  ASSERT_EQ(gt_band_lane_bounds(win_, im), lane);
  TK_OBJ win = TKT_FindWindow("ln_bd", "ln_bd_win");
  ASSERT_NE(win, nullptr);
  TKT_SetImageMapping(true, im->img_ptr->zoom[0], 1.0);
  TKT_Press(area(im), 60, 20);
  TKT_Drag(area(im), 58, 60);
  TKT_Drag(area(im), 56, 90);
  TKT_Release(area(im), 56, 90);
  ASSERT_EQ(lane->num_center_points, 2);
  // and the right edge of the foot dragged out
  TKT_Press(area(im), 69, 120);
  TKT_Drag(area(im), 90, 120);
  TKT_Release(area(im), 90, 120);
  EXPECT_EQ(lane->right_width, 30);
  TKT_SetImageMapping(false);
  TKT_Click(RES_GetSub(win, 2));
  EVENT_Flush();
  EXPECT_EQ(ctl->task_state, TS_IDLE);
  EXPECT_EQ(lane->left_width, 9);
  EXPECT_EQ(lane->right_width, 9);
  ASSERT_EQ(lane->num_center_points, 3);
  const LN_POINT want[3] = {{60, 20}, {64, 70}, {60, 120}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(lane->center_coords[i].x, want[i].x) << i;
    EXPECT_EQ(lane->center_coords[i].y, want[i].y) << i;
  }
}

TEST_F(LaneTools, LaneBoundariesOneMotionPastSeveralPointsKeepsTheRowsInOrder) {
  // The first point dragged down, or the last one up, past two and more centre points in one
  // motion: every point passed goes, and OK profiles the lane in row order.
  struct Case {
    const char* what;
    LN_POINT from, to;
    std::vector<LN_POINT> want;
  } cases[] = {
      {"first past two", {60, 10}, {58, 70}, {{58, 70}, {60, 80}, {60, 130}}},
      {"first past three", {60, 10}, {58, 100}, {{58, 100}, {60, 130}}},
      {"last past two", {60, 130}, {62, 50}, {{60, 10}, {64, 40}, {62, 50}}},
      {"last past three", {60, 130}, {62, 30}, {{60, 10}, {62, 30}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IMAGE_REC* im = gel(c.what);
    ASSERT_NE(im, nullptr);
    LANE* lane = add_lane(im, 60, true);
    set_points(lane, {{60, 10}, {64, 40}, {62, 60}, {60, 80}, {60, 130}});
    ASSERT_EQ(gt_band_lane_bounds(win_, im), lane);
    TK_OBJ win = TKT_FindWindow("ln_bd", "ln_bd_win");
    ASSERT_NE(win, nullptr);
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], 1.0);
    TKT_Press(area(im), c.from.x, c.from.y);
    TKT_Drag(area(im), c.to.x, c.to.y);
    TKT_Release(area(im), c.to.x, c.to.y);
    TKT_SetImageMapping(false);
    TKT_Click(RES_GetSub(win, 1));
    EVENT_Flush();
    EXPECT_EQ(ctl->task_state, TS_IDLE);
    std::vector<LN_POINT> got(lane->center_coords, lane->center_coords + lane->num_center_points);
    ASSERT_EQ(got.size(), c.want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].x, c.want[i].x) << i;
      EXPECT_EQ(got[i].y, c.want[i].y) << i;
    }
    EXPECT_EQ(lane->num_data_values, c.want.back().y - c.want.front().y + 1);
  }
}

TEST_F(LaneTools, LaneBoundariesNeedASelectedLane) {
  IMAGE_REC* im = gel("plain");
  ASSERT_NE(im, nullptr);
  add_lane(im, 60, false);
  EXPECT_EQ(gt_band_lane_bounds(win_, im), nullptr);
  EXPECT_EQ(TKT_FindWindow("ln_bd", "ln_bd_win"), nullptr);
  EXPECT_EQ(ctl->task_state, TS_IDLE);
}

TEST_F(LaneTools, RenumberingLanesMovesTheMarkersInThem) {
  for (int clear : {0, 1}) {
    SCOPED_TRACE(clear);
    IMAGE_REC* im = gel(clear ? "clear" : "keep");
    ASSERT_NE(im, nullptr);
    LANE* lanes[] = {add_lane(im, 30, false, "a"), add_lane(im, 90, false, "b"), add_lane(im, 150, false, "c")};
    int n = 7;
    for (LANE* l : lanes) l->lane_number = n, n += 2;
    ASSERT_NE(im->size_stdp, nullptr);
    STD_LIST* list = im->size_stdp[0];
    ASSERT_NE(list, nullptr);
    put_marker(list, 90.4, 60.0, 1000, 9);  // in the middle lane, numbered for its old number
    put_marker(list, 120.0, 60.0, 500, 42);  // between the lanes
    gt_lane_renumber(im, clear);
    EXPECT_EQ(lanes[0]->lane_number, 1);
    EXPECT_EQ(lanes[1]->lane_number, 2);
    EXPECT_EQ(lanes[2]->lane_number, 3);
    EXPECT_STREQ(lanes[1]->lane_name, clear ? "" : "b");
    std::vector<int> nums;
    for (int i = 0; i < list->count; ++i) nums.push_back(list->records[i].lane_num);
    std::sort(nums.begin(), nums.end());
    EXPECT_EQ(nums, (std::vector<int>{2, 42}));
  }
}

TEST_F(LaneTools, BandsOfEveryOpenImageAreNumberedDownEachLane) {
  std::vector<std::vector<SPOT*>> bands;
  for (const char* name : {"one", "two"}) {
    IMAGE_REC* im = gel(name);
    ASSERT_NE(im, nullptr);
    add_lane(im, 40, false);
    add_lane(im, 120, false);
    // Added out of order, with numbers left from before.
    bands.push_back({add_band(im, 40, 90), add_band(im, 40, 30), add_band(im, 120, 100), add_band(im, 40, 60)});
    for (SPOT* b : bands.back()) b->number = 99;
  }
  EXPECT_EQ(gt_band_renumber_all(), 2);
  for (const auto& b : bands) {
    EXPECT_EQ(b[1]->number, 1);
    EXPECT_EQ(b[3]->number, 2);
    EXPECT_EQ(b[0]->number, 3);
    EXPECT_EQ(b[2]->number, 1);  // the only band of the second lane
  }
}

TEST_F(LaneTools, ClosingTheBandToolsRecomputesChangedStandards) {
  struct Case {
    const char* module;
    int state;
    void (*open)(TK_OBJ);
  } tools[] = {
      {"ad_bnd", TS_ADD_BAND, gt_ad_bnd_activate},
      {"ed_bnd", TS_EDIT_BAND, gt_ed_bnd_activate},
  };
  for (const Case& t : tools)
    for (int changed : {1, 0}) {
      SCOPED_TRACE(std::string(t.module) + (changed ? " changed" : " unchanged"));
      IMAGE_REC* im = gel((std::string(t.module) + std::to_string(changed)).c_str());
      ASSERT_NE(im, nullptr);
      add_lane(im, 60, false);
      SPOT* top = add_band(im, 60, 30);
      SPOT* mid = add_band(im, 60, 60);
      SPOT* low = add_band(im, 60, 90);
      put_marker(im->size_stdp[0], 60, 30, 1000, 1);
      put_marker(im->size_stdp[0], 60, 90, 400, 1);
      for (SPOT* b : {top, mid, low}) b->size = -7;
      im->std_changed = changed;
      t.open(win_);
      ctl->task_state = t.state;
      TK_OBJ win = TKT_FindWindow(t.module, (std::string(t.module) + "_win").c_str());
      ASSERT_NE(win, nullptr);
      TKT_Close(win);
      EVENT_Flush();
      EXPECT_EQ(TKT_FindWindow(t.module, (std::string(t.module) + "_win").c_str()), nullptr);
      EXPECT_EQ(ctl->task_state, TS_IDLE);
      EXPECT_EQ(im->std_changed, 0);
      if (changed) {
        EXPECT_NEAR(top->size, 1000, 1e-6);
        EXPECT_NEAR(low->size, 400, 1e-6);
        EXPECT_GT(mid->size, 400);
        EXPECT_LT(mid->size, 1000);
      } else {
        for (SPOT* b : {top, mid, low}) EXPECT_EQ(b->size, -7);
      }
    }
}

TEST_F(LaneTools, CopyLanesPlacesWithTheCrossThenDragsTheGroup) {
  IMAGE_REC* im = gel("copy");
  ASSERT_NE(im, nullptr);
  add_lane(im, 40, true);
  add_lane(im, 80, true);
  gt_copy_lanes_and_bands(win_, im, 0);
  ASSERT_EQ(ctl->task_state, TS_COPY_LANES);
  gt_band_mousedrag(area(im), ctl, im, 100, 70);
  EXPECT_EQ(WGT_GetPointer(area(im)), 1);  // the placing shape shows as the cross
  im->click_pt[0] = 100, im->click_pt[1] = 70;
  gt_band_mouseclick(area(im), nullptr, ctl, im, 0);
  ASSERT_EQ(im->lane_copy.dropped, 1);
  gt_band_mousedrag(area(im), ctl, im, 110, 75);
  EXPECT_EQ(WGT_GetPointer(area(im)), 24);
  gt_copy_lanes_cancel();
}

TEST_F(LaneTools, DefineLanesOffersTheNextLaneFromTheSecondLaneOfTheRun) {
  IMAGE_REC* im = gel("define");
  ASSERT_NE(im, nullptr);
  def_ln_new_run();
  auto next_lane_text = [] { return WGT_IsEnabled(RES_GetSub(TKT_FindWindow("def_ln", "def_ln_win"), 3)); };
  gt_def_ln_activate(win_);
  ctl->task_state = TS_DEFINE_LANES;
  ASSERT_NE(TKT_FindWindow("def_ln", "def_ln_win"), nullptr);
  EXPECT_FALSE(next_lane_text());
  // The first lane: its top, a point down its centre, finished by a double click.
  const int first[][2] = {{50, 20}, {52, 120}};
  for (const auto& p : first) {
    im->click_pt[0] = p[0], im->click_pt[1] = p[1];
    gt_band_mouseclick(area(im), nullptr, ctl, im, 0);
    EXPECT_FALSE(next_lane_text());
  }
  gt_band_doubleclick(area(im), ctl, im, 0);
  EXPECT_TRUE(gt_lane_any_pending(im->lanes));
  EXPECT_TRUE(next_lane_text());
  // Every later lane.
  im->click_pt[0] = 120, im->click_pt[1] = 20;
  gt_band_mouseclick(area(im), nullptr, ctl, im, 0);
  EXPECT_TRUE(next_lane_text());
  // Reopened in the same run, the text is offered at once.
  def_ln_dismiss();
  gt_def_ln_activate(win_);
  EXPECT_TRUE(next_lane_text());
  def_ln_dismiss();
}
