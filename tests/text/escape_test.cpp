#include "text/escape.h"

#include <gtest/gtest.h>

#include <string>

#include "text/hex.h"

namespace abacine {
namespace {

using namespace std::string_literals;

// Every control a terminal obeys is written out; printable text, in any
// script, passes as it is; bytes that are not UTF-8 are shown one by one.
TEST(EscapeForTerminal, ControlsAndBrokenBytesAreWrittenOut) {
  const struct {
    std::string text, shown;
  } rows[] = {
      {"", ""},
      {"/vga/font.png", "/vga/font.png"},
      {"a\nb", "a\\nb"},
      {"\r\t\\", "\\r\\t\\\\"},
      {"\0"s, "\\x00"},
      {"\x01\x1f\x20\x7e\x7f", "\\x01\\x1f ~\\x7f"},
      {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
      {"\xc2\x80\xc2\x9b\xc2\x9f\xc2\xa0", "\\u0080\\u009b\\u009f\xc2\xa0"},  // C1, then NBSP
      {"π√ж\xf0\x9f\x98\x80", "π√ж\xf0\x9f\x98\x80"},
      {"\x9b" "2J", "\\x9b2J"},                        // a lone C1 byte
      {"\xff\xfe", "\\xff\\xfe"},
      {"\xe2\x82", "\\xe2\\x82"},                      // cut short
      {"\xc0\xaf", "\\xc0\\xaf"},                      // overlong '/'
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},             // a surrogate
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown);
    EXPECT_EQ(EscapeForTerminal(row.text), row.shown);
  }
}

TEST(HexDigits, KeepTheirWidth) {
  EXPECT_EQ(HexDigits(0x1b, 2), "1b");
  EXPECT_EQ(HexDigits(7, 2), "07");
  EXPECT_EQ(HexDigits(0x9b, 4), "009b");
  EXPECT_EQ(HexDigits(0x1234, 2), "34");
  EXPECT_EQ(HexDigits(0xffffffffu, 8), "ffffffff");
  EXPECT_EQ(HexDigits<char16_t>(0xa, 1), u"a");
}

}  // namespace
}  // namespace abacine
