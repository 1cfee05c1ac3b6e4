// The preferences file: its one state record read into a list, and the control record taking
// the snapshot as start-up does.
#include <cstdint>

#include "fuzz_image.h"
#include "fuzz_support.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/img_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("gt_init.prf", data, size);
  ANALYSIS_ENTRY** list = nullptr;
  if (io_read_misc(path.c_str(), &list) == 1) io_free_analysis_list(list, 1);

  vxfuzz::reset_control();
  gt_read_and_prep_prefs(path.c_str(), gt_get_control());
  vxfuzz::reset_control();
  return 0;
}
