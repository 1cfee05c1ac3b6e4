// Alerts as Qt message boxes. With the test driver on, the box is answered from the driver's
// queue by clicking the button of the queued answer; with no answer queued it is not shown.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "toolkit/tk_alert.h"
#include "toolkit/tk_qt.h"

namespace {

QString s_title = "vx";

// The answer a closed box gives (close box or Escape): cancel for three-way questions, no
// for two-way questions, OK for the rest.
int closed_answer(int kind) { return kind == 3 ? 3 : 1; }

}  // namespace

void ALERT_SetTitle(const char* title) { s_title = tk::qs(title); }

int ALERT_Show(int kind, const char* text) {
  if (kind < 0 || kind > 4) return 0;
  tk::note_alert(kind, text);
  int queued = 0;
  const bool driven = tk::driver_on();
  if (driven && !tk::take_alert_answer(&queued)) {
    tk::note_unanswered();
    return closed_answer(kind);
  }
  QMessageBox box;
  box.setWindowTitle(s_title);
  box.setText(tk::qs(text));
  std::map<QAbstractButton*, int> codes;
  auto add = [&](const QString& label, QMessageBox::ButtonRole role, int code) {
    codes[box.addButton(label, role)] = code;
  };
  switch (kind) {
    case 0: box.setIcon(QMessageBox::Critical); add("OK", QMessageBox::AcceptRole, 1); break;
    case 1: box.setIcon(QMessageBox::Information); add("OK", QMessageBox::AcceptRole, 1); break;
    case 2:
      box.setIcon(QMessageBox::Question);
      add("Yes", QMessageBox::YesRole, 2);
      add("No", QMessageBox::NoRole, 1);
      break;
    case 3:
      box.setIcon(QMessageBox::Question);
      add("Yes", QMessageBox::YesRole, 2);
      add("No", QMessageBox::NoRole, 1);
      add("Cancel", QMessageBox::RejectRole, 3);
      break;
    default: box.setIcon(QMessageBox::Warning); add("OK", QMessageBox::AcceptRole, 1); break;
  }
  if (driven) {
    // Press the button of the queued answer once the box is up; an answer the box does not
    // offer closes it as the close box would.
    QPointer<QMessageBox> pbox(&box);
    QTimer::singleShot(0, [pbox, queued, &codes] {
      if (!pbox) return;
      for (auto& [b, c] : codes)
        if (c == queued) {
          b->click();
          return;
        }
      pbox->reject();
    });
  }
  tk::exec_dialog(box);
  auto it = codes.find(box.clickedButton());
  return it == codes.end() ? closed_answer(kind) : it->second;
}

int ALERT_NewError(const char* text) { return ALERT_Show(0, text); }
