// The whole default analysis of a gel, stage by stage, beside a plain read of the same pixel
// file in the same run: read the image once and cut the block from it, reduce, track, profiles,
// baselines, find bands, then cut each lane's image from the image in memory and quantify every
// band. Each stage is reported in milliseconds and the whole chain as a ratio to the plain read
// into a new buffer ("read", "x_read") and into a buffer kept between runs ("read_warm",
// "x_read_warm"); "lane_reads" is the time of cutting the lane images alone (outside the chain).
// Gels: 4000 x 5000 with 24 lanes (the reference), 1000 x 1250 and 2000 x 2500 with 24, and
// 4000 x 5000 with 96.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "gel_chain.h"
#include "io/byte_io.h"

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
  const std::string& path = gel_file(w, h, lanes);
  const char* names[] = {"read",  "block",    "track",      "profiles", "baselines",
                         "bands", "quantify", "lane_reads", "chain",    "read_warm"};
  constexpr int kStages = 10;
  bool ok = true;
  std::vector<uint8_t> warm_buf;  // the buffer of the warm read, kept between iterations
  ok = io_read_whole_file(path.c_str(), warm_buf);
  double sum[kStages] = {};
  int bands = 0;
  for (auto _ : state) {
    double t[kStages] = {};
    auto c0 = Clock::now();
    {
      std::vector<uint8_t> buf;
      ok = ok && io_read_whole_file(path.c_str(), buf);
      benchmark::DoNotOptimize(buf.data());
    }
    t[0] = ms_since(c0);
    {
      InFile f;
      ok = ok && f.open(path.c_str()) && f.read_at(0, warm_buf.data(), warm_buf.size());
    }
    t[9] = ms_since(c0);
    vxchain::Chain c;
    c.path = path;
    c.right = w;
    c.bottom = h;
    c.n = lanes;
    c.threshold = 1000;
    c.from_memory = true;
    ok = ok && c.read_block() && c.reduce();
    t[1] = ms_since(c0);
    ok = ok && c.track();
    t[2] = ms_since(c0);
    ok = ok && c.profiles();
    t[3] = ms_since(c0);
    c.baselines();
    t[4] = ms_since(c0);
    ok = ok && c.find_bands();
    t[5] = ms_since(c0);
    ok = ok && c.quantify();
    t[6] = ms_since(c0);
    // The lane reads alone, outside the chain's time.
    IMG_INFO header{};
    header.width = w;
    header.height = h;
    for (LANE* lane : c.lanes) {
      LANE_IMAGE img{};
      ok = ok && ln_cut_lane_image(lane, &img, &header, &c.whole, -1) == 0;
      ln_free_lane_image(&img);
    }
    t[7] = ms_since(c0);
    t[8] = t[1] + t[2] + t[3] + t[4] + t[5] + t[6];
    for (int i = 0; i < kStages; ++i) sum[i] += t[i];
    bands = c.found;
  }
  if (!ok) state.SkipWithError("the chain failed");
  const double n = static_cast<double>(state.iterations());
  for (int i = 0; i < kStages; ++i) state.counters[names[i]] = sum[i] / n;
  state.counters["x_read"] = sum[8] / sum[0];
  state.counters["x_read_warm"] = sum[8] / sum[9];
  state.counters["bands_found"] = bands;
}

double min_of(const std::vector<double>& v) {
  double m = v.empty() ? 0.0 : v[0];
  for (double x : v) m = std::min(m, x);
  return m;
}

}  // namespace

BENCHMARK(BM_Chain)
    ->Args({4000, 5000, 24})
    ->Args({1000, 1250, 24})
    ->Args({2000, 2500, 24})
    ->Args({4000, 5000, 96})
    ->ArgNames({"W", "H", "lanes"})
    ->Iterations(2)
    ->Repetitions(5)
    ->ComputeStatistics("min", min_of)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
