// Message formatting with numbered inserts, as the program's string-table texts are written:
//   %1 .. %99   the argument of that number, as text
//   %2!d!       the argument formatted with the printf conversion between the marks
//               (d, i, u, x, X, o; c for a character code); the argument holds the number's text
//   %n          a line break; %. a full stop; %% a percent sign; %0 ends the message;
//               %<blank> a blank
// Anything else after a percent sign is kept as it is. A missing argument inserts nothing.
#pragma once

#include <string>
#include <vector>

namespace docview {

std::string FormatMessage(const std::string& pattern, const std::vector<std::string>& args);

}  // namespace docview
