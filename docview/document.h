// Documents and views of the framework, to the extent the viewer's document needs them: the
// open and delete-contents hooks, the modified flag and the update of the document's views.
// A view registers with one document at a time; the document does not own its views.
#pragma once

#include <string>
#include <vector>

#include "docview/dc.h"

namespace docview {

class CDocument;
class CDC;
class CFrameWnd;
struct CPrintInfo;
struct ViewWindow;

// The enabling and check mark of a menu entry or button, asked of the command's handler before
// a menu opens and after each command.
class CCmdUI {
 public:
  explicit CCmdUI(unsigned id) : m_nID(id) {}
  void Enable(bool on = true) { enabled = on; }
  void SetCheck(int check = 1) { checked = check != 0; }
  unsigned m_nID;
  bool enabled = true;
  bool checked = false;
};

// Something commands are routed to: the view, its document, the frame and the application, in
// that order; the first that handles a command wins. A command no one handles is disabled.
class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  // Carries out command `id`; false when this target does not handle it.
  virtual bool OnCommand(unsigned /*id*/) { return false; }
  // Sets the enabling and check of command `id`; false when this target does not handle it.
  virtual bool OnUpdateCommand(CCmdUI& /*ui*/) { return false; }
};

class CView : public CCmdTarget {
 public:
  CView() = default;
  CView(const CView&) = delete;
  CView& operator=(const CView&) = delete;
  virtual ~CView();

  CDocument* GetDocument() const { return document_; }

  // Told by the document that it changed; `sender` is the view that caused the change (null for
  // the document itself), `hint` and `object` say what changed (0 and null: everything).
  virtual void OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {}
  // Run once after the view is attached to its document and its window: an update with no
  // sender.
  virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

  // Drawing: the context is prepared (mapping mode, origins) and then drawn on.
  virtual void OnPrepareDC(CDC* /*dc*/, CPrintInfo* /*info*/ = nullptr) {}
  virtual void OnDraw(CDC* /*dc*/) {}

  // Printing: preparation (page count and the print dialog; false cancels), then for each page
  // OnPrepareDC and OnPrint, which draws.
  virtual bool OnPreparePrinting(CPrintInfo* info) { return DoPreparePrinting(info); }
  virtual void OnBeginPrinting(CDC* /*dc*/, CPrintInfo* /*info*/) {}
  virtual void OnPrint(CDC* dc, CPrintInfo* /*info*/) { OnDraw(dc); }
  virtual void OnEndPrinting(CDC* /*dc*/, CPrintInfo* /*info*/) {}
  // Shows the print dialog (not for a direct print or print preview); false when cancelled.
  bool DoPreparePrinting(CPrintInfo* info);

  // The framework's print commands (print, print direct, print preview) are the view's.
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(CCmdUI& ui) override;

  // Repaints the whole view.
  void Invalidate();
  // The client area in device pixels.
  CSize GetClientSize() const;
  CFrameWnd* GetParentFrame() const { return frame_; }
  ViewWindow* window() const { return window_; }

 protected:
  // Prints the view through the print dialog (`direct`: on the default printer without it).
  void OnFilePrint(bool direct);
  void OnFilePrintPreview();

 private:
  friend class CDocument;
  friend class CFrameWnd;
  CDocument* document_ = nullptr;
  CFrameWnd* frame_ = nullptr;
  ViewWindow* window_ = nullptr;
};

class CDocument : public CCmdTarget {
 public:
  CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;
  virtual ~CDocument();

  // Reads the document from `path`; true on success. The base empties the document and
  // succeeds.
  virtual bool OnOpenDocument(const std::string& path);
  // Drops everything the document holds (before a read, on close and on replacement).
  virtual void DeleteContents() {}

  virtual bool IsModified() const { return modified_; }
  virtual void SetModifiedFlag(bool modified = true) { modified_ = modified; }

  const std::string& GetPathName() const { return path_; }
  // Sets the path and the title (the path's file name).
  void SetPathName(const std::string& path);
  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }
  // An empty, untitled document.
  virtual bool OnNewDocument();

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& Views() const { return views_; }
  // Calls OnUpdate of every view but `sender`.
  void UpdateAllViews(CView* sender, long hint = 0, void* object = nullptr);

 private:
  bool modified_ = false;
  std::string path_;
  std::string title_;
  std::vector<CView*> views_;
};

}  // namespace docview
