// Saving the text of a multi-line text widget (a report) as a plain text file.
#pragma once

#include "toolkit/tk_types.h"

// Asks for a file ("denstmty.txt") and writes the widget's whole text into it, unchanged. An
// existing file is replaced only after a yes to ui_msg 270 and only once the new text is wholly
// written; a failed write shows ui_msg 243 and keeps the old file.
void ui_text_save_as(TK_OBJ text_widget, const char* folder);
