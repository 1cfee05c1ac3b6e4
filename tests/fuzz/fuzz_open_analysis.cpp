// Opening an image's analysis: the ".gt" read into an image record with the engine's baseline
// builder installed as the shell installs it, so that stored baseline points reach it.
#include <cstdint>

#include "engine/lane_profile.h"
#include "fuzz_image.h"
#include "fuzz_support.h"
#include "io/analysis_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool hooked = [] {
    GtAnalysisHooks h;
    h.build_baseline = ln_calc_baseline;
    gt_analysis_set_hooks(h);
    return true;
  }();
  (void)hooked;
  vxfuzz::write_file("gel.gt", data, size);
  const std::string image = vxfuzz::path_of("gel.kes");
  {
    vxfuzz::Image im;
    gt_read_and_prepare_app(image.c_str(), im.get()->img_ptr, im.get());
    // The baselines that were built are read back at every row of each lane.
    for (LANE* l = im.get()->lanes ? im.get()->lanes->next : nullptr; l; l = l->next) {
      const int top = l->num_center_points > 0 ? l->center_coords[0].y : 0;
      for (long long y = top - 2LL; y < top + 64LL; ++y)
        if (y >= INT32_MIN && y <= INT32_MAX) ln_baseline_at(static_cast<int>(y), l);
    }
  }
  vxfuzz::reset_control();
  return 0;
}
