#include "shell/im_calib.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "io/analysis.h"
#include "io/info_file.h"
#include "model/control.h"
#include "model/task_state.h"
#include "shell/cal_val.h"
#include "shell/gt_image_win.h"
#include "shell/gt_vrem.h"
#include "shell/ih_draw.h"
#include "tools/gt_dlg_nfy.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kColourStrip = 0;  // red
constexpr int kColourNone = 10;
constexpr int kColourXor = 11;
constexpr int kMsgSetCannotOpen = 80;        // gt_msg: %s the file's name
constexpr int kMsgSetLineNotNumber = 199;    // gt_msg: %s the file's name, %d the line

TK_OBJ s_win = nullptr;
std::FILE* s_set = nullptr;          // the open standard set value file
IMG_INT_INFO* s_copied = nullptr;    // the lookup taken from an existing image
CAL_STRIP s_strip = [] {
  CAL_STRIP s{};
  cal_strip_clear_points(&s);
  return s;
}();

// What is drawn in exclusive-or now and must be erased before the next preview: the first box's
// rubber band, the next box's outline or the spread boxes 1..n-1.
CalBox s_preview[CAL_MAX_STEPS];
int s_preview_n = 0;

TK_OBJ part(int i) { return s_win ? RES_GetSub(s_win, i) : nullptr; }

const char* file_part(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// One line of the file without its line end; false at the end of the file.
bool read_line(std::FILE* f, std::string* line) {
  line->clear();
  int c = 0;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    line->push_back(static_cast<char>(c));
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any;
}

void close_set() {
  if (s_set) std::fclose(s_set);
  s_set = nullptr;
}

void forget_copy() {
  if (s_copied) lookup_free(s_copied);
  s_copied = nullptr;
}

// Steps of the strip when spreading: the file's lines, at least 1 (a file of no lines spreads
// the first box alone).
int strip_steps() { return std::clamp(im_calib_num_values(), 1, CAL_MAX_STEPS); }

void image_size(const IMAGE_REC* image, int* w, int* h) {
  const IMG_DATA* d = image ? image->img_ptr : nullptr;
  *w = d ? d->img_width : 0;
  *h = d ? d->img_height : 0;
}

void draw_box(TK_OBJ area, const IMG_DATA* d, const CalBox& b) {
  ih_draw_box(area, b.x, b.y, b.x + b.w, b.y + b.h, d);
}

// Draws the boxes in exclusive-or and remembers them for erasing.
void draw_preview(TK_OBJ area, IMAGE_REC* image, const CalBox* boxes, int n) {
  ih_ann_draw_config(area, kColourXor, kColourNone, 0);
  for (int i = 0; i < n; ++i) draw_box(area, image->img_ptr, boxes[i]);
  std::copy(boxes, boxes + n, s_preview);
  s_preview_n = n;
}

void erase_preview(TK_OBJ area, IMAGE_REC* image) {
  if (s_preview_n == 0) return;
  ih_ann_draw_config(area, kColourXor, kColourNone, 0);
  for (int i = 0; i < s_preview_n; ++i) draw_box(area, image->img_ptr, s_preview[i]);
  s_preview_n = 0;
}

void redraw(IMAGE_REC* image) {
  s_preview_n = 0;
  if (image && image->draw_area) WGT_Redraw(static_cast<TK_OBJ>(image->draw_area));
}

void redraw_current() { redraw(gt_get_image_ptr()); }

// The strip lives on the current image, which Calibrate measures: the mouse on another image's
// window leaves it alone.
bool on_strip_image(const IMAGE_REC* image) {
  return image && image->img_ptr && image == gt_get_image_ptr();
}

// Asks for a step value; false when cancelled or not a number (the latter after message 23).
bool ask_value(double* v) {
  cal_val_activate(s_win, v);
  if (*v == CAL_STEP_CANCEL) return false;
  if (*v == CAL_STEP_INVALID) {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(23));
    return false;
  }
  return true;
}

// The spread boxes from the first box to the far point, clipped to the image; 0 when one of
// them leaves nothing inside the image.
int spread_boxes(IMAGE_REC* image, CalBox* out) {
  int w, h;
  image_size(image, &w, &h);
  const int n = cal_spread(s_strip.boxes[0], s_strip.far_pt[0], s_strip.far_pt[1], strip_steps(), out);
  for (int k = 0; k < n; ++k)
    if (!cal_clip_box(&out[k], w, h)) return 0;
  return n;
}

void too_small() { mh_send_msg(KS_ALERT_INFO, "%s", gt_get_message(133)); }

// The end of the calibration by Calibrate or Cancel.
void finish() {
  TK_OBJ win = s_win;
  s_win = nullptr;
  cal_strip_reset();
  close_set();
  forget_copy();
  gt_vrem_close_then(win, gt_vrem_step_lanes);
}

void set_label_off() {
  WGT_SetLabel(part(IM_CALIB_STDSET), gt_get_message(79));
  WGT_SetTooltip(part(IM_CALIB_STDSET), "");
  WGT_SetValue(part(IM_CALIB_STRIP), 0);
  WGT_Enable(part(IM_CALIB_STRIP), 0);
}

// The number (from 1) of the first line of the file that the strip takes (at most
// CAL_MAX_STEPS) and that does not begin with a number; 0 when each one does. Rewinds the file.
int first_line_without_number(std::FILE* f) {
  std::rewind(f);
  std::string line;
  int bad = 0;
  for (int n = 1; n <= CAL_MAX_STEPS && read_line(f, &line); ++n)
    if (!cal_begins_with_number(line.c_str())) {
      bad = n;
      break;
    }
  std::rewind(f);
  return bad;
}

// Opens a standard set path; on success it is the control record's path and the toggle names
// the file. A file that does not open empties the control record's path and switch. A file with
// a blank or text line, which would give its step the density 0 (the step value dialog refuses
// such a text), is refused with a message naming the line, and the control record stays as it
// was.
bool open_set(const char* path, const char* caller) {
  CONTROL* ctl = gt_get_control();
  close_set();
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    SLOG(caller, SLOG_WARN, "set_fd: cannot open <%s>", path);
    mh_send_msg(KS_ALERT_INFO, gt_get_message(kMsgSetCannotOpen), file_part(path));
    ctl->calib_stdset = 0;
    ctl->calib_stdset_path[0] = '\0';
    set_label_off();
    return false;
  }
  if (const int bad = first_line_without_number(f)) {
    std::fclose(f);
    SLOG(caller, SLOG_WARN, "<%s> line %d holds no number", path, bad);
    mh_send_msg(KS_ALERT_INFO, gt_get_message(kMsgSetLineNotNumber), file_part(path), bad);
    set_label_off();
    return false;
  }
  s_set = f;
  if (path != ctl->calib_stdset_path)
    std::snprintf(ctl->calib_stdset_path, sizeof ctl->calib_stdset_path, "%s", path);
  const std::string label = std::string(gt_get_message(79)) + ":  " + file_part(ctl->calib_stdset_path);
  WGT_SetLabel(part(IM_CALIB_STDSET), label.c_str());
  im_set_path_tip(part(IM_CALIB_STDSET), ctl->calib_stdset_path);
  WGT_Enable(part(IM_CALIB_STRIP), 1);
  return true;
}

long winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_DefaultNfy(win, event);
    gt_vrem_close_then(win, gt_vrem_step_lanes);
    return 0;
  }
  if (event == TK_EV_TERMINATE && win == s_win) {
    s_win = nullptr;
    cal_strip_reset();
    close_set();
    forget_copy();
  }
  return WIN_DefaultNfy(win, event);
}

long cancelNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  finish();
  return 0;
}

long calibrateNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  IMAGE_REC* image = gt_get_image_ptr();
  if (!image) {  // the image went away: nothing to calibrate
    finish();
    return 0;
  }
  if (s_copied) {
    if (image->img_int_info) lookup_free(image->img_int_info);
    image->img_int_info = s_copied;
    s_copied = nullptr;
    image->modified = 1;
  } else {
    const int interp = WGT_GetChoice(part(IM_CALIB_INTERP)) == 1 ? 1 : 0;
    gt_busy_begin();
    mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(67));
    const int r = cal_strip_calibrate(interp);
    gt_busy_end();
    mh_clear_status(gt_get_status_bar(), 1);
    // A box that cannot be read stops here: the strip stays for the user to mend.
    if (r == CAL_BUILD_UNREADABLE) return 0;
    gt_get_control()->im_calib_interp = interp;
  }
  finish();
  return 0;
}

long stdsetNfy(TK_OBJ toggle, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(toggle, event);
  CONTROL* ctl = gt_get_control();
  if (WGT_GetValue(toggle)) {
    char path[CTL_PATH] = "";
    if (!io_win32_singlefile(path, sizeof path, "Select a Standard Set...",
                             ctl->folders[CTL_DIR_STDSETS], "",
                             "Standard Set Files (*.std)\0*.std\0", ".std", TRUE, TRUE)) {
      WGT_SetValue(toggle, 0);
      set_label_off();
      return 0;
    }
    if (!open_set(path, "S_CBut1Nfy")) {
      WGT_SetValue(toggle, 0);
      return 0;
    }
    ctl->calib_stdset = 1;
  } else {
    close_set();
    ctl->calib_stdset = 0;
    ctl->calib_stdset_path[0] = '\0';
    set_label_off();
  }
  return 0;
}

void enable_strip_controls(int on) {
  WGT_Enable(part(IM_CALIB_INTERP), on);
  WGT_Enable(part(IM_CALIB_STDSET), on);
  WGT_Enable(part(IM_CALIB_STRIP), on && s_set ? 1 : 0);
}

long existingNfy(TK_OBJ toggle, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(toggle, event);
  forget_copy();
  if (!WGT_GetValue(toggle)) {
    enable_strip_controls(1);
    return 0;
  }
  char path[KS_PATH_LEN] = "", dir[KS_PATH_LEN] = "";
  std::snprintf(dir, sizeof dir, "%s", gt_get_control()->folders[CTL_DIR_IMAGES]);
  if (!io_win32_singlekes(path, sizeof path, "Select an existing image...", dir, sizeof dir, "",
                          TRUE)) {
    WGT_SetValue(toggle, 0);
    enable_strip_controls(1);
    return 0;
  }
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(path, &list, 0);
  for (int i = 0; list && i < n; ++i) {
    ANALYSIS_ENTRY* e = list[i];
    if (e && e->type == 2 && e->record && !s_copied) {
      s_copied = static_cast<IMG_INT_INFO*>(e->record);
      e->record = nullptr;
    }
  }
  if (list) io_free_analysis_list(list, n);
  if (s_copied) enable_strip_controls(0);
  return 0;
}

}  // namespace

// The window ------------------------------------------------------------------------------------

void im_calib_activate(TK_OBJ parent) {
  static const char* fn = "im_calib_activate";
  im_calib_dismiss();
  // The interpolation option keeps its class default.
  static const GtPartNfy kParts[] = {{IM_CALIB_CANCEL, cancelNfy},
                                     {IM_CALIB_CALIBRATE, calibrateNfy},
                                     {IM_CALIB_STDSET, stdsetNfy},
                                     {IM_CALIB_STRIP, S_swallow_activateNfy},
                                     {IM_CALIB_EXISTING, existingNfy}};
  TK_OBJ win = gt_tool_win_load("im_calib", parent, winNfy, kParts, 5);
  if (!win) return;
  s_win = win;
  forget_copy();
  IMAGE_REC* image = gt_get_image_ptr();
  const int interp = image && image->img_int_info ? image->img_int_info->interp_type : 1;
  WGT_SetChoice(part(IM_CALIB_INTERP), interp == 0 ? 0 : 1);
  CONTROL* ctl = gt_get_control();
  if (ctl->calib_stdset)
    open_set(ctl->calib_stdset_path, fn);
  else
    set_label_off();
  WGT_SetValue(part(IM_CALIB_STDSET), ctl->calib_stdset && s_set ? 1 : 0);
  WGT_SetValue(part(IM_CALIB_EXISTING), 0);
  gt_set_state(TS_CALIBRATION);
  cal_strip_clear();
  gt_tool_win_show(win, 80, 50);
}

void im_calib_dismiss() { gt_tool_win_dismiss(&s_win); }  // the window's end clears the strip

TK_OBJ im_calib_window() { return s_win; }

BOOL im_calib_have_set() {
  return s_win && s_set && WGT_GetValue(part(IM_CALIB_STRIP)) ? TRUE : FALSE;
}

int im_calib_num_values() {
  if (!im_calib_have_set()) return 0;
  std::rewind(s_set);
  int n = 0;
  std::string line;
  while (read_line(s_set, &line)) ++n;
  std::rewind(s_set);
  return std::min(n, CAL_MAX_STEPS);
}

void im_calib_next_value(char* out, std::size_t cap) {
  std::string line;
  if (!s_set || cap == 0 || !read_line(s_set, &line)) return;
  std::snprintf(out, cap, "%s", line.c_str());
}

void im_set_path_tip(TK_OBJ widget, const char* text) {
  if (!widget || !text) return;
  WGT_SetTooltip(widget, text);
}

// The strip ------------------------------------------------------------------------------------

const CAL_STRIP& cal_strip() { return s_strip; }

void cal_strip_clear() {
  cal_strip_clear_points(&s_strip);
  s_preview_n = 0;
}

void cal_strip_reset() {
  gt_set_state(TS_IDLE);
  cal_strip_clear();
  redraw_current();
}

void cal_strip_forget_preview() { s_preview_n = 0; }

void cal_draw_steps(TK_OBJ area, IMAGE_REC* image) {
  // The strip is measured on the current image: other image windows do not show it.
  if (!area || !on_strip_image(image)) return;
  ih_ann_draw_config(area, kColourStrip, kColourNone, 0);
  for (int i = 0; i < s_strip.count; ++i) {
    const CalBox& b = s_strip.boxes[i];
    draw_box(area, image->img_ptr, b);
    char text[40];
    std::snprintf(text, sizeof text, "%.3lf", s_strip.values[i]);
    ih_draw_text(area, b.x + 2, b.y, text, image->img_ptr, 0);
  }
  // Text drawing leaves its own pen: the next preview starts from the program pen again.
  ih_ann_draw_config(area, kColourStrip, kColourNone, 0);
}

void cal_val_mouseclick(TK_OBJ area, IMAGE_REC* image, int x, int y, int double_click, int shift) {
  static const char* fn = "cal_val_mouseclick";
  if (!on_strip_image(image)) return;
  SLOG(fn, SLOG_ENTRY, "(%d, %d) double %d shift %d count %d", x, y, double_click, shift,
       s_strip.count);
  if (double_click && shift) {
    cal_strip_clear();
    redraw(image);
    return;
  }
  if (shift) {
    if (im_calib_have_set())
      s_strip.count = s_strip.count == strip_steps() ? 1 : 0;
    else if (s_strip.count > 0)
      --s_strip.count;
    for (int* p : {s_strip.anchor, s_strip.far_pt, s_strip.drag_end}) p[0] = p[1] = -1;
    redraw(image);
    return;
  }
  if (s_strip.count > 0 && im_calib_have_set()) {
    if (s_strip.far_pt[0] < 0) return;  // no strip line yet: the pointer has not moved
    CalBox boxes[CAL_MAX_STEPS];
    const int n = spread_boxes(image, boxes);
    if (n == 0) {
      too_small();
      return;
    }
    const int lines = im_calib_num_values();  // rewinds: the values start at the first line
    for (int k = 0; k < n; ++k) {
      char line[256] = "";
      if (k < lines) im_calib_next_value(line, sizeof line);
      s_strip.boxes[k] = boxes[k];
      s_strip.values[k] = cal_leading_number(line);
    }
    s_strip.count = static_cast<int16_t>(n);
    redraw(image);
    return;
  }
  if (s_strip.count > 0) {
    if (s_strip.count >= CAL_MAX_STEPS) return;
    int w, h;
    image_size(image, &w, &h);
    CalBox b = {x, y, s_strip.boxes[0].w, s_strip.boxes[0].h};
    cal_place_limit(&b.x, &b.y, b.w, b.h, w, h);
    if (!cal_clip_box(&b, w, h)) {
      too_small();
      return;
    }
    erase_preview(area, image);
    double v = 0;
    if (!ask_value(&v)) return;
    s_strip.boxes[s_strip.count] = b;
    s_strip.values[s_strip.count] = v;
    ++s_strip.count;
    cal_draw_steps(area, image);
    return;
  }
  // An empty strip: the press starts the first box's drag.
  erase_preview(area, image);
  s_strip.anchor[0] = s_strip.far_pt[0] = x;
  s_strip.anchor[1] = s_strip.far_pt[1] = y;
}

void cal_val_drag(TK_OBJ area, IMAGE_REC* image, int x, int y) {
  if (!on_strip_image(image) || s_strip.count != 0 || s_strip.anchor[0] < 0) return;
  erase_preview(area, image);
  const CalBox b = cal_box_from_points(s_strip.anchor[0], s_strip.anchor[1], x, y);
  draw_preview(area, image, &b, 1);
  s_strip.far_pt[0] = x;
  s_strip.far_pt[1] = y;
}

void cal_val_release(TK_OBJ area, IMAGE_REC* image, int x, int y) {
  if (!on_strip_image(image) || s_strip.count != 0 || s_strip.anchor[0] < 0) return;
  erase_preview(area, image);
  const int ax = s_strip.anchor[0], ay = s_strip.anchor[1];
  for (int* p : {s_strip.anchor, s_strip.far_pt}) p[0] = p[1] = -1;
  s_strip.drag_end[0] = x;
  s_strip.drag_end[1] = y;
  int w, h;
  image_size(image, &w, &h);
  CalBox b = cal_box_from_points(ax, ay, x, y);
  // A short drag, or one whose box lies outside the image, makes no box.
  if (mt_dist(ax, ay, x, y) < CAL_MIN_DIAGONAL || !cal_clip_box(&b, w, h)) {
    too_small();
    s_strip.drag_end[0] = s_strip.drag_end[1] = -1;
    redraw(image);
    return;
  }
  s_strip.boxes[0] = b;
  double v = 0;
  if (im_calib_have_set()) {
    char line[256] = "";
    im_calib_next_value(line, sizeof line);
    v = cal_leading_number(line);
  } else if (!ask_value(&v)) {
    s_strip.drag_end[0] = s_strip.drag_end[1] = -1;
    redraw(image);
    return;
  }
  s_strip.values[0] = v;
  s_strip.count = 1;
  cal_draw_steps(area, image);
  s_strip.far_pt[0] = s_strip.far_pt[1] = -1;
  s_strip.drag_end[0] = s_strip.drag_end[1] = -1;
}

void cal_move_strip(TK_OBJ area, IMAGE_REC* image, int x, int y) {
  if (!on_strip_image(image) || gt_get_state() != TS_CALIBRATION || s_strip.count < 1) return;
  int w, h;
  image_size(image, &w, &h);
  const CalBox& first = s_strip.boxes[0];
  erase_preview(area, image);
  cal_place_limit(&x, &y, first.w, first.h, w, h);
  if (im_calib_have_set() && s_strip.count < strip_steps()) {
    s_strip.far_pt[0] = x;
    s_strip.far_pt[1] = y;
    CalBox boxes[CAL_MAX_STEPS];
    const int n = cal_spread(first, x, y, strip_steps(), boxes);
    draw_preview(area, image, boxes + 1, n - 1);
    return;
  }
  const CalBox next = {x, y, first.w, first.h};
  draw_preview(area, image, &next, 1);
}

int cal_strip_calibrate(int interp_type) {
  IMAGE_REC* image = gt_get_image_ptr();
  if (!image) return CAL_BUILD_UNREADABLE;
  if (!image->img_int_info) {
    image->img_int_info = ks_new_rec<IMG_INT_INFO>();
    if (!image->img_int_info || !lookup_init(image->img_int_info)) return CAL_BUILD_NO_MEMORY;
  }
  const int r = cal_build_lookup(s_strip, image->file_path, interp_type, image->img_int_info);
  if (r == CAL_BUILD_ORDER) mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(55));
  if (r == CAL_BUILD_UNREADABLE) mh_send_msg(KS_ALERT_ERROR, gt_get_message(64), image->file_path);
  if (r == CAL_BUILD_OK || r == CAL_BUILD_INTERP_ONLY) image->modified = 1;
  return r;
}
