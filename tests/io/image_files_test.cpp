// Writing an image's analysis pair and info file: after any failure the folder holds the
// complete old set or the complete new set, and the result says which.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "file_faults.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/commentary.h"
#include "io/image_rec_init.h"
#include "io/imgproc.h"
#include "io/info_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// An image whose analysis is a comment and the marker points, with an image header.
struct Image {
  IMAGE_REC* im = ks_new_rec<IMAGE_REC>();
  Image(const char* comment, int first_marker_x, int width) {
    EXPECT_TRUE(gt_img_init(im));
    im->comment = static_cast<char*>(ks_alloc_msg(std::strlen(comment) + 1));
    std::strcpy(im->comment, comment);
    for (int i = 0; i < 3; ++i) {
      im->mark_pts[i][0] = first_marker_x + i;
      im->mark_pts[i][1] = 10 * i;
    }
    im->img_info->width = width;
    im->img_info->height = 50;
    im->img_info->bytes_per_pixel = 1;
  }
  ~Image() {
    gt_img_free(im);
  }
  bool save(const fs::path& path) { return gt_prepare_and_write(path.c_str(), im->img_ptr, im); }
};

vxtest::FolderState old_or_new(int kind, const vxtest::FolderState& o,
                               const vxtest::FolderState& n) {
  return kind ? n : o;
}

TEST(ImageFiles, SavingUnderEveryFailureLeavesTheOldOrTheNewSet) {
  const int runs = vxtest::sweep_file_faults(
      [](const fs::path& d) {
        vxtest::write_text(d / "gel.kes", "pixels");
        ASSERT_TRUE(Image("the old comment", 7, 100).save(d / "gel.kes"));
      },
      [](const fs::path& d) {
        const long alerts = ks_alert_count();
        const bool ok = Image("a new comment, longer", 40, 120).save(d / "gel.kes");
        EXPECT_EQ(ks_alert_count() > alerts, !ok);  // a failure is shown, a success is not
        return ok ? 1 : 0;
      },
      old_or_new);
  EXPECT_GT(runs, 30);
}

TEST(ImageFiles, AnalysisPairUnderEveryFailureLeavesTheOldOrTheNewPair) {
  const int runs = vxtest::sweep_file_faults(
      [](const fs::path& d) {
        int32_t pts[6] = {1, 2, 3, 4, 5, 6};
        char text[] = "old";
        ANALYSIS_ENTRY marks{21, pts, nullptr, 0}, comment{IO_TEXT_COMMENT, text, nullptr, 0};
        ANALYSIS_ENTRY* list[] = {&marks, &comment};
        ASSERT_EQ(io_write_app((d / "gel.kes").c_str(), list, 2, IO_PROG_GT), IO_OK);
      },
      [](const fs::path& d) {
        int32_t pts[6] = {9, 8, 7, 6, 5, 4};
        char text[] = "the new comment";
        ANALYSIS_ENTRY marks{21, pts, nullptr, 0}, comment{IO_TEXT_COMMENT, text, nullptr, 0};
        ANALYSIS_ENTRY* list[] = {&marks, &comment};
        return io_write_app((d / "gel.kes").c_str(), list, 2, IO_PROG_GT) == IO_OK ? 1 : 0;
      },
      old_or_new);
  EXPECT_GT(runs, 20);
}

TEST(ImageFiles, TurningAnImageUnderEveryFailureLeavesTheOldOrTheNewPair) {
  const int runs = vxtest::sweep_file_faults(
      [](const fs::path& d) {
        // A 3 x 2 image of one byte per pixel, with its info file.
        vxtest::write_bytes(d / "gel.kes", {'I', 'I', 1, 0, 3, 0, 0, 0, 2, 0, 0, 0,  //
                                            10, 20, 30, 40, 50, 60});
        IMG_INFO info{};
        info.width = 3;
        info.height = 2;
        info.bytes_per_pixel = 1;
        ANALYSIS_ENTRY e{1, &info, nullptr, 0};
        ANALYSIS_ENTRY* list[] = {&e};
        ASSERT_EQ(io_write_inf((d / "gel.kes").c_str(), list, 1), IO_OK);
      },
      [](const fs::path& d) {
        return io_imgproc_rotate_90((d / "gel.kes").c_str()) == IMGPROC_OK ? 1 : 0;
      },
      old_or_new);
  EXPECT_GT(runs, 10);
}

TEST(ImageFiles, TextPartThatCannotBeReplacedLeavesTheInfoFileAlone) {
  vxtest::TempDir dir;
  const fs::path gel = dir.path() / "gel.kes";
  ASSERT_TRUE(Image("old", 7, 100).save(gel));
  fs::remove(dir.path() / "gel.cmt");
  fs::create_directory(dir.path() / "gel.cmt");  // nothing can be renamed over a folder
  const vxtest::FolderState before = vxtest::folder_state(dir.path());
  EXPECT_FALSE(Image("new", 40, 120).save(gel));
  EXPECT_EQ(vxtest::folder_state(dir.path()), before);
}

}  // namespace
