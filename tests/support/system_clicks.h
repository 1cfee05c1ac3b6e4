// Mouse clicks delivered through the window system, as a user's mouse delivers them, so that a
// window the system holds blocked (behind a modal one) drops them. For GUI test programs, which
// link Qt's test library.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include "toolkit/tk_qt.h"

namespace vxtest {

// Clicks the middle of a part of a shown window.
inline void system_click(TK_OBJ part) {
  QWidget* p = tk::widget(part);
  if (!p) return;
  QWidget* top = p->window();
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    p->mapTo(top, p->rect().center()));
}

// Clicks the window's first menu title; true when its pull-down opened (it is closed again).
inline bool menu_opens_on_click(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  auto* bar = w ? w->findChild<QMenuBar*>() : nullptr;
  if (!bar || bar->actions().isEmpty()) return false;
  QAction* first = bar->actions()[0];
  QWidget* top = bar->window();
  const QPoint at = bar->mapTo(top, bar->actionGeometry(first).center());
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
  const bool open = QTest::qWaitFor([first] { return first->menu()->isVisible(); }, 2000);
  first->menu()->hide();
  return open;
}

}  // namespace vxtest
