#include "viewer/contig_map_view.h"

#include <algorithm>

#include "viewer/global_options.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_strings.h"

namespace velto {

using docview::CPoint;

void ContigMapView::OnUpdate(docview::CView* sender, long hint, void* object) {
  if (sender == this) return;
  if (hint == 0) {
    CVeltoDoc* doc = GetDocument();
    if (doc && doc->TaxonCount() > 0) {
      map_ = std::make_unique<ContigMap>();
      unsigned overlap = static_cast<unsigned>(Options().GetMinContigOverlap());
      map_->BuildContigMap(doc->Distances(), doc->Taxa(), static_cast<float>(100u - overlap));
    } else {
      map_.reset();
    }
  }
  CVeltoView::OnUpdate(sender, hint, object);
}

void ContigMapView::Layout() {
  if (!HasTaxa() || !map_ || map_->Empty()) {
    m_extent = {};
    return;
  }
  CVeltoDoc* doc = GetDocument();
  SetParameterLegend();
  m_legend.push_back(LegendLine(LoadString(IDS_MIN_CONTIG_OVERLAP),
                                std::to_string(static_cast<unsigned>(Options().GetMinContigOverlap()))));
  int w, inch;
  {
    DefaultPrinterDC printer(docview::MM_LOMETRIC);
    printer.SaveDC();
    w = printer.PageSize().cx;
    inch = printer.LogicalUnitsPerInch(true);
    printer.RestoreDC();
  }
  bands_shown_ = Options().GetShowBands() && doc->m_bHasBands;
  bar_width_ = bands_shown_ ? 2 * w / 3 : w;
  float most = std::max(map_->Extent(), 200.0f);
  offsets_.low = 0.0f;
  offsets_.high = most;
  offsets_.pixel_low = 0;
  offsets_.pixel_high = bar_width_ - inch / 8;
  offsets_.scale = most == 0.0f ? 0.0 : offsets_.pixel_high / static_cast<double>(most);
  SetBandTranslator(bar_width_, w);
  // The height is what a drawing on the display reaches.
  VeltoDC display = VeltoDC::Display();
  display.SetMapMode(docview::MM_LOMETRIC);
  int height = Draw(display);
  m_extent = {w, height};
}

void ContigMapView::OnDraw(docview::CDC* dc) {
  if (!HasTaxa() || !map_) return;
  Draw(*dc);
}

int ContigMapView::Draw(docview::CDC& cdc) {
  VeltoDC dc(cdc);
  dc.SaveDC();
  dc.SelectObject(Options().Font());
  int lh = dc.LineHeight();
  int gap = (dc.LogicalUnitsPerInch(true) + 19) / 20;
  int y = DrawLegend(dc) - lh / 2;
  CVeltoDoc* doc = GetDocument();
  const auto& entries = map_->Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ContigEntry& e = entries[i];
    bool starts = map_->StartsContig(i);
    // A contig of one lane is not drawn.
    if (starts && (i + 1 == entries.size() || map_->StartsContig(i + 1))) continue;
    if (starts) y -= lh;  // a blank line before each contig
    int x0 = offsets_.ToPixel(e.offset), x1 = offsets_.ToPixel(e.offset + 100.0f);
    if (starts) {
      CPoint bar[2] = {{x1, y}, {x0, y}};
      dc.Polyline(bar, 2);
    } else {
      CPoint bar[3] = {{x1, y}, {x0, y}, {x0, y + lh}};
      dc.Polyline(bar, 3);
    }
    // The label goes a gap after the bar's end when it fits there, measured from where it is
    // drawn; else a gap before the bar's start.
    const std::string& label = e.taxon->Label();
    if (dc.GetTextExtent(label).cx <= bar_width_ - (x1 + gap)) {
      dc.SetTextAlign(docview::TA_LEFT | docview::TA_BOTTOM);
      dc.TextOut(x1 + gap, y - lh / 2, label);
    } else {
      dc.SetTextAlign(docview::TA_RIGHT | docview::TA_BOTTOM);
      dc.TextOut(x0 - gap, y - lh / 2, label);
    }
    if (bands_shown_) {
      std::size_t t = doc->Taxa().IndexOf(e.taxon);
      if (t < doc->TaxonCount()) DrawBands(dc, t, y, lh);
    }
    y -= lh;
  }
  dc.RestoreDC();
  return -y;
}

}  // namespace velto
