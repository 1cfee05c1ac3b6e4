// The contig map view: one bar per lane of every contig of two or more lanes, in the map's order,
// each 100 distance units long from the lane's offset in its contig, with the lane's label beside
// it and, when bands are shown, its band positions in a column to the right.
#pragma once

#include <memory>

#include "viewer/contig_map.h"
#include "viewer/velto_view.h"

namespace velto {

class ContigMapView : public CVeltoView {
 public:
  void OnUpdate(docview::CView* sender, long hint, void* object) override;
  void OnDraw(docview::CDC* dc) override;
  void Layout() override;

  const ContigMap* Map() const { return map_.get(); }
  const LinearTranslator<float, int>& OffsetTranslator() const { return offsets_; }
  int BarAreaWidth() const { return bar_width_; }
  // Draws the map on `dc` and returns how far down it reached (a positive length).
  int Draw(docview::CDC& dc);

 private:
  std::unique_ptr<ContigMap> map_;
  LinearTranslator<float, int> offsets_;
  int bar_width_ = 0;
  bool bands_shown_ = false;
};

}  // namespace velto
