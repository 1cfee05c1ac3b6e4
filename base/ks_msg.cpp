#include "base/ks_msg.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/slog.h"

BOOL g_bSuppress = FALSE;
BOOL g_bLogMH = FALSE;

namespace {

KsMsgHooks s_hooks;
char s_msg_buf[KS_MSG_LEN + 1];
char s_status_buf[KS_MSG_LEN + 1];
char s_date_buf[KS_DATE_LEN];

const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Hands a text to the trace log's out-log entry point.
void out_log(const char* text) { OutLogLog("", "%s", text); }

// Copies a short text into a caller's buffer of KS_DATE_LEN characters.
void copy_cut(char* dst, const char* src) {
  std::size_t n = std::strlen(src);
  if (n >= static_cast<std::size_t>(KS_DATE_LEN)) n = KS_DATE_LEN - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void now(int* year, int* month, int* day, int* hour, int* minute) {
  if (s_hooks.local_time) {
    s_hooks.local_time(year, month, day, hour, minute);
    return;
  }
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  *year = tm.tm_year + 1900;
  *month = tm.tm_mon + 1;
  *day = tm.tm_mday;
  *hour = tm.tm_hour;
  *minute = tm.tm_min;
}

void show_status(TkObject* status, int update) {
  if (!g_bSuppress) {
    if (s_hooks.set_label) s_hooks.set_label(status, s_status_buf);
    if (update == 1 && s_hooks.flush) s_hooks.flush();
  } else if (g_bLogMH) {
    out_log(s_status_buf);
  }
}

}  // namespace

void ks_msg_set_hooks(const KsMsgHooks& hooks) { s_hooks = hooks; }
const KsMsgHooks& ks_msg_hooks() { return s_hooks; }

int mh_send_msg(int kind, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(s_msg_buf, sizeof s_msg_buf, format ? format : "", ap);
  va_end(ap);
  if (g_bLogMH) out_log(s_msg_buf);
  if (g_bSuppress) return 4;
  if (kind < KS_ALERT_ERROR || kind > KS_ALERT_OTHER) return 0;
  return ks_alert_show(kind, s_msg_buf);
}

const char* ks_msg_text(const char* module, long number) {
  if (!s_hooks.get_string || !module) return nullptr;
  return s_hooks.get_string(module, "StrL1", number);
}

const char* ui_msg(long number) {
  const char* t = ks_msg_text("ui_msg", number);
  if (!t) {
    SLOG("ui_msg", SLOG_WARN, "msg %ld not found", number);
    return "";
  }
  return t;
}

const char* ks_gt_message(long number) {
  const char* t = ks_msg_text("gt_msg", number);
  if (!t) {
    SLOG("gt_get_message", SLOG_WARN, "msg not found");
    return "VX: Message not found";
  }
  return t;
}

int mh_status_message(TkObject* status, int update, const char* format, ...) {
  SLOG("mh_status_message", SLOG_ENTRY, "update %d, g_bSuppress %d, g_bLogMH %d", update,
       g_bSuppress, g_bLogMH);
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(s_status_buf, sizeof s_status_buf, format ? format : "", ap);
  va_end(ap);
  show_status(status, update);
  SLOG("mh_status_message", SLOG_EXIT, "0");
  return 0;
}

int mh_clear_status(TkObject* status, int update) {
  s_status_buf[0] = '\0';
  if (!g_bSuppress) {
    if (s_hooks.set_label) s_hooks.set_label(status, "");
    if (update == 1 && s_hooks.flush) s_hooks.flush();
  }
  return 0;
}

int mh_status_zoom(TkObject* status, long zoom, long x, long y, long value) {
  if (zoom > 0)
    std::snprintf(s_status_buf, sizeof s_status_buf, "%ld:1  (%ld,%ld)  %ld", zoom, x, y, value);
  else
    std::snprintf(s_status_buf, sizeof s_status_buf, "1:%ld  (%ld,%ld)  %ld", -zoom, x, y, value);
  show_status(status, 0);
  return 0;
}

const char* mh_status_text() { return s_status_buf; }

char* ks_date(char* buf) {
  if (!buf) buf = s_date_buf;
  int year, month, day, hour, minute;
  now(&year, &month, &day, &hour, &minute);
  const char* mon = month >= 1 && month <= 12 ? kMonths[month - 1] : "???";
  char text[64];
  std::snprintf(text, sizeof text, "%02d-%3s-%02d", day, mon, year - 2000);
  copy_cut(buf, text);
  return buf;
}

char* ks_time(char* buf) {
  static char s_time_buf[KS_DATE_LEN];
  if (!buf) buf = s_time_buf;
  int year, month, day, hour, minute;
  now(&year, &month, &day, &hour, &minute);
  char text[64];
  std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
  copy_cut(buf, text);
  return buf;
}
