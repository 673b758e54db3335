"""Tables and reference data for exact factorials, the complementary error
function between 1 and 2, the uniform expansion of the incomplete gamma
function, the normal quantile and the trigonometric functions in degrees and
grads. gen_numeric_tables.py calls this module; see its --help.

Tables (printed as C++):

  kFactorials       n! for n = 0..170 rounded once to double (Python's exact
                    integers; int -> float conversion rounds to nearest).
  kErfcRoot16From1  erfc(y)^(1/16) for 1 <= y < 2, a degree-12 polynomial in
                    y - 1, like the rows of table E2 above 2.
  kTemmeC           Taylor coefficients in eta of Temme's c_k(eta), k = 0..K-1,
                    for Q(a, x) = erfc(eta sqrt(a/2))/2 + R with
                    R = exp(-a eta^2/2)/sqrt(2 pi a) sum c_k(eta) a^-k,
                    lambda = x/a, eta^2/2 = lambda - 1 - ln(lambda).
                    c_0 = 1/(lambda - 1) - 1/eta and
                    c_k = c_(k-1)'(eta)/eta + d_k/(lambda - 1), d_k the
                    coefficients of 1/Gamma*(a) in 1/a (from the Bernoulli
                    numbers). The script checks the truncated expansion, with
                    the coefficients rounded to double, against mpmath.

Reference data (--data):

  numeric_combinatorics.txt   kind n r exact-integer (F: n!, P: nPr, C: nCr)
  numeric_inverse_normal.txt  p x with Phi(x) = p, 10,000 points
  numeric_incomplete_gamma.txt a x P(a,x) Q(a,x)
  numeric_trig_special.txt    unit angle sin cos tan ("inf": a pole)
"""

import math
import os
from fractions import Fraction

import mpmath as mp

import gen_numeric_tables as base

# --- Factorials ----------------------------------------------------------------


def factorial_table():
    return [float(math.factorial(n)) for n in range(171)]


# --- erfc on [1, 2) -------------------------------------------------------------


def erfc_root16_from1():
    row = [float(c) for c in base.fit(lambda s: mp.erfc(s + 1) ** (mp.mpf(1) / 16), 0, 1, 12)]
    worst = 0
    for i in range(2001):
        y = 1.0 + i / 2000.0 * (1 - 2 ** -52)
        v = base.horner(row, y - 1.0)
        for _ in range(4):
            v = v * v
        ref = mp.erfc(y)
        worst = max(worst, float(abs(v - ref) / ref))
    assert worst < 5e-15, worst
    return row, worst


# --- Temme's uniform expansion ------------------------------------------------

TEMME_TERMS = 12       # c_0 .. c_11
TEMME_MIN_A = 20.0     # the expansion is used for a >= this
TEMME_MAX_ETA = 1.0    # and |eta| <= this


def _series_mul(a, b, n):
    return [mp.fsum(a[i] * b[k - i] for i in range(k + 1)) for k in range(n)]


def _eta_over_mu(n):
    """Taylor coefficients of eta/mu in eta, mu = lambda - 1."""
    # eta = mu sqrt(2 (mu - ln(1 + mu))/mu^2) as a series in mu ...
    h = [mp.mpf(2) * (-1) ** k / (k + 2) for k in range(n)]
    s = [mp.mpf(1)] + [mp.mpf(0)] * (n - 1)
    for k in range(1, n):
        s[k] = (h[k] - mp.fsum(s[i] * s[k - i] for i in range(1, k))) / 2
    e = [mp.mpf(0)] + s[:n - 1]
    # ... reversed into mu as a series in eta ...
    m = [mp.mpf(0)] * n
    m[1] = 1 / e[1]
    for k in range(2, n):
        comp = [mp.mpf(0)] * (k + 1)
        power = [mp.mpf(1)] + [mp.mpf(0)] * k
        for j in range(1, k + 1):
            power = _series_mul(power, m, k + 1)
            for i in range(k + 1):
                comp[i] += e[j] * power[i]
        m[k] = -comp[k] / e[1]
    # ... and eta/mu = 1/(m_1 + m_2 eta + ...).
    q = m[1:]
    f = [1 / q[0]] + [mp.mpf(0)] * (n - 2)
    for k in range(1, n - 1):
        f[k] = -mp.fsum(q[i] * f[k - i] for i in range(1, k + 1)) / q[0]
    return f


def _inverse_gamma_star(k):
    """Coefficients of 1/Gamma*(a) in 1/a, Gamma*(a) = Gamma(a)/(sqrt(2 pi/a) (a/e)^a)."""
    log_series = [mp.mpf(0)] * (k + 1)
    for j in range(1, k + 1):
        if 2 * j - 1 <= k:
            log_series[2 * j - 1] = -mp.bernoulli(2 * j) / (2 * j * (2 * j - 1))
    out = [mp.mpf(1)] + [mp.mpf(0)] * k
    for n in range(1, k + 1):
        out[n] = mp.fsum(i * log_series[i] * out[n - i] for i in range(1, n + 1)) / n
    return out


def temme_coefficients():
    """Rows c_k(eta), highest power first, padded to one length."""
    with mp.workdps(80):
        degree = 70
        f = _eta_over_mu(degree + TEMME_TERMS + 3)
        d = _inverse_gamma_star(TEMME_TERMS)
        rows = [[f[i + 1] for i in range(degree + TEMME_TERMS)]]
        for k in range(1, TEMME_TERMS):
            prev = rows[-1]
            g = [(i + 1) * prev[i + 1] + d[k] * f[i] for i in range(len(prev) - 1)]
            assert abs(g[0]) < mp.mpf(10) ** -50, g[0]
            rows.append(g[1:])
        # Cut each row where the rest adds less than 1e-20 of the leading
        # term's size at the largest |eta| and the smallest a.
        cut = []
        for k, row in enumerate(rows):
            scale = mp.mpf(TEMME_MIN_A) ** -k
            n = len(row)
            while n > 1 and mp.fsum(abs(c) * TEMME_MAX_ETA ** i for i, c in enumerate(row[n - 1:], n - 1)) * scale < 1e-20:
                n -= 1
            cut.append([float(c) for c in row[:n + 1]])
    width = max(len(r) for r in cut)
    return [[0.0] * (width - len(r)) + list(reversed(r)) for r in cut]


def _mu_of_eta(eta):
    if eta == 0:
        return mp.mpf(0)
    return mp.findroot(lambda m: m - mp.log1p(m) - eta ** 2 / 2, eta * (1 + eta / 3))


def _gamma_q_fraction(a, x):
    """Q(a, x) for x > a by Legendre's continued fraction (modified Lentz) at
    70 digits, for the points where mpmath's hypergeometric series gives up."""
    with mp.workdps(70):
        tiny = mp.mpf(10) ** -300
        b = x + 1 - a
        c, d = 1 / tiny, 1 / b
        h = d
        for i in range(1, 10 ** 7):
            an = -i * (i - a)
            b += 2
            d = an * d + b
            d = 1 / (d if abs(d) > tiny else tiny)
            c = b + an / c
            c = c if abs(c) > tiny else tiny
            h *= d * c
            if abs(d * c - 1) < mp.mpf(10) ** -65:
                return mp.exp(a * mp.log(x) - x - mp.loggamma(a)) * h
    raise ArithmeticError('continued fraction did not converge')


def gamma_pq(a, x):
    """P(a, x) and Q(a, x) by mpmath, each from the side where it is small."""
    a, x = mp.mpf(a), mp.mpf(x)
    if x < a:
        p = mp.gammainc(a, 0, x, regularized=True)
        return p, 1 - p
    try:
        q = mp.gammainc(a, x, mp.inf, regularized=True)
    except mp.libmp.NoConvergence:
        q = _gamma_q_fraction(a, x)
    return 1 - q, q


def check_temme(rows):
    """The truncated expansion with double coefficients against mpmath, as a
    relative error of the smaller of P and Q."""
    worst = 0
    for a in [20, 21.5, 30, 50, 100, 1000, 1e5]:
        for i in range(-10, 11):
            eta = mp.mpf(i) / 10 * TEMME_MAX_ETA
            x = a * (1 + _mu_of_eta(eta))
            s = mp.fsum(base.horner(row, eta) * mp.mpf(a) ** -k for k, row in enumerate(rows))
            r = mp.exp(-a * eta ** 2 / 2) / mp.sqrt(2 * mp.pi * a) * s
            p, q = gamma_pq(a, x)
            if eta >= 0:
                err = abs(mp.erfc(eta * mp.sqrt(a / 2)) / 2 + r - q) / q
            else:
                err = abs(mp.erfc(-eta * mp.sqrt(a / 2)) / 2 - r - p) / p
            worst = max(worst, float(err))
    assert worst < 2e-16, worst
    return worst


# --- Reference data ------------------------------------------------------------


def _exact(v):
    return 'inf' if v >= 2 ** 1024 else str(v)


COMBINATION_ROWS = (
    [(n, r) for n in (10, 30, 52, 60, 61, 62, 66, 67, 68) for r in range(n + 1)] +
    [(n, r) for n in (100, 200, 1000, 1029, 1030, 1100)
     for r in (0, 1, 2, 3, 5, 10, 20, 50, n // 4, n // 2 - 1, n // 2, n - 3, n - 1, n)] +
    [(1e6, 3), (1e6, 7), (1e6, 60), (2.0 ** 53, 2), (2.0 ** 53 + 2, 3), (1e15, 2), (1e20, 2),
     (2.0 ** 64 + 2 ** 12, 5), (1e150, 2), (1e300, 1), (1e300, 2), (1e308, 0), (2.0 ** 70, 14)])
PERMUTATION_ROWS = (
    [(n, r) for n in range(31) for r in range(n + 1)] +
    [(170, 170), (171, 171), (171, 170), (200, 20), (1e6, 10), (2.0 ** 53 + 2, 3), (1e20, 3),
     (1e100, 3), (1e300, 1), (2.0 ** 64 + 2 ** 12, 10)])


def write_combinatorics(out):
    out.write('# kind n r exact: F n! (r unused), P nPr(n, r), C nCr(n, r); inf from 2^1024 on\n')
    for n in range(171):
        out.write('F %d 0 %s\n' % (n, math.factorial(n)))
    for n, r in PERMUTATION_ROWS:
        ni = int(n)
        out.write('P %.17g %d %s\n' % (n, r, _exact(math.perm(ni, r))))
    for n, r in COMBINATION_ROWS:
        ni = int(n)
        out.write('C %.17g %d %s\n' % (n, r, _exact(math.comb(ni, r))))


def _lower_quantile(p):
    """x with Phi(x) = p <= 1/2, by Newton's method at 50 digits."""
    with mp.workdps(50):
        p = mp.mpf(p)
        x = -mp.sqrt(-2 * mp.log(p)) if p < mp.mpf('0.3') else (p - mp.mpf(0.5)) * mp.sqrt(2 * mp.pi)
        for _ in range(200):
            step = (mp.ncdf(x) - p) / mp.npdf(x)
            x -= step
            if abs(step) <= abs(x) * mp.mpf(10) ** -45 or step == 0:
                return x
    raise ArithmeticError('no convergence at p = %r' % p)


def normal_quantile(p):
    if p > 0.5:
        return -_lower_quantile(mp.mpf(1) - mp.mpf(p))  # 1 - p is exact
    return _lower_quantile(p)


def inverse_normal_points():
    pts = set()
    for i in range(4000):            # lower tail and body, logarithmically
        pts.add(10.0 ** (-300 + 300 * i / 3999 * (1 - 1e-15)) * 0.5)
    for i in range(1, 3000):         # evenly over (0, 1)
        pts.add(i / 3000.0)
    for i in range(2000):            # upper tail up to 1 - 1e-16
        pts.add(1.0 - 10.0 ** (-0.31 - 15.69 * i / 1999))
    for b in (0.02425, 0.97575, 0.5, 0.25, 0.75, 1e-300, 1 - 2 ** -53, 2 ** -53, 0.0786):
        pts.update(base.around([b]))
    pts = sorted(p for p in pts if 1e-300 <= p <= 1.0 - 1e-16)
    # Fill up to 10,000 with points between neighbours of the largest gaps.
    while len(pts) < 10000:
        gaps = sorted(range(len(pts) - 1), key=lambda i: pts[i + 1] / pts[i])[-(10000 - len(pts)):]
        pts = sorted(set(pts) | {pts[i] * math.sqrt(pts[i + 1] / pts[i]) for i in gaps})
    return pts[:10000]


INCOMPLETE_GAMMA_A = [0.01, 0.5, 1.0, 2.5, 10.0, 19.5, 20.0, 20.5, 50.0, 100.0, 999.0, 1000.5, 1001.0,
                      2000.0, 1e4, 12345.678, 1e5, 1e6]
INCOMPLETE_GAMMA_LAMBDA = [1e-3, 0.1, 0.3, 0.31, 0.5, 0.8, 0.9, 0.95, 0.99, 1.0, 1.01, 1.05, 1.1, 1.5,
                           2.0, 2.35, 2.4, 3.0, 5.0, 10.0]
INCOMPLETE_GAMMA_SIGMAS = [0.5, 1, 2, 3, 5, 8, 12, 20, 30]


def incomplete_gamma_points():
    rows = set()
    for a in INCOMPLETE_GAMMA_A:
        xs = {a * lam for lam in INCOMPLETE_GAMMA_LAMBDA}
        for k in INCOMPLETE_GAMMA_SIGMAS:
            xs.update({a + k * math.sqrt(a), a - k * math.sqrt(a)})
        xs.update({0.1, 1.0, 5.0, 100.0, 700.0})
        for x in xs:
            if x > 0:
                rows.add((a, x))
    # The lower tail near 1e-300 and the upper near 1e-300 for large a.
    for a in (100.0, 1000.5, 1e4, 1e5, 1e6):
        for target in (1e-100, 1e-250, 1e-299):
            for side in (-1, 1):
                rows.add((a, _gamma_tail_point(a, target, side)))
    return sorted(rows)


def _gamma_tail_point(a, target, side):
    """A double x where P(a, x) (side -1) or Q(a, x) (side 1) is about target."""
    lo, hi = (a * 1e-9, a) if side < 0 else (a, a * 100)
    for _ in range(60):
        mid = (lo + hi) / 2
        p, q = gamma_pq(a, mid)
        value = p if side < 0 else q
        if (value < target) == (side < 0):
            lo = mid
        else:
            hi = mid
    return float(mp.nstr((lo + hi) / 2, 12))


def check_gamma_fraction():
    """The fallback agrees with mpmath where both work."""
    for a, x in [(0.5, 3.0), (20.0, 40.0), (1000.5, 1200.0), (1e5, 1.01e5)]:
        q = mp.gammainc(mp.mpf(a), mp.mpf(x), mp.inf, regularized=True)
        assert abs(_gamma_q_fraction(mp.mpf(a), mp.mpf(x)) / q - 1) < mp.mpf(10) ** -50, (a, x)


def write_incomplete_gamma(out):
    out.write('# a x P(a, x) Q(a, x): the regularized incomplete gamma functions by mpmath, '
              'each from the side where it is small\n')
    for a, x in incomplete_gamma_points():
        p, q = gamma_pq(a, x)
        out.write('%.17g %.17g %s %s\n' % (a, x, base.fmt(p), base.fmt(q)))


# sin(k pi/6) for k = 0..11 where it is 0, 1/2 or 1; None elsewhere.
_SIN_SIXTHS = [0, 0.5, None, 1, None, 0.5, 0, -0.5, None, -1, None, -0.5]


def _sin_turns(t):
    """sin(pi t) for a rational t: exact at multiples of 1/6 where the value
    is rational, else mpmath at 60 digits."""
    six = 6 * t
    if six.denominator == 1 and _SIN_SIXTHS[six.numerator % 12] is not None:
        return mp.mpf(_SIN_SIXTHS[six.numerator % 12])
    with mp.workdps(60):
        return mp.sinpi(mp.mpf(t.numerator) / t.denominator)


def _exact_angle_value(fn, angle, half_turn):
    """sin, cos or tan of angle (a double, in units of which half_turn make
    pi), from the exact rational angle; None for a pole of tan."""
    t = (Fraction(angle) % (2 * half_turn)) / half_turn
    s, c = _sin_turns(t), _sin_turns(t + Fraction(1, 2))
    if fn == 'sin':
        return s
    if fn == 'cos':
        return c
    with mp.workdps(60):
        return None if c == 0 else s / c


TRIG_EXTRA = [0.1, 1.5, 29.999999999999996, 30.000000000000004, 89.99999999, 179.9999, 1e-300,
              359.99999999999994, -45.000000000000007, 12345.678, 1e15 + 0.5, 360000000.0, 1e20, 1e22,
              2.0 ** 60, 1e300, -1e20]


def write_trig(out):
    out.write('# unit angle sin cos tan, the angle in degrees or grads; "inf": tan has a pole\n')
    cases = [('deg', a, 180) for a in range(-720, 721, 15)] + [('grad', a, 200) for a in range(-800, 801, 25)]
    cases += [('deg', a, 180) for a in TRIG_EXTRA] + [('grad', a, 200) for a in TRIG_EXTRA]
    for unit, angle, half in cases:
        values = [_exact_angle_value(fn, angle, half) for fn in ('sin', 'cos', 'tan')]
        text = ['inf' if v is None else base.fmt(v) for v in values]
        out.write('%s %.17g %s\n' % (unit, angle, ' '.join(text)))


def write_data(directory):
    with open(os.path.join(directory, 'numeric_combinatorics.txt'), 'w') as out:
        write_combinatorics(out)
    with open(os.path.join(directory, 'numeric_inverse_normal.txt'), 'w') as out:
        out.write('# p x: the standard normal quantile, Phi(x) = p, by mpmath at 50 digits\n')
        for p in inverse_normal_points():
            out.write('%.17g %s\n' % (p, base.fmt(normal_quantile(p))))
    check_gamma_fraction()
    with open(os.path.join(directory, 'numeric_incomplete_gamma.txt'), 'w') as out:
        write_incomplete_gamma(out)
    with open(os.path.join(directory, 'numeric_trig_special.txt'), 'w') as out:
        write_trig(out)


# --- C++ ----------------------------------------------------------------------


def print_tables(report):
    facts = factorial_table()
    print('// n! for n = 0..170, each rounded once (exact up to 22!)')
    print('constexpr double kFactorials[%d] = {' % len(facts))
    for i in range(0, len(facts), 4):
        print('    ' + ', '.join(repr(v) for v in facts[i:i + 4]) + ',')
    print('};')
    row, worst = erfc_root16_from1()
    print('// erfc(y)^(1/16) for 1 <= y < 2, in y - 1')
    print('constexpr double kErfcRoot16From1[%d] = {%s};' % (len(row), ', '.join(repr(c) for c in row)))
    report.append('erfc on [1, 2) from kErfcRoot16From1: max rel err %.3g' % worst)
    rows = temme_coefficients()
    base.print_cpp('kTemmeC', rows)
    report.append('Temme expansion, %d terms, a >= %g, |eta| <= %g: max rel err %.3g (double coefficients)'
                  % (TEMME_TERMS, TEMME_MIN_A, TEMME_MAX_ETA, check_temme(rows)))
