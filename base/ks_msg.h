// Messages and the status line. Messages are shown as modal boxes of five kinds through the
// base library's alert door (base/ks_alert.h); their numbered texts live in the string lists
// "StrL1" of the resource modules "ui_msg" and "gt_msg". The status line is a label of the main
// window. The toolkit installs the procedures that reach the resource file and the label
// (ks_msg_set_hooks); without them texts are missing and status texts are only kept.
#pragma once

#include "base/ks_alert.h"
#include "base/kstypes.h"

struct TkObject;  // a toolkit widget, opaque here

// Both switches are 0 for the whole run unless a test sets them. g_bSuppress: no box is shown
// (mh_send_msg returns 4) and no status text is set. g_bLogMH: every message and every
// suppressed status text is written to the trace log.
extern BOOL g_bSuppress;
extern BOOL g_bLogMH;

constexpr int KS_MSG_LEN = 1023;  // longest message or status text; longer texts are cut

// Formats the text and shows it as a box of the kind (KsAlertKind, 0..4); returns the answer
// (2 yes, 1 no or OK, 3 cancel), 4 when g_bSuppress is set, 0 for a kind outside 0..4.
int mh_send_msg(int kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Text `number` of "StrL1" of module "ui_msg"; "" when there is none (never null).
const char* ui_msg(long number);
// Text `number` of "StrL1" of module "gt_msg"; "VX: Message not found" when there is none.
const char* ks_gt_message(long number);
// Text `number` of string list "StrL1" of any module; null when there is none.
const char* ks_msg_text(const char* module, long number);

// Status line. `status` is the status label; update 1 has pending drawing done at once, so the
// text shows while a long operation keeps the event loop busy. All return 0.
int mh_status_message(TkObject* status, int update, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int mh_clear_status(TkObject* status, int update);
// Readout of an image window: "2:1  (10,20)  255" for zoom 2, "1:4  (x,y)  v" for zoom -4.
int mh_status_zoom(TkObject* status, long zoom, long x, long y, long value);
const char* mh_status_text();  // the last status text formatted (shown or suppressed)

// Date and time texts. ks_date: "08-DEC-26" (day, month, year - 2000); ks_time: "09:05".
// Both fill the caller's buffer (KS_DATE_LEN characters at least) and return it; a null
// buffer uses one program-wide buffer that the next call overwrites.
constexpr int KS_DATE_LEN = 16;
char* ks_date(char* buf);
char* ks_time(char* buf);

// The procedures the toolkit installs.
struct KsMsgHooks {
  // Text `number` of string list `list` of `module`, null when there is none.
  const char* (*get_string)(const char* module, const char* list, long number) = nullptr;
  // Sets the label text of a status widget.
  void (*set_label)(TkObject* status, const char* text) = nullptr;
  // Processes pending drawing at once.
  void (*flush)() = nullptr;
  // Local time for ks_date and ks_time (tests fix it); null: the system clock.
  void (*local_time)(int* year, int* month, int* day, int* hour, int* minute) = nullptr;
};
void ks_msg_set_hooks(const KsMsgHooks& hooks);
const KsMsgHooks& ks_msg_hooks();
