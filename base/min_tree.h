// The minimum spanning tree of a full distance matrix, which both programs' minimum linkage
// builds its joins from.
#pragma once

#include <cstddef>
#include <vector>

// One edge of the tree: its weight and the two leaves it joins.
struct KS_TREE_EDGE {
  float w;
  std::size_t a, b;
};

// Prim's tree of the n x n symmetric matrix d (row-major, no cell a NaN), its edges sorted by
// weight, and the weights that more than one edge holds, ascending. The leaves outside the tree
// are kept packed, each with its smallest distance to the tree and the tree leaf at that
// distance; the pass that takes a new leaf's row into account also finds the next nearest leaf.
void ks_min_tree(const float* d, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                 std::vector<float>* tied);
