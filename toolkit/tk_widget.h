// Widgets: the parts of a window. Values are numbers (toggle 0/1, radio and choice index, list
// row, slider and value field number); texts are the label of a button or label, the contents of
// a field or multi-line text, the chosen entry of a choice or list.
#pragma once

#include "toolkit/tk_types.h"

// A checkable button's value is 1 while it is pressed in.
long WGT_GetValue(TK_OBJ w);                        // numeric value of the widget
void WGT_SetValue(TK_OBJ w, long value);            // set the value (no event is sent)
int WGT_GetInt(TK_OBJ w);                           // value as int (slider, value field, number in a field)
short WGT_GetShort(TK_OBJ w);                       // value as a 16-bit number
const char* WGT_GetText(TK_OBJ w);                  // text; valid until the next call; null for no text
void WGT_SetText(TK_OBJ w, const char* text);       // replace the text of a field or multi-line text
void WGT_SetLabel(TK_OBJ w, const char* text);      // label of a button, toggle, label or window title
void WGT_SetChoice(TK_OBJ w, int index);            // choose entry index of a choice, list or radio group
int WGT_GetChoice(TK_OBJ w);                        // chosen entry, -1 when none
void WGT_SetItems(TK_OBJ w, const char* const* items, int n);  // replace the entries of a choice, list or radio group
void WGT_SetRange(TK_OBJ w, long min, long max);    // range of a slider or value field
void WGT_Enable(TK_OBJ w, int on);                  // enable (1) or grey out (0)
int WGT_IsEnabled(TK_OBJ w);                        // 1 when enabled, 0 when greyed out or none
void WGT_Show(TK_OBJ w, int on);                    // show (1) or hide (0)
void WGT_SetTooltip(TK_OBJ w, const char* text);    // tooltip text
const char* WGT_GetTooltip(TK_OBJ w);               // tooltip text; valid until the next call
int WGT_IsShown(TK_OBJ w);                          // 1 unless the part was hidden
void WGT_Redraw(TK_OBJ w);                          // repaint now (a drawing area is exposed: 109)
TkRect WGT_GetRect(TK_OBJ w);                       // position in its window and size
TkRect WGT_GetScreenRect(TK_OBJ w);                 // position on the screen and size
// Pointer shape over a part: stock pointers 0 arrow, 1 cross, 2 text beam, 3 wait, 4 hand;
// other numbers give the arrow. WGT_GetPointer: the number set last, -1 when none was set.
void WGT_SetPointer(TK_OBJ w, int stock);
void WGT_SetFont(TK_OBJ w, TK_OBJ font);            // the font of a widget's own text (RES_LoadFont)
// Moves the mouse pointer to a point of the widget (a drawing area: of its viewport); the
// platform may refuse.
void WGT_MovePointer(TK_OBJ w, int x, int y);
int WGT_GetPointer(TK_OBJ w);
// Shows a picture file (PNG, BMP, JPEG, XPM) in a label; 1 when it was read, 0 otherwise.
int WGT_SetPicture(TK_OBJ label, const char* path);

// Class default procedures: the standard behaviour of a class for an event. A notify procedure
// hands the events it does not handle to the default of its class; the numbered names are the
// defaults of particular classes and all behave as WGT_DefaultNfy for their class.
long WGT_DefaultNfy(TK_OBJ w, int event);           // default of any widget (dispatches by class)
long WGT_DefaultNfy2(TK_OBJ w, int event);          // slider default
long WGT_DefaultNfy3(TK_OBJ w, int event);          // toolbar button default
long WGT_DefaultNfy4(TK_OBJ w, int event);          // choice default
long WGT_DefaultNfy5(TK_OBJ w, int event);          // drawing area default
long WGT_DefaultNfy6(TK_OBJ w, int event);          // text field default
long WGT_DefaultNfy7(TK_OBJ w, int event);          // list default
long WGT_DefaultNfy8(TK_OBJ w, int event);          // chart default (CHART_DefaultNfy on a chart)

// Multi-line text and lists ----------------------------------------------------------------
const char* TEXT_GetText(TK_OBJ w);                 // whole text of a multi-line text
void TEXT_Clear(TK_OBJ w);                          // empty it
void TEXT_Insert(TK_OBJ w, const char* text);       // insert at the insertion point
void TEXT_SetInsertPos(TK_OBJ w, long pos);         // insertion point as a character offset (-1: end)
// Entries of a choice that cannot be chosen (greyed out in its list); all are enabled at first.
void CHOICE_EnableItem(TK_OBJ choice, int index, int on);
int CHOICE_IsItemEnabled(TK_OBJ choice, int index);  // 1 when enabled, 0 when not or no such entry
int LIST_Count(TK_OBJ w);                           // number of entries of a list or choice
const char* LIST_Item(TK_OBJ w, int index);         // text of an entry, null when out of range
