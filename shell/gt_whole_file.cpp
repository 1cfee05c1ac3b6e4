// The question asked before a whole-file image operation.
#include "shell/gt_whole_file.h"

#include "model/lane.h"
#include "model/spot.h"

namespace {

constexpr int kQuestion = 271;              // the image file changes
constexpr int kQuestionWithAnalysis = 272;  // ... and the lanes and bands go

}  // namespace

int gt_whole_file_question(const IMAGE_REC* image) {
  if (image == nullptr) return kQuestion;
  // The lists have dummy heads: an entry after the head is a lane or a band.
  const bool lanes = image->has_lanes != 0 || (image->lanes && image->lanes->next);
  const bool bands = image->bands && image->bands->next;
  return lanes || bands ? kQuestionWithAnalysis : kQuestion;
}
