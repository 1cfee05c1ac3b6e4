// The minimum spanning tree of a full distance matrix, which both programs' minimum linkage
// builds its joins from.
#pragma once

#include <cstddef>
#include <functional>
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

// Copies the lower triangle of the n x n row-major square d onto its upper triangle (cell (c, r)
// takes cell (r, c) for every r > c), so that every row holds the whole of its distances.
void ks_mirror_lower(float* d, std::size_t n);

// Calls take(r, c, v) for every cell below the diagonal of the n x n row-major square d whose
// value v is one of `tied` (ascending, as ks_min_tree gives them), row by row and along each row.
// Stops and returns false as soon as take does; true otherwise.
bool ks_tied_cells(const float* d, std::size_t n, const std::vector<float>& tied,
                   const std::function<bool(std::size_t, std::size_t, float)>& take);
