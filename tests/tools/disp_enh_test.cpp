// The display enhancement dialog over two open images: OK gives every window the chosen map,
// Cancel puts the current one back, small moves change nothing, the spectrum map has no window.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "../shell/gel_fixture.h"
#include "grab.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/ih_cmap.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_disp_enh.h"

namespace {

// Parts: 0 colour map choice, 1 width slider, 3 level slider, 5 OK, 6 Reset, 7 Cancel.
class EnhanceDisplay : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    a = open(shelltest::write_gel(dir, "a", 40, 30));
    b = open(shelltest::write_gel(dir, "b", 30, 20));
    ASSERT_TRUE(a && b);
    ASSERT_EQ(gt_get_image_ptr(), b);
  }
  void TearDown() override {
    ih_set_cmap(nullptr, 0, 50, 100);  // the program's starting map, for the tests that follow
    OpenImagesTest::TearDown();
  }
  void run(std::function<void(TK_OBJ)> act) {
    QTimer::singleShot(0, [=] {
      if (TK_OBJ w = TKT_FindWindow("enh_disp", "enh_disp_win")) act(w);
    });
    TK_OBJ wins[2] = {gt_get_img_window(0), gt_get_img_window(1)};
    gt_enh_disp_activate(wins, 2);
  }
  static void slide(TK_OBJ w, int part, int value) {
    WGT_SetValue(RES_GetSub(w, part), value);
    TKT_Send(RES_GetSub(w, part), TK_EV_ACTIVATE);
  }
  static std::array<TkImage::Rgb, 256> table(const IMAGE_REC* im) { return im->img_ptr->disp_img->colours(); }
  // The table that a map gives, loaded into a scratch image; the program's starting map is
  // put back.
  static std::array<TkImage::Rgb, 256> table_of(int code, int level, int width) {
    TkImage scratch;
    ih_set_cmap(&scratch, code, level, width);
    ih_set_cmap(nullptr, 0, 50, 100);
    return scratch.colours();
  }
  IMAGE_REC* a = nullptr;
  IMAGE_REC* b = nullptr;
};

TEST_F(EnhanceDisplay, OkGivesEveryWindowTheMapAndStoresIt) {
  const auto expected = table_of(4, 30, 80);
  run([this](TK_OBJ w) {
    TKT_Pick(RES_GetSub(w, 0), 4);
    slide(w, 3, 30);
    slide(w, 1, 80);
    EXPECT_TRUE(toolstest::grab(w, dir, "enh_disp_multi_hue"));
    TKT_Click(RES_GetSub(w, 5));
  });
  EXPECT_EQ(table(a), expected);
  EXPECT_EQ(table(b), expected);
  EVENT_Flush();
  EXPECT_TRUE(toolstest::grab(static_cast<TK_OBJ>(a->window), dir, "enh_disp_image_multi_hue"));
  const CONTROL* ctl = gt_get_control();
  EXPECT_EQ(ctl->cmap_code, 4);
  EXPECT_EQ(ctl->cmap_level, 30);
  EXPECT_EQ(ctl->cmap_width, 80);
}

TEST_F(EnhanceDisplay, CancelRestoresTheCurrentImageAndOthersNeverChange) {
  const auto before_a = table(a), before_b = table(b);
  bool live = false;
  run([&](TK_OBJ w) {
    TKT_Pick(RES_GetSub(w, 0), 5);
    slide(w, 3, 20);
    live = table(b) != before_b && table(a) == before_a;
    TKT_Click(RES_GetSub(w, 7));
  });
  EXPECT_TRUE(live);
  EXPECT_EQ(table(b), before_b);
  EXPECT_EQ(table(a), before_a);
  EXPECT_EQ(gt_get_control()->cmap_code, 0);
}

TEST_F(EnhanceDisplay, OnePercentChangesNothingTwoDoes) {
  std::vector<bool> changed;
  run([&](TK_OBJ w) {
    const auto before = table(b);
    slide(w, 3, WGT_GetInt(RES_GetSub(w, 3)) + 1);
    changed.push_back(table(b) != before);
    slide(w, 3, WGT_GetInt(RES_GetSub(w, 3)) + 1);
    changed.push_back(table(b) != before);
    TKT_Close(w);
  });
  EXPECT_EQ(changed, (std::vector<bool>{false, true}));
}

TEST_F(EnhanceDisplay, SpectrumDisablesTheSlidersAndResetGoesBackToTheFirstSettings) {
  std::vector<int> enabled;
  run([&](TK_OBJ w) {
    TKT_Pick(RES_GetSub(w, 0), 8);
    enabled.push_back(WGT_IsEnabled(RES_GetSub(w, 1)) + WGT_IsEnabled(RES_GetSub(w, 3)));
    EXPECT_TRUE(toolstest::grab(w, dir, "enh_disp_spectrum"));
    TKT_Pick(RES_GetSub(w, 0), 2);
    enabled.push_back(WGT_IsEnabled(RES_GetSub(w, 1)) + WGT_IsEnabled(RES_GetSub(w, 3)));
    slide(w, 3, 70);
    TKT_Click(RES_GetSub(w, 5));
  });
  EXPECT_EQ(enabled, (std::vector<int>{0, 2}));
  EXPECT_EQ(gt_get_control()->cmap_code, 2);
  int code = -1, level = -1;
  run([&](TK_OBJ w) {
    TKT_Click(RES_GetSub(w, 6));
    code = WGT_GetChoice(RES_GetSub(w, 0));
    level = WGT_GetInt(RES_GetSub(w, 3));
    TKT_Click(RES_GetSub(w, 7));
  });
  EXPECT_EQ(code, 0);  // the control record's settings at the first opening of the run
  EXPECT_EQ(level, 50);
}

}  // namespace
