// Commands that work out bands from the pixels of an open, analysed image whose pixel file
// another program cut short or deleted: before the command, or while the command reads the
// pixels the window's load kept mapped. The user is told once, the image keeps what it held
// (saved or not), and the program keeps running.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/lane_geometry.h"
#include "gel_record.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
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
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"
#include "when_shown.h"

namespace {

namespace fs = std::filesystem;

constexpr double kOldAmount = 1234.5;  // an amount no quantification of the gel gives

std::string s_cut;  // the file the hook cuts short, once
void cut_when_taken(const char* path) {
  if (s_cut.empty() || s_cut != path) return;
  s_cut.clear();
  ASSERT_EQ(::truncate(path, KES_HEADER_BYTES), 0);
}

// Takes the image's pixel file away: cut short at the kept-pixels hook while the command reads
// it (`during`), or deleted before the command.
void lose_pixels(const std::string& path, bool during) {
  if (during) {
    s_cut = path;
    io_set_kept_pixels_hook(cut_when_taken);
  } else {
    fs::remove(path);
  }
}

// The alert the user reads when the pixel file of `path` is lost.
std::string lost_alert(const std::string& path) {
  char text[512];
  std::snprintf(text, sizeof text, ks_gt_message(193), fs::path(path).filename().c_str());
  return text;
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
  // The bands of the image's saved analysis, and how many hold kOldAmount.
  static int count_saved_old(const std::string& path, int* bands) {
    IMAGE_REC* rec = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
    int old = -1;
    *bands = -1;
    if (rec && gt_img_init(rec)) {
      gt_read_and_prepare(path.c_str(), nullptr, rec);
      old = count_old(rec, bands);
    }
    gt_img_free(rec);
    return old;
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
      EXPECT_EQ(TKT_LastAlertText(), lost_alert(path));
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

// Every other command that reads the pixels, each on a saved gel with its file deleted before
// the command and cut while the command reads it: told once, nothing changed, and a File > Save
// afterwards keeps what was saved.
TEST_F(LostPixelFile, EveryPixelCommandChangesNothing) {
  auto lane0 = [](IMAGE_REC* im) { return im->lanes->next; };
  auto first_band = [](IMAGE_REC* im) {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, im->lanes->next, nullptr, nullptr);
    SPOT* b = n > 0 ? arr[n / 2] : nullptr;
    ks_free(arr);
    return b;
  };
  auto set_marks = [](IMAGE_REC* im, const std::vector<LN_POINT>& m) {
    ks_free(im->lane_coords);
    im->lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2 * (m.size() + 1)));
    for (size_t i = 0; i < m.size(); ++i) im->lane_coords[2 * i] = m[i].x, im->lane_coords[2 * i + 1] = m[i].y;
    im->num_lane_coords = static_cast<int>(m.size());
  };
  struct Command {
    const char* name;
    std::function<void(IMAGE_REC*)> run;
  };
  const Command commands[] = {
      {"Find Bands, quantifying",
       [](IMAGE_REC* im) {
         gt_band_do_find(im, im->min_top_band_thick, im->min_bot_band_thick, im->band_threshold,
                         im->band_threshold2, 1, 1, 1);
       }},
      {"Add Band, quantifying",
       [&](IMAGE_REC* im) {
         LANE* l = lane0(im);
         int y = l->center_coords[0].y + 5;
         while (sp_nearest_by_y(l, y, 4, im->bands)) ++y;
         EXPECT_EQ(gt_band_add_quant(im, y, l), nullptr);
       }},
      {"Mark Axes",
       [&](IMAGE_REC* im) {
         SPOT* b = first_band(im);
         ASSERT_NE(b, nullptr);
         im->axes_band = b;
         set_marks(im, {{b->x - 12, b->y}, {b->x + 14, b->y}, {b->x, b->y - 4}, {b->x, b->y + 5}});
         EXPECT_EQ(gt_band_apply_axes(), -1);
       }},
      {"Mark Bounds",
       [&](IMAGE_REC* im) {
         SPOT* b = first_band(im);
         ASSERT_NE(b, nullptr);
         im->bounds_band = b;
         set_marks(im, {{b->x - 10, b->y - 4}, {b->x + 10, b->y - 4}, {b->x + 10, b->y + 4},
                        {b->x - 10, b->y + 4}});
         EXPECT_EQ(gt_band_apply_bounds(), -1);
       }},
      {"Lane Boundaries OK",
       [&](IMAGE_REC* im) {
         ASSERT_EQ(gt_band_lane_bounds(win_, im), lane0(im));
         lane0(im)->right_width += 6;  // dragged wider
         TK_OBJ w = TKT_FindWindow("ln_bd", "ln_bd_win");
         ASSERT_NE(w, nullptr);
         TKT_Click(RES_GetSub(w, 1));
         EVENT_Flush();
       }},
      {"Background, requantifying",
       [](IMAGE_REC* im) { gt_band_requant_all_baseline(im, im->lanes, im->bands); }},
  };
  int n = 0;
  for (const Command& c : commands) {
    for (bool during : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (during ? ", cut while read" : ", deleted before"));
      const std::string path = ws_->file("gel" + std::to_string(n++) + ".kes");
      IMAGE_REC* im = open_analysed(path);
      ASSERT_NE(im, nullptr);
      ASSERT_TRUE(gt_save_image(im));
      int bands = 0;
      ASSERT_EQ(count_old(im, &bands), bands);
      ASSERT_GE(bands, 12);
      const int lane_width = lane0(im)->right_width;
      if (during) {
        ASSERT_NE(io_kept_pixels(path.c_str()), nullptr);
      }
      lose_pixels(path, during);
      TKT_AnswerAlert(1);
      const int unanswered = TKT_Unanswered();
      c.run(im);
      EVENT_Flush();
      io_set_kept_pixels_hook(nullptr);
      EXPECT_TRUE(s_cut.empty());
      EXPECT_EQ(TKT_Unanswered(), unanswered);
      EXPECT_EQ(TKT_LastAlertText(), lost_alert(path));
      int now = 0;
      EXPECT_EQ(count_old(im, &now), bands);
      EXPECT_EQ(now, bands);
      EXPECT_EQ(lane0(im)->right_width, lane_width);
      EXPECT_FALSE(gt_image_modified(im));
      EXPECT_FALSE(gt_get_control()->busy);
      im->modified = 1;  // File > Save writes what the image holds now
      main_winNfySelMenuBar(win_, GT_CMD_SAVE);
      EVENT_Flush();
      int saved = 0;
      EXPECT_EQ(count_saved_old(path, &saved), bands);
      EXPECT_EQ(saved, bands);
      gt_tool_wins_dismiss_all();
      gt_set_state(0);
      gt_image_clear_modified(im);
      WIN_Terminate(gt_get_img_window(0));
      EVENT_Flush();
    }
  }
}

// The D-Tool reads the selected lane's profile from the pixels: without them, or with them cut
// while read, it does not open, and the user is told once.
TEST_F(LostPixelFile, TheDToolDoesNotOpenOnLostPixels) {
  int n = 0;
  for (bool during : {false, true}) {
    SCOPED_TRACE(during ? "cut while read" : "deleted before");
    const std::string path = ws_->file("dt" + std::to_string(n++) + ".kes");
    IMAGE_REC* im = open_analysed(path);
    ASSERT_NE(im, nullptr);
    for (LANE* l = im->lanes->next->next; l; l = l->next) l->f &= ~uint32_t(LN_F_SELECTED);
    im->num_sel_lanes = 1;  // the tool works on one lane
    lose_pixels(path, during);
    TKT_AnswerAlert(1);
    const int unanswered = TKT_Unanswered();
    const auto shown = vxtest::when_shown("dtool", "dtool_win", [](TK_OBJ w) { TKT_Close(w); });
    main_winNfySelMenuBar(win_, GT_CMD_DTOOL);
    EVENT_Flush();
    io_set_kept_pixels_hook(nullptr);
    EXPECT_FALSE(*shown);
    EXPECT_TRUE(s_cut.empty());
    EXPECT_EQ(TKT_Unanswered(), unanswered);
    EXPECT_EQ(TKT_LastAlertText(), lost_alert(path));
    EXPECT_FALSE(gt_get_control()->busy);
    EXPECT_FALSE(gt_image_modified(im));
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
