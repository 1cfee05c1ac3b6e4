// A change of several files that takes effect as a whole, or not at all.
//
// Every new content is first written to a temporary file beside its target. Only when all of
// them are complete does commit() put them in place: each existing target is first kept under
// a temporary name (a second link to it where the file system allows one, so the target itself
// never goes missing), then the new files are renamed over the targets and the files to remove
// are unlinked, and only then are the kept old files deleted. When any step fails, the steps
// already done are undone from the kept files, every temporary is removed, and each target
// holds what it held before.
//
// Used for an image's set of files (pixel, info, analysis and text part, companions), which
// must always be all old or all new, and for single files replaced whole.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

// The system calls the file set goes through, so that tests can make any one of them fail (a
// full disk at the n-th byte, a rename or unlink refused).
struct IoFileOps {
  ssize_t (*write)(int fd, const void* buffer, std::size_t n);
  int (*rename)(const char* from, const char* to);
  int (*link)(const char* from, const char* to);
  int (*unlink)(const char* path);
};
// The system's own calls.
IoFileOps io_file_ops_system();
// Installs `ops` for every later file set; returns the previous ones.
IoFileOps io_file_set_ops(const IoFileOps& ops);
// The calls in use (writers of files outside a set go through them too, so that the same
// tests can fail their writes).
IoFileOps io_file_ops();

// The mode of a newly created file: 0666 less the process's umask. Files made through
// mkstemp start private (0600) and take this mode before they are put in place.
mode_t io_new_file_mode();
// The mode for a new content of `target`: the mode of the file it replaces, else the mode of a
// newly created file.
mode_t io_target_file_mode(const char* target);

class IoFileSet {
 public:
  IoFileSet() = default;
  // A change that was never committed leaves no temporary behind.
  ~IoFileSet();
  IoFileSet(const IoFileSet&) = delete;
  IoFileSet& operator=(const IoFileSet&) = delete;

  // Stages `n` bytes as the new content of `path`. The new file gets the mode of the file it
  // replaces, or the mode a newly created file would have. False when the temporary file
  // cannot be written whole (the set is then failed: commit() changes nothing).
  bool put(const std::string& path, const void* data, std::size_t n);
  // Stages a copy of the file `source` as the new content of `path`, with the source's mode.
  // False when the source cannot be read or the copy cannot be written whole (set failed).
  bool put_copy(const std::string& source, const std::string& path);
  // Stages a file that the caller has already written whole beside `path` (in its folder) as
  // the new content of `path`. The set takes the file over: it is removed when the change does
  // not happen.
  void adopt(const std::string& temp, const std::string& path);
  // Stages the removal of `path`; a path that does not exist at commit is passed over.
  void remove(const std::string& path);
  // A path staged again takes its last staging: the earlier content is dropped.

  // True when a staging step has failed.
  bool failed() const { return failed_; }
  // Puts every staged change in place. True when all took effect; false when the set had
  // failed or a step of the commit failed, and then every target is as it was. A kept old
  // file that cannot be deleted after a successful commit is traced and left as a stray
  // temporary; the change itself stands.
  bool commit();

 private:
  struct Item {
    std::string target;
    std::string temp;  // staged new content, until it is renamed over the target
    bool removal = false;
    std::string kept;      // the old target under a temporary name, once kept
    bool linked = false;   // kept as a second link: the target is still in place
    bool applied = false;  // the new content (or the removal) is in place
  };
  void stage(Item it);  // adds the item, or replaces the one of the same target
  void roll_back();
  void discard_temps();
  // The mode for a new content of `path`: the mode of the file it replaces, else the mode of a
  // newly created file, found once for the set (it takes a read of the process's status).
  mode_t new_file_mode(const std::string& path);

  std::vector<Item> items_;
  mode_t created_mode_ = 0;
  bool have_created_mode_ = false;
  bool failed_ = false;
  bool done_ = false;
};
