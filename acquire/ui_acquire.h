// The source chooser, the configured camera's source set-up, the windowless camera grab, and
// what the windows of acquisition need around an acquisition (the settings dialog of a source
// whose own dialog is shown, events between reads).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/kstypes.h"
#include "model/img_info.h"

struct TkObject;

// The names of the installed sources in enumeration order; empty when sources are not
// available or none is found.
std::vector<std::string> MakeTwainDevList();
// The source chosen last (empty at start).
const char* ui_SelectedTWAINSource();
// The chooser: 1 when the user pressed OK (also with nothing chosen), else 0. With
// exclude_calibration_scanner the calibration scanner's name is left out (it is never set, so
// every source stays). The choice becomes the default source.
int ui_twainsel_activate(TkObject* owner, BOOL exclude_calibration_scanner, BOOL test_devices);

// Opens the configured camera's source without its dialog, set for a grey 24-bit colour grab
// with the lamp on and the exposure in seconds. FALSE when it does not open.
BOOL CAM_TwainIni(double exposure_seconds);
void CAM_TwainFini();
// One camera frame without a window into an image header and lookup (device code 26).
BOOL ui_acquire_cameraNG(IMG_INFO* info, IMG_INT_INFO* lookup, int exposure_ms,
                         const char* temp_path);
// Releases the windowless grab's bitmap.
void ReleaseDib(int flag);

// The configured device's source is usable: sources are available, the name is not empty (else
// `unavailable` with the short name) and it is installed (else "%s is not installed"). Each
// refusal is an error box; FALSE then.
BOOL acq_source_installed(const char* source, const char* short_name, const char* unavailable);
// The configured camera's or scanner's short name and source copied from the devices
// configuration into the buffers, then acq_source_installed.
BOOL acq_configured_source(BOOL is_camera, char* short_name, std::size_t short_cap, char* source,
                           std::size_t source_cap, const char* unavailable);

// The acquisition window's title "Acquire Image from <name> <kind>"; a short name that already
// ends with the kind word ("Camera", "Scanner", in any letter case) does not get it twice.
std::string acq_window_title(const char* short_name, const char* kind);

// Installs the source settings dialog and the event pump of the user-interface thread for
// acquisitions that follow.
void acq_install_source_hooks();

// Forgets the chooser's selection (tests).
void ui_twainsel_reset();
