// GUI tests need the application object before any widget exists; they run on the offscreen
// platform. Death tests re-run the program, so a child starts from a fresh toolkit.
#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/tk_app.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TK_Init(&argc, argv);
  int rc = RUN_ALL_TESTS();
  TK_Terminate();
  return rc;
}
