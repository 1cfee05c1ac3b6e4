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
// The same tree, edges and ties from the packed lower triangle `cells` of n leaves (cells (1,0),
// (2,0), (2,1), ...; no cell a NaN), with no square made. For matrices up to
// KS_PACKED_TREE_MAX leaves this is the cheaper way: a square of their size is new memory that
// costs more to fault in than the packed rows cost to gather.
void ks_min_tree_packed(const float* cells, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                        std::vector<float>* tied);
constexpr std::size_t KS_PACKED_TREE_MAX = 700;

// Copies the lower triangle of the n x n row-major square d onto its upper triangle (cell (c, r)
// takes cell (r, c) for every r > c), so that every row holds the whole of its distances.
void ks_mirror_lower(float* d, std::size_t n);

// Calls take(r, c, v) for every cell below the diagonal of the n x n row-major square d whose
// value v is one of `tied` (ascending, as ks_min_tree gives them), row by row and along each row.
// Stops and returns false as soon as take does; true otherwise.
bool ks_tied_cells(const float* d, std::size_t n, const std::vector<float>& tied,
                   const std::function<bool(std::size_t, std::size_t, float)>& take);
// The same over the packed lower triangle `cells` of n leaves.
bool ks_tied_cells_packed(const float* cells, std::size_t n, const std::vector<float>& tied,
                          const std::function<bool(std::size_t, std::size_t, float)>& take);
