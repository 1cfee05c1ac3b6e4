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
// weight, and the weights that more than one edge holds, ascending. Where several trees are
// minimal, which one is given is not said; they hold the same weights, and the leaves joined
// below each weight are the same.
void ks_min_tree(const float* d, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                 std::vector<float>* tied);
