// The main program's clustering of 500, 1,000 and 2,000 lanes by each linkage rule, on the
// matrices of bench_cluster (the viewer's), which bench/cluster_scipy.py repeats for scipy's
// linkage: run the three in one go to compare their times.
#include <benchmark/benchmark.h>

#include <cstring>

#include "analysis/dndr.h"
#include "lane_distances.h"
#include "model/match_matrix.h"

namespace {

void Cluster(benchmark::State& state, DNDR_LINK_FN rule) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<float> cells = BenchDistances(static_cast<std::size_t>(n));
  MATCH_MATRIX* mr = ks_mr_new(n);
  // The half matrix holds its cells in the same packed order.
  std::memcpy(mr->distances->cells, cells.data(), cells.size() * sizeof(float));
  for (auto _ : state) {
    ks_tree* root = dndr_build_tree(mr, rule);
    benchmark::DoNotOptimize(root);
    ks_tree_free(root, cluster_free);
  }
  ks_mr_free(mr);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(Cluster, min_linkage, dndr_link_min)->Apply(Sizes);
BENCHMARK_CAPTURE(Cluster, max_linkage, dndr_link_max)->Apply(Sizes);
BENCHMARK_CAPTURE(Cluster, average_linkage, dndr_link_average)->Apply(Sizes);
BENCHMARK_CAPTURE(Cluster, neighbour_joining, dndr_link_nj)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace
