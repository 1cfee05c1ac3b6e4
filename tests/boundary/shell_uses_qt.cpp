// Must not compile: the windows tier sees no Qt header (tests/CMakeLists.txt builds this file
// with the tier's flags and expects the compiler to miss <QWidget>).
#include "shell/gt_main.h"

#include <QWidget>

void probe_shell_widget() { QWidget w; }
