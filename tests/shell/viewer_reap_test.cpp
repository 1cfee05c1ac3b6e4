// Viewers that this program started and that end on their own (the user closes them) are
// collected while the program runs: none stays behind as a defunct process. A viewer that still
// runs stays registered until closing ends it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "analysis/matr_launch.h"
#include "shell/gt_open.h"
#include "test_support.h"
#include "toolkit/tk_event.h"

namespace {

pid_t start(const char* seconds) {
  const pid_t pid = fork();
  if (pid == 0) {
    execlp("sleep", "sleep", seconds, static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Runs the event loop until the viewer count is `want` (at most 60 s, so that a busy machine's
// slow process start and exit still make it); the count reached.
int wait_for_count(int want) {
  for (int i = 0; i < 600 && gt_viewer_count() != want; ++i) EVENT_Wait(100);
  return gt_viewer_count();
}

// Whether the process is gone for good (a defunct one still answers signal 0).
bool reaped(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// Ends the viewers an earlier test of this process left registered, so that none of them is
// collected in the middle of these counts.
int no_viewers() {
  gt_close_windows_by_title("Dendrogram");
  return gt_viewer_count();
}

TEST(ViewerReap, AViewerThatEndsIsCollectedWhileTheProgramRuns) {
  ASSERT_EQ(no_viewers(), 0);
  const int before = 0;
  const pid_t quick = start("0");
  const pid_t running = start("30");
  gt_viewer_register(quick, "Dendrogram - a");
  gt_viewer_register(running, "Dendrogram - b");
  EXPECT_EQ(gt_viewer_count(), before + 2);
  EXPECT_EQ(wait_for_count(before + 1), before + 1);
  EXPECT_TRUE(reaped(quick));
  // The running one is left alone until closing ends it.
  EVENT_Wait(1200);
  EXPECT_EQ(gt_viewer_count(), before + 1);
  EXPECT_EQ(kill(running, 0), 0);
  gt_close_windows_by_title("Dendrogram");
  EXPECT_EQ(gt_viewer_count(), 0);
  EXPECT_TRUE(reaped(running));
}

TEST(ViewerReap, TheViewerStartedOnAMatchFileIsCollectedAfterItsExit) {
  vxtest::TempDir dir;
  const std::string viewer = dir.file("viewer.sh");
  std::ofstream(viewer) << "#!/bin/sh\nexit 0\n";
  std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
  matr_set_viewer_program(viewer.c_str());
  ASSERT_EQ(no_viewers(), 0);
  const int before = 0;
  EXPECT_TRUE(matr_launch_velto(dir.file("match.csv").c_str()));
  matr_set_viewer_program(nullptr);
  EXPECT_EQ(gt_viewer_count(), before + 1);
  EXPECT_EQ(wait_for_count(before), before);
}

}  // namespace
