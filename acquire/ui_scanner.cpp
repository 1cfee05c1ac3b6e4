// The scanner window, its fields and the scan behind its Scan button.
#include "acquire/ui_scanner.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquire/acq_bitmaps.h"
#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/tik.h"
#include "acquire/ui_acquire.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/cal_auto.h"
#include "model/control.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "twain/twain_ops.h"

namespace {

// Parts of the scanner window.
enum : int {
  SP_PREVIEW = 0,
  SP_NAME = 3,
  SP_NAME_ERROR = 4,
  SP_DPI = 5,
  SP_BRIGHT = 6,
  SP_CALIBRATE = 7,
  SP_TRANS = 8,
  SP_ACCEPT = 9,
  SP_CANCEL = 10,
  SP_SCAN = 11,
  SP_ROTATE = 14,
  SP_ROTATION = 15,
  SP_WIDTH = 17,
  SP_LENGTH = 18,
  SP_COLOR = 20,
};

constexpr int kDeviceScanner = 30;
constexpr const char* kInvalidName = "INVALID CHARACTER IN NAME !!";

SCANNER_MODEL* s_model = nullptr;
int s_bActualScan = 1;
int s_once = 0;
int s_dpi_list[4] = {0, 0, 0, 0};
int s_strip[4] = {-1, -1, -1, -1};
int s_area[4] = {-1, -1, -1, -1};
int s_strip_in_image = 0;
int s_flat_fixup = 0;
int s_first_activation = 1;
int s_adapter = 1;
int s_bTrans = 1;
int s_iDPI = 2;
int s_bRotate = 0;
int s_iRotate = 1;
int s_iColor = 0;
int s_bLock = 0;
int s_bAutoCalSuccessful = 0;
char s_bright_text[12] = "0";
char s_width_text[12] = "10";
char s_length_text[12] = "10";
TK_OBJ s_win = nullptr;

const char* short_name() { return s_model ? s_model->short_name : ""; }

int max_width_cm(int trans) {
  return s_model ? (trans ? s_model->trans_wid_cm : s_model->refl_wid_cm) : 0;
}
int max_length_cm(int trans) {
  return s_model ? (trans ? s_model->trans_len_cm : s_model->refl_len_cm) : 0;
}

std::string write_path(const char* name) { return std::string(ks_get_writeable_path()) + name; }

// Accept works only while a bitmap is held and the name is valid.
void update_accept() {
  if (s_win == nullptr) return;
  const std::string name = acq_trim(WGT_GetText(RES_GetSub(s_win, SP_NAME)));
  const bool ok = acq_dibs().dib && !name.empty() && acq_name_ok(name.c_str());
  WGT_Enable(RES_GetSub(s_win, SP_ACCEPT), ok ? 1 : 0);
}

// The text of a numeric field after typing: characters the field does not take removed, the
// value kept within [lo, hi]. `minus` lets a '-' stand first. Returns true when the text changed
// (then *clamped says whether the value was replaced by a bound).
bool filter_number(std::string* text, bool minus, int lo_test, const char* lo_text, int hi,
                   bool* clamped) {
  *clamped = false;
  const std::string old = *text;
  if (text->size() == 1) {
    const char c = (*text)[0];
    if (!std::isdigit(static_cast<unsigned char>(c)) && !(minus && c == '-')) text->clear();
  } else {
    std::string out;
    for (std::size_t i = 0; i < text->size(); ++i) {
      const char c = (*text)[i];
      if (std::isdigit(static_cast<unsigned char>(c)) || (minus && c == '-' && i == 0)) out += c;
    }
    *text = out;
  }
  if (!text->empty() && *text != "-") {
    const long v = std::strtol(text->c_str(), nullptr, 10);
    if (v < lo_test) {
      *text = lo_text;
      *clamped = true;
    } else if (v > hi) {
      *text = std::to_string(hi);
      *clamped = true;
    }
  }
  return *text != old;
}

// Puts a corrected text back with the insertion point one before where it was (after a clamp,
// one before the end).
void put_back(TK_OBJ field, const std::string& text, std::size_t old_len, bool clamped) {
  WGT_SetText(field, text.c_str());
  const long end = static_cast<long>(text.size());
  const long pos = clamped ? end - 1 : std::min<long>(end, static_cast<long>(old_len) - 1);
  TEXT_SetInsertPos(field, std::max<long>(0, pos));
}

long SCAN_NameNfy(TK_OBJ field, int event) {
  if (event == TK_EV_TEXT) return 1;
  const long r = WGT_DefaultNfy6(field, event);
  if (event == TK_EV_TEXT_CHANGED) {
    const std::string name = acq_trim(WGT_GetText(field));
    TK_OBJ err = RES_GetSub(s_win, SP_NAME_ERROR);
    if (!name.empty() && !acq_name_ok(name.c_str())) {
      WGT_SetLabel(err, kInvalidName);
      WGT_Show(err, 1);
    } else {
      WGT_Show(err, 0);
    }
    update_accept();
  }
  return r;
}

long SCAN_BrightNfy(TK_OBJ field, int event) {
  if (event == TK_EV_TEXT) return 1;
  const long r = WGT_DefaultNfy6(field, event);
  if (event == TK_EV_TEXT_CHANGED) {
    std::string t = WGT_GetText(field) ? WGT_GetText(field) : "";
    if (t.size() > 5) t.resize(5);
    const std::size_t old = t.size();
    bool clamped = false;
    const int lo = s_model ? s_model->bright_min : -100, hi = s_model ? s_model->bright_max : 100;
    const std::string lo_text = std::to_string(lo);
    if (filter_number(&t, true, lo, lo_text.c_str(), hi, &clamped)) put_back(field, t, old, clamped);
    if (!t.empty() && t != "-") std::snprintf(s_bright_text, sizeof s_bright_text, "%s", t.c_str());
  } else if (event == TK_EV_FOCUS_OUT) {
    const char* t = WGT_GetText(field);
    if (t == nullptr || t[0] == '\0' || std::strcmp(t, "-") == 0) WGT_SetText(field, s_bright_text);
  }
  return r;
}

// Width and length: whole centimetres from 1 to the light path's maximum.
long size_field(TK_OBJ field, int event, char* last, int (*max_cm)(int)) {
  if (event == TK_EV_TEXT) return 1;
  const long r = WGT_DefaultNfy6(field, event);
  if (event == TK_EV_TEXT_CHANGED) {
    std::string t = WGT_GetText(field) ? WGT_GetText(field) : "";
    const std::size_t old = t.size();
    bool clamped = false;
    const int trans = static_cast<int>(WGT_GetValue(RES_GetSub(s_win, SP_TRANS)));
    if (filter_number(&t, false, 1, "1", max_cm(trans), &clamped)) put_back(field, t, old, clamped);
    if (!t.empty()) std::snprintf(last, 12, "%s", t.c_str());
  } else if (event == TK_EV_FOCUS_OUT) {
    const char* t = WGT_GetText(field);
    if (t == nullptr || t[0] == '\0') WGT_SetText(field, last);
  }
  return r;
}

long SCAN_WidthNfy(TK_OBJ field, int event) {
  return size_field(field, event, s_width_text, max_width_cm);
}
long SCAN_LengthNfy(TK_OBJ field, int event) {
  return size_field(field, event, s_length_text, max_length_cm);
}

long SCAN_TransNfy(TK_OBJ box, int event) {
  const long r = WGT_DefaultNfy(box, event);
  if (event == TK_EV_ACTIVATE) {
    const int trans = static_cast<int>(WGT_GetValue(box));
    struct { int part; char* last; int max; } fields[] = {
        {SP_WIDTH, s_width_text, max_width_cm(trans)}, {SP_LENGTH, s_length_text, max_length_cm(trans)}};
    for (auto& f : fields) {
      TK_OBJ w = RES_GetSub(s_win, f.part);
      if (WGT_GetInt(w) > f.max) {
        std::snprintf(f.last, 12, "%d", f.max);
        WGT_SetText(w, f.last);
      }
    }
  }
  return r;
}

long SCAN_RotateNfy(TK_OBJ box, int event) {
  const long r = WGT_DefaultNfy(box, event);
  if (event == TK_EV_ACTIVATE) WGT_Enable(RES_GetSub(s_win, SP_ROTATION), WGT_GetValue(box) ? 1 : 0);
  return r;
}

long SCAN_ChoiceNfy(TK_OBJ w, int event) {
  if (event == TK_EV_ACTIVATE) return 0;
  return WGT_DefaultNfy(w, event);
}

long SCAN_DrawNfy(TK_OBJ area, int event) {
  const long r = WGT_DefaultNfy5(area, event);
  if (event == TK_EV_EXPOSE && s_win != nullptr && WIN_IsShown(s_win))
    scanner_dib_display(area, static_cast<int>(WGT_GetValue(RES_GetSub(s_win, SP_TRANS))),
                        acq_dibs().disp.get());
  return r;
}

// Accept: nothing while a scan runs (its bitmap was never seen) or without a bitmap.
long SCAN_PBut1Nfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) {
    if (s_bLock || !acq_dibs().dib) {
      SLOG("SCAN_PBut1Nfy", SLOG_VALUE4, "no acceptance: lock %d, bitmap %d", s_bLock,
           acq_dibs().dib ? 1 : 0);
      return 0;
    }
    WIN_EndModal(RES_GetOwnerWindow(button), 1);
    acq_dibs().disp.reset();
    return 0;
  }
  return WGT_DefaultNfy(button, event);
}

long S_scanner_winNfy(TK_OBJ win, int event) {
  const long r = WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    acq_dibs().disp.reset();
    WIN_EndModal(win, 0);
  }
  return r;
}

// ---- the scan ----

// A rectangle of pixels (rows top..bottom, columns left..right) kept inside a bitmap of
// `rows` x `cols`; false when nothing of it is left.
bool clamp_rect(int* top, int* left, int* bottom, int* right, int rows, int cols) {
  *top = std::clamp(*top, 0, rows);
  *bottom = std::clamp(*bottom, 0, rows);
  *left = std::clamp(*left, 0, cols);
  *right = std::clamp(*right, 0, cols);
  return *top < *bottom && *left < *right;
}

void write_debug(const char* name, const DibBlock* dib) {
  if (!WriteDIBFile(write_path(name).c_str(), dib))
    SLOG("SCAN_PBut3Nfy", SLOG_ERROR, "debug bitmap %s not written", name);
}

// The automatic calibration from the strip and the cut of the image area.
void calibrate_and_clip(int dpi, int trans, int degrees, IMG_INT_INFO* table,
                        const std::string& wedge_root) {
  static const char* fn = "SCAN_PBut3Nfy";
  HDIB& dib = acq_dibs().dib;
  BITMAPINFOHEADER bi;
  if (!DibInfo(dib.get(), &bi)) return;
  const int rows = std::abs(bi.biHeight), cols = bi.biWidth;
  const int top_down = bi.biHeight < 0 ? 1 : 0;  // the bitmap's own row order
  const double shift = trans ? 0.0 : (s_model ? s_model->refl_shift_cm : 0.0);
  int st, sl, sb, sr, it, il, ib, ir;
  ODStripCoords(dpi, shift, &st, &sl, &sb, &sr);
  ImageAreaCoords(dpi, shift, &it, &il, &ib, &ir);

  int cal_ok = 0;
  HDIB strip;
  if (clamp_rect(&st, &sl, &sb, &sr, rows, cols))
    strip = ClipDib(dib.get(), "cal strip", top_down, st, sl, sb, sr);
  if (strip && (s_strip[3] - s_strip[1]) > (s_strip[2] - s_strip[0])) {
    HDIB turned = MakeRotatedDib(strip.get(), 1);
    if (turned) strip = std::move(turned);
  }
  if (!strip) {
    mh_send_msg(KS_ALERT_INFO, "Cannot create calibration image.\nAutocalibration failed.");
  } else {
    write_debug("cal_strip.bmp", strip.get());
    acq_dibs().cal_strip = std::move(strip);
    DibBlock* cs = acq_dibs().cal_strip.get();
    BITMAPINFOHEADER sbi;
    DibInfo(cs, &sbi);
    // The wedge image is written from a copy: writing inverts and turns the rows it is given.
    DibBlock copy = *cs;
    if (!tik_write_DIB_to_file(wedge_root.c_str(), &copy, 0, 1, 1, 0)) {
      mh_send_msg(KS_ALERT_INFO, "Cannot create calibration image.\nAutocalibration failed.");
    } else if (cal_auto_bounds(wedge_root.c_str(), sbi.biWidth, std::abs(sbi.biHeight),
                               sbi.biBitCount, dpi, table) != 0) {
      mh_send_msg(KS_ALERT_INFO, "Cannot find wedge boundaries.\nAutocalibration failed.");
    } else if (!cal_auto_calibrate(wedge_root.c_str(), trans, s_flat_fixup)) {
      mh_send_msg(KS_ALERT_INFO, "Cannot read calibration data.\nAutocalibration failed.");
    } else {
      cal_ok = 1;
      s_bAutoCalSuccessful = 1;
    }
    SLOG(fn, SLOG_VALUE4, "iCalOK %d", cal_ok);
  }
  // The image area; an area with nothing inside the frame keeps the whole frame.
  if (!clamp_rect(&it, &il, &ib, &ir, rows, cols)) {
    SLOG(fn, SLOG_ERROR, "image area outside the scan: the whole frame is kept");
    return;
  }
  HDIB clipped = ClipDib(dib.get(), "clipped image", top_down, it, il, ib, ir);
  if (!clipped) return;
  write_debug("clipped.bmp", clipped.get());
  acq_dibs().disp.reset();
  dib = std::move(clipped);
  if (cal_ok && s_strip_in_image) {
    BITMAPINFOHEADER cbi, sbi;
    DibInfo(dib.get(), &cbi);
    DibInfo(acq_dibs().cal_strip.get(), &sbi);
    cal_auto_setBoxDisplay(degrees, std::abs(sbi.biHeight), std::abs(cbi.biHeight), cbi.biWidth);
  }
}

long SCAN_PBut3Nfy(TK_OBJ button, int event) {
  static const char* fn = "SCAN_PBut3Nfy";
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  SLOG(fn, SLOG_VALUE4, "s_bLock %d, s_bActualScan %d", s_bLock, s_bActualScan);
  if (s_bLock || s_model == nullptr) return 0;
  s_bLock = 1;
  s_bAutoCalSuccessful = 0;
  void* native = WIN_GetNativeHandle(s_win);
  const std::string wedge_root = TwainMakeFileName(s_model->source_name, "~autocalwedge", nullptr);
  const bool actual = s_bActualScan != 0;
  SLOG(fn, SLOG_VALUE4, "Data Source <%s>", s_model->source_name);

  const int trans = static_cast<int>(WGT_GetValue(RES_GetSub(s_win, SP_TRANS)));
  IMG_INT_INFO* table = ks_new_rec<IMG_INT_INFO>();
  if (!trans) SetAutoCalibrate(FALSE);
  if (trans && GetAutoCalibrate() && !GetCalScanODSet(1, table)) {
    mh_send_msg(KS_ALERT_INFO, "Cannot load Transmissive O.D. calibration set for %s scanner.",
                short_name());
    lookup_free(table);
    s_bLock = 0;
    return 0;
  }
  acq_install_source_hooks();
  if (actual) {
    TWAIN_SetHideUI(1);
    const BOOL open = TWAIN_OpenSource(s_model->source_name);
    SLOG(fn, SLOG_VALUE4, "_OpenSource %d", open);
    if (!open) {
      TWAIN_SetHideUI(0);
      lookup_free(table);
      s_bLock = 0;
      return 0;
    }
  }
  int ok = 1;
  const int color = static_cast<int>(WGT_GetChoice(RES_GetSub(s_win, SP_COLOR)));
  s_iColor = color < 0 ? 0 : color;
  if (actual) {
    if (!TWAIN_SetLightPath(trans))
      SLOG(fn, SLOG_VALUE4, "SetLightPath %d refused: the device scans reflective", trans);
    SLOG(fn, SLOG_VALUE4, "light source %g, brightness %g", TWAIN_GetCapValue(0x110E, 1.0),
         TWAIN_GetCapValue(TWCAP_BRIGHTNESS, 0.0));
    if (s_iColor == 0) {
      TWAIN_SetPixelType(TWPT_GRAY);
      if (TWAIN_GetPixelType() != TWPT_GRAY) ok = 0;
    } else {
      TWAIN_SetPixelType(TWPT_RGB);
      if (TWAIN_GetPixelType() != TWPT_RGB) ok = 0;
      TWAIN_SetPlanarChunky(0);
      if (TWAIN_GetPlanarChunky() != 0) ok = 0;
    }
    const int want = scan_twain_bit_depth(s_model->bit_depth);
    TWAIN_SetBitDepth(want);
    const int got = TWAIN_GetBitDepth() / (s_iColor == 0 ? 1 : 3);
    SLOG(fn, SLOG_VALUE4, "BitDepth %d (%d)", got, want);
    if (got != want) ok = 0;
    if (!TWAIN_SetPixelFlavor(0)) {
      SLOG(fn, SLOG_ERROR, "SetPixelFlavor Failed");
      ok = 0;
    }
    if (!TWAIN_SetCurrentUnits(0)) {
      SLOG(fn, SLOG_ERROR, "SetCurrentUnits Failed");
      ok = 0;
    }
    const double w = TWAIN_GetCapValue(TWCAP_PHYSICALWIDTH,
                                       trans ? s_model->trans_wid_in : s_model->refl_wid_in);
    const double l = TWAIN_GetCapValue(TWCAP_PHYSICALHEIGHT,
                                       trans ? s_model->trans_len_in : s_model->refl_len_in);
    double a = 0, b = 0, c = 0, d = 0;
    TWAIN_GetImageLayout(&a, &b, &c, &d);
    SLOG(fn, SLOG_VALUE4, "layout %g %g %g %g", a, b, c, d);
    if (TWAIN_SetImageLayout(0, 0, w, l)) {
      TWAIN_GetImageLayout(&a, &b, &c, &d);
      SLOG(fn, SLOG_VALUE4, "layout now %g %g %g %g", a, b, c, d);
    }
  }
  const int bright = std::clamp(WGT_GetInt(RES_GetSub(s_win, SP_BRIGHT)), s_model->bright_min,
                                s_model->bright_max);
  const int dpi_index = WGT_GetChoice(RES_GetSub(s_win, SP_DPI));
  const int dpi = iDPI_from_Radio(dpi_index);
  if (actual) {
    TWAIN_SetBrightness(bright);
    SLOG(fn, SLOG_VALUE4, "brightness now %g", TWAIN_GetCapValue(TWCAP_BRIGHTNESS, 0.0));
    TWAIN_SetCurrentResolution(dpi);
  }
  const int degrees = WGT_GetValue(RES_GetSub(s_win, SP_ROTATE))
                          ? scan_rotate_degrees(WGT_GetChoice(RES_GetSub(s_win, SP_ROTATION)) + 1)
                          : 0;
  HDIB raw;
  if (!actual) {
    char path[256] = "";
    p11DevInfoGetAutoCalTestImage(FALSE, path);
    if (OpenDIBFile(path, &raw) < 0) ok = 0;
  } else if (s_model->native_transfer) {
    TWAIN_SetXferMech(TWSX_NATIVE);
    raw = tik_take_dib(TWAIN_AcquireNative(native, 0));
    SLOG(fn, SLOG_VALUE4, "bOK %d, Native hDib %d", ok, raw ? 1 : 0);
  } else {
    TWAIN_SetXferMech(TWSX_MEMORY);
    raw = tik_take_dib(TWAIN_AcquireMemory(native));
    SLOG(fn, SLOG_VALUE4, "bOK %d, Memory hDib %d", ok, raw ? 1 : 0);
  }
  if (!ok || !raw) {
    // A bitmap taken with settings the device refused is dropped here.
    raw.reset();
    mh_send_msg(KS_ALERT_INFO, "Cannot properly set %s scanner.", short_name());
  } else {
    write_debug("acquire.bmp", raw.get());
    ReleaseDibAndDispDib(0);
    acq_dibs().dib = std::move(raw);
    BITMAPINFOHEADER bi;
    DibInfo(acq_dibs().dib.get(), &bi);
    if (s_iColor >= 1 && s_iColor <= 3 && tik_is_color_depth(bi.biBitCount)) {
      HDIB grey = MakeGrayScaleDibFromColor("regular gray scale", acq_dibs().dib.get(),
                                            scan_gray_channel(s_iColor));
      if (grey) {
        write_debug("grayscale.bmp", grey.get());
        ReleaseDibAndDispDib(1);
        acq_dibs().dib = std::move(grey);
      }
    }
    if (GetAutoCalibrate()) calibrate_and_clip(dpi, trans, degrees, table, wedge_root);
    HDIB disp = MakeDisplayDib("scanner display image", acq_dibs().dib.get());
    if (disp) write_debug("display.bmp", disp.get());
    acq_dibs().disp = std::move(disp);
    WGT_Redraw(RES_GetSub(s_win, SP_PREVIEW));
  }
  if (actual) {
    TWAIN_CloseSource();
    TWAIN_SetHideUI(0);
  }
  lookup_free(table);
  s_bLock = 0;
  update_accept();
  return 0;
}

// The bitmap's checks and the image and info file at `root`. False after the message.
bool write_accepted(const char* root, int interp_type) {
  DibBlock* dib = acq_dibs().dib.get();
  BITMAPINFOHEADER bi;
  if (!DibInfo(dib, &bi) || !tik_dib_consistent(dib)) {
    mh_send_msg(KS_ALERT_INFO, "Inconsistent results returned by the %s Scanner.\n", short_name());
    return false;
  }
  if (bi.biBitCount != 8 && bi.biBitCount != 16) {
    mh_send_msg(KS_ALERT_INFO, "Invalid pixel depth (%d), %s acquisition failed.", bi.biBitCount,
                short_name());
    return false;
  }
  const int dpi = iDPI_from_Radio(s_iDPI);
  const int32_t ppm = static_cast<int32_t>(dpi / 25.4 * 1000 + 0.5);
  std::memcpy(dib->bytes.data() + 24, &ppm, 4);
  std::memcpy(dib->bytes.data() + 28, &ppm, 4);
  tik_set_kei_device_attrib(kDeviceScanner);
  tik_set_kei_color_attrib(s_iColor);
  tik_set_kei_scanner_attribs(std::atoi(s_bright_text), !s_bTrans, s_bRotate, s_iColor, s_iRotate,
                              s_iDPI);
  // The wedge's lookup goes into the info file only when this scan's wedge was measured: a
  // failed calibration must not pass an earlier scan's values (or none) off as this one's.
  const int use_calibration = GetAutoCalibrate() && s_bAutoCalSuccessful ? 1 : 0;
  if (!tik_write_DIB_to_file(root, dib, interp_type, 1, 1, use_calibration)) {
    mh_send_msg(KS_ALERT_INFO, "Unable to create image file.");
    return false;
  }
  return true;
}

}  // namespace

int& scan_color_choice() { return s_iColor; }
BOOL scan_is_running() { return s_bLock ? TRUE : FALSE; }

std::string acq_trim(const char* text) {
  std::string s = text ? text : "";
  const auto b = s.find_first_not_of(" \t\r\n\f\v");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r\n\f\v");
  return s.substr(b, e - b + 1);
}

BOOL acq_name_ok(const char* name) {
  return name != nullptr && std::strpbrk(name, ".,\\/~@#?:") == nullptr ? TRUE : FALSE;
}

int scan_cm_to_pixels(double cm, int dpi, double shift) {
  return static_cast<int>((cm + shift) / 2.54 * dpi + 0.5);
}

namespace {
// A configured rectangle x0, y0, x1, y1 (cm) in pixels; rows take the shift.
void rect_to_pixels(const int cm[4], int dpi, double shift, int* top, int* left, int* bottom,
                    int* right) {
  *top = scan_cm_to_pixels(cm[1], dpi, shift);
  *left = scan_cm_to_pixels(cm[0], dpi, 0);
  *bottom = scan_cm_to_pixels(cm[3], dpi, shift);
  *right = scan_cm_to_pixels(cm[2], dpi, 0);
}
}  // namespace

void ODStripCoords(int dpi, double shift, int* top, int* left, int* bottom, int* right) {
  rect_to_pixels(s_strip, dpi, shift, top, left, bottom, right);
}

void ImageAreaCoords(int dpi, double shift, int* top, int* left, int* bottom, int* right) {
  rect_to_pixels(s_area, dpi, shift, top, left, bottom, right);
}

void scan_reset_for_tests() {
  s_once = 0;
  s_first_activation = 1;
  s_bLock = 0;
  s_model = nullptr;
  std::snprintf(s_bright_text, sizeof s_bright_text, "0");
  std::snprintf(s_width_text, sizeof s_width_text, "10");
  std::snprintf(s_length_text, sizeof s_length_text, "10");
  ReleaseDibAndDispDib(1);
}

bool kr_scanner_activate(const char* root, int interp_type, ScanSettings* st, std::string* name) {
  static const char* fn = "kr_scanner_activate";
  if (name) name->clear();
  TK_OBJ win = WIN_Load("acquire0905", "scanner_win");
  if (win == nullptr || s_model == nullptr) return false;
  s_win = win;
  // Nothing an earlier acquisition left at the root may pass for this one's image.
  tik_remove_pair(root);
  ReleaseDibAndDispDib(1);
  RES_SetNfy(win, S_scanner_winNfy);
  RES_SetNfy(RES_GetSub(win, SP_PREVIEW), SCAN_DrawNfy);
  RES_SetNfy(RES_GetSub(win, SP_NAME), SCAN_NameNfy);
  RES_SetNfy(RES_GetSub(win, SP_DPI), SCAN_ChoiceNfy);
  RES_SetNfy(RES_GetSub(win, SP_BRIGHT), SCAN_BrightNfy);
  RES_SetNfy(RES_GetSub(win, SP_TRANS), SCAN_TransNfy);
  RES_SetNfy(RES_GetSub(win, SP_ACCEPT), SCAN_PBut1Nfy);
  RES_SetNfy(RES_GetSub(win, SP_CANCEL), ACQ_CancelNfy);
  RES_SetNfy(RES_GetSub(win, SP_SCAN), SCAN_PBut3Nfy);
  RES_SetNfy(RES_GetSub(win, SP_ROTATE), SCAN_RotateNfy);
  RES_SetNfy(RES_GetSub(win, SP_ROTATION), SCAN_ChoiceNfy);
  RES_SetNfy(RES_GetSub(win, SP_WIDTH), SCAN_WidthNfy);
  RES_SetNfy(RES_GetSub(win, SP_LENGTH), SCAN_LengthNfy);
  RES_SetNfy(RES_GetSub(win, SP_COLOR), SCAN_ChoiceNfy);
  WIN_SetOwner(win, nullptr);
  WIN_Init(win);
  for (int p : {1, 2, 13}) WGT_Show(RES_GetSub(win, p), 0);
  // Parts 2 and 4 receive a toolkit call with 0 whose effect is unknown; it is left out.

  // Light path: without a fixed transparency adapter, ask the device whether it has one.
  s_adapter = 1;
  if (!s_model->adapter_fixed && s_bActualScan) {
    TWAIN_SetHideUI(1);
    if (TWAIN_OpenSource(s_model->source_name)) {
      SLOG(fn, SLOG_VALUE4, "light path query %d", TWAIN_QueryLightPath());
      if (!TWAIN_SetLightPath(1)) {
        mh_send_msg(KS_ALERT_ERROR,
                    "The '%s' Transparency Adapter is not attached.\nOnly Reflective scans are "
                    "possible.",
                    short_name());
        s_adapter = 0;
      }
      TWAIN_CloseSource();
    }
    TWAIN_SetHideUI(0);
  }
  WIN_SetTitle(win, acq_window_title(short_name(), "Scanner").c_str());
  WGT_Enable(RES_GetSub(win, SP_ACCEPT), 0);
  TK_OBJ cal = RES_GetSub(win, SP_CALIBRATE);
  WGT_Show(cal, s_model->auto_calibrate ? 0 : 1);
  WGT_Enable(cal, 1);
  if (s_first_activation) {
    st->transmissive = 1;
    s_first_activation = 0;
  }
  s_bTrans = s_adapter ? st->transmissive : 0;
  TK_OBJ tr = RES_GetSub(win, SP_TRANS);
  WGT_SetValue(tr, s_bTrans);
  WGT_Show(tr, 1);
  WGT_Enable(tr, s_adapter);

  std::snprintf(s_bright_text, sizeof s_bright_text, "%d", st->brightness);
  WGT_SetText(RES_GetSub(win, SP_BRIGHT), s_bright_text);
  st->width = std::clamp(st->width, 1, max_width_cm(s_bTrans));
  std::snprintf(s_width_text, sizeof s_width_text, "%d", st->width);
  WGT_SetText(RES_GetSub(win, SP_WIDTH), s_width_text);
  st->length = std::clamp(st->length, 1, max_length_cm(s_bTrans));
  std::snprintf(s_length_text, sizeof s_length_text, "%d", st->length);
  WGT_SetText(RES_GetSub(win, SP_LENGTH), s_length_text);

  s_iDPI = std::clamp(st->dpi_index, 0, 3);
  char labels[4][8];
  const char* items[4];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(labels[i], sizeof labels[i], "%3d", s_dpi_list[i]);
    items[i] = labels[i];
  }
  TK_OBJ dpi = RES_GetSub(win, SP_DPI);
  WGT_SetItems(dpi, items, 4);
  WGT_SetChoice(dpi, s_iDPI);
  s_bRotate = st->rotate;
  s_iRotate = st->rotate_code == 0 ? 1 : std::clamp(st->rotate_code, 1, 3);
  WGT_SetValue(RES_GetSub(win, SP_ROTATE), s_bRotate);
  WGT_SetChoice(RES_GetSub(win, SP_ROTATION), s_iRotate - 1);
  WGT_Enable(RES_GetSub(win, SP_ROTATION), s_bRotate);
  s_iColor = std::clamp(st->color, 0, 3);
  WGT_SetChoice(RES_GetSub(win, SP_COLOR), s_iColor);

  WIN_Show(win);
  ui_wpos_place(win, 50, 50, FALSE);
  const long result = WIN_DoModal(win);
  bool accepted = false;
  if (result != 1) {
    ReleaseDibAndDispDib(1);
  } else {
    const std::string typed = acq_trim(WGT_GetText(RES_GetSub(win, SP_NAME)));
    s_bRotate = static_cast<int>(WGT_GetValue(RES_GetSub(win, SP_ROTATE)));
    const int rc = WGT_GetChoice(RES_GetSub(win, SP_ROTATION));
    if (rc >= 0 && rc <= 2) s_iRotate = rc + 1;
    st->rotate = s_bRotate;
    st->rotate_code = s_iRotate;
    st->calibrate = static_cast<int>(WGT_GetValue(cal));
    st->auto_cal_ok = s_bAutoCalSuccessful;
    s_bTrans = static_cast<int>(WGT_GetValue(tr));
    st->transmissive = s_bTrans;
    st->brightness = std::atoi(s_bright_text);
    st->width = std::atoi(s_width_text);
    st->length = std::atoi(s_length_text);
    s_iDPI = std::max(0, WGT_GetChoice(dpi));
    s_iColor = std::max(0, WGT_GetChoice(RES_GetSub(win, SP_COLOR)));
    st->dpi_index = s_iDPI;
    st->color = s_iColor;
    // Accept is enabled only with a bitmap; the name goes back only with the image written.
    accepted = acq_dibs().dib && write_accepted(root, interp_type);
    if (accepted && name) *name = typed;
    ReleaseDibAndDispDib(1);
  }
  WIN_Terminate(win);
  s_win = nullptr;
  SLOG(fn, SLOG_EXIT, "%s", accepted ? "accepted" : "no image");
  return accepted;
}

BOOL ChooseNewScannerERecord(int strip_in_image, const char* root, char* name_out, int flat_fixup,
                             ScanSettings* st, char* source_out) {
  s_strip_in_image = strip_in_image;
  s_flat_fixup = flat_fixup;
  if (name_out) name_out[0] = '\0';
  char access[32] = "";
  p11DevInfoGetAccessName(FALSE, access);
  s_model = scan_find_model(access);
  if (s_model == nullptr) {
    mh_send_msg(KS_ALERT_ERROR, "Unknown scanner '%s': fix 'devices.ini' and re-start program",
                access);
    return FALSE;
  }
  if (!s_once) {
    s_once = 1;
    s_bActualScan = KR11TestScanner() ? 0 : 1;
    s_model->auto_calibrate = GetAutoCalibrate();
    std::memcpy(s_dpi_list, s_model->dpi, sizeof s_dpi_list);
  }
  for (int k = 0; k < 4; ++k) s_strip[k] = s_area[k] = 0;
  if (GetAutoCalibrate()) {
    p11DevInfoGetDims(FALSE, 0, s_strip);
    p11DevInfoGetDims(FALSE, 1, s_area);
  }
  if (!acq_configured_source(FALSE, s_model->short_name, sizeof s_model->short_name,
                             s_model->source_name, sizeof s_model->source_name,
                             "TWAIN must be enabled in order to use %s"))
    return FALSE;
  std::string name;
  if (!kr_scanner_activate(root, gt_get_control()->im_calib_interp, st, &name)) return FALSE;
  if (name_out) std::snprintf(name_out, 256, "%s", name.c_str());
  if (source_out) std::snprintf(source_out, 260, "%s", s_model->source_name);
  return TRUE;
}
