// Opening, closing and saving images. An image is opened only with its info file ("<base>.kei")
// and under a lock file ("<base>.lck"); every opener hands the image to the one load through the
// program-wide load path and load name. Closing a window, Close All, Quit, the main window's
// close box and the end of the session ask one yes/no/cancel question about unsaved images:
// Yes writes each image's analysis and then its info file, No drops the changes, Cancel keeps
// everything open. A write that fails keeps the image modified and stops the close.
#pragma once

#include "base/kstypes.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// The image to load next: its path and its file-name part.
extern char gt_load_path[IMG_PATH_LEN];
extern char gt_load_name[IMG_PATH_LEN];

// The Open command: the multi-file chooser, then each chosen image not yet open. TRUE unless the
// user cancelled.
BOOL gt_get_image();
// Opens the image at path (nothing for null).
void gt_load_image_path(const char* path);
// Opens the image named by the load path and load name: lock, info file, record, pixels,
// analysis, display, Window-menu entry and window. The new image record, or null when the image
// was not opened (the user's No to a locked image, no lock, no info file, unreadable pixels).
IMAGE_REC* gt_load_image();

// Closes the current image (asking about its changes first).
void gt_unload_image();
// Closes every image window (the question has been asked by the caller).
void gt_unload_all();
// The unsaved-images question. With a window: about that window's image (ui_msg 315, or
// gt_msg 82 at the session's end); without: one question for all modified images (ui_msg 182,
// or gt_msg 82). TRUE when the caller may go on closing.
BOOL gt_save_ok_to_continue(const char* caller, TK_OBJ win, int prog_mgr);
// Writes an image's analysis and info file; clears its modified state only when both were
// written. TRUE on success.
BOOL gt_save_image(IMAGE_REC* image);
// TRUE when the image has unsaved changes (its own flag or its display record's).
BOOL gt_image_modified(const IMAGE_REC* image);
void gt_image_clear_modified(IMAGE_REC* image);

// Closes the modeless tool windows and the viewer processes this program started.
void gt_dismiss_all();
// Ends the viewer processes this program started whose window title holds the text; other
// programs' windows are never touched.
void gt_close_windows_by_title(const char* text);
// The viewer processes: the code that starts the viewer registers each process with its title
// text; closing ends them.
// Registered viewers are looked at every second while any is left, and those that have ended
// (the user closed them) are collected, so none stays behind as a defunct process.
void gt_viewer_register(long pid, const char* title);
int gt_viewer_count();
// Collects the registered viewers that have ended; the number collected.
int gt_viewer_reap();
// The session-end hook: asks about unsaved images, then closes everything. FALSE when the user
// cancels.
BOOL gt_prog_mgr_exit();

// The image window's procedure as the load installs it: the close box asks about unsaved changes
// before the window ends, and the window's end releases the image (lock file, display, lanes,
// bands, record); everything else goes to the image window's own procedure.
long gt_img_close_nfy(TK_OBJ win, int event);
