// The viewer's frame opens at the right and the foot of the screen, whole, clear of the menus
// of the program that starts it, and keeps a place the user gives it.
#include <gtest/gtest.h>

#include <QWidget>

#include "docview/framework_p.h"
#include "docview/test_hooks.h"
#include "velto_fixture.h"

namespace {

class FramePlace : public vtest::VeltoTest {};

TEST_F(FramePlace, TheFrameOpensWholeAtTheFootOfTheScreen) {
  struct Case {
    int w, h;
  } screens[] = {{1920, 1080}, {1024, 768}, {700, 500}};
  for (const Case& s : screens) {
    SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
    docview::test::SetScreenSize(s.w, s.h);
    ASSERT_TRUE(Start({vtest::SampleDir() + "/sample12.csv"}));
    QWidget* frame = app_->MainFrame()->window();
    const QRect r(frame->pos(), frame->size() + QSize(4, 22));  // with the frame allowance
    EXPECT_GE(r.left(), 0);
    EXPECT_GE(r.top(), 0);
    if (r.width() <= s.w) {
      EXPECT_LE(r.right(), s.w - 1 + 4);
    }
    if (r.height() <= s.h) {
      EXPECT_EQ(r.bottom(), s.h - 1);
    }
    // On a screen with room, it is clear of a main window's menus at the top of the screen.
    if (s.h - r.height() > 120) {
      EXPECT_GT(r.top(), 120);
    }
    // A place the user gives it stays when it is shown again.
    frame->move(10, 40);
    app_->MainFrame()->Show();
    EXPECT_EQ(frame->pos(), QPoint(10, 40));
  }
}

// A manager that draws its borders whole (the offscreen platform draws 2 pixels on each side):
// the whole outer frame opens on the screen, at its right.
TEST_F(FramePlace, TheWholeOuterFrameOpensOnTheScreen) {
  for (const QSize screen : {QSize(1920, 1080), QSize(1024, 768)}) {
    SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()));
    docview::test::SetScreenSize(screen.width(), screen.height());
    ASSERT_TRUE(Start({vtest::SampleDir() + "/sample12.csv"}));
    QWidget* frame = app_->MainFrame()->window();
    const QRect outer = frame->frameGeometry();
    ASSERT_GT(outer.width(), frame->width()) << "the platform draws no frame";
    EXPECT_TRUE(QRect(QPoint(0, 0), screen).contains(outer))
        << outer.left() << "," << outer.top() << " to " << outer.right() << "," << outer.bottom();
    EXPECT_EQ(outer.right(), screen.width() - 1);  // still at the right
  }
}

}  // namespace
