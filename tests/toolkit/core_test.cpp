// Memory blocks and file objects of the toolkit core.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <filesystem>
#include <vector>

#include "test_support.h"
#include "toolkit/core/tk_file.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/core/tk_ptr.h"

namespace {

std::vector<int> g_fails;
int note_fail(int code) {
  g_fails.push_back(code);
  return 0;
}

TEST(PtrBlocks, ClearedResizableAndFailuresReported) {
  g_fails.clear();
  TkPtrErrorProc old = PTR_GetErrorProc();
  PTR_SetErrorProc(note_fail);
  auto* p = static_cast<unsigned char*>(PTR_New(16));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(PTR_GetSize(p), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  std::memset(p, 7, 16);
  p = static_cast<unsigned char*>(PTR_SetSize(p, 64));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[15], 7);
  for (int i = 16; i < 64; ++i) ASSERT_EQ(p[i], 0) << i;  // grown bytes are cleared
  PTR_Dispose(p);
  EXPECT_TRUE(g_fails.empty());

  EXPECT_EQ(PTR_New(0), nullptr);
  EXPECT_EQ(PTR_NewClear(TK_PTR_MAX_SIZE + 1), nullptr);
  PTR_Dispose(nullptr);
  EXPECT_EQ(PTR_SetSize(nullptr, 8), nullptr);
  PTR_DisposeLarge(nullptr);  // ignored
  EXPECT_EQ(g_fails, (std::vector<int>{TK_PTR_BAD_SIZE, TK_PTR_BAD_SIZE, TK_PTR_NULL_BLOCK,
                                       TK_PTR_NULL_BLOCK}));
  PTR_SetErrorProc(old);
}

TEST(FileObjects, LinesOfEitherEndAndCutLongLines) {
  vxtest::TempDir dir;
  vxtest::write_text(dir.file("t.txt"), "one\r\ntwo\nthree that is long\nlast");
  TkFile* f = FILE_New(dir.file("t.txt").c_str());
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(FILE_TryOpen(f, TK_FILE_READ, TK_FILE_TEXT), 1);
  char buf[8];
  std::vector<std::string> lines;
  while (FILE_ReadLine(f, buf, sizeof buf)) lines.push_back(buf);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three t", "last"}));
  EXPECT_EQ(FILE_AtEnd(f), 1);
  FILE_Dispose(f);

  TkFile* w = FILE_New(dir.file("out.txt").c_str());
  ASSERT_EQ(FILE_TryOpen(w, TK_FILE_WRITE, TK_FILE_TEXT), 1);
  EXPECT_EQ(FILE_WriteLine(w, "a,b"), 1);
  EXPECT_EQ(FILE_Write(w, "xy", 2), 2);
  EXPECT_EQ(FILE_Flush(w), 1);
  FILE_Dispose(w);
  EXPECT_EQ(vxtest::read_text(dir.file("out.txt")), "a,b\nxy");

  EXPECT_EQ(FILE_New(""), nullptr);
  TkFile* missing = FILE_New(dir.file("none/x.txt").c_str());
  EXPECT_EQ(FILE_TryOpen(missing, TK_FILE_WRITE, TK_FILE_TEXT), 0);
  EXPECT_EQ(FILE_ReadLine(missing, buf, sizeof buf), 0);
  FILE_Dispose(missing);
}

TEST(FileObjects, PathKindsFoldersAndMoves) {
  vxtest::TempDir dir;
  const std::string sub = dir.file("a/b");
  EXPECT_EQ(FILE_PathKind(sub.c_str()), TK_PATH_NONE);
  EXPECT_EQ(FILE_MakeDir(sub.c_str()), 1);
  EXPECT_EQ(FILE_PathKind(sub.c_str()), TK_PATH_DIR);
  vxtest::write_text(dir.file("f"), "data");
  EXPECT_EQ(FILE_PathKind(dir.file("f").c_str()), TK_PATH_FILE);
  EXPECT_EQ(FILE_MakeDir(dir.file("f").c_str()), 0);  // a file of that name is in the way
  EXPECT_EQ(FILE_CopyFile(dir.file("f").c_str(), dir.file("g").c_str()), 1);
  EXPECT_EQ(FILE_MoveFile(dir.file("g").c_str(), (sub + "/h").c_str()), 1);
  EXPECT_EQ(vxtest::read_text(sub + "/h"), "data");
  EXPECT_EQ(FILE_PathKind(dir.file("g").c_str()), TK_PATH_NONE);
  EXPECT_EQ(FILE_RemoveFile((sub + "/h").c_str()), 1);
  EXPECT_EQ(FILE_RemoveFile((sub + "/h").c_str()), 1);  // already gone
  EXPECT_EQ(FILE_CopyFile(dir.file("none").c_str(), dir.file("x").c_str()), 0);
}

}  // namespace

TEST(TkImageView, ShowsTheCallersBlockAndNeverWritesOrFreesIt) {
  std::vector<uint8_t> block = {1, 2, 3, 4, 5, 6};
  const std::vector<uint8_t> before = block;
  TkImage img;
  EXPECT_FALSE(img.view(nullptr, 3, 1, 2));
  ASSERT_TRUE(img.view(block.data(), 3, 2, 1));
  EXPECT_EQ(img.data(), block.data());
  EXPECT_EQ(img.pixel(2, 1), 6u);
  // A copy holds a block of its own; a move carries the view.
  TkImage copy(img);
  EXPECT_NE(copy.data(), block.data());
  EXPECT_EQ(copy.pixel(2, 1), 6u);
  TkImage moved(std::move(img));
  EXPECT_EQ(moved.data(), block.data());
  // Resizing, even smaller, gives the image a block of its own, which it may write.
  ASSERT_TRUE(moved.resize(2, 1, 1));
  EXPECT_NE(moved.data(), block.data());
  moved.row(0)[0] = 99;
  ASSERT_TRUE(copy.view(block.data(), 6, 1, 1));
  copy.release();
  EXPECT_EQ(block, before);
}

TEST(TkImageBlocks, LargeBlocksAreZeroedAndGoWithTheirImage) {
  // 2 MiB and more: a mapping of the image's own; moves, copies and resizes must each free
  // the block the way it was had (the sanitizer reports any mismatch).
  TkImage big;
  ASSERT_TRUE(big.create(4096, 1100, 2));
  EXPECT_EQ(big.pixel(0, 0), 0u);
  EXPECT_EQ(big.pixel(4095, 1099), 0u);
  big.row(1099)[2 * 4095 + 1] = 0x12;
  TkImage copy(big);
  EXPECT_EQ(copy.pixel(4095, 1099), 0x1200u);
  TkImage moved(std::move(big));
  EXPECT_EQ(moved.pixel(4095, 1099), 0x1200u);
  ASSERT_TRUE(moved.resize(10, 10, 1));  // smaller: the block is kept
  ASSERT_TRUE(moved.create(3, 3, 1));     // small: a block from the heap
  EXPECT_EQ(moved.pixel(2, 2), 0u);
  copy = TkImage();
  EXPECT_TRUE(copy.empty());
}
