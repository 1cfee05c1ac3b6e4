#include "viewer/global_options.h"

#include "docview/framework.h"
#include "docview/message_box.h"
#include "viewer/resource.h"
#include "viewer/velto_dc.h"

namespace velto {

const char* const kProfileSection = "Velto";

namespace {

const char* const kDefaultFace = "Arial";
constexpr int kDefaultFontHeight = 100;  // tenths of a point

docview::DialogTemplate OptionsTemplate() {
  using C = docview::DialogControl;
  docview::DialogTemplate t;
  t.title = "Options";
  t.w = 247;
  t.h = 175;
  t.controls = {
      {C::GroupBox, 0, "Scale", 7, 7, 120, 52},
      {C::RadioFirst, IDC_DISPLAY_SIMILARITY, "Display &Similarity", 15, 20, 105, 12},
      {C::Radio, IDC_DISPLAY_DISTANCE, "Display &Distance", 15, 38, 105, 12},
      {C::Label, 0, "&Contig Min. Overlap", 7, 72, 95, 10},
      {C::NumberEdit, IDC_MIN_CONTIG_OVERLAP, "", 105, 69, 30, 14},
      {C::Label, 0, "%", 139, 72, 10, 10},
      {C::Check, IDC_DISPLAY_BANDS, "Display &Bands", 7, 95, 110, 12},
      {C::Button, IDC_FONTS, "&Fonts", 7, 118, 50, 14},
      {C::DefButton, docview::IDC_OK, "OK", 190, 7, 50, 14},
      {C::Button, docview::IDC_CANCEL, "Cancel", 190, 26, 50, 14},
  };
  return t;
}

docview::CWinApp* App() { return docview::CWinApp::Get(); }

int ProfileInt(const char* key, int def) {
  return App() ? App()->GetProfileInt(kProfileSection, key, def) : def;
}

void WriteInt(const char* key, int value) {
  if (App()) App()->WriteProfileInt(kProfileSection, key, value);
}

}  // namespace

GlobalOptions::GlobalOptions() : docview::CDialog(OptionsTemplate()) {}

void GlobalOptions::Load() {
  if (loaded_) return;
  m_scaleType = ProfileInt("ScaleType", 0);
  if (m_scaleType != 0 && m_scaleType != 1) m_scaleType = 0;
  m_showBands = ProfileInt("ShowBands", 0);
  // The dialog accepts 1 to 100; a value outside would make the contig limit negative.
  int overlap = ProfileInt("MinContigOverlap", 5);
  m_minContigOverlap = static_cast<unsigned>(overlap < 1 ? 1 : overlap > 100 ? 100 : overlap);
  m_fitToWindow = ProfileInt("FitToWindow", 0) != 0 ? 1 : 0;
  loaded_ = true;
}

void GlobalOptions::Reload() {
  loaded_ = false;
  m_font.DeleteObject();
}

int GlobalOptions::GetScaleType() {
  Load();
  return m_scaleType;
}
bool GlobalOptions::GetShowBands() {
  Load();
  return m_showBands != 0;
}
bool GlobalOptions::GetFitToWindow() {
  Load();
  return m_fitToWindow != 0;
}
int GlobalOptions::GetMinContigOverlap() {
  Load();
  return static_cast<int>(m_minContigOverlap);
}

void GlobalOptions::SetFitToWindow(bool on) {
  Load();
  m_fitToWindow = on ? 1 : 0;
  WriteInt("FitToWindow", m_fitToWindow);
}

const docview::CFont& GlobalOptions::Font() {
  if (!m_font.IsCreated()) {
    int height = ProfileInt("FontHeight", kDefaultFontHeight);
    if (height <= 0) height = kDefaultFontHeight;
    std::string face = App() ? App()->GetProfileString(kProfileSection, "FontName", kDefaultFace)
                             : std::string(kDefaultFace);
    if (face.empty()) face = kDefaultFace;
    DefaultPrinterDC dc(docview::MM_LOMETRIC);
    m_font.CreatePointFont(height, face, &dc);
  }
  return m_font;
}

bool GlobalOptions::Run() {
  Load();
  if (DoModal() != docview::IDOK) return false;
  WriteInt("ShowBands", m_showBands);
  WriteInt("ScaleType", m_scaleType);
  WriteInt("MinContigOverlap", static_cast<int>(m_minContigOverlap));
  return true;
}

void GlobalOptions::DoDataExchange(docview::CDataExchange* dx) {
  docview::DDX_Radio(dx, IDC_DISPLAY_SIMILARITY, m_scaleType);
  // The members change only when every field is valid: a refused value keeps the old ones.
  unsigned overlap = m_minContigOverlap;
  docview::DDX_Text(dx, IDC_MIN_CONTIG_OVERLAP, overlap);
  docview::DDV_MinMaxUInt(dx, overlap, 1, 100);
  if (!dx->failed) m_minContigOverlap = overlap;
  docview::DDX_Check(dx, IDC_DISPLAY_BANDS, m_showBands);
}

bool GlobalOptions::OnCommand(unsigned id) {
  if (id == IDC_FONTS) {
    OnFonts();
    return true;
  }
  return false;
}

void GlobalOptions::OnFonts() {
  Font();
  docview::LOGFONT lf = m_font.GetLogFont();
  DefaultPrinterDC dc(docview::MM_LOMETRIC);
  int upi = dc.LogicalUnitsPerInch(false);
  // The chooser works in points: the font's height in tenths of a point.
  int tenths = docview::MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 720, upi);
  std::string face = lf.lfFaceName;
  if (!docview::ChooseFont(face, tenths) || tenths <= 0) return;
  lf.lfFaceName = face;
  lf.lfHeight = -docview::MulDiv(tenths, upi, 720);
  m_font.CreateFontIndirect(lf);
  if (App()) {
    App()->WriteProfileString(kProfileSection, "FontName", face);
    App()->WriteProfileInt(kProfileSection, "FontHeight", tenths);
  }
}

}  // namespace velto
