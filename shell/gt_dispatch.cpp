// Command dispatch for the main window, and the main window's close box.
#include "shell/gt_dispatch.h"

#include <strings.h>

#include <string>

#include "acquire/io_export.h"
#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "model/control.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/gt_equalize.h"
#include "shell/gt_import.h"
#include "shell/gt_open.h"
#include "shell/ui_print.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"

namespace {

int s_last_command = 0;

const char* const kFn = "main_winNfySelMenuBar";

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The gate: whether a command may run now. Open and page set-up need the idle state; the view
// commands need an open image window in any task state; a fixed set always runs; every other
// command needs the idle state and an image window. A refused command is traced and does nothing.
bool gate_allows(int command) {
  const bool have_window = gt_get_num_img_windows() > 0;
  if (command == GT_CMD_OPEN || command == GT_CMD_PAGE_SETUP || command == GT_CMD_PREFERENCES) {
    if (gt_is_idle()) return true;
    SLOG(kFn, SLOG_VALUE4, "Open/Page Setup, not in_ok_mode");
    return false;
  }
  if (in(command, 1001, 1004) || in(command, 1011, 1014)) {
    if (gt_is_idle()) return true;
    SLOG(kFn, SLOG_VALUE4, "Import Op, not ok_mode");
    return false;
  }
  if (command == 153 || in(command, GT_CMD_ZOOM_IN, GT_CMD_ZOOM_ONE) ||
      in(command, GT_CMD_ZOOM_FACTOR_FIRST, GT_CMD_ZOOM_FACTOR_LAST)) {
    if (have_window) return true;
    SLOG(kFn, SLOG_VALUE4, "Zoom Op, no icon");
    return false;
  }
  static const int kAlways[] = {113, 170, 171, 172, 177, 178, 186, 1072, 1073, 1076, 1703, 1895,
                                6200, 6201};
  for (int a : kAlways)
    if (command == a) return true;
  if (in(command, GT_RECENT_FIRST_ID, GT_RECENT_FIRST_ID + CTL_NUM_RECENT - 1)) return true;
  if (gt_is_idle() && have_window) return true;
  SLOG(kFn, SLOG_VALUE4, "Op not ok_mode");
  return false;
}

// Saves one image when it has changes; an image without changes is skipped without a message.
void save_if_modified(IMAGE_REC* image) {
  if (image != nullptr && gt_image_modified(image)) gt_save_image(image);
}

// The zoom a command asks for: one step in or out, 1:1, or a fixed factor (10 down to 2, then
// -2 down to -10). The present zoom when the command asks for no change.
int wanted_zoom(int zoom, int command) {
  if (command == GT_CMD_ZOOM_IN || command == GT_CMD_ZOOM_OUT) return gt_zoom_next(zoom, command);
  if (command == GT_CMD_ZOOM_ONE) return 1;
  if (command <= 10009) return 10011 - command;
  return 10008 - command;
}

void zoom(int command) {
  IMAGE_REC* image = gt_get_image_ptr();
  if (image == nullptr || image->img_ptr == nullptr) return;
  const int now = image->img_ptr->zoom[0];
  const int next = wanted_zoom(now, command);
  if (next == now) {
    SLOG(kFn, SLOG_VALUE4, "new_zoom == desired zoom (%d)", now);
    return;
  }
  gt_zoom_set(image, next);
}

// Quit: asks about unsaved images, then every image window ends (none is picked as current
// meanwhile), a pause lets their closing finish, the tool windows go, and the main window ends,
// which ends the event loop. Quit writes no preferences file: the close box does.
void quit(TK_OBJ win) {
  if (gt_get_num_img_windows() > 0) {
    SLOG(kFn, SLOG_VALUE4, "have loaded images");
    if (!gt_save_ok_to_continue("Quit", nullptr, 0)) {
      SLOG(kFn, SLOG_VALUE4, "user says 'no' save_ok_to_continue");
      return;
    }
    gt_unload_all();
    gt_dismiss_all();
  }
  SLOG(kFn, SLOG_VALUE4, "call WIN_Terminate");
  WIN_Terminate(win);
}

// The current image's drawing area and display record; false when there is none.
bool current_canvas(IMAGE_REC** image, TK_OBJ* area) {
  *image = gt_get_image_ptr();
  *area = *image ? static_cast<TK_OBJ>((*image)->draw_area) : nullptr;
  return *area != nullptr && (*image)->img_ptr != nullptr;
}

// Equalize: the user confirms, picks the equalising image; the image's window closes, the file
// is corrected, its analysis files go only when the pixels were replaced, and it opens again.
void equalize() {
  IMAGE_REC* image = gt_get_image_ptr();
  if (!image) return;
  if (mh_send_msg(KS_ALERT_YESNO, ks_gt_message(59), image->image_name) != 2) return;
  CONTROL* ctl = gt_get_control();
  char chosen[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(chosen, sizeof chosen, "Select an equalizing image...",
                          ctl->folders[CTL_DIR_IMAGES], CTL_PATH, nullptr, TRUE)) {
    SLOG(kFn, SLOG_VALUE4, "%s", "equalizing image  num_win32 0");
    return;
  }
  if (strcasecmp(chosen, image->file_path) == 0) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ks_gt_message(144));
    SLOG(kFn, SLOG_VALUE4, "%s", "can't equalize self");
    return;
  }
  const std::string path = image->file_path;
  gt_unload_image();
  // The user may keep the image open (Cancel to its unsaved changes): then nothing changes.
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    const auto* open = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)));
    if (open && strcasecmp(open->file_path, path.c_str()) == 0) return;
  }
  gt_dismiss_all();
  mh_status_message(gt_get_status_bar(), 1, ks_gt_message(58), chosen);
  gt_busy_begin();
  if (gt_equalize(path.c_str(), chosen)) io_delete_analysis_files(io_base_name(path.c_str()).c_str());
  gt_busy_end();
  mh_clear_status(gt_get_status_bar(), 1);
  gt_load_image_path(path.c_str());
}

}  // namespace

int main_winNfySelMenuBar(TK_OBJ win, int command) {
  if (command == 0) command = static_cast<int>(EVENT_GetMenuId());
  s_last_command = command;
  SLOG("main_winNfySelMenuBar", SLOG_ENTRY, "command %d", command);
  if (!gate_allows(command)) return 0;
  CONTROL* ctl = gt_get_control();
  if (command == GT_CMD_OPEN) {
    gt_get_image();
  } else if (command == GT_CMD_CLOSE) {
    gt_unload_image();  // asks about the image's changes itself
  } else if (command == GT_CMD_CLOSE_ALL) {
    if (!gt_save_ok_to_continue("Close All", nullptr, 0)) return 0;
    gt_unload_all();
    gt_dismiss_all();
  } else if (command == GT_CMD_SAVE) {
    save_if_modified(gt_get_image_ptr());
  } else if (command == GT_CMD_SAVE_ALL) {
    for (int i = 0; i < gt_get_num_img_windows(); ++i)
      save_if_modified(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
  } else if (command == GT_CMD_QUIT) {
    quit(win);
  } else if (command == GT_CMD_ABOUT) {
    gt_info_activate();
  } else if (in(command, GT_CMD_ZOOM_IN, GT_CMD_ZOOM_ONE) ||
             in(command, GT_CMD_ZOOM_FACTOR_FIRST, GT_CMD_ZOOM_FACTOR_LAST)) {
    zoom(command);
  } else if (command >= GT_WIN_MENU_FIRST && command < GT_RECENT_FIRST_ID) {
    if (gt_may_change_image()) gt_raise_image_window(command);
  } else if (in(command, GT_RECENT_FIRST_ID, GT_RECENT_FIRST_ID + CTL_NUM_RECENT - 1)) {
    const char* path = ctl->recent[command - GT_RECENT_FIRST_ID];
    if (path[0] != '\0' && !gt_image_is_loaded(path, 1)) gt_load_image_path(path);
  } else if (command == GT_CMD_PAGE_SETUP) {
    ui_page_setup_activate(win);
  } else if (command == GT_CMD_PRINT_PHOTO) {
    gt_print_photo_activate();
  } else if (command == GT_CMD_PRINT_IMAGE || command == GT_CMD_PRINT_WINDOW) {
    IMAGE_REC* image;
    TK_OBJ area;
    if (!current_canvas(&image, &area)) return 0;
    if (command == GT_CMD_PRINT_IMAGE) {
      TkPageSetup page = PRINT_GetDefaults();
      page.extra = 2;
      ui_print(area, ctl->folders[CTL_DIR_REPORTS], nullptr, &page);
    } else {
      const TkRect ext = CANVAS_GetExtent(area);
      const TkRect whole{0, 0, ext.w, ext.h};
      ui_print(area, ctl->folders[CTL_DIR_REPORTS], &whole, nullptr);
    }
  } else if (command == GT_CMD_CROP || in(command, GT_CMD_SLICE, GT_CMD_HISTOGRAM)) {
    IMAGE_REC* image;
    TK_OBJ area;
    if (!current_canvas(&image, &area)) return 0;
    if (command == GT_CMD_CROP)
      ui_tools_activate(win, area, UI_TOOL_CROP, gt_finish_crop, image->img_ptr, nullptr);
    else
      ui_tools_activate(win, area, command - GT_CMD_SLICE + UI_TOOL_SLICE, nullptr, image->img_ptr,
                        ctl->folders[CTL_DIR_REPORTS]);
  } else if (in(command, GT_CMD_IMPORT_TIFF, GT_CMD_IMPORT_BITMAP)) {
    BOOL (*const imports[])() = {gt_get_tiff, gt_get_fuji, gt_get_jpeg, gt_get_bitmap};
    if (imports[command - GT_CMD_IMPORT_TIFF]()) gt_load_image();
  } else if (command == GT_CMD_EQUALIZE) {
    equalize();
  } else if (command == GT_CMD_SAVE_AS || command == GT_CMD_EXPORT_IMAGE) {
    // Save As leaves the open image at its new path: nothing is opened again.
    IMAGE_REC* image;
    TK_OBJ area;
    if (!current_canvas(&image, &area)) return 0;
    char path[KS_PATH_LEN] = "";
    gt_save_as_activate(area, command == GT_CMD_SAVE_AS ? 0 : 1, path);
  } else if (command == GT_CMD_EXPORT_FOLDER) {
    gt_export_folder(win);
  } else {
    SLOG(kFn, SLOG_VALUE4, "command %d not served", command);
  }
  return 0;
}

int gt_dispatch_last_command() { return s_last_command; }

long S_gt_main_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_MENU_CHOICE) return main_winNfySelMenuBar(win, 0);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    if (gt_get_num_img_windows() > 0 && !gt_save_ok_to_continue("S_gt_main_winNfy", nullptr, 0))
      return 0;
    gt_dismiss_all();
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
