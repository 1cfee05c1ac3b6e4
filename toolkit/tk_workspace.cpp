// Workspaces over Qt's multiple-document area: each child window is the inner widget of one
// sub-window of the area.
#include "toolkit/tk_workspace.h"

#include <QAction>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>
#include <QMdiSubWindow>

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

}  // namespace

namespace tk {

QWidget* make_workspace(TK_OBJ ws) {
  auto* area = new QMdiArea;
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  QObject::connect(area, &QMdiArea::subWindowActivated, [ws](QMdiSubWindow* sub) {
    if (!sub || !tk::alive(ws)) return;
    if (TK_OBJ win = tk::object_of(sub->widget()); win && !win->terminating)
      tk::deliver(win, TK_EV_FOCUS_IN);
  });
  return area;
}

bool show_in_workspace(QWidget* w) {
  QMdiSubWindow* sub = sub_of(w);
  if (!sub) return false;
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
