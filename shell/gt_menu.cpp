// Menu-bar entry states, labels and accelerators.
#include "shell/gt_menu.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/ks_ini.h"
#include "base/lane_comment.h"
#include "base/slog.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_open.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_res.h"

namespace {

TK_OBJ s_main_win = nullptr;

// The fraction report entries: checked once per run against their definition files.
struct FractionEntry {
  int id;
  const char* file;
  const char* default_label;
  bool usable = false;
  std::string label;
};
FractionEntry s_fractions[2] = {
    {GT_CMD_REPORT_HB_FRACTIONS, "hemoglobin_fractions.txt", "Hemoglobin Fractions", false, {}},
    {GT_CMD_REPORT_PROTEIN_FRACTIONS, "protein_fractions.txt", "Protein Fractions", false, {}},
};

// The entries whose state each pull-down's opening sets, by pull-down (top-level menus by
// number, nested pull-downs by their entry's number).
const std::map<int, std::vector<int>>& pulldowns() {
  static const std::map<int, std::vector<int>> k = {
      {GT_MENU_VREM, {GT_CMD_VREM_SIZE, GT_CMD_VREM_QUANTIFY}},
      {GT_MENU_FILE,
       {GT_CMD_OPEN, GT_MENU_IMPORT, GT_MENU_ACQUIRE, GT_CMD_CLOSE, GT_CMD_CLOSE_ALL, GT_CMD_SAVE,
        GT_CMD_SAVE_ALL, GT_CMD_SAVE_AS, GT_CMD_GEN_INFO_FILE, GT_CMD_PAGE_SETUP,
        GT_CMD_PRINT_IMAGE, GT_CMD_PRINT_WINDOW, GT_CMD_PRINT_PHOTO, GT_CMD_EXPORT_IMAGE,
        GT_CMD_DELETE_IMAGE, GT_CMD_EXPORT_FOLDER, GT_CMD_QUIT}},
      {GT_MENU_IMPORT,
       {GT_CMD_IMPORT_TIFF, GT_CMD_IMPORT_FUJI, GT_CMD_IMPORT_JPEG, GT_CMD_IMPORT_BITMAP}},
      {GT_MENU_ACQUIRE,
       {GT_CMD_SELECT_TWAIN, GT_CMD_ACQUIRE_TWAIN, GT_CMD_ACQUIRE_SCANNER,
        GT_CMD_ACQUIRE_CAMERA}},
      {GT_MENU_EDIT, {GT_CMD_SELECT_ALL, GT_CMD_DESELECT_ALL, GT_CMD_PREFERENCES}},
      {GT_MENU_IMAGE,
       {GT_MENU_IMAGE_ROTATE, GT_MENU_IMAGE_FLIP, GT_CMD_CROP, GT_CMD_INVERT, GT_CMD_CALIBRATE,
        GT_CMD_EQUALIZE, GT_CMD_FILTER, GT_CMD_RESOLUTION, GT_CMD_BORDER, GT_CMD_COMMENTS,
        GT_CMD_ILLUSTRATOR}},
      {GT_MENU_IMAGE_ROTATE, {GT_CMD_ROTATE_90, GT_CMD_ROTATE_270}},
      {GT_MENU_IMAGE_FLIP, {GT_CMD_FLIP_TOP, GT_CMD_FLIP_SIDE}},
      {GT_MENU_ANALYSIS,
       {GT_MENU_BANDS, GT_MENU_LANES, GT_MENU_STDS, GT_CMD_ADD, GT_CMD_DELETE,
        GT_CMD_COPY_ANALYSIS, GT_CMD_MULTIPLEX_MARKERS}},
      {GT_MENU_BANDS,
       {GT_CMD_FIND_BANDS, GT_CMD_EDIT_BANDS, GT_CMD_BAND_INFO, GT_CMD_NORM_LANE,
        GT_CMD_NORM_IMAGE, GT_CMD_CLEAR_NORM, GT_CMD_QUANTIFY, GT_CMD_MARK_AXES,
        GT_CMD_MARK_BOUNDS, GT_CMD_COPY_BOUNDS}},
      {GT_MENU_STDS, {GT_CMD_MODIFY_STDS_LINE, GT_CMD_STD_SETS}},
      {GT_MENU_LANES,
       {GT_CMD_DEFINE_LANES, GT_CMD_LANE_BOUNDARIES, GT_CMD_LANE_COMMENTS,
        GT_CMD_CREATE_REFERENCE, GT_CMD_LANE_NAME, GT_CMD_LANE_BACKGROUND, GT_MENU_LABELS,
        GT_CMD_DTOOL, GT_CMD_RENUMBER, GT_CMD_COPY_LANES, GT_CMD_COPY_LANES_BOUNDS}},
      {GT_MENU_LABELS,
       {GT_CMD_LABEL_CATEGORIES, GT_CMD_ASSIGN_CATEGORIES, GT_CMD_LABEL_VALUES,
        GT_CMD_SELECTION_FILES, GT_CMD_OLD_LABELS, GT_CMD_OLD_LABELS_2}},
      {GT_MENU_VIEW, {GT_CMD_ENHANCE_DISPLAY, GT_CMD_ANNOTATION, GT_MENU_ZOOM}},
      {GT_MENU_ZOOM, {GT_CMD_ZOOM_IN, GT_CMD_ZOOM_OUT, GT_CMD_ZOOM_ONE, GT_MENU_ZOOM_FACTORS}},
      {GT_MENU_ZOOM_FACTORS, {}},  // filled with 10001..10018 below
      {GT_MENU_REPORT,
       {GT_CMD_COMPARE_BANDS, GT_CMD_REPORT_SEL_BANDS, GT_CMD_REPORT_ACTIVE_IMAGE,
        GT_CMD_REPORT_SEL_LANES, GT_CMD_REPORT_ALL_LANES, GT_CMD_REPORT_LANE_PROFILE,
        GT_CMD_REPORT_HB_FRACTIONS, GT_CMD_REPORT_PROTEIN_FRACTIONS, GT_CMD_REPORT_LANE_MAP,
        GT_CMD_REPORT_LANE_CATEGORIES, GT_CMD_SIZE_CURVE, GT_CMD_CONC_CURVE, GT_CMD_SLICE,
        GT_CMD_SURFACE_PLOT, GT_CMD_HISTOGRAM, GT_CMD_REPORT_IMAGE_INFO,
        GT_CMD_LANE_NAME_FILE}},
      {GT_MENU_WINDOW, {GT_CMD_CASCADE, GT_CMD_TILE, GT_CMD_ARRANGE_ICONS, GT_CMD_REFRESH}},
      {GT_MENU_MATCH,
       {GT_CMD_MATCH_ALL_LANES, GT_CMD_MATCH_SEL_LANES, GT_CMD_MATCH_TO_LANE,
        GT_CMD_MATCH_TO_BANDS, GT_CMD_IMPORT_MATRIX}},
      {GT_MENU_HELP, {GT_CMD_HELP, GT_CMD_HELP_GUIDE, GT_CMD_HELP_TUTORIAL, GT_CMD_ABOUT}},
  };
  return k;
}

std::vector<int> entries_of(int pulldown) {
  if (pulldown == GT_MENU_ZOOM_FACTORS) {
    std::vector<int> v;
    for (int id = GT_CMD_ZOOM_FACTOR_FIRST; id <= GT_CMD_ZOOM_FACTOR_LAST; ++id) v.push_back(id);
    return v;
  }
  auto it = pulldowns().find(pulldown);
  return it == pulldowns().end() ? std::vector<int>{} : it->second;
}

// The rule of one entry without the busy condition; -1 when no rule names it.
int rule_when_not_busy(const GtMenuSnapshot& s, int id) {
  const bool il = s.idle && s.loaded;
  const bool one_lane_mode = s.sel_lanes == 1 && s.mode == SEL_LANES;
  if (id >= GT_CMD_ZOOM_FACTOR_FIRST && id <= GT_CMD_ZOOM_FACTOR_LAST) return s.loaded;
  switch (id) {
    case GT_CMD_VREM_SIZE: case GT_CMD_VREM_QUANTIFY: return s.idle && s.image;
    case GT_CMD_OPEN: case GT_MENU_IMPORT: case GT_MENU_ACQUIRE: return s.idle;
    // Page Setup follows the idle state at every opening.
    case GT_CMD_PAGE_SETUP: return s.idle;
    case GT_CMD_CLOSE: case GT_CMD_CLOSE_ALL: case GT_CMD_SAVE_AS: return il;
    case GT_CMD_SAVE: return il && s.modified;
    case GT_CMD_SAVE_ALL: return s.idle && s.any_modified;
    case GT_CMD_GEN_INFO_FILE: return il && s.lanes;
    case GT_CMD_PRINT_IMAGE: case GT_CMD_PRINT_WINDOW: return il;
    case GT_CMD_PRINT_PHOTO: return il && s.photo_printer != 0;
    case GT_CMD_EXPORT_IMAGE: case GT_CMD_DELETE_IMAGE: return il;
    case GT_CMD_QUIT: return 1;
    case GT_CMD_IMPORT_TIFF: case GT_CMD_IMPORT_FUJI: return s.idle;
    case GT_CMD_SELECT_ALL: {
      if (!s.idle || !s.lanes) return 0;
      switch (s.mode) {
        case SEL_BANDS: return s.band_chain;
        case SEL_LANES: return s.lane_list;
        case SEL_SIZE_STDS: return s.size_points;
        case SEL_CONC_STDS: return s.conc_list;
        default: return 0;
      }
    }
    case GT_CMD_DESELECT_ALL: {
      if (!s.idle || !s.lanes) return 0;
      switch (s.mode) {
        case SEL_BANDS: return s.sel_bands > 0;
        case SEL_LANES: return s.sel_lanes > 0;
        case SEL_SIZE_STDS: return s.sel_size > 0;
        case SEL_CONC_STDS: return s.sel_conc > 0;
        default: return 0;
      }
    }
    case GT_CMD_PREFERENCES: return s.idle;
    case GT_MENU_IMAGE_ROTATE: case GT_MENU_IMAGE_FLIP: case GT_CMD_CROP: case GT_CMD_INVERT:
    case GT_CMD_CALIBRATE: case GT_CMD_EQUALIZE: case GT_CMD_FILTER: case GT_CMD_RESOLUTION:
    case GT_CMD_BORDER: case GT_CMD_COMMENTS: case GT_CMD_ILLUSTRATOR:
    case GT_CMD_ROTATE_90: case GT_CMD_ROTATE_270: case GT_CMD_FLIP_TOP: case GT_CMD_FLIP_SIDE:
      return il;
    case GT_MENU_BANDS: return il && (s.mode == SEL_BANDS || s.mode == SEL_LANES) && s.lanes;
    // The lane commands' pull-down opens when idle; its entries carry their own rules.
    case GT_MENU_LANES: return s.idle;
    case GT_MENU_STDS: return s.idle;
    case GT_CMD_ADD: return il && (s.mode == SEL_LANES ? s.image : s.lanes);
    case GT_CMD_DELETE:
      if (!il) return 0;
      switch (s.mode) {
        case SEL_BANDS: return s.sel_bands > 0;
        case SEL_LANES: return s.sel_lanes > 0;
        case SEL_SIZE_STDS: return s.sel_size > 0 || s.sel_size2 > 0;
        case SEL_CONC_STDS: return s.sel_conc > 0;
        default: return 0;
      }
    case GT_CMD_COPY_ANALYSIS: case GT_CMD_MULTIPLEX_MARKERS: return il;
    case GT_CMD_FIND_BANDS: return il && s.mode == SEL_LANES && s.lanes && s.sel_lanes > 0;
    case GT_CMD_EDIT_BANDS: return il && s.lanes;
    case GT_CMD_BAND_INFO: return il && s.sel_bands != 0;
    case GT_CMD_NORM_LANE: return il && s.sel_bands >= 1;
    case GT_CMD_NORM_IMAGE: return il && s.sel_bands == 1;
    case GT_CMD_CLEAR_NORM: return il && s.norm_set;
    case GT_CMD_QUANTIFY:
      return il && ((s.mode == SEL_BANDS && s.sel_bands > 0) ||
                    (s.mode == SEL_LANES && s.sel_lanes > 0));
    case GT_CMD_MARK_AXES: case GT_CMD_MARK_BOUNDS: return il && s.sel_bands == 1;
    case GT_CMD_COPY_BOUNDS: return il && s.sel_bands > 0 && s.last_band_quantified;
    case GT_CMD_MODIFY_STDS_LINE: return il && s.mode == SEL_SIZE_STDS && s.sel_size2 == 1;
    case GT_CMD_STD_SETS: return s.idle;
    case GT_CMD_DEFINE_LANES: return il;
    case GT_CMD_LANE_BOUNDARIES: return il && s.lanes && one_lane_mode;
    case GT_CMD_LANE_COMMENTS: return il && one_lane_mode;
    case GT_CMD_CREATE_REFERENCE: return il && s.lanes && s.sel_bands != 0 && s.mode == SEL_BANDS;
    case GT_CMD_LANE_NAME: return il && s.lanes && s.sel_lanes != 0 && s.mode == SEL_LANES;
    case GT_CMD_LANE_BACKGROUND: return il && one_lane_mode;
    case GT_MENU_LABELS: return s.idle;
    case GT_CMD_DTOOL: return il && s.lanes && one_lane_mode;
    case GT_CMD_RENUMBER: return il && s.lanes && s.mode == SEL_LANES;
    case GT_CMD_COPY_LANES: return il && s.lanes && s.sel_lanes >= 1 && s.mode == SEL_LANES;
    case GT_CMD_LABEL_CATEGORIES: return s.idle;
    case GT_CMD_ASSIGN_CATEGORIES: return s.idle && s.lanes;
    case GT_CMD_LABEL_VALUES: return s.idle && s.lanes && s.sel_lanes > 0 && s.lane_chars > 0;
    case GT_CMD_SELECTION_FILES: return s.idle;
    case GT_CMD_ENHANCE_DISPLAY: case GT_CMD_ANNOTATION: return il;
    case GT_MENU_ZOOM: return s.loaded;
    case GT_CMD_ZOOM_IN: return s.loaded && s.zoom < 10;
    case GT_CMD_ZOOM_OUT: return s.loaded && s.zoom > -10;
    case GT_CMD_ZOOM_ONE: case GT_MENU_ZOOM_FACTORS: return s.loaded;
    case GT_CMD_COMPARE_BANDS: case GT_CMD_REPORT_ACTIVE_IMAGE: return il && s.lanes;
    case GT_CMD_REPORT_SEL_BANDS: return il && s.lanes && s.sel_bands != 0;
    case GT_CMD_REPORT_SEL_LANES: return il && s.lanes && s.sel_lanes != 0;
    case GT_CMD_REPORT_ALL_LANES: return s.idle;
    case GT_CMD_REPORT_LANE_PROFILE: case GT_CMD_REPORT_LANE_MAP: return il && s.sel_lanes > 0;
    case GT_CMD_REPORT_HB_FRACTIONS:
      return s.hb_fractions && s.image && s.sel_lanes == 1 && il;
    case GT_CMD_REPORT_PROTEIN_FRACTIONS:
      return s.protein_fractions && s.image && s.sel_lanes == 1 && il;
    case GT_CMD_REPORT_LANE_CATEGORIES: return 0;
    case GT_CMD_SIZE_CURVE: return il && s.size_points && s.sel_lanes == 1;
    case GT_CMD_CONC_CURVE: return il && s.conc_points;
    case GT_CMD_SLICE: case GT_CMD_SURFACE_PLOT: case GT_CMD_HISTOGRAM:
    case GT_CMD_REPORT_IMAGE_INFO:
      return il;
    case GT_CMD_CASCADE: case GT_CMD_TILE: case GT_CMD_ARRANGE_ICONS: case GT_CMD_REFRESH:
      return s.windows > 0;
    case GT_CMD_MATCH_ALL_LANES: return s.idle;
    case GT_CMD_MATCH_SEL_LANES: return s.idle && s.sel_lanes > 1;
    case GT_CMD_MATCH_TO_LANE: return s.idle && one_lane_mode;
    case GT_CMD_MATCH_TO_BANDS: return s.idle && s.sel_bands != 0 && s.mode == SEL_BANDS;
    case GT_CMD_HELP: case GT_CMD_HELP_GUIDE: case GT_CMD_HELP_TUTORIAL: case GT_CMD_ABOUT:
      return 1;
    case GT_CMD_IMPORT_MATRIX: return 1;
    default:
      return -1;
  }
}

TK_OBJ menu_bar() { return s_main_win ? WIN_GetMenuBar(s_main_win) : nullptr; }

// The pull-down object of a top-level menu or of a nested pull-down's entry.
TK_OBJ find_pulldown(int pulldown) {
  TK_OBJ bar = menu_bar();
  if (!bar) return nullptr;
  if (pulldown >= GT_MENU_FILE && pulldown <= GT_MENU_MATCH) return MENU_GetTop(bar, pulldown);
  return MENU_SelectItem(bar, pulldown) ? MENU_GetSubmenu(bar) : nullptr;
}

std::map<TK_OBJ, int> s_pulldown_of;

long pulldownNfy(TK_OBJ menu, int event) {
  MENU_DefaultNfy(menu, event);
  if (event == TK_EV_MENU_OPEN) {
    auto it = s_pulldown_of.find(menu);
    if (it != s_pulldown_of.end()) gt_menu_update(it->second);
  }
  return 0;
}

void check_fractions() {
  for (FractionEntry& f : s_fractions) {
    fractions_init();
    char title[256] = "";
    const int n = fractions_file_usable(f.file, title, sizeof title);
    f.usable = n > 0;
    // The file's title is the user's text: its "&" shows as it is, not as an access key.
    f.label = title[0] != '\0' ? MENU_Literal(title) : f.default_label;
    SLOG("gt_menu_config", SLOG_VALUE4, "<%s>: %d fractions", f.file, n);
    // An unusable definition file takes its report entry away for the run.
    TK_OBJ bar = menu_bar();
    if (!f.usable && bar && MENU_SelectItem(bar, f.id)) MENU_RemoveItem(bar);
  }
}

int photo_printer_kind() {
  char text[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  // An entry the writable ini does not hold counts as none (its table default is not a choice).
  if (ks_get_inientry(KS_INI_PHOTO_PRINTER, &is_int, &value, text) < 1) return 0;
  if (std::strcmp(text, "sheet") == 0) return 1;
  if (std::strcmp(text, "roll") == 0) return 2;
  return 0;
}

// The accelerators: the entry, the key and the text the menu shows.
struct Accel {
  int id;
  const char* key;
  const char* text;
};
constexpr Accel kAccels[] = {
    {GT_CMD_VREM_SIZE, "F7", "F7"},
    {GT_CMD_VREM_QUANTIFY, "F8", "F8"},
    {GT_CMD_OPEN, "Ctrl+O", "Ctrl-O"},
    {GT_CMD_SAVE, "Ctrl+S", "Ctrl-S"},
    {GT_CMD_PRINT_IMAGE, "Ctrl+P", "Ctrl-P"},
    {GT_CMD_IMPORT_TIFF, "Ctrl+T", "Ctrl-T"},
    {GT_CMD_INVERT, "Ctrl+J", "Ctrl-J"},
    {GT_CMD_ADD, "Ctrl+A", "Ctrl-A"},
    {GT_CMD_DELETE, "Ctrl+D", "Ctrl-D"},
    // Ctrl-F is Find's alone: a key bound twice would fire neither.
    {GT_CMD_FIND_BANDS, "Ctrl+F", "Ctrl-F"},
    {GT_CMD_QUANTIFY, "Ctrl+Q", "Ctrl-Q"},
    {GT_CMD_LANE_COMMENTS, "Ctrl+C", "Ctrl-C"},
    {GT_CMD_LANE_NAME, "Ctrl+N", "Ctrl-N"},
    {GT_CMD_DTOOL, "Ctrl+Y", "Ctrl-Y"},
    {GT_CMD_ENHANCE_DISPLAY, "Ctrl+E", "Ctrl-E"},
    {GT_CMD_ANNOTATION, "Ctrl+V", "Ctrl-V"},
    {GT_CMD_REPORT_ACTIVE_IMAGE, "Ctrl+R", "Ctrl-R"},
    {GT_CMD_REPORT_LANE_PROFILE, "Ctrl+Z", "Ctrl-Z"},
    {GT_CMD_REPORT_LANE_MAP, "Ctrl+W", "Ctrl-W"},
    {GT_CMD_REPORT_LANE_CATEGORIES, "Ctrl+G", "Ctrl-G"},
    {GT_CMD_REPORT_HB_FRACTIONS, "Ctrl+K", "Ctrl-K"},
    {GT_CMD_MATCH_ALL_LANES, "F5", "F5"},
    {GT_CMD_MATCH_TO_LANE, "Ctrl+L", "Ctrl-L"},
    {GT_CMD_HELP, "F1", "F1"},
};

int s_last_key = 0;

// A key press: the command goes out only when its entry exists and its rule allows it now.
void accel_pressed(TK_OBJ win, long id) {
  TK_OBJ bar = menu_bar();
  const int cmd = static_cast<int>(id);
  s_last_key = cmd;
  if (!bar || !MENU_SelectItem(bar, cmd)) {
    SLOG("gt_menu_accel", SLOG_VALUE4, "key of %d: no entry", cmd);
    return;
  }
  if (!gt_menu_entry_enabled(gt_menu_snapshot(), cmd)) {
    SLOG("gt_menu_accel", SLOG_VALUE4, "key of %d: entry disabled", cmd);
    return;
  }
  main_winNfySelMenuBar(win, cmd);
}

}  // namespace

GtMenuSnapshot gt_menu_snapshot() {
  GtMenuSnapshot s;
  const CONTROL* ctl = gt_get_control();
  s.busy = ctl->busy != 0;
  s.idle = gt_is_idle() != 0;
  s.mode = ctl->sel_mode;
  s.lane_chars = ctl->num_lane_chars;
  s.windows = gt_get_num_img_windows();
  s.any_modified = gt_any_image_modified() != 0;
  s.photo_printer = photo_printer_kind();
  s.hb_fractions = s_fractions[0].usable;
  s.protein_fractions = s_fractions[1].usable;
  const IMAGE_REC* im = s.windows > 0 ? gt_get_image_ptr() : nullptr;
  if (im == nullptr) return s;
  s.image = true;
  s.loaded = im->img_ptr != nullptr && im->img_ptr->pix_img != nullptr;
  s.lanes = im->has_lanes != 0;
  s.modified = gt_image_modified(im) != 0;
  s.sel_bands = im->num_sel_bands;
  s.sel_lanes = im->num_sel_lanes;
  s.sel_conc = im->num_sel_conc;
  s.sel_size = im->num_sel_size;
  s.sel_size2 = im->num_sel_size2;
  if (im->img_ptr) s.zoom = im->img_ptr->zoom[0];
  s.band_chain = im->bands != nullptr && im->bands->next != nullptr;
  s.lane_list = im->lanes != nullptr && im->lanes->next != nullptr;
  s.size_points = im->size_stdp && im->size_stdp[0] && im->size_stdp[0]->count > 0;
  s.conc_list = im->conc_stdp && *im->conc_stdp;
  s.conc_points = s.conc_list && (*im->conc_stdp)->count > 0;
  s.norm_set = im->band_hdr && im->band_hdr->norm_band_ii != 0.0;
  for (const LANE* l = im->lanes ? im->lanes->next : nullptr; l && !s.norm_set; l = l->next)
    s.norm_set = l->norm_ii > 0.0;
  if (im->num_sel_bands > 0 && im->num_sel_bands <= IMG_MAX_SEL) {
    const SPOT* b = im->sel_list[im->num_sel_bands - 1];
    s.last_band_quantified =
        b && (b->f1 & SP_F1_TYPE_MASK) != 0 && (b->f1 & SP_F1_QUANT_FAILED) == 0;
  }
  return s;
}

int gt_menu_rule(const GtMenuSnapshot& s, int id) {
  const int r = rule_when_not_busy(s, id);
  if (r < 0) return -1;
  // While busy only Import Matrix stays.
  if (id == GT_CMD_IMPORT_MATRIX) return 1;
  return s.busy ? 0 : r;
}

bool gt_menu_entry_enabled(const GtMenuSnapshot& s, int id) { return gt_menu_rule(s, id) != 0; }

bool gt_menu_is_pulldown(int id) {
  switch (id) {
    case GT_MENU_IMPORT: case GT_MENU_ACQUIRE: case GT_MENU_IMAGE_ROTATE: case GT_MENU_IMAGE_FLIP:
    case GT_MENU_BANDS: case GT_MENU_LANES: case GT_MENU_STDS: case GT_MENU_ZOOM:
    case GT_MENU_LABELS: case GT_MENU_ZOOM_FACTORS:
      return true;
    default:
      return false;
  }
}


const char* gt_menu_label(const GtMenuSnapshot& s, int id) {
  static const char* const kAdd[4] = {"&Add Bands...", "&Add Lanes...", "&Add Size Standards...",
                                      "&Add Conc. Standards..."};
  static const char* const kDelete[4] = {"&Delete Bands", "&Delete Lanes",
                                         "&Delete Size Standards", "&Delete Conc. Standards"};
  const bool mode_ok = s.mode >= 0 && s.mode <= 3;
  switch (id) {
    case GT_CMD_ADD: return mode_ok ? kAdd[s.mode] : nullptr;
    case GT_CMD_DELETE: return mode_ok ? kDelete[s.mode] : nullptr;
    case GT_CMD_PRINT_PHOTO:
      return s.photo_printer == 1 ? "Print P&hoto" : s.photo_printer == 2 ? "Print &Video" : nullptr;
    case GT_CMD_QUIT: return "E&xit";
    case GT_CMD_REPORT_HB_FRACTIONS: return s_fractions[0].label.c_str();
    case GT_CMD_REPORT_PROTEIN_FRACTIONS: return s_fractions[1].label.c_str();
    default: return nullptr;
  }
}

void gt_menu_update(int pulldown) {
  TK_OBJ menu = find_pulldown(pulldown);
  if (!menu) return;
  const GtMenuSnapshot s = gt_menu_snapshot();
  for (int id : entries_of(pulldown)) {
    if (!MENU_SelectItem(menu, id)) continue;  // removed for the run
    if (const char* label = gt_menu_label(s, id)) {
      // The key text stays after the new label.
      const std::string old = MENU_GetItemText(menu) ? MENU_GetItemText(menu) : "";
      const std::size_t tab = old.find('\t');
      MENU_SetItemText(menu, (std::string(label) + (tab == std::string::npos ? "" : old.substr(tab))).c_str());
    }
    if (id == GT_CMD_PRINT_PHOTO) MENU_ShowItem(menu, s.photo_printer != 0);
    MENU_EnableItem(menu, gt_menu_entry_enabled(s, id) ? 1 : 0);
  }
}

std::vector<GtMenuAccel> gt_menu_accels() {
  std::vector<GtMenuAccel> out;
  for (const Accel& a : kAccels) out.push_back({a.id, a.key});
  return out;
}

int gt_menu_last_key() { return s_last_key; }

void gt_menu_accel(TK_OBJ main_win) {
  TK_OBJ bar = WIN_GetMenuBar(main_win);
  for (const Accel& a : kAccels) {
    if (bar && MENU_SelectItem(bar, a.id)) MENU_SetItemKeyText(bar, a.text);
    WIN_BindKey(main_win, a.key, a.id, accel_pressed);
  }
}

void gt_menu_config(TK_OBJ main_win) {
  static const char* fn = "gt_menu_config";
  SLOG(fn, SLOG_ENTRY, "main window %p", static_cast<void*>(main_win));
  s_main_win = main_win;
  s_pulldown_of.clear();
  TK_OBJ bar = menu_bar();
  if (!bar) {
    SLOG(fn, SLOG_EXIT, "no menu bar");
    return;
  }
  // Mark Active and Mark Inactive are not offered.
  for (int id : {GT_CMD_MARK_ACTIVE, GT_CMD_MARK_INACTIVE})
    if (MENU_SelectItem(bar, id)) MENU_RemoveItem(bar);
  // The fraction files are checked here rather than at the Report menu's first opening, so
  // that their keys work before that menu was ever opened.
  check_fractions();
  gt_menu_accel(main_win);
  for (const auto& [pulldown, entries] : pulldowns()) {
    TK_OBJ menu = find_pulldown(pulldown);
    if (!menu) {
      SLOG(fn, SLOG_WARN, "pull-down %d missing", pulldown);
      continue;
    }
    s_pulldown_of[menu] = pulldown;
    RES_SetNfy(menu, pulldownNfy);
    gt_menu_update(pulldown);
  }
  SLOG(fn, SLOG_EXIT, "configured");
}
