// Zeroed memory blocks for large images and work arrays. A block of 512 KiB and more is a
// mapping of its own in 2 MiB pages where the system offers them: its first touch then takes one
// fault per 2 MiB instead of one per 4 KiB, which is most of the cost of new memory that a fresh
// process writes once (the work square of a few hundred lanes is such a block). Smaller blocks
// come from calloc.
#pragma once

#include <cstddef>
#include <utility>

struct TkBlock {
  void* data = nullptr;     // the zeroed block, null when none could be had
  void* map_base = nullptr;  // the block's own mapping (large blocks), unmapped by tk_block_free
  std::size_t map_bytes = 0;
};

// A zeroed block of n bytes (at least one). false, with `b` empty, when there is no memory.
bool tk_block_alloc(std::size_t n, TkBlock* b);
// Releases the block; an empty one is ignored. `b` becomes empty.
void tk_block_free(TkBlock* b);

// A zeroed array of n values of a type for which all zero bytes are the value zero (numbers),
// in a block as above. Empty (data() null) when there is no memory.
template <class T>
class TkZeroArray {
 public:
  explicit TkZeroArray(std::size_t n) : n_(n) {
    if (n <= static_cast<std::size_t>(-1) / sizeof(T) && !tk_block_alloc(n * sizeof(T), &b_))
      n_ = 0;
  }
  ~TkZeroArray() { tk_block_free(&b_); }
  TkZeroArray(const TkZeroArray&) = delete;
  TkZeroArray& operator=(const TkZeroArray&) = delete;
  T* data() { return static_cast<T*>(b_.data); }
  const T* data() const { return static_cast<const T*>(b_.data); }
  std::size_t size() const { return b_.data ? n_ : 0; }
  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T* begin() { return data(); }
  T* end() { return data() + size(); }

 private:
  std::size_t n_ = 0;
  TkBlock b_;
};
