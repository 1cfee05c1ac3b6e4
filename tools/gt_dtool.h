// The densitometry tool window: the chart of the lane copy's profile with its bands, the band
// report, and the controls that change the profile, the bounds and the bands. Modal.
#pragma once

#include <string>
#include <vector>

#include "model/lane.h"
#include "tools/dtool_calc.h"

// Opens the tool on the image's first selected lane. The tool works on a copy of the record:
// 1 when closed with OK (the record then holds the new bLowest, bBandSize, bUseBounds,
// boundaries file and iLaneWidth), else 0 with the record as it was; 0 at once without a record,
// a selected lane or a profile.
int gt_dtool_activate(DT_INFO* info, const char* folder);
// The lane copy while the window is open, else null.
LANE* dtool_current_lane();
// The tool's entry in the close-all routine: the modal window closes itself.
void dtool_dismiss();
// The lane width typed into the window: "%d", below 1 or not a number 100, held to 10..100.
int dtool_parse_lane_width(const char* text);
// The chart's readout of a coordinate (axis 0 horizontal, 1 vertical): the horizontal one as a
// size ("n/a" for none) with usable size standards, else as a fraction of the lane ("" outside
// 0..1); the vertical one looked up.
void dtool_readout_text(int axis, double value, char* text, int size);
// Selects band i (outside the array: none) and enables Delete accordingly.
void dtool_select_band(int index);
// A click on the chart or strip at profile row `row`: adds a peak, or selects the nearest band
// (the selected one again: none). Nothing while the boundaries file is in use.
void dtool_click_row(int row);
// The drag handle of the selected band's bounds under a chart pixel: 1 lower, 2 upper, 0 none.
int dtool_handle_at(TK_OBJ chart, TkPoint p);
// Turns the boundaries file on (reading it) or off (finding the peaks again); the result.
int dtool_use_file(int on);
// A band's label on the lane strip as last painted: its text and its box in the strip's pixels.
struct DtStripLabel {
  std::string text;
  TkRect box;
};
// The labels of the lane strip's last paint, one per band in band order.
const std::vector<DtStripLabel>& dtool_strip_labels();
