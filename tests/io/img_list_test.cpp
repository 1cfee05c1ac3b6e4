// Image list files: fields and records as written, wildcard expansion (checked against Python's
// fnmatch over the same folder), and the answers to the missing-image question.
#include "io/img_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "test_support.h"

namespace {

// Answers alerts with a set answer and gives every message the text "<number>:%s", so that a
// test sees which message came and with what names.
class ImgListTest : public ::testing::Test {
 protected:
  static inline int answer_ = 1;
  static inline std::vector<std::pair<int, std::string>> alerts_;

  void SetUp() override {
    saved_hooks_ = ks_msg_hooks();
    KsMsgHooks hooks = saved_hooks_;
    hooks.get_string = [](const char* module, const char*, long number) -> const char* {
      static std::string text;
      text = std::string(module) + " " + std::to_string(number) + ":%s";
      return text.c_str();
    };
    ks_msg_set_hooks(hooks);
    saved_proc_ = ks_alert_set_proc([](int kind, const char* text) {
      alerts_.emplace_back(kind, text);
      return answer_;
    });
    alerts_.clear();
    answer_ = 1;
  }
  void TearDown() override {
    ks_alert_set_proc(saved_proc_);
    ks_msg_set_hooks(saved_hooks_);
  }

  std::string touch(const std::string& name) {
    vxtest::write_text(dir_.path() / name, "x");
    return dir_.file(name);
  }
  std::string list(const std::string& text) {
    vxtest::write_text(dir_.path() / "list.csv", text);
    return dir_.file("list.csv");
  }

  vxtest::TempDir dir_;
  KsMsgHooks saved_hooks_;
  KsAlertProc saved_proc_ = nullptr;
};

TEST_F(ImgListTest, ImageListFieldsWildcardsAndEnd) {
  const std::string a = touch("a.kes"), b = touch("b.kes");
  touch("w1.kes"), touch("w2.KES"), touch("w3.kes"), touch("w4.txt");
  std::filesystem::create_directory(dir_.path() / "w5.kes");  // a folder is no match
  touch(" b.kes");  // the blank after a comma belongs to the name
  const std::string d = dir_.str() + "/";
  const std::string file = list("   " + a + ", b.kes\n\"" + d + "w?.*\"," + b + ",\n\n" + a + "\n");
  std::vector<std::string> paths;
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const int n = gt_read_image_list(file.c_str(), &paths);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(paths, (std::vector<std::string>{a, " b.kes", d + "w1.kes", b, d + "w2.KES", d + "w3.kes"}));
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(ImgListTest, WildcardMatchesAgreeWithPythonFnmatch) {
  for (const char* n : {"gel1.kes", "gel2.kes", "gel10.kes", "Gel3.kes", "gelx.kes", ".gel4.kes",
                        "g[el].kes", "gel1.kes.bak", "other.KeS", "ge.kes"})
    touch(n);
  for (const char* pattern : {"*", "gel?.kes", "gel*", "*.kes", "?el*.kes", "g*l1*", "[gG]el*",
                              "*[0-9].kes", "g[!e]*", "*e*.?es"}) {
    std::vector<std::string> got;
    gt_expand_wildcard(dir_.str() + "/" + pattern, &got);
    const std::string out = dir_.file("py.txt");
    const std::string cmd = "/usr/bin/python3 -c 'import fnmatch,os,sys; d=sys.argv[1]; "
                            "print(\"\\n\".join(sorted(n for n in os.listdir(d) if "
                            "fnmatch.fnmatchcase(n,sys.argv[2]) and n.lower().endswith(\".kes\") "
                            "and not os.path.isdir(os.path.join(d,n)))))' '" +
                            dir_.str() + "' '" + pattern + "' > '" + out + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "python3 is needed";
    std::vector<std::string> want;
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) want.push_back(dir_.str() + "/" + line);
    EXPECT_EQ(got, want) << pattern;
  }
  std::vector<std::string> none;
  EXPECT_EQ(gt_expand_wildcard(dir_.file("gel1.kes"), &none), 0);
  EXPECT_EQ(gt_expand_wildcard(dir_.file("nofolder/*.kes"), &none), 0);
}

TEST_F(ImgListTest, MissingImagesUnderEachAnswer) {
  const std::string a = touch("a.kes");
  const std::string file = list(a + "," + dir_.file("gone.kes") + "," + dir_.file("lost.kes") + "\n");
  std::vector<std::string> paths;

  answer_ = 1;  // No: nothing is matched
  EXPECT_EQ(gt_read_image_list(file.c_str(), &paths), 0);
  EXPECT_TRUE(paths.empty());
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0].first, KS_ALERT_YESNO);
  EXPECT_EQ(alerts_[0].second, "gt_msg 176:" + dir_.file("gone.kes") + ",\n" + dir_.file("lost.kes"));

  answer_ = 2;  // Yes: the rest is matched
  EXPECT_EQ(gt_read_image_list(file.c_str(), &paths), 1);
  EXPECT_EQ(paths, std::vector<std::string>{a});

  alerts_.clear();
  EXPECT_EQ(gt_read_image_list(list(dir_.file("gone.kes") + "\n").c_str(), &paths), 0);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0], std::make_pair(int(KS_ALERT_INFO), "gt_msg 179:" + dir_.file("gone.kes")));

  alerts_.clear();
  EXPECT_EQ(gt_read_image_list(dir_.file("absent.csv").c_str(), &paths), 0);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0].second, "gt_msg 175:absent.csv");
}

TEST_F(ImgListTest, RecordFilesShareImagesAndReadLanes) {
  touch("g1.kes"), touch("g2.kes");
  const std::string file = list(
      "# comment\n\n  g1, 3\r\ng2\n\"g1\" , 7\n\"g2\",12, \"lane x\"\ng1,5 ,Name B\n   # also\n");
  GtImgNameList recs;
  ASSERT_EQ(gt_read_imgname_lanename(file.c_str(), dir_.str().c_str(), &recs), 2);
  EXPECT_EQ(recs.images, (std::vector<std::string>{dir_.file("g1.kes"), dir_.file("g2.kes")}));
  EXPECT_EQ(recs.lane_numbers, (std::vector<long>{3, -1, 7, 12, 5}));
  EXPECT_EQ(recs.image_index, (std::vector<int>{0, 1, 0, 1, 0}));
  EXPECT_EQ(recs.lane_names, (std::vector<std::string>{"", "", "", "lane x", "Name B"}));

  // Names are compared with their case; a missing image takes its records with it.
  const std::string file2 = list("g1,1\nG1,2\ng2,3\ng1,4\n");
  answer_ = 2;
  ASSERT_EQ(gt_read_imgname_list(file2.c_str(), dir_.str().c_str(), &recs), 2);
  EXPECT_EQ(recs.images, (std::vector<std::string>{dir_.file("g1.kes"), dir_.file("g2.kes")}));
  EXPECT_EQ(recs.lane_numbers, (std::vector<long>{1, 3, 4}));
  EXPECT_EQ(recs.image_index, (std::vector<int>{0, 1, 0}));
  EXPECT_TRUE(recs.lane_names.empty());
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0].second, "gt_msg 176:G1.kes");

  answer_ = 1;
  EXPECT_EQ(gt_read_imgname_lanename(file2.c_str(), dir_.str().c_str(), &recs), 0);
  EXPECT_EQ(recs.num_records(), 0);
  EXPECT_EQ(alerts_.back().second, "gt_msg 195:G1.kes");
  EXPECT_EQ(gt_read_imgname_lanename(list("nothere,1\n").c_str(), dir_.str().c_str(), &recs), 0);
  EXPECT_EQ(alerts_.back(), std::make_pair(int(KS_ALERT_INFO), std::string("gt_msg 194:nothere.kes")));
  EXPECT_EQ(gt_read_imgname_list(list("nothere,1\n").c_str(), "", &recs), 0);
  EXPECT_EQ(alerts_.back().second, "gt_msg 179:nothere.kes");
}

}  // namespace
