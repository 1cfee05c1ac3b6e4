// Lane selection files: the table read from the file and every line matched against a lane
// with labelled characteristics.
#include <cstdint>
#include <cstdio>

#include "base/ks_mem.h"
#include "fuzz_support.h"
#include "model/lane.h"
#include "model/lanechar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("select.sel", data, size);
  char** table = nullptr;
  ln_read_lanesel(path.c_str(), &table);
  if (!table) return 0;

  LANE* lane = ln_make_lane();
  if (lane) {
    static const char* const kChars[][2] = {{"dose", "high"}, {"strain", "K12"}};
    lane->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(2 * sizeof(LANECHAR*)));
    if (lane->lane_chars) {
      for (int i = 0; i < 2; ++i) {
        lane->lane_chars[i] = ks_new_rec<LANECHAR>();
        if (!lane->lane_chars[i]) break;
        std::snprintf(lane->lane_chars[i]->name, sizeof lane->lane_chars[i]->name, "%s", kChars[i][0]);
        std::snprintf(lane->lane_chars[i]->value, sizeof lane->lane_chars[i]->value, "%s", kChars[i][1]);
        lane->num_lane_chars = lane->num_labeled_chars = i + 1;
      }
    }
    ln_meet_lanesel(lane, table);
    for (int i = 0; i < LN_SEL_SLOTS; ++i)
      if (table[i]) ln_match_one_char(lane, i, table[i]);
    ln_free_lane(lane);
  }
  ln_free_lanesel(table);
  return 0;
}
