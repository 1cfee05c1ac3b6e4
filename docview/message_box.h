// Message boxes of the framework. A program with a widget application shows a modal box; a test
// (or a program without one) installs its own procedure, which receives the text and the style
// and returns the answer, so nothing waits for a person.
#pragma once

#include <string>

namespace docview {

// Button sets of a message box and its answers.
enum : unsigned { MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageBoxProc = int (*)(const std::string& text, unsigned type);

// Shows `text` with the buttons of `type`; returns the button pressed. Without a procedure and
// without a widget application the text goes to the standard error stream and the answer is IDOK.
int AfxMessageBox(const std::string& text, unsigned type = MB_OK, unsigned help_context = 0);

// Installs the procedure that shows message boxes (null restores the default); returns the
// previous one.
MessageBoxProc SetMessageBoxProc(MessageBoxProc proc);

}  // namespace docview
