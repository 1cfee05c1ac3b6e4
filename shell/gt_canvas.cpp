// The image window's canvas procedure.
#include "shell/gt_canvas.h"

#include <algorithm>
#include <cmath>

#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "shell/ih_dpy.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "toolkit/tk_workspace.h"
#include "shell/im_calib.h"
#include "tools/dtool_calc.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_dtool.h"
#include "tools/gt_report_wins.h"
#include "tools/ui_illus.h"
#include "tools/ui_illus_obj.h"

namespace {

TK_OBJ s_readout = nullptr;
GtCommandProc s_command = nullptr;
TK_OBJ s_command_win = nullptr;

// Per canvas: the pointer position and whether the next expose zooms about it. One image
// window is exposed at a time, so the pending anchor is kept with the area it belongs to.
struct ZoomAnchor {
  TK_OBJ area = nullptr;
  int x = -1, y = -1;  // viewport point
};
ZoomAnchor s_anchor;
TkPoint s_last_pos{-1, -1};  // last pointer position over a canvas (viewport)
TK_OBJ s_last_area = nullptr;
bool s_in_expose = false;

constexpr int kLineStep = 16;

IMG_DATA* disp_of(IMAGE_REC* im) { return im ? im->img_ptr : nullptr; }

// Converts the event position to image pixels; false without an image.
bool event_point(TK_OBJ area, IMAGE_REC* im, int* x, int* y) {
  IMG_DATA* d = disp_of(im);
  if (!d) return false;
  const TkPoint p = EVENT_GetPos();
  const TkRect v = CANVAS_GetVisible(area);
  *x = p.x + v.x;
  *y = p.y + v.y;
  gt_zoom_point(d->zoom[0], d->scale, x, y);
  s_last_pos = p;
  s_last_area = area;
  return true;
}

void send_command(int command) {
  if (s_command) s_command(s_command_win, command);
  else SLOG("gt_canvas_notify", SLOG_WARN, "no dispatcher for command %d", command);
}

// The annotation objects lie over the lanes and bands; the annotation tool shows them even when
// the overlays are switched off.
void paint_annotations(TK_OBJ area, IMAGE_REC* im) {
  const CONTROL* ctl = gt_get_control();
  if (im && im->img_ptr && !ctl->lanes_hidden && (!ctl->annot_off || ui_illus_is_open()))
    ui_illus_annotate(area, im->img_ptr);
}

// The lane the densitometry tool shows, when the tool works on this area's image.
LANE* dtool_lane_on(TK_OBJ area) {
  LANE* lane = dtool_current_lane();
  const DT_INFO* info = dtool_state().info;
  return lane && info && info->draw_area == area ? lane : nullptr;
}

// What lies over the freshly drawn image: while the densitometry tool shows a lane, that lane's
// highlight alone; otherwise, with the outlines shown, the lanes, bands and the figures of the
// tool in progress, then the annotation objects; with the outlines hidden only the calibration
// strip of its task state, which is the tool's own work and stays visible.
void paint_overlays(TK_OBJ area, IMAGE_REC* im) {
  if (LANE* lane = dtool_lane_on(area)) {
    gt_paint_dtool_lane(area, im, lane);
    return;
  }
  const CONTROL* ctl = gt_get_control();
  if (!ctl->lanes_hidden) {
    gt_band_expose(area, im);
    paint_annotations(area, im);
  } else if (ctl->task_state == TS_CALIBRATION) {
    cal_draw_steps(area, im);
  }
}

void expose(TK_OBJ area, IMAGE_REC* im) {
  IMG_DATA* d = disp_of(im);
  if (!d || !gt_display_of(d)) return;
  // Scrolling inside the draw exposes again; the outer expose finishes the picture.
  if (s_in_expose) return;
  s_in_expose = true;
  gt_overlay_forget();
  cal_strip_forget_preview();
  // The selection rectangle of the idle state went with the old picture: the next motion draws
  // it afresh instead of erasing it.
  if (gt_get_control()->task_state == TS_IDLE && im->rubber_pt[0] >= 0) im->drag_pt[0] = im->drag_pt[1] = -1;
  int ax = -1, ay = -1;
  if (s_anchor.area == area) {
    ax = s_anchor.x;
    ay = s_anchor.y;
    s_anchor = ZoomAnchor{};
  }
  // Busy while the image is drawn; a command that is busy already (a modal tool redrawing the
  // image under it) stays busy afterwards.
  const bool was_busy = gt_get_control()->busy != 0;
  if (!was_busy) gt_busy_begin();
  ih_dpy_draw(area, d, ax, ay);
  if (!was_busy) gt_busy_end();
  paint_overlays(area, im);
  s_in_expose = false;
}

}  // namespace

void gt_canvas_set_readout(TK_OBJ widget) { s_readout = widget; }

void gt_canvas_set_command_proc(GtCommandProc proc, TK_OBJ win) {
  s_command = proc;
  s_command_win = win;
}

void gt_zoom_point(int zoom, double scale, int* x, int* y) {
  if (!x || !y) return;
  double fx, fy;
  if (zoom > 0) {
    fx = std::trunc(static_cast<double>(*x) / zoom);
    fy = std::trunc(static_cast<double>(*y) / zoom);
  } else {
    const int z = zoom == 0 ? 1 : -zoom;
    fx = std::trunc(static_cast<double>(*x) * z);
    fy = std::trunc(static_cast<double>(*y) * z);
  }
  *x = static_cast<int>(std::trunc(fx * scale));
  *y = static_cast<int>(std::trunc(fy * scale));
}

TkRect gt_rect_intersect(TkRect a, TkRect b) {
  const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

int gt_zoom_next(int zoom, int command) {
  if (command == 1081) {
    if (zoom >= 10) return zoom;
    const int z = zoom + 1;
    return z == -1 ? 1 : z;
  }
  if (command == 1082) {
    if (zoom <= -10) return zoom;
    const int z = zoom - 1;
    return z == 0 ? -2 : z;
  }
  return zoom;
}

void gt_zoom_to_factor(TK_OBJ area) {
  IMAGE_REC* im = gt_area_image(area);
  IMG_DATA* d = disp_of(im);
  if (!d) return;
  // Zoom about the pointer when it lies over the visible image, else about the view's centre.
  const TkRect v = CANVAS_GetVisible(area);
  const TkRect shown{0, 0, ih_dpy_displayed(d->disp_img ? d->disp_img->width() : 0, d->zoom[1]) - v.x,
                     ih_dpy_displayed(d->disp_img ? d->disp_img->height() : 0, d->zoom[1]) - v.y};
  const TkRect in = gt_rect_intersect({0, 0, v.w, v.h}, shown);
  s_anchor = ZoomAnchor{};
  if (s_last_area == area && s_last_pos.x >= in.x && s_last_pos.x < in.x + in.w &&
      s_last_pos.y >= in.y && s_last_pos.y < in.y + in.h)
    s_anchor = {area, s_last_pos.x, s_last_pos.y};
  else
    s_anchor = {area, -1, -1};
  WGT_Redraw(area);
}

void gt_zoom_set(IMAGE_REC* image, int new_zoom) {
  IMG_DATA* d = disp_of(image);
  if (!d || !image->draw_area) return;
  new_zoom = std::clamp(new_zoom, -10, 10);
  if (new_zoom == 0 || new_zoom == -1) new_zoom = 1;
  if (new_zoom == d->zoom[0]) return;
  d->zoom[1] = d->zoom[0];
  d->zoom[0] = new_zoom;
  TK_OBJ area = static_cast<TK_OBJ>(image->draw_area);
  gt_zoom_to_factor(area);
  // The read-out names the zoom: write it again for the pixel now under the pointer's last
  // position over this canvas, so that it does not keep the old zoom until the pointer moves.
  if (s_last_area == area && s_last_pos.x >= 0 && s_last_pos.y >= 0) {
    const TkRect v = CANVAS_GetVisible(area);
    int x = s_last_pos.x + v.x, y = s_last_pos.y + v.y;
    gt_zoom_point(d->zoom[0], d->scale, &x, &y);
    gt_show_pixel(d, s_readout, x, y);
  }
}

void gt_raise_image_window(int menu_id) {
  const int n = gt_get_num_img_windows();
  if (n < 2) return;
  for (int i = 0; i < n; ++i) {
    TK_OBJ win = gt_get_img_window(i);
    IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(win));
    if (im && gt_win_menu_id_of(im) == menu_id) {
      WS_Activate(win);
      return;
    }
  }
}

void gt_refresh_scroll_bars() {
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)));
    if (im && im->img_ptr && im->draw_area)
      gt_dib_set_scroll_area(static_cast<TK_OBJ>(im->draw_area), im->img_ptr, im->img_ptr->zoom[0]);
  }
}

void gt_redraw_img(IMAGE_REC* image) {
  if (!image || !image->img_ptr || !image->draw_area || !gt_display_of(image->img_ptr)) {
    SLOG("gt_redraw_img", SLOG_WARN, "something important is NULL");
    return;
  }
  // An expose under way paints the overlays itself when the image is drawn.
  if (s_in_expose) return;
  // The whole canvas: the area is cleared, the image drawn and the overlays painted as they are
  // switched now, so that what was hidden, renamed or moved leaves no trace.
  WGT_Redraw(static_cast<TK_OBJ>(image->draw_area));
}

void gt_show_pixel(const IMG_DATA* disp, TK_OBJ widget, int x, int y) {
  // The image tools own the readout, edge rule included.
  TkPoint p{x, y};
  ui_tools_show_pixel(nullptr, disp, widget, &p);
}

long gt_canvas_notify(TK_OBJ area, int event) {
  IMAGE_REC* im = gt_area_image(area);
  CONTROL* ctl = gt_get_control();
  switch (event) {
    case TK_EV_EXPOSE:
      WGT_DefaultNfy5(area, event);
      expose(area, im);
      return 0;
    case TK_EV_ENTER: {
      // A tool in progress shows the tool pointer over the image; the idle program the arrow.
      // The drag states keep the pointer their tool sets, and so does a measuring tool of the
      // image tools, which set its pointer on the area when it started.
      const int st = ctl->task_state;
      if (im && !ui_tools_any_on() && !ctl->busy && st != 3 && st != 5 && st != 16)
        WGT_SetPointer(area, st == 0 ? 0 : 1);
      return WGT_DefaultNfy5(area, event);
    }
    case TK_EV_RESIZE:
      WGT_DefaultNfy5(area, event);
      if (im && im->img_ptr) gt_dib_set_scroll_area(area, im->img_ptr, im->img_ptr->zoom[0]);
      return 0;
    case TK_EV_MOTION: {
      int x = 0, y = 0;
      if (EVENT_GetButtonState() == 1 && ui_tools_dragging() && event_point(area, im, &x, &y)) {
        ui_tools_drag(im->img_ptr, area, s_readout, TkPoint{x, y});
        return WGT_DefaultNfy5(area, event);
      }
      // The readout follows the pointer whether a button is held or not. Motion with the button
      // feeds a drag; without it the placing tools' rubber bands and pointer shapes follow the
      // pointer. The calibration strip: a drag draws the first box, a move without the button
      // shows the next box or the spread strip.
      if (event_point(area, im, &x, &y)) {
        const bool held = EVENT_GetButtonState() == 1;
        gt_show_pixel(im->img_ptr, s_readout, x, y);
        if (ctl->task_state != TS_CALIBRATION) gt_band_mousedrag(area, ctl, im, x, y);
        else if (held) cal_val_drag(area, im, x, y);
        else cal_move_strip(area, im, x, y);
      }
      return WGT_DefaultNfy5(area, event);
    }
    case TK_EV_MOUSE: {
      int x = 0, y = 0;
      if (!event_point(area, im, &x, &y)) return WGT_DefaultNfy5(area, event);
      if (EVENT_GetButtonState() == 1) {
        gt_show_pixel(im->img_ptr, s_readout, x, y);
        im->click_pt[0] = x;
        im->click_pt[1] = y;
        const int modifier = (EVENT_GetKeyState() & TK_MOD_SHIFT) ? 1 : 0;
        if (EVENT_IsPrimaryButton()) {
          // An image tool that is on takes the press before any task state.
          if (ui_tools_any_on()) {
            ui_tools_click(im->img_ptr, im, area, s_readout, 0, TkPoint{x, y});
            return 0;
          }
          if (ctl->task_state == TS_CALIBRATION) {  // the calibration strip takes these
            cal_val_mouseclick(area, im, x, y, EVENT_IsDoubleClick(), modifier);
            return 0;
          }
          if (EVENT_IsDoubleClick())
            gt_band_doubleclick(area, ctl, im, modifier);
          else
            gt_band_mouseclick(area, s_readout, ctl, im, modifier);
          return 0;
        }
        if (ctl->task_state == TS_EDIT_BAND) {
          gt_band_mouseclick(area, s_readout, ctl, im, modifier);
          return 0;
        }
        // The other button in bands or lanes mode points at the lane's row in the profile window.
        if (ctl->task_state == TS_IDLE && gt_is_idle() &&
            (ctl->sel_mode == SEL_BANDS || ctl->sel_mode == SEL_LANES)) {
          ln_prf_jump_to_profile(im, TkPoint{x, y});
          return 0;
        }
        return WGT_DefaultNfy5(area, event);
      }
      if (ui_tools_dragging())
        ui_tools_release(im->img_ptr, im, area, s_readout, TkPoint{x, y});
      else if (ctl->task_state == TS_CALIBRATION)
        cal_val_release(area, im, x, y);
      else
        gt_band_mouserelease(area, ctl, im, x, y);
      return WGT_DefaultNfy5(area, event);
    }
    case TK_EV_WINDOW: {
      const int code = EVENT_GetWinCode();
      bool redraw = true;
      switch (code) {
        case TK_WIN_DELETE:
        case TK_WIN_BACKSPACE:
        case TK_WIN_KP_DELETE:
          // With the annotation tool on, Delete takes its selected object.
          if (ui_tools_annotate_on())
            ui_illus_delete_current();
          else
            send_command(144);
          break;
        case TK_WIN_INSERT:
        case TK_WIN_KP_INSERT:
          send_command(143);
          break;
        case TK_WIN_CHAR:
          if (EVENT_GetKeyChar() == '+') send_command(1081);
          else if (EVENT_GetKeyChar() == '-') send_command(1082);
          else redraw = false;
          break;
        case TK_WIN_LEFT:
          gt_dib_scroll_by(area, -kLineStep, 0);
          redraw = false;
          break;
        case TK_WIN_RIGHT:
          gt_dib_scroll_by(area, kLineStep, 0);
          redraw = false;
          break;
        case TK_WIN_UP:
          gt_dib_scroll_by(area, 0, -kLineStep);
          redraw = false;
          break;
        case TK_WIN_DOWN:
          gt_dib_scroll_by(area, 0, kLineStep);
          redraw = false;
          break;
        default:
          redraw = false;
          break;
      }
      // The command may have closed the window; redraw only a live canvas of this image.
      if (redraw && gt_area_image(area) == im && im) WGT_Redraw(area);
      return WGT_DefaultNfy5(area, event);
    }
    default:
      return WGT_DefaultNfy5(area, event);
  }
}
