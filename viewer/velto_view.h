// The base of the viewer's drawing views. Every picture is composed on the default printer's page
// in 0.1 mm units; the view scrolls it, or stretches it to the window with fit to window on, and
// prints it in slices at most a page high that cut no text (one page when fitted). EmptyView is the view of no graph.
#pragma once

#include <string>
#include <vector>

#include "docview/framework.h"
#include "viewer/chart.h"
#include "viewer/velto_dc.h"

namespace velto {

class CVeltoDoc;
class GlobalOptions;

// A legend line: the label and ":" padded with blanks to 34 characters, then the value, cut to
// the 127 characters a line holds.
std::string LegendLine(const std::string& label, const std::string& value);

// The application's options (a program without the viewer's application gets defaults).
GlobalOptions& Options();

class CVeltoView : public docview::CScrollView {
 public:
  CVeltoDoc* GetDocument() const;

  void OnPrepareDC(docview::CDC* dc, docview::CPrintInfo* info = nullptr) override;
  void OnUpdate(docview::CView* sender, long hint, void* object) override;
  bool OnPreparePrinting(docview::CPrintInfo* info) override;
  void OnBeginPrinting(docview::CDC* dc, docview::CPrintInfo* info) override;
  void OnPrint(docview::CDC* dc, docview::CPrintInfo* info) override;
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(docview::CCmdUI& ui) override;

  // Lays the picture out (the views' own); the base does nothing.
  virtual void Layout() {}
  // The picture's width and height in logical units.
  virtual docview::CSize Extent() const { return m_extent; }

  // The number of pages a print on the default printer takes.
  unsigned PageCount();
  // Where each page of a print on `device` begins, in logical units down from the picture's top:
  // at most a printable page below the one before, moved up above any text that the page's
  // bottom edge would cut, so that every text stands whole on one page.
  std::vector<int> PageTops(docview::Device& device);
  // Draws the legend at the top left; returns the y below its last line.
  int DrawLegend(VeltoDC& dc) const;

  const std::vector<std::string>& Legend() const { return m_legend; }
  const LogarithmicTranslator<float, int>& BandTranslator() const { return m_bandTranslator; }

 protected:
  bool HasTaxa() const;
  // Sizes the view for the extent: scroll sizes, or fitted to the window.
  void ApplySizing();
  // Places the document's band values from `start` (the largest) to `end` (the smallest).
  void SetBandTranslator(int start, int end);
  // Draws the ticks of lane `taxon`'s band values on row `y`, a line high.
  void DrawBands(VeltoDC& dc, std::size_t taxon, int y, int lh) const;
  // The legend's five lines of the match parameters.
  void SetParameterLegend();

  LogarithmicTranslator<float, int> m_bandTranslator;
  std::vector<int> m_pageTops;  // of the print being made
  docview::CSize m_extent;
  std::vector<std::string> m_legend;
};

class EmptyView : public docview::CView {
 public:
  // Draws nothing and prints nothing.
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(docview::CCmdUI& ui) override;
};

}  // namespace velto
