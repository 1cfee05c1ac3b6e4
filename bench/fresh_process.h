// Timing the first run of something in a fresh process, the way a user meets it: this program
// is started again with VX_BENCH_CHILD=<task> in its environment, does the task once (timing
// only the part asked for) and prints the milliseconds; a reference program is run the same way.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vxbench {

// The first number a command prints on its standard output; NaN when it prints none or fails.
inline double command_number(const std::string& command) {
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) return NAN;
  double v = NAN;
  if (std::fscanf(p, "%lf", &v) != 1) v = NAN;
  if (::pclose(p) != 0) v = NAN;
  return v;
}

// The milliseconds a fresh copy of this program reports for `task`.
inline double child_ms(const std::string& task) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return NAN;
  self[n] = '\0';
  return command_number("VX_BENCH_CHILD='" + task + "' '" + std::string(self) + "'");
}

// The task this process was started for, or null in the benchmark program itself.
inline const char* child_task() { return std::getenv("VX_BENCH_CHILD"); }

}  // namespace vxbench
