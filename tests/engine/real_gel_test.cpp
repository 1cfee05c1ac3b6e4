// Lane tracking and band finding on the real ladder gel, with the settings a user gets by
// default.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "ladder_gel.h"

namespace {

TEST(RealGel, LaneTrackingAndBandFindingWithDefaults) {
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    if (!g.skip.empty()) GTEST_SKIP() << g.skip;
    return;
  }
  const int n = vxtest::LadderGel::kLanes, f = g.reduction, found = g.found;
  const std::vector<LANE*>& lanes = g.lanes;
  SPOT* chain = g.chain;
  std::printf("reduction %d, found %d bands\n", f, found);
  const int truth[4] = {388, 615, 841, 1070};
  for (int i = 0; i < n; ++i) {
    const LANE* l = lanes[i];
    std::printf("lane %d: widths %d/%d, centre points:", i + 1, l->left_width, l->right_width);
    for (int j = 0; j < l->num_center_points; ++j)
      std::printf(" (%d,%d)", l->center_coords[j].x, l->center_coords[j].y);
    std::printf("\n  bands:");
    int in_range = 0;
    std::vector<int> rows;
    for (SPOT* b = chain->next; b; b = b->next) {
      if (ln_xyinlane(b->x, b->y, l)) rows.insert(rows.begin(), b->y);
    }
    for (int y : rows) {
      std::printf(" %d", y);
      if (y >= 184 && y <= 591) ++in_range;
    }
    std::printf("\n  %zu bands, %d in rows 184..591\n", rows.size(), in_range);
    // The lanes' bands are narrower than half the lane pitch, so no edge run qualifies as a
    // pseudo band and every lane keeps its even share of the block: within 15 pixels of the
    // true centre for this block.
    for (int j = 0; j < l->num_center_points; ++j) EXPECT_NEAR(l->center_coords[j].x, truth[i], 15);
    EXPECT_GE(in_range, 16) << "lane " << i + 1;
    EXPECT_LE(in_range, 18) << "lane " << i + 1;
  }
}

}  // namespace
