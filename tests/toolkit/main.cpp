// GUI tests need the application object before any widget exists; ctest runs them on the
// offscreen platform (QT_QPA_PLATFORM=offscreen).
#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/tk_app.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  TK_Init(&argc, argv);
  int rc = RUN_ALL_TESTS();
  TK_Terminate();
  return rc;
}
