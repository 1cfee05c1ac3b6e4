// The report commands run from the main window over open images.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

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
      ASSERT_NE(w, nullptr) << window;
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

// Each of the three list readers names a list file it cannot open in its sentence.
TEST_F(ReportCommands, ListFilesThatCannotBeOpenedAreNamedInTheAlert) {
  CONTROL* ctl = gt_get_control();
  struct Case {
    char* field;
    int command;
    const char* dialog;
  };
  const Case cases[] = {{ctl->image_list_file, GT_CMD_REPORT_ALL_LANES, "rparm_win"},
                        {ctl->imgname_list_file, GT_CMD_REPORT_ALL_LANES, "rparm_win"},
                        {ctl->imgname_lanename_file, GT_CMD_LANE_NAME_FILE, "lanename_win"}};
  ASSERT_NE(open(shelltest::write_gel(dir, "gel", 200, 150)), nullptr);  // Lane Names needs one
  int k = 0;
  for (const Case& c : cases) {
    ctl->image_list_file[0] = ctl->imgname_list_file[0] = ctl->imgname_lanename_file[0] = '\0';
    const std::string name = "gone" + std::to_string(++k) + ".csv";
    std::snprintf(c.field, CTL_PATH, "%s", (dir + "/" + name).c_str());
    TKT_AnswerAlert(1);
    // All Lanes goes on to the image chooser when its list gives no image.
    if (c.command == GT_CMD_REPORT_ALL_LANES) TKT_AnswerChooser({});
    ok_when_open(c.dialog);
    main_winNfySelMenuBar(win_, c.command);
    EXPECT_EQ(TKT_LastAlertText(), "The list file " + name + " cannot be opened.");
  }
  ctl->imgname_lanename_file[0] = '\0';
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

// Gels of one name from two folders, day 1's open: a list entry that holds day 2's folder
// takes day 2's file, not the open gel of that name, and writes nothing into day 1's.
TEST_F(ReportCommands, SameNamedGelsOfTwoFoldersAreTakenFromTheFolderTheEntryHolds) {
  std::string a_path, b_path;
  IMAGE_REC* a = open_day1_after_day2(&a_path, &b_path);
  ASSERT_NE(a, nullptr);

  CONTROL* ctl = gt_get_control();
  write(dir + "/list.csv", b_path + "\n");
  std::snprintf(ctl->image_list_file, CTL_PATH, "%s", (dir + "/list.csv").c_str());
  ok_when_open("rparm_win");
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_ALL_LANES);
  ASSERT_NE(band_rep_window(), nullptr);
  const std::string& text = band_rep_text();
  EXPECT_NE(text.find("day2-2"), std::string::npos) << text;
  EXPECT_EQ(text.find("day1-1"), std::string::npos) << text;
  ctl->image_list_file[0] = '\0';

  // Lane names from a file: "gel" is found in the image folder, day 2's.
  std::snprintf(ctl->folders[CTL_DIR_IMAGES], CTL_PATH, "%s", (dir + "/day2").c_str());
  write(dir + "/names.csv", "gel, 1, \"beta\"\n");
  std::snprintf(ctl->imgname_lanename_file, CTL_PATH, "%s", (dir + "/names.csv").c_str());
  ok_when_open("lanename_win");
  main_winNfySelMenuBar(win_, GT_CMD_LANE_NAME_FILE);
  EXPECT_STREQ(a->lanes->next->lane_name, "day1-1");

  // File > Save on day 1's gel, then both gels opened again from their files.
  gt_set_image_ptr(a);
  main_winNfySelMenuBar(win_, GT_CMD_SAVE);
  WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  for (const auto& [path, name] : {std::pair{a_path, "day1-1"}, {b_path, "beta"}}) {
    IMAGE_REC* im = open(path);
    ASSERT_NE(im, nullptr);
    ASSERT_NE(im->lanes->next, nullptr);
    EXPECT_STREQ(im->lanes->next->lane_name, name) << path;
    WIN_Terminate(gt_get_img_window(0));
    EVENT_Flush();
  }
}

// A list line with a bare name is the gel of that name in the current folder, also while a gel
// of that name from another folder is open: the names go into the current folder's file, and
// the open gel keeps its own, in the window and, after File > Save, in its files.
TEST_F(ReportCommands, ABareNameInALaneNameListIsTheGelOfTheCurrentFolder) {
  IMAGE_REC* here = open_saved_gel(".", "gel", 220, {50, 90});
  ASSERT_NE(here, nullptr);
  for (LANE* l = here->lanes->next; l; l = l->next) l->lane_name[0] = '\0';
  ASSERT_TRUE(gt_prepare_and_write(here->file_path, here->img_ptr, here));
  gt_image_clear_modified(here);
  WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  IMAGE_REC* other = open_saved_gel("day1", "gel", 200, {70, 100});
  ASSERT_NE(other, nullptr);
  const std::string other_path = other->file_path;

  CONTROL* ctl = gt_get_control();
  std::snprintf(ctl->folders[CTL_DIR_IMAGES], CTL_PATH, "%s", (dir + "/day1").c_str());
  write(dir + "/names.csv", "gel, 2, \"bee two\"\n");
  std::snprintf(ctl->imgname_lanename_file, CTL_PATH, "%s", (dir + "/names.csv").c_str());
  ok_when_open("lanename_win");
  main_winNfySelMenuBar(win_, GT_CMD_LANE_NAME_FILE);
  ctl->imgname_lanename_file[0] = '\0';
  EXPECT_STREQ(other->lanes->next->next->lane_name, "day1-2");
  EXPECT_EQ(other->modified, 0);

  gt_set_image_ptr(other);
  main_winNfySelMenuBar(win_, GT_CMD_SAVE);  // File > Save
  WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  const std::pair<std::string, std::vector<std::string>> expected[] = {
      {other_path, {"day1-1", "day1-2"}}, {dir + "/gel.kes", {"", "bee two"}}};
  for (const auto& [path, names] : expected) {
    IMAGE_REC* im = open(path);
    ASSERT_NE(im, nullptr) << path;
    std::vector<std::string> got;
    for (LANE* l = im->lanes->next; l; l = l->next) got.emplace_back(l->lane_name);
    EXPECT_EQ(got, names) << path;
    WIN_Terminate(gt_get_img_window(0));
    EVENT_Flush();
  }
}

}  // namespace
