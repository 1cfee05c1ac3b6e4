#!/usr/bin/python3
# Reference trees for the clustering tests, from scipy and scikit-bio.
#
#   cluster_oracle.py linkage <method> <in> <out>...  cophenetic distances of
#                          scipy.cluster.hierarchy.linkage (single, complete, average)
#   cluster_oracle.py nj <in> <out>...                 skbio.tree.nj: "negative" or "ok", then the
#                          tip-to-tip path lengths
# <in>: n, then n lines of the full symmetric distance matrix; <out>: n lines of n values.
import sys
import warnings

import numpy as np

warnings.simplefilter("ignore")


def read_matrix(path):
    with open(path) as f:
        n = int(f.readline())
        return np.array([[float(x) for x in f.readline().split()] for _ in range(n)])


def write_matrix(out, m):
    for row in m:
        out.write(" ".join("%.9g" % v for v in row) + "\n")


kind = sys.argv[1]
if kind == "linkage":
    from scipy.cluster.hierarchy import cophenet, linkage
    from scipy.spatial.distance import squareform
    paths = sys.argv[3:]
    for src, dst in zip(paths[0::2], paths[1::2]):
        m = read_matrix(src)
        z = linkage(squareform(m, checks=False), method=sys.argv[2])
        with open(dst, "w") as out:
            write_matrix(out, squareform(cophenet(z)))
else:
    from skbio import DistanceMatrix
    from skbio.tree import nj
    paths = sys.argv[2:]
    for src, dst in zip(paths[0::2], paths[1::2]):
        m = read_matrix(src)
        ids = [str(k) for k in range(len(m))]
        tree = nj(DistanceMatrix(m, ids), disallow_negative_branch_length=False)
        negative = any(node.length is not None and node.length < 0 for node in tree.traverse())
        tips = tree.tip_tip_distances(ids)
        with open(dst, "w") as out:
            out.write("negative\n" if negative else "ok\n")
            write_matrix(out, tips.data)
