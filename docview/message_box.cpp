#include "docview/message_box.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>
#include <cstdio>

namespace docview {

namespace {
MessageBoxProc g_proc = nullptr;
}

MessageBoxProc SetMessageBoxProc(MessageBoxProc proc) {
  MessageBoxProc old = g_proc;
  g_proc = proc;
  return old;
}

int AfxMessageBox(const std::string& text, unsigned type, unsigned) {
  if (g_proc) return g_proc(text, type);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return IDOK;
  }
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  switch (type & 0xF) {
    case MB_OKCANCEL:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case MB_YESNOCANCEL:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
    case MB_YESNO:
      buttons = QMessageBox::Yes | QMessageBox::No;
      break;
    default:
      break;
  }
  QString title = QCoreApplication::applicationName();
  QMessageBox box(QMessageBox::Warning, title, QString::fromUtf8(text.c_str()), buttons);
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    default:
      return IDOK;
  }
}

}  // namespace docview
