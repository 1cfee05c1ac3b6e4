// Agglomerative clustering of 500, 1,000 and 2,000 lanes by each linkage rule. The distances come
// from a fixed generator that cluster_scipy.py repeats, so its scipy times are for the same
// matrices.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lane_distances.h"
#include "viewer/dendrogram.h"
#include "viewer/triangle.h"

namespace {

std::vector<float> Distances(std::size_t n) { return BenchDistances(n); }

template <class Tree>
void Cluster(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<float> cells = Distances(n);
  velto::BlockAllocator<velto::Taxon> taxa(n);
  for (std::size_t k = 0; k < n; ++k) taxa(std::to_string(k));
  Tree tree;
  for (auto _ : state) {
    tree.Build(cells, taxa);
    benchmark::DoNotOptimize(tree.Root());
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(Cluster<velto::MinLinkageDendrogram>)->Name("cluster/min_linkage")->Apply(Sizes);
BENCHMARK(Cluster<velto::MaxLinkageDendrogram>)->Name("cluster/max_linkage")->Apply(Sizes);
BENCHMARK(Cluster<velto::AveLinkageDendrogram>)->Name("cluster/average_linkage")->Apply(Sizes);

}  // namespace
