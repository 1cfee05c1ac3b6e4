// Clustering of matched lanes: see dndr.h.
#include "analysis/dndr.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "model/match_matrix.h"
#include "base/ks_mem.h"
#include "base/min_tree.h"
#include "base/ks_msg.h"
#include "shell/gt_image_win.h"
#include "toolkit/core/tk_block.h"

CLUSTER* cluster_new(int id, int count, float height, int first, int last) {
  auto* c = ks_new_rec<CLUSTER>();
  if (!c) return nullptr;
  *c = {id, first, last, count, height, -1.0f};
  return c;
}

void cluster_free(void* c) { ks_free(c); }

CLUSTER* cluster_of(const ks_tree* node) { return static_cast<CLUSTER*>(ks_tree_data(node)); }

void cluster_set_height(CLUSTER* c, float h) { c->height = h > 0 ? h : 0.0f; }

float dndr_link_min(const DNDR_ARRAY&, const ks_hmatx* m, int k, int i, int j) {
  const float a = ks_hmatx_get(m, k, i), b = ks_hmatx_get(m, k, j);
  return b < a ? b : a;
}

float dndr_link_max(const DNDR_ARRAY&, const ks_hmatx* m, int k, int i, int j) {
  const float a = ks_hmatx_get(m, k, i), b = ks_hmatx_get(m, k, j);
  return b > a ? b : a;
}

float dndr_link_average(const DNDR_ARRAY& arr, const ks_hmatx* m, int k, int i, int j) {
  const int ni = cluster_of(arr[i])->count, nj = cluster_of(arr[j])->count;
  const long double s = static_cast<long double>(ni) * ks_hmatx_get(m, k, i) +
                        static_cast<long double>(nj) * ks_hmatx_get(m, k, j);
  return static_cast<float>(s / (ni + nj));
}

float dndr_link_nj(const DNDR_ARRAY&, const ks_hmatx* m, int k, int i, int j) {
  return static_cast<float>(
      (static_cast<double>(ks_hmatx_get(m, k, i)) + ks_hmatx_get(m, k, j) - ks_hmatx_get(m, i, j)) *
      0.5);
}

DNDR_LINK_FN dndr_rule_of_choice(int choice) {
  switch (choice) {
    case 1: return dndr_link_min;
    case 2: return dndr_link_max;
    case 3: return dndr_link_average;
    case 4: return dndr_link_nj;
    default: return nullptr;
  }
}

int dndr_choice_of_rule(DNDR_LINK_FN rule) {
  for (int c = 1; c <= 4; ++c)
    if (dndr_rule_of_choice(c) == rule) return c;
  return 0;
}

namespace {

// Joins the pairs of cluster positions in their order: join(i, j) for each pair of positions
// i < j that still names two clusters; after each join the later pairs follow it (position j
// becomes i, the positions after j move down one).
template <class Join>
void join_pairs(std::vector<std::pair<int, int>>& pairs, Join&& join) {
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const int j = std::max(pairs[p].first, pairs[p].second);
    const int i = std::min(pairs[p].first, pairs[p].second);
    if (i == j) continue;
    join(i, j);
    for (std::size_t q = p + 1; q < pairs.size(); ++q)
      for (int* x : {&pairs[q].first, &pairs[q].second}) {
        if (*x == j) *x = i;
        else if (*x > j) --*x;
      }
  }
}

// The build's progress in the status line, "Building graph: N clusters remaining...": the first
// step's at once, then at most ten a second, so that a long build shows it going down while a
// short one does not pay for a message per join.
class Progress {
 public:
  void post(int remaining) {
    const auto now = std::chrono::steady_clock::now();
    if (posted_ && now - last_ < std::chrono::milliseconds(100)) return;
    posted_ = true;
    last_ = now;
    mh_status_message(gt_get_status_bar(), 1, "Building graph: %d clusters remaining...",
                      remaining);
  }

 private:
  bool posted_ = false;
  std::chrono::steady_clock::time_point last_;
};

struct Builder {
  const MATCH_MATRIX* mr;
  DNDR_LINK_FN rule;
  ks_hmatx* work;
  DNDR_ARRAY arr;
  Progress progress;

  // d(i,k) = rule(k, i, j) for every other cluster k, then row and column j go.
  void update_matrix(int i, int j) {
    const int n = static_cast<int>(arr.size());
    for (int k = 0; k < n; ++k)
      if (k != i && k != j) ks_hmatx_set(work, i, k, rule(arr, work, k, i, j));
    ks_hmatx_remove(work, j);
  }

  static void mirror(ks_tree* node) {
    CLUSTER* c = cluster_of(node);
    if (ks_tree_is_leaf(node) || c->height == 0) return;
    mirror(node->left);
    mirror(node->right);
    std::swap(node->left, node->right);
    c->first = cluster_of(node->left)->first;
    c->last = cluster_of(node->right)->last;
  }

  // Orients A and B by the distances of their end leaves in the match matrix.
  void orient(ks_tree*& a, ks_tree*& b) const {
    const CLUSTER *ca = cluster_of(a), *cb = cluster_of(b);
    const float d1 = ks_mr_dist(mr, ca->first, cb->first);
    const float d2 = ks_mr_dist(mr, ca->first, cb->last);
    const float d3 = ks_mr_dist(mr, ca->last, cb->first);
    const float d4 = ks_mr_dist(mr, ca->last, cb->last);
    float best = d3;
    int which = 3;
    if (d2 < best) best = d2, which = 2;
    if (d1 < best) best = d1, which = 1;
    if (d4 < best) best = d4, which = 4;
    if (which == 2) std::swap(a, b);
    if (which == 1) mirror(a);
    if (which == 4) mirror(b);
  }

  void put_join(int i, int j, ks_tree* left, ks_tree* right, float h) {
    const CLUSTER *cl = cluster_of(left), *cr = cluster_of(right);
    CLUSTER* c = cluster_new(-1, cl->count + cr->count, h, cl->first, cr->last);
    arr[i] = ks_tree_join(left, right, c);
    arr.erase(arr.begin() + j);
  }

  void join(int i, int j, float h) {
    ks_tree *a = arr[i], *b = arr[j];
    orient(a, b);
    put_join(i, j, a, b, h);
  }

  void linkage_step() {
    int* raw = nullptr;
    const int cnt = ks_hmatx_min_pairs(work, &raw);
    std::vector<std::pair<int, int>> pairs;
    for (int k = 0; k < cnt; ++k) pairs.emplace_back(raw[2 * k], raw[2 * k + 1]);
    ks_free(raw);
    // Distances always lie below the scan's start; should none, the first cell is merged.
    if (pairs.empty()) pairs.emplace_back(1, 0);
    const float h = ks_hmatx_get(work, pairs[0].first, pairs[0].second);
    join_pairs(pairs, [&](int i, int j) {
      update_matrix(i, j);
      join(i, j, h);
    });
  }

  // Minimum linkage from a minimum spanning tree of the cells, with the steps of linkage_step:
  // a step's height is the next weight of the tree, and the clusters it joins are those that
  // hold the ends of the cells of that value. Where the tree has one edge of a weight, the step
  // joins the two clusters holding its ends; where it has several, every pair of clusters
  // with a cell of that value is joined in cell order with the renumbering of linkage_step. A
  // cluster's row is its lowest leaf row, as linkage_step keeps the lower row of a join. The
  // cells are read from `cells` (packed lower triangle of the clusters' rows), which is not
  // changed, so the match matrix's own cells serve without a working copy. False, with nothing
  // done, when a cell is no number or above 127 (those steps are the step procedure's own) or
  // memory runs out.
  bool spanning_tree_linkage(const float* cells) {
    const int n = static_cast<int>(arr.size());
    if (n < 2) return true;
    const std::size_t un = static_cast<std::size_t>(n);
    // A small matrix is read in its packed cells; a larger one is made a full matrix, in large
    // pages (a fresh block is most of a first build's cost), so that every row lies in order.
    const bool packed = un <= KS_PACKED_TREE_MAX;
    unsigned counted = 1;
    std::optional<TkZeroArray<float>> full;
    if (packed) {
      const std::size_t cell_count = un * (un - 1) / 2;
      for (std::size_t k = 0; k < cell_count; ++k)
        counted &= static_cast<unsigned>(cells[k] <= 127.0f);
    } else {
      full.emplace(un * un);
      if (!full->data()) return false;
      float* const d = full->data();
      for (int r = 0; r < n; ++r) {
        const float* __restrict src = cells + static_cast<std::size_t>(r) * (r - 1) / 2;
        float* __restrict row = d + r * un;
        for (int c = 0; c < r; ++c) {
          counted &= static_cast<unsigned>(src[c] <= 127.0f);
          row[c] = src[c];
        }
      }
    }
    if (!counted) return false;
    if (!packed) ks_mirror_lower(full->data(), un);

    // Prim's tree, its edges by weight, and the weights it holds more than once; then every
    // cell of such a value.
    struct Edge {
      float w;
      int a, b;
    };
    std::vector<KS_TREE_EDGE> edges;
    std::vector<float> tied;
    if (packed) ks_min_tree_packed(cells, un, &edges, &tied);
    else ks_min_tree(full->data(), un, &edges, &tied);
    std::vector<Edge> tie_cells;
    if (!tied.empty()) {
      auto take = [&](std::size_t r, std::size_t c, float v) {
        tie_cells.push_back({v, static_cast<int>(r), static_cast<int>(c)});
        return true;
      };
      if (packed) ks_tied_cells_packed(cells, un, tied, take);
      else ks_tied_cells(full->data(), un, tied, take);
      std::stable_sort(tie_cells.begin(), tie_cells.end(),
                       [](const Edge& x, const Edge& y) { return x.w < y.w; });
    }

    // Clusters as sets of leaves; a set's row is its lowest leaf. The rows of the clusters in
    // position order (ascending) give a row's position.
    std::vector<int> up(un), low(un);
    for (int k = 0; k < n; ++k) up[k] = low[k] = k;
    auto find = [&](int k) {
      while (up[k] != k) k = up[k] = up[up[k]];
      return k;
    };
    std::vector<int> rows(un);
    for (int k = 0; k < n; ++k) rows[k] = k;
    auto position = [&](int leaf) {
      const int row = low[find(leaf)];
      return static_cast<int>(std::lower_bound(rows.begin(), rows.end(), row) - rows.begin());
    };
    // Joins the clusters at positions i < j at height h.
    auto join_at = [&](int i, int j, float h) {
      const int a = find(rows[i]), b = find(rows[j]);
      up[b] = a;
      low[a] = std::min(low[a], low[b]);
      join(i, j, h);
      rows.erase(rows.begin() + j);
    };
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t e = 0; e < edges.size();) {
      std::size_t e_end = e + 1;
      while (e_end < edges.size() && edges[e_end].w == edges[e].w) ++e_end;
      const float h = edges[e].w;
      progress.post(static_cast<int>(arr.size()));
      if (e_end - e == 1) {
        const int pa = position(static_cast<int>(edges[e].a));
        const int pb = position(static_cast<int>(edges[e].b));
        join_at(std::min(pa, pb), std::max(pa, pb), h);
      } else {
        // The cells of this value between different clusters, as (row, column) positions in
        // cell order, each pair of clusters once.
        const auto first = std::lower_bound(tie_cells.begin(), tie_cells.end(), h,
                                            [](const Edge& x, float v) { return x.w < v; });
        pairs.clear();
        for (auto c = first; c != tie_cells.end() && c->w == h; ++c) {
          const int pa = position(c->a), pb = position(c->b);
          if (pa != pb) pairs.emplace_back(std::max(pa, pb), std::min(pa, pb));
        }
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
        join_pairs(pairs, [&](int i, int j) { join_at(i, j, h); });
      }
      e = e_end;
    }
    return true;
  }

  enum class Kind { kMin, kMax, kAverage };
  // The same steps as linkage_step over the whole build, in quadratic time instead of cubic:
  // the working cells keep the original rows (a removed cluster's row is only dropped from the
  // active list), and each row keeps its smallest cell among the active columns before it, so
  // that a step finds the smallest value by looking at one value per row and its pairs by
  // scanning only the rows that hold it. The rule is applied by kind, with the arithmetic of
  // dndr_link_min, dndr_link_max and dndr_link_average.
  void fast_linkage(Kind kind) {
    const int n = static_cast<int>(arr.size());
    float* cells = work->cells;
    auto at = [cells](int a, int b) -> float& {
      return a > b ? cells[static_cast<std::size_t>(a) * (a - 1) / 2 + b]
                   : cells[static_cast<std::size_t>(b) * (b - 1) / 2 + a];
    };
    std::vector<int> active(n);  // original rows of the clusters, in position order
    for (int k = 0; k < n; ++k) active[k] = k;
    // best[r]: the smallest number among the row's active columns before it; col -1 when it
    // has none (no column, or only cells that are not numbers, which never count).
    std::vector<float> best(n, 0.0f);
    std::vector<int> best_col(n, -1);
    auto rescan = [&](int pos) {
      const int r = active[pos];
      const float* row = cells + static_cast<std::size_t>(r) * (r - 1) / 2;
      float v = 0.0f;
      int col = -1;
      for (int q = 0; q < pos; ++q) {
        const float x = row[active[q]];
        if (x != x) continue;
        if (col < 0 || x < v) v = x, col = active[q];
      }
      best[r] = v, best_col[r] = col;
    };
    for (int pos = 1; pos < n; ++pos) rescan(pos);

    std::vector<std::pair<int, int>> pairs;
    while (arr.size() > 1) {
      const int m = static_cast<int>(arr.size());
      progress.post(m);
      // The smallest value, counted only at 127 or below, and its cells in cell order.
      float lo = 0.0f;
      bool any = false;
      for (int pos = 1; pos < m; ++pos) {
        const int r = active[pos];
        if (best_col[r] >= 0 && (!any || best[r] < lo)) lo = best[r], any = true;
      }
      pairs.clear();
      if (any && lo <= 127.0f) {
        for (int pos = 1; pos < m; ++pos) {
          const int r = active[pos];
          if (best_col[r] < 0 || best[r] != lo) continue;
          const float* row = cells + static_cast<std::size_t>(r) * (r - 1) / 2;
          for (int q = 0; q < pos; ++q)
            if (row[active[q]] == lo) pairs.emplace_back(pos, q);
        }
      }
      if (pairs.empty()) pairs.emplace_back(1, 0);
      const float h = at(active[pairs[0].first], active[pairs[0].second]);
      join_pairs(pairs, [&](int i, int j) {
        const int si = active[i], sj = active[j];
        const int ni = cluster_of(arr[i])->count, nj = cluster_of(arr[j])->count;
        const int count = static_cast<int>(arr.size());
        // The rows stay ascending in position order (a join keeps the lower row), so the
        // positions before i, between i and j and after j each reach the two clusters' cells
        // one fixed way: along row si or sj, or down their columns.
        float* const row_i = cells + static_cast<std::size_t>(si) * (si - 1) / 2;
        float* const row_j = cells + static_cast<std::size_t>(sj) * (sj - 1) / 2;
        auto update = [&](auto merge) {
          for (int q = 0; q < i; ++q) {
            const int sk = active[q];
            row_i[sk] = merge(row_i[sk], row_j[sk]);
          }
          for (int q = i + 1; q < j; ++q) {
            const int sk = active[q];
            float& a = cells[static_cast<std::size_t>(sk) * (sk - 1) / 2 + si];
            a = merge(a, row_j[sk]);
          }
          for (int q = j + 1; q < count; ++q) {
            float* const row_k = cells + static_cast<std::size_t>(active[q]) * (active[q] - 1) / 2;
            row_k[si] = merge(row_k[si], row_k[sj]);
          }
        };
        const long double wi = ni, wj = nj;
        const int nij = ni + nj;
        switch (kind) {
          case Kind::kMin: update([](float a, float b) { return b < a ? b : a; }); break;
          case Kind::kMax: update([](float a, float b) { return b > a ? b : a; }); break;
          default:
            update([&](float a, float b) {
              const long double sum = wi * a + wj * b;
              return static_cast<float>(sum / nij);
            });
        }
        join(i, j, h);
        active.erase(active.begin() + j);
        // Row si changed throughout; the rows after it changed in column si, and those after
        // sj lost column sj.
        rescan(i);
        for (int q = i + 1; q < count - 1; ++q) {
          const int r = active[q];
          const float v = at(r, si);
          if (best_col[r] == sj) {
            rescan(q);
          } else if (best_col[r] == si) {
            if (v <= best[r]) best[r] = v;
            else rescan(q);
          } else if (v == v && (best_col[r] < 0 || v < best[r])) {
            best[r] = v, best_col[r] = si;
          }
        }
      });
    }
  }

  // One join of neighbour joining. The choice (smallest d(i,j) - (R_i + R_j) / (n - 2), the
  // textbook criterion divided by n - 2), the branches d/2 + (R_a - R_b) / (2 (n - 2)) and
  // d - that, and the joined cluster's distances (d_ka + d_kb - d_ab) / 2 are the textbook
  // method's. Two things differ: a negative branch is stored as 0 (the textbook keeps it, and
  // its partner keeps its full length here rather than taking up the difference), and the last
  // two clusters are joined at a root halfway between them, so that the tree is drawn rooted.
  void nj_step() {
    const int n = static_cast<int>(arr.size());
    if (n == 2) {
      const float half = static_cast<float>(ks_hmatx_get(work, 0, 1) * 0.5);
      cluster_set_height(cluster_of(arr[0]), half);
      cluster_set_height(cluster_of(arr[1]), half);
      update_matrix(0, 1);
      merge(0, 1);
      return;
    }
    std::vector<float> r(n, 0.0f);
    for (int k = 0; k < n; ++k)
      for (int c = 0; c < n; ++c) r[k] += ks_hmatx_get(work, k, c);
    const float den = static_cast<float>(n - 2);
    // The search starts from the first pair's q, so a pair is always chosen and a cluster is
    // never joined with itself.
    int a = 0, b = 1;
    float best = ks_hmatx_get(work, 1, 0) - (r[1] + r[0]) / den;
    for (int i = 1; i < n; ++i)
      for (int j = 0; j < i; ++j) {
        const float q = ks_hmatx_get(work, i, j) - (r[i] + r[j]) / den;
        if (q < best) best = q, a = j, b = i;
      }
    const float dab = ks_hmatx_get(work, a, b);
    const float delta = (r[a] - r[b]) / static_cast<float>(2 * (n - 2));
    const float ba = static_cast<float>(dab * 0.5 + delta);
    const float bb = dab - ba;
    cluster_set_height(cluster_of(arr[a]), ba);
    cluster_set_height(cluster_of(arr[b]), bb);
    update_matrix(a, b);
    merge(a, b);
  }

  void merge(int i, int j) {
    const CLUSTER *ci = cluster_of(arr[i]), *cj = cluster_of(arr[j]);
    CLUSTER* c = cluster_new(-1, ci->count + cj->count, 0.0f, ci->first, cj->last);
    arr[i] = ks_tree_join(arr[i], arr[j], c);
    arr.erase(arr.begin() + j);
  }
};

// Branch lengths to depths from the root; returns the largest leaf depth.
void nj_depths(ks_tree* node, float offset, float* deepest) {
  CLUSTER* c = cluster_of(node);
  const float depth = c->height + offset;
  cluster_set_height(c, depth);
  if (ks_tree_is_leaf(node)) {
    if (depth > *deepest) *deepest = depth;
    return;
  }
  nj_depths(node->left, depth, deepest);
  nj_depths(node->right, depth, deepest);
}

void nj_heights_from(ks_tree* node, float deepest) {
  CLUSTER* c = cluster_of(node);
  cluster_set_height(c, deepest - c->height);
  if (ks_tree_is_leaf(node)) return;
  nj_heights_from(node->left, deepest);
  nj_heights_from(node->right, deepest);
}

void place(ks_tree* node, int* counter, std::vector<int32_t>* order) {
  CLUSTER* c = cluster_of(node);
  if (ks_tree_is_leaf(node)) {
    c->position = static_cast<float>((*counter)++);
    if (order) order->push_back(c->id);
    return;
  }
  place(node->left, counter, order);
  place(node->right, counter, order);
  c->position = (cluster_of(node->left)->position + cluster_of(node->right)->position) / 2.0f;
}

}  // namespace

ks_tree* dndr_build_tree(const MATCH_MATRIX* mr, DNDR_LINK_FN rule) {
  const int n = ks_mr_count(mr);
  if (n <= 0 || rule == nullptr) return nullptr;
  // Minimum linkage reads the matrix's own cells when it can; every other way works on a copy.
  const bool min = rule == dndr_link_min;
  Builder b{mr, rule, min ? nullptr : ks_mr_copy_matrix(mr), {}, {}};
  if (!min && b.work == nullptr) return nullptr;
  b.arr.reserve(n);
  for (int r = 0; r < n; ++r) b.arr.push_back(ks_tree_new(cluster_new(r, 1, 0.0f, r, r)));
  if (min && !b.spanning_tree_linkage(mr->distances->cells)) {
    b.work = ks_mr_copy_matrix(mr);
    if (b.work == nullptr) {
      for (ks_tree* t : b.arr) ks_tree_free(t, cluster_free);
      return nullptr;
    }
    b.fast_linkage(Builder::Kind::kMin);
  }
  else if (rule == dndr_link_max) b.fast_linkage(Builder::Kind::kMax);
  else if (rule == dndr_link_average) b.fast_linkage(Builder::Kind::kAverage);
  // Neighbour joining, and any other rule step by step on the working matrix.
  while (b.arr.size() > 1) {
    b.progress.post(static_cast<int>(b.arr.size()));
    if (rule == dndr_link_nj)
      b.nj_step();
    else
      b.linkage_step();
  }
  ks_tree* root = b.arr[0];
  if (rule == dndr_link_nj) {
    float deepest = 0.0f;
    nj_depths(root, 0.0f, &deepest);
    nj_heights_from(root, deepest);
  }
  int counter = 0;
  place(root, &counter, nullptr);
  ks_hmatx_free(b.work);
  mh_clear_status(gt_get_status_bar(), 1);
  return root;
}

DNDR_REC* dndr_new(const MATCH_MATRIX* mr, DNDR_LINK_FN rule) {
  auto* rec = new DNDR_REC;
  rec->rule = rule;
  rec->root = dndr_build_tree(mr, rule);
  if (rec->root) {
    int counter = 0;
    place(rec->root, &counter, &rec->leaf_order);
  }
  return rec;
}

void dndr_free(DNDR_REC* rec) {
  if (!rec) return;
  if (rec->root) ks_tree_free(rec->root, cluster_free);
  delete rec;
}

int dndr_leaf_at(const DNDR_REC* rec, int position) {
  if (!rec || position < 0 || position >= static_cast<int>(rec->leaf_order.size())) return -1;
  return rec->leaf_order[position];
}

int dndr_leaf_count(const DNDR_REC* rec) {
  return rec ? static_cast<int>(rec->leaf_order.size()) : 0;
}
