// Recent files, quick help, logo, About, command line, ini set-up, locale, preferences file.
#include "shell/gt_misc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "shell/gt_place.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

int gt_vrem_run = 0;

namespace {

char s_write_dir[KS_INI_VALUE_LEN] = "";
TK_OBJ s_qhelp = nullptr;
constexpr int kPages = 6;

// The file-name part of a path.
const char* file_part(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

TK_OBJ file_menu() {
  TK_OBJ bar = WIN_GetMenuBar(gt_get_main_win());
  return bar ? MENU_GetTop(bar, GT_MENU_FILE) : nullptr;
}

void copy_path(char* dst, const char* src) { std::snprintf(dst, CTL_PATH, "%s", src); }

// Text of an ini entry ("" when there is none).
std::string ini_text(int code) {
  char text[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  if (ks_get_inientry(code, &is_int, &value, text) < 0) return "";
  return text;
}

long qhelp_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_Terminate(win);
    return 0;
  }
  if (event == TK_EV_TERMINATE && win == s_qhelp) s_qhelp = nullptr;
  return WIN_DefaultNfy(win, event);
}

long info_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_EndModal(win, 0);
  return WIN_DefaultNfy(win, event);
}

}  // namespace

// Recent files ------------------------------------------------------------------------------

void gt_recent_add_item(const char* text, int id) {
  TK_OBJ menu = file_menu();
  if (menu == nullptr) return;
  MENU_InsertItem(menu, GT_CMD_QUIT, id, text);
  if (MENU_SelectItem(menu, id)) MENU_EnableItem(menu, 1);
}

void gt_recent_set_item(int id, const char* text) {
  TK_OBJ menu = file_menu();
  if (menu != nullptr && MENU_SelectItem(menu, id)) MENU_SetItemText(menu, text);
}

void gt_update_recent_files(const char* path) {
  SLOG("gt_update_recent_files", SLOG_ENTRY, "path <%s>", path ? path : "(null)");
  CONTROL* ctl = gt_get_control();
  char (*recent)[CTL_PATH] = ctl->recent;
  bool gains[CTL_NUM_RECENT] = {};
  if (path != nullptr) {
    if (std::strcmp(path, recent[0]) == 0) return;
    for (int i = 0; i < CTL_NUM_RECENT; ++i)
      if (recent[i][0] == '\0') {
        gains[i] = true;
        break;
      }
    int found = -1;
    for (int i = 1; i < CTL_NUM_RECENT; ++i)
      if (std::strcmp(path, recent[i]) == 0) found = i;
    if (found > 0) {
      gains[0] = gains[1] = gains[2] = gains[3] = false;  // no entry becomes filled
      char keep[CTL_PATH];
      copy_path(keep, recent[found]);
      for (int i = found; i > 0; --i) copy_path(recent[i], recent[i - 1]);
      copy_path(recent[0], keep);
    } else {
      for (int i = CTL_NUM_RECENT - 1; i > 0; --i) copy_path(recent[i], recent[i - 1]);
      copy_path(recent[0], path);
    }
  } else {
    for (int i = 0; i < CTL_NUM_RECENT && recent[i][0] != '\0'; ++i) gains[i] = true;
  }
  for (int i = 0; i < CTL_NUM_RECENT; ++i) {
    const char* name = file_part(recent[i]);
    const std::string shown = MENU_Literal(name);  // a file name takes no access key
    if (gains[i])
      gt_recent_add_item(shown.c_str(), GT_RECENT_FIRST_ID + i);
    else if (name[0] != '\0')
      gt_recent_set_item(GT_RECENT_FIRST_ID + i, shown.c_str());
  }
}

void gt_win_menu_remove(IMAGE_REC* image) {
  const int id = gt_win_menu_id_of(image);
  if (id == 0) return;
  TK_OBJ bar = WIN_GetMenuBar(gt_get_main_win());
  TK_OBJ menu = bar ? MENU_GetTop(bar, GT_MENU_WINDOW) : nullptr;
  if (menu != nullptr && MENU_SelectItem(menu, id)) MENU_RemoveItem(menu);
  gt_release_win_menu_id(id);
}

// Quick help ---------------------------------------------------------------------------------

void qhelp_activate() {
  qhelp_dismiss();
  TK_OBJ win = WIN_Load("qhelp", "qhelp_win");
  if (win == nullptr) return;
  RES_SetNfy(win, qhelp_winNfy);
  WIN_SetOwner(win, gt_get_main_win());
  WIN_Init(win);
  s_qhelp = win;
  qhelp_show_page(0);
  ui_wpos_place(win, 100, 0, FALSE);
  gt_place_beside_main(win);  // the main window's title bar and buttons stay free
  WIN_Show(win);
}

void qhelp_show_page(int page) {
  if (s_qhelp == nullptr || page < 0 || page >= kPages) return;
  for (int k = 0; k < kPages; ++k) WGT_Show(RES_GetSub(s_qhelp, k), 0);
  TK_OBJ shown = RES_GetSub(s_qhelp, page);
  WGT_Show(shown, 1);
  // The page with equal margins is the client area; the frame comes on top of it, so that
  // turning the pages does not shrink the window by the frame each time.
  const TkRect r = WGT_GetRect(shown);
  const TkRect outer = WIN_GetOuterRect(s_qhelp), client = WIN_GetRect(s_qhelp);
  const bool framed = WIN_IsShown(s_qhelp);
  WIN_MoveSize(s_qhelp, outer.x, outer.y, 2 * r.x + r.w + (framed ? outer.w - client.w : 0),
               2 * r.y + r.h + (framed ? outer.h - client.h : 0));
}

void qhelp_dismiss() {
  if (s_qhelp != nullptr) WIN_Terminate(s_qhelp);
  s_qhelp = nullptr;
}

TK_OBJ qhelp_window() { return s_qhelp; }

void gt_vrem_end() {
  gt_vrem_run = 0;
  qhelp_dismiss();
}

void gt_vrem_clean(IMAGE_REC* image) {
  if (image == nullptr) return;
  if (image->band_hdr != nullptr) image->band_hdr->nrec = image->band_hdr->nadds = image->band_hdr->ndels = 0;
  ln_free_bands(image->bands);
  image->bands = static_cast<SPOT*>(ks_alloc_msg(sizeof(SPOT)));
  if (image->bands == nullptr) ks_dbg_null_ptr("gt_vrem_clean", "image_ptr->bands");
  // The tier count goes to 0 below, and every user of the size-standard array walks the tier
  // count: a list kept for tier 0 would never be freed (and finding bands makes the tier-0 list
  // anew when there is no array). So the run starts with no size-standard lists at all.
  const int tiers = image->lane_hdr != nullptr ? image->lane_hdr->num_tiers : 0;
  if (image->size_stdp != nullptr) {
    for (int t = 0; t < tiers; ++t)
      if (image->size_stdp[t] != nullptr) std_list_free(image->size_stdp[t]);
    ks_free(image->size_stdp);
    image->size_stdp = nullptr;
  }
  image->mod_tier = nullptr;
  if (image->conc_stdp != nullptr) {
    if (*image->conc_stdp != nullptr) std_list_free(*image->conc_stdp);
    *image->conc_stdp = std_list_create();
  }
  if (image->lane_hdr != nullptr) image->lane_hdr->num_lanes = image->lane_hdr->num_tiers = 0;
  image->has_bands = 0;
  ln_free_lanes(image->lanes);
  image->lanes = static_cast<LANE*>(ks_alloc_msg(sizeof(LANE)));
  if (image->lanes == nullptr) ks_dbg_null_ptr("gt_vrem_clean", "image_ptr->lanes");
}

// Logo and About -----------------------------------------------------------------------------

void gt_logo_show(int wait_ms) {
  SLOG("gt_logo_show", SLOG_ENTRY, "wait %d ms", wait_ms);
  TK_OBJ win = WIN_Load("gt_logo", "gt_logo_win");
  if (win == nullptr) return;
  WIN_Init(win);
  const std::string splash = ini_text(KS_INI_SPLASH);
  std::vector<std::string> items;
  std::string cur;
  for (char c : splash) {
    if (c == ' ' || c == ',' || c == '\t') {
      if (!cur.empty()) items.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) items.push_back(cur);
  if (items.empty() || !WGT_SetPicture(RES_GetSub(win, 0), items[0].c_str())) {
    SLOG("gt_logo_show", SLOG_EXIT, "no logo <%s>", splash.c_str());
    WIN_Terminate(win);
    return;
  }
  const int pw = items.size() > 1 ? std::atoi(items[1].c_str()) : 0;
  const int ph = items.size() > 2 ? std::atoi(items[2].c_str()) : 0;
  int sw = 0, sh = 0;
  WIN_GetScreenSize(&sw, &sh);
  WIN_MoveSize(win, (sw - pw) / 2, (sh - ph) / 2, pw, ph);
  WIN_SetTitle(win, "Kestrin VX");
  WIN_Show(win);
  EVENT_Wait(wait_ms);
  WIN_Terminate(win);
  SLOG("gt_logo_show", SLOG_EXIT, "logo closed");
}

long gt_ok_buttonNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(button), 1);
  return WGT_DefaultNfy(button, event);
}

void gt_info_activate() {
  TK_OBJ win = WIN_Load("gt_info", "gt_info_win");
  if (win == nullptr) return;
  RES_SetNfy(win, info_winNfy);
  RES_SetNfy(RES_GetSub(win, 0), gt_ok_buttonNfy);
  WIN_SetOwner(win, gt_get_main_win());
  WIN_Init(win);
  const std::string title = ini_text(KS_INI_TITLE);
  WIN_SetTitle(win, title.c_str());
  WGT_SetLabel(RES_GetSub(win, 5), title.c_str());
  ui_wpos_place(win, 50, 50, FALSE);
  WIN_DoModal(win);
  WIN_Terminate(win);
}

// Start-up helpers ---------------------------------------------------------------------------

std::vector<std::string> gt_split_command_line(const char* command_line, const char* program_path) {
  std::vector<std::string> args;
  args.emplace_back(std::string(program_path ? program_path : "").substr(0, 256));
  std::string cur;
  for (const char* p = command_line ? command_line : ""; *p; ++p) {
    if (*p == ' ') {
      if (!cur.empty()) args.push_back(cur);
      cur.clear();
    } else {
      cur += *p;
    }
  }
  if (!cur.empty()) args.push_back(cur);
  return args;
}

BOOL SetupIniFileName() {
  SLOG("SetupIniFileName", SLOG_VALUE4, "cAppBuff <%s> cVerBuff <%s>", "VX", "43");
  const BOOL ok = ks_init_inifiles("VX", "43", s_write_dir);
  SLOG("SetupIniFileName", SLOG_VALUE4, "bIni7Ret %d, s_WriteDir <%s>", ok, s_write_dir);
  SLOG("SetupIniFileName", SLOG_EXIT, "%s", ok ? "Ini File OK" : "trouble with ini file");
  return ok ? 1 : 0;
}

const char* gt_get_write_dir() { return s_write_dir; }

BOOL GetLocaleForPageSetup() {
  const bool us = ini_text(KS_INI_LOCALE) == "US";
  SLOG("GetLocaleForPageSetup", SLOG_VALUE4, "%s", us ? "in US, TRUE" : "not in US, FALSE");
  return us ? TRUE : FALSE;
}

// Preferences file ---------------------------------------------------------------------------

std::string gt_prefs_path(const char* folder) {
  std::string path = folder ? folder : "";
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "gt_init.prf";
}

int gt_startup_read_prefs(const char* path, CONTROL* ctl) {
  // The first start of a workspace has no preferences file yet: that is no failure to report.
  if (path == nullptr || ctl == nullptr || !io_file_exists(path)) {
    SLOG("gt_startup_read_prefs", SLOG_VALUE4, "no preferences file <%s>", path ? path : "");
    return 0;
  }
  return gt_read_and_prep_prefs(path, ctl) ? 1 : 0;
}
