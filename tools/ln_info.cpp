#include "tools/ln_info.h"

int ln_info_loaded() { return 0; }
const char* ln_info_get_name(int) { return nullptr; }
int ln_info_get_bg_angle(int) { return -1; }
