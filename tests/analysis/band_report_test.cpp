// Band reports built without windows: values, whole reports in both layouts, match reports.
#include <gtest/gtest.h>

#include "analysis/rep_cfg.h"
#include "analysis/rep_engine.h"
#include "analysis/rep_walk.h"
#include "io/analysis_io.h"
#include "test_support.h"
#include "report_fixture.h"

namespace {

using vxtest::ReportTest;

// Sets the band family's columns and header fields, switches: title on, date off, headings
// and underline on.
void configure(int type, std::initializer_list<int> hdr, std::initializer_list<int> fld) {
  REPORT_CFG* cfg = rep_family_cfg(type);
  int i = 0;
  for (int& c : cfg->hdr_ids) c = -1;
  for (int c : hdr) cfg->hdr_ids[i++] = c;
  cfg->num_hdr_ids = i;
  i = 0;
  for (int& c : cfg->fld_ids) c = -1;
  for (int c : fld) cfg->fld_ids[i++] = c;
  cfg->num_fld_ids = i;
  cfg->num_lane_chars = 0;
  cfg->titles = 1;
  cfg->datetime = 0;
  cfg->colheads = cfg->dashes = 1;
}

std::vector<std::string> joined_rows(const RepBuffer& b) {
  std::vector<std::string> out;
  for (const auto& row : b.grid) {
    std::string s;
    for (size_t i = 0; i < row.size(); ++i) s += (i ? "|" : "") + row[i];
    out.push_back(s);
  }
  return out;
}

TEST_F(ReportTest, CellValuesAndTheirEdgeCases) {
  IMAGE_REC* im = gel();
  set_names({"Source", "Host"});
  LANE* l1 = im->lanes->next;
  LANE* l2 = l1->next;
  add_char(l1, "Host", "cow");
  SPOT* b1 = im->bands->next;
  SPOT* b2 = b1->next;
  std::strcpy(b2->label, "twenty characters ok");
  b2->f1 |= 0x80000000u;
  b1->std_value = 12.5;
  b1->area = 3.25;
  im->img_info->y_res = 85;
  im->img_info->y_scale = -3;

  RepState& st = rep_state();
  st.type = REP_ACTIVE_IMAGE;
  st.image = im;
  st.row_image_name = "gelA";
  st.lane = l1;
  st.lane_vol = 150;
  st.lane_size = 750;
  struct Case { int code; int band_no; const SPOT* band; const char* want; };
  const Case cases[] = {
      {0, 1, b1, "gelA"},
      {1, 1, b1, "L1"},
      {3, 1, b1, "150.000"},
      {5, 1, b1, "1"},
      {5, -1, nullptr, "*"},       // a band column without a band
      {8, 2, nullptr, "*"},
      {6, 1, b1, "500.0"},
      {7, 1, b1, "n/a"},           // no intensity table
      {8, 1, b1, "100.00"},
      {8, 2, b2, "*50.00"},        // type code 0: a leading asterisk
      {9, 1, b1, "66.67"},
      {10, 1, b1, "0.200"},
      {11, 1, b1, "3.25"},
      {14, 1, b1, "4.33"},         // (50 - 0 + 1) rows of 0.085 mm
      {15, 1, b1, "12.50"},
      {15, 2, b2, "*"},
      {18, 1, b1, "N"},
      {18, 2, b2, "Y"},
      {19, 1, b1, "Y"},
      {21, 2, b2, "twenty characters ok"},
      {101, 1, b1, "cow"},
      {100, 1, b1, ""},            // the lane has no value in that category
      {22, 1, b1, "*"},            // no normalising intensity
  };
  std::string out;
  for (const Case& c : cases) {
    get_band_fld_val_str(c.code, c.band_no, c.band, out);
    EXPECT_EQ(out, c.want) << "code " << c.code;
  }
  st.lane = l2;
  get_band_fld_val_str(1, -1, nullptr, out);
  EXPECT_EQ(out, "2") << "an unnamed lane shows its number";
}

TEST_F(ReportTest, IntensityBelowTheBaselineShowsZero) {
  IMAGE_REC* im = gel();
  im->img_int_info = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
  std::memset(im->img_int_info, 0, sizeof(IMG_INT_INFO));
  ASSERT_TRUE(lookup_init(im->img_int_info));
  im->img_int_info->interp_type = 1;
  SPOT* b = im->bands->next;
  b->od = 10;
  b->baseline = 200;
  RepState& st = rep_state();
  st.type = REP_ACTIVE_IMAGE;
  st.image = im;
  st.lane = im->lanes->next;
  std::string out;
  get_band_fld_val_str(7, 1, b, out);
  const double diff = ih_lookup_val(im->img_int_info, 10) - ih_lookup_val(im->img_int_info, 200);
  EXPECT_EQ(out, diff < 0 ? "0.00" : out);
  b->od = 200;
  b->baseline = 200;
  get_band_fld_val_str(7, 1, b, out);
  EXPECT_EQ(out, "0.00");
}

TEST_F(ReportTest, HeaderValuesCutWhereMeantAndLeaveTheRestWhole) {
  IMAGE_REC* im = gel();
  const std::string comment(40, 'c');
  im->comment = static_cast<char*>(ks_alloc_msg(comment.size() + 1));
  std::strcpy(im->comment, comment.c_str());
  im->min_top_band_thick = 3;
  im->min_bot_band_thick = 6;
  RepState& st = rep_state();
  st.image = im;
  std::string out;
  st.format = FMT_TEXT;
  get_hdr_fld_val_str(1, out);
  EXPECT_EQ(out, comment);
  st.format = FMT_HORZ_TABLE;
  get_hdr_fld_val_str(1, out);
  EXPECT_EQ(out, comment.substr(0, 31));
  get_hdr_fld_val_str(2, out);
  EXPECT_EQ(out, "4");
  get_hdr_fld_val_str(8, out);
  EXPECT_EQ(out, "2");

  RepMatch m;
  m.method = 1;
  m.band_count_limit = 100;
  m.ref_kind = 1;
  st.match = &m;
  get_hdr_fld_val_str(11, out);
  EXPECT_EQ(out, "Dice");
  get_hdr_fld_val_str(18, out);
  EXPECT_EQ(out, "100 (no limit)");
  get_hdr_fld_val_str(17, out);
  EXPECT_EQ(out, "<n/a>");
  st.match = nullptr;
}

TEST_F(ReportTest, PatternAndZerosAndOnesKeepEveryReferenceBand) {
  std::string out;
  rep_pattern(5, {{1, 0, 'B'}, {4, 1, 'E'}}, out);
  EXPECT_EQ(out, "_ B _ _ E");
  rep_zeros_ones(5, {{1, 0, 'B'}, {4, 1, 'E'}}, out);
  EXPECT_EQ(out, "0 1 0 0 1");
  std::vector<RepPair> all;
  for (int k = 0; k < 20; ++k) all.push_back({k, k, char('A' + k)});
  rep_pattern(20, all, out);
  EXPECT_EQ(out.size(), 39u);
}

TEST_F(ReportTest, ActiveImageReportAsText) {
  IMAGE_REC* im = gel();
  configure(REP_ACTIVE_IMAGE, {0, 8}, {5, 1, 8, 6, 19});
  RepRun run;
  run.type = REP_ACTIVE_IMAGE;
  run.current = im;
  RepBuffer out;
  EXPECT_EQ(report_bands(run, out), 2);
  EXPECT_EQ(out.text,
            "Kestrin Active Image Report\n\n\n"
            "Image               :gelA\n"
            "# of Bands          :2\n"
            "\n"
            "Band #            Lane         Vol.      Size Std \n"
            "====== =============== ============ ========= === \n"
            "     1              L1       100.00     500.0   Y \n"
            "     2              L1       *50.00     250.0   N \n");

  // The empty lane gets a line of its own with the switch on; its band columns show "*".
  rep_state().empty_lanes = 1;
  EXPECT_EQ(report_bands(run, out), 2);
  EXPECT_NE(out.text.find("     *               2            *         *   * \n"),
            std::string::npos)
      << out.text;
}

TEST_F(ReportTest, ActiveImageReportAsTableGivesEmptyLanesTheirOwnRows) {
  IMAGE_REC* im = gel();
  configure(REP_ACTIVE_IMAGE, {0}, {5, 1});
  rep_state().empty_lanes = 1;
  RepRun run;
  run.type = REP_ACTIVE_IMAGE;
  run.format = FMT_HORZ_TABLE;
  run.current = im;
  RepBuffer out;
  report_bands(run, out);
  const std::vector<std::string> want = {
      "Kestrin Active Image Report", "", "", "Image|gelA", "",
      "Band # |           Lane ", "====== |=============== ",
      "     1 |             L1 ", "     2 |             L1 ",
      "     * |              2 "};
  EXPECT_EQ(joined_rows(out), want);
}

TEST_F(ReportTest, WithoutABandColumnEachLaneGivesOneRow) {
  IMAGE_REC* im = gel();
  configure(REP_ACTIVE_IMAGE, {}, {2, 1, 3});
  RepRun run;
  run.type = REP_ACTIVE_IMAGE;
  run.current = im;
  RepBuffer out;
  report_bands(run, out);
  // No header fields: no header block; the headings still follow.
  EXPECT_EQ(out.text,
            "Kestrin Active Image Report\n\n\n"
            "Lane #            Lane Lane Vol. \n"
            "====== =============== ========= \n"
            "     1              L1   150.000 \n");
}

TEST_F(ReportTest, NothingToReportLeavesTheOutputAlone) {
  IMAGE_REC* im = new_image("bare");
  add_lane(im, 50, 1, "x");
  configure(REP_ACTIVE_IMAGE, {0}, {5});
  RepRun run;
  run.type = REP_ACTIVE_IMAGE;
  run.current = im;
  RepBuffer out;
  out.text = "old";
  EXPECT_EQ(report_bands(run, out), 0);
  EXPECT_EQ(out.text, "old");
}

TEST_F(ReportTest, SelectedBandsAndLanesWalkTheOpenImages) {
  IMAGE_REC* a = gel();
  IMAGE_REC* b = gel();
  std::strcpy(b->image_name, "gelB");
  a->bands->next->next->f2 |= SP_F2_SELECTED;
  a->num_sel_bands = 1;
  configure(REP_SEL_BANDS, {}, {0, 5, 8});
  rep_family_cfg(REP_SEL_BANDS)->colheads = 0;
  rep_family_cfg(REP_SEL_BANDS)->dashes = 0;
  rep_family_cfg(REP_SEL_BANDS)->titles = 0;
  RepRun run;
  run.type = REP_SEL_BANDS;
  run.windows = {a, b};
  RepBuffer out;
  EXPECT_EQ(report_bands(run, out), 1);
  EXPECT_EQ(out.text, "         gelA      2       *50.00 \n");

  b->lanes->next->next->f |= 2u;  // the empty lane of gelB selected
  b->lanes->next->f |= 2u;
  b->num_sel_lanes = 1;
  run.type = REP_SEL_LANES;
  EXPECT_EQ(report_bands(run, out), 2);
  EXPECT_EQ(out.text,
            "         gelB      1       100.00 \n"
            "         gelB      2       *50.00 \n");
  run.format = FMT_HORZ_TABLE;
  report_bands(run, out);
  EXPECT_EQ(joined_rows(out), (std::vector<std::string>{
                                  "         gelB |     1 |      100.00 ",
                                  "         gelB |     2 |      *50.00 "}));
  run.format = FMT_TEXT;
  rep_state().active_only = 1;
  run.current = a;
  EXPECT_EQ(report_bands(run, out), 2) << "rows are counted over every image";
  EXPECT_EQ(out.text, "");
}

// A match of a reference lane of three bands against two lanes.
struct MatchFixture {
  RepMatch m;
  MatchFixture(IMAGE_REC* ref, IMAGE_REC* other) {
    m.ref_image_name = "gelA";
    m.ref_image = ref;
    m.ref_lane = ref->lanes->next;
    m.ref_lane_number = 1;
    for (SPOT* b = ref->bands->next; b; b = b->next) m.ref_bands.push_back(b);
    m.method = 0;
    m.size_tol = 2.5;
    RepMatchLane l1;
    l1.image_name = "gelB";
    l1.lane_number = 1;
    l1.lane = other->lanes->next;
    l1.image = other;
    for (SPOT* b = other->bands->next; b; b = b->next) l1.bands.push_back(b);
    l1.pairs = {{1, 0, 'B'}};
    l1.percent = 40;
    RepMatchLane l2 = l1;
    l2.lane_number = 2;
    l2.pairs = {{0, 0, 'A'}, {1, 1, 'B'}};
    l2.percent = 80;
    m.lanes = {l1, l2};
  }
};

TEST_F(ReportTest, BandMatchGroupsEachReferenceBandWithItsPairs) {
  IMAGE_REC* a = gel();
  IMAGE_REC* b = gel();
  std::strcpy(b->image_name, "gelB");
  MatchFixture f(a, b);
  configure(REP_BAND_MATCH, {0, 17}, {0, 5, 3});
  RepRun run;
  run.type = REP_BAND_MATCH;
  run.match = &f.m;
  RepBuffer out;
  EXPECT_EQ(report_bands(run, out), 5);
  EXPECT_EQ(out.text,
            "Kestrin Band Match Report\n\n\n"
            "Image               :gelA\n"
            "Reference Lane #    :1\n"
            "\n"
            "        Image Band # Lane Vol. \n"
            "============= ====== ========= \n"
            "         gelA      1  1000.000 \n"
            "         gelB      1  1000.000 \n"
            "\n"
            "         gelA      2  1000.000 \n"
            "         gelB      1  1000.000 \n"
            "         gelB      2  1000.000 \n"
            "\n");
  run.format = FMT_HORZ_TABLE;
  report_bands(run, out);
  const auto rows = joined_rows(out);
  // The grid ends with the last written row; the blank row after each group is kept.
  ASSERT_EQ(rows.size(), 14u);
  EXPECT_EQ(rows[8], "         gelA |     1 | 1000.000 ");
  EXPECT_EQ(rows[10], "");
  EXPECT_EQ(rows[13], "         gelB |     2 | 1000.000 ");
}

TEST_F(ReportTest, LaneMatchPrintsItsOwnHeadingsAndWholePatterns) {
  IMAGE_REC* a = gel();
  IMAGE_REC* b = gel();
  std::strcpy(b->image_name, "gelB");
  MatchFixture f(a, b);
  // Twenty reference bands: the Pattern column is 40 wide and keeps every band.
  for (int k = 2; k < 20; ++k) f.m.ref_bands.push_back(f.m.ref_bands[0]);
  configure(REP_LANE_MATCH, {}, {7, 0, 4, 5});
  rep_family_cfg(REP_LANE_MATCH)->titles = 0;
  RepRun run;
  run.type = REP_LANE_MATCH;
  run.format = FMT_HORZ_TABLE;
  run.match = &f.m;
  RepBuffer out;
  report_bands(run, out);
  const auto rows = joined_rows(out);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "        Image |Lane # |Match % |" + std::string(33, ' ') + "Pattern ");
  std::string pattern = " A B";
  for (int k = 2; k < 20; ++k) pattern += " _";
  EXPECT_EQ(rows[3], "         gelB |     2 |     80 |" + pattern + " ");

  // The text layout: the same headings, an underline as wide as each column, a blank line at
  // the end; a value is never cut.
  run.format = FMT_TEXT;
  report_bands(run, out);
  std::string lane1 = " _ B";
  for (int k = 2; k < 20; ++k) lane1 += " _";
  EXPECT_EQ(out.text,
            "        Image Lane # Match % " + std::string(33, ' ') + "Pattern \n" +
            std::string(13, '=') + " ====== ======= " + std::string(40, '=') + " \n" +
            "         gelB      1      40 " + lane1 + " \n" +
            "         gelB      2      80 " + pattern + " \n\n");
}

}  // namespace

namespace {

using vxtest::ReportTest;

TEST_F(ReportTest, AllLanesGivesTheSameRowsForAnOpenImageAndItsFiles) {
  vxtest::TempDir dir;
  IMAGE_REC* im = gel();
  const std::string path = dir.file("gelA.kes");
  std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
  std::strcpy(im->image_name, "gelA.kes");
  add_char(im->lanes->next, "Host", "cow");
  set_names({"Host"});
  ASSERT_TRUE(gt_prepare_and_write(path.c_str(), im->img_ptr, im));

  REPORT_CFG* cfg = rep_family_cfg(REP_ALL_LANES);
  const int32_t codes[] = {0, 1, 5, 8, 6, 13, 100};
  for (int i = 0; i < 7; ++i) cfg->fld_ids[i] = codes[i];
  cfg->num_fld_ids = 7;
  cfg->datetime = 0;
  rep_state().empty_lanes = 1;
  RepRun run;
  run.type = REP_ALL_LANES;
  run.format = FMT_HORZ_TABLE;
  run.paths = {path, dir.file("missing.kes")};
  RepBuffer from_files, open;
  EXPECT_EQ(report_bands(run, from_files), 2);
  ASSERT_EQ(s_alerts.size(), 1u);
  EXPECT_NE(s_alerts[0].find("missing.kes"), std::string::npos) << s_alerts[0];
  run.windows = {im};
  EXPECT_EQ(report_bands(run, open), 2);
  EXPECT_EQ(from_files.grid, open.grid);
  ASSERT_GE(open.grid.size(), 3u);
  EXPECT_EQ(open.grid.back()[1], "              2 ");
  EXPECT_EQ(open.grid[open.grid.size() - 3][6], "                 cow ");
}

TEST_F(ReportTest, AnUnreadableLaneSelectionAsksWhetherToGoOn) {
  vxtest::TempDir dir;
  IMAGE_REC* im = gel();
  std::strcpy(im->image_name, "gelA.kes");
  std::snprintf(im->file_path, sizeof im->file_path, "%s", dir.file("gelA.kes").c_str());
  std::snprintf(gt_get_control()->lane_sel_file, CTL_PATH, "%s", dir.file("none.sel").c_str());
  RepRun run;
  run.type = REP_ALL_LANES;
  run.paths = {dir.file("gelA.kes")};
  run.windows = {im};
  RepBuffer out;
  s_answer = 1;  // No
  EXPECT_EQ(report_bands(run, out), -1);
  EXPECT_EQ(out.text, "");
  s_answer = 2;  // Yes: every lane
  EXPECT_EQ(report_bands(run, out), 2);

  // A selection that lanes with unlabelled characteristics cannot meet: said once.
  vxtest::write_bytes(dir.file("host.sel"), {'H', 'o', 's', 't', ',', 'c', 'o', 'w', '\n'});
  std::snprintf(gt_get_control()->lane_sel_file, CTL_PATH, "%s", dir.file("host.sel").c_str());
  LANE* l1 = im->lanes->next;
  add_char(l1, "Host", "cow");
  add_char(l1->next, "Host", "pig");
  add_char(l1->next, "Year", "");
  l1->next->num_labeled_chars = 1;
  s_alerts.clear();
  EXPECT_EQ(report_bands(run, out), 2);
  ASSERT_EQ(s_alerts.size(), 1u);
  EXPECT_EQ(s_alerts[0].substr(0, 2), "1:");
}

}  // namespace
