// Small helpers for the tree tests: a taxon pool and a distance triangle built from a list of
// values, and readable descriptions of trees.
#pragma once

#include <cstddef>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "viewer/dendrogram.h"
#include "viewer/triangle.h"

namespace velto_test {

using velto::BlockAllocator;
using velto::Dendron;
using velto::Taxon;

// Taxa named "0", "1", ... with the distances given in packed order.
struct Forest {
  explicit Forest(std::size_t n, std::vector<float> cells = {}) : distances(std::move(cells)) {
    distances.resize(velto::TriangleSize(n), 0.0f);
    taxa.Resize(n);
    for (std::size_t k = 0; k < n; ++k) taxa(std::to_string(k));
  }
  Forest(std::size_t n, const std::function<float(std::size_t, std::size_t)>& d) : Forest(n) {
    for (std::size_t i = 1; i < n; ++i)
      for (std::size_t j = 0; j < i; ++j) distances[velto::PackedIndex(i, j)] = d(i, j);
  }
  std::size_t size() const { return taxa.size(); }
  std::vector<float> distances;
  BlockAllocator<Taxon> taxa;
};

// The tree as nested brackets of labels, first child first: "((0,1),2)".
inline std::string Shape(const Dendron* node) {
  if (node->IsTaxon()) return node->Label();
  return "(" + Shape(node->Left()) + "," + Shape(node->Right()) + ")";
}

// The leaves of a subtree from left to right, as numbers.
inline std::vector<int> Leaves(const Dendron* node) {
  std::vector<int> out;
  for (const Dendron& d : velto::Walk<velto::TreeIter::Prefix>(node))
    if (d.IsTaxon()) out.push_back(std::stoi(d.Label()));
  return out;
}

// Fills the distances with values drawn uniformly from [1, 100), rounded to float.
inline void FillRandom(Forest& f, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> u(1.0f, 100.0f);
  for (float& c : f.distances) c = u(gen);
}

}  // namespace velto_test
