// Entry of the main program. Until the shell's start-up lands it sets up the trace log in the
// installation folder, writes its trace entry and ends.
#include "base/ks_install.h"
#include "base/slog.h"

int main(int argc, char** argv) {
  slog_init(ks_install_dir().c_str());
  SLOG("main", SLOG_ENTRY, "argc %d", argc);
  SLOG("main", SLOG_EXIT, "0");
  return 0;
}
