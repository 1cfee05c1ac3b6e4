#include <QtCore/QCoreApplication>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPageSetupDialog>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrintPreviewWidget>
#include <QtPrintSupport/QPrinterInfo>
#include <algorithm>

#include "docview/framework.h"
#include "docview/message_box.h"
#include "docview/printer_p.h"
#include "docview/qt_device_p.h"
#include "docview/test_hooks.h"

namespace docview {

const char* const kNoPrinterMessage = "No printer is installed: nothing was printed.";

QPageLayout& PageSetup() {
  // A4 portrait with a quarter-inch margin all round, as most printers can print.
  static QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                            QMarginsF(6.35, 6.35, 6.35, 6.35), QPageLayout::Millimeter);
  return layout;
}

bool HasInstalledPrinter() { return !QPrinterInfo::defaultPrinter().isNull(); }
bool PrinterInstalled() { return HasInstalledPrinter(); }

std::shared_ptr<QPrinter> MakeDefaultPrinter() {
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  std::shared_ptr<QPrinter> printer;
  if (!info.isNull()) {
    printer = std::make_shared<QPrinter>(info, QPrinter::HighResolution);
  } else {
    // No printer: a PDF file at 254 pixels per inch, so a pixel is a tenth of a millimetre.
    printer = std::make_shared<QPrinter>(QPrinter::ScreenResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(254);
  }
  printer->setPageLayout(PageSetup());
  return printer;
}

bool RunPageSetup() {
  std::shared_ptr<QPrinter> printer = MakeDefaultPrinter();
  if (!printer) return false;
  if (test::Enabled()) {
    bool landscape = false;
    if (!test::TakePageSetupAnswer(landscape)) return false;
    printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    PageSetup() = printer->pageLayout();
    return true;
  }
  QPageSetupDialog dlg(printer.get());
  if (dlg.exec() != QDialog::Accepted) return false;
  PageSetup() = printer->pageLayout();
  return true;
}

namespace {

// Draws the pages of `view` that the user chose on `printer`, each inside the printable area of
// the paper. The view may settle its page count when printing begins, on the printer's own
// context.
void PrintPages(CView* view, QPrinter* printer, CPrintInfo& info) {
  QPainter painter;
  if (!painter.begin(printer)) {
    AfxMessageBox("The printer could not be started: nothing was printed.");
    return;
  }
  painter.setRenderHint(QPainter::Antialiasing, true);
  QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
  auto device = std::make_shared<QtDevice>(printer, &painter, true);
  device->SetPage(page.width(), page.height());
  CDC dc(device);
  view->OnBeginPrinting(&dc, &info);
  const unsigned last = info.m_nMaxPage == 0xFFFF ? info.m_nMinPage : info.m_nMaxPage;
  const unsigned from = std::max(info.m_nMinPage, info.m_nFromPage);
  const unsigned to = info.m_nToPage > 0 ? std::min(last, info.m_nToPage) : last;
  for (unsigned p = from; p <= to; ++p) {
    if (p != from) printer->newPage();
    info.m_nCurPage = p;
    dc.SaveDC();
    // The painter's origin is the printable area's top left corner: nothing is drawn beyond it.
    dc.IntersectClipRect({0, 0, page.width(), page.height()});
    view->OnPrepareDC(&dc, &info);
    view->OnPrint(&dc, &info);
    dc.RestoreDC();
  }
  view->OnEndPrinting(&dc, &info);
  painter.end();
}

}  // namespace

bool CView::DoPreparePrinting(CPrintInfo* info) {
  std::shared_ptr<QPrinter> printer = MakeDefaultPrinter();
  if (!printer) return false;
  info->printer = printer;
  // The job carries the document's name: the print queue and a PDF file's title show it.
  if (CDocument* doc = GetDocument(); doc && !doc->GetTitle().empty())
    printer->setDocName(QString::fromStdString(doc->GetTitle()));
  if (info->m_bPreview) return true;
  // A direct print goes to the installed default printer. Without one the default printer is a
  // PDF file, which needs a name: the print dialog asks for it.
  if (info->m_bDirect && HasInstalledPrinter()) {
    if (CWinApp* app = CWinApp::Get(); app && !app->PrintToName().empty())
      printer->setPrinterName(QString::fromStdString(app->PrintToName()));
    return true;
  }
  if (test::Enabled()) {
    std::string path;
    bool answered = false;
    if (!test::TakePrintAnswer(path, answered)) return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(path));
    return true;
  }
  QPrintDialog dlg(printer.get());
  dlg.setMinMax(static_cast<int>(info->m_nMinPage), static_cast<int>(info->m_nMaxPage));
  if (dlg.exec() != QDialog::Accepted) return false;
  if (printer->fromPage() > 0) {
    info->m_nFromPage = static_cast<unsigned>(printer->fromPage());
    info->m_nToPage = static_cast<unsigned>(std::max(printer->fromPage(), printer->toPage()));
  }
  return true;
}

void CView::OnFilePrint(bool direct) {
  CPrintInfo info;
  info.m_bDirect = direct;
  if (!OnPreparePrinting(&info) || !info.printer) return;
  PrintPages(this, static_cast<QPrinter*>(info.printer.get()), info);
}

void CView::OnFilePrintPreview() {
  CPrintInfo info;
  info.m_bPreview = true;
  if (!OnPreparePrinting(&info) || !info.printer) return;
  QPrintPreviewDialog preview(static_cast<QPrinter*>(info.printer.get()));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&](QPrinter* p) { PrintPages(this, p, info); });
  if (test::Enabled()) {
    preview.show();
    QCoreApplication::processEvents();
    auto* widget = preview.findChild<QPrintPreviewWidget*>();
    test::RunPreviewProc(widget ? widget->pageCount() : 0);
    preview.close();
    return;
  }
  preview.exec();
}

}  // namespace docview
