// Writes the starting corpus of every fuzz target with the program's own writers, so that the
// seeds follow the file layouts as they change. Usage: fuzz-seeds OUTDIR
// Each target's seeds go to OUTDIR/<target>/. Files that the program reads but never writes
// (match and selection files, calibration values, fractions) get the examples their readers
// document.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquire/io_export.h"
#include "acquire/ui_dialogs.h"
#include "base/ks_mem.h"
#include "base/ks_profile.h"
#include "base/lane_comment.h"
#include "fuzz_image.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/byte_io.h"
#include "io/commentary.h"
#include "io/img_state.h"
#include "io/kes_image.h"
#include "io/legacy_records.h"
#include "io/legacy_state.h"
#include "model/control.h"
#include "record_fixtures.h"
#include "shell/dib.h"
#include "tools/lbl_files.h"

namespace fs = std::filesystem;

namespace {

fs::path g_out;
fs::path g_scratch;

void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz-seeds: %s\n", what.c_str());
  std::exit(1);
}

void put(const char* target, const std::string& name, const std::vector<uint8_t>& bytes) {
  const fs::path dir = g_out / target;
  fs::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) fail("cannot write " + (dir / name).string());
}

void put_text(const char* target, const std::string& name, const std::string& text) {
  put(target, name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> slurp(const fs::path& p) {
  std::vector<uint8_t> b;
  if (!io_read_whole_file(p.string().c_str(), b, std::size_t(1) << 24)) fail("cannot read " + p.string());
  return b;
}

// Pixel files: an 8-bit gel with two dark lanes and a 16-bit strip.
void pixel_seeds() {
  for (int bpp : {1, 2}) {
    const int w = bpp == 1 ? 16 : 9, h = bpp == 1 ? 12 : 7;
    ByteWriter kes;
    io_put_kes_header(kes, bpp, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int v = (x % 8 < 3 && y % 4 == 1) ? 40 : 220 - 3 * y;
        if (bpp == 2) kes.u16(static_cast<uint16_t>(v * 251)); else kes.u8(static_cast<uint8_t>(v));
      }
    put("fuzz_kes", bpp == 1 ? "gel8.kes" : "strip16.kes", kes.buffer());
  }
}

// Baseline points without built values, so that opening the image builds them.
void add_baseline(LANE* ln) {
  ln->bckgrnd_type = 1;
  LN_FEAT* tail = ln->baseline;
  const int pts[3][2] = {{30, 0}, {45, 5}, {38, 10}};
  for (const auto& p : pts) {
    LN_FEAT* f = ln_make_feat_node();
    f->feat.x = p[0];
    f->feat.y = p[1];
    tail->next = f;
    tail = f;
  }
  ln->num_base_ptrs = 3;
}

// An analysed image saved as the program saves it: info file, analysis file and text part.
void image_seeds() {
  const std::string kes = (g_scratch / "gel.kes").string();
  ByteWriter pixels;
  io_put_kes_header(pixels, 1, 16, 12);
  for (int i = 0; i < 16 * 12; ++i) pixels.u8(static_cast<uint8_t>(i));
  if (!io_write_file_replace(kes.c_str(), pixels.buffer())) fail("cannot write the pixel file");

  vxfuzz::Image image;
  IMAGE_REC* im = image.get();
  if (!iofix::fill(im)) fail("no memory");
  for (LANE* l = im->lanes->next; l; l = l->next) add_baseline(l);
  // A text and a polygon after the annotation box.
  auto* text = ks_new_rec<COMM_OBJ>();
  text->type = COMM_T_TEXT;
  text->font_style = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
  auto* td = ks_new_rec<COMM_TEXT_DATA>();
  td->len = 4;
  td->string = static_cast<char*>(ks_alloc_msg(5));
  std::strcpy(td->string, "band");
  text->data = td;
  auto* line = ks_new_rec<COMM_OBJ>();
  line->type = COMM_T_POLYLINE;
  line->line_style = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
  auto* pd = ks_new_rec<COMM_POLY_DATA>();
  pd->count = 2;
  pd->points = static_cast<COMM_PT*>(ks_alloc_msg(2 * sizeof(COMM_PT)));
  pd->points[1] = {7, 9};
  line->data = pd;
  static_cast<COMM_OBJ*>(im->img_ptr->annot_last)->next = text;
  text->next = line;
  im->img_ptr->annot_last = line;
  if (!gt_prepare_and_write(kes.c_str(), im->img_ptr, im)) fail("cannot save the analysis");

  const std::vector<uint8_t> gt = slurp(g_scratch / "gel.gt");
  put("fuzz_analysis", "analysed.gt", gt);
  put("fuzz_open_analysis", "analysed.gt", gt);
  put("fuzz_cmt", "comment.cmt", slurp(g_scratch / "gel.cmt"));
  put("fuzz_kei", "gel.kei", slurp(g_scratch / "gel.kei"));
}

void family_seeds() {
  int n = 0;
  ANALYSIS_ENTRY** families = iofix::every_family_list(&n);
  std::vector<ANALYSIS_ENTRY*> list(families, families + n);
  for (bool big : {false, true}) {
    ByteWriter bin(big), text;
    if (io_build_app(families, n, big, bin, text) != 0) fail("cannot build the families");
    put("fuzz_analysis", big ? "families_mm.gt" : "families_ii.gt", bin.buffer());
  }
  // One record at a time for the legacy target: type choice, flags, version, count, record.
  static const int kLegacyTypes[] = {36, 47, 35, 41, 34, 40, 46, 30, 50, 55, 56};
  for (ANALYSIS_ENTRY* e : list) {
    for (int idx = 0; idx < int(sizeof kLegacyTypes / sizeof kLegacyTypes[0]); ++idx) {
      if (kLegacyTypes[idx] != e->type) continue;
      for (bool big : {false, true}) {
        ByteWriter rec(big);
        ANALYSIS_TOKEN token{};
        token.analysis_type = e->type;
        if (io_write_binary(&token, rec, e) != 0) fail("cannot write a legacy record");
        ByteWriter seed;
        seed.u8(static_cast<uint8_t>(idx));
        seed.u8(big ? 1 : 0);
        seed.i32(token.version);
        seed.i32(token.count);
        std::vector<uint8_t> bytes = seed.buffer();
        bytes.insert(bytes.end(), rec.buffer().begin(), rec.buffer().end());
        put("fuzz_legacy", "type" + std::to_string(e->type) + (big ? "_mm" : "_ii"), bytes);
      }
    }
  }
  io_free_analysis_list(families, n);
}

// Preferences files: the control record's snapshot, and the older state records that
// preferences files may hold.
void prefs_seeds() {
  vxfuzz::reset_control();
  CONTROL* ctl = gt_get_control();
  ctl->max_lane_chars = 4;
  ctl->num_lane_chars = 2;
  ctl->lane_chars = static_cast<char(*)[CTL_LC_NAME]>(ks_alloc_msg(4 * CTL_LC_NAME));
  std::strcpy(ctl->lane_chars[0], "dose");
  std::strcpy(ctl->lane_chars[1], "strain");
  std::snprintf(ctl->recent[0], CTL_PATH, "/data/gels/gel.kes");
  const std::string prf = (g_scratch / "gt_init.prf").string();
  if (!gt_prep_prefs_and_write(prf.c_str(), ctl)) fail("cannot write the preferences");
  put("fuzz_prefs", "gt_init.prf", slurp(prf));
  // Regression cases: precisions that printf would take as they are (one band report cell once
  // took 87 s and 10 GB), and column codes whose index arithmetic overflowed.
  ctl->size_digits = INT32_MAX;
  ctl->conc_digits = INT32_MAX;
  if (!gt_prep_prefs_and_write(prf.c_str(), ctl)) fail("cannot write the preferences");
  put("fuzz_prefs", "digits.prf", slurp(prf));
  ctl->size_digits = 1;
  ctl->conc_digits = 3;
  const int32_t codes[] = {INT32_MIN, INT32_MAX, INT32_MAX - 50, 5, 101};
  for (REPORT_CFG* cfg : {&ctl->band_cfg, &ctl->lmatch_cfg}) {
    for (int i = 0; i < 5; ++i) cfg->fld_ids[i] = codes[i];
    cfg->num_fld_ids = 5;
  }
  if (!gt_prep_prefs_and_write(prf.c_str(), ctl)) fail("cannot write the preferences");
  put("fuzz_prefs", "columns.prf", slurp(prf));
  vxfuzz::reset_control();

  struct Older {
    int type;
    void* record;
  };
  auto* prf_state = ks_new_rec<KR_PRF_STATE>();
  prf_state->s.w2244 = 5;
  auto* mj = ks_new_rec<MJ_IMG_STATE>();
  mj->d0 = 2.0;
  for (Older o : {Older{55, prf_state}, Older{56, mj}}) {
    ANALYSIS_ENTRY** list = io_alloc_analysis_list(1);
    list[0] = iofix::entry(o.type, o.record);
    const std::string path = (g_scratch / ("older" + std::to_string(o.type) + ".prf")).string();
    if (io_write_misc(path.c_str(), list) != 0) fail("cannot write an older preferences file");
    put("fuzz_prefs", "older" + std::to_string(o.type) + ".prf", slurp(path));
    // The same record for the legacy target.
    ByteWriter rec;
    ANALYSIS_TOKEN token{};
    token.analysis_type = o.type;
    io_write_misc_file(&token, rec, list[0]);
    ByteWriter seed;
    seed.u8(o.type == 55 ? 9 : 10);
    seed.u8(0);
    seed.i32(token.version);
    seed.i32(token.count);
    std::vector<uint8_t> bytes = seed.buffer();
    bytes.insert(bytes.end(), rec.buffer().begin(), rec.buffer().end());
    put("fuzz_legacy", "type" + std::to_string(o.type) + "_ii", bytes);
    io_free_analysis_list(list, 1);
  }
}

// BMP files of the three depths the program writes, and a bare DIB block.
void bmp_seeds() {
  for (int bits : {8, 16, 24}) {
    HDIB dib = MakeDIB("seeds", bits == 16 ? -3 : 3, 5, bits);
    if (!dib) fail("cannot make a DIB");
    uint8_t* px = DibBits(dib.get());
    const std::size_t n = dib->bytes.size() - std::size_t(px - dib->bytes.data());
    for (std::size_t i = 0; i < n; ++i) px[i] = static_cast<uint8_t>(17 * i);
    const std::string path = (g_scratch / ("frame" + std::to_string(bits) + ".bmp")).string();
    if (!WriteDIBFile(path.c_str(), dib.get())) fail("cannot write a BMP file");
    put("fuzz_bmp", "frame" + std::to_string(bits) + ".bmp", slurp(path));
    if (bits != 16) put("fuzz_bmp_import", "frame" + std::to_string(bits) + ".bmp", slurp(path));
    if (bits == 8) put("fuzz_bmp", "bare8.dib", dib->bytes);
  }
}

// Ini files as the program writes them, and the start-up file as the demo workspace has it.
void ini_seeds() {
  const std::string ini = (g_scratch / "kestrinw.ini").string();
  ks_profile_write_string("VX43", "Title", "\"gel analysis\"", ini.c_str());
  ks_profile_write_string("VX43", "DefaultResolution", "300", ini.c_str());
  ks_profile_write_string("Other", "Key", "value", ini.c_str());
  put("fuzz_ini", "kestrinw.ini", slurp(ini));
  put_text("fuzz_ini", "kestrin7.ini",
           "[VX43]\r\nCompany=Demo Laboratory\r\nHelpDir=/opt/vx\r\nHomeDir=/home/demo\r\n"
           "Splash=/home/demo/logo.png,360,271\r\nTitle=vx\r\nWriteDir=/home/demo/write/\r\n");
}

// Foreign image files: TIFF and JPEG as the export writes them, a Fuji plate pair, LZW strips.
void import_seeds() {
  const std::string kes = (g_scratch / "gel.kes").string();
  IMG_INFO info{};
  info.width = info.original_width = 16;
  info.height = info.original_height = 12;
  info.bytes_per_pixel = 1;
  info.max_value = 255;
  for (int kind : {EXPORT_TIFF_PALETTE, EXPORT_TIFF_AUTO}) {
    const std::string tif = (g_scratch / ("gel" + std::to_string(kind) + ".tif")).string();
    if (io_export_save(kes.c_str(), tif.c_str(), &info, TRUE, kind, 75) != EXPORT_TIFF_WRITTEN)
      fail("cannot export a TIFF");
    put("fuzz_tiff", "gel" + std::to_string(kind) + ".tif", slurp(tif));
  }
  std::vector<uint8_t> grey(16 * 12);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 7);
  const std::string jpg = (g_scratch / "gel.jpg").string();
  if (io_jpeg_write_grey(jpg.c_str(), grey.data(), 16, 12, 75) != 0) fail("cannot write a JPEG");
  put("fuzz_jpeg", "gel.jpg", slurp(jpg));

  // Fuji: header length (2 bytes), the 15-line header, then 8 x 4 rows of 16 bits.
  const std::string inf =
      "BAS_IMAGE_FILE\nplate\n20x25\n100\n100\n16\n8\n4\n4000\n5.0\n0\n1200000000\n0\n0\n"
      "first plate\n";
  std::vector<uint8_t> fuji = {static_cast<uint8_t>(inf.size()), static_cast<uint8_t>(inf.size() >> 8)};
  fuji.insert(fuji.end(), inf.begin(), inf.end());
  for (int i = 0; i < 8 * 4; ++i) {
    fuji.push_back(static_cast<uint8_t>(i * 97));
    fuji.push_back(static_cast<uint8_t>(i));
  }
  put("fuzz_fuji", "plate", fuji);

  // LZW: output length 2 (2 bytes), compression choice 0 (LZW), then the 9-bit codes clear,
  // 'A', 'B', end, most significant bit first; and the same bytes stored (choice 1).
  std::vector<uint8_t> lzw = {2, 0, 0};
  uint32_t acc = 0;
  int nbits = 0;
  for (int code : {256, int('A'), int('B'), 257}) {
    acc = acc << 9 | uint32_t(code);
    nbits += 9;
    while (nbits >= 8) {
      lzw.push_back(static_cast<uint8_t>(acc >> (nbits - 8)));
      nbits -= 8;
    }
  }
  if (nbits) lzw.push_back(static_cast<uint8_t>(acc << (8 - nbits)));
  put("fuzz_tiff_lzw", "ab_lzw", lzw);
  put("fuzz_tiff_lzw", "ab_stored", {2, 0, 1, 'A', 'B'});
}

void text_seeds() {
  put_text("fuzz_slog_match", "slgmtch.txt",
           "2 io_*\n3, gt_main\n2-3,7 ln_add\n! ln_find\nstart gt_main\nstop ln_free\n");
  put_text("fuzz_devices", "devices.ini",
           "[VX43]\nScanner=KES-M1\nKES-M1_Name=Flatbed\nKES-M1_DataSource=Noname frontend-tester\n"
           "KES-M1_AutoCalibrate=yes\nKES-M1_CalStripArea=1,2,3,20\nKES-M1_ImageArea=4,2,18,30\n"
           "KES-M1_TwainHideGUI=No\nCamera=kes-c2\nKES-C2_Name=Camera\n"
           "KES-C2_DataSource=Noname frontend-tester #2\nKES-C2_TestImage=/tmp/t.bmp\n");
  put_text("fuzz_dtool_bounds", "bounds.txt", "0.1,0.2,first\n  0.3, 0.5,   second word\r\n0.6, 1.5, x\n");
  put_text("fuzz_lanesel", "select.sel", "dose, high, \"low\"\n!strain, K12\n\tstrain,,B\n");
  put_text("fuzz_lane_info", "lanes.inf",
           "# Kestrin Lane Info File\n2,1\n# labels\n1\nStrain,\"K12, wild\"\n0\n# names\nLadder\n\n"
           "# angles\n30\n-1\n# detection\n7,0,10,0,1\n5,4,12,9,0\n# sizes\n1000.0,,500.0\n\n1,2\n"
           "# concs\n\n,25.50\n3,0\n# End of file\n");
  // The first byte answers the missing-image question (odd: leave them out and go on).
  put_text("fuzz_img_list", "images.csv", std::string("\x01") + "g1.kes, \"g*.kes\",gone.kes\n\ng2.KES\n");
  put_text("fuzz_img_list", "records.csv", std::string("\x01") + "# name, lane\ng1,3\n\"g2\" , 7, \"lane x\"\ngone\n");
  put_text("fuzz_dev_table", "match.dev", "100, 5.0\n500,2.5\r\n\nsize only\n2000, x, extra\n10000,1\n");
  put_text("fuzz_cal_values", "calscan.txt", "; steps\n1, 0.05, 500\n2, 0.20, 500\n3, 0.41, 480\n");
  put_text("fuzz_std_values", "set.std", "0.05\n0.20 second step\nwedge\n-.5\n1e3\n\n2.75");
  put_text("fuzz_lane_files", "fractions.txt",
           "; comment\n# comment\nHaemoglobin fractions\n10, 20, 5, 30, 40, HbA\n50, 60, 1, 55, 65, HbF\n");
  put_text("fuzz_velto_match", "match.txt",
           "VELTO, 1, 1.5, 2, 3, 60, UPGMA\n3\n\"lane 1\" [ 10.5 20 ]\n\"lane 2\" 80 [ 11 ]\n"
           "\"lane 3\" 40.5 70\n");
  // A lane comment as the lane tool saves it.
  const std::string image = (g_scratch / "gel.kes").string();
  if (!lane_write_comments(image.c_str(), "gel.kes", 3, "first line\nsecond line\n"))
    fail("cannot write a lane comment");
  put("fuzz_lane_files", "comment.txt", slurp(g_scratch / "gel_lc3.txt"));
}

}  // namespace

// The label editors' files, written by their writers; the first byte picks the reader.
void label_seeds() {
  const std::pair<uint8_t, std::string> kinds[] = {{0, "lanechar.csv"}, {5, "pick.sel"}, {6, "set.std"}};
  for (const auto& [kind, name] : kinds) {
    LabelCells g;
    const fs::path p = g_scratch / name;
    int r = -1;
    if (kind == 0) {
      g.resize(3, 3, LBL_NAME_LEN);
      g.set(0, 0, "10"), g.set(0, 2, "a, b"), g.set(2, 1, "abcdefghijklmnopqrst");
      r = lbl_lanechar_write(g, {"A", LBL_REMOVE, "dose"}, p.string().c_str());
    } else if (kind == 5) {
      g.resize(LBL_SEL_COLS, LBL_SEL_ROWS, LBL_CELL_LEN);
      g.set(1, 0, "dose"), g.set(1, 2, "high"), g.set(2, 0, "strain"), g.set(2, 1, "!K12");
      r = lbl_sel_write(g, p.string().c_str());
    } else {
      g.resize(1, LBL_STD_ROWS, LBL_CELL_LEN);
      g.set(0, 0, "1000"), g.set(1, 0, "500.5"), g.set(3, 0, "-2");
      r = lbl_std_write(g, p.string().c_str());
    }
    if (r != 0) fail("cannot write " + p.string());
    std::vector<uint8_t> bytes = slurp(p);
    bytes.insert(bytes.begin(), kind);
    put("fuzz_label_files", name, bytes);
  }
}

int main(int argc, char** argv) {
  if (argc != 2) fail("usage: fuzz-seeds OUTDIR");
  g_out = argv[1];
  g_scratch = g_out / ".scratch";
  fs::remove_all(g_scratch);
  fs::create_directories(g_scratch);
  pixel_seeds();
  image_seeds();
  family_seeds();
  prefs_seeds();
  bmp_seeds();
  ini_seeds();
  import_seeds();
  text_seeds();
  label_seeds();
  fs::remove_all(g_scratch);
  return 0;
}
