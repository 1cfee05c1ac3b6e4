// An All Lanes report over 100 images of 24 lanes and 20 bands read from their analysis files
// (48,000 rows), in each layout, and the CSV text of the table layout: built alone, and shown
// in the band report window offscreen (text widget or table).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include <QByteArray>
#include <QtGlobal>

#include "analysis/band_rep.h"
#include "analysis/rep_cfg.h"
#include "analysis/rep_file.h"
#include "analysis/rep_walk.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "bench_gels.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

// 100 images of 24 lanes (x = 20, 50, ..., rows 0 to 1000), 20 bands a lane 45 rows apart.
struct Images : bench::GelFiles {
  Images()
      : GelFiles("report", 100, 24, 20, 30, 1000, [] { return 20; },
                 [](SPOT* s, int b) {
                   s->y = 40 + 45 * b;
                   s->amount = 100.0 + b;
                   s->size = 1000.0 - 40 * b;
                 }) {}
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

void WindowSetup() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_report";
  static char* argv[] = {name, nullptr};
  TK_Init(&argc, argv);
  for (const char* m : {"band_rep", "rep_fld", "gt_msg", "ui_msg"})
    RES_OpenFile("gt", (std::string(VX_SOURCE_DIR "/resources/") + m + ".res").c_str());
  TKT_Enable(true);
}

// The window opens on the text layout; the table layout is its layout choice switched over, so
// that run builds the report twice (text, then table). The table's CSV text is taken as the
// Save button takes it.
void BM_AllLanesWindow(benchmark::State& state) {
  WindowSetup();
  const std::vector<std::string>& paths = images().paths;
  for (auto _ : state) {
    band_rep_activate(REP_ALL_LANES, nullptr, paths);
    TK_OBJ win = band_rep_window();
    if (state.range(0) == FMT_HORZ_TABLE && win) {
      TKT_Pick(RES_GetSub(win, 0), 1);
      benchmark::DoNotOptimize(rep_csv(band_rep_grid(), 6).size());
    }
    state.PauseTiming();
    band_rep_dismiss();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AllLanesWindow)->Arg(FMT_TEXT)->Arg(FMT_HORZ_TABLE)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
