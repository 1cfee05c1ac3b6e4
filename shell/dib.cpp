// DIB blocks and BMP files: making, converting, turning, clipping, reading and writing.
#include "shell/dib.h"

#include <cstring>
#include <limits>
#include <new>

#include "base/slog.h"
#include "io/byte_io.h"

namespace {

bool known_bit_count(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void put_header(ByteWriter& w, const BITMAPINFOHEADER& bi) {
  w.u32(DIB_INFO_HEADER_SIZE);
  w.i32(bi.biWidth);
  w.i32(bi.biHeight);
  w.u16(bi.biPlanes);
  w.u16(bi.biBitCount);
  w.u32(bi.biCompression);
  w.u32(bi.biSizeImage);
  w.i32(bi.biXPelsPerMeter);
  w.i32(bi.biYPelsPerMeter);
  w.u32(bi.biClrUsed);
  w.u32(bi.biClrImportant);
}

// Reads the 36 bytes that follow the size word of an info header.
void get_info_rest(ByteReader& r, BITMAPINFOHEADER* bi) {
  r.i32(bi->biWidth);
  r.i32(bi->biHeight);
  r.u16(bi->biPlanes);
  r.u16(bi->biBitCount);
  r.u32(bi->biCompression);
  r.u32(bi->biSizeImage);
  r.i32(bi->biXPelsPerMeter);
  r.i32(bi->biYPelsPerMeter);
  r.u32(bi->biClrUsed);
  r.u32(bi->biClrImportant);
}

// Header of a block (always an info header in blocks that this module makes or reads).
bool block_header(const DibBlock* dib, BITMAPINFOHEADER* bi) {
  if (dib == nullptr || dib->bytes.size() < DIB_INFO_HEADER_SIZE) return false;
  ByteReader r(dib->bytes);
  r.u32(bi->biSize);
  get_info_rest(r, bi);
  return r.ok() && bi->biSize == DIB_INFO_HEADER_SIZE;
}

// The layout of an uncompressed block, checked against its bytes: header, row bytes, number
// of rows and the offset of the first row.
struct Layout {
  BITMAPINFOHEADER bi;
  uint64_t row_bytes = 0;
  int64_t rows = 0;
  int64_t cols = 0;
  bool top_down = false;
  std::size_t bits_off = 0;
};

bool block_layout(const DibBlock* dib, Layout* out) {
  Layout l;
  if (!block_header(dib, &l.bi)) return false;
  if (l.bi.biCompression != 0 || l.bi.biWidth <= 0 || l.bi.biHeight == 0 ||
      l.bi.biHeight == std::numeric_limits<int32_t>::min() ||
      (!known_bit_count(l.bi.biBitCount) && l.bi.biBitCount != 48))
    return false;
  const int colours = DibNumColors(l.bi);
  if (colours > DIB_MAX_COLOURS) return false;
  l.cols = l.bi.biWidth;
  l.rows = l.bi.biHeight < 0 ? -int64_t(l.bi.biHeight) : l.bi.biHeight;
  l.top_down = l.bi.biHeight < 0;
  l.row_bytes = DibRowBytes(l.cols, l.bi.biBitCount);
  l.bits_off = DIB_INFO_HEADER_SIZE + static_cast<std::size_t>(PaletteSize(l.bi));
  const uint64_t need = l.bits_off + l.row_bytes * static_cast<uint64_t>(l.rows);
  if (need > dib->bytes.size()) return false;
  *out = l;
  return true;
}

// Offset of the stored row that holds image row y (counted from the top).
std::size_t row_off(const Layout& l, int64_t y) {
  const int64_t stored = l.top_down ? y : l.rows - 1 - y;
  return l.bits_off + static_cast<std::size_t>(stored) * l.row_bytes;
}

HDIB new_block(std::size_t size) {
  try {
    auto dib = std::make_unique<DibBlock>();
    dib->bytes.assign(size, 0);
    return dib;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

const char* name_of(const char* caller) { return caller ? caller : "?"; }

// Gives a block made from `from` the same pixels per metre.
void keep_resolution(const BITMAPINFOHEADER& from, DibBlock* to) {
  BITMAPINFOHEADER bi;
  if (!block_header(to, &bi)) return;
  bi.biXPelsPerMeter = from.biXPelsPerMeter;
  bi.biYPelsPerMeter = from.biYPelsPerMeter;
  ByteWriter w;
  put_header(w, bi);
  std::memcpy(to->bytes.data(), w.buffer().data(), w.size());
}

}  // namespace

int DibNumColors(const BITMAPINFOHEADER& bi) {
  if (bi.biSize != DIB_CORE_HEADER_SIZE && bi.biClrUsed != 0)
    return bi.biClrUsed > uint32_t(std::numeric_limits<int>::max() / 4)
               ? std::numeric_limits<int>::max() / 4
               : static_cast<int>(bi.biClrUsed);
  switch (bi.biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

int PaletteSize(const BITMAPINFOHEADER& bi) {
  return DibNumColors(bi) * (bi.biSize == DIB_CORE_HEADER_SIZE ? 3 : 4);
}

uint64_t DibRowBytes(int64_t width, int bit_count) {
  int64_t bits = width * bit_count;
  if (bits < 0) bits = -bits;
  return static_cast<uint64_t>((bits + 31) / 32) * 4;
}

BOOL DibInfo(const DibBlock* dib, BITMAPINFOHEADER* out) {
  BITMAPINFOHEADER bi;
  if (dib == nullptr || out == nullptr || !block_header(dib, &bi)) {
    SLOG("DibInfo", SLOG_ERROR, "hbi NULL, not OK");
    return FALSE;
  }
  if (bi.biSizeImage == 0) {
    const int64_t rows = bi.biHeight < 0 ? -int64_t(bi.biHeight) : bi.biHeight;
    const uint64_t size = DibRowBytes(bi.biWidth, bi.biBitCount) * static_cast<uint64_t>(rows);
    bi.biSizeImage = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
  }
  if (bi.biClrUsed == 0) bi.biClrUsed = static_cast<uint32_t>(DibNumColors(bi));
  *out = bi;
  return TRUE;
}

const uint8_t* DibBits(const DibBlock* dib) {
  Layout l;
  return block_layout(dib, &l) ? dib->bytes.data() + l.bits_off : nullptr;
}

uint8_t* DibBits(DibBlock* dib) {
  Layout l;
  return block_layout(dib, &l) ? dib->bytes.data() + l.bits_off : nullptr;
}

HDIB MakeDIB(const char* caller, int rows, int cols, int bit_count) {
  if (bit_count != 8 && bit_count != 16 && bit_count != 24) {
    SLOG("MakeDIB", SLOG_ERROR, "%s: bit count %d refused", name_of(caller), bit_count);
    return nullptr;
  }
  if (rows == 0 || rows == std::numeric_limits<int>::min() || cols <= 0) {
    SLOG("MakeDIB", SLOG_ERROR, "%s: size %d x %d refused", name_of(caller), cols, rows);
    return nullptr;
  }
  const uint64_t row_bytes = DibRowBytes(cols, bit_count);
  const uint64_t image = row_bytes * static_cast<uint64_t>(rows < 0 ? -int64_t(rows) : rows);
  if (image > DIB_MAX_IMAGE_BYTES) {
    SLOG("MakeDIB", SLOG_ERROR, "%s: %llu bytes refused", name_of(caller),
         static_cast<unsigned long long>(image));
    return nullptr;
  }
  const int colours = bit_count == 8 ? 256 : 0;
  HDIB dib = new_block(DIB_INFO_HEADER_SIZE + colours * 4 + static_cast<std::size_t>(image));
  if (!dib) {
    SLOG("MakeDIB", SLOG_ERROR, "%s: no memory", name_of(caller));
    return nullptr;
  }
  BITMAPINFOHEADER bi;
  bi.biWidth = cols;
  bi.biHeight = rows;
  bi.biBitCount = static_cast<uint16_t>(bit_count);
  bi.biSizeImage = static_cast<uint32_t>(image);
  bi.biClrUsed = static_cast<uint32_t>(colours);
  ByteWriter w;
  put_header(w, bi);
  for (int i = 0; i < colours; ++i) {
    const uint8_t g = static_cast<uint8_t>(i);
    w.u8(g);
    w.u8(g);
    w.u8(g);
    w.u8(0);
  }
  std::memcpy(dib->bytes.data(), w.buffer().data(), w.size());
  return dib;
}

HDIB MakeRotatedDib(const DibBlock* dib, int direction) {
  Layout s;
  if (!block_layout(dib, &s) || (s.bi.biBitCount != 8 && s.bi.biBitCount != 16)) {
    SLOG("MakeRotatedDib", SLOG_ERROR, "source refused");
    return nullptr;
  }
  const int bpp = s.bi.biBitCount / 8;
  const int64_t w = s.cols, h = s.rows;
  HDIB out = MakeDIB("MakeRotatedDib", static_cast<int>(s.top_down ? -w : w), static_cast<int>(h),
                     s.bi.biBitCount);
  if (!out) return nullptr;
  Layout d;
  block_layout(out.get(), &d);
  const uint8_t* src = dib->bytes.data();
  uint8_t* dst = out->bytes.data();
  for (int64_t y = 0; y < h; ++y) {
    const uint8_t* srow = src + row_off(s, y);
    for (int64_t x = 0; x < w; ++x) {
      const int64_t dx = direction == 0 ? h - 1 - y : y;
      const int64_t dy = direction == 0 ? x : w - 1 - x;
      std::memcpy(dst + row_off(d, dy) + dx * bpp, srow + x * bpp, static_cast<std::size_t>(bpp));
    }
  }
  return out;
}

BOOL GetPixelsFromDIB(const char* caller, const DibBlock* dib, std::vector<uint8_t>* out) {
  Layout l;
  if (out == nullptr || !block_layout(dib, &l) ||
      (l.bi.biBitCount != 8 && l.bi.biBitCount != 16)) {
    SLOG("GetPixelsFromDIB", SLOG_ERROR, "%s: source refused", name_of(caller));
    return FALSE;
  }
  const std::size_t line = static_cast<std::size_t>(l.cols) * (l.bi.biBitCount / 8);
  try {
    out->resize(line * static_cast<std::size_t>(l.rows));
  } catch (const std::bad_alloc&) {
    SLOG("GetPixelsFromDIB", SLOG_ERROR, "%s: no memory", name_of(caller));
    return FALSE;
  }
  for (int64_t y = 0; y < l.rows; ++y)
    std::memcpy(out->data() + static_cast<std::size_t>(y) * line, dib->bytes.data() + row_off(l, y),
                line);
  return TRUE;
}

HDIB MakeDisplayDib(const char* caller, const DibBlock* dib) {
  Layout s;
  if (!block_layout(dib, &s)) {
    SLOG("MakeDisplayDib", SLOG_ERROR, "%s: source refused", name_of(caller));
    return nullptr;
  }
  if (s.bi.biBitCount != 16) {
    HDIB copy = new_block(dib->bytes.size());
    if (!copy) {
      SLOG("MakeDisplayDib", SLOG_ERROR, "%s: no memory", name_of(caller));
      return nullptr;
    }
    copy->bytes = dib->bytes;
    return copy;
  }
  HDIB out = MakeDIB(caller, s.bi.biHeight, s.bi.biWidth, 8);
  if (!out) return nullptr;
  Layout d;
  block_layout(out.get(), &d);
  // Both walk their rows in stored order; the row order of both is the same.
  for (int64_t r = 0; r < s.rows; ++r) {
    const uint8_t* src = dib->bytes.data() + s.bits_off + static_cast<std::size_t>(r) * s.row_bytes;
    uint8_t* dst = out->bytes.data() + d.bits_off + static_cast<std::size_t>(r) * d.row_bytes;
    for (int64_t x = 0; x < s.cols; ++x) dst[x] = src[2 * x + 1];
  }
  return out;
}

HDIB MakeGrayScaleDibFromColor(const char* caller, const DibBlock* dib, int channel) {
  Layout s;
  if (!block_layout(dib, &s) || (s.bi.biBitCount != 24 && s.bi.biBitCount != 48) ||
      channel < 1 || channel > 4) {
    SLOG("MakeGrayScaleDibFromColor", SLOG_ERROR, "%s: source or channel %d refused",
         name_of(caller), channel);
    return nullptr;
  }
  const bool wide = s.bi.biBitCount == 48;
  HDIB out = MakeDIB(caller, s.bi.biHeight, s.bi.biWidth, wide ? 16 : 8);
  if (!out) return nullptr;
  // The grey copy keeps the device's resolution: the image's sizes in millimetres come from it.
  keep_resolution(s.bi, out.get());
  Layout d;
  block_layout(out.get(), &d);
  for (int64_t r = 0; r < s.rows; ++r) {
    const uint8_t* src = dib->bytes.data() + s.bits_off + static_cast<std::size_t>(r) * s.row_bytes;
    uint8_t* dst = out->bytes.data() + d.bits_off + static_cast<std::size_t>(r) * d.row_bytes;
    for (int64_t x = 0; x < s.cols; ++x) {
      unsigned c[3];
      if (wide) {
        const uint8_t* p = src + x * 6;
        for (int k = 0; k < 3; ++k) c[k] = unsigned(p[2 * k] | p[2 * k + 1] << 8);
      } else {
        const uint8_t* p = src + x * 3;
        for (int k = 0; k < 3; ++k) c[k] = p[k];
      }
      const unsigned g = channel == 4 ? (5 * c[0] + 2 * c[1] + c[2]) >> 3 : c[channel - 1];
      if (wide) {
        dst[2 * x] = static_cast<uint8_t>(g & 0xFF);
        dst[2 * x + 1] = static_cast<uint8_t>(g >> 8);
      } else {
        dst[x] = static_cast<uint8_t>(g);
      }
    }
  }
  return out;
}

HDIB ClipDib(const DibBlock* dib, const char* caller, int top_down, int top, int left, int bottom,
             int right) {
  Layout s;
  if (!block_layout(dib, &s) || (s.bi.biBitCount != 8 && s.bi.biBitCount != 16)) {
    SLOG("ClipDib", SLOG_ERROR, "%s: source refused", name_of(caller));
    return nullptr;
  }
  if (top < 0 || left < 0 || bottom > s.rows || top >= bottom || left >= right) {
    SLOG("ClipDib", SLOG_ERROR, "%s: rectangle %d %d %d %d outside %lld x %lld", name_of(caller),
         top, left, bottom, right, static_cast<long long>(s.cols), static_cast<long long>(s.rows));
    return nullptr;
  }
  const int bpp = s.bi.biBitCount / 8;
  const int n = bottom - top;
  HDIB out = MakeDIB(caller, top_down ? -n : n, right - left, s.bi.biBitCount);
  if (!out) return nullptr;
  Layout d;
  block_layout(out.get(), &d);
  const int64_t first = top_down ? top : s.rows - bottom;
  const int64_t cols = (right < s.cols ? right : s.cols) - left;
  for (int j = 0; j < n; ++j) {
    if (cols <= 0) break;
    const uint8_t* src =
        dib->bytes.data() + s.bits_off + static_cast<std::size_t>(first + j) * s.row_bytes;
    uint8_t* dst = out->bytes.data() + d.bits_off + static_cast<std::size_t>(j) * d.row_bytes;
    std::memcpy(dst, src + static_cast<std::size_t>(left) * bpp,
                static_cast<std::size_t>(cols) * bpp);
  }
  return out;
}

BOOL WriteDIBFromPixelArrayAndBI(const char* path, const BITMAPINFO& info, const uint8_t* pixels) {
  const BITMAPINFOHEADER& hdr = info.bmiHeader;
  if (path == nullptr || pixels == nullptr || hdr.biWidth <= 0 || hdr.biHeight == 0 ||
      hdr.biHeight == std::numeric_limits<int32_t>::min() || !known_bit_count(hdr.biBitCount) ||
      hdr.biCompression != 0) {
    SLOG("WriteDIBFromPixelArrayAndBI", SLOG_ERROR, "header refused");
    return FALSE;
  }
  BITMAPINFOHEADER bi = hdr;
  bi.biSize = DIB_INFO_HEADER_SIZE;
  const int colours = DibNumColors(bi);
  if (colours > DIB_MAX_COLOURS) {
    SLOG("WriteDIBFromPixelArrayAndBI", SLOG_ERROR, "%d colours refused", colours);
    return FALSE;
  }
  const bool top_down = bi.biHeight < 0;
  const int64_t rows = top_down ? -int64_t(bi.biHeight) : bi.biHeight;
  const uint64_t row_bytes = DibRowBytes(bi.biWidth, bi.biBitCount);
  const uint64_t image = row_bytes * static_cast<uint64_t>(rows);
  if (image > DIB_MAX_IMAGE_BYTES) {
    SLOG("WriteDIBFromPixelArrayAndBI", SLOG_ERROR, "image of %llu bytes refused",
         static_cast<unsigned long long>(image));
    return FALSE;
  }
  bi.biHeight = static_cast<int32_t>(rows);
  bi.biSizeImage = static_cast<uint32_t>(image);
  const uint32_t head = DIB_INFO_HEADER_SIZE + static_cast<uint32_t>(colours) * 4;
  ByteWriter w;
  w.u8('B');
  w.u8('M');
  w.u32(static_cast<uint32_t>(image) + head + DIB_FILE_HEADER_SIZE);
  w.u16(0);
  w.u16(0);
  w.u32(head + DIB_FILE_HEADER_SIZE);
  put_header(w, bi);
  w.bytes(info.bmiColors, static_cast<std::size_t>(colours) * 4);
  if (top_down) {
    for (int64_t r = rows - 1; r >= 0; --r)
      w.bytes(pixels + static_cast<std::size_t>(r) * row_bytes, static_cast<std::size_t>(row_bytes));
  } else {
    w.bytes(pixels, static_cast<std::size_t>(image));
  }
  if (!io_write_file_replace(path, w.buffer())) {
    SLOG("WriteDIBFromPixelArrayAndBI", SLOG_ERROR, "writing of <%s> failed", path);
    return FALSE;
  }
  return TRUE;
}

BOOL WriteDIBFile(const char* path, const DibBlock* dib) {
  Layout l;
  if (!block_layout(dib, &l)) {
    SLOG("WriteDIBFile", SLOG_ERROR, "hbi NULL, not OK");
    return FALSE;
  }
  BITMAPINFO info;
  info.bmiHeader = l.bi;
  std::memcpy(info.bmiColors, dib->bytes.data() + DIB_INFO_HEADER_SIZE,
              static_cast<std::size_t>(PaletteSize(l.bi)));
  return WriteDIBFromPixelArrayAndBI(path, info, dib->bytes.data() + l.bits_off);
}

HDIB ReadDibBitmapInfo(ByteReader& r) {
  const std::size_t start = r.pos();
  uint8_t b = 0, m = 0;
  uint32_t off_bits = 0;
  r.u8(b);
  r.u8(m);
  if (r.ok() && b == 'B' && m == 'M') {
    uint32_t size = 0;
    uint16_t res = 0;
    r.u32(size);
    r.u16(res);
    r.u16(res);
    r.u32(off_bits);
  } else {
    r.seek(start);  // a bare DIB: the header comes first
  }
  BITMAPINFOHEADER bi;
  r.u32(bi.biSize);
  if (!r.ok()) return nullptr;
  int colours = 0;
  std::vector<uint8_t> table;
  if (bi.biSize == DIB_CORE_HEADER_SIZE) {
    uint16_t w = 0, h = 0;
    r.u16(w);
    r.u16(h);
    r.u16(bi.biPlanes);
    r.u16(bi.biBitCount);
    bi.biWidth = w;
    bi.biHeight = h;
    colours = DibNumColors(bi);
    if (!r.has(static_cast<std::size_t>(colours) * 3)) return nullptr;
    for (int i = 0; i < colours; ++i) {
      uint8_t e[3];
      r.bytes(e, 3);
      table.insert(table.end(), {e[0], e[1], e[2], 0});
    }
    bi.biSize = DIB_INFO_HEADER_SIZE;
    bi.biClrUsed = bi.biClrImportant = static_cast<uint32_t>(colours);
  } else if (bi.biSize == DIB_INFO_HEADER_SIZE || bi.biSize == DIB_V4_HEADER_SIZE ||
             bi.biSize == DIB_V5_HEADER_SIZE) {
    get_info_rest(r, &bi);
    if (!r.ok()) return nullptr;
    if (bi.biSize != DIB_INFO_HEADER_SIZE) {
      // The longer headers start with the 40-byte one; what they add (colour masks, colour
      // space, profile) only matters for packed or compressed pixels, which are not read.
      // Uncompressed 8- and 24-bit rows mean what they mean under the short header.
      if (bi.biCompression != 0 || (bi.biBitCount != 8 && bi.biBitCount != 24)) {
        SLOG("ReadDibBitmapInfo", SLOG_ERROR, "header of %u bytes with %u bits, compression %u",
             bi.biSize, unsigned(bi.biBitCount), bi.biCompression);
        return nullptr;
      }
      if (!r.skip(bi.biSize - DIB_INFO_HEADER_SIZE)) return nullptr;
      bi.biSize = DIB_INFO_HEADER_SIZE;
    }
    colours = DibNumColors(bi);
    if (colours > DIB_MAX_COLOURS || !r.has(static_cast<std::size_t>(colours) * 4)) {
      SLOG("ReadDibBitmapInfo", SLOG_ERROR, "colour count %d refused", colours);
      return nullptr;
    }
    table.resize(static_cast<std::size_t>(colours) * 4);
    r.bytes(table.data(), table.size());
  } else {
    SLOG("ReadDibBitmapInfo", SLOG_ERROR, "header size %u refused", bi.biSize);
    return nullptr;
  }
  if (!r.ok() || bi.biWidth <= 0 || bi.biHeight == 0 ||
      bi.biHeight == std::numeric_limits<int32_t>::min() || !known_bit_count(bi.biBitCount)) {
    SLOG("ReadDibBitmapInfo", SLOG_ERROR, "header refused");
    return nullptr;
  }
  if (bi.biSizeImage == 0 && bi.biCompression == 0) {
    const int64_t rows = bi.biHeight < 0 ? -int64_t(bi.biHeight) : bi.biHeight;
    const uint64_t image = DibRowBytes(bi.biWidth, bi.biBitCount) * static_cast<uint64_t>(rows);
    bi.biSizeImage = image > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(image);
  }
  if (bi.biClrUsed == 0) bi.biClrUsed = static_cast<uint32_t>(colours);
  if (off_bits != 0) {
    if (off_bits < r.pos() - start || start + off_bits > r.size()) {
      SLOG("ReadDibBitmapInfo", SLOG_ERROR, "row offset %u outside the file", off_bits);
      return nullptr;
    }
    r.seek(start + off_bits);
  }
  HDIB dib = new_block(DIB_INFO_HEADER_SIZE + table.size());
  if (!dib) return nullptr;
  ByteWriter w;
  put_header(w, bi);
  w.bytes(table.data(), table.size());
  std::memcpy(dib->bytes.data(), w.buffer().data(), w.size());
  return dib;
}

int OpenDIBFile(const char* path, HDIB* out) {
  if (out) out->reset();
  std::vector<uint8_t> file;
  if (path == nullptr || out == nullptr ||
      !io_read_whole_file(path, file, DIB_MAX_IMAGE_BYTES + 65536)) {
    SLOG("OpenDIBFile", SLOG_ERROR, "cannot open <%s>", path ? path : "");
    return -1;
  }
  ByteReader r(file);
  HDIB head = ReadDibBitmapInfo(r);
  BITMAPINFOHEADER bi;
  if (!head || !block_header(head.get(), &bi)) return -2;
  if (bi.biCompression != 0) {
    SLOG("OpenDIBFile", SLOG_ERROR, "compressed bitmap refused");
    return -3;
  }
  const int64_t rows = bi.biHeight < 0 ? -int64_t(bi.biHeight) : bi.biHeight;
  const uint64_t image = DibRowBytes(bi.biWidth, bi.biBitCount) * static_cast<uint64_t>(rows);
  if (image > DIB_MAX_IMAGE_BYTES || image > r.remaining()) {
    SLOG("OpenDIBFile", SLOG_ERROR, "rows of %llu bytes, file holds %zu",
         static_cast<unsigned long long>(image), r.remaining());
    return -2;
  }
  const std::size_t head_bytes = head->bytes.size();
  try {
    head->bytes.resize(head_bytes + static_cast<std::size_t>(image));
  } catch (const std::bad_alloc&) {
    return -4;
  }
  r.bytes(head->bytes.data() + head_bytes, static_cast<std::size_t>(image));
  // The block's header names the rows it really holds.
  ByteWriter w;
  bi.biSizeImage = static_cast<uint32_t>(image);
  put_header(w, bi);
  std::memcpy(head->bytes.data(), w.buffer().data(), DIB_INFO_HEADER_SIZE);
  *out = std::move(head);
  return 0;
}
