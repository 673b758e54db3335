#!/usr/bin/env python3
"""Derives the polynomial tables of LogGamma and Erf and the reference data of
the numeric tests, with mpmath at 60 significant digits.

    python3 tools/tables/gen_numeric_tables.py            # tables as C++ + checks
    python3 tools/tables/gen_numeric_tables.py --data tests/data

The C++ goes to standard output (src/numeric/gamma.cpp and distributions.cpp
hold it verbatim); the checks go to standard error and stop the script if a
fit misses its target. --data writes numeric_lgamma.txt and numeric_erf.txt
("x value"), numeric_student_t.txt ("n t value"), numeric_fdist.txt
("x m n value"), values to 20 digits; accuracy_tables.py adds the factorials,
erfc on [1, 2), the incomplete gamma expansion and their reference data.

Tables (each row a polynomial, highest power first, evaluated by Horner's rule):

  LogGamma table B  0.5 <= y < 3.5: t = y - 4.5/(y + 0.5), k = trunc(t + 4),
                    u = t - (k - 3.5) in [-0.5, 0.5); row k gives ln Gamma(y), degree 13.
  LogGamma table C  3.5 <= y < 8: k = trunc(y) - 3, u = y - (k + 3.5); row k gives
                    ln Gamma(y), degree 12. Row 0 is used on u in [0, 0.5) only.
  Erf table E1      |x| < 2.2: t = x*x, k = trunc(t), s = t - k in [0, 1); row k
                    gives erf(x)/x, degree 12.
  Erf table E2      2.2 <= |x| < 6.9: k = trunc(|x|), s = |x| - k; row k - 2 gives
                    erfc(|x|)^(1/16), degree 12.
  Student t tail    c_k, the coefficients of v^(2k) in (sinh(v/2) / (v/2))^(-1/2): the
                    large-n expansion of the upper tail in incomplete gamma functions.

Every row is a least-squares fit at Chebyshev nodes of its cell: this reproduces
the coefficients we already had (table B row 0, table C row 0, E1 row 0, E2 row 0)
to the digits they were kept with, so the rows we derive are of the same kind.
Where a coefficient was already known it is pinned and the rest are fitted
around it. The script then evaluates the tables in IEEE double exactly as the
C++ code does (Python floats are doubles; no fused multiply-add) and prints the
largest error against mpmath.
"""

import argparse
import math
import os
import sys

import mpmath as mp

mp.mp.dps = 60

# --- Coefficients that were kept from the calculator's earlier tables ----------

TABLE_A = [
    [9.967270908702825e-05, -0.00019831672170162227, -0.0011708531534962581,
     0.007220128109483195, -0.00962213009367803, -0.04219772092994235,
     0.1665386106524361, -0.04200263501129018, -0.6558780715206193,
     0.5772156649015352, 1.0],
    [4.67209725901142e-05, -6.812300803992063e-05, -0.0013253115907661008,
     0.007335211781072028, -0.00968095666383936, -0.042176428118735405,
     0.16653313644244427, -0.04200165481709275, -0.6558781879278274,
     0.5772156731520919, 0.9999999997356523],
]
STIRLING = [-0.0016331235920050082, 0.0008364453370338596, -0.0005951894757572819,
            0.0007936505750541542, -0.0027777777773546303, 0.08333333333333309]
HALF_LOG_2PI = 0.9189385332046728

# Known coefficients as {power: value}.
KNOWN_B0 = {13: -4.587497028e-11, 12: 1.902363396e-10,
            1: -0.327053336529554, 0: 0.4012044244095393}
KNOWN_C0 = {12: 1.16333640008e-08, 2: 0.16517887805011663,
            1: 1.103156640645243, 0: 1.2009736023470743}
E1_ROW0 = [5.958930743e-11, -1.13739022964e-09, 1.466005199839e-08,
           -1.635035446196e-07, 1.6461004480962e-06, -1.492559551950604e-05,
           0.00012055331122299264, -0.0008548326981129666, 0.005223977624823223,
           -0.026866170645077334, 0.11283791670954882, -0.3761263890318375,
           1.1283791670955126]
E2_ROW0 = [-2.9734388465e-10, 2.69776334046e-09, -6.40788827665e-09,
           -1.6678201321e-08, -2.1854388148686e-07, 2.66246030457984e-06,
           1.612722157047886e-05, -0.00025616361025506627, 0.00015380842432375364,
           0.00815533022524928, -0.014022836638963193, -0.19746892495383023,
           0.7151172032884284]
E1_LAST = [None, 0.8427007929497149, 0.674933236039655, 0.5690907664239364,
           0.49766113250947636]
E2_LAST = [None, 0.5116969671872764, 0.32490054966649434, 0.1826733677529661,
           0.09084526782065479]

# --- Fitting -------------------------------------------------------------------


def fit(f, lo, hi, degree, pinned=None, npts=None):
    """Least-squares polynomial fit of f on Chebyshev nodes of [lo, hi].

    Returns the coefficients highest power first. Powers in `pinned` keep the
    given values; the others are fitted to f minus the pinned part."""
    pinned = pinned or {}
    free = [j for j in range(degree + 1) if j not in pinned]
    npts = npts or 6 * (degree + 1)
    lo, hi = mp.mpf(lo), mp.mpf(hi)
    rows, rhs = [], []
    for i in range(npts):
        u = (lo + hi) / 2 + (hi - lo) / 2 * mp.cos(mp.pi * (i + mp.mpf(0.5)) / npts)
        rows.append([u ** j for j in free])
        rhs.append(f(u) - sum(mp.mpf(v) * u ** j for j, v in pinned.items()))
    solution = mp.qr_solve(mp.matrix(rows), mp.matrix(rhs))[0]
    coeffs = {j: mp.mpf(v) for j, v in pinned.items()}
    for j, v in zip(free, solution):
        coeffs[j] = v
    return [coeffs[j] for j in range(degree, -1, -1)]


def to_doubles(coeffs):
    return [float(c) for c in coeffs]


def y_of_t(t):
    """Inverse of t = y - 4.5/(y + 0.5) for y > -0.5."""
    t = mp.mpf(t)
    h = t - mp.mpf(0.5)
    return (h + mp.sqrt(h * h + 18 + 2 * t)) / 2


def lgamma_b(k):
    return lambda u: mp.loggamma(y_of_t(u + k - mp.mpf(3.5)))


def lgamma_c(k):
    return lambda u: mp.loggamma(u + k + mp.mpf(3.5))


def erf_e1(k):
    def f(s):
        x = mp.sqrt(s + k)
        return 2 / mp.sqrt(mp.pi) if x == 0 else mp.erf(x) / x
    return f


def erf_e2(k):
    return lambda s: mp.erfc(s + k + 2) ** (mp.mpf(1) / 16)


def student_tail_coeffs(count):
    """Taylor coefficients c_k of v^(2k) in (sinh(v/2)/(v/2))^(-1/2)."""
    f = lambda v: (mp.sinh(v / 2) / (v / 2)) ** mp.mpf(-0.5) if v != 0 else mp.mpf(1)
    series = mp.taylor(f, 0, 2 * count)
    return [float(series[2 * k]) for k in range(count)]


def build_tables(report):
    table_b, table_c, table_e1, table_e2 = [], [], [], []
    for k in range(7):
        pinned = KNOWN_B0 if k == 0 else None
        table_b.append(to_doubles(fit(lgamma_b(k), -0.5, 0.5, 13, pinned)))
    for k in range(5):
        lo = 0.0 if k == 0 else -0.5
        pinned = KNOWN_C0 if k == 0 else None
        table_c.append(to_doubles(fit(lgamma_c(k), lo, 0.5, 12, pinned)))
    table_e1.append(list(E1_ROW0))
    table_e2.append(list(E2_ROW0))
    for k in range(1, 5):
        table_e1.append(to_doubles(fit(erf_e1(k), 0, 1, 12, {0: E1_LAST[k]})))
        table_e2.append(to_doubles(fit(erf_e2(k), 0, 1, 12, {0: E2_LAST[k]})))

    # Check the method against what was already known: free fits of the rows
    # we had must give back the kept coefficients.
    report.append('Free fits against the coefficients we kept:')
    free_b0 = fit(lgamma_b(0), -0.5, 0.5, 13)
    free_c0 = fit(lgamma_c(0), 0, 0.5, 12)
    checks = [
        ('B row 0 u^13', free_b0[0], KNOWN_B0[13]),
        ('B row 0 u^12', free_b0[1], KNOWN_B0[12]),
        ('B row 0 u^1', free_b0[12], KNOWN_B0[1]),
        ('B row 0 u^0', free_b0[13], KNOWN_B0[0]),
        ('C row 0 u^12', free_c0[0], KNOWN_C0[12]),
        ('C row 0 u^2', free_c0[10], KNOWN_C0[2]),
        ('C row 0 u^1', free_c0[11], KNOWN_C0[1]),
        ('C row 0 u^0', free_c0[12], KNOWN_C0[0]),
        ('ln Gamma(3.5)', mp.loggamma(mp.mpf(3.5)), KNOWN_C0[0]),
    ]
    free_e1 = fit(erf_e1(0), 0, 1, 12)
    free_e2 = fit(erf_e2(0), 0, 1, 12)
    for i in range(13):
        checks.append(('E1 row 0 s^%d' % (12 - i), free_e1[i], E1_ROW0[i]))
        checks.append(('E2 row 0 s^%d' % (12 - i), free_e2[i], E2_ROW0[i]))
    for k in range(1, 5):
        checks.append(('E1 row %d at s=0' % k, erf_e1(k)(mp.mpf(0)), E1_LAST[k]))
        checks.append(('E2 row %d at s=0' % k, erf_e2(k)(mp.mpf(0)), E2_LAST[k]))
    worst = 0
    for name, computed, kept in checks:
        rel = abs(computed - kept) / abs(computed)
        worst = max(worst, rel)
        report.append('  %-18s computed %s kept %r  rel diff %.1e'
                      % (name, mp.nstr(computed, 17), kept, rel))
    report.append('  largest relative difference %.1e' % worst)
    # The kept coefficients carry 10 to 17 digits; a fit of another kind
    # would differ by far more.
    assert worst < 1e-9, 'the fits do not reproduce the kept coefficients'
    return table_b, table_c, table_e1, table_e2


# --- The C++ algorithms, evaluated in IEEE double ----------------------------


def horner(row, x):
    w = row[0]
    for c in row[1:]:
        w = w * x + c
    return w


def trunc_int(x):
    return float(math.trunc(x))


def log_gamma_double(x, tables):
    table_b, table_c = tables[0], tables[1]
    y = 1.0 - x if x < 0 else x
    if y < 0.5:
        w = horner(TABLE_A[0] if y < 0.25 else TABLE_A[1], y)
        if y < 2.2250738585072014e-308:
            r = -(math.log(w) + math.log(y))
        else:
            r = -math.log(w * y)
    elif y < 3.5:
        t = y - 4.5 / (y + 0.5)
        k = int(trunc_int(t + 4.0))
        u = t - (k - 3.5)
        r = horner(table_b[k], u)
    elif y < 8.0:
        k = int(trunc_int(y)) - 3
        u = y - (k + 3.5)
        r = horner(table_c[k], u)
    else:
        v = 1.0 / y
        w = horner(STIRLING, v * v)
        r = ((y - 0.5) * math.log(y) - y) + (w * v + HALF_LOG_2PI)
    return r


def erf_double(x, tables):
    table_e1, table_e2 = tables[2], tables[3]
    y = abs(x)
    if y < 2.2:
        t = y * y
        k = int(trunc_int(t))
        r = horner(table_e1[k], t - k) * y
    elif y < 6.9:
        k = int(trunc_int(y))
        v = horner(table_e2[k - 2], y - k)
        for _ in range(4):
            v = v * v
        r = 1.0 - v
    else:
        r = 1.0
    return -r if x < 0 else r


# --- Reference points ----------------------------------------------------------


def around(points):
    """Each point with its neighbouring doubles, so every region boundary is
    checked from both sides."""
    out = []
    for p in points:
        out += [math.nextafter(p, -math.inf), p, math.nextafter(p, math.inf)]
    return out


def lgamma_points():
    pts = set()
    # Near 0 logarithmically, including subnormals.
    for i in range(400):
        pts.add(10.0 ** (-320 + 320 * i / 399))
    # The polynomial regions densely, the Stirling region more sparsely.
    for i in range(1, 1201):
        pts.add(8.0 * i / 1200)
    for i in range(1, 601):
        pts.add(8.0 + 192.0 * i / 600)
    # Boundaries: table A rows, table B/C cells, Stirling, zeros of ln Gamma.
    bounds = [0.25, 0.5, 3.5, 4.0, 5.0, 6.0, 7.0, 8.0, 1.0, 2.0, 3.0, 200.0]
    for k in range(1, 7):
        bounds.append(float(y_of_t(k - 4)))
    for p in around(bounds):
        if 0 < p <= 200:
            pts.add(p)
    pts.add(5e-324)
    return sorted(pts)


def erf_points():
    pts = set()
    for i in range(2001):
        pts.add(-7.0 + 14.0 * i / 2000)
    bounds = [1.0, math.sqrt(2.0), math.sqrt(3.0), 2.0, 2.2, 3.0, 4.0, 5.0, 6.0, 6.9,
              1e-300, 1e-8]
    for p in around(bounds):
        pts.add(p)
        pts.add(-p)
    return sorted(pts)


STUDENT_N = [1, 2, 3, 5, 10, 30, 100]
# Further degrees of freedom, on every third t: the regions of StudentTDist
# for small, large and extreme n.
STUDENT_EXTRA_N = [0.5, 1.5, 7.25, 1e3, 1e4, 1e5, 1e6, 1e8, 1e12, 1e300]


def student_points():
    ts = set([0.0, 8.9, 9.0, 10.0, 1e6])
    for i in range(0, 121):
        ts.add(10.0 ** (-6 + 12 * i / 120))
    for i in range(1, 121):
        ts.add(12.0 * i / 120)
    ts = sorted(ts)
    return sorted(set([-t for t in ts] + ts))


def student_t_cdf_reference(t, n):
    """P(T <= t) for n degrees of freedom, from the incomplete beta function
    on whichever side converges, with the precision raised by the digits that
    1 - I loses; the normal distribution for n beyond 1e30."""
    t, n = mp.mpf(t), mp.mpf(n)
    if t == 0:
        return mp.mpf(0.5)
    if n > mp.mpf('1e30'):
        return mp.ncdf(t)
    q2 = t * t / n
    x, y = q2 / (1 + q2), 1 / (1 + q2)
    if y < 0.5:
        tail = mp.betainc(n / 2, mp.mpf(0.5), 0, y, regularized=True) / 2
    else:
        exponent = (n + 1) / 2 * mp.log1p(q2)
        if exponent > 800:
            tail = mp.mpf(0)
        else:
            with mp.workdps(int(40 + exponent / mp.log(10))):
                tail = (1 - mp.betainc(mp.mpf(0.5), n / 2, 0, x, regularized=True)) / 2
    return 1 - tail if t > 0 else tail


def regularized_beta_reference(a, b, x):
    """I_x(a, b) by its continued fraction at 50 digits (modified Lentz), on
    the side of the mode where it converges; no digits are at risk there at
    this precision."""
    with mp.workdps(50):
        a, b, x = mp.mpf(a), mp.mpf(b), mp.mpf(x)
        if x > (a + 1) / (a + b + 2):
            return 1 - regularized_beta_reference(b, a, 1 - x)
        tiny = mp.mpf('1e-300')
        c, d = mp.mpf(1), 1 - (a + b) * x / (a + 1)
        d = 1 / (d if abs(d) > tiny else tiny)
        h = d
        for m in range(1, 200000):
            for aa in (m * (b - m) * x / ((a - 1 + 2 * m) * (a + 2 * m)),
                       -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 1 + 2 * m))):
                d = 1 + aa * d
                d = 1 / (d if abs(d) > tiny else tiny)
                c = 1 + aa / c
                c = c if abs(c) > tiny else tiny
                h *= d * c
            if abs(d * c - 1) < mp.mpf('1e-45'):
                break
        else:
            raise ArithmeticError('continued fraction did not converge')
        log_prefix = (a * mp.log(x) + b * mp.log1p(-x) -
                      (mp.loggamma(a) + mp.loggamma(b) - mp.loggamma(a + b)))
        return mp.exp(log_prefix) * h / a


F_DEGREES = [1, 2, 3, 4, 5, 10, 25, 100, 1001, 4000, 10000, 15000, 30000, 100000]
F_X = [0.001, 0.1, 0.5, 0.9, 1.0, 1.1, 2.0, 10.0, 100.0, 1e5]


def fmt(v):
    """A reference value with 20 significant digits; 0 below the double range."""
    if v != 0 and abs(v) < mp.mpf('1e-307'):
        return '0'
    return mp.nstr(v, 20, min_fixed=-5, max_fixed=5)


def write_data(directory):
    with open(os.path.join(directory, 'numeric_lgamma.txt'), 'w') as out:
        out.write('# x, ln Gamma(x) by mpmath at 60 digits\n')
        for x in lgamma_points():
            out.write('%.17g %s\n' % (x, fmt(mp.loggamma(mp.mpf(x)))))
    with open(os.path.join(directory, 'numeric_erf.txt'), 'w') as out:
        out.write('# x, erf(x) by mpmath at 60 digits\n')
        for x in erf_points():
            out.write('%.17g %s\n' % (x, fmt(mp.erf(mp.mpf(x)))))
    with open(os.path.join(directory, 'numeric_student_t.txt'), 'w') as out:
        out.write('# n, t, P(T <= t) for n degrees of freedom by mpmath\n')
        for n in STUDENT_N:
            for t in student_points():
                out.write('%.17g %.17g %s\n' % (n, t, fmt(student_t_cdf_reference(t, n))))
        for n in STUDENT_EXTRA_N:
            for t in student_points()[::3]:
                out.write('%.17g %.17g %s\n' % (n, t, fmt(student_t_cdf_reference(t, n))))
    with open(os.path.join(directory, 'numeric_fdist.txt'), 'w') as out:
        out.write('# x, denominator degrees m, numerator degrees n, F distribution function\n')
        for m in F_DEGREES:
            for n in F_DEGREES:
                for x in F_X:
                    s = mp.mpf(n) * x / m
                    value = regularized_beta_reference(mp.mpf(n) / 2, mp.mpf(m) / 2, s / (1 + s))
                    out.write('%.17g %d %d %s\n' % (x, m, n, fmt(value)))


# --- Output --------------------------------------------------------------------


def cpp_row(row):
    return '    {' + ', '.join(repr(c) for c in row) + '},'


def print_cpp(name, rows):
    print('constexpr double %s[%d][%d] = {' % (name, len(rows), len(rows[0])))
    for row in rows:
        print(cpp_row(row))
    print('};')


def accuracy_report(tables, report):
    worst_rel, worst_rel_at, worst_abs, worst_abs_at = 0.0, 0.0, 0.0, 0.0
    for x in lgamma_points():
        ref = mp.loggamma(mp.mpf(x))
        err = abs(mp.mpf(log_gamma_double(x, tables)) - ref)
        if abs(ref) < 1:
            if err > worst_abs:
                worst_abs, worst_abs_at = float(err), x
        elif err / abs(ref) > worst_rel:
            worst_rel, worst_rel_at = float(err / abs(ref)), x
    report.append('LogGamma over (0, 200]: max rel err %.3g at x=%r (|lnG|>=1), '
                  'max abs err %.3g at x=%r (|lnG|<1)'
                  % (worst_rel, worst_rel_at, worst_abs, worst_abs_at))
    worst, worst_at = 0.0, 0.0
    for x in erf_points():
        err = float(abs(mp.mpf(erf_double(x, tables)) - mp.erf(mp.mpf(x))))
        if err > worst:
            worst, worst_at = err, x
    report.append('Erf over [-7, 7]: max abs err %.3g at x=%r' % (worst, worst_at))
    assert worst_rel < 1e-15 and worst_abs < 1e-15 and worst < 1e-15, 'accuracy target missed'


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--data', metavar='DIR',
                        help='also write the reference data files into DIR')
    args = parser.parse_args()
    report = []
    tables = build_tables(report)
    print('// LogGamma, 0.5 <= y < 3.5 (generated by tools/tables/gen_numeric_tables.py)')
    print_cpp('kLogGammaB', tables[0])
    print('// LogGamma, 3.5 <= y < 8')
    print_cpp('kLogGammaC', tables[1])
    print('// Erf, |x| < 2.2')
    print_cpp('kErfE1', tables[2])
    print('// Erf, 2.2 <= |x| < 6.9')
    print_cpp('kErfE2', tables[3])
    print('// Student t upper tail for large n: coefficients of v^(2k) in '
          '(sinh(v/2)/(v/2))^(-1/2)')
    coeffs = student_tail_coeffs(14)
    print('constexpr double kStudentTailC[%d] = {' % len(coeffs))
    print('    ' + ', '.join(repr(c) for c in coeffs) + ',')
    print('};')
    import accuracy_tables  # pylint: disable=import-outside-toplevel
    accuracy_tables.print_tables(report)
    report.append('Student t tail coefficients: c1 = %r (exact -1/48 = %r), c2 = %r '
                  '(exact 1/2560 = %r)' % (coeffs[1], -1 / 48, coeffs[2], 1 / 2560))
    accuracy_report(tables, report)
    for line in report:
        print('// ' + line, file=sys.stderr)
    for a, b, x in [(0.5, 0.5, 0.3), (2, 3, 0.4), (12.5, 40, 0.2), (50, 7, 0.9)]:
        diff = abs(regularized_beta_reference(a, b, x) -
                   mp.betainc(a, b, 0, x, regularized=True))
        assert diff < mp.mpf('1e-40'), (a, b, x, diff)
    if args.data:
        write_data(args.data)
        accuracy_tables.write_data(args.data)


if __name__ == '__main__':
    main()
