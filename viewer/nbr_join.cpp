// Neighbour joining over the packed distance triangle. As in the agglomerative builder, clusters
// stay in their rows of a copy of the triangle: the joined cluster takes the lower row j and row
// i is retired, which keeps the order of the cluster list without moving cells.
#include "viewer/nbr_join.h"

#include <limits>

#include "docview/wait_cursor.h"
#include "viewer/triangle.h"

namespace velto {

double NbrDistance::operator()(float distance, std::size_t a, std::size_t b) const {
  if (clusters_ <= 2) return distance;
  return static_cast<double>(distance) -
         (static_cast<double>(row_sums_[a]) + static_cast<double>(row_sums_[b])) /
             static_cast<double>(static_cast<unsigned>(clusters_ - 2));
}

float NbrJoinDendrogram::Distance(const Dendron& a, const Dendron& b) const {
  return TaxonDistance(a, b, "NbrJoinDendrogram::Distance() is unimplemented for non-taxons\n");
}

float NbrJoinDendrogram::NodeValue(const Dendron& node) const {
  return Lookup(root_distance_, node);
}

float NbrJoinDendrogram::GreatestDistanceFromRoot() const {
  bool any = false;
  float greatest = 0.0f;
  for (const auto& [node, value] : root_distance_) {
    if (!any || value > greatest) greatest = value;
    any = true;
  }
  return greatest;
}

void NbrJoinDendrogram::Build(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa) {
  docview::CWaitCursor wait;
  Reset(distances, taxa);
  root_distance_.clear();
  const std::size_t n = taxa.size();
  if (n == 0) return;

  std::vector<float> work(TriangleSize(n), 0.0f);
  for (std::size_t k = 0; k < work.size() && k < distances.size(); ++k) work[k] = distances[k];
  auto cell = [&](std::size_t a, std::size_t b) -> float& { return work[PackedIndex(a, b)]; };

  // The active rows in ascending order; the list order is the cluster order.
  std::vector<std::size_t> active(n);
  std::vector<Dendron*> cluster(n);
  for (std::size_t k = 0; k < n; ++k) {
    active[k] = k;
    cluster[k] = &taxa[k];
  }

  std::vector<float> row_sum(n, 0.0f);
  for (std::size_t k = 0; k < n; ++k)
    for (std::size_t m = 0; m < n; ++m)
      if (m != k) row_sum[k] += cell(k, m);

  while (active.size() > 1) {
    const std::size_t clusters = active.size();
    const NbrDistance criterion(row_sum, clusters);

    // Packed order over the active rows: (1,0), (2,0), (2,1), ... The running smallest value is
    // kept as a float; a later cell wins only when strictly smaller.
    std::size_t pi = 1, pj = 0;
    float smallest = 0.0f;
    bool first = true;
    for (std::size_t a = 1; a < clusters; ++a) {
      const std::size_t r = active[a];
      const float* row = work.data() + r * (r - 1) / 2;
      for (std::size_t b = 0; b < a; ++b) {
        const std::size_t c = active[b];
        const double v = criterion(row[c], r, c);
        if (first || v < smallest) {
          smallest = static_cast<float>(v);
          pi = a;
          pj = b;
          first = false;
        }
      }
    }
    const std::size_t i = active[pi], j = active[pj];
    const float d = cell(i, j);

    // The textbook branches are (d + delta) / 2 and d - that. Here the first child's is held to
    // 0..d and the second takes the rest of d, so that no branch is negative and the two still
    // add up to d; the textbook keeps negative branches as they come.
    float ej = d * 0.5f;
    if (clusters > 2) {
      const double delta = (static_cast<double>(row_sum[j]) - static_cast<double>(row_sum[i])) /
                           static_cast<double>(static_cast<unsigned>(clusters - 2));
      ej = static_cast<float>((static_cast<double>(d) + delta) * 0.5);
    }
    if (ej > d) ej = d;
    if (ej < 0.0f) ej = 0.0f;
    const float ei = d - ej;

    Genus& joined = genera_(*cluster[j], *cluster[i]);
    values_[cluster[j]] = ej;
    values_[cluster[i]] = ei;

    const float half = d * 0.5f;
    row_sum[j] = 0.0f;
    for (std::size_t k : active) {
      if (k == i || k == j) continue;
      const float s = (cell(k, j) + cell(k, i)) * 0.5f;
      const float u = s - half;
      cell(k, j) = u;
      row_sum[j] += u;
      row_sum[k] -= s + half;
    }
    cluster[j] = &joined;
    cluster[i] = nullptr;
    active.erase(active.begin() + static_cast<std::ptrdiff_t>(pi));
  }

  root_ = cluster[active.front()];
  values_[root_] = 0.0f;
  root_distance_[root_] = 0.0f;
  for (Dendron& node : Walk<TreeIter::Prefix>(root_)) {
    if (node.IsTaxon()) continue;
    const float base = root_distance_[&node];
    root_distance_[node.Left()] = base + values_[node.Left()];
    root_distance_[node.Right()] = base + values_[node.Right()];
  }
}

}  // namespace velto
