// Windows bitmap import (files from ImageMagick and hand-built ones) and Fuji image plate
// import (pairs built in the test).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "acq_fixture.h"
#include "acquire/acq_common.h"
#include "file_faults.h"
#include "acquire/io_import.h"
#include "toolkit/tk_test.h"

namespace {

using namespace acqtest;

class BmpImport : public ::testing::Test {
 protected:
  void SetUp() override { TKT_Enable(true); }
  int import(const std::string& bmp, int channel, int* comps_out = nullptr) {
    int comps = 0, w = 0, h = 0, xr = 0, yr = 0;
    if (!io_bmp_check(bmp.c_str(), &comps, &w, &xr, &h, &yr)) return -100;
    if (comps_out) *comps_out = comps;
    return io_bmp_convert(bmp.c_str(), dir.file("b.kes").c_str(), comps != 1, channel, xr, yr, 0);
  }
  vxtest::TempDir dir;
};

// A hand-built 8-bit bitmap of w x h: its palette, its rows (top first), stored top-down when
// asked, and its resolution in pixels per metre.
std::vector<uint8_t> bmp8(int w, int h, const std::vector<uint32_t>& palette_rgb,
                          const std::vector<uint8_t>& top_first, bool top_down, int ppm,
                          uint32_t header_size = 40) {
  const int stride = (w + 3) / 4 * 4;
  const uint32_t colours = static_cast<uint32_t>(palette_rgb.size());
  const uint32_t off = 14 + header_size + 4 * colours;
  const uint32_t size = off + uint32_t(stride) * h;
  std::vector<uint8_t> b;
  auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
  auto u32 = [&](uint32_t v) { u16(v & 0xffff); u16(v >> 16); };
  b.push_back('B');
  b.push_back('M');
  u32(size);
  u32(0);
  u32(off);
  u32(header_size);
  u32(uint32_t(w));
  u32(uint32_t(top_down ? -h : h));
  u16(1);
  u16(8);
  u32(0);
  u32(uint32_t(stride) * h);
  u32(uint32_t(ppm));
  u32(uint32_t(ppm));
  u32(colours);
  u32(0);
  // The longer headers' masks, colour space and profile fields: bytes the reader must pass over.
  for (uint32_t i = 40; i < header_size; ++i) b.push_back(uint8_t(0xA5 ^ i));
  for (uint32_t c : palette_rgb) {
    b.push_back(uint8_t(c));        // blue
    b.push_back(uint8_t(c >> 8));   // green
    b.push_back(uint8_t(c >> 16));  // red
    b.push_back(0);
  }
  for (int r = 0; r < h; ++r) {
    const int y = top_down ? r : h - 1 - r;
    for (int x = 0; x < stride; ++x) b.push_back(x < w ? top_first[std::size_t(y) * w + x] : 0);
  }
  return b;
}

TEST_F(BmpImport, ImageMagickFilesAndTheChannels) {
  const int w = 23, h = 11;
  const std::vector<uint8_t> grey = pattern(std::size_t(w) * h, 21);
  write_file(dir.file("g.gray"), grey);
  ASSERT_TRUE(run("convert -size 23x11 -depth 8 gray:" + q(dir.file("g.gray")) +
                  " -type Palette -compress none BMP3:" + q(dir.file("g.bmp"))));
  int comps = 0;
  ASSERT_EQ(import(dir.file("g.bmp"), 0, &comps), 0);
  EXPECT_EQ(comps, 1);
  // An 8-bit grey bitmap is stored byte for byte (the palette's greys as ImageMagick reads them).
  ASSERT_TRUE(run("convert " + q(dir.file("g.bmp")) + " -depth 8 gray:" + q(dir.file("ref.gray"))));
  std::vector<uint8_t> ref;
  ASSERT_TRUE(io_read_whole_file(dir.file("ref.gray").c_str(), ref));
  EXPECT_EQ(read_kes(dir.file("b.kes")).v, std::vector<int>(ref.begin(), ref.end()));
  EXPECT_EQ(read_info(dir.file("b.kes")).h.device, 35);

  const std::vector<uint8_t> rgb = pattern(std::size_t(w) * h * 3, 22);
  write_file(dir.file("c.rgb"), rgb);
  ASSERT_TRUE(run("convert -size 23x11 -depth 8 rgb:" + q(dir.file("c.rgb")) +
                  " -type TrueColor BMP3:" + q(dir.file("c.bmp"))));
  for (int channel = 1; channel <= 4; ++channel) {
    SCOPED_TRACE(channel);
    ASSERT_EQ(import(dir.file("c.bmp"), channel, &comps), 0);
    EXPECT_EQ(comps, 3);
    std::vector<int> want;
    for (int i = 0; i < w * h; ++i) {
      const uint8_t* p = &rgb[std::size_t(i) * 3];  // red, green, blue
      // Channels 1 to 3 are red, green, blue; the bitmap routines' mix weighs blue by 5.
      want.push_back(channel == 4 ? (5 * p[2] + 2 * p[1] + p[0]) >> 3 : p[channel - 1]);
    }
    EXPECT_EQ(read_kes(dir.file("b.kes")).v, want);
  }
  EXPECT_EQ(acq_dib_channel(1), 3);
  EXPECT_EQ(acq_dib_channel(3), 1);
  EXPECT_EQ(acq_dib_channel(4), 4);
}

TEST_F(BmpImport, PalettesRowOrderAndResolution) {
  const int w = 5, h = 3;
  const std::vector<uint8_t> idx = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 255};
  std::vector<uint32_t> down, colour;
  for (uint32_t i = 0; i < 256; ++i) {
    down.push_back((255 - i) * 0x010101u);
    colour.push_back(i << 16 | (i / 2) << 8 | (255 - i));
  }
  struct Case {
    const char* what;
    const std::vector<uint32_t>& palette;
    bool top_down;
    int ppm, res, scale;
    bool grey_of_index;
  };
  const Case cases[] = {
      {"grey ramp running down, top-down rows", down, true, 11811, 8467, -5, true},
      {"colour palette keeps the index", colour, false, 2835, 3527, -4, false},
      {"no resolution", down, false, 0, 85, -3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_file(dir.file("h.bmp"), bmp8(w, h, c.palette, idx, c.top_down, c.ppm));
    ASSERT_EQ(import(dir.file("h.bmp"), 0), 0);
    const Kes k = read_kes(dir.file("b.kes"));
    EXPECT_EQ(k.height, h);
    std::vector<int> want;
    for (uint8_t i : idx) want.push_back(c.grey_of_index ? 255 - i : i);
    EXPECT_EQ(k.v, want);
    const Info info = read_info(dir.file("b.kes"));
    EXPECT_EQ(info.h.x_res, c.res);
    EXPECT_EQ(info.h.x_scale, c.scale);
    EXPECT_EQ(info.h.min_value, *std::min_element(want.begin(), want.end()));
  }
}

// The 108- and 124-byte headers that current programs write read as the 40-byte one.
TEST_F(BmpImport, LongHeadersOfUncompressedFilesAreRead) {
  const int w = 13, h = 7;
  const std::vector<uint8_t> grey = pattern(std::size_t(w) * h, 31);
  const std::vector<uint8_t> rgb = pattern(std::size_t(w) * h * 3, 32);
  write_file(dir.file("g.gray"), grey);
  write_file(dir.file("c.rgb"), rgb);
  // ImageMagick's own BMP writes the 124-byte header.
  ASSERT_TRUE(run("convert -size 13x7 -depth 8 gray:" + q(dir.file("g.gray")) +
                  " -type Palette -compress none BMP:" + q(dir.file("g.bmp"))));
  ASSERT_TRUE(run("convert -size 13x7 -depth 8 rgb:" + q(dir.file("c.rgb")) +
                  " -type TrueColor BMP:" + q(dir.file("c.bmp"))));
  std::vector<uint8_t> bytes;
  for (const char* f : {"g.bmp", "c.bmp"}) {
    ASSERT_TRUE(io_read_whole_file(dir.file(f).c_str(), bytes));
    ASSERT_EQ(bytes[14], 124) << f;
  }
  ASSERT_EQ(import(dir.file("g.bmp"), 0), 0);
  ASSERT_TRUE(run("convert " + q(dir.file("g.bmp")) + " -depth 8 gray:" + q(dir.file("ref.gray"))));
  std::vector<uint8_t> ref;
  ASSERT_TRUE(io_read_whole_file(dir.file("ref.gray").c_str(), ref));
  EXPECT_EQ(read_kes(dir.file("b.kes")).v, std::vector<int>(ref.begin(), ref.end()));
  ASSERT_EQ(import(dir.file("c.bmp"), 2), 0);
  std::vector<int> green;
  for (int i = 0; i < w * h; ++i) green.push_back(rgb[std::size_t(i) * 3 + 1]);
  EXPECT_EQ(read_kes(dir.file("b.kes")).v, green);

  // Hand-built: the palette after the longer header, whatever its extra fields hold.
  std::vector<uint32_t> colour;
  for (uint32_t i = 0; i < 256; ++i) colour.push_back(i << 16 | (255 - i));
  const std::vector<uint8_t> idx = pattern(std::size_t(w) * h, 33);
  for (uint32_t size : {108u, 124u}) {
    SCOPED_TRACE(size);
    write_file(dir.file("h.bmp"), bmp8(w, h, colour, idx, false, 2835, size));
    ASSERT_EQ(import(dir.file("h.bmp"), 0), 0);
    EXPECT_EQ(read_kes(dir.file("b.kes")).v, std::vector<int>(idx.begin(), idx.end()));
  }
  // Other header sizes stay refused.
  write_file(dir.file("h.bmp"), bmp8(w, h, colour, idx, false, 2835, 64));
  EXPECT_EQ(import(dir.file("h.bmp"), 0), -100);
}

TEST_F(BmpImport, OtherBitCountsAndCompressionAreRefusedAtTheCheck) {
  write_file(dir.file("g.gray"), pattern(64, 5));
  for (const char* args : {"-depth 8 -type Palette -compress RLE BMP3:", "-type TrueColorAlpha BMP:",
                           "-define bmp:subtype=RGB565 BMP:", "-type Bilevel BMP3:"}) {
    SCOPED_TRACE(args);
    ASSERT_TRUE(run("convert -size 8x8 -depth 8 gray:" + q(dir.file("g.gray")) + " " +
                    std::string(args) + q(dir.file("x.bmp"))));
    EXPECT_EQ(import(dir.file("x.bmp"), 4), -100);
  }
  write_file(dir.file("ok.bmp"), bmp8(4, 4, {0, 0x010101}, std::vector<uint8_t>(16, 1), false, 0));
  EXPECT_EQ(import(dir.file("missing.bmp"), 4), -100);
  vxtest::FileFaults full({12});  // the header is written, the rows are not
  EXPECT_EQ(import(dir.file("ok.bmp"), 4), 20);
}

// --- Fuji.

class FujiImport : public ::testing::Test {
 protected:
  void SetUp() override { TKT_Enable(true); }
  // Writes name.inf with the lines given and name.img with `rows` rows of width values.
  std::string pair(const std::vector<std::string>& lines, int width, int rows, int bpp,
                   const std::string& name = "plate") {
    std::ofstream inf(dir.file(name + ".inf"));
    for (const std::string& l : lines) inf << l << "\r\n";
    std::vector<uint8_t> img;
    for (int i = 0; i < width * rows; ++i) {
      const int v = (i * 37) % (bpp == 1 ? 256 : 65536);
      img.push_back(uint8_t(v));
      if (bpp == 2) img.push_back(uint8_t(v >> 8));
    }
    write_file(dir.file(name + ".img"), img);
    return dir.file(name + ".img");
  }
  static std::vector<std::string> header(const std::string& type, int size1, int size2, int bits,
                                         int w, int h, int sensitivity, double latitude,
                                         int lines = 15) {
    std::vector<std::string> l = {type, "plate one", "20x25", std::to_string(size1),
                                  std::to_string(size2), std::to_string(bits), std::to_string(w),
                                  std::to_string(h), std::to_string(sensitivity),
                                  std::to_string(latitude), "Mon Jan 1 2024", "1704067200", "",
                                  "", "comment", "extra line"};
    l.resize(lines);
    return l;
  }
  vxtest::TempDir dir;
};

TEST_F(FujiImport, HeaderLookupAndRows) {
  // 16-bit BAS, latitude 5, sensitivity 4000: the middle value 32768 is 100.0.
  const std::string img = pair(header("BAS_IMAGE_FILE", 100, 100, 16, 7, 3, 4000, 5.0), 7, 3, 2);
  ASSERT_EQ(io_fuji_convert(img.c_str(), dir.file("f.kes").c_str()), 0);
  const Info info = read_info(dir.file("f.kes"));
  ASSERT_EQ(info.val.size(), 65536u);
  EXPECT_NEAR(info.val[32768], 100.0, 1e-9);
  EXPECT_EQ(info.val[0], 0.0);
  EXPECT_EQ(info.range, 65535);
  EXPECT_EQ(info.h.device, 7);
  EXPECT_EQ(info.h.x_res, 100);
  EXPECT_EQ(info.h.x_scale, -3);
  const Kes k = read_kes(dir.file("f.kes"));
  EXPECT_EQ(k.bpp, 2);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(k.v[i], (i * 37) % 65536);
  EXPECT_EQ(info.h.min_value, 0);
  EXPECT_EQ(info.h.max_value, 20 * 37);

  // A CCD file maps every value to itself; 8-bit rows are stored unchanged and their range is
  // that of the stored values.
  const std::string ccd = pair(header("CCD_IMAGE_FILE", 50, 50, 8, 9, 4, 0, 4.0), 9, 4, 1, "ccd");
  ASSERT_EQ(io_fuji_convert(ccd.c_str(), dir.file("c.kes").c_str()), 0);
  const Info ci = read_info(dir.file("c.kes"));
  ASSERT_EQ(ci.val.size(), 256u);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(ci.val[i], i);
  const Kes ck = read_kes(dir.file("c.kes"));
  EXPECT_EQ(ci.h.min_value, *std::min_element(ck.v.begin(), ck.v.end()));
  EXPECT_EQ(ci.h.max_value, *std::max_element(ck.v.begin(), ck.v.end()));
  for (int i = 0; i < 36; ++i) EXPECT_EQ(ck.v[i], (i * 37) % 256);
}

TEST_F(FujiImport, RefusedHeadersAndFiles) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    int rows_in_file;
  };
  const Case cases[] = {
      {"14 lines", header("FLA_IMAGE_FILE", 100, 100, 16, 4, 2, 4000, 5, 14), 2},
      {"pixel sizes differ", header("FLA_IMAGE_FILE", 100, 50, 16, 4, 2, 4000, 5), 2},
      {"unknown type", header("XYZ_IMAGE_FILE", 100, 100, 16, 4, 2, 4000, 5), 2},
      {"7 bits", header("FLA_IMAGE_FILE", 100, 100, 7, 4, 2, 4000, 5), 2},
      {"17 bits", header("FLA_IMAGE_FILE", 100, 100, 17, 4, 2, 4000, 5), 2},
      {"sensitivity 0", header("BAS_IMAGE_FILE", 100, 100, 16, 4, 2, 0, 5), 2},
      {"width 0", header("BAS_IMAGE_FILE", 100, 100, 16, 0, 2, 4000, 5), 2},
      {"negative height", header("BAS_IMAGE_FILE", 100, 100, 16, 4, -2, 4000, 5), 2},
      {"rows beyond the image file", header("BAS_IMAGE_FILE", 100, 100, 16, 4, 3, 4000, 5), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string img = pair(c.lines, 4, c.rows_in_file, 2);
    std::remove(dir.file("r.kes").c_str());
    EXPECT_EQ(io_fuji_convert(img.c_str(), dir.file("r.kes").c_str()), -1);
  }
  // Exactly 15 lines are enough.
  const std::string ok = pair(header("FLA_IMAGE_FILE", 100, 100, 16, 4, 2, 4000, 5), 4, 2, 2);
  EXPECT_EQ(io_fuji_convert(ok.c_str(), dir.file("r.kes").c_str()), 0);
  // A missing partner, a name without a four-character extension, a failed write.
  std::remove(dir.file("plate.inf").c_str());
  EXPECT_EQ(io_fuji_convert(ok.c_str(), dir.file("r.kes").c_str()), -1);
  EXPECT_EQ(io_fuji_convert(dir.file("img").c_str(), dir.file("r.kes").c_str()), -1);
  const std::string again = pair(header("FLA_IMAGE_FILE", 100, 100, 16, 4, 2, 4000, 5), 4, 2, 2);
  vxtest::FileFaults full({20});  // the header and part of the first row
  EXPECT_EQ(io_fuji_convert(again.c_str(), dir.file("r.kes").c_str()), IO_IMPORT_WRITE_FAILED);
}

}  // namespace
