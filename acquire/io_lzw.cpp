// The TIFF strip decoder: LZW as TIFF writes it. Every table entry is a string that the
// decoder has already written whole: a new entry is the previous code's string followed by one
// byte, and those bytes stand side by side in the output, where the previous string was written
// and the current one begins. So an entry is kept as a place and a length in the output (the
// 256 literal entries point into a fixed table of the byte values), and adding one copies
// nothing. Entries never reach past the output: the current string starts inside it.
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

struct Entry {
  const uint8_t* bytes;
  uint32_t length;
};

// The byte values, the strings of the literal codes.
struct Literals {
  uint8_t b[256];
  Literals() {
    for (int i = 0; i < 256; ++i) b[i] = static_cast<uint8_t>(i);
  }
};
const Literals kLiterals;

// One strip's decoder state: the table, its next free code and the code width.
struct Lzw {
  Entry* table = nullptr;
  int free_code = 0;
  int width = 9;

  void init_table() {
    if (free_code == C_firstFree) return;
    for (int c = 0; c < 256; ++c) table[c] = {kLiterals.b + c, 1};
    table[C_clear] = {nullptr, 0};
    table[C_end] = {nullptr, 0};
    free_code = C_firstFree;
    width = 9;
  }

  // Stores the string of `prev` followed by one byte, which stands right after it at `at` in the
  // output, at the next free code.
  bool add_string(int prev, int code, const uint8_t* at) {
    if (free_code >= C_maxTab) return false;
    if (prev > free_code || code > free_code) return false;
    table[free_code] = {at, table[prev].length + 1};
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

BOOL lzw_decompress(uint8_t* output, long output_length, const uint8_t* input,
                    long input_length, BOOL trace, long* produced) {
  static const char* fn = "lzw_decompress";
  if (produced) *produced = 0;
  Entry table[C_maxTab];
  Lzw z;
  z.table = table;
  z.init_table();
  CodeReader reader(input, input_length);
  if (trace) SLOG(fn, SLOG_VALUE4, "strip of %ld bytes into %ld", input_length, output_length);

  long pos = 0;
  const long out_len = output_length > 0 ? output_length : 0;
  int prev = -1;           // no previous code: the start of the strip, or just after a clear
  long prev_at = 0;        // where the previous code's string was written
  int code = 0;
  bool ended = false;
  if (!reader.get(z.width, &code)) return FALSE;
  if (code == C_end) ended = true;
  while (!ended && pos < out_len) {
    if (code == C_clear) {
      z.init_table();
      prev = -1;
      if (!reader.get(z.width, &code)) break;
      if (code == C_end) ended = true;
      continue;  // a further clear is taken at the top again
    }
    const long at = pos;
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
    } else {
      // A code in the table, or the one being made (KwKwK: the previous string followed by its
      // own first byte, which the copy of the previous string puts in place).
      const bool kwkwk = code == z.free_code;
      const Entry& e = z.table[kwkwk ? prev : code];
      if (e.length == 0) break;  // the end code where a string belongs
      long n = e.length < uint32_t(out_len - pos) ? long(e.length) : out_len - pos;
      const uint8_t* src = e.bytes;
      uint8_t* dst = output + pos;
      if (n <= 16) {
        for (long k = 0; k < n; ++k) dst[k] = src[k];
      } else {
        std::memcpy(dst, src, static_cast<std::size_t>(n));
      }
      pos += n;
      if (kwkwk && pos < out_len) {
        output[pos] = src[0];
        ++pos;
      }
      if (!z.add_string(prev, code, output + prev_at)) break;
    }
    prev = code;
    prev_at = at;
    if (!reader.get(z.width, &code)) break;
    if (code == C_end) ended = true;
  }
  // An encoder whose table fills just as the strip ends writes a clear code (at the width it
  // had reached) before the end code, which then comes at 9 bits.
  if (!ended && pos >= out_len && code == C_clear) {
    z.init_table();
    if (reader.get(z.width, &code) && code == C_end) ended = true;
  }
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
    if (input_length < 0 || output_length < 0) return -1;
    static long s_strips = 0;  // the first strip of the run is traced
    long produced = 0;
    const BOOL ok =
        lzw_decompress(output, output_length, input, input_length, s_strips++ == 0, &produced);
    return ok && produced == output_length ? 0 : IO_IMPORT_BAD_STRIP;
  }
  return IO_IMPORT_BAD_COMPRESSION;
}
