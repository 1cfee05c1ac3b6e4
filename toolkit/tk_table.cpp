// The table widget.
#include "toolkit/tk_table.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLayout>
#include <QTableView>
#include <QVBoxLayout>

#include "toolkit/tk_qt.h"

namespace {

class TableModel : public QAbstractTableModel {
 public:
  TableModel(TK_OBJ obj, QObject* parent) : QAbstractTableModel(parent), obj_(obj) {}
  int rowCount(const QModelIndex& p) const override { return p.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : cols_; }
  QVariant data(const QModelIndex& i, int role) const override {
    if (role != Qt::DisplayRole || !proc_ || !i.isValid()) return {};
    const char* s = proc_(obj_, i.row(), i.column());
    return s ? QString::fromUtf8(s) : QString();
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return QString::number(section + 1);
    (void)o;
  }
  void reset_size(int rows, int cols) {
    beginResetModel();
    rows_ = rows < 0 ? 0 : rows;
    cols_ = cols < 0 ? 0 : cols;
    endResetModel();
  }
  TK_OBJ obj_;
  TkCellProc proc_ = nullptr;
  TkClickProc click_ = nullptr;
  TkCopyProc copy_ = nullptr;
  int rows_ = 0, cols_ = 0;
};

class TableView : public QTableView {
 public:
  using QTableView::QTableView;
  TK_OBJ obj = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->matches(QKeySequence::Copy)) {
      TABLE_CopySelection(obj);
      return;
    }
    QTableView::keyPressEvent(e);
  }
};

TableView* view(TK_OBJ t) {
  QWidget* w = tk::widget(t);
  return w ? w->findChild<TableView*>("tk_table", Qt::FindDirectChildrenOnly) : nullptr;
}
TableModel* model(TK_OBJ t) {
  TableView* v = view(t);
  return v ? static_cast<TableModel*>(v->model()) : nullptr;
}

}  // namespace

void TABLE_Attach(TK_OBJ group) {
  QWidget* w = tk::widget(group);
  if (!w || view(group)) return;
  auto* v = new TableView(w);
  v->obj = group;
  v->setObjectName("tk_table");
  v->setModel(new TableModel(group, v));
  v->setSelectionMode(QAbstractItemView::ContiguousSelection);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  v->setWordWrap(false);
  v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 4);
  v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  v->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  if (!w->layout()) new QVBoxLayout(w);
  w->layout()->addWidget(v);
  w->setFocusProxy(v);  // keys meant for the part (the copy key) reach the table
  QObject::connect(v, &QTableView::clicked, [group](const QModelIndex& i) {
    if (TableModel* m = model(group); m && m->click_) m->click_(group, i.row(), i.column());
  });
}

int TABLE_Is(TK_OBJ w) { return view(w) ? 1 : 0; }

void TABLE_SetCellProc(TK_OBJ table, TkCellProc proc) {
  if (TableModel* m = model(table)) m->proc_ = proc;
}

void TABLE_SetSize(TK_OBJ table, int rows, int cols) {
  if (TableModel* m = model(table)) m->reset_size(rows, cols);
}

void TABLE_SetCopyProc(TK_OBJ table, TkCopyProc proc) {
  if (TableModel* m = model(table)) m->copy_ = proc;
}

void TABLE_SetClickProc(TK_OBJ table, TkClickProc proc) {
  if (TableModel* m = model(table)) m->click_ = proc;
}

void TABLE_Click(TK_OBJ table, int row, int col) {
  TableView* v = view(table);
  TableModel* m = model(table);
  if (!v || !m || row < 0 || row >= m->rows_ || col < 0 || col >= m->cols_) return;
  TABLE_Select(table, row, col, 1, 1);
  Q_EMIT v->clicked(m->index(row, col));
}

void TABLE_SetListStyle(TK_OBJ table) {
  TableView* v = view(table);
  if (!v) return;
  v->verticalHeader()->hide();
  v->horizontalHeader()->hide();
  v->horizontalHeader()->setStretchLastSection(true);
  v->setShowGrid(false);
}

void TABLE_ClearSelection(TK_OBJ table) {
  if (TableView* v = view(table)) v->clearSelection();
}

int TABLE_Rows(TK_OBJ table) { TableModel* m = model(table); return m ? m->rows_ : 0; }
int TABLE_Cols(TK_OBJ table) { TableModel* m = model(table); return m ? m->cols_ : 0; }

void TABLE_SetColWidth(TK_OBJ table, int col, int chars) {
  if (TableView* v = view(table))
    v->setColumnWidth(col, v->fontMetrics().horizontalAdvance(QString(chars + 2, QLatin1Char('0'))) + 12);
}

int TABLE_GetSelection(TK_OBJ table, int* row, int* col, int* rows, int* cols) {
  TableView* v = view(table);
  if (!v || !v->selectionModel()) return 0;
  const QItemSelection sel = v->selectionModel()->selection();
  if (sel.isEmpty()) return 0;
  int r0 = INT32_MAX, c0 = INT32_MAX, r1 = -1, c1 = -1;
  for (const QItemSelectionRange& r : sel) {
    r0 = std::min(r0, r.top());
    c0 = std::min(c0, r.left());
    r1 = std::max(r1, r.bottom());
    c1 = std::max(c1, r.right());
  }
  *row = r0;
  *col = c0;
  *rows = r1 - r0 + 1;
  *cols = c1 - c0 + 1;
  return 1;
}

void TABLE_Select(TK_OBJ table, int row, int col, int rows, int cols) {
  TableView* v = view(table);
  TableModel* m = model(table);
  if (!v || !m || rows <= 0 || cols <= 0) return;
  const QItemSelection sel(m->index(row, col), m->index(row + rows - 1, col + cols - 1));
  v->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

std::string TABLE_SelectionText(TK_OBJ table) {
  int r0, c0, nr, nc;
  TableModel* m = model(table);
  if (!m || !TABLE_GetSelection(table, &r0, &c0, &nr, &nc)) return {};
  std::string out;
  for (int r = r0; r < r0 + nr; ++r) {
    for (int c = c0; c < c0 + nc; ++c) {
      const char* s = m->proc_ ? m->proc_(table, r, c) : nullptr;
      if (s) out += s;
      out += '\t';
    }
    out += '\n';
  }
  return out;
}

int TABLE_CopySelection(TK_OBJ table) {
  int r0, c0, nr, nc;
  if (!TABLE_GetSelection(table, &r0, &c0, &nr, &nc)) return 0;
  const TableModel* m = model(table);
  const std::string text = m && m->copy_ ? m->copy_(table, r0, c0, nr, nc) : TABLE_SelectionText(table);
  QApplication::clipboard()->setText(QString::fromStdString(text));
  return 1;
}

std::string TK_ClipboardText() { return QApplication::clipboard()->text().toStdString(); }

void TK_SetFixedFont(TK_OBJ w) {
  if (QWidget* q = tk::widget(w)) q->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}
