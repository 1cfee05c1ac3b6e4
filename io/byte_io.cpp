// File helpers of the byte reader and writer: whole-file reads, replace-by-rename writes and
// offset reads.
#include "io/byte_io.h"

#include "base/io_file_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool read_full(int fd, uint8_t* dst, std::size_t n, uint64_t off) {
  while (n > 0) {
    ssize_t r = ::pread(fd, dst, n, static_cast<off_t>(off));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    dst += r;
    n -= static_cast<std::size_t>(r);
    off += static_cast<uint64_t>(r);
  }
  return true;
}

}  // namespace

bool io_read_whole_file(const char* path, std::vector<uint8_t>& out, std::size_t max_bytes) {
  out.clear();
  InFile f;
  if (!f.open(path)) return false;
  if (f.size() > max_bytes || f.size() > SIZE_MAX / 2) return false;
  try {
    out.resize(static_cast<std::size_t>(f.size()));
  } catch (...) {
    out.clear();
    return false;
  }
  if (!out.empty() && !f.read_at(0, out.data(), out.size())) {
    out.clear();
    return false;
  }
  return true;
}

bool io_write_file_replace(const char* path, const void* data, std::size_t n) {
  if (!path || !*path) return false;
  IoFileSet set;
  return set.put(path, data, n) && set.commit();
}

InFile::~InFile() {
  close();
}

bool InFile::open(const char* path) {
  close();
  if (!path) return false;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  return true;
}

void InFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

bool InFile::read_at(uint64_t off, void* dst, std::size_t n) {
  if (fd_ < 0) return false;
  if (off > size_ || n > size_ - off) return false;
  return read_full(fd_, static_cast<uint8_t*>(dst), n, off);
}
