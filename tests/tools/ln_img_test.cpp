// Images made from lanes and bands: the selected lanes side by side, the reference lane drawn
// from selected size bands (its pixels, info file and analysis), and a pixel file that cannot be
// written.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "../acquire/acq_fixture.h"
#include "../shell/gel_fixture.h"
#include "base/io_file_set.h"
#include "base/io_file.h"
#include "grab.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_test.h"
#include "tools/gt_ln_img.h"

namespace {

class MadeImages : public shelltest::OpenImagesTest {
 protected:
  // The lane just added by add_lane_and_band, selected, with the given half widths.
  static LANE* last_lane(IMAGE_REC* im) {
    LANE* l = im->lanes->next;
    while (l->next) l = l->next;
    return l;
  }
  static LANE* selected_lane(IMAGE_REC* im, int x, int top, int bottom, int half) {
    shelltest::add_lane_and_band(im, x, top, bottom, (top + bottom) / 2);
    LANE* l = last_lane(im);
    l->left_width = l->right_width = half;
    l->f |= LN_F_SELECTED;
    ++im->num_sel_lanes;
    return l;
  }
  // The band just added (it heads the chain), selected, with a size, thickness and peak over
  // baseline.
  static SPOT* sized_band(IMAGE_REC* im, double size, int thickness, int od, int baseline) {
    SPOT* b = im->bands->next;
    b->size = size, b->thickness = thickness, b->od = od, b->baseline = baseline;
    b->f2 |= SP_F2_SELECTED;
    ++im->num_sel_bands;
    return b;
  }
  // An open gel with one selected lane holding one selected band.
  bool one_band_gel(double size, int od, int baseline) {
    IMAGE_REC* a = open(shelltest::write_gel(dir, "a", 60, 120));
    if (!a) return false;
    selected_lane(a, 15, 10, 100, 4);
    sized_band(a, size, 6, od, baseline);
    return true;
  }
  // gt_create_lane over every open image window.
  int create_lane(const std::string& out) const {
    const auto w = windows();
    return gt_create_lane(out.c_str(), w.data(), static_cast<int>(w.size()));
  }
  std::vector<TK_OBJ> windows() const {
    std::vector<TK_OBJ> w;
    for (int i = 0; i < gt_get_num_img_windows(); ++i) w.push_back(gt_get_img_window(i));
    return w;
  }
  // The pixel file as ImageMagick reads it: 8-bit grey after the 12-byte header.
  acqtest::Pnm magick(const std::string& kes, int w, int h) {
    const std::string pgm = dir + "/magick.pgm";
    EXPECT_TRUE(acqtest::run("convert -size " + std::to_string(w) + "x" + std::to_string(h) +
                             "+12 -depth 8 gray:" + acqtest::q(kes) + " " + acqtest::q(pgm)));
    return acqtest::read_pnm(pgm);
  }
};

TEST_F(MadeImages, SelectedLanesSideBySideTopAligned) {
  IMAGE_REC* a = open(shelltest::write_gel(dir, "a", 60, 120));
  IMAGE_REC* b = open(shelltest::write_gel(dir, "b", 50, 100));
  ASSERT_TRUE(a && b);
  selected_lane(a, 20, 5, 104, 10);  // 21 wide, 100 high
  selected_lane(b, 20, 10, 89, 15);  // 31 wide, 80 high
  const std::string out = dir + "/side.kes";
  const auto wins = windows();
  gt_create_image(wins.data(), static_cast<int>(wins.size()), out.c_str());
  const acqtest::Pnm p = magick(out, 52, 100);
  ASSERT_EQ(p.v.size(), 52u * 100u);
  std::vector<int> want(52 * 100, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 52; ++x) {
      if (x < 21) want[y * 52 + x] = static_cast<int>(shelltest::grey_of(10 + x, 5 + y));
      else if (y < 80) want[y * 52 + x] = static_cast<int>(shelltest::grey_of(5 + x - 21, 10 + y));
    }
  EXPECT_EQ(p.v, want);
  const acqtest::Kes k = acqtest::read_kes(out);
  EXPECT_EQ(k.bpp, 1);
  const acqtest::Info info = acqtest::read_info(out);
  EXPECT_EQ(info.h.width, 52);
  EXPECT_EQ(info.h.height, 100);
  EXPECT_EQ(info.h.original_width, 52);
  EXPECT_EQ(info.h.x_res, 85);
  EXPECT_EQ(info.h.y_scale, -3);
  EXPECT_EQ(info.h.max_value, 255);
  EXPECT_EQ(info.h.device, 15);
  EXPECT_EQ(info.interp, 1);
  EXPECT_EQ(info.dig, (std::vector<int>{0, 255}));
  EXPECT_EQ(info.val, (std::vector<double>{0.0, 255.0}));
}

// One band of size 100 (thickness 6, peak 100 over its baseline) and one without a size: the
// size range becomes 1.0, the image 96 x 35, and the stripe is the bell worked out by hand.
TEST_F(MadeImages, ReferenceLaneFromOneBand) {
  IMAGE_REC* a = open(shelltest::write_gel(dir, "a", 60, 120));
  ASSERT_TRUE(a);
  selected_lane(a, 15, 10, 100, 4);
  sized_band(a, 100.0, 6, 150, 50);
  selected_lane(a, 40, 10, 100, 4);
  sized_band(a, 0.0, 6, 150, 50);
  a->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
  a->size_stdp[0] = std_list_create();
  a->size_stdp[0]->int_method = 3, a->size_stdp[0]->extrap_method = 2;
  a->lane_hdr->num_tiers = 1;
  const std::string out = dir + "/ref.kes";
  TKT_AnswerAlert(1);
  ASSERT_EQ(create_lane(out), 0);
  EXPECT_EQ(TKT_LastAlertText(), "1 selected bands have no size and were left out.");
  const acqtest::Pnm p = magick(out, 96, 35);
  ASSERT_EQ(p.v.size(), 96u * 35u);
  // Rows 12 to 22 rise to 120 at row 17 and fall again, across columns 18 to 77.
  const int stripe[11] = {33, 36, 46, 64, 93, 120, 93, 64, 46, 36, 33};
  for (int y = 0; y < 35; ++y)
    for (int x = 0; x < 96; ++x) {
      const bool in = x >= 18 && x <= 77 && y >= 12 && y <= 22;
      ASSERT_EQ(p.v[y * 96 + x], in ? stripe[y - 12] : 32) << x << ", " << y;
    }

  // The analysis opens with the image: one lane "1", its band numbered 1, one size marker.
  IMAGE_REC* ref = open(out);
  ASSERT_TRUE(ref);
  LANE* lane = ref->lanes->next;
  ASSERT_TRUE(lane);
  EXPECT_STREQ(lane->lane_name, "1");
  EXPECT_EQ(lane->left_width, 23);
  EXPECT_EQ(lane->max_detect, 1);
  SPOT* band = ref->bands->next;
  ASSERT_TRUE(band);
  EXPECT_EQ(band->next, nullptr);
  EXPECT_EQ(band->number, 1);
  EXPECT_EQ(band->y, 18);
  EXPECT_EQ(band->od, 132);
  EXPECT_EQ(band->baseline, 32);
  EXPECT_EQ(band->lane_width, 45);
  EXPECT_DOUBLE_EQ(band->area, 270.0);
  EXPECT_DOUBLE_EQ(band->size, 100.0);
  ASSERT_TRUE(ref->size_stdp && ref->size_stdp[0]);
  EXPECT_EQ(ref->size_stdp[0]->count, 1);
  EXPECT_EQ(ref->size_stdp[0]->int_method, 3);
  EXPECT_EQ(ref->size_stdp[0]->extrap_method, 2);
  EXPECT_TRUE(toolstest::grab(static_cast<TK_OBJ>(ref->window), dir, "reference_lane"));
}

// A peak below its baseline darkens the stripe to 0 at most; a failed pixel file writes
// nothing more and reports -1.
TEST_F(MadeImages, NegativePeakAndFailedWrite) {
  ASSERT_TRUE(one_band_gel(50.0, 0, 200));
  const std::string out = dir + "/neg.kes";
  ASSERT_EQ(create_lane(out), 0);
  const acqtest::Pnm p = magick(out, 96, 35);
  ASSERT_EQ(p.v.size(), 96u * 35u);
  EXPECT_EQ(p.v[17 * 96 + 40], 0);  // round(-200 x 0.88 + 32) held to 0

  const std::string bad = dir + "/bad.kes";
  IoFileOps failing = io_file_ops_system();
  failing.write = [](int, const void*, std::size_t) -> ssize_t { return -1; };
  const IoFileOps kept = io_file_set_ops(failing);
  TKT_AnswerAlert(1);
  const int r = create_lane(bad);
  io_file_set_ops(kept);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(TKT_LastAlertText(), "The file could not be written.");
  EXPECT_FALSE(io_file_exists(bad.c_str()));
  EXPECT_FALSE(io_file_exists((dir + "/bad.kei").c_str()));
  EXPECT_FALSE(io_file_exists((dir + "/bad.kea").c_str()));
}

// A band thickness from a damaged analysis (2^31 - 1) still draws only the image's own rows.
TEST_F(MadeImages, AnyThicknessStaysWithinTheImage) {
  ASSERT_TRUE(one_band_gel(80.0, 150, 50));
  gt_get_image_ptr()->bands->next->thickness = INT32_MAX;
  const std::string out = dir + "/thick.kes";
  ASSERT_EQ(create_lane(out), 0);
  EXPECT_EQ(acqtest::read_kes(out).v.size(), 96u * 35u);
}

TEST_F(MadeImages, NoSizedBandMakesNothing) {
  ASSERT_TRUE(one_band_gel(0.0, 150, 50));
  const std::string out = dir + "/none.kes";
  TKT_AnswerAlert(1);
  EXPECT_EQ(create_lane(out), -1);
  EXPECT_EQ(TKT_LastAlertText(), "None of the selected bands has a size.");
  EXPECT_FALSE(io_file_exists(out.c_str()));
}

}  // namespace
