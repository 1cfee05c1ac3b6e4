#include "base/ks_install.h"

#include <unistd.h>

#include <climits>

const std::string& ks_install_dir() {
  static const std::string dir = [] {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string("./");
    std::string exe(buf, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return std::string("./");
    return exe.substr(0, slash + 1);
  }();
  return dir;
}
