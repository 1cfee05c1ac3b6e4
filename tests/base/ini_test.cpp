#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/io_file.h"
#include "base/ks_ini.h"
#include "base/ks_profile.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// --- Profile strings

TEST(KsProfile, ReadSemantics) {
  vxtest::TempDir dir;
  std::string f = dir.file("a.ini");
  vxtest::write_text(f,
                     "; comment\r\n"
                     "[Other]\r\n"
                     "Key=other section\r\n"
                     "[vx43]\r\n"
                     "  KEY  =  first wins  \r\n"
                     "key=second\r\n"
                     "Quoted=\"  kept blanks \"\r\n"
                     "Empty=\r\n"
                     "[VX43]\r\n"
                     "Later=the first section of a name is the one read\r\n");
  const struct {
    const char* section;
    const char* key;
    const char* expect;
  } cases[] = {
      {"VX43", "key", "first wins"},
      {"Vx43", "quoted", "  kept blanks "},
      {"VX43", "Empty", ""},
      {"VX43", "Missing", "dflt"},
      {"Other", "KEY", "other section"},
      {"VX43", "Later", "dflt"},
      {"Nowhere", "Key", "dflt"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ks_profile_get(c.section, c.key, "dflt", f.c_str()), c.expect) << c.key;
  EXPECT_EQ(ks_profile_get("VX43", "key", "dflt", dir.file("missing.ini").c_str()), "dflt");

  char small[6];
  EXPECT_EQ(ks_profile_get_string("VX43", "key", "", small, sizeof small, f.c_str()), 5);
  EXPECT_STREQ(small, "first");
}

TEST(KsProfile, WritesKeepTheRestOfTheFile) {
  vxtest::TempDir dir;
  std::string f = dir.file("w.ini");
  const std::string before =
      "; keep me\r\n[A]\r\nx=1\r\n\r\n[VX43]\r\nOne=1\r\nTwo = 2\r\n\r\n[Z]\r\nz=9";
  vxtest::write_text(f, before);
  ASSERT_TRUE(ks_profile_write_string("vx43", "two", "22", f.c_str()));
  ASSERT_TRUE(ks_profile_write_string("VX43", "Three", "3", f.c_str()));
  ASSERT_TRUE(ks_profile_write_string("New", "k", "v", f.c_str()));
  EXPECT_EQ(vxtest::read_text(f),
            "; keep me\r\n[A]\r\nx=1\r\n\r\n[VX43]\r\nOne=1\r\ntwo=22\r\nThree=3\r\n\r\n"
            "[Z]\r\nz=9\r\n[New]\r\nk=v\r\n");
  EXPECT_EQ(ks_profile_get("VX43", "TWO", "", f.c_str()), "22");

  // A new file is made with the section; a line break cannot be stored in one line.
  std::string g = dir.file("new.ini");
  ASSERT_TRUE(ks_profile_write_string("S", "k", "v", g.c_str()));
  EXPECT_EQ(vxtest::read_text(g), "[S]\nk=v\n");
  EXPECT_FALSE(ks_profile_write_string("S", "k", "two\nlines", g.c_str()));
  EXPECT_EQ(vxtest::read_text(g), "[S]\nk=v\n");
  EXPECT_FALSE(ks_profile_write_string("S", "k", "v", dir.file("no/such/folder.ini").c_str()));
}

// --- Ini configuration: a current folder holding the start-up ini and a write folder.

class KsIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    fs::current_path(dir_.path());
    write_ = dir_.str() + "/write";
    fs::create_directory(write_);
  }
  void TearDown() override { fs::current_path(old_); }

  void startup(const std::string& extra = "", const std::string& home = "/home/lab") {
    vxtest::write_text(dir_.path() / "kestrin7.ini",
                       "[VX43]\nCompany=Lab\nHelpDir=/opt/help\nHomeDir=" + home +
                           "\nSplash=Hello\nTitle=T\nWriteDir=" + write_ + "\n" + extra);
  }
  void init_ok() {
    startup();
    char wd[KS_INI_VALUE_LEN];
    ASSERT_TRUE(ks_init_inifiles("VX", "43", wd));
  }

  vxtest::TempDir dir_;
  fs::path old_;
  std::string write_;
};

TEST_F(KsIniTest, StartUpFormsTheWriteFolderAndPaths) {
  startup();
  char wd[KS_INI_VALUE_LEN] = "junk";
  ASSERT_TRUE(ks_init_inifiles("VX", "43", wd));
  std::string w = write_ + "/";
  EXPECT_EQ(std::string(wd), w);
  EXPECT_EQ(std::string(ks_get_writeable_path()), w);
  EXPECT_EQ(std::string(ks_get_writable_ini_path()), w + "kestrinw.ini");
  EXPECT_EQ(std::string(ks_get_devices_ini_path()), w + "devices.ini");
  EXPECT_EQ(std::string(io_get_temp_folder()), w);
  EXPECT_STREQ(ks_get_ini_section(), "VX43");

  int is_int = -1, value = -1;
  char text[KS_INI_VALUE_LEN];
  EXPECT_EQ(ks_get_inientry(KS_INI_WRITE_DIR, &is_int, &value, text), 1);
  EXPECT_EQ(std::string(text), w);
  EXPECT_EQ(ks_get_inientry(KS_INI_HOME_DIR, &is_int, &value, text), 1);
  EXPECT_STREQ(text, "/home/lab/");
  // A second start-up replaces the values rather than adding to them.
  ASSERT_TRUE(ks_init_inifiles("VX", "43", wd));
  EXPECT_EQ(ks_get_inientry(KS_INI_SPLASH, &is_int, &value, text), 1);
  EXPECT_STREQ(text, "Hello");
}

TEST_F(KsIniTest, StartUpFailures) {
  const struct {
    const char* why;
    std::string ini;
  } cases[] = {
      {"no file", ""},
      {"missing Title", "[VX43]\nCompany=a\nHelpDir=/h\nHomeDir=/x\nSplash=s\nWriteDir=/w\n"},
      {"empty Company",
       "[VX43]\nCompany=\nHelpDir=/h\nHomeDir=/x\nSplash=s\nTitle=t\nWriteDir=/w\n"},
      {"one-character HomeDir",
       "[VX43]\nCompany=a\nHelpDir=/h\nHomeDir=C\nSplash=s\nTitle=t\nWriteDir=/w\n"},
      {"other section",
       "[VX42]\nCompany=a\nHelpDir=/h\nHomeDir=/x\nSplash=s\nTitle=t\nWriteDir=/w\n"},
      {"WriteDir longer than its field",
       "[VX43]\nCompany=a\nHelpDir=/h\nHomeDir=/x\nSplash=s\nTitle=t\nWriteDir=/" +
           std::string(254, 'w') + "\n"},
      {"Splash longer than its field", "[VX43]\nCompany=a\nHelpDir=/h\nHomeDir=/x\nSplash=" +
                                           std::string(300, 's') + "\nTitle=t\nWriteDir=/w\n"},
  };
  for (const auto& c : cases) {
    fs::remove(dir_.path() / "kestrin7.ini");
    if (!c.ini.empty()) vxtest::write_text(dir_.path() / "kestrin7.ini", c.ini);
    char wd[KS_INI_VALUE_LEN] = "junk";
    EXPECT_FALSE(ks_init_inifiles("VX", "43", wd)) << c.why;
    EXPECT_STREQ(wd, "") << c.why;
  }
  // A value that just fits (255 characters with the appended '/') is taken.
  vxtest::write_text(dir_.path() / "kestrin7.ini",
                     "[VX43]\nCompany=a\nHelpDir=/h\nHomeDir=/x\nSplash=s\nTitle=t\nWriteDir=/" +
                         std::string(253, 'w') + "\n");
  char wd[KS_INI_VALUE_LEN];
  EXPECT_TRUE(ks_init_inifiles("VX", "43", wd));
  EXPECT_EQ(std::string(wd).size(), 255u);
}

TEST_F(KsIniTest, ProgramEntriesFromTheWritableIniOrTheTable) {
  init_ok();
  vxtest::write_text(write_ + "/kestrinw.ini",
                     "[vx43]\ncharsperreportline=  -42abc\nPHOTOPRINTER=roll\nDefaultScaling=x\n");
  const struct {
    int code;
    int result, is_int, value;
    const char* text;
  } cases[] = {
      {KS_INI_LINES_PER_REPORT_PAGE, 0, 1, 63, ""},   // missing: integer default
      {KS_INI_CHARS_PER_REPORT_LINE, 1, 1, -42, ""},  // leading digits, case-insensitive key
      {KS_INI_DEFAULT_SCALING, 1, 1, 0, ""},          // no digits
      {KS_INI_PHOTO_PRINTER, 1, 0, 0, "roll"},        // text read
      {KS_INI_LOCALE, 0, 0, 0, "US"},                 // text default
      {KS_INI_COMPANY, 1, 0, 0, "Lab"},               // not writable: the table's value
      {KS_INI_USER, 1, 0, 0, ""},                     // not writable, not required
      {KS_INI_BIT_DEPTH, -1, 0, 0, ""},               // device row
      {KS_INI_EZT_XRES, -1, 0, 0, ""},                // scanner-library row
      {82, -1, 0, 0, ""},                             // no row
      {-1, -1, 0, 0, ""},
  };
  for (const auto& c : cases) {
    int is_int = 99, value = 99;
    char text[KS_INI_VALUE_LEN] = "junk";
    EXPECT_EQ(ks_get_inientry(c.code, &is_int, &value, text), c.result) << c.code;
    EXPECT_EQ(is_int, c.is_int) << c.code;
    EXPECT_EQ(value, c.value) << c.code;
    EXPECT_STREQ(text, c.text) << c.code;
  }
}

TEST_F(KsIniTest, TableHasEveryCodeInPlace) {
  for (int code = 0; code < KS_INI_ENTRY_COUNT; ++code) {
    KsIniEntry* row = ks_find_inientry(code);
    ASSERT_NE(row, nullptr) << code;
    EXPECT_EQ(row->code, code);
    EXPECT_FALSE(row->IsDevice && row->IsEZT) << code;
  }
  EXPECT_EQ(ks_find_inientry(KS_INI_ENTRY_COUNT), nullptr);
  EXPECT_STREQ(ks_find_inientry(KS_INI_GUI_LANGUAGE)->cDefault, "English");
  EXPECT_EQ(ks_find_inientry(KS_INI_ZEBRA_DW_BLACK)->iDefault, 130);
}

TEST_F(KsIniTest, PutWritesChangeableEntriesAndReportsFailedWrites) {
  init_ok();
  std::string w = write_ + "/kestrinw.ini";
  vxtest::write_text(w, "; user notes\n[VX43]\nLocale=DE\n[Other]\nDefaultResolution=1\n");
  EXPECT_EQ(ks_put_inientry(KS_INI_LOCALE, 0, "FR"), -1);         // writable, not changeable
  EXPECT_EQ(ks_put_inientry(KS_INI_EZT_XRES, 300, nullptr), -1);  // scanner-library row
  EXPECT_EQ(ks_put_inientry(500, 1, "x"), -1);
  EXPECT_EQ(ks_put_inientry(KS_INI_DEFAULT_RESOLUTION, 300, "ignored"), 1);
  EXPECT_EQ(ks_put_inientry(KS_INI_PHOTO_PRINTER, 0, "roll"), 1);
  EXPECT_EQ(vxtest::read_text(w),
            "; user notes\n[VX43]\nLocale=DE\nDefaultResolution=300\nPhotoPrinter=roll\n"
            "[Other]\nDefaultResolution=1\n");
  int is_int, value;
  char text[KS_INI_VALUE_LEN];
  EXPECT_EQ(ks_get_inientry(KS_INI_DEFAULT_RESOLUTION, &is_int, &value, text), 1);
  EXPECT_EQ(value, 300);

  // A write folder that is gone: the write fails and says so.
  fs::remove_all(write_);
  EXPECT_EQ(ks_put_inientry(KS_INI_DEFAULT_RESOLUTION, 1, nullptr), -1);
}

TEST_F(KsIniTest, PutFailsInAReadOnlyFolder) {
  init_ok();
  std::string w = write_ + "/kestrinw.ini";
  vxtest::write_text(w, "[VX43]\nZebraBlack=1\n");
  chmod(write_.c_str(), 0555);
  int result;
  if (geteuid() == 0) {
    // Permissions do not bind root: try the write as an unprivileged user in a child.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      _exit(ks_put_inientry(KS_INI_ZEBRA_BLACK, 2, nullptr) == -1 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 3) << "cannot drop privileges";
    result = WEXITSTATUS(status) == 0 ? -1 : 1;
  } else {
    result = ks_put_inientry(KS_INI_ZEBRA_BLACK, 2, nullptr);
  }
  chmod(write_.c_str(), 0755);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(vxtest::read_text(w), "[VX43]\nZebraBlack=1\n");
}

TEST_F(KsIniTest, DeviceEntriesUseTheUpperCaseDeviceName) {
  init_ok();
  vxtest::write_text(write_ + "/devices.ini",
                     "[VX43]\nCamera=cam9\nScanner=flat\nCAM9_BitDepth=12\nFLAT_DataSource=sane:x\n"
                     "FLAT_BitDepth=16\n");
  int is_int = 0, value = 0;
  char text[KS_INI_VALUE_LEN];
  EXPECT_EQ(ks_get_deventry(KS_INI_CAMERA, TRUE, &is_int, &value, text), 1);
  EXPECT_STREQ(text, "CAM9");
  EXPECT_EQ(ks_get_deventry(KS_INI_BIT_DEPTH, TRUE, &is_int, &value, text), 1);
  EXPECT_EQ(is_int, 1);
  EXPECT_EQ(value, 12);
  EXPECT_EQ(ks_get_deventry(KS_INI_SCANNER, FALSE, &is_int, &value, text), 1);
  EXPECT_EQ(ks_get_deventry(KS_INI_DATA_SOURCE, FALSE, &is_int, &value, text), 1);
  EXPECT_STREQ(text, "sane:x");
  EXPECT_EQ(ks_get_deventry(KS_INI_BIT_DEPTH, FALSE, &is_int, &value, text), 1);
  EXPECT_EQ(value, 16);
  EXPECT_EQ(ks_get_deventry(KS_INI_DATA_SOURCE, TRUE, &is_int, &value, text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(ks_get_deventry(KS_INI_COMPANY, TRUE, &is_int, &value, text), -1);
  EXPECT_EQ(ks_get_deventry(KS_INI_EZT_CONFIG, TRUE, &is_int, &value, text), -1);

  // No camera configured: the name is empty and the entries fall back to the defaults.
  vxtest::write_text(write_ + "/devices.ini", "[VX43]\n");
  EXPECT_EQ(ks_get_deventry(KS_INI_CAMERA, TRUE, &is_int, &value, text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(ks_get_deventry(KS_INI_BIT_DEPTH, TRUE, &is_int, &value, text), 0);
  EXPECT_EQ(value, 8);
}

TEST(KsIni, LanguageIndex) {
  EXPECT_EQ(ks_language_index("english"), 0);
  EXPECT_EQ(ks_language_index("Francais"), 1);
  EXPECT_EQ(ks_language_index("FRANCAIS"), 1);
  EXPECT_EQ(ks_language_index("deutsch"), 0);
  EXPECT_EQ(ks_language_index(nullptr), 0);
}

}  // namespace
