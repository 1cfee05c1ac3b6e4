// The line profile: point count, direction, clamping and the values along the line.
#include <gtest/gtest.h>

#include "kes_file.h"
#include "test_support.h"
#include "tools/ui_prof.h"

namespace {
std::vector<int> values(const ProfData& p) {
  std::vector<int> v;
  for (int k = 0; k < p.count(); ++k) {
    EXPECT_EQ(p.points[2 * static_cast<std::size_t>(k)], k);
    v.push_back(p.points[2 * static_cast<std::size_t>(k) + 1]);
  }
  return v;
}
}  // namespace

TEST(Prof, PointsRunFromTheFirstPointToTheSecond) {
  vxtest::TempDir dir;
  const std::string path = dir.file("g.kes");
  ASSERT_TRUE(toolstest::write_kes(path, 64, 64, 2, [](int x, int y) { return unsigned(100 * y + x); }));
  EXPECT_EQ(ui_profile_compute(path.c_str(), {0, 0}, {30, 40}).count(), 50);

  // A horizontal line of length 10 starts at its first point, in either direction.
  EXPECT_EQ(values(ui_profile_compute(path.c_str(), {5, 7}, {15, 7})),
            (std::vector<int>{705, 706, 707, 708, 709, 710, 711, 712, 713, 714}));
  const auto back = values(ui_profile_compute(path.c_str(), {15, 7}, {5, 7}));
  EXPECT_EQ(back.size(), 10u);
  EXPECT_EQ(back.front(), 714);  // the mirror of the line the other way
  const auto down = values(ui_profile_compute(path.c_str(), {3, 2}, {3, 6}));
  EXPECT_EQ(down, (std::vector<int>{203, 303, 403, 503}));
  EXPECT_EQ(values(ui_profile_compute(path.c_str(), {3, 6}, {3, 2})), (std::vector<int>{503, 403, 303, 203}));

  // Oblique lines of either slope, drawn both ways, mirror each other.
  for (auto [a, b] : {std::pair<TkPoint, TkPoint>{{2, 3}, {30, 20}}, {{2, 30}, {30, 9}}}) {
    auto fwd = values(ui_profile_compute(path.c_str(), a, b));
    auto rev = values(ui_profile_compute(path.c_str(), b, a));
    std::reverse(rev.begin(), rev.end());
    EXPECT_EQ(fwd, rev);
    EXPECT_EQ(fwd.front(), 100 * a.y + a.x);  // starts at the first point
  }
}

TEST(Prof, PointsOutsideTheImageAreMovedToItsEdge) {
  vxtest::TempDir dir;
  const std::string path = dir.file("g.kes");
  ASSERT_TRUE(toolstest::write_kes(path, 40, 30, 1, [](int x, int) { return unsigned(x); }));
  const ProfData p = ui_profile_compute(path.c_str(), {-5, 10}, {90, 10});
  EXPECT_EQ(ui_profile_title(p), "(0,10) to (38,10)");
  EXPECT_EQ(p.count(), 38);
  EXPECT_EQ(ui_profile_compute(path.c_str(), {4, 4}, {4, 4}).count(), 0);  // no line, no points
  EXPECT_EQ(ui_profile_compute(dir.file("none.kes").c_str(), {0, 0}, {5, 5}).count(), 0);
}
