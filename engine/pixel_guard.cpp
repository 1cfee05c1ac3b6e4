// Putting an image's analysis back after a command whose pixels were lost.
#include "engine/pixel_guard.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/quant.h"
#include "model/std_list.h"
#include "engine/open_stack.h"

namespace {

// A band as it was: its fields, with its own copy of its characteristics.
struct BandWas {
  SPOT* at;
  SPOT value;
};

// Frees the records of the chain after `head` that `old` does not hold (made by the command),
// each with `unlink_free(previous, record)`, and gives the records it holds that are still there.
template <typename T, typename UnlinkFree>
std::unordered_set<T*> prune(T* head, const std::unordered_set<T*>& old, UnlinkFree unlink_free) {
  std::unordered_set<T*> alive;
  for (T* prev = head; prev->next;) {
    T* r = prev->next;
    if (old.count(r)) {
      alive.insert(r);
      prev = r;
    } else {
      unlink_free(prev, r);
    }
  }
  return alive;
}

LANECHAR* copy_chars(const SPOT& b) {
  if (!b.spot_chars || b.num_spot_chars <= 0) return nullptr;
  const std::size_t bytes = sizeof(LANECHAR) * static_cast<std::size_t>(b.num_spot_chars);
  auto* c = static_cast<LANECHAR*>(ks_alloc_msg(bytes));
  if (c) std::memcpy(c, b.spot_chars, bytes);
  return c;
}

void free_list(STD_LIST* l) {
  if (l && !std_list_free(l)) ks_free(l);
}

// A standards list with its own copy of the records (capacity as the list's), or null. The
// copy's records link nowhere: it is marked unsorted, and its readers sort it before they
// follow the links.
STD_LIST* copy_list(const STD_LIST* l) {
  if (!l || !l->records) return nullptr;
  auto* c = static_cast<STD_LIST*>(ks_alloc_msg(sizeof(STD_LIST)));
  if (!c) return nullptr;
  *c = *l;
  const int count = std::max(l->count, 0);
  const int capacity = std::max({l->capacity, count, 1});
  c->records = static_cast<STD_MARKER*>(ks_alloc_msg(sizeof(STD_MARKER) * std::size_t(capacity)));
  if (!c->records) {
    ks_free(c);
    return nullptr;
  }
  std::memcpy(c->records, l->records, sizeof(STD_MARKER) * std::size_t(count));
  for (int i = 0; i < count; ++i) {
    STD_MARKER& r = c->records[i];
    r.next_val = r.next_y = r.prev_val = r.prev_y = nullptr;
  }
  c->capacity = capacity;
  c->clean = 0;
  return c;
}

int tier_count(const IMAGE_REC* im) {
  return im->size_stdp && im->lane_hdr ? std::max(im->lane_hdr->num_tiers, 0) : 0;
}

// The image's standards lists as they were: the size lists of its tiers, the concentration
// list and the standards tools' working list. Finding a gel's first bands makes the first two
// when the image has none and starts the working list afresh; a command undone takes back what
// it made and gets the old lists back (the working list as a copy, since the old one is gone).
// The lists' contents are the standards tools' and stay as they are.
struct StdListsWere {
  STD_LIST** size_array = nullptr;
  std::vector<STD_LIST*> size_lists;
  STD_LIST** conc_cell = nullptr;
  STD_LIST* conc_list = nullptr;
  STD_LIST* pending = nullptr;
  STD_LIST* pending_copy = nullptr;  // owned until put back

  explicit StdListsWere(const IMAGE_REC* im)
      : size_array(im->size_stdp),
        size_lists(im->size_stdp, im->size_stdp + tier_count(im)),
        conc_cell(im->conc_stdp),
        conc_list(im->conc_stdp ? *im->conc_stdp : nullptr),
        pending(im->pending_stds),
        pending_copy(copy_list(im->pending_stds)) {}
  ~StdListsWere() { free_list(pending_copy); }
  StdListsWere(const StdListsWere&) = delete;
  StdListsWere& operator=(const StdListsWere&) = delete;

  // Before the lane header is put back: the tiers counted now are the size lists there are.
  void put_back(IMAGE_REC* im) {
    const int tiers = tier_count(im);
    if (im->size_stdp != size_array ||
        !std::equal(size_lists.begin(), size_lists.end(), im->size_stdp, im->size_stdp + tiers)) {
      const std::unordered_set<STD_LIST*> old(size_lists.begin(), size_lists.end());
      for (int t = 0; t < tiers; ++t)
        if (!old.count(im->size_stdp[t])) free_list(im->size_stdp[t]);
      STD_LIST** lists = nullptr;
      if (size_array) {
        lists = static_cast<STD_LIST**>(
            ks_alloc_msg(sizeof(STD_LIST*) * std::max<std::size_t>(size_lists.size(), 1)));
        if (lists) std::copy(size_lists.begin(), size_lists.end(), lists);
      }
      ks_free(im->size_stdp);
      im->size_stdp = lists;
    }

    STD_LIST* const conc_now = im->conc_stdp ? *im->conc_stdp : nullptr;
    if (conc_now != conc_list) free_list(conc_now);
    if (im->conc_stdp != conc_cell) {
      ks_free(im->conc_stdp);
      im->conc_stdp = nullptr;
      if (conc_cell) {
        im->conc_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
        if (im->conc_stdp) *im->conc_stdp = conc_list;
      }
    } else if (im->conc_stdp) {
      *im->conc_stdp = conc_list;
    }

    if (im->pending_stds != pending) {
      free_list(im->pending_stds);
      im->pending_stds = pending ? pending_copy : nullptr;
      if (pending) pending_copy = nullptr;
    }
  }
};

}  // namespace

LaneSnapshot::LaneSnapshot(LANE* lane)
    : at_(lane), value_(lane ? *lane : LANE{}), lists_(lane ? ln_clone_lane(lane) : nullptr) {}

LaneSnapshot::~LaneSnapshot() { ln_free_lane(lists_); }

void LaneSnapshot::put_back() {
  if (!at_ || !lists_ || put_) return;
  put_ = true;
  LANE* l = at_;
  const LANE now = *l;
  *l = value_;
  l->next = now.next;
  // The lane takes the clone's copies of its old lists; the clone takes the lists made since,
  // to free them.
  l->baseline = lists_->baseline, l->peak = lists_->peak;
  l->valley = lists_->valley, l->infl_pt = lists_->infl_pt;
  l->center_coords = lists_->center_coords;
  l->data_values = lists_->data_values;
  l->baseline_values = lists_->baseline_values;
  lists_->baseline = now.baseline, lists_->peak = now.peak;
  lists_->valley = now.valley, lists_->infl_pt = now.infl_pt;
  lists_->center_coords = now.center_coords;
  lists_->data_values = now.data_values;
  lists_->baseline_values = now.baseline_values;
  // What the commands leave alone stays as it is now.
  l->lane_chars = now.lane_chars;
  l->num_lane_chars = now.num_lane_chars;
  l->num_labeled_chars = now.num_labeled_chars;
  l->old_lane_chars = now.old_lane_chars;
  l->owned_block = now.owned_block;
}

struct PixelGuard::Before {
  std::vector<BandWas> bands;
  std::vector<std::unique_ptr<LaneSnapshot>> lanes;
  SPOT_HDR band_hdr{};
  LANE_HDR lane_hdr{};
  bool has_band_hdr = false, has_lane_hdr = false;
  int modified = 0, display_modified = 0;
  int has_lanes = 0, has_bands = 0, std_present = 0, std_changed = 0;
  int num_sel_lanes = 0, num_sel_bands = 0;
  int band_settings[4] = {0, 0, 0, 0};
  LANE* cur_lane = nullptr;
  SPOT* cur_band = nullptr;
  SPOT* axes_band = nullptr;
  SPOT* bounds_band = nullptr;
  SPOT* sel_list[IMG_MAX_SEL] = {};
  StdListsWere std_lists;

  explicit Before(const IMAGE_REC* im) : std_lists(im) {
    for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) {
      BandWas w{b, *b};
      w.value.spot_chars = copy_chars(*b);
      if (!w.value.spot_chars) w.value.num_spot_chars = 0;
      w.value.result = nullptr;
      w.value.next = nullptr;
      bands.push_back(w);
    }
    for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next)
      lanes.push_back(std::make_unique<LaneSnapshot>(l));
    if (im->band_hdr) has_band_hdr = true, band_hdr = *im->band_hdr;
    if (im->lane_hdr) has_lane_hdr = true, lane_hdr = *im->lane_hdr;
    modified = im->modified;
    display_modified = im->img_ptr ? im->img_ptr->modified : 0;
    has_lanes = im->has_lanes, has_bands = im->has_bands;
    std_present = im->std_present, std_changed = im->std_changed;
    num_sel_lanes = im->num_sel_lanes, num_sel_bands = im->num_sel_bands;
    band_settings[0] = im->min_top_band_thick, band_settings[1] = im->min_bot_band_thick;
    band_settings[2] = im->band_threshold, band_settings[3] = im->band_threshold2;
    cur_lane = im->cur_lane, cur_band = im->cur_band;
    axes_band = im->axes_band, bounds_band = im->bounds_band;
    std::copy(std::begin(im->sel_list), std::end(im->sel_list), sel_list);
  }

  ~Before() {
    for (BandWas& w : bands) ks_free(w.value.spot_chars);
  }

  bool put = false;  // put back once: the copies then belong to the image

  void put_back(IMAGE_REC* im) {
    if (put) return;
    put = true;
    // Bands: the command's new bands go, the old ones take their fields back in place, and
    // those the command freed come back; the chain is relinked in its old order.
    std::unordered_map<SPOT*, SPOT*> moved;  // a band freed by the command -> its new record
    if (im->bands) {
      std::unordered_set<SPOT*> old;
      for (const BandWas& w : bands) old.insert(w.at);
      const auto alive = prune(im->bands, old, [](SPOT* prev, SPOT* b) { sp_del_spot(b, prev); });
      SPOT* tail = im->bands;
      for (BandWas& w : bands) {
        SPOT* b = w.at;
        if (alive.count(b)) {
          QUANT_RES* result = b->result;  // a quantification's working result, kept as it is
          ks_free(b->spot_chars);
          *b = w.value;
          b->result = result;
        } else {
          b = sp_make_spot();
          if (!b) continue;
          *b = w.value;
          moved[w.at] = b;
        }
        w.value.spot_chars = nullptr;  // now the band's
        tail->next = b;
        tail = b;
      }
      tail->next = nullptr;
    }
    auto band = [&](SPOT* b) {
      const auto it = moved.find(b);
      return it == moved.end() ? b : it->second;
    };

    // Lanes: the command's new lanes go, the old ones take their fields and lists back.
    if (im->lanes) {
      std::unordered_set<LANE*> old;
      for (const auto& w : lanes) old.insert(w->lane());
      const auto alive = prune(im->lanes, old, [](LANE* prev, LANE* l) {
        prev->next = l->next;
        ln_free_lane(l);
      });
      LANE* tail = im->lanes;
      for (const auto& w : lanes) {
        LANE* l = w->lane();
        if (!alive.count(l)) {
          SLOG("PixelGuard", SLOG_WARN, "lane 0p%p was freed; not put back", static_cast<void*>(l));
          continue;
        }
        w->put_back();
        tail->next = l;
        tail = l;
      }
      tail->next = nullptr;
    }

    std_lists.put_back(im);
    if (has_band_hdr && im->band_hdr) *im->band_hdr = band_hdr;
    if (has_lane_hdr && im->lane_hdr) *im->lane_hdr = lane_hdr;
    im->modified = modified;
    if (im->img_ptr) im->img_ptr->modified = display_modified;
    im->has_lanes = has_lanes, im->has_bands = has_bands;
    im->std_present = std_present, im->std_changed = std_changed;
    im->num_sel_lanes = num_sel_lanes, im->num_sel_bands = num_sel_bands;
    im->min_top_band_thick = band_settings[0], im->min_bot_band_thick = band_settings[1];
    im->band_threshold = band_settings[2], im->band_threshold2 = band_settings[3];
    im->cur_lane = cur_lane;
    im->cur_band = band(cur_band);
    im->axes_band = band(axes_band);
    im->bounds_band = band(bounds_band);
    for (int i = 0; i < IMG_MAX_SEL; ++i) im->sel_list[i] = band(sel_list[i]);
  }
};

namespace {
PixelGuard* g_open_guard = nullptr;  // the innermost open guard
}

PixelGuard::PixelGuard(IMAGE_REC* im)
    : im_(im), px_(im ? im->file_path : nullptr), prev_(g_open_guard) {
  for (PixelGuard* g = prev_; g && !inner_; g = g->prev_) inner_ = g->im_ == im_;
  g_open_guard = this;
}

PixelGuard::~PixelGuard() {
  open_stack_unlink(g_open_guard, this, &PixelGuard::prev_);
}

bool PixelGuard::ready() {
  if (!im_ || !px_.readable()) return false;
  if (!inner_ && !before_) before_ = std::make_unique<Before>(im_);
  return true;
}

bool PixelGuard::undo_if_lost() {
  // The outermost guard's ask is the command's decision, taken once: what the user is told
  // and what the image keeps follow the same answer, however late the file is cut. An inner
  // guard only asks; the outer one decides.
  if (!(before_ ? px_.decide() : px_.lost())) return false;
  if (im_ && before_) before_->put_back(im_);
  return true;
}
