// Renders a token list as one line of text for comparisons in tests:
// numbers and names by their text (the pi and e signs as <pi> and <e>),
// operators by their character (the exponent sign as E, a list end as $n
// with its element count), calls as name/argCount ("30 sin/1"), and calls
// of ids without a name as fnID/argCount.
#pragma once

#include <string>

#include "engine/builtin_table.h"
#include "engine/parser.h"
#include "engine/signs.h"

namespace abacine::test {

inline std::string NameOfId(int32_t id) {
  const BuiltinTableView table = BuiltinTable();
  for (int32_t i = 0; i < table.count; ++i) {
    if (table.entries[i].id != id) continue;
    std::string name;
    for (char16_t c : table.entries[i].name) name += static_cast<char>(c);
    return name;
  }
  return "fn" + std::to_string(id);
}

inline std::string UnitText(char16_t c) {
  if (c == kPiSign) return "<pi>";
  if (c == kESign) return "<e>";
  if (c >= 0x20 && c < 0x7F) return std::string(1, static_cast<char>(c));
  return "<u" + std::to_string(static_cast<int>(c)) + ">";
}

// The text with every unit outside printable ASCII written as UnitText does.
inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += UnitText(c);
  return out;
}

inline std::string RenderTokens(const TokenList& tokens) {
  std::string out;
  for (const Token& token : tokens) {
    if (!out.empty()) out += ' ';
    switch (token.kind) {
      case NumberToken:
      case NameToken:
        for (char16_t c : token.text) out += UnitText(c);
        break;
      case OperatorToken:
        if (token.code == kOpListEnd) {
          out += "$" + std::to_string(token.argCount);
        } else if (token.code == kOpExponent) {
          out += "E";
        } else {
          out += UnitText(static_cast<char16_t>(token.code));
        }
        break;
      case FunctionToken:
        out += NameOfId(token.code - kFunctionCodeBase) + "/" + std::to_string(token.argCount);
        break;
      default:
        out += "?";
        break;
    }
  }
  return out;
}

}  // namespace abacine::test
