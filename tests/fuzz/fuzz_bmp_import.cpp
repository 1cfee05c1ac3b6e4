// Windows bitmap import: the bitmap checked and loaded, then its pixels (the mix of a colour
// bitmap) converted into the program's image pair.
#include <cstdint>

#include "acquire/io_import.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("frame.bmp", data, size);
  int components = 0, width = 0, height = 0, x_ppm = 0, y_ppm = 0;
  if (io_bmp_check(path.c_str(), &components, &width, &x_ppm, &height, &y_ppm))
    io_bmp_convert(path.c_str(), vxfuzz::import_destination().c_str(), components == 3,
                   components == 3 ? 4 : 0, x_ppm, y_ppm, 0);
  vxfuzz::remove_import();
  return 0;
}
