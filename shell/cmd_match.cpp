// The Match menu's commands: the four matches and Import Matrix.
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

// Match All Lanes and Match To Selected Lane: the match parameters, the images, the match.
void cmd_match_over_list(const CmdCall& call) {
  std::vector<std::string> paths;
  GtImgNameList names;
  const bool all = call.command == GT_CMD_MATCH_ALL_LANES;
  if (!cmd_match_parameters_and_images(call.win, all ? 1 : 0, all, &paths, &names)) return;
  if (all)
    wr_prepare_and_match_all_lanes(call.ctl, call.win, gt_open_images(), paths, names.image_index,
                                   names.lane_numbers);
  else
    wr_prepare_and_match(call.image, call.ctl, paths, call.win, gt_open_images());
}

void cmd_match_sel_lanes(const CmdCall& call) {
  int to_folder = 0;
  if (!gt_mparm_activate(call.win, 0, 1, &to_folder)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "gt_mparm_activate FALSE");
    return;
  }
  wr_prepare_and_match_sel_lanes(call.ctl, call.win, gt_open_images());
}

// Match To Selected Bands: the match parameters and the images, then a reference lane made
// from the selected bands in a temporary image, matched against them; the temporary image's
// files go again afterwards.
void cmd_match_to_bands(const CmdCall& call) {
  std::vector<std::string> paths;
  GtImgNameList names;
  if (!cmd_match_parameters_and_images(call.win, 0, false, &paths, &names)) return;
  char temp[KS_PATH_LEN] = "";
  if (io_temp_filename(temp) < 0) return;
  const std::string base = io_base_name(temp);
  const std::string path = base + ".kes";
  io_delete_files(base.c_str());
  io_delete(path.c_str());
  const std::vector<TK_OBJ> windows = cmd_image_windows();
  gt_busy_begin();
  const int made = gt_create_lane(path.c_str(), windows.data(), static_cast<int>(windows.size()));
  gt_busy_end();
  if (made == -1) {
    SLOG(kCmdTrace, SLOG_VALUE4, "cannot create lane image");
  } else {
    wr_prepare_and_match_to_sel_bands(path.c_str(), call.ctl, paths, call.win, gt_open_images());
  }
  io_delete_files(base.c_str());
  io_delete(path.c_str());
  io_delete(temp);  // the name's placeholder
}

// Import Matrix: a matrix file shown in the dendrogram viewer. Files of any name may be picked.
void cmd_import_matrix(const CmdCall& call) {
  char path[KS_PATH_LEN] = "";
  if (io_win32_singlefile(path, sizeof path, "Open matrix file ...",
                          call.ctl->folders[CTL_DIR_REPORTS], "",
                          "Matrix Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0", ".csv", TRUE,
                          TRUE))
    matr_launch_velto(path);
}
