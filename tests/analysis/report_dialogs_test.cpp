// The report configuration and report parameters dialogs driven as a user drives them.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <functional>

#include "analysis/img_rep.h"
#include "analysis/rparm.h"
#include "analysis/ui_rpcfg.h"
#include "report_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

using vxtest::ReportTest;

void grab(TK_OBJ w, const char* name) {
  if (const char* dir = std::getenv("VX_GRAB_DIR")) TKT_Grab(w, (std::string(dir) + "/" + name).c_str());
}

// Runs `steps` on the dialog's window once it is open.
void when_open(const char* module, const char* window, std::function<void(TK_OBJ)> steps) {
  QTimer::singleShot(0, [=] {
    TK_OBJ w = TKT_FindWindow(module, window);
    ASSERT_NE(w, nullptr);
    steps(w);
  });
}

const RepChoice kHdr[] = {{0, "Image"}, {8, "# of Bands"}};
const RepChoice kFld[] = {{5, "Band #"}, {1, "Lane Name"}, {8, "Band Vol."}};

struct Edit {
  int nh = 1, nf = 1;
  int32_t hdr[2] = {0, -1};
  int32_t fld[3] = {5, -1, -1};
  int sw[4] = {1, 1, 1, 1};
  int run() {
    return ui_rpcfg_activate(2, &nh, kHdr, hdr, 3, &nf, kFld, fld, &sw[0], &sw[1], &sw[2], &sw[3], 1);
  }
};

// Adds the table panel's first available field after its first reported one.
void add_lane_name(TK_OBJ w) {
  TK_OBJ table = RES_GetSub(w, 1);
  TKT_Pick(RES_GetSub(table, 0), 0);
  TKT_Pick(RES_GetSub(table, 5), 0);
  TKT_Click(RES_GetSub(table, 3));
}

TEST_F(ReportTest, ConfigurationDialogCancelCloseBoxAndToggles) {
  TKT_Enable(true);
  Edit cancel;
  when_open("ui_rpcfg", "ui_repcfg_win", [](TK_OBJ w) {
    add_lane_name(w);
    TKT_Click(RES_GetSub(w, 3));
  });
  EXPECT_EQ(cancel.run(), 0);
  EXPECT_EQ(cancel.nf, 1);

  Edit closed;
  when_open("ui_rpcfg", "ui_repcfg_win", [](TK_OBJ w) {
    add_lane_name(w);
    grab(w, "rpcfg.png");
    TKT_Close(w);
  });
  EXPECT_EQ(closed.run(), 1);
  EXPECT_EQ(closed.nf, 2);
  EXPECT_EQ(closed.fld[1], 1);

  Edit toggled;
  when_open("ui_rpcfg", "ui_repcfg_win", [](TK_OBJ w) {
    TK_OBJ title = RES_GetSub(RES_GetSub(w, 0), 7);
    TKT_Click(title);
    TKT_Click(title);
    TKT_Click(RES_GetSub(w, 2));
  });
  EXPECT_EQ(toggled.run(), 1);
  EXPECT_EQ(toggled.sw[0], 1);
  TKT_Enable(false);
}

TEST_F(ReportTest, ReportParametersWithoutFileBoxesKeepTheFileSettings) {
  CONTROL* ctl = gt_get_control();
  std::strcpy(ctl->lane_sel_file, "/x/lanes.sel");
  std::strcpy(ctl->image_list_file, "/x/list.csv");
  std::strcpy(ctl->imgname_list_file, "/x/names.csv");
  ctl->rep_empty_lanes = 0;
  ctl->ln_cpy_bnd_active_only = 0;
  TKT_Enable(true);
  when_open("rparm", "rparm_win", [](TK_OBJ w) {
    EXPECT_FALSE(WGT_IsEnabled(RES_GetSub(w, 2)));
    TKT_Click(RES_GetSub(w, 3));
    TKT_Click(RES_GetSub(w, 5));
    grab(w, "rparm_nofiles.png");
    TKT_Click(RES_GetSub(w, 0));
  });
  EXPECT_EQ(gt_rparm_activate(nullptr, 0), 1);
  EXPECT_STREQ(ctl->lane_sel_file, "/x/lanes.sel");
  EXPECT_STREQ(ctl->image_list_file, "/x/list.csv");
  EXPECT_STREQ(ctl->imgname_list_file, "/x/names.csv");
  EXPECT_EQ(ctl->rep_empty_lanes, 1);
  EXPECT_EQ(ctl->ln_cpy_bnd_active_only, 1);

  // With the boxes, an unchecked box clears its setting on OK.
  when_open("rparm", "rparm_win", [](TK_OBJ w) {
    EXPECT_EQ(WGT_GetValue(RES_GetSub(w, 2)), 1);
    grab(w, "rparm_files.png");
    TKT_Click(RES_GetSub(w, 2));
    TKT_Click(RES_GetSub(w, 5));
    TKT_Click(RES_GetSub(w, 0));
  });
  EXPECT_EQ(gt_rparm_activate(nullptr, 1), 1);
  EXPECT_STREQ(ctl->lane_sel_file, "");
  EXPECT_STREQ(ctl->image_list_file, "/x/list.csv");
  EXPECT_STREQ(ctl->imgname_list_file, "/x/names.csv");
  EXPECT_EQ(ctl->ln_cpy_bnd_active_only, 0);
  TKT_Enable(false);
}

TEST_F(ReportTest, LaneNameDialogKeepsOrClearsItsFile) {
  CONTROL* ctl = gt_get_control();
  vxtest::TempDir dir;
  const std::string names = dir.file("names.csv");
  vxtest::write_text(names, "gelA, 1, \"a\"\n");
  std::strcpy(ctl->folders[CTL_DIR_IMAGES], dir.str().c_str());
  ctl->imgname_lanename_file[0] = '\0';
  TKT_Enable(true);
  // Checking the box picks the file; OK keeps it.
  TKT_AnswerChooser({names});
  when_open("rparm", "lanename_win", [](TK_OBJ w) {
    TKT_Click(RES_GetSub(w, 2));
    grab(w, "lanename.png");
    TKT_Click(RES_GetSub(w, 0));
  });
  EXPECT_EQ(gt_lanename_activate(nullptr), 1);
  EXPECT_EQ(std::string(ctl->imgname_lanename_file), names);

  // Cancel changes nothing; OK with the box unchecked clears the setting.
  when_open("rparm", "lanename_win", [](TK_OBJ w) {
    EXPECT_EQ(WGT_GetValue(RES_GetSub(w, 2)), 1);
    TKT_Click(RES_GetSub(w, 2));
    TKT_Click(RES_GetSub(w, 1));
  });
  EXPECT_EQ(gt_lanename_activate(nullptr), 0);
  EXPECT_EQ(std::string(ctl->imgname_lanename_file), names);
  when_open("rparm", "lanename_win", [](TK_OBJ w) {
    TKT_Click(RES_GetSub(w, 2));
    TKT_Click(RES_GetSub(w, 0));
  });
  EXPECT_EQ(gt_lanename_activate(nullptr), 1);
  EXPECT_STREQ(ctl->imgname_lanename_file, "");
  TKT_Enable(false);
}

TEST_F(ReportTest, ImageInformationWindowShowsTheText) {
  IMAGE_REC* im = gel();
  TKT_Enable(true);
  img_rep_activate(im);
  TK_OBJ w = img_rep_window();
  ASSERT_NE(w, nullptr);
  EXPECT_NE(std::string(TEXT_GetText(RES_GetSub(w, 0))).find("Image     : gelA"), std::string::npos);
  grab(w, "img_rep.png");
  // Save writes the file under the name as picked, with no extension added.
  vxtest::TempDir dir;
  TKT_AnswerChooser({dir.file("gelA info")});
  TKT_Click(RES_GetSub(w, 3));
  EXPECT_EQ(vxtest::read_text(dir.file("gelA info")), TEXT_GetText(RES_GetSub(w, 0)));
  EXPECT_FALSE(std::filesystem::exists(dir.file("gelA info.txt")));
  img_rep_dismiss();
  EXPECT_EQ(img_rep_window(), nullptr);
  TKT_Enable(false);
}

}  // namespace
