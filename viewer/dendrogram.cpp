// Agglomerative clustering over the packed distance triangle.
//
// The clusters are kept in rows ("slots") of a copy of the document's triangle. Joining the
// clusters of rows j < i puts the joined cluster in row j and retires row i. Because retiring a
// row keeps the order of the others, the order of the active rows is the order of the cluster
// list, so "first in packed order" among equal distances is "lowest row, then lowest column" over
// the active rows, and no cells need to move.
//
// Each active row caches its smallest cell over the active columns before it (the first one of
// equal values). A join changes only column j, row j and the retired row i, so most caches stay
// valid and the closest pair is found by a walk over the rows instead of over every cell. The
// cells are held as a full square (each cell twice), so that the rows a join reads and the rows
// a rescan walks lie in order in memory.
#include "viewer/dendrogram.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "base/min_tree.h"
#include "docview/wait_cursor.h"
#include "toolkit/core/tk_block.h"
#include "viewer/triangle.h"

namespace velto {

void Dendrogram::Reset(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa) {
  root_ = nullptr;
  values_.clear();
  genera_.Resize(taxa.size() > 0 ? taxa.size() - 1 : 0);
  distances_ = &distances;
  taxa_ = &taxa;
}

float Dendrogram::TaxonDistance(const Dendron& a, const Dendron& b, const char* what) const {
  const auto* ta = dynamic_cast<const Taxon*>(&a);
  const auto* tb = dynamic_cast<const Taxon*>(&b);
  if (!ta || !tb || !taxa_) throw VeltoError(what);
  std::size_t ia = taxa_->IndexOf(ta);
  std::size_t ib = taxa_->IndexOf(tb);
  if (ia == taxa_->size() || ib == taxa_->size()) throw VeltoError(what);
  if (ia == ib) return 0.0f;
  std::size_t k = PackedIndex(ia, ib);
  if (k >= distances_->size()) throw VeltoError(what);
  return (*distances_)[k];
}

float Dendrogram::Lookup(const std::unordered_map<const Dendron*, float>& table,
                         const Dendron& node) {
  auto it = table.find(&node);
  return it == table.end() ? 0.0f : it->second;
}

float ConstantClockDendrogram::Distance(const Dendron& a, const Dendron& b) const {
  return TaxonDistance(a, b,
                       "ConstantClockDendrogram::Distance() is unimplemented for non-taxons\n");
}

float ConstantClockDendrogram::NodeValue(const Dendron& node) const {
  return Lookup(values_, node);
}

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

struct RowMin {
  float value = 0.0f;
  std::size_t col = kNone;  // kNone: the row has no active column before it
};

}  // namespace

void ConstantClockDendrogram::Build(const std::vector<float>& distances,
                                    BlockAllocator<Taxon>& taxa) {
  docview::CWaitCursor wait;
  Reset(distances, taxa);
  const std::size_t n = taxa.size();
  if (n == 0) return;

  // The working cells as a full symmetric square, so that the two rows of a join and every row
  // scan read memory in order; a join writes its new cells into both halves. In large pages: a
  // fresh block is most of a first build's cost.
  TkZeroArray<float> work(n * n);
  if (work.size() != n * n) throw std::bad_alloc();
  {
    // The lower half row by row from the packed triangle, then the upper half as its mirror,
    // in tiles so that both sides stay in the cache.
    const std::size_t have = std::min(distances.size(), TriangleSize(n));
    std::size_t k = 0;
    for (std::size_t r = 1; r < n; ++r)
      for (std::size_t c = 0; c < r; ++c, ++k) work[r * n + c] = k < have ? distances[k] : 0.0f;
    constexpr std::size_t kTile = 64;
    for (std::size_t r0 = 0; r0 < n; r0 += kTile)
      for (std::size_t c0 = 0; c0 <= r0; c0 += kTile)
        for (std::size_t r = r0; r < std::min(n, r0 + kTile); ++r)
          for (std::size_t c = c0; c < std::min(r, c0 + kTile); ++c) work[c * n + r] = work[r * n + c];
  }

  // With finite cells every cell derived from them is finite too.
  const bool finite = std::all_of(work.begin(), work.end(), [](float v) { return std::isfinite(v); });

  std::vector<Dendron*> cluster(n);
  for (std::size_t k = 0; k < n; ++k) {
    cluster[k] = &taxa[k];
    values_[&taxa[k]] = 0.0f;
  }

  // The active rows, ascending.
  std::vector<std::size_t> active(n);
  for (std::size_t k = 0; k < n; ++k) active[k] = k;
  std::vector<RowMin> best(n);
  auto rescan = [&](std::size_t r) {
    RowMin m;
    const float* row = work.data() + r * n;
    // The active columns before r: those ahead of r in the active list.
    const std::size_t count = static_cast<std::size_t>(
        std::lower_bound(active.begin(), active.end(), r) - active.begin());
    if (count > 0) {
      m.col = active[0];
      m.value = row[m.col];
      for (std::size_t a = 1; a < count; ++a) {
        const std::size_t c = active[a];
        if (row[c] < m.value) {
          m.value = row[c];
          m.col = c;
        }
      }
    }
    best[r] = m;
  };
  for (std::size_t r = 1; r < n; ++r) rescan(r);

  std::vector<std::size_t> others;  // the active rows other than the two joined
  std::vector<float> joined_cells;  // their distances to the joined cluster
  others.reserve(n);
  joined_cells.reserve(n);
  for (std::size_t left = n; left > 1; --left) {
    // The smallest cell; on equal values the lowest row wins, and within a row the cache
    // already holds the lowest column.
    std::size_t i = kNone;
    float smallest = 0.0f;  // best[i].value, kept at hand
    for (const std::size_t r : active) {
      const RowMin& b = best[r];
      if (b.col == kNone) continue;
      if (i == kNone || b.value < smallest) {
        i = r;
        smallest = b.value;
      }
    }
    const std::size_t j = best[i].col;
    const float height = best[i].value;

    Genus& joined = genera_(*cluster[j], *cluster[i]);
    values_[&joined] = height;
    const unsigned nj = cluster[j]->Size();
    const unsigned ni = cluster[i]->Size();
    others.clear();
    for (const std::size_t m : active)
      if (m != i && m != j) others.push_back(m);
    joined_cells.resize(others.size());
    LinkRows(work.data() + j * n, work.data() + i * n, others.data(), others.size(), nj, ni,
             joined_cells.data());
    float* row_j = work.data() + j * n;
    for (std::size_t k = 0; k < others.size(); ++k) {
      const std::size_t m = others[k];
      row_j[m] = joined_cells[k];
      work[m * n + j] = joined_cells[k];
    }
    cluster[j] = &joined;
    cluster[i] = nullptr;
    active.erase(std::lower_bound(active.begin(), active.end(), i));
    best[i] = RowMin{};

    // Row j changed throughout; in the rows after it only the cell of column j changed, and
    // column i is gone.
    if (j > 0) rescan(j);
    for (std::size_t k = std::upper_bound(others.begin(), others.end(), j) - others.begin();
         k < others.size(); ++k) {
      const std::size_t r = others[k];
      RowMin& b = best[r];
      const float v = joined_cells[k];
      if (b.col == i) {
        // The row's smallest cell was in the retired column: every other cell before it was
        // larger, so with finite cells a new value not above it is the new smallest.
        if (finite && v <= b.value) {
          b.value = v;
          b.col = j;
        } else {
          rescan(r);
        }
      } else if (b.col == j) {
        if (v <= b.value)
          b.value = v;
        else
          rescan(r);
      } else if (v < b.value || (v == b.value && j < b.col)) {
        b.value = v;
        b.col = j;
      }
    }
  }
  root_ = cluster[active.front()];
}

namespace {

// Applies a rule to the cells of the two joined rows at the columns listed.
template <class Rule>
void LinkWith(Rule rule, const float* row_j, const float* row_i, const std::size_t* cols,
              std::size_t count, unsigned nj, unsigned ni, float* out) {
  for (std::size_t k = 0; k < count; ++k) out[k] = rule(row_j[cols[k]], row_i[cols[k]], nj, ni);
}

float MaxRule(float mj, float mi, unsigned, unsigned) { return mi > mj ? mi : mj; }
float MinRule(float mj, float mi, unsigned, unsigned) { return mi < mj ? mi : mj; }
float AveRule(float mj_f, float mi_f, unsigned nj, unsigned ni) {
  const double mj = mj_f;
  const double mi = mi_f;
  return static_cast<float>((static_cast<double>(ni) * mi + static_cast<double>(nj) * mj) /
                            static_cast<double>(ni + nj));
}

}  // namespace

void MaxLinkageDendrogram::LinkRows(const float* row_j, const float* row_i, const std::size_t* cols,
                                    std::size_t count, unsigned nj, unsigned ni, float* out) const {
  LinkWith(MaxRule, row_j, row_i, cols, count, nj, ni, out);
}

void MinLinkageDendrogram::LinkRows(const float* row_j, const float* row_i, const std::size_t* cols,
                                    std::size_t count, unsigned nj, unsigned ni, float* out) const {
  LinkWith(MinRule, row_j, row_i, cols, count, nj, ni, out);
}

void AveLinkageDendrogram::LinkRows(const float* row_j, const float* row_i, const std::size_t* cols,
                                    std::size_t count, unsigned nj, unsigned ni, float* out) const {
  LinkWith(AveRule, row_j, row_i, cols, count, nj, ni, out);
}

namespace {

// The joins of minimum linkage worked out from a minimum spanning tree, without the working
// cells: the heights of the joins are the tree's edge weights in ascending order. Where a weight
// occurs once, the join it makes is forced: the two clusters that hold its ends. Where several
// joins share a height, the order that picking the first smallest cell gives (lowest row, then
// lowest column, a cluster's row being its lowest taxon) is played out over every pair of taxa
// at that distance. False, with nothing made, for cells that are not numbers or ties too many
// to play out cheaply; the caller then clusters the cells themselves.
struct Join {
  std::size_t j, i;  // rows of the two clusters, j < i
  float height;
};

class SlotSets {
 public:
  explicit SlotSets(std::size_t n) : up_(n), slot_(n) {
    for (std::size_t k = 0; k < n; ++k) up_[k] = slot_[k] = k;
  }
  std::size_t Find(std::size_t k) {
    while (up_[k] != k) k = up_[k] = up_[up_[k]];
    return k;
  }
  std::size_t Slot(std::size_t k) { return slot_[Find(k)]; }
  // Joins the sets of a and b; the joined set's row is the lower of theirs.
  void Unite(std::size_t a, std::size_t b) {
    a = Find(a);
    b = Find(b);
    const std::size_t slot = std::min(slot_[a], slot_[b]);
    up_[b] = a;
    slot_[a] = slot;
  }

 private:
  std::vector<std::size_t> up_, slot_;
};

bool SingleLinkageJoins(const std::vector<float>& distances, std::size_t n,
                        std::vector<Join>* joins) {
  if (n < 2) return true;
  const std::size_t have = std::min(distances.size(), TriangleSize(n));
  // A small whole triangle is read as it stands; otherwise the cells are made a full square, so
  // that every row is read in order (in large pages, as above).
  const bool packed = n <= KS_PACKED_TREE_MAX && have == TriangleSize(n);
  std::optional<TkZeroArray<float>> square;
  bool nan = false;
  if (packed) {
    for (std::size_t k = 0; k < have; ++k) nan |= distances[k] != distances[k];
  } else {
    square.emplace(n * n);
    if (square->size() != n * n) throw std::bad_alloc();
    for (std::size_t r = 1, k = 0; r < n && k < have; k += r, ++r) {
      const std::size_t m = std::min(r, have - k);  // cells missing from the triangle stay 0
      const float* src = distances.data() + k;
      float* dst = square->data() + r * n;
      for (std::size_t c = 0; c < m; ++c) {
        dst[c] = src[c];
        nan |= src[c] != src[c];
      }
    }
  }
  if (nan) return false;
  if (!packed) ks_mirror_lower(square->data(), n);

  // Prim's tree, its edges by weight, and the heights that several joins share; then every
  // pair of taxa at such a height.
  using Edge = KS_TREE_EDGE;
  std::vector<Edge> edges;
  std::vector<float> tied;
  if (packed) ks_min_tree_packed(distances.data(), n, &edges, &tied);
  else ks_min_tree(square->data(), n, &edges, &tied);
  std::vector<Edge> tie_pairs;
  if (!tied.empty()) {
    auto take = [&](std::size_t r, std::size_t c, float v) {
      if (tie_pairs.size() >= 4 * n) return false;
      tie_pairs.push_back({v, r, c});
      return true;
    };
    const bool few = packed ? ks_tied_cells_packed(distances.data(), n, tied, take)
                            : ks_tied_cells(square->data(), n, tied, take);
    if (!few) return false;  // too many ties: cluster the cells
    std::stable_sort(tie_pairs.begin(), tie_pairs.end(),
                     [](const Edge& x, const Edge& y) { return x.w < y.w; });
  }

  SlotSets sets(n);
  joins->clear();
  std::size_t steps = 0;
  for (std::size_t e = 0; e < edges.size();) {
    std::size_t e_end = e + 1;
    while (e_end < edges.size() && edges[e_end].w == edges[e].w) ++e_end;
    const float w = edges[e].w;
    if (e_end - e == 1) {
      const std::size_t sa = sets.Slot(edges[e].a), sb = sets.Slot(edges[e].b);
      joins->push_back({std::min(sa, sb), std::max(sa, sb), w});
      sets.Unite(edges[e].a, edges[e].b);
    } else {
      // Every pair at this height, between clusters not yet joined: join the pair of clusters
      // with the lowest (higher row, lower row) first, again and again.
      const auto first = std::lower_bound(tie_pairs.begin(), tie_pairs.end(), w,
                                          [](const Edge& x, float v) { return x.w < v; });
      auto last = first;
      while (last != tie_pairs.end() && last->w == w) ++last;
      for (std::size_t made = 0; made < e_end - e; ++made) {
        std::size_t bi = 0, bj = 0, pa = 0, pb = 0;
        bool any = false;
        for (auto p = first; p != last; ++p) {
          if (++steps > 64 * n) return false;  // too costly to play out: cluster the cells
          const std::size_t sa = sets.Slot(p->a), sb = sets.Slot(p->b);
          if (sa == sb) continue;
          const std::size_t i = std::max(sa, sb), j = std::min(sa, sb);
          if (!any || i < bi || (i == bi && j < bj)) {
            any = true;
            bi = i;
            bj = j;
            pa = p->a;
            pb = p->b;
          }
        }
        if (!any) return false;  // cannot happen with a spanning tree; be safe
        joins->push_back({bj, bi, w});
        sets.Unite(pa, pb);
      }
    }
    e = e_end;
  }
  return true;
}

}  // namespace

void MinLinkageDendrogram::Build(const std::vector<float>& distances,
                                 BlockAllocator<Taxon>& taxa) {
  docview::CWaitCursor wait;
  std::vector<Join> joins;
  if (!SingleLinkageJoins(distances, taxa.size(), &joins)) {
    ConstantClockDendrogram::Build(distances, taxa);
    return;
  }
  Reset(distances, taxa);
  const std::size_t n = taxa.size();
  if (n == 0) return;
  std::vector<Dendron*> cluster(n);
  for (std::size_t k = 0; k < n; ++k) {
    cluster[k] = &taxa[k];
    values_[&taxa[k]] = 0.0f;
  }
  for (const Join& jn : joins) {
    Genus& joined = genera_(*cluster[jn.j], *cluster[jn.i]);
    values_[&joined] = jn.height;
    cluster[jn.j] = &joined;
    cluster[jn.i] = nullptr;
  }
  root_ = cluster[0];
}

float MaxLinkageDendrogram::Linkage(const std::vector<float>& work, std::size_t m, std::size_t j,
                                    std::size_t i, unsigned nj, unsigned ni) const {
  return MaxRule(work[PackedIndex(m, j)], work[PackedIndex(m, i)], nj, ni);
}

float MinLinkageDendrogram::Linkage(const std::vector<float>& work, std::size_t m, std::size_t j,
                                    std::size_t i, unsigned nj, unsigned ni) const {
  return MinRule(work[PackedIndex(m, j)], work[PackedIndex(m, i)], nj, ni);
}

float AveLinkageDendrogram::Linkage(const std::vector<float>& work, std::size_t m, std::size_t j,
                                    std::size_t i, unsigned nj, unsigned ni) const {
  return AveRule(work[PackedIndex(m, j)], work[PackedIndex(m, i)], nj, ni);
}

}  // namespace velto
