// Agglomerative clustering by each linkage rule, beside scipy's linkage on the same matrices.
// The distances come from a fixed generator that cluster_scipy.py repeats.
//
// cluster/<rule>: builds repeated in one process (500, 1,000 and 2,000 lanes).
// first_build/<program>/<rule>: the first build in a fresh process, as a user meets it (the
// program's work arrays are new memory), beside scipy's first linkage call in a fresh Python
// process (bench/cluster_scipy.py --first), the two run alternately; "x_scipy" is the ratio of
// the two times (500 to 4,000 lanes; medians of the repetitions). <program> is velto, the
// dendrogram viewer's builders, or vx, the analysis's (dndr).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/dndr.h"
#include "fresh_process.h"
#include "lane_distances.h"
#include "model/match_matrix.h"
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

using Clock = std::chrono::steady_clock;

template <class Tree>
double velto_once(std::size_t n) {
  const std::vector<float> cells = Distances(n);
  velto::BlockAllocator<velto::Taxon> taxa(n);
  for (std::size_t k = 0; k < n; ++k) taxa(std::to_string(k));
  Tree tree;
  const auto t0 = Clock::now();
  tree.Build(cells, taxa);
  const auto t1 = Clock::now();
  benchmark::DoNotOptimize(tree.Root());
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

double vx_once(std::size_t n, DNDR_LINK_FN rule) {
  const std::vector<float> cells = Distances(n);
  MATCH_MATRIX* mr = ks_mr_new(static_cast<int>(n));
  std::size_t k = 0;
  for (int i = 1; i < static_cast<int>(n); ++i)
    for (int j = 0; j < i; ++j) ks_mr_set_dist(mr, i, j, cells[k++]);
  const auto t0 = Clock::now();
  DNDR_REC* rec = dndr_new(mr, rule);
  const auto t1 = Clock::now();
  benchmark::DoNotOptimize(rec->root);
  dndr_free(rec);
  ks_mr_free(mr);
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

// The task "<program> <rule> <n>" of a fresh process.
int child_main(const char* task) {
  char program[16] = {}, rule[16] = {};
  unsigned long n = 0;
  if (std::sscanf(task, "%15s %15s %lu", program, rule, &n) != 3 || n < 2) return 2;
  const std::string p = program, r = rule;
  double ms = -1;
  if (p == "velto") {
    if (r == "single") ms = velto_once<velto::MinLinkageDendrogram>(n);
    if (r == "complete") ms = velto_once<velto::MaxLinkageDendrogram>(n);
    if (r == "average") ms = velto_once<velto::AveLinkageDendrogram>(n);
  } else if (p == "vx") {
    if (r == "single") ms = vx_once(n, dndr_link_min);
    if (r == "complete") ms = vx_once(n, dndr_link_max);
    if (r == "average") ms = vx_once(n, dndr_link_average);
  }
  if (ms < 0) return 2;
  std::printf("%.6f\n", ms);
  return 0;
}

// One fresh process of ours and one of scipy's per iteration (scipy's method names the rule).
void FirstBuild(benchmark::State& state, const char* program, const char* method) {
  const std::string n = std::to_string(state.range(0));
  const std::string scipy =
      "/usr/bin/python3 '" VX_SOURCE_DIR "/bench/cluster_scipy.py' --first " + std::string(method) +
      " " + n;
  double ours = 0, ref = 0;
  for (auto _ : state) {
    const double a = vxbench::child_ms(std::string(program) + " " + method + " " + n);
    const double b = vxbench::command_number(scipy);
    if (!(a >= 0) || !(b >= 0)) {
      state.SkipWithError("a fresh process failed");
      return;
    }
    state.SetIterationTime(a / 1000.0);
    ours += a;
    ref += b;
  }
  state.counters["scipy_ms"] = ref / static_cast<double>(state.iterations());
  state.counters["x_scipy"] = ours / ref;
}

void FirstSizes(benchmark::internal::Benchmark* b) {
  b->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000);
  b->UseManualTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
  b->Unit(benchmark::kMillisecond);
}

// The first-build benchmarks of both programs and the three rules (scipy's method names).
void RegisterFirstBuilds() {
  const char* const rules[][2] = {
      {"min_linkage", "single"}, {"max_linkage", "complete"}, {"average_linkage", "average"}};
  for (const char* program : {"velto", "vx"})
    for (const auto& rule : rules) {
      const char* method = rule[1];
      benchmark::RegisterBenchmark(
          ("first_build/" + std::string(program) + "/" + rule[0]).c_str(),
          [program, method](benchmark::State& state) { FirstBuild(state, program, method); })
          ->Apply(FirstSizes);
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* task = vxbench::child_task()) return child_main(task);
  RegisterFirstBuilds();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
