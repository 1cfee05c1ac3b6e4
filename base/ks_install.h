// The installation folder: the folder that holds the running executable. The resource file,
// the trace log and its match file and the help files lie there.
#pragma once

#include <string>

// The folder with a trailing '/', e.g. "/opt/vx/bin/"; "./" when it cannot be found.
const std::string& ks_install_dir();
