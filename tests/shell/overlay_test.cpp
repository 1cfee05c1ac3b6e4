// Drawing layer and analysis overlays over an image window: coordinates at every zoom and scroll
// position, lanes and bands landing on their pixels, rubber bands that erase cleanly, and drags
// that change the model only through the mouse.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image_view_fixture.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "toolkit/tk_test.h"

using shelltest::ImageView;

namespace {

constexpr QRgb kBlue = 0x0000FF, kGreen = 0x00FF00;

LANE* add_lane(IMAGE_REC* im, std::initializer_list<LN_POINT> pts, int lw, int rw, uint32_t flags) {
  LANE* lane = ln_make_lane();
  lane->num_center_points = static_cast<int32_t>(pts.size());
  lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * pts.size()));
  int i = 0;
  for (const LN_POINT& p : pts) lane->center_coords[i++] = p;
  lane->left_width = lw;
  lane->right_width = rw;
  lane->f = flags;
  lane->lane_number = 1;
  LANE* tail = im->lanes;
  while (tail->next) tail = tail->next;
  tail->next = lane;
  im->lane_hdr->num_lanes++;
  return lane;
}

SPOT* add_band(IMAGE_REC* im, int x, int y) {
  SPOT* b = sp_make_spot();
  b->x = x;
  b->y = y;
  b->f1 = 2;  // quantified from the lane profile
  for (int i = 0; i < SP_BOUNDS; ++i) b->bound_x[i] = b->bound_y[i] = -1;
  sp_add_spot(b, im->bands);
  im->has_bands = 1;
  return b;
}

class Overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = gt_get_control();
    saved = *ctl;
    gt_control_init(ctl);
    ctl->task_state = 0;
    ctl->sel_mode = 0;
    ctl->annot_off = 0;
    ctl->disp_codes[DISP_BAND_CROSS] = 0;
  }
  void TearDown() override {
    TKT_SetImageMapping(false);
    *ctl = saved;
  }
  CONTROL* ctl = nullptr;
  CONTROL saved{};
};

TEST_F(Overlay, MappingOfImagePointsToTheView) {
  ImageView v(400, 300);
  struct Case {
    int zoom, x, y, ex, ey;
  } cases[] = {{1, 10, 7, 10, 7}, {2, 10, 7, 20, 14}, {-2, 10, 7, 5, 3}, {-3, 10, 7, 3, 2}};
  for (const Case& c : cases) {
    v.image->img_ptr->zoom[0] = c.zoom;
    const TkPoint p = ih_map_point(v.area, c.x, c.y, v.image->img_ptr);
    const TkRect vis = v.visible();
    EXPECT_EQ(p.x + vis.x, c.ex) << c.zoom;
    EXPECT_EQ(p.y + vis.y, c.ey) << c.zoom;
  }
  int x = 10, y = 7;
  gt_zoom_point(-3, 1.0, &x, &y);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 21);
  x = 10, y = 7;
  gt_zoom_point(2, 1.0, &x, &y);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 3);
}

TEST_F(Overlay, FarPointsOfALargeImageAtHighZoomDoNotWrap) {
  ImageView v(4000, 20);
  v.zoom(10);
  v.scroll(34900, 0);
  v.expose();
  ih_ann_draw_config(v.area, 0, 10, 0);
  // A vertical line at image column 3500 lands at canvas 35000, viewport 100.
  ih_draw_line(v.area, 3500, 0, 3500, 19, v.image->img_ptr);
  EXPECT_EQ(v.px(100, 50), 0xFF0000u);
  // A lane outline whose points lie far outside 16 bits: its left edge is in view.
  add_lane(v.image, {{3500, 0}, {3500, 19}}, 5, 5, LN_F_TOOL_MARK);
  v.image->has_bands = 1;
  v.expose();
  EXPECT_EQ(v.px(50, 100), kBlue);
}

TEST_F(Overlay, LanesAndBandsLandOnTheirImagePixels) {
  ImageView v(600, 500);
  add_lane(v.image, {{120, 40}, {120, 400}}, 10, 12, LN_F_TOOL_MARK);
  add_band(v.image, 120, 200);
  struct Case {
    int zoom, sx, sy;
  } cases[] = {{1, 0, 60}, {1, 20, 110}, {2, 150, 300}, {-2, 0, 0}, {3, 300, 500}};
  for (const Case& c : cases) {
    v.zoom(c.zoom);
    v.scroll(c.sx, c.sy);
    v.expose();
    const TkRect vis = v.visible();
    auto at = [&](int x, int y, QRgb colour) {
      int X, Y;
      if (shelltest::view_of(vis, c.zoom, x, y, &X, &Y)) {
        EXPECT_EQ(v.px(X, Y), colour) << "zoom " << c.zoom << " image " << x << "," << y;
      }
    };
    // The lane's edges on a row in view as far from the band as the view allows.
    const shelltest::ImageSpan span = shelltest::image_in_view(vis, c.zoom, 600, 500);
    const int row = shelltest::end_far_from(std::max(span.top, 42), std::min(span.bottom, 398), 200);
    EXPECT_GE(std::abs(row - 200), 4) << "zoom " << c.zoom << ": no lane row in view away from the band";
    at(110, row, kBlue);   // left edge of the lane
    at(132, row, kBlue);   // right edge
    at(120, 200, kGreen);  // the band's tick
  }
  vxtest::TempDir shots;
  TKT_Grab(v.win, vxtest::grab_path(shots, "overlay.png").c_str());
}

TEST_F(Overlay, ALanesNameStandsCentredOverTheLane) {
  ImageView v(400, 300);
  LANE* lane = add_lane(v.image, {{110, 60}, {110, 250}}, 10, 12, LN_F_TOOL_MARK);
  add_band(v.image, 110, 200);
  for (const char* name : {"Ladder lane 1", "7"}) {
    SCOPED_TRACE(name);
    std::snprintf(lane->lane_name, sizeof lane->lane_name, "%s", name);
    v.zoom(1);
    v.scroll(0, 0);
    ctl->annot_off = 1;  // the picture without overlays, to tell the label's pixels by
    v.expose();
    const QImage plain = v.backing().copy();
    ctl->annot_off = 0;
    v.expose();
    const TkRect vis = v.visible();
    // The label's pixels in the rows above the lane's first centre point.
    const shelltest::ImageSpan span = shelltest::image_in_view(vis, 1, 400, 300);
    ASSERT_GE(span.right, 200);
    int left = 10000, right = -1;
    for (int y = 30; y < 58; ++y)
      for (int x = 20; x <= span.right; ++x) {
        int X, Y;
        if (shelltest::view_of(vis, 1, x, y, &X, &Y) && v.px(X, Y) != (plain.pixel(X, Y) & 0xFFFFFF))
          left = std::min(left, x), right = std::max(right, x);
      }
    ASSERT_GE(right, left);
    ASSERT_LT(right, span.right) << "the label runs out of view";
    EXPECT_NEAR((left + right) / 2.0, 110.0, 2.0) << left << ".." << right;
  }
}

TEST_F(Overlay, AnExposeRepaintsTheWholeOverlayInEveryToolState) {
  ImageView v(300, 260);
  add_lane(v.image, {{120, 40}, {120, 220}}, 10, 12, LN_F_TOOL_MARK);
  add_band(v.image, 120, 150);
  struct Case {
    int state, mode;
  } cases[] = {{TS_ADD_BAND, SEL_BANDS},          {TS_EDIT_BAND, SEL_BANDS},
               {TS_FIND_LANES_AUTO, SEL_BANDS},   {TS_FIND_LANES_EVEN, SEL_LANES},
               {TS_MULTIPLEX_MARKERS, SEL_BANDS}, {TS_IDLE, SEL_SIZE_STDS},
               {TS_IDLE, SEL_CONC_STDS},          {TS_IDLE, SEL_BANDS}};
  for (const Case& c : cases) {
    ctl->task_state = c.state;
    ctl->sel_mode = c.mode;
    v.expose();
    EXPECT_EQ(v.px(110, 100), kBlue) << "state " << c.state << " mode " << c.mode;
    EXPECT_EQ(v.px(120, 150), kGreen) << "state " << c.state << " mode " << c.mode;
  }
}

TEST_F(Overlay, SelectionRectangleErasesCleanlyAndSelects) {
  ImageView v(300, 200);
  SPOT* band = add_band(v.image, 50, 50);
  v.image->has_bands = 1;
  const QImage before = v.expose().copy();
  TKT_SetImageMapping(true, 1, 1.0);
  TKT_Press(v.area, 20, 20);
  for (int i = 1; i <= 6; ++i) TKT_Drag(v.area, 20 + 17 * i, 20 + 11 * i);
  const QImage during = v.backing().copy();
  TKT_Release(v.area, 122, 86);
  EVENT_Flush();
  EXPECT_NE(during, before);
  // The band inside the rectangle is selected; no trace of the rectangle is left.
  EXPECT_TRUE(band->f2 & SP_F2_SELECTED);
  EXPECT_EQ(v.image->num_sel_bands, 1);
  const QImage after = v.backing().copy();
  EXPECT_EQ(after, v.expose());
}

TEST_F(Overlay, LaneDragMovesTheModelOnlyWithTheMouseAndErasesItsRubberBand) {
  ImageView v(300, 200);
  LANE* lane = add_lane(v.image, {{100, 20}, {100, 100}, {100, 180}}, 8, 8, 0);  // pending lane
  ctl->task_state = 3;
  const QImage before = v.expose().copy();
  TKT_SetImageMapping(true, 1, 1.0);
  TKT_Press(v.area, 100, 100);  // the middle centre point
  TKT_Drag(v.area, 107, 100);
  // Painting again does not move anything.
  gt_band_paint(v.area);
  gt_band_paint(v.area);
  TKT_Drag(v.area, 114, 130);
  EXPECT_EQ(lane->center_coords[1].x, 114);
  EXPECT_EQ(lane->center_coords[1].y, 100);  // a centre point moves only sideways
  EXPECT_EQ(lane->center_coords[0].x, 100);
  TKT_Release(v.area, 114, 130);
  EVENT_Flush();
  // After the drag the picture is the model's: the same as a fresh expose.
  const QImage after = v.backing().copy();
  EXPECT_EQ(after, v.expose());
  EXPECT_NE(after, before);

  // A whole-lane drag: press inside the lane away from its points.
  TKT_Press(v.area, 104, 60);
  TKT_Drag(v.area, 110, 65);
  TKT_Drag(v.area, 124, 70);
  TKT_Release(v.area, 124, 70);
  EXPECT_EQ(lane->center_coords[0].x, 120);
  EXPECT_EQ(lane->center_coords[0].y, 30);
  EXPECT_EQ(lane->center_coords[2].y, 190);
}

TEST_F(Overlay, LaneEditKeepsAtLeastTwoCentrePoints) {
  struct Case {
    std::initializer_list<LN_POINT> pts;
    int pt, to_y, points_after;
  } cases[] = {
      {{{50, 20}, {50, 100}}, 0, 150, 2},          // first dragged past the only other point
      {{{50, 20}, {50, 100}}, 1, 5, 2},            // last dragged above the first
      {{{50, 20}, {50, 60}, {50, 100}}, 0, 70, 2}, // first past the second: takes its place
      {{{50, 20}, {50, 60}, {50, 100}}, 2, 50, 2}, // last above the one before
      {{{50, 20}, {50, 60}, {50, 100}}, 0, 40, 3}, // an ordinary move
  };
  for (const Case& c : cases) {
    ImageView v(200, 200);
    LANE* lane = add_lane(v.image, c.pts, 12, 12, LN_F_TOOL_MARK);
    ctl->task_state = 5;
    v.image->edit_lane = 0;
    v.expose();
    const LN_POINT from = lane->center_coords[c.pt];
    TKT_SetImageMapping(true, 1, 1.0);
    TKT_Press(v.area, from.x, from.y);
    TKT_Drag(v.area, from.x + 3, c.to_y);
    TKT_Drag(v.area, from.x + 4, c.to_y + 1);
    TKT_Release(v.area, from.x + 4, c.to_y + 1);
    EXPECT_EQ(lane->num_center_points, c.points_after) << c.pt << " to " << c.to_y;
    for (int i = 0; i + 1 < lane->num_center_points; ++i)
      EXPECT_LT(lane->center_coords[i].y, lane->center_coords[i + 1].y);
    // The next move reads existing points only.
    gt_overlay_lane_edit_move(v.image, 60, 90);
    EXPECT_GE(lane->num_center_points, 2);
  }
}

TEST_F(Overlay, LanePointRubberBandFollowsTheMouseAndErases) {
  ImageView v(300, 200);
  ctl->task_state = 4;
  const QImage before = v.expose().copy();
  TKT_SetImageMapping(true, 1, 1.0);
  TKT_Press(v.area, 50, 30);
  TKT_Release(v.area, 50, 30);
  TKT_Press(v.area, 60, 20);  // above the first point: placed one row below it
  ASSERT_EQ(v.image->num_lane_coords, 2);
  EXPECT_EQ(v.image->lane_coords[3], 31);
  EXPECT_EQ(v.image->lane_coords[4], -1);  // the rubber-band slot after the points is empty
  TKT_Drag(v.area, 90, 120);
  TKT_Drag(v.area, 95, 140);
  EXPECT_EQ(v.image->lane_coords[4], 95);
  TKT_Release(v.area, 95, 140);
  v.image->num_lane_coords = 0;
  v.image->pt_now[0] = -1;
  EXPECT_EQ(v.expose(), before);
}

TEST_F(Overlay, GroupDragOfBandBoundsMovesOnlyWithTheMouse) {
  ImageView v(300, 200);
  GtBoundsDrag* g = gt_overlay_bounds_drag();
  *g = GtBoundsDrag{};
  GtBoundSlot& s = g->slot[0];
  s.in_use = 1;
  for (int i = 0; i < 36; ++i) s.bound_x[i] = s.bound_y[i] = -1;
  const int xs[4] = {40, 60, 60, 40}, ys[4] = {40, 40, 50, 50};
  for (int i = 0; i < 4; ++i) s.bound_x[i] = xs[i], s.bound_y[i] = ys[i];
  s.last_mouse[0] = 50, s.last_mouse[1] = 45;
  ctl->task_state = 12;
  v.expose();
  gt_band_paint(v.area);
  gt_band_paint(v.area);
  EXPECT_EQ(s.bound_x[0], 40);  // painting leaves the bounds where they are
  gt_overlay_bounds_drag_move(57, 52);
  gt_band_paint(v.area);
  EXPECT_EQ(s.bound_x[0], 47);
  EXPECT_EQ(s.bound_y[2], 57);
  EXPECT_EQ(s.last_mouse[0], 57);
  // The rubber band drawn last is erased by the next paint: with no slot left the picture is
  // that of a fresh expose.
  s.in_use = 0;
  gt_band_paint(v.area);
  const QImage erased = v.backing().copy();
  EXPECT_EQ(erased, v.expose());
  *g = GtBoundsDrag{};
}

TEST_F(Overlay, ReferencePointsDrawOnlyTheThreeStored) {
  ImageView v(200, 200);
  for (int i = 0; i < 3; ++i) v.image->mark_pts[i][0] = 40 + 50 * i, v.image->mark_pts[i][1] = 60;
  ctl->task_state = 14;
  v.image->num_mark_pts = 7;  // a tool count beyond the three points
  v.expose();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(v.px(40 + 50 * i, 60), kBlue) << i;
  // While placing, the tool's count says how many are drawn.
  v.image->num_mark_pts = 2;
  v.expose();
  EXPECT_EQ(v.px(90, 60), kBlue);
  EXPECT_NE(v.px(140, 60), kBlue);
}

TEST_F(Overlay, BandTextsAndColours) {
  ImageView v(200, 120);
  SPOT* sel = add_band(v.image, 40, 60);
  sel->f2 = SP_F2_SELECTED;
  sel->f1 |= SP_F1_QUANT_FAILED;  // selected wins over failed
  SPOT* ref = add_band(v.image, 100, 60);
  ref->f1 = SP_TYPE_NO_WIDTH;
  ref->f2 = SP_F2_LANE_NORM;      // type 11 wins over reference
  v.expose();
  EXPECT_EQ(v.px(40, 60), 0xFF0000u);
  EXPECT_EQ(v.px(100, 60), kGreen);
  ctl->annot_off = 1;             // nothing at all with annotations off
  v.expose();
  EXPECT_EQ(v.px(40, 60), shelltest::grey_rgb(shelltest::grey_of(40, 60)));
}

}  // namespace
