// Strict UTF-8 to UTF-16 for the registry file's names and texts.
#pragma once

#include <string>
#include <string_view>

namespace abacine::platform {

// False for malformed, overlong, surrogate or out-of-range sequences.
bool DecodeUtf8(std::string_view text, std::u16string* out);

}  // namespace abacine::platform
