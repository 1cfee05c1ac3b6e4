// The standards fit chart: the fitted curve of an image's size or concentration standards,
// sampled at 128 points across the standards' range, with the samples nearest to each standard
// row marked and, for the regression method, the regression equation in the caption.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/std_fit.h"
#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "shell/gt_chart.h"
#include "shell/gt_image_win.h"
#include "shell/ui_print.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_report_wins.h"

namespace {

constexpr int N = GT_STD_FIT_SAMPLES;
enum { P_PRINT = 0, P_SCALE = 1, P_CHART = 2, P_CLOSE = 3, P_SAVE = 4 };
constexpr int kCurveColour = 3;  // blue
constexpr int kStdsColour = 0;   // red

TK_OBJ s_win = nullptr;
short s_scale = 0;     // remembered scale choice, kept across openings
bool s_filling = false;
int s_counter = 0;     // points seen by the marker procedure in this pass
bool s_pass = false;   // with three series: the second series' pass
StdFitData s_data;
int s_draws = 0;
double* s_block = nullptr;  // the chart's data block (series count x 129 doubles)

void free_block(TK_OBJ chart) {
  if (chart) CHART_SetData(chart, nullptr, 0, 0, 0);
  ks_free(s_block);
  s_block = nullptr;
}

IMAGE_REC* image_of(TK_OBJ win) { return static_cast<IMAGE_REC*>(RES_GetData(RES_GetSub(win, P_SCALE))); }
int type_of(TK_OBJ win) {
  return static_cast<int>(reinterpret_cast<intptr_t>(RES_GetData(win)));
}

STD_LIST* list_of(IMAGE_REC* im, int type) {
  if (type == GT_STD_FIT_CONC) return im->conc_stdp ? *im->conc_stdp : nullptr;
  return im->size_stdp ? im->size_stdp[0] : nullptr;
}

// The lane whose centre the size curve is read at: the current lane, else the first selected
// lane; null for none (x = 0).
const LANE* curve_lane(IMAGE_REC* im) {
  if (im->cur_lane) return im->cur_lane;
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next)
    if (l->f & LN_F_SELECTED) return l;
  return nullptr;
}

// A round step of about a fifth of the span.
double nice_step(double span) {
  if (!(span > 0)) return 1;
  const double raw = span / 5, mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (raw <= f * mag) return f * mag;
  return 10 * mag;
}

long S_std_fit_chartNfy(TK_OBJ chart, int event) {
  if (event != TK_EV_CHART_POINT) return WGT_DefaultNfy8(chart, event);
  const int k = s_counter;
  const bool draw = s_data.mark[k] && !(s_data.series == 3 && s_pass);
  if (++s_counter >= N) {
    s_counter = 0;
    if (s_data.series == 3) s_pass = !s_pass;
  }
  return draw ? WGT_DefaultNfy8(chart, event) : 0;
}

long S_std_fit_scaleNfy(TK_OBJ choice, int event) {
  const long r = WGT_DefaultNfy4(choice, event);
  if (event != TK_EV_CHOICE) return r;
  TK_OBJ win = RES_GetOwnerWindow(choice);
  if (!s_filling) std_fit_draw(win, image_of(win), type_of(win));
  s_scale = static_cast<short>(WGT_GetChoice(choice));
  return r;
}

long S_std_fit_PBut0Nfy(TK_OBJ button, int event) {
  const long r = WGT_DefaultNfy(button, event);
  if (event == TK_EV_ACTIVATE) std_fit_print(RES_GetOwnerWindow(button));
  return r;
}

long S_std_fit_PBut4Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  ks_chart_save_as(RES_GetSub(RES_GetOwnerWindow(button), P_CHART),
                   gt_get_control()->folders[CTL_DIR_REPORTS], 0);
  return 0;
}

long S_std_fit_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    s_win = nullptr;
    free_block(RES_GetSub(win, P_CHART));
    s_data = StdFitData{};
    s_scale = static_cast<short>(std::max(0, WGT_GetChoice(RES_GetSub(win, P_SCALE))));
  }
  return gt_tool_win_default(win, event);
}

}  // namespace

const StdFitData& std_fit_last() { return s_data; }
TK_OBJ std_fit_window() { return s_win; }
int std_fit_draw_count() { return s_draws; }
IMAGE_REC* std_fit_image() { return s_win ? image_of(s_win) : nullptr; }

void std_fit_draw(TK_OBJ win, IMAGE_REC* image, int type) {
  if (!win || !image) return;
  SLOG("std_fit_draw", SLOG_ENTRY, "type %d", type);
  ++s_draws;
  TK_OBJ chart = RES_GetSub(win, P_CHART);
  if (type == GT_STD_FIT_SIZE)
    CHART_SetAxisTitles(chart, "Migration in pixels", "B\na\nn\nd\n \nS\ni\nz\ne");
  else
    CHART_SetAxisTitles(chart, "Volume", "C\no\nn\nc\ne\nn\nt\nr\na\nt\ni\no\nn");
  const bool log = WGT_GetChoice(RES_GetSub(win, P_SCALE)) > 0;
  StdFitData d;
  s_counter = 0;
  s_pass = false;
  for (double& v : d.stds) v = 1.0;
  int series = 2;
  STD_LIST* list = list_of(image, type);
  char method[256] = "";
  std_get_interp_str(list ? list->int_method : 0, method, nullptr, sizeof method);
  // The range of the standards' positions (migration or volume).
  double lo = 4300000000.0, hi = -4300000000.0;
  for (int i = 0; list && i < list->count; ++i) {
    lo = std::min(lo, list->records[i].y);
    hi = std::max(hi, list->records[i].y);
  }
  if (!list || list->count == 0) {
    // Nothing to fit: an empty chart.
    free_block(chart);
    s_data = d;
    s_data.caption = std::string(method) + " Interpolation: " + (log ? "Logarithmic" : "Linear") + " Scale ";
    CHART_SetTitle(chart, s_data.caption.c_str(), nullptr);
    CHART_Paint(chart);
    return;
  }
  const double step = (hi - lo) / N;
  for (int i = 0; i < N; ++i) d.x[i] = lo + i * step;
  // The curve.
  const LANE* lane = curve_lane(image);
  const double cx = lane && lane->num_center_points > 0 && lane->center_coords ? lane->center_coords[0].x : 0.0;
  for (int i = 0; i < N; ++i) {
    double v;
    if (type == GT_STD_FIT_SIZE) {
      v = std_rectangular_interp(list, cx, d.x[i]);
      if (!(v > 0) && list->int_method == 2) {
        list->int_method = 0;
        v = std_rectangular_interp(list, cx, d.x[i]);
        list->int_method = 2;
      }
    } else {
      v = list->int_method == 7 ? std_user_interp(list, 0.0, 0.0, d.x[i]) : std_rectangular_interp(list, 0.0, d.x[i]);
    }
    d.curve[i] = v;
  }
  // Values that are not above 0 take the next later positive value, or 1.0.
  double next = 1.0;
  for (int i = N - 1; i >= 0; --i) {
    if (d.curve[i] > 0) next = d.curve[i];
    else d.curve[i] = next;
  }
  std::string equation;
  if (list->int_method == 4) {
    double a = 0, b = 0, r = 0;
    char buf[200];
    if (!mt_reg_get_fit(&a, &b, &r)) {
      equation = "Regression equation not available";
    } else {
      const char* fmt = type == GT_STD_FIT_SIZE ? "Size = %2.6lf * Migration %s %2.6lf (r = %2.4lf)"
                                                : "Concentration = %2.6lf * Volume %s %2.6lf (r = %2.4lf)";
      std::snprintf(buf, sizeof buf, fmt, b, a < 0 ? "-" : "+", std::fabs(a), r);
      equation = buf;
    }
    std::copy(std::begin(d.curve), std::end(d.curve), std::begin(d.stds));
    series = 3;
  }
  // The sample nearest to each standard row is marked.
  const int rows = std_num_rows(list);
  for (int row = 0; row < rows; ++row) {
    const double value = std_get_row_value(list, row);
    const double loc = std_rect_find_loc(list, 0.0, value, 0);
    int k = 0;
    for (int i = 1; i < N; ++i)
      if (std::fabs(d.x[i] - loc) < std::fabs(d.x[k] - loc)) k = i;
    d.mark[k] = 1;
    if (series == 3) d.stds[k] = value;
  }
  d.series = series;
  // The data block: sample by sample x, (standards,) curve.
  free_block(chart);
  s_block = static_cast<double*>(ks_alloc_msg(sizeof(double) * series * (N + 1)));
  if (!s_block) {
    s_data = StdFitData{};
    return;
  }
  double ymin = 1e300, ymax = -1e300;
  for (int i = 0; i < N; ++i) {
    double* p = s_block + i * series;
    p[0] = d.x[i];
    if (series == 3) p[1] = d.stds[i];
    p[series - 1] = d.curve[i];
    for (int s = 1; s < series; ++s) ymin = std::min(ymin, p[s]), ymax = std::max(ymax, p[s]);
  }
  // X axis: the largest position rounded up to a multiple of 10, at least 3 above the first
  // sample; the tick step the first of 10, 15, 20, ... that gives at most ten ticks.
  double x_max = std::ceil(std::trunc(hi) / 10.0) * 10.0;
  x_max = std::max(x_max, d.x[0] + 3.0);
  d.x_step = std::max(10.0, 5.0 * std::ceil(x_max / 10.0 / 5.0 - 1e-9));
  d.x_max = x_max;
  CHART_SetXRange(chart, d.x[0], x_max, d.x_step, 0);
  CHART_SetYLog(chart, log ? 1 : 0);
  if (log) {
    CHART_SetYRange(chart, std::pow(10.0, std::floor(std::log10(ymin))),
                    std::pow(10.0, std::ceil(std::log10(ymax * 1.0000001))), 1, 0);
  } else {
    const double ylo = std::min(0.0, ymin), yst = nice_step(ymax - ylo);
    CHART_SetYRange(chart, ylo, std::ceil(ymax / yst) * yst, yst, yst / 2);
  }
  CHART_SetData(chart, s_block, TK_CHART_DOUBLE, series, N);
  if (series == 3) {
    CHART_SetSeries(chart, 1, kStdsColour, "", TK_CHART_MARKERS);
    CHART_SetSeries(chart, 2, kCurveColour, "", TK_CHART_LINE | TK_CHART_MARKERS);
  } else {
    CHART_SetSeries(chart, 1, kCurveColour, "", TK_CHART_LINE | TK_CHART_MARKERS);
  }
  d.caption = std::string(method) + " Interpolation: " + (log ? "Logarithmic" : "Linear") + " Scale ";
  CHART_SetTitle(chart, d.caption.c_str(), equation.empty() ? nullptr : equation.c_str());
  if (!equation.empty()) d.caption += "\n" + equation;
  s_data = d;
  CHART_Paint(chart);
}

void gt_std_fit_activate(TK_OBJ owner, IMAGE_REC* image, int type) {
  SLOG("gt_std_fit_activate", SLOG_ENTRY, "type %d", type);
  if (!s_win) {
    const GtPartNfy parts[] = {{P_PRINT, S_std_fit_PBut0Nfy}, {P_CHART, S_std_fit_chartNfy},
                               {P_CLOSE, S_Close_PButNfy},    {P_SAVE, S_std_fit_PBut4Nfy},
                               {P_SCALE, S_std_fit_scaleNfy}};
    s_win = gt_tool_win_load("std_fit", owner, S_std_fit_winNfy, nullptr, 0);
    if (!s_win) return;
    CHART_Attach(RES_GetSub(s_win, P_CHART));
    for (const GtPartNfy& p : parts) RES_SetNfy(RES_GetSub(s_win, p.index), p.proc);
  }
  RES_SetData(RES_GetSub(s_win, P_SCALE), image);
  RES_SetData(s_win, reinterpret_cast<void*>(static_cast<intptr_t>(type)));
  char title[300];
  std::snprintf(title, sizeof title, "%s : %s",
                type == GT_STD_FIT_CONC ? "Concentration Standards Fit" : "Size Standards Fit",
                image ? image->image_name : "");
  WIN_SetTitle(s_win, title);
  s_filling = true;
  TK_OBJ scale = RES_GetSub(s_win, P_SCALE);
  WGT_SetChoice(scale, s_scale);
  RES_Send(scale, TK_EV_CHOICE);
  s_filling = false;
  std_fit_draw(s_win, image, type);
  ui_wpos_place_size(s_win, 90, 100, 0, 45, 40);
  WIN_Show(s_win);
}

void std_fit_dismiss() {
  if (s_win) WIN_Terminate(s_win);
  s_win = nullptr;
}

void std_fit_print(TK_OBJ win) {
  if (!win) return;
  TkPageSetup page = PRINT_GetDefaults();
  page.extra = 2;
  ui_print(RES_GetSub(win, P_CHART), gt_get_control()->folders[CTL_DIR_REPORTS], nullptr, &page);
}
