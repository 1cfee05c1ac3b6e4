// The base library's one door to the user interface. The base layer has no GUI of its own: the
// GUI toolkit installs its alert procedure at start-up; until then (and in tests without a GUI)
// alerts are only recorded, so callers never block.
#pragma once

#include <string>
#include <vector>

// Message box kinds: 0 error alert, 1 information alert, 2 two-way question (2 affirmative,
// 1 negative), 3 three-way question (2 affirmative, 1 negative, 3 cancel), 4 a further alert kind.
enum KsAlertKind : int {
  KS_ALERT_ERROR = 0,
  KS_ALERT_INFO = 1,
  KS_ALERT_YESNO = 2,
  KS_ALERT_YESNOCANCEL = 3,
  KS_ALERT_OTHER = 4,
};

using KsAlertProc = int (*)(int kind, const char* text);

// Shows an alert through the installed procedure and returns its answer. Without a procedure
// the alert is recorded (ks_alert_last_text) and the answer is 1 (the negative, or OK).
int ks_alert_show(int kind, const char* text);

// Installs the alert procedure (null removes it); returns the previous one.
KsAlertProc ks_alert_set_proc(KsAlertProc proc);

// The text and kind of the last alert shown or recorded, and how many there were (for tests
// and for the trace log).
const std::string& ks_alert_last_text();
int ks_alert_last_kind();
long ks_alert_count();

// An alert kept instead of shown (see ks_alert_defer).
struct KsAlertNote {
  int kind;
  std::string text;
};
// While a sink is set on a thread, alerts raised on that thread are appended to it instead of
// shown or recorded, and answered with 1: a worker thread must not open a window, so the thread
// that started it shows them afterwards. Null ends the deferral. Returns the thread's previous
// sink.
std::vector<KsAlertNote>* ks_alert_defer(std::vector<KsAlertNote>* sink);
