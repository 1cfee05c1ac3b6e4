// The real ladder gel through the lane tools' windows as a user goes: Define... for 4 lanes in a
// block, the block's corners clicked on the image, Find Bands OK; once with tracked lanes and once with
// lanes divided evenly. The lanes must stand near the ladder's lanes (x = 388, 615, 841, 1070)
// with 16 to 18 bands each between rows 184 and 591.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../shell/shell_fixture.h"
#include "gel_record.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "toolkit/tk_widget.h"

#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "tools/gt_tool_wins.h"
#include "when_shown.h"

namespace {

class LadderFlow : public shelltest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    gt_control_init(gt_get_control());
    toolstest::load_resources();
  }
  void TearDown() override {
    gt_tool_wins_dismiss_all();
    while (gt_get_num_img_windows() > 0) {
      IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(0)));
      if (im) gt_image_clear_modified(im);
      WIN_Terminate(gt_get_img_window(0));
    }
    MainWindowTest::TearDown();
  }
  // The gel in the program's own files, or "" (with the reason in `skip`) when it cannot be made.
  std::string ladder_image() {
    auto gel = vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif";
    if (!std::filesystem::exists(gel))
      gel = vxtest::source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
    if (!std::filesystem::exists(gel) || std::system("command -v convert >/dev/null") != 0) {
      skip = "no gel or no ImageMagick";
      return "";
    }
    const std::string pgm = ws_->file("ladder.pgm"), kes = ws_->file("ladder.kes");
    const std::string cmd = "convert -quiet '" + gel.string() + "' -depth 8 '" + pgm + "' && '" +
                            (vxtest::bin_dir() / "vx-demo-image").string() + "' '" + pgm + "' '" +
                            kes + "' 100 >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) {
      skip = "the gel cannot be converted here";
      return "";
    }
    return kes;
  }
  // Opens the gel, answers Define... with 4 lanes in a block, found automatically (state 1,
  // tracked) or not (state 2, divided evenly), clicks the block's corners on the image and
  // presses OK in Find Bands; `refine` then works the band refinement dialog that opens.
  IMAGE_REC* find_bands(const std::string& kes, int state, std::function<void(TK_OBJ)> refine) {
    gt_load_image_path(kes.c_str());
    EVENT_Flush();
    EXPECT_EQ(gt_get_num_img_windows(), 1);
    if (gt_get_num_img_windows() != 1) return nullptr;
    IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(0)));
    gt_set_image_ptr(im);
    TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
    QTimer::singleShot(0, [state] {
      TK_OBJ d = TKT_FindWindow("ln_info", "ln_info_win");
      if (!d) return;
      TKT_Pick(RES_GetSub(d, 3), 1);
      TKT_Type(RES_GetSub(d, 0), "4");
      if ((WGT_GetValue(RES_GetSub(d, 4)) != 0) != (state == 1)) TKT_Click(RES_GetSub(d, 4));
      TKT_Click(RES_GetSub(d, 1));
    });
    main_winNfySelMenuBar(win_, GT_CMD_DEFINE_LANES);
    EXPECT_EQ(gt_get_state(), state);
    EXPECT_NE(TKT_FindWindow("fd_ln", "fd_ln_win"), nullptr);
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], 1.0);
    for (auto [x, y] : {std::pair{275, 170}, {1185, 170}, {1185, 610}, {275, 610}}) {
      TKT_Press(area, x, y);
      TKT_Release(area, x, y);
    }
    EVENT_Flush();
    TK_OBJ fd_bnd = TKT_FindWindow("fd_bnd", "fd_bnd_win");
    EXPECT_NE(fd_bnd, nullptr);
    if (!fd_bnd) return nullptr;
    EXPECT_EQ(gt_get_state(), 3);
    const auto refined = vxtest::when_shown("refd_bnd", "refd_bnd_win", refine);
    TKT_Click(RES_GetSub(fd_bnd, 0));
    EVENT_Flush();
    EXPECT_EQ(gt_get_state(), 0);
    return im;
  }
  // Each lane's mean centre x, its bands and those of them between rows 184 and 591.
  struct LaneSeen {
    int x = 0, bands = 0, in_rows = 0;
  };
  static std::vector<LaneSeen> lanes_and_bands(const IMAGE_REC* im) {
    std::vector<LaneSeen> out;
    for (LANE* l = im->lanes->next; l; l = l->next) {
      LaneSeen seen;
      long sx = 0;
      for (int i = 0; i < l->num_center_points; ++i) sx += l->center_coords[i].x;
      seen.x = static_cast<int>(sx / std::max(l->num_center_points, 1));
      for (SPOT* b = im->bands->next; b; b = b->next)
        if (ln_xyinlane(b->x, b->y, l)) ++seen.bands, seen.in_rows += b->y >= 184 && b->y <= 591;
      out.push_back(seen);
    }
    return out;
  }
  void close_image(IMAGE_REC* im) {
    gt_image_clear_modified(im);
    WIN_Terminate(gt_get_img_window(0));
    EVENT_Flush();
  }
  std::string skip;
};

TEST_F(LadderFlow, FindLanesThenFindBandsOnTheLadder) {
  const std::string kes = ladder_image();
  if (kes.empty()) GTEST_SKIP() << skip;
  const int truth[4] = {388, 615, 841, 1070};
  for (int state : {1, 2}) {
    SCOPED_TRACE(state == 1 ? "tracked" : "evenly divided");
    // OK ends in the band refinement dialog; its close box keeps the bands found.
    IMAGE_REC* im = find_bands(kes, state, [](TK_OBJ w) { TKT_Close(w); });
    ASSERT_NE(im, nullptr);
    const auto lanes = lanes_and_bands(im);
    ASSERT_EQ(lanes.size(), 4u);
    // Finding bands on new lanes sets no peak-height cut; the band-count path sets its own.
    for (LANE* l = im->lanes->next; l; l = l->next) EXPECT_EQ(l->pct_threshold, 0);
    for (int k = 0; k < 4; ++k) {
      std::printf("%s lane %d: x %d, %d bands, %d in rows 184..591\n",
                  state == 1 ? "tracked" : "even", k + 1, lanes[k].x, lanes[k].bands, lanes[k].in_rows);
      EXPECT_NEAR(lanes[k].x, truth[k], 15);
      EXPECT_GE(lanes[k].in_rows, 16);
      EXPECT_LE(lanes[k].in_rows, 18);
    }
    close_image(im);
  }
}

TEST_F(LadderFlow, TheTutorialsBandStepsGiveTheDemoAnalysisBands) {
  // Refine Band Detection as the Tutorial has it: the settings the bands were found with (the
  // program's defaults: thickness 7, bottom as top, no threshold, no limit) kept, "Quantify the
  // bands when found" ticked, Apply, then OK, which stores them as the defaults.
  const std::string kes = ladder_image();
  if (kes.empty()) GTEST_SKIP() << skip;
  std::vector<std::string> shown;
  IMAGE_REC* im = find_bands(kes, 1, [&shown](TK_OBJ w) {
    for (int part : {9, 10, 14, 18}) shown.push_back(WGT_GetText(RES_GetSub(w, part)));
    TKT_Click(RES_GetSub(w, 19));
    TKT_Click(RES_GetSub(w, 2));
    TKT_Click(RES_GetSub(w, 0));
  });
  ASSERT_NE(im, nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"7", "7", "0", "0"}));
  const auto lanes = lanes_and_bands(im);
  ASSERT_EQ(lanes.size(), 4u);
  for (const LaneSeen& l : lanes) {
    EXPECT_GE(l.bands, 17) << "lane at x " << l.x;
    EXPECT_LE(l.bands, 18) << "lane at x " << l.x;
  }
  const CONTROL* ctl = gt_get_control();
  EXPECT_EQ(ctl->fnd_bnd_quant, 1);
  EXPECT_EQ(std::vector<int>(ctl->bnd_detect, ctl->bnd_detect + 4), (std::vector<int>{7, 7, 0, 0}));
  close_image(im);
}

}  // namespace
