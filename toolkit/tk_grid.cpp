// The editing grid.
#include "toolkit/tk_grid.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "toolkit/tk_qt.h"

namespace {

class GridView;

// At most `max` bytes of the text's UTF-8 form, never ending inside a character.
std::string cut_utf8(const QString& s, int max) {
  QByteArray b = s.toUtf8();
  if (max >= 0 && b.size() > max) {
    int n = max;
    while (n > 0 && (static_cast<unsigned char>(b[n]) & 0xC0) == 0x80) --n;
    b.truncate(n);
  }
  return b.toStdString();
}

class GridModel : public QAbstractTableModel {
 public:
  GridModel(TK_OBJ obj, QObject* parent) : QAbstractTableModel(parent), obj_(obj) {}
  int rowCount(const QModelIndex& p) const override { return p.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : cols_; }
  // The caller's procedures are asked only while the grid's part is alive: a window that is
  // going away may still get focus and paint events.
  bool live() const { return tk::widget(obj_) != nullptr; }
  const char* text(int r, int c) const { return procs_.cell && live() ? procs_.cell(obj_, r, c) : nullptr; }
  QVariant data(const QModelIndex& i, int role) const override {
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !i.isValid()) return {};
    const char* s = text(i.row(), i.column());
    return s ? QString::fromUtf8(s) : QString();
  }
  bool setData(const QModelIndex& i, const QVariant& v, int role) override {
    if (role != Qt::EditRole || !i.isValid() || !procs_.store || !live()) return false;
    const std::string t = cut_utf8(v.toString(), max_len_);
    procs_.store(obj_, i.row(), i.column(), t.c_str());
    emit dataChanged(i, i);
    return true;
  }
  Qt::ItemFlags flags(const QModelIndex& i) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (i.isValid() && procs_.store && live() &&
        (!procs_.can_edit || procs_.can_edit(obj_, i.row(), i.column())))
      f |= Qt::ItemIsEditable;
    return f;
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (procs_.heading && live()) {
      const std::string h = o == Qt::Horizontal ? procs_.heading(obj_, -1, section)
                                                : procs_.heading(obj_, section, -1);
      return QString::fromStdString(h);
    }
    return QString::number(section + 1);
  }
  void reset_size(int rows, int cols) {
    beginResetModel();
    rows_ = std::max(0, rows);
    cols_ = std::max(0, cols);
    endResetModel();
  }
  void refresh() {
    if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
    if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    if (rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
  }

  TK_OBJ obj_;
  TkGridProcs procs_;
  int rows_ = 0, cols_ = 0;
  int max_len_ = -1;
};

// The in-place editor: a one-line field that takes at most the grid's length cap.
class GridDelegate : public QStyledItemDelegate {
 public:
  GridDelegate(GridView* view);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& opt,
                        const QModelIndex& i) const override;

 private:
  GridView* view_;
};

class GridView : public QTableView {
 public:
  GridView(TK_OBJ obj, QWidget* parent) : QTableView(parent), obj_(obj) {}
  ~GridView() override {
    // Nothing may ask the caller's procedures for cells once their data is gone.
    grid_model()->procs_ = TkGridProcs();
    if (free_fn_ && data_) free_fn_(data_);
  }
  GridModel* grid_model() const { return static_cast<GridModel*>(model()); }

  // Commits and closes the open editor.
  bool end_edit() {
    QWidget* ed = editor_.data();
    if (!ed || state() != QAbstractItemView::EditingState) return false;
    commitData(ed);
    closeEditor(ed, QAbstractItemDelegate::NoHint);
    return true;
  }
  bool editing() const { return editor_ && state() == QAbstractItemView::EditingState; }

  // Makes the cell below the current one current (the last row stays).
  void move_down() {
    const QModelIndex cur = currentIndex();
    if (!cur.isValid() || cur.row() + 1 >= grid_model()->rows_) return;
    setCurrentIndex(grid_model()->index(cur.row() + 1, cur.column()));
  }

 protected:
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
    const bool open = editor && editor == editor_;
    if (editor == editor_) editor_ = nullptr;
    // Enter ends an edit with this hint (later, through the event loop; an edit already ended
    // otherwise stays where it is); a grid filled row after row then goes on below.
    if (enter_down_ && open && hint == QAbstractItemDelegate::SubmitModelCache) {
      QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
      move_down();
      return;
    }
    QTableView::closeEditor(editor, hint);
  }

 public:

  void show_info(int row, int col) {
    GridModel* m = grid_model();
    if (!m->live()) return;
    std::string t;
    if (m->procs_.info) {
      t = m->procs_.info(obj_, row, col);
    } else if (row >= 0 && col >= 0 && row < m->rows_ && col < m->cols_) {
      const char* s = m->text(row, col);
      t = s ? s : "";
    }
    if (t.empty()) t = " ";
    info_text_ = t;
    if (info_) info_->setText(QString::fromStdString(t));
  }

  std::string selection_text() const {
    GridModel* m = grid_model();
    if (!selectionModel()) return {};
    const QItemSelection sel = selectionModel()->selection();
    if (sel.isEmpty()) return {};
    int r0 = m->rows_, c0 = m->cols_, r1 = -1, c1 = -1;
    for (const QItemSelectionRange& r : sel) {
      r0 = std::min(r0, r.top());
      c0 = std::min(c0, r.left());
      r1 = std::max(r1, r.bottom());
      c1 = std::max(c1, r.right());
    }
    std::string out;
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) {
        const char* s = m->text(r, c);
        if (s) out += s;
        out += '\t';
      }
      out += '\n';
    }
    return out;
  }

  TK_OBJ obj_;
  QPointer<QWidget> editor_;
  QLabel* info_ = nullptr;
  std::string info_text_;
  void* data_ = nullptr;
  void (*free_fn_)(void*) = nullptr;
  bool enter_down_ = false;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->matches(QKeySequence::Copy)) {
      GRID_CopySelection(obj_);
      return;
    }
    if (enter_down_ && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        state() != QAbstractItemView::EditingState) {
      move_down();
      return;
    }
    QTableView::keyPressEvent(e);
  }
};

GridDelegate::GridDelegate(GridView* view) : QStyledItemDelegate(view), view_(view) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& opt,
                                    const QModelIndex& i) const {
  QWidget* w = QStyledItemDelegate::createEditor(parent, opt, i);
  if (auto* line = qobject_cast<QLineEdit*>(w)) {
    const int max = view_->grid_model()->max_len_;
    if (max >= 0) line->setMaxLength(max);
  }
  view_->editor_ = w;
  return w;
}

GridView* view(TK_OBJ g) {
  QWidget* w = tk::widget(g);
  return w ? w->findChild<GridView*>("tk_grid", Qt::FindDirectChildrenOnly) : nullptr;
}

}  // namespace

void GRID_Attach(TK_OBJ group) {
  QWidget* w = tk::widget(group);
  if (!w || view(group)) return;
  auto* v = new GridView(group, w);
  v->setObjectName("tk_grid");
  v->setModel(new GridModel(group, v));
  v->setItemDelegate(new GridDelegate(v));
  v->setSelectionMode(QAbstractItemView::ContiguousSelection);
  v->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                     QAbstractItemView::AnyKeyPressed);
  v->setWordWrap(false);
  v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
  v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  v->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  auto* info = new QLabel(w);
  info->setObjectName("tk_grid_info");
  info->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  info->setText(" ");
  v->info_ = info;
  if (!w->layout()) new QVBoxLayout(w);
  w->layout()->addWidget(v);
  w->layout()->addWidget(info);
  QObject::connect(v->selectionModel(), &QItemSelectionModel::currentChanged, v,
                   [v](const QModelIndex& cur, const QModelIndex&) {
                     if (cur.isValid()) v->show_info(cur.row(), cur.column());
                   });
  QObject::connect(v->horizontalHeader(), &QHeaderView::sectionPressed, v,
                   [v](int col) { v->show_info(-1, col); });
  QObject::connect(v->verticalHeader(), &QHeaderView::sectionPressed, v,
                   [v](int row) { v->show_info(row, -1); });
  if (auto* corner = v->findChild<QAbstractButton*>())
    QObject::connect(corner, &QAbstractButton::clicked, v, [v] { v->show_info(-1, -1); });
}

int GRID_Is(TK_OBJ w) { return view(w) ? 1 : 0; }

void GRID_SetEnterMovesDown(TK_OBJ grid, int on) {
  if (GridView* v = view(grid)) v->enter_down_ = on != 0;
}

int GRID_CurrentRow(TK_OBJ grid) {
  GridView* v = view(grid);
  return v && v->currentIndex().isValid() ? v->currentIndex().row() : -1;
}

void GRID_SetProcs(TK_OBJ grid, const TkGridProcs& procs) {
  if (GridView* v = view(grid)) {
    v->grid_model()->procs_ = procs;
    v->grid_model()->refresh();
  }
}

void GRID_SetSize(TK_OBJ grid, int rows, int cols) {
  if (GridView* v = view(grid)) {
    v->end_edit();
    v->grid_model()->reset_size(rows, cols);
  }
}

int GRID_Rows(TK_OBJ grid) {
  GridView* v = view(grid);
  return v ? v->grid_model()->rows_ : 0;
}

int GRID_Cols(TK_OBJ grid) {
  GridView* v = view(grid);
  return v ? v->grid_model()->cols_ : 0;
}

void GRID_SetMaxLen(TK_OBJ grid, int bytes) {
  if (GridView* v = view(grid)) v->grid_model()->max_len_ = bytes;
}

void GRID_SetColWidth(TK_OBJ grid, int col, int chars) {
  if (GridView* v = view(grid))
    v->setColumnWidth(col, v->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0'))) + 16);
}

void GRID_SetData(TK_OBJ grid, void* data, void (*free_fn)(void*)) {
  GridView* v = view(grid);
  if (!v) {
    if (free_fn && data) free_fn(data);
    return;
  }
  if (v->free_fn_ && v->data_ && v->data_ != data) v->free_fn_(v->data_);
  v->data_ = data;
  v->free_fn_ = free_fn;
}

void* GRID_GetData(TK_OBJ grid) {
  GridView* v = view(grid);
  return v ? v->data_ : nullptr;
}

void GRID_Redraw(TK_OBJ grid) {
  if (GridView* v = view(grid)) v->grid_model()->refresh();
}

int GRID_EndEdit(TK_OBJ grid) {
  GridView* v = view(grid);
  return v && v->end_edit() ? 1 : 0;
}

int GRID_Editing(TK_OBJ grid) {
  GridView* v = view(grid);
  return v && v->editing() ? 1 : 0;
}

void GRID_MoveTo(TK_OBJ grid, int row, int col) {
  GridView* v = view(grid);
  if (!v) return;
  GridModel* m = v->grid_model();
  if (row >= 0 && col >= 0 && row < m->rows_ && col < m->cols_)
    v->setCurrentIndex(m->index(row, col));  // shows the cell's information
  else
    v->show_info(row, col);
}

const char* GRID_InfoText(TK_OBJ grid) {
  GridView* v = view(grid);
  return v ? v->info_text_.c_str() : "";
}

void GRID_Select(TK_OBJ grid, int row, int col, int rows, int cols) {
  GridView* v = view(grid);
  if (!v || !v->selectionModel()) return;
  GridModel* m = v->grid_model();
  if (m->rows_ == 0 || m->cols_ == 0) return;
  if (row < 0) row = 0, rows = m->rows_;  // from the column headings: whole columns
  if (col < 0) col = 0, cols = m->cols_;  // from the row headings: whole rows
  const int r1 = std::min(m->rows_, row + rows) - 1, c1 = std::min(m->cols_, col + cols) - 1;
  if (row > r1 || col > c1) {
    v->selectionModel()->clearSelection();
    return;
  }
  const QItemSelection sel(m->index(row, col), m->index(r1, c1));
  v->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

std::string GRID_SelectionText(TK_OBJ grid) {
  GridView* v = view(grid);
  return v ? v->selection_text() : std::string();
}

int GRID_CopySelection(TK_OBJ grid) {
  const std::string text = GRID_SelectionText(grid);
  if (text.empty()) return 0;
  QApplication::clipboard()->setText(QString::fromStdString(text));
  return 1;
}

bool TKT_GridEdit(TK_OBJ grid, int row, int col, const char* text, bool end) {
  GridView* v = view(grid);
  if (!v) return false;
  GridModel* m = v->grid_model();
  if (row < 0 || col < 0 || row >= m->rows_ || col >= m->cols_) return false;
  v->end_edit();
  const QModelIndex i = m->index(row, col);
  v->setCurrentIndex(i);
  v->editor_ = nullptr;
  v->edit(i);
  auto* line = qobject_cast<QLineEdit*>(v->editor_.data());
  if (!line || !v->editing()) return false;
  line->clear();
  line->insert(QString::fromUtf8(text ? text : ""));
  if (end) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(line, &enter);
    // The editor's filter ends the edit through a queued call: run it as the event loop would.
    QCoreApplication::sendPostedEvents(v->itemDelegate(), QEvent::MetaCall);
    v->end_edit();  // in case the key did not reach the editor's filter
  }
  return true;
}

void TKT_GridKey(TK_OBJ grid, int key, int mods) {
  if (GridView* v = view(grid)) tk::send_key(v, key, mods);
}
