// The print dialog as the program shows it. Its print-to-file entry is kept (choosing it makes
// the program ask for the PostScript file itself), but Qt's own output file field beside it is
// hidden: a name typed there would never be used. Its page properties start on the paper of
// the program's page set-up.
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

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

// Qt's dialog puts a printer's own default paper in its page properties (a CUPS printer's
// PPD default), whatever the printer was given, and hands that paper back on OK even when the
// user never opened them. The properties are watched: the first time each is shown it selects
// the set-up's paper, so that the user sees and keeps it unless they pick another.
class PaperWatch : public QObject {
 public:
  PaperWatch(QObject* dialog, QPageSize paper) : QObject(dialog), paper_(std::move(paper)) {}
  bool opened() const { return opened_; }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::ChildAdded) {
      QObject* child = static_cast<QChildEvent*>(e)->child();
      if (child && child->isWidgetType()) child->installEventFilter(this);
    } else if (e->type() == QEvent::Show && o != parent() && o->isWidgetType() &&
               static_cast<QWidget*>(o)->isWindow()) {
      if (auto* combo = o->findChild<QComboBox*>(QStringLiteral("pageSizeCombo"))) {
        opened_ = true;
        if (!seen_.contains(o)) {
          seen_.push_back(o);
          select(combo);
        }
      }
    }
    return false;
  }

 private:
  // The entry of the set-up's paper: the same key, else the same standard size, else the same
  // dimensions.
  void select(QComboBox* combo) const {
    int same_id = -1, same_size = -1;
    for (int i = 0; i < combo->count(); ++i) {
      const QPageSize p = combo->itemData(i).value<QPageSize>();
      if (!p.isValid()) continue;
      if (p.key() == paper_.key()) {
        combo->setCurrentIndex(i);
        return;
      }
      if (same_id < 0 && paper_.id() != QPageSize::Custom && p.id() == paper_.id()) same_id = i;
      if (same_size < 0 && p.isEquivalentTo(paper_)) same_size = i;
    }
    if (same_id >= 0 || same_size >= 0) combo->setCurrentIndex(same_id >= 0 ? same_id : same_size);
  }

  QPageSize paper_;
  QList<QObject*> seen_;
  bool opened_ = false;
};

}  // namespace

namespace tk {

int run_print_dialog(QPrinter* printer, const QPageSize& paper, bool* page_opened, int drive) {
  QPrintDialog dlg(printer);
  hide_print_file_field(&dlg);
  auto* watch = new PaperWatch(&dlg, paper);
  dlg.installEventFilter(watch);
  if (drive >= 0) {
    // The test driver presses the buttons once the dialog runs: Properties and their OK first
    // when asked, then Print.
    QTimer::singleShot(0, &dlg, [&dlg, drive] {
      if (drive == 1) {
        QTimer::singleShot(0, &dlg, [&dlg] {
          auto* props = qobject_cast<QDialog*>(QApplication::activeModalWidget());
          if (props && props != &dlg) props->accept();
        });
        if (auto* b = dlg.findChild<QPushButton*>(QStringLiteral("properties"))) b->click();
      }
      dlg.accept();
    });
  }
  const int r = tk::exec_dialog(dlg);
  if (page_opened) *page_opened = watch->opened();
  return r == QDialog::Accepted ? 1 : 0;
}

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
