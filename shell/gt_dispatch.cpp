// Command dispatch for the main window, and the main window's close box.
#include "shell/gt_dispatch.h"

#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
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

namespace {

int s_last_command = 0;
int s_last_run = 0;

const char* const kFn = "main_winNfySelMenuBar";

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool is_zoom(int c) {
  return in(c, GT_CMD_ZOOM_IN, GT_CMD_ZOOM_ONE) ||
         in(c, GT_CMD_ZOOM_FACTOR_FIRST, GT_CMD_ZOOM_FACTOR_LAST);
}
bool is_recent(int c) { return in(c, GT_RECENT_FIRST_ID, GT_RECENT_FIRST_ID + CTL_NUM_RECENT - 1); }
bool is_window_entry(int c) { return in(c, GT_WIN_MENU_FIRST, GT_WIN_MENU_LAST); }

// The commands that are built. A menu entry or toolbar button whose command is not in this
// table is disabled, and the dispatcher only traces such a command.
bool built(int c) {
  static const int kBuilt[] = {
      GT_CMD_SELECT_TWAIN, GT_CMD_ACQUIRE_TWAIN, GT_CMD_ACQUIRE_SCANNER, GT_CMD_ACQUIRE_CAMERA,
      GT_CMD_OPEN, GT_CMD_CLOSE, GT_CMD_CLOSE_ALL, GT_CMD_SAVE, GT_CMD_SAVE_ALL,
      GT_CMD_DELETE_IMAGE, GT_CMD_QUIT, GT_CMD_ABOUT, GT_CMD_HELP, GT_CMD_HELP_GUIDE,
      GT_CMD_HELP_TUTORIAL, GT_CMD_ANNOTATION, GT_CMD_CASCADE, GT_CMD_TILE,
      GT_CMD_ARRANGE_ICONS, GT_CMD_REFRESH, GT_CMD_PREFERENCES, GT_CMD_INVERT, GT_CMD_FILTER,
      GT_CMD_ROTATE_90, GT_CMD_ROTATE_270, GT_CMD_FLIP_TOP, GT_CMD_FLIP_SIDE,
      GT_CMD_PAGE_SETUP, GT_CMD_PRINT_IMAGE, GT_CMD_PRINT_WINDOW, GT_CMD_PRINT_PHOTO, GT_CMD_CROP,
      GT_CMD_SLICE, GT_CMD_SURFACE_PLOT, GT_CMD_HISTOGRAM, GT_CMD_IMPORT_TIFF, GT_CMD_IMPORT_FUJI,
      GT_CMD_IMPORT_JPEG, GT_CMD_IMPORT_BITMAP, GT_CMD_EQUALIZE, GT_CMD_BORDER, GT_CMD_RESOLUTION,
      GT_CMD_SAVE_AS, GT_CMD_EXPORT_IMAGE, GT_CMD_EXPORT_FOLDER, GT_CMD_COPY_ANALYSIS,
      GT_CMD_IMPORT_MATRIX, GT_CMD_REPORT_SEL_BANDS, GT_CMD_REPORT_SEL_LANES,
      GT_CMD_REPORT_ACTIVE_IMAGE, GT_CMD_REPORT_ALL_LANES, GT_CMD_REPORT_IMAGE_INFO,
      GT_CMD_COMPARE_BANDS, GT_CMD_REPORT_LANE_CATEGORIES, GT_CMD_REPORT_LANE_MAP,
      GT_CMD_LANE_NAME_FILE, GT_CMD_ADD, GT_CMD_DELETE, GT_CMD_DEFINE_LANES, GT_CMD_EDIT_BANDS,
      GT_CMD_SELECT_ALL, GT_CMD_DESELECT_ALL, GT_CMD_BAND_INFO, GT_CMD_NORM_LANE,
      GT_CMD_NORM_IMAGE, GT_CMD_MARK_ACTIVE, GT_CMD_MARK_INACTIVE, GT_CMD_QUANTIFY,
      GT_CMD_MARK_AXES, GT_CMD_MARK_BOUNDS, GT_CMD_COPY_BOUNDS, GT_CMD_LANE_BOUNDARIES,
      GT_CMD_RENUMBER, GT_CMD_CLEAR_NORM, GT_CMD_ILLUSTRATOR, GT_CMD_DTOOL, GT_CMD_GEN_INFO_FILE,
      GT_CMD_COPY_LANES, GT_CMD_COPY_LANES_BOUNDS, GT_CMD_LANE_BACKGROUND, GT_CMD_LANE_NAME,
      GT_CMD_LANE_COMMENTS, GT_CMD_MULTIPLEX_MARKERS, GT_CMD_CALIBRATE, GT_CMD_VREM_SIZE,
      GT_CMD_VREM_QUANTIFY, GT_CMD_MODIFY_STDS_LINE, GT_CMD_LABEL_VALUES,
      GT_CMD_LABEL_CATEGORIES, GT_CMD_SELECTION_FILES, GT_CMD_STD_SETS, GT_CMD_REPORT_LANE_PROFILE,
      GT_CMD_REPORT_HB_FRACTIONS, GT_CMD_REPORT_PROTEIN_FRACTIONS, GT_CMD_SIZE_CURVE, GT_CMD_CONC_CURVE,
      GT_CMD_FIND_BANDS, GT_CMD_ENHANCE_DISPLAY, GT_CMD_ASSIGN_CATEGORIES, GT_CMD_CREATE_REFERENCE,
      GT_CMD_OLD_LABELS, GT_CMD_OLD_LABELS_2, GT_CMD_MATCH_ALL_LANES, GT_CMD_MATCH_SEL_LANES,
      GT_CMD_MATCH_TO_LANE, GT_CMD_MATCH_TO_BANDS,
  };
  for (int b : kBuilt)
    if (c == b) return true;
  return is_zoom(c) || is_window_entry(c) || is_recent(c);
}

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
  if (in(command, GT_CMD_IMPORT_TIFF, GT_CMD_IMPORT_BITMAP) ||
      in(command, GT_CMD_SELECT_TWAIN, GT_CMD_ACQUIRE_CAMERA)) {
    if (gt_is_idle()) return true;
    SLOG(kFn, SLOG_VALUE4, "Import Op, not ok_mode");
    return false;
  }
  if (command == GT_CMD_DTOOL) {
    if (gt_lane_tool_ready()) return true;
    SLOG(kFn, SLOG_VALUE4, "DTool, not ok_mode");
    return false;
  }
  if (command == GT_CMD_ANNOTATION || is_zoom(command)) {
    if (have_window) return true;
    SLOG(kFn, SLOG_VALUE4, "Zoom Op, no icon");
    return false;
  }
  static const int kAlways[] = {
      GT_CMD_QUIT, GT_CMD_REPORT_ALL_LANES, GT_CMD_HELP, GT_CMD_ABOUT, GT_CMD_HELP_GUIDE,
      GT_CMD_HELP_TUTORIAL, GT_CMD_MATCH_ALL_LANES, GT_CMD_SELECTION_FILES, GT_CMD_STD_SETS,
      GT_CMD_REPORT_LANE_CATEGORIES, GT_CMD_EXPORT_FOLDER, GT_CMD_IMPORT_MATRIX,
      GT_CMD_OLD_LABELS, GT_CMD_OLD_LABELS_2};
  for (int a : kAlways)
    if (command == a) {
      SLOG(kFn, SLOG_VALUE4, "op always permitted");
      return true;
    }
  if (is_recent(command)) return true;
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


// The start of the commands that change an image's files: an image window, the image's base
// path (a path too long for one stops the command) and the user's Yes to `question`, a ui_msg
// text that names the image.
bool confirm_image_files(IMAGE_REC* image, const char* no_window, int question, char* base,
                         std::string* path) {
  if (image == nullptr || gt_get_num_img_windows() == 0) {
    SLOG(kFn, SLOG_VALUE4, "%s", no_window);
    return false;
  }
  if (io_strip_extension(base, image->file_path) != 0) {
    SLOG(kFn, SLOG_ERROR, "path too long <%s>", image->file_path);
    return false;
  }
  *path = image->file_path;
  if (mh_send_msg(KS_ALERT_YESNO, ui_msg(question), image->image_name) != 2) {
    SLOG(kFn, SLOG_VALUE4, "user says 'no' to %d", question);
    return false;
  }
  return true;
}

// Delete Image: asks, closes the image's window and deletes its whole file set.
void delete_image(IMAGE_REC* image) {
  char base[KS_PATH_LEN] = "";
  std::string path;
  if (!confirm_image_files(image, "NumClipped is 0", 313, base, &path)) return;
  gt_image_clear_modified(image);
  gt_unload_image();
  gt_dismiss_all();
  gt_busy_begin();
  io_delete_files(base);
  io_delete(path.c_str());
  gt_busy_end();
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
  // Images that cannot be equalised together are refused while the window is still open.
  int bits = 0, ebits = 0;
  int32_t ext[2] = {0, 0}, eext[2] = {0, 0};
  if (io_query_image(path.c_str(), &bits, ext) && io_query_image(chosen, &ebits, eext) &&
      (bits != ebits || ext[0] != eext[0] || ext[1] != eext[1])) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ks_gt_message(57));
    SLOG(kFn, SLOG_VALUE4, "%s", "equalizing image differs in size or depth");
    return;
  }
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

// The whole-file image operations: the image file itself changes, so the analysis is dropped
// and the image opened again.
int run_image_op(int command, const char* path, const int border[5]) {
  switch (command) {
    case GT_CMD_BORDER:
      return io_imgproc_border(path, border[0], border[1], border[2], border[3], border[4]);
    case GT_CMD_INVERT: return io_imgproc_invert(path);
    case GT_CMD_FILTER: return io_imgproc_filter(path);
    case GT_CMD_ROTATE_90: return io_imgproc_rotate_90(path);
    case GT_CMD_ROTATE_270: return io_imgproc_rotate_270(path);
    case GT_CMD_FLIP_TOP: return io_imgproc_flip_top(path);
    default: return io_imgproc_flip_side(path);
  }
}

bool ask_border(TK_OBJ owner, IMAGE_REC* image, int border[5]);

void image_op(TK_OBJ owner, int command, IMAGE_REC* image) {
  SLOG(kFn, SLOG_VALUE4, "Image Proc");
  char base[KS_PATH_LEN] = "";
  std::string path;
  if (!confirm_image_files(image, "no image??", 271, base, &path)) return;
  int border[5] = {0, 0, 0, 0, 0};
  if (command == GT_CMD_BORDER && !ask_border(owner, image, border)) return;
  gt_image_clear_modified(image);
  const int before = gt_get_num_img_windows();
  gt_unload_image();
  // The file may change only once no window holds it.
  if (gt_get_num_img_windows() >= before) {
    SLOG(kFn, SLOG_VALUE4, "image window still open");
    return;
  }
  gt_dismiss_all();
  io_delete_analysis_files(base);
  TK_OBJ status = gt_get_status_bar();
  mh_status_message(status, 1, "%s", ui_msg(162));
  gt_busy_begin();
  const int result = run_image_op(command, path.c_str(), border);
  SLOG(kFn, SLOG_VALUE4, "image operation %d: %d", command, result);
  if (result != IMGPROC_OK) mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
  mh_clear_status(status, 1);
  std::snprintf(gt_load_path, sizeof gt_load_path, "%s", path.c_str());
  const std::size_t slash = path.find_last_of('/');
  std::snprintf(gt_load_name, sizeof gt_load_name, "%s",
                path.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
  gt_load_image();
  gt_busy_end();
}

// Starts a guided run (Vrem Size: flag 1, Vrem Quantify: flag 2) on the current image. An image
// whose bands already have amounts loses its analysis, so the user is asked first. The run opens
// the quick help and then the image calibration window, its first step; the later steps send
// their commands back here and the last one ends the run.
void vrem_start(TK_OBJ owner, int command, IMAGE_REC* image) {
  if (image == nullptr) return;
  const bool size_run = command == GT_CMD_VREM_SIZE;
  if (gt_any_lane_value_set(image, 1, 1)) {
    if (mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(16)) != 2) {
      SLOG(kFn, SLOG_VALUE4, "%s", size_run ? "user says 'no' to Vrem Size Could Lose"
                                      : "user says 'no' to Vrem Quantify Could Lose");
      return;
    }
    gt_vrem_clean(image);
    image->modified = 1;
    gt_redraw_img(image);
    EVENT_Wait(0);
  }
  gt_vrem_run = size_run ? 1 : 2;
  qhelp_activate();
  im_calib_activate(owner);
}

// Copy Analysis: the lanes, bands and standards of another image of the same gel, carried onto
// the current image through the three multiplex markers of each. The other image's analysis is
// read and transformed in a record of its own; the current image's analysis changes only when
// the transform succeeds, so a failure leaves it (and its modified flags) as it was.
void copy_analysis(TK_OBJ owner, IMAGE_REC* image) {
  SLOG(kFn, SLOG_VALUE4, "Copy Analysis...");
  if (image == nullptr || image->img_ptr == nullptr) return;
  if (image->mark_pts[0][0] == -1) {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(170));
    SLOG(kFn, SLOG_VALUE4, "no multiplex markers");
    return;
  }
  if (image->has_bands == 1 && mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(16)) != 2) {
    SLOG(kFn, SLOG_VALUE4, "user says 'no' to replace band warning");
    return;
  }
  CONTROL* ctl = gt_get_control();
  char chosen[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(chosen, sizeof chosen, "Image...", ctl->folders[CTL_DIR_IMAGES],
                          CTL_PATH, nullptr, TRUE)) {
    SLOG(kFn, SLOG_VALUE4, "Copy image num_win32 0");
    return;
  }
  auto* other = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (other == nullptr) return;
  if (!gt_img_init(other)) {
    gt_img_free(other);
    return;
  }
  std::snprintf(other->file_path, sizeof other->file_path, "%s", chosen);
  const char* slash = std::strrchr(chosen, '/');
  std::snprintf(other->image_name, sizeof other->image_name, "%s", slash ? slash + 1 : chosen);
  int kept[3][2];
  std::memcpy(kept, image->mark_pts, sizeof kept);
  gt_busy_begin();
  // Only the analysis is read: positions are checked against the current image's own header.
  gt_read_and_prepare(chosen, nullptr, other);
  gt_set_image_ptr(image);  // reading a comment makes the record it reads into current
  TK_OBJ status = gt_get_status_bar();
  bool copied = false;
  if (other->mark_pts[0][0] == -1) {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(171));
  } else {
    mh_status_message(status, 1, "%s", gt_get_message(173));
    // The transform works on the current image's header, lookup and pixels.
    std::swap(other->img_info, image->img_info);
    std::swap(other->img_int_info, image->img_int_info);
    std::swap(other->img_ptr, image->img_ptr);
    const int result = gt_xform_analysis(other, kept);
    std::swap(other->img_info, image->img_info);
    std::swap(other->img_int_info, image->img_int_info);
    std::swap(other->img_ptr, image->img_ptr);
    if (result < 0) mh_send_msg(KS_ALERT_INFO, "%s", gt_get_message(172));
    else copied = true;
    mh_clear_status(status, 1);
  }
  if (copied) {
    // The current image takes the whole new analysis and keeps what makes it this image.
    std::swap(*image, *other);
    std::swap(image->file_path, other->file_path);
    std::swap(image->image_name, other->image_name);
    std::swap(image->img_info, other->img_info);
    std::swap(image->img_int_info, other->img_int_info);
    std::swap(image->img_ptr, other->img_ptr);
    std::swap(image->window, other->window);
    std::swap(image->draw_area, other->draw_area);
    std::memcpy(image->mark_pts, kept, sizeof kept);
    image->modified = 1;
  }
  gt_img_free(other);  // the old analysis after a copy, else the one that was read
  if (copied) {
    if (std::getenv("VX_NDI_BANDS") == nullptr) {
      gt_redraw_img(image);
      EVENT_Flush();
      gt_refd_bnd_activate(owner, image);
    } else {
      gt_set_sel_mode(SEL_LANES, RES_GetSub(RES_GetSub(owner, GT_MAIN_MODE_BAR), SEL_LANES));
      if (image->num_sel_lanes > 0) gt_xform_band_quantify(image);
      EVENT_Flush();
    }
  }
  gt_redraw_img(image);
  gt_busy_end();
}

// Resolution: the image's dots per inch, asked for and stored per axis.
void resolution(TK_OBJ owner, IMAGE_REC* image) {
  SLOG(kFn, SLOG_VALUE4, "Resolution...");
  if (image == nullptr || image->img_info == nullptr) return;
  if (!gt_confirm_when_lanes_alt(image)) return;
  IMG_INFO* info = image->img_info;
  double x_dpi = gt_resolution_dpi(info->x_res, info->x_scale);
  double y_dpi = gt_resolution_dpi(info->y_res, info->y_scale);
  int value = 100;
  if (ui_res_activate(owner, &x_dpi, &y_dpi, 0, info->width, info->height, 1, &value) != 1) return;
  if (gt_resolution_set(info, x_dpi, y_dpi)) image->modified = 1;
}

// Border: the border dialog, then the whole-file operation.
bool ask_border(TK_OBJ owner, IMAGE_REC* image, int border[5]) {
  const IMG_DATA* d = image->img_ptr;
  const int w = d ? d->img_width : 0, h = d ? d->img_height : 0;
  if (ui_edge_activate(owner, w, h, &border[0], &border[1], &border[2], &border[3],
                       &border[4]) != 1) {
    SLOG(kFn, SLOG_VALUE4, "user bails from ui_edge_activate");
    return false;
  }
  return true;
}

// Help: the user guide or the tutorial from the help folder, opened by the desktop.
int default_help_opener(const char* path);
GtHelpOpener s_help_opener = default_help_opener;

int default_help_opener(const char* path) {
  if (!io_file_exists(path)) return 2;
  pid_t pid = 0;
  char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(path), nullptr};
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return 31;
  // The opener hands the file to a viewer and ends; a failure shows as its exit status.
  for (int i = 0; i < 50; ++i) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 42 : 31;
    if (r < 0) return 42;
    usleep(100 * 1000);
  }
  return 42;  // still running: it is showing the file
}

void help(int command) {
  char dir[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  if (ks_get_inientry(KS_INI_HELP_DIR, &is_int, &value, dir) < 0 || dir[0] == '\0') {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(136));
    SLOG(kFn, SLOG_VALUE4, "no HelpDir");
    return;
  }
  std::string path = dir;
  if (path.back() != '/') path += '/';
  path += command == GT_CMD_HELP_TUTORIAL ? "VX_Tutorial.chm" : "VX_User_Guide.chm";
  const int result = s_help_opener(path.c_str());
  SLOG(kFn, SLOG_VALUE4, "ShellExecute iresult %d", result);
  if (result < 33) mh_send_msg(KS_ALERT_ERROR, "help error code: %d", result);
}

// Cascade, Tile and Arrange Icons: the workspace arranges the image windows.
void arrange(int command) {
  if (gt_get_num_img_windows() == 0) {
    SLOG(kFn, SLOG_VALUE4, "no images loaded");
    return;
  }
  TK_OBJ ws = gt_get_workspace();
  if (command == GT_CMD_CASCADE) WS_Cascade(ws);
  else if (command == GT_CMD_TILE) WS_Tile(ws);
  else WS_ArrangeIcons(ws);
  EVENT_Flush();
  gt_refresh_scroll_bars();
}

bool has_bands(const IMAGE_REC* image) {
  return image != nullptr && image->bands != nullptr && image->bands->next != nullptr;
}

// The band reports of the open images: Selected Bands at once, Selected Lanes and Active
// Image after the report parameters.
void band_report(TK_OBJ win, int command, IMAGE_REC* image) {
  if (!has_bands(image)) return;
  if (command != GT_CMD_REPORT_SEL_BANDS && !gt_rparm_activate(win, 0)) {
    SLOG(kFn, SLOG_VALUE4, "gt_rparm_activate FALSE");
    return;
  }
  const int type = command == GT_CMD_REPORT_SEL_BANDS ? REP_SEL_BANDS
                   : command == GT_CMD_REPORT_SEL_LANES ? REP_SEL_LANES
                                                        : REP_ACTIVE_IMAGE;
  band_rep_activate(type, nullptr, {});
}

// The images of a command over a list of images: the image list file of the control record,
// or (with read_names) its image-name and lane-number file, whose records come back in *names,
// or else the user's picks: the images chosen, or with to_folder every image of a folder
// chosen. False when there is none.
bool images_to_list(std::vector<std::string>* paths, GtImgNameList* names, bool read_names = true,
                    int to_folder = 0) {
  const CONTROL* ctl = gt_get_control();
  paths->clear();
  *names = GtImgNameList{};
  const std::string title = ctl->lane_sel_file[0] == '\0'
                                ? std::string("Select Image(s)... (Sel File: <none>)")
                                : "Select Image(s)... (Sel File: <" + std::string(ctl->lane_sel_file) + ">)";
  if (ctl->image_list_file[0] != '\0') {
    SLOG(kFn, SLOG_VALUE4, "match_img_list_file <%s>", ctl->image_list_file);
    gt_read_image_list(ctl->image_list_file, paths);
  }
  if (read_names && ctl->imgname_list_file[0] != '\0') {
    SLOG(kFn, SLOG_VALUE4, "imgname_lanenum_file <%s>", ctl->imgname_list_file);
    if (gt_read_imgname_list(ctl->imgname_list_file, ctl->folders[CTL_DIR_IMAGES], names) > 0)
      *paths = names->images;
    SLOG(kFn, SLOG_VALUE4, "num_img %d, num_entry %d", int(names->images.size()),
         names->num_records());
  }
  if (paths->empty() && !to_folder) {
    char** list = nullptr;
    const int n = io_win32_filelist(&list, title.c_str(), ctl->folders[CTL_DIR_IMAGES], "",
                                    KS_KES_FILTER, 0, TRUE, TRUE, TRUE, nullptr);
    if (n > 0) paths->assign(list, list + n);
    if (list) ks_freelist_msg(reinterpret_cast<void**>(list), n);
  } else if (paths->empty()) {
    static std::string s_match_folder;
    if (s_match_folder.empty()) s_match_folder = ctl->folders[CTL_DIR_IMAGES];
    char* folder = io_dirname_new(s_match_folder.c_str(), "Select a Folder to Match Againt...");
    if (folder == nullptr) {
      SLOG(kFn, SLOG_VALUE4, "user cancels 'Select Folder'");
      return false;
    }
    s_match_folder = folder;
    char** list = nullptr;
    const int n = io_folder_filelist(&list, folder, "*.kes");
    ks_free(folder);
    SLOG(kFn, SLOG_VALUE4, "#%d files in folder", n);
    if (n > 0) paths->assign(list, list + n);
    if (list) ks_freelist_msg(reinterpret_cast<void**>(list), n);
  }
  if (paths->empty()) {
    SLOG(kFn, SLOG_VALUE4, "num_img 0");
    return false;
  }
  return true;
}

// All Lanes: the report parameters, then the images to report.
void all_lanes_report(TK_OBJ win) {
  const CONTROL* ctl = gt_get_control();
  SLOG(kFn, SLOG_VALUE4, "All Lanes: loc_images <%s>", ctl->folders[CTL_DIR_IMAGES]);
  if (!gt_rparm_activate(win, 1)) {
    SLOG(kFn, SLOG_VALUE4, "gt_rparm_activate FALSE");
    return;
  }
  SLOG(kFn, SLOG_VALUE4, "bMatchToFolder %d, loc_images <%s>", 0, ctl->folders[CTL_DIR_IMAGES]);
  std::vector<std::string> paths;
  GtImgNameList names;
  if (!images_to_list(&paths, &names)) return;
  band_rep_activate(REP_ALL_LANES, nullptr, paths);
}

// Lane names from a file: the file is picked in the lane-name dialog, its names go into the
// lanes of the images it lists, open or not, and each image is saved.
void lane_names_from_file(TK_OBJ win) {
  if (!gt_lanename_activate(win)) {
    SLOG(kFn, SLOG_VALUE4, "lanename_activate FALSE");
    return;
  }
  const CONTROL* ctl = gt_get_control();
  if (ctl->imgname_lanename_file[0] == '\0') return;
  GtImgNameList names;
  gt_read_imgname_lanename(ctl->imgname_lanename_file, ctl->folders[CTL_DIR_IMAGES], &names);
  SLOG(kFn, SLOG_VALUE4, "num_img %d, num_entry %d", int(names.images.size()), names.num_records());
  std::vector<LaneNameEntry> entries;
  for (int r = 0; r < names.num_records(); ++r)
    entries.push_back(LaneNameEntry{names.image_index[size_t(r)], int(names.lane_numbers[size_t(r)]),
                                    names.lane_names[size_t(r)]});
  gt_busy_begin();
  lanename_activate(names.images, entries, gt_open_images());
  gt_busy_end();
  mh_clear_status(gt_get_status_bar(), 1);
}

// The start of a match over a list of images: the match parameters (round robin for the
// all-lanes match), then the images. False when the user stops or there is no image.
bool match_parameters_and_images(TK_OBJ win, int round_robin, bool read_names,
                                 std::vector<std::string>* paths, GtImgNameList* names) {
  int to_folder = 0;
  if (!gt_mparm_activate(win, 1, round_robin, &to_folder)) {
    SLOG(kFn, SLOG_VALUE4, "gt_mparm_activate FALSE");
    return false;
  }
  SLOG(kFn, SLOG_VALUE4, "bMatchToFolder %d, loc_images <%s>", to_folder,
       gt_get_control()->folders[CTL_DIR_IMAGES]);
  return images_to_list(paths, names, read_names, to_folder);
}

// Match All Lanes and Match To Selected Lane: the match parameters, the images, the match.
void match_over_list(TK_OBJ win, int command, IMAGE_REC* image) {
  std::vector<std::string> paths;
  GtImgNameList names;
  const bool all = command == GT_CMD_MATCH_ALL_LANES;
  if (!match_parameters_and_images(win, all ? 1 : 0, all, &paths, &names)) return;
  CONTROL* ctl = gt_get_control();
  if (all)
    wr_prepare_and_match_all_lanes(ctl, win, gt_open_images(), paths, names.image_index,
                                   names.lane_numbers);
  else
    wr_prepare_and_match(image, ctl, paths, win, gt_open_images());
}

// Add in lane mode and Define: the lane-definition dialog, then the lane tool it chose.
void define_lanes(TK_OBJ owner, IMAGE_REC* image) {
  const int mode = gt_fd_lane_info_activate(owner, image);
  if (mode < 0) {
    gt_vrem_end();
    return;
  }
  if (mode > 2) return;
  image->modified = 1;
  gt_get_control()->lanes_hidden = 0;
  if (mode == 1) gt_def_ln_activate(owner);
  else gt_fd_ln_activate(owner);
  gt_set_state(mode == 0 ? TS_FIND_LANES_AUTO : mode == 1 ? TS_DEFINE_LANES : TS_FIND_LANES_EVEN);
}

// The band and lane commands on the current image (the gate has passed). False when the
// command is not one of them.
bool band_command(TK_OBJ win, int command, IMAGE_REC* image) {
  if (image == nullptr) {
    // Without an image a band command has nothing to act on and ends here; every other command
    // (the recent files above all) is not this routine's.
    static const int kBandCommands[] = {
        GT_CMD_ADD, GT_CMD_DEFINE_LANES, GT_CMD_DELETE, GT_CMD_EDIT_BANDS, GT_CMD_SELECT_ALL,
        GT_CMD_DESELECT_ALL, GT_CMD_BAND_INFO, GT_CMD_NORM_LANE, GT_CMD_NORM_IMAGE,
        GT_CMD_MARK_ACTIVE, GT_CMD_MARK_INACTIVE, GT_CMD_QUANTIFY, GT_CMD_MARK_AXES,
        GT_CMD_MARK_BOUNDS, GT_CMD_COPY_BOUNDS, GT_CMD_LANE_BOUNDARIES, GT_CMD_RENUMBER,
        GT_CMD_CLEAR_NORM, GT_CMD_FIND_BANDS};
    for (int c : kBandCommands)
      if (command == c) return true;
    return false;
  }
  CONTROL* ctl = gt_get_control();
  TK_OBJ area = static_cast<TK_OBJ>(image->draw_area);
  const bool bands = image->has_bands == 1;
  const bool some = bands && image->num_sel_bands > 0;
  switch (command) {
    case GT_CMD_ADD:
      if (ctl->sel_mode == SEL_LANES) {
        define_lanes(win, image);
      } else if (ctl->sel_mode == SEL_BANDS && bands) {
        gt_ad_bnd_activate(win);
        gt_set_state(TS_ADD_BAND);
      } else if (ctl->sel_mode == SEL_SIZE_STDS && bands) {
        gt_std_size_config_activate(win);
      } else if (ctl->sel_mode == SEL_CONC_STDS && bands) {
        gt_std_conc_config_activate(win);
      }
      return true;
    case GT_CMD_DEFINE_LANES: define_lanes(win, image); return true;
    case GT_CMD_MODIFY_STDS_LINE:
      // One selected row of size standards gives the line.
      if (bands && ctl->sel_mode == SEL_SIZE_STDS && image->num_sel_size2 == 1) gt_std_modify_line(win, image);
      return true;
    case GT_CMD_DELETE: {
      const int mode = ctl->sel_mode;
      if (!bands) return true;
      if (mode == SEL_BANDS && image->num_sel_bands == 0) return true;
      if (mode == SEL_LANES && (image->num_sel_lanes == 0 ||
                                mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(24)) != 2))
        return true;
      if (mode == SEL_SIZE_STDS && (image->num_sel_size == 0 && image->num_sel_size2 == 0)) return true;
      if (mode == SEL_CONC_STDS && image->num_sel_conc == 0) return true;
      if ((mode == SEL_SIZE_STDS || mode == SEL_CONC_STDS) &&
          mh_send_msg(KS_ALERT_YESNO, "%s", ui_msg(2)) != 2)
        return true;
      gt_band_delete_selected(image, mode);
      if (mode == SEL_BANDS) gt_band_renumber_all();
      return true;
    }
    case GT_CMD_EDIT_BANDS:
      if (!bands) return true;
      gt_deselect_all(area, image);
      gt_ed_bnd_activate(win);
      gt_set_state(TS_EDIT_BAND);
      return true;
    case GT_CMD_SELECT_ALL: if (bands) gt_select_all(area, image); return true;
    case GT_CMD_DESELECT_ALL: if (bands) gt_deselect_all(area, image); return true;
    case GT_CMD_BAND_INFO: if (some) gt_band_information(win, image); return true;
    case GT_CMD_NORM_LANE: if (some) gt_band_norm_lane(image); return true;
    case GT_CMD_NORM_IMAGE:
      if (some) gt_band_norm_image(image);
      gt_redraw_img(image);
      return true;
    case GT_CMD_MARK_ACTIVE: case GT_CMD_MARK_INACTIVE:
      gt_band_mark_active(image->bands, command == GT_CMD_MARK_ACTIVE ? 0 : 1);
      gt_redraw_img(image);
      return true;
    case GT_CMD_QUANTIFY:
      if (!bands) return true;
      if (ctl->sel_mode == SEL_LANES) {
        if (image->num_sel_lanes > 0) gt_band_quantify(image, 1);
      } else if (image->num_sel_bands > 0) {
        gt_band_quantify(image, 0);
      }
      return true;
    case GT_CMD_MARK_AXES: case GT_CMD_MARK_BOUNDS:
      if (!bands || image->num_sel_bands != 1) return true;
      if (command == GT_CMD_MARK_AXES) gt_band_mark_axes(win, image);
      else gt_band_mark_bounds(win, image);
      gt_redraw_img(image);
      return true;
    case GT_CMD_COPY_BOUNDS:
      if (!some) return true;
      for (SPOT* b = image->bands->next; b; b = b->next)
        if ((b->f2 & SP_F2_SELECTED) && ((b->f1 & SP_F1_TYPE_MASK) == 0 || (b->f1 & SP_F1_QUANT_FAILED))) {
          SLOG(kFn, SLOG_VALUE4, "bad bound pt, bail");
          return true;
        }
      gt_band_copy_bounds(win, image);
      return true;
    case GT_CMD_FIND_BANDS:
      if (!bands) return true;
      if (gt_any_lane_value_set(image, 1, 0) &&
          mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(17)) != 2) {
        SLOG(kFn, SLOG_VALUE4, "user says 'no' to could_lose");
        return true;
      }
      gt_refd_bnd_activate(win, image);
      return true;
    case GT_CMD_LANE_BOUNDARIES:
      if (!bands) return true;
      if (gt_any_lane_value_set(image, 1, 0) &&
          mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(17)) != 2)
        return true;
      gt_band_lane_bounds(win, image);
      return true;
    case GT_CMD_RENUMBER:
      if (!bands) return true;
      gt_lane_renumber(image, mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(93)) == 2 ? 1 : 0);
      gt_redraw_img(image);
      return true;
    case GT_CMD_LANE_BACKGROUND: gt_land_bkgd_activate(win); return true;
    case GT_CMD_LANE_NAME: gt_lane_name(win, image); return true;
    case GT_CMD_LANE_COMMENTS: gt_lane_comments(win, image); return true;
    case GT_CMD_MULTIPLEX_MARKERS:
      gt_multi_activate(win);
      gt_set_state(TS_MULTIPLEX_MARKERS);
      return true;
    case GT_CMD_COPY_LANES: case GT_CMD_COPY_LANES_BOUNDS:
      // Both entries start the same tool; no band bounds are copied.
      gt_copy_lanes_and_bands(win, image, command == GT_CMD_COPY_LANES_BOUNDS ? 1 : 0);
      return true;
    case GT_CMD_CLEAR_NORM:
      if (!bands) return true;
      gt_band_clear_norm(image);
      gt_redraw_img(image);
      return true;
    default:
      return false;
  }
}

// The open image windows, in window order.
std::vector<TK_OBJ> image_windows() {
  std::vector<TK_OBJ> wins;
  for (int i = 0; i < gt_get_num_img_windows(); ++i) wins.push_back(gt_get_img_window(i));
  return wins;
}

// Create Reference: the destination, then the selected lanes side by side (lanes mode) or the
// reference lane from the selected bands; the new image is opened when it was made.
void create_reference(IMAGE_REC* image) {
  CONTROL* ctl = gt_get_control();
  if (ctl->sel_mode == SEL_BANDS && (!image || image->num_sel_bands <= 0)) return;
  char path[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(path, sizeof path, "Destination image...", ctl->folders[CTL_DIR_IMAGES],
                          sizeof ctl->folders[CTL_DIR_IMAGES], "", FALSE)) {
    mh_clear_status(gt_get_status_bar(), 1);
    SLOG(kFn, SLOG_VALUE4, "user cancels Dest image selection");
    return;
  }
  if (io_file_exists(path)) {
    if (gt_image_is_loaded(path, 0)) {
      SLOG(kFn, SLOG_VALUE4, "can't overwrite loaded image");
      return;
    }
    const char* slash = std::strrchr(path, '/');
    if (mh_send_msg(KS_ALERT_YESNO, ui_msg(270), slash ? slash + 1 : path) != 2) return;
    if (io_is_locked(path) && mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(53)) != 2) return;
    const std::string base(path, std::strlen(path) - (std::strlen(path) > 4 ? 4 : 0));
    io_delete_files(base.c_str());
    std::remove(path);
  }
  const std::vector<TK_OBJ> wins = image_windows();
  gt_busy_begin();
  if (ctl->sel_mode == SEL_LANES) {
    gt_create_image(wins.data(), static_cast<int>(wins.size()), path);
  } else if (gt_create_lane(path, wins.data(), static_cast<int>(wins.size())) == -1) {
    gt_busy_end();
    SLOG(kFn, SLOG_VALUE4, "cannot create new lane");
    return;
  }
  gt_busy_end();
  gt_load_image_path(path);
}

// Match To Selected Bands: the match parameters and the images, then a reference lane made
// from the selected bands in a temporary image, matched against them; the temporary image's
// files go again afterwards.
void match_to_bands(TK_OBJ win) {
  std::vector<std::string> paths;
  GtImgNameList names;
  if (!match_parameters_and_images(win, 0, false, &paths, &names)) return;
  CONTROL* ctl = gt_get_control();
  char temp[KS_PATH_LEN] = "";
  if (io_temp_filename(temp) < 0) return;
  const std::string base = io_base_name(temp);
  const std::string path = base + ".kes";
  io_delete_files(base.c_str());
  io_delete(path.c_str());
  const std::vector<TK_OBJ> windows = image_windows();
  gt_busy_begin();
  const int made = gt_create_lane(path.c_str(), windows.data(), static_cast<int>(windows.size()));
  gt_busy_end();
  if (made == -1) {
    SLOG(kFn, SLOG_VALUE4, "cannot create lane image");
  } else {
    wr_prepare_and_match_to_sel_bands(path.c_str(), ctl, paths, win, gt_open_images());
  }
  io_delete_files(base.c_str());
  io_delete(path.c_str());
  io_delete(temp);  // the name's placeholder
}

// Old Lane Labels: the dialog, then the images to collect lane values from.
void old_labels(TK_OBJ win) {
  int to_folder = 0;
  if (!gt_oldlabels_activate(win, nullptr, nullptr, &to_folder)) return;
  char** list = nullptr;
  const int n = io_win32_filelist(&list, "Collect Lane Values from...",
                                  gt_get_control()->folders[CTL_DIR_IMAGES], "", KS_KES_FILTER, 0,
                                  TRUE, TRUE, TRUE, nullptr);
  SLOG(kFn, SLOG_VALUE4, "num_img %d", n);
  if (n > 0) ks_freelist_msg(reinterpret_cast<void**>(list), n);
}

// Lane categories: the report's switches, then the images to report.
void lane_categories_report(TK_OBJ win) {
  if (!replc_parm_activate(win)) return;
  const CONTROL* ctl = gt_get_control();
  char** list = nullptr;
  const int n = io_win32_filelist(&list, "Select Image(s)... (Sel File: <none>)",
                                  ctl->folders[CTL_DIR_IMAGES], "", KS_KES_FILTER, 0, TRUE, TRUE,
                                  TRUE, nullptr);
  if (n <= 0) {
    SLOG(kFn, SLOG_VALUE4, "io_win32_filelist no files selected");
    return;
  }
  std::vector<std::string> paths(list, list + n);
  ks_freelist_msg(reinterpret_cast<void**>(list), n);
  replc_activate(paths);
}

void refresh_all() {
  for (int i = 0; i < gt_get_num_img_windows(); ++i)
    gt_redraw_img(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
}

}  // namespace

int main_winNfySelMenuBar(TK_OBJ win, int command) {
  if (command == 0) command = static_cast<int>(EVENT_GetMenuId());
  s_last_command = command;
  SLOG("main_winNfySelMenuBar", SLOG_ENTRY, "command %d", command);
  if (!gate_allows(command)) return 0;
  s_last_run = command;
  if (!built(command)) {
    SLOG(kFn, SLOG_VALUE4, "command %d not served", command);
    return 0;
  }
  CONTROL* ctl = gt_get_control();
  IMAGE_REC* image = gt_get_image_ptr();
  switch (command) {
    case GT_CMD_OPEN: gt_get_image(); break;
    case GT_CMD_CLOSE: gt_unload_image(); break;  // asks about the image's changes itself
    case GT_CMD_CLOSE_ALL:
      if (!gt_save_ok_to_continue("Close All", nullptr, 0)) return 0;
      gt_unload_all();
      gt_dismiss_all();
      break;
    case GT_CMD_SAVE: save_if_modified(image); break;
    case GT_CMD_SAVE_ALL:
      // A failed write keeps that image's changes marked; the others are still saved.
      for (int i = 0; i < gt_get_num_img_windows(); ++i)
        save_if_modified(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
      break;
    case GT_CMD_DELETE_IMAGE: delete_image(image); break;
    case GT_CMD_QUIT: quit(win); break;
    case GT_CMD_ABOUT: gt_info_activate(); break;
    case GT_CMD_HELP: case GT_CMD_HELP_GUIDE: case GT_CMD_HELP_TUTORIAL:
      SLOG(kFn, SLOG_VALUE4, "Help, id %d", command);
      help(command);
      break;
    case GT_CMD_ANNOTATION:
      SLOG(kFn, SLOG_VALUE4, "Annotation...");
      ctl->lanes_hidden = ctl->lanes_hidden == 0 ? 1 : 0;
      gt_redraw_img(image);
      break;
    case GT_CMD_CASCADE: case GT_CMD_TILE: case GT_CMD_ARRANGE_ICONS: arrange(command); break;
    case GT_CMD_REFRESH: refresh_all(); break;
    case GT_CMD_PAGE_SETUP: ui_page_setup_activate(win); break;
    case GT_CMD_PRINT_PHOTO: gt_print_photo_activate(); break;
    case GT_CMD_PRINT_IMAGE: case GT_CMD_PRINT_WINDOW: {
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
      break;
    }
    case GT_CMD_CROP: case GT_CMD_SLICE: case GT_CMD_SURFACE_PLOT: case GT_CMD_HISTOGRAM:
    case GT_CMD_ILLUSTRATOR: {
      TK_OBJ area;
      if (!current_canvas(&image, &area)) return 0;
      if (command == GT_CMD_CROP)
        ui_tools_activate(win, area, UI_TOOL_CROP, gt_finish_crop, image->img_ptr, nullptr);
      else if (command == GT_CMD_ILLUSTRATOR)
        ui_tools_activate(win, area, UI_TOOL_ANNOTATE, nullptr, image->img_ptr, nullptr);
      else
        ui_tools_activate(win, area, command - GT_CMD_SLICE + UI_TOOL_SLICE, nullptr,
                          image->img_ptr, ctl->folders[CTL_DIR_REPORTS]);
      break;
    }
    case GT_CMD_DTOOL: {
      if (!image) return 0;
      // The boundaries file and its switch last the run; the rest comes from the image.
      static DT_INFO info{};
      const IMG_INFO* ii = image->img_info;
      info.size_digits = image->size_digits;
      info.min_top_band_thick = image->min_top_band_thick;
      info.min_bot_band_thick = image->min_bot_band_thick;
      info.band_threshold = image->band_threshold;
      info.min_value = ii ? ii->min_value : 0;
      info.max_value = ii ? ii->max_value : 255;
      info.size_stds = image->size_stdp;
      info.lookup = image->img_int_info;
      info.y_res = ii ? ii->y_res : 1;
      info.y_scale = ii ? ii->y_scale : 0;
      info.lanes = image->lanes;
      info.draw_area = static_cast<TK_OBJ>(image->draw_area);
      std::snprintf(info.image_name, sizeof info.image_name, "%s", image->image_name);
      std::snprintf(info.image_path, sizeof info.image_path, "%s", image->file_path);
      std::snprintf(info.size_unit, sizeof info.size_unit, "%s", ctl->size_unit[0] ? ctl->size_unit : "bp");
      info.iBackAngle = ctl->iBackAngle;
      info.iLaneWidth = ctl->iLaneWidth > 0 ? ctl->iLaneWidth : 100;
      info.bLowest = ctl->DTOOL_bLowestPts;
      info.bBandSize = ctl->DTOOL_bBandSize;
      if (gt_dtool_activate(&info, ctl->folders[CTL_DIR_REPORTS])) {
        ctl->DTOOL_bLowestPts = info.bLowest;
        ctl->DTOOL_bBandSize = info.bBandSize;
        ctl->iBackAngle = info.iBackAngle;
        ctl->iLaneWidth = info.iLaneWidth;
      }
      gt_redraw_img(image);
      break;
    }
    case GT_CMD_IMPORT_TIFF: case GT_CMD_IMPORT_FUJI: case GT_CMD_IMPORT_JPEG:
    case GT_CMD_IMPORT_BITMAP: {
      BOOL (*const imports[])() = {gt_get_tiff, gt_get_fuji, gt_get_jpeg, gt_get_bitmap};
      if (imports[command - GT_CMD_IMPORT_TIFF]()) gt_load_image();
      break;
    }
    case GT_CMD_SELECT_TWAIN: case GT_CMD_ACQUIRE_TWAIN: case GT_CMD_ACQUIRE_SCANNER:
    case GT_CMD_ACQUIRE_CAMERA:
      acq_run_command(win, command);
      break;
    case GT_CMD_EQUALIZE: equalize(); break;
    case GT_CMD_CALIBRATE:
      if (image) im_calib_activate(win);
      break;
    case GT_CMD_VREM_SIZE: case GT_CMD_VREM_QUANTIFY: vrem_start(win, command, image); break;
    case GT_CMD_INVERT: case GT_CMD_FILTER: case GT_CMD_ROTATE_90: case GT_CMD_ROTATE_270:
    case GT_CMD_FLIP_TOP: case GT_CMD_FLIP_SIDE: case GT_CMD_BORDER:
      image_op(win, command, image);
      break;
    case GT_CMD_RESOLUTION: resolution(win, image); break;
    case GT_CMD_COPY_ANALYSIS: copy_analysis(win, image); break;
    case GT_CMD_SAVE_AS: case GT_CMD_EXPORT_IMAGE: {
      TK_OBJ area;
      if (!current_canvas(&image, &area)) return 0;
      char path[KS_PATH_LEN] = "";
      // Save As moves the open image to the new path itself (window title and lock included),
      // so it is not opened a second time.
      const BOOL done = gt_save_as_activate(area, command == GT_CMD_SAVE_AS ? 0 : 1, path);
      SLOG(kFn, SLOG_VALUE4, "save as/export %d <%s>", done, path);
      break;
    }
    case GT_CMD_EXPORT_FOLDER: gt_export_folder(win); break;
    case GT_CMD_GEN_INFO_FILE: {
      if (!image) break;
      char path[KS_PATH_LEN] = "";
      if (!io_win32_singlefile(path, sizeof path, "Generate a Lane Info file...",
                               ctl->folders[CTL_DIR_LANEINFO], "",
                               "Lane Info Files (*.inf)\0*.inf\0", ".inf", TRUE, FALSE))
        break;
      // An existing file is replaced only once the new one is wholly written.
      if (io_file_exists(path) && mh_send_msg(KS_ALERT_YESNO, ui_msg(270), path) != 2) {
        SLOG(kFn, SLOG_VALUE4, "user says 'no' to overwrite lane info file");
        break;
      }
      ln_info_write(image, path);
      break;
    }
    case GT_CMD_IMPORT_MATRIX: {
      char path[KS_PATH_LEN] = "";
      if (io_win32_singlefile(path, sizeof path, "Open matrix file ...",
                              ctl->folders[CTL_DIR_REPORTS], "", "Matrix Files (*.csv)\0*.csv\0",
                              ".csv", TRUE, TRUE))
        matr_launch_velto(path);
      break;
    }
    case GT_CMD_REPORT_SEL_BANDS: case GT_CMD_REPORT_SEL_LANES: case GT_CMD_REPORT_ACTIVE_IMAGE:
      band_report(win, command, image);
      break;
    case GT_CMD_REPORT_ALL_LANES: all_lanes_report(win); break;
    case GT_CMD_REPORT_LANE_PROFILE:
      if (!has_bands(image) || image->num_sel_lanes <= 0) break;
      gt_busy_begin();
      gt_lane_profile_activate(win);
      gt_busy_end();
      break;
    case GT_CMD_REPORT_HB_FRACTIONS: case GT_CMD_REPORT_PROTEIN_FRACTIONS:
      if (!has_bands(image) || image->num_sel_lanes != 1) break;
      gt_busy_begin();
      gt_lane_fractions_activate(win, image, command == GT_CMD_REPORT_HB_FRACTIONS ? 1 : 0);
      gt_busy_end();
      break;
    case GT_CMD_SIZE_CURVE: case GT_CMD_CONC_CURVE: {
      if (!has_bands(image)) break;
      gt_busy_begin();
      if (command == GT_CMD_CONC_CURVE) {
        if (image->conc_stdp && *image->conc_stdp && (*image->conc_stdp)->count > 0)
          gt_std_fit_activate(win, image, GT_STD_FIT_CONC);
      } else if (image->size_stdp && image->size_stdp[0] && image->size_stdp[0]->count > 0 &&
                 image->num_sel_lanes == 1) {
        gt_std_fit_activate(win, image, GT_STD_FIT_SIZE);
      }
      gt_busy_end();
      break;
    }
    case GT_CMD_REPORT_LANE_MAP:
      gt_busy_begin();
      lmap_from_sel_lanes();
      gt_busy_end();
      break;
    case GT_CMD_LANE_NAME_FILE: lane_names_from_file(win); break;
    case GT_CMD_MATCH_ALL_LANES: case GT_CMD_MATCH_TO_LANE:
      match_over_list(win, command, image);
      break;
    case GT_CMD_MATCH_TO_BANDS: match_to_bands(win); break;
    case GT_CMD_MATCH_SEL_LANES: {
      int to_folder = 0;
      if (!gt_mparm_activate(win, 0, 1, &to_folder)) {
        SLOG(kFn, SLOG_VALUE4, "gt_mparm_activate FALSE");
        break;
      }
      wr_prepare_and_match_sel_lanes(ctl, win, gt_open_images());
      break;
    }
    case GT_CMD_REPORT_IMAGE_INFO: img_rep_activate(image); break;
    case GT_CMD_REPORT_LANE_CATEGORIES: lane_categories_report(win); break;
    case GT_CMD_ENHANCE_DISPLAY: {
      const std::vector<TK_OBJ> wins = image_windows();
      gt_enh_disp_activate(wins.data(), static_cast<int>(wins.size()));
      break;
    }
    case GT_CMD_ASSIGN_CATEGORIES:
      if (!image) break;
      if (image->num_sel_lanes == 0) {
        mh_send_msg(KS_ALERT_ERROR, "%s", "There aren't any selected lanes");
        break;
      }
      gt_asn_cat_activate(win, image);
      break;
    case GT_CMD_CREATE_REFERENCE: create_reference(image); break;
    case GT_CMD_OLD_LABELS: case GT_CMD_OLD_LABELS_2: old_labels(win); break;
    case GT_CMD_LABEL_VALUES:
      if (has_bands(image)) gt_lane_chars(win, image);
      break;
    case GT_CMD_LABEL_CATEGORIES: gt_crt_cat_activate(win); break;
    case GT_CMD_SELECTION_FILES: gt_ctr_sel_activate(win); break;
    case GT_CMD_STD_SETS: gt_crt_std_activate(win); break;
    case GT_CMD_COMPARE_BANDS:
      if (has_bands(image)) compare_activate();
      break;
    case GT_CMD_PREFERENCES:
      SLOG(kFn, SLOG_VALUE4, "Preferences...");
      prefs_activate(win, ctl);
      // Every image window shows the settings now in force.
      main_winNfySelMenuBar(win, GT_CMD_REFRESH);
      break;
    default:
      if (band_command(win, command, image)) {
        break;
      } else if (is_zoom(command)) {
        zoom(command);
      } else if (is_window_entry(command)) {
        if (gt_may_change_image()) gt_raise_image_window(command);
      } else if (is_recent(command)) {
        const char* path = ctl->recent[command - GT_RECENT_FIRST_ID];
        if (path[0] != '\0' && !gt_image_is_loaded(path, 1)) gt_load_image_path(path);
      }
      break;
  }
  return 0;
}

int gt_dispatch_last_command() { return s_last_command; }
int gt_dispatch_last_run() { return s_last_run; }

bool gt_command_built(int command) { return built(command); }

void gt_set_help_opener(GtHelpOpener opener) {
  s_help_opener = opener ? opener : default_help_opener;
}

long S_gt_main_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_CREATE) {
    // The desktop's shutdown asks about unsaved images as the close box does.
    WIN_DefaultNfy(win, event);
    TK_SetShutdownHook(gt_prog_mgr_exit);
    return WIN_DefaultNfy(win, event);
  }
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
