// The help files: each built CHM file is a valid compiled help file that holds every page of its
// book as written, and every link of a page leads to a page of the book; and the Help commands
// hand the file in the help folder to the desktop's opener, which shows it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "gel_fixture.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "toolkit/tk_test.h"

namespace {

namespace fs = std::filesystem;

struct Book {
  const char* folder;  // under resources/help
  const char* file;    // the compiled file
};
const Book kBooks[] = {{"guide", "VX_User_Guide.chm"}, {"tutorial", "VX_Tutorial.chm"}};

fs::path built(const Book& b) { return fs::path(VX_HELP_DIR) / b.file; }

TEST(HelpFiles, EachBookIsACompiledHelpFileHoldingItsPages) {
  for (const Book& b : kBooks) {
    SCOPED_TRACE(b.file);
    ASSERT_TRUE(fs::exists(built(b))) << built(b);
    EXPECT_EQ(vxtest::read_text(built(b)).substr(0, 4), "ITSF");
    // The file as the CHM tools read it: every source of the book and the shared style sheet,
    // byte for byte.
    vxtest::TempDir out;
    const std::string cmd = "chmls extractall '" + built(b).string() + "' '" + out.str() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const fs::path src = vxtest::source_dir() / "resources/help" / b.folder;
    std::set<std::string> pages;
    for (const auto& e : fs::directory_iterator(src)) {
      const std::string name = e.path().filename().string();
      if (e.path().extension() == ".hhp") continue;
      ASSERT_TRUE(fs::exists(out.path() / name)) << name << " is not in the compiled file";
      EXPECT_EQ(vxtest::read_text(out.path() / name), vxtest::read_text(e.path())) << name;
      if (e.path().extension() == ".html") pages.insert(name);
    }
    // The style sheet the books share.
    ASSERT_TRUE(fs::exists(out.path() / "help.css")) << "help.css is not in the compiled file";
    EXPECT_EQ(vxtest::read_text(out.path() / "help.css"),
              vxtest::read_text(src.parent_path() / "help.css"));
    ASSERT_GE(pages.size(), 5u);
    ASSERT_TRUE(pages.count("index.html"));
    // Every page is in the contents, and every link of a page leads to a page of the book.
    const std::string toc = vxtest::read_text(src / "toc.hhc");
    const std::regex link(R"(href="([^"#]*))");
    for (const std::string& p : pages) {
      EXPECT_NE(toc.find("value=\"" + p + "\""), std::string::npos) << p << " is not in the contents";
      const std::string html = vxtest::read_text(src / p);
      EXPECT_NE(html.find("<title>"), std::string::npos) << p;
      for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
        const std::string target = (*it)[1];
        EXPECT_TRUE(pages.count(target) || target == "help.css") << p << " links to " << target;
      }
    }
  }
}

// The desktop's opener stands in as a program of that name on the search path, which notes the
// file it was given.
class HelpCommand : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    const fs::path bin = fs::path(dir) / "opener";
    fs::create_directories(bin);
    noted_ = (bin / "opened.txt").string();
    vxtest::write_text(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted_ + "'\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    old_path_ = path ? path : "";
    setenv("PATH", (bin.string() + ":" + old_path_).c_str(), 1);
    gt_set_help_opener(nullptr);  // the desktop's opener
  }
  void TearDown() override {
    setenv("PATH", old_path_.c_str(), 1);
    OpenImagesTest::TearDown();
  }
  std::string noted_, old_path_;
};

TEST_F(HelpCommand, OpensTheHelpFileWithTheDesktopsOpener) {
  // The help folder of the test's ini file holds the built files.
  for (const Book& b : kBooks) fs::copy_file(built(b), fs::path(dir) / b.file);
  const struct {
    int command;
    const char* file;
  } cases[] = {{GT_CMD_HELP, "VX_User_Guide.chm"},
               {GT_CMD_HELP_GUIDE, "VX_User_Guide.chm"},
               {GT_CMD_HELP_TUTORIAL, "VX_Tutorial.chm"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove(noted_);
    const int unanswered = TKT_Unanswered();
    main_winNfySelMenuBar(win_, c.command);
    EXPECT_EQ(TKT_Unanswered(), unanswered) << TKT_LastAlertText();
    ASSERT_TRUE(fs::exists(noted_)) << "the opener was not started";
    EXPECT_EQ(fs::path(vxtest::read_text(noted_)), fs::path(dir) / c.file);
  }
}

}  // namespace
