// The equaliser against a numpy computation, its edge cases, and what each failure leaves.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "io/analysis.h"
#include "io/info_file.h"
#include "model/img_info.h"
#include "shell/gt_equalize.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_test.h"

namespace {

struct Img {
  int w = 0, h = 0, bpp = 1;
  std::vector<unsigned> v;
};

std::vector<unsigned char> kes_bytes(const Img& g) {
  std::vector<unsigned char> b = {'I', 'I', static_cast<unsigned char>(g.bpp), 0};
  for (uint32_t x : {uint32_t(g.w), uint32_t(g.h)})
    for (int i = 0; i < 4; ++i) b.push_back((x >> (8 * i)) & 0xFF);
  for (unsigned v : g.v) {
    b.push_back(v & 0xFF);
    if (g.bpp == 2) b.push_back(v >> 8);
  }
  return b;
}

void write_image(const std::string& kes, const Img& g, bool with_info = true) {
  vxtest::write_bytes(kes, kes_bytes(g));
  if (!with_info) return;
  IMG_INFO info{};
  info.width = g.w;
  info.height = g.h;
  info.bytes_per_pixel = g.bpp;
  ANALYSIS_ENTRY e1{1, &info, nullptr, 0};
  ANALYSIS_ENTRY* list[] = {&e1};
  const std::string kei = kes.substr(0, kes.size() - 4) + ".kei";
  ASSERT_EQ(io_write_inf(kei.c_str(), list, 1), 0);
}

int info_flags(const std::string& kes) {
  const std::string kei = kes.substr(0, kes.size() - 4) + ".kei";
  ANALYSIS_ENTRY** list = nullptr;
  int n = io_read_inf(kei.c_str(), &list, 0);
  int flags = -1;
  for (int i = 0; i < n; ++i)
    if (list[i]->type == 1) flags = static_cast<IMG_INFO*>(list[i]->record)->flags;
  if (list) io_free_analysis_list(list, n);
  return flags;
}

Img random_image(int w, int h, int bpp, unsigned seed, unsigned lo, unsigned hi) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<unsigned> d(lo, hi);
  Img g{w, h, bpp, std::vector<unsigned>(std::size_t(w) * h)};
  for (auto& v : g.v) v = d(rng);
  return g;
}

class Equalize : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
  }
  void TearDown() override { TKT_Enable(false); }
  std::string file(const std::string& n) const { return dir_.file(n); }
  std::vector<std::string> files() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  vxtest::TempDir dir_;
};

TEST_F(Equalize, MatchesNumpyAt8And16Bits) {
  for (int bpp : {1, 2}) {
    SCOPED_TRACE(bpp);
    const unsigned top = bpp == 2 ? 65535 : 255;
    Img img = random_image(37, 23, bpp, 7 + bpp, 0, top);
    // The even field: mostly bright with zeros and dim pixels, so factors go both ways.
    Img eq = random_image(37, 23, bpp, 11 + bpp, top / 4, top);
    eq.v[5] = 0;
    eq.v[100] = 1;
    write_image(file("gel.kes"), img);
    write_image(file("flat.kes"), eq);
    ASSERT_TRUE(gt_equalize(file("gel.kes").c_str(), file("flat.kes").c_str()));

    const std::string cmd = "/usr/bin/python3 " +
                            (vxtest::source_dir() / "tests/shell/equalize_oracle.py").string() +
                            " " + file("orig.kes") + " " + file("flat.kes") + " " + file("want.raw");
    write_image(file("orig.kes"), img, false);
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "numpy oracle did not run";
    auto got = vxtest::read_bytes(file("gel.kes"));
    auto want = vxtest::read_bytes(file("want.raw"));
    ASSERT_EQ(got.size(), want.size() + 12);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin() + 12));
    EXPECT_EQ(info_flags(file("gel.kes")) & IMG_FLAG_EQUALISED, IMG_FLAG_EQUALISED);
  }
}

TEST(EqualizeMath, EdgeCases) {
  // Row median is element width / 2 of the sorted row: 3, 1, 4, 2 gives 3.
  const uint8_t row[] = {3, 1, 4, 2};
  auto f = gt_equal_factors(1, 4, 1, row);
  ASSERT_EQ(f.size(), 4u);
  EXPECT_DOUBLE_EQ(f[0], 1.0);
  EXPECT_DOUBLE_EQ(f[1], 3.0);
  EXPECT_DOUBLE_EQ(f[3], 1.5);
  // A zero in the equalising image gives factor 0 and so a 0 pixel; 60000 x 1.5 holds at 65535;
  // 2.5 rounds to even.
  const uint8_t eq[] = {0, 0, 4, 0};
  f = gt_equal_factors(1, 2, 2, eq);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0], 0.0);
  uint8_t px[] = {0x60, 0xEA, 0x60, 0xEA};  // 60000, 60000
  const double factors[] = {0.0, 1.5};
  gt_equal_apply(1, 2, 2, px, factors);
  EXPECT_EQ(px[0] | px[1] << 8, 0);
  EXPECT_EQ(px[2] | px[3] << 8, 65535);
  uint8_t p8[] = {5, 7, 200};
  const double h8[] = {0.5, 0.5, 2.0};
  gt_equal_apply(1, 3, 1, p8, h8);
  EXPECT_EQ(p8[0], 2);
  EXPECT_EQ(p8[1], 4);
  EXPECT_EQ(p8[2], 255);
  EXPECT_LT(gt_equal_compare(1, 2), 0);
}

// What each failure leaves: the message, the result and the files.
TEST_F(Equalize, FailuresLeaveTheImage) {
  const Img img = random_image(16, 9, 2, 3, 0, 65535);
  const Img eq = random_image(16, 9, 2, 4, 100, 65535);
  const std::string gel = file("gel.kes"), flat = file("flat.kes");
  auto reset = [&] {
    write_image(gel, img);
    write_image(flat, eq);
  };

  // Another size or another depth: gt_msg 57, nothing written.
  for (Img other : {random_image(15, 9, 2, 1, 1, 9), random_image(16, 9, 1, 1, 1, 9)}) {
    reset();
    write_image(flat, other);
    const auto before = vxtest::read_bytes(gel);
    TKT_AnswerAlert(1);
    EXPECT_FALSE(gt_equalize(gel.c_str(), flat.c_str()));
    EXPECT_EQ(TKT_LastAlertText(), ks_gt_message(57));
    EXPECT_EQ(vxtest::read_bytes(gel), before);
  }

  // An equalising image whose pixels are cut short: ui_msg 243, image kept, no temporary file.
  reset();
  auto cut = kes_bytes(eq);
  cut.resize(cut.size() - 5);
  vxtest::write_bytes(flat, cut);
  const auto before = vxtest::read_bytes(gel);
  TKT_AnswerAlert(1);
  EXPECT_FALSE(gt_equalize(gel.c_str(), flat.c_str()));
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
  EXPECT_EQ(vxtest::read_bytes(gel), before);
  EXPECT_EQ(files(), (std::vector<std::string>{"flat.kei", "flat.kes", "gel.kei", "gel.kes"}));

  // A short write of the pixels (the file size limit stands in for a full disk): ui_msg 130,
  // image kept, no temporary file.
  reset();
  {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    TKT_AnswerAlert(1);
    const BOOL r = gt_equalize(gel.c_str(), flat.c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(r);
  }
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(130));
  EXPECT_EQ(vxtest::read_bytes(gel), before);
  EXPECT_EQ(files(), (std::vector<std::string>{"flat.kei", "flat.kes", "gel.kei", "gel.kes"}));

  // No room for the temporary file's name beside an image whose name is already at the limit:
  // ui_msg 130, the image as it was.
  {
    const std::string longname = file(std::string(250, 'g') + ".kes");
    write_image(longname, img, false);  // (an info file cannot be staged there either)
    const auto kept = vxtest::read_bytes(longname);
    TKT_AnswerAlert(1);
    EXPECT_FALSE(gt_equalize(longname.c_str(), flat.c_str()));
    EXPECT_EQ(TKT_LastAlertText(), ui_msg(130));
    EXPECT_EQ(vxtest::read_bytes(longname), kept);
    std::filesystem::remove(longname);
  }

  // No info file to mark: the corrected pixels stay, ui_msg 243, TRUE.
  reset();
  std::filesystem::remove(file("gel.kei"));
  TKT_AnswerAlert(1);
  EXPECT_TRUE(gt_equalize(gel.c_str(), flat.c_str()));
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
  EXPECT_NE(vxtest::read_bytes(gel), before);
}

}  // namespace
