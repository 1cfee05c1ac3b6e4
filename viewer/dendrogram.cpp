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
// valid and the closest pair is found by a walk over the rows instead of over every cell.
#include "viewer/dendrogram.h"

#include <algorithm>
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

// The active rows in ascending order, as a doubly linked list over row numbers.
struct ActiveRows {
  explicit ActiveRows(std::size_t n) : next(n), prev(n) {
    for (std::size_t k = 0; k < n; ++k) {
      next[k] = k + 1 < n ? k + 1 : kNone;
      prev[k] = k > 0 ? k - 1 : kNone;
    }
    head = n > 0 ? 0 : kNone;
  }
  void Remove(std::size_t k) {
    if (prev[k] != kNone)
      next[prev[k]] = next[k];
    else
      head = next[k];
    if (next[k] != kNone) prev[next[k]] = prev[k];
  }
  std::vector<std::size_t> next, prev;
  std::size_t head;
};

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

  std::vector<float> work(
      distances.begin(),
      distances.begin() + static_cast<std::ptrdiff_t>(std::min(distances.size(), TriangleSize(n))));
  work.resize(TriangleSize(n), 0.0f);

  std::vector<Dendron*> cluster(n);
  for (std::size_t k = 0; k < n; ++k) {
    cluster[k] = &taxa[k];
    values_[&taxa[k]] = 0.0f;
  }

  ActiveRows rows(n);
  std::vector<RowMin> best(n);
  auto rescan = [&](std::size_t r) {
    RowMin m;
    const float* row = work.data() + r * (r - 1) / 2;
    for (std::size_t c = rows.head; c != kNone && c < r; c = rows.next[c]) {
      if (m.col == kNone || row[c] < m.value) {
        m.value = row[c];
        m.col = c;
      }
    }
    best[r] = m;
  };
  for (std::size_t r = 1; r < n; ++r) rescan(r);

  for (std::size_t left = n; left > 1; --left) {
    // The smallest cell; on equal values the lowest row wins, and within a row the cache
    // already holds the lowest column.
    std::size_t i = kNone;
    for (std::size_t r = rows.head; r != kNone; r = rows.next[r]) {
      if (best[r].col == kNone) continue;
      if (i == kNone || best[r].value < best[i].value) i = r;
    }
    const std::size_t j = best[i].col;
    const float height = best[i].value;

    Genus& joined = genera_(*cluster[j], *cluster[i]);
    values_[&joined] = height;
    const unsigned nj = cluster[j]->Size();
    const unsigned ni = cluster[i]->Size();
    for (std::size_t m = rows.head; m != kNone; m = rows.next[m]) {
      if (m == i || m == j) continue;
      float v = Linkage(work, m, j, i, nj, ni);
      work[PackedIndex(m, j)] = v;
    }
    cluster[j] = &joined;
    cluster[i] = nullptr;
    rows.Remove(i);
    best[i] = RowMin{};

    // Row j changed throughout; in the rows after it only the cell of column j changed, and
    // column i is gone.
    if (j > 0) rescan(j);
    for (std::size_t r = rows.next[j]; r != kNone; r = rows.next[r]) {
      RowMin& b = best[r];
      const float v = work[PackedIndex(r, j)];
      if (b.col == i) {
        rescan(r);
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
  root_ = cluster[rows.head];
}

float MaxLinkageDendrogram::Linkage(const std::vector<float>& work, std::size_t m, std::size_t j,
                                    std::size_t i, unsigned, unsigned) const {
  const float mj = work[PackedIndex(m, j)];
  const float mi = work[PackedIndex(m, i)];
  return mi > mj ? mi : mj;
}

float MinLinkageDendrogram::Linkage(const std::vector<float>& work, std::size_t m, std::size_t j,
                                    std::size_t i, unsigned, unsigned) const {
  const float mj = work[PackedIndex(m, j)];
  const float mi = work[PackedIndex(m, i)];
  return mi < mj ? mi : mj;
}

float AveLinkageDendrogram::Linkage(const std::vector<float>& work, std::size_t m, std::size_t j,
                                    std::size_t i, unsigned nj, unsigned ni) const {
  const double mj = work[PackedIndex(m, j)];
  const double mi = work[PackedIndex(m, i)];
  return static_cast<float>((static_cast<double>(ni) * mi + static_cast<double>(nj) * mj) /
                            static_cast<double>(ni + nj));
}

}  // namespace velto
