// An All Lanes report over 100 images of 24 lanes and 20 bands read from their analysis files
// (48,000 rows), in each layout, and the CSV text of the table layout.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/rep_cfg.h"
#include "analysis/rep_file.h"
#include "analysis/rep_walk.h"
#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model_fixtures.h"

namespace {

struct Images {
  std::filesystem::path dir;
  std::vector<std::string> paths;
  Images() {
    dir = std::filesystem::temp_directory_path() / ("vxbench-report-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    gt_control_init(gt_get_control());
    for (int i = 0; i < 100; ++i) {
      auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
      gt_img_init(im);
      const std::string path = (dir / ("gel" + std::to_string(i) + ".kes")).string();
      std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
      LANE* last = im->lanes;
      SPOT* tail = im->bands;
      for (int l = 0; l < 24; ++l) {
        LANE* lane = vxtest::make_lane({{20 + 30 * l, 0}, {20 + 30 * l, 1000}}, 10, 10);
        lane->lane_number = l + 1;
        last->next = lane;
        last = lane;
        for (int b = 0; b < 20; ++b) {
          SPOT* s = sp_make_spot();
          s->x = 20 + 30 * l;
          s->y = 40 + 45 * b;
          s->amount = 100.0 + b;
          s->size = 1000.0 - 40 * b;
          s->f1 = 1;
          sp_add_spot(s, tail);
          tail = s;
        }
      }
      im->has_lanes = 24;
      gt_prepare_and_write(path.c_str(), im->img_ptr, im);
      gt_img_free(im);
      paths.push_back(path);
    }
  }
  ~Images() { std::filesystem::remove_all(dir); }
};

Images& images() {
  static Images im;
  return im;
}

void BM_AllLanes(benchmark::State& state) {
  RepRun run;
  run.type = REP_ALL_LANES;
  run.format = int(state.range(0));
  run.paths = images().paths;
  for (auto _ : state) {
    RepBuffer out;
    benchmark::DoNotOptimize(report_bands(run, out));
    if (run.format == FMT_HORZ_TABLE) benchmark::DoNotOptimize(rep_csv(out.grid, 6).size());
  }
}
BENCHMARK(BM_AllLanes)->Arg(FMT_TEXT)->Arg(FMT_HORZ_TABLE)->Unit(benchmark::kMillisecond);

}  // namespace
