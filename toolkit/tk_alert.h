// Alerts: modal message boxes of the five kinds the system uses, each returning its answer
// code. TK_InstallBaseHooks makes ALERT_Show the base library's alert procedure.
#pragma once

// Kinds (as in base/ks_alert.h) and their answers:
//   0 error, OK button                      -> 1
//   1 information, OK button                -> 1
//   2 question Yes / No                     -> 2 Yes, 1 No (closing the box: 1)
//   3 question Yes / No / Cancel            -> 2 Yes, 1 No, 3 Cancel (closing the box: 3)
//   4 warning, OK button                    -> 1
// A kind outside 0..4 shows nothing and returns 0.
int ALERT_Show(int kind, const char* text);
int ALERT_NewError(const char* text);        // error alert (kind 0); returns 1
void ALERT_SetTitle(const char* title);      // title of every alert box (default "vx")
