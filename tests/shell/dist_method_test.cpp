// The distance method dialog: the answer for each way of leaving it.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "shell/gt_dist_method.h"
#include "shell_fixture.h"
#include "toolkit/tk_widget.h"

namespace {

class DistMethodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
  }
  // Opens the dialog with `method` and runs `act` on it once it is up.
  int run(int method, std::function<void(TK_OBJ)> act) {
    QTimer::singleShot(0, [act] {
      TK_OBJ win = TKT_FindWindow("gt_mma", "WinDistMthd");
      ASSERT_NE(win, nullptr);
      act(win);
    });
    return gt_mma_activate(method);
  }
};

TEST_F(DistMethodTest, AnswersByTheChoiceAndTheWayOut) {
  auto click = [](int part) { return [part](TK_OBJ w) { TKT_Click(RES_GetSub(w, part)); }; };
  auto then_ok = [](std::function<void(TK_OBJ)> f) {
    return [f](TK_OBJ w) { f(w); TKT_Click(RES_GetSub(w, GT_MMA_OK)); };
  };
  struct Case { int method; std::function<void(TK_OBJ)> act; int want; } cases[] = {
      {3, click(GT_MMA_OK), 3},
      {4, click(GT_MMA_OK), 4},                // opened with 4: OK returns 4
      {1, then_ok(click(1)), 2},               // choices 1 to 3 pick as a radio group
      {2, then_ok(click(GT_MMA_CHOICE4)), 2},  // a click on choice 4 changes nothing
      {4, then_ok(click(0)), 1},
      {2, click(GT_MMA_CANCEL), 0},
      {2, [](TK_OBJ w) { TKT_Close(w); }, 0},  // the close box is Cancel
      // Two choices on: the lower one wins.
      {3, then_ok([](TK_OBJ w) { WGT_SetValue(RES_GetSub(w, 1), 1); }), 2},
      {1, then_ok([](TK_OBJ w) { WGT_SetValue(RES_GetSub(w, 0), 0); }), 0},
  };
  for (auto& c : cases) EXPECT_EQ(run(c.method, c.act), c.want) << "opened with " << c.method;
  EXPECT_EQ(TKT_FindWindow("gt_mma", "WinDistMthd"), nullptr);
}

TEST_F(DistMethodTest, AMethodOutsideOneToFourShowsNothing) {
  for (int m : {0, 5, -1}) EXPECT_EQ(gt_mma_activate(m), 0);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(DistMethodTest, Picture) {
  vxtest::TempDir dir;
  const std::string png = dir.file("dist_method.png");
  run(3, [png](TK_OBJ w) {
    EXPECT_TRUE(TKT_Grab(w, png.c_str()));
    TKT_Click(RES_GetSub(w, GT_MMA_CANCEL));
  });
  EXPECT_GT(vxtest::read_bytes(png).size(), 100u);
  if (const char* keep = std::getenv("VX_KEEP_GRABS")) std::filesystem::copy_file(png, std::string(keep) + "/dist_method.png", std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
