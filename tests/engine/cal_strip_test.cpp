// Hand calibration arithmetic: box means against numpy on 8- and 16-bit step tablets, the order
// test, spreading, placement and clipping, the step value text, the value file, and the lookup
// built from a strip.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/cal_strip.h"
#include "model/img_info.h"
#include "test_support.h"

namespace {

// A step tablet: `steps` vertical bands across the image, band k of value base + k * step,
// with a little texture so that means round both ways.
std::string write_tablet(const vxtest::TempDir& dir, const char* name, int bpp, int w, int h,
                         int steps, unsigned base, unsigned step) {
  std::vector<unsigned char> b = {'I', 'I', static_cast<unsigned char>(bpp), 0};
  for (int v : {w, h})
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned v = base + (x * steps / w) * step + ((x * 7 + y * 3) % 5);
      b.push_back(static_cast<unsigned char>(v & 0xFF));
      if (bpp == 2) b.push_back(static_cast<unsigned char>(v >> 8));
    }
  const std::string path = dir.file(name);
  vxtest::write_bytes(path, b);
  return path;
}

std::vector<long> numpy_means(const vxtest::TempDir& dir, const std::string& kes,
                              const std::vector<CalBox>& boxes) {
  const std::string list = dir.file("boxes.txt"), out = dir.file("means.txt");
  {
    std::ofstream f(list);
    for (const CalBox& b : boxes) f << b.x << ' ' << b.y << ' ' << b.w << ' ' << b.h << '\n';
  }
  const std::string script = (vxtest::source_dir() / "tests/engine/cal_strip_oracle.py").string();
  std::vector<long> means;
  if (std::system(("/usr/bin/python3 '" + script + "' " + kes + " " + list + " > " + out).c_str()))
    return means;
  std::ifstream in(out);
  for (long v; in >> v;) means.push_back(v);
  return means;
}

TEST(CalStrip, BoxMeansAgreeWithNumpyOn8And16BitTablets) {
  vxtest::TempDir dir;
  const std::vector<CalBox> boxes = {{0, 0, 1, 1}, {3, 2, 7, 5}, {20, 10, 9, 3}, {50, 0, 13, 40},
                                     {0, 39, 64, 1}, {61, 37, 3, 3}};
  struct Case { int bpp; unsigned base, step; } cases[] = {{1, 10, 30}, {2, 1000, 7000}};
  for (const Case& c : cases) {
    const std::string kes = write_tablet(dir, "t.kes", c.bpp, 64, 40, 8, c.base, c.step);
    const std::vector<long> want = numpy_means(dir, kes, boxes);
    ASSERT_EQ(want.size(), boxes.size()) << "numpy oracle failed";
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      uint32_t mean = 0;
      ASSERT_TRUE(cal_box_mean(kes.c_str(), boxes[i], &mean));
      EXPECT_EQ(static_cast<long>(mean), want[i]) << "bpp " << c.bpp << " box " << i;
    }
    uint32_t mean = 0;  // a rectangle outside the file cannot be read
    EXPECT_FALSE(cal_box_mean(kes.c_str(), {60, 0, 10, 4}, &mean));
    EXPECT_FALSE(cal_box_mean(kes.c_str(), {0, 0, 0, 4}, &mean));
  }
}

TEST(CalStrip, OrderTestFlattensSaturatedEndsAndRefusesTheRest) {
  struct Case {
    std::vector<double> dens;
    std::vector<uint32_t> vals;
    int bits;
    bool ok;
    std::vector<uint32_t> after;
  } cases[] = {
      {{0.1, 0.5, 1.0, 1.5}, {20, 120, 255, 250}, 8, true, {20, 120, 255, 255}},
      {{0.1, 0.5, 1.0}, {20, 120, 100}, 8, false, {}},
      {{1.5, 1.0, 0.5, 0.1}, {250, 120, 3, 4}, 8, true, {250, 120, 3, 3}},
      {{1.5, 1.0, 0.5}, {250, 120, 130}, 8, false, {}},
      // 16 bits: the limits are 257 times larger.
      {{0.1, 0.5, 1.0, 1.5}, {5140, 30840, 65535, 64250}, 16, true, {5140, 30840, 65535, 65535}},
      {{0.1, 0.5, 1.0, 1.5}, {5140, 30840, 64000, 63000}, 16, false, {}},
      {{1.5, 1.0, 0.5, 0.1}, {60000, 9000, 1285, 1300}, 16, true, {60000, 9000, 1285, 1285}},
      {{1.5, 1.0, 0.5}, {60000, 9000, 9100}, 16, false, {}},
  };
  for (auto& c : cases) {
    std::vector<uint32_t> v = c.vals;
    EXPECT_EQ(cal_order_test(c.dens.data(), v.data(), static_cast<int>(v.size()), c.bits), c.ok)
        << c.bits << " bits, first " << c.vals[0];
    if (c.ok) {
      EXPECT_EQ(v, c.after);
    }
  }
}

TEST(CalStrip, SpreadPlacesEvenSteps) {
  CalBox out[CAL_MAX_STEPS];
  ASSERT_EQ(cal_spread({100, 50, 10, 8}, 300, 50, 5, out), 5);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(out[k].x, 100 + 50 * k);
    EXPECT_EQ(out[k].y, 50);
    EXPECT_EQ(out[k].w, 10);
  }
  ASSERT_EQ(cal_spread({10, 10, 4, 4}, 13, 20, 3, out), 3);  // 1.5 and 5 per step, rounded
  EXPECT_EQ(out[1].x, 12);
  EXPECT_EQ(out[1].y, 15);
  EXPECT_EQ(out[2].x, 13);
  // One value gives the first box alone; more than 50 give 50 boxes.
  EXPECT_EQ(cal_spread({10, 10, 4, 4}, 200, 10, 1, out), 1);
  EXPECT_EQ(out[0].x, 10);
  EXPECT_EQ(cal_spread({10, 10, 4, 4}, 500, 10, 51, out), 50);
  EXPECT_EQ(out[49].x, 500);
}

TEST(CalStrip, PlacementClippingAndTheDraggedBox) {
  int x = 95, y = 10;
  cal_place_limit(&x, &y, 10, 5, 100, 60);  // 95 + 10 > 99
  EXPECT_EQ(x, 89);
  EXPECT_EQ(y, 10);
  x = 0, y = 58;
  cal_place_limit(&x, &y, 10, 5, 100, 60);
  EXPECT_EQ(y, 54);

  const CalBox b = cal_box_from_points(40, 30, 20, 10);  // bottom right to top left
  EXPECT_EQ(b.x, 20);
  EXPECT_EQ(b.y, 10);
  EXPECT_EQ(b.w, 20);
  EXPECT_EQ(b.h, 20);

  CalBox c = {-5, 50, 20, 20};  // past the left and bottom edges
  ASSERT_TRUE(cal_clip_box(&c, 100, 60));
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.w, 15);
  EXPECT_EQ(c.h, 10);
  CalBox wide = {0, 0, 300, 4};  // wider than the image
  ASSERT_TRUE(cal_clip_box(&wide, 100, 60));
  EXPECT_EQ(wide.w, 100);
  for (CalBox empty : {CalBox{10, 10, 0, 5}, CalBox{10, 10, 5, 0}, CalBox{100, 0, 5, 5},
                       CalBox{-9, 0, 5, 5}})
    EXPECT_FALSE(cal_clip_box(&empty, 100, 60));
}

TEST(CalStrip, StepValueText) {
  struct { const char* text; double want; } cases[] = {
      {"1.25", 1.25}, {"-.5", -0.5}, {"  \t3", 3.0}, {"0", 0.0}, {"7.", 7.0},
      {"", CAL_STEP_CANCEL}, {"1.2.3", CAL_STEP_INVALID}, {"abc", CAL_STEP_INVALID},
      {"-", CAL_STEP_INVALID}, {".", CAL_STEP_INVALID}, {"-x", CAL_STEP_INVALID},
      {"1-2", CAL_STEP_INVALID}, {"1e3", CAL_STEP_INVALID}, {"2 ", CAL_STEP_INVALID},
      {"1234567890123456789", 123456789012345678.0},  // only 18 characters are taken
  };
  for (const auto& c : cases) EXPECT_EQ(cal_step_value(c.text), c.want) << '"' << c.text << '"';
}

TEST(CalStrip, ValueFileTakesEachLinesLeadingNumber) {
  vxtest::TempDir dir;
  std::vector<double> v;
  std::ofstream(dir.file("a.std")) << "0.05 step one\n1.5\r\nwedge\n  -2e1x\n\n3.25";
  ASSERT_TRUE(cal_read_values(dir.file("a.std").c_str(), &v));
  EXPECT_EQ(v, (std::vector<double>{0.05, 1.5, 0.0, -20.0, 0.0, 3.25}));
  std::ofstream(dir.file("one.std")) << "0.7\n";
  ASSERT_TRUE(cal_read_values(dir.file("one.std").c_str(), &v));
  EXPECT_EQ(v, std::vector<double>{0.7});
  {
    std::ofstream f(dir.file("many.std"));
    for (int i = 0; i < 51; ++i) f << i * 0.1 << '\n';
  }
  ASSERT_TRUE(cal_read_values(dir.file("many.std").c_str(), &v));
  EXPECT_EQ(v.size(), 51u);
  EXPECT_FALSE(cal_read_values(dir.file("missing.std").c_str(), &v));
}

TEST(CalStrip, BuildLookupFromATablet) {
  vxtest::TempDir dir;
  const std::string kes = write_tablet(dir, "t.kes", 1, 80, 20, 4, 20, 60);
  CAL_STRIP s{};
  cal_strip_clear_points(&s);
  for (int k = 0; k < 4; ++k) {
    s.boxes[k] = {k * 20 + 4, 4, 10, 10};
    s.values[k] = 0.2 + 0.3 * k;
  }
  s.count = 4;
  IMG_INT_INFO lk{};
  ASSERT_TRUE(lookup_init(&lk));
  ASSERT_EQ(cal_build_lookup(s, kes.c_str(), 1, &lk), CAL_BUILD_OK);
  ASSERT_EQ(lk.wedge_count, 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(lk.wedge_values[k], s.values[k]);
    EXPECT_DOUBLE_EQ(ih_lookup_val(&lk, static_cast<uint32_t>(lk.dig_values[k])), s.values[k]);
  }
  EXPECT_EQ(lk.dig_val_range, lk.dig_values[3] - lk.dig_values[0]);

  s.values[2] = 0.1;  // densities fall back while the values rise: refused, nothing changes
  s.values[1] = 0.1;
  s.values[0] = 0.9;
  EXPECT_EQ(cal_build_lookup(s, kes.c_str(), 0, &lk), CAL_BUILD_ORDER);
  EXPECT_EQ(lk.interp_type, 1);
  EXPECT_EQ(lk.wedge_count, 4);
  s.boxes[3].x = 75;  // reaches outside the file
  EXPECT_EQ(cal_build_lookup(s, kes.c_str(), 0, &lk), CAL_BUILD_UNREADABLE);
  s.count = 1;  // one box: the interpolation type only
  EXPECT_EQ(cal_build_lookup(s, kes.c_str(), 0, &lk), CAL_BUILD_INTERP_ONLY);
  EXPECT_EQ(lk.interp_type, 0);
  EXPECT_EQ(lk.wedge_count, 4);
  lookup_free_arrays(&lk);
}

}  // namespace
