// The camera window, its controls and the live view on SANE's test backend.
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>
#include <functional>

#include "acquire/acq_bitmaps.h"
#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/ui_camera.h"
#include "acquire/ui_scanner.h"
#include "acquire_fixture.h"
#include "base/ks_alert.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

namespace fs = std::filesystem;

const char* const kSource = "Noname frontend-tester";

enum : int {
  CP_PREVIEW = 0, CP_NAME = 1, CP_ACCEPT = 6, CP_CANCEL = 7, CP_ACQUIRE = 8, CP_LIVE = 9,
  CP_NAME_ERROR = 10, CP_GROUP = 13,
};
enum : int { CG_EXPOSURE = 0, CG_SLIDER = 1, CG_COLOR = 3 };

class Camera : public acqtest::AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    p11_reset();
    cam_reset_for_tests();
    devices("");
  }
  void TearDown() override {
    ReleaseDibAndDispDib(1);
    p11_reset();
    cam_reset_for_tests();
    AcquireTest::TearDown();
  }
  std::map<std::string, std::string> sane_conf() override {
    return {{"test-picture", "\"Grid\""}, {"resolution", "20"}};
  }
  // KES-C2: the colour camera, 8 bits.
  void devices(const std::string& extra) {
    std::ofstream(write_dir() + "devices.ini")
        << "[VX43]\nCamera=KES-C2\nKES-C2_Name=Cam\nKES-C2_DataSource=" << kSource << "\n" << extra;
    ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  }
  static TK_OBJ win() { return TKT_FindWindow("acquire0905", "sensys_win"); }
  static TK_OBJ part(int i) { return RES_GetSub(win(), i); }
  static TK_OBJ gpart(int i) { return RES_GetSub(part(CP_GROUP), i); }
  std::string root() const { return write_dir() + "~~ks$$$"; }

  BOOL run(const std::function<void()>& inside) {
    QTimer::singleShot(0, [inside] {
      ASSERT_NE(win(), nullptr);
      inside();
      if (win() != nullptr && WIN_IsShown(win()) && !cam_is_live()) TKT_Close(win());
    });
    settings_.folder = write_dir();
    return ChooseNewCameraERecord(nullptr, root().c_str(), &name_, 0, &settings_, &source_);
  }
  // Waits with events running until `cond` holds (at most 10 s).
  static bool wait_for(const std::function<bool()>& cond) {
    for (int i = 0; i < 1000 && !cond(); ++i) acq_wait_pumping(10);
    return cond();
  }
  static void grab_png(const char* name, const std::string& dir) {
    const std::string png = dir + name;
    EVENT_Flush();
    EXPECT_TRUE(TKT_Grab(win(), png.c_str()));
    if (const char* keep = std::getenv("VX_KEEP_GRABS"))
      fs::copy_file(png, fs::path(keep) / name, fs::copy_options::overwrite_existing);
  }

  CamSettings settings_;
  std::string name_, source_;
};

TEST(CameraExposure, SecondsAndMilliseconds) {
  const struct { const char* text; int ms; } cases[] = {
      {"0.0005", 1}, {"2.5", 2500}, {"0.100", 100}, {" 0.250", 250}, {"", 0}, {"x", 0}};
  for (const auto& c : cases) EXPECT_EQ(cam_exposure_ms(c.text), c.ms) << c.text;
  EXPECT_EQ(cam_exposure_text(100), "0.100");
  EXPECT_EQ(cam_exposure_text(2500), " 2.500");
}

TEST_F(Camera, ExposureFieldAndSliderKeepSecondsTexts) {
  run([] {
    EXPECT_STREQ(WGT_GetText(gpart(CG_EXPOSURE)), "0.100");
    TKT_Type(gpart(CG_EXPOSURE), "0,25");
    EXPECT_STREQ(WGT_GetText(gpart(CG_EXPOSURE)), "025");
    TKT_Type(gpart(CG_EXPOSURE), ".");
    TKT_Send(gpart(CG_EXPOSURE), TK_EV_FOCUS_OUT);
    EXPECT_STREQ(WGT_GetText(gpart(CG_EXPOSURE)), "0.100");
    WGT_SetValue(gpart(CG_SLIDER), 250);
    TKT_Send(gpart(CG_SLIDER), TK_EV_ACTIVATE);
    EXPECT_STREQ(WGT_GetText(gpart(CG_EXPOSURE)), "0.250");
  });
}

TEST_F(Camera, GrabNameAndAcceptAsksAfterAnExposureEdit) {
  settings_.exposure_ms = 2500;
  const BOOL ok = run([this] {
    EXPECT_EQ(std::string(WIN_GetTitle(win())), "Acquire Image from Cam Camera");
    EXPECT_STREQ(WGT_GetText(gpart(CG_EXPOSURE)), " 2.500");
    EXPECT_FALSE(WGT_IsEnabled(part(CP_LIVE)));  // until the first grab
    grab_png("camera_idle.png", write_dir());
    TKT_Type(part(CP_NAME), "lane.1");
    EXPECT_TRUE(WGT_IsShown(part(CP_NAME_ERROR)));
    TKT_Type(part(CP_NAME), "blot");
    EXPECT_FALSE(WGT_IsEnabled(part(CP_ACCEPT)));  // no frame yet
    TKT_Click(part(CP_ACCEPT));
    EXPECT_NE(win(), nullptr);
    TKT_Click(part(CP_ACQUIRE));
    EXPECT_TRUE(acq_dibs().disp);
    EXPECT_TRUE(WGT_IsEnabled(part(CP_LIVE)));
    EXPECT_TRUE(WGT_IsEnabled(part(CP_ACCEPT)));
    TKT_Type(gpart(CG_EXPOSURE), "0.5");
    TKT_AnswerAlert(1);  // no: stay
    TKT_Click(part(CP_ACCEPT));
    EXPECT_TRUE(WIN_IsShown(win()));
    EXPECT_EQ(TKT_LastAlertKind(), KS_ALERT_YESNO);
    TKT_AnswerAlert(2);
    TKT_Click(part(CP_ACCEPT));
  });
  ASSERT_TRUE(ok);
  EXPECT_EQ(name_, "blot");
  EXPECT_EQ(source_, kSource);
  EXPECT_EQ(settings_.exposure_ms, 500);
  EXPECT_EQ(settings_.color, 4);
  EXPECT_EQ(settings_.confirmed, 1);
  EXPECT_TRUE(fs::exists(root() + ".kes"));
  EXPECT_TRUE(fs::exists(write_dir() + "cam_acquire.bmp"));
}

TEST_F(Camera, LiveViewBringsFramesAndKeepsAcceptOff) {
  const BOOL ok = run([this] {
    TKT_Type(part(CP_NAME), "live");
    TKT_Click(part(CP_ACQUIRE));
    ASSERT_TRUE(WGT_IsEnabled(part(CP_ACCEPT)));
    TKT_Click(part(CP_LIVE));
    EXPECT_TRUE(cam_is_live());
    EXPECT_STREQ(WGT_GetTooltip(part(CP_LIVE)), "Stop");
    EXPECT_FALSE(WGT_IsEnabled(part(CP_ACCEPT)));
    EXPECT_FALSE(WGT_IsEnabled(part(CP_CANCEL)));
    EXPECT_FALSE(WGT_IsEnabled(part(CP_ACQUIRE)));
    // Frames arrive; a name typed meanwhile does not enable Accept.
    EXPECT_TRUE(wait_for([] { return cam_live_frames() >= 2; }));
    EXPECT_TRUE(acq_dibs().disp);
    TKT_Type(part(CP_NAME), "live2");
    EXPECT_FALSE(WGT_IsEnabled(part(CP_ACCEPT)));
    TKT_Click(part(CP_ACCEPT));
    EXPECT_NE(win(), nullptr);
    grab_png("camera_live.png", write_dir());
    TKT_Click(part(CP_LIVE));
    EXPECT_FALSE(cam_is_live());
    EXPECT_STREQ(WGT_GetTooltip(part(CP_LIVE)), "Live");
    EXPECT_TRUE(WGT_IsEnabled(part(CP_CANCEL)));
    // Live frames are not for saving: Accept waits for a grab.
    EXPECT_FALSE(WGT_IsEnabled(part(CP_ACCEPT)));
    TKT_Click(part(CP_ACQUIRE));
    EXPECT_TRUE(WGT_IsEnabled(part(CP_ACCEPT)));
    TKT_Click(part(CP_ACCEPT));
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(name_, "live2");
}

class SlowCamera : public Camera {
 protected:
  std::map<std::string, std::string> sane_conf() override {
    return {{"resolution", "20"}, {"read-delay", "true"}, {"read-delay-duration", "30000"},
            {"read-limit", "true"}, {"read-limit-size", "512"}};
  }
};

TEST_F(SlowCamera, StopWaitsForTheGrabAndTheCloseBoxWhileLiveEndsCleanly) {
  run([] {
    TKT_Click(part(CP_ACQUIRE));
    TKT_Click(part(CP_LIVE));
    acq_wait_pumping(50);  // the worker is inside a grab now
    TKT_Click(part(CP_LIVE));
    EXPECT_FALSE(cam_is_live());
    EXPECT_TRUE(WGT_IsEnabled(part(CP_ACQUIRE)));
  });
  const BOOL ok = run([] {
    TKT_Click(part(CP_ACQUIRE));
    TKT_Click(part(CP_LIVE));
    acq_wait_pumping(50);
    TKT_Close(win());
  });
  EXPECT_FALSE(ok);
  EXPECT_FALSE(cam_is_live());
  EXPECT_FALSE(acq_dibs().dib);
  EXPECT_FALSE(acq_dibs().disp);
}

TEST_F(Camera, DeviceErrorShowsTheMessageAndKeepsTheWindow) {
  sane_->write({{"read-status-code", "\"SANE_STATUS_IO_ERROR\""}, {"resolution", "20"}});
  run([] {
    TKT_Click(part(CP_ACQUIRE));
    EXPECT_EQ(TKT_LastAlertText(), "Cannot properly set Cam camera.");
    EXPECT_TRUE(WIN_IsShown(win()));
    EXPECT_FALSE(acq_dibs().dib);
  });
}

// A 24-bit BMP whose pixel (x, y) holds blue x, green 2x, red 3x (mod 256).
void write_colour_image(const std::string& path, int w, int h) {
  HDIB d = MakeDIB("test", h, w, 24);
  const std::size_t row = DibRowBytes(w, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = DibBits(d.get()) + row * y + 3 * x;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(2 * x);
      p[2] = static_cast<uint8_t>(3 * x);
    }
  ASSERT_TRUE(WriteDIBFile(path.c_str(), d.get()));
}

TEST_F(Camera, TestDeviceGreyChoiceTakesTheMixAndHasNoLiveView) {
  write_colour_image(write_dir() + "colour.bmp", 40, 4);
  devices("KES-C2_TestImage=" + write_dir() + "colour.bmp\n");
  for (int choice : {0, 1, 3}) {
    SCOPED_TRACE(choice);
    settings_.color = choice == 0 ? 4 : choice;
    ASSERT_TRUE(run([choice] {
      TKT_Pick(gpart(CG_COLOR), choice);
      TKT_Type(part(CP_NAME), "mix");
      TKT_Click(part(CP_ACQUIRE));
      TKT_Click(part(CP_LIVE));
      EXPECT_FALSE(cam_is_live());
      TKT_Click(part(CP_ACCEPT));
    }));
    const auto b = vxtest::read_bytes(root() + ".kes");
    ASSERT_EQ(b.size(), 12u + 160u);
    const int x = 20;
    const int blue = x, green = 2 * x, red = 3 * x;
    const int want = choice == 0 ? (5 * blue + 2 * green + red) >> 3 : choice == 1 ? blue : red;
    EXPECT_EQ(b[12 + x], 255 - want);
    EXPECT_EQ(settings_.color, choice == 0 ? 4 : choice);
  }
}

TEST_F(Camera, UnknownOrMissingCameraOpensNoWindow) {
  std::ofstream(write_dir() + "devices.ini")
      << "[VX43]\nCamera=KES-C3\nKES-C3_Name=Other\nKES-C3_DataSource=" << kSource << "\n";
  ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  EXPECT_FALSE(ChooseNewCameraERecord(nullptr, root().c_str(), &name_, 0, &settings_, &source_));
  EXPECT_EQ(TKT_LastAlertText(), "Unknown camera 'KES-C3'. Fix 'devices.ini' and restart program.");
  devices("KES-C2_DataSource=x\n");
  std::ofstream(write_dir() + "devices.ini")
      << "[VX43]\nCamera=KES-C2\nKES-C2_Name=Cam\nKES-C2_DataSource=Elsewhere\n";
  ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  EXPECT_FALSE(ChooseNewCameraERecord(nullptr, root().c_str(), &name_, 0, &settings_, &source_));
  EXPECT_EQ(TKT_LastAlertText(), "Cam is not installed");
}

}  // namespace
