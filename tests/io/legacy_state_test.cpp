// State records of older analysis programs.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "io/legacy_state.h"
#include "fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

using iofix::at32;
using iofix::put32;

using Reader = int (*)(ByteReader&, ANALYSIS_ENTRY*, ANALYSIS_TOKEN*, int);
using Writer = int (*)(ByteWriter&, ANALYSIS_ENTRY*, ANALYSIS_TOKEN*);

int read(Reader rd, const Bytes& b, int version, ANALYSIS_ENTRY* e, bool big = false) {
  ByteReader r(b, big);
  ANALYSIS_TOKEN t{};
  t.analysis_length = static_cast<int32_t>(b.size());
  t.version = version;
  return rd(r, e, &t, big ? 1 : 0);
}

Bytes write(Writer wr, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  ByteWriter w;
  EXPECT_EQ(wr(w, e, t), 0);
  return w.buffer();
}

}  // namespace

TEST(LegacyState, PreferenceStateOfVersionThreeComesBackAsVersionFive) {
  Bytes b(6024, 0);
  put32(b, 8, 11);
  put32(b, 184 + 4, 60);              // second integer of the version 2 part
  std::memcpy(&b[292], "folder", 6);
  put32(b, 2504, 3);
  const double d = 2.5;
  std::memcpy(&b[2508], &d, 8);
  std::memcpy(&b[2904 + 12], "grp", 3);  // first text of the first 780-byte group
  ANALYSIS_ENTRY e{55, nullptr, nullptr, 0};
  ASSERT_EQ(read(io_rd_kr_prf_state, b, 3, &e), 0);
  auto* p = static_cast<KR_PRF_STATE*>(e.record);
  EXPECT_EQ(p->s.w8[0], 11);
  EXPECT_EQ(p->s.w184[1], 60);
  EXPECT_EQ(p->w2504, 3);
  EXPECT_DOUBLE_EQ(p->d2508[0], 2.5);
  EXPECT_EQ(std::memcmp(p->g2904[0].t[0], "grp", 3), 0);
  EXPECT_EQ(p->bltnewflags, 0);
  EXPECT_STREQ(p->loc_repdir, "");

  ANALYSIS_TOKEN t{};
  const Bytes out = write(io_wr_kr_prf_state, &e, &t);
  EXPECT_EQ(t.version, 5);
  EXPECT_EQ(t.count, 0);
  ASSERT_EQ(out.size(), static_cast<std::size_t>(KR_PRF_STATE_BYTES));
  EXPECT_TRUE(std::equal(b.begin(), b.end(), out.begin()));  // the first 6024 bytes unchanged
  for (std::size_t i = 6024; i < out.size(); ++i) EXPECT_EQ(out[i], 0) << i;
  ks_free(e.record);
}

TEST(LegacyState, MissingPartsGetTheirDefaults) {
  // Image state of version 1: 184 bytes. Its integer at offset 32 is reset to 1.
  Bytes v1(KR_STATE_V1_BYTES, 0);
  put32(v1, 120, 5);
  put32(v1, 32, 9);
  ANALYSIS_ENTRY e{30, nullptr, nullptr, 0};
  ASSERT_EQ(read(io_rd_kr_img_state, v1, 1, &e), 0);
  auto* s = static_cast<KR_IMG_STATE*>(e.record);
  EXPECT_EQ(s->s.w120, 5);
  EXPECT_EQ(s->s.w8[6], 1);  // the integer at offset 32
  const int32_t want[27] = {0, 50, 100, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                            -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, -1, -1};
  for (int i = 0; i < 27; ++i) EXPECT_EQ(s->s.w184[i], want[i]) << i;
  ANALYSIS_TOKEN t{};
  const Bytes out = write(io_wr_kr_img_state, &e, &t);
  EXPECT_EQ(out.size(), static_cast<std::size_t>(KR_IMG_STATE_BYTES));
  EXPECT_EQ(t.version, 2);
  EXPECT_EQ(at32(out, 184 + 4), 50);
  EXPECT_EQ(at32(out, 32), 1);
  ks_free(e.record);

  // Preference state of version 1: the version 2 part gets the same defaults, but the integer
  // at offset 32 lies outside that part and keeps its stored value.
  ANALYSIS_ENTRY p1{55, nullptr, nullptr, 0};
  ASSERT_EQ(read(io_rd_kr_prf_state, v1, 1, &p1), 0);
  auto* ps1 = static_cast<KR_PRF_STATE*>(p1.record);
  EXPECT_EQ(ps1->s.w8[6], 9);
  EXPECT_EQ(ps1->s.w120, 5);
  for (int i = 0; i < 27; ++i) EXPECT_EQ(ps1->s.w184[i], want[i]) << i;
  ks_free(p1.record);

  // Preference state of version 2: its version 3 doubles are -1.0, the rest 0.
  Bytes v2(KR_IMG_STATE_BYTES, 0);
  ANALYSIS_ENTRY p{55, nullptr, nullptr, 0};
  ASSERT_EQ(read(io_rd_kr_prf_state, v2, 2, &p), 0);
  auto* ps = static_cast<KR_PRF_STATE*>(p.record);
  EXPECT_DOUBLE_EQ(ps->d2508[11], -1.0);
  EXPECT_DOUBLE_EQ(ps->g2604[1].d[0], -1.0);
  EXPECT_DOUBLE_EQ(ps->d2808[0], -1.0);
  EXPECT_EQ(ps->w2804, 0);
  ks_free(p.record);
}

TEST(LegacyState, ImageStateOfTheMjKindIsAlways1420Bytes) {
  Bytes b(MJ_IMG_STATE_BYTES, 0);
  put32(b, 8, 0x01020304, true);
  std::memcpy(&b[1164], "last", 4);
  ANALYSIS_ENTRY e{50, nullptr, nullptr, 0};
  ASSERT_EQ(read(io_rd_mj_img_state, b, 7, &e, true), 0);  // big-endian record
  auto* s = static_cast<MJ_IMG_STATE*>(e.record);
  EXPECT_EQ(s->w8[0], 0x01020304);
  ANALYSIS_TOKEN t{};
  t.version = 9;
  const Bytes out = write(io_wr_mj_img_state, &e, &t);
  EXPECT_EQ(out.size(), static_cast<std::size_t>(MJ_IMG_STATE_BYTES));
  EXPECT_EQ(t.version, 2);
  EXPECT_EQ(at32(out, 8), 0x01020304);
  EXPECT_EQ(std::memcmp(&out[1164], "last", 4), 0);
  ks_free(e.record);

  ANALYSIS_ENTRY none{50, nullptr, nullptr, 0};
  EXPECT_TRUE(write(io_wr_mj_img_state, &none, &t).empty());
}

TEST(LegacyState, RecordsShorterThanTheirVersionAreRefused) {
  struct Case { const char* what; Reader rd; std::size_t size; int version; };
  const Case cases[] = {
      {"mj short", io_rd_mj_img_state, MJ_IMG_STATE_BYTES - 1, 2},
      {"kr image v2 in 184 bytes", io_rd_kr_img_state, KR_STATE_V1_BYTES, 2},
      {"kr image v1 cut", io_rd_kr_img_state, KR_STATE_V1_BYTES - 4, 1},
      {"prf v3 in v2 size", io_rd_kr_prf_state, KR_IMG_STATE_BYTES, 3},
      {"prf v5 in v4 size", io_rd_kr_prf_state, 6088, 5},
  };
  for (const Case& c : cases) {
    ANALYSIS_ENTRY e{};
    EXPECT_EQ(read(c.rd, Bytes(c.size, 0), c.version, &e), -5) << c.what;
    EXPECT_EQ(e.record, nullptr) << c.what;
  }
  // A token longer than the bytes there is a short read.
  Bytes b(100, 0);
  ByteReader r(b);
  ANALYSIS_TOKEN t{};
  t.analysis_length = 1420;
  ANALYSIS_ENTRY e{};
  EXPECT_EQ(io_rd_mj_img_state(r, &e, &t, 0), -5);
}
