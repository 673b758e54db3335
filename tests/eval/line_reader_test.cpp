#include "eval/line_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace abacine {
namespace {

using namespace std::string_literals;

struct Read {
  std::string text;
  bool tooLong;
  bool operator==(const Read&) const = default;
};

std::vector<Read> ReadAll(const std::string& input, size_t limit) {
  std::istringstream in(input);
  std::vector<Read> lines;
  InputLine line;
  while (ReadLine(in, limit, &line)) lines.push_back({line.text, line.tooLong});
  return lines;
}

// Lines of exactly the limit are kept whole; one byte more is too long and
// is kept only up to the limit; the line after it is read as its own.
TEST(LineReader, KeepsLinesUpToTheLimitAndSkipsTheRest) {
  const struct {
    std::string input;
    size_t limit;
    std::vector<Read> lines;
  } rows[] = {
      {"", 4, {}},
      {"\n", 4, {{"", false}}},
      {"\n\n", 4, {{"", false}, {"", false}}},
      {"abcd\n", 4, {{"abcd", false}}},
      {"abcde\nxy\n", 4, {{"abcd", true}, {"xy", false}}},
      {"abcd", 4, {{"abcd", false}}},  // no '\n' at the end
      {"abcde", 4, {{"abcd", true}}},
      {"a\r\n", 4, {{"a\r", false}}},  // a carriage return is the caller's to drop
      {"2+3\0garbage\n"s, 64, {{"2+3\0garbage"s, false}}},
      {"\0\n\0"s, 1, {{"\0"s, false}, {"\0"s, false}}},
      {"x\n", 0, {{"", true}}},
      {std::string(100000, '1') + "\n2\n", 10, {{"1111111111", true}, {"2", false}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.input.substr(0, 20)) + " limit " + std::to_string(row.limit));
    EXPECT_EQ(ReadAll(row.input, row.limit), row.lines);
  }
}

}  // namespace
}  // namespace abacine
