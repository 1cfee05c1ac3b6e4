// The whole default analysis of a gel as the commands run it, stage by stage, beside a plain
// read of the same pixel file in the same run (one fread into a new malloc'd buffer): load the
// image for display into a new record (as opening its window does; the load keeps the image's
// full-depth pixels), reduce the block drawn to the image's last column and row, track the
// lanes, take the full-depth pixels (as Find Bands does), build profiles and baselines, find the
// bands, then take each lane's image from the pixels and quantify every band. Each stage is reported in milliseconds; "whole"
// is the sum of the stages, "x_read" its ratio to the plain read, "x_read_load" the load's and
// "x_read_quantify" the quantification's. "lane_reads" is the time of cutting the lane images alone (outside the
// chain). Gels: 4000 x 5000 with 24 lanes (the reference), 1000 x 1250 and 2000 x 2500 with 24,
// and 4000 x 5000 with 96. "threads" caps the threads the lanes are worked on (0: every core);
// each gel runs both ways, so that one run gives the figures side by side.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "base/par_lanes.h"
#include "gel_chain.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "plain_read.h"

namespace {

struct GelFile {
  std::string path;
  ~GelFile() {
    if (!path.empty()) std::remove(path.c_str());
  }
};

const std::string& gel_file(int w, int h, int lanes) {
  static std::map<std::tuple<int, int, int>, GelFile> files;
  GelFile& f = files[{w, h, lanes}];
  if (f.path.empty()) {
    f.path = (std::filesystem::temp_directory_path() /
              ("vx_bench_chain_" + std::to_string(w) + "x" + std::to_string(h) + "_" +
               std::to_string(lanes) + ".kes"))
                 .string();
    vxchain::write_bench_gel(f.path, w, h, lanes);
  }
  return f.path;
}

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point& t) {
  const auto now = Clock::now();
  const double ms = std::chrono::duration<double, std::milli>(now - t).count();
  t = now;
  return ms;
}

void BM_Chain(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int lanes = static_cast<int>(state.range(2));
  const int before = par_set_max_threads(static_cast<int>(state.range(3)));
  const int threads = par_max_threads();
  const std::string& path = gel_file(w, h, lanes);
  enum { kRead, kLoad, kBlock, kTrack, kCopy, kProfiles, kBaselines, kBands, kQuantify, kLaneReads,
         kWhole, kStages };
  const char* names[kStages] = {"read",      "load",  "block",    "track",      "copy", "profiles",
                                "baselines", "bands", "quantify", "lane_reads", "whole"};
  bool ok = true;
  double sum[kStages] = {};
  int bands = 0;
  for (auto _ : state) {
    double t[kStages] = {};
    auto c0 = Clock::now();
    ok = ok && vxbench::plain_read(path);
    t[kRead] = ms_since(c0);
    vxchain::Chain c;
    c.path = path;
    c.right = w - 1;
    c.bottom = h - 1;
    c.n = lanes;
    c.threshold = 1000;
    c.from_memory = true;
    ok = ok && c.load();
    t[kLoad] = ms_since(c0);
    ok = ok && c.read_block() && c.reduce();
    t[kBlock] = ms_since(c0);
    ok = ok && c.track();
    t[kTrack] = ms_since(c0);
    ok = ok && c.read_image();
    t[kCopy] = ms_since(c0);
    ok = ok && c.profiles();
    t[kProfiles] = ms_since(c0);
    c.baselines();
    t[kBaselines] = ms_since(c0);
    ok = ok && c.find_bands();
    t[kBands] = ms_since(c0);
    ok = ok && c.quantify();
    t[kQuantify] = ms_since(c0);
    // The lane reads alone, outside the chain's time.
    IMG_INFO header{};
    header.width = w;
    header.height = h;
    for (LANE* lane : c.lanes) {
      LANE_IMAGE img{};
      ok = ok && ln_cut_lane_image(lane, &img, &header, c.whole, -1) == 0;
      ln_free_lane_image(&img);
    }
    t[kLaneReads] = ms_since(c0);
    for (int i = kLoad; i <= kQuantify; ++i) t[kWhole] += t[i];
    for (int i = 0; i < kStages; ++i) sum[i] += t[i];
    bands = c.found;
  }
  par_set_max_threads(before);
  if (!ok) state.SkipWithError("the chain failed");
  const double n = static_cast<double>(state.iterations());
  for (int i = 0; i < kStages; ++i) state.counters[names[i]] = sum[i] / n;
  state.counters["x_read"] = sum[kWhole] / sum[kRead];
  state.counters["x_read_load"] = sum[kLoad] / sum[kRead];
  state.counters["x_read_quantify"] = sum[kQuantify] / sum[kRead];
  state.counters["bands_found"] = bands;
  state.counters["threads"] = threads;
}

double min_of(const std::vector<double>& v) {
  double m = v.empty() ? 0.0 : v[0];
  for (double x : v) m = std::min(m, x);
  return m;
}

}  // namespace

BENCHMARK(BM_Chain)
    ->ArgsProduct({{4000}, {5000}, {24}, {0, 1}})
    ->ArgsProduct({{1000}, {1250}, {24}, {0, 1}})
    ->ArgsProduct({{2000}, {2500}, {24}, {0, 1}})
    ->ArgsProduct({{4000}, {5000}, {96}, {0, 1}})
    ->ArgNames({"W", "H", "lanes", "threads"})
    ->Iterations(2)
    ->Repetitions(5)
    ->ComputeStatistics("min", min_of)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
