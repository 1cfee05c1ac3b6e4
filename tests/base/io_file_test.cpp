#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "base/io_file.h"
#include "base/io_swap.h"
#include "base/ks_mem.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string strip(const char* src) {
  char dst[KS_PATH_LEN];
  EXPECT_EQ(io_strip_extension(dst, src), 0) << src;
  return dst;
}

TEST(IoNames, StripExtensionCutsOnlyInTheLastComponent) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"/a/b/gel.kes", "/a/b/gel"},
      {"/home/u/.x/gel", "/home/u/.x/gel"},  // a dot in a folder name is not an extension
      {"/home/u/v1.2/gel.kes", "/home/u/v1.2/gel"},
      {"gel.tar.kes", "gel.tar"},
      {"gel", "gel"},
      {".kes", ".kes"},
      {"/a/.kes", "/a/.kes"},
      {"/a/.x.kes", "/a/.x"},
      {"gel.", "gel"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(strip(c.in), c.out) << c.in;

  // In place, and a result too long for a path buffer gives an empty name and -1.
  char buf[KS_PATH_LEN] = "/x/y.kes";
  io_strip_extension(buf, buf);
  EXPECT_STREQ(buf, "/x/y");
  std::string longpath(300, 'a');
  EXPECT_EQ(io_strip_extension(buf, longpath.c_str()), -1);
  EXPECT_STREQ(buf, "");
}

TEST(IoNames, CompanionAndAnalysisNames) {
  char dst[KS_PATH_LEN];
  io_filename_kes(dst, "/d/gel");
  EXPECT_STREQ(dst, "/d/gel.kes");
  io_filename_kei(dst, "/d/gel");
  EXPECT_STREQ(dst, "/d/gel.kei");
  io_filename_cmt(dst, "/d/gel");
  EXPECT_STREQ(dst, "/d/gel.cmt");
  io_filename_lock(dst, "/d/gel");
  EXPECT_STREQ(dst, "/d/gel.lck");
  const struct {
    int program;
    const char* out;
  } cases[] = {{404, "b.hf"}, {405, "b"},    {406, "b.nw"}, {407, "b.gt"}, {408, "b.yc"},
               {409, "b.kr"}, {410, "b.pz"}, {411, "b.mj"}, {412, "b"},    {0, "b"}};
  for (const auto& c : cases) {
    EXPECT_EQ(io_filename_analysis(dst, "b", c.program), 0);
    EXPECT_STREQ(dst, c.out) << c.program;
  }
  std::string base(KS_PATH_LEN - 4, 'b');  // fits alone, not with ".kes"
  EXPECT_EQ(io_filename_kes(dst, base.c_str()), -1);
  EXPECT_STREQ(dst, "");
}

TEST(IoNames, PathPartsAndCutLast) {
  char dst[KS_PATH_LEN];
  io_path_filename("/a/b/gel.kes", dst);
  EXPECT_STREQ(dst, "gel.kes");
  io_path_dirname("/a/b/gel.kes", dst);
  EXPECT_STREQ(dst, "/a/b/");
  io_path_filename("gel.kes", dst);
  EXPECT_STREQ(dst, "gel.kes");
  io_path_dirname("gel.kes", dst);
  EXPECT_STREQ(dst, "");

  char cut[1024];
  EXPECT_STREQ(st_cut_last(cut, "a,b,c", ','), "a,b");
  EXPECT_STREQ(st_cut_last(cut, "abc", ','), "abc");
  std::string big(2000, 'x');
  EXPECT_EQ(std::strlen(st_cut_last(cut, big.c_str(), ',')), 1023u);
}

TEST(IoNames, ReplaceEveryOccurrenceWithinCapacity) {
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += "v%d ";
  char buf[512];
  std::snprintf(buf, sizeof buf, "%s tail", twelve.c_str());
  EXPECT_EQ(st_replace(buf, "%d", "5", sizeof buf), buf);
  std::string want;
  for (int i = 0; i < 12; ++i) want += "v5 ";
  EXPECT_EQ(std::string(buf), want + " tail");

  char grow[16] = "a<cr>b<cr>c";
  st_replace(grow, "<cr>", "\n", sizeof grow);
  EXPECT_STREQ(grow, "a\nb\nc");
  char self[16] = "aXa";
  st_replace(self, "a", "aa", sizeof self);  // the replacement holds the pattern
  EXPECT_STREQ(self, "aaXaa");
  char small[8] = "x-x-x";
  st_replace(small, "x", "long", sizeof small);  // cut to the caller's capacity
  EXPECT_STREQ(small, "long-lo");
  char none[8] = "abc";
  st_replace(none, "zz", "y", sizeof none);
  EXPECT_STREQ(none, "abc");
  st_replace(none, "", "y", sizeof none);
  EXPECT_STREQ(none, "abc");
}

// --- File operations on a temporary folder

class IoFiles : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_.file(name); }
  void make(const std::string& name, const std::string& content = "data") {
    vxtest::write_text(path(name), content);
  }
  bool has(const std::string& name) const { return fs::exists(path(name)); }

  vxtest::TempDir dir_;
};

TEST_F(IoFiles, ExistsDeleteAndWrite) {
  make("a.kes");
  fs::create_directory(path("folder.kes"));
  EXPECT_TRUE(io_file_exists(path("a.kes").c_str()));
  EXPECT_FALSE(io_file_exists(path("b.kes").c_str()));
  EXPECT_FALSE(io_file_exists(path("folder.kes").c_str()));
  EXPECT_EQ(io_delete(path("b.kes").c_str()), -1);
  EXPECT_EQ(io_delete(path("a.kes").c_str()), 0);
  EXPECT_FALSE(has("a.kes"));

  std::FILE* f = std::fopen(path("w.bin").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(io_file_write(f, "12345", 5), 5);
  std::fclose(f);
  EXPECT_EQ(vxtest::read_text(path("w.bin")), "12345");
}

TEST_F(IoFiles, CopyImageCopiesTheSet) {
  for (const char* ext : {".kes", ".kei", ".cmt", ".gt", ".kr", ".lck"})
    make(std::string("src") + ext, ext);
  EXPECT_EQ(io_copy_image(path("src.kes").c_str(), path("dst.kes").c_str()), 0);
  for (const char* ext : {".kes", ".kei", ".cmt", ".gt", ".kr"})
    EXPECT_EQ(vxtest::read_text(path(std::string("dst") + ext)), ext);
  EXPECT_FALSE(has("dst.lck"));
  EXPECT_FALSE(has("dst.hf"));

  // Without the info file: -1, and no part of the set is copied.
  make("lone.kes", "pixels");
  EXPECT_EQ(io_copy_image(path("lone").c_str(), path("copy").c_str()), -1);
  EXPECT_FALSE(has("copy.kes"));
  EXPECT_FALSE(has("copy.kei"));
  EXPECT_EQ(io_copy_image(path("none").c_str(), path("copy2").c_str()), -1);
  EXPECT_FALSE(has("copy2.kes"));
}

TEST_F(IoFiles, DeleteSetsKeepThePixelFile) {
  for (const char* ext : {".kes", ".kei", ".gt"}) make(std::string("g") + ext);
  io_delete_files(path("g").c_str());
  EXPECT_TRUE(has("g.kes"));
  EXPECT_FALSE(has("g.kei"));
  EXPECT_FALSE(has("g.gt"));

  for (const char* ext :
       {".kes", ".kei", ".cmt", ".lck", ".hf", ".nw", ".gt", ".yc", ".kr", ".mj", ".pz"})
    make(std::string("h") + ext);
  io_delete_analysis_files(path("h").c_str());
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_.path()))
    if (e.path().stem() == "h") left.push_back(e.path().extension().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".cmt", ".kei", ".kes"}));
}

TEST_F(IoFiles, MoveImageMovesPixelAndInfoFilesOnly) {
  make("s.kes", "P");
  make("s.kei", "I");
  make("s.cmt", "C");
  make("d.kes", "old");
  EXPECT_NE(io_move_image(path("s").c_str(), path("d").c_str()), 0);
  EXPECT_EQ(vxtest::read_text(path("d.kes")), "P");
  EXPECT_EQ(vxtest::read_text(path("d.kei")), "I");
  EXPECT_FALSE(has("s.kes"));
  EXPECT_FALSE(has("s.kei"));
  EXPECT_TRUE(has("s.cmt"));
  EXPECT_FALSE(has("d.cmt"));
  // A missing source fails and leaves an existing destination alone.
  EXPECT_EQ(io_move_image(path("s").c_str(), path("d").c_str()), 0);
  EXPECT_EQ(vxtest::read_text(path("d.kes")), "P");

  // A move whose copy fails keeps the source.
  make("keep.kes", "K");
  EXPECT_EQ(io_fmgr_move_file(path("keep.kes").c_str(), path("no/such/x.kes").c_str()), -1);
  EXPECT_EQ(vxtest::read_text(path("keep.kes")), "K");
}

TEST_F(IoFiles, LockFiles) {
  std::string image = path("gel.kes");
  EXPECT_FALSE(io_is_locked(image.c_str()));
  EXPECT_EQ(io_lock_files(image.c_str()), 0);
  EXPECT_TRUE(has("gel.lck"));
  EXPECT_TRUE(io_is_locked(image.c_str()));
  EXPECT_EQ(io_unlock_files(image.c_str()), 0);
  EXPECT_FALSE(io_is_locked(image.c_str()));
  EXPECT_EQ(io_lock_files(path("no/such/gel.kes").c_str()), -1);
}

TEST_F(IoFiles, TemporaryNamesAreCreatedAndNeverHandedOutTwice) {
  io_set_temp_folder((dir_.str() + "/").c_str());
  char a[KS_PATH_LEN], b[KS_PATH_LEN];
  std::srand(7);
  ASSERT_GT(io_temp_filename(a), 0);
  std::srand(7);  // the generator repeats its number: the taken name is passed over
  ASSERT_GT(io_temp_filename(b), 0);
  EXPECT_STRNE(a, b);
  static const std::regex shape(".*/kes[0-9]{5}\\.tmp");
  EXPECT_TRUE(std::regex_match(std::string(a), shape)) << a;
  EXPECT_EQ(std::string(a).rfind(dir_.str() + "/", 0), 0u);
  EXPECT_TRUE(fs::exists(a));
  EXPECT_TRUE(fs::exists(b));

  io_set_temp_folder((dir_.str() + "/missing/").c_str());
  EXPECT_EQ(io_temp_filename(a), -1);
  EXPECT_STREQ(a, "");
}

TEST_F(IoFiles, FolderListMatchesPatternsInNameOrder) {
  for (const char* n : {"b.kes", "a.KES", "c.kei", "x.kes.bak"}) make(n);
  fs::create_directory(path("dir.kes"));
  char** list = nullptr;
  ASSERT_EQ(io_folder_filelist(&list, dir_.str().c_str(), "*.kes"), 2);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::string(list[0]), path("a.KES"));
  EXPECT_EQ(std::string(list[1]), path("b.kes"));
  ks_freelist_msg(reinterpret_cast<void**>(list), 2);

  EXPECT_EQ(io_folder_filelist(&list, (dir_.str() + "/").c_str(), "*.kei"), 1);
  ks_freelist_msg(reinterpret_cast<void**>(list), 1);
  make("noext");
  EXPECT_EQ(io_folder_filelist(&list, dir_.str().c_str(), "*.*"), 5);
  ks_freelist_msg(reinterpret_cast<void**>(list), 5);
  list = reinterpret_cast<char**>(&list);
  EXPECT_EQ(io_folder_filelist(&list, dir_.str().c_str(), "*.gt"), 0);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(io_folder_filelist(&list, path("missing").c_str(), "*"), 0);
}

// --- Byte order

TEST(IoSwap, BytesAndBits) {
  unsigned char s[2] = {1, 2}, l[4] = {1, 2, 3, 4}, d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  io_swap_short(s);
  io_swap_long(l);
  io_swap_double(d);
  EXPECT_EQ(std::vector<int>(s, s + 2), (std::vector<int>{2, 1}));
  EXPECT_EQ(std::vector<int>(l, l + 4), (std::vector<int>{4, 3, 2, 1}));
  EXPECT_EQ(std::vector<int>(d, d + 8), (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1}));
  const struct {
    unsigned char in, out;
  } bits[] = {{0x01, 0x80}, {0xA0, 0x05}, {0x0F, 0xF0}, {0x00, 0x00}, {0xFF, 0xFF}, {0x12, 0x48}};
  for (const auto& c : bits) {
    unsigned char b = c.in;
    io_reverse_bits(&b);
    EXPECT_EQ(b, c.out) << int(c.in);
  }
  unsigned char lane[4] = {0x01, 0x02, 0xC0, 0x00};
  io_swap_lane_flags(lane);
  EXPECT_EQ(std::vector<int>(lane, lane + 4), (std::vector<int>{0x80, 0x40, 0x03, 0x00}));
}

// Flag words are given as values; the result is checked byte by byte (little-endian memory).
std::vector<int> spot2(std::uint32_t w) {
  unsigned char b[4];
  std::memcpy(b, &w, 4);
  io_swap_spot_flags2(b);
  return {b[0], b[1], b[2], b[3]};
}

std::vector<int> spot(std::uint32_t w, std::uint32_t rest) {
  unsigned char b[8];
  std::memcpy(b, &w, 4);
  std::memcpy(b + 4, &rest, 4);
  io_swap_spot_flags(b);
  return {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]};
}

TEST(IoSwap, SpotFlagFieldsKeepTheirValues) {
  // Bits 0 and 1 exchanged (01 -> 10), then each byte's bits reversed: bit 1 ends at bit 6.
  EXPECT_EQ(spot2(0x00000001), (std::vector<int>{0x40, 0, 0, 0}));
  EXPECT_EQ(spot2(0x00000004), (std::vector<int>{0x20, 0, 0, 0}));  // bit 2 stays, then 5
  EXPECT_EQ(spot2(0x00000010), (std::vector<int>{0x01, 0, 0, 0}));  // 4-bit field reversed
  EXPECT_EQ(spot2(0x00000300), (std::vector<int>{0, 0x30, 0, 0}));  // bits 8,9 -> 11,10 -> 12,13
  EXPECT_EQ(spot2(0x80000000), (std::vector<int>{0, 0, 0, 0x08}));
  // Bits 0..3 reversed, pairs (4,5), (6,7), (9,10) exchanged, bit 8 stays; then bytes.
  EXPECT_EQ(spot(0x00000001, 0), (std::vector<int>{0x10, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(spot(0x00000010, 0), (std::vector<int>{0x04, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(spot(0x00000100, 0), (std::vector<int>{0, 0x80, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(spot(0x00000200, 0), (std::vector<int>{0, 0x20, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(spot(0x00000800, 0x01010101),
            (std::vector<int>{0, 0x10, 0, 0, 0x80, 0x80, 0x80, 0x80}));
}

}  // namespace
