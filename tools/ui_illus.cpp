// The annotation tool: its window, its state machine over the mouse on the image, and the text
// window of text objects.
#include "tools/ui_illus.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "shell/ih_draw.h"
#include "shell/ui_color.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/ui_illus_obj.h"

namespace {

// Parts of the tool window.
enum IllusPart {
  P_TOOLS = 0, P_FAMILY = 1, P_STYLE = 2, P_SIZE = 3, P_WIDTH = 4, P_ARROWS = 5, P_SPACING = 6,
  P_SPACING_TEXT = 7, P_EDIT = 8, P_COLOR = 9, P_CLOSE = 10,
};
// Entries of the edit menu (entry 0 is its heading).
enum IllusEdit { EDIT_DUPLICATE = 1, EDIT_DELETE = 2, EDIT_DELETE_ALL = 3 };

constexpr int kToolPointer = 1;  // the image window's tool pointer
constexpr int kMoveStart = 10;   // pixels the pointer must travel before a move starts
constexpr int kMovesCounted = 5; // and pointer positions it must have reported
constexpr int kMinSize = 5;      // smallest box, circle, line and vertex step kept

bool s_open = false;
TkPoint s_last{-1, -1};
int s_state = ILLUS_SELECT;
IllusPointer s_pointer;
IllusControls s_controls;
TK_OBJ s_win = nullptr, s_owner = nullptr, s_widget = nullptr;
IMG_DATA* s_disp = nullptr;
bool s_tracking = false;  // the button is down after a press that tracks the pointer
int s_counted = 0;        // pointer positions since that press
int s_poly_ready = ILLUS_POLYLINE;  // the ready state a polyline or polygon returns to
std::string (*s_text_runner)(const char*, const char*) = nullptr;

// Tool numbers of the nine buttons, and each tool's ready state.
constexpr int kToolOfButton[9] = {0, 2, 4, 6, 8, 9, 5, 3, 1};
int ready_state(int tool) {
  static const int states[10] = {ILLUS_SELECT, ILLUS_TEXT, ILLUS_BOX, ILLUS_CIRCLE, ILLUS_POLYLINE,
                                 ILLUS_POLYGON, ILLUS_LINE, ILLUS_SELECT, ILLUS_FREE, ILLUS_GRID};
  return tool >= 0 && tool <= 9 ? states[tool] : ILLUS_SELECT;
}

COMM_OBJ* selected() { return s_disp ? static_cast<COMM_OBJ*>(s_disp->annot_selected) : nullptr; }
TK_OBJ part(int i) { return s_win ? RES_GetSub(s_win, i) : nullptr; }

void repaint() {
  if (s_widget && s_disp) ui_illus_annotate(s_widget, s_disp);
}
void redraw() {
  if (s_widget) WGT_Redraw(s_widget);
}


// Appends a point to a point-list object; false when memory runs out. Both point-list records
// begin with the count and the points.
bool add_point(COMM_OBJ* o, TkPoint p) {
  auto* d = static_cast<COMM_FREE_DATA*>(o->data);
  auto* grown = static_cast<COMM_PT*>(ks_alloc_msg(sizeof(COMM_PT) * static_cast<std::size_t>(d->count + 1)));
  if (!grown) return false;
  if (d->count > 0 && d->points) std::memcpy(grown, d->points, sizeof(COMM_PT) * static_cast<std::size_t>(d->count));
  grown[d->count] = {p.x, p.y};
  ks_free(d->points);
  d->points = grown;
  ++d->count;
  return true;
}

const COMM_PT* last_point(const COMM_OBJ* o, int* count) {
  const auto* d = static_cast<const COMM_FREE_DATA*>(o->data);
  *count = d->count;
  return d->count > 0 ? &d->points[d->count - 1] : nullptr;
}

TkPoint centre(const COMM_OBJ* o) { return {(o->place[0] + o->place[2]) / 2, (o->place[1] + o->place[3]) / 2}; }

// The pointer held so that the selected object stays inside the image.
TkPoint move_limits(TkPoint p) {
  const int W = s_disp ? s_disp->img_width : 0, H = s_disp ? s_disp->img_height : 0;
  int hw = 0, hh = 0;
  if (const COMM_OBJ* o = selected()) hw = (o->place[2] - o->place[0]) / 2, hh = (o->place[3] - o->place[1]) / 2;
  p.x = std::max(hw, std::min(p.x, W - hw - 1));
  p.y = std::max(hh, std::min(p.y, H - hh - 1));
  return p;
}

void enable(std::initializer_list<int> on) {
  for (int i = P_FAMILY; i <= P_SPACING_TEXT; ++i)
    WGT_Enable(part(i), std::find(on.begin(), on.end(), i) != on.end() ? 1 : 0);
}

void show_spacing() {
  if (!s_win) return;
  s_controls.grid_spacing = static_cast<int>(WGT_GetValue(part(P_SPACING)));
  WGT_SetText(part(P_SPACING_TEXT), std::to_string(s_controls.grid_spacing).c_str());
}

// The controls show the selected object's colour, styles and spacing.
void refresh_controls() {
  if (!s_win) return;
  const COMM_OBJ* o = selected();
  if (!o) {
    enable({});
    return;
  }
  if (o->color != s_controls.color) {
    s_controls.color = o->color;
    ui_color_set(part(P_COLOR), o->color);
  }
  auto set = [](int p, int v) { WGT_SetValue(part(p), v); };
  switch (o->type) {
    case COMM_T_TEXT:
      enable({P_FAMILY, P_STYLE, P_SIZE});
      if (o->font_style) set(P_FAMILY, o->font_style[0]), set(P_STYLE, o->font_style[1]), set(P_SIZE, o->font_style[2]);
      break;
    case COMM_T_LINE:
    case COMM_T_LINE2:
    case COMM_T_ARC:
      enable({P_WIDTH, P_ARROWS});
      if (o->line_style) set(P_WIDTH, o->line_style[0]), set(P_ARROWS, o->line_style[2]);
      break;
    case COMM_T_GRID:
      enable({P_WIDTH, P_SPACING, P_SPACING_TEXT});
      if (o->line_style) set(P_WIDTH, o->line_style[0]);
      set(P_SPACING, static_cast<const int*>(o->data)[4]);
      WGT_SetText(part(P_SPACING_TEXT), std::to_string(static_cast<const int*>(o->data)[4]).c_str());
      break;
    default:
      enable({P_WIDTH});
      if (o->line_style) set(P_WIDTH, o->line_style[0]);
  }
}

void delete_made() {
  if (COMM_OBJ* o = selected()) ui_illus_obj_delete(s_disp, o);
}

std::string run_text_window(const char* title, const char* text);

// Ends what the tool was doing, as a tool change does.
void abandon() {
  switch (s_state) {
    case ILLUS_SELECTED:
      if (COMM_OBJ* o = selected()) ui_illus_obj_offset(o, s_disp, s_widget, 0, 0, 0);
      if (s_disp) s_disp->annot_selected = nullptr;
      s_state = ILLUS_SELECT;
      break;
    case ILLUS_MOVING:
      s_state = ILLUS_SELECTED;
      redraw();
      break;
    case ILLUS_BOX_DRAG: delete_made(), s_state = ILLUS_BOX, redraw(); break;
    case ILLUS_CIRCLE_DRAG: delete_made(), s_state = ILLUS_CIRCLE, redraw(); break;
    case ILLUS_POLY_BUILD: delete_made(), s_state = s_poly_ready, redraw(); break;
    case ILLUS_LINE_DRAG: delete_made(), s_state = ILLUS_LINE, redraw(); break;
    case ILLUS_FREE_DRAG: delete_made(), s_state = ILLUS_FREE, redraw(); break;
    case ILLUS_GRID_DRAG: delete_made(), s_state = ILLUS_GRID, redraw(); break;
    default: break;
  }
  s_tracking = false;
}

// Stores the text of the object being written or edited; an empty text deletes the object.
void commit_text(COMM_OBJ* o, const std::string& text) {
  if (!o) return;
  if (text.empty()) {
    ui_illus_obj_delete(s_disp, o);
    s_state = s_state == ILLUS_EDIT_TEXT ? ILLUS_SELECT : ILLUS_TEXT;
    return;
  }
  auto* t = static_cast<COMM_TEXT_DATA*>(o->data);
  char* copy = static_cast<char*>(ks_alloc_msg(text.size() + 1));
  if (!copy) return;
  std::memcpy(copy, text.c_str(), text.size() + 1);
  ks_free(t->string);
  t->string = copy;
  t->len = static_cast<int>(text.size());
  ui_illus_set_encomp_rect(s_disp, o);
  if (s_state == ILLUS_EDIT_TEXT) {
    s_state = ILLUS_SELECTED;
  } else {
    s_disp->annot_selected = nullptr;
    s_state = ILLUS_TEXT;
  }
}

// Runs the text window; null text (cancelled) or the text entered.
void text_step(const char* title) {
  COMM_OBJ* o = selected();
  const char* old = nullptr;
  if (o && s_state == ILLUS_EDIT_TEXT) old = static_cast<COMM_TEXT_DATA*>(o->data)->string;
  static const std::string kCancelled = std::string(1, '\x01');
  const std::string got = s_text_runner ? s_text_runner(title, old ? old : "") : run_text_window(title, old ? old : "");
  if (got == kCancelled) {
    if (s_state == ILLUS_EDIT_TEXT) s_state = ILLUS_SELECTED;
    else if (s_state == ILLUS_NEW_TEXT) delete_made(), s_state = ILLUS_TEXT;
  } else {
    commit_text(o, got);
  }
  redraw();
}

long text_okNfy(TK_OBJ b, int e) {
  if (e == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(b), 1);
  return WGT_DefaultNfy(b, e);
}
long text_cancelNfy(TK_OBJ b, int e) {
  if (e == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(b), 0);
  return WGT_DefaultNfy(b, e);
}
long text_winNfy(TK_OBJ w, int e) {
  if (e == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(w, 0);
    return 1;
  }
  return WIN_DefaultNfy(w, e);
}

std::string run_text_window(const char* title, const char* text) {
  TK_OBJ w = WIN_Load("ui_illus", "ui_text_win");
  if (!w) return std::string(1, '\x01');
  RES_SetNfy(w, text_winNfy);
  RES_SetNfy(RES_GetSub(w, 1), text_okNfy);
  RES_SetNfy(RES_GetSub(w, 2), text_cancelNfy);
  if (s_owner) WIN_SetOwner(w, s_owner);
  WIN_Init(w);
  WIN_SetTitle(w, title);
  WGT_SetText(RES_GetSub(w, 0), text);
  ui_wpos_place(w, 50, 50, FALSE);
  const long ok = WIN_DoModal(w);
  const char* got = WGT_GetText(RES_GetSub(w, 0));
  std::string result = ok == 1 ? std::string(got ? got : "") : std::string(1, '\x01');
  WIN_Terminate(w);
  return result;
}

void choose_tool(int tool) {
  abandon();
  if (s_win) {
    for (int b = 0; b < 9; ++b)
      if (kToolOfButton[b] == tool) WGT_SetValue(part(P_TOOLS), b);
  }
  s_state = ready_state(tool);
  if (tool == 4) s_poly_ready = ILLUS_POLYLINE;
  if (tool == 5) s_poly_ready = ILLUS_POLYGON;
  if (s_win) {
    switch (tool) {
      case 0: enable({}); break;
      case 1: enable({P_FAMILY, P_STYLE, P_SIZE}); break;
      case 6: enable({P_WIDTH, P_ARROWS}); break;
      case 9: enable({P_WIDTH, P_SPACING, P_SPACING_TEXT}); break;
      default: enable({P_WIDTH});
    }
  }
  if (s_widget) WGT_SetPointer(s_widget, tool == 0 ? 0 : kToolPointer);
}

void delete_all() {
  if (mh_send_msg(2, "%s", ui_msg(309)) != 2) return;
  ui_illus_obj_delete_all(s_disp);
  redraw();
  choose_tool(0);
  refresh_controls();
}

long illus_winNfy(TK_OBJ w, int e) {
  if (e == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_Terminate(w);
    return 1;
  }
  if (e == TK_EV_TERMINATE) {
    ui_tools_reset();  // the image's clicks go back to the image window
    if (s_widget) WGT_SetPointer(s_widget, 0);
    redraw();
    s_widget = nullptr;
    s_state = ILLUS_CLOSED;
    s_win = s_owner = nullptr;
    s_open = false;
  }
  return WIN_DefaultNfy(w, e);
}

// The edit menu's entries by state, set as its list opens: Delete All needs an object, Duplicate
// and Delete a selected one.
void enable_edit_entries(TK_OBJ menu) {
  const bool one = s_state == ILLUS_SELECTED && selected() != nullptr;
  CHOICE_EnableItem(menu, EDIT_DUPLICATE, one);
  CHOICE_EnableItem(menu, EDIT_DELETE, one);
  CHOICE_EnableItem(menu, EDIT_DELETE_ALL, s_disp && ui_illus_obj_count(s_disp) > 0);
}

long illus_partNfy(TK_OBJ p, int e) {
  if (e == TK_EV_CHOICE_OPEN && p == part(P_EDIT)) enable_edit_entries(p);
  const long r = p == part(P_COLOR) ? ui_color_notify(p, e) : WGT_DefaultNfy(p, e);
  if (e != TK_EV_ACTIVATE && e != TK_EV_CHOICE) return r;
  COMM_OBJ* o = selected();
  const int v = static_cast<int>(WGT_GetValue(p));
  int index = -1;
  for (int i = 0; i <= P_CLOSE; ++i)
    if (part(i) == p) index = i;
  switch (index) {
    case P_TOOLS:
      if (v >= 0 && v < 9) choose_tool(kToolOfButton[v]);
      return r;
    case P_CLOSE:
      WIN_Terminate(s_win);
      return 1;
    case P_EDIT:
      WGT_SetValue(p, 0);
      if (v == EDIT_DUPLICATE && s_state == ILLUS_SELECTED && o) {
        ui_illus_obj_duplicate(s_disp, s_widget, o);
        repaint();
      } else if (v == EDIT_DELETE && s_state == ILLUS_SELECTED && o) {
        ui_illus_obj_delete(s_disp, o);
        s_state = ILLUS_SELECT;
        redraw();
        refresh_controls();
      } else if (v == EDIT_DELETE_ALL && ui_illus_obj_count(s_disp) > 0) {
        delete_all();
      }
      return r;
    case P_SPACING: show_spacing(); break;
    case P_FAMILY: s_controls.font_family = v; break;
    case P_STYLE: s_controls.font_style = v; break;
    case P_SIZE: s_controls.font_size = v; break;
    case P_WIDTH: s_controls.line_width = v; break;
    case P_ARROWS: s_controls.arrows = v; break;
    case P_COLOR: break;
    default: return r;
  }
  if (s_state != ILLUS_SELECTED || !o) return r;
  bool changed = false;
  if (index >= P_FAMILY && index <= P_SIZE && o->font_style) {
    int& slot = o->font_style[index == P_FAMILY ? 0 : index == P_STYLE ? 1 : 2];
    changed = slot != v;
    slot = v;
    if (changed) ui_illus_set_encomp_rect(s_disp, o);
  } else if ((index == P_WIDTH || index == P_ARROWS) && o->line_style) {
    int& slot = o->line_style[index == P_WIDTH ? 0 : 2];
    changed = slot != v;
    slot = v;
    if (changed) ui_illus_set_encomp_rect(s_disp, o);
  } else if (index == P_SPACING && o->type == COMM_T_GRID) {
    int& slot = static_cast<int*>(o->data)[4];
    changed = slot != v;
    slot = v;
  }
  if (changed) {
    s_disp->modified = 1;
    redraw();
  } else {
    repaint();
  }
  ui_illus_obj_offset(o, s_disp, s_widget, 0, 0, 0);
  return r;
}

void color_chosen(TK_OBJ) {
  const int code = ui_color_get(part(P_COLOR));
  if (code == s_controls.color) return;
  s_controls.color = code;
  if (COMM_OBJ* o = selected(); o && s_state == ILLUS_SELECTED) {
    o->color = code;
    repaint();
    ui_illus_obj_offset(o, s_disp, s_widget, 0, 0, 0);
  }
}

}  // namespace

int ui_illus_curr_state() { return s_state; }
void ui_illus_set_state(int state) { s_state = state; }
IllusPointer& ui_illus_pointer() { return s_pointer; }

const IllusControls& ui_illus_controls() { return s_controls; }
void ui_illus_set_controls(const IllusControls& c) { s_controls = c; }
int ui_illus_curr_color() { return s_controls.color; }
int ui_illus_grid_spacing() {
  show_spacing();
  return s_controls.grid_spacing;
}
int ui_illus_font_family() { return s_controls.font_family; }
int ui_illus_font_style() { return s_controls.font_style; }
int ui_illus_font_size() { return s_controls.font_size; }
int ui_illus_line_width() { return s_controls.line_width; }
int ui_illus_arrows() { return s_controls.arrows; }

void ui_illus_set_text_runner(std::string (*runner)(const char* title, const char* text)) { s_text_runner = runner; }

void ui_illus_activate(TK_OBJ owner, TK_OBJ widget, IMG_DATA* disp) {
  SLOG("ui_illus_activate", SLOG_ENTRY, "%s", s_win ? "reused" : "new");
  if (!s_win) {
    s_win = WIN_Load("ui_illus", "ui_illus_win");
    if (s_win) {
      RES_SetNfy(s_win, illus_winNfy);
      for (int i = 0; i <= P_CLOSE; ++i) RES_SetNfy(part(i), illus_partNfy);
      if (owner) WIN_SetOwner(s_win, owner);
      WIN_Init(s_win);
      s_owner = owner;
      ui_color_init(part(P_COLOR), color_chosen);
      ui_color_set(part(P_COLOR), 0);
      s_controls = IllusControls{};
      ui_wpos_place(s_win, 90, 50, FALSE);
    }
  }
  s_open = true;
  s_widget = widget;
  s_disp = disp;
  s_state = ILLUS_SELECT;
  choose_tool(0);
  show_spacing();
  if (s_win) WIN_Show(s_win);
  repaint();
}

void ui_illus_end() {
  if (s_win) {
    TK_OBJ w = s_win;
    s_win = nullptr;
    WIN_Terminate(w);
  }
  s_owner = nullptr;
  if (s_widget) {
    WGT_SetPointer(s_widget, 0);
    WGT_Redraw(s_widget);
  }
  s_widget = nullptr;
  s_open = false;
  s_tracking = false;
  s_state = ILLUS_CLOSED;
}

void ui_illus_image_closing(const IMG_DATA* disp) {
  if (!disp || disp != s_disp) return;
  s_widget = nullptr;  // not redrawn: it is going away with its window
  ui_illus_end();
  s_disp = nullptr;
}

int ui_illus_is_open() { return s_open ? 1 : 0; }
int ui_illus_tracking() { return s_tracking ? 1 : 0; }

void ui_illus_mouse_event(void*, IMG_DATA* disp, TK_OBJ widget, TK_OBJ, TkPoint pt) {
  s_last = pt;
  SLOG("ui_illus_mouse_event", SLOG_VALUE4, "(%d,%d) state %d", pt.x, pt.y, s_state);
  if (!disp || disp != s_disp) return;
  if (widget) s_widget = widget;
  s_counted = 0;
  auto start_drag = [&](int type, int next) {
    COMM_OBJ* o = ui_illus_obj_create(s_disp, type, pt.x, pt.y);
    if (!o) return;
    int* d = static_cast<int*>(o->data);
    d[0] = pt.x, d[1] = pt.y;
    if (type != COMM_T_CIRCLE) d[2] = pt.x, d[3] = pt.y;
    s_pointer.last = {-1, -1};
    s_pointer.current = pt;
    s_state = next;
    s_tracking = true;
  };
  switch (s_state) {
    case ILLUS_SELECT:
    case ILLUS_SELECTED: {
      if (s_state == ILLUS_SELECTED && selected()) ui_illus_obj_offset(selected(), s_disp, s_widget, 0, 0, 0);
      COMM_OBJ* best = nullptr;
      int best_d = 0;
      const auto* head = static_cast<COMM_OBJ*>(s_disp->annot_first);
      for (COMM_OBJ* o = head ? head->next : nullptr; o; o = o->next) {
        const TkPoint c = centre(o);
        const int d = mt_dist(c.x, c.y, pt.x, pt.y);
        if (!best || d < best_d) best = o, best_d = d;
      }
      s_disp->annot_selected = best;
      refresh_controls();
      s_state = best ? ILLUS_SELECTED : ILLUS_SELECT;
      if (best) {
        s_pointer.anchor = centre(best);
        const TkPoint v = ih_map_point(s_widget, s_pointer.anchor.x, s_pointer.anchor.y, s_disp);
        WGT_MovePointer(s_widget, v.x, v.y);
        s_tracking = true;
      }
      repaint();
      return;
    }
    case ILLUS_TEXT: {
      COMM_OBJ* o = ui_illus_obj_create(s_disp, COMM_T_TEXT, pt.x, pt.y);
      if (!o) return;
      auto* t = static_cast<COMM_TEXT_DATA*>(o->data);
      t->x = pt.x, t->y = pt.y;
      s_state = ILLUS_NEW_TEXT;
      text_step("New Text");
      repaint();
      return;
    }
    case ILLUS_BOX: start_drag(COMM_T_BOX, ILLUS_BOX_DRAG); return;
    case ILLUS_CIRCLE: start_drag(COMM_T_CIRCLE, ILLUS_CIRCLE_DRAG); return;
    case ILLUS_LINE: start_drag(COMM_T_LINE, ILLUS_LINE_DRAG); return;
    case ILLUS_GRID: start_drag(COMM_T_GRID, ILLUS_GRID_DRAG); return;
    case ILLUS_POLYLINE:
    case ILLUS_POLYGON:
    case ILLUS_FREE: {
      const int type = s_state == ILLUS_POLYLINE ? COMM_T_POLYLINE : s_state == ILLUS_POLYGON ? COMM_T_POLYGON : COMM_T_FREE;
      COMM_OBJ* o = ui_illus_obj_create(s_disp, type, pt.x, pt.y);
      if (!o) return;
      if (!add_point(o, pt)) {
        ui_illus_obj_delete(s_disp, o);
        return;
      }
      s_pointer.last = {-1, -1};
      s_pointer.current = pt;
      if (type == COMM_T_FREE) {
        s_state = ILLUS_FREE_DRAG;
        s_tracking = true;
      } else {
        s_poly_ready = s_state;
        s_state = ILLUS_POLY_BUILD;
      }
      return;
    }
    case ILLUS_POLY_BUILD: {
      COMM_OBJ* o = selected();
      int n = 0;
      const COMM_PT* lp = o ? last_point(o, &n) : nullptr;
      if (lp && mt_dist(lp->x, lp->y, pt.x, pt.y) >= kMinSize && add_point(o, pt)) {
        s_pointer.last = {-1, -1};
        redraw();
      }
      return;
    }
    default: return;
  }
}

void ui_illus_drag(TkPoint pt) {
  if (!s_tracking || !s_disp) return;
  ++s_counted;
  switch (s_state) {
    case ILLUS_SELECTED:
      if (mt_dist(pt.x, pt.y, s_pointer.anchor.x, s_pointer.anchor.y) >= kMoveStart && s_counted >= kMovesCounted) {
        s_pointer.last = {-1, -1};
        s_pointer.current = s_pointer.anchor;
        s_state = ILLUS_MOVING;
        if (s_widget) WGT_SetPointer(s_widget, kToolPointer);
      }
      return;
    case ILLUS_MOVING:
      s_pointer.current = move_limits(pt);
      repaint();
      return;
    case ILLUS_BOX_DRAG:
    case ILLUS_CIRCLE_DRAG:
    case ILLUS_LINE_DRAG:
    case ILLUS_GRID_DRAG:
      s_pointer.current = pt;
      repaint();
      return;
    case ILLUS_FREE_DRAG: {
      COMM_OBJ* o = selected();
      int n = 0;
      const COMM_PT* lp = o ? last_point(o, &n) : nullptr;
      if (!lp || mt_dist(lp->x, lp->y, pt.x, pt.y) < kMinSize) return;
      const TkPoint from{lp->x, lp->y};
      if (!add_point(o, pt)) return;
      ui_illus_rubber_config(s_widget);
      ui_illus_draw_shapes(s_widget, s_disp, {[&] {
                             IllusShape s(IllusShape::LINE);
                             s.v[0] = from.x, s.v[1] = from.y, s.v[2] = pt.x, s.v[3] = pt.y;
                             return s;
                           }()});
      return;
    }
    default: return;
  }
}

void ui_illus_release(TkPoint r) {
  if (!s_tracking || !s_disp) return;
  s_tracking = false;
  COMM_OBJ* o = selected();
  auto finish = [&](bool keep, int next) {
    if (o && keep) {
      ui_illus_set_encomp_rect(s_disp, o);
      s_disp->annot_selected = nullptr;
      s_state = next;
      redraw();
    } else {
      if (o) ui_illus_obj_delete(s_disp, o);
      s_state = next;
      redraw();
    }
  };
  int* d = o ? static_cast<int*>(o->data) : nullptr;
  switch (s_state) {
    case ILLUS_MOVING: {
      if (s_widget) WGT_SetPointer(s_widget, kToolPointer);
      if (o && mt_dist(r.x, r.y, s_pointer.anchor.x, s_pointer.anchor.y) >= kMoveStart && s_counted >= kMovesCounted) {
        const TkPoint to = move_limits(r);
        ui_illus_obj_offset(o, s_disp, s_widget, s_pointer.anchor.x - to.x, s_pointer.anchor.y - to.y, 1);
        ui_illus_set_encomp_rect(s_disp, o);
      }
      s_state = ILLUS_SELECTED;
      redraw();
      return;
    }
    case ILLUS_BOX_DRAG:
      d[2] = r.x, d[3] = r.y;
      finish(mt_dist(d[0], d[1], r.x, r.y) >= kMinSize && d[0] != r.x && d[1] != r.y, ILLUS_BOX);
      return;
    case ILLUS_CIRCLE_DRAG:
      d[2] = mt_dist(d[0], d[1], r.x, r.y);
      finish(d[2] >= kMinSize, ILLUS_CIRCLE);
      return;
    case ILLUS_LINE_DRAG:
      d[2] = r.x, d[3] = r.y;
      finish(mt_dist(d[0], d[1], r.x, r.y) >= kMinSize, ILLUS_LINE);
      return;
    case ILLUS_FREE_DRAG: {
      int n = 0;
      if (o) last_point(o, &n);
      finish(n >= 10, ILLUS_FREE);
      return;
    }
    case ILLUS_GRID_DRAG:
      d[2] = r.x, d[3] = r.y;
      finish(mt_dist(d[0], d[1], r.x, r.y) >= kMinSize, ILLUS_GRID);
      return;
    default: return;
  }
}

void ui_illus_double_click(TkPoint) {
  if (!s_disp) return;
  COMM_OBJ* o = selected();
  if (s_state == ILLUS_SELECTED && o && o->type == COMM_T_TEXT) {
    s_tracking = false;
    s_state = ILLUS_EDIT_TEXT;
    text_step("Edit Text");
    repaint();
  } else if (s_state == ILLUS_POLY_BUILD) {
    int n = 0;
    if (o) last_point(o, &n);
    if (o && n >= 3) {
      ui_illus_set_encomp_rect(s_disp, o);
      s_disp->annot_selected = nullptr;
      s_state = s_poly_ready;
      redraw();
    } else {
      if (o) ui_illus_obj_delete(s_disp, o);
      s_state = s_poly_ready;
      redraw();
    }
  }
}

void ui_illus_track_point(TkPoint pt) {
  s_last = pt;
  if (s_state == ILLUS_POLY_BUILD) {
    s_pointer.current = pt;
    repaint();
  }
}

void ui_illus_delete_current() {
  if (!s_widget || !s_disp || !selected()) return;
  ui_illus_obj_delete(s_disp, selected());
  if (s_state == ILLUS_SELECTED) s_state = ILLUS_SELECT;
  redraw();
  refresh_controls();
}

void ui_illus_choose_tool(int tool) { choose_tool(tool); }

TkPoint ui_illus_last_point() { return s_last; }
