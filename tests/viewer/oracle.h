// Runs tests/viewer/oracle.py with Debian's python3 (scipy, scikit-bio) on a distance matrix.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "tree_fixture.h"

namespace velto_test {

// Writes the full symmetric matrix of `f` for the oracle.
inline void WriteMatrix(const Forest& f, const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "w");
  const std::size_t n = f.size();
  std::fprintf(out, "%zu\n", n);
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = 0; b < n; ++b)
      std::fprintf(out, "%.9g ",
                   a == b ? 0.0 : static_cast<double>(f.distances[velto::PackedIndex(a, b)]));
    std::fprintf(out, "\n");
  }
  std::fclose(out);
}

// Runs the oracle with `args` (paths included); true when it succeeded.
inline bool RunOracle(const std::string& args) {
  const std::string script = (vxtest::source_dir() / "tests/viewer/oracle.py").string();
  const std::string cmd = "/usr/bin/python3 '" + script + "' " + args;
  return std::system(cmd.c_str()) == 0;
}

}  // namespace velto_test
