// File and folder choosers, the numeric text test, and window placement in percent of the
// screen. The dialogs and the window geometry belong to the toolkit, which installs them
// (ks_choose_set_hooks); without hooks every chooser answers "cancel" and placement does nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/kstypes.h"

struct TkObject;  // a toolkit window, opaque here

// Filter lists: pairs of label and pattern, each ended by a NUL, the list ended by a second NUL,
// e.g. "KES Files (*.kes)\0*.kes\0All Files (*.*)\0*.*\0". A pattern may hold several
// patterns separated by ';'.
extern const char KS_KES_FILTER[];  // the image-file filter list

// Picks one file. out_path (capacity out_cap) receives the full path; a picked name without an
// extension gets def_ext (e.g. ".txt") appended. 1 when one file was picked, 0 on cancel or
// error (out_path empty). A null filter list fails at once.
int io_win32_singlefile(char* out_path, std::size_t out_cap, const char* caption,
                        const char* init_dir, const char* init_file, const char* filter_list,
                        const char* def_ext, BOOL hide_readonly, BOOL must_exist);
// The same chooser in its save form, for a file to write: the dialog offers to save, any name
// may be typed (the file need not exist), and the name is completed with def_ext alike.
int io_win32_savefile(char* out_path, std::size_t out_cap, const char* caption,
                      const char* init_dir, const char* init_file, const char* filter_list,
                      const char* def_ext);
// Picks one image file (".kes"). An init_dir that is given but empty is replaced, in the
// caller's buffer of capacity dir_cap, by the write folder's "images" subfolder. Without
// must_exist the image is one to write, and the chooser shows its save form.
int io_win32_singlekes(char* out_path, std::size_t out_cap, const char* caption, char* init_dir,
                       std::size_t dir_cap, const char* init_file, BOOL must_exist);
// Picks one or several files. *out_list receives an array of n full paths (n is the result),
// each and the array from ks_alloc_msg (free with ks_freelist_msg(list, n)); 0 on cancel or
// error (*out_list null). *out_filter receives the filter left selected (may be null).
int io_win32_filelist(char*** out_list, const char* caption, const char* init_dir,
                      const char* init_file, const char* filter_list, int filter_index,
                      BOOL hide_readonly, BOOL several, BOOL must_exist, int* out_filter);
// Folder browser: 1 and the folder in out_path (capacity out_cap), 0 on cancel.
int io_win32_browse_folder(const char* title, char* out_path, std::size_t out_cap);
// The same starting in the folder `start` (empty or null: the chooser's own choice).
int io_win32_browse_folder_at(const char* title, const char* start, char* out_path,
                              std::size_t out_cap);
// Folder chooser that also creates the folder: the chosen folder's path (free with ks_free),
// or null on cancel, when the path names a file, or when it cannot be created (both shown).
char* io_dirname_new(const char* start_dir, const char* title);

// TRUE when the text is a plain decimal number: leading blanks and tabs, an optional leading
// '-', digits and at most one '.'; nothing else, not even a trailing blank.
BOOL ks_valok(const char* text);

// The frame the window system adds to a window's client area, as window placement reckons it:
// a title bar above and the borders' width in all.
constexpr int KS_FRAME_TITLE = 22;
constexpr int KS_FRAME_SIDES = 4;

// Window placement in percent of the screen (clamped to 0..100; shifts to -99..99).
void ui_wpos_place(TkObject* win, int x_pct, int y_pct, BOOL centred);
void ui_wpos_place_size(TkObject* win, int x_pct, int y_pct, BOOL centred, int w_pct, int h_pct);
void ui_wpos_shift(TkObject* win, int dx_pct, int dy_pct);
// The rule of ui_wpos_place on its own, for windows of other frameworks: the top left corner
// of a window of outer size w by h (frame included) on a screen of W by H.
void ui_wpos_point(int W, int H, int w, int h, int x_pct, int y_pct, BOOL centred, int* x, int* y);
// A placed window whose bottom would leave the screen is moved up, and one reaching past the
// right edge by more than the rule's four pixels is moved left, until inside; one larger than
// the screen keeps its top left corner on it.
void ui_wpos_inside(int W, int H, int w, int h, int* x, int* y);

// What an open-file dialog is asked for.
struct KsOpenFileRequest {
  std::string caption;
  std::string folder;                 // initial folder ("" none)
  std::string file;                   // initial file name ("" none)
  std::vector<std::string> labels;    // filter labels
  std::vector<std::string> patterns;  // filter patterns ("*.kes", "*.tif;*.tiff")
  int filter_index = 0;               // filter selected at start
  bool several = false;               // several files may be picked
  bool must_exist = false;            // only existing files
  bool hide_readonly = false;         // hide the read-only option (no effect on Linux)
  bool save = false;                  // a file to write: the dialog's save form
};

// The procedures the toolkit installs.
struct KsChooseHooks {
  // Runs an open-file dialog; the picked full paths (empty on cancel) and the filter left selected.
  std::vector<std::string> (*open_files)(const KsOpenFileRequest& req, int* filter_index) = nullptr;
  // Runs a folder chooser; "" on cancel. may_create: a new name may be typed.
  std::string (*choose_folder)(const char* title, const char* start, bool may_create) = nullptr;
  void (*screen_size)(int* w, int* h) = nullptr;
  // Position and client size of a window, and whether it has a frame (border and title bar).
  void (*window_rect)(TkObject* win, int* x, int* y, int* w, int* h, BOOL* framed) = nullptr;
  // Moves a window; with w and h >= 0 also sizes it.
  void (*move_window)(TkObject* win, int x, int y, int w, int h) = nullptr;
};
void ks_choose_set_hooks(const KsChooseHooks& hooks);

// Splits a filter list into labels and patterns (a pattern missing at the end is dropped).
void ks_split_filter(const char* filter_list, std::vector<std::string>* labels,
                     std::vector<std::string>* patterns);
