// Memory wrappers over the runtime heap. Blocks are cleared; a failed allocation is reported
// through ks_alloc_err, the failure procedure of the allocating wrappers for their call.
#include "base/ks_mem.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/ks_alert.h"

namespace {

std::atomic<KsMemErrorProc> s_error_proc{nullptr};

// The allocator proper: a cleared block, or null after calling the failure procedure `proc`
// (none when null).
void* alloc_cleared(std::size_t size, KsMemErrorProc proc) {
  if (size > static_cast<std::size_t>(PTRDIFF_MAX)) {
    if (proc) proc(KS_MEM_BAD_SIZE);
    return nullptr;
  }
  // A zero-byte request still gets a block of its own, so callers can free it like any other.
  void* p = std::calloc(1, size ? size : 1);
  if (!p && proc) proc(KS_MEM_NO_MEMORY);
  return p;
}

// One allocation reported through ks_alloc_err. The wrappers' procedure is handed to the
// allocator for this call alone rather than installed program-wide and put back: calls on
// several threads at once would otherwise take each other's procedure, or leave the wrong one
// installed.
void* alloc_with_report(std::size_t size) {
  return alloc_cleared(size, ks_alloc_err);
}

}  // namespace

KsMemErrorProc ks_mem_get_error_proc() {
  return s_error_proc.load();
}

KsMemErrorProc ks_mem_set_error_proc(KsMemErrorProc proc) {
  return s_error_proc.exchange(proc);
}

void* ks_alloc_msg(std::size_t size) {
  return alloc_with_report(size);
}

void* ks_huge_alloc_msg(std::size_t size) {
  return alloc_with_report(size);
}

void ks_free(void* p) {
  std::free(p);
}

void ks_huge_free_msg(void* p) {
  std::free(p);
}

void ks_freelist_msg(void** list, long n) {
  if (!list) return;
  for (long i = 0; i < n; ++i) std::free(list[i]);
  std::free(list);
}

int ks_alloc_err(int fail_code) {
  char text[80];
  switch (fail_code) {
    case KS_MEM_NO_MEMORY:
      std::snprintf(text, sizeof text, "Insufficient memory.");
      break;
    case KS_MEM_BAD_SIZE:
      std::snprintf(text, sizeof text,
                    "ks_alloc_err(): Program requested invalid size for memory allocation.");
      break;
    case KS_MEM_NULL_FREE:
      std::snprintf(text, sizeof text,
                    "ks_alloc_err(): Program passed NULL value to PTR_Dispose() or PTR_SetSize().");
      break;
    case 3:
    case 4:
      std::snprintf(text, sizeof text, "ks_alloc_err(): Memory may have been overwritten.");
      break;
    case KS_MEM_DOUBLE_FREE:
      std::snprintf(text, sizeof text,
                    "ks_alloc_err(): Program attempted to free same block of memory twice.");
      break;
    default:
      std::snprintf(text, sizeof text, "ks_alloc_err(): failCode = %d.", fail_code);
      break;
  }
  ks_alert_show(KS_ALERT_ERROR, text);
  return 0;
}

int ks_dbg_null_ptr(const char* func, const char* var) {
  char text[256];
  std::snprintf(text, sizeof text,
                "%s(): %s == NULL.  Program may become unstable.  Please report this problem to "
                "K.S. Technical Support.",
                func ? func : "", var ? var : "");
  return ks_alert_show(KS_ALERT_ERROR, text);
}
