// The image state record and the preferences file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/img_state.h"
#include "io/legacy_state.h"
#include "fixture.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Records and files with values placed at offsets, independent of the record writer.
using Raw = iofix::Bytes;
using iofix::at32;

// A preferences file around a record: header, one token, the record at 48.
Bytes prefs_file(int type, int version, const Bytes& rec, bool big = false) {
  Raw f(48, big);
  f.b[0] = f.b[1] = big ? 'M' : 'I';
  f.i32(8, 1);
  f.i32(28, type);
  f.i32(32, 48);
  f.i32(36, int64_t(rec.size()));
  f.i32(40, version);
  f.b.insert(f.b.end(), rec.begin(), rec.end());
  return f.b;
}

void drop_names(CONTROL& c) {
  ks_free(c.lane_chars);
  c.lane_chars = nullptr;
}

// Reads a preferences file into a control record (as the start-up does).
int read_into(const std::string& path, CONTROL* ctl, int* type = nullptr) {
  ANALYSIS_ENTRY** list = nullptr;
  const int r = io_read_misc(path.c_str(), &list);
  if (r != 1) return r;
  if (type) *type = list[0]->type;
  if (list[0]->type == GT_IMG_STATE_TYPE) {
    gt_state_init(ctl, static_cast<GT_IMG_STATE*>(list[0]->record));
  }
  io_free_analysis_list(list, 1);
  return r;
}

}  // namespace

TEST(ImgState, DefaultsWrittenAndReadBackGiveAnEqualControlRecord) {
  vxtest::TempDir dir;
  for (int n : {0, 3}) {
    CONTROL ctl{};
    gt_control_init(&ctl);
    if (n > 0) {
      ctl.max_lane_chars = 100;
      ctl.lane_chars = static_cast<char(*)[CTL_LC_NAME]>(ks_alloc_msg(100 * CTL_LC_NAME));
      std::strcpy(ctl.lane_chars[0], "Donor");
      std::strcpy(ctl.lane_chars[1], "12345678901234567890");  // 20 characters: no NUL stored
      std::strcpy(ctl.lane_chars[2], "x");
      ctl.num_lane_chars = 3;
    }
    ANALYSIS_ENTRY** list = io_alloc_analysis_list(1);
    list[0] = io_alloc_analysis_entry();
    list[0]->type = GT_IMG_STATE_TYPE;
    GT_IMG_STATE* s = gt_state_alloc();
    gt_state_retrieve(&ctl, s);
    list[0]->record = s;
    const std::string path = dir.file("gt_init.prf");
    ASSERT_EQ(io_write_misc(path.c_str(), list), 0);
    io_free_analysis_list(list, 1);

    const Bytes f = vxtest::read_bytes(path);
    ASSERT_EQ(f.size(), 48u + 11328u + 20u * n);
    EXPECT_EQ(f[0], 'I');
    EXPECT_EQ(f[1], 'I');
    EXPECT_EQ(at32(f, 8), 1);
    EXPECT_EQ(at32(f, 28), 49);
    EXPECT_EQ(at32(f, 32), 48);
    EXPECT_EQ(at32(f, 36), 11328 + 20 * n);
    EXPECT_EQ(at32(f, 40), 3);  // version
    EXPECT_EQ(at32(f, 44), 0);  // count
    // A few fields at their offsets.
    EXPECT_EQ(at32(f, 48 + 16), 7);  // first band-detection word
    EXPECT_EQ(at32(f, 48 + 40), 1);  // im_calib_interp 1, requant_existing 0
    EXPECT_EQ(at32(f, 48 + 52), 1);  // size_interp
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[48 + 936])), "bp");
    EXPECT_EQ(at32(f, 48 + 7152), n);
    const std::size_t t = 48 + 7156 + 20 * n;
    EXPECT_EQ(at32(f, t), 0x7C0);  // method 0, switches 0 0 0 1 1 1 1 1 at bits 3..10
    EXPECT_EQ(at32(f, t + 2100), 100);  // band count limit
    EXPECT_EQ(at32(f, t + 2096), (30 << 3) | (100 << 10));
    if (n > 0) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[48 + 7156 + 20]), 20),
                "12345678901234567890");
      EXPECT_EQ(f[48 + 7156 + 40], 'x');
    }

    CONTROL back{};
    ASSERT_EQ(read_into(path, &back), 1);
    CONTROL expect = ctl;
    expect.lane_chars = back.lane_chars;
    expect.max_lane_chars = back.max_lane_chars;
    EXPECT_EQ(std::memcmp(&expect, &back, sizeof back), 0);
    for (int i = 0; i < n; ++i) EXPECT_STREQ(back.lane_chars[i], ctl.lane_chars[i]);
    drop_names(back);
    drop_names(ctl);
  }
}

TEST(ImgState, RecordBuiltByHandInBothByteOrders) {
  vxtest::TempDir dir;
  for (bool big : {false, true}) {
    const int n = 2;
    const std::size_t t = 7156 + 20 * n;
    Raw r(11328 + 20 * n, big);
    r.i32(0, 3);                                 // selection mode
    r.i32(4, 1u | (1u << 1) | ((2000u) << 5));   // add band, Trans, Bright 1000
    r.b[36 + (big ? 1 : 0)] = 5;                 // first 16-bit profile value 5
    r.i32(1260, 0x00010000);                     // 16-bit report settings 0 and 1
    r.i32(1264, 1);                              // band report: one header field,
    r.i32(1264 + 4, 17);                         // code 17
    const std::size_t cmp = 1264 + 1432;         // compare report: counts beyond their slots
    r.i32(cmp, 1000);                            // header fields (40 slots)
    r.i32(cmp + 180, 0xFFFFFFFDu);               // table fields (-3)
    r.i32(cmp + 588, 99);                        // characteristic names (40 slots)
    r.i32(7152, n);
    r.str(7156, "Lane");
    r.str(7176, "abcdefghijklmnopqrst");
    r.i32(t, 2u | (1u << 3));                    // method 2, first switch
    r.str(t + 304 + 5 * 256, "/reports");
    r.i32(t + 3648, 2);                          // flags: old_chars
    const std::string path = dir.file("hand.prf");
    vxtest::write_bytes(path, prefs_file(49, 3, r.b, big));

    CONTROL c{};
    c.scan.Color = 4;
    ASSERT_EQ(read_into(path, &c), 1) << big;
    EXPECT_EQ(c.sel_mode, 3);
    EXPECT_EQ(c.add_band_quant, 1);
    EXPECT_EQ(c.scan.Trans, 1);
    EXPECT_EQ(c.scan.Bright, 1000);
    EXPECT_EQ(c.scan.Color, 4);  // never saved
    EXPECT_EQ(c.bg_all_lanes, 5);
    EXPECT_EQ(c.rep_list_pos, 0);
    EXPECT_EQ(c.rep_empty_lanes, 1);
    EXPECT_EQ(c.band_cfg.num_hdr_ids, 1);
    EXPECT_EQ(c.band_cfg.hdr_ids[0], 17);
    EXPECT_EQ(c.compare_cfg.num_hdr_ids, REP_MAX_HDR);
    EXPECT_EQ(c.compare_cfg.num_fld_ids, 0);
    EXPECT_EQ(c.compare_cfg.num_lane_chars, REP_MAX_LC);
    ASSERT_EQ(c.num_lane_chars, 2);
    EXPECT_EQ(c.max_lane_chars, 100);
    EXPECT_STREQ(c.lane_chars[0], "Lane");
    EXPECT_STREQ(c.lane_chars[1], "abcdefghijklmnopqrst");
    EXPECT_EQ(c.match_method, 2);
    EXPECT_EQ(c.match_sw[0], 1);
    EXPECT_STREQ(c.folders[CTL_DIR_REPORTS], "/reports");
    EXPECT_EQ(c.flags, CTL_F_OLD_CHARS);
    drop_names(c);
  }
}

TEST(ImgState, OlderShorterRecordsKeepFreshValuesForMissingGroups) {
  vxtest::TempDir dir;
  const std::size_t t = 7156;
  struct Case { std::size_t end; bool folders, limit, list_file, recent, misc, flags; };
  const Case cases[] = {
      {t + 304, false, false, false, false, false, false},
      {t + 2100, true, false, false, false, false, false},
      {t + 2364, true, true, true, false, false, false},
      {t + 3648, true, true, true, true, true, false},
      {t + 3660, true, true, true, true, true, true},
  };
  for (const Case& c : cases) {
    Raw r(c.end);
    r.i32(0, 1);
    if (c.folders) r.str(t + 304, "/img");
    if (c.limit) r.i32(t + 2100, 55);
    if (c.list_file) r.str(t + 2104, "list.csv");
    if (c.recent) r.str(t + 2364, "/g.kes");
    if (c.misc) r.i32(t + 3388, 9);
    if (c.flags) r.i32(t + 3648, 3);
    const std::string path = dir.file("old.prf");
    vxtest::write_bytes(path, prefs_file(49, 2, r.b));
    ANALYSIS_ENTRY** list = nullptr;
    ASSERT_EQ(io_read_misc(path.c_str(), &list), 1) << c.end;
    auto* s = static_cast<GT_IMG_STATE*>(list[0]->record);
    EXPECT_EQ(s->sel_mode, 1);
    EXPECT_STREQ(s->folders[0], c.folders ? "/img" : "");
    EXPECT_EQ(s->band_count_limit, c.limit ? 55 : 0);
    EXPECT_STREQ(s->image_list_file, c.list_file ? "list.csv" : "");
    EXPECT_STREQ(s->recent[0], c.recent ? "/g.kes" : "");
    EXPECT_EQ(s->misc_word, c.misc ? 9 : 0);
    EXPECT_EQ(s->flags, c.flags ? 3 : 0);
    EXPECT_EQ(s->extra_words[0], 0);
    io_free_analysis_list(list, 1);
  }
}

TEST(ImgState, RecordsThatDoNotFitAreRefused) {
  vxtest::TempDir dir;
  const std::string path = dir.file("bad.prf");
  struct Case { const char* what; Bytes file; };
  Raw short_rec(7156 + 303);                 // ends before T+304
  Raw bad_count(7156 + 304);
  bad_count.i32(7152, 1);                    // one name does not fit
  Raw neg_count(7156 + 304);
  neg_count.i32(7152, 0xFFFFFFFFu);
  Raw huge_count(11328);
  huge_count.i32(7152, 0x7FFFFFFFu);
  Bytes cut = prefs_file(49, 3, Raw(11328).b);
  cut.resize(cut.size() - 1);                // token length beyond the file
  Bytes none = prefs_file(49, 3, {});
  none[8] = 0;                               // num_analysis 0
  const Case cases[] = {
      {"shorter than T+304", prefs_file(49, 3, short_rec.b)},
      {"name count beyond the record", prefs_file(49, 3, bad_count.b)},
      {"negative name count", prefs_file(49, 3, neg_count.b)},
      {"huge name count", prefs_file(49, 3, huge_count.b)},
      {"cut file", cut},
      {"no record", none},
      {"header only", Bytes(20, 'I')},
  };
  for (const Case& c : cases) {
    vxtest::write_bytes(path, c.file);
    ANALYSIS_ENTRY** list = nullptr;
    EXPECT_EQ(io_read_misc(path.c_str(), &list), -1) << c.what;
    EXPECT_EQ(list, nullptr) << c.what;
  }
  ANALYSIS_ENTRY** list = nullptr;
  EXPECT_EQ(io_read_misc(dir.file("missing.prf").c_str(), &list), -1);
}

TEST(ImgState, OlderPreferenceRecordOfTypeThirtyIsReadAsFiftyFive) {
  vxtest::TempDir dir;
  Raw r(KR_STATE_V1_BYTES);
  r.i32(8, 77);
  const std::string path = dir.file("kr.prf");
  vxtest::write_bytes(path, prefs_file(30, 1, r.b));
  ANALYSIS_ENTRY** list = nullptr;
  ASSERT_EQ(io_read_misc(path.c_str(), &list), 1);
  EXPECT_EQ(list[0]->type, 55);
  auto* p = static_cast<KR_PRF_STATE*>(list[0]->record);
  EXPECT_EQ(p->s.w8[0], 77);
  EXPECT_EQ(p->s.w184[1], 50);  // defaults of the missing version 2 part
  EXPECT_DOUBLE_EQ(p->d2508[0], -1.0);

  // Written back, it is the current version.
  const std::string out = dir.file("kr_out.prf");
  ASSERT_EQ(io_write_misc(out.c_str(), list), 0);
  const Bytes f = vxtest::read_bytes(out);
  EXPECT_EQ(f.size(), 48u + KR_PRF_STATE_BYTES);
  EXPECT_EQ(at32(f, 28), 55);
  EXPECT_EQ(at32(f, 40), 5);
  io_free_analysis_list(list, 1);
}

TEST(ImgState, WritingAnUnknownTypeFailsAndKeepsTheOldFile) {
  vxtest::TempDir dir;
  const std::string path = dir.file("keep.prf");
  vxtest::write_bytes(path, Bytes{1, 2, 3});
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(1);
  list[0] = io_alloc_analysis_entry();
  list[0]->type = 17;
  EXPECT_EQ(io_write_misc(path.c_str(), list), -6);
  EXPECT_EQ(vxtest::read_bytes(path), (Bytes{1, 2, 3}));
  io_free_analysis_list(list, 1);
}
