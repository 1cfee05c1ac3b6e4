// The full-depth pixels of an image's pixel file, read once for one command. Profiles and lane
// images are taken from this copy instead of reading each lane's rectangle from the file row by
// row; the 8-bit display image is never used for them. While a window holds the image and the
// file is unchanged, the pixels its load kept are used and nothing is read.
//
// A command opens one LnPixels for its image; the copy is read at its first use and released
// when the object ends. An LnPixels made for the same file while another is open (a routine the
// command calls) shares the outer one's copy, so that the file is read once per command.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/quant.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"
#include "toolkit/core/tk_image.h"

class LnPixels {
 public:
  explicit LnPixels(const char* path);
  ~LnPixels();
  LnPixels(const LnPixels&) = delete;
  LnPixels& operator=(const LnPixels&) = delete;

  // The whole image at full depth, read at the first call; null when the file cannot be read,
  // which the user is told (once for the command).
  const TkImage* image();
  // True when the pixels the command read cannot be trusted: the file could not be read, or it
  // was cut short or changed while the command read the pixels an open window kept. A command
  // asks before it stores what it worked out from them, and then stores nothing; the user is
  // told once for the command, when an ask answers true. The command's last ask is its
  // decision: a copy that was asked is not looked at again when it ends, so a file cut after
  // the command decided to keep what it read tells nothing. An outermost copy that was read
  // and never asked tells when it ends lost.
  bool lost();
  // The command's final ask: as lost(), and every later ask of the copy gives the same answer,
  // so that the user is told exactly when the command undoes what it did. A copy that shares
  // an outer one only asks: the decision is the outer copy's owner's.
  bool decide();
  // Whether the pixels can be had, found without reading them: an open window's kept pixels
  // are current (they are then the ones this copy gives), or the file holds every pixel its
  // header announces. When not, the user is told; a command asks before it changes anything.
  bool readable();

 private:
  void tell();  // the message that the image file changed or cannot be read, once

  std::string path_;
  int decided_ = -1;           // the decision: -1 none yet, 0 the pixels were intact, 1 lost
  bool asked_ = false;         // lost() has been asked
  LnPixels* outer_ = nullptr;  // the open copy of the same file this one shares, if any
  LnPixels* prev_ = nullptr;   // the innermost open copy before this one
  std::shared_ptr<const TkImage> kept_;  // the pixels an open window's load kept, if any
  TkImage image_;
  bool tried_ = false, ok_ = false, told_ = false;
};

// For tests: called with the path of an outermost copy that was read, just before each ask
// looks at the file (LnPixelsAt::Asking) and as the copy ends, before anything else it does
// (LnPixelsAt::Ending). Returns the previous hook.
enum class LnPixelsAt { Asking, Ending };
using LnPixelsHook = void (*)(const char* path, LnPixelsAt at);
LnPixelsHook ln_pixels_set_hook(LnPixelsHook hook);

// The block drawn around n lanes, reduced for tracking them: its place and size in the image,
// the reduction factor trunc(W / n / 20) (at least 1), the pixels' depth and the reduced image.
struct LnBlock {
  int left = 0, top = 0, width = 0, height = 0;
  int f = 1;
  int bytes = 1;
  TkImage reduced;
};

// Reduces the block with these corners (top-left, top-right, bottom-right, bottom-left, in image
// pixels) of the image `img`, which holds the image's pixels from (img_x, img_y) on (the whole
// image: 0, 0), by the block's factor for n lanes with the box filter. False when the block is
// empty, not wholly inside `img` or memory runs out.
bool ln_reduce_block(const TkImage& img, int img_x, int img_y, const LN_POINT corners[4], int n,
                     LnBlock* out);

// The same from the copy: false also when the image cannot be read.
bool ln_pixels_block(LnPixels& px, const LN_POINT corners[4], int n, LnBlock* out);

// The lanes' profiles from the copy (ln_load_data_values_image): 1, or 0 when the image cannot
// be read or memory runs out.
int ln_pixels_profiles(LnPixels& px, LANE** lanes, int n, int percent);

// The lane's image rectangle at `row` (-1: the whole lane) cut from the copy
// (ln_cut_lane_image): 0, or -1.
int ln_pixels_lane_image(LnPixels& px, const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                         int row);

// Quantifies the n bands of the lane from its image at `row` seen in `whole`, by their
// profiles, through the intensity lookup `table` (null: none): ln_quant_lanes for one lane.
// After the bands are done `seen(band, ok)` is called for each with its result's bounds and
// status still attached; the result is then released. -> bands quantified, or -1 when the
// lane image cannot be cut.
int ln_quant_lane_bands(const TkImage* whole, const IMG_INFO* header, LANE* lane, SPOT** bands,
                        int n, int row, IMG_INT_INFO* table,
                        const std::function<void(SPOT*, int)>& seen);
