// Layouts and drawings of the tree and contig map views with fixed metrics (an A4 page of 2100
// units across, lines 40 units high, 254 units per inch), checked against numbers worked by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "velto_fixture.h"
#include "viewer/contig_map_view.h"
#include "viewer/dendrogram_view.h"
#include "viewer/global_options.h"

using namespace velto;
using docview::CPoint;
using docview::RecordingDevice;

namespace {

class Views : public vtest::VeltoTest {
 protected:
  // Opens `text` in a document with `view` attached and updated.
  void Load(const std::string& text, docview::CView& view) {
    ASSERT_TRUE(doc_.OnOpenDocument(WriteMatch("m.csv", text))) << vtest::Messages().back();
    doc_.AddView(&view);
    view.OnUpdate(nullptr, 0, nullptr);
  }
  std::shared_ptr<RecordingDevice> Draw(docview::CView& view) {
    auto dev = std::make_shared<RecordingDevice>(vtest::FixedMetrics());
    docview::CDC dc(dev);
    view.OnPrepareDC(&dc, nullptr);
    view.OnDraw(&dc);
    return dev;
  }
  void SetUp() override {
    VeltoTest::SetUp();
    NewApp();
  }
  void Profile(const char* key, int value) { app_->WriteProfileInt("Velto", key, value); }

  CVeltoDoc doc_;
};

// Three lanes: distances 10 (B, A), 40 (C, A), 20 (C, B).
const std::string kThree = vtest::MatchText({"A", "B", "C"}, {{}, {90}, {60, 80}});

TEST_F(Views, TreeLayoutMatchesHandNumbers) {
  AveLinkageDendrogramView view;
  Load(kThree, view);
  ASSERT_FALSE(view.IsEmpty());
  // Tree area from a quarter inch to half the page; rows from y0 = -(6 + 5) * 40 - 20.
  EXPECT_EQ(view.TreeLeft(), 63);
  EXPECT_EQ(view.TreeRight(), 1050);
  EXPECT_EQ(view.FirstRow(), -460);
  EXPECT_EQ(view.LastRow(), -460 - 3 * 40);
  EXPECT_EQ(view.Extent(), (docview::CSize{2100, 20 + 460 + 120}));
  EXPECT_EQ(view.ScaleStart(), (CPoint{63, -380}));
  EXPECT_EQ(view.ScaleEnd(), (CPoint{1050, -380}));
  EXPECT_EQ(view.Scale().ticks(), 11);
  ASSERT_EQ(view.Legend().size(), 6u);
  EXPECT_EQ(view.Legend()[0], "Match method:                     Dice");
  EXPECT_EQ(view.Legend()[4], "Lane match threshhold:            50.0");
  EXPECT_EQ(view.Legend()[5], "Linkage method:                   UPGMA");

  auto dev = Draw(view);
  // Leaves in postfix order at k / 3 of the rows, labels a twentieth of an inch right of the
  // leaf and a half line up; every polyline's x is the height translator's pixel of a node value.
  const Dendrogram& tree = *view.Tree();
  const auto& h = view.HeightTranslator();
  const auto& rows = view.RowTranslator();
  std::vector<std::string> leaf_labels;
  std::vector<std::vector<CPoint>> expected_lines;
  int k = 0;
  const int leaf_rows[] = {-460, -507, -553};
  for (const Dendron& node : Walk<TreeIter::Postfix>(tree.Root())) {
    if (node.IsTaxon()) {
      EXPECT_EQ(rows.ToPixel(view.Position(&node)), leaf_rows[k++]);
      leaf_labels.push_back(node.Label());
      continue;
    }
    int x = h.ToPixel(tree.NodeValue(node));
    EXPECT_EQ(x, 63 + static_cast<int>(std::lround(9.87 * (100 - tree.NodeValue(node)))));
    int ya = rows.ToPixel(view.Position(node.Left())), yb = rows.ToPixel(view.Position(node.Right()));
    expected_lines.push_back({{h.ToPixel(tree.NodeValue(*node.Left())), ya}, {x, ya}, {x, yb},
                              {h.ToPixel(tree.NodeValue(*node.Right())), yb}});
  }
  std::vector<std::vector<CPoint>> polylines;
  for (const auto& l : dev->lines)
    if (l.points.size() == 4) polylines.push_back(l.points);
  EXPECT_EQ(polylines, expected_lines);
  std::vector<std::string> drawn;
  for (const auto& t : dev->texts)
    if (t.at.x == 1050 + 13) {
      drawn.push_back(t.text);
      EXPECT_EQ(t.at.y, leaf_rows[drawn.size() - 1] + 20);
    }
  EXPECT_EQ(drawn, leaf_labels);
  // The scale reads similarity: 0 at the root side, 100 at the leaves.
  auto first_label = std::find_if(dev->texts.begin(), dev->texts.end(),
                                  [](const auto& t) { return t.escapement == -600; });
  ASSERT_NE(first_label, dev->texts.end());
  EXPECT_EQ(first_label->text, "0");
  EXPECT_EQ(dev->texts[std::size_t(first_label - dev->texts.begin()) + 10].text, "100");
  // The legend is in the fixed-pitch face.
  EXPECT_EQ(dev->texts[0].face, "Courier New");
}

TEST_F(Views, BandColumnAndTreeAreaWithBandsShown) {
  Profile("ShowBands", 1);
  MaxLinkageDendrogramView view;
  Load(vtest::MatchText({"A", "B", "C"}, {{}, {90}, {60, 80}},
                        {{1000.0f, 10.0f}, {100.0f, -5.0f, 0.0f}, {}}),
       view);
  EXPECT_EQ(view.TreeRight(), 700);
  auto dev = Draw(view);
  std::map<int, int> band_x;  // x of each vertical band tick, counted
  for (const auto& l : dev->lines)
    if (l.points.size() == 2 && l.points[0].x == l.points[1].x && l.points[0].x >= 1400 &&
        l.points[0].y - l.points[1].y == 40)
      ++band_x[l.points[0].x];
  // Largest at two thirds of the page, smallest at its edge; the values 0 and -5 are not drawn.
  EXPECT_EQ(band_x, (std::map<int, int>{{1400, 1}, {1750, 1}, {2100, 1}}));

  // All values equal: every band at two thirds of the page.
  MinLinkageDendrogramView same;
  CVeltoDoc doc2;
  ASSERT_TRUE(doc2.OnOpenDocument(
      WriteMatch("s.csv", vtest::MatchText({"A", "B"}, {{}, {50}}, {{300.0f}, {300.0f, 300.0f}}))));
  doc2.AddView(&same);
  same.OnUpdate(nullptr, 0, nullptr);
  auto dev2 = Draw(same);
  int at_start = 0;
  for (const auto& l : dev2->lines)
    if (l.points.size() == 2 && l.points[0].x == 1400 && l.points[1].x == 1400) ++at_start;
  EXPECT_EQ(at_start, 3);
}

TEST_F(Views, NeighbourJoiningOfLengthZeroStandsAtTheLeftEnd) {
  NbrJoinView view;
  Load(vtest::MatchText({"A", "B", "C"}, {{}, {100}, {100, 100}}), view);
  EXPECT_EQ(view.HeightTranslator().scale, 0.0);
  auto dev = Draw(view);
  for (const auto& l : dev->lines) {
    if (l.points.size() != 4) continue;
    for (const CPoint& p : l.points) EXPECT_EQ(p.x, 63);
  }
  EXPECT_EQ(view.Legend().back(), "Linkage method:                   Nearest Neighbor");
}

TEST_F(Views, EmptyDocumentDrawsNothingAndDropsTheTree) {
  AveLinkageDendrogramView view;
  Load(kThree, view);
  ASSERT_NE(view.Tree(), nullptr);
  doc_.DeleteContents();
  doc_.UpdateAllViews(nullptr, 0);
  EXPECT_TRUE(view.IsEmpty());
  EXPECT_EQ(view.Tree(), nullptr);
  auto dev = Draw(view);
  EXPECT_TRUE(dev->lines.empty());
  EXPECT_TRUE(dev->texts.empty());
}

TEST_F(Views, LegendLinesAreCutAtTheirBuffer) {
  std::string text = kThree;
  text.replace(text.find("Dice"), 4, std::string(300, 'M'));
  AveLinkageDendrogramView view;
  Load(text, view);
  EXPECT_EQ(view.Legend()[0].size(), 127u);
  EXPECT_EQ(view.Legend()[0].substr(0, 14), "Match method: ");
}

TEST_F(Views, EveryViewDrawsADamagedFileWithoutFault) {
  // A similarity of 1e30 puts nodes far outside the page; a 300-character parameter is cut.
  std::string text = "VELTO, " + std::string(300, 'M') + ", 1, 2, 3, 50, bp\n3\n\"A\" [ 100 ]\n" +
                     "\"B\", 1e30 [ 0 -1 ]\n\"C\", 50, -1e30\n";
  std::unique_ptr<docview::CView> views[] = {
      std::make_unique<AveLinkageDendrogramView>(), std::make_unique<MinLinkageDendrogramView>(),
      std::make_unique<MaxLinkageDendrogramView>(), std::make_unique<NbrJoinView>(),
      std::make_unique<ContigMapView>()};
  Profile("ShowBands", 1);
  ASSERT_TRUE(doc_.OnOpenDocument(WriteMatch("d.csv", text))) << vtest::Messages().back();
  for (auto& v : views) {
    doc_.AddView(v.get());
    v->OnUpdate(nullptr, 0, nullptr);
    auto dev = Draw(*v);
    EXPECT_FALSE(dev->texts.empty());
    for (const auto& t : dev->texts) EXPECT_LE(t.text.size(), 127u);
    doc_.RemoveView(v.get());
  }
}

// Two identical lanes (one contig), a lane far from both (a contig by itself).
const std::string kContigs = vtest::MatchText({"A", "B", "C"}, {{}, {100}, {2, 2}});

TEST_F(Views, ContigMapLayout) {
  ContigMapView view;
  Load(kContigs, view);
  // Contigs shorter than 200 are drawn against 200: a bar is half the area less an eighth inch.
  EXPECT_EQ(view.OffsetTranslator().pixel_high, 2100 - 31);
  EXPECT_FLOAT_EQ(view.OffsetTranslator().high, 200.0f);
  EXPECT_EQ(view.Legend().back(), "Minimum contig overlap:           5");
  // Legend 6 lines and half a line, one blank line, two lanes; C adds nothing.
  EXPECT_EQ(view.Extent(), (docview::CSize{2100, 240 + 20 + 40 + 2 * 40}));

  auto dev = Draw(view);
  std::vector<std::vector<CPoint>> bars;
  for (const auto& l : dev->lines) bars.push_back(l.points);
  const std::vector<std::vector<CPoint>> expected = {
      {{1035, -300}, {0, -300}}, {{1035, -340}, {0, -340}, {0, -300}}};
  EXPECT_EQ(bars, expected);
  std::vector<std::string> labels;
  for (const auto& t : dev->texts)
    if (t.face != "Courier New") {
      labels.push_back(t.text);
      EXPECT_EQ(t.at.x, 1035 + 13);
      EXPECT_EQ(t.align, docview::TA_LEFT | docview::TA_BOTTOM);
    }
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(labels, (std::vector<std::string>{"A", "B"}));
}

TEST_F(Views, ContigMapOfSingleLanesShowsOnlyTheLegendAndLongLabelsGoLeft) {
  ContigMapView view;
  Load(vtest::MatchText({"A", "B"}, {{}, {1}}), view);
  EXPECT_EQ(view.Extent().cy, 240 + 20);
  auto dev = Draw(view);
  EXPECT_TRUE(dev->lines.empty());
  EXPECT_EQ(dev->texts.size(), 6u);

  // A label wider than the room right of its bar is right-aligned left of the bar's start.
  ContigMapView wide;
  CVeltoDoc doc2;
  std::string long_label(60, 'L');
  ASSERT_TRUE(doc2.OnOpenDocument(WriteMatch("w.csv", vtest::MatchText({long_label, "B", "C"},
                                                                       {{}, {50}, {50, 50}}))));
  doc2.AddView(&wide);
  wide.OnUpdate(nullptr, 0, nullptr);
  auto dev2 = Draw(wide);
  bool found = false;
  for (const auto& t : dev2->texts)
    if (t.text == long_label) {
      found = true;
      EXPECT_EQ(t.align, docview::TA_RIGHT | docview::TA_BOTTOM);
    }
  EXPECT_TRUE(found);
}

TEST_F(Views, OverlapAboveOneHundredIsHeldToTheDialogRange) {
  // 250 would make 100 - overlap wrap round as an unsigned number: every lane in one contig.
  Profile("MinContigOverlap", 250);
  ContigMapView view;
  Load(vtest::MatchText({"A", "B", "C"}, {{}, {50}, {50, 50}}), view);
  EXPECT_EQ(Options().GetMinContigOverlap(), 100);
  // Limit 0: lanes at distance 50 are contigs of their own, none drawn.
  auto dev = Draw(view);
  EXPECT_TRUE(dev->lines.empty());
  Options().Reload();
  Profile("MinContigOverlap", -3);
  EXPECT_EQ(Options().GetMinContigOverlap(), 1);
}

}  // namespace
