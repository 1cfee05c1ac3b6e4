// Shared part of the import targets: the destination image pair in the work folder, removed
// after each run, and a resolution answer that needs no dialog.
#pragma once

#include "acquire/io_tiff.h"
#include "fuzz_support.h"

namespace vxfuzz {

inline std::string import_destination() { return path_of("imported.kes"); }

inline void remove_import() {
  remove_file("imported.kes");
  remove_file("imported.kei");
}

// The user's answer for a file without resolution tags: 100 dots per inch, convert.
inline long answer_resolution(TkObject*, double* x_dpi, double* y_dpi, int, int, int, int, int*) {
  *x_dpi = *y_dpi = 100.0;
  return 1;
}

}  // namespace vxfuzz
