// The accelerators as a user presses them: each key goes through Qt's shortcut handling of the
// main window, with an image window open in the workspace and holding the focus, and reaches
// its own command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeySequence>
#include <QMdiSubWindow>
#include <QTest>
#include <string>

#include "gel_fixture.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_menu.h"
#include "toolkit/tk_qt.h"

namespace {

using shelltest::OpenImagesTest;

class Keys : public OpenImagesTest {
 protected:
  // Presses the key on the focus widget of the main window, as the keyboard would.
  void press(const char* key_text) {
    const QKeySequence seq(QString::fromLatin1(key_text));
    ASSERT_EQ(seq.count(), 1) << key_text;
    QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : tk::widget(win_);
    QTest::keyClick(w, seq[0].key(), seq[0].keyboardModifiers());
  }
};

TEST_F(Keys, EveryAcceleratorReachesItsCommand) {
  QWidget* main = tk::widget(win_);
  main->show();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 120, 90));
  ASSERT_NE(im, nullptr);
  QWidget* canvas = tk::widget(static_cast<TK_OBJ>(im->draw_area));
  ASSERT_NE(canvas, nullptr);
  // The image's sub-window is in the workspace and its canvas has the focus.
  ASSERT_NE(canvas->window(), nullptr);
  EXPECT_EQ(canvas->window(), main);
  canvas->setFocus();
  QApplication::processEvents();

  // Busy: every entry refuses, so each key is seen by the accelerator routine and goes no
  // further (no command runs between presses).
  gt_get_control()->busy = 1;
  const std::vector<GtMenuAccel> keys = gt_menu_accels();
  ASSERT_GT(keys.size(), 20u);
  main_winNfySelMenuBar(win_, GT_CMD_IMPORT_MATRIX);  // a mark that only a command changes
  bool help = false;
  for (const GtMenuAccel& k : keys) {
    // Neighbours in the table differ, so a key that reached nothing shows.
    press(k.key);
    EXPECT_EQ(gt_menu_last_key(), k.id) << k.key;
    help = help || (k.id == GT_CMD_HELP && std::string(k.key) == "F1");
  }
  EXPECT_TRUE(help) << "F1 reaches Help";
  gt_get_control()->busy = 0;
  EXPECT_EQ(gt_dispatch_last_command(), GT_CMD_IMPORT_MATRIX) << "a key ran a command while busy";
}

TEST_F(Keys, WorkspaceWindowsBringNoKeysOfTheirOwn) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 120, 90));
  ASSERT_NE(im, nullptr);
  QWidget* canvas = tk::widget(static_cast<TK_OBJ>(im->draw_area));
  QMdiSubWindow* sub = nullptr;
  for (QWidget* p = canvas; p && !sub; p = p->parentWidget()) sub = qobject_cast<QMdiSubWindow*>(p);
  ASSERT_NE(sub, nullptr);
  for (QAction* a : sub->findChildren<QAction*>())
    EXPECT_TRUE(a->shortcuts().isEmpty()) << a->text().toStdString();
}

}  // namespace
