// Minimum spanning tree of a distance matrix: see min_tree.h.
#include "base/min_tree.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Prim's tree with the leaves in their own order: reach[v] is the smallest distance of leaf v to
// the tree and from[v] the tree leaf at that distance; a leaf in the tree has reach +infinity
// and a closed gate, so that no row lowers it again. Each step takes the leaf of smallest reach
// (the first such leaf on equal reach) and lowers the others by its row; both passes run over
// whole rows, four leaves at a time where the processor allows. Which of several leaves of equal
// reach is taken first changes which edges of equal weight the tree holds, never the weights
// nor the clusters that the cells below each weight form, which is all the callers read.
void ks_min_tree(const float* d, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                 std::vector<float>* tied) {
  edges->clear();
  tied->clear();
  if (n < 2) return;
  edges->reserve(n - 1);
  const float inf = std::numeric_limits<float>::infinity();
  const std::size_t padded = (n + 3) / 4 * 4;
  std::vector<float> reach(padded, inf);
  std::vector<uint32_t> from(padded, 0), gate(padded, 0);
  for (std::size_t v = 1; v < n; ++v) {
    reach[v] = d[v];
    gate[v] = ~uint32_t(0);
  }
  for (std::size_t step = 1; step < n; ++step) {
    // The leaf of smallest reach outside the tree.
    float m = inf;
    std::size_t at = 0;
#if defined(__SSE2__)
    __m128 vm = _mm_set1_ps(inf);
    for (std::size_t v = 0; v < padded; v += 4) vm = _mm_min_ps(vm, _mm_loadu_ps(&reach[v]));
    vm = _mm_min_ps(vm, _mm_shuffle_ps(vm, vm, _MM_SHUFFLE(1, 0, 3, 2)));
    vm = _mm_min_ps(vm, _mm_shuffle_ps(vm, vm, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_cvtss_f32(vm);
    const __m128 target = _mm_set1_ps(m);
    for (std::size_t v = 0; v < padded; v += 4) {
      const __m128i open = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&gate[v]));
      const int hit = _mm_movemask_ps(
          _mm_and_ps(_mm_cmpeq_ps(_mm_loadu_ps(&reach[v]), target), _mm_castsi128_ps(open)));
      if (hit) {
        at = v + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hit)));
        break;
      }
    }
#else
    for (std::size_t v = 0; v < n; ++v)
      if (gate[v] && (at == 0 || reach[v] < m)) m = reach[v], at = v;
#endif
    edges->push_back({reach[at], from[at], at});
    reach[at] = inf;
    gate[at] = 0;
    const float* row = d + at * n;
    const uint32_t u = static_cast<uint32_t>(at);
#if defined(__SSE2__)
    const __m128i vu = _mm_set1_epi32(static_cast<int>(u));
    const std::size_t whole = n / 4 * 4;
    std::size_t v = 0;
    for (; v < whole; v += 4) {
      const __m128 x = _mm_loadu_ps(row + v);
      const __m128 r = _mm_loadu_ps(&reach[v]);
      const __m128i open = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&gate[v]));
      const __m128i lower = _mm_and_si128(_mm_castps_si128(_mm_cmplt_ps(x, r)), open);
      const __m128 lf = _mm_castsi128_ps(lower);
      _mm_storeu_ps(&reach[v], _mm_or_ps(_mm_and_ps(lf, x), _mm_andnot_ps(lf, r)));
      const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&from[v]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(&from[v]),
                       _mm_or_si128(_mm_and_si128(lower, vu), _mm_andnot_si128(lower, f)));
    }
    for (; v < n; ++v)
#else
    for (std::size_t v = 0; v < n; ++v)
#endif
      if (gate[v] && row[v] < reach[v]) {
        reach[v] = row[v];
        from[v] = u;
      }
  }
  std::sort(edges->begin(), edges->end(),
            [](const KS_TREE_EDGE& x, const KS_TREE_EDGE& y) { return x.w < y.w; });
  for (std::size_t e = 1; e < edges->size(); ++e)
    if ((*edges)[e].w == (*edges)[e - 1].w && (tied->empty() || tied->back() != (*edges)[e].w))
      tied->push_back((*edges)[e].w);
}
