// What a densitometry session leaves to its caller (only OK hands its settings back), and the
// page printed of the whole window.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdlib>
#include <string>

#include "dtool_fixture.h"
#include "model/std_list.h"
#include "shell/ui_print.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dtool.h"

namespace {

// Dark pixels of a PostScript file rendered by Ghostscript at 72 dpi; -1 when it cannot render.
int dark_pixels(const std::string& ps, const std::string& png) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -o " + png + " " + ps + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return -1;
  const QImage out(png.c_str());
  if (out.isNull()) return -1;
  int dark = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) dark += qGray(out.pixel(x, y)) < 128;
  return dark;
}

}  // namespace

TEST_F(DtoolWindow, CancelLeavesTheCallersSettingsAndOkHandsThemBack) {
  // Three bands from the file against the two that the profile shows.
  const std::string bounds = dir.file("three.txt");
  vxtest::write_text(bounds, "0.1, 0.2, a\n0.4, 0.5, b\n0.7, 0.9, c\n");
  auto use_file_from_chooser = [&](TK_OBJ win) {
    TKT_AnswerChooser({bounds});
    TKT_Click(RES_GetSub(win, 15));
    TKT_Click(RES_GetSub(win, 14));
    EXPECT_EQ(dtool_state().use_file, 1);
    EXPECT_EQ(dtool_state().bands.size(), 3u);
  };
  struct Ending {
    const char* name;
    void (*end)(TK_OBJ);
  };
  const Ending cancels[] = {
      {"Cancel", [](TK_OBJ win) { TKT_Click(RES_GetSub(win, 17)); }},
      {"close box", [](TK_OBJ win) { TKT_Close(win); }},
  };
  for (const Ending& c : cancels) {
    SCOPED_TRACE(c.name);
    const int code = run([&](TK_OBJ win) {
      use_file_from_chooser(win);
      TKT_Pick(RES_GetSub(win, 8), 1);
      TKT_Pick(RES_GetSub(win, 16), 1);
      TKT_Type(RES_GetSub(win, 2), "40", true);
      c.end(win);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(info.bUseBounds, 0);
    EXPECT_STREQ(info.bounds_path, "");
    EXPECT_EQ(info.bLowest, 0);
    EXPECT_EQ(info.bBandSize, 0);
    EXPECT_EQ(info.iLaneWidth, 100);
  }

  // Reopened after the cancels, the tool starts from the caller's record: no file, no switch.
  int code = run([&](TK_OBJ win) {
    EXPECT_EQ(dtool_state().use_file, 0);
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, 14)), 0);
    EXPECT_STREQ(WGT_GetTooltip(RES_GetSub(win, 14)), "Use File");
    EXPECT_EQ(dtool_state().bands.size(), 2u);
    use_file_from_chooser(win);
    TKT_Click(RES_GetSub(win, 4));
  });
  EXPECT_EQ(code, 1);
  EXPECT_EQ(info.bUseBounds, 1);
  EXPECT_EQ(std::string(info.bounds_path), bounds);

  // OK took them over: the next session reads the file at once; its own switch-off is cancelled.
  code = run([&](TK_OBJ win) {
    EXPECT_EQ(dtool_state().use_file, 1);
    EXPECT_EQ(dtool_state().bands.size(), 3u);
    EXPECT_STREQ(WGT_GetTooltip(RES_GetSub(win, 14)), "Use three.txt");
    TKT_Click(RES_GetSub(win, 14));
    EXPECT_EQ(dtool_state().use_file, 0);
    TKT_Click(RES_GetSub(win, 17));
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(info.bUseBounds, 1);
  EXPECT_EQ(std::string(info.bounds_path), bounds);
}

TEST_F(DtoolWindow, ThePrintedWindowLeavesOutItsControls) {
  const int controls[] = {1, 2, 5, 6, 7, 8, 11, 13, 14, 15, 16};
  const int code = run([&](TK_OBJ win) {
    // The window as the tool prints it, then the same window printed with every part shown.
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({dir.file("tool.ps")});
    TKT_Pick(RES_GetSub(win, 3), 1);
    for (int p : controls) EXPECT_TRUE(WGT_IsShown(RES_GetSub(win, p))) << p;
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({dir.file("all.ps")});
    ui_print_widget(win, "");
    TKT_Click(RES_GetSub(win, 4));
  });
  ASSERT_EQ(code, 1);
  const int tool = dark_pixels(dir.file("tool.ps"), dir.file("tool.png"));
  const int all = dark_pixels(dir.file("all.ps"), dir.file("all.png"));
  ASSERT_GT(tool, 0) << "the tool's page did not render";
  ASSERT_GT(all, 0) << "the whole window's page did not render";
  // The chart and the report are still on the page; the captions, buttons and fields are not.
  EXPECT_LT(tool, all - 200) << tool << " " << all;
  if (const char* d = std::getenv("VX_GRAB_DIR")) QFile::copy(dir.file("tool.png").c_str(), (std::string(d) + "/dtool_printed.png").c_str());
}

TEST_F(DtoolWindow, TheChartsHorizontalTitleNamesThePixelPositionsItShows) {
  // With and without usable size standards the axis counts the profile's rows, 0 to n - 1.
  STD_LIST* list = std_list_create();
  ASSERT_NE(list, nullptr);
  STD_MARKER m{};
  std_marker_clear(&m);
  m.x = 30, m.y = 20, m.value = 1000, m.lane_num = 1, m.flags = 1;
  ASSERT_GE(std_list_put(list, &m), 0);
  m.y = 80, m.value = 100;
  ASSERT_GE(std_list_put(list, &m), 0);
  STD_LIST* tiers[] = {list};
  for (bool sizes : {false, true}) {
    SCOPED_TRACE(sizes ? "with sizes" : "without sizes");
    info.size_stds = sizes ? tiers : nullptr;
    std::string title;
    bool usable = !sizes;
    run([&](TK_OBJ win) {
      usable = dtool_sizes_usable();
      title = CHART_GetAxisTitle(RES_GetSub(win, 10), 0);
      TKT_Click(RES_GetSub(win, 17));
    });
    EXPECT_EQ(usable, sizes);
    EXPECT_EQ(title, "Position (pixels)");
  }
  info.size_stds = nullptr;
  std_list_free(list);
}
