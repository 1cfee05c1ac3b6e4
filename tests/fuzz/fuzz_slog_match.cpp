// The trace log's match file "slgmtch.txt": the table it sets up, then trace calls of several
// names and levels through it (the log is written in the work folder).
#include <cstdint>

#include "base/slog.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::write_file("slgmtch.txt", data, size);
  slog_reset();
  slog_init(vxfuzz::work_dir().c_str());
  for (const char* name : {"io_read_app", "gt_main", "ln_add", "ln_free", ""})
    for (int level = -1; level <= 8; ++level) SLOG(name, level, "value %d", level);
  slog_reset();
  vxfuzz::remove_file("slglog.txt");
  return 0;
}
