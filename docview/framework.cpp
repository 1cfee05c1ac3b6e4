#include "docview/framework_p.h"

#include <algorithm>

#include <QtGui/QCloseEvent>
#include <QtGui/QPainter>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QScreen>
#include <QtWidgets/QLayout>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QStyle>

#include "base/ks_choose.h"
#include "docview/qt_device_p.h"
#include "docview/test_hooks.h"
#include "toolkit/core/tk_menu_text.h"

namespace docview {

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.c_str()); }

// A small printer: the theme's when it has one, else drawn here (Qt's styles have none).
QIcon PrinterIcon(int w, int h) {
  QIcon themed = QIcon::fromTheme("document-print");
  if (!themed.isNull()) return themed;
  QPixmap pm(w, h);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawRect(4, 1, w - 9, 5);  // paper going in
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(1, 5, w - 3, h - 10);  // body
  p.setBrush(Qt::white);
  p.drawRect(4, h - 6, w - 9, 4);  // paper coming out
  return QIcon(pm);
}

QMenu* fill_sub(QMenu* parent, const MenuItem& item,
                const std::function<void(QMenu*, const std::vector<MenuItem>&)>& fill) {
  auto* sub = new QMenu(Q(item.text), parent);
  fill(sub, item.popup);
  return sub;
}
}  // namespace

// ---- Views ----

CView::~CView() {
  if (document_) document_->RemoveView(this);
  if (window_) {
    window_->view = nullptr;
    delete window_;
  }
}

void CView::Invalidate() {
  if (window_) window_->viewport()->update();
}

CSize CView::GetClientSize() const {
  if (!window_) return {};
  return {window_->viewport()->width(), window_->viewport()->height()};
}

bool CView::OnCommand(unsigned id) {
  switch (id) {
    case ID_FILE_PRINT:
      OnFilePrint(false);
      return true;
    case ID_FILE_PRINT_DIRECT:
      OnFilePrint(true);
      return true;
    case ID_FILE_PRINT_PREVIEW:
      OnFilePrintPreview();
      return true;
    default:
      return false;
  }
}

bool CView::OnUpdateCommand(CCmdUI& ui) {
  switch (ui.m_nID) {
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW:
      ui.Enable(true);
      return true;
    default:
      return false;
  }
}

ViewWindow::ViewWindow(CView* v) : view(v) {
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFrameShape(QFrame::NoFrame);
}

void ViewWindow::UpdateScrollBars() {
  QSize vp = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, total.width() - vp.width()));
  verticalScrollBar()->setRange(0, std::max(0, total.height() - vp.height()));
  horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
  verticalScrollBar()->setPageStep(std::max(1, vp.height()));
  horizontalScrollBar()->setSingleStep(std::max(1, total.width() / 100));
  verticalScrollBar()->setSingleStep(std::max(1, total.height() / 100));
}

void ViewWindow::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void ViewWindow::paintEvent(QPaintEvent*) {
  if (!view) return;
  QPainter painter(viewport());
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(viewport()->rect(), Qt::white);
  auto device = std::make_shared<QtDevice>(viewport(), &painter, false);
  CDC dc(device);
  view->OnPrepareDC(&dc, nullptr);
  view->OnDraw(&dc);
}

void CScrollView::SetScrollSizes(int map_mode, CSize total, CSize, CSize) {
  map_mode_ = map_mode;
  total_ = total;
  scale_to_fit_ = false;
  if (ViewWindow* w = window()) {
    double dx = w->viewport()->logicalDpiX(), dy = w->viewport()->logicalDpiY();
    double f = map_mode == MM_LOMETRIC ? 1.0 / 254.0 : 0.0;
    w->total = map_mode == MM_LOMETRIC
                   ? QSize(static_cast<int>(std::abs(total.cx) * dx * f + 0.5),
                           static_cast<int>(std::abs(total.cy) * dy * f + 0.5))
                   : QSize(std::abs(total.cx), std::abs(total.cy));
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    w->UpdateScrollBars();
  }
}

void CScrollView::SetScaleToFitSize(CSize total) {
  total_ = total;
  scale_to_fit_ = true;
  if (ViewWindow* w = window()) {
    w->total = QSize();
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w->UpdateScrollBars();
  }
}

CPoint CScrollView::GetScrollPosition() const {
  if (ViewWindow* w = window())
    return {w->horizontalScrollBar()->value(), w->verticalScrollBar()->value()};
  return {};
}

void CScrollView::ScrollToPosition(CPoint device) {
  if (ViewWindow* w = window()) {
    w->horizontalScrollBar()->setValue(device.x);
    w->verticalScrollBar()->setValue(device.y);
  }
}

void CScrollView::OnPrepareDC(CDC* dc, CPrintInfo* info) {
  if (scale_to_fit_) {
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(total_.cx == 0 ? 1 : total_.cx, total_.cy == 0 ? 1 : total_.cy);
    CSize client = GetClientSize();
    dc->SetViewportExt(std::max(1, client.cx), std::max(1, client.cy));
    return;
  }
  dc->SetMapMode(map_mode_);
  if (!dc->IsPrinting() && !info) {
    CPoint pos = GetScrollPosition();
    dc->SetViewportOrg(-pos.x, -pos.y);
  }
}

// ---- Frame ----

FrameWindow::FrameWindow(CFrameWnd* o) : owner(o) {
  resize(800, 600);
}

QAction* FrameWindow::MakeAction(unsigned id, const QString& text) {
  QString label = text, shortcut;
  int tab = text.indexOf('\t');
  if (tab >= 0) {
    label = text.left(tab);
    shortcut = text.mid(tab + 1);
  }
  auto* a = new QAction(label, this);
  if (!shortcut.isEmpty()) {
    a->setShortcut(QKeySequence(shortcut));
    a->setShortcutContext(Qt::ApplicationShortcut);
  }
  a->setData(id);
  QObject::connect(a, &QAction::triggered, this, [this, id] {
    owner->RouteCommand(id);
    if (CWinApp::Get() && CWinApp::Get()->GetMainWnd() == owner) owner->UpdateCommandUI();
  });
  QObject::connect(a, &QAction::hovered, this, [this, id] {
    auto it = prompts.find(id);
    if (it != prompts.end()) owner->SetMessageText(it->second.substr(0, it->second.find('\n')));
  });
  actions[id].push_back(a);
  return a;
}

void FrameWindow::FillRecent() {
  if (!mru_menu) return;
  for (QAction* a : mru_actions) {
    auto& list = actions[a->data().toUInt()];
    list.erase(std::remove(list.begin(), list.end(), a), list.end());
    mru_menu->removeAction(a);
    a->deleteLater();
  }
  mru_actions.clear();
  std::vector<std::string> texts = owner->RecentMenuTexts();
  if (texts.empty()) texts.push_back("Recent File");
  for (std::size_t i = 0; i < texts.size(); ++i) {
    QAction* a = MakeAction(ID_FILE_MRU_FILE1 + static_cast<unsigned>(i), Q(texts[i]));
    mru_menu->insertAction(mru_before, a);
    mru_actions.push_back(a);
  }
}

void FrameWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  switch (e->type()) {
    case QEvent::FontChange:
    case QEvent::ApplicationFontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ThemeChange:
      owner->OnSettingChange();
      break;
    default:
      break;
  }
}

bool FrameWindow::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    auto* tip = static_cast<QStatusTipEvent*>(e);
    message->setText(tip->tip().isEmpty() ? message->property("idle").toString() : tip->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void FrameWindow::closeEvent(QCloseEvent* e) {
  e->accept();
  if (CWinApp* app = CWinApp::Get(); app && app->GetMainWnd() == owner) app->Quit();
}

CFrameWnd::CFrameWnd() : window_(std::make_unique<FrameWindow>(this)) {}

CFrameWnd::~CFrameWnd() {
  if (view_ && document_) document_->RemoveView(view_.get());
  if (window_) {
    QWidget* central = window_->takeCentralWidget();
    (void)central;  // owned by the view
  }
  view_.reset();
  window_.reset();
}

void CFrameWnd::LoadMenu(const std::vector<MenuItem>& menu) {
  FrameWindow* w = window_.get();
  std::function<void(QMenu*, const std::vector<MenuItem>&)> fill = [&](QMenu* m,
                                                                        const std::vector<MenuItem>& items) {
    bool recent_here = false;
    for (const MenuItem& it : items) {
      QAction* added = nullptr;
      if (!it.popup.empty()) {
        added = m->addMenu(fill_sub(m, it, fill));
      } else if (it.id == 0) {
        added = m->addSeparator();
      } else if (it.id == ID_FILE_MRU_FILE1) {
        w->mru_menu = m;  // the recent files stand here, before the next entry
        recent_here = true;
        continue;
      } else {
        added = w->MakeAction(it.id, Q(it.text));
        m->addAction(added);
      }
      if (recent_here) {
        w->mru_before = added;
        recent_here = false;
      }
    }
    QObject::connect(m, &QMenu::aboutToShow, w, [this, m] {
      if (m == window_->mru_menu) window_->FillRecent();
      UpdateCommandUI();
    });
  };
  for (const MenuItem& top : menu) {
    QMenu* m = w->menuBar()->addMenu(Q(top.text));
    fill(m, top.popup);
  }
  w->FillRecent();
}

void CFrameWnd::LoadToolBar(const std::vector<unsigned>& buttons, int bw, int bh,
                            const std::map<unsigned, std::string>& icons) {
  FrameWindow* w = window_.get();
  w->toolbar = w->addToolBar("Toolbar");
  w->toolbar->setObjectName("Toolbar");
  w->toolbar->setIconSize(QSize(bw, bh));
  w->toolbar->setAllowedAreas(Qt::AllToolBarAreas);
  w->toolbar->setMovable(true);
  for (unsigned id : buttons) {
    if (id == 0) {
      w->toolbar->addSeparator();
      continue;
    }
    QAction* a = w->MakeAction(id, QString());
    auto it = icons.find(id);
    std::string name = it == icons.end() ? "" : it->second;
    if (name == "print") {
      a->setIcon(PrinterIcon(bw, bh));
    } else {
      QStyle::StandardPixmap sp = QStyle::SP_FileIcon;
      if (name == "open") sp = QStyle::SP_DialogOpenButton;
      else if (name == "about") sp = QStyle::SP_MessageBoxQuestion;
      a->setIcon(w->style()->standardIcon(sp));
    }
    w->toolbar->addAction(a);
  }
  SetPrompts(window_->prompts);
}

void CFrameWnd::SetPrompts(const std::map<unsigned, std::string>& prompts) {
  window_->prompts = prompts;
  for (auto& [id, list] : window_->actions) {
    auto it = prompts.find(id);
    if (it == prompts.end()) continue;
    std::string prompt = it->second.substr(0, it->second.find('\n'));
    std::size_t nl = it->second.find('\n');
    std::string tip = nl == std::string::npos ? prompt : it->second.substr(nl + 1);
    for (QAction* a : list) {
      a->setStatusTip(Q(prompt));
      a->setToolTip(Q(tip));
      if (a->text().isEmpty()) a->setText(Q(tip));
    }
  }
}

void CFrameWnd::CreateStatusBar(int indicators) {
  FrameWindow* w = window_.get();
  QStatusBar* bar = w->statusBar();
  w->message = new QLabel(w);
  bar->addWidget(w->message, 1);
  // The lock-key panes: Qt has no portable query for the keys' state, so they stay empty.
  for (int i = 0; i < indicators; ++i) {
    auto* pane = new QLabel(w);
    pane->setMinimumWidth(40);
    pane->setFrameShape(QFrame::StyledPanel);
    bar->addPermanentWidget(pane);
  }
}

void CFrameWnd::SetIcon(const std::string&) {
  window_->setWindowIcon(window_->style()->standardIcon(QStyle::SP_FileDialogListView));
  QApplication::setWindowIcon(window_->windowIcon());
}

void CFrameWnd::UpdateTitle() {
  std::string doc = document_ && !document_->GetTitle().empty() ? document_->GetTitle() : "Untitled";
  window_->setWindowTitle(Q(doc + " - " + base_title_));
}

std::string CFrameWnd::GetWindowText() const { return window_->windowTitle().toStdString(); }

void CFrameWnd::SetMessageText(const std::string& text) {
  if (window_->message) {
    window_->message->setText(Q(text));
    if (!window_->message->property("idle").isValid()) window_->message->setProperty("idle", Q(text));
  }
}

std::string CFrameWnd::GetMessageText() const {
  return window_->message ? window_->message->text().toStdString() : std::string();
}

void CFrameWnd::ReplaceView(std::unique_ptr<CView> view) {
  std::unique_ptr<CView> old = std::move(view_);
  auto* w = new ViewWindow(view.get());
  view->window_ = w;
  view->frame_ = this;
  if (document_) document_->AddView(view.get());
  if (old) window_->takeCentralWidget();
  window_->setCentralWidget(w);
  view_ = std::move(view);
  view_->OnInitialUpdate();
  RecalcLayout();
  old.reset();
  UpdateCommandUI();
}

void CFrameWnd::RecalcLayout() {
  if (window_->centralWidget()) window_->centralWidget()->updateGeometry();
}

bool CFrameWnd::RouteCommand(unsigned id) {
  if (view_ && view_->OnCommand(id)) return true;
  if (document_ && document_->OnCommand(id)) return true;
  if (OnCommand(id)) return true;
  CWinApp* app = CWinApp::Get();
  return app && app->OnCommand(id);
}

void CFrameWnd::PostCommand(unsigned id) {
  QMetaObject::invokeMethod(
      window_.get(),
      [this, id] {
        RouteCommand(id);
        UpdateCommandUI();
      },
      Qt::QueuedConnection);
}

void PumpMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

CCmdUI CFrameWnd::QueryCommand(unsigned id) {
  CCmdUI ui(id);
  CWinApp* app = CWinApp::Get();
  bool handled = (view_ && view_->OnUpdateCommand(ui)) || (document_ && document_->OnUpdateCommand(ui)) ||
                 OnUpdateCommand(ui) || (app && app->OnUpdateCommand(ui));
  if (!handled) ui.enabled = false;
  return ui;
}

void CFrameWnd::UpdateCommandUI() {
  for (auto& [id, list] : window_->actions) {
    CCmdUI ui = QueryCommand(id);
    for (QAction* a : list) {
      a->setEnabled(ui.enabled);
      a->setCheckable(ui.checked || a->isCheckable());
      a->setChecked(ui.checked);
    }
  }
}

bool CFrameWnd::OnCommand(unsigned id) {
  if (id == ID_VIEW_TOOLBAR && window_->toolbar) {
    window_->toolbar->setVisible(!window_->toolbar->isVisible());
    return true;
  }
  if (id == ID_VIEW_STATUS_BAR) {
    window_->statusBar()->setVisible(!window_->statusBar()->isVisible());
    return true;
  }
  return false;
}

bool CFrameWnd::OnUpdateCommand(CCmdUI& ui) {
  if (ui.m_nID == ID_VIEW_TOOLBAR) {
    ui.SetCheck(window_->toolbar && !window_->toolbar->isHidden());
    return true;
  }
  if (ui.m_nID == ID_VIEW_STATUS_BAR) {
    ui.SetCheck(!window_->statusBar()->isHidden());
    return true;
  }
  return false;
}

void CFrameWnd::Show() {
  // First shown, the frame is placed as the tool windows of the program that starts the viewer
  // are (at the right and the foot of the screen's free room), on screen, whole and clear of
  // that program's menus; later the user's own placement stands.
  const bool first = !placed_;
  if (!placed_) {
    placed_ = true;
    PlaceWindow(window_.get(), 100, 100);
  }
  window_->show();
  if (first) KeepFrameOnScreen(window_.get());
}

QRect FreeRoom(QWidget* w) {
  int tw = 0, th = 0;
  if (test::ScreenSize(&tw, &th)) return QRect(0, 0, tw, th);
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->availableGeometry() : QRect();
}

// The placing reckons with a frame of 4 by 22 pixels; a window manager may draw another one,
// known only once the window shows. A frame that then reaches past an edge of the free room is
// moved until it is inside, the manager's borders included: the placing rule's own test lets a
// frame reach 4 pixels past the right edge, which a manager that draws its borders whole would
// put off the screen. Looked at once shown and a few times more while the manager frames it,
// and left alone once someone else has moved it.
void KeepFrameOnScreen(QWidget* w) {
  struct Check {
    QPointer<QWidget> w;
    QPoint at;
    int left;
    void operator()() {
      if (!w || !w->isVisible() || (w->frameGeometry().topLeft() - at).manhattanLength() > 64) return;
      const QRect room = FreeRoom(w), f = w->frameGeometry();
      if (room.isValid()) {
        int x = f.x() - room.x(), y = f.y() - room.y();
        ui_wpos_inside(room.width(), room.height(), f.width(), f.height(), &x, &y);
        if (f.width() <= room.width()) x = std::clamp(x, 0, room.width() - f.width());
        if (f.height() <= room.height()) y = std::clamp(y, 0, room.height() - f.height());
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
  Check now{w, w->frameGeometry().topLeft(), 6};
  now();
}

void PlaceWindow(QWidget* w, int x_pct, int y_pct) {
  const QRect free = FreeRoom(w);
  if (!free.isValid()) return;
  if (QLayout* l = w->layout()) l->activate();
  // The outer size with the same frame allowance as the placing rule takes (4 by 22).
  const int ow = w->width() + 4, oh = w->height() + 22;
  int x, y;
  ui_wpos_point(free.width(), free.height(), ow, oh, x_pct, y_pct, FALSE, &x, &y);
  ui_wpos_inside(free.width(), free.height(), ow, oh, &x, &y);
  w->move(free.x() + x, free.y() + y);
}
void CFrameWnd::Close() { window_->close(); }
bool CFrameWnd::IsVisible() const { return window_->isVisible(); }

bool CFrameWnd::Grab(const std::string& png_path) {
  QCoreApplication::processEvents();
  return window_->grab().save(Q(png_path), "PNG");
}

bool CFrameWnd::GrabMenu(const std::string& title, const std::string& png_path) {
  for (QAction* a : window_->menuBar()->actions()) {
    QMenu* m = a->menu();
    if (!m || a->text() != Q(title)) continue;
    m->popup(window_->mapToGlobal(QPoint(0, 0)));  // runs the menu's enabling, as a click does
    QCoreApplication::processEvents();
    bool ok = m->grab().save(Q(png_path), "PNG");
    m->hide();
    return ok;
  }
  return false;
}

void CFrameWnd::OnSettingChange() {
  if (CWinApp* app = CWinApp::Get(); app && app->GetMainWnd() == this)
    app->UpdateAllViews(0);
  else if (document_)
    document_->UpdateAllViews(nullptr, 0);
}

std::vector<std::string> CFrameWnd::RecentMenuTexts() const {
  std::vector<std::string> out;
  CWinApp* app = CWinApp::Get();
  if (!app) return out;
  const auto& files = app->RecentFiles();
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string text = "&";
    text += std::to_string(i + 1);
    text += ' ';
    text += MENU_Literal(files[i].c_str());  // a path takes no access key of its own
    out.push_back(std::move(text));
  }
  return out;
}

}  // namespace docview
