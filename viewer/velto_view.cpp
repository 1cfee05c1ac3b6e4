#include "viewer/velto_view.h"

#include <cstdio>

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

unsigned CVeltoView::PageCount() {
  if (Options().GetFitToWindow()) return 1;
  DefaultPrinterDC dc(docview::MM_LOMETRIC);
  long long page = dc.PageSize().cy;
  long long h = std::abs(static_cast<long long>(Extent().cy));
  if (page <= 0) return 1;
  long long n = (h + page - 1) / page;
  return static_cast<unsigned>(n < 1 ? 1 : n);
}

bool CVeltoView::OnPreparePrinting(docview::CPrintInfo* info) {
  info->SetMaxPage(PageCount());
  return DoPreparePrinting(info);
}

void CVeltoView::OnPrint(docview::CDC* dc, docview::CPrintInfo* info) {
  // Each page shows the next page-high slice of the picture.
  int page = static_cast<int>(info ? info->m_nCurPage : 1);
  dc->SetViewportOrg(0, -(page - 1) * dc->GetDeviceCaps(docview::VERTRES));
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
