// Menu-bar entry states, labels and keys. The state of every entry is one function of a
// snapshot of the program's state, so that a pull-down about to open and a key pressed later
// agree: a key sends its command only when its entry exists and is enabled at that moment.
#pragma once

#include <vector>

#include "toolkit/tk_types.h"

// What the entry rules read.
struct GtMenuSnapshot {
  bool busy = false;
  bool idle = true;          // no measuring tool and task state idle
  bool image = false;        // there is a current image
  bool loaded = false;       // ... and its display record holds an image
  bool lanes = false;        // the current image has lanes
  bool modified = false;     // the current image has unsaved changes
  bool any_modified = false; // some open image has unsaved changes
  int sel_bands = 0, sel_lanes = 0, sel_conc = 0, sel_size = 0, sel_size2 = 0;
  int mode = 0;              // selection mode
  int zoom = 1;              // the current image's zoom
  int windows = 0;           // open image windows
  bool band_chain = false;   // the image has bands
  bool lane_list = false;    // the image has a lane list
  bool size_points = false;  // the first tier's size-standard list holds points
  bool conc_list = false;    // the image has a concentration-standard list
  bool conc_points = false;  // ... that holds points
  bool norm_set = false;     // a band or lane normalising value is set
  bool last_band_quantified = false;  // the last selected band is quantified
  int lane_chars = 0;        // lane characteristics of the control record
  int photo_printer = 0;     // 1 "sheet", 2 "roll", 0 any other value or none
  bool hb_fractions = false;       // the hemoglobin fraction definitions are usable
  bool protein_fractions = false;  // the protein fraction definitions are usable
};

// The snapshot of the program's state now (fraction flags from the once-per-run check).
GtMenuSnapshot gt_menu_snapshot();
// The entry's rule: 1 enabled, 0 disabled, -1 when no rule names the entry (it keeps the state
// that its layout or its owner gives it).
int gt_menu_rule(const GtMenuSnapshot& s, int id);
// Whether the entry is enabled: its rule alone.
bool gt_menu_entry_enabled(const GtMenuSnapshot& s, int id);
// Whether the entry opens a pull-down (it sends no command).
bool gt_menu_is_pulldown(int id);
// The label an entry takes from the state (Add and Delete by mode, the photo entry by printer
// kind, the fraction reports by their files, Exit); null when the layout's label holds.
const char* gt_menu_label(const GtMenuSnapshot& s, int id);

// At start-up after the main window is shown: keeps the window, checks the fraction files once,
// binds the keys and attaches the state routine to every pull-down.
void gt_menu_config(TK_OBJ main_win);
// Binds the accelerators on the main window (once) and shows their texts in the menus.
void gt_menu_accel(TK_OBJ main_win);
// One accelerator: the command it sends and its key in Qt's text form ("Ctrl+O", "F5").
struct GtMenuAccel {
  int id;
  const char* key;
};
// The accelerators that gt_menu_accel binds, in their order.
std::vector<GtMenuAccel> gt_menu_accels();
// The command of the last accelerator pressed, before its entry's state was checked (0: none).
int gt_menu_last_key();
// Applies the rules to the entries of one pull-down (the top-level menu number or the entry
// number of a nested pull-down), as its opening does.
void gt_menu_update(int pulldown);
