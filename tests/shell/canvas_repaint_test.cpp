// Repainting an image window's canvas in the running program: Annotation, Refresh, Name and Copy
// Lanes leave the picture that a fresh repaint gives, the calibration strip stays with the
// outlines hidden, the densitometry tool's lane is highlighted, the multiplex markers show as
// they are placed, a refused activation leaves the other image window inactive, and a zoom
// rewrites the read-out.
#include <gtest/gtest.h>

#include <QImage>
#include <QTimer>
#include <string>

#include "engine/lane_profile.h"
#include "gel_fixture.h"
#include "model/task_state.h"
#include "shell/cal_val.h"
#include "shell/gt_canvas.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_overlay.h"
#include "shell/im_calib.h"
#include "system_clicks.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_widget.h"
#include "toolkit/tk_workspace.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_lane_dlgs.h"

namespace {

using shelltest::grey_of;

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF;

class CanvasRepaint : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    im_calib_dismiss();
    multi_dismiss();
    ln_cpy_dismiss();
    TKT_SetImageMapping(false);
    shelltest::OpenImagesTest::TearDown();
  }
  // An image window on a gel of w x h pixels with one lane (x 40, rows 5..90, half-width 9) and
  // one band at row 30, shown whole at zoom 1.
  IMAGE_REC* open_gel(const std::string& name, int w = 120, int h = 100) {
    IMAGE_REC* im = open(shelltest::write_gel(dir, name, w, h));
    EXPECT_NE(im, nullptr);
    if (!im) return nullptr;
    shelltest::add_lane_and_band(im, 40, 5, 90, 30);
    WIN_MoveSize(static_cast<TK_OBJ>(im->window), 0, 0, 400, 300);
    EVENT_Flush();
    TKT_SetImageMapping(true, 1, 1.0);
    return im;
  }
  // A picture of the main window, kept where VX_GRAB_DIR says.
  void grab(const std::string& name) {
    EXPECT_TRUE(TKT_Grab(win_, vxtest::grab_path(ws_->dir(), "repaint_" + name + ".png").c_str()));
  }
  static TK_OBJ area(IMAGE_REC* im) { return static_cast<TK_OBJ>(im->draw_area); }
  static QImage picture(IMAGE_REC* im) { return tk::area(area(im))->backing().copy(); }
  static QRgb px(IMAGE_REC* im, int x, int y) {
    const TkPoint p = ih_map_point(area(im), x, y, im->img_ptr);
    return tk::area(area(im))->backing().pixel(p.x, p.y) & 0xFFFFFF;
  }
  // The colour of image pixel (x, y) itself, through the image's colour table.
  static QRgb plain(IMAGE_REC* im, int x, int y) {
    const TkImage& d = *im->img_ptr->disp_img;
    return d.colours()[d.pixel(x, y)] & 0xFFFFFF;
  }
  // The pixels of the image with something drawn over them.
  static int pixels_drawn_over(IMAGE_REC* im, int w, int h) {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += px(im, x, y) != plain(im, x, y);
    return n;
  }
  // Answers the step value dialog that the next action opens with `text` and OK.
  void answer_value(const std::string& text) {
    QTimer::singleShot(0, [text] {
      if (TK_OBJ w = TKT_FindWindow("cal_val", "cal_val_win")) {
        TKT_Type(RES_GetSub(w, CAL_VAL_TEXT), text.c_str());
        TKT_Click(RES_GetSub(w, CAL_VAL_OK));
      }
    });
  }
};

TEST_F(CanvasRepaint, AnnotationRefreshNameAndCopyLanesLeaveThePictureOfAFreshRepaint) {
  IMAGE_REC* im = open_gel("gel");
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  SPOT* band = im->bands->next;
  band->f2 |= SP_F2_SELECTED;
  ctl->disp_codes[DISP_BAND_NUMBERS] = 1;
  WGT_Redraw(area(im));
  const QImage shown = picture(im);
  ASSERT_GT(pixels_drawn_over(im, 120, 100), 0);

  // Annotation hides the lanes and bands at once, and shows them again.
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  ASSERT_EQ(ctl->lanes_hidden, 1);
  EXPECT_EQ(pixels_drawn_over(im, 120, 100), 0);
  grab("annotation_hidden");
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  EXPECT_EQ(picture(im), shown);

  // A setting turned off (as Preferences does before its Refresh) leaves the picture with the
  // Refresh, which repaints like a scroll would.
  ctl->disp_codes[DISP_BAND_NUMBERS] = 0;
  main_winNfySelMenuBar(win_, GT_CMD_REFRESH);
  const QImage refreshed = picture(im);
  EXPECT_NE(refreshed, shown);
  WGT_Redraw(area(im));
  EXPECT_EQ(picture(im), refreshed);
  ctl->lanes_hidden = 1;
  main_winNfySelMenuBar(win_, GT_CMD_REFRESH);
  EXPECT_EQ(pixels_drawn_over(im, 120, 100), 0);
  grab("refresh_hidden");
  ctl->lanes_hidden = 0;

  // Name and Copy Lanes end with the same whole repaint: no old label stays under the new one.
  im->lanes->next->f |= LN_F_SELECTED;
  im->num_sel_lanes = 1;
  WGT_Redraw(area(im));
  const QImage before_name = picture(im);
  QTimer::singleShot(0, [] {
    if (TK_OBJ w = TKT_FindWindow("ln_name", "ln_name_win")) {
      TKT_Type(RES_GetSub(w, 0), "W");
      TKT_Click(RES_GetSub(w, 1));
    }
  });
  gt_lane_name(win_, im);
  ASSERT_STREQ(im->lanes->next->lane_name, "W");
  const QImage after_name = picture(im);
  EXPECT_NE(after_name, before_name);
  WGT_Redraw(area(im));
  EXPECT_EQ(picture(im), after_name);

  // Copy Lanes: the copy dropped at x 90 is found and the lanes renumbered (the copy becomes
  // lane 2); the picture is that of a fresh repaint.
  gt_copy_lanes_and_bands(win_, im, 0);
  ASSERT_EQ(gt_get_state(), TS_COPY_LANES);
  gt_copy_lanes_drop(im, 90, 48);
  TK_OBJ copy_win = TKT_FindWindow("ln_cpy", "ln_cpy_win");
  ASSERT_NE(copy_win, nullptr);
  TKT_Click(RES_GetSub(copy_win, 1));
  EVENT_Flush();
  ASSERT_EQ(im->lane_hdr->num_lanes, 2);
  const QImage after_copy = picture(im);
  WGT_Redraw(area(im));
  EXPECT_EQ(picture(im), after_copy);
}

TEST_F(CanvasRepaint, TheCalibrationStripStaysWithTheOutlinesHiddenOnItsImageAlone) {
  IMAGE_REC* other = open_gel("other", 200, 60);
  IMAGE_REC* im = open_gel("tablet", 200, 60);
  ASSERT_TRUE(other && im);
  ASSERT_EQ(gt_get_image_ptr(), im);
  im_calib_activate(win_);
  ASSERT_EQ(gt_get_state(), TS_CALIBRATION);
  answer_value("0.5");
  TKT_Press(area(im), 130, 10);
  TKT_Drag(area(im), 140, 20);
  TKT_Drag(area(im), 150, 30);
  TKT_Release(area(im), 150, 30);
  ASSERT_EQ(cal_strip().count, 1);
  ASSERT_EQ(px(im, 140, 10), kRed);  // the box's top edge

  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);  // a view command: it runs in state 13
  ASSERT_EQ(gt_get_control()->lanes_hidden, 1);
  EXPECT_EQ(px(im, 140, 10), kRed);
  EXPECT_EQ(px(im, 40, 30), plain(im, 40, 30));  // the lane is hidden
  grab("strip_outlines_hidden");
  WGT_Redraw(area(im));  // as a scroll repaints
  EXPECT_EQ(px(im, 140, 10), kRed);
  // The other image window shows no strip, with or without its outlines.
  WGT_Redraw(area(other));
  EXPECT_EQ(pixels_drawn_over(other, 200, 60), 0);
  main_winNfySelMenuBar(win_, GT_CMD_ANNOTATION);
  EXPECT_EQ(px(other, 140, 10), plain(other, 140, 10));
  EXPECT_EQ(px(im, 140, 10), kRed);
}

TEST_F(CanvasRepaint, TheDensitometryToolsLaneAloneIsHighlighted) {
  IMAGE_REC* im = open_gel("gel");
  ASSERT_NE(im, nullptr);
  LANE* lane = im->lanes->next;
  ln_load_data_values(im->file_path, &lane, 1, 50);
  ASSERT_GT(lane->num_data_values, 0);
  lane->f |= LN_F_SELECTED;
  im->num_sel_lanes = 1;
  gt_get_control()->sel_mode = SEL_LANES;
  WGT_Redraw(area(im));
  // Outside the tool: the selected lane's 1-pixel outline (left edge at x 31) and the band.
  EXPECT_EQ(px(im, 31, 60), kRed);
  EXPECT_NE(px(im, 30, 60), kRed);
  EXPECT_NE(px(im, 40, 30), plain(im, 40, 30));

  bool looked = false;
  QRgb edge = 0, beside = 0, band_mark = 0;
  QTimer::singleShot(0, [&] {
    TK_OBJ tool = TKT_FindWindow("dtool", "dtool_win");
    if (!tool) return;
    looked = true;
    edge = px(im, 31, 60);
    beside = px(im, 30, 60);  // the highlight's pen is 3 pixels wide
    band_mark = px(im, 40, 30);
    grab("dtool_lane");
    TKT_Close(tool);
  });
  main_winNfySelMenuBar(win_, GT_CMD_DTOOL);
  ASSERT_TRUE(looked);
  EXPECT_EQ(edge, kRed);
  EXPECT_EQ(beside, kRed);
  EXPECT_EQ(band_mark, plain(im, 40, 30));  // nothing but the highlight
  // Closed: the ordinary overlays again.
  EXPECT_NE(px(im, 30, 60), kRed);
  EXPECT_NE(px(im, 40, 30), plain(im, 40, 30));
}

TEST_F(CanvasRepaint, MultiplexMarkersAskBeforeGoingAndShowAsTheyArePlaced) {
  IMAGE_REC* im = open_gel("gel");
  ASSERT_NE(im, nullptr);
  // Without markers nothing is asked.
  const int unanswered = TKT_Unanswered();
  ASSERT_TRUE(gt_multi_start(win_, im));
  EXPECT_EQ(TKT_Unanswered(), unanswered);
  EXPECT_EQ(gt_get_state(), TS_MULTIPLEX_MARKERS);
  TK_OBJ multi = TKT_FindWindow("multi", "multi_win");
  ASSERT_NE(multi, nullptr);
  TK_OBJ done = RES_GetSub(multi, 1);

  // Each click shows its marker at once.
  const int at[3][2] = {{20, 20}, {70, 40}, {100, 80}};
  for (int i = 0; i < 3; ++i) {
    TKT_Press(area(im), at[i][0], at[i][1]);
    TKT_Release(area(im), at[i][0], at[i][1]);
    EXPECT_EQ(im->num_mark_pts, i + 1);
    for (int k = 0; k <= i; ++k) EXPECT_EQ(px(im, at[k][0], at[k][1]), kBlue) << i << " " << k;
    EXPECT_EQ(WGT_IsEnabled(done), i == 2 ? 1 : 0);
  }
  grab("markers_placed");
  // The modifier double click starts over.
  TKT_DoubleClick(area(im), 60, 60, TK_MOD_SHIFT);
  EXPECT_EQ(im->num_mark_pts, 0);
  EXPECT_EQ(im->mark_pts[0][0], -1);
  EXPECT_EQ(WGT_IsEnabled(done), 0);
  for (const auto& p : at) EXPECT_NE(px(im, p[0], p[1]), kBlue);
  for (int i = 0; i < 3; ++i) {
    TKT_Press(area(im), at[i][0], at[i][1]);
    TKT_Release(area(im), at[i][0], at[i][1]);
  }
  TKT_Click(done);
  ASSERT_EQ(gt_get_state(), TS_IDLE);
  ASSERT_EQ(im->mark_pts[2][0], 100);

  // With markers set: No keeps them and starts nothing; Yes starts afresh.
  TKT_AnswerAlert(1);
  EXPECT_FALSE(gt_multi_start(win_, im));
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(85));
  EXPECT_EQ(TKT_LastAlertKind(), 2);
  EXPECT_EQ(gt_get_state(), TS_IDLE);
  EXPECT_EQ(im->mark_pts[2][0], 100);
  EXPECT_EQ(TKT_FindWindow("multi", "multi_win"), nullptr);
  EXPECT_EQ(px(im, 100, 80), kBlue);
  TKT_AnswerAlert(2);
  EXPECT_TRUE(gt_multi_start(win_, im));
  EXPECT_EQ(gt_get_state(), TS_MULTIPLEX_MARKERS);
  EXPECT_EQ(im->mark_pts[0][0], -1);
  EXPECT_NE(px(im, 100, 80), kBlue);  // the canvas was repainted without them
}

TEST_F(CanvasRepaint, AClickOnAnotherImageWindowIsRefusedWhileTheImageMayNotChange) {
  IMAGE_REC* a = open_gel("a");
  IMAGE_REC* b = open_gel("b");
  ASSERT_TRUE(a && b);
  TK_OBJ win_a = static_cast<TK_OBJ>(a->window), win_b = static_cast<TK_OBJ>(b->window);
  WS_Tile(gt_get_workspace());  // both in sight
  EVENT_Flush();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(tk::widget(win_)));
  ASSERT_EQ(WS_ActiveWindow(gt_get_workspace()), win_b);
  ASSERT_EQ(gt_get_image_ptr(), b);

  gt_set_state(TS_FIND_BANDS);  // a state in which the current image stays
  a->click_pt[0] = a->click_pt[1] = -7;
  vxtest::system_click(area(a));
  EVENT_Flush();
  EXPECT_EQ(WS_ActiveWindow(gt_get_workspace()), win_b);
  EXPECT_EQ(gt_get_image_ptr(), b);
  EXPECT_NE(a->click_pt[0], -7);  // the click itself still reaches the canvas
  grab("activation_refused");
  // Focus moved into the other window another way (here a click given straight to its canvas)
  // is taken back as well.
  QTest::mouseClick(tk::area(area(a))->viewport(), Qt::LeftButton);
  EVENT_Flush();
  EXPECT_EQ(WS_ActiveWindow(gt_get_workspace()), win_b);
  EXPECT_EQ(gt_get_image_ptr(), b);
  vxtest::system_click(area(b));  // the active window takes its clicks as ever
  EXPECT_EQ(WS_ActiveWindow(gt_get_workspace()), win_b);

  gt_set_state(TS_IDLE);
  vxtest::system_click(area(a));
  EVENT_Flush();
  EXPECT_EQ(WS_ActiveWindow(gt_get_workspace()), win_a);
  EXPECT_EQ(gt_get_image_ptr(), a);
}

TEST_F(CanvasRepaint, AZoomRewritesTheReadOutForThePixelUnderThePointer) {
  IMAGE_REC* im = open_gel("gel");
  ASSERT_NE(im, nullptr);
  TK_OBJ readout = gt_get_status2();
  TKT_SetImageMapping(false);
  TKT_Press(area(im), 30, 20);  // viewport pixel (30, 20): image pixel (30, 20) at zoom 1
  TKT_Release(area(im), 30, 20);
  ASSERT_STREQ(WGT_GetText(readout), "1:1  (30,20)  70");
  // The read-out names the new zoom and the pixel now under the pointer's place.
  auto under_pointer = [&](const char* ratio) {
    const TkRect v = CANVAS_GetVisible(area(im));
    const double f = ih_zoom_factor(im->img_ptr->zoom[0]);
    const int x = static_cast<int>((30 + v.x) / f), y = static_cast<int>((20 + v.y) / f);
    return std::string(ratio) + "  (" + std::to_string(x) + "," + std::to_string(y) + ")  " +
           std::to_string(grey_of(x, y));
  };
  TKT_Key(area(im), '+');  // through the dispatcher, as the key and the menu send it
  ASSERT_EQ(im->img_ptr->zoom[0], 2);
  EXPECT_EQ(WGT_GetText(readout), under_pointer("2:1"));
  grab("zoom_readout");
  main_winNfySelMenuBar(win_, GT_CMD_ZOOM_OUT);
  main_winNfySelMenuBar(win_, GT_CMD_ZOOM_OUT);
  ASSERT_EQ(im->img_ptr->zoom[0], -2);
  EXPECT_EQ(WGT_GetText(readout), under_pointer("1:2"));
}

TEST_F(CanvasRepaint, TheReadOutFollowsThePointerSoABlockCornerCanBeFoundBeforeItIsClicked) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 120, 100));
  ASSERT_NE(im, nullptr);
  WIN_MoveSize(static_cast<TK_OBJ>(im->window), 0, 0, 400, 300);
  EVENT_Flush();
  TKT_SetImageMapping(true, 1, 1.0);
  TK_OBJ readout = gt_get_status2();
  QTimer::singleShot(0, [] {
    TK_OBJ d = TKT_FindWindow("ln_info", "ln_info_win");
    if (!d) return;
    TKT_Pick(RES_GetSub(d, 3), 1);
    TKT_Type(RES_GetSub(d, 0), "2");
    TKT_Click(RES_GetSub(d, 1));
  });
  main_winNfySelMenuBar(win_, GT_CMD_DEFINE_LANES);
  ASSERT_NE(gt_get_state(), TS_IDLE);
  ASSERT_EQ(im->block_step, 1);
  // Moving with no button held names the pixel under the pointer and its value, and places
  // nothing; the press at the place the read-out named puts the first corner there.
  auto text = [](int x, int y) {
    return "1:1  (" + std::to_string(x) + "," + std::to_string(y) + ")  " + std::to_string(grey_of(x, y));
  };
  TKT_Move(area(im), 30, 20);
  EXPECT_EQ(WGT_GetText(readout), text(30, 20));
  TKT_Move(area(im), 57, 11);
  EXPECT_EQ(WGT_GetText(readout), text(57, 11));
  EXPECT_NE(grey_of(30, 20), grey_of(57, 11));
  EXPECT_EQ(im->block_step, 1);
  grab("readout_on_motion");
  TKT_Press(area(im), 57, 11);
  TKT_Release(area(im), 57, 11);
  EXPECT_EQ(im->block_step, 2);
  EXPECT_EQ(im->block_points[0], 57);
  EXPECT_EQ(im->block_points[1], 11);
}

}  // namespace
