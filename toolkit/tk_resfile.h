// The resource file's text form, parsed into plain records. A file holds modules; each module
// holds window layouts, menu bars, string lists and fonts. Syntax (full description in
// resources/README.md): statements end at a line end or ';', '{' ... '}' holds a block of
// statements, '#' starts a comment, texts are in double quotes with \n \t \" \\ escapes.
#pragma once

#include <map>
#include <string>
#include <vector>

// One statement: its words and texts in order, the block that follows it, and its line.
struct ResNode {
  std::vector<std::string> args;    // args[0] is the keyword
  std::vector<bool> quoted;         // which args were quoted texts
  std::vector<ResNode> block;
  bool has_block = false;
  int line = 0;
};

struct ResFont {
  std::string family;
  int size = 12;  // points
  bool bold = false, italic = false;
};

struct ResModule {
  std::map<std::string, ResNode> windows;   // window name -> its "window" statement
  std::map<std::string, ResNode> menubars;  // menu bar name -> its "menubar" statement
  std::map<std::string, std::map<long, std::string>> strings;  // list -> number -> text
  std::map<std::string, ResFont> fonts;
};

// Parses resource text into modules (merged into `modules`). Returns false with a message
// ("line N: ...") on the first error; a file with an error adds nothing.
bool res_parse(const std::string& text, std::map<std::string, ResModule>* modules,
               std::string* error);

// Part classes the layouts may name, and the layouts of windows and groups.
bool res_known_class(const std::string& cls);
bool res_known_layout(const std::string& layout);
