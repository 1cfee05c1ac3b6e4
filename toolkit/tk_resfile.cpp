#include "toolkit/tk_resfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

struct Token {
  enum Kind { WORD, TEXT, OPEN, CLOSE, END, EOF_ } kind;
  std::string text;
  int line;
};

class Lexer {
 public:
  explicit Lexer(const std::string& s) : s_(s) {}

  bool next(Token* t, std::string* error) {
    for (;;) {
      if (i_ >= s_.size()) {
        *t = {Token::EOF_, "", line_};
        return true;
      }
      char c = s_[i_];
      if (c == '#') {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
        continue;
      }
      if (c == '\n' || c == ';') {
        *t = {Token::END, "", line_};
        if (c == '\n') ++line_;
        ++i_;
        return true;
      }
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i_;
        continue;
      }
      if (c == '{' || c == '}') {
        *t = {c == '{' ? Token::OPEN : Token::CLOSE, std::string(1, c), line_};
        ++i_;
        return true;
      }
      if (c == '"') return text(t, error);
      std::size_t b = i_;
      while (i_ < s_.size() && !std::strchr(" \t\r\n;{}\"#", s_[i_])) ++i_;
      *t = {Token::WORD, s_.substr(b, i_ - b), line_};
      return true;
    }
  }

 private:
  bool text(Token* t, std::string* error) {
    int start = line_;
    std::string out;
    ++i_;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c == '\n') {
        *error = "line " + std::to_string(start) + ": text not closed";
        return false;
      }
      if (c == '\\' && i_ < s_.size()) {
        char e = s_[i_++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 't': out += '\t'; break;
          case '"': out += '"'; break;
          case '\\': out += '\\'; break;
          default:
            *error = "line " + std::to_string(line_) + ": unknown escape \\" + e;
            return false;
        }
        continue;
      }
      out += c;
    }
    if (i_ >= s_.size()) {
      *error = "line " + std::to_string(start) + ": text not closed";
      return false;
    }
    ++i_;
    *t = {Token::TEXT, out, start};
    return true;
  }

  const std::string& s_;
  std::size_t i_ = 0;
  int line_ = 1;
};

// Reads statements until '}' (nested) or the end of the text (top level).
bool parse_block(Lexer& lx, std::vector<ResNode>* out, bool nested, std::string* error) {
  ResNode cur;
  auto flush = [&]() {
    if (!cur.args.empty()) out->push_back(std::move(cur));
    cur = ResNode{};
  };
  for (;;) {
    Token t;
    if (!lx.next(&t, error)) return false;
    switch (t.kind) {
      case Token::WORD:
      case Token::TEXT:
        if (cur.has_block) flush();
        if (cur.args.empty()) {
          if (t.kind == Token::TEXT) {
            *error = "line " + std::to_string(t.line) + ": a statement begins with a text";
            return false;
          }
          cur.line = t.line;
        }
        cur.args.push_back(t.text);
        cur.quoted.push_back(t.kind == Token::TEXT);
        break;
      case Token::OPEN:
        if (cur.args.empty() || cur.has_block) {
          *error = "line " + std::to_string(t.line) + ": block without a statement";
          return false;
        }
        if (!parse_block(lx, &cur.block, true, error)) return false;
        cur.has_block = true;
        break;
      case Token::CLOSE:
        if (!nested) {
          *error = "line " + std::to_string(t.line) + ": '}' without '{'";
          return false;
        }
        flush();
        return true;
      case Token::END:
        flush();
        break;
      case Token::EOF_:
        if (nested) {
          *error = "line " + std::to_string(t.line) + ": '{' not closed";
          return false;
        }
        flush();
        return true;
    }
  }
}

bool fail(std::string* error, int line, const std::string& what) {
  *error = "line " + std::to_string(line) + ": " + what;
  return false;
}

// The statement grammar. Each statement of a block is checked against the forms its keyword
// allows, so that a stray word or text (a broken quote, a typing slip) is refused with its line
// rather than ignored. A form lists the arguments after the keyword: N a whole number, T a
// quoted text, W a word, "T+" one or more texts; any other entry is a word that must appear as
// written. Forms are separated by '|'.
enum class Ctx { TOP, WINDOW, PART, MENU, STRINGS, FONT };
enum class Block { NONE, REQUIRED, OPTIONAL };

struct Rule {
  const char* keyword;
  const char* forms;
  Block block;
  Ctx inner;  // context of the block's statements
};

constexpr Rule kTop[] = {
    {"module", "W", Block::NONE, Ctx::TOP},
    {"window", "W", Block::REQUIRED, Ctx::WINDOW},
    {"menubar", "W", Block::REQUIRED, Ctx::MENU},
    {"strings", "W", Block::REQUIRED, Ctx::STRINGS},
    {"font", "W", Block::REQUIRED, Ctx::FONT},
};
// Statements of windows and of parts; both also take those of containers (groups are parts that
// hold parts of their own).
constexpr Rule kWindow[] = {
    {"title", "T", Block::NONE, Ctx::PART},
    {"menubar", "W", Block::NONE, Ctx::PART},
};
constexpr Rule kPart[] = {
    {"label", "T", Block::NONE, Ctx::PART},
    {"items", "T+", Block::NONE, Ctx::PART},
    {"value", "N", Block::NONE, Ctx::PART},
    {"range", "N N", Block::NONE, Ctx::PART},
    {"steps", "N N", Block::NONE, Ctx::PART},
    {"at", "N N|N N N N", Block::NONE, Ctx::PART},
    {"caption", "T", Block::NONE, Ctx::PART},
    {"tip", "T", Block::NONE, Ctx::PART},
    {"align", "left", Block::NONE, Ctx::PART},
    {"stretch", "N N", Block::NONE, Ctx::PART},
    {"gap", "N", Block::NONE, Ctx::PART},
    {"disabled", "", Block::NONE, Ctx::PART},
    {"hidden", "", Block::NONE, Ctx::PART},
    {"sunken", "", Block::NONE, Ctx::PART},
    {"centred", "", Block::NONE, Ctx::PART},
    {"flat", "", Block::NONE, Ctx::PART},
    {"checkable", "", Block::NONE, Ctx::PART},
    {"default", "", Block::NONE, Ctx::PART},
    {"readonly", "", Block::NONE, Ctx::PART},
    {"packed", "", Block::NONE, Ctx::PART},
    {"focus", "", Block::NONE, Ctx::PART},
};
constexpr Rule kContainer[] = {
    {"size", "N N", Block::NONE, Ctx::PART},
    {"layout", "W", Block::NONE, Ctx::PART},
    {"margins", "N", Block::NONE, Ctx::PART},
    {"spacing", "N", Block::NONE, Ctx::PART},
    {"part", "N W|N W W", Block::OPTIONAL, Ctx::PART},
};
constexpr Rule kMenu[] = {
    {"item", "N T|N T key T", Block::NONE, Ctx::MENU},
    {"separator", "", Block::NONE, Ctx::MENU},
    {"menu", "N T", Block::REQUIRED, Ctx::MENU},
};
constexpr Rule kFont[] = {
    {"family", "T", Block::NONE, Ctx::FONT},
    {"size", "N", Block::NONE, Ctx::FONT},
    {"bold", "", Block::NONE, Ctx::FONT},
    {"italic", "", Block::NONE, Ctx::FONT},
};

bool is_number(const std::string& s) {
  std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
  if (i >= s.size()) return false;
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

// How an argument reads in a message: texts in quotes, words as they stand.
std::string shown(const ResNode& st, std::size_t i) {
  return st.quoted[i] ? "text \"" + st.args[i] + "\"" : "word " + st.args[i];
}

// Matches the arguments after the keyword against one form. Returns the index of the first
// argument that does not fit (args.size() when a required argument is missing), or 0 on a match
// (the keyword itself is never a mismatch).
std::size_t match_form(const ResNode& st, const std::string& form) {
  std::vector<std::string> want;
  for (const std::string& w : split(form, ' '))
    if (!w.empty()) want.push_back(w);
  std::size_t i = 1;
  for (const std::string& w : want) {
    if (w == "T+") {
      if (i >= st.args.size()) return st.args.size();
      while (i < st.args.size() && st.quoted[i]) ++i;
      continue;
    }
    if (i >= st.args.size()) return st.args.size();
    const bool ok = w == "N"   ? !st.quoted[i] && is_number(st.args[i])
                    : w == "T" ? st.quoted[i]
                    : w == "W" ? !st.quoted[i]
                               : !st.quoted[i] && st.args[i] == w;
    if (!ok) return i;
    ++i;
  }
  return i < st.args.size() ? i : 0;
}

template <std::size_t N>
const Rule* find_in(const Rule (&list)[N], const std::string& keyword) {
  for (const Rule& r : list)
    if (keyword == r.keyword) return &r;
  return nullptr;
}

// The rule for a statement in a context, null when the keyword has no place there.
const Rule* find_rule(Ctx ctx, const std::string& k) {
  static const Rule strings_entry{"", "T+", Block::NONE, Ctx::STRINGS};
  switch (ctx) {
    case Ctx::TOP: return find_in(kTop, k);
    case Ctx::WINDOW: return find_in(kWindow, k) ? find_in(kWindow, k) : find_in(kContainer, k);
    case Ctx::PART: return find_in(kPart, k) ? find_in(kPart, k) : find_in(kContainer, k);
    case Ctx::MENU: return find_in(kMenu, k);
    case Ctx::FONT: return find_in(kFont, k);
    case Ctx::STRINGS: return is_number(k) ? &strings_entry : nullptr;
  }
  return nullptr;
}

// A statement's forms as a message shows them: item <number> "text" or item <number> "text" key "text".
std::string readable(const std::string& keyword, const char* forms) {
  std::string out;
  for (const std::string& form : split(forms, '|')) {
    if (!out.empty()) out += " or ";
    out += keyword;
    for (const std::string& w : split(form, ' ')) {
      if (w.empty()) continue;
      out += ' ';
      out += w == "N" ? "<number>" : w == "T" ? "\"text\"" : w == "T+" ? "\"text\" ..." : w == "W" ? "<name>" : w;
    }
  }
  return out;
}

bool check_grammar(const std::vector<ResNode>& block, Ctx ctx, std::string* error) {
  static const char* const where[] = {"the file", "a window", "a part", "a menu",
                                      "a string list", "a font"};
  for (const ResNode& st : block) {
    const std::string& k = st.args[0];
    const Rule* rule = find_rule(ctx, k);
    if (!rule) {
      return fail(error, st.line, "unexpected " + shown(st, 0) + " in " +
                                      where[static_cast<int>(ctx)]);
    }
    std::size_t worst = st.args.size() + 1;
    for (const std::string& form : split(rule->forms, '|')) {
      const std::size_t bad = match_form(st, form);
      if (bad == 0) {
        worst = 0;
        break;
      }
      // Report the mismatch that the closest form finds furthest along the line.
      if (worst == st.args.size() + 1 || bad > worst) worst = bad;
    }
    const std::string usage = readable(k, rule->forms);
    if (worst == st.args.size())
      return fail(error, st.line, "missing argument: " + usage);
    if (worst != 0)
      return fail(error, st.line, "unexpected " + shown(st, worst) + " (" + usage + ")");
    if (st.has_block && rule->block == Block::NONE)
      return fail(error, st.line, k + " takes no { } block");
    if (!st.has_block && rule->block == Block::REQUIRED)
      return fail(error, st.line, k + " needs a { } block");
    if (st.has_block && !check_grammar(st.block, rule->inner, error)) return false;
  }
  return true;
}

bool to_long(const std::string& s, long* v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long x = std::strtol(s.c_str(), &end, 10);
  if (errno || *end) return false;
  *v = x;
  return true;
}

// Checks a window's or group's parts: known classes, explicit unique indexes, nested groups.
bool check_parts(const ResNode& node, std::string* error) {
  std::set<long> seen;
  for (const ResNode& st : node.block) {
    if (st.args[0] != "part") continue;
    long index;
    if (st.args.size() < 3 || !to_long(st.args[1], &index) || index < 0)
      return fail(error, st.line, "a part needs an index and a class: part <index> <class>");
    if (!res_known_class(st.args[2])) return fail(error, st.line, "unknown class " + st.args[2]);
    if (!seen.insert(index).second)
      return fail(error, st.line, "part index " + st.args[1] + " used twice");
    if (st.args[2] == "group" && !check_parts(st, error)) return false;
  }
  for (const ResNode& st : node.block)
    if (st.args[0] == "layout" && (st.args.size() != 2 || !res_known_layout(st.args[1])))
      return fail(error, st.line, "layout must be grid, form, vbox or hbox");
  return true;
}

bool check_menu(const ResNode& node, std::string* error) {
  for (const ResNode& st : node.block) {
    const std::string& k = st.args[0];
    long v;
    if (k == "separator") continue;
    if (k == "item") {
      if (st.args.size() < 3 || !to_long(st.args[1], &v) || !st.quoted[2])
        return fail(error, st.line, "item <id> \"text\" [key \"keys\"]");
    } else if (k == "menu") {
      if (st.args.size() < 3 || !to_long(st.args[1], &v) || !st.quoted[2] || !st.has_block)
        return fail(error, st.line, "menu <number> \"text\" { ... }");
      if (!check_menu(st, error)) return false;
    } else {
      return fail(error, st.line, "unknown menu statement " + k);
    }
  }
  return true;
}

}  // namespace

bool res_known_class(const std::string& c) {
  static const std::set<std::string> k = {"group", "button", "toggle", "radio",  "field",
                                          "text",  "label",  "choice", "list",   "slider",
                                          "value", "area",  "workspace"};
  return k.count(c) > 0;
}

bool res_known_layout(const std::string& l) {
  return l == "grid" || l == "form" || l == "vbox" || l == "hbox";
}

bool res_parse(const std::string& text, std::map<std::string, ResModule>* modules,
               std::string* error) {
  Lexer lx(text);
  std::vector<ResNode> top;
  if (!parse_block(lx, &top, false, error)) return false;
  if (!check_grammar(top, Ctx::TOP, error)) return false;
  std::map<std::string, ResModule> found;
  ResModule* mod = nullptr;
  for (ResNode& st : top) {
    const std::string& k = st.args[0];
    if (k == "module") {
      if (st.args.size() != 2 || st.has_block) return fail(error, st.line, "module <name>");
      mod = &found[st.args[1]];
      continue;
    }
    if (!mod) return fail(error, st.line, "statement before the first module");
    if (st.args.size() != 2 || !st.has_block)
      return fail(error, st.line, k + " <name> { ... }");
    const std::string& name = st.args[1];
    if (k == "window") {
      if (!check_parts(st, error)) return false;
      if (!mod->windows.emplace(name, st).second)
        return fail(error, st.line, "window " + name + " defined twice");
    } else if (k == "menubar") {
      if (!check_menu(st, error)) return false;
      if (!mod->menubars.emplace(name, st).second)
        return fail(error, st.line, "menu bar " + name + " defined twice");
    } else if (k == "strings") {
      auto& list = mod->strings[name];
      for (const ResNode& e : st.block) {
        long n;
        if (!to_long(e.args[0], &n) || e.args.size() < 2)
          return fail(error, e.line, "string entry: <number> \"text\" [\"text\" ...]");
        std::string s;
        for (std::size_t i = 1; i < e.args.size(); ++i) {
          if (!e.quoted[i]) return fail(error, e.line, "string entry: texts must be quoted");
          s += e.args[i];
        }
        if (!list.emplace(n, s).second)
          return fail(error, e.line, "string " + e.args[0] + " defined twice");
      }
    } else if (k == "font") {
      ResFont f;
      for (const ResNode& e : st.block) {
        long v;
        if (e.args[0] == "family" && e.args.size() == 2) {
          f.family = e.args[1];
        } else if (e.args[0] == "size" && e.args.size() == 2 && to_long(e.args[1], &v) && v > 0) {
          f.size = static_cast<int>(v);
        } else if (e.args[0] == "bold" && e.args.size() == 1) {
          f.bold = true;
        } else if (e.args[0] == "italic" && e.args.size() == 1) {
          f.italic = true;
        } else {
          return fail(error, e.line, "font: family \"name\", size <points>, bold, italic");
        }
      }
      if (!mod->fonts.emplace(name, f).second)
        return fail(error, st.line, "font " + name + " defined twice");
    } else {
      return fail(error, st.line, "unknown statement " + k);
    }
  }
  // Modules may be spread over several files; a name defined twice is an error.
  for (auto& [mname, m] : found) {
    ResModule& dst = (*modules)[mname];
    for (auto& [n, w] : m.windows)
      if (dst.windows.count(n)) return fail(error, w.line, "window " + n + " already loaded");
    for (auto& [n, w] : m.menubars)
      if (dst.menubars.count(n)) return fail(error, w.line, "menu bar " + n + " already loaded");
    for (auto& [n, f] : m.fonts)
      if (dst.fonts.count(n)) return fail(error, 0, "font " + n + " already loaded");
    for (auto& [ln, l] : m.strings)
      for (auto& [num, text] : l)
        if (dst.strings.count(ln) && dst.strings[ln].count(num))
          return fail(error, 0, "string " + std::to_string(num) + " of " + mname + " already loaded");
  }
  for (auto& [mname, m] : found) {
    ResModule& dst = (*modules)[mname];
    dst.windows.insert(m.windows.begin(), m.windows.end());
    dst.menubars.insert(m.menubars.begin(), m.menubars.end());
    for (auto& [ln, l] : m.strings) dst.strings[ln].insert(l.begin(), l.end());
    dst.fonts.insert(m.fonts.begin(), m.fonts.end());
  }
  return true;
}
