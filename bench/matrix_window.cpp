// Opening the match matrix window offscreen on 2,000 lanes: the match file written, the text
// list filled and the picture drawn where it is in view. Choosers and alerts are answered by the
// toolkit's test driver (cancel), so the match file goes to the temporary folder.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/match_matrix.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_win.h"
#include "lane_distances.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace {

void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_matrix_window";
  static char* argv[] = {name, nullptr};
  TK_Init(&argc, argv);
  RES_OpenFile("gt", VX_SOURCE_DIR "/resources/gt_matrx.res");
  RES_OpenFile("gt", VX_SOURCE_DIR "/resources/ui_msg.res");
  TKT_Enable(true);
  matr_set_viewer_program("/nonexistent/viewer");
}

void OpenMatrixWindow(benchmark::State& state) {
  Setup();
  const int n = static_cast<int>(state.range(0));
  const std::vector<float> cells = BenchDistances(static_cast<std::size_t>(n));
  for (auto _ : state) {
    state.PauseTiming();
    MATCH_MATRIX* mr = ks_mr_new(n);
    std::size_t k = 0;
    for (int i = 0; i < n; ++i) {
      const std::string label = "gel" + std::to_string(i / 20) + ":" + std::to_string(i % 20 + 1) + ":";
      ks_mr_set_entry(mr, i, label.c_str(), "/gels/g.kes");
      for (int j = 0; j < i; ++j) ks_mr_set_dist(mr, i, j, cells[k++]);
    }
    state.ResumeTiming();
    TK_OBJ win = matr_activate(nullptr, mr, nullptr, nullptr, nullptr, nullptr);
    state.PauseTiming();
    std::filesystem::remove(matr_last_match_file());
    WIN_Terminate(win);
    state.ResumeTiming();
  }
}
BENCHMARK(OpenMatrixWindow)->Name("matrix_window/open")->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
