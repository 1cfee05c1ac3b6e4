// Loads the message lists that the analysis windows and alerts use, once per test program.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/ks_msg.h"
#include "test_support.h"
#include "toolkit/tk_res.h"

namespace analysistest {

inline void load_messages() {
  for (const char* module : {"ui_msg", "gt_msg"})
    if (!ks_msg_text(module, 204) && !ks_msg_text(module, 183))
      RES_OpenFile("gt", (vxtest::source_dir() / "resources" / (std::string(module) + ".res")).c_str());
  for (auto [module, window] : {std::pair{"gt_dend", "gt_dend_win"}, {"gt_contig", "gt_contig_win"}, {"gt_matrx", "WinMatrix"}, {"ln_map", "WinLaneMap"}})
    if (!RES_HasWindow(module, window))
      RES_OpenFile("gt", (vxtest::source_dir() / "resources" / (std::string(module) + ".res")).c_str());
  ASSERT_NE(ks_msg_text("ui_msg", 204), nullptr);
  ASSERT_NE(ks_msg_text("gt_msg", 183), nullptr);
}

}  // namespace analysistest
