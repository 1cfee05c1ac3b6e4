// Lane map model: letter codes, filling from a match, band sizes for the match file, reordering.
#include <gtest/gtest.h>

#include "analysis/lane_map.h"
#include "match_fixture.h"

using namespace matchtest;

TEST(LaneMap, LetterCodes) {
  const std::pair<int, const char*> cases[] = {
      {0, "A"}, {25, "Z"}, {26, "AA"}, {27, "AB"}, {52, "BA"}, {675, "YZ"}, {701, "AAZ"}};
  for (auto [i, code] : cases) EXPECT_EQ(lmap_code(i), code) << i;
}

TEST(LaneMap, FillFromAMatchTiesPairedBands) {
  Gel g("gel");
  g.lane(1);
  g.band(1, 10, 300);
  g.band(1, 50, 200);
  g.band(1, 90, 100);
  g.lane(2);
  g.band(2, 50, 200);
  g.band(2, 70, 0);
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(1));
  ASSERT_EQ(r.req.num_results, 1);
  const LANE_MATCH* m = r.res[0];

  LANE_MAP* map = lmap_new();
  const int ref = lmap_add_lane(map, "", "gel", "1", r.req.num_ref_bands);
  lmap_fill_lane(lmap_get_lane(map, ref), r.req.ref_lane, r.req.ref_bands, nullptr, 0);
  const int i = lmap_add_lane(map, m->path, m->name, m->label, m->num_bands);
  lmap_fill_lane(lmap_get_lane(map, i), m->lane, m->bands, m, r.req.num_ref_bands);
  const LMAP_LANE* l = lmap_get_lane(map, i);
  EXPECT_EQ(l->match, (std::vector<uint16_t>{1, LMAP_NO_MATCH}));
  EXPECT_EQ(l->size, (std::vector<double>{200, 0}));
  EXPECT_DOUBLE_EQ(l->rf[0], 51.0 / 101.0);  // the lane map's mobility counts both end rows
  EXPECT_EQ(map->has_sizes, 1);
  EXPECT_EQ(map->size_min, 100);
  EXPECT_EQ(map->size_max, 300);
  EXPECT_EQ(map->texts[1], "B:  gel:\n");

  std::string out;
  lmap_write_sizes(out, map, i);
  EXPECT_EQ(out, "[200.000000 ]");
  lmap_free(map);
}

TEST(LaneMap, SizesOfOneOnlyDoNotCountAndNoSizesWriteNothing) {
  LANE_MAP* map = lmap_new();
  lmap_add_lane(map, "", "g", "1", 1);
  Gel g("g");
  LANE* lane = g.lane(1);
  SPOT* b = g.band(1, 20, 0.5);
  SPOT* bands[] = {b};
  lmap_fill_lane(lmap_get_lane(map, 0), lane, bands, nullptr, 0);
  EXPECT_EQ(map->has_sizes, 0);
  std::string out;
  lmap_write_sizes(out, map, 0);
  EXPECT_EQ(out, "");
  lmap_free(map);
}

TEST(LaneMap, ReorderKeepsTextsWithoutGrowingThem) {
  LANE_MAP* map = lmap_new();
  lmap_add_lane(map, "", "gel", "1:first", 0);
  lmap_add_lane(map, "", "gel", "2", 0);
  lmap_add_lane(map, "", "other", "3", 0);
  LMAP_LANE* third = map->lanes[2];
  for (int round = 0; round < 3; ++round) lmap_reorder(map, {2, 0, 1, -1});
  // Three rounds of the same rotation bring every lane back where it was.
  EXPECT_EQ(map->texts, (std::vector<std::string>{"A:  gel:1:first\n", "B:  gel:2\n",
                                                   "C:  other:3\n"}));
  lmap_reorder(map, {2, 0, 1, -1});
  EXPECT_EQ(map->lanes[0], third);
  EXPECT_EQ(map->texts[0], "A:  other:3\n");
  lmap_free(map);
}
