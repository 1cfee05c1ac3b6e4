// The info file: its byte layout against hand-built fixtures, round trips in both byte orders,
// the selective read, truncated and corrupt files, and the replace-on-write.
#include "io/info_file.h"

#include <gtest/gtest.h>

#include "base/ks_mem.h"
#include "fixture.h"
#include "test_support.h"

namespace {

IMG_INFO sample_info() {
  IMG_INFO h{};
  int v = 1;
  for (int* f : {&h.height, &h.width, &h.bytes_per_pixel, &h.x_res, &h.x_scale, &h.y_res,
                 &h.y_scale, &h.min_value, &h.max_value, &h.flags, &h.filter_type})
    *f = v++ * 11;
  h.device = 30;
  h.DEV_Light = 5;
  h.DEV_BoolOne = 1;
  h.DEV_BoolTwo = 0;
  h.DEV_Color = 6;
  h.DEV_Rotate = 2;
  h.DEV_DPI = 3;
  h.original_height = 480;
  h.original_width = 640;
  return h;
}

// The 60-byte header record of sample_info(), built by hand.
std::vector<uint8_t> sample_head_bytes(bool big) {
  iofix::Bytes b(60, big);
  const IMG_INFO h = sample_info();
  const int fields[12] = {h.height,    h.width, h.bytes_per_pixel, h.x_res,
                          h.x_scale,   h.y_res, h.y_scale,         h.min_value,
                          h.max_value, h.flags, h.device,          h.filter_type};
  for (int i = 0; i < 12; ++i) b.i32(4 * i, fields[i]);
  // Light 5 + 100 (device 30) at bit 1, BoolOne bit 23, Color 6 at 25, Rotate 2 at 28, DPI 3 at 30.
  const uint32_t dev = (105u << 1) | (1u << 23) | (6u << 25) | (2u << 28) | (3u << 30);
  b.i32(48, dev);
  b.i32(52, 480);
  b.i32(56, 640);
  return b.b;
}

// A fresh lookup record (version 1, two steps, two empty paths) as 564 bytes.
std::vector<uint8_t> fresh_look_bytes(bool big, double w0, double w1, int d0, int d1) {
  iofix::Bytes b(564, big);
  b.i32(0, 1);        // interp_type
  b.i32(4, 255);      // dig_val_range
  b.i32(8, 1);        // version 1, no flags
  b.i32(12, 105000);  // wedge_length
  b.i32(24, 2);       // wedge_count
  b.f64(28, w0);
  b.f64(36, w1);
  b.i32(44, d0);
  b.i32(48, d1);
  return b.b;
}

struct List {
  ANALYSIS_ENTRY** l = nullptr;
  int n = 0;
  ~List() { io_free_analysis_list(l, n); }
};

IMG_INT_INFO* fresh_lookup() {
  IMG_INT_INFO* k = ks_new_rec<IMG_INT_INFO>();
  lookup_init(k);
  k->interp_type = 1;
  k->dig_val_range = 255;
  k->wedge_values[0] = 0.25;
  k->wedge_values[1] = 1.75;
  k->dig_values[0] = 10;
  k->dig_values[1] = 200;
  return k;
}

// A list of a header and a lookup entry (records owned by the list).
void make_list(List& out) {
  out.n = 2;
  out.l = io_alloc_analysis_list(2);
  out.l[0] = io_alloc_analysis_entry();
  out.l[0]->type = 1;
  IMG_INFO* h = ks_new_rec<IMG_INFO>();
  *h = sample_info();
  out.l[0]->record = h;
  out.l[1] = io_alloc_analysis_entry();
  out.l[1]->type = 2;
  out.l[1]->record = fresh_lookup();
}

}  // namespace

TEST(InfoFile, WrittenBytesMatchTheLayout) {
  vxtest::TempDir dir;
  List in;
  make_list(in);
  ASSERT_EQ(io_write_inf(dir.file("gel.kes").c_str(), in.l, in.n), 0);
  const std::vector<uint8_t> got = vxtest::read_bytes(dir.file("gel.kei"));
  const std::vector<uint8_t> want =
      iofix::container({{1, sample_head_bytes(false), 0, 1},
                        {2, fresh_look_bytes(false, 0.25, 1.75, 10, 200), 1, 2}});
  ASSERT_EQ(got.size(), 28u + 40 + 60 + 564);
  EXPECT_EQ(got, want);
  iofix::Bytes b;
  b.b = got;
  EXPECT_EQ(b.get32(28 + 4), 68);  // the first record right after the tokens
}

TEST(InfoFile, ReadsEveryFieldInBothByteOrders) {
  vxtest::TempDir dir;
  for (bool big : {false, true}) {
    vxtest::write_bytes(dir.file("gel.kei"),
                        iofix::container({{1, sample_head_bytes(big), 0, 1},
                                          {2, fresh_look_bytes(big, 0.5, 2.0, 3, 250), 1, 2}},
                                         big));
    List out;
    ASSERT_EQ(out.n = io_read_inf(dir.file("gel.kes").c_str(), &out.l, 0), 2) << big;
    const IMG_INFO* h = static_cast<const IMG_INFO*>(out.l[0]->record);
    const IMG_INFO want = sample_info();
    EXPECT_EQ(std::memcmp(h, &want, sizeof want), 0) << big;
    const IMG_INT_INFO* k = static_cast<const IMG_INT_INFO*>(out.l[1]->record);
    EXPECT_EQ(k->version, 1);
    EXPECT_EQ(k->wedge_count, 2);
    EXPECT_EQ(k->wedge_length, 105000);
    EXPECT_EQ(k->dig_val_range, 255);
    EXPECT_EQ(k->wedge_values[1], 2.0);
    EXPECT_EQ(k->dig_values[1], 250);
    EXPECT_STREQ(k->calib_image_path, "");
  }
}

TEST(InfoFile, LookupRecordVariantsRoundTrip) {
  // A calibrated three-step record with paths: 28 + 36 + 48 + 512 bytes.
  IMG_INT_INFO* k = ks_new_rec<IMG_INT_INFO>();
  k->version = 1;
  k->bHaveCalib = 1;
  k->bHaveEqual = 1;
  k->bIsNotStouffer = 1;
  k->wedge_count = 3;
  k->reserved3 = -9;
  k->wedge_values = static_cast<double*>(ks_alloc_msg(3 * sizeof(double)));
  k->dig_values = static_cast<int*>(ks_alloc_msg(3 * sizeof(int)));
  for (int** a : {&k->ori_x, &k->ori_y, &k->ext_x, &k->ext_y})
    *a = static_cast<int*>(ks_alloc_msg(3 * sizeof(int)));
  for (int i = 0; i < 3; ++i) {
    k->wedge_values[i] = 0.3 * i;
    k->dig_values[i] = 40 * i;
    k->ori_x[i] = i;
    k->ori_y[i] = 10 + i;
    k->ext_x[i] = 20 + i;
    k->ext_y[i] = 30 + i;
  }
  std::strcpy(k->calib_image_path, "/gels/wedge.kes");
  std::strcpy(k->equal_image_path, "/gels/flat.kes");
  ANALYSIS_ENTRY e{2, k, nullptr, 0};
  for (bool big : {false, true}) {
    ByteWriter w(big);
    ANALYSIS_TOKEN t{2, 0, 0, 0, 0};
    ASSERT_EQ(io_wr_img_look(w, &e, &t), 0);
    EXPECT_EQ(w.size(), 624u);
    EXPECT_EQ(t.version, 1);
    EXPECT_EQ(t.count, 3);
    t.analysis_length = static_cast<int32_t>(w.size());
    ByteReader r(w.buffer(), big);
    ANALYSIS_ENTRY back{2, nullptr, nullptr, 0};
    ASSERT_EQ(io_rd_img_look(r, &back, &t, big), 0);
    const IMG_INT_INFO* b = static_cast<const IMG_INT_INFO*>(back.record);
    EXPECT_EQ(b->bHaveCalib + b->bHaveEqual + b->bIsNotStouffer, 3);
    EXPECT_EQ(b->reserved3, -9);
    EXPECT_EQ(b->wedge_values[2], 0.6);
    EXPECT_EQ(b->dig_values[2], 80);
    EXPECT_EQ(b->ext_y[2], 32);
    EXPECT_EQ(b->ori_x[1], 1);
    EXPECT_STREQ(b->calib_image_path, "/gels/wedge.kes");
    EXPECT_STREQ(b->equal_image_path, "/gels/flat.kes");
    lookup_free(static_cast<IMG_INT_INFO*>(back.record));
  }
  lookup_free(k);
}

TEST(InfoFile, OlderAndOddRecordsReadWithTheirDefaults) {
  vxtest::TempDir dir;
  // An older 36-byte header; a lookup record with no steps; a two-step lookup record of record
  // version 0 (older writer) whose interpolation type reads as 1.
  iofix::Bytes old_head(36);
  old_head.i32(0, 480);
  old_head.i32(4, 640);
  old_head.i32(32, 4095);
  iofix::Bytes no_steps(28 + 512);
  no_steps.i32(8, 1);
  no_steps.i32(12, 777);
  no_steps.i32(16, 3);
  no_steps.str(28, "/somewhere.kes");
  iofix::Bytes no_paths(28 + 24);
  no_paths.i32(0, 1);
  no_paths.i32(24, 2);
  no_paths.f64(36, 1.5);
  no_paths.i32(48, 99);
  std::vector<uint8_t> quirk = fresh_look_bytes(false, 0.1, 0.9, 5, 50);
  quirk[0] = 0;  // interp_type 0 in the file
  vxtest::write_bytes(
      dir.file("o.kei"),
      iofix::container(
          {{1, old_head.b, 0, 1}, {2, no_steps.b, 1, 0}, {2, quirk, 0, 2}, {2, no_paths.b, 1, 2}}));
  List out;
  ASSERT_EQ(out.n = io_read_inf(dir.file("o.kes").c_str(), &out.l, 0), 4);
  const IMG_INT_INFO* v0 = static_cast<const IMG_INT_INFO*>(out.l[3]->record);
  EXPECT_EQ(v0->version, 0);
  EXPECT_EQ(v0->wedge_values[1], 1.5);
  EXPECT_EQ(v0->dig_values[1], 99);
  EXPECT_STREQ(v0->calib_image_path, "");
  const IMG_INFO* h = static_cast<const IMG_INFO*>(out.l[0]->record);
  EXPECT_EQ(h->max_value, 4095);
  EXPECT_EQ(h->flags + h->device + h->DEV_Light + h->DEV_DPI, 0);
  EXPECT_EQ(h->original_height, 480);
  EXPECT_EQ(h->original_width, 640);
  const IMG_INT_INFO* z = static_cast<const IMG_INT_INFO*>(out.l[1]->record);
  EXPECT_EQ(z->wedge_length, 0);
  EXPECT_EQ(z->wedge_material, 0);
  EXPECT_STREQ(z->calib_image_path, "");
  EXPECT_EQ(static_cast<const IMG_INT_INFO*>(out.l[2]->record)->interp_type, 1);
}

TEST(InfoFile, SelectiveReadTakesTheRecordOfItsOwnType) {
  vxtest::TempDir dir;
  vxtest::write_bytes(dir.file("s.kei"),
                      iofix::container({{1, sample_head_bytes(false), 0, 1},
                                        {2, fresh_look_bytes(false, 0.5, 2.0, 3, 250), 1, 2}}));
  ANALYSIS_ENTRY* want = io_alloc_analysis_entry();
  want->type = 2;
  ANALYSIS_ENTRY** list = &want;
  ASSERT_EQ(io_read_inf(dir.file("s.kes").c_str(), &list, 1), 1);
  const IMG_INT_INFO* k = static_cast<const IMG_INT_INFO*>(want->record);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->wedge_count, 2);
  EXPECT_EQ(k->wedge_values[1], 2.0);
  io_free_analysis_entry(want);
}

TEST(InfoFile, EdgeListsWriteWhatIsThere) {
  vxtest::TempDir dir;
  // Only non-binary entries: the header alone with no records.
  ANALYSIS_ENTRY text{505, nullptr, nullptr, 0};
  ANALYSIS_ENTRY* l1[] = {&text};
  ASSERT_EQ(io_write_inf(dir.file("a.kes").c_str(), l1, 1), 0);
  EXPECT_EQ(vxtest::read_bytes(dir.file("a.kei")), iofix::container({}));
  // A header entry without its record: a token of length 0.
  ANALYSIS_ENTRY head{1, nullptr, nullptr, 0};
  ANALYSIS_ENTRY* l2[] = {&head};
  ASSERT_EQ(io_write_inf(dir.file("b.kes").c_str(), l2, 1), 0);
  EXPECT_EQ(vxtest::read_bytes(dir.file("b.kei")), iofix::container({{1, {}, 0, 1}}));
  // Nothing to write; a binary type the info file does not hold.
  EXPECT_EQ(io_write_inf(dir.file("c.kes").c_str(), l1, 0), -3);
  ANALYSIS_ENTRY band{16, nullptr, nullptr, 0};
  ANALYSIS_ENTRY* l3[] = {&band};
  EXPECT_EQ(io_write_inf(dir.file("c.kes").c_str(), l3, 1), -6);
  EXPECT_FALSE(std::filesystem::exists(dir.file("c.kei")));
}

TEST(InfoFile, TruncatedAndCorruptFilesFail) {
  vxtest::TempDir dir;
  const std::vector<uint8_t> good = iofix::container(
      {{1, sample_head_bytes(false), 0, 1}, {2, fresh_look_bytes(false, 0.5, 2.0, 3, 250), 1, 2}});
  // Every cut gives -1, except the one cut that only loses the last 24 bytes of the lookup
  // record's paths, which an older writer could leave.
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    vxtest::write_bytes(dir.file("t.kei"), std::vector<uint8_t>(good.begin(), good.begin() + cut));
    List out;
    out.n = io_read_inf(dir.file("t.kes").c_str(), &out.l, 0);
    if (cut == good.size() - 24) {
      EXPECT_EQ(out.n, 2);
    } else {
      ASSERT_EQ(out.n, -1) << "cut at " << cut;
      out.n = 0;
    }
  }
  struct Case {
    const char* what;
    std::size_t off;
    int64_t value;
  };
  const Case cases[] = {
      {"absurd token count", 8, 0x7FFFFFFF},
      {"negative token count", 8, -1},
      {"no records", 8, 0},
      {"absurd wedge count", 68 + 60 + 24, 0x10000000},
      {"negative wedge count", 68 + 60 + 24, -2},
      {"record longer than the file", 28 + 20 + 8, 100000},
      {"negative record length", 28 + 8, -60},
      {"unknown record type", 28, 7},
  };
  for (const Case& c : cases) {
    iofix::Bytes b;
    b.b = good;
    b.i32(c.off, c.value);
    vxtest::write_bytes(dir.file("c.kei"), b.b);
    List out;
    ASSERT_EQ(out.n = io_read_inf(dir.file("c.kes").c_str(), &out.l, 0), -1) << c.what;
    out.n = 0;
  }
  List none;
  EXPECT_EQ(io_read_inf(dir.file("missing.kes").c_str(), &none.l, 0), -1);
}

TEST(InfoFile, FailedWriteKeepsThePreviousFile) {
  vxtest::TempDir dir;
  List in;
  make_list(in);
  ASSERT_EQ(io_write_inf(dir.file("k.kes").c_str(), in.l, in.n), 0);
  const std::vector<uint8_t> before = vxtest::read_bytes(dir.file("k.kei"));
  // A list that fails half way (a type the info file has no writer for) leaves the file as it was.
  ANALYSIS_ENTRY band{16, nullptr, nullptr, 0};
  ANALYSIS_ENTRY* l[] = {in.l[0], &band};
  EXPECT_EQ(io_write_inf(dir.file("k.kes").c_str(), l, 2), -6);
  EXPECT_EQ(vxtest::read_bytes(dir.file("k.kei")), before);
}

TEST(InfoFile, ProcessedFlags) {
  const std::pair<int, int> cases[] = {{0, 0},      {1, 1},       {0x100, 1},   {0x200, 0},
                                       {0x8000, 1}, {0x10000, 1}, {0x80000, 1}, {0x100000, 0}};
  for (const auto& [flags, want] : cases) EXPECT_EQ(io_img_processed(flags), want) << flags;
}
