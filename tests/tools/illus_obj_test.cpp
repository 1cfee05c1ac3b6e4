// Annotation objects: making, deleting, duplicating, their rectangles and what painting draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/ks_mem.h"
#include "io/byte_io.h"
#include "io/commentary.h"
#include "shell/ih_draw.h"
#include "test_support.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_res.h"
#include "tools/ui_illus.h"
#include "tools/ui_illus_obj.h"

namespace {

void load_fonts() {
  if (!RES_LoadFont("ui_font", "ui_font_helv_12_bold"))
    RES_OpenFile("ui_font", (vxtest::source_dir() / "resources/ui_font.res").c_str());
}

// A display record of its own with its chain freed at the end.
struct Disp {
  IMG_DATA d{};
  Disp() {
    d.img_width = d.pix_width = 200;
    d.img_height = d.pix_height = 100;
    d.scale = 1.0;
    d.zoom[0] = d.zoom[1] = d.zoom[2] = 1;
    ui_illus_set_controls(IllusControls{});
    ui_illus_set_state(ILLUS_SELECT);
  }
  ~Disp() { io_free_commentary(static_cast<COMM_OBJ*>(d.annot_first)); }
  COMM_OBJ* make(int type, std::initializer_list<int> words) {
    COMM_OBJ* o = ui_illus_obj_create(&d, type, 0, 0);
    int i = 0;
    for (int w : words) static_cast<int*>(o->data)[i++] = w;
    ui_illus_set_encomp_rect(&d, o);
    return o;
  }
  COMM_OBJ* poly(int type, std::initializer_list<COMM_PT> pts) {
    COMM_OBJ* o = ui_illus_obj_create(&d, type, 0, 0);
    auto* pd = static_cast<COMM_POLY_DATA*>(o->data);  // count and points lead both layouts
    pd->points = static_cast<COMM_PT*>(ks_alloc_msg(sizeof(COMM_PT) * pts.size()));
    for (COMM_PT p : pts) pd->points[pd->count++] = p;
    ui_illus_set_encomp_rect(&d, o);
    return o;
  }
  COMM_OBJ* text(int x, int y, const char* s) {
    COMM_OBJ* o = ui_illus_obj_create(&d, COMM_T_TEXT, x, y);
    auto* t = static_cast<COMM_TEXT_DATA*>(o->data);
    t->x = x, t->y = y, t->len = static_cast<int>(std::strlen(s));
    t->string = static_cast<char*>(ks_alloc_msg(std::strlen(s) + 1));
    std::memcpy(t->string, s, std::strlen(s) + 1);
    ui_illus_set_encomp_rect(&d, o);
    return o;
  }
};

std::vector<int> rect(const COMM_OBJ* o) { return {o->place[0], o->place[1], o->place[2], o->place[3]}; }

std::vector<std::vector<int>> lines_of(const std::vector<IllusShape>& s) {
  std::vector<std::vector<int>> out;
  for (const IllusShape& x : s)
    if (x.kind == IllusShape::LINE) out.push_back({x.v[0], x.v[1], x.v[2], x.v[3]});
  return out;
}

}  // namespace

TEST(IllusObj, RectanglesByTypeIncludeThePenWidth) {
  Disp d;
  ui_illus_set_controls(IllusControls{.line_width = 2});
  struct Case {
    int type;
    std::initializer_list<int> words;
    std::vector<int> rect;
  };
  const Case cases[] = {
      {COMM_T_BOX, {50, 40, 10, 20}, {7, 17, 53, 43}},
      {COMM_T_LINE, {10, 40, 50, 20}, {7, 17, 53, 43}},
      {COMM_T_ARC, {10, 20, 50, 40}, {7, 17, 53, 43}},
      {COMM_T_GRID, {10, 20, 50, 40, 1}, {7, 17, 53, 43}},
      {COMM_T_CIRCLE, {30, 40, 10}, {18, 28, 42, 52}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(rect(d.make(c.type, c.words)), c.rect);
  }
  EXPECT_EQ(rect(d.poly(COMM_T_POLYGON, {{10, 30}, {40, 5}, {25, 60}})), (std::vector<int>{7, 2, 43, 63}));
  EXPECT_EQ(rect(d.poly(COMM_T_FREE, {{10, 30}, {40, 5}})), (std::vector<int>{7, 2, 43, 33}));
}

TEST(IllusObj, TextRectangleComesFromTheFontsCharacterMetrics) {
  load_fonts();
  Disp d;
  ui_illus_set_controls(IllusControls{.font_family = 1, .font_style = 1, .font_size = 1});
  COMM_OBJ* t = d.text(20, 30, "Ag7");
  TK_OBJ font = ih_get_font(1, 1, 1);
  ASSERT_NE(font, nullptr);
  int sum = 0, up = 0, down = 0;
  for (unsigned char c : std::string("Ag7")) {
    int a, u, w;
    ASSERT_TRUE(FONT_CharMetrics(font, c, &a, &u, &w));
    sum += a, up = std::max(up, u), down = std::max(down, w);
  }
  EXPECT_GT(sum, 0);
  EXPECT_EQ(rect(t), (std::vector<int>{19, 30, 21 + sum, 34 + up + down}));

  COMM_OBJ* empty = d.text(5, 6, "");
  EXPECT_TRUE(ui_illus_obj_shapes(empty).empty());  // nothing painted, rectangle kept
  EXPECT_EQ(rect(empty), (std::vector<int>{4, 6, 6, 10}));
}

TEST(IllusObj, CreateAppendsSelectsAndDeleteKeepsTheChainRight) {
  Disp d;
  COMM_OBJ* a = d.make(COMM_T_BOX, {1, 1, 9, 9});
  EXPECT_EQ(d.d.annot_selected, a);
  EXPECT_EQ(d.d.modified, 1);
  COMM_OBJ* b = d.make(COMM_T_CIRCLE, {5, 5, 3});
  COMM_OBJ* c = d.make(COMM_T_LINE, {1, 2, 3, 4});
  EXPECT_EQ(d.d.annot_last, c);
  ui_illus_obj_delete(&d.d, c);
  EXPECT_EQ(d.d.annot_last, b);
  EXPECT_EQ(d.d.annot_selected, nullptr);
  ui_illus_obj_delete(&d.d, a);
  EXPECT_EQ(static_cast<COMM_OBJ*>(d.d.annot_first)->next, b);
  ui_illus_obj_delete(&d.d, b);
  // Deleting the only object leaves the head alone; a new object lands after it.
  EXPECT_EQ(ui_illus_obj_count(&d.d), 0);
  EXPECT_EQ(d.d.annot_last, d.d.annot_first);
  COMM_OBJ* e = d.make(COMM_T_BOX, {1, 1, 9, 9});
  EXPECT_EQ(static_cast<COMM_OBJ*>(d.d.annot_first)->next, e);
}

TEST(IllusObj, DuplicatesAreShiftedCopiesWithTheirOwnData) {
  Disp d;
  COMM_OBJ* p = d.poly(COMM_T_POLYGON, {{1, 2}, {30, 4}, {5, 60}});
  COMM_OBJ* q = ui_illus_obj_duplicate(&d.d, nullptr, p);
  ASSERT_NE(q, nullptr);
  auto* pd = static_cast<COMM_POLY_DATA*>(p->data);
  auto* qd = static_cast<COMM_POLY_DATA*>(q->data);
  ASSERT_EQ(qd->count, 3);
  EXPECT_NE(qd->points, pd->points);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(qd->points[i].x, pd->points[i].x + 10);
    EXPECT_EQ(qd->points[i].y, pd->points[i].y + 10);
  }
  EXPECT_EQ(qd->open, 0);
  EXPECT_EQ(d.d.annot_selected, q);
  EXPECT_EQ(rect(q)[0], rect(p)[0] + 10);

  COMM_OBJ* c = d.make(COMM_T_CIRCLE, {40, 50, 7});
  auto* cd = static_cast<int*>(ui_illus_obj_duplicate(&d.d, nullptr, c)->data);
  EXPECT_EQ(cd[0], 50);
  EXPECT_EQ(cd[1], 60);
  EXPECT_EQ(cd[2], 7);

  COMM_OBJ* t = d.text(3, 4, "abc");
  auto* td = static_cast<COMM_TEXT_DATA*>(ui_illus_obj_duplicate(&d.d, nullptr, t)->data);
  EXPECT_STREQ(td->string, "abc");
  EXPECT_NE(td->string, static_cast<COMM_TEXT_DATA*>(t->data)->string);
  EXPECT_EQ(td->x, 13);
  EXPECT_EQ(ui_illus_obj_duplicate(&d.d, nullptr, nullptr), nullptr);
}

TEST(IllusObj, ArrowedLinesStopShortOfTheirHeads) {
  Disp d;
  ui_illus_set_controls(IllusControls{.line_width = 2, .arrows = 3});
  COMM_OBJ* h = d.make(COMM_T_LINE, {10, 20, 60, 20});
  auto s = ui_illus_obj_shapes(h);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(lines_of(s)[0], (std::vector<int>{12, 20, 58, 20}));
  EXPECT_EQ(s[1].kind, IllusShape::HEAD);
  EXPECT_EQ(s[1].v[0], 10);  // the heads' tips are the unshortened ends
  EXPECT_EQ(s[2].v[0], 60);

  COMM_OBJ* diag = d.make(COMM_T_LINE2, {10, 10, 50, 50});
  EXPECT_EQ(lines_of(ui_illus_obj_shapes(diag))[0], (std::vector<int>{15, 15, 45, 45}));
  COMM_OBJ* back = d.make(COMM_T_LINE, {50, 50, 10, 10});
  EXPECT_EQ(lines_of(ui_illus_obj_shapes(back))[0], (std::vector<int>{45, 45, 15, 15}));

  ui_illus_set_controls(IllusControls{.line_width = 1, .arrows = 1});
  COMM_OBJ* v = d.make(COMM_T_LINE, {10, 10, 10, 50});
  s = ui_illus_obj_shapes(v);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(lines_of(s)[0], (std::vector<int>{10, 10, 10, 49}));
  // Head of length 4 w + 8 = 12 whose wings lie 10 radians either side of the shaft.
  const double t = 1.57079632679;
  EXPECT_EQ(s[1].v[2], static_cast<int>(std::trunc(10 + 12 * std::cos(t + 10))));
  EXPECT_EQ(s[1].v[5], static_cast<int>(std::trunc(50 + 12 * std::sin(t - 10))));
}

TEST(IllusObj, ArcsTakeTheirQuadrantFromTheCornerOrder) {
  Disp d;
  struct Case {
    std::initializer_list<int> words;
    double start, end;
  };
  const Case cases[] = {{{10, 10, 40, 30}, 0, 90},
                        {{10, 30, 40, 10}, 270, 360},
                        {{40, 10, 10, 30}, 90, 180},
                        {{40, 30, 10, 10}, 180, 270}};
  for (const Case& c : cases) {
    auto s = ui_illus_obj_shapes(d.make(COMM_T_ARC, c.words));
    ASSERT_EQ(s.size(), 1u);
    const int* w = c.words.begin();
    EXPECT_EQ(s[0].v[0], w[0]);  // centre (x1, y2)
    EXPECT_EQ(s[0].v[1], w[3]);
    EXPECT_EQ(s[0].v[2], 60);
    EXPECT_EQ(s[0].v[3], 40);
    EXPECT_EQ(s[0].start, c.start);
    EXPECT_EQ(s[0].end, c.end);
  }
  ui_illus_set_controls(IllusControls{.line_width = 1, .arrows = 3});
  auto s = ui_illus_obj_shapes(d.make(COMM_T_ARC, {10, 10, 40, 30}));
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ((std::vector<int>{s[1].v[0], s[1].v[1]}), (std::vector<int>{9, 10}));
  EXPECT_EQ((std::vector<int>{s[2].v[0], s[2].v[1]}), (std::vector<int>{40, 31}));
}

TEST(IllusObj, GridsAndPointListsDrawOnlyWhatTheirDataHold) {
  Disp d;
  auto s = ui_illus_obj_shapes(d.make(COMM_T_GRID, {50, 30, 10, 10, 2}));
  EXPECT_EQ(s[0].kind, IllusShape::BOX);
  EXPECT_EQ(lines_of(s), (std::vector<std::vector<int>>{
                             {10, 10, 50, 10}, {10, 26, 50, 26}, {10, 10, 10, 30}, {26, 10, 26, 30}, {42, 10, 42, 30}}));
  // A stored grid of spacing 0 or less draws its frame and stays selectable.
  for (int spacing : {0, -3}) {
    COMM_OBJ* g = d.make(COMM_T_GRID, {10, 10, 50, 30, spacing});
    EXPECT_EQ(ui_illus_obj_shapes(g).size(), 1u);
    EXPECT_EQ(rect(g), (std::vector<int>{9, 9, 51, 31}));
  }
  EXPECT_TRUE(ui_illus_obj_shapes(ui_illus_obj_create(&d.d, COMM_T_POLYGON, 0, 0)).empty());
  EXPECT_EQ(lines_of(ui_illus_obj_shapes(d.poly(COMM_T_POLYGON2, {{4, 5}}))),
            (std::vector<std::vector<int>>{{4, 5, 4, 5}}));
  EXPECT_EQ(lines_of(ui_illus_obj_shapes(d.poly(COMM_T_POLYLINE, {{1, 2}, {3, 4}, {5, 6}}))).size(), 2u);
  EXPECT_EQ(lines_of(ui_illus_obj_shapes(d.poly(COMM_T_POLYGON, {{1, 2}, {3, 4}, {5, 6}}))).back(),
            (std::vector<int>{5, 6, 1, 2}));
  EXPECT_EQ(lines_of(ui_illus_obj_shapes(d.poly(COMM_T_FREE, {{1, 2}, {3, 4}, {5, 6}}))).size(), 2u);
}

TEST(IllusObj, MovingShiftsEveryCoordinateAndTheOutlineFollows) {
  Disp d;
  COMM_OBJ* b = d.make(COMM_T_BOX, {10, 20, 30, 40});
  auto out = ui_illus_obj_outline(b, 5, -5);
  EXPECT_EQ((std::vector<int>{out[0].v[0], out[0].v[1], out[0].v[2], out[0].v[3]}),
            (std::vector<int>{5, 25, 25, 45}));
  ui_illus_obj_offset(b, &d.d, nullptr, 5, -5, 1);
  EXPECT_EQ((std::vector<int>(static_cast<int*>(b->data), static_cast<int*>(b->data) + 4)),
            (std::vector<int>{5, 25, 25, 45}));
  COMM_OBJ* c = d.make(COMM_T_CIRCLE, {10, 20, 7});
  ui_illus_obj_offset(c, &d.d, nullptr, 1, 2, 1);
  EXPECT_EQ((std::vector<int>(static_cast<int*>(c->data), static_cast<int*>(c->data) + 3)),
            (std::vector<int>{9, 18, 7}));
  COMM_OBJ* p = d.poly(COMM_T_FREE, {{1, 2}, {3, 4}});
  ui_illus_obj_offset(p, &d.d, nullptr, -1, -1, 1);
  EXPECT_EQ(static_cast<COMM_FREE_DATA*>(p->data)->points[1].y, 5);
}

TEST(IllusObj, AChainSavedAndReadBackDrawsTheSame) {
  load_fonts();
  Disp d;
  ui_illus_set_controls(IllusControls{.color = 3, .line_width = 1, .arrows = 2});
  d.make(COMM_T_LINE, {3, 4, 50, 60});
  d.make(COMM_T_ARC, {10, 10, 40, 30});
  d.make(COMM_T_GRID, {10, 10, 50, 30, 1});
  d.poly(COMM_T_POLYGON, {{1, 2}, {30, 4}, {5, 60}});
  d.poly(COMM_T_FREE, {{1, 2}, {3, 4}});
  d.text(7, 8, "Note");
  ByteWriter w;
  ANALYSIS_ENTRY e{};
  e.type = 26;
  e.record = d.d.annot_first;
  ANALYSIS_TOKEN token{};
  ASSERT_EQ(io_wr_commentary(w, &e, &token), 0);
  token.analysis_type = 26;
  token.analysis_length = static_cast<int32_t>(w.buffer().size());
  ByteReader r(w.buffer(), false);
  ANALYSIS_ENTRY back{};
  ASSERT_EQ(io_rd_commentary(r, &back, &token, 0), 0);
  const COMM_OBJ* a = static_cast<COMM_OBJ*>(d.d.annot_first)->next;
  const COMM_OBJ* b = static_cast<COMM_OBJ*>(back.record)->next;
  int n = 0;
  for (; a && b; a = a->next, b = b->next, ++n) {
    EXPECT_EQ(a->color, b->color);
    EXPECT_EQ(rect(a), rect(b));
    auto sa = ui_illus_obj_shapes(a), sb = ui_illus_obj_shapes(b);
    ASSERT_EQ(sa.size(), sb.size());
    for (std::size_t i = 0; i < sa.size(); ++i) {
      EXPECT_EQ(sa[i].kind, sb[i].kind);
      EXPECT_TRUE(std::equal(sa[i].v, sa[i].v + 6, sb[i].v));
      EXPECT_EQ(sa[i].text, sb[i].text);
    }
  }
  EXPECT_EQ(n, 6);
  EXPECT_EQ(a, b);
  io_free_commentary_entry(&back);
}
