// Dendrogram layout: columns, axis labels, leaf labels and clicks.
#include <gtest/gtest.h>

#include "analysis/dndr_layout.h"
#include "cluster_fixture.h"

using namespace clustertest;

TEST(DendrogramLayout, ColumnsWithAndWithoutBands) {
  Mr m = matrix(3, [](int, int) { return 10.0f; });
  Rec r(dndr_new(m.get(), dndr_link_average));
  dndr_layout(r.get(), 3, 1000, 0, 400, 30, 10, 12, false);
  EXPECT_EQ(r->label_width, 60);
  EXPECT_EQ(r->tree_width, 930);
  EXPECT_EQ(r->band_width, 0);
  EXPECT_EQ(r->label_start, 940);
  dndr_layout(r.get(), 3, 1000, 0, 400, 30, 10, 12, true);
  EXPECT_EQ(r->tree_width, 460);
  EXPECT_EQ(r->band_width, 470);
  EXPECT_EQ(r->band_start, 530);
  // Root at 10 on the left edge of the tree, leaves at its right edge.
  EXPECT_EQ(ks_scale_to_pixel(&r->height_scale, 10.0), 12);
  EXPECT_EQ(ks_scale_to_pixel(&r->height_scale, 0.0), 468);
  EXPECT_EQ(ks_scale_to_pixel(&r->position_scale, 0.0), 96);
  EXPECT_EQ(ks_scale_to_pixel(&r->position_scale, 2.0), 394);
}

TEST(DendrogramLayout, IdenticalLanesAndOneLaneKeepFiniteScales) {
  Mr same = matrix(4, [](int, int) { return 0.0f; });
  Rec r(dndr_new(same.get(), dndr_link_min));
  dndr_layout(r.get(), 4, 600, 0, 300, 20, 10, 10, false);
  EXPECT_EQ(r->height_scale.min, 1.0);  // a tree of height 0 is drawn against 1.0
  EXPECT_EQ(ks_scale_to_pixel(&r->height_scale, 0.0), 10 + r->tree_width - 2);
  // Its axis reads only 100, at the leaves.
  const auto labels = dndr_axis_labels(r.get(), [](const std::string&) { return 20; });
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].value, 100);
  EXPECT_EQ(labels[0].x, 10 + r->tree_width - 2);
  Mr one = matrix(1, [](int, int) { return 0.0f; });
  Rec o(dndr_new(one.get(), dndr_link_nj));
  dndr_layout(o.get(), 1, 600, 0, 300, 20, 10, 10, false);
  EXPECT_EQ(ks_scale_to_pixel(&o->position_scale, 0.0), 80);
  EXPECT_EQ(dndr_leaf_at_pixel(o.get(), 80), 0);
}

TEST(DendrogramLayout, NeighbourJoiningAxisCountsDownFromItsRoot) {
  Mr two = matrix(2, [](int, int) { return 46.0f; });  // root height 23
  Rec r(dndr_new(two.get(), dndr_link_nj));
  auto width = [](const std::string&) { return 20; };
  dndr_layout(r.get(), 2, 1000, 0, 300, 30, 10, 10, false);
  std::vector<long> values;
  for (const DNDR_AXIS_LABEL& l : dndr_axis_labels(r.get(), width)) {
    values.push_back(l.value);
    EXPECT_FALSE(l.erased);
  }
  EXPECT_EQ(values, (std::vector<long>{0, 5, 10, 15, 20, 23}));
  // A narrow tree: the final label would overlap the one before, which is erased.
  dndr_layout(r.get(), 2, 170, 0, 300, 30, 10, 10, false);
  const auto narrow = dndr_axis_labels(r.get(), [](const std::string&) { return 30; });
  ASSERT_GE(narrow.size(), 2u);
  EXPECT_TRUE(narrow[narrow.size() - 2].erased);
  EXPECT_EQ(narrow.back().value, 23);
}

TEST(DendrogramLayout, LinkageAxisReadsSimilarity) {
  Mr m = matrix(3, [](int i, int j) { return i + j == 1 ? 20.0f : 40.0f; });
  Rec r(dndr_new(m.get(), dndr_link_max));
  dndr_layout(r.get(), 3, 2000, 0, 300, 30, 10, 10, false);
  const auto labels = dndr_axis_labels(r.get(), [](const std::string&) { return 20; });
  EXPECT_EQ(labels.front().value, 60);
  EXPECT_EQ(labels.back().value, 100);
  EXPECT_EQ(labels.back().x, ks_scale_to_pixel(&r->height_scale, 0.0));
}

TEST(DendrogramLayout, TrimsFileExtensionsFromLabels) {
  const std::pair<const char*, const char*> cases[] = {
      {"gel.kes:3:A", "gel:3:A"}, {"gel.kes", "gel.kes"}, {"gel:3:A", "gel:3:A"},
      {"a.b.c:1", "a.c:1"}};
  for (auto [in, want] : cases) EXPECT_EQ(dndr_trim_label(in), want) << in;
}

TEST(DendrogramLayout, ClicksSelectTheNearestLeaf) {
  Mr m = matrix(5, [](int i, int j) { return static_cast<float>(i * 10 + j); });
  Rec r(dndr_new(m.get(), dndr_link_average));
  dndr_layout(r.get(), 5, 800, 0, 485, 30, 10, 10, false);  // leaves at 80, 180, ... 480
  struct Case {
    int y, position;
  } cases[] = {{80, 0}, {125, 0}, {135, 1}, {-60, 0}, {480, 4}, {600, -1}, {-200, -1}};
  for (const Case& c : cases)
    EXPECT_EQ(dndr_leaf_at_pixel(r.get(), c.y), c.position < 0 ? -1 : dndr_leaf_at(r.get(), c.position))
        << "y " << c.y;
}
