// TIFF import against libtiff's decoding: variants written by tiffcp and ImageMagick, the real
// gels, and small hand-built files for the tags, the missing-tag rules and damaged directories.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "acq_fixture.h"
#include "acquire/io_import.h"
#include "acquire/io_tiff.h"
#include "base/ks_alert.h"
#include "toolkit/tk_test.h"

namespace {

using namespace acqtest;

// The resolution question answered by the test: the dpi to give (0: cancel), and how often it
// was asked.
double g_answer_dpi = 0;
int g_asked = 0;
long answer_res(TkObject*, double* x, double* y, int, int, int, int, int*) {
  ++g_asked;
  if (g_answer_dpi > 0) *x = *y = g_answer_dpi;
  return g_answer_dpi > 0 ? 1 : 0;
}

class TiffImport : public ::testing::Test {
 protected:
  void SetUp() override {
    TKT_Enable(true);  // messages are closed at once
    old_ = io_tiff_set_res_query(answer_res);
    g_answer_dpi = 0;
    g_asked = 0;
  }
  void TearDown() override { io_tiff_set_res_query(old_); }

  // Checks and converts; returns the status (or -100 when the check refused).
  int import(const std::string& tif, const std::string& kes, int channel = 0) {
    int is_color = -1, ch = -1;
    if (!io_tiff_check(tif.c_str(), &is_color, &ch, channel)) return -100;
    int res_flag = -1;
    return io_tiff_convert(tif.c_str(), kes.c_str(), &res_flag, 0);
  }

  // An 8-bit (or 16-bit) grey source made by ImageMagick from deterministic pixels.
  std::string grey_source(const std::string& name, int w, int h, int depth,
                          const std::string& extra = "") {
    const std::string raw = dir.file(name + ".gray");
    write_file(raw, pattern(std::size_t(w) * h * (depth / 8), 7 + depth));
    const std::string tif = dir.file(name + ".tif");
    run("convert -size " + std::to_string(w) + "x" + std::to_string(h) + " -depth " +
        std::to_string(depth) + " -endian LSB gray:" + q(raw) + " " + extra + " -compress none " +
        q(tif));
    return tif;
  }

  // `src` rewritten by tiffcp with `args` as <name>.tif and imported as <name>.kes: the pixel
  // file read back (empty after a failure, which is reported).
  Kes tiffcp_import(const std::string& src, const std::string& name, const std::string& args) {
    const std::string tif = dir.file(name + ".tif"), kes = dir.file(name + ".kes");
    if (!run("tiffcp " + args + " " + q(src) + " " + q(tif))) {
      ADD_FAILURE() << "tiffcp " << args;
      return {};
    }
    const int r = import(tif, kes);
    if (r != 0) {
      ADD_FAILURE() << "import " << name << ": " << r;
      return {};
    }
    return read_kes(kes);
  }

  vxtest::TempDir dir;
  IoResQuery old_ = nullptr;
};

std::vector<int> inverted(const std::vector<int>& v, int max) {
  std::vector<int> r;
  for (int x : v) r.push_back(max - x);
  return r;
}

TEST_F(TiffImport, TiffcpVariantsImportToLibtiffsPixelsInverted) {
  for (int depth : {8, 16}) {
    SCOPED_TRACE(depth);
    const std::string src = grey_source("src" + std::to_string(depth), 97, 61, depth);
    const std::vector<int> ref = libtiff_samples(src, dir.file("ref"));
    const int max = depth == 8 ? 255 : 65535;
    const std::map<std::string, std::string> variants = {
        {"none-one-strip", "-c none -r 1000"}, {"none-odd", "-c none -r 7"},
        {"none-r1", "-c none -r 1"},           {"lzw", "-c lzw -r 5"},
        {"lzw-pred", "-c lzw:2 -r 3"},         {"lzw-pred-odd", "-c lzw:2 -r 13"},
        {"big-endian", "-B -c lzw:2 -r 4"},    {"big-endian-none", "-B -c none -r 9"},
    };
    std::vector<int> first;
    for (const auto& [name, args] : variants) {
      SCOPED_TRACE(name);
      const Kes k = tiffcp_import(src, name, args);
      ASSERT_FALSE(k.v.empty());
      const std::string kes = dir.file(name + ".kes");
      EXPECT_EQ(k.bpp, depth / 8);
      EXPECT_EQ(k.width, 97);
      EXPECT_EQ(k.height, 61);
      EXPECT_EQ(k.v, inverted(ref, max));
      const Info info = read_info(kes);
      EXPECT_EQ(info.h.device, 6);
      EXPECT_EQ(info.h.min_value, *std::min_element(k.v.begin(), k.v.end()));
      EXPECT_EQ(info.h.max_value, *std::max_element(k.v.begin(), k.v.end()));
      ASSERT_EQ(info.dig.size(), 2u);
      EXPECT_EQ(info.dig[0], info.h.min_value);
      EXPECT_EQ(info.dig[1], info.h.max_value);
      EXPECT_DOUBLE_EQ(info.val[1], 2.3);
    }
  }
}

// Files larger than a megabyte are read in parts (the directory and its arrays where they lie,
// after the pixels; pixel rows in blocks): the same pixels as libtiff's for each strip layout.
TEST_F(TiffImport, LargeFilesReadInPartsImportToLibtiffsPixels) {
  const std::string src = grey_source("large", 700, 1013, 16);
  const std::vector<int> ref = inverted(libtiff_samples(src, dir.file("ref")), 65535);
  const std::map<std::string, std::string> variants = {
      {"one-strip", "-c none -r 2000"}, {"strips", "-c none -r 16"}, {"rows", "-c none -r 1"},
      {"lzw-pred", "-c lzw:2 -r 64"},   {"big-endian", "-B -c none -r 33"},
  };
  for (const auto& [name, args] : variants) {
    SCOPED_TRACE(name);
    const Kes k = tiffcp_import(src, name, args);
    EXPECT_EQ(k.width, 700);
    EXPECT_EQ(k.height, 1013);
    EXPECT_EQ(k.v, ref);
  }
  ASSERT_EQ(import(src, dir.file("src.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("src.kes")).v, ref);
}

// A large uncompressed file is converted from blocks of rows read into one buffer, not from a
// copy of the whole file: the import touches far fewer new pages than the file holds.
TEST_F(TiffImport, LargeUncompressedFileIsNotReadWhole) {
  const std::string src = grey_source("held", 2500, 3000, 16);
  struct stat st {};
  ASSERT_EQ(::stat(src.c_str(), &st), 0);
  const long pages = static_cast<long>(st.st_size / 4096);
  // The first import pays the one-time costs of the process (code, allocator regions).
  ASSERT_EQ(import(src, dir.file("first.kes")), 0);
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  ASSERT_EQ(import(src, dir.file("held.kes")), 0);
  ::getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_minflt - before.ru_minflt, pages / 2) << "of " << pages << " pages";
  EXPECT_EQ(read_kes(dir.file("held.kes")).height, 3000);
}

TEST_F(TiffImport, PhotometricChannelsAndPalettes) {
  const int w = 31, h = 17;
  // White is zero: stored unchanged.
  const std::string wiz = grey_source("wiz-src", w, h, 8, "-define quantum:polarity=min-is-white");
  ASSERT_TRUE(run("tiffcp -c lzw -r 4 " + q(wiz) + " " + q(dir.file("wiz.tif"))));
  ASSERT_EQ(import(dir.file("wiz.tif"), dir.file("wiz.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("wiz.kes")).v, libtiff_samples(dir.file("wiz.tif"), dir.file("r1")));

  // RGB with 3 and 4 samples: the chosen channel, inverted; channels 1 and 4 give the first.
  for (const char* fmt : {"rgb", "rgba"}) {
    SCOPED_TRACE(fmt);
    const int spp = std::string(fmt) == "rgb" ? 3 : 4;
    write_file(dir.file("c.raw"), pattern(std::size_t(w) * h * spp, 99));
    const std::string tif = dir.file(std::string(fmt) + ".tif");
    ASSERT_TRUE(run("convert -size 31x17 -depth 8 " + std::string(fmt) + ":" + q(dir.file("c.raw")) +
                    " -compress lzw -define tiff:rows-per-strip=3 " + q(tif)));
    int bits = 0, got_spp = 0;
    const std::vector<int> ref = libtiff_samples(tif, dir.file("r2"), &bits, &got_spp);
    ASSERT_EQ(got_spp, spp);
    for (int ch = 1; ch <= 4; ++ch) {
      SCOPED_TRACE(ch);
      int is_color = 0, got = 0, res = 0;
      ASSERT_TRUE(io_tiff_check(tif.c_str(), &is_color, &got, ch));
      EXPECT_EQ(is_color, 1);
      EXPECT_EQ(got, ch);
      ASSERT_EQ(io_tiff_convert(tif.c_str(), dir.file("c.kes").c_str(), &res, 0), 0);
      const int pick = ch == 2 ? 1 : ch == 3 ? 2 : 0;
      std::vector<int> want;
      for (int i = 0; i < w * h; ++i) want.push_back(255 - ref[i * spp + pick]);
      EXPECT_EQ(read_kes(dir.file("c.kes")).v, want);
    }
  }

  // A colour palette: the index is the measurement, stored inverted.
  write_file(dir.file("p.raw"), pattern(std::size_t(w) * h * 3, 5));
  ASSERT_TRUE(run("convert -size 31x17 -depth 8 rgb:" + q(dir.file("p.raw")) +
                  " -colors 20 -type Palette -compress none " + q(dir.file("pal.tif"))));
  ASSERT_TRUE(run("tiffinfo " + q(dir.file("pal.tif")) + " | grep -q palette"));
  ASSERT_EQ(import(dir.file("pal.tif"), dir.file("pal.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("pal.kes")).v,
            inverted(libtiff_samples(dir.file("pal.tif"), dir.file("r3")), 255));
}

TEST_F(TiffImport, RealGelsWithTheResolutionQuestion) {
  for (const char* name : {"ladder_reference_gel.tif", "overheated_ref.tif"}) {
    SCOPED_TRACE(name);
    const std::string gel = (vxtest::shared_data_dir() / "gels" / name).string();
    const std::vector<int> ref = libtiff_samples(gel, dir.file("gel"));
    for (double dpi : {300.0, 0.0}) {
      g_answer_dpi = dpi;
      g_asked = 0;
      const std::string kes = dir.file("gel.kes");
      int c = 0, ch = 0, res_flag = -1;
      ASSERT_TRUE(io_tiff_check(gel.c_str(), &c, &ch, 0));
      EXPECT_EQ(c, 0);
      EXPECT_EQ(ch, 4);
      ASSERT_EQ(io_tiff_convert(gel.c_str(), kes.c_str(), &res_flag, 0), 0);
      EXPECT_EQ(g_asked, 1);
      EXPECT_EQ(res_flag, 1);
      const Kes k = read_kes(kes);
      EXPECT_EQ(k.width, 1360);
      EXPECT_EQ(k.height, 1024);
      EXPECT_EQ(k.v, inverted(ref, 255));
      const Info info = read_info(kes);
      if (dpi > 0) {
        EXPECT_EQ(info.h.x_res, 84666);
        EXPECT_EQ(info.h.x_scale, -6);
        EXPECT_EQ(info.h.y_res, 84666);
      } else {
        EXPECT_EQ(info.h.x_res, 85);
        EXPECT_EQ(info.h.x_scale, -3);
        EXPECT_EQ(info.h.y_scale, -3);
      }
    }
  }
}

TEST_F(TiffImport, ResolutionAndGelTags) {
  const std::vector<uint8_t> px = pattern(8 * 6, 3);
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::vector<uint32_t>>> tags;  // RATIONAL (5) or SHORT (3)
    int x_res, x_scale, y_res, y_scale;
    double top;  // calibrated value of the brightest point
  };
  const Case cases[] = {
      {"300 dpi, unit inch", {{282, {300, 1}}, {283, {300, 1}}, {296, {2}}}, 8466, -5, 8466, -5, 2.3},
      {"300 dpi without a unit: the inch", {{282, {300, 1}}, {283, {300, 1}}}, 8466, -5, 8466, -5, 2.3},
      {"100 and 50 per cm", {{282, {100, 1}}, {283, {50, 1}}, {296, {3}}}, 10000, -5, 2000, -4, 2.3},
      {"unit none: 0.1 mm", {{282, {72, 1}}, {283, {72, 1}}, {296, {1}}}, 10000, -5, 10000, -5, 2.3},
      {"only X: Y takes it", {{282, {300, 1}}}, 8466, -5, 8466, -5, 2.3},
      {"GEL file tag 1, scale 500/1000", {{282, {300, 1}}, {33445, {1}}, {33446, {500, 1000}}},
       8466, -5, 8466, -5, 2.3 * 0.5},
      {"GEL scale of another denominator", {{282, {300, 1}}, {33446, {500, 7}}}, 8466, -5, 8466,
       -5, 2.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TiffBuilder b = grey8(8, 6, 3, px);
    for (const auto& [tag, v] : c.tags) b.tag(tag, v.size() == 2 ? 5 : 3, v);
    const uint32_t base = b.pixel_offset();
    for (auto& e : b.entries)
      if (e.tag == 273) e.values = {base, base + 24};
    write_file(dir.file("r.tif"), b.build());
    g_asked = 0;
    ASSERT_EQ(import(dir.file("r.tif"), dir.file("r.kes")), 0);
    EXPECT_EQ(g_asked, 0);
    const Info info = read_info(dir.file("r.kes"));
    EXPECT_EQ(info.h.x_res, c.x_res);
    EXPECT_EQ(info.h.x_scale, c.x_scale);
    EXPECT_EQ(info.h.y_res, c.y_res);
    EXPECT_EQ(info.h.y_scale, c.y_scale);
    ASSERT_EQ(info.val.size(), 2u);
    EXPECT_NEAR(info.val[1], c.top, 1e-9);
    EXPECT_EQ(read_kes(dir.file("r.kes")).v, inverted(std::vector<int>(px.begin(), px.end()), 255));
  }
}

// Palettes: a map whose every entry is grey gives each index its grey, stored dark-high, whether
// the writer stored grey g as g x 257, as g x 256 or as g itself (older writers' 8-bit maps); a
// colour map, or none, keeps the index, inverted.
TEST_F(TiffImport, PaletteRules) {
  const std::vector<uint8_t> px = [] {
    std::vector<uint8_t> v(256);
    for (int i = 0; i < 256; ++i) v[i] = static_cast<uint8_t>(i * 97 % 256);  // every index once
    return v;
  }();
  auto map_of = [](int scale, auto grey_r, auto grey_g, auto grey_b) {
    std::vector<uint32_t> m;
    for (int i = 0; i < 256; ++i) m.push_back(grey_r(i) * scale);
    for (int i = 0; i < 256; ++i) m.push_back(grey_g(i) * scale);
    for (int i = 0; i < 256; ++i) m.push_back(grey_b(i) * scale);
    return m;
  };
  auto down = [](int i) { return 255 - i; };
  auto up = [](int i) { return i; };
  auto half = [](int i) { return i / 2; };
  struct Case {
    const char* what;
    std::vector<uint32_t> map;
    int (*stored)(int index);
  };
  const Case cases[] = {
      {"grey ramp running down, x 257", map_of(257, down, down, down), [](int i) { return i; }},
      {"grey ramp running down, x 256", map_of(256, down, down, down), [](int i) { return i; }},
      {"grey ramp running up, x 257", map_of(257, up, up, up), [](int i) { return 255 - i; }},
      {"grey ramp running up, x 256", map_of(256, up, up, up), [](int i) { return 255 - i; }},
      {"grey ramp running down, 8-bit entries", map_of(1, down, down, down), [](int i) { return i; }},
      {"grey ramp running up, 8-bit entries", map_of(1, up, up, up), [](int i) { return 255 - i; }},
      {"greys in steps of 4, 8-bit entries", map_of(1, [](int i) { return i / 4 * 4; },
                                                     [](int i) { return i / 4 * 4; },
                                                     [](int i) { return i / 4 * 4; }),
       [](int i) { return 255 - i / 4 * 4; }},
      {"a colour map", map_of(257, up, half, down), [](int i) { return 255 - i; }},
      {"no map", {}, [](int i) { return 255 - i; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TiffBuilder b = grey8(16, 16, 8, px);
    set_tag(b, 262, 3, {3});
    if (!c.map.empty()) b.tag(320, 3, c.map);
    const uint32_t base = b.pixel_offset();
    set_tag(b, 273, 4, {base, base + 128});
    write_file(dir.file("pal.tif"), b.build());
    ASSERT_EQ(import(dir.file("pal.tif"), dir.file("pal.kes")), 0);
    std::vector<int> want;
    for (uint8_t v : px) want.push_back(c.stored(v));
    EXPECT_EQ(read_kes(dir.file("pal.kes")).v, want);
  }
  // A 16-bit palette image: a 16-bit map gives its entries; an 8-bit map gives g x 257.
  std::vector<uint8_t> px16;
  for (int i = 0; i < 64; ++i) {
    const uint32_t index = (i * 40503u) & 0xffff;
    px16.push_back(static_cast<uint8_t>(index));
    px16.push_back(static_cast<uint8_t>(index >> 8));
  }
  for (const bool eight : {false, true}) {
    SCOPED_TRACE(eight ? "16 bits, 8-bit entries" : "16 bits, 16-bit entries");
    auto grey = [&](uint32_t index) { return eight ? (index >> 3) & 0xff : index ^ 0x5a5a; };
    std::vector<uint32_t> map;
    for (int c = 0; c < 3; ++c)
      for (uint32_t i = 0; i < 65536; ++i) map.push_back(grey(i));
    TiffBuilder b = grey8(8, 8, 8, px16);
    set_tag(b, 258, 3, {16});
    set_tag(b, 262, 3, {3});
    set_tag(b, 279, 4, {128});
    b.tag(320, 3, map);
    set_tag(b, 273, 4, {b.pixel_offset()});
    write_file(dir.file("pal16.tif"), b.build());
    ASSERT_EQ(import(dir.file("pal16.tif"), dir.file("pal16.kes")), 0);
    std::vector<int> want;
    for (std::size_t i = 0; i < px16.size(); i += 2) {
      const uint32_t g = grey(px16[i] | px16[i + 1] << 8);
      want.push_back(static_cast<int>(65535 - (eight ? g * 257 : g)));
    }
    EXPECT_EQ(read_kes(dir.file("pal16.kes")).v, want);
  }
}

TEST_F(TiffImport, MissingStripTags) {
  const std::vector<uint8_t> px = pattern(10 * 4, 11);
  const std::vector<int> want = inverted(std::vector<int>(px.begin(), px.end()), 255);
  // Without StripOffsets the image is the last bytes of the file.
  TiffBuilder a = grey8(10, 4, 4, px);
  drop_tag(a, 273);
  write_file(dir.file("a.tif"), a.build());
  ASSERT_EQ(import(dir.file("a.tif"), dir.file("a.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("a.kes")).v, want);
  // Without StripByteCounts (and RowsPerStrip) one strip of the whole image.
  TiffBuilder b = grey8(10, 4, 4, px);
  drop_tag(b, 279);
  drop_tag(b, 278);
  const uint32_t base = b.pixel_offset();
  set_tag(b, 273, 4, {base});
  write_file(dir.file("b.tif"), b.build());
  ASSERT_EQ(import(dir.file("b.tif"), dir.file("b.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("b.kes")).v, want);
  // Several strips without RowsPerStrip: -1.
  TiffBuilder c = grey8(10, 4, 2, px);
  drop_tag(c, 278);
  write_file(dir.file("c.tif"), c.build());
  EXPECT_EQ(import(dir.file("c.tif"), dir.file("c.kes")), -1);
  // Two SHORT offsets and counts fit in their entries and stand there, not at an offset.
  TiffBuilder e = grey8(10, 4, 2, px);
  set_tag(e, 279, 3, {20, 20});
  set_tag(e, 273, 3, {0, 0});
  const uint32_t at = e.pixel_offset();
  set_tag(e, 273, 3, {at, at + 20});
  write_file(dir.file("e.tif"), e.build());
  ASSERT_EQ(import(dir.file("e.tif"), dir.file("e.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("e.kes")).v, want);
  // RowsPerStrip of 2^32 - 1 (common) is the whole height.
  TiffBuilder d = grey8(10, 4, 4, px);
  set_tag(d, 278, 4, {0xffffffffu});
  write_file(dir.file("d.tif"), d.build());
  ASSERT_EQ(import(dir.file("d.tif"), dir.file("d.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("d.kes")).v, want);
}

// Damaged or unsupported files: refused at the check or before the pixel file is opened, with
// the status of the step that found them; a short strip fails its strip.
TEST_F(TiffImport, RefusesWhatDoesNotFit) {
  const std::vector<uint8_t> px = pattern(6 * 6, 13);
  struct Case {
    const char* what;
    void (*damage)(TiffBuilder&);
    int status;  // -100: refused by the check
    bool output_exists;
  };
  const Case cases[] = {
      {"PackBits", [](TiffBuilder& b) { set_tag(b, 259, 3, {32773}); }, -100, false},
      {"4 bits per sample", [](TiffBuilder& b) { set_tag(b, 258, 3, {4}); }, -100, false},
      {"12 bits per sample", [](TiffBuilder& b) { set_tag(b, 258, 3, {12}); }, -100, false},
      {"32 bits per sample", [](TiffBuilder& b) { set_tag(b, 258, 3, {32}); }, -100, false},
      {"grey with two samples", [](TiffBuilder& b) { set_tag(b, 277, 3, {2}); }, -100, false},
      {"photometric 5", [](TiffBuilder& b) { set_tag(b, 262, 3, {5}); }, -100, false},
      {"planar 2", [](TiffBuilder& b) { set_tag(b, 284, 3, {2}); }, -100, false},
      {"width 0", [](TiffBuilder& b) { set_tag(b, 256, 4, {0}); }, 19, false},
      {"height 0", [](TiffBuilder& b) { set_tag(b, 257, 4, {0}); }, 19, false},
      {"fewer byte counts than offsets",
       [](TiffBuilder& b) { set_tag(b, 279, 4, {18}); }, 19, false},
      {"strips short of the height",
       [](TiffBuilder& b) { set_tag(b, 257, 4, {9}); }, 19, false},
      {"a strip past the end of the file",
       [](TiffBuilder& b) { set_tag(b, 279, 4, {18, 5000}); }, 19, false},
      {"no StripOffsets and an image larger than the file",
       [](TiffBuilder& b) {
         drop_tag(b, 273);
         set_tag(b, 257, 4, {600});
         set_tag(b, 278, 4, {600});
         set_tag(b, 279, 4, {3600});
       }, 19, false},
      {"an uncompressed strip shorter than its rows",
       [](TiffBuilder& b) { set_tag(b, 279, 4, {18, 10}); }, 80, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TiffBuilder b = grey8(6, 6, 3, px);
    c.damage(b);
    write_file(dir.file("bad.tif"), b.build());
    std::remove(dir.file("bad.kes").c_str());
    EXPECT_EQ(import(dir.file("bad.tif"), dir.file("bad.kes")), c.status);
    EXPECT_EQ(std::filesystem::exists(dir.file("bad.kes")), c.output_exists);
  }
  // A magic number other than 42.
  std::vector<uint8_t> f = grey8(6, 6, 3, px).build();
  f[2] = 43;
  write_file(dir.file("magic.tif"), f);
  EXPECT_EQ(import(dir.file("magic.tif"), dir.file("magic.kes")), -100);
  // The refusal names what it refused.
  const std::string src = grey_source("cmp-src", 20, 10, 8);
  struct Refusal {
    const char* args;
    const char* text;
  };
  const Refusal refusals[] = {
      {"-c packbits", "Illegal Compression (PackBits) in TIFF."},
      {"-c zip", "Illegal Compression (Deflate) in TIFF."},
      {"-c jpeg", "Illegal Compression (JPEG) in TIFF."},
      {"-c none -t -w 16 -l 16", "Tiled TIFF files are not read; save the image in strips."},
      {"-c lzw -t -w 16 -l 16", "Tiled TIFF files are not read; save the image in strips."},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.args);
    ASSERT_TRUE(run("tiffcp " + std::string(r.args) + " " + q(src) + " " + q(dir.file("x.tif"))));
    std::remove(dir.file("x.kes").c_str());
    EXPECT_EQ(import(dir.file("x.tif"), dir.file("x.kes")), -100);
    EXPECT_EQ(TKT_LastAlertText(), r.text);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.kes")));
  }
  // A scheme without a name is given by its number.
  TiffBuilder b = grey8(6, 6, 3, px);
  set_tag(b, 259, 3, {4242});
  write_file(dir.file("n.tif"), b.build());
  EXPECT_EQ(import(dir.file("n.tif"), dir.file("n.kes")), -100);
  EXPECT_EQ(TKT_LastAlertText(), "Illegal Compression (4242) in TIFF.");
}

// LZW strips of any size, a file of one LZW strip with the predictor, and a strip that ends
// with a clear code before the end code (libtiff writes it when its table fills just as the
// strip ends) import to libtiff's pixels.
TEST_F(TiffImport, LzwStripsOfAnySizeAndAClearBeforeTheEnd) {
  for (int depth : {8, 16}) {
    SCOPED_TRACE(depth);
    const std::string src = grey_source("big" + std::to_string(depth), 1200, 130, depth);
    const std::vector<int> ref = libtiff_samples(src, dir.file("ref"));
    const int max = depth == 8 ? 255 : 65535;
    for (const char* args : {"-c lzw:2 -r 60", "-c lzw -r 100", "-c lzw:2 -r 1000", "-c lzw -r 1000"}) {
      SCOPED_TRACE(args);
      ASSERT_TRUE(run("tiffcp " + std::string(args) + " " + q(src) + " " + q(dir.file("l.tif"))));
      ASSERT_EQ(import(dir.file("l.tif"), dir.file("l.kes")), 0);
      const Kes k = read_kes(dir.file("l.kes"));
      EXPECT_EQ(k.width, 1200);
      EXPECT_EQ(k.v, inverted(ref, max));
    }
  }
  // Rows of 3836 bytes in which no two neighbouring bytes repeat a pair: each byte after the
  // first makes a table entry, so the table is full exactly when a row's strip ends.
  const int w = 3836, h = 3;
  std::vector<uint8_t> px;
  for (int y = 0; y < h; ++y) {
    std::vector<int> next(256, 0);
    int a = (y * 7) & 255;
    for (int x = 0; x < w; ++x) {
      px.push_back(static_cast<uint8_t>(a));
      const int b = (a + 1 + next[a]++) & 255;
      a = b;
    }
  }
  ASSERT_TRUE(write_lzw_grey_tiff(dir.file("pairs.tif"), w, h, px, 1));
  // The strips end with a clear code of 12 bits and the end code of 9 (the clear's last bits
  // and the end code's: ...0001 0000 0000 | 1 0000 0001).
  std::vector<uint8_t> f;
  ASSERT_TRUE(io_read_whole_file(dir.file("pairs.tif").c_str(), f));
  const auto strips = tiff_strips(f);
  ASSERT_EQ(strips.size(), 3u);
  for (const auto& [off, count] : strips) {
    ASSERT_GE(count, 3u);
    const uint32_t tail = uint32_t(f[off + count - 3]) << 16 | uint32_t(f[off + count - 2]) << 8 |
                          f[off + count - 1];
    bool clear_then_end = false;
    for (int pad = 0; pad < 8; ++pad)
      clear_then_end |= (tail >> pad & 0x1fffffu) == (0x100u << 9 | 0x101u) &&
                        (tail & ((1u << pad) - 1)) == 0;
    EXPECT_TRUE(clear_then_end) << std::hex << tail;
  }
  ASSERT_EQ(import(dir.file("pairs.tif"), dir.file("pairs.kes")), 0);
  EXPECT_EQ(read_kes(dir.file("pairs.kes")).v,
            inverted(libtiff_samples(dir.file("pairs.tif"), dir.file("pairs-ref")), 255));
}

int open_descriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// A min-is-white import after a min-is-black one is not inverted (the check resets the
// inversion); no import leaves a file open.
TEST_F(TiffImport, EachImportStartsAfreshAndClosesItsFiles) {
  const std::string bz = grey_source("bz", 12, 5, 8);
  const std::string wz = grey_source("wz", 12, 5, 8, "-define quantum:polarity=min-is-white");
  ASSERT_EQ(import(bz, dir.file("b.kes")), 0);
  const int fds = open_descriptors();
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(import(wz, dir.file("w.kes")), 0);
    EXPECT_EQ(import(dir.file("missing.tif"), dir.file("m.kes")), -100);
  }
  EXPECT_EQ(open_descriptors(), fds);
  EXPECT_EQ(read_kes(dir.file("w.kes")).v, libtiff_samples(wz, dir.file("w")));
  // A conversion without a check of its own is refused.
  int res = 0;
  EXPECT_EQ(io_tiff_convert(wz.c_str(), dir.file("x.kes").c_str(), &res, 0), 19);
}

}  // namespace
