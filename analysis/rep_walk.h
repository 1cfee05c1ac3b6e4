// Band report walk and layout: counts what the report type selects, writes the master header,
// walks the images, lanes and bands (or the reference bands and matched lanes of a match) and
// writes each image section and row, as text or as grid cells, through a sink.
#pragma once

#include <string>
#include <vector>

#include "analysis/rep_engine.h"

struct IMAGE_REC;
struct LANE;
struct SPOT;

// Where a report goes: pieces of text (text layout) or cells of a grid (table layout), which
// grows as rows are written.
class RepSink {
 public:
  virtual ~RepSink() = default;
  virtual void clear() = 0;
  virtual void append(const std::string& piece) = 0;
  virtual void set_cell(int row, int col, const std::string& text) = 0;
};

// A sink that keeps what it is given.
class RepBuffer : public RepSink {
 public:
  void clear() override;
  void append(const std::string& piece) override { text += piece; }
  void set_cell(int row, int col, const std::string& text) override;

  std::string text;
  std::vector<std::vector<std::string>> grid;  // rows of cells; a cell nothing filled is empty
};

// What one run reports.
struct RepRun {
  int type = REP_SEL_BANDS;
  int format = FMT_TEXT;
  std::vector<IMAGE_REC*> windows;  // the open images, in window list order
  IMAGE_REC* current = nullptr;     // the current image
  std::vector<std::string> paths;   // All Lanes: the listed images
  const RepMatch* match = nullptr;  // Band Match and Lane Match
};

// Builds the report for the run into the sink, reading the family's configuration and the
// report state's two switches (active_only, empty_lanes). Returns the number of rows to
// report: -1 when the run was cancelled, 0 when there was nothing to report (the sink is then
// left as it was unless the empty-lanes switch is on).
long report_bands(const RepRun& run, RepSink& sink);

// The bands of a lane as the image's band chain holds them (none without a chain).
std::vector<SPOT*> rep_lane_bands(IMAGE_REC* image, LANE* lane);

// "%*.*s " and "%*s " of the layouts: right-aligned to the width and cut to it, or never cut.
std::string rep_cell(const std::string& s, int width);
std::string rep_col(const std::string& s, int width);
