// The box reduction against the mean it stands for, worked out here the plain way: each reduced
// pixel is the rounded mean of its block, summed and divided in 64 bits.
#include "toolkit/core/tk_reduce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>

namespace {

// The mean of the f x f block of (x, y, w, h) in `src` that reduced pixel (rx, ry) stands for,
// rounded to the nearest value.
unsigned block_mean(const TkImage& src, int x, int y, int w, int h, int f, int rx, int ry) {
  const int sx = rx * f - f / 2, sy = ry * f - f / 2;
  const int x0 = std::max(sx, 0), x1 = std::min(sx + f, w);
  const int y0 = std::max(sy, 0), y1 = std::min(sy + f, h);
  uint64_t sum = 0;
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) sum += src.pixel(x + xx, y + yy);
  const uint64_t n = uint64_t(x1 - x0) * uint64_t(y1 - y0);
  return static_cast<unsigned>((sum + n / 2) / n);
}

void fill(TkImage& img, unsigned seed, unsigned top) {
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      // Runs of the top value test the widest sums; the rest are random.
      const unsigned v = (x / 7 + y / 5) % 3 == 0 ? top : rng() % (top + 1);
      uint8_t* p = img.row(y) + static_cast<size_t>(x) * img.bytes_per_pixel();
      p[0] = static_cast<uint8_t>(v & 0xff);
      if (img.bytes_per_pixel() == 2) p[1] = static_cast<uint8_t>(v >> 8);
    }
}

}  // namespace

// Factors below, at and above those the reduction treats apart (each up to 16, the blocks of
// 256 x 256 whose sums still fit 32 bits, and larger), both depths, rectangles inside a larger
// image and sizes that leave part blocks at each edge.
TEST(BoxReduce, EveryPixelIsTheRoundedMeanOfItsBlock) {
  struct Case {
    int bpp, img_w, img_h, x, y, w, h, f;
  };
  const Case cases[] = {
      {2, 50, 40, 0, 0, 50, 40, 1},     {2, 50, 40, 3, 2, 45, 37, 2},
      {1, 50, 40, 3, 2, 45, 37, 3},     {2, 120, 90, 5, 1, 113, 87, 4},
      {2, 120, 90, 0, 0, 120, 90, 5},   {1, 120, 90, 2, 7, 101, 80, 7},
      {2, 200, 90, 1, 1, 199, 89, 8},   {2, 200, 90, 0, 3, 197, 86, 9},
      {2, 200, 120, 4, 0, 190, 120, 16}, {1, 200, 120, 4, 0, 190, 120, 16},
      {2, 200, 120, 0, 0, 200, 120, 17}, {2, 5, 200, 0, 0, 5, 200, 8},
      {2, 3, 3, 0, 0, 3, 3, 8},         {2, 600, 600, 7, 3, 590, 597, 256},
      {2, 600, 530, 0, 0, 600, 530, 255}, {2, 700, 600, 0, 0, 700, 600, 257},
      {1, 700, 600, 3, 0, 690, 600, 300},
  };
  for (const Case& c : cases) {
    for (unsigned seed : {1u, 2u}) {
      SCOPED_TRACE(testing::Message() << "bpp " << c.bpp << " f " << c.f << " " << c.w << " x "
                                      << c.h << " seed " << seed);
      TkImage src;
      ASSERT_TRUE(src.create(c.img_w, c.img_h, c.bpp));
      fill(src, seed, c.bpp == 2 ? 65535u : 255u);
      TkImage dst;
      ASSERT_TRUE(tk_reduce_rect(src, c.x, c.y, c.w, c.h, &dst, c.f));
      ASSERT_EQ(dst.bytes_per_pixel(), c.bpp);
      ASSERT_EQ(dst.width(), std::max(1, static_cast<int>(c.w / double(c.f) + 0.5)));
      ASSERT_EQ(dst.height(), std::max(1, static_cast<int>(c.h / double(c.f) + 0.5)));
      for (int ry = 0; ry < dst.height(); ++ry)
        for (int rx = 0; rx < dst.width(); ++rx)
          ASSERT_EQ(dst.pixel(rx, ry), block_mean(src, c.x, c.y, c.w, c.h, c.f, rx, ry))
              << "at " << rx << ", " << ry;
    }
  }
}

// The widest sum divided by multiplying: a whole 256 x 256 block of the top value; and a mean
// half a step above a whole number, which rounds up, beside those just below and above it.
TEST(BoxReduce, WidestBlocksAndRoundingHalvesComeOutExact) {
  auto image = [](int side, unsigned value, unsigned odd) {
    TkImage img;
    img.create(side, side, 2);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const unsigned v = value + (x == 4 && y == 4 ? odd : 0u);
        img.row(y)[2 * x] = static_cast<uint8_t>(v & 0xff);
        img.row(y)[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      }
    return img;
  };
  TkImage dst;
  // Reduced pixel (1, 1) stands for the block [128, 384) x [128, 384).
  ASSERT_TRUE(tk_reduce_rect(image(640, 65535, 0), 0, 0, 640, 640, &dst, 256));
  ASSERT_EQ(dst.width(), 3);
  EXPECT_EQ(dst.pixel(1, 1), 65535u);
  // Reduced pixel (1, 1) at factor 4 stands for the 16 pixels [2, 6) x [2, 6).
  for (const auto& [odd, mean] : {std::pair{7u, 40000u}, std::pair{8u, 40001u}, std::pair{9u, 40001u}}) {
    ASSERT_TRUE(tk_reduce_rect(image(8, 40000, odd), 0, 0, 8, 8, &dst, 4));
    EXPECT_EQ(dst.pixel(1, 1), mean) << odd;
  }
}
