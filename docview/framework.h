// The application framework: scroll views, the main frame with its menus, toolbar and status
// bar, the single-document template, the application object with its profile and recent files,
// and the command line. Windows are Qt widgets behind these classes; their users see no Qt.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "docview/commands.h"
#include "docview/dc.h"
#include "docview/document.h"

namespace docview {

// What a print job knows: its pages (from 1), the page being printed, and how it was started.
struct CPrintInfo {
  unsigned m_nMinPage = 1;
  unsigned m_nMaxPage = 0xFFFF;
  unsigned m_nCurPage = 1;
  bool m_bDirect = false;   // print without the print dialog
  bool m_bPreview = false;  // print preview
  // The pages the user chose to print (0: from the first, or to the last).
  unsigned m_nFromPage = 0, m_nToPage = 0;
  void SetMinPage(unsigned n) { m_nMinPage = n; }
  void SetMaxPage(unsigned n) { m_nMaxPage = n; }
  unsigned GetMinPage() const { return m_nMinPage; }
  unsigned GetMaxPage() const { return m_nMaxPage; }
  // The printer chosen for the job (kept by the framework).
  std::shared_ptr<void> printer;
};

// True when the system has a printer installed (without one, the default printer is a PDF file
// on the page set-up's paper).
bool PrinterInstalled();
// The page set-up dialog for the default printer; false when cancelled.
bool RunPageSetup();
// The message shown when a print from the command line finds no installed printer.
extern const char* const kNoPrinterMessage;

// Handles the events that are waiting (posted commands, repaints).
void PumpMessages();

// A view that scrolls a picture of a fixed logical size, or stretches it to the window.
class CScrollView : public CView {
 public:
  // Scrolls a picture of `total` logical units in mapping mode `map_mode`.
  void SetScrollSizes(int map_mode, CSize total, CSize page = {}, CSize line = {});
  // Stretches a picture of `total` logical units (a negative height: y grows upward) to the
  // client area.
  void SetScaleToFitSize(CSize total);
  bool IsScaleToFit() const { return scale_to_fit_; }
  CSize GetTotalSize() const { return total_; }
  // The scroll position in device pixels.
  CPoint GetScrollPosition() const;
  void ScrollToPosition(CPoint device);

  void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr) override;

 private:
  int map_mode_ = MM_TEXT;
  CSize total_;
  bool scale_to_fit_ = false;
};

// One entry of a menu: a command (`id` not 0) or a separator (`id` 0, empty text), or a
// sub-menu (`popup` not empty). The text may carry "\t" and a shortcut ("Ctrl+O").
struct MenuItem {
  unsigned id = 0;
  std::string text;
  std::vector<MenuItem> popup;
};

class CWinApp;
struct FrameWindow;

class CFrameWnd : public CCmdTarget {
 public:
  CFrameWnd();
  ~CFrameWnd() override;
  CFrameWnd(const CFrameWnd&) = delete;
  CFrameWnd& operator=(const CFrameWnd&) = delete;

  // Builds the menu bar; the recent-file entries are inserted at `mru_first` (none when 0).
  void LoadMenu(const std::vector<MenuItem>& menu);
  // The toolbar: command identifiers, 0 for a separator; buttons of `w` by `h` pixels with the
  // icons `icons` (resource names, one per command, may be empty).
  void LoadToolBar(const std::vector<unsigned>& buttons, int w, int h,
                   const std::map<unsigned, std::string>& icons);
  // Prompts of commands (status bar and tooltips: "prompt\ntooltip" or just the prompt).
  void SetPrompts(const std::map<unsigned, std::string>& prompts);
  // The status bar with its message pane and `indicators` more panes.
  void CreateStatusBar(int indicators);
  void SetIcon(const std::string& resource);
  // The title's first part; the document's title follows it.
  void SetBaseTitle(const std::string& title) { base_title_ = title; }
  void UpdateTitle();
  std::string GetWindowText() const;
  void SetMessageText(const std::string& text);
  std::string GetMessageText() const;

  // The active view and its document.
  CView* GetActiveView() const { return view_.get(); }
  CDocument* GetActiveDocument() const { return document_; }
  void SetDocument(CDocument* doc) { document_ = doc; }
  // Puts `view` in the frame in place of the active view, attached to the active document,
  // runs its initial update and destroys the old view.
  void ReplaceView(std::unique_ptr<CView> view);
  // Lays the frame out again (after a change of the view's size rules).
  void RecalcLayout();

  // Routes a command to the view, the document, the frame and the application.
  bool RouteCommand(unsigned id);
  // Routes the command once the event loop is idle again.
  void PostCommand(unsigned id);
  // The enabling and check of command `id` as the routing gives them (disabled when no one
  // handles it).
  CCmdUI QueryCommand(unsigned id);
  // Brings every menu entry and toolbar button up to date.
  void UpdateCommandUI();
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(CCmdUI& ui) override;

  void Show();
  void Close();
  bool IsVisible() const;
  // A picture of the frame window as PNG; false on failure.
  bool Grab(const std::string& png_path);
  // Opens the menu-bar menu titled `title` (as the template spells it), takes its picture as PNG
  // and closes it again; false when there is no such menu.
  bool GrabMenu(const std::string& title, const std::string& png_path);
  // A change of the system's fonts or theme: tells every view.
  virtual void OnSettingChange();
  // Menu texts of the recent files (for tests and the menu).
  std::vector<std::string> RecentMenuTexts() const;

  FrameWindow* window() const { return window_.get(); }

 private:
  friend struct FrameWindow;
  std::unique_ptr<FrameWindow> window_;
  std::unique_ptr<CView> view_;
  CDocument* document_ = nullptr;
  std::string base_title_;
  bool placed_ = false;
};

// What the command line asks for: nothing (a new, empty document), open a file, or print it.
struct CCommandLineInfo {
  enum Shell { FileNew, FileOpen, FilePrint, FilePrintTo };
  Shell m_nShellCommand = FileNew;
  std::string m_strFileName;
  std::string m_strPrinterName;
};
void ParseCommandLine(const std::vector<std::string>& args, CCommandLineInfo& info);

// One document type with its frame and view: one document, one frame and one view at a time.
struct CSingleDocTemplate {
  std::string doc_string;  // "title\n\nname\n..."; the first field is the frame's title
  std::function<std::unique_ptr<CDocument>()> make_document;
  std::function<std::unique_ptr<CFrameWnd>()> make_frame;
  std::function<std::unique_ptr<CView>()> make_view;
};

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(std::string app_name);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The program's run: makes the widget application when there is none, sets LC_NUMERIC to
  // "C", runs InitInstance and the event loop, and returns the exit code.
  int Run(int argc, char** argv);
  // Start-up; false ends the program.
  virtual bool InitInstance() { return true; }
  int ExitCode() const { return exit_code_; }
  void SetExitCode(int code) { exit_code_ = code; }

  // Profile: "<name>.ini" in $XDG_CONFIG_HOME, else ~/.config.
  const std::string& ProfilePath() const { return profile_path_; }
  int GetProfileInt(const std::string& section, const std::string& key, int def) const;
  bool WriteProfileInt(const std::string& section, const std::string& key, int value);
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& def) const;
  bool WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value);
  // Reads the recent-file list (`count` entries).
  void LoadStdProfileSettings(unsigned count);
  void AddToRecentFileList(const std::string& path);
  const std::vector<std::string>& RecentFiles() const { return recent_; }

  void AddDocTemplate(CSingleDocTemplate tmpl) { template_ = std::move(tmpl); }
  // Opens `path` as the document (empty: a new, empty document); null on failure. A failed open
  // that leaves the document modified leaves an empty, untitled document behind.
  CDocument* OpenDocumentFile(const std::string& path);
  CDocument* OnFileNew();
  // Carries out the command line; false when that failed and the program must end.
  bool ProcessShellCommand(const CCommandLineInfo& info);
  const std::vector<std::string>& Arguments() const { return args_; }
  // The printer a "print to" command line names (empty: the default printer).
  const std::string& PrintToName() const { return print_to_; }
  void SetArguments(std::vector<std::string> args) { args_ = std::move(args); }

  CFrameWnd* GetMainWnd() const { return frame_.get(); }
  CDocument* GetDocument() const { return document_.get(); }
  // Updates every view of every document (no sender).
  void UpdateAllViews(long hint = 0);
  // Closes the main window and ends the program's loop.
  void Quit();

  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(CCmdUI& ui) override;
  // The file chooser of the Open command: the filter, "Name (*.x)|*.x|...||".
  void SetOpenFilter(const std::string& filter) { open_filter_ = filter; }
  void OnFileOpen();

  static CWinApp* Get();

 protected:
  std::string app_name_;

 private:
  void EnsureFrame();

  std::string profile_path_;
  std::vector<std::string> args_;
  std::vector<std::string> recent_;
  unsigned recent_max_ = 4;
  CSingleDocTemplate template_;
  std::unique_ptr<CDocument> document_;
  std::unique_ptr<CFrameWnd> frame_;
  std::string open_filter_;
  std::string print_to_;
  int exit_code_ = 0;
  bool own_loop_ = false;
};

}  // namespace docview
