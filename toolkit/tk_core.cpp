// Objects, event delivery, the resource file and windows.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWindow>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "base/ks_choose.h"
#include "base/slog.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_gone.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_resfile.h"
#include "toolkit/tk_widget.h"

namespace {

// Kept on the heap for the whole run: widgets destroyed at exit still look objects up here.
std::unordered_set<TkObject*>& s_live = *new std::unordered_set<TkObject*>;
std::vector<TkEventState> s_events;
std::map<std::string, ResModule> s_modules;
std::map<std::string, TkObject*> s_fonts;  // "module/name" -> font (kept for the run)
bool s_in_main_loop = false;

// Choice widget: tells its procedure that its list is about to be used (173) before the list
// opens and before a wheel turn or key steps through it, so the procedure can set which entries
// are enabled for the current state; disabled entries cannot be chosen.
class TkChoiceWidget : public QComboBox {
 public:
  void showPopup() override {
    announce();
    QComboBox::showPopup();
  }

 protected:
  void wheelEvent(QWheelEvent* e) override {
    announce();
    QComboBox::wheelEvent(e);
  }
  void keyPressEvent(QKeyEvent* e) override {
    announce();
    QComboBox::keyPressEvent(e);
  }

 private:
  void announce() {
    if (TK_OBJ obj = tk::object_of(this)) tk::deliver(obj, TK_EV_CHOICE_OPEN);
  }
};

// One-line field: Return is the text event (210) of the field's procedure. A procedure that
// returns non-zero for it keeps the key; otherwise the key goes on to the window, whose dialog
// takes it as its OK.
class TkFieldWidget : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) {
      QLineEdit::keyPressEvent(e);
      return;
    }
    const QPointer<QLineEdit> self(this);
    const long r = tk::deliver(tk::object_of(this), TK_EV_TEXT);
    e->setAccepted(!self || r != 0);
  }
};

// Top-level window widget: the close box becomes a close request (106, code 3) for the
// window's procedure, and keys that no part took become key events of the window.
class TkWindowWidget : public QWidget {
 public:
  TkWindowWidget() : QWidget(nullptr, Qt::Window) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    TK_OBJ win = tk::object_of(this);
    if (!win || win->terminating) return;
    TkEventState st;
    st.win_code = TK_WIN_CLOSE;
    tk::deliver(win, TK_EV_WINDOW, st);
  }
  void keyPressEvent(QKeyEvent* e) override {
    TK_OBJ win = tk::object_of(this);
    if (!win) return;
    TkEventState st;
    st.win_code = tk::key_to_code(e->key(), e->modifiers(), e->text(), &st.key_char);
    st.key_state = tk::modifiers_to_state(e->modifiers());
    tk::deliver(win, TK_EV_WINDOW, st);
    if (tk::alive(win) && !win->terminating) dialog_key(win, e);
  }

 private:
  // Escape and Return in a dialog, as Qt's dialogs take them: Escape presses Cancel, or the
  // close box when there is none; Return presses the button that has the focus, or else the
  // window's default button, or else OK.
  // The main window, windows with a menu bar and workspace windows are no dialogs.
  void dialog_key(TK_OBJ win, QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier || win->menubar || win->workspace) return;
    const bool escape = e->key() == Qt::Key_Escape;
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (!escape && !enter) return;
    if (enter) {
      auto* focus = qobject_cast<QPushButton*>(QApplication::focusWidget());
      if (focus && focus->window() == this && focus->isEnabled() && focus->isVisible()) {
        focus->click();
        return;
      }
      for (QPushButton* b : findChildren<QPushButton*>()) {
        if (b->window() == this && b->isDefault() && b->isEnabled() && b->isVisible()) {
          b->click();
          return;
        }
      }
    }
    if (QPushButton* b = role_button(escape ? "cancel" : "ok", escape ? "Cancel" : "OK")) {
      b->click();
    } else if (escape) {
      close();  // the close box
    }
  }
  // The window's button of that part name or that label, when it can be pressed.
  QPushButton* role_button(const char* name, const char* label) {
    for (QPushButton* b : findChildren<QPushButton*>()) {
      if (b->window() != this || !b->isEnabled() || !b->isVisible()) continue;
      const TK_OBJ o = tk::object_of(b);
      if ((o && o->name == name) || b->text().remove(QLatin1Char('&')) == QLatin1String(label))
        return b;
    }
    return nullptr;
  }
  void resizeEvent(QResizeEvent*) override {
    if (TK_OBJ win = tk::object_of(this)) tk::deliver(win, TK_EV_RESIZE);
  }
};

// Pointer enter/leave and focus of every part become events 101/103 and 116/115.
class PartFilter : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    int ev = 0;
    switch (e->type()) {
      case QEvent::Enter: ev = TK_EV_ENTER; break;
      case QEvent::Leave: ev = TK_EV_LEAVE; break;
      case QEvent::FocusIn: ev = TK_EV_FOCUS_IN; break;
      case QEvent::FocusOut: ev = TK_EV_FOCUS_OUT; break;
      default: return false;
    }
    if (TK_OBJ obj = tk::object_of(o)) tk::deliver(obj, ev);
    return false;
  }
};
PartFilter* part_filter() {
  static PartFilter* f = new PartFilter;
  return f;
}

void free_tree(TkObject* o) {
  for (auto& [i, s] : o->subs) free_tree(s);
  s_live.erase(o);
  delete o;
}

// Marks an object and its parts as gone (handles stop working at once).
void kill_tree(TkObject* o) {
  for (auto& [i, s] : o->subs) kill_tree(s);
  s_live.erase(o);
}

const ResNode* find_prop(const ResNode& n, const char* key) {
  for (const ResNode& s : n.block)
    if (s.args[0] == key) return &s;
  return nullptr;
}

std::string prop_text(const ResNode& n, const char* key, const std::string& dflt = "") {
  const ResNode* p = find_prop(n, key);
  return p && p->args.size() > 1 ? p->args[1] : dflt;
}

int prop_int(const ResNode& n, const char* key, std::size_t i, int dflt) {
  const ResNode* p = find_prop(n, key);
  if (!p || p->args.size() <= i) return dflt;
  return std::atoi(p->args[i].c_str());
}

QStringList prop_items(const ResNode& n) {
  QStringList out;
  if (const ResNode* p = find_prop(n, "items"))
    for (std::size_t i = 1; i < p->args.size(); ++i) out << QString::fromStdString(p->args[i]);
  return out;
}

QLayout* make_layout(const std::string& kind) {
  if (kind == "grid") return new QGridLayout;
  if (kind == "form") return new QFormLayout;
  if (kind == "hbox") return new QHBoxLayout;
  return new QVBoxLayout;
}

void add_to_layout(QLayout* lay, QWidget* w, const ResNode& part) {
  if (auto* g = dynamic_cast<QGridLayout*>(lay)) {
    const int row = prop_int(part, "at", 1, g->rowCount()), col = prop_int(part, "at", 2, 0);
    // "align left": the part keeps its own width at the left of its cell.
    const Qt::Alignment align = prop_text(part, "align") == "left" ? Qt::AlignLeft : Qt::Alignment();
    g->addWidget(w, row, col, prop_int(part, "at", 3, 1), prop_int(part, "at", 4, 1), align);
    // "stretch r c": the share of spare height and width that the part's row and column take.
    if (find_prop(part, "stretch")) {
      g->setRowStretch(row, prop_int(part, "stretch", 1, 0));
      g->setColumnStretch(col, prop_int(part, "stretch", 2, 0));
    }
  } else if (auto* f = dynamic_cast<QFormLayout*>(lay)) {
    const ResNode* cap = find_prop(part, "caption");
    if (cap && cap->args.size() > 1)
      f->addRow(QString::fromStdString(cap->args[1]), w);
    else
      f->addRow(w);
  } else if (auto* b = dynamic_cast<QBoxLayout*>(lay)) {
    // "gap n": n pixels of space before the part (groups of toolbar buttons).
    if (const int gap = prop_int(part, "gap", 1, 0); gap > 0) b->addSpacing(gap);
    b->addWidget(w);
  }
}

QWidget* make_part(TkObject* obj, const ResNode& part, const std::string& module);

void build_parts(TkObject* container, QWidget* holder, const ResNode& node,
                 const std::string& module) {
  QLayout* lay = make_layout(prop_text(node, "layout", "vbox"));
  holder->setLayout(lay);
  // "margins n" and "spacing n": pixels around and between the parts (layout defaults otherwise).
  if (const int m = prop_int(node, "margins", 1, -1); m >= 0) lay->setContentsMargins(m, m, m, m);
  if (const int s = prop_int(node, "spacing", 1, -1); s >= 0) lay->setSpacing(s);
  for (const ResNode& st : node.block) {
    if (st.args[0] != "part") continue;
    TkObject* obj = tk::new_object(TK_CLASS_NONE);
    obj->index = std::atoi(st.args[1].c_str());
    obj->parent = container;
    obj->window = container->window;
    obj->module = module;
    obj->name = st.args.size() > 3 ? st.args[3] : "";
    container->subs[obj->index] = obj;
    QWidget* w = make_part(obj, st, module);
    tk::bind(obj, w);
    w->installEventFilter(part_filter());
    if (const ResNode* tip = find_prop(st, "tip"); tip && tip->args.size() > 1)
      w->setToolTip(QString::fromStdString(tip->args[1]));
    if (const ResNode* sz = find_prop(st, "size"); sz && sz->args.size() > 2)
      w->setMinimumSize(std::atoi(sz->args[1].c_str()), std::atoi(sz->args[2].c_str()));
    if (find_prop(st, "disabled")) w->setEnabled(false);
    if (find_prop(st, "hidden")) w->setVisible(false);
    // "focus": the part that has the keyboard focus when its window opens.
    if (find_prop(st, "focus")) w->setProperty("tk_focus", true);
    add_to_layout(lay, w, st);
  }
  // "packed": the parts of a box keep their own size and gather at its start.
  if (auto* b = dynamic_cast<QBoxLayout*>(lay); b && find_prop(node, "packed")) b->addStretch(1);
}

QWidget* make_part(TkObject* obj, const ResNode& part, const std::string& module) {
  const std::string& cls = part.args[2];
  const QString label = QString::fromStdString(prop_text(part, "label"));
  if (cls == "group") {
    obj->cls = TK_CLASS_GROUP;
    QWidget* g = label.isEmpty() ? new QWidget : new QGroupBox(label);
    build_parts(obj, g, part, module);
    return g;
  }
  if (cls == "button") {
    obj->cls = TK_CLASS_BUTTON;
    QAbstractButton* b;
    if (find_prop(part, "flat")) {
      // A toolbar button: flat until the pointer rests on it.
      auto* t = new QToolButton;
      t->setText(label);
      t->setAutoRaise(true);
      t->setToolButtonStyle(Qt::ToolButtonTextOnly);
      b = t;
    } else {
      auto* p = new QPushButton(label);
      p->setAutoDefault(false);
      // The window's default button: drawn as such, and Return presses it.
      if (find_prop(part, "default")) p->setDefault(true);
      b = p;
    }
    // A checkable button stays pressed until it is released (WGT_SetValue 1 / 0).
    if (find_prop(part, "checkable")) b->setCheckable(true);
    QObject::connect(b, &QAbstractButton::clicked, [obj] { tk::deliver(obj, TK_EV_ACTIVATE); });
    return b;
  }
  if (cls == "toggle") {
    obj->cls = TK_CLASS_TOGGLE;
    auto* c = new QCheckBox(label);
    c->setChecked(prop_int(part, "value", 1, 0) != 0);
    QObject::connect(c, &QCheckBox::clicked, [obj] { tk::deliver(obj, TK_EV_ACTIVATE); });
    return c;
  }
  if (cls == "radio") {
    obj->cls = TK_CLASS_RADIO;
    QWidget* box = label.isEmpty() ? new QWidget : new QGroupBox(label);
    auto* lay = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    int i = 0;
    for (const QString& item : prop_items(part)) {
      auto* r = new QRadioButton(item);
      group->addButton(r, i++);
      lay->addWidget(r);
    }
    if (auto* first = group->button(prop_int(part, "value", 1, 0))) first->setChecked(true);
    QObject::connect(group, &QButtonGroup::idClicked,
                     [obj](int) { tk::deliver(obj, TK_EV_ACTIVATE); });
    return box;
  }
  if (cls == "field") {
    obj->cls = TK_CLASS_FIELD;
    auto* e = new TkFieldWidget(label);
    if (find_prop(part, "readonly")) e->setReadOnly(true);
    QObject::connect(e, &QLineEdit::textEdited, [obj] { tk::deliver(obj, TK_EV_TEXT_CHANGED); });
    return e;
  }
  if (cls == "text") {
    obj->cls = TK_CLASS_TEXT;
    auto* t = new QPlainTextEdit(label);
    if (find_prop(part, "readonly")) t->setReadOnly(true);
    QObject::connect(t, &QPlainTextEdit::textChanged,
                     [obj] { tk::deliver(obj, TK_EV_TEXT_CHANGED); });
    return t;
  }
  if (cls == "label") {
    obj->cls = TK_CLASS_LABEL;
    auto* l = new QLabel(label);
    // A status field: a sunken panel that keeps its height when empty.
    if (find_prop(part, "sunken")) {
      l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
      l->setMinimumHeight(l->fontMetrics().height() + 6);
      l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    if (find_prop(part, "centred")) l->setAlignment(Qt::AlignCenter);
    return l;
  }
  if (cls == "workspace") {
    obj->cls = TK_CLASS_WORKSPACE;
    return tk::make_workspace(obj);
  }
  if (cls == "choice") {
    obj->cls = TK_CLASS_CHOICE;
    auto* c = new TkChoiceWidget;
    c->addItems(prop_items(part));
    c->setCurrentIndex(prop_int(part, "value", 1, 0));
    QObject::connect(c, &QComboBox::activated, [obj](int) { tk::deliver(obj, TK_EV_CHOICE); });
    return c;
  }
  if (cls == "list") {
    obj->cls = TK_CLASS_LIST;
    auto* l = new QListWidget;
    l->addItems(prop_items(part));
    QObject::connect(l, &QListWidget::itemSelectionChanged,
                     [obj] { tk::deliver(obj, TK_EV_LIST_PICK); });
    return l;
  }
  if (cls == "slider" || cls == "value") {
    const int lo = prop_int(part, "range", 1, 0), hi = prop_int(part, "range", 2, 100);
    const int v = prop_int(part, "value", 1, lo);
    if (cls == "slider") {
      obj->cls = TK_CLASS_SLIDER;
      auto* s = new QSlider(Qt::Horizontal);
      s->setRange(lo, hi);
      s->setValue(v);
      // "steps page line": how far a click beside the handle and an arrow key move it.
      if (find_prop(part, "steps")) {
        s->setPageStep(std::max(1, prop_int(part, "steps", 1, 10)));
        s->setSingleStep(std::max(1, prop_int(part, "steps", 2, 1)));
      }
      QObject::connect(s, &QSlider::valueChanged, [obj](int) { tk::deliver(obj, TK_EV_ACTIVATE); });
      return s;
    }
    obj->cls = TK_CLASS_VALUE;
    auto* s = new QSpinBox;
    s->setRange(lo, hi);
    s->setValue(v);
    QObject::connect(s, &QSpinBox::valueChanged, [obj](int) { tk::deliver(obj, TK_EV_ACTIVATE); });
    return s;
  }
  obj->cls = TK_CLASS_AREA;  // "area"
  auto* a = new TkArea;
  const int w = prop_int(part, "size", 1, 100), h = prop_int(part, "size", 2, 100);
  a->setMinimumSize(w, h);
  return a;
}

void end_modal(TkObject* win, long value) {
  win->modal_value = value;
  win->modal_ended = true;
  if (win->modal_loop) win->modal_loop->quit();
}

bool any_window_left() {
  for (TkObject* o : s_live)
    if (o->cls == TK_CLASS_WINDOW && !o->terminating) return true;
  return false;
}

// A window that had the keyboard focus has gone from the screen: the focus goes to a modal
// dialog still running under it, else to its owner, else to the window with the menu bar.
// Without a window manager nothing else would move it, and the keys would reach no window; a
// window manager moves it where it likes.
void give_focus_back(TkObject* gone) {
  auto shown = [gone](TkObject* o) -> QWidget* {
    if (o == gone || !tk::alive(o) || o->cls != TK_CLASS_WINDOW || o->terminating) return nullptr;
    QWidget* w = tk::widget(o);
    return w && w->isVisible() ? w : nullptr;
  };
  QWidget* next = nullptr;
  // The last shown window of a running modal loop, else the owner, else a window with menus.
  for (TkObject* o : s_live)
    if (o->modal_loop && !o->modal_ended)
      if (QWidget* w = shown(o)) next = w;
  if (!next) next = shown(gone->owner);
  for (TkObject* o : s_live) {
    if (next) break;
    if (o->menubar) next = shown(o);
  }
  if (!next) return;
  next = next->window();
  next->activateWindow();
  // A window manager (one that frames the window) takes the closing window down after this
  // request and then hands the focus to a window of its own choice, or to none: while no window
  // of the program has the focus, or one that was on the screen already, it is asked again a
  // few times. A window shown since keeps the focus it takes.
  if (next->frameGeometry() == next->geometry()) return;
  struct Again {
    QPointer<QWidget> next;
    QList<QPointer<QWidget>> before;
    int left;
    void operator()() {
      if (!next || !next->isVisible()) return;
      QWidget* active = QApplication::activeWindow();
      const bool earlier = std::any_of(before.begin(), before.end(),
                                       [active](const QPointer<QWidget>& b) { return b == active; });
      if (active && active != next && !earlier) return;
      if (active != next) next->activateWindow();
      if (--left > 0) QTimer::singleShot(100, next, *this);
    }
  };
  QList<QPointer<QWidget>> before;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->isVisible() && t != next) before.append(t);
  QTimer::singleShot(50, next, Again{next, before, 6});
}

// Placement reckons with a frame of KS_FRAME_SIDES by KS_FRAME_TITLE pixels before a window is
// shown; a window manager may draw a larger one (a taller title bar, a handle at the foot),
// which is known only once the window is on the screen. A window just shown whose frame then
// reaches past the foot or the right edge of the screen's free area is moved up or left until it
// is inside by the placing rule's own test (ui_wpos_inside). Looked at a few times while the
// manager frames it; a window moved meanwhile by anyone else is left where it is.
void keep_frame_on_screen(QWidget* w) {
  struct Check {
    QPointer<QWidget> w;
    QPoint at;
    int left;
    void operator()() {
      if (!w || !w->isVisible() || (w->frameGeometry().topLeft() - at).manhattanLength() > 64) return;
      QRect room;
      int ow = 0, oh = 0;
      if (tk::screen_override(&ow, &oh)) {
        room = QRect(0, 0, ow, oh);
      } else if (QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen()) {
        room = s->availableGeometry();
      }
      const QRect f = w->frameGeometry();
      if (room.isValid()) {
        int x = f.x() - room.x(), y = f.y() - room.y();
        ui_wpos_inside(room.width(), room.height(), f.width(), f.height(), &x, &y);
        x += room.x();
        y += room.y();
        if (x != f.x() || y != f.y()) {
          w->move(x, y);
          at = w->frameGeometry().topLeft();
        }
      }
      if (--left > 0) QTimer::singleShot(100, w, *this);
    }
  };
  QTimer::singleShot(0, w, Check{w, w->frameGeometry().topLeft(), 5});
}

}  // namespace

namespace tk {

int exec_dialog(QDialog& dlg) {
  QPointer<QWidget> before = QApplication::activeWindow();
  const int r = dlg.exec();
  if (before && before != &dlg && before->isVisible()) before->activateWindow();
  return r;
}

const TkEventState& current_event() {
  static const TkEventState none;
  return s_events.empty() ? none : s_events.back();
}

long deliver(TK_OBJ obj, int event, const TkEventState& st) {
  if (!alive(obj)) return 0;
  s_events.push_back(st);
  long r;
  if (obj->nfy) {
    r = obj->nfy(obj, event);
  } else if (obj->cls == TK_CLASS_WINDOW) {
    r = WIN_DefaultNfy(obj, event);
    // A window that nobody handles closes on its close box.
    if (event == TK_EV_WINDOW && st.win_code == TK_WIN_CLOSE && alive(obj)) WIN_Terminate(obj);
  } else if (obj->cls == TK_CLASS_MENU) {
    r = MENU_DefaultNfy(obj, event);
  } else {
    r = WGT_DefaultNfy(obj, event);
  }
  s_events.pop_back();
  return r;
}

bool alive(TK_OBJ obj) { return obj && s_live.count(obj) > 0; }

TK_OBJ object_of(const QObject* w) {
  if (!w) return nullptr;
  auto* o = reinterpret_cast<TkObject*>(w->property("tk_obj").value<quintptr>());
  return alive(o) ? o : nullptr;
}

TK_OBJ new_object(TkClass cls) {
  auto* o = new TkObject;
  o->cls = cls;
  s_live.insert(o);
  return o;
}

void bind(TK_OBJ obj, QWidget* w) {
  obj->widget = w;
  w->setProperty("tk_obj", QVariant::fromValue(reinterpret_cast<quintptr>(obj)));
}

QWidget* widget(TK_OBJ obj) { return alive(obj) ? obj->widget.data() : nullptr; }

TkArea* area(TK_OBJ obj) {
  return alive(obj) && obj->cls == TK_CLASS_AREA ? static_cast<TkArea*>(obj->widget.data())
                                                  : nullptr;
}

QString qs(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

int modifiers_to_state(Qt::KeyboardModifiers m) {
  int s = 0;
  if (m & Qt::ControlModifier) s |= TK_MOD_CTRL;
  if (m & Qt::ShiftModifier) s |= TK_MOD_SHIFT;
  if (m & Qt::AltModifier) s |= TK_MOD_ALT;
  return s;
}

int key_to_code(int key, Qt::KeyboardModifiers m, const QString& text, int* ch) {
  *ch = 0;
  const bool keypad = m & Qt::KeypadModifier;
  switch (key) {
    case Qt::Key_Delete: return keypad ? TK_WIN_KP_DELETE : TK_WIN_DELETE;
    case Qt::Key_Backspace: return TK_WIN_BACKSPACE;
    case Qt::Key_Insert: return keypad ? TK_WIN_KP_INSERT : TK_WIN_INSERT;
    case Qt::Key_Return:
    case Qt::Key_Enter: return TK_WIN_RETURN;
    case Qt::Key_Escape: return TK_WIN_ESCAPE;
    case Qt::Key_Left: return TK_WIN_LEFT;
    case Qt::Key_Right: return TK_WIN_RIGHT;
    case Qt::Key_Up: return TK_WIN_UP;
    case Qt::Key_Down: return TK_WIN_DOWN;
    default: break;
  }
  if (text.size() == 1 && text[0].isPrint()) {
    *ch = text[0].unicode();
    return TK_WIN_CHAR;
  }
  // With Control held a letter key carries a control character as its text: report the letter.
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    *ch = ((m & Qt::ShiftModifier) ? 'A' : 'a') + (key - Qt::Key_A);
    return TK_WIN_CHAR;
  }
  return TK_WIN_OTHER_KEY;
}

}  // namespace tk

// Resource file --------------------------------------------------------------------------

const ResNode* tk_find_menubar(const std::string& module, const std::string& bar) {
  auto m = s_modules.find(module);
  if (m == s_modules.end()) return nullptr;
  auto b = m->second.menubars.find(bar);
  return b == m->second.menubars.end() ? nullptr : &b->second;
}

int RES_OpenText(const char* text) {
  std::string error;
  if (!text || !res_parse(text, &s_modules, &error)) {
    SLOG("RES_OpenText", SLOG_ERROR, "resource text rejected: %s", error.c_str());
    return 0;
  }
  return 1;
}

int RES_OpenFile(const char* module, const char* path) {
  QFile f(tk::qs(path));
  if (!f.open(QIODevice::ReadOnly)) {
    SLOG("RES_OpenFile", SLOG_ERROR, "cannot open resource file <%s> (%s)", path ? path : "",
         module ? module : "");
    return 0;
  }
  const std::string text = f.readAll().toStdString();
  std::string error;
  if (!res_parse(text, &s_modules, &error)) {
    SLOG("RES_OpenFile", SLOG_ERROR, "resource file <%s>: %s", path, error.c_str());
    return 0;
  }
  return 1;
}

void RES_CloseAll() { s_modules.clear(); }

const char* RES_GetString(const char* module, const char* list, long number) {
  if (!module || !list) return nullptr;
  auto m = s_modules.find(module);
  if (m == s_modules.end()) return nullptr;
  auto l = m->second.strings.find(list);
  if (l == m->second.strings.end()) return nullptr;
  auto s = l->second.find(number);
  return s == l->second.end() ? nullptr : s->second.c_str();
}

long RES_GetStringCount(const char* module, const char* list) {
  if (!module || !list) return 0;
  auto m = s_modules.find(module);
  if (m == s_modules.end()) return 0;
  auto l = m->second.strings.find(list);
  return l == m->second.strings.end() || l->second.empty() ? 0 : l->second.rbegin()->first;
}

TK_OBJ RES_LoadFont(const char* module, const char* name) {
  if (!module || !name) return nullptr;
  const std::string key = std::string(module) + "/" + name;
  if (auto f = s_fonts.find(key); f != s_fonts.end()) return f->second;
  auto m = s_modules.find(module);
  if (m == s_modules.end()) return nullptr;
  auto def = m->second.fonts.find(name);
  if (def == m->second.fonts.end()) {
    SLOG("RES_LoadFont", SLOG_WARN, "font <%s> of <%s> missing", name, module);
    return nullptr;
  }
  TkObject* font = tk::new_object(TK_CLASS_FONT);
  font->module = module;
  font->name = name;
  font->font = QFont(QString::fromStdString(def->second.family));
  font->font.setPointSize(def->second.size);
  font->font.setBold(def->second.bold);
  font->font.setItalic(def->second.italic);
  s_fonts[key] = font;
  return font;
}

int RES_HasWindow(const char* module, const char* window) {
  if (!module || !window) return 0;
  auto m = s_modules.find(module);
  return m != s_modules.end() && m->second.windows.count(window) ? 1 : 0;
}

TK_OBJ RES_GetSub(TK_OBJ obj, int index) {
  if (!tk::alive(obj)) return nullptr;
  auto s = obj->subs.find(index);
  return s == obj->subs.end() ? nullptr : s->second;
}

void RES_SetNfy(TK_OBJ obj, TkNfy proc) {
  if (tk::alive(obj)) obj->nfy = proc;
}
TkNfy RES_GetNfy(TK_OBJ obj) { return tk::alive(obj) ? obj->nfy : nullptr; }
void RES_SetData(TK_OBJ obj, void* data) {
  if (tk::alive(obj)) obj->data = data;
}
void* RES_GetData(TK_OBJ obj) { return tk::alive(obj) ? obj->data : nullptr; }
TK_OBJ RES_GetOwnerWindow(TK_OBJ obj) { return tk::alive(obj) ? obj->window : nullptr; }
int RES_GetClass(TK_OBJ obj) { return tk::alive(obj) ? obj->cls : TK_CLASS_NONE; }
int RES_GetIndex(TK_OBJ obj) { return tk::alive(obj) ? obj->index : -1; }
const char* RES_GetName(TK_OBJ obj) { return tk::alive(obj) ? obj->name.c_str() : ""; }
long RES_Send(TK_OBJ obj, int event) { return tk::deliver(obj, event); }

// Windows ---------------------------------------------------------------------------------

TK_OBJ WIN_Load(const char* module, const char* window) {
  auto m = module ? s_modules.find(module) : s_modules.end();
  if (m == s_modules.end() || !window || !m->second.windows.count(window)) {
    SLOG("WIN_Load", SLOG_ERROR, "layout <%s> of module <%s> missing: installation fault",
         window ? window : "", module ? module : "");
    return nullptr;
  }
  const ResNode& node = m->second.windows.at(window);
  TkObject* win = tk::new_object(TK_CLASS_WINDOW);
  win->module = module;
  win->name = window;
  win->window = win;
  auto* w = new TkWindowWidget;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  tk::bind(win, w);
  w->setWindowTitle(QString::fromStdString(prop_text(node, "title")));
  build_parts(win, w, node, module);
  for (QWidget* c : w->findChildren<QWidget*>())
    if (c->property("tk_focus").toBool()) {
      c->setFocus(Qt::OtherFocusReason);
      break;
    }
  if (const ResNode* sz = find_prop(node, "size"); sz && sz->args.size() > 2)
    w->resize(std::atoi(sz->args[1].c_str()), std::atoi(sz->args[2].c_str()));
  const std::string bar = prop_text(node, "menubar");
  if (!bar.empty()) win->menubar = tk::build_menubar(win, module, bar);
  // Tear down the records when the widget goes, whoever deletes it.
  QObject::connect(w, &QObject::destroyed, [win] {
    if (s_live.count(win)) kill_tree(win);
    free_tree(win);
  });
  return win;
}

void WIN_Init(TK_OBJ win) {
  if (!tk::alive(win) || win->inited) return;
  win->inited = true;
  tk::deliver(win, TK_EV_CREATE);
}

void WIN_Show(TK_OBJ win) {
  if (QWidget* w = tk::widget(win)) {
    if (tk::show_in_workspace(w)) return;
    const bool first = !w->isVisible();
    w->show();
    w->raise();
    w->activateWindow();
    if (first) keep_frame_on_screen(w);
  }
}

void WIN_Hide(TK_OBJ win) {
  if (QWidget* w = tk::widget(win)) w->hide();
}

void WIN_SetTitle(TK_OBJ win, const char* title) {
  if (QWidget* w = tk::widget(win)) w->setWindowTitle(tk::qs(title));
}

const char* WIN_GetTitle(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  if (!w) return "";
  win->text = w->windowTitle().toStdString();
  return win->text.c_str();
}

void WIN_SetOwner(TK_OBJ win, TK_OBJ owner) {
  QWidget* w = tk::widget(win);
  if (!w) return;
  win->owner = tk::alive(owner) ? owner : nullptr;
  QWidget* o = tk::widget(win->owner);
  // An owned window is re-parented to its owner as a dialog: Qt then makes the owner's
  // top-level window its transient parent, and the X11 platform writes that into
  // WM_TRANSIENT_FOR only for dialog-like window types (not for plain windows), which is what
  // lets a window manager keep it above the owner when the owner is clicked. A window that
  // loses its owner becomes a plain top-level window again.
  const bool shown = w->isVisible();
  const Qt::WindowFlags kept = w->windowFlags() & ~Qt::WindowType_Mask;
  w->setParent(o, kept | (o ? Qt::Dialog : Qt::Window));
  if (shown) w->show();
}

TK_OBJ WIN_GetOwner(TK_OBJ win) {
  return tk::alive(win) && tk::alive(win->owner) ? win->owner : nullptr;
}

void WIN_SetAutoDispose(TK_OBJ, int) {}

void WIN_TerminateThen(TK_OBJ win, std::function<void()> then) {
  const QPointer<QWidget> w = tk::alive(win) ? win->widget.data() : nullptr;
  // A window that was shown has a window on the display, also when it is hidden already.
  const bool shown = w && w->isWindow() && w->testAttribute(Qt::WA_WState_Created);
  WIN_Terminate(win);
  if (!shown || !w) {
    if (then) then();
    return;
  }
  // The widget is destroyed from the event loop (deleteLater): wait for that, polling, so that
  // its window is destroyed on the display before `then` maps another one.
  struct Wait {
    QPointer<QWidget> w;
    std::function<void()> then;
    int left;
    void operator()() {
      if (w && --left > 0) {
        QTimer::singleShot(10, qApp, *this);
        return;
      }
      if (then) then();
    }
  };
  QTimer::singleShot(0, qApp, Wait{w, std::move(then), 300});
}

void WIN_Terminate(TK_OBJ win) {
  if (!tk::alive(win) || win->cls != TK_CLASS_WINDOW || win->terminating) return;
  win->terminating = true;
  tk::deliver(win, TK_EV_TERMINATE);
  if (win->modal_loop && !win->modal_ended) end_modal(win, 0);
  // Windows owned by this one, and the child windows of its workspaces, end with it.
  std::vector<TkObject*> owned;
  for (TkObject* o : s_live)
    if (o->cls == TK_CLASS_WINDOW && !o->terminating &&
        (o->owner == win || (tk::alive(o->workspace) && o->workspace->window == win)))
      owned.push_back(o);
  for (TkObject* o : owned) WIN_Terminate(o);
  kill_tree(win);
  if (QWidget* w = win->widget.data()) {
    const bool had_focus = w->isWindow() && w->isActiveWindow() && w->isVisible();
    w->hide();
    if (had_focus) give_focus_back(win);
    // Parts of other windows must not be deleted with it.
    for (QObject* c : w->children())
      if (auto* cw = qobject_cast<QWidget*>(c); cw && cw->isWindow()) cw->setParent(nullptr);
    tk::leave_workspace(w);
    w->deleteLater();
  } else {
    free_tree(win);
  }
  if (s_in_main_loop && !any_window_left()) qApp->quit();
}

long WIN_DoModal(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  if (!w) return 0;
  if (win->modal_loop) return 0;  // already running
  win->modal_ended = false;
  // Qt applies a change of modality only when a window is shown, and frees the windows a modal
  // one blocks only when it is hidden while still modal. So the window is hidden before its
  // modality is set (a dialog is often shown and placed first) and hidden again, still modal,
  // before the modality is cleared; otherwise every other window stays blocked for the mouse.
  // A window manager may still be taking the hidden window down when it is mapped again at
  // once, and then leaves it unmapped: a modal dialog nobody sees, and a program that looks
  // frozen. So a window hidden here comes back as a new window on the display, which has no
  // such past.
  if (w->isVisible()) {
    w->hide();
    if (QWindow* handle = w->windowHandle()) handle->destroy();
  }
  w->setWindowModality(Qt::ApplicationModal);
  w->show();
  w->raise();
  // The dialog takes the keys at once, with or without a window manager to give it the focus.
  w->activateWindow();
  QEventLoop loop;
  win->modal_loop = &loop;
  loop.exec();
  long value = win->modal_value;
  if (tk::alive(win)) {
    win->modal_loop = nullptr;
    if (QWidget* ww = win->widget.data()) {
      const bool had_focus = ww->isActiveWindow();
      ww->hide();
      ww->setWindowModality(Qt::NonModal);
      if (had_focus) give_focus_back(win);
    }
  }
  return value;
}

void WIN_EndModal(TK_OBJ win, long value) {
  if (tk::alive(win) && win->modal_loop && !win->modal_ended) end_modal(win, value);
}

long WIN_DefaultNfy(TK_OBJ win, int event) {
  // A window procedure may treat 171 as a close request: the default then ends the window.
  if (event == TK_EV_TERMINATE && tk::alive(win) && !win->terminating) WIN_Terminate(win);
  // Activation by the user goes ahead only when the procedure passes 113 on to here.
  if (event == TK_EV_ACTIVATE_WIN && tk::alive(win)) win->activation_ok = true;
  return 0;
}

void* WIN_GetNativeHandle(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  return w ? reinterpret_cast<void*>(w->winId()) : nullptr;
}

TK_OBJ WIN_GetMenuBar(TK_OBJ win) {
  return tk::alive(win) && tk::alive(win->menubar) ? win->menubar : nullptr;
}

int WIN_IsShown(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  return w && w->isVisible() ? 1 : 0;
}

void WIN_GetScreenSize(int* w, int* h) {
  int ow, oh;
  if (tk::screen_override(&ow, &oh)) {
    *w = ow;
    *h = oh;
    return;
  }
  QScreen* s = QGuiApplication::primaryScreen();
  QRect r = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
  *w = r.width();
  *h = r.height();
}

TkRect WIN_GetRect(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  if (!w) return {};
  const QWidget* frame = tk::frame_of(w);
  return {frame->x(), frame->y(), w->width(), w->height()};
}

int WIN_HasFrame(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  return w && w->isWindow() && !(w->windowFlags() & Qt::FramelessWindowHint) ? 1 : 0;
}

void WIN_Move(TK_OBJ win, int x, int y) {
  if (QWidget* w = tk::widget(win)) w->move(x, y);
}

void WIN_MoveSize(TK_OBJ win, int x, int y, int w, int h) {
  QWidget* q = tk::widget(win);
  if (!q) return;
  // A window in a workspace is framed by its sub-window, which takes the outer size as it is.
  if (QWidget* frame = tk::frame_of(q); frame != q) {
    frame->setGeometry(x, y, std::max(1, w), std::max(1, h));
    return;
  }
  q->move(x, y);
  // The size given is the outer size; the frame the window system adds comes off it.
  const QSize frame = q->frameGeometry().size() - q->geometry().size();
  q->resize(std::max(1, w - frame.width()), std::max(1, h - frame.height()));
}

TkRect WIN_GetOuterRect(TK_OBJ win) {
  QWidget* w = tk::widget(win);
  if (!w) return {};
  const QWidget* frame = tk::frame_of(w);
  if (frame != w) return {frame->x(), frame->y(), frame->width(), frame->height()};
  const QRect r = w->frameGeometry();
  // A window not shown yet and never sized is given the size its first showing gives it (its
  // layout's size, held to a share of the screen), as that showing would.
  if (!w->isVisible() && !w->testAttribute(Qt::WA_Resized)) {
    w->adjustSize();
    w->setAttribute(Qt::WA_Resized, false);
    const QSize s = w->size();
    if (s.isValid()) return {r.x(), r.y(), s.width(), s.height()};
  }
  return {r.x(), r.y(), r.width(), r.height()};
}

// Event loop -------------------------------------------------------------------------------

void EVENT_MainLoop() {
  s_in_main_loop = true;
  if (any_window_left()) QApplication::exec();
  s_in_main_loop = false;
}

void EVENT_Quit() { qApp->quit(); }

void EVENT_Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(std::max(0, ms), &loop, &QEventLoop::quit);
  loop.exec();
}

int EVENT_WaitPumping(int ms) {
  if (ms <= 0) return 1;
  QEventLoop loop;
  bool elapsed = false;
  QTimer::singleShot(ms, &loop, [&] {
    elapsed = true;
    loop.quit();
  });
  loop.exec();
  return elapsed ? 1 : 0;
}

namespace {
int s_suspend_depth = 0;
std::vector<QPointer<QWidget>> s_suspended;
}  // namespace

void TK_SuspendInput(int on) {
  if (on) {
    if (s_suspend_depth++ > 0) return;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->isEnabled()) {
        w->setEnabled(false);
        s_suspended.emplace_back(w);
      }
    return;
  }
  if (s_suspend_depth == 0 || --s_suspend_depth > 0) return;
  for (auto& w : s_suspended)
    if (w) w->setEnabled(true);
  s_suspended.clear();
}

void TK_PostToMain(std::function<void()> fn) {
  QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
}

void TK_After(int ms, std::function<void()> fn) {
  if (qApp) QTimer::singleShot(std::max(0, ms), qApp, std::move(fn));
}

void EVENT_Flush() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int EVENT_GetWinCode() { return tk::current_event().win_code; }
int EVENT_GetKeyChar() { return tk::current_event().key_char; }
int EVENT_GetKeyState() { return tk::current_event().key_state; }
int EVENT_GetButtonState() { return tk::current_event().button_state; }
int EVENT_IsPrimaryButton() { return tk::current_event().primary; }
int EVENT_IsDoubleClick() { return tk::current_event().dbl; }
TkPoint EVENT_GetPos() { return tk::current_event().pos; }
long EVENT_GetMenuId() { return tk::current_event().menu_id; }
TK_OBJ EVENT_GetMenu() { return tk::current_event().menu; }
