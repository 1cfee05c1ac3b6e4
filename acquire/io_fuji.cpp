// Fuji image plate import: a text header ".inf" and the raw rows ".img" under one base name.
// The rows are copied unchanged; the lookup turns digital values into the scanner's
// photo-stimulated luminescence scale.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquire/acq_common.h"
#include "acquire/io_export.h"
#include "acquire/io_import.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/byte_io.h"

namespace {

// The header's values, kept while one import runs.
struct FujiHeader {
  std::string type;  // "BAS_IMAGE_FILE", "FLA_IMAGE_FILE" or "CCD_IMAGE_FILE"
  int kind = 0;      // 0 BAS, 1 FLA, 2 CCD
  std::string name, plate_size, comments;
  int pixel_size = 0;
  int bits = 0;
  int width = 0, height = 0;
  int sensitivity = 0;
  double latitude = 0;
  long date = 0;
};
FujiHeader s_fuji;

const char* fn_read = "io_fuji_read_inf_file";

std::string chomp(const char* line) {
  std::string s(line);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// Reads the ".inf" header into s_fuji. false when it cannot be opened or is refused.
bool io_fuji_read_inf_file(const char* inf_path) {
  std::FILE* f = std::fopen(inf_path, "r");
  if (f == nullptr) {
    SLOG(fn_read, SLOG_ERROR, "cannot open <%s>", inf_path);
    return false;
  }
  s_fuji = FujiHeader{};
  char buf[1024];
  int n = 0, size2 = 0;
  bool ok = true;
  while (std::fgets(buf, sizeof buf, f)) {
    ++n;
    const std::string s = chomp(buf);
    switch (n) {
      case 1:
        s_fuji.type = s;
        if (s == "BAS_IMAGE_FILE") s_fuji.kind = 0;
        else if (s == "FLA_IMAGE_FILE") s_fuji.kind = 1;
        else if (s == "CCD_IMAGE_FILE") s_fuji.kind = 2;
        else {
          SLOG(fn_read, SLOG_ERROR, "line 1 not supported format");
          ok = false;
        }
        break;
      case 2: s_fuji.name = s; break;
      case 3: s_fuji.plate_size = s; break;
      case 4: s_fuji.pixel_size = std::atoi(s.c_str()); break;
      case 5: size2 = std::atoi(s.c_str()); break;
      case 6: s_fuji.bits = std::atoi(s.c_str()); break;
      case 7: s_fuji.width = std::atoi(s.c_str()); break;
      case 8: s_fuji.height = std::atoi(s.c_str()); break;
      case 9: s_fuji.sensitivity = std::atoi(s.c_str()); break;
      case 10: s_fuji.latitude = std::atof(s.c_str()); break;
      case 12: s_fuji.date = std::atol(s.c_str()); break;
      case 15: s_fuji.comments = s; break;
      default: break;
    }
    if (!ok) break;
  }
  std::fclose(f);
  if (!ok) return false;
  if (n < 15) {
    SLOG(fn_read, SLOG_ERROR, "not enough lines %d (must be >= 15)", n);
    return false;
  }
  if (size2 != s_fuji.pixel_size) {
    SLOG(fn_read, SLOG_ERROR, "mis match pixel sizes %d", size2);
    return false;
  }
  // Numbers the rest of the import relies on: the lookup has 2^bits points, divides by the
  // sensitivity, and the rows must be in the ".img" file.
  if (s_fuji.bits < 8 || s_fuji.bits > 16) {
    SLOG(fn_read, SLOG_ERROR, "bits per pixel %d refused", s_fuji.bits);
    return false;
  }
  if (s_fuji.kind != 2 && s_fuji.sensitivity <= 0) {
    SLOG(fn_read, SLOG_ERROR, "sensitivity %d refused", s_fuji.sensitivity);
    return false;
  }
  if (s_fuji.width < 1 || s_fuji.height < 1) {
    SLOG(fn_read, SLOG_ERROR, "size %d x %d refused", s_fuji.width, s_fuji.height);
    return false;
  }
  return true;
}

// One point per digital value: i itself for CCD files; for BAS and FLA 0 at 0, else
// (400000 / sensitivity) × 10^(latitude × (i / n - 0.5)).
bool io_fuji_fill_od(IMG_INT_INFO* look) {
  const int n = 1 << s_fuji.bits;
  double* wv = static_cast<double*>(ks_alloc_msg(sizeof(double) * n));
  int* dv = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  if (!wv || !dv) {
    ks_free(wv);
    ks_free(dv);
    return false;
  }
  lookup_free_arrays(look);
  look->wedge_values = wv;
  look->dig_values = dv;
  look->wedge_count = n;
  look->interp_type = 0;
  look->dig_val_range = n - 1;
  for (int i = 0; i < n; ++i) {
    dv[i] = i;
    if (s_fuji.kind == 2) wv[i] = i;
    else if (i == 0) wv[i] = 0.0;
    else
      wv[i] = (400000.0 / s_fuji.sensitivity) *
              std::pow(10.0, s_fuji.latitude * (double(i) / n - 0.5));
  }
  return true;
}

// Copies the rows and writes the info file. 0, -1 (the rows cannot be read, no lookup) or
// IO_IMPORT_WRITE_FAILED.
int io_fuji_write_image(InFile& img, const char* data_file_name) {
  const int bpp = s_fuji.bits == 8 ? 1 : 2;
  const std::size_t row = std::size_t(s_fuji.width) * bpp;
  if (img.size() < uint64_t(row) * s_fuji.height) {
    SLOG("io_fuji_write_image", SLOG_ERROR, "the rows are not all in the image file");
    return -1;
  }
  IMG_INFO info{};
  info.height = info.original_height = s_fuji.height;
  info.width = info.original_width = s_fuji.width;
  info.bytes_per_pixel = bpp;
  info.x_res = info.y_res = s_fuji.pixel_size;
  info.x_scale = info.y_scale = -3;
  info.device = 7;
  AcqOut out;
  if (!out.open(data_file_name)) return -1;
  std::vector<uint8_t> buf(row);
  if (!acq_write_kes_header(out, bpp, s_fuji.width, s_fuji.height)) return IO_IMPORT_WRITE_FAILED;
  int lo = 65535, hi = 0;
  bool first = true;
  for (int y = 0; y < s_fuji.height; ++y) {
    if (!img.read_at(uint64_t(y) * row, buf.data(), row)) return -1;
    if (!out.write(buf.data(), row)) return IO_IMPORT_WRITE_FAILED;
    if (bpp == 2) {
      for (std::size_t x = 0; x < row; x += 2) {
        const int v = buf[x] | buf[x + 1] << 8;
        if (first) {
          lo = hi = v;
          first = false;
        }
        if (v < lo) lo = v;
        if (v > hi) hi = v;
      }
    } else {
      for (std::size_t x = 0; x < row; ++x) {
        if (buf[x] < lo) lo = buf[x];
        if (buf[x] > hi) hi = buf[x];
      }
    }
  }
  if (!out.close()) return IO_IMPORT_WRITE_FAILED;
  IMG_INT_INFO* look = acq_new_lookup();
  if (look == nullptr || !io_fuji_fill_od(look)) {
    if (look) lookup_free(look);
    return -1;
  }
  info.min_value = lo;
  info.max_value = hi;
  const int r = acq_put_info(&info, look, data_file_name);
  lookup_free(look);
  return r;
}

}  // namespace

int io_fuji_convert(const char* fuji_file_name, const char* data_file_name) {
  static const char* fn = "io_fuji_convert";
  const std::size_t len = fuji_file_name ? std::strlen(fuji_file_name) : 0;
  // The pair's names: the last four characters (".img") replaced by ".img" and ".inf".
  if (len < 5 || fuji_file_name[len - 4] != '.' || fuji_file_name[len - 5] == '/') {
    SLOG(fn, SLOG_ERROR, "<%s> has no four-character extension", fuji_file_name ? fuji_file_name : "");
    return -1;
  }
  const std::string base(fuji_file_name, len - 4);
  const std::string img_path = base + ".img", inf_path = base + ".inf";
  InFile img;
  if (!img.open(img_path.c_str())) {
    SLOG(fn, SLOG_ERROR, "cannot open <%s>", img_path.c_str());
    return -1;
  }
  if (!io_fuji_read_inf_file(inf_path.c_str())) return -1;
  return io_fuji_write_image(img, data_file_name);
}
