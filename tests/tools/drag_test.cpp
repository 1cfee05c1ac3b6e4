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

}  // namespace
