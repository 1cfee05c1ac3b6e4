// Contig map: leaf order from the average-linkage tree and the contig offsets under a limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tree_fixture.h"
#include "viewer/contig_map.h"

using namespace velto;
using velto_test::Forest;

namespace {

struct Result {
  std::string order;
  std::vector<float> offsets;
};

Result BuildMap(Forest& f, float limit) {
  ContigMap map;
  map.BuildContigMap(f.distances, f.taxa, limit);
  Result r;
  for (const ContigEntry& e : map.Entries()) {
    r.order += e.taxon->Label();
    r.offsets.push_back(e.offset);
  }
  return r;
}

TEST(ContigMap, OrdersLeavesAndSplitsAtTheLimit) {
  // Taxa 0..3 of A B C D; packed cells (1,0) (2,0) (2,1) (3,0) (3,1) (3,2).
  struct Case {
    const char* what;
    std::size_t n;
    std::vector<float> cells;
    float limit;
    const char* order;
    std::vector<float> offsets;
  } cases[] = {
      {"one taxon", 1, {}, 95, "0", {0}},
      {"two taxa within the limit", 2, {30}, 95, "01", {0, 30}},
      {"distance equal to the limit", 2, {30}, 30, "01", {0, 30}},
      {"distance just above the limit", 2, {30}, 29.99f, "01", {0, 0}},
      // (0,1) join first; 2 is closer to 0: exchanging the children and mirroring the first
      // child tie at 10, the exchange (smaller code) wins.
      {"third taxon closer to the first", 3, {0, 10, 20}, 10, "201", {0, 10, 10}},
      {"limit 0 keeps only identical neighbours", 3, {0, 10, 20}, 0, "201", {0, 0, 0}},
      {"all arrangements equal", 3, {5, 5, 5}, 95, "012", {0, 5, 10}},
      // (0,1) at 1, (2,3) at 2; 1 and 3 are closest across: the second child is reversed.
      {"second child reversed", 4, {1, 50, 50, 50, 10, 2}, 95, "0132", {0, 1, 11, 13}},
  };
  for (const Case& c : cases) {
    Forest f(c.n, c.cells);
    Result r = BuildMap(f, c.limit);
    EXPECT_EQ(r.order, c.order) << c.what;
    EXPECT_EQ(r.offsets, c.offsets) << c.what;
  }
}

TEST(ContigMap, ExtentAndAPermutationOfAllTaxa) {
  Forest f(4, {1, 50, 50, 50, 10, 2});
  ContigMap map;
  map.BuildContigMap(f.distances, f.taxa, 95);
  EXPECT_FLOAT_EQ(map.Extent(), 113.0f);
  EXPECT_EQ(map.Root()->Size(), 4u);

  Forest big(200);
  velto_test::FillRandom(big, 5);
  map.BuildContigMap(big.distances, big.taxa, 40);
  std::vector<const Taxon*> seen;
  float previous_offset = 0;
  for (std::size_t k = 0; k < map.Entries().size(); ++k) {
    const ContigEntry& e = map.Entries()[k];
    seen.push_back(e.taxon);
    if (k == 0) {
      EXPECT_EQ(e.offset, 0.0f);
    } else {
      float d = map.Distance(*e.taxon, *map.Entries()[k - 1].taxon);
      EXPECT_EQ(e.offset, d <= 40 ? previous_offset + d : 0.0f);
    }
    previous_offset = e.offset;
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_EQ(seen.size(), 200u);
}

}  // namespace
