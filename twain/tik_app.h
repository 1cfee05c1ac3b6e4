// The acquisition layer's link to the main program: the main window's native handle (owner of
// the scanner and camera windows and of the device's own dialogs) and the application title
// that the scanner layer reports to the devices.
#pragma once

#include "base/kstypes.h"

// Keeps the owner window's native handle and the application title (cut to 63 characters).
// Returns TRUE.
BOOL tik_set_app_window(void* native_handle, const char* title);
// Keeps the main window's native handle for the scanner and camera windows.
void scan_set_main_window(void* native_handle);

// What was handed over (null and "" before).
void* tik_get_app_window();
const char* tik_get_app_title();
void* scan_get_main_window();
