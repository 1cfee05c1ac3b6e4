// Types shared by every family of the toolkit. Everything the system's code touches is a
// TK_OBJ: a window, a part of a window (widget), a menu, a pen or a font. Objects are made by
// the toolkit (WIN_Load, RES_LoadFont, PEN_New) and are valid until their window is terminated.
// None of the toolkit headers includes Qt; the Qt side lives in the .cpp files and tk_qt.h.
#pragma once

#include <cstdint>

struct TkObject;
using TK_OBJ = TkObject*;

// A notify procedure: receives every event of the object it is attached to (RES_SetNfy) and
// returns what the class default returns. Details of the event being delivered are read with
// the EVENT_ getters while the procedure runs. Events it does not pass on to the class default
// (WIN_DefaultNfy, WGT_DefaultNfy, ...) lose their standard behaviour.
using TkNfy = long (*)(TK_OBJ obj, int event);

struct TkRect {
  int x = 0, y = 0, w = 0, h = 0;
};

struct TkPoint {
  int x = 0, y = 0;
};

// Widget classes, as the resource file names them (in brackets).
enum TkClass : int {
  TK_CLASS_NONE = 0,
  TK_CLASS_WINDOW,    // window: a top-level window or dialog
  TK_CLASS_GROUP,     // group: a container of parts with its own layout, optionally framed
  TK_CLASS_BUTTON,    // button: push button
  TK_CLASS_TOGGLE,    // toggle: check box, value 0 or 1
  TK_CLASS_RADIO,     // radio: radio group, value = index of the chosen button
  TK_CLASS_FIELD,     // field: one-line text field
  TK_CLASS_TEXT,      // text: multi-line text
  TK_CLASS_LABEL,     // label: static text
  TK_CLASS_CHOICE,    // choice: drop-down list, value = chosen index
  TK_CLASS_LIST,      // list: list box, value = chosen row or -1
  TK_CLASS_SLIDER,    // slider: value between min and max
  TK_CLASS_VALUE,     // value: numeric field with arrows
  TK_CLASS_AREA,      // area: drawing area with a backing image and scrolling
  TK_CLASS_MENU,      // a menu bar or pull-down menu
  TK_CLASS_PEN,       // a pen of the drawing family
  TK_CLASS_FONT,      // a font loaded from the resource file
  TK_CLASS_WORKSPACE, // workspace: an area that holds child windows (WIN_SetWorkspace)
};
