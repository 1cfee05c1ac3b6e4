// Bounded byte reader and byte writer for every stored format, and the file helpers that go
// with them.
//
// Stored files are serialised field by field through these two classes, never as raw structs:
// - ByteReader walks a block of bytes that is already in memory. Every read is checked against
//   the bytes that are really there; a read that would run past the end fails, yields 0 and
//   leaves the reader failed (ok() false) for good, so a parser may read a whole group of fields
//   and test ok() once.
// - ByteWriter appends to a growing buffer; the file is written from it in one go, through
//   io_write_file_replace, so that a failed write never destroys the previous file.
// Both take the byte order of the file: little-endian ("II" files) unless told big-endian ("MM").
#pragma once

#include "base/io_file.h"  // io_file_exists and the file-name builders

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, std::size_t size, bool big_endian = false)
      : data_(data), size_(data ? size : 0), big_(big_endian) {}
  explicit ByteReader(const std::vector<uint8_t>& v, bool big_endian = false)
      : ByteReader(v.data(), v.size(), big_endian) {}

  bool big_endian() const { return big_; }
  void set_big_endian(bool b) { big_ = b; }
  bool ok() const { return ok_; }
  void fail() { ok_ = false; }
  std::size_t pos() const { return pos_; }
  std::size_t size() const { return size_; }
  std::size_t remaining() const { return size_ - pos_; }
  bool at_end() const { return pos_ >= size_; }
  const uint8_t* data() const { return data_; }
  // Pointer to the current position (valid for remaining() bytes).
  const uint8_t* here() const { return data_ ? data_ + pos_ : nullptr; }

  // Moves to an absolute position; a position beyond the end fails.
  bool seek(std::size_t p) {
    if (p > size_) return fail_now();
    pos_ = p;
    return ok_;
  }
  bool skip(std::size_t n) {
    if (n > remaining()) return fail_now();
    pos_ += n;
    return ok_;
  }
  // True when n more bytes are there (does not fail the reader).
  bool has(std::size_t n) const { return ok_ && n <= remaining(); }

  bool u8(uint8_t& v) { return get(&v, 1); }
  bool i8(int8_t& v) {
    uint8_t b = 0;
    bool r = get(&b, 1);
    v = static_cast<int8_t>(b);
    return r;
  }
  bool u16(uint16_t& v) {
    uint8_t b[2] = {0, 0};
    bool r = get(b, 2);
    v = big_ ? uint16_t(b[0] << 8 | b[1]) : uint16_t(b[1] << 8 | b[0]);
    if (!r) v = 0;
    return r;
  }
  bool i16(int16_t& v) {
    uint16_t u = 0;
    bool r = u16(u);
    v = static_cast<int16_t>(u);
    return r;
  }
  bool u32(uint32_t& v) {
    uint8_t b[4] = {0, 0, 0, 0};
    bool r = get(b, 4);
    v = big_ ? (uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3])
             : (uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0]);
    if (!r) v = 0;
    return r;
  }
  bool i32(int32_t& v) {
    uint32_t u = 0;
    bool r = u32(u);
    v = static_cast<int32_t>(u);
    return r;
  }
  bool u64(uint64_t& v) {
    uint8_t b[8] = {};
    bool r = get(b, 8);
    v = 0;
    if (!r) return false;
    for (int i = 0; i < 8; ++i) v = v << 8 | b[big_ ? i : 7 - i];
    return true;
  }
  bool f64(double& v) {
    uint64_t u = 0;
    bool r = u64(u);
    std::memcpy(&v, &u, 8);
    return r;
  }
  bool f32(float& v) {
    uint32_t u = 0;
    bool r = u32(u);
    std::memcpy(&v, &u, 4);
    return r;
  }
  // Copies n raw bytes (no byte-order change).
  bool bytes(void* dst, std::size_t n) { return get(dst, n); }
  // Reads a fixed-width text field of `width` bytes into dst (dst_size bytes): at most
  // dst_size - 1 characters are kept and dst is always terminated, also when the field is full.
  bool text(char* dst, std::size_t dst_size, std::size_t width) {
    if (!has(width)) {
      if (dst && dst_size) dst[0] = 0;
      return fail_now();
    }
    if (dst && dst_size) {
      std::size_t n = width < dst_size - 1 ? width : dst_size - 1;
      std::memcpy(dst, data_ + pos_, n);
      dst[n] = 0;
      std::size_t len = strnlen(dst, n);
      std::memset(dst + len, 0, dst_size - len);
    }
    pos_ += width;
    return ok_;
  }

 private:
  bool fail_now() {
    ok_ = false;
    return false;
  }
  bool get(void* dst, std::size_t n) {
    if (!ok_ || n > remaining()) {
      if (dst && n) std::memset(dst, 0, n);
      return fail_now();
    }
    if (n) std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
    return true;
  }

  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  bool big_ = false;
  bool ok_ = true;
};

class ByteWriter {
 public:
  explicit ByteWriter(bool big_endian = false) : big_(big_endian) {}

  bool big_endian() const { return big_; }
  std::size_t size() const { return buf_.size(); }
  const std::vector<uint8_t>& buffer() const { return buf_; }
  std::vector<uint8_t>& buffer() { return buf_; }
  const uint8_t* data() const { return buf_.data(); }
  void clear() { buf_.clear(); }

  void u8(uint8_t v) { buf_.push_back(v); }
  void i8(int8_t v) { buf_.push_back(static_cast<uint8_t>(v)); }
  void u16(uint16_t v) {
    uint8_t b[2];
    put16(b, v);
    buf_.insert(buf_.end(), b, b + 2);
  }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void u32(uint32_t v) {
    uint8_t b[4];
    put32(b, v);
    buf_.insert(buf_.end(), b, b + 4);
  }
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void u64(uint64_t v) {
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[big_ ? 7 - i : i] = uint8_t(v >> (8 * i));
    buf_.insert(buf_.end(), b, b + 8);
  }
  void f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    u64(u);
  }
  void f32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    u32(u);
  }
  void bytes(const void* src, std::size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(src);
    if (n) buf_.insert(buf_.end(), p, p + n);
  }
  void zeros(std::size_t n) { buf_.insert(buf_.end(), n, 0); }
  // Writes a fixed-width text field: the text's characters up to its terminator (at most
  // `width`), padded with NULs to `width` bytes.
  void text(const char* s, std::size_t width) {
    std::size_t n = s ? strnlen(s, width) : 0;
    bytes(s, n);
    zeros(width - n);
  }
  // Overwrites a 32-bit integer written earlier at `pos` (a placeholder filled in later).
  void patch_i32(std::size_t pos, int32_t v) {
    if (pos + 4 > buf_.size()) return;
    put32(buf_.data() + pos, static_cast<uint32_t>(v));
  }

 private:
  void put16(uint8_t* b, uint16_t v) const {
    if (big_) {
      b[0] = uint8_t(v >> 8);
      b[1] = uint8_t(v);
    } else {
      b[0] = uint8_t(v);
      b[1] = uint8_t(v >> 8);
    }
  }
  void put32(uint8_t* b, uint32_t v) const {
    for (int i = 0; i < 4; ++i) b[big_ ? 3 - i : i] = uint8_t(v >> (8 * i));
  }

  std::vector<uint8_t> buf_;
  bool big_ = false;
};

// Reads a whole file into `out`. False when it cannot be opened or read, or when it is larger
// than max_bytes (then `out` is left empty).
bool io_read_whole_file(const char* path, std::vector<uint8_t>& out,
                        std::size_t max_bytes = SIZE_MAX);

// Writes `n` bytes as the new content of `path`: they go to a temporary file beside it, which is
// flushed to disk and then renamed over `path`. On any failure the temporary file is removed,
// the previous file (if any) is untouched, and the result is false.
bool io_write_file_replace(const char* path, const void* data, std::size_t n);
inline bool io_write_file_replace(const char* path, const std::vector<uint8_t>& bytes) {
  return io_write_file_replace(path, bytes.data(), bytes.size());
}

// A file opened for reading at chosen offsets (large pixel files are read row by row rather
// than whole). Closed by its destructor.
class InFile {
 public:
  InFile() = default;
  ~InFile();
  InFile(const InFile&) = delete;
  InFile& operator=(const InFile&) = delete;

  bool open(const char* path);
  void close();
  bool is_open() const { return fd_ >= 0; }
  uint64_t size() const { return size_; }
  // Reads exactly n bytes at offset `off`; false on a short or failed read.
  bool read_at(uint64_t off, void* dst, std::size_t n);

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};
