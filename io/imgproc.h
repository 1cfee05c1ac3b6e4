// Whole-file image operations: invert, mirror, quarter turn, crop, 3 x 3 median, border and
// the equalised mark. Each works on the image's files on disk, not on an open image: it reads
// the pixel file ".kes" in bands of at most 256 rows, writes the new pixels to a temporary file
// beside the target, and records what it did in the header of the info file ".kei" (flags
// IMG_FLAG_*; the extent where it changes).
//
// The info file is read before anything is written; the new info file is written before the
// new pixels are renamed over the image, and put back should that rename fail. So on any
// failure the image's pixel file and info file are both left as they were. New pixel files are
// little-endian ("II") whatever the byte order of the original.
//
// `path` is the image's path; its extension, if any, is replaced by ".kes" and ".kei".
#pragma once

#include <cstdint>
#include <cstdio>

// Results of the whole-file operations.
enum : int {
  IMGPROC_OK = 0,
  IMGPROC_ERR_IO = -1,       // header, band or row could not be read or written; bad arguments
  IMGPROC_ERR_RECT = 2,      // crop rectangle outside the image
  IMGPROC_ERR_MEM = 5,       // out of memory
  IMGPROC_ERR_TEMP = 17,     // the temporary file cannot be opened
  IMGPROC_ERR_REPLACE = 22,  // the image cannot be replaced, or its info file read or written
};

constexpr int IMGPROC_BAND_ROWS = 256;

// Each value v becomes full - v (full 255 or 65535); minimum and maximum become full - old
// maximum and full - old minimum; the lookup's digital values become full - the old values in
// reverse order. Flag 2.
int io_imgproc_invert(const char* path);
// Every row mirrored left to right. Flag 8.
int io_imgproc_flip_side(const char* path);
// Rows written bottom row first. Flag 8.
int io_imgproc_flip_top(const char* path);
// A quarter turn: direction 1 clockwise (old (x, y) goes to column H - 1 - y, row x), direction
// 0 counter-clockwise (to column y, row W - 1 - x). Width and height, X and Y resolution and X
// and Y scale are exchanged. Flag 4.
int io_imgproc_rotate(const char* path, int direction);
int io_imgproc_rotate_90(const char* path);   // direction 1
int io_imgproc_rotate_270(const char* path);  // direction 0
// Copies the rectangle (x, y, width, height) to `dest` (an existing image there is replaced;
// the source stays), or over the source when `dest` is null or empty. The source's header, with
// the new extent and flag 32, and its lookup become the target's info file. 2 when the
// rectangle does not lie inside the image.
int io_imgproc_crop(const char* path, int x, int y, int width, int height, const char* dest);
// 3 x 3 median: the first and last rows and the first and last pixel of every row are copied;
// every other pixel becomes the fifth of its nine neighbourhood values in sorted order. Flag 1.
int io_imgproc_filter(const char* path);
// Adds `size` pixels on each chosen side, filled with the image's minimum value. -1 for no side
// or a size below 1. Flag 256 and the new extent.
int io_imgproc_border(const char* path, int size, int left, int top, int right, int bottom);
// Sets flag 16 in the info file; the pixels are not touched.
int io_imgproc_mark_equalized(const char* path);

// Writes a 12-byte little-endian pixel file header. 0, or 20 on a short write.
int io_imgproc_write_hdr(std::FILE* file, const int32_t extent[2], int bytes_per_pixel);
