// Presses and double clicks on an image by task state, with the real engine; alerts are
// answered by the test driver.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "base/ks_mem.h"
#include "gel_record.h"
#include "model/control.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "engine/lane_geometry.h"
#include "tools/gt_band_copy.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"

using namespace toolstest;

namespace {


LANE* ln_make_lane_for_test() {
  static LANE lane{};  // only its tier is written
  return &lane;
}

class Mouse : public GelTest {
 protected:
  void press(int x, int y, int modifier = 0) {
    im->click_pt[0] = x, im->click_pt[1] = y;
    gt_band_mouseclick(nullptr, nullptr, ctl, im.get(), modifier);
  }
  void dbl(int x, int y, int modifier = 0) {
    im->click_pt[0] = x, im->click_pt[1] = y;
    gt_band_doubleclick(nullptr, ctl, im.get(), modifier);
  }
  std::vector<int> corners() const { return std::vector<int>(im->block_points, im->block_points + 8); }
};

}  // namespace

TEST_F(Mouse, BlockCornersKeepTheirDistancesAndTakeBacks) {
  gt_fd_ln_activate(nullptr);
  ctl->task_state = 1;
  im->num_sel_lanes = 4;
  press(100, 100);
  press(90, 300);   // left of the first: 5 px right of it, on its row
  press(500, 110);  // above: 30 rows below the higher top corner
  EXPECT_EQ(corners(), (std::vector<int>{100, 100, 105, 100, 500, 130, -1, -1}));
  press(0, 0, 1);  // take back corner 3
  EXPECT_EQ(im->block_step, 3);
  EXPECT_EQ(corners(), (std::vector<int>{100, 100, 105, 100, -1, -1, -1, -1}));
  press(500, 5000);  // below the image: the last row
  EXPECT_EQ(im->block_points[5], g.height - 1);
  dbl(0, 0, 1);  // a modifier double click restarts the block
  EXPECT_EQ(im->block_step, 1);
  EXPECT_EQ(corners(), std::vector<int>(8, -1));
  press(0, 0, 1);  // at step 1 the take-back clears corner 1 and stays at step 1
  EXPECT_EQ(im->block_step, 1);

  // Corners 1 and 2 past the image's right and bottom edges land on its last column and row.
  press(g.width + 40, g.height + 40);
  EXPECT_EQ(im->block_points[0], g.width - 1);
  EXPECT_EQ(im->block_points[1], g.height - 1);
  dbl(0, 0, 1);
  press(g.width - 3, 10);
  press(g.width + 40, 10);  // 5 px right of corner 1 would be outside too
  EXPECT_EQ(im->block_points[2], g.width - 1);
  dbl(0, 0, 1);

  // A whole block: the fourth corner (right of the third: 5 px left of it) makes the lanes
  // and opens Find Bands.
  const int l = g.lane_x(0) - g.pitch / 2, r = g.lane_x(3) + g.pitch / 2;
  press(l, 60);
  press(r, 60);
  press(r, 560);
  press(r + 50, 300);
  EXPECT_EQ(im->block_points[6], r - 5);
  EXPECT_EQ(im->block_points[7], 560);
  EXPECT_EQ(TKT_FindWindow("fd_ln", "fd_ln_win"), nullptr);
  EXPECT_NE(TKT_FindWindow("fd_bnd", "fd_bnd_win"), nullptr);
  EXPECT_EQ(gt_get_state(), 3);
  int lanes = 0;
  for (LANE* k = im->lanes->next; k; k = k->next) {
    ++lanes;
    EXPECT_FALSE(k->f & LN_F_TOOL_MARK);
  }
  EXPECT_EQ(lanes, 4);
}

TEST_F(Mouse, LanePointsGoDownwardsAndStopAtAHundred) {
  ctl->task_state = 4;
  press(100, 50);
  press(110, 40);  // above the previous point: one row below it
  ASSERT_EQ(im->num_lane_coords, 2);
  EXPECT_EQ(im->lane_coords[3], 51);
  for (int i = 2; i < 105; ++i) press(100, 60 + i);
  EXPECT_EQ(im->num_lane_coords, 100);
  press(0, 0, 1);
  EXPECT_EQ(im->num_lane_coords, 99);
  dbl(100, 400);  // ends the lane
  EXPECT_EQ(im->num_lane_coords, 0);
  ASSERT_NE(im->lanes->next, nullptr);
  EXPECT_EQ(im->lanes->next->num_center_points, 99);
}

TEST_F(Mouse, HitToleranceFollowsTheZoom) {
  struct Case {
    int zoom, tol;
  } cases[] = {{1, 7}, {-8, 12}, {-2, 10}, {4, 4}, {6, 4}};
  for (const Case& c : cases) EXPECT_EQ(gt_band_hit_tolerance(c.zoom), c.tol) << c.zoom;
}

TEST_F(Mouse, AddBandAtAClickAndOutsideTheLanes) {
  analysed();
  gt_ad_bnd_activate(nullptr);
  ctl->task_state = 7;
  const int before = im->band_hdr->nrec;
  press(g.lane_x(1), 145);
  EXPECT_EQ(im->band_hdr->nrec, before + 1);
  TKT_AnswerAlert(1);
  press(g.lane_x(1), 147);  // 2 rows away: refused
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(11));
  EXPECT_EQ(im->band_hdr->nrec, before + 1);
  TKT_AnswerAlert(1);
  press(g.lane_x(0) - g.pitch / 2 - 10, 145);  // left of every lane
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(32));
  EXPECT_EQ(im->band_hdr->nrec, before + 1);
}

TEST_F(Mouse, BoundMarksStopAtAHundredAndAxisMarksApplyAtFour) {
  analysed();
  SPOT* b = im->bands->next;
  im->bounds_band = b;
  ctl->task_state = 10;
  for (int i = 0; i < 100; ++i) press(b->x + (i % 2 ? 10 : -10), b->y - 5 + i % 11);
  EXPECT_EQ(im->num_lane_coords, 100);
  TKT_AnswerAlert(1);
  press(b->x, b->y);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(43));
  EXPECT_EQ(im->num_lane_coords, 100);
  dbl(0, 0, 1);
  EXPECT_EQ(im->num_lane_coords, 0);

  im->axes_band = b;
  ctl->task_state = 11;
  press(b->x - 12, b->y);
  press(b->x + 12, b->y);
  press(b->x, b->y - 4);
  press(0, 0, 1);
  EXPECT_EQ(im->num_lane_coords, 2);
  press(b->x, b->y - 4);
  press(b->x, b->y + 5);
  EXPECT_EQ(im->num_lane_coords, 0);  // applied
  EXPECT_EQ(b->f1 & SP_F1_TYPE_MASK, 11u);
  EXPECT_EQ(b->thickness, 9);
}

TEST_F(Mouse, DeleteSelectedOfEachKind) {
  analysed();
  STD_LIST* sizes = im->size_stdp[0];
  SPOT* s = im->bands->next;
  s->f2 |= SP_F2_SIZE_STD;
  STD_MARKER m{};
  m.x = s->x, m.y = s->y, m.value = 100, m.flags = STD_M_VALID, m.lane_num = 1;
  std_list_append(sizes, &m);
  SPOT* c = s->next;
  c->f2 |= SP_F2_CONC_STD;
  STD_MARKER k{};
  k.x = 0, k.y = c->amount, k.ix = c->x, k.iy = c->y, k.value = 5, k.flags = STD_M_VALID, k.lane_num = 1;
  std_list_append(*im->conc_stdp, &k);

  // Size standards: the point goes and its band is no longer a standard.
  sizes->records[0].flags |= STD_M_DELETE;
  gt_band_delete_selected(im.get(), 2);
  EXPECT_EQ(sizes->count, 0);
  EXPECT_FALSE(s->f2 & SP_F2_SIZE_STD);
  (*im->conc_stdp)->records[0].flags |= STD_M_DELETE;
  gt_band_delete_selected(im.get(), 3);
  EXPECT_EQ((*im->conc_stdp)->count, 0);
  EXPECT_FALSE(c->f2 & SP_F2_CONC_STD);

  // A band that is a standard takes its point with it: the first tier's that stands at its
  // position, and only that one.
  gt_lane_create_tier(im.get(), ln_make_lane_for_test());
  STD_LIST* upper = im->size_stdp[1];
  s->f2 |= SP_F2_SIZE_STD;
  std_list_append(sizes, &m);
  std_list_append(upper, &m);
  STD_MARKER other = m;
  other.y += 40;
  std_list_append(sizes, &other);
  gt_band_set_selected(im.get(), s, 1);
  const int before = im->band_hdr->nrec;
  gt_band_delete_selected(im.get(), 0);
  EXPECT_EQ(im->band_hdr->nrec, before - 1);
  ASSERT_EQ(sizes->count, 1);
  EXPECT_EQ(sizes->records[0].y, other.y);
  EXPECT_EQ(upper->count, 1);

  // Lanes: all of them, with their bands; emptied tiers above tier 0 go.
  for (LANE* l = im->lanes->next; l; l = l->next) l->f |= LN_F_SELECTED;
  gt_band_delete_selected(im.get(), 1);
  EXPECT_EQ(im->lanes->next, nullptr);
  EXPECT_EQ(im->bands->next, nullptr);
  EXPECT_EQ(im->has_bands, 0);
  EXPECT_EQ(im->lane_hdr->num_tiers, 1);
}

TEST_F(Mouse, CopyBoundsStampsAndApplies) {
  analysed();
  // Quantified bands of lane 0 are the picks: their outlines are the group.
  LANE* l0 = im->lanes->next;
  SPOT** arr = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &arr, l0, nullptr, nullptr);
  ASSERT_GT(n, 1);
  ASSERT_EQ(gt_band_quant_lane(im.get(), l0, arr, 2, -1), 2);
  SPOT* a = arr[0];
  ks_free(arr);
  gt_band_set_selected(im.get(), a, 1);
  a->amount = std::max(a->amount, 1.0);
  gt_band_copy_bounds(nullptr, im.get());
  ASSERT_NE(TKT_FindWindow("bd_cpy", "bd_cpy_win"), nullptr);
  EXPECT_EQ(gt_get_state(), 12);
  // The group follows the pointer over lane 2; a press stamps it there.
  int x0 = a->bound_x[0], x1 = a->bound_x[0];
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (a->bound_x[i] != -1) x0 = std::min(x0, a->bound_x[i]), x1 = std::max(x1, a->bound_x[i]);
  }
  const int centre_x = (x1 - x0) / 2 + x0;
  const int dx = 2 * g.pitch;
  gt_band_mousedrag(nullptr, ctl, im.get(), centre_x + dx, a->y + 0);
  press(centre_x + dx, a->y);
  EXPECT_EQ(gt_band_copy_stamp_count(im.get()), 1);
  // Stamps stop at 499.
  for (int i = 1; i < 499; ++i) gt_band_copy_bounds_stamp(im.get());
  EXPECT_EQ(gt_band_copy_stamp_count(im.get()), 499);
  TKT_AnswerAlert(1);
  EXPECT_EQ(gt_band_copy_bounds_stamp(im.get()), -1);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(43));
  // Apply: the band of lane 2 at that row takes the stamped outline (a copy moved by dx).
  SPOT* target = sp_nearest_by_y(im->lanes->next->next->next, a->y, -1, im->bands);
  ASSERT_NE(target, nullptr);
  const std::vector<int> src_x(a->bound_x, a->bound_x + SP_BOUNDS);
  TKT_Click(RES_GetSub(TKT_FindWindow("bd_cpy", "bd_cpy_win"), 1));
  EXPECT_EQ(gt_get_state(), 0);
  EXPECT_EQ(target->f1 & SP_F1_TYPE_MASK, 11u);
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (src_x[i] == -1) continue;
    EXPECT_EQ(target->bound_x[i], src_x[i] + dx) << i;
  }
  EXPECT_EQ(gt_band_copy_stamp_count(im.get()), 0);  // nothing left to stamp again
}

TEST_F(Mouse, CopyBoundsRefusesBandsWithoutAmountAndMoreThanAHundred) {
  analysed();
  SPOT* a = im->bands->next;
  a->amount = 0.0;
  gt_band_set_selected(im.get(), a, 1);
  TKT_AnswerAlert(1);
  gt_band_copy_bounds(nullptr, im.get());
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(42));
  EXPECT_EQ(TKT_FindWindow("bd_cpy", "bd_cpy_win"), nullptr);
  // 101 selected bands: refused, nothing picked.
  for (int i = 0; i < 101; ++i) {
    SPOT* b = sp_make();
    b->x = 10, b->y = 10 + i, b->amount = 1.0, b->f2 = SP_F2_SELECTED;
    sp_add_spot(b, im->bands);
  }
  a->amount = 1.0;
  TKT_AnswerAlert(1);
  gt_band_copy_bounds(nullptr, im.get());
  EXPECT_NE(TKT_LastAlertText().find("100"), std::string::npos);
  EXPECT_EQ(TKT_FindWindow("bd_cpy", "bd_cpy_win"), nullptr);
  EXPECT_EQ(gt_get_state(), 0);
}
