// The line profile window, and the note that every result window keeps of its last call.
#include "tools/ui_prof.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/ks_choose.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "shell/gt_chart.h"
#include "shell/ui_print.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/ui_hist.h"
#include "tools/ui_results.h"

namespace {

UiResultCall s_last;
char s_folder[256] = "";

struct ProfWin : UiResultData {
  ProfData data;
};

unsigned pixel(const TkImage& img, int x, int y) {
  const uint8_t* row = img.row(y);
  if (img.depth() == 16) {
    uint16_t v;
    std::memcpy(&v, row + 2 * x, 2);
    return v;
  }
  return row[x];
}


long prof_buttonNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  TK_OBJ chart = RES_GetSub(win, 1);
  if (button == RES_GetSub(win, 0)) {
    TkPageSetup page = PRINT_GetDefaults();
    page.extra = 2;
    ui_print(chart, s_folder, nullptr, &page);
  } else if (button == RES_GetSub(win, 3)) {
    ks_chart_save_as(chart, nullptr, 0);
  } else if (button == RES_GetSub(win, 2)) {
    WIN_Terminate(win);
    return 1;
  }
  return WGT_DefaultNfy(button, event);
}

}  // namespace

ProfData ui_profile_compute(const char* path, TkPoint a, TkPoint b) {
  ProfData p;
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!path || !io_query_image(path, &bits, extent) || extent[0] < 2 || extent[1] < 2) return p;
  auto clamp = [](int v, int size) { return v < 0 ? 0 : v >= size - 1 ? size - 2 : v; };
  const int x1 = clamp(a.x, extent[0]), y1 = clamp(a.y, extent[1]);
  const int x2 = clamp(b.x, extent[0]), y2 = clamp(b.y, extent[1]);
  p.a = {x1, y1}, p.b = {x2, y2};
  bool flag = (x1 == x2 || y1 != y2) ? y1 >= y2 : x1 >= x2;
  const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const int n = std::min(static_cast<int>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy)),
                         kProfMaxPoints);
  if (n <= 0) return p;
  const int minx = std::min(x1, x2), miny = std::min(y1, y2);
  const int32_t size[2] = {dx + 1, dy + 1};
  std::unique_ptr<TkImage> img(io_create_image(size, bits > 8 ? 16 : 8));
  const int32_t rect[4] = {minx, miny, size[0], size[1]};
  if (!img || !io_read_kestrin(path, img.get(), rect, 1.0)) {
    SLOG("ui_profile_init", SLOG_WARN, "cannot read <%s>", path);
    return p;
  }
  std::vector<unsigned> values(static_cast<std::size_t>(n));
  if (dx == 0 || dy == 0) {
    for (int k = 0; k < n; ++k) values[static_cast<std::size_t>(k)] = dy == 0 ? pixel(*img, k, 0) : pixel(*img, 0, k);
  } else {
    const double m = static_cast<double>(y2 - y1) / (x2 - x1);
    const double step = static_cast<double>(dx) / n;
    for (int k = 0; k < n; ++k) {
      const double x = minx + k * step;
      const double y = std::floor(m * x + (miny - minx * m) + 0.5);
      const int row = std::clamp(static_cast<int>(y - miny) + (m < 0 ? dy : 0), 0, dy);
      const int col = std::clamp(static_cast<int>(x - minx), 0, dx);
      values[static_cast<std::size_t>(k)] = pixel(*img, col, row);
    }
    if (m < 0) flag = !flag;
  }
  p.points.resize(2 * static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const int at = flag ? n - 1 - k : k;
    p.points[2 * static_cast<std::size_t>(at)] = at;
    p.points[2 * static_cast<std::size_t>(at) + 1] = static_cast<int>(values[static_cast<std::size_t>(k)]);
  }
  return p;
}

std::string ui_profile_title(const ProfData& p) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "(%ld,%ld) to (%ld,%ld)", static_cast<long>(p.a.x), static_cast<long>(p.a.y),
                static_cast<long>(p.b.x), static_cast<long>(p.b.y));
  return buf;
}

long ui_result_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_Terminate(win);
    return 1;
  }
  if (event == TK_EV_TERMINATE) {
    delete static_cast<UiResultData*>(RES_GetData(win));
    RES_SetData(win, nullptr);
  }
  return WIN_DefaultNfy(win, event);
}

void ui_result_note(UiResultCall* call, const char* fn, const char* path, TkPoint start, TkPoint end) {
  ++call->calls;
  call->start = start, call->end = end, call->path = path ? path : "";
  SLOG(fn, SLOG_VALUE4, "<%s> (%d,%d)-(%d,%d)", call->path.c_str(), start.x, start.y, end.x, end.y);
}

void ui_prof_activate(TK_OBJ owner, const char* path, TkPoint start, TkPoint end, const char* folder) {
  ui_result_note(&s_last, "ui_prof_activate", path, start, end);
  std::snprintf(s_folder, sizeof s_folder, "%s", folder ? folder : "");
  TK_OBJ win = WIN_Load("ui_prof", "ui_prof_win");
  if (!win) return;
  auto* w = new ProfWin;
  RES_SetData(win, static_cast<UiResultData*>(w));
  RES_SetNfy(win, ui_result_winNfy);
  TK_OBJ chart = RES_GetSub(win, 1);
  CHART_Attach(chart);
  for (int part : {0, 2, 3}) RES_SetNfy(RES_GetSub(win, part), prof_buttonNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  ui_wpos_place_size(win, 95, 95, FALSE, 60, 35);
  const std::string own = WIN_GetTitle(win) ? WIN_GetTitle(win) : "";
  WIN_SetTitle(win, ui_hist_title(own.c_str(), path).c_str());
  w->data = ui_profile_compute(path, start, end);
  const int n = w->data.count();
  if (n > 0) {
    // A short profile has a tick step of 0 and then no ticks.
    const int major = (n - 1) / 10;
    CHART_SetData(chart, w->data.points.data(), TK_CHART_I32, 2, n);
    CHART_SetXRange(chart, 0, n - 1, major, major / 2.0);
    int vmax = 0;
    for (int k = 0; k < n; ++k) vmax = std::max(vmax, w->data.points[2 * static_cast<std::size_t>(k) + 1]);
    CHART_SetYRange(chart, 0, std::max(vmax, 1), vmax / 8, vmax / 16.0);
    CHART_SetSeries(chart, 1, 3, "", TK_CHART_LINE);
  }
  CHART_SetTitle(chart, ui_profile_title(w->data).c_str(), nullptr);
  WIN_Show(win);
}

const UiResultCall& ui_prof_last() { return s_last; }
