// Bringing foreign images in (TIFF, JPEG, Windows bitmap, Fuji imaging plate) and cropping the
// current image into a new image. Every new image is "<chosen path without extension>.kes"
// with its info file; a successful import or crop leaves it in the load path and load name.
//
// A destination is never lost to a failure: the converter writes under a temporary name in the
// destination's folder, and the new files replace the destination (whose analysis files then
// go) only when it succeeded. A destination open in an image window is refused (gt_msg 88).
// The acquisition commands put their new images in place the same way (vx_place_new_image).
#pragma once

#include "base/kstypes.h"
#include "toolkit/tk_types.h"

BOOL gt_get_tiff();
BOOL gt_get_jpeg();
BOOL gt_get_bitmap();
BOOL gt_get_fuji();
// Asks for a destination image name until it is usable: 1 with "<chosen>.kes" in dest (capacity
// IMG_PATH_LEN), either free or an image the user agreed to replace (it is not touched here:
// vx_place_new_image replaces it once the new image is written); 0 when the user cancelled.
int vx_get_dest_image_name(char* dest, const char* start_with);
// Puts the image set written at `new_base` (its pixel and info file, in any folder) in place of
// the image `dest` (a ".kes" path) as one change: the old image's text part and analysis files
// go with it, and its lock after it. TRUE when `dest` holds the new image (the set at
// `new_base` is gone); FALSE after ui_msg 243, with `dest` and the set at `new_base` as they
// were.
BOOL vx_place_new_image(const char* new_base, const char* dest);
// Crops the current image's rectangle with these corners (in any order) to a new image, then
// opens it. Corners that share an x or a y are refused before any question.
void gt_finish_crop(const TkPoint* start, const TkPoint* end);
// The colour channel of guided-run imports: always 0, so the channel question is asked.
int vrem_color();

// The format's check and converter, replaceable for tests.
struct GtImportConverters {
  BOOL (*tiff_check)(const char* path, int* is_color, int* channel, int channel_to_use);
  int (*tiff_convert)(const char* source, const char* dest, int* res_flag, int interp);
  BOOL (*jpeg_check)(const char* path, int* comps, int* w, int* x_dpi, int* h, int* y_dpi);
  int (*jpeg_convert)(const char* source, const char* dest, int colour, int channel, int x_dpi,
                      int y_dpi, int interp, int mode1, int mode2);
  BOOL (*bmp_check)(const char* path, int* comps, int* w, int* x_ppm, int* h, int* y_ppm);
  int (*bmp_convert)(const char* source, const char* dest, int colour, int channel, int x_ppm,
                     int y_ppm, int interp);
  int (*fuji_convert)(const char* source, const char* dest);
  int (*rgb_dialog)(int file_type);
};
GtImportConverters gt_import_converters();                   // the ones in use
void gt_import_set_converters(const GtImportConverters& c);  // replace them
void gt_import_reset_converters();                           // back to the program's own
