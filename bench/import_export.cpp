// Import and export of foreign image files on large images: TIFF LZW import of a 4000 × 5000
// 16-bit file with predictor 2 (written by tiffcp) beside libtiff decoding the same strips;
// JPEG import of a large grey and a large colour file beside a plain libjpeg decode of them;
// TIFF and JPEG export of the same image. The import/ benchmarks run our import and its
// reference alternately in the same iterations, each writing a new file, and give "x_ref", our
// time over the reference's (medians of the repetitions).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <tiffio.h>
}

#include "acquire/io_export.h"
#include "acquire/io_import.h"
#include "acquire/io_tiff.h"
#include "io/byte_io.h"
#include "io/kes_image.h"

namespace {

constexpr int kW = 4000;
constexpr int kH = 5000;

// A folder for the run's files, removed when the program ends.
struct Work {
  std::filesystem::path dir;
  Work() {
    dir = std::filesystem::temp_directory_path() / ("vx_bench_import_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
  }
  ~Work() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string file(const char* name) const { return (dir / name).string(); }
};

Work& work() {
  static Work w;
  return w;
}

bool sh(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

// The 16-bit source: a smooth gel-like pattern with noise, as an uncompressed TIFF, then LZW
// with predictor 2 in strips of 8 rows (64,000 bytes decoded).
const std::string& lzw_tiff() {
  static std::string path = [] {
    const std::string raw = work().file("big.gray"), plain = work().file("big.tif");
    const std::string lzw = work().file("big_lzw.tif");
    std::vector<uint8_t> b(std::size_t(kW) * kH * 2);
    uint32_t s = 1;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        s = s * 1664525u + 1013904223u;
        const int v = 20000 + ((x / 40) % 2) * 15000 + (y * 3) % 9000 + int(s >> 28);
        b[(std::size_t(y) * kW + x) * 2] = uint8_t(v);
        b[(std::size_t(y) * kW + x) * 2 + 1] = uint8_t(v >> 8);
      }
    FILE* f = std::fopen(raw.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    sh("convert -size 4000x5000 -depth 16 -endian LSB gray:" + raw + " -compress none " + plain);
    sh("tiffcp -c lzw:2 -r 8 " + plain + " " + lzw);
    return lzw;
  }();
  return path;
}

long no_question(TkObject*, double* x, double* y, int, int, int, int, int*) {
  *x = *y = 300;
  return 1;
}

void BM_TiffLzwImport(benchmark::State& state) {
  io_tiff_set_res_query(no_question);
  const std::string tif = lzw_tiff(), kes = work().file("lzw.kes");
  for (auto _ : state) {
    int c = 0, ch = 0, res = 0;
    io_tiff_check(tif.c_str(), &c, &ch, 0);
    if (io_tiff_convert(tif.c_str(), kes.c_str(), &res, 0) != 0) state.SkipWithError("import failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 2);
}

// The strips of the LZW file, read once.
struct Strips {
  std::vector<uint8_t> file;
  std::vector<std::pair<uint32_t, uint32_t>> strips;  // offset, bytes
};

const Strips& strips() {
  static Strips s = [] {
    Strips r;
    io_read_whole_file(lzw_tiff().c_str(), r.file);
    TIFF* t = TIFFOpen(lzw_tiff().c_str(), "r");
    uint64_t* off = nullptr;
    uint64_t* cnt = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &off);
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &cnt);
    for (uint32_t i = 0; i < TIFFNumberOfStrips(t); ++i)
      r.strips.emplace_back(uint32_t(off[i]), uint32_t(cnt[i]));
    TIFFClose(t);
    return r;
  }();
  return s;
}

void BM_TiffLzwDecodeOurs(benchmark::State& state) {
  const Strips& s = strips();
  std::vector<uint8_t> out(8 * kW * 2);
  for (auto _ : state) {
    for (const auto& [off, n] : s.strips)
      io_tiff_decompress_as(5, n, out.data(), long(out.size()), s.file.data() + off);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 2);
}

// libtiff decoding the same strips (its decoder also undoes the predictor).
void BM_TiffLzwDecodeLibtiff(benchmark::State& state) {
  TIFFSetWarningHandler(nullptr);
  TIFF* t = TIFFOpen(lzw_tiff().c_str(), "r");
  std::vector<uint8_t> out(TIFFStripSize(t));
  const uint32_t n = TIFFNumberOfStrips(t);
  for (auto _ : state) {
    for (uint32_t i = 0; i < n; ++i) TIFFReadEncodedStrip(t, i, out.data(), tmsize_t(out.size()));
    benchmark::DoNotOptimize(out.data());
  }
  TIFFClose(t);
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 2);
}

// The four strip layouts of the import benchmark, 4000 × 5000: 8- and 16-bit, uncompressed
// (strips of 16 rows) and LZW with predictor 2 (strips of 752 rows, as ImageMagick writes a gel).
// Argument: bit 0 set for 16 bits, bit 1 set for LZW.
const std::string& layout_tiff(int arg) {
  static std::string paths[4];
  std::string& p = paths[arg & 3];
  if (p.empty()) {
    const bool sixteen = arg & 1, lzw = arg & 2;
    const std::string plain = work().file(sixteen ? "big.tif" : "big8.tif");
    if (sixteen) {
      lzw_tiff();  // writes big.tif
    } else {
      const std::string raw = work().file("big8.gray");
      std::vector<uint8_t> b(std::size_t(kW) * kH);
      uint32_t s = 7;
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          s = s * 1664525u + 1013904223u;
          b[std::size_t(y) * kW + x] = uint8_t(60 + ((x / 40) % 2) * 80 + (y * 3) % 90 + int(s >> 29));
        }
      FILE* f = std::fopen(raw.c_str(), "wb");
      std::fwrite(b.data(), 1, b.size(), f);
      std::fclose(f);
      sh("convert -size 4000x5000 -depth 8 gray:" + raw + " -compress none " + plain);
    }
    p = work().file((std::string("layout") + char('0' + (arg & 3)) + ".tif").c_str());
    sh("tiffcp " + std::string(lzw ? "-c lzw:2 -r 752 " : "-c none -r 16 ") + plain + " " + p);
  }
  return p;
}

void layout_label(benchmark::State& state) {
  const int arg = static_cast<int>(state.range(0));
  state.SetLabel(std::string(arg & 1 ? "16-bit" : "8-bit") + (arg & 2 ? " LZW" : " uncompressed"));
}

// Our import of a TIFF: the check and the conversion into the pixel and info files. Each import
// writes new files, as the shell's import does (into a fresh temporary name): overwriting the
// last run's files would time the file system's handling of a truncated file instead.
bool our_tiff_import(const std::string& tif, const std::string& kes) {
  int c = 0, ch = 0, res = 0;
  io_tiff_check(tif.c_str(), &c, &ch, 0);
  return io_tiff_convert(tif.c_str(), kes.c_str(), &res, 0) == 0;
}

// A reference's decoded bytes written to the file `out`, as the decoders' tools write them.
bool write_decoded(const std::vector<uint8_t>& img, const std::string& out) {
  FILE* o = std::fopen(out.c_str(), "wb");
  if (!o) return false;
  const bool written = std::fwrite(img.data(), 1, img.size(), o) == img.size();
  const bool closed = std::fclose(o) == 0;
  benchmark::DoNotOptimize(img.data());
  return written && closed;
}

// libtiff on the same file: open, decode every strip into one image buffer, write its bytes.
bool libtiff_to_file(const std::string& tif, const std::string& out) {
  TIFF* t = TIFFOpen(tif.c_str(), "r");
  if (t == nullptr) return false;
  const tmsize_t strip = TIFFStripSize(t);
  const uint32_t n = TIFFNumberOfStrips(t);
  uint32_t h = 0;
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  std::vector<uint8_t> img(std::size_t(TIFFScanlineSize(t)) * h);
  std::size_t at = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const tmsize_t want = std::min<tmsize_t>(strip, tmsize_t(img.size() - at));
    const tmsize_t got = TIFFReadEncodedStrip(t, i, img.data() + at, want);
    if (got > 0) at += std::size_t(got);
  }
  TIFFClose(t);
  return write_decoded(img, out);
}

void remove_outputs(const std::vector<std::string>& files) {
  for (const std::string& f : files) std::remove(f.c_str());
}

void BM_TiffImport(benchmark::State& state) {
  io_tiff_set_res_query(no_question);
  const std::string tif = layout_tiff(static_cast<int>(state.range(0)));
  const std::string kes = work().file("layout.kes");
  const std::string kei = work().file("layout.kei");
  for (auto _ : state) {
    state.PauseTiming();
    remove_outputs({kes, kei});
    state.ResumeTiming();
    if (!our_tiff_import(tif, kes)) state.SkipWithError("import failed");
  }
  layout_label(state);
  state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}

void BM_TiffLibtiffToFile(benchmark::State& state) {
  TIFFSetWarningHandler(nullptr);
  const std::string tif = layout_tiff(static_cast<int>(state.range(0)));
  const std::string out = work().file("libtiff.raw");
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(out.c_str());  // a new file each time, as on our side
    state.ResumeTiming();
    if (!libtiff_to_file(tif, out)) {
      state.SkipWithError("libtiff cannot open");
      break;
    }
  }
  layout_label(state);
  state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}

using Clock = std::chrono::steady_clock;

// Runs ours() and ref() once each per iteration, alternately, after clearing their outputs
// (untimed); the iteration's time is ours, and x_ref the ratio of the two sums.
template <class Ours, class Ref>
void paired(benchmark::State& state, const std::vector<std::string>& outputs, Ours ours, Ref ref) {
  double a = 0, b = 0;
  for (auto _ : state) {
    remove_outputs(outputs);
    const auto t0 = Clock::now();
    const bool ok_ours = ours();
    const auto t1 = Clock::now();
    remove_outputs(outputs);
    const auto t2 = Clock::now();
    const bool ok_ref = ref();
    const auto t3 = Clock::now();
    if (!ok_ours || !ok_ref) {
      state.SkipWithError("an import failed");
      return;
    }
    const double da = std::chrono::duration<double>(t1 - t0).count();
    a += da;
    b += std::chrono::duration<double>(t3 - t2).count();
    state.SetIterationTime(da);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ref_ms"] = 1000 * b / n;
  state.counters["x_ref"] = b > 0 ? a / b : 0;
}

void BM_TiffImportVsLibtiff(benchmark::State& state) {
  io_tiff_set_res_query(no_question);
  TIFFSetWarningHandler(nullptr);
  const std::string tif = layout_tiff(static_cast<int>(state.range(0)));
  const std::string kes = work().file("pair.kes"), kei = work().file("pair.kei");
  const std::string raw = work().file("pair.raw");
  paired(state, {kes, kei, raw}, [&] { return our_tiff_import(tif, kes); },
         [&] { return libtiff_to_file(tif, raw); });
  layout_label(state);
}

// JPEG sources of 4000 × 5000: grey and colour.
const std::string& jpeg_file(bool colour) {
  static std::string paths[2];
  std::string& p = paths[colour];
  if (p.empty()) {
    const std::string pnm = work().file(colour ? "big.ppm" : "big.pgm");
    p = work().file(colour ? "big_c.jpg" : "big_g.jpg");
    FILE* f = std::fopen(pnm.c_str(), "wb");
    std::fprintf(f, "%s\n%d %d\n255\n", colour ? "P6" : "P5", kW, kH);
    std::vector<uint8_t> row(std::size_t(kW) * (colour ? 3 : 1));
    for (int y = 0; y < kH; ++y) {
      for (std::size_t x = 0; x < row.size(); ++x) row[x] = uint8_t((x / 7 + y / 5 + (x * y) % 13) & 255);
      std::fwrite(row.data(), 1, row.size(), f);
    }
    std::fclose(f);
    sh("cjpeg -quality 90 -outfile " + p + " " + pnm);
  }
  return p;
}

bool our_jpeg_import(const std::string& jpg, const std::string& kes, bool colour) {
  return io_jpeg_convert(jpg.c_str(), kes.c_str(), colour, 4, 300, 300, 0, 0, 0) == 0;
}

void BM_JpegImport(benchmark::State& state) {
  const bool colour = state.range(0) != 0;
  const std::string jpg = jpeg_file(colour), kes = work().file("jpg.kes");
  for (auto _ : state)
    if (!our_jpeg_import(jpg, kes, colour)) state.SkipWithError("import failed");
  state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}

// The plain libjpeg decode of a file as djpeg does it: one scanline at a time into a
// whole-image buffer, then written to the file `out`.
bool libjpeg_to_file(const std::string& jpg, const std::string& out) {
  FILE* f = std::fopen(jpg.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  jpeg_start_decompress(&c);
  std::vector<uint8_t> img(std::size_t(c.output_width) * c.output_height * c.output_components);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = img.data() + std::size_t(c.output_scanline) * c.output_width * c.output_components;
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  std::fclose(f);
  // djpeg writes what it decoded: so does this.
  return write_decoded(img, out);
}

void BM_JpegPlainDecode(benchmark::State& state) {
  const bool colour = state.range(0) != 0;
  const std::string jpg = jpeg_file(colour);
  for (auto _ : state)
    if (!libjpeg_to_file(jpg, work().file("plain.pnm"))) state.SkipWithError("the decode failed");
  state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}

void BM_JpegImportVsLibjpeg(benchmark::State& state) {
  const bool colour = state.range(0) != 0;
  const std::string jpg = jpeg_file(colour);
  const std::string kes = work().file("pair_j.kes"), kei = work().file("pair_j.kei");
  const std::string raw = work().file("pair_j.pnm");
  paired(state, {kes, kei, raw}, [&] { return our_jpeg_import(jpg, kes, colour); },
         [&] { return libjpeg_to_file(jpg, raw); });
  state.SetLabel(colour ? "colour" : "grey");
}

// The image to export: the LZW file imported once.
const std::string& export_source() {
  static std::string kes = [] {
    io_tiff_set_res_query(no_question);
    const std::string k = work().file("src.kes");
    int c = 0, ch = 0, res = 0;
    io_tiff_check(lzw_tiff().c_str(), &c, &ch, 0);
    io_tiff_convert(lzw_tiff().c_str(), k.c_str(), &res, 0);
    return k;
  }();
  return kes;
}

void BM_Export(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string src = export_source();
  const std::string out = work().file(kind == 4 ? "out.jpg" : "out.tif");
  IMG_INFO info{};
  info.width = kW;
  info.height = kH;
  info.bytes_per_pixel = 2;
  info.x_res = info.y_res = 8466;
  info.x_scale = info.y_scale = -5;
  info.min_value = 0;
  info.max_value = 65535;
  for (auto _ : state) {
    const int r = io_export_save(src.c_str(), out.c_str(), &info, TRUE, kind, 90);
    if (r != 0 && r != 1) state.SkipWithError("export failed");
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
}

}  // namespace

BENCHMARK(BM_TiffLzwDecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwDecodeLibtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffImport)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLibtiffToFile)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegImport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegPlainDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Arg(3)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffImportVsLibtiff)
    ->Name("import/tiff_vs_libtiff")
    ->DenseRange(0, 3)
    ->UseManualTime()
    ->Iterations(2)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegImportVsLibjpeg)
    ->Name("import/jpeg_vs_libjpeg")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(2)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
