// The words abacine-eval prints after "no answer: " when an input line has
// no answer: why, in terms of what the user typed, where (as a column of the
// typed line) when one place is to blame, and the failure code, as in
// "unknown name 'log' at 1 (did you mean log10?) (code 4)".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/interpreter.h"

namespace abacine {

// calc is the text as evaluated; columns maps its units to columns of the
// typed line (SourceColumns, with one entry past the end).
std::string DescribeFailure(std::u16string_view calc, const EvalFailure& failure,
                            const std::vector<int32_t>& columns);

// The function or constant a mistyped name most likely meant ("log" ->
// "log10", "Sin" -> "sin", "sqr" -> "sqrt"), or empty when none is close.
std::string SuggestName(std::string_view name);

}  // namespace abacine
