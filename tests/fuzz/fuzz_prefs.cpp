// The preferences file: its one state record read into a list, and the control record taking
// the snapshot as start-up does; the report settings it brings are then used as a report uses
// them (column lists of every report family, printed precisions).
#include <cstdint>
#include <string>

#include "analysis/rep_cfg.h"
#include "analysis/rep_engine.h"
#include "fuzz_image.h"
#include "fuzz_support.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/img_state.h"
#include "model/spot.h"

namespace {

void use_report_settings() {
  for (int type : {REP_SEL_BANDS, REP_ALL_LANES, REP_BAND_MATCH, REP_LANE_MATCH}) {
    rep_state_reset();
    get_cfg_report(type);
    cfg_to_ui_indexing();
    ui_to_cfg_indexing();
    RepState& st = rep_state();
    std::string cell;
    SPOT band{};
    band.size = 123.456;
    band.amount = 7.5;
    band.std_value = 2.25;
    band.f1 = 1;
    for (int i = 0; i < st.num_fld; ++i) {
      (void)rep_fld_heading(st.fld[i]);
      (void)rep_fld_width(st.fld[i]);
      if (type != REP_LANE_MATCH) get_band_fld_val_str(st.fld[i], 1, &band, cell);
    }
    put_cfg_report(type);
  }
  rep_state_reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("gt_init.prf", data, size);
  ANALYSIS_ENTRY** list = nullptr;
  if (io_read_misc(path.c_str(), &list) == 1) io_free_analysis_list(list, 1);

  vxfuzz::reset_control();
  if (gt_read_and_prep_prefs(path.c_str(), gt_get_control())) use_report_settings();
  vxfuzz::reset_control();
  return 0;
}
