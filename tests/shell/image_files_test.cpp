// Commands that change or delete an open image's files: the whole-file operations (Invert,
// Filter, Border, the quarter turns and the flips) and Delete Image, when the files cannot be
// read, replaced or deleted. The image and its saved analysis stay as they were, the user is
// told once, and what remains can be opened.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/ks_msg.h"
#include "file_faults.h"
#include "gel_fixture.h"
#include "io/kes_image.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_test.h"
#include "when_shown.h"

namespace {

namespace fs = std::filesystem;
using shelltest::OpenImagesTest;

std::string s_cut;  // the pixel file the kept-pixels hook cuts short, once
void cut_when_taken(const char* path) {
  if (s_cut != path) return;
  s_cut.clear();
  ASSERT_EQ(::truncate(path, KES_HEADER_BYTES), 0);
}

// The contents of the image's files, by the name's part after the image's base name; any
// other file of that base (one left under a temporary name) counts too.
std::map<std::string, std::string> image_files(const std::string& base) {
  std::map<std::string, std::string> files;
  const std::string stem = fs::path(base).filename().string() + ".";
  for (const auto& e : fs::directory_iterator(fs::path(base).parent_path())) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file() && name.rfind(stem, 0) == 0)
      files[name.substr(stem.size() - 1)] = vxtest::read_text(e.path());
  }
  return files;
}

class ImageFiles : public OpenImagesTest {
 protected:
  void TearDown() override {
    io_set_kept_pixels_hook(nullptr);
    s_cut.clear();
    OpenImagesTest::TearDown();
  }
  // The gel open with one lane and band and a comment, all saved.
  IMAGE_REC* open_saved(const std::string& path) {
    IMAGE_REC* im = open(path);
    if (!im) return nullptr;
    shelltest::add_lane_and_band(im, 30, 5, 55, 20);
    gt_set_image_comment("KEEP ME", 1);
    EXPECT_TRUE(gt_save_image(im));
    gt_image_clear_modified(im);
    return im;
  }
  // The first lane's x in the open image (-1: no lane).
  static int lane_x(const IMAGE_REC* im) {
    const LANE* l = im && im->lanes ? im->lanes->next : nullptr;
    return l && l->center_coords ? l->center_coords[0].x : -1;
  }
};

TEST_F(ImageFiles, WholeFileOperationsChangeNothingUntilTheNewPixelsAreInPlace) {
  enum Mode { DELETED_BEFORE, CUT_DURING, NOT_PUT_IN_PLACE, DONE };
  const char* mode_names[] = {"pixel file deleted before", "pixel file cut during",
                              "new files not put in place", "done"};
  const int commands[] = {GT_CMD_INVERT,     GT_CMD_FILTER,   GT_CMD_BORDER,   GT_CMD_ROTATE_90,
                          GT_CMD_ROTATE_270, GT_CMD_FLIP_TOP, GT_CMD_FLIP_SIDE};
  int run = 0;
  for (int command : commands) {
    for (Mode mode : {DELETED_BEFORE, CUT_DURING, NOT_PUT_IN_PLACE, DONE}) {
      SCOPED_TRACE(std::string(mode_names[mode]) + ", command " + std::to_string(command));
      const std::string gel = shelltest::write_gel(dir, "gel" + std::to_string(run++), 80, 60);
      const std::string base = shelltest::base(gel);
      IMAGE_REC* im = open_saved(gel);
      ASSERT_NE(im, nullptr);
      const auto before = image_files(base);
      ASSERT_TRUE(before.count(".gt"));
      if (mode == DELETED_BEFORE) {
        fs::remove(gel);
      } else if (mode == CUT_DURING) {
        ASSERT_NE(io_kept_pixels(gel.c_str()), nullptr);
        s_cut = gel;
        io_set_kept_pixels_hook(cut_when_taken);
      }
      TKT_AnswerAlert(2);  // go on
      std::shared_ptr<bool> bordered;
      if (command == GT_CMD_BORDER)
        bordered = vxtest::when_shown("ui_edge", "ui_edge_win",
                                      [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 1)); });
      const int unanswered = TKT_Unanswered();
      {
        vxtest::FaultPlan plan;
        plan.fail_rename = mode == NOT_PUT_IN_PLACE ? 1 : 0;
        vxtest::FileFaults faults(plan);
        main_winNfySelMenuBar(win_, command);
        EVENT_Flush();
      }
      io_set_kept_pixels_hook(nullptr);
      if (bordered) {
        EXPECT_TRUE(*bordered);
      }
      ASSERT_EQ(gt_get_num_img_windows(), 1);
      if (mode == DONE) {
        EXPECT_EQ(TKT_Unanswered(), unanswered);
        EXPECT_FALSE(fs::exists(base + ".gt"));  // the analysis went with the old pixels
        EXPECT_NE(vxtest::read_text(base + ".kei"), before.at(".kei"));
        EXPECT_EQ(lane_x(gt_get_image_ptr()), -1);
      } else {
        // Told once (the alert is closed unanswered), and the image open as it was.
        EXPECT_EQ(TKT_Unanswered(), unanswered + 1);
        char lost[512];
        std::snprintf(lost, sizeof lost, ks_gt_message(193), fs::path(gel).filename().c_str());
        EXPECT_EQ(TKT_LastAlertText(), mode == NOT_PUT_IN_PLACE ? ui_msg(243) : lost);
        EXPECT_EQ(gt_get_image_ptr(), im);
        EXPECT_EQ(lane_x(im), 30);
        // The pixels back as another program had taken them away; a reopen finds the analysis.
        vxtest::write_text(gel, before.at(".kes"));
        EXPECT_EQ(image_files(base), before);
        WIN_Terminate(static_cast<TK_OBJ>(im->window));
        EVENT_Flush();
        im = open(gel);
        ASSERT_NE(im, nullptr);
        EXPECT_EQ(lane_x(im), 30);
        EXPECT_EQ(vxtest::read_text(base + ".gt"), before.at(".gt"));
      }
      WIN_Terminate(static_cast<TK_OBJ>(gt_get_image_ptr()->window));
      EVENT_Flush();
    }
  }
}

TEST_F(ImageFiles, DeleteImageNamesTheFilesThatStayAndKeepsAnImageItCannotDelete) {
  // Each deletion refused in turn, and a folder that refuses renames (a read-only folder: the
  // info file cannot be kept aside while the pixel file is deleted).
  std::vector<vxtest::FaultPlan> plans;
  int unlinks = 0;
  for (int k = 0; k <= unlinks + 1; ++k) {
    vxtest::FaultPlan plan;
    if (k <= unlinks) {
      plan.fail_unlink = k;
    } else {
      plan.fail_rename = 1;
    }
    SCOPED_TRACE(k <= unlinks ? "unlink " + std::to_string(k) + " refused" : "no new names");
    const std::string gel = shelltest::write_gel(dir, "gel" + std::to_string(k), 80, 60);
    const std::string base = shelltest::base(gel);
    IMAGE_REC* im = open_saved(gel);
    ASSERT_NE(im, nullptr);
    const std::string name = im->image_name;
    const auto before = image_files(base);
    ASSERT_EQ(before.size(), 5u);  // pixels, info, comment, analysis, lock
    TKT_AnswerAlert(2);  // delete
    const int unanswered = TKT_Unanswered();
    {
      vxtest::FileFaults faults(plan);
      main_winNfySelMenuBar(win_, GT_CMD_DELETE_IMAGE);
      EVENT_Flush();
      if (k == 0) unlinks = faults.unlinks;  // the run without failure counts the deletions
    }
    const auto after = image_files(base);
    // The files that stay, as the message names them: pixels, info, comment, analysis.
    std::string names;
    for (const char* ext : {".kes", ".kei", ".cmt", ".gt"})
      if (after.count(ext)) names += (names.empty() ? "" : "\n") + fs::path(base + ext).filename().string();
    for (const auto& [ext, bytes] : after)
      EXPECT_TRUE(ext == ".kes" || ext == ".kei" || ext == ".cmt" || ext == ".gt" || ext == ".lck")
          << "unnamed file " << ext;
    if (after.count(".kes")) {
      // The pixels cannot be deleted: every file stays and the image stays open.
      EXPECT_EQ(after, before);
      ASSERT_EQ(gt_get_num_img_windows(), 1);
      EXPECT_EQ(gt_get_image_ptr(), im);
      EXPECT_EQ(lane_x(im), 30);
      WIN_Terminate(static_cast<TK_OBJ>(im->window));
      EVENT_Flush();
    } else {
      EXPECT_EQ(gt_get_num_img_windows(), 0);
    }
    if (k == 0) {
      EXPECT_TRUE(after.empty());
      EXPECT_GE(unlinks, 4);
      EXPECT_EQ(TKT_Unanswered(), unanswered);  // nothing to tell
    } else {
      EXPECT_FALSE(names.empty());
      // Told once which files stay (the alert is closed unanswered).
      EXPECT_EQ(TKT_Unanswered(), unanswered + 1);
      char text[1024];
      std::snprintf(text, sizeof text, ui_msg(kMsgFilesNotDeleted), name.c_str(), names.c_str());
      EXPECT_EQ(TKT_LastAlertText(), text);
    }
  }
}

}  // namespace
