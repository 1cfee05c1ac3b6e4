// File objects and file-system helpers of the toolkit core. A file object names a path and,
// once opened, holds the open stream. Text format reads lines ending in LF or CRLF and writes
// LF; binary format moves bytes unchanged. Paths use '/'.
#pragma once

#include <cstddef>

struct TkFile;  // opaque file object

// Open modes and formats for FILE_TryOpen.
enum TkFileMode : int { TK_FILE_READ = 0, TK_FILE_WRITE = 1, TK_FILE_APPEND = 2 };
enum TkFileFormat : int { TK_FILE_BINARY = 0, TK_FILE_TEXT = 1 };

// What a path names (FILE_PathKind).
enum TkPathKind : int { TK_PATH_NONE = 0, TK_PATH_FILE = 1, TK_PATH_DIR = 2 };

TkFile* FILE_New(const char* path);                          // file object for a path, null for a null/empty path
void FILE_Dispose(TkFile* file);                             // close if open and release; null ignored
int FILE_TryOpen(TkFile* file, int mode, int format);        // open: 1 on success, 0 on failure
void FILE_Close(TkFile* file);                               // close the stream, keep the object
int FILE_IsOpen(const TkFile* file);                         // 1 while the stream is open
const char* FILE_GetPath(const TkFile* file);                // the path the object names
// Reads the next line without its line end into buf (cut to cap-1 characters, the rest of the
// line skipped); returns 1, or 0 at the end of the file or on error.
int FILE_ReadLine(TkFile* file, char* buf, std::size_t cap);
int FILE_WriteLine(TkFile* file, const char* text);          // write text and a line end; 1 / 0
long FILE_Read(TkFile* file, void* buf, std::size_t n);      // read up to n bytes; count, -1 on error
long FILE_Write(TkFile* file, const void* buf, std::size_t n);  // write n bytes; count, -1 on error
int FILE_Flush(TkFile* file);                                // flush buffered output; 1 / 0
int FILE_AtEnd(TkFile* file);                                // 1 when no more bytes can be read
long FILE_Size(TkFile* file);                                // size in bytes of the named file, -1 if none

int FILE_PathKind(const char* path);                         // TK_PATH_NONE, TK_PATH_FILE or TK_PATH_DIR
int FILE_MakeDir(const char* path);                          // create the folder and its parents; 1 / 0
int FILE_CopyFile(const char* from, const char* to);         // copy a file (replacing to); 1 / 0
int FILE_MoveFile(const char* from, const char* to);         // rename or copy-and-remove; 1 / 0
int FILE_RemoveFile(const char* path);                       // remove a file; 1 when it is gone afterwards
