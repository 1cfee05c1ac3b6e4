// Match matrices built in the tests, and what the tests read off a clustered tree.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "analysis/dndr.h"
#include "model/match_matrix.h"

namespace clustertest {

struct MrDeleter {
  void operator()(MATCH_MATRIX* m) const { ks_mr_free(m); }
};
using Mr = std::unique_ptr<MATCH_MATRIX, MrDeleter>;
struct RecDeleter {
  void operator()(DNDR_REC* r) const { dndr_free(r); }
};
using Rec = std::unique_ptr<DNDR_REC, RecDeleter>;

// A matrix of n rows labelled "gel:<row>:" from a distance function.
inline Mr matrix(int n, const std::function<float(int, int)>& d) {
  Mr m(ks_mr_new(n));
  for (int i = 0; i < n; ++i) {
    const std::string label = "gel:" + std::to_string(i + 1) + ":";
    ks_mr_set_entry(m.get(), i, label.c_str(), "/gels/gel.kes");
    for (int j = 0; j < i; ++j) ks_mr_set_dist(m.get(), i, j, d(i, j));
  }
  return m;
}

// Height of the lowest common node of every two leaves, by leaf id.
inline std::vector<std::vector<float>> lca_heights(const ks_tree* root, int n) {
  std::vector<std::vector<float>> h(n, std::vector<float>(n, 0.0f));
  std::function<std::vector<int>(const ks_tree*)> walk = [&](const ks_tree* t) {
    if (ks_tree_is_leaf(t)) return std::vector<int>{cluster_of(t)->id};
    std::vector<int> l = walk(t->left), r = walk(t->right);
    for (int a : l)
      for (int b : r) h[a][b] = h[b][a] = cluster_of(t)->height;
    l.insert(l.end(), r.begin(), r.end());
    return l;
  };
  walk(root);
  return h;
}

// Height of each leaf, by id.
inline std::vector<float> leaf_heights(const ks_tree* root, int n) {
  std::vector<float> h(n, -1.0f);
  std::function<void(const ks_tree*)> walk = [&](const ks_tree* t) {
    if (ks_tree_is_leaf(t)) {
      h[cluster_of(t)->id] = cluster_of(t)->height;
      return;
    }
    walk(t->left);
    walk(t->right);
  };
  walk(root);
  return h;
}

}  // namespace clustertest
