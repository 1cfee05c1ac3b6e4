// Entry of the main program. The command line is joined again and split at blanks by the
// program itself (no quoting), argument 0 being the program's own path; the toolkit starts
// with that list and gt_main runs the program.
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "shell/gt_main.h"
#include "shell/gt_misc.h"
#include "toolkit/tk_app.h"

namespace {
std::string own_path(const char* fallback) {
  char buf[PATH_MAX] = "";
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return fallback ? fallback : "";
  return std::string(buf, static_cast<std::size_t>(n));
}
}  // namespace

int main(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  std::vector<std::string> args = gt_split_command_line(line.c_str(), own_path(argv[0]).c_str());
  std::vector<char*> av;
  for (std::string& a : args) av.push_back(a.data());
  av.push_back(nullptr);
  int ac = static_cast<int>(args.size());
  TK_Init(&ac, av.data());
  return gt_main(ac, av.data());
}
