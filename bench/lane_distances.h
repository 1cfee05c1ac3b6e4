// The distance matrices of the clustering benchmarks: splitmix64 seeded with n; each cell is
// 1 + 99 u with u in [0, 1) from the top 53 bits, rounded to float, in packed lower-triangle
// order (1,0), (2,0), (2,1), ... bench/cluster_scipy.py makes the same matrices for scipy.
#pragma once

#include <cstdint>
#include <vector>

inline std::vector<float> BenchDistances(std::size_t n) {
  std::uint64_t state = n;
  std::vector<float> cells(n < 2 ? 0 : n * (n - 1) / 2);
  for (float& c : cells) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    const double u = static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
    c = static_cast<float>(1.0 + 99.0 * u);
  }
  return cells;
}
