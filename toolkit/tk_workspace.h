// Workspaces: a part of class "workspace" holds child windows, as a main window holds its
// document windows. A window placed in a workspace (WIN_SetWorkspace) lives inside it with its
// own title bar and close box (a close request reaches its procedure as for any window);
// WIN_Show shows it there and makes it the active child, and WIN_Terminate removes it. When a
// child window becomes the active one it receives TK_EV_FOCUS_IN. A window that ends also ends
// the child windows of its workspaces, each with its TK_EV_TERMINATE.
// Before the user makes an inactive child window active (a click on it, a key), the window gets
// TK_EV_ACTIVATE_WIN: when its procedure does not pass the event to the window default
// procedure, the window stays inactive (a click on it still reaches the part under the
// pointer). WS_Activate and WIN_Show are the program's own activations and are not asked.
#pragma once

#include "toolkit/tk_types.h"

void WIN_SetWorkspace(TK_OBJ win, TK_OBJ workspace);  // place a (hidden) window in the workspace
TK_OBJ WIN_GetWorkspace(TK_OBJ win);                   // the workspace holding the window, null if none
int WS_Count(TK_OBJ workspace);                        // child windows, in the order they were placed
TK_OBJ WS_Window(TK_OBJ workspace, int index);         // child window by that order, null out of range
TK_OBJ WS_ActiveWindow(TK_OBJ workspace);              // the active child window, null if none
void WS_Activate(TK_OBJ win);                          // bring a child window forward and activate it
// Arranging the child windows: cascaded from the top left, tiled to fill the workspace, or
// the minimised ones lined up along the bottom.
// The frame of a child window in its workspace's coordinates (empty when not in one).
TkRect WS_FrameRect(TK_OBJ win);
void WS_Cascade(TK_OBJ workspace);
void WS_Tile(TK_OBJ workspace);
void WS_ArrangeIcons(TK_OBJ workspace);
