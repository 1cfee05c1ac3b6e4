// The TIFF strip decoder: hand-built code streams for the table's edge cases and for corrupt
// input, and strips of noise that libtiff's own encoder wrote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acq_fixture.h"
#include "acquire/io_import.h"
#include "acquire/io_tiff.h"

namespace {

using namespace acqtest;

// Codes of a stream, each with its width, packed most significant bit first.
std::vector<uint8_t> pack(const std::vector<std::pair<int, int>>& codes) {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int have = 0;
  for (auto [code, width] : codes) {
    acc = acc << width | uint32_t(code);
    have += width;
    while (have >= 8) {
      out.push_back(static_cast<uint8_t>(acc >> (have - 8)));
      have -= 8;
    }
  }
  if (have) out.push_back(static_cast<uint8_t>(acc << (8 - have)));
  return out;
}

// A stream of 9-bit codes.
std::vector<uint8_t> nine(const std::vector<int>& codes) {
  std::vector<std::pair<int, int>> c;
  for (int x : codes) c.emplace_back(x, 9);
  return pack(c);
}

struct Decoded {
  bool ok;
  std::string bytes;
};

Decoded decode(const std::vector<uint8_t>& in, int out_len) {
  std::vector<uint8_t> out(out_len + 1, '#');
  long produced = -1;
  const BOOL ok = lzw_decompress(out.data(), out_len, in.data(),
                                 static_cast<long>(in.size()), FALSE, &produced);
  EXPECT_EQ(out[out_len], '#') << "wrote past the output";
  return {ok != FALSE, std::string(out.begin(), out.begin() + produced)};
}

constexpr int C = 256, E = 257;

TEST(Lzw, CodeStreams) {
  struct Case {
    const char* what;
    std::vector<int> codes;
    int out_len;
    bool ok;
    const char* bytes;
  };
  const Case cases[] = {
      {"clear then end: nothing", {C, E}, 10, true, ""},
      {"a string from the table", {C, 'a', 'b', 258, E}, 10, true, "abab"},
      {"KwKwK: the code being made", {C, 'a', 258, 259, E}, 10, true, "aaaaaa"},
      {"a clear in mid-strip restarts the table", {C, 'a', 'b', C, 'c', 'd', 258, E}, 10, true,
       "abcdcd"},
      {"no clear at the start: a literal, nothing added", {'x', 'y', 258, E}, 10, true, "xyxy"},
      {"further clears are passed over", {C, C, C, 'q', E}, 10, true, "q"},
      {"output cut at its length, then the end code", {C, 'a', 'b', 258, E}, 3, true, "aba"},
      {"output full, then a clear and the end code", {C, 'a', 'b', C, E}, 2, true, "ab"},
      // Corrupt streams end the strip (status 80 in the importer).
      {"a table code right after a clear", {C, 258, E}, 10, false, ""},
      {"clear, clear, then the next free code", {C, C, 258, E}, 10, false, ""},
      {"a table code at the start", {259, E}, 10, false, ""},
      {"a code above the next free code", {C, 'a', 'b', 300, E}, 10, false, "ab"},
      {"the input runs out before the end code", {C, 'a', 'b'}, 10, false, "ab"},
      {"output full and more codes follow", {C, 'a', 'b', 'c', E}, 2, false, "ab"},
      {"output full, a clear and more codes", {C, 'a', 'b', C, 'c', E}, 2, false, "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded d = decode(nine(c.codes), c.out_len);
    EXPECT_EQ(d.ok, c.ok);
    EXPECT_EQ(d.bytes, c.bytes);
  }
}

// Codes after the entry 510 is made are 10 bits wide: a stream of 9-bit codes that fills the
// table to 510 and then sends one 10-bit code decodes; read with 9 bits it would not.
TEST(Lzw, CodeWidthGrowsAfterEntry510) {
  std::vector<std::pair<int, int>> codes = {{C, 9}};
  std::string expect;
  // Literals 0..252 alternate so that each adds an entry: after the first, each code adds one.
  // 253 literals after the first make entries 258..510.
  for (int i = 0; i <= 253; ++i) {
    codes.emplace_back(i, 9);
    expect += static_cast<char>(i);
  }
  // Entry 258 is bytes 0,1; sent now with 10 bits.
  codes.emplace_back(258, 10);
  expect += std::string("\x00\x01", 2);
  codes.emplace_back(E, 10);
  const Decoded d = decode(pack(codes), static_cast<int>(expect.size()));
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.bytes, expect);
}

TEST(Lzw, StripStatus) {
  const std::vector<uint8_t> raw = {1, 2, 3, 4, 5, 6};
  std::vector<uint8_t> out(4);
  EXPECT_EQ(io_tiff_decompress_as(1, 6, out.data(), 4, raw.data()), 0);  // cut to the output
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 4}));
  std::vector<uint8_t> big(8, 0xEE);
  // An uncompressed strip shorter than its rows, and an LZW strip ending early, fail.
  EXPECT_EQ(io_tiff_decompress_as(1, 6, big.data(), 8, raw.data()), IO_IMPORT_BAD_STRIP);
  const std::vector<uint8_t> early = nine({C, 'a', E});
  EXPECT_EQ(io_tiff_decompress_as(5, long(early.size()), big.data(), 8, early.data()),
            IO_IMPORT_BAD_STRIP);
  EXPECT_EQ(io_tiff_decompress_as(5, long(early.size()), big.data(), 1, early.data()), 0);
  EXPECT_EQ(io_tiff_decompress_as(5, -1, big.data(), 8, early.data()), -1);
  EXPECT_EQ(io_tiff_decompress_as(5, 3, big.data(), -1, early.data()), -1);
  EXPECT_EQ(io_tiff_decompress_as(32773, 3, big.data(), 8, early.data()), IO_IMPORT_BAD_COMPRESSION);
}

// Strips of 30,000 bytes of noise that libtiff compressed (clear codes in mid-strip, every code
// width) decode bit for bit.
TEST(Lzw, NoiseStripsFromLibtiff) {
  vxtest::TempDir dir;
  const int w = 100, h = 600;
  std::vector<uint8_t> noise(std::size_t(w) * h);
  uint32_t s = 12345;
  for (auto& b : noise) {
    s = s * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(s >> 24);
  }
  ASSERT_TRUE(write_lzw_grey_tiff(dir.file("lzw.tif"), w, h, noise, 300));
  std::vector<uint8_t> f;
  ASSERT_TRUE(io_read_whole_file(dir.file("lzw.tif").c_str(), f));
  const auto strips = tiff_strips(f);
  ASSERT_EQ(strips.size(), 2u);
  for (std::size_t k = 0; k < strips.size(); ++k) {
    const auto [off, count] = strips[k];
    EXPECT_GT(count, 30000u);
    EXPECT_LT(count, 65536u);
    std::vector<uint8_t> out(30000);
    ASSERT_LE(uint64_t(off) + count, f.size());
    EXPECT_EQ(io_tiff_decompress_as(5, count, out.data(), 30000, f.data() + off), 0);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), noise.begin() + k * 30000)) << "strip " << k;
  }
}

}  // namespace
