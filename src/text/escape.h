// Text from outside (file and archive names, typed input) as it may be shown
// on a terminal: a raw control character in it could split a line, move the
// cursor or change colours, so controls are written out instead.
#pragma once

#include <string>
#include <string_view>

namespace abacine {

// Well-formed UTF-8 passes unchanged except: '\n', '\r', '\t' and '\\' as
// \n, \r, \t and \\; every other C0 control and DEL as \xNN of its code
// (\x00, \x1b, \x7f); the C1 controls U+0080..U+009F, which some terminals
// obey too, as \u0080..\u009f; and each byte that is not part of well-formed
// UTF-8 as \xNN of the byte.
std::string EscapeForTerminal(std::string_view text);

}  // namespace abacine
