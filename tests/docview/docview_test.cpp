// The framework's message formatting and the document's view updates.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "docview/document.h"
#include "docview/format_message.h"

using docview::FormatMessage;

namespace {

TEST(FormatMessage, NumberedInsertsAndEscapes) {
  struct Case {
    const char* pattern;
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {"Cannot open %1", {"/tmp/a b.csv"}, "Cannot open /tmp/a b.csv"},
      {"Cannot parse similarity %2!d! for taxon \"%1\".",
       {"L, 1", "12"},
       "Cannot parse similarity 12 for taxon \"L, 1\"."},
      {"%1%.%n\nNext", {"x"}, "x.\n\nNext"},
      {"100%% %3 [%2!5d!] [%1!-4s!]", {"ab", "7"}, "100%  [    7] [ab  ]"},
      {"stop%0here", {}, "stop"},
      {"%1 holds %%1", {"%2"}, "%2 holds %1"},  // inserts are not formatted again
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMessage(c.pattern, c.args), c.expected) << c.pattern;
}

struct Recorder : docview::CView {
  void OnUpdate(docview::CView*, long hint, void*) override { log->push_back(hint); }
  std::vector<long>* log;
};

TEST(Document, UpdatesEveryViewButTheSenderAndForgetsDestroyedViews) {
  std::vector<long> a_log, b_log;
  docview::CDocument doc;
  Recorder a;
  a.log = &a_log;
  auto b = std::make_unique<Recorder>();
  b->log = &b_log;
  doc.AddView(&a);
  doc.AddView(b.get());
  doc.UpdateAllViews(&a, 5);
  EXPECT_TRUE(a_log.empty());
  EXPECT_EQ(b_log, std::vector<long>{5});
  b.reset();
  doc.UpdateAllViews(nullptr, 0);
  EXPECT_EQ(a_log, std::vector<long>{0});
  EXPECT_EQ(doc.Views().size(), 1u);
  EXPECT_EQ(a.GetDocument(), &doc);
}

}  // namespace
