// Command dispatch for the main window, and the main window's own procedure. A command runs
// when the gate of its class lets it through and a row of the table below names it; the row
// traces its label and calls its handler (shell/cmd_*.cpp, one file per menu).
#include "shell/gt_dispatch.h"

#include <string>

#include "base/ks_ini.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "model/control.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/gt_open.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"

namespace {

int s_last_command = 0;
int s_last_run = 0;

const char* const kFn = kCmdTrace;

// What a row's label is written with: nothing, the command identifier, the images folder, or
// whether the current image's bands have been found.
enum class LabelArg { kNone, kId, kImagesFolder, kBandsFound };

struct Row {
  int first, last;    // the identifiers the row names
  const char* label;  // traced before the handler; null for the commands that trace none
  LabelArg arg;
  CmdHandler run;
};

constexpr LabelArg N = LabelArg::kNone;

// The command table: every command the dispatcher runs, by menu.
constexpr Row kRows[] = {
    // File
    {101, 101, "Open...", N, cmd_open},
    {1001, 1001, "Import TIFF/MD...", N, cmd_import},
    {1002, 1002, "Import Fuji...", N, cmd_import},
    {1003, 1003, "Import JPEG...", N, cmd_import},
    {1004, 1004, "Import Bitmap...", N, cmd_import},
    {1011, 1011, "Select TWAIN Source...", N, cmd_acquire},
    {1012, 1014, nullptr, N, cmd_acquire},  // TWAIN, scanner, camera
    {103, 103, "Close...", N, cmd_close},
    {104, 104, "Close All...", N, cmd_close_all},
    {105, 105, "Save...", N, cmd_save},
    {106, 106, "Save All...", N, cmd_save_all},
    {107, 107, "Save As...", N, cmd_save_as},
    {111, 111, "Export Image...", N, cmd_save_as},
    {1703, 1703, "Export Folder...", N, cmd_export_folder},
    {114, 114, "Generate Info File...", N, cmd_gen_info_file},
    {112, 112, "Delete Image...", N, cmd_delete_image},
    {109, 109, "Page Setup...", N, cmd_page_setup},
    {110, 110, "Print Image...", N, cmd_print},
    {1105, 1105, "Print Image Window...", N, cmd_print},
    {1106, 1106, "Print Image Photo...", N, cmd_print_photo},
    {113, 113, "Quit...", N, cmd_quit},
    {GT_RECENT_FIRST_ID, GT_RECENT_LAST_ID, nullptr, N, cmd_recent},
    // Edit
    {122, 122, "Select All...", N, cmd_select_all},
    {123, 123, "Deselect All...", N, cmd_deselect_all},
    {124, 124, "Preferences...", N, cmd_preferences},
    // Image
    {1031, 1032, "Image Proc", N, cmd_image_op},  // rotate right, left
    {1041, 1042, "Image Proc", N, cmd_image_op},  // flip top to bottom, left to right
    {133, 133, "Crop...", N, cmd_crop},
    {134, 134, "Image Proc", N, cmd_image_op},  // invert
    {137, 137, "Image Proc", N, cmd_image_op},  // filter
    {150, 150, "Image Proc", N, cmd_image_op},  // border
    {135, 135, "Calibrate...", N, cmd_calibrate},
    {136, 136, "Equalize...", N, cmd_equalize},
    {138, 138, "Resolution...", N, cmd_resolution},
    {139, 139, "Comments...", N, cmd_comments},
    {140, 140, "Illustrator...", N, cmd_illustrator},
    // Analysis
    {143, 143, "Add...", N, cmd_add},
    {144, 144, "Delete...", N, cmd_delete},
    {1051, 1051, "Find...", N, cmd_find_bands},
    {12, 12, "Edit...", N, cmd_edit_bands},
    {1052, 1052, "Information...", N, cmd_band_info},
    {1053, 1053, "Norm Lane...", N, cmd_norm_lane},
    {1054, 1054, "Norm Image...", N, cmd_norm_image},
    {1070, 1070, "Clear Norm...", N, cmd_clear_norm},
    {1055, 1055, "Mark Active...", N, cmd_mark_active},
    {1056, 1056, "Mark Inactive...", N, cmd_mark_active},
    {1057, 1057, "Quantify...", N, cmd_quantify},
    {1058, 1058, "Mark Axes...", N, cmd_mark_axes},
    {1059, 1059, "Mark Bounds...", N, cmd_mark_axes},
    {1060, 1060, "Copy Bounds...", N, cmd_copy_bounds},
    {1061, 1061, "Define...", N, cmd_define_lanes},
    {1062, 1062, "Boundaries...", N, cmd_lane_boundaries},
    {1063, 1063, "Background...", N, cmd_lane_background},
    {1080, 1080, "Lane Comments..., find_bands_done %d", LabelArg::kBandsFound, cmd_lane_comments},
    {1067, 1067, "Name..., find_bands_done %d", LabelArg::kBandsFound, cmd_lane_name},
    {1065, 1065, "Renumber...", N, cmd_renumber},
    {1066, 1066, "Create Reference...", N, cmd_create_reference},
    {1074, 1074, "D-Tool...", N, cmd_dtool},
    {1101, 1102, "Copy Lanes or Lanes and Bounds, id %d ....", LabelArg::kId, cmd_copy_lanes},
    {1069, 1069, "Labels: Create/Edit Categories...", N, cmd_label_categories},
    {1075, 1075, "Labels: Assign Categories...", N, cmd_assign_categories},
    {1071, 1071, "Labels: Values...", N, cmd_label_values},
    {1072, 1072, "Selection Files...", N, cmd_selection_files},
    {6200, 6201, "Old Lane Labels, %d", LabelArg::kId, cmd_old_labels},
    {145, 145, "Modify Stds Line...", N, cmd_modify_stds_line},
    {1073, 1073, "Std Sets...", N, cmd_std_sets},
    {146, 146, "Copy Analysis...", N, cmd_copy_analysis},
    {147, 147, "Assign Multiplex Markers...", N, cmd_multiplex_markers},
    // View
    {152, 152, "Enhance Display...", N, cmd_enhance_display},
    {153, 153, "Annotation...", N, cmd_annotation},
    {1081, 1081, "Zoom In (+)...", N, cmd_zoom},
    {1082, 1082, "Zoom Out (-)..", N, cmd_zoom},
    {1083, 1083, "Zoom 1:1...", N, cmd_zoom},
    {GT_CMD_ZOOM_FACTOR_FIRST, GT_CMD_ZOOM_IN_FACTOR_LAST, "Zoom In...", N, cmd_zoom},
    {GT_CMD_ZOOM_IN_FACTOR_LAST + 1, GT_CMD_ZOOM_FACTOR_LAST, "Zoom Out...", N, cmd_zoom},
    // Report
    {148, 148, "Report Active Image...", N, cmd_band_report},
    {161, 161, "Report Selected Bands...", N, cmd_band_report},
    {162, 162, "Report Selected Lanes...", N, cmd_band_report},
    {170, 170, "All Lanes: loc_images <%s>", LabelArg::kImagesFolder, cmd_all_lanes_report},
    {160, 160, "Compare Bands...", N, cmd_compare_bands},
    {163, 163, "Report Lane Profile...", N, cmd_lane_profile},
    {164, 164, "Report Lane Map...", N, cmd_lane_map},
    {1076, 1076, "Report Lane Categories...", N, cmd_lane_categories_report},
    {1099, 1099, "Report Hemoglobin Fractions...", N, cmd_fractions},
    {1100, 1100, "Report Protein Fractions...", N, cmd_fractions},
    {1702, 1702, "Using ImageName, Lane# file...", N, cmd_lane_name_file},
    {169, 169, nullptr, N, cmd_std_curve},  // size standard curve
    {155, 155, nullptr, N, cmd_std_curve},  // concentration standard curve
    {165, 165, "Slice...", N, cmd_image_tool},
    {166, 166, "Surface Plot...", N, cmd_image_tool},
    {167, 167, "Histogram...", N, cmd_image_tool},
    {168, 168, "Report Image Info...", N, cmd_image_info},
    // Vrem
    {179, 179, "Vrem Size...", N, cmd_vrem_start},
    {13, 13, "Vrem Quantify...", N, cmd_vrem_start},
    // Match
    {186, 186, "Match All Lanes...", N, cmd_match_over_list},
    {187, 187, "Match All Selected Lanes...", N, cmd_match_sel_lanes},
    {188, 188, "Match To Selected Lane...", N, cmd_match_over_list},
    {189, 189, "Match To Selected Bands...", N, cmd_match_to_bands},
    {1895, 1895, "Import Matrix...", N, cmd_import_matrix},
    // Window
    {173, 173, "Cascade Images...", N, cmd_arrange},
    {174, 174, "Tile Images...", N, cmd_arrange},
    {175, 175, "Arrange Icons...", N, cmd_arrange},
    {176, 176, "Refresh...", N, cmd_refresh},
    {GT_WIN_MENU_FIRST, GT_WIN_MENU_LAST, nullptr, N, cmd_window_entry},
    // Help
    {171, 171, "Help, id %d", LabelArg::kId, cmd_help},
    {177, 177, "Help, id %d", LabelArg::kId, cmd_help},
    {178, 178, "Help, id %d", LabelArg::kId, cmd_help},
    {172, 172, "About VX...", N, cmd_about},
};

const Row* find_row(int command) {
  for (const Row& r : kRows)
    if (command >= r.first && command <= r.last) return &r;
  return nullptr;
}

void trace_label(const Row& row, const CmdCall& call) {
  if (row.label == nullptr) return;
  switch (row.arg) {
    case LabelArg::kNone: SLOG(kFn, SLOG_VALUE4, "%s", row.label); break;
    case LabelArg::kId: SLOG(kFn, SLOG_VALUE4, row.label, call.command); break;
    case LabelArg::kImagesFolder:
      SLOG(kFn, SLOG_VALUE4, row.label, call.ctl->folders[CTL_DIR_IMAGES]);
      break;
    case LabelArg::kBandsFound:
      SLOG(kFn, SLOG_VALUE4, row.label, call.image ? call.image->has_bands : 0);
      break;
  }
}

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
  if (command == GT_CMD_ANNOTATION || in(command, GT_CMD_ZOOM_IN, GT_CMD_ZOOM_ONE) ||
      in(command, GT_CMD_ZOOM_FACTOR_FIRST, GT_CMD_ZOOM_FACTOR_LAST)) {
    if (have_window) return true;
    SLOG(kFn, SLOG_VALUE4, "Zoom Op, no icon");
    return false;
  }
  static const int kAlways[] = {
      GT_CMD_QUIT, GT_CMD_REPORT_ALL_LANES, GT_CMD_HELP, GT_CMD_ABOUT, GT_CMD_HELP_GUIDE,
      GT_CMD_HELP_TUTORIAL, GT_CMD_MATCH_ALL_LANES, GT_CMD_SELECTION_FILES, GT_CMD_STD_SETS,
      GT_CMD_REPORT_LANE_CATEGORIES, GT_CMD_EXPORT_FOLDER, GT_CMD_IMPORT_MATRIX,
      GT_CMD_OLD_LABELS, GT_CMD_OLD_LABELS_2};
  bool always = in(command, GT_RECENT_FIRST_ID, GT_RECENT_LAST_ID);
  for (int a : kAlways) always = always || command == a;
  if (always) {
    SLOG(kFn, SLOG_VALUE4, "op always permitted");
    return true;
  }
  if (gt_is_idle() && have_window) return true;
  SLOG(kFn, SLOG_VALUE4, "Op not ok_mode");
  return false;
}

// The desktop's shutdown asks about unsaved images as the close box does, and writes the
// preferences as every way out of the main window does.
int shutdown_hook() {
  if (!gt_prog_mgr_exit()) return FALSE;
  cmd_write_init_prefs();
  return TRUE;
}

}  // namespace

int main_winNfySelMenuBar(TK_OBJ win, int command) {
  SLOG(kFn, SLOG_ENTRY, "command %d", command);
  if (command == 0) {
    command = static_cast<int>(EVENT_GetMenuId());
    SLOG(kFn, SLOG_VALUE4, "id now %d", command);
  }
  s_last_command = command;
  if (!gate_allows(command)) return 0;
  s_last_run = command;
  const Row* row = find_row(command);
  if (row == nullptr) return 0;
  const CmdCall call{win, command, gt_get_image_ptr(), gt_get_control()};
  trace_label(*row, call);
  row->run(call);
  return 0;
}

int gt_dispatch_last_command() { return s_last_command; }
int gt_dispatch_last_run() { return s_last_run; }

bool gt_dispatch_handles(int command) { return find_row(command) != nullptr; }

void cmd_write_init_prefs() {
  char dir[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  ks_get_inientry(KS_INI_WRITE_DIR, &is_int, &value, dir);
  const std::string path = gt_prefs_path(dir);
  SLOG("S_gt_main_winNfy", SLOG_VALUE4, "writing <%s>", path.c_str());
  gt_prep_prefs_and_write(path.c_str(), gt_get_control());
}

long S_gt_main_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_CREATE) {
    WIN_DefaultNfy(win, event);
    TK_SetShutdownHook(shutdown_hook);
    return WIN_DefaultNfy(win, event);
  }
  if (event == TK_EV_MENU_CHOICE) return main_winNfySelMenuBar(win, 0);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    if (gt_get_num_img_windows() > 0 && !gt_save_ok_to_continue("S_gt_main_winNfy", nullptr, 0))
      return 0;
    gt_dismiss_all();
    qhelp_dismiss();
    cmd_write_init_prefs();
    WIN_Terminate(win);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}
