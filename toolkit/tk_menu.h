// Menus. A menu bar is built from the resource file with the window that names it. Entries are
// addressed by choosing one (MENU_SelectItem, by command identifier, searched through the
// pull-downs too) and then acting on the chosen entry. Choosing an entry sends
// TK_EV_MENU_CHOICE to the window (EVENT_GetMenuId); a pull-down gets TK_EV_MENU_OPEN just
// before it opens. Accelerators work while the window is active.
#pragma once

#include <string>

#include "toolkit/core/tk_menu_text.h"  // MENU_Literal, for entries named by the user
#include "toolkit/tk_types.h"

int MENU_SelectItem(TK_OBJ menu, long id);            // choose the entry with that id; 1 found, 0 not
TK_OBJ MENU_GetTop(TK_OBJ bar, int number);           // top-level pull-down by its number, null if none
TK_OBJ MENU_GetSubmenu(TK_OBJ menu);                  // pull-down of the chosen entry, null if none
void MENU_EnableItem(TK_OBJ menu, int on);            // enable or grey out the chosen entry
void MENU_CheckItem(TK_OBJ menu, int on);             // tick (1) or untick (0) the chosen entry
void MENU_SetItemText(TK_OBJ menu, const char* text); // label of the chosen entry
const char* MENU_GetItemText(TK_OBJ menu);            // label of the chosen entry, null if none chosen
void MENU_SetItemKey(TK_OBJ menu, int key, int mods, int ch);  // accelerator: key code, TkKeyState bits, character
void MENU_SetItemKeyText(TK_OBJ menu, const char* text);       // accelerator text shown in the entry
void MENU_RemoveItem(TK_OBJ menu);                    // remove the chosen entry
void MENU_ShowItem(TK_OBJ menu, int on);              // show (1) or hide (0) the chosen entry
int MENU_IsItemEnabled(TK_OBJ menu);                  // 1 when the chosen entry is enabled and shown
long MENU_AddItem(TK_OBJ menu, long id, const char* text);     // append an entry; returns id
// Inserts an entry in the pull-down just before the entry before_id (at the end when the
// pull-down has no such entry); returns id.
long MENU_InsertItem(TK_OBJ menu, long before_id, long id, const char* text);
long MENU_DefaultNfy(TK_OBJ menu, int event);         // class default of menus

// A key bound on a window apart from its menus ("Ctrl+O", "F1"): pressing it while the window,
// or one of the windows in its workspace, is active calls proc (window, id). A dialog or tool
// window of its own that has the focus keeps the key. 1 bound, 0 not (unknown key text).
using TkKeyProc = void (*)(TK_OBJ win, long id);
int WIN_BindKey(TK_OBJ win, const char* key_text, long id, TkKeyProc proc);
