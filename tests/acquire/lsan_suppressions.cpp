// Blocks that system libraries keep, which the leak checker would report at the exit of every
// test: fontconfig keeps one per resolved font pattern for the life of the process, and SANE's
// test backend loses its reader thread's buffer when a scan ends early (the fixture keeps the
// backend loaded so that it can be named). Our own leaks are still reported.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libsane-test.so\n";
}
