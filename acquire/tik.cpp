// The acquisition kit: bitmaps to pixel and info files, device attributes, default source and
// the generic acquisition.
#include "acquire/tik.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquire/acq_common.h"
#include "acquire/io_import.h"
#include "acquire/ui_acquire.h"
#include "base/ks_alert.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/ks_profile.h"
#include "base/slog.h"
#include "engine/cal_auto.h"
#include "io/analysis.h"
#include "io/info_file.h"
#include "toolkit/tk_event.h"
#include "twain/tik_app.h"

namespace {

TIK_STATE s_state;
BOOL s_source_set = FALSE;
BOOL s_use_calibration = FALSE;
int s_min = 0, s_max = 0;
char s_tik_name[KS_INI_VALUE_LEN + 16];
char s_twain_name[KS_INI_VALUE_LEN + 64];

constexpr const char* kAcquireNullDib = "Null pointer from DIB - TWAIN acquire failed.";

uint32_t color_entries(const BITMAPINFOHEADER& bi) {
  return bi.biClrUsed != 0 ? bi.biClrUsed : ((1u << (bi.biBitCount & 31)) & 511u);
}

BITMAPINFOHEADER header_of(const DibBlock* dib) {
  BITMAPINFOHEADER bi;
  std::memcpy(&bi, dib->bytes.data(), sizeof bi);
  return bi;
}

uint64_t pixel_offset(const BITMAPINFOHEADER& bi) {
  return uint64_t(bi.biSize) + 4ull * color_entries(bi);
}

// Turns the pixels dark-high in place (255 - v, 65535 - v) and measures the new values.
void invert_rows(uint8_t* bits, std::size_t row, int width, int height, int bytes, int* min,
                 int* max) {
  int lo = bytes == 1 ? 255 : 65535, hi = 0;
  for (int y = 0; y < height; ++y) {
    uint8_t* r = bits + row * y;
    for (int x = 0; x < width; ++x) {
      int v;
      if (bytes == 1) {
        v = 255 - r[x];
        r[x] = static_cast<uint8_t>(v);
      } else {
        v = 65535 - (r[2 * x] | (r[2 * x + 1] << 8));
        r[2 * x] = static_cast<uint8_t>(v);
        r[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      }
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
  *min = lo;
  *max = hi;
}

}  // namespace

const TIK_STATE& tik_state() { return s_state; }
void tik_reset_state() {
  s_state = TIK_STATE{};
  s_source_set = FALSE;
  s_use_calibration = FALSE;
  s_min = s_max = 0;
}

BOOL tik_available() { return TWAIN_IsAvailable(); }

BOOL tik_set_source(const char* source_name) {
  const std::string ini = std::string(ks_get_writeable_path()) + KS_INI_WRITABLE_FILE;
  const BOOL ok = ks_profile_write_string("TWAIN", "Default Source", source_name ? source_name : "",
                                          ini.c_str());
  SLOG("tik_set_source", SLOG_VALUE4, "<%s> written %d", source_name ? source_name : "", ok);
  if (ok && tik_available()) s_source_set = TRUE;
  return ok;
}
BOOL tik_source_set() { return s_source_set; }
void* tik_app_window() { return tik_get_app_window(); }

void tik_set_kei_camera_attribs(int light, int auto_exposure, int short_exposure, int color) {
  s_state.light = light;
  s_state.bool_one = auto_exposure;
  s_state.bool_two = short_exposure;
  s_state.color = color;
}

void tik_set_kei_scanner_attribs(int brightness, int reflective, int rotate, int color,
                                 int rotation, int dpi_choice) {
  s_state.light = brightness;
  s_state.bool_one = reflective;
  s_state.bool_two = rotate;
  s_state.color = color;
  s_state.rotate = rotation;
  s_state.dpi = dpi_choice;
}

void tik_set_kei_color_attrib(int color) { s_state.color = color; }
void tik_set_kei_device_attrib(int device) { s_state.device = device; }

const char* TikMakeFileName() {
  std::snprintf(s_tik_name, sizeof s_tik_name, "%s%s", ks_get_writeable_path(), "~~ks$$$");
  return s_tik_name;
}

const char* TwainMakeFileName(const char* /*source_name*/, const char* root, const char* ext) {
  if (ext != nullptr)
    std::snprintf(s_twain_name, sizeof s_twain_name, "%s%s%d%s", ks_get_writeable_path(),
                  root ? root : "", 0, ext);
  else
    std::snprintf(s_twain_name, sizeof s_twain_name, "%s%s%d", ks_get_writeable_path(),
                  root ? root : "", 0);
  return s_twain_name;
}

void tik_remove_pair(const char* root) {
  if (root == nullptr) return;
  for (const char* ext : {".kes", ".kei"}) std::remove((std::string(root) + ext).c_str());
}

BOOL tik_dib_consistent(const DibBlock* dib) {
  if (dib == nullptr || dib->bytes.size() < sizeof(BITMAPINFOHEADER)) return FALSE;
  const BITMAPINFOHEADER bi = header_of(dib);
  if (bi.biSize != DIB_INFO_HEADER_SIZE || bi.biWidth <= 0 || bi.biHeight == 0 ||
      bi.biBitCount == 0)
    return FALSE;
  const uint64_t rows = DibRowBytes(bi.biWidth, bi.biBitCount) *
                        static_cast<uint64_t>(std::llabs(static_cast<long long>(bi.biHeight)));
  return pixel_offset(bi) + rows <= dib->bytes.size() ? TRUE : FALSE;
}

BOOL tik_is_color_depth(int bit_count) { return bit_count == 24 || bit_count == 48; }
int tik_default_resolution() { return ACQ_DEFAULT_RES; }
int tik_default_scale() { return ACQ_DEFAULT_SCALE; }

int tik_resolution_from_ppm(int32_t ppm) {
  const int r = ppm > 0 ? 1000000 / ppm : 0;
  return r < 1 ? ACQ_DEFAULT_RES : r;
}

BOOL tik_write_kes(const char* root, DibBlock* dib) {
  static const char* fn = "tik_write_kes";
  if (dib == nullptr || root == nullptr) {
    SLOG(fn, SLOG_ERROR, "no bitmap");
    return FALSE;
  }
  if (dib->bytes.size() < sizeof(BITMAPINFOHEADER) || header_of(dib).biSize != 40) {
    mh_send_msg(KS_ALERT_INFO, "Invalid bitmap type");
    return FALSE;
  }
  const BITMAPINFOHEADER bi = header_of(dib);
  if (bi.biCompression != 0) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(284));
    return FALSE;
  }
  const int bytes = bi.biBitCount / 8;
  if (bytes != 1 && bytes != 2) {
    mh_send_msg(KS_ALERT_INFO, ui_msg(283), bi.biBitCount);
    return FALSE;
  }
  if (!tik_dib_consistent(dib)) {
    SLOG(fn, SLOG_ERROR, "bitmap shorter than its rows");
    mh_send_msg(KS_ALERT_INFO, "Invalid bitmap type");
    return FALSE;
  }
  const int width = bi.biWidth;
  const int height = std::abs(bi.biHeight);
  const std::size_t row = DibRowBytes(width, bi.biBitCount);
  uint8_t* bits = dib->bytes.data() + pixel_offset(bi);

  const std::string path = std::string(root) + ".kes";
  AcqOut out;
  if (!out.open(path.c_str())) {
    mh_send_msg(KS_ALERT_INFO, "error creating image file");
    return FALSE;
  }
  if (!acq_write_kes_header(out, bytes, width, height)) {
    mh_send_msg(KS_ALERT_INFO, "error writing hdr");
    return FALSE;
  }
  invert_rows(bits, row, width, height, bytes, &s_min, &s_max);
  if (bi.biHeight > 0) {
    std::vector<uint8_t> tmp(row);
    for (int i = 0; i < height / 2; ++i) {
      uint8_t* a = bits + row * i;
      uint8_t* b = bits + row * (height - 1 - i);
      std::memcpy(tmp.data(), a, row);
      std::memcpy(a, b, row);
      std::memcpy(b, tmp.data(), row);
    }
  }
  const std::size_t line = static_cast<std::size_t>(width) * bytes;
  bool ok = true;
  if (line % 4 == 0) {
    ok = out.write(bits, line * height);
  } else {
    for (int y = 0; y < height && ok; ++y) ok = out.write(bits + row * y, line);
  }
  if (!ok || !out.close()) {
    mh_send_msg(KS_ALERT_INFO, "error writing image data");
    return FALSE;
  }
  return TRUE;
}

namespace {

// The header of an info file from the bitmap and the kit's attributes.
void fill_header(IMG_INFO* info, const BITMAPINFOHEADER& bi, int min, int max) {
  info->height = info->original_height = std::abs(bi.biHeight);
  info->width = info->original_width = bi.biWidth;
  info->bytes_per_pixel = bi.biBitCount / 8;
  info->x_res = tik_resolution_from_ppm(bi.biXPelsPerMeter);
  info->x_scale = ACQ_DEFAULT_SCALE;
  info->y_res = tik_resolution_from_ppm(bi.biYPelsPerMeter);
  info->y_scale = ACQ_DEFAULT_SCALE;
  info->min_value = min;
  info->max_value = max;
  info->filter_type = 0;
  info->device = s_state.device;
  info->DEV_Light = s_state.light;
  info->DEV_BoolOne = s_state.bool_one;
  info->DEV_BoolTwo = s_state.bool_two;
  info->DEV_Color = s_state.color;
  info->DEV_Rotate = s_state.rotate;
  info->DEV_DPI = s_state.dpi;
}

// The two-point lookup from the darkest to the brightest stored value.
void fill_lookup(IMG_INT_INFO* look, int bit_count, int min, int max) {
  double top = 2.3;
  switch (bit_count) {
    case 10: top = 2.8; break;
    case 12: top = 3.2; break;
    case 14: top = 4.0; break;
    case 16: top = 5.0; break;
    default: break;
  }
  look->dig_values[0] = min;
  look->dig_values[1] = max;
  look->wedge_values[0] = 0.0;
  look->wedge_values[1] = top;
}

}  // namespace

BOOL tik_write_kei(const char* root, const DibBlock* dib, int min, int max, int interp_type) {
  static const char* fn = "tik_write_kei";
  if (dib == nullptr || root == nullptr || dib->bytes.size() < sizeof(BITMAPINFOHEADER)) {
    SLOG(fn, SLOG_ERROR, "no bitmap");
    return FALSE;
  }
  const BITMAPINFOHEADER bi = header_of(dib);
  auto* head = static_cast<IMG_INFO*>(ks_alloc_msg(sizeof(IMG_INFO)));
  IMG_INT_INFO* look = acq_new_lookup();
  if (head == nullptr || look == nullptr) {
    ks_free(head);
    if (look) lookup_free(look);
    return FALSE;
  }
  std::memset(head, 0, sizeof *head);
  fill_header(head, bi, min, max);
  if (s_use_calibration) {
    const BOOL r = cal_auto_setCalData(look, 1);
    SLOG(fn, SLOG_VALUE4, "cal_auto_setCalData %d", r);
  } else {
    look->interp_type = interp_type;
    look->dig_val_range = 256;
    fill_lookup(look, bi.biBitCount, min, max);
  }
  int r = -1;
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(2);
  if (list != nullptr) {
    list[0] = io_alloc_analysis_entry();
    list[1] = io_alloc_analysis_entry();
    if (list[0] && list[1]) {
      list[0]->type = 1;
      list[0]->record = head;
      list[1]->type = 2;
      list[1]->record = look;
      head = nullptr;
      look = nullptr;
      r = io_write_inf(root, list, 2);
    }
    io_free_analysis_list(list, 2);
  }
  ks_free(head);
  if (look) lookup_free(look);
  if (r != 0) {
    mh_send_msg(KS_ALERT_INFO, "error writing .KEI file");
    return FALSE;
  }
  return TRUE;
}

BOOL tik_write_DIB_to_file(const char* root, DibBlock* dib, int interp_type, int write_info,
                           int write_pixels, int use_calibration) {
  s_use_calibration = FALSE;
  if (write_pixels && !tik_write_kes(root, dib)) return FALSE;
  if (write_info) {
    s_use_calibration = use_calibration ? TRUE : FALSE;
    const BOOL ok = tik_write_kei(root, dib, s_min, s_max, interp_type);
    s_use_calibration = FALSE;
    if (!ok) return FALSE;
  }
  return TRUE;
}

void tik_last_min_max(int* min, int* max) {
  if (min) *min = s_min;
  if (max) *max = s_max;
}

BOOL tik_inmemory(IMG_INFO* info, IMG_INT_INFO* lookup, DibBlock* dib, int device) {
  if (info == nullptr || lookup == nullptr || !tik_dib_consistent(dib)) return FALSE;
  const BITMAPINFOHEADER bi = header_of(dib);
  if (bi.biBitCount != 8 && bi.biBitCount != 16) return FALSE;
  const int bytes = bi.biBitCount / 8;
  const int width = bi.biWidth, height = std::abs(bi.biHeight);
  const std::size_t row = DibRowBytes(width, bi.biBitCount);
  uint8_t* bits = dib->bytes.data() + pixel_offset(bi);
  int lo = 0, hi = 0;
  invert_rows(bits, row, width, height, bytes, &lo, &hi);
  const int flags = info->flags;
  fill_header(info, bi, lo, hi);
  info->flags = flags;
  info->device = device;
  info->original_height = bi.biHeight;
  info->original_width = bi.biWidth;
  lookup_free_arrays(lookup);
  if (!lookup_init(lookup)) return FALSE;
  lookup->interp_type = 0;
  lookup->dig_val_range = 256;
  fill_lookup(lookup, bi.biBitCount, lo, hi);
  return TRUE;
}

HDIB tik_take_dib(TwainDib dib) {
  if (!dib) return nullptr;
  HDIB h = std::make_unique<DibBlock>();
  h->bytes = std::move(*dib);
  return h;
}

BOOL tik_device_acquire(const char* app_name, const char* source_name, const char* root,
                        int interp_type, int channel, int native) {
  static const char* fn = "tik_device_acquire";
  SLOG(fn, SLOG_ENTRY, "app <%s> source <%s> root <%s> channel %d native %d",
       app_name ? app_name : "", source_name ? source_name : "", root ? root : "", channel, native);
  if (root == nullptr) return FALSE;
  // Nothing an earlier acquisition left at the root may pass for this one's image.
  tik_remove_pair(root);
  TwainDib raw;
  acq_install_source_hooks();
  // The program's windows take no input while the source works; its settings dialog does.
  TK_SuspendInput(1);
  if (TWAIN_OpenSource(source_name)) {
    TWAIN_SetCurrentResolution(-1.0);
    TWAIN_ResetImageLayout();
    raw = native ? TWAIN_AcquireNative(tik_app_window(), 0) : TWAIN_AcquireMemory(tik_app_window());
    TWAIN_CloseSource();
  } else {
    SLOG(fn, SLOG_ERROR, "source <%s> does not open", source_name ? source_name : "");
  }
  TK_SuspendInput(0);
  HDIB dib = tik_take_dib(std::move(raw));
  if (!dib) {
    SLOG(fn, SLOG_EXIT, "no image, FALSE");
    return FALSE;
  }
  if (!tik_dib_consistent(dib.get())) {
    mh_send_msg(KS_ALERT_INFO,
                "Inconsistent results returned by the selected TWAIN Data Source.\n"
                "Please contact the manufacturer of the selected TWAIN Data Source\n"
                "for technical support\n \n"
                "This could be a problem in acquiring 16-bit grayscale images.\n"
                "Try acquiring 8-bit grayscale images as a possible solution.");
    return FALSE;
  }
  const int bits = header_of(dib.get()).biBitCount;
  int color;
  if (tik_is_color_depth(bits)) {
    color = channel != 0 ? channel : ui_rgbcolor_dialog(IO_RGB_TWAIN);
    if (color == 0) {
      SLOG(fn, SLOG_EXIT, "no channel chosen, FALSE");
      return FALSE;
    }
    HDIB grey = MakeGrayScaleDibFromColor(fn, dib.get(), acq_dib_channel(color));
    if (!grey) {
      mh_send_msg(KS_ALERT_INFO, "%s", kAcquireNullDib);
      return FALSE;
    }
    dib = std::move(grey);
  } else if (bits != 8 && bits != 16) {
    mh_send_msg(KS_ALERT_INFO, "Invalid pixel depth (%d), Twain acquisition failed.", bits);
    return FALSE;
  } else {
    color = TIK_COLOR_GREY;
  }
  tik_set_kei_color_attrib(color);
  // The generic code, whatever device the camera or scanner window made current.
  tik_set_kei_device_attrib(TIK_DEVICE_GENERIC);
  if (!tik_write_DIB_to_file(root, dib.get(), interp_type, 1, 1, 0)) {
    mh_send_msg(KS_ALERT_INFO, "Unable to create image file.");
    return FALSE;
  }
  SLOG(fn, SLOG_EXIT, "TRUE");
  return TRUE;
}
