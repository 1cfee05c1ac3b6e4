// All-lanes matching and the in-program clustering of its matrix. Matching: 2,000 synthetic lanes
// of about 20 bands in 100 images; one iteration matches one reference lane against every lane
// (lane pairs per second). Clustering: 500, 1,000 and 2,000 lanes by each rule, on the matrices
// that bench/cluster_scipy.py gives scipy's linkage (run it for scipy's times).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "analysis/dndr.h"
#include "model/match_matrix.h"
#include "analysis/vx_match.h"
#include "base/ks_mem.h"
#include "lane_distances.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"

namespace {

struct Gels {
  std::vector<MATCH_IMAGE> images;
  Gels() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> rows(5, 495), extra(-3, 3);
    for (int im = 0; im < 100; ++im) {
      MATCH_IMAGE img{};
      std::snprintf(img.name, sizeof img.name, "gel%03d", im);
      img.lanes = ln_make_lane();
      img.bands = sp_make_spot();
      LANE* lt = img.lanes;
      SPOT* st = img.bands;
      for (int l = 1; l <= 20; ++l) {
        LANE* lane = ln_make_lane();
        lane->lane_number = l;
        lane->left_width = lane->right_width = 10;
        lane->num_center_points = 2;
        lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
        lane->center_coords[0] = {50 * l, 0};
        lane->center_coords[1] = {50 * l, 500};
        lt = lt->next = lane;
        const int nb = 20 + extra(rng);
        for (int b = 0; b < nb; ++b) {
          SPOT* s = sp_make_spot();
          s->x = 50 * l;
          s->y = rows(rng);
          s->size = 2000.0 - 3.5 * s->y;
          s->amount = 100 + s->y % 37;
          st = st->next = s;
        }
      }
      images.push_back(img);
    }
  }
  ~Gels() {
    for (MATCH_IMAGE& i : images) {
      ln_free_lanes(i.lanes);
      ln_free_bands(i.bands);
    }
  }
};

// The image of the ref-th reference lane (each lane of each image in turn) and its request:
// spacing and volume checks on, no band count limit.
const MATCH_IMAGE& reference_image(const Gels& gels, int ref) {
  return gels.images[(ref / 20) % 100];
}
MATCH_REQUEST request(const MATCH_IMAGE& r, int ref) {
  MATCH_REQUEST req{};
  std::snprintf(req.name, sizeof req.name, "%s", r.name);
  req.ref_lane_number = ref % 20 + 1;
  req.band_count_limit = 100;
  req.spacing_tol = 50;
  req.volume_tol = 20;
  return req;
}

void MatchAllLanes(benchmark::State& state) {
  static Gels gels;
  CONTROL ctl{};
  ctl.match_tol[0] = 2;
  int ref = 0;
  for (auto _ : state) {
    const MATCH_IMAGE& r = reference_image(gels, ref);
    MATCH_REQUEST req = request(r, ref);
    LANE_MATCH** res = nullptr;
    vx_match_lanes(&req, &res, nullptr, 0, 0, &r, gels.images.data(), 100, 0, &ctl, 0);
    benchmark::DoNotOptimize(res);
    vx_free_matches(res, req.num_results);
    ks_free(req.ref_bands);
    ++ref;
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(MatchAllLanes)->Name("match/one_reference_against_2000_lanes");

// The same as the all-lanes match runs it: scores only, each lane's bands looked up once for
// all the references (the cache is filled before the timing starts, as the first reference of
// a run fills it).
void MatchAllLanesScores(benchmark::State& state) {
  static Gels gels;
  CONTROL ctl{};
  ctl.match_tol[0] = 2;
  VX_MATCH_CACHE* cache = vx_match_cache_new();
  std::vector<LANE_SCORE> scores;
  int ref = 0;
  auto one = [&] {
    const MATCH_IMAGE& r = reference_image(gels, ref);
    MATCH_REQUEST req = request(r, ref);
    vx_match_scores(&req, &scores, nullptr, 0, 0, &r, gels.images.data(), 100, 0, &ctl, 0, cache);
    benchmark::DoNotOptimize(scores.data());
    ks_free(req.ref_bands);
    ++ref;
  };
  one();
  for (auto _ : state) one();
  vx_match_cache_free(cache);
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(MatchAllLanesScores)->Name("match/scores_one_reference_against_2000_lanes");

void Cluster(benchmark::State& state, DNDR_LINK_FN rule) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<float> cells = BenchDistances(static_cast<std::size_t>(n));
  MATCH_MATRIX* mr = ks_mr_new(n);
  std::size_t k = 0;
  for (int i = 1; i < n; ++i)
    for (int j = 0; j < i; ++j) ks_mr_set_dist(mr, i, j, cells[k++]);
  for (auto _ : state) {
    DNDR_REC* rec = dndr_new(mr, rule);
    benchmark::DoNotOptimize(rec->root);
    dndr_free(rec);
  }
  ks_mr_free(mr);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(Cluster, min, dndr_link_min)->Name("dndr/min_linkage")->Apply(Sizes);
BENCHMARK_CAPTURE(Cluster, max, dndr_link_max)->Name("dndr/max_linkage")->Apply(Sizes);
BENCHMARK_CAPTURE(Cluster, average, dndr_link_average)->Name("dndr/average_linkage")->Apply(Sizes);
BENCHMARK_CAPTURE(Cluster, nj, dndr_link_nj)
    ->Name("dndr/neighbour_joining")
    ->Apply(Sizes)
    ->Iterations(1);

}  // namespace
