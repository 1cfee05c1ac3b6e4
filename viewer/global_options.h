// The viewer's settings and its Options dialog in one: the scale type, band display, minimum
// contig overlap, fit to window and the font of labels and legends, kept in the profile section
// "Velto". The values are loaded on first use; values out of range are mended on load.
#pragma once

#include <cstdint>
#include <string>

#include "docview/dc.h"
#include "docview/dialog.h"

namespace velto {

extern const char* const kProfileSection;  // "Velto"

class GlobalOptions : public docview::CDialog {
 public:
  GlobalOptions();

  int GetScaleType();  // 0 similarity, 1 distance
  bool GetShowBands();
  bool GetFitToWindow();
  int GetMinContigOverlap();  // 1 to 100
  // Stores the setting and writes it to the profile at once.
  void SetFitToWindow(bool on);
  // The font of labels and legends, in 0.1 mm units (made on first use).
  const docview::CFont& Font();
  // Runs the dialog; true when the user confirmed it (the values are then written).
  bool Run();
  // Forgets the loaded values and the font, so the next use reads the profile again.
  void Reload();

  void DoDataExchange(docview::CDataExchange* dx) override;
  bool OnCommand(unsigned id) override;

 private:
  void Load();
  void OnFonts();

  int m_scaleType = 0;
  int m_showBands = 0;
  unsigned m_minContigOverlap = 5;
  std::uint8_t m_fitToWindow = 0;
  docview::CFont m_font;
  bool loaded_ = false;
};

}  // namespace velto
