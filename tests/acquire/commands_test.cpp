// The acquisition commands from the main window's menu, as a new user runs them on a workspace
// whose devices are SANE's test backend: the image comes in, moves to the chosen name and opens.
#include <gtest/gtest.h>

#include <QTimer>
#include <cmath>
#include <filesystem>
#include <set>

#include "../shell/gel_fixture.h"
#include "../shell/shell_fixture.h"
#include "../twain/sane_fixture.h"
#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/ui_acquire.h"
#include "acquire/ui_camera.h"
#include "acquire/ui_scanner.h"
#include "acq_fixture.h"
#include "acquire_fixture.h"
#include "base/ks_msg.h"
#include "file_faults.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "toolkit/tk_res.h"

namespace {

namespace fs = std::filesystem;

class AcquireCommands : public shelltest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    sane_ = std::make_unique<vxtest::SaneConfig>(vxtest::SaneConf{{"test-picture", "\"Grid\""}});
    std::ofstream(ws_->write_dir() + "devices.ini")
        << "[VX43]\nScanner=KES-M1\nKES-M1_Name=Flatbed\nKES-M1_DataSource=Noname frontend-tester\n"
           "Camera=KES-C2\nKES-C2_Name=Camera\nKES-C2_DataSource=Noname frontend-tester #2\n";
    ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
    scan_reset_for_tests();
    cam_reset_for_tests();
    ui_twainsel_reset();
    TWAIN_SetHideUI(1);
  }
  void TearDown() override {
    p11_reset();
    scan_reset_for_tests();
    sane_.reset();
    MainWindowTest::TearDown();
  }
  // Runs the command; `inside` drives the window it opens; the destination is `dest`.
  void run(int command, const char* module, const char* window,
           const std::function<void(TK_OBJ)>& inside, const std::string& dest) {
    TKT_AnswerChooser({dest});
    acqtest::when_open(module, window, inside);
    main_winNfySelMenuBar(win_, command);
  }
  std::unique_ptr<vxtest::SaneConfig> sane_;
};

TEST_F(AcquireCommands, ScanGrabAndSourceAcquisitionOpenTheirImages) {
  const std::string dir = ws_->dir().str() + "/";
  std::string scanner_title, camera_title;
  run(GT_CMD_ACQUIRE_SCANNER, "acquire0905", "scanner_win", [&](TK_OBJ w) {
    scanner_title = WIN_GetTitle(w);
    TKT_Type(RES_GetSub(w, 3), "scanned");
    TKT_Pick(RES_GetSub(w, 5), 0);
    TKT_Click(RES_GetSub(w, 11));
    TKT_Click(RES_GetSub(w, 9));
  }, dir + "scanned.kes");
  EXPECT_TRUE(fs::exists(dir + "scanned.kes"));
  EXPECT_TRUE(fs::exists(dir + "scanned.kei"));
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(gt_get_control()->scan.DPI, 0);

  run(GT_CMD_ACQUIRE_CAMERA, "acquire0905", "sensys_win", [&](TK_OBJ w) {
    camera_title = WIN_GetTitle(w);
    TKT_Type(RES_GetSub(w, 1), "grabbed");
    TKT_Click(RES_GetSub(w, 8));
    TKT_Click(RES_GetSub(w, 6));
  }, dir + "grabbed.kes");
  EXPECT_TRUE(fs::exists(dir + "grabbed.kes"));
  EXPECT_EQ(gt_get_num_img_windows(), 2);
  // The titles name each device's kind once, also where its name already says it.
  EXPECT_EQ(scanner_title, "Acquire Image from Flatbed Scanner");
  EXPECT_EQ(camera_title, "Acquire Image from Camera");
  // Each info file records its own device and settings: the scan's do not pass to the camera.
  const IMG_INFO scanned = acqtest::read_info(dir + "scanned.kes").h;
  const IMG_INFO grabbed = acqtest::read_info(dir + "grabbed.kes").h;
  EXPECT_EQ(scanned.device, 30);
  EXPECT_EQ(grabbed.device, 26);  // KES-C2
  EXPECT_EQ(grabbed.DEV_Light, 100);  // the exposure in milliseconds
  EXPECT_EQ(grabbed.DEV_BoolOne, 0);
  EXPECT_EQ(grabbed.DEV_BoolTwo, 0);
  EXPECT_EQ(grabbed.DEV_Color, 4);
  EXPECT_EQ(grabbed.x_res, 507);  // the device's 50 dpi

  // The source's settings dialog comes up, as the generic acquisition does not hide it.
  acqtest::when_open("ui_acquire", "source_settings", [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 4)); });
  run(GT_CMD_SELECT_TWAIN, "ui_acquire", "twainsel_win", [](TK_OBJ w) {
    TKT_Pick(RES_GetSub(w, 0), 1);
    TKT_Click(RES_GetSub(w, 1));
  }, dir + "chosen.kes");
  EXPECT_TRUE(fs::exists(dir + "chosen.kes"));
  EXPECT_EQ(gt_get_num_img_windows(), 3);
  EXPECT_FALSE(fs::exists(ws_->write_dir() + "~~ks$$$.kes"));  // moved away
}

// A colour image from the selected source is stored in grey at the device's resolution: its
// pixel size is the backend's 75 dpi, and its width spans the backend's 200 mm scan area.
TEST_F(AcquireCommands, AColourSourceImageKeepsTheDevicesResolution) {
  const double dpi = 75;
  sane_->write({{"test-picture", "\"Color pattern\""}, {"mode", "Color"}, {"resolution", "75"}});
  const std::string dest = ws_->dir().str() + "/colour.kes";
  acqtest::when_open("ui_tifsav", "rgb_color", [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 4)); });
  run(GT_CMD_SELECT_TWAIN, "ui_acquire", "twainsel_win", [](TK_OBJ w) {
    TKT_Pick(RES_GetSub(w, 0), 0);
    TKT_Click(RES_GetSub(w, 1));
  }, dest);
  ASSERT_TRUE(fs::exists(dest));
  const IMG_INFO info = acqtest::read_info(dest).h;
  EXPECT_EQ(info.DEV_Color, 4);
  const int um = static_cast<int>(1000000 / std::lround(dpi / 0.0254));  // 338
  EXPECT_EQ(info.x_res, um);
  EXPECT_EQ(info.y_res, um);
  EXPECT_EQ(info.x_scale, -3);
  EXPECT_EQ(info.y_scale, -3);
  EXPECT_NEAR(info.width * info.x_res * 1e-3, 200.0, 1.0);
}

// Each acquisition onto an existing image whose disk fails (full, or the new files cannot be
// renamed into place): the user is told that the file could not be written, and the old
// image's set (pixels, info, analysis and text part) is kept byte for byte and opens with its
// analysis. Without the fault the scan replaces the image, its analysis and its lock.
TEST_F(AcquireCommands, AFailedWriteKeepsTheImageItWasToReplace) {
  const fs::path gels = ws_->dir().path() / "gels";
  auto scan = [&](const std::string& dest) {
    run(GT_CMD_ACQUIRE_SCANNER, "acquire0905", "scanner_win", [](TK_OBJ w) {
      TKT_Type(RES_GetSub(w, 3), "scanned");
      TKT_Pick(RES_GetSub(w, 5), 0);
      TKT_Click(RES_GetSub(w, 11));
      TKT_Click(RES_GetSub(w, 9));
    }, dest);
  };
  const struct {
    const char* what;
    std::function<void(const std::string&)> acquire;
  } paths[] = {
      {"scanner", scan},
      {"camera", [&](const std::string& dest) {
         run(GT_CMD_ACQUIRE_CAMERA, "acquire0905", "sensys_win", [](TK_OBJ w) {
           TKT_Type(RES_GetSub(w, 1), "grabbed");
           TKT_Click(RES_GetSub(w, 8));
           TKT_Click(RES_GetSub(w, 6));
         }, dest);
       }},
      {"selected source", [&](const std::string& dest) {
         acqtest::when_open("ui_acquire", "source_settings",
                            [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 4)); });
         run(GT_CMD_SELECT_TWAIN, "ui_acquire", "twainsel_win", [](TK_OBJ w) {
           TKT_Pick(RES_GetSub(w, 0), 1);
           TKT_Click(RES_GetSub(w, 1));
         }, dest);
       }},
      // The source chosen by the case before.
      {"source acquisition", [&](const std::string& dest) {
         run(GT_CMD_ACQUIRE_TWAIN, "ui_acquire", "source_settings",
             [](TK_OBJ w) { TKT_Click(RES_GetSub(w, 4)); }, dest);
       }},
  };
  vxtest::FaultPlan full, refused;
  full.write_budget = 0;
  refused.fail_rename = 1;
  full.folder = refused.folder = gels;
  const std::pair<const char*, vxtest::FaultPlan> faults[] = {{"disk full", full},
                                                              {"rename refused", refused}};
  for (const auto& p : paths)
    for (const auto& [what, plan] : faults) {
      SCOPED_TRACE(std::string(p.what) + ", " + what);
      fs::remove_all(gels);
      fs::create_directories(gels);
      const std::string old = shelltest::write_analysed_gel(gels, "old", "wt 10", "first run");
      const vxtest::FolderState before = vxtest::folder_state(gels);
      const std::string scanned = ws_->write_dir() + "~~ks$$$.kes";
      fs::remove(scanned);
      TKT_AnswerAlert(2);  // replace it
      TKT_AnswerAlert(1);  // the message
      {
        vxtest::FileFaults faults(plan);
        p.acquire(old);
      }
      EXPECT_TRUE(fs::exists(scanned));  // acquired, and not moved
      EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
      EXPECT_EQ(TKT_Unanswered(), 0);
      EXPECT_EQ(vxtest::folder_state(gels), before);
      EXPECT_EQ(gt_get_num_img_windows(), 0);
      EXPECT_FALSE(gt_get_control()->busy);
      shelltest::expect_analysed_gel_opens(old, "wt 10", "first run");
    }

  // No fault, and the old image locked: the scan takes its place, and the old analysis, text
  // part and lock go.
  fs::remove_all(gels);
  fs::create_directories(gels);
  const std::string old = shelltest::write_analysed_gel(gels, "old", "wt 10", "first run");
  vxtest::write_bytes(gels / "old.lck", {});
  const std::vector<unsigned char> old_pixels = vxtest::read_bytes(old);
  TKT_AnswerAlert(2);  // replace it
  TKT_AnswerAlert(2);  // although it is locked
  scan(old);
  EXPECT_EQ(TKT_Unanswered(), 0);
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_NE(vxtest::read_bytes(old), old_pixels);
  WIN_Terminate(gt_get_img_window(0));  // the open image's own lock goes with its window
  EVENT_Flush();
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(gels)) left.insert(e.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{"old.kes", "old.kei"}));
}

TEST_F(AcquireCommands, TheScansDestinationIsAskedForInTheImagesFolder) {
  // No images folder set: the default one beside the write folder, not the write folder that
  // holds the scan's temporary image.
  gt_get_control()->folders[CTL_DIR_IMAGES][0] = '\0';
  run(GT_CMD_ACQUIRE_SCANNER, "acquire0905", "scanner_win", [](TK_OBJ w) {
    TKT_Type(RES_GetSub(w, 3), "scanned");
    TKT_Pick(RES_GetSub(w, 5), 0);
    TKT_Click(RES_GetSub(w, 11));
    TKT_Click(RES_GetSub(w, 9));
  }, ws_->dir().str() + "/scanned.kes");
  const std::string shown = TKT_LastChooser().folder;
  EXPECT_EQ(TKT_LastChooser().caption, "Destination image...");
  ASSERT_TRUE(fs::is_directory(ws_->write_dir() + "images"));
  EXPECT_TRUE(fs::equivalent(shown, ws_->write_dir() + "images")) << shown;
  EXPECT_TRUE(fs::exists(ws_->dir().str() + "/scanned.kes"));
}

}  // namespace
