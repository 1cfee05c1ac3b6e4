// The densitometry tool as the menu opens it: the program is busy while it is open, the lane
// strip labels its bands in the preferences' band colour at the strip's font size, the keys
// reach OK and Cancel as soon as it is up, and the main window has the keys again afterwards.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "engine/lane_profile.h"
#include "gel_fixture.h"
#include "model/control.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dtool.h"

namespace {

class DtoolCommand : public shelltest::OpenImagesTest {
 protected:
  // A 1-byte gel of 80 x 100 pixels with two bands (rows 30 and 65) down column 40, one lane over
  // them with its profile, selected, in lanes mode.
  IMAGE_REC* open_gel() {
    const std::string path = dir + "/bands.kes";
    shelltest::write_kes_image(path, 80, 100, 1, [](int x, int y) {
      const double across = std::exp(-(x - 40.0) * (x - 40.0) / 200.0);
      const double bands = 200 * std::exp(-(y - 30.0) * (y - 30.0) / 12.0) +
                           120 * std::exp(-(y - 65.0) * (y - 65.0) / 12.0);
      return unsigned(20 + bands * across);
    });
    IMAGE_REC* im = open(path);
    if (!im) return nullptr;
    shelltest::add_selected_lane(im, 40, 5, 94, 30);
    return im;
  }
  // Runs D-Tool from the menu with `inside` run in its modal loop; false when it never opened.
  // A tool still open after `inside` is cancelled, and `stuck` says so.
  bool run(std::function<void(TK_OBJ)> inside) {
    bool opened = false;
    stuck = false;
    // Timers that fire only while their captures live: the first while run() does, the check
    // for a tool left open while the fixture does.
    QObject during_run;
    QTimer::singleShot(0, &during_run, [&] {
      TK_OBJ tool = TKT_FindWindow("dtool", "dtool_win");
      if (!tool) return;
      opened = true;
      inside(tool);
      QTimer::singleShot(0, &during_test_, [this, tool] {
        if (TKT_FindWindow("dtool", "dtool_win") == tool) {
          stuck = true;
          TKT_Click(RES_GetSub(tool, 17));
        }
      });
    });
    main_winNfySelMenuBar(win_, GT_CMD_DTOOL);
    return opened;
  }
  bool stuck = false;
  QObject during_test_;
};

// The rows of the strip's picture that hold a pixel of colour c, and the tallest run of them.
struct Marks {
  int pixels = 0, tallest = 0;
};
Marks marks_of(const QImage& img, QRgb c) {
  Marks m;
  int run = 0;
  for (int y = 0; y < img.height(); ++y) {
    int in_row = 0;
    for (int x = 0; x < img.width(); ++x) in_row += (img.pixel(x, y) & 0xFFFFFF) == c;
    m.pixels += in_row;
    run = in_row ? run + 1 : 0;
    m.tallest = std::max(m.tallest, run);
  }
  return m;
}

TEST_F(DtoolCommand, RunsBusyWithTheStripInTheBandColourAtTheStripFontSize) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  ctl->disp_codes[DISP_COL_BAND] = 2;  // cyan, not the default
  int busy = 0, busy_after_expose = 0, bands = 0;
  Marks cyan, red;
  ASSERT_TRUE(run([&](TK_OBJ tool) {
    busy = ctl->busy;
    // The image window under the tool repaints (an expose): the program stays busy.
    WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
    EVENT_Flush();
    busy_after_expose = ctl->busy;
    bands = static_cast<int>(dtool_state().bands.size());
    TK_OBJ strip = RES_GetSub(tool, 11);
    WGT_Redraw(strip);
    EVENT_Flush();
    const QImage& b = tk::area(strip)->backing();
    cyan = marks_of(b, 0x00FFFF);
    red = marks_of(b, 0xFF0000);
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(tool, (std::string(d) + "/dtool_strip.png").c_str());
    TKT_Click(RES_GetSub(tool, 17));
  }));
  EXPECT_EQ(busy, 1);
  EXPECT_EQ(busy_after_expose, 1);
  EXPECT_EQ(ctl->busy, 0);
  ASSERT_EQ(bands, 2);
  // No band is selected, so no label is red; the labels are in Helvetica at 24 points, whose
  // digits stand more than 16 pixels tall (at 12 points about 11).
  EXPECT_EQ(red.pixels, 0);
  EXPECT_GT(cyan.pixels, 20);
  EXPECT_GT(cyan.tallest, 16);
}

TEST_F(DtoolCommand, TakesEscapeAndReturnAtOnceAndTheMainWindowHasTheKeysAfterwards) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  // Escape is Cancel: the bounds choice made in the tool is not kept. Return is OK: it is.
  const struct {
    int key, kept;
  } cases[] = {{Qt::Key_Escape, 0}, {Qt::Key_Return, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    ctl->DTOOL_bLowestPts = 0;
    ASSERT_TRUE(run([&c](TK_OBJ tool) {
      TKT_Pick(RES_GetSub(tool, 8), 1);
      TKT_KeyAtFocus(tool, c.key);
    }));
    EXPECT_FALSE(stuck);
    EXPECT_EQ(ctl->DTOOL_bLowestPts, c.kept);
    // Under a window manager too, which takes the tool down after the program asked for the
    // focus and then hands the focus where it likes: the main window has it and keeps it.
    EXPECT_TRUE(QTest::qWaitFor([this] { return TKT_ActiveWindow() == win_; }, 3000));
    QTest::qWait(800);
    EXPECT_EQ(TKT_ActiveWindow(), win_);
  }
}

}  // namespace
