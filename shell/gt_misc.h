// Small pieces of the shell: the recent-files entries of the File menu, the Window-menu entry of
// an image, the quick-help window of a guided run, the start-up logo, the About window, the
// command-line split, the ini set-up and the paper locale; and the preferences file that the
// main window reads at start-up and writes when it is closed.
#pragma once

#include <string>
#include <vector>

#include "base/kstypes.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "shell/gt_cmd.h"
#include "toolkit/tk_types.h"


// Recent files: a path moves to the top of the four (null at start-up rebuilds the entries).
void gt_update_recent_files(const char* path);
void gt_recent_add_item(const char* text, int id);   // new File-menu entry above Quit
void gt_recent_set_item(int id, const char* text);   // new text of an existing entry
void gt_win_menu_remove(IMAGE_REC* image);           // drops the image's Window-menu entry

// Quick help: six pages (parts 0..5 of "qhelp_win" of module "qhelp").
void qhelp_activate();
void qhelp_show_page(int page);
void qhelp_dismiss();
TK_OBJ qhelp_window();  // the open quick-help window, null when closed

// The guided run: its flag (0 none, 1 size run, 2 quantify run), its end and its clean-up.
extern int gt_vrem_run;
void gt_vrem_end();
void gt_vrem_clean(IMAGE_REC* image);

// Start-up logo from the ini entry Splash ("picture, width, height"), shown for `wait_ms`
// (2000 at start-up) with events running. Nothing is shown when the entry names no picture.
void gt_logo_show(int wait_ms = 2000);
// The About window: modal, titled and labelled with the ini entry Title.
void gt_info_activate();
// Ends the About window with 1 on the activation of its OK button.
long gt_ok_buttonNfy(TK_OBJ button, int event);

// Splits a command line at blanks (runs of blanks count as one, no quoting). Argument 0 is the
// program's own path (at most 256 characters).
std::vector<std::string> gt_split_command_line(const char* command_line, const char* program_path);

// Reads the start-up ini for "VX" version "43" and keeps the write folder. 1 or 0.
BOOL SetupIniFileName();
const char* gt_get_write_dir();  // the write folder kept by SetupIniFileName ('/' at the end)
// TRUE when the ini entry Locale is exactly "US" (US letter paper), else FALSE (A4).
BOOL GetLocaleForPageSetup();

// The preferences file "gt_init.prf" in a folder (a separator is added when the folder has
// none at its end).
std::string gt_prefs_path(const char* folder);
// Reads a preferences file into the control record (gt_read_and_prep_prefs); a file that does
// not exist keeps the record as it is and shows nothing. 1 when a snapshot was applied.
int gt_startup_read_prefs(const char* path, CONTROL* ctl);
