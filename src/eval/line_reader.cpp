#include "eval/line_reader.h"

namespace abacine {

bool ReadLine(std::istream& in, size_t limit, InputLine* line) {
  line->text.clear();
  line->tooLong = false;
  std::streambuf* source = in.rdbuf();
  if (source == nullptr) return false;
  bool any = false;
  for (;;) {
    const auto c = source->sbumpc();
    if (std::char_traits<char>::eq_int_type(c, std::char_traits<char>::eof())) {
      in.setstate(std::ios::eofbit);
      return any;
    }
    any = true;
    if (c == '\n') return true;
    if (line->text.size() < limit) {
      line->text.push_back(std::char_traits<char>::to_char_type(c));
    } else {
      line->tooLong = true;
    }
  }
}

}  // namespace abacine
