#include "engine/builtins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine_support.h"
#include "numeric/distributions.h"
#include "numeric/gamma.h"

namespace abacine {
namespace {

using test::CheckEval;
using test::UlpDistance;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Angle modes other than degrees and grads convert nothing. Degrees and
// grads are reduced exactly, so the special angles are exact and the poles of
// tan (and so of sec, csc and cot) have no answer.
TEST(BuiltinsTest, TrigonometryInEachAngleMode) {
  CheckEval({
      {u"sin(30)", 0.5, 0, Degrees},                   {u"sin(30)", -0.9880316240928618, 0, Radians},
      {u"sin(30)", -0.9880316240928618, 0, 7},         {u"asin(1)", 90, 0, Degrees},
      {u"asin(1)", 100, 0, Grads},                     {u"asin(1)", 1.5707963267948966, 0, -1},
      {u"cos(60)", 0.5, 0, Degrees},                   {u"tan(45)", 1, 0, Degrees},
      {u"tan(50)", 1, 0, Grads},                       {u"csc(30)", 2, 0, Degrees},
      {u"sec(60)", 2, 0, Degrees},                     {u"cot(45)", 1, 0, Degrees},
      {u"sin(180)", 0, 0, Degrees},                    {u"cos(90)", 0, 0, Degrees},
      {u"cos(-270)", 0, 0, Degrees},                   {u"sin(-150)", -0.5, 0, Degrees},
      {u"floor(2sin(30))", 1, 0, Degrees},             {u"sin(360000000)", 0, 0, Degrees},
      {u"sin(200)", 0, 0, Grads},                      {u"cos(-300)", 0, 0, Grads},
      {u"cot(90)", 0, 0, Degrees},                     {u"cot(100)", 0, 0, Grads},
      {u"tan(90)", 0, kEvalNotFinite, Degrees},        {u"tan(-270)", 0, kEvalNotFinite, Degrees},
      {u"tan(100)", 0, kEvalNotFinite, Grads},         {u"sec(90)", 0, kEvalNotFinite, Degrees},
      {u"csc(180)", 0, kEvalNotFinite, Degrees},       {u"cot(0)", 0, kEvalNotFinite, Degrees},
      {u"sec(300)", 0, kEvalNotFinite, Grads},         {u"csc(0)", 0, kEvalNotFinite},
      {u"acos(0.5)", 60.00000000000001, 0, Degrees},   {u"atan(1)", 50, 0, Grads},
      // atan2(x, y) is the angle of the point (x, y).
      {u"atan2(0,1)", 90, 0, Degrees},    {u"atan2(1,0)", 0, 0, Degrees},  {u"atan2(1,1)", 45, 0, Degrees},
      {u"atan2(-1,0)", 180, 0, Degrees},
      // The inverse cofunctions give principal values; acot does not cancel
      // for large arguments (pi/2 - atan(x) gave 1.0000000827e-10 and 0).
      {u"acot(1)", 45, 0, Degrees},                  {u"acot(0)", 90, 0, Degrees},
      {u"acot(-1)", 135, 0, Degrees},                {u"acot(1)", 0.7853981633974483, 0},
      {u"acot(10000000000)", 1e-10, 0},              {u"acot(10000000000000000)", 1e-16, 0},
      {u"acot(-10000000000)", 3.141592653489793, 0}, {u"acot(-0)", 1.5707963267948966, 0},
      {u"asec(2)", 1.0471975511965979, 0},           {u"asec(-2)", 2.0943951023931957, 0},
      {u"acsc(2)", 30.000000000000004, 0, Degrees},  {u"acsc(-2)", -0.5235987755982989, 0},
      {u"asec(0.5)", 0, kEvalNotFinite},             {u"acsc(0)", 0, kEvalNotFinite},
      {u"acsc(0.5)", 0, kEvalNotFinite},
  });
  // Away from the special angles, within two units in the last place of the
  // correctly rounded value (mpmath): sin(1e20 degrees) is sin(280 degrees).
  CheckEval({
      {u"sin(100000000000000000000)", -0.98480775301220805937, 0, Degrees},
      {u"sin(1.5)", 0.026176948307873153, 0, Degrees},
      {u"cos(15)", 0.96592582628906828675, 0, Degrees},
      {u"tan(60)", 1.7320508075688772935, 0, Degrees},
      {u"sin(50)", 0.7071067811865475244, 0, Grads},
  }, 2);
}

// Every multiple of 15 degrees from -720 to 720 and of 25 grads from -800
// to 800, and angles near and far from them, against mpmath
// (tests/data/numeric_trig_special.txt): 0, 1/2 and 1 exactly (and +0, not
// -0), other values within two units in the last place (three for tan), and
// the poles of tan as +infinity, where cot is 0 and sec has no answer, as
// csc and cot have none where sin is 0.
TEST(BuiltinsTest, TrigonometryAtSpecialAnglesAgainstReference) {
  std::ifstream in(std::string(ABACINE_TEST_DATA_DIR) + "/numeric_trig_special.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string unit;
    std::string text[4];
    ASSERT_TRUE(fields >> unit >> text[0] >> text[1] >> text[2] >> text[3]) << line;
    SCOPED_TRACE(line);
    SetAngleMode(unit == "deg" ? Degrees : Grads);
    const double angle = std::strtod(text[0].c_str(), nullptr);
    const int32_t ids[3] = {kIdSin, kIdCos, kIdTan};
    for (int i = 0; i < 3; ++i) {
      const double want = std::strtod(text[i + 1].c_str(), nullptr);
      double got = 0;
      ASSERT_TRUE(ComputeBuiltin(ids[i], &angle, 1, got));
      const bool exact = want == 0 || std::fabs(want) == 0.5 || std::fabs(want) == 1 || std::isinf(want);
      if (exact) {
        EXPECT_EQ(got, want) << test::NameOfId(ids[i]);
        EXPECT_FALSE(got == 0 && std::signbit(got)) << test::NameOfId(ids[i]) << " gives -0";
      } else {
        EXPECT_LE(UlpDistance(got, want), i == 2 ? 3 : 2) << test::NameOfId(ids[i]) << " " << got;
      }
    }
    double cot = 0;
    double sec = 0;
    double csc = 0;
    ASSERT_TRUE(ComputeBuiltin(kIdCot, &angle, 1, cot));
    ASSERT_TRUE(ComputeBuiltin(kIdSec, &angle, 1, sec));
    ASSERT_TRUE(ComputeBuiltin(kIdCsc, &angle, 1, csc));
    if (text[3] == "inf") {
      EXPECT_EQ(cot, 0.0);
      EXPECT_FALSE(std::isfinite(sec));
    }
    if (text[1] == "0.0") {  // the poles of csc and cot
      EXPECT_FALSE(std::isfinite(csc));
      EXPECT_FALSE(std::isfinite(cot));
    }
    ++rows;
  }
  SetAngleMode(Radians);
  EXPECT_EQ(rows, 97 + 65 + 2 * 17);
}

TEST(BuiltinsTest, PartsRoundingLogarithmsAndOthers) {
  CheckEval({
      {u"iPart(3.9)", 3, 0},                            {u"fPart(3.9)", 0.8999999999999999, 0},
      {u"iPart(-2.7)", -2, 0},                          {u"fPart(-2.7)", -0.7000000000000002, 0},
      {u"iPart(2147483647.5)", 2147483647, 0},          {u"iPart(10000000000.5)", 10000000000, 0},
      {u"fPart(10000000000.5)", 0.5, 0},                {u"iPart(-3000000000.25)", -3000000000, 0},
      {u"iPart(1/0)", 0, kEvalNotFinite},               {u"ceiling(-2.1)", -2, 0},
      {u"floor(-2.1)", -3, 0},                          {u"abs(-3.5)", 3.5, 0},
      {u"sign(-0)", 0, 0},                              {u"sign(-5)", -1, 0},
      {u"sign(3)", 1, 0},                               {u"sign(0/0)", 1, 0},
      {u"unitStep(0)", 1, 0},                           {u"unitStep(-0)", 1, 0},
      {u"unitStep(-1)", 0, 0},                          {u"re(-2.5)", -2.5, 0},
      {u"im(5)", 0, 0},                                 {u"log10(1000)", 3, 0},
      {u"ln(10)", 2.302585092994046, 0},                {u"sqrt(2)", 1.4142135623730951, 0},
      {u"\u0087(16)", 4, 0},                            {u"exp(2)", 7.3890560989306495, 0},
      {u"exp(-1)", 0.36787944117144233, 0},             {u"exp(1000)", 0, kEvalNotFinite},
      {u"log10(-1)", 0, kEvalNotFinite},                {u"nPr(5,2)", 20, 0},
      {u"nPr(2,5)", 0, 0},                              {u"nCr(5,2)", 10, 0},
      {u"wavelet(0.75)", -1, 0},                        {u"wave(2,0,0.1)", 2, 0},
      {u"NormalPdf(0)", 0.39894228040143265, 0},        {u"InverseNormal(0.5)", 0, 0},
      {u"InverseNormal(0.5,10,2)", 10, 0},              {u"InverseNormal(0)", 0, kEvalNotFinite},
      {u"InverseNormal(1.5,10,2)", 0, kEvalNotFinite},
  });
}

TEST(BuiltinsTest, GcdAndLcmOfWholeNumbers) {
  CheckEval({
      {u"GCD(12,18)", 6, 0},                               {u"GCD(-12,18)", 6, 0},
      {u"GCD(0,5)", 5, 0},                                 {u"GCD(0,0)", 0, 0},
      {u"GCD(12,18,8)", 2, 0},                             {u"GCD(9007199254740992,6)", 2, 0},
      {u"LCM(4,6)", 12, 0},                                {u"LCM(-4,6)", 12, 0},
      {u"LCM(0,5)", 0, 0},                                 {u"LCM(2,3,4)", 12, 0},
      {u"LCM(4294967296,2097152)", 4294967296, 0},         {u"GCD(12.5,5)", 0, kEvalNoMeaning},
      {u"LCM(2,0.5)", 0, kEvalNoMeaning},                  {u"GCD(9007199254740994,2)", 0, kEvalNoMeaning},
      {u"LCM(4294967296,4294967295)", 0, kEvalNoMeaning},  {u"GCD(1/0,2)", 0, kEvalNoMeaning},
      {u"GCD(0/0,2)", 0, kEvalNoMeaning},
  });
}

// The hyperbolic functions, and their inverses with the finite, accurate
// answer wherever there is one (references correctly rounded). NaN: the
// result must not be finite.
TEST(BuiltinsTest, HyperbolicsAreAccurate) {
  const std::tuple<int32_t, double, double, int64_t> rows[] = {
      {kIdCosh, 1, 1.5430806348152437, 0},       {kIdSinh, 1, 1.1752011936438014, 0},
      {kIdTanh, 1, 0.7615941559557649, 0},       {kIdCsch, 1, 0.8509181282393216, 0},
      {kIdSech, 1, 0.6480542736638855, 0},       {kIdCoth, 1, 1.3130352854993315, 0},
      {kIdCsch, 0, kNaN, 0},                     {kIdAsinh, 2, 1.4436354751788103, 0},
      {kIdAsinh, -1e9, -21.416413017506358, 0},  {kIdAsinh, 1e-20, 1e-20, 0},
      {kIdAsinh, 0.3, 0.29567304756342244, 1},   {kIdAsinh, 1e200, 461.2101657793691, 1},
      {kIdAcosh, 1e200, 461.2101657793691, 1},   {kIdAcosh, 1.5, 0.9624236501192069, 1},
      {kIdAcosh, 1, 0, 0},                       {kIdAcosh, 2, 1.3169578969248166, 0},
      {kIdAcosh, 0.5, kNaN, 0},                  {kIdAtanh, 1e-20, 1e-20, 0},
      {kIdAtanh, 0.25, 0.25541281188299536, 1},  {kIdAtanh, 0.5, 0.5493061443340549, 0},
      {kIdAtanh, -0.5, -0.5493061443340549, 0},  {kIdAtanh, 1, kNaN, 0},
      {kIdAtanh, 2, kNaN, 0},                    {kIdAsech, 0.5, 1.3169578969248168, 1},
      {kIdAsech, 1, 0, 0},                       {kIdAsech, 0.999, 0.04474000547751512, 2},
      {kIdAsech, 1e-310, 714.4945260087142, 2},  {kIdAsech, 0, kNaN, 0},
      {kIdAsech, -0.5, kNaN, 0},                 {kIdAsech, 2, kNaN, 0},
      {kIdAcsch, 0.5, 1.4436354751788103, 1},    {kIdAcsch, -0.5, -1.4436354751788103, 1},
      {kIdAcsch, 2, 0.48121182505960347, 1},     {kIdAcsch, 1e200, 1e-200, 1},
      {kIdAcsch, 1e-310, 714.4945260087142, 2},  {kIdAcsch, 0, kNaN, 0},
      {kIdAcoth, 1.5, 0.8047189562170501, 1},    {kIdAcoth, 3, 0.34657359027997264, 1},
      {kIdAcoth, 1e300, 1e-300, 1},              {kIdAcoth, 0.5, kNaN, 0},
      {kIdAcoth, 1, kNaN, 0},
  };
  for (const auto& [id, x, want, ulps] : rows) {
    SCOPED_TRACE(test::NameOfId(id) + "(" + testing::PrintToString(x) + ")");
    double result = 0;
    ASSERT_TRUE(ComputeBuiltin(id, &x, 1, result));
    if (std::isnan(want)) {
      EXPECT_FALSE(std::isfinite(result)) << result;
    } else {
      EXPECT_LE(UlpDistance(result, want), ulps) << testing::PrintToString(result);
    }
  }
}

// Each builtin receives its arguments in written order: a call equals the
// direct call with the same arguments, optional ones filled in.
TEST(BuiltinsTest, ArgumentsArriveInWrittenOrder) {
  const std::tuple<const char16_t*, double> rows[] = {
      {u"NormalPdf(1.5,0.5,2)", NormalPdf(1.5, 0.5, 2)}, {u"NormalCdf(-0.5,1.5,0.25,2)", NormalCdf(-0.5, 1.5, 0.25, 2)},
      {u"NormalCdf(-1,1)", NormalCdf(-1, 1, 0, 1)},      {u"InverseNormal(0.3)", InverseNormal(0.3)},
      {u"InverseNormal(0.9,3,2)", 3 + 2 * InverseNormal(0.9)}, {u"StudentTPdf(1.5,3)", StudentTPdf(1.5, 3)},
      {u"StudentTCdf(-1,2,4)", StudentTCdf(-1, 2, 4)},   {u"ChiSquarePdf(1.5,3)", ChiSquarePdf(1.5, 3)},
      {u"ChiSquareCdf(0.5,2,3)", ChiSquareCdf(0.5, 2, 3)}, {u"FPdf(1.5,3,5)", FPdf(1.5, 3, 5)},
      {u"FCdf(0.5,2,3,5)", FCdf(0.5, 2, 3, 5)},          {u"BinomialPdf(10,0.3,4)", BinomialPdf(10, 0.3, 4)},
      {u"BinomialCdf(10,0.3,4)", BinomialCdf(10, 0.3, 4)}, {u"PoissonPdf(2,3)", PoissonPdf(2, 3)},
      {u"PoissonCdf(2,3)", PoissonCdf(2, 3)},            {u"GeoPdf(0.25,3)", GeoPdf(0.25, 3)},
      {u"GeoCdf(0.25,3)", GeoCdf(0.25, 3)},              {u"wave(1,0.3,0.6)", Wave(1, 0.3, 0.6)},
  };
  for (const auto& [text, want] : rows) {
    SCOPED_TRACE(test::Narrow(text));
    double result = 0;
    int32_t error = -1;
    ASSERT_TRUE(Evaluate(text, result, error)) << error;
    EXPECT_EQ(UlpDistance(result, want), 0) << result << " vs " << want;
  }
}

// Every name of the table without a numeric meaning, the marks, the index
// operator and ids without a name refuse every count.
TEST(BuiltinsTest, IdsWithoutMeaningNeverCompute) {
  std::vector<int32_t> ids = {-1, 35, 36, 37, 38, 45, kIdPrimeSign, kIdPrime, kIdDoublePrime, kIdIndex, 1000};
  const BuiltinTableView table = BuiltinTable();
  for (int32_t i = 0; i < table.count; ++i) ids.push_back(table.entries[i].id);
  for (int32_t id : ids) {
    const bool evaluates = (id >= 0 && id <= kIdNCr) || id == kIdAtan2 || (id >= kIdNormalPdf && id <= kIdIm) ||
                           id == kIdExp || id == kIdGcd || id == kIdLcm;
    if (evaluates) continue;
    SCOPED_TRACE(test::NameOfId(id));
    const double args[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    double result = 0;
    for (int32_t count = 0; count <= 9; ++count) EXPECT_FALSE(ComputeBuiltin(id, args, count, result));
  }
}

}  // namespace
}  // namespace abacine
