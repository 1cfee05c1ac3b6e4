// Plain types shared by every layer: the system's BOOL with TRUE and FALSE, and fixed-width
// integers. Functions of the system return TRUE/FALSE, or 0 and small negative codes.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
