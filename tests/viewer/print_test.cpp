// Printing: the page count, page-high slices that meet without a row lost or drawn twice, fit to
// window on one page, print preview, and real prints through the print dialog to PDF files that
// Ghostscript renders and reads back: every label once, inside the printable area, in portrait and
// after Print Setup turns the paper to landscape, with the document's name as the job's title.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "docview/test_hooks.h"
#include "velto_fixture.h"
#include "viewer/contig_map_view.h"
#include "viewer/dendrogram_view.h"
#include "viewer/resource.h"

using namespace velto;

namespace {

// `n` lanes in pairs of close lanes, every lane with a few bands.
std::string ManyLanes(int n, const std::string& method = "Dice") {
  std::vector<std::string> labels;
  std::vector<std::vector<int>> sims;
  std::vector<std::vector<float>> bands;
  for (int i = 0; i < n; ++i) {
    labels.push_back("lane, " + std::to_string(i + 1));
    std::vector<int> row;
    for (int j = 0; j < i; ++j) row.push_back(i / 2 == j / 2 ? 95 : 10 + (i * 7 + j * 3) % 60);
    sims.push_back(row);
    bands.push_back({2000.0f - i, 900.0f + i, 150.0f + i});
  }
  std::string text = vtest::MatchText(labels, sims, bands);
  text.replace(text.find("Dice"), 4, method);
  return text;
}

// `n` lanes labelled taxon_001, taxon_002, ... without bands.
std::string NumberedLanes(int n) {
  std::vector<std::string> labels;
  std::vector<std::vector<int>> sims;
  for (int i = 0; i < n; ++i) {
    char label[32];
    std::snprintf(label, sizeof label, "taxon_%03d", i + 1);
    labels.push_back(label);
    std::vector<int> row;
    for (int j = 0; j < i; ++j) row.push_back(20 + (i * 13 + j * 7) % 75);
    sims.push_back(row);
  }
  return vtest::MatchText(labels, sims);
}

// A text that Ghostscript read from a PDF page: its characters, the left and right ends and the
// baseline in points from the paper's top left corner, and its size.
struct PdfText {
  int page;
  std::string text;
  double x0, x1, baseline, size;
};

// The pages' sizes in points and the texts on them, as Ghostscript reads them.
struct PdfPages {
  std::vector<std::pair<double, double>> sizes;
  std::vector<PdfText> texts;
};

class Printing : public vtest::VeltoTest {
 protected:
  DendrogramView* View() { return dynamic_cast<DendrogramView*>(app_->MainFrame()->GetActiveView()); }
  bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

  // Reads `pdf` back with Ghostscript: each page's size and every text on it.
  PdfPages Read(const std::string& pdf) {
    PdfPages out;
    const std::string txt = pdf + ".xml";
    EXPECT_TRUE(Run("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -dTextFormat=0 -sOutputFile=" +
                    txt + " " + pdf));
    // The writer gives each page its media box, pages in order.
    const std::string raw = vxtest::read_text(pdf);
    const std::regex media(R"re(/MediaBox \[\s*0 0 ([\d.]+) ([\d.]+)\s*\])re");
    for (auto it = std::sregex_iterator(raw.begin(), raw.end(), media); it != std::sregex_iterator(); ++it)
      out.sizes.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    // Ghostscript reads the glyphs one by one: glyphs that follow each other on one baseline
    // make one text.
    std::istringstream in(vxtest::read_text(txt));
    std::string line;
    int page = 0;
    double size = 0;
    const std::regex span(R"re(<span bbox="[^"]*" font="[^"]*" size="([\d.]+)">)re");
    const std::regex chr(R"re(<char bbox="([-\d.]+) ([-\d.]+) ([-\d.]+) [-\d.]+" c="(.*)"/>)re");
    std::smatch m;
    while (std::getline(in, line)) {
      if (line == "<page>") {
        ++page;
      } else if (std::regex_search(line, m, span)) {
        size = std::stod(m[1]);
      } else if (std::regex_search(line, m, chr)) {
        const double x0 = std::stod(m[1]), y = std::stod(m[2]), x1 = std::stod(m[3]);
        PdfText* last = out.texts.empty() ? nullptr : &out.texts.back();
        if (last && last->page == page && std::abs(last->baseline - y) < 0.5 &&
            std::abs(x0 - last->x1) < 0.3 * size) {
          last->text += m[4];
          last->x1 = x1;
        } else {
          out.texts.push_back({page, m[4], x0, x1, y, size});
        }
      }
    }
    return out;
  }

  // Prints the view through File > Print to a PDF file; the file's path.
  std::string PrintToPdf(const std::string& name) {
    std::string pdf = dir_.file(name);
    docview::test::AnswerPrintDialog(pdf);
    app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
    if (const char* keep = std::getenv("VX_GRAB_DIR"); keep && *keep)
      std::filesystem::copy_file(pdf, std::string(keep) + "/" + name,
                                 std::filesystem::copy_options::overwrite_existing);
    return pdf;
  }

  // Every one of `n` labels stands once in the print, whole and inside the printable area
  // (the paper less the page set-up's margins of a quarter inch).
  void ExpectEveryLabelOnceInside(const std::string& pdf, std::size_t n, bool landscape) {
    ASSERT_TRUE(std::filesystem::exists(pdf));
    PdfPages pages = Read(pdf);
    ASSERT_FALSE(pages.sizes.empty()) << pdf;
    std::map<std::string, int> seen;
    const double margin = 72.0 / 4;
    for (const PdfText& t : pages.texts) {
      ASSERT_GE(t.page, 1);
      ASSERT_LE(static_cast<std::size_t>(t.page), pages.sizes.size());
      const auto [w, h] = pages.sizes[static_cast<std::size_t>(t.page - 1)];
      EXPECT_EQ(w > h, landscape) << "page " << t.page << " is " << w << " by " << h;
      // Ascent and descent of the text's size, less a point for rounding.
      EXPECT_GE(t.baseline - 0.7 * t.size, margin - 1) << t.text << " on page " << t.page;
      EXPECT_LE(t.baseline + 0.2 * t.size, h - margin + 1) << t.text << " on page " << t.page;
      EXPECT_GE(t.x0, margin - 1) << t.text;
      EXPECT_LE(t.x1, w - margin + 1) << t.text;
      if (t.text.rfind("taxon_", 0) == 0) ++seen[t.text];
    }
    EXPECT_EQ(seen.size(), n) << pdf;
    for (const auto& [label, count] : seen) EXPECT_EQ(count, 1) << label << " in " << pdf;
  }
};

// Turns the page set-up back to portrait when a test ends, whatever it did.
struct PortraitAfterwards {
  ~PortraitAfterwards() {
    docview::test::AnswerPageSetup(false);
    docview::RunPageSetup();
  }
};

TEST_F(Printing, PagesAreSlicesThatMeetExactly) {
  ASSERT_TRUE(Start({WriteMatch("many.csv", ManyLanes(150))}));
  DendrogramView* view = View();
  ASSERT_NE(view, nullptr);
  // 480 + 40 * 150 units over pages of 2970: three pages.
  EXPECT_EQ(view->Extent().cy, 6480);
  ASSERT_EQ(view->PageCount(), 3u);

  std::map<std::string, int> pages_of_label;
  for (unsigned page = 1; page <= 3; ++page) {
    auto m = vtest::FixedMetrics();
    m.printing = true;
    auto dev = std::make_shared<docview::RecordingDevice>(m);
    docview::CDC dc(dev);
    docview::CPrintInfo info;
    info.m_nCurPage = page;
    view->OnPrepareDC(&dc, &info);
    view->OnPrint(&dc, &info);
    for (const auto& t : dev->texts)
      if (t.text.rfind("lane, ", 0) == 0 && t.device_y >= 0 && t.device_y < m.page_h)
        ++pages_of_label[t.text];
  }
  EXPECT_EQ(pages_of_label.size(), 150u);
  for (const auto& [label, count] : pages_of_label) EXPECT_EQ(count, 1) << label;

  // Fitted to the window, the whole picture goes onto one page and fills it.
  app_->MainFrame()->RouteCommand(ID_VIEW_FIT_TO_WINDOW);
  EXPECT_EQ(view->PageCount(), 1u);
  auto m = vtest::FixedMetrics();
  m.printing = true;
  auto dev = std::make_shared<docview::RecordingDevice>(m);
  docview::CDC dc(dev);
  docview::CPrintInfo info;
  view->OnPrepareDC(&dc, &info);
  view->OnPrint(&dc, &info);
  EXPECT_EQ(dc.LPtoDP(docview::CPoint{2100, -6480}), (docview::CPoint{2100, 2970}));
}

TEST_F(Printing, ThroughThePrintDialogToPdfAndPreview) {
  if (docview::PrinterInstalled()) GTEST_SKIP() << "a printer is installed";
  docview::SetDeviceFactory(nullptr);  // the real default printer: a PDF file on A4
  std::string text = ManyLanes(150, std::string(300, 'P'));
  ASSERT_TRUE(Start({WriteMatch("many.csv", text)}));
  DendrogramView* view = View();
  ASSERT_NE(view, nullptr);
  unsigned pages = view->PageCount();
  EXPECT_GE(pages, 2u);

  int previewed = -1;
  docview::test::SetPreviewProc([&](int n) { previewed = n; });
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT_PREVIEW);
  EXPECT_EQ(previewed, static_cast<int>(pages));

  const char* keep = std::getenv("VX_GRAB_DIR");
  std::string out = keep && *keep ? std::string(keep) : dir_.str();
  std::string pdf = out + "/print.pdf";
  docview::test::AnswerPrintDialog(pdf);
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
  ASSERT_TRUE(std::filesystem::exists(pdf));
  std::filesystem::create_directories(dir_.file("pages"));
  ASSERT_TRUE(Run("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r40 -sOutputFile=" +
                  dir_.file("pages") + "/p%d.png " + pdf));
  unsigned rendered = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_.file("pages"))) (void)e, ++rendered;
  EXPECT_EQ(rendered, pages);

  // Fitted: one page.
  app_->MainFrame()->RouteCommand(ID_VIEW_FIT_TO_WINDOW);
  std::string fit = out + "/print_fit.pdf";
  docview::test::AnswerPrintDialog(fit);
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
  std::filesystem::create_directories(dir_.file("fit"));
  ASSERT_TRUE(Run("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r40 -sOutputFile=" +
                  dir_.file("fit") + "/p%d.png " + fit));
  rendered = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_.file("fit"))) (void)e, ++rendered;
  EXPECT_EQ(rendered, 1u);

  // The empty view prints nothing; a cancelled dialog prints nothing.
  app_->MainFrame()->RouteCommand(ID_GRAPH_UPGMA);
  docview::test::AnswerPrintDialog("");
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
  EXPECT_EQ(docview::test::Unanswered(), 0);
}

TEST_F(Printing, EveryLabelOnceInsideThePrintableAreaInPortraitAndLandscape) {
  if (docview::PrinterInstalled()) GTEST_SKIP() << "a printer is installed";
  docview::SetDeviceFactory(nullptr);  // the real default printer: a PDF file on A4
  PortraitAfterwards portrait;
  for (int n : {60, 300}) {
    SCOPED_TRACE(n);
    const std::string name = "lanes" + std::to_string(n) + ".csv";
    ASSERT_TRUE(Start({WriteMatch(name, NumberedLanes(n))}));
    DendrogramView* view = View();
    ASSERT_NE(view, nullptr);
    ASSERT_GE(view->PageCount(), 2u);
    const std::string pdf = PrintToPdf("portrait" + std::to_string(n) + ".pdf");
    ExpectEveryLabelOnceInside(pdf, static_cast<std::size_t>(n), false);
    // The job's title is the document's name (a PDF writes it as UTF-16 text).
    std::string title = "/Title (\xfe\xff";
    for (char c : name) title += std::string(1, '\0') + c;
    EXPECT_NE(vxtest::read_text(pdf).find(title + ")"), std::string::npos);
  }

  // Print Setup > Landscape lays the picture out on the wider page at once, without a switch of
  // the graph, and the print comes out on landscape pages.
  DendrogramView* view = View();
  ASSERT_NE(view, nullptr);
  const int portrait_width = view->Extent().cx;
  docview::test::AnswerPageSetup(true);
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT_SETUP);
  ASSERT_EQ(View(), view);
  EXPECT_GT(view->Extent().cx, portrait_width * 4 / 3);
  ExpectEveryLabelOnceInside(PrintToPdf("landscape300.pdf"), 300, true);
  // A cancelled page set-up leaves the layout.
  const int landscape_width = view->Extent().cx;
  docview::test::CancelPageSetup();
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT_SETUP);
  EXPECT_EQ(view->Extent().cx, landscape_width);
  EXPECT_EQ(docview::test::Unanswered(), 0);
}

// The contig map's labels beside the bars that end near the printable area's right edge: each
// stands whole on its page, or at the other end of its bar.
TEST_F(Printing, EveryContigMapLabelWholeInsideThePrintableArea) {
  if (docview::PrinterInstalled()) GTEST_SKIP() << "a printer is installed";
  docview::SetDeviceFactory(nullptr);  // the real default printer: a PDF file on A4
  ASSERT_TRUE(Start({WriteMatch("lanes300.csv", NumberedLanes(300))}));
  app_->MainFrame()->RouteCommand(ID_GRAPH_CONTIG_MAP);
  auto* view = dynamic_cast<ContigMapView*>(app_->MainFrame()->GetActiveView());
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->Map(), nullptr);
  // Lanes that make a contig by themselves are not drawn.
  std::size_t drawn = 0;
  const ContigMap& map = *view->Map();
  for (std::size_t i = 0; i < map.Entries().size(); ++i)
    if (!map.StartsContig(i) || (i + 1 < map.Entries().size() && !map.StartsContig(i + 1))) ++drawn;
  ASSERT_GT(drawn, 100u);
  ASSERT_GE(view->PageCount(), 2u);
  ExpectEveryLabelOnceInside(PrintToPdf("contig300.pdf"), drawn, false);
}

}  // namespace
