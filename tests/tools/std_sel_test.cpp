// Selection of standard points and the standards line of a size row.
#include <gtest/gtest.h>

#include "engine/lane_geometry.h"
#include "gel_record.h"
#include "model/control.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_std_tools.h"

using namespace toolstest;

namespace {

class StdSel : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    ctl->sel_mode = SEL_SIZE_STDS;
    ASSERT_GT(analysed(), 0);
    // Three rows of size standards on the bands at rows 0, 2 and 4 of every lane.
    STD_LIST* list = im->size_stdp[0];
    for (LANE* l = im->lanes->next; l; l = l->next)
      for (int k : {0, 2, 4}) {
        const SPOT* b = sp_nearest_by_y(l, g.band_rows[k], -1, im->bands);
        ASSERT_NE(b, nullptr);
        STD_MARKER m;
        std_marker_clear(&m);
        m.x = b->x, m.y = b->y, m.ix = b->x, m.iy = b->y;
        m.value = 600 - 100 * k, m.lane_num = l->lane_number, m.flags = STD_M_VALID;
        std_list_append(list, &m);
      }
  }
  void TearDown() override {
    std_mod_dismiss();
    ctl->sel_mode = SEL_BANDS;
    GelTest::TearDown();
  }
  void select(int x, int y, int extend) {
    const int r[4] = {x, y, x, y};
    gt_std_size_select(nullptr, r, im.get(), extend);
  }
  int selected_of_value(double v) {
    int n = 0;
    const STD_LIST* l = im->size_stdp[0];
    for (int i = 0; i < l->count; ++i) n += l->records[i].value == v && (l->records[i].flags & STD_M_DELETE);
    return n;
  }
};

TEST_F(StdSel, ClickSelectsAPointNearbyAndARowFartherAway) {
  const int row2 = g.band_rows[2];
  select(g.lane_x(1) + 3, row2 + 2, 0);  // within 10 px of one point
  EXPECT_EQ(im->num_sel_size, 1);
  EXPECT_EQ(selected_of_value(400), 1);
  select(g.lane_x(1) + 3, row2 + 30, 0);  // farther: the row of the nearest point
  EXPECT_EQ(im->num_sel_size, g.lanes);
  EXPECT_EQ(selected_of_value(400), g.lanes);
  ASSERT_NE(im->std_line, nullptr);
  EXPECT_EQ(im->std_line->count, g.lanes + 2);  // one per lane and both image edges
  EXPECT_EQ(im->cur_std_value, 400);
  EXPECT_EQ(im->num_sel_size2, 1);  // one row: the line can be modified
  // Shift on a fully selected row unselects it; on a partly selected one selects it all.
  select(g.lane_x(1) + 3, row2 + 30, 1);
  EXPECT_EQ(selected_of_value(400), 0);
  EXPECT_EQ(im->num_sel_size2, 0);
  select(g.lane_x(2) + 3, row2 + 2, 1);
  ASSERT_EQ(selected_of_value(400), 1);
  select(g.lane_x(1) + 3, row2 + 30, 1);
  EXPECT_EQ(selected_of_value(400), g.lanes);
  // Without bands nothing happens.
  im->has_bands = 0;
  select(g.lane_x(0), g.band_rows[0], 0);
  EXPECT_EQ(selected_of_value(600), 0);
  im->has_bands = 1;
}

TEST_F(StdSel, ConcentrationClickTakesTheNearestPointHoweverFar) {
  STD_LIST* conc = gt_std_conc_list(im.get());
  STD_MARKER m;
  std_marker_clear(&m);
  m.ix = 10, m.iy = 10, m.value = 1, m.lane_num = 1, m.flags = STD_M_VALID;
  std_list_append(conc, &m);
  const int r[4] = {700, 500, 700, 500};
  ctl->sel_mode = SEL_CONC_STDS;
  gt_std_conc_select(nullptr, r, im.get(), 0);
  EXPECT_EQ(im->num_sel_conc, 1);
  EXPECT_TRUE(conc->records[0].flags & STD_M_DELETE);
}

TEST_F(StdSel, LineMovesByClicksAndApplyPutsItIntoTheRow) {
  select(g.lane_x(1) + 3, g.band_rows[2] + 30, 0);
  gt_std_modify_line(nullptr, im.get());
  EXPECT_EQ(ctl->task_state, TS_MODIFY_STDS_LINE);
  EXPECT_EQ(im->std_line_edit, 1);
  // A click in lane 0 at band row 3 moves that lane's line point onto the band.
  const SPOT* b = sp_nearest_by_y(im->lanes->next, g.band_rows[3], -1, im->bands);
  im->click_pt[0] = b->x, im->click_pt[1] = b->y;
  gt_band_mouseclick(nullptr, nullptr, ctl, im.get(), 0);
  TKT_Click(RES_GetSub(TKT_FindWindow("std_mod", "std_mod_win"), 0));
  EVENT_Flush();
  EXPECT_EQ(ctl->task_state, TS_IDLE);
  EXPECT_EQ(im->std_line_edit, 0);
  EXPECT_EQ(im->modified, 1);
  // Lane 0's 400 now lies on the band of row 3; the other lanes keep theirs.
  const STD_LIST* l = im->size_stdp[0];
  int moved = 0, rows = 0;
  for (int i = 0; i < l->count; ++i)
    if (l->records[i].value == 400) {
      ++rows;
      moved += l->records[i].lane_num == im->lanes->next->lane_number && l->records[i].iy == b->y;
    }
  EXPECT_EQ(rows, g.lanes);
  EXPECT_EQ(moved, 1);
}

TEST_F(StdSel, LineWindowEndsEveryWayWithStateZeroAndTheLineHidden) {
  select(g.lane_x(1) + 3, g.band_rows[2] + 30, 0);
  for (int how = 0; how < 3; ++how) {
    SCOPED_TRACE(how);
    gt_std_modify_line(nullptr, im.get());
    ASSERT_EQ(ctl->task_state, TS_MODIFY_STDS_LINE);
    TK_OBJ w = TKT_FindWindow("std_mod", "std_mod_win");
    if (how == 0) TKT_Click(RES_GetSub(w, 1));
    if (how == 1) TKT_Close(w);
    if (how == 2) gt_tool_wins_dismiss_all();
    EVENT_Flush();
    EXPECT_EQ(ctl->task_state, TS_IDLE);
    EXPECT_EQ(im->std_line_edit, 0);
    EXPECT_EQ(TKT_FindWindow("std_mod", "std_mod_win"), nullptr);
  }
}

}  // namespace
