// The owner window and application title handed over by the main program at start-up.
#include "twain/tik_app.h"

#include <cstdio>

#include "base/slog.h"
#include "twain/twain_ops.h"

namespace {
void* s_app_window = nullptr;
char s_app_title[64] = "";
void* s_scan_main_window = nullptr;
}  // namespace

BOOL tik_set_app_window(void* native_handle, const char* title) {
  s_app_window = native_handle;
  std::snprintf(s_app_title, sizeof s_app_title, "%s", title ? title : "");
  SLOG("tik_set_app_window", SLOG_VALUE4, "title <%s>", s_app_title);
  TWAIN_SetAppTitle(s_app_title);
  return TRUE;
}

void scan_set_main_window(void* native_handle) { s_scan_main_window = native_handle; }

void* tik_get_app_window() { return s_app_window; }
const char* tik_get_app_title() { return s_app_title; }
void* scan_get_main_window() { return s_scan_main_window; }
