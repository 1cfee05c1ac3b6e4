// Command dispatch for the main window, and the main window's close box.
#include "shell/gt_dispatch.h"

#include "base/ks_ini.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"

namespace {

int s_last_command = 0;

// Quit: every image window ends (none is picked as current meanwhile), a pause lets their
// closing finish, the tool windows go, and the main window ends, which ends the event loop.
// Quit writes no preferences file: the close box does.
void quit(TK_OBJ win) {
  if (gt_get_num_img_windows() > 0) {
    SLOG("main_winNfySelMenuBar", SLOG_VALUE4, "have loaded images");
    gt_set_unloading_all(1);
    while (gt_get_num_img_windows() > 0) WIN_Terminate(gt_get_img_window(0));
    EVENT_Wait(1000);
    gt_set_unloading_all(0);
    qhelp_dismiss();
  }
  SLOG("main_winNfySelMenuBar", SLOG_VALUE4, "call WIN_Terminate");
  WIN_Terminate(win);
}

}  // namespace

int main_winNfySelMenuBar(TK_OBJ win, int command) {
  if (command == 0) command = static_cast<int>(EVENT_GetMenuId());
  s_last_command = command;
  SLOG("main_winNfySelMenuBar", SLOG_ENTRY, "command %d", command);
  CONTROL* ctl = gt_get_control();
  if (command == GT_CMD_QUIT) {
    quit(win);
  } else if (command == GT_CMD_ABOUT) {
    gt_info_activate();
  } else if (command >= GT_RECENT_FIRST_ID && command < GT_RECENT_FIRST_ID + CTL_NUM_RECENT) {
    const char* path = ctl->recent[command - GT_RECENT_FIRST_ID];
    if (path[0] != '\0' && !gt_image_is_loaded(path, 1))
      SLOG("main_winNfySelMenuBar", SLOG_WARN, "opening <%s> is not available", path);
  } else {
    SLOG("main_winNfySelMenuBar", SLOG_VALUE4, "command %d not served", command);
  }
  return 0;
}

int gt_dispatch_last_command() { return s_last_command; }

long S_gt_main_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_MENU_CHOICE) return main_winNfySelMenuBar(win, 0);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    qhelp_dismiss();
    char dir[KS_INI_VALUE_LEN] = "";
    int is_int = 0, value = 0;
    ks_get_inientry(KS_INI_WRITE_DIR, &is_int, &value, dir);
    const std::string path = gt_prefs_path(dir);
    SLOG("S_gt_main_winNfy", SLOG_VALUE4, "writing <%s>", path.c_str());
    gt_prep_prefs_and_write(path.c_str(), gt_get_control());
    WIN_Terminate(win);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}
