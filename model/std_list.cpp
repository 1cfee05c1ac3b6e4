// Marker lists of standard points.
#include "model/std_list.h"

#include <cstring>

#include "base/ks_mem.h"
#include "base/slog.h"

STD_LIST* std_list_create() {
  auto* list = ks_new_rec<STD_LIST>();
  if (!list) {
    ks_dbg_null_ptr("std_list_create", "list");
    return nullptr;
  }
  list->records =
      static_cast<STD_MARKER*>(ks_alloc_msg(sizeof(STD_MARKER) * std::size_t(STD_LIST_INITIAL)));
  if (!list->records) {
    ks_dbg_null_ptr("std_list_create", "records");
    ks_free(list);
    return nullptr;
  }
  list->capacity = STD_LIST_INITIAL;
  list->clean = 0;
  list->int_method = 0;
  list->extrap_method = 1;
  list->precision = 3;
  return list;
}

int std_list_free(STD_LIST* list) {
  if (!list || !list->records) return 0;
  ks_free(list->records);
  ks_free(list);
  return 1;
}

// Moves the records into a new array of `capacity` records; false (list unchanged) when memory
// runs out. The links point into the old array, so the list becomes dirty.
static bool resize(STD_LIST* list, int capacity) {
  auto* recs = static_cast<STD_MARKER*>(ks_alloc_msg(sizeof(STD_MARKER) * std::size_t(capacity)));
  if (!recs) {
    ks_dbg_null_ptr("std_list", "records");
    return false;
  }
  if (list->count > 0)
    std::memcpy(recs, list->records, sizeof(STD_MARKER) * std::size_t(list->count));
  ks_free(list->records);
  list->records = recs;
  list->capacity = capacity;
  list->clean = 0;
  return true;
}

int std_list_append(STD_LIST* list, const STD_MARKER* rec) {
  if (!list || !list->records || !rec) return 0;
  if (list->count >= list->capacity) {
    if (list->capacity > (1 << 29) || !resize(list, list->capacity * 2)) return 0;
  }
  list->records[list->count++] = *rec;
  list->clean = 0;
  return 1;
}

int std_list_put(STD_LIST* list, STD_MARKER* rec) {
  if (!list || !list->records || !rec) return 0;
  STD_MARKER* found = nullptr;
  if (rec->lane_num != 0) {
    for (int i = 0; i < list->count; ++i) {
      STD_MARKER* m = &list->records[i];
      if (m->lane_num == rec->lane_num && m->value == rec->value) found = m;
    }
  }
  if (!found) return std_list_append(list, rec);
  if (found->flags & STD_M_KEPT) rec->flags |= STD_M_KEPT;
  found->x = rec->x;
  found->y = rec->y;
  found->ix = rec->ix;
  found->iy = rec->iy;
  found->flags = rec->flags;
  list->clean = 0;
  return 1;
}

int std_list_get(const STD_LIST* list, int index, STD_MARKER* out) {
  if (!list || !list->records || !out || index < 0 || index >= list->count) return 0;
  *out = list->records[index];
  return 1;
}

int std_list_delete(STD_LIST* list, int index) {
  if (!list || !list->records || index < 0 || index >= list->count) return 0;
  int after = list->count - index - 1;
  if (after > 0)
    std::memmove(&list->records[index], &list->records[index + 1],
                 sizeof(STD_MARKER) * std::size_t(after));
  --list->count;
  std_marker_clear(&list->records[list->count]);
  list->clean = 0;
  if (list->count < list->capacity / 4 && list->capacity > STD_LIST_INITIAL)
    resize(list, list->capacity / 4);  // a failed shrink keeps the larger array
  return 1;
}

void std_marker_clear(STD_MARKER* rec) {
  if (rec) *rec = STD_MARKER{};
}

int std_list_drop_invalid(STD_LIST* list) {
  if (!list || !list->records) return 0;
  for (int i = 0; i < list->count;) {
    if (!(list->records[i].flags & STD_M_VALID))
      std_list_delete(list, i);
    else
      ++i;
  }
  list->clean = 0;
  return 0;
}

int std_list_compact(STD_LIST* list) {
  if (!list || !list->records) return 0;
  int deleted = 0;
  for (int i = 0; i < list->count;) {
    if (list->records[i].flags & STD_M_DELETE) {
      std_list_delete(list, i);
      ++deleted;
    } else {
      ++i;
    }
  }
  std_list_drop_invalid(list);
  list->clean = 0;
  return deleted;
}

void std_slgstd(const STD_LIST* list) {
  if (!list || !slog_enabled.load(std::memory_order_relaxed)) return;
  SLOG("std_slgstd", SLOG_VALUE4, "Marker list at memory location %lx is %s",
       static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(list)),
       list->clean ? "clean" : "dirty");
  SLOG("std_slgstd", SLOG_VALUE4, "int method %d, _used %d", list->int_method, list->_used);
  if (!list->records) return;
  for (int i = 0; i < list->count; ++i) {
    const STD_MARKER& m = list->records[i];
    SLOG("std_slgstd", SLOG_VALUE4, "marker %ld at (%.1lf,%.1lf), value %.3lf", long(i), m.x, m.y,
         m.value);
    SLOG("std_slgstd", SLOG_VALUE4, "next_val %lx, next_y %lx, lane_num %ld, row_num %ld",
         static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(m.next_val)),
         static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(m.next_y)), long(m.lane_num),
         long(m.row_num));
  }
}
