// The lane info file: lane names, labels, detection settings and standards carried from one
// analysed image to the next. Reading and writing the file come with its dialog; until then no
// file is ever loaded and the lane tools take their own defaults.
#pragma once

int ln_info_loaded();                      // 1 when a file is loaded
const char* ln_info_get_name(int index);   // the lane's name, null when none
int ln_info_get_bg_angle(int index);       // the lane's background angle, -1 when none
