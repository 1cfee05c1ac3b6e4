// The annotation tool: state word, control values and the image it annotates.
#include "tools/ui_illus.h"

#include "base/slog.h"

namespace {
bool s_open = false;
TkPoint s_last{-1, -1};
int s_state = ILLUS_SELECT;
IllusPointer s_pointer;
IllusControls s_controls;
}  // namespace

int ui_illus_curr_state() { return s_state; }
void ui_illus_set_state(int state) { s_state = state; }
IllusPointer& ui_illus_pointer() { return s_pointer; }

const IllusControls& ui_illus_controls() { return s_controls; }
void ui_illus_set_controls(const IllusControls& c) { s_controls = c; }
int ui_illus_curr_color() { return s_controls.color; }
int ui_illus_grid_spacing() { return s_controls.grid_spacing; }
int ui_illus_font_family() { return s_controls.font_family; }
int ui_illus_font_style() { return s_controls.font_style; }
int ui_illus_font_size() { return s_controls.font_size; }
int ui_illus_line_width() { return s_controls.line_width; }
int ui_illus_arrows() { return s_controls.arrows; }

void ui_illus_activate(TK_OBJ, TK_OBJ, IMG_DATA*) {
  s_open = true;
  SLOG("ui_illus_activate", SLOG_VALUE4, "%s", "open");
}

void ui_illus_end() {
  s_open = false;
  s_state = ILLUS_CLOSED;
}

int ui_illus_is_open() { return s_open ? 1 : 0; }

void ui_illus_mouse_event(void*, IMG_DATA*, TK_OBJ, TK_OBJ, TkPoint pt) {
  s_last = pt;
  SLOG("ui_illus_mouse_event", SLOG_VALUE4, "(%d,%d)", pt.x, pt.y);
}

void ui_illus_track_point(TkPoint pt) { s_last = pt; }

TkPoint ui_illus_last_point() { return s_last; }
