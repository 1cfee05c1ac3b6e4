// Minimum spanning tree of a distance matrix: see min_tree.h.
#include "base/min_tree.h"

#include <algorithm>

void ks_min_tree(const float* d, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                 std::vector<float>* tied) {
  edges->clear();
  tied->clear();
  if (n < 2) return;
  edges->reserve(n - 1);
  std::vector<std::size_t> rest(n - 1), from(n - 1, 0);
  std::vector<float> reach(n - 1);
  std::size_t left = n - 1, at = 0;
  for (std::size_t k = 0; k < left; ++k) {
    rest[k] = k + 1;
    reach[k] = d[k + 1];
    if (reach[k] < reach[at]) at = k;
  }
  while (left > 0) {
    const std::size_t u = rest[at];
    edges->push_back({reach[at], from[at], u});
    --left;
    rest[at] = rest[left];
    reach[at] = reach[left];
    from[at] = from[left];
    const float* row = d + u * n;
    std::size_t next = 0;
    for (std::size_t k = 0; k < left; ++k) {
      const float x = row[rest[k]];
      if (x < reach[k]) {
        reach[k] = x;
        from[k] = u;
      }
      if (reach[k] < reach[next]) next = k;
    }
    at = next;
  }
  std::sort(edges->begin(), edges->end(),
            [](const KS_TREE_EDGE& x, const KS_TREE_EDGE& y) { return x.w < y.w; });
  for (std::size_t e = 1; e < edges->size(); ++e)
    if ((*edges)[e].w == (*edges)[e - 1].w && (tied->empty() || tied->back() != (*edges)[e].w))
      tied->push_back((*edges)[e].w);
}
