// Entry of the main program. Until the shell's start-up lands it writes its trace entry and ends.
#include "base/slog.h"

int main(int argc, char** argv) {
  SLOG("main", SLOG_ENTRY, "argc %d", argc);
  SLOG("main", SLOG_EXIT, "0");
  return 0;
}
