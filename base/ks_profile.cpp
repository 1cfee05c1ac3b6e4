// Private-profile-string reader and writer. The file is read whole for every call (nothing is
// cached), so a write is seen by the next read.
#include "base/ks_profile.h"

#include "base/io_file_set.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && is_blank(s[b])) ++b;
  while (e > b && is_blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool iequals(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

enum class ReadResult { ok, missing, failed };

// Reads the whole file. A missing file is not an error for readers; for the writer it means a
// new file.
ReadResult read_file(const char* path, std::string& out) {
  out.clear();
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
  char buf[8192];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  bool bad = std::ferror(f) != 0;
  std::fclose(f);
  return bad ? ReadResult::failed : ReadResult::ok;
}

// Splits into lines; each line keeps no line end (a trailing '\r' is kept and trimmed by users).
std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// The section named by a "[name]" line, or false when the line is not a section header.
bool section_name(const std::string& line, std::string& name) {
  std::string t = trim(line);
  if (t.empty() || t[0] != '[') return false;
  std::size_t close = t.find(']');
  name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// The key of a "key=value" line and where its value begins, or false.
bool key_line(const std::string& line, std::string& key, std::size_t& value_at) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  std::string t = trim(line.substr(0, eq));
  if (t.empty() || t[0] == ';') return false;
  key = t;
  value_at = eq + 1;
  return true;
}

std::string unquote(std::string v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// Index range [first, end) of the body lines of the first section named `section`, or false.
bool find_section(const std::vector<std::string>& lines, const char* section, std::size_t& first,
                  std::size_t& end) {
  std::string name;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!section_name(lines[i], name) || !iequals(name, section)) continue;
    first = i + 1;
    end = first;
    while (end < lines.size() && !section_name(lines[end], name)) ++end;
    return true;
  }
  return false;
}

bool write_whole(const char* path, const std::string& text) {
  std::string target(path);
  std::string tmpl = target + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  // Keep the permissions of the file being replaced, or the usual ones for a new file.
  fchmod(fd, io_target_file_mode(path));
  const char* p = text.data();
  std::size_t left = text.size();
  bool ok = true;
  while (left > 0) {
    ssize_t w = ::write(fd, p, left);
    if (w < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += w;
    left -= static_cast<std::size_t>(w);
  }
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(name.data(), path) != 0) ok = false;
  if (!ok) ::unlink(name.data());
  return ok;
}

}  // namespace

std::string ks_profile_get(const char* section, const char* key, const char* def, const char* file,
                           bool* found) {
  if (found) *found = false;
  std::string fallback = def ? def : "";
  if (!section || !key || !file) return fallback;
  std::string text;
  if (read_file(file, text) != ReadResult::ok) return fallback;
  std::vector<std::string> lines = split_lines(text);
  std::size_t first, end;
  if (!find_section(lines, section, first, end)) return fallback;
  std::string k;
  std::size_t at;
  for (std::size_t i = first; i < end; ++i) {
    if (!key_line(lines[i], k, at) || !iequals(k, key)) continue;
    if (found) *found = true;
    return unquote(trim(lines[i].substr(at)));
  }
  return fallback;
}

int ks_profile_get_string(const char* section, const char* key, const char* def, char* out,
                          std::size_t size, const char* file) {
  if (!out || size == 0) return 0;
  std::string v = ks_profile_get(section, key, def, file);
  std::size_t n = v.size() < size - 1 ? v.size() : size - 1;
  std::memcpy(out, v.data(), n);
  out[n] = '\0';
  return static_cast<int>(n);
}

BOOL ks_profile_write_string(const char* section, const char* key, const char* value,
                             const char* file) {
  if (!section || !key || !file || !*key) return FALSE;
  std::string v = value ? value : "";
  // A line break in a name or value would make lines of its own in the file.
  for (const char* s : {section, key, v.c_str()})
    if (std::strpbrk(s, "\r\n")) return FALSE;

  std::string text;
  if (read_file(file, text) == ReadResult::failed) return FALSE;
  const char* eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  bool ends_with_eol = text.empty() || text.back() == '\n';
  std::vector<std::string> lines = split_lines(text);
  std::string new_line = std::string(key) + "=" + v;
  bool crlf = std::strcmp(eol, "\r\n") == 0;
  // A last line without its line end gets one, so lines added after it start on their own.
  if (!ends_with_eol && !lines.empty()) {
    if (crlf) lines.back() += '\r';
    ends_with_eol = true;
  }

  std::size_t first, end;
  if (find_section(lines, section, first, end)) {
    std::string k;
    std::size_t at;
    bool replaced = false;
    for (std::size_t i = first; i < end && !replaced; ++i) {
      if (key_line(lines[i], k, at) && iequals(k, key)) {
        lines[i] = new_line + (crlf ? "\r" : "");
        replaced = true;
      }
    }
    if (!replaced) {
      // After the section's last non-blank line, so blank lines between sections stay.
      std::size_t pos = end;
      while (pos > first && trim(lines[pos - 1]).empty()) --pos;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pos), new_line + (crlf ? "\r" : ""));
    }
  } else {
    lines.push_back(std::string("[") + section + "]" + (crlf ? "\r" : ""));
    lines.push_back(new_line + (crlf ? "\r" : ""));
    ends_with_eol = true;
  }

  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || ends_with_eol) out += '\n';
  }
  return write_whole(file, out) ? TRUE : FALSE;
}
