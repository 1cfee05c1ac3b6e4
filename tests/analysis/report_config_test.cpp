// Report configurations: stored records, characteristic columns kept by name, the dialog's
// list moves and the configure step.
#include <gtest/gtest.h>

#include "analysis/rep_cfg.h"
#include "analysis/rep_engine.h"
#include "analysis/ui_rpcfg.h"
#include "report_fixture.h"

namespace {

using vxtest::ReportTest;

std::vector<int> fields() {
  const RepState& st = rep_state();
  return std::vector<int>(st.fld, st.fld + st.num_fld);
}

void set_fields(std::initializer_list<int> codes) {
  RepState& st = rep_state();
  st.num_fld = 0;
  for (int& c : st.fld) c = -1;
  for (int c : codes) st.fld[st.num_fld++] = c;
}

TEST_F(ReportTest, CharacteristicColumnsFollowTheirNames) {
  set_names({"Source", "Host", "Year"});
  set_fields({5, 101, 1, 102});
  put_cfg_report(REP_ALL_LANES);
  const REPORT_CFG* cfg = rep_family_cfg(REP_ALL_LANES);
  EXPECT_EQ(cfg->fld_ids[1], -1);
  EXPECT_EQ(cfg->num_lane_chars, 2);
  EXPECT_STREQ(cfg->lc_names[0], "Host");
  EXPECT_STREQ(cfg->lc_names[1], "Year");

  // "Host" moved to index 0 and "Year" to index 2.
  set_names({"Host", "Source", "Year"});
  get_cfg_report(REP_ALL_LANES);
  EXPECT_EQ(fields(), (std::vector<int>{5, 100, 1, 102}));

  // "Host" removed: its column stays, empty, in its place; "Year" keeps its own.
  set_names({"Source", "Year"});
  get_cfg_report(REP_ALL_LANES);
  EXPECT_EQ(fields(), (std::vector<int>{5, -1, 1, 101}));

  // Saved again and read back, the empty column and the named one keep their places.
  put_cfg_report(REP_ALL_LANES);
  get_cfg_report(REP_ALL_LANES);
  EXPECT_EQ(fields(), (std::vector<int>{5, -1, 1, 101}));
}

TEST_F(ReportTest, WithoutCharacteristicNamesCodesAreStoredAsTheyAre) {
  set_fields({5, 100});
  put_cfg_report(REP_SEL_BANDS);
  const REPORT_CFG* cfg = rep_family_cfg(REP_SEL_BANDS);
  EXPECT_EQ(cfg->num_lane_chars, 0);
  EXPECT_EQ(cfg->fld_ids[1], 100);
  EXPECT_EQ(rep_fld_heading(100), "(null)");
}

TEST_F(ReportTest, DefaultsSetTheSwitchesOfTheBandFamilyOnly) {
  CONTROL* ctl = gt_get_control();
  ctl->band_cfg.titles = ctl->lmatch_cfg.titles = 0;
  band_rep_set_defaults(REP_ACTIVE_IMAGE);
  band_rep_set_defaults(REP_LANE_MATCH);
  EXPECT_EQ(ctl->band_cfg.titles, 1);
  EXPECT_EQ(ctl->lmatch_cfg.titles, 0);
  get_cfg_report(REP_LANE_MATCH);
  EXPECT_EQ(rep_state().max_fixed, 8);
  EXPECT_EQ(fields(), (std::vector<int>{7, 0, 1, 2, 3, 4, 6, 5}));
}

const RepChoice kChoices[] = {{0, "A"}, {1, "B"}, {2, "C"}};

TEST_F(ReportTest, PanelMoves) {
  const int32_t start[] = {2};
  RpcfgPanel p(kChoices, 3, start, 1);
  EXPECT_EQ(p.available(), (std::vector<int32_t>{0, 1, -1}));
  EXPECT_TRUE(p.insert(1, 0));  // B before C
  EXPECT_EQ(p.result(), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(p.add_after(0, 1));  // A after C
  EXPECT_EQ(p.result(), (std::vector<int32_t>{1, 2, 0}));
  // All reported: the available list shows one empty row and a further insert fails.
  ASSERT_EQ(p.rows(false).size(), 1u);
  EXPECT_STREQ(p.rows(false)[0], "");
  EXPECT_FALSE(p.insert(0, 0));
  EXPECT_TRUE(p.remove(0, 0));
  EXPECT_EQ(p.result(), (std::vector<int32_t>{2, 0}));
  EXPECT_EQ(p.available(), (std::vector<int32_t>{1, -1, -1}));
  // Without a selected row nothing moves.
  EXPECT_FALSE(p.insert(-1, 0));
  EXPECT_FALSE(p.remove(0, -1));
}

// A dialog that applies given moves to the table panel and answers as told.
int s_dialog_answer = 0;
int fake_dialog(int nhc, int* nh, const RepChoice* hc, int32_t* hcodes, int nfc, int* nf,
                const RepChoice* fc, int32_t* fcodes, int* titles, int*, int*, int*, int) {
  RpcfgPanel hp(hc, nhc, hcodes, *nh);
  RpcfgPanel fp(fc, nfc, fcodes, *nf);
  // Offered: 24 band columns, then the names as 24 + k.
  EXPECT_EQ(nfc, 24 + 2);
  EXPECT_EQ(nhc, 11);
  fp.insert(int(fp.available_count()) - 1, 0);  // the last characteristic first
  *titles = 1 - *titles;
  *titles = 1 - *titles;
  if (s_dialog_answer) {
    const auto codes = fp.result();
    for (size_t i = 0; i < codes.size(); ++i) fcodes[i] = codes[i];
    *nf = int(codes.size());
  }
  return s_dialog_answer;
}

TEST_F(ReportTest, ConfigureStoresOnlyWhatTheDialogConfirmed) {
  set_names({"Source", "Host"});
  band_rep_set_defaults(REP_ALL_LANES);
  const REPORT_CFG before = *rep_family_cfg(REP_ALL_LANES);
  RpcfgDialogFn old = band_rep_set_dialog(fake_dialog);
  s_dialog_answer = 0;
  EXPECT_EQ(band_rep_config(REP_ALL_LANES, 0), 0);
  EXPECT_EQ(std::memcmp(&before, rep_family_cfg(REP_ALL_LANES), sizeof before), 0);

  s_dialog_answer = 1;
  EXPECT_EQ(band_rep_config(REP_ALL_LANES, 0), 1);
  const REPORT_CFG* cfg = rep_family_cfg(REP_ALL_LANES);
  EXPECT_EQ(cfg->num_fld_ids, 7);
  EXPECT_EQ(cfg->fld_ids[0], -1);
  EXPECT_STREQ(cfg->lc_names[0], "Host");
  get_cfg_report(REP_ALL_LANES);
  EXPECT_EQ(rep_state().fld[0], 101);
  band_rep_set_dialog(old);
}

}  // namespace
