// Opening, closing and saving images through the main window: the info file and the lock, the
// saved analysis drawn over the reopened image, failing writes, the unsaved-images question and
// the viewer processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QMdiArea>
#include <filesystem>

#include "gel_fixture.h"
#include "image_view_fixture.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "shell_fixture.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_test.h"
#include "tools/ui_illus.h"
#include "tools/ui_illus_obj.h"

namespace {

namespace fs = std::filesystem;
using shelltest::MainWindowTest;

// Colour of the gel's pixel (x, y) through the image's colour table.
QRgb gel_rgb(IMAGE_REC* im, int x, int y) {
  return im->img_ptr->disp_img->colours()[shelltest::grey_of(x, y)] & 0xFFFFFF;
}

QRgb px(IMAGE_REC* im, int x, int y) {
  return tk::area(static_cast<TK_OBJ>(im->draw_area))->backing().pixel(x, y) & 0xFFFFFF;
}

using shelltest::add_lane_and_band;
using shelltest::base;
using shelltest::write_gel;

using OpenClose = shelltest::OpenImagesTest;

TEST_F(OpenClose, OpensWithItsInfoFileUnderALockAndRefusesWithout) {
  const std::string gel = write_gel(dir, "gel", 120, 90);
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  EXPECT_TRUE(fs::exists(base(gel) + ".lck"));
  EXPECT_EQ(px(im, 10, 10), gel_rgb(im, 10, 10));
  EXPECT_STREQ(gt_get_control()->recent[0], gel.c_str());

  const std::string bare = write_gel(dir, "bare", 40, 30, false);
  EXPECT_EQ(open(bare), im);  // nothing new opened
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_NE(TKT_LastAlertText().find(base(bare) + ".kei"), std::string::npos);
  EXPECT_FALSE(fs::exists(base(bare) + ".lck"));

  TKT_Close(static_cast<TK_OBJ>(im->window));
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_FALSE(fs::exists(base(gel) + ".lck"));
}

// Closing the annotated image closes the annotation tool with it: the tool keeps no pointer to
// the freed image (its controls would otherwise reach it), and the image's annotations go with
// its record.
TEST_F(OpenClose, ClosingTheAnnotatedImageClosesTheAnnotationTool) {
  IMAGE_REC* im = open(write_gel(dir, "gel", 120, 90));
  ASSERT_NE(im, nullptr);
  ui_tools_activate(gt_get_main_win(), static_cast<TK_OBJ>(im->draw_area), UI_TOOL_ANNOTATE, nullptr, im->img_ptr,
                    nullptr);
  ASSERT_NE(TKT_FindWindow("ui_illus", "ui_illus_win"), nullptr);
  ASSERT_NE(ui_illus_obj_create(im->img_ptr, COMM_T_BOX, 10, 10), nullptr);
  gt_image_clear_modified(im);
  TKT_Close(static_cast<TK_OBJ>(im->window));
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_EQ(TKT_FindWindow("ui_illus", "ui_illus_win"), nullptr);
  EXPECT_EQ(ui_tools_any_on(), 0);
}

TEST_F(OpenClose, ClosingTheImageEndsTheRectangleToolOnIt) {
  IMAGE_REC* im = open(write_gel(dir, "gel", 120, 90));
  ASSERT_NE(im, nullptr);
  ui_tools_activate(gt_get_main_win(), static_cast<TK_OBJ>(im->draw_area), UI_TOOL_HISTOGRAM, nullptr,
                    im->img_ptr, nullptr);
  ASSERT_NE(ui_tools_window(), nullptr);
  gt_image_clear_modified(im);
  TKT_Close(static_cast<TK_OBJ>(im->window));
  EXPECT_EQ(ui_tools_window(), nullptr);
  EXPECT_EQ(ui_tools_any_on(), 0);
  ui_tools_dismiss();  // nothing left to touch
}

TEST_F(OpenClose, OpenTakesEveryChosenImageNotYetOpen) {
  const std::string a = write_gel(dir, "a", 60, 50);
  const std::string b = write_gel(dir, "b", 60, 50);
  const std::string c = write_gel(dir, "c", 60, 50);
  ASSERT_NE(open(b), nullptr);
  TKT_AnswerChooser({a, b, c});
  EXPECT_TRUE(gt_get_image());
  EXPECT_EQ(gt_get_num_img_windows(), 3);
  EXPECT_NE(TKT_LastAlertText().find(b), std::string::npos);  // b: already open
  EXPECT_EQ(TKT_LastAlertKind(), 0);
  TKT_AnswerChooser({});
  EXPECT_FALSE(gt_get_image());
}

// An image window opens showing its image: the whole image when the workspace has room for it,
// the whole workspace when not, never more than the image; a narrow image's frame is 50 pixels
// wider than the image.
TEST_F(OpenClose, ImageWindowOpensShowingItsImage) {
  WIN_Show(win_);
  EVENT_Flush();
  auto* mdi = qobject_cast<QMdiArea*>(tk::widget(gt_get_workspace()));
  ASSERT_NE(mdi, nullptr);
  const QSize room = mdi->viewport()->size();
  ASSERT_GT(room.width(), 600);
  ASSERT_GT(room.height(), 400);
  struct Case {
    int w, h;
    bool fits;  // the whole image is shown
  } cases[] = {
      {500, 300, true},
      {room.width() + 500, room.height() + 500, false},  // larger both ways: fills the workspace
      {500, room.height() + 500, false},                  // taller only: as wide as the image
      {120, 200, true},                                   // narrow: frame 50 pixels wider
  };
  for (const Case& c : cases) {
    const std::string name = "g" + std::to_string(c.w) + "x" + std::to_string(c.h);
    IMAGE_REC* im = open(write_gel(dir, name, c.w, c.h));
    ASSERT_NE(im, nullptr) << name;
    EVENT_Flush();
    TK_OBJ win = static_cast<TK_OBJ>(im->window);
    const TkRect view = CANVAS_GetVisible(static_cast<TK_OBJ>(im->draw_area));
    const QRect frame = tk::widget(win)->parentWidget()->geometry();  // its sub-window
    EXPECT_TRUE(QRect(QPoint(0, 0), room).contains(frame)) << name;
    if (c.fits) {
      EXPECT_EQ(view.h, c.h) << name;
      EXPECT_EQ(c.w < 352 ? frame.width() : view.w, c.w < 352 ? c.w + 50 : c.w) << name;
    } else {
      EXPECT_EQ(frame.height(), room.height()) << name;
      EXPECT_LE(view.h, c.h) << name;
      if (c.w > room.width()) {
        EXPECT_EQ(frame.width(), room.width()) << name;
      } else {
        EXPECT_EQ(view.w, c.w) << name;
      }
    }
    WIN_Terminate(win);
  }
}

TEST_F(OpenClose, ALockedImageAsksFirst) {
  const std::string gel = write_gel(dir, "gel", 60, 40);
  std::ofstream(base(gel) + ".lck") << "";
  TKT_AnswerAlert(1);  // No
  EXPECT_EQ(open(gel), nullptr);
  EXPECT_TRUE(fs::exists(base(gel) + ".lck"));
  TKT_AnswerAlert(2);  // Yes: opened without a lock of its own
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  TKT_Close(static_cast<TK_OBJ>(im->window));
  EXPECT_FALSE(fs::exists(base(gel) + ".lck"));
}

TEST_F(OpenClose, SavedLanesAndBandsAreDrawnOverTheReopenedImage) {
  const std::string gel = write_gel(dir, "gel", 400, 300);
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  add_lane_and_band(im, 150, 30, 270, 120);
  EXPECT_TRUE(gt_save_image(im));
  EXPECT_FALSE(gt_image_modified(im));
  TKT_Close(static_cast<TK_OBJ>(im->window));
  ASSERT_EQ(gt_get_num_img_windows(), 0);

  im = open(gel);
  ASSERT_NE(im, nullptr);
  ASSERT_NE(im->lanes->next, nullptr);
  ASSERT_NE(im->bands->next, nullptr);
  EXPECT_FALSE(gt_image_modified(im));
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  struct Case {
    int zoom, sx, sy;
  } cases[] = {{1, 0, 0}, {2, 200, 150}, {-2, 0, 0}, {3, 350, 250}};
  for (const Case& c : cases) {
    gt_zoom_set(im, c.zoom);
    gt_dib_scroll_to(area, c.sx, c.sy);
    WGT_Redraw(area);
    EVENT_Flush();
    const TkRect vis = CANVAS_GetVisible(area);
    auto expect_at = [&](int x, int y, QRgb colour) {
      int X, Y;
      if (shelltest::view_of(vis, c.zoom, x, y, &X, &Y)) {
        EXPECT_EQ(px(im, X, Y), colour) << "zoom " << c.zoom << " at image " << x << "," << y;
      }
    };
    // Points in view at this zoom and scroll: the lane's edges on a row of the lane as far from
    // the band as the view allows, the band, and a gel pixel beside the lane.
    const shelltest::ImageSpan span = shelltest::image_in_view(vis, c.zoom, 400, 300);
    const int row = shelltest::end_far_from(std::max(span.top, 32), std::min(span.bottom, 268), 120);
    EXPECT_GE(std::abs(row - 120), 4) << "zoom " << c.zoom << ": no lane row in view away from the band";
    expect_at(141, row, 0x0000FF);  // left edge of the lane
    expect_at(159, row, 0x0000FF);  // right edge
    expect_at(150, 120, 0x00FF00);  // the band
    // A reduced view shows every other pixel: the gel pixel is one of those (even x and y).
    const int col = shelltest::end_far_from((span.left + 3) & ~1, (span.right - 2) & ~1, 150);
    const int gel_row = (span.top + 3) & ~1;
    EXPECT_GE(std::abs(col - 150), 20) << "zoom " << c.zoom << ": no gel column in view beside the lane";
    expect_at(col, gel_row, gel_rgb(im, col, gel_row));
    TKT_Grab(static_cast<TK_OBJ>(im->window),
             vxtest::grab_path(ws_->dir(), "reopened_z" + std::to_string(c.zoom) + ".png").c_str());
  }
}

TEST_F(OpenClose, AFailedWriteKeepsTheChangesAndTheOldFiles) {
  const std::string gel = write_gel(dir, "gel", 200, 150);
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  add_lane_and_band(im, 80, 20, 130, 60);
  ASSERT_TRUE(gt_save_image(im));
  const auto gt_before = vxtest::read_bytes(base(gel) + ".gt");
  const auto kei_before = vxtest::read_bytes(base(gel) + ".kei");
  im->bands->next->y = 90;  // a change
  im->modified = 1;

  // Files cannot grow beyond 16 bytes while the save runs (a full disk).
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const BOOL saved = gt_save_image(im);
  // The close box: Yes tries to save, fails, and the window stays.
  TKT_AnswerAlert(2);
  TKT_Close(static_cast<TK_OBJ>(im->window));
  setrlimit(RLIMIT_FSIZE, &old);

  EXPECT_FALSE(saved);
  EXPECT_TRUE(gt_image_modified(im));
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(vxtest::read_bytes(base(gel) + ".gt"), gt_before);
  EXPECT_EQ(vxtest::read_bytes(base(gel) + ".kei"), kei_before);

  TKT_AnswerAlert(3);  // Cancel keeps the window and the changes
  TKT_Close(static_cast<TK_OBJ>(im->window));
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_TRUE(gt_image_modified(im));
  TKT_AnswerAlert(1);  // No drops the changes and closes
  TKT_Close(static_cast<TK_OBJ>(im->window));
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_EQ(vxtest::read_bytes(base(gel) + ".gt"), gt_before);
}

TEST_F(OpenClose, OneQuestionForAllModifiedImages) {
  struct Case {
    int answer;
    BOOL go_on;
    bool written, still_modified;
  } cases[] = {{2, TRUE, true, false}, {1, TRUE, false, false}, {3, FALSE, false, true}};
  for (const Case& c : cases) {
    const std::string a = write_gel(dir, "a" + std::to_string(c.answer), 60, 50);
    const std::string b = write_gel(dir, "b" + std::to_string(c.answer), 60, 50);
    IMAGE_REC* ia = open(a);
    IMAGE_REC* ib = open(b);
    ASSERT_TRUE(ia && ib);
    ia->modified = 1;
    ib->img_ptr->modified = 1;  // the display record's flag counts too
    TKT_AnswerAlert(c.answer);
    EXPECT_EQ(gt_save_ok_to_continue("Quit", nullptr, 0), c.go_on) << c.answer;
    EXPECT_EQ(fs::exists(base(a) + ".gt"), c.written) << c.answer;
    EXPECT_EQ(fs::exists(base(b) + ".gt"), c.written) << c.answer;
    EXPECT_EQ(gt_image_modified(ia) == TRUE, c.still_modified) << c.answer;
    EXPECT_EQ(gt_image_modified(ib) == TRUE, c.still_modified) << c.answer;
    gt_image_clear_modified(ia);
    gt_image_clear_modified(ib);
    gt_unload_all();
    EXPECT_EQ(gt_get_num_img_windows(), 0);
    EXPECT_FALSE(fs::exists(base(a) + ".lck"));
  }
  EXPECT_TRUE(gt_prog_mgr_exit());  // nothing open: no question
}

TEST_F(OpenClose, TheMainWindowsEndDeletesTheLocks) {
  const std::string a = write_gel(dir, "a", 60, 50);
  const std::string b = write_gel(dir, "b", 60, 50);
  ASSERT_NE(open(a), nullptr);
  ASSERT_NE(open(b), nullptr);
  TKT_Close(win_);
  EXPECT_FALSE(fs::exists(base(a) + ".lck"));
  EXPECT_FALSE(fs::exists(base(b) + ".lck"));
}

// The menu commands reach open, save, zoom and close through the dispatcher's gate.
TEST_F(OpenClose, MenuCommandsOpenSaveZoomAndClose) {
  const std::string gel = write_gel(dir, "gel", 160, 120);
  // Open needs the idle state: with a tool in progress the chooser is not even shown.
  gt_get_control()->task_state = 3;
  const int unanswered = TKT_Unanswered();
  main_winNfySelMenuBar(win_, 101);
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_EQ(TKT_Unanswered(), unanswered);
  gt_get_control()->task_state = 0;
  TKT_AnswerChooser({gel});
  main_winNfySelMenuBar(win_, 101);
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  IMAGE_REC* im = gt_get_image_ptr();
  ASSERT_NE(im, nullptr);

  struct Step {
    int command, zoom;
  } steps[] = {{1081, 2}, {10001, 10}, {1081, 10}, {1083, 1}, {1082, -2}, {10018, -10},
               {1082, -10}, {10009, 2}};
  for (const Step& st : steps) {
    main_winNfySelMenuBar(win_, st.command);
    EXPECT_EQ(im->img_ptr->zoom[0], st.zoom) << st.command;
  }

  // Save writes only an image with changes.
  main_winNfySelMenuBar(win_, 105);
  EXPECT_FALSE(fs::exists(base(gel) + ".gt"));
  add_lane_and_band(im, 80, 10, 110, 50);
  main_winNfySelMenuBar(win_, 105);
  EXPECT_TRUE(fs::exists(base(gel) + ".gt"));
  EXPECT_FALSE(gt_image_modified(im));

  im->modified = 1;
  TKT_AnswerAlert(3);  // Close, Cancel: the window stays
  main_winNfySelMenuBar(win_, 103);
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  TKT_AnswerAlert(1);  // Close All, No: the changes go and so does the window
  main_winNfySelMenuBar(win_, 104);
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_FALSE(fs::exists(base(gel) + ".lck"));
}

TEST_F(OpenClose, QuitAndTheCloseBoxAskAboutUnsavedImagesFirst) {
  IMAGE_REC* im = open(write_gel(dir, "gel", 60, 50));
  ASSERT_NE(im, nullptr);
  im->modified = 1;
  TKT_AnswerAlert(3);  // Quit, Cancel
  main_winNfySelMenuBar(win_, 113);
  EXPECT_NE(RES_GetClass(win_), 0);
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  TKT_AnswerAlert(3);  // the close box, Cancel
  TKT_Close(win_);
  EXPECT_NE(RES_GetClass(win_), 0);
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_FALSE(fs::exists(ws_->write_dir() + "gt_init.prf"));
  TKT_AnswerAlert(1);  // the close box, No: preferences written, everything ends
  TKT_Close(win_);
  EXPECT_EQ(gt_get_num_img_windows(), 0);
  EXPECT_TRUE(fs::exists(ws_->write_dir() + "gt_init.prf"));
}

TEST_F(OpenClose, OnlyTheViewersThisProgramStartedAreEnded) {
  auto start = [] {
    const pid_t pid = fork();
    if (pid == 0) {
      execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  };
  const pid_t ours = start();
  const pid_t other = start();  // not registered: stands for another program's window
  gt_viewer_register(ours, "Dendrogram - match");
  gt_dismiss_all();
  EXPECT_EQ(gt_viewer_count(), 0);
  EXPECT_NE(kill(ours, 0), 0);   // ended and reaped
  EXPECT_EQ(kill(other, 0), 0);  // untouched
  kill(other, SIGTERM);
  waitpid(other, nullptr, 0);
}

}  // namespace

namespace {

// The demo workspace: its gel opens with the lanes and bands that make-demo found and saved.
TEST_F(OpenClose, DemoWorkspaceGelOpensAnalysed) {
  auto gel = vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif";
  if (!fs::exists(gel))
    gel = vxtest::source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
  if (!fs::exists(gel) || std::system("command -v convert >/dev/null") != 0)
    GTEST_SKIP() << "no demo gel or no ImageMagick here";
  const std::string demo = dir + "/demo";
  const std::string cmd = "'" + (vxtest::source_dir() / "scripts/make-demo").string() + "' '" + demo +
                          "' '" + vxtest::bin_dir().string() + "' '" + gel.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  IMAGE_REC* im = open(demo + "/images/ladder_reference_gel.kes");
  ASSERT_NE(im, nullptr);
  int lanes = 0, bands = 0;
  for (LANE* l = im->lanes->next; l; l = l->next) ++lanes;
  for (SPOT* b = im->bands->next; b; b = b->next) ++bands;
  EXPECT_EQ(lanes, 4);
  EXPECT_GT(bands, 20);
  EXPECT_EQ(im->has_bands, 1);
  // A band's tick is drawn where the band is.
  SPOT* b = im->bands->next;
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  gt_dib_scroll_to(area, b->x - 50, b->y - 50);
  WGT_Redraw(area);
  EVENT_Flush();
  const TkRect vis = CANVAS_GetVisible(area);
  const QRgb at = px(im, b->x - vis.x, b->y - vis.y);
  EXPECT_TRUE(at == 0x00FF00u || at == 0xFFFF00u || at == 0xFF0000u) << std::hex << at;
  WIN_MoveSize(static_cast<TK_OBJ>(im->window), 0, 0, 760, 600);
  gt_zoom_set(im, -2);
  EVENT_Wait(50);
  TKT_Grab(static_cast<TK_OBJ>(im->window), vxtest::grab_path(ws_->dir(), "demo_gel.png").c_str());
}

}  // namespace
