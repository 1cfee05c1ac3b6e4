// Imports with test-double converters: every stop keeps the destination, a failing converter
// keeps the old destination, success replaces it and sets the load path. Crops against
// ImageMagick's crop of the same pixels.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "acquire/io_import.h"
#include "base/io_file.h"
#include "base/ks_profile.h"
#include "base/ks_msg.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "shell/gt_image_win.h"
#include "shell/gt_import.h"
#include "shell/gt_open.h"
#include "file_faults.h"
#include "gel_fixture.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_test.h"

namespace {

namespace fs = std::filesystem;

// A gel of w x h pixels of bpp bytes (value (x * 7 + y * 13) * 3 mod the depth) with its info file.
std::string write_gel(const std::string& path, int w, int h, int bpp, unsigned seed = 0) {
  return shelltest::write_kes_image(path, w, h, bpp, [=](int x, int y) {
    return (x * 7u + y * 13u + seed) * (bpp == 2 ? 397u : 3u);
  });
}

std::string s_made_by;  // the fixture image the converter double copies
int s_convert_calls = 0;
BOOL good_check(const char*, int* comps, int* w, int* xr, int* h, int* yr) {
  *comps = 1, *w = 8, *h = 6, *xr = *yr = 100;
  return 1;
}
BOOL colour_check(const char*, int* comps, int* w, int* xr, int* h, int* yr) {
  *comps = 3, *w = 8, *h = 6, *xr = *yr = 100;
  return 1;
}
BOOL bad_check(const char*, int*, int*, int*, int*, int*) { return 0; }
BOOL tiff_ok(const char*, int* colour, int* channel, int) { return *colour = 0, *channel = 4, 1; }
BOOL tiff_cancel(const char*, int* colour, int* channel, int) { return *colour = 1, *channel = 0, 0; }
// Writes the fixture's files at dest, as a converter does.
int copy_convert(const char* dest) {
  ++s_convert_calls;
  const std::string b = io_base_name(dest);
  fs::copy_file(s_made_by, b + ".kes", fs::copy_options::overwrite_existing);
  fs::copy_file(io_base_name(s_made_by.c_str()) + ".kei", b + ".kei", fs::copy_options::overwrite_existing);
  return 0;
}
// Writes half a file, then fails.
int failing_convert(const char* dest) {
  ++s_convert_calls;
  vxtest::write_bytes(dest, {'I', 'I', 1});
  return 20;
}
int jpeg_ok(const char*, const char* d, int, int, int, int, int, int, int) { return copy_convert(d); }
int bmp_ok(const char*, const char* d, int, int, int, int, int) { return copy_convert(d); }
int tiff_conv(const char*, const char* d, int*, int) { return copy_convert(d); }
int fuji_fail(const char*, const char* d) { return failing_convert(d) ? -1 : 0; }
int no_channel(int) { return 0; }

class Import : public shelltest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    gt_control_init(gt_get_control());
    dir = ws_->dir().str();
    s_made_by = write_gel(dir + "/made.kes", 8, 6, 1, 5);
    src = dir + "/source.jpg";
    vxtest::write_bytes(src, {1, 2, 3});
    dest = write_gel(dir + "/dest.kes", 10, 10, 1);
    vxtest::write_bytes(dir + "/dest.gt", {9, 9});
    s_convert_calls = 0;
    conv = gt_import_converters();
    conv.jpeg_check = good_check;
    conv.jpeg_convert = jpeg_ok;
    conv.bmp_check = good_check;
    conv.bmp_convert = bmp_ok;
    conv.tiff_check = tiff_ok;
    conv.tiff_convert = tiff_conv;
    conv.fuji_convert = fuji_fail;
    conv.rgb_dialog = no_channel;
    gt_import_set_converters(conv);
    gt_load_path[0] = '\0';
  }
  void TearDown() override {
    gt_import_reset_converters();
    while (gt_get_num_img_windows() > 0) WIN_Terminate(gt_get_img_window(0));
    MainWindowTest::TearDown();
  }
  // The destination's files as they are now.
  std::vector<std::vector<unsigned char>> dest_files() const {
    return {vxtest::read_bytes(dest), vxtest::read_bytes(dir + "/dest.kei"),
            vxtest::read_bytes(dir + "/dest.gt")};
  }
  std::vector<std::string> stray() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().filename().string().find("dest-") == 0) out.push_back(e.path().filename());
    return out;
  }
  std::string dir, src, dest;
  GtImportConverters conv;
};

TEST_F(Import, EveryStopLeavesTheDestination) {
  const auto before = dest_files();
  struct Case {
    const char* what;
    std::function<void()> setup;
    BOOL (*run)();
  } cases[] = {
      {"source cancelled", [] { TKT_AnswerChooser({}); }, gt_get_jpeg},
      {"check refuses", [&] {
         conv.bmp_check = bad_check;
         gt_import_set_converters(conv);
         TKT_AnswerChooser({src});
         TKT_AnswerAlert(1);
       }, gt_get_bitmap},
      {"channel cancelled", [&] {
         conv.jpeg_check = colour_check;
         gt_import_set_converters(conv);
         TKT_AnswerChooser({src});
       }, gt_get_jpeg},
      {"colour choice cancelled (TIFF)", [&] {
         conv.tiff_check = tiff_cancel;
         gt_import_set_converters(conv);
         TKT_AnswerChooser({src});
       }, gt_get_tiff},
      {"destination cancelled", [&] { TKT_AnswerChooser({src}); TKT_AnswerChooser({}); }, gt_get_jpeg},
      {"no to replacing", [&] {
         TKT_AnswerChooser({src});
         TKT_AnswerChooser({dest});
         TKT_AnswerAlert(1);
       }, gt_get_jpeg},
      {"no to the lock", [&] {
         vxtest::write_bytes(dir + "/dest.lck", {});
         TKT_AnswerChooser({src});
         TKT_AnswerChooser({dest});
         TKT_AnswerAlert(2);
         TKT_AnswerAlert(1);
       }, gt_get_jpeg},
      {"converter fails", [&] {
         TKT_AnswerChooser({src});
         TKT_AnswerChooser({dest});
         TKT_AnswerAlert(2);
         TKT_AnswerAlert(2);  // the lock is still there: go on anyway
         TKT_AnswerAlert(1);
       }, gt_get_fuji},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    conv = gt_import_converters();
    c.setup();
    EXPECT_FALSE(c.run());
    EXPECT_EQ(dest_files(), before);
    EXPECT_TRUE(stray().empty());
    EXPECT_STREQ(gt_load_path, "");
    EXPECT_EQ(TKT_Unanswered(), 0);
    EXPECT_FALSE(gt_get_control()->busy);
    gt_import_set_converters(Import::conv = [] {
      GtImportConverters k = gt_import_converters();
      k.jpeg_check = good_check, k.bmp_check = good_check, k.tiff_check = tiff_ok;
      return k;
    }());
  }
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(85));
  EXPECT_EQ(s_convert_calls, 1);
  // The failed conversion still stores the source's folder as the import folder.
  EXPECT_EQ(std::string(gt_get_control()->import_path), dir + "/");
}

TEST_F(Import, DestinationOpenInAWindowIsRefused) {
  fs::remove(dir + "/dest.gt");  // not an analysis file the open could read
  gt_load_image_path(dest.c_str());
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  ASSERT_EQ(TKT_Unanswered(), 0);
  const std::vector<unsigned char> before = vxtest::read_bytes(dest);
  for (BOOL (*run)() : {gt_get_jpeg, gt_get_tiff, gt_get_bitmap, gt_get_fuji}) {
    TKT_AnswerChooser({src});
    TKT_AnswerChooser({dest});
    TKT_AnswerAlert(1);
    EXPECT_FALSE(run());
    EXPECT_EQ(vxtest::read_bytes(dest), before);
    EXPECT_EQ(s_convert_calls, 0);
    EXPECT_EQ(TKT_Unanswered(), 0) << TKT_LastAlertText();
  }
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(Import, SuccessReplacesTheDestination) {
  TKT_AnswerChooser({src});
  TKT_AnswerChooser({dir + "/dest.tif"});  // any extension: the image is dest.kes
  TKT_AnswerAlert(2);
  ASSERT_TRUE(gt_get_jpeg());
  EXPECT_STREQ(gt_load_path, dest.c_str());
  EXPECT_STREQ(gt_load_name, "dest.kes");
  EXPECT_EQ(vxtest::read_bytes(dest), vxtest::read_bytes(s_made_by));
  EXPECT_FALSE(fs::exists(dir + "/dest.gt"));  // the old image's analysis went with it
  EXPECT_TRUE(stray().empty());
  EXPECT_FALSE(gt_get_control()->busy);
}

// The image an import makes, and an ini file written anew, get 0666 less the umask, as any
// new file does; mkstemp's private mode does not leak into them.
TEST_F(Import, NewFilesGetTheUsualPermissions) {
  const std::string raw = dir + "/g.gray", tif = dir + "/g.tif";
  vxtest::write_bytes(raw, std::vector<unsigned char>(12 * 9, 77));
  ASSERT_EQ(std::system(("convert -size 12x9 -depth 8 gray:" + raw +
                         " -density 300 -units PixelsPerInch -compress none " + tif)
                            .c_str()),
            0);
  conv.tiff_check = io_tiff_check;
  conv.tiff_convert = io_tiff_convert;
  gt_import_set_converters(conv);
  for (mode_t mask : {mode_t(022), mode_t(027)}) {
    SCOPED_TRACE(mask);
    const std::string name = "fresh" + std::to_string(mask);
    const mode_t old = ::umask(mask);
    TKT_AnswerChooser({tif});
    TKT_AnswerChooser({dir + "/" + name + ".kes"});
    const BOOL ok = gt_get_tiff();
    ks_profile_write_string("S", "k", "v", (dir + "/" + name + ".ini").c_str());
    ::umask(old);
    ASSERT_TRUE(ok);
    const auto want = static_cast<fs::perms>(0666 & ~mask);
    for (const char* ext : {".kes", ".kei", ".ini"})
      EXPECT_EQ(fs::status(dir + "/" + name + ext).permissions() & fs::perms::all, want) << ext;
  }
}

// An import onto an existing image whose disk is full, in every format: the source was read
// and the new image could not be written, so the user is told that the file could not be
// written; the old image's set is kept byte for byte and opens with its analysis.
TEST_F(Import, AFullDiskKeepsTheOldImageAndSaysSo) {
  gt_import_reset_converters();
  conv = gt_import_converters();
  conv.rgb_dialog = [](int) { return 4; };
  gt_import_set_converters(conv);
  const std::string raw = dir + "/g.gray";
  vxtest::write_bytes(raw, std::vector<unsigned char>(12 * 9, 77));
  for (const char* to : {"g.tif", "g.jpg", "BMP3:g.bmp"})
    ASSERT_EQ(std::system(("cd " + dir + " && convert -size 12x9 -depth 8 gray:g.gray " +
                           "-density 300 -units PixelsPerInch -compress none " + to).c_str()),
              0)
        << to;
  {
    // A Fuji plate: its header lines and 8-bit rows.
    std::ofstream inf(dir + "/plate.inf");
    for (const char* l : {"CCD_IMAGE_FILE", "plate", "20x25", "50", "50", "8", "12", "9", "0",
                          "4.0", "Mon Jan 1 2024", "1704067200", "", "", "comment"})
      inf << l << "\r\n";
    vxtest::write_bytes(dir + "/plate.img", std::vector<unsigned char>(12 * 9, 40));
  }
  const struct {
    const char* source;
    BOOL (*run)();
  } formats[] = {{"g.tif", gt_get_tiff},
                 {"g.jpg", gt_get_jpeg},
                 {"g.bmp", gt_get_bitmap},
                 {"plate.img", gt_get_fuji}};
  const fs::path gels = dir + "/gels";
  for (const auto& f : formats) {
    SCOPED_TRACE(f.source);
    fs::remove_all(gels);
    fs::create_directories(gels);
    const std::string old = shelltest::write_analysed_gel(gels, "old", "wt 10", "first run");
    const vxtest::FolderState before = vxtest::folder_state(gels);
    gt_load_path[0] = '\0';
    TKT_AnswerChooser({dir + "/" + f.source});
    TKT_AnswerChooser({old});
    TKT_AnswerAlert(2);  // replace it
    TKT_AnswerAlert(1);  // the message
    BOOL ok;
    {
      vxtest::FileFaults full({0});
      ok = f.run();
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
    EXPECT_EQ(TKT_Unanswered(), 0);
    EXPECT_EQ(vxtest::folder_state(gels), before);
    EXPECT_STREQ(gt_load_path, "");
    EXPECT_FALSE(gt_get_control()->busy);
    shelltest::expect_analysed_gel_opens(old, "wt 10", "first run");
    // Without the fault the same import replaces the image.
    TKT_AnswerChooser({dir + "/" + f.source});
    TKT_AnswerChooser({old});
    TKT_AnswerAlert(2);
    EXPECT_TRUE(f.run());
    EXPECT_EQ(fs::file_size(old), 12u + 12 * 9);
    EXPECT_FALSE(fs::exists(gels / "old.cmt"));
    EXPECT_EQ(TKT_Unanswered(), 0);
  }
}

// A bitmap refused at the check says why when there is a message for it: an 8-bit bitmap that
// ImageMagick writes is RLE8, and compressed bitmaps cannot be used; a file that is no bitmap
// at all gets the general refusal.
TEST_F(Import, ACompressedBitmapIsRefusedWithItsOwnMessage) {
  const std::string rle = dir + "/rle8.bmp";
  ASSERT_EQ(std::system(("convert -size 16x8 gradient: -type Palette -compress RLE BMP3:" + rle)
                            .c_str()),
            0);
  const std::vector<unsigned char> bytes = vxtest::read_bytes(rle);
  ASSERT_GE(bytes.size(), 34u);
  ASSERT_EQ(bytes[30], 1);  // biCompression: RLE8
  conv.bmp_check = io_bmp_check;
  conv.bmp_convert = io_bmp_convert;
  gt_import_set_converters(conv);
  const auto before = dest_files();
  for (const auto& [file, msg] : {std::pair{rle, 284}, std::pair{src, 326}}) {
    SCOPED_TRACE(file);
    TKT_AnswerChooser({file});
    TKT_AnswerAlert(1);
    EXPECT_FALSE(gt_get_bitmap());
    EXPECT_EQ(TKT_Unanswered(), 0);
    EXPECT_EQ(TKT_LastAlertText(), ui_msg(msg));
    EXPECT_EQ(dest_files(), before);
    EXPECT_FALSE(gt_get_control()->busy);
  }
}

TEST_F(Import, CropEqualsImageMagick) {
  for (int bpp : {1, 2}) {
    SCOPED_TRACE(bpp);
    const std::string gel = write_gel(dir + "/gel" + std::to_string(bpp) + ".kes", 40, 30, bpp);
    gt_load_image_path(gel.c_str());
    ASSERT_GT(gt_get_num_img_windows(), 0);
    IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(gt_get_num_img_windows() - 1)));
    gt_set_image_ptr(im);
    // The same pixels as a PGM for ImageMagick.
    const auto kes = vxtest::read_bytes(gel);
    std::string pgm = "P5\n40 30\n" + std::string(bpp == 2 ? "65535" : "255") + "\n";
    std::vector<unsigned char> px(kes.begin() + 12, kes.end());
    if (bpp == 2)
      for (std::size_t i = 0; i < px.size(); i += 2) std::swap(px[i], px[i + 1]);  // PGM is big-endian
    vxtest::write_bytes(dir + "/gel.pgm", std::vector<unsigned char>(pgm.begin(), pgm.end()));
    {
      std::ofstream f(dir + "/gel.pgm", std::ios::binary | std::ios::app);
      f.write(reinterpret_cast<const char*>(px.data()), std::streamsize(px.size()));
    }
    // Corners dragged up and left.
    const TkPoint a{31, 25}, b{7, 4};
    const std::string out = dir + "/part" + std::to_string(bpp) + ".kes";
    TKT_AnswerChooser({out});
    gt_finish_crop(&a, &b);
    ASSERT_TRUE(fs::exists(out));
    EXPECT_STREQ(gt_load_path, out.c_str());
    EXPECT_EQ(gt_get_image_ptr(), im);  // the source stays current
    const std::string cmd = "convert " + dir + "/gel.pgm -crop 24x21+7+4 +repage " + dir + "/want.pgm";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "ImageMagick did not run";
    const auto want = vxtest::read_bytes(dir + "/want.pgm");
    const std::string header = "P5\n24 21\n" + std::string(bpp == 2 ? "65535" : "255") + "\n";
    ASSERT_GT(want.size(), header.size());
    ASSERT_EQ(std::string(want.begin(), want.begin() + header.size()), header);
    std::vector<unsigned char> wpx(want.begin() + header.size(), want.end());
    if (bpp == 2)
      for (std::size_t i = 0; i < wpx.size(); i += 2) std::swap(wpx[i], wpx[i + 1]);
    const auto got = vxtest::read_bytes(out);
    ASSERT_EQ(got.size(), 12 + wpx.size());
    EXPECT_TRUE(std::equal(wpx.begin(), wpx.end(), got.begin() + 12));
  }
  // Corners that share an x or a y: refused before any chooser.
  for (auto [a, b] : {std::pair{TkPoint{5, 5}, TkPoint{5, 20}}, std::pair{TkPoint{5, 9}, TkPoint{30, 9}}}) {
    gt_finish_crop(&a, &b);
    EXPECT_EQ(TKT_Unanswered(), 0);
    EXPECT_FALSE(gt_get_control()->busy);
  }
  gt_finish_crop(nullptr, nullptr);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

}  // namespace
