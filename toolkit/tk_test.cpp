// The test driver.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <cmath>
#include <deque>

#include "toolkit/tk_area.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

struct ChooserAnswer {
  std::vector<std::string> paths;
  int filter = -1;
};

bool s_on = false;
std::deque<int> s_alerts;
std::deque<ChooserAnswer> s_choosers;
TktChooser s_last_chooser;
int s_unanswered = 0;
std::string s_last_alert;
int s_last_kind = -1;
int s_screen_w = 0, s_screen_h = 0;
bool s_image_map = false;
int s_zoom = 1;
double s_scale = 1.0;

// Image pixels to viewport pixels: divide by the scale, apply the zoom, less the scroll.
QPoint to_viewport(TK_OBJ area, int x, int y) {
  if (!s_image_map) return {x, y};
  const double f = s_zoom > 0 ? s_zoom : -1.0 / s_zoom;
  const TkRect vis = CANVAS_GetVisible(area);
  return {static_cast<int>(std::trunc(std::trunc(x / s_scale) * f)) - vis.x,
          static_cast<int>(std::trunc(std::trunc(y / s_scale) * f)) - vis.y};
}

void send_mouse(TK_OBJ area, QEvent::Type type, int x, int y, Qt::MouseButton button,
                Qt::MouseButtons held, int mods) {
  TkArea* a = tk::area(area);
  if (!a) return;
  const QPoint p = to_viewport(area, x, y);
  Qt::KeyboardModifiers m;
  if (mods & TK_MOD_CTRL) m |= Qt::ControlModifier;
  if (mods & TK_MOD_SHIFT) m |= Qt::ShiftModifier;
  if (mods & TK_MOD_ALT) m |= Qt::AltModifier;
  QMouseEvent ev(type, QPointF(p), a->viewport()->mapToGlobal(QPointF(p)), button, held, m);
  QCoreApplication::sendEvent(a->viewport(), &ev);
}

}  // namespace

namespace tk {

bool driver_on() { return s_on; }

bool take_alert_answer(int* code) {
  if (s_alerts.empty()) return false;
  *code = s_alerts.front();
  s_alerts.pop_front();
  return true;
}

bool take_chooser_answer(std::vector<std::string>* paths, int* filter_index) {
  if (s_choosers.empty()) return false;
  *paths = s_choosers.front().paths;
  *filter_index = s_choosers.front().filter;
  s_choosers.pop_front();
  return true;
}

void note_unanswered() { ++s_unanswered; }

void note_chooser(const std::string& caption, bool save, bool must_exist, const std::string& folder) {
  s_last_chooser = TktChooser{caption, save, must_exist, folder};
}

void note_alert(int kind, const char* text) {
  s_last_kind = kind;
  s_last_alert = text ? text : "";
}

bool screen_override(int* w, int* h) {
  if (s_screen_w <= 0 || s_screen_h <= 0) return false;
  *w = s_screen_w;
  *h = s_screen_h;
  return true;
}

}  // namespace tk

void TKT_Enable(bool on) {
  s_on = on;
  s_alerts.clear();
  s_choosers.clear();
  s_last_chooser = TktChooser{};
  s_unanswered = 0;
}

TK_OBJ TKT_FindWindow(const char* module, const char* window) {
  if (!module || !window) return nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    TK_OBJ o = tk::object_of(w);
    if (o && o->cls == TK_CLASS_WINDOW && !o->terminating && o->module == module &&
        o->name == window)
      return o;
  }
  return nullptr;
}

long TKT_Send(TK_OBJ obj, int event, int code) {
  TkEventState st;
  st.win_code = code;
  return tk::deliver(obj, event, st);
}

void TKT_Click(TK_OBJ button) {
  if (auto* b = qobject_cast<QAbstractButton*>(tk::widget(button))) b->click();
}

void TKT_Close(TK_OBJ win) {
  if (QWidget* w = tk::widget(win)) w->close();
}

void TKT_Type(TK_OBJ field, const char* text, bool enter) {
  QWidget* w = tk::widget(field);
  if (!w) return;
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(e, &del);
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    t->selectAll();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(t, &del);
  }
  for (QChar c : tk::qs(text)) {
    QKeyEvent ev(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(w, &ev);
  }
  if (enter) {
    QKeyEvent ev(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
  }
}

void TKT_Pick(TK_OBJ obj, int index) {
  QWidget* w = tk::widget(obj);
  if (!w) return;
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    // As the user does: the list opens first (its procedure sets the entries' state), and an
    // entry that is greyed out cannot be chosen.
    tk::deliver(obj, TK_EV_CHOICE_OPEN);
    if (!CHOICE_IsItemEnabled(obj, index)) return;
    c->setCurrentIndex(index);
    emit c->activated(index);
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    l->setCurrentRow(index);
  } else if (auto* g = w->findChild<QButtonGroup*>()) {
    if (QAbstractButton* b = g->button(index)) b->click();
  }
}

bool TKT_BoundKey(TK_OBJ win, const char* key_text) {
  QWidget* w = tk::widget(win);
  if (!w) return false;
  const QKeySequence seq(tk::qs(key_text));
  for (QShortcut* sc : w->findChildren<QShortcut*>()) {
    if (sc->key() != seq) continue;
    // A modal dialog takes every key of the windows under it.
    if (QApplication::activeModalWidget() == nullptr && sc->isEnabled()) emit sc->activated();
    return true;
  }
  return false;
}

void tk::send_key(QWidget* w, int key, int mods) {
  if (!w) return;
  Qt::KeyboardModifiers m;
  if (mods & TK_MOD_CTRL) m |= Qt::ControlModifier;
  if (mods & TK_MOD_SHIFT) m |= Qt::ShiftModifier;
  if (mods & TK_MOD_ALT) m |= Qt::AltModifier;
  // The text a keyboard gives: the character, or a control character with Control held.
  QString text = key >= 0x20 && key < 0x7F ? QString(QChar(key)) : QString();
  if (!(mods & TK_MOD_SHIFT)) text = text.toLower();
  if ((mods & TK_MOD_CTRL) && key >= Qt::Key_A && key <= Qt::Key_Z)
    text = QString(QChar(key - Qt::Key_A + 1));
  QKeyEvent ev(QEvent::KeyPress, key, m, text);
  // A part whose keys go to an inner widget (a table in its group) gets them there.
  QCoreApplication::sendEvent(w->focusProxy() ? w->focusProxy() : w, &ev);
}

void TKT_Key(TK_OBJ obj, int key, int mods) { tk::send_key(tk::widget(obj), key, mods); }

void TKT_KeyAtFocus(TK_OBJ win, int key, int mods) {
  QWidget* w = tk::widget(win);
  if (!w) return;
  // Activating a window without a focus part moves the focus to its first part that takes it.
  if (!w->isActiveWindow()) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
  }
  QWidget* f = w->focusWidget();
  tk::send_key(f ? f : w, key, mods);
}

TK_OBJ TKT_ActiveWindow() {
  QWidget* w = QApplication::activeWindow();
  return w ? tk::object_of(w) : nullptr;
}

void TKT_Press(TK_OBJ area, int x, int y, bool primary, int mods) {
  const Qt::MouseButton b = primary ? Qt::LeftButton : Qt::RightButton;
  send_mouse(area, QEvent::MouseButtonPress, x, y, b, b, mods);
}

void TKT_Drag(TK_OBJ area, int x, int y, int mods) {
  send_mouse(area, QEvent::MouseMove, x, y, Qt::NoButton, Qt::LeftButton, mods);
}

void TKT_Move(TK_OBJ area, int x, int y, int mods) {
  send_mouse(area, QEvent::MouseMove, x, y, Qt::NoButton, Qt::NoButton, mods);
}

void TKT_Release(TK_OBJ area, int x, int y, bool primary, int mods) {
  const Qt::MouseButton b = primary ? Qt::LeftButton : Qt::RightButton;
  send_mouse(area, QEvent::MouseButtonRelease, x, y, b, Qt::NoButton, mods);
}

void TKT_DoubleClick(TK_OBJ area, int x, int y, int mods) {
  send_mouse(area, QEvent::MouseButtonDblClick, x, y, Qt::LeftButton, Qt::LeftButton, mods);
}

void TKT_SetImageMapping(bool on, int zoom, double scale) {
  s_image_map = on;
  s_zoom = zoom == 0 ? 1 : zoom;
  s_scale = scale > 0 ? scale : 1.0;
}

void TKT_AnswerAlert(int code) { s_alerts.push_back(code); }

void TKT_AnswerChooser(const std::vector<std::string>& paths, int filter_index) {
  s_choosers.push_back({paths, filter_index});
}

int TKT_Unanswered() { return s_unanswered; }
const TktChooser& TKT_LastChooser() { return s_last_chooser; }
const std::string& TKT_LastAlertText() { return s_last_alert; }
int TKT_LastAlertKind() { return s_last_kind; }

void TKT_SetScreenSize(int w, int h) {
  s_screen_w = w;
  s_screen_h = h;
}

bool TKT_Grab(TK_OBJ win, const char* png_path) {
  QWidget* w = tk::widget(win);
  if (!w || !png_path) return false;
  return w->grab().save(tk::qs(png_path), "PNG");
}

namespace {

QMenuBar* bar_of(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  return w ? w->findChild<QMenuBar*>() : nullptr;
}

void collect(QMenu* m, std::vector<long>* out) {
  for (QAction* a : m->actions()) {
    if (a->menu()) {
      collect(a->menu(), out);
    } else if (!a->isSeparator() && a->property("tk_id").isValid()) {
      out->push_back(static_cast<long>(a->property("tk_id").toLongLong()));
    }
  }
}

QAction* action_of(QMenu* m, long id) {
  for (QAction* a : m->actions()) {
    if (a->property("tk_id").isValid() && a->property("tk_id").toLongLong() == id) return a;
    if (a->menu())
      if (QAction* f = action_of(a->menu(), id)) return f;
  }
  return nullptr;
}

QMenu* menu_numbered(TK_OBJ win, int number) {
  if (!tk::alive(win)) return nullptr;
  for (auto& [k, o] : win->subs)
    if (o->cls == TK_CLASS_MENU && o->qmenu && o->number == number) return o->qmenu;
  return nullptr;
}

}  // namespace

std::vector<long> TKT_MenuCommands(TK_OBJ win) {
  std::vector<long> ids;
  if (QMenuBar* bar = bar_of(win))
    for (QAction* a : bar->actions())
      if (a->menu()) collect(a->menu(), &ids);
  return ids;
}

bool TKT_OpenMenu(TK_OBJ win, int number) {
  QMenu* m = menu_numbered(win, number);
  if (!m) return false;
  emit m->aboutToShow();
  return true;
}

std::vector<std::string> TKT_MenuTitles(TK_OBJ win) {
  std::vector<std::string> out;
  if (QMenuBar* bar = bar_of(win))
    for (QAction* top : bar->actions())
      if (top->menu()) out.push_back(top->text().toStdString());
  return out;
}

TktMenuEntry TKT_MenuEntry(TK_OBJ win, long id) {
  TktMenuEntry e;
  QMenuBar* bar = bar_of(win);
  QAction* a = nullptr;
  if (bar)
    for (QAction* top : bar->actions())
      if (top->menu() && (a = action_of(top->menu(), id)) != nullptr) break;
  if (!a) return e;
  e.found = true;
  e.enabled = a->isEnabled();
  e.visible = a->isVisible();
  e.label = a->text().section('\t', 0, 0).toStdString();
  e.key = a->text().section('\t', 1).toStdString();
  return e;
}

bool TKT_ChooseMenu(TK_OBJ win, long id) {
  QMenuBar* bar = bar_of(win);
  QAction* a = nullptr;
  if (bar)
    for (QAction* top : bar->actions())
      if (top->menu() && (a = action_of(top->menu(), id)) != nullptr) break;
  if (!a || !a->isEnabled() || !a->isVisible()) return false;
  a->trigger();
  return true;
}

bool TKT_GrabMenu(TK_OBJ win, int number, const char* png_path) {
  QMenu* m = menu_numbered(win, number);
  if (!m || !png_path) return false;
  emit m->aboutToShow();
  m->adjustSize();
  m->ensurePolished();
  return m->grab().save(tk::qs(png_path), "PNG");
}

long TKT_KeyCommand(TK_OBJ win, const char* key_text, int* bindings) {
  QWidget* w = tk::widget(win);
  long id = 0;
  int n = 0;
  if (w) {
    const QKeySequence seq(tk::qs(key_text));
    for (QShortcut* sc : w->findChildren<QShortcut*>())
      if (sc->key() == seq) {
        ++n;
        id = static_cast<long>(sc->property("tk_id").toLongLong());
      }
  }
  if (bindings) *bindings = n;
  return id;
}
