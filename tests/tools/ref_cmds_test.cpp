// The menu commands of the made images and the category dialog, through the dispatcher:
// Create Reference asks for the destination and opens what it made; an open destination is
// never overwritten; Find on found bands opens the refinement; Assign Categories needs a selected
// lane; Old Lane Labels asks for the images
// to collect from once its dialog is confirmed.
#include <gtest/gtest.h>

#include <QTimer>

#include "../shell/gel_fixture.h"
#include "base/io_file.h"
#include "model/control.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_test.h"

namespace {

// Ends the dialog once it shows: a click on the part, or its close box for part -1.
void end_when_shown(const char* module, const char* window, int part, bool* seen) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [=] {
    TK_OBJ w = TKT_FindWindow(module, window);
    if (!w) return;
    poll->stop();
    poll->deleteLater();
    if (seen) *seen = true;
    if (part < 0) TKT_Close(w);
    else TKT_Click(RES_GetSub(w, part));
  });
  poll->start(5);
}

class ReferenceCommands : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    im = open(shelltest::write_gel(dir, "a", 60, 120));
    ASSERT_TRUE(im);
    shelltest::add_lane_and_band(im, 20, 5, 104, 50);
    LANE* l = im->lanes->next;
    l->f |= LN_F_SELECTED;
    im->num_sel_lanes = 1;
    gt_get_control()->sel_mode = SEL_LANES;
  }
  IMAGE_REC* im = nullptr;
};

TEST_F(ReferenceCommands, CreateReferenceOpensTheNewImage) {
  const std::string dest = dir + "/made.kes";
  TKT_AnswerChooser({dest});
  main_winNfySelMenuBar(win_, GT_CMD_CREATE_REFERENCE);
  ASSERT_EQ(gt_get_num_img_windows(), 2);
  const IMAGE_REC* made = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(1)));
  ASSERT_TRUE(made && made->img_info);
  EXPECT_EQ(made->img_info->width, 19);
  EXPECT_EQ(made->img_info->height, 100);
}

TEST_F(ReferenceCommands, AnOpenDestinationIsLeftAlone) {
  const auto before = vxtest::read_bytes(im->file_path);
  TKT_AnswerChooser({im->file_path});
  main_winNfySelMenuBar(win_, GT_CMD_CREATE_REFERENCE);
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(vxtest::read_bytes(im->file_path), before);
}

TEST_F(ReferenceCommands, AssignCategoriesNeedsASelectedLane) {
  im->num_sel_lanes = 0;
  TKT_AnswerAlert(1);
  main_winNfySelMenuBar(win_, GT_CMD_ASSIGN_CATEGORIES);
  EXPECT_EQ(TKT_LastAlertText(), "There aren't any selected lanes");
}

TEST_F(ReferenceCommands, FindOnFoundBandsOpensTheRefinement) {
  bool refined = false;
  end_when_shown("refd_bnd", "refd_bnd_win", -1, &refined);
  main_winNfySelMenuBar(win_, GT_CMD_FIND_BANDS);
  EXPECT_TRUE(refined);
}

TEST_F(ReferenceCommands, OldLabelsCollectsImagesAfterItsDialog) {
  for (int button : {1, 0}) {  // Cancel, then the first choice
    end_when_shown("oldlabels", "oldlabels_win", button, nullptr);
    const int unanswered = TKT_Unanswered();
    main_winNfySelMenuBar(win_, GT_CMD_OLD_LABELS);
    EXPECT_EQ(TKT_Unanswered(), unanswered + (button == 0 ? 1 : 0)) << button;
  }
}

}  // namespace
