// Gathering the images of a match or an All Lanes report: an image is taken from the open
// window that shows it, or read from its analysis and info files into a record of its own.
#pragma once

#include <string>
#include <vector>

#include "analysis/vx_match.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// One gathered image: its path and name, and the record the values are read from: the open
// window's (borrowed) or one read here (owned, loaded = 1).
struct WrImage {
  char path[IMG_PATH_LEN] = "";
  char name[IMG_PATH_LEN] = "";
  IMAGE_REC* image = nullptr;
  int loaded = 0;
};

// The record of the open window whose image is the entry's (gt_image_is_entry: the file at the
// path when it holds a folder, else the image of that name): 0 and *out set, or -1 and *out
// null when no window shows it.
int wr_disp_get_data(const std::vector<IMAGE_REC*>& windows, const char* path, const char* name,
                     IMAGE_REC** out);

// Reads the image of entry->path from its files into a record of its own and sets the loaded
// flag. With keep_stds the standards, header and intensity lookup stay, so that the record gives
// the values it gives open; without, what matching does not need is stripped (quantification
// results, band type nibbles, lane profiles and feature lists, the standards). 0, or -1 when
// the analysis file gives no record (nothing is kept).
int wr_read_match_image(WrImage* entry, int keep_stds);

// Releases what an entry read itself; a borrowed record is left alone.
void wr_free_match_image(WrImage* entry);

// The match drivers ----------------------------------------------------------------------------
// Each gathers its images into MATCH_IMAGE entries (from the open windows, or read from their
// analysis files), counts the lanes that can take part (asking once what to do with lanes whose
// bands have no sizes), matches, and hands the results to their window: the all-lanes matches
// to the match matrix window (which writes the match file and starts the viewer), the list
// matches to the match results window. All run on the main thread under the busy state.

struct CONTROL;
struct LANE_MAP;
struct MATCH_MATRIX;

// The entries of a match: the engine's array and, per entry, where its lists come from (a
// window's record, borrowed, or a record read here, owned).
struct WrMatchEntries {
  std::vector<MATCH_IMAGE> images;
  std::vector<WrImage> sources;
  std::vector<int> path_index;  // the position of each entry's path in the list it came from
  int count() const { return static_cast<int>(images.size()); }
};
// Frees the records read for the entries and empties them.
void wr_free_match_entries(WrMatchEntries* entries);

// The entries of the open images that have at least one lane (all borrowed; record reference
// null). The count.
int wr_get_match_data(const std::vector<IMAGE_REC*>& windows, WrMatchEntries* out);

// Every lane of the images of `paths` against every later lane; the matrix goes to the match
// matrix window. The (image index, lane number) pairs of img_index and lane_numbers mark lanes
// for the lane selection, the index naming a position in `paths`.
void wr_prepare_and_match_all_lanes(CONTROL* ctl, TK_OBJ owner,
                                    const std::vector<IMAGE_REC*>& windows,
                                    const std::vector<std::string>& paths,
                                    const std::vector<int>& img_index,
                                    const std::vector<long>& lane_numbers);
// Every selected lane of the open images against every later selected lane.
void wr_prepare_and_match_sel_lanes(CONTROL* ctl, TK_OBJ owner,
                                    const std::vector<IMAGE_REC*>& windows);
// The current lane of `current` against the lanes of the images of `paths`; the results go to
// the match results window.
void wr_prepare_and_match(IMAGE_REC* current, CONTROL* ctl, const std::vector<std::string>& paths,
                          TK_OBJ owner, const std::vector<IMAGE_REC*>& windows);
// Lane 1 of the reference image at ref_path (made from the selected bands) against the lanes
// of the images of `paths`; the results go to the match results window.
void wr_prepare_and_match_to_sel_bands(const char* ref_path, CONTROL* ctl,
                                       const std::vector<std::string>& paths, TK_OBJ owner,
                                       const std::vector<IMAGE_REC*>& windows);

// Where the all-lanes matches hand their matrix and lane map over (given over with them): the
// match matrix window unless another receiver is set (for benchmarks). Null restores the window;
// returns the receiver set before.
using WrMatrixReceiver = void (*)(TK_OBJ owner, MATCH_MATRIX* mr, LANE_MAP* map);
WrMatrixReceiver wr_set_matrix_receiver(WrMatrixReceiver receiver);
