// A workspace for the acquisition tests: the shell's workspace (start-up ini, write folder)
// with the resources loaded, the toolkit's test driver on, and SANE's test backend configured.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "../shell/shell_fixture.h"
#include "../twain/sane_fixture.h"
#include "acquire/tik.h"
#include "toolkit/tk_test.h"

namespace acqtest {

// Runs `fn` once the window `module`/`window` is open (a dialog that an acquisition opens after
// events have already run), looking every few milliseconds for at most 10 s.
inline void when_open(const char* module, const char* window, std::function<void(TK_OBJ)> fn) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [=] {
    TK_OBJ w = TKT_FindWindow(module, window);
    if (w == nullptr && ++*tries < 2000) return;
    timer->stop();
    timer->deleteLater();
    if (w != nullptr) fn(w);
  });
  timer->start(5);
}

class AcquireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
    ws_ = std::make_unique<shelltest::Workspace>();
    ASSERT_TRUE(SetupIniFileName());
    sane_ = std::make_unique<vxtest::SaneConfig>(sane_conf());
    tik_reset_state();
  }
  void TearDown() override {
    sane_.reset();
    ws_.reset();
    TKT_Enable(false);
  }
  virtual std::map<std::string, std::string> sane_conf() { return {{"test-picture", "\"Grid\""}}; }
  std::string write_dir() const { return ws_->write_dir(); }

  std::unique_ptr<shelltest::Workspace> ws_;
  std::unique_ptr<vxtest::SaneConfig> sane_;
};

}  // namespace acqtest
