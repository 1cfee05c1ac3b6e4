// The File menu's commands: open, import and acquire, close, save, export, info files, delete,
// printing, Exit, and the recent files at the foot of the menu.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquire/acq_commands.h"
#include "acquire/io_export.h"
#include "acquire/ui_dialogs.h"
#include "analysis/band_rep.h"
#include "analysis/compare.h"
#include "analysis/img_rep.h"
#include "analysis/lane_map_win.h"
#include "analysis/lanename.h"
#include "analysis/matr_launch.h"
#include "analysis/mparm.h"
#include "analysis/replc.h"
#include "analysis/rparm.h"
#include "analysis/wr_match.h"
#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/copy_analysis.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/img_list.h"
#include "io/imgproc.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "shell/gt_canvas.h"
#include "shell/gt_equalize.h"
#include "shell/gt_image_win.h"
#include "shell/gt_import.h"
#include "shell/gt_misc.h"
#include "shell/gt_open.h"
#include "shell/im_calib.h"
#include "shell/gt_prefs.h"
#include "shell/gt_resolution.h"
#include "shell/ui_print.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_draw.h"
#include "tools/gt_band_copy.h"
#include "tools/gt_band_tools.h"
#include "tools/gt_asn_cat.h"
#include "tools/gt_band_util.h"
#include "tools/gt_disp_enh.h"
#include "tools/gt_dtool.h"
#include "tools/gt_ln_img.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_report_wins.h"
#include "tools/gt_std_tools.h"
#include "tools/gt_tool_wins.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/ln_info.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_workspace.h"
#include "toolkit/tk_res.h"
#include "shell/cmd_handlers.h"

namespace {

// Saves one image when it has changes; an image without changes is skipped without a message.
void save_if_modified(IMAGE_REC* image) {
  if (image != nullptr && gt_image_modified(image)) gt_save_image(image);
}

// Deletes an image's pixel file `path` and its info file `info` together: the info file is
// first moved aside, so that a pixel file that cannot be deleted gets it back and the image
// stays whole. False when the pixel file stays (with its info file, unless that could not be
// put back). The files that could not be deleted are added to `stayed`, under the names they
// then have.
bool delete_pixels_and_info(const std::string& path, const std::string& info,
                            std::vector<std::string>* stayed) {
  const IoFileOps ops = io_file_ops();
  std::string aside;
  if (io_file_exists(info.c_str())) {
    aside = info + ".XXXXXX";
    const int fd = ::mkstemp(aside.data());
    if (fd < 0) {
      stayed->push_back(path);
      stayed->push_back(info);
      return false;
    }
    ::close(fd);
    if (ops.rename(info.c_str(), aside.c_str()) != 0) {
      ::unlink(aside.c_str());
      stayed->push_back(path);
      stayed->push_back(info);
      return false;
    }
  }
  // The aside copy goes back under its own name when it is not deleted.
  auto settle_aside = [&](bool drop) {
    if (aside.empty()) return;
    if (drop && ops.unlink(aside.c_str()) == 0) return;
    stayed->push_back(ops.rename(aside.c_str(), info.c_str()) == 0 ? info : aside);
  };
  if (ops.unlink(path.c_str()) != 0 && errno != ENOENT) {
    stayed->push_back(path);
    settle_aside(false);
    return false;
  }
  settle_aside(true);
  return true;
}

}  // namespace

void cmd_open(const CmdCall&) { gt_get_image(); }

void cmd_import(const CmdCall& call) {
  BOOL (*const imports[])() = {gt_get_tiff, gt_get_fuji, gt_get_jpeg, gt_get_bitmap};
  if (imports[call.command - GT_CMD_IMPORT_TIFF]()) gt_load_image();
}

void cmd_acquire(const CmdCall& call) { acq_run_command(call.win, call.command); }

// Close asks about the image's changes itself.
void cmd_close(const CmdCall&) { gt_unload_image(); }

void cmd_close_all(const CmdCall&) {
  if (!gt_save_ok_to_continue("Close All", nullptr, 0)) return;
  gt_unload_all();
  gt_dismiss_all();
}

void cmd_save(const CmdCall& call) { save_if_modified(call.image); }

// A failed write keeps that image's changes marked; the others are still saved.
void cmd_save_all(const CmdCall&) {
  for (int i = 0; i < gt_get_num_img_windows(); ++i)
    save_if_modified(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
}

// Save As moves the open image to the new path itself (window title and lock included), so it
// is not opened a second time; Export Image writes a foreign file and leaves the image as it is.
void cmd_save_as(const CmdCall& call) {
  IMAGE_REC* image = nullptr;
  TK_OBJ area;
  if (!cmd_current_canvas(&image, &area)) return;
  char path[KS_PATH_LEN] = "";
  const BOOL done = gt_save_as_activate(area, call.command == GT_CMD_SAVE_AS ? 0 : 1, path);
  SLOG(kCmdTrace, SLOG_VALUE4, "save as/export %d <%s>", done, path);
}

void cmd_export_folder(const CmdCall& call) { gt_export_folder(call.win); }

// Generate Info File: an existing file is replaced only once the new one is wholly written.
void cmd_gen_info_file(const CmdCall& call) {
  if (!call.image) return;
  char path[KS_PATH_LEN] = "";
  if (!io_win32_savefile(path, sizeof path, "Generate a Lane Info file...",
                         call.ctl->folders[CTL_DIR_LANEINFO], "", "Lane Info Files (*.inf)\0*.inf\0",
                         ".inf"))
    return;
  if (io_file_exists(path) && mh_send_msg(KS_ALERT_YESNO, ui_msg(270), path) != 2) {
    SLOG(kCmdTrace, SLOG_VALUE4, "user says 'no' to overwrite lane info file");
    return;
  }
  ln_info_write(call.image, path);
}

// Delete Image: asks, then deletes the image's whole file set and closes its window. The pixel
// and info files go first, while the window still holds the image: when the pixel file cannot
// be deleted, both stay, nothing else is touched and the image stays open. Only then does the
// window close and the rest of the set go. The user is told which files could not be deleted.
void cmd_delete_image(const CmdCall& call) {
  char base[KS_PATH_LEN] = "";
  std::string path;
  if (!cmd_confirm_image_files(call.image, "NumClipped is 0", 313, base, &path)) return;
  const std::string name = call.image->image_name;
  const std::string info = std::string(base) + ".kei";
  const std::string lock = std::string(base) + ".lck";
  std::vector<std::string> stayed;
  gt_busy_begin();
  if (!delete_pixels_and_info(path, info, &stayed)) {
    SLOG(kCmdTrace, SLOG_ERROR, "<%s> cannot be deleted", path.c_str());
    // The rest stays too; the lock is the open image's own.
    for (std::string& f : io_image_companions(base))
      if (f != lock && f != info) stayed.push_back(std::move(f));
  } else {
    gt_image_clear_modified(call.image);
    gt_unload_image();
    gt_dismiss_all();
    const auto unlink_file = io_file_ops().unlink;
    for (std::string& f : io_image_companions(base))
      if (f != info && unlink_file(f.c_str()) != 0) stayed.push_back(std::move(f));
  }
  gt_busy_end();
  if (stayed.empty()) return;
  std::string names;
  for (const std::string& f : stayed) {
    const std::size_t slash = f.find_last_of('/');
    names += (names.empty() ? "" : "\n") + f.substr(slash == std::string::npos ? 0 : slash + 1);
  }
  mh_send_msg(KS_ALERT_ERROR, ui_msg(kMsgFilesNotDeleted), name.c_str(), names.c_str());
}

void cmd_page_setup(const CmdCall& call) { ui_page_setup_activate(call.win); }

// Print Image prints the whole image fitted to the page of the print defaults (mode 2); Print
// Image Window prints the canvas whole.
void cmd_print(const CmdCall& call) {
  IMAGE_REC* image = nullptr;
  TK_OBJ area;
  if (!cmd_current_canvas(&image, &area)) return;
  if (call.command == GT_CMD_PRINT_IMAGE) {
    TkPageSetup page = PRINT_GetDefaults();
    page.extra = 2;
    ui_print(area, call.ctl->folders[CTL_DIR_REPORTS], nullptr, &page);
  } else {
    const TkRect ext = CANVAS_GetExtent(area);
    const TkRect whole{0, 0, ext.w, ext.h};
    ui_print(area, call.ctl->folders[CTL_DIR_REPORTS], &whole, nullptr);
  }
}

void cmd_print_photo(const CmdCall&) { gt_print_photo_activate(); }

// Exit: asks about unsaved images, then every image window ends (none is picked as current
// meanwhile), a pause lets their closing finish, the tool windows go, the preferences are
// written as the close box writes them, and the main window ends, which ends the event loop.
void cmd_quit(const CmdCall& call) {
  if (gt_get_num_img_windows() > 0) {
    SLOG(kCmdTrace, SLOG_VALUE4, "have loaded images");
    if (!gt_save_ok_to_continue("Quit", nullptr, 0)) {
      SLOG(kCmdTrace, SLOG_VALUE4, "user says 'no' save_ok_to_continue");
      return;
    }
    gt_unload_all();
    gt_dismiss_all();
  }
  cmd_write_init_prefs();
  SLOG(kCmdTrace, SLOG_VALUE4, "call WIN_Terminate");
  WIN_Terminate(call.win);
}

// A recent file that an image window already holds is only brought to the user's notice.
void cmd_recent(const CmdCall& call) {
  const char* path = call.ctl->recent[call.command - GT_RECENT_FIRST_ID];
  if (path[0] != '\0' && !gt_image_is_loaded(path, 1)) gt_load_image_path(path);
}
