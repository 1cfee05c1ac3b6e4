// Windows and the resource file. The resource file ("gt.dat" beside the executable) holds, per
// module, window layouts, menu bars, string lists and fonts (format: resources/README.md).
// A window is built from its layout by WIN_Load; its parts are reached by the index the layout
// gives them (RES_GetSub), and those indexes are a contract with the code that uses the window.
#pragma once

#include "toolkit/tk_types.h"

// Resource file --------------------------------------------------------------------------
// Loading adds the file's modules to those loaded; a file with an error, or one that defines a
// window, menu bar, font or string again, adds nothing and gives 0 (the reason is traced).
int RES_OpenFile(const char* module, const char* path);  // load a resource file (module: its alias); 1 / 0
int RES_OpenText(const char* text);                      // load resource text; 1 / 0
void RES_CloseAll();                                     // forget every loaded module
const char* RES_GetString(const char* module, const char* list, long number);  // text, null if none
long RES_GetStringCount(const char* module, const char* list);  // highest number in the list, 0 if none
TK_OBJ RES_LoadFont(const char* module, const char* name);      // font of the module, null if none
int RES_HasWindow(const char* module, const char* window);      // 1 when the layout exists

// Any object ------------------------------------------------------------------------------
TK_OBJ RES_GetSub(TK_OBJ obj, int index);                // part with that index, null if none
void RES_SetNfy(TK_OBJ obj, TkNfy proc);                 // attach the notify procedure (null: class default)
TkNfy RES_GetNfy(TK_OBJ obj);                            // the attached procedure, null if none
void RES_SetData(TK_OBJ obj, void* data);                // client data of the object
void* RES_GetData(TK_OBJ obj);                           // client data, null when none
TK_OBJ RES_GetOwnerWindow(TK_OBJ obj);                   // the window that holds a part (a window: itself)
int RES_GetClass(TK_OBJ obj);                            // TkClass of the object
int RES_GetIndex(TK_OBJ obj);                            // index of a part in its window, -1 for a window
const char* RES_GetName(TK_OBJ obj);                     // layout name: window name, or part name if given
long RES_Send(TK_OBJ obj, int event);                    // deliver an event to the object's procedure

// Windows ---------------------------------------------------------------------------------
TK_OBJ WIN_Load(const char* module, const char* window); // build a window (hidden); null + trace if missing
void WIN_Init(TK_OBJ win);                               // finish set-up; delivers TK_EV_CREATE
void WIN_Show(TK_OBJ win);                               // show and raise the window
void WIN_Hide(TK_OBJ win);                               // hide the window without ending it
void WIN_SetTitle(TK_OBJ win, const char* title);        // title bar text
const char* WIN_GetTitle(TK_OBJ win);                    // title bar text
void WIN_SetOwner(TK_OBJ win, TK_OBJ owner);             // owning window (stays above it)
TK_OBJ WIN_GetOwner(TK_OBJ win);                         // owning window, null if none
void WIN_SetAutoDispose(TK_OBJ win, int on);             // release the window's objects when it ends (always so here)
// Ends the window: delivers TK_EV_TERMINATE to its procedure once (synchronously), ends a modal
// loop running on it with 0, and releases the window and its parts. Safe on a window that is
// already ending (does nothing).
void WIN_Terminate(TK_OBJ win);
long WIN_DoModal(TK_OBJ win);                            // show modally; returns the WIN_EndModal value
void WIN_EndModal(TK_OBJ win, long value);               // end the modal loop of the window with value
// Class default of windows. A close request (TK_EV_WINDOW, TK_WIN_CLOSE) does nothing more here:
// the window's procedure decides (a window without a procedure is terminated). TK_EV_TERMINATE
// handed to the default outside WIN_Terminate ends the window.
long WIN_DefaultNfy(TK_OBJ win, int event);
void* WIN_GetNativeHandle(TK_OBJ win);                   // the platform's window identifier
TK_OBJ WIN_GetMenuBar(TK_OBJ win);                       // the window's menu bar, null if none
int WIN_IsShown(TK_OBJ win);                             // 1 while the window is visible

// Placement, in whole screen pixels -----------------------------------------------------------
void WIN_GetScreenSize(int* w, int* h);                  // available screen size
TkRect WIN_GetRect(TK_OBJ win);                          // position of the frame, size of the client area
int WIN_HasFrame(TK_OBJ win);                            // 1 when the window has a border and title bar
void WIN_Move(TK_OBJ win, int x, int y);                 // move the window
void WIN_MoveSize(TK_OBJ win, int x, int y, int w, int h);  // move and size (w, h: outer size, frame included)
// Position and outer size of the frame, as WIN_MoveSize takes them; a window not shown yet and
// never sized reports the size it will be shown at.
TkRect WIN_GetOuterRect(TK_OBJ win);
