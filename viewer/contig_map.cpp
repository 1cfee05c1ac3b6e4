#include "viewer/contig_map.h"

#include <unordered_map>

namespace velto {

std::pair<Taxon*, Taxon*> ContigMap::OrientLeaves(Dendron& node) {
  // Children before parents, without recursion: a chain-shaped tree can be thousands deep.
  std::vector<Dendron*> order;
  for (Dendron& d : Walk<TreeIter::Postfix>(&node)) order.push_back(&d);

  std::unordered_map<const Dendron*, std::pair<Taxon*, Taxon*>> ends;
  for (Dendron* d : order) {
    if (d->IsTaxon()) {
      auto* t = static_cast<Taxon*>(d);
      ends[d] = {t, t};
      continue;
    }
    auto [l1, l2] = ends.at(d->Left());
    auto [r1, r2] = ends.at(d->Right());
    // The four arrangements and the leaves that would meet; the first smallest distance wins.
    const float meet[4] = {Distance(*l2, *r1), Distance(*r2, *l1), Distance(*l1, *r1),
                           Distance(*l2, *r2)};
    int code = 0;
    for (int k = 1; k < 4; ++k)
      if (meet[k] < meet[code]) code = k;
    switch (code) {
      case 0:
        ends[d] = {l1, r2};
        break;
      case 1:
        d->SwapChildren();
        ends[d] = {r1, l2};
        break;
      case 2:
        d->Left()->Mirror();
        ends[d] = {l2, r2};
        break;
      default:
        d->Right()->Mirror();
        ends[d] = {l1, r1};
        break;
    }
  }
  return ends.at(&node);
}

void ContigMap::BuildContigMap(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa,
                               float limit) {
  entries_.clear();
  starts_.clear();
  Build(distances, taxa);
  if (!root_) return;
  OrientLeaves(*root_);

  entries_.reserve(root_->Size());
  for (Dendron& d : Walk<TreeIter::Prefix>(root_))
    if (d.IsTaxon()) entries_.push_back({static_cast<const Taxon*>(&d), 0.0f});

  starts_.assign(entries_.size(), false);
  if (!starts_.empty()) starts_[0] = true;
  float offset = 0.0f;
  for (std::size_t k = 1; k < entries_.size(); ++k) {
    const float d = Distance(*entries_[k].taxon, *entries_[k - 1].taxon);
    starts_[k] = !(d <= limit);
    offset = d <= limit ? d + offset : 0.0f;
    entries_[k].offset = offset;
  }
}

float ContigMap::Extent() const {
  float largest = 0.0f;
  bool any = false;
  for (const ContigEntry& e : entries_) {
    if (!any || e.offset > largest) largest = e.offset;
    any = true;
  }
  return largest + 100.0f;
}

}  // namespace velto
