// The contig map: the lanes in one row, ordered so that similar lanes stand side by side, and
// split into contigs, runs of neighbours whose distance stays within a limit.
//
// The order comes from the average-linkage tree: each inner node, children first, is turned so
// that the two leaves that meet across it are as close as possible. Each entry's offset is the
// sum of the neighbour distances from the first entry of its contig (0 for that first entry), in
// distance units (100 minus percent similarity).
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "viewer/dendrogram.h"

namespace velto {

struct ContigEntry {
  const Taxon* taxon;
  float offset;
};

class ContigMap : public AveLinkageDendrogram {
 public:
  // Builds the tree, orders its leaves and fills the entries. Neighbours at a distance of at
  // most `limit` stay in one contig; a larger distance starts a new contig.
  void BuildContigMap(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa,
                      float limit);

  const std::vector<ContigEntry>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }
  // Whether entry k is the first of its contig. Identical neighbours continue a contig at the
  // same offset, so an offset of 0 alone does not say it.
  bool StartsContig(std::size_t k) const { return k < starts_.size() && starts_[k]; }
  // The largest offset plus 100: the length the map needs.
  float Extent() const;

  // Turns the subtree of `node` (children first) so that the leaves that meet inside it are
  // close; returns its first and last leaf.
  std::pair<Taxon*, Taxon*> OrientLeaves(Dendron& node);

 private:
  std::vector<ContigEntry> entries_;
  std::vector<bool> starts_;
};

}  // namespace velto
