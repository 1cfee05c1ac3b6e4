// The info file ".kei": every record read into a new list, and the image record taking the
// header and lookup as opening an image does, then converting values through that lookup.
#include <cstdint>

#include "fuzz_image.h"
#include "fuzz_support.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/info_file.h"
#include "model/img_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::write_file("gel.kei", data, size);
  const std::string image = vxfuzz::path_of("gel.kes");

  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(image.c_str(), &list, 0);
  if (n > 0) io_free_analysis_list(list, n);

  vxfuzz::Image im;
  gt_read_and_prepare_inf(image.c_str(), im.get()->img_ptr, im.get());
  for (uint32_t v : {0u, 1u, 127u, 255u, 256u, 4095u, 65535u, 70000u})
    ih_lookup_val(im.get()->img_int_info, v);
  return 0;
}
