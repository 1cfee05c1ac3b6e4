// Placeholder memory wrappers until the memory module lands: cleared blocks from calloc.
#include "base/ks_mem.h"

#include <cstdlib>

void* ks_alloc_msg(std::size_t size) { return std::calloc(1, size ? size : 1); }
void* ks_huge_alloc_msg(std::size_t size) { return std::calloc(1, size ? size : 1); }
void ks_free(void* p) { std::free(p); }
void ks_huge_free_msg(void* p) { std::free(p); }
void ks_freelist_msg(void** list, long n) {
  if (!list) return;
  for (long i = 0; i < n; ++i) std::free(list[i]);
  std::free(list);
}
int ks_alloc_err(int) { return 0; }
int ks_dbg_null_ptr(const char*, const char*) { return 0; }
