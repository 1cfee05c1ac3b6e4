// Work on a dialog that runs modally: queued before the command that opens it, it waits until the
// dialog is shown (the program may show an alert first) and then does the work, which must end
// the dialog. For GUI test programs.
#pragma once

#include <QTimer>

#include <functional>
#include <memory>

#include "toolkit/tk_test.h"
#include "toolkit/tk_types.h"
#include "toolkit/tk_res.h"

namespace vxtest {

// The returned flag turns true once the work ran; the waiting stops when the flag is dropped.
inline std::shared_ptr<bool> when_shown(const char* module, const char* window,
                                        std::function<void(TK_OBJ)> work) {
  auto done = std::make_shared<bool>(false);
  struct Poll {
    const char* module;
    const char* window;
    std::function<void(TK_OBJ)> work;
    std::weak_ptr<bool> done;
    void operator()() const {
      std::shared_ptr<bool> d = done.lock();
      if (!d) return;
      TK_OBJ win = TKT_FindWindow(module, window);
      if (!win || !WIN_IsShown(win)) {
        QTimer::singleShot(10, *this);
        return;
      }
      *d = true;
      work(win);
    }
  };
  QTimer::singleShot(0, Poll{module, window, std::move(work), done});
  return done;
}

}  // namespace vxtest
