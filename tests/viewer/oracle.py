#!/usr/bin/python3
# Reference results for the viewer's tree tests, from scipy and scikit-bio.
#
#   oracle.py linkage <method> <in> <out>...  scipy.cluster.hierarchy.linkage (single, complete,
#                                          average); out: one line per merge "a b height" with
#                                          scipy's cluster numbers (leaves 0..n-1, merge k is n+k)
#   oracle.py nj <in> <out>...              skbio.tree.nj; out: "negative" when the tree has a
#                                          negative branch, then the n x n tip-to-tip distances
# Any number of <in> <out> pairs may follow, so one start of python serves a whole test.
# <in>: n on the first line, then n lines of the full symmetric distance matrix.
import sys
import warnings

import numpy as np

warnings.simplefilter("ignore")


def read_matrix(path):
    with open(path) as f:
        n = int(f.readline())
        m = np.array([[float(x) for x in f.readline().split()] for _ in range(n)])
    return m


def main():
    kind = sys.argv[1]
    if kind == "linkage":
        from scipy.cluster.hierarchy import linkage
        from scipy.spatial.distance import squareform
        paths = sys.argv[3:]
        for src, dst in zip(paths[0::2], paths[1::2]):
            m = read_matrix(src)
            z = linkage(squareform(m, checks=False), method=sys.argv[2])
            with open(dst, "w") as out:
                for a, b, h, _ in z:
                    out.write("%d %d %.9g\n" % (int(a), int(b), h))
    elif kind == "nj":
        from skbio import DistanceMatrix
        from skbio.tree import nj
        paths = sys.argv[2:]
        for src, dst in zip(paths[0::2], paths[1::2]):
            m = read_matrix(src)
            ids = [str(k) for k in range(len(m))]
            tree = nj(DistanceMatrix(m, ids), disallow_negative_branch_length=False)
            negative = any(node.length is not None and node.length < 0
                           for node in tree.traverse())
            tips = tree.tip_tip_distances()
            with open(dst, "w") as out:
                out.write("negative\n" if negative else "ok\n")
                for a in ids:
                    out.write(" ".join("%.9g" % tips[a, b] for b in ids) + "\n")
    else:
        sys.exit("unknown kind " + kind)


if __name__ == "__main__":
    main()
