// The settings file reader on any bytes: it must never crash, never read
// past its input, and what it reads must write out and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace abacine::platform;
  const RegistryParseResult first =
      ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string text = FormatRegistryText(first.data);
  // The written form of a value can be longer than its read form (a text
  // with control characters goes out as hex); past the read limit the
  // second reading is cut short by design.
  if (text.size() > kRegMaxFileBytes) return 0;
  const RegistryParseResult second = ParseRegistryText(text);
  if (!second.recognised || second.skippedLines != 0 ||
      second.data.keys.size() != first.data.keys.size()) {
    std::abort();
  }
  for (size_t k = 0; k < first.data.keys.size(); ++k) {
    const RegistryKeyData& a = first.data.keys[k];
    const RegistryKeyData& b = second.data.keys[k];
    if (a.values.size() != b.values.size()) std::abort();
    for (size_t i = 0; i < a.values.size(); ++i) {
      if (a.values[i].type != b.values[i].type || a.values[i].data != b.values[i].data) std::abort();
    }
  }
  return 0;
}
