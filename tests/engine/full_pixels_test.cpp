// The full-depth pixels the commands read: while a window holds a loaded image they are the
// pixels its load kept (no read), and a file changed since is read again, never served stale.
#include "engine/full_pixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "io/kes_image.h"
#include "display_record.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/core/tk_reduce.h"

namespace {

// A little-endian (or big-endian) 16-bit pixel file of w x h pixels, pixel (x, y) = base + x + 3y.
std::vector<unsigned char> kes16(int w, int h, unsigned base, bool big = false) {
  std::vector<unsigned char> b = {static_cast<unsigned char>(big ? 'M' : 'I'),
                                  static_cast<unsigned char>(big ? 'M' : 'I'), 0, 0, 0, 0, 0, 0,
                                  0, 0, 0, 0};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + (big ? 3 - i : i)] = static_cast<unsigned char>(v >> 8 * i);
  };
  b[big ? 3 : 2] = 2;
  put32(4, static_cast<uint32_t>(w));
  put32(8, static_cast<uint32_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned v = (base + x + 3 * y) & 0xFFFF;
      b.push_back(static_cast<unsigned char>(big ? v >> 8 : v & 0xFF));
      b.push_back(static_cast<unsigned char>(big ? v & 0xFF : v >> 8));
    }
  return b;
}

void expect_pixels(const TkImage* img, int w, int h, unsigned base, const char* what) {
  ASSERT_NE(img, nullptr) << what;
  ASSERT_EQ(img->width(), w) << what;
  ASSERT_EQ(img->height(), h) << what;
  ASSERT_EQ(img->bytes_per_pixel(), 2) << what;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(img->pixel(x, y), (base + x + 3 * y) & 0xFFFF) << what;
}

}  // namespace

using vxtest::Display;

TEST(FullPixels, AnOpenWindowsLoadServesTheCommandsUntilTheFileChanges) {
  vxtest::TempDir dir;
  const std::string p = dir.file("gel.kes");
  vxtest::write_bytes(p, kes16(37, 11, 1000));
  auto display = std::make_unique<Display>();
  ASSERT_EQ(io_load_image(&display->d, 0, p.c_str()), 0);

  // The load kept the file's pixels; a command takes them, under any spelling of the path.
  const auto kept = io_kept_pixels(p.c_str());
  expect_pixels(kept.get(), 37, 11, 1000, "kept");
  {
    LnPixels px((dir.file(".") + "/gel.kes").c_str());
    EXPECT_EQ(px.image(), kept.get());
  }

  // A whole-file operation writes a new file and renames it over the old one: the next command
  // reads the new pixels, though the window still holds the old load.
  const std::string tmp = dir.file("gel.kes.new");
  vxtest::write_bytes(tmp, kes16(37, 11, 5000));
  ASSERT_EQ(std::rename(tmp.c_str(), p.c_str()), 0);
  EXPECT_EQ(io_kept_pixels(p.c_str()), nullptr);
  {
    LnPixels px(p.c_str());
    expect_pixels(px.image(), 37, 11, 5000, "after the file was replaced");
  }
  // The pixels held by a command stay valid after the window lets them go.
  expect_pixels(kept.get(), 37, 11, 1000, "held");

  // Loading again keeps the new pixels; closing the window lets them go.
  ASSERT_EQ(io_load_image(&display->d, 0, p.c_str()), 0);
  expect_pixels(io_kept_pixels(p.c_str()).get(), 37, 11, 5000, "reloaded");
  display.reset();
  EXPECT_EQ(io_kept_pixels(p.c_str()), nullptr);
}

TEST(FullPixels, FilesNotKeptAreReadWhole) {
  vxtest::TempDir dir;
  // Big-endian pixels are converted as they are read, so their load keeps nothing.
  const std::string p = dir.file("big.kes");
  vxtest::write_bytes(p, kes16(9, 5, 300, true));
  Display display;
  ASSERT_EQ(io_load_image(&display.d, 0, p.c_str()), 0);
  EXPECT_EQ(io_kept_pixels(p.c_str()), nullptr);
  LnPixels px(p.c_str());
  expect_pixels(px.image(), 9, 5, 300, "big-endian");
  // A file no window holds, and one that does not exist.
  const std::string q = dir.file("closed.kes");
  vxtest::write_bytes(q, kes16(4, 4, 7));
  LnPixels closed(q.c_str());
  expect_pixels(closed.image(), 4, 4, 7, "closed");
  LnPixels none(dir.file("none.kes").c_str());
  EXPECT_EQ(none.image(), nullptr);
}

TEST(FullPixels, BlocksReduceWhereTheyLie) {
  // The block's reduction read in place in the whole image equals the box reduction of the
  // block cut out, at the factor for its width and lanes (180 / 1 / 20 = 9, 180 / 4 / 20 = 2).
  TkImage whole;
  ASSERT_TRUE(whole.create(200, 60, 2));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const unsigned v = (x * 131 + y * 977) & 0xFFFF;
      whole.row(y)[2 * x] = static_cast<uint8_t>(v & 0xFF);
      whole.row(y)[2 * x + 1] = static_cast<uint8_t>(v >> 8);
    }
  const LN_POINT corners[4] = {{7, 5}, {187, 5}, {187, 58}, {7, 58}};
  TkImage cut;
  ASSERT_TRUE(cut.create(180, 53, 2));
  for (int y = 0; y < 53; ++y) std::memcpy(cut.row(y), whole.row(5 + y) + 14, 360);
  for (const auto& [lanes, f] : {std::pair{1, 9}, std::pair{4, 2}}) {
    LnBlock a;
    ASSERT_TRUE(ln_reduce_block(whole, 0, 0, corners, lanes, &a));
    EXPECT_EQ(a.f, f);
    EXPECT_EQ(a.left, 7);
    EXPECT_EQ(a.top, 5);
    EXPECT_EQ(a.width, 180);
    EXPECT_EQ(a.height, 53);
    EXPECT_EQ(a.bytes, 2);
    TkImage b;
    ASSERT_TRUE(NDVGM_Op708(cut, &b, f));
    ASSERT_EQ(a.reduced.width(), b.width());
    ASSERT_EQ(a.reduced.height(), b.height());
    EXPECT_EQ(0, std::memcmp(a.reduced.data(), b.data(), b.size_bytes())) << lanes << " lanes";
  }
  // A block past the image's edge is refused.
  const LN_POINT outside[4] = {{7, 5}, {201, 5}, {201, 58}, {7, 58}};
  LnBlock a;
  EXPECT_FALSE(ln_reduce_block(whole, 0, 0, outside, 1, &a));
}
