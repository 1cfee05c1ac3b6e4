// Trace log: lines selected at run time by the match file "slgmtch.txt" are written to
// "slglog.txt" in the log folder. A disabled log costs one inline flag test per call site:
// always trace through SLOG(...) (or the slog_should_call() guard), never slog_write directly.
#pragma once

#include <atomic>

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

// Sets the module up from the match file in `folder` ("" means the default folder).
void slog_init(const char* folder);

#define SLOG(name, level, ...)                               \
  do {                                                       \
    if (slog_should_call()) slog_write(name, level, __VA_ARGS__); \
  } while (0)
