// The annotation tool (least form).
#include "tools/ui_illus.h"

#include "base/slog.h"

namespace {
bool s_open = false;
TkPoint s_last{-1, -1};
}  // namespace

void ui_illus_activate(TK_OBJ, TK_OBJ, IMG_DATA*) {
  s_open = true;
  SLOG("ui_illus_activate", SLOG_VALUE4, "%s", "open");
}

void ui_illus_end() { s_open = false; }

int ui_illus_is_open() { return s_open ? 1 : 0; }

void ui_illus_mouse_event(void*, IMG_DATA*, TK_OBJ, TK_OBJ, TkPoint pt) {
  s_last = pt;
  SLOG("ui_illus_mouse_event", SLOG_VALUE4, "(%d,%d)", pt.x, pt.y);
}

void ui_illus_track_point(TkPoint pt) { s_last = pt; }

TkPoint ui_illus_last_point() { return s_last; }
