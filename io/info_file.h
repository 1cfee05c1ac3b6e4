// The info file "<base>.kei" beside every pixel file: a container (io/analysis.h layout) of
// two records, type 1 the image header (IMG_INFO) and type 2 the intensity lookup
// (IMG_INT_INFO).
//
// Header record (type 1), 60 bytes, 15 int32: height, width, bytes per pixel, X resolution,
// X scale, Y resolution, Y scale, minimum, maximum, flags, device, filter type, the device word,
// original height, original width. An older header record is 36 bytes (height to maximum).
// Device word (first bit, bits): bit 0 unused; DEV_Light (1, 22), stored plus 100 for devices
// 30 and 31; DEV_BoolOne (23, 1); DEV_BoolTwo (24, 1); DEV_Color (25, 3); DEV_Rotate (28, 2);
// DEV_DPI (30, 2).
//
// Lookup record (type 2): interp_type, dig_val_range, a packed word (version bits 0-2,
// bHaveCalib bit 3, bHaveEqual bit 4, bIsNotStouffer bit 5), wedge_length, wedge_material,
// reserved3, wedge_count n; n wedge values (double); n digital values; with bHaveCalib n boxes
// (ori_x, ori_y, ext_x, ext_y); with version > 0 calib_image_path and equal_image_path (256
// bytes each). Length 28 + 12n (+ 16n with boxes) (+ 512 with paths).
#pragma once

#include "io/analysis.h"
#include "model/img_info.h"

constexpr int IO_IMG_HEAD_BYTES = 60;
constexpr int IO_IMG_HEAD_OLD_BYTES = 36;

// Writes "<base>.kei" for the image path from the list's binary entries (type 1 and 2), through
// a temporary file renamed over the old one. 0; -3 for no entries; -1 when the file cannot be
// created; -6 when a record cannot be written (also for a binary type other than 1 and 2).
int io_write_inf(const char* image_path, ANALYSIS_ENTRY** list, int num);
// io_write_inf up to the commit: the new info file is staged in `set`, to change with other
// files of the image. Same results (the set then holds nothing of the info file).
int io_stage_inf(IoFileSet& set, const char* image_path, ANALYSIS_ENTRY** list, int num);
// Reads "<base>.kei". With *list null every record is read into a new list handed back through
// *list and the result is the number of tokens. With a list of `num` wanted entries, each
// wanted entry receives the record of the token of its type (an entry that already holds a
// record has it freed and replaced) and the result is the number of records read. -1 when the
// file is missing, holds no records, or a token or record cannot be read.
int io_read_inf(const char* image_path, ANALYSIS_ENTRY*** list, int num);

// Record readers and writers of the two types (container signatures).
int io_rd_img_head(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_img_head(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_rd_img_look(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_img_look(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);

// 1 when any of the processing flag bits 0-8 or 15-19 is set, else 0.
int io_img_processed(int flags);
