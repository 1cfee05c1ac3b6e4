// Tree model and agglomerative clustering: pools, walks, the packed triangle, and the three
// linkage rules on hand cases and against a literal step-by-step builder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tree_fixture.h"
#include "viewer/dendrogram.h"
#include "viewer/triangle.h"

using namespace velto;
using velto_test::Forest;
using velto_test::Leaves;
using velto_test::Shape;

namespace {

struct Counted {
  explicit Counted(int* live) : live_(live) { ++*live_; }
  ~Counted() { --*live_; }
  int* live_;
};

TEST(BlockAllocator, ConstructsInOrderRefusesBeyondItsRoomAndDestroysOnRelease) {
  int live = 0;
  BlockAllocator<Counted> pool;
  EXPECT_THROW(pool(&live), VeltoError);  // no block yet
  pool.Resize(2);
  Counted& a = pool(&live);
  pool(&live);
  EXPECT_EQ(live, 2);
  EXPECT_EQ(pool.IndexOf(&a), 0u);
  try {
    pool(&live);
    FAIL() << "a full pool made an object";
  } catch (const VeltoError& e) {
    EXPECT_STREQ(e.what(), "BlockAllocator::operator(): reached end of block");
  }
  pool.Resize(3);  // drops the old objects
  EXPECT_EQ(live, 0);
  pool(&live);
  pool.Release();
  EXPECT_EQ(live, 0);
  EXPECT_EQ(pool.capacity(), 0u);
}

TEST(TreeWalk, ThreeOrdersMeetLeavesLeftToRight) {
  Forest f(4);
  BlockAllocator<Genus> g(3);
  Genus& a = g(f.taxa[0], f.taxa[1]);
  Genus& b = g(f.taxa[2], f.taxa[3]);
  Genus& root = g(a, b);
  auto names = [&](auto walk) {
    std::string s;
    for (auto& d : walk) s += d.IsTaxon() ? d.Label() : (&d == &root ? "R" : &d == &a ? "A" : "B");
    return s;
  };
  EXPECT_EQ(names(Walk<TreeIter::Prefix>(static_cast<Dendron*>(&root))), "RA01B23");
  EXPECT_EQ(names(Walk<TreeIter::Infix>(static_cast<const Dendron*>(&root))), "0A1R2B3");
  EXPECT_EQ(names(Walk<TreeIter::Postfix>(static_cast<Dendron*>(&root))), "01A23BR");
  EXPECT_EQ(names(Walk<TreeIter::Postfix>(static_cast<Dendron*>(&f.taxa[2]))), "2");
  EXPECT_EQ(root.Size(), 4u);
}

TEST(TreeModel, MirrorReversesTheLeavesOfDeepTrees) {
  Forest f(3);
  BlockAllocator<Genus> g(2);
  Genus& ab = g(f.taxa[0], f.taxa[1]);
  Genus& abc = g(ab, f.taxa[2]);
  abc.Mirror();
  EXPECT_EQ(Shape(&abc), "(2,(1,0))");

  // A chain thousands deep: walks and mirroring use no recursion.
  const std::size_t n = 20000;
  Forest chain(n);
  BlockAllocator<Genus> pool(n - 1);
  Dendron* top = &chain.taxa[0];
  for (std::size_t k = 1; k < n; ++k) top = &pool(*top, chain.taxa[k]);
  top->Mirror();
  std::vector<int> leaves = Leaves(top);
  ASSERT_EQ(leaves.size(), n);
  EXPECT_EQ(leaves.front(), static_cast<int>(n - 1));
  EXPECT_EQ(leaves.back(), 0);
}

TEST(Triangle, DecodeIndexInvertsPackedIndex) {
  for (std::size_t i = 1; i < 300; ++i)
    for (std::size_t j = 0; j < i; ++j) {
      auto [r, c] = DecodeIndex(PackedIndex(i, j));
      ASSERT_EQ(r, i);
      ASSERT_EQ(c, j);
    }
  // Rows beyond what 32-bit arithmetic or a float square root would get right.
  for (std::size_t i : {65537ul, 4294967295ul, 3037000499ul}) {
    for (std::size_t j : {0ul, i / 2, i - 1}) {
      auto [r, c] = DecodeIndex(PackedIndex(i, j));
      EXPECT_EQ(r, i);
      EXPECT_EQ(c, j);
    }
  }
  EXPECT_EQ(PackedIndex(65537, 0), 65537ul * 65536ul / 2);
}

std::unique_ptr<ConstantClockDendrogram> Make(int rule) {
  switch (rule) {
    case 0:
      return std::make_unique<MinLinkageDendrogram>();
    case 1:
      return std::make_unique<MaxLinkageDendrogram>();
    default:
      return std::make_unique<AveLinkageDendrogram>();
  }
}

TEST(Agglomerative, ThreeTaxaByEachRule) {
  // d(1,0) = 10, d(2,0) = 40, d(2,1) = 20: (1,0) joins first at 10; the root's height is the
  // rule's distance of taxon 2 to that pair.
  const float root_height[3] = {20.0f, 40.0f, 30.0f};
  for (int rule = 0; rule < 3; ++rule) {
    Forest f(3, {10, 40, 20});
    auto tree = Make(rule);
    tree->Build(f.distances, f.taxa);
    EXPECT_EQ(Shape(tree->Root()), "((0,1),2)") << rule;
    EXPECT_FLOAT_EQ(tree->NodeValue(*tree->Root()), root_height[rule]) << rule;
    EXPECT_FLOAT_EQ(tree->NodeValue(*tree->Root()->Left()), 10.0f);
    EXPECT_FLOAT_EQ(tree->NodeValue(f.taxa[2]), 0.0f);
  }
}

TEST(Agglomerative, EdgeSizesAndErrors) {
  Forest one(1);
  AveLinkageDendrogram tree;
  tree.Build(one.distances, one.taxa);
  EXPECT_EQ(tree.Root(), &one.taxa[0]);
  EXPECT_EQ(tree.Genera().size(), 0u);

  Forest two(2, {30});
  tree.Build(two.distances, two.taxa);  // a rebuild drops the first tree
  EXPECT_EQ(Shape(tree.Root()), "(0,1)");
  EXPECT_FLOAT_EQ(tree.NodeValue(*tree.Root()), 30.0f);
  EXPECT_FLOAT_EQ(tree.Distance(two.taxa[1], two.taxa[0]), 30.0f);
  EXPECT_FLOAT_EQ(tree.Distance(two.taxa[1], two.taxa[1]), 0.0f);
  try {
    tree.Distance(*tree.Root(), two.taxa[0]);
    FAIL() << "an inner node has a distance";
  } catch (const VeltoError& e) {
    EXPECT_STREQ(e.what(), "ConstantClockDendrogram::Distance() is unimplemented for non-taxons\n");
  }
  Taxon stranger("x");
  EXPECT_THROW(tree.Distance(stranger, two.taxa[0]), VeltoError);
}

TEST(Agglomerative, AverageWeighsClustersByTheirLeaves) {
  // 0, 1, 2 join at 1; taxon 3 joins them at 2; taxon 4 lies 10 from the three and 50 from 3,
  // so the root is (3 * 10 + 1 * 50) / 4 = 20, not the unweighted 30.
  Forest f(5, [](std::size_t i, std::size_t j) -> float {
    if (i == 4) return j == 3 ? 50.0f : 10.0f;
    if (i == 3) return 2.0f;
    return 1.0f;
  });
  AveLinkageDendrogram tree;
  tree.Build(f.distances, f.taxa);
  EXPECT_EQ(Shape(tree.Root()), "((((0,1),2),3),4)");
  EXPECT_FLOAT_EQ(tree.NodeValue(*tree.Root()), 20.0f);
}

TEST(Agglomerative, EqualDistancesJoinFirstInPackedOrder) {
  struct Case {
    std::vector<float> cells;  // packed: (1,0) (2,0) (2,1) (3,0) (3,1) (3,2)
    const char* first_join;
    const char* shape;  // null: depends on the rule
  } cases[] = {
      // (2,1) and (3,0) both 1: the lower row joins first.
      {{9, 9, 1, 1, 9, 9}, "(1,2)", "((0,3),(1,2))"},
      // (3,0) and (3,2) both 1 in one row: the lower column joins first, 3 as second child.
      {{9, 9, 9, 1, 9, 1}, "(0,3)", nullptr},
      // Everything equal: always the first two clusters.
      {{5, 5, 5, 5, 5, 5}, "(0,1)", "(((0,1),2),3)"},
  };
  for (const Case& c : cases) {
    for (int rule = 0; rule < 3; ++rule) {
      Forest f(4, c.cells);
      auto tree = Make(rule);
      tree->Build(f.distances, f.taxa);
      EXPECT_EQ(Shape(&tree->Genera()[0]), c.first_join) << "rule " << rule;
      if (c.shape) {
        EXPECT_EQ(Shape(tree->Root()), c.shape) << "rule " << rule;
      }
    }
  }
}

// The joins written out literally: find the first smallest cell, join, update column j with the
// rule, then move the rows and columns after i to close the gap.
struct RefJoin {
  std::string shape;
  float height;
};
std::vector<RefJoin> ReferenceBuild(const ConstantClockDendrogram& rule, std::vector<float> work,
                                    std::size_t n) {
  std::vector<std::string> shape;
  std::vector<unsigned> size;
  for (std::size_t k = 0; k < n; ++k) {
    shape.push_back(std::to_string(k));
    size.push_back(1);
  }
  std::vector<RefJoin> joins;
  while (n > 1) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < work.size(); ++k)
      if (work[k] < work[best]) best = k;
    auto [i, j] = DecodeIndex(best);
    joins.push_back({"(" + shape[j] + "," + shape[i] + ")", work[best]});
    for (std::size_t m = 0; m < n; ++m)
      if (m != i && m != j) work[PackedIndex(m, j)] = rule.Linkage(work, m, j, i, size[j], size[i]);
    shape[j] = joins.back().shape;
    size[j] += size[i];
    shape.erase(shape.begin() + static_cast<std::ptrdiff_t>(i));
    size.erase(size.begin() + static_cast<std::ptrdiff_t>(i));
    std::vector<float> next;
    for (std::size_t r = 1; r < n; ++r)
      for (std::size_t c = 0; c < r; ++c)
        if (r != i && c != i) next.push_back(work[PackedIndex(r, c)]);
    work.swap(next);
    --n;
  }
  return joins;
}

// Runs every rule on the matrix and compares each join and height with the literal builder.
void ExpectLiteralJoins(const Forest& f, const std::string& what) {
  const std::size_t n = f.taxa.size();
  Forest g(n, f.distances);
  for (int rule = 0; rule < 3; ++rule) {
    auto tree = Make(rule);
    tree->Build(g.distances, g.taxa);
    std::vector<RefJoin> ref = ReferenceBuild(*tree, g.distances, n);
    const auto& genera = tree->Genera();
    ASSERT_EQ(genera.size(), ref.size()) << what;
    for (std::size_t k = 0; k < ref.size(); ++k) {
      ASSERT_EQ(Shape(&genera[k]), ref[k].shape) << what << " rule " << rule << " join " << k;
      ASSERT_EQ(tree->NodeValue(genera[k]), ref[k].height) << what << " rule " << rule;
    }
    EXPECT_EQ(tree->Root(), &genera[genera.size() - 1]) << what;
  }
}

// Distinct values, a few shared heights among many distinct ones, and every cell of a few rows
// equal: minimum linkage works these out from a spanning tree and must join as the cells do.
TEST(Agglomerative, AgreesWithTheLiteralBuilderOnFewAndNoTies) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 gen(seed);
    const std::size_t n = 5 + seed * 7;
    std::uniform_real_distribution<float> any(1.0f, 100.0f);
    std::uniform_int_distribution<int> grid(0, 60);
    Forest distinct(n), some_ties(n), equal_rows(n);
    for (std::size_t k = 0; k < distinct.distances.size(); ++k) {
      distinct.distances[k] = any(gen);
      some_ties.distances[k] = 1.0f + 0.25f * static_cast<float>(grid(gen));
      equal_rows.distances[k] = any(gen);
    }
    for (std::size_t r = 1; r < n; r += 3)
      for (std::size_t c = 0; c < r; ++c) equal_rows.distances[PackedIndex(r, c)] = 0.5f;
    ExpectLiteralJoins(distinct, "distinct, seed " + std::to_string(seed));
    ExpectLiteralJoins(some_ties, "some ties, seed " + std::to_string(seed));
    ExpectLiteralJoins(equal_rows, "equal rows, seed " + std::to_string(seed));
  }
}

TEST(Agglomerative, AgreesWithTheLiteralBuilderOnTieHeavyMatrices) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 gen(seed);
    const std::size_t n = 2 + seed * 3;
    std::uniform_int_distribution<int> few(1, seed % 3 == 0 ? 2 : 6);
    Forest f(n);
    for (float& c : f.distances) c = static_cast<float>(few(gen));
    for (int rule = 0; rule < 3; ++rule) {
      auto tree = Make(rule);
      tree->Build(f.distances, f.taxa);
      std::vector<RefJoin> ref = ReferenceBuild(*tree, f.distances, n);
      const auto& genera = tree->Genera();
      ASSERT_EQ(genera.size(), ref.size());
      for (std::size_t k = 0; k < ref.size(); ++k) {
        ASSERT_EQ(Shape(&genera[k]), ref[k].shape) << "seed " << seed << " rule " << rule;
        ASSERT_EQ(tree->NodeValue(genera[k]), ref[k].height);
      }
      EXPECT_EQ(tree->Root(), &genera[genera.size() - 1]);
    }
  }
}

}  // namespace
