// The densitometry tool window.
#include "tools/gt_dtool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/full_pixels.h"
#include "engine/pixel_guard.h"
#include "engine/lane_profile.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"
#include "shell/gt_chart.h"
#include "shell/ih_draw.h"
#include "shell/ui_print.h"
#include "shell/gt_place.h"
#include "shell/ui_text_export.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/dtool_report.h"

namespace {

// Parts of "dtool_win".
enum DtPart {
  P_ANGLE = 1, P_WIDTH = 2, P_PRINT = 3, P_OK = 4, P_ADD = 5, P_DELETE = 6, P_REFIND = 7,
  P_BOUNDS = 8, P_REPORT = 9, P_CHART = 10, P_STRIP = 11, P_SAVE = 12, P_ANGLE_TEXT = 13,
  P_USE_FILE = 14, P_FILE = 15, P_LABELS = 16, P_CANCEL = 17, P_STATUS = 18, P_READOUT = 19,
};

constexpr int kAnalysisStd = 407;
constexpr int kToolPointer = 1;  // the pointer over the chart and strip while a peak is being added

TK_OBJ s_win = nullptr;
char s_def_dir[256] = "";
std::vector<int32_t> s_points;  // the chart's (row, value, baseline) points

TK_OBJ part(int i) { return s_win ? RES_GetSub(s_win, i) : nullptr; }

// The pointer over the chart and the strip: the tool pointer while the next click adds a peak.
void set_pointer(TK_OBJ area) { WGT_SetPointer(area, dtool_state().adding ? kToolPointer : 0); }

// The lane strip: the lane's pixels cut from the image file as 8 bits, its first column in the
// image, and the copy scaled to the strip part at its last paint.
struct Strip {
  TkImage image;
  int x0 = 0;
  double scale = 1.0;  // strip pixels per image pixel
};
Strip s_strip;

void cut_strip() {
  s_strip = Strip{};
  const DtState& s = dtool_state();
  const LANE* l = s.lane;
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!l || !l->center_coords || l->num_center_points < 1 || !io_query_image(s.info->image_path, &bits, extent)) return;
  int lo = l->center_coords[0].x, hi = lo;
  for (int i = 0; i < l->num_center_points; ++i)
    lo = std::min(lo, l->center_coords[i].x), hi = std::max(hi, l->center_coords[i].x);
  const int x0 = std::clamp(lo - l->left_width - l->left_width / 2, 1, extent[0] - 1);
  const int x1 = std::clamp(hi + l->right_width + l->right_width / 2, 1, extent[0] - 1);
  const int y0 = std::clamp(l->center_coords[0].y, 0, extent[1] - 1);
  const int y1 = std::clamp(l->center_coords[l->num_center_points - 1].y, 0, extent[1] - 1);
  if (x1 <= x0 || y1 < y0) return;
  const int32_t size[2] = {x1 - x0 + 1, y1 - y0 + 1};
  std::unique_ptr<TkImage> raw(io_create_image(size, bits > 8 ? 16 : 8));
  const int32_t rect[4] = {x0, y0, size[0], size[1]};
  if (!raw || !io_read_kestrin(s.info->image_path, raw.get(), rect, 1.0)) return;
  if (!s_strip.image.create(size[0], size[1], 1)) return;
  const double span = s.info->max_value - s.info->min_value + 1.0;
  for (int y = 0; y < size[1]; ++y)
    for (int x = 0; x < size[0]; ++x) {
      unsigned v = raw->pixel(x, y);
      if (raw->depth() == 16)
        v = static_cast<unsigned>(std::clamp((static_cast<double>(v) - s.info->min_value) * 256.0 / span, 0.0, 255.0));
      s_strip.image.row(y)[x] = static_cast<uint8_t>(v);
    }
  s_strip.image.set_grey_colours();
  s_strip.x0 = x0;
}

std::vector<DtStripLabel> s_strip_labels;

// Where a label of `w` by `h` goes whose centre is (x, y): there when it overlaps no label placed
// before, else the nearest place on its row, `step` pixels to either side at a time, that
// overlaps none (inside `view` where there is room), so that the numbers of close bands stay
// readable.
TkRect place_label(int x, int y, int w, int h, int step, const TkRect& view) {
  auto free = [&](const TkRect& r) {
    for (const DtStripLabel& l : s_strip_labels) {
      const TkRect& o = l.box;
      if (r.x < o.x + o.w && o.x < r.x + r.w && r.y < o.y + o.h && o.y < r.y + r.h) return false;
    }
    return true;
  };
  const TkRect r{x - w / 2, y - h / 2, w, h};
  if (free(r)) return r;
  for (bool inside : {true, false})
    for (int k = 1; k <= static_cast<int>(s_strip_labels.size()); ++k)
      for (int side : {1, -1}) {
        TkRect t = r;
        t.x += side * k * step;
        if (inside && w <= view.w) t.x = std::clamp(t.x, view.x, view.x + view.w - w);
        if (free(t)) return t;
      }
  return r;
}

// The strip scaled into the part, keeping its aspect, with the bands' numbers or sizes at the
// lane's centre on their peak rows (beside it where a closer band's label stands there).
void paint_strip(TK_OBJ area) {
  s_strip_labels.clear();
  const DtState& s = dtool_state();
  const TkImage& src = s_strip.image;
  if (src.width() <= 0 || src.height() <= 0 || !s.lane) return;
  const TkRect view = CANVAS_GetVisible(area);
  s_strip.scale = std::min(static_cast<double>(view.w) / src.width(), static_cast<double>(view.h) / src.height());
  const int w = std::max(1, static_cast<int>(src.width() * s_strip.scale));
  const int h = std::max(1, static_cast<int>(src.height() * s_strip.scale));
  TkImage scaled;
  if (!scaled.create(w, h, 1)) return;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      scaled.row(y)[x] = src.row(std::min(src.height() - 1, static_cast<int>(y / s_strip.scale)))
                             [std::min(src.width() - 1, static_cast<int>(x / s_strip.scale))];
  scaled.set_grey_colours();
  if (DRAW_Begin(area, nullptr)) {
    DRAW_Image(area, view.x, view.y, scaled);
    DRAW_End(area);
  }
  if (TK_OBJ font = ih_get_font(1, 1, 0)) DRAW_SetFont(area, font);  // Helvetica, 24 points, plain
  const bool sizes = WGT_GetValue(part(P_LABELS)) == 1 && dtool_sizes_usable();
  const int n = dtool_n();
  for (int i = 0; i < static_cast<int>(s.bands.size()); ++i) {
    int peak = 0;
    dtool_band_bounds(i, &peak, nullptr, nullptr);
    const int row = s.lane->center_coords[0].y + peak;
    char label[40];
    if (sizes) {
      const double size = dtool_size(i);
      if (size > 0) std::snprintf(label, sizeof label, ":%.*lf", std::clamp(s.info->size_digits, 0, 10), size);
      else std::snprintf(label, sizeof label, "*");
    } else {
      std::snprintf(label, sizeof label, "%ld", static_cast<long>(i + 1));
    }
    const int x = static_cast<int>((ln_center_x(row, s.lane) - s_strip.x0) * s_strip.scale);
    const int y = n > 1 ? static_cast<int>(static_cast<double>(peak) * (h - 1) / (n - 1)) : 0;
    DRAW_SetColors(area, DRAW_StockColor(i == s.selected ? 0 : s.info->strip_color), DRAW_StockColor(9));
    short tw = 0, th = 0;
    ks_draw_text_size(area, label, &tw, &th);
    // A label that moves aside moves by its own width and a little.
    const TkRect at = place_label(view.x + x, view.y + y, tw, th, tw + 3, view);
    s_strip_labels.push_back({label, at});
    ks_draw_text(area, at.x, at.y, 66, label);
  }
}

long stripNfy(TK_OBJ area, int event) {
  const long r = WGT_DefaultNfy(area, event);
  if (event == TK_EV_ENTER) set_pointer(area);
  if (event == TK_EV_EXPOSE) paint_strip(area);
  if (event == TK_EV_MOUSE && EVENT_GetButtonState() == 1 && s_strip.scale > 0 && s_strip.image.height() > 0) {
    const int h = std::max(1, static_cast<int>(s_strip.image.height() * s_strip.scale));
    const int n = dtool_n();
    const int y = EVENT_GetPos().y;
    dtool_click_row(n > 1 ? static_cast<int>(std::lround(static_cast<double>(y) * (n - 1) / std::max(1, h - 1))) : 0);
  }
  return r;
}
int n_points() { return dtool_n(); }

void fill_points() {
  LANE* l = dtool_state().lane;
  const int n = n_points();
  s_points.assign(3 * static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    s_points[3 * i] = i;
    s_points[3 * i + 1] = l->data_values[i];
    s_points[3 * i + 2] = l->baseline_values ? l->baseline_values[i] : 0;
  }
}

void setup_chart() {
  TK_OBJ chart = part(P_CHART);
  if (!chart) return;
  const int n = n_points();
  fill_points();
  CHART_SetData(chart, s_points.data(), TK_CHART_I32, 3, n);
  int lo = 0, hi = 0;
  for (int i = 0; i < n; ++i) {
    lo = i ? std::min(lo, s_points[3 * i + 1]) : s_points[1];
    hi = i ? std::max(hi, s_points[3 * i + 1]) : s_points[1];
  }
  // Short or flat profiles have tick steps of 0 and then no ticks.
  const int xmajor = (n - 1) / 10, ymajor = hi / 8;
  CHART_SetXRange(chart, 0, std::max(n - 1, 0), xmajor, xmajor / 2.0);
  CHART_SetYRange(chart, lo, hi, ymajor, ymajor / 2.0);
  CHART_SetSeries(chart, 1, 9, "", TK_CHART_LINE);
  CHART_SetSeries(chart, 2, 3, "", TK_CHART_LINE);
  const DT_INFO* info = dtool_state().info;
  const LANE* l = dtool_state().lane;
  // The horizontal axis counts the profile's points, rows down the lane from its top: its title
  // says so rather than naming sizes or Rf, which only the readout and the file lines show.
  CHART_SetAxisTitles(chart, "Position (pixels)", info->lookup ? "O.D." : "I\nn\nt\ne\nn\ns\ni\nt\ny");
  char title[320];
  if (l->lane_name[0])
    std::snprintf(title, sizeof title, "%s:%.*s", info->image_name, static_cast<int>(sizeof l->lane_name), l->lane_name);
  else
    std::snprintf(title, sizeof title, "%s:%ld", info->image_name, static_cast<long>(l->lane_number));
  CHART_SetTitle(chart, title, nullptr);
}

void rebuild_report() {
  if (s_win) WGT_SetText(part(P_REPORT), dtool_report_text().c_str());
}

void redraw_views() {
  if (!s_win) return;
  WGT_Redraw(part(P_CHART));
  WGT_Redraw(part(P_STRIP));
}

// The profile at the tool's lane width and its baseline, from the image file. False when the
// pixels cannot be had or are lost while read: the user is told and the lane keeps the profile
// it had.
bool reload_profile() {
  DtState& s = dtool_state();
  LANE* lane = s.lane;
  if (!lane || !s.info) return false;
  LnPixels px(s.info->image_path);
  if (!px.readable()) return false;
  LaneSnapshot before(lane);
  ln_pixels_profiles(px, &lane, 1, s.lane_width);
  ln_calc_lane_baselines(&lane, 1, kAnalysisStd);
  if (!px.lost()) return true;
  before.put_back();
  return false;
}

void enable_edits() {
  const bool file = dtool_state().use_file != 0;
  WGT_Enable(part(P_ADD), !file);
  WGT_Enable(part(P_REFIND), !file);
  WGT_Enable(part(P_BOUNDS), !file);
  WGT_Enable(part(P_DELETE), !file && dtool_state().selected >= 0);
}

// A bound being dragged: which handle (1 lower, 2 upper, 0 none) and where its line is drawn.
struct BoundDrag {
  int which = 0;
  int x = -1;
};
BoundDrag s_drag;

// The pixel row of the horizontal axis: the vertical axis's minimum.
int axis_y(TK_OBJ chart) {
  const TkRect plot = CHART_GetPlotRect(chart);
  return plot.y + plot.h - 1;
}

// Moves the drag line (drawn in exclusive-or, so drawing it again erases it) to x, held to the
// plot; x < 0 only erases it.
void drag_line(TK_OBJ chart, int x) {
  const TkRect plot = CHART_GetPlotRect(chart);
  DRAW_SetColors(chart, DRAW_StockColor(11), DRAW_StockColor(8));
  if (s_drag.x >= 0) ks_draw_line(chart, s_drag.x, plot.y, s_drag.x, plot.y + plot.h - 1);
  s_drag.x = x < 0 ? -1 : std::clamp(x, plot.x, plot.x + plot.w - 1);
  if (s_drag.x >= 0) ks_draw_line(chart, s_drag.x, plot.y, s_drag.x, plot.y + plot.h - 1);
}

}  // namespace

int dtool_handle_at(TK_OBJ chart, TkPoint p) {
  int peak = 0, lo = 0, hi = 0;
  if (!dtool_band_bounds(dtool_state().selected, &peak, &lo, &hi)) return 0;
  const int xl = CHART_XToPixel(chart, lo), xh = CHART_XToPixel(chart, hi);
  // Only the handle nearer to the pointer is tried: a 6 x 6 square from 2 pixels left of the
  // bound, centred on the axis.
  const bool lower = std::abs(p.x - xl) <= std::abs(p.x - xh);
  const int left = (lower ? xl : xh) - 2, top = axis_y(chart) - 3;
  if (p.x < left || p.x >= left + 6 || p.y < top || p.y >= top + 6) return 0;
  return lower ? 1 : 2;
}

namespace {

// With the boundaries file in use: a vertical line over the plot at a profile row, labelled below
// the axis with its Rf or size.
void file_line(TK_OBJ chart, int row, double value) {
  const TkRect plot = CHART_GetPlotRect(chart);
  const int x = CHART_XToPixel(chart, row);
  DRAW_SetColors(chart, DRAW_StockColor(9), DRAW_StockColor(8));
  ks_draw_line(chart, x, plot.y, x, plot.y + plot.h);
  char label[32];
  std::snprintf(label, sizeof label, "%.2f", value);
  ks_draw_text(chart, x + 2, plot.y + plot.h + 2, 66, label);
}

// The band areas, peak labels and the selected band's handles over the plotted profile.
void annotate_chart(TK_OBJ chart) {
  const DtState& s = dtool_state();
  const int count = static_cast<int>(s.bands.size());
  const int n = n_points();
  for (int i = 0; i < count; ++i) {
    int peak = 0, lo = 0, hi = 0;
    dtool_band_bounds(i, &peak, &lo, &hi);
    if (!s.use_file) {
      std::vector<int16_t> poly;
      for (int r = lo; r <= hi; ++r)
        poly.push_back(int16_t(CHART_XToPixel(chart, r))), poly.push_back(int16_t(CHART_YToPixel(chart, s_points[3 * r + 1])));
      for (int r = hi; r >= lo; --r)
        poly.push_back(int16_t(CHART_XToPixel(chart, r))), poly.push_back(int16_t(CHART_YToPixel(chart, s_points[3 * r + 2])));
      DRAW_SetColors(chart, DRAW_StockColor(i == s.selected ? 0 : 3), DRAW_StockColor(i == s.selected ? 1 : 2));
      if (DRAW_Begin(chart, nullptr)) {
        DRAW_Poly(chart, static_cast<int>(poly.size() / 2), poly.data(), 5);
        DRAW_End(chart);
      }
    } else {
      const bool sizes = dtool_sizes_usable();
      auto rf = [n](int row) { return n > 1 ? static_cast<double>(row) / (n - 1) : 0.0; };
      file_line(chart, peak, sizes ? dtool_size(i) : rf(peak));
      // One more line at the first band's lower bound, where the file's first interval starts.
      if (i == 0) file_line(chart, lo, sizes ? dtool_size_at_row(lo) : rf(lo));
    }
    char num[16];
    std::snprintf(num, sizeof num, "%ld", static_cast<long>(i + 1));
    DRAW_SetColors(chart, DRAW_StockColor(i == s.selected ? 0 : 9), DRAW_StockColor(8));
    short tw = 0, th = 0;
    ks_draw_text_size(chart, num, &tw, &th);
    ks_draw_text(chart, CHART_XToPixel(chart, peak) - tw / 2, CHART_YToPixel(chart, s_points[3 * peak + 1]) - th - 2, 66, num);
  }
  if (s.selected >= 0 && !s.use_file) {
    int peak = 0, lo = 0, hi = 0;
    dtool_band_bounds(s.selected, &peak, &lo, &hi);
    const int axis = axis_y(chart);
    DRAW_SetColors(chart, DRAW_StockColor(0), DRAW_StockColor(8));
    for (int r : {lo, hi}) {
      const int x = CHART_XToPixel(chart, r);
      ks_draw_line(chart, x - 2, axis - 2, x + 2, axis + 2);
      ks_draw_line(chart, x - 2, axis + 2, x + 2, axis - 2);
    }
  }
}

long chartNfy(TK_OBJ chart, int event) {
  if (event == TK_EV_ENTER) set_pointer(chart);
  if (event == TK_EV_EXPOSE) {
    const long r = CHART_DefaultNfy(chart, event);
    annotate_chart(chart);
    return r;
  }
  if (event == TK_EV_MOUSE && EVENT_GetButtonState() == 1) {
    const TkPoint p = EVENT_GetPos();
    const DtState& s = dtool_state();
    if (s.use_file) return 1;
    if (!s.adding && s.selected >= 0) {
      s_drag.which = dtool_handle_at(chart, p);
      if (s_drag.which) {
        s_drag.x = -1;
        drag_line(chart, p.x);
        return 1;
      }
    }
    dtool_click_row(static_cast<int>(std::lround(CHART_PixelToX(chart, p.x))));
    return 1;
  }
  if (event == TK_EV_MOTION && EVENT_GetButtonState() == 1 && s_drag.which) {
    drag_line(chart, EVENT_GetPos().x);
    return CHART_DefaultNfy(chart, event);
  }
  if (event == TK_EV_MOUSE && s_drag.which) {
    const int which = s_drag.which;
    drag_line(chart, -1);
    s_drag.which = 0;
    const TkRect plot = CHART_GetPlotRect(chart);
    const int x = std::clamp(EVENT_GetPos().x, plot.x, plot.x + plot.w - 1);
    dtool_set_bound(static_cast<int>(std::lround(CHART_PixelToX(chart, x))), dtool_state().selected, which);
    redraw_views();
    rebuild_report();
    return 1;
  }
  return CHART_DefaultNfy(chart, event);
}

// The whole window printed as a page of the chart and the report: the controls and the lane strip
// are hidden while it is printed and shown again afterwards.
void print_window() {
  static constexpr int kHidden[] = {0, P_ANGLE, P_WIDTH, P_ADD, P_DELETE, P_REFIND, P_BOUNDS, P_STRIP,
                                    P_ANGLE_TEXT, P_USE_FILE, P_FILE, P_LABELS};
  for (int i : kHidden)
    if (TK_OBJ p = part(i)) WGT_Show(p, 0);
  ui_print_widget(s_win, "");
  for (int i : kHidden)
    if (TK_OBJ p = part(i)) WGT_Show(p, 1);
}

long winNfy(TK_OBJ w, int e) {
  if (e == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(w, 0);
    return 1;
  }
  if (e == TK_EV_TERMINATE) {
    DtState& s = dtool_state();
    ln_free_lane(s.lane);
    s.lane = nullptr;
    s_points.clear();
    s_strip = Strip{};
    s_win = nullptr;
  }
  return WIN_DefaultNfy(w, e);
}

long partNfy(TK_OBJ p, int e) {
  int index = -1;
  for (int i = 0; i <= P_STATUS; ++i)
    if (part(i) == p) index = i;
  const long r = WGT_DefaultNfy(p, e);
  DtState& s = dtool_state();
  const bool act = e == TK_EV_ACTIVATE;
  switch (index) {
    case P_OK: if (act) WIN_EndModal(s_win, 1); break;
    case P_CANCEL: if (act) WIN_EndModal(s_win, 0); break;
    case P_ADD:
      if (act) {
        s.adding = 1;
        WGT_SetText(part(P_STATUS), "Adding peak...");
      }
      break;
    case P_DELETE:
      if (act && s.selected >= 0) {
        dtool_delete_band(s.selected);
        dtool_select_band(-1);
        rebuild_report();
      }
      break;
    case P_REFIND:
      if (act) {
        dtool_find_peaks("refind");
        dtool_select_band(-1);
        rebuild_report();
      }
      break;
    case P_BOUNDS:
      if (act || e == TK_EV_CHOICE) {
        s.lowest = WGT_GetValue(p) == 1;
        redraw_views();
        rebuild_report();
      }
      break;
    case P_ANGLE:
      if (act && s.lane) {
        s.lane->max_angle = static_cast<int>(WGT_GetValue(p));
        WGT_SetText(part(P_ANGLE_TEXT), std::to_string(s.lane->max_angle).c_str());
        LANE* l = s.lane;
        ln_calc_lane_baselines(&l, 1, kAnalysisStd);
        setup_chart();
        redraw_views();
        rebuild_report();
      }
      break;
    case P_WIDTH:
      if (e == TK_EV_TEXT || e == 115) {
        const int was = s.lane_width;
        s.lane_width = dtool_parse_lane_width(WGT_GetText(p));
        if (!reload_profile()) s.lane_width = was;
        WGT_SetText(p, std::to_string(s.lane_width).c_str());
        setup_chart();
        redraw_views();
        rebuild_report();
        if (e == TK_EV_TEXT) return 1;  // Return applies the width and keeps the window open
      }
      break;
    case P_LABELS:
      if (act || e == TK_EV_CHOICE) WGT_Redraw(part(P_STRIP));
      break;
    case P_USE_FILE:
      if (act) dtool_use_file(static_cast<int>(WGT_GetValue(p)));
      break;
    case P_FILE:
      if (act && s.info) {
        char path[256] = "";
        if (io_win32_singlefile(path, sizeof path, "Quantification boundaries file ...", s_def_dir, "",
                                "All Files (*.*)\0*.*\0", "", TRUE, TRUE)) {
          if (!s.use_file || bReadBoundariesFile(path))
            std::snprintf(s.info->bounds_path, sizeof s.info->bounds_path, "%s", path);
          const char* slash = std::strrchr(s.info->bounds_path, '/');
          const std::string tip = std::string("Use ") + (slash ? slash + 1 : s.info->bounds_path);
          WGT_SetTooltip(part(P_USE_FILE), tip.c_str());
          if (s.use_file) {
            dtool_select_band(-1);
            rebuild_report();
          }
        }
      }
      break;
    case P_PRINT:
      if (e == TK_EV_CHOICE) {
        const long item = WGT_GetValue(p);
        WGT_SetValue(p, 0);
        if (item == 1) print_window();
        if (item == 2) ui_print(part(P_CHART), s_def_dir, nullptr, nullptr);
        if (item == 3) ui_print(part(P_REPORT), s_def_dir, nullptr, nullptr);
      }
      break;
    case P_SAVE:
      if (e == TK_EV_CHOICE) {
        const long item = WGT_GetValue(p);
        WGT_SetValue(p, 0);
        if (item == 1) ks_chart_save_as(part(P_CHART), nullptr, 1);
        if (item == 2) ui_text_save_as(part(P_REPORT), nullptr);
      }
      break;
    default: break;
  }
  return r;
}

}  // namespace

void dtool_readout_text(int axis, double value, char* text, int size) {
  if (!text || size < 1) return;
  text[0] = '\0';
  if (axis == 1) {
    std::snprintf(text, static_cast<std::size_t>(size), "%.2lf", dtool_readout_y(value));
    return;
  }
  const double v = dtool_readout_x(value);
  if (dtool_sizes_usable()) {
    if (v > 0) std::snprintf(text, static_cast<std::size_t>(size), "%.2lf", v);
    else std::snprintf(text, static_cast<std::size_t>(size), "n/a");
  } else if (v >= 0.0 && v <= 1.0) {
    std::snprintf(text, static_cast<std::size_t>(size), "%.2lf", v);
  }
}

int dtool_parse_lane_width(const char* text) {
  int v = 0;
  if (!text || std::sscanf(text, "%d", &v) != 1 || v < 1) v = 100;
  return std::clamp(v, 10, 100);
}

void dtool_select_band(int index) {
  DtState& s = dtool_state();
  s.selected = index >= 0 && index < static_cast<int>(s.bands.size()) ? index : -1;
  if (s_win) {
    enable_edits();
    redraw_views();
  }
}

void dtool_click_row(int row) {
  DtState& s = dtool_state();
  if (s.use_file || !s.lane) return;
  if (s.adding) {
    const int d = static_cast<int>(std::lround(0.02 * (dtool_n() - 1)));
    dtool_insert_band(row, row - d, row + d);
    s.adding = 0;
    if (s_win) {
      WGT_SetText(part(P_STATUS), "");
      set_pointer(part(P_CHART));
      set_pointer(part(P_STRIP));
    }
    dtool_select_band(s.selected);
  } else {
    const int near = dtool_nearest_band(row);
    dtool_select_band(near == s.selected ? -1 : near);
  }
  rebuild_report();
}

int dtool_use_file(int on) {
  DtState& s = dtool_state();
  if (on) {
    on = s.info && bReadBoundariesFile(s.info->bounds_path) ? 1 : 0;
  } else {
    dtool_find_peaks("onUseFile");
  }
  s.use_file = on;
  if (s.info) s.info->bUseBounds = on;
  if (s_win) WGT_SetValue(part(P_USE_FILE), on);
  dtool_select_band(-1);
  rebuild_report();
  return on;
}

LANE* dtool_current_lane() { return s_win ? dtool_state().lane : nullptr; }

void dtool_dismiss() {}

int gt_dtool_activate(DT_INFO* caller, const char* folder) {
  static const char* fn = "gt_dtool_activate";
  if (!caller) return 0;
  // The tool works on its own copy of the record: the use-file switch and the File... button
  // change the copy while the window is open, and only OK hands the copy back to the caller.
  static DT_INFO s_info;
  s_info = *caller;
  DT_INFO* info = &s_info;
  DtState& s = dtool_state();
  s = DtState{};
  s.lane_width = std::clamp(info->iLaneWidth, 10, 100);
  std::snprintf(s_def_dir, sizeof s_def_dir, "%s", folder ? folder : "");
  const LANE* src = nullptr;
  for (const LANE* l = info->lanes ? info->lanes->next : nullptr; l && !src; l = l->next)
    if (l->f & LN_F_SELECTED) src = l;
  if (!src || src->num_data_values < 1) {
    SLOG(fn, SLOG_EXIT, "no selected lane with a profile");
    return 0;
  }
  // The tool's profile and strip come from the pixels: without them, or with pixels lost
  // while the tool reads them, it does not open (the user is told once).
  LnPixels px(info->image_path);
  if (!px.readable()) return 0;
  LANE* copy = ln_clone_lane(src);
  if (!copy) {
    mh_send_msg(0, "%s", ui_msg(1));
    return 0;
  }
  s_win = WIN_Load("dtool", "dtool_win");
  if (!s_win) {
    ln_free_lane(copy);
    return 0;
  }
  RES_SetNfy(s_win, winNfy);
  for (int i = 1; i <= P_CANCEL; ++i)
    if (i != P_CHART && i != P_STRIP && part(i)) RES_SetNfy(part(i), partNfy);
  RES_SetNfy(part(P_STRIP), stripNfy);
  CHART_Attach(part(P_CHART));
  RES_SetNfy(part(P_CHART), chartNfy);
  CHART_SetReadout(part(P_CHART), part(P_READOUT));
  CHART_SetReadoutText(part(P_CHART), [](TK_OBJ, int axis, double value, char* text, int size) {
    dtool_readout_text(axis, value, text, size);
  });
  WIN_Init(s_win);
  // The report is a table: its columns line up only in a fixed-width font.
  WGT_SetFont(part(P_REPORT), RES_LoadFont("ui_font", "ui_font_cour_12"));
  s.info = info;
  s.lane = copy;
  cut_strip();
  if (!reload_profile() || px.lost()) {
    WIN_Terminate(s_win);
    SLOG(fn, SLOG_EXIT, "the pixels were lost");
    return 0;
  }
  dtool_find_peaks("activate");
  s.lowest = info->bLowest ? 1 : 0;
  WGT_SetValue(part(P_BOUNDS), s.lowest);
  WGT_SetValue(part(P_LABELS), info->bBandSize ? 1 : 0);
  WGT_SetValue(part(P_ANGLE), copy->max_angle);
  WGT_SetText(part(P_ANGLE_TEXT), std::to_string(copy->max_angle).c_str());
  WGT_SetText(part(P_WIDTH), std::to_string(s.lane_width).c_str());
  const char* slash = std::strrchr(info->bounds_path, '/');
  const std::string tip = std::string("Use ") + (info->bounds_path[0] ? (slash ? slash + 1 : info->bounds_path) : "File");
  WGT_SetTooltip(part(P_USE_FILE), tip.c_str());
  if (info->bUseBounds) dtool_use_file(1);
  setup_chart();
  dtool_select_band(-1);
  rebuild_report();
  if (info->draw_area) WGT_Redraw(info->draw_area);
  ui_wpos_place(s_win, 24, 24, FALSE);
  gt_place_beside_main(s_win);  // the main window's mode bar stays in view
  const long code = WIN_DoModal(s_win);
  if (code == 1) {
    info->bLowest = static_cast<int>(WGT_GetValue(part(P_BOUNDS))) == 1;
    info->bBandSize = static_cast<int>(WGT_GetValue(part(P_LABELS))) == 1;
    info->bUseBounds = static_cast<int>(WGT_GetValue(part(P_USE_FILE)));
    info->iLaneWidth = dtool_parse_lane_width(WGT_GetText(part(P_WIDTH)));
    *caller = *info;
  }
  if (s_win) WIN_Terminate(s_win);
  if (info->draw_area) WGT_Redraw(info->draw_area);
  return code == 1 ? 1 : 0;
}

const std::vector<DtStripLabel>& dtool_strip_labels() { return s_strip_labels; }
