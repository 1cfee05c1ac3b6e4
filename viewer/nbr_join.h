// Neighbour joining: repeatedly join the pair of clusters that minimises
//   d(i, j) - (r(i) + r(j)) / (n - 2)
// where r is a cluster's row sum of distances and n the number of clusters, and give each joined
// cluster its branch length. The last join splits the remaining distance evenly, which roots the
// tree there. NodeValue is a node's distance from that root along the branches.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "viewer/dendrogram.h"

namespace velto {

// A function of a distance and two cluster numbers: the selection criterion of a join.
class TertiaryFunc {
 public:
  virtual ~TertiaryFunc() = default;
  virtual double operator()(float distance, std::size_t a, std::size_t b) const = 0;
};

// The neighbour-joining criterion over the current row sums and cluster count.
class NbrDistance final : public TertiaryFunc {
 public:
  NbrDistance(const std::vector<float>& row_sums, std::size_t clusters)
      : row_sums_(row_sums), clusters_(clusters) {}
  double operator()(float distance, std::size_t a, std::size_t b) const override;

 private:
  const std::vector<float>& row_sums_;
  std::size_t clusters_;
};

class NbrJoinDendrogram : public Dendrogram {
 public:
  float Distance(const Dendron& a, const Dendron& b) const override;
  // The node's distance from the root (0.0 for the root).
  float NodeValue(const Dendron& node) const override;
  void Build(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa) override;

  // The length of the edge from the node to its parent (0.0 for the root).
  float BranchLength(const Dendron& node) const { return Lookup(values_, node); }
  // The largest distance from the root over all nodes (0.0 without a tree).
  float GreatestDistanceFromRoot() const;

 private:
  std::unordered_map<const Dendron*, float> root_distance_;
};

}  // namespace velto
