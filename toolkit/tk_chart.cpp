// The chart widget: state kept on the drawing area's widget, painting through the area's
// drawing operations, so that colours, pens and the backing image behave as in any area.
#include "toolkit/tk_chart.h"

#include <QObject>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "toolkit/tk_area.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

struct Series {
  int colour = 9;
  std::string label;
  int style = TK_CHART_LINE;
};

struct Axis {
  double min = 0, max = 1, major = 0, minor = 0;
};

// The chart's state, a child of the area's widget, so that it ends with the widget.
class ChartState : public QObject {
 public:
  explicit ChartState(QObject* parent) : QObject(parent) { setObjectName("tk_chart_state"); }
  const void* block = nullptr;
  int type = 0, per_point = 0, count = 0;
  Axis x, y;
  bool y_log = false;
  double view0 = 0, view1 = 0;
  std::map<int, Series> series;
  std::string title1, title2, x_title, y_title;
  TkRect plot_set{}, plot{};
  TK_OBJ readout_obj = nullptr;
  std::string idle;
  TkChartReadoutText readout_text = nullptr;
};

ChartState* state(TK_OBJ chart) {
  QWidget* w = tk::widget(chart);
  return w ? w->findChild<ChartState*>("tk_chart_state", Qt::FindDirectChildrenOnly) : nullptr;
}

// Event details of 157 and 151 (the procedure reads them while the event is delivered).
struct PointEvent {
  int series = 0, point = 0, px = 0, py = 0;
};
PointEvent s_point;
int s_label_axis = 0;
double s_label_value = 0;
std::string s_label_text;
bool s_label_set = false;

double value_of(const ChartState& s, int point, int k) {
  if (!s.block || point < 0 || point >= s.count || k < 0 || k >= s.per_point) return 0;
  const std::size_t i = std::size_t(point) * s.per_point + k;
  switch (s.type) {
    case 1: case 4: return static_cast<const uint8_t*>(s.block)[i];
    case 2: case 5: return static_cast<const uint16_t*>(s.block)[i];
    case 3: case 6: return static_cast<const int32_t*>(s.block)[i];
    case 7: return static_cast<const double*>(s.block)[i];
    default: return 0;
  }
}

double x_of(const ChartState& s, int point) {
  return s.per_point == 1 ? point + 1 : value_of(s, point, 0);
}

// Value -> pixel on an axis; degenerate axes and values that have no logarithm go to p0.
int to_pixel(double v, double min, double max, bool log, int p0, int p1) {
  if (log) {
    if (min <= 0 || max <= 0 || v <= 0) return p0;
    v = std::log(v), min = std::log(min), max = std::log(max);
  }
  if (max == min || !std::isfinite(v)) return p0;
  double r = (v - min) * (p1 - p0) / (max - min) + p0 + 0.5;
  r = std::clamp(std::floor(r), -30000.0, 30000.0);
  return static_cast<int>(r);
}

double from_pixel(int p, double min, double max, bool log, int p0, int p1) {
  if (p1 == p0) return min;
  if (log) {
    if (min <= 0 || max <= 0) return min;
    return std::exp((p - p0) * (std::log(max) - std::log(min)) / (p1 - p0) + std::log(min));
  }
  return (p - p0) * (max - min) / (p1 - p0) + min;
}

void x_range(const ChartState& s, double* lo, double* hi) {
  *lo = s.x.min, *hi = s.x.max;
  if (s.view1 > s.view0) *lo = s.view0, *hi = s.view1;
}

// An axis of the last paint: its value range and the pixels of its ends.
struct AxisMap {
  double min, max;
  bool log;
  int p0, p1;
  int pixel(double v) const { return to_pixel(v, min, max, log, p0, p1); }
  double value(int p) const { return from_pixel(p, min, max, log, p0, p1); }
};

AxisMap x_map(const ChartState& s) {
  double x0, x1;
  x_range(s, &x0, &x1);
  return AxisMap{x0, x1, false, s.plot.x, s.plot.x + s.plot.w - 1};
}

AxisMap y_map(const ChartState& s) {
  return AxisMap{s.y.min, s.y.max, s.y_log, s.plot.y + s.plot.h - 1, s.plot.y};
}

int text_w(TK_OBJ c, const std::string& t, int* h = nullptr) {
  int w = 0, a = 0, d = 0;
  DRAW_TextMetrics(c, t.c_str(), &w, &a, &d);
  if (h) *h = a + d;
  return w;
}

void text_at(TK_OBJ c, int x, int y, const std::string& t) {
  int h = 0;
  const int w = text_w(c, t, &h);
  DRAW_TextInBox(c, TkRect{x, y, w + 1, h}, 1, t.c_str());
}

std::string format_value(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", std::fabs(v) < 1e-12 ? 0.0 : v);
  return buf;
}

// Label text of an axis value: the procedure may replace it through event 151.
std::string axis_label(TK_OBJ c, int axis, double v) {
  s_label_axis = axis;
  s_label_value = v;
  s_label_set = false;
  s_label_text.clear();
  RES_Send(c, TK_EV_CHART_LABEL);
  return s_label_set ? s_label_text : format_value(v);
}

// Tick values from min to max by step (at most 200 of them); a logarithmic axis ticks its
// decades. A step of 0 gives no ticks.
std::vector<double> ticks(double min, double max, double step, bool log) {
  std::vector<double> out;
  if (!(step > 0)) return out;
  if (log) {
    if (min <= 0 || max <= min) return out;
    for (double d = std::pow(10.0, std::floor(std::log10(min))); d <= max * 1.0000001 && out.size() < 200; d *= 10)
      if (d >= min * 0.9999999) out.push_back(d);
    return out;
  }
  if (max <= min) return out;
  const double first = std::ceil(min / step - 1e-9) * step;
  for (int i = 0; out.size() < 200; ++i) {
    const double v = first + i * step;
    if (v > max + step * 1e-9) break;
    out.push_back(v);
  }
  return out;
}

void paint(TK_OBJ c, ChartState& s) {
  const TkRect vis = CANVAS_GetVisible(c);
  const TkColor fg0 = DRAW_GetForeground(c), bg0 = DRAW_GetBackground(c);
  DRAW_SetColors(c, DRAW_StockColor(9), DRAW_StockColor(8));
  DRAW_Clear(c);
  int th = 0;
  text_w(c, "Mg", &th);
  // Plot rectangle: the one set, or the area less room for titles and labels.
  TkRect r = s.plot_set;
  if (r.w <= 0 || r.h <= 0) {
    const int top = th * (1 + !s.title1.empty() + !s.title2.empty());
    const int left = 8 * th / 2 + th + (s.y_title.empty() ? 0 : th);
    r = TkRect{left, top, vis.w - left - th * 2, vis.h - top - th * (s.x_title.empty() ? 2 : 3) - 4};
  }
  r.w = std::max(r.w, 1), r.h = std::max(r.h, 1);
  s.plot = r;
  if (!DRAW_Begin(c, nullptr)) return;
  // Titles.
  int ty = 2;
  for (const std::string* t : {&s.title1, &s.title2})
    if (!t->empty()) {
      text_at(c, (vis.w - text_w(c, *t)) / 2, ty, *t);
      ty += th;
    }
  if (!s.x_title.empty())
    text_at(c, r.x + (r.w - text_w(c, s.x_title)) / 2, r.y + r.h + th + 4, s.x_title);
  if (s.y_title.find('\n') != std::string::npos) {
    // A title given line by line (one letter per line) runs down the left edge.
    int ly = r.y;
    std::size_t from = 0;
    while (from <= s.y_title.size()) {
      std::size_t nl = s.y_title.find('\n', from);
      if (nl == std::string::npos) nl = s.y_title.size();
      text_at(c, 2, ly, s.y_title.substr(from, nl - from));
      from = nl + 1;
      ly += th;
    }
  } else if (!s.y_title.empty()) {
    text_at(c, 2, std::max(0, r.y - th), s.y_title);
  }
  DRAW_Rect(c, r);
  // Axes: ticks and labels.
  const AxisMap xm = x_map(s), ym = y_map(s);
  const int bottom = r.y + r.h - 1, right = r.x + r.w - 1;
  for (double v : ticks(xm.min, xm.max, s.x.minor, false)) {
    const int px = xm.pixel(v);
    DRAW_Line(c, px, bottom, px, bottom + 2);
  }
  for (double v : ticks(xm.min, xm.max, s.x.major, false)) {
    const int px = xm.pixel(v);
    DRAW_Line(c, px, bottom, px, bottom + 5);
    const std::string t = axis_label(c, 0, v);
    text_at(c, px - text_w(c, t) / 2, bottom + 6, t);
  }
  for (double v : ticks(s.y.min, s.y.max, s.y_log ? 0.0 : s.y.minor, s.y_log)) {
    const int py = ym.pixel(v);
    DRAW_Line(c, r.x - 2, py, r.x, py);
  }
  for (double v : ticks(s.y.min, s.y.max, s.y.major, s.y_log)) {
    const int py = ym.pixel(v);
    DRAW_Line(c, r.x - 5, py, r.x, py);
    const std::string t = axis_label(c, 1, v);
    text_at(c, r.x - 7 - text_w(c, t), py - th / 2, t);
  }
  // Series, clipped to the plot.
  DRAW_End(c);
  TkRect clip{r.x + 1, r.y + 1, r.w - 2, r.h - 2};
  int legend_y = r.y + 4;
  for (int k = 1; k < std::max(2, s.per_point); ++k) {
    const auto it = s.series.find(k);
    const Series sr = it == s.series.end() ? Series{} : it->second;
    DRAW_SetColors(c, DRAW_StockColor(sr.colour), DRAW_StockColor(8));
    if (!DRAW_Begin(c, &clip)) break;
    int lx = 0, ly = 0;
    for (int i = 0; i < s.count; ++i) {
      const int px = xm.pixel(x_of(s, i));
      const int py = ym.pixel(value_of(s, i, s.per_point == 1 ? 0 : k));
      if ((sr.style & TK_CHART_LINE) && i > 0) DRAW_Line(c, lx, ly, px, py);
      if (sr.style & TK_CHART_BARS) {
        const int bw = std::max(2, r.w / std::max(1, s.count * 2));
        DRAW_FillRect(c, TkRect{px - bw / 2, std::min(py, bottom), bw, std::abs(bottom - py) + 1});
      }
      lx = px, ly = py;
    }
    DRAW_End(c);
    if (sr.style & TK_CHART_MARKERS) {
      for (int i = 0; i < s.count; ++i) {
        s_point.series = k;
        s_point.point = i;
        s_point.px = xm.pixel(x_of(s, i));
        s_point.py = ym.pixel(value_of(s, i, s.per_point == 1 ? 0 : k));
        DRAW_SetColors(c, DRAW_StockColor(sr.colour), DRAW_StockColor(8));
        RES_Send(c, TK_EV_CHART_POINT);
      }
    }
    if (!sr.label.empty() && DRAW_Begin(c, nullptr)) {
      // The legend entry on a white ground at the plot's top right: a short line and the label.
      const int tw = text_w(c, sr.label);
      const int lx = right - tw - 30;
      DRAW_SetColors(c, DRAW_StockColor(8), DRAW_StockColor(8));
      DRAW_FillRect(c, TkRect{lx - 4, legend_y, tw + 32, th});
      DRAW_SetColors(c, DRAW_StockColor(sr.colour), DRAW_StockColor(8));
      DRAW_Line(c, lx, legend_y + th / 2, lx + 18, legend_y + th / 2);
      text_at(c, lx + 22, legend_y, sr.label);
      DRAW_End(c);
      legend_y += th;
    }
  }
  DRAW_SetColors(c, fg0, bg0);
  if (s.readout_obj && tk::alive(s.readout_obj)) WGT_SetLabel(s.readout_obj, s.idle.c_str());
}

}  // namespace

void CHART_Attach(TK_OBJ area) {
  QWidget* w = tk::widget(area);
  if (!w || state(area)) return;
  new ChartState(w);
  if (TkArea* a = tk::area(area)) a->viewport()->setMouseTracking(true);
  if (!RES_GetNfy(area)) RES_SetNfy(area, CHART_DefaultNfy);
}

int CHART_Is(TK_OBJ w) { return state(w) ? 1 : 0; }

void CHART_SetData(TK_OBJ chart, const void* block, int type, int per_point, int count) {
  if (ChartState* s = state(chart)) {
    const bool ok = block && type >= 1 && type <= 7 && per_point > 0 && count > 0;
    s->block = ok ? block : nullptr;
    s->type = ok ? type : 0;
    s->per_point = ok ? per_point : 0;
    s->count = ok ? count : 0;
  }
}
const void* CHART_GetData(TK_OBJ chart) { ChartState* s = state(chart); return s ? s->block : nullptr; }
int CHART_GetType(TK_OBJ chart) { ChartState* s = state(chart); return s ? s->type : 0; }
int CHART_GetPerPoint(TK_OBJ chart) { ChartState* s = state(chart); return s ? s->per_point : 0; }
int CHART_GetCount(TK_OBJ chart) { ChartState* s = state(chart); return s ? s->count : 0; }
double CHART_Value(TK_OBJ chart, int point, int k) {
  ChartState* s = state(chart);
  return s ? value_of(*s, point, k) : 0;
}
void CHART_SetXRange(TK_OBJ chart, double min, double max, double major, double minor) {
  if (ChartState* s = state(chart)) s->x = Axis{min, max, major, minor};
}
void CHART_SetYRange(TK_OBJ chart, double min, double max, double major, double minor) {
  if (ChartState* s = state(chart)) s->y = Axis{min, max, major, minor};
}
void CHART_SetYLog(TK_OBJ chart, int on) {
  if (ChartState* s = state(chart)) s->y_log = on != 0;
}
void CHART_SetView(TK_OBJ chart, double x0, double x1) {
  if (ChartState* s = state(chart)) s->view0 = x0, s->view1 = x1;
}
void CHART_SetSeries(TK_OBJ chart, int series, int colour_code, const char* label, int style) {
  if (ChartState* s = state(chart)) s->series[series] = Series{colour_code, label ? label : "", style};
}
void CHART_SetTitle(TK_OBJ chart, const char* line1, const char* line2) {
  if (ChartState* s = state(chart)) s->title1 = line1 ? line1 : "", s->title2 = line2 ? line2 : "";
}
void CHART_SetAxisTitles(TK_OBJ chart, const char* x_title, const char* y_title) {
  if (ChartState* s = state(chart)) s->x_title = x_title ? x_title : "", s->y_title = y_title ? y_title : "";
}
const char* CHART_GetAxisTitle(TK_OBJ chart, int axis) {
  const ChartState* s = state(chart);
  return s ? (axis == 0 ? s->x_title : s->y_title).c_str() : "";
}
void CHART_SetPlotRect(TK_OBJ chart, TkRect r) {
  if (ChartState* s = state(chart)) s->plot_set = r;
}
TkRect CHART_GetPlotRect(TK_OBJ chart) { ChartState* s = state(chart); return s ? s->plot : TkRect{}; }
void CHART_Paint(TK_OBJ chart) {
  if (state(chart)) WGT_Redraw(chart);
}

int CHART_XToPixel(TK_OBJ chart, double x) {
  ChartState* s = state(chart);
  return s ? x_map(*s).pixel(x) : 0;
}
int CHART_YToPixel(TK_OBJ chart, double y) {
  ChartState* s = state(chart);
  return s ? y_map(*s).pixel(y) : 0;
}
double CHART_PixelToX(TK_OBJ chart, int px) {
  ChartState* s = state(chart);
  return s ? x_map(*s).value(px) : 0;
}
double CHART_PixelToY(TK_OBJ chart, int py) {
  ChartState* s = state(chart);
  return s ? y_map(*s).value(py) : 0;
}

void CHART_EventPoint(int* series, int* point, int* px, int* py) {
  if (series) *series = s_point.series;
  if (point) *point = s_point.point;
  if (px) *px = s_point.px;
  if (py) *py = s_point.py;
}
void CHART_EventLabel(int* axis, double* value) {
  if (axis) *axis = s_label_axis;
  if (value) *value = s_label_value;
}
void CHART_SetLabelText(const char* text) {
  s_label_text = text ? text : "";
  s_label_set = true;
}
void CHART_SetReadout(TK_OBJ chart, TK_OBJ label) {
  if (ChartState* s = state(chart)) s->readout_obj = label;
}
void CHART_MovePointer(TK_OBJ chart, int x, int y) {
  if (state(chart)) WGT_MovePointer(chart, x, y);
}
void CHART_SetReadoutIdle(TK_OBJ chart, const char* text) {
  if (ChartState* s = state(chart)) s->idle = text ? text : "";
}
void CHART_SetReadoutText(TK_OBJ chart, TkChartReadoutText fn) {
  if (ChartState* s = state(chart)) s->readout_text = fn;
}

long CHART_DefaultNfy(TK_OBJ chart, int event) {
  ChartState* s = state(chart);
  if (!s) return WGT_DefaultNfy(chart, event);
  switch (event) {
    case TK_EV_EXPOSE:
      paint(chart, *s);
      return 0;
    case TK_EV_CHART_POINT: {
      // The default marker: a small square around the point.
      if (DRAW_Begin(chart, nullptr)) {
        DRAW_Rect(chart, TkRect{s_point.px - 2, s_point.py - 2, 5, 5});
        DRAW_End(chart);
      }
      return 0;
    }
    case TK_EV_CHART_LABEL:
      return 0;
    case TK_EV_MOTION: {
      const TkPoint p = EVENT_GetPos();
      const TkRect& r = s->plot;
      if (!s->readout_obj || !tk::alive(s->readout_obj)) break;
      if (p.x >= r.x && p.x < r.x + r.w && p.y >= r.y && p.y < r.y + r.h) {
        char buf[96];
        const double x = CHART_PixelToX(chart, p.x), y = CHART_PixelToY(chart, p.y);
        if (s->readout_text) {
          // The owner words each coordinate.
          char tx[40] = "", ty[40] = "";
          s->readout_text(chart, 0, x, tx, sizeof tx);
          s->readout_text(chart, 1, y, ty, sizeof ty);
          std::snprintf(buf, sizeof buf, "%s, %s", tx, ty);
        } else {
          std::snprintf(buf, sizeof buf, "%.4g, %.4g", x, y);
        }
        WGT_SetLabel(s->readout_obj, buf);
      } else {
        WGT_SetLabel(s->readout_obj, s->idle.c_str());
      }
      break;
    }
    default:
      break;
  }
  return WGT_DefaultNfy(chart, event);
}
