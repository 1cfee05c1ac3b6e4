// Lane comment files and the fractions definition file.
#include <gtest/gtest.h>

#include <string>

#include "base/lane_comment.h"
#include "test_support.h"

namespace {

struct FractFile {
  const char* what;
  std::string content;
  int expect;            // result of fractions_file_usable_in
  const char* title;
};

}  // namespace

TEST(LaneComment, FileNameFollowsImageNameAndLane) {
  char out[300];
  EXPECT_FALSE(lane_comm_make_filename(out, sizeof out, "/data/gels/blot.kes", "blot", 12));
  EXPECT_STREQ(out, "/data/gels/blot_lc12.txt");
  lane_comm_make_filename(out, sizeof out, "/d/gel1.kes", "gel1.kes", 3);
  EXPECT_STREQ(out, "/d/gel1_lc3.txt");
  lane_comm_make_filename(out, sizeof out, "gel1.kes", "gel1", 3);  // no folder: beside us
  EXPECT_STREQ(out, "gel1_lc3.txt");
  char small[8];
  lane_comm_make_filename(small, sizeof small, "/d/gel1.kes", "gel1", 3);
  EXPECT_STREQ(small, "/d/gel1");  // cut to the buffer
}

TEST(LaneComment, WriteThenReadAndExistence) {
  vxtest::TempDir dir;
  const std::string image = dir.file("gel.kes");
  char path[512];
  EXPECT_FALSE(lane_comm_make_filename(path, sizeof path, image.c_str(), "gel", 2));
  ASSERT_TRUE(lane_write_comments(image.c_str(), "gel", 2, "first\r\nsecond"));
  EXPECT_TRUE(lane_comm_make_filename(path, sizeof path, image.c_str(), "gel", 2));
  EXPECT_EQ(vxtest::read_text(path), "first\r\nsecond");  // written unchanged

  char text[64] = "old";
  ASSERT_TRUE(lane_read_comments(text, sizeof text, image.c_str(), "gel", 2));
  EXPECT_STREQ(text, "first\nsecond\n");  // each line followed by a line feed

  char tiny[8];
  ASSERT_TRUE(lane_read_comments(tiny, sizeof tiny, image.c_str(), "gel", 2));
  EXPECT_STREQ(tiny, "first\ns");  // a longer file is cut to the caller's buffer

  ASSERT_TRUE(lane_write_comments(image.c_str(), "gel", 2, "replaced"));
  ASSERT_TRUE(lane_read_comments(text, sizeof text, image.c_str(), "gel", 2));
  EXPECT_STREQ(text, "replaced\n");

  EXPECT_FALSE(lane_read_comments(text, sizeof text, image.c_str(), "gel", 9));
  EXPECT_STREQ(text, "");
  vxtest::write_text(dir.file("gel_lc4.txt"), "");
  strcpy(text, "old");
  EXPECT_FALSE(lane_read_comments(text, sizeof text, image.c_str(), "gel", 4));  // empty file
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(lane_write_comments((dir.str() + "/none/gel.kes").c_str(), "gel", 1, "x"));
}

TEST(LaneComment, Template) {
  vxtest::TempDir dir;
  const std::string folder = dir.str() + "/";
  char text[64] = "x";
  EXPECT_FALSE(lane_read_template(text, sizeof text, folder.c_str()));
  EXPECT_STREQ(text, "");
  vxtest::write_text(dir.file("lane_comments.txt"), "Donor:\nDate:");
  EXPECT_TRUE(lane_read_template(text, sizeof text, folder.c_str()));
  EXPECT_STREQ(text, "Donor:\nDate:\n");
}

TEST(Fractions, FilesAndResults) {
  const std::string many = [] {
    std::string s;
    for (int i = 0; i < 21; ++i) s += "1, 2, 3, 4, 5, f" + std::to_string(i) + "\n";
    return s;
  }();
  const FractFile cases[] = {
      {"title and comments only", "; c\n\n   # c\nHemoglobin fractions\n", 0,
       "Hemoglobin fractions"},
      {"one fraction", "Title line\n  10, 20, 5, 30, 40, HbA\n", 1, "Title line"},
      {"no blanks, CRLF", "10,20,5,30,40,HbA\r\n0, 100, 0, 0, 100, All\r\n", 2, ""},
      {"first range reversed", "20, 10, 5, 30, 40, HbA\n", -1, ""},
      {"second range equal", "10, 20, 5, 40, 40, HbA\n", -1, ""},
      {"second title", "T1\nT2\n", -1, "T1"},
      {"value 101", "10, 20, 101, 30, 40, HbA\n", -1, ""},
      {"negative value", "-1, 20, 5, 30, 40, HbA\n", -1, ""},
      {"value beyond the int range", "4294967306, 20, 5, 30, 40, HbA\n", -1, ""},
      {"missing name", "10, 20, 5, 30, 40\n", -1, ""},
      {"name of 19", "1, 2, 3, 4, 5, abcdefghijklmnopqrs\n", 1, ""},
      {"name of 20 refused", "1, 2, 3, 4, 5, abcdefghijklmnopqrst\n", -1, ""},
      {"21 fractions refused", many, -1, ""},
      {"20 fractions", many.substr(0, many.rfind("1, 2"))
      , 20, ""},
      {"empty file", "", -1, ""},
  };
  vxtest::TempDir dir;
  const std::string folder = dir.str() + "/";
  for (const FractFile& c : cases) {
    vxtest::write_text(dir.file("f.txt"), c.content);
    char title[64] = "stale";
    EXPECT_EQ(fractions_file_usable_in(folder.c_str(), "f.txt", title, sizeof title), c.expect)
        << c.what;
    EXPECT_STREQ(title, c.title) << c.what;
    EXPECT_EQ(fractions_count(), c.expect < 0 ? 0 : c.expect) << c.what;
  }
  char title[8];
  EXPECT_EQ(fractions_file_usable_in(folder.c_str(), "missing.txt", title, sizeof title), 0);
  EXPECT_EQ(std::string(fractions_file_name()), folder + "missing.txt");
}

TEST(Fractions, LoadHandsOutTheTable) {
  vxtest::TempDir dir;
  vxtest::write_text(dir.file("p.txt"), "10, 20, 5, 30, 40, HbA\n50, 60, 1, 2, 3, HbF\n");
  const std::string folder = dir.str() + "/";
  char title[8];
  ASSERT_EQ(fractions_file_usable_in(folder.c_str(), "p.txt", title, sizeof title), 2);
  FRACTION* arr[21] = {};
  EXPECT_EQ(fractions_load(21, arr), 0);
  EXPECT_EQ(fractions_load(2, nullptr), 0);
  ASSERT_EQ(fractions_load(20, arr), 1);
  EXPECT_EQ(arr[0]->rf_lo, 10);
  EXPECT_EQ(arr[0]->norm_hi, 40);
  EXPECT_STREQ(arr[1]->name, "HbF");
  EXPECT_EQ(arr[1]->min_pct, 1);
  fractions_init();
  EXPECT_EQ(fractions_count(), 0);
  EXPECT_STREQ(fractions_file_name(), "");
}
