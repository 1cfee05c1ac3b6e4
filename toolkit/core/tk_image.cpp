// The toolkit's plain image.
#include "toolkit/core/tk_image.h"

#include <limits>
#include <new>

TkImage::TkImage() { set_grey_colours(); }

void TkImage::set_grey_colours() {
  for (uint32_t i = 0; i < 256; ++i) colours_[i] = 0xFF000000u | i << 16 | i << 8 | i;
}

static bool block_size(int w, int h, int bpp, std::size_t& out) {
  if (w < 0 || h < 0 || (bpp != 1 && bpp != 2)) return false;
  unsigned long long n = static_cast<unsigned long long>(w) * static_cast<unsigned long long>(h) *
                         static_cast<unsigned long long>(bpp);
  if (n > std::numeric_limits<std::size_t>::max() / 2) return false;
  out = static_cast<std::size_t>(n);
  return true;
}

bool TkImage::create(int width, int height, int bytes_per_pixel) {
  std::size_t n = 0;
  if (!block_size(width, height, bytes_per_pixel, n)) return false;
  std::vector<uint8_t> block;
  try {
    block.assign(n, 0);
  } catch (...) {
    return false;
  }
  pixels_.swap(block);
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

bool TkImage::resize(int width, int height, int bytes_per_pixel) {
  std::size_t n = 0;
  if (!block_size(width, height, bytes_per_pixel, n)) return false;
  if (n > pixels_.size()) return create(width, height, bytes_per_pixel);
  pixels_.resize(n);
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

bool TkImage::attach(std::vector<uint8_t>&& pixels, int width, int height, int bytes_per_pixel) {
  std::size_t n = 0;
  if (!block_size(width, height, bytes_per_pixel, n) || pixels.size() != n) return false;
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

void TkImage::release() {
  std::vector<uint8_t>().swap(pixels_);
  width_ = 0;
  height_ = 0;
}
