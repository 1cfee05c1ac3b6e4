// The match file reader and the viewer document: every message of a malformed file, the values of
// well-formed files, the C locale, and the document's open and delete-contents behaviour.
#include <gtest/gtest.h>

#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "docview/message_box.h"
#include "test_support.h"
#include "viewer/match_file.h"
#include "viewer/velto_doc.h"

using namespace velto;

namespace {

const std::string kHead = "VELTO, Jaccard, 1.000000, 2.000000, 3.000000, 50.000000, bp\n";

ReadResult ReadText(CVeltoDoc& doc, const std::string& text, const std::string& path) {
  vxtest::write_text(path, text);
  return ReadMatchFile(doc, path);
}

TEST(MatchFile, EveryMessageOfAMalformedFile) {
  vxtest::TempDir dir;
  const std::string p = dir.file("m.csv");
  struct Case {
    const char* what;
    std::string text;
    std::string message;  // "%P" stands for the path
  } cases[] = {
      {"short first line", "VELTO, Jaccard, 1.0\n",
       "Cannot parse first line of %P.\n\nExpecting line that begins with \"VELTO ...\" followed "
       "by match parameters in particular order."},
      {"empty file", "",
       "Cannot parse first line of %P.\n\nExpecting line that begins with "
       "\"VELTO ...\" followed by match parameters in particular order."},
      {"lower-case tag", "velto, Jaccard, 1, 2, 3, 50, bp\n0\n",
       "%P is not a Velto file.\nExpecting first line to begin with \"VELTO\"."},
      {"count not a number", kHead + "many\n",
       "Cannot parse %P.\nExpecting line 2 to contain a single integer returning the number of "
       "taxa."},
      {"negative count", kHead + "-1\n\"A\", \n",
       "Cannot parse %P.\nExpecting line 2 to contain a single integer returning the number of "
       "taxa."},
      {"count that wraps 32 bits", kHead + "4294967297\n\"A\", \n",
       "Cannot parse %P.\nExpecting line 2 to contain a single integer returning the number of "
       "taxa."},
      // Line 2 holds an integer: the file is refused where its lanes run out.
      {"count beyond what the file holds", kHead + "65537\n\"A\", \n\"B\", 10.0,\n",
       "Cannot parse label of taxon 3."},
      {"count far beyond what the file holds", kHead + "4000000000\n\"A\", \n",
       "Cannot parse label of taxon 2."},
      {"empty sixth field: the count becomes the sixth field",
       "VELTO, Jaccard, 1, 2, 3, 50, \n2\n\"A\", \n\"B\",  50.0,\n",
       "Cannot parse %P.\nExpecting line 2 to contain a single integer returning the number of "
       "taxa."},
      {"file ends after two of three taxa", kHead + "3\n\"A\", \n\"B\",  50.0,\n",
       "Cannot parse label of taxon 3."},
      {"missing closing quote", kHead + "2\n\"A\", \n\"B,  50.0,\n",
       "Cannot parse label of taxon 2."},
      {"similarity not a number", kHead + "3\n\"A\", \n\"B\",  50.0,\n\"C\",  10.0,  abc,\n",
       "Cannot parse similarity 2 for taxon \"C\"."},
      {"similarity that is not a finite number", kHead + "2\n\"A\", \n\"B\",  nan,\n",
       "Cannot parse similarity 1 for taxon \"B\"."},
      {"similarity beyond a float", kHead + "2\n\"A\", \n\"B\",  1e999,\n",
       "Cannot parse similarity 1 for taxon \"B\"."},
      {"too few similarities", kHead + "2\n\"A\", \n\"B\",\n",
       "Cannot parse similarity 1 for taxon \"B\"."},
      {"band list not closed", kHead + "1\n\"A\", [412.000000 98.500000 \n",
       "Cannot parse band positions for taxon \"A\"."},
      {"band list with a stray token", kHead + "1\n\"A\", [412.000000 x]\n",
       "Cannot parse band positions for taxon \"A\"."},
  };
  for (const Case& c : cases) {
    CVeltoDoc doc;
    ReadResult r = ReadText(doc, c.text, p);
    std::string expected = c.message;
    if (auto at = expected.find("%P"); at != std::string::npos) expected.replace(at, 2, p);
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_EQ(r.message, expected) << c.what;
  }

  CVeltoDoc doc;
  ReadResult r = ReadMatchFile(doc, dir.file("absent.csv"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Cannot open " + dir.file("absent.csv"));
}

// A stream whose device fails at byte `fail_at`: on every read, or only when a character is
// taken (so that a look at it still succeeds).
class FailingBuf : public std::streambuf {
 public:
  FailingBuf(std::string data, std::size_t fail_at, bool only_on_take)
      : data_(std::move(data)), fail_at_(fail_at), only_on_take_(only_on_take) {}

 protected:
  int_type underflow() override {
    if (!only_on_take_ && pos_ >= fail_at_) throw std::runtime_error("device error");
    return pos_ < data_.size() ? traits_type::to_int_type(data_[pos_]) : traits_type::eof();
  }
  int_type uflow() override {
    if (pos_ >= fail_at_) throw std::runtime_error("device error");
    return pos_ < data_.size() ? traits_type::to_int_type(data_[pos_++]) : traits_type::eof();
  }

 private:
  std::string data_;
  std::size_t pos_ = 0, fail_at_;
  bool only_on_take_;
};

TEST(MatchFile, DeviceErrorsAroundTheBandList) {
  const std::string text = kHead + "1\n\"A\", [412.000000 98.500000 ]\n";
  const std::size_t bracket = text.find('[');
  {
    CVeltoDoc doc;
    FailingBuf buf(text, bracket, true);
    std::istream in(&buf);
    ReadResult r = ReadMatchStream(doc, in, "m.csv");
    EXPECT_EQ(r.message, "Encountered I/O error while reading '[' for taxon \"A\".");
  }
  {
    CVeltoDoc doc;
    FailingBuf buf(text, bracket + 5, false);
    std::istream in(&buf);
    ReadResult r = ReadMatchStream(doc, in, "m.csv");
    EXPECT_EQ(r.message, "Encountered I/O error while reading band positions for taxon \"A\".");
  }
}

TEST(MatchFile, AllocationFailureIsAReadError) {
  // A stream of unknown length cannot bound the count; a triangle beyond any memory is refused.
  CVeltoDoc doc;
  std::istringstream in(kHead + "4294967295\n");
  ReadResult r = ReadMatchStream(doc, in, "big.csv");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Not enough memory to read big.csv.");
}

TEST(MatchFile, ReadsWhatTheWriterWrites) {
  vxtest::TempDir dir;
  const std::string text =
      "VELTO, Dice, 1.500000, 2.000000, 3.250000, 80.000000, bp\n"
      "4\n"
      "\"img1:1:Lane 1, left\", [412.000000 98.500000 ]\n"
      "\"img1:2:\",  45.3,[]\n"
      "plain,  45.3,100.0,\n"
      "\"last\", 0.0, 12.5,  7.0,[-3.000000 0.000001 ]\n"
      "ignored trailing text\n";
  // Files from the Windows program end their lines with CR LF.
  std::string crlf;
  for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  for (const std::string& variant : {text, crlf}) {
    CVeltoDoc doc;
    ReadResult r = ReadText(doc, variant, dir.file("ok.csv"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(doc.m_matchMethod, "Dice");
    EXPECT_EQ(doc.m_bandSizeTolerance, "1.500000");
    EXPECT_EQ(doc.m_spacingTolerance, "2.000000");
    EXPECT_EQ(doc.m_volumeTolerance, "3.250000");
    EXPECT_EQ(doc.m_laneMatchThreshold, "80.000000");
    EXPECT_EQ(doc.m_linkageMethod, "bp");
    ASSERT_EQ(doc.TaxonCount(), 4u);
    EXPECT_EQ(doc.m_taxonCount, 4u);
    EXPECT_EQ(doc.Label(0), "img1:1:Lane 1, left");
    EXPECT_EQ(doc.Label(1), "img1:2:");
    EXPECT_EQ(doc.Label(2), "plain");
    EXPECT_EQ(doc.Distances().size(), 6u);
    EXPECT_FLOAT_EQ(doc.Distance(1, 0), 100.0f - 45.3f);
    EXPECT_FLOAT_EQ(doc.Distance(0, 2), 100.0f - 45.3f);
    EXPECT_FLOAT_EQ(doc.Distance(2, 1), 0.0f);    // similarity 100
    EXPECT_FLOAT_EQ(doc.Distance(3, 0), 100.0f);  // similarity 0
    EXPECT_FLOAT_EQ(doc.Distance(3, 2), 93.0f);
    EXPECT_FLOAT_EQ(doc.Distance(3, 3), 0.0f);
    EXPECT_EQ(doc.Bands(0), (std::vector<float>{412.0f, 98.5f}));
    EXPECT_TRUE(doc.Bands(1).empty());  // "[]"
    EXPECT_TRUE(doc.Bands(2).empty());  // no list at all
    EXPECT_TRUE(doc.m_bHasBands);
    EXPECT_FLOAT_EQ(doc.m_bandMin, -3.0f);
    EXPECT_FLOAT_EQ(doc.m_bandMax, 412.0f);
    float lo = 0, hi = 0;
    ASSERT_TRUE(doc.PositiveBandRange(lo, hi));
    EXPECT_FLOAT_EQ(lo, 0.000001f);
    EXPECT_FLOAT_EQ(hi, 412.0f);
  }
}

TEST(MatchFile, BandBoundsOfNonPositiveValuesAndEmptyLists) {
  vxtest::TempDir dir;
  {
    // Only values at or below zero: the largest is the largest of them, and the logarithmic
    // range is empty.
    CVeltoDoc doc;
    ReadResult r = ReadText(doc, kHead + "2\n\"A\", [-5.000000 ]\n\"B\", 10.0, [-2.000000 ]\n",
                            dir.file("neg.csv"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_FLOAT_EQ(doc.m_bandMax, -2.0f);
    EXPECT_FLOAT_EQ(doc.m_bandMin, -5.0f);
    float lo, hi;
    EXPECT_FALSE(doc.PositiveBandRange(lo, hi));
  }
  {
    // Lists that are all empty set no band flag; N = 1 has no similarity.
    CVeltoDoc doc;
    ReadResult r = ReadText(doc, kHead + "1\nsolo []\n", dir.file("one.csv"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(doc.TaxonCount(), 1u);
    EXPECT_FALSE(doc.m_bHasBands);
    EXPECT_TRUE(doc.Distances().empty());
  }
  {
    CVeltoDoc doc;
    ReadResult r = ReadText(doc, kHead + "0\n", dir.file("none.csv"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(doc.TaxonCount(), 0u);
  }
}

// Decimal comma and digit grouping, as a user's locale might have them.
struct CommaNumbers : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(MatchFile, NumbersAreReadInTheCLocaleWhateverTheGlobalLocale) {
  vxtest::TempDir dir;
  std::locale old = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
  CVeltoDoc doc;
  ReadResult r = ReadText(doc, kHead + "2\nA, [1234.500000 ]\nB,  45.3,\n", dir.file("c.csv"));
  std::locale::global(old);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_FLOAT_EQ(doc.Distance(1, 0), 100.0f - 45.3f);
  EXPECT_EQ(doc.Bands(0), std::vector<float>{1234.5f});
}

class RecordingView : public docview::CView {
 public:
  void OnUpdate(docview::CView* sender, long hint, void*) override {
    updates.push_back({sender, hint});
  }
  std::vector<std::pair<docview::CView*, long>> updates;
};

std::vector<std::string> g_boxes;
int RecordBox(const std::string& text, unsigned) {
  g_boxes.push_back(text);
  return docview::IDOK;
}

TEST(VeltoDoc, FailedOpenAfterAGoodOneLeavesAnEmptyModifiedDocument) {
  vxtest::TempDir dir;
  const std::string good = dir.file("good.csv"), bad = dir.file("bad.csv");
  vxtest::write_text(good, kHead + "2\n\"A\", [5.000000 ]\n\"B\", 40.0,\n");
  vxtest::write_text(bad, kHead + "3\n\"A\", \n");
  auto old = docview::SetMessageBoxProc(RecordBox);
  g_boxes.clear();

  CVeltoDoc doc;
  RecordingView view;
  doc.AddView(&view);
  ASSERT_TRUE(doc.OnOpenDocument(good));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.TaxonCount(), 2u);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_TRUE(view.updates.empty());  // the framework updates the views after a good open

  EXPECT_FALSE(doc.OnOpenDocument(bad));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.TaxonCount(), 0u);
  EXPECT_EQ(doc.m_taxonCount, 0u);
  EXPECT_TRUE(doc.Distances().empty());
  EXPECT_FALSE(doc.m_bHasBands);
  EXPECT_EQ(doc.Taxa().capacity(), 0u);
  ASSERT_EQ(view.updates.size(), 1u);
  EXPECT_EQ(view.updates[0].first, nullptr);
  EXPECT_EQ(view.updates[0].second, 0);
  EXPECT_EQ(g_boxes, std::vector<std::string>{"Cannot parse label of taxon 2."});
  // The parameter texts stay until the next read.
  EXPECT_EQ(doc.m_matchMethod, "Jaccard");

  ASSERT_TRUE(doc.OnOpenDocument(good));  // read again, nothing cached
  EXPECT_EQ(doc.TaxonCount(), 2u);
  EXPECT_FLOAT_EQ(doc.Distance(0, 1), 60.0f);
  docview::SetMessageBoxProc(old);
}

}  // namespace
