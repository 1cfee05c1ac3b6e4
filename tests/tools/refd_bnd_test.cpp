// The band detection refinement dialog: when it finds the bands again, what Cancel, OK and the
// close box leave behind, and the most-bands setting reaching the lanes.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "gel_record.h"
#include "grab.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_tools.h"
#include "when_shown.h"

namespace {

using toolstest::GelTest;

// Parts: 0 OK, 1 Cancel, 2 Apply, sliders 3, 4, 11, 15, their number fields 9, 10, 14, 18,
// 19 the quantify toggle.
class RefineBands : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    analysed();
    im->min_top_band_thick = 3, im->min_bot_band_thick = 3;
    im->band_threshold = 10, im->band_threshold2 = 0;
    ctl->fnd_bnd_quant = 0;
    for (int& v : ctl->bnd_detect) v = -1;
  }
  // Runs the dialog with `act` done inside it; each step of `act` may call finds().
  void run(std::function<void(TK_OBJ)> act) {
    QTimer::singleShot(0, [=] {
      if (TK_OBJ w = TKT_FindWindow("refd_bnd", "refd_bnd_win")) act(w);
    });
    gt_refd_bnd_activate(nullptr, im.get());
  }
  // Whether the bands were found again since the last call: a find clears the band selection.
  bool finds() {
    const bool found = im->num_sel_bands == 0;
    im->num_sel_bands = 99;
    return found;
  }
  void slide(TK_OBJ w, int part, int value) {
    WGT_SetValue(RES_GetSub(w, part), value);
    TKT_Send(RES_GetSub(w, part), TK_EV_ACTIVATE);
  }
  std::vector<int> image_settings() const {
    return {im->min_top_band_thick, im->min_bot_band_thick, im->band_threshold, im->band_threshold2};
  }
};

TEST_F(RefineBands, ApplyOnceThenCancelRestoresTheOpeningSettings) {
  std::vector<bool> found;
  std::string shown;
  run([&](TK_OBJ w) {
    finds();
    slide(w, 11, 40);
    shown = WGT_GetText(RES_GetSub(w, 14));
    TKT_Click(RES_GetSub(w, 2));
    found.push_back(finds());
    EXPECT_EQ(image_settings(), (std::vector<int>{3, 3, 40, 0}));
    TKT_Click(RES_GetSub(w, 2));  // the same values again
    found.push_back(finds());
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "refd_bnd"));
    TKT_Click(RES_GetSub(w, 1));
    found.push_back(finds());
  });
  EXPECT_EQ(shown, "40");
  EXPECT_EQ(found, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(image_settings(), (std::vector<int>{3, 3, 10, 0}));
  EXPECT_EQ(ctl->bnd_detect[0], -1);  // the defaults are OK's alone
}

TEST_F(RefineBands, QuantifyChangedAndBackStillRestoresOnCancel) {
  bool cancel_found = false;
  run([&](TK_OBJ w) {
    TKT_Click(RES_GetSub(w, 19));
    TKT_Click(RES_GetSub(w, 2));
    TKT_Click(RES_GetSub(w, 19));
    TKT_Click(RES_GetSub(w, 2));
    finds();
    TKT_Click(RES_GetSub(w, 1));
    cancel_found = finds();
  });
  EXPECT_TRUE(cancel_found);
}

TEST_F(RefineBands, CancelWithoutChangesFindsNothing) {
  bool cancel_found = true;
  run([&](TK_OBJ w) {
    finds();
    TKT_Click(RES_GetSub(w, 1));
    cancel_found = finds();
  });
  EXPECT_FALSE(cancel_found);
}

TEST_F(RefineBands, OkFindsAgainAndStoresTheDefaults) {
  bool ok_found = false;
  run([&](TK_OBJ w) {
    finds();
    TKT_Click(RES_GetSub(w, 19));
    TKT_Click(RES_GetSub(w, 0));
    ok_found = finds();
  });
  EXPECT_TRUE(ok_found);
  EXPECT_EQ(std::vector<int>(ctl->bnd_detect, ctl->bnd_detect + 4), (std::vector<int>{3, 3, 10, 0}));
  EXPECT_EQ(ctl->fnd_bnd_quant, 1);
}

TEST_F(RefineBands, CloseBoxKeepsTheAppliedDetection) {
  bool close_found = true;
  run([&](TK_OBJ w) {
    slide(w, 3, 6);
    TKT_Click(RES_GetSub(w, 2));
    finds();
    TKT_Close(w);
    close_found = finds();
  });
  EXPECT_FALSE(close_found);
  EXPECT_EQ(image_settings(), (std::vector<int>{6, 3, 10, 0}));
  EXPECT_EQ(ctl->bnd_detect[0], -1);
}

// Ten like peaks in every lane; the fourth slider caps the bands found per lane.
class RefineTenPeaks : public RefineBands {
 protected:
  void SetUp() override {
    g.band_rows = {90, 130, 170, 210, 250, 290, 330, 370, 410, 450};
    RefineBands::SetUp();
  }
  int bands_in_first_lane() {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, im->lanes->next, nullptr, nullptr);
    ks_free(arr);
    return n;
  }
};

TEST_F(RefineTenPeaks, MostBandsSettingLeavesThatMany) {
  ASSERT_EQ(bands_in_first_lane(), 10);
  run([&](TK_OBJ w) {
    slide(w, 15, 3);
    TKT_Click(RES_GetSub(w, 0));
  });
  EXPECT_EQ(im->lanes->next->max_detect, 3);
  EXPECT_EQ(bands_in_first_lane(), 3);
  EXPECT_EQ(ctl->bnd_detect[3], 3);

  // The image keeps its limit of 3; lanes defined afresh and Find Bands OK find all ten peaks.
  ln_free_lanes(im->lanes);
  im->lanes = ln_make_lane();
  ln_free_bands(im->bands);
  im->bands = sp_make_spot();
  im->lane_hdr->num_lanes = 0, im->band_hdr->nrec = 0;
  pending_lanes();
  gt_fd_bnd_activate(nullptr, 1);
  const auto refined =
      vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ w) { TKT_Close(w); });
  TKT_Click(RES_GetSub(TKT_FindWindow("fd_bnd", "fd_bnd_win"), 0));
  EVENT_Flush();
  EXPECT_EQ(im->band_threshold2, 3);
  EXPECT_EQ(im->lanes->next->max_detect, 0);
  EXPECT_EQ(bands_in_first_lane(), 10);
}

}  // namespace
