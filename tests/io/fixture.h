// Byte fixtures for the file tests, built field by field at explicit offsets or appended in
// order, independently of the byte writer that the code under test uses.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace iofix {

struct Bytes {
  std::vector<uint8_t> b;
  bool big = false;

  explicit Bytes(std::size_t n = 0, bool big_endian = false) : b(n, 0), big(big_endian) {}
  void grow(std::size_t end) {
    if (b.size() < end) b.resize(end, 0);
  }
  void u8(std::size_t off, uint8_t v) {
    grow(off + 1);
    b[off] = v;
  }
  void u16(std::size_t off, uint16_t v) {
    grow(off + 2);
    for (int i = 0; i < 2; ++i) b[off + (big ? 1 - i : i)] = uint8_t(v >> (8 * i));
  }
  void i32(std::size_t off, int64_t v) {
    grow(off + 4);
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) b[off + (big ? 3 - i : i)] = uint8_t(u >> (8 * i));
  }
  void f32(std::size_t off, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    i32(off, u);
  }
  void f64(std::size_t off, double d) {
    grow(off + 8);
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i) b[off + (big ? 7 - i : i)] = uint8_t(u >> (8 * i));
  }
  void str(std::size_t off, const std::string& s) {
    grow(off + s.size());
    std::memcpy(b.data() + off, s.data(), s.size());
  }
  int32_t get32(std::size_t off) const {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= uint32_t(b[off + (big ? 3 - i : i)]) << (8 * i);
    return static_cast<int32_t>(u);
  }
  double getf64(std::size_t off) const {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= uint64_t(b[off + (big ? 7 - i : i)]) << (8 * i);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
  }
};

// The 32-bit word at `off` of a byte array, little-endian unless `big`.
inline int32_t at32(const std::vector<uint8_t>& b, std::size_t off, bool big = false) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t(b[off + (big ? 3 - i : i)]) << (8 * i);
  return static_cast<int32_t>(u);
}

// Stores `v` as the 32-bit word at `off` of an array that already holds it.
inline void put32(std::vector<uint8_t>& b, std::size_t off, uint32_t v, bool big = false) {
  for (int i = 0; i < 4; ++i) b[off + (big ? 3 - i : i)] = uint8_t(v >> (8 * i));
}

// Little-endian fields appended one after another.
struct Pack {
  std::vector<uint8_t> b;
  Pack& i(int32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(uint8_t(uint32_t(v) >> (8 * k)));
    return *this;
  }
  Pack& d(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int k = 0; k < 8; ++k) b.push_back(uint8_t(u >> (8 * k)));
    return *this;
  }
  Pack& s(const std::string& t) {
    b.insert(b.end(), t.begin(), t.end());
    return *this;
  }
  // A text in a NUL-padded field of `width` bytes.
  Pack& text(const char* t, std::size_t width) {
    const std::size_t n = std::strlen(t);
    b.insert(b.end(), t, t + n);
    b.insert(b.end(), width - n, 0);
    return *this;
  }
};

// A container: header ("II" or "MM", num records), tokens and records, laid out one after
// another. Each record is (type, bytes, version, count).
struct Rec {
  int type;
  std::vector<uint8_t> bytes;
  int version = 0;
  int count = 0;
};

inline std::vector<uint8_t> container(const std::vector<Rec>& recs, bool big = false) {
  Bytes out(28, big);
  out.u8(0, big ? 'M' : 'I');
  out.u8(1, big ? 'M' : 'I');
  out.i32(8, static_cast<int64_t>(recs.size()));
  std::size_t off = 28 + 20 * recs.size();
  for (std::size_t i = 0; i < recs.size(); ++i) {
    const std::size_t t = 28 + 20 * i;
    out.i32(t, recs[i].type);
    out.i32(t + 4, static_cast<int64_t>(off));
    out.i32(t + 8, static_cast<int64_t>(recs[i].bytes.size()));
    out.i32(t + 12, recs[i].version);
    out.i32(t + 16, recs[i].count);
    off += recs[i].bytes.size();
  }
  out.grow(28 + 20 * recs.size());
  for (const Rec& r : recs) out.b.insert(out.b.end(), r.bytes.begin(), r.bytes.end());
  return out.b;
}

}  // namespace iofix
