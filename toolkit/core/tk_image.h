// The toolkit's plain image: a width × height block of pixel rows of 1 or 2 bytes per pixel
// (rows top first, left pixel first, no gaps between rows; 2-byte pixels hold native
// little-endian values) and a colour table of 256 entries that maps 8-bit pixel values to
// colours for display. It knows nothing of windows; the GUI toolkit draws it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class TkImage {
 public:
  // A colour table entry: 0xAARRGGBB.
  using Rgb = uint32_t;

  // An empty image (0 × 0, 8 bits) with a grey colour table.
  TkImage();
  // A copy holds its own pixel block; when that cannot be had the copy is empty (0 × 0).
  TkImage(const TkImage& other);
  TkImage& operator=(const TkImage& other);
  TkImage(TkImage&& other) noexcept;
  TkImage& operator=(TkImage&& other) noexcept;
  ~TkImage();

  // Makes the pixel block for width × height pixels of bytes_per_pixel (1 or 2) bytes, all
  // zero. False (and the image left empty) for a size below 0, another depth, or no memory.
  bool create(int width, int height, int bytes_per_pixel);
  // Changes the size and depth keeping the current block when it is large enough (the pixels
  // are then not cleared); otherwise as create. False as create.
  bool resize(int width, int height, int bytes_per_pixel);
  // Takes `pixels` as the image's block: it must hold width × height × bytes_per_pixel bytes.
  bool attach(std::vector<uint8_t>&& pixels, int width, int height, int bytes_per_pixel);
  // Shows `pixels` (width × height × bytes_per_pixel bytes that the caller owns and keeps
  // until the image ends or takes another block) as the image's block without copying it. Such
  // an image is only read: create, resize and attach give it a block of its own. False (and the
  // image unchanged) for a bad size or depth or a null block.
  bool view(const uint8_t* pixels, int width, int height, int bytes_per_pixel);
  // Drops the pixel block (the image becomes 0 × 0; depth and colours stay).
  void release();

  int width() const { return width_; }
  int height() const { return height_; }
  int bytes_per_pixel() const { return bpp_; }
  int depth() const { return bpp_ * 8; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  std::size_t row_bytes() const { return static_cast<std::size_t>(width_) * bpp_; }
  std::size_t size_bytes() const { return row_bytes() * static_cast<std::size_t>(height_); }

  uint8_t* data() { return pixels_; }
  const uint8_t* data() const { return pixels_; }
  uint8_t* row(int y) { return pixels_ + row_bytes() * static_cast<std::size_t>(y); }
  const uint8_t* row(int y) const { return pixels_ + row_bytes() * static_cast<std::size_t>(y); }
  // Value of pixel (x, y) (no bounds check beyond the caller's).
  unsigned pixel(int x, int y) const {
    const uint8_t* p = row(y) + static_cast<std::size_t>(x) * bpp_;
    return bpp_ == 2 ? unsigned(p[0] | p[1] << 8) : p[0];
  }

  std::array<Rgb, 256>& colours() { return colours_; }
  const std::array<Rgb, 256>& colours() const { return colours_; }
  // Sets the colour table to the grey ramp (entry i = grey level i).
  void set_grey_colours();

 private:
  void free_block();
  // The pixel block (from calloc, or for a large block a mapping of its own, so a large new
  // block costs nothing until it is written) and its capacity in bytes.
  uint8_t* pixels_ = nullptr;
  std::size_t capacity_ = 0;
  bool viewed_ = false;  // the block is the caller's (view): never written or freed here
  void* map_base_ = nullptr;  // a large block's own mapping, unmapped when it goes
  std::size_t map_bytes_ = 0;
  int width_ = 0;
  int height_ = 0;
  int bpp_ = 1;
  std::array<Rgb, 256> colours_{};
};
