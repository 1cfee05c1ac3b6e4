// Lane geometry: centre line and strip, point in lane on straight, slanted and curved lanes, the
// lane holding a point, relative mobility, nearest lane and band, extent, blot cell corners.
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <utility>
#include <vector>

#include "base/ks_mem.h"
#include "model_fixtures.h"
#include "engine/lane_geometry.h"

namespace {

using vxtest::make_chain;
using vxtest::make_lane;

SPOT* nth(SPOT* head, int n) {
  SPOT* b = head->next;
  while (n-- > 0) b = b->next;
  return b;
}

}  // namespace

TEST(LaneGeometry, PointInStraightSlantedAndCurvedLanes) {
  LANE* straight = make_lane({{100, 10}, {100, 110}}, 5, 7);
  LANE* slanted = make_lane({{100, 0}, {150, 100}}, 4, 4);  // x = 100 + y / 2
  // Curved: a polyline bending right then left.
  LANE* curved = make_lane({{50, 0}, {70, 20}, {70, 40}, {40, 70}}, 3, 3);
  LANE* single = make_lane({{100, 10}}, 50, 50);

  struct Case {
    const char* what;
    const LANE* lane;
    int x, y;
    int in;
  } cases[] = {
      {"straight centre", straight, 100, 60, 1},
      {"straight left border", straight, 95, 60, 1},
      {"straight right border", straight, 107, 60, 1},
      {"straight past left", straight, 94, 60, 0},
      {"straight past right", straight, 108, 60, 0},
      {"straight first row", straight, 100, 10, 1},
      {"straight last row", straight, 100, 110, 1},
      {"straight above", straight, 100, 9, 0},
      {"straight below", straight, 100, 111, 0},
      {"slanted middle", slanted, 125, 50, 1},
      {"slanted right border", slanted, 129, 50, 1},
      {"slanted past right", slanted, 130, 50, 0},
      {"slanted left border", slanted, 121, 50, 1},
      {"slanted past left", slanted, 120, 50, 0},
      {"slanted rounding (x 100.5 -> 101)", slanted, 105, 1, 1},
      {"slanted rounding, left edge", slanted, 97, 1, 1},
      {"slanted rounding, outside", slanted, 96, 1, 0},
      {"curved first segment", curved, 60, 10, 1},
      {"curved vertical segment", curved, 73, 30, 1},
      {"curved vertical segment outside", curved, 74, 30, 0},
      {"curved last segment (x 55 at y 55)", curved, 55, 55, 1},
      {"curved last segment, where the first would be", curved, 52, 55, 1},
      {"curved last segment outside", curved, 60, 55, 0},
      {"one centre point contains nothing", single, 100, 10, 0},
  };
  for (const Case& k : cases) EXPECT_EQ(ln_xyinlane(k.x, k.y, k.lane) != 0, k.in != 0) << k.what;
  EXPECT_EQ(ln_xyinlane(100, 60, nullptr), 0);

  for (LANE* l : {straight, slanted, curved, single}) ln_free_lane(l);
}

TEST(LaneGeometry, CentreLineAndStripMiddle) {
  LANE* lane = make_lane({{100, 10}, {120, 30}, {120, 50}}, 4, 3);
  struct {
    int y, line_x, centre_x;
  } cases[] = {
      {0, 100, 99},                    // above the first point: its x; widths 4 and 3 shift by -1
      {10, 100, 99},  {11, 101, 100},  // slope 1
      {30, 120, 119}, {40, 120, 119},  // vertical segment
      {50, 120, 119}, {99, 120, 119},  // below the last point: its x
  };
  for (auto k : cases) {
    EXPECT_EQ(ln_centerline_x(k.y, lane), k.line_x) << k.y;
    EXPECT_EQ(ln_center_x(k.y, lane), k.centre_x) << k.y;
  }
  lane->left_width = 3;
  lane->right_width = 4;
  EXPECT_EQ(ln_center_x(40, lane), 120);  // (3 + 4) / 2 - 3 = 0
  lane->left_width = 2;
  lane->right_width = 8;
  EXPECT_EQ(ln_center_x(40, lane), 123);
  EXPECT_EQ(ln_center_x(40, nullptr), -1);
  // Centre points and widths of a damaged lane record span the whole int range.
  LANE* wide = make_lane({{0, -2147483647 - 1}, {2147483647, 2147483647}}, 2147483647, 2147483647);
  EXPECT_EQ(ln_centerline_x(0, wide), 1073741824);
  EXPECT_EQ(ln_xyinlane(1073741824 - 2147483647, 0, wide), 1);
  EXPECT_EQ(ln_xyinlane(1073741824 - 2147483647 - 1, 0, wide), 0);
  ln_free_lane(wide);
  lane->left_width = 5;
  lane->right_width = 2147483647;
  EXPECT_EQ(ln_center_x(40, lane), 120 + 1073741826 - 5);
  lane->left_width = 2147483647;
  lane->right_width = 2147483647;
  EXPECT_EQ(ln_center_x(40, lane), 120);
  lane->left_width = 2;
  lane->right_width = 8;

  EXPECT_EQ(ln_center_index(5, lane), 1);
  EXPECT_EQ(ln_center_index(30, lane), 1);
  EXPECT_EQ(ln_center_index(31, lane), 2);
  EXPECT_EQ(ln_center_index(51, lane), -1);
  EXPECT_EQ(ln_center_index(20, nullptr), -1);
  LANE* single = make_lane({{100, 10}}, 1, 1);
  EXPECT_EQ(ln_center_index(5, single), -1);
  ln_free_lane(single);
  ln_free_lane(lane);
}

TEST(LaneGeometry, FindingTheLaneThatHoldsAPoint) {
  LANE* head = ln_make_lane();
  LANE* a = make_lane({{50, 0}, {50, 100}}, 10, 10);
  LANE* b = make_lane({{65, 0}, {75, 100}}, 10, 10);  // slanted, overlapping a at the top
  head->next = a;
  a->next = b;
  LANE* first = nullptr;
  EXPECT_EQ(ln_xy_find_lane(45, 50, head, &first), 1);
  EXPECT_EQ(first, a);
  EXPECT_EQ(ln_xy_find_lane(58, 5, head, &first), 2);
  EXPECT_EQ(first, a);
  EXPECT_EQ(ln_xy_find_lane(80, 90, head, &first), 1);
  EXPECT_EQ(first, b);
  EXPECT_EQ(ln_xy_find_lane(200, 50, head, &first), 0);
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(ln_xy_find_lane(45, 50, nullptr, &first), -1);

  EXPECT_EQ(ln_nearest_lane(62, 0, head), b);
  EXPECT_EQ(ln_nearest_lane(57, 0, head), a);
  EXPECT_EQ(ln_nearest_lane(57, 100, head), a);
  EXPECT_EQ(ln_nearest_lane(58, 5, head), a);  // both 9 when rounded: the first lane wins
  LANE* empty = ln_make_lane();
  EXPECT_EQ(ln_nearest_lane(0, 0, empty), nullptr);
  ln_free_lanes(empty);

  int right = 0, left = 0;
  ln_lane_extent(b, &right, &left);
  EXPECT_EQ(right, 85);
  EXPECT_EQ(left, 55);
  LANE* bare = ln_make_lane();
  bare->left_width = 3;
  bare->right_width = 4;
  ln_lane_extent(bare, &right, &left);
  EXPECT_EQ(right, 4);
  EXPECT_EQ(left, INT_MAX - 3);
  ln_free_lane(bare);
  ln_free_lanes(head);
}

TEST(LaneGeometry, RelativeMobilityAndDistance) {
  LANE* lane = make_lane({{50, 20}, {50, 119}}, 5, 5);  // 100 rows
  EXPECT_DOUBLE_EQ(ln_y_to_rf(20, lane), 1.0 / 100.0);
  EXPECT_DOUBLE_EQ(ln_y_to_rf(119, lane), 1.0);
  EXPECT_DOUBLE_EQ(ln_y_to_rf(69, lane), 0.5);
  ln_free_lane(lane);

  struct {
    int x1, y1, x2, y2, d;
  } cases[] = {{0, 0, 3, 4, 5}, {0, 0, 1, 1, 1},   {0, 0, 1, 2, 2},
               {5, 5, 5, 5, 0}, {0, 0, -2, -3, 4}, {0, 0, 0, -7, 7}};
  for (auto k : cases) EXPECT_EQ(mt_dist(k.x1, k.y1, k.x2, k.y2), k.d);
}

TEST(LaneGeometry, NearestBand) {
  SPOT* head = make_chain({{10, 10}, {20, 20}, {13, 14}, {40, 40}});
  EXPECT_EQ(sp_nearest_spot(13, 11, -1, head, nullptr), nth(head, 0));  // both 3 when rounded
  EXPECT_EQ(sp_nearest_spot(14, 15, -1, head, nullptr), nth(head, 2));
  EXPECT_EQ(sp_nearest_spot(14, 15, 2, head, nullptr), nth(head, 2));  // distance 1
  EXPECT_EQ(sp_nearest_spot(14, 15, 1, head, nullptr), nullptr);       // not below the limit
  auto far_only = [](const SPOT* s) -> int { return s->x >= 20; };
  EXPECT_EQ(sp_nearest_spot(14, 15, -1, head, far_only), nth(head, 1));
  auto none = [](const SPOT*) -> int { return 0; };
  EXPECT_EQ(sp_nearest_spot(14, 15, -1, head, none), nullptr);

  // By row, within a lane, in chain order; the scan stops at the first band farther than the
  // best one so far.
  LANE* lane = make_lane({{50, 0}, {50, 200}}, 5, 5);
  SPOT* chain = make_chain({{50, 30}, {90, 41}, {50, 50}, {52, 50}, {50, 80}, {50, 44}});
  EXPECT_EQ(sp_nearest_by_y(lane, 40, -1, chain), nth(chain, 0));  // 10 then 10: first kept
  EXPECT_EQ(sp_nearest_by_y(lane, 46, -1, chain), nth(chain, 2));  // 80 ends the scan first
  EXPECT_EQ(sp_nearest_by_y(lane, 50, -1, chain), nth(chain, 2));
  EXPECT_EQ(sp_nearest_by_y(lane, 50, 0, chain), nth(chain, 2));  // limit not exceeded
  EXPECT_EQ(sp_nearest_by_y(lane, 53, 2, chain), nullptr);
  ln_free_lane(lane);
  ln_free_bands(chain);
  ln_free_bands(head);
}

TEST(BlotGrid, CellCornersStoredOrComputed) {
  BLOT_HDR hdr{};
  hdr.cols = 3;
  hdr.rows = 2;
  // A (10, 20), B (40, 23), D (12, 60)
  hdr.geom[BLOT_GEOM_AX] = 10;
  hdr.geom[BLOT_GEOM_AY] = 20;
  hdr.geom[BLOT_GEOM_BX] = 40;
  hdr.geom[BLOT_GEOM_BY] = 23;
  hdr.geom[BLOT_GEOM_DX] = 12;
  hdr.geom[BLOT_GEOM_DY] = 60;
  BLOT_CELL cells[6]{};
  cells[1].corner[4] = 1;  // one stored x of 1 or more: stored corners
  cells[1].corner[5] = 77;
  int c[8];
  EXPECT_EQ(yc_get_coords(&hdr, cells, 1, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]),
            1);
  EXPECT_EQ(std::vector<int>(c, c + 8), (std::vector<int>{0, 0, 0, 0, 1, 77, 0, 0}));

  // Cell 4 = column 1, row 1: corners at (1,1) (2,1) (2,2) (1,2) of the grid. Each term rounded:
  // u = 1/3: x 10 + round(10) + round(1) = 21, y 20 + round(1) + round(20) = 41.
  EXPECT_EQ(yc_get_coords(&hdr, cells, 4, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]),
            0);
  EXPECT_EQ(std::vector<int>(c, c + 8), (std::vector<int>{21, 41, 31, 42, 32, 62, 22, 61}));

  int keep = -5;
  EXPECT_EQ(
      yc_get_coords(nullptr, cells, 0, &keep, &keep, &keep, &keep, &keep, &keep, &keep, &keep), 0);
  EXPECT_EQ(yc_get_coords(&hdr, nullptr, 0, &keep, &keep, &keep, &keep, &keep, &keep, &keep, &keep),
            0);
  EXPECT_EQ(yc_get_coords(&hdr, cells, 6, &keep, &keep, &keep, &keep, &keep, &keep, &keep, &keep),
            0);
  EXPECT_EQ(keep, -5);
}

TEST(LaneGeometry, MarkFindBandFollowsTheFirstMarkersValueAcrossTheLane) {
  LANE* lane = make_lane({{50, 0}, {50, 300}}, 10, 10);
  SPOT* head = make_chain({{50, 111}, {49, 150}, {80, 110}});
  auto marker = [](double x, double y, double value, int lane_num) {
    STD_MARKER m{};
    m.x = x;
    m.y = y;
    m.value = value;
    m.lane_num = lane_num;
    m.flags = STD_M_VALID;
    return m;
  };
  struct Case {
    const char* what;
    std::vector<STD_MARKER> markers;
    int limit;
    int x, y, found;  // -7: untouched
  } cases[] = {
      {"both sides, same value: the line at the lane (row 110.35)",
       {marker(30, 100.7, 500, 1), marker(70, 120, 500, 3)},
       5,
       50,
       111,
       1},
      {"one side only: its row", {marker(30, 148, 500, 1), marker(20, 90, 400, 1)}, 5, 49, 150, 1},
      // Every lane holds both values, so sorting the list adds no placeholder markers; the
      // nearest on the right (by position and value) holds 501.
      {"both sides, values differ: untouched",
       {marker(30, 100, 500, 1), marker(30, 140, 501, 1), marker(70, 120, 501, 3),
        marker(90, 100, 500, 3)},
       5,
       -7,
       -7,
       -7},
      {"no marker either side: untouched", {marker(50, 100, 500, 2)}, 5, -7, -7, -7},
      {"no band near the row", {marker(30, 200, 500, 1)}, 5, -1, -1, 0},
  };
  for (const Case& k : cases) {
    STD_LIST* list = std_list_create();
    for (const STD_MARKER& m : k.markers) std_list_append(list, &m);
    int x = -7, y = -7, found = -7;
    ln_mark_find_band(lane, &x, &y, k.limit, &found, list, head);
    EXPECT_EQ(x, k.x) << k.what;
    EXPECT_EQ(y, k.y) << k.what;
    EXPECT_EQ(found, k.found) << k.what;
    std_list_free(list);
  }
  ln_free_bands(head);
  ln_free_lane(lane);
}
