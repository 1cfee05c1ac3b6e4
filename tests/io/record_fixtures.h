// Records of the analysis file built field by field for the file tests and for the fuzz
// targets' seeds: an analysed image, and one entry of every record family.
#pragma once

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/ks_mem.h"
#include "io/analysis.h"
#include "io/blot_grid.h"
#include "io/commentary.h"
#include "io/img_state.h"
#include "io/legacy_records.h"
#include "io/legacy_state.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

namespace iofix {

inline LANE* make_lane(int k, const char* const* categories, int ncat) {
  LANE* ln = ln_make_lane();
  std::snprintf(ln->lane_name, sizeof ln->lane_name, "lane %d", k);
  ln->lane_number = k;
  ln->left_width = 5;
  ln->right_width = 6;
  ln->f = LN_F_SELECTED | LN_F_TOOL_MARK;
  ln->num_center_points = 2;
  ln->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
  ln->center_coords[0] = {20 * k, 10};
  ln->center_coords[1] = {20 * k + 1, 90};
  ln->num_data_values = 3;
  ln->data_values = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
  for (int i = 0; i < 3; ++i) ln->data_values[i] = 100 * k + i;
  ln->num_lane_chars = ncat;
  ln->num_labeled_chars = ncat;
  ln->lane_chars = ncat ? static_cast<LANECHAR**>(ks_alloc_msg(ncat * sizeof(LANECHAR*))) : nullptr;
  for (int i = 0; i < ncat; ++i) {
    ln->lane_chars[i] = ks_new_rec<LANECHAR>();
    std::snprintf(ln->lane_chars[i]->name, 21, "%s", categories[i]);
    std::snprintf(ln->lane_chars[i]->value, 21, "v%d", k);
  }
  return ln;
}

inline STD_LIST* make_std_list(int method, std::initializer_list<double> values) {
  STD_LIST* l = std_list_create();
  l->int_method = method;
  int i = 0;
  for (double v : values) {
    STD_MARKER m{};
    m.x = 10 + i;
    m.y = 20 + 3 * i;
    m.ix = 10 + i;
    m.iy = 20 + 3 * i;
    m.value = v;
    m.lane_num = 1;
    m.flags = STD_M_VALID | STD_M_DELETE;
    std_list_append(l, &m);
    ++i;
  }
  return l;
}

// An analysed image: two lanes, a band, two tiers of size standards, concentration standards,
// marker points, a comment, one annotation, a header and a lookup.
inline bool fill(IMAGE_REC* im) {
  const char* cats[] = {"dose"};
  im->lanes->next = make_lane(1, cats, 1);
  im->lanes->next->next = make_lane(2, cats, 1);
  im->lane_hdr->num_lanes = 2;
  im->lane_hdr->num_tiers = 2;
  im->has_lanes = 1;
  SPOT* band = sp_make_spot();
  band->x = 21;
  band->y = 40;
  band->amount = 12.5;
  sp_add_spot(band, im->bands);
  im->band_hdr->nrec = 1;
  im->band_hdr->norm_band_ii = 3.25;
  im->band_hdr->hdr_w188 = 2;  // what the writer stores for 0
  im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(2 * sizeof(STD_LIST*)));
  im->size_stdp[0] = make_std_list(1, {1000, 500});
  im->size_stdp[1] = make_std_list(3, {300});
  *im->conc_stdp = make_std_list(3, {2.5, 5.0});
  const int pts[3][2] = {{1, 2}, {30, 4}, {5, 60}};
  std::memcpy(im->mark_pts, pts, sizeof pts);
  im->comment = static_cast<char*>(ks_alloc_msg(16));
  std::strcpy(im->comment, "gel of Tuesday");
  im->img_info->width = 120;
  im->img_info->height = 100;
  im->img_info->bytes_per_pixel = 1;
  im->img_info->max_value = 255;
  im->img_info->original_width = 120;  // the reader's default for 0
  im->img_info->original_height = 100;
  if (!lookup_init(im->img_int_info)) return false;

  auto* head = ks_new_rec<COMM_OBJ>();
  auto* box = ks_new_rec<COMM_OBJ>();
  box->type = COMM_T_BOX;
  box->color = 3;
  box->line_style = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
  auto* data = static_cast<int32_t*>(ks_alloc_msg(4 * sizeof(int32_t)));
  for (int i = 0; i < 4; ++i) data[i] = 7 * i;
  box->data = data;
  head->next = box;
  im->img_ptr->annot_first = head;
  im->img_ptr->annot_last = box;
  return true;
}

inline ANALYSIS_ENTRY* entry(int type, void* record, void* header = nullptr) {
  ANALYSIS_ENTRY* e = io_alloc_analysis_entry();
  e->type = type;
  e->record = record;
  e->header = header;
  return e;
}

// One entry of each kind, with a recognisable value.
inline ANALYSIS_ENTRY** every_family_list(int* n) {
  auto* chain = ks_new_rec<COMM_OBJ>();
  chain->next = ks_new_rec<COMM_OBJ>();
  chain->next->type = 99;
  chain->next->color = 7;

  auto* blot_hdr = ks_new_rec<BLOT_HDR>();
  blot_hdr->rows = 1;
  blot_hdr->cols = 2;
  auto* cells = static_cast<BLOT_CELL*>(ks_alloc_msg(2 * sizeof(BLOT_CELL)));
  cells[1].value2 = 4.5;

  GT_IMG_STATE* state = gt_state_alloc();
  state->cmap_level = 42;

  auto* kr = ks_new_rec<KR_IMG_STATE>();
  kr->s.w2244 = 13;
  auto* mj = ks_new_rec<MJ_IMG_STATE>();
  mj->d0 = 0.5;

  SPOT_REGION* regions = sp_make_region();
  regions->next = sp_make_region();
  regions->next->radius = 17;

  SPOT* spots = sp_make_spot();
  spots->next = sp_make_spot();
  spots->next->y = 123;

  auto* back = ks_new_rec<BACKGROUND>();
  back->bg = static_cast<int32_t*>(ks_alloc_msg(64 * sizeof(int32_t)));
  back->bg[1] = -3;

  auto* pz = ks_new_rec<PZ_REGION>();
  pz->next = ks_new_rec<PZ_REGION>();
  pz->next->w28 = 28;

  char* text = static_cast<char*>(ks_alloc_msg(8));
  std::strcpy(text, "comment");

  *n = 10;
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(*n);
  list[0] = entry(26, chain);
  list[1] = entry(44, cells, blot_hdr);
  list[2] = entry(49, state);
  list[3] = entry(30, kr);
  list[4] = entry(50, mj);
  list[5] = entry(34, regions);
  list[6] = entry(35, spots);
  list[7] = entry(36, back);
  list[8] = entry(46, pz);
  list[9] = entry(505, text);
  return list;
}

}  // namespace iofix
