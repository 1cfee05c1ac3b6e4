// Gels for the match driver and match results tests: analysed images of sized lanes in memory,
// with the windows the matches open closed after each test.
#pragma once

#include <cstdio>
#include <vector>

#include "analysis/mresult.h"
#include "match_settings.h"
#include "report_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace vxtest {

class MatchWindowTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    TKT_Enable(true);
    set_match_settings(gt_get_control());
  }
  void TearDown() override {
    mresult_dismiss();
    for (auto [module, window] : {std::pair{"gt_matrx", "WinMatrix"}, {"ln_map", "WinLaneMap"}})
      if (TK_OBJ w = TKT_FindWindow(module, window)) WIN_Terminate(w);
    TKT_Enable(false);
    ReportTest::TearDown();
  }
  // A gel of sized lanes 1, 2, ... given as their band rows (a band's size follows from its
  // row); its path lies in the test's folder.
  IMAGE_REC* gel(const char* name, const std::vector<std::vector<int>>& lanes) {
    IMAGE_REC* im = new_image(name);
    std::snprintf(im->file_path, sizeof im->file_path, "%s", dir_.file(name).c_str());
    for (size_t i = 0; i < lanes.size(); ++i) {
      const int x = 50 * int(i + 1);
      add_lane(im, x, int(i + 1), "");
      for (int row : lanes[i]) add_band(im, x, row, 100.0, 1000.0 - 4 * row);
    }
    return im;
  }

  TempDir dir_;
};

}  // namespace vxtest
