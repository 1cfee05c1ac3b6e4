// The devices configuration: reads the camera and scanner entries of "devices.ini" and keeps one
// record for each configured device.
#include "acquire/p11_devices.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "acquire/acq_models.h"
#include "base/ks_ini.h"
#include "base/slog.h"

namespace {

DEVINFO s_dev[2];    // 0 scanner, 1 camera
int s_count[2] = {0, 0};

DEVINFO& rec(BOOL is_camera) { return s_dev[is_camera ? 1 : 0]; }
int count(BOOL is_camera) { return s_count[is_camera ? 1 : 0]; }

// The entry's text, or false when the file does not hold it.
bool entry(int code, BOOL is_camera, std::string* out) {
  char text[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  if (ks_get_deventry(code, is_camera, &is_int, &value, text) != 1) return false;
  *out = text;
  return true;
}

void copy(char* dst, std::size_t size, const std::string& src) {
  std::snprintf(dst, size, "%s", src.c_str());
}

// Four integers "x0,y0,x1,y1": none negative, x1 not below x0, y1 not below y0.
bool read_rect(int code, BOOL is_camera, int* out) {
  std::string text;
  if (!entry(code, is_camera, &text)) return false;
  int v[4];
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]) != 4) return false;
  for (int k : v)
    if (k < 0) return false;
  if (v[2] < v[0] || v[3] < v[1]) return false;
  std::memcpy(out, v, sizeof v);
  return true;
}

// One kind: the model entry, checked against its table, then the device's entries.
int read_kind(BOOL is_camera, int* flag_out) {
  const char* kind = is_camera ? "camera" : "scanner";
  std::string names;
  if (!entry(is_camera ? KS_INI_CAMERA : KS_INI_SCANNER, is_camera, &names)) {
    SLOG("p11ReadDevicesIni", SLOG_VALUE4, "no %s", kind);
    return 0;
  }
  std::vector<char> buf(names.begin(), names.end());
  buf.push_back('\0');
  if (p11CountDevices(buf.data()) >= 2) {
    SLOG("p11ReadDevicesIni", SLOG_ERROR, "only 1 %s allowed", kind);
    return 1;
  }
  const std::string name = p11_trim(buf.data());
  int color = 0;
  if (!(is_camera ? IsKesCamera(name.c_str(), &color) : IsKesScanner(name.c_str()))) {
    SLOG("p11ReadDevicesIni", SLOG_ERROR, "unknown %s model <%s>", kind, name.c_str());
    return 0;
  }
  const int err = p11GetDeviceFromIni(name.c_str(), is_camera);
  if (err != P11_OK) {
    SLOG("p11ReadDevicesIni", SLOG_ERROR, "error %d reading %s device", err, kind);
    return 1;
  }
  s_count[is_camera ? 1 : 0] = 1;
  if (is_camera) {
    *flag_out = color;
  } else {
    int ac = 0;
    p11DevInfoGetAutoCalibrate(FALSE, &ac);
    *flag_out = ac;
  }
  return 0;
}

}  // namespace

char* p11_trim(char* text) {
  if (text == nullptr) return text;
  char* s = text;
  while (*s != '\0' && std::isspace(static_cast<unsigned char>(*s))) ++s;
  std::size_t n = std::strlen(s);
  while (n > 0 && std::isspace(static_cast<unsigned char>(s[n - 1]))) --n;
  std::memmove(text, s, n);
  text[n] = '\0';
  return text;
}

int p11CountDevices(const char* text) {
  if (text == nullptr) return 0;
  std::string t = text;
  std::vector<char> buf(t.begin(), t.end());
  buf.push_back('\0');
  p11_trim(buf.data());
  if (buf[0] == '\0') return 0;
  int n = 0;
  std::string all = buf.data();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = all.find(',', start);
    std::string part = all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::vector<char> pb(part.begin(), part.end());
    pb.push_back('\0');
    if (p11_trim(pb.data())[0] != '\0') ++n;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return n;
}

int p11GetDeviceFromIni(const char* access_name, BOOL is_camera) {
  DEVINFO& d = rec(is_camera);
  d = DEVINFO{};
  std::string upper = access_name ? access_name : "";
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  copy(d.access_name, sizeof d.access_name, upper);

  std::string text;
  if (!entry(KS_INI_NAME, is_camera, &text)) return P11_NO_NAME;
  copy(d.short_name, sizeof d.short_name, text);

  if (entry(KS_INI_AUTO_CALIBRATE, is_camera, &text)) {
    if (strcasecmp(text.c_str(), "yes") == 0)
      d.auto_calibrate = 1;
    else if (text != "no")
      return P11_BAD_AUTO_CALIBRATE;
  }
  if (d.auto_calibrate) {
    if (!read_rect(KS_INI_CAL_STRIP_AREA, is_camera, d.strip)) {
      d.auto_calibrate = 0;
      return P11_BAD_CAL_STRIP;
    }
    if (!read_rect(KS_INI_IMAGE_AREA, is_camera, d.area)) {
      d.auto_calibrate = 0;
      return P11_BAD_IMAGE_AREA;
    }
  }
  if (entry(KS_INI_TEST_IMAGE, is_camera, &text)) {
    d.is_test = 1;
    copy(d.test_image, sizeof d.test_image, text);
  }
  if (!entry(KS_INI_DATA_SOURCE, is_camera, &text)) return P11_NO_DATA_SOURCE;
  copy(d.data_source, sizeof d.data_source, text);
  if (entry(KS_INI_AUTO_CAL_TEST_IMAGE, is_camera, &text))
    copy(d.test_image, sizeof d.test_image, text);
  if (entry(KS_INI_TWAIN_HIDE_GUI, is_camera, &text)) {
    if (strcasecmp(text.c_str(), "no") == 0)
      d.hide_ui = 0;
    else if (strcasecmp(text.c_str(), "yes") == 0)
      d.hide_ui = 1;
    else
      return P11_BAD_HIDE_GUI;
  }
  if (is_camera)
    LoadKesCamera(d.access_name, d.data_source, d.short_name);
  else
    LoadKesScanner(d.access_name);
  return P11_OK;
}

int p11ReadDevicesIni(int* auto_calibrate, int* camera_is_color) {
  int ac = 0, color = 0;
  if (auto_calibrate) *auto_calibrate = 0;
  if (camera_is_color) *camera_is_color = 0;
  if (read_kind(TRUE, &color) != 0) return 1;
  if (camera_is_color) *camera_is_color = color;
  if (read_kind(FALSE, &ac) != 0) return 1;
  if (auto_calibrate) *auto_calibrate = ac;
  return 0;
}

int p11DevInfoGetAccessName(BOOL is_camera, char* out) {
  if (out) copy(out, sizeof DEVINFO::access_name, count(is_camera) ? rec(is_camera).access_name : "");
  return count(is_camera);
}

int p11DevInfoGetShortName(BOOL is_camera, char* out) {
  if (out) copy(out, sizeof DEVINFO::short_name, count(is_camera) ? rec(is_camera).short_name : "");
  return count(is_camera);
}

int p11DevInfoGetTwainDS(BOOL is_camera, char* out) {
  if (out) copy(out, sizeof DEVINFO::data_source, count(is_camera) ? rec(is_camera).data_source : "");
  return count(is_camera);
}

int p11DevInfoGetAutoCalTestImage(BOOL is_camera, char* out) {
  const DEVINFO& d = rec(is_camera);
  if (out) copy(out, sizeof DEVINFO::test_image, count(is_camera) && d.is_test ? d.test_image : "");
  return count(is_camera);
}

int p11DevInfoGetIsTest(BOOL is_camera, int* out) {
  if (out) *out = count(is_camera) == 1 ? rec(is_camera).is_test : 1;
  return count(is_camera);
}

int p11DevInfoGetAutoCalibrate(BOOL is_camera, int* out) {
  if (out) *out = count(is_camera) == 1 ? rec(is_camera).auto_calibrate : 1;
  return count(is_camera);
}

int p11DevInfoGetDims(BOOL is_camera, int which, int* out4) {
  if (count(is_camera) == 1 && out4 != nullptr) {
    const DEVINFO& d = rec(is_camera);
    for (int k = 0; k < 4; ++k)
      out4[k] = d.auto_calibrate ? (which == 0 ? d.strip[k] : d.area[k]) : -1;
  }
  return count(is_camera);
}

void p11_reset() {
  s_dev[0] = s_dev[1] = DEVINFO{};
  s_count[0] = s_count[1] = 0;
}
