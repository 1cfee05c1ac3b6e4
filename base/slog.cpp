// Placeholder writer until the trace log module lands: accepts calls and writes nothing.
#include "base/slog.h"

std::atomic<bool> slog_enabled{false};
std::atomic<bool> slog_initialised{false};
std::atomic<bool> slog_called{false};

void slog_init(const char*) { slog_initialised = true; }

void slog_write(const char*, int, const char*, ...) {
  slog_called = true;
  if (!slog_initialised) slog_init("SLOG");
}
