// Densitometry boundaries files: the lines parsed and turned into bands of a lane of 101 rows,
// and the band report of those bands.
#include <cstdint>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "fuzz_support.h"
#include "io/byte_io.h"
#include "model/lane.h"
#include "tools/dtool_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("bounds.txt", data, size);
  std::vector<uint8_t> bytes;
  if (!io_read_whole_file(path.c_str(), bytes, 1 << 20)) return 0;
  std::vector<DtBound> bounds;
  if (!dtool_parse_bounds(std::string(bytes.begin(), bytes.end()), &bounds)) return 0;
  LANE* lane = ln_make_lane();
  if (!lane) return 0;
  lane->num_data_values = 101;
  lane->data_values = static_cast<int32_t*>(ks_alloc_msg(101 * sizeof(int32_t)));
  if (lane->data_values) {
    for (int i = 0; i < 101; ++i) lane->data_values[i] = (i * 37) % 200;
    DT_INFO info{};
    info.y_res = 1;
    DtState& s = dtool_state();
    s = DtState{};
    s.info = &info;
    s.lane = lane;
    s.bands = dtool_bounds_to_bands(bounds, dtool_n());
    (void)dtool_report_text();
    s = DtState{};
  }
  ln_free_lane(lane);
  return 0;
}
