// Image sources on SANE's test backend: names, settings, and bitmaps compared with direct reads
// of the same frames.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "sane_fixture.h"
#include "twain/twain_ops.h"

namespace {

using vxtest::SaneConfig;

const char* const kName = "Noname frontend-tester";

int32_t i32(const std::vector<uint8_t>& b, std::size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
uint16_t u16(const std::vector<uint8_t>& b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

struct DibView {
  const std::vector<uint8_t>& b;
  int width() const { return i32(b, 4); }
  int height() const { return i32(b, 8); }
  int bits() const { return u16(b, 14); }
  std::size_t offset() const { return 40 + 4 * static_cast<std::size_t>(i32(b, 32)); }
  std::size_t row() const { return ((static_cast<std::size_t>(width()) * bits() + 31) / 32) * 4; }
  // Sample k (stored order) of pixel (x, y), y from the top.
  unsigned sample(int x, int y, int k) const {
    const int ch = bits() == 24 || bits() == 48 ? 3 : 1;
    const int bytes = bits() / ch / 8;
    const std::size_t at = offset() + row() * static_cast<std::size_t>(height() - 1 - y) +
                           (static_cast<std::size_t>(x) * ch + k) * bytes;
    return bytes == 1 ? b[at] : u16(b, at);
  }
};

TEST(TwainSources, NamesNumberDuplicatesAndOpenMapsBack) {
  SaneConfig cfg;
  ASSERT_TRUE(TWAIN_IsAvailable());
  ASSERT_TRUE(TWAIN_GetSourceList());
  std::vector<std::string> names;
  char name[TWAIN_NAME_BUF];
  while (TWAIN_GetNextSourceName(name)) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{kName, std::string(kName) + " #2"}));
  EXPECT_TRUE(TWAIN_OpenSource((std::string(kName) + " #2").c_str()));
  EXPECT_TRUE(TWAIN_IsSourceOpen());
  EXPECT_FALSE(TWAIN_OpenSource("Noname other"));
  EXPECT_FALSE(TWAIN_IsSourceOpen());
}

TEST(TwainSources, SettingsReachTheFrame) {
  SaneConfig cfg(vxtest::SaneConf{{"test-picture", "\"Grid\""}});
  ASSERT_TRUE(TWAIN_OpenSource(kName));
  TWAIN_ResetImageLayout();
  EXPECT_NEAR(TWAIN_GetCapValue(TWCAP_PHYSICALWIDTH, -1), 200 / 25.4, 1e-9);
  EXPECT_NEAR(TWAIN_GetCapValue(TWCAP_PHYSICALHEIGHT, -1), 200 / 25.4, 1e-9);
  EXPECT_TRUE(TWAIN_SetPixelType(TWPT_GRAY));
  EXPECT_TRUE(TWAIN_SetBitDepth(16));
  EXPECT_EQ(TWAIN_GetBitDepth(), 16);
  EXPECT_TRUE(TWAIN_SetCurrentResolution(40.4));  // nearest allowed: 40
  EXPECT_EQ(TWAIN_GetCapValue(TWCAP_XRESOLUTION, -1), 40);
  EXPECT_TRUE(TWAIN_SetImageLayout(0.5, 1.0, 2.5, 2.0));
  double l, t, r, b;
  ASSERT_TRUE(TWAIN_GetImageLayout(&l, &t, &r, &b));
  EXPECT_NEAR(r - l, 2.0, 0.03);
  // Refused settings: depth 12, a light path the test device lacks, exposure and lamp.
  EXPECT_FALSE(TWAIN_SetBitDepth(12));
  EXPECT_FALSE(TWAIN_SetLightPath(1));
  EXPECT_FALSE(TWAIN_SetCapFix32(TWCAP_EXPOSURETIME, 0.1));
  EXPECT_FALSE(TWAIN_SetCapOneValue(TWCAP_LAMPSTATE, TWTY_BOOL, 1));
  EXPECT_EQ(TWAIN_GetCapValue(TWCAP_BRIGHTNESS, 7.0), 7.0);
  TWAIN_SetHideUI(1);
  TwainDib dib = TWAIN_AcquireNative(nullptr, 0);
  ASSERT_TRUE(dib);
  DibView v{*dib};
  EXPECT_EQ(v.bits(), 16);
  EXPECT_EQ(v.width(), 80);   // 2 inches at 40 dpi
  EXPECT_EQ(v.height(), 40);  // 1 inch
  EXPECT_EQ(i32(*dib, 24), 1575);  // 40 dpi in pixels per metre
  EXPECT_EQ(i32(*dib, 32), 0);     // no colour table
  TWAIN_CloseSource();
}

struct FrameCase {
  const char* label;
  std::map<std::string, std::string> conf;
  int pixel_type;
  int bits;
};

class TwainFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(TwainFrames, EqualADirectReadBottomUpAndBlueGreenRed) {
  const FrameCase& c = GetParam();
  std::map<std::string, std::string> conf = c.conf;
  conf["test-picture"] = "\"Grid\"";
  SaneConfig cfg(conf);
  ASSERT_TRUE(TWAIN_OpenSource(kName));
  TWAIN_SetHideUI(1);
  ASSERT_TRUE(TWAIN_SetPixelType(c.pixel_type));
  ASSERT_TRUE(TWAIN_SetBitDepth(c.bits));
  ASSERT_TRUE(TWAIN_SetCurrentResolution(30));
  TwainDib dib = TWAIN_AcquireNative(nullptr, 0);
  TWAIN_CloseSource();
  ASSERT_TRUE(dib) << c.label;

  const int per_sample = c.bits == 24 || c.bits == 48 ? c.bits / 3 : c.bits;
  auto frames = vxtest::direct_read(
      "test:0", {{"mode", c.pixel_type == TWPT_RGB ? "Color" : "Gray"},
                 {"depth", std::to_string(per_sample)},
                 {"resolution", "30"}});
  ASSERT_FALSE(frames.empty());
  const SANE_Parameters& p = frames.front().p;
  const int lines = static_cast<int>(frames.front().data.size() / p.bytes_per_line);
  DibView v{*dib};
  ASSERT_EQ(v.width(), p.pixels_per_line) << c.label;
  ASSERT_EQ(v.height(), lines) << c.label;
  ASSERT_GT(v.height(), 0);
  const int ch = c.pixel_type == TWPT_RGB ? 3 : 1;
  ASSERT_EQ(v.bits(), ch * per_sample);
  ASSERT_EQ(dib->size(), v.offset() + v.row() * lines);
  int mismatches = 0;
  for (int y = 0; y < lines; ++y)
    for (int x = 0; x < v.width(); ++x)
      for (int k = 0; k < ch; ++k)
        mismatches += v.sample(x, y, k) != vxtest::raw_sample(frames, x, y, ch == 3 ? 2 - k : 0);
  EXPECT_EQ(mismatches, 0) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Sane, TwainFrames,
    ::testing::Values(FrameCase{"grey 8", {}, TWPT_GRAY, 8},
                      FrameCase{"grey 16", {}, TWPT_GRAY, 16},
                      FrameCase{"colour 8", {{"test-picture", "\"Color pattern\""}}, TWPT_RGB, 24},
                      FrameCase{"colour 16", {}, TWPT_RGB, 48},
                      FrameCase{"three-pass", {{"three-pass", "true"}, {"three-pass-order", "\"GBR\""}},
                                TWPT_RGB, 24},
                      FrameCase{"hand-scanner", {{"hand-scanner", "true"}}, TWPT_GRAY, 8},
                      FrameCase{"padded lines", {{"ppl-loss", "3"}}, TWPT_GRAY, 8},
                      FrameCase{"small reads", {{"read-limit", "true"}, {"read-limit-size", "7"}},
                                TWPT_RGB, 48}),
    [](const ::testing::TestParamInfo<FrameCase>& info) {
      std::string name = info.param.label;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(TwainSources, DeviceErrorsGiveNoImage) {
  for (const char* status : {"\"SANE_STATUS_IO_ERROR\"", "\"SANE_STATUS_JAMMED\"",
                             "\"SANE_STATUS_NO_MEM\""}) {
    SaneConfig cfg(vxtest::SaneConf{{"read-status-code", status}});
    ASSERT_TRUE(TWAIN_OpenSource(kName));
    TWAIN_SetHideUI(1);
    TWAIN_SetCurrentResolution(20);
    EXPECT_FALSE(TWAIN_AcquireNative(nullptr, 0)) << status;
    TWAIN_CloseSource();
  }
  EXPECT_FALSE(TWAIN_AcquireNative(nullptr, 0));  // no source open
}

int s_dialog_answer = 1;
std::string s_dialog_source;
int answer_dialog(const char* source, TwainDialogSettings* s) {
  s_dialog_source = source;
  s->depth = 16;
  s->resolution = 25;
  return s_dialog_answer;
}

TEST(TwainSources, SettingsDialogUnlessHiddenAndItsCancel) {
  SaneConfig cfg;
  TWAIN_SetSettingsDialog(answer_dialog);
  ASSERT_TRUE(TWAIN_OpenSource(kName));
  TWAIN_SetHideUI(0);
  s_dialog_answer = 0;
  EXPECT_FALSE(TWAIN_AcquireNative(nullptr, 0));
  EXPECT_EQ(s_dialog_source, kName);
  s_dialog_answer = 1;
  TwainDib dib = TWAIN_AcquireNative(nullptr, 0);
  ASSERT_TRUE(dib);
  EXPECT_EQ(DibView{*dib}.bits(), 16);
  EXPECT_EQ(i32(*dib, 24), 984);  // 25 dpi
  TWAIN_SetSettingsDialog(nullptr);
  TWAIN_SetHideUI(1);
  TWAIN_CloseSource();
}

}  // namespace
