// The bounded byte reader and writer, and the replace-by-rename file write.
#include "io/byte_io.h"

#include <gtest/gtest.h>

#include "test_support.h"

#include <unistd.h>

TEST(ByteIo, BothByteOrdersRoundTripEveryWidth) {
  for (bool big : {false, true}) {
    ByteWriter w(big);
    w.u16(0x1234);
    w.i32(-2);
    w.f64(-1.5e300);
    w.f32(3.25f);
    w.text("abc", 5);
    ByteReader r(w.buffer(), big);
    uint16_t a;
    int32_t b;
    double c;
    float d;
    char t[8];
    EXPECT_TRUE(r.u16(a) && r.i32(b) && r.f64(c) && r.f32(d) && r.text(t, sizeof t, 5));
    EXPECT_EQ(a, 0x1234);
    EXPECT_EQ(b, -2);
    EXPECT_EQ(c, -1.5e300);
    EXPECT_EQ(d, 3.25f);
    EXPECT_STREQ(t, "abc");
    EXPECT_TRUE(r.at_end());
  }
  // The byte layout itself: little-endian first byte low, big-endian first byte high.
  ByteWriter le(false), be(true);
  le.i32(0x01020304);
  be.i32(0x01020304);
  EXPECT_EQ(le.buffer(), (std::vector<uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(be.buffer(), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(ByteIo, ReadPastTheEndFailsWithZeroAndStaysFailed) {
  const std::vector<uint8_t> bytes{1, 2, 3};
  ByteReader r(bytes);
  int32_t v = 99;
  EXPECT_FALSE(r.i32(v));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(r.ok());
  uint8_t b = 7;
  EXPECT_FALSE(r.u8(b));  // sticky: a later read that would fit fails too
  EXPECT_EQ(b, 0);
  ByteReader r2(bytes);
  EXPECT_FALSE(r2.skip(4));
  EXPECT_FALSE(r2.seek(4));
}

TEST(ByteIo, FullTextFieldIsTerminatedAtItsWidth) {
  const std::vector<uint8_t> bytes{'a', 'b', 'c', 'd', 'e', 'f'};
  ByteReader r(bytes);
  char t[4];
  ASSERT_TRUE(r.text(t, sizeof t, 6));
  EXPECT_STREQ(t, "abc");
  EXPECT_EQ(r.pos(), 6u);
}

TEST(ByteIo, ReplaceWritesNewContentAndKeepsOldOnFailure) {
  vxtest::TempDir dir;
  const std::string p = dir.file("a.bin");
  ASSERT_TRUE(io_write_file_replace(p.c_str(), std::vector<uint8_t>{1, 2}));
  ASSERT_TRUE(io_write_file_replace(p.c_str(), std::vector<uint8_t>{3, 4, 5}));
  EXPECT_EQ(vxtest::read_bytes(p), (std::vector<uint8_t>{3, 4, 5}));
  // A folder that cannot be written: the write fails and the old file stays as it was.
  std::filesystem::permissions(
      dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  bool wrote = io_write_file_replace(p.c_str(), std::vector<uint8_t>{9});
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  if (geteuid() != 0) {
    EXPECT_FALSE(wrote);
  }
  if (!wrote) {
    EXPECT_EQ(vxtest::read_bytes(p), (std::vector<uint8_t>{3, 4, 5}));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}
