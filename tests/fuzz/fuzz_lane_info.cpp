// Lane info files: the file read into the info object, every lane's entries asked for, and the
// labels copied into a lane.
#include <cstdint>

#include "fuzz_support.h"
#include "model/lane.h"
#include "tools/ln_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("lanes.inf", data, size);
  if (ln_info_init(path.c_str()) == 0) {
    LANE* lane = ln_make_lane();
    for (int i = 0; i < ln_info_get_num_lanes(); ++i) {
      ln_info_get_name(i);
      ln_info_get_bg_angle(i);
      int p[5];
      ln_info_get_det_parms(i, &p[0], &p[1], &p[2], &p[3], &p[4]);
      for (int j = 0; ln_info_get_band_size(i, j) != -1.0; ++j) {
      }
      for (int j = 0; ln_info_get_band_conc(i, j) != -1.0; ++j) {
      }
      if (lane) ln_info_assign_lane_labels(i, lane);
    }
    ln_free_lane(lane);
  }
  ln_info_done();
  return 0;
}
