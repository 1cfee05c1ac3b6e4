// A workspace for the shell's tests: a temporary folder holding the start-up ini and a write
// folder with its ini files, made the current folder; the resource file loaded once; and the
// main window built from it by the start-up code.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/ks_ini.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_main.h"
#include "shell/gt_misc.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace shelltest {

// Loads every module source of resources/ one by one: a module that another test loaded
// already is refused by the toolkit and stays as it is.
inline void load_resources() {
  if (RES_HasWindow("gt_main", "gt_main_win")) return;
  for (const auto& e : std::filesystem::directory_iterator(vxtest::source_dir() / "resources"))
    if (e.path().extension() == ".res") RES_OpenFile("gt", e.path().c_str());
  ASSERT_TRUE(RES_HasWindow("gt_main", "gt_main_win"));
}

class Workspace {
 public:
  // `writable` lines go into the write folder's "kestrinw.ini" (e.g. "Locale=US").
  explicit Workspace(const std::string& writable = "", const std::string& splash = "none.png,10,10") {
    std::filesystem::create_directories(dir_.path() / "write");
    std::ofstream(dir_.file("kestrin7.ini"))
        << "[VX43]\nCompany=Test Lab\nHelpDir=" << dir_.str() << "\nHomeDir=" << dir_.str()
        << "\nSplash=" << splash << "\nTitle=Gel Test\nWriteDir=" << write_dir() << "\n";
    std::ofstream(dir_.file("write/kestrinw.ini")) << "[VX43]\n" << writable << "\n";
    std::ofstream(dir_.file("write/devices.ini")) << "[VX43]\n";
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  ~Workspace() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  std::string write_dir() const { return dir_.str() + "/write/"; }
  std::string file(const std::string& name) const { return dir_.file(name); }
  const vxtest::TempDir& dir() const { return dir_; }

 private:
  vxtest::TempDir dir_;
  std::filesystem::path old_;
};

// A started main window (start-up without the event loop); ended by TearDown.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    load_resources();
    TKT_Enable(true);
    TKT_SetScreenSize(1920, 1080);
    gt_set_logo_wait(0);
    ws_ = std::make_unique<Workspace>(writable());
    ASSERT_TRUE(SetupIniFileName());
    win_ = gt_main_activate();
    ASSERT_NE(win_, nullptr);
    gt_press_saved_mode(win_);
  }
  void TearDown() override {
    if (RES_GetClass(win_) != 0) WIN_Terminate(win_);
    gt_get_control()->task_state = 0;
    gt_get_control()->busy = 0;
    TKT_SetScreenSize(0, 0);
    ws_.reset();
  }
  virtual std::string writable() { return ""; }
  TK_OBJ part(int i) { return RES_GetSub(win_, i); }
  TK_OBJ mode_button(int k) { return RES_GetSub(part(GT_MAIN_MODE_BAR), k); }

  std::unique_ptr<Workspace> ws_;
  TK_OBJ win_ = nullptr;
};

}  // namespace shelltest
