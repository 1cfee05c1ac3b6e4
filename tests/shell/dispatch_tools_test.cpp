// The dispatcher's printing, image tool, import and equalise commands on an open image.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/ks_msg.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_import.h"
#include "shell/gt_open.h"
#include "shell/ui_tools.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_test.h"

namespace {

namespace fs = std::filesystem;

std::string write_gel(const std::string& path, int w, int h, int value) {
  ByteWriter out;
  io_put_kes_header(out, 1, w, h);
  for (int i = 0; i < w * h; ++i) out.u8(static_cast<uint8_t>(value + i % 7));
  EXPECT_TRUE(io_write_file_replace(path.c_str(), out.buffer()));
  IMG_INFO info{};
  info.width = w;
  info.height = h;
  info.bytes_per_pixel = 1;
  info.max_value = 255;
  ANALYSIS_ENTRY e{1, &info, nullptr, 0};
  ANALYSIS_ENTRY* list[] = {&e};
  EXPECT_EQ(io_write_inf(path.c_str(), list, 1), 0);
  return path;
}

class DispatchTools : public shelltest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    gt_control_init(gt_get_control());
    dir = ws_->dir().str();
    gel = write_gel(dir + "/gel.kes", 60, 40, 100);
    gt_load_image_path(gel.c_str());
    ASSERT_EQ(gt_get_num_img_windows(), 1);
  }
  void TearDown() override {
    ui_tools_dismiss();
    while (gt_get_num_img_windows() > 0) WIN_Terminate(gt_get_img_window(0));
    MainWindowTest::TearDown();
  }
  void run(int command) { main_winNfySelMenuBar(win_, command); }
  std::string dir, gel;
};

TEST_F(DispatchTools, PrintsAndTools) {
  const std::string ps = dir + "/window.ps";
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  run(GT_CMD_PRINT_WINDOW);
  EXPECT_TRUE(fs::exists(ps));
  TKT_AnswerPrint(0);
  run(GT_CMD_PRINT_IMAGE);
  EXPECT_EQ(TKT_Unanswered(), 0);

  const char* titles[] = {"Slice", "Surface Plot", "Histogram", "Crop"};
  int i = 0;
  for (int c : {GT_CMD_SLICE, GT_CMD_SURFACE_PLOT, GT_CMD_HISTOGRAM, GT_CMD_CROP}) {
    run(c);
    ASSERT_NE(ui_tools_window(), nullptr) << c;
    EXPECT_STREQ(WIN_GetTitle(ui_tools_window()), titles[i++]);
    // A tool that is on takes the idle state: another tool command is refused meanwhile.
    EXPECT_FALSE(gt_is_idle());
    run(GT_CMD_HISTOGRAM);
    EXPECT_STREQ(WIN_GetTitle(ui_tools_window()), titles[i - 1]);
    if (c != GT_CMD_CROP) ui_tools_dismiss();
  }
  gt_dismiss_all();
  EXPECT_EQ(ui_tools_window(), nullptr);
  EXPECT_TRUE(gt_is_idle());
}

TEST_F(DispatchTools, EqualizeKeepsAnalysisOnFailure) {
  // Another program's analysis file of the image (one the open does not read).
  const std::string gt_file = dir + "/gel.hf";
  // An equalising image of another size: refused, the analysis file stays, the image reopens.
  const std::string other = write_gel(dir + "/other.kes", 30, 40, 200);
  vxtest::write_bytes(gt_file, {1, 2, 3});
  TKT_AnswerAlert(2);           // go on
  TKT_AnswerChooser({other});
  TKT_AnswerAlert(1);           // gt_msg 57
  run(GT_CMD_EQUALIZE);
  EXPECT_EQ(TKT_LastAlertText(), ks_gt_message(57));
  EXPECT_TRUE(fs::exists(gt_file));
  ASSERT_EQ(gt_get_num_img_windows(), 1);

  // Itself: refused.
  fs::remove(gt_file);
  TKT_AnswerAlert(2);
  TKT_AnswerChooser({gel});
  TKT_AnswerAlert(1);
  run(GT_CMD_EQUALIZE);
  EXPECT_EQ(TKT_LastAlertText(), ks_gt_message(144));

  // A flat field of the same size: the pixels change, flag 16, the image opens again.
  const std::string flat = write_gel(dir + "/flat.kes", 60, 40, 50);
  const auto before = vxtest::read_bytes(gel);
  TKT_AnswerAlert(2);
  TKT_AnswerChooser({flat});
  vxtest::write_bytes(gt_file, {1, 2, 3});
  run(GT_CMD_EQUALIZE);
  EXPECT_NE(vxtest::read_bytes(gel), before);
  EXPECT_FALSE(fs::exists(gt_file));  // the analysis no longer fits the pixels
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

BOOL check_grey(const char*, int* comps, int* w, int* xr, int* h, int* yr) {
  *comps = 1, *w = 8, *h = 6, *xr = *yr = 100;
  return TRUE;
}
std::string s_fixture;
int convert_copy(const char*, const char* dest, int, int, int, int, int, int, int) {
  const std::string b = io_base_name(dest);
  fs::copy_file(s_fixture, b + ".kes", fs::copy_options::overwrite_existing);
  fs::copy_file(io_base_name(s_fixture.c_str()) + ".kei", b + ".kei", fs::copy_options::overwrite_existing);
  return 0;
}

TEST_F(DispatchTools, ImportOpensTheNewImage) {
  s_fixture = write_gel(dir + "/made.kes", 8, 6, 10);
  GtImportConverters c = gt_import_converters();
  c.jpeg_check = check_grey;
  c.jpeg_convert = convert_copy;
  gt_import_set_converters(c);
  vxtest::write_bytes(dir + "/photo.jpg", {1});
  TKT_AnswerChooser({dir + "/photo.jpg"});
  TKT_AnswerChooser({dir + "/imported.kes"});
  run(GT_CMD_IMPORT_JPEG);
  gt_import_reset_converters();
  EXPECT_EQ(gt_get_num_img_windows(), 2);
  EXPECT_TRUE(fs::exists(dir + "/imported.kes"));
}

}  // namespace
