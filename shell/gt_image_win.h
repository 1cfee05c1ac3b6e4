// The spine of the shell: the main window and its parts, the image windows and the current
// image, and the program-wide task state, busy flag and selection mode (all three live in the
// control record, model/control.h).
//
// Image windows are the child windows of the main window's workspace (main-window part 3, the
// part whose pointer also shows the busy state); an image window's client data is its image
// record, and walks over the windows skip windows without one.
#pragma once

#include <vector>

#include "base/kstypes.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "shell/gt_cmd.h"
#include "toolkit/tk_types.h"

// Parts of the main window "gt_main_win" (module "gt_main"), by index.
enum GtMainPart : int {
  GT_MAIN_MODE_BAR = 0,    // four mode buttons: 0 bands, 1 lanes, 2 size stds, 3 conc. stds
  GT_MAIN_STATUS = 1,      // status line
  GT_MAIN_TOOLBAR = 2,     // 23 toolbar buttons
  GT_MAIN_WORKSPACE = 3,   // the image windows; its pointer shows the busy state
  GT_MAIN_MODE_LIST = 4,   // selection-mode choice, entries in the order of the buttons
  GT_MAIN_STATUS2 = 5,     // second status field
};

// Main window and status line (kept at start-up by gt_set_main_win).
void gt_set_main_win(TK_OBJ main_win);  // keeps the window, its status bar and second field
TK_OBJ gt_get_main_win();
TK_OBJ gt_get_status_bar();
TK_OBJ gt_get_status2();
TK_OBJ gt_get_workspace();
int gt_status_text_shown();  // 1 when the status bar shows a non-empty text

// Image windows.
int gt_get_num_img_windows();
TK_OBJ gt_get_img_window(int i);  // i-th image window (0-based), null out of range
// The image records of the image windows in window order (windows without one left out).
std::vector<IMAGE_REC*> gt_open_images();

// Current image.
IMAGE_REC* gt_get_image_ptr();            // the current image; picks one when none is set
void gt_set_image_ptr(IMAGE_REC* image);  // only in task states 0, 7, 8, 9, 12, 14, 15, 16
IMAGE_REC* gt_pick_current_image();       // the active window's image, else window 0's
IMAGE_REC* gt_find_image_by_name(const char* name);  // by image name, ignoring case
// 1 when an image window holds the path (ignoring case), after message 89 (flag 1, error) or
// 88 (information) of gt_msg with the path.
int gt_image_is_loaded(const char* path, int flag);
BOOL gt_any_image_modified();
void gt_set_unloading_all(int on);  // while set no image is picked as current
int gt_get_unloading_all();

// Task state, idleness, busy flag.
BOOL gt_is_idle();           // no measuring tool active and task state 0
BOOL gt_may_change_image();  // no measuring tool active and task state 0, 7, 8, 9, 12, 14 or 15
void gt_busy_begin();        // busy flag 1 and the wait pointer
void gt_busy_end();          // busy flag 0 and the pointer before (one end ends any begins)
void gt_set_state(int state);
int gt_get_state();

// The image-tools window reports whether a measuring tool holds the mouse; until that window
// exists no tool is ever active.
using GtToolsActiveProc = BOOL (*)();
void gt_set_tools_active_proc(GtToolsActiveProc proc);

// Selection mode.
int gt_get_sel_mode();
void gt_set_sel_mode(int mode, TK_OBJ button);  // presses the mode's button, stores the mode
long gt_mode_buttonNfy(TK_OBJ button, int event);  // the four mode buttons
long gt_mode_listNfy(TK_OBJ list, int event);      // the mode list

// Messages and small helpers.
const char* gt_get_message(int index);  // gt_msg text, "VX: Message not found" when none
const char* gt_get_lane_char(int i);    // name of lane characteristic i, null when i >= count
void gt_strip_suffix(char* s, const char* suffix);
BOOL gt_confirm_when_lanes(IMAGE_REC* image);      // gt_msg 65 when the image has lanes
BOOL gt_confirm_when_lanes_alt(IMAGE_REC* image);  // the same with gt_msg 78
BOOL gt_any_lane_value_set(IMAGE_REC* image, int must_be_one, int all_lanes);
// The densitometry tool can start: the current image has its bands found, exactly one selected
// lane, and the selection mode is lanes.
BOOL gt_lane_tool_ready();

// Image windows: creation, events, clean-up. gt_img_open_window loads "gt_img_win" of
// module "gt_img" into the workspace, attaches the canvas procedure to its drawing area (part
// 0), makes the image its client data and menu_id the drawing area's, and shows it.
TK_OBJ gt_img_open_window(TK_OBJ main_win, TK_OBJ workspace, IMAGE_REC* image, TkNfy canvas_nfy,
                          int menu_id);
long gt_img_winNfy(TK_OBJ win, int event);
void gt_misc_destroy(IMAGE_REC* image);  // frees the record's secondary allocations
void gt_set_image_comment(const char* text, int mark_modified);
const char* gt_get_image_comment();

// Window-menu identifiers: the lowest free one in 20000..29999 (0 when all are taken), and
// giving one back when its window closes.
int gt_next_win_menu_id();
void gt_release_win_menu_id(int id);
int gt_win_menu_id_of(IMAGE_REC* image);  // the image's identifier, 0 when none
