// Memory wrappers. Every allocation hands out a cleared block, or null after an error alert;
// callers test the result and report a null with ks_dbg_null_ptr, then return their failure value.
#pragma once

#include <cstddef>

void* ks_alloc_msg(std::size_t size);
void* ks_huge_alloc_msg(std::size_t size);
void ks_free(void* p);
void ks_huge_free_msg(void* p);
// Frees each of the n blocks named in `list` (null entries ignored), then the array itself.
void ks_freelist_msg(void** list, long n);
// The allocation failure procedure: shows the alert for the failure code, returns 0.
int ks_alloc_err(int fail_code);
// Reports a required pointer that is null; returns the alert's result.
int ks_dbg_null_ptr(const char* func, const char* var);

// Typed helper: a cleared block for one T (records of plain fields only).
template <typename T>
T* ks_new_rec() {
  return static_cast<T*>(ks_alloc_msg(sizeof(T)));
}
