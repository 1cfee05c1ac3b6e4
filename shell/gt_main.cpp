// Start-up and the main window.
#include "shell/gt_main.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquire/p11_devices.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_install.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/cal_auto.h"
#include "engine/lane_profile.h"
#include "io/analysis_io.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_menu.h"
#include "shell/gt_prefs.h"
#include "shell/gt_misc.h"
#include "shell/gt_toolbar.h"
#include "shell/ih_cmap.h"
#include "shell/ui_print.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "twain/tik_app.h"

namespace {

char s_WriteDir[KS_INI_VALUE_LEN] = "";
void* s_native_handle = nullptr;
int s_logo_wait_ms = 2000;

std::string ini_text(int code) {
  char text[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  if (ks_get_inientry(code, &is_int, &value, text) < 0) return "";
  return text;
}

// The control record selects the colour map through this when its defaults or saved
// preferences are applied; displayed images take their colour tables from the same map.
void apply_cmap(int code, int level, int width) { ih_set_cmap(nullptr, code, level, width); }

}  // namespace

void gt_press_saved_mode(TK_OBJ main_win) {
  const int mode = gt_get_control()->sel_mode;
  if (mode >= 0 && mode <= 3)
    gt_set_sel_mode(mode, RES_GetSub(RES_GetSub(main_win, GT_MAIN_MODE_BAR), mode));
}

const char* gt_main_write_dir() { return s_WriteDir; }
void gt_set_logo_wait(int ms) { s_logo_wait_ms = ms; }

TK_OBJ gt_main_activate() {
  SLOG("gt_main_activate", SLOG_ENTRY, "loading gt_main_win");
  TK_OBJ win = WIN_Load("gt_main", "gt_main_win");
  if (win == nullptr) {
    SLOG("gt_main_activate", SLOG_EXIT, "main window cannot be loaded");
    return nullptr;
  }
  RES_SetNfy(win, S_gt_main_winNfy);
  RES_SetNfy(RES_GetSub(win, GT_MAIN_MODE_LIST), gt_mode_listNfy);
  TK_OBJ modes = RES_GetSub(win, GT_MAIN_MODE_BAR);
  for (int k = 0; k < 4; ++k) RES_SetNfy(RES_GetSub(modes, k), gt_mode_buttonNfy);
  gt_toolbar_attach(RES_GetSub(win, GT_MAIN_TOOLBAR));
  WIN_Init(win);
  gt_set_main_win(win);
  s_native_handle = WIN_GetNativeHandle(win);
  scan_set_main_window(s_native_handle);

  // The control record starts afresh (a record left by an earlier main window gives back its
  // lane characteristic names first).
  CONTROL* ctl = gt_get_control();
  ks_free(ctl->lane_chars);
  std::memset(ctl, 0, sizeof *ctl);
  gt_control_init(ctl);
  const std::string prefs = gt_prefs_path(ini_text(KS_INI_WRITE_DIR).c_str());
  gt_startup_read_prefs(prefs.c_str(), ctl);
  prefs_init();
  ui_print_pagesetup(GetLocaleForPageSetup());
  WIN_SetTitle(win, ini_text(KS_INI_TITLE).c_str());
  gt_logo_show(s_logo_wait_ms);
  ui_wpos_place_size(win, 5, 5, FALSE, 70, 80);
  tik_set_app_window(s_native_handle, "Trelvik 4.3");
  WIN_Show(win);
  gt_menu_config(win);
  SLOG("gt_main_activate", SLOG_EXIT, "shown");
  return win;
}

int gt_main(int argc, char** argv) {
  TK_InstallBaseHooks();
  const std::string dat = ks_install_dir() + "gt.dat";
  const int res_ok = RES_OpenFile("gt", dat.c_str());
  slog_init(ks_install_dir().c_str());
  SLOG("gt_main", SLOG_ENTRY, "argc %d", argc);
  for (int i = 0; i < argc && argv != nullptr; ++i)
    SLOG("gt_main", SLOG_VALUE4, "argv[%d] <%s>", i, argv[i] ? argv[i] : "");
  if (!res_ok) {
    SLOG("gt_main", SLOG_EXIT, "cannot load resource file <%s>", dat.c_str());
    return 1;
  }
  if (!SetupIniFileName()) {
    SLOG("gt_main", SLOG_EXIT, "cannot read ini file");
    return 1;
  }
  std::snprintf(s_WriteDir, sizeof s_WriteDir, "%s", ini_text(KS_INI_WRITE_DIR).c_str());
  SLOG("gt_main", SLOG_VALUE4, "s_WriteDir <%s>", s_WriteDir);

  gt_control_set_cmap_proc(apply_cmap);
  io_set_cmap_loader(ih_load_cmap);
  // The file layer saves and reads analyses inside the busy state and makes the image current.
  GtAnalysisHooks hooks;
  hooks.busy_begin = gt_busy_begin;
  hooks.busy_end = gt_busy_end;
  hooks.make_current = gt_set_image_ptr;
  hooks.build_baseline = ln_calc_baseline;
  gt_analysis_set_hooks(hooks);
  int want_auto_calibrate = 0, camera_is_color = 0;
  const int devices_ret = p11ReadDevicesIni(&want_auto_calibrate, &camera_is_color);
  SLOG("gt_main", SLOG_VALUE4, "devices bIniFileRet %d, bWantAutoCalibrate %d, s_bCamIsColor %d",
       devices_ret, want_auto_calibrate, camera_is_color);
  TK_OBJ win = gt_main_activate();
  if (win == nullptr) {
    SLOG("gt_main", SLOG_EXIT, "no main window");
    return 1;
  }
  const BOOL auto_calibrate = want_auto_calibrate ? InitCalandEquData() : FALSE;
  SLOG("gt_main", SLOG_VALUE4, "bWantAutoCalibrate %d, s_bAutoCalibrate %d", want_auto_calibrate,
       auto_calibrate);
  SetAutoCalibrate(auto_calibrate);
  gt_press_saved_mode(win);
  gt_update_recent_files(nullptr);
  EVENT_MainLoop();
  TK_Terminate();
  SLOG("gt_main", SLOG_EXIT, "0");
  return 0;
}
