#include "base/io_swap.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

void reverse_bytes(void* p, int n) {
  auto* b = static_cast<unsigned char*>(p);
  for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(b[i], b[j]);
}

std::uint32_t load32(const void* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}

void store32(void* p, std::uint32_t w) {
  std::memcpy(p, &w, 4);
}

// Exchanges bits a and b of w.
std::uint32_t swap_bits(std::uint32_t w, int a, int b) {
  std::uint32_t ba = (w >> a) & 1u, bb = (w >> b) & 1u;
  if (ba != bb) w ^= (1u << a) | (1u << b);
  return w;
}

// Reverses the order of the `width` bits starting at bit `lo`.
std::uint32_t reverse_field(std::uint32_t w, int lo, int width) {
  for (int i = 0, j = width - 1; i < j; ++i, --j) w = swap_bits(w, lo + i, lo + j);
  return w;
}

void reverse_bits_each(void* p, int n) {
  auto* b = static_cast<unsigned char*>(p);
  for (int i = 0; i < n; ++i) io_reverse_bits(&b[i]);
}

}  // namespace

void io_swap_short(void* p) {
  reverse_bytes(p, 2);
}
void io_swap_long(void* p) {
  reverse_bytes(p, 4);
}
void io_swap_double(void* p) {
  reverse_bytes(p, 8);
}

void io_reverse_bits(unsigned char* b) {
  unsigned char v = *b, r = 0;
  for (int i = 0; i < 8; ++i)
    if (v & (1u << i)) r = static_cast<unsigned char>(r | (1u << (7 - i)));
  *b = r;
}

void io_swap_lane_flags(void* p) {
  reverse_bits_each(p, 4);
}

void io_swap_spot_flags(void* p) {
  std::uint32_t w = load32(p);
  w = reverse_field(w, 0, 4);
  w = swap_bits(w, 4, 5);
  w = swap_bits(w, 6, 7);
  w = swap_bits(w, 9, 10);
  store32(p, w);
  reverse_bits_each(p, 8);
}

void io_swap_spot_flags2(void* p) {
  std::uint32_t w = load32(p);
  w = swap_bits(w, 0, 1);
  for (int lo = 4; lo < 32; lo += 4) w = reverse_field(w, lo, 4);
  store32(p, w);
  reverse_bits_each(p, 4);
}
