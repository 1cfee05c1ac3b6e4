// The references of the benchmarks that read an image file. False when the file cannot be read.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <sys/stat.h>

namespace vxbench {

// The file's bytes read with one fread into a new malloc'd buffer, which is then released.
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

// The reference of a load against memory already in use: the file's bytes read with one fread
// into `buf`, kept by the caller from one call to the next (it grows to the file's size once).
inline bool kept_read(const std::string& path, std::vector<unsigned char>& buf) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || st.st_size <= 0) return false;
  const std::size_t n = static_cast<std::size_t>(st.st_size);
  if (buf.size() < n) buf.resize(n);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  const bool ok = std::fread(buf.data(), 1, n, f) == n;
  benchmark::DoNotOptimize(buf.data());
  benchmark::ClobberMemory();
  std::fclose(f);
  return ok;
}

}  // namespace vxbench
