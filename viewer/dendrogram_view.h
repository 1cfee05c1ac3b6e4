// The tree views: the constant-clock dendrograms (average, maximum and minimum linkage) and the
// neighbour-joining tree. One drawing class lays out a legend of the match parameters, a distance
// scale, and the tree with its leaf labels and, optionally, each lane's band positions.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "viewer/dendrogram.h"
#include "viewer/nbr_join.h"
#include "viewer/velto_view.h"

namespace velto {

class DendrogramView : public CVeltoView {
 public:
  void OnUpdate(docview::CView* sender, long hint, void* object) override;
  void OnDraw(docview::CDC* dc) override;
  void Layout() override;

  // True when there is nothing to draw: no taxa, no tree or no root.
  bool IsEmpty() const;
  Dendrogram* Tree() const { return tree_.get(); }
  virtual std::string LinkageName() const = 0;

  // Layout results, for drawing and for tests.
  int TreeLeft() const { return tree_left_; }
  int TreeRight() const { return tree_right_; }
  int FirstRow() const { return y0_; }
  int LastRow() const { return y1_; }
  int LineHeight() const { return lh_; }
  const DistanceChartScale& Scale() const { return scale_; }
  docview::CPoint ScaleStart() const { return scale_start_; }
  docview::CPoint ScaleEnd() const { return scale_end_; }
  const LinearTranslator<float, int>& HeightTranslator() const { return height_; }
  const LinearTranslator<double, int>& RowTranslator() const { return rows_; }
  double Position(const Dendron* node) const;

 protected:
  // Makes a new, empty tree of the view's kind.
  virtual std::unique_ptr<Dendrogram> MakeTree() const = 0;
  // Sets the height translator over the tree area.
  virtual void SetHeightTranslator() = 0;

  std::unique_ptr<Dendrogram> tree_;
  LinearTranslator<float, int> height_;
  LinearTranslator<double, int> rows_;
  ReversibleChartLegend<LinearTranslator<float, int>> scale_legend_;
  DistanceChartScale scale_;
  docview::CPoint scale_start_, scale_end_;
  std::unordered_map<const Dendron*, double> positions_;
  int tree_left_ = 0, tree_right_ = 0, y0_ = 0, y1_ = 0, lh_ = 0;
  bool bands_shown_ = false;
};

class ConstantClockDendrogramView : public DendrogramView {
 protected:
  void SetHeightTranslator() override;
};

class AveLinkageDendrogramView : public ConstantClockDendrogramView {
 public:
  std::string LinkageName() const override { return "UPGMA"; }

 protected:
  std::unique_ptr<Dendrogram> MakeTree() const override;
};

class MaxLinkageDendrogramView : public ConstantClockDendrogramView {
 public:
  std::string LinkageName() const override { return "Maximum"; }

 protected:
  std::unique_ptr<Dendrogram> MakeTree() const override;
};

class MinLinkageDendrogramView : public ConstantClockDendrogramView {
 public:
  std::string LinkageName() const override { return "Minimum"; }

 protected:
  std::unique_ptr<Dendrogram> MakeTree() const override;
};

// Neighbour joining ("Nearest Neighbor" in the menu and the legend).
class NbrJoinView : public DendrogramView {
 public:
  std::string LinkageName() const override { return "Nearest Neighbor"; }

 protected:
  std::unique_ptr<Dendrogram> MakeTree() const override;
  void SetHeightTranslator() override;
};

}  // namespace velto
