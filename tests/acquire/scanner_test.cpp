// The scanner window and its scan on SANE's test backend and on test devices.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstring>
#include <filesystem>
#include <functional>

#include "acquire/acq_bitmaps.h"
#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/ui_scanner.h"
#include "acquire_fixture.h"
#include "base/ks_alert.h"
#include "engine/cal_auto.h"
#include "io/analysis.h"
#include "io/info_file.h"
#include "model/lane.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

namespace fs = std::filesystem;

const char* const kSource = "Noname frontend-tester";

enum : int {
  SP_PREVIEW = 0, SP_NAME = 3, SP_NAME_ERROR = 4, SP_DPI = 5, SP_BRIGHT = 6, SP_TRANS = 8,
  SP_ACCEPT = 9, SP_CANCEL = 10, SP_SCAN = 11, SP_WIDTH = 17, SP_LENGTH = 18, SP_COLOR = 20,
};

class Scanner : public acqtest::AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    p11_reset();
    scan_reset_for_tests();
    SetAutoCalibrate(FALSE);
    devices("");
  }
  void TearDown() override {
    scan_reset_for_tests();
    p11_reset();
    SetAutoCalibrate(FALSE);
    CalData* set = CurrentCalScanSet(1);
    set->bOK = 0;
    set->iNumSteps = 0;
    AcquireTest::TearDown();
  }
  std::map<std::string, std::string> sane_conf() override { return {{"test-picture", "\"Grid\""}}; }
  void devices(const std::string& extra) {
    std::ofstream(write_dir() + "devices.ini")
        << "[VX43]\nScanner=KES-M1\nKES-M1_Name=Flat\nKES-M1_DataSource=" << kSource << "\n"
        << extra;
    ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  }
  // Automatic calibration on, with a transmissive set of three steps.
  static void enable_calibration() {
    SetAutoCalibrate(TRUE);
    CalData* set = CurrentCalScanSet(1);
    set->bOK = 1;
    set->iNumSteps = 3;
  }
  static TK_OBJ win() { return TKT_FindWindow("acquire0905", "scanner_win"); }
  static TK_OBJ part(int i) { return RES_GetSub(win(), i); }
  std::string root() const { return write_dir() + "~~ks$$$"; }

  // Opens the window; `inside` runs while it is open. The result of the opening.
  BOOL run(const std::function<void()>& inside) {
    QTimer::singleShot(0, [inside] {
      ASSERT_NE(win(), nullptr);
      inside();
      if (win() != nullptr && WIN_IsShown(win())) TKT_Close(win());
    });
    name_[0] = source_[0] = '\0';
    return ChooseNewScannerERecord(0, root().c_str(), name_, 0, &settings_, source_);
  }
  // Name, resolution entry and colour, then Scan.
  static void scan(const char* name, int dpi_entry, int color) {
    TKT_Type(part(SP_NAME), name);
    TKT_Pick(part(SP_DPI), dpi_entry);
    TKT_Pick(part(SP_COLOR), color);
    TKT_Click(part(SP_SCAN));
  }

  ScanSettings settings_;
  char name_[256];
  char source_[260];
};

// The stored pixel file: width, height and values top-down.
struct Kes {
  int bytes = 0, width = 0, height = 0;
  std::vector<unsigned> v;
  unsigned at(int x, int y) const { return v[static_cast<std::size_t>(y) * width + x]; }
};
Kes read_kes(const std::string& path) {
  const auto b = vxtest::read_bytes(path);
  Kes k;
  if (b.size() < 12) return k;
  k.bytes = b[2];
  std::memcpy(&k.width, b.data() + 4, 4);
  std::memcpy(&k.height, b.data() + 8, 4);
  for (std::size_t i = 12; i + k.bytes <= b.size(); i += k.bytes)
    k.v.push_back(k.bytes == 1 ? b[i] : unsigned(b[i] | b[i + 1] << 8));
  return k;
}

TEST_F(Scanner, ScanAt100DpiAndAcceptWritesThePair) {
  std::string png;
  const BOOL ok = run([&] {
    EXPECT_EQ(std::string(WIN_GetTitle(win())), "Acquire Image from Flat Scanner");
    EXPECT_EQ(WGT_GetValue(part(SP_TRANS)), 1);  // first opening: transmissive
    png = write_dir() + "scanner_before.png";
    EVENT_Flush();
    EXPECT_TRUE(TKT_Grab(win(), png.c_str()));
    if (const char* keep = std::getenv("VX_KEEP_GRABS"))
      fs::copy_file(png, fs::path(keep) / "scanner_before.png", fs::copy_options::overwrite_existing);
    scan("gel 1", 0, 0);
    EXPECT_TRUE(WGT_IsEnabled(part(SP_ACCEPT)));
    EXPECT_TRUE(acq_dibs().dib);
    EXPECT_TRUE(acq_dibs().disp);
    png = write_dir() + "scanner_after.png";
    EVENT_Flush();
    EXPECT_TRUE(TKT_Grab(win(), png.c_str()));
    TKT_Click(part(SP_ACCEPT));
  });
  ASSERT_TRUE(ok);
  EXPECT_STREQ(name_, "gel 1");
  EXPECT_STREQ(source_, kSource);
  EXPECT_FALSE(acq_dibs().dib);
  EXPECT_FALSE(acq_dibs().disp);
  EXPECT_EQ(settings_.dpi_index, 0);
  const Kes k = read_kes(root() + ".kes");
  ASSERT_EQ(k.bytes, 2);
  EXPECT_EQ(k.width, 787);  // 200 mm at 100 dpi
  EXPECT_EQ(k.height, 787);
  // The pixels are those of a direct read, top-down and dark-high.
  auto frames = vxtest::direct_read("test:0", {{"mode", "Gray"}, {"depth", "16"}, {"resolution", "100"}});
  ASSERT_FALSE(frames.empty());
  int mismatches = 0;
  for (int y = 0; y < k.height; y += 7)
    for (int x = 0; x < k.width; x += 5)
      mismatches += k.at(x, y) != 65535 - vxtest::raw_sample(frames, x, y, 0);
  EXPECT_EQ(mismatches, 0);
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(root().c_str(), &list, 0);
  ASSERT_GT(n, 0);
  const auto* head = static_cast<IMG_INFO*>(list[0]->record);
  EXPECT_EQ(head->device, 30);
  EXPECT_EQ(head->x_res, 254);
  EXPECT_EQ(head->DEV_BoolOne, 0);  // transmissive chosen
  io_free_analysis_list(list, n);
  if (const char* keep = std::getenv("VX_KEEP_GRABS"))
    fs::copy_file(png, fs::path(keep) / "scanner_after.png", fs::copy_options::overwrite_existing);
}

class ScannerColour : public Scanner {
 protected:
  std::map<std::string, std::string> sane_conf() override {
    return {{"test-picture", "\"Color pattern\""}};
  }
};

TEST_F(ScannerColour, EachColourChoiceKeepsItsSample) {
  // Choice 1, 2, 3 keep the bitmap's first, second, third sample: blue, green, red.
  const int channel_of[4] = {-1, 2, 1, 0};
  for (int choice = 0; choice < 4; ++choice) {
    SCOPED_TRACE(choice);
    ASSERT_TRUE(run([choice] {
      scan("c", 0, choice);
      TKT_Click(part(SP_ACCEPT));
    }));
    const Kes k = read_kes(root() + ".kes");
    ASSERT_EQ(k.width, 787);
    auto frames = vxtest::direct_read(
        "test:0", {{"mode", choice == 0 ? "Gray" : "Color"}, {"depth", "16"}, {"resolution", "100"}});
    ASSERT_FALSE(frames.empty());
    int mismatches = 0;
    for (int y = 0; y < k.height; y += 11)
      for (int x = 0; x < k.width; x += 3)
        mismatches += k.at(x, y) != 65535 - vxtest::raw_sample(frames, x, y, choice ? channel_of[choice] : 0);
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(Scanner, FieldsFilterWhatIsTypedAndTheLightPathLimitsTheSize) {
  run([] {
    struct { int part; const char* typed; const char* want; } cases[] = {
        {SP_WIDTH, "12a", "12"}, {SP_WIDTH, "0", "1"}, {SP_WIDTH, "99", "20"},
        {SP_LENGTH, "x", ""},    {SP_BRIGHT, "-150", "-100"}, {SP_BRIGHT, "1-2", "12"},
        {SP_BRIGHT, "500", "100"}};
    for (const auto& c : cases) {
      TKT_Type(part(c.part), c.typed);
      EXPECT_STREQ(WGT_GetText(part(c.part)), c.want) << c.typed;
    }
    // Reflective 21 x 35: the toggle to transmissive (20 x 25) brings 21 x 30 down to 20 x 25.
    TKT_Click(part(SP_TRANS));
    ASSERT_EQ(WGT_GetValue(part(SP_TRANS)), 0);
    TKT_Type(part(SP_WIDTH), "99");
    EXPECT_STREQ(WGT_GetText(part(SP_WIDTH)), "21");
    TKT_Type(part(SP_LENGTH), "30");
    TKT_Click(part(SP_TRANS));
    EXPECT_STREQ(WGT_GetText(part(SP_WIDTH)), "20");
    EXPECT_STREQ(WGT_GetText(part(SP_LENGTH)), "25");
    // Names: forbidden characters show the error and keep Accept off, as does no scan.
    for (const char* bad : {"a.b", "a:b", "x@y"}) {
      TKT_Type(part(SP_NAME), bad);
      EXPECT_TRUE(WGT_IsShown(part(SP_NAME_ERROR))) << bad;
      EXPECT_FALSE(WGT_IsEnabled(part(SP_ACCEPT))) << bad;
    }
  });
}

TEST_F(Scanner, AcceptNeedsAScanAndAValidNameAndTheFirstOpeningIsTransmissive) {
  settings_.transmissive = 0;
  const BOOL ok = run([] {
    TKT_Type(part(SP_NAME), "good");
    EXPECT_FALSE(WGT_IsShown(part(SP_NAME_ERROR)));
    EXPECT_FALSE(WGT_IsEnabled(part(SP_ACCEPT)));  // no scan yet
    TKT_Click(part(SP_ACCEPT));                    // nothing happens
    EXPECT_NE(win(), nullptr);
    EXPECT_TRUE(WIN_IsShown(win()));
    TKT_Click(part(SP_CANCEL));
  });
  EXPECT_FALSE(ok);
  EXPECT_FALSE(fs::exists(root() + ".kes"));
  // Later openings show the caller's setting.
  settings_.transmissive = 0;
  int shown = -1;
  run([&shown] { shown = static_cast<int>(WGT_GetValue(part(SP_TRANS))); });
  EXPECT_EQ(shown, 0);
}

TEST_F(Scanner, AFailedWriteReturnsNoNameAndAnOldPairIsGoneBeforeTheWindowOpens) {
  std::ofstream(root() + ".kes") << "old";
  const std::string bad_root = write_dir() + "missing/x";
  QTimer::singleShot(0, [] {
    scan("n", 0, 0);
    TKT_Click(part(SP_ACCEPT));
  });
  name_[0] = '\0';
  EXPECT_FALSE(ChooseNewScannerERecord(0, bad_root.c_str(), name_, 0, &settings_, source_));
  EXPECT_STREQ(name_, "");
  EXPECT_EQ(TKT_LastAlertText(), "Unable to create image file.");
  // The old pair at the real root is removed when a window opens there.
  ASSERT_TRUE(run([] { TKT_Click(part(SP_CANCEL)); }) == FALSE);
  EXPECT_FALSE(fs::exists(root() + ".kes"));
}

TEST_F(Scanner, RefusedConfigurationsOpenNoWindow) {
  std::ofstream(write_dir() + "devices.ini")
      << "[VX43]\nScanner=KES-M1\nKES-M1_Name=Flat\nKES-M1_DataSource=Other scanner\n";
  ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  EXPECT_FALSE(ChooseNewScannerERecord(0, root().c_str(), name_, 0, &settings_, source_));
  EXPECT_EQ(TKT_LastAlertText(), "Flat is not installed");
  p11_reset();
  EXPECT_FALSE(ChooseNewScannerERecord(0, root().c_str(), name_, 0, &settings_, source_));
  EXPECT_EQ(TKT_LastAlertText(), "Unknown scanner '': fix 'devices.ini' and re-start program");
  EXPECT_EQ(win(), nullptr);
}

TEST(ScanGeometry, CentimetresToPixels) {
  EXPECT_EQ(scan_cm_to_pixels(2, 300, 0), 236);
  EXPECT_EQ(scan_cm_to_pixels(2, 300, 0.5), 295);
  EXPECT_EQ(scan_cm_to_pixels(0, 100, 0), 0);
  EXPECT_EQ(scan_cm_to_pixels(2.54, 100, 0), 100);
}

// ---- test devices: the scan reads a stored image ----

// An 8-bit BMP of w x h whose pixel (x, y from the top) is (x + 3 y) mod 256, bottom-up.
void write_test_image(const std::string& path, int w, int h, int bits = 8) {
  HDIB d = MakeDIB("test", h, w, bits);
  const std::size_t row = DibRowBytes(w, bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int s = 0; s < bits / 8; ++s)
        DibBits(d.get())[row * (h - 1 - y) + x * (bits / 8) + s] = static_cast<uint8_t>(x + 3 * y + s);
  ASSERT_TRUE(WriteDIBFile(path.c_str(), d.get()));
}

TEST_F(Scanner, ImageAreaIsCutCountedFromTheTopAndClampedToTheFrame) {
  // 100 dpi: 1 cm is 39 pixels. The image area 1..3 cm across, 2..50 cm down reaches below the
  // 300-row frame: rows 79..299 are kept.
  write_test_image(write_dir() + "test.bmp", 200, 300);
  devices("KES-M1_TestImage=" + write_dir() + "test.bmp\nKES-M1_AutoCalibrate=yes\n"
          "KES-M1_CalStripArea=0,0,1,1\nKES-M1_ImageArea=1,2,3,50\n");
  enable_calibration();
  ASSERT_TRUE(run([] {
    scan("clip", 0, 0);
    // No wedge in the strip: the calibration fails with its message and the scan is kept.
    EXPECT_EQ(TKT_LastAlertText(), "Cannot find wedge boundaries.\nAutocalibration failed.");
    TKT_Click(part(SP_ACCEPT));
  }));
  const Kes k = read_kes(root() + ".kes");
  ASSERT_EQ(k.width, 118 - 39);
  ASSERT_EQ(k.height, 300 - 79);
  // The failed calibration leaves the plain two-point lookup.
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(root().c_str(), &list, 0);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(static_cast<IMG_INT_INFO*>(list[1]->record)->wedge_count, 2);
  EXPECT_EQ(static_cast<IMG_INT_INFO*>(list[1]->record)->bHaveCalib, 0);
  io_free_analysis_list(list, n);
  for (int y = 0; y < k.height; y += 13)
    for (int x = 0; x < k.width; x += 7)
      ASSERT_EQ(k.at(x, y), 255u - ((39 + x + 3 * (79 + y)) & 255)) << x << "," << y;
}

TEST_F(Scanner, AreaOutsideTheFrameKeepsTheWholeFrame) {
  write_test_image(write_dir() + "test.bmp", 50, 40);
  devices("KES-M1_TestImage=" + write_dir() + "test.bmp\nKES-M1_AutoCalibrate=yes\n"
          "KES-M1_CalStripArea=30,30,40,40\nKES-M1_ImageArea=30,30,40,40\n");
  enable_calibration();
  ASSERT_TRUE(run([] {
    scan("whole", 0, 0);
    EXPECT_EQ(TKT_LastAlertText(), "Cannot create calibration image.\nAutocalibration failed.");
    TKT_Click(part(SP_ACCEPT));
  }));
  const Kes k = read_kes(root() + ".kes");
  EXPECT_EQ(k.width, 50);
  EXPECT_EQ(k.height, 40);
}

// A test device whose picture holds a step wedge beside the sample: a transmissive scan with
// automatic calibration finds the wedge, measures its steps and writes the calibrated lookup
// into the info file; a reflective scan then turns calibration off for the rest of the run.
TEST_F(Scanner, AutomaticCalibrationFromAWedgeInTheScan) {
  // The value file: 12 steps of 7 mm, ten of 5 mm and 6 mm, densities 0.05 to 1.70.
  constexpr int kSteps = 12;
  std::string text;
  for (int k = 0; k < kSteps; ++k)
    text += std::to_string(k + 1) + ", " + std::to_string(0.05 + 0.15 * k) + ", " +
            std::to_string(k == 0 ? 700 : (k == kSteps - 1 ? 600 : 500)) + "\n";
  vxtest::write_text(write_dir() + "transmissive.std", text);
  CalData* set = CurrentCalScanSet(1);
  set->bTransmissive = 1;
  ASSERT_TRUE(cal_readValues((write_dir() + "transmissive.std").c_str(), set));
  set->bOK = 1;
  SetAutoCalibrate(TRUE);

  // The picture at 100 dpi, 400 x 300, bright-high: rows 0..77 (2 cm) hold the wedge, whose
  // steps run from light to dark after a margin of 30 columns, each step's edge at its
  // distance; below it the sample, (x + 3 y) mod 200.
  const int edges[kSteps + 1] = {30, 58, 77, 97, 117, 136, 156, 176, 195, 215, 235, 254, 278};
  auto dark = [](int k) { return 20 + 15 * k; };  // the stored (dark-high) value of step k
  const int w = 400, h = 300;
  HDIB d = MakeDIB("wedge", h, w, 8);
  const std::size_t row = DibRowBytes(w, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int v = (x + 3 * y) % 200;
      if (y < 78) {
        v = 255 - 5;
        if (x < edges[0]) v = 255 - dark(0);
        for (int k = 0; k < kSteps; ++k)
          if (x >= edges[k] && x < edges[k + 1]) v = 255 - dark(k);
      }
      DibBits(d.get())[row * (h - 1 - y) + x] = static_cast<uint8_t>(v);
    }
  ASSERT_TRUE(WriteDIBFile((write_dir() + "wedge.bmp").c_str(), d.get()));
  devices("KES-M1_TestImage=" + write_dir() + "wedge.bmp\nKES-M1_AutoCalibrate=yes\n"
          "KES-M1_CalStripArea=0,0,9,2\nKES-M1_ImageArea=0,2,9,7\n");

  const long alerts = ks_alert_count();
  ASSERT_TRUE(run([] {
    scan("calibrated", 0, 0);
    TKT_Click(part(SP_ACCEPT));
  }));
  EXPECT_EQ(ks_alert_count(), alerts) << TKT_LastAlertText();
  EXPECT_EQ(settings_.auto_cal_ok, 1);
  // The sample alone: 2..7 cm down, 0..9 cm across.
  const Kes k = read_kes(root() + ".kes");
  ASSERT_EQ(k.width, 354);
  ASSERT_EQ(k.height, 276 - 79);
  EXPECT_EQ(k.at(10, 0), 255u - (10 + 3 * 79) % 200);  // 2 cm: row 79
  // The info file's lookup is the wedge's: each step's measured value against its density.
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(root().c_str(), &list, 0);
  ASSERT_EQ(n, 2);
  const auto* look = static_cast<IMG_INT_INFO*>(list[1]->record);
  ASSERT_EQ(look->wedge_count, kSteps);
  EXPECT_EQ(look->bHaveCalib, 1);
  for (int s = 0; s < kSteps; ++s) {
    EXPECT_EQ(look->dig_values[s], dark(s)) << "step " << s;
    EXPECT_NEAR(look->wedge_values[s], 0.05 + 0.15 * s, 1e-9) << "step " << s;
  }
  io_free_analysis_list(list, n);

  // A reflective scan: no strip is cut, and calibration stays off for the rest of the run.
  for (bool transmissive : {false, true}) {
    SCOPED_TRACE(transmissive ? "transmissive again" : "reflective");
    ASSERT_TRUE(run([transmissive] {
      WGT_SetValue(part(SP_TRANS), transmissive ? 1 : 0);
      TKT_Send(part(SP_TRANS), TK_EV_ACTIVATE);
      scan("plain", 0, 0);
      TKT_Click(part(SP_ACCEPT));
    }));
    EXPECT_FALSE(GetAutoCalibrate());
    EXPECT_EQ(settings_.auto_cal_ok, 0);
    const Kes whole = read_kes(root() + ".kes");
    EXPECT_EQ(whole.width, w);
    EXPECT_EQ(whole.height, h);
    list = nullptr;
    const int m = io_read_inf(root().c_str(), &list, 0);
    ASSERT_EQ(m, 2);
    EXPECT_EQ(static_cast<IMG_INT_INFO*>(list[1]->record)->wedge_count, 2);
    EXPECT_EQ(static_cast<IMG_INT_INFO*>(list[1]->record)->bHaveCalib, 0);
    io_free_analysis_list(list, m);
  }
}

TEST_F(Scanner, ColourBitmapAtAcceptIsRefusedWithThePixelDepth) {
  write_test_image(write_dir() + "test.bmp", 20, 10, 24);
  devices("KES-M1_TestImage=" + write_dir() + "test.bmp\n");
  EXPECT_FALSE(run([] {
    scan("rgb", 0, 0);
    TKT_Click(part(SP_ACCEPT));
  }));
  EXPECT_EQ(TKT_LastAlertText(), "Invalid pixel depth (24), Flat acquisition failed.");
  EXPECT_FALSE(fs::exists(root() + ".kes"));
}

TEST_F(Scanner, UnreadableTestImageOrDeviceErrorKeepsTheWindowOpen) {
  devices("KES-M1_TestImage=" + write_dir() + "none.bmp\n");
  run([] {
    scan("x", 0, 0);
    EXPECT_EQ(TKT_LastAlertText(), "Cannot properly set Flat scanner.");
    EXPECT_TRUE(WIN_IsShown(win()));
    EXPECT_FALSE(acq_dibs().dib);
  });
  devices("");
  sane_->write({{"read-status-code", "\"SANE_STATUS_JAMMED\""}});
  run([] {
    scan("x", 0, 0);
    EXPECT_EQ(TKT_LastAlertText(), "Cannot properly set Flat scanner.");
    EXPECT_TRUE(WIN_IsShown(win()));
  });
}

class SlowScanner : public Scanner {
 protected:
  std::map<std::string, std::string> sane_conf() override {
    return {{"read-delay", "true"}, {"read-delay-duration", "20000"}, {"read-limit", "true"},
            {"read-limit-size", "4096"}};
  }
};

TEST_F(SlowScanner, ScanAndAcceptDuringAScanDoNothingCancelEndsTheWindowAfterIt) {
  int scans_seen = 0;
  const BOOL ok = run([&scans_seen] {
    TKT_Type(part(SP_NAME), "slow");
    TKT_Pick(part(SP_DPI), 0);
    QTimer::singleShot(50, [&scans_seen] {
      EXPECT_TRUE(scan_is_running());
      TKT_Click(part(SP_SCAN));    // ignored
      TKT_Click(part(SP_ACCEPT));  // ignored: nothing seen yet
      EXPECT_NE(win(), nullptr);
      TKT_Click(part(SP_CANCEL));
      ++scans_seen;
    });
    TKT_Click(part(SP_SCAN));
    EXPECT_EQ(scans_seen, 1);
  });
  EXPECT_FALSE(ok);
  EXPECT_FALSE(acq_dibs().dib);
  EXPECT_FALSE(acq_dibs().disp);
  EXPECT_FALSE(fs::exists(root() + ".kes"));
}

}  // namespace
