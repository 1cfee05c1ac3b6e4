// The acquisition kit: pixel and info files from bitmaps, the bitmap checks, file names, and the
// generic acquisition on SANE's test backend.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstring>
#include <filesystem>

#include "acquire_fixture.h"
#include "acquire/acq_common.h"
#include "base/ks_profile.h"
#include "io/analysis.h"
#include "io/info_file.h"
#include "model/lane.h"
#include "toolkit/tk_res.h"

namespace {

namespace fs = std::filesystem;
using acqtest::AcquireTest;

BITMAPINFOHEADER hdr(const DibBlock& d) {
  BITMAPINFOHEADER bi;
  std::memcpy(&bi, d.bytes.data(), sizeof bi);
  return bi;
}
void set_hdr(DibBlock* d, const BITMAPINFOHEADER& bi) { std::memcpy(d->bytes.data(), &bi, sizeof bi); }

// An 8-bit DIB of `rows` (negative: top-down) x 5 whose pixel (x, y from the top) is 10 y + x.
HDIB grey5(int rows) {
  HDIB d = MakeDIB("test", rows, 5, 8);
  const int h = std::abs(rows);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 5; ++x) DibBits(d.get())[8 * (rows > 0 ? h - 1 - y : y) + x] = 10 * y + x;
  return d;
}

// The header and lookup of an info file.
struct Info {
  IMG_INFO head{};
  int dig[2] = {0, 0};
  double wedge[2] = {0, 0};
  int interp = -1, range = -1;
};
bool read_info(const std::string& root, Info* out) {
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(root.c_str(), &list, 0);
  if (n <= 0) return false;
  bool head = false, look = false;
  for (int i = 0; i < n; ++i) {
    if (list[i] == nullptr || list[i]->record == nullptr) continue;
    if (list[i]->type == 1) {
      out->head = *static_cast<IMG_INFO*>(list[i]->record);
      head = true;
    } else if (list[i]->type == 2) {
      const auto* l = static_cast<IMG_INT_INFO*>(list[i]->record);
      out->interp = l->interp_type;
      out->range = l->dig_val_range;
      for (int k = 0; k < 2 && k < l->wedge_count; ++k)
        out->dig[k] = l->dig_values[k], out->wedge[k] = l->wedge_values[k];
      look = true;
    }
  }
  io_free_analysis_list(list, n);
  return head && look;
}

TEST_F(AcquireTest, PixelFileOfABottomUpWidth5IsTopDownInvertedAndUnpadded) {
  HDIB d = grey5(3);
  const std::string root = write_dir() + "k";
  ASSERT_TRUE(tik_write_kes(root.c_str(), d.get()));
  const auto b = vxtest::read_bytes(root + ".kes");
  ASSERT_EQ(b.size(), 12u + 15u);
  EXPECT_EQ(b[0], 0x49);
  EXPECT_EQ(b[2], 1);  // bytes per pixel
  EXPECT_EQ(b[4], 5);  // width
  EXPECT_EQ(b[8], 3);  // height
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b[12 + 5 * y + x], 255 - (10 * y + x));
  // The caller's bitmap is inverted and now holds its rows top-down.
  EXPECT_EQ(DibBits(d.get())[0], 255);
  EXPECT_EQ(DibBits(d.get())[8 * 2 + 4], 255 - 24);
  int lo, hi;
  tik_last_min_max(&lo, &hi);
  EXPECT_EQ(lo, 255 - 24);
  EXPECT_EQ(hi, 255);
}

TEST_F(AcquireTest, SixteenBitsWithoutTableAndTopDownRowsKeepTheirOrder) {
  HDIB d = MakeDIB("test", -2, 3, 16);  // top-down, no colour table
  ASSERT_EQ(hdr(*d).biClrUsed, 0u);
  uint8_t* p = DibBits(d.get());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      const int v = 1000 * y + x;
      p[8 * y + 2 * x] = v & 255;
      p[8 * y + 2 * x + 1] = v >> 8;
    }
  const std::string root = write_dir() + "s";
  ASSERT_TRUE(tik_write_DIB_to_file(root.c_str(), d.get(), 0, 1, 1, 0));
  const auto b = vxtest::read_bytes(root + ".kes");
  ASSERT_EQ(b.size(), 12u + 12u);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(b[12 + 6 * y + 2 * x] | (b[13 + 6 * y + 2 * x] << 8), 65535 - (1000 * y + x));
  Info info;
  ASSERT_TRUE(read_info(root, &info));
  EXPECT_EQ(info.head.bytes_per_pixel, 2);
  EXPECT_EQ(info.head.min_value, 65535 - 1002);
  EXPECT_EQ(info.head.max_value, 65535);
  EXPECT_DOUBLE_EQ(info.wedge[1], 5.0);  // 16 bits
  EXPECT_EQ(info.head.device, TIK_DEVICE_GENERIC);
}

TEST_F(AcquireTest, InfoFileTakesResolutionAndAttributes) {
  struct { int32_t ppm; int want; } cases[] = {{11811, 84}, {0, 85}, {-5, 85}, {3937, 254},
                                               {1000000, 1}, {2000000, 85}};
  for (const auto& c : cases) EXPECT_EQ(tik_resolution_from_ppm(c.ppm), c.want) << c.ppm;
  HDIB d = grey5(2);
  BITMAPINFOHEADER bi = hdr(*d);
  bi.biXPelsPerMeter = 11811;
  bi.biYPelsPerMeter = 2000000;
  set_hdr(d.get(), bi);
  tik_set_kei_scanner_attribs(-20, 1, 0, 3, 2, 1);
  tik_set_kei_device_attrib(30);
  tik_set_kei_camera_attribs(100, 0, 1, 4);  // leaves rotation and resolution choice
  const std::string root = write_dir() + "i";
  ASSERT_TRUE(tik_write_DIB_to_file(root.c_str(), d.get(), 1, 1, 1, 0));
  Info info;
  ASSERT_TRUE(read_info(root, &info));
  EXPECT_EQ(info.head.x_res, 84);
  EXPECT_EQ(info.head.y_res, 85);
  EXPECT_EQ(info.head.x_scale, -3);
  EXPECT_EQ(info.head.width, 5);
  EXPECT_EQ(info.head.height, 2);
  EXPECT_EQ(info.head.device, 30);
  EXPECT_EQ(info.head.DEV_Light, 100);
  EXPECT_EQ(info.head.DEV_BoolTwo, 1);
  EXPECT_EQ(info.head.DEV_Color, 4);
  EXPECT_EQ(info.head.DEV_Rotate, 2);
  EXPECT_EQ(info.head.DEV_DPI, 1);
  EXPECT_EQ(info.interp, 1);
  EXPECT_EQ(info.range, 256);
  EXPECT_EQ(info.dig[0], 255 - 14);
  EXPECT_EQ(info.dig[1], 255);
  EXPECT_DOUBLE_EQ(info.wedge[1], 2.3);
}

TEST_F(AcquireTest, BitmapConsistencyCountsPaddedRowsIn64Bits) {
  HDIB bottom = grey5(3);
  EXPECT_TRUE(tik_dib_consistent(bottom.get()));
  HDIB top = grey5(-3);
  EXPECT_TRUE(tik_dib_consistent(top.get()));
  BITMAPINFOHEADER bi = hdr(*top);
  bi.biSizeImage = 0;  // legal for uncompressed rows
  set_hdr(top.get(), bi);
  EXPECT_TRUE(tik_dib_consistent(top.get()));
  // Image size width x height (15) passes a naive check, but the padded rows need 24 bytes.
  HDIB shorter = grey5(3);
  shorter->bytes.resize(shorter->bytes.size() - 9);
  bi = hdr(*shorter);
  bi.biSizeImage = 15;
  set_hdr(shorter.get(), bi);
  EXPECT_FALSE(tik_dib_consistent(shorter.get()));
  EXPECT_FALSE(tik_write_kes((write_dir() + "x").c_str(), shorter.get()));
  // A height whose rows overflow 32 bits.
  bi = hdr(*bottom);
  bi.biHeight = 0x40000000;
  set_hdr(bottom.get(), bi);
  EXPECT_FALSE(tik_dib_consistent(bottom.get()));
  EXPECT_FALSE(tik_dib_consistent(nullptr));
  for (int bits : {24, 48}) EXPECT_TRUE(tik_is_color_depth(bits));
  for (int bits : {8, 16, 30, 36, 42}) EXPECT_FALSE(tik_is_color_depth(bits));
}

TEST_F(AcquireTest, FileNamesInTheWriteFolder) {
  EXPECT_EQ(std::string(TwainMakeFileName("any", "scan", ".kes")), write_dir() + "scan0.kes");
  EXPECT_EQ(std::string(TwainMakeFileName(nullptr, "scan", nullptr)), write_dir() + "scan0");
  EXPECT_EQ(std::string(TikMakeFileName()), write_dir() + "~~ks$$$");
}

TEST_F(AcquireTest, DefaultSourceGoesToTheWritableIni) {
  EXPECT_TRUE(tik_set_source("Noname frontend-tester #2"));
  EXPECT_TRUE(tik_source_set());
  EXPECT_EQ(ks_profile_get("TWAIN", "Default Source", "", (write_dir() + "kestrinw.ini").c_str()),
            "Noname frontend-tester #2");
}

TEST_F(AcquireTest, InMemoryHeaderAndLookup) {
  HDIB d = grey5(-2);
  IMG_INFO info{};
  info.flags = 7;
  IMG_INT_INFO* look = acq_new_lookup();
  ASSERT_NE(look, nullptr);
  ASSERT_TRUE(tik_inmemory(&info, look, d.get(), 26));
  EXPECT_EQ(info.device, 26);
  EXPECT_EQ(info.flags, 7);
  EXPECT_EQ(info.original_height, -2);
  EXPECT_EQ(info.height, 2);
  EXPECT_EQ(info.max_value, 255);
  EXPECT_EQ(look->dig_values[0], 255 - 14);
  lookup_free(look);
  HDIB colour = MakeDIB("test", 2, 2, 24);
  IMG_INT_INFO* look2 = acq_new_lookup();
  EXPECT_FALSE(tik_inmemory(&info, look2, colour.get(), 26));
  lookup_free(look2);
}

// ---- the generic acquisition ----

class GenericAcquire : public AcquireTest {
 protected:
  std::map<std::string, std::string> sane_conf() override {
    return {{"test-picture", "\"Grid\""}, {"resolution", "20"}, {"mode", mode()}};
  }
  virtual std::string mode() { return "Gray"; }
  std::string root() const { return write_dir() + "~~ks$$$"; }
  bool pair_exists() const {
    return fs::exists(root() + ".kes") || fs::exists(root() + ".kei");
  }
  void SetUp() override {
    AcquireTest::SetUp();
    TWAIN_SetHideUI(1);
  }
};

TEST_F(GenericAcquire, GreyFrameBecomesThePairWithTheGenericDevice) {
  tik_set_kei_device_attrib(30);  // left by a scanner window
  // Something an earlier acquisition left at the root never passes for the new image.
  std::ofstream(root() + ".kei") << "old";
  ASSERT_TRUE(tik_device_acquire("vx", "Noname frontend-tester", root().c_str(), 0, 0, 1));
  Info info;
  ASSERT_TRUE(read_info(root(), &info));
  EXPECT_EQ(info.head.device, TIK_DEVICE_GENERIC);
  EXPECT_EQ(info.head.DEV_Color, TIK_COLOR_GREY);
  EXPECT_EQ(info.head.bytes_per_pixel, 1);
  // The full area (200 mm) at 20 dpi.
  EXPECT_EQ(info.head.width, 157);
  EXPECT_EQ(info.head.x_res, 1270);
}

TEST_F(GenericAcquire, UnknownSourceOrDeviceErrorLeavesNoPair) {
  std::ofstream(root() + ".kes") << "old";
  EXPECT_FALSE(tik_device_acquire("vx", "No such source", root().c_str(), 0, 0, 1));
  EXPECT_FALSE(pair_exists());
  sane_->write({{"read-status-code", "\"SANE_STATUS_IO_ERROR\""}, {"resolution", "20"}});
  EXPECT_FALSE(tik_device_acquire("vx", "Noname frontend-tester", root().c_str(), 0, 0, 1));
  EXPECT_FALSE(pair_exists());
  EXPECT_EQ(TKT_Unanswered(), 0);  // only the trace log hears of it
}

class GenericColour : public GenericAcquire {
 protected:
  std::string mode() override { return "Color"; }
  std::map<std::string, std::string> sane_conf() override {
    return {{"test-picture", "\"Color pattern\""}, {"resolution", "20"}, {"mode", "Color"}};
  }
};

TEST_F(GenericColour, ChannelZeroAsksAndCancelLeavesNoFile) {
  acqtest::when_open("ui_tifsav", "rgb_color", [](TK_OBJ w) { TKT_Close(w); });
  EXPECT_FALSE(tik_device_acquire("vx", "Noname frontend-tester", root().c_str(), 0, 0, 1));
  EXPECT_FALSE(pair_exists());
  // Green asked and answered; red given: the info file records the channel.
  acqtest::when_open("ui_tifsav", "rgb_color", [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 2)); });
  ASSERT_TRUE(tik_device_acquire("vx", "Noname frontend-tester", root().c_str(), 0, 0, 1));
  Info info;
  ASSERT_TRUE(read_info(root(), &info));
  EXPECT_EQ(info.head.DEV_Color, 2);
  // The channel's answer counts red 1, green 2, blue 3: each pixel keeps that sample.
  const auto frames = vxtest::direct_read("test:0", {{"mode", "Color"}, {"resolution", "20"}});
  ASSERT_FALSE(frames.empty());
  for (int channel : {1, 2, 3}) {
    ASSERT_TRUE(tik_device_acquire("vx", "Noname frontend-tester", root().c_str(), 0, channel, 1));
    ASSERT_TRUE(read_info(root(), &info));
    EXPECT_EQ(info.head.DEV_Color, channel);
    const auto b = vxtest::read_bytes(root() + ".kes");
    const int width = info.head.width;
    int mismatches = 0;
    for (int y = 0; y < info.head.height; y += 3)
      for (int x = 0; x < width; x += 2)
        mismatches += b[12 + y * width + x] != 255 - vxtest::raw_sample(frames, x, y, channel - 1);
    EXPECT_EQ(mismatches, 0) << channel;
  }
}

}  // namespace
