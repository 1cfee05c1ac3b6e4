#include "docview/wait_cursor.h"

#include <QtGui/QCursor>
#include <QtGui/QGuiApplication>

namespace docview {

CWaitCursor::CWaitCursor() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    shown_ = true;
  }
}

CWaitCursor::~CWaitCursor() {
  if (shown_ && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace docview
