// The analysis container ".gt" through the record table: header, tokens and every record kind
// the table reads.
#include <cstdint>

#include "fuzz_support.h"
#include "io/analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::write_file("gel.gt", data, size);
  const std::string base = vxfuzz::path_of("gel");
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_app(base.c_str(), IO_PROG_GT, &list, 0);
  if (n > 0) {
    // What was read is written again, as saving an opened image does.
    ByteWriter bin, text;
    io_build_app(list, n, false, bin, text);
    io_free_analysis_list(list, n);
  }
  return 0;
}
