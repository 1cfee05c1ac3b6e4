// A workspace for the acquisition tests: the shell's workspace (start-up ini, write folder)
// with the resources loaded, the toolkit's test driver on, and SANE's test backend configured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../shell/shell_fixture.h"
#include "../twain/sane_fixture.h"
#include "acquire/tik.h"
#include "toolkit/tk_test.h"

namespace acqtest {

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
