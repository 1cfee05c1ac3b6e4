// The viewer's tests: its windows need the widget application before anything is shown. ctest runs
// them on the offscreen platform, which is also the default here.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

// The system's fontconfig keeps a block per resolved font pattern for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}
