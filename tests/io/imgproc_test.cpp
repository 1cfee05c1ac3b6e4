// Whole-file image operations against a direct computation on small images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/analysis.h"
#include "io/imgproc.h"
#include "io/info_file.h"
#include "model/img_info.h"
#include "test_support.h"
#include "fixture.h"

namespace fs = std::filesystem;

namespace {

// A pixel grid: values[y][x].
struct Grid {
  int w = 0, h = 0, bpp = 1;
  std::vector<unsigned> v;
  unsigned& at(int x, int y) { return v[static_cast<std::size_t>(y) * w + x]; }
  unsigned at(int x, int y) const { return v[static_cast<std::size_t>(y) * w + x]; }
};

Grid make_grid(int w, int h, int bpp) {
  Grid g{w, h, bpp, std::vector<unsigned>(static_cast<std::size_t>(w) * h)};
  uint32_t s = 12345u + w * 7u + h;
  const unsigned range = bpp == 2 ? 60000u : 250u;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      s = s * 1103515245u + 12345u;
      g.at(x, y) = 3 + (s >> 8) % range;  // minimum above 0, so the border's fill shows
    }
  return g;
}

void write_kes(const std::string& path, const Grid& g, bool big) {
  iofix::Bytes f(12, big);
  f.str(0, big ? "MM" : "II");
  f.u16(2, static_cast<uint16_t>(g.bpp));
  f.i32(4, g.w);
  f.i32(8, g.h);
  std::size_t off = 12;
  for (unsigned v : g.v) {
    if (g.bpp == 2)
      f.u16(off, static_cast<uint16_t>(v));
    else
      f.u8(off, static_cast<uint8_t>(v));
    off += g.bpp;
  }
  vxtest::write_bytes(path, f.b);
}

// Reads a little-endian pixel file as the operations write it.
Grid read_kes(const std::string& path) {
  auto b = vxtest::read_bytes(path);
  Grid g;
  if (b.size() < 12 || b[0] != 'I' || b[1] != 'I') return g;
  g.bpp = b[2] | b[3] << 8;
  g.w = b[4] | b[5] << 8 | b[6] << 16;
  g.h = b[8] | b[9] << 8 | b[10] << 16;
  g.v.resize(static_cast<std::size_t>(g.w) * g.h);
  if (b.size() != 12 + g.v.size() * g.bpp) return Grid{};
  for (std::size_t i = 0; i < g.v.size(); ++i)
    g.v[i] = g.bpp == 2 ? b[12 + 2 * i] | b[13 + 2 * i] << 8 : b[12 + i];
  return g;
}

void write_kei(const std::string& path, const Grid& g) {
  IMG_INFO info{};
  info.width = g.w;
  info.height = g.h;
  info.bytes_per_pixel = g.bpp;
  info.x_res = 100;
  info.y_res = 200;
  info.x_scale = 1;
  info.y_scale = 2;
  info.min_value = *std::min_element(g.v.begin(), g.v.end());
  info.max_value = *std::max_element(g.v.begin(), g.v.end());
  IMG_INT_INFO* look = ks_new_rec<IMG_INT_INFO>();
  ASSERT_TRUE(lookup_init(look));
  look->dig_values[0] = 10;
  look->dig_values[1] = 200;
  ANALYSIS_ENTRY e1{1, &info, nullptr, 0}, e2{2, look, nullptr, 0};
  ANALYSIS_ENTRY* list[] = {&e1, &e2};
  ASSERT_EQ(io_write_inf(path.c_str(), list, 2), 0);
  lookup_free(look);
}

struct Kei {
  IMG_INFO head{};
  std::vector<int> dig;
  bool ok = false;
};
Kei read_kei(const std::string& path) {
  Kei k;
  ANALYSIS_ENTRY** list = nullptr;
  int n = io_read_inf(path.c_str(), &list, 0);
  for (int i = 0; i < n; ++i) {
    if (list[i]->type == 1) {
      k.head = *static_cast<IMG_INFO*>(list[i]->record);
      k.ok = true;
    }
    if (list[i]->type == 2) {
      auto* l = static_cast<IMG_INT_INFO*>(list[i]->record);
      k.dig.assign(l->dig_values, l->dig_values + l->wedge_count);
    }
  }
  if (list) io_free_analysis_list(list, n);
  return k;
}

// Direct computations.
Grid rotate(const Grid& g, int dir) {
  Grid r{g.h, g.w, g.bpp, std::vector<unsigned>(g.v.size())};
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) {
      if (dir == 1)
        r.at(g.h - 1 - y, x) = g.at(x, y);
      else
        r.at(y, g.w - 1 - x) = g.at(x, y);
    }
  return r;
}
Grid median(const Grid& g) {
  Grid r = g;
  for (int y = 1; y < g.h - 1; ++y)
    for (int x = 1; x < g.w - 1; ++x) {
      std::vector<unsigned> n;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) n.push_back(g.at(x + dx, y + dy));
      std::sort(n.begin(), n.end());
      r.at(x, y) = n[4];
    }
  return r;
}
Grid border(const Grid& g, int size, bool l, bool t, bool rt, bool b) {
  const unsigned mn = *std::min_element(g.v.begin(), g.v.end());
  Grid r{g.w + size * (l + rt), g.h + size * (t + b), g.bpp, {}};
  r.v.assign(static_cast<std::size_t>(r.w) * r.h, mn);
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) r.at(x + (l ? size : 0), y + (t ? size : 0)) = g.at(x, y);
  return r;
}
Grid map_each(const Grid& g, const std::function<unsigned(const Grid&, int, int)>& f) {
  Grid r = g;
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) r.at(x, y) = f(g, x, y);
  return r;
}

struct OpCase {
  const char* name;
  std::function<int(const char*)> run;
  std::function<Grid(const Grid&)> expect;
  int flag;
};

class Imgproc : public ::testing::Test {
 protected:
  std::string img(const char* name = "gel.kes") const { return dir_.file(name); }
  // Nothing but the image's own files: no temporary file left behind.
  std::vector<std::string> files() const {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(dir_.path())) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }
  vxtest::TempDir dir_;
};

TEST_F(Imgproc, EachOperationMatchesADirectComputation) {
  const std::vector<OpCase> ops = {
      {"invert", io_imgproc_invert,
       [](const Grid& g) {
         const unsigned full = g.bpp == 2 ? 65535 : 255;
         return map_each(g, [full](const Grid& s, int x, int y) { return full - s.at(x, y); });
       },
       IMG_FLAG_INVERTED},
      {"flip_side", io_imgproc_flip_side,
       [](const Grid& g) {
         return map_each(g, [](const Grid& s, int x, int y) { return s.at(s.w - 1 - x, y); });
       },
       IMG_FLAG_FLIPPED},
      {"flip_top", io_imgproc_flip_top,
       [](const Grid& g) {
         return map_each(g, [](const Grid& s, int x, int y) { return s.at(x, s.h - 1 - y); });
       },
       IMG_FLAG_FLIPPED},
      {"rotate_90", io_imgproc_rotate_90, [](const Grid& g) { return rotate(g, 1); },
       IMG_FLAG_ROTATED},
      {"rotate_270", io_imgproc_rotate_270, [](const Grid& g) { return rotate(g, 0); },
       IMG_FLAG_ROTATED},
      {"filter", io_imgproc_filter, median, IMG_FLAG_FILTERED},
      {"border left top", [](const char* p) { return io_imgproc_border(p, 3, 1, 1, 0, 0); },
       [](const Grid& g) { return border(g, 3, true, true, false, false); }, IMG_FLAG_BORDER},
      {"border all", [](const char* p) { return io_imgproc_border(p, 2, 1, 1, 1, 1); },
       [](const Grid& g) { return border(g, 2, true, true, true, true); }, IMG_FLAG_BORDER},
      {"crop", [](const char* p) { return io_imgproc_crop(p, 1, 2, 4, 1, nullptr); },
       [](const Grid& g) {
         Grid r{4, 1, g.bpp, {}};
         for (int x = 0; x < 4; ++x) r.v.push_back(g.at(1 + x, 2));
         return r;
       },
       IMG_FLAG_CROPPED},
  };
  // Shapes that cross the 256-row bands, in rows and (for the quarter turns) in columns.
  const std::pair<int, int> shapes[] = {{9, 260}, {260, 3}};
  for (const OpCase& op : ops)
    for (auto [w, h] : shapes)
      for (int bpp : {1, 2})
        for (bool big : {false, true}) {
          SCOPED_TRACE(::testing::Message() << op.name << " " << w << "x" << h << " bpp " << bpp
                                            << (big ? " MM" : " II"));
          const Grid g = make_grid(w, h, bpp);
          write_kes(img(), g, big);
          write_kei(img(), g);
          ASSERT_EQ(op.run(img().c_str()), 0);
          const Grid want = op.expect(g);
          const Grid got = read_kes(img());
          ASSERT_EQ(got.w, want.w);
          ASSERT_EQ(got.h, want.h);
          EXPECT_EQ(got.bpp, bpp);
          EXPECT_TRUE(got.v == want.v);
          const Kei k = read_kei(img());
          ASSERT_TRUE(k.ok);
          EXPECT_EQ(k.head.flags, op.flag);
          EXPECT_EQ(k.head.width, want.w);
          EXPECT_EQ(k.head.height, want.h);
          EXPECT_EQ(files(), (std::vector<std::string>{"gel.kei", "gel.kes"}));
        }
}

TEST_F(Imgproc, InfoFileFollowsTheOperation) {
  const Grid g = make_grid(6, 5, 1);
  write_kes(img(), g, false);
  write_kei(img(), g);
  const Kei before = read_kei(img());
  fs::permissions(img(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);

  ASSERT_EQ(io_imgproc_invert(img().c_str()), 0);
  EXPECT_EQ(fs::status(img()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);  // the replaced image keeps its mode
  Kei k = read_kei(img());
  EXPECT_EQ(k.head.min_value, 255 - before.head.max_value);
  EXPECT_EQ(k.head.max_value, 255 - before.head.min_value);
  EXPECT_EQ(k.dig, (std::vector<int>{55, 245}));  // 255 - old values, in reverse order
  ASSERT_EQ(io_imgproc_invert(img().c_str()), 0);
  EXPECT_TRUE(read_kes(img()).v == g.v);
  EXPECT_EQ(read_kei(img()).head.flags, IMG_FLAG_INVERTED);

  ASSERT_EQ(io_imgproc_rotate_90(img().c_str()), 0);
  k = read_kei(img());
  EXPECT_EQ(k.head.width, 5);
  EXPECT_EQ(k.head.height, 6);
  EXPECT_EQ(k.head.x_res, 200);
  EXPECT_EQ(k.head.y_res, 100);
  EXPECT_EQ(k.head.x_scale, 2);
  EXPECT_EQ(k.head.y_scale, 1);
  ASSERT_EQ(io_imgproc_rotate_270(img().c_str()), 0);
  EXPECT_TRUE(read_kes(img()).v == g.v);
  EXPECT_EQ(read_kei(img()).head.flags, IMG_FLAG_INVERTED | IMG_FLAG_ROTATED);

  const auto pixels = vxtest::read_bytes(img());
  ASSERT_EQ(io_imgproc_mark_equalized(img().c_str()), 0);
  EXPECT_EQ(read_kei(img()).head.flags, IMG_FLAG_INVERTED | IMG_FLAG_ROTATED | IMG_FLAG_EQUALISED);
  EXPECT_EQ(vxtest::read_bytes(img()), pixels);
}

TEST_F(Imgproc, CropToADestinationKeepsTheSource) {
  const Grid g = make_grid(8, 7, 2);
  write_kes(img(), g, true);
  write_kei(img(), g);
  const auto src_kes = vxtest::read_bytes(img());
  const auto src_kei = vxtest::read_bytes(img("gel.kei"));
  vxtest::write_bytes(img("part.kes"), {1, 2, 3});  // an older file there is replaced

  ASSERT_EQ(io_imgproc_crop(img().c_str(), 0, 0, 8, 7, img("part.kes").c_str()), 0);
  EXPECT_TRUE(read_kes(img("part.kes")).v == g.v);
  EXPECT_EQ(read_kei(img("part.kes")).head.flags, IMG_FLAG_CROPPED);
  EXPECT_EQ(vxtest::read_bytes(img()), src_kes);
  EXPECT_EQ(vxtest::read_bytes(img("gel.kei")), src_kei);

  EXPECT_EQ(io_imgproc_crop(img().c_str(), 0, 0, 9, 7, img("part.kes").c_str()), 2);
  EXPECT_EQ(io_imgproc_crop(img().c_str(), -1, 0, 2, 2, nullptr), 2);
  EXPECT_EQ(io_imgproc_crop(img().c_str(), 7, 6, 1, 1, nullptr), 0);
  EXPECT_EQ(read_kes(img()).v, std::vector<unsigned>{g.at(7, 6)});
}

TEST_F(Imgproc, FailuresLeaveTheImageFilesAsTheyWere) {
  const Grid g = make_grid(5, 4, 1);
  write_kes(img(), g, false);
  const auto kes = vxtest::read_bytes(img());

  // No info file: nothing is replaced.
  EXPECT_EQ(io_imgproc_filter(img().c_str()), IMGPROC_ERR_REPLACE);
  EXPECT_EQ(io_imgproc_mark_equalized(img().c_str()), IMGPROC_ERR_REPLACE);
  EXPECT_EQ(vxtest::read_bytes(img()), kes);
  EXPECT_EQ(files(), std::vector<std::string>{"gel.kes"});

  // Arguments and headers refused before anything is read.
  write_kei(img(), g);
  const auto kei = vxtest::read_bytes(img("gel.kei"));
  EXPECT_EQ(io_imgproc_border(img().c_str(), 3, 0, 0, 0, 0), -1);
  EXPECT_EQ(io_imgproc_border(img().c_str(), 0, 1, 0, 0, 0), -1);
  EXPECT_EQ(io_imgproc_invert(img("none.kes").c_str()), -1);

  // A pixel file shorter than its header says: the band cannot be read.
  auto cut = kes;
  cut.resize(cut.size() - 3);
  vxtest::write_bytes(img(), cut);
  EXPECT_EQ(io_imgproc_rotate_90(img().c_str()), -1);
  EXPECT_EQ(vxtest::read_bytes(img()), cut);
  EXPECT_EQ(vxtest::read_bytes(img("gel.kei")), kei);
  EXPECT_EQ(files(), (std::vector<std::string>{"gel.kei", "gel.kes"}));
  // A bare header announcing 2^31 - 1 square 16-bit pixels: refused before anything is read.
  const std::vector<unsigned char> huge = {'I', 'I', 2, 0, 0xFF, 0xFF, 0xFF, 0x7F,
                                           0xFF, 0xFF, 0xFF, 0x7F};
  vxtest::write_bytes(img(), huge);
  EXPECT_EQ(io_imgproc_rotate_90(img().c_str()), -1);
  EXPECT_EQ(io_imgproc_invert(img().c_str()), -1);
  EXPECT_EQ(vxtest::read_bytes(img()), huge);
  vxtest::write_bytes(img(), kes);

  // The destination's info file cannot be replaced: its pixel file stays.
  vxtest::write_bytes(img("dst.kes"), {9, 9});
  fs::create_directory(img("dst.kei"));
  EXPECT_EQ(io_imgproc_crop(img().c_str(), 0, 0, 2, 2, img("dst.kes").c_str()), 22);
  EXPECT_EQ(vxtest::read_bytes(img("dst.kes")), (std::vector<unsigned char>{9, 9}));
  fs::remove(img("dst.kei"));
  fs::remove(img("dst.kes"));

  // The destination's pixel file cannot be replaced: its old info file is put back.
  fs::create_directory(img("dst.kes"));
  vxtest::write_bytes(img("dst.kei"), {4, 5, 6});
  EXPECT_EQ(io_imgproc_crop(img().c_str(), 0, 0, 2, 2, img("dst.kes").c_str()), 22);
  EXPECT_EQ(vxtest::read_bytes(img("dst.kei")), (std::vector<unsigned char>{4, 5, 6}));
  EXPECT_EQ(files(), (std::vector<std::string>{"dst.kei", "dst.kes", "gel.kei", "gel.kes"}));
  EXPECT_EQ(vxtest::read_bytes(img()), kes);
}

}  // namespace
