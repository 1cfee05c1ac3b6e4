// JPEG import: the header checked, then the picture converted (its grey, or the mix of a colour
// file) into the program's image pair.
#include <cstdint>

#include "acquire/io_import.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("photo.jpg", data, size);
  int components = 0, width = 0, height = 0, x_dpi = 0, y_dpi = 0;
  // Pictures far larger than an input could describe are left to the decoder's own limits;
  // the conversion is tried on those a run can hold.
  if (io_jpeg_check(path.c_str(), &components, &width, &x_dpi, &height, &y_dpi) &&
      static_cast<long long>(width) * height <= (1LL << 24))
    io_jpeg_convert(path.c_str(), vxfuzz::import_destination().c_str(), components == 3,
                    components == 3 ? 4 : 0, x_dpi, y_dpi, 0, 0, 0);
  vxfuzz::remove_import();
  return 0;
}
