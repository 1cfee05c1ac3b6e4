// File names and file operations of image file sets.
#include "base/io_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/io_file_set.h"
#include "base/ks_mem.h"
#include "base/slog.h"

namespace {

std::string s_temp_folder;

// Copies a built name into a path buffer: 0, or -1 with an empty buffer when it does not fit.
int put_path(char* dst, const std::string& s) {
  if (!dst) return -1;
  if (s.size() >= static_cast<std::size_t>(KS_PATH_LEN)) {
    dst[0] = '\0';
    return -1;
  }
  std::memcpy(dst, s.c_str(), s.size() + 1);
  return 0;
}

std::string str(const char* s) {
  return s ? std::string(s) : std::string();
}

std::string with_ext(const char* base, const char* ext) {
  return str(base) + ext;
}

std::string stripped(const char* path) {
  std::string s = str(path);
  std::size_t slash = s.rfind('/');
  std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = s.rfind('.');
  if (dot == std::string::npos || dot <= name_at) return s;
  return s.substr(0, dot);
}

bool is_regular_or_other(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

// Companion files that go with an image set, besides the pixel and info files, in the order
// they are copied.
const char* const kCopyExtras[] = {".cmt", ".kr", ".pz", ".mj", ".gt", ".hf", ".yc", ".nw"};

// Stages the image set of base `src` as the set of base `dst`: the pixel and info files, which
// the source must have, and, with `companions`, the companion files the source has. A companion
// the destination has and the source lacks is removed with the change, so that no analysis of
// the image that was there stays with the new pixels. False when a file cannot be staged.
bool stage_image_set(IoFileSet& set, const std::string& src, const std::string& dst,
                     bool companions) {
  for (const char* ext : {".kes", ".kei"})
    if (!io_file_exists((src + ext).c_str()) || !set.put_copy(src + ext, dst + ext)) return false;
  for (const char* ext : kCopyExtras) {
    if (companions && io_file_exists((src + ext).c_str())) {
      if (!set.put_copy(src + ext, dst + ext)) return false;
    } else {
      set.remove(dst + ext);
    }
  }
  return true;
}

// True when both paths name one existing file.
bool same_file(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Files deleted with an image set, in order.
const char* const kDeleteAll[] = {".lck", ".kei", ".cmt", ".hf", ".nw",
                                  ".gt",  ".yc",  ".kr",  ".mj", ".pz"};
const char* const kDeleteAnalysis[] = {".lck", ".hf", ".nw", ".gt", ".yc", ".kr", ".mj", ".pz"};

}  // namespace

// --- Names

int io_strip_extension(char* dst, const char* src) {
  return put_path(dst, stripped(src));
}

int io_filename_kes(char* dst, const char* base) {
  return put_path(dst, with_ext(base, ".kes"));
}
int io_filename_kei(char* dst, const char* base) {
  return put_path(dst, with_ext(base, ".kei"));
}
int io_filename_cmt(char* dst, const char* base) {
  return put_path(dst, with_ext(base, ".cmt"));
}
int io_filename_lock(char* dst, const char* base) {
  return put_path(dst, with_ext(base, ".lck"));
}

const char* io_analysis_ext(int program) {
  switch (program) {
    case 404: return ".hf";
    case 405: return "";
    case 406: return ".nw";
    case 407: return ".gt";
    case 408: return ".yc";
    case 409: return ".kr";
    case 410: return ".pz";
    case 411: return ".mj";
    default: return nullptr;
  }
}

std::string io_base_name(const char* path) { return stripped(path); }

char* io_query_analysis_files(const char* image_path, const char* program_title) {
  (void)program_title;
  std::string found;
  const std::string base = stripped(image_path);
  for (int code = 404; code <= 411; ++code) {
    const char* ext = io_analysis_ext(code);
    if (code == 407 || ext == nullptr || ext[0] == '\0') continue;
    if (io_file_exists((base + ext).c_str())) {
      if (!found.empty()) found += ' ';
      found += ext;
    }
  }
  char* text = static_cast<char*>(ks_alloc_msg(found.size() + 1));
  if (text) std::memcpy(text, found.c_str(), found.size() + 1);
  return text;
}

int io_filename_analysis(char* dst, const char* base, int program) {
  const char* ext = io_analysis_ext(program);
  return put_path(dst, with_ext(base, ext ? ext : ""));
}

int io_path_filename(const char* path, char* dst) {
  std::string s = str(path);
  std::size_t slash = s.rfind('/');
  return put_path(dst, slash == std::string::npos ? s : s.substr(slash + 1));
}

int io_path_dirname(const char* path, char* dst) {
  std::string s = str(path);
  std::size_t slash = s.rfind('/');
  return put_path(dst, slash == std::string::npos ? std::string() : s.substr(0, slash + 1));
}

char* st_cut_last(char* dst, const char* src, int ch) {
  if (!dst) return dst;
  std::string s = str(src).substr(0, 1023);
  std::size_t at = s.rfind(static_cast<char>(ch));
  if (at != std::string::npos) s.resize(at);
  std::memcpy(dst, s.c_str(), s.size() + 1);
  return dst;
}

// Every occurrence is replaced, however many there are: the texts this serves (a report's
// information with its "<date>" and "<cr>" marks) are the user's, and none of them is cut.
char* st_replace(char* buffer, const char* pattern, const char* replacement, std::size_t capacity) {
  if (!buffer || !pattern || !*pattern || capacity == 0) return buffer;
  std::string text(buffer, strnlen(buffer, capacity));
  std::string with = str(replacement);
  std::size_t plen = std::strlen(pattern);
  std::size_t at = text.find(pattern);
  if (at == std::string::npos) return buffer;
  std::string result;
  std::size_t from = 0;
  for (; at != std::string::npos; at = text.find(pattern, from)) {
    result.append(text, from, at - from);
    result += with;
    from = at + plen;
  }
  result.append(text, from, std::string::npos);
  std::size_t n = std::min(result.size(), capacity - 1);
  std::memcpy(buffer, result.data(), n);
  buffer[n] = '\0';
  return buffer;
}

// --- Files

int io_delete(const char* path) {
  if (!path || !is_regular_or_other(path)) return -1;
  return ::unlink(path);
}

long io_file_write(std::FILE* file, const void* buffer, long length) {
  if (!file || !buffer || length <= 0) return 0;
  long before = std::ftell(file);
  std::fwrite(buffer, 1, static_cast<std::size_t>(length), file);
  long after = std::ftell(file);
  if (before < 0 || after < 0) return 0;
  return after - before;
}

int io_fmgr_copy_file(const char* source, const char* destination) {
  SLOG("io_fmgr_copy_file", SLOG_ENTRY, "<%s> to <%s>", source ? source : "",
       destination ? destination : "");
  if (!source || !destination) return -1;
  IoFileSet set;
  if (!set.put_copy(source, destination) || !set.commit()) {
    SLOG("io_fmgr_copy_file", SLOG_ERROR, "copy <%s> to <%s> failed", source, destination);
    return -1;
  }
  return 0;
}

int io_fmgr_move_file(const char* source, const char* destination) {
  if (!source || !destination) return -1;
  if (std::rename(source, destination) == 0) return 0;
  int ret = io_fmgr_copy_file(source, destination);
  if (ret == 0) io_delete(source);
  return ret;
}

int io_copy_image_file(const char* source, const char* destination) {
  if (!io_file_exists(source)) return -1;
  return io_fmgr_copy_file(source, destination);
}

bool io_stage_copy_image(IoFileSet& set, const char* source, const char* destination) {
  return stage_image_set(set, stripped(source), stripped(destination), true);
}

int io_copy_image(const char* source, const char* destination) {
  IoFileSet set;
  if (!io_stage_copy_image(set, source, destination) || !set.commit()) {
    SLOG("io_copy_image", SLOG_ERROR, "copy of <%s> to <%s> failed; <%s> is as it was",
         stripped(source).c_str(), stripped(destination).c_str(), stripped(destination).c_str());
    return -1;
  }
  return 0;
}

int io_move_image(const char* source_base, const char* destination_base) {
  static const char* fn = "io_move_image";
  std::string src = str(source_base), dst = str(destination_base);
  std::string src_kes = src + ".kes", dst_kes = dst + ".kes";
  // An image moved onto itself is already in place (and must not be deleted as the source).
  if (same_file(src_kes, dst_kes) && same_file(src + ".kei", dst + ".kei")) return IO_MOVE_DONE;
  // The destination set is complete before anything of the source goes; a destination is
  // never given up for a source that is not there.
  IoFileSet to;
  if (!stage_image_set(to, src, dst, false) || !to.commit()) {
    SLOG(fn, SLOG_ERROR, "TryMoveFile <%s> to <%s> failed, FAILED", src_kes.c_str(),
         dst_kes.c_str());
    return IO_MOVE_FAILED;
  }
  IoFileSet from;
  from.remove(src_kes);
  from.remove(src + ".kei");
  if (!from.commit()) {
    SLOG(fn, SLOG_ERROR, "<%s> copied to <%s>, but the source cannot be deleted", src.c_str(),
         dst.c_str());
    return IO_MOVE_SOURCE_KEPT;
  }
  return IO_MOVE_DONE;
}

std::string io_new_image_base(const char* dest_base) {
  std::string name = str(dest_base) + ".new.XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    SLOG("io_new_image_base", SLOG_ERROR, "no new name beside <%s>", str(dest_base).c_str());
    return {};
  }
  ::close(fd);
  return name;
}

int io_replace_image(const char* new_base, const char* dest_base) {
  static const char* fn = "io_replace_image";
  const std::string src = str(new_base), dst = str(dest_base);
  IoFileSet set;
  const bool whole = io_file_exists((src + ".kes").c_str()) && io_file_exists((src + ".kei").c_str());
  for (const char* ext : {".kes", ".kei", ".cmt", ".kr", ".pz", ".mj", ".gt", ".hf", ".yc", ".nw", ".lck"}) {
    if (io_file_exists((src + ext).c_str())) {
      if (whole) set.adopt(src + ext, dst + ext);
      else io_delete((src + ext).c_str());
    } else {
      set.remove(dst + ext);
    }
  }
  if (!whole || !set.commit()) {
    SLOG(fn, SLOG_ERROR, "<%s> not replaced by <%s>; it is as it was", dst.c_str(), src.c_str());
    return -1;
  }
  return 0;
}

void io_delete_files(const char* image_base) {
  if (!image_base) return;
  for (const char* ext : kDeleteAll) io_delete(with_ext(image_base, ext).c_str());
}

std::vector<std::string> io_image_companions(const char* image_base) {
  std::vector<std::string> there;
  if (!image_base) return there;
  for (const char* ext : kDeleteAll) {
    std::string f = with_ext(image_base, ext);
    struct stat st;
    if (::lstat(f.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) there.push_back(std::move(f));
  }
  return there;
}

void io_delete_analysis_files(const char* image_base) {
  if (!image_base) return;
  for (const char* ext : kDeleteAnalysis) io_delete(with_ext(image_base, ext).c_str());
}

int io_lock_files(const char* image_path) {
  std::string lock = stripped(image_path) + ".lck";
  std::FILE* f = std::fopen(lock.c_str(), "wb");
  if (!f) {
    SLOG("io_lock_files", SLOG_ERROR, "cannot create <%s>", lock.c_str());
    return -1;
  }
  std::fclose(f);
  return 0;
}

int io_unlock_files(const char* image_path) {
  io_delete((stripped(image_path) + ".lck").c_str());
  return 0;
}

BOOL io_is_locked(const char* image_path) {
  return io_file_exists((stripped(image_path) + ".lck").c_str());
}

void io_set_temp_folder(const char* folder) {
  s_temp_folder = str(folder);
}

const char* io_get_temp_folder() {
  return s_temp_folder.c_str();
}

int io_temp_filename(char* dst) {
  if (!dst) return -1;
  dst[0] = '\0';
  // Names come from the runtime's generator; a name already taken is passed over, and the
  // file is created here so that no later caller can be handed the same name.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    long number = static_cast<long>(std::rand() % 32768);
    char name[32];
    std::snprintf(name, sizeof name, "kes%05ld.tmp", number);
    std::string path = s_temp_folder + name;
    if (path.size() >= static_cast<std::size_t>(KS_PATH_LEN)) return -1;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      put_path(dst, path);
      return static_cast<int>(path.size());
    }
    if (errno != EEXIST) break;
  }
  SLOG("io_temp_filename", SLOG_ERROR, "cannot create a temporary file in <%s>",
       s_temp_folder.c_str());
  return -1;
}

int io_folder_filelist(char*** list, const char* folder, const char* file_type) {
  if (!list) return 0;
  *list = nullptr;
  std::string dir = str(folder);
  if (dir.empty() || dir.back() != '/') dir += '/';
  // "*.*" names every file, also those without an extension.
  const char* pattern =
      file_type && *file_type && std::strcmp(file_type, "*.*") != 0 ? file_type : "*";

  // One pass into a growable list: the folder may change while it is read.
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (fnmatch(pattern, e->d_name, FNM_CASEFOLD) != 0) continue;
      std::string full = dir + e->d_name;
      struct stat st;
      if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      names.push_back(std::move(full));
    }
    closedir(d);
  }
  if (names.empty()) {
    SLOG("io_folder_filelist", SLOG_VALUE4, "0 files of type <%s>", pattern);
    return 0;
  }
  std::sort(names.begin(), names.end());

  auto** paths = static_cast<char**>(ks_alloc_msg(names.size() * sizeof(char*)));
  if (!paths) {
    SLOG("io_folder_filelist", SLOG_ERROR, "cannot alloc filelist of %d ptrs",
         static_cast<int>(names.size()));
    return 0;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    paths[i] = static_cast<char*>(ks_alloc_msg(names[i].size() + 1));
    if (!paths[i]) {
      SLOG("io_folder_filelist", SLOG_ERROR, "can't alloc file %d", static_cast<int>(i));
      ks_freelist_msg(reinterpret_cast<void**>(paths), static_cast<long>(i));
      return 0;
    }
    std::memcpy(paths[i], names[i].c_str(), names[i].size() + 1);
  }
  *list = paths;
  return static_cast<int>(names.size());
}
