// Gathering the images of a match or an All Lanes report: an image is taken from the open
// window that shows it, or read from its analysis and info files into a record of its own.
#pragma once

#include <vector>

#include "model/image_rec.h"

// One gathered image: its path and name, and the record the values are read from: the open
// window's (borrowed) or one read here (owned, loaded = 1).
struct WrImage {
  char path[IMG_PATH_LEN] = "";
  char name[IMG_PATH_LEN] = "";
  IMAGE_REC* image = nullptr;
  int loaded = 0;
};

// The record of the open window whose image has that name (compared without regard to case):
// 0 and *out set, or -1 and *out null when no window shows it.
int wr_disp_get_data(const std::vector<IMAGE_REC*>& windows, const char* name, IMAGE_REC** out);

// Reads the image of entry->path from its files into a record of its own and sets the loaded
// flag. With keep_stds the standards, header and intensity lookup stay, so that the record gives
// the values it gives open; without, what matching does not need is stripped (quantification
// results, band type nibbles, lane profiles and feature lists, the standards). 0, or -1 when
// the analysis file gives no record (nothing is kept).
int wr_read_match_image(WrImage* entry, int keep_stds);

// Releases what an entry read itself; a borrowed record is left alone.
void wr_free_match_image(WrImage* entry);
