// Copying and moving an image's set of files: the destination holds the complete old set or the
// complete new set after any failure, and the result says which.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "base/io_file.h"
#include "base/io_file_set.h"
#include "file_faults.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

void make(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  vxtest::write_text(p, text);
}

// A source image with two companions in a/, and in b/ an older image under the destination
// name, with a companion that the source does not have.
void two_images(const fs::path& d) {
  make(d / "a/s.kes", "new pixels");
  make(d / "a/s.kei", "new info");
  make(d / "a/s.cmt", "new comment");
  make(d / "a/s.gt", "new lanes");
  make(d / "b/d.kes", "old pixels");
  make(d / "b/d.kei", "old info");
  make(d / "b/d.gt", "old lanes");
  make(d / "b/d.pz", "old other analysis");
}

vxtest::FolderState old_or_new(int kind, const vxtest::FolderState& o,
                               const vxtest::FolderState& n) {
  return kind ? n : o;
}

TEST(ImageSet, CopyReplacesTheDestinationSetWhole) {
  vxtest::TempDir dir;
  two_images(dir.path());
  const fs::path b = dir.path() / "b";
  ASSERT_EQ(io_copy_image((dir.path() / "a/s.kes").c_str(), (b / "d.kes").c_str()), 0);
  // The companion the source lacks belongs to the image that was there: it goes.
  const vxtest::FolderState want = {{"d.kes", "new pixels"},
                                    {"d.kei", "new info"},
                                    {"d.cmt", "new comment"},
                                    {"d.gt", "new lanes"}};
  EXPECT_EQ(vxtest::folder_state(b), want);

  // A source without its info file changes nothing at the destination.
  fs::remove(dir.path() / "a/s.kei");
  make(b / "d.kes", "old pixels");
  EXPECT_EQ(io_copy_image((dir.path() / "a/s").c_str(), (b / "d").c_str()), -1);
  EXPECT_EQ(vxtest::read_text(b / "d.kes"), "old pixels");
  EXPECT_EQ(vxtest::read_text(b / "d.kei"), "new info");
}

TEST(ImageSet, CopyUnderEveryFailureLeavesTheOldOrTheNewSet) {
  const int runs = vxtest::sweep_file_faults(
      two_images,
      [](const fs::path& d) {
        return io_copy_image((d / "a/s.kes").c_str(), (d / "b/d.kes").c_str()) == 0 ? 1 : 0;
      },
      old_or_new);
  EXPECT_GT(runs, 20);
}

TEST(ImageSet, MoveUnderEveryFailureLeavesTheOldOrTheNewSet) {
  std::set<int> kinds;
  const int runs = vxtest::sweep_file_faults(
      two_images,
      [&kinds](const fs::path& d) {
        return *kinds.insert(io_move_image((d / "a/s").c_str(), (d / "b/d").c_str())).first;
      },
      [](int kind, const vxtest::FolderState& o, const vxtest::FolderState& n) {
        if (kind != IO_MOVE_SOURCE_KEPT) return kind == IO_MOVE_DONE ? n : o;
        // The image is at the destination, and the source set stands whole beside it.
        vxtest::FolderState s = n;
        s["a/s.kes"] = o.at("a/s.kes");
        s["a/s.kei"] = o.at("a/s.kei");
        return s;
      });
  EXPECT_GT(runs, 20);
  // A source that cannot be deleted is among the failures met, and is reported as such.
  EXPECT_EQ(kinds, (std::set<int>{IO_MOVE_FAILED, IO_MOVE_DONE, IO_MOVE_SOURCE_KEPT}));
}

TEST(ImageSet, MoveTakesPixelAndInfoFilesAndFailsWhole) {
  vxtest::TempDir dir;
  two_images(dir.path());
  const fs::path a = dir.path() / "a", b = dir.path() / "b";
  EXPECT_EQ(io_move_image((a / "s").c_str(), (b / "d").c_str()), IO_MOVE_DONE);
  EXPECT_EQ(vxtest::folder_state(b),
            (vxtest::FolderState{{"d.kes", "new pixels"}, {"d.kei", "new info"}}));
  EXPECT_EQ(vxtest::folder_state(a),
            (vxtest::FolderState{{"s.cmt", "new comment"}, {"s.gt", "new lanes"}}));

  // An image moved onto itself stays.
  EXPECT_EQ(io_move_image((b / "d").c_str(), (b / "d").c_str()), IO_MOVE_DONE);
  EXPECT_EQ(vxtest::read_text(b / "d.kes"), "new pixels");

  // A source without its info file: nothing moves, nothing at the destination changes.
  make(a / "t.kes", "lone pixels");
  EXPECT_EQ(io_move_image((a / "t").c_str(), (b / "d").c_str()), IO_MOVE_FAILED);
  EXPECT_EQ(vxtest::read_text(a / "t.kes"), "lone pixels");
  EXPECT_EQ(vxtest::read_text(b / "d.kes"), "new pixels");
  EXPECT_EQ(vxtest::read_text(b / "d.kei"), "new info");
}

// A copied set whose files are then staged again with other content (the copy of an open image
// with its own analysis) takes the last content of each file, and leaves no temporary behind.
TEST(ImageSet, AFileStagedAgainTakesItsLastContent) {
  vxtest::TempDir dir;
  two_images(dir.path());
  const fs::path b = dir.path() / "b";
  IoFileSet set;
  ASSERT_TRUE(io_stage_copy_image(set, (dir.path() / "a/s.kes").c_str(), (b / "d.kes").c_str()));
  ASSERT_TRUE(set.put((b / "d.gt").string(), "edited lanes", 12));
  ASSERT_TRUE(set.put((b / "d.pz").string(), "kept", 4));  // was staged for removal
  set.remove((b / "d.cmt").string());                      // was staged as a copy
  ASSERT_TRUE(set.commit());
  const vxtest::FolderState want = {{"d.kes", "new pixels"},
                                    {"d.kei", "new info"},
                                    {"d.gt", "edited lanes"},
                                    {"d.pz", "kept"}};
  EXPECT_EQ(vxtest::folder_state(b), want);
}

TEST(ImageSet, SetRefusesAFolderAsTargetAndChangesNothing) {
  vxtest::TempDir dir;
  make(dir.path() / "x.kei", "old info");
  fs::create_directory(dir.path() / "x.gt");
  const vxtest::FolderState before = vxtest::folder_state(dir.path());
  IoFileSet set;
  ASSERT_TRUE(set.put((dir.path() / "x.kei").string(), "new", 3));
  ASSERT_TRUE(set.put((dir.path() / "x.gt").string(), "new", 3));
  set.remove((dir.path() / "x.none").string());
  EXPECT_FALSE(set.commit());
  EXPECT_EQ(vxtest::folder_state(dir.path()), before);
  EXPECT_TRUE(fs::is_directory(dir.path() / "x.gt"));

  // A set given up before its commit leaves no temporary behind.
  {
    IoFileSet dropped;
    ASSERT_TRUE(dropped.put((dir.path() / "x.kei").string(), "new", 3));
  }
  EXPECT_EQ(vxtest::folder_state(dir.path()), before);
}

}  // namespace
