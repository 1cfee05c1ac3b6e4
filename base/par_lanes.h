// A small parallel loop for work that falls into independent pieces (one lane each, as a rule):
// f(i) runs once for every i in [0, n), on up to as many threads as the process may use cores
// (its CPU affinity). The pieces are handed out one at a time from a shared counter; the calling
// thread takes pieces too, and the others come from one pool of worker threads that is started
// by the first loop and kept until the program ends. One loop at a time runs on the pool: a loop
// started on another thread while it is busy runs on its own thread.
//
// Each piece must touch only its own records and thread-local scratch. While the pieces run on
// several threads, alerts raised by them are not shown at once: they are kept and shown on the
// calling thread when all pieces are done, in the order of their pieces (the order one thread
// would have shown them in), and the piece that raised one gets the answer 1 (OK). An exception
// thrown by a piece stops the handing out of further pieces and is thrown again on the calling
// thread once every started piece is done (that of the lowest piece when several throw).
//
// With n <= 1, one thread allowed or a call from inside a piece, the pieces run in order on the
// calling thread, exactly as a plain loop.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

void par_lanes(int n, const std::function<void(int)>& f);

// Caps the threads par_lanes uses (the calling thread included); 0 or less lifts the cap (the
// cores of the calling thread's CPU affinity). For tests and benchmarks that compare one thread with several; returns the
// previous cap.
int par_set_max_threads(int n);
// The threads par_lanes would use now for many pieces: the cap, or the cores of the affinity.
int par_max_threads();

// True when no record appears twice among the n pointers (nulls aside): work on each record
// alone may then run on a thread of its own.
template <class T>
bool par_distinct(T* const* records, int n) {
  if (!records || n <= 1) return true;
  std::vector<const T*> sorted(records, records + n);
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i] && sorted[i] == sorted[i - 1]) return false;
  return true;
}
