// The Report menu's commands: the band reports, Compare Bands, the lane profile, map,
// categories and fraction reports, lane names from a file, the standards curves, the image
// tools (Slice, Surface Plot, Histogram) and the image information report.
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

// The band reports of the open images: Selected Bands at once, Selected Lanes and Active
// Image after the report parameters.
void cmd_band_report(const CmdCall& call) {
  const int command = call.command;
  if (!cmd_has_bands(call.image)) return;
  if (command != GT_CMD_REPORT_SEL_BANDS && !gt_rparm_activate(call.win, 0)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "gt_rparm_activate FALSE");
    return;
  }
  const int type = command == GT_CMD_REPORT_SEL_BANDS ? REP_SEL_BANDS
                   : command == GT_CMD_REPORT_SEL_LANES ? REP_SEL_LANES
                                                        : REP_ACTIVE_IMAGE;
  band_rep_activate(type, nullptr, {});
  if (command == GT_CMD_REPORT_SEL_LANES) SLOG(kCmdTrace, SLOG_VALUE4, "below band_rep_activate");
}

// All Lanes: the report parameters, then the images to report.
void cmd_all_lanes_report(const CmdCall& call) {
  const CONTROL* ctl = call.ctl;
  if (!gt_rparm_activate(call.win, 1)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "gt_rparm_activate FALSE");
    return;
  }
  SLOG(kCmdTrace, SLOG_VALUE4, "bMatchToFolder %d, loc_images <%s>", 0,
       ctl->folders[CTL_DIR_IMAGES]);
  std::vector<std::string> paths;
  GtImgNameList names;
  if (!cmd_images_to_list(&paths, &names)) return;
  band_rep_activate(REP_ALL_LANES, nullptr, paths);
}

void cmd_compare_bands(const CmdCall& call) {
  if (cmd_has_bands(call.image)) compare_activate();
}

void cmd_lane_profile(const CmdCall& call) {
  if (!cmd_has_bands(call.image) || call.image->num_sel_lanes <= 0) return;
  gt_busy_begin();
  gt_lane_profile_activate(call.win);
  gt_busy_end();
}

void cmd_lane_map(const CmdCall&) {
  gt_busy_begin();
  lmap_from_sel_lanes();
  gt_busy_end();
}

// Lane categories: the report's switches, then the images to report.
void cmd_lane_categories_report(const CmdCall& call) {
  if (!replc_parm_activate(call.win)) return;
  char** list = nullptr;
  const int n = io_win32_filelist(&list, "Select Image(s)... (Sel File: <none>)",
                                  call.ctl->folders[CTL_DIR_IMAGES], "", KS_KES_FILTER, 0, TRUE,
                                  TRUE, TRUE, nullptr);
  if (n <= 0) {
    SLOG(kCmdTrace, SLOG_VALUE4, "io_win32_filelist no files selected");
    return;
  }
  std::vector<std::string> paths(list, list + n);
  ks_freelist_msg(reinterpret_cast<void**>(list), n);
  replc_activate(paths);
}

// The fraction reports need found bands and one selected lane.
void cmd_fractions(const CmdCall& call) {
  if (!cmd_has_bands(call.image) || call.image->num_sel_lanes != 1) return;
  gt_busy_begin();
  gt_lane_fractions_activate(call.win, call.image,
                             call.command == GT_CMD_REPORT_HB_FRACTIONS ? 1 : 0);
  gt_busy_end();
}

// Lane names from a file: the file is picked in the lane-name dialog, its names go into the
// lanes of the images it lists, open or not, and each image is saved.
void cmd_lane_name_file(const CmdCall& call) {
  if (!gt_lanename_activate(call.win)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "lanename_activate FALSE");
    return;
  }
  const CONTROL* ctl = call.ctl;
  if (ctl->imgname_lanename_file[0] == '\0') return;
  GtImgNameList names;
  gt_read_imgname_lanename(ctl->imgname_lanename_file, ctl->folders[CTL_DIR_IMAGES], &names);
  SLOG(kCmdTrace, SLOG_VALUE4, "num_img %d, num_entry %d", int(names.images.size()),
       names.num_records());
  std::vector<LaneNameEntry> entries;
  for (int r = 0; r < names.num_records(); ++r)
    entries.push_back(LaneNameEntry{names.image_index[size_t(r)], int(names.lane_numbers[size_t(r)]),
                                    names.lane_names[size_t(r)]});
  gt_busy_begin();
  lanename_activate(names.images, entries, gt_open_images());
  gt_busy_end();
  mh_clear_status(gt_get_status_bar(), 1);
}

// The standards curves: the concentration curve when the image has concentration standards,
// the size curve when it has size standards and one selected lane.
void cmd_std_curve(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (!cmd_has_bands(image)) return;
  gt_busy_begin();
  if (call.command == GT_CMD_CONC_CURVE) {
    if (image->conc_stdp && *image->conc_stdp && (*image->conc_stdp)->count > 0)
      gt_std_fit_activate(call.win, image, GT_STD_FIT_CONC);
  } else if (image->size_stdp && image->size_stdp[0] && image->size_stdp[0]->count > 0 &&
             image->num_sel_lanes == 1) {
    gt_std_fit_activate(call.win, image, GT_STD_FIT_SIZE);
  }
  gt_busy_end();
}

// Slice, Surface Plot and Histogram: the image-tools window in that mode on the current canvas.
void cmd_image_tool(const CmdCall& call) {
  IMAGE_REC* image = nullptr;
  TK_OBJ area;
  if (!cmd_current_canvas(&image, &area)) return;
  ui_tools_activate(call.win, area, call.command - GT_CMD_SLICE + UI_TOOL_SLICE, nullptr,
                    image->img_ptr, call.ctl->folders[CTL_DIR_REPORTS]);
}

void cmd_image_info(const CmdCall& call) { img_rep_activate(call.image); }
