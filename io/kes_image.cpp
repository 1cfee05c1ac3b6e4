// The pixel file ".kes": header, rectangle reads with decimation, loading for display.
#include "io/kes_image.h"

#include "base/hot_clones.h"
#include "base/io_file.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/byte_io.h"
#include "io/commentary.h"
#include "toolkit/core/tk_image.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What tells one version of a file from another: a file rewritten (in place or by a new file
// renamed over it) differs in at least one of these.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  struct timespec mtime {};
  struct timespec ctime {};
  bool operator==(const FileId& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

FileId file_id(const struct stat& st) {
  FileId id;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  id.size = st.st_size;
  id.mtime = st.st_mtim;
  id.ctime = st.st_ctim;
  return id;
}

// Kept mappings and a truncated file. Another program may cut a mapped pixel file short; reading
// a mapped page past its new end raises SIGBUS, which would end the program with its unsaved
// analysis. The handler below maps zero pages over the rest of such a mapping instead, so the
// reader goes on harmlessly, and marks the mapping lost; the command that read it then throws its
// results away (io_kept_pixels_intact). A SIGBUS anywhere else keeps the disposition it had.
// The handler reads the slots without a lock: each is published by its base address, written
// last and cleared first.
struct MapSlot {
  std::atomic<uintptr_t> base{0};
  std::atomic<std::size_t> bytes{0};
  std::atomic<bool> lost{false};
  FileId id;  // the version of the file mapped (under s_slot_lock; the handler does not read it)
};
constexpr int kMapSlots = 64;
MapSlot s_map_slots[kMapSlots];
std::mutex s_slot_lock;  // taking and giving back slots (the GUI thread)
struct sigaction s_old_bus {};
uintptr_t s_page_mask = 0;

void on_sigbus(int sig, siginfo_t* info, void* context) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (MapSlot& m : s_map_slots) {
    const uintptr_t base = m.base.load(std::memory_order_acquire);
    const std::size_t bytes = m.bytes.load(std::memory_order_acquire);
    if (base == 0 || at < base || at - base >= bytes) continue;
    const uintptr_t from = at & s_page_mask;
    void* p = ::mmap(reinterpret_cast<void*>(from), base + bytes - from, PROT_READ,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (p == MAP_FAILED) break;
    m.lost.store(true, std::memory_order_release);
    return;
  }
  if ((s_old_bus.sa_flags & SA_SIGINFO) && s_old_bus.sa_sigaction) {
    s_old_bus.sa_sigaction(sig, info, context);
    return;
  }
  if (!(s_old_bus.sa_flags & SA_SIGINFO) && s_old_bus.sa_handler != SIG_DFL &&
      s_old_bus.sa_handler != SIG_IGN) {
    s_old_bus.sa_handler(sig);
    return;
  }
  // The default: the signal, raised again, is delivered when the handler returns.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void install_sigbus_handler() {
  static std::once_flag once;
  std::call_once(once, [] {
    s_page_mask = ~static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE) - 1);
    struct sigaction sa {};
    sa.sa_sigaction = on_sigbus;
    sa.sa_flags = SA_SIGINFO;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGBUS, &sa, &s_old_bus);
  });
}

// A slot for a mapping, or -1 when all are taken.
int take_slot(const void* base, std::size_t bytes, const FileId& id) {
  install_sigbus_handler();
  std::lock_guard<std::mutex> hold(s_slot_lock);
  for (int i = 0; i < kMapSlots; ++i) {
    MapSlot& m = s_map_slots[i];
    if (m.base.load(std::memory_order_relaxed) != 0) continue;
    m.lost.store(false, std::memory_order_relaxed);
    m.id = id;
    m.bytes.store(bytes, std::memory_order_relaxed);
    m.base.store(reinterpret_cast<uintptr_t>(base), std::memory_order_release);
    return i;
  }
  return -1;
}

void give_back_slot(int i) {
  if (i < 0) return;
  std::lock_guard<std::mutex> hold(s_slot_lock);
  s_map_slots[i].base.store(0, std::memory_order_release);
  s_map_slots[i].bytes.store(0, std::memory_order_relaxed);
}

// A file's first `bytes` bytes mapped read-only into memory, or nothing (data() null) when the
// file is shorter or cannot be mapped. id() is the version of the file that was mapped. A
// mapping is made only with a slot for the SIGBUS handler, whose lost flag tells that pages of it
// were lost to a truncation of the file (they read as zeros; see io_kept_pixels_intact).
class MappedFile {
 public:
  MappedFile(const char* path, std::size_t bytes) {
    const int fd = path ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) return;
    struct stat st {};
    if (bytes > 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::size_t>(st.st_size) >= bytes) {
      void* p = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (p != MAP_FAILED) {
        id_ = file_id(st);
        slot_ = take_slot(p, bytes, id_);
        if (slot_ < 0) {
          ::munmap(p, bytes);
        } else {
          data_ = static_cast<const uint8_t*>(p);
          size_ = bytes;
        }
      }
    }
    ::close(fd);
  }
  ~MappedFile() {
    give_back_slot(slot_);
    if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const uint8_t* data() const { return data_; }
  const FileId& id() const { return id_; }

 private:
  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  int slot_ = -1;
  FileId id_;
};

// The full-depth pixels of a file loaded for display, kept while its display record holds the
// image: the file's mapping and an image that shows its pixel rows.
struct KeptPixels {
  KeptPixels(const char* path, std::size_t bytes) : map(path, bytes) {}
  MappedFile map;
  TkImage image;
};

// The kept pixels of each display record that holds a loaded image.
std::mutex s_kept_lock;
std::vector<std::pair<const IMG_DATA*, std::shared_ptr<KeptPixels>>> s_kept;

void keep_pixels(const IMG_DATA* d, std::shared_ptr<KeptPixels> px) {
  std::shared_ptr<KeptPixels> old;  // released outside the lock
  std::lock_guard<std::mutex> hold(s_kept_lock);
  for (auto it = s_kept.begin(); it != s_kept.end(); ++it)
    if (it->first == d) {
      old = std::move(it->second);
      if (px) it->second = std::move(px);
      else s_kept.erase(it);
      return;
    }
  if (px) s_kept.emplace_back(d, std::move(px));
}

IoCmapLoader s_cmap_loader = nullptr;
IoKeptHook s_kept_hook = nullptr;

struct KesHeader {
  bool big = false;
  int bpp = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Reads and checks the header of an open file. `why` receives the reason of a refusal.
bool read_header(InFile& f, KesHeader& h, const char*& why) {
  uint8_t raw[KES_HEADER_BYTES];
  if (!f.read_at(0, raw, sizeof raw)) {
    why = "short header, FALSE";
    return false;
  }
  if (raw[0] != 'I' && raw[0] != 'M') {
    why = "Fails I or M test, FALSE";
    return false;
  }
  h.big = raw[0] == 'M';
  ByteReader r(raw, sizeof raw, h.big);
  uint16_t bpp = 0;
  r.skip(2);
  r.u16(bpp);
  r.i32(h.width);
  r.i32(h.height);
  h.bpp = bpp;
  if (h.bpp != 1 && h.bpp != 2) {
    why = "bad byte count, FALSE";
    return false;
  }
  if (h.width <= 0 || h.height <= 0) {
    why = "bad extent, FALSE";
    return false;
  }
  return true;
}

// Source index of destination index k: floor((k + origin) × decimation + 0.5).
inline long long source_index(long long k, double decimation) {
  return static_cast<long long>(std::floor(static_cast<double>(k) * decimation + 0.5));
}

// The hot pixel loops of the load have an AVX2 copy (base/hot_clones.h); they hold no
// floating-point sums, so both copies give the same bytes.

// Widens [*lo, *hi] to hold each of the n values.
VX_HOT_CLONES void widen_range(const uint16_t* __restrict v, std::size_t n, uint16_t* lo,
                               uint16_t* hi) {
  uint16_t a = *lo, b = *hi;
  for (std::size_t i = 0; i < n; ++i) {
    const uint16_t x = v[i];
    a = x < a ? x : a;
    b = x > b ? x : b;
  }
  *lo = a;
  *hi = b;
}

// (v - lo) x factor, truncated and held to 255, v held to [lo, lo + range] first.
VX_HOT_CLONES void scale_doubles(const uint16_t* __restrict v16, std::size_t n, int lo, int range,
                                 double factor, uint8_t* __restrict o) {
  const int hi = lo + range;
  for (std::size_t i = 0; i < n; ++i) {
    const int v = std::min(std::max(static_cast<int>(v16[i]), lo), hi);
    const int t = static_cast<int>(static_cast<double>(v - lo) * factor);
    o[i] = static_cast<uint8_t>(t > 255 ? 255 : t);
  }
}

// floor(d x (high x 2^16 + low) / 2^32) with d = v - lo held to [0, range]: the high half of
// d x high plus the carry of its low half and the high half of d x low (the low half of
// d x low cannot carry into the result). Written in 16-bit steps so that the compiler works
// eight or sixteen pixels at a time.
VX_HOT_CLONES void scale_whole(const uint16_t* __restrict v16, std::size_t n, uint16_t lo,
                               uint16_t range, uint16_t high, uint16_t low,
                               uint8_t* __restrict o) {
  for (std::size_t i = 0; i < n; ++i) {
    uint16_t d = v16[i] > lo ? static_cast<uint16_t>(v16[i] - lo) : uint16_t(0);
    d = d < range ? d : range;
    const uint32_t dh = uint32_t(d) * high;
    const uint16_t part = static_cast<uint16_t>(dh);
    const uint16_t sum = static_cast<uint16_t>(part + static_cast<uint16_t>((uint32_t(d) * low) >> 16));
    o[i] = static_cast<uint8_t>(static_cast<uint16_t>(dh >> 16) + (sum < part ? 1 : 0));
  }
}

}  // namespace

IoDisplayScale::IoDisplayScale(unsigned lo, unsigned hi)
    : lo_(static_cast<uint16_t>(lo)), range_(static_cast<uint16_t>(hi > lo ? hi - lo : 0)) {
  const unsigned d = unsigned(range_) + 1;
  factor_ = range_ > 0 ? 256.0 / static_cast<double>(d) : 0.0;
  // (v - lo) x 256 / d is a whole number k only at v - lo = k d / 256; everywhere else it lies
  // at least 1 / d from one, which floor(d x g / 2^32) with g = 2^40 / d rounded either way
  // keeps (d x range < 2^32). At the whole numbers the doubles give k, or k - 1 where the
  // factor was rounded down: g rounded up gives k, rounded down k - 1. So the whole-number
  // form serves a range whose whole-number points all come out the same way; the others, and
  // ranges below 256 (g needs 32 bits), keep the doubles. Checked against the doubles for
  // every range and value.
  if (d < 257) return;
  int points = 0, below = 0;
  for (unsigned k = 1; k < 256; ++k) {
    if (k * d % 256 != 0) continue;
    const unsigned v = k * d / 256;
    ++points;
    if (static_cast<unsigned>(static_cast<double>(v) * factor_) != k) ++below;
  }
  if (below != 0 && below != points) return;
  const uint64_t g = ((uint64_t(1) << 40) + (below ? 0 : d - 1)) / d;
  high_ = static_cast<uint16_t>(g >> 16);
  low_ = static_cast<uint16_t>(g & 0xffff);
  whole_ = true;
}

void IoDisplayScale::apply(const uint16_t* values, std::size_t n, uint8_t* out) const {
  if (whole_) scale_whole(values, n, lo_, range_, high_, low_, out);
  else scale_doubles(values, n, lo_, range_, factor_, out);
}

IoCmapLoader io_set_cmap_loader(IoCmapLoader loader) {
  IoCmapLoader old = s_cmap_loader;
  s_cmap_loader = loader;
  return old;
}

void io_put_kes_header(ByteWriter& out, int bytes_per_pixel, int32_t width, int32_t height) {
  out.u8('I');
  out.u8('I');
  out.u16(static_cast<uint16_t>(bytes_per_pixel));
  out.i32(width);
  out.i32(height);
}

int io_query_image(const char* path, int* bits, int32_t extent[2]) {
  static const char* fn = "io_query_image";
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  InFile f;
  if (!f.open(path)) {
    SLOG(fn, SLOG_EXIT, "can't IOREAD FMTBINARY, FALSE");
    return 0;
  }
  KesHeader h;
  const char* why = "";
  if (!read_header(f, h, why)) {
    SLOG(fn, SLOG_EXIT, "%s (bytes per pixel %d)", why, h.bpp);
    return 0;
  }
  if (bits) *bits = h.bpp * 8;
  if (extent) {
    extent[0] = h.width;
    extent[1] = h.height;
  }
  SLOG(fn, SLOG_EXIT, "bits %d, %d x %d, TRUE", h.bpp * 8, h.width, h.height);
  return 1;
}

int io_image_complete(const char* path) {
  InFile f;
  if (!f.open(path)) return 0;
  KesHeader h;
  const char* why = "";
  if (!read_header(f, h, why)) return 0;
  const uint64_t data_bytes = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height) *
                              static_cast<uint64_t>(h.bpp);
  return f.size() >= KES_HEADER_BYTES + data_bytes ? 1 : 0;
}

namespace {

// Reads the rectangle into the block that dest(width, height, bytes per pixel) gives: rows of
// width x bytes per pixel bytes one after another (null when it cannot be had). 1 or 0 as
// io_read_kestrin.
template <class Dest>
int read_rect(const char* fn, const char* path, const int32_t rect[4], double decimation,
              Dest dest) {
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  if (!rect) {
    SLOG(fn, SLOG_EXIT, "no image or rectangle, FALSE");
    return 0;
  }
  if (!io_file_exists(path)) {
    SLOG(fn, SLOG_EXIT, "file does not exist");
    return 0;
  }
  InFile f;
  if (!f.open(path)) {
    SLOG(fn, SLOG_EXIT, "cannot open file");
    return 0;
  }
  KesHeader h;
  const char* why = "";
  if (!read_header(f, h, why)) {
    SLOG(fn, SLOG_EXIT, "%s", why);
    return 0;
  }
  const long long x0 = rect[0], y0 = rect[1], w = rect[2], hgt = rect[3];
  if (x0 < 0 || y0 < 0 || w <= 0 || hgt <= 0 || !(decimation > 0.0) || !std::isfinite(decimation)) {
    SLOG(fn, SLOG_EXIT, "bad rectangle (%lld %lld %lld %lld) or decimation %f", x0, y0, w, hgt,
         decimation);
    return 0;
  }
  // The last source pixel and row that the request samples must lie inside the file.
  const long long last_x = source_index(x0 + w - 1, decimation);
  const long long last_y = source_index(y0 + hgt - 1, decimation);
  if (last_x >= h.width || last_y >= h.height) {
    SLOG(fn, SLOG_EXIT, "rectangle outside the %d x %d file, FALSE", h.width, h.height);
    return 0;
  }
  const std::size_t row_bytes = static_cast<std::size_t>(h.width) * h.bpp;
  const uint64_t data_bytes = static_cast<uint64_t>(row_bytes) * static_cast<uint64_t>(h.height);
  if (f.size() < KES_HEADER_BYTES + data_bytes) {
    SLOG(fn, SLOG_EXIT, "file holds %llu bytes, header wants %llu, FALSE",
         static_cast<unsigned long long>(f.size()),
         static_cast<unsigned long long>(KES_HEADER_BYTES + data_bytes));
    return 0;
  }
  std::vector<uint8_t> rowbuf;
  try {
    rowbuf.resize(row_bytes);
  } catch (...) {
    SLOG(fn, SLOG_EXIT, "cannot alloc row buffer, FALSE");
    return 0;
  }
  uint8_t* const block = dest(static_cast<int>(w), static_cast<int>(hgt), h.bpp);
  if (!block) {
    SLOG(fn, SLOG_EXIT, "cannot alloc data buf");
    return 0;
  }
  const std::size_t out_row = static_cast<std::size_t>(w) * h.bpp;
  const std::size_t out_bytes = out_row * static_cast<std::size_t>(hgt);
  auto out_row_at = [&](long long r) { return block + out_row * static_cast<std::size_t>(r); };

  const bool swap16 = h.big && h.bpp == 2;
  const bool identity = decimation == 1.0;
  if (identity && x0 == 0 && w == h.width) {
    // Whole rows: they lie one after another in the file, so read them straight into the image.
    const uint64_t off =
        KES_HEADER_BYTES + static_cast<uint64_t>(row_bytes) * static_cast<uint64_t>(y0);
    if (!f.read_at(off, block, out_bytes)) {
      SLOG(fn, SLOG_EXIT, "read of rows %lld..%lld failed, FALSE", y0, y0 + hgt - 1);
      return 0;
    }
    if (swap16) {
      for (std::size_t i = 0; i + 1 < out_bytes; i += 2) std::swap(block[i], block[i + 1]);
    }
    SLOG(fn, SLOG_EXIT, "TRUE");
    return 1;
  }
  if (identity) {
    // Part of each row: read only the rectangle's bytes of each row, straight into the image.
    const std::size_t rect_bytes = static_cast<std::size_t>(w) * h.bpp;
    for (long long r = 0; r < hgt; ++r) {
      const uint64_t off = KES_HEADER_BYTES +
                           static_cast<uint64_t>(row_bytes) * static_cast<uint64_t>(y0 + r) +
                           static_cast<uint64_t>(x0) * h.bpp;
      uint8_t* dst = out_row_at(r);
      if (!f.read_at(off, dst, rect_bytes)) {
        SLOG(fn, SLOG_EXIT, "read of row %lld failed, FALSE", y0 + r);
        return 0;
      }
      if (swap16)
        for (long long k = 0; k < w; ++k) std::swap(dst[2 * k], dst[2 * k + 1]);
    }
    SLOG(fn, SLOG_EXIT, "TRUE");
    return 1;
  }
  long long have_row = -1;
  for (long long r = 0; r < hgt; ++r) {
    const long long src_row = source_index(y0 + r, decimation);
    if (src_row != have_row) {
      const uint64_t off =
          KES_HEADER_BYTES + static_cast<uint64_t>(row_bytes) * static_cast<uint64_t>(src_row);
      if (!f.read_at(off, rowbuf.data(), row_bytes)) {
        SLOG(fn, SLOG_EXIT, "read of row %lld failed, FALSE", src_row);
        return 0;
      }
      have_row = src_row;
    }
    uint8_t* dst = out_row_at(r);
    if (identity) {
      std::memcpy(dst, rowbuf.data() + x0 * h.bpp, static_cast<std::size_t>(w) * h.bpp);
      if (swap16)
        for (long long k = 0; k < w; ++k) std::swap(dst[2 * k], dst[2 * k + 1]);
    } else if (h.bpp == 1) {
      for (long long k = 0; k < w; ++k) dst[k] = rowbuf[source_index(x0 + k, decimation)];
    } else {
      for (long long k = 0; k < w; ++k) {
        const uint8_t* s = rowbuf.data() + 2 * source_index(x0 + k, decimation);
        dst[2 * k] = swap16 ? s[1] : s[0];
        dst[2 * k + 1] = swap16 ? s[0] : s[1];
      }
    }
  }
  SLOG(fn, SLOG_EXIT, "TRUE");
  return 1;
}

}  // namespace

int io_read_kestrin(const char* path, TkImage* img, const int32_t rect[4], double decimation) {
  if (!img) {
    SLOG("io_read_kestrin", SLOG_EXIT, "no image, FALSE");
    return 0;
  }
  return read_rect("io_read_kestrin", path, rect, decimation, [&](int w, int h, int bpp) {
    return img->resize(w, h, bpp) ? img->data() : nullptr;
  });
}

void* io_read_kestrin_block(const char* path, const int32_t rect[4], int* bytes_per_pixel) {
  void* block = nullptr;
  int bpp = 0;
  const int ok = read_rect("io_read_kestrin_block", path, rect, 1.0, [&](int w, int h, int b) {
    bpp = b;
    block = ks_huge_alloc_msg(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                              static_cast<std::size_t>(b));
    return static_cast<uint8_t*>(block);
  });
  if (!ok) {
    ks_huge_free_msg(block);
    return nullptr;
  }
  if (bytes_per_pixel) *bytes_per_pixel = bpp;
  return block;
}

TkImage* io_create_image(const int32_t extent[2], int depth) {
  static const char* fn = "io_create_image";
  if (!extent || (depth != 8 && depth != 16) || extent[0] < 0 || extent[1] < 0) {
    SLOG(fn, SLOG_EXIT, "bad extent or depth %d", depth);
    return nullptr;
  }
  TkImage* img = new (std::nothrow) TkImage();
  if (!img || !img->create(extent[0], extent[1], depth / 8)) {
    delete img;
    SLOG(fn, SLOG_EXIT, "cannot alloc %lld bytes for image",
         static_cast<long long>(extent[0]) * extent[1] * (depth / 8));
    return nullptr;
  }
  return img;
}

void io_free_display(IMG_DATA* d) {
  if (!d) return;
  // The annotation chain belongs to the display record and goes with it.
  io_free_commentary(static_cast<COMM_OBJ*>(d->annot_first));
  d->annot_first = d->annot_last = d->annot_selected = nullptr;
  delete d->disp_img;
  delete d->pix_img;
  d->disp_img = nullptr;
  d->pix_img = nullptr;
  keep_pixels(d, nullptr);
}

std::shared_ptr<const TkImage> io_kept_pixels(const char* path) {
  struct stat st {};
  if (!path || ::stat(path, &st) != 0) return nullptr;
  const FileId now = file_id(st);
  std::shared_ptr<const TkImage> found;
  {
    std::lock_guard<std::mutex> hold(s_kept_lock);
    for (const auto& [owner, px] : s_kept)
      if (px->map.id() == now) {
        found = std::shared_ptr<const TkImage>(px, &px->image);
        break;
      }
  }
  if (found && s_kept_hook) s_kept_hook(path);
  return found;
}

bool io_kept_pixels_intact(const char* path, const TkImage* px) {
  if (!path || !px || !px->data()) return false;
  const uintptr_t at = reinterpret_cast<uintptr_t>(px->data());
  struct stat st {};
  const bool readable = ::stat(path, &st) == 0;
  std::lock_guard<std::mutex> hold(s_slot_lock);
  for (const MapSlot& m : s_map_slots) {
    const uintptr_t base = m.base.load(std::memory_order_acquire);
    if (base == 0 || at < base || at - base >= m.bytes.load(std::memory_order_relaxed)) continue;
    return !m.lost.load(std::memory_order_acquire) && readable && file_id(st) == m.id;
  }
  return false;
}

IoKeptHook io_set_kept_pixels_hook(IoKeptHook hook) {
  IoKeptHook old = s_kept_hook;
  s_kept_hook = hook;
  return old;
}

void ih_init_display(IMG_DATA* d) {
  if (!d) return;
  io_free_display(d);
  d->disp_img = new (std::nothrow) TkImage();
  d->pix_width = d->pix_height = 0;
  d->img_width = d->img_height = 0;
  std::memset(d->vis_x, 0, sizeof d->vis_x);
  std::memset(d->vis_y, 0, sizeof d->vis_y);
  std::memset(d->vis_rows, 0, sizeof d->vis_rows);
  std::memset(d->vis_cols, 0, sizeof d->vis_cols);
  d->annot_first = d->annot_last = nullptr;
  d->annot_selected = nullptr;
  d->modified = 0;
  d->depth = d->depth2 = 8;
  d->scale = 1.0;
  d->zoom[0] = d->zoom[1] = d->zoom[2] = 1;
}

int io_load_image(IMG_DATA* d, int device, const char* path) {
  static const char* fn = "io_load_image";
  SLOG(fn, SLOG_ENTRY, "device %d <%s>", device, path ? path : "");
  if (!d) {
    SLOG(fn, SLOG_EXIT, "no display record, -1");
    return -1;
  }
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (!io_query_image(path, &bits, ext)) {
    SLOG(fn, SLOG_EXIT, "io_query_image failed");
    return -1;
  }
  const int w = ext[0], h = ext[1];
  if (!io_image_complete(path)) {
    SLOG(fn, SLOG_EXIT, "file shorter than its %d x %d header, -1", w, h);
    return -1;
  }
  d->scale = 1.0;
  d->vis_x[0] = 0;
  d->vis_y[0] = 0;
  d->vis_rows[0] = h;
  d->vis_cols[0] = w;

  // The file, read in blocks of rows into one small buffer that stays in the cache.
  InFile f;
  KesHeader hdr;
  const char* why = "";
  if (!f.open(path) || !read_header(f, hdr, why) || hdr.width != w || hdr.height != h) {
    SLOG(fn, SLOG_EXIT, "cannot read the header again, -1");
    return -1;
  }
  const std::size_t row_bytes = static_cast<std::size_t>(w) * hdr.bpp;
  const int block_rows = static_cast<int>(std::max<std::size_t>(1, (256u << 10) / row_bytes));
  // The pixels are read where the file is mapped into memory when it can be (no copy of the
  // file is made; both passes below read it there), else through the buffer. The mapping is
  // then kept with the record as the image's full-depth pixels, which the analysis reads.
  std::shared_ptr<KeptPixels> kept;
  try {
    // Big-endian 2-byte pixels are turned as they are read, so they are not mapped.
    const bool turned = hdr.big && hdr.bpp == 2;
    kept = std::make_shared<KeptPixels>(
        path, turned ? 0 : KES_HEADER_BYTES + row_bytes * static_cast<std::size_t>(h));
  } catch (...) {
    SLOG(fn, SLOG_EXIT, "no memory, -1");
    return -1;
  }
  const MappedFile& mapped = kept->map;
  const bool in_place = mapped.data() != nullptr;
  std::vector<uint8_t> block;
  try {
    if (!in_place) block.resize(row_bytes * static_cast<std::size_t>(std::min(block_rows, h)));
  } catch (...) {
    SLOG(fn, SLOG_EXIT, "no memory for a block of rows, -1");
    return -1;
  }
  // Rows y .. y + rows - 1, 2-byte pixels as native little-endian values; null when they
  // cannot be read.
  auto read_rows = [&](int y, int rows) -> const uint8_t* {
    const std::size_t at = KES_HEADER_BYTES + row_bytes * static_cast<std::size_t>(y);
    if (in_place) return mapped.data() + at;
    const std::size_t bytes = row_bytes * static_cast<std::size_t>(rows);
    if (!f.read_at(at, block.data(), bytes)) return nullptr;
    if (hdr.big && hdr.bpp == 2)
      for (std::size_t i = 0; i + 1 < bytes; i += 2) std::swap(block[i], block[i + 1]);
    return block.data();
  };

  // The record's two images are made anew, or when it holds images already their blocks are
  // used again (a block only grows), so that reloading does not fault in fresh memory.
  TkImage* pix = d->pix_img ? d->pix_img : new (std::nothrow) TkImage();
  TkImage* disp = d->disp_img ? d->disp_img : new (std::nothrow) TkImage();
  bool touched = false;  // the record's images have been resized or written
  auto fail = [&](const char* what) {
    if (pix != d->pix_img) delete pix;
    if (disp != d->disp_img) delete disp;
    if (touched) {
      // A failed read would leave rows of garbage: the record keeps no pixel image.
      delete d->pix_img;
      d->pix_img = nullptr;
      if (d->disp_img) d->disp_img->release();
      keep_pixels(d, nullptr);
    }
    SLOG(fn, SLOG_EXIT, "%s, -1", what);
    return -1;
  };
  if (!pix || !disp) return fail("no memory for the images");
  touched = true;
  // The display image shows the pixel image's block (neither is written after the load), so
  // the 8-bit pixels are made once.
  disp->release();
  if (!pix->resize(w, h, 1)) return fail("cannot alloc the images");
  pix->set_grey_colours();

  uint8_t* out = pix->data();
  const bool scaled = bits == 16 && device != 7 && device != 20;
  uint16_t mn = 65535, mx = 0;
  if (scaled) {
    // First pass: the smallest and largest value.
    for (int y = 0; y < h; y += block_rows) {
      const int rows = std::min(block_rows, h - y);
      const uint8_t* src = read_rows(y, rows);
      if (!src) return fail("read failed");
      widen_range(reinterpret_cast<const uint16_t*>(src), static_cast<std::size_t>(w) * rows, &mn,
                  &mx);
    }
  }
  // Values are held to the first pass's range, so that a file changed between the passes gives
  // the same bytes as that range would.
  const IoDisplayScale scale(mn, mx);
  if (scaled) SLOG(fn, SLOG_VALUE4, "other 16-bit image, factor %7.3f", scale.factor());
  for (int y = 0; y < h; y += block_rows) {
    const int rows = std::min(block_rows, h - y);
    const uint8_t* src = read_rows(y, rows);
    if (!src) return fail("read failed");
    const std::size_t m = static_cast<std::size_t>(w) * rows;
    uint8_t* __restrict o = out + static_cast<std::size_t>(y) * w;
    if (bits != 16) {
      std::memcpy(o, src, m);
      continue;
    }
    const uint16_t* __restrict v16 = reinterpret_cast<const uint16_t*>(src);
    if (!scaled) {
      // Device 7 and 20 keep each value's high byte.
      for (std::size_t i = 0; i < m; ++i) o[i] = static_cast<uint8_t>(v16[i] >> 8);
    } else {
      scale.apply(v16, m, o);
    }
  }
  if (!disp->view(pix->data(), w, h, 1)) return fail("cannot show the pixel image");

  // The colour table (the loader sets only the table) goes to the display image too.
  if (s_cmap_loader) s_cmap_loader(pix);
  disp->colours() = pix->colours();
  d->pix_img = pix;
  d->disp_img = disp;
  d->pix_width = w;
  d->pix_height = h;
  d->depth = 8;
  if (in_place && kept->image.view(mapped.data() + KES_HEADER_BYTES, w, h, hdr.bpp))
    keep_pixels(d, std::move(kept));
  else
    keep_pixels(d, nullptr);
  SLOG(fn, SLOG_EXIT, "0");
  return 0;
}
