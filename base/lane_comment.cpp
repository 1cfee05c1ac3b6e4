// Lane comment files and the fractions definition file.
#include "base/lane_comment.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "base/ks_ini.h"
#include "base/slog.h"

namespace fs = std::filesystem;

namespace {

FRACTION g_fractions[FRACT_MAX];
int g_num_fractions = 0;
char g_fract_file[FRACT_FILE_LEN] = "";

void copy_cut(char* dst, std::size_t cap, const std::string& src) {
  if (dst == nullptr || cap == 0) return;
  const std::size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

void strip_line_end(std::string& line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Reads a text file into `text` line by line, each line followed by a line feed.
BOOL read_lines(const char* func, const std::string& path, char* text, std::size_t cap,
                const char* what) {
  if (text != nullptr && cap > 0) text[0] = '\0';
  if (text == nullptr || cap == 0) return FALSE;
  if (!file_exists(path)) {
    SLOG(func, SLOG_EXIT, "no %s file, FALSE", what);
    return FALSE;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SLOG(func, SLOG_EXIT, "can't open %s for read, FALSE", what);
    return FALSE;
  }
  std::error_code ec;
  if (fs::file_size(path, ec) == 0 || ec) {
    SLOG(func, SLOG_EXIT, "%s", "file is empty, FALSE");
    return FALSE;
  }
  // Reads no more than the caller's buffer can take (and one byte to know that it was cut), so
  // a large file, even one long line, costs no more memory than the buffer.
  const std::size_t limit = cap - 1;
  std::string all;
  std::string line;
  char c = 0;
  while (all.size() + line.size() <= limit && in.get(c)) {
    if (c == '\n') {
      strip_line_end(line);
      all += line;
      all += '\n';
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) {  // the last line without its line feed, or the line that was cut
    strip_line_end(line);
    all += line;
    all += '\n';
  }
  if (all.size() > cap - 1) SLOG(func, SLOG_WARN, "text cut to %zu bytes", cap - 1);
  copy_cut(text, cap, all);
  SLOG(func, SLOG_EXIT, "%s", "OK, TRUE");
  return TRUE;
}

std::string comment_path(const char* image_path, const char* image_name, int lane) {
  std::string folder = image_path != nullptr ? image_path : "";
  const std::size_t slash = folder.find_last_of('/');
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  std::string name = image_name != nullptr ? image_name : "";
  const std::size_t nslash = name.find_last_of('/');
  if (nslash != std::string::npos) name.erase(0, nslash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return folder + name + "_lc" + std::to_string(lane) + ".txt";
}

// Parses one fraction line; false when it is not a valid fraction.
bool parse_fraction(const std::string& line, FRACTION* f) {
  // Read wide so that a number beyond the int range is refused rather than wrapped into 0..100.
  long long v[5];
  char name[256];
  if (std::sscanf(line.c_str(), "%lld, %lld, %lld, %lld, %lld, %255s", &v[0], &v[1], &v[2], &v[3],
                  &v[4], name) != 6) {
    return false;
  }
  for (long long x : v) {
    if (x < 0 || x > 100) return false;
  }
  if (v[0] >= v[1] || v[3] >= v[4]) return false;
  if (std::strlen(name) > FRACT_NAME_LEN - 1) return false;
  *f = FRACTION{int(v[0]), int(v[1]), int(v[2]), int(v[3]), int(v[4]), {}};
  std::memcpy(f->name, name, std::strlen(name) + 1);
  return true;
}

}  // namespace

BOOL lane_read_template(char* text, std::size_t cap, const char* write_dir) {
  SLOG("lane_read_template", SLOG_ENTRY, "dir <%s>", write_dir ? write_dir : "");
  std::string path = write_dir != nullptr ? write_dir : "";
  path += "lane_comments.txt";
  return read_lines("lane_read_template", path, text, cap, "lane comments template");
}

BOOL lane_comm_make_filename(char* out, std::size_t cap, const char* image_path,
                             const char* image_name, int lane) {
  const std::string path = comment_path(image_path, image_name, lane);
  copy_cut(out, cap, path);
  return file_exists(path) ? TRUE : FALSE;
}

BOOL lane_read_comments(char* text, std::size_t cap, const char* image_path,
                        const char* image_name, int lane) {
  SLOG("lane_read_comments", SLOG_ENTRY, "lane %d", lane);
  return read_lines("lane_read_comments", comment_path(image_path, image_name, lane), text, cap,
                    "lane comments");
}

BOOL lane_write_comments(const char* image_path, const char* image_name, int lane,
                         const char* text) {
  const std::string path = comment_path(image_path, image_name, lane);
  SLOG("lane_write_comments", SLOG_ENTRY, "<%s>", path.c_str());
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) {
      SLOG("lane_write_comments", SLOG_EXIT, "%s", "can't open lane comments for write, FALSE");
      return FALSE;
    }
    const char* t = text != nullptr ? text : "";
    out.write(t, static_cast<std::streamsize>(std::strlen(t)));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      fs::remove(tmp, ec);
      SLOG("lane_write_comments", SLOG_EXIT, "%s", "write failed, FALSE");
      return FALSE;
    }
  }
  std::error_code ec;
  fs::rename(tmp, path, ec);
  if (ec) {
    fs::remove(tmp, ec);
    SLOG("lane_write_comments", SLOG_EXIT, "%s", "can't replace lane comments, FALSE");
    return FALSE;
  }
  return TRUE;
}

void fractions_init() {
  g_num_fractions = 0;
  g_fract_file[0] = '\0';
}

int fractions_count() { return g_num_fractions; }
const char* fractions_file_name() { return g_fract_file; }

int fractions_file_usable_in(const char* dir, const char* name, char* title, std::size_t cap) {
  SLOG("fractions_file_usable", SLOG_ENTRY, "<%s>", name ? name : "");
  std::string path = dir != nullptr ? dir : "";
  path += name != nullptr ? name : "";
  copy_cut(g_fract_file, sizeof g_fract_file, path);
  if (title != nullptr && cap > 0) title[0] = '\0';
  g_num_fractions = 0;

  if (!file_exists(path)) {
    SLOG("fractions_file_usable", SLOG_EXIT, "%s", "file does not exist, 0");
    return 0;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SLOG("fractions_file_usable", SLOG_EXIT, "%s", "can't open fractions file for read, 0");
    return 0;
  }
  std::error_code ec;
  if (fs::file_size(path, ec) == 0 || ec) {
    SLOG("fractions_file_usable", SLOG_EXIT, "%s", "empty file, -1");
    return -1;
  }

  bool have_title = false;
  int count = 0;
  std::string line;
  while (std::getline(in, line)) {
    strip_line_end(line);
    std::size_t i = 0;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i == line.size() || line[i] == ';' || line[i] == '#') continue;
    const std::string rest = line.substr(i);
    if (!have_title && std::isalpha(static_cast<unsigned char>(rest[0]))) {
      have_title = true;
      copy_cut(title, cap, rest);
      continue;
    }
    // The table holds 20 fractions; a further line makes the file unusable.
    FRACTION f;
    if (count >= FRACT_MAX || !parse_fraction(rest, &f)) {
      SLOG("fractions_file_usable", SLOG_EXIT, "Parsing error fraction %d", count);
      g_num_fractions = 0;
      return -1;
    }
    g_fractions[count++] = f;
  }
  g_num_fractions = count;
  SLOG("fractions_file_usable", SLOG_EXIT, "%d", count);
  return count;
}

int fractions_file_usable(const char* name, char* title, std::size_t cap) {
  return fractions_file_usable_in(ks_get_writeable_path(), name, title, cap);
}

int fractions_load(int n, FRACTION** out) {
  if (out == nullptr) {
    SLOG("fractions_load", SLOG_ERROR, "%s", "Callers Fractions array NULL");
    return 0;
  }
  if (n > FRACT_MAX) {
    SLOG("fractions_load", SLOG_ERROR, "%s", "array too big");
    return 0;
  }
  for (int i = 0; i < n; ++i) out[i] = &g_fractions[i];
  return 1;
}
