// Band and region records: constructors, chain links and frees.
#include "model/spot.h"

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/cluster_free.h"
#include "model/quant.h"

SPOT* sp_make_spot() {
  auto* band = ks_new_rec<SPOT>();
  if (!band) {
    ks_dbg_null_ptr("sp_make_spot", "band");
    return nullptr;
  }
  for (int i = 0; i < SP_BOUNDS; ++i) {
    band->bound_x[i] = -1;
    band->bound_y[i] = -1;
  }
  band->extra2 = 1;
  return band;
}

// Frees one band with what it owns. A result still attached is released with it, so a band
// never leaves its result behind.
static void free_spot(SPOT* band) {
  if (band->result) mj_res_free(&band->result);
  ks_free(band->spot_chars);
  cluster_free(band);
}

void sp_add_spot(SPOT* new_band, SPOT* band) {
  if (!new_band || !band) return;
  new_band->next = band->next;
  band->next = new_band;
}

void sp_del_spot(SPOT* band, SPOT* head) {
  if (!band || !head) return;
  for (SPOT* prev = head; prev->next; prev = prev->next) {
    if (prev->next == band) {
      prev->next = band->next;
      free_spot(band);
      return;
    }
  }
  SLOG("sp_del_spot", SLOG_WARN, "band 0p%p not in the chain", static_cast<void*>(band));
}

void ln_free_bands(SPOT* head) {
  if (!head) return;
  SPOT* band = head->next;
  while (band) {
    SPOT* next = band->next;
    free_spot(band);
    band = next;
  }
  free_spot(head);
}

BOOL sp_is_active(const SPOT* band) {
  return (band && !(band->f1 & (SP_F1_INACTIVE_A | SP_F1_INACTIVE_B))) ? TRUE : FALSE;
}

SPOT_REGION* sp_make_region() {
  auto* r = ks_new_rec<SPOT_REGION>();
  if (!r) {
    ks_dbg_null_ptr("sp_make_region", "region");
    return nullptr;
  }
  r->min_ii = r->max_ii = r->min_i = r->max_i = r->min_area = r->max_area = -1.0;
  r->min_spot_size = 6;
  r->min_spot_intensity = 20;
  r->setting_a = 3;
  r->setting_b = 6;
  return r;
}

void sp_free_regions(SPOT_REGION* head) {
  SPOT_REGION* r = head;
  while (r) {
    SPOT_REGION* next = r->next;
    ks_free(r->img_chars);
    ks_free(r);
    r = next;
  }
}
