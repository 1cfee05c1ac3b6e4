#include <QtWidgets/QApplication>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "base/ks_profile.h"
#include "docview/dialog.h"
#include "docview/framework.h"
#include "docview/framework_p.h"
#include "docview/message_box.h"

namespace docview {

namespace {
CWinApp* g_app = nullptr;
const char* const kRecentSection = "Recent File List";

std::string ProfileFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config";
}
}  // namespace

void ParseCommandLine(const std::vector<std::string>& args, CCommandLineInfo& info) {
  info = CCommandLineInfo{};
  bool print = false, print_to = false;
  std::vector<std::string> rest;
  for (const std::string& a : args) {
    if (a.size() > 1 && (a[0] == '/' || a[0] == '-') && a.find('/', 1) == std::string::npos) {
      std::string flag = a.substr(1);
      for (char& c : flag) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (flag == "p") {
        print = true;
        continue;
      }
      if (flag == "pt") {
        print_to = true;
        continue;
      }
    }
    rest.push_back(a);
  }
  if (rest.empty()) return;
  info.m_strFileName = rest[0];
  if (print_to) {
    info.m_nShellCommand = CCommandLineInfo::FilePrintTo;
    if (rest.size() > 1) info.m_strPrinterName = rest[1];
  } else if (print) {
    info.m_nShellCommand = CCommandLineInfo::FilePrint;
  } else {
    info.m_nShellCommand = CCommandLineInfo::FileOpen;
  }
}

CWinApp::CWinApp(std::string app_name) : app_name_(std::move(app_name)) {
  g_app = this;
  profile_path_ = ProfileFolder() + "/" + app_name_ + ".ini";
}

CWinApp::~CWinApp() {
  frame_.reset();
  document_.reset();
  if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Get() { return g_app; }

int CWinApp::Run(int argc, char** argv) {
  std::unique_ptr<QApplication> qapp;
  if (!QCoreApplication::instance()) qapp = std::make_unique<QApplication>(argc, argv);
  // Numbers in files are read and written in the C locale whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QCoreApplication::setApplicationName(QString::fromStdString(app_name_));
  args_.clear();
  for (int i = 1; i < argc; ++i) args_.push_back(argv[i]);
  int rc = 0;
  if (InitInstance()) {
    own_loop_ = true;
    rc = QApplication::exec();
    own_loop_ = false;
  }
  // The windows go before the widget application does.
  frame_.reset();
  document_.reset();
  return exit_code_ != 0 ? exit_code_ : rc;
}

int CWinApp::GetProfileInt(const std::string& section, const std::string& key, int def) const {
  bool found = false;
  std::string v = ks_profile_get(section.c_str(), key.c_str(), "", profile_path_.c_str(), &found);
  if (!found || v.empty()) return def;
  char* end = nullptr;
  long n = std::strtol(v.c_str(), &end, 10);
  if (end == v.c_str()) return def;
  if (n > 2147483647L) n = 2147483647L;
  if (n < -2147483647L - 1) n = -2147483647L - 1;
  return static_cast<int>(n);
}

bool CWinApp::WriteProfileInt(const std::string& section, const std::string& key, int value) {
  return WriteProfileString(section, key, std::to_string(value));
}

std::string CWinApp::GetProfileString(const std::string& section, const std::string& key,
                                      const std::string& def) const {
  return ks_profile_get(section.c_str(), key.c_str(), def.c_str(), profile_path_.c_str());
}

bool CWinApp::WriteProfileString(const std::string& section, const std::string& key,
                                 const std::string& value) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(profile_path_).parent_path(), ec);
  return ks_profile_write_string(section.c_str(), key.c_str(), value.c_str(),
                                 profile_path_.c_str()) != 0;
}

void CWinApp::LoadStdProfileSettings(unsigned count) {
  recent_max_ = count;
  recent_.clear();
  for (unsigned i = 1; i <= count; ++i) {
    std::string f = GetProfileString(kRecentSection, "File" + std::to_string(i), "");
    if (!f.empty()) recent_.push_back(f);
  }
}

void CWinApp::AddToRecentFileList(const std::string& path) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(path, ec);
  std::string p = ec ? path : abs.lexically_normal().string();
  recent_.erase(std::remove(recent_.begin(), recent_.end(), p), recent_.end());
  recent_.insert(recent_.begin(), p);
  if (recent_.size() > recent_max_) recent_.resize(recent_max_);
  for (unsigned i = 0; i < recent_max_; ++i)
    WriteProfileString(kRecentSection, "File" + std::to_string(i + 1), i < recent_.size() ? recent_[i] : "");
}

void CWinApp::EnsureFrame() {
  if (frame_) return;
  document_ = template_.make_document();
  frame_ = template_.make_frame();
  frame_->SetDocument(document_.get());
  std::string title = template_.doc_string.substr(0, template_.doc_string.find('\n'));
  frame_->SetBaseTitle(title);
  document_->SetTitle("Untitled");
  frame_->ReplaceView(template_.make_view());
  frame_->UpdateTitle();
}

CDocument* CWinApp::OnFileNew() {
  EnsureFrame();
  document_->OnNewDocument();
  if (CView* v = frame_->GetActiveView()) v->OnInitialUpdate();
  frame_->UpdateTitle();
  frame_->UpdateCommandUI();
  return document_.get();
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path) {
  if (path.empty()) return OnFileNew();
  EnsureFrame();
  if (!document_->OnOpenDocument(path)) {
    // A failed read has lost the previous document: an empty, untitled one stands in its place.
    if (document_->IsModified()) {
      document_->OnNewDocument();
      document_->UpdateAllViews(nullptr, 0);
    }
    frame_->UpdateTitle();
    frame_->UpdateCommandUI();
    return nullptr;
  }
  document_->SetPathName(path);
  AddToRecentFileList(path);
  if (CView* v = frame_->GetActiveView()) v->OnInitialUpdate();
  frame_->UpdateTitle();
  frame_->UpdateCommandUI();
  return document_.get();
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      OnFileNew();
      frame_->Show();
      return true;
    case CCommandLineInfo::FileOpen: {
      EnsureFrame();
      frame_->Show();
      return OpenDocumentFile(info.m_strFileName) != nullptr;
    }
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
      if (!OpenDocumentFile(info.m_strFileName)) {
        exit_code_ = 1;
        return false;
      }
      if (!PrinterInstalled()) {
        AfxMessageBox(kNoPrinterMessage);
        exit_code_ = 1;
        return false;
      }
      if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo) print_to_ = info.m_strPrinterName;
      frame_->RouteCommand(ID_FILE_PRINT_DIRECT);
      print_to_.clear();
      return false;  // printing from the command line ends the program
    }
  }
  return false;
}

void CWinApp::UpdateAllViews(long hint) {
  if (document_) document_->UpdateAllViews(nullptr, hint);
}

void CWinApp::Quit() {
  if (own_loop_) QCoreApplication::quit();
}

void CWinApp::OnFileOpen() {
  std::string path;
  if (!ChooseOpenFile(open_filter_, path)) return;
  OpenDocumentFile(path);
}

bool CWinApp::OnCommand(unsigned id) {
  if (id == ID_FILE_OPEN) {
    OnFileOpen();
    return true;
  }
  if (id == ID_APP_EXIT) {
    if (frame_) frame_->Close();
    Quit();
    return true;
  }
  if (id == ID_FILE_PRINT_SETUP) {
    // The pictures are laid out on the page: a new page lays them out again.
    if (RunPageSetup()) UpdateAllViews(0);
    return true;
  }
  if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
    std::size_t i = id - ID_FILE_MRU_FILE1;
    if (i < recent_.size()) {
      std::string path = recent_[i];
      OpenDocumentFile(path);
    }
    return true;
  }
  return false;
}

bool CWinApp::OnUpdateCommand(CCmdUI& ui) {
  unsigned id = ui.m_nID;
  if (id == ID_FILE_OPEN || id == ID_APP_EXIT || id == ID_FILE_PRINT_SETUP) {
    ui.Enable(true);
    return true;
  }
  if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
    ui.Enable(id - ID_FILE_MRU_FILE1 < recent_.size());
    return true;
  }
  return false;
}

}  // namespace docview
