// The busy cursor for the length of a scope. Without a GUI application object (command-line
// tools, tests) it does nothing.
#pragma once

namespace docview {

class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  bool shown_ = false;
};

}  // namespace docview
