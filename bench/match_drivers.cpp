// Match All Lanes through its driver over 100 images of 20 lanes and about 20 bands, read from
// their analysis files: gathering, reading, counting and matching every pair of the 2,000
// lanes, up to the hand-over of the matrix (which is then freed, not shown).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "analysis/lane_map.h"
#include "analysis/wr_match.h"
#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/match_matrix.h"
#include "model_fixtures.h"

namespace {

struct Images {
  std::filesystem::path dir;
  std::vector<std::string> paths;
  Images() {
    dir = std::filesystem::temp_directory_path() / ("vxbench-match-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    gt_control_init(gt_get_control());
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> rows(5, 495), extra(-3, 3);
    for (int i = 0; i < 100; ++i) {
      auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
      gt_img_init(im);
      const std::string path = (dir / ("gel" + std::to_string(i) + ".kes")).string();
      std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
      LANE* last = im->lanes;
      SPOT* tail = im->bands;
      for (int l = 1; l <= 20; ++l) {
        LANE* lane = vxtest::make_lane({{50 * l, 0}, {50 * l, 500}}, 10, 10);
        lane->lane_number = l;
        last = last->next = lane;
        const int nb = 20 + extra(rng);
        for (int b = 0; b < nb; ++b) {
          SPOT* s = sp_make_spot();
          s->x = 50 * l;
          s->y = rows(rng);
          s->size = 2000.0 - 3.5 * s->y;
          s->amount = 100 + s->y % 37;
          s->f1 = 1;
          sp_add_spot(s, tail);
          tail = s;
        }
      }
      im->has_lanes = 20;
      gt_prepare_and_write(path.c_str(), im->img_ptr, im);
      gt_img_free(im);
      paths.push_back(path);
    }
  }
  ~Images() { std::filesystem::remove_all(dir); }
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
    wr_prepare_and_match_all_lanes(ctl, nullptr, {}, images.paths, {}, {});
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
