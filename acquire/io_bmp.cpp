// Windows bitmap import. The check loads the bitmap through the bitmap routines and keeps it
// for the conversion, which writes its pixels as 8-bit values as they come (bitmaps store
// bright as high and are not inverted).
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquire/acq_common.h"
#include "acquire/io_export.h"
#include "acquire/io_import.h"
#include "base/slog.h"
#include "shell/dib.h"

namespace {

constexpr int kCompressedMsg = 284;  // ui_msg: compressed bitmaps cannot be used
constexpr int kDibCompressed = -3;   // OpenDIBFile: a compressed bitmap

HDIB s_dib;                 // the bitmap the last check loaded
int s_refusal = 0;          // why the last check refused its file (io_bmp_refusal)
std::string s_dib_path;     // and its file
BITMAPINFOHEADER s_header;  // its header

// Pixels per metre to the stored pixel size: v = 1000 / ppm mm, exponent round(log10 v) - 4,
// mantissa round(v × 10^(4 - round(log10 v))); 0 or less gives the default size.
void io_bmp_convert_resolution(int ppm, int* mantissa, int* exponent) {
  if (ppm <= 0) {
    *mantissa = ACQ_DEFAULT_RES;
    *exponent = ACQ_DEFAULT_SCALE;
    return;
  }
  const double v = 1000.0 / ppm;
  const int e = static_cast<int>(std::lround(std::log10(v)));
  *exponent = e - 4;
  *mantissa = static_cast<int>(std::lround(v * std::pow(10.0, 4 - e)));
}

bool load(const char* path) {
  s_dib.reset();
  s_dib_path.clear();
  HDIB dib;
  const int opened = path ? OpenDIBFile(path, &dib) : -1;
  if (opened == kDibCompressed) s_refusal = kCompressedMsg;
  if (opened != 0) return false;
  BITMAPINFOHEADER bi;
  if (!DibInfo(dib.get(), &bi)) return false;
  if (bi.biBitCount != 8 && bi.biBitCount != 24) {
    SLOG("io_bmp_check", SLOG_ERROR, "<%s>: %d bits per pixel refused", path, bi.biBitCount);
    return false;
  }
  s_dib = std::move(dib);
  s_dib_path = path;
  s_header = bi;
  return true;
}

}  // namespace

int acq_dib_channel(int channel) { return channel >= 1 && channel <= 3 ? 4 - channel : channel; }

int io_bmp_refusal() { return s_refusal; }

BOOL io_bmp_check(const char* path, int* components, int* width, int* x_ppm, int* height,
                  int* y_ppm) {
  s_refusal = 0;
  if (!load(path)) return FALSE;
  if (components) *components = s_header.biBitCount == 24 ? 3 : 1;
  if (width) *width = s_header.biWidth;
  if (height) *height = std::abs(s_header.biHeight);
  if (x_ppm) *x_ppm = s_header.biXPelsPerMeter;
  if (y_ppm) *y_ppm = s_header.biYPelsPerMeter;
  return TRUE;
}

int io_bmp_convert(const char* bmp_file_name, const char* data_file_name, int is_color,
                   int channel, int x_ppm, int y_ppm, [[maybe_unused]] int interp_mode) {
  static const char* fn = "io_bmp_convert";
  if (!s_dib || bmp_file_name == nullptr || s_dib_path != bmp_file_name) {
    if (!load(bmp_file_name)) return IO_IMPORT_OPEN_FAILED;
  }
  HDIB dib = std::move(s_dib);  // the conversion uses the loaded bitmap up
  s_dib_path.clear();
  const BITMAPINFOHEADER bi = s_header;
  const int width = bi.biWidth;
  const int height = std::abs(bi.biHeight);
  std::vector<uint8_t> map(256);
  for (int i = 0; i < 256; ++i) map[i] = static_cast<uint8_t>(i);
  if (bi.biBitCount == 24) {
    // Colour: one channel or the mix, by the bitmap routines (the shell passes a channel for a
    // colour file; a 24-bit file without one gets the mix).
    HDIB grey = MakeGrayScaleDibFromColor("color BMP", dib.get(),
                                          acq_dib_channel(is_color ? channel : 4));
    if (!grey) return IO_IMPORT_NO_MEMORY;
    dib = std::move(grey);
  } else {
    // A palette whose every entry is grey gives each index its grey; any other keeps the index.
    const int n = DibNumColors(bi);
    const uint8_t* table = dib->bytes.data() + bi.biSize;
    bool grey = n > 0 && dib->bytes.size() >= bi.biSize + 4u * n;
    for (int i = 0; i < n && grey; ++i)
      grey = table[4 * i] == table[4 * i + 1] && table[4 * i] == table[4 * i + 2];
    if (grey)
      for (int i = 0; i < n; ++i) map[i] = table[4 * i + 2];
  }
  std::vector<uint8_t> pixels;
  if (!GetPixelsFromDIB("io_bmp_convert", dib.get(), &pixels) ||
      pixels.size() < std::size_t(width) * height)
    return IO_IMPORT_BAD_HEADER;
  dib.reset();
  int lo = 65535, hi = 0;
  for (uint8_t& p : pixels) {
    p = map[p];
    if (p < lo) lo = p;
    if (p > hi) hi = p;
  }

  AcqOut out;
  if (!out.open(data_file_name)) {
    SLOG(fn, SLOG_ERROR, "cannot create <%s>", data_file_name ? data_file_name : "");
    return IO_IMPORT_OPEN_FAILED;
  }
  IMG_INFO info{};
  info.height = info.original_height = height;
  info.width = info.original_width = width;
  info.bytes_per_pixel = 1;
  io_bmp_convert_resolution(x_ppm, &info.x_res, &info.x_scale);
  io_bmp_convert_resolution(y_ppm, &info.y_res, &info.y_scale);
  info.min_value = lo;
  info.max_value = hi;
  info.device = 35;
  return acq_write_grey8_pair(out, info, pixels.data(), data_file_name);
}
