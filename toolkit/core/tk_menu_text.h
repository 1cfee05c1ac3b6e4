// Menu texts that name what the user named (files, images, report titles). A menu takes "&" as
// the mark of the access key that follows it; such names show every "&" as it is instead.
#pragma once

#include <string>

// A text that a menu shows as it is, with no access key of its own ("R&D gel" -> "R&&D gel").
std::string MENU_Literal(const char* text);
