// The viewer as a program: start-up with and without a file, the initial view in the profile,
// command enabling, view switching, the recent files, the options dialog and the matrix dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QMenuBar>

#include "docview/dialog.h"
#include "docview/framework_p.h"
#include "docview/test_hooks.h"
#include "menu_keys.h"
#include "velto_fixture.h"
#include "viewer/contig_map_view.h"
#include "viewer/dendrogram_view.h"
#include "viewer/matrix_dialog.h"
#include "viewer/resource.h"

using namespace velto;
using docview::CDialog;

namespace {

class Shell : public vtest::VeltoTest {
 protected:
  CMainFrame* Frame() { return app_->MainFrame(); }
  bool Enabled(unsigned id) { return Frame()->QueryCommand(id).enabled; }
  std::string Sample() { return vtest::SampleDir() + "/sample12.csv"; }
};

TEST_F(Shell, StartsOnTheFileItIsGivenWithDendrogramInTheTitle) {
  ASSERT_TRUE(Start({Sample()}));
  ASSERT_NE(Doc(), nullptr);
  EXPECT_EQ(Doc()->TaxonCount(), 12u);
  EXPECT_NE(Frame()->GetWindowText().find("Dendrogram"), std::string::npos);
  EXPECT_NE(Frame()->GetWindowText().find("sample12.csv"), std::string::npos);
  // The default initial view is UPGMA.
  EXPECT_NE(dynamic_cast<AveLinkageDendrogramView*>(Frame()->GetActiveView()), nullptr);
  EXPECT_EQ(docview::test::FileChoosersOpened(), 0);
  for (unsigned id : std::initializer_list<unsigned>{ID_GRAPH_UPGMA, ID_GRAPH_CONTIG_MAP, ID_GRAPH_MATRIX, ID_VIEW_FIT_TO_WINDOW,
                      unsigned(docview::ID_FILE_PRINT), unsigned(docview::ID_FILE_PRINT_DIRECT)})
    EXPECT_TRUE(Enabled(id)) << id;
  // The viewer never writes a document: there is no save or new command.
  EXPECT_FALSE(Enabled(57603));
  EXPECT_FALSE(Enabled(57600));
}

TEST_F(Shell, WithoutAFileTheChooserOpensAtOnceAndAnEmptyDocumentDisablesTheGraphs) {
  docview::test::AnswerFileChooser("");  // cancel
  ASSERT_TRUE(Start({}));
  EXPECT_EQ(docview::test::FileChoosersOpened(), 1);
  EXPECT_EQ(Doc()->TaxonCount(), 0u);
  for (unsigned id : std::initializer_list<unsigned>{ID_GRAPH_UPGMA, ID_GRAPH_MIN_LINKAGE, ID_GRAPH_MAX_LINKAGE,
                      ID_GRAPH_NEAREST_NEIGHBOR, ID_GRAPH_CONTIG_MAP, ID_GRAPH_MATRIX,
                      ID_VIEW_FIT_TO_WINDOW, unsigned(docview::ID_FILE_PRINT),
                      unsigned(docview::ID_FILE_PRINT_DIRECT), unsigned(docview::ID_FILE_PRINT_PREVIEW)})
    EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_TRUE(Enabled(docview::ID_FILE_OPEN));
  // Open through the chooser.
  docview::test::AnswerFileChooser(Sample());
  Frame()->RouteCommand(docview::ID_FILE_OPEN);
  EXPECT_EQ(Doc()->TaxonCount(), 12u);
  EXPECT_TRUE(Enabled(ID_GRAPH_UPGMA));
}

TEST_F(Shell, ABadFileShowsTheReadersMessageAndEndsTheProgram) {
  std::string bad = WriteMatch("bad.csv", "NOT A MATCH FILE\n");
  EXPECT_FALSE(Start({bad}));
  ASSERT_EQ(vtest::Messages().size(), 1u);
  EXPECT_EQ(vtest::Messages()[0].rfind("Cannot parse first line of " + bad, 0), 0u) << vtest::Messages()[0];
  EXPECT_NE(app_->ExitCode(), 0);
  // The document is empty and untitled.
  EXPECT_EQ(Doc()->TaxonCount(), 0u);
  EXPECT_EQ(Doc()->GetTitle(), "Untitled");
}

TEST_F(Shell, InitialViewIsReadAndKeptAfterEachGraphCommand) {
  auto& app = NewApp();
  app.WriteProfileInt("Velto", "InitialView", 7);  // not a view: the empty view
  app_.reset();
  ASSERT_TRUE(Start({Sample()}));
  EXPECT_NE(dynamic_cast<EmptyView*>(Frame()->GetActiveView()), nullptr);
  EXPECT_FALSE(Enabled(docview::ID_FILE_PRINT));
  Frame()->RouteCommand(ID_GRAPH_CONTIG_MAP);
  EXPECT_NE(dynamic_cast<ContigMapView*>(Frame()->GetActiveView()), nullptr);
  EXPECT_EQ(app_->GetProfileInt("Velto", "InitialView", -1), 1);
  struct Case {
    unsigned command;
    int number;
  } cases[] = {{ID_GRAPH_UPGMA, 2}, {ID_GRAPH_MIN_LINKAGE, 3}, {ID_GRAPH_MAX_LINKAGE, 4},
               {ID_GRAPH_NEAREST_NEIGHBOR, 5}, {ID_GRAPH_CONTIG_MAP, 1}};
  for (const Case& c : cases) {
    Frame()->RouteCommand(c.command);
    EXPECT_EQ(ViewNumberOf(Frame()->GetActiveView()), c.number);
    EXPECT_EQ(app_->GetProfileInt("Velto", "InitialView", -1), c.number);
    EXPECT_FALSE(Frame()->QueryCommand(c.command).checked);
  }
  // The next start opens with the last view chosen.
  app_.reset();
  ASSERT_TRUE(Start({Sample()}));
  EXPECT_NE(dynamic_cast<ContigMapView*>(Frame()->GetActiveView()), nullptr);
}

TEST_F(Shell, SwitchingViewsRebuildsEachTreeFromTheSameDocument) {
  ASSERT_TRUE(Start({Sample()}));
  auto* upgma = dynamic_cast<AveLinkageDendrogramView*>(Frame()->GetActiveView());
  ASSERT_NE(upgma, nullptr);
  std::string first_leaf;
  for (const Dendron& d : Walk<TreeIter::Postfix>(upgma->Tree()->Root()))
    if (d.IsTaxon()) {
      first_leaf = d.Label();
      break;
    }
  CVeltoDoc* doc = Doc();
  Frame()->RouteCommand(ID_GRAPH_CONTIG_MAP);
  auto* map = dynamic_cast<ContigMapView*>(Frame()->GetActiveView());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Map()->Entries().size(), 12u);
  EXPECT_EQ(doc->Views().size(), 1u);
  Frame()->RouteCommand(ID_GRAPH_UPGMA);
  upgma = dynamic_cast<AveLinkageDendrogramView*>(Frame()->GetActiveView());
  ASSERT_NE(upgma, nullptr);
  EXPECT_EQ(Doc(), doc);
  ASSERT_NE(upgma->Tree(), nullptr);
  EXPECT_EQ(upgma->Tree()->Root()->Size(), 12u);
  std::string again;
  for (const Dendron& d : Walk<TreeIter::Postfix>(upgma->Tree()->Root()))
    if (d.IsTaxon()) {
      again = d.Label();
      break;
    }
  EXPECT_EQ(again, first_leaf);
}

TEST_F(Shell, AChangeOfTheSystemFontUpdatesTheView) {
  ASSERT_TRUE(Start({Sample()}));
  auto* view = dynamic_cast<DendrogramView*>(Frame()->GetActiveView());
  const Dendrogram* before = view->Tree();
  QFont old = QApplication::font();
  QFont bigger = old;
  bigger.setPointSizeF(old.pointSizeF() + 2);
  QApplication::setFont(bigger);
  docview::PumpMessages();
  QApplication::setFont(old);
  EXPECT_NE(view->Tree(), before);  // rebuilt by the update
  EXPECT_FALSE(view->IsEmpty());
}

TEST_F(Shell, RecentFileListKeepsFourEntriesAndReopens) {
  ASSERT_TRUE(Start({Sample()}));
  std::string text = vxtest::read_text(Sample());
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) {
    paths.push_back(WriteMatch("m" + std::to_string(i) + ".csv", text));
    app_->OpenDocumentFile(paths.back());
  }
  ASSERT_EQ(app_->RecentFiles().size(), 4u);
  EXPECT_EQ(app_->RecentFiles()[0], paths[4]);
  EXPECT_EQ(app_->RecentFiles()[3], paths[1]);
  EXPECT_EQ(Frame()->RecentMenuTexts()[0], "&1 " + paths[4]);
  // Kept in the profile for the next start; a recent entry opens its file.
  app_.reset();
  ASSERT_TRUE(Start({Sample()}));
  EXPECT_EQ(app_->RecentFiles()[1], paths[4]);
  Frame()->RouteCommand(docview::ID_FILE_MRU_FILE1 + 1);
  EXPECT_EQ(Doc()->GetPathName(), paths[4]);
  EXPECT_TRUE(Enabled(docview::ID_FILE_MRU_FILE1 + 3));
}

TEST_F(Shell, AFailedOpenAfterAGoodOneLeavesAnEmptyUntitledDocument) {
  ASSERT_TRUE(Start({Sample()}));
  auto* view = dynamic_cast<DendrogramView*>(Frame()->GetActiveView());
  ASSERT_FALSE(view->IsEmpty());
  app_->OpenDocumentFile(WriteMatch("bad.csv", "VELTO, x\n"));
  EXPECT_EQ(Doc()->TaxonCount(), 0u);
  EXPECT_TRUE(view->IsEmpty());
  EXPECT_NE(Frame()->GetWindowText().find("Untitled"), std::string::npos);
  EXPECT_FALSE(Enabled(ID_GRAPH_MATRIX));
}

TEST_F(Shell, PrintSwitchWithoutAPrinterSaysSoAndFails) {
  if (docview::PrinterInstalled()) GTEST_SKIP() << "a printer is installed";
  EXPECT_FALSE(Start({"/p", Sample()}));
  ASSERT_FALSE(vtest::Messages().empty());
  EXPECT_EQ(vtest::Messages().back(), docview::kNoPrinterMessage);
  EXPECT_NE(app_->ExitCode(), 0);
}

TEST_F(Shell, OptionsConfirmedUpdateTheViewAndFitToWindowIsChecked) {
  ASSERT_TRUE(Start({Sample()}));
  auto* view = dynamic_cast<DendrogramView*>(Frame()->GetActiveView());
  int right = view->TreeRight();
  docview::test::SetDialogProc([](CDialog& d) {
    d.CheckDlgButton(IDC_DISPLAY_BANDS, true);
    d.ClickButton(docview::IDOK);
  });
  Frame()->RouteCommand(ID_VIEW_OPTIONS);
  EXPECT_LT(view->TreeRight(), right);  // laid out again with the band column
  EXPECT_FALSE(Frame()->QueryCommand(ID_VIEW_FIT_TO_WINDOW).checked);
  Frame()->RouteCommand(ID_VIEW_FIT_TO_WINDOW);
  EXPECT_TRUE(Frame()->QueryCommand(ID_VIEW_FIT_TO_WINDOW).checked);
  EXPECT_TRUE(view->IsScaleToFit());
  EXPECT_EQ(app_->GetProfileInt("Velto", "FitToWindow", 0), 1);
}

// ---- Options dialog ----

TEST_F(Shell, OptionsFreshDefaults) {
  NewApp();
  GlobalOptions& o = app_->Options();
  EXPECT_EQ(o.GetScaleType(), 0);
  EXPECT_FALSE(o.GetShowBands());
  EXPECT_EQ(o.GetMinContigOverlap(), 5);
  EXPECT_FALSE(o.GetFitToWindow());
  EXPECT_EQ(o.Font().GetLogFont().lfFaceName, "Arial");
  EXPECT_EQ(o.Font().GetLogFont().lfHeight, -35);  // 10 points in 0.1 mm
}

TEST_F(Shell, OptionsRangeCheckCancelAndOk) {
  NewApp();
  GlobalOptions& o = app_->Options();
  // 0 and 101 keep the dialog open with the range message; then Cancel writes nothing.
  docview::test::SetDialogProc([](CDialog& d) {
    EXPECT_EQ(d.GetDlgItemText(IDC_MIN_CONTIG_OVERLAP), "5");
    EXPECT_TRUE(d.IsDlgButtonChecked(IDC_DISPLAY_SIMILARITY));
    for (const char* bad : {"0", "101"}) {
      d.SetDlgItemText(IDC_MIN_CONTIG_OVERLAP, bad);
      d.ClickButton(docview::IDOK);
      EXPECT_FALSE(d.IsEnded()) << bad;
    }
    d.CheckDlgButton(IDC_DISPLAY_SIMILARITY, false);
    d.CheckDlgButton(IDC_DISPLAY_DISTANCE, true);
    d.ClickButton(docview::IDCANCEL);
  });
  EXPECT_FALSE(o.Run());
  EXPECT_EQ(vtest::Messages(), (std::vector<std::string>{docview::RangeMessage(1, 100),
                                                         docview::RangeMessage(1, 100)}));
  EXPECT_EQ(ProfileText(), "");
  EXPECT_EQ(o.GetScaleType(), 0);
  EXPECT_EQ(o.GetMinContigOverlap(), 5);

  // OK writes the three values.
  docview::test::SetDialogProc([](CDialog& d) {
    d.SetDlgItemText(IDC_MIN_CONTIG_OVERLAP, "100");
    d.CheckDlgButton(IDC_DISPLAY_SIMILARITY, false);
    d.CheckDlgButton(IDC_DISPLAY_DISTANCE, true);
    d.CheckDlgButton(IDC_DISPLAY_BANDS, true);
    d.ClickButton(docview::IDOK);
  });
  EXPECT_TRUE(o.Run());
  EXPECT_EQ(app_->GetProfileInt("Velto", "ScaleType", -1), 1);
  EXPECT_EQ(app_->GetProfileInt("Velto", "ShowBands", -1), 1);
  EXPECT_EQ(app_->GetProfileInt("Velto", "MinContigOverlap", -1), 100);
}

TEST_F(Shell, OptionsFontChooserStoresTenthsOfAPointAndBadValuesAreMended) {
  NewApp();
  app_->WriteProfileInt("Velto", "FontHeight", -4);
  app_->WriteProfileString("Velto", "FontName", "");
  GlobalOptions& o = app_->Options();
  EXPECT_EQ(o.Font().GetLogFont().lfHeight, -35);  // 0 or less: 10 points
  EXPECT_EQ(o.Font().GetLogFont().lfFaceName, "Arial");
  docview::test::AnswerFontChooser("Courier New", 120);
  docview::test::SetDialogProc([](CDialog& d) {
    d.ClickButton(IDC_FONTS);
    d.ClickButton(docview::IDCANCEL);  // a chosen font stays chosen
  });
  EXPECT_FALSE(o.Run());
  EXPECT_EQ(app_->GetProfileInt("Velto", "FontHeight", -1), 120);
  EXPECT_EQ(app_->GetProfileString("Velto", "FontName", ""), "Courier New");
  EXPECT_EQ(o.Font().GetLogFont().lfHeight, -42);  // 12 points at 254 units per inch
  EXPECT_EQ(o.Font().GetLogFont().lfFaceName, "Courier New");
}

// ---- Matrix dialog ----

TEST_F(Shell, MatrixCellsBothTrianglesAndTheScale) {
  NewApp();
  CVeltoDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(WriteMatch("m.csv", vtest::MatchText({"A", "B", "C"}, {{}, {90}, {60, 80}}))));
  const char* sim[4][4] = {{"", "A", "B", "C"},
                           {"A", "100.0", "90.0", "60.0"},
                           {"B", "90.0", "100.0", "80.0"},
                           {"C", "60.0", "80.0", "100.0"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(MatrixCellText(doc, 0, r, c), sim[r][c]) << r << c;
  EXPECT_EQ(MatrixCellText(doc, 1, 1, 1), "0.0");
  EXPECT_EQ(MatrixCellText(doc, 1, 3, 1), "40.0");

  // The dialog: its grid, title and values follow the scale.
  std::string title;
  std::vector<std::string> cells;
  auto proc = [&](CDialog& d) {
    title = d.GetWindowText();
    auto* grid = d.GetGrid(IDC_GRID);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->GetRows(), 4);
    EXPECT_EQ(grid->GetCols(), 4);
    cells = {grid->GetText(0, 1), grid->GetText(2, 0), grid->GetText(2, 1), grid->GetText(1, 2)};
    d.ClickButton(docview::IDOK);
  };
  docview::test::SetDialogProc(proc);
  MatrixDialog(doc).DoModal();
  EXPECT_EQ(title, "Similarity Matrix");
  EXPECT_EQ(cells, (std::vector<std::string>{"A", "B", "90.0", "90.0"}));
  app_->WriteProfileInt("Velto", "ScaleType", 1);
  app_->Options().Reload();
  MatrixDialog(doc).DoModal();
  EXPECT_EQ(title, "Distance Matrix");
  EXPECT_EQ(cells, (std::vector<std::string>{"A", "B", "10.0", "10.0"}));
}

TEST_F(Shell, MatrixOfOneTaxonAndAHugeValueCut) {
  NewApp();
  CVeltoDoc one;
  ASSERT_TRUE(one.OnOpenDocument(WriteMatch("one.csv", vtest::MatchText({"Solo"}, {{}}))));
  int rows = 0;
  docview::test::SetDialogProc([&](CDialog& d) {
    rows = d.GetGrid(IDC_GRID)->GetRows();
    EXPECT_EQ(d.GetGrid(IDC_GRID)->GetText(1, 1), "100.0");
    EXPECT_EQ(d.GetGrid(IDC_GRID)->GetText(0, 1), "Solo");
  });
  MatrixDialog(one).DoModal();
  EXPECT_EQ(rows, 2);
  // A similarity of 1e30 gives a distance far wider than a cell: cut at its 19 characters.
  CVeltoDoc huge;
  std::string text = "VELTO, Dice, 1, 2, 3, 50, bp\n2\n\"A\"\n\"B\", 1e30\n";
  ASSERT_TRUE(huge.OnOpenDocument(WriteMatch("huge.csv", text))) << vtest::Messages().back();
  std::string cell = MatrixCellText(huge, 1, 2, 1);
  EXPECT_EQ(cell.size(), 19u);
  EXPECT_EQ(cell.substr(0, 5), "-1000");
}

}  // namespace

namespace {

// Every pull-down of the viewer's menu bar, as it shows with a file open (its recent files
// listed): no two entries share an access key, nor do two menu titles.
TEST_F(Shell, NoTwoEntriesOfAMenuShareAnAccessKey) {
  ASSERT_TRUE(Start({Sample()}));
  QMenuBar* bar = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->findChild<QMenuBar*>()) bar = w->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  int menus = 0;
  const std::vector<std::string> clashes = vxtest::access_key_clashes(bar, &menus);
  EXPECT_TRUE(clashes.empty()) << ::testing::PrintToString(clashes);
  EXPECT_EQ(menus, 4);  // File, View, Graph, Help
}

// A recent file whose name holds "&" reads in the File menu as it is named, with the entry's
// number as its one access key.
TEST_F(Shell, ARecentFileShowsItsNameAsItIs) {
  const std::string path = WriteMatch("r&d gel.csv", vxtest::read_text(Sample()));
  ASSERT_TRUE(Start({path}));
  QMenuBar* bar = Frame()->window()->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  QAction* recent = nullptr;
  for (QAction* top : bar->actions()) {
    if (!top->menu()) continue;
    emit top->menu()->aboutToShow();  // as the user opens it
    for (QAction* a : top->menu()->actions())
      if (a->data().toUInt() == docview::ID_FILE_MRU_FILE1) recent = a;
  }
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->iconText().toStdString(), "1 " + path);  // the text as the menu shows it
  EXPECT_EQ(vxtest::access_key(recent->text()), '1');
}

}  // namespace
