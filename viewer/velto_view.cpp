#include "viewer/velto_view.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "viewer/global_options.h"
#include "viewer/resource.h"
#include "viewer/velto_app.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_strings.h"

namespace velto {

using docview::CPoint;
using docview::CSize;

std::string LegendLine(const std::string& label, const std::string& value) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%-34s%s", (label + ":").c_str(), value.c_str());
  return buf;
}

GlobalOptions& Options() {
  if (auto* app = dynamic_cast<CVeltoApp*>(docview::CWinApp::Get())) return app->Options();
  static GlobalOptions fallback;
  return fallback;
}

CVeltoDoc* CVeltoView::GetDocument() const {
  return dynamic_cast<CVeltoDoc*>(docview::CView::GetDocument());
}

bool CVeltoView::HasTaxa() const {
  CVeltoDoc* doc = GetDocument();
  return doc && doc->TaxonCount() > 0;
}

void CVeltoView::OnUpdate(docview::CView* sender, long, void*) {
  if (sender == this) return;
  Layout();
  ApplySizing();
  Invalidate();
}

void CVeltoView::ApplySizing() {
  CSize e = Extent();
  if (!Options().GetFitToWindow()) {
    SetScrollSizes(docview::MM_LOMETRIC, e);
  } else {
    if (GetParentFrame()) GetParentFrame()->RecalcLayout();
    SetScaleToFitSize({e.cx, e.cy > 0 ? -e.cy : e.cy});
  }
}

void CVeltoView::OnPrepareDC(docview::CDC* dc, docview::CPrintInfo* info) {
  docview::CScrollView::OnPrepareDC(dc, info);
  if (dc->IsPrinting() && Options().GetFitToWindow()) {
    // The whole picture onto one page: the page in device pixels.
    CSize e = Extent();
    dc->SetMapMode(docview::MM_ANISOTROPIC);
    dc->SetWindowExt(e.cx == 0 ? 1 : e.cx, e.cy == 0 ? -1 : -std::abs(e.cy));
    dc->SetViewportExt(dc->GetDeviceCaps(docview::HORZRES), dc->GetDeviceCaps(docview::VERTRES));
  }
}

namespace {

// Measures on `base` and keeps the top and bottom, in device pixels, of every text drawn.
class TextSpans : public docview::Device {
 public:
  explicit TextSpans(docview::Device& base) : base_(base) {}
  int Caps(int index) const override { return base_.Caps(index); }
  bool IsPrinting() const override { return true; }
  docview::DeviceFontMetrics Metrics(const docview::LOGFONT& font, double pixels) override {
    return base_.Metrics(font, pixels);
  }
  double TextWidth(const docview::LOGFONT& font, double pixels, const std::string& text) override {
    return base_.TextWidth(font, pixels, text);
  }
  void Text(CPoint, double x, double y, unsigned align, const docview::LOGFONT& font, double pixels,
            const std::string& text, double stretch) override {
    docview::DeviceRect r = docview::TextBox(base_, x, y, align, font, pixels, text, stretch);
    spans.emplace_back(r.top, r.bottom);
  }

  std::vector<std::pair<double, double>> spans;

 private:
  docview::Device& base_;
};

}  // namespace

std::vector<int> CVeltoView::PageTops(docview::Device& device) {
  auto measure = std::make_shared<TextSpans>(device);
  docview::CDC dc(measure);
  dc.SetMapMode(docview::MM_LOMETRIC);
  OnDraw(&dc);
  const int page = dc.GetDeviceCaps(docview::VERTRES);
  const int height = std::abs(dc.LPtoDP(CSize{0, std::abs(Extent().cy)}).cy);
  // A depth in device pixels as logical units, rounded up the page so that a text starting there
  // is not cut.
  auto logical = [&dc](int px) {
    int l = std::abs(dc.DPtoLP(CSize{0, px}).cy);
    while (l > 0 && std::abs(dc.LPtoDP(CSize{0, l}).cy) > px) --l;
    return l;
  };
  std::vector<int> tops{0};
  if (page <= 0) return tops;
  int top = 0;
  while (top + page < height) {
    // Up to the top of the highest text that the page's edge cuts; a text above that reaching a
    // pixel or two past it (texts may overlap by a rounding) stays on this page, which holds
    // its middle.
    const double edge = top + page;
    double cut = edge;
    for (const auto& [a, b] : measure->spans)
      if (a > top && a < edge && edge < b) cut = std::min(cut, a);
    int next = std::abs(dc.LPtoDP(CSize{0, logical(static_cast<int>(cut))}).cy);
    if (next <= top) next = top + page;  // a text taller than the page is cut
    tops.push_back(logical(next));
    top = next;
  }
  return tops;
}

unsigned CVeltoView::PageCount() {
  if (Options().GetFitToWindow()) return 1;
  DefaultPrinterDC dc(docview::MM_LOMETRIC);
  m_pageTops = PageTops(dc.device());
  return static_cast<unsigned>(m_pageTops.size());
}

bool CVeltoView::OnPreparePrinting(docview::CPrintInfo* info) {
  info->SetMaxPage(PageCount());
  return DoPreparePrinting(info);
}

void CVeltoView::OnBeginPrinting(docview::CDC* dc, docview::CPrintInfo* info) {
  // The pages of the printer chosen, which may hold another paper than the default printer's.
  if (Options().GetFitToWindow()) return;
  m_pageTops = PageTops(dc->attribute());
  info->SetMaxPage(static_cast<unsigned>(m_pageTops.size()));
}

void CVeltoView::OnPrint(docview::CDC* dc, docview::CPrintInfo* info) {
  std::size_t page = info && info->m_nCurPage > 0 ? info->m_nCurPage - 1 : 0;
  if (Options().GetFitToWindow()) {
    dc->SetViewportOrg(0, 0);
    OnDraw(dc);
    return;
  }
  if (m_pageTops.empty()) PageCount();
  page = std::min(page, m_pageTops.size() - 1);
  // The page shows its slice of the picture, from its top to the next page's.
  const int top = m_pageTops[page];
  dc->SetViewportOrg(0, -std::abs(dc->LPtoDP(CSize{0, top}).cy));
  constexpr int kWide = 1000000;
  const int bottom = page + 1 < m_pageTops.size() ? m_pageTops[page + 1] : top + kWide;
  dc->IntersectClipRect({-kWide, -top, kWide, -bottom});
  OnDraw(dc);
}

bool CVeltoView::OnCommand(unsigned id) {
  if (id == ID_VIEW_FIT_TO_WINDOW) {
    Options().SetFitToWindow(!Options().GetFitToWindow());
    ApplySizing();
    Invalidate();
    return true;
  }
  return docview::CScrollView::OnCommand(id);
}

bool CVeltoView::OnUpdateCommand(docview::CCmdUI& ui) {
  switch (ui.m_nID) {
    case ID_VIEW_FIT_TO_WINDOW:
      ui.Enable(HasTaxa());
      ui.SetCheck(Options().GetFitToWindow());
      return true;
    case docview::ID_FILE_PRINT:
    case docview::ID_FILE_PRINT_PREVIEW:
      ui.Enable(HasTaxa());
      return true;
    default:
      return false;  // the toolbar's Print is the application's
  }
}

int CVeltoView::DrawLegend(VeltoDC& dc) const {
  dc.SaveDC();
  docview::LOGFONT lf = Options().Font().GetLogFont();
  lf.lfFaceName = "Courier New";
  lf.lfPitchAndFamily = docview::FIXED_PITCH | docview::FF_MODERN;
  docview::CFont font;
  font.CreateFontIndirect(lf);
  dc.SelectObject(font);
  dc.SetTextAlign(docview::TA_LEFT | docview::TA_TOP);
  int y = 0;
  int lh = dc.LineHeight();
  for (const std::string& line : m_legend) {
    dc.TextOut(0, y, line);
    y -= lh;
  }
  dc.RestoreDC();
  return y;
}

void CVeltoView::SetParameterLegend() {
  CVeltoDoc* doc = GetDocument();
  m_legend = {LegendLine(LoadString(IDS_MATCH_METHOD), doc->m_matchMethod),
              LegendLine(LoadString(IDS_BAND_SIZE_TOLERANCE), doc->m_bandSizeTolerance),
              LegendLine(LoadString(IDS_SPACING_TOLERANCE), doc->m_spacingTolerance),
              LegendLine(LoadString(IDS_VOLUME_TOLERANCE), doc->m_volumeTolerance),
              LegendLine(LoadString(IDS_LANE_MATCH_THRESHOLD), doc->m_laneMatchThreshold)};
}

void CVeltoView::SetBandTranslator(int start, int end) {
  float lo = 0, hi = 0;
  CVeltoDoc* doc = GetDocument();
  if (doc && doc->PositiveBandRange(lo, hi))
    m_bandTranslator.Set(hi, lo, start, end);
  else
    m_bandTranslator.Set(2.0f, 1.0f, start, end);
}

void CVeltoView::DrawBands(VeltoDC& dc, std::size_t taxon, int y, int lh) const {
  // Only values above zero have a place on the logarithmic band scale.
  for (float v : GetDocument()->Bands(taxon)) {
    if (!(v > 0.0f)) continue;
    int bx = m_bandTranslator.ToPixel(v);
    CPoint pts[2] = {{bx, y + lh / 2}, {bx, y + lh / 2 - lh}};
    dc.Polyline(pts, 2);
  }
}

namespace {
bool IsPrintCommand(unsigned id) {
  return id == docview::ID_FILE_PRINT || id == docview::ID_FILE_PRINT_PREVIEW ||
         id == docview::ID_FILE_PRINT_DIRECT;
}
}  // namespace

bool EmptyView::OnCommand(unsigned id) { return IsPrintCommand(id); }

bool EmptyView::OnUpdateCommand(docview::CCmdUI& ui) {
  if (ui.m_nID == ID_VIEW_FIT_TO_WINDOW ||
      (IsPrintCommand(ui.m_nID) && ui.m_nID != docview::ID_FILE_PRINT_DIRECT)) {
    ui.Enable(false);
    return true;
  }
  return false;
}

}  // namespace velto
