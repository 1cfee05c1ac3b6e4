// The compare report.
#include "analysis/compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis/rep_engine.h"
#include "analysis/rep_walk.h"
#include "analysis/ui_rpcfg.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "engine/lane_geometry.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "shell/gt_chart.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kNumHdr = 9;
constexpr int kNumFld = 24;
const int kWidths[kNumFld] = {13, 9, 6, 9, 9, 6, 9, 6, 9, 6, 8, 6,
                              6,  5, 8, 9, 4, 4, 5, 3, 3, 10, 13, 13};

struct State {
  TK_OBJ win = nullptr;
  std::string text;
  IMAGE_REC* image = nullptr;  // the image in hand
  LANE* lane = nullptr;        // the lane in hand
  double lane_vol = 0, lane_size = 0;
  int selected = 0;
  std::vector<std::vector<double>> chart;
  std::vector<double> chart_block;
};
State s;

const REPORT_CFG& cfg() { return gt_get_control()->compare_cfg; }

std::vector<SPOT*> bands_of(IMAGE_REC* image, LANE* lane) { return rep_lane_bands(image, lane); }

void lane_sums(IMAGE_REC* image, LANE* lane) {
  s.lane = lane;
  s.lane_vol = s.lane_size = 0;
  for (SPOT* b : bands_of(image, lane)) {
    s.lane_vol += b->amount;
    if (b->size > 0) s.lane_size += b->size;
  }
}

double calibrated(const IMAGE_REC* image, int v) {
  if (!image || !image->img_int_info) return 0;
  return ih_lookup_val(image->img_int_info, uint32_t(v < 0 ? 0 : v));
}

std::string value(int code, int band_no, const SPOT* b) {
  const CONTROL* ctl = gt_get_control();
  const IMAGE_REC* im = s.image;
  const LANE* lane = s.lane;
  switch (code) {
    case 0: return im ? im->image_name : "";
    case 1:
      if (!lane) return "";
      return lane->lane_name[0] ? std::string(lane->lane_name, strnlen(lane->lane_name, 24))
                                : rep_fmt("%ld", long(lane->lane_number));
    case 2: return lane ? rep_fmt("%ld", long(lane->lane_number)) : "";
    case 3: return rep_fmt("%.3f", s.lane_vol);
    case 4: return rep_fmt("%.3f", s.lane_size);
    case 5: return rep_fmt("%d", band_no);
    case 6: return b->size < 0.0001 ? "*" : rep_fmt("%.*lf", rep_digits(ctl->size_digits), b->size);
    case 7: {
      const double d = calibrated(im, b->od) - calibrated(im, b->baseline);
      return rep_fmt("%.2lf", d > 0 ? d : 0.0);
    }
    case 8:
      return rep_fmt((b->f1 & 0xFu) == 0 ? "*%.*lf" : "%.*lf", rep_digits(ctl->conc_digits), b->amount);
    case 9: return rep_fmt("%.2lf", s.lane_vol > 0.0001 ? 100.0 * b->amount / s.lane_vol : 0.0);
    case 10: return rep_fmt("%.3lf", b->size > 0 ? b->amount / b->size : 0.0);
    case 11: return rep_fmt("%.2lf", b->area);
    case 12: {
      const double d = calibrated(im, b->baseline);
      return rep_fmt("%.2lf", d > 0 ? d : 0.0);
    }
    case 13: return lane ? rep_fmt("%.3lf", ln_y_to_rf(b->y, lane)) : "";
    case 14:
      if (!im || !im->img_info || !lane || lane->num_center_points < 1) return "";
      return rep_fmt("%.2lf", double(b->y - lane->center_coords[0].y + 1) * im->img_info->y_res *
                                  std::pow(10.0, im->img_info->y_scale));
    // The band's concentration: its standard value (computed from its amount by the
    // concentration standards), as the band report shows it. The amount itself is the volume
    // that Band Vol already shows, which is no concentration.
    case 15: return b->std_value < 0.00001 ? "*" : rep_fmt("%.*lf", rep_digits(ctl->conc_digits), b->std_value);
    case 16: return rep_fmt("%d", b->x);
    case 17: return rep_fmt("%d", b->y);
    case 18: return (b->f1 & 0x80000000u) ? "Y" : "N";
    case 19: return (b->f2 & 8u) ? "Y" : "N";
    case 20: return (b->f2 & 64u) ? "Y" : "N";
    case 21: return std::string(b->label, strnlen(b->label, sizeof b->label));
    case 22: return rep_fmt("%.3lf", lane && lane->norm_ii > 0 ? b->amount / lane->norm_ii : 0.0);
    case 23:
      if (!im || !im->band_hdr) return "0.0";
      return rep_fmt("%.3lf", im->band_hdr->norm_band_ii > 0 ? b->amount / im->band_hdr->norm_band_ii : 0.0);
    default: return "";
  }
}

int width_of(int code) { return code >= 0 && code < kNumFld ? kWidths[code] : 10; }

void append(const std::string& piece) {
  s.text += piece;
  if (s.win) {
    TK_OBJ t = RES_GetSub(s.win, 0);
    TEXT_SetInsertPos(t, -1);
    TEXT_Insert(t, piece.c_str());
  }
}

std::string hdr_value(int code) {
  std::string out;
  RepState& st = rep_state();
  const RepState saved_type_state = st;
  st.image = s.image;
  st.type = REP_ACTIVE_IMAGE;
  st.format = FMT_TEXT;
  if (s.image) get_hdr_fld_val_str(code, out);
  st = saved_type_state;
  return out;
}

void header_block() {
  const REPORT_CFG& c = cfg();
  std::string block;
  for (int i = 0; i < c.num_hdr_ids && i < REP_MAX_HDR; ++i)
    block += rep_hdr_label(c.hdr_ids[i]) + ":   " + hdr_value(c.hdr_ids[i]) + "\n";
  block += "\n";
  if (c.colheads) {
    for (int i = 0; i < c.num_fld_ids; ++i) {
      const int code = c.fld_ids[i];
      const std::string h = code >= 0 && code < kNumFld
                                ? std::string(RES_GetString("rep_fld", "StrLBandReportTableFields", 2L * code + 1)
                                                  ? RES_GetString("rep_fld", "StrLBandReportTableFields", 2L * code + 1)
                                                  : kRepBandColumns[code].heading)
                                : std::string();
      std::string cell = h.substr(0, size_t(width_of(code)));
      block += std::string(size_t(width_of(code)) - cell.size(), ' ') + cell + " ";
    }
    block += "\n";
  }
  if (c.dashes) {
    for (int i = 0; i < c.num_fld_ids; ++i)
      block += std::string(size_t(std::min(width_of(c.fld_ids[i]), 17)), '=') + " ";
    block += "\n";
  }
  append(block);
}

void row(int band_no, const SPOT* b) {
  const REPORT_CFG& c = cfg();
  std::string line;
  for (int i = 0; i < c.num_fld_ids; ++i) {
    std::string v = value(c.fld_ids[i], band_no, b);
    const int w = width_of(c.fld_ids[i]);
    if (int(v.size()) < w) v.insert(0, size_t(w) - v.size(), ' ');
    line += v + " ";
  }
  append(line + "\n");
}

LANE* first_lane(IMAGE_REC* im) { return im && im->lanes ? im->lanes->next : nullptr; }

}  // namespace

void compare_build_chart(const std::vector<IMAGE_REC*>& images) {
  s.chart.clear();
  struct Use { const LANE* lane; int c; };
  std::vector<Use> uses;
  int widest = 0;
  for (IMAGE_REC* im : images)
    for (SPOT* b = im && im->bands ? im->bands->next : nullptr; b; b = b->next) {
      if (!(b->f2 & SP_F2_SELECTED)) continue;
      LANE* lane = nullptr;
      if (ln_xy_find_lane(b->x, b->y, im->lanes, &lane) <= 0 || !lane || lane->num_center_points < 1)
        continue;
      const int c = b->y - lane->center_coords[0].y;
      const int lo = std::max(0, c - b->thickness);
      const int hi = std::min(lane->num_data_values, c + b->thickness);
      widest = std::max(widest, hi - lo);
      uses.push_back({lane, c});
    }
  if (uses.empty() || widest <= 0) return;
  for (int r = 0; r < widest; ++r) {
    std::vector<double> line{double(r)};
    for (const Use& u : uses) {
      const int at = u.c - widest / 2 + r;
      line.push_back(at >= 0 && at < u.lane->num_data_values && u.lane->data_values
                         ? double(u.lane->data_values[at]) : 0.0);
    }
    s.chart.push_back(line);
  }
}

namespace {

void show_chart() {
  if (!s.win) return;
  TK_OBJ chart = RES_GetSub(s.win, 5);
  s.chart_block.clear();
  if (s.chart.empty()) {
    CHART_SetData(chart, nullptr, 0, 0, 0);
    CHART_Paint(chart);
    return;
  }
  const int cols = int(s.chart[0].size());
  for (const auto& r : s.chart) s.chart_block.insert(s.chart_block.end(), r.begin(), r.end());
  CHART_SetData(chart, s.chart_block.data(), TK_CHART_DOUBLE, cols, int(s.chart.size()));
  const int w = int(s.chart.size());
  CHART_SetXRange(chart, 0, double((w + 9) / 10 * 10), 20, 5);
  double top = 1;
  for (const auto& r : s.chart)
    for (size_t k = 1; k < r.size(); ++k) top = std::max(top, r[k]);
  CHART_SetYRange(chart, 0, top, 0, 0);
  CHART_SetView(chart, 0, w);
  for (int k = 2; k <= cols; ++k) {
    int colour = k % 7 + 3;
    if (colour == 6) colour = 3;
    if (colour == 8) colour = 10;
    CHART_SetSeries(chart, k - 1, colour, nullptr, TK_CHART_LINE);
  }
  CHART_Paint(chart);
}

long part_nfy(TK_OBJ part, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(part, event);
  switch (RES_GetIndex(part)) {
    case 1: compare_dismiss(); break;
    case 2:
      ks_chart_save_as(RES_GetSub(s.win, 5), gt_get_control()->folders[CTL_DIR_REPORTS], 0);
      break;
    case 3:
      compare_clear();
      s.chart.clear();
      show_chart();
      break;
    case 4:
      if (compare_config()) {
        compare_full(gt_open_images(), true, false);
        compare_build_chart(gt_open_images());
        show_chart();
      }
      break;
    default: return WGT_DefaultNfy(part, event);
  }
  return 0;
}

long win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    compare_dismiss();
    return 0;
  }
  if (event == TK_EV_TERMINATE && s.win == win) s.win = nullptr;
  return WIN_DefaultNfy(win, event);
}

}  // namespace

void compare_full(const std::vector<IMAGE_REC*>& images, bool clear, bool update_only) {
  if (images.empty()) return;
  if (clear) {
    s.text.clear();
    if (s.win) TEXT_Clear(RES_GetSub(s.win, 0));
  }
  s.selected = 0;
  for (IMAGE_REC* im : images)
    for (LANE* l = first_lane(im); l; l = l->next)
      for (SPOT* b : bands_of(im, l)) s.selected += (b->f2 & SP_F2_SELECTED) ? 1 : 0;
  if (!update_only) header_block();
  if (s.selected == 0) return;
  for (IMAGE_REC* im : images) {
    if (!first_lane(im)) continue;
    if (im->std_changed && im->size_stdp) {
      std_lane_spots_calc(im->img_info, im->lanes, im->bands, im->size_stdp);
      im->std_changed = 0;
    }
    s.image = im;
    if (update_only) continue;
    for (LANE* l = first_lane(im); l; l = l->next) {
      lane_sums(im, l);
      const std::vector<SPOT*> bands = bands_of(im, l);
      for (size_t k = 0; k < bands.size(); ++k)
        if (bands[k]->f2 & SP_F2_SELECTED) row(int(k) + 1, bands[k]);
    }
  }
}

void compare_append_band(IMAGE_REC* image) {
  if (!image || !image->cur_band) return;
  SPOT* b = image->cur_band;
  LANE* lane = nullptr;
  if (ln_xy_find_lane(b->x, b->y, image->lanes, &lane) <= 0 || !lane) return;
  s.image = image;
  if (lane != s.lane) lane_sums(image, lane);
  const std::vector<SPOT*> bands = bands_of(image, lane);
  for (size_t k = 0; k < bands.size(); ++k)
    if (bands[k] == b) {
      row(int(k) + 1, b);
      return;
    }
}

void compare_clear() {
  s.text.clear();
  if (s.win) TEXT_Clear(RES_GetSub(s.win, 0));
  header_block();
}

const std::string& compare_text() { return s.text; }
const std::vector<std::vector<double>>& compare_chart_rows() { return s.chart; }
TK_OBJ compare_window() { return s.win; }

void compare_activate() {
  if (s.win == nullptr) {
    TK_OBJ win = WIN_Load("compare", "compare_win");
    if (win == nullptr) return;
    RES_SetNfy(win, win_nfy);
    for (int i = 1; i <= 4; ++i) RES_SetNfy(RES_GetSub(win, i), part_nfy);
    CHART_Attach(RES_GetSub(win, 5));
    WIN_SetOwner(win, gt_get_main_win());  // kept above the main window, as the tool windows are
    WIN_Init(win);
    TK_SetFixedFont(RES_GetSub(win, 0));
    ui_wpos_place(win, 95, 75, FALSE);
    s.win = win;
  }
  const std::vector<IMAGE_REC*> images = gt_open_images();
  compare_full(images, true, false);
  compare_build_chart(images);
  show_chart();
  WIN_Show(s.win);
}

void compare_update(int shift) {
  if (s.win == nullptr) return;
  const std::vector<IMAGE_REC*> images = gt_open_images();
  compare_full(images, false, true);
  if (shift != 1) compare_append_band(gt_get_image_ptr());
  compare_build_chart(images);
  show_chart();
}

int compare_config() {
  CONTROL* ctl = gt_get_control();
  REPORT_CFG& c = ctl->compare_cfg;
  RepChoice hdr[kNumHdr], fld[kNumFld];
  for (int i = 0; i < kNumHdr; ++i) {
    hdr[i].code = i;
    std::snprintf(hdr[i].name, sizeof hdr[i].name, "%s", rep_hdr_label(i).c_str());
  }
  for (int i = 0; i < kNumFld; ++i) {
    fld[i].code = i;
    std::snprintf(fld[i].name, sizeof fld[i].name, "%s", kRepBandColumns[i].label);
  }
  int nh = std::min<int>(c.num_hdr_ids, kNumHdr), nf = std::min<int>(c.num_fld_ids, kNumFld);
  int32_t h[kNumHdr], f[kNumFld];
  for (int i = 0; i < kNumHdr; ++i) h[i] = c.hdr_ids[i];
  for (int i = 0; i < kNumFld; ++i) f[i] = c.fld_ids[i];
  const int changed = ui_rpcfg_activate(kNumHdr, &nh, hdr, h, kNumFld, &nf, fld, f, &c.titles,
                                        &c.datetime, &c.colheads, &c.dashes, 1);
  if (changed) {
    c.num_hdr_ids = nh;
    c.num_fld_ids = nf;
    for (int i = 0; i < kNumHdr; ++i) c.hdr_ids[i] = i < nh ? h[i] : -1;
    for (int i = 0; i < kNumFld; ++i) c.fld_ids[i] = i < nf ? f[i] : -1;
  }
  ui_slog_cfg_report(&c);
  return changed;
}

void compare_dismiss() {
  TK_OBJ win = s.win;
  s.win = nullptr;
  s.chart.clear();
  if (win) WIN_Terminate(win);
}

void compare_forget_image(const IMAGE_REC* image) {
  if (image == nullptr || s.image != image) return;
  s.image = nullptr;
  s.lane = nullptr;
  s.lane_vol = s.lane_size = 0;
}
