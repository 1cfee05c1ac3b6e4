// Trace log: lines selected at run time by the match file "slgmtch.txt" are written to
// "slglog.txt" in the log folder (the installation folder, see ks_install_dir()). A disabled log
// costs one inline flag test per call site: always trace through SLOG(...) (or the
// slog_should_call() guard), never slog_write directly.
//
// Match file, one entry per line (at most 500 entries; later lines are ignored):
//   2 io_*        levels 2 to 7 of every function whose name begins with "io_"
//   3, gt_main    level 3 of gt_main alone
//   2-3,7 ln_add  levels 2, 3 and 7 of ln_add
//   ! ln_find     nothing for ln_find at any level
//   start gt_main nothing is written until gt_main is first traced
//   stop ln_free  the first trace call of ln_free ends the log for the run
// The first entry that selects a call decides whether its line is written.
#pragma once

#include <atomic>

#include "base/kstypes.h"

// Levels: 2 entry, 3 exit, 6 warning, 7 error; 0, 1, 4, 5 values and progress.
enum : int {
  SLOG_VALUE0 = 0,
  SLOG_VALUE1 = 1,
  SLOG_ENTRY = 2,
  SLOG_EXIT = 3,
  SLOG_VALUE4 = 4,
  SLOG_VALUE5 = 5,
  SLOG_WARN = 6,
  SLOG_ERROR = 7,
};

// Most entries the match file may hold; the longest written line (line feed included).
constexpr int SLOG_MAX_ENTRIES = 500;
constexpr int SLOG_MAX_LINE = 512;

// Guard flags, all false at start. slog_enabled: at least one match entry was read and no stop
// trigger has fired. slog_initialised: the match file was opened and read. slog_called:
// slog_write has been entered at least once.
extern std::atomic<bool> slog_enabled;
extern std::atomic<bool> slog_initialised;
extern std::atomic<bool> slog_called;

// Caller-side guard: call the writer when the log is on, or when nothing has been tried yet
// (so the first trace call of a run sets the module up).
inline bool slog_should_call() {
  return slog_enabled.load(std::memory_order_relaxed) ||
         (!slog_initialised.load(std::memory_order_relaxed) &&
          !slog_called.load(std::memory_order_relaxed));
}

void slog_write(const char* name, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Sets the module up from the match file in `folder` ("" means the installation folder). A
// folder without a match file leaves the log off for the run.
void slog_init(const char* folder);

// One entry of the match table.
struct SlogMatch {
  char* name;          // function name or name prefix (owned)
  unsigned char mask;  // bit n selects level n
  int action;          // 1 write the line, 0 write nothing
  int prefix;          // 1 when the name ended with '*': it matches every name it begins
};

// TRUE when `entry` selects a call of `name` at `level`; *action then receives the entry's
// action. FALSE with *action = 0 otherwise; a null entry gives FALSE and leaves *action alone.
BOOL slog_match(const SlogMatch* entry, const char* name, int level, int* action);

// The out-log entry point of the message layer. Its file name is never set, so a call only
// writes three trace lines under the name "OutLogLog".
void OutLogLog(const char* tag, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Returns the module to its start state: closes the log, frees the match table and triggers,
// clears the guards and the calling thread's depth (each thread indents by its own call depth).
// For tests and for a clean exit.
void slog_reset();

#define SLOG(name, level, ...)                                    \
  do {                                                            \
    if (slog_should_call()) slog_write(name, level, __VA_ARGS__); \
  } while (0)
