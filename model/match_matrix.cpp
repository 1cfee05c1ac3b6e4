#include "model/match_matrix.h"

#include <cmath>
#include <cstring>

#include "base/ks_mem.h"
#include "base/slog.h"

namespace {

std::size_t cell_count(int n) {
  return n < 2 ? 0 : static_cast<std::size_t>(n) * static_cast<std::size_t>(n - 1) / 2;
}

// Index of cell (i, j), i != j, both in range.
std::size_t cell_index(int i, int j) {
  const std::size_t r = static_cast<std::size_t>(i > j ? i : j);
  const std::size_t c = static_cast<std::size_t>(i > j ? j : i);
  return r * (r - 1) / 2 + c;
}

bool in_range(const ks_hmatx* m, int i, int j, const char* fn) {
  if (m != nullptr && i >= 0 && j >= 0 && i < m->n && j < m->n) return true;
  SLOG(fn, SLOG_WARN, "index (%d, %d) outside the matrix of %d rows", i, j, m ? m->n : -1);
  return false;
}

char* copy_text(const char* s) {
  if (s == nullptr) return nullptr;
  const std::size_t len = std::strlen(s) + 1;
  char* p = static_cast<char*>(ks_alloc_msg(len));
  if (p != nullptr) std::memcpy(p, s, len);
  return p;
}

bool entry_ok(const MATCH_MATRIX* mr, int i, const char* fn) {
  if (mr != nullptr && i >= 0 && i < mr->count) return true;
  SLOG(fn, SLOG_WARN, "entry %d outside the matrix of %d entries", i, mr ? mr->count : -1);
  return false;
}

}  // namespace

ks_hmatx* ks_hmatx_new(int n) {
  if (n < 0) return nullptr;
  auto* m = static_cast<ks_hmatx*>(ks_alloc_msg(sizeof(ks_hmatx)));
  if (m == nullptr) return nullptr;
  // At least one cell, so a matrix of 0 or 1 rows still has a block to free.
  const std::size_t cells = cell_count(n);
  m->cells = static_cast<float*>(ks_huge_alloc_msg((cells ? cells : 1) * sizeof(float)));
  if (m->cells == nullptr) {
    ks_free(m);
    return nullptr;
  }
  m->n = n;
  return m;
}

void ks_hmatx_free(ks_hmatx* m) {
  if (m == nullptr) return;
  ks_huge_free_msg(m->cells);
  ks_free(m);
}

int ks_hmatx_size(const ks_hmatx* m) { return m ? m->n : 0; }

void ks_hmatx_set(ks_hmatx* m, int i, int j, float v) {
  if (!in_range(m, i, j, "ks_hmatx_set") || i == j) return;
  m->cells[cell_index(i, j)] = v;
}

float ks_hmatx_get(const ks_hmatx* m, int i, int j) {
  if (!in_range(m, i, j, "ks_hmatx_get") || i == j) return 0.0f;
  return m->cells[cell_index(i, j)];
}

ks_hmatx* ks_hmatx_copy(const ks_hmatx* m) {
  if (m == nullptr) return nullptr;
  ks_hmatx* c = ks_hmatx_new(m->n);
  if (c != nullptr && m->n > 1) std::memcpy(c->cells, m->cells, cell_count(m->n) * sizeof(float));
  return c;
}

void ks_hmatx_remove(ks_hmatx* m, int k) {
  if (m == nullptr || k < 0 || k >= m->n) {
    SLOG("ks_hmatx_remove", SLOG_WARN, "row %d outside the matrix of %d rows", k, m ? m->n : -1);
    return;
  }
  const int n = m->n;
  float* a = m->cells;
  // Rows below k move up one row; their columns left of k stay where they are.
  for (int r = k; r <= n - 2; ++r)
    for (int c = 0; c < k; ++c) a[cell_index(r, c)] = a[cell_index(r + 1, c)];
  // Columns right of k move left one column (with their rows, which move up).
  for (int c = k; c <= n - 3; ++c)
    for (int r = c + 1; r <= n - 2; ++r) a[cell_index(r, c)] = a[cell_index(r + 1, c + 1)];
  m->n = n - 1;
}

void ks_hmatx_cell_rowcol(std::size_t index, int* row, int* col) {
  // Row r holds indexes r(r-1)/2 .. r(r+1)/2 - 1: r is the t with t(t-1)/2 <= index < t(t+1)/2.
  std::size_t t = static_cast<std::size_t>(std::floor(std::sqrt(2.0 * static_cast<double>(index))));
  if (t * (t + 1) / 2 <= index) ++t;
  // The square root is exact enough for every index of a matrix that fits in memory; these
  // steps only guard the last bit.
  while (t > 1 && t * (t - 1) / 2 > index) --t;
  while (t * (t + 1) / 2 <= index) ++t;
  if (row) *row = static_cast<int>(t);
  if (col) *col = static_cast<int>(index - t * (t - 1) / 2);
}

int ks_hmatx_min_pairs(const ks_hmatx* m, int** pairs) {
  if (pairs) *pairs = nullptr;
  if (m == nullptr || pairs == nullptr) return 0;
  const std::size_t cells = cell_count(m->n);
  float lo = 127.0f;
  std::size_t count = 0;
  for (std::size_t i = 0; i < cells; ++i) {
    if (m->cells[i] < lo) {
      lo = m->cells[i];
      count = 1;
    } else if (m->cells[i] == lo) {
      ++count;
    }
  }
  if (count == 0) return 0;
  int* out = static_cast<int*>(ks_alloc_msg(count * 2 * sizeof(int)));
  if (out == nullptr) return 0;
  std::size_t k = 0;
  for (std::size_t i = 0; i < cells && k < count; ++i) {
    if (m->cells[i] != lo) continue;
    ks_hmatx_cell_rowcol(i, &out[2 * k], &out[2 * k + 1]);
    ++k;
  }
  *pairs = out;
  return static_cast<int>(count);
}

MATCH_MATRIX* ks_mr_new(int n) {
  if (n < 0) return nullptr;
  auto* mr = static_cast<MATCH_MATRIX*>(ks_alloc_msg(sizeof(MATCH_MATRIX)));
  if (mr == nullptr) return nullptr;
  const std::size_t slots = static_cast<std::size_t>(n ? n : 1) * sizeof(char*);
  mr->labels = static_cast<char**>(ks_huge_alloc_msg(slots));
  mr->paths = static_cast<char**>(ks_huge_alloc_msg(slots));
  mr->distances = ks_hmatx_new(n);
  mr->count = n;
  mr->method = 3;
  if (mr->labels == nullptr || mr->paths == nullptr || mr->distances == nullptr) {
    mr->count = 0;
    ks_mr_free(mr);
    return nullptr;
  }
  return mr;
}

void ks_mr_free(MATCH_MATRIX* mr) {
  if (mr == nullptr) return;
  ks_hmatx_free(mr->distances);
  for (int i = 0; i < mr->count; ++i) {
    ks_free(mr->labels[i]);
    ks_free(mr->paths[i]);
  }
  ks_huge_free_msg(mr->labels);
  ks_huge_free_msg(mr->paths);
  mr->labels = mr->paths = nullptr;
  mr->distances = nullptr;
  ks_free(mr);
}

int ks_mr_count(const MATCH_MATRIX* mr) { return mr ? ks_hmatx_size(mr->distances) : 0; }

void ks_mr_set_entry(MATCH_MATRIX* mr, int i, const char* label, const char* path) {
  if (!entry_ok(mr, i, "ks_mr_set_entry")) return;
  ks_free(mr->labels[i]);
  ks_free(mr->paths[i]);
  mr->labels[i] = copy_text(label);
  mr->paths[i] = copy_text(path);
}

const char* ks_mr_label(const MATCH_MATRIX* mr, int i) {
  return entry_ok(mr, i, "ks_mr_label") ? mr->labels[i] : nullptr;
}

const char* ks_mr_path(const MATCH_MATRIX* mr, int i) {
  return entry_ok(mr, i, "ks_mr_path") ? mr->paths[i] : nullptr;
}

void ks_mr_set_dist(MATCH_MATRIX* mr, int i, int j, float d) {
  if (mr) ks_hmatx_set(mr->distances, i, j, d);
}

float ks_mr_dist(const MATCH_MATRIX* mr, int i, int j) {
  return mr ? ks_hmatx_get(mr->distances, i, j) : 0.0f;
}

float ks_mr_similarity(const MATCH_MATRIX* mr, int i, int j) {
  return static_cast<float>(100.0 - static_cast<double>(ks_mr_dist(mr, i, j)));
}

ks_hmatx* ks_mr_copy_matrix(const MATCH_MATRIX* mr) {
  return mr ? ks_hmatx_copy(mr->distances) : nullptr;
}
