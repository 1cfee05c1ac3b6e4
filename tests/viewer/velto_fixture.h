// Shared set-up of the viewer's window tests: a profile folder of the test's own, test hooks on,
// message boxes recorded, and fixed page and font metrics (an A4 page of 2100 by 2970 units at
// 254 units per inch, lines 40 units high) so that layouts come out the same on every machine.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "docview/dc.h"
#include "docview/message_box.h"
#include "docview/test_hooks.h"
#include "test_support.h"
#include "viewer/velto_app.h"
#include "viewer/velto_doc.h"

namespace vtest {

inline std::vector<std::string>& Messages() {
  static std::vector<std::string> m;
  return m;
}

inline int RecordMessage(const std::string& text, unsigned) {
  Messages().push_back(text);
  return docview::IDOK;
}

inline docview::RecordingDevice::Metrics_ FixedMetrics() {
  docview::RecordingDevice::Metrics_ m;
  m.page_w = 2100;
  m.page_h = 2970;
  m.dpi = 254;
  m.line_height = 40;
  m.leading = 4;
  m.char_width = 20;
  return m;
}

inline std::shared_ptr<docview::Device> FixedDevice(docview::DeviceKind) {
  return std::make_shared<docview::RecordingDevice>(FixedMetrics());
}

inline std::string SampleDir() { return (vxtest::source_dir() / "tests/data/viewer").string(); }

// A match file of `n` lanes from a lower triangle of similarities (row i holds i values) and
// optional band lists.
inline std::string MatchText(const std::vector<std::string>& labels,
                             const std::vector<std::vector<int>>& sims,
                             const std::vector<std::vector<float>>& bands = {}) {
  std::string s = "VELTO, Dice, 1.5, 2.0, 10.0, 50.0, bp\n" + std::to_string(labels.size()) + "\n";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    s += "\"" + labels[i] + "\"";
    for (int v : sims[i]) s += ", " + std::to_string(v);
    if (i < bands.size() && !bands[i].empty()) {
      s += " [";
      for (float b : bands[i]) s += " " + std::to_string(b);
      s += " ]";
    }
    s += "\n";
  }
  return s;
}

class VeltoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    had_xdg_ = old != nullptr;
    if (old) old_xdg_ = old;
    setenv("XDG_CONFIG_HOME", dir_.str().c_str(), 1);
    docview::test::Enable(true);
    Messages().clear();
    old_proc_ = docview::SetMessageBoxProc(&RecordMessage);
    old_factory_ = docview::SetDeviceFactory(&FixedDevice);
  }
  void TearDown() override {
    app_.reset();
    docview::SetDeviceFactory(old_factory_);
    docview::SetMessageBoxProc(old_proc_);
    docview::test::Enable(false);
    if (had_xdg_)
      setenv("XDG_CONFIG_HOME", old_xdg_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }

  // A fresh application over the test's profile, not started.
  velto::CVeltoApp& NewApp() {
    app_.reset();
    app_ = std::make_unique<velto::CVeltoApp>();
    return *app_;
  }
  // Starts the application with `args` as its command line; the result of its start-up.
  bool Start(std::vector<std::string> args) {
    auto& app = NewApp();
    app.SetArguments(std::move(args));
    bool ok = app.InitInstance();
    docview::PumpMessages();
    return ok;
  }
  std::string WriteMatch(const std::string& name, const std::string& text) {
    std::string p = dir_.file(name);
    vxtest::write_text(p, text);
    return p;
  }
  velto::CVeltoDoc* Doc() { return dynamic_cast<velto::CVeltoDoc*>(app_->GetDocument()); }
  std::string ProfileText() { return vxtest::read_text(dir_.file("Velto.ini")); }

  vxtest::TempDir dir_;
  std::unique_ptr<velto::CVeltoApp> app_;

 private:
  bool had_xdg_ = false;
  std::string old_xdg_;
  docview::MessageBoxProc old_proc_ = nullptr;
  docview::DeviceFactory old_factory_ = nullptr;
};

}  // namespace vtest
