// The result windows of the image tools and the annotation tool, in their least form: each
// entry point keeps what it was given (traced), so that the image tools can hand over their
// line or rectangle; the windows themselves come with their own tools.
#pragma once

#include <string>

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// What a result window was last asked for, and how many times.
struct UiResultCall {
  int calls = 0;
  TkPoint start, end;
  std::string path;
};

// Line profile of the line from start to end of the image file at path.
void ui_prof_activate(TK_OBJ owner, const char* path, TkPoint start, TkPoint end, const char* folder);
// Surface plot of the rectangle with corners start and end.
void ui_plot_activate(TK_OBJ owner, const char* path, TkPoint start, TkPoint end, const char* folder);
// Histogram of the rectangle with corners start and end of the image.
void ui_hist_activate(TK_OBJ owner, IMAGE_REC* image, TkPoint start, TkPoint end, const char* folder);
// Client data of a result window, freed when the window ends.
struct UiResultData {
  virtual ~UiResultData() = default;
};
// The window procedure of the result windows: the close box ends the window, and its end frees
// the window's client data (a UiResultData).
long ui_result_winNfy(TK_OBJ win, int event);
// Keeps a call: counts it, remembers the points and path, traces it under the caller's name.
void ui_result_note(UiResultCall* call, const char* fn, const char* path, TkPoint start, TkPoint end);
const UiResultCall& ui_prof_last();
const UiResultCall& ui_plot_last();
const UiResultCall& ui_hist_last();
