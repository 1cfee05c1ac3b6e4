#include "viewer/dendrogram_view.h"

#include "viewer/global_options.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_strings.h"

namespace velto {

using docview::CPoint;

void DendrogramView::OnUpdate(docview::CView* sender, long hint, void* object) {
  if (sender != this && hint == 0) {
    CVeltoDoc* doc = GetDocument();
    if (doc && doc->TaxonCount() > 0) {
      tree_ = MakeTree();
      tree_->Build(doc->Distances(), doc->Taxa());
    } else {
      tree_.reset();
    }
  }
  CVeltoView::OnUpdate(sender, hint, object);
}

bool DendrogramView::IsEmpty() const {
  return !HasTaxa() || !tree_ || !tree_->Root();
}

double DendrogramView::Position(const Dendron* node) const {
  auto it = positions_.find(node);
  return it == positions_.end() ? 0.0 : it->second;
}

void DendrogramView::Layout() {
  positions_.clear();
  if (HasTaxa()) {
    SetParameterLegend();
    m_legend.push_back(LegendLine(LoadString(IDS_LINKAGE_METHOD), LinkageName()));
  }
  if (IsEmpty()) {
    m_extent = {};
    return;
  }
  CVeltoDoc* doc = GetDocument();
  int pw;
  {
    DefaultPrinterDC printer(docview::MM_LOMETRIC);
    printer.SaveDC();
    pw = printer.PageSize().cx;
    printer.RestoreDC();
  }
  VeltoDC display = VeltoDC::Display();
  display.SaveDC();
  display.SetMapMode(docview::MM_LOMETRIC);
  display.SelectObject(Options().Font());
  lh_ = display.LineHeight();
  int inch = display.LogicalUnitsPerInch(true);

  bands_shown_ = Options().GetShowBands() && doc->m_bHasBands;
  tree_left_ = inch / 4;
  tree_right_ = bands_shown_ ? pw / 3 : pw / 2;
  SetBandTranslator(2 * pw / 3, pw);

  const int lines = static_cast<int>(m_legend.size());
  const Dendron* root = tree_->Root();
  const int n = static_cast<int>(root->Size());
  y0_ = -(lines + 5) * lh_ - lh_ / 2;
  y1_ = y0_ - n * lh_;

  // Leaves are evenly spaced in postfix order; an inner node stands between its children.
  int k = 0;
  for (const Dendron& node : Walk<TreeIter::Postfix>(root)) {
    if (node.IsTaxon())
      positions_[&node] = static_cast<double>(k++) / n;
    else
      positions_[&node] = (positions_[node.Left()] + positions_[node.Right()]) / 2.0;
  }
  rows_.Set(0.0, 1.0, y0_, y1_ - lh_ / 2);
  m_extent = {pw, lh_ / 2 - y1_};

  SetHeightTranslator();
  scale_start_ = {tree_left_, y0_ + 2 * lh_};
  scale_end_ = {tree_right_, y0_ + 2 * lh_};
  scale_.Set(display, 11, scale_start_, scale_end_, &scale_legend_);
  display.RestoreDC();
}

void DendrogramView::OnDraw(docview::CDC* cdc) {
  if (IsEmpty()) return;
  VeltoDC dc(*cdc);
  dc.SaveDC();
  dc.SelectObject(Options().Font());
  DrawLegend(dc);
  scale_.Draw(dc);
  int lh = dc.LineHeight();
  int gap = (dc.LogicalUnitsPerInch(true) + 19) / 20;
  CVeltoDoc* doc = GetDocument();
  dc.SetTextAlign(docview::TA_LEFT | docview::TA_TOP);
  for (const Dendron& node : Walk<TreeIter::Postfix>(tree_->Root())) {
    int x = height_.ToPixel(tree_->NodeValue(node));
    if (node.IsTaxon()) {
      int y = rows_.ToPixel(Position(&node));
      dc.TextOut(x + gap, y + lh / 2, node.Label());
      if (bands_shown_) {
        std::size_t i = doc->Taxa().IndexOf(static_cast<const Taxon*>(&node));
        if (i < doc->TaxonCount()) DrawBands(dc, i, y, lh);
      }
      continue;
    }
    const Dendron* a = node.Left();
    const Dendron* b = node.Right();
    int ya = rows_.ToPixel(Position(a)), yb = rows_.ToPixel(Position(b));
    CPoint pts[4] = {{height_.ToPixel(tree_->NodeValue(*a)), ya},
                     {x, ya},
                     {x, yb},
                     {height_.ToPixel(tree_->NodeValue(*b)), yb}};
    dc.Polyline(pts, 4);
  }
  dc.RestoreDC();
}

void ConstantClockDendrogramView::SetHeightTranslator() {
  // Height 100 at the left (the root side), 0 at the right (the leaves).
  height_.low = 100.0f;
  height_.high = 0.0f;
  height_.pixel_low = tree_left_;
  height_.pixel_high = tree_right_;
  height_.scale = (tree_right_ - tree_left_) * -0.01;
  // The similarity scale reads 100 minus the height.
  scale_legend_ = {&height_, Options().GetScaleType() == 0};
}

void NbrJoinView::SetHeightTranslator() {
  auto* nj = static_cast<NbrJoinDendrogram*>(tree_.get());
  float length = nj->GreatestDistanceFromRoot();
  height_.low = 0.0f;
  height_.high = length;
  height_.pixel_low = tree_left_;
  height_.pixel_high = tree_right_;
  height_.scale = length == 0.0f ? 0.0 : (tree_right_ - tree_left_) / static_cast<double>(length);
  scale_legend_ = {&height_, false};
}

std::unique_ptr<Dendrogram> AveLinkageDendrogramView::MakeTree() const {
  return std::make_unique<AveLinkageDendrogram>();
}
std::unique_ptr<Dendrogram> MaxLinkageDendrogramView::MakeTree() const {
  return std::make_unique<MaxLinkageDendrogram>();
}
std::unique_ptr<Dendrogram> MinLinkageDendrogramView::MakeTree() const {
  return std::make_unique<MinLinkageDendrogram>();
}
std::unique_ptr<Dendrogram> NbrJoinView::MakeTree() const {
  return std::make_unique<NbrJoinDendrogram>();
}

}  // namespace velto
