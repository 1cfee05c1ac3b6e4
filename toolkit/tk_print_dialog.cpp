// The print dialog as the program shows it. Its print-to-file entry is kept (choosing it makes
// the program ask for the PostScript file itself), but Qt's own output file field beside it is
// hidden: a name typed there would never be used.
#include <QComboBox>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPrintDialog>
#include <QPrinter>

#include "toolkit/tk_qt.h"
#include "toolkit/tk_test.h"

namespace {

// The parts of Qt's print widget that make up its output file field.
constexpr const char* kFileField[] = {"filename", "fileBrowser", "lOutput"};

QList<QWidget*> field_parts(QWidget* dialog) {
  QList<QWidget*> parts;
  for (const char* name : kFileField)
    parts += dialog->findChildren<QWidget*>(QString::fromLatin1(name));
  return parts;
}

int hide_field(QWidget* dialog) {
  const QList<QWidget*> parts = field_parts(dialog);
  for (QWidget* w : parts) {
    w->setVisible(false);
    w->setEnabled(false);
  }
  return int(parts.size());
}

// Qt's dialog shows the field again each time it is shown (while printing to a file is
// offered): it is hidden once the dialog has been shown. Choosing the print-to-file entry
// enables the field, and the dialog then checks the name in it (and may ask about replacing a
// file the user cannot see): the field is kept disabled.
class HideFileField : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (!o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    if (e->type() == QEvent::Show && w->isWindow()) hide_field(w);
    if (e->type() == QEvent::EnabledChange && !w->isWindow() && w->isEnabled())
      w->setEnabled(false);
    return false;
  }
};

}  // namespace

namespace tk {

int hide_print_file_field(QWidget* dialog) {
  auto* filter = new HideFileField(dialog);
  dialog->installEventFilter(filter);
  for (QWidget* w : field_parts(dialog)) w->installEventFilter(filter);
  return hide_field(dialog);
}

}  // namespace tk

int TKT_PrintDialogFileFields() {
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dlg(&printer);
  if (tk::hide_print_file_field(&dlg) == 0) return -1;
  dlg.show();
  // Every printer in turn, the print-to-file entry among them: the field stays hidden and off.
  int shown = 0;
  auto count = [&] {
    for (QWidget* w : field_parts(&dlg))
      if (w->isVisible() || w->isEnabled()) ++shown;
  };
  count();
  auto* printers = dlg.findChild<QComboBox*>(QStringLiteral("printers"));
  if (!printers || printers->count() == 0) return -1;
  for (int i = 0; i < printers->count(); ++i) {
    printers->setCurrentIndex(i);
    count();
  }
  dlg.hide();
  return shown;
}
