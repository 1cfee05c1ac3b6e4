// Triangulated network over bands and values inside its triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/std_network.h"
#include "engine/std_numeric.h"
#include "std_test_util.h"

namespace {

constexpr double NV = STD_NO_VALUE;

// Bands at the given points, identifiers 1, 2, ...
struct Nodes {
  std::vector<SPOT> spots;
  std::vector<SPOT*> ptrs;
  explicit Nodes(std::initializer_list<std::pair<int, int>> pts) : spots(pts.size()) {
    int i = 0;
    for (auto [x, y] : pts) {
      spots[i] = SPOT{};
      spots[i].x = x;
      spots[i].y = y;
      spots[i].net_id = i + 1;
      ++i;
    }
    for (SPOT& s : spots) ptrs.push_back(&s);
  }
};

std::set<int> ids(const NW_TRIANGLE* t) { return {t->id[0], t->id[1], t->id[2]}; }

TEST(NwNetwork, BuildsGreedyTriangles) {
  NW_TRIANGLE** tri = nullptr;
  // three nodes in a row: the largest angle is 180 degrees
  Nodes row({{0, 0}, {10, 0}, {20, 0}});
  EXPECT_EQ(nw_net_calc_network(row.ptrs.data(), 3, 10, NW_KEY_LENGTH, &tri), 0);
  nw_net_free_triangles(&tri);
  EXPECT_EQ(tri, nullptr);

  // a square: two triangles split along the diagonal that sorts first
  Nodes sq({{0, 0}, {10, 0}, {0, 10}, {10, 10}});
  ASSERT_EQ(nw_net_calc_network(sq.ptrs.data(), 4, 10, NW_KEY_LENGTH, &tri), 2);
  EXPECT_EQ(ids(tri[0]), (std::set<int>{1, 2, 4}));
  EXPECT_EQ(ids(tri[1]), (std::set<int>{1, 3, 4}));
  EXPECT_EQ(tri[2], nullptr);
  EXPECT_EQ(tri[0]->cx, 20 / 3);
  EXPECT_EQ(tri[0]->cy, 10 / 3);
  nw_net_free_triangles(&tri);

  // a rectangle: the shorter diagonal
  Nodes rect({{0, 0}, {40, 0}, {0, 10}, {40, 12}});
  ASSERT_EQ(nw_net_calc_network(rect.ptrs.data(), 4, 10, NW_KEY_LENGTH, &tri), 2);
  EXPECT_EQ(ids(tri[0]), (std::set<int>{1, 2, 3}));
  EXPECT_EQ(ids(tri[1]), (std::set<int>{2, 3, 4}));
  nw_net_free_triangles(&tri);

  // too flat for a 10 degree limit but not for 1
  Nodes flat({{0, 0}, {100, 0}, {50, 2}});
  EXPECT_EQ(nw_net_calc_network(flat.ptrs.data(), 3, 10, NW_KEY_LENGTH, &tri), 0);
  nw_net_free_triangles(&tri);
  EXPECT_EQ(nw_net_calc_network(flat.ptrs.data(), 3, 1, NW_KEY_LENGTH, &tri), 1);
  nw_net_free_triangles(&tri);

  // a node inside a larger triangle is not left uncovered by it
  Nodes inner({{0, 0}, {100, 0}, {50, 90}, {50, 30}});
  const int n = nw_net_calc_network(inner.ptrs.data(), 4, 10, NW_KEY_LENGTH, &tri);
  EXPECT_EQ(n, 3);
  for (int i = 0; i < n; ++i) EXPECT_TRUE(ids(tri[i]).count(4)) << i;
  nw_net_free_triangles(&tri);
}

TEST(NwNetwork, FindCopyAndSignedIdentifiers) {
  Nodes sq({{0, 0}, {10, 0}, {0, 10}, {10, 10}});
  sq.spots[3].f1 |= SP_F1_NET_NEG;
  NW_TRIANGLE** tri = nullptr;
  const int n = nw_net_calc_network(sq.ptrs.data(), 4, 10, NW_KEY_LENGTH, &tri);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(ids(tri[0]), (std::set<int>{1, 2, -4}));
  SPOT band{};
  NW_TRIANGLE* found = nullptr;
  band.x = 8;
  band.y = 2;
  nw_net_find_triangle(&band, tri, n, &found);
  EXPECT_EQ(found, tri[0]);
  band.x = 10;  // on the shared edge: the first
  band.y = 10;
  nw_net_find_triangle(&band, tri, n, &found);
  EXPECT_EQ(found, tri[0]);
  band.x = -50;  // outside: the nearest centroid
  band.y = 9;
  nw_net_find_triangle(&band, tri, n, &found);
  EXPECT_EQ(found, tri[1]);

  // the copy resolves identifiers in another node set and recomputes centroids
  Nodes moved({{100, 100}, {110, 100}, {100, 110}, {110, 110}});
  moved.spots[3].f1 |= SP_F1_NET_NEG;
  NW_TRIANGLE** copy = nullptr;
  ASSERT_EQ(nw_net_copy_triangles(tri, n, moved.ptrs.data(), 4, &copy), 1);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy[2], nullptr);
  EXPECT_EQ(copy[0]->node[2], &moved.spots[3]);
  EXPECT_EQ(copy[0]->cx, (100 + 110 + 110) / 3);
  nw_net_free_triangles(&copy);
  nw_net_free_triangles(&tri);
}

STD_MARKER pt(double x, double y, double v) {
  STD_MARKER m;
  std_marker_clear(&m);
  m.x = x;
  m.y = y;
  m.value = v;
  return m;
}

TEST(StdTint, ReproducesThePlaneAndItsTransforms) {
  struct Tri {
    double ax, ay, bx, by, cx, cy;
  };
  const Tri tris[] = {{0, 0, 100, 10, 30, 80},
                      {10, 10, 10, 90, 80, 50},   // a vertical side
                      {5, 5, 90, 5, 5, 95},       // a right angle
                      {50, 0, 0, 100, 100, 100}};
  auto plane = [](double x, double y) { return 3 * x - 2 * y + 700; };
  struct Method {
    int code;
    double (*value)(double);
  };
  const Method methods[] = {
      {STD_TRI_LINEAR, [](double p) { return p; }},
      {STD_TRI_LOG, [](double p) { return std::exp(p / 100); }},
      {STD_TRI_EXP, [](double p) { return std::log(p); }},
  };
  for (const Method& m : methods) {
    for (const Tri& t : tris) {
      const STD_MARKER a = pt(t.ax, t.ay, m.value(plane(t.ax, t.ay)));
      const STD_MARKER b = pt(t.bx, t.by, m.value(plane(t.bx, t.by)));
      const STD_MARKER c = pt(t.cx, t.cy, m.value(plane(t.cx, t.cy)));
      for (double u = 0.05; u < 1; u += 0.15) {
        for (double w = 0.05; u + w < 1; w += 0.15) {
          const double x = t.ax + u * (t.bx - t.ax) + w * (t.cx - t.ax);
          const double y = t.ay + u * (t.by - t.ay) + w * (t.cy - t.ay);
          const double want = m.value(plane(x, y));
          const double got = std_tint(x, y, &a, &b, &c, m.code);
          EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want)))
              << "method " << m.code << " at " << x << "," << y;
        }
      }
      // at the vertices
      EXPECT_NEAR(std_tint(t.cx, t.cy, &a, &b, &c, m.code), c.value, 1e-9 * std::fabs(c.value));
    }
  }
}

TEST(StdTint, DegenerateTriangles) {
  const STD_MARKER a = pt(0, 0, 5), b = pt(10, 0, 5), c = pt(0, 10, 5);
  EXPECT_EQ(std_tint(3, 3, &a, &b, &c, STD_TRI_LINEAR), 5);  // one value everywhere
  EXPECT_EQ(std_tint(300, -70, &a, &b, &c, STD_TRI_LOG), 5);
  const STD_MARKER f1 = pt(0, 0, 1), f2 = pt(100, 1, 2), f3 = pt(50, 0.6, 3);
  EXPECT_EQ(std_tint(40, 0.4, &f1, &f2, &f3, STD_TRI_LINEAR), NV);  // too flat
  const STD_MARKER v1 = pt(0, 0, 1), v2 = pt(0, 10, 2), v3 = pt(0, 20, 3);
  EXPECT_EQ(std_tint(0, 5, &v1, &v2, &v3, STD_TRI_LINEAR), NV);  // all on one vertical
  EXPECT_EQ(std_tint(0, 5, nullptr, &v2, &v3, STD_TRI_LINEAR), NV);
}

TEST(StdTint, FindNodeByRoundedPosition) {
  auto l = stdtest::make_list({{10.4, 20.6, 1, 0}, {10.5, 20.5, 2, 0}});
  STD_MARKER* m = std_tint_find_node(l.get(), 10, 21);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->value, 1);
  m = std_tint_find_node(l.get(), 11, 21);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->value, 2);
  EXPECT_EQ(std_tint_find_node(l.get(), 10, 20), nullptr);
}

}  // namespace
