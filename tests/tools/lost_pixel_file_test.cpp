// Quantify on an open, analysed image whose pixel file another program cut short or deleted:
// before the command, or while the command reads the pixels the window's load kept mapped. The
// user is told, the bands keep what they held, and the program keeps running.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "base/ks_msg.h"
#include "gel_record.h"
#include "io/analysis.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_util.h"
#include "tools/gt_tool_wins.h"

namespace {

namespace fs = std::filesystem;

constexpr double kOldAmount = 1234.5;  // an amount no quantification of the gel gives

std::string s_cut;  // the file the hook cuts short, once
void cut_when_taken(const char* path) {
  if (s_cut.empty() || s_cut != path) return;
  s_cut.clear();
  ASSERT_EQ(::truncate(path, KES_HEADER_BYTES), 0);
}

class LostPixelFile : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    toolstest::load_resources();
  }
  void TearDown() override {
    io_set_kept_pixels_hook(nullptr);
    s_cut.clear();
    gt_tool_wins_dismiss_all();
    OpenImagesTest::TearDown();
  }

  // The 4-lane gel opened in a window, its lanes divided evenly and its bands found; every
  // band's amount then set to kOldAmount, all lanes selected in lane mode.
  IMAGE_REC* open_analysed(const std::string& path) {
    IMAGE_REC* im = open_with_lanes(path);
    if (!im) return nullptr;
    CONTROL* ctl = gt_get_control();
    ctl->fnd_bnd_quant = 0;
    gt_band_find_start(im, 1);
    im->has_bands = 1;
    ctl->sel_mode = SEL_LANES;
    im->num_sel_lanes = 0;
    for (LANE* lane = im->lanes->next; lane; lane = lane->next, ++im->num_sel_lanes)
      lane->f |= LN_F_SELECTED;
    for (SPOT* b = im->bands->next; b; b = b->next) b->amount = kOldAmount;
    gt_image_clear_modified(im);
    return im;
  }
  // The 4-lane gel opened in a window, its lanes divided evenly and not yet confirmed.
  IMAGE_REC* open_with_lanes(const std::string& path) {
    toolstest::SynthGel g;
    g.lanes = 4;
    g.write(path);
    IMG_INFO info{};
    info.width = g.width, info.height = g.height, info.bytes_per_pixel = g.bytes;
    info.x_res = info.y_res = 100;
    info.max_value = g.max_value();
    ANALYSIS_ENTRY e{1, &info, nullptr, 0};
    ANALYSIS_ENTRY* list[] = {&e};
    EXPECT_EQ(io_write_inf(path.c_str(), list, 1), 0);
    IMAGE_REC* im = open(path);
    if (!im) return nullptr;
    gt_set_image_ptr(im);
    const int l = g.lane_x(0) - g.pitch / 2, r = g.lane_x(g.lanes - 1) + g.pitch / 2;
    const int c[8] = {l, 60, r, 60, r, 560, l, 560};
    im->num_sel_lanes = g.lanes;
    gt_block_lanes(c, im->lanes, im);
    return im;
  }
  static int count_old(const IMAGE_REC* im, int* bands) {
    int old = 0;
    *bands = 0;
    for (SPOT* b = im->bands->next; b; b = b->next, ++*bands) old += b->amount == kOldAmount;
    return old;
  }
};

TEST_F(LostPixelFile, QuantifySaysSoAndChangesNothing) {
  struct Case {
    const char* what;
    void (*damage)(const std::string& path);
    bool lost;
  };
  const Case cases[] = {
      {"file intact", [](const std::string&) {}, false},
      {"cut short before", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 4000), 0); },
       true},
      {"deleted before", [](const std::string& p) { fs::remove(p); }, true},
      // Cut short after the command found the kept pixels current and before it reads them:
      // every page it then reads was mapped from the file and is gone.
      {"cut short while read", [](const std::string& p) {
         s_cut = p;
         io_set_kept_pixels_hook(cut_when_taken);
       }, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = ws_->file("gel" + std::to_string(n++) + ".kes");
    IMAGE_REC* im = open_analysed(path);
    ASSERT_NE(im, nullptr);
    ASSERT_NE(io_kept_pixels(path.c_str()), nullptr);  // the window's load kept the pixels
    int bands = 0;
    ASSERT_EQ(count_old(im, &bands), bands);
    ASSERT_GE(bands, 12);
    c.damage(path);
    const int unanswered = TKT_Unanswered();
    if (c.lost) TKT_AnswerAlert(1);
    main_winNfySelMenuBar(win_, GT_CMD_QUANTIFY);
    EVENT_Flush();
    EXPECT_EQ(TKT_Unanswered(), unanswered);
    EXPECT_TRUE(s_cut.empty());  // the hook ran when it was set
    int now = 0;
    const int old = count_old(im, &now);
    EXPECT_EQ(now, bands);
    if (c.lost) {
      char text[512];
      std::snprintf(text, sizeof text, ks_gt_message(193), fs::path(path).filename().c_str());
      EXPECT_EQ(TKT_LastAlertText(), text);
      EXPECT_EQ(old, bands);
      EXPECT_EQ(im->modified, 0);
    } else {
      EXPECT_EQ(old, 0);
      EXPECT_NE(im->modified, 0);
    }
    EXPECT_FALSE(gt_get_control()->busy);
    io_set_kept_pixels_hook(nullptr);
    gt_image_clear_modified(im);
    WIN_Terminate(gt_get_img_window(0));
    EVENT_Flush();
  }
}

// Find Bands on lanes not yet confirmed, after the file was deleted: the user is told and the
// lanes stay pending, with no band found.
TEST_F(LostPixelFile, FindBandsOnADeletedFileLeavesTheLanesPending) {
  const std::string path = ws_->file("gel.kes");
  IMAGE_REC* im = open_with_lanes(path);
  ASSERT_NE(im, nullptr);
  std::vector<uint32_t> flags;
  for (LANE* l = im->lanes->next; l; l = l->next) flags.push_back(l->f);
  ASSERT_EQ(flags.size(), 4u);
  fs::remove(path);
  TKT_AnswerAlert(1);
  const int unanswered = TKT_Unanswered();
  EXPECT_EQ(gt_band_find_start(im, 1), 0);
  EXPECT_EQ(TKT_Unanswered(), unanswered);
  char text[512];
  std::snprintf(text, sizeof text, ks_gt_message(193), "gel.kes");
  EXPECT_EQ(TKT_LastAlertText(), text);
  std::vector<uint32_t> now;
  for (LANE* l = im->lanes->next; l; l = l->next) now.push_back(l->f);
  EXPECT_EQ(now, flags);
  EXPECT_EQ(im->bands->next, nullptr);
  EXPECT_FALSE(gt_get_control()->busy);
}

}  // namespace
