#include "toolkit/core/tk_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

struct TkFile {
  std::string path;
  std::FILE* fp = nullptr;
  int format = TK_FILE_BINARY;
};

TkFile* FILE_New(const char* path) {
  if (!path || !*path) return nullptr;
  auto* f = new (std::nothrow) TkFile;
  if (f) f->path = path;
  return f;
}

void FILE_Dispose(TkFile* file) {
  if (!file) return;
  FILE_Close(file);
  delete file;
}

int FILE_TryOpen(TkFile* file, int mode, int format) {
  if (!file) return 0;
  FILE_Close(file);
  const char* m = mode == TK_FILE_READ ? "rb" : mode == TK_FILE_WRITE ? "wb" : mode == TK_FILE_APPEND ? "ab" : nullptr;
  if (!m) return 0;
  file->fp = std::fopen(file->path.c_str(), m);
  file->format = format;
  return file->fp ? 1 : 0;
}

void FILE_Close(TkFile* file) {
  if (file && file->fp) {
    std::fclose(file->fp);
    file->fp = nullptr;
  }
}

int FILE_IsOpen(const TkFile* file) { return file && file->fp ? 1 : 0; }
const char* FILE_GetPath(const TkFile* file) { return file ? file->path.c_str() : ""; }

int FILE_ReadLine(TkFile* file, char* buf, std::size_t cap) {
  if (!file || !file->fp || !buf || cap == 0) return 0;
  std::size_t n = 0;
  int c = std::fgetc(file->fp);
  if (c == EOF) {
    buf[0] = '\0';
    return 0;
  }
  while (c != EOF && c != '\n') {
    if (n + 1 < cap) buf[n++] = static_cast<char>(c);
    c = std::fgetc(file->fp);
  }
  if (n > 0 && buf[n - 1] == '\r' && (c == '\n' || c == EOF)) --n;
  buf[n] = '\0';
  return 1;
}

int FILE_WriteLine(TkFile* file, const char* text) {
  if (!file || !file->fp) return 0;
  if (text && std::fputs(text, file->fp) == EOF) return 0;
  return std::fputc('\n', file->fp) == EOF ? 0 : 1;
}

long FILE_Read(TkFile* file, void* buf, std::size_t n) {
  if (!file || !file->fp || (!buf && n)) return -1;
  std::size_t got = std::fread(buf, 1, n, file->fp);
  if (got < n && std::ferror(file->fp)) return -1;
  return static_cast<long>(got);
}

long FILE_Write(TkFile* file, const void* buf, std::size_t n) {
  if (!file || !file->fp || (!buf && n)) return -1;
  std::size_t put = std::fwrite(buf, 1, n, file->fp);
  return put == n ? static_cast<long>(put) : -1;
}

int FILE_Flush(TkFile* file) { return file && file->fp && std::fflush(file->fp) == 0 ? 1 : 0; }

int FILE_AtEnd(TkFile* file) {
  if (!file || !file->fp) return 1;
  int c = std::fgetc(file->fp);
  if (c == EOF) return 1;
  std::ungetc(c, file->fp);
  return 0;
}

long FILE_Size(TkFile* file) {
  if (!file) return -1;
  std::error_code ec;
  auto s = fs::file_size(file->path, ec);
  return ec ? -1 : static_cast<long>(s);
}

int FILE_PathKind(const char* path) {
  if (!path || !*path) return TK_PATH_NONE;
  std::error_code ec;
  auto st = fs::status(path, ec);
  if (ec) return TK_PATH_NONE;
  if (fs::is_directory(st)) return TK_PATH_DIR;
  if (fs::exists(st)) return TK_PATH_FILE;
  return TK_PATH_NONE;
}

int FILE_MakeDir(const char* path) {
  if (!path || !*path) return 0;
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec) ? 1 : 0;
}

int FILE_CopyFile(const char* from, const char* to) {
  if (!from || !to) return 0;
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return ec ? 0 : 1;
}

int FILE_MoveFile(const char* from, const char* to) {
  if (!from || !to) return 0;
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return 1;
  // Across file systems: copy, then remove the source.
  if (!FILE_CopyFile(from, to)) return 0;
  fs::remove(from, ec);
  return ec ? 0 : 1;
}

int FILE_RemoveFile(const char* path) {
  if (!path || !*path) return 0;
  std::error_code ec;
  fs::remove(path, ec);
  return fs::exists(path, ec) ? 0 : 1;
}
