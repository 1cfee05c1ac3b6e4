#!/usr/bin/python3
# Expected numbers for the least-squares tests of std_numeric_test.cpp, computed with scipy.
# Run with Debian's own python3 (it has numpy and scipy):  /usr/bin/python3 std_regression_oracle.py
# The printed values are pasted into the test; re-run after changing a data set.
import numpy as np
from scipy import stats

np.set_printoptions(precision=17)

# Regression: values against locations (held fit) and against relative positions (prediction).
loc = np.array([12.0, 31.0, 47.0, 66.0, 90.0, 118.0])
val = np.array([1000.0, 700.0, 500.0, 400.0, 300.0, 200.0])
rf = (loc - 12.0) / (118.0 - 12.0)
q = 0.4
f1 = stats.linregress(loc, val)
f2 = stats.linregress(rf, val)
print("reg a %.17g b %.17g r2 %.17g pred %.17g" % (f1.intercept, f1.slope, f2.rvalue,
                                                   f2.intercept + f2.slope * q))

# Molecular-weight line: positions X against log10(value) - 3, its statistics.
X = np.array([3.1, 7.9, 13.2, 20.5, 29.0, 35.2, 41.7])
mw = np.array([97000.0, 66000.0, 45000.0, 31000.0, 21500.0, 14400.0, 9500.0])
Y = np.log10(mw) - 3
f = stats.linregress(Y, X)
res = X - (f.intercept + f.slope * Y)
se = np.sqrt(np.sum(res ** 2) / (len(X) - 2))
print("mw intercept %.17g slope %.17g r %.17g se %.17g t %.17g" % (
    f.intercept, f.slope, f.rvalue, se, stats.t.ppf(0.975, len(X) - 2)))
print("t95", " ".join("%.3f" % stats.t.ppf(0.975, df) for df in range(1, 21)))
