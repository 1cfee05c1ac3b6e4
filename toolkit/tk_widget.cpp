// Values, texts and states of the parts of a window.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QPixmap>
#include <QTextCursor>
#include <iterator>
#include <string>

#include "toolkit/tk_area.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_widget.h"

namespace {

// Programmatic changes send no events.
struct Quiet {
  explicit Quiet(QObject* o) : o_(o), old_(o ? o->blockSignals(true) : false) {}
  ~Quiet() {
    if (o_) o_->blockSignals(old_);
  }
  QObject* o_;
  bool old_;
};

QButtonGroup* radio_group(QWidget* w) { return w ? w->findChild<QButtonGroup*>() : nullptr; }

const char* keep(TK_OBJ w, const QString& s) {
  w->text = s.toStdString();
  return w->text.c_str();
}

}  // namespace

long WGT_GetValue(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  if (!q) return 0;
  switch (w->cls) {
    case TK_CLASS_TOGGLE: return static_cast<QCheckBox*>(q)->isChecked() ? 1 : 0;
    case TK_CLASS_BUTTON: return static_cast<QAbstractButton*>(q)->isChecked() ? 1 : 0;
    case TK_CLASS_RADIO: {
      QButtonGroup* g = radio_group(q);
      return g ? g->checkedId() : -1;
    }
    case TK_CLASS_CHOICE: return static_cast<QComboBox*>(q)->currentIndex();
    case TK_CLASS_LIST: return static_cast<QListWidget*>(q)->currentRow();
    case TK_CLASS_SLIDER: return static_cast<QSlider*>(q)->value();
    case TK_CLASS_VALUE: return static_cast<QSpinBox*>(q)->value();
    case TK_CLASS_FIELD: return static_cast<QLineEdit*>(q)->text().trimmed().toLong();
    default: return 0;
  }
}

void WGT_SetValue(TK_OBJ w, long value) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  switch (w->cls) {
    case TK_CLASS_TOGGLE: {
      Quiet quiet(q);
      static_cast<QCheckBox*>(q)->setChecked(value != 0);
      break;
    }
    case TK_CLASS_BUTTON: {
      Quiet quiet(q);
      static_cast<QAbstractButton*>(q)->setChecked(value != 0);
      break;
    }
    case TK_CLASS_RADIO: {
      QButtonGroup* g = radio_group(q);
      Quiet quiet(g);
      if (g && g->button(static_cast<int>(value))) g->button(static_cast<int>(value))->setChecked(true);
      break;
    }
    case TK_CLASS_CHOICE:
    case TK_CLASS_LIST: WGT_SetChoice(w, static_cast<int>(value)); break;
    case TK_CLASS_SLIDER: {
      Quiet quiet(q);
      static_cast<QSlider*>(q)->setValue(static_cast<int>(value));
      break;
    }
    case TK_CLASS_VALUE: {
      Quiet quiet(q);
      static_cast<QSpinBox*>(q)->setValue(static_cast<int>(value));
      break;
    }
    case TK_CLASS_FIELD: WGT_SetText(w, std::to_string(value).c_str()); break;
    default: break;
  }
}

int WGT_GetInt(TK_OBJ w) { return static_cast<int>(WGT_GetValue(w)); }
short WGT_GetShort(TK_OBJ w) { return static_cast<short>(WGT_GetValue(w)); }

const char* WGT_GetText(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  if (!q) return nullptr;
  switch (w->cls) {
    case TK_CLASS_FIELD: return keep(w, static_cast<QLineEdit*>(q)->text());
    case TK_CLASS_TEXT: return keep(w, static_cast<QPlainTextEdit*>(q)->toPlainText());
    case TK_CLASS_LABEL: return keep(w, static_cast<QLabel*>(q)->text());
    case TK_CLASS_BUTTON:
    case TK_CLASS_TOGGLE: return keep(w, static_cast<QAbstractButton*>(q)->text());
    case TK_CLASS_CHOICE: {
      auto* c = static_cast<QComboBox*>(q);
      return c->currentIndex() < 0 ? nullptr : keep(w, c->currentText());
    }
    case TK_CLASS_LIST: {
      auto* l = static_cast<QListWidget*>(q);
      return l->currentItem() ? keep(w, l->currentItem()->text()) : nullptr;
    }
    case TK_CLASS_WINDOW: return keep(w, q->windowTitle());
    default: return nullptr;
  }
}

void WGT_SetText(TK_OBJ w, const char* text) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  Quiet quiet(q);
  if (w->cls == TK_CLASS_FIELD)
    static_cast<QLineEdit*>(q)->setText(tk::qs(text));
  else if (w->cls == TK_CLASS_TEXT)
    static_cast<QPlainTextEdit*>(q)->setPlainText(tk::qs(text));
  else
    WGT_SetLabel(w, text);
}

void WGT_SetLabel(TK_OBJ w, const char* text) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  switch (w->cls) {
    case TK_CLASS_LABEL: static_cast<QLabel*>(q)->setText(tk::qs(text)); break;
    case TK_CLASS_BUTTON:
    case TK_CLASS_TOGGLE: static_cast<QAbstractButton*>(q)->setText(tk::qs(text)); break;
    case TK_CLASS_WINDOW: q->setWindowTitle(tk::qs(text)); break;
    case TK_CLASS_GROUP:
    case TK_CLASS_RADIO:
      if (auto* g = qobject_cast<QGroupBox*>(q)) g->setTitle(tk::qs(text));
      break;
    case TK_CLASS_FIELD:
    case TK_CLASS_TEXT: WGT_SetText(w, text); break;
    default: break;
  }
}

void WGT_SetChoice(TK_OBJ w, int index) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  Quiet quiet(q);
  if (w->cls == TK_CLASS_CHOICE) {
    static_cast<QComboBox*>(q)->setCurrentIndex(index);
  } else if (w->cls == TK_CLASS_LIST) {
    static_cast<QListWidget*>(q)->setCurrentRow(index);
  } else if (w->cls == TK_CLASS_RADIO) {
    WGT_SetValue(w, index);
  }
}

int WGT_GetChoice(TK_OBJ w) {
  if (!tk::widget(w)) return -1;
  if (w->cls == TK_CLASS_CHOICE || w->cls == TK_CLASS_LIST || w->cls == TK_CLASS_RADIO)
    return static_cast<int>(WGT_GetValue(w));
  return -1;
}

void WGT_SetItems(TK_OBJ w, const char* const* items, int n) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  Quiet quiet(q);
  QStringList list;
  for (int i = 0; i < n; ++i) list << tk::qs(items[i]);
  if (w->cls == TK_CLASS_CHOICE) {
    auto* c = static_cast<QComboBox*>(q);
    c->clear();
    c->addItems(list);
  } else if (w->cls == TK_CLASS_LIST) {
    auto* l = static_cast<QListWidget*>(q);
    l->clear();
    l->addItems(list);
  } else if (w->cls == TK_CLASS_RADIO) {
    // The buttons are made again; the choice stays where an entry of that index remains.
    QButtonGroup* g = radio_group(q);
    if (!g) return;
    const int chosen = g->checkedId();
    for (QAbstractButton* b : g->buttons()) {
      g->removeButton(b);
      delete b;
    }
    for (int i = 0; i < list.size(); ++i) {
      auto* r = new QRadioButton(list[i], q);
      g->addButton(r, i);
      if (q->layout()) q->layout()->addWidget(r);
    }
    if (QAbstractButton* b = g->button(chosen)) b->setChecked(true);
  }
}

void WGT_SetRange(TK_OBJ w, long min, long max) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  Quiet quiet(q);
  if (w->cls == TK_CLASS_SLIDER) static_cast<QSlider*>(q)->setRange(int(min), int(max));
  if (w->cls == TK_CLASS_VALUE) static_cast<QSpinBox*>(q)->setRange(int(min), int(max));
}

void WGT_Enable(TK_OBJ w, int on) {
  if (QWidget* q = tk::widget(w)) q->setEnabled(on != 0);
}

int WGT_IsEnabled(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  return q && q->isEnabled() ? 1 : 0;
}

void WGT_Show(TK_OBJ w, int on) {
  if (QWidget* q = tk::widget(w)) q->setVisible(on != 0);
}

int WGT_IsShown(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  return q != nullptr && !q->isHidden() ? 1 : 0;
}

const char* WGT_GetTooltip(TK_OBJ w) {
  static std::string text;
  QWidget* q = tk::widget(w);
  text = q ? q->toolTip().toStdString() : "";
  return text.c_str();
}

void WGT_SetTooltip(TK_OBJ w, const char* text) {
  if (QWidget* q = tk::widget(w)) q->setToolTip(tk::qs(text));
}

void WGT_Redraw(TK_OBJ w) {
  if (TkArea* a = tk::area(w)) {
    a->expose();
    a->viewport()->repaint();
  } else if (QWidget* q = tk::widget(w)) {
    q->repaint();
  }
}

TkRect WGT_GetRect(TK_OBJ w) {
  if (tk::area(w)) return CANVAS_GetVisible(w);
  QWidget* q = tk::widget(w);
  if (!q) return {};
  // In a window not shown yet the layout is settled first, so that the part reports the place
  // it will be shown at rather than the size it was made with.
  if (QWidget* top = q->window(); top && top != q && !top->isVisible() && top->layout())
    top->layout()->activate();
  return {q->x(), q->y(), q->width(), q->height()};
}

TkRect WGT_GetScreenRect(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  if (!q) return {};
  const QPoint p = q->mapToGlobal(QPoint(0, 0));
  return {p.x(), p.y(), q->width(), q->height()};
}

namespace {
constexpr Qt::CursorShape kPointers[] = {Qt::ArrowCursor, Qt::CrossCursor, Qt::IBeamCursor,
                                         Qt::WaitCursor, Qt::PointingHandCursor};
}  // namespace

void WGT_SetPointer(TK_OBJ w, int stock) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  // Two further stock shapes of the band tools: 24 dragging, 11 placing.
  if (stock == 24 || stock == 11) {
    q->setCursor(stock == 24 ? Qt::SizeAllCursor : Qt::CrossCursor);
    return;
  }
  const bool known = stock >= 0 && stock < int(std::size(kPointers));
  q->setCursor(kPointers[known ? stock : 0]);
}

void WGT_SetFont(TK_OBJ w, TK_OBJ font) {
  QWidget* q = tk::widget(w);
  if (q && tk::alive(font) && font->cls == TK_CLASS_FONT) q->setFont(font->font);
}

void WGT_MovePointer(TK_OBJ w, int x, int y) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  if (TkArea* a = tk::area(w)) q = a->viewport();
  QCursor::setPos(q->mapToGlobal(QPoint(x, y)));
}

int WGT_GetPointer(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  if (!q || !q->testAttribute(Qt::WA_SetCursor)) return -1;
  if (q->cursor().shape() == Qt::SizeAllCursor) return 24;
  for (int i = 0; i < int(std::size(kPointers)); ++i)
    if (q->cursor().shape() == kPointers[i]) return i;
  return 0;
}

int WGT_SetPicture(TK_OBJ label, const char* path) {
  auto* l = qobject_cast<QLabel*>(tk::widget(label));
  if (!l || !path) return 0;
  QPixmap pm(tk::qs(path));
  if (pm.isNull()) return 0;
  l->setPixmap(pm);
  return 1;
}

long WGT_DefaultNfy(TK_OBJ w, int event) {
  // The standard behaviour of a drawing area's expose is to show its backing image.
  if (event == TK_EV_EXPOSE)
    if (TkArea* a = tk::area(w)) a->viewport()->update();
  return 0;
}

long WGT_DefaultNfy2(TK_OBJ w, int event) { return WGT_DefaultNfy(w, event); }
long WGT_DefaultNfy3(TK_OBJ w, int event) { return WGT_DefaultNfy(w, event); }
long WGT_DefaultNfy4(TK_OBJ w, int event) { return WGT_DefaultNfy(w, event); }
long WGT_DefaultNfy5(TK_OBJ w, int event) { return WGT_DefaultNfy(w, event); }
long WGT_DefaultNfy6(TK_OBJ w, int event) { return WGT_DefaultNfy(w, event); }
long WGT_DefaultNfy7(TK_OBJ w, int event) { return WGT_DefaultNfy(w, event); }
long WGT_DefaultNfy8(TK_OBJ w, int event) {
  return CHART_Is(w) ? CHART_DefaultNfy(w, event) : WGT_DefaultNfy(w, event);
}

const char* TEXT_GetText(TK_OBJ w) { return WGT_GetText(w); }

void TEXT_Clear(TK_OBJ w) {
  if (tk::widget(w) && w->cls == TK_CLASS_TEXT) WGT_SetText(w, "");
}

void TEXT_Insert(TK_OBJ w, const char* text) {
  QWidget* q = tk::widget(w);
  if (!q || w->cls != TK_CLASS_TEXT) return;
  Quiet quiet(q);
  static_cast<QPlainTextEdit*>(q)->insertPlainText(tk::qs(text));
}

void TEXT_SetInsertPos(TK_OBJ w, long pos) {
  QWidget* q = tk::widget(w);
  if (!q || w->cls != TK_CLASS_TEXT) return;
  auto* t = static_cast<QPlainTextEdit*>(q);
  QTextCursor c = t->textCursor();
  const int end = t->document()->characterCount() - 1;
  c.setPosition(pos < 0 || pos > end ? end : static_cast<int>(pos));
  t->setTextCursor(c);
}

namespace {
QStandardItem* choice_item(TK_OBJ choice, int index) {
  auto* c = qobject_cast<QComboBox*>(tk::widget(choice));
  auto* model = c ? qobject_cast<QStandardItemModel*>(c->model()) : nullptr;
  return model && index >= 0 && index < c->count() ? model->item(index) : nullptr;
}
}  // namespace

void CHOICE_EnableItem(TK_OBJ choice, int index, int on) {
  if (QStandardItem* item = choice_item(choice, index)) item->setEnabled(on != 0);
}

int CHOICE_IsItemEnabled(TK_OBJ choice, int index) {
  const QStandardItem* item = choice_item(choice, index);
  return item && item->isEnabled() ? 1 : 0;
}

int LIST_Count(TK_OBJ w) {
  QWidget* q = tk::widget(w);
  if (!q) return 0;
  if (w->cls == TK_CLASS_LIST) return static_cast<QListWidget*>(q)->count();
  if (w->cls == TK_CLASS_CHOICE) return static_cast<QComboBox*>(q)->count();
  return 0;
}

const char* LIST_Item(TK_OBJ w, int index) {
  QWidget* q = tk::widget(w);
  if (!q || index < 0 || index >= LIST_Count(w)) return nullptr;
  if (w->cls == TK_CLASS_LIST) return keep(w, static_cast<QListWidget*>(q)->item(index)->text());
  return keep(w, static_cast<QComboBox*>(q)->itemText(index));
}
