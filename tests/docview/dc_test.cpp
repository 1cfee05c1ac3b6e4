// Device contexts: the mapping modes, save and restore, point fonts, metrics in logical units,
// and the command line.
#include <gtest/gtest.h>

#include "docview/dc.h"
#include "docview/framework.h"

using namespace docview;

namespace {

std::shared_ptr<RecordingDevice> Device(int dpi) {
  RecordingDevice::Metrics_ m;
  m.dpi = dpi;
  m.page_w = 800;
  m.page_h = 1100;
  return std::make_shared<RecordingDevice>(m);
}

TEST(DC, MappingModesTurnLogicalUnitsIntoDevicePixels) {
  struct Case {
    int dpi;
    CPoint viewport_org;
    CPoint logical, device;
  } cases[] = {
      {254, {0, 0}, {100, -200}, {100, 200}},  // 0.1 mm, y up
      {254, {0, -2970}, {0, -3000}, {0, 30}},  // the second page's slice
      {96, {0, 0}, {254, -508}, {96, 192}},    // an inch across, two down
      {96, {10, 20}, {0, 0}, {10, 20}},
  };
  for (const Case& c : cases) {
    CDC dc(Device(c.dpi));
    dc.SetMapMode(MM_LOMETRIC);
    dc.SetViewportOrg(c.viewport_org.x, c.viewport_org.y);
    EXPECT_EQ(dc.LPtoDP(c.logical), c.device) << c.dpi;
    EXPECT_EQ(dc.DPtoLP(c.device), c.logical) << c.dpi;
  }
  // Anisotropic: a picture 2100 by 6480 (y up) stretched onto a page of 800 by 1100 pixels.
  CDC dc(Device(254));
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetWindowExt(2100, -6480);
  dc.SetViewportExt(800, 1100);
  EXPECT_EQ(dc.LPtoDP(CPoint{2100, -6480}), (CPoint{800, 1100}));
  EXPECT_EQ(dc.LPtoDP(CPoint{1050, -3240}), (CPoint{400, 550}));
}

TEST(DC, SaveAndRestoreBringBackTheStateAndSharedContextsSeeOneState) {
  CDC dc(Device(254));
  dc.SetMapMode(MM_LOMETRIC);
  CFont f;
  LOGFONT lf;
  lf.lfFaceName = "Courier New";
  lf.lfHeight = -50;
  f.CreateFontIndirect(lf);
  int saved = dc.SaveDC();
  dc.SelectObject(f);
  dc.SetMapMode(MM_TEXT);
  dc.SetViewportOrg(5, 5);
  dc.SetTextAlign(TA_BOTTOM | TA_RIGHT);
  CDC same(dc);  // as attaching the same device: one state
  EXPECT_EQ(same.GetMapMode(), MM_TEXT);
  EXPECT_TRUE(dc.RestoreDC(saved));
  EXPECT_EQ(same.GetMapMode(), MM_LOMETRIC);
  EXPECT_EQ(dc.GetViewportOrg(), (CPoint{0, 0}));
  EXPECT_EQ(dc.GetTextAlign(), TA_LEFT | TA_TOP);
  EXPECT_NE(dc.GetCurrentFont().lfFaceName, "Courier New");
  EXPECT_FALSE(dc.RestoreDC());  // nothing saved any more
}

TEST(DC, PointFontsAndMetricsInLogicalUnits) {
  struct Case {
    int dpi, tenths, height;
  } cases[] = {{254, 100, -35}, {254, 120, -42}, {96, 100, -34}, {300, 100, -36}};
  for (const Case& c : cases) {
    CDC dc(Device(c.dpi));
    dc.SetMapMode(MM_LOMETRIC);
    CFont f;
    f.CreatePointFont(c.tenths, "Arial", &dc);
    EXPECT_EQ(f.GetLogFont().lfHeight, c.height) << c.dpi << " " << c.tenths;
  }
  // The recording device's lines are 40 pixels (4 of leading) and characters 20 wide: at 96
  // pixels per inch, in 0.1 mm.
  CDC dc(Device(96));
  dc.SetMapMode(MM_LOMETRIC);
  TEXTMETRIC tm;
  dc.GetTextMetrics(tm);
  EXPECT_EQ(tm.tmHeight + tm.tmExternalLeading, 106);
  EXPECT_EQ(dc.GetTextExtent("abc").cx, 159);
}

TEST(DC, OutputIsRecordedInLogicalAndDeviceUnits) {
  auto dev = Device(254);
  CDC dc(dev);
  dc.SetMapMode(MM_LOMETRIC);
  dc.MoveTo(10, -10);
  dc.LineTo(20, -30);
  LOGFONT lf;
  lf.lfEscapement = -600;
  CFont f;
  f.CreateFontIndirect(lf);
  dc.SelectObject(f);
  dc.SetTextAlign(TA_BOTTOM);
  dc.TextOut(7, -9, "label");
  ASSERT_EQ(dev->lines.size(), 1u);
  EXPECT_EQ(dev->lines[0].points, (std::vector<CPoint>{{10, -10}, {20, -30}}));
  EXPECT_EQ(dev->lines[0].device, (std::vector<double>{10, 10, 20, 30}));
  ASSERT_EQ(dev->texts.size(), 1u);
  EXPECT_EQ(dev->texts[0].at, (CPoint{7, -9}));
  EXPECT_EQ(dev->texts[0].device_y, 9);
  EXPECT_EQ(dev->texts[0].escapement, -600);
  EXPECT_EQ(dev->texts[0].align, unsigned(TA_BOTTOM));
}

TEST(DC, MulDivRoundsToNearestWithA64BitProduct) {
  EXPECT_EQ(MulDiv(10, 254, 72), 35);
  EXPECT_EQ(MulDiv(-10, 254, 72), -35);
  EXPECT_EQ(MulDiv(1, 3, 2), 2);
  EXPECT_EQ(MulDiv(-1, 3, 2), -2);
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000);  // no 32-bit overflow
  EXPECT_EQ(MulDiv(5, 5, 0), 0);
}

TEST(CommandLine, FileAndPrintSwitches) {
  struct Case {
    std::vector<std::string> args;
    CCommandLineInfo::Shell shell;
    std::string file;
  } cases[] = {
      {{}, CCommandLineInfo::FileNew, ""},
      {{"/tmp/a b.csv"}, CCommandLineInfo::FileOpen, "/tmp/a b.csv"},
      {{"/p", "/tmp/m.csv"}, CCommandLineInfo::FilePrint, "/tmp/m.csv"},
      {{"/P", "m.csv"}, CCommandLineInfo::FilePrint, "m.csv"},
      {{"/pt", "m.csv", "printer"}, CCommandLineInfo::FilePrintTo, "m.csv"},
  };
  for (const Case& c : cases) {
    CCommandLineInfo info;
    ParseCommandLine(c.args, info);
    EXPECT_EQ(info.m_nShellCommand, c.shell);
    EXPECT_EQ(info.m_strFileName, c.file);
  }
}

}  // namespace
