// The Image menu's commands: the whole-file operations (invert, filter, border, rotations and
// flips), Crop, Calibrate, Equalize, Resolution, Comments and the Illustrator.
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

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
#include "engine/full_pixels.h"
#include "engine/pixel_guard.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/img_list.h"
#include "io/imgproc.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "shell/gt_whole_file.h"
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

// The whole-file image operation of the command on the image's files.
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

// Border: the border dialog, then the whole-file operation.
bool ask_border(TK_OBJ owner, IMAGE_REC* image, int border[5]) {
  const IMG_DATA* d = image->img_ptr;
  const int w = d ? d->img_width : 0, h = d ? d->img_height : 0;
  if (ui_edge_activate(owner, w, h, &border[0], &border[1], &border[2], &border[3],
                       &border[4]) != 1) {
    SLOG(kCmdTrace, SLOG_VALUE4, "user bails from ui_edge_activate");
    return false;
  }
  return true;
}

}  // namespace

// The one sequence of every whole-file operation. The pixels must be there before anything
// changes; the operation then writes the new pixels and info file beside the old ones and puts
// them in place together, while the image's window still shows the old ones (its kept pixels
// stay valid, as the old file is replaced, not rewritten). Only once the new pixels are in
// place does the window close, the analysis go and the image open again; a failure leaves the
// window, the analysis in it and its files as they were.
void cmd_image_op(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  const int command = call.command;
  char base[KS_PATH_LEN] = "";
  std::string path;
  if (!cmd_confirm_image_files(image, "no image??", gt_whole_file_question(image), base, &path)) return;
  int border[5] = {0, 0, 0, 0, 0};
  if (command == GT_CMD_BORDER && !ask_border(call.win, image, border)) return;
  {
    PixelGuard guard(image);
    if (!guard.ready() || guard.undo_if_lost()) {
      SLOG(kCmdTrace, SLOG_VALUE4, "pixels of <%s> lost", path.c_str());
      return;
    }
  }
  TK_OBJ status = gt_get_status_bar();
  mh_status_message(status, 1, "%s", ui_msg(162));
  gt_busy_begin();
  const int result = run_image_op(command, path.c_str(), border);
  SLOG(kCmdTrace, SLOG_VALUE4, "image operation %d: %d", command, result);
  mh_clear_status(status, 1);
  if (result != IMGPROC_OK) {
    gt_busy_end();
    // Pixels that could not be read are what the user hears of (the check tells); otherwise
    // the new file could not be written.
    LnPixels source(path.c_str());
    if (source.readable()) mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    return;
  }
  gt_image_clear_modified(image);
  gt_unload_image();
  gt_dismiss_all();
  io_delete_analysis_files(base);
  std::snprintf(gt_load_path, sizeof gt_load_path, "%s", path.c_str());
  const std::size_t slash = path.find_last_of('/');
  std::snprintf(gt_load_name, sizeof gt_load_name, "%s",
                path.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
  gt_load_image();
  gt_busy_end();
}

void cmd_crop(const CmdCall& call) {
  IMAGE_REC* image = nullptr;
  TK_OBJ area;
  if (!cmd_current_canvas(&image, &area)) return;
  ui_tools_activate(call.win, area, UI_TOOL_CROP, gt_finish_crop, image->img_ptr, nullptr);
}

void cmd_illustrator(const CmdCall& call) {
  IMAGE_REC* image = nullptr;
  TK_OBJ area;
  if (!cmd_current_canvas(&image, &area)) return;
  ui_tools_activate(call.win, area, UI_TOOL_ANNOTATE, nullptr, image->img_ptr, nullptr);
}

// Calibrate: an image with lanes asks first, since calibrating changes what they measure.
void cmd_calibrate(const CmdCall& call) {
  if (!call.image || !gt_confirm_when_lanes(call.image)) return;
  im_calib_activate(call.win);
}

// Equalize: the user confirms, picks the equalising image; the image's window closes, the file
// is corrected, its analysis files go only when the pixels were replaced, and it opens again.
void cmd_equalize(const CmdCall& call) {
  IMAGE_REC* image = gt_get_image_ptr();
  if (!image) return;
  if (mh_send_msg(KS_ALERT_YESNO, ks_gt_message(59), image->image_name) != 2) return;
  CONTROL* ctl = call.ctl;
  char chosen[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(chosen, sizeof chosen, "Select an equalizing image...",
                          ctl->folders[CTL_DIR_IMAGES], CTL_PATH, nullptr, TRUE)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "%s", "equalizing image  num_win32 0");
    return;
  }
  if (strcasecmp(chosen, image->file_path) == 0) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ks_gt_message(144));
    SLOG(kCmdTrace, SLOG_VALUE4, "%s", "can't equalize self");
    return;
  }
  const std::string path = image->file_path;
  // Images that cannot be equalised together are refused while the window is still open.
  int bits = 0, ebits = 0;
  int32_t ext[2] = {0, 0}, eext[2] = {0, 0};
  if (io_query_image(path.c_str(), &bits, ext) && io_query_image(chosen, &ebits, eext) &&
      (bits != ebits || ext[0] != eext[0] || ext[1] != eext[1])) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ks_gt_message(57));
    SLOG(kCmdTrace, SLOG_VALUE4, "%s", "equalizing image differs in size or depth");
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

// Resolution: the image's dots per inch, asked for and stored per axis.
void cmd_resolution(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (image == nullptr || image->img_info == nullptr) return;
  if (!gt_confirm_when_lanes_alt(image)) return;
  IMG_INFO* info = image->img_info;
  double x_dpi = gt_resolution_dpi(info->x_res, info->x_scale);
  double y_dpi = gt_resolution_dpi(info->y_res, info->y_scale);
  int value = 100;
  if (ui_res_activate(call.win, &x_dpi, &y_dpi, 0, info->width, info->height, 1, &value) != 1)
    return;
  if (gt_resolution_set(info, x_dpi, y_dpi)) image->modified = 1;
}

// Comments: the current image's comment, edited in its dialog.
void cmd_comments(const CmdCall& call) {
  if (!call.image) {
    SLOG(kCmdTrace, SLOG_VALUE4, "no images loaded");
    return;
  }
  gt_ch_image_activate(call.win);
}
