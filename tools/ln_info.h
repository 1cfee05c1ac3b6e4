// The lane info file and the lane-definition dialog.
//
// A lane info file carries one analysed gel's lane layout to the next gel of the same kind: per
// lane its label pairs, name, background angle, band-detection settings and the sizes and
// concentrations of its standard bands, with the standards' interpolation and extrapolation
// methods. One file at a time is read into the program's info object; the find-bands step applies
// it to the selected lanes (ln_info_apply), which empties it again.
//
// The file is text, LF line ends written (LF and CRLF read); lines starting with '#' are
// comments wherever they stand; fields are separated by commas and double quotes are dropped.
#pragma once

#include <cstdio>

#include "model/image_rec.h"
#include "model/lane.h"
#include "toolkit/tk_types.h"

inline constexpr int LN_INFO_MAX_LANES = 500;   // a file describes 1 .. 500 lanes
inline constexpr int LN_INFO_MAX_LABELS = 200;  // and 0 .. 200 label pairs per lane
inline constexpr int LN_INFO_NAME_LEN = 19;     // a lane name keeps 19 characters
inline constexpr int LN_INFO_LABEL_LEN = 20;    // a category or value keeps 20

// Writes the image's lane info file through a temporary file renamed over `path`: gt_msg 156 for
// an image without lanes, 154 when the folder cannot take the file, ui_msg 243 when the write
// fails (an existing file is then kept). 0 written, -1 not.
int ln_info_write(IMAGE_REC* image, const char* path);
// Reads the file into the info object (emptied first): 0, or -1 when the file cannot be opened,
// describes no lanes or more than 500, or gives a lane a label count outside 0..200 (the object is
// then empty). A file that ends early keeps what was read.
int ln_info_init(const char* path);
void ln_info_done();  // empties the object
int ln_info_loaded();  // 1 when a file is loaded
// The next line of the open file that does not start with '#', without its line end, as a
// ks_alloc_msg block the caller frees; null at the end of the file.
char* ln_info_get_line(std::FILE* file);

int ln_info_get_num_lanes();
int ln_info_get_auto();
int ln_info_get_size_interp();
int ln_info_get_size_extrap();
int ln_info_get_conc_interp();
int ln_info_get_conc_extrap();
const char* ln_info_get_name(int index);   // the lane's name, null when none is loaded for it
int ln_info_get_bg_angle(int index);       // the lane's background angle, -1 when none
// The lane's five detection settings: 0, or -1 (outputs untouched) when there are none.
int ln_info_get_det_parms(int index, int* top, int* bottom, int* intensity, int* max_detect,
                          int* quantify);
// A band's size or concentration; 0.0 none, -1.0 past the lane's values.
double ln_info_get_band_size(int index, int band);
double ln_info_get_band_conc(int index, int band);
// Gives the lane copies of the entry's label pairs (its old ones are freed).
void ln_info_assign_lane_labels(int index, LANE* lane);
// Turns the lane's bands that the entry gives a size or a concentration into standard points.
void ln_info_assign_std(LANE* lane, int index, IMAGE_REC* image);
// Applies the object to the image's selected lanes (labels, bands found with the entry's
// settings, standards) and empties it. Selected lanes beyond the file's lanes get their bands
// found with the image's own settings.
void ln_info_apply(IMAGE_REC* image);

// The lane-definition dialog (modal): -1 cancelled, else the definition mode: 0 a number of lanes
// found automatically in a drawn block, 1 lanes point by point, 2 a number of lanes dividing a
// drawn block evenly. The number of lanes goes to the image's num_sel_lanes (2 to 500).
int gt_fd_lane_info_activate(TK_OBJ owner, IMAGE_REC* image);
// The dialog's remembered file ("" none).
const char* gt_fd_lane_info_path();
