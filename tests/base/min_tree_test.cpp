// The square matrix helpers of minimum linkage: the lower triangle mirrored onto the upper one
// (4 x 4 blocks, tiles and the cells left over at any size), and the cells of tied weights
// found in row order with an early stop; the packed triangle giving the same tree and tied cells
// as its square.
#include "base/min_tree.h"

#include <gtest/gtest.h>

#include <random>
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

TEST(MinTree, PackedTriangleGivesTheTreeAndTiedCellsOfItsSquare) {
  // Distinct cells, a few values repeated and mostly tied cells, at sizes around the 4-wide
  // passes; the tree's edges (ends included) and the tied cells must be the square's own.
  using Cell = std::tuple<std::size_t, std::size_t, float>;
  for (int levels : {0, 200, 3})
    for (std::size_t n : {2, 3, 5, 8, 33, 130}) {
      std::mt19937 g(static_cast<unsigned>(levels * 1000 + n));
      std::vector<float> packed, d(n * n, 0.0f);
      for (std::size_t r = 1; r < n; ++r)
        for (std::size_t c = 0; c < r; ++c) {
          const float v = levels ? float(std::uniform_int_distribution<int>(1, levels)(g))
                                 : std::uniform_real_distribution<float>(1, 99)(g);
          packed.push_back(v);
          d[r * n + c] = v;
        }
      ks_mirror_lower(d.data(), n);
      std::vector<KS_TREE_EDGE> e1, e2;
      std::vector<float> t1, t2;
      ks_min_tree(d.data(), n, &e1, &t1);
      ks_min_tree_packed(packed.data(), n, &e2, &t2);
      ASSERT_EQ(e1.size(), e2.size()) << levels << " n " << n;
      for (std::size_t k = 0; k < e1.size(); ++k) {
        EXPECT_EQ(e1[k].w, e2[k].w) << levels << " n " << n << " edge " << k;
        EXPECT_EQ(e1[k].a, e2[k].a) << levels << " n " << n << " edge " << k;
        EXPECT_EQ(e1[k].b, e2[k].b) << levels << " n " << n << " edge " << k;
      }
      EXPECT_EQ(t1, t2) << levels << " n " << n;
      std::vector<Cell> c1, c2;
      ks_tied_cells(d.data(), n, t1, [&](std::size_t r, std::size_t c, float v) {
        c1.emplace_back(r, c, v);
        return true;
      });
      ks_tied_cells_packed(packed.data(), n, t2, [&](std::size_t r, std::size_t c, float v) {
        c2.emplace_back(r, c, v);
        return true;
      });
      EXPECT_EQ(c1, c2) << levels << " n " << n;
      if (levels == 3 && n > 8) {
        EXPECT_FALSE(c1.empty());
      }
    }
}
