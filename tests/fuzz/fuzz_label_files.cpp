// The label grids' files: the first byte picks the reader (label values file "lanechar.csv",
// lane selection file ".sel", standard set file ".std") and answers the question about an
// oversized file; the rest is the file. What is read is written again and read back.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "tools/lbl_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int kind = data[0] % 3;
  const bool go_on = (data[0] & 4) != 0;
  const std::string path = vxfuzz::write_file("labels.txt", data + 1, size - 1);
  const std::string again = vxfuzz::path_of("again.txt");
  const std::vector<std::string> cats = {"A", "dose", "strain", "", "B"};
  LabelCells g;
  if (kind == 0) {
    g.resize(3, 5, LBL_NAME_LEN);
    std::vector<LblSkippedLine> skipped;
    if (lbl_lanechar_read(g, cats, path.c_str(), &skipped) == 0) {
      // Only a category that a row has can have been loaded once already.
      for (const LblSkippedLine& s : skipped)
        if (s.line < 2 || std::find(cats.begin(), cats.end(), s.category) == cats.end()) __builtin_trap();
      lbl_lanechar_write(g, cats, again.c_str());
      lbl_lanechar_read(g, cats, again.c_str());
    }
  } else if (kind == 1) {
    g.resize(LBL_SEL_COLS, LBL_SEL_ROWS, LBL_CELL_LEN);
    if (lbl_sel_read(g, cats, path.c_str(), [&] { return go_on; }) == 0) {
      lbl_sel_write(g, again.c_str());
      lbl_sel_read(g, cats, again.c_str(), [] { return true; });
    }
  } else {
    g.resize(1, LBL_STD_ROWS, LBL_CELL_LEN);
    if (lbl_std_read(g, path.c_str(), [&] { return go_on; }) == 0) {
      lbl_any_not_number(g);
      lbl_std_write(g, again.c_str());
      lbl_std_read(g, again.c_str(), [] { return true; });
    }
  }
  return 0;
}
