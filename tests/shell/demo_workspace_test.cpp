// The demo workspace that scripts/make-demo prepares: its gel's bands are quantified, so the band
// report shows their amounts; its standard set gives one size to each band of the ladder lane;
// the preferences open the standard set choosers in its folder; its help folder holds the help
// files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QTimer>

#include "analysis/rep_engine.h"
#include "gel_fixture.h"
#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/task_state.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_std_tools.h"

namespace {

namespace fs = std::filesystem;

class DemoWorkspace : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    std_sasn_dismiss();
    CONTROL* ctl = gt_get_control();
    ctl->size_stdset = 0;
    ctl->size_stdset_path[0] = '\0';
    OpenImagesTest::TearDown();
  }
  // Makes the workspace in the test's folder; false (with a failure) when it cannot be made.
  bool make() {
    fs::path gel = vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif";
    if (!fs::exists(gel))
      gel = vxtest::source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
    if (!fs::exists(gel)) {
      ADD_FAILURE() << "the demo gel is missing: " << gel;
      return false;
    }
    demo = dir + "/demo";
    const std::string cmd = "'" + (vxtest::source_dir() / "scripts/make-demo").string() + "' '" +
                            demo + "' '" + vxtest::bin_dir().string() + "' '" + gel.string() +
                            "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return fs::exists(demo + "/images/ladder_reference_gel.gt");
  }
  std::string demo;
};

std::vector<std::string> lines_of(const std::string& path) {
  std::vector<std::string> v;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) v.push_back(line);
  return v;
}

TEST_F(DemoWorkspace, BandsAreQuantifiedAndTheLadderHasItsStandardSet) {
  ASSERT_TRUE(make());
  IMAGE_REC* im = open(demo + "/images/ladder_reference_gel.kes");
  ASSERT_NE(im, nullptr);

  // Every band reads an intensity and a volume above 0, the volume without the mark of a band
  // that was never quantified.
  rep_state_reset();  // an active-image report, whatever report ran before
  RepState& st = rep_state();
  st.image = im;
  int bands = 0;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    st.lane = l;
    for (SPOT* b = im->bands->next; b; b = b->next) {
      if (!ln_xyinlane(b->x, b->y, l)) continue;
      ++bands;
      std::string intensity, volume;
      get_band_fld_val_str(7, -1, b, intensity);
      get_band_fld_val_str(8, -1, b, volume);
      ASSERT_FALSE(intensity.empty());
      EXPECT_GT(std::atof(intensity.c_str()), 0.0) << "band at row " << b->y << ": " << intensity;
      ASSERT_FALSE(volume.empty());
      EXPECT_NE(volume[0], '*') << "band at row " << b->y;
      EXPECT_GT(std::atof(volume.c_str()), 0.0) << "band at row " << b->y << ": " << volume;
    }
  }
  rep_state_reset();
  EXPECT_GT(bands, 60);

  // The standard set: one size for each band of the first lane, top to bottom, in falling order,
  // with the 3, 1 and 0.5 kb bands (the ladder's brightest) where the first lane's brightest
  // bands are.
  const std::vector<std::string> set = lines_of(demo + "/stdsets/ladder_1kb_plus.std");
  LANE* first = im->lanes->next;
  SPOT** arr = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &arr, first, nullptr, nullptr);
  ASSERT_EQ(n, static_cast<int>(set.size()));
  std::vector<std::pair<double, double>> by_volume;  // volume, size
  for (int i = 0; i < n; ++i) {
    if (i > 0) {
      EXPECT_LT(std::stod(set[i]), std::stod(set[i - 1])) << "line " << i + 1;
    }
    by_volume.push_back({arr[i]->amount, std::stod(set[i])});
  }
  ks_free(arr);
  std::sort(by_volume.rbegin(), by_volume.rend());
  std::vector<double> brightest = {by_volume[0].second, by_volume[1].second, by_volume[2].second};
  std::sort(brightest.begin(), brightest.end());
  EXPECT_EQ(brightest, (std::vector<double>{500, 1000, 3000}));

  // The preferences open the standard set choosers in the set's folder.
  CONTROL ctl{};
  gt_control_init(&ctl);
  ASSERT_TRUE(gt_read_and_prep_prefs((demo + "/write/gt_init.prf").c_str(), &ctl));
  EXPECT_EQ(fs::path(ctl.folders[CTL_DIR_STDSETS]), fs::path(demo + "/stdsets/"));
  ks_free(ctl.lane_chars);

  // The help folder that the start-up ini file names holds the built help files.
  std::string help;
  for (const std::string& line : lines_of(demo + "/kestrin7.ini"))
    if (line.rfind("HelpDir=", 0) == 0) help = line.substr(8);
  ASSERT_FALSE(help.empty());
  for (const char* file : {"VX_User_Guide.chm", "VX_Tutorial.chm"}) {
    ASSERT_TRUE(fs::exists(fs::path(help) / file)) << file;
    EXPECT_EQ(vxtest::read_text(fs::path(help) / file), vxtest::read_text(fs::path(VX_HELP_DIR) / file));
  }
}

// The sizing of the worked example: Size Stds, Add, the set chosen and assigned automatically, a
// click on the first lane and OK give the first lane's bands the set's sizes, and the bands of the
// other lanes sizes from them: the brightest bands of every lane size within 10 % of 3, 1 and
// 0.5 kb.
TEST_F(DemoWorkspace, TheStandardSetSizesTheLadder) {
  ASSERT_TRUE(make());
  IMAGE_REC* im = open(demo + "/images/ladder_reference_gel.kes");
  ASSERT_NE(im, nullptr);
  CONTROL* ctl = gt_get_control();
  ctl->sel_mode = SEL_SIZE_STDS;
  const std::string set = demo + "/stdsets/ladder_1kb_plus.std";
  TKT_AnswerChooser({set});
  QTimer::singleShot(0, [] {
    TK_OBJ d = TKT_FindWindow("std_size", "std_size_win");
    if (!d) return;
    TKT_Pick(RES_GetSub(d, 5), 1);  // Logarithmic
    TKT_Click(RES_GetSub(d, 7));    // Use a standard set: the chooser gives the set
    TKT_Click(RES_GetSub(d, 8));    // Assign the set automatically
    TKT_Click(RES_GetSub(d, 3));    // OK
  });
  main_winNfySelMenuBar(win_, GT_CMD_ADD);
  EVENT_Flush();
  ASSERT_EQ(gt_get_state(), TS_SIZE_STDS);
  TK_OBJ sasn = TKT_FindWindow("std_sasn", "std_sasn_win");
  ASSERT_NE(sasn, nullptr);
  LANE* first = im->lanes->next;
  const int mid = first->num_center_points / 2;
  im->click_pt[0] = first->center_coords[mid].x, im->click_pt[1] = first->center_coords[mid].y;
  gt_band_mouseclick(static_cast<TK_OBJ>(im->draw_area), nullptr, ctl, im, 0);
  TKT_Click(RES_GetSub(sasn, 2));
  EVENT_Flush();
  EXPECT_EQ(gt_get_state(), TS_IDLE);

  const std::vector<std::string> sizes = lines_of(set);
  int k = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++k) {
    SCOPED_TRACE("lane " + std::to_string(k + 1));
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
    std::vector<std::pair<double, double>> by_volume;  // volume, size
    for (int i = 0; i < n; ++i) {
      if (k == 0 && i < static_cast<int>(sizes.size())) {
        EXPECT_NEAR(arr[i]->size, std::stod(sizes[i]), 0.5) << "band " << i + 1;
      }
      // A band above the first lane's 10 kb band is outside the standards and has no size
      // (no extrapolation); every other size falls down the lane.
      if (i > 0 && arr[i - 1]->size > 0) {
        EXPECT_LT(arr[i]->size, arr[i - 1]->size) << "band " << i + 1;
      }
      by_volume.push_back({arr[i]->amount, arr[i]->size});
    }
    ks_free(arr);
    ASSERT_GE(by_volume.size(), 3u);
    std::sort(by_volume.rbegin(), by_volume.rend());
    std::vector<double> brightest = {by_volume[0].second, by_volume[1].second, by_volume[2].second};
    std::sort(brightest.begin(), brightest.end());
    const double want[3] = {500, 1000, 3000};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(brightest[i], want[i], want[i] * 0.1) << i;
  }
  EXPECT_EQ(k, 4);
}

}  // namespace
