#include "platform/registry_format.h"

#include <algorithm>
#include <cstdio>

#include "text/utf.h"

namespace abacine::platform {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr size_t kHexBytesPerLine = 25;

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted text at the start of s: '"', units with \\ and \" escaped, '"'.
// Returns the decoded text and removes it from s; false when it is not
// closed or not valid UTF-8.
bool TakeQuoted(std::string_view& s, std::u16string* out) {
  if (s.empty() || s.front() != '"') return false;
  std::string raw;
  size_t i = 1;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') break;
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      raw.push_back(s[++i]);
      continue;
    }
    raw.push_back(c);
  }
  if (i >= s.size()) return false;
  s.remove_prefix(i + 1);
  return FromUtf8(raw, out);
}

// "aa,bb,..." (possibly empty) into bytes; false on anything else.
bool ParseHexList(std::string_view s, std::vector<uint8_t>* out) {
  s = TrimRight(TrimLeft(s));
  out->clear();
  while (!s.empty()) {
    if (s.size() < 2) return false;
    const int hi = HexDigit(s[0]), lo = HexDigit(s[1]);
    if (hi < 0 || lo < 0) return false;
    if (out->size() >= kRegMaxValueBytes) return false;
    out->push_back(static_cast<uint8_t>(hi * 16 + lo));
    s = TrimLeft(s.substr(2));
    if (s.empty()) break;
    if (s.front() != ',') return false;
    s = TrimLeft(s.substr(1));
    if (s.empty()) return false;  // a trailing comma: the list was cut short
  }
  return true;
}

// The data part of a value line, after '='. False for damaged data and for
// deletions ("-"), which this store has nothing to apply to.
bool ParseData(std::string_view s, uint32_t* type, std::vector<uint8_t>* data) {
  s = TrimRight(TrimLeft(s));
  if (!s.empty() && s.front() == '"') {
    std::u16string text;
    if (!TakeQuoted(s, &text) || !TrimLeft(s).empty()) return false;
    *type = kRegSz;
    *data = RegSzBytes(text);
    return data->size() <= kRegMaxValueBytes;
  }
  if (s.substr(0, 6) == "dword:") {
    const std::string_view digits = s.substr(6);
    if (digits.size() != 8) return false;
    uint32_t v = 0;
    for (const char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint32_t>(d);
    }
    *type = kRegDword;
    *data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
             static_cast<uint8_t>(v >> 24)};
    return true;
  }
  if (s.substr(0, 4) == "hex:") {
    *type = kRegBinary;
    return ParseHexList(s.substr(4), data);
  }
  if (s.substr(0, 4) == "hex(") {
    const size_t close = s.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12) return false;
    uint32_t t = 0;
    for (const char c : s.substr(4, close - 4)) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      t = t * 16 + static_cast<uint32_t>(d);
    }
    *type = t;
    return ParseHexList(s.substr(close + 2), data);
  }
  return false;
}

bool ParseValueLine(std::string_view line, RegistryValue* value) {
  if (line.front() == '@') {
    value->name.clear();
    line.remove_prefix(1);
  } else if (!TakeQuoted(line, &value->name) || value->name.size() > kRegMaxNameUnits) {
    return false;
  }
  line = TrimLeft(line);
  if (line.empty() || line.front() != '=') return false;
  return ParseData(line.substr(1), &value->type, &value->data);
}

// UTF-16LE file bytes (after their byte-order mark) as UTF-8.
std::string Utf16LeToUtf8(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                     (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return ToUtf8(units);
}

void AppendQuoted(std::string& out, std::u16string_view text) {
  out.push_back('"');
  for (const char c : ToUtf8(text)) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

// The text of a REG_SZ value when the quoted form can carry it exactly.
bool QuotableText(const std::vector<uint8_t>& data, std::u16string* text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const size_t n = data.size() / 2 - 1;
  text->resize(n);
  for (size_t i = 0; i <= n; ++i) {
    const char16_t u = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (i == n) return u == 0;
    if (u < 0x20 || u == 0x7F) return false;
    const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
    const char16_t next = static_cast<char16_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
    if (high && !(next >= 0xDC00 && next <= 0xDFFF)) return false;
    if (low && !(i > 0 && (*text)[i - 1] >= 0xD800 && (*text)[i - 1] <= 0xDBFF)) return false;
    (*text)[i] = u;
  }
  return false;
}

void AppendHex(std::string& out, const char* prefix, const std::vector<uint8_t>& data) {
  out += prefix;
  char byte[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02x", data[i]);
    out += byte;
    if (i + 1 == data.size()) break;
    out.push_back(',');
    if ((i + 1) % kHexBytesPerLine == 0) out += "\\\n  ";
  }
}

}  // namespace

RegistryKeyData* RegistryData::FindKey(std::u16string_view path) {
  for (RegistryKeyData& key : keys) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

RegistryKeyData& RegistryData::AddKey(std::u16string_view path) {
  if (RegistryKeyData* key = FindKey(path)) return *key;
  keys.push_back(RegistryKeyData{std::u16string(path), {}});
  return keys.back();
}

RegistryValue* RegistryData::FindValue(RegistryKeyData& key, std::u16string_view name) {
  for (RegistryValue& value : key.values) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

std::vector<uint8_t> RegSzBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2 + 2);
  for (const char16_t u : text) {
    bytes.push_back(static_cast<uint8_t>(u));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

RegistryParseResult ParseRegistryText(std::string_view bytes) {
  RegistryParseResult result;
  bytes = bytes.substr(0, kRegMaxFileBytes);
  std::string converted;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
    converted = Utf16LeToUtf8(bytes.substr(2));
    bytes = converted;
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }

  RegistryKeyData* key = nullptr;
  bool first = true;
  size_t valueCount = 0;
  std::string logical;  // a value line with its continuation lines joined
  bool continuing = false;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view physical = TrimRight(TrimLeft(bytes.substr(pos, end - pos)));
    pos = end + 1;
    if (continuing) {
      logical += physical;
    } else {
      logical.assign(physical);
    }
    // Long hex data goes on over several lines, each but the last ending in
    // a backslash. Data cut short at the end of the file ends in a comma,
    // which the hex reader refuses.
    continuing = !logical.empty() && logical.back() == '\\' &&
                 (logical.front() == '"' || logical.front() == '@') && pos < bytes.size();
    if (continuing) {
      logical.pop_back();
      continue;
    }
    const std::string_view line = logical;

    if (line.empty() || line.front() == ';') continue;
    if (first) {
      first = false;
      if (line == kHeader5 || line == kHeader4) {
        result.recognised = true;
        continue;
      }
    }
    if (line.front() == '[') {
      const size_t close = line.rfind(']');
      std::u16string path;
      if (close == std::string_view::npos || line.size() < 3 || line[1] == '-' ||
          !FromUtf8(line.substr(1, close - 1), &path) || path.empty()) {
        key = nullptr;  // a deleted or damaged key: its values are not taken
        if (line.size() < 2 || line[1] != '-') ++result.skippedLines;
        continue;
      }
      key = &result.data.AddKey(path);
      continue;
    }
    RegistryValue value;
    if (key == nullptr || valueCount >= kRegMaxValues || !ParseValueLine(line, &value)) {
      ++result.skippedLines;
      continue;
    }
    if (RegistryValue* existing = RegistryData::FindValue(*key, value.name)) {
      existing->type = value.type;
      existing->data = std::move(value.data);
    } else {
      key->values.push_back(std::move(value));
      ++valueCount;
    }
  }
  return result;
}

std::string FormatRegistryText(const RegistryData& data) {
  std::string out(kHeader5);
  out += "\n";
  for (const RegistryKeyData& key : data.keys) {
    out += "\n[";
    out += ToUtf8(key.path);
    out += "]\n";
    for (const RegistryValue& value : key.values) {
      if (value.name.empty()) {
        out.push_back('@');
      } else {
        AppendQuoted(out, value.name);
      }
      out.push_back('=');
      std::u16string text;
      if (value.type == kRegDword && value.data.size() == 4) {
        char digits[16];
        const uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                           (static_cast<uint32_t>(value.data[3]) << 24);
        std::snprintf(digits, sizeof digits, "dword:%08x", v);
        out += digits;
      } else if (value.type == kRegSz && QuotableText(value.data, &text)) {
        AppendQuoted(out, text);
      } else if (value.type == kRegBinary) {
        AppendHex(out, "hex:", value.data);
      } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        AppendHex(out, prefix, value.data);
      }
      out.push_back('\n');
    }
  }
  return out;
}

}  // namespace abacine::platform
