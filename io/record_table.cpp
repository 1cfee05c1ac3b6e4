// The table of record kinds of the analysis container: which analysis types each record family
// reads and writes. Each record family adds its row here.
#include "base/ks_mem.h"
#include "io/analysis.h"
#include "io/blot_grid.h"
#include "io/commentary.h"
#include "io/gt_records.h"
#include "io/img_state.h"
#include "io/legacy_records.h"
#include "io/legacy_state.h"
#include "model/img_info.h"

#include <cstring>

namespace {

// The text part is read and written by io_rd_ascii and io_wr_ascii (io/commentary.h).

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
const int kCommentaryTypes[] = {23, 24, 25, 26, 28, 39, 48, 54, 0};
const int kImgStateTypes[] = {49, 0};
const int kKrImgStateTypes[] = {30, 0};
const int kMjImgStateTypes[] = {50, 0};
const int kBlotTypes[] = {44, 0};
const int kBackTypes[] = {36, 47, 0};
const int kSpotTypes[] = {35, 41, 0};
const int kSpotRegionTypes[] = {34, 40, 0};
const int kNwRegionTypes[] = {13, 0};
const int kPzRegionTypes[] = {46, 0};

const IoRecordKind kKinds[] = {
    {"gt_band", kBandTypes, io_rd_gt_band, io_wr_gt_band, io_free_gt_band},
    {"gt_lane", kLaneTypes, io_rd_gt_lane, io_wr_gt_lane, io_free_gt_lane},
    {"Y stds", kStdTypes, io_rd_stnd, io_wr_stnd, io_free_stnd},
    {"gt_marker", kMarkerTypes, io_rd_gt_marker, io_wr_gt_marker, nullptr},
    {"img_look", kLookTypes, nullptr, nullptr, free_look},
    {"text", kTextTypes, io_rd_ascii, io_wr_ascii, nullptr},
    {"commentary", kCommentaryTypes, io_rd_commentary, io_wr_commentary,
     io_free_commentary_entry},
    {"gt_img_state", kImgStateTypes, io_rd_gt_img_state, io_wr_gt_img_state,
     io_free_gt_img_state},
    {"kr_img_state", kKrImgStateTypes, io_rd_kr_img_state, io_wr_kr_img_state, nullptr},
    {"mj_img_state", kMjImgStateTypes, io_rd_mj_img_state, io_wr_mj_img_state, nullptr},
    {"blot", kBlotTypes, io_rd_blot, io_wr_blot, io_free_blot_entry},
    {"back", kBackTypes, io_rd_back, io_wr_back, io_free_back_entry},
    {"nw_spot", kSpotTypes, io_rd_nw_spot_rec, io_wr_nw_spot, io_free_nw_spot_entry},
    {"spot_region", kSpotRegionTypes, io_rd_spot_regions, io_wr_spot_region,
     io_free_spot_region_entry},
    {"nw_spot_region", kNwRegionTypes, nullptr, io_wr_spot_region, io_free_spot_region_entry},
    {"pz_region", kPzRegionTypes, io_rd_region, io_wr_region, io_free_region_entry},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const IoRecordKind* io_record_kinds() { return kKinds; }
