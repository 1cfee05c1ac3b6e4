// The results of the whole default analysis, held fixed: on the synthetic benchmark gel and on
// the real ladder gel, every lane's centre points and widths, every profile and baseline value,
// and every band's position, thickness, widths, outline, amount and area (floating values bit
// for bit) must equal the recorded ones in chain_results.txt. Profiles, baselines and each lane's
// bands are compared as digests of their values; a mismatch names the gel, lane and quantity.
//
// The chain runs three ways: each stage reading the file; the image read once with every stage
// served from memory; and as the commands take their pixels while the image's window is open
// (the pixels its load kept); each with the lanes worked on one thread and on four. With
// VX_RECORD_CHAIN_RESULTS=1 the file is written from the current code instead.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/par_lanes.h"
#include "gel_chain.h"
#include "ladder_gel.h"
#include "recorded_results.h"

namespace {

using vxtest::Digest;
using vxtest::hexbits;

// Runs the chain and lists its results, one "key value" line each.
std::map<std::string, std::string> run(vxchain::Chain& c, const std::string& name) {
  std::map<std::string, std::string> out;
  EXPECT_TRUE(c.read_block());
  EXPECT_TRUE(c.reduce());
  EXPECT_TRUE(c.track());
  EXPECT_TRUE(c.profiles());
  c.baselines();
  EXPECT_TRUE(c.find_bands());
  std::vector<Digest> bands(c.lanes.size());
  std::vector<int> counts(c.lanes.size()), failed(c.lanes.size());
  std::vector<std::string> first(c.lanes.size());
  EXPECT_TRUE(c.quantify([&](int li, SPOT* b) {
    Digest& d = bands[li];
    for (int32_t v : {b->x, b->y, b->thickness, b->lane_width, int32_t(b->left_hw),
                      int32_t(b->right_hw), int32_t(b->f1), b->fail_code, b->od, b->baseline})
      d.add(v);
    d.add(b->amount);
    d.add(b->area);
    d.add(b->result != nullptr);
    if (b->result) {
      d.bytes(b->result->img_x, sizeof b->result->img_x);
      d.bytes(b->result->img_y, sizeof b->result->img_y);
    }
    if (counts[li] == 0) {
      std::ostringstream s;
      s << "row " << b->y << " thick " << b->thickness << " amount " << hexbits(b->amount)
        << " area " << hexbits(b->area);
      first[li] = s.str();
    }
    ++counts[li];
    failed[li] += (b->f1 & SP_F1_QUANT_FAILED) ? 1 : 0;
  }));
  out[name + " found"] = std::to_string(c.found);
  out[name + " quantified"] = std::to_string(c.quantified);
  for (size_t li = 0; li < c.lanes.size(); ++li) {
    const LANE* l = c.lanes[li];
    char k[64];
    std::snprintf(k, sizeof k, "%s lane %02zu ", name.c_str(), li + 1);
    std::ostringstream cp;
    for (int i = 0; i < l->num_center_points; ++i)
      cp << l->center_coords[i].x << ',' << l->center_coords[i].y << ' ';
    out[k + std::string("centre")] = cp.str();
    out[k + std::string("widths")] =
        std::to_string(l->left_width) + " " + std::to_string(l->right_width);
    Digest prof, base;
    prof.bytes(l->data_values, sizeof(int32_t) * l->num_data_values);
    if (l->baseline_values) base.bytes(l->baseline_values, sizeof(int32_t) * l->num_data_values);
    out[k + std::string("profile")] = std::to_string(l->num_data_values) + " " + prof.hex();
    out[k + std::string("baseline")] = base.hex();
    out[k + std::string("bands")] = std::to_string(counts[li]) + " failed " +
                                    std::to_string(failed[li]) + " " + bands[li].hex();
    out[k + std::string("first band")] = first[li];
  }
  return out;
}

// How the chain takes its pixels: each stage reading the file; the image read once and every
// stage served from memory; or as the commands do with the image loaded for display.
enum Mode { kFromFile, kFromMemory, kAsCommands };

std::map<std::string, std::string> results(Mode mode) {
  const bool from_memory = mode != kFromFile;
  std::map<std::string, std::string> all;
  vxtest::TempDir dir;
  {
    vxchain::Chain c;
    c.from_memory = from_memory;
    c.path = dir.file("bench.kes");
    EXPECT_TRUE(vxchain::write_bench_gel(c.path, 4000, 5000, 24));
    if (mode == kAsCommands) {
      EXPECT_TRUE(c.load());
    }
    c.right = 3999;  // the block ends on the image's last column and row, as the tools draw it
    c.bottom = 4999;
    c.n = 24;
    c.threshold = 1000;
    all.merge(run(c, "bench"));
    // The commands took the pixels the load kept.
    if (mode == kAsCommands) {
      EXPECT_EQ(c.whole, io_kept_pixels(c.path.c_str()).get());
    }
  }
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    ADD_FAILURE() << "the ladder gel cannot be analysed here: " << g.skip;
    return all;
  }
  vxchain::Chain c;
  c.from_memory = from_memory;
  c.path = g.kes;
  if (mode == kAsCommands) {
    EXPECT_TRUE(c.load());
  }
  c.left = vxtest::LadderGel::kLeft;
  c.top = vxtest::LadderGel::kTop;
  c.right = vxtest::LadderGel::kRight;
  c.bottom = vxtest::LadderGel::kBottom;
  c.n = vxtest::LadderGel::kLanes;
  all.merge(run(c, "ladder"));
  return all;
}

// The lanes are worked on one thread, or on four.
class ChainResults : public ::testing::TestWithParam<std::tuple<Mode, int>> {
 protected:
  void SetUp() override { before_ = par_set_max_threads(std::get<1>(GetParam())); }
  void TearDown() override { par_set_max_threads(before_); }

 private:
  int before_ = 0;
};

TEST_P(ChainResults, EqualTheRecordedOnes) {
  const auto file = vxtest::source_dir() / "tests/engine/chain_results.txt";
  const auto got = results(std::get<0>(GetParam()));
  vxtest::expect_recorded("VX_RECORD_CHAIN_RESULTS", file, "", got, 101);
}

INSTANTIATE_TEST_SUITE_P(ReadFromFile, ChainResults,
                         ::testing::Combine(::testing::Values(kFromFile), ::testing::Values(1, 4)));
INSTANTIATE_TEST_SUITE_P(ReadOnce, ChainResults,
                         ::testing::Combine(::testing::Values(kFromMemory),
                                            ::testing::Values(1, 4)));
INSTANTIATE_TEST_SUITE_P(AsCommands, ChainResults,
                         ::testing::Combine(::testing::Values(kAsCommands),
                                            ::testing::Values(1, 4)));

}  // namespace
