// The question before a whole-file image operation says when the lanes and bands will be lost.
#include <gtest/gtest.h>

#include <string>

#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "gel_fixture.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_whole_file.h"
#include "toolkit/tk_test.h"

namespace {

using shelltest::OpenImagesTest;

class WholeFileQuestion : public OpenImagesTest {
 protected:
  // The question as the user reads it after Image > Invert, answered No (nothing changes).
  std::string asked(const IMAGE_REC* im) {
    TKT_AnswerAlert(0);
    main_winNfySelMenuBar(win_, GT_CMD_INVERT);
    EXPECT_EQ(gt_get_image_ptr(), im);
    return TKT_LastAlertText();
  }
};

TEST_F(WholeFileQuestion, SaysThatTheAnalysisGoesOnlyWhenThereIsOne) {
  EXPECT_EQ(gt_whole_file_question(nullptr), 271);
  IMAGE_REC* im = open(shelltest::write_gel(dir, "plain", 120, 90));
  ASSERT_NE(im, nullptr);
  const std::string plain = asked(im);
  EXPECT_NE(plain.find("plain"), std::string::npos) << plain;
  EXPECT_EQ(plain.find("lanes and bands"), std::string::npos) << plain;

  shelltest::add_lane_and_band(im, 60, 10, 80, 40);
  const std::string analysed = asked(im);
  EXPECT_NE(analysed.find("plain"), std::string::npos) << analysed;
  EXPECT_NE(analysed.find("lanes and bands will be lost"), std::string::npos) << analysed;

  // Bands alone (lanes deleted) are an analysis too.
  im->has_lanes = 0;
  LANE* lanes = im->lanes->next;
  im->lanes->next = nullptr;
  EXPECT_EQ(gt_whole_file_question(im), 272);
  im->lanes->next = lanes;
  im->has_lanes = 1;
}

}  // namespace
