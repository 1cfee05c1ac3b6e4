// The preferences dialog.
#include "shell/gt_prefs.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "analysis/compare.h"
#include "analysis/rep_cfg.h"
#include "analysis/rep_engine.h"
#include "io/analysis_io.h"
#include "model/img_info.h"
#include "shell/gt_image_win.h"
#include "shell/ui_color.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kPages = 6;
// The page each tab button shows.
constexpr int kPageOfTab[kPages] = {1, 0, 2, 5, 3, 4};

// Page 1: the display codes (indexes) of the seven switches and the eight colour choosers.
constexpr int kSwitchCodes[7] = {5, 6, 7, 8, 4, 9, 10};
constexpr int kColourCodes[8] = {17, 18, 15, 16, 13, 14, 12, 11};
constexpr int kFirstColourPart = 7;

// Page 2 parts.
enum { P2_LIST_POS = 0, P2_REPORTS = 1, P2_SEL_FILE = 2, P2_IMG_LIST = 3, P2_EMPTY = 4,
       P2_ACTIVE = 5 };
// Page 4 parts.
enum { P4_MODE = 0, P4_UNIT_L = 1, P4_UNIT = 2, P4_DIGITS_L = 3, P4_DIGITS = 4, P4_INTERP_L = 5,
       P4_INTERP = 6, P4_EXTRAP_L = 7, P4_EXTRAP = 8, P4_STDSET = 9, P4_REQUANT = 10,
       P4_SIZE_SW = 11, P4_SIZE_N = 12, P4_OD_INTERP = 13, P4_REQUANT_EXISTING = 14 };
enum StdMode { MODE_SIZE = 0, MODE_CONC = 1, MODE_OD = 2 };

constexpr int kFolderBoxes = 7;
const char* const kFolderTitles[kFolderBoxes] = {
    "Select Default Images Folder",        "Select Default Standard Sets Folder",
    "Select Default Lane Selection and Labels Folder",
    "Select Default Lane Information File Folder", "Select Default Preferences Folder",
    "Select Default Reports Folder",       "Select Default Import/Export Folder"};

const char* const kPrefsFilter = "Preference Files (*.prf)\0*.prf\0";

// State that outlives the window for the run.
int s_page = 0;
int s_std_mode = MODE_SIZE;
bool s_initialised = false;
int s_interp[3] = {0, 0, 0};  // size, concentration, calibration

// State of one opening.
TK_OBJ s_win = nullptr;
CONTROL* s_live = nullptr;
CONTROL* s_work = nullptr;
std::string s_sel_path, s_list_path;
std::string s_folder_paths[kFolderBoxes];

TK_OBJ page(int k) { return RES_GetSub(s_win, PREFS_PAGE_FIRST + k); }
TK_OBJ on_page(int k, int part) { return RES_GetSub(page(k), part); }

// The working copy: the record with its own lane characteristic names.
CONTROL* copy_control(const CONTROL* ctl) {
  auto* c = static_cast<CONTROL*>(ks_alloc_msg(sizeof(CONTROL)));
  if (c == nullptr) return nullptr;
  std::memcpy(c, ctl, sizeof *c);
  c->lane_chars = nullptr;
  if (ctl->lane_chars != nullptr && ctl->max_lane_chars > 0) {
    const std::size_t bytes = static_cast<std::size_t>(ctl->max_lane_chars) * CTL_LC_NAME;
    c->lane_chars = static_cast<char(*)[CTL_LC_NAME]>(ks_alloc_msg(bytes));
    if (c->lane_chars == nullptr) {
      ks_free(c);
      return nullptr;
    }
    std::memcpy(c->lane_chars, ctl->lane_chars, bytes);
  }
  return c;
}

void free_control(CONTROL* c) {
  if (c == nullptr) return;
  ks_free(c->lane_chars);
  ks_free(c);
}

std::string file_name(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string described(int msg, const std::string& what) {
  return std::string(gt_get_message(msg)) + ":  " + what;
}

void copy_path(char* dst, const std::string& src) { std::snprintf(dst, CTL_PATH, "%s", src.c_str()); }

bool readable(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

char* folder_field(CONTROL* c, int box) {
  return box < CTL_NUM_FOLDERS ? c->folders[box] : c->import_path;
}

// --- Pages from the working copy ----------------------------------------------------------

void show_page(int k) {
  for (int i = 0; i < kPages; ++i) WGT_Show(page(i), i == k ? 1 : 0);
  TK_OBJ tabs = RES_GetSub(s_win, PREFS_TABS);
  for (int t = 0; t < kPages; ++t) WGT_SetValue(RES_GetSub(tabs, t), kPageOfTab[t] == k ? 1 : 0);
  s_page = k;
}

void set_readout(int k) {
  char text[16];
  std::snprintf(text, sizeof text, "%ld", WGT_GetValue(on_page(0, 2 * k)));
  WGT_SetLabel(on_page(0, 2 * k + 1), text);
}

void set_file_box(TK_OBJ box, int msg, const char* path, std::string* kept) {
  *kept = path;
  WGT_SetValue(box, kept->empty() ? 0 : 1);
  WGT_SetLabel(box, kept->empty() ? gt_get_message(msg) : described(msg, *kept).c_str());
}

void show_stds(int mode) {
  CONTROL* w = s_work;
  const bool size = mode == MODE_SIZE, conc = mode == MODE_CONC, od = mode == MODE_OD;
  for (int p : {P4_UNIT_L, P4_UNIT, P4_DIGITS_L, P4_DIGITS, P4_EXTRAP_L, P4_EXTRAP, P4_INTERP})
    WGT_Show(on_page(4, p), od ? 0 : 1);
  WGT_Show(on_page(4, P4_OD_INTERP), od ? 1 : 0);
  WGT_Show(on_page(4, P4_REQUANT), conc ? 0 : 1);
  WGT_Show(on_page(4, P4_SIZE_SW), size ? 1 : 0);
  WGT_Show(on_page(4, P4_SIZE_N), size ? 1 : 0);
  WGT_Show(on_page(4, P4_REQUANT_EXISTING), od ? 1 : 0);
  int stdset = 0;
  const char* path = "";
  if (size || conc) {
    WGT_SetText(on_page(4, P4_UNIT), size ? w->size_unit : w->conc_unit);
    WGT_SetValue(on_page(4, P4_DIGITS), size ? w->size_digits : w->conc_digits);
    WGT_SetChoice(on_page(4, P4_INTERP), prefs_interp_entry(s_interp[mode]));
    WGT_SetChoice(on_page(4, P4_EXTRAP), size ? w->size_extrap : w->conc_extrap);
    stdset = size ? w->size_stdset : w->conc_stdset;
    path = size ? w->size_stdset_path : w->conc_stdset_path;
  } else {
    // A method above linear is shown as linear.
    WGT_SetChoice(on_page(4, P4_OD_INTERP), s_interp[MODE_OD] >= 1 ? 1 : 0);
    WGT_SetValue(on_page(4, P4_REQUANT_EXISTING), w->requant_existing);
    stdset = w->calib_stdset;
    path = w->calib_stdset_path;
  }
  TK_OBJ box = on_page(4, P4_STDSET);
  WGT_SetValue(box, stdset ? 1 : 0);
  WGT_SetLabel(box, stdset && path[0] ? described(79, file_name(path)).c_str() : gt_get_message(79));
  if (size) {
    WGT_SetValue(on_page(4, P4_REQUANT), w->size_requant);
    WGT_Enable(on_page(4, P4_REQUANT), stdset ? 1 : 0);
    const int sw = (w->flags & CTL_F_SIZE_STDS) ? 1 : 0;
    WGT_SetValue(on_page(4, P4_SIZE_SW), sw);
    WGT_SetValue(on_page(4, P4_SIZE_N), w->size_nstd);
    WGT_Enable(on_page(4, P4_SIZE_N), sw);
  } else if (od) {
    WGT_SetValue(on_page(4, P4_REQUANT), w->calib_requant);
    WGT_Enable(on_page(4, P4_REQUANT), 1);
  }
}

void get_stds(int mode) {
  CONTROL* w = s_work;
  if (mode == MODE_SIZE || mode == MODE_CONC) {
    const char* unit = WGT_GetText(on_page(4, P4_UNIT));
    std::snprintf(mode == MODE_SIZE ? w->size_unit : w->conc_unit, CTL_UNIT, "%s", unit ? unit : "");
    const int digits = WGT_GetInt(on_page(4, P4_DIGITS));
    const int extrap = WGT_GetChoice(on_page(4, P4_EXTRAP));
    s_interp[mode] = prefs_interp_method(WGT_GetChoice(on_page(4, P4_INTERP)));
    if (mode == MODE_SIZE) {
      w->size_digits = digits;
      w->size_extrap = extrap;
      w->size_requant = static_cast<int>(WGT_GetValue(on_page(4, P4_REQUANT)));
      if (WGT_GetValue(on_page(4, P4_SIZE_SW))) w->flags |= CTL_F_SIZE_STDS;
      else w->flags &= ~CTL_F_SIZE_STDS;
      w->size_nstd = WGT_GetInt(on_page(4, P4_SIZE_N));
    } else {
      w->conc_digits = digits;
      w->conc_extrap = extrap;
    }
  } else {
    s_interp[MODE_OD] = WGT_GetChoice(on_page(4, P4_OD_INTERP));
    w->calib_requant = static_cast<int>(WGT_GetValue(on_page(4, P4_REQUANT)));
    // The switch this mode shows decides.
    w->requant_existing = static_cast<int>(WGT_GetValue(on_page(4, P4_REQUANT_EXISTING)));
  }
}

void setup_pages() {
  CONTROL* w = s_work;
  for (int k = 0; k < 4; ++k) {
    WGT_SetValue(on_page(0, 2 * k), w->disp_codes[k]);
    set_readout(k);
  }
  for (int i = 0; i < 7; ++i) WGT_SetValue(on_page(1, i), w->disp_codes[kSwitchCodes[i]] ? 1 : 0);
  for (int i = 0; i < 8; ++i) {
    TK_OBJ chooser = on_page(1, kFirstColourPart + i);
    ui_color_init(chooser, nullptr);
    const int code = w->disp_codes[kColourCodes[i]];
    // A code the list does not offer shows no entry, and stays unless the user picks one.
    WGT_SetChoice(chooser, -1);
    ui_color_set(chooser, code);
  }
  WGT_SetValue(on_page(2, P2_EMPTY), w->rep_empty_lanes ? 1 : 0);
  WGT_SetValue(on_page(2, P2_ACTIVE), w->ln_cpy_bnd_active_only ? 1 : 0);
  set_file_box(on_page(2, P2_SEL_FILE), 86, w->lane_sel_file, &s_sel_path);
  set_file_box(on_page(2, P2_IMG_LIST), 174, w->image_list_file, &s_list_path);
  SLOG("prefs_lanechar_config", SLOG_VALUE4, "%d lane characteristics", w->num_lane_chars);
  s_std_mode = MODE_SIZE;
  WGT_SetChoice(on_page(4, P4_MODE), MODE_SIZE);
  show_stds(MODE_SIZE);
  for (int i = 0; i < kFolderBoxes; ++i)
    set_file_box(on_page(5, i), 137 + i, folder_field(w, i), &s_folder_paths[i]);
}

// --- Reading the pages ----------------------------------------------------------------------

void save_config(CONTROL* w) {
  for (int k = 0; k < 4; ++k) w->disp_codes[k] = WGT_GetInt(on_page(0, 2 * k));
  for (int i = 0; i < 7; ++i)
    w->disp_codes[kSwitchCodes[i]] = static_cast<int>(WGT_GetValue(on_page(1, i)));
  for (int i = 0; i < 8; ++i) {
    const int code = ui_color_get(on_page(1, kFirstColourPart + i));
    if (code >= 0) w->disp_codes[kColourCodes[i]] = code;
  }
  w->rep_list_pos = static_cast<int16_t>(WGT_GetChoice(on_page(2, P2_LIST_POS)));
  w->rep_empty_lanes = static_cast<int16_t>(WGT_GetValue(on_page(2, P2_EMPTY)));
  w->ln_cpy_bnd_active_only = static_cast<int>(WGT_GetValue(on_page(2, P2_ACTIVE)));
  copy_path(w->lane_sel_file, WGT_GetValue(on_page(2, P2_SEL_FILE)) ? s_sel_path : "");
  copy_path(w->image_list_file, WGT_GetValue(on_page(2, P2_IMG_LIST)) ? s_list_path : "");
  // The standards page reads the mode it shows; the others were read when it was left.
  get_stds(s_std_mode);
  for (int i = 0; i < kFolderBoxes; ++i)
    copy_path(folder_field(w, i), WGT_GetValue(on_page(5, i)) ? s_folder_paths[i] : "");
}

// --- Callbacks ------------------------------------------------------------------------------

long tabNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  const int tab = RES_GetIndex(button);
  if (tab >= 0 && tab < kPages) show_page(kPageOfTab[tab]);
  return 0;
}

long sliderNfy(TK_OBJ slider, int event) {
  WGT_DefaultNfy(slider, event);
  if (event == TK_EV_ACTIVATE) set_readout(RES_GetIndex(slider) / 2);
  return 0;
}

// The lane selection and image list boxes: a file that opens for reading, or unticked.
long file_boxNfy(TK_OBJ box, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(box, event);
  const bool sel = RES_GetIndex(box) == P2_SEL_FILE;
  const int msg = sel ? 86 : 174;
  std::string* kept = sel ? &s_sel_path : &s_list_path;
  if (!WGT_GetValue(box)) {
    WGT_SetLabel(box, gt_get_message(msg));
    return 0;
  }
  char path[KS_PATH_LEN] = "";
  const int picked = sel ? io_win32_singlefile(path, sizeof path, "Select a Lane Selection file...",
                                               s_live->folders[CTL_DIR_LANESEL], "",
                                               "Lane Selection Files (*.sel)\0*.sel\0", ".sel",
                                               TRUE, TRUE)
                         : io_win32_singlefile(path, sizeof path, "Select an Image List file...",
                                               s_live->folders[CTL_DIR_LANESEL], "",
                                               "CSV (*.csv)\0*.csv\0", ".csv", TRUE, TRUE);
  if (!picked) {
    WGT_SetValue(box, 0);
    WGT_SetLabel(box, gt_get_message(msg));
    return 0;
  }
  if (!readable(path)) {
    WGT_SetValue(box, 0);
    WGT_SetLabel(box, gt_get_message(msg));
    if (sel) mh_send_msg(KS_ALERT_INFO, gt_get_message(87), file_name(path).c_str());
    else mh_send_msg(KS_ALERT_INFO, gt_get_message(175), file_name(path).c_str());
    return 0;
  }
  *kept = path;
  WGT_SetLabel(box, described(msg, *kept).c_str());
  return 0;
}

long folder_boxNfy(TK_OBJ box, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(box, event);
  const int i = RES_GetIndex(box);
  if (i < 0 || i >= kFolderBoxes) return 0;
  if (WGT_GetValue(box)) {
    char folder[KS_PATH_LEN] = "";
    if (io_win32_browse_folder(kFolderTitles[i], folder, sizeof folder)) {
      s_folder_paths[i] = folder;
      WGT_SetLabel(box, described(137 + i, folder).c_str());
      return 0;
    }
    WGT_SetValue(box, 0);
  }
  WGT_SetLabel(box, gt_get_message(137 + i));
  return 0;
}

// The standard set box of the shown mode.
long stdset_boxNfy(TK_OBJ box, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(box, event);
  CONTROL* w = s_work;
  int* word = s_std_mode == MODE_SIZE ? &w->size_stdset
              : s_std_mode == MODE_CONC ? &w->conc_stdset : &w->calib_stdset;
  char* field = s_std_mode == MODE_SIZE ? w->size_stdset_path
                : s_std_mode == MODE_CONC ? w->conc_stdset_path : w->calib_stdset_path;
  if (WGT_GetValue(box)) {
    char path[KS_PATH_LEN] = "";
    if (io_win32_singlefile(path, sizeof path, "Select a Standard Set...",
                            s_live->folders[CTL_DIR_STDSETS], "",
                            "Standard Set Files (*.std)\0*.std\0", ".std", TRUE, TRUE)) {
      if (readable(path)) {
        copy_path(field, path);
        *word = 1;
        WGT_SetLabel(box, described(79, file_name(path)).c_str());
        if (s_std_mode == MODE_SIZE) WGT_Enable(on_page(4, P4_REQUANT), 1);
        return 0;
      }
      mh_send_msg(KS_ALERT_INFO, gt_get_message(80), file_name(path).c_str());
      field[0] = '\0';
    }
    WGT_SetValue(box, 0);
  } else {
    *word = 0;
    field[0] = '\0';
  }
  WGT_SetLabel(box, gt_get_message(79));
  if (s_std_mode == MODE_SIZE) {
    WGT_SetValue(on_page(4, P4_REQUANT), 0);
    WGT_Enable(on_page(4, P4_REQUANT), 0);
  } else if (s_std_mode == MODE_OD) {
    WGT_Enable(on_page(4, P4_REQUANT), 1);
  }
  return 0;
}

long modeNfy(TK_OBJ choice, int event) {
  if (event != TK_EV_CHOICE) return WGT_DefaultNfy4(choice, event);
  const int mode = WGT_GetChoice(choice);
  if (mode < MODE_SIZE || mode > MODE_OD || mode == s_std_mode) return 0;
  SLOG("prefs_std_config", SLOG_VALUE4, "switch displayed %d, switch now these %d", s_std_mode, mode);
  get_stds(s_std_mode);
  s_std_mode = mode;
  show_stds(mode);
  return 0;
}

long size_switchNfy(TK_OBJ toggle, int event) {
  WGT_DefaultNfy(toggle, event);
  if (event == TK_EV_ACTIVATE) WGT_Enable(on_page(4, P4_SIZE_N), WGT_GetValue(toggle) ? 1 : 0);
  return 0;
}

// Entry k of the reports list opens the configuration dialog of report k: the band report, the
// comparison report, the band match report, the lane match report. The dialogs edit the live
// record; a confirmed change is taken into the working copy at once, so the commit keeps it.
int prefs_report_config(int entry) {
  CONTROL* live = gt_get_control();
  if (live == nullptr || s_work == nullptr) return 0;
  REPORT_CFG CONTROL::* const blocks[] = {&CONTROL::band_cfg, &CONTROL::compare_cfg,
                                          &CONTROL::bmatch_cfg, &CONTROL::lmatch_cfg};
  int changed = 0;
  switch (entry) {
    case 0: changed = band_rep_config(REP_SEL_BANDS, 0); break;
    case 1: changed = compare_config(); break;
    case 2: changed = band_rep_config(REP_BAND_MATCH, 0); break;
    case 3: changed = band_rep_config(REP_LANE_MATCH, 0); break;
    default: return 0;
  }
  SLOG("prefs_report_config", SLOG_VALUE4, "report configuration %d changed %d", entry, changed);
  if (changed) s_work->*blocks[entry] = live->*blocks[entry];
  return changed;
}

long reportsNfy(TK_OBJ list, int event) {
  if (event == TK_EV_LIST_PICK) {
    const int entry = WGT_GetChoice(list);
    if (entry < 0) return 0;
    prefs_report_config(entry);
    // No entry stays chosen, so that the same report can be configured again.
    WGT_SetChoice(list, -1);
    return 0;
  }
  return WGT_DefaultNfy7(list, event);
}

// The colour map and the optical-density compatibility mode of the program follow the record.
void apply_program_wide(const CONTROL* c) {
  const GtCmapProc proc = gt_control_set_cmap_proc(nullptr);
  gt_control_set_cmap_proc(proc);
  if (proc) proc(c->cmap_code, c->cmap_level, c->cmap_width);
  ih_set_ODcompatabilty("none");
  if (c->requant_existing && (c->im_calib_interp == 0 || c->im_calib_interp == 1))
    ih_set_ODcompatabilty(c->im_calib_interp == 0 ? "AlwaysLog" : "AlwaysLinear");
}

long okNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  save_config(s_work);
  // The live record takes the working copy whole, names included.
  ks_free(s_live->lane_chars);
  std::memcpy(s_live, s_work, sizeof *s_live);
  ks_free(s_work);
  s_work = nullptr;
  prefs_set_control_ptr(s_live);
  apply_program_wide(s_live);
  WIN_EndModal(s_win, 1);
  return 0;
}

long cancelNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  WIN_EndModal(s_win, 0);
  return 0;
}

// A preferences file of the preferences folder (path holds KS_PATH_LEN characters).
// Saving asks with the chooser's save form, loading with its open form.
bool choose_prefs_file(const char* caption, BOOL must_exist, char* path) {
  if (!must_exist)
    return io_win32_savefile(path, KS_PATH_LEN, caption, s_live->folders[CTL_DIR_PREFS], "",
                             kPrefsFilter, ".prf") != 0;
  return io_win32_singlefile(path, KS_PATH_LEN, caption, s_live->folders[CTL_DIR_PREFS], "",
                             kPrefsFilter, ".prf", TRUE, must_exist) != 0;
}

long saveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  char path[KS_PATH_LEN] = "";
  if (!choose_prefs_file("Save Preference file...", FALSE, path)) return 0;
  if (io_file_exists(path) && mh_send_msg(KS_ALERT_YESNO, ui_msg(270), file_name(path).c_str()) != 2)
    return 0;
  save_config(s_work);
  if (!gt_prep_prefs_and_write(path, s_work)) SLOG("prefs_activate", SLOG_WARN, "<%s> not written", path);
  return 0;
}

long loadNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  char path[KS_PATH_LEN] = "";
  if (!choose_prefs_file("Load Preference file...", TRUE, path)) return 0;
  // Read into a scratch record, so that a file that does not read leaves the working copy as
  // it was, and so that the program-wide colour map and compatibility mode stay until OK.
  CONTROL scratch;
  std::memcpy(&scratch, s_work, sizeof scratch);
  const GtCmapProc proc = gt_control_set_cmap_proc(nullptr);
  const int compat = ih_get_ODcompatability();
  const BOOL ok = gt_read_and_prep_prefs(path, &scratch);
  gt_control_set_cmap_proc(proc);
  ih_set_ODcompatabilty(compat == 1 ? "AlwaysLog" : compat == 2 ? "AlwaysLinear" : "none");
  if (!ok) {
    if (scratch.lane_chars != s_work->lane_chars) ks_free(scratch.lane_chars);
    SLOG("prefs_activate", SLOG_WARN, "<%s> does not read", path);
    return 0;
  }
  if (scratch.lane_chars != s_work->lane_chars) ks_free(s_work->lane_chars);
  std::memcpy(s_work, &scratch, sizeof scratch);
  // The report configurations of the file take effect at once, as the report configuration
  // dialogs' changes do.
  s_live->band_cfg = s_work->band_cfg;
  s_live->compare_cfg = s_work->compare_cfg;
  s_live->bmatch_cfg = s_work->bmatch_cfg;
  s_live->lmatch_cfg = s_work->lmatch_cfg;
  s_interp[MODE_SIZE] = s_work->size_interp;
  s_interp[MODE_CONC] = s_work->conc_interp;
  s_interp[MODE_OD] = s_work->im_calib_interp;
  setup_pages();
  return 0;
}

long prefs_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(win, 0);
    return 0;
  }
  if (event == TK_EV_TERMINATE) {
    free_control(s_work);
    s_work = nullptr;
  }
  return WIN_DefaultNfy(win, event);
}

void attach() {
  RES_SetNfy(s_win, prefs_winNfy);
  RES_SetNfy(RES_GetSub(s_win, PREFS_OK), okNfy);
  RES_SetNfy(RES_GetSub(s_win, PREFS_CANCEL), cancelNfy);
  RES_SetNfy(RES_GetSub(s_win, PREFS_LOAD), loadNfy);
  RES_SetNfy(RES_GetSub(s_win, PREFS_SAVE), saveNfy);
  TK_OBJ tabs = RES_GetSub(s_win, PREFS_TABS);
  for (int t = 0; t < kPages; ++t) RES_SetNfy(RES_GetSub(tabs, t), tabNfy);
  for (int k = 0; k < 4; ++k) RES_SetNfy(on_page(0, 2 * k), sliderNfy);
  for (int i = 0; i < 8; ++i) RES_SetNfy(on_page(1, kFirstColourPart + i), ui_color_notify);
  WGT_Show(on_page(2, P2_LIST_POS), 0);
  RES_SetNfy(on_page(2, P2_REPORTS), reportsNfy);
  RES_SetNfy(on_page(2, P2_SEL_FILE), file_boxNfy);
  RES_SetNfy(on_page(2, P2_IMG_LIST), file_boxNfy);
  RES_SetNfy(on_page(4, P4_MODE), modeNfy);
  RES_SetNfy(on_page(4, P4_STDSET), stdset_boxNfy);
  RES_SetNfy(on_page(4, P4_SIZE_SW), size_switchNfy);
  for (int i = 0; i < kFolderBoxes; ++i) RES_SetNfy(on_page(5, i), folder_boxNfy);
}

}  // namespace

void prefs_init() {
  s_page = 0;
  s_std_mode = MODE_SIZE;
  s_initialised = false;
}

int prefs_page_of_tab(int tab) { return tab >= 0 && tab < kPages ? kPageOfTab[tab] : -1; }
int prefs_current_page() { return s_page; }

int prefs_interp_entry(int method) {
  // Entries 0..3 stand for methods 0, 1, 3 and 4; method 2 shows as entry 1.
  if (method <= 1) return method < 0 ? 0 : method;
  return method - 1 > 3 ? 3 : method - 1;
}

int prefs_interp_method(int entry) {
  static const int kMethod[4] = {0, 1, 3, 4};
  return entry >= 0 && entry < 4 ? kMethod[entry] : 0;
}

void prefs_set_control_ptr(CONTROL* ctl) {
  ctl->size_interp = s_interp[MODE_SIZE];
  ctl->conc_interp = s_interp[MODE_CONC];
  ctl->im_calib_interp = s_interp[MODE_OD];
  SLOG("prefs_set_control_ptr", SLOG_VALUE4, "cp size_interp %d, conc_ %d, calib_ %d",
       ctl->size_interp, ctl->conc_interp, ctl->im_calib_interp);
}

int prefs_activate(TK_OBJ owner, CONTROL* ctl) {
  static const char* fn = "prefs_activate";
  if (ctl == nullptr) return 0;
  // Without a working copy there is nothing to edit: the dialog does not open.
  s_work = copy_control(ctl);
  if (s_work == nullptr) {
    ks_dbg_null_ptr(fn, "S_temp_control_ptr");
    return 0;
  }
  s_win = WIN_Load("prefs", "prefs_win");
  if (s_win == nullptr) {
    free_control(s_work);
    s_work = nullptr;
    return 0;
  }
  s_live = ctl;
  if (!s_initialised) {
    SLOG(fn, SLOG_VALUE4, "initial set/save values...");
    s_interp[MODE_SIZE] = ctl->size_interp;
    s_interp[MODE_CONC] = ctl->conc_interp;
    s_interp[MODE_OD] = ctl->im_calib_interp;
    s_initialised = true;
  }
  // Methods chosen in a dialog that is cancelled do not last.
  int kept_interp[3];
  std::memcpy(kept_interp, s_interp, sizeof kept_interp);
  attach();
  WIN_SetOwner(s_win, owner);
  SLOG(fn, SLOG_VALUE4, "above WIN_Init");
  WIN_Init(s_win);
  SLOG(fn, SLOG_VALUE4, "below WIN_Init");
  SLOG(fn, SLOG_VALUE4, "Size_interp %d, Conc_interp %d", s_work->size_interp, s_work->conc_interp);
  show_page(s_page);
  setup_pages();
  ui_wpos_place(s_win, 80, 50, FALSE);
  const long result = WIN_DoModal(s_win);
  if (result != 1) std::memcpy(s_interp, kept_interp, sizeof kept_interp);
  WIN_Terminate(s_win);
  s_win = nullptr;
  s_live = nullptr;
  SLOG(fn, SLOG_EXIT, "%ld", result);
  return result == 1 ? 1 : 0;
}
