// Loading and converting a large 16-bit pixel file (4000 × 5000), whole and decimated, against
// a plain read of the same bytes; and converting every pixel through an intensity lookup.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/byte_io.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "plain_read.h"
#include "toolkit/core/tk_image.h"

namespace {

constexpr int kW = 4000;
constexpr int kH = 5000;

// Removes the test file when the program ends.
struct RemoveAtExit {
  std::string path;
  ~RemoveAtExit() {
    if (!path.empty()) std::remove(path.c_str());
  }
};

// The test file, written once per run into the temporary folder.
const std::string& big_file() {
  static RemoveAtExit cleanup;
  static std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "vx_bench_4000x5000.kes").string();
    ByteWriter w;
    io_put_kes_header(w, 2, kW, kH);
    w.buffer().reserve(12 + std::size_t(kW) * kH * 2);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) w.u16(static_cast<uint16_t>(300 + (x * 13 + y * 7) % 60000));
    io_write_file_replace(p.c_str(), w.buffer());
    cleanup.path = p;
    return p;
  }();
  return path;
}

const int64_t kFileBytes = 12 + int64_t(kW) * kH * 2;

// The file read into a buffer kept between runs.
void BM_PlainRead(benchmark::State& state) {
  const std::string& p = big_file();
  std::vector<uint8_t> buf;
  for (auto _ : state) {
    io_read_whole_file(p.c_str(), buf);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

// The reference of a load: one fread into a new malloc'd buffer each time, as a load must
// use new memory (its first touch is part of the cost).
void BM_PlainReadFreshBuffer(benchmark::State& state) {
  const std::string& p = big_file();
  for (auto _ : state) benchmark::DoNotOptimize(vxbench::plain_read(p));
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_PlainReadFreshBuffer)->Unit(benchmark::kMillisecond);

void BM_ReadWhole16(benchmark::State& state) {
  const std::string& p = big_file();
  const int32_t rect[4] = {0, 0, kW, kH};
  for (auto _ : state) {
    TkImage img;
    benchmark::DoNotOptimize(io_read_kestrin(p.c_str(), &img, rect, 1.0));
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_ReadWhole16)->Unit(benchmark::kMillisecond);

// Load for display into a new record each time, as opening a window does: read, scale 16 bits
// to 8, make the display image. Releasing the record is not timed. The references are timed
// alternately with the load in the same iterations: "x_read" is the load's time over one fread
// into a new malloc'd buffer (vxbench::plain_read), "x_read_kept" over a read of the file into a
// buffer already in memory (kept from the iteration before).
void BM_LoadImage(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string& p = big_file();
  double load = 0, read = 0, kept = 0;
  std::vector<uint8_t> buf;
  vxbench::kept_read(p, buf);
  for (auto _ : state) {
    IMG_DATA d{};
    ih_init_display(&d);
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(io_load_image(&d, 0, p.c_str()));
    const auto t1 = Clock::now();
    state.PauseTiming();
    io_free_display(&d);
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(vxbench::plain_read(p));
    const auto t3 = Clock::now();
    benchmark::DoNotOptimize(vxbench::kept_read(p, buf));
    const auto t4 = Clock::now();
    state.ResumeTiming();
    load += std::chrono::duration<double>(t1 - t0).count();
    read += std::chrono::duration<double>(t3 - t2).count();
    kept += std::chrono::duration<double>(t4 - t3).count();
  }
  state.counters["x_read"] = read > 0 ? load / read : 0;
  state.counters["x_read_kept"] = kept > 0 ? load / kept : 0;
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_LoadImage)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// A reduced view: decimation 4 gives 1000 × 1250.
void BM_ReadDecimated(benchmark::State& state) {
  const std::string& p = big_file();
  const double d = static_cast<double>(state.range(0));
  const int32_t rect[4] = {0, 0, static_cast<int32_t>(kW / d), static_cast<int32_t>(kH / d)};
  for (auto _ : state) {
    TkImage img;
    benchmark::DoNotOptimize(io_read_kestrin(p.c_str(), &img, rect, d));
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_ReadDecimated)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// Every pixel of the 16-bit image converted to optical density through a logarithmic table.
void BM_LookupEveryPixel(benchmark::State& state) {
  const std::string& p = big_file();
  const int32_t rect[4] = {0, 0, kW, kH};
  TkImage img;
  io_read_kestrin(p.c_str(), &img, rect, 1.0);
  IMG_INT_INFO* t = ks_new_rec<IMG_INT_INFO>();
  lookup_init(t);
  t->interp_type = 0;
  t->wedge_values[0] = 0.05;
  t->wedge_values[1] = 3.0;
  t->dig_values[0] = 200;
  t->dig_values[1] = 60000;
  const std::size_t n = std::size_t(kW) * kH;
  for (auto _ : state) {
    double sum = 0;
    const uint8_t* px = img.data();
    for (std::size_t i = 0; i < n; ++i) sum += ih_lookup_val(t, px[2 * i] | px[2 * i + 1] << 8);
    benchmark::DoNotOptimize(sum);
  }
  lookup_free(t);
  state.SetItemsProcessed(state.iterations() * int64_t(n));
}
BENCHMARK(BM_LookupEveryPixel)->Unit(benchmark::kMillisecond);

}  // namespace
