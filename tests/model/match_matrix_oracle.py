# Oracle for the half matrix: reads a full symmetric matrix (first line n, then n rows) and
# writes, for every k, the lower triangle (row by row, columns below the row) of the matrix
# with row and column k deleted, one line per k.
import sys
import numpy as np

with open(sys.argv[1]) as f:
    n = int(f.readline())
    a = np.array([[float(v) for v in f.readline().split()] for _ in range(n)], dtype=np.float32)
with open(sys.argv[2], "w") as out:
    for k in range(n):
        b = np.delete(np.delete(a, k, axis=0), k, axis=1)
        cells = [b[r, c] for r in range(1, n - 1) for c in range(r)]
        out.write(" ".join("%.9g" % v for v in cells) + "\n")
