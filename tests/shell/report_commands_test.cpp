// The report commands run from the main window over open images.
#include <gtest/gtest.h>

#include <cstdlib>

#include "analysis/band_rep.h"
#include "analysis/compare.h"
#include "analysis/img_rep.h"
#include "gel_fixture.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

class ReportCommands : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    band_rep_dismiss();
    compare_dismiss();
    img_rep_dismiss();
    OpenImagesTest::TearDown();
  }
  static void grab(TK_OBJ w, const char* name) {
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(w, (std::string(d) + "/" + name).c_str());
  }
};

TEST_F(ReportCommands, CompareSurvivesItsImageClosingAndOtherReportsOpen) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 200, 150));
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 60, 10, 140, 70);
  LANE* lane = im->lanes->next;
  lane->num_data_values = 131;
  lane->data_values = static_cast<int32_t*>(ks_alloc_msg(131 * sizeof(int32_t)));
  for (int i = 0; i < 131; ++i) lane->data_values[i] = 100 + (i - 60) * (i - 60) / -10 + 400;
  SPOT* band = im->bands->next;
  band->f2 |= SP_F2_SELECTED;
  band->thickness = 20;
  band->amount = 12.5;

  main_winNfySelMenuBar(win_, GT_CMD_COMPARE_BANDS);
  TK_OBJ cw = compare_window();
  ASSERT_NE(cw, nullptr);
  EXPECT_NE(compare_text().find("12.50"), std::string::npos) << compare_text();
  EXPECT_EQ(compare_chart_rows().size(), 40u);
  grab(cw, "compare.png");

  main_winNfySelMenuBar(win_, GT_CMD_REPORT_SEL_BANDS);
  ASSERT_NE(band_rep_window(), nullptr);
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_IMAGE_INFO);
  ASSERT_NE(img_rep_window(), nullptr);

  // The image window closes; Clear must not read its freed records.
  gt_image_clear_modified(im);
  WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  TKT_Click(RES_GetSub(cw, 3));
  EXPECT_EQ(compare_text().find("gel"), std::string::npos);
}

}  // namespace
