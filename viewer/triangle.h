// The packed lower triangle without its diagonal in which the viewer keeps distances: the cell of
// rows i and j (i > j) has index i(i-1)/2 + j, so row 1 holds one cell, row 2 two, and so on.
// Sizes and indexes are size_t: a 32-bit product overflows from about 65,536 rows on.
#pragma once

#include <cmath>
#include <cstddef>
#include <utility>

namespace velto {

// Number of cells for n rows: n(n-1)/2.
inline std::size_t TriangleSize(std::size_t n) {
  return n < 2 ? 0 : n * (n - 1) / 2;
}

// Index of the cell of rows a and b (a != b, in either order).
inline std::size_t PackedIndex(std::size_t a, std::size_t b) {
  if (a < b) std::swap(a, b);
  return a * (a - 1) / 2 + b;
}

// Row i and column j (i > j) of cell k. The square root gives the row up to rounding; the two
// corrections make it exact for every k that a size_t can hold.
inline std::pair<std::size_t, std::size_t> DecodeIndex(std::size_t k) {
  std::size_t i = static_cast<std::size_t>(std::sqrt(2.0 * static_cast<double>(k)));
  while (i > 0 && i * (i - 1) / 2 > k) --i;
  while ((i + 1) * i / 2 <= k) ++i;
  return {i, k - i * (i - 1) / 2};
}

}  // namespace velto
