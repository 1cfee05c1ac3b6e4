#!/usr/bin/python3
# scipy's linkage on the matrices of bench_cluster (same generator), for comparing times:
#   /usr/bin/python3 bench/cluster_scipy.py
# prints the best of five calls in this process for each rule and size;
#   /usr/bin/python3 bench/cluster_scipy.py --first METHOD N
# prints the milliseconds of the first linkage call of a fresh process (the matrix is made and
# scipy is imported before the clock starts), as bench_cluster's first-build benchmark asks it.
import sys
import time
import warnings

import numpy as np
from scipy.cluster.hierarchy import linkage

warnings.simplefilter("ignore")


def distances(n):
    """Packed lower triangle (1,0), (2,0), (2,1), ... as bench_cluster makes it (splitmix64
    seeded with n, in wrapping 64-bit arithmetic)."""
    count = n * (n - 1) // 2
    with np.errstate(over="ignore"):
        k = np.arange(1, count + 1, dtype=np.uint64)
        z = np.uint64(n) + k * np.uint64(0x9E3779B97F4A7C15)
        z = (z ^ (z >> np.uint64(30))) * np.uint64(0xBF58476D1CE4E5B9)
        z = (z ^ (z >> np.uint64(27))) * np.uint64(0x94D049BB133111EB)
        z ^= z >> np.uint64(31)
    u = (z >> np.uint64(11)).astype(np.float64) / 9007199254740992.0
    return (1.0 + 99.0 * u).astype(np.float32)


def condensed(n, cells):
    """scipy's condensed order (0,1), (0,2), ..., (1,2), ... from the packed triangle: cell
    (i, j) with i < j is packed cell j (j - 1) / 2 + i."""
    i, j = np.triu_indices(n, 1)
    return cells[j * (j - 1) // 2 + i].astype(np.float64)


if len(sys.argv) == 4 and sys.argv[1] == "--first":
    method, n = sys.argv[2], int(sys.argv[3])
    y = condensed(n, distances(n))
    start = time.perf_counter()
    linkage(y, method=method)
    print("%.6f" % (1000 * (time.perf_counter() - start)))
    sys.exit(0)

for method, name in (("single", "min_linkage"), ("complete", "max_linkage"),
                     ("average", "average_linkage")):
    for n in (500, 1000, 2000):
        y = condensed(n, distances(n))
        runs = []
        for _ in range(5):
            start = time.perf_counter()
            linkage(y, method=method)
            runs.append(time.perf_counter() - start)
        print("scipy %-16s n=%4d  %8.2f ms (best of 5)" % (name, n, 1000 * min(runs)))
