// The text part ".cmt" of the analysis container, alone (no binary file beside it) and through
// the text reader directly.
#include <cstdint>

#include "fuzz_support.h"
#include "io/analysis.h"
#include "io/commentary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::write_file("gel.cmt", data, size);
  const std::string base = vxfuzz::path_of("gel");
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_app(base.c_str(), IO_PROG_GT, &list, 0);
  if (n > 0) io_free_analysis_list(list, n);

  ANALYSIS_ENTRY* entry = io_alloc_analysis_entry();
  if (!entry) return 0;
  entry->type = IO_TEXT_COMMENT;
  ByteReader text(data, size);
  io_read_text(entry, text);
  io_free_analysis_entry(entry);
  return 0;
}
