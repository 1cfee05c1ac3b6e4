// Start and end of the toolkit, and the hooks it installs into the base library.
#include <QApplication>
#include <QLayout>
#include <QSessionManager>
#include <QCoreApplication>
#include <clocale>

#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "toolkit/tk_alert.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_choose.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

void set_label(TkObject* status, const char* text) { WGT_SetLabel(status, text); }

void window_rect(TkObject* win, int* x, int* y, int* w, int* h, BOOL* framed) {
  // The layout is settled first, so that a window not yet shown reports the size it will be
  // shown at (at least what its parts need) rather than the size it was given.
  if (QWidget* q = tk::widget(win); q && q->layout()) q->layout()->activate();
  TkRect r = WIN_GetRect(win);
  *x = r.x;
  *y = r.y;
  *w = r.w;
  *h = r.h;
  *framed = WIN_HasFrame(win);
}

void move_window(TkObject* win, int x, int y, int w, int h) {
  if (w >= 0 && h >= 0)
    WIN_MoveSize(win, x, y, w, h);
  else
    WIN_Move(win, x, y);
}

std::string s_install_dir;

}  // namespace

void TK_Init(int* argc, char** argv) {
  if (!QApplication::instance()) {
    static int s_argc = argc ? *argc : 0;
    new QApplication(argc ? *argc : s_argc, argv);
  }
  std::setlocale(LC_NUMERIC, "C");
  s_install_dir = QCoreApplication::applicationDirPath().toStdString();
  TK_InstallBaseHooks();
}

void TK_Terminate() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (TK_OBJ win = tk::object_of(w); win && win->cls == TK_CLASS_WINDOW) WIN_Terminate(win);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  RES_CloseAll();
}

void TK_InstallBaseHooks() {
  ks_alert_set_proc(ALERT_Show);
  KsMsgHooks m = ks_msg_hooks();
  m.get_string = RES_GetString;
  m.set_label = set_label;
  m.flush = EVENT_Flush;
  ks_msg_set_hooks(m);
  KsChooseHooks c;
  c.open_files = CHOOSE_OpenFiles;
  c.choose_folder = CHOOSE_Folder;
  c.screen_size = WIN_GetScreenSize;
  c.window_rect = window_rect;
  c.move_window = move_window;
  ks_choose_set_hooks(c);
}

const char* TK_GetInstallDir() { return s_install_dir.c_str(); }

namespace {
TkShutdownHook s_shutdown_hook = nullptr;
QMetaObject::Connection s_shutdown_connection;
}  // namespace

void TK_SetShutdownHook(TkShutdownHook hook) {
  s_shutdown_hook = hook;
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app || s_shutdown_connection) return;
  s_shutdown_connection =
      QObject::connect(app, &QGuiApplication::commitDataRequest, [](QSessionManager& manager) {
        if (s_shutdown_hook && !s_shutdown_hook() && manager.allowsInteraction()) manager.cancel();
      });
}

TkShutdownHook TK_GetShutdownHook() { return s_shutdown_hook; }
