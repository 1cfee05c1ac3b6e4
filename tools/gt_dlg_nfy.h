// Notify procedures that many dialogs share.
#pragma once

#include "toolkit/tk_types.h"

// A modal dialog's window: the close box ends the modal loop with 0.
long S_modal_winNfy(TK_OBJ win, int event);
// OK and Cancel of a modal dialog: activation ends the modal loop with 1 / 0.
long S_OK_PButNfy(TK_OBJ button, int event);
long S_Cancel_PButNfy(TK_OBJ button, int event);
// A toggle or value field whose value is read later: its activation is consumed.
long S_swallow_activateNfy(TK_OBJ w, int event);
// A text field whose text is read later: Enter (210) is consumed.
long S_swallow_textNfy(TK_OBJ field, int event);
