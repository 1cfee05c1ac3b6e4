// Dendrograms: a binary tree over the document's taxa built from its distance triangle.
//
// Dendrogram is the common base; ConstantClockDendrogram joins the two closest clusters again and
// again (agglomerative clustering) and leaves the rule for the distance of a joined cluster to its
// subclasses: largest (maximum linkage), smallest (minimum linkage) or leaf-count weighted mean
// (average linkage, UPGMA). Neighbour joining is NbrJoinDendrogram (nbr_join.h).
//
// A dendrogram refers to the document's distance triangle and taxon pool; both must outlive it
// and stay unchanged between Build and the last use of the tree. Build is never called without
// taxa.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "viewer/dendron.h"

namespace velto {

class Dendrogram {
 public:
  Dendrogram() = default;
  Dendrogram(const Dendrogram&) = delete;
  Dendrogram& operator=(const Dendrogram&) = delete;
  virtual ~Dendrogram() = default;

  // The document's distance of two taxa (0.0 for a taxon and itself). Throws VeltoError for a
  // node that is not one of the pool's taxa.
  virtual float Distance(const Dendron& a, const Dendron& b) const = 0;
  // The value the build recorded for a node (its height or its distance from the root).
  virtual float NodeValue(const Dendron& node) const = 0;
  // Drops the previous tree and builds a new one over `taxa` (at least one) from `distances`,
  // the packed triangle of taxon rows in pool order.
  virtual void Build(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa) = 0;

  Dendron* Root() { return root_; }
  const Dendron* Root() const { return root_; }
  // The inner nodes in the order they were made (the order of the joins).
  const BlockAllocator<Genus>& Genera() const { return genera_; }

 protected:
  // Drops the tree, remembers the inputs and sizes the inner-node pool for n - 1 joins.
  void Reset(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa);
  // Document cell of two taxa; `what` is the text of the error for a node that is not a taxon.
  float TaxonDistance(const Dendron& a, const Dendron& b, const char* what) const;
  static float Lookup(const std::unordered_map<const Dendron*, float>& table, const Dendron& node);

  const std::vector<float>* distances_ = nullptr;
  BlockAllocator<Taxon>* taxa_ = nullptr;
  BlockAllocator<Genus> genera_;
  std::unordered_map<const Dendron*, float> values_;
  Dendron* root_ = nullptr;
};

class ConstantClockDendrogram : public Dendrogram {
 public:
  float Distance(const Dendron& a, const Dendron& b) const override;
  // 0.0 for a taxon, the height of the join for an inner node.
  float NodeValue(const Dendron& node) const override;
  void Build(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa) override;

  // Distance of cluster m to the cluster joined from clusters j and i, which hold nj and ni
  // leaves; `work` is the working triangle and m, j, i are rows of it.
  virtual float Linkage(const std::vector<float>& work, std::size_t m, std::size_t j, std::size_t i,
                        unsigned nj, unsigned ni) const = 0;

 protected:
  // The same rule over many clusters at once: out[k] is the distance of cluster cols[k] to the
  // cluster joined from j and i, given their rows of distances row_j and row_i.
  virtual void LinkRows(const float* row_j, const float* row_i, const std::size_t* cols,
                        std::size_t count, unsigned nj, unsigned ni, float* out) const = 0;
};

class MaxLinkageDendrogram : public ConstantClockDendrogram {
 public:
  float Linkage(const std::vector<float>& work, std::size_t m, std::size_t j, std::size_t i,
                unsigned nj, unsigned ni) const override;

 protected:
  void LinkRows(const float* row_j, const float* row_i, const std::size_t* cols, std::size_t count,
                unsigned nj, unsigned ni, float* out) const override;
};

class MinLinkageDendrogram : public ConstantClockDendrogram {
 public:
  // Builds from a minimum spanning tree of the taxa, which gives the same joins in the same
  // order with the same heights (ties included); falls back to the joins over the cells for
  // cells that are not numbers or many ties.
  void Build(const std::vector<float>& distances, BlockAllocator<Taxon>& taxa) override;
  float Linkage(const std::vector<float>& work, std::size_t m, std::size_t j, std::size_t i,
                unsigned nj, unsigned ni) const override;

 protected:
  void LinkRows(const float* row_j, const float* row_i, const std::size_t* cols, std::size_t count,
                unsigned nj, unsigned ni, float* out) const override;
};

class AveLinkageDendrogram : public ConstantClockDendrogram {
 public:
  float Linkage(const std::vector<float>& work, std::size_t m, std::size_t j, std::size_t i,
                unsigned nj, unsigned ni) const override;

 protected:
  void LinkRows(const float* row_j, const float* row_i, const std::size_t* cols, std::size_t count,
                unsigned nj, unsigned ni, float* out) const override;
};

}  // namespace velto
