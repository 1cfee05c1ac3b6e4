// Fuji image plate import: a text header ".inf" and its rows ".img". The first two bytes give
// the header's length; the header follows, then the rows.
#include <algorithm>
#include <cstdint>

#include "acquire/io_import.h"
#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::Input in(data, size);
  const std::size_t inf_len = std::min<std::size_t>(in.byte() | in.byte() << 8, in.rest_size());
  vxfuzz::write_file("plate.inf", in.rest(), inf_len);
  const std::string img = vxfuzz::write_file("plate.img", in.rest() + inf_len, in.rest_size() - inf_len);
  io_fuji_convert(img.c_str(), vxfuzz::import_destination().c_str());
  vxfuzz::remove_import();
  return 0;
}
