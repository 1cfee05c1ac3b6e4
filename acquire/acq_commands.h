// The acquisition commands of the main window's menu: choose the source and acquire from it,
// acquire from the chosen source, from the configured scanner or from the configured camera.
// Each acquired image is written at the temporary root, then moved to the name the user chooses
// and opened.
#pragma once

#include "toolkit/tk_types.h"

// Runs one of GT_CMD_SELECT_TWAIN .. GT_CMD_ACQUIRE_CAMERA.
void acq_run_command(TK_OBJ owner, int command);
