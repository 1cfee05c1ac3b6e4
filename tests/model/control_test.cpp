// Control record: defaults, bit fields, and the copies to and from the saved snapshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "model/control.h"
#include "model/img_info.h"

namespace {

struct ControlFixture : ::testing::Test {
  CONTROL ctl{};
  void TearDown() override { ks_free(ctl.lane_chars); }
};

void drop_names(CONTROL& c) {
  ks_free(c.lane_chars);
  c.lane_chars = nullptr;
}

void set_names(CONTROL& c, const std::vector<std::string>& names) {
  ks_free(c.lane_chars);
  c.max_lane_chars = static_cast<int>(std::max<std::size_t>(names.size(), 100));
  c.lane_chars = static_cast<char(*)[CTL_LC_NAME]>(ks_alloc_msg(c.max_lane_chars * CTL_LC_NAME));
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::strncpy(c.lane_chars[i], names[i].c_str(), CTL_LC_NAME - 1);
  }
  c.num_lane_chars = static_cast<int>(names.size());
}

}  // namespace

TEST(ControlBits, GetAndSetFields) {
  struct Case { int first, nbits; int32_t value, expect_field; uint32_t expect_word; };
  const Case cases[] = {
      {0, 1, 1, 1, 0x1u},
      {5, 12, 4095, 4095, 0x1FFE0u},
      {5, 12, 4096, 0, 0x0u},           // masked to the field's width
      {5, 12, -1, 4095, 0x1FFE0u},
      {25, 6, 63, 63, 0x7E000000u},
      {28, 4, 15, 15, 0xF0000000u},     // the sign bit reads back as a field bit
      {0, 32, -2, -2, 0xFFFFFFFEu},
  };
  for (const Case& c : cases) {
    int32_t w = 0;
    EXPECT_EQ(static_cast<uint32_t>(ih_set_bits(&w, c.first, c.nbits, c.value)), c.expect_word)
        << c.first << "," << c.nbits;
    EXPECT_EQ(ih_get_bits(w, c.first, c.nbits), c.expect_field);
  }
  int32_t w = -1;
  ih_set_bits(&w, 4, 4, 0);
  EXPECT_EQ(static_cast<uint32_t>(w), 0xFFFFFF0Fu);  // only the field is cleared
  EXPECT_EQ(ih_get_bits(w, 3, 0), 0);                // a field of 0 bits reads 0
}

TEST_F(ControlFixture, DefaultsTable) {
  ctl.scan.Color = 3;
  ctl.scan.Bright = 77;
  gt_control_init(&ctl);
  EXPECT_EQ(ctl.bnd_detect[0], 7);
  EXPECT_EQ(ctl.im_calib_interp, 1);
  EXPECT_EQ(ctl.size_interp, 1);
  EXPECT_EQ(ctl.conc_interp, 3);
  EXPECT_EQ(ctl.conc_extrap, 2);
  EXPECT_EQ(ctl.cmap_level, 50);
  EXPECT_EQ(ctl.cmap_width, 100);
  const int disp[CTL_NUM_DISP] = {5, 6, 5, 0, 1, 1, 0, 0, 0, 1, 1, 0, 4, 1, 2, 1, 5, 5, 3};
  for (int i = 0; i < CTL_NUM_DISP; ++i) EXPECT_EQ(ctl.disp_codes[i], disp[i]) << i;
  EXPECT_STREQ(ctl.size_unit, "bp");
  EXPECT_STREQ(ctl.conc_unit, "ppm");
  EXPECT_STREQ(ctl.dist_unit, "mm/pixel");
  EXPECT_EQ(ctl.size_digits, 1);
  EXPECT_EQ(ctl.conc_digits, 3);
  const int sw[8] = {0, 0, 0, 1, 1, 1, 1, 1};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ctl.match_sw[i], sw[i]);
  EXPECT_DOUBLE_EQ(ctl.match_tol[0], 2.5);
  EXPECT_EQ(ctl.size_nstd, 2);
  EXPECT_EQ(ctl.size_nstd_a, 200);
  EXPECT_EQ(ctl.band_count_limit, 100);
  EXPECT_EQ(ctl.iBackAngle, 30);
  EXPECT_EQ(ctl.iLaneWidth, 100);
  EXPECT_EQ(ctl.scan.Color, 3);  // the scanner settings are not defaults
  EXPECT_EQ(ctl.scan.Bright, 77);

  // Report blocks.
  EXPECT_EQ(ctl.band_cfg.num_hdr_ids, 2);
  EXPECT_EQ(ctl.band_cfg.hdr_ids[1], 8);
  EXPECT_EQ(ctl.band_cfg.hdr_ids[2], -1);
  EXPECT_EQ(ctl.band_cfg.titles + ctl.band_cfg.datetime + ctl.band_cfg.colheads +
                ctl.band_cfg.dashes, 4);
  const int32_t band_fld[] = {5, 1, 7, 8, 6, 19, -1};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ctl.band_cfg.fld_ids[i], band_fld[i]);
  EXPECT_EQ(ctl.band_cfg.max_fixed, 24);
  const int32_t bm_fld[] = {0, 5, 1, 7, 8, 6, 13, 19, -1};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ctl.bmatch_cfg.fld_ids[i], bm_fld[i]);
  const int32_t lm_fld[] = {7, 0, 1, 2, 3, 4, 6, 5, -1};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ctl.lmatch_cfg.fld_ids[i], lm_fld[i]);
  EXPECT_EQ(ctl.lmatch_cfg.max_fixed, 8);
  const int32_t m_hdr[] = {0, 17, 8, 11, 12, 18, -1};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ctl.lmatch_cfg.hdr_ids[i], m_hdr[i]);
  EXPECT_EQ(ctl.lmatch_cfg.titles, 0);  // the match families keep their switches
  EXPECT_EQ(ctl.compare_cfg.num_hdr_ids, 0);
  EXPECT_EQ(ctl.compare_cfg.num_fld_ids, 5);
  const int32_t c_fld[] = {2, 5, 7, 8, 6, -1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ctl.compare_cfg.fld_ids[i], c_fld[i]);
  EXPECT_EQ(ctl.compare_cfg.fld_ids[23], -1);
  EXPECT_EQ(ctl.compare_cfg.hdr_ids[8], -1);
}

TEST_F(ControlFixture, ColourMapAndOdCompatibilityFollowTheSnapshot) {
  static std::vector<int> cmaps;
  cmaps.clear();
  auto old_c = gt_control_set_cmap_proc([](int c, int l, int w) { cmaps = {c, l, w}; });
  gt_control_init(&ctl);
  EXPECT_EQ(cmaps, (std::vector<int>{0, 50, 100}));

  GT_IMG_STATE* s = gt_state_alloc();
  ctl.cmap_code = 4;
  ctl.cmap_level = 30;
  ctl.cmap_width = 60;
  ctl.requant_existing = 1;
  ctl.im_calib_interp = 0;
  gt_state_retrieve(&ctl, s);
  ih_set_ODcompatabilty("");
  drop_names(ctl);
  gt_state_init(&ctl, s);
  EXPECT_EQ(cmaps, (std::vector<int>{4, 30, 60}));
  EXPECT_EQ(ih_get_ODcompatability(), 1);  // "AlwaysLog"
  s->calib_word = 0x9;                     // linear, requantify
  drop_names(ctl);
  gt_state_init(&ctl, s);
  EXPECT_EQ(ih_get_ODcompatability(), 2);  // "AlwaysLinear"
  s->calib_word = 0x2;                     // interpolation 2 without requantify: mode kept
  drop_names(ctl);
  gt_state_init(&ctl, s);
  EXPECT_EQ(ih_get_ODcompatability(), 2);
  ih_set_ODcompatabilty("");
  gt_state_free(s);
  gt_control_set_cmap_proc(old_c);
}

TEST_F(ControlFixture, SnapshotRoundTripKeepsEveryLastingSetting) {
  gt_control_init(&ctl);
  ctl.sel_mode = 2;
  ctl.add_band_quant = 1;
  ctl.scan = {3095, 5, 1, 1, 3, 31, 63, 2};
  ctl.fnd_bnd_quant = 1;
  ctl.ln_cpy_bnd_quant = 1;
  ctl.ln_cpy_bnd_active_only = 1;
  ctl.fnd_auto = 9;
  ctl.bnd_detect[3] = 44;
  ctl.ln_prf_smooth = 1;
  ctl.bg_all_lanes = -2;
  ctl.bg_requant = 300;
  ctl.im_calib_interp = 5;
  ctl.calib_requant = 1;
  ctl.size_extrap = 2;
  std::strcpy(ctl.size_stdset_path, "/s/size.std");
  ctl.disp_codes[18] = 11;
  std::strcpy(ctl.other_unit, "u");
  ctl.rep_list_pos = 1;
  ctl.rep_empty_lanes = 1;
  ctl.compare_cfg.fld_ids[60] = 13;
  std::strcpy(ctl.lmatch_cfg.lc_names[2], "cat");
  std::strcpy(ctl.short_texts[7], "short");
  set_names(ctl, {"a", "12345678901234567890", "c"});
  ctl.match_method = 2;
  ctl.match_sw[0] = 1;
  ctl.match_sw[7] = 0;
  ctl.match_tol[3] = 7.25;
  std::strcpy(ctl.match_dev_file, "dev.txt");
  ctl.size_nstd_b = 8;
  ctl.flags = CTL_F_OLD_CHARS | CTL_F_SIZE_STDS;
  std::strcpy(ctl.folders[5], "/reports");
  std::strcpy(ctl.import_path, "/tmp/imp");
  ctl.ignore_stds = 1;
  ctl.band_count_limit = 12;
  std::strcpy(ctl.image_list_file, "list.csv");
  ctl.lane_label_idx = 3;
  std::strcpy(ctl.recent[3], "/g/gel.kes");
  ctl.misc_word = -5;
  ctl.misc_block[255] = 0xAB;
  ctl.DTOOL_bLowestPts = 1;
  ctl.iBackAngle = 127;
  ctl.iLaneWidth = 0;

  GT_IMG_STATE* s = gt_state_alloc();
  gt_state_retrieve(&ctl, s);
  ASSERT_EQ(s->num_lane_chars, 3);
  EXPECT_STREQ(s->lane_chars[1], "12345678901234567890");

  CONTROL back{};
  back.scan.Color = 9;  // colour is never saved
  gt_state_init(&back, s);
  CONTROL expect = ctl;
  expect.scan.Color = 9;
  expect.busy = back.busy;
  // The names live in their own arrays; compare them apart.
  ASSERT_EQ(back.num_lane_chars, 3);
  EXPECT_EQ(back.max_lane_chars, 100);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(back.lane_chars[i], ctl.lane_chars[i]);
  expect.lane_chars = back.lane_chars;
  expect.max_lane_chars = back.max_lane_chars;
  EXPECT_EQ(std::memcmp(&expect, &back, sizeof back), 0);
  ks_free(back.lane_chars);
  gt_state_free(s);
}

TEST_F(ControlFixture, PackedFieldsKeepOnlyTheirWidths) {
  GT_IMG_STATE* s = gt_state_alloc();
  // A Bright field of 0 reads as -1000.
  gt_state_init(&ctl, s);
  EXPECT_EQ(ctl.scan.Bright, -1000);
  drop_names(ctl);

  struct Case { int bright, back_angle, lane_width; int e_bright, e_angle, e_width; };
  const Case cases[] = {
      {-1000, 0, 127, -1000, 0, 127},
      {3095, 127, 0, 3095, 127, 0},
      {3096, 128, 200, -1000, 0, 200 - 128},  // cut to 12 and 7 bits
      {-1001, 255, 129, 3095, 127, 1},
  };
  for (const Case& c : cases) {
    ctl.scan.Bright = c.bright;
    ctl.iBackAngle = c.back_angle;
    ctl.iLaneWidth = c.lane_width;
    gt_state_retrieve(&ctl, s);
    CONTROL back{};
    gt_state_init(&back, s);
    EXPECT_EQ(back.scan.Bright, c.e_bright) << c.bright;
    EXPECT_EQ(back.iBackAngle, c.e_angle) << c.back_angle;
    EXPECT_EQ(back.iLaneWidth, c.e_width) << c.lane_width;
    ks_free(back.lane_chars);
  }
  gt_state_free(s);
}

TEST_F(ControlFixture, LaneCharacteristicCapacity) {
  for (int n : {0, 3, 100, 150}) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back("c" + std::to_string(i));
    set_names(ctl, names);
    GT_IMG_STATE* s = gt_state_alloc();
    gt_state_retrieve(&ctl, s);
    CONTROL back{};
    gt_state_init(&back, s);
    EXPECT_EQ(back.num_lane_chars, n);
    EXPECT_EQ(back.max_lane_chars, n < 100 ? 100 : n);
    if (n > 0) {
      EXPECT_STREQ(back.lane_chars[n - 1], names.back().c_str());
    }
    ks_free(back.lane_chars);
    gt_state_free(s);
  }
}

TEST_F(ControlFixture, ReportBlockCountsFromASnapshotStayWithinTheirSlots) {
  // Counts as a damaged preferences file may hold them: the report code walks the code
  // lists and names by these counts, so each is held to the slots the block has.
  struct Case { int32_t hdr, fld, lc; int32_t e_hdr, e_fld, e_lc; };
  const Case cases[] = {
      {2, 6, 0, 2, 6, 0},
      {REP_MAX_HDR, REP_MAX_FLD, REP_MAX_LC, REP_MAX_HDR, REP_MAX_FLD, REP_MAX_LC},
      {REP_MAX_HDR + 1, 1000000, REP_MAX_LC + 1, REP_MAX_HDR, REP_MAX_FLD, REP_MAX_LC},
      {-1, INT32_MIN, -7, 0, 0, 0},
  };
  GT_IMG_STATE* s = gt_state_alloc();
  for (const Case& c : cases) {
    for (REPORT_CFG& cfg : s->rep_cfg) {
      cfg.num_hdr_ids = c.hdr;
      cfg.num_fld_ids = c.fld;
      cfg.num_lane_chars = c.lc;
      std::memset(cfg.lc_names[REP_MAX_LC - 1], 'x', REP_LC_NAME);  // no terminator
    }
    drop_names(ctl);
    gt_state_init(&ctl, s);
    for (const REPORT_CFG* cfg : {&ctl.band_cfg, &ctl.compare_cfg, &ctl.bmatch_cfg,
                                  &ctl.lmatch_cfg}) {
      EXPECT_EQ(cfg->num_hdr_ids, c.e_hdr) << c.hdr;
      EXPECT_EQ(cfg->num_fld_ids, c.e_fld) << c.fld;
      EXPECT_EQ(cfg->num_lane_chars, c.e_lc) << c.lc;
      EXPECT_EQ(std::strlen(cfg->lc_names[REP_MAX_LC - 1]), std::size_t{REP_LC_NAME - 1});
    }
  }
  gt_state_free(s);
}

// A preferences file may hold any number in any word: each setting a dialog edits comes back
// held to the range that dialog offers (a size digits of 100000000 once made every painting of
// the sizes take minutes), while values inside the range stay as they are.
TEST_F(ControlFixture, SnapshotSettingsAreHeldToTheirDialogsRanges) {
  struct Field {
    const char* name;
    int32_t* (*word)(GT_IMG_STATE&);
    int (*got)(const CONTROL&);
    int lo, hi;
  };
  // The snapshot word and the control member of a setting have the same name.
#define FIELD(name, member, lo, hi)                                                        \
  Field{name, [](GT_IMG_STATE& s) { return &s.member; },                                   \
        [](const CONTROL& c) { return int(c.member); }, lo, hi}
  const Field fields[] = {
      FIELD("display number 1", disp_codes[0], 0, 100),
      FIELD("display number 4", disp_codes[3], 0, 100),
      FIELD("band crosses switch", disp_codes[4], 0, 1),
      FIELD("display code 11 switch", disp_codes[10], 0, 1),
      FIELD("selection colour", disp_codes[11], 0, 11),
      FIELD("bands colour", disp_codes[18], 0, 11),
      FIELD("size digits", size_digits, 0, 10),
      FIELD("concentration digits", conc_digits, 0, 10),
      FIELD("size interpolation", size_interp, 0, 4),
      FIELD("concentration interpolation", conc_interp, 0, 4),
      FIELD("size extrapolation", size_extrap, 0, 2),
      FIELD("concentration extrapolation", conc_extrap, 0, 2),
      FIELD("size standard set", size_stdset, 0, 1),
      FIELD("concentration standard set", conc_stdset, 0, 1),
      FIELD("calibration standard set", calib_stdset, 0, 1),
      FIELD("size requantify", size_requant, 0, 1),
      FIELD("calibration requantify", calib_requant, 0, 1),
      FIELD("size standards number", size_nstd, 0, 100),
      FIELD("colour map", cmap_code, 0, 14),
      FIELD("colour map level", cmap_level, 0, 100),
      FIELD("colour map width", cmap_width, 0, 100),
      FIELD("band count limit", band_count_limit, 1, 100),
      FIELD("lane label (two names)", lane_label_idx, 0, 2),
  };
#undef FIELD
  GT_IMG_STATE* s = gt_state_alloc();
  gt_control_init(&ctl);
  set_names(ctl, {"a", "b"});
  gt_state_retrieve(&ctl, s);
  for (const Field& f : fields) {
    SCOPED_TRACE(f.name);
    const int64_t probes[] = {INT32_MIN, f.lo - 1LL, f.lo, f.hi, f.hi + 1LL, INT32_MAX};
    for (int64_t v : probes) {
      int32_t* word = f.word(*s);
      const int32_t kept = *word;
      *word = static_cast<int32_t>(v);
      CONTROL back{};
      gt_state_init(&back, s);
      EXPECT_EQ(f.got(back), std::clamp<int64_t>(v, f.lo, f.hi)) << v;
      ks_free(back.lane_chars);
      *word = kept;
    }
  }
  // The two report settings share one word, a 16-bit half each.
  for (int32_t half : {-32768, -1, 0, 1, 2, 32767}) {
    s->rep_word = static_cast<int32_t>((static_cast<uint32_t>(half) << 16) | (half & 0xffff));
    CONTROL back{};
    gt_state_init(&back, s);
    EXPECT_EQ(back.rep_list_pos, std::clamp(half, 0, 1)) << half;
    EXPECT_EQ(back.rep_empty_lanes, std::clamp(half, 0, 1)) << half;
    ks_free(back.lane_chars);
  }
  gt_state_free(s);
}

TEST(ControlState, NullArgumentsChangeNothing) {
  CONTROL c{};
  c.sel_mode = 3;
  gt_state_init(&c, nullptr);
  gt_state_retrieve(nullptr, nullptr);
  EXPECT_EQ(c.sel_mode, 3);
  EXPECT_EQ(gt_get_control(), gt_get_control());
}
