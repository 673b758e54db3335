// LogGamma, Erf, StudentTDist, FDist, the incomplete gamma functions,
// InverseNormal and the exact factorials, nPr and nCr against high-precision
// or exact reference values (tests/data/numeric_*.txt, written by
// tools/tables/gen_numeric_tables.py with mpmath and exact integers). Each
// test prints the largest error it met.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "numeric/distributions.h"
#include "numeric/gamma.h"

namespace abacine {
namespace {

using Row = std::vector<double>;

// Rows of whitespace-separated numbers; '#' lines are comments. strtod,
// unlike stream extraction, reads a reference that underflows as 0.
std::vector<Row> LoadRows(const std::string& name, size_t columns, size_t atLeast) {
  std::ifstream in(std::string(ABACINE_TEST_DATA_DIR) + "/" + name);
  EXPECT_TRUE(in.good()) << "cannot open " << name;
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Row row;
    std::string field;
    while (fields >> field) row.push_back(std::strtod(field.c_str(), nullptr));
    EXPECT_EQ(row.size(), columns) << name << ": " << line;
    if (row.size() == columns) rows.push_back(row);
  }
  EXPECT_GE(rows.size(), atLeast) << name;
  return rows;
}

// Checks error(row) <= tolerance(row) for every row, keeping the worst
// error per group(row); prints the worst of each group.
template <typename Error, typename Tolerance, typename Group>
void CheckRows(const char* what, const std::vector<Row>& rows, Error error, Tolerance tolerance, Group group) {
  std::map<std::string, double> worst;
  for (const Row& row : rows) {
    const double err = error(row);
    double& w = worst[group(row)];
    w = std::max(w, err);
    EXPECT_LE(err, tolerance(row)) << ::testing::PrintToString(row);
  }
  for (const auto& [name, w] : worst) std::printf("%s on %zu points: %s %.3g\n", what, rows.size(), name.c_str(), w);
}

TEST(ReferenceTest, LogGammaWithinOneEMinus15OverZeroTo200) {
  const auto rows = LoadRows("numeric_lgamma.txt", 2, 2000);
  for (const Row& row : rows) ASSERT_TRUE(row[0] > 0 && row[0] <= 200) << row[0];
  // Relative where |ln Gamma| >= 1, absolute below.
  CheckRows(
      "LogGamma", rows, [](const Row& r) { return std::fabs(LogGamma(r[0]) - r[1]) / std::max(1.0, std::fabs(r[1])); },
      [](const Row&) { return 1e-15; },
      [](const Row& r) { return std::string(std::fabs(r[1]) >= 1 ? "max rel err" : "max abs err"); });
}

TEST(ReferenceTest, ErfWithinOneEMinus15AbsoluteOverMinus7To7) {
  CheckRows(
      "Erf", LoadRows("numeric_erf.txt", 2, 2000), [](const Row& r) { return std::fabs(Erf(r[0]) - r[1]); },
      [](const Row&) { return 1e-15; }, [](const Row&) { return std::string("max abs err"); });
}

// The data cover t in [-1e6, 1e6] for the degrees the calculator is used
// with. The lower tail is a value of its own, not 1 minus something: it keeps
// its relative accuracy however small it gets.
TEST(ReferenceTest, StudentTWithinOneEMinus12AndTailsRelative) {
  const auto rows = LoadRows("numeric_student_t.txt", 3, 4000);
  std::map<double, std::pair<double, double>> range;
  for (const Row& row : rows) {
    auto& [lo, hi] = range[row[0]];
    lo = std::min(lo, row[1]);
    hi = std::max(hi, row[1]);
  }
  for (double n : {1.0, 2.0, 3.0, 5.0, 10.0, 30.0, 100.0}) {
    EXPECT_EQ(range[n], std::make_pair(-1e6, 1e6)) << n;
  }
  const auto err = [](const Row& r) { return std::fabs(StudentTDist(r[1], r[0]) - r[2]); };
  CheckRows("StudentTDist", rows, err, [](const Row&) { return 1e-12; },
            [](const Row& r) { return "n=" + ::testing::PrintToString(r[0]) + " max abs err"; });
  std::vector<Row> tails;
  std::copy_if(rows.begin(), rows.end(), std::back_inserter(tails),
               [](const Row& r) { return r[1] < 0 && r[2] > 1e-300; });
  CheckRows(
      "StudentTDist lower tails", tails, [&](const Row& r) { return err(r) / r[2]; },
      [](const Row&) { return 1e-11; }, [](const Row&) { return std::string("max rel err"); });
}

// The odd-odd sums start from atan with 2/pi cut to ten decimals; past their
// range the incomplete beta function takes over.
TEST(ReferenceTest, FDistFiniteSumsAndIncompleteBeta) {
  const auto kind = [](const Row& r) {
    const double m = r[1];
    const double n = r[2];
    if (!(m + n <= 20000 && 0.5 * m * std::log1p(n * r[0] / m) <= 700)) return 2;
    return std::fmod(m, 2) == 1 && std::fmod(n, 2) == 1 ? 1 : 0;
  };
  static constexpr double kTolerance[] = {1e-12, 1e-10, 1e-11};
  static constexpr const char* kName[] = {"sums", "odd-odd sums", "incomplete beta"};
  CheckRows(
      "FDist", LoadRows("numeric_fdist.txt", 4, 1500),
      [](const Row& r) { return std::fabs(FDist(r[0], r[1], r[2]) - r[3]); },
      [&](const Row& r) { return kTolerance[kind(r)]; }, [&](const Row& r) { return std::string(kName[kind(r)]); });
}

// P and Q each within 1e-13 relative wherever the reference is above 1e-300
// (below it, within 1e-300 absolute: the data write values below 1e-307 as
// 0), for a from 0.01 to 1e6, on both sides of the seams at a = 20 and
// |eta| = 1; and they add up to 1.
TEST(ReferenceTest, IncompleteGammaWithinOneEMinus13Relative) {
  const auto rows = LoadRows("numeric_incomplete_gamma.txt", 4, 600);
  EXPECT_GT(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r[0] == 1e6; }), 30);
  const auto relative = [](double got, double want) {
    return want > 1e-300 ? std::fabs(got - want) / want : std::fabs(got - want) / 1e-300 * 1e-13;
  };
  const auto group = [](const Row& r) { return std::string(r[0] < 20 ? "a < 20" : "a >= 20"); };
  CheckRows(
      "GammaP", rows, [&](const Row& r) { return relative(GammaP(r[0], r[1]), r[2]); },
      [](const Row&) { return 1e-13; }, group);
  CheckRows(
      "GammaQ", rows, [&](const Row& r) { return relative(GammaQ(r[0], r[1]), r[3]); },
      // Q from 1 - P below x = a + 1 for small a: P's absolute error only.
      [](const Row& r) { return r[0] < 1 && r[1] < r[0] + 1 ? 1e-13 + 2e-16 / r[3] : 1e-13; }, group);
  for (const Row& r : rows) EXPECT_NEAR(GammaP(r[0], r[1]) + GammaQ(r[0], r[1]), 1.0, 2.3e-16) << r[0] << " " << r[1];
}

// 10,000 points from 1e-300 to 1 - 1e-16, both sides of Acklam's break
// points and of the switch from erf to erfc in the refinement.
TEST(ReferenceTest, InverseNormalWithinOneEMinus14Relative) {
  const auto rows = LoadRows("numeric_inverse_normal.txt", 2, 10000);
  EXPECT_EQ(rows.size(), 10000u);
  CheckRows(
      "InverseNormal", rows,
      [](const Row& r) { return r[1] == 0 ? std::fabs(InverseNormal(r[0])) : std::fabs(InverseNormal(r[0]) / r[1] - 1); },
      [](const Row&) { return 1e-14; },
      [](const Row& r) { return std::string(r[0] < 0.02425 || r[0] > 0.97575 ? "tails" : "middle"); });
}

// Rows "F n 0 n!", "P n r nPr(n, r)" and "C n r nCr(n, r)" with the exact
// integers: the result must be the double nearest to them (strtod rounds to
// nearest), which for values below 2^53 is the integer itself; "inf" from
// 2^1024 on.
TEST(ReferenceTest, FactorialsPermutationsCombinationsRoundedOnce) {
  std::ifstream in(std::string(ABACINE_TEST_DATA_DIR) + "/numeric_combinatorics.txt");
  ASSERT_TRUE(in.good());
  std::map<char, int> counts;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    char kind = 0;
    double n = 0;
    double r = 0;
    std::string exact;
    ASSERT_TRUE(fields >> kind >> n >> r >> exact) << line;
    SCOPED_TRACE(line);
    const double want = std::strtod(exact.c_str(), nullptr);
    const double got = kind == 'F' ? Factorial(n) : kind == 'P' ? Permutations(n, r) : Combinations(n, r);
    EXPECT_EQ(got, want);
    if (kind == 'F') {
      EXPECT_EQ(Gamma(n + 1), want);
    }
    // Up to 22! every factorial is a double itself.
    if (want < 9007199254740992.0 || (kind == 'F' && n <= 22)) {
      char text[32];
      std::snprintf(text, sizeof text, "%.0f", got);
      EXPECT_EQ(text, exact);  // exact, digit for digit
    }
    ++counts[kind];
  }
  EXPECT_EQ(counts['F'], 171);
  EXPECT_GE(counts['P'], 500);
  EXPECT_GE(counts['C'], 500);
}

}  // namespace
}  // namespace abacine
