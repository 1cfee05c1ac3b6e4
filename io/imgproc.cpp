// Whole-file image operations.
#include "io/imgproc.h"

#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "toolkit/core/tk_image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

std::string base_of(const char* path) {
  char base[KS_PATH_LEN];
  if (!path || io_strip_extension(base, path) != 0) return std::string();
  return base;
}

// The source image: its pixel file and extent.
struct Src {
  std::string kes;
  int bpp = 1;
  int w = 0;
  int h = 0;
  unsigned full() const { return bpp == 2 ? 65535u : 255u; }
};

bool query(const std::string& base, Src& s) {
  s.kes = base + ".kes";
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (!io_query_image(s.kes.c_str(), &bits, ext)) return false;
  s.bpp = bits / 8;
  s.w = ext[0];
  s.h = ext[1];
  // A file that does not hold the pixels its header announces is refused here, before bands
  // are allocated from the header's width.
  return io_image_complete(s.kes.c_str()) == 1;
}

// Reads the rectangle (x, y, w, n) of the source into a new image; null when it cannot.
std::unique_ptr<TkImage> read_band(const Src& s, int x, int y, int w, int n) {
  const int32_t ext[2] = {w, n};
  std::unique_ptr<TkImage> img(io_create_image(ext, s.bpp * 8));
  if (!img) return nullptr;
  const int32_t rect[4] = {x, y, w, n};
  if (!io_read_kestrin(s.kes.c_str(), img.get(), rect, 1.0)) return nullptr;
  return img;
}

inline unsigned get_px(const uint8_t* row, int x, int bpp) {
  const uint8_t* p = row + static_cast<std::size_t>(x) * bpp;
  return bpp == 2 ? unsigned(p[0] | p[1] << 8) : p[0];
}
inline void put_px(uint8_t* row, int x, int bpp, unsigned v) {
  uint8_t* p = row + static_cast<std::size_t>(x) * bpp;
  p[0] = static_cast<uint8_t>(v);
  if (bpp == 2) p[1] = static_cast<uint8_t>(v >> 8);
}

// The temporary pixel file, made in the target's own folder so that it can be renamed over the
// target. Removed unless kept.
class TempOut {
 public:
  explicit TempOut(const std::string& target) {
    name_ = target + ".XXXXXX";
    int fd = ::mkstemp(name_.data());
    if (fd < 0) {
      name_.clear();
      return;
    }
    // mkstemp makes the file private; the new image keeps the mode of the file it replaces, or
    // gets the mode of a newly created file.
    (void)::fchmod(fd, io_target_file_mode(target.c_str()));
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
      ::close(fd);
      ::unlink(name_.c_str());
      name_.clear();
    }
  }
  ~TempOut() {
    if (file_) std::fclose(file_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TempOut(const TempOut&) = delete;
  TempOut& operator=(const TempOut&) = delete;

  bool ok() const { return file_ != nullptr; }
  std::FILE* file() { return file_; }
  bool write(const uint8_t* p, std::size_t n) {
    return n == 0 || std::fwrite(p, 1, n, file_) == n;
  }
  // Flushes and closes the file; false when anything failed to reach it.
  bool finish() {
    bool ok = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
  }
  // Hands the finished file's name to the caller, who then owns the file.
  std::string release() {
    std::string name = name_;
    name_.clear();
    return name;
  }

 private:
  std::string name_;
  std::FILE* file_ = nullptr;
};

// The info file of an image, read whole, with its two records.
struct Info {
  std::string base;
  ANALYSIS_ENTRY** list = nullptr;
  int n = 0;
  IMG_INFO* head = nullptr;
  IMG_INT_INFO* look = nullptr;

  ~Info() {
    if (list) io_free_analysis_list(list, n);
  }
  bool read(const std::string& b) {
    base = b;
    n = io_read_inf(base.c_str(), &list, 0);
    if (n <= 0 || !list) {
      list = nullptr;
      n = 0;
      return false;
    }
    for (int i = 0; i < n; ++i) {
      if (!list[i] || !list[i]->record) continue;
      if (list[i]->type == 1 && !head) head = static_cast<IMG_INFO*>(list[i]->record);
      if (list[i]->type == 2 && !look) look = static_cast<IMG_INT_INFO*>(list[i]->record);
    }
    return head != nullptr;
  }
  // Stages the header and lookup as the info file of `target_base`.
  bool stage(IoFileSet& set, const std::string& target_base) {
    ANALYSIS_ENTRY e[2]{};
    ANALYSIS_ENTRY* l[2];
    int k = 0;
    e[k].type = 1;
    e[k].record = head;
    l[k] = &e[k];
    ++k;
    if (look) {
      e[k].type = 2;
      e[k].record = look;
      l[k] = &e[k];
      ++k;
    }
    return io_stage_inf(set, target_base.c_str(), l, k) == IO_OK;
  }
};

using Producer = std::function<int(TempOut&)>;
using InfoChange = std::function<void(IMG_INFO&, IMG_INT_INFO*)>;

// The common frame of every pixel operation: check the info file, write the new pixels to a
// temporary file, then put them and the new info file in place as one change.
int run(const char* fn, const Src& s, const std::string& src_base, const std::string& dst_base,
        int new_w, int new_h, const Producer& produce, const InfoChange& change) {
  Info info;
  if (!info.read(src_base)) {
    SLOG(fn, SLOG_EXIT, "info file of <%s> cannot be read, 22", src_base.c_str());
    return IMGPROC_ERR_REPLACE;
  }
  const std::string target = dst_base + ".kes";
  TempOut out(target);
  if (!out.ok()) {
    SLOG(fn, SLOG_EXIT, "temporary file beside <%s> cannot be opened, 17", target.c_str());
    return IMGPROC_ERR_TEMP;
  }
  const int32_t ext[2] = {new_w, new_h};
  if (io_imgproc_write_hdr(out.file(), ext, s.bpp) != 0) {
    SLOG(fn, SLOG_EXIT, "%s", "header write failed, -1");
    return IMGPROC_ERR_IO;
  }
  int r;
  try {
    r = produce(out);
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr(fn, "row buffer");
    r = IMGPROC_ERR_MEM;
  }
  if (r != IMGPROC_OK) {
    SLOG(fn, SLOG_EXIT, "pixel pass failed %d", r);
    return r;
  }
  if (!out.finish()) {
    SLOG(fn, SLOG_EXIT, "%s", "temporary file cannot be completed, -1");
    return IMGPROC_ERR_IO;
  }

  // The new pixels and the new info file replace the old pair together, or neither does.
  change(*info.head, info.look);
  IoFileSet set;
  set.adopt(out.release(), target);
  if (!info.stage(set, dst_base)) {
    SLOG(fn, SLOG_EXIT, "info file of <%s> cannot be written, 22", dst_base.c_str());
    return IMGPROC_ERR_REPLACE;
  }
  if (!set.commit()) {
    SLOG(fn, SLOG_EXIT, "<%s> cannot be replaced, 22", target.c_str());
    return IMGPROC_ERR_REPLACE;
  }
  SLOG(fn, SLOG_EXIT, "%s", "0");
  return IMGPROC_OK;
}

// Runs `row_op` over every row of the image in bands (same extent in and out).
int per_row(const Src& s, TempOut& out,
            const std::function<void(const uint8_t* in, uint8_t* out)>& row_op) {
  std::vector<uint8_t> row(static_cast<std::size_t>(s.w) * s.bpp);
  for (int y0 = 0; y0 < s.h; y0 += IMGPROC_BAND_ROWS) {
    const int n = std::min(IMGPROC_BAND_ROWS, s.h - y0);
    auto band = read_band(s, 0, y0, s.w, n);
    if (!band) return IMGPROC_ERR_IO;
    for (int y = 0; y < n; ++y) {
      row_op(band->row(y), row.data());
      if (!out.write(row.data(), row.size())) return IMGPROC_ERR_IO;
    }
  }
  return IMGPROC_OK;
}

int start(const char* fn, const char* path, std::string& base, Src& s) {
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  base = base_of(path);
  if (base.empty() || !query(base, s)) {
    SLOG(fn, SLOG_EXIT, "%s", "io_query_image failed, -1");
    return IMGPROC_ERR_IO;
  }
  return IMGPROC_OK;
}

int median9(unsigned v[9]) {
  std::nth_element(v, v + 4, v + 9);
  return static_cast<int>(v[4]);
}

}  // namespace

int io_imgproc_write_hdr(std::FILE* file, const int32_t extent[2], int bytes_per_pixel) {
  ByteWriter w;
  io_put_kes_header(w, bytes_per_pixel, extent[0], extent[1]);
  if (!file || std::fwrite(w.data(), 1, w.size(), file) != w.size()) return 20;
  return 0;
}

int io_imgproc_invert(const char* path) {
  static const char* fn = "io_imgproc_invert";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  const unsigned full = s.full();
  auto produce = [&](TempOut& out) {
    return per_row(s, out, [&](const uint8_t* in, uint8_t* o) {
      for (int x = 0; x < s.w; ++x) put_px(o, x, s.bpp, full - get_px(in, x, s.bpp));
    });
  };
  auto change = [&](IMG_INFO& h, IMG_INT_INFO* look) {
    const int full_i = static_cast<int>(full);
    const int mn = h.min_value, mx = h.max_value;
    h.min_value = full_i - mx;
    h.max_value = full_i - mn;
    h.flags |= IMG_FLAG_INVERTED;
    if (look && look->dig_values && look->wedge_count > 0) {
      const int n = look->wedge_count;
      std::vector<int> old(look->dig_values, look->dig_values + n);
      for (int i = 0; i < n; ++i) look->dig_values[i] = full_i - old[n - 1 - i];
    }
  };
  return run(fn, s, base, base, s.w, s.h, produce, change);
}

int io_imgproc_flip_side(const char* path) {
  static const char* fn = "io_imgproc_flip_side";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  auto produce = [&](TempOut& out) {
    return per_row(s, out, [&](const uint8_t* in, uint8_t* o) {
      for (int x = 0; x < s.w; ++x) put_px(o, x, s.bpp, get_px(in, s.w - 1 - x, s.bpp));
    });
  };
  auto change = [](IMG_INFO& h, IMG_INT_INFO*) { h.flags |= IMG_FLAG_FLIPPED; };
  return run(fn, s, base, base, s.w, s.h, produce, change);
}

int io_imgproc_flip_top(const char* path) {
  static const char* fn = "io_imgproc_flip_top";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  auto produce = [&](TempOut& out) {
    for (int y = s.h - 1; y >= 0; --y) {
      auto row = read_band(s, 0, y, s.w, 1);
      if (!row) return IMGPROC_ERR_IO;
      if (!out.write(row->row(0), row->row_bytes())) return IMGPROC_ERR_IO;
    }
    return IMGPROC_OK;
  };
  auto change = [](IMG_INFO& h, IMG_INT_INFO*) { h.flags |= IMG_FLAG_FLIPPED; };
  return run(fn, s, base, base, s.w, s.h, produce, change);
}

int io_imgproc_rotate(const char* path, int direction) {
  static const char* fn = "io_imgproc_rotate";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  const int new_w = s.h, new_h = s.w;
  auto produce = [&](TempOut& out) {
    const std::size_t new_row = static_cast<std::size_t>(new_w) * s.bpp;
    // One band of new rows at a time; the whole old image is read again for each.
    std::vector<uint8_t> buf(new_row * std::min(IMGPROC_BAND_ROWS, new_h));
    for (int r0 = 0; r0 < new_h; r0 += IMGPROC_BAND_ROWS) {
      const int nr = std::min(IMGPROC_BAND_ROWS, new_h - r0);
      for (int y0 = 0; y0 < s.h; y0 += IMGPROC_BAND_ROWS) {
        const int m = std::min(IMGPROC_BAND_ROWS, s.h - y0);
        // Only the old columns that make these new rows.
        const int x0 = direction == 1 ? r0 : s.w - r0 - nr;
        auto band = read_band(s, x0, y0, nr, m);
        if (!band) return IMGPROC_ERR_IO;
        for (int k = 0; k < m; ++k) {
          const int y = y0 + k;
          const int col = direction == 1 ? s.h - 1 - y : y;
          for (int r = 0; r < nr; ++r) {
            const int x = direction == 1 ? r0 + r : s.w - 1 - (r0 + r);
            put_px(buf.data() + new_row * r, col, s.bpp, get_px(band->row(k), x - x0, s.bpp));
          }
        }
      }
      if (!out.write(buf.data(), new_row * nr)) return IMGPROC_ERR_IO;
    }
    return IMGPROC_OK;
  };
  auto change = [&](IMG_INFO& h, IMG_INT_INFO*) {
    std::swap(h.width, h.height);
    std::swap(h.x_res, h.y_res);
    std::swap(h.x_scale, h.y_scale);
    h.flags |= IMG_FLAG_ROTATED;
    SLOG(fn, SLOG_VALUE4, "rotated info: %d x %d, res %d %d, scale %d %d", h.width, h.height,
         h.x_res, h.y_res, h.x_scale, h.y_scale);
  };
  return run(fn, s, base, base, new_w, new_h, produce, change);
}

int io_imgproc_rotate_90(const char* path) { return io_imgproc_rotate(path, 1); }
int io_imgproc_rotate_270(const char* path) { return io_imgproc_rotate(path, 0); }

int io_imgproc_crop(const char* path, int x, int y, int width, int height, const char* dest) {
  static const char* fn = "io_imgproc_crop";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  if (x < 0 || y < 0 || width < 1 || height < 1 || width > s.w - x || height > s.h - y) {
    SLOG(fn, SLOG_EXIT, "rectangle (%d %d %d %d) outside %d x %d, 2", x, y, width, height, s.w,
         s.h);
    return IMGPROC_ERR_RECT;
  }
  std::string dst_base = base;
  if (dest && *dest) {
    dst_base = base_of(dest);
    if (dst_base.empty()) return IMGPROC_ERR_IO;
  }
  auto produce = [&](TempOut& out) {
    for (int r0 = 0; r0 < height; r0 += IMGPROC_BAND_ROWS) {
      const int n = std::min(IMGPROC_BAND_ROWS, height - r0);
      auto band = read_band(s, x, y + r0, width, n);
      if (!band) return IMGPROC_ERR_IO;
      if (!out.write(band->data(), band->size_bytes())) return IMGPROC_ERR_IO;
    }
    return IMGPROC_OK;
  };
  auto change = [&](IMG_INFO& h, IMG_INT_INFO*) {
    h.width = width;
    h.height = height;
    h.flags |= IMG_FLAG_CROPPED;
  };
  return run(fn, s, base, dst_base, width, height, produce, change);
}

int io_imgproc_filter(const char* path) {
  static const char* fn = "io_imgproc_filter";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  auto produce = [&](TempOut& out) {
    const int bpp = s.bpp;
    std::vector<uint8_t> row(static_cast<std::size_t>(s.w) * bpp);
    for (int r0 = 0; r0 < s.h; r0 += IMGPROC_BAND_ROWS) {
      const int n = std::min(IMGPROC_BAND_ROWS, s.h - r0);
      // The band's rows with one row of context above and below where the image has them.
      const int top = std::max(0, r0 - 1);
      const int bottom = std::min(s.h, r0 + n + 1);
      auto band = read_band(s, 0, top, s.w, bottom - top);
      if (!band) return IMGPROC_ERR_IO;
      for (int y = r0; y < r0 + n; ++y) {
        const uint8_t* mid = band->row(y - top);
        if (y == 0 || y == s.h - 1 || s.w < 3) {
          std::memcpy(row.data(), mid, row.size());
        } else {
          const uint8_t* up = band->row(y - 1 - top);
          const uint8_t* down = band->row(y + 1 - top);
          put_px(row.data(), 0, bpp, get_px(mid, 0, bpp));
          put_px(row.data(), s.w - 1, bpp, get_px(mid, s.w - 1, bpp));
          for (int x = 1; x < s.w - 1; ++x) {
            unsigned v[9];
            int k = 0;
            for (const uint8_t* rp : {up, mid, down})
              for (int dx = -1; dx <= 1; ++dx) v[k++] = get_px(rp, x + dx, bpp);
            put_px(row.data(), x, bpp, static_cast<unsigned>(median9(v)));
          }
        }
        if (!out.write(row.data(), row.size())) return IMGPROC_ERR_IO;
      }
    }
    return IMGPROC_OK;
  };
  auto change = [](IMG_INFO& h, IMG_INT_INFO*) { h.flags |= IMG_FLAG_FILTERED; };
  return run(fn, s, base, base, s.w, s.h, produce, change);
}

int io_imgproc_border(const char* path, int size, int left, int top, int right, int bottom) {
  static const char* fn = "io_imgproc_border";
  std::string base;
  Src s;
  if (int r = start(fn, path, base, s)) return r;
  if ((!left && !top && !right && !bottom) || size < 1) {
    SLOG(fn, SLOG_EXIT, "no side or size %d, -1", size);
    return IMGPROC_ERR_IO;
  }
  const long long nw = s.w + (long long)size * ((left ? 1 : 0) + (right ? 1 : 0));
  const long long nh = s.h + (long long)size * ((top ? 1 : 0) + (bottom ? 1 : 0));
  if (nw > 0x7FFFFFFF || nh > 0x7FFFFFFF) return IMGPROC_ERR_IO;
  const int new_w = static_cast<int>(nw), new_h = static_cast<int>(nh);
  auto produce = [&](TempOut& out) {
    unsigned mn = s.full();
    for (int y0 = 0; y0 < s.h; y0 += IMGPROC_BAND_ROWS) {
      const int n = std::min(IMGPROC_BAND_ROWS, s.h - y0);
      auto band = read_band(s, 0, y0, s.w, n);
      if (!band) return IMGPROC_ERR_IO;
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < s.w; ++x) mn = std::min(mn, get_px(band->row(y), x, s.bpp));
    }
    // The output row is as wide as the new image, wider than the rows read.
    std::vector<uint8_t> row(static_cast<std::size_t>(new_w) * s.bpp);
    for (int x = 0; x < new_w; ++x) put_px(row.data(), x, s.bpp, mn);
    if (top)
      for (int i = 0; i < size; ++i)
        if (!out.write(row.data(), row.size())) return IMGPROC_ERR_IO;
    const std::size_t off = left ? static_cast<std::size_t>(size) * s.bpp : 0;
    for (int y0 = 0; y0 < s.h; y0 += IMGPROC_BAND_ROWS) {
      const int n = std::min(IMGPROC_BAND_ROWS, s.h - y0);
      auto band = read_band(s, 0, y0, s.w, n);
      if (!band) return IMGPROC_ERR_IO;
      for (int y = 0; y < n; ++y) {
        std::memcpy(row.data() + off, band->row(y), band->row_bytes());
        if (!out.write(row.data(), row.size())) return IMGPROC_ERR_IO;
      }
    }
    // The side columns still hold the minimum; the bottom rows must be all minimum.
    for (int x = 0; x < new_w; ++x) put_px(row.data(), x, s.bpp, mn);
    if (bottom)
      for (int i = 0; i < size; ++i)
        if (!out.write(row.data(), row.size())) return IMGPROC_ERR_IO;
    return IMGPROC_OK;
  };
  auto change = [&](IMG_INFO& h, IMG_INT_INFO*) {
    h.width = new_w;
    h.height = new_h;
    h.flags |= IMG_FLAG_BORDER;
  };
  return run(fn, s, base, base, new_w, new_h, produce, change);
}

int io_imgproc_mark_equalized(const char* path) {
  static const char* fn = "io_imgproc_mark_equalized";
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  const std::string base = base_of(path);
  Info info;
  if (base.empty() || !info.read(base)) {
    SLOG(fn, SLOG_EXIT, "%s", "info file cannot be read, 22");
    return IMGPROC_ERR_REPLACE;
  }
  info.head->flags |= IMG_FLAG_EQUALISED;
  IoFileSet set;
  if (!info.stage(set, base) || !set.commit()) {
    SLOG(fn, SLOG_EXIT, "%s", "info file cannot be written, 22");
    return IMGPROC_ERR_REPLACE;
  }
  SLOG(fn, SLOG_EXIT, "%s", "0");
  return IMGPROC_OK;
}
