// The image state record (analysis type 49): the stored snapshot of the control record, and
// the preferences file that carries it as its one record.
//
// Record layout (little-endian 32-bit integers unless the container says big-endian; doubles
// IEEE 754; texts fixed-width, NUL-padded), n = number of lane characteristic names,
// T = 7156 + 20 n:
//      0  selection mode                    4  scanner word
//      8  band finding word                12  word after fnd_bnd_quant
//     16  four band-detection words        32  profile word
//     36  two 16-bit profile values        40  calibration word
//     44  calibration standard set, requantify       52  size interp, extrap, set
//     64  size requantify                  68  concentration interp, extrap, set
//     80  colour map code, level, width    92  three 256-byte standard set paths
//    860  19 display codes                936  size, concentration, distance units (20 each)
//    996  fourth unit text (256)         1252  size digits, concentration digits
//   1260  the two 16-bit report settings (first in the low half)
//   1264  four report configurations of 358 words each
//   6992  eight 20-byte texts            7152  n
//   7156  n names of 20 bytes (a name of 20 characters has no NUL)
//   T     match word                     T+4    four match doubles
//   T+36  lane selection file (256)      T+292  size-standards number setting and two words
//   T+304 six folders (256 each)         T+1840 import path (256)
//   T+2096 densitometry word             T+2100 band count limit
//   T+2104 image list file (256)         T+2360 chosen lane characteristic
//   T+2364 four recent files (256 each)  T+3388 misc word
//   T+3392 256 misc bytes                T+3648 flags
//   T+3652 two words                     T+3660 two texts (256 each)
// The record is 11,328 + 20 n bytes. Records of older versions end at one of the group starts
// T+304, T+2100, T+2104, T+2364, T+3388, T+3648, T+3660 or T+3916; the groups they lack keep
// the fresh snapshot's content (zero).
//
// Preferences file: an analysis container with one token and one record: the 28-byte header
// ("II", num_analysis 1), the 20-byte token, the record at offset 48. It may hold a type 49
// record (what this program writes) or one of the older state records 30, 50, 55 and 56
// (io/legacy_state.h); a type 30 token is read as type 55.
#pragma once

#include "io/analysis.h"
#include "model/control.h"

constexpr int GT_IMG_STATE_TYPE = 49;
constexpr int GT_IMG_STATE_VERSION = 3;
constexpr int GT_IMG_STATE_FIXED = 11328;  // record bytes without the names
constexpr int GT_IMG_STATE_NAMES = 7156;   // offset of the names
constexpr int GT_IMG_STATE_NAME_LEN = 20;

// Writes the entry's snapshot (entry->record, a GT_IMG_STATE). Sets the token's version to 3 and
// its count to 0. An entry without a snapshot writes nothing. 0.
int io_wr_gt_img_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
// Reads a snapshot into a new GT_IMG_STATE hung on the entry. 0, -2 (no memory) or -5 (short
// read, a record shorter than T+304 bytes, or a name count that does not fit the record). The
// counts inside the report configurations are held to their slot arrays (0 to 40, 100, 40).
int io_rd_gt_img_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
// Frees the snapshot of an entry with its names.
void io_free_gt_img_state(ANALYSIS_ENTRY* entry);

// Writes the first entry of `list` as the one record of the preferences file `path` (replaced
// whole through a temporary file). 0, -1 (no entry, or the file cannot be written: ui_msg 258)
// or -6 (the record cannot be written: ui_msg 259).
int io_write_misc(const char* path, ANALYSIS_ENTRY** list);
// The record writer of the preferences file, by the token's type: 30, 49, 50 or 56, 55;
// any other type -3.
int io_write_misc_file(ANALYSIS_TOKEN* token, ByteWriter& file, ANALYSIS_ENTRY* entry);

// Reads the preferences file `path`. 1 with a new one-entry list in *list (free it with
// io_free_analysis_list(list, 1)), or -1 (missing or unreadable file, no record: ui_msg 262,
// or a record that cannot be read: ui_msg 263).
int io_read_misc(const char* path, ANALYSIS_ENTRY*** list);
// The record reader of the preferences file, by the token's type, as io_write_misc_file.
int io_read_misc_file(ANALYSIS_ENTRY* entry, ByteReader& file, ANALYSIS_TOKEN* token, int swap);
