// JPEG import against djpeg's decoding, the density rules, and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acq_fixture.h"
#include "acquire/acq_common.h"
#include "file_faults.h"
#include "acquire/io_import.h"
#include "toolkit/tk_test.h"

namespace {

using namespace acqtest;

class JpegImport : public ::testing::Test {
 protected:
  void SetUp() override { TKT_Enable(true); }
  vxtest::TempDir dir;
};

TEST_F(JpegImport, PixelsAreDjpegsInvertedChannelOrMix) {
  const int w = 45, h = 29;
  write_pnm(dir.file("g.pgm"), w, h, 1, pattern(std::size_t(w) * h, 1));
  write_pnm(dir.file("c.ppm"), w, h, 3, pattern(std::size_t(w) * h * 3, 2));
  for (const char* progressive : {"", "-progressive"}) {
    SCOPED_TRACE(progressive);
    for (const char* src : {"g.pgm", "c.ppm"}) {
      SCOPED_TRACE(src);
      const std::string jpg = dir.file("x.jpg");
      ASSERT_TRUE(run("cjpeg -quality 85 " + std::string(progressive) + " -outfile " + q(jpg) + " " +
                      q(dir.file(src))));
      ASSERT_TRUE(run("djpeg -pnm -outfile " + q(dir.file("ref.pnm")) + " " + q(jpg)));
      const Pnm ref = read_pnm(dir.file("ref.pnm"));
      int comps = 0, cw = 0, ch = 0, xd = -1, yd = -1;
      ASSERT_TRUE(io_jpeg_check(jpg.c_str(), &comps, &cw, &xd, &ch, &yd));
      EXPECT_EQ(comps, ref.channels);
      EXPECT_EQ(cw, w);
      EXPECT_EQ(ch, h);
      for (int channel = 1; channel <= (comps == 3 ? 4 : 1); ++channel) {
        SCOPED_TRACE(channel);
        ASSERT_EQ(io_jpeg_convert(jpg.c_str(), dir.file("x.kes").c_str(), comps == 3, channel,
                                  xd, yd, 0, 0, 0),
                  0);
        std::vector<int> want;
        for (int i = 0; i < w * h; ++i) {
          const int* s = ref.v.data() + std::size_t(i) * ref.channels;
          int v = s[0];
          if (comps == 3) v = channel == 4 ? (5 * s[0] + 2 * s[1] + s[2]) / 8 : s[channel - 1];
          want.push_back(255 - v);
        }
        const Kes k = read_kes(dir.file("x.kes"));
        EXPECT_EQ(k.bpp, 1);
        EXPECT_EQ(k.v, want);
        const Info info = read_info(dir.file("x.kes"));
        EXPECT_EQ(info.h.device, 23);
        EXPECT_EQ(info.h.min_value, *std::min_element(want.begin(), want.end()));
        EXPECT_EQ(info.h.max_value, *std::max_element(want.begin(), want.end()));
        EXPECT_EQ(info.dig, (std::vector<int>{0, 255}));
        EXPECT_EQ(info.val, (std::vector<double>{0.0, 2.3}));
      }
    }
  }
}

TEST_F(JpegImport, WorkedPixels) {
  // Flat images decode to their own values at quality 100.
  struct Case {
    std::vector<uint8_t> px;
    int channels, channel, stored;
  };
  const Case cases[] = {{{0}, 1, 4, 255}, {{255}, 1, 4, 0}, {{200, 100, 50}, 3, 4, 99}};
  for (const Case& c : cases) {
    std::vector<uint8_t> img;
    for (int i = 0; i < 16 * 16; ++i) img.insert(img.end(), c.px.begin(), c.px.end());
    write_pnm(dir.file("f.pnm"), 16, 16, c.channels, img);
    ASSERT_TRUE(run("cjpeg -quality 100 -outfile " + q(dir.file("f.jpg")) + " " + q(dir.file("f.pnm"))));
    ASSERT_EQ(io_jpeg_convert(dir.file("f.jpg").c_str(), dir.file("f.kes").c_str(), c.channels == 3,
                              c.channel, 0, 0, 0, 0, 0),
              0);
    const Kes k = read_kes(dir.file("f.kes"));
    ASSERT_FALSE(k.v.empty());
    EXPECT_NEAR(k.v[0], c.stored, 1);
  }
}

// Without a JFIF segment: the first marker segment after SOI removed when it is APP0.
void strip_jfif(const std::string& path) {
  std::vector<uint8_t> f;
  ASSERT_TRUE(io_read_whole_file(path.c_str(), f));
  ASSERT_GE(f.size(), 6u);
  ASSERT_EQ(f[2], 0xFF);
  ASSERT_EQ(f[3], 0xE0);
  const std::size_t len = std::size_t(f[4]) << 8 | f[5];
  f.erase(f.begin() + 2, f.begin() + 2 + 2 + len);
  write_file(path, f);
}

TEST_F(JpegImport, DensityIsTakenInItsUnit) {
  write_pnm(dir.file("d.pgm"), 8, 8, 1, pattern(64, 4));
  struct Case {
    const char* what;
    std::string convert_args;
    bool strip;
    int dpi, res, scale;
  };
  const Case cases[] = {
      {"300 per inch", "-units PixelsPerInch -density 300", false, 300, 8466, -5},
      {"118 per cm", "-units PixelsPerCentimeter -density 118", false, 300, 8466, -5},
      {"72 per inch", "-units PixelsPerInch -density 72", false, 72, 3527, -4},
      // Without a unit the density says nothing of the resolution: the default, 300 dpi, as a
      // TIFF file without a resolution gets.
      {"aspect ratio 1:1 only", "-units Undefined -density 1", false, 300, 8466, -5},
      {"aspect ratio only", "-units Undefined -density 2", false, 300, 8466, -5},
      {"no JFIF segment", "-units PixelsPerInch -density 300", true, 300, 8466, -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string jpg = dir.file("d.jpg");
    ASSERT_TRUE(run("convert " + q(dir.file("d.pgm")) + " " + c.convert_args + " " + q(jpg)));
    if (c.strip) strip_jfif(jpg);
    int comps = 0, w = 0, h = 0, xd = -1, yd = -1;
    ASSERT_TRUE(io_jpeg_check(jpg.c_str(), &comps, &w, &xd, &h, &yd));
    EXPECT_EQ(xd, c.dpi);
    EXPECT_EQ(yd, c.dpi);
    ASSERT_EQ(io_jpeg_convert(jpg.c_str(), dir.file("d.kes").c_str(), 0, 4, xd, yd, 0, 0, 0), 0);
    const Info info = read_info(dir.file("d.kes"));
    EXPECT_EQ(info.h.x_res, c.res);
    EXPECT_EQ(info.h.x_scale, c.scale);
    EXPECT_EQ(info.h.y_res, c.res);
    EXPECT_EQ(info.h.y_scale, c.scale);
  }
}

TEST_F(JpegImport, FailuresAndTheirCodes) {
  write_pnm(dir.file("e.ppm"), 8, 8, 3, pattern(192, 9));
  ASSERT_TRUE(run("convert " + q(dir.file("e.ppm")) + " -colorspace CMYK " + q(dir.file("cmyk.jpg"))));
  ASSERT_TRUE(run("cjpeg -outfile " + q(dir.file("ok.jpg")) + " " + q(dir.file("e.ppm"))));
  write_file(dir.file("junk.jpg"), pattern(300, 3));
  int c = 0, w = 0, h = 0, x = 0, y = 0;
  EXPECT_FALSE(io_jpeg_check(dir.file("cmyk.jpg").c_str(), &c, &w, &x, &h, &y));
  EXPECT_FALSE(io_jpeg_check(dir.file("junk.jpg").c_str(), &c, &w, &x, &h, &y));
  EXPECT_FALSE(io_jpeg_check(dir.file("none.jpg").c_str(), &c, &w, &x, &h, &y));
  const std::string out = dir.file("o.kes");
  EXPECT_EQ(io_jpeg_convert(dir.file("none.jpg").c_str(), out.c_str(), 1, 1, 0, 0, 0, 0, 0), 17);
  EXPECT_EQ(io_jpeg_convert(dir.file("junk.jpg").c_str(), out.c_str(), 1, 1, 0, 0, 0, 0, 0), 17);
  EXPECT_EQ(io_jpeg_convert(dir.file("cmyk.jpg").c_str(), out.c_str(), 1, 1, 0, 0, 0, 0, 0), 17);
  EXPECT_EQ(io_jpeg_convert(dir.file("ok.jpg").c_str(), dir.file("no/such/o.kes").c_str(), 1, 1, 0,
                            0, 0, 0, 0),
            17);
  // A file cut short, and one whose frame claims 60000 x 60000 pixels: refused, not filled in.
  std::vector<uint8_t> f;
  ASSERT_TRUE(io_read_whole_file(dir.file("ok.jpg").c_str(), f));
  write_file(dir.file("cut.jpg"), std::vector<uint8_t>(f.begin(), f.begin() + f.size() / 2));
  EXPECT_EQ(io_jpeg_convert(dir.file("cut.jpg").c_str(), out.c_str(), 1, 1, 0, 0, 0, 0, 0), 17);
  for (std::size_t i = 2; i + 8 < f.size(); ++i)
    if (f[i] == 0xFF && f[i + 1] == 0xC0) {  // start of frame: length, precision, height, width
      f[i + 5] = f[i + 7] = 0xEA;
      f[i + 6] = f[i + 8] = 0x60;
      break;
    }
  write_file(dir.file("huge.jpg"), f);
  ASSERT_TRUE(io_jpeg_check(dir.file("huge.jpg").c_str(), &c, &w, &x, &h, &y));
  EXPECT_EQ(w, 60000);
  EXPECT_EQ(io_jpeg_convert(dir.file("huge.jpg").c_str(), out.c_str(), 1, 1, 0, 0, 0, 0, 0), 17);
  vxtest::FileFaults full({12});  // the header is written, the rows are not
  EXPECT_EQ(io_jpeg_convert(dir.file("ok.jpg").c_str(), out.c_str(), 1, 1, 0, 0, 0, 0, 0), 20);
}

}  // namespace
