// The image information report's text.
#include <gtest/gtest.h>

#include "analysis/img_rep.h"
#include "report_fixture.h"

namespace {

using vxtest::ReportTest;

TEST_F(ReportTest, ImageInformationText) {
  IMAGE_REC* im = new_image("gelA.kes");
  IMG_INFO* h = im->img_info;
  h->width = 1000;
  h->height = 500;
  h->bytes_per_pixel = 2;
  h->x_res = 85;
  h->x_scale = -3;
  h->y_res = 1;
  h->y_scale = -1;
  h->min_value = 10;
  h->max_value = 65000;
  h->flags = 4 | 32;
  im->img_int_info = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
  std::memset(im->img_int_info, 0, sizeof(IMG_INT_INFO));
  ASSERT_TRUE(lookup_init(im->img_int_info));
  im->img_int_info->dig_values[0] = 0;
  im->img_int_info->dig_values[1] = 65535;
  im->img_int_info->wedge_values[0] = 0.0;
  im->img_int_info->wedge_values[1] = 2.3;
  im->img_int_info->interp_type = 1;
  EXPECT_EQ(img_rep_text(im, "10-DEC-26", "00:30"),
            "Image Information Report:  gelA.kes\n\n"
            "Date:     10-DEC-26\nTime:     00:30\n\n"
            "Image     : gelA.kes\n"
            "Comments  : [none]\n\n"
            "Image width:       1000 pixels,   8.500 cm,    3.346 in\n"
            "Image height:       500 pixels,   5.000 cm,    1.969 in\n"
            "Bytes per pixel: 2\n"
            "File size:       0.954 MB\n"
            "\nProcessing:      Rotated, Cropped\n\n"
            "Min data value:  10\n"
            "Max data value:  65000\n"
            "Dynamic range:   64991\n\n"
            "X resolution:    0.085 millimeters per pixel (299 dpi)\n"
            "Y resolution:    0.100 millimeters per pixel (254 dpi)\n\n"
            "Number of lookup values:    2\n"
            "OD/Intensity Interpolation: Linear\n\n"
            "Intensity  Digital   Intensity\n"
            "  Step      Value      Value\n"
            "=========  =======  ===========\n"
            "     1          0         0.000\n"
            "     2      65535         2.300\n"
            "\n");
}

TEST_F(ReportTest, ImageInformationWithoutResolutionOrLookup) {
  IMAGE_REC* im = new_image("bare.kes");
  im->comment = static_cast<char*>(ks_alloc_msg(6));
  std::strcpy(im->comment, "a gel");
  const std::string text = img_rep_text(im, "d", "t");
  EXPECT_NE(text.find("Comments  : a gel\n\nImage width:"), std::string::npos);
  EXPECT_NE(text.find("File size:       0.000 MB\n\n\nMin data value"), std::string::npos)
      << "no processing line, two line ends in its place";
  EXPECT_NE(text.find("X resolution:    0.000 millimeters per pixel (0 dpi)"), std::string::npos);
  EXPECT_NE(text.find("Number of lookup values:    0\n\n"), std::string::npos);
  EXPECT_EQ(img_rep_dpi(-1.0), 0);
}

}  // namespace
