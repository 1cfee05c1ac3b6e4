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
#include "tools/gt_band_mouse.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"

using namespace toolstest;

namespace {

void load_resources() {
  if (RES_HasWindow("fd_bnd", "fd_bnd_win")) return;
  for (const auto& e : std::filesystem::directory_iterator(vxtest::source_dir() / "resources"))
    if (e.path().extension() == ".res") RES_OpenFile("gt", e.path().c_str());
}

class Mouse : public ::testing::Test {
 protected:
  void SetUp() override {
    load_resources();
    TKT_Enable(true);
    g.lanes = 4;
    g.write(dir.file("gel.kes"));
    im = gel_record(g, dir.file("gel.kes"));
    ctl = gt_get_control();
    ctl->task_state = 0;
    gt_set_image_ptr(im.get());
  }
  void TearDown() override {
    gt_tool_wins_dismiss_all();
    ctl->task_state = 0;
    gt_set_image_ptr(nullptr);
    TKT_Enable(false);
  }
  void press(int x, int y, int modifier = 0) {
    im->click_pt[0] = x, im->click_pt[1] = y;
    gt_band_mouseclick(nullptr, nullptr, ctl, im.get(), modifier);
  }
  void dbl(int x, int y, int modifier = 0) {
    im->click_pt[0] = x, im->click_pt[1] = y;
    gt_band_doubleclick(nullptr, ctl, im.get(), modifier);
  }
  std::vector<int> corners() const { return std::vector<int>(im->block_points, im->block_points + 8); }
  void analysed() {
    const int l = g.lane_x(0) - g.pitch / 2, r = g.lane_x(3) + g.pitch / 2;
    const int c[8] = {l, 60, r, 60, r, 560, l, 560};
    im->num_sel_lanes = 4;
    gt_block_lanes(c, im->lanes, im.get());
    ctl->fnd_bnd_quant = 0;
    gt_band_find_start(im.get(), 1);
    im->has_bands = 1;
  }

  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im;
  CONTROL* ctl = nullptr;
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

  // A band that is a standard takes its point with it.
  s->f2 |= SP_F2_SIZE_STD;
  std_list_append(sizes, &m);
  gt_band_set_selected(im.get(), s, 1);
  const int before = im->band_hdr->nrec;
  gt_band_delete_selected(im.get(), 0);
  EXPECT_EQ(im->band_hdr->nrec, before - 1);
  EXPECT_EQ(sizes->count, 0);

  // Lanes: all of them, with their bands.
  for (LANE* l = im->lanes->next; l; l = l->next) l->f |= LN_F_SELECTED;
  gt_band_delete_selected(im.get(), 1);
  EXPECT_EQ(im->lanes->next, nullptr);
  EXPECT_EQ(im->bands->next, nullptr);
  EXPECT_EQ(im->has_bands, 0);
  EXPECT_EQ(im->lane_hdr->num_tiers, 1);
}
