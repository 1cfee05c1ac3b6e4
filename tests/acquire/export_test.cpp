// Export to TIFF and JPEG read back by libtiff, ImageMagick and djpeg; export then import; the
// writer's failures; Save As, the PostScript keeper and the folder export through the shell.
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "acq_fixture.h"
#include "acquire/acq_common.h"
#include "file_faults.h"
#include "acquire/io_export.h"
#include "acquire/io_import.h"
#include "acquire/io_tiff.h"
#include "acquire/ui_dialogs.h"
#include "base/ks_alert.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "shell/ih_cmap.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

using namespace acqtest;
namespace fs = std::filesystem;

// Writes an image pair: pixel file and info file with the header given.
std::string write_image(const std::string& path, int bpp, int w, int h, const std::vector<int>& v,
                        int res = 10000, int scale = -5, int flags = 0) {
  ByteWriter out;
  io_put_kes_header(out, bpp, w, h);
  int lo = 65535, hi = 0;
  for (int x : v) {
    if (bpp == 2) out.u16(static_cast<uint16_t>(x));
    else out.u8(static_cast<uint8_t>(x));
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  EXPECT_TRUE(io_write_file_replace(path.c_str(), out.buffer()));
  IMG_INFO info{};
  info.width = info.original_width = w;
  info.height = info.original_height = h;
  info.bytes_per_pixel = bpp;
  info.x_res = info.y_res = res;
  info.x_scale = info.y_scale = scale;
  info.min_value = lo;
  info.max_value = hi;
  info.flags = flags;
  EXPECT_EQ(acq_write_info(&info, nullptr, path.c_str()), IO_IMPORT_WRITE_FAILED);  // no lookup
  ANALYSIS_ENTRY e{1, &info, nullptr, 0};
  ANALYSIS_ENTRY* list[] = {&e};
  EXPECT_EQ(io_write_inf(path.c_str(), list, 1), 0);
  return path;
}

IMG_INFO info_of(const std::string& kes) { return read_info(kes).h; }

std::vector<int> inverted_of(const std::vector<int>& v) {
  std::vector<int> r;
  for (int x : v) r.push_back(255 - x);
  return r;
}

uint32_t u32_at(const std::vector<uint8_t>& f, std::size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}

// The value of a tag of a TIFF this writer made (little-endian, directory at 8).
uint32_t tag_value(const std::vector<uint8_t>& f, int tag) {
  const int n = f[8] | f[9] << 8;
  for (int i = 0; i < n; ++i) {
    const std::size_t at = 10 + 12 * i;
    if ((f[at] | f[at + 1] << 8) == tag) {
      const int type = f[at + 2] | f[at + 3] << 8;
      return type == 3 && u32_at(f, at + 4) == 1 ? (f[at + 8] | f[at + 9] << 8) : u32_at(f, at + 8);
    }
  }
  return 0xffffffffu;
}

// The display colour that entries 4k to 4k + 3 of a palette TIFF's map hold: 64 steps spread
// over the 256 colours of the display table, from its first colour to its last.
int palette_step_colour(int entry) { return (entry / 4 * 255 + 31) / 63; }

// The colour map of a palette TIFF: 64 colours of the current display map, each in four
// entries running, red, green and blue apart.
void expect_palette_map(const std::vector<uint8_t>& f) {
  const std::vector<uint32_t> map = tiff_tags(f)[320];
  ASSERT_EQ(map.size(), 768u);
  int wrong = 0;
  for (int i = 0; i < 256; ++i) {
    const IhRgb16 c = ih_get_rgb(nullptr, palette_step_colour(i));
    wrong += map[i] != c.red || map[256 + i] != c.green || map[512 + i] != c.blue;
  }
  EXPECT_EQ(wrong, 0);
}

class Export : public ::testing::Test {
 protected:
  void SetUp() override {
    TKT_Enable(true);
    old_ = io_tiff_set_res_query([](TkObject*, double*, double*, int, int, int, int, int*) -> long {
      ADD_FAILURE() << "an exported TIFF carries its resolution";
      return 0;
    });
  }
  void TearDown() override {
    io_tiff_set_res_query(old_);
  }
  // libtiff reads the file without a word of complaint.
  void expect_clean_tiff(const std::string& tif) {
    const std::string err = dir.file("tiffinfo.err");
    EXPECT_EQ(std::system(("tiffinfo -D " + q(tif) + " >/dev/null 2>" + q(err)).c_str()), 0);
    EXPECT_EQ(fs::file_size(err), 0u) << tif;
    EXPECT_TRUE(run("identify " + q(tif)));
  }
  vxtest::TempDir dir;
  IoResQuery old_ = nullptr;
};

TEST_F(Export, EveryKindOfBothDepthsReadsBack) {
  const int w = 100, h = 37;
  std::vector<int> one, two;
  for (int i = 0; i < w * h; ++i) {
    one.push_back((i * 7) % 256);
    two.push_back(1000 + (i * 131) % 40000);
  }
  two[5] = 65535;
  const std::string img1 = write_image(dir.file("one.kes"), 1, w, h, one);
  const std::string img2 = write_image(dir.file("two.kes"), 2, w, h, two);
  const int lo = 1000, hi = 65535;
  ih_set_cmap(nullptr, 4, 50, 100);  // a colour table for the palette kind
  for (int bpp : {1, 2}) {
    const std::string img = bpp == 1 ? img1 : img2;
    const std::vector<int>& v = bpp == 1 ? one : two;
    const IMG_INFO info = info_of(img);
    for (int kind : {1, 2, 3, 5}) {
      SCOPED_TRACE("bpp " + std::to_string(bpp) + " kind " + std::to_string(kind));
      const std::string tif = dir.file("x.tif");
      ASSERT_EQ(io_export_save(img.c_str(), tif.c_str(), &info, TRUE, kind, 0), EXPORT_TIFF_WRITTEN);
      expect_clean_tiff(tif);
      int bits = 0;
      const std::vector<int> got = libtiff_samples(tif, dir.file("x"), &bits);
      const bool sixteen = kind == 3 || (kind == 5 && bpp == 2);
      EXPECT_EQ(bits, sixteen ? 16 : 8);
      std::vector<int> want;
      for (int x : v) {
        if (bpp == 1) want.push_back(x);
        else if (sixteen) want.push_back(x == 65535 ? 65534 : x);
        else want.push_back(int((int64_t(x - lo) * 65536 / (hi - lo + 1)) >> 8));
      }
      EXPECT_EQ(got, want);
      std::vector<uint8_t> f;
      ASSERT_TRUE(io_read_whole_file(tif.c_str(), f));
      const uint32_t n = kind == 1 ? 13 : 12;
      EXPECT_EQ(tag_value(f, 282), 12 * n + 14);
      EXPECT_EQ(tag_value(f, 283), 12 * n + 22);
      EXPECT_EQ(tag_value(f, 262), kind == 1 ? 3u : 0u);
      // 0.1 mm pixels: 100 pixels per centimetre.
      EXPECT_EQ(u32_at(f, 12 * n + 14), 100000u);
      EXPECT_EQ(u32_at(f, 12 * n + 18), 1000u);
      const uint32_t row = w * (sixteen ? 2 : 1);
      EXPECT_EQ(tag_value(f, 278), 8192 / row);
      if (kind == 1) expect_palette_map(f);
    }
    // JPEG at quality 100: within a few levels of 255 - v (or of 255 - the high byte).
    const std::string jpg = dir.file("x.jpg");
    ASSERT_EQ(io_export_save(img.c_str(), jpg.c_str(), &info, TRUE, EXPORT_JPEG, 100),
              EXPORT_JPEG_WRITTEN);
    ASSERT_TRUE(run("djpeg -pnm -outfile " + q(dir.file("x.pgm")) + " " + q(jpg)));
    const Pnm p = read_pnm(dir.file("x.pgm"));
    ASSERT_EQ(p.v.size(), v.size());
    int worst = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
      worst = std::max(worst, std::abs(p.v[i] - (255 - (bpp == 1 ? v[i] : v[i] >> 8))));
    EXPECT_LE(worst, 4);
  }
  ih_set_cmap(nullptr, 0, 50, 100);
}

TEST_F(Export, StripLayoutAndTheRangeOfTwoByteImages) {
  struct Case {
    int bpp, w, h, kind;
    uint32_t rows_per_strip, strips;
  };
  const Case cases[] = {
      {1, 2000, 9, 2, 4, 3}, {2, 5000, 3, 3, 1, 3}, {1, 100, 2, 2, 81, 1}, {2, 100, 2, 3, 40, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    std::vector<int> v(std::size_t(c.w) * c.h);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = int(i % 200);
    const std::string img = write_image(dir.file("s.kes"), c.bpp, c.w, c.h, v);
    const IMG_INFO info = info_of(img);
    ASSERT_EQ(io_export_save(img.c_str(), dir.file("s.tif").c_str(), &info, TRUE, c.kind, 0), 0);
    expect_clean_tiff(dir.file("s.tif"));
    std::vector<uint8_t> f;
    ASSERT_TRUE(io_read_whole_file(dir.file("s.tif").c_str(), f));
    EXPECT_EQ(tag_value(f, 278), c.rows_per_strip);
    if (c.strips == 1) {
      EXPECT_EQ(tag_value(f, 279), uint32_t(c.w * c.h * c.bpp));  // the bytes there
    }
  }
  // A 16-bit image as 8-bit grey: minimum 0, maximum 255, a wide range without overflow; and
  // a processed image's range is read from the pixels, not from a stale header.
  const std::vector<int> wide = {0, 40000, 65535, 20000};
  const std::string img = write_image(dir.file("w.kes"), 2, 4, 1, wide);
  IMG_INFO info = info_of(img);
  ASSERT_EQ(io_export_save(img.c_str(), dir.file("w.tif").c_str(), &info, TRUE, 2, 0), 0);
  EXPECT_EQ(libtiff_samples(dir.file("w.tif"), dir.file("w")),
            (std::vector<int>{0, 156, 255, 78}));
  info.min_value = 30000;  // stale: values lie outside it
  info.max_value = 30100;
  ASSERT_EQ(io_export_save(img.c_str(), dir.file("w.tif").c_str(), &info, TRUE, 2, 0), 0);
  EXPECT_EQ(libtiff_samples(dir.file("w.tif"), dir.file("w")), (std::vector<int>{0, 255, 255, 0}));
  info.flags = 1;  // filtered: the range comes from the pixels
  ASSERT_EQ(io_export_save(img.c_str(), dir.file("w.tif").c_str(), &info, TRUE, 2, 0), 0);
  EXPECT_EQ(libtiff_samples(dir.file("w.tif"), dir.file("w")),
            (std::vector<int>{0, 156, 255, 78}));
  // A pixel size of 0 is written as the default 0.085 mm.
  info.x_res = 0;
  ASSERT_EQ(io_export_save(img.c_str(), dir.file("w.tif").c_str(), &info, TRUE, 2, 0), 0);
  std::vector<uint8_t> f;
  ASSERT_TRUE(io_read_whole_file(dir.file("w.tif").c_str(), f));
  EXPECT_EQ(u32_at(f, tag_value(f, 282)), 117647u);
}

TEST_F(Export, ExportThenImportGivesThePixelsBack) {
  const int w = 40, h = 30;
  std::vector<int> one, two;
  for (int i = 0; i < w * h; ++i) {
    one.push_back((i * 11) % 256);
    two.push_back((i * 997) % 65535);
  }
  const std::string img1 = write_image(dir.file("a.kes"), 1, w, h, one, 8466, -5);
  const std::string img2 = write_image(dir.file("b.kes"), 2, w, h, two, 8466, -5);
  ih_set_cmap(nullptr, 0, 50, 100);  // the inverted grey table: palette index i is grey 255 - i
  struct Case {
    std::string img;
    int kind;
    const std::vector<int>* v;
  };
  // A palette whose every entry is grey comes back as those greys, dark stored high: value x
  // shows the colour of its step of the display table.
  std::vector<int> through_palette;
  for (int x : one) {
    const IhRgb16 c = ih_get_rgb(nullptr, palette_step_colour(x));
    ASSERT_EQ(c.red, c.green);
    through_palette.push_back(255 - (c.red >> 8));
  }
  for (const Case& c : {Case{img1, 2, &one}, Case{img1, 1, &through_palette}, Case{img2, 3, &two}}) {
    SCOPED_TRACE(c.kind);
    const IMG_INFO info = info_of(c.img);
    ASSERT_EQ(io_export_save(c.img.c_str(), dir.file("r.tif").c_str(), &info, TRUE, c.kind, 0), 0);
    int is_color = 0, channel = 0, res = 0;
    ASSERT_TRUE(io_tiff_check(dir.file("r.tif").c_str(), &is_color, &channel, 0));
    ASSERT_EQ(io_tiff_convert(dir.file("r.tif").c_str(), dir.file("r.kes").c_str(), &res, 0), 0);
    EXPECT_EQ(read_kes(dir.file("r.kes")).v, *c.v);
    const IMG_INFO back = info_of(dir.file("r.kes"));
    EXPECT_NEAR(back.x_res * std::pow(10.0, back.x_scale), 0.08466, 1e-4);
  }
}

TEST_F(Export, AFailedWriteLeavesTheOldFileWhole) {
  const std::string img = write_image(dir.file("f.kes"), 1, 50, 50, std::vector<int>(2500, 9));
  const IMG_INFO info = info_of(img);
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  struct Case {
    const char* what;
    int kind;
    vxtest::FaultPlan plan;
    int result;
  };
  const Case cases[] = {
      {"TIFF: the disk fills in the header", 2, {100}, EXPORT_TIFF_FAILED},
      {"TIFF: the disk fills in the rows", 2, {1000}, EXPORT_TIFF_FAILED},
      {"TIFF: the rename over the old file fails", 2, {-1, 1}, EXPORT_TIFF_FAILED},
      {"JPEG: the rename over the old file fails", 4, {-1, 1}, EXPORT_JPEG_FAILED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dest = dir.file(c.kind == 4 ? "f.jpg" : "f.tif");
    write_file(dest, old);
    {
      vxtest::FileFaults faults(c.plan);
      EXPECT_EQ(io_export_save(img.c_str(), dest.c_str(), &info, TRUE, c.kind, 80), c.result);
    }
    std::vector<uint8_t> now;
    ASSERT_TRUE(io_read_whole_file(dest.c_str(), now));
    EXPECT_EQ(now, old);
  }
  // Nothing left behind: the image pair and the two old files.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
  EXPECT_EQ(io_export_save(dir.file("none.kes").c_str(), dir.file("n.tif").c_str(), &info, TRUE, 2, 0),
            EXPORT_NO_IMAGE);
  EXPECT_EQ(io_export_save(img.c_str(), dir.file("n.tif").c_str(), &info, TRUE, 0, 0), EXPORT_NO_IMAGE);
}

// --- Through the shell: Save As, export, PostScript and the folder export.

class ShellExport : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    acqtest::load_resources();
  }
};

std::vector<int> ramp(int n) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(i % 256);
  return v;
}

TEST_F(ShellExport, SaveAsCopiesTheImageAndAsksBeforeReplacing) {
  const std::string src = write_image(dir + "/gel.kes", 1, 30, 20, ramp(600));
  IMAGE_REC* im = open(src);
  ASSERT_NE(im, nullptr);
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  char path[KS_PATH_LEN] = "";

  // Its own file: refused.
  TKT_AnswerChooser({src});
  EXPECT_FALSE(gt_save_as_activate(area, 0, path));
  EXPECT_NE(TKT_LastAlertText().find("cannot be saved over itself"), std::string::npos);

  // A new name: copied; the open image takes the new path and name.
  const std::string copy = dir + "/copy.kes";
  TKT_AnswerChooser({copy});
  ASSERT_TRUE(gt_save_as_activate(area, 0, path));
  EXPECT_STREQ(path, copy.c_str());
  EXPECT_STREQ(im->file_path, copy.c_str());
  EXPECT_STREQ(im->image_name, "copy.kes");
  EXPECT_STREQ(WIN_GetTitle(static_cast<TK_OBJ>(im->window)), "copy.kes");
  EXPECT_TRUE(fs::exists(dir + "/copy.kei"));
  EXPECT_EQ(read_kes(copy).v, ramp(600));

  // An existing image with another program's analysis file: message 268 names it; No keeps it.
  const std::string other = write_image(dir + "/other.kes", 1, 4, 4, std::vector<int>(16, 3));
  write_file(dir + "/other.hf", {1, 2, 3});
  write_file(dir + "/other.gt", {4, 5});
  TKT_AnswerChooser({other});
  TKT_AnswerAlert(1);
  EXPECT_FALSE(gt_save_as_activate(area, 0, path));
  EXPECT_NE(TKT_LastAlertText().find(".hf"), std::string::npos);
  EXPECT_EQ(read_kes(other).v, std::vector<int>(16, 3));
  // Yes: replaced, its old companions gone.
  TKT_AnswerChooser({other});
  TKT_AnswerAlert(2);
  ASSERT_TRUE(gt_save_as_activate(area, 0, path));
  EXPECT_EQ(read_kes(other).v, ramp(600));
  EXPECT_FALSE(fs::exists(dir + "/other.hf"));
  EXPECT_EQ(info_of(other).width, 30);
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();

  // An open image as destination: refused without a question.
  const std::string second = write_image(dir + "/second.kes", 1, 4, 4, std::vector<int>(16, 1));
  ASSERT_NE(open(second), nullptr);
  const long alerts = ks_alert_count();
  TKT_AnswerChooser({second});
  EXPECT_FALSE(gt_save_as_activate(area, 0, path));
  EXPECT_EQ(ks_alert_count(), alerts);
  // Cancelled chooser.
  TKT_AnswerChooser({});
  EXPECT_FALSE(gt_save_as_activate(area, 0, path));
}

// The image's files without its lock, which goes with the open image.
vxtest::FolderState without_lock(const vxtest::FolderState& state, const std::string& prefix) {
  vxtest::FolderState out;
  for (const auto& [name, text] : state)
    if (name.rfind(prefix, 0) == 0 && name.find(".lck") == std::string::npos) out[name] = text;
  return out;
}

// Save As with unsaved edits: the original's files are left as they were, the copy holds what
// the window shows (read back after reopening it), the image is no longer modified and its new
// name heads the recent files. Nothing lands in the current folder.
TEST_F(ShellExport, SaveAsLeavesTheOriginalAndTheCopyHoldsTheEdits) {
  fs::create_directories(dir + "/src");
  fs::create_directories(dir + "/dst");
  // An unrelated image of the same name in the current folder keeps its files.
  shelltest::write_gel(dir, "gel", 8, 8);
  const auto before = vxtest::folder_state(dir);
  IMAGE_REC* im = open(shelltest::write_gel(dir + "/src", "gel", 40, 30));
  ASSERT_NE(im, nullptr);
  shelltest::add_lane_and_band(im, 20, 2, 28, 15);
  const auto original = without_lock(vxtest::folder_state(dir), "src/");
  char path[KS_PATH_LEN] = "";
  const std::string copy = dir + "/dst/copy.kes";
  TKT_AnswerChooser({copy});
  ASSERT_TRUE(gt_save_as_activate(static_cast<TK_OBJ>(im->draw_area), 0, path));
  EXPECT_EQ(without_lock(vxtest::folder_state(dir), "src/"), original);
  EXPECT_FALSE(fs::exists(dir + "/src/gel.gt"));
  EXPECT_FALSE(gt_image_modified(im));
  EXPECT_STREQ(gt_get_control()->recent[0], copy.c_str());
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.is_directory()) continue;
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(before.count(name)) << "new file in the current folder: " << name;
  }
  for (const auto& [name, text] : before) {
    if (name.rfind("src/", 0) != 0 && name.rfind("dst/", 0) != 0) {
      EXPECT_EQ(vxtest::read_text(dir + "/" + name), text) << name;
    }
  }
  WIN_Terminate(static_cast<TK_OBJ>(im->window));
  IMAGE_REC* again = open(copy);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->has_lanes);
  ASSERT_NE(again->lane_hdr, nullptr);
  EXPECT_EQ(again->lane_hdr->num_lanes, 1);
}

// A full disk or a refused rename at any point: Save As reports success only when the copy
// holds the edits, and otherwise says so and leaves every file as it was; the original's files
// are never written.
TEST_F(ShellExport, SaveAsOnAFullDiskIsAllOrNothing) {
  enum { kDone = 0, kNotCopied = 1 };
  IMAGE_REC* im = nullptr;
  auto close_all = [] {
    while (gt_get_num_img_windows() > 0) {
      IMAGE_REC* r = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(0)));
      if (r) gt_image_clear_modified(r);
      WIN_Terminate(gt_get_img_window(0));
    }
  };
  auto setup = [&](const fs::path& root) {
    close_all();
    fs::create_directories(root / "src");
    fs::create_directories(root / "dst");
    im = open(shelltest::write_gel((root / "src").string(), "gel", 60, 40));
    ASSERT_NE(im, nullptr);
    shelltest::add_lane_and_band(im, 30, 2, 38, 20);
  };
  auto op = [&](const fs::path& root) {
    if (im == nullptr) return -1;
    char path[KS_PATH_LEN] = "";
    TKT_AnswerChooser({(root / "dst" / "copy.kes").string()});
    const long alerts = ks_alert_count();
    if (gt_save_as_activate(static_cast<TK_OBJ>(im->draw_area), 0, path))
      return fs::exists(root / "dst" / "copy.gt") && !gt_image_modified(im) ? int(kDone) : -1;
    if (ks_alert_count() == alerts || !gt_image_modified(im)) return -1;
    return int(kNotCopied);
  };
  auto expected = [](int kind, const vxtest::FolderState& old_state,
                     const vxtest::FolderState& new_state) {
    if (kind != kDone) return old_state;
    // Done: the original's files as they were (its lock gone with the image), the copy new.
    vxtest::FolderState want = without_lock(old_state, "src/");
    for (const auto& [name, text] : new_state)
      if (name.rfind("dst/", 0) == 0) want[name] = text;
    return want;
  };
  EXPECT_GT(vxtest::sweep_file_faults(setup, op, expected), 10);
  close_all();
}

// Presses OK on the export dialog once it shows, with the TIFF kind `choice` (or JPEG).
void answer_export_dialog(int choice, bool jpeg = false) {
  when_shown("ui_tifsav", "WinTifsav", [choice, jpeg](TK_OBJ win) {
    if (jpeg) TKT_Click(RES_GetSub(win, 5));
    else TKT_Pick(RES_GetSub(RES_GetSub(win, 0), 0), choice);
    TKT_Click(RES_GetSub(win, 2));
  });
}

TEST_F(ShellExport, ExportAndPostScriptAskForTheDestination) {
  const std::string src = write_image(dir + "/gel.kes", 1, 30, 20, ramp(600));
  IMAGE_REC* im = open(src);
  ASSERT_NE(im, nullptr);
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  const std::string tif = dir + "/out.tif";
  answer_export_dialog(1);
  TKT_AnswerChooser({tif});
  EXPECT_TRUE(gt_save_as_activate(area, 1, nullptr));
  EXPECT_EQ(libtiff_samples(tif, dir + "/o"), ramp(600));
  // Existing: No keeps the old file, Yes replaces it.
  write_file(tif, {'o', 'l', 'd'});
  answer_export_dialog(1, true);
  TKT_AnswerChooser({tif});
  TKT_AnswerAlert(1);
  EXPECT_TRUE(gt_save_as_activate(area, 1, nullptr));
  EXPECT_EQ(fs::file_size(tif), 3u);
  answer_export_dialog(1);
  TKT_AnswerChooser({tif});
  TKT_AnswerAlert(2);
  EXPECT_TRUE(gt_save_as_activate(area, 1, nullptr));
  EXPECT_EQ(libtiff_samples(tif, dir + "/o"), ramp(600));
  // Cancelled settings: nothing asked, TRUE.
  when_shown("ui_tifsav", "WinTifsav", [](TK_OBJ win) { TKT_Click(RES_GetSub(win, 3)); });
  EXPECT_TRUE(gt_save_as_activate(area, 1, nullptr));

  // A PostScript file of the print layer is moved to the chosen name.
  const std::string ps = dir + "/write/print.ps";
  write_file(ps, {'%', '!'});
  char load[KS_PATH_LEN];
  std::snprintf(load, sizeof load, "%s", ps.c_str());
  TKT_AnswerChooser({dir + "/kept.ps"});
  EXPECT_TRUE(gt_save_as_activate(area, 2, load));
  EXPECT_TRUE(fs::exists(dir + "/kept.ps"));
  EXPECT_FALSE(fs::exists(ps));
  // Cancelled: the print file is deleted.
  write_file(ps, {'%', '!'});
  TKT_AnswerChooser({});
  EXPECT_TRUE(gt_save_as_activate(area, 2, load));
  EXPECT_FALSE(fs::exists(ps));
}

TEST_F(ShellExport, FolderExportAsksBeforeReplacingAndCounts) {
  fs::create_directories(dir + "/in");
  fs::create_directories(dir + "/out");
  write_image(dir + "/in/a.kes", 1, 8, 8, ramp(64));
  write_image(dir + "/in/b.kes", 2, 8, 8, ramp(64));
  write_image(dir + "/in/c.kes", 1, 8, 8, ramp(64));
  ByteWriter bare;
  io_put_kes_header(bare, 1, 2, 2);
  bare.zeros(4);
  io_write_file_replace((dir + "/in/noinfo.kes").c_str(), bare.buffer());
  write_file(dir + "/out/c.tif", {'o', 'l', 'd'});
  // Source, destination, the dialog (its auto choice); c.tif exists: No skips it.
  TKT_AnswerChooser({dir + "/in"});
  TKT_AnswerChooser({dir + "/out"});
  answer_export_dialog(2);
  TKT_AnswerAlert(1);
  gt_export_folder(win_);
  EXPECT_EQ(fs::file_size(dir + "/out/c.tif"), 3u);
  int bits = 0;
  libtiff_samples(dir + "/out/b.tif", dir + "/b", &bits);
  EXPECT_EQ(bits, 16);
  libtiff_samples(dir + "/out/a.tif", dir + "/a", &bits);
  EXPECT_EQ(bits, 8);
  EXPECT_FALSE(fs::exists(dir + "/out/noinfo.tif"));
  EXPECT_EQ(TKT_LastAlertText(), "2 images converted to TIFF.");
  // Again as JPEG into the same folder; every question answered Yes.
  TKT_AnswerChooser({dir + "/in"});
  TKT_AnswerChooser({dir + "/out"});
  answer_export_dialog(0, true);
  gt_export_folder(win_);
  EXPECT_EQ(TKT_LastAlertText(), "3 images converted to JPEG.");
  EXPECT_TRUE(run("djpeg " + q(dir + "/out/c.jpg")));
  // A folder without images.
  TKT_AnswerChooser({dir + "/out"});
  gt_export_folder(win_);
  EXPECT_EQ(TKT_LastAlertText(), "There are no Kestrin images in that folder.");
}

}  // namespace

namespace {

// The real gel imported, exported and saved under a new name through the menu commands, as a
// user would: the choosers and the dialogs answered in turn.
TEST_F(ShellExport, RealGelThroughTheCommands) {
  const std::string gel = (vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif").string();
  const std::string kes = dir + "/ladder.kes";
  TKT_AnswerChooser({gel});
  TKT_AnswerChooser({kes});
  when_shown("ui_res", "ui_res_win", [](TK_OBJ win) { TKT_Click(RES_GetSub(win, 2)); });  // 300 dpi
  main_winNfySelMenuBar(win_, GT_CMD_IMPORT_TIFF);
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(0)));
  ASSERT_NE(im, nullptr);
  EXPECT_EQ(info_of(kes).x_res, 84666);
  const char* d = std::getenv("VX_GRAB_DIR");
  if (d && *d) {
    for (int i = 0; i < 3; ++i) main_winNfySelMenuBar(win_, GT_CMD_ZOOM_OUT);
    EVENT_Flush();
    TKT_Grab(win_, (std::string(d) + "/imported_gel.png").c_str());
  }

  answer_export_dialog(1);  // 8-bit grey
  TKT_AnswerChooser({dir + "/ladder_out.tif"});
  main_winNfySelMenuBar(win_, GT_CMD_EXPORT_IMAGE);
  const std::vector<int> ref = libtiff_samples(gel, dir + "/ref");
  EXPECT_EQ(libtiff_samples(dir + "/ladder_out.tif", dir + "/out"), inverted_of(ref));

  TKT_AnswerChooser({dir + "/renamed.kes"});
  main_winNfySelMenuBar(win_, GT_CMD_SAVE_AS);
  EXPECT_EQ(gt_get_num_img_windows(), 1);  // not opened a second time
  EXPECT_STREQ(im->image_name, "renamed.kes");
  EXPECT_TRUE(fs::exists(dir + "/renamed.kei"));
}

// A grey-palette TIFF whose map holds 8-bit values, as older writers store them, imported
// through the command: each index takes its grey. Exported again as a palette TIFF, the map
// holds 64 colours of the display table, each four times over.
TEST_F(ShellExport, GreyPaletteTiffInAndPaletteTiffOut) {
  const int w = 16, h = 16;
  std::vector<uint8_t> px(w * h);
  for (int i = 0; i < w * h; ++i) px[i] = static_cast<uint8_t>(i * 97 % 256);  // every index
  TiffBuilder b = grey8(w, h, h, px);
  set_tag(b, 262, 3, {3});
  std::vector<uint32_t> map;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) map.push_back(255 - (i ^ 0x35));  // index i is grey 255 - (i ^ 0x35)
  b.tag(320, 3, map).tag(282, 5, {300, 1}).tag(283, 5, {300, 1}).tag(296, 3, {2});
  set_tag(b, 273, 4, {b.pixel_offset()});
  const std::string tif = dir + "/pal.tif", kes = dir + "/pal.kes";
  write_file(tif, b.build());
  TKT_AnswerChooser({tif});
  TKT_AnswerChooser({kes});
  main_winNfySelMenuBar(win_, GT_CMD_IMPORT_TIFF);
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), 1);
  std::vector<int> dark_high;
  for (uint8_t i : px) dark_high.push_back(i ^ 0x35);
  EXPECT_EQ(read_kes(kes).v, dark_high);

  answer_export_dialog(0);  // 8-bit palette
  TKT_AnswerChooser({dir + "/pal_out.tif"});
  main_winNfySelMenuBar(win_, GT_CMD_EXPORT_IMAGE);
  std::vector<uint8_t> f;
  ASSERT_TRUE(io_read_whole_file((dir + "/pal_out.tif").c_str(), f));
  EXPECT_EQ(tiff_tags(f)[262], std::vector<uint32_t>{3});
  expect_palette_map(f);
  EXPECT_EQ(libtiff_samples(dir + "/pal_out.tif", dir + "/o"), dark_high);
}

// Exported through the command as a palette TIFF and read back by libtiff, the lightest and the
// darkest pixel show the colours the image window shows them in, under the default grey map and
// under a false-colour map: the map spans the whole display table.
TEST_F(ShellExport, PaletteTiffShowsTheDisplaysEndColours) {
  std::vector<int> every(256);
  for (int i = 0; i < 256; ++i) every[i] = i;
  IMAGE_REC* im = open(write_image(dir + "/all.kes", 1, 16, 16, every));
  ASSERT_NE(im, nullptr);
  IMG_DATA* d = im->img_ptr;
  ASSERT_NE(d, nullptr);
  // The colour the window shows a pixel value in (its position in the 16 x 16 ramp).
  auto shown = [d](int v) {
    const int index = d->pix_img->row(v / 16)[v % 16];
    const uint32_t c = d->disp_img->colours()[static_cast<std::size_t>(index)];
    return std::vector<int>{int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)};
  };
  struct Case {
    const char* what;
    int code;
    int darkest_red, darkest_blue;  // roughly: black, or red
  };
  const Case cases[] = {{"default grey", 0, 0, 0}, {"blue to red", 7, 255, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ih_set_cmap(d->disp_img, c.code, 50, 100);
    ASSERT_NEAR(shown(255)[0], c.darkest_red, 1);
    ASSERT_NEAR(shown(255)[2], c.darkest_blue, 1);
    const std::string out = dir + "/" + std::to_string(c.code) + ".tif";
    answer_export_dialog(0);  // 8-bit palette
    TKT_AnswerChooser({out});
    main_winNfySelMenuBar(win_, GT_CMD_EXPORT_IMAGE);
    ASSERT_TRUE(fs::exists(out));
    // libtiff turns the palette into colours; each pixel is three samples.
    const std::string rgb = dir + "/rgb.tif";
    ASSERT_TRUE(run("tiff2rgba -n -c none " + q(out) + " " + q(rgb)));
    int spp = 0;
    const std::vector<int> got = libtiff_samples(rgb, dir + "/rgb", nullptr, &spp);
    ASSERT_EQ(spp, 3);
    ASSERT_EQ(got.size(), 3u * 256);
    auto pixel = [&got](int v) { return std::vector<int>(got.begin() + 3 * v, got.begin() + 3 * v + 3); };
    EXPECT_EQ(pixel(0), shown(0));
    EXPECT_EQ(pixel(255), shown(255));
  }
  ih_set_cmap(d->disp_img, 0, 50, 100);
}

}  // namespace
