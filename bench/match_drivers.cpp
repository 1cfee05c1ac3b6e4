// Match All Lanes through its driver over 100 images of 20 lanes and about 20 bands, read from
// their analysis files: gathering, reading, counting and matching every pair of the 2,000
// lanes, up to the hand-over of the matrix (which is then freed, not shown).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "analysis/lane_map.h"
#include "analysis/wr_match.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/match_matrix.h"
#include "bench_gels.h"

namespace {

// 100 images of 20 lanes (x = 50, 100, ..., rows 0 to 500), 17 to 23 bands a lane at random
// rows, sized by their row.
struct Images {
  std::mt19937 rng{7};
  std::uniform_int_distribution<int> rows{5, 495}, extra{-3, 3};
  bench::GelFiles files{"match", 100, 20, 50, 50, 500, [this] { return 20 + extra(rng); },
                        [this](SPOT* s, int) {
                          s->y = rows(rng);
                          s->size = 2000.0 - 3.5 * s->y;
                          s->amount = 100 + s->y % 37;
                        }};
};

int g_rows = 0;
void receive(TK_OBJ, MATCH_MATRIX* mr, LANE_MAP* map) {
  g_rows = ks_mr_count(mr);
  ks_mr_free(mr);
  lmap_free(map);
}

void MatchAllLanesDriver(benchmark::State& state) {
  static Images images;
  CONTROL* ctl = gt_get_control();
  ctl->match_method = 1;
  ctl->match_tol[0] = 2;
  ctl->match_tol[1] = 50;
  ctl->match_tol[2] = 20;
  ctl->lane_sel_file[0] = '\0';
  const WrMatrixReceiver before = wr_set_matrix_receiver(receive);
  for (auto _ : state) {
    wr_prepare_and_match_all_lanes(ctl, nullptr, {}, images.files.paths, {}, {});
    benchmark::DoNotOptimize(g_rows);
  }
  wr_set_matrix_receiver(before);
  state.counters["lanes"] = g_rows;
}
BENCHMARK(MatchAllLanesDriver)
    ->Name("match/all_lanes_driver_100_files_2000_lanes")
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
