// The resource text's statement grammar: every statement form the program reads is accepted,
// and a word or text that a statement does not take is refused with its line.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "toolkit/tk_resfile.h"

namespace {

std::string parse_error(const std::string& text) {
  std::map<std::string, ResModule> modules;
  std::string error;
  if (res_parse(text, &modules, &error)) return "";
  EXPECT_TRUE(modules.empty()) << "a refused text adds nothing";
  return error.empty() ? "(refused without a message)" : error;
}

TEST(ResourceGrammar, EveryFormIsAccepted) {
  const std::string text =
      "module m\n"
      "window w {\n"
      "  title \"T\"; size 300 200; layout grid; menubar b; margins 4; spacing 2\n"
      "  part 0 field name { caption \"Name\"; label \"x\"; at 0 1 1 2; readonly; tip \"t\" }\n"
      "  part 1 group { layout hbox; label \"G\"; packed; margins 0; spacing 3; at 1 0\n"
      "    part 0 button { label \"OK\"; flat; checkable; gap 4; disabled; hidden }\n"
      "    part 1 radio { items \"a\" \"b\"; value 1 }\n"
      "  }\n"
      "  part 2 slider { range -5 45; value 10; stretch 1 0; align left }\n"
      "  part 3 label status { sunken; centred; size 20 10 }\n"
      "  part 4 area\n"
      "}\n"
      "menubar b {\n"
      "  menu 1 \"&File\" {\n"
      "    item 105 \"&Open...\" key \"Ctrl+O\"\n"
      "    separator\n"
      "    menu 7 \"Import\" { item 141 \"TIFF...\" }\n"
      "  }\n"
      "}\n"
      "strings S { 1 \"one\" \" two\" }\n"
      "font f { family \"Courier\"; size 12; bold; italic }\n";
  EXPECT_EQ(parse_error(text), "");
}

TEST(ResourceGrammar, UnexpectedTokensAreRefusedWithTheirLine) {
  struct Case {
    const char* body;  // follows "module m\n", so its first line is line 2
    const char* error_start;
  } cases[] = {
      {"menubar b {\n  menu 1 \"F\" {\n    item 106 \"Save item 106 \"Save A&ll...\"All...\"\n  }\n}\n",
       "line 4: unexpected word Save"},
      {"menubar b { menu 1 \"F\" { item 1 \"x\" keys \"Ctrl+O\" } }\n", "line 2: unexpected word keys"},
      {"menubar b { menu 1 \"F\" { item x \"Open\" } }\n", "line 2: unexpected word x"},
      {"menubar b { menu 1 \"F\" }\n", "line 2: menu needs a { } block"},
      {"window w {\n title \"a\" b\n}\n", "line 3: unexpected word b"},
      {"window w {\n title \"a\" { }\n}\n", "line 3: title takes no { } block"},
      {"window w {\n part 1 button ok extra { }\n}\n", "line 3: unexpected word extra"},
      {"window w {\n part 1 button { label OK }\n}\n", "line 3: unexpected word OK"},
      {"window w {\n part 1 button { at 1 2 3 }\n}\n", "line 3: missing argument: at"},
      {"window w {\n part 1 button { colour 3 }\n}\n", "line 3: unexpected word colour in a part"},
      {"window w {\n part 1 button { size 10 }\n}\n", "line 3: missing argument: size"},
      {"window w {\n items \"a\"\n}\n", "line 3: unexpected word items in a window"},
      {"strings S {\n 1 \"a\" b\n}\n", "line 3: unexpected word b"},
      {"strings S {\n one \"a\"\n}\n", "line 3: unexpected word one in a string list"},
      {"font f {\n size big\n}\n", "line 3: unexpected word big"},
      {"\n\nwindow w x { }\n", "line 4: unexpected word x"},
      {"dialog d { }\n", "line 2: unexpected word dialog in the file"},
  };
  for (const Case& c : cases) {
    const std::string error = parse_error(std::string("module m\n") + c.body);
    EXPECT_EQ(error.rfind(c.error_start, 0), 0u) << c.body << "\n gave: " << error;
  }
}

}  // namespace
