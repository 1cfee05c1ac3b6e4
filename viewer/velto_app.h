// The viewer's application object and main frame: one document, one view at a time chosen from
// the Graph menu, the options, the About box, and the view last chosen kept in the profile.
#pragma once

#include <memory>

#include "docview/framework.h"
#include "viewer/global_options.h"

namespace velto {

// The view of view number `number` (any number outside 0 to 5: the empty view).
std::unique_ptr<docview::CView> MakeViewForNumber(int number);
// The number of a view (0 for a view without one).
int ViewNumberOf(const docview::CView* view);

class CMainFrame : public docview::CFrameWnd {
 public:
  CMainFrame();
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(docview::CCmdUI& ui) override;
  // Puts a view of `number` in place of the current one.
  void SwitchView(int number);
};

class CVeltoApp : public docview::CWinApp {
 public:
  CVeltoApp();
  bool InitInstance() override;
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(docview::CCmdUI& ui) override;

  GlobalOptions& Options() { return options_; }
  CMainFrame* MainFrame() const { return static_cast<CMainFrame*>(GetMainWnd()); }
  bool HasTaxa() const;

 private:
  GlobalOptions options_;
};

}  // namespace velto
