// The dispatcher: its gate by command class and state, and the sequences of the commands it
// serves (Quit, Delete Image, Help, Annotation, window arrangement) on real files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

#include "gel_fixture.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/full_pixels.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "shell/gt_cmd.h"
#include "analysis/matr_launch.h"
#include "base/ks_alert.h"
#include "base/slog.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/gt_resolution.h"
#include "shell/im_calib.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_widget.h"
#include "toolkit/tk_workspace.h"
#include "when_shown.h"

namespace {

namespace fs = std::filesystem;
using shelltest::OpenImagesTest;

class Dispatch : public OpenImagesTest {
 protected:
  void TearDown() override {
    gt_set_tools_active_proc(nullptr);
    gt_set_help_opener(nullptr);
    io_set_kept_pixels_hook(nullptr);
    ln_pixels_set_hook(nullptr);
    OpenImagesTest::TearDown();
  }
  // Whether the gate lets the command through: a refused command leaves the last command run
  // as it was (Import Matrix passes the gate in every state; its chooser is cancelled at once).
  bool passes(int command) {
    main_winNfySelMenuBar(win_, GT_CMD_IMPORT_MATRIX);
    main_winNfySelMenuBar(win_, command);
    return gt_dispatch_last_run() == command;
  }
};

BOOL measuring() { return TRUE; }

TEST_F(Dispatch, TheGateRunsOrRefusesEachClassByState) {
  enum State { NO_WINDOW, ONE_IMAGE, TOOL, MEASURING, BUSY };
  const char* names[] = {"no window", "one image", "tool state", "measuring tool", "busy"};
  struct Case {
    int command;
    bool run[5];  // by State
  } cases[] = {
      {GT_CMD_OPEN, {true, true, false, false, true}},
      {GT_CMD_IMPORT_TIFF, {true, true, false, false, true}},
      {GT_CMD_ACQUIRE_CAMERA, {true, true, false, false, true}},
      {GT_CMD_ANNOTATION, {false, true, true, true, true}},
      {GT_CMD_ZOOM_FACTOR_FIRST, {false, true, true, true, true}},
      {GT_CMD_IMPORT_MATRIX, {true, true, true, true, true}},
      {GT_RECENT_FIRST_ID + 3, {true, true, true, true, true}},
      {GT_CMD_DESELECT_ALL, {false, true, false, false, true}},
      {GT_WIN_MENU_FIRST, {false, true, false, false, true}},
      {GT_CMD_CASCADE, {false, true, false, false, true}},
  };
  IMAGE_REC* im = nullptr;
  for (State st : {NO_WINDOW, ONE_IMAGE, TOOL, MEASURING, BUSY}) {
    if (st == ONE_IMAGE) {
      im = open(shelltest::write_gel(dir, "gel", 80, 60));
      ASSERT_NE(im, nullptr);
      shelltest::add_lane_and_band(im, 30, 5, 55, 20);
    }
    if (im) {
      // One selected lane in lane mode (Deselect All, run below, clears it each time).
      im->lanes->next->f |= LN_F_SELECTED;
      im->num_sel_lanes = 1;
      gt_get_control()->sel_mode = SEL_LANES;
    }
    gt_get_control()->task_state = st == TOOL ? TS_ADD_BAND : TS_IDLE;
    gt_set_tools_active_proc(st == MEASURING ? measuring : nullptr);
    gt_get_control()->busy = st == BUSY;
    // The densitometry tool needs found bands and one selected lane in lane mode, in any state.
    EXPECT_EQ(passes(GT_CMD_DTOOL), st != NO_WINDOW) << names[st];
    for (const Case& c : cases) {
      EXPECT_EQ(passes(c.command), c.run[st]) << "command " << c.command << ", " << names[st];
    }
  }
  gt_get_control()->busy = 0;
}

TEST_F(Dispatch, ARecentFileOpensWhenNoImageIsOpen) {
  const std::string gel = shelltest::write_gel(dir, "gel", 80, 60);
  ASSERT_EQ(gt_get_num_img_windows(), 0);
  std::snprintf(gt_get_control()->recent[0], CTL_PATH, "%s", gel.c_str());
  main_winNfySelMenuBar(win_, GT_RECENT_FIRST_ID);
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_STREQ(gt_get_image_ptr()->file_path, gel.c_str());
}

TEST_F(Dispatch, VremStartAsksBeforeDroppingAmountsThenOpensItsFirstStep) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 30, 5, 55, 20);
  im->bands->next->amount = 12.5;
  gt_vrem_run = 0;

  TKT_AnswerAlert(1);  // No: nothing changes
  main_winNfySelMenuBar(win_, GT_CMD_VREM_SIZE);
  EXPECT_EQ(gt_vrem_run, 0);
  EXPECT_EQ(im_calib_window(), nullptr);
  ASSERT_NE(im->bands->next, nullptr);

  TKT_AnswerAlert(2);  // Yes: the analysis goes, the run starts at the calibration window
  main_winNfySelMenuBar(win_, GT_CMD_VREM_QUANTIFY);
  EXPECT_EQ(gt_vrem_run, 2);
  EXPECT_EQ(im->bands->next, nullptr);
  EXPECT_EQ(im->modified, 1);
  EXPECT_NE(qhelp_window(), nullptr);
  EXPECT_NE(im_calib_window(), nullptr);
  im_calib_dismiss();
  gt_vrem_end();
}

TEST_F(Dispatch, TheDesktopsShutdownAsksAboutUnsavedImagesThenWritesThePreferences) {
  // The main window answers the desktop's shutdown request with the unsaved-images question.
  const TkShutdownHook hook = TK_GetShutdownHook();
  ASSERT_NE(hook, nullptr);
  const std::string prefs = ws_->write_dir() + "gt_init.prf";
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  im->modified = 1;
  TKT_AnswerAlert(3);  // Cancel: the shutdown is refused and nothing is written
  EXPECT_FALSE(hook());
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_FALSE(fs::exists(prefs));
  TKT_AnswerAlert(1);  // No: the images close unsaved and the preferences are written
  EXPECT_TRUE(hook());
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_TRUE(fs::exists(prefs));
}

TEST_F(Dispatch, QuitWithoutWindowsEndsAtOnce) {
  const int unanswered = TKT_Unanswered();
  main_winNfySelMenuBar(win_, GT_CMD_QUIT);
  EXPECT_EQ(RES_GetClass(win_), 0);  // the main window is gone
  EXPECT_EQ(TKT_Unanswered(), unanswered);
}

TEST_F(Dispatch, DeleteImageAsksThenRemovesTheWholeSet) {
  const std::string gel = shelltest::write_gel(dir, "gel", 80, 60);
  const std::string b = shelltest::base(gel);
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 30, 5, 55, 20);
  ASSERT_TRUE(gt_save_image(im));
  ASSERT_TRUE(fs::exists(b + ".gt"));

  TKT_AnswerAlert(1);  // No: nothing changes
  main_winNfySelMenuBar(win_, GT_CMD_DELETE_IMAGE);
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  for (const char* ext : {".kes", ".kei", ".gt", ".lck"}) EXPECT_TRUE(fs::exists(b + ext)) << ext;

  TKT_AnswerAlert(2);  // Yes
  main_winNfySelMenuBar(win_, GT_CMD_DELETE_IMAGE);
  EVENT_Flush();
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  for (const char* ext : {".kes", ".kei", ".gt", ".cmt", ".lck"})
    EXPECT_FALSE(fs::exists(b + ext)) << ext;
}

std::string s_opened;
int fake_opener(const char* path) {
  s_opened = path;
  return 42;
}

TEST_F(Dispatch, HelpOpensTheGuideOrTutorialFromTheHelpFolder) {
  gt_set_help_opener(fake_opener);
  struct Case {
    int command;
    const char* file;
  } cases[] = {{GT_CMD_HELP, "VX_User_Guide.chm"},
               {GT_CMD_HELP_GUIDE, "VX_User_Guide.chm"},
               {GT_CMD_HELP_TUTORIAL, "VX_Tutorial.chm"}};
  for (const Case& c : cases) {
    s_opened.clear();
    main_winNfySelMenuBar(win_, c.command);
    EXPECT_EQ(fs::path(s_opened), fs::path(dir) / c.file) << c.command;
  }
  // The desktop's opener reports a missing file as code 2, without launching anything.
  gt_set_help_opener(nullptr);
  TKT_AnswerAlert(1);
  main_winNfySelMenuBar(win_, GT_CMD_HELP_TUTORIAL);
  EXPECT_EQ(TKT_LastAlertText(), "help error code: 2");
}

TEST_F(Dispatch, AnnotationTogglesTheOutlinesAndWindowsAreArranged) {
  IMAGE_REC* a = open(shelltest::write_gel(dir, "a", 80, 60));
  IMAGE_REC* b = open(shelltest::write_gel(dir, "b", 80, 60));
  ASSERT_TRUE(a && b);
  const int hidden = gt_get_control()->lanes_hidden;
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  EXPECT_EQ(gt_get_control()->lanes_hidden, hidden ? 0 : 1);
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  EXPECT_EQ(gt_get_control()->lanes_hidden, hidden);

  // Cascading puts the windows at different places; tiling leaves them side by side without
  // overlap.
  auto rect = [](IMAGE_REC* im) {
    const TkRect r = WS_FrameRect(static_cast<TK_OBJ>(im->window));
    return std::array<int, 4>{r.x, r.y, r.w, r.h};
  };
  main_winNfySelMenuBar(win_, GT_CMD_CASCADE);
  EXPECT_NE(rect(a)[0], rect(b)[0]);
  main_winNfySelMenuBar(win_, GT_CMD_TILE);
  const auto ra = rect(a), rb = rect(b);
  const bool apart = ra[0] + ra[2] <= rb[0] || rb[0] + rb[2] <= ra[0] || ra[1] + ra[3] <= rb[1] ||
                     rb[1] + rb[3] <= ra[1];
  EXPECT_TRUE(apart);
}

TEST_F(Dispatch, InvertTwiceReopensTheImageWithItsPixelsBack) {
  const std::string gel = shelltest::write_gel(dir, "gel", 80, 60);
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 30, 5, 55, 20);
  ASSERT_TRUE(gt_save_image(im));
  const std::string analysis = shelltest::base(gel) + ".gt";
  ASSERT_TRUE(fs::exists(analysis));
  auto pixel = [](int x, int y) {
    IMAGE_REC* cur = gt_get_image_ptr();
    return cur && cur->img_ptr && cur->img_ptr->pix_img ? static_cast<int>(cur->img_ptr->pix_img->pixel(x, y)) : -1;
  };

  TKT_AnswerAlert(1);  // No: nothing changes
  main_winNfySelMenuBar(win_, GT_CMD_INVERT);
  EXPECT_TRUE(fs::exists(analysis));
  EXPECT_EQ(pixel(7, 3), 13);

  TKT_AnswerAlert(2);
  main_winNfySelMenuBar(win_, GT_CMD_INVERT);
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_FALSE(fs::exists(analysis));  // the analysis went with the old pixels
  EXPECT_EQ(pixel(7, 3), 255 - 13);
  EXPECT_EQ(gt_get_image_ptr()->has_lanes, 0);

  TKT_AnswerAlert(2);
  main_winNfySelMenuBar(win_, GT_CMD_INVERT);
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(pixel(7, 3), 13);
}

TEST(Resolution, DotsPerInchFromTheHeaderAndBack) {
  struct Case {
    int res, scale, dpi;
  } cases[] = {{84666, -6, 300}, {254, -3, 100}, {100, 0, 0}, {0, -6, 0}, {-5, -6, 0},
               {1, -12, 1000000000}};
  for (const Case& c : cases) EXPECT_EQ(gt_resolution_dpi(c.res, c.scale), c.dpi) << c.res;

  IMG_INFO info{};
  info.x_res = 254;
  info.x_scale = -3;
  info.y_res = 7;
  info.y_scale = 1;
  EXPECT_TRUE(gt_resolution_set(&info, 300.0, 0.0));  // an axis of 0 keeps its words
  EXPECT_EQ(info.x_res, 84666);
  EXPECT_EQ(info.x_scale, -6);
  EXPECT_EQ(gt_resolution_dpi(info.x_res, info.x_scale), 300);
  EXPECT_EQ(info.y_res, 7);
  EXPECT_EQ(info.y_scale, 1);
  EXPECT_FALSE(gt_resolution_set(&info, 0.0, -1.0));
}

TEST_F(Dispatch, ResolutionStoresTheAnswerAndMarksTheImage) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  gt_image_clear_modified(im);
  QTimer::singleShot(0, [&] {
    TK_OBJ w = TKT_FindWindow("ui_res", "ui_res_win");
    if (!w) return;
    TKT_Type(RES_GetSub(w, 0), "300");
    TKT_Type(RES_GetSub(w, 1), "150");
    TKT_Click(RES_GetSub(w, 2));
  });
  main_winNfySelMenuBar(win_, GT_CMD_RESOLUTION);
  EXPECT_EQ(gt_resolution_dpi(im->img_info->x_res, im->img_info->x_scale), 300);
  EXPECT_EQ(gt_resolution_dpi(im->img_info->y_res, im->img_info->y_scale), 150);
  EXPECT_TRUE(gt_image_modified(im));
}

// Copy Analysis between two images of the same gel: the source saved with one lane and its
// markers, the target with markers and a lane of its own.
class CopyAnalysis : public Dispatch {
 protected:
  void SetUp() override {
    Dispatch::SetUp();
    source = shelltest::write_gel(dir, "source", 120, 90);
    IMAGE_REC* src = open(source);
    ASSERT_NE(src, nullptr);
    shelltest::add_lane_and_band(src, 40, 10, 80, 30);
    set_markers(src, source_markers);
    ASSERT_TRUE(gt_save_image(src));
    WIN_Terminate(static_cast<TK_OBJ>(src->window));
    EVENT_Flush();
    target = open(shelltest::write_gel(dir, "target", 120, 90));
    ASSERT_NE(target, nullptr);
    shelltest::add_lane_and_band(target, 90, 10, 80, 50);
    gt_image_clear_modified(target);
  }
  static void set_markers(IMAGE_REC* im, const int m[3][2]) {
    std::memcpy(im->mark_pts, m, sizeof im->mark_pts);
  }
  // Copy Analysis from the source onto the target, answering "replace" when asked; true when
  // the copy reached the band refinement dialog that ends it (its close box keeps the bands).
  bool copy_from_source() {
    TKT_AnswerAlert(2);
    TKT_AnswerChooser({source});
    const auto refined =
        vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ w) { TKT_Close(w); });
    main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
    return *refined;
  }
  int first_lane_x() const {
    const LANE* l = target->lanes ? target->lanes->next : nullptr;
    return l && l->center_coords ? l->center_coords[0].x : -1;
  }
  int source_markers[3][2] = {{10, 10}, {100, 15}, {50, 80}};
  std::string source;
  IMAGE_REC* target = nullptr;
};

TEST_F(CopyAnalysis, IdentityMarkersCarryTheLanesOver) {
  set_markers(target, source_markers);
  EXPECT_TRUE(copy_from_source());
  EXPECT_EQ(first_lane_x(), 40);
  EXPECT_TRUE(gt_image_modified(target));
  EXPECT_EQ(target->mark_pts[1][0], 100);
  EXPECT_STREQ(target->image_name, "target.kes");
}

TEST_F(Dispatch, CopyAnalysisCarriesALaneOnColumnZeroOfATiltedCopy) {
  // The source's lane runs down column 0; the target's third marker lies one column left, so the
  // lane's foot maps to x = -0.75 and is cut to column 0.
  const int source_markers[3][2] = {{10, 10}, {100, 15}, {50, 80}};
  const std::string source = shelltest::write_gel(dir, "source", 120, 90);
  IMAGE_REC* src = open(source);
  ASSERT_NE(src, nullptr);
  shelltest::add_lane_and_band(src, 0, 10, 60, 30);
  std::memcpy(src->mark_pts, source_markers, sizeof src->mark_pts);
  ASSERT_TRUE(gt_save_image(src));
  WIN_Terminate(static_cast<TK_OBJ>(src->window));
  EVENT_Flush();
  IMAGE_REC* target = open(shelltest::write_gel(dir, "target", 120, 90));
  ASSERT_NE(target, nullptr);
  std::memcpy(target->mark_pts, source_markers, sizeof target->mark_pts);
  target->mark_pts[2][0] -= 1;
  TKT_AnswerChooser({source});
  const auto refined =
      vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ w) { TKT_Close(w); });
  main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
  const LANE* l = target->lanes->next;
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->num_center_points, 2);
  EXPECT_EQ(l->center_coords[0].x, 0);
  EXPECT_EQ(l->center_coords[1].x, 0);
  EXPECT_EQ(l->center_coords[1].y, 60);
  EXPECT_TRUE(gt_image_modified(target));
}

TEST_F(CopyAnalysis, EachFailureLeavesTheTargetAsItWas) {
  // No markers on the target.
  main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(170));

  // The chosen image has no markers.
  set_markers(target, source_markers);
  const std::string bare = shelltest::write_gel(dir, "bare", 120, 90);
  TKT_AnswerAlert(2);
  TKT_AnswerChooser({bare});
  main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(171));
  EXPECT_EQ(first_lane_x(), 90);
  EXPECT_FALSE(gt_image_modified(target));

  // The transform fails: target markers far outside the image send the lanes out of it.
  const int far[3][2] = {{10, 10}, {1100, 15}, {50, 800}};
  set_markers(target, far);
  TKT_AnswerAlert(2);
  TKT_AnswerChooser({source});
  main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(172));
  EXPECT_EQ(first_lane_x(), 90);
  EXPECT_FALSE(gt_image_modified(target));
  EXPECT_EQ(target->mark_pts[1][0], 1100);
}

// The lane's profile as read: its lowest and highest values.
std::pair<double, double> profile_range(const LANE* l) {
  if (!l || !l->data_values || l->num_data_values < 1) return {-1, -1};
  const auto [lo, hi] = std::minmax_element(l->data_values, l->data_values + l->num_data_values);
  return {*lo, *hi};
}

// The first lane's x, as the image's saved analysis holds it (-1: no lane saved).
int saved_lane_x(const std::string& path) {
  IMAGE_REC* rec = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  int x = -1;
  if (rec && gt_img_init(rec)) {
    gt_read_and_prepare(path.c_str(), nullptr, rec);
    const LANE* l = rec->lanes ? rec->lanes->next : nullptr;
    if (l && l->center_coords) x = l->center_coords[0].x;
  }
  gt_img_free(rec);
  return x;
}

// Every pixel of a gel's file set to one grey.
void flatten(const std::string& path, int w, int h) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(KES_HEADER_BYTES);
  const std::string grey(static_cast<size_t>(w) * h, static_cast<char>(128));
  f.write(grey.data(), static_cast<std::streamsize>(grey.size()));
  ASSERT_TRUE(f.good());
}

TEST_F(CopyAnalysis, TheTargetKeepsItsPixelsCommentAndSettings) {
  // The source gel is flat, the target's pixels vary along the lane: the carried lane's profile
  // must be the target's.
  flatten(source, 120, 90);
  const std::string path = target->file_path;
  set_markers(target, source_markers);
  gt_set_image_ptr(target);
  gt_set_image_comment("TARGET NOTE", 0);
  target->min_top_band_thick = 17;
  target->band_threshold = 77;
  EXPECT_TRUE(copy_from_source());
  ASSERT_EQ(first_lane_x(), 40);
  const auto [lo, hi] = profile_range(target->lanes->next);
  EXPECT_GE(lo, 0);
  EXPECT_GT(hi, lo);  // a flat source gives a flat profile
  EXPECT_STREQ(target->comment, "TARGET NOTE");  // the source has none
  EXPECT_EQ(target->min_top_band_thick, 17);
  EXPECT_EQ(target->band_threshold, 77);
  EXPECT_TRUE(gt_image_modified(target));

  main_winNfySelMenuBar(win_, GT_CMD_SAVE);
  EVENT_Flush();
  EXPECT_FALSE(gt_image_modified(target));
  WIN_Terminate(static_cast<TK_OBJ>(target->window));
  EVENT_Flush();
  IMAGE_REC* again = open(path);
  ASSERT_NE(again, nullptr);
  ASSERT_NE(again->lanes->next, nullptr);
  EXPECT_EQ(again->lanes->next->center_coords[0].x, 40);
  EXPECT_STREQ(again->comment, "TARGET NOTE");
}

// The target's pixels deleted before the copy, cut while the copy reads them, or cut after
// the copy read them: as the copy asks whether they were lost, or once it decided. Either the
// user is told once and the target, its saved analysis included, stays as it was; or nobody is
// told and the copy is made.
std::string s_cut_path;
void cut_kept_pixels(const char* path) {
  if (s_cut_path != path) return;
  s_cut_path.clear();
  ASSERT_EQ(::truncate(path, KES_HEADER_BYTES), 0);
}
LnPixelsAt s_cut_at = LnPixelsAt::Asking;
void cut_pixels_at(const char* path, LnPixelsAt at) {
  if (at == s_cut_at) cut_kept_pixels(path);
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(CopyAnalysis, LostTargetPixelsTellExactlyWhenNothingChanged) {
  const std::string path = target->file_path;
  const std::string analysis = shelltest::base(path) + ".gt";
  set_markers(target, source_markers);
  ASSERT_TRUE(gt_save_image(target));
  // Saved once more as read back, the way every case below saves it.
  WIN_Terminate(static_cast<TK_OBJ>(target->window));
  EVENT_Flush();
  target = open(path);
  ASSERT_NE(target, nullptr);
  target->modified = 1;
  ASSERT_TRUE(gt_save_image(target));
  ASSERT_TRUE(fs::copy_file(path, path + ".keep"));
  const std::string saved = file_bytes(analysis);
  ASSERT_FALSE(saved.empty());
  const struct {
    const char* what;
    int hook;  // 0 none (deleted before), 1 the kept-pixels hook, 2 the pixel copy's hook
    LnPixelsAt at;
    bool told;
  } cases[] = {
      {"deleted before", 0, LnPixelsAt::Asking, true},
      {"cut when taken", 1, LnPixelsAt::Asking, true},
      {"cut when asked", 2, LnPixelsAt::Asking, true},
      {"cut at the end", 2, LnPixelsAt::Ending, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // The target as saved, open with its markers.
    WIN_Terminate(static_cast<TK_OBJ>(target->window));
    EVENT_Flush();
    ASSERT_TRUE(fs::copy_file(path + ".keep", path, fs::copy_options::overwrite_existing));
    std::ofstream(analysis, std::ios::binary | std::ios::trunc) << saved;
    target = open(path);
    ASSERT_NE(target, nullptr);
    if (c.hook == 0) {
      fs::remove(path);
    } else {
      ASSERT_NE(io_kept_pixels(path.c_str()), nullptr);
      s_cut_path = path;
      s_cut_at = c.at;
      if (c.hook == 1) io_set_kept_pixels_hook(cut_kept_pixels);
      else ln_pixels_set_hook(cut_pixels_at);
      TKT_AnswerAlert(2);  // replace the bands
      TKT_AnswerChooser({source});
    }
    const int unanswered = TKT_Unanswered();  // the alert, unanswered, is counted
    // A copy made ends in the band refinement dialog: closed, and counted.
    const auto refined =
        vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ w) { TKT_Close(w); });
    main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
    EVENT_Flush();
    io_set_kept_pixels_hook(nullptr);
    ln_pixels_set_hook(nullptr);
    EXPECT_TRUE(s_cut_path.empty());
    s_cut_path.clear();
    EXPECT_EQ(TKT_Unanswered() - unanswered, c.told ? 1 : 0);
    if (c.told) {
      char text[512];
      std::snprintf(text, sizeof text, ks_gt_message(193), "target.kes");
      EXPECT_EQ(TKT_LastAlertText(), text);
    }
    EXPECT_EQ(*refined, !c.told);
    EXPECT_EQ(first_lane_x(), c.told ? 90 : 40);
    EXPECT_EQ(bool(gt_image_modified(target)), !c.told);
    target->modified = 1;  // File > Save writes what the target holds now
    main_winNfySelMenuBar(win_, GT_CMD_SAVE);
    EVENT_Flush();
    EXPECT_EQ(saved_lane_x(path), c.told ? 90 : 40);
    if (c.told) {
      const std::string now = file_bytes(analysis);
      EXPECT_TRUE(now == saved) << now.size() << " bytes saved, " << saved.size() << " before";
    }
  }
}

TEST_F(CopyAnalysis, WithoutBandDetectionEveryCarriedLaneIsSelectedAndQuantified) {
  setenv("VX_NDI_BANDS", "1", 1);
  set_markers(target, source_markers);
  TKT_AnswerAlert(2);
  TKT_AnswerChooser({source});
  main_winNfySelMenuBar(win_, GT_CMD_COPY_ANALYSIS);
  unsetenv("VX_NDI_BANDS");
  EXPECT_EQ(TKT_FindWindow("refd_bnd", "refd_bnd_win"), nullptr);
  EXPECT_EQ(first_lane_x(), 40);
  EXPECT_EQ(gt_get_sel_mode(), SEL_LANES);
  ASSERT_NE(target->lanes->next, nullptr);
  EXPECT_EQ(target->num_sel_lanes, 1);
  EXPECT_NE(target->lanes->next->f & LN_F_SELECTED, 0u);
}

TEST_F(Dispatch, ImportMatrixStartsTheViewerOnThePickedFile) {
  // A stand-in viewer that writes the argument it was given.
  const std::string viewer = ws_->file("viewer.sh");
  const std::string out = ws_->file("viewer.out");
  std::ofstream(viewer) << "#!/bin/sh\necho \"$1\" > " << out << "\n";
  fs::permissions(viewer, fs::perms::owner_all);
  matr_set_viewer_program(viewer.c_str());
  const std::string matrix = ws_->file("match.txt");
  std::ofstream(matrix) << "a\n";
  const int viewers = gt_viewer_count();
  gt_get_control()->busy = 1;  // the command runs even while busy
  // The chooser offers matrix files and all files; a file of any name may be picked.
  QStringList filters;
  QTimer::singleShot(0, [&filters] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) filters = d->nameFilters();
  });
  TKT_AnswerChooser({matrix}, 1);
  main_winNfySelMenuBar(win_, GT_CMD_IMPORT_MATRIX);
  EXPECT_EQ(filters, QStringList({"Matrix Files (*.csv)", "All Files (*.*)"}));
  gt_get_control()->busy = 0;
  matr_set_viewer_program(nullptr);
  EXPECT_EQ(gt_viewer_count(), viewers + 1);
  std::string line;
  for (int i = 0; i < 100 && line.empty(); ++i) {
    usleep(50 * 1000);
    std::ifstream in(out);
    std::getline(in, line);
  }
  EXPECT_EQ(line, matrix);
  gt_dismiss_all();  // reaps the viewer
}

TEST_F(Dispatch, EqualizeRefusesAMismatchedImageWhileTheWindowIsOpen) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  im->modified = 1;  // unsaved changes: closing would have asked
  const std::string small = shelltest::write_gel(dir, "small", 40, 30);
  TKT_AnswerAlert(2);  // go on
  TKT_AnswerChooser({small});
  TKT_AnswerAlert(1);  // gt_msg 57
  const int unanswered = TKT_Unanswered();
  main_winNfySelMenuBar(win_, GT_CMD_EQUALIZE);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(57));
  EXPECT_EQ(TKT_Unanswered(), unanswered);  // no unsaved-changes question
  EXPECT_EQ(gt_get_image_ptr(), im);        // the same window, never closed
  EXPECT_TRUE(gt_image_modified(im));
}

TEST_F(Dispatch, OpeningSeveralImagesCascadesTheirWindows) {
  const std::string a = shelltest::write_gel(dir, "a", 80, 60);
  const std::string b = shelltest::write_gel(dir, "b", 80, 60);
  TKT_AnswerChooser({a, b});
  ASSERT_TRUE(gt_get_image());
  ASSERT_EQ(gt_get_num_img_windows(), 2);
  EXPECT_EQ(gt_dispatch_last_run(), GT_CMD_CASCADE);
  const TkRect ra = WS_FrameRect(gt_get_img_window(0)), rb = WS_FrameRect(gt_get_img_window(1));
  EXPECT_TRUE(ra.x != rb.x && ra.y != rb.y);
}

}  // namespace

namespace {

int help_found(const char*) { return 42; }

// The dispatcher's level-4 lines of a run, in a log of the test's own.
class DispatchTrace : public Dispatch {
 protected:
  void SetUp() override {
    Dispatch::SetUp();
    std::ofstream(dir + "/slgmtch.txt") << "4 main_winNfySelMenuBar\n";
    slog_reset();
    slog_init(dir.c_str());
  }
  void TearDown() override {
    slog_reset();
    Dispatch::TearDown();
  }
  // The log so far, its lines without the level column.
  std::vector<std::string> lines() {
    slog_reset();
    std::ifstream in(dir + "/slglog.txt");
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) {
      const std::size_t text = l.find_first_not_of(" 0123456789:");
      out.push_back(text == std::string::npos ? "" : l.substr(text));
    }
    return out;
  }
};

TEST_F(DispatchTrace, EachRowTracesItsLabelAndTheGateRunsForEveryIdentifier) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  gt_set_help_opener(help_found);
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  TKT_OpenMenu(win_, GT_MENU_VIEW);
  ASSERT_TRUE(TKT_ChooseMenu(win_, GT_CMD_ANNOTATION));  // a menu choice sends identifier 0
  main_winNfySelMenuBar(win_, GT_CMD_HELP_TUTORIAL);
  main_winNfySelMenuBar(win_, 10012);
  main_winNfySelMenuBar(win_, GT_RECENT_FIRST_ID + 2);  // an empty recent file: nothing opens
  main_winNfySelMenuBar(win_, 999);                     // no row: the gate alone
  gt_get_control()->task_state = TS_ADD_BAND;
  main_winNfySelMenuBar(win_, GT_CMD_SAVE);             // refused by the gate
  gt_get_control()->task_state = TS_IDLE;
  const std::vector<std::string> want = {
      "Annotation...", "Annotation...", "id now 153", "Annotation...", "op always permitted",
      "Help, id 178", "ShellExecute iresult 42", "Zoom Out...", "op always permitted", "Op not ok_mode"};
  EXPECT_EQ(lines(), want);
  EXPECT_EQ(gt_get_image_ptr(), im);
  EXPECT_EQ(im->img_ptr->zoom[0], -4);
}

}  // namespace

namespace {

TEST_F(Dispatch, CommentsOpensTheImageCommentDialogFromItsMenuEntry) {
  ASSERT_NE(open(shelltest::write_gel(dir, "gel", 80, 60)), nullptr);
  bool shown = false;
  QTimer::singleShot(0, [&shown] {
    if (TK_OBJ w = TKT_FindWindow("ch_image", "ch_image_win")) {
      shown = true;
      TKT_Type(RES_GetSub(w, 0), "stained twice");
      TKT_Click(RES_GetSub(w, 1));
    }
  });
  TKT_OpenMenu(win_, GT_MENU_IMAGE);
  ASSERT_TRUE(TKT_MenuEntry(win_, GT_CMD_COMMENTS).enabled);
  ASSERT_TRUE(TKT_ChooseMenu(win_, GT_CMD_COMMENTS));
  EXPECT_TRUE(shown);
  EXPECT_STREQ(gt_get_image_comment(), "stained twice");
}

TEST_F(Dispatch, CalibrateAsksFirstWhenTheImageHasLanes) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 30, 5, 55, 20);
  TKT_AnswerAlert(1);  // No: nothing opens
  main_winNfySelMenuBar(win_, GT_CMD_CALIBRATE);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(65));
  EXPECT_EQ(im_calib_window(), nullptr);
  TKT_AnswerAlert(2);  // Yes: the calibration window opens
  main_winNfySelMenuBar(win_, GT_CMD_CALIBRATE);
  EXPECT_NE(im_calib_window(), nullptr);
  im_calib_dismiss();
}

// The lane-definition dialog cancelled: from Add in lane mode nothing happens, from Define (a
// Vrem step) the run ends.
TEST_F(Dispatch, CancellingAddLanesKeepsAVremRunAndCancellingDefineEndsIt) {
  ASSERT_NE(open(shelltest::write_gel(dir, "gel", 80, 60)), nullptr);
  gt_get_control()->sel_mode = SEL_LANES;
  auto cancel_dialog = [] {
    QTimer::singleShot(0, [] {
      if (TK_OBJ d = TKT_FindWindow("ln_info", "ln_info_win")) TKT_Click(RES_GetSub(d, 2));
    });
  };
  gt_vrem_run = 1;
  cancel_dialog();
  main_winNfySelMenuBar(win_, GT_CMD_ADD);
  EXPECT_EQ(gt_dispatch_last_run(), GT_CMD_ADD);
  EXPECT_EQ(gt_vrem_run, 1);
  EXPECT_EQ(gt_get_state(), TS_IDLE);
  cancel_dialog();
  main_winNfySelMenuBar(win_, GT_CMD_DEFINE_LANES);
  EXPECT_EQ(gt_vrem_run, 0);
  EXPECT_EQ(gt_get_state(), TS_IDLE);
}

TEST_F(DispatchTrace, LaneCommandsStopWithoutFoundBandsOrOneSelectedLane) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 80, 60));
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 30, 5, 55, 20);
  im->has_bands = 0;
  // Labels: Values from its toolbar button says why it does nothing.
  TKT_AnswerAlert(1);
  TKT_Click(RES_GetSub(part(GT_MAIN_TOOLBAR), 15));
  EXPECT_EQ(TKT_LastAlertText(), "You must first Find Bands");
  EXPECT_EQ(TKT_LastAlertKind(), KS_ALERT_ERROR);
  main_winNfySelMenuBar(win_, GT_CMD_LANE_NAME);
  main_winNfySelMenuBar(win_, GT_CMD_LANE_COMMENTS);
  im->has_bands = 1;
  im->num_sel_lanes = 2;
  main_winNfySelMenuBar(win_, GT_CMD_LANE_BACKGROUND);
  const std::vector<std::string> want = {
      "Labels: Values...", "Name..., find_bands_done 0", "find_bands not done",
      "Lane Comments..., find_bands_done 0", "find_bands not done", "Background...",
      "num_sel_lanes 2"};
  EXPECT_EQ(lines(), want);
}

}  // namespace
