// Match file writer: see matr_velto.h.
#include "analysis/matr_velto.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/lane_map.h"
#include "model/match_matrix.h"
#include "analysis/num_text.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/byte_io.h"
#include "model/control.h"

namespace {

const char kCsvFilter[] = "CSV Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";

// The viewer splits fields at blanks, tabs and commas and ends a label at a double quote.
std::string safe_unit(const char* unit) {
  std::string u = unit ? unit : "";
  if (u.empty()) return "-";
  for (char& c : u)
    if (c == ' ' || c == '\t' || c == ',') c = '_';
  return u;
}

std::string safe_label(const char* label) {
  std::string l = label ? label : "";
  for (char& c : l)
    if (c == '"') c = '\'';
  return l;
}

// A new empty file "Match<unique>.csv" of the system's temporary folder, made exclusively.
std::string make_temp_match_file() {
  std::error_code ec;
  std::string dir = std::filesystem::temp_directory_path(ec).string();
  if (ec || dir.empty()) dir = "/tmp";
  if (dir.back() != '/') dir += '/';
  std::string tmpl = dir + "MatchXXXXXX.csv";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  const int fd = mkstemps(buf.data(), 4);
  if (fd < 0) return "";
  close(fd);
  return buf.data();
}

}  // namespace

const char* matr_method_name(int code) {
  switch (code) {
    case 0: return "Jaccard";
    case 1: return "Dice";
    case 2: return "Percent-of-reference";
    default: return "unknown";
  }
}

std::string matr_match_file_text(const MATCH_MATRIX* mr, const LANE_MAP* map,
                                 const char* size_unit) {
  std::string t = "VELTO, ";
  t += matr_method_name(mr->method);
  for (double v : {mr->band_size_tol, mr->spacing_tol, mr->volume_tol, mr->match_threshold})
    t += ", " + num_fixed(v, 6);
  t += ", " + safe_unit(size_unit) + "\n";
  const int n = ks_mr_count(mr);
  t += std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) {
    t += "\"" + safe_label(ks_mr_label(mr, i)) + "\", ";
    for (int j = 0; j < i; ++j) t += num_fixed(ks_mr_similarity(mr, i, j), 1, 5) + ",";
    if (map) lmap_write_sizes(t, map, i);
    t += "\n";
  }
  return t;
}

BOOL save_match_results_for_velto(const MATCH_MATRIX* mr, char* path_buf, std::size_t cap,
                                  const LANE_MAP* map) {
  static const char* fn = "save_match_results_for_velto";
  SLOG(fn, SLOG_ENTRY, "p_mr 0p%p, p_illu_data 0p%p", static_cast<const void*>(mr),
       static_cast<const void*>(map));
  if (cap == 0 || path_buf == nullptr) return FALSE;
  path_buf[0] = '\0';
  const CONTROL* ctl = gt_get_control();
  char picked[1024] = "";
  const int n = io_win32_savefile(picked, sizeof picked, "Save Match Results...",
                                  ctl->import_path, nullptr, kCsvFilter, ".csv");
  std::string path;
  if (n == 1 && ctl->keep_match_results) {
    path = picked;
  } else {
    path = make_temp_match_file();
    SLOG(fn, SLOG_VALUE4, "temp file <%s>", path.c_str());
  }
  if (!path.empty() && access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0) {
    mh_send_msg(1, ui_msg(244), path.c_str());
    SLOG(fn, SLOG_EXIT, "file <%s> exists, but is not writeable, FALSE", path.c_str());
    return FALSE;
  }
  const std::string text = mr ? matr_match_file_text(mr, map, ctl->size_unit) : std::string();
  if (path.empty() || mr == nullptr || path.size() >= cap ||
      !io_write_file_replace(path.c_str(), text.data(), text.size())) {
    mh_send_msg(1, ui_msg(244), path.c_str());
    SLOG(fn, SLOG_EXIT, "cannot write <%s>, FALSE", path.c_str());
    return FALSE;
  }
  std::snprintf(path_buf, cap, "%s", path.c_str());
  SLOG(fn, SLOG_EXIT, "<%s>", path_buf);
  return TRUE;
}

