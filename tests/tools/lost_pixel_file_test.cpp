// Commands that work out bands from the pixels of an open, analysed image whose pixel file
// another program cut short or deleted: before the command, or while the command reads the
// pixels the window's load kept mapped. The user is told once, the image keeps what it held
// (saved or not), and the program keeps running.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/full_pixels.h"
#include "engine/lane_geometry.h"
#include "gel_record.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_canvas.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_copy.h"
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

// Where a command's pixel file is taken away: nowhere; deleted before the command; cut short
// when the command takes the pixels the window kept, before it reads them; cut after the last
// read as the command asks whether they were lost; and cut once the command decided, as its
// copy of the pixels ends.
enum class Loss { None, DeletedBefore, CutWhenTaken, CutWhenAsked, CutAtEnd };
const char* loss_name(Loss l) {
  switch (l) {
    case Loss::None: return "file intact";
    case Loss::DeletedBefore: return "deleted before";
    case Loss::CutWhenTaken: return "cut when taken";
    case Loss::CutWhenAsked: return "cut when asked";
    case Loss::CutAtEnd: return "cut at the end";
  }
  return "";
}

LnPixelsAt s_cut_at = LnPixelsAt::Asking;
void cut_at_pixels_hook(const char* path, LnPixelsAt at) {
  if (at == s_cut_at) cut_when_taken(path);
}

void lose_pixels(const std::string& path, Loss loss) {
  switch (loss) {
    case Loss::None: return;
    case Loss::DeletedBefore: fs::remove(path); return;
    case Loss::CutWhenTaken: io_set_kept_pixels_hook(cut_when_taken); break;
    case Loss::CutWhenAsked:
    case Loss::CutAtEnd:
      s_cut_at = loss == Loss::CutAtEnd ? LnPixelsAt::Ending : LnPixelsAt::Asking;
      ln_pixels_set_hook(cut_at_pixels_hook);
      break;
  }
  s_cut = path;
}

// Takes the image's pixel file away: cut short at the kept-pixels hook while the command reads
// it (`during`), or deleted before the command.
void lose_pixels(const std::string& path, bool during) {
  lose_pixels(path, during ? Loss::CutWhenTaken : Loss::DeletedBefore);
}

// Whether two files' bytes are the same; else their sizes and the first offset that differs.
testing::AssertionResult same_bytes(const std::string& a, const std::string& b) {
  if (a == b) return testing::AssertionSuccess();
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  auto byte = [](const std::string& s, std::size_t i) { return i < s.size() ? int(uint8_t(s[i])) : -1; };
  return testing::AssertionFailure() << a.size() << " and " << b.size() << " bytes, first differing at "
                                     << at << ": " << byte(a, at) << " and " << byte(b, at);
}

// The bytes of the image's saved analysis file (empty when there is none).
std::string saved_analysis(const std::string& path) {
  std::ifstream in(shelltest::base(path) + ".gt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
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
    ln_pixels_set_hook(nullptr);
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

// Every other command that reads the pixels, each on a saved gel whose file is deleted before
// the command, cut while the command reads it or cut once it has read it. Either the user is
// told once and nothing changed, so that a File > Save afterwards writes the analysis as it was
// saved, byte for byte; or nobody is told and the command did all it does on an intact file.
TEST_F(LostPixelFile, EveryPixelCommandTellsExactlyWhenItChangesNothing) {
  auto lane0 = [](IMAGE_REC* im) { return im->lanes->next; };
  auto lane_bands = [](IMAGE_REC* im, LANE* l) {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
    std::vector<SPOT*> v(arr, arr + std::max(n, 0));
    ks_free(arr);
    return v;
  };
  auto first_band = [&](IMAGE_REC* im) {
    const std::vector<SPOT*> v = lane_bands(im, lane0(im));
    return v.empty() ? nullptr : v[v.size() / 2];
  };
  auto set_marks = [](IMAGE_REC* im, const std::vector<LN_POINT>& m) {
    ks_free(im->lane_coords);
    im->lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2 * (m.size() + 1)));
    for (size_t i = 0; i < m.size(); ++i) im->lane_coords[2 * i] = m[i].x, im->lane_coords[2 * i + 1] = m[i].y;
    im->num_lane_coords = static_cast<int>(m.size());
  };
  struct Command {
    const char* name;
    // Runs the command; `told`: the user is to be told that the pixels are lost.
    std::function<void(IMAGE_REC*, bool told)> run;
    bool pending = false;  // on lanes not yet confirmed, without bands
    std::function<void(IMAGE_REC*)> prepare = nullptr;  // before the gel is saved
  };
  const Command commands[] = {
      {"Quantify", [&](IMAGE_REC*, bool) { main_winNfySelMenuBar(win_, GT_CMD_QUANTIFY); }},
      {"Find Bands, quantifying",
       [](IMAGE_REC* im, bool) {
         gt_band_do_find(im, im->min_top_band_thick, im->min_bot_band_thick, im->band_threshold,
                         im->band_threshold2, 1, 1, 1);
       }},
      {"Add Band, quantifying",
       [&](IMAGE_REC* im, bool told) {
         LANE* l = lane0(im);
         int y = l->center_coords[0].y + 5;
         while (sp_nearest_by_y(l, y, 4, im->bands)) ++y;
         EXPECT_EQ(gt_band_add_quant(im, y, l) == nullptr, told);
       }},
      {"Mark Axes",
       [&](IMAGE_REC* im, bool told) {
         SPOT* b = first_band(im);
         ASSERT_NE(b, nullptr);
         im->axes_band = b;
         set_marks(im, {{b->x - 12, b->y}, {b->x + 14, b->y}, {b->x, b->y - 4}, {b->x, b->y + 5}});
         EXPECT_EQ(gt_band_apply_axes(), told ? -1 : 0);
       }},
      {"Mark Bounds",
       [&](IMAGE_REC* im, bool told) {
         SPOT* b = first_band(im);
         ASSERT_NE(b, nullptr);
         im->bounds_band = b;
         set_marks(im, {{b->x - 10, b->y - 4}, {b->x + 10, b->y - 4}, {b->x + 10, b->y + 4},
                        {b->x - 10, b->y + 4}});
         EXPECT_EQ(gt_band_apply_bounds(), told ? -1 : 0);
       }},
      {"Lane Boundaries OK",
       [&](IMAGE_REC* im, bool) {
         ASSERT_EQ(gt_band_lane_bounds(win_, im), lane0(im));
         lane0(im)->right_width += 6;  // dragged wider
         TK_OBJ w = TKT_FindWindow("ln_bd", "ln_bd_win");
         ASSERT_NE(w, nullptr);
         TKT_Click(RES_GetSub(w, 1));
         EVENT_Flush();
       }},
      {"Background, requantifying",
       [](IMAGE_REC* im, bool) { gt_band_requant_all_baseline(im, im->lanes, im->bands); }},
      // Two bands of the first lane, quantified so that they have outlines and selected,
      // stamped on the third lane and applied.
      {"Copy Bounds",
       [&](IMAGE_REC* im, bool) {
         const std::vector<SPOT*> from = lane_bands(im, lane0(im));
         ASSERT_GE(from.size(), 2u);
         gt_band_copy_bounds(win_, im);
         TK_OBJ w = TKT_FindWindow("bd_cpy", "bd_cpy_win");
         ASSERT_NE(w, nullptr);
         const LANE* to = lane0(im)->next->next;
         gt_band_copy_bounds_move(im, to->center_coords[0].x, (from[0]->y + from[1]->y) / 2);
         ASSERT_EQ(gt_band_copy_bounds_stamp(im), 0);
         TKT_Click(RES_GetSub(w, 1));
         EVENT_Flush();
       },
       false,
       [&](IMAGE_REC* im) {
         std::vector<SPOT*> from = lane_bands(im, lane0(im));
         ASSERT_GE(from.size(), 2u);
         ASSERT_EQ(gt_band_quant_lane(im, lane0(im), from.data(), 2, -1), 2);
         for (SPOT* b : {from[0], from[1]}) b->amount = kOldAmount, gt_band_set_selected(im, b, 1);
       }},
      // The Find Bands window's OK on the gel's new lanes: they are confirmed and their bands
      // found and quantified.
      {"Find Bands OK",
       [&](IMAGE_REC* im, bool told) {
         gt_get_control()->fnd_bnd_quant = 1;
         gt_fd_bnd_activate(win_, 1);
         TK_OBJ w = TKT_FindWindow("fd_bnd", "fd_bnd_win");
         ASSERT_NE(w, nullptr);
         const auto refined =
             vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ r) { TKT_Close(r); });
         TKT_Click(RES_GetSub(w, 0));
         EVENT_Flush();
         EXPECT_EQ(*refined, !told);
         EXPECT_EQ(gt_lane_any_pending(im->lanes), told ? 1 : 0);
       },
       true},
  };
  int n = 0;
  for (const Command& c : commands) {
    std::string intact;  // the analysis the command leaves on an intact file, saved
    for (Loss loss : {Loss::None, Loss::DeletedBefore, Loss::CutWhenTaken, Loss::CutWhenAsked,
                      Loss::CutAtEnd}) {
      SCOPED_TRACE(std::string(c.name) + ", " + loss_name(loss));
      // Every run on a gel of the same name, so that the saved analyses compare.
      const std::string folder = ws_->file("run" + std::to_string(n++));
      ASSERT_TRUE(fs::create_directory(folder));
      const std::string path = folder + "/gel.kes";
      IMAGE_REC* im = c.pending ? open_with_lanes(path) : open_analysed(path);
      ASSERT_NE(im, nullptr);
      if (c.prepare) c.prepare(im);
      // Shown as the user sees it: drawing the size standards gives them the digits shown.
      gt_redraw_img(im);
      EVENT_Flush();
      ASSERT_TRUE(gt_save_image(im));
      const std::string before = saved_analysis(path);
      ASSERT_FALSE(before.empty());
      int bands = 0;
      ASSERT_EQ(count_old(im, &bands), bands);
      if (!c.pending) {
        ASSERT_GE(bands, 12);
      }
      const int lane_width = lane0(im)->right_width;
      const bool told = loss != Loss::None && loss != Loss::CutAtEnd;
      if (loss != Loss::None && loss != Loss::DeletedBefore) {
        ASSERT_NE(io_kept_pixels(path.c_str()), nullptr);
      }
      lose_pixels(path, loss);
      const int unanswered = TKT_Unanswered();  // the alert, unanswered, is counted
      c.run(im, told);
      EVENT_Flush();
      io_set_kept_pixels_hook(nullptr);
      ln_pixels_set_hook(nullptr);
      EXPECT_TRUE(s_cut.empty());  // cut where it was to be
      s_cut.clear();
      EXPECT_EQ(TKT_Unanswered() - unanswered, told ? 1 : 0);
      if (told) {
        EXPECT_EQ(TKT_LastAlertText(), lost_alert(path));
        int now = 0;
        EXPECT_EQ(count_old(im, &now), bands);
        EXPECT_EQ(now, bands);
        EXPECT_EQ(lane0(im)->right_width, lane_width);
      }
      EXPECT_EQ(bool(gt_image_modified(im)), !told);
      EXPECT_FALSE(gt_get_control()->busy);
      im->modified = 1;  // File > Save writes what the image holds now
      main_winNfySelMenuBar(win_, GT_CMD_SAVE);
      EVENT_Flush();
      const std::string saved = saved_analysis(path);
      if (told) {
        EXPECT_TRUE(same_bytes(saved, before));
      } else if (loss == Loss::None) {
        EXPECT_FALSE(same_bytes(saved, before));
        intact = saved;
      } else {
        EXPECT_TRUE(same_bytes(saved, intact));
      }
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
