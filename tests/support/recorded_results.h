// Results held fixed in a text file of "key = value" lines, one line a case and quantity: a test
// lists what the current code gives and compares it with the recorded lines, or, with its
// environment variable set to 1, writes the file from the current code instead. Large outputs are
// held as digests of their values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "test_support.h"

namespace vxtest {

// FNV-1a over the bytes of the values added.
struct Digest {
  uint64_t h = 1469598103934665603ull;
  void bytes(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  }
  template <class T>
  void add(T v) {
    bytes(&v, sizeof v);
  }
  std::string hex() const {
    char s[17];
    std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(h));
    return s;
  }
};

// The bits of a double, so that a recorded value is exact.
inline std::string hexbits(double v) {
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  char s[17];
  std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(u));
  return s;
}

using Results = std::map<std::string, std::string>;

// True when the environment variable `var` is 1: the test writes its file rather than compares.
inline bool recording(const char* var) {
  const char* v = std::getenv(var);
  return v && std::strcmp(v, "1") == 0;
}

inline Results read_results(const std::filesystem::path& file) {
  Results out;
  std::istringstream in(read_text(file));
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find(" = ");
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 3);
  }
  return out;
}

// Compares a test's results with the ones recorded in `file`, or with `var` set to 1 records them
// (then skips the test: call it last). A file may hold the results of several tests: a test's keys
// all begin with its `section` (empty: the file is the test's alone) and recording rewrites only
// those lines. Every recorded key of the section must be in `got` with the same value, and `got`
// must hold nothing unrecorded; a mismatch names the key. Keys for which `may_lack` is true belong
// to cases that could not run here and may be missing. A section of fewer than `at_least` lines
// is broken. Tests that share a file record one after the other (run their program once, not
// ctest in parallel).
inline void expect_recorded(const char* var, const std::filesystem::path& file,
                            const std::string& section, const Results& got, size_t at_least,
                            const std::function<bool(const std::string&)>& may_lack = {}) {
  auto in_section = [&](const std::string& k) {
    return k.compare(0, section.size(), section) == 0;
  };
  for (const auto& [k, v] : got) ASSERT_TRUE(in_section(k)) << k << " is not in " << section;
  Results want = read_results(file);
  std::erase_if(want, [&](const auto& kv) { return !in_section(kv.first); });
  if (recording(var)) {
    Results all = read_results(file);
    std::erase_if(all, [&](const auto& kv) { return in_section(kv.first); });
    all.insert(got.begin(), got.end());
    std::string text;
    for (const auto& [k, v] : all) text += k + " = " + v + "\n";
    write_text(file, text);
    GTEST_SKIP() << "recorded " << got.size() << " results in " << file;
  }
  ASSERT_GE(want.size(), at_least) << "no recorded results for " << section << " in " << file;
  int reported = 0;
  auto report = [&](const std::string& what) {
    if (++reported <= 40) ADD_FAILURE() << what;
  };
  for (const auto& [k, v] : want) {
    const auto it = got.find(k);
    if (it == got.end()) {
      if (!may_lack || !may_lack(k)) report("missing: " + k);
    } else if (it->second != v) {
      report(k + "\n  recorded: " + v + "\n  now:      " + it->second);
    }
  }
  for (const auto& [k, v] : got) {
    if (!want.count(k)) report("not recorded: " + k + " = " + v);
  }
  if (reported > 40) ADD_FAILURE() << reported - 40 << " more mismatches";
}

}  // namespace vxtest
