// Colour maps: the contrast window and the conversions, against worked values.
#include <gtest/gtest.h>

#include "shell/ih_cmap.h"
#include "toolkit/core/tk_image.h"

namespace {

class CmapTest : public ::testing::Test {
 protected:
  void TearDown() override { ih_set_cmap(nullptr, 0, 50, 100); }
};

TEST_F(CmapTest, DefaultWindowStretchesIndexToSixteenBits) {
  ih_set_cmap(nullptr, 0, 50, 100);  // L 127, W 255: offset -1, scale 257
  EXPECT_EQ(ih_get_rgb(nullptr, 0).red, 65535 - 257);
  EXPECT_EQ(ih_get_rgb(nullptr, 100).green, 65535 - 101 * 257);
  EXPECT_EQ(ih_get_rgb(nullptr, 254).blue, 0);
  EXPECT_EQ(ih_get_rgb(nullptr, 255).blue, 0);
  int code = -1, level = -1, width = -1;
  ih_get_cmap(&code, &level, &width);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(level, 49);  // 127 * 100 / 256
  EXPECT_EQ(width, 99);  // 255 * 100 / 256
}

TEST_F(CmapTest, ZeroWidthIsAHardThresholdAtTheLevel) {
  ih_set_cmap(nullptr, 1, 50, 0);  // L 127, W 0 -> offset 127, scale 65535
  EXPECT_EQ(ih_get_rgb(nullptr, 126).red, 0);
  EXPECT_EQ(ih_get_rgb(nullptr, 127).red, 0);
  EXPECT_EQ(ih_get_rgb(nullptr, 128).red, 65535);
}

TEST_F(CmapTest, LevelsAndWidthsFarOutOfRangeSaturate) {
  // Stored preferences may hold any 32-bit level and width: the window lies beyond every
  // index, or is so wide that all indices fall within one step of each other.
  const int extremes[][2] = {{2147483647, 100}, {-2147483647 - 1, 100}, {50, 2147483647},
                             {2147483647, -2147483647 - 1}, {-2147483647 - 1, 2147483647}};
  for (const auto& e : extremes) {
    ih_set_cmap(nullptr, 0, e[0], e[1]);
    int level = 0, width = 0;
    ih_get_cmap(nullptr, &level, &width);
    EXPECT_NEAR(ih_get_rgb(nullptr, 255).red, ih_get_rgb(nullptr, 0).red, 1) << e[0] << " " << e[1];
  }
}

TEST_F(CmapTest, UnknownCodeIsGreyAndReportsCodeOne) {
  ih_set_cmap(nullptr, 42, 50, 100);
  int code = -1;
  ih_get_cmap(&code, nullptr, nullptr);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(ih_get_rgb(nullptr, 0).red, 257);
}

TEST_F(CmapTest, SpectrumTakesTheRawIndexButKeepsLevelAndWidth) {
  ih_set_cmap(nullptr, 8, 10, 20);
  const IhRgb16 black = ih_get_rgb(nullptr, 255);
  EXPECT_EQ(black.red + black.green + black.blue, 0);
  const IhRgb16 white = ih_get_rgb(nullptr, 0);
  EXPECT_EQ(white.red, 65535);
  EXPECT_EQ(white.green, 65535);
  EXPECT_EQ(white.blue, 65535);
  int code = -1, level = -1, width = -1;
  ih_get_cmap(&code, &level, &width);
  EXPECT_EQ(code, 8);
  EXPECT_EQ(level, 25 * 100 / 256);
  EXPECT_EQ(width, 51 * 100 / 256);
}

struct ConvCase {
  int code, v, r, g, b;
};

TEST(CmapConvert, WorkedValues) {
  const ConvCase cases[] = {
      {0, 1000, 64535, 64535, 64535}, {1, 1000, 1000, 1000, 1000},
      {2, 1000, 1000, 64535, 1000},   {3, 1000, 64535, 64535, 65535},
      {4, 0, 65535, 65535, 65535},    {4, 32768, 24576, 0, 0},
      {4, 49152, 0, 0, 0},            {4, 65535, 0, 0, 0},
      {5, 1000, 65535, 64535, 64535}, {6, 1000, 64535, 65535, 64535},
      {8, 255, 0, 0, 0},              {8, 0, 65535, 65535, 65535},
      {8, 255 - 38, 65535, 65056, 0},  // t = 38: (38/38.4)^0.7
      {9, 0, 65535, 65535, 65535},    {9, 65535, 0, 0, 0},
      {12, 0, 0, 0, 0},               {12, 65535, 65535, 65535, 65535},
      {10, 32768, 59018, 59018, 59018}, {13, 32767, 59018, 59018, 59018},
      {11, 32768, 63487, 63487, 63487},
  };
  for (const ConvCase& c : cases) {
    const IhRgb16 got = ih_cmap_convert(c.code, c.v);
    EXPECT_EQ(got.red, c.r) << "code " << c.code << " v " << c.v;
    EXPECT_EQ(got.green, c.g) << "code " << c.code << " v " << c.v;
    EXPECT_EQ(got.blue, c.b) << "code " << c.code << " v " << c.v;
  }
}

TEST(CmapConvert, BlendRunsFromBlueToRedThroughGreen) {
  const IhRgb16 lo = ih_cmap_convert(7, 0), hi = ih_cmap_convert(7, 65535);
  EXPECT_EQ(lo.blue, 65535);
  EXPECT_EQ(lo.red, 0);
  EXPECT_EQ(hi.red, 65535);
  EXPECT_EQ(hi.blue, 0);
  EXPECT_EQ(ih_cmap_convert(7, 32768).green, 65535);
}

TEST_F(CmapTest, LoadFillsEveryTableEntryWithTheHighBytes) {
  TkImage img;
  ih_set_cmap(&img, 1, 50, 100);
  EXPECT_EQ(img.colours()[0], 0xFF010101u);  // v 257 -> 1
  EXPECT_EQ(img.colours()[255], 0xFFFFFFFFu);
  ih_set_cmap(&img, 5, 50, 100);  // red tint
  EXPECT_EQ(img.colours()[255], 0xFFFF0000u);
}

}  // namespace
