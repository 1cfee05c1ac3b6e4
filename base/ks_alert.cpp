#include "base/ks_alert.h"

namespace {
KsAlertProc s_alert_proc = nullptr;
std::string s_last_text;
int s_last_kind = -1;
long s_count = 0;
thread_local std::vector<KsAlertNote>* t_sink = nullptr;
}  // namespace

int ks_alert_show(int kind, const char* text) {
  if (t_sink) {
    t_sink->push_back({kind, text ? text : ""});
    return 1;
  }
  s_last_text = text ? text : "";
  s_last_kind = kind;
  ++s_count;
  if (s_alert_proc) return s_alert_proc(kind, s_last_text.c_str());
  return 1;
}

KsAlertProc ks_alert_set_proc(KsAlertProc proc) {
  KsAlertProc old = s_alert_proc;
  s_alert_proc = proc;
  return old;
}

const std::string& ks_alert_last_text() { return s_last_text; }
int ks_alert_last_kind() { return s_last_kind; }
long ks_alert_count() { return s_count; }

std::vector<KsAlertNote>* ks_alert_defer(std::vector<KsAlertNote>* sink) {
  std::vector<KsAlertNote>* old = t_sink;
  t_sink = sink;
  return old;
}
