#include "docview/test_hooks.h"

#include <deque>
#include <optional>
#include <utility>

namespace docview::test {

namespace {
struct Font {
  std::string face;
  int tenths;
};
struct Hooks {
  bool on = false;
  std::deque<std::string> files;
  std::deque<std::optional<Font>> fonts;
  std::deque<std::string> prints;
  std::deque<std::optional<bool>> page_setups;
  std::function<void(CDialog&)> dialog;
  std::function<void(int)> preview;
  int unanswered = 0;
  int file_choosers = 0;
  int screen_w = 0, screen_h = 0;
};
Hooks& H() {
  static Hooks h;
  return h;
}
}  // namespace

void Enable(bool on) {
  H() = Hooks{};
  H().on = on;
}
bool Enabled() { return H().on; }
void AnswerFileChooser(const std::string& path) { H().files.push_back(path); }
void AnswerFontChooser(const std::string& face, int tenths) { H().fonts.push_back(Font{face, tenths}); }
void CancelFontChooser() { H().fonts.push_back(std::nullopt); }
void AnswerPrintDialog(const std::string& pdf_path) { H().prints.push_back(pdf_path); }
void AnswerPageSetup(bool landscape) { H().page_setups.push_back(landscape); }
void CancelPageSetup() { H().page_setups.push_back(std::nullopt); }
void SetDialogProc(std::function<void(CDialog&)> proc) { H().dialog = std::move(proc); }
void SetPreviewProc(std::function<void(int)> proc) { H().preview = std::move(proc); }
int Unanswered() { return H().unanswered; }
int FileChoosersOpened() { return H().file_choosers; }
void CountFileChooser() { ++H().file_choosers; }
void SetScreenSize(int w, int h) {
  H().screen_w = w;
  H().screen_h = h;
}
bool ScreenSize(int* w, int* h) {
  if (!H().on || H().screen_w <= 0 || H().screen_h <= 0) return false;
  *w = H().screen_w;
  *h = H().screen_h;
  return true;
}

// Each Take*: `answered` false means no answer was queued (counted); the result says OK.
namespace {
// The next path of `queue` (an empty path cancels); a chooser without one is counted.
bool TakePath(std::deque<std::string>& queue, std::string& path, bool& answered) {
  answered = !queue.empty();
  if (!answered) {
    ++H().unanswered;
    return false;
  }
  path = queue.front();
  queue.pop_front();
  return !path.empty();
}
}  // namespace

bool TakeFileAnswer(std::string& path, bool& answered) { return TakePath(H().files, path, answered); }

bool TakeFontAnswer(std::string& face, int& tenths, bool& answered) {
  answered = !H().fonts.empty();
  if (!answered) {
    ++H().unanswered;
    return false;
  }
  std::optional<Font> f = H().fonts.front();
  H().fonts.pop_front();
  if (!f) return false;
  face = f->face;
  tenths = f->tenths;
  return true;
}

bool TakePrintAnswer(std::string& path, bool& answered) {
  return TakePath(H().prints, path, answered);
}

bool TakePageSetupAnswer(bool& landscape) {
  if (H().page_setups.empty()) {
    ++H().unanswered;
    return false;
  }
  std::optional<bool> a = H().page_setups.front();
  H().page_setups.pop_front();
  if (a) landscape = *a;
  return a.has_value();
}

void RunDialogProc(CDialog& dialog) {
  if (H().dialog) {
    auto proc = H().dialog;  // the procedure may open a nested dialog
    proc(dialog);
  } else {
    ++H().unanswered;
  }
}

void RunPreviewProc(int pages) {
  if (H().preview) H().preview(pages);
}

}  // namespace docview::test
