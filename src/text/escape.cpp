#include "text/escape.h"

#include "text/hex.h"
#include "text/utf.h"

namespace abacine {

std::string EscapeForTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    char32_t c = 0;
    const size_t n = DecodeUtf8(text, at, &c);
    if (n == 0) {
      out += "\\x" + HexDigits(static_cast<unsigned char>(text[at]), 2);
      ++at;
      continue;
    }
    switch (c) {
      case U'\n': out += "\\n"; break;
      case U'\r': out += "\\r"; break;
      case U'\t': out += "\\t"; break;
      case U'\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x" + HexDigits(c, 2);
        } else if (c >= 0x80 && c <= 0x9F) {
          out += "\\u" + HexDigits(c, 4);
        } else {
          out.append(text.substr(at, n));
        }
        break;
    }
    at += n;
  }
  return out;
}

}  // namespace abacine
