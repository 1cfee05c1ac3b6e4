// The half matrix and the match matrix: cell addressing, removal against numpy, the smallest
// cells, refused indexes, and entries owned per matrix.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "model/match_matrix.h"
#include "test_support.h"

namespace {

struct HmDel {
  void operator()(ks_hmatx* m) const { ks_hmatx_free(m); }
};
using Hm = std::unique_ptr<ks_hmatx, HmDel>;

TEST(HalfMatrix, CellRowColMatchesEnumerationUpTo2000Rows) {
  std::size_t index = 0;
  for (int r = 1; r < 2000; ++r)
    for (int c = 0; c < r; ++c, ++index) {
      int row = -1, col = -1;
      ks_hmatx_cell_rowcol(index, &row, &col);
      ASSERT_EQ(row, r) << index;
      ASSERT_EQ(col, c) << index;
    }
}

TEST(HalfMatrix, IsSymmetricWithAnEmptyDiagonal) {
  Hm m(ks_hmatx_new(4));
  ks_hmatx_set(m.get(), 1, 3, 5.5f);
  EXPECT_EQ(ks_hmatx_get(m.get(), 3, 1), 5.5f);
  EXPECT_EQ(m->cells[3 * 2 / 2 + 1], 5.5f);  // (3, 1) at r(r-1)/2 + c
  ks_hmatx_set(m.get(), 1, 1, 9.0f);         // the diagonal has no cell
  EXPECT_EQ(ks_hmatx_get(m.get(), 1, 1), 0.0f);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m->cells[i], i == 4 ? 5.5f : 0.0f) << i;
}

TEST(HalfMatrix, IndexesOutsideTheMatrixAreRefused) {
  Hm m(ks_hmatx_new(3));
  for (int i = 0; i < 3; ++i) m->cells[i] = static_cast<float>(i + 1);
  const int bad[][2] = {{-1, 0}, {0, -1}, {3, 0}, {0, 3}, {-5, 7}};
  for (const auto& b : bad) {
    EXPECT_EQ(ks_hmatx_get(m.get(), b[0], b[1]), 0.0f);
    ks_hmatx_set(m.get(), b[0], b[1], 99.0f);
  }
  for (int k : {-1, 3, 10}) ks_hmatx_remove(m.get(), k);
  EXPECT_EQ(m->n, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m->cells[i], static_cast<float>(i + 1));
  ks_hmatx_remove(m.get(), 2);  // the last row only shrinks n
  EXPECT_EQ(m->n, 2);
  EXPECT_EQ(m->cells[0], 1.0f);
  EXPECT_EQ(m->cells[2], 3.0f);
}

TEST(HalfMatrix, RemoveAgreesWithNumpyForEveryRow) {
  vxtest::TempDir dir;
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(0.0f, 100.0f);
  for (int n : {2, 5, 9, 16}) {
    Hm m(ks_hmatx_new(n));
    for (int r = 1; r < n; ++r)
      for (int c = 0; c < r; ++c) ks_hmatx_set(m.get(), r, c, u(rng));
    const std::string in = dir.file("full.txt"), out = dir.file("out.txt");
    {
      std::FILE* f = std::fopen(in.c_str(), "w");
      std::fprintf(f, "%d\n", n);
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) std::fprintf(f, "%.9g ", ks_hmatx_get(m.get(), i, j));
        std::fprintf(f, "\n");
      }
      std::fclose(f);
    }
    const std::string script = (vxtest::source_dir() / "tests/model/match_matrix_oracle.py").string();
    ASSERT_EQ(std::system(("/usr/bin/python3 '" + script + "' " + in + " " + out).c_str()), 0);
    std::ifstream expect(out);
    for (int k = 0; k < n; ++k) {
      std::string line;
      ASSERT_TRUE(std::getline(expect, line));
      Hm c(ks_hmatx_copy(m.get()));
      ks_hmatx_remove(c.get(), k);
      ASSERT_EQ(c->n, n - 1);
      std::istringstream vals(line);
      for (int r = 1; r < n - 1; ++r)
        for (int col = 0; col < r; ++col) {
          float v = -1;
          ASSERT_TRUE(vals >> v);
          EXPECT_EQ(ks_hmatx_get(c.get(), r, col), v) << "n " << n << " k " << k;
        }
    }
  }
}

TEST(HalfMatrix, MinPairsListsTiesInCellOrderAndIgnoresCellsAbove127) {
  Hm m(ks_hmatx_new(4));
  const float v[6] = {30, 12, 50, 12, 12, 40};  // (1,0) (2,0) (2,1) (3,0) (3,1) (3,2)
  for (int i = 0; i < 6; ++i) m->cells[i] = v[i];
  int* pairs = nullptr;
  ASSERT_EQ(ks_hmatx_min_pairs(m.get(), &pairs), 3);
  const int want[] = {2, 0, 3, 0, 3, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pairs[i], want[i]);
  ks_free(pairs);

  for (int i = 0; i < 6; ++i) m->cells[i] = 128.0f;
  EXPECT_EQ(ks_hmatx_min_pairs(m.get(), &pairs), 0);
  EXPECT_EQ(pairs, nullptr);
}

TEST(MatchMatrix, EntriesDistancesAndCopyBelongToEachMatrix) {
  MATCH_MATRIX* a = ks_mr_new(3);
  MATCH_MATRIX* b = ks_mr_new(5);  // alive at the same time, freed in either order
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ks_mr_set_entry(a, 0, "gel.kes:1:ladder", "/g/gel.kes");
  const char* first = ks_mr_label(a, 0);
  ks_mr_set_entry(a, 0, "gel.kes:1:ladder", "/g/gel.kes");  // an equal text is a new copy
  EXPECT_NE(ks_mr_label(a, 0), first);
  EXPECT_STREQ(ks_mr_label(a, 0), "gel.kes:1:ladder");
  EXPECT_STREQ(ks_mr_path(a, 0), "/g/gel.kes");
  EXPECT_EQ(ks_mr_label(a, 1), nullptr);
  EXPECT_EQ(ks_mr_label(a, 3), nullptr);
  for (int i = 0; i < 5; ++i) ks_mr_set_entry(b, i, "x:1", "/x");

  ks_mr_set_dist(a, 2, 0, 12.5f);
  EXPECT_EQ(ks_mr_dist(a, 0, 2), 12.5f);
  EXPECT_EQ(ks_mr_similarity(a, 0, 2), 87.5f);
  EXPECT_EQ(ks_mr_similarity(a, 2, 0), 87.5f);
  EXPECT_EQ(ks_mr_similarity(a, 1, 1), 100.0f);
  Hm copy(ks_mr_copy_matrix(a));
  ks_mr_set_dist(a, 2, 0, 1.0f);
  EXPECT_EQ(ks_hmatx_get(copy.get(), 2, 0), 12.5f);
  EXPECT_EQ(ks_mr_count(a), 3);

  ks_mr_free(b);
  ks_mr_free(a);
  ks_mr_free(nullptr);

  MATCH_MATRIX* one = ks_mr_new(1);
  EXPECT_EQ(ks_mr_dist(one, 0, 0), 0.0f);
  EXPECT_EQ(ks_mr_similarity(one, 0, 0), 100.0f);
  ks_mr_free(one);
}

}  // namespace
