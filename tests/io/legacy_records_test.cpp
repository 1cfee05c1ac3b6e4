// Spot, region and background records of older analysis programs.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "io/legacy_records.h"
#include "fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

using iofix::at32;
using iofix::put32;

using Reader = int (*)(ByteReader&, ANALYSIS_ENTRY*, ANALYSIS_TOKEN*, int);

// Reads a record whose token says `length` bytes and `count` objects.
int read(Reader rd, int type, const Bytes& b, ANALYSIS_ENTRY* e, int count = 0, bool big = false,
         int length = -1) {
  ByteReader r(b, big);
  ANALYSIS_TOKEN t{};
  t.analysis_type = type;
  t.analysis_length = length < 0 ? static_cast<int32_t>(b.size()) : length;
  t.count = count;
  e->type = type;
  return rd(r, e, &t, big ? 1 : 0);
}

SPOT* spot_with_chars(int number, int nchars) {
  SPOT* s = sp_make_spot();
  s->number = number;
  s->amount = 1.5 * number;
  s->f1 = 0x80000011u;
  s->f2 = SP_F2_SELECTED | SP_F2_SIZE_STD;
  s->x = 40 + number;
  s->y = 7;
  s->band_fw = 3;
  s->left_hw = '?';
  s->right_hw = 9;
  s->carried_int = -4;
  s->extra_int = 12;
  std::strcpy(s->label, "band");
  s->bound_x[0] = 5;
  s->bound_y[35] = 6;
  s->extra1 = 21;
  if (nchars > 0) {
    s->spot_chars = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR) * nchars));
    for (int i = 0; i < nchars; ++i) {
      std::snprintf(s->spot_chars[i].name, 21, "cat%d", i);
      std::snprintf(s->spot_chars[i].value, 21, "v%d", i);
    }
    s->num_spot_chars = nchars;
  }
  return s;
}

Bytes write_spots(ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  ByteWriter w;
  EXPECT_EQ(io_wr_nw_spot(w, e, t), 0);
  return w.buffer();
}

}  // namespace

TEST(LegacySpots, LayoutAndRewritingWhatWasRead) {
  // No spots: the 192-byte header alone, and an empty chain on reading.
  SPOT* empty = sp_make_spot();
  ANALYSIS_ENTRY e0{35, empty, nullptr, 0};
  ANALYSIS_TOKEN t{};
  const Bytes hdr_only = write_spots(&e0, &t);
  ASSERT_EQ(hdr_only.size(), 192u);
  EXPECT_EQ(at32(hdr_only, 0), 5);
  EXPECT_EQ(at32(hdr_only, 168), 488);  // reclen of a header made by the writer
  EXPECT_EQ(at32(hdr_only, 172), 0);
  EXPECT_EQ(t.version, 5);
  ANALYSIS_ENTRY r0{};
  ASSERT_EQ(read(io_rd_nw_spot_rec, 35, hdr_only, &r0), 0);
  EXPECT_EQ(static_cast<SPOT*>(r0.record)->next, nullptr);
  io_free_nw_spot_entry(&r0);
  io_free_nw_spot_entry(&e0);

  // Two spots, the second with three characteristics (534 bytes).
  SPOT* head = sp_make_spot();
  sp_add_spot(spot_with_chars(1, 0), head);
  sp_add_spot(spot_with_chars(2, 3), head->next);
  ANALYSIS_ENTRY e{35, head, nullptr, 0};
  const Bytes b = write_spots(&e, &t);
  EXPECT_EQ(t.count, 2);
  ASSERT_EQ(b.size(), 192u + 408u + 534u);
  const std::size_t s2 = 192 + 408;
  EXPECT_EQ(at32(b, s2 + 0), 2);
  EXPECT_EQ(at32(b, s2 + 20), int32_t(0x80000011u));
  EXPECT_EQ(at32(b, s2 + 24), int32_t(SP_F2_SIZE_STD));  // stored unselected
  EXPECT_EQ(at32(b, s2 + 36), 42);
  EXPECT_EQ(b[s2 + 52], 3);
  EXPECT_EQ(b[s2 + 53], '?');
  EXPECT_EQ(b[s2 + 54], 9);
  EXPECT_EQ(at32(b, s2 + 55), -4);
  EXPECT_EQ(at32(b, s2 + 83), 12);
  EXPECT_EQ(b[s2 + 87], 'b');
  EXPECT_EQ(at32(b, s2 + 108), 3);
  EXPECT_EQ(b[s2 + 112 + 42 * 2], 'c');
  EXPECT_EQ(b[s2 + 112 + 42 * 2 + 21], 'v');
  EXPECT_EQ(at32(b, s2 + 112 + 126), 5);        // bound x[0]
  EXPECT_EQ(at32(b, s2 + 112 + 126 + 284), 6);  // bound y[35]
  EXPECT_EQ(at32(b, s2 + 526), 21);
  EXPECT_EQ(at32(b, s2 + 530), 1);

  // What was read is written again unchanged (the chain form is taken as a chain).
  ANALYSIS_ENTRY r{};
  ASSERT_EQ(read(io_rd_nw_spot_rec, 35, b, &r), 0);
  auto* first = static_cast<SPOT*>(r.record)->next;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->next->num_spot_chars, 3);
  EXPECT_STREQ(first->next->spot_chars[1].value, "v1");
  EXPECT_EQ(static_cast<SPOT_HDR*>(r.header)->nrec, 2);
  EXPECT_EQ(write_spots(&r, &t), b);
  io_free_nw_spot_entry(&r);
  io_free_nw_spot_entry(&e);
}

TEST(LegacySpots, BinTableIsWalkedColumnByColumn) {
  auto* table = ks_new_rec<SPOT_BINS>();
  table->bins[1][0] = spot_with_chars(2, 0);   // step 1
  table->bins[0][1] = spot_with_chars(3, 0);   // step 32
  table->bins[0][1]->next = spot_with_chars(4, 1);
  table->bins[0][0] = spot_with_chars(1, 0);   // step 0
  table->bins[5][9] = spot_with_chars(5, 0);   // outside the rows and columns in use
  table->stats[4] = 2;
  table->stats[5] = 2;
  int count = 0;
  int32_t six[6];
  spb_get_stats(table, &count, six);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(six[5], 2);

  int cursor = 0, steps = 0;
  SPOT* chain = nullptr;
  while (spb_walk(table, &chain, &cursor) == 1) ++steps;
  EXPECT_EQ(steps, 1024);
  EXPECT_EQ(spb_walk(table, &chain, &cursor), SPB_END_OF_LIST);

  ANALYSIS_ENTRY e{35, table, nullptr, IO_SPOT_FORM_BINS};
  ANALYSIS_TOKEN t{};
  const Bytes b = write_spots(&e, &t);
  ASSERT_EQ(t.count, 5);
  std::size_t off = 192;
  std::vector<int> numbers;
  for (int i = 0; i < 5; ++i) {
    numbers.push_back(at32(b, off));
    off += 408 + 42 * at32(b, off + 108);
  }
  // Bins (0,0) and (1,0) of column 0, the chain of (0,1), then (5,9) in column 9.
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(off, b.size());
  io_free_nw_spot_entry(&e);
}

TEST(LegacySpots, SwappedFilesKeepFlagWordsAsTheyStand) {
  Bytes b(192 + 408, 0);
  put32(b, 172, 1, true);        // nrec
  b[192 + 20] = 1;               // flags 1 bytes 01 02 03 04
  b[192 + 21] = 2;
  b[192 + 22] = 3;
  b[192 + 23] = 4;
  put32(b, 192 + 36, 256, true);  // x
  ANALYSIS_ENTRY e{};
  ASSERT_EQ(read(io_rd_nw_spot_rec, 41, b, &e, 0, true), 0);
  SPOT* s = static_cast<SPOT*>(e.record)->next;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->f1, 0x04030201u);
  EXPECT_EQ(s->x, 256);
  io_free_nw_spot_entry(&e);
}

TEST(LegacySpots, CorruptRecordsAreRefused) {
  SPOT* head = sp_make_spot();
  sp_add_spot(spot_with_chars(1, 2), head);
  ANALYSIS_ENTRY src{35, head, nullptr, 0};
  ANALYSIS_TOKEN t{};
  const Bytes good = write_spots(&src, &t);
  io_free_nw_spot_entry(&src);

  struct Case { const char* what; std::size_t off; uint32_t value; };
  const Case cases[] = {
      {"nrec beyond the record", 172, 2},
      {"negative nrec", 172, 0xFFFFFFFFu},
      {"characteristics beyond the block", 192 + 108, 3},
      {"negative characteristic count", 192 + 108, 0x80000000u},
  };
  for (const Case& c : cases) {
    Bytes b = good;
    put32(b, c.off, c.value);
    ANALYSIS_ENTRY e{};
    EXPECT_EQ(read(io_rd_nw_spot_rec, 35, b, &e), -5) << c.what;
    EXPECT_EQ(e.record, nullptr) << c.what;
  }
  for (std::size_t cut = 0; cut < good.size(); cut += 7) {
    Bytes b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    ANALYSIS_ENTRY e{};
    EXPECT_NE(read(io_rd_nw_spot_rec, 35, b, &e), 0) << cut;
    EXPECT_EQ(e.record, nullptr);
  }
  // A record exactly 24 bytes short of its token is accepted.
  ANALYSIS_ENTRY e{};
  ASSERT_EQ(read(io_rd_nw_spot_rec, 35, good, &e, 0, false, static_cast<int>(good.size()) + 24), 0);
  io_free_nw_spot_entry(&e);
}

TEST(LegacyRegions, BothLayoutsAndTheirRoundTrip) {
  SPOT_REGION* head = sp_make_region();
  SPOT_REGION* g = sp_make_region();
  head->next = g;
  std::strcpy(g->name, "R1");
  g->width_height = 300 | (200 << 16);
  g->region_number = 4;
  g->num_sel_spots = 2;
  g->area = 12.5;
  g->f = 0x2001;
  g->img_chars = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR)));
  std::strcpy(g->img_chars[0].name, "k");
  g->num_img_chars = 1;
  g->num_inactive = 8;
  auto* hdr = ks_new_rec<REGION_HDR>();
  hdr->num_regions = 5;  // disagrees with the chain
  ANALYSIS_ENTRY e{34, head, hdr, 0};
  ByteWriter w;
  ANALYSIS_TOKEN t{};
  ASSERT_EQ(io_wr_spot_region(w, &e, &t), 0);
  const Bytes b = w.buffer();
  ASSERT_EQ(b.size(), 28u + 163u + 42u);
  EXPECT_EQ(at32(b, 0), 0);
  EXPECT_EQ(at32(b, 4), 1);  // the regions really written
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(at32(b, 28 + 34), 13107500);
  EXPECT_EQ(at32(b, 28 + 38), 4);
  EXPECT_EQ(at32(b, 28 + 95), 1);
  EXPECT_EQ(b[28 + 99], 'k');
  EXPECT_EQ(at32(b, 28 + 159 + 42), 8);

  ANALYSIS_ENTRY r{};
  ASSERT_EQ(read(io_rd_spot_regions, 34, b, &r, 1), 0);
  auto* g2 = static_cast<SPOT_REGION*>(r.record)->next;
  ASSERT_NE(g2, nullptr);
  EXPECT_STREQ(g2->name, "R1");
  EXPECT_EQ(g2->region_number, 4);
  EXPECT_EQ(g2->num_sel_spots, 2);
  EXPECT_DOUBLE_EQ(g2->area, 12.5);
  EXPECT_STREQ(g2->img_chars[0].name, "k");
  EXPECT_EQ(g2->next, nullptr);
  io_free_spot_region_entry(&r);

  // The old layout: no header, the record starts with a name; width and height apart.
  Bytes old(b.begin() + 28, b.end());
  put32(old, 34, 300);
  put32(old, 38, 200);
  put32(old, 46, 77);  // unused word
  ANALYSIS_ENTRY o{};
  ASSERT_EQ(read(io_rd_spot_regions, 40, old, &o, 1), 0);
  auto* g3 = static_cast<SPOT_REGION*>(o.record)->next;
  ASSERT_NE(g3, nullptr);
  EXPECT_EQ(g3->width_height, 13107500);
  EXPECT_EQ(g3->region_number, 0);
  EXPECT_EQ(g3->num_sel_spots, 0);
  EXPECT_EQ(g3->num_inactive, 8);
  io_free_spot_region_entry(&o);

  // Counts that the record cannot hold.
  ANALYSIS_ENTRY bad{};
  EXPECT_EQ(read(io_rd_spot_regions, 34, b, &bad, 2), -5);
  EXPECT_EQ(read(io_rd_spot_regions, 34, b, &bad, -1), -5);
  Bytes chars = b;
  put32(chars, 28 + 95, 1000);
  EXPECT_EQ(read(io_rd_spot_regions, 34, chars, &bad, 1), -5);
  EXPECT_EQ(bad.record, nullptr);
  // An empty record has no header: the old layout with no regions, and nothing more.
  ANALYSIS_ENTRY none{};
  ASSERT_EQ(read(io_rd_spot_regions, 34, Bytes{}, &none, 0), 0);
  EXPECT_EQ(static_cast<SPOT_REGION*>(none.record)->next, nullptr);
  io_free_spot_region_entry(&none);
  EXPECT_EQ(read(io_rd_spot_regions, 34, Bytes{}, &bad, 1), -5);
  // 24 bytes short of the token is accepted.
  ANALYSIS_ENTRY s{};
  EXPECT_EQ(read(io_rd_spot_regions, 34, b, &s, 1, false, static_cast<int>(b.size()) + 24), 0);
  io_free_spot_region_entry(&s);
  io_free_spot_region_entry(&e);
}

TEST(LegacyRegions, PzRegionsAndBackground) {
  auto* head = ks_new_rec<PZ_REGION>();
  auto* p = ks_new_rec<PZ_REGION>();
  head->next = p;
  p->d[2] = 3.5;
  p->f = 0x5;
  p->num_points = 2;
  p->pts[1][0] = 11;
  p->pts[1][1] = -12;
  ANALYSIS_ENTRY e{46, head, nullptr, 0};
  ByteWriter w;
  ANALYSIS_TOKEN t{};
  ASSERT_EQ(io_wr_region(w, &e, &t), 0);
  Bytes b = w.buffer();
  ASSERT_EQ(b.size(), 56u + 16u);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(at32(b, 32), 0x4);  // bit 0 cleared
  EXPECT_EQ(at32(b, 52), 2);
  EXPECT_EQ(at32(b, 68), -12);
  ANALYSIS_ENTRY r{};
  ASSERT_EQ(read(io_rd_region, 46, b, &r, 1), 0);
  auto* p2 = static_cast<PZ_REGION*>(r.record)->next;
  EXPECT_DOUBLE_EQ(p2->d[2], 3.5);
  EXPECT_EQ(p2->pts[1][0], 11);
  io_free_region_entry(&r);
  put32(b, 52, 37);  // more points than a region holds
  b.resize(56 + 37 * 8, 0);
  EXPECT_EQ(read(io_rd_region, 46, b, &r, 1), -5);
  EXPECT_EQ(r.record, nullptr);
  io_free_region_entry(&e);

  auto* bg = ks_new_rec<BACKGROUND>();
  bg->w1 = 3;
  bg->bg = static_cast<int32_t*>(ks_alloc_msg(64 * sizeof(int32_t)));
  bg->bg[63] = 99;
  ANALYSIS_ENTRY be{36, bg, nullptr, 0};
  ByteWriter wb;
  ASSERT_EQ(io_wr_back(wb, &be, &t), 0);
  EXPECT_EQ(t.count, 1);
  ASSERT_EQ(wb.size(), 264u);
  EXPECT_EQ(at32(wb.buffer(), 260), 99);
  ANALYSIS_ENTRY rb{};
  ASSERT_EQ(read(io_rd_back, 47, wb.buffer(), &rb), 0);
  EXPECT_EQ(static_cast<BACKGROUND*>(rb.record)->bg[63], 99);
  io_free_back_entry(&rb);
  Bytes cut(wb.buffer().begin(), wb.buffer().end() - 4);
  EXPECT_EQ(read(io_rd_back, 36, cut, &rb), -5);
  io_free_back_entry(&be);
}
