// Drags through the canvas (press, moves, release at image points): the model follows the
// pointer within the tool's limits, an expose between moves changes nothing, and the picture
// afterwards equals one drawn from scratch.
#include <gtest/gtest.h>

#include "../shell/image_view_fixture.h"
#include "base/ks_mem.h"
#include "model/control.h"
#include "model/lane.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_test.h"

using shelltest::ImageView;

namespace {

LANE* add_lane(IMAGE_REC* im, std::initializer_list<LN_POINT> pts, int half, uint32_t flags) {
  LANE* lane = ln_make_lane();
  lane->num_center_points = static_cast<int32_t>(pts.size());
  lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * pts.size()));
  int i = 0;
  for (const LN_POINT& p : pts) lane->center_coords[i++] = p;
  lane->left_width = lane->right_width = half;
  lane->f = flags;
  LANE* tail = im->lanes;
  while (tail->next) tail = tail->next;
  tail->next = lane;
  return lane;
}

TEST(Drags, LaneDragsEndAtTheirLimitsWithOrWithoutExposes) {
  struct Case {
    int state;
    LN_POINT press;
    std::vector<LN_POINT> moves;
    bool expose;
    LN_POINT first, last;  // the lane's end points afterwards
    int left, right;       // its widths afterwards
  } cases[] = {
      // State 3, a whole pending lane dragged far left: it stops with its left edge at 0.
      {3, {100, 60}, {{80, 62}, {20, 64}, {-50, 66}}, false, {10, 26}, {10, 186}, 10, 10},
      {3, {100, 60}, {{80, 62}, {20, 64}, {-50, 66}}, true, {10, 26}, {10, 186}, 10, 10},
      // State 3, a centre point dragged sideways only, held inside the image.
      {3, {100, 100}, {{150, 130}, {400, 20}}, true, {100, 20}, {100, 180}, 10, 10},
      // State 5, the right edge of the middle point dragged outwards.
      {5, {110, 100}, {{120, 100}, {131, 90}}, false, {100, 20}, {100, 180}, 10, 31},
      {5, {110, 100}, {{120, 100}, {131, 90}}, true, {100, 20}, {100, 180}, 10, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << c.state << (c.expose ? " with exposes" : ""));
    ImageView v(300, 200);
    LANE* lane = add_lane(v.image, {{100, 20}, {100, 100}, {100, 180}}, 10, c.state == 3 ? 0u : uint32_t(LN_F_TOOL_MARK));
    CONTROL* ctl = gt_get_control();
    ctl->task_state = c.state;
    v.image->edit_lane = 0;
    v.expose();
    TKT_SetImageMapping(true, 1, 1.0);
    TKT_Press(v.area, c.press.x, c.press.y);
    for (const LN_POINT& m : c.moves) {
      TKT_Drag(v.area, m.x, m.y);
      if (c.expose) v.expose();
    }
    TKT_Release(v.area, c.moves.back().x, c.moves.back().y);
    EVENT_Flush();
    const LN_POINT* p = lane->center_coords;
    const int n = lane->num_center_points;
    if (c.state == 3 && c.press.y == 100) {
      // the centre point moved sideways to the right limit: image width - right width - 1
      EXPECT_EQ(p[1].x, 300 - 10 - 1);
      EXPECT_EQ(p[1].y, 100);
    }
    EXPECT_EQ(p[0].x, c.first.x);
    EXPECT_EQ(p[0].y, c.first.y);
    EXPECT_EQ(p[n - 1].x, c.last.x);
    EXPECT_EQ(p[n - 1].y, c.last.y);
    EXPECT_EQ(lane->left_width, c.left);
    EXPECT_EQ(lane->right_width, c.right);
    const QImage after = v.backing().copy();
    EXPECT_EQ(after, v.expose());
    ctl->task_state = 0;
    v.image->edit_lane = -1;
  }
}

// Lane Boundaries: every part of the edited lane dragged past its limit stops where the lane
// would leave the image, and an edge keeps at least one pixel of width.
TEST(Drags, LaneBoundaryDragsStopWhereTheLaneWouldLeaveTheImage) {
  struct Case {
    const char* what;
    LN_POINT press;
    std::vector<LN_POINT> moves;
    LN_POINT first, middle, last;
    int left, right;
  } cases[] = {
      // The left edge of the middle point: out to the least centre x, in to one pixel.
      {"left edge out", {90, 100}, {{50, 100}, {-40, 90}}, {60, 20}, {100, 100}, {140, 180}, 60, 10},
      {"left edge in", {90, 100}, {{100, 100}, {160, 110}}, {60, 20}, {100, 100}, {140, 180}, 1, 10},
      // The right edge: out until the greatest centre x plus the width meets the last column.
      {"right edge out", {110, 100}, {{200, 100}, {400, 100}}, {60, 20}, {100, 100}, {140, 180}, 10, 159},
      {"right edge in", {110, 100}, {{90, 100}, {20, 100}}, {60, 20}, {100, 100}, {140, 180}, 10, 1},
      // A centre point keeps a width's distance from either side.
      {"middle left", {100, 100}, {{40, 100}, {-30, 100}}, {60, 20}, {10, 100}, {140, 180}, 10, 10},
      {"middle right", {100, 100}, {{250, 100}, {400, 100}}, {60, 20}, {289, 100}, {140, 180}, 10, 10},
      {"first up and left", {60, 20}, {{30, 5}, {-30, -30}}, {10, 0}, {100, 100}, {140, 180}, 10, 10},
      {"last down and right", {140, 180}, {{200, 190}, {400, 400}}, {60, 20}, {100, 100}, {289, 199}, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageView v(300, 200);
    LANE* lane = add_lane(v.image, {{60, 20}, {100, 100}, {140, 180}}, 10, uint32_t(LN_F_TOOL_MARK));
    CONTROL* ctl = gt_get_control();
    ctl->task_state = 5;
    v.image->edit_lane = 0;
    v.expose();
    TKT_SetImageMapping(true, 1, 1.0);
    TKT_Press(v.area, c.press.x, c.press.y);
    for (const LN_POINT& m : c.moves) TKT_Drag(v.area, m.x, m.y);
    TKT_Release(v.area, c.moves.back().x, c.moves.back().y);
    EVENT_Flush();
    ASSERT_EQ(lane->num_center_points, 3);
    const LN_POINT* p = lane->center_coords;
    const LN_POINT want[3] = {c.first, c.middle, c.last};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(p[i].x, want[i].x) << "point " << i;
      EXPECT_EQ(p[i].y, want[i].y) << "point " << i;
    }
    EXPECT_EQ(lane->left_width, c.left);
    EXPECT_EQ(lane->right_width, c.right);
    ctl->task_state = 0;
    v.image->edit_lane = -1;
  }
}

}  // namespace
