// Agglomerative trees against scipy's linkage on random matrices without ties: the same joins in
// the same order (as leaf sets) at the same heights.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "oracle.h"
#include "tree_fixture.h"
#include "viewer/dendrogram.h"

using namespace velto;
using velto_test::Forest;
using velto_test::Leaves;

namespace {

template <class Tree>
void CompareWithScipy(const char* method) {
  vxtest::TempDir dir;
  std::vector<std::unique_ptr<Forest>> forests;
  std::string args = std::string("linkage ") + method;
  const std::size_t sizes[] = {2, 3, 10, 25, 60, 120};
  for (std::size_t k = 0; k < std::size(sizes); ++k) {
    forests.push_back(std::make_unique<Forest>(sizes[k]));
    velto_test::FillRandom(*forests.back(), 100 + static_cast<unsigned>(k));
    velto_test::WriteMatrix(*forests.back(), dir.file("in" + std::to_string(k)));
    args += " '" + dir.file("in" + std::to_string(k)) + "' '" +
            dir.file("out" + std::to_string(k)) + "'";
  }
  ASSERT_TRUE(velto_test::RunOracle(args));

  for (std::size_t k = 0; k < forests.size(); ++k) {
    Forest& f = *forests[k];
    const std::size_t n = f.size();
    Tree tree;
    tree.Build(f.distances, f.taxa);
    std::ifstream in(dir.file("out" + std::to_string(k)));
    std::vector<std::vector<int>> members;  // scipy's clusters: leaves, then merges
    for (std::size_t leaf = 0; leaf < n; ++leaf) members.push_back({static_cast<int>(leaf)});
    for (std::size_t m = 0; m + 1 < n; ++m) {
      std::size_t a, b;
      double height;
      ASSERT_TRUE(in >> a >> b >> height);
      std::vector<int> joined = members[a];
      joined.insert(joined.end(), members[b].begin(), members[b].end());
      std::sort(joined.begin(), joined.end());
      members.push_back(joined);

      const Genus& ours = tree.Genera()[m];
      std::vector<int> leaves = Leaves(&ours);
      std::sort(leaves.begin(), leaves.end());
      ASSERT_EQ(leaves, joined) << method << " n " << n << " join " << m;
      ASSERT_NEAR(tree.NodeValue(ours), height, 1e-4 * height) << method << " n " << n;
    }
  }
}

TEST(LinkageOracle, MinimumLinkageIsScipySingle) {
  CompareWithScipy<MinLinkageDendrogram>("single");
}
TEST(LinkageOracle, MaximumLinkageIsScipyComplete) {
  CompareWithScipy<MaxLinkageDendrogram>("complete");
}
TEST(LinkageOracle, AverageLinkageIsScipyAverage) {
  CompareWithScipy<AveLinkageDendrogram>("average");
}

}  // namespace
