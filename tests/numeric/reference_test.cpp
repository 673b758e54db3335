// LogGamma, Erf, StudentTDist, FDist and GammaP against high-precision
// reference values (tests/data/numeric_*.txt, written by
// tools/tables/gen_numeric_tables.py with mpmath).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "numeric/distributions.h"
#include "numeric/gamma.h"

namespace abacine {
namespace {

// Rows of whitespace-separated numbers; '#' lines are comments. strtod,
// unlike stream extraction, reads a reference that underflows as 0.
std::vector<std::vector<double>> LoadRows(const std::string& name, size_t columns) {
  std::ifstream in(std::string(ABACINE_TEST_DATA_DIR) + "/" + name);
  EXPECT_TRUE(in.good()) << "cannot open " << name;
  std::vector<std::vector<double>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<double> row;
    std::string field;
    while (fields >> field) row.push_back(std::strtod(field.c_str(), nullptr));
    EXPECT_EQ(row.size(), columns) << name << ": " << line;
    if (row.size() == columns) rows.push_back(row);
  }
  return rows;
}

std::string Where(const std::vector<double>& row) {
  std::string s;
  char buf[40];
  for (double v : row) {
    std::snprintf(buf, sizeof buf, "%.17g ", v);
    s += buf;
  }
  return s;
}

TEST(LogGammaReference, WithinOneEMinus15OverZeroTo200) {
  const auto rows = LoadRows("numeric_lgamma.txt", 2);
  ASSERT_GE(rows.size(), 2000u);
  double worst_rel = 0, worst_abs = 0;
  for (const auto& row : rows) {
    const double x = row[0], ref = row[1];
    ASSERT_GT(x, 0);
    ASSERT_LE(x, 200);
    const double err = std::fabs(LogGamma(x) - ref);
    if (std::fabs(ref) >= 1) {
      worst_rel = std::max(worst_rel, err / std::fabs(ref));
      EXPECT_LE(err / std::fabs(ref), 1e-15) << Where(row);
    } else {
      worst_abs = std::max(worst_abs, err);
      EXPECT_LE(err, 1e-15) << Where(row);
    }
  }
  std::printf("LogGamma on %zu points: max rel err %.3g (|lnG| >= 1), max abs err %.3g\n",
              rows.size(), worst_rel, worst_abs);
}

TEST(ErfReference, WithinOneEMinus15AbsoluteOverMinus7To7) {
  const auto rows = LoadRows("numeric_erf.txt", 2);
  ASSERT_GE(rows.size(), 2000u);
  double worst = 0;
  for (const auto& row : rows) {
    const double err = std::fabs(Erf(row[0]) - row[1]);
    worst = std::max(worst, err);
    EXPECT_LE(err, 1e-15) << Where(row);
  }
  std::printf("Erf on %zu points: max abs err %.3g\n", rows.size(), worst);
}

TEST(StudentTReference, WithinOneEMinus12AndTailsRelative) {
  const auto rows = LoadRows("numeric_student_t.txt", 3);
  ASSERT_GE(rows.size(), 4000u);
  std::map<double, double> worst_by_n;
  double worst_tail = 0;
  for (const auto& row : rows) {
    const double n = row[0], t = row[1], ref = row[2];
    const double got = StudentTDist(t, n);
    const double err = std::fabs(got - ref);
    worst_by_n[n] = std::max(worst_by_n[n], err);
    EXPECT_LE(err, 1e-12) << Where(row);
    // The lower tail is a value of its own, not 1 minus something: it keeps
    // its relative accuracy however small it gets.
    if (t < 0 && ref > 1e-300) {
      const double rel = err / ref;
      worst_tail = std::max(worst_tail, rel);
      EXPECT_LE(rel, 1e-11) << Where(row);
    }
  }
  for (const auto& [n, worst] : worst_by_n) std::printf("StudentTDist n=%g: max abs err %.3g\n", n, worst);
  std::printf("StudentTDist lower tails: max rel err %.3g\n", worst_tail);
}

TEST(StudentTReference, CoversTheRequiredDegreesAndRange) {
  const auto rows = LoadRows("numeric_student_t.txt", 3);
  for (double n : {1.0, 2.0, 3.0, 5.0, 10.0, 30.0, 100.0}) {
    double lo = 0, hi = 0;
    for (const auto& row : rows) {
      if (row[0] != n) continue;
      lo = std::min(lo, row[1]);
      hi = std::max(hi, row[1]);
    }
    SCOPED_TRACE(n);
    EXPECT_EQ(lo, -1e6);
    EXPECT_EQ(hi, 1e6);
  }
}

TEST(FDistReference, FiniteSumsAndIncompleteBeta) {
  const auto rows = LoadRows("numeric_fdist.txt", 4);
  ASSERT_GE(rows.size(), 1500u);
  double worst_sum = 0, worst_odd = 0, worst_beta = 0;
  for (const auto& row : rows) {
    const double x = row[0], m = row[1], n = row[2], ref = row[3];
    const double err = std::fabs(FDist(x, m, n) - ref);
    const bool sums = m + n <= 20000 && 0.5 * m * std::log1p(n * x / m) <= 700;
    const bool odd_odd = std::fmod(m, 2) == 1 && std::fmod(n, 2) == 1;
    // The odd-odd sums start from atan with 2/pi cut to ten decimals.
    const double tol = !sums ? 1e-11 : odd_odd ? 1e-10 : 1e-12;
    double& worst = !sums ? worst_beta : odd_odd ? worst_odd : worst_sum;
    worst = std::max(worst, err);
    EXPECT_LE(err, tol) << Where(row);
  }
  std::printf("FDist: max abs err %.3g (sums), %.3g (odd-odd sums), %.3g (incomplete beta)\n",
              worst_sum, worst_odd, worst_beta);
}

TEST(GammaPReference, AlgorithmAs239) {
  const auto rows = LoadRows("numeric_gammap.txt", 3);
  ASSERT_GE(rows.size(), 60u);
  double worst = 0;
  for (const auto& row : rows) {
    const double a = row[0], x = row[1];
    const double err = std::fabs(GammaP(a, x) - row[2]);
    worst = std::max(worst, err);
    // The method forms a ln x - x - ln Gamma(a) from terms of up to 10^4 near
    // a = 1000, and their rounding is what it can keep.
    const double tol = 1e-15 + 4e-16 * (std::fabs(a * std::log(x)) + x + std::fabs(LogGamma(a)));
    EXPECT_LE(err, tol) << Where(row);
  }
  std::printf("GammaP: max abs err %.3g\n", worst);
}

}  // namespace
}  // namespace abacine
