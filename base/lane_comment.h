// Two small text files of the lane tools.
//
// Lane comments: one text file per lane beside the image ("<image name>_lc<lane>.txt" in the
// image's folder) and a template "lane_comments.txt" in the write folder that a new comment
// starts from.
//
// Fractions: a definition file in the write folder names up to 20 fractions of a lane
// (two position ranges and a least share, in per cent, and a name), with an optional title:
//   ; comment            # comment
//   Haemoglobin fractions          <- the first line that starts with a letter: the title
//   10, 20, 5, 30, 40, HbA         <- rf_lo, rf_hi, min_pct, norm_lo, norm_hi, name
#pragma once

#include <cstddef>

#include "base/kstypes.h"

constexpr int FRACT_MAX = 20;        // fractions in the table
constexpr int FRACT_NAME_LEN = 20;   // name bytes (19 characters and a NUL)
constexpr int FRACT_FILE_LEN = 264;  // file name bytes

struct FRACTION {
  int rf_lo;    // first range, per cent: rf_lo < rf_hi
  int rf_hi;
  int min_pct;  // least share of the fraction, per cent
  int norm_lo;  // second (normal) range, per cent: norm_lo < norm_hi
  int norm_hi;
  char name[FRACT_NAME_LEN];
};

// Reads "lane_comments.txt" of `write_dir` (given with its trailing '/') into `text` (cleared
// first): every line followed by a line feed. A text longer than cap - 1 bytes is cut there.
// FALSE when the file is missing, cannot be read or is empty.
BOOL lane_read_template(char* text, std::size_t cap, const char* write_dir);

// Forms the comment file path of lane `lane` of an image: the folder of `image_path`, then
// `image_name` without its extension, then "_lc<lane>.txt". Returns whether the file exists.
BOOL lane_comm_make_filename(char* out, std::size_t cap, const char* image_path,
                             const char* image_name, int lane);

// Reads a lane's comment file into `text` (cleared first), as lane_read_template does.
BOOL lane_read_comments(char* text, std::size_t cap, const char* image_path,
                        const char* image_name, int lane);

// Writes `text` unchanged as the lane's comment file, replacing an earlier one; the old file
// stays whole when the write fails.
BOOL lane_write_comments(const char* image_path, const char* image_name, int lane,
                         const char* text);

// Forgets the fractions: count 0, no file name.
void fractions_init();

// Reads the definition file `name` of the folder `dir` (given with its trailing '/') into the
// fractions table. Returns the number of fractions read (0 also when the file is missing or
// cannot be opened), or -1 for an empty file, a line that is not a valid fraction (a second
// title among them), a name over 19 characters or more than 20 fractions; the count is then 0.
// The title (empty when none) goes to `title`, cut to cap - 1 bytes.
int fractions_file_usable_in(const char* dir, const char* name, char* title, std::size_t cap);

// The same for a definition file of the write folder (ks_get_writeable_path).
int fractions_file_usable(const char* name, char* title, std::size_t cap);

// Points out[0..n-1] at the first n records of the table. 0 for a null array or n above 20.
int fractions_load(int n, FRACTION** out);

// The number of fractions read and the file name in use.
int fractions_count();
const char* fractions_file_name();
