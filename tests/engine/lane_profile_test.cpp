#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "lane_fixture.h"
#include "toolkit/core/tk_image.h"
#include "test_support.h"

using enginetest::make_lane;
using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;

namespace {

// Writes a little-endian pixel file whose pixel (x, y) is value(x, y).
std::string write_kes(const vxtest::TempDir& dir, int w, int h, int bpp,
                      const std::function<int(int, int)>& value) {
  std::vector<unsigned char> b = {'I', 'I', static_cast<unsigned char>(bpp), 0};
  for (int v : {w, h}) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int v = value(x, y);
      b.push_back(static_cast<unsigned char>(v));
      if (bpp == 2) b.push_back(static_cast<unsigned char>(v >> 8));
    }
  }
  const std::string path = dir.file("gel.kes");
  vxtest::write_bytes(path, b);
  return path;
}

std::vector<int> profile(const LANE* lane) {
  return {lane->data_values, lane->data_values + lane->num_data_values};
}

TEST(LaneProfiles, RowMeansAcrossBlocksAndSlantedLanes) {
  vxtest::TempDir dir;
  // 16-bit values that encode the row (1000 + y) plus a column ramp that averages out across a
  // symmetric sample.
  const std::string path = write_kes(dir, 120, 600, 2, [](int x, int y) { return 1000 + y + (x - 60); });
  // Sample width trunc((5 + 5 + 1) x 50 / 100 + 0.5) = 6: samples x_c - 4 .. x_c + 3, interior
  // x_c - 3 .. x_c + 2, mean x_c - 0.5 -> rounded up.
  LanePtr straight(make_lane({{60, 0}, {60, 599}}));
  LanePtr slanted(make_lane({{40, 100}, {40, 200}, {80, 500}}));
  LANE* lanes[] = {straight.get(), slanted.get()};
  ASSERT_EQ(ln_load_data_values(path.c_str(), lanes, 2, 50), 1);
  ASSERT_EQ(straight->num_data_values, 600);
  for (int y : {0, 255, 256, 511, 512, 599}) {
    // mean of (1000 + y + d) for d = -3..2: 1000 + y - 0.5, rounded: 1000 + y.
    EXPECT_EQ(straight->data_values[y], 1000 + y) << y;
  }
  ASSERT_EQ(slanted->num_data_values, 401);
  for (int y : {100, 200, 201, 300, 500}) {
    const int xc = y <= 200 ? 40 : static_cast<int>(std::floor((y - 200) * (40.0 / 300) + 40 + 0.5));
    EXPECT_EQ(slanted->data_values[y - 100], 1000 + y + xc - 60) << y;
  }
}

// Lanes read together, side by side in each row, wide and narrow, slanted, over the image's
// edges and in odd numbers: each lane gets the profile it gets when read alone.
TEST(LaneProfiles, LanesReadTogetherGetTheProfilesTheyGetAlone) {
  TkImage image;
  ASSERT_TRUE(image.create(300, 400, 2));
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> value(0, 65535);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 300; ++x) {
      const int v = x % 37 == 5 ? 65535 : value(rng);  // bright columns tie for the maximum
      image.row(y)[2 * x] = static_cast<uint8_t>(v);
      image.row(y)[2 * x + 1] = static_cast<uint8_t>(v >> 8);
    }
  const struct {
    std::vector<LN_POINT> centre;
    int half;
  } drawn[] = {{{{20, 0}, {24, 399}}, 30},  {{{80, -10}, {60, 200}, {90, 420}}, 30},
               {{{150, 5}, {150, 390}}, 12}, {{{200, 0}, {230, 399}}, 30},
               {{{296, 50}, {299, 300}}, 30}, {{{250, 100}, {250, 160}}, 4},
               {{{120, 0}, {121, 399}}, 80}};
  std::vector<LanePtr> together, alone;
  std::vector<LANE*> all;
  for (const auto& d : drawn) {
    together.emplace_back(make_lane(d.centre, {}, d.half));
    alone.emplace_back(make_lane(d.centre, {}, d.half));
    all.push_back(together.back().get());
  }
  for (int count : {7, 6, 3}) {
    ASSERT_EQ(ln_load_data_values_image(&image, all.data(), count, 50), 1);
    for (int i = 0; i < count; ++i) {
      LANE* one = alone[i].get();
      ASSERT_EQ(ln_load_data_values_image(&image, &one, 1, 50), 1);
      EXPECT_EQ(profile(all[i]), profile(one)) << count << " lanes, lane " << i;
    }
  }
}

TEST(LaneProfiles, LaneOverTheEdgeSamplesFewerPixels) {
  vxtest::TempDir dir;
  const std::string path = write_kes(dir, 50, 40, 1, [](int x, int) { return x; });
  // Centre 1, sample width 6: columns -3..4 of which 0..4 exist: interior 0..3 -> mean 1.5 -> 2.
  // The lane also runs 5 rows above the image: those rows read 0.
  LanePtr lane(make_lane({{1, -5}, {1, 39}}));
  LANE* lanes[] = {lane.get()};
  ASSERT_EQ(ln_load_data_values(path.c_str(), lanes, 1, 50), 1);
  ASSERT_EQ(lane->num_data_values, 45);
  EXPECT_EQ(lane->data_values[0], 0);
  EXPECT_EQ(lane->data_values[4], 0);
  EXPECT_EQ(lane->data_values[5], 2);
  EXPECT_EQ(lane->data_values[44], 2);

  EXPECT_EQ(ln_load_data_values(dir.file("missing.kes").c_str(), lanes, 1, 50), 0);
}

TEST(LaneProfiles, LongerLaneDropsItsOldBaseline) {
  vxtest::TempDir dir;
  const std::string path = write_kes(dir, 50, 100, 1, [](int, int y) { return 50 + (y % 20 == 0) * 100; });
  LanePtr lane(make_lane({{25, 10}, {25, 19}}));
  LANE* lanes[] = {lane.get()};
  ASSERT_EQ(ln_load_data_values(path.c_str(), lanes, 1, 50), 1);
  ln_calc_lane_baselines(lanes, 1, LN_ANALYSIS_STD);
  ASSERT_NE(lane->baseline_values, nullptr);
  // The lane is drawn longer: its profile grows to 80 rows, and the 10-entry baseline must not
  // be read as if it had 80.
  lane->center_coords[1].y = 89;
  ASSERT_EQ(ln_load_data_values(path.c_str(), lanes, 1, 50), 1);
  ASSERT_EQ(lane->num_data_values, 80);
  EXPECT_EQ(lane->baseline_values, nullptr);
  ln_calc_lane_baselines(lanes, 1, LN_ANALYSIS_STD);
  ASSERT_NE(lane->baseline_values, nullptr);
  for (int i = 0; i < 80; ++i) EXPECT_LE(lane->baseline_values[i], lane->data_values[i]) << i;
}

TEST(LaneProfiles, BrightDotIsReplacedBySideMeans) {
  vxtest::TempDir dir;
  // Background 100, a dot of 1000 two rows high and two pixels wide at rows 30..31 in the
  // middle of the lane; one row a bit brighter at 60 (no dot: its spike height stays low).
  const std::string path = write_kes(dir, 60, 100, 2, [](int x, int y) {
    if ((y == 30 || y == 31) && (x == 30 || x == 31)) return 1000;
    if (y == 60) return 300;
    return 100;
  });
  LanePtr lane(make_lane({{30, 0}, {30, 99}}, {}, 10));
  LANE* lanes[] = {lane.get()};
  ASSERT_EQ(ln_load_data_values(path.c_str(), lanes, 1, 50), 1);
  const auto p = profile(lane.get());
  // Rows 20..41 are set to their side means (100); the row at 60 keeps its mean.
  for (int y = 20; y <= 41; ++y) EXPECT_EQ(p[y], 100) << y;
  EXPECT_EQ(p[60], 300);
}

TEST(LaneBaselines, CalcLaneBaselinesFollowsTheValleysUnderBands) {
  // Bands on a background that rises down the lane: the baseline follows the background under
  // the bands and never rises above the profile.
  std::vector<int> prof(200);
  for (int i = 0; i < 200; ++i) {
    prof[i] = 100 + i / 2;
    for (int c : {40, 100, 160}) prof[i] += static_cast<int>(300 * std::exp(-(i - c) * (i - c) / 18.0));
  }
  LanePtr lane(enginetest::profile_lane(prof));
  lane->min_top_band_thick = lane->min_bot_band_thick = 5;
  lane->max_angle = 45;
  lane->band_threshold = 50;
  LANE* lanes[] = {lane.get()};
  ln_calc_lane_baselines(lanes, 1, LN_ANALYSIS_STD);
  EXPECT_EQ(lane->band_threshold, 50);  // settings restored
  ASSERT_NE(lane->baseline_values, nullptr);
  for (int i = 0; i < 200; ++i) {
    EXPECT_LE(lane->baseline_values[i], prof[i]) << i;
    EXPECT_NEAR(lane->baseline_values[i], 100 + i / 2, 4) << i;
  }
  EXPECT_GE(lane->num_base_ptrs, 3);
}

}  // namespace
