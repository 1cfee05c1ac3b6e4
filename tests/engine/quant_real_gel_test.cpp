// Quantification on the real ladder gel: lanes tracked and bands found with the settings a user
// gets by default, then every band of each ladder lane quantified.
//
// The ladder has bright reference bands at 3.0 and 1.0 kb; between them lie the 2.0, 1.5 and
// 1.2 kb bands. The test prints the amount of the 3.0 kb band over
// that of the 1.5 kb band in each lane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/quant.h"
#include "ladder_gel.h"

namespace {

TEST(QuantRealGel, LadderReferenceBandsAgainstTheirNeighbours) {
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    if (!g.skip.empty()) GTEST_SKIP() << g.skip;
    return;
  }
  ASSERT_GT(g.found, 0);
  const std::string& path = g.kes;
  SPOT* chain = g.chain;
  IMG_INFO header{};
  header.width = g.width;
  header.height = g.height;
  int lanes_read = 0;
  for (LANE* lane : g.lanes) {
    SPOT** found = nullptr;
    const int nb = ln_find_bands_in_lane(chain->next, &found, lane, nullptr, nullptr);
    std::unique_ptr<SPOT*, void (*)(void*)> hold(found, ks_free);
    if (nb < 8) continue;
    LANE_IMAGE img{};
    ASSERT_EQ(ln_read_lane_image(lane, &img, &header, path.c_str(), -1), 0);
    std::vector<double> amount(nb), height(nb);
    for (int i = 0; i < nb; ++i) {
      SPOT* b = found[i];
      EXPECT_EQ(mj_doquant(b, lane, &img, nullptr, 1), 1) << "band at row " << b->y;
      amount[i] = b->amount;
      height[i] = b->od - b->baseline;
      mj_res_free(&b->result);
    }
    ln_free_lane_image(&img);

    // The highest band is the 3.0 kb reference band. The 2.0, 1.5 and 1.2 kb bands follow it,
    // then the 1.0 kb reference band, higher than both its neighbours.
    const int kb3 = int(std::max_element(height.begin(), height.end()) - height.begin());
    const int kb1 = kb3 + 4;
    std::printf("lane %d: %d bands, the highest at row %d\n", lane->lane_number, nb,
                found[kb3]->y);
    if (kb1 + 1 >= nb || height[kb1] <= height[kb1 - 1] || height[kb1] <= height[kb1 + 1]) {
      std::printf("  the 1.0 kb band is not the fourth band below it: skipped\n");
      continue;
    }
    const int kb15 = kb3 + 2;
    const double ratio = amount[kb3] / amount[kb15];
    std::printf("  3.0 kb at row %d: amount %.0f, area %.0f; 1.5 kb at row %d: amount %.0f; "
                "ratio %.2f\n",
                found[kb3]->y, amount[kb3], found[kb3]->area, found[kb15]->y, amount[kb15], ratio);
    EXPECT_GT(ratio, 1.0);
    EXPECT_LT(ratio, 6.0);
    ++lanes_read;
  }
  EXPECT_GE(lanes_read, 1);
}

}  // namespace
