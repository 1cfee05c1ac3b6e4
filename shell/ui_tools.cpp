// The image tools window and the pixel readout.
#include "shell/ui_tools.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "shell/gt_image_win.h"
#include "shell/ih_draw.h"
#include "tools/ui_illus.h"
#include "tools/ui_results.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

// The toolkit's stock pointers for the tool and for waiting, and the plain one.
constexpr int kToolPointer = 1;
constexpr int kWaitPointer = 3;
constexpr int kPlainPointer = 0;

struct Tools {
  int slice = 0, surface = 0, histogram = 0, print = 0, annotate = 0, crop = 0;
  TkPoint start{-1, -1}, end{-1, -1}, last{-1, -1};
  TK_OBJ win = nullptr, owner = nullptr, widget = nullptr;
  UiCropProc crop_proc = nullptr;
  char folder[256] = "";
  const char* label = "";
  bool dragging = false;
} s;

bool rect_tool() { return s.print || s.histogram || s.surface || s.crop; }

// The rubber band from the start point to p, drawn in the highlight colour (drawn twice, it is
// gone).
void band(IMG_DATA* disp, TkPoint p) {
  if (!s.widget) return;
  if (rect_tool())
    ih_draw_box(s.widget, s.start.x, s.start.y, p.x, p.y, disp);
  else
    ih_draw_line(s.widget, s.start.x, s.start.y, p.x, p.y, disp);
}

void call_crop() {
  UiCropProc proc = s.crop_proc;
  s.crop_proc = nullptr;
  if (proc) {
    const TkPoint a = s.start, b = s.end;
    proc(&a, &b);
  }
}

void end_tools(bool with_crop) {
  ui_tools_reset();
  if (with_crop) call_crop();
  s.crop_proc = nullptr;
  if (s.win) {
    TK_OBJ w = s.win;
    s.win = nullptr;
    WIN_Terminate(w);
  }
  if (s.widget) WGT_SetPointer(s.widget, kPlainPointer);
  ui_illus_end();
  ui_tools_reset();
}

long tools_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_Terminate(win);
    return 0;
  }
  if (event == TK_EV_TERMINATE) {
    ui_tools_reset();
    call_crop();
    if (s.win == win) s.win = nullptr;
  }
  return WIN_DefaultNfy(win, event);
}

long tools_doneNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) {
    end_tools(RES_GetIndex(button) == UI_TOOLS_DONE);
    return 0;
  }
  return WGT_DefaultNfy(button, event);
}

// Runs a result window with the wait pointer on the image.
template <typename F>
void with_wait(F&& f) {
  const int saved = s.widget ? WGT_GetPointer(s.widget) : -1;
  if (s.widget) WGT_SetPointer(s.widget, kWaitPointer);
  f();
  if (s.widget) WGT_SetPointer(s.widget, saved < 0 ? kPlainPointer : saved);
}

}  // namespace

void ui_tools_activate(TK_OBJ owner, TK_OBJ widget, int tool, UiCropProc crop, IMG_DATA* disp,
                       const char* folder) {
  static const char* fn = "ui_tools_activate";
  SLOG(fn, SLOG_ENTRY, "tool %d", tool);
  std::snprintf(s.folder, sizeof s.folder, "%s", folder ? folder : "");
  gt_set_tools_active_proc([]() -> BOOL { return ui_tools_any_on() ? TRUE : FALSE; });
  if (tool == UI_TOOL_ANNOTATE) {
    ui_illus_activate(owner, widget, disp);
    s.annotate = 1;
    s.widget = widget;
    return;
  }
  if (tool < 0 || tool > UI_TOOL_CROP) return;
  ui_tools_dismiss();
  TK_OBJ win = WIN_Load("ui_tools", "ui_tools_win");
  if (!win) {
    SLOG(fn, SLOG_EXIT, "%s", "no tools window");
    return;
  }
  RES_SetNfy(win, tools_winNfy);
  RES_SetNfy(RES_GetSub(win, UI_TOOLS_DONE), tools_doneNfy);
  RES_SetNfy(RES_GetSub(win, UI_TOOLS_ABANDON), tools_doneNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  s.widget = widget;
  s.owner = owner;
  s.crop_proc = crop;
  s.win = win;
  if (widget) WGT_SetPointer(widget, kToolPointer);
  WGT_Show(RES_GetSub(win, UI_TOOLS_ABANDON), 0);
  static const char* labels[] = {"Slice", "Surface Plot", "Histogram", "Print Image", "", "Crop"};
  int* flags[] = {&s.slice, &s.surface, &s.histogram, &s.print, &s.annotate, &s.crop};
  *flags[tool] = 1;
  s.label = labels[tool];
  if (tool == UI_TOOL_CROP) {
    WGT_Show(RES_GetSub(win, UI_TOOLS_DONE), 0);
    WGT_Show(RES_GetSub(win, UI_TOOLS_ABANDON), 1);
  }
  WIN_SetTitle(win, s.label);
  ui_wpos_place(win, 95, 50, FALSE);
  WIN_Show(win);
  SLOG(fn, SLOG_EXIT, "%s", s.label);
}

void ui_tools_click(IMG_DATA* disp, IMAGE_REC* /*image*/, TK_OBJ widget, TK_OBJ status, int,
                    TkPoint pt) {
  // The second press of a double click is not a new line or rectangle.
  if (s.annotate) {
    if (EVENT_IsDoubleClick())
      ui_illus_double_click(pt);
    else
      ui_illus_mouse_event(disp ? disp->tk_handle : nullptr, disp, widget, status, pt);
    return;
  }
  if (EVENT_IsDoubleClick()) return;
  if (!ui_tools_any_on()) return;
  s.widget = widget;
  s.start = pt;
  s.last = TkPoint{-1, -1};
  s.dragging = true;
  ui_tools_show_pixel(nullptr, disp, status, &pt);
}

void ui_tools_drag(IMG_DATA* disp, TK_OBJ widget, TK_OBJ status, TkPoint pt) {
  if (s.annotate) {
    TkPoint shown = pt;
    ui_tools_show_pixel(nullptr, disp, status, &shown);
    ui_illus_drag(pt);
    return;
  }
  if (!s.dragging) return;
  TkPoint shown = pt;
  ui_tools_show_pixel(nullptr, disp, status, &shown);
  if (s.last.x < 0) {
    ih_ann_draw_config(widget, 11, 10, 0);
  } else {
    band(disp, s.last);
  }
  band(disp, pt);
  s.last = pt;
}

void ui_tools_release(IMG_DATA* disp, IMAGE_REC* image, TK_OBJ /*widget*/, TK_OBJ /*status*/,
                      TkPoint pt) {
  if (s.annotate) {
    ui_illus_release(pt);
    return;
  }
  if (!s.dragging) return;
  s.dragging = false;
  s.end = pt;
  if (s.last.x >= 0) band(disp, s.last);
  s.last = TkPoint{-1, -1};
  const int dx = std::abs(s.end.x - s.start.x), dy = std::abs(s.end.y - s.start.y);
  const char* path = image ? image->file_path : "";
  if (s.slice) {
    if (dx < 5 && dy < 5) {
      ui_tools_dismiss();
      return;
    }
    const TkPoint a = s.start, b = s.end;
    with_wait([&] { ui_prof_activate(s.owner, path, a, b, s.folder); });
    ui_tools_dismiss();
  } else if (s.surface || s.histogram) {
    if (dx > 4 && dy > 4) {
      const TkPoint a = s.start, b = s.end;
      if (s.surface)
        with_wait([&] { ui_plot_activate(s.owner, path, a, b, s.folder); });
      else
        with_wait([&] { ui_hist_activate(s.owner, image, a, b, s.folder); });
    }
    ui_tools_dismiss();
  } else if (s.crop) {
    if (s.win) WIN_Hide(s.win);
    UiCropProc proc = s.crop_proc;
    if (proc) {
      const TkPoint a = s.start, b = s.end;
      proc(&a, &b);
    }
    if (s.win) WIN_Show(s.win);
    ui_tools_reset();
    s.crop = 1;
  }
  // Print image: the rectangle stays for the image window.
}

int ui_tools_dragging() { return s.dragging || (s.annotate && ui_illus_tracking()) ? 1 : 0; }

void ui_tools_show_pixel(void*, const IMG_DATA* disp, TK_OBJ status, TkPoint* pt) {
  if (!disp || !disp->disp_img || !pt || disp->scale <= 0) return;
  const int ext_x = static_cast<int>(disp->disp_img->width() * disp->scale);
  const int ext_y = static_cast<int>(disp->disp_img->height() * disp->scale);
  bool clamped = false;
  auto clamp = [&](int& v, int ext) {
    if (v < 1) v = 1, clamped = true;
    else if (v >= ext - 1) v = ext - 2, clamped = true;
  };
  clamp(pt->x, ext_x);
  clamp(pt->y, ext_y);
  if (clamped) return;
  if (s.annotate) ui_illus_track_point(*pt);
  const int bx = static_cast<int>(pt->x / disp->scale), by = static_cast<int>(pt->y / disp->scale);
  if (bx < 0 || by < 0 || bx >= disp->disp_img->width() || by >= disp->disp_img->height()) return;
  mh_status_zoom(status, disp->zoom[0], pt->x, pt->y, static_cast<long>(disp->disp_img->pixel(bx, by)));
}

int ui_tools_annotate_on() { return s.annotate; }
int ui_tools_print_on() { return s.print; }
int ui_tools_any_on() {
  return s.slice || s.surface || s.histogram || s.print || s.annotate || s.crop ? 1 : 0;
}

void ui_tools_reset() {
  s.slice = s.surface = s.histogram = s.print = s.annotate = s.crop = 0;
  s.start = s.end = s.last = TkPoint{-1, -1};
  s.dragging = false;
}

void ui_tools_image_closing(TK_OBJ area) {
  if (area != nullptr && s.widget == area) ui_tools_dismiss();
}

void ui_tools_dismiss() {
  if (s.win) {
    TK_OBJ w = s.win;
    s.crop_proc = nullptr;  // dismissing is not the user's close: no empty crop
    s.win = nullptr;
    WIN_Terminate(w);
  }
  if (s.widget) WGT_SetPointer(s.widget, kPlainPointer);
  s.widget = nullptr;
  ui_illus_end();
  ui_tools_reset();
  s.crop_proc = nullptr;
}

TK_OBJ ui_tools_window() { return s.win; }

void ui_tools_print_rect(TkPoint* start, TkPoint* end) {
  if (start) *start = s.start;
  if (end) *end = s.end;
}
