// The match deviation table: rows read into the table, then looked up across its sizes and
// beyond both ends.
#include <cstdint>
#include <cstdio>

#include "analysis/vx_match.h"
#include "fuzz_support.h"
#include "model/control.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static CONTROL ctl{};
  const std::string path = vxfuzz::write_file("match.dev", data, size);
  std::snprintf(ctl.match_dev_file, sizeof ctl.match_dev_file, "%s", path.c_str());
  DEV_TABLE table{};
  const int rows = vx_read_match_deviation_table(&ctl, &table);
  if (rows > DEV_TABLE_ROWS || table.nrows != rows) std::abort();
  for (int i = 0; i < table.nrows; ++i) {
    vx_table_deviation(&table, table.size[i]);
    vx_table_deviation(&table, table.size[i] * 0.5 + 1.0);
  }
  vx_table_deviation(&table, -1.0e300);
  vx_table_deviation(&table, 1.0e300);
  return 0;
}
