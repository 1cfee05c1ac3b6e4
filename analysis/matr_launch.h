// Starting the dendrogram viewer on a match file, as a process of its own.
#pragma once

#include "base/kstypes.h"

// Starts the viewer with the match file's path as its one argument, without waiting for it;
// the viewer is found beside this program, else on the search path. TRUE when it started;
// otherwise ui_msg 204 shows the system's reason.
BOOL matr_launch_velto(const char* path);
// The viewer program to start (tests put a small program of their own); null restores it.
void matr_set_viewer_program(const char* program);
