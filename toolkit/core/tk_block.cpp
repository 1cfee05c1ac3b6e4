// Zeroed blocks: see tk_block.h.
#include "toolkit/core/tk_block.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;
constexpr std::size_t kLargeBlock = std::size_t(512) << 10;

// A zeroed block of n bytes starting on a large-page boundary: its start, and the mapping to
// unmap (base, bytes). Null when it cannot be mapped.
void* map_large_block(std::size_t n, void*& base, std::size_t& bytes) {
  const std::size_t len = (n + kLargePage - 1) / kLargePage * kLargePage;
  bytes = len + kLargePage;
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  // Trim the mapping to the aligned block.
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t start = (at + kLargePage - 1) & ~(std::uintptr_t(kLargePage) - 1);
  if (start > at) ::munmap(p, start - at);
  const std::size_t tail = (at + bytes) - (start + len);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(start + len), tail);
  base = reinterpret_cast<void*>(start);
  bytes = len;
  ::madvise(base, len, MADV_HUGEPAGE);
  return base;
}

}  // namespace

bool tk_block_alloc(std::size_t n, TkBlock* b) {
  *b = TkBlock{};
  if (n >= kLargeBlock) b->data = map_large_block(n, b->map_base, b->map_bytes);
  if (!b->data) {
    b->map_base = nullptr;
    b->map_bytes = 0;
    b->data = std::calloc(n ? n : 1, 1);
  }
  return b->data != nullptr;
}

void tk_block_free(TkBlock* b) {
  if (b->map_base) ::munmap(b->map_base, b->map_bytes);
  else std::free(b->data);
  *b = TkBlock{};
}
