// A small gel with one selected lane for the densitometry tool's window tests, and a runner that
// drives the modal window from inside its loop.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "../shell/image_view_fixture.h"
#include "kes_file.h"
#include "toolkit/tk_test.h"
#include "tools/gt_dtool.h"

namespace dtooltest {

// Two Gaussian bands down column 30 of a 60 x 100 gel.
inline unsigned gel(int x, int y) {
  const double across = std::exp(-(x - 30.0) * (x - 30.0) / 200.0);
  const double bands = 9000 * std::exp(-(y - 30.0) * (y - 30.0) / 12.0) + 5000 * std::exp(-(y - 65.0) * (y - 65.0) / 12.0);
  return unsigned(1000 + bands * across);
}

class DtoolWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::ensure_gui();
    RES_OpenFile("dtool", (vxtest::source_dir() / "resources/dtool.res").c_str());
    RES_OpenFile("ui_msg", (vxtest::source_dir() / "resources/ui_msg.res").c_str());
    TKT_Enable(true);
    path = dir.file("gel.kes");
    ASSERT_TRUE(toolstest::write_kes(path, 60, 100, 2, gel));
    head = ln_make_lane();
    LANE* l = ln_make_lane();
    head->next = l;
    l->lane_number = 1;
    l->left_width = l->right_width = 6;
    l->max_angle = 10;
    l->f = LN_F_SELECTED;
    l->num_center_points = 2;
    l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
    l->center_coords[0] = {30, 5};
    l->center_coords[1] = {30, 94};
    l->num_data_values = 90;
    l->data_values = static_cast<int32_t*>(ks_alloc_msg(90 * sizeof(int32_t)));
    for (int i = 0; i < 90; ++i) l->data_values[i] = 1;
    info.min_top_band_thick = 3;
    info.min_bot_band_thick = 3;
    info.band_threshold = 5;
    info.min_value = 0;
    info.max_value = 65535;
    info.y_res = 1;
    info.lanes = head;
    info.iLaneWidth = 100;
    std::snprintf(info.image_name, sizeof info.image_name, "gel");
    std::snprintf(info.image_path, sizeof info.image_path, "%s", path.c_str());
    std::snprintf(info.size_unit, sizeof info.size_unit, "bp");
  }
  void TearDown() override {
    ln_free_lanes(head);
    TKT_Enable(false);
  }
  // Runs the tool with `inside` run in its modal loop; the tool's result.
  int run(std::function<void(TK_OBJ)> inside) {
    QTimer::singleShot(0, [inside] {
      TK_OBJ win = TKT_FindWindow("dtool", "dtool_win");
      if (!win) return;
      inside(win);
    });
    return gt_dtool_activate(&info, dir.str().c_str());
  }
  vxtest::TempDir dir;
  std::string path;
  LANE* head = nullptr;
  DT_INFO info{};
};

}  // namespace dtooltest

using dtooltest::DtoolWindow;
