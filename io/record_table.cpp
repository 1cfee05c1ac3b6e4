// The table of record kinds of the analysis container: which analysis types each record family
// reads and writes. Each record family adds its row here.
#include "base/ks_mem.h"
#include "io/analysis.h"
#include "io/gt_records.h"
#include "model/img_info.h"

#include <cstring>

namespace {

// The text part: the whole ".cmt" file is the text of one text entry (at most 32,766 bytes are
// handed to the reader); text entries are written one after another.
int rd_text(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN*, int) {
  const std::size_t n = file.remaining();
  char* text = static_cast<char*>(ks_alloc_msg(n + 1));
  if (!text) return IO_ERR_MEM;
  file.bytes(text, n);
  text[n] = 0;
  e->record = text;
  return IO_OK;
}

int wr_text(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN*) {
  const char* text = static_cast<const char*>(e->record);
  if (text) file.bytes(text, std::strlen(text));
  return IO_OK;
}

// The info file's lookup record (read and written by the info file only) owns arrays.
void free_look(ANALYSIS_ENTRY* e) {
  lookup_free(static_cast<IMG_INT_INFO*>(e->record));
  e->record = nullptr;
}

const int kLookTypes[] = {2, 0};
const int kBandTypes[] = {16, 31, 51, 0};
const int kLaneTypes[] = {17, 32, 52, 0};
const int kStdTypes[] = {20, 22, 33, 38, 45, 53, 0};
const int kMarkerTypes[] = {21, 0};
const int kTextTypes[] = {502, 503, 504, 505, 506, 507, 508, 509, 0};

const IoRecordKind kKinds[] = {
    {"gt_band", kBandTypes, io_rd_gt_band, io_wr_gt_band, io_free_gt_band},
    {"gt_lane", kLaneTypes, io_rd_gt_lane, io_wr_gt_lane, io_free_gt_lane},
    {"Y stds", kStdTypes, io_rd_stnd, io_wr_stnd, io_free_stnd},
    {"gt_marker", kMarkerTypes, io_rd_gt_marker, io_wr_gt_marker, nullptr},
    {"img_look", kLookTypes, nullptr, nullptr, free_look},
    {"text", kTextTypes, rd_text, wr_text, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const IoRecordKind* io_record_kinds() { return kKinds; }
