// Device-independent bitmaps (DIBs) and BMP files. A DIB is one owned block of bytes in the
// packed Windows layout: a 40-byte info header, the colour table (4-byte entries), then the
// pixel rows, each padded to a multiple of 4 bytes. A positive height stores the rows bottom
// up, a negative height top down. Scanned and grabbed images arrive as such blocks and camera
// frames are saved as BMP files.
//
// Every function that makes a block returns a new one that the caller owns (HDIB), or null
// after an "E:" trace line naming the caller. Multi-byte fields are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/kstypes.h"

class ByteReader;

constexpr uint32_t DIB_INFO_HEADER_SIZE = 40;  // BITMAPINFOHEADER
constexpr uint32_t DIB_CORE_HEADER_SIZE = 12;  // BITMAPCOREHEADER (older files)
constexpr uint32_t DIB_V4_HEADER_SIZE = 108;   // the info header with colour masks and space
constexpr uint32_t DIB_V5_HEADER_SIZE = 124;   // the same with a rendering intent and a profile
constexpr uint32_t DIB_FILE_HEADER_SIZE = 14;  // "BM", size, two reserved words, row offset
constexpr int DIB_MAX_COLOURS = 256;           // largest colour table accepted
// Largest pixel block a BMP file may announce (1 GiB): larger files are refused.
constexpr uint64_t DIB_MAX_IMAGE_BYTES = uint64_t(1) << 30;

// The info header, field by field. A core header read from a file is held here with
// biSize 12 until it is widened (ReadDibBitmapInfo).
struct BITMAPINFOHEADER {
  uint32_t biSize = DIB_INFO_HEADER_SIZE;
  int32_t biWidth = 0;
  int32_t biHeight = 0;       // > 0 bottom-up rows, < 0 top-down rows
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // 0: none
  uint32_t biSizeImage = 0;    // bytes of the rows; 0 allowed when uncompressed
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// A header with its colour table (entries blue, green, red, 0).
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  uint8_t bmiColors[DIB_MAX_COLOURS * 4] = {};
};

struct DibBlock {
  std::vector<uint8_t> bytes;  // header, colour table, rows
};
using HDIB = std::unique_ptr<DibBlock>;

// Colour-table entries: a core header from its bit count; an info header its colour-used count
// when not 0, else from the bit count (1 -> 2, 4 -> 16, 8 -> 256, any other 0).
int DibNumColors(const BITMAPINFOHEADER& bi);
// Colour-table bytes: entries x 3 for a core header, x 4 otherwise.
int PaletteSize(const BITMAPINFOHEADER& bi);
// Bytes of one padded row: ((|width x bit count| + 31) / 32) x 4.
uint64_t DibRowBytes(int64_t width, int bit_count);

// The block's header with the image size and colour-used count filled in when they were 0.
// FALSE for a null block or one too short for its header ("hbi NULL, not OK").
BOOL DibInfo(const DibBlock* dib, BITMAPINFOHEADER* out);
// First byte of the block's rows (after header and colour table), null when the block is too
// short for its rows.
const uint8_t* DibBits(const DibBlock* dib);
uint8_t* DibBits(DibBlock* dib);

// A new zero-filled DIB of rows (signed: negative for top-down) x cols pixels; 8 bits get the
// grey colour table, 16 and 24 bits none. Null for another bit count or an empty size.
HDIB MakeDIB(const char* caller, int rows, int cols, int bit_count);
// The DIB turned by 90 degrees: direction 0 clockwise, any other counter-clockwise. 8 and 16
// bits only; the row order (sign of the height) is kept.
HDIB MakeRotatedDib(const DibBlock* dib, int direction);
// Copies the pixels as top-down rows without padding (8 and 16 bits only) into *out.
BOOL GetPixelsFromDIB(const char* caller, const DibBlock* dib, std::vector<uint8_t>* out);
// An 8-bit grey DIB for display: a 16-bit DIB keeps the high byte of each pixel; any other DIB
// is copied unchanged.
HDIB MakeDisplayDib(const char* caller, const DibBlock* dib);
// A grey DIB from a colour one: 24 bits give 8 bits, 48 bits (three 16-bit channels) give 16
// bits. channel 1, 2, 3 copy the first (blue), second (green), third (red) stored channel;
// 4 gives (5 x first + 2 x second + third) >> 3. The copy keeps the source's pixels per
// metre. Null for another bit count or channel.
HDIB MakeGrayScaleDibFromColor(const char* caller, const DibBlock* dib, int channel);
// The rectangle rows top .. bottom - 1, columns left .. right - 1 (image rows counted from the
// top; top_down tells how the source stores them) of an 8- or 16-bit DIB. Columns at or beyond
// the source's width stay zero. Null for a rectangle that is empty or reaches above, left of or
// below the bitmap.
HDIB ClipDib(const DibBlock* dib, const char* caller, int top_down, int top, int left,
             int bottom, int right);

// Writes a BMP file (replacing the file through a temporary file): file header, info header
// with the colour table, rows. The file is always bottom-up; the image size is computed from
// the header. `pixels` holds the rows as the header's sign of height stores them.
BOOL WriteDIBFromPixelArrayAndBI(const char* path, const BITMAPINFO& bi, const uint8_t* pixels);
// The same with header, colour table and pixels taken from a DIB.
BOOL WriteDIBFile(const char* path, const DibBlock* dib);

// Reads the header part of a BMP file (or of a bare DIB without file header) whose bytes the
// reader holds, from its start: a new block with an info header and colour table (a core header
// is widened, its 3-byte entries made 4-byte), image size and colour count filled in. Leaves
// the reader at the first row byte. Null for a header of another size, a colour table larger
// than 256 entries or past the end, or a row offset outside the file.
HDIB ReadDibBitmapInfo(ByteReader& file);
// Reads a whole BMP file into a new DIB. 0, or -1 the file cannot be opened, -2 no valid
// header (also a size that the file's bytes do not hold), -3 a compressed bitmap, -4 no memory.
int OpenDIBFile(const char* path, HDIB* out);
