// The clustering pattern on the half matrix: copy the distances, then n - 1 rounds of finding
// the smallest cells and removing a row.
#include <benchmark/benchmark.h>

#include <random>

#include "base/ks_mem.h"
#include "model/match_matrix.h"

static void BM_ClusterRounds(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ks_hmatx* src = ks_hmatx_new(n);
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> u(0, 100);
  for (int r = 1; r < n; ++r)
    for (int c = 0; c < r; ++c) ks_hmatx_set(src, r, c, static_cast<float>(u(rng)));
  for (auto _ : state) {
    ks_hmatx* m = ks_hmatx_copy(src);
    while (ks_hmatx_size(m) > 1) {
      int* pairs = nullptr;
      const int k = ks_hmatx_min_pairs(m, &pairs);
      ks_hmatx_remove(m, k > 0 ? pairs[0] : ks_hmatx_size(m) - 1);
      ks_free(pairs);
    }
    ks_hmatx_free(m);
  }
  ks_hmatx_free(src);
}
BENCHMARK(BM_ClusterRounds)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
