// The default printer and the page set-up, for the framework's own sources.
#pragma once

#include <QtGui/QPageLayout>
#include <QtPrintSupport/QPrinter>
#include <memory>

namespace docview {

// True when the system has a printer installed.
bool HasInstalledPrinter();
// The default printer: the system's, or with none installed a PDF printer at 254 pixels per inch
// on the page set-up's paper. Null only when no printer can be made.
std::shared_ptr<QPrinter> MakeDefaultPrinter();
// The page set-up (A4 portrait by default) that printers are made with.
QPageLayout& PageSetup();

}  // namespace docview
