// Chart drawing helpers and the chart and text savers.
#include "shell/gt_chart.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/byte_io.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_draw.h"

void ks_draw_line(TK_OBJ w, int x1, int y1, int x2, int y2) {
  if (!w || !DRAW_Begin(w, nullptr)) return;
  DRAW_Line(w, int16_t(x1), int16_t(y1), int16_t(x2), int16_t(y2));
  DRAW_End(w);
}

void ks_draw_text_size(TK_OBJ w, const char* text, short* width, short* height) {
  int tw = 0, a = 0, d = 0;
  if (w && text) DRAW_TextMetrics(w, text, &tw, &a, &d);
  if (width) *width = static_cast<short>(std::min(tw, SHRT_MAX));
  if (height) *height = static_cast<short>(std::min(a + d, SHRT_MAX));
}

void ks_draw_text(TK_OBJ w, int x, int y, int /*flags*/, const char* text) {
  ks_draw_text_clipped(w, nullptr, x, y, text);
}

void ks_draw_text_clipped(TK_OBJ w, const TkRect* clip, int x, int y, const char* text) {
  if (!w || !text) return;
  short tw = 0, th = 0;
  ks_draw_text_size(w, text, &tw, &th);
  if (!DRAW_Begin(w, clip)) return;
  // The box is the text's own size, so the text sits at its corner whatever the flags.
  DRAW_TextInBox(w, TkRect{int16_t(x), int16_t(y), tw + 1, th}, 1, text);
  DRAW_End(w);
}

void ks_draw_labelled_line(TK_OBJ w, int x, int y, int length, const char* text) {
  const int h = length / 2;
  short tw = 0, th = 0;
  ks_draw_text_size(w, text, &tw, &th);
  ks_draw_text(w, x - h - tw, y - th / 2, 66, text);
  ks_draw_line(w, x - h, y, x + h, y);
}

// Scales ----------------------------------------------------------------------------------------

ks_scale* ks_scale_init(ks_scale* s, int type, double min, double max, int pix0, int pix1) {
  if (!s) return s;
  s->type = type;
  s->min = min;
  s->max = max;
  s->pix0 = pix0;
  s->pix1 = pix1;
  return s;
}

namespace {
// f of the scale; false when the scale or the value has no image under it.
bool scale_f(const ks_scale* s, double v, double* out) {
  if (s->type == 1) {
    if (!(v > 0)) return false;
    v = std::log(v);
  }
  *out = v;
  return std::isfinite(v);
}
}  // namespace

int ks_scale_to_pixel(const ks_scale* s, double v) {
  if (!s) return 0;
  double fv, f0, f1;
  if (!scale_f(s, v, &fv) || !scale_f(s, s->min, &f0) || !scale_f(s, s->max, &f1) || f1 == f0 ||
      s->pix1 == s->pix0)
    return s->pix0;
  const double r = (fv - f0) * (s->pix1 - s->pix0) / (f1 - f0) + s->pix0 + 0.5;
  if (!std::isfinite(r)) return s->pix0;
  return static_cast<int>(std::clamp(r, double(INT_MIN), double(INT_MAX)));
}

double ks_scale_from_pixel(const ks_scale* s, int p) {
  if (!s) return 0;
  double f0, f1;
  if (!scale_f(s, s->min, &f0) || !scale_f(s, s->max, &f1) || f1 == f0 || s->pix1 == s->pix0)
    return s->min;
  const double f = double(p - s->pix0) * (f1 - f0) / (s->pix1 - s->pix0) + f0;
  return s->type == 1 ? std::exp(f) : f;
}

// Scroll area ---------------------------------------------------------------------------------

TkRect ks_sarea_fit_rect(TkRect cur, TkRect content) {
  if (cur.w == 0 || cur.h == 0) return content;
  if (content.w < 1 || content.h < 1) return cur;
  TkRect r = cur;
  r.x = std::min(cur.x, content.x);
  r.y = std::min(cur.y, content.y);
  r.w = std::max(cur.x + cur.w, content.x + content.w) - r.x;
  r.h = std::max(cur.y + cur.h, content.y + content.h) - r.y;
  return r;
}

void ks_sarea_fit(TK_OBJ w, TkRect content) {
  if (!w) return;
  const TkRect r = ks_sarea_fit_rect(CANVAS_GetExtent(w), content);
  // The canvas always starts at (0, 0): its extent reaches the fitted area's far edges.
  CANVAS_SetExtent(w, r.x + r.w, r.y + r.h);
}

// Off-screen surface ------------------------------------------------------------------------------

ks_memdc* ks_memdc_create(TK_OBJ, int width, int height) {
  if (width < 0 || height < 0 || width > INT_MAX - 16 || height > INT_MAX - 16) return nullptr;
  auto* dc = new ks_memdc;
  if (!dc->bitmap.create(width + 16, height + 16, 1)) {
    delete dc;
    return nullptr;
  }
  dc->bitmap.set_grey_colours();
  std::fill(dc->bitmap.data(), dc->bitmap.data() + dc->bitmap.size_bytes(), 255);  // white
  return dc;
}

TkImage* ks_memdc_get_bitmap(ks_memdc* dc) { return dc ? &dc->bitmap : nullptr; }

void ks_memdc_delete(ks_memdc* dc) { delete dc; }

// Tree -------------------------------------------------------------------------------------------

ks_tree* ks_tree_new(void* data) {
  auto* n = static_cast<ks_tree*>(ks_alloc_msg(sizeof(ks_tree)));
  if (n) ks_tree_init(n, data);
  return n;
}

ks_tree* ks_tree_join(ks_tree* left, ks_tree* right, void* data) {
  ks_tree* n = ks_tree_new(data);
  if (n) {
    n->left = left;
    n->right = right;
  }
  return n;
}

void ks_tree_init(ks_tree* node, void* data) {
  if (!node) return;
  node->left = node->right = nullptr;
  node->data = data;
}

ks_tree* ks_tree_left(const ks_tree* n) { return n ? n->left : nullptr; }
ks_tree* ks_tree_right(const ks_tree* n) { return n ? n->right : nullptr; }
void* ks_tree_data(const ks_tree* n) { return n ? n->data : nullptr; }
int ks_tree_is_leaf(const ks_tree* n) { return n && !n->left && !n->right ? 1 : 0; }

void ks_tree_free(ks_tree* node, void (*free_data)(void*)) {
  if (!node) return;
  ks_tree_free(node->left, free_data);
  ks_tree_free(node->right, free_data);
  if (free_data && node->data) free_data(node->data);
  ks_free(node);
}

// Saving ----------------------------------------------------------------------------------------

int ks_ask_save_name(char* out, std::size_t cap, const char* folder, const char* name,
                     const char* filter, const char* def_ext) {
  if (!out || cap == 0) return 0;
  out[0] = '\0';
  const char* start = folder && *folder ? folder : ".";
  if (!io_win32_savefile(out, cap, "File...", start, name, filter, def_ext)) {
    SLOG("ks_ask_save_name", SLOG_VALUE4, "%s", "no file selected");
    return 0;
  }
  if (io_file_exists(out) && mh_send_msg(KS_ALERT_YESNO, ui_msg(270), out) != 2) {
    SLOG("ks_ask_save_name", SLOG_VALUE4, "user says 'no' to overwrite <%s>", out);
    out[0] = '\0';
    return 0;
  }
  return 1;
}

int ks_save_text_as(const char* folder, const char* name, const char* filter,
                    const char* def_ext, const std::string& text) {
  char path[KS_PATH_LEN];
  if (!ks_ask_save_name(path, sizeof path, folder, name, filter, def_ext)) return 0;
  if (!io_write_file_replace(path, text.data(), text.size())) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    return 0;
  }
  return 1;
}

std::string ks_chart_csv(TK_OBJ chart, int x_column) {
  const int a = CHART_GetPerPoint(chart), c = CHART_GetCount(chart), type = CHART_GetType(chart);
  std::string out;
  if (!chart || a <= 0 || c <= 0 || !CHART_GetData(chart) || type == 0) return out;
  char buf[128];
  for (long line = 0; line < c; ++line) {
    for (int k = 0; k < a; ++k) {
      const double v = CHART_Value(chart, int(line), k);
      if (type == 7)
        std::snprintf(buf, sizeof buf, "%lf", v);
      else
        std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(v));
      out += buf;
      if (x_column == 1 && k == 0) {
        // Value index i (from 1) of the line's first value is line * a + 1;
        // x = ((i div a) mod c) / c, so with one value a line the last line's x is 0.
        const long i = line * a + 1;
        std::snprintf(buf, sizeof buf, ",%.3lf", double((i / a) % c) / c);
        out += buf;
      }
      out += k + 1 < a ? "," : "\n";
    }
  }
  return out;
}

void ks_chart_save_as(TK_OBJ chart, const char* folder, int x_column) {
  if (!chart) return;
  SLOG("ks_chart_save_as", SLOG_ENTRY, "folder <%s>, x column %d", folder ? folder : "", x_column);
  // The data is checked before anything is asked or touched.
  const std::string text = ks_chart_csv(chart, x_column);
  if (text.empty()) {
    SLOG("ks_chart_save_as", SLOG_EXIT, "%s", "chart holds no data");
    return;
  }
  ks_save_text_as(folder, "chart.csv", "CSV Files (*.csv)\0*.csv\0", ".csv", text);
  SLOG("ks_chart_save_as", SLOG_EXIT, "%s", "done");
}
