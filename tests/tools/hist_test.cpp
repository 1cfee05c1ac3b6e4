// The histogram of a rectangle: bins, range, labels, clamping and the window's title.
#include <gtest/gtest.h>

#include <numeric>

#include "kes_file.h"
#include "test_support.h"
#include "tools/ui_hist.h"

namespace {
std::vector<unsigned> range(unsigned lo, unsigned hi) {
  std::vector<unsigned> v(hi - lo + 1);
  std::iota(v.begin(), v.end(), lo);
  return v;
}
}  // namespace

TEST(Hist, BinsHalveUntilAtMost64) {
  struct Case {
    unsigned lo, hi;
    std::size_t bins;
    int per_bin;
  };
  for (Case c : {Case{10, 73, 64, 1}, Case{10, 74, 32, 2}, Case{0, 65535, 64, 1024}, Case{5, 5, 1, 1}}) {
    const HistData h = ui_hist_of_values(range(c.lo, c.hi));
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(h.bins.size(), c.bins) << c.hi;
    EXPECT_EQ(h.per_bin, c.per_bin) << c.hi;
    EXPECT_EQ(h.total, static_cast<long>(c.hi - c.lo + 1));
    EXPECT_EQ(h.min, static_cast<long>(c.lo));
    EXPECT_EQ(h.max, static_cast<long>(c.hi));
  }
  // 65 values halved once: the last value shares the last bin.
  const HistData odd = ui_hist_of_values(range(10, 74));
  EXPECT_EQ(odd.bins.back(), 3);
  EXPECT_EQ((std::vector<int>(odd.label_pos, odd.label_pos + 5)), (std::vector<int>{1, 9, 17, 24, 32}));
  EXPECT_EQ(odd.label_value[4], 31 * 2 + 10);

  const HistData flat = ui_hist_of_values(std::vector<unsigned>(12, 200));
  EXPECT_EQ(flat.bins, std::vector<int>{12});
  for (long v : flat.label_value) EXPECT_EQ(v, 200);
  EXPECT_EQ(ui_hist_chart_title(flat), "Dynamic Range 200 to 200\n(12 total pixels, 1 values per bin)");
}

TEST(Hist, RectangleIsReadFromTheFileAndClamped) {
  vxtest::TempDir dir;
  const std::string p8 = dir.file("g8.kes"), p16 = dir.file("g16.kes");
  ASSERT_TRUE(toolstest::write_kes(p8, 20, 10, 1, [](int x, int y) { return unsigned(x + 20 * y); }));
  ASSERT_TRUE(toolstest::write_kes(p16, 20, 10, 2, [](int x, int y) { return unsigned(1000 * x + y); }));
  // Corners in any order; x = W is held to W - 2, a negative y to 0.
  HistData h = ui_hist_compute(p8.c_str(), {20, 3}, {2, -4});
  ASSERT_TRUE(h.ok);
  EXPECT_EQ(h.total, 17 * 4);
  EXPECT_EQ(h.min, 2);
  EXPECT_EQ(h.max, 18 + 60);
  h = ui_hist_compute(p16.c_str(), {0, 0}, {19, 9});
  EXPECT_EQ(h.max, 18 * 1000 + 8);  // 16-bit values read whole
  EXPECT_EQ(h.per_bin, 512);
  EXPECT_FALSE(ui_hist_compute(dir.file("none.kes").c_str(), {0, 0}, {3, 3}).ok);
}

TEST(Hist, TitleDropsOnlyTheKesExtension) {
  EXPECT_EQ(ui_hist_title("Histogram", "/data/gels/gel1.KES"), "Histogram : gel1");
  EXPECT_EQ(ui_hist_title("Histogram", "/data/gels/gel1.tif"), "Histogram : gel1.tif");
  EXPECT_EQ(ui_hist_title("Histogram", "gel1.kes.kes"), "Histogram : gel1.kes");
}
