// The commentary record (analysis types 23, 24, 25, 26, 28, 39, 48 and 54; this program writes
// 26): an image's annotation objects. And the text part ".cmt" of the analysis container
// (text types 502 to 509; this program's image comment is 505).
//
// Record (written with version 1; the token's count word holds the object count, which the
// reader uses), per object, packed, in the container's byte order:
//   type, colour                          two int32
//   two words in the places of the style pointers (meaningless; written 0)
//   four placement int32
//   font style (type 0) or line style (types 1 to 10): three int32
//   the type's data:
//     0 TEXT       four int32 (the third is the byte length, the fourth meaningless), the bytes
//     1 BOX        16 bytes          2 CIRCLE  12 bytes
//     3, 4, 9 POLY count, a meaningless word, one word; then count (x, y) int32 pairs
//     5 LINE, 10 LINE2  16 bytes 6 ARC     16 bytes
//     7 FREE       count, a meaningless word; then count (x, y) int32 pairs
//     8 GRID       20 bytes
//     other types  nothing after the common part
#pragma once

#include <cstdint>

#include "io/analysis.h"

enum CommObjType : int32_t {
  COMM_T_TEXT = 0,
  COMM_T_BOX = 1,
  COMM_T_CIRCLE = 2,
  COMM_T_POLYLINE = 3,
  COMM_T_POLYGON = 4,
  COMM_T_LINE = 5,
  COMM_T_ARC = 6,
  COMM_T_FREE = 7,
  COMM_T_GRID = 8,
  COMM_T_POLYGON2 = 9,
  COMM_T_LINE2 = 10,
};

struct COMM_PT {
  int32_t x;
  int32_t y;
};

// Data of a TEXT object: the text's byte length and the text (owned, NUL-terminated).
struct COMM_TEXT_DATA {
  int32_t x;  // top-left of the text
  int32_t y;
  int32_t len;
  char* string;
};

// Data of the polygon kinds: point count, points (owned), open flag (1 open, 0 closed).
struct COMM_POLY_DATA {
  int32_t count;
  COMM_PT* points;
  int32_t open;
};

// Data of a FREE object: point count and points (owned).
struct COMM_FREE_DATA {
  int32_t count;
  COMM_PT* points;
};

// One annotation object. The objects form a chain behind a dummy head. `data` points to the
// type's data: COMM_TEXT_DATA, COMM_POLY_DATA, COMM_FREE_DATA, or for BOX, LINE, LINE2 and
// ARC four int32, CIRCLE three, GRID five (the annotation tool gives them their meaning).
struct COMM_OBJ {
  int32_t type;
  int32_t color;
  int32_t* font_style;  // three int32, text objects only (owned)
  int32_t* line_style;  // three int32, types 1 to 10 (owned)
  int32_t place[4];
  void* data;           // owned
  COMM_OBJ* next;
};

// Writes the chain of the entry's dummy head (entry->record). -1 for an entry without a chain.
int io_wr_commentary(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
// Reads the token's count of objects into a new chain hung on the entry. 0, -2 or -5 (a short
// read, or objects, texts or point lists that run past the record).
int io_rd_commentary(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
// Frees a chain: every object with its styles and data, and the head. Null is ignored.
void io_free_commentary(COMM_OBJ* head);
// Frees one object with its styles and data (not its successors). Null is ignored.
void io_free_comm_obj(COMM_OBJ* o);
void io_free_commentary_entry(ANALYSIS_ENTRY* entry);

// The text part. The writer writes the entry's text (entry->record) without a terminator; a
// text of 32,767 characters or more is stored as its first 32,765 characters and a NUL (the
// caller's text is left unchanged). -1 for an entry without text.
int io_wr_ascii(ByteWriter& text_file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
// The reader takes at most 32,766 bytes of the text file into a new NUL-terminated text hung
// on the entry; an empty file leaves the entry without text. 0, or -2.
int io_rd_ascii(ByteReader& text_file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
