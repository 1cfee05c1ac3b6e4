// The scanner window: the modal dialog through which the user scans an image from the configured
// flatbed scanner, previews it, names it and accepts it as the program's image and info file at
// a temporary path root; and the scan behind its Scan button.
#pragma once

#include <string>

#include "base/kstypes.h"

struct TkObject;

// The settings that pass between the caller and the window: read on entry, written on Accept.
struct ScanSettings {
  int brightness = 0;    // -100 .. 100
  int dpi_index = 2;     // entry 0..3 of the scanner's resolutions
  int transmissive = 1;
  int rotate = 0;
  int rotate_code = 1;   // 1..3
  int width = 10;        // centimetres
  int length = 10;
  int color = 0;         // 0 grey, 1..3 the bitmap's first, second, third sample
  int calibrate = 0;     // out: the calibrate check box
  int auto_cal_ok = 0;   // out: the last scan calibrated
};

// Checks the configured scanner and its source, then runs the window. TRUE when the user
// accepted and the image was written at `root`: the name goes to `name_out` (256 characters)
// and the scanner's source name to `source_out` (260 characters).
BOOL ChooseNewScannerERecord(int strip_in_image, const char* root, char* name_out, int flat_fixup,
                             ScanSettings* settings, char* source_out);
// Runs the window: true with the typed name when the image was accepted and written.
bool kr_scanner_activate(const char* root, int interp_type, ScanSettings* settings,
                         std::string* name);

// Centimetres to pixels: (cm + shift) / 2.54 x dpi + 0.5, truncated.
int scan_cm_to_pixels(double cm, int dpi, double shift);
// The calibration strip and the image area of the devices configuration in pixels: first row,
// first column, end row, end column (rows take the shift).
void ODStripCoords(int dpi, double shift, int* top, int* left, int* bottom, int* right);
void ImageAreaCoords(int dpi, double shift, int* top, int* left, int* bottom, int* right);

// The colour handling shared with the camera window (0 grey, 1..3 a sample of the bitmap).
int& scan_color_choice();
// A usable image name: none of . , \ / ~ @ # ? :
BOOL acq_name_ok(const char* name);
// Leading and trailing white space removed.
std::string acq_trim(const char* text);
// The first activation's state as at program start (tests).
void scan_reset_for_tests();
// The scan running now (the Scan button's lock).
BOOL scan_is_running();
