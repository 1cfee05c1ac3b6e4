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

#include "docview/wait_cursor.h"
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
  // scan read memory in order; a join writes its new cells into both halves.
  std::vector<float> work(n * n, 0.0f);
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
    for (std::size_t a = 0; a < active.size() && active[a] < r; ++a) {
      const std::size_t c = active[a];
      if (m.col == kNone || row[c] < m.value) {
        m.value = row[c];
        m.col = c;
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
