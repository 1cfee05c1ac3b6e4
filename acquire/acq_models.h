// The supported scanner and camera models: the scanner table, the camera table that the devices
// configuration accepts and the camera window's own table, their look-ups, the current models and
// the small conversions of the scanner window.
#pragma once

#include "base/kstypes.h"

struct SCANNER_MODEL {
  char name[20];
  char short_name[20];    // filled from the devices configuration
  char source_name[260];  // filled from the devices configuration
  int auto_calibrate;     // the program's automatic-calibration flag, set once per run
  int native_transfer;    // 1 native transfer, 0 memory transfer
  int adapter_fixed;      // transparency adapter fixed: no light-path check
  int top_down;           // as the model states it; the scan reads the row order from the bitmap
  int bit_depth;          // bits per sample
  double refl_len_in, refl_wid_in;    // reflective maximum length and width, inches
  double trans_len_in, trans_wid_in;  // transmissive maximum length and width, inches
  double refl_shift_cm;               // added to row coordinates in reflective scans
  int refl_len_cm, refl_wid_cm;
  int trans_len_cm, trans_wid_cm;
  char max_text[4][10];  // reflective length, width, transmissive length, width
  int bright_min, bright_max;
  int unused;
  char bright_text[2][10];
  char spare[12];
  int dpi[4];
};

struct CAMERA_MODEL {
  char name[40];
  int device;
  int color;
};

// A row of the camera window's table.
struct CAM_WIN_MODEL {
  char name[20];
  char short_name[20];    // filled when the window opens
  char source_name[260];  // filled when the window opens
  int color;
  int invert;
  int bit_depth;
};

// Scanner table.
BOOL IsKesScanner(const char* name);
// The matching row becomes the current model; no match leaves none.
BOOL LoadKesScanner(const char* name);
SCANNER_MODEL* scan_find_model(const char* name);
SCANNER_MODEL* scan_current_model();

// Camera table of the devices configuration.
BOOL IsKesCamera(const char* name, int* color);
// Keeps the data source (at most 40 characters) and short name of the configured camera and makes
// its device code the kit's device attribute. FALSE for an unknown model (names cleared).
BOOL LoadKesCamera(const char* name, const char* data_source, const char* short_name);
const char* cam_data_source();
const char* cam_short_name();
// Device code of the camera the devices configuration named (its info files record it), or 0.
int cam_device_code();

// Camera window table: the match becomes the current camera row, no match leaves none.
CAM_WIN_MODEL* cam_find_model(const char* name);
CAM_WIN_MODEL* cam_current_model();

BOOL KR11TestScanner();
BOOL KR11TestCamera();

// Entry `index` of the current scanner's DPI list for 0, 1 and 3, else entry 2 (the first row's
// list when no scanner is current).
int iDPI_from_Radio(int index);
int scan_twain_bit_depth(int bits);
// The channel code of the grey conversion for a colour choice: 0 gives the mix 4, 2 and 3 stay,
// any other gives 1.
int scan_gray_channel(int color_choice);
int scan_rotate_degrees(int code);
