// Events: the numeric event codes that notify procedures receive, the event loop, and the
// getters for the details of the event being delivered (valid inside a notify procedure).
#pragma once

#include <functional>

#include "toolkit/tk_types.h"

enum TkEventCode : int {
  TK_EV_CREATE = 0,        // the window was made (delivered by WIN_Init)
  TK_EV_ENTER = 101,       // pointer entered a part
  TK_EV_MOTION = 102,      // pointer moved over a drawing area (EVENT_GetButtonState: 1 held, 0 none)
  TK_EV_LEAVE = 103,       // pointer left a part
  TK_EV_MOUSE = 104,       // mouse button pressed (button state 1) or released (0)
  TK_EV_WINDOW = 106,      // window event or key: EVENT_GetWinCode says which
  TK_EV_TEXT_CHANGED = 108,  // the text of a field or multi-line text changed
  TK_EV_EXPOSE = 109,      // a drawing area must redraw its backing image
  TK_EV_RESIZE = 110,      // a window or drawing area changed size
  TK_EV_SCROLL = 111,      // a drawing area scrolled
  TK_EV_ACTIVATE_WIN = 113,  // the user is about to activate a workspace window: the window
                             // default procedure lets it; a procedure that does not call it refuses
  TK_EV_DEACTIVATE_WIN = 114,  // a window stopped being the active window
  TK_EV_FOCUS_OUT = 115,   // keyboard focus left a field
  TK_EV_FOCUS_IN = 116,    // keyboard focus entered a field
  TK_EV_ACTIVATE = 150,    // a part was activated (button pressed, toggle changed, slider moved)
  TK_EV_MENU_OPEN = 158,   // a pull-down menu is about to open (sent to the menu)
  TK_EV_TERMINATE = 171,   // the window is going away (inside WIN_Terminate, exactly once)
  TK_EV_CHOICE = 172,      // the entry of a choice (drop-down) changed
  TK_EV_CHOICE_OPEN = 173, // a choice's list is about to open or be stepped through (entries' state)
  TK_EV_MENU_CHOICE = 194, // a menu entry was chosen (sent to the window; EVENT_GetMenuId)
  TK_EV_TEXT = 210,        // Enter in a one-line field
  TK_EV_LIST_PICK = 212,   // a list row was chosen (double click or Enter activates)
};

// Sub-codes of TK_EV_WINDOW (EVENT_GetWinCode): the close request and the keys.
enum TkWinCode : int {
  TK_WIN_CHAR = 1,         // a printable character: EVENT_GetKeyChar
  TK_WIN_CLOSE = 3,        // the user asked to close the window (close box)
  TK_WIN_DELETE = 4,       // Delete
  TK_WIN_BACKSPACE = 5,    // Backspace
  TK_WIN_INSERT = 11,      // Insert
  TK_WIN_RETURN = 12,      // Return or Enter
  TK_WIN_ESCAPE = 13,      // Escape
  TK_WIN_LEFT = 20,        // arrow keys
  TK_WIN_RIGHT = 21,
  TK_WIN_UP = 22,
  TK_WIN_DOWN = 23,
  TK_WIN_KP_DELETE = 30,   // Delete on the keypad
  TK_WIN_KP_INSERT = 31,   // Insert on the keypad
  TK_WIN_OTHER_KEY = 99,   // any other key
};

// Modifier bits of EVENT_GetKeyState.
enum TkKeyState : int {
  TK_MOD_CTRL = 4,
  TK_MOD_SHIFT = 8,
  TK_MOD_ALT = 16,
};

void EVENT_MainLoop();                 // run the application loop until the last window ends
void EVENT_Quit();                     // end EVENT_MainLoop
void EVENT_Wait(int ms);               // process events for ms milliseconds, then return
void EVENT_Flush();
// Processes events for ms milliseconds, as EVENT_Wait does, and tells how the wait ended: 1 the
// time passed, 0 the application was told to quit meanwhile (its loops, the main loop too, then
// end as the quit asks).
int EVENT_WaitPumping(int ms);
// Input suspension: while on, the windows open now take no input; windows opened meanwhile (a
// device's settings dialog) do. Calls nest: input comes back when every "on" has had its "off".
void TK_SuspendInput(int on);
// Runs fn on the user-interface thread when it next processes events (also inside a wait or a
// modal loop). May be called from any thread.
void TK_PostToMain(std::function<void()> fn);
// Runs fn on the user-interface thread once ms milliseconds have passed, when it processes
// events; nothing runs once the application has ended. From the user-interface thread only.
void TK_After(int ms, std::function<void()> fn);                    // process pending events and paint pending drawing now

int EVENT_GetWinCode();                // sub-code of the TK_EV_WINDOW event being delivered
int EVENT_GetKeyChar();                // the character of a TK_WIN_CHAR key event
int EVENT_GetKeyState();               // modifier bits (TkKeyState) of the current event
int EVENT_GetButtonState();            // 1 while a button is down (press, drag), 0 on release
int EVENT_IsPrimaryButton();           // 1 when the event's button is the primary (left) one
int EVENT_IsDoubleClick();             // 1 when the press is the second press of a double click
TkPoint EVENT_GetPos();                // pointer position in the part's widget coordinates
long EVENT_GetMenuId();                // command identifier of a TK_EV_MENU_CHOICE event
TK_OBJ EVENT_GetMenu();                // the menu of a TK_EV_MENU_OPEN event
