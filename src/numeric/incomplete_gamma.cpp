// The regularized incomplete gamma functions P(a, x) and Q(a, x) = 1 - P,
// each with its own relative accuracy, and what rests on them.
//
// Method, by region (lambda = x/a, eta^2/2 = lambda - 1 - ln lambda, eta of
// the sign of x - a):
//   a >= 20, |eta| <= 1   Temme's uniform expansion,
//                         Q = erfc(eta sqrt(a/2))/2 + exp(-a eta^2/2)/sqrt(2 pi a) sum c_k(eta) a^-k,
//                         12 terms (kTemmeC); P from the mirror form for eta < 0.
//   x < a (a >= 20), x < a + 1 (a < 20)
//                         the series P = x^a e^-x / Gamma(a+1) sum x^n / ((a+1)...(a+n)).
//   otherwise             Legendre's continued fraction for Q (modified Lentz).
// Each method gives P or Q, the other is 1 minus it. The factor
// x^a e^-x / Gamma(a+1) is exp(-D - StirlingError(a)) / sqrt(2 pi a) with
// D = x - a - a ln(x/a) carried in double-double arithmetic: a double D near
// 700 alone would cost 6e-14 of relative error. std::exp serves there, not
// the library's pow(e, y), whose e is off by 5e-17 relative, 4e-14 at y = 700.
// Measured against mpmath on 713 points with a from 0.01 to 1e6 and results
// down to 1e-300 (tests/data/numeric_incomplete_gamma.txt) and 400 random
// ones: relative error of P at most 3.6e-15, of Q at most 5.5e-15, except Q
// for a < 1 and x < a + 1, where 1 - P leaves up to 8.3e-14 (Q >= 0.002).
#include <cmath>
#include <limits>

#include "numeric/constants.h"
#include "numeric/distributions.h"
#include "numeric/gamma.h"
#include "numeric/kernels.h"

namespace abacine {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTwoPi = 6.283185307179586;
constexpr int kMaxTerms = 10000;  // reached only by arguments that do not converge

constexpr double kTemmeMinA = 20;

// c_k(eta) of Temme's expansion, k = 0..11, as polynomials in eta (highest
// power first; tools/tables/accuracy_tables.py). Checked with mpmath for
// a >= 20 and |eta| <= 1: relative error of the smaller of P and Q at most
// 2e-17 with these coefficients.
constexpr double kTemmeC[12][35] = {
    {-5.7509821590070474e-21, 2.835145432176937e-20, -6.969230253185693e-20, -1.2932565538038175e-20, 9.699126059056237e-19, -4.770037049820485e-18, 1.1686939738559576e-17, 2.5305430097478883e-18, -1.6522531216398162e-16, 8.099521156704561e-16, -1.9752288294349442e-15, -5.139111834242572e-16, 2.8534893807047445e-14, -1.392388722418162e-13, 3.371763262400985e-13, 1.1004392031956135e-13, -5.0276692801141755e-12, 2.4361948020667415e-11, -5.830772132550426e-11, -2.5514193994946248e-11, 9.14769958223679e-10, -4.382036018453353e-09, 1.0261809784240309e-08, 6.707853543401498e-09, -1.7665952736826078e-07, 8.296711340953087e-07, -1.85406221071516e-06, -2.185448510679992e-06, 3.919263178522438e-05, -0.0001787551440329218, 0.0003527336860670194, 0.0011574074074074073, -0.014814814814814815, 0.08333333333333333, -0.3333333333333333},
    {0.0, 1.4912630740339597e-23, -1.8972570152858488e-19, 9.366757064132256e-19, -2.3109797315115572e-18, -3.406444194143029e-21, 2.812346653228875e-17, -1.3854195302893971e-16, 3.4100308869333327e-16, 8.286516239883097e-19, -4.13125571381061e-15, 2.0291628823713425e-14, -4.978339972369262e-14, -2.1671786527323313e-16, 5.996696365683689e-13, -2.933186643771437e-12, 7.1624989648114856e-12, 6.067215101604758e-14, -8.56390702649298e-11, 4.162792991842583e-10, -1.0091543710600413e-09, -1.7543241719747647e-11, 1.1951628599778148e-08, -5.752545603517705e-08, 1.378633446915721e-07, 4.647127802807434e-09, -1.6120900894563446e-06, 7.64916091608111e-06, -1.8098550334489977e-05, -4.018775720164609e-07, 0.00020576131687242798, -0.0009902263374485596, 0.0026455026455026454, -0.003472222222222222, -0.001851851851851852},
    {0.0, 0.0, 0.0, 4.472120729796853e-22, -6.067854696810877e-18, 2.9020384270164786e-17, -6.928881229347671e-17, -9.000027395741211e-20, 7.868833639035156e-16, -3.737820398046405e-15, 8.859221872591127e-15, 1.8931876768373515e-17, -9.905105763906907e-14, 4.662239946390136e-13, -1.0940640427884595e-12, -4.1689782251838634e-15, 1.197593554636698e-11, -5.5645956134363323e-11, 1.2872252400089318e-10, 9.428356159014678e-13, -1.3670488396617114e-09, 6.228974084922022e-09, -1.409252991086752e-08, -2.0477098421990866e-10, 1.4280614206064242e-07, -6.298992138380055e-07, 1.3721957309062934e-06, 3.423578734096138e-08, -1.2760635188618728e-05, 5.2923448829120125e-05, -0.0001073665322636516, 2.0093878600823047e-06, 0.0007716049382716049, -0.0026813271604938273, 0.004133597883597883},
    {0.0, 0.0, 0.0, 0.0, 0.0, 1.0735443641247309e-21, -1.8200430439538226e-16, 8.415979290484816e-16, -1.9405297673344544e-15, -2.58260790403495e-19, 2.045367122678285e-14, -9.344688791517433e-14, 2.126978363279737e-13, 6.208819573407901e-17, -2.178219188018096e-12, 9.790998951171684e-12, -2.1894761681963938e-11, -1.388823336813903e-14, 2.1541049775774907e-10, -9.460496661855133e-10, 2.0620131815488797e-09, 2.3928620439808118e-12, -1.9111168485973655e-08, 8.099464905388083e-08, -1.6958404091930278e-07, -2.7861080291528143e-11, 1.4230900732435883e-06, -5.6749528269915965e-06, 1.1082654115347302e-05, -2.396505113867297e-07, -7.561801671883977e-05, 0.00026772063206283885, -0.0004691894943952557, 0.00022947209362139917, 0.0006494341563786008},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 3.0552097557171355e-20, -5.096082608472402e-15, 2.2722958222901286e-14, -5.045332069080094e-14, -6.33859148489156e-18, 4.908815614809652e-13, -2.149246470613483e-12, 4.67927502665792e-12, 1.278600101629623e-15, -4.356323005056618e-11, 1.86023389685045e-10, -3.9409233028046403e-10, -2.3024517174528067e-13, 3.4463580499464896e-09, -1.4189739437803219e-08, 2.8865829742708783e-08, 2.956794137544049e-11, -2.292934834000805e-07, 8.907507532205309e-07, -1.6954149536558305e-06, 2.507497226237533e-10, 1.1375726970678419e-05, -3.968365047179435e-05, 6.641498215465122e-05, -1.4638452578843418e-06, -0.0002990724803031902, 0.0007840392217200666, -0.0008618882909167117},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.8987240764284076e-19, -1.3249659916340829e-13, 5.680743584990564e-13, -1.210902069055155e-12, -3.661886712685252e-17, 1.0799129993116828e-11, -4.513426216163278e-11, 9.358944242306784e-11, 5.192679165254041e-15, -7.840924253697429e-10, 3.162417628774568e-09, -6.306194500013523e-09, -1.7989466721743514e-14, 4.8240967037894184e-08, -1.8447187191171344e-07, 3.4652846491085265e-07, -3.252473551298454e-10, -2.291481176508095e-06, 8.018470256334202e-06, -1.3594048189768693e-05, 1.419062920643967e-07, 6.797780477937208e-05, -0.00019932570516188847, 0.0002772753244959392, -6.972813758365857e-05, -0.00033679855336635813},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 4.710976121367431e-18, -3.1799163902367977e-12, 1.3065700536611057e-11, -2.6639822008536144e-11, -7.613230520476153e-16, 2.1598224929232125e-10, -8.575492823577594e-10, 1.6846058979264062e-09, 8.649648858010293e-14, -1.2545415020710383e-08, 4.7435958880408125e-08, -8.828600746330484e-08, 2.338630673826657e-13, 5.788792863149004e-07, -2.0291327396058603e-06, 3.465155368803609e-06, -3.0796134506033047e-09, -1.8329116582843375e-05, 5.61168275310625e-05, -8.153969367561969e-05, 7.902353232660328e-07, 0.0002708782096718045, -0.0005921664373536939, 0.0005313079364639922},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -4.403168815871311e-12, 8.856689099669639e-12, 2.589986387486848e-17, -6.995796092070568e-11, 2.7437977643314844e-10, -5.327994173877286e-10, -3.881002251019412e-17, 3.887645959386175e-09, -1.4578352908731272e-08, 2.695423606288966e-08, -1.297447328701544e-12, -1.7562973359060463e-07, 6.166714376110408e-07, -1.0595367014026043e-06, 4.93875893393627e-10, 5.7876949497350525e-06, -1.8263488805711332e-05, 2.7744451511563645e-05, -1.2741009095484485e-07, -0.00010976582244684731, 0.0002812695154763237, -0.00033493161081142234, 5.171790908260592e-05, 0.00034436760689237765},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -1.0127287556389682e-10, 1.9484714275467745e-10, 5.382058999060575e-16, -1.3991589583935709e-09, 5.213214492280807e-09, -9.590386497425686e-09, 6.597703826733e-16, 6.220228804018927e-08, -2.1867506700122867e-07, 3.773587741611098e-07, -1.7213731432817144e-11, -2.1075476666258803e-06, 6.783342904865167e-06, -1.0595271125805195e-05, 4.557909867922708e-09, 4.629953263691304e-05, -0.00012783517679769218, 0.00016644846642067547, -6.969091458420552e-07, -0.000438297098541721, 0.0008394987206720873, -0.0006526239185953094},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -2.1267304792235634e-09, 3.896947075815478e-09, -1.0225912098215092e-14, -2.5184812301826817e-08, 8.862466778790695e-08, -1.534469519070206e-07, 3.6886101871706966e-12, 8.708234177864641e-07, -2.8427815022504407e-06, 4.5284535953805374e-06, -8.858589014125599e-10, -2.1073920183404862e-05, 6.105192082501531e-05, -8.479507117068503e-05, 1.819700838046515e-07, 0.00027750107634328704, -0.0006401475260262758, 0.0006782308837667328, -7.204895416020011e-05, -0.0005967612901927463},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -4.040787734999483e-08, 7.014504316366825e-08, -1.756787766632329e-13, -4.029569309210103e-07, 1.329369701097492e-06, -2.148256587345626e-06, 4.8435226265680926e-11, 1.044986828530338e-05, -3.127053674781734e-05, 4.5284402370562144e-05, -8.1301893922785e-09, -0.00016858853767910798, 0.00042735056665392886, -0.0005087450129309319, 9.9324041226423e-07, 0.0011089369134596636, -0.0019144384985654776, 0.0013324454494800656},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, -6.869339637952674e-07, 1.1223224418895174e-06, -1.1024320105776174e-11, -5.641377387290428e-06, 1.7281818956040464e-05, -2.5779417251947842e-05, 2.12114184918303e-09, 0.00010449513336495887, -0.00028143901463712157, 0.0003623502508476469, -3.99127055299192e-07, -0.0010108559391263003, 0.00213896861856891, -0.0020633421035543276, 0.00016251626278391583, 0.001579727660730835},
};

// A value hi + lo with |lo| <= ulp(hi)/2: about 106 bits.
struct Wide {
  double hi;
  double lo;
};

Wide TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

Wide Normalize(double hi, double lo) {
  const double s = hi + lo;
  return {s, lo - (s - hi)};
}

Wide Add(Wide a, Wide b) {
  const Wide s = TwoSum(a.hi, b.hi);
  return Normalize(s.hi, s.lo + a.lo + b.lo);
}

Wide Times(Wide a, double b) {
  const double p = a.hi * b;
  return Normalize(p, std::fma(a.hi, b, -p) + a.lo * b);
}

Wide Multiply(Wide a, Wide b) {
  const double p = a.hi * b.hi;
  return Normalize(p, std::fma(a.hi, b.hi, -p) + (a.hi * b.lo + a.lo * b.hi));
}

Wide Divide(Wide a, Wide b) {
  const double q = a.hi / b.hi;
  // a - q b, exactly to the first order, over b.
  const Wide qb = Times(b, q);
  return Normalize(q, ((a.hi - qb.hi) - qb.lo + a.lo) / b.hi);
}

// ln(v) for v = hi + lo > 0 in double-double: v = 2^e m with m in
// [sqrt(1/2), sqrt(2)), ln m = 2 atanh(s), s = (m - 1)/(m + 1), |s| < 0.172,
// whose series 2 (s + s^3/3 + s^5/5 + ...) is summed in double-double for
// its first two terms and in double beyond (below 2e-4 of the first).
Wide Log(Wide v) {
  constexpr Wide kLn2{0.6931471805599453, 2.3190468138462996e-17};
  int e = 0;
  double m = std::frexp(v.hi, &e);
  if (m < 0.7071067811865476) {
    m *= 2;
    --e;
  }
  const double mlo = std::ldexp(v.lo, -e);
  const Wide num = TwoSum(m - 1.0, mlo);  // m - 1 is exact
  const Wide den = Add(TwoSum(m, 1.0), {mlo, 0});
  const Wide s = Divide(num, den);
  const Wide s2 = Multiply(s, s);
  const double z = s2.hi;
  double tail = 0;
  for (int k = 23; k >= 5; k -= 2) tail = tail * z + 1.0 / k;  // s^5/5 + ... over s^5
  const Wide cube = Multiply(s2, s);
  Wide sum = Add(s, Divide(cube, {3.0, 0}));
  sum = Add(sum, {cube.hi * z * tail, 0});
  return Add(Times(sum, 2.0), Times(kLn2, e));
}

// D = x - a - a ln(x/a) >= 0 for a, x > 0; +infinity where x/a leaves the
// double range.
Wide Deviance(double a, double x) {
  const double ratio = x / a;
  if (!(ratio > 0 && ratio < kInf)) return {kInf, 0};
  const Wide lambda{ratio, std::fma(-ratio, a, x) / a};
  const Wide aLn = Times(Log(Normalize(lambda.hi, lambda.lo)), a);
  const Wide d = Add(TwoSum(x, -a), {-aLn.hi, -aLn.lo});
  return d.hi < 0 ? Wide{0, 0} : d;  // rounding can leave a tiny negative
}

double ExpMinus(Wide d) { return std::exp(-d.hi) * (1.0 - d.lo); }

// x^a e^-x / Gamma(a + 1). Below a = 1 the exponent a ln x - x - ln Gamma(a+1)
// has no large terms but -x, which the two-part sum keeps exact.
double PowerTerm(double a, double x, Wide d) {
  if (a < 1) {
    const Wide e = TwoSum(-x, a * std::log(x) - LogGamma(a + 1.0));
    return std::exp(e.hi) * (1.0 + e.lo);
  }
  return ExpMinus(d) * std::exp(-StirlingError(a)) / std::sqrt(kTwoPi * a);
}

// P by the power series; x < a + 1, so the terms fall from the first on.
double LowerSeries(double a, double x, double power) {
  if (power == 0) return 0.0;
  double term = 1.0;
  double sum = 1.0;
  for (int n = 1; n <= kMaxTerms; ++n) {
    term *= x / (a + n);
    sum += term;
    if (term <= 1e-17 * sum) return power * sum;
  }
  return kNaN;
}

// Q by Legendre's continued fraction, modified Lentz; x >= a + 1 or x > a
// outside the expansion's range.
double UpperFraction(double a, double x, double power) {
  if (power == 0) return 0.0;
  constexpr double kTiny = 1e-300;
  auto guard = [](double v) { return std::fabs(v) < kTiny ? kTiny : v; };
  double b = x + 1.0 - a;
  double c = 1.0 / kTiny;
  double d = 1.0 / b;
  double h = d;
  for (int i = 1; i <= kMaxTerms; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = 1.0 / guard(an * d + b);
    c = guard(b + an / c);
    const double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1.0) <= 1e-16) return a * power * h;  // x^a e^-x / Gamma(a) times the fraction
  }
  return kNaN;
}

struct Pair {
  double p;
  double q;
};

Pair FromQ(double q) { return {1.0 - q, q}; }
Pair FromP(double p) { return {p, 1.0 - p}; }

// Temme's expansion with D = a eta^2/2: the Gaussian factor exp(-D) is
// taken from the accurate D, the rest from eta and y = sqrt(D).
Pair Uniform(double a, double x, Wide d) {
  const double y = std::sqrt(d.hi);
  const double eta = (x < a ? -1.0 : 1.0) * std::sqrt(2.0 * d.hi / a);
  const double z = 1.0 / a;
  double sum = 0;  // Horner in 1/a, from c_11 down to c_0
  for (int k = 11; k >= 0; --k) sum = sum * z + Horner(kTemmeC[k], eta);
  const double gauss = ExpMinus(d);
  const double r = sum / std::sqrt(kTwoPi * a);
  if (eta >= 0) return FromQ(gauss * (0.5 * ErfcScaled(y) + r));
  return FromP(gauss * (0.5 * ErfcScaled(y) - r));
}

Pair RegularizedGamma(double a, double x) {
  if (x == 0) return {0.0, 1.0};
  if (std::isnan(a) || std::isnan(x) || !(a > 0)) return {kNaN, kNaN};
  if (x < 0) return {0.0, 1.0};
  if (a == kInf) return x == kInf ? Pair{kNaN, kNaN} : Pair{0.0, 1.0};
  if (x == kInf) return {1.0, 0.0};
  const Wide d = a >= 1 ? Deviance(a, x) : Wide{0, 0};
  if (a >= kTemmeMinA && d.hi <= 0.5 * a) return Uniform(a, x, d);  // |eta| <= 1
  const double power = PowerTerm(a, x, d);
  if (x < (a >= kTemmeMinA ? a : a + 1.0)) return FromP(LowerSeries(a, x, power));
  return FromQ(UpperFraction(a, x, power));
}

}  // namespace

double GammaP(double a, double x) { return RegularizedGamma(a, x).p; }

double GammaQ(double a, double x) { return RegularizedGamma(a, x).q; }

double UpperGamma(double a, double x) { return Gamma(a) * GammaQ(a, x); }

double GammaInterval(double a, double lower, double upper) {
  const Pair lo = RegularizedGamma(a, lower);
  const Pair hi = RegularizedGamma(a, upper);
  // From whichever side the interval's end is less than half the mass.
  return hi.p <= 0.5 ? hi.p - lo.p : lo.q - hi.q;
}

}  // namespace abacine
