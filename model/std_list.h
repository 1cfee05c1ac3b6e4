// Marker lists of standard points: a growable array of STD_MARKER records that std_sort threads in
// two further orders (equal values across lanes, and one lane top to bottom). Every change marks
// the list dirty; readers re-sort a dirty list before they follow its links.
//
// Capacity: 1024 records in a new list; an append to a full array doubles it; a deletion that
// leaves the count below a quarter of a capacity above 1024 shrinks it to a quarter.
#pragma once

#include <cstdint>

inline constexpr double STD_NO_VALUE = -99999999.999;
inline constexpr int STD_LIST_INITIAL = 1024;

// Marker flag bits.
enum : int32_t {
  STD_M_VALID = 1 << 0,
  STD_M_DELETE = 1 << 1,  // marked for deletion
  STD_M_KEPT = 1 << 3,    // kept over a replacing put
};

struct STD_MARKER {
  double x, y;           // position in image pixels
  double value;          // standard value; STD_NO_VALUE = none
  int32_t lane_num;      // lane holding the marker; 0 = none
  int32_t row_num;       // rank of the value among the list's distinct values (std_sort)
  int32_t flags;         // STD_M_* bits
  int32_t ix, iy;        // integer position
  STD_MARKER* next_val;  // next record (lane order) with the same value within 0.001
  STD_MARKER* next_y;    // next record of the same lane, downwards
  STD_MARKER* prev_val;
  STD_MARKER* prev_y;
};

struct STD_LIST {
  int32_t clean;          // 1 sorted and linked; 0 dirty
  int32_t count;          // records in use
  int32_t capacity;       // records the array holds
  int32_t rows;           // distinct standard values (std_sort)
  int32_t int_method;     // interpolation method
  int32_t _used;          // method used by the last interpolation
  int32_t extrap_method;  // 0 none, 1 two nearest rows, 2 first and last rows
  int32_t precision;
  int32_t repeat_length;  // grid step of the repeat snapping
  int32_t use_repeats;
  uint8_t hdr_rest[65];   // stored whole with the list, otherwise unused
  uint8_t hdr_rest2[10];  // stored whole with the list, otherwise unused
  STD_MARKER* records;
};

STD_LIST* std_list_create();
int std_list_free(STD_LIST* list);  // 1, or 0 (nothing freed) when the list has no array
// Copies the record to the end (growing a full array first); 1, or 0 with the list unchanged.
int std_list_append(STD_LIST* list, const STD_MARKER* rec);
// Replaces the last record of the same nonzero lane and exactly the same value (taking the new
// x, y, ix, iy and flags, carrying the kept bit over into both), else appends. 1, or 0 when the
// append fails.
int std_list_put(STD_LIST* list, STD_MARKER* rec);
int std_list_get(const STD_LIST* list, int index, STD_MARKER* out);  // 1, or 0 for a bad index
int std_list_delete(STD_LIST* list, int index);                      // 1, or 0 for a bad index
void std_marker_clear(STD_MARKER* rec);
// Deletes the records marked for deletion, then the invalid ones; returns how many the first
// pass deleted.
int std_list_compact(STD_LIST* list);
int std_list_drop_invalid(STD_LIST* list);  // deletes the invalid records; 0
void std_slgstd(const STD_LIST* list);      // trace dump
