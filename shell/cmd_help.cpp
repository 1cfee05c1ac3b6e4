// The Help menu's commands: the user guide and the tutorial, opened by the desktop from the
// help folder, and the About window.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"

namespace {

int default_help_opener(const char* path) {
  if (!io_file_exists(path)) return 2;
  pid_t pid = 0;
  char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(path), nullptr};
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return 31;
  // The opener hands the file to a viewer and ends; a failure shows as its exit status.
  for (int i = 0; i < 50; ++i) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 42 : 31;
    if (r < 0) return 42;
    usleep(100 * 1000);
  }
  return 42;  // still running: it is showing the file
}

GtHelpOpener s_help_opener = default_help_opener;

}  // namespace

void gt_set_help_opener(GtHelpOpener opener) {
  s_help_opener = opener ? opener : default_help_opener;
}

void cmd_help(const CmdCall& call) {
  char dir[KS_INI_VALUE_LEN] = "";
  int is_int = 0, value = 0;
  if (ks_get_inientry(KS_INI_HELP_DIR, &is_int, &value, dir) < 0 || dir[0] == '\0') {
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(136));
    SLOG(kCmdTrace, SLOG_VALUE4, "no HelpDir");
    return;
  }
  std::string path = dir;
  if (path.back() != '/') path += '/';
  path += call.command == GT_CMD_HELP_TUTORIAL ? "VX_Tutorial.chm" : "VX_User_Guide.chm";
  const int result = s_help_opener(path.c_str());
  SLOG(kCmdTrace, SLOG_VALUE4, "ShellExecute iresult %d", result);
  if (result < 33) mh_send_msg(KS_ALERT_ERROR, "help error code: %d", result);
}

void cmd_about(const CmdCall&) { gt_info_activate(); }
