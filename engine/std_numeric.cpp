#include "engine/std_numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The straight line through (xa, ya) and (xb, yb) at x; equal abscissae give the mean.
double line_at(double xa, double xb, double ya, double yb, double x) {
  if (xa == xb) return (ya + yb) / 2.0;
  return ya - (xa - x) * (ya - yb) / (xa - xb);
}

// ln of the straight line through (xa, exp ya) and (xb, exp yb) at x, without forming exp of the
// values: with the larger value h as base, h + ln(1 + t (exp(l - h) - 1)), t the fraction of the
// way from h's abscissa to l's. The two ends give h and l themselves: once the values differ by
// more than about 37, exp(l - h) - 1 rounds to -1 and the formula would find nothing at l's own
// abscissa. The no-value when the interpolated exponential is at or below 0.
double ln_of_exp_line(double xa, double xb, double ya, double yb, double x) {
  double t;
  if (xa == xb) {
    t = 0.5;
  } else {
    t = (x - xa) / (xb - xa);
  }
  double base = ya;
  double other = yb;
  if (yb > ya) {
    base = yb;
    other = ya;
    t = 1.0 - t;
  }
  if (t == 0.0 || t == 1.0) {
    const double end = t == 0.0 ? base : other;
    return std::isfinite(end) ? end : STD_NO_VALUE;
  }
  const double arg = t * std::expm1(other - base);
  if (!(arg > -1.0)) return STD_NO_VALUE;
  const double r = base + std::log1p(arg);
  return std::isfinite(r) ? r : STD_NO_VALUE;
}

// exp of the straight line through (xa, ln ya) and (xb, ln yb); both values above 0.
double exp_of_log_line(double xa, double xb, double ya, double yb, double x) {
  const double r = std::exp(line_at(xa, xb, std::log(ya), std::log(yb), x));
  return std::isfinite(r) ? r : STD_NO_VALUE;
}

struct RegState {
  double a = 0.0, b = 0.0, r = 0.0;
  int valid = 0;
};
RegState s_reg;

STD_MW_FIT s_mw_last;

}  // namespace

int std_round_int(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::floor(v + 0.5);
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(r);
}

bool std_is_no_value(double v) {
  return !std::isfinite(v) || std::fabs(v - STD_NO_VALUE) <= 0.1;
}

double std_linlog_interpolate(double xa, double xb, double ya, double yb, double x, int method) {
  if (method == STD_LOGARITHMIC && ya > 0.0 && yb > 0.0) {
    return exp_of_log_line(xa, xb, ya, yb, x);
  }
  if (method == STD_EXPONENTIAL) return ln_of_exp_line(xa, xb, ya, yb, x);
  return line_at(xa, xb, ya, yb, x);
}

double std_linlog_interpolate_loc(double ya, double yb, double xa, double xb, double x,
                                  int method) {
  if (std::fabs(xa - xb) <= 0.00001) {
    xa = xb;  // the mean of the two values, whatever the method
  }
  if (method == STD_LOGARITHMIC) return ln_of_exp_line(xa, xb, ya, yb, x);
  if (method == STD_EXPONENTIAL && ya > 0.0 && yb > 0.0) {
    return exp_of_log_line(xa, xb, ya, yb, x);
  }
  return line_at(xa, xb, ya, yb, x);
}

double std_reciprocal3(double x1, double x2, double x3, double y1, double y2, double y3,
                       double x) {
  const bool monotonic = (y1 < y2 && y2 < y3) || (y1 > y2 && y2 > y3);
  if (!monotonic) {
    return (line_at(x1, x2, y1, y2, x) + line_at(x1, x3, y1, y3, x) +
            line_at(x2, x3, y2, y3, x)) / 3.0;
  }
  // Two points on one abscissa leave no reciprocal curve through the three.
  if (x1 == x2 || x2 == x3 || x1 == x3) return STD_NO_VALUE;
  const double r = ((y1 - y2) / (y2 - y3)) * (x3 - x2) / (x2 - x1);
  // r = 1: the three points lie on a line, the limit of the curves as the pole moves away.
  // Taking c = 0 there would give a curve that misses the third point.
  if (r >= 0.99999999 && r <= 1.00000001) {
    return (line_at(x1, x2, y1, y2, x) + line_at(x1, x3, y1, y3, x) +
            line_at(x2, x3, y2, y3, x)) / 3.0;
  }
  const double c = (x3 - r * x1) / (1.0 - r);
  if (x1 == c || x2 == c || x == c) return STD_NO_VALUE;
  const double den = 1.0 / (x1 - c) - 1.0 / (x2 - c);
  if (den == 0.0) return STD_NO_VALUE;
  const double a = (y1 - y2) / den;
  const double v = a / (x - c) + y1 - a / (x1 - c);
  return std::isfinite(v) ? v : STD_NO_VALUE;
}

void std_bracket_rows(const double* L, double y, int n, int* above, int* below) {
  *above = -1;
  *below = -1;
  if (n <= 0) return;
  const bool increasing = L[n - 1] > L[0];
  for (int i = 0; i < n; ++i) {
    if (L[i] >= y) {
      // increasing: the first such row; decreasing: the last.
      if (!increasing || *above < 0) *above = i;
      if (increasing) break;
    }
  }
  for (int i = 0; i < n; ++i) {
    if (L[i] <= y) {
      // increasing: the last such row; decreasing: the first.
      if (increasing || *below < 0) *below = i;
      if (!increasing) break;
    }
  }
}

double std_reciprocal(const double* L, const double* v, double y, int n) {
  int A, B;
  std_bracket_rows(L, y, n, &A, &B);
  if (A >= 0 && A == B) return v[A];
  if (n < 3) {
    // Too few rows for a reciprocal curve: the chord of the two rows (or the one value).
    if (n == 2) return line_at(L[0], L[1], v[0], v[1], y);
    return n == 1 ? v[0] : STD_NO_VALUE;
  }
  const bool increasing = L[n - 1] > L[0];
  bool have = false;
  double last = STD_NO_VALUE;
  auto note = [&](double val) {
    if (!std_is_no_value(val)) {
      last = val;
      have = true;
    }
  };
  auto ends = [&](bool low_end) {
    const int i = low_end ? 0 : n - 3;
    note(std_reciprocal3(L[i], L[i + 1], L[i + 2], v[i], v[i + 1], v[i + 2], y));
  };
  // Beyond the rows: the three end rows on that side.
  if (A < 0) ends(!increasing);
  if (B < 0) ends(increasing);
  double V1 = 0.0, V2 = 0.0;
  bool v1 = false, v2 = false;
  if (A >= 1 && A <= n - 2) {
    V1 = std_reciprocal3(L[A + 1], L[A], L[A - 1], v[A + 1], v[A], v[A - 1], y);
    v1 = !std_is_no_value(V1);
    note(V1);
  }
  if (B >= 1 && B <= n - 2) {
    V2 = std_reciprocal3(L[B - 1], L[B], L[B + 1], v[B - 1], v[B], v[B + 1], y);
    v2 = !std_is_no_value(V2);
    note(V2);
  }
  if (v1 && v2 && V1 != 0.0 && V2 != 0.0) return line_at(L[B], L[A], V2, V1, y);
  return have ? last : STD_NO_VALUE;
}

double std_repeat_snap(double value, double ra, double rb, int repeat_length) {
  if (repeat_length < 1 || !std::isfinite(value) || !std::isfinite(ra) || !std::isfinite(rb) ||
      std::fabs(ra) > 1e12 || std::fabs(rb) > 1e12) {
    return value;
  }
  int64_t lo = static_cast<int64_t>(ra);
  int64_t hi = static_cast<int64_t>(rb);
  if (hi < lo) std::swap(lo, hi);
  const int64_t R = repeat_length;
  const int64_t n = (hi - lo) / R + 10 * (hi - lo) + 1;
  const int64_t start = lo * 6 - hi * 5;
  // The squared distance to the grid falls and then rises along k, so the nearest point lies
  // next to (value - start) / R; scanning a few points around it in ascending order with a
  // strict comparison picks the same point as a scan over the whole grid.
  double kf = std::floor((value - static_cast<double>(start)) / static_cast<double>(R));
  if (!std::isfinite(kf)) return value;
  kf = std::clamp(kf, 0.0, static_cast<double>(n - 1));
  const int64_t k0 = static_cast<int64_t>(kf);
  double best = 9999999.0;
  int64_t best_k = 0;
  for (int64_t k = std::max<int64_t>(0, k0 - 1); k <= std::min<int64_t>(n - 1, k0 + 2); ++k) {
    const double g = static_cast<double>(start + k * R);
    const double d = (value - g) * (value - g);
    if (d < best) {
      best = d;
      best_k = k;
    }
  }
  return static_cast<double>(start + best_k * R);
}

int mt_reg(const double* pos1, const double* pos2, const double* values, int n,
           const double* query, double** out, int m) {
  SLOG("mt_reg", SLOG_ENTRY, "n %d, m %d", n, m);
  s_reg.valid = 0;
  if (out) *out = nullptr;
  if (n <= 0) return 0;
  double st = 0, sv = 0, stt = 0, stv = 0;
  double s2 = 0, s22 = 0, s2v = 0, svv = 0;
  for (int i = 0; i < n; ++i) {
    st += pos1[i];
    sv += values[i];
    stt += pos1[i] * pos1[i];
    stv += pos1[i] * values[i];
    s2 += pos2[i];
    s22 += pos2[i] * pos2[i];
    s2v += pos2[i] * values[i];
    svv += values[i] * values[i];
  }
  const double dn = n;
  const double den1 = dn * stt - st * st;
  const double den2 = dn * s22 - s2 * s2;
  // Positions that all coincide leave the slope undefined: no fit.
  if (den1 == 0.0 || den2 == 0.0 || !std::isfinite(den1) || !std::isfinite(den2)) {
    SLOG("mt_reg", SLOG_WARN, "positions coincide, no fit");
    return 0;
  }
  const double b = (dn * stv - sv * st) / den1;
  const double a = sv / dn - (st / dn) * b;
  const double b2 = (dn * s2v - sv * s2) / den2;
  const double a2 = sv / dn - (s2 / dn) * b2;
  const double vden = dn * svv - sv * sv;
  // All values equal: the line is flat and exact; its correlation is reported as 0.
  const double r = vden > 0.0 ? (dn * s2v - sv * s2) / std::sqrt(den2 * vden) : 0.0;
  if (m > 0) {
    double* res = static_cast<double*>(ks_alloc_msg(sizeof(double) * static_cast<size_t>(m)));
    if (!res) {
      ks_dbg_null_ptr("mt_reg", "out");
      return 0;
    }
    for (int j = 0; j < m; ++j) res[j] = b2 * query[j] + a2;
    if (out) {
      *out = res;
    } else {
      ks_free(res);
    }
  }
  s_reg.a = a;
  s_reg.b = b;
  s_reg.r = r;
  s_reg.valid = 1;
  SLOG("mt_reg", SLOG_EXIT, "a %f, b %f, a2 %f, b2 %f, r %f", a, b, a2, b2, r);
  return 1;
}

int mt_reg_get_fit(double* a, double* b, double* r) {
  if (!s_reg.valid) {
    *a = *b = *r = 0.0;
    return 0;
  }
  *a = s_reg.a;
  *b = s_reg.b;
  *r = s_reg.r;
  return 1;
}

void std_rob_select(int index, int last, int base, double* array) {
  int best = index;
  for (int i = index + 1; i <= last; ++i) {
    if (array[i - base] < array[best - base]) best = i;
  }
  if (best != index) std::swap(array[best - base], array[index - base]);
}

int std_rob_weights(int n, double* weights, double* abs_res, const double* res) {
  if (n < 4) return 0;
  for (int i = 1; i <= n; ++i) std_rob_select(i, n, 1, abs_res);
  double stat;
  if (n % 2 == 0) {
    stat = abs_res[n / 2 + 1];
  } else {
    stat = (abs_res[(n + 1) / 2] + abs_res[(n + 3) / 2]) / 2.0;
  }
  const double s = 2.1 * stat;
  for (int i = 0; i < n; ++i) {
    const double e = res[i];
    if (e == 0.0) {
      weights[i] = 1.0;  // the limit of sin(u) / u
    } else if (s == 0.0) {
      weights[i] = 0.0;  // infinitely far out on a zero scale
    } else {
      const double u = e / s;
      weights[i] = (u >= -kPi && u <= kPi) ? std::sin(u) * s / e : 0.0;
    }
  }
  return 1;
}

int std_rob_solve(double sys[4][5]) {
  for (int col = 0; col < 4; ++col) {
    int piv = col;
    for (int r = col + 1; r < 4; ++r) {
      if (std::fabs(sys[r][col]) > std::fabs(sys[piv][col])) piv = r;
    }
    if (!(std::fabs(sys[piv][col]) > 1e-15)) return 0;
    if (piv != col) {
      for (int k = 0; k < 5; ++k) std::swap(sys[piv][k], sys[col][k]);
    }
    const double p = sys[col][col];
    for (int k = col; k < 5; ++k) sys[col][k] /= p;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const double f = sys[r][col];
      if (f == 0.0) continue;
      for (int k = col; k < 5; ++k) sys[r][k] -= f * sys[col][k];
    }
  }
  return 1;
}

int std_rob(STD_ROB_FIT* fit) {
  SLOG("std_rob", SLOG_ENTRY, "n %d, m %d", fit->n, fit->m);
  for (int j = 0; j < fit->m; ++j) fit->answers[j] = STD_NO_VALUE;
  const int n = fit->n;
  // The weighting step's order statistic needs at least 4 points.
  if (n < 4) {
    SLOG("std_rob", SLOG_WARN, "%d points, no fit", n);
    return 0;
  }
  double* p = fit->positions;
  const double* v = fit->values;
  const double p0 = p[0];
  for (int i = 0; i < n; ++i) {
    p[i] = (p[i] - p0 + 0.01) * 100.0;
    // p'^t3 and ln p' need p' above 0; standards running against the first one have none.
    if (!(p[i] > 0.0)) {
      SLOG("std_rob", SLOG_WARN, "position %d rescaled to %f, no fit", i, p[i]);
      return 0;
    }
  }
  // Start relation (p' - B)(v - C) = K from least squares of p'v on v and p', all centred.
  double mv = 0, mp = 0, mw = 0;
  for (int i = 0; i < n; ++i) {
    mv += v[i];
    mp += p[i];
    mw += p[i] * v[i];
  }
  mv /= n;
  mp /= n;
  mw /= n;
  double svv = 0, spp = 0, svp = 0, svw = 0, spw = 0;
  for (int i = 0; i < n; ++i) {
    const double dv = v[i] - mv, dp = p[i] - mp, dw = p[i] * v[i] - mw;
    svv += dv * dv;
    spp += dp * dp;
    svp += dv * dp;
    svw += dv * dw;
    spw += dp * dw;
  }
  const double det = svv * spp - svp * svp;
  if (det == 0.0 || !std::isfinite(det)) return 0;
  const double B = (svw * spp - spw * svp) / det;
  const double C = (spw * svv - svw * svp) / det;
  if (B == 0.0 || !std::isfinite(B) || !std::isfinite(C)) return 0;
  double K = 0.0;
  for (int i = 0; i < n; ++i) K += (v[i] - C) * (p[i] - B);
  K /= n;
  double t[4] = {C, -K / B, -1.0 / B, 1.0};
  double used[4] = {t[0], t[1], t[2], t[3]};

  std::vector<double> e(n), ae(n), w(n), d(4 * static_cast<size_t>(n));
  for (int iter = 0; iter < 100; ++iter) {
    std::copy(t, t + 4, used);
    for (int i = 0; i < n; ++i) {
      const double pw = std::pow(p[i], t[3]);
      const double D = 1.0 + t[2] * pw;
      const double f = t[0] + t[1] / D;
      e[i] = v[i] - f;
      ae[i] = std::fabs(e[i]);
      double* di = &d[4 * static_cast<size_t>(i)];
      di[0] = 1.0;
      di[1] = 1.0 / D;
      di[2] = -t[1] * pw / (D * D);
      di[3] = -t[1] * t[2] * pw * std::log(p[i]) / (D * D);
      if (!std::isfinite(e[i]) || !std::isfinite(di[1]) || !std::isfinite(di[2]) ||
          !std::isfinite(di[3])) {
        SLOG("std_rob", SLOG_WARN, "curve not finite at point %d, no fit", i);
        return 0;
      }
    }
    std_rob_weights(n, w.data(), ae.data(), e.data());
    double sys[4][5] = {};
    for (int i = 0; i < n; ++i) {
      const double* di = &d[4 * static_cast<size_t>(i)];
      for (int j = 0; j < 4; ++j) {
        for (int k = 0; k < 4; ++k) sys[j][k] += w[i] * di[j] * di[k];
        sys[j][4] += w[i] * di[j] * e[i];
      }
    }
    if (!std_rob_solve(sys)) {
      SLOG("std_rob", SLOG_WARN, "singular system, no fit");
      return 0;
    }
    double change = 0.0;
    for (int j = 0; j < 4; ++j) {
      const double step = sys[j][4];
      if (t[j] != 0.0) {
        change += std::fabs(step / t[j]);
      } else if (step != 0.0) {
        change = HUGE_VAL;
      }
      t[j] += step;
    }
    if (change <= 0.00001) break;
  }
  // The answers come from the parameters the last iteration started from.
  for (int j = 0; j < fit->m; ++j) {
    const double q = (fit->queries[j] - p0 + 0.01) * 100.0;
    if (q < 0.0) continue;
    const double f = used[0] + used[1] / (1.0 + used[2] * std::pow(q, used[3]));
    if (std::isfinite(f)) fit->answers[j] = f;
  }
  SLOG("std_rob", SLOG_EXIT, "t %f %f %f %f", used[0], used[1], used[2], used[3]);
  return 1;
}

int std_mw_order(const double* values, int n, int method) {
  int p = 100;
  int prev = 5;
  bool any = false;
  for (int i = 0; i < n; ++i) {
    const double v = values[i];
    if (!std::isfinite(v) || std::fabs(v) > 2e9) continue;
    const long k = static_cast<long>(v);
    if (k < -99) continue;
    int o;
    if (method == STD_IEF && k < 0.0001) {
      o = -5;
    } else if (method == STD_IEF && k < 0.001) {
      o = -4;
    } else if (method == STD_IEF && k < 0.01) {
      o = -3;
    } else if (method == STD_IEF && k < 0.1) {
      o = -2;
    } else if (method == STD_IEF && k < 1) {
      o = -1;
    } else if (k < 10) {
      o = 0;
    } else if (k < 100) {
      o = 1;
    } else if (k < 1000) {
      o = 2;
    } else if (k < 10000) {
      o = 3;
    } else if (k < 100000) {
      o = 4;
    } else if (k < 1000000) {
      o = 5;
    } else {
      o = any ? prev : 5;  // keeps the order of the value before
    }
    prev = o;
    any = true;
    p = std::min(p, o);
  }
  return p;
}

double std_t95(int df) {
  static const double t[20] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365,
                               2.306,  2.262, 2.228, 2.201, 2.179, 2.160, 2.145,
                               2.131,  2.120, 2.110, 2.101, 2.093, 2.086};
  return (df >= 1 && df <= 20) ? t[df - 1] : 0.0;
}

int std_mw_fit_line(const double* X, const double* values, int n, int method, int order,
                    STD_MW_FIT* fit) {
  std::memset(fit, 0, sizeof(*fit));
  fit->method = method;
  fit->order = order;
  int k = 0;
  for (int i = 0; i < n; ++i) {
    // log10 needs a value above 0; a position without a value takes no part either.
    if (!(values[i] > 0.0) || !std::isfinite(values[i]) || std_is_no_value(X[i])) continue;
    if (k >= STD_MW_MAX_POINTS) {
      SLOG("std_mw_fit_line", SLOG_WARN, "more than %d points", STD_MW_MAX_POINTS);
      return 0;
    }
    fit->x[k] = X[i];
    fit->y[k] = std::log10(values[i]) - order;
    ++k;
  }
  fit->n = k;
  if (k < 3) {
    SLOG("std_mw_fit_line", SLOG_WARN, "%d points, no fit", k);
    return 0;
  }
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  for (int i = 0; i < k; ++i) {
    sx += fit->x[i];
    sy += fit->y[i];
    sxx += fit->x[i] * fit->x[i];
    syy += fit->y[i] * fit->y[i];
    sxy += fit->x[i] * fit->y[i];
  }
  const double dn = k;
  const double den = dn * syy - sy * sy;
  if (den == 0.0) return 0;
  fit->slope = (dn * sxy - sx * sy) / den;
  fit->intercept = sx / dn - (sy / dn) * fit->slope;
  if (fit->slope == 0.0 || !std::isfinite(fit->slope)) {
    SLOG("std_mw_fit_line", SLOG_WARN, "zero slope, no fit");
    return 0;
  }
  const double xden = dn * sxx - sx * sx;
  fit->r = xden > 0.0 ? (dn * sxy - sx * sy) / std::sqrt(den * xden) : 0.0;
  double ssr = 0.0;
  for (int i = 0; i < k; ++i) {
    fit->fitted[i] = fit->intercept + fit->slope * fit->y[i];
    fit->residual[i] = fit->x[i] - fit->fitted[i];
    ssr += fit->residual[i] * fit->residual[i];
  }
  fit->se = std::sqrt(ssr / (dn - 2.0));
  const double mean_x = sx / dn;
  fit->se_pct = mean_x != 0.0 ? 100.0 * fit->se / std::fabs(mean_x) : 0.0;
  fit->half_width = std_t95(k - 2) * fit->se;
  fit->valid = 1;
  s_mw_last = *fit;
  return 1;
}

double std_mw_value(const STD_MW_FIT* fit, double X) {
  if (!fit->valid || fit->slope == 0.0) return STD_NO_VALUE;
  double v = std::pow(10.0, (X - fit->intercept) / fit->slope + fit->order);
  if (!std::isfinite(v)) return STD_NO_VALUE;
  if (fit->method == STD_MOLE_WGT) v = std::floor(v / 100.0 + 0.5) * 100.0;
  return v;
}

int std_mw_get_fit(STD_MW_FIT* out) {
  if (!s_mw_last.valid) return 0;
  *out = s_mw_last;
  return 1;
}

void std_get_interp_str(int method, char* out, const char* user_name, std::size_t out_size) {
  if (!out || out_size == 0) return;
  const char* s;
  switch (method) {
    case STD_RECIPROCAL: s = "Reciprocal"; break;
    case STD_LOGARITHMIC:
    case STD_TRI_LOG: s = "Logarithmic"; break;
    case STD_ROBUST: s = "Robust"; break;
    case STD_LINEAR:
    case STD_TRI_LINEAR: s = "Linear"; break;
    case STD_REGRESSION: s = "Regression"; break;
    case STD_EXPONENTIAL:
    case STD_TRI_EXP: s = "Exponential"; break;
    case STD_USER: s = user_name ? user_name : ""; break;
    default: s = "Unknown"; break;
  }
  std::snprintf(out, out_size, "%s", s);
}

void std_get_marker_str(int mode, char* out, std::size_t out_size) {
  if (!out || out_size == 0) return;
  const char* s = nullptr;
  switch (mode) {
    case STD_EXT_NONE: s = "None"; break;
    case STD_EXT_LAST2: s = "Last 2 markers"; break;
    case STD_EXT_AVERAGE: s = "Average of markers"; break;
    default: return;
  }
  std::snprintf(out, out_size, "%s", s);
}

int std_cmp_double(const void* a, const void* b) {
  const double x = *static_cast<const double*>(a);
  const double y = *static_cast<const double*>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}
