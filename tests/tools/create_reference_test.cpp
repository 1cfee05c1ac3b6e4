// Create Reference puts the new image in place of the destination as a whole: with any write,
// rename, link or unlink failing, the destination folder holds either the old image set,
// untouched, or the complete new one, and the result says which.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "base/io_file.h"
#include "file_faults.h"
#include "model/control.h"
#include "model/spot.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_test.h"
#include "tools/gt_ln_img.h"

namespace {

namespace fs = std::filesystem;

class CreateReference : public shelltest::OpenImagesTest {
 protected:
  // An open gel with one selected lane holding one selected band of size 100.
  void SetUp() override {
    OpenImagesTest::SetUp();
    IMAGE_REC* a = open(shelltest::write_gel(dir, "a", 60, 120));
    ASSERT_TRUE(a);
    shelltest::add_lane_and_band(a, 15, 10, 100, 50);
    LANE* l = a->lanes->next;
    l->left_width = l->right_width = 4;
    l->f |= LN_F_SELECTED;
    a->num_sel_lanes = 1;
    SPOT* b = a->bands->next;
    b->size = 100.0, b->thickness = 6, b->od = 150, b->baseline = 50;
    b->f2 |= SP_F2_SELECTED;
    a->num_sel_bands = 1;
  }
  bool create(const std::string& path, int mode) {
    std::vector<TK_OBJ> w;
    for (int i = 0; i < gt_get_num_img_windows(); ++i) w.push_back(gt_get_img_window(i));
    return gt_create_reference(path.c_str(), mode, w.data(), static_cast<int>(w.size()));
  }
  // The old destination: an image with its analysis, a file of another program and a lock.
  static void old_destination(const fs::path& d) {
    for (const char* ext : {".kes", ".kei", ".gt", ".cmt", ".kr", ".lck"})
      vxtest::write_text(d / (std::string("dest") + ext), std::string("old ") + ext);
  }
};

// The selected lanes as a new image (pixel and info files) and the reference lane (with its
// analysis), each over an old destination, under every failure the file calls can meet.
TEST_F(CreateReference, FailureLeavesTheOldDestinationWhole) {
  for (int mode : {SEL_LANES, SEL_BANDS}) {
    SCOPED_TRACE(mode == SEL_LANES ? "lanes" : "bands");
    int failures = 0;
    const int runs = vxtest::sweep_file_faults(
        old_destination,
        [&](const fs::path& d) {
          const int before = TKT_Unanswered();
          const bool made = create((d / "dest.kes").string(), mode);
          // A failure is shown (and goes unanswered here); success shows nothing.
          if (made) EXPECT_EQ(TKT_Unanswered(), before);
          else EXPECT_GT(TKT_Unanswered(), before);
          if (!made) ++failures;
          return made ? 1 : 0;
        },
        [](int kind, const vxtest::FolderState& old_state, const vxtest::FolderState& new_state) {
          return kind == 1 ? new_state : old_state;
        });
    EXPECT_GT(failures, runs / 2) << "the sweep met too few failures to check";
  }
  // The made set: no file of the old image stays beside the new pixels, and nothing else.
  const fs::path d = dir + "/check";
  fs::create_directory(d);
  old_destination(d);
  ASSERT_TRUE(create((d / "dest.kes").string(), SEL_BANDS));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(d)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dest.cmt", "dest.gt", "dest.kei", "dest.kes"}));
  IMAGE_REC* ref = open((d / "dest.kes").string());
  ASSERT_TRUE(ref && ref->bands->next);
  EXPECT_DOUBLE_EQ(ref->bands->next->size, 100.0);
}

// Nothing to make (no selected lane) and a folder that cannot be written: a message, and the
// destination as it was.
TEST_F(CreateReference, NothingMadeKeepsTheDestination) {
  gt_get_image_ptr()->lanes->next->f &= ~LN_F_SELECTED;
  const fs::path d = dir + "/dest";
  fs::create_directory(d);
  old_destination(d);
  const vxtest::FolderState old_state = vxtest::folder_state(d);
  TKT_AnswerAlert(1);
  EXPECT_FALSE(create((d / "dest.kes").string(), SEL_LANES));
  EXPECT_EQ(TKT_LastAlertText(), "The file could not be written.");
  EXPECT_EQ(vxtest::folder_state(d), old_state);

  TKT_AnswerAlert(1);
  EXPECT_FALSE(create(dir + "/no such folder/dest.kes", SEL_BANDS));
  EXPECT_EQ(TKT_LastAlertText(), "The file could not be written.");
}

}  // namespace
