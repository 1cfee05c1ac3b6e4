// The histogram and the line profile of the real ladder gel agree with ImageMagick's reading of
// the same TIFF file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../engine/ladder_gel.h"
#include "tools/ui_hist.h"
#include "tools/ui_prof.h"

namespace {

// ImageMagick's 8-bit grey pixels of a crop of the gel, row by row.
std::vector<unsigned> magick_crop(vxtest::LadderGel& g, int x, int y, int w, int h) {
  const std::string out = g.dir.file("crop.gray");
  const std::string cmd = "convert '" + vxtest::ladder_gel_tif() + "' -crop " + std::to_string(w) + "x" +
                          std::to_string(h) + "+" + std::to_string(x) + "+" + std::to_string(y) +
                          " +repage -depth 8 'gray:" + out + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return {};
  const auto bytes = vxtest::read_bytes(out);
  return std::vector<unsigned>(bytes.begin(), bytes.end());
}

std::vector<unsigned> values(const ProfData& p) {
  std::vector<unsigned> v;
  for (int i = 0; i < p.count(); ++i) v.push_back(static_cast<unsigned>(p.points[2 * i + 1]));
  return v;
}

}  // namespace

TEST(RealGelViews, HistogramAndProfileAgreeWithImageMagick) {
  vxtest::LadderGel g;
  if (!vxtest::write_ladder_kes(&g)) GTEST_FAIL() << "ladder gel not available: " << g.skip;
  if (std::system("command -v convert >/dev/null") != 0) GTEST_FAIL() << "ImageMagick's convert is needed";

  // A rectangle over the first lane's upper bands, corners given bottom right first.
  const std::vector<unsigned> rect = magick_crop(g, 340, 180, 100, 150);
  ASSERT_EQ(rect.size(), 100u * 150u);
  const HistData h = ui_hist_compute(g.kes.c_str(), {439, 329}, {340, 180});
  ASSERT_TRUE(h.ok);
  const HistData want = ui_hist_of_values(rect);
  EXPECT_EQ(h.total, 15000);
  EXPECT_EQ(h.min, want.min);
  EXPECT_EQ(h.max, want.max);
  EXPECT_LT(h.min, h.max);
  EXPECT_EQ(h.bins, want.bins);

  // A row across the lanes and a column down the second lane.
  EXPECT_EQ(values(ui_profile_compute(g.kes.c_str(), {300, 250}, {700, 250})), magick_crop(g, 300, 250, 400, 1));
  const std::vector<unsigned> column = magick_crop(g, 615, 180, 1, 420);
  ASSERT_EQ(column.size(), 420u);
  EXPECT_EQ(values(ui_profile_compute(g.kes.c_str(), {615, 180}, {615, 600})), column);
}
