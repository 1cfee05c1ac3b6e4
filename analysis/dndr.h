// Clustering of the lanes of a match matrix into a rooted binary tree by minimum, maximum or
// average linkage, or by neighbour joining. Every node carries a CLUSTER: the height at which
// its halves were joined and its position along the leaf axis; the record keeps the leaf order.
//
// Linkage merges every pair tied at the current smallest distance in one step, at one height,
// and orients each join so that the closest end leaves of the two halves meet (mirroring a
// half when that brings its other end nearer).
#pragma once

#include <cstdint>
#include <vector>

#include "shell/gt_chart.h"

struct MATCH_MATRIX;
struct ks_hmatx;

// The data of one tree node.
struct CLUSTER {
  int32_t id;     // matrix row of a leaf; -1 for an inner node
  int32_t first;  // matrix row of the leftmost leaf below
  int32_t last;   // matrix row of the rightmost leaf below
  int32_t count;  // leaves below (1 for a leaf)
  float height;   // join distance; for neighbour joining first the branch length
  float position; // place along the leaf axis in leaf units; -1 until placed
};

CLUSTER* cluster_new(int id, int count, float height, int first, int last);
void cluster_free(void* c);  // null ignored
CLUSTER* cluster_of(const ks_tree* node);
// Stores the height; a value of 0 or less is stored as 0.
void cluster_set_height(CLUSTER* c, float h);

// The current clusters, position k standing for row k of the working matrix.
using DNDR_ARRAY = std::vector<ks_tree*>;
// Distance from cluster k to the union of clusters i and j.
using DNDR_LINK_FN = float (*)(const DNDR_ARRAY& arr, const ks_hmatx* m, int k, int i, int j);

float dndr_link_min(const DNDR_ARRAY& arr, const ks_hmatx* m, int k, int i, int j);
float dndr_link_max(const DNDR_ARRAY& arr, const ks_hmatx* m, int k, int i, int j);
float dndr_link_average(const DNDR_ARRAY& arr, const ks_hmatx* m, int k, int i, int j);
float dndr_link_nj(const DNDR_ARRAY& arr, const ks_hmatx* m, int k, int i, int j);

// The rule of a graph choice: 1 minimum, 2 maximum, 3 average linkage, 4 neighbour joining
// (null otherwise), and back.
DNDR_LINK_FN dndr_rule_of_choice(int choice);
int dndr_choice_of_rule(DNDR_LINK_FN rule);

struct DNDR_REC {
  ks_tree* root = nullptr;
  std::vector<int32_t> leaf_order;  // leaf ids from the first drawn to the last
  DNDR_LINK_FN rule = nullptr;
  // Layout in pixels, set by the drawing.
  int left_margin = 0, tree_width = 0, label_start = 0, label_width = 0, band_start = 0,
      band_width = 0;
  ks_scale height_scale{}, position_scale{};
};

// Builds the tree of the matrix by the rule (the status line counts the clusters down). A
// matrix of no rows gives no root.
ks_tree* dndr_build_tree(const MATCH_MATRIX* mr, DNDR_LINK_FN rule);
DNDR_REC* dndr_new(const MATCH_MATRIX* mr, DNDR_LINK_FN rule);
void dndr_free(DNDR_REC* rec);  // null ignored
// Leaf id at a place of the leaf order; -1 outside it.
int dndr_leaf_at(const DNDR_REC* rec, int position);
int dndr_leaf_count(const DNDR_REC* rec);
