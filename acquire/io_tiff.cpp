// The TIFF importer: reads the first image file directory itself, in either byte order, and
// turns grey, palette and RGB images of 8 or 16 bits per sample, uncompressed or LZW, into the
// program's image pair. The check and the conversion share one read state; the check's results
// (channel, inversion, sample layout) carry over into the conversion that follows it.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acquire/acq_common.h"
#include "acquire/io_import.h"
#include "acquire/io_tiff.h"
#include "acquire/ui_dialogs.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/byte_io.h"

namespace {

// Files larger than this are not read (they would not fit the pixel file's 32-bit sizes anyway).
constexpr std::size_t kMaxTiffBytes = std::size_t(1) << 32;

enum : int {
  T_ImageWidth = 256,
  T_ImageLength = 257,
  T_BitsPerSample = 258,
  T_Compression = 259,
  T_Photometric = 262,
  T_StripOffsets = 273,
  T_SamplesPerPixel = 277,
  T_RowsPerStrip = 278,
  T_StripByteCounts = 279,
  T_XResolution = 282,
  T_YResolution = 283,
  T_PlanarConfiguration = 284,
  T_ResolutionUnit = 296,
  T_Predictor = 317,
  T_ColorMap = 320,
  T_TileWidth = 322,
  T_TileLength = 323,
  T_TileOffsets = 324,
  T_TileByteCounts = 325,
  T_GelFileTag = 33445,
  T_GelScalePixel = 33446,
};

enum : int { TYPE_BYTE = 1, TYPE_SHORT = 3, TYPE_LONG = 4, TYPE_RATIONAL = 5 };

struct DirEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t value = 0;   // the value as the directory's rule reads it (first SHORT, else LONG)
  std::size_t at = 0;   // file offset of the 4-byte value field
};

struct TiffState {
  bool big = false;
  bool checked = false;
  uint32_t width = 0, height = 0;
  int bits = 8;
  bool sixteen = false;
  int spp = 1;
  int photometric = 0;
  bool color = false;
  int channel = 4;
  bool transparent = false;
  bool invert = false;
  int compression = 1;
  int predictor = 1;
  uint64_t rows_per_strip = 0;
  std::vector<uint64_t> offsets, counts;
  int res_unit = 2;
  int x_res = 0, x_scale = 0, y_res = 0, y_scale = 0;
  bool gel = false, sqrt_data = false;
  double gel_scale = 1.0;
  int interp = 0;
  int64_t min_v = 0, max_v = -1;
  bool grey_map = false;           // palette whose every entry is grey: map index to grey
  std::vector<uint16_t> grey_of;   // grey of each index, scaled to the sample size
};

TiffState S;
IoResQuery s_res_query = nullptr;

// The bytes of one TIFF. A small file is read whole in one call; a larger one is read where it
// is used: the directory, the arrays its entries point at and compressed strips are read into
// their places in a block of the file's size (pages never read are never touched), while
// uncompressed pixel rows are read by the conversion into a small buffer of its own. The check
// keeps the bytes (and the open file) for the conversion that follows, which takes them again
// when the file is still the same (device, inode, size and modification time).
struct TiffBytes {
  static constexpr std::size_t kPage = 4096;
  static constexpr std::size_t kWhole = std::size_t(1) << 20;  // read whole up to this size
  std::unique_ptr<uint8_t[]> bytes;
  std::size_t n = 0;
  std::string path;
  struct stat id {};
  std::unique_ptr<InFile> file;  // open while parts remain to be read
  mutable std::vector<bool> have;  // pages of `bytes` read so far; empty when all are
  const uint8_t* data() const { return bytes.get(); }
  std::size_t size() const { return n; }
  uint8_t operator[](std::size_t i) const { return bytes[i]; }
  void clear() {
    bytes.reset();
    file.reset();
    have.clear();
    n = 0;
    path.clear();
  }
  // Makes the bytes [at, at + len) (as far as the file reaches) present in data(). false when
  // the file could not be read there (it became shorter).
  bool ensure(uint64_t at, uint64_t len) const {
    if (have.empty() || len == 0 || at >= n) return true;
    const uint64_t end = std::min<uint64_t>(n, at + len);
    std::size_t p = static_cast<std::size_t>(at / kPage);
    const std::size_t last = static_cast<std::size_t>((end - 1) / kPage);
    while (p <= last) {
      if (have[p]) {
        ++p;
        continue;
      }
      std::size_t q = p;
      while (q + 1 <= last && !have[q + 1]) ++q;
      const uint64_t from = uint64_t(p) * kPage;
      const uint64_t to = std::min<uint64_t>(n, uint64_t(q + 1) * kPage);
      if (!file->read_at(from, bytes.get() + from, static_cast<std::size_t>(to - from)))
        return false;
      for (std::size_t k = p; k <= q; ++k) have[k] = true;
      p = q + 1;
    }
    return true;
  }
  // The bytes [at, at + len) of the file: where they lie in data() when the whole file is
  // there, else read into `buf` (len bytes at least). Null when they cannot be read.
  const uint8_t* read(uint64_t at, std::size_t len, uint8_t* buf) const {
    if (have.empty()) return at <= n && len <= n - at ? bytes.get() + at : nullptr;
    return file->read_at(at, buf, len) ? buf : nullptr;
  }
};
TiffBytes s_kept;

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Opens the file into `f` (reading it whole when small), or keeps what `f` holds when it is
// that file unchanged.
bool load_tiff(const char* path, TiffBytes& f) {
  if (path == nullptr) return false;
  struct stat id {};
  if (::stat(path, &id) != 0) {
    f.clear();
    return false;
  }
  if (f.bytes && f.path == path && same_file(f.id, id)) return true;
  f.clear();
  auto in = std::make_unique<InFile>();
  if (!in->open(path) || in->size() > kMaxTiffBytes) return false;
  const std::size_t n = static_cast<std::size_t>(in->size());
  // Not cleared: a large block's pages are touched only where the file is read into it.
  std::unique_ptr<uint8_t[]> b(new (std::nothrow) uint8_t[n > 0 ? n : 1]);
  if (!b) return false;
  if (n <= TiffBytes::kWhole) {
    if (n > 0 && !in->read_at(0, b.get(), n)) return false;
  } else {
    f.have.assign((n + TiffBytes::kPage - 1) / TiffBytes::kPage, false);
    f.file = std::move(in);
  }
  f.bytes = std::move(b);
  f.n = n;
  f.path = path;
  f.id = id;
  return true;
}

void tiff_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void tiff_error(const char* format, ...) {
  char text[KS_MSG_LEN + 1];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  SLOG("io_tiff", SLOG_ERROR, "%s", text);
  mh_send_msg(KS_ALERT_ERROR, "%s", text);
}

// Reads the first directory's entries. false after a message when the header, the magic
// number or the directory does not fit the file.
bool read_directory(const TiffBytes& f, std::vector<DirEntry>* entries, bool* big) {
  if (f.size() < 8 || !f.ensure(0, 8)) {
    tiff_error("Failed to read TIFF header.");
    return false;
  }
  *big = f[0] == 'M';
  ByteReader r(f.data(), f.size(), *big);
  uint16_t magic = 0;
  uint32_t ifd = 0;
  r.seek(2);
  r.u16(magic);
  r.u32(ifd);
  if (magic != 42) {
    tiff_error("Failed to read TIFF header.");
    return false;
  }
  uint16_t n = 0;
  if (!f.ensure(ifd, 2) || !r.seek(ifd) || !r.u16(n)) {
    tiff_error("Failed to read TIFF directory size.");
    return false;
  }
  if (!r.has(uint64_t(n) * 12) || !f.ensure(uint64_t(ifd) + 2, uint64_t(n) * 12)) {
    tiff_error("Failed to read TIFF directory entry.");
    return false;
  }
  entries->clear();
  for (int i = 0; i < n; ++i) {
    DirEntry e;
    r.u16(e.tag);
    r.u16(e.type);
    r.u32(e.count);
    e.at = r.pos();
    if (e.type == TYPE_SHORT && e.count <= 2) {
      uint16_t v = 0;
      r.u16(v);
      r.skip(2);
      e.value = v;
    } else {
      r.u32(e.value);
    }
    entries->push_back(e);
  }
  return r.ok();
}

const DirEntry* find(const std::vector<DirEntry>& es, int tag) {
  for (const DirEntry& e : es)
    if (e.tag == tag) return &e;
  return nullptr;
}

// The values of a SHORT or LONG array: inline in the value field when they fit in 4 bytes,
// else at the offset it holds. false when they reach past the file.
bool read_array(const TiffBytes& f, bool big, const DirEntry& e,
                std::vector<uint64_t>* out) {
  const int w = e.type == TYPE_SHORT ? 2 : 4;
  const uint64_t bytes = uint64_t(e.count) * w;
  const uint64_t at = bytes <= 4 ? e.at : e.value;
  if (at + bytes > f.size() || !f.ensure(at, bytes)) return false;
  ByteReader r(f.data(), f.size(), big);
  r.seek(static_cast<std::size_t>(at));
  out->assign(e.count, 0);
  for (uint32_t i = 0; i < e.count; ++i) {
    if (w == 2) {
      uint16_t v = 0;
      r.u16(v);
      (*out)[i] = v;
    } else {
      uint32_t v = 0;
      r.u32(v);
      (*out)[i] = v;
    }
  }
  return r.ok();
}

bool read_rational(const TiffBytes& f, bool big, uint32_t at, uint32_t* num,
                   uint32_t* den) {
  if (!f.ensure(at, 8)) return false;
  ByteReader r(f.data(), f.size(), big);
  return r.seek(at) && r.u32(*num) && r.u32(*den);
}

// The name of a compression scheme that is not read, or null for an unknown one.
const char* compression_name(uint32_t c) {
  switch (c) {
    case 2: return "CCITT modified Huffman";
    case 3: return "CCITT Group 3 fax";
    case 4: return "CCITT Group 4 fax";
    case 6: return "old-style JPEG";
    case 7: return "JPEG";
    case 8:
    case 32946: return "Deflate";
    case 32773: return "PackBits";
    case 32771: return "CCITT RLE word";
    case 32809: return "ThunderScan";
    case 34676: return "SGI LogL";
    case 34677: return "SGI LogLuv";
    case 34712: return "JPEG 2000";
    case 34887: return "LERC";
    case 34925: return "LZMA";
    case 50000: return "Zstandard";
    case 50001: return "WebP";
    case 50002: return "JPEG XL";
    default: return nullptr;
  }
}

// The header check on the file's bytes (the read state's check part).
BOOL check_tiff_header(const TiffBytes& f, int* is_color, int* channel,
                       int channel_to_use) {
  S.checked = false;
  S.transparent = false;
  S.color = false;
  S.photometric = 0;
  S.invert = false;
  S.channel = 4;
  S.spp = 1;
  S.bits = 8;
  S.sixteen = false;
  *is_color = 0;
  *channel = 4;

  std::vector<DirEntry> es;
  bool big = false;
  if (!read_directory(f, &es, &big)) return FALSE;

  int bits = 0;  // no tag: 8 bits
  const DirEntry* bps = find(es, T_BitsPerSample);
  const DirEntry* e = nullptr;
  if ((e = find(es, T_Compression)) && e->value != 1 && e->value != 5) {
    const char* name = compression_name(e->value);
    if (name) tiff_error("Illegal Compression (%s) in TIFF.", name);
    else tiff_error("Illegal Compression (%lu) in TIFF.", static_cast<unsigned long>(e->value));
    return FALSE;
  }
  // Tiles hold the image in rectangles that the strip reader cannot place.
  for (int tag : {T_TileWidth, T_TileLength, T_TileOffsets, T_TileByteCounts}) {
    if (find(es, tag)) {
      tiff_error("Tiled TIFF files are not read; save the image in strips.");
      return FALSE;
    }
  }
  if ((e = find(es, T_Photometric))) S.photometric = static_cast<int>(e->value);
  if (S.photometric > 3) {
    tiff_error("Illegal PhotometricInterpretation (%d) in TIFF.", S.photometric);
    return FALSE;
  }
  if ((e = find(es, T_SamplesPerPixel))) S.spp = static_cast<int>(e->value);
  if ((e = find(es, T_PlanarConfiguration)) && e->value != 1) {
    tiff_error("Illegal PlanarConfiguration (%d) in TIFF.", static_cast<int>(e->value));
    return FALSE;
  }
  const bool rgb = S.photometric == 2;
  if (bps) {
    if (bps->count == 1) {
      bits = static_cast<int>(bps->value);
    } else {
      if (rgb && S.spp == 4) S.transparent = true;
      std::vector<uint64_t> list;
      if (bps->count > 64 || !read_array(f, big, *bps, &list) || list.empty()) {
        tiff_error("Failed to read 0x%lx bytes at offset (0x%lx)",
                   static_cast<unsigned long>(bps->count) * 2,
                   static_cast<unsigned long>(bps->value));
        return FALSE;
      }
      const std::size_t n = rgb ? (S.transparent ? 4 : 3) : list.size();
      for (std::size_t i = 1; i < n; ++i) {
        if (i >= list.size() || list[i] != list[0]) {
          tiff_error(rgb ? (S.transparent ? "All Transparent RGB BitsPerSample must be the same"
                                          : "All RGB BitsPerSample must be the same")
                         : "Illegal BitsPerSample (%d) in TIFF.",
                     static_cast<int>(list[0]));
          return FALSE;
        }
      }
      bits = static_cast<int>(list[0]);
    }
  }
  if (bits != 0 && bits != 8 && bits != 16) {
    tiff_error("Illegal BitsPerSample (%d) in TIFF.", bits);
    return FALSE;
  }
  S.bits = bits == 0 ? 8 : bits;
  S.sixteen = S.bits > 8;
  if (rgb ? (S.spp != 3 && S.spp != 4) : S.spp != 1) {
    tiff_error("Illegal SamplesPerPixel (%d) in TIFF.", S.spp);
    return FALSE;
  }
  if (rgb) {
    const int c = channel_to_use != 0 ? channel_to_use : ui_rgbcolor_dialog(IO_RGB_TIFF);
    *channel = c;
    *is_color = 1;
    if (c < 1 || c > 4) {
      *channel = 0;
      return FALSE;  // the user cancelled the channel choice
    }
    S.invert = true;
    S.color = true;
    S.channel = c;
  } else {
    S.invert = S.photometric == 1 || S.photometric == 3;
  }
  S.checked = true;
  return TRUE;
}

// The pixel size from a resolution rational, in the stored form. false when it is unknown.
bool resolution(uint32_t num, uint32_t den, int* mant, int* exp) {
  if (num == 0 || den == 0) return false;
  const double ratio = double(num) / double(den);
  double v = 0.1;
  if (S.res_unit == 2) v = 25.4 / ratio;
  else if (S.res_unit == 3) v = 10.0 / ratio;
  acq_res_from_mm(v, mant, exp);
  return true;
}

// Reads the directory again for the conversion: size, strips, resolution, GEL tags and the
// colour map. Returns the strip count to use (1 or more), or 0 after a message. Every strip
// used must lie inside the file, and the strips must cover the image's height.
int read_tiff_header(const TiffBytes& f) {
  if (!S.checked) {
    tiff_error("Failed to call 'io_tiff_check_tiff_header'.");
    return 0;
  }
  std::vector<DirEntry> es;
  if (!read_directory(f, &es, &S.big)) return 0;
  const DirEntry* so = nullptr;
  const DirEntry* sbc = nullptr;
  const DirEntry* xr = nullptr;
  const DirEntry* yr = nullptr;
  const DirEntry* scale = nullptr;
  const DirEntry* cmap = nullptr;
  S.res_unit = 2;  // TIFF's default unit is the inch
  for (const DirEntry& e : es) {
    switch (e.tag) {
      case T_ImageWidth: S.width = e.value; break;
      case T_ImageLength: S.height = e.value; break;
      case T_Compression:
        if (e.value != 1 && e.value != 5) return 0;
        S.compression = static_cast<int>(e.value);
        break;
      case T_StripOffsets: so = &e; break;
      case T_RowsPerStrip:
        S.rows_per_strip = e.value;
        break;
      case T_StripByteCounts: sbc = &e; break;
      case T_XResolution: xr = &e; break;
      case T_YResolution: yr = &e; break;
      case T_ResolutionUnit: S.res_unit = static_cast<int>(e.value); break;
      case T_Predictor:
        if (e.value == 1 || e.value == 2) S.predictor = static_cast<int>(e.value);
        break;
      case T_ColorMap: cmap = &e; break;
      case T_GelFileTag:
        S.gel = true;
        S.sqrt_data = e.value == 2;
        S.interp = (e.value == 1 || e.value == 2) ? 1 : 0;
        break;
      case T_GelScalePixel:
        S.gel = true;
        scale = &e;
        break;
      default: break;
    }
  }
  if (S.width < 1 || S.height < 1 || S.width > 0x7fffffffu || S.height > 0x7fffffffu) {
    tiff_error("Illegal image size (%lu x %lu) in TIFF.", static_cast<unsigned long>(S.width),
               static_cast<unsigned long>(S.height));
    return 0;
  }
  const uint64_t bpp = S.sixteen ? 2 : 1;
  const uint64_t row_bytes = uint64_t(S.width) * S.spp * bpp;
  const uint64_t image_bytes = row_bytes * S.height;

  // Strips.
  if (so) {
    if (uint64_t(so->count) * (so->type == TYPE_SHORT ? 2 : 4) > f.size() ||
        !read_array(f, S.big, *so, &S.offsets) || S.offsets.empty()) {
      tiff_error("Failed to read 0x%lx bytes at offset (0x%lx)",
                 static_cast<unsigned long>(so->count) * 4, static_cast<unsigned long>(so->value));
      return 0;
    }
  } else {
    if (image_bytes > f.size()) {
      tiff_error("Failed to read 0x%lx bytes at offset (0x%lx)",
                 static_cast<unsigned long>(image_bytes), 0ul);
      return 0;
    }
    S.offsets.assign(1, f.size() - image_bytes);
  }
  if (sbc) {
    if (uint64_t(sbc->count) * (sbc->type == TYPE_SHORT ? 2 : 4) > f.size() ||
        !read_array(f, S.big, *sbc, &S.counts)) {
      tiff_error("Failed to read 0x%lx bytes at offset (0x%lx)",
                 static_cast<unsigned long>(sbc->count) * 4,
                 static_cast<unsigned long>(sbc->value));
      return 0;
    }
  } else {
    S.counts.assign(1, image_bytes);
    if (S.rows_per_strip == 0) S.rows_per_strip = S.height;
  }
  if (S.counts.size() != S.offsets.size()) {
    tiff_error("StripOffsets (%lu) and StripByteCounts (%lu) differ in TIFF.",
               static_cast<unsigned long>(S.offsets.size()),
               static_cast<unsigned long>(S.counts.size()));
    return 0;
  }
  if (S.offsets.size() == 1 && S.rows_per_strip == 0) S.rows_per_strip = S.height;
  if (S.rows_per_strip == 0) return -1;  // several strips without RowsPerStrip
  if (S.rows_per_strip > S.height) S.rows_per_strip = S.height;
  const uint64_t strips = (S.height + S.rows_per_strip - 1) / S.rows_per_strip;
  if (S.offsets.size() < strips) {
    tiff_error("%lu strips of %lu rows do not cover the %lu rows of the TIFF.",
               static_cast<unsigned long>(S.offsets.size()),
               static_cast<unsigned long>(S.rows_per_strip), static_cast<unsigned long>(S.height));
    return 0;
  }
  S.offsets.resize(strips);
  S.counts.resize(strips);
  for (uint64_t i = 0; i < strips; ++i) {
    const uint64_t len = strips == 1 && S.compression == 1 ? image_bytes : S.counts[i];
    if (S.offsets[i] > f.size() || len > f.size() - S.offsets[i]) {
      tiff_error("Failed to read 0x%lx bytes at offset (0x%lx)", static_cast<unsigned long>(len),
                 static_cast<unsigned long>(S.offsets[i]));
      return 0;
    }
  }
  if (S.counts[0] == 0) {
    tiff_error("Failed to read 0x%lx bytes at offset (0x%lx)", 0ul,
               static_cast<unsigned long>(S.offsets[0]));
    return 0;
  }

  // Resolution: the pixel size in millimetres as mantissa and exponent.
  uint32_t num = 0, den = 0;
  bool have_x = false, have_y = false;
  if (xr) {
    if (!read_rational(f, S.big, xr->value, &num, &den)) {
      tiff_error("Failed to read x-resolution of 0x%lx bytes at offset (0x%lx)", 8ul,
                 static_cast<unsigned long>(xr->value));
      return 0;
    }
    have_x = resolution(num, den, &S.x_res, &S.x_scale);
  }
  if (yr) {
    if (!read_rational(f, S.big, yr->value, &num, &den)) {
      tiff_error("Failed to read y-resolution of 0x%lx bytes at offset (0x%lx)", 8ul,
                 static_cast<unsigned long>(yr->value));
      return 0;
    }
    have_y = resolution(num, den, &S.y_res, &S.y_scale);
  }
  if (have_x && !have_y) {
    S.y_res = S.x_res;
    S.y_scale = S.x_scale;
  } else if (have_y && !have_x) {
    S.x_res = S.y_res;
    S.x_scale = S.y_scale;
  } else if (!have_x && !have_y) {
    S.x_res = S.y_res = ACQ_DEFAULT_RES;
    S.x_scale = S.y_scale = ACQ_DEFAULT_SCALE;
    double xdpi = 0, ydpi = 0;
    int def_res = 100;
    IoResQuery ask = s_res_query ? s_res_query : ui_res_activate;
    ask(nullptr, &xdpi, &ydpi, 1, static_cast<int>(S.width), static_cast<int>(S.height), 1,
        &def_res);
    if (xdpi > 0) {
      S.x_res = static_cast<int>(std::trunc(25.4 / xdpi * 1000000.0));
      S.x_scale = 2 * ACQ_DEFAULT_SCALE;
    }
    if (ydpi > 0) {
      S.y_res = static_cast<int>(std::trunc(25.4 / ydpi * 1000000.0));
      S.y_scale = 2 * ACQ_DEFAULT_SCALE;
    }
  }

  // GEL pixel scale.
  if (scale) {
    if (!read_rational(f, S.big, scale->value, &num, &den)) {
      tiff_error("Failed to read pixel scale of 0x%lx bytes at offset (0x%lx)", 8ul,
                 static_cast<unsigned long>(scale->value));
      return 0;
    }
    if ((den == 1000 || den == 21025 || den == 65025 || S.sqrt_data) && den != 0) {
      S.gel_scale = double(num) / double(den);
      if (!(S.gel_scale > 0)) S.gel_scale = 1.0;
    }
  }

  // Palette: a colour map whose every entry is grey gives each index its grey.
  S.grey_map = false;
  if (S.photometric == 3 && cmap && cmap->type == TYPE_SHORT &&
      cmap->count == 3u * (1u << S.bits)) {
    std::vector<uint64_t> m;
    if (read_array(f, S.big, *cmap, &m)) {
      const std::size_t n = std::size_t(1) << S.bits;
      bool grey = true;
      for (std::size_t i = 0; i < n && grey; ++i) grey = m[i] == m[n + i] && m[i] == m[2 * n + i];
      if (grey) {
        // Entries are 16 bits: writers store grey g as g x 256 or as g x 257, and the high
        // byte gives g back. Older writers store g itself; a map whose every entry is below
        // 256 is read as such 8-bit values (the rule libtiff's tools follow), and widened as
        // g x 257 for a 16-bit image.
        bool eight = true;
        for (std::size_t i = 0; i < n && eight; ++i) eight = m[i] < 256;
        S.grey_map = true;
        S.grey_of.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
          const uint64_t g = m[i] & 0xffff;
          S.grey_of[i] = static_cast<uint16_t>(eight ? (S.sixteen ? g * 257 : g)
                                                     : (S.sixteen ? g : g >> 8));
        }
      }
    }
  }
  return static_cast<int>(strips > 0x7fffffff ? 0x7fffffff : strips);
}

// Turning decoded rows into stored values: the sample of the chosen channel, the predictor
// undone, a grey palette's index replaced by its grey, inverted when asked, and the darkest and
// brightest stored value kept. One loop per combination, picked once per import, so that the
// common layouts (one sample, no palette) run without a test per pixel.
struct RowJob {
  std::size_t width = 0;
  int spp = 1;
  uint32_t flip = 0;                // 0, or all ones of the sample size when inverting
  const uint16_t* map = nullptr;    // grey of each index, or null
};

// The job's fields are copied into locals first: the byte stores could otherwise alias them,
// and the loops would not vectorise.
template <bool One, bool Pred, bool Map>
void row8(const RowJob& j, const uint8_t* __restrict s, uint8_t* __restrict d, uint32_t& lo,
          uint32_t& hi) {
  const std::size_t step = One ? 1 : static_cast<std::size_t>(j.spp);
  const std::size_t n = j.width;
  const uint16_t* const map = j.map;
  const uint8_t flip = static_cast<uint8_t>(j.flip);
  uint8_t l = static_cast<uint8_t>(lo > 255 ? 255 : lo), h = static_cast<uint8_t>(hi);
  uint8_t prev = 0;
  for (std::size_t x = 0; x < n; ++x) {
    uint8_t v = s[x * step];
    if (Pred) {
      v = static_cast<uint8_t>(v + prev);
      prev = v;
    }
    uint8_t o = Map ? static_cast<uint8_t>(map[v]) : v;
    o = static_cast<uint8_t>(o ^ flip);
    l = o < l ? o : l;
    h = o > h ? o : h;
    d[x] = o;
  }
  lo = l;
  hi = h;
}

template <bool Big, bool One, bool Pred, bool Map>
void row16(const RowJob& j, const uint8_t* __restrict s, uint8_t* __restrict d, uint32_t& lo,
           uint32_t& hi) {
  const std::size_t step = One ? 2 : 2 * static_cast<std::size_t>(j.spp);
  const std::size_t n = j.width;
  const uint16_t* const map = j.map;
  const uint16_t flip = static_cast<uint16_t>(j.flip);
  uint16_t l = static_cast<uint16_t>(lo > 65535 ? 65535 : lo), h = static_cast<uint16_t>(hi);
  uint16_t prev = 0;
  for (std::size_t x = 0; x < n; ++x) {
    const uint8_t* p = s + x * step;
    uint16_t v = Big ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
    if (Pred) {
      v = static_cast<uint16_t>(v + prev);
      prev = v;
    }
    uint16_t o = Map ? map[v] : v;
    o = static_cast<uint16_t>(o ^ flip);
    l = o < l ? o : l;
    h = o > h ? o : h;
    d[2 * x] = static_cast<uint8_t>(o);
    d[2 * x + 1] = static_cast<uint8_t>(o >> 8);
  }
  lo = l;
  hi = h;
}

using RowFn = void (*)(const RowJob&, const uint8_t*, uint8_t*, uint32_t&, uint32_t&);

template <bool One, bool Pred, bool Map>
RowFn pick16(bool big) {
  return big ? row16<true, One, Pred, Map> : row16<false, One, Pred, Map>;
}
template <bool One, bool Pred>
RowFn pick_map(bool sixteen, bool big, bool map) {
  if (sixteen) return map ? pick16<One, Pred, true>(big) : pick16<One, Pred, false>(big);
  return map ? row8<One, Pred, true> : row8<One, Pred, false>;
}
RowFn pick_row(bool sixteen, bool big, bool one, bool pred, bool map) {
  if (one) return pred ? pick_map<true, true>(sixteen, big, map) : pick_map<true, false>(sixteen, big, map);
  return pred ? pick_map<false, true>(sixteen, big, map) : pick_map<false, false>(sixteen, big, map);
}

// Stored rows gathered into blocks of about a megabyte, each written in one call.
class RowWriter {
 public:
  RowWriter(AcqOut& out, bool predictor) : out_(out) {
    job_.width = S.width;
    job_.spp = S.spp;
    job_.flip = S.invert ? (S.sixteen ? 0xffffu : 0xffu) : 0u;
    job_.map = S.grey_map ? S.grey_of.data() : nullptr;
    const int pick = S.channel == 2 ? 1 : S.channel == 3 ? 2 : 0;
    skip_ = static_cast<std::size_t>(pick < S.spp ? pick : 0) * (S.sixteen ? 2 : 1);
    in_row_ = std::size_t(S.width) * S.spp * (S.sixteen ? 2 : 1);
    out_row_ = std::size_t(S.width) * (S.sixteen ? 2 : 1);
    fn_ = pick_row(S.sixteen, S.big, S.spp == 1, predictor, S.grey_map);
    cap_ = std::max<std::size_t>(out_row_, kBlock / out_row_ * out_row_);
  }
  // Converts and writes `rows` rows that start at `src`. false when a write failed.
  bool put(const uint8_t* src, uint64_t rows) {
    if (!block_) {
      block_.reset(new (std::nothrow) uint8_t[cap_]);
      if (!block_) return false;
    }
    for (uint64_t y = 0; y < rows; ++y) {
      if (used_ + out_row_ > cap_ && !flush()) return false;
      fn_(job_, src + y * in_row_ + skip_, block_.get() + used_, lo_, hi_);
      used_ += out_row_;
    }
    return true;
  }
  bool flush() {
    const bool ok = used_ == 0 || out_.write(block_.get(), used_);
    used_ = 0;
    return ok;
  }
  std::size_t in_row() const { return in_row_; }
  // The darkest and brightest stored value of the rows put so far.
  void range(int64_t* lo, int64_t* hi) const {
    if (hi_ >= lo_) {
      *lo = lo_;
      *hi = hi_;
    }
  }

 private:
  static constexpr std::size_t kBlock = std::size_t(1) << 20;
  AcqOut& out_;
  RowJob job_;
  RowFn fn_ = nullptr;
  std::size_t skip_ = 0, in_row_ = 0, out_row_ = 0, cap_ = 0, used_ = 0;
  std::unique_ptr<uint8_t[]> block_;
  uint32_t lo_ = 0xffffffffu, hi_ = 0;
};

// Uncompressed rows read from the file in blocks of about a megabyte into one buffer (or taken
// where they lie when the whole file is in memory) and converted.
class RawRows {
 public:
  RawRows(const TiffBytes& f, RowWriter& w) : f_(f), w_(w) {
    per_block_ = std::max<uint64_t>(1, kBlock / std::max<uint64_t>(1, w.in_row()));
  }
  // Converts `rows` rows that start at offset `at`. 0, IO_IMPORT_BAD_STRIP when they cannot be
  // read, IO_IMPORT_WRITE_FAILED, or -1 when there is no memory for the buffer.
  int put(uint64_t at, uint64_t rows) {
    const uint64_t row_bytes = w_.in_row();
    while (rows > 0) {
      const uint64_t now = std::min(rows, per_block_);
      const std::size_t len = static_cast<std::size_t>(now * row_bytes);
      if (!f_.have.empty() && !buf_) {
        buf_.reset(new (std::nothrow) uint8_t[static_cast<std::size_t>(per_block_ * row_bytes)]);
        if (!buf_) return -1;
      }
      const uint8_t* src = f_.read(at, len, buf_.get());
      if (!src) return IO_IMPORT_BAD_STRIP;
      if (!w_.put(src, now)) return IO_IMPORT_WRITE_FAILED;
      at += len;
      rows -= now;
    }
    return 0;
  }

 private:
  static constexpr uint64_t kBlock = uint64_t(1) << 20;
  const TiffBytes& f_;
  RowWriter& w_;
  uint64_t per_block_ = 1;
  std::unique_ptr<uint8_t[]> buf_;
};

// One uncompressed strip holding the whole image, converted from its offset (the predictor is
// not applied). 0, IO_IMPORT_BAD_STRIP when the rows cannot be read, IO_IMPORT_WRITE_FAILED,
// or -1 (no memory).
int convert_bigblock(const TiffBytes& f, AcqOut& out) {
  if (S.compression != 1) return -1;
  RowWriter w(out, false);
  RawRows raw(f, w);
  int r = raw.put(S.offsets[0], S.height);
  if (r == 0 && !w.flush()) r = IO_IMPORT_WRITE_FAILED;
  w.range(&S.min_v, &S.max_v);
  return r;
}

// The strips in order: an uncompressed strip is read and converted in blocks of rows, an LZW
// strip is decoded into a work buffer first. A strip is bounded by the image's own size.
int io_tiff_convert_read_strips(const TiffBytes& f, AcqOut& out) {
  if (S.rows_per_strip == 0) return -1;
  RowWriter w(out, S.predictor == 2);
  RawRows raw(f, w);
  const uint64_t row_bytes = w.in_row();
  std::unique_ptr<uint8_t[]> work;
  uint64_t work_bytes = 0;
  uint64_t rows_left = S.height;
  int status = 0;
  for (std::size_t i = 0; i < S.offsets.size() && rows_left > 0 && status == 0; ++i) {
    const uint64_t rows = rows_left < S.rows_per_strip ? rows_left : S.rows_per_strip;
    const uint64_t want = rows * row_bytes;
    const uint64_t have = S.counts[i];
    if (S.compression == 1) {
      status = have < want ? IO_IMPORT_BAD_STRIP : raw.put(S.offsets[i], rows);
    } else if (S.compression == 5) {
      // An LZW code of at least 9 bits stands for fewer than 4096 bytes: a strip that would
      // have to expand further cannot hold its rows.
      if (want > have * 4096 || want > 0x7fffffffu || !f.ensure(S.offsets[i], have)) {
        status = IO_IMPORT_BAD_STRIP;
      } else {
        if (want > work_bytes) {
          work.reset(new (std::nothrow) uint8_t[want]);
          work_bytes = work ? want : 0;
          if (!work) {
            tiff_error("Failed memory allocation (0x%lx) while converting TIFF.",
                       static_cast<unsigned long>(want));
            status = -1;
            break;
          }
        }
        const long in_len = have > 0x7fffffff ? 0x7fffffff : static_cast<long>(have);
        status = io_tiff_decompress_as(S.compression, in_len, work.get(), static_cast<long>(want),
                                       f.data() + S.offsets[i]);
        if (status == 0 && !w.put(work.get(), rows)) status = IO_IMPORT_WRITE_FAILED;
      }
    } else {
      status = IO_IMPORT_BAD_COMPRESSION;
    }
    if (status != 0) {
      SLOG("io_tiff_convert_read_strips", SLOG_ERROR, "strip %zu: %d", i, status);
      break;
    }
    rows_left -= rows;
  }
  if (status == 0 && !w.flush()) status = IO_IMPORT_WRITE_FAILED;
  w.range(&S.min_v, &S.max_v);
  return status;
}

// Keeps the check's results and clears the rest of the read state.
void reset_for_convert(int interp_mode) {
  S.gel_scale = 1.0;
  S.interp = interp_mode;
  S.x_res = S.x_scale = S.y_res = S.y_scale = 0;
  S.gel = S.sqrt_data = false;
  S.big = false;
  S.width = S.height = 0;
  S.res_unit = 2;
  S.min_v = 0xffffffff;
  S.max_v = -1;
  S.offsets.clear();
  S.counts.clear();
  S.compression = 1;
  S.predictor = 1;
  S.rows_per_strip = 0;
  S.grey_map = false;
  S.grey_of.clear();
}

}  // namespace

IoResQuery io_tiff_set_res_query(IoResQuery query) {
  IoResQuery old = s_res_query;
  s_res_query = query;
  return old;
}

int io_tiff_decompress(long input_length, uint8_t* output, long output_length,
                       const uint8_t* input) {
  return io_tiff_decompress_as(S.compression, input_length, output, output_length, input);
}

BOOL io_tiff_check(const char* path, int* is_color, int* channel, int channel_to_use) {
  static const char* fn = "io_tiff_check";
  int dummy_color = 0, dummy_channel = 0;
  if (!is_color) is_color = &dummy_color;
  if (!channel) channel = &dummy_channel;
  *channel = 4;
  *is_color = 0;
  S.checked = false;
  if (!load_tiff(path, s_kept)) {
    SLOG(fn, SLOG_ERROR, "cannot read <%s>", path ? path : "");
    s_kept.clear();
    return FALSE;
  }
  const BOOL ok = check_tiff_header(s_kept, is_color, channel, channel_to_use);
  if (!ok) s_kept.clear();  // the bytes are kept only for the conversion that may follow
  return ok;
}

int io_tiff_convert(const char* tiff_file_name, const char* data_file_name, int* res_flag,
                    int interp_mode) {
  static const char* fn = "io_tiff_convert";
  if (res_flag) *res_flag = 0;
  reset_for_convert(interp_mode);
  // The bytes the check read, when it read this file; they are let go when the import ends.
  TiffBytes f = std::move(s_kept);
  s_kept.clear();
  if (!load_tiff(tiff_file_name, f)) {
    SLOG(fn, SLOG_ERROR, "failed to open TIFF <%s>", tiff_file_name ? tiff_file_name : "");
    return IO_IMPORT_OPEN_FAILED;
  }
  const int strips = read_tiff_header(f);
  S.checked = false;  // a conversion needs a check of its own
  if (strips == -1) return -1;
  if (strips <= 0) return IO_IMPORT_BAD_HEADER;

  AcqOut out;
  if (!out.open(data_file_name)) {
    SLOG(fn, SLOG_ERROR, "failed to open output datafile <%s>", data_file_name);
    return IO_IMPORT_OPEN_FAILED;
  }
  IMG_INFO info{};
  info.height = info.original_height = static_cast<int>(S.height);
  info.width = info.original_width = static_cast<int>(S.width);
  info.bytes_per_pixel = S.sixteen ? 2 : 1;
  info.x_res = S.x_res;
  info.x_scale = S.x_scale;
  info.y_res = S.y_res;
  info.y_scale = S.y_scale;
  info.device = 6;
  if (res_flag) *res_flag = S.x_res >= 1 && S.y_res >= 1 ? 1 : 0;
  if (!acq_write_kes_header(out, info.bytes_per_pixel, info.width, info.height))
    return IO_IMPORT_WRITE_FAILED;
  const int rows = strips == 1 && S.compression == 1 ? convert_bigblock(f, out)
                                                       : io_tiff_convert_read_strips(f, out);
  if (rows != 0) return rows;
  if (!out.close()) return IO_IMPORT_WRITE_FAILED;

  // Lookup: the darkest and the brightest stored value.
  IMG_INT_INFO* look = acq_new_lookup();
  if (look != nullptr) {
    look->interp_type = S.interp;
    look->dig_val_range = static_cast<int>(S.max_v - S.min_v);
    look->dig_values[0] = static_cast<int>(S.min_v);
    look->wedge_values[0] = 0.0 * S.gel_scale;
    look->dig_values[1] = static_cast<int>(S.max_v);
    look->wedge_values[1] = (S.sqrt_data ? 2.3 * double(S.max_v) : 2.3) * S.gel_scale;
  }
  info.min_value = static_cast<int>(S.min_v);
  info.max_value = static_cast<int>(S.max_v);
  // Without its info file the pixel file is no image: the import must not go on.
  const int r = look ? acq_put_info(&info, look, data_file_name) : IO_IMPORT_NO_MEMORY;
  if (look) lookup_free(look);
  return r;
}
