// The pixel file ".kes": header query, completeness check, rectangle reads (into an image and
// into a block) and the whole-image load with its conversion to 8 bits.
#include <cstdint>

#include "base/ks_mem.h"
#include "fuzz_support.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "toolkit/core/tk_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("gel.kes", data, size);
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (io_query_image(path.c_str(), &bits, extent) != 1) return 0;
  if (io_image_complete(path.c_str()) != 1) return 0;

  // The whole image, then a corner at half size and a rectangle that reaches outside.
  TkImage whole, half, outside;
  const int32_t all[4] = {0, 0, extent[0], extent[1]};
  io_read_kestrin(path.c_str(), &whole, all, 1.0);
  const int32_t corner[4] = {0, 0, (extent[0] + 1) / 2, (extent[1] + 1) / 2};
  io_read_kestrin(path.c_str(), &half, corner, 2.0);
  const int32_t beyond[4] = {extent[0] - 1, extent[1] - 1, 2, 2};
  io_read_kestrin(path.c_str(), &outside, beyond, 1.0);
  // The same corner as one block of rows.
  int bytes_per_pixel = 0;
  if (void* block = io_read_kestrin_block(path.c_str(), corner, &bytes_per_pixel))
    ks_huge_free_msg(block);

  // The loader, for the two devices that keep the high byte and for one that scales.
  for (int device : {7, 1}) {
    IMG_DATA disp{};
    ih_init_display(&disp);
    io_load_image(&disp, device, path.c_str());
    io_free_display(&disp);
  }
  return 0;
}
