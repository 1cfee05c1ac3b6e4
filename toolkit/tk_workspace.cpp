// Workspaces over Qt's multiple-document area: each child window is the inner widget of one
// sub-window of the area.
#include "toolkit/tk_workspace.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QScopedValueRollback>
#include <QWindow>
#include <memory>

#include "base/slog.h"
#include "toolkit/tk_qt.h"

namespace {

QMdiArea* area_of(TK_OBJ ws) {
  return tk::alive(ws) && ws->cls == TK_CLASS_WORKSPACE ? qobject_cast<QMdiArea*>(tk::widget(ws))
                                                        : nullptr;
}

QMdiSubWindow* sub_of(QWidget* w) {
  return w ? qobject_cast<QMdiSubWindow*>(w->parentWidget()) : nullptr;
}

// The live child windows of an area in the order they were placed.
QList<TK_OBJ> children_of(QMdiArea* area) {
  QList<TK_OBJ> out;
  if (!area) return out;
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    TK_OBJ win = tk::object_of(sub->widget());
    if (win && !win->terminating) out.push_back(win);
  }
  return out;
}

// Activation ---------------------------------------------------------------------------------
// The user's activation of a child window is offered to the window first (event 113). A press
// is looked at where the window system hands it to the top-level window, before Qt gives focus
// (which activates the sub-window); a refused one still reaches the part under the pointer, but
// as the program's own delivery, which moves no focus. Activations by other ways (keys, focus
// moved by code) are undone right after Qt made them.

bool s_programmatic = false;  // the program itself is activating a child window

// Offers the activation to the window; true when its procedure passed it to the default.
bool activation_allowed(TK_OBJ win) {
  if (!tk::alive(win) || win->terminating) return true;
  win->activation_ok = false;
  tk::deliver(win, TK_EV_ACTIVATE_WIN);
  return !tk::alive(win) || win->activation_ok;
}

// The child window of a workspace that holds the widget, null when none does.
QMdiSubWindow* workspace_sub_of(QWidget* w) {
  for (; w; w = w->parentWidget()) {
    auto* sub = qobject_cast<QMdiSubWindow*>(w);
    if (sub && area_of(tk::object_of(sub->mdiArea()))) return sub;
  }
  return nullptr;
}

class ActivationGate : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick)
      return false;
    auto* window = qobject_cast<QWindow*>(o);
    if (!window) return false;
    QWidget* top = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->windowHandle() == window) top = w;
    if (!top) return false;
    auto* me = static_cast<QMouseEvent*>(e);
    QWidget* hit = top->childAt(me->position().toPoint());
    QMdiSubWindow* sub = workspace_sub_of(hit);
    if (!sub || sub == sub->mdiArea()->activeSubWindow()) return false;
    if (activation_allowed(tk::object_of(sub->widget()))) return false;
    QMouseEvent copy(me->type(), hit->mapFrom(top, me->position()), me->globalPosition(),
                     me->button(), me->buttons(), me->modifiers());
    QCoreApplication::sendEvent(hit, &copy);
    return true;
  }
};

}  // namespace

namespace tk {

QWidget* make_workspace(TK_OBJ ws) {
  static ActivationGate* gate = nullptr;
  if (!gate) {
    gate = new ActivationGate;
    gate->setParent(qApp);
    qApp->installEventFilter(gate);
  }
  auto* area = new QMdiArea;
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto last = std::make_shared<QPointer<QMdiSubWindow>>();  // the child window active before
  QObject::connect(area, &QMdiArea::subWindowActivated, [ws, area, last](QMdiSubWindow* sub) {
    if (!sub || !tk::alive(ws)) return;
    TK_OBJ win = tk::object_of(sub->widget());
    if (!win || win->terminating) return;
    QMdiSubWindow* before = *last;
    if (!s_programmatic && before && before != sub && before->isVisible() &&
        !activation_allowed(win)) {
      // Refused: the window that was active becomes active again.
      area->setActiveSubWindow(before);
      return;
    }
    *last = sub;
    tk::deliver(win, TK_EV_FOCUS_IN);
  });
  return area;
}

bool show_in_workspace(QWidget* w) {
  QMdiSubWindow* sub = sub_of(w);
  if (!sub) return false;
  const QScopedValueRollback<bool> programmatic(s_programmatic, true);
  w->show();
  sub->show();
  sub->raise();
  if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
  return true;
}

QWidget* frame_of(QWidget* w) {
  if (QMdiSubWindow* sub = sub_of(w)) return sub;
  return w;
}

QRect room_of(QWidget* w) {
  if (QMdiSubWindow* sub = sub_of(w); sub && sub->mdiArea())
    return sub->mdiArea()->viewport()->rect();
  QScreen* screen = w ? w->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

void leave_workspace(QWidget* w) {
  if (QMdiSubWindow* sub = sub_of(w)) {
    sub->hide();
    sub->deleteLater();  // takes the window's widget with it
  }
}

}  // namespace tk

void WIN_SetWorkspace(TK_OBJ win, TK_OBJ workspace) {
  QWidget* w = tk::widget(win);
  QMdiArea* area = area_of(workspace);
  if (!w || !area || win->cls != TK_CLASS_WINDOW) {
    SLOG("WIN_SetWorkspace", SLOG_ERROR, "no window or no workspace");
    return;
  }
  const QSize size = w->size();
  QMdiSubWindow* sub = area->addSubWindow(w);
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  // The program's accelerators are the only keys: the sub-window's own (its menu's Close is
  // Ctrl+W) would make a key bound twice in the main window, which then fires neither.
  if (QMenu* menu = sub->systemMenu())
    for (QAction* a : menu->actions()) a->setShortcuts({});
  sub->resize(sub->sizeHint().expandedTo(size + (sub->size() - w->size())));
  sub->hide();
  win->workspace = workspace;
}

TK_OBJ WIN_GetWorkspace(TK_OBJ win) {
  return tk::alive(win) && tk::alive(win->workspace) ? win->workspace : nullptr;
}

int WS_Count(TK_OBJ workspace) { return static_cast<int>(children_of(area_of(workspace)).size()); }

TK_OBJ WS_Window(TK_OBJ workspace, int index) {
  const QList<TK_OBJ> kids = children_of(area_of(workspace));
  return index >= 0 && index < kids.size() ? kids[index] : nullptr;
}

TK_OBJ WS_ActiveWindow(TK_OBJ workspace) {
  QMdiArea* area = area_of(workspace);
  if (!area || !area->activeSubWindow()) return nullptr;
  TK_OBJ win = tk::object_of(area->activeSubWindow()->widget());
  return win && !win->terminating ? win : nullptr;
}

void WS_Activate(TK_OBJ win) {
  if (QWidget* w = tk::widget(win)) tk::show_in_workspace(w);
}

TkRect WS_FrameRect(TK_OBJ win) {
  QMdiSubWindow* sub = sub_of(tk::widget(win));
  if (!sub) return {};
  return {sub->x(), sub->y(), sub->width(), sub->height()};
}

void WS_Cascade(TK_OBJ workspace) {
  if (QMdiArea* area = area_of(workspace)) area->cascadeSubWindows();
}

void WS_Tile(TK_OBJ workspace) {
  if (QMdiArea* area = area_of(workspace)) area->tileSubWindows();
}

void WS_ArrangeIcons(TK_OBJ workspace) {
  QMdiArea* area = area_of(workspace);
  if (!area) return;
  int x = 0;
  const int bottom = area->viewport()->height();
  for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isMinimized()) continue;
    const QSize size = sub->size();
    sub->move(x, bottom - size.height());
    x += size.width();
  }
}
