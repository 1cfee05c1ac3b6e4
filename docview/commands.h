// Command identifiers of the framework's own commands. The numbers are fixed: menus, toolbars and
// the routing refer to them.
#pragma once

namespace docview {

enum FrameworkCommand : unsigned {
  ID_FILE_OPEN = 57601,
  ID_FILE_PRINT_SETUP = 57606,
  ID_FILE_PRINT = 57607,
  ID_FILE_PRINT_DIRECT = 57608,
  ID_FILE_PRINT_PREVIEW = 57609,
  ID_FILE_MRU_FILE1 = 57616,  // the recent files, one identifier each from here
  ID_FILE_MRU_LAST = 57631,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,
  AFX_IDS_APP_TITLE = 57344,
  AFX_IDS_IDLEMESSAGE = 57345,
};

// Dialog buttons.
enum : int { IDC_OK = 1, IDC_CANCEL = 2 };

}  // namespace docview
