// Starting the dendrogram viewer.
#include "analysis/matr_launch.h"

#include <spawn.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "base/ks_install.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "shell/gt_open.h"

namespace {

std::string s_program;  // empty: the viewer "Velto"

std::string viewer_program() {
  if (!s_program.empty()) return s_program;
  const std::string beside = ks_install_dir() + "Velto";
  return access(beside.c_str(), X_OK) == 0 ? beside : "Velto";
}

}  // namespace

void matr_set_viewer_program(const char* program) { s_program = program ? program : ""; }

BOOL matr_launch_velto(const char* path) {
  static const char* fn = "matr_launch_velto";
  if (path == nullptr || path[0] == '\0') return FALSE;
  const std::string program = viewer_program();
  char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(path), nullptr};
  pid_t pid = 0;
  const int err = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
  if (err != 0) {
    // The system's text for the failure, as the user sees it.
    mh_send_msg(1, ui_msg(204), std::strerror(err));
    SLOG(fn, SLOG_ERROR, "cannot start <%s>: %s", program.c_str(), std::strerror(err));
    return FALSE;
  }
  // The viewer's windows are titled "Dendrogram"; closing all windows ends it.
  gt_viewer_register(pid, "Dendrogram");
  SLOG(fn, SLOG_EXIT, "<%s %s> pid %d", program.c_str(), path, static_cast<int>(pid));
  return TRUE;
}
