// Opening, closing and saving images.
#include "shell/gt_open.h"

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/band_rep.h"
#include "analysis/compare.h"
#include "analysis/img_rep.h"
#include "analysis/replc.h"
#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_profile.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "shell/gt_canvas.h"
#include "shell/im_calib.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/gt_overlay.h"
#include "shell/ih_cmap.h"
#include "shell/ih_dpy.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "toolkit/tk_workspace.h"
#include "tools/gt_std_tools.h"
#include "tools/gt_tool_wins.h"
#include "tools/ui_illus.h"

char gt_load_path[IMG_PATH_LEN] = "";
char gt_load_name[IMG_PATH_LEN] = "";

namespace {

struct Viewer {
  long pid;
  std::string title;
};
std::vector<Viewer> s_viewers;
bool s_reap_pending = false;  // a look at the viewers is scheduled

constexpr int kReapMs = 1000;

void reap_later() {
  if (s_reap_pending || s_viewers.empty()) return;
  s_reap_pending = true;
  TK_After(kReapMs, [] {
    s_reap_pending = false;
    gt_viewer_reap();
    reap_later();
  });
}

// Copies a text into a fixed field, cut to fit and always terminated.
void copy_text(char* dst, const char* src, std::size_t cap) {
  if (cap == 0) return;
  const std::size_t n = src ? strnlen(src, cap - 1) : 0;
  std::memcpy(dst, src ? src : "", n);
  dst[n] = '\0';
}

const char* file_part(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

std::string info_path_of(const char* image_path) { return io_base_name(image_path) + ".kei"; }

// The analysis layer runs its work inside the busy state and makes an image current through
// the shell; give it those doors (and the engine's baseline builder) once.
void install_analysis_hooks() {
  static bool done = false;
  if (done) return;
  done = true;
  GtAnalysisHooks h;
  h.busy_begin = gt_busy_begin;
  h.busy_end = gt_busy_end;
  h.make_current = gt_set_image_ptr;
  h.build_baseline = ln_calc_baseline;
  // The start-up installs them too; keep those when it has.
  const GtAnalysisHooks prev = gt_analysis_set_hooks(h);
  if (prev.busy_begin) gt_analysis_set_hooks(prev);
}

void end_load(const char* why) {
  mh_clear_status(gt_get_status_bar(), 1);
  gt_busy_end();
  SLOG("gt_load_image", SLOG_EXIT, "%s", why);
}

// Releases everything an image holds and the record itself.
void release_image(IMAGE_REC* im) {
  if (!im) return;
  gt_display_free(im->img_ptr);
  gt_img_free(im);
}

void window_menu_add(IMAGE_REC* im, int id) {
  TK_OBJ main = gt_get_main_win();
  TK_OBJ bar = main ? WIN_GetMenuBar(main) : nullptr;
  TK_OBJ menu = bar ? MENU_GetTop(bar, GT_MENU_WINDOW) : nullptr;
  if (!menu || id == 0) return;
  MENU_AddItem(menu, id, MENU_Literal(im->image_name).c_str());
  if (MENU_SelectItem(menu, id)) {
    MENU_EnableItem(menu, 1);
    MENU_CheckItem(menu, gt_may_change_image() ? 1 : 0);
  }
}

int ask_unsaved(int prog_mgr, const char* name) {
  if (prog_mgr == 1) return mh_send_msg(KS_ALERT_YESNOCANCEL, "%s", gt_get_message(82));
  if (name) return mh_send_msg(KS_ALERT_YESNOCANCEL, ui_msg(315), name);
  return mh_send_msg(KS_ALERT_YESNOCANCEL, "%s", ui_msg(182));
}

}  // namespace

BOOL gt_image_modified(const IMAGE_REC* im) {
  return im && (im->modified || (im->img_ptr && im->img_ptr->modified)) ? TRUE : FALSE;
}

void gt_image_clear_modified(IMAGE_REC* im) {
  if (!im) return;
  im->modified = 0;
  if (im->img_ptr) im->img_ptr->modified = 0;
}

BOOL gt_save_image(IMAGE_REC* im) {
  if (!im) return FALSE;
  mh_status_message(gt_get_status_bar(), 1, ui_msg(184), im->image_name);
  const BOOL ok = gt_prepare_and_write(im->file_path, im->img_ptr, im);
  mh_clear_status(gt_get_status_bar(), 1);
  // The changes stay marked until they are really on disk.
  if (ok) gt_image_clear_modified(im);
  SLOG("gt_save_image", SLOG_EXIT, "<%s> %s", im->file_path, ok ? "saved" : "NOT saved");
  return ok;
}

IMAGE_REC* gt_load_image() {
  static const char* fn = "gt_load_image";
  SLOG(fn, SLOG_ENTRY, "<%s>", gt_load_path);
  install_analysis_hooks();
  TK_OBJ status = gt_get_status_bar();
  mh_status_message(status, 1, gt_get_message(2), gt_load_name);
  gt_busy_begin();

  if (io_is_locked(gt_load_path)) {
    if (mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(53)) != 2) {
      end_load("image locked, user says NO");
      return nullptr;
    }
  } else if (io_lock_files(gt_load_path) != 0) {
    mh_send_msg(KS_ALERT_INFO, "%s", gt_get_message(52));
    end_load("cannot lock image");
    return nullptr;
  }

  const std::string info = info_path_of(gt_load_path);
  if (!io_file_exists(info.c_str())) {
    mh_send_msg(KS_ALERT_INFO, ui_msg(265), info.c_str());
    io_unlock_files(gt_load_path);
    end_load("no inf file");
    return nullptr;
  }

  IMAGE_REC* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (!im || !gt_img_init(im)) {
    if (!im) ks_dbg_null_ptr(fn, "image_ptr");
    gt_img_free(im);
    io_unlock_files(gt_load_path);
    end_load("no image record");
    return nullptr;
  }
  copy_text(im->file_path, gt_load_path, sizeof im->file_path);
  copy_text(im->image_name, file_part(gt_load_path), sizeof im->image_name);
  IMG_DATA* disp = im->img_ptr;
  gt_display_new(disp);

  if (io_load_image(disp, im->img_info ? im->img_info->device : 0, gt_load_path) != 0 ||
      !gt_display_of(disp)) {
    mh_send_msg(KS_ALERT_INFO, gt_get_message(64), gt_load_path);
    release_image(im);
    io_unlock_files(gt_load_path);
    end_load("load image failed");
    return nullptr;
  }
  ih_load_cmap(disp->disp_img);
  copy_text(disp->path, gt_load_path, sizeof disp->path);
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (io_query_image(gt_load_path, &bits, ext)) {
    disp->img_width = ext[0];
    disp->img_height = ext[1];
  }

  // The analysis: the info file's records, then ".gt" (or the older ".kr"). A missing analysis
  // leaves an image without lanes; neither stops the open.
  gt_read_and_prepare_inf(gt_load_path, disp, im);
  gt_read_and_prepare_app(gt_load_path, disp, im);
  // Stored lanes are confirmed lanes (the reader marks them so): their bands have been found,
  // which is what the band tools and the overlays test.
  if (im->lanes && im->lanes->next) im->has_bands = 1;
  gt_image_clear_modified(im);

  gt_dib_build(im);

  const int id = gt_next_win_menu_id();
  im->image_name[sizeof im->image_name - 1] = '\0';
  TK_OBJ win = gt_img_open_window(gt_get_main_win(), gt_get_workspace(), im, gt_canvas_notify, id);
  if (!win) {
    release_image(im);
    io_unlock_files(gt_load_path);
    end_load("no image window");
    return nullptr;
  }
  RES_SetNfy(win, gt_img_close_nfy);
  window_menu_add(im, id);
  gt_update_recent_files(gt_load_path);
  gt_canvas_set_readout(gt_get_status2());
  gt_canvas_set_command_proc(main_winNfySelMenuBar, gt_get_main_win());

  WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
  mh_clear_status(status, 1);
  gt_busy_end();
  gt_set_image_ptr(gt_pick_current_image());
  gt_refresh_scroll_bars();
  SLOG(fn, SLOG_EXIT, "opened <%s>", im->file_path);
  return im;
}

void gt_load_image_path(const char* path) {
  if (!path) return;
  copy_text(gt_load_path, path, sizeof gt_load_path);
  copy_text(gt_load_name, file_part(gt_load_path), sizeof gt_load_name);
  gt_load_image();
}

BOOL gt_get_image() {
  static const char* fn = "gt_get_image";
  CONTROL* ctl = gt_get_control();
  char** list = nullptr;
  const int n = io_win32_filelist(&list, "Select Image(s)...", ctl->folders[CTL_DIR_IMAGES], "",
                                  "Kestrin Files (*.kes)\0*.kes\0", 0, TRUE, TRUE, TRUE, nullptr);
  if (n < 1 || !list) {
    SLOG(fn, SLOG_EXIT, "user cancels image selection, FALSE");
    return FALSE;
  }
  for (int i = 0; i < n; ++i) {
    if (!list[i] || gt_image_is_loaded(list[i], 1)) continue;
    copy_text(gt_load_path, list[i], sizeof gt_load_path);
    copy_text(gt_load_name, file_part(gt_load_path), sizeof gt_load_name);
    EVENT_Flush();
    gt_load_image();
  }
  ks_freelist_msg(reinterpret_cast<void**>(list), n);
  EVENT_Flush();
  // Several images opened at once are cascaded so that each title shows.
  if (n > 1) main_winNfySelMenuBar(gt_get_main_win(), GT_CMD_CASCADE);
  gt_refresh_scroll_bars();
  return TRUE;
}

void gt_unload_image() {
  IMAGE_REC* im = gt_get_image_ptr();
  if (im && im->window) {
    TK_OBJ win = static_cast<TK_OBJ>(im->window);
    if (!gt_save_ok_to_continue("Close", win, 0)) return;
    gt_busy_begin();
    WIN_Terminate(win);
    gt_busy_end();
  }
  gt_set_image_ptr(gt_pick_current_image());
}

void gt_unload_all() {
  static const char* fn = "gt_unload_all";
  const int n = gt_get_num_img_windows();
  if (n == 0) {
    SLOG(fn, SLOG_EXIT, "none loaded");
    return;
  }
  gt_busy_begin();
  gt_set_unloading_all(1);
  for (int i = 0; i < n && gt_get_num_img_windows() > 0; ++i) WIN_Terminate(gt_get_img_window(0));
  EVENT_Wait(1000);
  gt_set_unloading_all(0);
  gt_busy_end();
  gt_set_image_ptr(gt_pick_current_image());
}

BOOL gt_save_ok_to_continue(const char* caller, TK_OBJ win, int prog_mgr) {
  static const char* fn = "gt_save_ok_to_continue";
  SLOG(fn, SLOG_ENTRY, "%s, prog_mgr %d", caller ? caller : "", prog_mgr);
  if (win) {
    IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(win));
    if (!gt_image_modified(im)) return TRUE;
    const int answer = ask_unsaved(prog_mgr, im->image_name);
    if (answer == 1) {
      gt_image_clear_modified(im);
      return TRUE;
    }
    if (answer == 2) return gt_save_image(im);
    SLOG(fn, SLOG_EXIT, "User cancels, FALSE");
    return FALSE;
  }
  const int n = gt_get_num_img_windows();
  bool any = false;
  for (int i = 0; i < n && !any; ++i)
    any = gt_image_modified(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
  if (!any) return TRUE;
  const int answer = ask_unsaved(prog_mgr, nullptr);
  if (answer == 1) {
    for (int i = 0; i < n; ++i) {
      SLOG(fn, SLOG_VALUE4, "NO, win_i [%2d]", i);
      gt_image_clear_modified(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
    }
    return TRUE;
  }
  if (answer == 2) {
    bool all_saved = true;
    for (int i = 0; i < n; ++i) {
      IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)));
      if (!gt_image_modified(im)) continue;
      SLOG(fn, SLOG_VALUE4, "YES, win_i [%2d]", i);
      if (!gt_save_image(im)) all_saved = false;
    }
    // An image that could not be written keeps its changes open: the close does not go on.
    if (!all_saved) SLOG(fn, SLOG_EXIT, "a save failed, FALSE");
    return all_saved ? TRUE : FALSE;
  }
  SLOG(fn, SLOG_EXIT, "User cancels, FALSE");
  return FALSE;
}

// Viewer processes ----------------------------------------------------------------------------

void gt_viewer_register(long pid, const char* title) {
  if (pid <= 0) return;
  s_viewers.push_back({pid, title ? title : ""});
  reap_later();
}

int gt_viewer_reap() {
  int collected = 0;
  for (auto it = s_viewers.begin(); it != s_viewers.end();) {
    int status = 0;
    // Only this program's own children are waited for; one already gone (collected elsewhere)
    // is forgotten as well.
    const pid_t r = waitpid(static_cast<pid_t>(it->pid), &status, WNOHANG);
    if (r == 0) {
      ++it;
      continue;
    }
    SLOG("gt_viewer_reap", SLOG_VALUE4, "viewer %ld ended", it->pid);
    it = s_viewers.erase(it);
    ++collected;
  }
  return collected;
}

int gt_viewer_count() { return static_cast<int>(s_viewers.size()); }

void gt_close_windows_by_title(const char* text) {
  if (!text) return;
  for (auto it = s_viewers.begin(); it != s_viewers.end();) {
    if (it->title.find(text) == std::string::npos) {
      ++it;
      continue;
    }
    // Only processes this program started and has not yet reaped are ended.
    const pid_t pid = static_cast<pid_t>(it->pid);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == 0) {
      kill(pid, SIGTERM);
      waitpid(pid, &status, 0);
    }
    it = s_viewers.erase(it);
  }
}

void gt_dismiss_all() {
  SLOG("gt_dismiss_all", SLOG_ENTRY, "%d viewers", gt_viewer_count());
  // The dismiss function of every modeless window; each closes its window when it is open.
  static void (*const kDismiss[])() = {qhelp_dismiss, ui_tools_dismiss, gt_tool_wins_dismiss_all,
                                       band_rep_dismiss, img_rep_dismiss, compare_dismiss,
                                       replc_dismiss, im_calib_dismiss};
  for (auto dismiss : kDismiss) dismiss();
  gt_close_windows_by_title("Dendrogram");
}

BOOL gt_prog_mgr_exit() {
  static const char* fn = "gt_prog_mgr_exit";
  if (gt_get_num_img_windows() == 0) {
    SLOG(fn, SLOG_EXIT, "no clipped images, TRUE");
    return TRUE;
  }
  if (!gt_save_ok_to_continue(fn, nullptr, 1)) {
    SLOG(fn, SLOG_EXIT, "user says 'no' to continue, FALSE");
    return FALSE;
  }
  gt_unload_all();
  gt_dismiss_all();
  return TRUE;
}

// The image window's close ------------------------------------------------------------------

long gt_img_close_nfy(TK_OBJ win, int event) {
  IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(win));
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    if (im && !gt_save_ok_to_continue("Close", win, 0)) return 0;  // the window stays
    WIN_Terminate(win);
    return 0;
  }
  if (event == TK_EV_TERMINATE && im) {
    SLOG("gt_img_close_nfy", SLOG_VALUE4, "closing <%s>", im->file_path);
    // A standards assignment on this image ends first, as its close box ends it.
    gt_std_image_closing(im);
    ui_illus_image_closing(im->img_ptr);
    ui_tools_image_closing(static_cast<TK_OBJ>(im->draw_area));
    gt_win_menu_remove(im);
    // The lock goes with the window, whatever ended it (close box, Close, Quit, the main
    // window's end).
    io_unlock_files(im->file_path);
    const long r = gt_img_winNfy(win, event);
    RES_SetData(win, nullptr);
    gt_overlay_forget();  // the painter must not erase on a dead window's record
    release_image(im);
    // With the last image gone the pixel read-out names no image any more.
    if (gt_get_num_img_windows() == 0) mh_clear_status(gt_get_status2(), 1);
    return r;
  }
  return gt_img_winNfy(win, event);
}
