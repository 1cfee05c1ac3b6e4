// The viewer's command, dialog and control identifiers and its view numbers. The numbers are
// fixed: menus, the toolbar, the profile's InitialView and the dialogs refer to them.
#pragma once

namespace velto {

enum Command : unsigned {
  ID_GRAPH_UPGMA = 32777,
  ID_GRAPH_MIN_LINKAGE = 32778,
  ID_GRAPH_MAX_LINKAGE = 32779,
  ID_GRAPH_NEAREST_NEIGHBOR = 32780,
  ID_GRAPH_CONTIG_MAP = 32781,
  ID_VIEW_OPTIONS = 32783,
  ID_GRAPH_MATRIX = 32786,
  ID_VIEW_FIT_TO_WINDOW = 32787,
};

enum Resource : unsigned {
  IDR_MAINFRAME = 128,  // menu, toolbar, document string
  IDD_ABOUTBOX = 100,
  IDD_OPTIONS = 130,
  IDD_MATRIX = 131,
  IDI_VELTO = 149,
};

enum Control : int {
  IDC_DISPLAY_SIMILARITY = 1001,
  IDC_DISPLAY_DISTANCE = 1002,
  IDC_FONTS = 1004,
  IDC_GRID = 1005,
  IDC_DISPLAY_BANDS = 1009,
  IDC_MIN_CONTIG_OVERLAP = 1010,
};

// View numbers stored under InitialView.
enum ViewNumber : int {
  VIEW_EMPTY = 0,
  VIEW_CONTIG_MAP = 1,
  VIEW_UPGMA = 2,
  VIEW_MIN_LINKAGE = 3,
  VIEW_MAX_LINKAGE = 4,
  VIEW_NEAREST_NEIGHBOR = 5,
};

}  // namespace velto
