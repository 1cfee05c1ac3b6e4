// A small analysed image and a clean control record for the report tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "analysis/compare.h"
#include "analysis/rep_engine.h"
#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lanechar.h"
#include "model_fixtures.h"
#include "test_support.h"
#include "toolkit/tk_res.h"

namespace vxtest {

// The control record reset to its defaults for the test and restored after it; lane
// characteristic names are the test's own.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every module source of resources/; one loaded already is refused and stays.
    if (!RES_HasWindow("ui_rpcfg", "ui_repcfg_win"))
      for (const auto& e : std::filesystem::directory_iterator(source_dir() / "resources"))
        if (e.path().extension() == ".res") RES_OpenFile("gt", e.path().c_str());
    saved_hooks_ = ks_msg_hooks();
    KsMsgHooks hooks = saved_hooks_;
    hooks.get_string = RES_GetString;
    ks_msg_set_hooks(hooks);
    saved_ = *gt_get_control();
    CONTROL* ctl = gt_get_control();
    std::memset(ctl, 0, sizeof *ctl);
    gt_control_init(ctl);
    ctl->size_digits = 1;
    ctl->conc_digits = 2;
    ctl->size_unit[0] = ctl->conc_unit[0] = '\0';
    rep_state_reset();
    prev_alert_ = ks_alert_set_proc(&ReportTest::answer);
    s_answer = 2;
    s_alerts.clear();
  }
  void TearDown() override {
    ks_alert_set_proc(prev_alert_);
    ks_msg_set_hooks(saved_hooks_);
    // The compare report keeps the last image it reported on: it must not outlive the images.
    for (IMAGE_REC* im : images_) {
      compare_forget_image(im);
      gt_img_free(im);
    }
    ks_free(gt_get_control()->lane_chars);
    *gt_get_control() = saved_;
    rep_state_reset();
  }

  static void set_names(std::initializer_list<const char*> names) {
    CONTROL* ctl = gt_get_control();
    ks_free(ctl->lane_chars);
    ctl->max_lane_chars = 100;
    ctl->lane_chars = static_cast<char(*)[CTL_LC_NAME]>(ks_alloc_msg(100 * CTL_LC_NAME));
    std::memset(ctl->lane_chars, 0, 100 * CTL_LC_NAME);
    int i = 0;
    for (const char* n : names) std::strncpy(ctl->lane_chars[i++], n, CTL_LC_NAME - 1);
    ctl->num_lane_chars = i;
  }

  // An image record without lookup (intensity columns read "n/a").
  IMAGE_REC* new_image(const char* name) {
    auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
    gt_img_init(im);
    std::snprintf(im->image_name, sizeof im->image_name, "%s", name);
    std::snprintf(im->file_path, sizeof im->file_path, "%s", name);
    lookup_free(im->img_int_info);
    im->img_int_info = nullptr;
    images_.push_back(im);
    return im;
  }

  // A vertical lane at column x over rows 0..200, appended to the image's lane list.
  static LANE* add_lane(IMAGE_REC* im, int x, int number, const char* name) {
    LANE* lane = make_lane({{x, 0}, {x, 200}}, 10, 10);
    lane->lane_number = number;
    std::snprintf(lane->lane_name, sizeof lane->lane_name, "%s", name);
    LANE* last = im->lanes;
    while (last->next) last = last->next;
    last->next = lane;
    im->has_lanes += 1;
    return lane;
  }

  static void add_char(LANE* lane, const char* name, const char* value) {
    auto** chars = static_cast<LANECHAR**>(
        ks_alloc_msg(sizeof(LANECHAR*) * size_t(lane->num_lane_chars + 1)));
    for (int i = 0; i < lane->num_lane_chars; ++i) chars[i] = lane->lane_chars[i];
    ks_free(lane->lane_chars);
    auto* c = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR)));
    std::memset(c, 0, sizeof *c);
    std::strncpy(c->name, name, 20);
    std::strncpy(c->value, value, 20);
    chars[lane->num_lane_chars++] = c;
    lane->num_labeled_chars = lane->num_lane_chars;
    lane->lane_chars = chars;
  }

  // A band at (x, y) with its amount and size, appended to the image's band chain.
  static SPOT* add_band(IMAGE_REC* im, int x, int y, double amount, double size,
                        uint32_t f1 = 1, uint32_t f2 = 0) {
    SPOT* b = sp_make_spot();
    b->x = x;
    b->y = y;
    b->amount = amount;
    b->size = size;
    b->f1 = f1;
    b->f2 = f2;
    SPOT* last = im->bands;
    while (last->next) last = last->next;
    sp_add_spot(b, last);
    return b;
  }

  // The gel most tests report: lane 1 "L1" with two bands, lane 2 unnamed and empty.
  IMAGE_REC* gel() {
    IMAGE_REC* im = new_image("gelA");
    add_lane(im, 50, 1, "L1");
    add_lane(im, 100, 2, "");
    add_band(im, 50, 50, 100.0, 500.0, 1, 8);
    add_band(im, 50, 120, 50.0, 250.0, 0, 0);
    return im;
  }

  static int answer(int kind, const char* text) {
    s_alerts.push_back(std::to_string(kind) + ":" + text);
    return kind == KS_ALERT_YESNO ? s_answer : 1;
  }
  static inline int s_answer = 2;
  static inline std::vector<std::string> s_alerts;

 private:
  CONTROL saved_{};
  KsMsgHooks saved_hooks_{};
  KsAlertProc prev_alert_ = nullptr;
  std::vector<IMAGE_REC*> images_;
};

}  // namespace vxtest
