// The supported scanner and camera models and the scanner window's small conversions.
#include "acquire/acq_models.h"

#include <cstdio>
#include <cstring>

#include "acquire/p11_devices.h"
#include "acquire/tik.h"
#include "base/slog.h"

namespace {

SCANNER_MODEL s_scanners[3] = {
    {"KES-M1", "", "", 1, 0, 1, 1, 16, 13.7, 8.2, 10.0, 8.0, 0.0, 35, 21, 25, 20,
     {"35", "21", "25", "20"}, -100, 100, 0, {"-100", "100"}, "", {100, 150, 300, 600}},
    {"KES-M2", "", "", 1, 0, 1, 1, 16, 13.7, 8.2, 10.0, 8.0, 0.0, 35, 21, 25, 20,
     {"35", "21", "25", "20"}, -100, 100, 0, {"-100", "100"}, "", {100, 150, 300, 600}},
    {"KES-M3", "", "", 1, 0, 1, 1, 16, 16.5, 11.4, 15.7, 11.4, 0.0, 42, 29, 40, 29,
     {"42", "29", "40", "29"}, -100, 100, 0, {"-100", "100"}, "", {100, 150, 300, 600}},
};
SCANNER_MODEL* s_scanner = nullptr;

// The cameras the devices configuration accepts. KES-C1 and KES-C2 are also rows of the camera
// window's table; KES-C3 and KES-C4 are known but cannot be used from the window.
const CAMERA_MODEL s_cameras[4] = {
    {"KES-C1", 4, 0},
    {"KES-C2", 26, 1},
    {"KES-C3", 27, 0},
    {"KES-C4", 28, 0},
};
char s_cam_source[41] = "";
char s_cam_short[20] = "";
int s_cam_device = 0;  // device code of the configured camera, 0 for none

// The camera window's rows: KES-C1 (grey, 14 bits), KES-C5 (grey, 12 bits; not a model the
// devices configuration accepts), KES-C2 (colour, 8 bits).
CAM_WIN_MODEL s_cam_rows[3] = {
    {"KES-C1", "", "", 0, 0, 14},
    {"KES-C5", "", "", 0, 0, 12},
    {"KES-C2", "", "", 1, 1, 8},
};
CAM_WIN_MODEL* s_cam_row = nullptr;

const CAMERA_MODEL* find_camera(const char* name) {
  if (name == nullptr) return nullptr;
  for (const auto& c : s_cameras)
    if (std::strcmp(c.name, name) == 0) return &c;
  return nullptr;
}

}  // namespace

BOOL IsKesScanner(const char* name) {
  if (name == nullptr) return FALSE;
  for (const auto& s : s_scanners)
    if (std::strcmp(s.name, name) == 0) return TRUE;
  return FALSE;
}

SCANNER_MODEL* scan_find_model(const char* name) {
  s_scanner = nullptr;
  if (name != nullptr)
    for (auto& s : s_scanners)
      if (std::strcmp(s.name, name) == 0) s_scanner = &s;
  return s_scanner;
}

BOOL LoadKesScanner(const char* name) { return scan_find_model(name) != nullptr ? TRUE : FALSE; }
SCANNER_MODEL* scan_current_model() { return s_scanner; }

BOOL IsKesCamera(const char* name, int* color) {
  const CAMERA_MODEL* c = find_camera(name);
  if (color) *color = c ? c->color : 0;
  return c ? TRUE : FALSE;
}

BOOL LoadKesCamera(const char* name, const char* data_source, const char* short_name) {
  s_cam_source[0] = s_cam_short[0] = '\0';
  s_cam_device = 0;
  const CAMERA_MODEL* c = find_camera(name);
  if (c == nullptr) return FALSE;
  s_cam_device = c->device;
  std::snprintf(s_cam_source, sizeof s_cam_source, "%s", data_source ? data_source : "");
  std::snprintf(s_cam_short, sizeof s_cam_short, "%s", short_name ? short_name : "");
  tik_set_kei_device_attrib(c->device);
  return TRUE;
}

const char* cam_data_source() { return s_cam_source; }
const char* cam_short_name() { return s_cam_short; }
int cam_device_code() { return s_cam_device; }

CAM_WIN_MODEL* cam_find_model(const char* name) {
  s_cam_row = nullptr;
  if (name != nullptr)
    for (auto& r : s_cam_rows)
      if (std::strcmp(r.name, name) == 0) {
        s_cam_row = &r;
        break;
      }
  return s_cam_row;
}
CAM_WIN_MODEL* cam_current_model() { return s_cam_row; }

BOOL KR11TestScanner() {
  int is_test = 1;
  p11DevInfoGetIsTest(FALSE, &is_test);
  return is_test ? TRUE : FALSE;
}

BOOL KR11TestCamera() {
  int is_test = 1;
  p11DevInfoGetIsTest(TRUE, &is_test);
  return is_test ? TRUE : FALSE;
}

int iDPI_from_Radio(int index) {
  const SCANNER_MODEL* m = s_scanner ? s_scanner : &s_scanners[0];
  return index == 0 || index == 1 || index == 3 ? m->dpi[index] : m->dpi[2];
}

int scan_twain_bit_depth(int bits) { return bits < 9 ? 8 : 16; }

int scan_gray_channel(int color_choice) {
  switch (color_choice) {
    case 0: return 4;
    case 2: return 2;
    case 3: return 3;
    default: return 1;
  }
}

int scan_rotate_degrees(int code) { return code == 1 ? 180 : code == 2 ? 270 : 90; }
