// The image bitmap display and the packed bitmap of an image.
#include "shell/ih_dpy.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "shell/ih_cmap.h"
#include "shell/ih_draw.h"
#include "toolkit/tk_draw.h"

GtDisplay* gt_display_new(IMG_DATA* disp) {
  if (!disp) return nullptr;
  if (!disp->tk_handle) disp->tk_handle = new (std::nothrow) GtDisplay();
  return gt_display_of(disp);
}

void gt_display_free(IMG_DATA* disp) {
  GtDisplay* g = gt_display_of(disp);
  if (!g) return;
  ks_free(g->bmi);
  delete g;
  disp->tk_handle = nullptr;
}

int ih_dpy_displayed(int n, int zoom) {
  if (zoom >= 1) return static_cast<int>(std::floor(n * static_cast<double>(zoom) + 0.5));
  if (zoom < 0) return static_cast<int>(std::floor(n / static_cast<double>(-zoom) + 0.5));
  return n;
}

namespace {

// Image pixel shown at canvas position X.
inline int source_of(int X, int zoom) { return zoom >= 1 ? X / zoom : (zoom < 0 ? X * -zoom : X); }

// Image pixel at canvas position X, rounded: the inverse of the display mapping used to keep an
// anchor in place across a zoom change.
double to_image(double X, int zoom) { return zoom >= 1 ? X / zoom : (zoom < 0 ? X * -zoom : X); }
double to_canvas(double x, int zoom) { return zoom >= 1 ? x * zoom : (zoom < 0 ? x / -zoom : x); }

}  // namespace

void gt_dib_set_scroll_area(TK_OBJ area, const IMG_DATA* disp, int zoom) {
  if (!area || !disp || !disp->disp_img) return;
  CANVAS_SetExtent(area, ih_dpy_displayed(disp->disp_img->width(), zoom),
                   ih_dpy_displayed(disp->disp_img->height(), zoom));
}

void gt_dib_scroll_to(TK_OBJ area, int x, int y) {
  const TkRect e = CANVAS_GetExtent(area);
  const TkRect v = CANVAS_GetVisible(area);
  CANVAS_ScrollTo(area, std::clamp(x, 0, std::max(0, e.w - v.w)), std::clamp(y, 0, std::max(0, e.h - v.h)));
}

void gt_dib_scroll_by(TK_OBJ area, int dx, int dy) {
  const TkRect v = CANVAS_GetVisible(area);
  gt_dib_scroll_to(area, v.x + dx, v.y + dy);
}

void ih_dpy_draw(TK_OBJ area, IMG_DATA* disp, int anchor_x, int anchor_y) {
  static const char* fn = "ih_dpy_draw";
  GtDisplay* g = gt_display_of(disp);
  if (!area || !disp || !g || !disp->disp_img || disp->disp_img->empty()) {
    SLOG(fn, SLOG_WARN, "nothing to draw");
    return;
  }
  const TkImage& bmp = *disp->disp_img;
  const int zoom = disp->zoom[0] == 0 ? 1 : disp->zoom[0];
  const int last_zoom = disp->zoom[2] == 0 ? 1 : disp->zoom[2];
  const int force = disp->cmap_changed;
  disp->cmap_changed = 0;

  const int dw = ih_dpy_displayed(bmp.width(), zoom), dh = ih_dpy_displayed(bmp.height(), zoom);
  TkRect vis = CANVAS_GetVisible(area);

  if (zoom != last_zoom) {
    // Keep the anchor's image point in place: take it to image pixels at the old zoom, back to
    // the canvas at the new one, and centre the view on it.
    const int old_w = ih_dpy_displayed(bmp.width(), last_zoom);
    const int old_h = ih_dpy_displayed(bmp.height(), last_zoom);
    double ax = anchor_x >= 0 ? vis.x + anchor_x : (old_w < vis.w ? old_w / 2.0 : vis.x + vis.w / 2.0);
    double ay = anchor_y >= 0 ? vis.y + anchor_y : (old_h < vis.h ? old_h / 2.0 : vis.y + vis.h / 2.0);
    const double ix = std::floor(to_image(ax, last_zoom) + 0.5);
    const double iy = std::floor(to_image(ay, last_zoom) + 0.5);
    int sx = static_cast<int>(to_canvas(ix, zoom) - vis.w / 2);
    int sy = static_cast<int>(to_canvas(iy, zoom) - vis.h / 2);
    const bool zoom_out = ih_zoom_factor(zoom) < ih_zoom_factor(last_zoom);
    if (sx < 0 || (zoom_out && old_w < vis.w)) sx = 0;
    if (sy < 0 || (zoom_out && old_h < vis.h)) sy = 0;
    disp->zoom[2] = zoom;  // a scroll below exposes again: that expose sees the zoom settled
    CANVAS_SetExtent(area, dw, dh);
    gt_dib_scroll_to(area, sx, sy);
    vis = CANVAS_GetVisible(area);
  } else {
    const TkRect e = CANVAS_GetExtent(area);
    if (e.w != std::max(dw, vis.w) || e.h != std::max(dh, vis.h)) {
      CANVAS_SetExtent(area, dw, dh);
      vis = CANVAS_GetVisible(area);
    }
  }

  const bool same = !force && vis.x == disp->vis_x[1] && vis.y == disp->vis_y[1] &&
                    vis.w == disp->vis_cols[1] && vis.h == disp->vis_rows[1] && zoom == last_zoom &&
                    !g->zoomed.empty();
  disp->vis_x[0] = vis.x;
  disp->vis_y[0] = vis.y;
  disp->vis_cols[0] = vis.w;
  disp->vis_rows[0] = vis.h;
  if (!same) {
    // The visible piece: canvas columns vis.x .. and rows vis.y .., cut to the displayed image.
    const int pw = std::max(0, std::min(vis.w, dw - vis.x));
    const int ph = std::max(0, std::min(vis.h, dh - vis.y));
    if (pw > 0 && ph > 0 && g->zoomed.resize(pw, ph, 1)) {
      std::vector<int> cols(static_cast<std::size_t>(pw));
      for (int i = 0; i < pw; ++i) cols[i] = std::min(source_of(vis.x + i, zoom), bmp.width() - 1);
      const int bpp = bmp.bytes_per_pixel();
      for (int j = 0; j < ph; ++j) {
        const int sy = std::min(source_of(vis.y + j, zoom), bmp.height() - 1);
        const uint8_t* src = bmp.row(sy);
        uint8_t* dst = g->zoomed.row(j);
        if (bpp == 1) {
          if (zoom == 1)
            std::memcpy(dst, src + vis.x, static_cast<std::size_t>(pw));
          else
            for (int i = 0; i < pw; ++i) dst[i] = src[cols[i]];
        } else {
          for (int i = 0; i < pw; ++i) dst[i] = src[2 * cols[i] + 1];
        }
      }
      g->zoomed.colours() = bmp.colours();
    } else {
      g->zoomed.release();
    }
    g->piece_x = vis.x;
    g->piece_y = vis.y;
    ++g->rebuilds;
    disp->vis_x[1] = vis.x;
    disp->vis_y[1] = vis.y;
    disp->vis_cols[1] = vis.w;
    disp->vis_rows[1] = vis.h;
    disp->zoom[2] = zoom;
  }

  TkPoint origin;
  TkRect clip;
  CANVAS_Map(area, {0, 0, dw, dh}, 1, &origin, &clip);
  if (DRAW_Begin(area, &clip)) {
    DRAW_Image(area, origin.x + g->piece_x, origin.y + g->piece_y, g->zoomed);
    DRAW_End(area);
  }
}

// The packed bitmap ---------------------------------------------------------------------------

int32_t gt_dib_pels_per_metre(int res, int scale) {
  // The scale comes from the info file: any 32-bit value, so the exponent is taken in double.
  const double size = res * std::pow(10.0, static_cast<double>(scale) - 3.0);
  if (!(size > 0.0) || !std::isfinite(size)) return 0;
  const double ppm = std::floor(1.0 / size + 0.5);
  return ppm > 2147483647.0 ? 0 : static_cast<int32_t>(ppm);
}

void gt_dib_make_palette(IMAGE_REC* image) {
  GtDisplay* g = image ? gt_display_of(image->img_ptr) : nullptr;
  if (!g || !g->bmi) return;
  for (int i = 0; i < 256; ++i) {
    const IhRgb16 c = ih_get_rgb(nullptr, i);
    uint8_t* e = g->bmi->bmiColors + 4 * i;
    e[0] = static_cast<uint8_t>(c.blue >> 8);
    e[1] = static_cast<uint8_t>(c.green >> 8);
    e[2] = static_cast<uint8_t>(c.red >> 8);
    e[3] = 0;
  }
}

void gt_dib_free(IMAGE_REC* image) {
  GtDisplay* g = image ? gt_display_of(image->img_ptr) : nullptr;
  if (!g) return;
  ks_free(g->bmi);
  g->bmi = nullptr;
  std::vector<uint8_t>().swap(g->bits);
}

void gt_dib_build(IMAGE_REC* image) {
  static const char* fn = "gt_dib_build";
  IMG_DATA* d = image ? image->img_ptr : nullptr;
  GtDisplay* g = gt_display_of(d);
  if (!g || !d->disp_img || d->disp_img->empty()) {
    SLOG(fn, SLOG_WARN, "no display image");
    return;
  }
  const TkImage& img = *d->disp_img;
  if (!g->bmi) {
    g->bmi = static_cast<BITMAPINFO*>(ks_alloc_msg(sizeof(BITMAPINFO)));
    if (!g->bmi) {
      ks_dbg_null_ptr(fn, "bmi");
      return;
    }
  }
  BITMAPINFOHEADER& h = g->bmi->bmiHeader;
  h = BITMAPINFOHEADER{};
  h.biWidth = img.width();
  h.biHeight = img.height();
  h.biBitCount = 8;
  const IMG_INFO* info = image->img_info;
  h.biXPelsPerMeter = info ? gt_dib_pels_per_metre(info->x_res, info->x_scale) : 0;
  h.biYPelsPerMeter = info ? gt_dib_pels_per_metre(info->y_res, info->y_scale) : 0;
  const std::size_t stride = (static_cast<std::size_t>(img.width()) + 3) & ~std::size_t(3);
  try {
    g->bits.assign(stride * static_cast<std::size_t>(img.height()), 0);
  } catch (const std::bad_alloc&) {
    ks_free(g->bmi);
    g->bmi = nullptr;
    std::vector<uint8_t>().swap(g->bits);
    SLOG(fn, SLOG_ERROR, "no memory for the bits");
    return;
  }
  const int bpp = img.bytes_per_pixel();
  for (int y = 0; y < img.height(); ++y) {
    const uint8_t* src = img.row(y);
    uint8_t* dst = g->bits.data() + stride * static_cast<std::size_t>(img.height() - 1 - y);
    if (bpp == 1)
      std::memcpy(dst, src, static_cast<std::size_t>(img.width()));
    else
      for (int x = 0; x < img.width(); ++x) dst[x] = src[2 * x + 1];
  }
  std::memset(g->bmi->bmiColors, 0, sizeof g->bmi->bmiColors);
  gt_dib_make_palette(image);
}
