// Commentary records (annotation objects) and the text part.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/commentary.h"
#include "fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using iofix::Pack;

int32_t* words(std::initializer_list<int32_t> v) {
  auto* p = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * v.size()));
  int k = 0;
  for (int32_t x : v) p[k++] = x;
  return p;
}

COMM_OBJ* obj(int32_t type, int32_t color) {
  auto* o = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
  o->type = type;
  o->color = color;
  for (int k = 0; k < 4; ++k) o->place[k] = type * 10 + k;
  if (type == COMM_T_TEXT) {
    o->font_style = words({1, 2, 3});
  } else if (type >= 1 && type <= 10) {
    o->line_style = words({4, 5, 6});
  }
  switch (type) {
    case COMM_T_TEXT: {
      auto* t = static_cast<COMM_TEXT_DATA*>(ks_alloc_msg(sizeof(COMM_TEXT_DATA)));
      t->x = 7;
      t->y = 8;
      t->len = 5;
      t->string = static_cast<char*>(ks_alloc_msg(6));
      std::memcpy(t->string, "Hello", 6);
      o->data = t;
      break;
    }
    case COMM_T_BOX: case COMM_T_LINE: case COMM_T_LINE2: case COMM_T_ARC:
      o->data = words({type, 2, 3, 4});
      break;
    case COMM_T_CIRCLE:
      o->data = words({9, 8, 7});
      break;
    case COMM_T_GRID:
      o->data = words({1, 2, 3, 4, 5});
      break;
    case COMM_T_POLYLINE: case COMM_T_POLYGON: case COMM_T_POLYGON2: {
      auto* p = static_cast<COMM_POLY_DATA*>(ks_alloc_msg(sizeof(COMM_POLY_DATA)));
      p->count = 2;
      p->open = 33;
      p->points = static_cast<COMM_PT*>(ks_alloc_msg(2 * sizeof(COMM_PT)));
      p->points[0] = {1, 2};
      p->points[1] = {3, 4};
      o->data = p;
      break;
    }
    case COMM_T_FREE: {
      auto* f = static_cast<COMM_FREE_DATA*>(ks_alloc_msg(sizeof(COMM_FREE_DATA)));
      f->count = 1;
      f->points = static_cast<COMM_PT*>(ks_alloc_msg(sizeof(COMM_PT)));
      f->points[0] = {-5, 6};
      o->data = f;
      break;
    }
    default:
      break;
  }
  return o;
}

// The bytes one object of the chain above must take, packed by hand.
void expect_obj(Pack& p, int32_t type, int32_t color) {
  p.i(type).i(color).i(0).i(0);
  for (int k = 0; k < 4; ++k) p.i(type * 10 + k);
  if (type == COMM_T_TEXT) {
    p.i(1).i(2).i(3).i(7).i(8).i(5).i(0).s("Hello");
  } else if (type >= 1 && type <= 10) {
    p.i(4).i(5).i(6);
    switch (type) {
      case COMM_T_BOX: case COMM_T_LINE: case COMM_T_LINE2: case COMM_T_ARC:
        p.i(type).i(2).i(3).i(4);
        break;
      case COMM_T_CIRCLE: p.i(9).i(8).i(7); break;
      case COMM_T_GRID: p.i(1).i(2).i(3).i(4).i(5); break;
      case COMM_T_FREE: p.i(1).i(0).i(-5).i(6); break;
      default: p.i(2).i(0).i(33).i(1).i(2).i(3).i(4); break;  // polygons
    }
  }
}

const int32_t kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};

struct Chain {
  ANALYSIS_ENTRY entry{};
  Chain() {
    auto* head = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
    COMM_OBJ* last = head;
    for (int32_t t : kTypes) last = last->next = obj(t, 100 + t);
    entry.type = 26;
    entry.record = head;
  }
  ~Chain() { io_free_commentary_entry(&entry); }
};

int read_back(const Bytes& bytes, int count, bool big, ANALYSIS_ENTRY* out) {
  ByteReader r(bytes, big);
  ANALYSIS_TOKEN t{};
  t.analysis_type = 26;
  t.analysis_length = static_cast<int32_t>(bytes.size());
  t.count = count;
  return io_rd_commentary(r, out, &t, big ? 1 : 0);
}

}  // namespace

TEST(Commentary, EveryObjectTypeMatchesItsLayoutAndRoundTrips) {
  Chain c;
  ByteWriter w;
  ANALYSIS_TOKEN token{};
  ASSERT_EQ(io_wr_commentary(w, &c.entry, &token), 0);
  EXPECT_EQ(token.version, 1);
  EXPECT_EQ(token.count, 12);
  Pack expect;
  for (int32_t t : kTypes) expect_obj(expect, t, 100 + t);
  ASSERT_EQ(w.buffer(), expect.b);

  ANALYSIS_ENTRY back{};
  ASSERT_EQ(read_back(w.buffer(), 12, false, &back), 0);
  auto* o = static_cast<COMM_OBJ*>(back.record)->next;
  for (int32_t t : kTypes) {
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->type, t);
    EXPECT_EQ(o->color, 100 + t);
    EXPECT_EQ(o->place[3], t * 10 + 3);
    if (t == COMM_T_TEXT) {
      auto* d = static_cast<COMM_TEXT_DATA*>(o->data);
      EXPECT_STREQ(d->string, "Hello");  // NUL-terminated on reading
      EXPECT_EQ(d->len, 5);
      EXPECT_EQ(o->font_style[2], 3);
    } else if (t == COMM_T_FREE) {
      EXPECT_EQ(static_cast<COMM_FREE_DATA*>(o->data)->points[0].x, -5);
    } else if (t == COMM_T_POLYGON2) {
      auto* p = static_cast<COMM_POLY_DATA*>(o->data);
      EXPECT_EQ(p->count, 2);
      EXPECT_EQ(p->open, 33);
      EXPECT_EQ(p->points[1].y, 4);
    } else if (t == COMM_T_GRID) {
      EXPECT_EQ(static_cast<int32_t*>(o->data)[4], 5);
    } else if (t > 10) {
      EXPECT_EQ(o->data, nullptr);  // only the common part
      EXPECT_EQ(o->line_style, nullptr);
    }
    if (t >= 1 && t <= 10) {
      EXPECT_EQ(o->line_style[1], 5);
    }
    o = o->next;
  }
  EXPECT_EQ(o, nullptr);
  io_free_commentary_entry(&back);

  // The same record in big-endian order reads the same.
  ByteWriter wb(true);
  ASSERT_EQ(io_wr_commentary(wb, &c.entry, &token), 0);
  ANALYSIS_ENTRY big{};
  ASSERT_EQ(read_back(wb.buffer(), 12, true, &big), 0);
  auto* first = static_cast<COMM_OBJ*>(big.record)->next;
  EXPECT_EQ(first->color, 100);
  EXPECT_STREQ(static_cast<COMM_TEXT_DATA*>(first->data)->string, "Hello");
  io_free_commentary_entry(&big);
}

TEST(Commentary, TruncatedAndCorruptRecordsFailWithoutLeaks) {
  Chain c;
  ByteWriter w;
  ANALYSIS_TOKEN token{};
  ASSERT_EQ(io_wr_commentary(w, &c.entry, &token), 0);
  const Bytes full = w.buffer();
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    ANALYSIS_ENTRY e{};
    EXPECT_EQ(read_back(part, 12, false, &e), -5) << cut;
    EXPECT_EQ(e.record, nullptr);
  }
  struct Case { const char* what; std::size_t off; int32_t value; int count; };
  const Case cases[] = {
      {"text length beyond the record", 32 + 12 + 8, 1000000, 12},
      {"negative text length", 32 + 12 + 8, -1, 12},
      {"polygon count beyond the record", 0, 0, 12},  // patched below
      {"object count beyond the record", 0, 0, 100000},
      {"negative object count", 0, 0, -1},
  };
  for (const Case& k : cases) {
    Bytes b = full;
    std::size_t off = k.off;
    if (std::string(k.what).rfind("polygon", 0) == 0) {
      // Objects 0..2 (text, box, circle) come first; the polygon's count follows its style.
      off = (32 + 12 + 16 + 5) + (32 + 12 + 16) + (32 + 12 + 12) + 32 + 12;
      ASSERT_EQ(b[off], 2);  // the polygon's point count
      b[off] = 0xFF;
      b[off + 1] = 0xFF;
    } else if (k.off != 0) {
      for (int i = 0; i < 4; ++i) b[off + i] = uint8_t(uint32_t(k.value) >> (8 * i));
    }
    ANALYSIS_ENTRY e{};
    EXPECT_EQ(read_back(b, k.count, false, &e), -5) << k.what;
    io_free_commentary_entry(&e);
  }
  ANALYSIS_ENTRY none{};
  ByteWriter w2;
  EXPECT_EQ(io_wr_commentary(w2, &none, &token), -1);  // no chain
  ANALYSIS_ENTRY empty{};
  ASSERT_EQ(read_back({}, 0, false, &empty), 0);      // no objects: an empty chain
  ASSERT_NE(empty.record, nullptr);
  EXPECT_EQ(static_cast<COMM_OBJ*>(empty.record)->next, nullptr);
  io_free_commentary_entry(&empty);
}

TEST(CommentText, LongCommentIsCutInTheFileOnly) {
  struct Case { std::size_t len; std::size_t stored; bool nul_last; };
  const Case cases[] = {{0, 0, false}, {5, 5, false}, {32766, 32766, false},
                        {32767, 32766, true}, {40000, 32766, true}};
  for (const Case& c : cases) {
    std::string text(c.len, 'a');
    for (std::size_t i = 0; i < c.len; ++i) text[i] = char('a' + i % 26);
    const std::string before = text;
    ANALYSIS_ENTRY e{};
    e.type = 505;
    e.record = text.data();
    ByteWriter w;
    ASSERT_EQ(io_wr_ascii(w, &e, nullptr), 0);
    EXPECT_EQ(text, before) << c.len;  // the caller's text is untouched
    ASSERT_EQ(w.size(), c.stored) << c.len;
    if (c.nul_last) {
      EXPECT_EQ(w.buffer().back(), 0);
      EXPECT_EQ(std::memcmp(w.data(), text.data(), 32765), 0);
    }
    ByteReader r(w.buffer());
    ANALYSIS_ENTRY back{};
    ASSERT_EQ(io_rd_ascii(r, &back, nullptr, 0), 0);
    if (c.len == 0) {
      EXPECT_EQ(back.record, nullptr);
    } else {
      EXPECT_EQ(std::string(static_cast<char*>(back.record)), text.substr(0, c.nul_last ? 32765 : c.len));
    }
    ks_free(back.record);
  }
  ANALYSIS_ENTRY null_text{};
  ByteWriter w;
  EXPECT_EQ(io_wr_ascii(w, &null_text, nullptr), -1);
  // A text file longer than the text part's limit is read up to the limit.
  Bytes big(40000, 'z');
  ByteReader r(big);
  ANALYSIS_ENTRY e{};
  ASSERT_EQ(io_rd_ascii(r, &e, nullptr, 0), 0);
  EXPECT_EQ(std::strlen(static_cast<char*>(e.record)), 32766u);
  ks_free(e.record);
}

TEST(Commentary, TextLengthNeverRunsPastTheText) {
  Chain c;
  auto* t = static_cast<COMM_TEXT_DATA*>(static_cast<COMM_OBJ*>(c.entry.record)->next->data);
  t->len = 500;  // longer than "Hello"
  ByteWriter w;
  ANALYSIS_TOKEN token{};
  ASSERT_EQ(io_wr_commentary(w, &c.entry, &token), 0);
  EXPECT_EQ(w.buffer()[32 + 12 + 8], 5);  // the stored length
  ANALYSIS_ENTRY back{};
  ASSERT_EQ(read_back(w.buffer(), 12, false, &back), 0);
  EXPECT_STREQ(static_cast<COMM_TEXT_DATA*>(static_cast<COMM_OBJ*>(back.record)->next->data)->string,
               "Hello");
  io_free_commentary_entry(&back);
}
