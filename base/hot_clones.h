// Marks a hot loop for an AVX2 copy beside the default one; the program picks the
// copy for its processor when it starts. Only GCC builds the copies: clang's builds (the fuzz
// targets) cannot link a cloned function called from another file, so they take the default.
// Neither copy fuses a multiply with an add, so both give the same results.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
#define VX_HOT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VX_HOT_CLONES
#endif
