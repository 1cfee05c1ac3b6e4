// The histogram window.
#include "tools/ui_hist.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>

#include "base/ks_choose.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "shell/ui_print.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/ui_results.h"

namespace {

UiResultCall s_last;
char s_folder[256] = "";

// The chart data of one window, freed when the window ends.
struct HistWin : UiResultData {
  HistData data;
};


long hist_printNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) {
    TkPageSetup page = PRINT_GetDefaults();
    page.extra = 2;
    ui_print(RES_GetSub(RES_GetOwnerWindow(button), 1), s_folder, nullptr, &page);
  }
  return WGT_DefaultNfy(button, event);
}

long hist_closeNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) {
    WIN_Terminate(RES_GetOwnerWindow(button));
    return 1;
  }
  return WGT_DefaultNfy(button, event);
}

// The five axis labels write the bin's first value at their positions, and nothing elsewhere.
long hist_chartNfy(TK_OBJ chart, int event) {
  if (event == TK_EV_CHART_LABEL) {
    int axis = 0;
    double v = 0;
    CHART_EventLabel(&axis, &v);
    auto* w = static_cast<HistWin*>(static_cast<UiResultData*>(RES_GetData(RES_GetOwnerWindow(chart))));
    if (axis == 0 && w) {
      std::string text;
      for (int i = 0; i < 5; ++i)
        if (std::lround(v) == w->data.label_pos[i]) text = std::to_string(w->data.label_value[i]);
      CHART_SetLabelText(text.c_str());
    }
  }
  return CHART_DefaultNfy(chart, event);
}

void fill_chart(TK_OBJ chart, const HistData& h) {
  if (!h.ok || h.bins.empty()) return;
  const int n = static_cast<int>(h.bins.size());
  CHART_SetData(chart, h.bins.data(), TK_CHART_I32, 1, n);
  CHART_SetSeries(chart, 1, 3, "", TK_CHART_BARS | TK_CHART_LINE);
  const int top = *std::max_element(h.bins.begin(), h.bins.end());
  CHART_SetXRange(chart, 0.5, n + 0.5, 1, 0);
  CHART_SetYRange(chart, 0, std::max(top, 1), std::max(top / 4, 1), 0);
  const std::string title = ui_hist_chart_title(h);
  const std::size_t nl = title.find('\n');
  CHART_SetTitle(chart, title.substr(0, nl).c_str(), title.substr(nl + 1).c_str());
}

}  // namespace

HistData ui_hist_of_values(const std::vector<unsigned>& values) {
  HistData h;
  if (values.empty()) return h;
  h.ok = true;
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  h.min = *lo, h.max = *hi;
  long n = h.max - h.min + 1;
  while (n > kHistMaxBins) n /= 2, h.per_bin *= 2;
  h.bins.assign(static_cast<std::size_t>(n), 0);
  for (unsigned v : values) {
    const long b = std::min((static_cast<long>(v) - h.min) / h.per_bin, n - 1);
    ++h.bins[static_cast<std::size_t>(b)];
  }
  for (int b : h.bins) h.total += b;
  for (int i = 0; i < 5; ++i) {
    const int k = static_cast<int>(std::trunc(i * 0.25 * (n - 1) + 0.5));
    h.label_pos[i] = k + 1;
    h.label_value[i] = static_cast<long>(k) * h.per_bin + h.min;
  }
  return h;
}

HistData ui_hist_compute(const char* path, TkPoint a, TkPoint b) {
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!path || !io_query_image(path, &bits, extent) || extent[0] < 2 || extent[1] < 2) return {};
  auto clamp = [](int v, int size) { return v < 0 ? 0 : v >= size - 1 ? size - 2 : v; };
  const int x0 = std::min(clamp(a.x, extent[0]), clamp(b.x, extent[0]));
  const int x1 = std::max(clamp(a.x, extent[0]), clamp(b.x, extent[0]));
  const int y0 = std::min(clamp(a.y, extent[1]), clamp(b.y, extent[1]));
  const int y1 = std::max(clamp(a.y, extent[1]), clamp(b.y, extent[1]));
  const int32_t size[2] = {x1 - x0 + 1, y1 - y0 + 1};
  std::unique_ptr<TkImage> img(io_create_image(size, bits > 8 ? 16 : 8));
  const int32_t rect[4] = {x0, y0, size[0], size[1]};
  if (!img || !io_read_kestrin(path, img.get(), rect, 1.0)) {
    SLOG("ui_hist_compute", SLOG_WARN, "cannot read <%s>", path);
    return {};
  }
  std::vector<unsigned> values;
  values.reserve(static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]));
  const bool wide = img->depth() == 16;
  for (int y = 0; y < size[1]; ++y) {
    const uint8_t* row = img->row(y);
    for (int x = 0; x < size[0]; ++x) {
      if (wide) {
        uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        values.push_back(v);
      } else {
        values.push_back(row[x]);
      }
    }
  }
  return ui_hist_of_values(values);
}

std::string ui_hist_title(const char* window_title, const char* path) {
  std::string name = path ? path : "";
  const std::size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  if (name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, ".kes") == 0) name.resize(name.size() - 4);
  return std::string(window_title ? window_title : "") + " : " + name;
}

std::string ui_hist_chart_title(const HistData& h) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "Dynamic Range %ld to %ld\n(%ld total pixels, %d values per bin)", h.min,
                h.max, h.total, h.per_bin);
  return buf;
}

void ui_hist_activate(TK_OBJ owner, IMAGE_REC* image, TkPoint start, TkPoint end, const char* folder) {
  ui_result_note(&s_last, "ui_hist_activate", image ? image->file_path : "", start, end);
  std::snprintf(s_folder, sizeof s_folder, "%s", folder ? folder : "");
  TK_OBJ win = WIN_Load("ui_hist", "ui_hist_win");
  if (!win || !image) {
    if (win) WIN_Terminate(win);
    return;
  }
  auto* w = new HistWin;
  RES_SetData(win, static_cast<UiResultData*>(w));
  RES_SetNfy(win, ui_result_winNfy);
  RES_SetNfy(RES_GetSub(win, 0), hist_printNfy);
  TK_OBJ chart = RES_GetSub(win, 1);
  CHART_Attach(chart);
  RES_SetNfy(chart, hist_chartNfy);
  RES_SetNfy(RES_GetSub(win, 2), hist_closeNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  ui_wpos_place_size(win, 95, 95, FALSE, 60, 35);
  const std::string own = WIN_GetTitle(win) ? WIN_GetTitle(win) : "";
  WIN_SetTitle(win, ui_hist_title(own.c_str(), image->file_path).c_str());
  w->data = ui_hist_compute(image->file_path, start, end);
  fill_chart(chart, w->data);
  WIN_Show(win);
}

const UiResultCall& ui_hist_last() { return s_last; }
