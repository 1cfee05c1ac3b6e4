// Placing lane points (Define Lanes) and block corners (Find Lanes) through the canvas: each
// point and corner shows on the image as soon as it is pressed, with the pointer still on it.
#include <gtest/gtest.h>

#include "../shell/image_view_fixture.h"
#include "../shell/shell_fixture.h"
#include "dtool_fixture.h"
#include "gel_record.h"
#include "model/control.h"
#include "toolkit/tk_test.h"
#include "tools/gt_tool_wins.h"

using shelltest::ImageView;

namespace {

struct Probe {
  int x, y;
};

// Presses at (x, y) as a user does, the pointer moving there first; then every probe pixel
// must differ from the plain image.
void place_and_look(ImageView& v, int x, int y, std::initializer_list<Probe> probes) {
  TKT_Move(v.area, x, y);
  TKT_Press(v.area, x, y);
  TKT_Release(v.area, x, y);
  EVENT_Flush();
  for (const Probe& p : probes)
    EXPECT_NE(v.px(p.x, p.y), shelltest::grey_rgb(shelltest::grey_of(p.x, p.y)))
        << "nothing drawn at " << p.x << "," << p.y << " after the press at " << x << "," << y;
}

TEST(Placing, EachCornerAndLanePointShowsWhenPressed) {
  toolstest::load_resources();
  CONTROL* ctl = gt_get_control();
  {
    SCOPED_TRACE("block corners");
    ImageView v(300, 200);
    gt_fd_ln_activate(nullptr);
    ctl->task_state = 1;
    v.expose();
    TKT_SetImageMapping(true, 1, 1.0);
    place_and_look(v, 40, 30, {{40, 130}, {70, 30}});     // down and right of the first corner
    place_and_look(v, 200, 30, {{120, 30}, {200, 130}});  // the top edge, down from the second
    place_and_look(v, 200, 150, {{200, 90}, {170, 150}});  // the right edge, left of the third
    TKT_SetImageMapping(false);
    fd_ln_dismiss();
    ctl->task_state = 0;
  }
  {
    SCOPED_TRACE("lane points");
    ImageView v(300, 200);
    ctl->task_state = 4;
    v.image->num_lane_coords = 0;
    v.expose();
    TKT_SetImageMapping(true, 1, 1.0);
    place_and_look(v, 50, 20, {{50, 20}});
    place_and_look(v, 60, 80, {{50, 20}, {55, 50}, {60, 80}});
    place_and_look(v, 58, 140, {{50, 20}, {60, 80}, {58, 140}});
    TKT_SetImageMapping(false);
    ctl->task_state = 0;
  }
}

// The tool windows that ask for clicks on the image open beside the main window, whose work
// area holds the image windows, when the screen has room there.
class ToolWindowPlace : public shelltest::MainWindowTest {};

TEST_F(ToolWindowPlace, ToolWindowsOpenBesideTheMainWindow) {
  toolstest::load_resources();
  EVENT_Flush();
  const TkRect m = WIN_GetOuterRect(win_);
  ASSERT_GT(m.w, 0);
  ASSERT_LT(m.x + m.w + 300, 1920) << "the screen must have room beside the main window";
  struct Tool {
    const char* module;
    void (*open)(TK_OBJ);
    void (*close)();
  } tools[] = {
      {"fd_ln", gt_fd_ln_activate, fd_ln_dismiss},
      {"def_ln", gt_def_ln_activate, def_ln_dismiss},
  };
  for (const Tool& t : tools) {
    SCOPED_TRACE(t.module);
    t.open(win_);
    EVENT_Flush();
    const std::string name = std::string(t.module) + "_win";
    TK_OBJ w = TKT_FindWindow(t.module, name.c_str());
    ASSERT_NE(w, nullptr);
    const TkRect r = WIN_GetOuterRect(w);
    EXPECT_GE(r.x, m.x + m.w) << "the window lies over the main window";
    EXPECT_LE(r.x + r.w, 1920);
    t.close();
    EVENT_Flush();
  }
}

// The densitometry tool, too large to stand beside the main window, keeps below its mode bar.
class DtoolUnderModeBar : public dtooltest::DtoolWindow {
 protected:
  void SetUp() override {
    DtoolWindow::SetUp();
    shelltest::load_resources();
    TKT_SetScreenSize(1920, 1080);
    gt_set_logo_wait(0);
    ws_ = std::make_unique<shelltest::Workspace>();
    ASSERT_TRUE(SetupIniFileName());
    main_ = gt_main_activate();
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    if (main_ && RES_GetClass(main_) != 0) WIN_Terminate(main_);
    TKT_SetScreenSize(0, 0);
    ws_.reset();
    DtoolWindow::TearDown();
  }
  std::unique_ptr<shelltest::Workspace> ws_;
  TK_OBJ main_ = nullptr;
};

TEST_F(DtoolUnderModeBar, TheModeBarStaysInView) {
  EVENT_Flush();
  const TkRect bar = WGT_GetScreenRect(RES_GetSub(main_, GT_MAIN_MODE_BAR));
  ASSERT_GT(bar.h, 0);
  TkRect tool{};
  run([&](TK_OBJ w) {
    tool = WIN_GetOuterRect(w);
    WIN_EndModal(w, 0);
  });
  ASSERT_GT(tool.w, 0) << "the tool did not open";
  const bool beside = tool.x >= bar.x + bar.w || tool.x + tool.w <= bar.x;
  EXPECT_TRUE(beside || tool.y >= bar.y + bar.h) << "the tool's top " << tool.y << " over the mode bar";
}

}  // namespace
