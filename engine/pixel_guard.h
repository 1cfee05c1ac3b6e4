// The one rule of every command that works out an image's analysis from its pixels: the pixels
// must be there before anything changes, and pixels that turn out lost while the command read
// them (the file was cut short, deleted or changed meanwhile: what was read is not the image)
// undo the whole command, so that the image is left as it was and the user is told once.
//
//   PixelGuard guard(im);
//   if (!guard.ready()) return;      // told; nothing changed
//   ... read guard.pixels(), change the analysis ...
//   if (guard.undo_if_lost()) return; // told; the analysis is back as it was
//
// The outermost guard's undo_if_lost() is the command's decision, taken once at that point:
// the analysis is put back and the user told together, or neither; a file cut after the
// command decided changes neither what it keeps nor what the user is told.
//
// The guard keeps the image's bands, lanes, their headers and its standards lists as they
// were when it was made, and puts them back in place: bands and lanes that lived through the
// command stay the same records (the band tools and windows hold pointers to them), those the
// command added are freed, and those it freed come back as new records. Guards nest: a guard
// made for an image while another guards it (a routine the command calls) reports the loss but
// leaves putting back to the outer one, which the command asks before it ends; the user is
// told once.
#pragma once

#include <memory>

#include "engine/full_pixels.h"
#include "model/image_rec.h"

// One lane's fields and lists as they are now, to be put back in place (the same record) once:
// its centre line, profile, baseline and feature lists; its characteristics are left as they
// are then. A lane that was freed meanwhile must not be put back.
class LaneSnapshot {
 public:
  explicit LaneSnapshot(LANE* lane);
  ~LaneSnapshot();
  LaneSnapshot(const LaneSnapshot&) = delete;
  LaneSnapshot& operator=(const LaneSnapshot&) = delete;
  LANE* lane() const { return at_; }
  void put_back();

 private:
  LANE* at_;
  LANE value_;
  LANE* lists_;  // a clone that owns copies of the lists
  bool put_ = false;
};

class PixelGuard {
 public:
  explicit PixelGuard(IMAGE_REC* im);
  ~PixelGuard();
  PixelGuard(const PixelGuard&) = delete;
  PixelGuard& operator=(const PixelGuard&) = delete;

  // The command's copy of the image's pixels (shared with any open copy of the same file).
  LnPixels& pixels() { return px_; }
  // Whether the pixels can be had; when not the user has been told and the command must stop
  // before it changes anything.
  bool ready();
  // Whether the pixels read were lost; when they were, the user has been told and the image's
  // analysis and modified marks are back as they were when the guard was made. The outermost
  // guard answers once for good (unless its copy shares one that a caller opened, whose own
  // last ask then decides): later asks give the same answer.
  bool undo_if_lost();

 private:
  struct Before;
  IMAGE_REC* im_;
  LnPixels px_;
  PixelGuard* prev_ = nullptr;  // the innermost guard before this one
  bool inner_ = false;          // another guard of the same image was open when this was made
  std::unique_ptr<Before> before_;
};
