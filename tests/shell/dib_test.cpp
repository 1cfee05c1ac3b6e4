// DIB blocks and BMP files: making, turning, clipping, grey conversion, writing and reading
// back (also through Qt's own BMP reader), and malformed headers.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <vector>

#include "io/byte_io.h"
#include "shell/dib.h"
#include "test_support.h"

namespace {

// Pixel (x, y) of an 8-bit DIB, y counted from the image's top.
uint8_t px8(const DibBlock& d, int x, int y) {
  BITMAPINFOHEADER bi;
  EXPECT_TRUE(DibInfo(&d, &bi));
  const int rows = bi.biHeight < 0 ? -bi.biHeight : bi.biHeight;
  const int stored = bi.biHeight < 0 ? y : rows - 1 - y;
  return DibBits(&d)[stored * DibRowBytes(bi.biWidth, bi.biBitCount) + x];
}

void set8(DibBlock& d, int x, int y, uint8_t v) {
  BITMAPINFOHEADER bi;
  ASSERT_TRUE(DibInfo(&d, &bi));
  const int rows = bi.biHeight < 0 ? -bi.biHeight : bi.biHeight;
  const int stored = bi.biHeight < 0 ? y : rows - 1 - y;
  DibBits(&d)[stored * DibRowBytes(bi.biWidth, bi.biBitCount) + x] = v;
}

// A w x h 8-bit DIB whose pixel (x, y) is 10 * y + x + 1.
HDIB numbered(int w, int h, bool top_down) {
  HDIB d = MakeDIB("test", top_down ? -h : h, w, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) set8(*d, x, y, static_cast<uint8_t>(10 * y + x + 1));
  return d;
}

TEST(Dib, MakeAcceptsEightSixteenAndTwentyFourBitsOnly) {
  struct Case {
    int bits;
    bool made;
    int colours;
  } cases[] = {{8, true, 256}, {16, true, 0}, {24, true, 0}, {32, false, 0}, {1, false, 0}};
  for (const Case& c : cases) {
    HDIB d = MakeDIB("test", 3, 5, c.bits);
    ASSERT_EQ(d != nullptr, c.made) << c.bits;
    if (!d) continue;
    BITMAPINFOHEADER bi;
    ASSERT_TRUE(DibInfo(d.get(), &bi));
    EXPECT_EQ(DibNumColors(bi), c.colours);
    EXPECT_EQ(bi.biSizeImage, DibRowBytes(5, c.bits) * 3);
    EXPECT_EQ(d->bytes.size(), 40u + 4u * c.colours + bi.biSizeImage);
  }
  HDIB grey = MakeDIB("test", 1, 1, 8);
  EXPECT_EQ(grey->bytes[40 + 4 * 200], 200);  // entry 200 = (200, 200, 200, 0)
  EXPECT_EQ(MakeDIB("test", 0, 5, 8), nullptr);
}

TEST(Dib, RotationMovesPixelsBothWays) {
  // 1 x 3 bottom-up turned clockwise: one row holding the bottom pixel first.
  HDIB col = numbered(1, 3, false);
  HDIB cw = MakeRotatedDib(col.get(), 0);
  ASSERT_NE(cw, nullptr);
  BITMAPINFOHEADER bi;
  ASSERT_TRUE(DibInfo(cw.get(), &bi));
  EXPECT_EQ(bi.biWidth, 3);
  EXPECT_EQ(bi.biHeight, 1);
  EXPECT_EQ(px8(*cw, 0, 0), 21);
  EXPECT_EQ(px8(*cw, 2, 0), 1);

  for (bool top_down : {false, true}) {
    HDIB src = numbered(3, 2, top_down);
    HDIB r0 = MakeRotatedDib(src.get(), 0), r1 = MakeRotatedDib(src.get(), 1);
    ASSERT_TRUE(DibInfo(r0.get(), &bi));
    EXPECT_EQ(bi.biWidth, 2);
    EXPECT_EQ(bi.biHeight, top_down ? -3 : 3);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(px8(*r0, 2 - 1 - y, x), px8(*src, x, y));
        EXPECT_EQ(px8(*r1, y, 3 - 1 - x), px8(*src, x, y));
      }
  }
  EXPECT_EQ(MakeRotatedDib(MakeDIB("t", 2, 2, 24).get(), 0), nullptr);
}

TEST(Dib, PixelsComeOutTopDownWithoutPadding) {
  for (bool top_down : {false, true}) {
    HDIB src = numbered(3, 2, top_down);
    std::vector<uint8_t> px;
    ASSERT_TRUE(GetPixelsFromDIB("test", src.get(), &px));
    EXPECT_EQ(px, (std::vector<uint8_t>{1, 2, 3, 11, 12, 13}));
  }
}

TEST(Dib, ClipCopiesTheRectangleAndRefusesOneOutside) {
  for (bool top_down : {false, true}) {
    HDIB src = numbered(4, 3, top_down);
    HDIB c = ClipDib(src.get(), "test", top_down, 1, 1, 3, 6);  // right beyond the width
    ASSERT_NE(c, nullptr);
    BITMAPINFOHEADER bi;
    ASSERT_TRUE(DibInfo(c.get(), &bi));
    EXPECT_EQ(bi.biWidth, 5);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) EXPECT_EQ(px8(*c, x, y), 10 * (y + 1) + x + 2);
      EXPECT_EQ(px8(*c, 3, y), 0);
      EXPECT_EQ(px8(*c, 4, y), 0);
    }
  }
  HDIB src = numbered(4, 3, false);
  const int bad[][4] = {{-1, 0, 2, 2}, {0, -1, 2, 2}, {0, 0, 4, 2}, {2, 0, 2, 2},
                        {0, 3, 2, 3},  {3, 0, 1, 2},  {0, 0, 100000, 2}};
  for (const auto& r : bad)
    EXPECT_EQ(ClipDib(src.get(), "test", 0, r[0], r[1], r[2], r[3]), nullptr)
        << r[0] << " " << r[1] << " " << r[2] << " " << r[3];
}

TEST(Dib, GreyFromColourTakesChannelsOrTheWeightedSum) {
  HDIB rgb = MakeDIB("test", 1, 2, 24);
  uint8_t* p = DibBits(rgb.get());
  const uint8_t pix[6] = {80, 40, 8, 1, 2, 3};  // blue, green, red
  std::memcpy(p, pix, 6);
  struct Case {
    int channel;
    uint8_t first;
  } cases[] = {{1, 80}, {2, 40}, {3, 8}, {4, 61}};
  for (const Case& c : cases) {
    HDIB g = MakeGrayScaleDibFromColor("test", rgb.get(), c.channel);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(DibBits(g.get())[0], c.first) << c.channel;
  }
  EXPECT_EQ(MakeGrayScaleDibFromColor("test", rgb.get(), 5), nullptr);

  // 48 bits: three 16-bit channels give a 16-bit grey DIB.
  HDIB wide = MakeDIB("test", 1, 1, 24);
  {
    BITMAPINFOHEADER bi;
    DibInfo(wide.get(), &bi);
    ByteWriter w;
    w.u32(40); w.i32(1); w.i32(1); w.u16(1); w.u16(48); w.u32(0); w.u32(8);
    w.i32(0); w.i32(0); w.u32(0); w.u32(0);
    for (uint16_t v : {8000, 4000, 800}) w.u16(v);
    w.u16(0);
    wide->bytes = w.buffer();
  }
  HDIB g16 = MakeGrayScaleDibFromColor("test", wide.get(), 4);
  ASSERT_NE(g16, nullptr);
  const uint8_t* b = DibBits(g16.get());
  EXPECT_EQ(b[0] | b[1] << 8, (5 * 8000 + 2 * 4000 + 800) >> 3);
  // Other bit counts used to be read as 48 bits: now refused.
  EXPECT_EQ(MakeGrayScaleDibFromColor("test", MakeDIB("t", 2, 2, 16).get(), 4), nullptr);
  EXPECT_EQ(MakeGrayScaleDibFromColor("test", MakeDIB("t", 2, 2, 8).get(), 4), nullptr);
}

TEST(Dib, DisplayCopyKeepsTheHighByte) {
  HDIB d = MakeDIB("test", -1, 2, 16);
  uint8_t* p = DibBits(d.get());
  p[0] = 0x34; p[1] = 0x12; p[2] = 0xFF; p[3] = 0xAB;
  HDIB disp = MakeDisplayDib("test", d.get());
  ASSERT_NE(disp, nullptr);
  EXPECT_EQ(px8(*disp, 0, 0), 0x12);
  EXPECT_EQ(px8(*disp, 1, 0), 0xAB);
  HDIB copy = MakeDisplayDib("test", disp.get());
  EXPECT_EQ(copy->bytes, disp->bytes);
}

TEST(Dib, BmpFilesReadBackHereAndInQt) {
  vxtest::TempDir tmp;
  for (bool top_down : {false, true}) {
    HDIB src = numbered(5, 3, top_down);
    const std::string path = tmp.file(top_down ? "td.bmp" : "bu.bmp");
    ASSERT_TRUE(WriteDIBFile(path.c_str(), src.get()));
    HDIB back;
    ASSERT_EQ(OpenDIBFile(path.c_str(), &back), 0);
    BITMAPINFOHEADER bi;
    ASSERT_TRUE(DibInfo(back.get(), &bi));
    EXPECT_GT(bi.biHeight, 0);  // files are always bottom-up
    QImage q(QString::fromStdString(path), "BMP");
    ASSERT_FALSE(q.isNull());
    ASSERT_EQ(q.width(), 5);
    ASSERT_EQ(q.height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(px8(*back, x, y), px8(*src, x, y));
        EXPECT_EQ(qGray(q.pixel(x, y)), px8(*src, x, y));
      }
  }
  // 24 bits, and a caller's top-down header with image size 0: the rows are still written
  // and the caller's header keeps its sign.
  BITMAPINFO info;
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = -2;
  info.bmiHeader.biBitCount = 24;
  const uint8_t rows[16] = {10, 20, 30, 40, 50, 60, 0, 0, 70, 80, 90, 100, 110, 120, 0, 0};
  const std::string path = tmp.file("rgb.bmp");
  ASSERT_TRUE(WriteDIBFromPixelArrayAndBI(path.c_str(), info, rows));
  EXPECT_EQ(info.bmiHeader.biHeight, -2);
  EXPECT_EQ(vxtest::read_bytes(path).size(), 14u + 40u + 16u);
  QImage q(QString::fromStdString(path), "BMP");
  ASSERT_FALSE(q.isNull());
  EXPECT_EQ(q.pixel(0, 0) & 0xFFFFFF, 0x1E140Au);  // red 30, green 20, blue 10
  EXPECT_EQ(q.pixel(1, 1) & 0xFFFFFF, 0x786E64u);  // red 120, green 110, blue 100
}

// A BMP file built field by field.
std::vector<uint8_t> bmp(uint32_t hsize, int32_t w, int32_t h, uint16_t bits, uint32_t comp,
                         uint32_t clr_used, uint32_t off, std::size_t body) {
  ByteWriter f;
  f.u8('B'); f.u8('M'); f.u32(0); f.u16(0); f.u16(0); f.u32(off);
  f.u32(hsize);
  if (hsize == 12) {
    f.u16(static_cast<uint16_t>(w)); f.u16(static_cast<uint16_t>(h)); f.u16(1); f.u16(bits);
  } else {
    f.i32(w); f.i32(h); f.u16(1); f.u16(bits); f.u32(comp); f.u32(0);
    f.i32(0); f.i32(0); f.u32(clr_used); f.u32(0);
  }
  f.zeros(body);
  return f.buffer();
}

TEST(Dib, MalformedHeadersAreRefused) {
  vxtest::TempDir tmp;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int code;
  } cases[] = {
      {"good 8-bit", bmp(40, 4, 2, 8, 0, 0, 14 + 40 + 1024, 1024 + 8), 0},
      {"core header", bmp(12, 4, 2, 8, 0, 0, 14 + 12 + 768, 768 + 8), 0},
      {"header size 64", bmp(64, 4, 2, 8, 0, 0, 0, 2000), -2},
      {"colour count huge", bmp(40, 4, 2, 8, 0, 0x40000000, 0, 2000), -2},
      {"colour table past the end", bmp(40, 4, 2, 8, 0, 200, 0, 100), -2},
      {"width 0", bmp(40, 0, 2, 24, 0, 0, 0, 100), -2},
      {"height 0", bmp(40, 4, 0, 24, 0, 0, 0, 100), -2},
      {"rows past the end", bmp(40, 4, 1000, 24, 0, 0, 0, 100), -2},
      {"rows of 2^31 x 2^31", bmp(40, 0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0, 0, 100), -2},
      {"bit count 7", bmp(40, 4, 2, 7, 0, 0, 0, 100), -2},
      {"row offset past the end", bmp(40, 4, 2, 24, 0, 0, 0x7FFFFFF0, 100), -2},
      {"row offset inside the header", bmp(40, 4, 2, 24, 0, 0, 20, 100), -2},
      {"compressed", bmp(40, 4, 2, 8, 1, 0, 0, 2000), -3},
      {"truncated header", std::vector<uint8_t>{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0}, -2},
      {"empty file", {}, -2},
  };
  for (const Case& c : cases) {
    const std::string path = tmp.file("bad.bmp");
    vxtest::write_bytes(path, c.bytes);
    HDIB out;
    EXPECT_EQ(OpenDIBFile(path.c_str(), &out), c.code) << c.what;
    EXPECT_EQ(out != nullptr, c.code == 0) << c.what;
  }
  HDIB out;
  EXPECT_EQ(OpenDIBFile(tmp.file("missing.bmp").c_str(), &out), -1);
}

TEST(Dib, CoreHeaderIsWidenedToAnInfoHeader) {
  std::vector<uint8_t> f = bmp(12, 2, 1, 8, 0, 0, 14 + 12 + 768, 768 + 4);
  f[14 + 12 + 3 * 5 + 0] = 9;  // entry 5: blue 9, green 8, red 7
  f[14 + 12 + 3 * 5 + 1] = 8;
  f[14 + 12 + 3 * 5 + 2] = 7;
  ByteReader r(f);
  HDIB head = ReadDibBitmapInfo(r);
  ASSERT_NE(head, nullptr);
  BITMAPINFOHEADER bi;
  ASSERT_TRUE(DibInfo(head.get(), &bi));
  EXPECT_EQ(bi.biSize, 40u);
  EXPECT_EQ(bi.biClrUsed, 256u);
  EXPECT_EQ(r.pos(), 14u + 12u + 768u);
  EXPECT_EQ(head->bytes.size(), 40u + 1024u);
  EXPECT_EQ(head->bytes[40 + 4 * 5 + 2], 7);
  EXPECT_EQ(head->bytes[40 + 4 * 5 + 3], 0);
}

}  // namespace
