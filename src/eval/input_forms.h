// The forms a terminal user types that the calculator's own input line has no
// key for, and the way back from a position in calculator text to a column
// of the line the user typed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace abacine {

// Rewrites, unit for unit (positions stay put):
//   a tab                          a blank
//   U+2212 minus sign              '-'
//   e or E after a number and before digits with an optional sign
//                                  the exponent sign ('+' becomes a blank):
//                                  1e5, 2.5E-3, 6e+2
// The e must follow a number literal (not the digits of a name such as x2)
// and its digits must end the name they would otherwise begin (1e5x and
// 1e5.5 stay as they are). Every text changed here had no answer before:
// "e5" is a name with no value, and so is the letter e.
void ApplyTerminalForms(std::u16string& text);

// For each unit of calc, the 1-based column (code point) of the UTF-8 line it
// was read from by Utf8ToCalcText; one more entry for the end of the text.
// A sign with a readable form of two code points (⁻¹) spans both; the two
// units of a surrogate pair share their one column.
std::vector<int32_t> SourceColumns(std::string_view utf8, std::u16string_view calc);

}  // namespace abacine
