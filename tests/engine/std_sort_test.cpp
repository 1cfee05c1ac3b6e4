// Sorting marker lists into rows and lanes, placeholders, searches and direction checks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/std_numeric.h"
#include "engine/std_sort.h"
#include "std_test_util.h"

namespace {

using stdtest::make_list;
using stdtest::M;

constexpr double NV = STD_NO_VALUE;

const STD_MARKER* find(const STD_LIST* l, int lane, double value) {
  for (int i = 0; i < l->count; ++i) {
    if (l->records[i].lane_num == lane && l->records[i].value == value) return &l->records[i];
  }
  return nullptr;
}

TEST(StdSort, RowsLanesAndLinks) {
  // out of order, five-decimal ties, a duplicate and a marker without a value
  auto l = make_list({{50, 50, 2, 2},
                      {10, 30, 1.000004, 1},
                      {10, 10, 2, 1},
                      {50, 20, 1.000001, 2},
                      {10, 70, NV, 1},
                      {10, 50, 1.000001, 1},
                      {50, 35, 1.000004, 2},
                      {10, 10.4, 2, 1}});
  ASSERT_EQ(std_sort_if_dirty(l.get()), 1);
  EXPECT_EQ(l->clean, 1);
  EXPECT_EQ(l->count, 8);  // every lane has every row: no placeholders
  EXPECT_EQ(std_num_rows(l.get()), 3);
  EXPECT_DOUBLE_EQ(std_get_row_value(l.get(), 0), 1.000001);
  EXPECT_DOUBLE_EQ(std_get_row_value(l.get(), 1), 1.000004);
  EXPECT_DOUBLE_EQ(std_get_row_value(l.get(), 2), 2);
  EXPECT_EQ(std_get_row_value(l.get(), 3), 0.0);
  // lane order: lane 1 top to bottom, then lane 2
  const double want_y[] = {10, 10.4, 30, 50, 70, 20, 35, 50};
  for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(l->records[i].y, want_y[i]) << i;
  EXPECT_EQ(l->records[4].row_num, -1);  // the no-value forms no row
  EXPECT_EQ(l->records[2].row_num, 1);
  EXPECT_EQ(l->records[3].row_num, 0);
  // lane links
  for (int i = 0; i < 8; ++i) {
    const bool last_of_lane = i == 4 || i == 7;
    EXPECT_EQ(l->records[i].next_y, last_of_lane ? nullptr : &l->records[i + 1]) << i;
  }
  EXPECT_EQ(l->records[5].prev_y, nullptr);
  // row links: equal values across lanes, in lane order, with back links
  EXPECT_EQ(l->records[0].next_val, &l->records[1]);  // the duplicate 2 of lane 1
  EXPECT_EQ(l->records[1].next_val, &l->records[7]);
  EXPECT_EQ(l->records[7].prev_val, &l->records[1]);
  EXPECT_EQ(l->records[3].next_val, &l->records[5]);  // 1.000001 lane 1 -> lane 2
}

TEST(StdSort, PlaceholdersFromKeptNeighbours) {
  // lane 2 lacks the 200 row; its markers are kept, so the placeholder takes the y of the 200
  // marker nearest in x
  auto l = make_list({{10, 20, 300, 1}, {10, 40, 200, 1}, {10, 60, 100, 1},
                      {50, 64, 100, 2}, {50, 24, 300, 2}});
  ASSERT_EQ(std_sort_if_dirty(l.get()), 1);
  EXPECT_EQ(l->clean, 1);
  ASSERT_EQ(l->count, 6);
  const STD_MARKER* p = find(l.get(), 2, 200);
  ASSERT_NE(p, nullptr);
  EXPECT_DOUBLE_EQ(p->x, 50);
  EXPECT_DOUBLE_EQ(p->y, 40);
  EXPECT_EQ(p->flags, STD_M_VALID | STD_M_KEPT);
  EXPECT_EQ(p->next_y == nullptr || p->next_y->lane_num == 2, true);
  // a second sort adds nothing more
  l->clean = 0;
  std_sort_if_dirty(l.get());
  EXPECT_EQ(l->count, 6);
}

TEST(StdSort, PlaceholderEstimatedFromNeighbourDeviations) {
  // reference lanes 1 and 3 (kept) and lane 2 (valid only) running 2 rows below their line
  auto l = make_list({{0, 20, 300, 1},   {0, 40, 200, 1},   {0, 60, 100, 1},
                      {200, 30, 300, 3}, {200, 50, 200, 3}, {200, 70, 100, 3},
                      {100, 27, 300, 2, STD_M_VALID}, {100, 67, 100, 2, STD_M_VALID}});
  std_sort_if_dirty(l.get());
  const STD_MARKER* p = find(l.get(), 2, 200);
  ASSERT_NE(p, nullptr);
  EXPECT_DOUBLE_EQ(p->x, 100);
  EXPECT_DOUBLE_EQ(p->y, 47);  // base line 45 plus the neighbours' deviation 2
  EXPECT_EQ(p->flags, 0);      // an estimate is not a valid marker
  EXPECT_EQ(l->count, 9);
}

TEST(StdSort, PlaceholdersPerLaneAndRow) {
  // each of three lanes lacks a different row
  auto l = make_list({{0, 10, 3, 1}, {0, 20, 2, 1},
                      {50, 10, 3, 2}, {50, 30, 1, 2},
                      {100, 20, 2, 3}, {100, 30, 1, 3}});
  std_sort_if_dirty(l.get());
  EXPECT_EQ(l->count, 9);
  EXPECT_NE(find(l.get(), 1, 1), nullptr);
  EXPECT_NE(find(l.get(), 2, 2), nullptr);
  EXPECT_NE(find(l.get(), 3, 3), nullptr);
  EXPECT_EQ(l->rows, 3);
}

TEST(StdFindNearest, FamilyOfSearches) {
  auto empty = make_list({});
  EXPECT_EQ(std_find_nearest(empty.get(), 0, 0), -1);
  EXPECT_EQ(std_find_nearest_int(empty.get(), 0, 0), -1);

  // markers of no lane (no placeholders are made for them)
  auto l = make_list({{10, 10, 5, 0}, {20, 10, 6, 0}, {30, 10, 7, 0, 0}, {20, 40, 8, 0}});
  int k = std_find_nearest(l.get(), 15, 10);  // equally near: the first in list order
  EXPECT_DOUBLE_EQ(l->records[k].x, 10);
  k = std_find_nearest_valid(l.get(), 29, 10, 100);  // the invalid marker at 30 is passed over
  EXPECT_DOUBLE_EQ(l->records[k].x, 20);
  EXPECT_EQ(std_find_nearest_valid(l.get(), 29, 10, 9), -1);

  STD_MARKER out[4];
  // direction +1 leaves out a marker whose x equals the given x
  int n = std_find_nearest_markers(l.get(), 20, 10, 4, 0, out, 1, 0);
  ASSERT_EQ(n, 1);
  EXPECT_DOUBLE_EQ(out[0].x, 30);
  n = std_find_nearest_markers(l.get(), 20, 10, 4, 0, out, -1, 0);
  ASSERT_EQ(n, 1);
  EXPECT_DOUBLE_EQ(out[0].x, 10);
  EXPECT_EQ(std_find_nearest_markers(l.get(), 0, 0, 2, 0, out, 2, 0), 0);  // bad direction
  // by value within a lane, nearest first
  auto lane = make_list({{0, 10, 5, 2}, {0, 20, 7, 2}, {0, 30, 8, 2}});
  n = std_find_nearest_markers(lane.get(), 0, 7.9, 2, 2, out, 0, 1);
  ASSERT_EQ(n, 2);
  EXPECT_DOUBLE_EQ(out[0].value, 8);
  EXPECT_DOUBLE_EQ(out[1].value, 7);

  // nearest lane on a side: lanes of one marker take no part
  auto lanes = make_list({{0, 10, 1, 1}, {0, 20, 2, 1}, {40, 10, 1, 2}, {60, 15, 1, 3},
                          {60, 25, 2, 3}});
  lanes->clean = 1;  // in lane order as it stands (a sort would give lane 2 a placeholder)
  k = std_find_closest_lane(lanes.get(), 45, 0, 0, 0, 1);
  EXPECT_EQ(lanes->records[k].lane_num, 3);
  k = std_find_closest_lane(lanes.get(), 45, 0, 0, -1, 1);
  EXPECT_EQ(lanes->records[k].lane_num, 1);
  EXPECT_EQ(std_find_closest_lane(lanes.get(), 45, 0, 3, 1, 1), -1);
}

// Two straight lanes at x 0 and 100; the second runs 10 rows lower.
stdtest::ListPtr two_lanes() {
  return make_list({{0, 20, 300, 1}, {0, 60, 100, 1}, {100, 30, 300, 2}, {100, 70, 100, 2}});
}

TEST(StdLocation, FastAndFullSearch) {
  auto l = two_lanes();
  int flag = -1;
  // a marker of the value in the given lane: its y, whatever x is
  EXPECT_DOUBLE_EQ(std_rect_fastfind_loc(l.get(), 1000, 100, 2, &flag), 70);
  EXPECT_EQ(flag, 0);
  // without a lane, the lane whose markers bracket the value nearest to x is taken
  EXPECT_DOUBLE_EQ(std_rect_fastfind_loc(l.get(), 90, 300, -1, &flag), 30);
  // a lane that does not hold it: the line through the markers on either side
  EXPECT_DOUBLE_EQ(std_rect_fastfind_loc(l.get(), 25, 300, 7, &flag), 22.5);
  // no marker of the value at all: no value, flag clear
  EXPECT_EQ(std_rect_fastfind_loc(l.get(), 50, 200, -1, &flag), NV);
  EXPECT_EQ(flag, 0);
  // a value that lies between the rows: interpolated in each lane, then across
  EXPECT_DOUBLE_EQ(std_rect_find_loc(l.get(), 50, 200, 0), 45);
  EXPECT_DOUBLE_EQ(std_rect_find_loc(l.get(), 0, 200, 0), 40);
  EXPECT_DOUBLE_EQ(std_rect_find_loc(l.get(), 200, 200, 0), 60);  // beyond the last lane
  EXPECT_DOUBLE_EQ(std_rect_find_loc(l.get(), 60, 300, 0), 30);  // held by the nearer lane
  // only the listed methods give a location from the full search
  l->int_method = STD_GAUSS_MID;
  EXPECT_EQ(std_rect_find_loc(l.get(), 50, 200, 0), NV);

  // one marker of the value, on one side only
  auto one = make_list({{0, 20, 300, 0}, {0, 60, 100, 0}});
  EXPECT_EQ(std_rect_fastfind_loc(one.get(), 50, 300, 2, &flag), NV);
  EXPECT_EQ(flag, 1);
}

TEST(StdLocation, LaneNumberOfAValue) {
  auto l = two_lanes();
  EXPECT_EQ(std_find_lane_number(l.get(), 10, 200, 1), 1);
  EXPECT_EQ(std_find_lane_number(l.get(), 90, 200, 1), 2);
  EXPECT_EQ(std_find_lane_number(l.get(), 90, 50, 0), 2);
  auto empty = make_list({});
  EXPECT_EQ(std_find_lane_number(empty.get(), 0, 1, 1), -1);
}

TEST(StdCheckMonotonic, Table) {
  auto falling = make_list({{0, 10, 300, 1}, {0, 20, 200, 1}, {50, 12, 300, 2}, {50, 25, 100, 2}});
  auto rising = make_list({{0, 10, 100, 1}, {0, 20, 200, 1}, {50, 12, 100, 2}, {50, 25, 300, 2}});
  auto turning = make_list({{0, 10, 300, 1}, {0, 20, 200, 1}, {0, 30, 250, 1}});
  auto b_rising = make_list({{90, 10, 100, 3}, {90, 30, 300, 3}});
  auto b_falling = make_list({{90, 10, 300, 3}, {90, 30, 100, 3}});
  STD_MARKER bad;
  std_marker_clear(&bad);
  bad.x = 0;
  bad.y = 30;
  bad.value = 400;
  bad.lane_num = 1;
  bad.flags = STD_M_VALID;
  STD_MARKER good = bad;
  good.value = 50;
  EXPECT_EQ(std_check_monotonic(falling.get(), nullptr, nullptr), 0);
  EXPECT_EQ(std_check_monotonic(rising.get(), nullptr, nullptr), 4);
  EXPECT_EQ(std_check_monotonic(turning.get(), nullptr, nullptr), 3);
  EXPECT_EQ(std_check_monotonic(falling.get(), b_rising.get(), nullptr), 2);
  EXPECT_EQ(std_check_monotonic(falling.get(), b_falling.get(), nullptr), 0);
  EXPECT_EQ(std_check_monotonic(falling.get(), nullptr, &bad), 1);
  EXPECT_EQ(std_check_monotonic(falling.get(), nullptr, &good), 0);
  // invalid markers of the list take no part
  auto with_invalid = make_list({{0, 10, 300, 1}, {0, 20, 200, 1}, {0, 30, 900, 1, 0}});
  EXPECT_EQ(std_check_monotonic(with_invalid.get(), nullptr, nullptr), 0);
}

TEST(StdIsoLine, EdgesLanesAndColumns) {
  auto l = two_lanes();
  EXPECT_EQ(std_make_iso_line(l.get(), 200, 0, 0), nullptr);
  EXPECT_EQ(std_make_iso_line(l.get(), 200, 100, 1), nullptr);
  STD_LIST* iso = std_make_iso_line(l.get(), 200, 200, 0);
  ASSERT_NE(iso, nullptr);
  ASSERT_EQ(iso->count, 4);  // both edges and one point per lane, by x
  const double want[4][2] = {{0, 40}, {0, 40}, {100, 50}, {200, 60}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(iso->records[i].x, want[i][0]) << i;
    EXPECT_DOUBLE_EQ(iso->records[i].y, want[i][1]) << i;
    EXPECT_DOUBLE_EQ(iso->records[i].value, 200);
    EXPECT_EQ(iso->records[i].flags & STD_M_VALID, 0);
  }
  std_list_free(iso);
  iso = std_make_iso_line(l.get(), 300, 100, 3);
  ASSERT_NE(iso, nullptr);
  ASSERT_EQ(iso->count, 3);
  EXPECT_DOUBLE_EQ(iso->records[1].x, 50);
  EXPECT_DOUBLE_EQ(iso->records[0].y, 20);
  EXPECT_EQ(iso->records[0].flags & STD_M_VALID, STD_M_VALID);  // on a valid marker
  EXPECT_EQ(iso->records[1].flags & STD_M_VALID, 0);
  std_list_free(iso);
}

}  // namespace
