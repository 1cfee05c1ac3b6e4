// File names and file operations of an image's file set. An image is a set of files that share
// one base path (the image's path without its extension): the pixel file ".kes", the info file
// ".kei", the analysis text part ".cmt", the analysis files named by program code (".gt" is this
// program's own) and the lock file ".lck" while the image is open. Paths use '/'.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "base/kstypes.h"

class IoFileSet;

// Size of the path buffers the name builders write into (255 characters and the terminator).
constexpr int KS_PATH_LEN = 256;

// --- Names. Each writes into `dst` (KS_PATH_LEN characters) and returns 0; a result that does
// not fit leaves `dst` empty and returns -1.

// dst is src without its extension: cut before the last '.' of the last path component. A name
// whose only '.' is its first character (".kes"), or that has no '.', is copied whole.
int io_strip_extension(char* dst, const char* src);
// dst is the base path followed by ".kes", ".kei", ".cmt" or ".lck".
int io_filename_kes(char* dst, const char* base);
int io_filename_kei(char* dst, const char* base);
int io_filename_cmt(char* dst, const char* base);
int io_filename_lock(char* dst, const char* base);
// dst is the base path followed by the analysis extension of a program code: 404 ".hf",
// 406 ".nw", 407 ".gt", 408 ".yc", 409 ".kr", 410 ".pz", 411 ".mj"; any other code (405
// among them) gives the base path alone.
int io_filename_analysis(char* dst, const char* base, int program);
// The extension of the analysis file of a program code (".gt" for 407; "" for 405), or null for
// an unknown code.
const char* io_analysis_ext(int program);
// The analysis files of other programs that lie beside an image: an allocated text (free with
// ks_free) naming their extensions, separated by blanks (".hf .nw"), empty when there are
// none; null when memory runs out. This program's own analysis file (code 407) is not named.
char* io_query_analysis_files(const char* image_path, const char* program_title);
// The base path of a path: the path without its extension, cut as io_strip_extension cuts, with
// no length limit.
std::string io_base_name(const char* path);
// The file-name part of a path (name and extension), and the folder part (with its trailing
// '/'; empty for a bare name).
int io_path_filename(const char* path, char* dst);
int io_path_dirname(const char* path, char* dst);

// src copied (at most 1023 characters) into dst and cut before the last `ch`; returns dst.
char* st_cut_last(char* dst, const char* src, int ch);
// Replaces every occurrence of `pattern` in `buffer` by `replacement`, in place. The result is
// cut to fit `capacity` characters including the terminator. Returns buffer.
char* st_replace(char* buffer, const char* pattern, const char* replacement, std::size_t capacity);

// --- Files.

// True when the file exists and can be opened for reading (a folder is not a file).
bool io_file_exists(const char* path);
// 0 when the file was deleted, -1 when it does not exist, else the unlink result.
int io_delete(const char* path);
// Writes `length` bytes; returns the number of bytes the file position moved (callers compare it
// with `length`).
long io_file_write(std::FILE* file, const void* buffer, long length);
// Copies one file (through a temporary file beside the destination, renamed over it). 0 / -1.
int io_fmgr_copy_file(const char* source, const char* destination);
// Moves one file: the source is deleted only when the copy succeeded. 0 / -1.
int io_fmgr_move_file(const char* source, const char* destination);
// -1 when the source does not exist, else io_fmgr_copy_file.
int io_copy_image_file(const char* source, const char* destination);
// Copies an image set: ".kes" and ".kei" are required, then ".cmt" and the analysis files where
// the source has them; those the source lacks are removed from the destination. The
// destination's set changes as a whole: 0 when it is the complete new set, -1 (any file failed)
// when it is the complete old set. Either path may carry an extension.
int io_copy_image(const char* source, const char* destination);
// Stages that copy in `set` (the caller commits it, with changes of its own): false when a
// required file is missing or a file cannot be staged.
bool io_stage_copy_image(IoFileSet& set, const char* source, const char* destination);
// Results of io_move_image.
enum : int {
  IO_MOVE_FAILED = 0,       // nothing changed: the source set and the old destination stand
  IO_MOVE_DONE = 1,         // the image is at the destination and gone from the source
  IO_MOVE_SOURCE_KEPT = 2,  // the image is at the destination, but the source could not be
                            // deleted and stays as a copy
};
// Moves the pixel file and the info file of an image set (both required) to another base path;
// the destination's companion files go, as they belong to the image that was there. The
// destination set is replaced as a whole, and only then is the source set deleted (as a whole).
int io_move_image(const char* source_base, const char* destination_base);
// A free base path for a new image set beside the image of base `dest_base`, in its folder
// ("<dest_base>.new.XXXXXX"), held by an empty placeholder file of that name so that the name is
// the caller's alone; the caller deletes the placeholder. Empty when no name can be created.
std::string io_new_image_base(const char* dest_base);
// Puts the image set of base `new_base` (written whole beside the destination, in its folder) in
// place of the set of `dest_base` as one change: each file of the new set is renamed over its
// counterpart, and the destination's files that the new set lacks (the old image's analysis and
// lock) go. The new set needs its pixel and info files. 0 when the destination holds the new
// set; -1 when it holds what it held before; the new set's files are gone either way.
int io_replace_image(const char* new_base, const char* dest_base);
// Deletes, where present, ".lck", ".kei", ".cmt" and the analysis files of an image base path;
// the pixel file stays. io_delete_analysis_files keeps ".kei" and ".cmt" too.
void io_delete_files(const char* image_base);
void io_delete_analysis_files(const char* image_base);
// The files of those that io_delete_files deletes that are there now, in its order.
std::vector<std::string> io_image_companions(const char* image_base);
// Lock file of an open image: the image's base path followed by ".lck".
int io_lock_files(const char* image_path);    // 0, or -1 when it cannot be created
int io_unlock_files(const char* image_path);  // 0
BOOL io_is_locked(const char* image_path);

// The folder of temporary files (the write folder, set at start).
void io_set_temp_folder(const char* folder);
const char* io_get_temp_folder();
// dst (KS_PATH_LEN) receives a new temporary file name "<temp folder>kesNNNNN.tmp". The file is
// created empty, so the name is the caller's alone. Returns the name's length, or -1 when no
// free name could be created.
int io_temp_filename(char* dst);

// The regular files of `folder` whose names match `file_type` (a pattern such as "*.kes",
// compared without regard to case), as an allocated array of allocated full paths in name
// order (free with ks_freelist_msg). Returns the count; 0 with *list null when there are none
// or memory runs out.
int io_folder_filelist(char*** list, const char* folder, const char* file_type);
