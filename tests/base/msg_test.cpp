// The message layer and the choosers' own logic, with the toolkit's hooks replaced by fakes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "test_support.h"

namespace {

std::string g_label;
int g_flushes = 0;
std::map<long, std::string> g_ui = {{320, "%s is a file"}};

const char* fake_string(const char* module, const char*, long n) {
  if (std::strcmp(module, "ui_msg") != 0) return nullptr;
  auto it = g_ui.find(n);
  return it == g_ui.end() ? nullptr : it->second.c_str();
}
void fake_label(TkObject*, const char* text) { g_label = text; }
void fake_flush() { ++g_flushes; }
void fixed_time(int* y, int* mo, int* d, int* h, int* mi) {
  *y = 2026, *mo = 12, *d = 8, *h = 9, *mi = 5;
}

class MsgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ks_msg_hooks();
    KsMsgHooks h;
    h.get_string = fake_string;
    h.set_label = fake_label;
    h.flush = fake_flush;
    h.local_time = fixed_time;
    ks_msg_set_hooks(h);
    g_label = "old";
    g_flushes = 0;
  }
  void TearDown() override {
    ks_msg_set_hooks(saved_);
    g_bSuppress = FALSE;
    g_bLogMH = FALSE;
  }
  KsMsgHooks saved_;
};

TEST_F(MsgTest, ZoomReadout) {
  struct Case {
    long zoom;
    const char* want;
  } cases[] = {{2, "2:1  (10,20)  255"}, {-4, "1:4  (10,20)  255"}, {0, "1:0  (10,20)  255"}};
  for (const Case& c : cases) {
    mh_status_zoom(nullptr, c.zoom, 10, 20, 255);
    EXPECT_EQ(g_label, c.want);
  }
  EXPECT_EQ(g_flushes, 0);
}

TEST_F(MsgTest, StatusLineUpdateAndSuppress) {
  mh_status_message(nullptr, 1, "Saving %s...", "gel1");
  EXPECT_EQ(g_label, "Saving gel1...");
  EXPECT_EQ(g_flushes, 1);
  mh_clear_status(nullptr, 0);
  EXPECT_EQ(g_label, "");
  EXPECT_EQ(g_flushes, 1);
  g_bSuppress = TRUE;
  mh_status_message(nullptr, 1, "hidden");
  EXPECT_EQ(g_label, "");
  EXPECT_STREQ(mh_status_text(), "hidden");
  EXPECT_EQ(g_flushes, 1);
}

TEST_F(MsgTest, MessagesCutAndSuppressed) {
  const long alerts = ks_alert_count();
  std::string long_text(1500, 'x');
  EXPECT_EQ(mh_send_msg(KS_ALERT_INFO, "%s", long_text.c_str()), 1);
  EXPECT_EQ(ks_alert_last_text().size(), 1023u);
  EXPECT_EQ(mh_send_msg(5, "no such kind"), 0);
  EXPECT_EQ(ks_alert_count(), alerts + 1);
  g_bSuppress = TRUE;
  g_bLogMH = TRUE;
  EXPECT_EQ(mh_send_msg(KS_ALERT_YESNO, "Replace?"), 4);
  EXPECT_EQ(ks_alert_count(), alerts + 1);
}

TEST_F(MsgTest, TextsByNumber) {
  EXPECT_STREQ(ui_msg(320), "%s is a file");
  EXPECT_STREQ(ui_msg(999), "");
  EXPECT_STREQ(ks_gt_message(5), "VX: Message not found");
}

TEST_F(MsgTest, DateAndTimeFillTheCallersBuffer) {
  char d[KS_DATE_LEN], t[KS_DATE_LEN];
  EXPECT_EQ(ks_date(d), d);
  EXPECT_STREQ(d, "08-DEC-26");
  EXPECT_EQ(ks_time(t), t);
  EXPECT_STREQ(t, "09:05");
  EXPECT_EQ(ks_date(nullptr), ks_date(nullptr));
}

TEST(ValOk, PlainDecimalNumbersOnly) {
  const char* yes[] = {"12", "  -3.5", "-0", "7.", "\t0.25", "-.5"};
  const char* no[] = {"", "   ", "-", ".", "-.", "1.2.3", "5-", "1e5", "12 ", "+3", nullptr};
  for (const char* s : yes) EXPECT_TRUE(ks_valok(s)) << s;
  for (const char* s : no) EXPECT_FALSE(ks_valok(s)) << (s ? s : "(null)");
}

// Choosers over a fake dialog that returns what the test queued.
std::vector<std::string> g_picks;
KsOpenFileRequest g_req;
std::vector<std::string> fake_open(const KsOpenFileRequest& req, int* filter) {
  g_req = req;
  if (filter) *filter = 1;
  return g_picks;
}

class ChooseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KsChooseHooks h;
    h.open_files = fake_open;
    ks_choose_set_hooks(h);
  }
  void TearDown() override { ks_choose_set_hooks(KsChooseHooks{}); }
};

TEST_F(ChooseTest, SingleFileNamesAndFailures) {
  char out[64];
  struct Case {
    std::vector<std::string> picks;
    int want;
    const char* path;
  } cases[] = {
      {{"/d/report"}, 1, "/d/report.txt"},   // no extension: the default one
      {{"/d/report.csv"}, 1, "/d/report.csv"},
      {{"/d.v/report"}, 1, "/d.v/report.txt"},
      {{}, 0, ""},                            // cancel
      {{"/d/a", "/d/b"}, 0, ""},              // more than one pick
      {{std::string(80, 'a')}, 0, ""},        // does not fit the caller's buffer
  };
  for (const Case& c : cases) {
    g_picks = c.picks;
    std::strcpy(out, "junk");
    EXPECT_EQ(io_win32_singlefile(out, sizeof out, "Save", "/d", nullptr, "Text\0*.txt\0",
                                  ".txt", FALSE, FALSE),
              c.want);
    EXPECT_STREQ(out, c.path);
  }
  EXPECT_EQ(g_req.labels, std::vector<std::string>{"Text"});
  EXPECT_EQ(g_req.patterns, std::vector<std::string>{"*.txt"});
  g_picks = {"/d/x"};
  EXPECT_EQ(io_win32_singlefile(out, sizeof out, "Save", "/d", nullptr, nullptr, ".txt", FALSE,
                                FALSE),
            0);
}

TEST_F(ChooseTest, ImageChooserFillsAnEmptyFolderWithinItsCapacity) {
  // A write folder of this test's own, set up as start-up does.
  vxtest::TempDir ws;
  const std::string write = ws.str() + "/write/";
  vxtest::write_text(ws.path() / "kestrin7.ini",
                     "[VX43]\nCompany=Lab\nHelpDir=/opt/help\nHomeDir=/home/lab\nSplash=Hi\n"
                     "Title=T\nWriteDir=" + write + "\n");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(ws.path());
  char wd[KS_INI_VALUE_LEN];
  const BOOL started = ks_init_inifiles("VX", "43", wd);
  std::filesystem::current_path(old);
  ASSERT_TRUE(started);

  g_picks = {"/w/images/gel"};
  char out[64];
  char small[4] = "";  // too small for the images folder: left empty, never overrun
  EXPECT_EQ(io_win32_singlekes(out, sizeof out, "Destination image...", small, sizeof small,
                               nullptr, FALSE),
            1);
  EXPECT_STREQ(small, "");
  EXPECT_STREQ(out, "/w/images/gel.kes");
  char dir[KS_INI_VALUE_LEN + 8] = "";
  io_win32_singlekes(out, sizeof out, "Destination image...", dir, sizeof dir, nullptr, FALSE);
  EXPECT_EQ(std::string(dir), write + "images");
  EXPECT_EQ(g_req.folder, dir);
  EXPECT_EQ(g_req.patterns, (std::vector<std::string>{"*.kes", "*.*"}));
}

}  // namespace
