// The protein and hemoglobin fractions report: each band of the selected lane gets its share of
// the lane's total amount and the fraction whose mobility range holds it, printed beside that
// fraction's normal range, with the lane's profile, the patient text from the lane comments,
// a title and information text kept in the ini file, and a commentary with the support medium.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/lane_comment.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_image_win.h"
#include "shell/ui_print.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_report_wins.h"
#include "tools/ln_prf_win.h"

namespace {

enum {
  P_PRINT = 1, P_CLOSE = 2, P_COMMENT_BUT = 3, P_SUB = 4, P_OFFSET = 5, P_BANDS = 6, P_SMOOTH = 7,
  P_PATIENT = 8, P_TABLE = 9, P_TITLE = 10, P_INFO = 11, P_COMMENT = 12, P_SUPPORT = 13,
};
enum { C_TEXT = 0, C_OK = 1, C_CLEAR = 2, C_SWITCH = 3, C_CHOICE = 4 };
constexpr int kMaxCandidates = 10;
constexpr std::size_t kTextCap = 4096;

FRACTION* s_fractions[FRACT_MAX] = {};
int s_count = 0;          // fractions loaded (0 none, -1 faulty file)
int s_hemoglobin = 0;
int s_language = 0;       // 0 English, 1 French
std::string s_title, s_patient, s_table, s_commentary;
TK_OBJ s_comm_win = nullptr, s_comm_choice = nullptr;
bool s_printing = false;  // the information text is being filled for printing

bool french() { return s_language == 1; }

std::string ini_text(int code) {
  int is_int = 0, value = 0;
  char text[KS_INI_VALUE_LEN] = "";
  ks_get_inientry(code, &is_int, &value, text);
  return text;
}

TK_OBJ report_part(int index) {
  TK_OBJ w = ln_prf_window();
  return w && !ln_prf_profile_mode() ? RES_GetSub(w, index) : nullptr;
}

// Title (part 10) and information (part 11) are kept in the ini file as they change.
long S_ln_pres_T10Nfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  if (event == TK_EV_TEXT || event == TK_EV_TEXT_CHANGED)
    ks_put_inientry(KS_INI_FRACTIONS_REPORT_TITLE, 0, WGT_GetText(w) ? WGT_GetText(w) : "");
  return r;
}

long S_ln_pres_T11Nfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  if ((event == TK_EV_TEXT || event == TK_EV_TEXT_CHANGED) && !s_printing)
    ks_put_inientry(KS_INI_FRACTIONS_REPORT_INFORMATION, 0, WGT_GetText(w) ? WGT_GetText(w) : "");
  return r;
}

long S_ln_pres_PBut3Nfy(TK_OBJ button, int event) {
  const long r = WGT_DefaultNfy(button, event);
  if (event == TK_EV_ACTIVATE) ln_pres_commentary_activate(RES_GetOwnerWindow(button));
  return r;
}

long S_FRAC_COMM_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE && win == s_comm_win) s_comm_win = s_comm_choice = nullptr;
  return gt_tool_win_default(win, event);
}

long S_FRAC_COMM_PBut1Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  const char* t = WGT_GetText(RES_GetSub(win, C_TEXT));
  std::string text = t ? t : "";
  if (!text.empty()) {
    const std::string head = french() ? "Commentaire\n" : "Commentary\n";
    if (text.compare(0, head.size(), head) != 0) text = head + text;
    s_commentary = text;
    if (TK_OBJ p = report_part(P_COMMENT)) WGT_SetText(p, s_commentary.c_str());
  }
  const bool on = WGT_GetValue(RES_GetSub(win, C_SWITCH)) != 0;
  const bool first = WGT_GetChoice(RES_GetSub(win, C_CHOICE)) == 0;
  char line[200];
  std::snprintf(line, sizeof line,
                french() ? "Proteines sur [%s]Acetate de Cellulose   [%s]Gel d'agarose"
                         : "Proteins on [%s]Cellulose Acetate   [%s]Agarose Gel",
                on && first ? "x" : " ", on && !first ? "x" : " ");
  if (TK_OBJ p = report_part(P_SUPPORT)) WGT_SetLabel(p, line);
  ln_pres_commentary_deactivate();
  return 0;
}

long S_FRAC_COMM_PBut2Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  s_commentary.clear();
  ln_pres_commentary_deactivate();
  return 0;
}

long S_FRAC_COMM_CBut3Nfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  if (event == TK_EV_ACTIVATE && s_comm_choice) WGT_Enable(s_comm_choice, WGT_GetValue(w) ? 1 : 0);
  return r;
}

}  // namespace

const char* ln_pres_table() { return s_table.c_str(); }
int ln_pres_language() { return s_language; }

FRACTION* band_find_fraction(double share, SPOT* band, LANE* lane) {
  if (share < 0.001 || !band || !lane) return nullptr;
  const int pct = static_cast<int>(share * 100 + 0.05);
  const int rf = static_cast<int>(ln_y_to_rf(band->y, lane) * 100 + 0.05);
  FRACTION* cand[kMaxCandidates];
  int n = 0;
  for (int i = 0; i < s_count && n < kMaxCandidates; ++i)
    if (s_fractions[i] && s_fractions[i]->rf_lo <= rf && rf <= s_fractions[i]->rf_hi) cand[n++] = s_fractions[i];
  if (n == 0) return nullptr;
  if (n == 1) return cand[0];
  std::stable_sort(cand, cand + n, [](const FRACTION* a, const FRACTION* b) { return a->min_pct < b->min_pct; });
  for (int i = n - 1; i >= 0; --i)
    if (cand[i]->min_pct <= pct) return cand[i];
  return cand[n - 1];
}

// The fractions of the last usable definition file read (fractions_file_usable) in use.
int ln_pres_use_fractions(int count) {
  s_count = 0;
  if (count <= 0 || !fractions_load(count, s_fractions)) return 0;
  s_count = count;
  return 1;
}

void gt_lane_fractions_activate(TK_OBJ owner, IMAGE_REC* image, int hemoglobin) {
  static const char* fn = "gt_lane_fractions_activate";
  SLOG(fn, SLOG_ENTRY, "hemoglobin %d", hemoglobin);
  (void)image;
  s_hemoglobin = hemoglobin;
  s_language = ks_language_index(ini_text(KS_INI_FRACTIONS_REPORT_LANGUAGE).c_str());
  s_commentary.clear();
  fractions_init();
  char title[KS_INI_VALUE_LEN] = "";
  const int count = fractions_file_usable(hemoglobin ? "hemoglobin_fractions.txt" : "protein_fractions.txt",
                                          title, sizeof title);
  // No usable definition file: no report, and no report window left open.
  if (count <= 0 || !ln_pres_use_fractions(count)) {
    SLOG(fn, SLOG_EXIT, "no report, count %d", count);
    s_count = count < 0 ? -1 : 0;
    if (ln_prf_window() && !ln_prf_profile_mode()) ln_prf_dismiss();
    return;
  }
  TK_OBJ win = ln_prf_open(owner, 0);
  if (!win) return;
  s_title = title[0] ? title : (hemoglobin ? "Hemoglobin Fractions" : "Protein Fractions");
  WIN_SetTitle(win, s_title.c_str());
  CONTROL* ctl = gt_get_control();
  WGT_SetValue(RES_GetSub(win, P_SUB), ctl->ln_prf_sub_bg ? 1 : 0);
  WGT_SetValue(RES_GetSub(win, P_SMOOTH), ctl->ln_prf_smooth ? 1 : 0);
  PRF_LANE* first = nullptr;
  PRF_LANE** tail = &first;
  s_patient.clear();
  s_table = french() ? "Fractions      %    Normales %\n" : "Fractions      %    Normals  %\n";
  for (int w = 0; w < gt_get_num_img_windows(); ++w) {
    auto* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(w)));
    if (!im || !im->lanes || !im->has_lanes || im->num_sel_lanes <= 0) continue;
    for (LANE* l = im->lanes->next; l; l = l->next) {
      if (!(l->f & LN_F_SELECTED)) continue;
      char comments[kTextCap] = "";
      lane_read_comments(comments, sizeof comments, im->file_path, im->image_name, l->lane_number);
      s_patient = comments;
      SPOT** bands = nullptr;
      const int nb = im->bands ? ln_find_bands_in_lane(im->bands, &bands, l, nullptr, nullptr) : 0;
      double total = 0;
      for (int k = 0; k < nb; ++k) total += bands[k]->amount;
      s_table = french() ? "Fractions      %    Normales %\n" : "Fractions      %    Normals  %\n";
      for (int k = 0; k < nb; ++k) {
        const double share = total < 0.0001 ? 0.0 : bands[k]->amount / total;
        char line[128];
        if (FRACTION* f = band_find_fraction(share, bands[k], l))
          std::snprintf(line, sizeof line, "%9s %8.1f  %4.1f - %4.1f\n", f->name, share * 100,
                        static_cast<double>(f->norm_lo), static_cast<double>(f->norm_hi));
        else
          std::snprintf(line, sizeof line, "%9d %8.1f\n", k + 1, share * 100);
        s_table += line;
      }
      ks_free(bands);
      if (PRF_LANE* c = ln_prf_copy_lane(im, l)) {
        *tail = c;
        tail = &c->next;
      }
    }
  }
  WGT_SetText(RES_GetSub(win, P_TITLE), ini_text(KS_INI_FRACTIONS_REPORT_TITLE).c_str());
  WGT_SetText(RES_GetSub(win, P_INFO), ini_text(KS_INI_FRACTIONS_REPORT_INFORMATION).c_str());
  WGT_SetText(RES_GetSub(win, P_PATIENT), ("Patient:\n" + s_patient).c_str());
  // The table's columns line up in a fixed-width font.
  if (TK_OBJ font = RES_LoadFont("ln_pres", "ln_pres_table")) WGT_SetFont(RES_GetSub(win, P_TABLE), font);
  WGT_SetText(RES_GetSub(win, P_TABLE), s_table.c_str());
  WGT_SetText(RES_GetSub(win, P_COMMENT), "");
  WGT_SetLabel(RES_GetSub(win, P_SUPPORT), "");
  ln_prf_set_lanes(first);
  ui_wpos_place(win, 75, 50, 0);
  WIN_Show(win);
  ln_prf_set_caption_title(s_title.c_str());
  ln_prf_init("fraction_init", first);
  WGT_Show(RES_GetSub(win, P_OFFSET), 0);
  WGT_Show(RES_GetSub(win, P_BANDS), 0);
  WGT_SetLabel(RES_GetSub(win, P_COMMENT_BUT), french() ? "Commentaire" : "Commentary");
  RES_SetNfy(RES_GetSub(win, P_COMMENT_BUT), S_ln_pres_PBut3Nfy);
  RES_SetNfy(RES_GetSub(win, P_TITLE), S_ln_pres_T10Nfy);
  RES_SetNfy(RES_GetSub(win, P_INFO), S_ln_pres_T11Nfy);
}

void ln_pres_print(TK_OBJ win) {
  TK_OBJ info = RES_GetSub(win, P_INFO);
  const char* title = WGT_GetText(RES_GetSub(win, P_TITLE));
  ks_put_inientry(KS_INI_FRACTIONS_REPORT_TITLE, 0, title ? title : "");
  const char* it = WGT_GetText(info);
  char text[kTextCap];
  std::snprintf(text, sizeof text, "%s", it ? it : "");
  ks_put_inientry(KS_INI_FRACTIONS_REPORT_INFORMATION, 0, text);
  char date[KS_DATE_LEN];
  st_replace(text, "<date>", ks_date(date), sizeof text);
  st_replace(text, "<cr>", "\n", sizeof text);
  s_printing = true;
  WGT_SetText(info, text);
  s_printing = false;
  const int hidden[] = {P_PRINT, P_CLOSE, P_SUB, P_SMOOTH};
  for (int p : hidden) WGT_Show(RES_GetSub(win, p), 0);
  ui_print_widget(win, "");
  for (int p : hidden) WGT_Show(RES_GetSub(win, p), 1);
}

void ln_pres_commentary_activate(TK_OBJ owner) {
  ln_pres_commentary_deactivate();
  const GtPartNfy parts[] = {{C_OK, S_FRAC_COMM_PBut1Nfy}, {C_CLEAR, S_FRAC_COMM_PBut2Nfy},
                             {C_SWITCH, S_FRAC_COMM_CBut3Nfy}};
  TK_OBJ win = WIN_Load("ln_pres", "commentary_win");
  if (!win) return;
  RES_SetNfy(win, S_FRAC_COMM_winNfy);
  for (const GtPartNfy& p : parts) RES_SetNfy(RES_GetSub(win, p.index), p.proc);
  WIN_SetOwner(win, owner);
  WIN_Init(win);
  s_comm_win = win;
  s_comm_choice = RES_GetSub(win, C_CHOICE);
  if (french()) {
    WIN_SetTitle(win, "Entrez Commentaire");
    WGT_SetLabel(RES_GetSub(win, C_SWITCH), "Spécifier le type des médias");
    const char* items[] = {"Acetate de Cellulose", "Gel d'agarose"};
    WGT_SetItems(s_comm_choice, items, 2);
  }
  if (!s_commentary.empty()) WGT_SetText(RES_GetSub(win, C_TEXT), s_commentary.c_str());
  WGT_Enable(s_comm_choice, 0);
  ui_wpos_place(win, 30, 50, 0);
  WIN_Show(win);
}

void ln_pres_commentary_deactivate() {
  TK_OBJ w = s_comm_win;
  s_comm_win = s_comm_choice = nullptr;
  if (w) WIN_Terminate(w);
}
