// The toolkit's plain image.
#include "toolkit/core/tk_image.h"

#include "toolkit/core/tk_block.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>


TkImage::TkImage() {
  set_grey_colours();
}

TkImage::TkImage(const TkImage& other) : bpp_(other.bpp_), colours_(other.colours_) {
  const std::size_t n = other.size_bytes();
  if (n == 0) return;
  pixels_ = static_cast<uint8_t*>(std::malloc(n));
  if (!pixels_) return;
  std::memcpy(pixels_, other.pixels_, n);
  capacity_ = n;
  width_ = other.width_;
  height_ = other.height_;
}

TkImage& TkImage::operator=(const TkImage& other) {
  if (this != &other) {
    TkImage copy(other);
    *this = std::move(copy);
  }
  return *this;
}

TkImage::TkImage(TkImage&& other) noexcept
    : pixels_(std::exchange(other.pixels_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      viewed_(std::exchange(other.viewed_, false)),
      map_base_(std::exchange(other.map_base_, nullptr)),
      map_bytes_(std::exchange(other.map_bytes_, 0)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      bpp_(other.bpp_),
      colours_(other.colours_) {}

TkImage& TkImage::operator=(TkImage&& other) noexcept {
  if (this != &other) {
    free_block();
    pixels_ = std::exchange(other.pixels_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    viewed_ = std::exchange(other.viewed_, false);
    map_base_ = std::exchange(other.map_base_, nullptr);
    map_bytes_ = std::exchange(other.map_bytes_, 0);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    bpp_ = other.bpp_;
    colours_ = other.colours_;
  }
  return *this;
}

TkImage::~TkImage() {
  free_block();
}

void TkImage::free_block() {
  if (!viewed_) {
    TkBlock block{pixels_, map_base_, map_bytes_};
    tk_block_free(&block);
  }
  pixels_ = nullptr;
  capacity_ = 0;
  viewed_ = false;
  map_base_ = nullptr;
  map_bytes_ = 0;
}

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
  TkBlock block;
  if (!tk_block_alloc(n, &block)) return false;
  free_block();
  map_base_ = block.map_base;
  map_bytes_ = block.map_bytes;
  pixels_ = static_cast<uint8_t*>(block.data);
  capacity_ = n;
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

bool TkImage::resize(int width, int height, int bytes_per_pixel) {
  std::size_t n = 0;
  if (!block_size(width, height, bytes_per_pixel, n)) return false;
  if (n > capacity_ || !pixels_ || viewed_) return create(width, height, bytes_per_pixel);
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

bool TkImage::attach(std::vector<uint8_t>&& pixels, int width, int height, int bytes_per_pixel) {
  std::size_t n = 0;
  if (!block_size(width, height, bytes_per_pixel, n) || pixels.size() != n) return false;
  uint8_t* block = static_cast<uint8_t*>(std::malloc(n ? n : 1));
  if (!block) return false;
  if (n) std::memcpy(block, pixels.data(), n);
  std::vector<uint8_t>().swap(pixels);
  free_block();
  pixels_ = block;
  capacity_ = n;
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

bool TkImage::view(const uint8_t* pixels, int width, int height, int bytes_per_pixel) {
  std::size_t n = 0;
  if (!pixels || !block_size(width, height, bytes_per_pixel, n)) return false;
  free_block();
  pixels_ = const_cast<uint8_t*>(pixels);
  capacity_ = n;
  viewed_ = true;
  width_ = width;
  height_ = height;
  bpp_ = bytes_per_pixel;
  return true;
}

void TkImage::release() {
  free_block();
  width_ = 0;
  height_ = 0;
}
