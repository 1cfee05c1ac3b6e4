// Baselines built from stored points that a damaged analysis file can hold: any 32-bit
// positions and values, in any order. The sanitizer build fails on any overflow here.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "engine/lane_profile.h"
#include "lane_fixture.h"

namespace {

using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;

// Appends a point at the end of the list, keeping the stored order (not sorted).
void append_point(LN_FEAT* head, int pos, int value) {
  LN_FEAT** link = &head->next;
  while (*link) link = &(*link)->next;
  *link = ln_make_feat_node();
  (*link)->feat.y = pos;
  (*link)->feat.x = value;
}

std::vector<int> baseline(const LANE* lane) {
  return {lane->baseline_values, lane->baseline_values + lane->num_data_values};
}

TEST(BaselineRange, StoredPointsFarApartGiveTheJoiningLine) {
  const struct {
    std::vector<std::pair<int, int>> points;  // (position, value) in stored order
    std::vector<int> expected;
  } cases[] = {
      // The points a fuzzed analysis file held: the segment spans more than the int range.
      {{{-2147483383, 0}, {281, INT_MAX}}, {2147483366, 2147483367, 2147483368, 2147483369}},
      // The same points in falling order: the segment is empty, the last value holds on.
      {{{281, 5}, {-2147483383, 7}}, {7, 7, 7, 7}},
      // Steep lines between the ends of the range.
      {{{1, INT_MIN}, {2, INT_MAX}, {3, INT_MIN}}, {INT_MIN, INT_MIN, INT_MAX, INT_MIN}},
      {{{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}, {0, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    LanePtr lane(enginetest::profile_lane(std::vector<int>(4, 0)));
    for (const auto& [pos, value] : c.points) append_point(lane->baseline, pos, value);
    ln_calc_baseline(lane.get());
    ASSERT_NE(lane->baseline_values, nullptr);
    EXPECT_EQ(baseline(lane.get()), c.expected) << c.points.front().first;
  }
}

TEST(BaselineRange, ValueAtARowFromFarApartPoints) {
  const struct {
    int centre_y, y;
    std::vector<std::pair<int, int>> points;
    int expected;
  } cases[] = {
      // Row index past every point: the last value.
      {-2147483000, 2147483000, {{-2147483383, 9}, {281, 40}}, 40},
      // Between the points; the difference of values times the distance needs 128 bits.
      {0, 2147483000, {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}, 2147483000},
      {0, 0, {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}, 0},
      {2147483000, -2147483000, {{-2147483383, 12}, {281, 40}}, 12},
  };
  for (const auto& c : cases) {
    LanePtr lane(enginetest::make_lane({{50, c.centre_y}, {50, c.centre_y}}));
    lane->bckgrnd_type = 1;
    for (const auto& [pos, value] : c.points) append_point(lane->baseline, pos, value);
    EXPECT_EQ(ln_baseline_at(c.y, lane.get()), c.expected) << c.centre_y << " " << c.y;
  }
}

}  // namespace
