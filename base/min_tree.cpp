// Minimum spanning tree of a distance matrix: see min_tree.h.
#include "base/min_tree.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

// Prim's tree with the leaves in their own order: reach[v] is the smallest distance of leaf v to
// the tree and from[v] the tree leaf at that distance; a leaf in the tree has reach +infinity
// and a closed gate, so that no row lowers it again. Each step takes the leaf of smallest reach
// (the first such leaf on equal reach) and lowers the others by its row, taking the next
// smallest reach on the way; the passes run over whole rows, four leaves at a time where the
// processor allows. Which of several leaves of equal reach is taken first changes which edges
// of equal weight the tree holds, never the weights nor the clusters that the cells below each
// weight form, which is all the callers read.
namespace {

// Prim's tree as above; row_of(at) gives the n distances of leaf `at` (the cell of `at` itself
// is never read for a decision).
template <class RowOf>
void min_tree_of(std::size_t n, RowOf&& row_of, std::vector<KS_TREE_EDGE>* edges,
                 std::vector<float>* tied) {
  edges->clear();
  tied->clear();
  if (n < 2) return;
  edges->reserve(n - 1);
  const float inf = std::numeric_limits<float>::infinity();
  const std::size_t padded = (n + 3) / 4 * 4;
  std::vector<float> reach(padded, inf);
  std::vector<uint32_t> from(padded, 0), gate(padded, 0);
  const float* const first = row_of(0);
  for (std::size_t v = 1; v < n; ++v) {
    reach[v] = first[v];
    gate[v] = ~uint32_t(0);
  }
  // The smallest reach outside the tree; after the first step it is taken in the pass that
  // lowers the reaches.
  float m = inf;
  for (std::size_t v = 0; v < n; ++v) m = std::min(m, reach[v]);
  for (std::size_t step = 1; step < n; ++step) {
    // The first leaf outside the tree at the smallest reach.
    std::size_t at = 0;
#if defined(__SSE2__)
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
      if (gate[v] && reach[v] == m) {
        at = v;
        break;
      }
#endif
    edges->push_back({reach[at], from[at], at});
    reach[at] = inf;
    gate[at] = 0;
    const float* row = row_of(at);
    const uint32_t u = static_cast<uint32_t>(at);
    float next = inf;
#if defined(__SSE2__)
    const __m128i vu = _mm_set1_epi32(static_cast<int>(u));
    __m128 vm = _mm_set1_ps(inf);
    const std::size_t whole = n / 4 * 4;
    std::size_t v = 0;
    for (; v < whole; v += 4) {
      const __m128 x = _mm_loadu_ps(row + v);
      const __m128 r = _mm_loadu_ps(&reach[v]);
      const __m128i open = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&gate[v]));
      const __m128i lower = _mm_and_si128(_mm_castps_si128(_mm_cmplt_ps(x, r)), open);
      const __m128 lf = _mm_castsi128_ps(lower);
      const __m128 nr = _mm_or_ps(_mm_and_ps(lf, x), _mm_andnot_ps(lf, r));
      _mm_storeu_ps(&reach[v], nr);
      vm = _mm_min_ps(vm, nr);
      const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&from[v]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(&from[v]),
                       _mm_or_si128(_mm_and_si128(lower, vu), _mm_andnot_si128(lower, f)));
    }
    vm = _mm_min_ps(vm, _mm_shuffle_ps(vm, vm, _MM_SHUFFLE(1, 0, 3, 2)));
    vm = _mm_min_ps(vm, _mm_shuffle_ps(vm, vm, _MM_SHUFFLE(2, 3, 0, 1)));
    next = _mm_cvtss_f32(vm);
    for (; v < n; ++v) {
#else
    for (std::size_t v = 0; v < n; ++v) {
#endif
      if (gate[v] && row[v] < reach[v]) {
        reach[v] = row[v];
        from[v] = u;
      }
      next = std::min(next, reach[v]);
    }
    m = next;
  }
  std::sort(edges->begin(), edges->end(),
            [](const KS_TREE_EDGE& x, const KS_TREE_EDGE& y) { return x.w < y.w; });
  for (std::size_t e = 1; e < edges->size(); ++e)
    if ((*edges)[e].w == (*edges)[e - 1].w && (tied->empty() || tied->back() != (*edges)[e].w))
      tied->push_back((*edges)[e].w);
}

// Cells (r, 0) ... (r, r - 1) of the packed lower triangle start at r (r - 1) / 2.
inline const float* packed_row(const float* cells, std::size_t r) {
  return cells + r * (r - 1) / 2;
}

}  // namespace

void ks_min_tree(const float* d, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                 std::vector<float>* tied) {
  min_tree_of(n, [d, n](std::size_t at) { return d + at * n; }, edges, tied);
}

void ks_min_tree_packed(const float* cells, std::size_t n, std::vector<KS_TREE_EDGE>* edges,
                        std::vector<float>* tied) {
  // One row at a time is gathered into a small buffer: the cells before the diagonal lie in
  // order, those after it one row further apart each.
  std::vector<float> row(n > 0 ? n : 1);
  min_tree_of(
      n,
      [&](std::size_t at) {
        const float* lower = packed_row(cells, at);
        std::copy(lower, lower + at, row.begin());
        row[at] = 0.0f;
        std::size_t k = at * (at + 1) / 2 + at;  // cell (at + 1, at)
        for (std::size_t v = at + 1; v < n; k += v, ++v) row[v] = cells[k];
        return static_cast<const float*>(row.data());
      },
      edges, tied);
}

void ks_mirror_lower(float* d, std::size_t n) {
  // Blocks of 4 x 4 cells wholly below the diagonal are turned in registers, so that both the
  // reads and the writes go along rows; they are taken a tile of 64 x 64 cells at a time, so
  // that a tile's rows stay in the cache. The cells near the diagonal and past the last whole
  // block go one by one.
  const std::size_t m = n / 4 * 4;
  constexpr std::size_t kTile = 64;
#if defined(__SSE2__)
  for (std::size_t r0 = 0; r0 < m; r0 += kTile)
    for (std::size_t c0 = 0; c0 <= r0; c0 += kTile)
      for (std::size_t r = r0; r < std::min(m, r0 + kTile); r += 4)
        for (std::size_t c = c0; c < std::min(r, c0 + kTile); c += 4) {
          const float* src = d + r * n + c;
          __m128 a = _mm_loadu_ps(src), b = _mm_loadu_ps(src + n);
          __m128 e = _mm_loadu_ps(src + 2 * n), f = _mm_loadu_ps(src + 3 * n);
          _MM_TRANSPOSE4_PS(a, b, e, f);
          float* dst = d + c * n + r;
          _mm_storeu_ps(dst, a);
          _mm_storeu_ps(dst + n, b);
          _mm_storeu_ps(dst + 2 * n, e);
          _mm_storeu_ps(dst + 3 * n, f);
        }
  for (std::size_t b = 0; b < m; b += 4)
    for (std::size_t r = b + 1; r < b + 4; ++r)
      for (std::size_t c = b; c < r; ++c) d[c * n + r] = d[r * n + c];
#else
  for (std::size_t r0 = 0; r0 < m; r0 += kTile)
    for (std::size_t c0 = 0; c0 <= r0; c0 += kTile)
      for (std::size_t r = r0; r < std::min(m, r0 + kTile); ++r)
        for (std::size_t c = c0; c < std::min(r, c0 + kTile); ++c) d[c * n + r] = d[r * n + c];
#endif
  for (std::size_t r = m; r < n; ++r)
    for (std::size_t c = 0; c < r; ++c) d[c * n + r] = d[r * n + c];
}

namespace {

// ks_tied_cells over the rows that lower(r) gives (cells (r, 0) ... (r, r - 1)).
template <class LowerOf>
bool tied_cells_of(std::size_t n, LowerOf&& lower, const std::vector<float>& tied,
                   const std::function<bool(std::size_t, std::size_t, float)>& take) {
  if (tied.empty()) return true;
  // The tied weights are few and low: cells outside their range are passed four at a time.
  const float lo = tied.front(), hi = tied.back();
  auto check = [&](const float* row, std::size_t r, std::size_t c) {
    const float v = row[c];
    if (v < lo || v > hi || !std::binary_search(tied.begin(), tied.end(), v)) return true;
    return take(r, c, v);
  };
  for (std::size_t r = 1; r < n; ++r) {
    const float* row = lower(r);
    std::size_t c = 0;
#if defined(__SSE2__)
    const __m128 vlo = _mm_set1_ps(lo), vhi = _mm_set1_ps(hi);
    for (; c + 4 <= r; c += 4) {
      const __m128 x = _mm_loadu_ps(row + c);
      unsigned in = static_cast<unsigned>(
          _mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(x, vlo), _mm_cmple_ps(x, vhi))));
      for (; in; in &= in - 1)
        if (!check(row, r, c + static_cast<std::size_t>(__builtin_ctz(in)))) return false;
    }
#endif
    for (; c < r; ++c)
      if (!check(row, r, c)) return false;
  }
  return true;
}

}  // namespace

bool ks_tied_cells(const float* d, std::size_t n, const std::vector<float>& tied,
                   const std::function<bool(std::size_t, std::size_t, float)>& take) {
  return tied_cells_of(n, [d, n](std::size_t r) { return d + r * n; }, tied, take);
}

bool ks_tied_cells_packed(const float* cells, std::size_t n, const std::vector<float>& tied,
                          const std::function<bool(std::size_t, std::size_t, float)>& take) {
  return tied_cells_of(n, [cells](std::size_t r) { return packed_row(cells, r); }, tied, take);
}
