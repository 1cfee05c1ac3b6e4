// The line profile window: the pixel values of an image file along a straight line, from the
// first point to the second, charted against the distance along the line.
#pragma once

#include <string>
#include <vector>

#include "toolkit/tk_types.h"

inline constexpr int kProfMaxPoints = 8191;

struct ProfData {
  TkPoint a{0, 0}, b{0, 0};   // the points as clamped into the image
  std::vector<int> points;    // (distance index, value) pairs
  int count() const { return static_cast<int>(points.size() / 2); }
};

// The profile of the line from a to b of the image file; no points when the file cannot be
// read or the two points coincide.
ProfData ui_profile_compute(const char* path, TkPoint a, TkPoint b);
// The chart's title: "(x1,y1) to (x2,y2)" with the clamped points.
std::string ui_profile_title(const ProfData& p);
