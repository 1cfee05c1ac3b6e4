// The parallel loop over independent pieces: one pool of worker threads kept for the program's
// life, pieces handed out by an atomic counter, alerts and exceptions carried back to the
// calling thread.
#include "base/par_lanes.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "base/ks_alert.h"

namespace {

std::atomic<int> s_cap{0};
// Set while the thread runs pieces: a loop started inside a piece runs inline.
thread_local bool t_in_piece = false;

// The cores the calling thread may run on (its CPU affinity, which it takes from the process,
// as taskset or a container limits it), asked afresh on each call so that a changed mask is
// followed.
int cores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
  const unsigned h = std::thread::hardware_concurrency();
  return h > 0 ? static_cast<int>(h) : 1;
}

// What one piece left for the calling thread.
struct Piece {
  std::vector<KsAlertNote> alerts;
  std::exception_ptr error;
};

// One loop's shared state: the pieces, the counter that hands them out and the stop flag.
struct Job {
  int n = 0;
  const std::function<void(int)>* f = nullptr;
  std::vector<Piece>* pieces = nullptr;
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};

  void work() {
    const bool was = t_in_piece;
    t_in_piece = true;
    while (!stop.load(std::memory_order_relaxed)) {
      const int i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= n) break;
      Piece& p = (*pieces)[static_cast<size_t>(i)];
      std::vector<KsAlertNote>* outer = ks_alert_defer(&p.alerts);
      try {
        (*f)(i);
      } catch (...) {
        p.error = std::current_exception();
        stop.store(true, std::memory_order_relaxed);
      }
      ks_alert_defer(outer);
    }
    t_in_piece = was;
  }
};

// The worker threads. They sleep until a loop is posted; each loop asks for a number of helpers,
// and the first workers to wake join it. Threads are added when a loop wants more than the pool
// has, and never leave before the program ends. One loop runs on the pool at a time.
class Pool {
 public:
  // The process that made the pool.
  pid_t owner() const { return owner_; }

  // Only the process that made the pool deletes it (a forked child holds none of its threads).
  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  // Runs the job on the calling thread and up to `helpers` workers; returns when every piece
  // taken is done.
  void run(Job& job, int helpers) {
    {
      std::lock_guard<std::mutex> lock(m_);
      grow(helpers);
      job_ = &job;
      wanted_ = std::min<int>(helpers, static_cast<int>(threads_.size()));
      ++generation_;
    }
    wake_.notify_all();
    job.work();
    std::unique_lock<std::mutex> lock(m_);
    // Workers that have not joined yet find nothing left to do: they need not join at all.
    wanted_ = 0;
    done_.wait(lock, [&] { return active_ == 0; });
    job_ = nullptr;
  }

 private:
  // Adds workers up to `want` (under m_). Fewer when no thread can be started: those there
  // and the calling thread share the pieces.
  void grow(int want) {
    while (static_cast<int>(threads_.size()) < want) {
      try {
        threads_.emplace_back([this] { serve(); });
      } catch (const std::exception&) {
        break;
      }
    }
  }

  void serve() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      wake_.wait(lock, [&] { return quit_ || (generation_ != seen && wanted_ > 0); });
      if (quit_) return;
      seen = generation_;
      --wanted_;
      ++active_;
      Job* job = job_;
      lock.unlock();
      job->work();
      lock.lock();
      if (--active_ == 0) done_.notify_one();
    }
  }

  const pid_t owner_ = ::getpid();
  std::mutex m_;
  std::condition_variable wake_, done_;
  std::vector<std::thread> threads_;
  Job* job_ = nullptr;
  std::uint64_t generation_ = 0;
  int wanted_ = 0;
  int active_ = 0;
  bool quit_ = false;
};

// The pool of this process, made at the first loop that needs it. A child made by fork starts
// a pool of its own (the parent's threads do not exist there; the parent's pool is left as it is).
std::mutex s_pool_mutex;
Pool* s_pool = nullptr;
// Serialises the loops that use the pool; a loop that finds it busy runs on its own thread.
std::mutex s_busy;

struct PoolOwner {
  ~PoolOwner() {
    std::lock_guard<std::mutex> lock(s_pool_mutex);
    if (s_pool && s_pool->owner() == ::getpid()) delete s_pool;
    s_pool = nullptr;
  }
} s_pool_owner;

Pool& pool() {
  std::lock_guard<std::mutex> lock(s_pool_mutex);
  if (!s_pool || s_pool->owner() != ::getpid()) s_pool = new Pool;
  return *s_pool;
}

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
  std::unique_lock<std::mutex> busy(s_busy, std::defer_lock);
  if (threads <= 1 || t_in_piece || !busy.try_lock()) {
    for (int i = 0; i < n; ++i) f(i);
    return;
  }
  std::vector<Piece> pieces(static_cast<size_t>(n));
  Job job;
  job.n = n;
  job.f = &f;
  job.pieces = &pieces;
  pool().run(job, threads - 1);
  busy.unlock();
  for (const Piece& p : pieces)
    for (const KsAlertNote& a : p.alerts) ks_alert_show(a.kind, a.text.c_str());
  for (const Piece& p : pieces)
    if (p.error) std::rethrow_exception(p.error);
}
