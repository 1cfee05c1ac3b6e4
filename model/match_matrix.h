// The match matrix of an all-lanes match and the half matrix under it.
//
// ks_hmatx is a symmetric n x n matrix of floats kept as its lower triangle without the
// diagonal: cell (r, c) with r > c lies at index r(r-1)/2 + c, so row 1 holds (1,0), row 2
// holds (2,0), (2,1), and so on. (i, j) and (j, i) name the same cell; the diagonal is not
// stored and reads as 0. The clustering copies it and removes rows while it joins clusters.
//
// MATCH_MATRIX carries one row per matched lane: its label ("image:number:name"), the path of
// its image, and the pairwise distances (100 minus the match percentage), plus a copy of the
// match parameters of the match that filled it. Each record counts its own entries, so several
// matrices (one per match matrix window) may be alive at once.
//
// An index outside 0..n-1 is refused with a trace: a read gives 0, a store or a removal changes
// nothing. Cell counts and indexes are computed in size_t, so n(n-1) does not overflow.
#pragma once

#include <cstddef>

struct ks_hmatx {
  int n;         // rows (and columns)
  float* cells;  // n(n-1)/2 cells, zeroed at creation; kept at full size by ks_hmatx_remove
};

struct MATCH_MATRIX {
  char** labels;        // n heap copies (null when unset), owned
  char** paths;         // n heap copies (null when unset), owned
  ks_hmatx* distances;  // n rows, owned
  int count;            // entries of labels and paths, fixed at creation
  // The match parameters of the match that filled the matrix: method (0 Jaccard, 1 Dice,
  // 2 percent of reference, 3 unknown) and the tolerances in percent.
  int method;
  double band_size_tol;
  double spacing_tol;
  double volume_tol;
  double match_threshold;
};

// Half matrix ---------------------------------------------------------------------------------
ks_hmatx* ks_hmatx_new(int n);      // n rows, every cell 0; null for n < 0 or no memory
void ks_hmatx_free(ks_hmatx* m);    // null ignored
int ks_hmatx_size(const ks_hmatx* m);
void ks_hmatx_set(ks_hmatx* m, int i, int j, float v);  // i == j is ignored
float ks_hmatx_get(const ks_hmatx* m, int i, int j);    // 0 when i == j
ks_hmatx* ks_hmatx_copy(const ks_hmatx* m);
// Removes row and column k (the others keep their order) and decrements n; the cell array keeps
// its allocation. k = n - 1 only decrements n.
void ks_hmatx_remove(ks_hmatx* m, int k);
// Row and column of a cell index: index 0 gives (1, 0), 1 gives (2, 0), 2 gives (2, 1), ...
void ks_hmatx_cell_rowcol(std::size_t index, int* row, int* col);
// The cells that hold the smallest value (searched from 127.0, so cells above 127 never count),
// as (row, column) pairs in cell order: *pairs receives 2 * count ints from ks_alloc_msg (null
// when the count is 0), which the caller frees with ks_free.
int ks_hmatx_min_pairs(const ks_hmatx* m, int** pairs);

// Match matrix --------------------------------------------------------------------------------
MATCH_MATRIX* ks_mr_new(int n);  // n empty entries and n rows of distance 0; null on failure
void ks_mr_free(MATCH_MATRIX* mr);  // frees its entries, half matrix and itself; null ignored
int ks_mr_count(const MATCH_MATRIX* mr);
// Stores copies of the texts as entry i (the previous copies are freed; a null text stores null).
void ks_mr_set_entry(MATCH_MATRIX* mr, int i, const char* label, const char* path);
const char* ks_mr_label(const MATCH_MATRIX* mr, int i);  // null when unset or out of range
const char* ks_mr_path(const MATCH_MATRIX* mr, int i);
void ks_mr_set_dist(MATCH_MATRIX* mr, int i, int j, float d);
float ks_mr_dist(const MATCH_MATRIX* mr, int i, int j);        // 0 when i == j
float ks_mr_similarity(const MATCH_MATRIX* mr, int i, int j);  // 100 - distance
ks_hmatx* ks_mr_copy_matrix(const MATCH_MATRIX* mr);          // a copy of the distances
