// Import of foreign image files. Each importer turns one file into the program's image pair:
// the pixel file ".kes" at the destination path and the info file ".kei" beside it, with dark
// stored as high (except for Windows bitmaps, whose bytes are kept as they come). The shell's
// import commands call a check first (it reads the header and, for colour files, learns the
// channel) and then the conversion.
//
// Channels: 1 red, 2 green, 3 blue, 4 the format's own grey: the first sample for TIFF, the
// weighted mix (5 R + 2 G + B) / 8 for JPEG, and (5 B + 2 G + R) / 8 for BMP (the bitmap
// routines weigh the samples in the order a bitmap stores them: blue, green, red).
#pragma once

#include "base/kstypes.h"

// Status codes of the converters that the shell tells apart.
enum : int {
  IO_IMPORT_OK = 0,
  IO_IMPORT_NO_MEMORY = 5,
  IO_IMPORT_OPEN_FAILED = 17,     // a file cannot be opened or created, or the decoder failed
  IO_IMPORT_BAD_HEADER = 19,      // the TIFF directory cannot be read; no pixels from a bitmap
  IO_IMPORT_WRITE_FAILED = 20,    // a write of the destination failed
  IO_IMPORT_BAD_COMPRESSION = 78, // a TIFF strip of a compression the decoder does not know
  IO_IMPORT_BAD_STRIP = 80,       // a TIFF strip that does not decode to its rows
};

// Kinds of file named by the channel question.
enum : int {
  IO_RGB_TIFF = 0,
  IO_RGB_JPEG = 1,
  IO_RGB_TWAIN = 2,
  IO_RGB_BMP = 3,
};

// --- TIFF.
// Reads the first directory of the TIFF. For an RGB image the channel is channel_to_use when
// that is not 0, else the user's answer to the channel question. TRUE with *is_color 1 and the
// channel for RGB, with *is_color 0 and *channel 4 otherwise. FALSE when the file cannot be
// read or is refused (a message says why), and when the user cancels the channel question:
// that case alone leaves *is_color 1 with *channel 0. The file is closed on every path.
BOOL io_tiff_check(const char* path, int* is_color, int* channel, int channel_to_use);
// Converts the file that the last successful io_tiff_check accepted into data_file_name (the
// ".kes" path) and its info file. *res_flag receives 1 when both resolutions are known (from
// the file or from the user). interp_mode is the default lookup interpolation type.
// 0 done; 17 a file cannot be opened or created; 19 the directory cannot be read or its strips
// do not cover the image; 20 the pixel file or the info file could not be written; 5 no
// memory for the lookup; -1 (no memory), 78 or 80 (a strip that cannot be read or decoded)
// from the strip reader. A pixel file begun and not finished is left for the caller to delete.
// The converters say nothing of a failed write: 20 is the caller's to tell (the source was
// read; the destination could not be written).
int io_tiff_convert(const char* tiff_file_name, const char* data_file_name, int* res_flag,
                    int interp_mode);

// --- JPEG.
// Reads the header: component count (1 grey, 3 colour), output size and the density in dots
// per inch (0 when the file gives none or gives only an aspect ratio). FALSE when the file
// cannot be opened or decoded, and for four-component (CMYK) files.
BOOL io_jpeg_check(const char* path, int* components, int* width, int* x_dpi, int* height,
                   int* y_dpi);
// Decodes the JPEG into an 8-bit image (the channel of a colour file), stored as 255 - v.
// x_dpi and y_dpi as io_jpeg_check returned them (0 or less: the default pixel size).
// interp_mode and the two composite words do not change the result.
// 0; 5 no memory; 17 the file cannot be opened, decoded or the output created; 20 a write failed.
int io_jpeg_convert(const char* jpeg_file_name, const char* data_file_name, int is_color,
                    int channel, int x_dpi, int y_dpi, int interp_mode, int composite1,
                    int composite2);

// --- Windows bitmaps.
// Loads the bitmap (it stays loaded for io_bmp_convert). Component count 3 for 24 bits, else 1;
// the resolutions are pixels per metre. FALSE when the file cannot be read, is compressed, or
// has a bit count other than 8 and 24.
BOOL io_bmp_check(const char* path, int* components, int* width, int* x_ppm, int* height,
                  int* y_ppm);
// Why the last io_bmp_check refused its file, as a "ui_msg" number: 284 for a compressed
// bitmap; 0 when it was not refused or no particular message says why.
int io_bmp_refusal();
// Writes the bitmap's pixels as 8-bit values: the chosen channel (or the mix) of a 24-bit
// bitmap; the grey of each index of an 8-bit bitmap whose palette is grey, else the index.
// x_ppm and y_ppm are pixels per metre (0 or less: the default pixel size).
// 0; 5 no memory; 17 the bitmap cannot be read or the output created; 19 no pixels from the
// bitmap; 20 a write failed.
int io_bmp_convert(const char* bmp_file_name, const char* data_file_name, int is_color,
                   int channel, int x_ppm, int y_ppm, int interp_mode);

// --- Fuji image plate pairs (".inf" header and ".img" rows).
// 0 when the pair was written; -1 when a file of the pair cannot be opened or read or the
// header is refused; 20 when the pixel file or the info file cannot be written.
int io_fuji_convert(const char* fuji_file_name, const char* data_file_name);

// --- The channel question (module "ui_tifsav", window "rgb_color").
// rgb_file_type: IO_RGB_*. Returns the channel 1 to 4, or 0 when the user cancelled.
int ui_rgbcolor_dialog(int rgb_file_type);

// The channel number the bitmap routines take for an importer channel: their channels count
// the samples as a bitmap stores them (blue, green, red), so red 1 is their 3 and blue 3 their
// 1; 4 (the mix) stays. The BMP import and the acquisition from the selected source both pass
// the channel question's answer through here, so that the channel taken is the one the dialog
// names (1 red, 2 green, 3 blue), as for TIFF and JPEG; handed on unmapped, "Red" would take
// the blue samples.
int acq_dib_channel(int channel);
