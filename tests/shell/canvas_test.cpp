// The image canvas: pointer moves and presses reach the tools in image pixels at every zoom with
// the pixel readout, keys become commands, and the pointer shows whether a tool is in progress.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_view_fixture.h"
#include "shell/gt_canvas.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_test.h"

using shelltest::ImageView;

namespace {

std::vector<int> g_commands;
int record_command(TK_OBJ, int command) {
  g_commands.push_back(command);
  return 0;
}

class Canvas : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = *gt_get_control();
    gt_control_init(gt_get_control());
    g_commands.clear();
    gt_canvas_set_command_proc(record_command, nullptr);
  }
  void TearDown() override {
    gt_canvas_set_command_proc(nullptr, nullptr);
    gt_canvas_set_readout(nullptr);
    TKT_SetImageMapping(false);
    *gt_get_control() = saved;
  }
  CONTROL saved{};
};

TEST_F(Canvas, PointerMovesAndPressesReachTheToolsInImagePixelsWithTheReadout) {
  ImageView v(300, 200);
  CANVAS_TrackPointer(v.area, 1);  // as an image window's canvas does
  TK_OBJ readout = RES_GetSub(v.win, 1);
  gt_canvas_set_readout(readout);
  struct Case {
    int zoom, vx, vy, ix, iy;
    const char* text;
  } cases[] = {{-3, 10, 7, 30, 21, "1:3  (30,21)  72"}, {2, 10, 7, 5, 3, "2:1  (5,3)  11"},
               {1, 40, 9, 40, 9, "1:1  (40,9)  58"}};
  for (const Case& c : cases) {
    v.zoom(c.zoom);
    v.scroll(0, 0);
    // The pointer moved with no button held shows the pixel under it.
    WGT_SetText(readout, "");
    TKT_Move(v.area, c.vx, c.vy);
    EXPECT_STREQ(WGT_GetText(readout), c.text) << c.zoom << " moved";
    WGT_SetText(readout, "");
    TKT_Press(v.area, c.vx, c.vy);
    TKT_Release(v.area, c.vx, c.vy);
    EXPECT_EQ(v.image->click_pt[0], c.ix) << c.zoom;
    EXPECT_EQ(v.image->click_pt[1], c.iy) << c.zoom;
    EXPECT_STREQ(WGT_GetText(readout), c.text) << c.zoom;
  }
}

TEST_F(Canvas, KeysBecomeCommands) {
  ImageView v(100, 100);
  TKT_Key(v.area, '+');
  TKT_Key(v.area, '-');
  TKT_Key(v.area, 0x01000006);  // Insert
  TKT_Key(v.area, 0x01000007);  // Delete
  TKT_Key(v.area, 'a');
  EXPECT_EQ(g_commands, (std::vector<int>{1081, 1082, 143, 144}));
  EXPECT_EQ(gt_zoom_next(10, 1081), 10);
  EXPECT_EQ(gt_zoom_next(-2, 1081), 1);
  EXPECT_EQ(gt_zoom_next(1, 1082), -2);
  EXPECT_EQ(gt_zoom_next(-10, 1082), -10);
}

TEST_F(Canvas, ThePointerShowsAToolInProgress) {
  ImageView v(100, 100);
  gt_get_control()->task_state = 4;
  TKT_Send(v.area, TK_EV_ENTER);
  EXPECT_EQ(WGT_GetPointer(v.area), 1);
  gt_get_control()->task_state = 0;
  TKT_Send(v.area, TK_EV_ENTER);
  EXPECT_EQ(WGT_GetPointer(v.area), 0);
}

}  // namespace
