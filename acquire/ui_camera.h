// The camera window: the modal dialog through which the user sets the exposure of the configured
// camera, grabs single frames or runs a live view, names the new image and accepts it as the
// program's image and info file at a temporary path root.
#pragma once

#include <string>

#include "base/kstypes.h"

struct TkObject;

// What passes between the caller and the window.
struct CamSettings {
  std::string folder;    // image folder (in and out)
  int default_dpi = 300; // shown as the resolution the image will have
  int exposure_ms = 100; // in and out
  int color = 4;         // last colour: 1..3 a sample of the bitmap, 4 grey (in and out)
  int confirmed = 0;     // out
  int equalize = 0;      // out
  int calibrate = 0;     // out
};

// Checks the configured camera and its source, then runs the window. TRUE when an image was
// acquired, accepted and written at `root`: its name goes to *name and the camera's source to
// *source.
BOOL ChooseNewCameraERecord(TkObject* owner, const char* root, std::string* name, int interp_type,
                            CamSettings* settings, std::string* source);
// Runs the window: true with the name when a frame was accepted and written.
bool kr_camera_activate(TkObject* owner, const char* root, int interp_type, CamSettings* settings,
                        std::string* name);
// TRUE when the name is usable; shows why not and sets Accept.
BOOL acquire_cam_checkname(const char* name);
// The exposure text in seconds as milliseconds: text x 1000 + 0.5, truncated (C number format).
int cam_exposure_ms(const char* seconds_text);
// Milliseconds as the exposure field shows them ("%5.3f" seconds, "%6.3f" from 1000 ms on).
std::string cam_exposure_text(int ms);

// The live view's state and the number of live frames shown since the window opened (tests).
BOOL cam_is_live();
int cam_live_frames();
// The kept invert switch and the actual-camera decision as at program start (tests).
void cam_reset_for_tests();
