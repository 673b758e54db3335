// Lines of standard input, each held only up to a limit: a longer line is
// read on to its end but not kept, so a line of any length costs no more
// memory than the limit.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace abacine {

struct InputLine {
  std::string text;      // without its '\n'; only the first `limit` bytes of a longer line
  bool tooLong = false;  // the line had more than `limit` bytes
};

// Reads the next line into *line; false at the end of the input. A last
// line without a '\n' still counts; NUL and '\r' are bytes like others.
bool ReadLine(std::istream& in, size_t limit, InputLine* line);

}  // namespace abacine
