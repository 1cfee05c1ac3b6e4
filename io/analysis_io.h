// Moving an image's whole analysis between the image record and its files: the analysis file
// "<base>.gt" with its text part "<base>.cmt", the info file "<base>.kei", and the older
// analysis file "<base>.kr" read when ".gt" holds nothing. Also the preferences file that
// carries a snapshot of the control record.
//
// What goes where on writing:
//   ".kei"  type 1 the image header, type 2 the intensity lookup (each when the image has one)
//   ".gt"   26 annotation chain, 16 bands and 17 lanes (when the image has lanes), 20 size
//           standards (one list per tier), 22 concentration standards, 21 the three marker
//           points (when the first marker's x is not -1)
//   ".cmt"  505 the image comment
// An image with nothing to store gets an analysis file with no records and an empty ".cmt",
// so that items deleted since the last save do not come back when the image is opened again.
//
// The operations run inside the program's busy state and make the image current before they
// set its comment; both belong to the application shell, which the file layer cannot call. The
// shell installs them here (gt_analysis_set_hooks) at start-up, together with the engine's
// baseline builder, which fills the baseline of lanes read without one. Until then those steps
// are skipped.
#pragma once

#include "base/io_file_set.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"

struct GtAnalysisHooks {
  void (*busy_begin)() = nullptr;
  void (*busy_end)() = nullptr;
  // Offers the image as the current image.
  void (*make_current)(IMAGE_REC* image) = nullptr;
  // Builds a lane's baseline_values from its baseline points.
  void (*build_baseline)(LANE* lane) = nullptr;
};
// Installs the hooks; returns the previous ones.
GtAnalysisHooks gt_analysis_set_hooks(const GtAnalysisHooks& hooks);

// Writes the analysis file with its text part, and the info file, as one change: TRUE when every
// file was replaced; FALSE (gt_msg 51 shown) when any of them failed, and then none of the
// image's files has changed. The image's modified flag is left to the caller, which keeps it set
// on FALSE. `disp` (the image's display record, holding its annotation chain) may be null.
BOOL gt_prepare_and_write(const char* image_name, IMG_DATA* disp, IMAGE_REC* image);
// Stages the same files for the image path `image_name` in `set`, for the caller to commit with
// changes of its own; shows nothing. FALSE when a file could not be built or staged.
BOOL gt_stage_analysis(IoFileSet& set, const char* image_name, IMG_DATA* disp, IMAGE_REC* image);

// Reads the info file and then the analysis file (or the older one) into the image record and
// marks nothing modified. The info file is read only when `disp` is given.
// 0, or -1 when neither file gave a record.
int gt_read_and_prepare(const char* image_name, IMG_DATA* disp, IMAGE_REC* image);
// Reads only the info file; its records are taken only when `take` is non-null (the opening
// code passes the display record). 0, or -1 when the file gave no record.
int gt_read_and_prepare_inf(const char* image_name, const void* take, IMAGE_REC* image);
// Reads only the analysis file (or the older one), sets the control record's old_chars bit
// from the lane header and merges the lanes' characteristic categories into the control
// record's name list. 0, or -1 when no analysis was found.
int gt_read_and_prepare_app(const char* image_name, IMG_DATA* disp, IMAGE_REC* image);

// Writes the control record's snapshot as the preferences file `path`. TRUE / FALSE (gt_msg 51).
BOOL gt_prep_prefs_and_write(const char* path, CONTROL* ctl);
// Reads the preferences file into the control record. TRUE when a snapshot was taken; a missing
// or unreadable file leaves the record unchanged and gives FALSE.
BOOL gt_read_and_prep_prefs(const char* path, CONTROL* ctl);

// Orders lane characteristic category names: empty names last, otherwise plain
// case-sensitive comparison. qsort comparator over char[CTL_LC_NAME] elements.
int gt_cmp_category(const void* a, const void* b);
