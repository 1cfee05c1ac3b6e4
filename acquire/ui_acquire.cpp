// The source chooser, the camera's source set-up and windowless grab, and the source settings
// dialog.
#include "acquire/ui_acquire.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire/tik.h"
#include "base/ks_choose.h"
#include "base/ks_alert.h"
#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "shell/dib.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "twain/twain_ops.h"

namespace {

// The chooser's selection: kept between uses.
std::string s_selected;
int s_selected_index = -1;
// Never set anywhere: the chooser's exclusion therefore leaves every source in.
const std::string s_calibration_scanner;

HDIB s_grab;  // the windowless grab's bitmap

long twainsel_listNfy(TK_OBJ list, int event) {
  const long r = WGT_DefaultNfy7(list, event);
  if (event == TK_EV_CHOICE || event == TK_EV_LIST_PICK) {
    const int i = WGT_GetChoice(list);
    if (i >= 0) {
      const char* t = LIST_Item(list, i);
      s_selected = t ? t : "";
      s_selected_index = i;
    }
  }
  return r;
}

long twainsel_buttonNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(button), RES_GetIndex(button) == 1);
  return WGT_DefaultNfy(button, event);
}

// The settings dialog's Scan (part 4) ends it with 1, Cancel with 0.
long settings_buttonNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(button), RES_GetIndex(button) == 4);
  return WGT_DefaultNfy(button, event);
}

// The settings dialog of a source whose own dialog is shown.
int settings_dialog(const char* source, TwainDialogSettings* s) {
  TK_OBJ win = WIN_Load("ui_acquire", "source_settings");
  if (win == nullptr) return 1;
  RES_SetNfy(RES_GetSub(win, 4), settings_buttonNfy);
  RES_SetNfy(RES_GetSub(win, 5), settings_buttonNfy);
  WIN_Init(win);
  char title[128];
  std::snprintf(title, sizeof title, "Settings of %s", source ? source : "");
  WIN_SetTitle(win, title);
  auto fill = [](TK_OBJ w, const std::vector<std::string>& items, const std::string& cur) {
    std::vector<const char*> p;
    int sel = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      p.push_back(items[i].c_str());
      if (items[i] == cur) sel = static_cast<int>(i);
    }
    WGT_SetItems(w, p.data(), static_cast<int>(p.size()));
    WGT_SetChoice(w, sel);
    WGT_Enable(w, items.empty() ? 0 : 1);
  };
  fill(RES_GetSub(win, 0), s->modes, s->mode);
  std::vector<std::string> depths;
  for (int d : s->depths) depths.push_back(std::to_string(d));
  fill(RES_GetSub(win, 1), depths, std::to_string(s->depth));
  TK_OBJ res = RES_GetSub(win, 2);
  if (s->resolution_max > s->resolution_min)
    WGT_SetRange(res, static_cast<long>(s->resolution_min), static_cast<long>(s->resolution_max));
  WGT_SetValue(res, static_cast<long>(s->resolution + 0.5));
  fill(RES_GetSub(win, 3), s->sources, s->source);
  WIN_Show(win);
  ui_wpos_place(win, 50, 50, FALSE);
  const long ok = WIN_DoModal(win);
  if (ok == 1) {
    auto pick = [](TK_OBJ w, const std::vector<std::string>& items, std::string* out) {
      const int i = WGT_GetChoice(w);
      if (i >= 0 && i < static_cast<int>(items.size())) *out = items[i];
    };
    pick(RES_GetSub(win, 0), s->modes, &s->mode);
    const int di = WGT_GetChoice(RES_GetSub(win, 1));
    if (di >= 0 && di < static_cast<int>(s->depths.size())) s->depth = s->depths[di];
    s->resolution = WGT_GetInt(res);
    pick(RES_GetSub(win, 3), s->sources, &s->source);
  }
  WIN_Terminate(win);
  return ok == 1 ? 1 : 0;
}

void pump() { EVENT_Flush(); }

}  // namespace

void acq_install_source_hooks() {
  TWAIN_SetSettingsDialog(settings_dialog);
  TWAIN_SetEventPump(pump);
}

BOOL acq_source_installed(const char* source, const char* short_name, const char* unavailable) {
  if (!TWAIN_IsAvailable() || source == nullptr || source[0] == '\0') {
    mh_send_msg(KS_ALERT_ERROR, unavailable, short_name);
    return FALSE;
  }
  if (!TWAIN_GetSourceList()) {
    mh_send_msg(KS_ALERT_ERROR, "Failed to get TWAIN DS list");
    return FALSE;
  }
  char name[TWAIN_NAME_BUF];
  while (TWAIN_GetNextSourceName(name))
    if (std::strcmp(name, source) == 0) return TRUE;
  mh_send_msg(KS_ALERT_ERROR, "%s is not installed", short_name);
  return FALSE;
}

BOOL acq_configured_source(BOOL is_camera, char* short_name, std::size_t short_cap, char* source,
                           std::size_t source_cap, const char* unavailable) {
  char text[256] = "";
  p11DevInfoGetShortName(is_camera, text);
  std::snprintf(short_name, short_cap, "%.*s", static_cast<int>(short_cap - 1), text);
  p11DevInfoGetTwainDS(is_camera, text);
  std::snprintf(source, source_cap, "%.*s", static_cast<int>(source_cap - 1), text);
  return acq_source_installed(source, short_name, unavailable);
}

std::vector<std::string> MakeTwainDevList() {
  std::vector<std::string> names;
  if (!TWAIN_IsAvailable()) {
    SLOG("MakeTwainDevList", SLOG_ERROR, "TWAIN not available!!");
    return names;
  }
  if (!TWAIN_GetSourceList()) return names;
  char name[TWAIN_NAME_BUF];
  while (TWAIN_GetNextSourceName(name)) names.emplace_back(name);
  if (names.empty()) SLOG("MakeTwainDevList", SLOG_ERROR, "no Twain devices found");
  return names;
}

const char* ui_SelectedTWAINSource() { return s_selected.c_str(); }

void ui_twainsel_reset() {
  s_selected.clear();
  s_selected_index = -1;
}

int ui_twainsel_activate(TkObject* owner, BOOL exclude_calibration_scanner, BOOL /*test_devices*/) {
  static const char* fn = "ui_twainsel_activate";
  TK_OBJ win = WIN_Load("ui_acquire", "twainsel_win");
  if (win == nullptr) return 0;
  TK_OBJ list = RES_GetSub(win, 0);
  RES_SetNfy(list, twainsel_listNfy);
  RES_SetNfy(RES_GetSub(win, 1), twainsel_buttonNfy);
  RES_SetNfy(RES_GetSub(win, 2), twainsel_buttonNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  TK_SuspendInput(1);
  const std::vector<std::string> all = MakeTwainDevList();
  TK_SuspendInput(0);
  std::vector<std::string> names;
  for (const auto& n : all)
    if (!exclude_calibration_scanner || strcasecmp(n.c_str(), s_calibration_scanner.c_str()) != 0)
      names.push_back(n);
  if (names.empty()) {
    SLOG(fn, SLOG_ERROR, all.empty() ? "no Twain devices found" : "no devices after exclusions");
    WIN_Terminate(win);
    return 0;
  }
  std::vector<const char*> items;
  int remembered = -1;
  for (std::size_t i = 0; i < names.size(); ++i) {
    items.push_back(names[i].c_str());
    if (!s_selected.empty() && names[i] == s_selected) remembered = static_cast<int>(i);
  }
  WGT_SetItems(list, items.data(), static_cast<int>(items.size()));
  const int pre = remembered >= 0 ? remembered
                  : s_selected_index >= 0 && s_selected_index < static_cast<int>(names.size())
                      ? s_selected_index
                      : -1;
  // Selecting delivers the list's event, which would take the entry as chosen: keep the
  // selection as it stands until the user acts.
  const std::string keep = s_selected;
  const int keep_index = s_selected_index;
  if (pre >= 0) WGT_SetChoice(list, pre);
  s_selected = keep;
  s_selected_index = keep_index;
  WIN_Show(win);
  ui_wpos_place(win, 75, 50, FALSE);
  const long ok = WIN_DoModal(win);
  if (ok == 1) {
    const int i = WGT_GetChoice(list);
    if (i >= 0 && i < static_cast<int>(names.size())) {
      s_selected = names[i];
      s_selected_index = i;
      tik_set_source(s_selected.c_str());
    }
  }
  WIN_Terminate(win);
  SLOG(fn, SLOG_EXIT, "%ld, source <%s>", ok, s_selected.c_str());
  return ok == 1 ? 1 : 0;
}

BOOL CAM_TwainIni(double exposure_seconds) {
  TWAIN_SetHideUI(1);
  if (!TWAIN_OpenSource(cam_data_source())) {
    SLOG("CAM_TwainIni", SLOG_ERROR, "could not open Twain datasource, FALSE");
    return FALSE;
  }
  TWAIN_ResetImageLayout();
  TWAIN_SetPixelType(TWPT_GRAY);
  TWAIN_SetBitDepth(24);
  TWAIN_SetCapOneValue(TWCAP_LAMPSTATE, TWTY_BOOL, 1);
  TWAIN_SetCapFix32(TWCAP_EXPOSURETIME, exposure_seconds);
  return TRUE;
}

void CAM_TwainFini() {
  TWAIN_CloseSource();
  TWAIN_SetHideUI(0);
}

void ReleaseDib(int /*flag*/) { s_grab.reset(); }

BOOL ui_acquire_cameraNG(IMG_INFO* info, IMG_INT_INFO* lookup, int exposure_ms,
                         const char* temp_path) {
  static const char* fn = "ui_acquire_cameraNG";
  SLOG(fn, SLOG_ENTRY, "exposure %d ms, temp <%s>", exposure_ms, temp_path ? temp_path : "");
  if (info == nullptr || lookup == nullptr) return FALSE;
  if (!CAM_TwainIni(exposure_ms / 1000.0)) {
    TWAIN_SetHideUI(0);
    return FALSE;
  }
  HDIB dib = tik_take_dib(TWAIN_AcquireNative(tik_app_window(), 0));
  CAM_TwainFini();
  if (!dib) {
    SLOG(fn, SLOG_ERROR, "cannot acquire image, FALSE");
    return FALSE;
  }
  const std::string dir = ks_get_writeable_path();
  WriteDIBFile((dir + "camera.bmp").c_str(), dib.get());
  ReleaseDib(0);
  HDIB grey = MakeGrayScaleDibFromColor("regular gray scale", dib.get(), 4);
  if (!grey) return FALSE;
  WriteDIBFile((dir + "grayscale.bmp").c_str(), grey.get());
  s_grab = std::move(grey);
  return tik_inmemory(info, lookup, s_grab.get(), 26);
}

std::string acq_window_title(const char* short_name, const char* kind) {
  std::string name = short_name ? short_name : "";
  const std::size_t k = std::strlen(kind);
  const bool named = name.size() >= k && strcasecmp(name.c_str() + name.size() - k, kind) == 0 &&
                     (name.size() == k || name[name.size() - k - 1] == ' ');
  return "Acquire Image from " + name + (named ? "" : std::string(name.empty() ? "" : " ") + kind);
}
