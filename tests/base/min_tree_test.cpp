// The square matrix helpers of minimum linkage: the lower triangle mirrored onto the upper one
// (4 x 4 blocks, tiles and the cells left over at any size), and the cells of tied weights
// found in row order with an early stop.
#include "base/min_tree.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

TEST(MinTree, MirrorCopiesEveryLowerCellAtAnySize) {
  for (std::size_t n : {0, 1, 2, 3, 4, 5, 7, 8, 9, 63, 64, 65, 67, 130}) {
    std::vector<float> d(n * n, -1.0f);
    for (std::size_t r = 0; r < n; ++r) {
      for (std::size_t c = 0; c < r; ++c) d[r * n + c] = static_cast<float>(r * 1000 + c);
      d[r * n + r] = 0.5f;
    }
    ks_mirror_lower(d.data(), n);
    for (std::size_t r = 0; r < n; ++r) {
      ASSERT_EQ(d[r * n + r], 0.5f) << n;
      for (std::size_t c = 0; c < r; ++c) {
        ASSERT_EQ(d[r * n + c], static_cast<float>(r * 1000 + c)) << n;
        ASSERT_EQ(d[c * n + r], d[r * n + c]) << "n " << n << " cell " << c << ", " << r;
      }
    }
  }
}

TEST(MinTree, TiedCellsComeInRowOrderAndStopWhenAsked) {
  // 6 leaves; the weights 2 and 5 are tied, 9 is not asked for.
  const std::size_t n = 6;
  std::vector<float> d(n * n, 0.0f);
  const float lower[] = {2, 9, 5, 2, 7, 5, 8, 2, 6, 4, 5, 3, 2, 9, 1};
  for (std::size_t r = 1, k = 0; r < n; ++r)
    for (std::size_t c = 0; c < r; ++c) d[r * n + c] = lower[k++];
  ks_mirror_lower(d.data(), n);
  using Cell = std::tuple<std::size_t, std::size_t, float>;
  std::vector<Cell> got;
  EXPECT_TRUE(ks_tied_cells(d.data(), n, {2.0f, 5.0f}, [&](std::size_t r, std::size_t c, float v) {
    got.emplace_back(r, c, v);
    return true;
  }));
  const std::vector<Cell> want = {{1, 0, 2}, {2, 1, 5}, {3, 0, 2}, {3, 2, 5},
                                  {4, 1, 2}, {5, 0, 5}, {5, 2, 2}};
  EXPECT_EQ(got, want);
  got.clear();
  EXPECT_FALSE(ks_tied_cells(d.data(), n, {2.0f, 5.0f}, [&](std::size_t r, std::size_t c, float v) {
    got.emplace_back(r, c, v);
    return got.size() < 3;
  }));
  EXPECT_EQ(got.size(), 3u);
  EXPECT_TRUE(ks_tied_cells(d.data(), n, {}, [](std::size_t, std::size_t, float) { return false; }));
}
