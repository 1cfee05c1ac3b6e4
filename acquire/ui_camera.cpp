// The camera window, its controls and the live view on the program's worker thread.
//
// Threads: the live view's worker only grabs. It reads the exposure from an atomic that the
// user-interface thread keeps up to date, acquires into a bitmap of its own and hands each frame
// to the user-interface thread by a queued call, with at most one frame in flight. Only the
// user-interface thread touches the shared bitmaps, the debug bitmaps and the window.
#include "acquire/ui_camera.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "acquire/acq_bitmaps.h"
#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/tik.h"
#include "acquire/ui_acquire.h"
#include "acquire/ui_scanner.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "twain/tik_app.h"
#include "twain/twain_ops.h"

namespace {

enum : int {
  CP_PREVIEW = 0,
  CP_NAME = 1,
  CP_EQUALIZE = 2,
  CP_CALIBRATE = 3,
  CP_HIDDEN = 4,
  CP_RESOLUTION = 5,
  CP_ACCEPT = 6,
  CP_CANCEL = 7,
  CP_ACQUIRE = 8,
  CP_LIVE = 9,
  CP_NAME_ERROR = 10,
  CP_FOLDER = 11,
  CP_BROWSE = 12,
  CP_GROUP = 13,
  CP_EXISTS = 14,
};
// Parts of the group.
enum : int { CG_EXPOSURE = 0, CG_SLIDER = 1, CG_INVERT = 2, CG_COLOR = 3 };

constexpr const char* kDefaultExposure = "0.100";

TK_OBJ s_win = nullptr;
CAM_WIN_MODEL* s_row = nullptr;
std::string s_folder;
std::string s_exposure_text = kDefaultExposure;
double s_exposure = 0.1;
int s_invert = -1;  // -1: not yet taken from the model row
int s_settings_changed = 0;
int s_ready = 0;           // a frame is ready for saving
int s_actual_camera = -1;  // -1: not decided yet
int s_lock = 0;            // a grab of the user-interface thread runs
int s_generation = 0;      // counts openings: frames of an earlier window are dropped
int s_stopping = 0;
int s_live_frames = 0;     // live frames shown since the window opened

// Shared with the worker.
std::atomic<bool> s_bCAMLive{false};
std::atomic<bool> s_done{true};
std::atomic<double> s_live_exposure{0.1};
std::mutex s_frame_mutex;
std::condition_variable s_frame_cv;
bool s_frame_pending = false;
std::thread s_worker;
// What the worker needs of the camera, copied before it starts.
std::string s_live_source;
int s_live_bits = 8;

TK_OBJ part(int i) { return s_win ? RES_GetSub(s_win, i) : nullptr; }
TK_OBJ group_part(int i) { return RES_GetSub(part(CP_GROUP), i); }
const char* short_name() { return s_row ? s_row->short_name : ""; }

// Seconds written and read in the C number format whatever the user's locale.
bool parse_seconds(const char* text, double* out) {
  if (text == nullptr) return false;
  const char* end = text + std::strlen(text);
  while (text < end && *text == ' ') ++text;
  return std::from_chars(text, end, *out).ec == std::errc();
}

void update_accept() {
  if (s_win == nullptr) return;
  acquire_cam_checkname(WGT_GetText(part(CP_NAME)));
}

// One frame from the camera: the source opened without its dialog, set, acquired and closed; a
// test device reads its test image. Runs on either thread; touches only the source.
HDIB grab_frame(bool actual, const std::string& source, int bits, double exposure) {
  if (!actual) {
    char path[256] = "";
    p11DevInfoGetAutoCalTestImage(TRUE, path);
    HDIB dib;
    return OpenDIBFile(path, &dib) == 0 ? std::move(dib) : nullptr;
  }
  TWAIN_SetHideUI(1);
  if (!TWAIN_OpenSource(source.c_str())) {
    TWAIN_SetHideUI(0);
    return nullptr;
  }
  TWAIN_ResetImageLayout();
  TWAIN_SetPixelType(TWPT_GRAY);
  TWAIN_SetBitDepth(bits >= 9 ? 16 : 8);
  TWAIN_SetCapOneValue(TWCAP_LAMPSTATE, TWTY_BOOL, 1);
  TWAIN_SetCapFix32(TWCAP_EXPOSURETIME, exposure);
  HDIB dib = tik_take_dib(TWAIN_AcquireNative(scan_get_main_window(), 0));
  TWAIN_CloseSource();
  TWAIN_SetHideUI(0);
  return dib;
}

// A new frame becomes the window's bitmap (user-interface thread only).
void take_frame(HDIB raw, bool live) {
  const std::string dir = ks_get_writeable_path();
  WriteDIBFile((dir + "cam_acquire.bmp").c_str(), raw.get());
  s_settings_changed = 0;
  ReleaseDibAndDispDib(1);
  s_ready = live ? 0 : 1;
  if (live) ++s_live_frames;
  acq_dibs().dib = std::move(raw);
  BITMAPINFOHEADER bi;
  if (DibInfo(acq_dibs().dib.get(), &bi) && tik_is_color_depth(bi.biBitCount)) {
    const int c = scan_color_choice();
    HDIB grey = MakeGrayScaleDibFromColor("regular gray scale", acq_dibs().dib.get(),
                                          c >= 1 && c <= 3 ? scan_gray_channel(c) : 4);
    if (grey) {
      WriteDIBFile((dir + "grayscale.bmp").c_str(), grey.get());
      acq_dibs().dib = std::move(grey);
    }
  }
  acq_dibs().disp = MakeDisplayDib("camera display image", acq_dibs().dib.get());
  WGT_Redraw(part(CP_PREVIEW));
  update_accept();
}

void stop_live();

// The worker: grabs while the live flag is set, one frame in flight at a time.
void CameraLiveMode(int generation) {
  while (s_bCAMLive.load()) {
    {
      std::unique_lock<std::mutex> lk(s_frame_mutex);
      s_frame_cv.wait(lk, [] { return !s_frame_pending || !s_bCAMLive.load(); });
    }
    if (!s_bCAMLive.load()) break;
    HDIB raw = grab_frame(true, s_live_source, s_live_bits, s_live_exposure.load());
    if (!raw) {
      TK_PostToMain([generation] {
        if (generation != s_generation || s_win == nullptr) return;
        mh_send_msg(KS_ALERT_INFO, "Cannot properly set %s camera.", short_name());
        if (!s_stopping) stop_live();
      });
      break;
    }
    {
      std::lock_guard<std::mutex> lk(s_frame_mutex);
      s_frame_pending = true;
    }
    std::shared_ptr<DibBlock> frame(raw.release());
    TK_PostToMain([generation, frame] {
      if (generation == s_generation && s_win != nullptr)
        take_frame(std::make_unique<DibBlock>(std::move(*frame)), true);
      {
        std::lock_guard<std::mutex> lk(s_frame_mutex);
        s_frame_pending = false;
      }
      s_frame_cv.notify_all();
    });
  }
  s_done.store(true);
}

// Ends the live view: clears the live flag, waits with events running until the worker has
// finished its grab and ended, and joins it.
void stop_live() {
  s_stopping = 1;
  s_bCAMLive.store(false);
  s_frame_cv.notify_all();
  if (s_worker.joinable()) {
    bool pumping = true;
    while (!s_done.load()) {
      if (pumping)
        pumping = acq_wait_pumping(100) != 0;
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    s_worker.join();
    if (pumping) EVENT_Flush();  // the last frame handed over lands in this window
  }
  s_stopping = 0;
  if (s_win != nullptr) {
    WGT_SetTooltip(part(CP_LIVE), "Live");
    WGT_SetLabel(part(CP_LIVE), "Live");
    WGT_Enable(part(CP_CANCEL), 1);
    WGT_Enable(part(CP_ACQUIRE), 1);
    update_accept();
  }
}

long cam_live_nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  if (!s_actual_camera) return 0;
  if (!s_bCAMLive.load()) {
    WGT_SetTooltip(button, "Stop");
    WGT_SetLabel(button, "Stop");
    WGT_Enable(part(CP_ACCEPT), 0);
    WGT_Enable(part(CP_CANCEL), 0);
    WGT_Enable(part(CP_ACQUIRE), 0);
    s_live_source = s_row->source_name;
    s_live_bits = s_row->bit_depth;
    s_live_exposure.store(s_exposure);
    s_done.store(false);
    s_bCAMLive.store(true);
    if (!s_worker.joinable()) s_worker = std::thread(CameraLiveMode, s_generation);
  } else {
    stop_live();
  }
  return 0;
}

long CAM_PBut3Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  if (s_lock || s_bCAMLive.load()) return 0;
  const char* text = WGT_GetText(group_part(CG_EXPOSURE));
  s_exposure_text = text ? text : "";
  double secs = 0;
  if (parse_seconds(s_exposure_text.c_str(), &secs)) s_exposure = secs;
  s_live_exposure.store(s_exposure);
  if (s_row->color) {
    const int c = WGT_GetChoice(group_part(CG_COLOR));
    scan_color_choice() = c >= 1 && c <= 3 ? c : 4;
  }
  s_lock = 1;
  HDIB raw = grab_frame(s_actual_camera != 0, s_row->source_name, s_row->bit_depth, s_exposure);
  if (!raw)
    mh_send_msg(KS_ALERT_INFO, "Cannot properly set %s camera.", short_name());
  else
    take_frame(std::move(raw), false);
  s_lock = 0;
  WGT_Enable(part(CP_LIVE), 1);
  return 0;
}

long CAM_ExposureNfy(TK_OBJ field, int event) {
  if (event == TK_EV_TEXT) return 1;
  if (event == TK_EV_TEXT_CHANGED) {
    s_settings_changed = 1;
    const long r = WGT_DefaultNfy6(field, event);
    std::string t = WGT_GetText(field) ? WGT_GetText(field) : "";
    if (t.size() > 20) t.resize(20);
    const std::string old = t;
    if (t.size() == 1) {
      if (!std::isdigit(static_cast<unsigned char>(t[0])) && t[0] != '.') t.clear();
    } else {
      t.erase(std::remove_if(t.begin(), t.end(),
                             [](char c) { return !std::isdigit(static_cast<unsigned char>(c)) && c != '.'; }),
              t.end());
    }
    if (t != old) {
      WGT_SetText(field, t.c_str());
      TEXT_SetInsertPos(field, std::max<long>(0, std::min<long>(t.size(), static_cast<long>(old.size()) - 1)));
    }
    double secs = 0;
    if (parse_seconds(t.c_str(), &secs)) s_live_exposure.store(secs);
    return r;
  }
  if (event == TK_EV_FOCUS_OUT) {
    const long r = WGT_DefaultNfy6(field, event);
    const char* t = WGT_GetText(field);
    if (t == nullptr || t[0] == '\0' || std::strcmp(t, ".") == 0) WGT_SetText(field, kDefaultExposure);
    return r;
  }
  return WGT_DefaultNfy6(field, event);
}

long CAM_SliderNfy(TK_OBJ slider, int event) {
  const long r = WGT_DefaultNfy2(slider, event);
  if (event == TK_EV_ACTIVATE) {
    const unsigned ms = static_cast<unsigned>(WGT_GetInt(slider));
    char text[32];
    std::snprintf(text, sizeof text, "%5.3f", ms / 1000.0);
    WGT_SetText(group_part(CG_EXPOSURE), text);
  }
  return r;
}

long CAM_DrawNfy(TK_OBJ area, int event) {
  const long r = WGT_DefaultNfy5(area, event);
  if (event == TK_EV_EXPOSE && s_win != nullptr && WIN_IsShown(s_win))
    cam_dib_display(area, acq_dibs().disp.get());
  return r;
}

long CAM_AcceptNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  // Nothing while a grab or the live view runs, or without a frame to save.
  if (s_lock || s_bCAMLive.load() || !s_ready || !acq_dibs().dib) return 0;
  if (s_settings_changed &&
      mh_send_msg(KS_ALERT_YESNO,
                  "Camera settings have changed since the last scan.\nDo you wish to accept data "
                  "without re-scanning?") == 1)
    return 0;
  WIN_EndModal(RES_GetOwnerWindow(button), 1);
  acq_dibs().disp.reset();
  return 0;
}

long CAM_WinNfy(TK_OBJ win, int event) {
  const long r = WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    if (s_bCAMLive.load() || s_worker.joinable()) stop_live();
    acq_dibs().disp.reset();
    WIN_EndModal(win, 0);
  }
  return r;
}

long cam_name_nfy(TK_OBJ field, int event) {
  if (event == TK_EV_TEXT) return 1;
  const long r = WGT_DefaultNfy6(field, event);
  if (event == TK_EV_TEXT_CHANGED) acquire_cam_checkname(WGT_GetText(field));
  return r;
}

void show_folder() {
  const std::string label = "Image Folder:    " + s_folder;
  WGT_SetLabel(part(CP_FOLDER), label.c_str());
}

long S_CAM_PBrowseNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  const long r = WGT_DefaultNfy(button, event);
  char path[1024] = "";
  char dir[1024];
  std::snprintf(dir, sizeof dir, "%s", s_folder.c_str());
  const std::string typed = acq_trim(WGT_GetText(part(CP_NAME)));
  if (io_win32_singlekes(path, sizeof path, "Destination image...", dir, sizeof dir,
                         typed.empty() ? nullptr : typed.c_str(), FALSE) == 1) {
    const std::filesystem::path p(path);
    s_folder = p.parent_path().string();
    show_folder();
    WGT_SetText(part(CP_NAME), p.stem().string().c_str());
    acquire_cam_checkname(p.stem().string().c_str());
  }
  return r;
}

// The checks of the accepted frame and its files at `root`. False after the message.
bool write_accepted(const char* root, int interp_type) {
  DibBlock* dib = acq_dibs().dib.get();
  BITMAPINFOHEADER bi;
  if (!DibInfo(dib, &bi) || !tik_dib_consistent(dib)) {
    mh_send_msg(KS_ALERT_INFO, "Inconsistent results returned by the %s Camera.\n[%d,%d,%d][%u]",
                short_name(), bi.biBitCount, bi.biWidth, bi.biHeight, bi.biSizeImage);
    return false;
  }
  if (bi.biBitCount != 8 && bi.biBitCount != 16) {
    mh_send_msg(KS_ALERT_INFO, "Invalid pixel depth (%d), %s acquisition failed.", bi.biBitCount,
                short_name());
    return false;
  }
  if (!tik_write_DIB_to_file(root, dib, interp_type, 1, 1, 0)) {
    mh_send_msg(KS_ALERT_INFO, "Unable to create image file.");
    return false;
  }
  return true;
}

}  // namespace

BOOL cam_is_live() { return s_bCAMLive.load() ? TRUE : FALSE; }
int cam_live_frames() { return s_live_frames; }

void cam_reset_for_tests() {
  s_invert = -1;
  s_actual_camera = -1;
}

int cam_exposure_ms(const char* seconds_text) {
  double secs = 0;
  if (!parse_seconds(seconds_text, &secs)) return 0;
  return static_cast<int>(secs * 1000 + 0.5);
}

std::string cam_exposure_text(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, ms < 1000 ? "%5.3f" : "%6.3f", ms / 1000.0);
  return text;
}

BOOL acquire_cam_checkname(const char* name) {
  if (s_win == nullptr) return FALSE;
  const std::string n = acq_trim(name);
  TK_OBJ err = part(CP_NAME_ERROR), exists = part(CP_EXISTS), accept = part(CP_ACCEPT);
  const bool can_accept = !s_bCAMLive.load() && s_ready && acq_dibs().dib;
  if (n.empty()) {
    WGT_Show(err, 0);
    WGT_Show(exists, 0);
    WGT_Enable(accept, 0);
    return FALSE;
  }
  if (!acq_name_ok(n.c_str())) {
    WGT_SetLabel(err, "INVALID CHARACTER IN NAME !!");
    WGT_Show(err, 1);
    WGT_Show(exists, 0);
    WGT_Enable(accept, 0);
    return FALSE;
  }
  WGT_Show(err, 0);
  const std::string full = s_folder + "/" + n + ".kes";
  WGT_Show(exists, std::filesystem::exists(full) ? 1 : 0);
  WGT_Enable(accept, can_accept ? 1 : 0);
  return TRUE;
}

bool kr_camera_activate(TkObject* owner, const char* root, int interp_type, CamSettings* st,
                        std::string* name) {
  static const char* fn = "kr_camera_activate";
  if (name) name->clear();
  TK_OBJ win = WIN_Load("acquire0905", "sensys_win");
  if (win == nullptr || s_row == nullptr) return false;
  s_win = win;
  ++s_generation;
  s_folder = st->folder;
  // Nothing an earlier acquisition left at the root may pass for this one's image.
  tik_remove_pair(root);
  ReleaseDibAndDispDib(1);
  RES_SetNfy(win, CAM_WinNfy);
  RES_SetNfy(part(CP_PREVIEW), CAM_DrawNfy);
  RES_SetNfy(part(CP_NAME), cam_name_nfy);
  RES_SetNfy(group_part(CG_EXPOSURE), CAM_ExposureNfy);
  RES_SetNfy(group_part(CG_SLIDER), CAM_SliderNfy);
  RES_SetNfy(part(CP_ACCEPT), CAM_AcceptNfy);
  RES_SetNfy(part(CP_CANCEL), ACQ_CancelNfy);
  RES_SetNfy(part(CP_ACQUIRE), CAM_PBut3Nfy);
  RES_SetNfy(part(CP_LIVE), cam_live_nfy);
  RES_SetNfy(part(CP_BROWSE), S_CAM_PBrowseNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);

  WGT_Enable(part(CP_LIVE), 0);
  WGT_SetTooltip(part(CP_LIVE), "Live");
  WGT_Enable(part(CP_ACCEPT), 0);
  WGT_Enable(part(CP_CANCEL), 1);
  WGT_Enable(part(CP_ACQUIRE), 1);
  s_bCAMLive.store(false);
  s_ready = 0;
  s_settings_changed = 0;
  s_lock = 0;
  s_live_frames = 0;
  WIN_SetTitle(win, acq_window_title(short_name(), "Camera").c_str());
  TK_OBJ colour = group_part(CG_COLOR);
  WGT_Show(colour, 1);
  if (s_row->color) {
    if (st->color >= 1 && st->color <= 3) {
      WGT_SetChoice(colour, st->color);
    } else {
      WGT_SetChoice(colour, 0);
      st->color = 4;
    }
  }
  if (s_invert < 0) s_invert = s_row->invert;
  WGT_SetValue(group_part(CG_INVERT), s_invert);
  WGT_Enable(part(CP_EQUALIZE), 1);
  WGT_Enable(part(CP_CALIBRATE), 1);
  WGT_Show(part(CP_NAME_ERROR), 0);
  WGT_Show(part(CP_EXISTS), 0);
  show_folder();
  WGT_Show(part(CP_HIDDEN), 0);
  char res[64];
  std::snprintf(res, sizeof res, "Image Resolution will be\n     %4d  dpi", st->default_dpi);
  WGT_SetLabel(part(CP_RESOLUTION), res);
  s_exposure_text = cam_exposure_text(st->exposure_ms);
  s_exposure = st->exposure_ms / 1000.0;
  WGT_SetValue(group_part(CG_SLIDER), st->exposure_ms);
  WGT_SetText(group_part(CG_EXPOSURE), s_exposure_text.c_str());
  s_settings_changed = 0;

  WIN_Show(win);
  ui_wpos_place(win, 50, 50, FALSE);
  WGT_SetText(part(CP_NAME), "");
  const long result = WIN_DoModal(win);
  if (s_bCAMLive.load() || s_worker.joinable()) stop_live();
  bool accepted = false;
  if (result != 1) {
    ReleaseDibAndDispDib(1);
  } else {
    const std::string typed = acq_trim(WGT_GetText(part(CP_NAME)));
    st->equalize = static_cast<int>(WGT_GetValue(part(CP_EQUALIZE)));
    st->calibrate = static_cast<int>(WGT_GetValue(part(CP_CALIBRATE)));
    st->folder = s_folder;
    st->confirmed = 1;
    s_invert = static_cast<int>(WGT_GetValue(group_part(CG_INVERT)));
    st->exposure_ms = cam_exposure_ms(WGT_GetText(group_part(CG_EXPOSURE)));
    if (s_row->color) {
      const int c = WGT_GetChoice(colour);
      st->color = c >= 1 && c <= 3 ? c : 4;
    }
    // The info file describes this camera and this frame, whatever acquisition ran before.
    if (cam_device_code() > 0) tik_set_kei_device_attrib(cam_device_code());
    tik_set_kei_camera_attribs(st->exposure_ms, 0, 0, st->color);
    accepted = acq_dibs().dib && write_accepted(root, interp_type);
    if (accepted && name) *name = typed;
    ReleaseDibAndDispDib(1);
  }
  WIN_Terminate(win);
  s_win = nullptr;
  SLOG(fn, SLOG_EXIT, "%s", accepted ? "accepted" : "no image");
  return accepted;
}

BOOL ChooseNewCameraERecord(TkObject* owner, const char* root, std::string* name, int interp_type,
                            CamSettings* st, std::string* source) {
  if (name) name->clear();
  char access[32] = "";
  p11DevInfoGetAccessName(TRUE, access);
  s_row = cam_find_model(access);
  if (s_row == nullptr) {
    mh_send_msg(KS_ALERT_ERROR, "Unknown camera '%s'. Fix 'devices.ini' and restart program.",
                access);
    return FALSE;
  }
  if (s_actual_camera < 0) s_actual_camera = KR11TestCamera() ? 0 : 1;
  if (!acq_configured_source(TRUE, s_row->short_name, sizeof s_row->short_name, s_row->source_name,
                             sizeof s_row->source_name, "TWAIN must be enabled to use %s camera"))
    return FALSE;
  std::string typed;
  if (!kr_camera_activate(owner, root, interp_type, st, &typed)) return FALSE;
  if (name) *name = typed;
  if (source) *source = s_row->source_name;
  return TRUE;
}
