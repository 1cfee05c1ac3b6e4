// The densitometry tool's boundaries file (band bounds as fractions of the lane's length, one
// band a line: "lower, upper, name") and its band report (a fixed-width table of the bands).
#pragma once

#include <string>
#include <vector>

#include "tools/dtool_calc.h"

inline constexpr int kDtMaxBounds = 50;   // lines of a boundaries file
inline constexpr int kDtNameLen = 20;     // characters of a band name

// One line of a boundaries file as read.
struct DtBound {
  double lower;
  double upper;
  std::string name;
};
// Parses a boundaries file's text: false for an empty text, an empty or malformed line, a lower
// value not below its upper one, or more than kDtMaxBounds lines. Names are cut to kDtNameLen.
bool dtool_parse_bounds(const std::string& text, std::vector<DtBound>* out);
// Bands for a profile of n points from the file's fractions (each held to 0..1), in file order.
std::vector<DT_BAND> dtool_bounds_to_bands(const std::vector<DtBound>& bounds, int n);
// Reads the file and installs its bands; false after the error alert (bands kept).
bool bReadBoundariesFile(const char* path);

// The report's columns (field codes) and each one's base width.
const std::vector<int>& dtool_report_columns();
int dtool_column_width(int code);
// The cell text of band i for a column code.
std::string dtool_cell(int code, int i);
// The whole report of the tool's bands.
std::string dtool_report_text();
