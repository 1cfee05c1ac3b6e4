// GUI tests need the application object before any widget exists; ctest runs them on the
// offscreen platform (QT_QPA_PLATFORM=offscreen), which is also the default here so that test
// listing and runs outside ctest need no display either.
#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/tk_app.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TK_Init(&argc, argv);
  int rc = RUN_ALL_TESTS();
  TK_Terminate();
  return rc;
}
