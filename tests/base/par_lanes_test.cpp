// The parallel loop: every piece once, on the calling thread alone when capped at one thread;
// alerts (an allocation failure among them) shown once each on the calling thread in the order
// of their pieces; an exception carried to the caller; a loop inside a piece run inline; the
// threads counted from the CPU affinity and kept from one loop to the next.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "base/par_lanes.h"

namespace {

class ParLanes : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = par_set_max_threads(0);
    shown().clear();
    proc_ = ks_alert_set_proc([](int kind, const char* text) {
      shown().push_back({kind, text, std::this_thread::get_id()});
      return 1;
    });
  }
  void TearDown() override {
    ks_alert_set_proc(proc_);
    par_set_max_threads(before_);
  }
  struct Shown {
    int kind;
    std::string text;
    std::thread::id thread;
  };
  static std::vector<Shown>& shown() {
    static std::vector<Shown> v;
    return v;
  }

 private:
  int before_ = 0;
  KsAlertProc proc_ = nullptr;
};

TEST_F(ParLanes, RunsEveryPieceOnceAndOnTheCallerAloneWithOneThread) {
  const std::thread::id caller = std::this_thread::get_id();
  for (int threads : {1, 4}) {
    for (int n : {0, 1, 7, 100}) {
      par_set_max_threads(threads);
      std::vector<std::atomic<int>> runs(static_cast<size_t>(n));
      std::mutex m;
      std::set<std::thread::id> ids;
      par_lanes(n, [&](int i) {
        runs[static_cast<size_t>(i)].fetch_add(1);
        // Long enough for the other threads to take pieces too.
        if (threads > 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard<std::mutex> lock(m);
        ids.insert(std::this_thread::get_id());
      });
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(runs[static_cast<size_t>(i)].load(), 1) << threads << " threads, piece " << i;
      if (threads == 1 || n == 1) {
        EXPECT_TRUE(ids.empty() || ids == std::set{caller}) << n;
      }
      if (threads == 4 && n == 100) {
        EXPECT_GT(ids.size(), 1u);
        EXPECT_LE(ids.size(), 4u);
        EXPECT_EQ(ids.count(caller), 1u) << "the calling thread takes pieces too";
      }
    }
  }
}

TEST_F(ParLanes, AlertsOfPiecesAreShownOnTheCallerInPieceOrder) {
  par_set_max_threads(4);
  const long before = ks_alert_count();
  par_lanes(40, [](int i) {
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (i % 5)));
    if (i % 10 == 3) ks_alert_show(KS_ALERT_INFO, ("piece " + std::to_string(i)).c_str());
    // A block too large to have: the failure alert of the memory wrappers.
    if (i == 17) {
      EXPECT_EQ(ks_alloc_msg(SIZE_MAX), nullptr);
    }
  });
  ASSERT_EQ(shown().size(), 5u);
  EXPECT_EQ(ks_alert_count(), before + 5);
  const std::vector<std::string> order = {
      "piece 3", "piece 13",
      "ks_alloc_err(): Program requested invalid size for memory allocation.", "piece 23",
      "piece 33"};
  for (size_t k = 0; k < order.size(); ++k) {
    EXPECT_EQ(shown()[k].text, order[k]);
    EXPECT_EQ(shown()[k].thread, std::this_thread::get_id()) << order[k];
  }
  EXPECT_EQ(shown()[2].kind, KS_ALERT_ERROR);
  EXPECT_EQ(ks_alert_last_text(), "piece 33");
}

TEST_F(ParLanes, AnExceptionReachesTheCallerAfterThePiecesStarted) {
  for (int threads : {1, 4}) {
    par_set_max_threads(threads);
    std::atomic<int> after{0};
    std::string what;
    try {
      par_lanes(50, [&](int i) {
        if (i == 5) {
          ks_alert_show(KS_ALERT_ERROR, "before the throw");
          throw std::runtime_error("piece 5");
        }
        if (i > 5) ++after;
      });
    } catch (const std::runtime_error& e) {
      what = e.what();
    }
    EXPECT_EQ(what, "piece 5") << threads;
    // With one thread it stops as a plain loop does.
    if (threads == 1) {
      EXPECT_EQ(after.load(), 0);
    }
    ASSERT_FALSE(shown().empty());
    EXPECT_EQ(shown().back().text, "before the throw");
    shown().clear();
  }
}

TEST_F(ParLanes, ALoopInsideAPieceRunsInlineOnItsThread) {
  par_set_max_threads(4);
  std::atomic<int> inner_elsewhere{0}, inner_runs{0};
  par_lanes(8, [&](int) {
    const std::thread::id outer = std::this_thread::get_id();
    par_lanes(5, [&](int) {
      ++inner_runs;
      if (std::this_thread::get_id() != outer) ++inner_elsewhere;
    });
  });
  EXPECT_EQ(inner_runs.load(), 40);
  EXPECT_EQ(inner_elsewhere.load(), 0);
}

// The kernel's thread ids: of the calling thread, and of every thread of the process now.
long tid() { return static_cast<long>(::syscall(SYS_gettid)); }
std::set<long> process_threads() {
  std::set<long> ids;
  if (DIR* d = ::opendir("/proc/self/task")) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ids.insert(std::stol(e->d_name));
    ::closedir(d);
  }
  return ids;
}

TEST_F(ParLanes, LoopsAfterTheFirstRunOnThreadsThatExistAlready) {
  par_set_max_threads(4);
  auto loop = [] {
    std::set<long> ids;
    std::mutex m;
    par_lanes(64, [&](int) {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
      std::lock_guard<std::mutex> lock(m);
      ids.insert(tid());
    });
    ids.erase(tid());
    return ids;
  };
  loop();
  const std::set<long> existing = process_threads();
  ASSERT_FALSE(existing.empty());
  for (int k = 0; k < 2; ++k) {
    const std::set<long> helpers = loop();
    EXPECT_FALSE(helpers.empty());
    for (long id : helpers) EXPECT_EQ(existing.count(id), 1u) << "thread " << id << " is new";
  }
}

TEST_F(ParLanes, ThreadsFollowTheProcessAffinity) {
  cpu_set_t before;
  CPU_ZERO(&before);
  ASSERT_EQ(::sched_getaffinity(0, sizeof before, &before), 0);
  int first = -1;
  for (int c = 0; c < CPU_SETSIZE && first < 0; ++c)
    if (CPU_ISSET(c, &before)) first = c;
  ASSERT_GE(first, 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  const int uncapped = par_max_threads();
  std::set<std::thread::id> ids;
  std::mutex m;
  par_lanes(20, [&](int) {
    std::lock_guard<std::mutex> lock(m);
    ids.insert(std::this_thread::get_id());
  });
  ASSERT_EQ(::sched_setaffinity(0, sizeof before, &before), 0);
  EXPECT_EQ(uncapped, 1);
  EXPECT_EQ(ids, std::set{std::this_thread::get_id()}) << "one core: the caller alone";
  EXPECT_EQ(par_max_threads(), CPU_COUNT(&before));
}

}  // namespace
