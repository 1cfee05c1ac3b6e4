// Image files for tests that open images through the shell: a ".kes" pixel file of 1 or 2
// bytes per pixel with its info file, pixels given by a function of (x, y).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"

namespace shelltest {

// The info file of a gel of w x h pixels of 1 or 2 bytes (100 dpi, the full value range).
inline void write_gel_info(const std::string& path, int w, int h, int bytes_per_pixel = 1) {
  IMG_INFO info{};
  info.width = w;
  info.height = h;
  info.bytes_per_pixel = bytes_per_pixel;
  info.x_res = info.y_res = 100;
  info.max_value = bytes_per_pixel == 2 ? 65535 : 255;
  ANALYSIS_ENTRY e{1, &info, nullptr, 0};
  ANALYSIS_ENTRY* list[] = {&e};
  EXPECT_EQ(io_write_inf(path.c_str(), list, 1), 0);
}

// Writes the image at `path` (a ".kes" path) and its info file; pixel values are cut to the
// pixel's bytes.
inline std::string write_kes_image(const std::string& path, int w, int h, int bytes_per_pixel,
                                   const std::function<unsigned(int, int)>& pixel) {
  ByteWriter out;
  io_put_kes_header(out, bytes_per_pixel, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned v = pixel(x, y);
      if (bytes_per_pixel == 2)
        out.u16(static_cast<uint16_t>(v));
      else
        out.u8(static_cast<uint8_t>(v));
    }
  EXPECT_TRUE(io_write_file_replace(path.c_str(), out.buffer()));
  write_gel_info(path, w, h, bytes_per_pixel);
  return path;
}

}  // namespace shelltest
