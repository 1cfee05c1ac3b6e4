// Calibration value files and the automatic wedge calibration on synthetic wedge images.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "engine/cal_auto.h"
#include "model/img_info.h"
#include "test_support.h"

namespace {

TEST(CalValues, ValueFilesAreReadAndChecked) {
  vxtest::TempDir dir;
  struct Case {
    const char* text;
    BOOL ok;
    int steps;
  };
  const Case cases[] = {
      {"1, 0.05, 500\n", FALSE, 1},
      {"1, 0.05, 500\n2, 0.05, 500\n", FALSE, 2},
      {"1, 0.05, 500\n2, 0.2, 500\n3, 0.2, 500\n", FALSE, 3},
      {"# wedge\n; comment\nTitle 1\n\n  1, 0.05, 700\n2,0.20 , 500\n3, 0.35, 600\n", TRUE, 3},
      {"1, 3.0, 500\n2, 2.5, 500\n3, 1.0, 400\n", TRUE, 3},  // falling densities
      // Step widths whose sum overflows, or a negative one: the file is refused.
      {"1, 0.1, 1811111850\n2, 0.2, 1211111111\n3, 0.3, 5\n", FALSE, -1},
      {"1, 0.1, 500\n2, 0.2, -40\n", FALSE, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    vxtest::write_text(dir.file("w.std"), c.text);
    CalData set{};
    EXPECT_EQ(cal_readValues(dir.file("w.std").c_str(), &set), c.ok);
    EXPECT_EQ(set.iNumSteps, c.steps);
  }
  CalData set{};
  vxtest::write_text(dir.file("w.std"), "# wedge\n  1, 0.05, 700\n2,0.20 , 500\n3, 0.35, 600\n");
  ASSERT_TRUE(cal_readValues(dir.file("w.std").c_str(), &set));
  EXPECT_DOUBLE_EQ(set.step_od[0], 0.05);
  EXPECT_EQ(set.step_width[0], 700);
  EXPECT_EQ(set.step_width[2], 600);
  EXPECT_EQ(set.iTotalLength, 1800);

  std::string many;
  for (int i = 0; i < 60; ++i) many += std::to_string(i + 1) + ", " + std::to_string(0.1 * i) + ", 500\n";
  vxtest::write_text(dir.file("w.std"), many);
  ASSERT_TRUE(cal_readValues(dir.file("w.std").c_str(), &set));
  EXPECT_EQ(set.iNumSteps, CAL_MAX_STEPS);
  EXPECT_FALSE(cal_readValues(dir.file("missing.std").c_str(), &set));
}

TEST(CalValues, StartUpNeedsBothSets) {
  // The sets are named by the ini entries, whose defaults are files in the current folder.
  vxtest::TempDir dir;
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.str().c_str()), 0);
  vxtest::write_text(dir.file("transmissive.std"), "1, 0.05, 500\n2, 0.2, 500\n");
  const long alerts = ks_alert_count();
  EXPECT_FALSE(InitCalandEquData());
  EXPECT_EQ(ks_alert_count(), alerts + 1);
  EXPECT_NE(ks_alert_last_text().find("Reflective"), std::string::npos);
  EXPECT_EQ(CurrentCalScanSet(1)->bOK, 1);
  EXPECT_FALSE(InitCalandEquData());  // once only
  EXPECT_EQ(ks_alert_count(), alerts + 1);
  ASSERT_EQ(chdir(here), 0);
}

TEST(CalValues, FixupValuesRepairsTheMajorityDirection) {
  struct Case {
    std::vector<int> in, out;
    int changed;
  };
  const Case cases[] = {
      {{10, 20, 15, 40, 50}, {10, 20, 30, 40, 50}, 1},
      {{10, 20, 30, 40, 25, 22}, {10, 20, 30, 40, 40, 40}, 1},
      {{10, 20, 30, 25, 22}, {10, 20, 30, 25, 22}, 0},  // two rises, two falls
      {{10, 10, 10, 20}, {10, 10, 10, 20}, 0},
      {{90, 80, 85, 60, 50}, {90, 80, 70, 60, 50}, 1},
      {{5}, {5}, 0},
  };
  for (const Case& c : cases) {
    std::vector<int> v = c.in;
    EXPECT_EQ(FixupValues(v.data(), static_cast<int>(v.size())), c.changed);
    EXPECT_EQ(v, c.out);
  }
}

TEST(CalValues, WedgeImageWhoseHeaderTheFileCannotHoldIsRefused) {
  vxtest::TempDir dir;
  // A bare header announcing 2^31 - 1 square 16-bit pixels.
  vxtest::write_bytes(dir.file("w.kes"),
                      {'I', 'I', 2, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F});
  int white_left = 0;
  std::vector<int> deriv(16);
  EXPECT_EQ(cal_auto_ReadSlice(dir.file("w").c_str(), &white_left, deriv.data(), 4, 16, 16), 5);
}

TEST(CalValues, MediansAndDerivative) {
  const unsigned char b[] = {9, 1, 5, 7, 3};
  EXPECT_EQ(cal_median_byte(5, b), 5);
  EXPECT_EQ(cal_median_byte(0, b), 0);
  const int iv[] = {4, -2, 8, 1};
  EXPECT_EQ(cal_median_int(4, iv), 4);  // element 2 of -2, 1, 4, 8

  unsigned char run[] = {1, 9, 2, 8, 3, 7};
  ASSERT_TRUE(cal_running_median_byte(3, 6, run, 0));
  EXPECT_EQ(std::vector<int>(run, run + 6), (std::vector<int>{1, 2, 8, 3, 7, 7}));
  int runi[] = {1, 9, 2, 8, 3, 7};
  ASSERT_EQ(cal_running_median_int(3, 6, runi, 1), 1);
  EXPECT_EQ(std::vector<int>(runi, runi + 6), (std::vector<int>{2, 2, 8, 3, 7, 7}));
  EXPECT_FALSE(cal_running_median_byte(3, 3, run, 0));

  const unsigned char in[] = {0, 10, 30, 60, 100};
  int d[5];
  cal_get_derivative(d, in, 1, 5);
  EXPECT_EQ(std::vector<int>(d, d + 5), (std::vector<int>{0, 30, 50, 70, 0}));
}

// A synthetic step wedge laid out as the value file says: steps of rising value from the white
// end to the dark end, a margin of the first step's value before it and a light background
// after the dark end. Every row is the same.
class Wedge : public ::testing::Test {
 protected:
  static constexpr int kSteps = 12;
  static int value(int k) { return 20 + 15 * k; }

  void SetUp() override {
    std::string text = "# test wedge\n";
    for (int k = 0; k < kSteps; ++k) {
      const int width = k == 0 ? 700 : (k == kSteps - 1 ? 600 : 500);
      text += std::to_string(k + 1) + ", " + std::to_string(0.05 + 0.15 * k) + ", " +
              std::to_string(width) + "\n";
    }
    vxtest::write_text(dir_.file("transmissive.std"), text);
    CalData* set = CurrentCalScanSet(1);
    set->bTransmissive = 1;
    ASSERT_TRUE(cal_readValues(dir_.file("transmissive.std").c_str(), set));
    set->bOK = 1;
  }

  // Column edges of the steps in the wedge image, placed by hand: the value file's widths
  // (7 mm, ten of 5 mm, 6 mm) laid from the white end after a margin of 30 columns, each edge at
  // the nearest column to its distance at the resolution. Edge k is the first column of step k;
  // the last edge is the first column past the dark end.
  static const std::vector<int>& edges(int dpi) {
    static const std::vector<int> e100 = {30, 58, 77, 97, 117, 136, 156, 176, 195, 215, 235, 254, 278};
    static const std::vector<int> e150 = {30, 71, 101, 130, 160, 189, 219, 249, 278, 308, 337, 367, 402};
    static const std::vector<int> e200 = {30, 85, 124, 164, 203, 243, 282, 321, 361, 400, 439, 479, 526};
    static const std::vector<int> e300 = {30, 113, 172, 231, 290, 349, 408, 467, 526, 585, 644, 703, 774};
    switch (dpi) {
      case 100: return e100;
      case 150: return e150;
      case 200: return e200;
      default: return e300;
    }
  }

  // Writes "<dir>/wedge.kes"; returns its width.
  int write(int dpi, int height, int bpp, bool white_left) {
    const std::vector<int>& b = edges(dpi);
    const int width = b[kSteps] + 40;
    std::vector<unsigned> row(width);
    for (int x = 0; x < width; ++x) {
      int v = x < b[0] ? value(0) : 5;
      for (int k = 0; k < kSteps; ++k)
        if (x >= b[k] && x < b[k + 1]) v = value(k);
      row[white_left ? x : width - 1 - x] = bpp == 2 ? v * 256 + 77 : v;
    }
    std::vector<unsigned char> bytes = {'I', 'I', static_cast<unsigned char>(bpp), 0};
    for (uint32_t v : {uint32_t(width), uint32_t(height)})
      for (int i = 0; i < 4; ++i) bytes.push_back((v >> (8 * i)) & 0xFF);
    for (int y = 0; y < height; ++y)
      for (unsigned v : row) {
        bytes.push_back(v & 0xFF);
        if (bpp == 2) bytes.push_back(v >> 8);
      }
    vxtest::write_bytes(dir_.file("wedge.kes"), bytes);
    return width;
  }
  std::string root() const { return dir_.file("wedge"); }

  vxtest::TempDir dir_;
};

TEST_F(Wedge, StepsAreFoundAndMeasuredAtEachSupportedResolution) {
  for (int dpi : {100, 150, 300})
    for (int bpp : {1, 2})
      for (bool white_left : {true, false}) {
        SCOPED_TRACE(::testing::Message() << dpi << " dpi, bpp " << bpp
                                          << (white_left ? " white left" : " white right"));
        const int height = 80;
        const int width = write(dpi, height, bpp, white_left);
        IMG_INT_INFO* table = ks_new_rec<IMG_INT_INFO>();
        ASSERT_TRUE(GetCalScanODSet(1, table));
        EXPECT_EQ(table->wedge_count, kSteps);
        ASSERT_EQ(cal_auto_bounds(root().c_str(), width, height, bpp * 8, dpi, table), 0);
        EXPECT_EQ(cal_auto_num_boxes(), kSteps);
        // Each box (right edge exclusive) lies inside its step, counted from the white end; the
        // margin before the first step has that step's value.
        for (int k = 0; k < kSteps; ++k) {
          int box[4];
          ASSERT_TRUE(cal_auto_box(k, box));
          const int lo = white_left ? box[0] : width - box[2];
          const int hi = white_left ? box[2] - 1 : width - 1 - box[0];
          EXPECT_GE(lo, k == 0 ? 0 : edges(dpi)[k]) << "step " << k;
          EXPECT_LT(hi, edges(dpi)[k + 1]) << "step " << k;
        }
        ASSERT_TRUE(cal_auto_calibrate(root().c_str(), 1, 1));
        const CalData* set = CurrentCalScanSet(1);
        for (int k = 0; k < kSteps; ++k)
          EXPECT_EQ(set->step_dig[k], bpp == 2 ? value(k) * 256 + 77 : value(k)) << "step " << k;
        EXPECT_EQ(set->iNumSteps, kSteps);

        ASSERT_TRUE(cal_auto_setCalData(table, 1));
        EXPECT_EQ(table->wedge_count, kSteps);
        EXPECT_EQ(table->dig_values[3], set->step_dig[3]);
        EXPECT_DOUBLE_EQ(table->wedge_values[3], set->step_od[3]);
        EXPECT_EQ(table->bHaveCalib, 1);
        EXPECT_GT(table->ext_x[0], 0);
        EXPECT_GT(table->ext_y[0], 0);
        lookup_free(table);
      }
}

TEST_F(Wedge, BoxesThatComeOutEmptyOrInvertedFailTheSearch) {
  IMG_INT_INFO* table = ks_new_rec<IMG_INT_INFO>();
  ASSERT_TRUE(GetCalScanODSet(1, table));
  int width = write(300, 80, 1, true);
  ASSERT_EQ(cal_auto_bounds(root().c_str(), width, 80, 8, 300, table), 0);
  int before[4];
  ASSERT_TRUE(cal_auto_box(5, before));

  // At 200 dpi the wedge row is the middle row: in a tall strip the boxes end above it.
  width = write(200, 300, 1, true);
  EXPECT_EQ(cal_auto_bounds(root().c_str(), width, 300, 8, 200, table), CAL_BOUNDS_FAIL);
  int after[4];
  ASSERT_TRUE(cal_auto_box(5, after));
  EXPECT_EQ(std::vector<int>(after, after + 4), std::vector<int>(before, before + 4));
  EXPECT_EQ(cal_auto_num_boxes(), kSteps);

  // A strip too short for the boxes: clipped to the image.
  width = write(300, 40, 1, true);
  ASSERT_EQ(cal_auto_bounds(root().c_str(), width, 40, 8, 300, table), 0);
  int box[4];
  ASSERT_TRUE(cal_auto_box(0, box));
  EXPECT_LE(box[3], 40);
  EXPECT_TRUE(cal_auto_calibrate(root().c_str(), 1, 0));

  // No wedge at all: a flat image has no dark end.
  std::vector<unsigned char> flat = {'I', 'I', 1, 0, 100, 0, 0, 0, 50, 0, 0, 0};
  flat.resize(12 + 100 * 50, 128);
  vxtest::write_bytes(root() + ".kes", flat);
  EXPECT_EQ(cal_auto_bounds(root().c_str(), 100, 50, 8, 300, table), CAL_BOUNDS_FAIL);
  EXPECT_EQ(cal_auto_bounds(dir_.file("none").c_str(), 100, 50, 8, 300, table), CAL_BOUNDS_FAIL);
  lookup_free(table);
}

TEST_F(Wedge, FoundBoxesTurnWithTheImage) {
  IMG_INT_INFO* table = ks_new_rec<IMG_INT_INFO>();
  ASSERT_TRUE(GetCalScanODSet(1, table));
  const int width = write(100, 40, 1, true);
  ASSERT_EQ(cal_auto_bounds(root().c_str(), width, 40, 8, 100, table), 0);
  ASSERT_TRUE(cal_auto_calibrate(root().c_str(), 1, 0));
  int b[4];
  ASSERT_TRUE(cal_auto_box(2, b));
  const CalData* set = CurrentCalScanSet(1);
  cal_auto_setBoxDisplay(180, 0, 100, 200);
  EXPECT_EQ(set->box_left[2], 200 - b[0]);
  EXPECT_EQ(set->box_top[2], 100 - b[1]);
  EXPECT_EQ(set->box_right[2], 200 - b[2]);
  EXPECT_EQ(set->box_bottom[2], 100 - b[3]);
  cal_auto_setBoxDisplay(90, 0, 100, 200);
  EXPECT_EQ(set->box_left[2], 100 - b[1]);
  EXPECT_EQ(set->box_top[2], b[0]);
  cal_auto_setBoxDisplay(270, 0, 100, 200);
  EXPECT_EQ(set->box_top[2], 200 - b[0]);
  EXPECT_EQ(set->box_right[2], b[3]);
  lookup_free(table);
}

}  // namespace
