// A 600-dpi 16-bit scan of the test backend's whole area (4724 x 4724 pixels) from the start of
// the transfer to the written pixel file, and its parts apart: SANE's reads alone, the reads with
// the bitmap's assembly, and the kit's write of the pixel file. A live-view frame (81 dpi, the
// whole area 637 x 637, 8 bits) from opening the source to closing it gives the frames per second.
#include <benchmark/benchmark.h>
#include <sane/sane.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "acquire/tik.h"
#include "twain/twain_ops.h"

namespace {

namespace fs = std::filesystem;
const char* const kSource = "Noname frontend-tester";

// A SANE configuration with the test backend at `dpi` in a folder of its own.
std::string configure(int dpi) {
  static std::string dir;
  if (dir.empty()) {
    dir = (fs::temp_directory_path() / ("vxbench-acquire-" + std::to_string(getpid()))).string();
    fs::create_directories(dir);
    std::ofstream(dir + "/dll.conf") << "test\n";
    setenv("SANE_CONFIG_DIR", dir.c_str(), 1);
  }
  std::ofstream(dir + "/test.conf") << "number_of_devices 1\nmode Gray\ndepth 16\nresolution "
                                    << dpi << "\ntest-picture \"Grid\"\ntl_x 0.0\ntl_y 0.0\nbr_x 200.0\nbr_y 200.0\n";
  TWAIN_ResetForTests();
  return dir;
}

void open_grey(int bits, int dpi) {
  TWAIN_OpenSource(kSource);
  TWAIN_SetHideUI(1);
  TWAIN_SetPixelType(TWPT_GRAY);
  TWAIN_SetBitDepth(bits);
  TWAIN_SetCurrentResolution(dpi);
  TWAIN_ResetImageLayout();
}

void BM_ScanToPixelFile(benchmark::State& state) {
  const std::string dir = configure(600);
  const std::string root = dir + "/scan";
  for (auto _ : state) {
    open_grey(16, 600);
    HDIB dib = tik_take_dib(TWAIN_AcquireNative(nullptr, 0));
    TWAIN_CloseSource();
    if (!dib || !tik_write_kes(root.c_str(), dib.get())) state.SkipWithError("scan failed");
  }
  state.counters["bytes"] = static_cast<double>(fs::file_size(root + ".kes"));
}
BENCHMARK(BM_ScanToPixelFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadsAndAssembly(benchmark::State& state) {
  configure(600);
  for (auto _ : state) {
    open_grey(16, 600);
    TwainDib dib = TWAIN_AcquireNative(nullptr, 0);
    TWAIN_CloseSource();
    if (!dib) state.SkipWithError("scan failed");
    benchmark::DoNotOptimize(dib);
  }
}
BENCHMARK(BM_ReadsAndAssembly)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaneReadsAlone(benchmark::State& state) {
  configure(600);
  TWAIN_IsAvailable();  // starts SANE
  std::vector<SANE_Byte> buf(1 << 16);
  for (auto _ : state) {
    SANE_Handle h = nullptr;
    if (sane_open("test:0", &h) != SANE_STATUS_GOOD) {
      state.SkipWithError("no device");
      break;
    }
    std::size_t total = 0;
    if (sane_start(h) == SANE_STATUS_GOOD) {
      SANE_Int n = 0;
      while (sane_read(h, buf.data(), static_cast<SANE_Int>(buf.size()), &n) == SANE_STATUS_GOOD)
        total += n;
    }
    sane_cancel(h);
    sane_close(h);
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_SaneReadsAlone)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_KitWrite(benchmark::State& state) {
  const std::string dir = configure(600);
  open_grey(16, 600);
  HDIB scanned = tik_take_dib(TWAIN_AcquireNative(nullptr, 0));
  TWAIN_CloseSource();
  if (!scanned) {
    state.SkipWithError("scan failed");
    return;
  }
  const std::string root = dir + "/write";
  for (auto _ : state) {
    state.PauseTiming();
    DibBlock copy = *scanned;
    state.ResumeTiming();
    tik_write_kes(root.c_str(), &copy);
  }
}
BENCHMARK(BM_KitWrite)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LiveFrame81Dpi(benchmark::State& state) {
  configure(81);
  for (auto _ : state) {
    open_grey(8, 81);
    TwainDib dib = TWAIN_AcquireNative(nullptr, 0);
    TWAIN_CloseSource();
    if (!dib) state.SkipWithError("grab failed");
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LiveFrame81Dpi)->Unit(benchmark::kMillisecond);

}  // namespace
