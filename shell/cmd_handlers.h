// The command handlers of the dispatcher, one per row of its table (shell/gt_dispatch.cpp),
// grouped by the menu that offers them: cmd_file.cpp, cmd_edit.cpp, cmd_image.cpp,
// cmd_analysis.cpp, cmd_view.cpp, cmd_report.cpp, cmd_vrem.cpp, cmd_match.cpp, cmd_window.cpp
// and cmd_help.cpp; helpers that several menus share are in cmd_common.cpp. A handler runs only
// after the gate has let its command through and the row's label has been traced.
#pragma once

#include <string>
#include <vector>

#include "io/img_list.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// What a handler is given: the main window (owner of the dialogs), the command identifier (for
// rows that name several), the current image (null with no image window) and the control record.
struct CmdCall {
  TK_OBJ win;
  int command;
  IMAGE_REC* image;
  CONTROL* ctl;
};
using CmdHandler = void (*)(const CmdCall&);

// The name that the dispatcher's trace lines carry.
inline constexpr const char* kCmdTrace = "main_winNfySelMenuBar";

// ui_msg texts of the handlers. After Delete Image: the files of the image that could not be
// deleted (%s the image's name, %s the files' names, one per line).
inline constexpr int kMsgFilesNotDeleted = 314;

// File
void cmd_open(const CmdCall&);
void cmd_import(const CmdCall&);          // 1001..1004
void cmd_acquire(const CmdCall&);         // 1011..1014
void cmd_close(const CmdCall&);
void cmd_close_all(const CmdCall&);
void cmd_save(const CmdCall&);
void cmd_save_all(const CmdCall&);
void cmd_save_as(const CmdCall&);         // Save As and Export Image
void cmd_export_folder(const CmdCall&);
void cmd_gen_info_file(const CmdCall&);
void cmd_delete_image(const CmdCall&);
void cmd_page_setup(const CmdCall&);
void cmd_print(const CmdCall&);           // Print Image and Print Image Window
void cmd_print_photo(const CmdCall&);
void cmd_quit(const CmdCall&);
void cmd_recent(const CmdCall&);          // the four recent files
// Edit
void cmd_select_all(const CmdCall&);
void cmd_deselect_all(const CmdCall&);
void cmd_preferences(const CmdCall&);
// Image
void cmd_image_op(const CmdCall&);        // invert, filter, border, rotations, flips
void cmd_crop(const CmdCall&);
void cmd_calibrate(const CmdCall&);
void cmd_equalize(const CmdCall&);
void cmd_resolution(const CmdCall&);
void cmd_comments(const CmdCall&);
void cmd_illustrator(const CmdCall&);
// Analysis: Add and Delete, bands, lanes, labels, standards, Copy Analysis, multiplex markers
void cmd_add(const CmdCall&);
void cmd_delete(const CmdCall&);
void cmd_find_bands(const CmdCall&);
void cmd_edit_bands(const CmdCall&);
void cmd_band_info(const CmdCall&);
void cmd_norm_lane(const CmdCall&);
void cmd_norm_image(const CmdCall&);
void cmd_clear_norm(const CmdCall&);
void cmd_mark_active(const CmdCall&);     // Mark Active and Mark Inactive
void cmd_quantify(const CmdCall&);
void cmd_mark_axes(const CmdCall&);       // Mark Axes and Mark Bounds
void cmd_copy_bounds(const CmdCall&);
void cmd_define_lanes(const CmdCall&);
void cmd_lane_boundaries(const CmdCall&);
void cmd_lane_background(const CmdCall&);
void cmd_lane_comments(const CmdCall&);
void cmd_lane_name(const CmdCall&);
void cmd_renumber(const CmdCall&);
void cmd_create_reference(const CmdCall&);
void cmd_dtool(const CmdCall&);
void cmd_copy_lanes(const CmdCall&);      // Copy Lanes and Copy Lanes and Bounds
void cmd_label_categories(const CmdCall&);
void cmd_assign_categories(const CmdCall&);
void cmd_label_values(const CmdCall&);
void cmd_selection_files(const CmdCall&);
void cmd_old_labels(const CmdCall&);      // both sets
void cmd_modify_stds_line(const CmdCall&);
void cmd_std_sets(const CmdCall&);
void cmd_copy_analysis(const CmdCall&);
void cmd_multiplex_markers(const CmdCall&);
// View
void cmd_enhance_display(const CmdCall&);
void cmd_annotation(const CmdCall&);
void cmd_zoom(const CmdCall&);            // In, Out, 1:1 and the fixed factors
// Report
void cmd_band_report(const CmdCall&);     // Active Image, Selected Bands, Selected Lanes
void cmd_all_lanes_report(const CmdCall&);
void cmd_compare_bands(const CmdCall&);
void cmd_lane_profile(const CmdCall&);
void cmd_lane_map(const CmdCall&);
void cmd_lane_categories_report(const CmdCall&);
void cmd_fractions(const CmdCall&);       // hemoglobin and protein
void cmd_lane_name_file(const CmdCall&);
void cmd_std_curve(const CmdCall&);       // size and concentration standard curves
void cmd_image_tool(const CmdCall&);      // Slice, Surface Plot, Histogram
void cmd_image_info(const CmdCall&);
// Vrem
void cmd_vrem_start(const CmdCall&);      // Vrem Size and Vrem Quantify
// Match
void cmd_match_over_list(const CmdCall&); // Match All Lanes and Match To Selected Lane
void cmd_match_sel_lanes(const CmdCall&);
void cmd_match_to_bands(const CmdCall&);
void cmd_import_matrix(const CmdCall&);
// Window
void cmd_arrange(const CmdCall&);         // Cascade, Tile, Arrange Icons
void cmd_refresh(const CmdCall&);
void cmd_window_entry(const CmdCall&);    // an image window chosen in the Window menu
// Help
void cmd_help(const CmdCall&);            // Help, User Guide, Tutorial
void cmd_about(const CmdCall&);

// Shared helpers (cmd_common.cpp).
// Whether the image has a band chain with at least one band.
bool cmd_has_bands(const IMAGE_REC* image);
// The open image windows, in window order.
std::vector<TK_OBJ> cmd_image_windows();
// The current image and its drawing area; false when there is none.
bool cmd_current_canvas(IMAGE_REC** image, TK_OBJ* area);
// The start of the commands that change an image's files: an image window, the image's base
// path (a path too long for one stops the command) and the user's Yes to `question`, a ui_msg
// text that names the image.
bool cmd_confirm_image_files(IMAGE_REC* image, const char* no_window, int question, char* base,
                             std::string* path);
// The images of a command over a list of images: the image list file of the control record,
// or (with read_names) its image-name and lane-number file, whose records come back in *names,
// or else the user's picks: the images chosen, or with to_folder every image of a folder
// chosen. False when there is none.
bool cmd_images_to_list(std::vector<std::string>* paths, GtImgNameList* names,
                        bool read_names = true, int to_folder = 0);
// The start of a match over a list of images: the match parameters (round robin for the
// all-lanes match), then the images. False when the user stops or there is no image.
bool cmd_match_parameters_and_images(TK_OBJ win, int round_robin, bool read_names,
                                     std::vector<std::string>* paths, GtImgNameList* names);

// Writes the control record as "gt_init.prf" in the write folder (gt_dispatch.cpp): every way
// out of the main window ends with it.
void cmd_write_init_prefs();
