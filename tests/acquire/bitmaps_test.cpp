// The shared acquisition bitmaps: release, preview drawing with its halving, and the
// event-running wait.
#include <gtest/gtest.h>

#include <QTimer>

#include "acquire/acq_bitmaps.h"
#include "acquire_fixture.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"

namespace {

struct Calls {
  int n = 0;
  bool fail = false;
  TkRect last_dest{};
};
Calls s_calls;

int counting_op(TK_OBJ, TkRect dest, const TkImage&, TkRect src) {
  ++s_calls.n;
  s_calls.last_dest = dest;
  return s_calls.fail ? 0 : src.h;
}

class Preview : public acqtest::AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    s_calls = Calls{};
    // Any window with a drawing area serves as the preview's host.
    win_ = WIN_Load("tk_test_host", "area_win");
    if (win_ == nullptr) {
      ASSERT_TRUE(RES_OpenText("module tk_test_host\nwindow area_win {\n part 0 area { size 200 160 }\n}\n"));
      win_ = WIN_Load("tk_test_host", "area_win");
    }
    ASSERT_NE(win_, nullptr);
    WIN_Init(win_);
    WIN_Show(win_);
    EVENT_Flush();
    area_ = RES_GetSub(win_, 0);
  }
  void TearDown() override {
    WIN_Terminate(win_);
    AcquireTest::TearDown();
  }
  TK_OBJ win_ = nullptr;
  TK_OBJ area_ = nullptr;
};

TEST_F(Preview, WholeStretchInOneCallHalvingGivesUpAfterFiveLevels) {
  HDIB disp = MakeDIB("test", 40, 64, 8);
  scanner_dib_display(area_, 0, disp.get(), counting_op);
  EXPECT_EQ(s_calls.n, 1);
  const TkRect box = CANVAS_GetVisible(area_);
  EXPECT_EQ(s_calls.last_dest.h, box.h);
  s_calls = Calls{};
  scanner_dib_display(area_, 1, disp.get(), counting_op);
  EXPECT_EQ(s_calls.last_dest.h, 3 * box.h / 4);  // transmissive: three quarters high
  s_calls = Calls{};
  s_calls.fail = true;
  cam_dib_display(area_, disp.get(), counting_op);
  EXPECT_EQ(s_calls.n, 31);
}

TEST_F(Preview, OnlyEightBitDisplayCopiesAreDrawn) {
  HDIB sixteen = MakeDIB("test", 40, 64, 16);
  scanner_dib_display(area_, 0, sixteen.get(), counting_op);
  cam_dib_display(area_, nullptr, counting_op);
  EXPECT_EQ(s_calls.n, 0);
}

TEST(AcqBitmaps, ReleasingTwiceIsHarmless) {
  acq_dibs().dib = MakeDIB("test", 2, 2, 8);
  acq_dibs().disp = MakeDIB("test", 2, 2, 8);
  ReleaseDibAndDispDib(0);
  EXPECT_FALSE(acq_dibs().dib);
  EXPECT_TRUE(acq_dibs().disp);
  ReleaseDibAndDispDib(1);
  ReleaseDibAndDispDib(1);
  EXPECT_FALSE(acq_dibs().disp);
}

TEST(AcqWait, TimePassesWithEventsRunning) {
  bool ran = false;
  QTimer::singleShot(5, [&ran] { ran = true; });
  EXPECT_EQ(acq_wait_pumping(30), 1);
  EXPECT_TRUE(ran);
  EXPECT_EQ(acq_wait_pumping(0), 1);
}

// A quit during the wait ends it with 0, and the main loop still ends: run in a child, as the
// quit ends every loop of the process.
TEST(AcqWaitDeathTest, QuitDuringTheWaitEndsItAndTheMainLoop) {
  EXPECT_EXIT(
      {
        int waited = -1;
        QTimer::singleShot(0, [&waited] {
          QTimer::singleShot(10, [] { EVENT_Quit(); });
          waited = acq_wait_pumping(5000);
        });
        // A window keeps the main loop from ending at once.
        RES_OpenText("module tk_quit_host\nwindow w {\n part 0 label { label \"x\" }\n}\n");
        TK_OBJ w = WIN_Load("tk_quit_host", "w");
        WIN_Init(w);
        WIN_Show(w);
        EVENT_MainLoop();
        std::exit(waited == 0 ? 7 : 1);
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
