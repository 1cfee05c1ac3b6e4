// Lane selections: reading a selection file into a 20-slot table and testing lanes against it.
#include "model/lanechar.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/lane.h"

int ln_read_lanesel(const char* path, char*** table) {
  if (!table) return -1;
  *table = static_cast<char**>(ks_alloc_msg(sizeof(char*) * LN_SEL_SLOTS));
  if (!*table) {
    ks_dbg_null_ptr("ln_read_lanesel", "*sel_table");
    return -1;
  }
  std::ifstream in(path ? path : "", std::ios::binary);
  if (!in) {
    SLOG("ln_read_lanesel", SLOG_ERROR, "can't open file for read, -1");
    return -1;
  }
  std::string line;
  for (int i = 0; i < LN_SEL_SLOTS && std::getline(in, line); ++i) {
    // Lines are compared without their line end, whichever convention the file uses.
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    char* copy = static_cast<char*>(ks_alloc_msg(line.size() + 1));
    if (!copy) {
      ks_dbg_null_ptr("ln_read_lanesel", "*sel_table");
      continue;
    }
    std::memcpy(copy, line.data(), line.size());
    (*table)[i] = copy;
  }
  return 0;
}

void ln_free_lanesel(char** table) {
  if (!table) return;
  for (int i = 0; i < LN_SEL_SLOTS; ++i) ks_free(table[i]);
  ks_free(table);
}

namespace {

struct Token {
  std::string text;
  bool negated = false;
};

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// Splits a selection line into its non-empty tokens.
std::vector<Token> split_line(const char* line) {
  std::vector<Token> tokens;
  const char* p = line;
  while (is_blank(*p)) ++p;
  while (*p) {
    std::string tok;
    bool separator = false;
    while (*p) {
      if (*p == ',') {
        ++p;
        separator = true;
        break;
      }
      if (*p == '"') {
        ++p;
        continue;
      }
      if (int(tok.size()) == LN_SEL_TOKEN_MAX) {
        // Cut here; the next character is skipped and the rest is the next token.
        separator = (*p == ',');
        ++p;
        break;
      }
      tok += *p++;
    }
    if (separator)
      while (is_blank(*p)) ++p;
    if (tok.empty()) continue;
    Token t;
    if (tok[0] == '!') {
      t.negated = true;
      tok.erase(0, 1);
    }
    t.text = tok;
    tokens.push_back(t);
  }
  return tokens;
}

const LANECHAR* find_labeled_char(const LANE* lane, const std::string& name) {
  if (!lane->lane_chars) return nullptr;
  int n = lane->num_labeled_chars < lane->num_lane_chars ? lane->num_labeled_chars
                                                         : lane->num_lane_chars;
  for (int i = 0; i < n; ++i) {
    const LANECHAR* c = lane->lane_chars[i];
    if (c && std::strncmp(c->name, name.c_str(), sizeof c->name) == 0 &&
        name.size() < sizeof c->name)
      return c;
  }
  return nullptr;
}

bool equals_field(const char (&field)[21], const std::string& s) {
  return s.size() < sizeof field && std::strncmp(field, s.c_str(), sizeof field) == 0;
}

}  // namespace

BOOL ln_match_one_char(const LANE* lane, int slot, const char* line) {
  if (!lane || !line) return FALSE;
  std::vector<Token> tokens = split_line(line);
  if (tokens.empty()) {
    SLOG("ln_match_one_char", SLOG_VALUE4, "slot %d blank line, FALSE", slot);
    return FALSE;
  }
  const Token& cat = tokens[0];
  const LANECHAR* have = find_labeled_char(lane, cat.text);
  if (cat.negated) {
    if (have) {
      SLOG("ln_match_one_char", SLOG_VALUE4, "have <%s>, but don't want it", cat.text.c_str());
      return FALSE;
    }
    return TRUE;
  }
  if (!have) return FALSE;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const Token& v = tokens[i];
    bool same = equals_field(have->value, v.text);
    if (v.negated) {
      if (!same) {
        SLOG("ln_match_one_char", SLOG_VALUE4, "TRUE: don't want <%s>, this lane is <%.20s>",
             v.text.c_str(), have->value);
        return TRUE;
      }
      return FALSE;
    }
    if (same) return TRUE;
  }
  return tokens.size() == 1 ? TRUE : FALSE;
}

BOOL ln_meet_lanesel(const LANE* lane, char** table) {
  if (!lane) return FALSE;
  if (lane->num_labeled_chars <= 0 || !lane->lane_chars) {
    SLOG("ln_meet_lanesel", SLOG_VALUE4, "lane has no labeled chars, FALSE");
    return FALSE;
  }
  if (!table) return TRUE;
  for (int i = 0; i < LN_SEL_SLOTS; ++i) {
    if (!table[i] || table[i][0] == '\0') continue;
    if (!ln_match_one_char(lane, i, table[i])) return FALSE;
  }
  return TRUE;
}
