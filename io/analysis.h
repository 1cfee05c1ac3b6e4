// The analysis container: a binary file of typed records (header, token table, records) and
// its text part ".cmt", moved as a whole between files and an analysis list (an array of
// ANALYSIS_ENTRY pointers, see model/lane.h). The info file and the preferences file use the
// same header and token layout.
//
// Binary file (all integers 32-bit; every multi-byte field big-endian when the file starts "MM",
// little-endian otherwise; writers write "II"):
//   0   2   byte-order mark "II" or "MM"
//   2   2   int16, written 0, ignored
//   4   4   reserved, written 0, ignored
//   8   4   num_analysis: number of binary records and tokens
//   12  16  four reserved int32, written 0
//   28  20 × num_analysis tokens (ANALYSIS_TOKEN), one per record, in record order
//   then the records, one after another in token order, each analysis_length bytes
//
// Results of the container and of the record readers and writers:
//   0 done, -1 a file cannot be opened or holds nothing usable, -2 out of memory, -3 a type
//   that has no record reader or writer (or nothing to write), -5 a failed or short read,
//   -6 a failed or short write.
#pragma once

#include "base/io_file.h"
#include "base/io_file_set.h"
#include "io/byte_io.h"
#include "model/lane.h"

#include <cstdint>
#include <vector>

enum : int {
  IO_OK = 0,
  IO_ERR_OPEN = -1,
  IO_ERR_MEM = -2,
  IO_ERR_TYPE = -3,
  IO_ERR_READ = -5,
  IO_ERR_WRITE = -6,
};

constexpr int IO_ANALYSIS_HDR_BYTES = 28;
constexpr int IO_ANALYSIS_TOKEN_BYTES = 20;

// This program's analysis program code (".gt") and the older one (".kr").
constexpr int IO_PROG_GT = 407;
constexpr int IO_PROG_KR = 409;
// Text type of this program's image comment.
constexpr int IO_TEXT_COMMENT = 505;

struct ANALYSIS_HDR {
  char mark[2];  // "II" or "MM"
  int16_t word2;
  int32_t reserved;
  int32_t num_analysis;
  int32_t reserved2[4];
};

struct ANALYSIS_TOKEN {
  int32_t analysis_type;
  int32_t analysis_offset;  // from the start of the file
  int32_t analysis_length;  // bytes
  int32_t version;          // record version, set by the record writer
  int32_t count;            // item count, set by the record writer
};

// A record reader reads the record of `token` at the current position of `file` (whose byte
// order is the file's; `swap` is nonzero for an "MM" file), hangs the new record on `entry`
// and leaves `file` after the record. On failure it frees what it made and leaves the entry
// without a record.
using IoRecordReader = int (*)(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token,
                               int swap);
// A record writer appends the entry's record to `file` and may set the token's version and
// count words.
using IoRecordWriter = int (*)(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
// Frees the record (and header) that a reader hung on an entry and clears those words.
using IoRecordFree = void (*)(ANALYSIS_ENTRY* entry);

// One kind of record of the analysis file: its types, reader, writer and free. The table is
// io_record_kinds() (io/record_table.cpp); each record family adds its own row there.
struct IoRecordKind {
  const char* tag;       // trace name
  const int* types;      // the analysis types of this kind, ended by 0
  IoRecordReader read;   // null: not read
  IoRecordWriter write;  // null: not written
  IoRecordFree free;     // null: the record is one ks_alloc_msg block
};
// The table of record kinds, ended by a row whose types is null.
const IoRecordKind* io_record_kinds();
// The kind of a type, or null.
const IoRecordKind* io_record_kind(int type);

// 1 when 1 <= type < 58 (a binary record type), else 0.
int io_is_binary_type(int type);
// The text type for a program code (407 -> 505, ...), or 0 for an unknown code.
int io_text_type_for(int program_code);

// Takes the `token`'s record from `file`: exactly analysis_length bytes, or, at the end of the
// file, 24 bytes fewer when `allow_short` (the missing bytes then read as 0). `rec` receives
// the bytes; `file` moves past them. 0, or -5 for a length below 0 or a short read.
int io_take_record(ByteReader& file, const ANALYSIS_TOKEN* token, std::vector<uint8_t>& rec,
                   bool allow_short);

// Header and token reads (the header's byte order sets the reader's byte order and *swap).
// 1, or 0 on a short read or a header that is not a container.
int io_read_analysis_hdr(ByteReader& file, ANALYSIS_HDR* hdr, int* swap);
int io_read_analysis_token(int swap, ByteReader& file, ANALYSIS_TOKEN* token);
void io_write_analysis_hdr(ByteWriter& file, const ANALYSIS_HDR* hdr);
void io_write_analysis_token(ByteWriter& file, const ANALYSIS_TOKEN* token);

// Reads the entry's record through the record table (types 3 to 54 that have a reader; else -3).
int io_read_binary(int swap, ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
// Writes the entry's record through the record table (types that have a writer; else -3).
int io_write_binary(ANALYSIS_TOKEN* token, ByteWriter& file, ANALYSIS_ENTRY* entry);
// The text part: a text entry's record is its NUL-terminated text. -3 unless 502 <= type <= 509.
int io_read_text(ANALYSIS_ENTRY* entry, ByteReader& text_file);
int io_write_text(ANALYSIS_ENTRY* entry, ByteWriter& text_file);

// Reads the analysis of the image whose path without extension is base_path: the binary file
// for program_code and the text part. *list_io must hold no list and count be 0; on success it
// receives a new list and the result is its number of entries; -1 on any failure (nothing is
// handed out and nothing leaks).
int io_read_app(const char* base_path, int program_code, ANALYSIS_ENTRY*** list_io, int count);
// Writes every binary entry of the list to the analysis file and every text entry to ".cmt".
// The two files are replaced together or not at all. 0, -1, -3 or -6.
int io_write_app(const char* image_path, ANALYSIS_ENTRY** list, int num_analysis, int program_code);
// io_write_app up to the commit: builds the two files and stages them in `set`, so that a caller
// can change further files of the image in the same step. 0, -1, -3 or -6 (the set is then
// failed or holds nothing of the analysis).
int io_stage_app(IoFileSet& set, const char* image_path, ANALYSIS_ENTRY** list, int num_analysis,
                 int program_code);
// Commits the files a writer staged: 0, or -1 with ui_msg 258 when they could not replace the old
// ones (which then stand). `fn` names the writer in the trace.
int io_commit_files(IoFileSet& set, const char* fn);
// Builds the two files' bytes in the given byte order without writing them (io_write_app's
// first step). 0, -3 or -6.
int io_build_app(ANALYSIS_ENTRY** list, int num_analysis, bool big_endian, ByteWriter& binary,
                 ByteWriter& text);

// Frees an entry's record through the record table (or as one block for text and unknown
// types), then the entry. Null is ignored.
void io_free_analysis_entry(ANALYSIS_ENTRY* entry);
// Frees the n entries of a list and the list.
void io_free_analysis_list(ANALYSIS_ENTRY** list, int n);

