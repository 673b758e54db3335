#include "engine/builtin_table.h"

#include <algorithm>
#include <array>

namespace abacine {
namespace {

// The names in the order they have always been compared: the evaluating
// one-argument names, the matrix names, the two-argument names and the
// distributions, then the names without a numeric meaning. Each name appears
// once (the lookup is exact, so a repeated name could never be reached).
constexpr std::array<BuiltinName, 112> kTable{{
    {u"sin", 0},        {u"cos", 1},        {u"tan", 2},        {u"sec", 7},
    {u"csc", 6},        {u"cot", 8},        {u"acos", 4},       {u"asin", 3},
    {u"atan", 5},       {u"acsc", 9},       {u"asec", 10},      {u"acot", 11},
    {u"cosh", 12},      {u"sinh", 13},      {u"tanh", 14},      {u"sech", 19},
    {u"csch", 18},      {u"coth", 20},      {u"acosh", 16},     {u"asinh", 15},
    {u"atanh", 17},     {u"asech", 21},     {u"acsch", 22},     {u"acoth", 23},
    {u"log10", 24},     {u"ln", 25},        {u"exp", 70},       {u"ceiling", 26},
    {u"floor", 27},     {u"sign", 28},      {u"fPart", 29},     {u"iPart", 30},
    {u"abs", 31},       {u"sqrt", 32},

    {u"Sum", 39},       {u"Product", 40},   {u"Det", 41},       {u"Transpose", 42},
    {u"RowReduce", 44}, {u"atan2", 46},     {u"nPr", 33},       {u"nCr", 34},

    {u"NormalPdf", 47},    {u"NormalCdf", 48},    {u"InverseNormal", 49},
    {u"StudentTPdf", 50},  {u"StudentTCdf", 51},  {u"ChiSquarePdf", 52},
    {u"ChiSquareCdf", 53}, {u"FPdf", 54},         {u"FCdf", 55},
    {u"BinomialPdf", 56},  {u"BinomialCdf", 57},  {u"PoissonPdf", 58},
    {u"PoissonCdf", 59},   {u"GeoPdf", 60},       {u"GeoCdf", 61},
    {u"wave", 62},         {u"wavelet", 63},      {u"unitStep", 64},
    {u"re", 65},           {u"im", 66},

    {u"MatrixPower", 111},  {u"Series", 79},       {u"D", 67},
    {u"Integrate", 68},     {u"Expand", 69},       {u"Limit", 71},
    {u"Factor", 72},        {u"GCD", 73},          {u"Quotient", 74},
    {u"Remainder", 75},     {u"PolyDivide", 110},  {u"Operand", 76},
    {u"TrigReduce", 117},   {u"Coefficient", 77},  {u"Degree", 78},
    {u"FSeries", 81},       {u"rad", 86},          {u"Content", 87},
    {u"LCM", 89},           {u"NIntegrate", 109},  {u"angle", 85},
    {u"Identity", 43},      {u"Together", 120},    {u"Apart", 88},
    {u"Numerator", 118},    {u"Denominator", 119}, {u"VarStats", 116},
    {u"Clear", 115},        {u"Eigenvectors", 113}, {u"Eigensystem", 114},
    {u"Inverse", 112},      {u"Solve", 80},        {u"DSolve", 93},
    {u"Lagrange", 90},      {u"Eval", 91},         {u"FactorSquareFree", 92},
    {u"QR", 94},            {u"Dot", 95},          {u"Eigenvalues", 96},
    {u"Jacobian", 97},      {u"Hessian", 98},      {u"Gradient", 99},
    {u"Curl", 100},         {u"Divergence", 101},  {u"Laplacian", 102},
    {u"Cross", 103},        {u"VectorNorm", 105},  {u"ScalarTripleProduct", 106},
    {u"VectorAngle", 107},  {u"Duf", 108},
}};

constexpr bool IsNameStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
constexpr bool IsNameRest(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9'); }

// Every name must be scannable as one name by the parser (or it could never
// be looked up) and every id must lie below the ids of the operator marks'
// code space (code = 256 + id stays a 16-bit code).
constexpr bool NamesAreWellFormed() {
  for (const BuiltinName& entry : kTable) {
    if (entry.name.empty() || !IsNameStart(entry.name[0])) return false;
    for (char16_t c : entry.name) {
      if (!IsNameRest(c)) return false;
    }
    if (entry.id < 0 || entry.id > 127) return false;
  }
  return true;
}
static_assert(NamesAreWellFormed(), "builtin names must be ASCII names with ids 0..127");

// The lookup binary-searches a copy of the table sorted by name; building it
// at compile time keeps the sorted order from ever going stale.
constexpr std::array<BuiltinName, kTable.size()> SortedByName() {
  std::array<BuiltinName, kTable.size()> sorted = kTable;
  std::sort(sorted.begin(), sorted.end(),
            [](const BuiltinName& a, const BuiltinName& b) { return a.name < b.name; });
  return sorted;
}
constexpr std::array<BuiltinName, kTable.size()> kSorted = SortedByName();

constexpr bool NamesAreUnique() {
  for (size_t i = 1; i < kSorted.size(); ++i) {
    if (!(kSorted[i - 1].name < kSorted[i].name)) return false;
  }
  return true;
}
static_assert(NamesAreUnique(), "a builtin name appears twice");

}  // namespace

int32_t LookupBuiltin(std::u16string_view name) {
  auto it = std::lower_bound(kSorted.begin(), kSorted.end(), name,
                             [](const BuiltinName& entry, std::u16string_view key) { return entry.name < key; });
  if (it != kSorted.end() && it->name == name) return it->id;
  return -1;
}

int32_t DefaultArgCount(int32_t id) {
  switch (id) {
    case 33: case 34: case 46: case 50: case 52: case 58: case 59: case 60: case 61:
      return 2;
    case 47: case 51: case 53: case 54: case 56: case 57:
      return 3;
    case 48: case 55:
      return 4;
    default:
      return 1;
  }
}

BuiltinTableView BuiltinTable() { return {kTable.data(), static_cast<int32_t>(kTable.size())}; }

}  // namespace abacine
