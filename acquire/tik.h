// The acquisition kit: turns an 8- or 16-bit grey bitmap that a source delivered into the image
// pixel file (".kes") and info file (".kei"), or into an image header and lookup in memory; keeps
// the device attributes that the next info file receives; keeps the default source; and runs the
// generic acquisition from a chosen source.
#pragma once

#include "base/kstypes.h"
#include "model/img_info.h"
#include "shell/dib.h"
#include "twain/twain_ops.h"

// Device code of the generic acquisition (the kit's initial device attribute).
constexpr int TIK_DEVICE_GENERIC = 21;
// Grey colour attribute (no single channel).
constexpr int TIK_COLOR_GREY = 4;

// The attributes the next info file or in-memory header receives.
struct TIK_STATE {
  int light = 0;       // camera: exposure value; scanner: brightness
  int bool_one = 0;    // camera: automatic exposure; scanner: reflective
  int bool_two = 0;    // camera: short exposure; scanner: rotate
  int color = TIK_COLOR_GREY;
  int device = TIK_DEVICE_GENERIC;
  int rotate = 1;
  int dpi = 0;         // index of the scanner window's resolution choice
};
const TIK_STATE& tik_state();
// The kit's state as at program start (tests).
void tik_reset_state();

BOOL tik_available();
// Writes the default source into the writable ini ("TWAIN", "Default Source"); on success, with
// sources available, the source-set flag becomes 1.
BOOL tik_set_source(const char* source_name);
BOOL tik_source_set();
// The native handle of the main window (tik_set_app_window).
void* tik_app_window();

void tik_set_kei_camera_attribs(int light, int auto_exposure, int short_exposure, int color);
void tik_set_kei_scanner_attribs(int brightness, int reflective, int rotate, int color,
                                 int rotation, int dpi_choice);
void tik_set_kei_color_attrib(int color);
void tik_set_kei_device_attrib(int device);

// The write folder followed by "~~ks$$$": the path root of the generic acquisition.
const char* TikMakeFileName();
// The write folder, the root, "0" and the extension (none when null). The source is not used.
const char* TwainMakeFileName(const char* source_name, const char* root, const char* ext);
// Removes the pixel and info file of a path root, so that nothing an earlier acquisition left
// there is taken for a new image.
void tik_remove_pair(const char* root);

// The bitmap is whole: a 40-byte header, a width above 0, and the colour table and the padded
// rows of |height| lines within the block (top-down rows and an image size of 0 allowed).
BOOL tik_dib_consistent(const DibBlock* dib);
// TRUE for a colour bitmap the grey conversion reads: 24 and 48 bits per pixel.
BOOL tik_is_color_depth(int bit_count);
int tik_default_resolution();
int tik_default_scale();
// Micrometres per pixel from pixels per metre: 1,000,000 / ppm truncated; the default when that
// is below 1 (no resolution, or more than a million pixels per metre).
int tik_resolution_from_ppm(int32_t ppm);

// Writes the pixel file "<root>.kes": inverts the bitmap's pixels in place (dark-high), keeps
// their minimum and maximum, turns bottom-up rows top-down in place, and writes the rows without
// padding.
BOOL tik_write_kes(const char* root, DibBlock* dib);
// Writes the info file "<root>.kei" with the header from the bitmap and the kit's attributes, and
// the two-point lookup (or the calibration set's, while the use-calibration flag is set).
BOOL tik_write_kei(const char* root, const DibBlock* dib, int min, int max, int interp_type);
BOOL tik_write_DIB_to_file(const char* root, DibBlock* dib, int interp_type, int write_info,
                           int write_pixels, int use_calibration);
// Fills a header and lookup from the bitmap without writing files (the pixels are inverted in
// place).
BOOL tik_inmemory(IMG_INFO* info, IMG_INT_INFO* lookup, DibBlock* dib, int device);
// Minimum and maximum of the last pixel file written.
void tik_last_min_max(int* min, int* max);

// Acquires from the named source and writes the pair at `root`. A colour frame becomes grey by
// `channel` (the channel dialog's answer, 1 red, 2 green, 3 blue, 4 the mix; 0 asks). native:
// native transfer, else memory transfer (the same here).
BOOL tik_device_acquire(const char* app_name, const char* source_name, const char* root,
                        int interp_type, int channel, int native);

// The source's bitmap as the program's bitmap block (the block moves, no copy).
HDIB tik_take_dib(TwainDib dib);
