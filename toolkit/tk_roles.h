// Small toolkit calls that the band and lane tools use at fixed places: which button a press
// came from, the modifier keys, pointer shapes for dragging, and a list that shows its picked
// row. Some have nothing to do on this platform and are kept so the tools read the same.
#pragma once

#include "toolkit/tk_types.h"

int NDVGM_Op414();                  // 1 when the current press is the left (primary) button
int NDVGM_Op403();                  // the current event's modifier bits; 8 is Shift
void NDVGM_Op462(TK_OBJ w);         // after tracking the pointer: nothing to release here
void NDVGM_Op467();                 // after a tool step: nothing to flush here
void WIN_Op1630(TK_OBJ win, int on);  // a tool window's extra style: none here
// Stock pointer shapes: 24 the drag (four arrows), 11 the placing cross; others as WGT_SetPointer.
int NDVGM_Op112(int stock);
void NDVGM_Op1474(TK_OBJ w, int pointer);  // sets the part's pointer shape
void NDTKIT_Op472(TK_OBJ list, const char* text);  // shows text as the list's chosen text
