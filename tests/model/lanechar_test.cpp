// Lane selections: the line grammar against its truth table, the 20-slot table, reading a file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/ks_mem.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "test_support.h"

namespace {

// A lane carrying the given characteristics; the first `labeled` of them carry labels.
using Chars = std::vector<std::pair<const char*, const char*>>;

struct CharLane {
  LANE* lane;
  CharLane(const Chars& chars, int labeled = -1) {
    lane = ln_make_lane();
    lane->num_lane_chars = int(chars.size());
    lane->num_labeled_chars = labeled < 0 ? int(chars.size()) : labeled;
    if (!chars.empty()) {
      lane->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * chars.size()));
      for (std::size_t i = 0; i < chars.size(); ++i) {
        lane->lane_chars[i] = ks_new_rec<LANECHAR>();
        std::strncpy(lane->lane_chars[i]->name, chars[i].first, 20);
        std::strncpy(lane->lane_chars[i]->value, chars[i].second, 20);
      }
    }
  }
  CharLane(const CharLane&) = delete;
  CharLane& operator=(const CharLane&) = delete;
  ~CharLane() { ln_free_lane(lane); }
};

}  // namespace

TEST(LaneSelection, OneLineTruthTable) {
  CharLane ecoli(Chars{{"Species", "E. coli"}, {"Site", "North"}});
  CharLane salmonella(Chars{{"Species", "Salmonella"}});
  CharLane no_species(Chars{{"Site", "South"}});
  CharLane trailing(Chars{{"Species ", "E. coli"}});
  CharLane unlabelled(Chars{{"Site", "North"}, {"Species", "E. coli"}}, 1);
  CharLane long_name(Chars{{"ABCDEFGHIJKLMNOPQRS", "v"}, {"UVW", "x"}});

  struct Case {
    const char* line;
    const LANE* lane;
    BOOL met;
  } cases[] = {
      // Category alone: the lane only has to have it.
      {"Species", ecoli.lane, TRUE},
      {"Species", no_species.lane, FALSE},
      {"  \tSpecies", ecoli.lane, TRUE},  // leading blanks skipped
      // Negated category.
      {"!Species", no_species.lane, TRUE},
      {"!Species", ecoli.lane, FALSE},
      {"!Species,E. coli", ecoli.lane, FALSE},
      // Plain values: any one of them.
      {"Species,E. coli,Salmonella", ecoli.lane, TRUE},
      {"Species,E. coli,Salmonella", salmonella.lane, TRUE},
      {"Species,Listeria,Shigella", ecoli.lane, FALSE},
      {"Species,Listeria", no_species.lane, FALSE},
      // Negated value: met by any other value of the category.
      {"Species,!E. coli", salmonella.lane, TRUE},
      {"Species,!E. coli", ecoli.lane, FALSE},
      {"Species,!Listeria,E. coli", salmonella.lane, TRUE},  // decided at the first token
      {"Species,Listeria,!E. coli", ecoli.lane, FALSE},
      // Blanks after a comma are skipped; blanks before it belong to the token.
      {"Species,  \tE. coli", ecoli.lane, TRUE},
      {"Species ,E. coli", ecoli.lane, FALSE},
      {"Species ,E. coli", trailing.lane, TRUE},
      {"Species,E. coli ", ecoli.lane, FALSE},
      // Quotes dropped, empty tokens skipped.
      {"\"Species\",\"E. coli\"", ecoli.lane, TRUE},
      {"Species,,,E. coli", ecoli.lane, TRUE},
      {"Species,,", ecoli.lane, TRUE},
      // Blank lines are not met.
      {"", ecoli.lane, FALSE},
      {" \t ", ecoli.lane, FALSE},
      // Only labelled characteristics count.
      {"Species", unlabelled.lane, FALSE},
      {"Site,North", unlabelled.lane, TRUE},
      // A token of 19 characters and more: cut at 19, the next character skipped, the rest
      // read as the next token.
      {"ABCDEFGHIJKLMNOPQRS", long_name.lane, TRUE},
      {"ABCDEFGHIJKLMNOPQRSTv", long_name.lane, TRUE},
      {"ABCDEFGHIJKLMNOPQRSTw", long_name.lane, FALSE},
      {"ABCDEFGHIJKLMNOPQRS,v", long_name.lane, TRUE},
  };
  for (const Case& k : cases)
    EXPECT_EQ(ln_match_one_char(k.lane, 0, k.line), k.met) << "line <" << k.line << ">";
}

TEST(LaneSelection, TableMeetsWhenEveryLineIsMet) {
  CharLane ecoli(Chars{{"Species", "E. coli"}, {"Site", "North"}});
  CharLane south(Chars{{"Species", "E. coli"}, {"Site", "South"}});
  CharLane none(Chars{});
  CharLane unlabelled(Chars{{"Species", "E. coli"}}, 0);

  char** table = static_cast<char**>(ks_alloc_msg(sizeof(char*) * LN_SEL_SLOTS));
  // All slots empty: met by any lane with a labelled characteristic.
  EXPECT_TRUE(ln_meet_lanesel(ecoli.lane, table));
  EXPECT_FALSE(ln_meet_lanesel(none.lane, table));
  EXPECT_FALSE(ln_meet_lanesel(unlabelled.lane, table));

  auto put = [&](int slot, const char* text) {
    table[slot] = static_cast<char*>(ks_alloc_msg(std::strlen(text) + 1));
    std::strcpy(table[slot], text);
  };
  put(0, "Species,E. coli");
  put(5, "");  // empty lines count as met
  put(19, "Site,!South");
  EXPECT_TRUE(ln_meet_lanesel(ecoli.lane, table));
  EXPECT_FALSE(ln_meet_lanesel(south.lane, table));
  ln_free_lanesel(table);
}

TEST(LaneSelection, ReadingAFileFillsAtMostTwentySlots) {
  vxtest::TempDir dir;
  std::string text;
  for (int i = 0; i < 25; ++i) text += "Cat" + std::to_string(i) + ",v\r\n";
  auto path = dir.path() / "sel.txt";
  vxtest::write_bytes(path, std::vector<unsigned char>(text.begin(), text.end()));

  char** table = nullptr;
  ASSERT_EQ(ln_read_lanesel(path.c_str(), &table), 0);
  ASSERT_NE(table, nullptr);
  for (int i = 0; i < LN_SEL_SLOTS; ++i) {
    ASSERT_NE(table[i], nullptr) << i;
    EXPECT_EQ(std::string(table[i]), "Cat" + std::to_string(i) + ",v");  // no line end
  }
  ln_free_lanesel(table);

  // A short file without a final line end: the rest of the slots stay NULL.
  auto short_path = dir.path() / "short.txt";
  std::string s = "Species\n\nSite,North";
  vxtest::write_bytes(short_path, std::vector<unsigned char>(s.begin(), s.end()));
  ASSERT_EQ(ln_read_lanesel(short_path.c_str(), &table), 0);
  EXPECT_STREQ(table[0], "Species");
  EXPECT_STREQ(table[1], "");
  EXPECT_STREQ(table[2], "Site,North");
  EXPECT_EQ(table[3], nullptr);
  ln_free_lanesel(table);

  table = nullptr;
  EXPECT_EQ(ln_read_lanesel((dir.path() / "missing.txt").c_str(), &table), -1);
  ASSERT_NE(table, nullptr);
  for (int i = 0; i < LN_SEL_SLOTS; ++i) EXPECT_EQ(table[i], nullptr);
  ln_free_lanesel(table);
}
