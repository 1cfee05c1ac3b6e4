// Numbers as text in the C notation whatever the process locale ("%.*f" with a '.').
#pragma once

#include <string>

// v with `prec` decimals, right-aligned in `width` characters.
std::string num_fixed(double v, int prec, int width = 0);
