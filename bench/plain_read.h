// The reference of the benchmarks that read an image file: the file's bytes read with one fread
// into a new malloc'd buffer, which is then released. False when the file cannot be read.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace vxbench {

inline bool plain_read(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || st.st_size <= 0) return false;
  const std::size_t n = static_cast<std::size_t>(st.st_size);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  void* buf = std::malloc(n);
  const bool ok = buf && std::fread(buf, 1, n, f) == n;
  benchmark::DoNotOptimize(buf);
  benchmark::ClobberMemory();
  std::free(buf);
  std::fclose(f);
  return ok;
}

}  // namespace vxbench
