// Trace log writer and its set-up from the match file.
#include "base/slog.h"

#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "base/ks_install.h"
#include "base/ks_mem.h"

std::atomic<bool> slog_enabled{false};
std::atomic<bool> slog_initialised{false};
std::atomic<bool> slog_called{false};

namespace {

struct SlogTrigger {
  char* name;  // owned
  int target;  // calls of the function that fire the trigger (always 1)
  int seen;    // calls seen so far
};

const auto s_start_time = std::chrono::steady_clock::now();

std::string s_folder;
SlogMatch s_table[SLOG_MAX_ENTRIES];
int s_count = 0;
SlogTrigger* s_start = nullptr;
SlogTrigger* s_stop = nullptr;
std::FILE* s_log = nullptr;
// The call depth that indents the lines: each thread's own, so that the lines of lanes worked on
// several threads nest as their calls do.
thread_local int t_depth = 0;
// Held while a line is being handled: worker threads (the camera's, those that work lanes in
// parallel) trace too, and each of their lines is written whole, one after the other.
std::mutex s_mutex;
// Set once the log has ended for the run (a stop trigger, or a log file that cannot be made):
// every later call returns at once.
std::atomic<bool> s_ended{false};
// Set while the thread is inside slog_write: a trace made by what the writer calls (an alert
// of the memory wrappers, say) returns at once instead of waiting for itself.
thread_local bool t_writing = false;

// Marks the thread as writing for its lifetime.
struct WritingGuard {
  WritingGuard() { t_writing = true; }
  ~WritingGuard() { t_writing = false; }
  WritingGuard(const WritingGuard&) = delete;
  WritingGuard& operator=(const WritingGuard&) = delete;
};

std::string join(const std::string& folder, const char* name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

char* copy_name(const char* begin, std::size_t n) {
  auto* p = static_cast<char*>(ks_alloc_msg(n + 1));
  if (p) std::memcpy(p, begin, n);
  return p;
}

void free_trigger(SlogTrigger*& t) {
  if (!t) return;
  ks_free(t->name);
  ks_free(t);
  t = nullptr;
}

void clear_table() {
  for (int i = 0; i < s_count; ++i) ks_free(s_table[i].name);
  std::memset(s_table, 0, sizeof s_table);
  s_count = 0;
}

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool digit(char c) {
  return c >= '0' && c <= '9';
}

void skip_blanks(const char*& p) {
  while (*p && blank(*p)) ++p;
}

unsigned char level_range(int from, int to) {
  unsigned mask = 0;
  for (int l = from; l <= to && l <= 7; ++l)
    if (l >= 0) mask |= 1u << l;
  return static_cast<unsigned char>(mask);
}

// Outcome of reading one line of the match file.
enum class LineResult { ignored, added, no_memory };

// "start name" or "stop name".
LineResult read_trigger(const char* p) {
  const char* word = p;
  while (*p && !blank(*p)) ++p;
  std::string w(word, static_cast<std::size_t>(p - word));
  if (w != "start" && w != "stop") return LineResult::ignored;
  skip_blanks(p);
  const char* name = p;
  while (*p && !blank(*p)) ++p;
  if (p == name) return LineResult::ignored;
  auto* t = static_cast<SlogTrigger*>(ks_alloc_msg(sizeof(SlogTrigger)));
  if (!t) return LineResult::no_memory;
  t->name = copy_name(name, static_cast<std::size_t>(p - name));
  if (!t->name) {
    ks_free(t);
    return LineResult::no_memory;
  }
  t->target = 1;
  t->seen = 0;
  SlogTrigger*& slot = w == "start" ? s_start : s_stop;
  free_trigger(slot);
  slot = t;
  return LineResult::ignored;
}

// A match entry: "!name", or a level list followed by the name.
LineResult read_entry(const char* p) {
  SlogMatch e{};
  if (*p == '!') {
    e.action = 0;
    e.mask = 0xff;
    ++p;
  } else {
    e.action = 1;
    unsigned mask = 0;
    while (digit(*p)) {
      int d = *p++ - '0';
      skip_blanks(p);
      if (*p == '-') {
        ++p;
        skip_blanks(p);
        if (digit(*p)) {
          mask |= level_range(d, *p - '0');
          ++p;
        } else {
          mask |= level_range(d, 7);
        }
        skip_blanks(p);
        if (*p == ',') ++p;
      } else if (*p == ',') {
        mask |= level_range(d, d);
        ++p;
      } else {
        mask |= level_range(d, 7);
      }
      skip_blanks(p);
    }
    e.mask = static_cast<unsigned char>(mask);
  }
  skip_blanks(p);
  const char* name = p;
  while (*p && !blank(*p) && *p != '*') ++p;
  if (p == name) return LineResult::ignored;  // a level list with no name
  e.prefix = *p == '*' ? 1 : 0;
  e.name = copy_name(name, static_cast<std::size_t>(p - name));
  if (!e.name) return LineResult::no_memory;
  s_table[s_count++] = e;
  return LineResult::added;
}

// Reads one line of any length; false at the end of the file.
bool read_line(std::FILE* f, std::string& line) {
  line.clear();
  char buf[512];
  while (std::fgets(buf, sizeof buf, f)) {
    line += buf;
    if (!line.empty() && line.back() == '\n') return true;
  }
  return !line.empty();
}

void init_locked(const char* folder) {
  s_folder = folder && *folder ? folder : ks_install_dir();
  clear_table();
  free_trigger(s_start);
  free_trigger(s_stop);
  std::FILE* f = std::fopen(join(s_folder, "slgmtch.txt").c_str(), "r");
  if (!f) return;
  std::string line;
  while (read_line(f, line)) {
    if (s_count >= SLOG_MAX_ENTRIES) continue;
    const char* p = line.c_str();
    skip_blanks(p);
    LineResult r = LineResult::ignored;
    if (digit(*p) || *p == '!')
      r = read_entry(p);
    else if (*p == 's' || *p == 'S')
      r = read_trigger(p);
    if (r == LineResult::no_memory) {
      // Set-up stops here and the guards stay off: nothing is logged for the run.
      std::fclose(f);
      return;
    }
  }
  std::fclose(f);
  if (s_count > 0) slog_enabled = true;
  slog_initialised = true;
}

}  // namespace

void slog_init(const char* folder) {
  std::lock_guard<std::mutex> lock(s_mutex);
  init_locked(folder);
}

BOOL slog_match(const SlogMatch* entry, const char* name, int level, int* action) {
  if (!entry) return FALSE;
  bool names = false;
  if (entry->name && name) {
    names = entry->prefix ? std::strncmp(entry->name, name, std::strlen(entry->name)) == 0
                          : std::strcmp(entry->name, name) == 0;
  }
  bool level_on = level >= 0 && level <= 7 && (entry->mask >> level) & 1u;
  if (names && level_on) {
    if (action) *action = entry->action;
    return TRUE;
  }
  if (action) *action = 0;
  return FALSE;
}

void slog_write(const char* name, int level, const char* format, ...) {
  slog_called = true;
  if (t_writing || s_ended.load(std::memory_order_acquire)) return;
  WritingGuard writing;
  std::lock_guard<std::mutex> lock(s_mutex);
  if (s_ended.load(std::memory_order_relaxed)) return;
  if (!slog_initialised) {
    init_locked("SLOG");
    if (!slog_initialised) return;
  }
  char fname[128];
  std::snprintf(fname, sizeof fname, "%s", name ? name : "");

  if (s_start) {
    if (std::strcmp(fname, s_start->name) != 0 || ++s_start->seen < s_start->target) return;
    free_trigger(s_start);
  }
  if (s_stop && std::strcmp(fname, s_stop->name) == 0 && ++s_stop->seen >= s_stop->target) {
    // The log ends for the run: every later call returns at once.
    s_ended = true;
    slog_enabled = false;
    if (s_log) std::fclose(s_log);
    s_log = nullptr;
    free_trigger(s_stop);
    return;
  }

  if (level == SLOG_ENTRY) ++t_depth;
  int action = 0;
  for (int i = 0; i < s_count; ++i)
    if (slog_match(&s_table[i], fname, level, &action)) break;

  if (action == 1) {
    if (!s_log) {
      s_log = std::fopen(join(s_folder, "slglog.txt").c_str(), "w");
      if (!s_log) {
        s_ended = true;  // logging ends for the run
        return;
      }
    }
    char line[SLOG_MAX_LINE + 1];
    int n = 0;
    auto room = [&] { return static_cast<std::size_t>(SLOG_MAX_LINE - n); };  // LF kept aside
    int indent = t_depth % 80;
    std::memset(line, ' ', static_cast<std::size_t>(indent));
    n = indent;
    const char* marker = level == SLOG_ENTRY   ? ">>"
                         : level == SLOG_EXIT  ? "<<"
                         : level == SLOG_WARN  ? "W:"
                         : level == SLOG_ERROR ? "E:"
                                               : nullptr;
    if (marker) {
      long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - s_start_time)
                                      .count());
      n += std::snprintf(line + n, room(), "%s%s: %ld: ", marker, fname, ms);
    } else {
      n += std::snprintf(line + n, room(), "%d:%*s ", level, static_cast<int>(std::strlen(fname)),
                         "");
    }
    if (n > SLOG_MAX_LINE - 1) n = SLOG_MAX_LINE - 1;
    va_list ap;
    va_start(ap, format);
    int m = std::vsnprintf(line + n, room(), format ? format : "", ap);
    va_end(ap);
    if (m > 0) n += m;
    if (n > SLOG_MAX_LINE - 1) n = SLOG_MAX_LINE - 1;
    line[n++] = '\n';
    std::fwrite(line, 1, static_cast<std::size_t>(n), s_log);
    std::fflush(s_log);
  }

  if (level == SLOG_EXIT && t_depth > 0) --t_depth;
}

void OutLogLog(const char* tag, const char* /*format*/, ...) {
  SLOG("OutLogLog", SLOG_ENTRY, "who_arg <%s>", tag ? tag : "");
  SLOG("OutLogLog", SLOG_VALUE4, "s_cLogFile <%s>", "");
  SLOG("OutLogLog", SLOG_EXIT, "blank log file");
}

void slog_reset() {
  std::lock_guard<std::mutex> lock(s_mutex);
  if (s_log) std::fclose(s_log);
  s_log = nullptr;
  clear_table();
  free_trigger(s_start);
  free_trigger(s_stop);
  s_folder.clear();
  t_depth = 0;
  slog_enabled = false;
  slog_initialised = false;
  slog_called = false;
  s_ended = false;
}
