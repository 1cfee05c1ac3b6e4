#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_track.h"
#include "lane_list.h"
#include "model/lane.h"
#include "toolkit/core/tk_image.h"

namespace {

using enginetest::LaneList;

// A synthetic 8-bit gel: dark background, bright bands 35 pixels wide and 5 rows tall every 24
// rows, in lanes whose centre at row y is centre(i, y).
TkImage make_gel(int w, int h, int lanes, const std::function<double(int, int)>& centre) {
  TkImage img;
  img.create(w, h, 1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) img.row(y)[x] = 20;
  }
  for (int i = 0; i < lanes; ++i) {
    for (int y0 = 12; y0 + 5 < h; y0 += 24) {
      for (int y = y0; y < y0 + 5; ++y) {
        const int c = static_cast<int>(std::lround(centre(i, y)));
        for (int x = c - 17; x <= c + 17; ++x) {
          if (x >= 0 && x < w) img.row(y)[x] = 200;
        }
      }
    }
  }
  return img;
}

struct Shape {
  const char* name;
  std::function<double(int, int)> centre;
};

TEST(LaneTracking, FollowsStraightSlantedAndSmilingLanes) {
  const int W = 400, H = 1200, N = 8;
  const Shape shapes[] = {
      {"straight", [](int i, int) { return 25.0 + 50 * i; }},
      {"slanted", [](int i, int y) { return 20.0 + 50 * i + 0.01 * y; }},
      // Outer lanes bow outwards towards the top and the bottom of the gel.
      {"smiling",
       [](int i, int y) {
         const double u = (y - 600) / 600.0;
         return 25.0 + 50 * i + (i - 3.5) * 2.0 * u * u;
       }},
  };
  const LN_POINT corners[4] = {{0, 0}, {W, 0}, {W, H - 1}, {0, H - 1}};
  for (const auto& s : shapes) {
    TkImage img = make_gel(W, H, N, s.centre);
    LaneList list(N);
    EXPECT_EQ(ln_track_lanes(list.head, N, &img, H, W, 1, corners, 1, 2, 0, 0), 0);
    // Lane width 50: 1200 / 150 = 8 control rows, 171 rows apart.
    const int M = 8, R = H / (M - 1);
    for (int i = 0; i < N; ++i) {
      const LANE* lane = list.at(i);
      ASSERT_EQ(lane->num_center_points, M) << s.name;
      EXPECT_EQ(lane->center_coords[0].y, 0);
      EXPECT_EQ(lane->center_coords[M - 1].y, H - 1 - 0);
      // A band of 35 columns leaves a run from its rising edge to just before its falling edge,
      // 33 columns from first to last: half-width 33 / 2 + 1. Slanted runs of a few rows reach
      // a little wider.
      EXPECT_EQ(lane->left_width, lane->right_width);
      if (std::string(s.name) == "straight") {
        EXPECT_EQ(lane->left_width, 17);
      } else {
        EXPECT_GE(lane->left_width, 17) << s.name;
        EXPECT_LE(lane->left_width, 19) << s.name;
      }
      for (int j = 1; j < M - 1; ++j) {
        const LN_POINT p = lane->center_coords[j];
        EXPECT_EQ(p.y, j * R - R / 2);
        // Each control row stands for the bands of the rows above it: compare with the lane's
        // centre in the middle of that stretch.
        const double want = s.centre(i, p.y - R / 2);
        EXPECT_NEAR(p.x, want, 3.0) << s.name << " lane " << i << " row " << j;
      }
    }
  }
}

TEST(LaneTracking, WithoutBandsLanesKeepTheirShareOfTheRegion) {
  // A blank gel 100 rows tall: far fewer than 12 lane widths, still 4 control rows.
  TkImage img;
  img.create(200, 100, 1);
  LaneList list(4);
  const LN_POINT corners[4] = {{0, 0}, {200, 0}, {200, 99}, {0, 99}};
  ln_track_lanes(list.head, 4, &img, 100, 200, 1, corners, 2, 2, 10, 20);
  // Reduced by 2: 100 x 50. The region runs from (0 - 10) / 2 = -5 to (200 - 10) / 2 = 95
  // (division toward zero), split at -5 + 100 i / 4: spans -5..20, 20..45, 45..70, 70..95.
  const int centres[4] = {(-5 + 20) / 2, (20 + 45) / 2, (45 + 70) / 2, (70 + 95) / 2};
  for (int i = 0; i < 4; ++i) {
    const LANE* lane = list.at(i);
    ASSERT_EQ(lane->num_center_points, 4);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(lane->center_coords[j].x, centres[i] * 2 + 10) << i;
    EXPECT_EQ(lane->center_coords[0].y, (0 - 20) / 2 * 2 + 20);
    EXPECT_EQ(lane->center_coords[3].y, (99 - 20) / 2 * 2 + 20);
  }
}

TEST(LaneTracking, SharedPseudoBandGoesToTheFirstLaneAndThenToNeither) {
  // Three lanes in a 300 x 1200 region: lane width 100, 4 control rows 400 apart (y 0, 200,
  // 600, bottom). Bright bars 71 columns wide and 5 rows tall make one pseudo band each, centred
  // on the bar: at rows 50, 80, 110 (control row 1) the lanes sit at 95, 150 and 250.
  TkImage img;
  img.create(300, 1200, 1);
  auto bar = [&](int centre, int row) {
    for (int y = row; y < row + 5; ++y) {
      for (int x = centre - 35; x <= centre + 35; ++x) img.row(y)[x] = 200;
    }
  };
  bar(95, 50);
  bar(150, 80);
  bar(250, 110);
  // Control row 2: the first lane's span is 95 +- 50, the second's from (95 + 150) / 2 = 122.
  // A bar at 130 lies in both: the first lane takes it, the second lane meets it, so the first
  // lane's cell is not found and neither lane uses it; both are filled from the third lane (250)
  // keeping their distance of the row before.
  bar(130, 400);
  bar(250, 450);
  LaneList list(3);
  const LN_POINT corners[4] = {{0, 0}, {300, 0}, {300, 1199}, {0, 1199}};
  ln_track_lanes(list.head, 3, &img, 1200, 300, 1, corners, 1, 2, 0, 0);
  const int want_x[3] = {95, 150, 250};
  const int want_y[4] = {0, 200, 600, 1199};
  for (int i = 0; i < 3; ++i) {
    const LANE* lane = list.at(i);
    ASSERT_EQ(lane->num_center_points, 4);
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(lane->center_coords[j].x, want_x[i]) << "lane " << i << " row " << j;
      EXPECT_EQ(lane->center_coords[j].y, want_y[j]);
    }
    // The pseudo bands are 68 columns from first to last: 68 / 2 + 1.
    EXPECT_EQ(lane->left_width, 35);
  }
}

}  // namespace
