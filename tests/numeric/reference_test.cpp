// LogGamma, Erf, StudentTDist, FDist and GammaP against high-precision
// reference values (tests/data/numeric_*.txt, written by
// tools/tables/gen_numeric_tables.py with mpmath). Each test prints the
// largest error it met.
#include <gtest/gtest.h>

#include <algorithm>
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

// The method forms a ln x - x - ln Gamma(a) from terms of up to 10^4 near
// a = 1000, and their rounding is what it can keep.
TEST(ReferenceTest, GammaPAlgorithmAs239) {
  CheckRows(
      "GammaP", LoadRows("numeric_gammap.txt", 3, 60),
      [](const Row& r) { return std::fabs(GammaP(r[0], r[1]) - r[2]); },
      [](const Row& r) {
        return 1e-15 + 4e-16 * (std::fabs(r[0] * std::log(r[1])) + r[1] + std::fabs(LogGamma(r[0])));
      },
      [](const Row&) { return std::string("max abs err"); });
}

}  // namespace
}  // namespace abacine
