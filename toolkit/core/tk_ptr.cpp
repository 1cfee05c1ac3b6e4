#include "toolkit/core/tk_ptr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// Every block carries a header in front of the caller's bytes: a guard word and the size asked
// for. A block whose guard is damaged (overwritten from below, or not a block of ours) is
// reported and left alone instead of being handed to the heap.
namespace {

constexpr std::uint64_t kLive = 0x6B73626C6F636B31ull;   // live block

struct alignas(std::max_align_t) Header {
  std::uint64_t guard;
  std::size_t size;
};

TkPtrErrorProc s_error_proc = nullptr;

void fail(int code) {
  if (s_error_proc) s_error_proc(code);
}

Header* header_of(const void* block) {
  return reinterpret_cast<Header*>(const_cast<char*>(static_cast<const char*>(block)) -
                                   sizeof(Header));
}

void* allocate(std::size_t size) {
  if (size == 0 || size > TK_PTR_MAX_SIZE) {
    fail(TK_PTR_BAD_SIZE);
    return nullptr;
  }
  auto* h = static_cast<Header*>(std::calloc(1, sizeof(Header) + size));
  if (!h) {
    fail(TK_PTR_NO_MEMORY);
    return nullptr;
  }
  h->guard = kLive;
  h->size = size;
  return h + 1;
}

// Checks the header of a block about to be released or resized; reports and returns false
// for a block that is not live.
bool check_live(const void* block) {
  const Header* h = header_of(block);
  if (h->guard == kLive) return true;
  fail(TK_PTR_OVERWRITTEN);
  return false;
}

void release(void* block) {
  if (!check_live(block)) return;
  Header* h = header_of(block);
  h->guard = 0;
  std::free(h);
}

}  // namespace

void* PTR_New(std::size_t size) { return allocate(size); }
void* PTR_NewClear(std::size_t size) { return allocate(size); }

void PTR_Dispose(void* block) {
  if (!block) {
    fail(TK_PTR_NULL_BLOCK);
    return;
  }
  release(block);
}

void PTR_DisposeLarge(void* block) {
  if (block) release(block);
}

void* PTR_SetSize(void* block, std::size_t size) {
  if (!block) {
    fail(TK_PTR_NULL_BLOCK);
    return nullptr;
  }
  if (!check_live(block)) return nullptr;
  if (size == 0 || size > TK_PTR_MAX_SIZE) {
    fail(TK_PTR_BAD_SIZE);
    return nullptr;
  }
  Header* h = header_of(block);
  std::size_t old = h->size;
  auto* n = static_cast<Header*>(std::realloc(h, sizeof(Header) + size));
  if (!n) {
    fail(TK_PTR_NO_MEMORY);
    return nullptr;
  }
  if (size > old) std::memset(reinterpret_cast<char*>(n + 1) + old, 0, size - old);
  n->size = size;
  return n + 1;
}

std::size_t PTR_GetSize(const void* block) { return block ? header_of(block)->size : 0; }
TkPtrErrorProc PTR_GetErrorProc() { return s_error_proc; }
void PTR_SetErrorProc(TkPtrErrorProc proc) { s_error_proc = proc; }
