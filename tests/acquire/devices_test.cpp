// The devices configuration and the model tables.
#include <gtest/gtest.h>

#include <fstream>

#include "acquire/acq_models.h"
#include "acquire/p11_devices.h"
#include "acquire_fixture.h"

namespace {

using acqtest::AcquireTest;

class Devices : public AcquireTest {
 protected:
  void SetUp() override {
    AcquireTest::SetUp();
    p11_reset();
    LoadKesScanner(nullptr);
    cam_find_model(nullptr);
  }
  void TearDown() override {
    p11_reset();
    AcquireTest::TearDown();
  }
  void devices(const std::string& lines) {
    std::ofstream(write_dir() + "devices.ini") << "[VX43]\n" << lines;
  }
};

const char* const kScanner =
    "Scanner=KES-M1\nKES-M1_Name=Flat\nKES-M1_DataSource=Noname frontend-tester\n";
const char* const kCamera =
    "Camera=kes-c2\nKES-C2_Name=Cam\nKES-C2_DataSource=Noname frontend-tester #2\n";

struct IniCase {
  const char* label;
  std::string ini;
  int result;
  int cameras, scanners;   // device counts after the read
  int auto_cal, colour;    // the outs
};

TEST_F(Devices, ReadsTheCameraAndTheScannerOrReportsTheError) {
  const IniCase cases[] = {
      {"both", std::string(kScanner) + kCamera, 0, 1, 1, 0, 1},
      {"none", "", 0, 0, 0, 0, 0},
      {"two cameras", std::string("Camera=KES-C1, KES-C2\n") + kScanner, 1, 0, 0, 0, 0},
      {"two scanners", "Scanner=KES-M1,KES-M2\n", 1, 0, 0, 0, 0},
      {"unknown scanner", std::string("Scanner=KES-X\n") + kCamera, 0, 1, 0, 0, 1},
      {"unknown camera", std::string("Camera=KES-C9\n") + kScanner, 0, 0, 1, 0, 0},
      {"scanner without name", "Scanner=KES-M1\nKES-M1_DataSource=x\n", 1, 0, 0, 0, 0},
      {"scanner without source", "Scanner=KES-M1\nKES-M1_Name=x\n", 1, 0, 0, 0, 0},
      {"auto calibrate YES", std::string(kScanner) +
           "KES-M1_AutoCalibrate=YES\nKES-M1_CalStripArea=10,20,50,40\nKES-M1_ImageArea=0,0,9,9\n",
       0, 0, 1, 1, 0},
      {"auto calibrate No", std::string(kScanner) + "KES-M1_AutoCalibrate=No\n", 1, 0, 0, 0, 0},
      {"strip x1 below x0", std::string(kScanner) +
           "KES-M1_AutoCalibrate=yes\nKES-M1_CalStripArea=10,20,5,40\nKES-M1_ImageArea=0,0,9,9\n",
       1, 0, 0, 0, 0},
      {"area of three numbers", std::string(kScanner) +
           "KES-M1_AutoCalibrate=yes\nKES-M1_CalStripArea=1,2,5,40\nKES-M1_ImageArea=0,0,9\n",
       1, 0, 0, 0, 0},
      {"hide GUI maybe", std::string(kScanner) + "KES-M1_TwainHideGUI=maybe\n", 1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    p11_reset();
    devices(c.ini);
    int ac = -1, colour = -1;
    EXPECT_EQ(p11ReadDevicesIni(&ac, &colour), c.result) << c.label;
    EXPECT_EQ(p11DevInfoGetShortName(TRUE, nullptr), c.cameras) << c.label;
    EXPECT_EQ(p11DevInfoGetShortName(FALSE, nullptr), c.scanners) << c.label;
    EXPECT_EQ(ac, c.auto_cal) << c.label;
    EXPECT_EQ(colour, c.colour) << c.label;
  }
}

TEST_F(Devices, DeviceErrorCodesAndAreas) {
  const struct { const char* label; std::string ini; int code; } cases[] = {
      {"no name", "Scanner=KES-M1\n", P11_NO_NAME},
      {"bad auto calibrate", "Scanner=KES-M1\nKES-M1_Name=a\nKES-M1_AutoCalibrate=No\n",
       P11_BAD_AUTO_CALIBRATE},
      {"strip missing", "Scanner=KES-M1\nKES-M1_Name=a\nKES-M1_AutoCalibrate=yes\n",
       P11_BAD_CAL_STRIP},
      {"negative area", "Scanner=KES-M1\nKES-M1_Name=a\nKES-M1_AutoCalibrate=yes\n"
                        "KES-M1_CalStripArea=0,0,1,1\nKES-M1_ImageArea=-1,0,1,1\n",
       P11_BAD_IMAGE_AREA},
      {"no data source", "Scanner=KES-M1\nKES-M1_Name=a\n", P11_NO_DATA_SOURCE},
      {"bad hide", "Scanner=KES-M1\nKES-M1_Name=a\nKES-M1_DataSource=d\nKES-M1_TwainHideGUI=1\n",
       P11_BAD_HIDE_GUI},
  };
  for (const auto& c : cases) {
    devices(c.ini);
    char name[256];
    int is_int = 0, v = 0;
    ks_get_deventry(KS_INI_SCANNER, FALSE, &is_int, &v, name);  // makes the scanner's name current
    EXPECT_EQ(p11GetDeviceFromIni("KES-M1", FALSE), c.code) << c.label;
  }

  devices(std::string(kScanner) +
          "KES-M1_AutoCalibrate=yes\nKES-M1_CalStripArea=1,2,30,4\nKES-M1_ImageArea=5,6,70,80\n"
          "KES-M1_TestImage=/t/a.bmp\nKES-M1_AutoCalTestImage=/t/b.bmp\nKES-M1_TwainHideGUI=No\n");
  int ac = 0, colour = 0;
  ASSERT_EQ(p11ReadDevicesIni(&ac, &colour), 0);
  int dims[4];
  EXPECT_EQ(p11DevInfoGetDims(FALSE, 0, dims), 1);
  EXPECT_EQ(std::vector<int>(dims, dims + 4), (std::vector<int>{1, 2, 30, 4}));
  p11DevInfoGetDims(FALSE, 1, dims);
  EXPECT_EQ(std::vector<int>(dims, dims + 4), (std::vector<int>{5, 6, 70, 80}));
  char text[256];
  p11DevInfoGetAutoCalTestImage(FALSE, text);
  EXPECT_STREQ(text, "/t/b.bmp");
  p11DevInfoGetTwainDS(FALSE, text);
  EXPECT_STREQ(text, "Noname frontend-tester");
  p11DevInfoGetAccessName(FALSE, text);
  EXPECT_STREQ(text, "KES-M1");
  EXPECT_TRUE(KR11TestScanner());
  ASSERT_NE(scan_current_model(), nullptr);
  EXPECT_STREQ(scan_current_model()->name, "KES-M1");
  // No camera: its test-device and calibration accessors say 1, the dims stay as they were.
  int flag = 0;
  EXPECT_EQ(p11DevInfoGetIsTest(TRUE, &flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(p11DevInfoGetAutoCalibrate(TRUE, &flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_TRUE(KR11TestCamera());
  dims[0] = 42;
  EXPECT_EQ(p11DevInfoGetDims(TRUE, 0, dims), 0);
  EXPECT_EQ(dims[0], 42);
}

TEST_F(Devices, CameraBecomesCurrentWithItsDeviceCode) {
  devices(kCamera);
  ASSERT_EQ(p11ReadDevicesIni(nullptr, nullptr), 0);
  EXPECT_STREQ(cam_data_source(), "Noname frontend-tester #2");
  EXPECT_STREQ(cam_short_name(), "Cam");
  EXPECT_EQ(tik_state().device, 26);
  EXPECT_FALSE(KR11TestCamera());
  int dims[4] = {0, 0, 0, 0};
  p11DevInfoGetDims(TRUE, 1, dims);
  EXPECT_EQ(dims[3], -1);  // automatic calibration off
}

TEST(DeviceCounts, NamesSplitAtCommasAndTrimmed) {
  const struct { const char* text; int n; } cases[] = {
      {"", 0}, {"   ", 0}, {"A", 1}, {" A , B ", 2}, {"A,,B", 2}, {"A,B,C", 3}};
  for (const auto& c : cases) EXPECT_EQ(p11CountDevices(c.text), c.n) << c.text;
  char t[] = "  KES-M1 \t";
  EXPECT_STREQ(p11_trim(t), "KES-M1");
}

TEST(ModelTables, ExactNamesCurrentModelsAndConversions) {
  int colour = 5;
  EXPECT_TRUE(IsKesCamera("KES-C2", &colour));
  EXPECT_EQ(colour, 1);
  EXPECT_FALSE(IsKesCamera("Kes-C2", &colour));
  EXPECT_EQ(colour, 0);
  EXPECT_FALSE(LoadKesCamera("kes-c1", "src", "short"));
  EXPECT_STREQ(cam_data_source(), "");
  // A source name longer than 40 characters is cut.
  EXPECT_TRUE(LoadKesCamera("KES-C1", std::string(50, 's').c_str(), "short"));
  EXPECT_EQ(std::string(cam_data_source()).size(), 40u);

  EXPECT_FALSE(IsKesScanner("kes-m1"));
  EXPECT_TRUE(LoadKesScanner("KES-M3"));
  EXPECT_EQ(scan_current_model()->refl_len_cm, 42);
  EXPECT_FALSE(LoadKesScanner("KES-M4"));
  EXPECT_EQ(scan_current_model(), nullptr);
  // Every camera the window knows that the configuration also accepts, and the correspondence.
  ASSERT_NE(cam_find_model("KES-C1"), nullptr);
  EXPECT_EQ(cam_current_model()->bit_depth, 14);
  ASSERT_NE(cam_find_model("KES-C2"), nullptr);
  EXPECT_EQ(cam_current_model()->color, 1);
  EXPECT_TRUE(IsKesCamera(cam_current_model()->name, &colour));
  EXPECT_EQ(cam_find_model("KES-C3"), nullptr);
  EXPECT_EQ(cam_current_model(), nullptr);

  const int dpi[][2] = {{0, 100}, {1, 150}, {2, 300}, {3, 600}, {7, 300}, {-1, 300}};
  for (const auto& d : dpi) EXPECT_EQ(iDPI_from_Radio(d[0]), d[1]) << d[0];
  EXPECT_EQ(scan_twain_bit_depth(8), 8);
  EXPECT_EQ(scan_twain_bit_depth(9), 16);
  const int ch[][2] = {{0, 4}, {1, 1}, {2, 2}, {3, 3}, {4, 1}};
  for (const auto& c : ch) EXPECT_EQ(scan_gray_channel(c[0]), c[1]) << c[0];
  EXPECT_EQ(scan_rotate_degrees(1), 180);
  EXPECT_EQ(scan_rotate_degrees(2), 270);
  EXPECT_EQ(scan_rotate_degrees(0), 90);
}

}  // namespace
