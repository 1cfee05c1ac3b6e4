// The Analysis menu's commands: Add and Delete by selection mode, the Bands, Lanes, Labels and
// Standards sub-menus, Copy Analysis and the multiplex markers.
#include <cstdio>
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
#include "shell/gt_overlay.h"
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

// Add in lane mode and Define: the lane-definition dialog, then the lane tool it chose. The
// dialog cancelled ends a Vrem run when Define (a Vrem step) opened it; from Add it does nothing.
void define_lanes(TK_OBJ owner, IMAGE_REC* image, bool cancel_ends_vrem) {
  const int mode = gt_fd_lane_info_activate(owner, image);
  if (mode == -1 && cancel_ends_vrem) {
    gt_vrem_end();
    return;
  }
  if (mode < 0 || mode > 2) return;
  image->modified = 1;
  gt_get_control()->lanes_hidden = 0;
  if (mode == 1) gt_def_ln_activate(owner);
  else gt_fd_ln_activate(owner);
  gt_set_state(mode == 0 ? TS_FIND_LANES_AUTO : mode == 1 ? TS_DEFINE_LANES : TS_FIND_LANES_EVEN);
}

bool bands_found(const IMAGE_REC* image) { return image->has_bands == 1; }
// Found bands and at least one selected band.
bool some_selected(const IMAGE_REC* image) {
  return bands_found(image) && image->num_sel_bands > 0;
}
TK_OBJ canvas_of(const IMAGE_REC* image) { return static_cast<TK_OBJ>(image->draw_area); }

}  // namespace

// Add, by selection mode: bands, lanes, size standards or concentration standards.
void cmd_add(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image) return;
  const bool bands = bands_found(image);
  if (call.ctl->sel_mode == SEL_LANES) {
    define_lanes(call.win, image, false);
  } else if (call.ctl->sel_mode == SEL_BANDS && bands) {
    gt_ad_bnd_activate(call.win);
    gt_set_state(TS_ADD_BAND);
  } else if (call.ctl->sel_mode == SEL_SIZE_STDS && bands) {
    gt_std_size_config_activate(call.win);
  } else if (call.ctl->sel_mode == SEL_CONC_STDS && bands) {
    gt_std_conc_config_activate(call.win);
  }
}

// Delete, by selection mode: bands without a question, lanes and standards after one. Deleted
// bands renumber the bands of every open image.
void cmd_delete(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image)) return;
  const int mode = call.ctl->sel_mode;
  if (mode == SEL_BANDS && image->num_sel_bands == 0) return;
  if (mode == SEL_LANES && (image->num_sel_lanes == 0 ||
                            mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(24)) != 2))
    return;
  if (mode == SEL_SIZE_STDS && (image->num_sel_size == 0 && image->num_sel_size2 == 0)) return;
  if (mode == SEL_CONC_STDS && image->num_sel_conc == 0) return;
  if ((mode == SEL_SIZE_STDS || mode == SEL_CONC_STDS) &&
      mh_send_msg(KS_ALERT_YESNO, "%s", ui_msg(2)) != 2)
    return;
  gt_band_delete_selected(image, mode);
  if (mode == SEL_BANDS) gt_band_renumber_all();
}

// Bands ---------------------------------------------------------------------------------------

void cmd_find_bands(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image)) return;
  if (gt_any_lane_value_set(image, 1, 0) &&
      mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(17)) != 2) {
    SLOG(kCmdTrace, SLOG_VALUE4, "user says 'no' to could_lose");
    return;
  }
  gt_refd_bnd_activate(call.win, image);
}

void cmd_edit_bands(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image)) return;
  gt_deselect_all(canvas_of(image), image);
  gt_ed_bnd_activate(call.win);
  gt_set_state(TS_EDIT_BAND);
}

void cmd_band_info(const CmdCall& call) {
  if (call.image && some_selected(call.image)) gt_band_information(call.win, call.image);
}

void cmd_norm_lane(const CmdCall& call) {
  if (call.image && some_selected(call.image)) gt_band_norm_lane(call.image);
}

void cmd_norm_image(const CmdCall& call) {
  if (!call.image) return;
  if (some_selected(call.image)) gt_band_norm_image(call.image);
  gt_redraw_img(call.image);
}

void cmd_clear_norm(const CmdCall& call) {
  if (!call.image || !bands_found(call.image)) return;
  gt_band_clear_norm(call.image);
  gt_redraw_img(call.image);
}

void cmd_mark_active(const CmdCall& call) {
  if (!call.image) return;
  gt_band_mark_active(call.image->bands, call.command == GT_CMD_MARK_ACTIVE ? 0 : 1);
  gt_redraw_img(call.image);
}

// Quantify the bands of the selected lanes (lane mode) or the selected bands (other modes).
void cmd_quantify(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image)) return;
  if (call.ctl->sel_mode == SEL_LANES) {
    if (image->num_sel_lanes > 0) gt_band_quantify(image, 1);
  } else if (image->num_sel_bands > 0) {
    gt_band_quantify(image, 0);
  }
}

// Mark Axes and Mark Bounds work on exactly one selected band.
void cmd_mark_axes(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image) || image->num_sel_bands != 1) return;
  if (call.command == GT_CMD_MARK_AXES) gt_band_mark_axes(call.win, image);
  else gt_band_mark_bounds(call.win, image);
  gt_redraw_img(image);
}

// Copy Bounds: every selected band must have a type and a good quantification.
void cmd_copy_bounds(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !some_selected(image)) return;
  for (SPOT* b = image->bands->next; b; b = b->next)
    if ((b->f2 & SP_F2_SELECTED) &&
        ((b->f1 & SP_F1_TYPE_MASK) == 0 || (b->f1 & SP_F1_QUANT_FAILED))) {
      SLOG(kCmdTrace, SLOG_VALUE4, "bad bound pt, bail");
      return;
    }
  gt_band_copy_bounds(call.win, image);
}

// Lanes ---------------------------------------------------------------------------------------

void cmd_define_lanes(const CmdCall& call) {
  if (call.image) define_lanes(call.win, call.image, true);
}

void cmd_lane_boundaries(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image)) return;
  if (gt_any_lane_value_set(image, 1, 0) &&
      mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(17)) != 2)
    return;
  gt_band_lane_bounds(call.win, image);
}

// Background works on exactly one selected lane.
void cmd_lane_background(const CmdCall& call) {
  if (!call.image) return;
  if (call.image->num_sel_lanes != 1) {
    SLOG(kCmdTrace, SLOG_VALUE4, "num_sel_lanes %d", call.image->num_sel_lanes);
    return;
  }
  gt_land_bkgd_activate(call.win);
}

// Lane comments and names need found bands.
void cmd_lane_comments(const CmdCall& call) {
  if (!call.image || !bands_found(call.image)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "find_bands not done");
    return;
  }
  gt_lane_comments(call.win, call.image);
}

void cmd_lane_name(const CmdCall& call) {
  if (!call.image || !bands_found(call.image)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "find_bands not done");
    return;
  }
  gt_lane_name(call.win, call.image);
}

// Renumber: Yes to the question also empties the lane names. The whole canvas is redrawn (as
// Refresh redraws it), so the old numbers and names do not stay under the new ones.
void cmd_renumber(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image || !bands_found(image)) return;
  gt_lane_renumber(image, mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(93)) == 2 ? 1 : 0);
  gt_redraw_img(image);
}

// Both entries start the same tool, on an image whose bands have been found; no band bounds are
// copied.
void cmd_copy_lanes(const CmdCall& call) {
  if (!call.image) return;
  if (!bands_found(call.image)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "%s", "find_bands_done FALSE");
    return;
  }
  gt_copy_lanes_and_bands(call.win, call.image, call.command == GT_CMD_COPY_LANES_BOUNDS ? 1 : 0);
}

// Create Reference: the destination, then the selected lanes side by side (lanes mode) or the
// reference lane from the selected bands; the new image is opened when it was made.
void cmd_create_reference(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  CONTROL* ctl = call.ctl;
  if (ctl->sel_mode == SEL_BANDS && (!image || image->num_sel_bands <= 0)) return;
  char path[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(path, sizeof path, "Destination image...", ctl->folders[CTL_DIR_IMAGES],
                          sizeof ctl->folders[CTL_DIR_IMAGES], "", FALSE)) {
    mh_clear_status(gt_get_status_bar(), 1);
    SLOG(kCmdTrace, SLOG_VALUE4, "user cancels Dest image selection");
    return;
  }
  if (io_file_exists(path)) {
    if (gt_image_is_loaded(path, 0)) {
      SLOG(kCmdTrace, SLOG_VALUE4, "can't overwrite loaded image");
      return;
    }
    const char* slash = std::strrchr(path, '/');
    if (mh_send_msg(KS_ALERT_YESNO, ui_msg(270), slash ? slash + 1 : path) != 2) return;
    if (io_is_locked(path) && mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(53)) != 2) return;
  }
  const std::vector<TK_OBJ> wins = cmd_image_windows();
  // The new image is made beside the destination and replaces it only when it was written
  // whole; a failure leaves the old destination as it was and has been reported.
  gt_busy_begin();
  const bool made =
      gt_create_reference(path, ctl->sel_mode, wins.data(), static_cast<int>(wins.size()));
  gt_busy_end();
  if (!made) {
    SLOG(kCmdTrace, SLOG_VALUE4, "cannot create new lane");
    return;
  }
  gt_load_image_path(path);
}

// The densitometry tool on the current image; its boundaries file and switch last the run, the
// rest comes from the image, and what the tool changed goes back to the control record.
void cmd_dtool(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  CONTROL* ctl = call.ctl;
  if (!image) return;
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
  info.strip_color = ctl->disp_codes[DISP_COL_BAND];
  info.lanes = image->lanes;
  info.draw_area = static_cast<TK_OBJ>(image->draw_area);
  std::snprintf(info.image_name, sizeof info.image_name, "%s", image->image_name);
  std::snprintf(info.image_path, sizeof info.image_path, "%s", image->file_path);
  std::snprintf(info.size_unit, sizeof info.size_unit, "%s", ctl->size_unit[0] ? ctl->size_unit : "bp");
  info.iBackAngle = ctl->iBackAngle;
  info.iLaneWidth = ctl->iLaneWidth > 0 ? ctl->iLaneWidth : 100;
  info.bLowest = ctl->DTOOL_bLowestPts;
  info.bBandSize = ctl->DTOOL_bBandSize;
  // The program is busy while the tool is open: the main window takes no command meanwhile.
  gt_busy_begin();
  const int ok = gt_dtool_activate(&info, ctl->folders[CTL_DIR_REPORTS]);
  SLOG(kCmdTrace, SLOG_VALUE4, "bDToolRetVal %d", ok);
  if (ok) {
    ctl->DTOOL_bLowestPts = info.bLowest;
    ctl->DTOOL_bBandSize = info.bBandSize;
    ctl->iBackAngle = info.iBackAngle;
    ctl->iLaneWidth = info.iLaneWidth;
  }
  gt_busy_end();
  gt_redraw_img(image);
}

// Labels --------------------------------------------------------------------------------------

void cmd_label_categories(const CmdCall& call) { gt_crt_cat_activate(call.win); }

void cmd_assign_categories(const CmdCall& call) {
  if (!call.image) return;
  if (call.image->num_sel_lanes == 0) {
    mh_send_msg(KS_ALERT_ERROR, "%s", "There aren't any selected lanes");
    return;
  }
  gt_asn_cat_activate(call.win, call.image);
}

void cmd_label_values(const CmdCall& call) {
  if (!call.image || !bands_found(call.image)) {
    mh_send_msg(KS_ALERT_ERROR, "%s", "You must first Find Bands");
    return;
  }
  gt_lane_chars(call.win, call.image);
}

void cmd_selection_files(const CmdCall& call) { gt_ctr_sel_activate(call.win); }

// Old Lane Labels: the dialog, then the images to collect lane values from.
void cmd_old_labels(const CmdCall& call) {
  int to_folder = 0;
  if (!gt_oldlabels_activate(call.win, nullptr, nullptr, &to_folder)) return;
  char** list = nullptr;
  const int n = io_win32_filelist(&list, "Collect Lane Values from...",
                                  call.ctl->folders[CTL_DIR_IMAGES], "", KS_KES_FILTER, 0, TRUE,
                                  TRUE, TRUE, nullptr);
  SLOG(kCmdTrace, SLOG_VALUE4, "num_img %d", n);
  if (n > 0) ks_freelist_msg(reinterpret_cast<void**>(list), n);
}

// Standards -----------------------------------------------------------------------------------

// One selected row of size standards gives the line.
void cmd_modify_stds_line(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!image) return;
  if (bands_found(image) && call.ctl->sel_mode == SEL_SIZE_STDS && image->num_sel_size2 == 1)
    gt_std_modify_line(call.win, image);
}

void cmd_std_sets(const CmdCall& call) { gt_crt_std_activate(call.win); }

// Copy Analysis and multiplex markers ----------------------------------------------------------

// Hands the analysis read from the other image (in `from`) to the current image (`to`), or back
// again: the records trade places whole, then trade back what the analysis file does not carry,
// which stays with the image it belongs to: the file and display records, the window, the
// image's settings and band-detection settings, and its comment unless the other image brought
// one of its own (`their_comment`). Done twice with the same switch, the exchange undoes itself.
static void trade_analysis(IMAGE_REC* to, IMAGE_REC* from, bool their_comment) {
  std::swap(*to, *from);
  std::swap(to->file_path, from->file_path);
  std::swap(to->image_name, from->image_name);
  std::swap(to->img_info, from->img_info);
  std::swap(to->img_int_info, from->img_int_info);
  std::swap(to->img_ptr, from->img_ptr);
  std::swap(to->window, from->window);
  std::swap(to->draw_area, from->draw_area);
  std::swap(to->mark_pts, from->mark_pts);
  std::swap(to->set_w0, from->set_w0);
  std::swap(to->size_interp, from->size_interp);
  std::swap(to->size_extrap, from->size_extrap);
  std::swap(to->size_digits, from->size_digits);
  std::swap(to->size_nstd, from->size_nstd);
  std::swap(to->size_stds_sw, from->size_stds_sw);
  std::swap(to->conc_interp, from->conc_interp);
  std::swap(to->conc_extrap, from->conc_extrap);
  std::swap(to->conc_digits, from->conc_digits);
  std::swap(to->disp_codes, from->disp_codes);
  std::swap(to->min_top_band_thick, from->min_top_band_thick);
  std::swap(to->min_bot_band_thick, from->min_bot_band_thick);
  std::swap(to->band_threshold, from->band_threshold);
  std::swap(to->band_threshold2, from->band_threshold2);
  std::swap(to->lane_field, from->lane_field);
  if (!their_comment) {
    std::swap(to->comment, from->comment);
    std::swap(to->comment_len, from->comment_len);
  }
}

// Copy Analysis: the lanes, bands and standards of another image of the same gel, carried onto
// the current image through the three multiplex markers of each. The other image's analysis is
// read and transformed in a record of its own, with the current image's header and pixels; the
// current image's analysis changes only when the transform succeeds on pixels that stayed
// readable throughout, so a failure leaves it (and its modified flags) as it was.
void cmd_copy_analysis(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  TK_OBJ owner = call.win;
  if (image == nullptr || image->img_ptr == nullptr) return;
  if (image->mark_pts[0][0] == -1) {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(170));
    SLOG(kCmdTrace, SLOG_VALUE4, "no multiplex markers");
    return;
  }
  // The profiles are rebuilt from the current image's pixels: without them nothing is asked.
  LnPixels pixels(image->file_path);
  if (!pixels.readable()) return;
  if (image->has_bands == 1 && mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(16)) != 2) {
    SLOG(kCmdTrace, SLOG_VALUE4, "user says 'no' to replace band warning");
    return;
  }
  CONTROL* ctl = call.ctl;
  char chosen[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(chosen, sizeof chosen, "Image...", ctl->folders[CTL_DIR_IMAGES],
                          CTL_PATH, nullptr, TRUE)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "Copy image num_win32 0");
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
  const int was_modified = image->modified;
  gt_busy_begin();
  // Only the analysis is read: positions are checked against the current image's own header.
  gt_read_and_prepare(chosen, nullptr, other);
  gt_set_image_ptr(image);  // reading a comment makes the record it reads into current
  const bool their_comment = other->comment != nullptr;
  TK_OBJ status = gt_get_status_bar();
  bool copied = false;
  if (other->mark_pts[0][0] == -1) {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(171));
  } else {
    mh_status_message(status, 1, "%s", gt_get_message(173));
    // The transform works on the current image's header and lookup, and builds the profiles
    // from its pixels.
    std::swap(other->img_info, image->img_info);
    std::swap(other->img_int_info, image->img_int_info);
    std::swap(other->img_ptr, image->img_ptr);
    const int result = gt_xform_analysis(other, kept, pixels);
    std::swap(other->img_info, image->img_info);
    std::swap(other->img_int_info, image->img_int_info);
    std::swap(other->img_ptr, image->img_ptr);
    // Pixels that could not be read, or were cut while read, have been reported.
    if (pixels.lost()) SLOG(kCmdTrace, SLOG_VALUE4, "pixels lost during the copy");
    else if (result < 0) mh_send_msg(KS_ALERT_INFO, "%s", gt_get_message(172));
    else copied = true;
    mh_clear_status(status, 1);
  }
  if (copied) {
    trade_analysis(image, other, their_comment);
    image->modified = 1;
    if (std::getenv("VX_NDI_BANDS") == nullptr) {
      gt_redraw_img(image);
      EVENT_Flush();
      gt_refd_bnd_activate(owner, image);
    } else {
      // Every carried lane is quantified along its transformed path; pixels lost meanwhile put
      // the image's own analysis back.
      gt_set_sel_mode(SEL_LANES, RES_GetSub(RES_GetSub(owner, GT_MAIN_MODE_BAR), SEL_LANES));
      gt_select_all(canvas_of(image), image);
      if (image->num_sel_lanes > 0) gt_xform_band_quantify(image);
      if (pixels.lost()) {
        trade_analysis(image, other, their_comment);
        image->modified = was_modified;
      }
      EVENT_Flush();
    }
  }
  gt_img_free(other);  // the old analysis after a copy, else the one that was read
  gt_redraw_img(image);
  gt_busy_end();
}

void cmd_multiplex_markers(const CmdCall& call) {
  if (!call.image) return;
  gt_multi_start(call.win, call.image);
}
