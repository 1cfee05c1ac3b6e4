#include "toolkit/tk_roles.h"

#include "toolkit/tk_event.h"
#include "toolkit/tk_widget.h"

int NDVGM_Op414() { return EVENT_IsPrimaryButton() ? 1 : 0; }
int NDVGM_Op403() { return EVENT_GetKeyState(); }
void NDVGM_Op462(TK_OBJ) {}
void NDVGM_Op467() {}
void WIN_Op1630(TK_OBJ, int) {}
int NDVGM_Op112(int stock) { return stock; }
void NDVGM_Op1474(TK_OBJ w, int pointer) { WGT_SetPointer(w, pointer); }
void NDTKIT_Op472(TK_OBJ list, const char* text) {
  if (list && text) WGT_SetText(list, text);
}
