// The parallel loop over independent pieces: threads started for the call, pieces handed out by
// an atomic counter, alerts and exceptions carried back to the calling thread.
#include "base/par_lanes.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "base/ks_alert.h"

namespace {

std::atomic<int> s_cap{0};
// Set while the thread runs pieces: a loop started inside a piece runs inline.
thread_local bool t_in_piece = false;

int cores() {
  const unsigned h = std::thread::hardware_concurrency();
  return h > 0 ? static_cast<int>(h) : 1;
}

// What one piece left for the calling thread.
struct Piece {
  std::vector<KsAlertNote> alerts;
  std::exception_ptr error;
};

}  // namespace

int par_set_max_threads(int n) {
  return s_cap.exchange(n > 0 ? n : 0);
}

int par_max_threads() {
  const int cap = s_cap.load();
  return cap > 0 ? cap : cores();
}

void par_lanes(int n, const std::function<void(int)>& f) {
  if (n <= 0) return;
  const int threads = std::min(n, par_max_threads());
  if (threads <= 1 || t_in_piece) {
    for (int i = 0; i < n; ++i) f(i);
    return;
  }
  std::vector<Piece> pieces(static_cast<size_t>(n));
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  auto work = [&] {
    const bool was = t_in_piece;
    t_in_piece = true;
    while (!stop.load(std::memory_order_relaxed)) {
      const int i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= n) break;
      Piece& p = pieces[static_cast<size_t>(i)];
      std::vector<KsAlertNote>* outer = ks_alert_defer(&p.alerts);
      try {
        f(i);
      } catch (...) {
        p.error = std::current_exception();
        stop.store(true, std::memory_order_relaxed);
      }
      ks_alert_defer(outer);
    }
    t_in_piece = was;
  };
  std::vector<std::thread> pool;
  try {
    pool.reserve(static_cast<size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  } catch (const std::exception&) {
    // Fewer threads than hoped (none left, or no memory for one): those started and the
    // calling thread share the pieces.
  }
  work();
  for (std::thread& t : pool) t.join();
  for (const Piece& p : pieces)
    for (const KsAlertNote& a : p.alerts) ks_alert_show(a.kind, a.text.c_str());
  for (const Piece& p : pieces)
    if (p.error) std::rethrow_exception(p.error);
}
