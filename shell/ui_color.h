// Colour choosers: a choice whose drop-down list offers the colour codes 0 to 10 of the drawing
// layer, each entry shown as a swatch of its colour with its name, and which shows the chosen
// colour as its own background.
#pragma once

#include "toolkit/tk_types.h"

constexpr int UI_COLOR_COUNT = 11;  // codes 0..10; the highlight code 11 is not offered

// The procedure a chooser calls, with its owning window, after the user picked a colour.
using UiColorProc = void (*)(TK_OBJ owner_window);

// Fills the choice with the eleven entries and their swatches and keeps `proc` for it.
void ui_color_init(TK_OBJ choice, UiColorProc proc);
short ui_color_get(TK_OBJ choice);  // the chosen code
// Chooses the code and paints the chooser in its colour (code 10 "None" shows gray); a code
// outside 0..10 keeps the chooser's colours.
void ui_color_set(TK_OBJ choice, int code);
// The chooser's notify procedure: a changed choice repaints the chooser, then runs its proc.
long ui_color_notify(TK_OBJ choice, int event);

// The swatch and text colours of an entry (code 0..10).
unsigned ui_color_swatch(int code);
unsigned ui_color_text(int code);
