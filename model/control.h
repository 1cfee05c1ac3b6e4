// The program-wide control record: settings and program state that every part of the program
// reads. There is one static record, reached through gt_get_control(); it is never freed.
// Its lasting settings are saved as a snapshot (GT_IMG_STATE) in preferences files.
//
// The record is plain data: the preferences dialog edits a byte copy of it and copies it back
// whole. The one owned pointer, `lane_chars`, is shared by such copies.
#pragma once

#include <cstdint>

#include "base/kstypes.h"
#include "model/report_cfg.h"
#include "model/task_state.h"

constexpr int CTL_PATH = 256;       // folder, file and long text fields
constexpr int CTL_UNIT = 20;        // unit texts
constexpr int CTL_SHORT = 20;       // the eight short texts
constexpr int CTL_LC_NAME = 21;     // one lane characteristic name (20 characters and a NUL)
constexpr int CTL_NUM_DISP = 19;    // display codes
constexpr int CTL_NUM_FOLDERS = 6;  // default folders
constexpr int CTL_NUM_RECENT = 4;   // recent files
constexpr int CTL_MIN_LANE_CHARS = 100;  // least capacity of the characteristic name array

// Default folders, by index into CONTROL::folders.
enum CtlFolder : int {
  CTL_DIR_IMAGES = 0,    // default data folder (images)
  CTL_DIR_STDSETS = 1,   // standard sets
  CTL_DIR_LANESEL = 2,   // lane selection and label files
  CTL_DIR_LANEINFO = 3,  // lane information files
  CTL_DIR_PREFS = 4,     // preferences files
  CTL_DIR_REPORTS = 5,   // reports, printing, charts and exports
};

// Selection modes.
enum CtlSelMode : int { SEL_BANDS = 0, SEL_LANES = 1, SEL_SIZE_STDS = 2, SEL_CONC_STDS = 3 };

// Scanner settings of the acquisition window. Colour is not part of the snapshot.
struct CTL_SCAN {
  int Bright;   // -1000 .. 3095 survive the snapshot (12 bits, stored plus 1000)
  int DPI;      // resolution code, 3 bits
  int Trans;    // transmissive, 1 bit
  int Rotate;   // 1 bit
  int Rot_Deg;  // rotation code, 2 bits
  int Width;    // 5 bits
  int Length;   // 6 bits
  int Color;
};

// Flags word bits.
constexpr int CTL_F_SIZE_STDS = 0x1;  // the size-standards switch
constexpr int CTL_F_OLD_CHARS = 0x2;  // old_chars

struct CONTROL {
  // working state
  int busy;             // plain flag, not a counter
  int sel_mode;         // CtlSelMode
  int task_state;       // TaskState
  int lanes_hidden;     // lane outlines hidden
  int annot_off;        // 1: the bitmap paint draws no overlays
  int add_band_quant;   // the add-band choice: new bands are quantified

  // band finding and copying
  int fnd_bnd_quant;    // bands are quantified when found
  int fnd_auto;         // the word that follows fnd_bnd_quant
  int ln_cpy_bnd_detect;
  int ln_cpy_bnd_quant;
  // Band-detection defaults: minimum top band thickness (7), minimum bottom band thickness,
  // band threshold, second band threshold. The last three are also the first three words of
  // the profile group.
  int bnd_detect[4];

  // profile
  int ln_prf_sub_bg;
  int ln_prf_smooth;
  int16_t ln_prf_offset;      // profile window: lanes stacked
  int16_t ln_prf_show_bands;  // profile window: band rows marked
  int16_t bg_all_lanes;  // background of all lanes
  int16_t bg_requant;    // requantify after a background change

  // calibration
  int im_calib_interp;   // 0 logarithmic, 1 linear (3 bits kept)
  int requant_existing;

  // size standards
  int calib_stdset;      // calibration uses a standard set
  int calib_requant;     // calibration requantify switch
  int size_interp;
  int size_extrap;
  int size_stdset;
  int size_requant;      // size requantify switch

  // concentration standards
  int conc_interp;
  int conc_extrap;
  int conc_stdset;

  // display
  int cmap_code;
  int cmap_level;        // per cent
  int cmap_width;        // per cent

  // standard set paths
  char calib_stdset_path[CTL_PATH];
  char size_stdset_path[CTL_PATH];
  char conc_stdset_path[CTL_PATH];

  int disp_codes[CTL_NUM_DISP];  // display switches, sizes and colour codes of the overlays

  // units
  char size_unit[CTL_UNIT];
  char conc_unit[CTL_UNIT];
  char dist_unit[CTL_UNIT];
  char other_unit[CTL_PATH];

  // digits
  int size_digits;
  int conc_digits;
  int16_t rep_list_pos;     // first 16-bit report setting
  int16_t rep_empty_lanes;  // second 16-bit report setting: include empty lanes
  int ln_cpy_bnd_active_only;  // the reports' active-image-only switch

  // report configurations
  REPORT_CFG band_cfg;      // report types 0, 1, 2 and 5
  REPORT_CFG compare_cfg;
  REPORT_CFG bmatch_cfg;    // report type 3
  REPORT_CFG lmatch_cfg;    // report type 4

  char short_texts[8][CTL_SHORT];

  // lane characteristic category names: an owned array of max_lane_chars slots, the first
  // num_lane_chars in use
  int max_lane_chars;
  int num_lane_chars;
  char (*lane_chars)[CTL_LC_NAME];

  // match settings
  int match_sw[8];          // eight one-bit switches
  int match_method;         // 0 Jaccard, 1 Dice, 2 per cent of reference
  double match_tol[4];      // band size, inter-band spacing, volume tolerances, lane threshold
  int keep_match_results;   // the all-lanes match keeps its match file where the user chose

  // files
  char lane_sel_file[CTL_PATH];
  char match_dev_file[CTL_PATH];

  // size standards, further
  int size_nstd;            // size-standards number setting (2)
  int size_nstd_a;          // 200
  int size_nstd_b;

  // folders
  char folders[CTL_NUM_FOLDERS][CTL_PATH];
  char import_path[CTL_PATH];

  // standards and match
  int ignore_stds;          // exclude size-standard lanes
  int band_count_limit;     // 100 = no limit
  char image_list_file[CTL_PATH];
  char imgname_list_file[CTL_PATH];  // image name and lane number list (held in memory only)
  char imgname_lanename_file[CTL_PATH];  // image name and lane name list (held in memory only)

  // flags
  int lane_label_idx;       // the chosen lane characteristic: 0 the lane name, i char i - 1
  int flags;                // CTL_F_*

  char recent[CTL_NUM_RECENT][CTL_PATH];

  // misc
  int misc_word;
  unsigned char misc_block[256];

  CTL_SCAN scan;

  // densitometry tool
  int iBackAngle;           // 0 .. 127 survive the snapshot
  int iLaneWidth;           // 0 .. 127 survive the snapshot
  int DTOOL_bBandSize;
  int DTOOL_bLowestPts;

  // Working words of the lane and band tools that the snapshot does not carry.
  int lane_def_mode;      // lane definition: 0 by hand, nonzero found
  int lane_count;         // lanes to find; -1 none chosen
  int bnd_bounds_disp;    // show band bounds
  int bnd_label_disp;     // show band labels
  int size_auto_assign;   // size-standard assignment assigns automatically
};

// The snapshot of the control record's lasting settings (analysis type 49). Field order is
// the stored order; io/img_state writes and reads it field by field. Packed words hold
// several settings (see gt_state_init in control.cpp for their bit fields).
struct GT_IMG_STATE {
  int32_t sel_mode;
  int32_t scan_word;        // add-band choice and the scanner settings
  int32_t bnd_word;         // band finding and copying switches
  int32_t fnd_auto;
  int32_t bnd_detect[4];
  int32_t prf_word;         // ln_prf_sub_bg, ln_prf_smooth
  int16_t prf_vals[2];
  int32_t calib_word;       // im_calib_interp, requant_existing
  int32_t calib_stdset;
  int32_t calib_requant;
  int32_t size_interp;
  int32_t size_extrap;
  int32_t size_stdset;
  int32_t size_requant;
  int32_t conc_interp;
  int32_t conc_extrap;
  int32_t conc_stdset;
  int32_t cmap_code;
  int32_t cmap_level;
  int32_t cmap_width;
  char stdset_paths[3][CTL_PATH];   // calibration, size, concentration
  int32_t disp_codes[CTL_NUM_DISP];
  char size_unit[CTL_UNIT];
  char conc_unit[CTL_UNIT];
  char dist_unit[CTL_UNIT];
  char other_unit[CTL_PATH];
  int32_t size_digits;
  int32_t conc_digits;
  int32_t rep_word;         // low half the first 16-bit report setting, high half the second
  REPORT_CFG rep_cfg[4];    // band, compare, band match, lane match
  char short_texts[8][CTL_SHORT];
  int32_t num_lane_chars;
  char** lane_chars;        // num_lane_chars owned texts of CTL_LC_NAME bytes
  int32_t match_word;       // method (0,3), switches at bits 3..10
  double match_tol[4];
  char lane_sel_file[CTL_PATH];
  char match_dev_file[CTL_PATH];  // held in memory only, never stored
  int32_t size_nstd;
  int32_t size_nstd_a;
  int32_t size_nstd_b;
  char folders[CTL_NUM_FOLDERS][CTL_PATH];
  char import_path[CTL_PATH];
  int32_t dtool_word;       // ignore_stds and the densitometry tool settings
  int32_t band_count_limit;
  char image_list_file[CTL_PATH];
  int32_t lane_label_idx;
  char recent[CTL_NUM_RECENT][CTL_PATH];
  int32_t misc_word;
  unsigned char misc_block[256];
  int32_t flags;
  int32_t extra_words[2];   // stored, not copied to or from the control record
  char extra_texts[2][CTL_PATH];
};

// The one control record.
CONTROL* gt_get_control();

// Sets every default of the control record, selects the colour map with code 0, level 50 and
// width 100, and sets the report configurations to their defaults. Frees nothing: call it on
// a cleared record (or the static one at start-up).
void gt_control_init(CONTROL* ctl);

// Copies a snapshot into the control record, every setting held to the range its dialog offers
// (a value outside it becomes the nearest bound, so that no later use meets a size or count
// no dialog could give). Null arguments change nothing.
void gt_state_init(CONTROL* ctl, GT_IMG_STATE* state);

// Packs the control record into a snapshot, replacing its lane characteristic names.
// Null arguments change nothing.
void gt_state_retrieve(CONTROL* ctl, GT_IMG_STATE* state);

// A new cleared snapshot (ks_alloc_msg), or null after the allocator's alert.
GT_IMG_STATE* gt_state_alloc();
// Frees a snapshot and its names; null is ignored.
void gt_state_free(GT_IMG_STATE* state);
// Frees the snapshot's lane characteristic names and sets the count to 0.
void gt_state_free_names(GT_IMG_STATE* state);

// Bit fields of a 32-bit word: `nbits` bits from bit `first` (bit 0 the least significant).
// A field of 0 bits reads as 0. The setter clears the field, stores the value masked to the
// field's width and returns the new word.
int32_t ih_get_bits(int32_t word, int first, int nbits);
int32_t ih_set_bits(int32_t* word, int first, int nbits, int32_t value);

// The control record asks the shell for the program-wide colour map (code, level per cent,
// width per cent), which it cannot set itself. The shell installs its setter at start-up;
// until then the requests are only traced. Returns the previous procedure.
using GtCmapProc = void (*)(int code, int level, int width);
GtCmapProc gt_control_set_cmap_proc(GtCmapProc proc);
