// The text form of the registry stand-in: the ".reg" export format that
// registry editors read and write, kept in UTF-8:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Velmora\Abacine]
//   "ShowFractions"=dword:00000001
//   "Input"="2+3"
//   "Pasted"=hex(1):31,00,0a,00,32,00,00,00
//
// Texts go in quotes with '\' and '"' escaped; a text the quoted form cannot
// carry (a line break, a control character, a lone surrogate, no
// terminator) and every other type go in the hex(type) form, which holds
// any bytes. Reading is forgiving: a damaged line is skipped and everything
// else is kept, so a torn or hand-edited file loses only what is damaged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace abacine::platform {

// Value types, with the handheld's codes.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

struct RegistryValue {
  std::u16string name;        // empty: the key's default value ("@")
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;  // REG_SZ: UTF-16LE units with the terminator
};

struct RegistryKeyData {
  std::u16string path;        // with its root, e.g. HKEY_LOCAL_MACHINE\Software\...
  std::vector<RegistryValue> values;
};

struct RegistryData {
  std::vector<RegistryKeyData> keys;

  // Names compare without regard to ASCII case, as registry names do.
  RegistryKeyData* FindKey(std::u16string_view path);
  RegistryKeyData& AddKey(std::u16string_view path);
  static RegistryValue* FindValue(RegistryKeyData& key, std::u16string_view name);
};

// Limits that keep a huge or hostile file from costing more than it should.
inline constexpr size_t kRegMaxFileBytes = 4u << 20;     // the rest is not read
inline constexpr size_t kRegMaxValueBytes = 1u << 20;    // larger values are skipped
inline constexpr size_t kRegMaxNameUnits = 16383;
inline constexpr size_t kRegMaxValues = 100000;

struct RegistryParseResult {
  RegistryData data;
  bool recognised = false;   // the file starts with a registry editor header
  size_t skippedLines = 0;   // damaged lines and values over the limits
};

// Reads the text form (UTF-8, optionally with a byte-order mark; UTF-16LE
// files as registry editors export them are read too). Never fails: what
// cannot be read is skipped and counted.
RegistryParseResult ParseRegistryText(std::string_view bytes);

// The UTF-8 text form of `data`, which ParseRegistryText reads back to the
// same keys, names, types and bytes.
std::string FormatRegistryText(const RegistryData& data);

// The UTF-16LE bytes of a REG_SZ value holding `text` (terminator included).
std::vector<uint8_t> RegSzBytes(std::u16string_view text);

}  // namespace abacine::platform
