// Agglomerative clustering of 500, 1,000 and 2,000 lanes by each linkage rule. The distances come
// from a fixed generator that cluster_scipy.py repeats, so its scipy times are for the same
// matrices.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/dendrogram.h"
#include "viewer/triangle.h"

namespace {

// splitmix64 seeded with n; each cell is 1 + 99 u with u in [0, 1) from the top 53 bits,
// rounded to float, in packed order.
std::vector<float> Distances(std::size_t n) {
  std::uint64_t state = n;
  std::vector<float> cells(velto::TriangleSize(n));
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
