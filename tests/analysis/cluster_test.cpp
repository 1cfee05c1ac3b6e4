// Clustering of matched lanes: hand cases for the tie, orientation and mirror rules, and scipy
// and scikit-bio as oracles on random and additive matrices.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "base/ks_msg.h"
#include "cluster_fixture.h"
#include "test_support.h"

using namespace clustertest;

namespace {

std::vector<int> order(const DNDR_REC* r) {
  std::vector<int> o;
  for (int p = 0; p < dndr_leaf_count(r); ++p) o.push_back(dndr_leaf_at(r, p));
  return o;
}

float dist4(int i, int j, float pair, float cross_best, int best_i, int best_j) {
  if ((i == 1 && j == 0) || (i == 3 && j == 2)) return pair;
  if ((i == best_i && j == best_j) || (i == best_j && j == best_i)) return cross_best;
  return 40.0f;
}

}  // namespace

TEST(Cluster, OneLaneIsASingleLeaf) {
  for (int choice = 1; choice <= 4; ++choice) {
    Mr m = matrix(1, [](int, int) { return 0.0f; });
    Rec r(dndr_new(m.get(), dndr_rule_of_choice(choice)));
    ASSERT_NE(r->root, nullptr);
    EXPECT_TRUE(ks_tree_is_leaf(r->root));
    EXPECT_EQ(cluster_of(r->root)->position, 0.0f);
    EXPECT_EQ(cluster_of(r->root)->height, 0.0f);
    EXPECT_EQ(order(r.get()), std::vector<int>{0});
    EXPECT_EQ(dndr_leaf_at(r.get(), -1), -1);
    EXPECT_EQ(dndr_leaf_at(r.get(), 1), -1);
  }
}

TEST(Cluster, TiedPairsMergeInOneStepAtOneHeight) {
  // Three lanes at one distance: (1,0), (2,0) and (2,1) all merge at 10.
  Mr three = matrix(3, [](int, int) { return 10.0f; });
  Rec a(dndr_new(three.get(), dndr_link_average));
  EXPECT_EQ(cluster_of(a->root)->height, 10.0f);
  EXPECT_EQ(cluster_of(a->root)->count, 3);
  // d(1,0) = d(2,1) = 10, d(2,0) = 30: maximum linkage still joins all at 10, because both
  // pairs held the smallest value when the step began.
  Mr chain = matrix(3, [](int i, int j) { return i - j == 2 ? 30.0f : 10.0f; });
  Rec b(dndr_new(chain.get(), dndr_link_max));
  const auto h = lca_heights(b->root, 3);
  EXPECT_EQ(h[0][1], 10.0f);
  EXPECT_EQ(h[0][2], 10.0f);
  EXPECT_EQ(h[1][2], 10.0f);
  EXPECT_EQ(order(b.get()), (std::vector<int>{0, 1, 2}));
}

TEST(Cluster, JoinsAreOrientedByTheClosestEndLeaves) {
  // Pairs A = (0,1) and B = (2,3) form at 5; the cross distance that is smallest decides the
  // join: d3 = (last A, first B) keeps the order, d2 = (first A, last B) puts B first, d1 =
  // (first A, first B) mirrors A, d4 = (last A, last B) mirrors B.
  struct Case {
    int bi, bj;
    float pair;
    std::vector<int> want;
  } cases[] = {
      {2, 1, 5, {0, 1, 2, 3}},  // d3
      {3, 0, 5, {2, 3, 0, 1}},  // d2
      {2, 0, 5, {1, 0, 2, 3}},  // d1
      {3, 1, 5, {0, 1, 3, 2}},  // d4
      {2, 0, 0, {0, 1, 2, 3}},  // d1, but A formed at height 0 is not mirrored
  };
  for (const Case& c : cases) {
    Mr m = matrix(4, [&](int i, int j) { return dist4(i, j, c.pair, 20.0f, c.bi, c.bj); });
    Rec r(dndr_new(m.get(), dndr_link_max));
    EXPECT_EQ(order(r.get()), c.want) << "best (" << c.bi << "," << c.bj << ") pair " << c.pair;
    EXPECT_EQ(cluster_of(r->root)->height, 40.0f);
    // Positions: leaves 0..3 left to right, inner nodes the mean of their children.
    EXPECT_EQ(cluster_of(r->root)->position, 1.5f);
  }
}

TEST(Cluster, NeighbourJoiningTwoLanesAndANegativeBranch) {
  Mr two = matrix(2, [](int, int) { return 10.0f; });
  Rec r(dndr_new(two.get(), dndr_link_nj));
  EXPECT_EQ(cluster_of(r->root)->height, 5.0f);
  EXPECT_EQ(leaf_heights(r->root, 2), (std::vector<float>{0.0f, 0.0f}));

  // d(1,0) = 10, d(2,0) = 2, d(2,1) = 30: every q ties, (1,0) is taken first; lane 0's branch
  // -9 is stored as 0 and lane 1's becomes 10 + 9 = 19; the last two halves share 11.
  Mr neg = matrix(3, [](int i, int j) {
    if (i == 1) return 10.0f;
    return j == 0 ? 2.0f : 30.0f;
  });
  Rec n(dndr_new(neg.get(), dndr_link_nj));
  EXPECT_FLOAT_EQ(cluster_of(n->root)->height, 24.5f);
  const auto h = leaf_heights(n->root, 3);
  EXPECT_FLOAT_EQ(h[0], 19.0f);
  EXPECT_FLOAT_EQ(h[1], 0.0f);
  EXPECT_FLOAT_EQ(h[2], 19.0f);
}

// Oracles ---------------------------------------------------------------------------------------

namespace {

void write_full(const std::string& path, const std::vector<std::vector<float>>& d) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fprintf(f, "%zu\n", d.size());
  for (const auto& row : d) {
    for (float v : row) std::fprintf(f, "%.9g ", static_cast<double>(v));
    std::fprintf(f, "\n");
  }
  std::fclose(f);
}

std::vector<std::vector<double>> read_full(std::ifstream& in, int n) {
  std::vector<std::vector<double>> m(n, std::vector<double>(n));
  for (auto& row : m)
    for (double& v : row) in >> v;
  return m;
}

bool oracle(const std::string& args) {
  const std::string script = (vxtest::source_dir() / "tests/analysis/cluster_oracle.py").string();
  return std::system(("/usr/bin/python3 '" + script + "' " + args).c_str()) == 0;
}

// Random matrices without ties, as floats (the matrix's own precision).
std::vector<std::vector<float>> random_matrix(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(1.0f, 99.0f);
  std::vector<std::vector<float>> d(n, std::vector<float>(n, 0.0f));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j) d[i][j] = d[j][i] = u(rng);
  return d;
}

// Path lengths of a random tree with positive branches: an additive matrix.
std::vector<std::vector<float>> additive_matrix(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> len(0.5, 8.0);
  // Nodes: leaves 0..n-1, inner nodes after; each inner node joins two random roots.
  std::vector<int> parent(2 * n - 1, -1);
  std::vector<double> branch(2 * n - 1, 0.0);
  std::vector<int> roots;
  for (int i = 0; i < n; ++i) roots.push_back(i);
  int next = n;
  while (roots.size() > 1) {
    std::uniform_int_distribution<std::size_t> pick(0, roots.size() - 1);
    const std::size_t a = pick(rng);
    const int ra = roots[a];
    roots.erase(roots.begin() + static_cast<long>(a));
    std::uniform_int_distribution<std::size_t> pick2(0, roots.size() - 1);
    const std::size_t b = pick2(rng);
    const int rb = roots[b];
    parent[ra] = parent[rb] = next;
    branch[ra] = len(rng);
    branch[rb] = len(rng);
    roots[b] = next++;
  }
  auto depth = [&](int x) {
    double s = 0;
    for (; parent[x] >= 0; x = parent[x]) s += branch[x];
    return s;
  };
  auto lca = [&](int a, int b) {
    std::vector<int> up;
    for (int x = a; x >= 0; x = parent[x]) up.push_back(x);
    for (int x = b; x >= 0; x = parent[x])
      if (std::find(up.begin(), up.end(), x) != up.end()) return x;
    return -1;
  };
  std::vector<std::vector<float>> d(n, std::vector<float>(n, 0.0f));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j)
      d[i][j] = d[j][i] = static_cast<float>(depth(i) + depth(j) - 2 * depth(lca(i, j)));
  return d;
}

}  // namespace

TEST(ClusterOracle, LinkageAgreesWithScipyOnCopheneticDistances) {
  vxtest::TempDir dir;
  const char* methods[] = {"single", "complete", "average"};
  const DNDR_LINK_FN rules[] = {dndr_link_min, dndr_link_max, dndr_link_average};
  const int sizes[] = {4, 9, 17, 30};
  for (int mth = 0; mth < 3; ++mth) {
    std::string args = std::string("linkage ") + methods[mth];
    for (int s = 0; s < 4; ++s) {
      write_full(dir.file("m" + std::to_string(s)), random_matrix(sizes[s], 100u + s));
      args += " " + dir.file("m" + std::to_string(s)) + " " + dir.file("c" + std::to_string(s));
    }
    ASSERT_TRUE(oracle(args)) << "python3 with scipy is needed";
    for (int s = 0; s < 4; ++s) {
      const int n = sizes[s];
      const auto d = random_matrix(n, 100u + s);
      Mr m = matrix(n, [&](int i, int j) { return d[i][j]; });
      Rec r(dndr_new(m.get(), rules[mth]));
      const auto h = lca_heights(r->root, n);
      std::ifstream in(dir.file("c" + std::to_string(s)));
      const auto want = read_full(in, n);
      ASSERT_TRUE(in) << "oracle output";
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j)
          ASSERT_NEAR(h[i][j], want[i][j], 1e-3) << methods[mth] << " n=" << n << " (" << i
                                                   << "," << j << ")";
    }
  }
}

TEST(ClusterOracle, NeighbourJoiningPathLengthsAgreeWithScikitBio) {
  vxtest::TempDir dir;
  struct M {
    std::vector<std::vector<float>> d;
    bool additive;
  };
  std::vector<M> ms;
  for (int n : {4, 7, 12, 25}) ms.push_back({additive_matrix(n, 7u * n), true});
  for (int n : {4, 5, 6, 8, 10, 14}) ms.push_back({random_matrix(n, 300u + n), false});
  std::string args = "nj";
  for (std::size_t k = 0; k < ms.size(); ++k) {
    write_full(dir.file("m" + std::to_string(k)), ms[k].d);
    args += " " + dir.file("m" + std::to_string(k)) + " " + dir.file("t" + std::to_string(k));
  }
  ASSERT_TRUE(oracle(args)) << "python3 with scikit-bio is needed";
  int compared_random = 0;
  for (std::size_t k = 0; k < ms.size(); ++k) {
    const int n = static_cast<int>(ms[k].d.size());
    std::ifstream in(dir.file("t" + std::to_string(k)));
    std::string sign;
    in >> sign;
    const auto want = read_full(in, n);
    ASSERT_TRUE(in);
    if (ms[k].additive) {
      EXPECT_EQ(sign, "ok");
    }
    if (sign != "ok") continue;
    compared_random += !ms[k].additive;
    Mr m = matrix(n, [&](int i, int j) { return ms[k].d[i][j]; });
    Rec r(dndr_new(m.get(), dndr_link_nj));
    const auto lca = lca_heights(r->root, n);
    const auto leaf = leaf_heights(r->root, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < i; ++j) {
        const double path = (lca[i][j] - leaf[i]) + (lca[i][j] - leaf[j]);
        ASSERT_NEAR(path, want[i][j], 2e-3 * (1 + want[i][j])) << "matrix " << k << " (" << i
                                                                << "," << j << ")";
      }
  }
  EXPECT_GT(compared_random, 0) << "no random matrix without negative branches";
}

TEST(Cluster, LeafPositionsOfLargeTreesMapPastSixteenBits) {
  // 2,000 leaves two text lines apart reach beyond 32,767 pixels.
  ks_scale s;
  ks_scale_init(&s, 0, 0.0, 1999.0, 10, 10 + 1999 * 30);
  EXPECT_EQ(ks_scale_to_pixel(&s, 1999.0), 59980);
  EXPECT_EQ(ks_scale_from_pixel(&s, 59980), 1999.0);
  // A one-lane tree's empty range maps to the first pixel.
  ks_scale_init(&s, 0, 0.0, 0.0, 10, 500);
  EXPECT_EQ(ks_scale_to_pixel(&s, 0.0), 10);
}

TEST(Cluster, SeveralMatricesEachFreeTheirOwnRows) {
  // Matrices of different sizes alive together, freed in either order, with their trees.
  for (bool newest_first : {true, false}) {
    MATCH_MATRIX* a = ks_mr_new(3);
    MATCH_MATRIX* b = ks_mr_new(7);
    for (MATCH_MATRIX* m : {a, b})
      for (int i = 0; i < ks_mr_count(m); ++i) ks_mr_set_entry(m, i, "gel:1:", "/g.kes");
    DNDR_REC* ra = dndr_new(a, dndr_link_average);
    DNDR_REC* rb = dndr_new(b, dndr_link_nj);
    EXPECT_EQ(dndr_leaf_count(ra), 3);
    EXPECT_EQ(dndr_leaf_count(rb), 7);
    dndr_free(newest_first ? rb : ra);
    ks_mr_free(newest_first ? b : a);
    dndr_free(newest_first ? ra : rb);
    ks_mr_free(newest_first ? a : b);
  }
}

namespace {

// The linkage rules under other names, so that the builder takes them through its literal
// steps on the working matrix instead of its fast path.
float literal_min(const DNDR_ARRAY& a, const ks_hmatx* m, int k, int i, int j) {
  return dndr_link_min(a, m, k, i, j);
}
float literal_max(const DNDR_ARRAY& a, const ks_hmatx* m, int k, int i, int j) {
  return dndr_link_max(a, m, k, i, j);
}
float literal_average(const DNDR_ARRAY& a, const ks_hmatx* m, int k, int i, int j) {
  return dndr_link_average(a, m, k, i, j);
}

// Empty when the trees are the same node for node (heights and positions bit for bit), else
// where they first differ.
std::string tree_difference(const ks_tree* a, const ks_tree* b, const std::string& at = "root") {
  if (ks_tree_is_leaf(a) != ks_tree_is_leaf(b)) return at + ": leaf and join";
  const CLUSTER *ca = cluster_of(a), *cb = cluster_of(b);
  if (ca->id != cb->id || ca->first != cb->first || ca->last != cb->last ||
      ca->count != cb->count || std::memcmp(&ca->height, &cb->height, sizeof(float)) != 0 ||
      std::memcmp(&ca->position, &cb->position, sizeof(float)) != 0)
    return at + ": node " + std::to_string(ca->id) + "/" + std::to_string(cb->id) + " height " +
           std::to_string(ca->height) + "/" + std::to_string(cb->height);
  if (ks_tree_is_leaf(a)) return "";
  const std::string l = tree_difference(a->left, b->left, at + "L");
  return l.empty() ? tree_difference(a->right, b->right, at + "R") : l;
}

}  // namespace

TEST(Cluster, ProgressShowsInTheStatusLineWithoutAMessagePerJoin) {
  // Every text the status line is given while each rule builds a 300-lane tree: the count of
  // clusters first, then no more than one text per tenth of a second of the build, and the line
  // cleared at the end.
  static std::vector<std::string> texts;
  struct Restore {
    KsMsgHooks saved = ks_msg_hooks();
    ~Restore() { ks_msg_set_hooks(saved); }
  } restore;
  KsMsgHooks hooks = restore.saved;
  hooks.set_label = [](TkObject*, const char* text) { texts.push_back(text); };
  hooks.flush = nullptr;
  ks_msg_set_hooks(hooks);
  const int n = 300;
  std::mt19937 g(7);
  std::vector<float> cells;
  for (int k = 0; k < n * (n - 1) / 2; ++k)
    cells.push_back(std::uniform_real_distribution<float>(1, 99)(g));
  Mr m = matrix(n, [&](int i, int j) {
    if (i < j) std::swap(i, j);
    return cells[static_cast<std::size_t>(i) * (i - 1) / 2 + j];
  });
  for (DNDR_LINK_FN rule : {dndr_link_min, dndr_link_max, dndr_link_average, dndr_link_nj}) {
    texts.clear();
    const auto t0 = std::chrono::steady_clock::now();
    Rec r(dndr_new(m.get(), rule));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_TRUE(r && r->root);
    ASSERT_GE(texts.size(), 2u) << dndr_choice_of_rule(rule);
    EXPECT_EQ(texts.front(), "Building graph: 300 clusters remaining...");
    EXPECT_EQ(texts.back(), "");
    for (std::size_t k = 0; k + 1 < texts.size(); ++k)
      EXPECT_EQ(texts[k].rfind("Building graph: ", 0), 0u) << texts[k];
    EXPECT_LE(static_cast<double>(texts.size()), 2 + ms / 100) << dndr_choice_of_rule(rule);
  }
}

TEST(Cluster, LinkageBuildsTheTreesOfTheLiteralSteps) {
  // Random matrices without ties, with a few values repeated, with most cells tied, with
  // cells above 127 (never counted as the smallest) and with cells that are not numbers.
  struct Kind {
    const char* name;
    std::function<float(std::mt19937&)> cell;
  };
  const Kind kinds[] = {
      {"distinct", [](std::mt19937& g) { return std::uniform_real_distribution<float>(1, 99)(g); }},
      {"some ties", [](std::mt19937& g) { return float(std::uniform_int_distribution<int>(1, 200)(g)) / 2; }},
      {"tie-heavy", [](std::mt19937& g) { return float(10 * std::uniform_int_distribution<int>(1, 4)(g)); }},
      {"from 127", [](std::mt19937& g) {
         const float v[] = {127.0f, 127.5f, 130.0f, 150.0f};
         return v[std::uniform_int_distribution<int>(0, 3)(g)];
       }},
      {"not numbers", [](std::mt19937& g) {
         const int v = std::uniform_int_distribution<int>(0, 30)(g);
         return v == 0 ? std::nanf("") : float(v);
       }},
  };
  const DNDR_LINK_FN fast[] = {dndr_link_min, dndr_link_max, dndr_link_average};
  const DNDR_LINK_FN literal[] = {literal_min, literal_max, literal_average};
  for (const Kind& kind : kinds)
    for (int n : {2, 3, 7, 40, 120})
      for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 g(seed * 1000 + n);
        std::vector<std::vector<float>> d(n, std::vector<float>(n, 0.0f));
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < i; ++j) d[i][j] = d[j][i] = kind.cell(g);
        Mr m = matrix(n, [&](int i, int j) { return d[i][j]; });
        for (int r = 0; r < 3; ++r) {
          Rec a(dndr_new(m.get(), fast[r]));
          Rec b(dndr_new(m.get(), literal[r]));
          ASSERT_EQ(tree_difference(a->root, b->root), "")
              << kind.name << " n=" << n << " seed " << seed << " rule " << r;
          EXPECT_EQ(order(a.get()), order(b.get()));
        }
      }
}

namespace {

// The tree as nested brackets of leaf rows, left child first: "((0,1),2)".
std::string shape(const ks_tree* node) {
  if (ks_tree_is_leaf(node)) return std::to_string(cluster_of(node)->id);
  return "(" + shape(node->left) + "," + shape(node->right) + ")";
}

// Neighbour joining worked out independently, on a full matrix of doubles: the pair with the
// smallest d - (R_i + R_j) / (n - 2) (the first with i = 1.., j = 0..i-1), the lower index's
// branch d / 2 + (R_a - R_b) / (2 (n - 2)) and the higher's the rest of d, each stored as 0
// when negative, and the joined cluster's distances (d_ka + d_kb - d) / 2 at the lower index,
// left child the lower. Stops at four clusters, where pairs tie by the method itself and
// rounding decides. Gives the four clusters' shapes and each subtree's branch inside them.
struct Joined {
  std::vector<std::string> clusters;
  std::map<std::string, double> branch;
};
Joined join_independently(const std::vector<std::vector<float>>& matrix) {
  const std::size_t n0 = matrix.size();
  std::vector<std::vector<double>> d(n0, std::vector<double>(n0));
  for (std::size_t i = 0; i < n0; ++i)
    for (std::size_t j = 0; j < n0; ++j) d[i][j] = matrix[i][j];
  std::vector<std::string> name;
  for (std::size_t k = 0; k < n0; ++k) name.push_back(std::to_string(k));
  Joined out;
  while (name.size() > 4) {
    const std::size_t n = name.size();
    std::vector<double> r(n, 0.0);
    for (std::size_t k = 0; k < n; ++k)
      for (std::size_t m = 0; m < n; ++m) r[k] += d[k][m];
    std::size_t a = 0, b = 1;
    double best = 0;
    for (std::size_t i = 1; i < n; ++i)
      for (std::size_t j = 0; j < i; ++j) {
        const double q = d[i][j] - (r[i] + r[j]) / double(n - 2);
        if ((i == 1 && j == 0) || q < best) best = q, a = j, b = i;
      }
    const double dab = d[a][b];
    const double ba = dab * 0.5 + (r[a] - r[b]) / double(2 * (n - 2));
    out.branch[name[a]] = std::max(ba, 0.0);
    out.branch[name[b]] = std::max(dab - ba, 0.0);
    for (std::size_t k = 0; k < n; ++k)
      if (k != a && k != b) d[k][a] = d[a][k] = (d[k][a] + d[k][b] - dab) * 0.5;
    name[a] = "(" + name[a] + "," + name[b] + ")";
    name.erase(name.begin() + static_cast<std::ptrdiff_t>(b));
    d.erase(d.begin() + static_cast<std::ptrdiff_t>(b));
    for (auto& row : d) row.erase(row.begin() + static_cast<std::ptrdiff_t>(b));
  }
  out.clusters = name;
  return out;
}

void subtrees(const ks_tree* node, std::map<std::string, const ks_tree*>* out) {
  (*out)[shape(node)] = node;
  if (ks_tree_is_leaf(node)) return;
  subtrees(node->left, out);
  subtrees(node->right, out);
}

}  // namespace

TEST(Cluster, NeighbourJoiningAgreesWithAnIndependentJoiningOnTieFreeMatrices) {
  // A node's branch is its parent's height less its own.
  std::mt19937 gen(29);
  std::uniform_real_distribution<float> cell(1.0f, 100.0f);
  int zero = 0;
  for (int n : {5, 7, 15, 40, 90})
    for (int round = 0; round < 3; ++round) {
      std::vector<std::vector<float>> d(n, std::vector<float>(n, 0.0f));
      for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) d[i][j] = d[j][i] = cell(gen);
      Mr m = matrix(n, [&](int i, int j) { return d[i][j]; });
      Rec r(dndr_new(m.get(), dndr_link_nj));
      const Joined want = join_independently(d);
      std::map<std::string, const ks_tree*> in_tree;
      subtrees(r->root, &in_tree);
      for (const std::string& c : want.clusters) {
        ASSERT_TRUE(in_tree.count(c)) << "no subtree " << c << " in " << shape(r->root);
        std::map<std::string, const ks_tree*> inside;
        subtrees(in_tree[c], &inside);
        for (const auto& [s, node] : inside) {
          if (node->left == nullptr) continue;  // a leaf: checked through its parent
          const float h = cluster_of(node)->height;
          for (const ks_tree* child : {node->left, node->right}) {
            const double b = want.branch.at(shape(child));
            zero += b == 0.0;
            EXPECT_NEAR(h - cluster_of(child)->height, b, 1e-3 * (1 + b)) << shape(child);
          }
        }
      }
    }
  EXPECT_GT(zero, 0) << "no negative branch was stored as 0";
}
