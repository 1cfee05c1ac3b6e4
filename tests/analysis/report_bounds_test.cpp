// Report settings from a damaged preferences file: printed precisions held to 0..10 decimals,
// column codes that name no column read as empty columns, with the stored record left as read.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/compare.h"
#include "analysis/rep_cfg.h"
#include "analysis/rep_engine.h"
#include "report_fixture.h"

namespace {

using vxtest::ReportTest;

// The number of decimals of a printed number ("*" marks an amount without quantification).
int decimals(const std::string& s) {
  const size_t dot = s.find('.');
  return dot == std::string::npos ? 0 : int(s.size() - dot - 1);
}

TEST_F(ReportTest, PrecisionsFromTheSettingsAreHeldToTenDecimals) {
  IMAGE_REC* im = gel();
  SPOT* band = im->bands->next;  // size 500, amount 100
  band->std_value = 3.5;
  RepState& st = rep_state();
  st.image = im;
  st.lane = im->lanes->next;
  CONTROL* ctl = gt_get_control();
  struct Case {
    int digits;
    int expected;
  };
  for (const Case c : {Case{INT_MAX, 10}, Case{11, 10}, Case{10, 10}, Case{3, 3}, Case{0, 0},
                       Case{-1, 0}, Case{INT_MIN, 0}}) {
    SCOPED_TRACE(c.digits);
    ctl->size_digits = ctl->conc_digits = c.digits;
    std::string size, amount, conc;
    get_band_fld_val_str(6, 1, band, size);
    get_band_fld_val_str(8, 1, band, amount);
    get_band_fld_val_str(15, 1, band, conc);
    EXPECT_EQ(decimals(size), c.expected) << size;
    EXPECT_EQ(decimals(amount), c.expected) << amount;
    EXPECT_EQ(decimals(conc), c.expected) << conc;
    EXPECT_EQ(size.substr(0, 3), "500");

    // The compare report prints the same columns through its own table.
    REPORT_CFG& cc = ctl->compare_cfg;
    cc.num_hdr_ids = 0;
    cc.num_fld_ids = 3;
    cc.fld_ids[0] = 6;
    cc.fld_ids[1] = 8;
    cc.fld_ids[2] = 15;
    cc.colheads = cc.dashes = 0;
    band->f2 |= SP_F2_SELECTED;
    compare_full({im}, true, false);
    const std::string text = compare_text();
    EXPECT_NE(text.find(c.expected > 0 ? "500." + std::string(size_t(c.expected), '0') : "500 "),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("500." + std::string(size_t(c.expected) + 1, '0')), std::string::npos);
  }
  // The stored fields keep what was read, so the preferences file is written back unchanged.
  EXPECT_EQ(ctl->size_digits, INT_MIN);
}

TEST_F(ReportTest, ColumnCodesThatNameNoColumnReadAsEmpty) {
  set_names({"Host", "Year"});
  REPORT_CFG* cfg = rep_family_cfg(REP_ALL_LANES);
  const std::vector<int32_t> stored = {5, INT_MIN, INT_MAX, 101, -7, 24, 99, INT_MAX - 50, 0, 23};
  for (int i = 0; i < REP_MAX_FLD; ++i)
    cfg->fld_ids[i] = i < int(stored.size()) ? stored[size_t(i)] : -1;
  cfg->num_fld_ids = int(stored.size());
  cfg->num_lane_chars = 0;
  const REPORT_CFG as_read = *cfg;

  get_cfg_report(REP_ALL_LANES);
  RepState& st = rep_state();
  EXPECT_EQ(std::vector<int32_t>(st.fld, st.fld + st.num_fld),
            (std::vector<int32_t>{5, -1, -1, 101, -1, -1, -1, -1, 0, 23}));
  EXPECT_EQ(std::memcmp(cfg, &as_read, sizeof as_read), 0) << "the stored block changed";

  // The dialog's numbering and back: characteristic columns move, nothing overflows.
  cfg_to_ui_indexing();
  EXPECT_EQ(std::vector<int32_t>(st.fld, st.fld + st.num_fld),
            (std::vector<int32_t>{5, -1, -1, 25, -1, -1, -1, -1, 0, 23}));
  ui_to_cfg_indexing();
  EXPECT_EQ(std::vector<int32_t>(st.fld, st.fld + st.num_fld),
            (std::vector<int32_t>{5, -1, -1, 101, -1, -1, -1, -1, 0, 23}));

  // Codes put straight into the state (as a dialog could leave them) are tested as well.
  const std::vector<int32_t> raw = {INT_MIN, INT_MAX, INT_MAX - 10, 24, 100, -2};
  auto set_raw = [&] {
    st.num_fld = int(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) st.fld[i] = raw[i];
  };
  set_raw();
  cfg_to_ui_indexing();
  EXPECT_EQ(std::vector<int32_t>(st.fld, st.fld + st.num_fld),
            (std::vector<int32_t>{-1, -1, -1, -1, 24, -1}));
  set_raw();
  ui_to_cfg_indexing();
  EXPECT_EQ(std::vector<int32_t>(st.fld, st.fld + st.num_fld),
            (std::vector<int32_t>{-1, -1, -1, 100, 176, -1}));
  set_raw();
  put_cfg_report(REP_ALL_LANES);
  EXPECT_EQ(std::vector<int32_t>(cfg->fld_ids, cfg->fld_ids + cfg->num_fld_ids),
            (std::vector<int32_t>{-1, -1, -1, -1, -1, -1}));
  // "Host" is stored by name in its own slot; the empty columns before it keep their places.
  EXPECT_EQ(cfg->num_lane_chars, 5);
  EXPECT_STREQ(cfg->lc_names[3], "");
  EXPECT_STREQ(cfg->lc_names[4], "Host");
}

}  // namespace
