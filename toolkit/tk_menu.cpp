// Menu bars built from the resource file, and the operations on a chosen entry.
#include <QAction>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <functional>

#include "base/slog.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_resfile.h"

// The parsed modules live in tk_core.cpp; menus reach them through this lookup.
const ResNode* tk_find_menubar(const std::string& module, const std::string& bar);

namespace {

constexpr const char* kId = "tk_id";

TK_OBJ menu_object(TK_OBJ win, QMenu* m, int number) {
  TK_OBJ o = tk::new_object(TK_CLASS_MENU);
  o->qmenu = m;
  o->number = number;
  o->window = win;
  o->module = win->module;
  // Pull-downs are held by the window record so that they go with it.
  int key = -1000 - static_cast<int>(win->subs.size());
  while (win->subs.count(key)) --key;
  win->subs[key] = o;
  QObject::connect(m, &QMenu::aboutToShow, [o] {
    TkEventState st;
    st.menu = o;
    tk::deliver(o, TK_EV_MENU_OPEN, st);
  });
  return o;
}

void fill_menu(TK_OBJ win, QMenu* menu, const ResNode& node) {
  for (const ResNode& st : node.block) {
    const std::string& k = st.args[0];
    if (k == "separator") {
      menu->addSeparator();
    } else if (k == "item") {
      const long id = std::atol(st.args[1].c_str());
      QAction* a = menu->addAction(QString::fromStdString(st.args[2]));
      a->setProperty(kId, QVariant::fromValue(static_cast<qlonglong>(id)));
      for (std::size_t i = 3; i + 1 < st.args.size(); ++i)
        if (st.args[i] == "key") a->setShortcut(QKeySequence(QString::fromStdString(st.args[i + 1])));
      a->setShortcutContext(Qt::WindowShortcut);
      // Actions with shortcuts must belong to the window for the keys to work.
      if (QWidget* w = tk::widget(win)) w->addAction(a);
      QObject::connect(a, &QAction::triggered, [win, id] {
        TkEventState ev;
        ev.menu_id = id;
        tk::deliver(win, TK_EV_MENU_CHOICE, ev);
      });
    } else if (k == "menu") {
      QMenu* sub = menu->addMenu(QString::fromStdString(st.args[2]));
      // A nested pull-down's number is its entry's identifier (MENU_SelectItem, MENU_GetSubmenu).
      sub->menuAction()->setProperty(kId, QVariant::fromValue(std::atoll(st.args[1].c_str())));
      menu_object(win, sub, std::atoi(st.args[1].c_str()));
      fill_menu(win, sub, st);
    }
  }
}

QAction* find_action(QMenu* m, long id) {
  for (QAction* a : m->actions()) {
    if (a->property(kId).isValid() && a->property(kId).toLongLong() == id) return a;
    if (a->menu()) {
      if (QAction* f = find_action(a->menu(), id)) return f;
    }
  }
  return nullptr;
}

QAction* find_in(TK_OBJ menu, long id) {
  if (menu->qmenu) return find_action(menu->qmenu, id);
  if (menu->qbar)
    for (QAction* a : menu->qbar->actions())
      if (a->menu())
        if (QAction* f = find_action(a->menu(), id)) return f;
  return nullptr;
}

QAction* chosen(TK_OBJ menu) {
  return tk::alive(menu) && menu->cls == TK_CLASS_MENU ? menu->chosen : nullptr;
}

}  // namespace

namespace tk {

TK_OBJ build_menubar(TK_OBJ win, const std::string& module, const std::string& bar) {
  const ResNode* node = tk_find_menubar(module, bar);
  QWidget* w = widget(win);
  if (!node || !w) {
    SLOG("WIN_Load", SLOG_ERROR, "menu bar <%s> of module <%s> missing", bar.c_str(),
         module.c_str());
    return nullptr;
  }
  auto* qbar = new QMenuBar(w);
  if (w->layout()) w->layout()->setMenuBar(qbar);
  TK_OBJ o = new_object(TK_CLASS_MENU);
  o->qbar = qbar;
  o->window = win;
  o->module = module;
  o->name = bar;
  win->subs[-1] = o;
  for (const ResNode& st : node->block) {
    if (st.args[0] != "menu") continue;
    QMenu* m = qbar->addMenu(QString::fromStdString(st.args[2]));
    menu_object(win, m, std::atoi(st.args[1].c_str()));
    fill_menu(win, m, st);
  }
  return o;
}

}  // namespace tk

int MENU_SelectItem(TK_OBJ menu, long id) {
  if (!tk::alive(menu) || menu->cls != TK_CLASS_MENU) return 0;
  menu->chosen = find_in(menu, id);
  return menu->chosen ? 1 : 0;
}

TK_OBJ MENU_GetTop(TK_OBJ bar, int number) {
  if (!tk::alive(bar) || !bar->qbar) return nullptr;
  for (auto& [k, o] : bar->window->subs)
    if (o->cls == TK_CLASS_MENU && o->qmenu && o->number == number &&
        o->qmenu->menuAction() && bar->qbar->actions().contains(o->qmenu->menuAction()))
      return o;
  return nullptr;
}

TK_OBJ MENU_GetSubmenu(TK_OBJ menu) {
  QAction* a = chosen(menu);
  if (!a) return nullptr;
  // The chosen entry may itself name a pull-down: find the pull-down whose action it is.
  for (auto& [k, o] : menu->window->subs)
    if (o->cls == TK_CLASS_MENU && o->qmenu && o->qmenu->menuAction() == a) return o;
  return nullptr;
}

void MENU_EnableItem(TK_OBJ menu, int on) {
  if (QAction* a = chosen(menu)) a->setEnabled(on != 0);
}

void MENU_CheckItem(TK_OBJ menu, int on) {
  if (QAction* a = chosen(menu)) {
    a->setCheckable(true);
    a->setChecked(on != 0);
  }
}

void MENU_SetItemText(TK_OBJ menu, const char* text) {
  if (QAction* a = chosen(menu)) a->setText(tk::qs(text));
}

const char* MENU_GetItemText(TK_OBJ menu) {
  QAction* a = chosen(menu);
  if (!a) return nullptr;
  menu->text = a->text().toStdString();
  return menu->text.c_str();
}

void MENU_SetItemKey(TK_OBJ menu, int key, int mods, int ch) {
  QAction* a = chosen(menu);
  if (!a) return;
  int k = 0;
  switch (key) {
    case TK_WIN_DELETE: k = Qt::Key_Delete; break;
    case TK_WIN_INSERT: k = Qt::Key_Insert; break;
    case TK_WIN_BACKSPACE: k = Qt::Key_Backspace; break;
    case TK_WIN_RETURN: k = Qt::Key_Return; break;
    case TK_WIN_ESCAPE: k = Qt::Key_Escape; break;
    default: k = QChar(ch).toUpper().unicode(); break;
  }
  int m = 0;
  if (mods & TK_MOD_CTRL) m |= Qt::ControlModifier;
  if (mods & TK_MOD_SHIFT) m |= Qt::ShiftModifier;
  if (mods & TK_MOD_ALT) m |= Qt::AltModifier;
  a->setShortcut(QKeySequence(k | m));
}

void MENU_SetItemKeyText(TK_OBJ menu, const char* text) {
  // The key text is shown after a tab in the entry's label.
  QAction* a = chosen(menu);
  if (!a) return;
  QString label = a->text().section('\t', 0, 0);
  if (text && *text) label += '\t' + tk::qs(text);
  a->setText(label);
}

void MENU_ShowItem(TK_OBJ menu, int on) {
  if (QAction* a = chosen(menu)) a->setVisible(on != 0);
}

int MENU_IsItemEnabled(TK_OBJ menu) {
  QAction* a = chosen(menu);
  return a && a->isEnabled() && a->isVisible() ? 1 : 0;
}

void MENU_RemoveItem(TK_OBJ menu) {
  QAction* a = chosen(menu);
  if (!a) return;
  menu->chosen = nullptr;
  if (auto* m = qobject_cast<QMenu*>(a->parent())) m->removeAction(a);
  for (QObject* o : a->associatedObjects())
    if (auto* w = qobject_cast<QWidget*>(o)) w->removeAction(a);
  a->deleteLater();
}

long MENU_AddItem(TK_OBJ menu, long id, const char* text) {
  return MENU_InsertItem(menu, 0, id, text);
}

long MENU_InsertItem(TK_OBJ menu, long before_id, long id, const char* text) {
  if (!tk::alive(menu) || !menu->qmenu) return 0;
  TK_OBJ win = menu->window;
  QAction* before = nullptr;
  if (before_id != 0)
    for (QAction* b : menu->qmenu->actions())
      if (b->property(kId).toLongLong() == before_id) before = b;
  auto* a = new QAction(tk::qs(text), menu->qmenu);
  menu->qmenu->insertAction(before, a);
  a->setProperty(kId, QVariant::fromValue(static_cast<qlonglong>(id)));
  QObject::connect(a, &QAction::triggered, [win, id] {
    TkEventState ev;
    ev.menu_id = id;
    tk::deliver(win, TK_EV_MENU_CHOICE, ev);
  });
  return id;
}

long MENU_DefaultNfy(TK_OBJ, int) { return 0; }

int WIN_BindKey(TK_OBJ win, const char* key_text, long id, TkKeyProc proc) {
  QWidget* w = tk::widget(win);
  const QKeySequence seq(tk::qs(key_text));
  if (!w || seq.isEmpty() || proc == nullptr) return 0;
  // A window shortcut is live only while its own top-level window is active, so a dialog or
  // tool window with the focus keeps its keys (Ctrl-C and Ctrl-V copy and paste there).
  auto* sc = new QShortcut(seq, w);
  sc->setContext(Qt::WindowShortcut);
  sc->setProperty(kId, QVariant::fromValue(static_cast<qlonglong>(id)));
  QObject::connect(sc, &QShortcut::activated, [win, id, proc] {
    if (tk::alive(win)) proc(win, id);
  });
  return 1;
}
