// TIFF import: the first directory checked (the grey of a colour file taken without asking),
// then the strips converted into the program's image pair.
#include <cstdint>

#include "acquire/io_import.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool hooked = [] {
    io_tiff_set_res_query(vxfuzz::answer_resolution);
    return true;
  }();
  (void)hooked;
  const std::string path = vxfuzz::write_file("scan.tif", data, size);
  int is_color = 0, channel = 0;
  if (io_tiff_check(path.c_str(), &is_color, &channel, 4)) {
    int res_flag = 0;
    io_tiff_convert(path.c_str(), vxfuzz::import_destination().c_str(), &res_flag, 0);
  }
  vxfuzz::remove_import();
  return 0;
}
