// Lists of ids in n slots: the ids in the first slots, -1 in the slots after them. The lane
// order, category and report-field dialogs move ids between an available and an assigned list.
#pragma once

// Stores the value in the first -1 slot: 1, or 0 when the list is full.
int idx_list_append(int* list, int n, int value);
// Sorts the ids before the first -1 ascending.
void idx_list_sort(int* list, int n);
int idx_list_count(const int* list, int n);  // ids before the first -1
// Moves the id at row `from_row` of `from` into `to` at row `to_row` (one row later with
// `after` when that row holds an id). A row past the last id of `from`, or a row outside
// 0..n-1, moves nothing; an insertion past the last id of `to` goes right after it. 1 moved.
int idx_list_move(int* from, int from_row, int* to, int to_row, int n, int after);
