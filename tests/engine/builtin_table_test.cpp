#include "engine/builtin_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine_support.h"

namespace abacine {
namespace {

struct NameRow {
  const char16_t* name;
  int32_t id;
};

// Every name the parser knows, with the id it must map to.
constexpr NameRow kAllNames[] = {
    {u"sin", 0},          {u"cos", 1},           {u"tan", 2},           {u"asin", 3},
    {u"acos", 4},         {u"atan", 5},          {u"csc", 6},           {u"sec", 7},
    {u"cot", 8},          {u"acsc", 9},          {u"asec", 10},         {u"acot", 11},
    {u"cosh", 12},        {u"sinh", 13},         {u"tanh", 14},         {u"asinh", 15},
    {u"acosh", 16},       {u"atanh", 17},        {u"csch", 18},         {u"sech", 19},
    {u"coth", 20},        {u"asech", 21},        {u"acsch", 22},        {u"acoth", 23},
    {u"log10", 24},       {u"ln", 25},           {u"ceiling", 26},      {u"floor", 27},
    {u"sign", 28},        {u"fPart", 29},        {u"iPart", 30},        {u"abs", 31},
    {u"sqrt", 32},        {u"nPr", 33},          {u"nCr", 34},          {u"atan2", 46},
    {u"NormalPdf", 47},   {u"NormalCdf", 48},    {u"InverseNormal", 49}, {u"StudentTPdf", 50},
    {u"StudentTCdf", 51}, {u"ChiSquarePdf", 52}, {u"ChiSquareCdf", 53}, {u"FPdf", 54},
    {u"FCdf", 55},        {u"BinomialPdf", 56},  {u"BinomialCdf", 57},  {u"PoissonPdf", 58},
    {u"PoissonCdf", 59},  {u"GeoPdf", 60},       {u"GeoCdf", 61},       {u"wave", 62},
    {u"wavelet", 63},     {u"unitStep", 64},     {u"re", 65},           {u"im", 66},
    {u"Sum", 39},         {u"Product", 40},      {u"Det", 41},          {u"Transpose", 42},
    {u"RowReduce", 44},   {u"MatrixPower", 111}, {u"Series", 79},       {u"D", 67},
    {u"Integrate", 68},   {u"Expand", 69},       {u"Limit", 71},        {u"Factor", 72},
    {u"GCD", 73},         {u"Quotient", 74},     {u"Remainder", 75},    {u"PolyDivide", 110},
    {u"Operand", 76},     {u"TrigReduce", 117},  {u"Coefficient", 77},  {u"Degree", 78},
    {u"FSeries", 81},     {u"rad", 86},          {u"Content", 87},      {u"LCM", 89},
    {u"NIntegrate", 109}, {u"angle", 85},        {u"Identity", 43},     {u"Together", 120},
    {u"Apart", 88},       {u"Numerator", 118},   {u"Denominator", 119}, {u"VarStats", 116},
    {u"Clear", 115},      {u"Eigenvectors", 113}, {u"Eigensystem", 114}, {u"Inverse", 112},
    {u"Solve", 80},       {u"DSolve", 93},       {u"Lagrange", 90},     {u"Eval", 91},
    {u"FactorSquareFree", 92}, {u"QR", 94},      {u"Dot", 95},          {u"Eigenvalues", 96},
    {u"Jacobian", 97},    {u"Hessian", 98},      {u"Gradient", 99},     {u"Curl", 100},
    {u"Divergence", 101}, {u"Laplacian", 102},   {u"Cross", 103},       {u"VectorNorm", 105},
    {u"ScalarTripleProduct", 106}, {u"VectorAngle", 107}, {u"Duf", 108}, {u"exp", 70},
};

// Each name maps to its id, and the table holds no other name.
TEST(BuiltinTableTest, EveryNameMapsToItsId) {
  std::set<std::u16string> expected;
  for (const NameRow& row : kAllNames) {
    SCOPED_TRACE(test::Narrow(row.name));
    EXPECT_EQ(LookupBuiltin(row.name), row.id);
    expected.insert(row.name);
  }
  const BuiltinTableView table = BuiltinTable();
  std::set<std::u16string> actual;
  for (int32_t i = 0; i < table.count; ++i) actual.insert(std::u16string(table.entries[i].name));
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(table.count, static_cast<int32_t>(std::size(kAllNames)));
}

// Prefixes, extensions and other cases of a name match nothing.
TEST(BuiltinTableTest, LookupIsExactAndCaseSensitive) {
  const NameRow rows[] = {
      {u"Sin", -1},  {u"SIN", -1},       {u"si", -1},        {u"sinx", -1},     {u"s", -1},
      {u"", -1},     {u"d", -1},         {u"normalpdf", -1}, {u"log", -1},      {u"log1", -1},
      {u"log100", -1}, {u"pi", -1},      {u"e", -1},         {u"x", -1},        {u"Exp", -1},
      {u"atan22", -1}, {u"waves", -1},   {u"ScalarTripleProductX", -1},
  };
  for (const NameRow& row : rows) {
    SCOPED_TRACE(test::Narrow(row.name));
    EXPECT_EQ(LookupBuiltin(row.name), row.id);
  }
}

TEST(BuiltinTableTest, DefaultArgumentCounts) {
  const int32_t rows[][2] = {
      {33, 2}, {34, 2}, {46, 2}, {50, 2}, {52, 2}, {58, 2}, {59, 2}, {60, 2}, {61, 2}, {47, 3},
      {51, 3}, {53, 3}, {54, 3}, {56, 3}, {57, 3}, {48, 4}, {55, 4}, {0, 1},   {32, 1}, {35, 1},
      {45, 1}, {49, 1}, {62, 1}, {66, 1}, {82, 1}, {122, 1}, {-1, 1}, {1000, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    EXPECT_EQ(DefaultArgCount(row[0]), row[1]);
  }
}

}  // namespace
}  // namespace abacine
