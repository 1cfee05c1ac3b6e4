// The TIFF importer's strip decoders on one strip: the first two bytes give the output length,
// the third the compression (1 none, 5 LZW, other values another), the rest is the strip.
#include <cstdint>
#include <vector>

#include "acquire/io_tiff.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::Input in(data, size);
  const uint16_t out_len = static_cast<uint16_t>(in.byte() | in.byte() << 8);
  const uint8_t kind = in.byte();
  const int compression = kind % 3 == 0 ? 5 : (kind % 3 == 1 ? 1 : kind);
  std::vector<uint8_t> out(out_len);
  long produced = 0;
  lzw_decompress(out.data(), out_len, in.rest(), static_cast<long>(in.rest_size()), FALSE,
                 &produced);
  io_tiff_decompress_as(compression, static_cast<long>(in.rest_size()), out.data(), out_len,
                        in.rest());
  return 0;
}
