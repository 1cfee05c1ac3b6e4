// An image whose name holds a dot of its own ("gel.v2.kes") keeps its analysis and info files
// under its whole name, apart from those of the image "gel".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "test_support.h"
#include "record_fixtures.h"

namespace fs = std::filesystem;

namespace {

TEST(DottedImageName, AnalysisAndInfoFilesKeepTheWholeName) {
  vxtest::TempDir dir;
  // The image "gel" beside it, whose files must stay as they are.
  for (const char* ext : {".kes", ".kei", ".gt", ".cmt"})
    vxtest::write_text(dir.file(std::string("gel") + ext), "gel");
  IMAGE_REC* a = ks_new_rec<IMAGE_REC>();
  ASSERT_TRUE(gt_img_init(a));
  ASSERT_TRUE(iofix::fill(a));
  const std::string path = dir.file("gel.v2.kes");
  ASSERT_TRUE(gt_prepare_and_write(path.c_str(), a->img_ptr, a));
  for (const char* ext : {".gt", ".cmt", ".kei"}) {
    EXPECT_TRUE(fs::exists(dir.file(std::string("gel.v2") + ext))) << ext;
    EXPECT_EQ(vxtest::read_text(dir.file(std::string("gel") + ext)), "gel") << ext;
  }
  IMAGE_REC* b = ks_new_rec<IMAGE_REC>();
  ASSERT_TRUE(gt_img_init(b));
  ASSERT_EQ(gt_read_and_prepare(path.c_str(), b->img_ptr, b), 0);
  EXPECT_STREQ(b->comment, a->comment);
  EXPECT_EQ(b->img_info->width, a->img_info->width);
  gt_img_free(a);
  gt_img_free(b);
  // Reading merged the lanes' categories into the control record.
  CONTROL* ctl = gt_get_control();
  ks_free(ctl->lane_chars);
  ctl->lane_chars = nullptr;
  gt_control_init(ctl);
}

}  // namespace
