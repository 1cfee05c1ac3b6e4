// Ini files read and written with private-profile-string semantics: "[section]" headers and
// "key=value" lines; section and key names compare without regard to case; the first matching
// section and key win; blanks around names and values are dropped, and a value enclosed in one
// pair of matching quotes loses them. CRLF and LF line ends are both read. Writing creates the
// file, the section or the key as needed and keeps every other line of the file.
#pragma once

#include <cstddef>
#include <string>

#include "base/kstypes.h"

// Copies the value of `key` in `section` of `file` into `out` (at most size - 1 characters,
// always terminated), or `def` when the file, section or key is missing. Returns the number of
// characters copied.
int ks_profile_get_string(const char* section, const char* key, const char* def, char* out,
                          std::size_t size, const char* file);

// The same without a length limit. `found` (optional) tells whether the key was there.
std::string ks_profile_get(const char* section, const char* key, const char* def, const char* file,
                           bool* found = nullptr);

// Sets `key` in `section` of `file` to `value`. The file is rewritten through a temporary file
// beside it and a rename, so a failed write leaves the previous file whole. TRUE on success,
// FALSE when the file cannot be read or written.
BOOL ks_profile_write_string(const char* section, const char* key, const char* value,
                             const char* file);
