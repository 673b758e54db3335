#include "eval/input_forms.h"

#include <cstddef>

#include "engine/parser.h"
#include "text/signs.h"
#include "text/sign_text.h"

namespace abacine {
namespace {

constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// True when the digits and points ending just before i form a number
// literal of their own rather than the tail of a name.
bool NumberEndsAt(const std::u16string& text, size_t i) {
  size_t start = i;
  bool digits = false;
  while (start > 0 && (IsDigit(text[start - 1]) || text[start - 1] == u'.')) {
    digits = digits || IsDigit(text[start - 1]);
    --start;
  }
  return digits && (start == 0 || !IsNameUnit(text[start - 1]));
}

// The end of the exponent digits after the e at i (with an optional sign),
// or 0 when there are none or they run on into a name or a point.
size_t ExponentEnd(const std::u16string& text, size_t i) {
  size_t j = i + 1;
  if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) ++j;
  const size_t first = j;
  while (j < text.size() && IsDigit(text[j])) ++j;
  if (j == first) return 0;
  if (j < text.size() && (IsNameUnit(text[j]) || text[j] == u'.')) return 0;
  return j;
}

size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  return 2;
}

}  // namespace

void ApplyTerminalForms(std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\t') {
      text[i] = u' ';
    } else if (c == u'\u2212') {
      text[i] = u'-';
    } else if ((c == u'e' || c == u'E') && NumberEndsAt(text, i) && ExponentEnd(text, i) != 0) {
      text[i] = kExponentSign;
      if (text[i + 1] == u'+') text[i + 1] = u' ';
    }
  }
}

std::vector<int32_t> SourceColumns(std::string_view utf8, std::u16string_view calc) {
  std::vector<int32_t> columns;
  columns.reserve(calc.size() + 1);
  size_t byte = 0;
  int32_t column = 1;
  for (size_t k = 0; k < calc.size(); ++k) {
    columns.push_back(column);
    const char16_t u = calc[k];
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < calc.size()) {
      columns.push_back(column);  // the low half of the same code point
      ++k;
    } else {
      // A sign read from its readable form spans that form's code points.
      const std::string readable = CalcTextToUtf8(calc.substr(k, 1));
      if (utf8.substr(byte, readable.size()) == readable && readable.size() > 1) {
        for (size_t b = 0; b < readable.size(); b += Utf8Length(static_cast<unsigned char>(readable[b]))) ++column;
        byte += readable.size();
        continue;
      }
    }
    if (byte < utf8.size()) byte += Utf8Length(static_cast<unsigned char>(utf8[byte]));
    ++column;
  }
  columns.push_back(column);
  return columns;
}

}  // namespace abacine
