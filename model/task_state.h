// The task state of the control record: 0 is idle; every other state belongs to one tool in
// progress, which the mouse code and the command gate consult.
#pragma once

enum TaskState : int {
  TS_IDLE = 0,               // idle selection
  TS_FIND_LANES_AUTO = 1,    // Find Lanes: a lane block for automatic lanes
  TS_FIND_LANES_EVEN = 2,    // Find Lanes: a lane block for evenly divided lanes
  TS_FIND_BANDS = 3,         // Find Bands: pending lanes may be dragged
  TS_DEFINE_LANES = 4,       // Define Lanes by hand
  TS_LANE_BOUNDS = 5,        // Lane Boundaries
  TS_MODIFY_STDS_LINE = 6,   // Modify Stds Line
  TS_ADD_BAND = 7,           // Add Band
  TS_SIZE_STDS = 8,          // assigning size standards
  TS_CONC_STDS = 9,          // assigning concentration standards
  TS_MARK_BOUNDS = 10,       // Mark Bounds
  TS_MARK_AXES = 11,         // Mark Axes
  TS_COPY_BOUNDS = 12,       // Copy Bounds
  TS_CALIBRATION = 13,       // the calibration window takes the clicks
  TS_MULTIPLEX_MARKERS = 14, // Multiplex Markers
  TS_EDIT_BAND = 15,         // Edit Band
  TS_COPY_LANES = 16,        // copy lanes
};
constexpr int TS_COUNT = 17;
