// The question asked before a whole-file image operation (Invert, Filter, Border, the quarter
// turns and the flips), which rewrites the image file and deletes the image's analysis files.
#pragma once

#include "model/image_rec.h"

// The ui_msg number of the question, each form taking the image's name: 272, which says that
// the lanes and bands will be lost, when the image has lanes or bands; 271 otherwise (also for
// no image).
int gt_whole_file_question(const IMAGE_REC* image);
