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

#include "analysis/rep_engine.h"
#include "gel_fixture.h"
#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"

namespace {

namespace fs = std::filesystem;

class DemoWorkspace : public shelltest::OpenImagesTest {
 protected:
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
      EXPECT_GT(std::stod(intensity), 0.0) << "band at row " << b->y;
      ASSERT_FALSE(volume.empty());
      EXPECT_NE(volume[0], '*') << "band at row " << b->y;
      EXPECT_GT(std::stod(volume), 0.0) << "band at row " << b->y;
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

}  // namespace
