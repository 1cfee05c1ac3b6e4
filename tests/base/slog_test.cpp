#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/slog.h"
#include "test_support.h"

namespace {

// A log folder with a match file; the module is set up from it and reset afterwards.
class SlogTest : public ::testing::Test {
 protected:
  void SetUp() override { slog_reset(); }
  void TearDown() override { slog_reset(); }

  void start(const std::string& match) {
    slog_reset();
    std::filesystem::remove(dir_.path() / "slglog.txt");
    vxtest::write_text(dir_.path() / "slgmtch.txt", match);
    slog_init(dir_.str().c_str());
  }

  // The log's lines, with the elapsed milliseconds replaced by "T".
  std::vector<std::string> lines() {
    std::string text = vxtest::read_text(dir_.path() / "slglog.txt");
    std::vector<std::string> out;
    std::istringstream in(text);
    static const std::regex ms("^( *(>>|<<|W:|E:)[^:]*: )[0-9]+: ");
    for (std::string l; std::getline(in, l);) out.push_back(std::regex_replace(l, ms, "$1T: "));
    return out;
  }

  // Which of the levels 0..7 of `name` a match file writes, as a string of digits.
  std::string levels_written(const std::string& match, const char* name) {
    start(match);
    for (int level = 0; level < 8; ++level) SLOG(name, level, "L%d", level);
    std::string got;
    for (const std::string& l : lines()) got += l.substr(l.size() - 1);
    return got;
  }

  vxtest::TempDir dir_;
};

TEST_F(SlogTest, LineFormatsAndIndentationFollowTheCalls) {
  start("2 io_*\n");
  SLOG("io_delete", SLOG_ENTRY, "path <%s>", "a.kes");
  SLOG("io_delete", SLOG_VALUE5, "x %d", 5);
  SLOG("gt_other", SLOG_ENTRY, "not selected, but nested");
  SLOG("io_inner", SLOG_VALUE4, "deeper");
  SLOG("gt_other", SLOG_EXIT, "%s", "");
  SLOG("io_delete", SLOG_WARN, "warn");
  SLOG("io_delete", SLOG_ERROR, "err");
  SLOG("io_delete", SLOG_VALUE1, "level 1 is not selected");
  SLOG("io_delete", SLOG_EXIT, "done");
  SLOG("io_after", SLOG_VALUE4, "depth back to 0");
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         " >>io_delete: T: path <a.kes>",
                         " 5:          x 5",
                         "  4:         deeper",
                         " W:io_delete: T: warn",
                         " E:io_delete: T: err",
                         " <<io_delete: T: done",
                         "4:         depth back to 0",
                     }));
}

TEST_F(SlogTest, MatchFileGrammar) {
  const struct {
    const char* match;
    const char* name;
    const char* levels;
  } cases[] = {
      {"2 io_*\n", "io_delete", "234567"},
      {"  3, gt_main\n", "gt_main", "3"},
      {"2-3,7 ln_add\n", "ln_add", "237"},
      {"2 - 3 , 7 ln_add\n", "ln_add", "237"},
      {"0,1,4 v_fn trailing words\n", "v_fn", "014567"},
      {"0,1,4,v_fn\n", "v_fn", "014"},
      {"5- x\n", "x", "567"},
      {"4 mj_\n", "mj_", "4567"},
      {"4 mj_\n", "mj_doquant", ""},
      {"2 io_*\n", "ks_io", ""},
      {"! ln_find\n2 ln_*\n", "ln_find", ""},
      {"2 ln_*\n! ln_find\n", "ln_find", "234567"},
      {"\t0 crlf_fn\r\n", "crlf_fn", "01234567"},
      {"2\n0 \n", "anything", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(levels_written(c.match, c.name), c.levels) << c.match << " / " << c.name;
}

TEST_F(SlogTest, AFileWithoutEntriesTurnsTheLogOff) {
  start("# comment\nfoo 2 x\n\n  ; nothing\nstartx f\n2\n");
  EXPECT_TRUE(slog_initialised.load());
  EXPECT_FALSE(slog_enabled.load());
  EXPECT_FALSE(slog_should_call());
}

TEST_F(SlogTest, EntriesAfterTheFiveHundredthAreIgnored) {
  std::string match;
  for (int i = 0; i < SLOG_MAX_ENTRIES; ++i) match += "4 f" + std::to_string(i) + "\n";
  match += "4 late\nstart never_called\n";
  start(match);
  SLOG("f0", SLOG_VALUE4, "a");
  SLOG("f499", SLOG_VALUE4, "b");
  SLOG("late", SLOG_VALUE4, "c");
  EXPECT_EQ(lines(), (std::vector<std::string>{"4:   a", "4:     b"}));
}

TEST_F(SlogTest, StartTriggerHoldsRecordingBackUntilItsFunction) {
  start("0 a*\n0 gt_main\nstart gt_main\n");
  SLOG("a_before", SLOG_ENTRY, "not yet");  // would raise the depth if it counted
  SLOG("a_before", SLOG_VALUE4, "not yet");
  SLOG("gt_main", SLOG_ENTRY, "go");
  SLOG("a_after", SLOG_VALUE4, "v");
  SLOG("gt_main", SLOG_EXIT, "end");
  EXPECT_EQ(lines(),
            (std::vector<std::string>{" >>gt_main: T: go", " 4:        v", " <<gt_main: T: end"}));
}

TEST_F(SlogTest, StopTriggerEndsTheLogForTheRun) {
  start("0 a*\nstop a_stop\n");
  SLOG("a_first", SLOG_VALUE4, "one");
  SLOG("a_stop", SLOG_VALUE4, "not written");
  EXPECT_FALSE(slog_enabled.load());
  EXPECT_FALSE(slog_should_call());
  slog_write("a_last", SLOG_VALUE4, "even a direct call writes nothing");
  EXPECT_EQ(lines(), (std::vector<std::string>{"4:        one"}));
}

TEST_F(SlogTest, DepthIndentsModuloEighty) {
  start("4 shown\n");
  for (int i = 0; i < 83; ++i) SLOG("hidden", SLOG_ENTRY, "%d", i);
  SLOG("shown", SLOG_VALUE4, "x");
  EXPECT_EQ(lines(), (std::vector<std::string>{"   4:      x"}));
}

TEST_F(SlogTest, LongMessagesAreCutToTheLineLength) {
  start("0 f\n");
  std::string big(2000, 'm');
  SLOG("f", SLOG_ENTRY, "%s", big.c_str());
  SLOG("f", SLOG_VALUE4, "after");
  std::string text = vxtest::read_text(dir_.path() / "slglog.txt");
  std::size_t nl = text.find('\n');
  ASSERT_NE(nl, std::string::npos);
  EXPECT_EQ(nl + 1, static_cast<std::size_t>(SLOG_MAX_LINE));
  EXPECT_EQ(text.substr(nl + 1), " 4:  after\n");
}

TEST_F(SlogTest, OutLogLogWritesThreeLines) {
  start("0 OutLogLog\n");
  OutLogLog("tag", "%s", "the message is not logged");
  EXPECT_EQ(lines(), (std::vector<std::string>{" >>OutLogLog: T: who_arg <tag>",
                                               " 4:          s_cLogFile <>",
                                               " <<OutLogLog: T: blank log file"}));
}

TEST_F(SlogTest, FirstCallSetsUpFromTheSlogFolderOrSwitchesOff) {
  vxtest::TempDir cwd;
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  // No match file in "SLOG": the first call tries, later call sites skip the call.
  SLOG("f", SLOG_ENTRY, "x");
  EXPECT_TRUE(slog_called.load());
  EXPECT_FALSE(slog_initialised.load());
  EXPECT_FALSE(slog_should_call());

  slog_reset();
  std::filesystem::create_directory(cwd.path() / "SLOG");
  vxtest::write_text(cwd.path() / "SLOG" / "slgmtch.txt", "4 f\n");
  SLOG("f", SLOG_VALUE4, "found");
  std::string text = vxtest::read_text(cwd.path() / "SLOG" / "slglog.txt");
  std::filesystem::current_path(old);
  EXPECT_EQ(text, "4:  found\n");
}

TEST_F(SlogTest, MatchReportsTheActionOfASelectingEntry) {
  char name[] = "ln_";
  SlogMatch prefix{name, 0x0c, 1, 1};
  int action = 7;
  EXPECT_FALSE(slog_match(nullptr, "ln_x", 2, &action));
  EXPECT_EQ(action, 7);
  EXPECT_TRUE(slog_match(&prefix, "ln_x", 3, &action));
  EXPECT_EQ(action, 1);
  EXPECT_FALSE(slog_match(&prefix, "ln_x", 4, &action));
  EXPECT_EQ(action, 0);
  EXPECT_FALSE(slog_match(&prefix, "l", 2, &action));
  SlogMatch exact{name, 0xff, 0, 0};
  action = 7;
  EXPECT_TRUE(slog_match(&exact, "ln_", 9 - 9, &action));
  EXPECT_EQ(action, 0);
  EXPECT_FALSE(slog_match(&exact, "ln_x", 2, &action));
}

TEST_F(SlogTest, EachThreadIndentsByItsOwnDepth) {
  start("2 io_*\n");
  SLOG("io_outer", SLOG_ENTRY, "main");
  std::thread worker([] {
    SLOG("io_lane", SLOG_ENTRY, "worker");
    SLOG("io_lane", SLOG_VALUE4, "in the worker");
    SLOG("io_lane", SLOG_EXIT, "worker");
  });
  worker.join();
  SLOG("io_outer", SLOG_VALUE4, "in main");
  SLOG("io_outer", SLOG_EXIT, "main");
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         " >>io_outer: T: main",
                         " >>io_lane: T: worker",
                         " 4:        in the worker",
                         " <<io_lane: T: worker",
                         " 4:         in main",
                         " <<io_outer: T: main",
                     }));
}

TEST_F(SlogTest, ConcurrentCallsNeverInterleaveOrLoseLines) {
  start("4 worker\n4 main\n");
  auto run = [](const char* who) {
    for (int i = 0; i < 3000; ++i) SLOG(who, SLOG_VALUE4, "%s line %04d end", who, i);
  };
  std::thread worker(run, "worker");
  run("main");
  worker.join();
  std::vector<std::string> got = lines();
  EXPECT_EQ(got.size(), 6000u);
  static const std::regex whole("4: +(worker|main) line [0-9]{4} end");
  for (const std::string& l : got) ASSERT_TRUE(std::regex_match(l, whole)) << l;
}

}  // namespace
