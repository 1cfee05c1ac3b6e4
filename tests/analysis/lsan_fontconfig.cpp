// The system's fontconfig keeps a block per resolved font pattern for the life of the process;
// the leak checker would report it at exit of every test that draws text. Our own leaks are
// still reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
