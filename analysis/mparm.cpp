// The match parameters dialog.
#include "analysis/mparm.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"

namespace {

constexpr int kNumLaneChars = 10;  // lane characteristics offered as lane labels

// What each file box asks and tells: its chooser, the text it shows and the text of a file
// that cannot be opened.
struct FileBox {
  int part;
  int msg;
  int fail_msg;
  const char* title;
  const char* filter;
  const char* ext;
};
constexpr FileBox kBoxes[] = {
    {MPARM_SEL_FILE, 86, 87, "Select a Lane Selection file...", "Lane Selection Files (*.sel)\0*.sel\0", ".sel"},
    {MPARM_IMAGE_LIST, 174, 175, "Select an Image List file...", "CSV (*.csv)\0*.csv\0", ".csv"},
    {MPARM_IMGNAME_LIST, 174, 175, "Select an Image Name, Lane # file...", "CSV (*.csv)\0*.csv\0", ".csv"},
    {MPARM_DEV_TABLE, 181, 182, "Select a Match Deviation Table file...", "CSV (*.csv)\0*.csv\0", ".csv"},
};
constexpr int kNumBoxes = static_cast<int>(sizeof kBoxes / sizeof kBoxes[0]);

TK_OBJ s_win = nullptr;
int s_need_sel = 0;
int s_match_to_folder = 0;
std::string s_paths[kNumBoxes];     // the path each checked box holds
std::vector<int> s_label_chars;     // lane label entry k > 0: characteristic s_label_chars[k - 1]

int box_of(int part) {
  for (int i = 0; i < kNumBoxes; ++i)
    if (kBoxes[i].part == part) return i;
  return -1;
}

TK_OBJ part(int index) { return RES_GetSub(s_win, index); }

void show_box(int b, bool on, const std::string& path) {
  TK_OBJ box = part(kBoxes[b].part);
  WGT_SetValue(box, on ? 1 : 0);
  s_paths[b] = on ? path : std::string();
  const std::string tip = on ? std::string(gt_get_message(kBoxes[b].msg)) + ":  " + path
                             : std::string(gt_get_message(kBoxes[b].msg));
  WGT_SetTooltip(box, tip.c_str());
}

void copy_path(char* dst, const std::string& src) { std::snprintf(dst, CTL_PATH, "%s", src.c_str()); }

std::string box_path(int part_index) {
  const int b = box_of(part_index);
  return WGT_GetValue(part(part_index)) ? s_paths[b] : std::string();
}

// A tolerance field read as a decimal number; text that is no number keeps the value it had.
void read_number(int index, double* value) {
  const char* text = WGT_GetText(part(index));
  if (text && ks_valok(text)) *value = std::atof(text);
}

void store(bool to_folder) {
  CONTROL* ctl = gt_get_control();
  ctl->match_method = WGT_GetChoice(part(MPARM_METHOD));
  if (ctl->match_method < 0) ctl->match_method = 0;
  for (int i = 0; i < 4; ++i) read_number(MPARM_TOL_SIZE + i, &ctl->match_tol[i]);
  ctl->band_count_limit = WGT_GetInt(part(MPARM_COUNT_SLIDER));
  const int entry = WGT_GetChoice(part(MPARM_LANE_LABEL));
  ctl->lane_label_idx = entry > 0 && entry <= static_cast<int>(s_label_chars.size())
                            ? s_label_chars[static_cast<std::size_t>(entry - 1)] + 1
                            : 0;
  if (s_need_sel) copy_path(ctl->lane_sel_file, box_path(MPARM_SEL_FILE));
  copy_path(ctl->image_list_file, to_folder ? std::string() : box_path(MPARM_IMAGE_LIST));
  copy_path(ctl->imgname_list_file, to_folder ? std::string() : box_path(MPARM_IMGNAME_LIST));
  copy_path(ctl->match_dev_file, box_path(MPARM_DEV_TABLE));
  ctl->ignore_stds = WGT_GetValue(part(MPARM_EXCLUDE_STDS)) ? 1 : 0;
}

// OK and Match to Folder: both store and confirm; Match to Folder clears both list names.
long confirmNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  s_match_to_folder = RES_GetIndex(button) == MPARM_TO_FOLDER ? 1 : 0;
  store(s_match_to_folder != 0);
  WIN_EndModal(s_win, 1);
  return 0;
}

long sliderNfy(TK_OBJ slider, int event) {
  const long r = WGT_DefaultNfy2(slider, event);
  if (event == TK_EV_ACTIVATE)
    WGT_SetText(part(MPARM_COUNT_FIELD), std::to_string(WGT_GetInt(slider)).c_str());
  return r;
}

long keep_resultsNfy(TK_OBJ box, int event) {
  if (event == TK_EV_CREATE) {
    WGT_SetValue(box, gt_get_control()->keep_match_results ? 1 : 0);
    return 0;
  }
  const long r = WGT_DefaultNfy(box, event);
  if (event == TK_EV_ACTIVATE) gt_get_control()->keep_match_results = WGT_GetValue(box) ? 1 : 0;
  return r;
}

long file_boxNfy(TK_OBJ box, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(box, event);
  const int b = box_of(RES_GetIndex(box));
  if (b < 0) return 0;
  if (!WGT_GetValue(box)) {
    show_box(b, false, "");
    return 0;
  }
  char path[KS_PATH_LEN] = "";
  if (!io_win32_singlefile(path, sizeof path, kBoxes[b].title,
                           gt_get_control()->folders[CTL_DIR_IMAGES], "", kBoxes[b].filter,
                           kBoxes[b].ext, TRUE, FALSE)) {
    show_box(b, false, "");
    return 0;
  }
  if (std::FILE* f = std::fopen(path, "rb")) {
    std::fclose(f);
    show_box(b, true, path);
    // The two image lists exclude each other: a list chosen here turns the other one off.
    if (kBoxes[b].part == MPARM_IMAGE_LIST) show_box(box_of(MPARM_IMGNAME_LIST), false, "");
    if (kBoxes[b].part == MPARM_IMGNAME_LIST) show_box(box_of(MPARM_IMAGE_LIST), false, "");
    return 0;
  }
  show_box(b, false, "");
  if (kBoxes[b].fail_msg == 87) {
    mh_send_msg(KS_ALERT_INFO, gt_get_message(87), path);
  } else {
    char name[KS_PATH_LEN] = "";
    io_path_filename(path, name);
    mh_send_msg(KS_ALERT_INFO, gt_get_message(kBoxes[b].fail_msg), name);  // 182 names none
  }
  return 0;
}

void show_number(int index, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3lf", value);
  WGT_SetText(part(index), text);
}

void initialise(int round_robin) {
  CONTROL* ctl = gt_get_control();
  int method = ctl->match_method < 0 || ctl->match_method > 2 ? 0 : ctl->match_method;
  if (round_robin && method == 2) {
    method = 1;
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(169));
  }
  WGT_SetChoice(part(MPARM_METHOD), method);
  for (int i = 0; i < 4; ++i) show_number(MPARM_TOL_SIZE + i, ctl->match_tol[i]);
  const int limit = ctl->band_count_limit < 1 ? 1 : ctl->band_count_limit > 100 ? 100 : ctl->band_count_limit;
  WGT_SetValue(part(MPARM_COUNT_SLIDER), limit);
  WGT_SetText(part(MPARM_COUNT_FIELD), std::to_string(limit).c_str());
  WGT_SetValue(part(MPARM_EXCLUDE_STDS), ctl->ignore_stds ? 1 : 0);

  // Lane labels: the name, then every lane characteristic that has a name.
  std::vector<std::string> items{"Name"};
  s_label_chars.clear();
  int chosen = 0;
  for (int i = 0; i < kNumLaneChars; ++i) {
    const char* name = gt_get_lane_char(i);
    if (!name || !*name) continue;
    s_label_chars.push_back(i);
    items.emplace_back(name);
    if (ctl->lane_label_idx == i + 1) chosen = static_cast<int>(items.size()) - 1;
  }
  std::vector<const char*> texts;
  for (const std::string& s : items) texts.push_back(s.c_str());
  WGT_SetItems(part(MPARM_LANE_LABEL), texts.data(), static_cast<int>(texts.size()));
  WGT_SetChoice(part(MPARM_LANE_LABEL), chosen);

  const char* names[kNumBoxes] = {ctl->lane_sel_file, ctl->image_list_file, ctl->imgname_list_file,
                                  ctl->match_dev_file};
  for (int b = 0; b < kNumBoxes; ++b) {
    const bool offered = kBoxes[b].part != MPARM_SEL_FILE || s_need_sel;
    WGT_Enable(part(kBoxes[b].part), offered ? 1 : 0);
    show_box(b, offered && names[b][0], names[b]);
  }

  if (round_robin) {
    for (int index : {MPARM_THRESHOLD, MPARM_COUNT_SLIDER, MPARM_COUNT_FIELD,
                      MPARM_THRESHOLD_CAPTION, MPARM_COUNT_CAPTION})
      WGT_Enable(part(index), 0);
  }
}

}  // namespace

long gt_mparm_activate(TK_OBJ owner, int need_sel, int round_robin, int* match_to_folder) {
  static const char* const fn = "gt_mparm_activate";
  SLOG(fn, SLOG_VALUE4, "need_sel %d, round_robin %d", need_sel, round_robin);
  s_match_to_folder = 0;
  if (match_to_folder) *match_to_folder = 0;
  if (s_win) return 0;  // already open
  s_win = WIN_Load("mparm", "mparm_win");
  if (!s_win) return 0;
  s_need_sel = need_sel ? 1 : 0;
  RES_SetData(s_win, reinterpret_cast<void*>(static_cast<std::intptr_t>(s_need_sel)));
  RES_SetNfy(s_win, S_modal_winNfy);
  RES_SetNfy(part(MPARM_OK), confirmNfy);
  RES_SetNfy(part(MPARM_CANCEL), S_Cancel_PButNfy);
  RES_SetNfy(part(MPARM_TO_FOLDER), confirmNfy);
  for (int index : {MPARM_TOL_SIZE, MPARM_TOL_SPACING, MPARM_TOL_VOLUME, MPARM_THRESHOLD, MPARM_COUNT_FIELD})
    RES_SetNfy(part(index), S_swallow_textNfy);
  RES_SetNfy(part(MPARM_COUNT_SLIDER), sliderNfy);
  for (const FileBox& box : kBoxes) RES_SetNfy(part(box.part), file_boxNfy);
  RES_SetNfy(part(MPARM_KEEP_RESULTS), keep_resultsNfy);
  WIN_SetOwner(s_win, owner);
  WIN_Init(s_win);
  initialise(round_robin);
  RES_Send(part(MPARM_KEEP_RESULTS), TK_EV_CREATE);

  WIN_Show(s_win);
  ui_wpos_place(s_win, 90, 50, FALSE);
  const long result = WIN_DoModal(s_win);
  if (match_to_folder) *match_to_folder = result ? s_match_to_folder : 0;
  TK_OBJ win = s_win;
  WIN_Terminate(win);
  s_win = nullptr;
  SLOG(fn, SLOG_VALUE4, "retval %ld, *bMatchToFolder %d", result,
       match_to_folder ? *match_to_folder : 0);
  return result;
}
