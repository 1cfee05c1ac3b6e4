// Export of images: TIFF through the program's own writer, grey JPEG through libjpeg; Save As
// in the program's own format; the folder export. The info-file writer that the importers
// share is here too.
#pragma once

#include <cstdint>

#include "base/kstypes.h"
#include "model/img_info.h"

struct TkObject;

// Results of io_export_save.
enum : int {
  EXPORT_TIFF_WRITTEN = 0,
  EXPORT_JPEG_WRITTEN = 1,
  EXPORT_CANCELLED = 2,
  EXPORT_NO_IMAGE = 3,       // the image cannot be opened, or no kind was chosen
  EXPORT_TIFF_FAILED = 4,
  EXPORT_JPEG_FAILED = 5,
};

// Writes the info file of an imported image (header and lookup). 0, or 20 after the message
// "The file could not be written.".
int io_jpeg_write_info(const IMG_INFO* info, const IMG_INT_INFO* lookup,
                       const char* data_file_name);

// The image as a grey JPEG of the quality: 255 - v, or 255 - the high byte of 2-byte values.
// 0 written; 1 the library failed; -1 the image cannot be read, no memory, or the JPEG cannot
// be opened.
int io_jpeg_save(const char* image_path, const char* jpeg_path, const IMG_INFO* info,
                 int quality);
// Writes width × height grey bytes as a JPEG (0, 1 the library failed, -1 cannot open).
int io_jpeg_write_grey(const char* jpeg_path, const uint8_t* bytes, int width, int height,
                       int quality);

// Exports one image to tiff_name (TIFF or JPEG), written under a temporary name beside it and
// renamed over an existing file only when complete. With no_prompt 0 the export dialog chooses
// the kind and quality; else save_as and quality are used. Result: EXPORT_*.
int io_export_save(const char* img_path, const char* tiff_name, const IMG_INFO* info,
                   BOOL no_prompt, int save_as, int quality);

// Save As (format 0), export (1) and keeping a PostScript file (2, load_path the file the
// print layer wrote). area is the image window's drawing area. Format 0 returns TRUE when the
// copy was made, load_path (KS_PATH_LEN) then holding the new image path; the open image has
// already taken that path and name. Export returns TRUE also when the user cancels the
// settings.
BOOL gt_save_as_activate(TkObject* area, int format, char* load_path);

// Exports every image of a folder as TIFF or JPEG into a second folder.
void gt_export_folder(TkObject* main_win);
