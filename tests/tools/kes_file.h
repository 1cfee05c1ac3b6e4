// Small pixel files for the tools' tests.
#pragma once

#include <functional>
#include <string>

#include "io/byte_io.h"
#include "io/kes_image.h"

namespace toolstest {

// A little-endian pixel file of w x h pixels of 1 or 2 bytes, pixel (x, y) = value(x, y).
inline bool write_kes(const std::string& path, int w, int h, int bytes, const std::function<unsigned(int, int)>& value) {
  ByteWriter out;
  io_put_kes_header(out, bytes, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned v = value(x, y);
      if (bytes == 1) {
        out.u8(static_cast<uint8_t>(v));
      } else {
        out.u8(static_cast<uint8_t>(v & 0xFF));
        out.u8(static_cast<uint8_t>(v >> 8));
      }
    }
  return io_write_file_replace(path.c_str(), out.data(), out.buffer().size());
}

}  // namespace toolstest
