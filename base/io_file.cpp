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
  int in = ::open(source, O_RDONLY | O_CLOEXEC);
  if (in < 0) return -1;
  struct stat st;
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    return -1;
  }
  // The copy goes to a temporary file beside the destination, renamed over it when whole.
  std::string tmpl = std::string(destination) + ".XXXXXX";
  std::vector<char> tmp(tmpl.begin(), tmpl.end());
  tmp.push_back('\0');
  int out = mkstemp(tmp.data());
  if (out < 0) {
    ::close(in);
    return -1;
  }
  fchmod(out, st.st_mode & 0777);
  bool ok = true;
  std::vector<char> buf(1 << 16);
  for (;;) {
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    const char* p = buf.data();
    while (n > 0) {
      ssize_t w = ::write(out, p, static_cast<std::size_t>(n));
      if (w < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      p += w;
      n -= w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (ok && std::rename(tmp.data(), destination) != 0) ok = false;
  if (!ok) {
    ::unlink(tmp.data());
    SLOG("io_fmgr_copy_file", SLOG_ERROR, "copy <%s> to <%s> failed", source, destination);
    return -1;
  }
  return 0;
}

int io_write_replace(const char* path, const std::function<bool(std::FILE*)>& write) {
  if (!path || !*path) return -1;
  std::string tmpl = std::string(path) + ".XXXXXX";
  std::vector<char> tmp(tmpl.begin(), tmpl.end());
  tmp.push_back('\0');
  int fd = mkstemp(tmp.data());
  if (fd < 0) {
    SLOG("io_write_replace", SLOG_ERROR, "no temporary file beside <%s>", path);
    return -1;
  }
  // mkstemp makes the file private: the new file takes the mode of the one it replaces, or
  // that of a newly created file.
  struct stat st;
  mode_t mode;
  if (::stat(path, &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  (void)::fchmod(fd, mode);
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    ::unlink(tmp.data());
    return -1;
  }
  bool ok = write(f);
  ok = std::fflush(f) == 0 && ok;
  ok = std::ferror(f) == 0 && ok;
  ok = ok && ::fsync(::fileno(f)) == 0;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    ::unlink(tmp.data());
    SLOG("io_write_replace", SLOG_ERROR, "write of <%s> failed, old file kept", path);
    return -2;
  }
  if (std::rename(tmp.data(), path) != 0) {
    ::unlink(tmp.data());
    SLOG("io_write_replace", SLOG_ERROR, "<%s> cannot be replaced", path);
    return -3;
  }
  return 0;
}

int io_write_replace_bytes(const char* path, const void* data, std::size_t length) {
  return io_write_replace(path, [&](std::FILE* f) {
    return length == 0 || std::fwrite(data, 1, length, f) == length;
  });
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

int io_copy_image(const char* source, const char* destination) {
  std::string src = stripped(source);
  std::string dst = stripped(destination);
  if (io_copy_image_file((src + ".kes").c_str(), (dst + ".kes").c_str()) != 0) return -1;
  if (io_copy_image_file((src + ".kei").c_str(), (dst + ".kei").c_str()) != 0) return -1;
  for (const char* ext : kCopyExtras) {
    std::string s = src + ext;
    if (io_file_exists(s.c_str())) io_copy_image_file(s.c_str(), (dst + ext).c_str());
  }
  return 0;
}

int io_move_image(const char* source_base, const char* destination_base) {
  std::string src = str(source_base), dst = str(destination_base);
  std::string src_kes = src + ".kes", dst_kes = dst + ".kes";
  // The move replaces an existing destination file; a destination is never given up for a
  // source that is not there.
  if (!io_file_exists(src_kes.c_str()) ||
      io_fmgr_move_file(src_kes.c_str(), dst_kes.c_str()) != 0) {
    SLOG("io_move_image", SLOG_ERROR, "TryMoveFile <%s> to <%s> failed, FAILED", src_kes.c_str(),
         dst_kes.c_str());
    return 0;
  }
  std::string src_kei = src + ".kei", dst_kei = dst + ".kei";
  if (io_fmgr_move_file(src_kei.c_str(), dst_kei.c_str()) != 0) {
    SLOG("io_move_image", SLOG_ERROR, "TryMoveFile <%s> to <%s> failed, FAILED", src_kei.c_str(),
         dst_kei.c_str());
    return 0;
  }
  return 1;
}

void io_delete_files(const char* image_base) {
  if (!image_base) return;
  for (const char* ext : kDeleteAll) io_delete(with_ext(image_base, ext).c_str());
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
