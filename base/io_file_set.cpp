// Changes of several files that take effect as a whole: staging beside the targets, commit with
// the old files kept until the end, and the undo of a commit that fails half-way.
#include "base/io_file_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/slog.h"

namespace {

ssize_t sys_write(int fd, const void* buffer, std::size_t n) {
  return ::write(fd, buffer, n);
}
int sys_rename(const char* from, const char* to) {
  return std::rename(from, to);
}
int sys_link(const char* from, const char* to) {
  return ::link(from, to);
}
int sys_unlink(const char* path) {
  return ::unlink(path);
}

IoFileOps g_ops = {sys_write, sys_rename, sys_link, sys_unlink};

bool write_full(int fd, const unsigned char* src, std::size_t n) {
  while (n > 0) {
    ssize_t w = g_ops.write(fd, src, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    src += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Creates an empty private file with a free name beside `target`; the name goes to `name`.
int make_temp(const std::string& target, std::string& name) {
  name = target + ".XXXXXX";
  int fd = ::mkstemp(name.data());
  if (fd < 0) name.clear();
  return fd;
}

// Finishes a staged file: mode, flush to disk, close. False (file removed) on failure.
bool finish_temp(int fd, const std::string& name, mode_t mode, bool ok) {
  (void)::fchmod(fd, mode);  // a mode that cannot be set is not worth losing the data for
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(name.c_str());
  return ok;
}

}  // namespace

mode_t io_new_file_mode() {
  // The umask is read from the process's status where the kernel gives it, so that it is
  // never changed, not even for a moment; else it is set and put back at once.
  mode_t mask = 0;
  bool found = false;
  if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      unsigned m = 0;
      if (std::sscanf(line, "Umask: %o", &m) == 1) {
        mask = static_cast<mode_t>(m & 0777);
        found = true;
        break;
      }
    }
    std::fclose(f);
  }
  if (!found) {
    mask = ::umask(0);
    ::umask(mask);
  }
  return 0666 & ~mask;
}

mode_t io_target_file_mode(const char* target) {
  struct stat st;
  if (target && ::stat(target, &st) == 0) return st.st_mode & 07777;
  return io_new_file_mode();
}

IoFileOps io_file_ops_system() {
  return {sys_write, sys_rename, sys_link, sys_unlink};
}

IoFileOps io_file_set_ops(const IoFileOps& ops) {
  IoFileOps old = g_ops;
  g_ops = ops;
  return old;
}

IoFileOps io_file_ops() { return g_ops; }

mode_t IoFileSet::new_file_mode(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  if (!have_created_mode_) {
    created_mode_ = io_new_file_mode();
    have_created_mode_ = true;
  }
  return created_mode_;
}

IoFileSet::~IoFileSet() {
  if (!done_) discard_temps();
}

void IoFileSet::stage(Item it) {
  for (Item& old : items_)
    if (old.target == it.target) {
      if (!old.temp.empty()) ::unlink(old.temp.c_str());
      old = std::move(it);
      return;
    }
  items_.push_back(std::move(it));
}

bool IoFileSet::put(const std::string& path, const void* data, std::size_t n) {
  if (failed_ || done_ || path.empty()) {
    failed_ = true;
    return false;
  }
  Item it;
  it.target = path;
  int fd = make_temp(path, it.temp);
  if (fd < 0 || !finish_temp(fd, it.temp, new_file_mode(path),
                             write_full(fd, static_cast<const unsigned char*>(data), n))) {
    SLOG("IoFileSet::put", SLOG_ERROR, "cannot write a new <%s>", path.c_str());
    failed_ = true;
    return false;
  }
  stage(std::move(it));
  return true;
}

bool IoFileSet::put_copy(const std::string& source, const std::string& path) {
  if (failed_ || done_ || path.empty()) {
    failed_ = true;
    return false;
  }
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (in >= 0) ::close(in);
    SLOG("IoFileSet::put_copy", SLOG_ERROR, "cannot read <%s>", source.c_str());
    failed_ = true;
    return false;
  }
  Item it;
  it.target = path;
  int out = make_temp(path, it.temp);
  bool ok = out >= 0;
  std::vector<unsigned char> buf(ok ? (1 << 16) : 0);
  while (ok) {
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = write_full(out, buf.data(), static_cast<std::size_t>(n));
  }
  ::close(in);
  if (out < 0 || !finish_temp(out, it.temp, st.st_mode & 07777, ok)) {
    SLOG("IoFileSet::put_copy", SLOG_ERROR, "cannot copy <%s> to <%s>", source.c_str(),
         path.c_str());
    failed_ = true;
    return false;
  }
  stage(std::move(it));
  return true;
}

void IoFileSet::adopt(const std::string& temp, const std::string& path) {
  Item it;
  it.target = path;
  it.temp = temp;
  if (done_ || temp.empty() || path.empty()) {
    if (!temp.empty()) ::unlink(temp.c_str());
    failed_ = true;
    return;
  }
  stage(std::move(it));
}

void IoFileSet::remove(const std::string& path) {
  Item it;
  it.target = path;
  it.removal = true;
  stage(std::move(it));
}

bool IoFileSet::commit() {
  static const char* fn = "IoFileSet::commit";
  if (done_) return false;  // a set is committed once
  done_ = true;
  if (failed_) {
    discard_temps();
    return false;
  }
  // Keep every existing target under a free temporary name beside it.
  for (Item& it : items_) {
    struct stat st;
    if (::lstat(it.target.c_str(), &st) != 0) {
      if (errno == ENOENT) continue;
    } else if (!S_ISDIR(st.st_mode)) {
      std::string name;
      int fd = make_temp(it.target, name);
      if (fd >= 0) {
        ::close(fd);
        ::unlink(name.c_str());  // the name is free again, for the link
        if (g_ops.link(it.target.c_str(), name.c_str()) == 0) {
          it.kept = name;
          it.linked = true;
          continue;
        }
        // No second link on this file system: the old file is moved aside instead.
        if (g_ops.rename(it.target.c_str(), name.c_str()) == 0) {
          it.kept = name;
          continue;
        }
      }
    }
    SLOG(fn, SLOG_ERROR, "cannot keep the old <%s>", it.target.c_str());
    roll_back();
    return false;
  }
  // New contents over the targets; removals.
  for (Item& it : items_) {
    if (!it.removal) {
      if (g_ops.rename(it.temp.c_str(), it.target.c_str()) != 0) {
        SLOG(fn, SLOG_ERROR, "cannot rename <%s> to <%s>", it.temp.c_str(), it.target.c_str());
        roll_back();
        return false;
      }
      it.temp.clear();
      it.applied = true;
    } else if (!it.kept.empty()) {
      if (it.linked && g_ops.unlink(it.target.c_str()) != 0) {
        SLOG(fn, SLOG_ERROR, "cannot remove <%s>", it.target.c_str());
        roll_back();
        return false;
      }
      it.applied = true;
    }
  }
  // The change stands: the old files go.
  for (Item& it : items_) {
    if (!it.kept.empty() && g_ops.unlink(it.kept.c_str()) != 0)
      SLOG(fn, SLOG_ERROR, "cannot delete the old file <%s>", it.kept.c_str());
    it.kept.clear();
  }
  return true;
}

void IoFileSet::roll_back() {
  static const char* fn = "IoFileSet::roll_back";
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    int r = 0;
    if (!it->kept.empty()) {
      // A kept second link whose target was not touched is simply dropped; otherwise the old
      // file goes back over whatever is at the target now.
      r = it->linked && !it->applied ? g_ops.unlink(it->kept.c_str())
                                     : g_ops.rename(it->kept.c_str(), it->target.c_str());
    } else if (it->applied && !it->removal) {
      r = g_ops.unlink(it->target.c_str());  // a new file where there was none
    }
    if (r != 0) SLOG(fn, SLOG_ERROR, "cannot restore <%s>", it->target.c_str());
    it->kept.clear();
    it->applied = false;
  }
  discard_temps();
}

void IoFileSet::discard_temps() {
  for (Item& it : items_) {
    if (!it.temp.empty()) ::unlink(it.temp.c_str());
    it.temp.clear();
  }
}
