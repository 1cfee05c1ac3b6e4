// Regression, robust fit and the user program exchange on marker lists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/std_fit.h"
#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "std_test_util.h"
#include "test_support.h"

namespace {

using stdtest::make_list;
namespace fs = std::filesystem;
constexpr double NV = STD_NO_VALUE;

TEST(StdRegressInterpolation, LineOverRelativePositions) {
  // value = 1100 - 10 y
  auto l = make_list({{0, 10, 1000, 1}, {0, 30, 800, 1}, {0, 70, 400, 1}}, STD_REGRESSION);
  EXPECT_NEAR(std_regress_interpolation(l.get(), 0, 50), 600, 1e-9);
  EXPECT_NEAR(std_regress_interpolation(l.get(), 0, 90), 200, 1e-9);  // the query widens the range
  double a, b, r;
  ASSERT_EQ(mt_reg_get_fit(&a, &b, &r), 1);
  EXPECT_NEAR(b, -10, 1e-9);
  EXPECT_NEAR(r, -1, 1e-12);
  // markers and query on one row: no relative position
  auto flat = make_list({{0, 10, 1000, 1}, {10, 10, 800, 2}}, STD_REGRESSION);
  flat->clean = 1;
  EXPECT_EQ(std_regress_interpolation(flat.get(), 0, 10), NV);
}

// Markers on the robust curve in the coordinates the method builds: position y / scale, the
// scale being the greatest y of the markers and the query, rescaled from the highest value's
// position.
TEST(StdRobustInterpolation, CurveThroughTheMarkers) {
  const double t0 = 50, t1 = 2000, t2 = 0.02, t3 = 1.3;
  const double ys[] = {10, 18, 25, 33, 41, 52, 63, 75};
  const double scale = 100;  // the query's y
  auto f = [&](double y) {
    const double q = (y / scale - ys[0] / scale + 0.01) * 100;
    return t0 + t1 / (1 + t2 * std::pow(q, t3));
  };
  auto l = make_list({}, STD_ROBUST);
  for (double y : ys) {
    STD_MARKER m;
    std_marker_clear(&m);
    m.x = 5;
    m.y = y;
    m.value = f(y);
    m.lane_num = 1;
    m.flags = 9;
    std_list_append(l.get(), &m);
  }
  EXPECT_NEAR(std_robust_interpolation(l.get(), 5, 100), f(100), 1e-3 * f(100));
  auto one = make_list({{0, 10, 5, 1}}, STD_ROBUST);
  EXPECT_EQ(std_robust_interpolation(one.get(), 0, 10), 0.0);
}

// Runs the test body inside a fresh current folder.
class UserExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    fs::current_path(dir_.path());
  }
  void TearDown() override { fs::current_path(old_); }
  static void write_answer(const std::string& text, std::chrono::seconds age) {
    std::ofstream(STD_USER_ANSWER) << text;
    fs::last_write_time(STD_USER_ANSWER, fs::file_time_type::clock::now() + age);
  }
  static std::string request() {
    std::ifstream in(STD_USER_REQUEST);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  vxtest::TempDir dir_;
  fs::path old_;
};

TEST_F(UserExchange, AllBandsRequestAndAnswers) {
  stdtest::Lanes lanes;
  LANE* lane = lanes.add(3, 50, 0, 100);
  stdtest::Bands bands;
  SPOT* a = bands.add(50, 20, 11);
  SPOT* b = bands.add(52, 40, 22);
  auto tier = make_list({{50, 10, 1000, 3}, {50, 30, 500, 3}}, STD_USER);
  tier->use_repeats = 1;
  tier->repeat_length = 4;
  STD_LIST* sizes[] = {tier.get()};

  // an answer left by an earlier exchange is not used
  write_answer("50 20 1234.5\n", std::chrono::seconds(-3600));
  std_user_calc(lanes.head, bands.head, sizes, 1);
  EXPECT_EQ(a->size, 11);
  EXPECT_EQ(b->size, 22);
  EXPECT_EQ(lane->int_method, STD_USER);
  EXPECT_EQ(tier->_used, STD_USER);
  EXPECT_EQ(tier->use_repeats, 0);
  EXPECT_EQ(request(),
            "#\t3\n"
            "# X     Y \tRf   MW\n"
            "   50    30 0.300 500.000000\n"  // rows in ascending value
            "   50    10 0.100 1000.000000\n"
            "#\n!  X      Y\n"
            "   50    20 0.200000\n"
            "   52    40 0.400000\n"
            "!\n");

  // a newer answer: lines of three items set the bands at that position, others are skipped
  write_answer("50 20 1234.5\n52 40\nnonsense\n52 40 99.25\n", std::chrono::seconds(3600));
  std_user_calc(lanes.head, bands.head, sizes, 1);
  EXPECT_EQ(a->size, 1234.5);
  EXPECT_EQ(b->size, 99.25);
}

TEST_F(UserExchange, OnePointAndPointSets) {
  auto l = make_list({{0, 10, 1000, 1}, {0, 30, 500, 1}}, STD_USER);
  EXPECT_EQ(std_user_interp(l.get(), 5, 20, 3.0), 0.0);  // no answer file
  write_answer("5 20 77.5\n", std::chrono::seconds(-3600));
  EXPECT_EQ(std_user_interp(l.get(), 5, 20, 3.0), 0.0);  // stale
  write_answer("5 20 77.5\n", std::chrono::seconds(3600));
  EXPECT_EQ(std_user_interp(l.get(), 5.7, 20.2, 3.0), 77.5);
  const std::string req = request();
  EXPECT_NE(req.find("#\n!\n5\t20 3.000000\n!\n"), std::string::npos) << req;

  write_answer("1 2 3.5\n1 3 4.5\n", std::chrono::seconds(3600));
  const double qx[] = {1, 1}, qy[] = {2, 3};
  double out[2] = {0, 0};
  EXPECT_EQ(std_user_points(l.get(), qx, qy, out, 2), 1);
  EXPECT_EQ(out[0], 3.5);
  EXPECT_EQ(out[1], 4.5);
  write_answer("1 2 3.5\n", std::chrono::seconds(3600));
  EXPECT_EQ(std_user_points(l.get(), qx, qy, out, 2), 0);
  // through the list's method
  write_answer("0 20 640\n", std::chrono::seconds(3600));
  EXPECT_EQ(std_rectangular_interp(l.get(), 0, 20), 640);
}

}  // namespace
