#include "tools/gt_idx_list.h"

#include <algorithm>

int idx_list_count(const int* list, int n) {
  int k = 0;
  while (list && k < n && list[k] != -1) ++k;
  return k;
}

int idx_list_append(int* list, int n, int value) {
  const int k = idx_list_count(list, n);
  if (!list || k >= n) return 0;
  list[k] = value;
  return 1;
}

void idx_list_sort(int* list, int n) {
  if (list) std::sort(list, list + idx_list_count(list, n));
}

int idx_list_move(int* from, int from_row, int* to, int to_row, int n, int after) {
  const int nf = idx_list_count(from, n), nt = idx_list_count(to, n);
  if (!from || !to || from_row < 0 || from_row >= nf || to_row < 0 || to_row >= n || nt >= n)
    return 0;
  const int id = from[from_row];
  std::copy(from + from_row + 1, from + nf, from + from_row);
  from[nf - 1] = -1;
  int at = std::min(to_row + (after && to_row < nt ? 1 : 0), nt);
  std::copy_backward(to + at, to + nt, to + nt + 1);
  to[at] = id;
  return 1;
}
