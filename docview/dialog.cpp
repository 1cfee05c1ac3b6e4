#include "docview/dialog.h"

#include <QtCore/QAbstractTableModel>
#include <QtGui/QIntValidator>
#include <QtGui/QRegularExpressionValidator>
#include <QtWidgets/QApplication>
#include <QtWidgets/QButtonGroup>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTableView>
#include <cstdlib>
#include <map>

#include "docview/framework_p.h"
#include "docview/message_box.h"
#include "docview/test_hooks.h"

namespace docview {

namespace {

// Dialog units of the classic 8-point dialog font: a quarter of the average character width
// across, an eighth of the character height down.
int DuX(int du) { return du * 6 / 4; }
int DuY(int du) { return du * 13 / 8; }

QString Q(const std::string& s) { return QString::fromUtf8(s.c_str()); }

// What a header section keeps beside its text: the style's margins and a little room.
int HeaderMargins(QWidget* view) {
  return 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) + 8;
}

// The grid's cells, formatted when the view asks for them.
class GridModel : public QAbstractTableModel {
 public:
  GridModel(CGridCtrl* grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : std::max(0, grid_->GetRows() - 1);
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : std::max(0, grid_->GetCols() - 1);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole) return Q(grid_->GetText(index.row() + 1, index.column() + 1));
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (o == Qt::Vertical) return Q(grid_->GetRowHeader(section + 1));
    // A column header too narrow for its text shows the text's two ends with the middle left
    // out; its tooltip gives it whole.
    const QString text = Q(grid_->GetColumnHeader(section + 1));
    auto* view = static_cast<QTableView*>(grid_->widget);
    if (role == Qt::ToolTipRole || !view) return text;
    QHeaderView* header = view->horizontalHeader();
    // Inside the style's margins, with room for the rounding of the text's width.
    const int room = header->sectionSize(section) - HeaderMargins(view) + 4;
    return header->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(0, room));
  }
  void ColumnResized(int section) { emit headerDataChanged(Qt::Horizontal, section, section); }
  void Reset() {
    beginResetModel();
    endResetModel();
  }

 private:
  CGridCtrl* grid_;
};

}  // namespace

struct DialogWindow : QDialog {
  CDialog* owner = nullptr;
  std::map<int, QWidget*> controls;
  std::map<int, std::vector<QRadioButton*>> radio_groups;  // by the first button's id
  void resizeEvent(QResizeEvent* e) override {
    QDialog::resizeEvent(e);
    if (owner) owner->OnSize(width(), height());
  }
  void reject() override {
    if (owner) owner->OnCancel();
  }
};

// ---- Grid ----

void CGridCtrl::SetRows(int n) {
  rows_ = std::max(0, n);
  Refresh();
}
void CGridCtrl::SetCols(int n) {
  cols_ = std::max(0, n);
  Refresh();
}
void CGridCtrl::SetCellSource(CellSource source) {
  source_ = std::move(source);
  Refresh();
}
std::string CGridCtrl::GetText(int row, int col) const {
  if (!source_ || row < 0 || col < 0 || row >= rows_ || col >= cols_) return {};
  return source_(row, col);
}
void CGridCtrl::SetColumnHeaderSource(HeaderSource source) {
  header_ = std::move(source);
  Refresh();
}
std::string CGridCtrl::GetColumnHeader(int col) const {
  if (header_ && col >= 1 && col < cols_) return header_(col);
  return GetText(0, col);
}
void CGridCtrl::FitColumnWidth(const std::string& widest_cell) {
  auto* view = static_cast<QTableView*>(widget);
  if (!view) return;
  QHeaderView* header = view->horizontalHeader();
  const QFontMetrics cells = view->fontMetrics(), heads = header->fontMetrics();
  int head = 0;
  for (int c = 1; c < cols_; ++c) head = std::max(head, heads.horizontalAdvance(Q(GetColumnHeader(c))));
  // Long labels would make every column as wide as the longest and push the values out of
  // sight: a header takes at most kHeaderChars characters, elided in the middle, where labels
  // that share a beginning still read apart by their ends.
  head = std::min(head, kHeaderChars * heads.averageCharWidth());
  int w = std::max(cells.horizontalAdvance(Q(widest_cell)), head);
  const int margins = HeaderMargins(view);
  w += margins;
  header->setMinimumSectionSize(std::min(w, header->minimumSectionSize()));
  header->setDefaultSectionSize(w);
  // The header column as wide as its widest label, every row looked at (the header's own size
  // hint samples the first and last hundred).
  QHeaderView* rows = view->verticalHeader();
  int rw = 0;
  for (int r = 1; r < rows_; ++r) rw = std::max(rw, rows->fontMetrics().horizontalAdvance(Q(GetRowHeader(r))));
  rows->setMinimumWidth(rw + margins);
}
int CGridCtrl::WidthToShow(int cols) const {
  auto* view = static_cast<QTableView*>(widget);
  if (!view) return 0;
  int w = 2 * view->frameWidth() + view->verticalHeader()->sizeHint().width() +
          view->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < std::min(cols, cols_ - 1); ++c) w += view->columnWidth(c);
  return w;
}
void CGridCtrl::SetRowHeaderSource(HeaderSource source) {
  row_header_ = std::move(source);
  Refresh();
}
std::string CGridCtrl::GetRowHeader(int row) const {
  if (row_header_ && row >= 1 && row < rows_) return row_header_(row);
  return GetText(row, 0);
}
int CGridCtrl::GetColumnWidth() const {
  auto* view = static_cast<QTableView*>(widget);
  return view ? view->horizontalHeader()->defaultSectionSize() : 0;
}
void CGridCtrl::Refresh() {
  auto* view = static_cast<QTableView*>(widget);
  if (!view) return;
  if (auto* m = dynamic_cast<GridModel*>(view->model())) m->Reset();
}
void CGridCtrl::MoveWindow(int x, int y, int w, int h) {
  auto* view = static_cast<QTableView*>(widget);
  if (!view) return;
  view->setGeometry(x, y, w, h);
  view->viewport()->update();
}

// ---- Data exchange ----

std::string RangeMessage(unsigned min, unsigned max) {
  return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) +
         ".";
}

void DDX_Radio(CDataExchange* dx, int first_id, int& value) {
  if (dx->failed) return;
  auto* w = dx->m_pDlg;
  // The group's buttons follow the first in the template, with consecutive identifiers.
  if (dx->m_bSaveAndValidate) {
    value = -1;
    for (int i = 0; i < 32; ++i)
      if (w->IsDlgButtonChecked(first_id + i)) {
        value = i;
        break;
      }
  } else {
    for (int i = 0; i < 32; ++i) w->CheckDlgButton(first_id + i, i == value);
  }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  if (dx->failed) return;
  if (dx->m_bSaveAndValidate)
    value = dx->m_pDlg->IsDlgButtonChecked(id) ? 1 : 0;
  else
    dx->m_pDlg->CheckDlgButton(id, value != 0);
}

void DDX_Text(CDataExchange* dx, int id, unsigned& value) {
  if (dx->failed) return;
  if (!dx->m_bSaveAndValidate) {
    dx->m_pDlg->SetDlgItemText(id, std::to_string(value));
    return;
  }
  std::string text = dx->m_pDlg->GetDlgItemText(id);
  char* end = nullptr;
  unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || text.size() > 9) {
    AfxMessageBox("Please enter a positive integer.");
    dx->failed = true;
    return;
  }
  value = static_cast<unsigned>(v);
}

void DDV_MinMaxUInt(CDataExchange* dx, unsigned value, unsigned min, unsigned max) {
  if (dx->failed || !dx->m_bSaveAndValidate) return;
  if (value < min || value > max) {
    AfxMessageBox(RangeMessage(min, max));
    dx->failed = true;
  }
}

// ---- Dialog ----

CDialog::CDialog(DialogTemplate tmpl) : tmpl_(std::move(tmpl)) {}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
  window_ = std::make_unique<DialogWindow>();
  DialogWindow* w = window_.get();
  w->owner = this;
  w->setWindowTitle(Q(tmpl_.title));
  w->setModal(true);
  QButtonGroup* group = nullptr;
  QWidget* pending_label = nullptr;
  int group_first = 0;
  for (const DialogControl& c : tmpl_.controls) {
    QWidget* made = nullptr;
    QString text = Q(c.text);
    switch (c.kind) {
      case DialogControl::GroupBox:
        made = new QGroupBox(text, w);
        made->lower();
        break;
      case DialogControl::RadioFirst:
      case DialogControl::Radio: {
        auto* b = new QRadioButton(text, w);
        if (c.kind == DialogControl::RadioFirst || !group) {
          group = new QButtonGroup(w);
          group_first = c.id;
        }
        group->addButton(b);
        w->radio_groups[group_first].push_back(b);
        made = b;
        break;
      }
      case DialogControl::Label:
        made = new QLabel(text, w);
        break;
      case DialogControl::NumberEdit: {
        auto* e = new QLineEdit(w);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
        made = e;
        break;
      }
      case DialogControl::Check:
        made = new QCheckBox(text, w);
        break;
      case DialogControl::Button:
      case DialogControl::DefButton: {
        auto* b = new QPushButton(text, w);
        b->setDefault(c.kind == DialogControl::DefButton);
        b->setAutoDefault(c.kind == DialogControl::DefButton);
        int id = c.id;
        QObject::connect(b, &QPushButton::clicked, w, [this, id] { ClickButton(id); });
        made = b;
        break;
      }
      case DialogControl::Grid: {
        auto grid = std::make_unique<CGridCtrl>();
        auto* view = new QTableView(w);
        grid->widget = view;
        auto* model = new GridModel(grid.get(), view);
        view->setModel(model);
        QObject::connect(view->horizontalHeader(), &QHeaderView::sectionResized, model,
                         [model](int section, int, int) { model->ColumnResized(section); });
        view->setSelectionMode(QAbstractItemView::ContiguousSelection);
        view->verticalHeader()->setDefaultSectionSize(20);
        view->horizontalHeader()->setDefaultSectionSize(128);
        view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
        grids_.push_back(std::move(grid));
        made = view;
        break;
      }
      case DialogControl::Icon: {
        auto* l = new QLabel(w);
        l->setPixmap(QApplication::windowIcon().pixmap(32, 32));
        made = l;
        break;
      }
    }
    if (c.kind != DialogControl::Radio && c.kind != DialogControl::RadioFirst) group = nullptr;
    // A label's "&" marks the key that moves to the control after it.
    if (auto* label = qobject_cast<QLabel*>(pending_label)) label->setBuddy(made);
    pending_label = c.kind == DialogControl::Label && c.text.find('&') != std::string::npos ? made : nullptr;
    made->setGeometry(DuX(c.x), DuY(c.y), DuX(c.w), DuY(c.h));
    if (c.id) w->controls[c.id] = made;
  }
  w->resize(DuX(tmpl_.w), DuY(tmpl_.h));
  if (!tmpl_.resizable) w->setFixedSize(w->size());
  result_ = IDCANCEL;
  ended_ = false;
  if (!OnInitDialog()) {
    window_.reset();
    return IDCANCEL;
  }
  if (test::Enabled()) {
    w->show();
    QCoreApplication::processEvents();
    test::RunDialogProc(*this);
    if (!ended_) EndDialog(IDCANCEL);
  } else if (!ended_) {
    w->exec();
    if (!ended_) EndDialog(IDCANCEL);
  }
  window_->owner = nullptr;
  window_->hide();
  int result = result_;
  grids_.clear();
  window_.reset();
  return result;
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::UpdateData(bool save) {
  CDataExchange dx;
  dx.m_bSaveAndValidate = save;
  dx.m_pDlg = this;
  DoDataExchange(&dx);
  return !dx.failed;
}

void CDialog::EndDialog(int result) {
  result_ = result;
  ended_ = true;
  if (window_ && window_->isVisible() && !test::Enabled()) window_->done(result);
}

std::string CDialog::GetDlgItemText(int id) const {
  if (!window_) return {};
  auto it = window_->controls.find(id);
  if (it == window_->controls.end()) return {};
  if (auto* e = qobject_cast<QLineEdit*>(it->second)) return e->text().toStdString();
  if (auto* b = qobject_cast<QAbstractButton*>(it->second)) return b->text().toStdString();
  if (auto* l = qobject_cast<QLabel*>(it->second)) return l->text().toStdString();
  return {};
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
  if (!window_) return;
  auto it = window_->controls.find(id);
  if (it == window_->controls.end()) return;
  if (auto* e = qobject_cast<QLineEdit*>(it->second)) e->setText(Q(text));
  else if (auto* b = qobject_cast<QAbstractButton*>(it->second)) b->setText(Q(text));
  else if (auto* l = qobject_cast<QLabel*>(it->second)) l->setText(Q(text));
}

bool CDialog::IsDlgButtonChecked(int id) const {
  if (!window_) return false;
  auto it = window_->controls.find(id);
  if (it == window_->controls.end()) return false;
  auto* b = qobject_cast<QAbstractButton*>(it->second);
  return b && b->isChecked();
}

void CDialog::CheckDlgButton(int id, bool on) {
  if (!window_) return;
  auto it = window_->controls.find(id);
  if (it == window_->controls.end()) return;
  if (auto* b = qobject_cast<QAbstractButton*>(it->second)) b->setChecked(on);
}

void CDialog::ClickButton(int id) {
  if (id == IDOK)
    OnOK();
  else if (id == IDCANCEL)
    OnCancel();
  else
    OnCommand(static_cast<unsigned>(id));
}

void CDialog::SetWindowText(const std::string& title) {
  tmpl_.title = title;
  if (window_) window_->setWindowTitle(Q(title));
}

std::string CDialog::GetWindowText() const {
  return window_ ? window_->windowTitle().toStdString() : tmpl_.title;
}

CGridCtrl* CDialog::GetGrid(int id) {
  if (!window_) return nullptr;
  auto it = window_->controls.find(id);
  if (it == window_->controls.end()) return nullptr;
  for (auto& g : grids_)
    if (g->widget == it->second) return g.get();
  return nullptr;
}

void CDialog::Resize(int w, int h) {
  if (window_) window_->resize(w, h);
}

void CDialog::WidenTo(int w) {
  if (!window_) return;
  const QRect room = FreeRoom(window_.get());
  // The frame's borders stay on the screen too.
  if (room.isValid()) w = std::min(w, room.width() - 8);
  if (w > window_->width()) window_->resize(w, window_->height());
}

bool CDialog::Grab(const std::string& png_path) {
  if (!window_) return false;
  QCoreApplication::processEvents();
  return window_->grab().save(Q(png_path), "PNG");
}

// ---- Choosers ----

bool ChooseOpenFile(const std::string& filter, std::string& path) {
  test::CountFileChooser();
  if (test::Enabled()) {
    bool answered = false;
    return test::TakeFileAnswer(path, answered);
  }
  // "Name (*.x)|*.x|...||" becomes Qt's "Name (*.x);;...".
  QStringList parts = Q(filter).split('|', Qt::SkipEmptyParts);
  QStringList names;
  for (int i = 0; i < parts.size(); i += 2) names << parts[i];
  QString chosen = QFileDialog::getOpenFileName(nullptr, "Open", QString(), names.join(";;"));
  if (chosen.isEmpty()) return false;
  path = chosen.toStdString();
  return true;
}

bool ChooseFont(std::string& face, int& tenths) {
  if (test::Enabled()) {
    bool answered = false;
    return test::TakeFontAnswer(face, tenths, answered);
  }
  QFont initial(Q(face));
  initial.setPointSizeF(tenths / 10.0);
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, initial, nullptr, "Font");
  if (!ok) return false;
  face = f.family().toStdString();
  tenths = static_cast<int>(f.pointSizeF() * 10.0 + 0.5);
  return true;
}

}  // namespace docview
