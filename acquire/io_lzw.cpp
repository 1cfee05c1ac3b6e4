// The TIFF strip decoder: LZW as TIFF writes it. The string table holds each entry's bytes
// whole, taken from a pool of fixed blocks that is freed in one go when the strip is done, so
// a strip costs a handful of allocations.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "acquire/io_import.h"
#include "acquire/io_tiff.h"
#include "base/slog.h"

namespace {

constexpr int C_clear = 256;
constexpr int C_end = 257;
constexpr int C_firstFree = 258;
constexpr int C_maxTab = 4096;
constexpr int C_poolBlock = 8196;

// The string pool: blocks of C_poolBlock bytes; nothing is given back until the reset.
struct PoolBlock {
  uint8_t bytes[C_poolBlock];
  uint16_t used = 0;
};

class StringPool {
 public:
  uint8_t* alloc(int n) {
    if (n <= 0 || n > C_poolBlock) return nullptr;
    if (blocks_.empty() || blocks_.back()->used + n > C_poolBlock) {
      blocks_.push_back(std::make_unique<PoolBlock>());
    }
    PoolBlock& b = *blocks_.back();
    uint8_t* p = b.bytes + b.used;
    b.used = static_cast<uint16_t>(b.used + n);
    return p;
  }
  void reset() { blocks_.clear(); }

 private:
  std::vector<std::unique_ptr<PoolBlock>> blocks_;
};

struct Entry {
  const uint8_t* bytes;
  uint16_t length;
};

// One strip's decoder state: the table, its next free code and the code width.
struct Lzw {
  Entry* table = nullptr;
  int free_code = 0;
  int width = 9;
  StringPool pool;

  bool init_table() {
    if (free_code == C_firstFree) return true;
    pool.reset();
    for (int c = 0; c < 256; ++c) {
      uint8_t* p = pool.alloc(1);
      if (p == nullptr) return false;
      *p = static_cast<uint8_t>(c);
      table[c] = {p, 1};
    }
    table[C_clear] = {nullptr, 0};
    table[C_end] = {nullptr, 0};
    free_code = C_firstFree;
    width = 9;
    return true;
  }

  // Stores the string of code0 followed by the first byte of code1 at the next free code.
  bool add_string(int code0, int code1) {
    if (free_code >= C_maxTab) return false;
    if (code0 > free_code || code1 > free_code) return false;
    const Entry& e0 = table[code0];
    const Entry& e1 = table[code1];
    if (e1.length == 0 && code1 != code0) return false;
    const int n = e0.length + 1;
    uint8_t* p = pool.alloc(n);
    if (p == nullptr) return false;
    std::memcpy(p, e0.bytes, e0.length);
    p[e0.length] = code1 == code0 ? e0.bytes[0] : e1.bytes[0];
    table[free_code] = {p, static_cast<uint16_t>(n)};
    const int added = free_code++;
    if (added == 510) width = 10;
    else if (added == 1022) width = 11;
    else if (added == 2046) width = 12;
    return true;
  }
};

// Codes most significant bit first. Equivalent to taking the bits one byte at a time through
// a shift register, but with a wider accumulator: a code is there only when all its bits are.
class CodeReader {
 public:
  CodeReader(const uint8_t* in, long n) : p_(in), end_(in + (n > 0 ? n : 0)) {}
  bool get(int bits, int* code) {
    while (have_ < bits) {
      if (p_ == end_) return false;
      acc_ = acc_ << 8 | *p_++;
      have_ += 8;
    }
    have_ -= bits;
    *code = static_cast<int>((acc_ >> have_) & ((1u << bits) - 1));
    return true;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  uint32_t acc_ = 0;
  int have_ = 0;
};

}  // namespace

BOOL lzw_decompress(uint8_t* output, uint16_t output_length, const uint8_t* input,
                    long input_length, BOOL trace, long* produced) {
  static const char* fn = "lzw_decompress";
  if (produced) *produced = 0;
  std::unique_ptr<Entry[]> table(new (std::nothrow) Entry[C_maxTab]);
  if (!table) return FALSE;
  Lzw z;
  z.table = table.get();
  if (!z.init_table()) return FALSE;
  CodeReader reader(input, input_length);
  if (trace) SLOG(fn, SLOG_VALUE4, "strip of %ld bytes into %u", input_length, output_length);

  long pos = 0;
  const long out_len = output_length;
  int prev = -1;  // no previous code: the start of the strip, or just after a clear
  int code = 0;
  bool ended = false;
  if (!reader.get(z.width, &code)) return FALSE;
  if (code == C_end) ended = true;
  while (!ended && pos < out_len) {
    if (code == C_clear) {
      if (!z.init_table()) break;
      prev = -1;
      if (!reader.get(z.width, &code)) break;
      if (code == C_end) ended = true;
      continue;  // a further clear is taken at the top again
    }
    if (prev < 0) {
      // After a clear only a literal can follow; it starts the next string and adds nothing.
      if (code > 255) {
        if (trace) SLOG(fn, SLOG_WARN, "code %d with no previous code", code);
        break;
      }
      output[pos++] = static_cast<uint8_t>(code);
    } else if (code > z.free_code) {
      if (trace) SLOG(fn, SLOG_WARN, "code %d above the next free code %d", code, z.free_code);
      break;
    } else if (code == z.free_code) {
      // KwKwK: the previous string followed by its own first byte.
      const Entry& e = z.table[prev];
      long n = e.length < out_len - pos ? e.length : out_len - pos;
      std::memcpy(output + pos, e.bytes, n);
      pos += n;
      if (pos < out_len) output[pos++] = e.bytes[0];
      if (!z.add_string(prev, prev)) break;
    } else {
      const Entry& e = z.table[code];
      if (e.length == 0) break;  // the end code where a string belongs
      long n = e.length < out_len - pos ? e.length : out_len - pos;
      std::memcpy(output + pos, e.bytes, n);
      pos += n;
      if (!z.add_string(prev, code)) break;
    }
    prev = code;
    if (!reader.get(z.width, &code)) break;
    if (code == C_end) ended = true;
  }
  z.pool.reset();
  if (produced) *produced = pos;
  if (trace) SLOG(fn, SLOG_VALUE4, "%ld bytes, %s", pos, ended ? "end code" : "no end code");
  return ended ? TRUE : FALSE;
}

int io_tiff_decompress_as(int compression, long input_length, uint8_t* output,
                          long output_length, const uint8_t* input) {
  if (compression == 1) {
    const long n = input_length < output_length ? input_length : output_length;
    if (n > 0) std::memcpy(output, input, static_cast<std::size_t>(n));
    return n == output_length ? 0 : IO_IMPORT_BAD_STRIP;
  }
  if (compression == 5) {
    if (input_length >= 65536 || output_length >= 65536 || input_length < 0 || output_length < 0)
      return -1;
    static long s_strips = 0;  // the first strip of the run is traced
    long produced = 0;
    const BOOL ok = lzw_decompress(output, static_cast<uint16_t>(output_length), input,
                                   input_length, s_strips++ == 0, &produced);
    return ok && produced == output_length ? 0 : IO_IMPORT_BAD_STRIP;
  }
  return IO_IMPORT_BAD_COMPRESSION;
}
