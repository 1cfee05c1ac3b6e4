// Drawing into the backing image of a drawing area, scrolling and exposes, and the mouse.
#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

int g_exposes = 0;
struct Mouse {
  int event, state, primary, dbl, mods;
  TkPoint pos;
};
std::vector<Mouse> g_mouse;
struct Key {
  int code, ch, mods;
};
std::vector<Key> g_keys;

// Redraws a box at content point (50, 40) on every expose, as an image window does.
long area_nfy(TK_OBJ area, int event) {
  if (event == TK_EV_EXPOSE) {
    ++g_exposes;
    TkPoint origin;
    TkRect clip;
    CANVAS_Map(area, {0, 0, 400, 300}, 1, &origin, &clip);
    DRAW_SetColors(area, DRAW_StockColor(3), DRAW_StockColor(8));
    if (DRAW_Begin(area, &clip)) {
      DRAW_FillRect(area, {origin.x + 50, origin.y + 40, 10, 10});
      DRAW_End(area);
    }
  }
  if (event == TK_EV_WINDOW) g_keys.push_back({EVENT_GetWinCode(), EVENT_GetKeyChar(), EVENT_GetKeyState()});
  if (event == TK_EV_MOUSE || event == TK_EV_MOTION)
    g_mouse.push_back({event, EVENT_GetButtonState(), EVENT_IsPrimaryButton(),
                       EVENT_IsDoubleClick(), EVENT_GetKeyState(), EVENT_GetPos()});
  return WGT_DefaultNfy5(area, event);
}

QRgb px(TK_OBJ area, int x, int y) { return tk::area(area)->backing().pixel(x, y) & 0xFFFFFF; }

class DrawTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!RES_HasWindow("tk_test", "tk_draw_win")) {
      ASSERT_TRUE(RES_OpenFile("test", (vxtest::source_dir() / "tests/toolkit/data/tk_test.res").c_str()));
    }
  }
  void SetUp() override {
    g_exposes = 0;
    g_mouse.clear();
    g_keys.clear();
    win = WIN_Load("tk_test", "tk_draw_win");
    ASSERT_NE(win, nullptr);
    area = RES_GetSub(win, 0);
    RES_SetNfy(area, area_nfy);
    WIN_Show(win);
    EVENT_Wait(20);
  }
  void TearDown() override {
    WIN_Terminate(win);
    EVENT_Flush();
  }
  TK_OBJ win = nullptr, area = nullptr;
};

TEST_F(DrawTest, BoxDrawnOutsideAnyExposeIsInTheBackingImage) {
  ASSERT_GT(g_exposes, 0);
  const int before = g_exposes;
  DRAW_SetColors(area, DRAW_StockColor(0), DRAW_StockColor(8));
  DRAW_Rect(area, {10, 20, 30, 15});
  EXPECT_EQ(g_exposes, before);
  EXPECT_EQ(px(area, 10, 20), 0xFF0000u);
  EXPECT_EQ(px(area, 39, 34), 0xFF0000u);  // the outline lies inside the box
  EXPECT_EQ(px(area, 40, 35), 0xFFFFFFu);
  EXPECT_EQ(px(area, 20, 27), 0xFFFFFFu);  // not filled
  // The widget shows what the backing image holds.
  QImage shown = tk::area(area)->viewport()->grab().toImage();
  EXPECT_EQ(shown.pixel(10, 20) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(DrawTest, RubberBandInHighlightColourRestoresEveryPixel) {
  DRAW_SetColors(area, DRAW_StockColor(5), DRAW_StockColor(8));
  DRAW_Line(area, 0, 0, 150, 100);
  const QImage before = tk::area(area)->backing().copy();
  for (int width : {1, 3}) {
    TK_OBJ pen = PEN_New();
    PEN_SetSize(pen, width, width);
    DRAW_SetPen(area, pen);
    DRAW_SetColors(area, DRAW_StockColor(11), DRAW_StockColor(10));
    std::int16_t pts[] = {20, 20, 120, 30, 90, 90};
    for (int pass = 0; pass < 2; ++pass) {
      DRAW_Rect(area, {30, 30, 60, 40});
      DRAW_Line(area, 5, 90, 140, 10);
      DRAW_Poly(area, 3, pts, 7);
      DRAW_Oval(area, {40, 10, 50, 30});
      if (pass == 0) {
        EXPECT_NE(tk::area(area)->backing(), before) << width;
      }
    }
    EXPECT_EQ(tk::area(area)->backing(), before) << "pen width " << width;
  }
}

TEST_F(DrawTest, IndexedImageIsDrawnWithItsColourTable) {
  // A 2 by 2 image zoomed 3 times by pixel replication, as the bitmap display does.
  TkImage src;
  ASSERT_TRUE(src.create(2, 2, 1));
  const std::uint8_t values[] = {0, 1, 2, 3};
  std::copy(values, values + 4, src.data());
  TkImage zoomed;
  ASSERT_TRUE(zoomed.create(6, 6, 1));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) zoomed.row(y)[x] = static_cast<std::uint8_t>(src.pixel(x / 3, y / 3));
  zoomed.colours()[0] = 0xFF102030;
  zoomed.colours()[1] = 0xFFFF0000;
  zoomed.colours()[2] = 0xFF00FF00;
  zoomed.colours()[3] = 0xFF0000FF;
  DRAW_Image(area, 7, 9, zoomed);
  EXPECT_EQ(px(area, 7, 9), 0x102030u);
  EXPECT_EQ(px(area, 9, 11), 0x102030u);
  EXPECT_EQ(px(area, 10, 9), 0xFF0000u);
  EXPECT_EQ(px(area, 7, 12), 0x00FF00u);
  EXPECT_EQ(px(area, 12, 14), 0x0000FFu);
  EXPECT_EQ(px(area, 13, 15), 0xFFFFFFu);  // outside the image
}

TEST_F(DrawTest, ScrollingExposesAndTheContentFollows) {
  CANVAS_SetExtent(area, 400, 300);
  const TkRect vis = CANVAS_GetVisible(area);
  EXPECT_EQ(vis.x, 0);
  EXPECT_GT(vis.w, 0);
  EXPECT_EQ(px(area, 50, 40), 0x0000FFu);
  const int before = g_exposes;
  CANVAS_ScrollTo(area, 30, 20);
  EXPECT_GT(g_exposes, before);
  EXPECT_EQ(WGT_GetRect(area).x, 30);
  EXPECT_EQ(WGT_GetRect(area).y, 20);
  EXPECT_EQ(px(area, 20, 20), 0x0000FFu);
  EXPECT_EQ(px(area, 50, 40), 0xFFFFFFu);
  // A redraw asks for the picture again: what was drawn outside an expose is gone.
  DRAW_Line(area, 0, 5, 100, 5);
  const int before_redraw = g_exposes;
  WGT_Redraw(area);
  EXPECT_EQ(g_exposes, before_redraw + 1);
  EXPECT_EQ(px(area, 50, 5), 0xFFFFFFu);
  EXPECT_EQ(px(area, 20, 20), 0x0000FFu);
}

TEST_F(DrawTest, MousePressDragReleaseAtImageCoordinates) {
  CANVAS_SetExtent(area, 400, 300);
  TKT_SetImageMapping(true, 2, 1.0);
  TKT_Press(area, 10, 7, true, TK_MOD_SHIFT);
  TKT_Drag(area, 20, 15);
  TKT_Release(area, 20, 15);
  TKT_Press(area, 5, 5, false);
  TKT_DoubleClick(area, 1, 1);
  TKT_SetImageMapping(false);
  ASSERT_EQ(g_mouse.size(), 5u);
  EXPECT_EQ(g_mouse[0].event, TK_EV_MOUSE);
  EXPECT_EQ(g_mouse[0].state, 1);
  EXPECT_EQ(g_mouse[0].primary, 1);
  EXPECT_EQ(g_mouse[0].mods, TK_MOD_SHIFT);
  EXPECT_EQ(g_mouse[0].pos.x, 20);
  EXPECT_EQ(g_mouse[0].pos.y, 14);
  EXPECT_EQ(g_mouse[1].event, TK_EV_MOTION);
  EXPECT_EQ(g_mouse[1].state, 1);
  EXPECT_EQ(g_mouse[1].pos.x, 40);
  EXPECT_EQ(g_mouse[2].event, TK_EV_MOUSE);
  EXPECT_EQ(g_mouse[2].state, 0);
  EXPECT_EQ(g_mouse[3].primary, 0);
  EXPECT_EQ(g_mouse[4].dbl, 1);
  TKT_Move(area, 30, 12);  // a move with no button held: only a tracking area hears of it
  ASSERT_EQ(g_mouse.size(), 5u);
  CANVAS_TrackPointer(area, 1);
  TKT_Move(area, 30, 12);
  CANVAS_TrackPointer(area, 0);
  ASSERT_EQ(g_mouse.size(), 6u);
  EXPECT_EQ(g_mouse[5].event, TK_EV_MOTION);
  EXPECT_EQ(g_mouse[5].state, 0);
  EXPECT_EQ(g_mouse[5].pos.x, 30);
}

TEST_F(DrawTest, KeysBecomeWindowEventsWithTheirCodes) {
  TKT_Key(area, '+');
  TKT_Key(area, Qt::Key_Delete);
  TKT_Key(area, Qt::Key_C, TK_MOD_CTRL);
  ASSERT_EQ(g_keys.size(), 3u);
  EXPECT_EQ(g_keys[0].code, TK_WIN_CHAR);
  EXPECT_EQ(g_keys[0].ch, '+');
  EXPECT_EQ(g_keys[1].code, TK_WIN_DELETE);
  EXPECT_EQ(g_keys[2].code, TK_WIN_CHAR);
  EXPECT_EQ(g_keys[2].ch, 'c');
  EXPECT_EQ(g_keys[2].mods, TK_MOD_CTRL);
}

TEST_F(DrawTest, TextInABoxWithFontMetrics) {
  TK_OBJ font = RES_LoadFont("tk_font", "big");
  if (!font) {
    ASSERT_TRUE(RES_OpenText("module tk_font\nfont big { family \"Helvetica\"; size 24; bold }\n"));
    font = RES_LoadFont("tk_font", "big");
  }
  ASSERT_NE(font, nullptr);
  DRAW_SetFont(area, font);
  int w = 0, a = 0, d = 0;
  DRAW_TextMetrics(area, "Lane 12", &w, &a, &d);
  EXPECT_GT(w, 40);
  EXPECT_GT(a, 10);
  DRAW_SetColors(area, DRAW_StockColor(9), DRAW_StockColor(8));
  DRAW_TextInBox(area, {5, 60, w, a + d}, 1, "Lane 12");
  int dark = 0;
  for (int y = 60; y < 60 + a + d; ++y) {
    for (int x = 5; x < 5 + w; ++x) dark += px(area, x, y) == 0 ? 1 : 0;
  }
  EXPECT_GT(dark, 20);
  DRAW_SetColors(area, DRAW_StockColor(0), DRAW_StockColor(10));
  DRAW_Oval(area, {120, 20, 60, 40});
  DRAW_Arc(area, {120, 70, 60, 40}, 0, 180);
  vxtest::TempDir shots;
  const std::string png = vxtest::grab_path(shots, "tk_draw_win.png");
  EXPECT_TRUE(TKT_Grab(win, png.c_str()));
}

}  // namespace
