#!/usr/bin/python3
# scipy's linkage on the matrices of bench_cluster (same generator), for comparing times:
#   /usr/bin/python3 bench/cluster_scipy.py
import time
import warnings

import numpy as np
from scipy.cluster.hierarchy import linkage

warnings.simplefilter("ignore")
MASK = (1 << 64) - 1


def distances(n):
    """Packed lower triangle (1,0), (2,0), (2,1), ... as bench_cluster makes it."""
    state = n
    cells = np.empty(n * (n - 1) // 2, dtype=np.float32)
    for k in range(len(cells)):
        state = (state + 0x9E3779B97F4A7C15) & MASK
        z = state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
        z ^= z >> 31
        cells[k] = 1.0 + 99.0 * ((z >> 11) / 9007199254740992.0)
    return cells


def condensed(n, cells):
    """scipy's condensed order (0,1), (0,2), ..., (1,2), ... from the packed triangle."""
    full = np.zeros((n, n), dtype=np.float64)
    rows, cols = np.tril_indices(n, -1)
    order = np.lexsort((cols, rows))  # packed order: by row, then column
    full[rows[order], cols[order]] = cells
    full = full + full.T
    iu = np.triu_indices(n, 1)
    return full[iu]


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
