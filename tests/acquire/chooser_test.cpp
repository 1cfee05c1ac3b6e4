// The source chooser, the source settings dialog of the generic acquisition, and the windowless
// camera grab.
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>

#include "acquire/acq_common.h"
#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/ui_acquire.h"
#include "acquire_fixture.h"
#include "base/ks_profile.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

namespace fs = std::filesystem;
using acqtest::AcquireTest;

const char* const kName = "Noname frontend-tester";

class Chooser : public AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    ui_twainsel_reset();
  }
  static TK_OBJ win() { return TKT_FindWindow("ui_acquire", "twainsel_win"); }
  std::string default_source() {
    return ks_profile_get("TWAIN", "Default Source", "", (write_dir() + "kestrinw.ini").c_str());
  }
};

TEST_F(Chooser, ChoiceBecomesTheDefaultSourceAndIsPreselectedNextTime) {
  QTimer::singleShot(0, [] {
    TK_OBJ list = RES_GetSub(win(), 0);
    EXPECT_EQ(LIST_Count(list), 2);
    EXPECT_EQ(WGT_GetChoice(list), -1);
    TKT_Pick(list, 1);
    TKT_Click(RES_GetSub(win(), 1));
  });
  EXPECT_EQ(ui_twainsel_activate(nullptr, TRUE, FALSE), 1);
  EXPECT_STREQ(ui_SelectedTWAINSource(), "Noname frontend-tester #2");
  EXPECT_EQ(default_source(), "Noname frontend-tester #2");
  EXPECT_TRUE(tik_source_set());
  EXPECT_EQ(win(), nullptr);

  // Again: the choice is preselected; a pick then Cancel changes nothing, nor does the close box.
  int shown = -2;
  QTimer::singleShot(0, [&shown] {
    shown = WGT_GetChoice(RES_GetSub(win(), 0));
    TKT_Pick(RES_GetSub(win(), 0), 0);
    TKT_Click(RES_GetSub(win(), 2));
  });
  EXPECT_EQ(ui_twainsel_activate(nullptr, FALSE, FALSE), 0);
  EXPECT_EQ(shown, 1);
  QTimer::singleShot(0, [] { TKT_Close(win()); });
  EXPECT_EQ(ui_twainsel_activate(nullptr, FALSE, FALSE), 0);
  EXPECT_EQ(default_source(), "Noname frontend-tester #2");
  // The selection itself follows the pick before Cancel, as the list stores it when picked.
  EXPECT_STREQ(ui_SelectedTWAINSource(), kName);
}

TEST_F(Chooser, WithoutSourcesItDoesNotOpen) {
  sane_->write({}, "");
  EXPECT_EQ(ui_twainsel_activate(nullptr, FALSE, FALSE), 0);
  EXPECT_STREQ(ui_SelectedTWAINSource(), "");
  EXPECT_EQ(TKT_Unanswered(), 0);
  EXPECT_FALSE(fs::exists(write_dir() + "kestrinw.ini") && !default_source().empty());
}

TEST_F(Chooser, LooksRight) {
  const std::string png = write_dir() + "chooser.png";
  QTimer::singleShot(0, [&png] {
    EXPECT_TRUE(TKT_Grab(win(), png.c_str()));
    TKT_Click(RES_GetSub(win(), 2));
  });
  ui_twainsel_activate(nullptr, FALSE, FALSE);
  EXPECT_GT(fs::file_size(png), 0u);
  if (const char* keep = std::getenv("VX_KEEP_GRABS")) fs::copy_file(png, fs::path(keep) / "chooser.png", fs::copy_options::overwrite_existing);
}

class SourceSettings : public AcquireTest {
 protected:
  std::map<std::string, std::string> sane_conf() override { return {{"resolution", "20"}}; }
  std::string root() const { return write_dir() + "~~ks$$$"; }
  static TK_OBJ win() { return TKT_FindWindow("ui_acquire", "source_settings"); }
};

TEST_F(SourceSettings, ShownUnlessHiddenAnswerGoesToTheDeviceCancelGivesNoImage) {
  TWAIN_SetHideUI(0);
  acqtest::when_open("ui_acquire", "source_settings", [](TK_OBJ) {
    EXPECT_EQ(std::string(WIN_GetTitle(win())), "Settings of Noname frontend-tester");
    TK_OBJ depth = RES_GetSub(win(), 1);
    ASSERT_EQ(LIST_Count(depth), 3);  // 1, 8, 16
    TKT_Pick(depth, 2);
    TKT_Click(RES_GetSub(win(), 4));
  });
  ASSERT_TRUE(tik_device_acquire("vx", kName, root().c_str(), 0, 0, 1));
  EXPECT_EQ(vxtest::read_bytes(root() + ".kes")[2], 2);  // two bytes per pixel
  acqtest::when_open("ui_acquire", "source_settings", [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 5)); });
  EXPECT_FALSE(tik_device_acquire("vx", kName, root().c_str(), 0, 0, 1));
  EXPECT_FALSE(fs::exists(root() + ".kes"));
  TWAIN_SetHideUI(1);
}

TEST_F(SourceSettings, WindowlessCameraGrabFillsHeaderAndLookup) {
  std::ofstream(write_dir() + "devices.ini")
      << "[VX43]\nCamera=KES-C2\nKES-C2_Name=Cam\nKES-C2_DataSource=" << kName << "\n";
  ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  IMG_INFO info{};
  IMG_INT_INFO* look = acq_new_lookup();
  ASSERT_TRUE(ui_acquire_cameraNG(&info, look, 100, "tmp"));
  EXPECT_EQ(info.device, 26);
  EXPECT_EQ(info.bytes_per_pixel, 1);
  EXPECT_EQ(info.width, 157);  // the whole area at 20 dpi
  // The grey copy of the colour frame keeps the device's 20 dpi: 1270 micrometres a pixel.
  EXPECT_EQ(info.x_res, 1270);
  EXPECT_EQ(info.y_res, 1270);
  EXPECT_EQ(info.x_scale, -3);
  EXPECT_EQ(look->dig_val_range, 256);
  EXPECT_TRUE(fs::exists(write_dir() + "camera.bmp"));
  EXPECT_TRUE(fs::exists(write_dir() + "grayscale.bmp"));
  EXPECT_FALSE(ui_acquire_cameraNG(nullptr, look, 100, "tmp"));
  lookup_free(look);
  ReleaseDib(0);
  p11_reset();
  EXPECT_FALSE(LoadKesCamera("none", "", ""));
  IMG_INT_INFO* look2 = acq_new_lookup();
  EXPECT_FALSE(ui_acquire_cameraNG(&info, look2, 100, "tmp"));  // no camera source
  lookup_free(look2);
}

}  // namespace
