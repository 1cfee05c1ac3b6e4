// vx-demo-image: writes a gel image in the program's own files for the demo workspace. It
// reads a binary PGM ("P5", 8 or 16 bits) and writes "<base>.kes" (the pixel file) and
// "<base>.kei" (the info file with the image header and a plain intensity lookup).
// Usage: vx-demo-image IN.pgm OUT.kes [DPI]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "model/lane.h"

namespace {

// One header token of a PGM file (comments skipped); -1 when there is none.
long pgm_token(const std::vector<uint8_t>& f, std::size_t* pos) {
  while (*pos < f.size()) {
    const char c = static_cast<char>(f[*pos]);
    if (c == '#') {
      while (*pos < f.size() && f[*pos] != '\n') ++*pos;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++*pos;
    } else {
      break;
    }
  }
  long v = -1;
  while (*pos < f.size() && f[*pos] >= '0' && f[*pos] <= '9') {
    v = (v < 0 ? 0 : v) * 10 + (f[*pos] - '0');
    if (v > 1000000) return -1;
    ++*pos;
  }
  return v;
}

int fail(const char* what) {
  std::fprintf(stderr, "vx-demo-image: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: vx-demo-image IN.pgm OUT.kes [DPI]");
  const int dpi = argc > 3 ? std::atoi(argv[3]) : 100;
  std::vector<uint8_t> f;
  if (!io_read_whole_file(argv[1], f, std::size_t(1) << 30)) return fail("cannot read the PGM file");
  if (f.size() < 2 || f[0] != 'P' || f[1] != '5') return fail("not a binary PGM file");
  std::size_t pos = 2;
  const long w = pgm_token(f, &pos), h = pgm_token(f, &pos), maxval = pgm_token(f, &pos);
  if (w <= 0 || h <= 0 || maxval <= 0 || maxval > 65535) return fail("bad PGM header");
  ++pos;  // the one blank after the maximum
  const int bpp = maxval > 255 ? 2 : 1;
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * bpp;
  if (pos + n > f.size()) return fail("PGM file shorter than its header says");

  ByteWriter kes;
  io_put_kes_header(kes, bpp, static_cast<int32_t>(w), static_cast<int32_t>(h));
  int lo = 65535, hi = 0;
  for (std::size_t i = 0; i < n; i += bpp) {
    const int v = bpp == 2 ? (f[pos + i] << 8 | f[pos + i + 1]) : f[pos + i];  // PGM: big-endian
    if (bpp == 2) kes.u16(static_cast<uint16_t>(v)); else kes.u8(static_cast<uint8_t>(v));
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
  if (!io_write_file_replace(argv[2], kes.buffer())) return fail("cannot write the pixel file");

  // Header: a pixel is 25.4 / dpi mm wide and high: resolution 25400 / dpi at scale -3.
  auto* info = static_cast<IMG_INFO*>(ks_alloc_msg(sizeof(IMG_INFO)));
  auto* look = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(2);
  if (!info || !look || !list || !lookup_init(look)) return fail("no memory");
  info->height = info->original_height = static_cast<int>(h);
  info->width = info->original_width = static_cast<int>(w);
  info->bytes_per_pixel = bpp;
  info->x_res = info->y_res = dpi > 0 ? 25400 / dpi : 254;
  info->x_scale = info->y_scale = -3;
  info->min_value = lo;
  info->max_value = hi;
  // The lookup an import gives an image without calibration: digital values 0 to full scale
  // read as optical densities 0 to 2.3, so bands quantify to amounts above 0.
  look->interp_type = 0;
  look->dig_val_range = bpp == 2 ? 65535 : 255;
  look->dig_values[0] = 0, look->dig_values[1] = look->dig_val_range;
  look->wedge_values[0] = 0.0, look->wedge_values[1] = 2.3;
  for (int i = 0; i < 2; ++i) list[i] = io_alloc_analysis_entry();
  if (!list[0] || !list[1]) return fail("no memory");
  list[0]->type = 1;
  list[0]->record = info;
  list[1]->type = 2;
  list[1]->record = look;
  const int r = io_write_inf(argv[2], list, 2);
  io_free_analysis_list(list, 2);
  if (r != 0) return fail("cannot write the info file");
  std::printf("%s: %ld x %ld, %d bit\n", argv[2], w, h, bpp * 8);
  return 0;
}
