#include "viewer/velto_app.h"

#include "docview/dialog.h"
#include "viewer/contig_map_view.h"
#include "viewer/dendrogram_view.h"
#include "viewer/resource.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_view.h"

namespace velto {

using namespace docview;

namespace {

const char* const kDocString = "Dendrogram\n\nDendrogram\n\n\nDendrogram.Document\nDendrogram Document";
const char* const kVersion = "1.0";

std::vector<MenuItem> MainMenu() {
  return {
      {0, "&File", {{ID_FILE_OPEN, "&Open...\tCtrl+O", {}},
                    {0, "", {}},
                    {ID_FILE_PRINT, "&Print...\tCtrl+P", {}},
                    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", {}},
                    {ID_FILE_PRINT_SETUP, "P&rint Setup...", {}},
                    {0, "", {}},
                    {ID_FILE_MRU_FILE1, "Recent File", {}},
                    {0, "", {}},
                    {ID_APP_EXIT, "E&xit", {}}}},
      {0, "&View", {{ID_VIEW_TOOLBAR, "&Toolbar", {}},
                    {ID_VIEW_STATUS_BAR, "&Status Bar", {}},
                    {0, "", {}},
                    {ID_VIEW_FIT_TO_WINDOW, "&Fit to Window", {}},
                    {0, "", {}},
                    {ID_VIEW_OPTIONS, "&Options", {}}}},
      {0, "&Graph", {{ID_GRAPH_UPGMA, "&UPGMA", {}},
                     {ID_GRAPH_MIN_LINKAGE, "M&inimum Linkage", {}},
                     {ID_GRAPH_MAX_LINKAGE, "M&aximum Linkage", {}},
                     {ID_GRAPH_NEAREST_NEIGHBOR, "&Nearest Neighbor", {}},
                     {ID_GRAPH_CONTIG_MAP, "&Contig Map", {}},
                     {0, "", {}},
                     {ID_GRAPH_MATRIX, "Matri&x", {}}}},
      {0, "&Help", {{ID_APP_ABOUT, "&About Dendrogram...", {}}}},
  };
}

std::map<unsigned, std::string> Prompts() {
  return {
      {ID_GRAPH_UPGMA, "Display UPGMA (Unweighted Pairs Average) dendrogram.\nUPGMA"},
      {ID_GRAPH_MIN_LINKAGE, "Display Minimum Linkage dendrogram.\nMinimum Linkage"},
      {ID_GRAPH_MAX_LINKAGE, "Display Maximum Linkage dendrogram.\nMaximum Linkage"},
      {ID_GRAPH_NEAREST_NEIGHBOR, "Display Neighbor-Join graph.\nNearest Neighbor"},
      {ID_GRAPH_CONTIG_MAP, "Display contig map.\nContig Map"},
      {ID_VIEW_FIT_TO_WINDOW, "Fit graph to shape of window.\nFit to Window"},
      {ID_GRAPH_MATRIX, "Display the matrix.\nMatrix"},
      {ID_VIEW_OPTIONS, "Change the display options.\nOptions"},
      {ID_FILE_OPEN, "Open an existing document\nOpen"},
      {ID_FILE_PRINT, "Print the active document\nPrint"},
      {ID_FILE_PRINT_DIRECT, "Print the active document\nPrint"},
      {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
      {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
      {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
      {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
      {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
      {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
      {ID_FILE_MRU_FILE1, "Open this document"},
  };
}

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(Template()) {}
  static DialogTemplate Template() {
    using C = DialogControl;
    DialogTemplate t;
    t.title = "About Dendrogram";
    t.w = 280;
    t.h = 62;
    t.controls = {
        {C::Icon, 0, "", 11, 17, 20, 20},
        {C::Label, 0, "Velto", 40, 8, 232, 10},
        {C::Label, 0, "Draws dendrograms and contig maps of gel lane matches", 40, 20, 232, 10},
        {C::Label, 0, std::string("Version ") + kVersion, 40, 32, 232, 10},
        {C::DefButton, IDC_OK, "OK", 240, 44, 32, 14},
    };
    return t;
  }
};

bool DocHasTaxa(const CDocument* doc) {
  auto* d = dynamic_cast<const CVeltoDoc*>(doc);
  return d && d->TaxonCount() > 0;
}

}  // namespace

std::unique_ptr<CView> MakeViewForNumber(int number) {
  switch (number) {
    case VIEW_CONTIG_MAP:
      return std::make_unique<ContigMapView>();
    case VIEW_UPGMA:
      return std::make_unique<AveLinkageDendrogramView>();
    case VIEW_MIN_LINKAGE:
      return std::make_unique<MinLinkageDendrogramView>();
    case VIEW_MAX_LINKAGE:
      return std::make_unique<MaxLinkageDendrogramView>();
    case VIEW_NEAREST_NEIGHBOR:
      return std::make_unique<NbrJoinView>();
    default:
      return std::make_unique<EmptyView>();
  }
}

int ViewNumberOf(const CView* view) {
  if (dynamic_cast<const ContigMapView*>(view)) return VIEW_CONTIG_MAP;
  if (dynamic_cast<const AveLinkageDendrogramView*>(view)) return VIEW_UPGMA;
  if (dynamic_cast<const MinLinkageDendrogramView*>(view)) return VIEW_MIN_LINKAGE;
  if (dynamic_cast<const MaxLinkageDendrogramView*>(view)) return VIEW_MAX_LINKAGE;
  if (dynamic_cast<const NbrJoinView*>(view)) return VIEW_NEAREST_NEIGHBOR;
  return VIEW_EMPTY;
}

// ---- Main frame ----

CMainFrame::CMainFrame() {
  LoadMenu(MainMenu());
  LoadToolBar({ID_FILE_OPEN, ID_FILE_PRINT_DIRECT, 0, ID_APP_ABOUT}, 16, 15,
              {{ID_FILE_OPEN, "open"}, {ID_FILE_PRINT_DIRECT, "print"}, {ID_APP_ABOUT, "about"}});
  SetPrompts(Prompts());
  CreateStatusBar(3);
  SetMessageText("Ready");
  SetIcon("velto");
}

void CMainFrame::SwitchView(int number) {
  ReplaceView(MakeViewForNumber(number));
}

bool CMainFrame::OnCommand(unsigned id) {
  if (id >= ID_GRAPH_UPGMA && id <= ID_GRAPH_CONTIG_MAP) {
    static const int numbers[] = {VIEW_UPGMA, VIEW_MIN_LINKAGE, VIEW_MAX_LINKAGE,
                                  VIEW_NEAREST_NEIGHBOR, VIEW_CONTIG_MAP};
    SwitchView(numbers[id - ID_GRAPH_UPGMA]);
    if (CWinApp* app = CWinApp::Get())
      app->WriteProfileInt(kProfileSection, "InitialView", ViewNumberOf(GetActiveView()));
    return true;
  }
  return CFrameWnd::OnCommand(id);
}

bool CMainFrame::OnUpdateCommand(CCmdUI& ui) {
  if (ui.m_nID >= ID_GRAPH_UPGMA && ui.m_nID <= ID_GRAPH_CONTIG_MAP) {
    ui.Enable(DocHasTaxa(GetActiveDocument()));
    return true;
  }
  return CFrameWnd::OnUpdateCommand(ui);
}

// ---- Application ----

CVeltoApp::CVeltoApp() : CWinApp("Velto") {}

bool CVeltoApp::HasTaxa() const { return DocHasTaxa(GetDocument()); }

bool CVeltoApp::InitInstance() {
  LoadStdProfileSettings(4);
  int initial = GetProfileInt(kProfileSection, "InitialView", VIEW_UPGMA);
  CSingleDocTemplate tmpl;
  tmpl.doc_string = kDocString;
  tmpl.make_document = [] { return std::make_unique<CVeltoDoc>(); };
  tmpl.make_frame = [] { return std::make_unique<CMainFrame>(); };
  tmpl.make_view = [initial] { return MakeViewForNumber(initial); };
  AddDocTemplate(std::move(tmpl));
  SetOpenFilter("Comma Separated Value (*.csv)|*.csv|All Files (*.*)|*.*||");

  CCommandLineInfo info;
  ParseCommandLine(Arguments(), info);
  if (!ProcessShellCommand(info)) {
    if (info.m_nShellCommand == CCommandLineInfo::FileOpen) SetExitCode(1);
    return false;
  }
  // Started without a file: ask for one at once.
  if (info.m_nShellCommand == CCommandLineInfo::FileNew) GetMainWnd()->PostCommand(ID_FILE_OPEN);
  return true;
}

bool CVeltoApp::OnCommand(unsigned id) {
  if (id == ID_VIEW_OPTIONS) {
    if (options_.Run()) UpdateAllViews(0);
    return true;
  }
  if (id == ID_APP_ABOUT) {
    CAboutDlg about;
    about.DoModal();
    return true;
  }
  return CWinApp::OnCommand(id);
}

bool CVeltoApp::OnUpdateCommand(CCmdUI& ui) {
  if (ui.m_nID == ID_VIEW_OPTIONS || ui.m_nID == ID_APP_ABOUT) {
    ui.Enable(true);
    return true;
  }
  if (ui.m_nID == ID_FILE_PRINT_DIRECT) {
    ui.Enable(HasTaxa());
    return true;
  }
  return CWinApp::OnUpdateCommand(ui);
}

}  // namespace velto
