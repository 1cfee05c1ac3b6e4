// The devices configuration: which camera and which scanner are attached, read from
// "devices.ini" in the write folder at start-up. At most one of each; each configured device has
// a record that the camera window, the scanner window and the dispatcher read through the
// accessors below.
#pragma once

#include "base/kstypes.h"

struct DEVINFO {
  int is_test = 0;
  int hide_ui = 1;
  int auto_calibrate = 0;
  char access_name[20] = "";
  char short_name[20] = "";
  char data_source[256] = "";
  char test_image[256] = "";
  int strip[4] = {0, 0, 0, 0};  // calibration strip x0, y0, x1, y1
  int area[4] = {0, 0, 0, 0};   // image area x0, y0, x1, y1
};

// Error codes of p11GetDeviceFromIni.
enum : int {
  P11_OK = 0,
  P11_BAD_AUTO_CALIBRATE = 1,
  P11_NO_NAME = 2,
  P11_NO_DATA_SOURCE = 5,
  P11_BAD_HIDE_GUI = 6,
  P11_BAD_CAL_STRIP = 7,
  P11_BAD_IMAGE_AREA = 8,
};

// Reads the camera and the scanner. 0 when read, 1 on an error (more than one device of a kind,
// or a configured device whose entries are wrong). The outs start at 0: the scanner's automatic
// calibration flag and whether the camera is a colour camera.
int p11ReadDevicesIni(int* auto_calibrate, int* camera_is_color);
// Reads one device's entries into its record and makes it current. 0 or an error code (P11_*).
int p11GetDeviceFromIni(const char* access_name, BOOL is_camera);
// The number of comma-separated names in an entry.
int p11CountDevices(const char* text);
// Trims white space at both ends in place.
char* p11_trim(char* text);

// Accessors: each returns the number of devices of that kind (0 or 1).
int p11DevInfoGetAccessName(BOOL is_camera, char* out);
int p11DevInfoGetShortName(BOOL is_camera, char* out);
int p11DevInfoGetTwainDS(BOOL is_camera, char* out);
int p11DevInfoGetAutoCalTestImage(BOOL is_camera, char* out);
int p11DevInfoGetIsTest(BOOL is_camera, int* out);
int p11DevInfoGetAutoCalibrate(BOOL is_camera, int* out);
int p11DevInfoGetDims(BOOL is_camera, int which, int* out4);

// Forgets both devices (tests).
void p11_reset();
