// Memory wrappers. Every allocation hands out a cleared block, or null after an error alert;
// callers test the result and report a null with ks_dbg_null_ptr, then return their failure value.
// Nothing here ends the program.
#pragma once

#include <cstddef>

void* ks_alloc_msg(std::size_t size);
void* ks_huge_alloc_msg(std::size_t size);
// Release a block of ks_alloc_msg / ks_huge_alloc_msg; null is ignored.
void ks_free(void* p);
void ks_huge_free_msg(void* p);
// Frees each of the n blocks named in `list` (null entries ignored), then the array itself.
// A null array is ignored.
void ks_freelist_msg(void** list, long n);

// Allocation failure codes.
enum : int {
  KS_MEM_NO_MEMORY = 0,    // the block cannot be had
  KS_MEM_BAD_SIZE = 1,     // the size asked for is not a valid block size
  KS_MEM_NULL_FREE = 2,    // null given to a release or resize
  KS_MEM_OVERWRITTEN = 3,  // (3 and 4) a block's bookkeeping was overwritten
  KS_MEM_DOUBLE_FREE = 5,  // a block released twice
};

// The allocator's installed failure procedure. The allocating wrappers report their failures
// through ks_alloc_err for their call, whatever is installed, and leave the installed one as it
// is (also when several threads allocate at once).
using KsMemErrorProc = int (*)(int fail_code);
KsMemErrorProc ks_mem_get_error_proc();
KsMemErrorProc ks_mem_set_error_proc(KsMemErrorProc proc);  // returns the previous one

// The allocation failure procedure: shows the error alert for the failure code, returns 0.
int ks_alloc_err(int fail_code);
// Reports a required pointer that is null with an error alert; returns the alert's result.
int ks_dbg_null_ptr(const char* func, const char* var);

// Typed helper: a cleared block for one T (records of plain fields only).
template <typename T>
T* ks_new_rec() {
  return static_cast<T*>(ks_alloc_msg(sizeof(T)));
}
