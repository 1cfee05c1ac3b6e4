// The blot grid record in its current and older layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "io/blot_grid.h"
#include "fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using iofix::at32;
using iofix::Pack;

// A grid of 2 rows and 3 columns over the rectangle (10, 20) - (310, 220).
const int32_t kGeom[12] = {10, 20, 310, 20, 310, 220, 10, 220, 1, 2, 3, 4};

int read(const Bytes& bytes, ANALYSIS_ENTRY* e, bool big = false) {
  ByteReader r(bytes, big);
  ANALYSIS_TOKEN t{};
  t.analysis_type = BLOT_TYPE;
  t.analysis_length = static_cast<int32_t>(bytes.size());
  return io_rd_blot(r, e, &t, big ? 1 : 0);
}

}  // namespace

TEST(BlotGrid, CurrentLayoutRoundTripsAndStoresCellsUnselected) {
  auto* hdr = ks_new_rec<BLOT_HDR>();
  hdr->grid_d = 1.5;
  hdr->hdr_w16 = -7;
  hdr->cols = 3;
  hdr->rows = 2;
  std::strcpy(hdr->name, "grid");
  hdr->shape = 2;
  hdr->res4 = 9;
  std::memcpy(hdr->geom, kGeom, sizeof kGeom);
  auto* cells = static_cast<BLOT_CELL*>(ks_alloc_msg(6 * sizeof(BLOT_CELL)));
  for (int i = 0; i < 6; ++i) {
    cells[i].value1 = i + 0.25;
    cells[i].value2 = -i;
    cells[i].flags = (1u << 10) | (1u << 6) | (i == 4 ? 1u : 0u);
    cells[i].cell_w20 = 100 + i;
    for (int k = 0; k < 8; ++k) cells[i].corner[k] = i * 10 + k + 1;
    std::strcpy(cells[i].name, "c");
    cells[i].cell_bytes[2] = 0xEE;
  }
  ANALYSIS_ENTRY e{BLOT_TYPE, cells, hdr, 0};
  ByteWriter w;
  ANALYSIS_TOKEN token{};
  ASSERT_EQ(io_wr_blot(w, &e, &token), 0);
  EXPECT_EQ(token.version, 1);
  const Bytes& b = w.buffer();
  ASSERT_EQ(b.size(), 125u + 480u);
  EXPECT_EQ(at32(b, 16), -7);
  EXPECT_EQ(at32(b, 20), 3);   // C
  EXPECT_EQ(at32(b, 24), 2);   // R
  EXPECT_EQ(at32(b, 28), 1);   // version
  EXPECT_EQ(b[32], 'g');
  EXPECT_EQ(at32(b, 53), 2);   // shape
  EXPECT_EQ(at32(b, 73), 9);   // res4
  EXPECT_EQ(at32(b, 77), 10);  // geometry
  const std::size_t cell4 = 125 + 4 * 80;
  EXPECT_EQ(at32(b, cell4 + 16), (1 << 10) | (1 << 6));  // stored unselected
  EXPECT_EQ(at32(b, cell4 + 20), 104);
  EXPECT_EQ(at32(b, cell4 + 24), 41);                      // first corner
  EXPECT_EQ(b[cell4 + 56], 'c');
  EXPECT_EQ(b[cell4 + 79], 0xEE);
  EXPECT_EQ(cells[4].flags & 1u, 1u);  // the record in memory keeps its selection

  ANALYSIS_ENTRY back{};
  ASSERT_EQ(read(b, &back), 0);
  auto* h2 = static_cast<BLOT_HDR*>(back.header);
  auto* c2 = static_cast<BLOT_CELL*>(back.record);
  EXPECT_EQ(h2->rows, 2);
  EXPECT_STREQ(h2->name, "grid");
  EXPECT_EQ(h2->geom[11], 4);
  EXPECT_DOUBLE_EQ(c2[5].value1, 5.25);
  EXPECT_EQ(c2[5].corner[7], 58);
  EXPECT_EQ(c2[4].flags, (1u << 10) | (1u << 6));
  EXPECT_EQ(c2[3].cell_bytes[2], 0xEE);
  io_free_blot_entry(&back);
  io_free_blot_entry(&e);
}

TEST(BlotGrid, OlderLayoutIsChosenByLengthAndGetsComputedCorners) {
  Pack p;
  p.d(2.0).i(1).i(2).i(3).i(3).i(2);  // the double, three words, C 3, R 2
  for (int32_t g : kGeom) p.i(g);
  for (int i = 0; i < 6; ++i) p.d(i).d(0).i(i == 0 ? 1 : 0).i(i).text("old", 21).i(0).b.pop_back();
  ASSERT_EQ(p.b.size(), 76u + 288u);
  EXPECT_EQ(IsLegacyBlot(6, 76 + 288), 1);
  EXPECT_EQ(IsLegacyBlot(6, 125 + 480), 0);

  ANALYSIS_ENTRY e{};
  ASSERT_EQ(read(p.b, &e), 0);
  auto* h = static_cast<BLOT_HDR*>(e.header);
  auto* c = static_cast<BLOT_CELL*>(e.record);
  EXPECT_EQ(h->cols, 3);
  EXPECT_EQ(h->geom[0], 10);
  EXPECT_STREQ(h->name, "");
  EXPECT_EQ(c[0].flags, 1u);
  EXPECT_STREQ(c[2].name, "old");
  // Cell 5 (row 1, column 2) of the 300 x 200 grid at (10, 20).
  const int32_t want[8] = {210, 120, 310, 120, 310, 220, 210, 220};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(c[5].corner[k], want[k]) << k;
  io_free_blot_entry(&e);
}

TEST(BlotGrid, GridsTheRecordCannotHoldAreRefused) {
  struct Case { const char* what; int32_t cols, rows; std::size_t length; };
  const Case cases[] = {
      {"six cells in room for five", 3, 2, 125 + 400},
      {"negative rows", 3, -2, 125},
      {"huge grid", 0x10000, 0x10000, 125 + 80},
      {"cell bytes past 64 bits", 0x7FFFFFFF, 0x7FFFFFFF, 125 + 80},
      {"header cut", 3, 2, 20},
  };
  for (const Case& c : cases) {
    Pack p;
    p.d(0).i(0).i(0).i(0).i(c.cols).i(c.rows);
    p.b.resize(c.length, 0);
    ANALYSIS_ENTRY e{};
    EXPECT_EQ(read(p.b, &e), -5) << c.what;
    EXPECT_EQ(e.record, nullptr) << c.what;
    EXPECT_EQ(e.header, nullptr) << c.what;
  }
  ANALYSIS_ENTRY none{};
  ByteWriter w;
  ANALYSIS_TOKEN t{};
  EXPECT_EQ(io_wr_blot(w, &none, &t), 0);  // no cells: nothing written
  EXPECT_EQ(w.size(), 0u);
}
