// The demo workspace's image helper: a PGM file becomes a pixel file and an info file that the
// file layer reads back with the same pixels and header.
#include <gtest/gtest.h>

#include <QProcess>

#include "io/analysis.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"

namespace {

TEST(DemoImage, PgmBecomesPixelAndInfoFiles) {
  vxtest::TempDir tmp;
  std::vector<unsigned char> pgm = {'P', '5', '\n', '#', ' ', 'c', '\n', '3', ' ', '2', '\n',
                                    '2', '5', '5', '\n', 0, 10, 20, 30, 40, 250};
  vxtest::write_bytes(tmp.file("g.pgm"), pgm);
  QProcess p;
  p.start(QString::fromStdString((vxtest::bin_dir() / "vx-demo-image").string()),
          {QString::fromStdString(tmp.file("g.pgm")), QString::fromStdString(tmp.file("g.kes"))});
  ASSERT_TRUE(p.waitForFinished(60000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

  int bits = 0;
  int32_t extent[2] = {0, 0};
  ASSERT_EQ(io_query_image(tmp.file("g.kes").c_str(), &bits, extent), 1);
  EXPECT_EQ(bits, 8);
  EXPECT_EQ(extent[0], 3);
  EXPECT_EQ(extent[1], 2);
  TkImage img;
  ASSERT_TRUE(img.create(3, 2, 1));
  const int32_t rect[4] = {0, 0, 3, 2};
  ASSERT_EQ(io_read_kestrin(tmp.file("g.kes").c_str(), &img, rect, 1.0), 1);
  EXPECT_EQ(img.pixel(0, 0), 0u);
  EXPECT_EQ(img.pixel(2, 1), 250u);

  ANALYSIS_ENTRY** list = nullptr;
  ASSERT_EQ(io_read_inf(tmp.file("g.kes").c_str(), &list, 0), 2);
  const auto* info = static_cast<IMG_INFO*>(list[0]->record);
  EXPECT_EQ(info->width, 3);
  EXPECT_EQ(info->height, 2);
  EXPECT_EQ(info->max_value, 250);
  EXPECT_EQ(info->x_res, 254);
  io_free_analysis_list(list, 2);

  vxtest::write_bytes(tmp.file("bad.pgm"), {'P', '5', '\n', '9', ' ', '9', '\n', '2', '5', '5', '\n', 1});
  QProcess q;
  q.start(QString::fromStdString((vxtest::bin_dir() / "vx-demo-image").string()),
          {QString::fromStdString(tmp.file("bad.pgm")), QString::fromStdString(tmp.file("b.kes"))});
  ASSERT_TRUE(q.waitForFinished(60000));
  EXPECT_EQ(q.exitCode(), 1);
}

}  // namespace
