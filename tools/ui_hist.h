// The histogram window: how the pixel values of a rectangle of an image file spread over the
// rectangle's dynamic range, as a bar chart of at most 64 bins.
#pragma once

#include <string>
#include <vector>

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

inline constexpr int kHistMaxBins = 64;

struct HistData {
  bool ok = false;           // the rectangle was read
  std::vector<int> bins;
  long min = 0, max = 0;     // dynamic range of the rectangle
  long total = 0;            // pixels counted
  int per_bin = 1;           // values per bin, a power of two
  int label_pos[5] = {};     // chart positions (1 ..) of the five axis labels
  long label_value[5] = {};  // and their values
};

// Bins of the given pixel values.
HistData ui_hist_of_values(const std::vector<unsigned>& values);
// The rectangle with corners a and b (clamped into the image) read from the image file.
HistData ui_hist_compute(const char* path, TkPoint a, TkPoint b);
// "<window title> : <file name>", a last ".kes" dropped in any letter case.
std::string ui_hist_title(const char* window_title, const char* path);
// The chart's two-line title.
std::string ui_hist_chart_title(const HistData& h);
