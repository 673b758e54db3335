// The engine's vocabulary: every builtin name the parser turns into a call,
// with its numeric id, and the argument count a call of each id takes when
// the parser has no written count for it.
//
// Names are compared exactly and case-sensitively ("sin" is a builtin,
// "Sin" is not). Ids of the postfix marks and the index operator share the
// id space (operator code - 256) without having names.
#pragma once

#include <cstdint>
#include <string_view>

namespace abacine {

// Ids with a name of their own in the code (the evaluating ids and the few
// marks the parser emits). The full name list lives in builtin_table.cpp.
enum BuiltinId : int32_t {
  kIdSin = 0, kIdCos = 1, kIdTan = 2, kIdAsin = 3, kIdAcos = 4, kIdAtan = 5,
  kIdCsc = 6, kIdSec = 7, kIdCot = 8, kIdAcsc = 9, kIdAsec = 10, kIdAcot = 11,
  kIdCosh = 12, kIdSinh = 13, kIdTanh = 14, kIdAsinh = 15, kIdAcosh = 16, kIdAtanh = 17,
  kIdCsch = 18, kIdSech = 19, kIdCoth = 20, kIdAsech = 21, kIdAcsch = 22, kIdAcoth = 23,
  kIdLog10 = 24, kIdLn = 25, kIdCeiling = 26, kIdFloor = 27, kIdSign = 28,
  kIdFPart = 29, kIdIPart = 30, kIdAbs = 31, kIdSqrt = 32,
  kIdNPr = 33, kIdNCr = 34, kIdAtan2 = 46,
  kIdNormalPdf = 47, kIdNormalCdf = 48, kIdInverseNormal = 49,
  kIdStudentTPdf = 50, kIdStudentTCdf = 51, kIdChiSquarePdf = 52, kIdChiSquareCdf = 53,
  kIdFPdf = 54, kIdFCdf = 55, kIdBinomialPdf = 56, kIdBinomialCdf = 57,
  kIdPoissonPdf = 58, kIdPoissonCdf = 59, kIdGeoPdf = 60, kIdGeoCdf = 61,
  kIdWave = 62, kIdWavelet = 63, kIdUnitStep = 64, kIdRe = 65, kIdIm = 66,
  kIdIntegrate = 68, kIdExp = 70, kIdGcd = 73, kIdLcm = 89,
  kIdPrimeSign = 82, kIdPrime = 83, kIdDoublePrime = 84, kIdIndex = 122,
};

// Operator codes of function tokens are 256 + id.
inline constexpr int32_t kFunctionCodeBase = 256;

// One record of the name table.
struct BuiltinName {
  std::u16string_view name;
  int32_t id;
};

// The id of the builtin spelled exactly like name, or -1.
int32_t LookupBuiltin(std::u16string_view name);

// The number of arguments a call of id takes when no count was written
// (2 for the two-argument functions and distributions, 3 or 4 for the wider
// distributions, 1 for every other id, unknown ids included).
int32_t DefaultArgCount(int32_t id);

// The whole table, in its comparison order, for tests and tools.
struct BuiltinTableView {
  const BuiltinName* entries;
  int32_t count;
};
BuiltinTableView BuiltinTable();

}  // namespace abacine
