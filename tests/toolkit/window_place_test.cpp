// Owned windows are dialogs of their owner's top-level window (what keeps them above it under a
// window manager), and windows placed by percentages stay inside the screen's available area.
#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

#include "base/ks_choose.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace {

class PlaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A window sized 200 by 100 whose parts need more, and a small one.
    ASSERT_TRUE(RES_OpenText(
        "module tk_wplace\n"
        "window tall { layout grid; size 200 100; part 0 area a { size 300 600; at 0 0 }\n"
        "  part 1 button ok { label \"OK\"; at 1 0 } }\n"
        "window wide { layout grid; size 200 100; part 0 area a { size 900 100; at 0 0 } }\n"
        "window small { size 296 178; part 0 label {} }\n"));
  }
  void SetUp() override {
    TKT_Enable(true);
    TKT_SetScreenSize(1024, 768);
  }
  void TearDown() override {
    for (TK_OBJ w : wins_) WIN_Terminate(w);
    TKT_SetScreenSize(0, 0);
    TKT_Enable(false);
  }
  TK_OBJ load(const char* name) {
    TK_OBJ w = WIN_Load("tk_wplace", name);
    EXPECT_NE(w, nullptr);
    if (w) wins_.push_back(w);
    return w;
  }
  // The outer rectangle the placing rule reckons with (the frame allowance is 4 by 22).
  static QRect outer(TK_OBJ win) {
    const TkRect r = WIN_GetRect(win);
    return {r.x, r.y, r.w + 4, r.h + 22};
  }
  std::vector<TK_OBJ> wins_;
};

TEST_F(PlaceTest, OwnedWindowsAreDialogsOfTheirOwnersTopLevelWindow) {
  TK_OBJ main = load("small");
  TK_OBJ tool = load("small");
  WIN_Show(main);
  // Owned before and after its native window exists.
  for (bool shown_first : {false, true}) {
    SCOPED_TRACE(shown_first);
    if (shown_first) WIN_Show(tool);
    WIN_SetOwner(tool, main);
    WIN_Show(tool);
    QWidget* w = tk::widget(tool);
    EXPECT_EQ(w->windowType(), Qt::Dialog);
    ASSERT_NE(w->windowHandle(), nullptr);
    EXPECT_EQ(w->windowHandle()->transientParent(), tk::widget(main)->windowHandle());
    EXPECT_EQ(WIN_GetOwner(tool), main);

    // Without an owner it is a plain top-level window again.
    WIN_SetOwner(tool, nullptr);
    WIN_Show(tool);
    EXPECT_EQ(w->windowType(), Qt::Window);
    EXPECT_EQ(w->windowHandle()->transientParent(), nullptr);
    WIN_Hide(tool);
  }
}

TEST_F(PlaceTest, PlacedWindowsKeepTheirBottomAndRightInsideTheScreen) {
  const QRect screen(0, 0, 1024, 768);
  struct Case {
    const char* window;
    int x_pct, y_pct, w_pct, h_pct;  // h_pct 0: placed without a size
    int want_x, want_y;              // -1: not checked
    bool at_bottom;                  // moved up until its bottom is the screen's
  } cases[] = {
      // Taller after its layout settles than its given size: moved up until its bottom fits.
      {"tall", 90, 100, 0, 0, -1, -1, true},
      {"tall", 90, 100, 45, 40, -1, -1, true},
      {"tall", 50, 50, 0, 0, -1, -1, false},
      // Wider than the size asked for: moved left until inside; placed without a size, it is
      // measured as its layout needs and the rule puts it four pixels past the edge.
      {"wide", 100, 0, 10, 10, -1, 18, false},
      {"wide", 100, 0, 0, 0, -1, 18, false},
      // The rule itself: four pixels past the right edge stay, as does a window that fits.
      {"small", 100, 0, 0, 0, 728, 18, false},
      {"small", 90, 100, 0, 0, 652, 568, true},
      {"small", 5, 5, 0, 0, 36, 28, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.window) + " at " + std::to_string(c.x_pct) + "," +
                 std::to_string(c.y_pct));
    TK_OBJ win = load(c.window);
    if (c.h_pct > 0)
      ui_wpos_place_size(win, c.x_pct, c.y_pct, FALSE, c.w_pct, c.h_pct);
    else
      ui_wpos_place(win, c.x_pct, c.y_pct, FALSE);
    WIN_Show(win);
    const QRect r = outer(win);
    EXPECT_LE(r.bottom(), screen.bottom()) << r.y() << "+" << r.height();
    EXPECT_GE(r.top(), 0);
    EXPECT_LE(r.right(), screen.right() + 4) << r.x() << "+" << r.width();
    EXPECT_GE(r.left(), 0);
    if (c.want_x != -1) {
      EXPECT_EQ(r.x(), c.want_x);
    }
    if (c.want_y != -1) {
      EXPECT_EQ(r.y(), c.want_y);
    }
    if (c.at_bottom) {
      EXPECT_EQ(r.bottom(), screen.bottom());
    }
    if (std::string(c.window) == "wide") {
      EXPECT_EQ(r.right(), screen.right() + (c.h_pct > 0 ? 0 : 4));
    }
    WIN_Hide(win);
  }
}

}  // namespace
