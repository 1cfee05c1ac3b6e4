// The pixel file ".kes" and the in-memory image.
//
// File layout (numbers in the byte order named by byte 0):
//   0-1   byte-order mark: "II" little-endian (what writers write) or "MM" big-endian
//   2-3   bytes per pixel, 16-bit: 1 or 2
//   4-7   width in pixels, 32-bit
//   8-11  height in pixels, 32-bit
//   12..  height rows of width × bytes-per-pixel bytes, top row first, left pixel first;
//         2-byte pixels in the byte order of the mark
#pragma once

#include "model/img_info.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class ByteWriter;
class TkImage;

constexpr int KES_HEADER_BYTES = 12;

// Reads the 12-byte header. 1 on success with bits = bytes per pixel × 8 and extent =
// (width, height); 0 when the file cannot be read, the mark is neither "I" nor "M", bytes per
// pixel is not 1 or 2, or the width or height is not positive.
int io_query_image(const char* path, int* bits, int32_t extent[2]);

// 1 when the file holds every pixel its header announces (the header, then width × height ×
// bytes per pixel), else 0. Readers that allocate from the header's extent ask this first, so
// that a damaged header cannot make them ask for gigabytes.
int io_image_complete(const char* path);
// Fills `img` with the rectangle (x0, y0, width, height), given in destination pixels, sampled
// with `decimation`: destination pixel (k, r) is file pixel floor((x0 + k) × d + 0.5) of file
// row floor((y0 + r) × d + 0.5). 2-byte pixels are stored native little-endian whatever the
// file's order. 1 on success; 0 when the file cannot be read, its header is bad, the rectangle
// or decimation is invalid or reaches outside the file, memory runs out, or a row cannot be read.
int io_read_kestrin(const char* path, TkImage* img, const int32_t rect[4], double decimation);

// The same at full scale into a new block of width x height pixels (ks_huge_alloc_msg; release
// with ks_huge_free_msg), rows one after another; *bytes_per_pixel receives 1 or 2. Null on
// any failure of io_read_kestrin.
void* io_read_kestrin_block(const char* path, const int32_t rect[4], int* bytes_per_pixel);

// A new image of extent (x, y) and `depth` bits (8 or 16) with a cleared pixel block; null when
// the arguments are invalid or memory runs out. Release with delete.
TkImage* io_create_image(const int32_t extent[2], int depth);

// Loads the whole file into the record's pixel image (always 8 bits per pixel: a 16-bit image
// of device 7 or 20 keeps each value's high byte; any other 16-bit image is scaled by
// 256 / (max - min + 1) from its minimum, truncated and clamped to 255, or 0 when all values are
// equal) and makes the display image a copy of it with its colour table. 0, or -1 when the file
// cannot be read whole or memory runs out (the record then holds no pixel image).
int io_load_image(IMG_DATA* data, int device, const char* path);

// The 8-bit display values of the 16-bit pixels of an image whose values run from lo to hi
// (lo < hi), as io_load_image makes them: value v, first held to [lo, hi], shows as
// (v - lo) x (256.0 / (hi - lo + 1)) in doubles, truncated and held to 255.
class IoDisplayScale {
 public:
  IoDisplayScale(unsigned lo, unsigned hi);
  // Writes the display value of each of the n values to out.
  void apply(const uint16_t* values, std::size_t n, uint8_t* out) const;
  // 256 / (hi - lo + 1), or 0 when the range is empty.
  double factor() const { return factor_; }

 private:
  uint16_t lo_ = 0, range_ = 0;  // lo and hi - lo
  double factor_ = 0.0;
  // With whole_, the value is floor((v - lo) x (high_ x 2^16 + low_) / 2^32), worked out in
  // 16-bit steps, for ranges where that gives the same bytes as the doubles; else the doubles.
  bool whole_ = false;
  uint16_t high_ = 0, low_ = 0;
};

// Resets a display record: new empty display image, no pixel image, cleared sizes, rectangle,
// annotation chain (freed), word after it and modified flag; both depths 8, scale 1.0, zooms 1. The
// colour-map word is left as it is.
void ih_init_display(IMG_DATA* data);
// Releases the two images and the annotation chain of a display record (the record itself
// stays, with no chain).
void io_free_display(IMG_DATA* data);
// The full-depth pixels (2-byte pixels as native little-endian values) of the pixel file at
// `path` as a display record loaded them, kept while that record holds the image: null when no
// record holds them or the file has changed since (it is then read again). The pixels are only
// read; they stay valid while the pointer is held.
std::shared_ptr<const TkImage> io_kept_pixels(const char* path);
// True while kept pixels `px` (from io_kept_pixels for `path`) still are that file: no page of
// them was lost to the file being cut short while they were mapped (lost pages read as zeros,
// where reading them would otherwise end the program), and the file is the version that was
// mapped. False for null or pixels that are not kept.
bool io_kept_pixels_intact(const char* path, const TkImage* px);
// For tests: called by io_kept_pixels with the path once it found the kept pixels current,
// before the caller reads any of them. Returns the previous hook.
using IoKeptHook = void (*)(const char* path);
IoKeptHook io_set_kept_pixels_hook(IoKeptHook hook);

// The colour-table loader that io_load_image applies to a freshly loaded pixel image. The shell
// installs its colour-map loader here; without one the image keeps a grey ramp. Returns the
// previous loader.
using IoCmapLoader = void (*)(TkImage* img);
IoCmapLoader io_set_cmap_loader(IoCmapLoader loader);

// Appends the 12-byte header of a little-endian pixel file to `out` (writers of pixel files
// write this header, then the rows).
void io_put_kes_header(ByteWriter& out, int bytes_per_pixel, int32_t width, int32_t height);
