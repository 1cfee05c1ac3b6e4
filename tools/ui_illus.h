// The annotation tool, in its least form: it keeps whether it is open and the last point and
// event it was given; the annotation window itself comes with the annotation tool.
#pragma once

#include "model/img_info.h"
#include "toolkit/tk_types.h"

void ui_illus_activate(TK_OBJ owner, TK_OBJ widget, IMG_DATA* disp);
void ui_illus_end();
int ui_illus_is_open();
// A press on the image while annotating.
void ui_illus_mouse_event(void* handle, IMG_DATA* disp, TK_OBJ widget, TK_OBJ status, TkPoint pt);
// The pointer's image point while annotating.
void ui_illus_track_point(TkPoint pt);
TkPoint ui_illus_last_point();
