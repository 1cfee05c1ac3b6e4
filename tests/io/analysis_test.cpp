// The analysis container and this program's records (bands, lanes, standards, markers): byte
// layouts against hand-built fixtures, older record versions, round trips in both byte orders,
// truncated and corrupt files.
#include "io/analysis.h"

#include <gtest/gtest.h>

#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "fixture.h"
#include "io/gt_records.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "test_support.h"

namespace {

using iofix::Bytes;

// ---- Records in memory -----------------------------------------------------------------------

SPOT* sample_band(int k) {
  SPOT* s = sp_make_spot();
  s->number = k;
  s->amount = 1.5 * k;
  s->std_value = 100.25 * k;
  s->f1 = 0x80000003u + k;
  s->f2 = SP_F2_SIZE_STD | SP_F2_SELECTED;  // the selection is not stored
  s->area = 12.5 * k;
  s->x = 10 * k;
  s->y = 20 * k;
  s->thickness = 3 + k;
  s->lane_width = 30 + k;
  s->band_fw = 7;
  s->left_hw = '?';
  s->right_hw = 200;
  s->carried_int = -77;
  s->carried_dbl = 0.125;
  s->size = 2000.5 + k;
  s->od = 40000 + k;
  s->baseline = 900 + k;
  std::snprintf(s->label, sizeof s->label, "band label %d xyz", k);
  s->extra1 = 5;
  s->extra2 = 1;
  for (int i = 0; i < SP_BOUNDS; ++i) {
    s->bound_x[i] = i % 5 == 0 ? -1 : 100 + i;
    s->bound_y[i] = 300 + i * k;
  }
  return s;
}

// The 400-byte file form of sample_band(k), built by hand from the record's offsets.
std::vector<uint8_t> band_bytes(int k, bool big, bool with_number = true) {
  Bytes b(400, big);
  const std::size_t o = with_number ? 0 : 4;  // version 3 records lack the band number
  if (with_number) b.i32(0, k);
  b.f64(4 - o, 1.5 * k);
  b.f64(12 - o, 100.25 * k);
  b.i32(20 - o, 0x80000003u + k);
  b.i32(24 - o, SP_F2_SIZE_STD);
  b.f64(28 - o, 12.5 * k);
  b.i32(36 - o, 10 * k);
  b.i32(40 - o, 20 * k);
  b.i32(44 - o, 3 + k);
  b.i32(48 - o, 30 + k);
  b.u8(52 - o, 7);
  b.u8(53 - o, '?');
  b.u8(54 - o, 200);
  b.i32(55 - o, -77);
  b.f64(59 - o, 0.125);
  b.f64(67 - o, 2000.5 + k);
  b.i32(75 - o, 40000 + k);
  b.i32(79 - o, 900 + k);
  b.str(83 - o, "band label " + std::to_string(k) + " xyz");
  b.i32(104 - o, 5);
  b.i32(108 - o, 1);
  for (int i = 0; i < SP_BOUNDS; ++i) {
    b.i32(112 - o + 4 * i, i % 5 == 0 ? -1 : 100 + i);
    b.i32(112 - o + 144 + 4 * i, 300 + i * k);
  }
  b.b.resize(400 - o);
  return b.b;
}

SPOT_HDR* sample_spot_hdr() {
  SPOT_HDR* h = ks_new_rec<SPOT_HDR>();
  h->sens_level = 3;
  h->norm_band_ii = 1234.5;
  for (int i = 0; i < 12; ++i) h->hdr_d[i] = i + 0.5;
  h->hdr_w112 = 112;
  for (int i = 0; i < 11; ++i) h->hdr_w116[i] = 116 + 4 * i;
  h->hdr_w160 = 160;
  h->hdr_f164 = 1.75f;
  h->reclen = 488;
  h->nadds = 176;
  h->ndels = 180;
  h->hdr_w184 = 184;
  h->hdr_w188 = 188;
  return h;
}

std::vector<uint8_t> spot_hdr_bytes(int version, int nrec, bool big) {
  Bytes b(192, big);
  b.i32(0, version);
  b.i32(4, 3);
  b.f64(8, 1234.5);
  for (int i = 0; i < 12; ++i) b.f64(16 + 8 * i, i + 0.5);
  b.i32(112, 112);
  for (int i = 0; i < 11; ++i) b.i32(116 + 4 * i, 116 + 4 * i);
  b.i32(160, 160);
  b.f32(164, 1.75f);
  b.i32(168, 488);
  b.i32(172, nrec);
  b.i32(176, 176);
  b.i32(180, 180);
  b.i32(184, 184);
  b.i32(188, 188);
  return b.b;
}

LANE* sample_lane(int k) {
  LANE* ln = ln_make_lane();
  std::snprintf(ln->lane_name, sizeof ln->lane_name, "Lane %d with a long name", k);
  ln->lane_number = k;
  ln->left_width = 11;
  ln->right_width = 12;
  ln->max_angle = 13;
  ln->bckgrnd_type = 1;
  ln->min_top_band_thick = 14;
  ln->min_bot_band_thick = 15;
  ln->band_threshold = 16;
  ln->f = LN_F_SPLIT_BANDS | LN_F_SELECTED | LN_F_TOOL_MARK;
  ln->max_detect = 17;
  ln->pct_threshold = 18;
  ln->not_reported = 1;
  ln->num_alleles = 19;
  ln->tier_num = k - 1;
  ln->norm_ii = 0.75 * k;
  ln->int_method = 4;
  LN_FEAT* tail = ln->baseline;
  for (int i = 0; i < 2; ++i) {
    LN_FEAT* f = ln_make_feat_node();
    f->feat.x = 500 + i;
    f->feat.y = 3 * i;
    tail->next = f;
    tail = f;
  }
  ln->num_base_ptrs = 2;
  ln->num_center_points = 3;
  ln->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(3 * sizeof(LN_POINT)));
  for (int i = 0; i < 3; ++i) ln->center_coords[i] = {100 + k + i, 50 * i};
  ln->num_data_values = 4;
  ln->data_values = static_cast<int32_t*>(ks_alloc_msg(4 * sizeof(int32_t)));
  for (int i = 0; i < 4; ++i) ln->data_values[i] = 1000 * i - 7;
  ln->num_lane_chars = 2;
  ln->num_labeled_chars = 1;
  ln->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(2 * sizeof(LANECHAR*)));
  for (int i = 0; i < 2; ++i) {
    ln->lane_chars[i] = ks_new_rec<LANECHAR>();
    std::snprintf(ln->lane_chars[i]->name, 21, "category %d", i);
    std::snprintf(ln->lane_chars[i]->value, 21, "value %d of lane %d", i, k);
  }
  return ln;
}

// The file form of sample_lane(k): block, base points, centres, profile, characteristics.
std::vector<uint8_t> lane_bytes(int k, bool big) {
  Bytes b(98, big);
  char name[24];
  std::snprintf(name, sizeof name, "Lane %d with a long name", k);
  b.str(0, std::string(name).substr(0, 22));
  b.i32(22, k);
  b.i32(26, 2);
  b.i32(30, 11);
  b.i32(34, 12);
  b.i32(38, 13);
  b.i32(42, 1);
  b.i32(46, 14);
  b.i32(50, 15);
  b.i32(54, 16);
  b.i32(58, 3);
  b.i32(62, LN_F_SPLIT_BANDS | LN_F_TOOL_MARK);  // selection bit stored cleared
  b.i32(66, 17);
  b.i32(70, 18);
  b.i32(74, 1);
  b.i32(78, 19);
  b.i32(82, k - 1);
  b.f64(86, 0.75 * k);
  b.i32(94, 4);
  std::size_t o = 98;
  for (int i = 0; i < 2; ++i, o += 8) {
    b.i32(o, 500 + i);
    b.i32(o + 4, 3 * i);
  }
  for (int i = 0; i < 3; ++i, o += 8) {
    b.i32(o, 100 + k + i);
    b.i32(o + 4, 50 * i);
  }
  b.i32(o, 4);
  o += 4;
  for (int i = 0; i < 4; ++i, o += 4) b.i32(o, 1000 * i - 7);
  b.i32(o, 2);
  b.i32(o + 4, 1);
  o += 8;
  for (int i = 0; i < 2; ++i, o += 42) {
    b.str(o, "category " + std::to_string(i));
    b.str(o + 21, "value " + std::to_string(i) + " of lane " + std::to_string(k));
  }
  b.grow(o);
  return b.b;
}

STD_LIST* sample_std_list(int k) {
  STD_LIST* l = std_list_create();
  l->int_method = 3 + k;
  l->extrap_method = 2;
  l->precision = 4;
  for (int i = 0; i < 65; ++i) l->hdr_rest[i] = static_cast<uint8_t>(i + k);
  for (int i = 0; i < 10; ++i) l->hdr_rest2[i] = static_cast<uint8_t>(200 + i);
  for (int i = 0; i < 3; ++i) {
    STD_MARKER m{};
    m.x = 10.5 + i;
    m.y = 20.25 * i;
    m.value = 1000.0 / (i + 1);
    m.lane_num = i + 1;
    m.flags = STD_M_VALID | STD_M_DELETE | STD_M_KEPT;  // the deletion mark is not stored
    m.ix = 10 + i;
    m.iy = 20 * i;
    std_list_append(l, &m);
  }
  return l;
}

std::vector<uint8_t> std_list_bytes(int k, bool big) {
  Bytes b(91 + 3 * 40, big);
  b.i32(0, 3 + k);
  b.i32(4, 2);
  b.i32(8, 4);
  for (int i = 0; i < 65; ++i) b.u8(12 + i, static_cast<uint8_t>(i + k));
  for (int i = 0; i < 10; ++i) b.u8(77 + i, static_cast<uint8_t>(200 + i));
  b.i32(87, 3);
  for (int i = 0; i < 3; ++i) {
    const std::size_t o = 91 + 40 * i;
    b.f64(o, 10.5 + i);
    b.f64(o + 8, 20.25 * i);
    b.f64(o + 16, 1000.0 / (i + 1));
    b.i32(o + 24, i + 1);
    b.i32(o + 28, STD_M_VALID | STD_M_KEPT);
    b.i32(o + 32, 10 + i);
    b.i32(o + 36, 20 * i);
  }
  return b.b;
}

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A whole analysis as the program writes it: comment, bands, lanes, size standards of two
// tiers, concentration standards, markers.
struct Analysis {
  ANALYSIS_ENTRY** list = nullptr;
  int n = 0;
  Analysis() {
    n = 6;
    list = io_alloc_analysis_list(n);
    for (int i = 0; i < n; ++i) list[i] = io_alloc_analysis_entry();
    list[0]->type = 505;
    list[0]->record = ks_alloc_msg(32);
    std::strcpy(static_cast<char*>(list[0]->record), "a comment\nof two lines");
    list[1]->type = 16;
    SPOT* bands = sp_make_spot();
    bands->next = sample_band(1);
    bands->next->next = sample_band(2);
    list[1]->record = bands;
    list[1]->header = sample_spot_hdr();
    list[2]->type = 17;
    LANE* lanes = ln_make_lane();
    lanes->next = sample_lane(1);
    lanes->next->next = sample_lane(2);
    list[2]->record = lanes;
    LANE_HDR* lh = ks_new_rec<LANE_HDR>();
    *lh = LANE_HDR{5, 0, 0, 6, 2, 0, 7, 8};
    list[2]->header = lh;
    list[3]->type = 20;
    add_stds(list[3], 2);
    list[4]->type = 22;
    add_stds(list[4], 1);
    list[5]->type = 21;
    int32_t* pts = static_cast<int32_t*>(ks_alloc_msg(24));
    for (int i = 0; i < 6; ++i) pts[i] = i == 5 ? -1 : 10 * i + 1;
    list[5]->record = pts;
  }
  static void add_stds(ANALYSIS_ENTRY* e, int lists) {
    STD_REC_HDR* h = ks_new_rec<STD_REC_HDR>();
    h->num_lists = lists;
    h->words[0] = 41;
    h->words[3] = -43;
    STD_LIST** arr = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*) * lists));
    for (int i = 0; i < lists; ++i) arr[i] = sample_std_list(i);
    e->header = h;
    e->record = arr;
  }
  ~Analysis() { io_free_analysis_list(list, n); }
};

struct ReadBack {
  ANALYSIS_ENTRY** list = nullptr;
  int n = 0;
  ~ReadBack() {
    if (n > 0) io_free_analysis_list(list, n);
  }
  ANALYSIS_ENTRY* of(int type) const {
    for (int i = 0; i < n; ++i)
      if (list[i]->type == type) return list[i];
    return nullptr;
  }
};

// Reads one record from a buffer as the container would.
int read_one(int (*rd)(ByteReader&, ANALYSIS_ENTRY*, ANALYSIS_TOKEN*, int), int type,
             const std::vector<uint8_t>& bytes, bool big, ANALYSIS_ENTRY* e) {
  ByteReader r(bytes, big);
  ANALYSIS_TOKEN t{type, 0, static_cast<int32_t>(bytes.size()), 0, 0};
  e->type = type;
  return rd(r, e, &t, big);
}

}  // namespace

// ---- Byte layouts ----------------------------------------------------------------------------

TEST(AnalysisRecords, WritersProduceTheDocumentedBytes) {
  Analysis a;
  for (bool big : {false, true}) {
    struct Case {
      const char* what;
      ANALYSIS_ENTRY* e;
      std::vector<uint8_t> want;
      int version, count;
    };
    Bytes lane_hdr(32, big);
    for (int i = 0; i < 8; ++i) lane_hdr.i32(4 * i, std::vector<int>{5, 5, 2, 6, 2, 0, 7, 8}[i]);
    Bytes std2(24, big), std1(24, big), marker(24, big);
    std2.i32(0, 5);
    std2.i32(4, 2);
    std2.i32(8, 41);
    std2.i32(20, -43);
    std1.b = std2.b;
    std1.i32(4, 1);
    for (int i = 0; i < 6; ++i) marker.i32(4 * i, i == 5 ? -1 : 10 * i + 1);
    const Case cases[] = {
        {"bands", a.list[1],
         cat({spot_hdr_bytes(4, 2, big), band_bytes(1, big), band_bytes(2, big)}), 4, 2},
        {"lanes", a.list[2], cat({lane_hdr.b, lane_bytes(1, big), lane_bytes(2, big)}), 5, 2},
        {"size standards", a.list[3], cat({std2.b, std_list_bytes(0, big), std_list_bytes(1, big)}),
         5, 2},
        {"concentration standards", a.list[4], cat({std1.b, std_list_bytes(0, big)}), 5, 1},
        {"markers", a.list[5], marker.b, 0, 0},
    };
    for (const Case& c : cases) {
      ByteWriter w(big);
      ANALYSIS_TOKEN t{c.e->type, 0, 0, 0, 0};
      ASSERT_EQ(io_write_binary(&t, w, c.e), 0) << c.what;
      EXPECT_EQ(w.buffer(), c.want) << c.what << (big ? " MM" : " II");
      EXPECT_EQ(t.version, c.version) << c.what;
      EXPECT_EQ(t.count, c.count) << c.what;
    }
  }
  // The sizes the formats fix.
  EXPECT_EQ(band_bytes(1, false).size(), 400u);
  EXPECT_EQ(std_list_bytes(0, false).size() - 91, 3u * 40);
  // Writing cleared the stored bits in the file only: memory keeps them.
  SPOT* b1 = static_cast<SPOT*>(a.list[1]->record)->next;
  EXPECT_TRUE(b1->f2 & SP_F2_SELECTED);
  EXPECT_TRUE(static_cast<LANE*>(a.list[2]->record)->next->f & LN_F_SELECTED);
  EXPECT_TRUE(static_cast<STD_LIST**>(a.list[3]->record)[0]->records[0].flags & STD_M_DELETE);
}

TEST(AnalysisRecords, EmptyAndHeaderlessEntriesWriteWhatIsThere) {
  // No bands: a record of length 0, which reads back as an empty chain.
  SPOT* head = sp_make_spot();
  ANALYSIS_ENTRY e{16, head, nullptr, 0};
  ByteWriter w;
  ANALYSIS_TOKEN t{16, 0, 0, 0, 0};
  ASSERT_EQ(io_wr_gt_band(w, &e, &t), 0);
  EXPECT_EQ(w.size(), 0u);
  ANALYSIS_ENTRY back{};
  ASSERT_EQ(read_one(io_rd_gt_band, 16, {}, false, &back), 0);
  EXPECT_EQ(static_cast<SPOT*>(back.record)->next, nullptr);
  io_free_gt_band(&back);
  // Bands without a header get a temporary one: version 4, 488 at offset 168, the count.
  head->next = sample_band(1);
  ASSERT_EQ(io_wr_gt_band(w, &e, &t), 0);
  Bytes want(192);
  want.i32(0, 4);
  want.i32(168, 488);
  want.i32(172, 1);
  EXPECT_EQ(std::vector<uint8_t>(w.buffer().begin(), w.buffer().begin() + 192), want.b);
  ln_free_bands(head);
  // Lanes without a header or list: the header alone.
  ANALYSIS_ENTRY le{17, nullptr, nullptr, 0};
  ByteWriter lw;
  ASSERT_EQ(io_wr_gt_lane(lw, &le, &t), 0);
  Bytes lane_hdr(32);
  lane_hdr.i32(4, 5);
  EXPECT_EQ(lw.buffer(), lane_hdr.b);
  // A marker entry without points writes nothing.
  ANALYSIS_ENTRY me{21, nullptr, nullptr, 0};
  ByteWriter mw;
  EXPECT_EQ(io_wr_gt_marker(mw, &me, &t), 0);
  EXPECT_EQ(mw.size(), 0u);
}

// ---- Older versions and odd records -----------------------------------------------------------

TEST(AnalysisRecords, OlderBandAndLaneVersionsRead) {
  for (bool big : {false, true}) {
    // Version 3 bands: 396-byte records without the band number, which keeps its new value.
    ANALYSIS_ENTRY e{};
    std::vector<uint8_t> v3 = spot_hdr_bytes(3, 1, big);
    v3[188] = 0;  // a header word 0 at offset 188 reads as 2
    v3[189] = v3[190] = v3[191] = 0;
    v3 = cat({v3, band_bytes(9, big, false)});
    ASSERT_EQ(read_one(io_rd_gt_band, 31, v3, big, &e), 0);
    SPOT* b = static_cast<SPOT*>(e.record)->next;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->number, 0);
    EXPECT_EQ(b->size, 2009.5);
    EXPECT_EQ(b->bound_y[35], 300 + 35 * 9);
    EXPECT_EQ(static_cast<SPOT_HDR*>(e.header)->hdr_w188, 2);
    io_free_gt_band(&e);

    // Version 3 lanes: no lane_number, taken from the digits that start the name; version 4
    // lanes: a count and ten 20-byte characteristic texts in the older layout.
    auto old_lane = [big](int version, const std::string& name, int nchars) {
      Bytes b(32, big);
      b.i32(4, version);
      b.i32(8, 1);
      std::size_t o = 32;
      b.str(o, name);
      o += 22;
      if (version > 3) {
        b.i32(o, 77);
        o += 4;
      }
      b.i32(o + 32, 2);  // two centre points
      o += 72;
      b.i32(o, 5);
      b.i32(o + 4, 6);
      b.i32(o + 8, 7);
      b.i32(o + 12, 8);
      o += 16;
      b.i32(o, 0);  // no profile
      b.i32(o + 4, nchars);
      o += 8;
      if (nchars > 0)
        for (int i = 0; i < 10; ++i, o += 20) b.str(o, "old text " + std::to_string(i));
      b.grow(o);
      return b.b;
    };
    ASSERT_EQ(read_one(io_rd_gt_lane, 17, old_lane(3, "12abc", 0), big, &e), 0);
    LANE* ln = static_cast<LANE*>(e.record)->next;
    EXPECT_EQ(ln->lane_number, 12);
    EXPECT_EQ(ln->center_coords[1].y, 8);
    EXPECT_TRUE(static_cast<LANE_HDR*>(e.header)->f & LANE_HDR_OLD_CHARS);
    io_free_gt_lane(&e);
    ASSERT_EQ(read_one(io_rd_gt_lane, 17, old_lane(4, "lane", 3), big, &e), 0);
    ln = static_cast<LANE*>(e.record)->next;
    EXPECT_EQ(ln->lane_number, 77);
    ASSERT_NE(ln->old_lane_chars, nullptr);
    EXPECT_STREQ(ln->old_lane_chars[9], "old text 9");
    EXPECT_EQ(ln->lane_chars, nullptr);
    EXPECT_EQ(ln->num_labeled_chars, 0);
    io_free_gt_lane(&e);
  }
}

TEST(AnalysisRecords, StandardsReadRules) {
  ANALYSIS_ENTRY e{};
  // A header that says 0 lists reads as one list; invalid markers are dropped.
  Bytes h0(24);
  h0.i32(0, 5);
  std::vector<uint8_t> list = std_list_bytes(0, false);
  Bytes lb;
  lb.b = list;
  lb.i32(91 + 40 + 28, 0);  // the second marker is not valid
  ASSERT_EQ(read_one(io_rd_stnd, 20, cat({h0.b, lb.b}), false, &e), 0);
  EXPECT_EQ(static_cast<STD_REC_HDR*>(e.header)->num_lists, 1);
  STD_LIST* l = static_cast<STD_LIST**>(e.record)[0];
  EXPECT_EQ(l->count, 2);
  EXPECT_EQ(l->records[1].lane_num, 3);
  EXPECT_EQ(l->clean, 0);
  io_free_stnd(&e);
  // A record that ends before its lists: the lists it holds, then empty ones.
  Bytes h3(24);
  h3.i32(0, 5);
  h3.i32(4, 3);
  ASSERT_EQ(read_one(io_rd_stnd, 20, cat({h3.b, list}), false, &e), 0);
  STD_LIST** lists = static_cast<STD_LIST**>(e.record);
  EXPECT_EQ(lists[0]->count, 3);
  EXPECT_EQ(lists[1]->count, 0);
  EXPECT_EQ(lists[2]->count, 0);
  io_free_stnd(&e);
}

// ---- The whole container ---------------------------------------------------------------------

TEST(AnalysisFile, RoundTripKeepsEveryStoredFieldInBothByteOrders) {
  vxtest::TempDir dir;
  Analysis a;
  for (bool big : {false, true}) {
    ByteWriter bin, txt;
    ASSERT_EQ(io_build_app(a.list, a.n, big, bin, txt), 0);
    EXPECT_EQ(bin.buffer()[0], big ? 'M' : 'I');
    vxtest::write_bytes(dir.file("g.gt"), bin.buffer());
    vxtest::write_bytes(dir.file("g.cmt"), txt.buffer());
    ReadBack rb;
    ASSERT_EQ(rb.n = io_read_app(dir.file("g").c_str(), IO_PROG_GT, &rb.list, 0), 6);
    // Binary records in list order, then the text entry.
    EXPECT_EQ(rb.list[0]->type, 16);
    EXPECT_EQ(rb.list[5]->type, 505);
    EXPECT_STREQ(static_cast<const char*>(rb.of(505)->record), "a comment\nof two lines");

    // Writing what was read gives the same bytes: every stored field came back.
    ReadBack* r = &rb;
    ByteWriter bin2, txt2;
    ASSERT_EQ(io_build_app(r->list, r->n, big, bin2, txt2), 0);
    EXPECT_EQ(bin2.buffer(), bin.buffer()) << (big ? "MM" : "II");
    EXPECT_EQ(txt2.buffer(), txt.buffer());

    // A few fields checked directly.
    SPOT* b2 = static_cast<SPOT*>(rb.of(16)->record)->next->next;
    EXPECT_EQ(b2->f2, SP_F2_SIZE_STD);
    EXPECT_STREQ(b2->label, "band label 2 xyz");
    EXPECT_EQ(static_cast<SPOT_HDR*>(rb.of(16)->header)->norm_band_ii, 1234.5);
    LANE* l2 = static_cast<LANE*>(rb.of(17)->record)->next->next;
    EXPECT_STREQ(l2->lane_name, "Lane 2 with a long nam");
    EXPECT_EQ(l2->f, LN_F_SPLIT_BANDS | LN_F_TOOL_MARK);
    EXPECT_EQ(l2->data_values[3], 2993);
    EXPECT_STREQ(l2->lane_chars[1]->value, "value 1 of lane 2");
    EXPECT_EQ(l2->baseline->next->next->feat.x, 501);
    STD_LIST* s = static_cast<STD_LIST**>(rb.of(20)->record)[1];
    EXPECT_EQ(s->records[2].value, 1000.0 / 3);
    EXPECT_EQ(s->records[2].flags, STD_M_VALID | STD_M_KEPT);
    EXPECT_EQ(static_cast<int32_t*>(rb.of(21)->record)[5], -1);
  }
}

TEST(AnalysisFile, WriteAndReadThroughTheFiles) {
  vxtest::TempDir dir;
  Analysis a;
  ASSERT_EQ(io_write_app(dir.file("gel.kes").c_str(), a.list, a.n, IO_PROG_GT), 0);
  ASSERT_TRUE(std::filesystem::exists(dir.file("gel.gt")));
  ReadBack rb;
  ASSERT_EQ(rb.n = io_read_app(dir.file("gel").c_str(), IO_PROG_GT, &rb.list, 0), 6);
  // Tokens record each record's offset and length.
  Bytes f;
  f.b = vxtest::read_bytes(dir.file("gel.gt"));
  EXPECT_EQ(f.get32(8), 5);
  EXPECT_EQ(f.get32(28 + 4), 28 + 5 * 20);
  EXPECT_EQ(f.get32(28 + 8), 192 + 2 * 400);
  EXPECT_EQ(f.get32(28 + 20 + 4), 28 + 5 * 20 + 192 + 2 * 400);

  // A write that fails half way (a type without a writer) leaves both files as they were.
  const auto gt = vxtest::read_bytes(dir.file("gel.gt"));
  const auto cmt = vxtest::read_bytes(dir.file("gel.cmt"));
  ANALYSIS_ENTRY bad{5, nullptr, nullptr, 0};
  ANALYSIS_ENTRY* l[] = {a.list[0], a.list[1], &bad};
  EXPECT_EQ(io_write_app(dir.file("gel.kes").c_str(), l, 3, IO_PROG_GT), -6);
  EXPECT_EQ(vxtest::read_bytes(dir.file("gel.gt")), gt);
  EXPECT_EQ(vxtest::read_bytes(dir.file("gel.cmt")), cmt);
  EXPECT_EQ(io_write_app(dir.file("gel.kes").c_str(), l, 0, IO_PROG_GT), -3);
}

TEST(AnalysisFile, TextPartAndMissingFiles) {
  vxtest::TempDir dir;
  // Only a comment: a 28-byte binary file and the text; read back as one entry of type 505.
  Analysis a;
  ANALYSIS_ENTRY* l[] = {a.list[0]};
  ASSERT_EQ(io_write_app(dir.file("c.kes").c_str(), l, 1, IO_PROG_GT), 0);
  EXPECT_EQ(vxtest::read_bytes(dir.file("c.gt")), iofix::container({}));
  ReadBack rb;
  ASSERT_EQ(rb.n = io_read_app(dir.file("c").c_str(), IO_PROG_GT, &rb.list, 0), 1);
  EXPECT_EQ(rb.list[0]->type, 505);
  // Without the binary file the text alone still reads; as ".kr" text its type is 507.
  std::filesystem::rename(dir.file("c.cmt"), dir.file("k.cmt"));
  ReadBack kr;
  ASSERT_EQ(kr.n = io_read_app(dir.file("k").c_str(), IO_PROG_KR, &kr.list, 0), 1);
  EXPECT_EQ(kr.list[0]->type, 507);
  // An empty text file counts as absent; with an empty binary analysis nothing is there.
  vxtest::write_bytes(dir.file("c.cmt"), {});
  ReadBack none;
  EXPECT_EQ(io_read_app(dir.file("c").c_str(), IO_PROG_GT, &none.list, 0), -1);
  EXPECT_EQ(none.list, nullptr);
  EXPECT_EQ(io_read_app(dir.file("nothing").c_str(), IO_PROG_GT, &none.list, 0), -1);
}

TEST(AnalysisFile, TruncatedAndCorruptFilesFailWithoutLeaks) {
  vxtest::TempDir dir;
  Analysis a;
  ByteWriter bin, txt;
  ASSERT_EQ(io_build_app(a.list, a.n, false, bin, txt), 0);
  const std::vector<uint8_t> good = bin.buffer();
  // Cut everywhere: a cut file never reads (a file cut inside its header counts as absent, and
  // without a text part nothing is left).
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    vxtest::write_bytes(dir.file("t.gt"), std::vector<uint8_t>(good.begin(), good.begin() + cut));
    ReadBack rb;
    rb.n = io_read_app(dir.file("t").c_str(), IO_PROG_GT, &rb.list, 0);
    ASSERT_EQ(rb.n, -1) << "cut at " << cut;
    ASSERT_EQ(rb.list, nullptr);
  }
  // Absurd counts and types in an otherwise good file.
  const std::size_t recs = 28 + 5 * 20;
  const std::size_t lane0 = recs + 192 + 800 + 32;  // first lane block
  const std::size_t stds = recs + 192 + 800 + (32 + 2 * (98 + 16 + 24 + 4 + 16 + 8 + 84));
  struct Case {
    const char* what;
    std::size_t off;
    int64_t value;
  };
  const Case cases[] = {
      {"token count", 8, 1 << 30},
      {"negative token count", 8, -3},
      {"type without a reader", 28, 13},
      {"type outside the table", 28, 99},
      {"band count", recs + 172, 0x7FFFFFF},
      {"negative band count", recs + 172, -1},
      {"lane count", recs + 192 + 800 + 8, 1 << 28},
      {"tier count", recs + 192 + 800 + 16, 1 << 30},
      {"base points", lane0 + 26, 1 << 29},
      {"centre points", lane0 + 58, -4},
      {"profile values", lane0 + 98 + 16 + 24, 0x40000000},
      {"characteristics", lane0 + 98 + 16 + 24 + 4 + 16, 1 << 26},
      {"standards lists", stds + 4, 1 << 30},
      {"markers in a list", stds + 24 + 87, 1 << 27},
      {"record length", 28 + 8, 1 << 30},
      {"negative record length", 28 + 20 + 8, -1},
  };
  for (const Case& c : cases) {
    Bytes b;
    b.b = good;
    b.i32(c.off, c.value);
    vxtest::write_bytes(dir.file("x.gt"), b.b);
    ReadBack rb;
    const long alerts = ks_alert_count();
    rb.n = io_read_app(dir.file("x").c_str(), IO_PROG_GT, &rb.list, 0);
    ASSERT_EQ(rb.n, -1) << c.what;
    EXPECT_EQ(ks_alert_count(), alerts + 1) << c.what << ": the user is told once";
  }
}
