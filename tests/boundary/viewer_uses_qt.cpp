// Must not compile: the viewer sees no Qt header (tests/CMakeLists.txt builds this file with
// the viewer's flags and expects the compiler to miss <QWidget>).
#include "viewer/velto_doc.h"

#include <QWidget>

void probe_viewer_widget() { QWidget w; }
