// Failures injected into the file set's system calls, and a sweep that runs an operation on a
// set of files once for every failure it can meet: a full disk at every write's end and at a
// stride through the bytes, and each rename,
// link and unlink refused in turn. After every run the folder must hold the complete old set or
// the complete new set, and the operation's result must say which.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/io_file_set.h"
#include "test_support.h"

namespace vxtest {

struct FaultPlan {
  long long write_budget = -1;  // bytes that can be written; -1 for no limit
  int fail_rename = 0;          // the n-th call fails (1-based); 0 for none
  int fail_link = 0;
  int fail_unlink = 0;
  // When set, only the calls on files in this folder are counted and may fail, as on a disk of
  // its own; the calls elsewhere go through.
  std::filesystem::path folder = {};
};

// Installs failing calls for its lifetime and counts the calls made.
class FileFaults {
 public:
  explicit FileFaults(const FaultPlan& plan) : plan_(plan) {
    if (!plan_.folder.empty()) plan_.folder = std::filesystem::weakly_canonical(plan_.folder);
    current() = this;
    prev_ = io_file_set_ops({write, rename, link, unlink});
  }
  ~FileFaults() {
    io_file_set_ops(prev_);
    current() = nullptr;
  }
  FileFaults(const FileFaults&) = delete;
  FileFaults& operator=(const FileFaults&) = delete;

  long long written = 0;
  std::vector<long long> write_ends;  // `written` after each write call
  int renames = 0, links = 0, unlinks = 0;
  bool failed_unlink = false;

 private:
  static FileFaults*& current() {
    static FileFaults* f = nullptr;
    return f;
  }
  // Whether a call on `path` is in the plan's folder (always, without one).
  bool watched(const std::filesystem::path& path) const {
    if (plan_.folder.empty()) return true;
    std::error_code ec;
    return std::filesystem::weakly_canonical(path, ec).parent_path() == plan_.folder;
  }
  static bool watched_fd(int fd) {
    if (current()->plan_.folder.empty()) return true;
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
    return !ec && current()->watched(path);
  }
  static ssize_t write(int fd, const void* buffer, std::size_t n) {
    FileFaults& f = *current();
    if (!watched_fd(fd)) return io_file_ops_system().write(fd, buffer, n);
    if (f.plan_.write_budget >= 0 && f.written + static_cast<long long>(n) > f.plan_.write_budget) {
      n = static_cast<std::size_t>(f.plan_.write_budget - f.written);
      if (n == 0) {
        errno = ENOSPC;
        return -1;
      }
    }
    ssize_t w = io_file_ops_system().write(fd, buffer, n);
    if (w > 0) f.written += w;
    f.write_ends.push_back(f.written);
    return w;
  }
  static int rename(const char* from, const char* to) {
    FileFaults& f = *current();
    if (!f.watched(from) && !f.watched(to)) return io_file_ops_system().rename(from, to);
    if (++f.renames == f.plan_.fail_rename) return errno = EIO, -1;
    return io_file_ops_system().rename(from, to);
  }
  static int link(const char* from, const char* to) {
    FileFaults& f = *current();
    if (!f.watched(from) && !f.watched(to)) return io_file_ops_system().link(from, to);
    if (++f.links == f.plan_.fail_link) return errno = EPERM, -1;
    return io_file_ops_system().link(from, to);
  }
  static int unlink(const char* path) {
    FileFaults& f = *current();
    if (!f.watched(path)) return io_file_ops_system().unlink(path);
    if (++f.unlinks == f.plan_.fail_unlink) {
      f.failed_unlink = true;
      return errno = EACCES, -1;
    }
    return io_file_ops_system().unlink(path);
  }

  FaultPlan plan_;
  IoFileOps prev_;
};

// Every file of a folder and its subfolders, by relative path, with its content.
using FolderState = std::map<std::string, std::string>;

inline FolderState folder_state(const std::filesystem::path& root) {
  FolderState s;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.is_regular_file())
      s[std::filesystem::relative(e.path(), root).string()] = read_text(e.path());
  return s;
}

// Runs `op` in a fresh folder for every failure of FaultPlan it can meet. `setup` fills the
// folder with the old files; `op` returns the kind of result it reported, and `expected` gives
// the folder each kind must leave (computed from the old state and the state a run without
// failure leaves). Returns the number of runs. A stray kept file after a refused final unlink
// is the only extra file allowed, and only in that run.
inline int sweep_file_faults(
    const std::function<void(const std::filesystem::path&)>& setup,
    const std::function<int(const std::filesystem::path&)>& op,
    const std::function<FolderState(int kind, const FolderState& old_state,
                                    const FolderState& new_state)>& expected) {
  FolderState old_state, new_state;
  FaultPlan none;
  int clean_kind = 0;
  long long bytes = 0;
  std::set<long long> budgets;
  int renames = 0, links = 0, unlinks = 0;
  {
    TempDir dir;
    setup(dir.path());
    old_state = folder_state(dir.path());
    FileFaults counting(none);
    clean_kind = op(dir.path());
    new_state = folder_state(dir.path());
    bytes = counting.written;
    // Full disks at a stride through the bytes, and at and beside every write's end.
    const long long stride = std::max(1LL, bytes / 200);
    for (long long b = 0; b < bytes; b += stride) budgets.insert(b);
    for (long long end : counting.write_ends)
      for (long long b : {end - 1, end, end + 1})
        if (b >= 0 && b < bytes) budgets.insert(b);
    renames = counting.renames;
    links = counting.links;
    unlinks = counting.unlinks;
  }
  EXPECT_EQ(expected(clean_kind, old_state, new_state), new_state) << "run without failures";
  EXPECT_NE(old_state, new_state) << "the operation changes nothing: the sweep cannot check";

  std::vector<std::pair<FaultPlan, std::string>> plans;
  for (long long b : budgets) {
    FaultPlan p;
    p.write_budget = b;
    plans.push_back({p, "disk full after " + std::to_string(b) + " bytes"});
  }
  // Each call of each kind refused in turn.
  const struct {
    int FaultPlan::*field;
    int calls;
    const char* name;
  } kinds[] = {{&FaultPlan::fail_rename, renames, "rename"},
               {&FaultPlan::fail_link, links, "link"},
               {&FaultPlan::fail_unlink, unlinks, "unlink"}};
  for (const auto& c : kinds)
    for (int k = 1; k <= c.calls; ++k) {
      FaultPlan p;
      p.*c.field = k;
      plans.push_back({p, std::string(c.name) + " " + std::to_string(k) + " refused"});
    }
  for (const auto& [plan, what] : plans) {
    TempDir dir;
    setup(dir.path());
    int kind;
    bool stray_allowed;
    {
      FileFaults faults(plan);
      kind = op(dir.path());
      stray_allowed = faults.failed_unlink;
    }
    FolderState got = folder_state(dir.path());
    FolderState want = expected(kind, old_state, new_state);
    if (stray_allowed && got.size() == want.size() + 1) {
      // The kept old file that could not be deleted: beside a target, under a temporary name.
      for (auto it = got.begin(); it != got.end(); ++it)
        if (!want.count(it->first)) {
          got.erase(it);
          break;
        }
    }
    EXPECT_EQ(got, want) << what << ", result kind " << kind;
  }
  return static_cast<int>(plans.size());
}

}  // namespace vxtest
