// Checks resource sources before the build joins them into the resource file: every file is
// parsed as the program parses it at start-up (the sources together, so that a name defined in
// two files is caught too). Errors are printed as "file:line: message"; the exit status is 1
// when any file fails, so the build stops on it.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "toolkit/tk_resfile.h"

namespace {

// "line N: message" -> "file:N: message"
std::string located(const std::string& file, const std::string& error) {
  const std::string prefix = "line ";
  if (error.compare(0, prefix.size(), prefix) == 0) {
    const std::size_t colon = error.find(':');
    if (colon != std::string::npos)
      return file + ":" + error.substr(prefix.size(), colon - prefix.size()) + error.substr(colon);
  }
  return file + ": " + error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.res...\n", argv[0]);
    return 2;
  }
  std::map<std::string, ResModule> modules;
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read\n", argv[i]);
      ++failed;
      continue;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    if (!res_parse(text.str(), &modules, &error)) {
      std::fprintf(stderr, "%s\n", located(argv[i], error).c_str());
      ++failed;
    }
  }
  return failed ? 1 : 0;
}
