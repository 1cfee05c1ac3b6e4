// Test driver: drives windows the way a user would, without a person. Tests find a window by
// module and window name, send events to its parts, type into fields, pick entries, press and
// drag in drawing areas, answer alerts and choosers from a queue, and grab pictures as PNG.
// With the driver on (TKT_Enable), an alert or chooser that finds no queued answer is closed
// at once as cancelled and counted (TKT_Unanswered), so a test never waits for a person.
#pragma once

#include <string>
#include <vector>

#include "toolkit/tk_types.h"

void TKT_Enable(bool on);                             // driver mode on or off (clears the queues)
TK_OBJ TKT_FindWindow(const char* module, const char* window);  // an open window, null if none
long TKT_Send(TK_OBJ obj, int event, int code = 0);   // deliver an event (code: window sub-code)
void TKT_Click(TK_OBJ button);                        // press a button or toggle as the user does
void TKT_Close(TK_OBJ win);                           // use the close box of a window
void TKT_Type(TK_OBJ field, const char* text, bool enter = false);  // replace the text by typing
// Chooses an entry of a list, choice or radio group. A choice first gets its opening event (173)
// and a disabled entry is then not chosen.
void TKT_Pick(TK_OBJ w, int index);
void TKT_Key(TK_OBJ w, int key, int mods = 0);        // a Qt key code pressed on a part
// A key pressed right after the window came up: the window is activated as a window system
// activates it, and the key goes to the part that then has the keyboard focus (else the window).
void TKT_KeyAtFocus(TK_OBJ win, int key, int mods = 0);
// The window that has the keyboard focus now (null when none has it).
TK_OBJ TKT_ActiveWindow();
// The titles of the menu bar's pull-downs, in order, with their mnemonic marks ("&File").
std::vector<std::string> TKT_MenuTitles(TK_OBJ win);
// A key bound with WIN_BindKey pressed as the user does ("Ctrl+O"): it reaches the window only
// while no modal dialog is open. false when the window has no such key.
bool TKT_BoundKey(TK_OBJ win, const char* key_text);

// Mouse in a drawing area. Points are viewport pixels; with TKT_SetImageMapping they are image
// pixels mapped to the viewport by zoom, scale and the current scroll position.
void TKT_Press(TK_OBJ area, int x, int y, bool primary = true, int mods = 0);
void TKT_Drag(TK_OBJ area, int x, int y, int mods = 0);
void TKT_Move(TK_OBJ area, int x, int y, int mods = 0);  // the pointer moves with no button held
void TKT_Release(TK_OBJ area, int x, int y, bool primary = true, int mods = 0);
void TKT_DoubleClick(TK_OBJ area, int x, int y, int mods = 0);
void TKT_SetImageMapping(bool on, int zoom = 1, double scale = 1.0);

// Queued answers, used in order: an alert takes the next answer code (1, 2 or 3); a chooser
// takes the next list of paths (empty: cancel) and, for open-file dialogs, a filter index.
void TKT_AnswerAlert(int code);
void TKT_AnswerChooser(const std::vector<std::string>& paths, int filter_index = -1);
int TKT_Unanswered();                                 // alerts and choosers closed for want of an answer
// The last file chooser opened while the driver was on: its caption, whether it was the save
// form, whether it took only existing files, and the folder it showed.
struct TktChooser {
  std::string caption;
  bool save = false;
  bool must_exist = false;
  std::string folder;
};
const TktChooser& TKT_LastChooser();
// Shows the print dialog as the program prepares it, picks each of its printers in turn (the
// print-to-file entry among them) and counts the times a part of Qt's own output file field
// was visible or enabled (-1 when the dialog has no such field or no printer list).
int TKT_PrintDialogFileFields();
const std::string& TKT_LastAlertText();               // text of the last alert shown
int TKT_LastAlertKind();                              // kind of the last alert shown

// Menus of a window's menu bar. Every entry that sends a command, in menu order (pull-down
// entries and separators left out); opening a pull-down (top-level by number, nested by its
// entry's number) as the user does, which runs its opening procedure; an entry's state; and a
// picture of an opened pull-down.
std::vector<long> TKT_MenuCommands(TK_OBJ win);
bool TKT_OpenMenu(TK_OBJ win, int number);
struct TktMenuEntry {
  bool found = false, enabled = false, visible = false;
  std::string label;  // without the key text
  std::string key;    // the key text shown after the label
};
TktMenuEntry TKT_MenuEntry(TK_OBJ win, long id);
// The entry chosen as the user does; false when it is missing, disabled or hidden.
bool TKT_ChooseMenu(TK_OBJ win, long id);
bool TKT_GrabMenu(TK_OBJ win, int number, const char* png_path);
// The command bound to a key with WIN_BindKey (0 when none), and how many bindings it has.
long TKT_KeyCommand(TK_OBJ win, const char* key_text, int* bindings = nullptr);

void TKT_SetScreenSize(int w, int h);                 // fixed screen size for placement (0, 0: the real one)
bool TKT_Grab(TK_OBJ win, const char* png_path);      // picture of a window or part as PNG
