// The densitometry tool's boundaries file and band report.
#include "tools/dtool_report.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/slog.h"
#include "io/byte_io.h"
#include "toolkit/tk_alert.h"
#include "toolkit/tk_res.h"

namespace {

const char* const kInvalid = "Boundaries file is invalid.\nChoose a valid boundaries file.";

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

// Column headings of the tool's columns when the report module's list is not loaded.
const char* fallback_title(int code) {
  switch (code) {
    case 5: return "Band";
    case 25: return "Volume";
    case 26: return "% Lane";
    case 29: return "% Bands";
    case 13: return "Rf";
    case 27: return "Width";
    case 6: return "Size";
    default: return "";
  }
}

std::string title(int code) {
  const char* t = RES_GetString("rep_fld", "StrLBandReportTableFields", 2L * code + 1);
  return t ? t : fallback_title(code);
}

// "%*.*s ": right-aligned and cut to the width.
std::string cell(const std::string& s, int w) {
  std::string c = s.substr(0, static_cast<std::size_t>(w));
  return std::string(static_cast<std::size_t>(w) - c.size(), ' ') + c + " ";
}

}  // namespace

bool dtool_parse_bounds(const std::string& text, std::vector<DtBound>* out) {
  std::vector<DtBound> got;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.find('\0') != std::string::npos) return false;
    if (static_cast<int>(got.size()) == kDtMaxBounds) return false;
    double lo = 0, hi = 0;
    std::vector<char> name(line.size() + 1, '\0');
    if (std::sscanf(line.c_str(), "%lf, %lf, %s", &lo, &hi, name.data()) != 3) return false;
    if (!(lo < hi)) return false;
    std::string n(name.data());
    if (static_cast<int>(n.size()) > kDtNameLen) n.resize(kDtNameLen);
    got.push_back({lo, hi, n});
  }
  if (got.empty()) return false;
  if (out) *out = std::move(got);
  return true;
}

std::vector<DT_BAND> dtool_bounds_to_bands(const std::vector<DtBound>& bounds, int n) {
  std::vector<DT_BAND> bands;
  const double span = std::max(n - 1, 0);
  for (const DtBound& b : bounds) {
    DT_BAND d{};
    d.lo_infl = d.lo_lowest = static_cast<int>(std::trunc(std::clamp(b.lower, 0.0, 1.0) * span));
    d.hi_infl = d.hi_lowest = static_cast<int>(std::trunc(std::clamp(b.upper, 0.0, 1.0) * span));
    d.peak = (d.lo_infl + d.hi_infl) / 2;
    std::snprintf(d.label, sizeof d.label, "%s", b.name.c_str());
    bands.push_back(d);
  }
  return bands;
}

bool bReadBoundariesFile(const char* path) {
  std::vector<uint8_t> bytes;
  std::vector<DtBound> bounds;
  // A boundaries file is a few lines; a large file is not one.
  const bool ok = path && *path && io_read_whole_file(path, bytes, 1 << 20) &&
                  dtool_parse_bounds(std::string(bytes.begin(), bytes.end()), &bounds);
  if (!ok) {
    SLOG("bReadBoundariesFile", SLOG_WARN, "invalid <%s>", path ? path : "");
    ALERT_NewError(kInvalid);
    return false;
  }
  DtState& s = dtool_state();
  s.bands = dtool_bounds_to_bands(bounds, dtool_n());
  return true;
}

const std::vector<int>& dtool_report_columns() {
  static const std::vector<int> cols{5, 25, 26, 29, 13, 27, 6};
  return cols;
}

int dtool_column_width(int code) {
  switch (code) {
    case 0: case 22: return 13;
    case 1: case 3: case 4: case 6: case 8: case 15: return 9;
    case 2: case 5: case 7: case 9: case 11: case 12: return 6;
    case 13: case 26: case 29: return 7;
    case 16: case 17: return 4;
    case 18: return 5;
    case 19: case 20: return 3;
    default: return 10;
  }
}

std::string dtool_cell(int code, int i) {
  const DtState& s = dtool_state();
  const LANE* lane = s.lane;
  switch (code) {
    case 0: return s.info ? s.info->image_name : "";
    case 1:
      if (lane && lane->lane_name[0]) return std::string(lane->lane_name, strnlen(lane->lane_name, sizeof lane->lane_name));
      return format("%ld", lane ? static_cast<long>(lane->lane_number) : 0L);
    case 2: return format("%ld", lane ? static_cast<long>(lane->lane_number) : 0L);
    case 5: return format("%d", i + 1);
    case 6: {
      const double size = dtool_size(i);
      return size > 0.0 ? format("%.*lf", std::clamp(s.info ? s.info->size_digits : 0, 0, 10), size) : "n/a";
    }
    case 8: return "--";
    case 13: return format("%.3lf", dtool_rf(i));
    case 14: return format("%.2lf", dtool_position(i));
    case 24: return format("%.3lf", dtool_peak_od(i));
    case 25: return format("%.3lf", dtool_band_volume(i));
    case 26: return format("%.1lf", dtool_pct_lane(i));
    case 27: return format("%.2lf", dtool_width(i));
    case 29: return format("%.1lf", dtool_pct_bands(i));
    default: return "";
  }
}

std::string dtool_report_text() {
  DtState& s = dtool_state();
  const LANE* lane = s.lane;
  std::string out = format("%s : %ld : %.*s\n\n", s.info ? s.info->image_name : "",
                           lane ? static_cast<long>(lane->lane_number) : 0L,
                           static_cast<int>(sizeof lane->lane_name), lane ? lane->lane_name : "");
  s.lane_volume = dtool_lane_volume();
  s.band_sum = dtool_band_sum();
  const auto& cols = dtool_report_columns();
  const int count = static_cast<int>(s.bands.size());
  // Cells first: a column is as wide as its widest cell, so no value loses digits.
  std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(count));
  std::vector<int> width;
  for (int code : cols) width.push_back(dtool_column_width(code));
  for (int i = 0; i < count; ++i) {
    for (std::size_t c = 0; c < cols.size(); ++c) {
      cells[static_cast<std::size_t>(i)].push_back(dtool_cell(cols[c], i));
      width[c] = std::max(width[c], static_cast<int>(cells[static_cast<std::size_t>(i)].back().size()));
    }
  }
  for (std::size_t c = 0; c < cols.size(); ++c) out += cell(title(cols[c]), width[c]);
  out += "\n";
  for (std::size_t c = 0; c < cols.size(); ++c)
    out += std::string(static_cast<std::size_t>(std::min(width[c], 17)), '=') + " ";
  out += "\n";
  for (const auto& row : cells) {
    for (std::size_t c = 0; c < cols.size(); ++c) out += cell(row[c], width[c]);
    out += "\n";
  }
  return out;
}
