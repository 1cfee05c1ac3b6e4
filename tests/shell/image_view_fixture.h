// A small image window for the display and drawing tests: a window with one drawing area whose
// client data is an image record holding a synthetic 8-bit image (pixel (x, y) = (x + 2y) mod
// 256, grey colour table), painted by the image canvas procedure.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cmath>

#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/ih_draw.h"
#include "shell/ih_dpy.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace shelltest {

// The application object and the resources the drawing layer needs (fonts), made once.
inline void ensure_gui() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!QApplication::instance()) {
    static int argc = 1;
    static char name[] = "test_shell";
    static char* argv[] = {name, nullptr};
    TK_Init(&argc, argv);
  }
  if (!RES_LoadFont("ui_font", "ui_font_helv_12_bold"))
    RES_OpenFile("ui_font", (vxtest::source_dir() / "resources/ui_font.res").c_str());
  if (!RES_HasWindow("view_test", "view_win"))
    RES_OpenText(
        "module view_test\n"
        "window view_win { title \"view\"; size 240 200; part 0 area { size 240 180 }; "
        "part 1 label { label \"\" } }\n");
}

inline unsigned grey_of(int x, int y) { return static_cast<unsigned>((x + 2 * y) % 256); }

class ImageView {
 public:
  ImageView(int w, int h) {
    ensure_gui();
    image = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
    gt_img_init(image);
    IMG_DATA* d = image->img_ptr;
    d->disp_img->create(w, h, 1);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) d->disp_img->row(y)[x] = static_cast<uint8_t>(grey_of(x, y));
    d->disp_img->set_grey_colours();
    d->img_width = d->pix_width = w;
    d->img_height = d->pix_height = h;
    gt_display_new(d);
    win = WIN_Load("view_test", "view_win");
    area = RES_GetSub(win, 0);
    RES_SetData(win, image);
    RES_SetNfy(area, gt_canvas_notify);
    image->window = win;
    image->draw_area = area;
    WIN_Show(win);
    EVENT_Wait(20);
    current(image);  // the tools act on the current image
  }
  ~ImageView() {
    current(nullptr);
    RES_SetData(win, nullptr);
    WIN_Terminate(win);
    EVENT_Flush();
    gt_display_free(image->img_ptr);
    gt_img_free(image);
  }
  // Exposes the area now and returns its backing image.
  const QImage& expose() {
    WGT_Redraw(area);
    EVENT_Flush();
    return tk::area(area)->backing();
  }
  const QImage& backing() const { return tk::area(area)->backing(); }
  QRgb px(int x, int y) const { return backing().pixel(x, y) & 0xFFFFFF; }
  void zoom(int z) { gt_zoom_set(image, z); EVENT_Flush(); }
  void scroll(int x, int y) { gt_dib_scroll_to(area, x, y); EVENT_Flush(); }
  TkRect visible() const { return CANVAS_GetVisible(area); }

  IMAGE_REC* image = nullptr;
  TK_OBJ win = nullptr;
  TK_OBJ area = nullptr;

 private:
  static void current(IMAGE_REC* im) {
    CONTROL* c = gt_get_control();
    const int state = c->task_state;
    c->task_state = 0;
    gt_set_image_ptr(im);
    c->task_state = state;
  }
};

inline QRgb grey_rgb(unsigned v) { return (v << 16) | (v << 8) | v; }

// The pixels of a width x height image in view at a zoom: the first and last whole columns and
// rows that the visible part `vis` of the canvas shows.
struct ImageSpan {
  int left, top, right, bottom;
};
inline ImageSpan image_in_view(const TkRect& vis, int zoom, int width, int height) {
  const double f = ih_zoom_factor(zoom);
  return {static_cast<int>(std::ceil(vis.x / f)), static_cast<int>(std::ceil(vis.y / f)),
          std::min(static_cast<int>((vis.x + vis.w) / f), width) - 1,
          std::min(static_cast<int>((vis.y + vis.h) / f), height) - 1};
}

// Of the range lo..hi, the end farther from `avoid`.
inline int end_far_from(int lo, int hi, int avoid) {
  return avoid - lo > hi - avoid ? lo : hi;
}

// The view position of image pixel (x, y) at a zoom, given the visible part `vis`; false (and a
// failure naming the point) when the pixel is out of view, so that a check never passes by not
// looking.
inline bool view_of(const TkRect& vis, int zoom, int x, int y, int* X, int* Y) {
  *X = static_cast<int>(x * ih_zoom_factor(zoom)) - vis.x;
  *Y = static_cast<int>(y * ih_zoom_factor(zoom)) - vis.y;
  if (*X >= 0 && *Y >= 0 && *X < vis.w && *Y < vis.h) return true;
  ADD_FAILURE() << "zoom " << zoom << ": image pixel " << x << "," << y << " is out of view";
  return false;
}

}  // namespace shelltest
