// The measuring windows' work on a 4000 x 5000 16-bit gel: the histogram of all of it, the line
// profile of the full diagonal, a 400 x 400 surface plot's repaint, and opening the
// densitometry tool on a lane of 5000 rows.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "base/ks_mem.h"
#include "engine/lane_profile.h"
#include "io/byte_io.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "tools/dtool_calc.h"
#include "tools/ui_hist.h"
#include "tools/ui_plot.h"
#include "tools/ui_prof.h"

namespace {

constexpr int kW = 4000, kH = 5000;

unsigned value(int x, int y) {
  const double bands = 20000 * std::pow(std::sin(y * 0.01), 8.0);
  return static_cast<unsigned>(2000 + bands * (0.5 + 0.5 * std::cos(x * 0.02)) + (x * 7 + y * 3) % 97);
}

// Writes the gel once per run into a temporary file.
const std::string& gel_path() {
  static std::string path;
  if (!path.empty()) return path;
  char name[] = "/tmp/vx_bench_toolsXXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  path = name;
  ByteWriter out;
  io_put_kes_header(out, 2, kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const unsigned v = value(x, y);
      out.u8(static_cast<uint8_t>(v & 0xFF));
      out.u8(static_cast<uint8_t>(v >> 8));
    }
  if (!io_write_file_replace(path.c_str(), out.buffer())) std::abort();
  std::atexit([] { unlink(gel_path().c_str()); });
  return path;
}

// Each benchmark asks for the gel before its timed loop, so that writing it is never timed.
void BM_HistogramWholeImage(benchmark::State& state) {
  const std::string& path = gel_path();
  for (auto _ : state) benchmark::DoNotOptimize(ui_hist_compute(path.c_str(), {0, 0}, {kW, kH}).total);
}
BENCHMARK(BM_HistogramWholeImage)->Unit(benchmark::kMillisecond);

void BM_LineProfileDiagonal(benchmark::State& state) {
  const std::string& path = gel_path();
  for (auto _ : state) benchmark::DoNotOptimize(ui_profile_compute(path.c_str(), {0, 0}, {kW - 1, kH - 1}).count());
}
BENCHMARK(BM_LineProfileDiagonal)->Unit(benchmark::kMillisecond);

void BM_SurfacePlotRepaint400(benchmark::State& state) {
  int rect[4] = {1000, 1000, 1399, 1399};
  PlotArea area;
  if (!ui_plot_read(gel_path().c_str(), rect, &area)) std::abort();
  for (auto _ : state) benchmark::DoNotOptimize(ui_plot_picture(area, 800, 600).polys.size());
}
BENCHMARK(BM_SurfacePlotRepaint400)->Unit(benchmark::kMillisecond);

void BM_DtoolOpen5000Rows(benchmark::State& state) {
  LANE* lane = ln_make_lane();
  lane->left_width = lane->right_width = 40;
  lane->max_angle = 10;
  lane->num_center_points = 2;
  lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
  lane->center_coords[0] = {2000, 0};
  lane->center_coords[1] = {2000, kH - 1};
  DT_INFO info{};
  info.min_top_band_thick = 5;
  info.min_bot_band_thick = 5;
  info.band_threshold = 5;
  info.max_value = 65535;
  info.y_res = 1;
  const std::string& path = gel_path();
  for (auto _ : state) {
    LANE* copy = ln_clone_lane(lane);
    DtState& s = dtool_state();
    s = DtState{};
    s.info = &info;
    s.lane = copy;
    ln_load_data_values(path.c_str(), &copy, 1, 100);
    ln_calc_lane_baselines(&copy, 1, 407);
    dtool_find_peaks("bench");
    benchmark::DoNotOptimize(s.bands.size());
    s = DtState{};
    ln_free_lane(copy);
  }
  ln_free_lane(lane);
}
BENCHMARK(BM_DtoolOpen5000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
