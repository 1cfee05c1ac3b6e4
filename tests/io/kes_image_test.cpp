// The pixel file: header checks, rectangle reads with decimation, both byte orders, loading
// for display with the 16-to-8-bit rule.
#include "io/kes_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "base/ks_mem.h"
#include "fixture.h"
#include "io/byte_io.h"
#include "io/commentary.h"
#include "display_record.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"

namespace {

// A pixel file whose pixel (x, y) is value(x, y), in the given byte order.
std::vector<uint8_t> kes(int bpp, int w, int h, bool big,
                         const std::function<unsigned(int, int)>& value) {
  iofix::Bytes f(12, big);
  f.u8(0, big ? 'M' : 'I');
  f.u8(1, big ? 'M' : 'I');
  f.u16(2, static_cast<uint16_t>(bpp));
  f.i32(4, w);
  f.i32(8, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t off = 12 + (static_cast<std::size_t>(y) * w + x) * bpp;
      if (bpp == 1)
        f.u8(off, static_cast<uint8_t>(value(x, y)));
      else
        f.u16(off, static_cast<uint16_t>(value(x, y)));
    }
  return f.b;
}

unsigned ramp(int x, int y) {
  return static_cast<unsigned>(x * 7 + y * 300) & 0xFFFF;
}

}  // namespace

using vxtest::Display;

TEST(KesImage, QueryChecksMarkDepthAndExtent) {
  vxtest::TempDir dir;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int ok;
  };
  auto header = [](char mark, int bpp, int w, int h) {
    iofix::Bytes f(12, mark == 'M');
    f.u8(0, static_cast<uint8_t>(mark));
    f.u8(1, static_cast<uint8_t>(mark));
    f.u16(2, static_cast<uint16_t>(bpp));
    f.i32(4, w);
    f.i32(8, h);
    return f.b;
  };
  const Case cases[] = {
      {"II 8-bit", header('I', 1, 300, 20), 1},
      {"MM 16-bit", header('M', 2, 70000, 3), 1},
      {"3 bytes per pixel", header('I', 3, 10, 10), 0},
      {"bad mark", header('X', 1, 10, 10), 0},
      {"zero width", header('I', 1, 0, 10), 0},
      {"negative height", header('I', 1, 10, -5), 0},
      {"short header", std::vector<uint8_t>{'I', 'I', 1, 0, 10}, 0},
  };
  for (const Case& c : cases) {
    const std::string p = dir.file("q.kes");
    vxtest::write_bytes(p, c.bytes);
    int bits = -1;
    int32_t ext[2] = {-1, -1};
    EXPECT_EQ(io_query_image(p.c_str(), &bits, ext), c.ok) << c.what;
    if (c.ok) {
      iofix::Bytes b;
      b.b = c.bytes;
      b.big = c.bytes[0] == 'M';
      EXPECT_EQ(bits, b.b[0] == 'M' ? 16 : 8) << c.what;
      EXPECT_EQ(ext[0], b.get32(4)) << c.what;
      EXPECT_EQ(ext[1], b.get32(8)) << c.what;
    }
  }
  EXPECT_EQ(io_query_image(dir.file("missing.kes").c_str(), nullptr, nullptr), 0);
}

TEST(KesImage, WrittenHeaderIsTheLittleEndianLayout) {
  ByteWriter w;
  io_put_kes_header(w, 2, 0x01020304, 5);
  EXPECT_EQ(w.buffer(), (std::vector<uint8_t>{'I', 'I', 2, 0, 4, 3, 2, 1, 5, 0, 0, 0}));
}

TEST(KesImage, BothByteOrdersReadToTheSameNativeValues) {
  vxtest::TempDir dir;
  const int w = 37, h = 11;
  vxtest::write_bytes(dir.file("le.kes"), kes(2, w, h, false, ramp));
  vxtest::write_bytes(dir.file("be.kes"), kes(2, w, h, true, ramp));
  const int32_t rect[4] = {0, 0, w, h};
  TkImage le, be;
  ASSERT_EQ(io_read_kestrin(dir.file("le.kes").c_str(), &le, rect, 1.0), 1);
  ASSERT_EQ(io_read_kestrin(dir.file("be.kes").c_str(), &be, rect, 1.0), 1);
  ASSERT_EQ(le.bytes_per_pixel(), 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(le.pixel(x, y), ramp(x, y));
      ASSERT_EQ(be.pixel(x, y), ramp(x, y));
    }
}

TEST(KesImage, RectanglesAndDecimationSampleTheRightPixels) {
  vxtest::TempDir dir;
  const std::string p = dir.file("d.kes");
  vxtest::write_bytes(p, kes(2, 200, 100, true, ramp));
  struct Case {
    int32_t rect[4];
    double d;
  };
  const Case cases[] = {
      {{0, 0, 100, 50}, 2.0},  // every second pixel of every second row, from (0, 0)
      {{10, 5, 30, 20}, 1.0},  // a plain sub-rectangle
      {{3, 2, 60, 30}, 0.5},   // repeats pixels
      {{0, 0, 67, 34}, 3.0},   // reaches the last row and column that exist
  };
  for (const Case& c : cases) {
    TkImage img;
    ASSERT_EQ(io_read_kestrin(p.c_str(), &img, c.rect, c.d), 1);
    ASSERT_EQ(img.width(), c.rect[2]);
    ASSERT_EQ(img.height(), c.rect[3]);
    for (int r = 0; r < c.rect[3]; ++r)
      for (int k = 0; k < c.rect[2]; ++k) {
        int sx = static_cast<int>(std::floor((k + c.rect[0]) * c.d + 0.5));
        int sy = static_cast<int>(std::floor((r + c.rect[1]) * c.d + 0.5));
        ASSERT_EQ(img.pixel(k, r), ramp(sx, sy)) << k << "," << r << " d " << c.d;
      }
  }
}

TEST(KesImage, RequestsOutsideTheFileOrBadFilesAreRefused) {
  vxtest::TempDir dir;
  const std::string p = dir.file("o.kes");
  std::vector<uint8_t> bytes = kes(1, 200, 100, false, ramp);
  vxtest::write_bytes(p, bytes);
  struct Case {
    const char* what;
    int32_t rect[4];
    double d;
  };
  const Case cases[] = {
      {"decimated past the right edge", {0, 0, 101, 50}, 2.0},
      {"decimated past the bottom", {0, 0, 100, 51}, 2.0},
      {"origin outside", {200, 0, 1, 1}, 1.0},
      {"negative origin", {-1, 0, 5, 5}, 1.0},
      {"empty rectangle", {0, 0, 0, 5}, 1.0},
      {"zero decimation", {0, 0, 5, 5}, 0.0},
      {"NaN decimation", {0, 0, 5, 5}, std::nan("")},
  };
  for (const Case& c : cases) {
    TkImage img;
    EXPECT_EQ(io_read_kestrin(p.c_str(), &img, c.rect, c.d), 0) << c.what;
  }
  // A file whose rows stop short of its header's height.
  bytes.resize(bytes.size() - 1);
  vxtest::write_bytes(p, bytes);
  const int32_t whole[4] = {0, 0, 200, 100};
  TkImage img;
  EXPECT_EQ(io_read_kestrin(p.c_str(), &img, whole, 1.0), 0);
  // Bytes per pixel that the file reader cannot hold.
  bytes = kes(1, 4, 4, false, ramp);
  bytes[2] = 4;
  vxtest::write_bytes(p, bytes);
  const int32_t small[4] = {0, 0, 4, 4};
  EXPECT_EQ(io_read_kestrin(p.c_str(), &img, small, 1.0), 0);
  EXPECT_EQ(io_read_kestrin(dir.file("none.kes").c_str(), &img, small, 1.0), 0);
}

TEST(KesImage, WideSixteenBitRowsLongerThan32KiBAreRead) {
  vxtest::TempDir dir;
  const std::string p = dir.file("wide.kes");
  const int w = 20000, h = 3;  // 40,000-byte rows
  vxtest::write_bytes(p, kes(2, w, h, false, ramp));
  const int32_t rect[4] = {0, 0, w, h};
  TkImage img;
  ASSERT_EQ(io_read_kestrin(p.c_str(), &img, rect, 1.0), 1);
  EXPECT_EQ(img.pixel(w - 1, h - 1), ramp(w - 1, h - 1));
  EXPECT_EQ(img.pixel(16400, 1), ramp(16400, 1));
}

TEST(KesImage, SixteenBitImagesLoadAsEightBits) {
  vxtest::TempDir dir;
  struct Case {
    const char* what;
    int device;
    std::function<unsigned(int, int)> value;
    std::function<unsigned(unsigned)> expect;
  };
  const Case cases[] = {
      {"camera: high byte", 7, [](int x, int y) { return unsigned(x * 1000 + y); },
       [](unsigned v) { return v >> 8; }},
      {"camera below 256 shows black", 20, [](int x, int y) { return unsigned(x + y); },
       [](unsigned) { return 0u; }},
      {"min 1000 max 1255 spans 0..255", 0,
       [](int x, int y) { return unsigned(1000 + (x * 8 + y) % 256); },
       [](unsigned v) { return v - 1000; }},
      {"one value shows black", 3, [](int, int) { return 4242u; }, [](unsigned) { return 0u; }},
      {"min 300 max 58877 scales by 256 / 58578", 0,
       [](int x, int y) { return unsigned(300 + x * 1500 + y * 11); },
       [](unsigned v) { return unsigned(double(v - 300) * (256.0 / 58578.0)); }},
  };
  for (const Case& c : cases) {
    const std::string p = dir.file("s.kes");
    vxtest::write_bytes(p, kes(2, 40, 8, c.device == 20, c.value));
    Display disp;
    ASSERT_EQ(io_load_image(&disp.d, c.device, p.c_str()), 0) << c.what;
    ASSERT_NE(disp.d.pix_img, nullptr);
    ASSERT_NE(disp.d.disp_img, nullptr);
    EXPECT_EQ(disp.d.pix_img->bytes_per_pixel(), 1) << c.what;
    EXPECT_EQ(disp.d.pix_width, 40);
    EXPECT_EQ(disp.d.pix_height, 8);
    EXPECT_EQ(disp.d.vis_rows[0], 8);
    EXPECT_EQ(disp.d.vis_cols[0], 40);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(disp.d.pix_img->pixel(x, y), c.expect(c.value(x, y))) << c.what;
        ASSERT_EQ(disp.d.disp_img->pixel(x, y), disp.d.pix_img->pixel(x, y));
      }
  }
}

// The display bytes of 16-bit values against the formula they have always had, kept here:
// (v - lo) x (256.0 / (hi - lo + 1)) in doubles, truncated and held to 255, v held to [lo, hi].
// Every value of each range in a table, and a few on either side: all ranges up to 700 (below
// 256 the doubles are used; 321 and 373 need the rounded-down form, 391 and 643 keep the
// doubles), each 389th range beyond, ranges about the powers of two and the widest ones.
TEST(KesImage, DisplayBytesOfSixteenBitValuesKeepTheirFormula) {
  std::vector<unsigned> ranges;
  for (unsigned r = 1; r <= 700; ++r) ranges.push_back(r);
  for (unsigned r = 701; r < 65535; r += 389) ranges.push_back(r);
  for (unsigned p = 512; p <= 32768; p *= 2)
    for (unsigned r : {p - 2, p - 1, p}) ranges.push_back(r);
  for (unsigned r = 65530; r <= 65535; ++r) ranges.push_back(r);
  std::vector<uint16_t> values;
  std::vector<uint8_t> out, want;
  for (unsigned range : ranges) {
    const unsigned lo = (range * 7919u) % (65536u - range), hi = lo + range;
    values.clear();
    for (unsigned v = lo >= 3 ? lo - 3 : 0; v <= std::min(hi + 3, 65535u); ++v)
      values.push_back(static_cast<uint16_t>(v));
    out.assign(values.size(), 0);
    IoDisplayScale(lo, hi).apply(values.data(), values.size(), out.data());
    const double factor = 256.0 / static_cast<double>(range + 1);
    want.clear();
    for (uint16_t v : values) {
      const int held = std::min(std::max(static_cast<int>(v), static_cast<int>(lo)),
                                static_cast<int>(hi));
      const int t = static_cast<int>(static_cast<double>(held - static_cast<int>(lo)) * factor);
      want.push_back(static_cast<uint8_t>(t > 255 ? 255 : t));
    }
    const auto at = std::mismatch(out.begin(), out.end(), want.begin()).first - out.begin();
    ASSERT_EQ(at, static_cast<long>(out.size()))
        << "lo " << lo << " hi " << hi << " v " << values[at] << ": " << int(out[at]) << " for "
        << int(want[at]);
  }
}

// A record that holds images already is loaded again with images of other sizes and depths:
// each load must show only the new file's pixels, in both images.
TEST(KesImage, ReloadingARecordShowsOnlyTheNewImage) {
  vxtest::TempDir dir;
  struct Load {
    int bpp, w, h;
    unsigned (*value)(int, int);
    unsigned (*expect)(unsigned);
  };
  const Load loads[] = {
      {2, 70, 30, [](int x, int y) { return unsigned(1000 + (x * 8 + y) % 256); },
       [](unsigned v) { return v - 1000; }},
      {1, 5, 4, ramp, [](unsigned v) { return v & 0xFF; }},
      {2, 40, 8, [](int x, int y) { return unsigned(500 + (x + y * 40) % 128); },
       [](unsigned v) { return (v - 500) * 2; }},
      // Larger than any before: the pixel image takes a new block, which the display shows.
      {1, 90, 40, ramp, [](unsigned v) { return v & 0xFF; }},
  };
  Display disp;
  for (const Load& l : loads) {
    const std::string p = dir.file("r.kes");
    vxtest::write_bytes(p, kes(l.bpp, l.w, l.h, false, l.value));
    ASSERT_EQ(io_load_image(&disp.d, 0, p.c_str()), 0);
    ASSERT_EQ(disp.d.pix_img->width(), l.w);
    ASSERT_EQ(disp.d.pix_img->height(), l.h);
    ASSERT_EQ(disp.d.disp_img->width(), l.w);
    ASSERT_EQ(disp.d.disp_img->height(), l.h);
    for (int y = 0; y < l.h; ++y)
      for (int x = 0; x < l.w; ++x) {
        ASSERT_EQ(disp.d.pix_img->pixel(x, y), l.expect(l.value(x, y))) << l.w << " x " << l.h;
        ASSERT_EQ(disp.d.disp_img->pixel(x, y), disp.d.pix_img->pixel(x, y));
      }
  }
}

TEST(KesImage, FailedLoadReturnsMinusOneAndHoldsNoImage) {
  vxtest::TempDir dir;
  const std::string p = dir.file("t.kes");
  std::vector<uint8_t> bytes = kes(2, 30, 30, false, ramp);
  bytes.resize(bytes.size() - 100);  // rows cut short
  vxtest::write_bytes(p, bytes);
  Display disp;
  EXPECT_EQ(io_load_image(&disp.d, 0, p.c_str()), -1);
  EXPECT_EQ(disp.d.pix_img, nullptr);
  EXPECT_EQ(io_load_image(&disp.d, 0, dir.file("none.kes").c_str()), -1);
  // A bare header announcing a huge image is refused before any pixel block is allocated.
  const std::vector<std::vector<uint8_t>> huge = {
      {'M', 'M', 0, 2, 0, 0, 0, 7, 8, 9, 10, 11},
      {'I', 'I', 2, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F},
  };
  for (const auto& h : huge) {
    vxtest::write_bytes(p, h);
    EXPECT_EQ(io_load_image(&disp.d, 0, p.c_str()), -1);
    EXPECT_EQ(disp.d.pix_img, nullptr);
  }
  // An 8-bit image loads unchanged with the grey colour table.
  vxtest::write_bytes(p, kes(1, 5, 4, false, ramp));
  ASSERT_EQ(io_load_image(&disp.d, 0, p.c_str()), 0);
  EXPECT_EQ(disp.d.pix_img->pixel(4, 3), ramp(4, 3) & 0xFF);
  EXPECT_EQ(disp.d.disp_img->colours()[200], 0xFFC8C8C8u);
}

TEST(KesImage, CreateImageMakesAClearedBlockOrNothing) {
  const int32_t ext[2] = {70000, 2};  // wider than 16 bits
  std::unique_ptr<TkImage> img(io_create_image(ext, 16));
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->width(), 70000);
  EXPECT_EQ(img->depth(), 16);
  EXPECT_EQ(img->pixel(69999, 1), 0u);
  const int32_t bad[2] = {-1, 5};
  EXPECT_EQ(io_create_image(bad, 8), nullptr);
  EXPECT_EQ(io_create_image(ext, 24), nullptr);
}

TEST(KesImage, InitDisplayResetsTheRecord) {
  Display disp;
  disp.d.scale = 3.0;
  disp.d.zoom[1] = -4;
  disp.d.modified = 1;
  disp.d.cmap_changed = 1;
  disp.d.vis_x[1] = 9;
  ih_init_display(&disp.d);
  EXPECT_EQ(disp.d.scale, 1.0);
  EXPECT_EQ(disp.d.zoom[1], 1);
  EXPECT_EQ(disp.d.modified, 0);
  EXPECT_EQ(disp.d.vis_x[1], 0);
  EXPECT_EQ(disp.d.depth, 8);
  EXPECT_EQ(disp.d.depth2, 8);
  EXPECT_EQ(disp.d.cmap_changed, 1);
  EXPECT_NE(disp.d.disp_img, nullptr);
  EXPECT_EQ(disp.d.pix_img, nullptr);
}

// The annotation chain belongs to its display record: resetting or freeing the record frees it
// (the leak checker fails the run otherwise) and leaves no pointer into it.
TEST(KesImage, ResetAndFreeReleaseTheAnnotationChain) {
  auto chain = [](IMG_DATA& d) {
    auto* head = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
    auto* box = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
    auto* text = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
    ASSERT_TRUE(head && box && text);
    box->type = COMM_T_BOX;
    box->data = ks_alloc_msg(4 * sizeof(int32_t));
    box->line_style = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
    text->type = COMM_T_TEXT;
    auto* td = static_cast<COMM_TEXT_DATA*>(ks_alloc_msg(sizeof(COMM_TEXT_DATA)));
    td->string = static_cast<char*>(ks_alloc_msg(3));
    text->data = td;
    head->next = box;
    box->next = text;
    d.annot_first = head;
    d.annot_last = text;
    d.annot_selected = box;
  };
  Display disp;
  chain(disp.d);
  ih_init_display(&disp.d);
  EXPECT_EQ(disp.d.annot_first, nullptr);
  EXPECT_EQ(disp.d.annot_last, nullptr);
  EXPECT_EQ(disp.d.annot_selected, nullptr);
  chain(disp.d);
  io_free_display(&disp.d);
  EXPECT_EQ(disp.d.annot_first, nullptr);
  EXPECT_EQ(disp.d.annot_selected, nullptr);
  io_free_display(&disp.d);  // again: nothing left to free twice
}
