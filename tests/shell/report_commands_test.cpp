// The report commands run from the main window over open images.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "analysis/band_rep.h"
#include "analysis/compare.h"
#include "analysis/img_rep.h"
#include "gel_fixture.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "shell/gt_open.h"
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
  // Presses OK in the report parameters or lane-name dialog once it is open.
  static void ok_when_open(const char* window) {
    QTimer::singleShot(0, [window] {
      TK_OBJ w = TKT_FindWindow("rparm", window);
      ASSERT_NE(w, nullptr);
      TKT_Click(RES_GetSub(w, 0));
    });
  }
  static void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
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

// gelA is open and gelB present only as files; lists of image names reach both.
TEST_F(ReportCommands, ImageNameListsDriveAllLanesAndLaneNames) {
  IMAGE_REC* a = open(shelltest::write_gel(dir, "gelA", 200, 150));
  ASSERT_NE(a, nullptr);
  shelltest::add_lane_and_band(a, 60, 10, 140, 70);
  const std::string b_path = shelltest::write_gel(dir, "gelB", 200, 150);
  IMAGE_REC* b = open(b_path);
  ASSERT_NE(b, nullptr);
  shelltest::add_lane_and_band(b, 80, 10, 140, 90);
  std::strcpy(b->lanes->next->lane_name, "old name that is long");
  ASSERT_TRUE(gt_prepare_and_write(b_path.c_str(), b->img_ptr, b));
  gt_image_clear_modified(b);
  WIN_Terminate(gt_get_img_window(1));
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), 1);

  CONTROL* ctl = gt_get_control();
  std::snprintf(ctl->folders[CTL_DIR_IMAGES], CTL_PATH, "%s", dir.c_str());
  const std::string lanes = dir + "/lanes.csv";
  write(lanes, "gelA, 1\ngelB, 1\n");
  std::snprintf(ctl->imgname_list_file, CTL_PATH, "%s", lanes.c_str());
  ok_when_open("rparm_win");
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_ALL_LANES);
  ASSERT_NE(band_rep_window(), nullptr);
  const std::string& text = band_rep_text();
  EXPECT_NE(text.find("gelA"), std::string::npos) << text;
  EXPECT_NE(text.find("gelB"), std::string::npos) << text;
  EXPECT_STREQ(ctl->imgname_list_file, lanes.c_str());

  // A name of 20 characters or more is cut to 20 and ends there.
  const std::string names = dir + "/names.csv";
  write(names, "gelA, 1, \"alpha\"\ngelB, 1, \"a name of twenty-four ch\"\n");
  std::snprintf(ctl->imgname_lanename_file, CTL_PATH, "%s", names.c_str());
  ok_when_open("lanename_win");
  main_winNfySelMenuBar(win_, GT_CMD_LANE_NAME_FILE);
  EXPECT_STREQ(a->lanes->next->lane_name, "alpha");
  EXPECT_EQ(a->modified, 0);
  auto* back = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  gt_img_init(back);
  ASSERT_EQ(gt_read_and_prepare(b_path.c_str(), back->img_ptr, back), 0);
  ASSERT_NE(back->lanes->next, nullptr);
  EXPECT_STREQ(back->lanes->next->lane_name, "a name of twenty-fou");
  gt_img_free(back);
}

}  // namespace
